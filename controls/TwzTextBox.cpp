#include "controls/TwzTextBox.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBrushObject.h"
#include "ui2d/TwzContent.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int32_t kIBeamCursor = -4;
constexpr float kCaretHeightPerPoint = 1.25f;

constexpr rtl::TPropInfo kTextBoxProps[] = {
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP(TwzControl, TabOrder, Integer, -1),
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, true),
    RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),
    RTL_PROP(TwzVisualObject, Cursor, Integer, kIBeamCursor).WithTypeName("TCursor"),
    RTL_PROP(TwzVisualObject, Width, Float, 100.0),
    RTL_PROP(TwzVisualObject, Height, Float, 21.0),
    RTL_PROP(TwzTextBox, Text, WideString, u""),
    RTL_PROP(TwzTextBox, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzTextBox, TextAlign, Enum, wzTextAlignNear),
    RTL_PROP(TwzTextBox, Password, Boolean, false),
    RTL_PROP(TwzTextBox, ReadOnly, Boolean, false),
};

constexpr rtl::TEventInfo kTextBoxEvents[] = {
    RTL_EVENT(TwzTextBox, OnChange),
    RTL_EVENT(TwzTextBox, OnChangeTracking),
    RTL_EVENT(TwzTextBox, OnTyping),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzTextBox, .props = kTextBoxProps, .events = kTextBoxEvents)
RTL_IMPLEMENT_CLASS(TwzRoundTextBox)
RTL_IMPLEMENT_CLASS(TwzHudTextBox)
RTL_IMPLEMENT_CLASS(TwzHudRoundTextBox)

TwzTextBox::TwzTextBox(rtl::TComponent* owner)
    : TwzControl(owner)
    , controls::TextEditor(static_cast<rtl::TComponent&>(*this))
    , m_fontFill(std::make_unique<TwzBrush>(wzBrushSolid, 0xFF000000))
    , m_font(std::make_unique<TwzFont>())
    , m_selectionFill(std::make_unique<TwzBrush>(wzBrushSolid, 0x802A8ADF))
{
    m_font->OnChanged.Bind<&TwzTextBox::FontChangedEvent>(this);
    SetCanFocused(true);
    SetCursor(kIBeamCursor);
    SetAutoCapture(true);
    SetWidth(100);
    SetHeight(21);
}

TwzTextBox::~TwzTextBox() = default;

// ---- properties ------------------------------------------------------------------------------

void TwzTextBox::SetText(const std::u16string& value)
{
    if (value == GetText())
        return;
    StoreText(value);
    if (GetCaretPosition() > static_cast<int32_t>(value.size()))
        SetCaretPosition(static_cast<int32_t>(value.size()));
    const rtl::DispatchGuard held(this);
    if (!IsLoading())
        OnChangeTracking(this);
    SetModified(true);
    InvalidateObject();
}

void TwzTextBox::StoreShownText(const std::u16string& value)
{
    StoreText(value);
    if (GetCaretPosition() > static_cast<int32_t>(value.size()))
        StoreCaret(static_cast<int32_t>(value.size()));
    InvalidateObject();
}

void TwzTextBox::SetFont(TwzFont* value)
{
    if (value)
        m_font->Assign(*value);
}

void TwzTextBox::SetTextAlign(TwzTextAlign value)
{
    if (value == m_textAlign)
        return;
    m_textAlign = value;
    InvalidateObject();
}

void TwzTextBox::SetPassword(bool value)
{
    if (value == GetPassword())
        return;
    StorePassword(value);
    InvalidateObject();
}

void TwzTextBox::FontChanged()
{
    InvalidateObject();
}

// ---- commit and bound values -----------------------------------------------------------------

void TwzTextBox::Change()
{
    if (!GetModified())
        return;
    const rtl::DispatchGuard held(this);
    if (!BoundControls().empty())
        UpdateBinding();
    OnChange(this);
}

rtl::TValue TwzTextBox::GetData()
{
    return GetText();
}

void TwzTextBox::SetData(const rtl::TValue& value)
{
    if (VariantIsMethod(value)) {
        OnChange = VariantToMethod<rtl::TNotifyEvent>(value);
        return;
    }
    SetText(rtl::Utf8ToUtf16(ui2d::VariantToText(value)));
}

void TwzTextBox::Typing()
{
    OnTyping(this);
}

// ---- style and painting ----------------------------------------------------------------------

void TwzTextBox::ApplyStyle()
{
    Inherited::ApplyStyle();
    if (auto* content = dynamic_cast<TwzContent*>(FindResource("content")))
        content->OnPaint.Bind<&TwzTextBox::PaintText>(this);
    if (auto* foreground = dynamic_cast<TwzBrushObject*>(FindResource("foreground"));
        foreground && foreground->GetBrush())
        m_fontFill->Assign(*foreground->GetBrush());
    if (auto* selection = dynamic_cast<TwzBrushObject*>(FindResource("selection"));
        selection && selection->GetBrush())
        m_selectionFill->Assign(*selection->GetBrush());
    InvalidateObject();
}

