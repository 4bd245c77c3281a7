#include "controls/TwzTabControl.h"

#include "controls/TwzLayouts.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/ScopeExit.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"

#include <algorithm>

namespace {

constexpr rtl::TPropInfo kTabItemProps[] = {
    RTL_PROP(TwzControl, AutoTranslate, Boolean, true),
    RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),
    RTL_PROP(TwzTabItem, Layout, Component, nullptr),
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP_RO(TwzTabItem, IsSelected, Boolean),
};

constexpr rtl::TPropInfo kTabControlProps[] = {
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP(TwzTabControl, FullSize, Boolean, false),
    RTL_PROP(TwzTabControl, ItemIndex, Integer, -1),
    RTL_PROP(TwzTabControl, ItemHeight, Float, 0.0),
};

constexpr rtl::TEventInfo kTabControlEvents[] = {
    RTL_EVENT(TwzTabControl, OnChange),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzTabItem, .props = kTabItemProps)
RTL_IMPLEMENT_CLASS(TwzTabControl, .props = kTabControlProps, .events = kTabControlEvents)
RTL_IMPLEMENT_CLASS(TwzHudTabItem)
RTL_IMPLEMENT_CLASS(TwzHudTabControl)

// ---- TwzTabItem ----------------------------------------------------------------------------

TwzTabItem::TwzTabItem(rtl::TComponent* owner)
    : TwzTextControl(owner)
{
    SetAutoTranslate(true);
    SetHeight(20);
    SetWidth(80);
    SetHitTest(true);
}

TwzTabItem::~TwzTabItem() = default;

void TwzTabItem::BeforeDestruction()
{
    m_layout.Set(nullptr);
    Inherited::BeforeDestruction();
}

TwzTabControl* TwzTabItem::TabControl() const
{
    return dynamic_cast<TwzTabControl*>(GetParent());
}

void TwzTabItem::SetLayout(TwzVisualObject* value)
{
    m_layout.Set(value);
}

void TwzTabItem::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_layout.Notification(component, operation);
}

void TwzTabItem::SetIsSelected(bool value)
{
    m_isSelected = value;
    const rtl::DispatchGuard held(this);
    StartTriggerAnimation(this, "IsSelected");
    ApplyTriggerEffect(this, "IsSelected");
}

void TwzTabItem::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    const TwzTabControl* control = TabControl();
    SetIsSelected(control && control->GetItemIndex() == m_tabIndex);
}

void TwzTabItem::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    if (button != TMouseButton::Left)
        return;
    if (TwzTabControl* control = TabControl())
        control->SetItemIndex(m_tabIndex);
}

void TwzTabItem::DesignSelect()
{
    const rtl::DispatchGuard held(this);
    Inherited::DesignSelect();
    if (TwzTabControl* control = TabControl())
        control->SetItemIndex(m_tabIndex);
}

void TwzTabItem::DesignInsert()
{
    const rtl::DispatchGuard held(this);
    Inherited::DesignInsert();
    // A page is made for a header still there only.
    if (IsFreed() || m_layout)
        return;
    auto* page = new TwzLayout(GetOwner());
    if (SceneDesigner)
        page->SetName(SceneDesigner->UniqueName(GetOwner(), std::string(page->ClassInfo().name)));
    page->SetParent(GetParent());
    SetLayout(page);
}

void TwzTabItem::RealignChildren()
{
    Inherited::RealignChildren();
    if (m_realigning || !m_layout || IsLoading() || IsDestroying())
        return;
    TwzTabControl* control = TabControl();
    if (!control)
        return;
    m_realigning = true;
    TwzVisualObject* page = m_layout;
    const TwzBounds& margins = *control->GetMargins();
    const TwzBounds& padding = *page->GetPadding();
    page->GetPosition()->SetX(padding.GetLeft() + margins.GetLeft());
    page->GetPosition()->SetY(GetHeight() + margins.GetTop() + padding.GetTop());
    page->SetWidth(control->GetWidth() - margins.GetLeft() - margins.GetRight() - padding.GetLeft()
        - padding.GetRight());
    page->SetHeight(control->GetHeight() - GetHeight() - margins.GetTop() - margins.GetBottom()
        - padding.GetTop() - padding.GetBottom());
    m_realigning = false;
}

// ---- TwzTabControl -------------------------------------------------------------------------

TwzTabControl::TwzTabControl(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetAutoCapture(true);
    SetWidth(200);
    SetHeight(200);
}

std::string TwzTabControl::GetItemClassName()
{
    return "TwzTabItem";
}

TwzTabItem* TwzTabControl::ItemByIndex(int32_t index) const
{
    for (TwzObject* child : Children())
        if (auto* item = dynamic_cast<TwzTabItem*>(child); item && item->GetTabIndex() == index)
            return item;
    return nullptr;
}

