// The scroll box: a content object moved under the style's viewport by two scroll bars, the
// wheel and mouse tracking; its thin, vertical and framed variants.

#include "controls/TwzScrollBox.h"

#include "controls/TwzScrollBars.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/TwzPropertyAnimations.h"

#include <cmath>

namespace {

constexpr rtl::TPropInfo kScrollBoxProps[] = {
    RTL_PROP(TwzScrollBox, AutoHide, Boolean, true),
    RTL_PROP(TwzScrollBox, Animated, Boolean, true),
    RTL_PROP(TwzScrollBox, DisableMouseWheel, Boolean, false),
    RTL_PROP(TwzScrollBox, MouseTracking, Boolean, false),
    RTL_PROP(TwzScrollBox, ShowScrollBars, Boolean, true),
    RTL_PROP(TwzScrollBox, ShowSizeGrip, Boolean, false),
    RTL_PROP(TwzScrollBox, UseSmallScrollBars, Boolean, false),
};

/// Wheel steps and flings glide to their end over this time.
constexpr float kScrollAnimationDuration = 0.7f;
/// The fling after mouse tracking goes this many times the last movement further.
constexpr float kFlingFactor = 7;
/// One notch of the wheel scrolls this many small changes.
constexpr float kWheelSmallChanges = 3;

TwzRect UnionRect(const TwzRect& a, const TwzRect& b)
{
    return { std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
        std::max(a.Bottom, b.Bottom) };
}

TwzRect OffsetRect(const TwzRect& r, float dx, float dy)
{
    return { r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy };
}

/// The part `name` of the control's style when it is a scroll bar.
TwzScrollBar* BarPart(TwzControl& control, const char* name)
{
    return dynamic_cast<TwzScrollBar*>(control.FindResource(name));
}

void HidePart(TwzControl& control, const char* name)
{
    if (TwzObject* part = control.FindResource(name))
        if (TwzVisualObject* visual = part->AsVisual())
            visual->SetVisible(false);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzScrollContent)
RTL_IMPLEMENT_CLASS(TwzScrollBox, .props = kScrollBoxProps)
RTL_IMPLEMENT_CLASS(TwzVertScrollBox)
RTL_IMPLEMENT_CLASS(TwzFramedScrollBox)
RTL_IMPLEMENT_CLASS(TwzFramedVertScrollBox)

// ---- TwzScrollContent -----------------------------------------------------------------------

TwzScrollContent::TwzScrollContent(rtl::TComponent* owner)
    : TwzContent(owner)
{
    SetClipChildren(true);
}

TwzScrollBox* TwzScrollContent::Box() const
{
    return dynamic_cast<TwzScrollBox*>(GetParent());
}

TwzRect TwzScrollContent::GetClipRect()
{
    TwzScrollBox* box = Box();
    TwzVisualObject* part = box ? box->GetContentPart() : nullptr;
    if (!part)
        return Inherited::GetClipRect();
    TwzRect r = part->GetLocalRect();
    if (TwzScrollBar* bar = box->GetVScrollBar(); bar && bar->GetEnabled())
        r = OffsetRect(r, 0, bar->GetValue());
    if (TwzScrollBar* bar = box->GetHScrollBar(); bar && bar->GetEnabled())
        r = OffsetRect(r, bar->GetValue(), 0);
    return r;
}

TwzVisualObject* TwzScrollContent::FindObjectAt(float x, float y)
{
    TwzVisualObject* found = Inherited::FindObjectAt(x, y);
    if (!found)
        return nullptr;
    const TwzPoint p = AbsoluteToLocal({ x, y });
    const TwzRect clip = GetClipRect();
    if (p.X < clip.Left || p.X > clip.Right || p.Y < clip.Top || p.Y > clip.Bottom)
        return nullptr;
    return found;
}

void TwzScrollContent::Paint()
{
    Inherited::Paint();
    TwzCanvas* canvas = GetCanvas();
    TwzScrollBox* box = Box();
    if (!canvas || !box || !box->GetContentPart())
        return;
    const int32_t state = canvas->SaveState();
    struct Restore {
        TwzCanvas& canvas;
        int32_t state;
        ~Restore() { canvas.RestoreState(state); }
    } restore { *canvas, state };
    canvas->SetMatrix(GetAbsoluteMatrix());
    canvas->IntersectClipRect(GetClipRect());
    box->PaintContent(*canvas, GetLocalRect());
}

// ---- TwzScrollBox ---------------------------------------------------------------------------

TwzScrollBox::TwzScrollBox(rtl::TComponent* owner)
    : TwzControl(owner)
{
    auto* content = new TwzScrollContent(this);
    m_content = content;
    content->SetParent(this);
    content->SetStoredRecursive(false);
    content->SetLocked(true);
    content->SetHitTest(false);
    SetAutoCapture(true);
    // Effects placed directly in a scroll box would have to render its whole content.
    SetDisableEffect(true);
}

void TwzScrollBox::BeforeDestruction()
{
    m_content = nullptr;
    Inherited::BeforeDestruction();
}

TwzScrollBox* TwzScrollBox::EnclosingBox(const TwzObject* object)
{
    TwzObject* parent = object ? object->GetParent() : nullptr;
    if (auto* box = dynamic_cast<TwzScrollBox*>(parent))
        return box;
    if (dynamic_cast<TwzScrollContent*>(parent))
        return dynamic_cast<TwzScrollBox*>(parent->GetParent());
    return nullptr;
}

void TwzScrollBox::AddObject(TwzObject* child)
{
    TwzScrollContent* content = m_content.Get();
    if (content && child != content && child != GetAppliedStyle())
        content->AddObject(child);
    else
        Inherited::AddObject(child);
}

// ---- published setters ----------------------------------------------------------------------

void TwzScrollBox::SetShowScrollBars(bool value)
{
    if (value == m_showScrollBars)
        return;
    m_showScrollBars = value;
    RealignChildren();
}

void TwzScrollBox::SetShowSizeGrip(bool value)
{
    if (value == m_showSizeGrip)
        return;
    m_showSizeGrip = value;
    if (GetAppliedStyle())
        ApplyStyle();
}

void TwzScrollBox::SetUseSmallScrollBars(bool value)
{
    if (value == m_useSmallScrollBars)
        return;
    m_useSmallScrollBars = value;
    if (GetAppliedStyle())
        ApplyStyle();
}

// ---- style ----------------------------------------------------------------------------------

void TwzScrollBox::BindBar(TwzScrollBar* bar, bool vertical)
{
    if (vertical)
        m_vScrollBar = bar;
    else
        m_hScrollBar = bar;
    if (!bar)
        return;
    if (vertical)
        bar->OnChange.Bind<&TwzScrollBox::VScrollChangeEvent>(this);
    else
        bar->OnChange.Bind<&TwzScrollBox::HScrollChangeEvent>(this);
    bar->SetLocked(true);
    // The bar's own alignment is kept in its Tag: hiding the bars takes them out of the
    // layout, and showing them again puts them back where the style had them.
    if (bar->GetTag() == 0)
        bar->SetTag(bar->GetAlign());
}

void TwzScrollBox::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    if (TwzObject* grip = FindResource("sizegrip"))
        if (TwzVisualObject* visual = grip->AsVisual())
            visual->SetVisible(m_showSizeGrip);