TwzRect TwzTextBox::ContentRect()
{
    auto* content = dynamic_cast<TwzVisualObject*>(FindResource("content"));
    if (!content)
        return GetLocalRect();
    const TwzRect local = content->GetLocalRect();
    const TwzPoint topLeft = AbsoluteToLocal(content->LocalToAbsolute({ local.Left, local.Top }));
    const TwzPoint bottomRight = AbsoluteToLocal(content->LocalToAbsolute({ local.Right, local.Bottom }));
    return { topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y };
}

float TwzTextBox::MeasureWidth(std::u16string_view text)
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas || text.empty())
        return 0;
    // The canvas is shared with everything the host paints: its font comes back afterwards.
    TwzFont saved;
    saved.Assign(canvas->GetFont());
    canvas->GetFont().Assign(*m_font);
    const TwzRect content = ContentRect();
    TwzRect r { content.Left, content.Top, 10000, content.Bottom };
    const TwzRect clip = r;
    canvas->MeasureText(r, clip, text, false, wzTextAlignNear, wzTextAlignCenter);
    canvas->GetFont().Assign(saved);
    return std::max(0.0f, r.Right - content.Left);
}

controls::TextEditFrame TwzTextBox::EditFrame()
{
    const TwzRect content = ContentRect();
    return { content.Left, RectWidth(content), m_textAlign };
}

void TwzTextBox::CaretMoved()
{
    if (!GetIsFocused() || !m_showCaret)
        return;
    const TwzRect content = ContentRect();
    const float height = kCaretHeightPerPoint * m_font->GetSize();
    SetCaretSize({ 2, height });
    SetCaretPos({ GetCharX(GetCaretPosition()) - 1, (content.Top + content.Bottom - height) / 2 });
    SetCaretColor(m_fontFill->GetSolidColor());
}

void TwzTextBox::PaintText(rtl::TObject* sender, TwzCanvas* canvas, const TwzRect& rect)
{
    auto* part = dynamic_cast<TwzVisualObject*>(sender);
    if (!canvas || !part)
        return;
    auto toPart = [&](const TwzPoint& p) { return part->AbsoluteToLocal(LocalToAbsolute(p)); };
    const float opacity = GetAbsoluteOpacity();
    canvas->GetFont().Assign(*m_font);
    canvas->GetFill().Assign(*m_fontFill);
    if (!GetPassword()) {
        TwzRect r = rect;
        if (m_textAlign == wzTextAlignNear)
            r.Right += m_font->GetSize() / 2;
        canvas->FillText(r, r, VisibleText(), false, opacity, m_textAlign, wzTextAlignCenter);
    } else {
        // The dots start where the caret's x puts the first visible character, so that they
        // line up with the caret however far the line is scrolled.
        const float pitch = CharWidth();
        const float side = pitch - 1;
        if (side > 0) {
            const int32_t count = static_cast<int32_t>(VisibleText().size());
            const float top = (rect.Top + rect.Bottom - side) / 2;
            float x = toPart({ GetCharX(GetFirstVisible() - 1), 0 }).X;
            for (int32_t i = 0; i < count && x < rect.Right; ++i) {
                canvas->FillEllipse({ x, top, x + side, top + side }, opacity);
                x += pitch;
            }
        }
    }
    if (GetIsFocused() && GetSelLength() > 0) {
        canvas->GetFill().Assign(*m_selectionFill);
        const TwzRect content = ContentRect();
        const TwzPoint from = toPart({ GetCharX(GetSelStart()), content.Top });
        const int64_t end = std::min<int64_t>(int64_t(GetSelStart()) + GetSelLength(), INT32_MAX);
        const TwzPoint to = toPart({ GetCharX(static_cast<int32_t>(end)) + 1, content.Bottom });
        canvas->FillRect({ from.X, from.Y, to.X, to.Y }, 0, 0, {}, opacity);
    }
}

// ---- input -------------------------------------------------------------------------------------

void TwzTextBox::DblClick()
{
    Inherited::DblClick();
    SelectAll();
}

void TwzTextBox::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    if (button != TMouseButton::Left)
        return;
    EditMouseDown(x, shift.Has(platform::ui::ShiftFlag::Double));
}

void TwzTextBox::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    EditMouseMove(x);
}

void TwzTextBox::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    EditMouseUp();
}

void TwzTextBox::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    Inherited::KeyDown(key, keyChar, shift);
    EditKeyDown(key, keyChar, shift);
}

void TwzTextBox::ContextMenu(const TwzPoint& point)
{
    rtl::Watch<TwzTextBox> self(this);
    Inherited::ContextMenu(point);
    if (!self)
        return;
    IwzScene* scene = GetScene();
    if (scene && scene->GetDesignTime())
        return;
    PopupEditMenu(point);
}

void TwzTextBox::EnterFocus()
{
    Inherited::EnterFocus();
    SetModified(false);
    if (m_showCaret)
        ShowCaret();
    SelectAll();
}

void TwzTextBox::KillFocus()
{
    if (m_showCaret)
        HideCaret();
    Inherited::KillFocus();
    Change();
}
