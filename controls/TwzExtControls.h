#pragma once

#include "controls/TwzButtons.h"
#include "controls/TwzTextControl.h"

#include <memory>
#include <string>

class TwzBrush;

/// A drop zone: it accepts whatever is dragged over it and reports the drop through
/// OnDroped. Filter is stored for its users; the control itself does not read it.
class TwzDropTarget : public TwzTextControl {
    RTL_CLASS(TwzDropTarget, TwzTextControl)
public:
    explicit TwzDropTarget(rtl::TComponent* owner);

    [[nodiscard]] const std::string& GetFilter() const { return m_filter; }
    void SetFilter(const std::string& value) { m_filter = value; }

    TwzDragDropEvent OnDroped;

    void DragOver(const TwzDragObject& data, const TwzPoint& point, bool& accept) override;
    void DragDrop(const TwzDragObject& data, const TwzPoint& point) override;

protected:
    ~TwzDropTarget() override = default;

private:
    std::string m_filter;
};

/// Graph-paper lines from the centre outwards every Frequency units: the axes 2 units thick,
/// every Marks-th line in full colour, the others faint.
class TwzPlotGrid : public TwzVisualObject {
    RTL_CLASS(TwzPlotGrid, TwzVisualObject)
public:
    explicit TwzPlotGrid(rtl::TComponent* owner);

    [[nodiscard]] float GetMarks() const { return m_marks; }
    void SetMarks(float value);
    [[nodiscard]] float GetFrequency() const { return m_frequency; }
    /// Values below 0.001 become 0.001.
    void SetFrequency(float value);
    [[nodiscard]] TwzBrush* GetLineFill() const { return m_lineFill.get(); }
    void SetLineFill(TwzBrush* value);

    void Paint() override;

protected:
    ~TwzPlotGrid() override;

private:
    void LineFillChanged(rtl::TObject*) { InvalidateObject(); }

    float m_marks = 25;
    float m_frequency = 5;
    std::unique_ptr<TwzBrush> m_lineFill;
};

/// A bitmap button whose style's part "background" (a shape) is filled with Background.
class TwzIPhoneButton : public TwzBitmapButton {
    RTL_CLASS(TwzIPhoneButton, TwzBitmapButton)
public:
    explicit TwzIPhoneButton(rtl::TComponent* owner);

    [[nodiscard]] TwzBrush* GetBackground() const { return m_background.get(); }
    /// Copies the brush.
    void SetBackground(TwzBrush* value);

    void ApplyStyle() override;

protected:
    ~TwzIPhoneButton() override;

private:
    void BackgroundChanged(rtl::TObject*);

    std::unique_ptr<TwzBrush> m_background;
};
