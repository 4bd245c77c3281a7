#include "controls/TwzTreeView.h"

#include "controls/TwzPanels.h"

#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/ui/Locale.h"
#include "platform/ui/Types.h"
#include "ui2d/TwzContent.h"

#include <algorithm>

namespace {

constexpr rtl::TPropInfo kTreeViewItemProps[] = {
    RTL_PROP(TwzTreeViewItem, IsChecked, Boolean, false),
    RTL_PROP(TwzTreeViewItem, IsExpanded, Boolean, false),
    RTL_PROP(TwzTreeViewItem, IsSelected, Boolean, false),
    RTL_PROP(TwzControl, AutoTranslate, Boolean, true),
    RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),
    RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignNear),
};

constexpr rtl::TPropInfo kTreeViewProps[] = {
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, true),
    RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),
    RTL_PROP(TwzControl, TabOrder, Integer, -1),
    RTL_PROP(TwzTreeView, ItemHeight, Float, 0.0),
    RTL_PROP(TwzTreeView, HideSelectionUnfocused, Boolean, true),
    RTL_PROP(TwzTreeView, MultiSelect, Boolean, false),
    RTL_PROP(TwzTreeView, ShowCheckboxes, Boolean, false),
    RTL_PROP(TwzTreeView, Sorted, Boolean, false),
};

constexpr rtl::TEventInfo kTreeViewEvents[] = {
    RTL_EVENT(TwzTreeView, OnChange),
    RTL_EVENT(TwzTreeView, OnChangeCheck),
    RTL_EVENT(TwzTreeView, OnCompare),
};

/// The tree whose top-level items are being sorted (GUI thread only).
TwzTreeView* g_sortingTree = nullptr;

int CompareItems(TwzObject* a, TwzObject* b)
{
    auto* item1 = dynamic_cast<TwzTreeViewItem*>(a);
    auto* item2 = dynamic_cast<TwzTreeViewItem*>(b);
    if (!item1 || !item2)
        return 0;
    if (g_sortingTree && g_sortingTree->OnCompare) {
        int32_t result = 0;
        g_sortingTree->OnCompare(item1, item2, result);
        return result;
    }
    return platform::ui::CompareTextLocale(item1->GetText(), item2->GetText());
}

template <class F> void ForEachChildItem(TwzObject& parent, F&& f)
{
    for (TwzObject* child : parent.Children())
        if (auto* item = dynamic_cast<TwzTreeViewItem*>(child))
            f(*item);
}

bool HasItems(TwzObject& object)
{
    return std::any_of(object.Children().begin(), object.Children().end(),
        [](TwzObject* child) { return dynamic_cast<TwzTreeViewItem*>(child) != nullptr; });
}

/// Hides every descendant item of `item`, whatever their own IsExpanded.
void HideDescendants(TwzTreeViewItem& item)
{
    ForEachChildItem(item, [](TwzTreeViewItem& child) {
        child.SetVisible(false);
        child.SetOpacity(0);
        HideDescendants(child);
    });
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzTreeViewItem, .props = kTreeViewItemProps)
RTL_IMPLEMENT_CLASS(TwzTreeView, .props = kTreeViewProps, .events = kTreeViewEvents)

// ---- TwzTreeViewItem -----------------------------------------------------------------------

TwzTreeViewItem::TwzTreeViewItem(rtl::TComponent* owner)
    : TwzItemsBoxItem(owner)
{
    SetAutoTranslate(true);
    SetTextAlign(wzTextAlignNear);
    SetHeight(19);
    SetHitTest(false);
    SetCanFocused(false);
}

std::string TwzTreeViewItem::GetItemClassName()
{
    return std::string(ClassName());
}

TwzTreeViewItem* TwzTreeViewItem::ParentItem() const
{
    return dynamic_cast<TwzTreeViewItem*>(GetParent());
}

TwzTreeView* TwzTreeViewItem::TreeView() const
{
    for (TwzObject* p = GetParent(); p; p = p->GetParent())
        if (auto* tree = dynamic_cast<TwzTreeView*>(p))
            return tree;
    return nullptr;
}

