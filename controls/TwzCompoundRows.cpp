#include "controls/TwzCompoundRows.h"

#include "controls/TwzAngleButton.h"
#include "controls/TwzButtons.h"
#include "controls/TwzNumberBox.h"
#include "controls/TwzTextBox.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzBounds.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Locale.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kRowWidth = 200;
constexpr float kLabelWidth = 70;
constexpr float kLabelGap = 5;
constexpr float kValueLabelWidth = 50;
constexpr float kAngleButtonWidth = 40;
constexpr float kColorButtonWidth = 60;
// More fraction digits than a single-precision value has would only show noise.
constexpr int32_t kMaxDecimalDigits = 20;

#define TWZ_COMPOUND_ROW_ROWS(Cls, RowHeight)                                                                \
    RTL_PROP(TwzVisualObject, Width, Float, 200.0), RTL_PROP(TwzVisualObject, Height, Float, RowHeight),     \
        RTL_PROP_RO(controls::CompoundRow, TextLabel, Class)

constexpr rtl::TPropInfo kTrackRowProps[] = {
    TWZ_COMPOUND_ROW_ROWS(TwzCompoundTrackBar, 20.0),
    RTL_PROP_RO(TwzCompoundTrackBar, TrackBar, Class),
    RTL_PROP_RO(TwzCompoundTrackBar, ValueLabel, Class),
    RTL_PROP(TwzCompoundTrackBar, DecimalDigits, Integer, 2),
    RTL_PROP(TwzCompoundTrackBar, Suffix, WideString, u""),
    RTL_PROP(TwzCompoundTrackBar, Value, Float, rtl::kNoDefault, false),
};

constexpr rtl::TPropInfo kAngleRowProps[] = {
    TWZ_COMPOUND_ROW_ROWS(TwzCompoundAngleBar, 20.0),
    RTL_PROP_RO(TwzCompoundAngleBar, AngleButton, Class),
    RTL_PROP_RO(TwzCompoundAngleBar, ValueLabel, Class),
    RTL_PROP(TwzCompoundAngleBar, Value, Float, rtl::kNoDefault, false),
};

constexpr rtl::TPropInfo kTextRowProps[] = {
    TWZ_COMPOUND_ROW_ROWS(TwzCompoundTextBox, 21.0),
    RTL_PROP_RO(TwzCompoundTextBox, TextBox, Class),
    RTL_PROP(TwzCompoundTextBox, Value, WideString, rtl::kNoDefault, false),
};

constexpr rtl::TPropInfo kMemoRowProps[] = {
    TWZ_COMPOUND_ROW_ROWS(TwzCompoundMemo, 60.0),
    RTL_PROP_RO(TwzCompoundMemo, Memo, Class),
    RTL_PROP(TwzCompoundMemo, Value, WideString, rtl::kNoDefault, false),
};

constexpr rtl::TPropInfo kNumberRowProps[] = {
    TWZ_COMPOUND_ROW_ROWS(TwzCompoundNumberBox, 21.0),
    RTL_PROP_RO(TwzCompoundNumberBox, NumberBox, Class),
    RTL_PROP(TwzCompoundNumberBox, Value, Float, rtl::kNoDefault, false),
};

constexpr rtl::TPropInfo kPopupRowProps[] = {
    TWZ_COMPOUND_ROW_ROWS(TwzCompoundPopupBox, 21.0),
    RTL_PROP_RO(TwzCompoundPopupBox, PopupBox, Class),
    // After the box: its items are read before the index that picks one.
    RTL_PROP(TwzCompoundPopupBox, Value, Integer, rtl::kNoDefault),
};

constexpr rtl::TPropInfo kImageRowProps[] = {
    TWZ_COMPOUND_ROW_ROWS(TwzCompoundImage, 60.0),
    RTL_PROP_RO(TwzCompoundImage, Image, Class),
};

constexpr rtl::TPropInfo kColorRowProps[] = {
    TWZ_COMPOUND_ROW_ROWS(TwzCompoundColorButton, 21.0),
    RTL_PROP_RO(TwzCompoundColorButton, ColorButton, Class),
    RTL_PROP(TwzCompoundColorButton, Value, String, rtl::kNoDefault, false),
};