    TwzScrollBar* vertical = nullptr;
    TwzScrollBar* horizontal = nullptr;
    if (m_useSmallScrollBars) {
        vertical = BarPart(*this, "vsmallscrollbar");
        horizontal = BarPart(*this, "hsmallscrollbar");
    }
    if (vertical && horizontal) {
        HidePart(*this, "vscrollbar");
        HidePart(*this, "hscrollbar");
    } else {
        vertical = BarPart(*this, "vscrollbar");
        horizontal = BarPart(*this, "hscrollbar");
        HidePart(*this, "vsmallscrollbar");
        HidePart(*this, "hsmallscrollbar");
    }
    BindBar(vertical, true);
    BindBar(horizontal, false);

    TwzObject* content = FindResource("content");
    m_contentPart = content ? content->AsVisual() : nullptr;
    RealignChildren();
    // The animations belong to the bars they ran on.
    m_hAnimation = nullptr;
    m_vAnimation = nullptr;
}

void TwzScrollBox::FreeStyle()
{
    Inherited::FreeStyle();
    m_contentPart = nullptr;
    m_hScrollBar = nullptr;
    m_vScrollBar = nullptr;
}

// ---- hooks ----------------------------------------------------------------------------------

void TwzScrollBox::HScrollChange(rtl::TObject* sender)
{
    TwzVisualObject* part = m_contentPart.Get();
    TwzScrollContent* content = m_content.Get();
    auto* bar = dynamic_cast<TwzScrollBar*>(sender);
    if (!part || !content || !bar)
        return;
    const float x = part->GetPosition()->GetX();
    content->GetPosition()->SetX(bar->GetVisible() ? x - bar->GetValue() : x);
    m_hScrollOffset = bar->GetValue();
}

