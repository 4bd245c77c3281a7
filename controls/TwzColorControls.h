#pragma once

#include "graphics/Colors.h"
#include "platform/rtl/ComponentLink.h"
#include "ui2d/TwzShape.h"

#include <memory>

class TwzBitmap;
class TwzGradient;

/// One ARGB colour over a grey-and-white checkerboard, so that transparency shows. Its
/// colour is the solid colour of its Fill.
class TwzColorBox : public TwzRectangle {
    RTL_CLASS(TwzColorBox, TwzRectangle)
public:
    explicit TwzColorBox(rtl::TComponent* owner);

    [[nodiscard]] TwzColor GetColor() const;
    /// Fill becomes solid in that colour.
    void SetColor(TwzColor value);

    void Paint() override;

protected:
    ~TwzColorBox() override = default;
};

/// The saturation/lightness square of one hue, with an alpha value. Every change writes the
/// composed colour into the linked ColorBox and raises OnChange; a drag or a click with the
/// left button picks saturation (across) and lightness (down).
class TwzColorQuad : public TwzShape {
    RTL_CLASS(TwzColorQuad, TwzShape)
public:
    explicit TwzColorQuad(rtl::TComponent* owner);

    [[nodiscard]] float GetHue() const { return m_hue; }
    void SetHue(float value);
    [[nodiscard]] float GetSat() const { return m_sat; }
    void SetSat(float value);
    [[nodiscard]] float GetLum() const { return m_lum; }
    void SetLum(float value);
    [[nodiscard]] float GetAlpha() const { return m_alpha; }
    /// As the others, but does not repaint the quad.
    void SetAlpha(float value);
    [[nodiscard]] TwzColorBox* GetColorBox() const { return m_colorBox; }
    void SetColorBox(TwzColorBox* value);

    rtl::TNotifyEvent OnChange;

    /// HSLtoRGB(Hue, Sat, Lum) with the alpha byte Round(255 x Alpha).
    [[nodiscard]] TwzColor ComposedColor() const;
    /// The cached square picture, or null before the first paint after a hue change.
    [[nodiscard]] TwzBitmap* GetSquareBitmap() const { return m_square.get(); }

    /// The marker reaches 5 past the square's edges.
    [[nodiscard]] TwzRect GetAbsoluteRect() override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void Paint() override;

protected:
    ~TwzColorQuad() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

private:
    enum class Channel { Hue, Sat, Lum, Alpha };
    void SetChannel(Channel channel, float value);

    rtl::ComponentLink<TwzColorBox> m_colorBox { this };
    std::unique_ptr<TwzBitmap> m_square;
    float m_hue = 0;
    float m_sat = 0;
    float m_lum = 0;
    float m_alpha = 0;
};

/// The vertical hue strip: drives the hue of a linked TwzColorQuad.
class TwzColorPicker : public TwzShape {
    RTL_CLASS(TwzColorPicker, TwzShape)
public:
    explicit TwzColorPicker(rtl::TComponent* owner);

    [[nodiscard]] float GetHue() const { return m_hue; }
    void SetHue(float value);
    [[nodiscard]] TwzColorQuad* GetColorQuad() const { return m_colorQuad; }
    void SetColorQuad(TwzColorQuad* value);

    /// Takes the colour's hue, and gives the quad its alpha, hue, saturation and lightness.
    void SetColor(TwzColor value);

    /// The marker reaches 5 past the strip's sides.
    [[nodiscard]] TwzRect GetAbsoluteRect() override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void Paint() override;

protected:
    ~TwzColorPicker() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

private:
    std::unique_ptr<TwzBitmap> m_strip;
    float m_hue = 0;
    rtl::ComponentLink<TwzColorQuad> m_colorQuad { this };
};

/// A horizontal gradient bar with stop markers under it: a press on the bar adds a stop, a
/// drag moves one, a release more than 10 below the control deletes it. The current stop's
/// colour goes to the linked TwzColorPicker.
class TwzGradientEdit : public TwzVisualObject {
    RTL_CLASS(TwzGradientEdit, TwzVisualObject)
public:
    explicit TwzGradientEdit(rtl::TComponent* owner);

    [[nodiscard]] TwzGradient* GetGradient() const { return m_gradient.get(); }
    [[nodiscard]] int32_t GetCurrentPoint() const { return m_currentPoint; }
    /// On a change: stores, raises OnSelectPoint and shows the stop in the picker.
    void SetCurrentPoint(int32_t value);
    [[nodiscard]] TwzColorPicker* GetColorPicker() const { return m_colorPicker; }
    void SetColorPicker(TwzColorPicker* value);
    /// The current stop's colour into the picker, when both exist.
    void UpdateColorPicker();
    /// The marker rectangle of stop `index`; empty outside the stops.
    [[nodiscard]] TwzRect GetPointRect(int32_t index) const;
    [[nodiscard]] bool GetDeletePending() const { return m_deletePending; }
    [[nodiscard]] bool GetMoving() const { return m_moving; }
    [[nodiscard]] TwzBitmap* GetBarBitmap() const { return m_bar.get(); }

    rtl::TNotifyEvent OnChange;
    rtl::TNotifyEvent OnSelectPoint;

    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void Paint() override;

protected:
    ~TwzGradientEdit() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

private:
    void GradientChanged(rtl::TObject* sender);
    [[nodiscard]] int32_t StopCount() const;

    std::unique_ptr<TwzBitmap> m_bar;
    std::unique_ptr<TwzGradient> m_gradient;
    int32_t m_currentPoint = 0;
    bool m_deletePending = false;
    bool m_moving = false;
    rtl::ComponentLink<TwzColorPicker> m_colorPicker { this };
};
