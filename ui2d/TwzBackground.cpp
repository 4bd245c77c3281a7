#include "ui2d/TwzBackground.h"

#include "graphics/TwzCanvas.h"
#include "graphics/TwzCorners.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/ScopeExit.h"
#include "ui2d/IwzScene.h"

namespace {

constexpr rtl::TPropInfo kBackgroundProps[] = {
    RTL_PROP(TwzBackground, Fill, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzBackground, .props = kBackgroundProps)

TwzBackground::TwzBackground(rtl::TComponent* owner)
    : TwzControl(owner)
    , m_fill(std::make_unique<TwzBrush>(wzBrushNone, 0xFFE0E0E0))
{
    m_fill->OnChanged.Bind<&TwzBackground::FillChangedEvent>(this);
}

TwzBackground::~TwzBackground() = default;

void TwzBackground::SetFill(const TwzBrush* value)
{
    if (value)
        m_fill->Assign(*value);
}

void TwzBackground::FillChangedEvent(rtl::TObject*)
{
    FillChanged();
}

void TwzBackground::FillChanged()
{
    InvalidateObject();
}

void TwzBackground::Paint()
{
    if (m_fill->GetStyle() == wzBrushNone)
        return;
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    canvas->GetFill().Assign(*m_fill);
    canvas->FillRect(GetLocalRect(), 0, 0, AllCorners, GetAbsoluteOpacity());
}

void TwzBackground::PaintChildren()
{
    IwzScene* scene = GetScene();
    const bool transparentRoot
        = !GetParent() && scene && scene->GetRoot() == this && scene->GetTransparency();
    TwzVisualObject* style = GetAppliedStyle();
    if (!style || (m_fill->GetStyle() == wzBrushNone && !transparentRoot)) {
        Inherited::PaintChildren();
        return;
    }
    // The style is hidden without the repaint SetVisible would ask for.
    rtl::Watch<TwzVisualObject> hidden(style);
    const bool wasVisible = style->GetVisible();
    style->StoreVisible(false);
    rtl::ScopeExit show([&] {
        if (hidden)
            hidden->StoreVisible(wasVisible);
    });
    Inherited::PaintChildren();
}