void TwzScrollBox::VScrollChange(rtl::TObject* sender)
{
    TwzVisualObject* part = m_contentPart.Get();
    TwzScrollContent* content = m_content.Get();
    auto* bar = dynamic_cast<TwzScrollBar*>(sender);
    if (!part || !content || !bar)
        return;
    const float y = part->GetPosition()->GetY();
    content->GetPosition()->SetY(bar->GetVisible() ? y - bar->GetValue() : y);
    m_vScrollOffset = bar->GetValue();
}

TwzRect TwzScrollBox::GetContentBounds()
{
    TwzScrollContent* content = m_content.Get();
    TwzVisualObject* part = m_contentPart.Get();
    if (!content || !part)
        return { 0, 0, GetWidth(), GetHeight() };
    TwzRect r = part->GetLocalRect();
    for (TwzObject* child : content->Children()) {
        TwzVisualObject* visual = child->AsVisual();
        if (visual && visual->GetVisible())
            r = UnionRect(r, visual->GetParentedRect());
    }
    return r;
}

void TwzScrollBox::PaintContent(TwzCanvas&, const TwzRect&) { }

void TwzScrollBox::SetContentBounds(const TwzRect& rect)
{
    TwzScrollContent* content = m_content.Get();
    if (!content || !m_contentPart)
        return;
    content->SetBounds(rect.Left, rect.Top, RectWidth(rect), RectHeight(rect));
    content->MarkUpdateRectDirty();
}

void TwzScrollBox::BeginUpdate()
{
    ++m_updateCount;
    if (m_updateCount > 0) {
        m_realignGuard = true;
        DisableRealign();
    }
}

void TwzScrollBox::EndUpdate()
{
    --m_updateCount;
    if (m_updateCount != 0)
        return;
    m_realignGuard = false;
    EnableRealign();
    RealignChildren();
}

void TwzScrollBox::ScrollToCenter()
{
    const rtl::DispatchGuard held(this);
    if (TwzScrollBar* bar = m_vScrollBar.Get(); bar && bar->GetVisible())
        bar->SetValue((bar->GetMax() - bar->GetViewportSize()) / 2);
    if (TwzScrollBar* bar = m_hScrollBar.Get(); bar && bar->GetVisible())
        bar->SetValue((bar->GetMax() - bar->GetViewportSize()) / 2);
}

// ---- layout ---------------------------------------------------------------------------------

void TwzScrollBox::RealignChildren()
{
    if (IsDestroying())
        return;
    const rtl::DispatchGuard held(this);
    Inherited::RealignChildren();
    if (IsLoading() || !m_contentPart || m_realignGuard)
        return;
    m_realignGuard = true;
    DisableRealign();
    struct Guard {
        TwzScrollBox& box;
        ~Guard()
        {
            box.m_realignGuard = false;
            box.EnableRealign();
        }
    } guard { *this };
    const TwzRect before = m_contentPart->GetLocalRect();
    UpdateScrollBars();
    if (!m_contentPart)
        return;
    const TwzRect after = m_contentPart->GetLocalRect();
    if (RectWidth(after) != RectWidth(before) || RectHeight(after) != RectHeight(before))
        UpdateScrollBars();
}

bool TwzScrollBox::BarVisible(const TwzScrollBar* bar) const
{
    return bar && bar->GetVisible();
}

bool TwzScrollBox::BarEnabled(const TwzScrollBar* bar) const
{
    return bar && bar->GetEnabled();
}