int32_t TwzTreeViewItem::Level() const
{
    int32_t level = 0;
    for (TwzObject* p = GetParent(); p; p = p->GetParent()) {
        if (dynamic_cast<TwzTreeView*>(p) || dynamic_cast<TwzContent*>(p))
            break;
        ++level;
    }
    return level;
}

int32_t TwzTreeViewItem::GetCount() const
{
    int32_t count = 0;
    ForEachChildItem(const_cast<TwzTreeViewItem&>(*this), [&](TwzTreeViewItem&) { ++count; });
    return count;
}

TwzTreeViewItem* TwzTreeViewItem::ItemByIndex(int32_t index)
{
    int32_t i = 0;
    TwzTreeViewItem* found = nullptr;
    for (TwzObject* child : Children()) {
        auto* item = dynamic_cast<TwzTreeViewItem*>(child);
        if (!item)
            continue;
        item->m_index = i;
        if (i++ == index) {
            found = item;
            break;
        }
    }
    return found;
}

TwzTreeViewItem* TwzTreeViewItem::ItemByPoint(float x, float y)
{
    const TwzPoint p = LocalToAbsolute({ x, y });
    for (TwzObject* child : Children()) {
        auto* item = dynamic_cast<TwzTreeViewItem*>(child);
        if (!item || !item->GetVisible())
            continue;
        if (item->PointInObject(p.X, p.Y))
            return item;
        if (item->m_isExpanded && HasItems(*item)) {
            const TwzPoint local = item->AbsoluteToLocal(p);
            if (TwzTreeViewItem* found = item->ItemByPoint(local.X, local.Y))
                return found;
        }
    }
    return nullptr;
}

TwzObject* TwzTreeViewItem::StylePart(const std::string& name) const
{
    TwzVisualObject* style = GetAppliedStyle();
    return style ? style->FindResource(name) : nullptr;
}

void TwzTreeViewItem::UpdateButton()
{
    TwzCustomButton* button = m_buttonPart.Get();
    if (!button)
        return;
    button->SetVisible(HasItems(*this));
    if (!button->GetVisible())
        return;
    rtl::Watch<TwzCustomButton> watch(button);
    button->LoadStyle();
    if (watch)
        watch->StartTriggerAnimation(this, "IsExpanded");
}

void TwzTreeViewItem::ApplyStyle()
{
    rtl::Watch<TwzTreeViewItem> self(this);
    Inherited::ApplyStyle();
    if (!self)
        return;
    if (auto* button = dynamic_cast<TwzCustomButton*>(StylePart("button"))) {
        m_buttonPart = button;
        button->OnClick.Bind<&TwzTreeViewItem::ToggleExpanded>(this);
        UpdateButton();
        if (!self)
            return;
    }
    TakeCheckPart(dynamic_cast<TwzCheckBox*>(StylePart("check")));
}

void TwzTreeViewItem::FreeStyle()
{
    TwzItemsBoxItem::FreeStyle();
    m_buttonPart = nullptr;
}

void TwzTreeViewItem::RealignChildren()
{
    if (TwzTreeView* tree = TreeView(); tree && tree->GetUpdateCount() > 0)
        return;
    Inherited::RealignChildren();
}

void TwzTreeViewItem::DesignDblClick()
{
    rtl::Watch<TwzTreeViewItem> self(this);
    Inherited::DesignDblClick();
    if (self)
        SetIsExpanded(!m_isExpanded);
}

void TwzTreeViewItem::SetIsExpanded(bool value)
{
    if (value == m_isExpanded)
        return;
    m_isExpanded = value;
    rtl::Watch<TwzTreeViewItem> self(this);
    if (!IsLoading()) {
        UpdateButton();
        if (!self)
            return;
    }
    if (TwzTreeView* tree = TreeView())
        tree->RealignChildren();
}

TwzItemsBox* TwzTreeViewItem::ItemsBox() const
{
    return TreeView();
}

void TwzTreeViewItem::MakeCurrentIn(TwzItemsBox& box)
{
    static_cast<TwzTreeView&>(box).SetSelected(this);
}