#define TWZ_COMPOUND_ROW_EVENTS(Cls) RTL_EVENT(Cls, OnChange)

constexpr rtl::TEventInfo kTrackRowEvents[] = { TWZ_COMPOUND_ROW_EVENTS(TwzCompoundTrackBar) };
constexpr rtl::TEventInfo kAngleRowEvents[] = { TWZ_COMPOUND_ROW_EVENTS(TwzCompoundAngleBar) };
constexpr rtl::TEventInfo kTextRowEvents[] = { TWZ_COMPOUND_ROW_EVENTS(TwzCompoundTextBox) };
constexpr rtl::TEventInfo kMemoRowEvents[] = { TWZ_COMPOUND_ROW_EVENTS(TwzCompoundMemo) };
constexpr rtl::TEventInfo kNumberRowEvents[] = { TWZ_COMPOUND_ROW_EVENTS(TwzCompoundNumberBox) };
constexpr rtl::TEventInfo kPopupRowEvents[] = { TWZ_COMPOUND_ROW_EVENTS(TwzCompoundPopupBox) };
constexpr rtl::TEventInfo kImageRowEvents[] = { TWZ_COMPOUND_ROW_EVENTS(TwzCompoundImage) };
constexpr rtl::TEventInfo kColorRowEvents[] = { TWZ_COMPOUND_ROW_EVENTS(TwzCompoundColorButton) };

/// The label beside an editor that shows its value.
TwzValueLabel* MakeValueLabel(controls::CompoundRow& row)
{
    auto* label = new TwzValueLabel(&row);
    label->SetStored(false);
    label->SetLocked(true);
    label->SetName("ValueLabel");
    label->GetPadding()->SetLeft(kLabelGap);
    return label;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzCompoundTrackBar, .props = kTrackRowProps, .events = kTrackRowEvents)
RTL_IMPLEMENT_CLASS(TwzCompoundAngleBar, .props = kAngleRowProps, .events = kAngleRowEvents)
RTL_IMPLEMENT_CLASS(TwzCompoundTextBox, .props = kTextRowProps, .events = kTextRowEvents)
RTL_IMPLEMENT_CLASS(TwzCompoundMemo, .props = kMemoRowProps, .events = kMemoRowEvents)
RTL_IMPLEMENT_CLASS(TwzCompoundNumberBox, .props = kNumberRowProps, .events = kNumberRowEvents)
RTL_IMPLEMENT_CLASS(TwzCompoundPopupBox, .props = kPopupRowProps, .events = kPopupRowEvents)
RTL_IMPLEMENT_CLASS(TwzCompoundImage, .props = kImageRowProps, .events = kImageRowEvents)
RTL_IMPLEMENT_CLASS(TwzCompoundColorButton, .props = kColorRowProps, .events = kColorRowEvents)

// ---- the shared row ----------------------------------------------------------------------------

namespace controls {

CompoundRow::CompoundRow(rtl::TComponent* owner, float height)
    : TwzControl(owner)
{
    auto* label = new TwzLabel(this);
    label->SetStored(false);
    label->SetLocked(true);
    label->SetAlign(vaLeft);
    label->SetName("TextLabel");
    label->SetText(u"Caption");
    label->SetWidth(kLabelWidth);
    label->SetTextAlign(wzTextAlignFar);
    label->SetWordWrap(false);
    label->GetPadding()->SetRight(kLabelGap);
    label->SetParent(this);
    m_textLabel = label;
    SetWidth(kRowWidth);
    SetHeight(height);
}

TwzControl* CompoundRow::AddContainer(TwzAlign align)
{
    auto* container = new TwzControl(this);
    container->SetStored(false);
    container->SetLocked(true);
    container->SetAlign(align);
    container->SetParent(this);
    return container;
}

void CompoundRow::Adopt(TwzVisualObject& part, const std::string& name, TwzObject& parent, TwzAlign align)
{
    part.SetStored(false);
    part.SetLocked(true);
    part.SetName(name);
    part.SetAlign(align);
    part.SetParent(&parent);
}

void CompoundRow::EditorChange(rtl::TObject* sender)
{
    OnChange(sender);
}

} // namespace controls

// ---- TwzCompoundTrackBar -----------------------------------------------------------------------

