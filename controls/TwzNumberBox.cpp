#include "controls/TwzNumberBox.h"

#include "controls/TwzButtons.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCorners.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Locale.h"
#include "ui2d/Library2D.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

namespace vk = platform::ui::vk;

constexpr uint32_t kDragBarColor = 0xAA505050;
constexpr float kDragBarThickness = 5;
// More fraction digits than a single-precision value has would only show noise.
constexpr int32_t kMaxDecimalDigits = 20;

#define TWZ_NUMBER_BOX_ROWS                                                                                  \
    RTL_PROP(TwzTextBox, Text, WideString, u"", false),                                                      \
        RTL_PROP(controls::NumberTextBox, Min, Float, rtl::kNoDefault),                                      \
        RTL_PROP(controls::NumberTextBox, Max, Float, rtl::kNoDefault),                                      \
        RTL_PROP(controls::NumberTextBox, DecimalDigits, Integer, 2),                                        \
        RTL_PROP(TwzTextBox, ShowCaret, Boolean, true)

constexpr rtl::TPropInfo kNumberBoxProps[] = {
    TWZ_NUMBER_BOX_ROWS,
    RTL_PROP(TwzNumberBox, ValueType, Enum, rtl::kNoDefault),
    RTL_PROP(TwzNumberBox, HorzIncrement, Float, rtl::kNoDefault),
    RTL_PROP(TwzNumberBox, VertIncrement, Float, rtl::kNoDefault),
    // Last: a stored value is limited by the Min and Max read before it.
    RTL_PROP(controls::NumberTextBox, Value, Float, rtl::kNoDefault),
};

constexpr rtl::TPropInfo kSpinBoxProps[] = {
    TWZ_NUMBER_BOX_ROWS,
    RTL_PROP(TwzSpinBox, ValueType, Enum, rtl::kNoDefault),
    RTL_PROP(TwzSpinBox, Increment, Float, rtl::kNoDefault),
    RTL_PROP(TwzTextBox, TextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(controls::NumberTextBox, Value, Float, rtl::kNoDefault),
};

bool IsWhole(float value)
{
    return std::trunc(value) == value;
}

/// The whole part of a value as digits. A float reaches far beyond 64-bit integers (3.4E38),
/// where Trunc would saturate and show 9223372036854775807 for 1E30. Adding zero turns the
/// whole part of -0.5 into 0, never "-0".
std::u16string WholeText(float value)
{
    return rtl::Utf8ToUtf16(rtl::FormatFixed(std::trunc(static_cast<double>(value)) + 0.0, 0));
}

/// Exponent notation with up to 15 significant digits and no trailing zeros ("1.5E-7").
std::string ExponentText(double value)
{
    char buffer[64];
    const auto [ptr, ec]
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    std::string text = ec == std::errc() ? std::string(buffer, ptr) : rtl::FormatShortest(value);
    const size_t e = text.find('e');
    if (e == std::string::npos)
        return text;
    std::string mantissa = text.substr(0, e);
    if (mantissa.find('.') != std::string::npos) {
        while (!mantissa.empty() && mantissa.back() == '0')
            mantissa.pop_back();
        if (!mantissa.empty() && mantissa.back() == '.')
            mantissa.pop_back();
    }
    const int exponent = std::atoi(text.c_str() + e + 1);
    return mantissa + "E" + std::to_string(exponent);
}

/// The general text of a committed value, with "." as the separator.
std::string GeneralText(float single)
{
    const double value = single;
    if (value == 0)
        return "0";
    const double magnitude = std::fabs(value);
    if (magnitude < 0.00001 || magnitude >= 1e15 || !std::isfinite(value))
        return ExponentText(value);
    std::string text = rtl::FormatFixed(value, 10);
    int digits = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            continue;
        if (++digits == 15) {
            text.resize(i + 1);
            break;
        }
    }
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

std::u16string WithUserSeparator(const std::string& text)
{
    std::string shown = text;
    const size_t dot = shown.find('.');
    if (dot != std::string::npos)
        shown.replace(dot, 1, platform::ui::UserDecimalSeparator());
    return rtl::Utf8ToUtf16(shown);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzNumberBox, .props = kNumberBoxProps)
RTL_IMPLEMENT_CLASS(TwzSpinBox, .props = kSpinBoxProps)
RTL_IMPLEMENT_CLASS(TwzHudNumberBox)
RTL_IMPLEMENT_CLASS(TwzHudSpinBox)

// ---- the shared number model -------------------------------------------------------------------

namespace controls {

NumberTextBox::NumberTextBox(rtl::TComponent* owner)
    : TwzTextBox(owner)
{
    m_decimalDigits = 2;
    SetFilter(u"0123456789.,-+");
    m_max = 10;
    SetText(u"0");
    SetValue(0);
}

std::u16string NumberTextBox::ValueText(float value) const
{
    if (IsWhole(value) || m_valueType == wzValueInteger)
        return WholeText(value);
    const int decimals = std::clamp(m_decimalDigits, 0, kMaxDecimalDigits);
    return rtl::Utf8ToUtf16(
        platform::ui::FormatUserNumber(value, decimals, platform::ui::UserDecimalSeparator()));
}

std::u16string NumberTextBox::CommittedText(float value) const
{
    if (IsWhole(value) || m_valueType == wzValueInteger)
        return WholeText(value);
    return WithUserSeparator(GeneralText(value));
}

void NumberTextBox::SetValue(float value)
{
    // Not a number has no place between the limits and would show as "nan".
    if (value == m_value || std::isnan(value))
        return;
    m_value = value;
    if (m_value > m_max)
        m_value = m_max;
    if (m_value < m_min)
        m_value = m_min;
    StoreShownText(ValueText(m_value));
    StoreSelection(RawSelStart(), 0);
    InvalidateObject();
}

void NumberTextBox::Change()
{
    const std::string typed = rtl::Utf16ToUtf8(GetText());
    if (std::optional<double> parsed
        = platform::ui::ParseUserNumber(typed, platform::ui::UserDecimalSeparator())) {
        double limited = *parsed;
        if (limited > m_max)
            limited = m_max;
        if (limited < m_min)
            limited = m_min;
        m_value = static_cast<float>(limited);
    }
    StoreShownText(CommittedText(m_value));
    InvalidateObject();
    TwzTextBox::Change();
}

rtl::TValue NumberTextBox::GetData()
{
    return double(m_value);
}

void NumberTextBox::SetData(const rtl::TValue& value)
{
    if (VariantIsMethod(value)) {
        OnChange = VariantToMethod<rtl::TNotifyEvent>(value);
        return;
    }
    std::optional<double> number = rtl::FromValue<double>(value);
    if (!number)
        number = rtl::TryStrToFloat(ui2d::VariantToText(value));
    if (number)
        SetValue(static_cast<float>(*number));
}

void NumberTextBox::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    if (key == vk::kUp || key == vk::kDown) {
        SetValue(key == vk::kUp ? m_value + KeyStep() : m_value - KeyStep());
        key = 0;
        return;
    }
    TwzTextBox::KeyDown(key, keyChar, shift);
}

} // namespace controls