// ---- TwzTreeView ---------------------------------------------------------------------------

TwzTreeView::TwzTreeView(rtl::TComponent* owner)
    : TwzItemsBox(owner)
{ }

TwzTreeView::~TwzTreeView() = default;

std::string TwzTreeView::GetItemClassName()
{
    return "TwzTreeViewItem";
}

int32_t TwzTreeView::GetCount() const
{
    int32_t count = 0;
    if (TwzScrollContent* content = GetContent())
        ForEachChildItem(*content, [&](TwzTreeViewItem&) { ++count; });
    return count;
}

TwzTreeViewItem* TwzTreeView::ItemByIndex(int32_t index)
{
    TwzScrollContent* content = GetContent();
    if (!content)
        return nullptr;
    int32_t i = 0;
    for (TwzObject* child : content->Children()) {
        auto* item = dynamic_cast<TwzTreeViewItem*>(child);
        if (!item)
            continue;
        item->m_index = i;
        if (i++ == index)
            return item;
    }
    return nullptr;
}

void TwzTreeView::CollectRows(std::vector<TwzTreeViewItem*>& rows)
{
    TwzScrollContent* content = GetContent();
    if (!content)
        return;
    // Depth first with an explicit stack: a deep tree read from a file costs no call depth.
    std::vector<std::pair<TwzObject*, size_t>> stack { { content, 0 } };
    while (!stack.empty()) {
        auto& [parent, next] = stack.back();
        if (next >= parent->Children().size()) {
            stack.pop_back();
            continue;
        }
        auto* item = dynamic_cast<TwzTreeViewItem*>(parent->Children()[next++]);
        if (!item)
            continue;
        rows.push_back(item);
        if (item->m_isExpanded)
            stack.emplace_back(item, 0);
    }
}

void TwzTreeView::NumberRows()
{
    std::vector<TwzTreeViewItem*> rows;
    CollectRows(rows);
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i]->m_globalIndex = static_cast<int32_t>(i);
    m_rowCount = static_cast<int32_t>(rows.size());
}

TwzTreeViewItem* TwzTreeView::ItemByVisibleIndex(int32_t index)
{
    std::vector<TwzTreeViewItem*> rows;
    CollectRows(rows);
    for (TwzTreeViewItem* item : rows)
        if (item->m_globalIndex == index)
            return item;
    return nullptr;
}

TwzTreeViewItem* TwzTreeView::ItemByPoint(float x, float y)
{
    TwzScrollContent* content = GetContent();
    if (!content)
        return nullptr;
    const TwzPoint p = LocalToAbsolute({ x, y });
    const TwzRect update = GetUpdateRect();
    for (TwzObject* child : content->Children()) {
        auto* item = dynamic_cast<TwzTreeViewItem*>(child);
        if (!item || !item->GetVisible() || !RectsIntersect(item->GetUpdateRect(), update))
            continue;
        if (item->PointInObject(p.X, p.Y))
            return item;
        if (item->GetIsExpanded() && HasItems(*item)) {
            const TwzPoint local = item->AbsoluteToLocal(p);
            if (TwzTreeViewItem* found = item->ItemByPoint(local.X, local.Y))
                return found;
        }
    }
    return nullptr;
}

TwzRect TwzTreeView::GetItemRect(TwzTreeViewItem* item)
{
    TwzScrollContent* content = GetContent();
    if (!item || !content)
        return {};
    const TwzPoint topLeft = content->AbsoluteToLocal(item->LocalToAbsolute({ 0, 0 }));
    return { topLeft.X, topLeft.Y, topLeft.X + item->GetWidth(), topLeft.Y + item->GetHeight() };
}