TwzCompoundTrackBar::TwzCompoundTrackBar(rtl::TComponent* owner)
    : controls::CompoundRow(owner, 20)
{
    auto* track = new TwzTrackBar(this);
    Adopt(*track, "TrackBar", *AddContainer(vaClient), vaVertCenter);
    track->OnChange.Bind<&TwzCompoundTrackBar::TrackChange>(this);
    track->OnTracking.Bind<&TwzCompoundTrackBar::TrackTracking>(this);
    m_trackBar = track;

    TwzControl* right = AddContainer(vaRight);
    right->SetWidth(kValueLabelWidth);
    TwzValueLabel* label = MakeValueLabel(*this);
    label->SetText(u"0");
    label->SetAlign(vaVertCenter);
    label->SetParent(right);
    m_valueLabel = label;
}

float TwzCompoundTrackBar::GetValue() const
{
    return m_trackBar ? m_trackBar->GetValue() : 0;
}

void TwzCompoundTrackBar::SetValue(float value)
{
    const rtl::DispatchGuard held(this);
    if (m_trackBar)
        m_trackBar->SetValue(value);
    RefreshValueLabel();
}

void TwzCompoundTrackBar::SetDecimalDigits(int32_t value)
{
    if (value == m_decimalDigits)
        return;
    m_decimalDigits = value;
    RefreshValueLabel();
}

void TwzCompoundTrackBar::SetSuffix(const std::u16string& value)
{
    if (value == m_suffix)
        return;
    m_suffix = value;
    RefreshValueLabel();
}

std::u16string TwzCompoundTrackBar::ValueText() const
{
    const float value = GetValue();
    const float frequency = m_trackBar ? m_trackBar->GetFrequency() : 0;
    if (frequency != 0 && std::trunc(frequency) == frequency)
        return rtl::Utf8ToUtf16(rtl::IntToStr(rtl::Trunc(value))) + m_suffix;
    const int decimals = std::clamp(m_decimalDigits, 0, kMaxDecimalDigits);
    return rtl::Utf8ToUtf16(
               platform::ui::FormatUserNumber(value, decimals, platform::ui::UserDecimalSeparator()))
        + m_suffix;
}

void TwzCompoundTrackBar::RefreshValueLabel()
{
    if (m_valueLabel)
        m_valueLabel->SetText(ValueText());
}

void TwzCompoundTrackBar::TrackChange(rtl::TObject* sender)
{
    RefreshValueLabel();
    EditorChange(sender);
}

void TwzCompoundTrackBar::TrackTracking(rtl::TObject*)
{
    RefreshValueLabel();
}

// ---- TwzCompoundAngleBar -----------------------------------------------------------------------

TwzCompoundAngleBar::TwzCompoundAngleBar(rtl::TComponent* owner)
    : controls::CompoundRow(owner, 20)
{
    auto* dial = new TwzAngleButton(this);
    dial->SetWidth(kAngleButtonWidth);
    Adopt(*dial, "AngleBar", *AddContainer(vaClient), vaFit);
    dial->OnChange.Bind<&TwzCompoundAngleBar::DialChange>(this);
    m_angleButton = dial;

    TwzControl* right = AddContainer(vaRight);
    right->SetWidth(kValueLabelWidth);
    TwzValueLabel* label = MakeValueLabel(*this);
    label->SetAlign(vaVertCenter);
    label->SetParent(right);
    m_valueLabel = label;
}

float TwzCompoundAngleBar::GetValue() const
{
    return m_angleButton ? m_angleButton->GetValue() : 0;
}

void TwzCompoundAngleBar::SetValue(float value)
{
    const rtl::DispatchGuard held(this);
    if (m_angleButton)
        m_angleButton->SetValue(value);
    RefreshValueLabel();
}

void TwzCompoundAngleBar::RefreshValueLabel()
{
    if (m_valueLabel)
        m_valueLabel->SetText(rtl::Utf8ToUtf16(rtl::IntToStr(rtl::Trunc(GetValue()))) + u"\u00B0");
}

void TwzCompoundAngleBar::DialChange(rtl::TObject* sender)
{
    RefreshValueLabel();
    EditorChange(sender);
}

// ---- TwzCompoundTextBox ------------------------------------------------------------------------