void TwzScrollBox::UpdateScrollBars()
{
    const rtl::DispatchGuard held(this);
    TwzRect cb = GetContentBounds();
    if (RectWidth(cb) * RectHeight(cb) == 0 || !m_contentPart)
        return;
    const TwzPoint partPosition = m_contentPart->GetPosition()->GetPoint();
    cb = OffsetRect(cb, partPosition.X, partPosition.Y);
    if (BarEnabled(m_hScrollBar))
        cb = OffsetRect(cb, -m_hScrollOffset, 0);
    if (BarEnabled(m_vScrollBar))
        cb = OffsetRect(cb, 0, -m_vScrollOffset);
    SetContentBounds(cb);
    if (!m_contentPart)
        return;

    // The bars' new visibility and alignment resize the viewport: one layout pass of the
    // viewport's parent after both bars are set.
    TwzVisualObject* partParent
        = m_contentPart->GetParent() ? m_contentPart->GetParent()->AsVisual() : nullptr;
    rtl::Watch<TwzVisualObject> partParentWatch(partParent);
    if (partParent)
        partParent->DisableRealign();

    if (TwzScrollBar* bar = m_vScrollBar.Get()) {
        bar->SetEnabled(m_contentPart->GetHeight() < RectHeight(cb));
        if (m_autoHide)
            bar->SetVisible(bar->GetEnabled());
        bar->SetOpacity(m_showScrollBars ? 1 : 0);
        bar->SetAlign(m_showScrollBars ? static_cast<TwzAlign>(bar->GetTag()) : vaNone);
    }
    if (!m_contentPart)
        return;
    if (TwzScrollBar* bar = m_hScrollBar.Get()) {
        bar->SetEnabled(m_contentPart->GetWidth() < RectWidth(cb));
        if (m_autoHide)
            bar->SetVisible(bar->GetEnabled());
        bar->SetOpacity(m_showScrollBars ? 1 : 0);
        bar->SetAlign(m_showScrollBars ? static_cast<TwzAlign>(bar->GetTag()) : vaNone);
        if (m_showScrollBars && BarEnabled(m_vScrollBar))
            bar->GetPadding()->SetRight(m_vScrollBar->GetWidth());
    }
    if (!m_contentPart)
        return;

    if (partParentWatch) {
        partParentWatch->EnableRealign();
        partParentWatch->RealignChildren();
    }
    if (!m_contentPart)
        return;

    if (TwzScrollBar* bar = m_vScrollBar.Get()) {
        rtl::Watch<TwzScrollBar> barWatch(bar);
        bar->SetEnabled(m_contentPart->GetHeight() < RectHeight(cb));
        if (m_autoHide)
            bar->SetVisible(bar->GetEnabled());
        if (!m_showScrollBars) {
            bar->SetOpacity(0);
            bar->SetAlign(vaNone);
            bar->GetPosition()->SetX(GetWidth() + 100);
        } else {
            bar->SetOpacity(1);
            bar->SetHitTest(true);
            bar->SetAlign(static_cast<TwzAlign>(bar->GetTag()));
        }
        bar->BringToFront();
        if (bar->GetVisible()) {
            bar->SetMax(RectHeight(cb));
            if (barWatch && m_contentPart)
                bar->SetViewportSize(m_contentPart->GetHeight());
            if (barWatch) {
                bar->SetSmallChange(bar->GetViewportSize() / 5);
                bar->SetValue(m_vScrollOffset);
            }
        } else {
            bar->SetValue(0);
        }
    }
    if (!m_contentPart)
        return;
    if (TwzScrollBar* bar = m_hScrollBar.Get()) {
        rtl::Watch<TwzScrollBar> barWatch(bar);
        bar->SetEnabled(m_contentPart->GetWidth() < RectWidth(cb));
        bar->GetPadding()->SetRight(0);
        if (m_autoHide)
            bar->SetVisible(bar->GetEnabled());
        if (!m_showScrollBars) {
            bar->SetOpacity(0);
            bar->SetAlign(vaNone);
            bar->GetPosition()->SetY(GetHeight() + 100);
        } else {
            bar->SetOpacity(1);
            bar->SetAlign(static_cast<TwzAlign>(bar->GetTag()));
            if (BarEnabled(m_vScrollBar))
                bar->GetPadding()->SetRight(m_vScrollBar->GetWidth());
        }
        bar->BringToFront();
        if (bar->GetVisible()) {
            bar->SetMax(RectWidth(cb));
            if (barWatch && m_contentPart)
                bar->SetViewportSize(m_contentPart->GetWidth());
            if (barWatch && m_contentPart && m_content) {
                bar->SetSmallChange(bar->GetViewportSize() / 5);
                bar->SetValue(m_contentPart->GetPosition()->GetX() - m_content->GetPosition()->GetX());
            }
        } else {
            bar->SetValue(0);
        }
    }
}