void TwzTreeView::SelectRange(TwzTreeViewItem* item1, TwzTreeViewItem* item2)
{
    if (!item1 || !item2)
        return;
    const int32_t lo = std::min(item1->m_globalIndex, item2->m_globalIndex);
    const int32_t hi = std::max(item1->m_globalIndex, item2->m_globalIndex);
    std::vector<TwzTreeViewItem*> rows;
    CollectRows(rows);
    // The first item of each row number of the last numbering.
    std::vector<rtl::Watch<TwzTreeViewItem>> byRow(static_cast<size_t>(std::max(m_rowCount, 0)));
    for (TwzTreeViewItem* item : rows) {
        const int32_t row = item->m_globalIndex;
        if (row >= 0 && row < m_rowCount && !byRow[static_cast<size_t>(row)])
            byRow[static_cast<size_t>(row)] = item;
    }
    for (size_t row = 0; row < byRow.size(); ++row)
        if (TwzTreeViewItem* item = byRow[row].Get())
            item->SetIsSelected(static_cast<int32_t>(row) >= lo && static_cast<int32_t>(row) <= hi);
}

void TwzTreeView::ScrollIntoView(TwzTreeViewItem& item)
{
    TwzVisualObject* part = GetContentPart();
    TwzScrollBar* bar = GetVScrollBar();
    if (!part || !bar)
        return;
    const TwzPoint p = part->AbsoluteToLocal(item.LocalToAbsolute({ 0, 0 }));
    rtl::Watch<TwzScrollBar> watch(bar);
    if (p.Y < 0)
        bar->SetValue(bar->GetValue() + p.Y);
    const TwzBounds& padding = *item.GetPadding();
    const float bottom = p.Y + padding.GetTop() + padding.GetBottom() + item.GetHeight();
    if (watch && bottom > part->GetHeight())
        watch->SetValue(watch->GetValue() + bottom - part->GetHeight());
}

void TwzTreeView::SetSelected(TwzTreeViewItem* item)
{
    if (item == m_selected.Get())
        return;
    rtl::Watch<TwzTreeView> self(this);
    rtl::Watch<TwzTreeViewItem> target(item);
    if (TwzTreeViewItem* old = m_selected.Get(); old && !GetMultiSelect())
        old->SetIsSelected(false);
    m_selected = item;
    if (item && GetContent()) {
        // Every collapsed ancestor opens inside one update, so that no layout in between
        // finds the item hidden and moves the selection away from it.
        bool collapsed = false;
        for (TwzTreeViewItem* p = item->ParentItem(); p; p = p->ParentItem())
            collapsed = collapsed || !p->GetIsExpanded();
        if (collapsed) {
            BeginUpdate();
            std::vector<rtl::Watch<TwzTreeViewItem>> ancestors;
            for (TwzTreeViewItem* p = item->ParentItem(); p; p = p->ParentItem())
                ancestors.emplace_back(p);
            for (const rtl::Watch<TwzTreeViewItem>& p : ancestors)
                if (p)
                    p->SetIsExpanded(true);
            if (!self)
                return;
            EndUpdate();
            if (!self)
                return;
        }
        if (target) {
            ScrollIntoView(*target);
            if (!self)
                return;
        }
        if (target)
            target->SetIsSelected(true);
    }
    OnChange(this);
}

void TwzTreeView::SetItemHeight(float value)
{
    if (value == m_itemHeight)
        return;
    m_itemHeight = value;
    RealignChildren();
}

void TwzTreeView::ShowCheckParts(bool visible)
{
    TwzScrollContent* content = GetContent();
    if (!content)
        return;
    std::vector<TwzObject*> all;
    content->AddObjectsToList(all);
    for (TwzObject* object : all)
        if (auto* item = dynamic_cast<TwzTreeViewItem*>(object))
            if (TwzCheckBox* check = item->GetCheckPart(); check && item->TreeView())
                check->SetVisible(visible);
}

void TwzTreeView::Clear()
{
    BeginUpdate();
    rtl::Watch<TwzTreeView> self(this);
    if (TwzScrollContent* content = GetContent()) {
        rtl::Watch<TwzScrollContent> watch(content);
        for (size_t i = content->Children().size(); watch && i-- > 0;) {
            if (i >= watch->Children().size())
                continue;
            if (auto* item = dynamic_cast<TwzTreeViewItem*>(watch->Children()[i]))
                item->Free();
        }
    }
    if (!self)
        return;
    ResetScrollOffsets();
    NumberRows();
    EndUpdate();
}