TwzCompoundTextBox::TwzCompoundTextBox(rtl::TComponent* owner)
    : controls::CompoundRow(owner, 21)
{
    auto* box = new TwzTextBox(this);
    Adopt(*box, "TextBox", *AddContainer(vaClient), vaVertCenter);
    box->OnChange.Bind<&TwzCompoundTextBox::EditorChange>(this);
    m_textBox = box;
}

std::u16string TwzCompoundTextBox::GetValue() const
{
    return m_textBox ? m_textBox->GetText() : std::u16string();
}

void TwzCompoundTextBox::SetValue(const std::u16string& value)
{
    if (m_textBox)
        m_textBox->SetText(value);
}

// ---- TwzCompoundMemo ----------------------------------------------------------------------------

TwzCompoundMemo::TwzCompoundMemo(rtl::TComponent* owner)
    : controls::CompoundRow(owner, 60)
{
    auto* memo = new TwzMemo(this);
    Adopt(*memo, "Memo", *this, vaClient);
    memo->OnChange.Bind<&TwzCompoundMemo::EditorChange>(this);
    m_memo = memo;
}

std::u16string TwzCompoundMemo::GetValue() const
{
    return m_memo ? m_memo->GetText() : std::u16string();
}

void TwzCompoundMemo::SetValue(const std::u16string& value)
{
    if (m_memo)
        m_memo->SetText(value);
}

// ---- TwzCompoundNumberBox ----------------------------------------------------------------------

TwzCompoundNumberBox::TwzCompoundNumberBox(rtl::TComponent* owner)
    : controls::CompoundRow(owner, 21)
{
    auto* box = new TwzNumberBox(this);
    Adopt(*box, "NumberBox", *AddContainer(vaClient), vaVertCenter);
    box->OnChange.Bind<&TwzCompoundNumberBox::EditorChange>(this);
    m_numberBox = box;
}

float TwzCompoundNumberBox::GetValue() const
{
    return m_numberBox ? m_numberBox->GetValue() : 0;
}

void TwzCompoundNumberBox::SetValue(float value)
{
    if (m_numberBox)
        m_numberBox->SetValue(value);
}

// ---- TwzCompoundPopupBox -----------------------------------------------------------------------

TwzCompoundPopupBox::TwzCompoundPopupBox(rtl::TComponent* owner)
    : controls::CompoundRow(owner, 21)
{
    auto* box = new TwzPopupBox(this);
    Adopt(*box, "PopupBox", *AddContainer(vaClient), vaVertCenter);
    box->OnChange.Bind<&TwzCompoundPopupBox::EditorChange>(this);
    m_popupBox = box;
}

int32_t TwzCompoundPopupBox::GetValue() const
{
    return m_popupBox ? m_popupBox->GetItemIndex() : -1;
}

void TwzCompoundPopupBox::SetValue(int32_t value)
{
    if (m_popupBox)
        m_popupBox->SetItemIndex(value);
}

// ---- TwzCompoundImage --------------------------------------------------------------------------

TwzCompoundImage::TwzCompoundImage(rtl::TComponent* owner)
    : controls::CompoundRow(owner, 60)
{
    auto* image = new TwzImageControl(this);
    Adopt(*image, "Image", *this, vaClient);
    image->OnChange.Bind<&TwzCompoundImage::EditorChange>(this);
    m_image = image;
}

// ---- TwzCompoundColorButton --------------------------------------------------------------------

TwzCompoundColorButton::TwzCompoundColorButton(rtl::TComponent* owner)
    : controls::CompoundRow(owner, 21)
{
    TwzControl* left = AddContainer(vaLeft);
    left->SetWidth(kColorButtonWidth);
    auto* button = new TwzColorButton(this);
    Adopt(*button, "ColorButton", *left, vaVertCenter);
    button->OnChange.Bind<&TwzCompoundColorButton::EditorChange>(this);
    m_colorButton = button;
}

std::string TwzCompoundColorButton::GetValue() const
{
    return m_colorButton ? m_colorButton->GetColor() : std::string();
}

void TwzCompoundColorButton::SetValue(const std::string& value)
{
    if (m_colorButton)
        m_colorButton->SetColor(value);
}