void TwzTabControl::SetItemIndex(int32_t value)
{
    if (value == m_itemIndex)
        return;
    const rtl::DispatchGuard held(this);
    if (TwzTabItem* old = ItemByIndex(m_itemIndex))
        old->SetIsSelected(false);
    m_itemIndex = value;
    RealignChildren();
    if (TwzTabItem* current = ItemByIndex(m_itemIndex))
        current->SetIsSelected(true);
    OnChange(this);
}

void TwzTabControl::SetItemHeight(float value)
{
    if (value == m_itemHeight)
        return;
    m_itemHeight = value;
    RealignChildren();
}

void TwzTabControl::SetFullSize(bool value)
{
    if (value == m_fullSize)
        return;
    m_fullSize = value;
    RealignChildren();
}

void TwzTabControl::AddObject(TwzObject* child)
{
    TwzObject::AddObject(child);
    if (dynamic_cast<TwzTabItem*>(child))
        RealignChildren();
}

void TwzTabControl::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    if (TwzObject* part = FindResource("background"))
        m_background = part->AsVisual();
    RealignChildren();
}

void TwzTabControl::FreeStyle()
{
    Inherited::FreeStyle();
    m_background = nullptr;
}

void TwzTabControl::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    RealignChildren();
}

void TwzTabControl::RealignChildren()
{
    Inherited::RealignChildren();
    if (m_realigning || IsLoading() || IsDestroying())
        return;
    m_realigning = true;
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard { m_realigning };
    const rtl::DispatchGuard held(this);

    // The visible headers, numbered in child order, and the row height.
    std::vector<rtl::Watch<TwzTabItem>> items;
    float rowHeight = 0;
    for (TwzObject* child : Children()) {
        auto* item = dynamic_cast<TwzTabItem*>(child);
        if (!item || !item->GetVisible())
            continue;
        item->SetTabIndex(static_cast<int32_t>(items.size()));
        const TwzBounds& padding = *item->GetPadding();
        rowHeight = std::max(rowHeight, padding.GetTop() + item->GetHeight() + padding.GetBottom());
        items.emplace_back(item);
    }
    if (m_itemHeight > 0)
        rowHeight = m_itemHeight;

    // The style (the pages' frame) goes below the header row.
    if (TwzVisualObject* style = GetAppliedStyle()) {
        const TwzBounds& padding = *style->GetPadding();
        style->SetAlign(vaNone);
        style->GetPosition()->SetX(padding.GetLeft());
        style->GetPosition()->SetY(rowHeight + padding.GetTop());
        style->SetWidth(GetWidth() - padding.GetLeft() - padding.GetRight());
        style->SetHeight(GetHeight() - rowHeight - padding.GetTop() - padding.GetBottom());
        style->BringToFront();
    }

    float headerWidth = GetWidth();
    if (const TwzVisualObject* background = m_background.Get())
        headerWidth = GetWidth() - background->GetMargins()->GetLeft() - background->GetMargins()->GetRight();
    if (m_fullSize && !items.empty())
        headerWidth /= static_cast<float>(items.size());

    float x = 0;
    for (const rtl::Watch<TwzTabItem>& watched : items) {
        TwzTabItem* item = watched.Get();
        if (!item)
            continue;
        item->SetAlign(vaNone);
        if (TwzVisualObject* page = item->GetLayout()) {
            const bool shown = m_itemIndex == item->GetTabIndex();
            page->SetAlign(vaNone);
            page->SetVisible(shown);
            page->SetDesignHide(!shown);
            page->SetClipChildren(true);
            if (shown)
                page->BringToFront();
        }
        if (!watched)
            return;
        const TwzBounds& padding = *item->GetPadding();
        item->SetBounds(padding.GetLeft() + x, padding.GetTop(), m_fullSize ? headerWidth : item->GetWidth(),
            rowHeight - padding.GetTop() - padding.GetBottom());
        x += padding.GetLeft() + item->GetWidth() + padding.GetRight();
        item->RealignChildren();
    }
}

void TwzTabControl::PaintChildren()
{
    TwzTabItem* current = ItemByIndex(m_itemIndex);
    if (!current || !current->GetVisible()) {
        Inherited::PaintChildren();
        return;
    }
    // The current header sits out the ordinary pass (hidden without the repaint SetVisible
    // would ask for) and is painted last, over the background, the pages and the others.
    rtl::Watch<TwzTabItem> tab(current);
    rtl::Watch<TwzTabControl> self(this);
    current->StoreVisible(false);
    {
        rtl::ScopeExit showTab([&] {
            if (tab)
                tab->StoreVisible(true);
        });
        Inherited::PaintChildren();
    }
    if (!tab)
        return;
    TwzCanvas* canvas = self ? GetCanvas() : nullptr;
    if (!canvas || !tab->GetScene())
        return;
    canvas->SetMatrix(tab->GetAbsoluteMatrix());
    tab->BeforePaint();
    if (!tab)
        return;
    canvas->SetMatrix(tab->GetAbsoluteMatrix());
    tab->Paint();
    if (tab)
        tab->PaintChildren();
}

// ---- HUD -----------------------------------------------------------------------------------

std::string TwzHudTabControl::GetItemClassName()
{
    return "TwzHudTabItem";
}