void TwzTreeView::AddObject(TwzObject* child)
{
    TwzScrollContent* content = GetContent();
    if (content && (dynamic_cast<TwzTreeViewItem*>(child) || dynamic_cast<TwzSelectionItem*>(child))) {
        content->AddObject(child);
        NumberRows();
        if (GetUpdateCount() <= 0)
            RealignChildren();
        return;
    }
    Inherited::AddObject(child);
}

void TwzTreeView::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation == rtl::opRemove && component
        && component == static_cast<rtl::TComponent*>(m_selected.Get()))
        m_selected = nullptr;
}

void TwzTreeView::PlaceItem(TwzTreeViewItem& item, float x, float& y, float viewportWidth)
{
    TwzScrollContent* content = GetContent();
    TwzVisualObject* parent = item.GetParent() ? item.GetParent()->AsVisual() : nullptr;
    TwzPoint p { x, y };
    if (content && parent && parent != content)
        p = parent->AbsoluteToLocal(content->LocalToAbsolute(p));
    const TwzBounds& padding = *item.GetPadding();
    item.SetBounds(p.X + padding.GetLeft(), p.Y + padding.GetTop(),
        viewportWidth - padding.GetLeft() - padding.GetRight() - kIndent * static_cast<float>(item.Level()),
        m_itemHeight != 0 ? m_itemHeight : item.GetHeight());
    const bool hasItems = HasItems(item);
    if (TwzCustomButton* button = item.m_buttonPart.Get())
        button->SetVisible(hasItems);
    y += item.GetHeight() + padding.GetTop() + padding.GetBottom();
    if (!hasItems)
        return;
    if (!item.m_isExpanded) {
        HideDescendants(item);
        return;
    }
    ForEachChildItem(item, [&](TwzTreeViewItem& child) {
        child.SetVisible(true);
        child.SetOpacity(1);
        PlaceItem(child, x + kIndent, y, viewportWidth);
    });
}

TwzRect TwzTreeView::GetContentBounds()
{
    TwzVisualObject* part = GetContentPart();
    if (GetUpdateCount() > 0 || !part) {
        NumberRows();
        return GetLocalRect();
    }
    TwzRect r = part->GetLocalRect();
    const float viewportWidth = r.Right - r.Left;
    TwzScrollContent* content = GetContent();
    rtl::Watch<TwzTreeView> self(this);
    if (!content) {
        NumberRows();
    } else {
        if (GetSorted()) {
            g_sortingTree = this;
            content->SortChildren(&CompareItems);
            g_sortingTree = nullptr;
        }
        NumberRows();
        // Every item's resize would lay the content out again; once afterwards is enough.
        rtl::Watch<TwzScrollContent> contentWatch(content);
        content->DisableRealign();
        float y = 0;
        std::vector<rtl::Watch<TwzTreeViewItem>> top;
        ForEachChildItem(*content, [&](TwzTreeViewItem& item) { top.emplace_back(&item); });
        for (const rtl::Watch<TwzTreeViewItem>& item : top)
            if (item)
                PlaceItem(*item, 0, y, viewportWidth);
        if (contentWatch)
            contentWatch->EnableRealign();
        r.Bottom = r.Top + y;

        // The selection leaves items hidden by a collapse.
        TwzTreeViewItem* selected = m_selected.Get();
        if (self && selected && !selected->GetVisible()) {
            TwzTreeViewItem* visible = nullptr;
            for (TwzTreeViewItem* p = selected->ParentItem(); p && !visible; p = p->ParentItem())
                if (p->GetVisible())
                    visible = p;
            if (visible) {
                SetSelected(visible);
            } else if (selected->ParentItem()) {
                SetSelected(ItemByVisibleIndex(selected->m_globalIndex));
            }
            if (!self)
                return r;
        }
    }
    if (r.Bottom - r.Top == 0)
        r.Bottom = r.Top + 1;
    return r;
}

