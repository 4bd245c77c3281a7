#pragma once

#include "controls/TwzTextBox.h"
#include "platform/rtl/Component.h"

#include <cstdint>
#include <string>

class TwzCustomButton;

/// How a number box writes its value as text.
enum TwzValueType : uint8_t { wzValueInteger, wzValueFloat };
RTL_ENUM(TwzValueType, "wzValueInteger", "wzValueFloat");

namespace controls {

/// What the number box and the spin box share: a single-precision value kept within [Min,
/// Max] by its setter and shown as text in the user's decimal notation, the text parsed back
/// when the user commits it, Up and Down stepping the value. Not a class of its own in the
/// registry: both boxes descend from the text box there.
class NumberTextBox : public TwzTextBox {
public:
    [[nodiscard]] float GetValue() const { return m_value; }
    /// On a change: stored, limited to Max and then Min, shown; raises nothing.
    void SetValue(float value);
    [[nodiscard]] float GetMin() const { return m_min; }
    /// Stores only: the value is limited at its next change.
    void SetMin(float value) { m_min = value; }
    [[nodiscard]] float GetMax() const { return m_max; }
    void SetMax(float value) { m_max = value; }
    [[nodiscard]] TwzValueType GetValueType() const { return m_valueType; }
    [[nodiscard]] int32_t GetDecimalDigits() const { return m_decimalDigits; }
    void SetDecimalDigits(int32_t value) { m_decimalDigits = value; }

    /// The text the value setter shows for `value`: the whole part for a whole number or an
    /// integer box, else DecimalDigits fraction digits.
    [[nodiscard]] std::u16string ValueText(float value) const;
    /// The text a commit leaves: the whole part for a whole number or an integer box, else
    /// up to 15 significant digits of the single-precision value, trailing zeros dropped.
    [[nodiscard]] std::u16string CommittedText(float value) const;

    /// Parses the text in the user's notation and limits it; text that is no number gives
    /// the current value back. Then the text box's commit.
    void Change() override;
    [[nodiscard]] rtl::TValue GetData() override;
    void SetData(const rtl::TValue& value) override;
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;

protected:
    explicit NumberTextBox(rtl::TComponent* owner);
    ~NumberTextBox() override = default;

    /// The step of Up and Down.
    [[nodiscard]] virtual float KeyStep() const = 0;
    void StoreValueType(TwzValueType value) { m_valueType = value; }

private:
    float m_value = 0;
    float m_min = 0;
    float m_max = 10;
    TwzValueType m_valueType = wzValueInteger;
    int32_t m_decimalDigits = 2;
};

} // namespace controls

// A number that the arrow keys step by HorzIncrement and that dragging the pointer across the
// box changes, one step per move event: HorzIncrement for a mostly horizontal move,
// VertIncrement for a mostly vertical one (up and right increase). The drag runs while the
// left button is held: a move without it ends the drag like a release. A bar at the right or
// bottom edge shows the drag; its end commits like Enter.
class TwzNumberBox : public controls::NumberTextBox {
    RTL_CLASS(TwzNumberBox, TwzTextBox)
public:
    explicit TwzNumberBox(rtl::TComponent* owner);

    void SetValueType(TwzValueType value) { StoreValueType(value); }
    [[nodiscard]] float GetHorzIncrement() const { return m_horzIncrement; }
    void SetHorzIncrement(float value) { m_horzIncrement = value; }
    [[nodiscard]] float GetVertIncrement() const { return m_vertIncrement; }
    void SetVertIncrement(float value) { m_vertIncrement = value; }
    [[nodiscard]] bool GetDragging() const { return m_dragging; }
    [[nodiscard]] bool GetVerticalDrag() const { return m_verticalDrag; }

    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void PaintChildren() override;

protected:
    ~TwzNumberBox() override = default;

    [[nodiscard]] float KeyStep() const override { return m_horzIncrement; }

private:
    /// Ends a drag: the capture goes and the value is committed.
    void EndDrag();

    TwzPoint m_lastDragPoint {};
    float m_horzIncrement = 1;
    float m_vertIncrement = 5;
    bool m_dragging = false;
    bool m_verticalDrag = false;
};

// A number stepped by Increment through the arrow keys and the style's buttons "minusbutton"
// and "plusbutton" (any custom button; a style without them leaves the keys).
class TwzSpinBox : public controls::NumberTextBox {
    RTL_CLASS(TwzSpinBox, TwzTextBox)
public:
    explicit TwzSpinBox(rtl::TComponent* owner);

    /// Switching to whole numbers makes a fractional Increment 1.
    void SetValueType(TwzValueType value);
    [[nodiscard]] float GetIncrement() const { return m_increment; }
    void SetIncrement(float value) { m_increment = value; }

    void ApplyStyle() override;
    void FreeStyle() override;

protected:
    ~TwzSpinBox() override = default;

    [[nodiscard]] float KeyStep() const override { return m_increment; }

private:
    void MinusClick(rtl::TObject*);
    void PlusClick(rtl::TObject*);

    rtl::Watch<TwzCustomButton> m_minusButton;
    rtl::Watch<TwzCustomButton> m_plusButton;
    float m_increment = 1;
};

class TwzHudNumberBox : public TwzNumberBox {
    RTL_CLASS(TwzHudNumberBox, TwzNumberBox)
public:
    using TwzNumberBox::TwzNumberBox;

protected:
    ~TwzHudNumberBox() override = default;
};

class TwzHudSpinBox : public TwzSpinBox {
    RTL_CLASS(TwzHudSpinBox, TwzSpinBox)
public:
    using TwzSpinBox::TwzSpinBox;

protected:
    ~TwzHudSpinBox() override = default;
};
