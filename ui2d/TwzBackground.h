#pragma once

#include "graphics/TwzBrush.h"
#include "ui2d/TwzControl.h"

#include <memory>

/// The usual root of a scene and the root of the built-in style. With a Fill other than
/// wzBrushNone it paints the fill over its whole rectangle instead of its style copy; the
/// root of a transparent host paints neither.
class TwzBackground : public TwzControl {
    RTL_CLASS(TwzBackground, TwzControl)
public:
    explicit TwzBackground(rtl::TComponent* owner);

    // Published.
    /// Owned; created with wzBrushNone and #FFE0E0E0. Never null.
    [[nodiscard]] TwzBrush* GetFill() const { return m_fill.get(); }
    /// Copies `value` (Assign); null is ignored.
    void SetFill(const TwzBrush* value);

    void Paint() override;
    void PaintChildren() override;

protected:
    ~TwzBackground() override;
    /// Called on every change of Fill; repaints.
    virtual void FillChanged();

private:
    void FillChangedEvent(rtl::TObject* sender);

    std::unique_ptr<TwzBrush> m_fill;
};