void TwzTreeView::PaintContent(TwzCanvas& canvas, const TwzRect& rect)
{
    Inherited::PaintContent(canvas, rect);
    if (!GetContent() || !GetContentPart())
        return;
    if (GetHideSelectionUnfocused() && !GetIsFocused())
        return;
    canvas.GetFill().Assign(*GetSelectionBrush());
    const float opacity = GetAbsoluteOpacity();
    if (!GetMultiSelect()) {
        if (TwzTreeViewItem* item = m_selected.Get())
            canvas.FillRect(GetItemRect(item), 0, 0, AllCorners, opacity);
        return;
    }
    std::vector<TwzTreeViewItem*> rows;
    CollectRows(rows);
    std::vector<TwzTreeViewItem*> byRow(static_cast<size_t>(std::max(m_rowCount, 0)), nullptr);
    for (TwzTreeViewItem* item : rows) {
        const int32_t row = item->m_globalIndex;
        if (row >= 0 && row < m_rowCount && !byRow[static_cast<size_t>(row)])
            byRow[static_cast<size_t>(row)] = item;
    }
    for (TwzTreeViewItem* item : byRow)
        if (item && item->GetIsSelected())
            canvas.FillRect(GetItemRect(item), 0, 0, AllCorners, opacity);
}

void TwzTreeView::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    namespace vk = platform::ui::vk;
    rtl::Watch<TwzTreeView> self(this);
    Inherited::KeyDown(key, keyChar, shift);
    if (!self || GetCount() == 0 || !m_selected)
        return;
    TwzTreeViewItem* selected = m_selected.Get();
    const int32_t row = selected->m_globalIndex;
    switch (key) {
    case vk::kEnd:
        SetSelected(ItemByVisibleIndex(m_rowCount - 1));
        break;
    case vk::kHome:
        SetSelected(ItemByVisibleIndex(0));
        break;
    case vk::kUp:
        if (row > 0)
            SetSelected(ItemByVisibleIndex(row - 1));
        break;
    case vk::kDown:
        if (row < m_rowCount - 1)
            SetSelected(ItemByVisibleIndex(row + 1));
        break;
    case vk::kAdd:
        selected->SetIsExpanded(true);
        break;
    case vk::kSubtract:
        selected->SetIsExpanded(false);
        break;
    default:
        return;
    }
    key = 0;
}

void TwzTreeView::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    using platform::ui::ShiftFlag;
    rtl::Watch<TwzTreeView> self(this);
    Inherited::MouseDown(button, shift, x, y);
    if (!self || button != TMouseButton::Left)
        return;
    if (TwzTreeViewItem* item = ItemByPoint(x, y)) {
        rtl::Watch<TwzTreeViewItem> clicked(item);
        if (GetMultiSelect()) {
            if (shift.Has(ShiftFlag::Ctrl)) {
                item->SetIsSelected(!item->GetIsSelected());
            } else if (shift.Has(ShiftFlag::Shift)) {
                SelectRange(m_selected.Get(), item);
                SetSelected(item);
            } else {
                SelectRange(item, item);
                SetSelected(item);
            }
            if (!self)
                return;
            m_anchor = clicked.Get();
        } else {
            SetSelected(item);
            if (!self)
                return;
        }
    }
    m_mouseSelecting = true;
}

void TwzTreeView::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    using platform::ui::ShiftFlag;
    rtl::Watch<TwzTreeView> self(this);
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!self || !shift.Has(ShiftFlag::Left) || !m_mouseSelecting || GetMouseTracking())
        return;
    TwzTreeViewItem* item = ItemByPoint(x, y);
    if (!item || item == m_selected.Get())
        return;
    rtl::Watch<TwzTreeViewItem> entered(item);
    if (GetMultiSelect()) {
        if (shift.Has(ShiftFlag::Ctrl))
            item->SetIsSelected(!item->GetIsSelected());
        else
            SelectRange(m_anchor.Get() ? m_anchor.Get() : item, item);
        if (!self || !entered)
            return;
    }
    SetSelected(item);
}

void TwzTreeView::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    rtl::Watch<TwzTreeView> self(this);
    Inherited::MouseUp(button, shift, x, y);
    if (!self)
        return;
    m_anchor = nullptr;
    m_mouseSelecting = false;
}
