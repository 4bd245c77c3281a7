// Layouts: the plain, grid, scaled and split containers.

#include "controls/TwzLayouts.h"

#include "controls/TwzScrollBox.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/IwzScene.h"
#include "ui2d/TwzImage.h"

#include <cmath>

namespace {

constexpr rtl::TPropInfo kLayoutProps[] = {
    RTL_PROP(TwzVisualObject, HitTest, Boolean, false),
};

constexpr rtl::TPropInfo kGridLayoutProps[] = {
    RTL_PROP(TwzGridLayout, ItemWidth, Float, rtl::kNoDefault),
    RTL_PROP(TwzGridLayout, ItemHeight, Float, rtl::kNoDefault),
    RTL_PROP(TwzGridLayout, Orientation, Enum, wzHorizontal),
};

constexpr rtl::TPropInfo kScaledLayoutProps[] = {
    RTL_PROP(TwzScaledLayout, OriginalWidth, Float, rtl::kNoDefault),
    RTL_PROP(TwzScaledLayout, OriginalHeight, Float, rtl::kNoDefault),
};

constexpr uint32_t kLayoutFrameColor = 0xA0909090;

/// The dashed frame that shows a layout in a designed scene.
void PaintLayoutFrame(TwzVisualObject& layout)
{
    if (!ui2d::ShowsDesignFrame(layout))
        return;
    TwzCanvas* canvas = layout.GetCanvas();
    if (!canvas)
        return;
    canvas->GetStroke().SetStyle(wzBrushSolid);
    canvas->GetStroke().SetSolidColor(kLayoutFrameColor);
    canvas->SetStrokeThickness(1);
    canvas->SetStrokeDash(wzDashDash);
    TwzRect frame = layout.GetLocalRect();
    RectInflate(frame, -0.5f, -0.5f);
    canvas->DrawRect(frame, 0, 0, AllCorners, layout.GetAbsoluteOpacity());
    canvas->SetStrokeDash(wzDashSolid);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzLayout, .props = kLayoutProps)
RTL_IMPLEMENT_CLASS(TwzGridLayout, .props = kGridLayoutProps)
RTL_IMPLEMENT_CLASS(TwzScaledLayout, .props = kScaledLayoutProps)
RTL_IMPLEMENT_CLASS(TwzSplitLayout, .props = kLayoutProps)

// ---- TwzLayout ------------------------------------------------------------------------------

TwzLayout::TwzLayout(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{
    SetHitTest(false);
}

void TwzLayout::Paint()
{
    PaintLayoutFrame(*this);
}

// ---- TwzGridLayout --------------------------------------------------------------------------

TwzGridLayout::TwzGridLayout(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{ }

void TwzGridLayout::SetItemWidth(float value)
{
    if (value == m_itemWidth || !std::isfinite(value))
        return;
    m_itemWidth = value;
    RealignChildren();
}

void TwzGridLayout::SetItemHeight(float value)
{
    if (value == m_itemHeight || !std::isfinite(value))
        return;
    m_itemHeight = value;
    RealignChildren();
}

void TwzGridLayout::SetOrientation(TwzOrientation value)
{
    if (value == m_orientation)
        return;
    m_orientation = value;
    RealignChildren();
}

void TwzGridLayout::RealignChildren()
{
    if (m_placing || IsDestroying() || IsLoading())
        return;
    m_placing = true;
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard { m_placing };

    const TwzRect margins = GetMargins()->GetRect();
    float x = margins.Left;
    float y = margins.Top;
    // NOTE: the children are taken from a copy: a child's resize may realign it, and the
    // list must not move under the walk.
    const std::vector<TwzObject*> children(Children().begin(), Children().end());
    const rtl::DispatchGuard held(this);
    for (TwzObject* child : children) {
        TwzVisualObject* visual = child->AsVisual();
        if (!visual)
            continue;
        const TwzRect pad = visual->GetPadding()->GetRect();
        visual->SetBounds(x + pad.Left, y + pad.Top, m_itemWidth - pad.Left - pad.Right,
            m_itemHeight - pad.Top - pad.Bottom);
        if (m_orientation == wzHorizontal) {
            x += m_itemWidth;
            if (x + m_itemWidth > GetWidth() - margins.Left - margins.Right) {
                x = margins.Left;
                y += m_itemHeight;
            }
        } else {
            y += m_itemHeight;
            if (y + m_itemHeight > GetHeight() - margins.Top - margins.Bottom) {
                y = margins.Top;
                x += m_itemWidth;
            }
        }
    }
    InvalidateObject();
}

// ---- TwzScaledLayout ------------------------------------------------------------------------

TwzScaledLayout::TwzScaledLayout(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{
    m_originalWidth = GetWidth();
    m_originalHeight = GetHeight();
}

bool TwzScaledLayout::DesignTime() const
{
    IwzScene* scene = GetScene();
    return scene && scene->GetDesignTime();
}

void TwzScaledLayout::SetOriginalWidth(float value)
{
    if (value == m_originalWidth || !std::isfinite(value))
        return;
    m_originalWidth = value < 1 ? 1 : value;
    RecalcAbsolute();
    InvalidateObject();
}

void TwzScaledLayout::SetOriginalHeight(float value)
{
    if (value == m_originalHeight || !std::isfinite(value))
        return;
    m_originalHeight = value < 1 ? 1 : value;
    RecalcAbsolute();
    InvalidateObject();
}

void TwzScaledLayout::SetWidth(float value)
{
    Inherited::SetWidth(value);
    if (DesignTime())
        m_originalWidth = GetWidth();
    else
        RecalcAbsolute();
}

void TwzScaledLayout::SetHeight(float value)
{
    Inherited::SetHeight(value);
    if (DesignTime())
        m_originalHeight = GetHeight();
    else
        RecalcAbsolute();
}

TwzMatrix TwzScaledLayout::GetChildrenMatrix()
{
    if (DesignTime()) {
        m_originalWidth = GetWidth();
        m_originalHeight = GetHeight();
    }
    TwzMatrix m = IdentityMatrix;
    // The originals never fall below 1 through the setters; a stream may still hold 0.
    if (m_originalWidth > 0)
        m.m11 = GetWidth() / m_originalWidth;
    if (m_originalHeight > 0)
        m.m22 = GetHeight() / m_originalHeight;
    return m;
}

void TwzScaledLayout::RealignChildren()
{
    if (TwzScrollBox* box = TwzScrollBox::EnclosingBox(this); box && box->GetUpdateCount() > 0)
        return;
    const rtl::DispatchGuard held(this);
    Inherited::RealignChildren();
    if (DesignTime())
        return;
    RecalcAbsolute();
    MarkUpdateRectDirty();
}

void TwzScaledLayout::Paint()
{
    PaintLayoutFrame(*this);
    Inherited::Paint();
}

// ---- TwzSplitLayout -------------------------------------------------------------------------

TwzSplitLayout::TwzSplitLayout(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{
    SetHitTest(false);
}