// ---- TwzNumberBox ------------------------------------------------------------------------------

TwzNumberBox::TwzNumberBox(rtl::TComponent* owner)
    : controls::NumberTextBox(owner)
{
    m_vertIncrement = 5;
    m_horzIncrement = 1;
    SetAutoCapture(true);
}

void TwzNumberBox::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    TwzTextBox::MouseDown(button, shift, x, y);
    if (button != TMouseButton::Left)
        return;
    m_dragging = true;
    m_lastDragPoint = { x, y };
    m_verticalDrag = false;
}

void TwzNumberBox::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    TwzTextBox::MouseMove(shift, x, y, deltaX, deltaY);
    if (!m_dragging)
        return;
    if (!shift.Has(platform::ui::ShiftFlag::Left)) {
        // The button went up where this box did not hear of it: the drag ends as a release
        // would end it, and the move changes nothing.
        EndDrag();
        return;
    }
    const float h = x - m_lastDragPoint.X;
    const float v = y - m_lastDragPoint.Y;
    if (h == 0 && v == 0)
        return;
    if (std::fabs(h) < std::fabs(v)) {
        SetValue(y >= m_lastDragPoint.Y ? GetValue() - m_vertIncrement : GetValue() + m_vertIncrement);
        m_verticalDrag = true;
    } else {
        SetValue(x <= m_lastDragPoint.X ? GetValue() - m_horzIncrement : GetValue() + m_horzIncrement);
        m_verticalDrag = false;
    }
    SetModified(true);
    m_lastDragPoint = { x, y };
    InvalidateObject();
}

void TwzNumberBox::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    TwzTextBox::MouseUp(button, shift, x, y);
    if (m_dragging)
        EndDrag();
}

void TwzNumberBox::EndDrag()
{
    const rtl::DispatchGuard held(this);
    m_dragging = false;
    ReleaseCapture();
    Change();
    InvalidateObject();
}

void TwzNumberBox::PaintChildren()
{
    TwzTextBox::PaintChildren();
    TwzCanvas* canvas = m_dragging ? GetCanvas() : nullptr;
    if (!canvas)
        return;
    canvas->SetMatrix(GetAbsoluteMatrix());
    canvas->GetFill().SetStyle(wzBrushSolid);
    canvas->GetFill().SetSolidColor(kDragBarColor);
    TwzRect r = GetLocalRect();
    r = { r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1 };
    if (m_verticalDrag)
        r.Left = r.Right - kDragBarThickness;
    else
        r.Top = r.Bottom - kDragBarThickness;
    canvas->FillRect(r, 1, 1, AllCorners, GetAbsoluteOpacity());
}

// ---- TwzSpinBox --------------------------------------------------------------------------------

TwzSpinBox::TwzSpinBox(rtl::TComponent* owner)
    : controls::NumberTextBox(owner)
{
    SetTextAlign(wzTextAlignCenter);
    m_increment = 1;
}

void TwzSpinBox::SetValueType(TwzValueType value)
{
    if (value == GetValueType())
        return;
    StoreValueType(value);
    if (value == wzValueInteger && !IsWhole(m_increment))
        m_increment = 1;
}

void TwzSpinBox::ApplyStyle()
{
    TwzTextBox::ApplyStyle();
    m_minusButton = dynamic_cast<TwzCustomButton*>(FindResource("minusbutton"));
    m_plusButton = dynamic_cast<TwzCustomButton*>(FindResource("plusbutton"));
    if (m_minusButton)
        m_minusButton->OnClick.Bind<&TwzSpinBox::MinusClick>(this);
    if (m_plusButton)
        m_plusButton->OnClick.Bind<&TwzSpinBox::PlusClick>(this);
}

void TwzSpinBox::FreeStyle()
{
    TwzTextBox::FreeStyle();
    m_minusButton = nullptr;
    m_plusButton = nullptr;
}

void TwzSpinBox::MinusClick(rtl::TObject*)
{
    FocusObject();
    SetValue(GetValue() - m_increment);
}

void TwzSpinBox::PlusClick(rtl::TObject*)
{
    FocusObject();
    SetValue(GetValue() + m_increment);
}
