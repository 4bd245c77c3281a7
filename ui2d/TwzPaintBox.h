#pragma once

#include "ui2d/TwzVisualObject.h"

/// A visual object whose content comes from its OnPaint handler alone, also when it is
/// painted into another canvas (an effect's picture, a visual brush).
class TwzPaintBox : public TwzVisualObject {
    RTL_CLASS(TwzPaintBox, TwzVisualObject)
public:
    explicit TwzPaintBox(rtl::TComponent* owner);

    /// Called after the object's own painting with the canvas in local coordinates and the
    /// local rectangle. It hides the visual object's OnPaint, which stays unassigned.
    TwzPaintEvent OnPaint;

    void Paint() override;

protected:
    ~TwzPaintBox() override;
};
