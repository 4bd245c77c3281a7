#include "ui2d/TwzPaintBox.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TEventInfo kPaintBoxEvents[] = {
    RTL_EVENT(TwzPaintBox, OnPaint),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzPaintBox, .events = kPaintBoxEvents)

TwzPaintBox::TwzPaintBox(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{ }

TwzPaintBox::~TwzPaintBox() = default;

void TwzPaintBox::Paint()
{
    Inherited::Paint();
    TwzCanvas* canvas = GetCanvas();
    if (canvas && OnPaint)
        OnPaint(this, canvas, GetLocalRect());
}