// ---- mouse ----------------------------------------------------------------------------------

TwzFloatAnimation* TwzScrollBox::ReadyAnimation(bool vertical)
{
    TwzScrollBar* bar = vertical ? m_vScrollBar.Get() : m_hScrollBar.Get();
    rtl::Watch<TwzFloatAnimation>& slot = vertical ? m_vAnimation : m_hAnimation;
    if (!bar)
        return nullptr;
    if (!slot) {
        auto* animation = new TwzFloatAnimation(this);
        animation->SetStored(false);
        animation->SetDuration(kScrollAnimationDuration);
        animation->SetAnimationType(wzAnimationOut);
        animation->SetInterpolation(wzInterpolationQuadratic);
        animation->SetPropertyName("Value");
        animation->SetStartFromCurrent(true);
        animation->SetParent(bar);
        slot = animation;
    } else if (slot->GetRunning()) {
        slot->StopAtCurrent();
    }
    return slot.Get();
}

void TwzScrollBox::AnimateBar(bool vertical, float stopValue)
{
    TwzFloatAnimation* animation = ReadyAnimation(vertical);
    if (!animation)
        return;
    animation->SetStopValue(stopValue);
    animation->Start();
}

void TwzScrollBox::MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled)
{
    Inherited::MouseWheel(shift, wheelDelta, handled);
    if (handled || m_disableMouseWheel)
        return;
    const float notches = static_cast<float>(wheelDelta) / 120;
    for (const bool vertical : { true, false }) {
        TwzScrollBar* bar = vertical ? m_vScrollBar.Get() : m_hScrollBar.Get();
        if (!BarVisible(bar))
            continue;
        const float value = bar->GetValue() - notches * kWheelSmallChanges * bar->GetSmallChange();
        if (m_animated)
            AnimateBar(vertical, value);
        else
            bar->SetValue(value);
        handled = true;
        return;
    }
}

void TwzScrollBox::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    if (!m_mouseTracking || button != TMouseButton::Left)
        return;
    m_lastDelta = { 0, 0 };
    m_pressPoint = { x, y };
    m_lastPoint = { x, y };
    m_tracking = true;
    for (TwzFloatAnimation* animation : { m_hAnimation.Get(), m_vAnimation.Get() }) {
        if (animation && animation->GetRunning())
            animation->StopAtCurrent();
    }
}

void TwzScrollBox::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!m_tracking)
        return;
    if (TwzScrollBar* bar = m_vScrollBar.Get(); BarVisible(bar)) {
        const float dy = y - m_lastPoint.Y;
        bar->SetValue(bar->GetValue() - dy);
        m_lastDelta.Y = dy;
    }
    if (TwzScrollBar* bar = m_hScrollBar.Get(); BarVisible(bar)) {
        const float dx = x - m_lastPoint.X;
        bar->SetValue(bar->GetValue() - dx);
        m_lastDelta.X = dx;
    }
    m_lastPoint = { x, y };
}

void TwzScrollBox::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    if (!m_tracking)
        return;
    m_tracking = false;
    if (!m_animated || (m_lastDelta.X == 0 && m_lastDelta.Y == 0))
        return;
    if (TwzScrollBar* bar = m_vScrollBar.Get(); BarVisible(bar))
        AnimateBar(true, bar->GetValue() - kFlingFactor * m_lastDelta.Y);
    if (TwzScrollBar* bar = m_hScrollBar.Get(); BarVisible(bar))
        AnimateBar(false, bar->GetValue() - kFlingFactor * m_lastDelta.X);
}

// ---- variants -------------------------------------------------------------------------------

TwzVertScrollBox::TwzVertScrollBox(rtl::TComponent* owner)
    : TwzScrollBox(owner)
{
    StoreResource("scrollboxstyle");
}

TwzRect TwzVertScrollBox::GetContentBounds()
{
    if (TwzScrollContent* content = GetContent(); content && GetContentPart())
        content->SetWidth(GetContentPart()->GetWidth());
    return Inherited::GetContentBounds();
}

TwzFramedVertScrollBox::TwzFramedVertScrollBox(rtl::TComponent* owner)
    : TwzVertScrollBox(owner)
{
    StoreResource("framedscrollboxstyle");
}
