#pragma once

#include "design/SceneDesignMode.h"

class ThvCustomObjectLayer;

namespace design {

// The design mode of an object layer: the 2D scene's, with these differences. An empty
// layer gets a TwzLayout root fitted by the layer; the menu point is the snapped press point
// in layer pixels, where inserted objects go without further checks; "Load From File..."
// offers "Plimora Files|*.plimora", opens the chosen file and inserts nothing.
class LayerDesignMode final : public SceneDesignMode {
public:
    explicit LayerDesignMode(ThvCustomObjectLayer& layer);

protected:
    [[nodiscard]] TwzVisualObject* ObjectAt(const TwzPoint& p) override;
    void CreateRoot() override;
    void RefitRoot() override;
    [[nodiscard]] platform::ui::Point MenuScreenPoint() override;
    [[nodiscard]] platform::ui::SceneHost* MenuOwner() override;
    [[nodiscard]] TwzPoint MenuPoint(platform::ui::Point screen) override;
    [[nodiscard]] std::optional<TwzPoint> InsertPosition(TwzVisualObject* selection) override;
    [[nodiscard]] std::string LoadFilter() const override;
    [[nodiscard]] bool LoadInsertsObject() const override { return false; }
    [[nodiscard]] platform::ui::Form* DialogOwner() override;
    void RaiseDesignChange() override;
    [[nodiscard]] bool GetSnapGridShow() const override;
    [[nodiscard]] bool GetSnapToGrid() const override;
    [[nodiscard]] bool GetSnapToLines() const override;
    [[nodiscard]] float GetGridSize() const override;
    void SetSnapSettings(bool show, bool toGrid, bool toLines) override;
    [[nodiscard]] TwzRect ClientRect() const override;

private:
    ThvCustomObjectLayer& m_layer;
};

} // namespace design
