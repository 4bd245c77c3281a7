#include "scene3d/ThvBitmapRect.h"

#include "platform/rtl/ClassInfo.h"

namespace {

// No default: the four edges are written every time.
constexpr rtl::TPropInfo kBitmapRectProps[] = {
    RTL_PROP(ThvBitmapRect, left, Float, rtl::kNoDefault),
    RTL_PROP(ThvBitmapRect, top, Float, rtl::kNoDefault),
    RTL_PROP(ThvBitmapRect, right, Float, rtl::kNoDefault),
    RTL_PROP(ThvBitmapRect, bottom, Float, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvBitmapRect, .props = kBitmapRectProps)

void ThvBitmapRect::SetEdge(float& edge, float value)
{
    if (value == edge)
        return;
    edge = value;
    OnChange(this);
}

void ThvBitmapRect::Setleft(float value)
{
    SetEdge(m_left, value);
}

void ThvBitmapRect::Settop(float value)
{
    SetEdge(m_top, value);
}

void ThvBitmapRect::Setright(float value)
{
    SetEdge(m_right, value);
}

void ThvBitmapRect::Setbottom(float value)
{
    SetEdge(m_bottom, value);
}

void ThvBitmapRect::Assign(const rtl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const ThvBitmapRect*>(&source)) {
        m_left = other->m_left;
        m_top = other->m_top;
        m_right = other->m_right;
        m_bottom = other->m_bottom;
        OnChange(this);
        return;
    }
    Inherited::Assign(source);
}
