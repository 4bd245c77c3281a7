#include "controls/TwzPanels.h"

#include "platform/rtl/ClassInfo.h"
#include "ui2d/IwzScene.h"

namespace {

constexpr rtl::TPropInfo kStatusBarProps[] = {
    RTL_PROP(TwzStatusBar, ShowSizeGrip, Boolean, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzPanel)
RTL_IMPLEMENT_CLASS(TwzHudPanel)
RTL_IMPLEMENT_CLASS(TwzToolBar)
RTL_IMPLEMENT_CLASS(TwzStatusBar, .props = kStatusBarProps)
RTL_IMPLEMENT_CLASS(TwzHudStatusBar)
RTL_IMPLEMENT_CLASS(TwzSelectionItem)

TwzPanel::TwzPanel(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetWidth(120);
    SetHeight(100);
}

TwzToolBar::TwzToolBar(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetHeight(40);
    SetAlign(vaTop);
}

TwzStatusBar::TwzStatusBar(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetHeight(22);
    SetAlign(vaBottom);
}

void TwzStatusBar::SetShowSizeGrip(bool value)
{
    if (value == m_showSizeGrip)
        return;
    m_showSizeGrip = value;
    SetResource(GetResource());
}

void TwzStatusBar::ApplyStyle()
{
    Inherited::ApplyStyle();
    TwzObject* found = FindResource("sizegrip");
    TwzVisualObject* grip = found ? found->AsVisual() : nullptr;
    if (!grip)
        return;
    grip->SetVisible(m_showSizeGrip);
    IwzScene* scene = GetScene();
    if (scene && !scene->GetDesignTime()) {
        grip->SetLocked(false);
        grip->SetHitTest(true);
    }
}

TwzSelectionItem::TwzSelectionItem(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetHitTest(false);
}

void TwzSelectionItem::PaintChildren()
{
    if (IsDesigning())
        return;
    Inherited::PaintChildren();
}
