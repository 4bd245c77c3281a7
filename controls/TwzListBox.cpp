// List box: items laid out in rows or columns in a scroll box, the current item, multiple
// selection, check boxes, sorting, keys and the selection painted under the items.

#include "controls/TwzListBox.h"

#include "controls/TwzPanels.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Locale.h"
#include "platform/ui/Types.h"
#include "ui2d/Library2D.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr rtl::TPropInfo kListBoxItemProps[] = {
    RTL_PROP(TwzListBoxItem, IsChecked, Boolean, false),
    RTL_PROP(TwzListBoxItem, IsSelected, Boolean, false),
    RTL_PROP(TwzControl, AutoTranslate, Boolean, true),
    RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),
    RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignNear),
};

#define TWZ_LIST_BOX_ROWS(Cls, ListStyleDefault)                                                             \
    RTL_PROP(TwzControl, Resource, String, ""), RTL_PROP(TwzVisualObject, CanFocused, Boolean, true),        \
        RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),                                       \
        RTL_PROP(TwzControl, TabOrder, Integer, -1),                                                         \
        RTL_PROP(TwzControl, BindingSource, Component, nullptr),                                             \
        RTL_PROP(TwzListBox, ItemIndex, Integer, 0),                                                         \
        RTL_PROP(TwzListBox, HideSelectionUnfocused, Boolean, true),                                         \
        RTL_PROP(TwzListBox, ShowCheckboxes, Boolean, false), RTL_PROP(TwzListBox, Sorted, Boolean, false),  \
        RTL_PROP(TwzListBox, MultiSelect, Boolean, false), RTL_PROP(TwzListBox, Columns, Integer, 1),        \
        RTL_PROP(TwzListBox, ItemWidth, Float, 0.0), RTL_PROP(TwzListBox, ItemHeight, Float, 0.0),           \
        RTL_PROP(TwzListBox, ListStyle, Enum, ListStyleDefault)

constexpr rtl::TPropInfo kListBoxProps[] = {
    TWZ_LIST_BOX_ROWS(TwzListBox, wzListVertical),
};

constexpr rtl::TPropInfo kHorzListBoxProps[] = {
    RTL_PROP(TwzListBox, ListStyle, Enum, wzListHorizontal),
};

constexpr rtl::TEventInfo kListBoxEvents[] = {
    RTL_EVENT(TwzListBox, OnChange),
    RTL_EVENT(TwzListBox, OnChangeCheck),
    RTL_EVENT(TwzListBox, OnCompare),
};

// SortChildren takes a plain function: the list box being sorted is kept here meanwhile.
TwzListBox* g_sortingBox = nullptr;

int CompareItems(TwzObject* a, TwzObject* b)
{
    auto* item1 = dynamic_cast<TwzListBoxItem*>(a);
    auto* item2 = dynamic_cast<TwzListBoxItem*>(b);
    if (!item1 || !item2)
        return 0;
    if (g_sortingBox && g_sortingBox->OnCompare) {
        int32_t result = 0;
        g_sortingBox->OnCompare(item1, item2, result);
        return result;
    }
    return platform::ui::CompareTextLocale(item1->GetText(), item2->GetText());
}

/// The whole number of cells of `cell` that fit into `extent`, at least 1; a stored size
/// that is not finite or yields more cells than an index can count still gives a number.
int32_t CellsThatFit(float extent, float cell)
{
    const double cells = std::trunc(double(extent) / double(cell));
    if (!(cells >= 1))
        return 1;
    return static_cast<int32_t>(std::min(cells, double(std::numeric_limits<int32_t>::max())));
}

void SetCheckVisibleRecursive(TwzObject& parent, bool visible)
{
    for (TwzObject* child : parent.Children()) {
        if (auto* item = dynamic_cast<TwzListBoxItem*>(child))
            if (TwzCheckBox* check = item->GetCheckPart())
                check->SetVisible(visible);
        SetCheckVisibleRecursive(*child, visible);
    }
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzListBoxItem, .props = kListBoxItemProps)
RTL_IMPLEMENT_CLASS(TwzListBox, .props = kListBoxProps, .events = kListBoxEvents)
RTL_IMPLEMENT_CLASS(TwzHorzListBox, .props = kHorzListBoxProps)

// ---- TwzListBoxItem -------------------------------------------------------------------------

TwzListBoxItem::TwzListBoxItem(rtl::TComponent* owner)
    : TwzItemsBoxItem(owner)
{
    SetTextAlign(wzTextAlignNear);
    SetAutoTranslate(true);
    SetHeight(19);
    SetWidth(19);
    SetHitTest(false);
}

TwzListBox* TwzListBoxItem::ListBox() const
{
    for (TwzObject* o = GetParent(); o; o = o->GetParent()) {
        if (auto* box = dynamic_cast<TwzListBox*>(o))
            return box;
    }
    return nullptr;
}

void TwzListBoxItem::ApplyStyle()
{
    rtl::Watch<TwzListBoxItem> self(this);
    Inherited::ApplyStyle();
    if (!self)
        return;
    TakeCheckPart(dynamic_cast<TwzCheckBox*>(FindResource("check")));
}

TwzItemsBox* TwzListBoxItem::ItemsBox() const
{
    return ListBox();
}

void TwzListBoxItem::MakeCurrentIn(TwzItemsBox& box)
{
    static_cast<TwzListBox&>(box).SetItemIndex(m_index);
}

void TwzListBoxItem::ChildFocused(TwzVisualObject* child)
{
    rtl::Watch<TwzListBoxItem> self(this);
    Inherited::ChildFocused(child);
    if (!self)
        return;
    if (TwzListBox* box = ListBox())
        box->SetItemIndex(m_index);
}

void TwzListBoxItem::DesignSelect()
{
    rtl::Watch<TwzListBoxItem> self(this);
    Inherited::DesignSelect();
    if (!self)
        return;
    if (TwzListBox* box = ListBox())
        box->SetItemIndex(m_index);
}

void TwzListBoxItem::BeforeDestruction()
{
    TwzListBox* box = ListBox();
    if (box && !box->IsDestroying()) {
        rtl::Watch<TwzListBox> watch(box);
        SetParent(nullptr);
        box->RealignChildren();
        if (watch) {
            const int32_t count = box->Count();
            if (count <= box->GetItemIndex())
                box->SetItemIndex(count - 1);
        }
    }
    Inherited::BeforeDestruction();
}

// ---- TwzListBox: state ----------------------------------------------------------------------

TwzListBox::TwzListBox(rtl::TComponent* owner)
    : TwzItemsBox(owner)
{ }

TwzListBox::~TwzListBox() = default;

template <class F> void TwzListBox::ForEachItem(F&& fn)
{
    TwzScrollContent* content = GetContent();
    if (!content)
        return;
    for (TwzObject* child : content->Children()) {
        if (auto* item = dynamic_cast<TwzListBoxItem*>(child))
            fn(*item);
    }
}

int32_t TwzListBox::Count()
{
    int32_t count = 0;
    ForEachItem([&](TwzListBoxItem& item) { item.SetIndex(count++); });
    return count;
}

TwzListBoxItem* TwzListBox::ItemByIndex(int32_t index)
{
    TwzListBoxItem* found = nullptr;
    ForEachItem([&](TwzListBoxItem& item) {
        if (!found && item.GetIndex() == index)
            found = &item;
    });
    return found;
}

TwzListBoxItem* TwzListBox::ItemByPoint(float x, float y)
{
    const TwzPoint p = LocalToAbsolute({ x, y });
    TwzListBoxItem* found = nullptr;
    ForEachItem([&](TwzListBoxItem& item) {
        if (!found && item.PointInObject(p.X, p.Y))
            found = &item;
    });
    return found;
}

void TwzListBox::SelectRange(TwzListBoxItem* item1, TwzListBoxItem* item2)
{
    if (!item1 || !item2)
        return;
    const int32_t lo = std::min(item1->GetIndex(), item2->GetIndex());
    const int32_t hi = std::max(item1->GetIndex(), item2->GetIndex());
    ForEachItem(
        [&](TwzListBoxItem& item) { item.SetIsSelected(item.GetIndex() >= lo && item.GetIndex() <= hi); });
}

rtl::TValue TwzListBox::GetData()
{
    if (TwzListBoxItem* item = Selected())
        return item->GetText();
    return std::u16string();
}

void TwzListBox::SetData(const rtl::TValue& value)
{
    if (TwzListBoxItem* item = Selected())
        item->SetText(rtl::Utf8ToUtf16(ui2d::VariantToText(value)));
}

std::string TwzListBox::GetItemClassName()
{
    return "TwzListBoxItem";
}

void TwzListBox::AddObject(TwzObject* child)
{
    TwzScrollContent* content = GetContent();
    if (content && (dynamic_cast<TwzListBoxItem*>(child) || dynamic_cast<TwzSelectionItem*>(child))) {
        content->AddObject(child);
        if (GetUpdateCount() <= 0)
            RealignChildren();
        return;
    }
    Inherited::AddObject(child);
}

// ---- published setters ----------------------------------------------------------------------

void TwzListBox::ShowCheckParts(bool visible)
{
    if (TwzScrollContent* content = GetContent())
        SetCheckVisibleRecursive(*content, visible);
}

void TwzListBox::SetColumns(int32_t value)
{
    if (value == m_columns)
        return;
    m_columns = std::max(value, 1);
    RealignChildren();
}

void TwzListBox::SetItemWidth(float value)
{
    // A size that is not a number would spread through every item's place.
    if (value == m_itemWidth || !std::isfinite(value))
        return;
    m_itemWidth = value;
    RealignChildren();
}

void TwzListBox::SetItemHeight(float value)
{
    // A size that is not a number would spread through every item's place.
    if (value == m_itemHeight || !std::isfinite(value))
        return;
    m_itemHeight = value;
    RealignChildren();
}

void TwzListBox::SetListStyle(TwzListStyle value)
{
    if (value == m_listStyle)
        return;
    m_listStyle = value;
    RealignChildren();
}

// ---- current item ---------------------------------------------------------------------------

void TwzListBox::ScrollIntoView(TwzListBoxItem& item)
{
    TwzScrollContent* content = GetContent();
    TwzVisualObject* part = GetContentPart();
    if (!content || !part)
        return;
    rtl::Watch<TwzListBoxItem> watch(&item);
    if (TwzScrollBar* bar = GetVScrollBar()) {
        const TwzRect pad = item.GetPadding()->GetRect();
        const float limit = part->GetPosition()->GetY() + part->GetHeight();
        const float far = item.GetPosition()->GetY() + content->GetPosition()->GetY() + pad.Top + pad.Bottom
            + item.GetHeight();
        if (far > limit)
            bar->SetValue(bar->GetValue() + far - limit);
        if (!watch || !GetContent() || !GetContentPart())
            return;
        const float nearEdge = item.GetPosition()->GetY() + content->GetPosition()->GetY();
        if (nearEdge < part->GetPosition()->GetY())
            bar->SetValue(bar->GetValue() + nearEdge - part->GetPosition()->GetY());
    }
    if (!watch || !GetContent() || !GetContentPart())
        return;
    if (TwzScrollBar* bar = GetHScrollBar()) {
        const TwzRect pad = item.GetPadding()->GetRect();
        const float limit = part->GetPosition()->GetX() + part->GetWidth();
        const float far = item.GetPosition()->GetX() + content->GetPosition()->GetX() + pad.Left + pad.Right
            + item.GetWidth();
        if (far > limit)
            bar->SetValue(bar->GetValue() + far - limit);
        if (!watch || !GetContent() || !GetContentPart())
            return;
        const float nearEdge = item.GetPosition()->GetX() + content->GetPosition()->GetX();
        if (nearEdge < part->GetPosition()->GetX())
            bar->SetValue(bar->GetValue() + nearEdge - part->GetPosition()->GetX());
    }
}

void TwzListBox::SetItemIndex(int32_t value)
{
    if (value == m_itemIndex)
        return;
    if (IsLoading()) {
        // The items come after the index in a stream; the layout selects the current one.
        m_itemIndex = value;
        return;
    }
    rtl::Watch<TwzListBox> self(this);
    if (!GetMultiSelect())
        if (TwzListBoxItem* old = Selected())
            old->SetIsSelected(false);
    m_itemIndex = value;
    rtl::Watch<TwzListBoxItem> item(ItemByIndex(value));
    if (item)
        ScrollIntoView(*item);
    if (!self)
        return;
    if (m_itemIndex >= 0 && item)
        item->SetIsSelected(true);
    if (GetUpdateCount() != 0)
        return;
    if (!BoundControls().empty()) {
        UpdateBinding();
        if (!self)
            return;
    }
    OnChange(item.Get());
}

void TwzListBox::Clear()
{
    rtl::Watch<TwzListBox> self(this);
    BeginUpdate();
    if (TwzScrollContent* content = GetContent()) {
        for (int i = content->GetChildCount() - 1; i >= 0 && self && GetContent(); --i) {
            if (i >= GetContent()->GetChildCount())
                continue;
            if (auto* item = dynamic_cast<TwzListBoxItem*>(GetContent()->GetChild(i)))
                item->Free();
        }
    }
    if (!self)
        return;
    ResetScrollOffsets();
    EndUpdate();
}

// ---- layout ---------------------------------------------------------------------------------

void TwzListBox::SortItems()
{
    TwzScrollContent* content = GetContent();
    if (!content)
        return;
    TwzListBox* previous = g_sortingBox;
    g_sortingBox = this;
    struct Restore {
        TwzListBox* previous;
        ~Restore() { g_sortingBox = previous; }
    } restore { previous };
    content->SortChildren(&CompareItems);
}

TwzRect TwzListBox::GetContentBounds()
{
    TwzVisualObject* part = GetContentPart();
    if (GetUpdateCount() > 0 || !part)
        return GetLocalRect();
    const TwzRect viewport = part->GetLocalRect();
    TwzScrollContent* content = GetContent();
    if (!content)
        return viewport;
    rtl::Watch<TwzListBox> self(this);
    if (GetSorted()) {
        SortItems();
        if (!self || !GetContent())
            return viewport;
    }
    if (!GetMultiSelect())
        if (TwzListBoxItem* item = Selected())
            item->SetIsSelected(true);

    // Every item's resize would lay the content out again; once afterwards is enough.
    rtl::Watch<TwzScrollContent> contentWatch(content);
    content->DisableRealign();
    TwzRect result = viewport;
    if (m_listStyle == wzListVertical)
        LayoutVertical(viewport, result);
    else
        LayoutHorizontal(viewport, result);
    if (contentWatch)
        contentWatch->EnableRealign();
    return result;
}

void TwzListBox::LayoutVertical(const TwzRect& viewport, TwzRect& result)
{
    TwzScrollContent* content = GetContent();
    const float wv = RectWidth(viewport);
    std::vector<TwzVisualObject*> cells;
    for (TwzObject* child : content->Children()) {
        if (TwzVisualObject* visual = child->AsVisual())
            cells.push_back(visual);
    }
    if (m_itemWidth != 0) {
        m_columns = CellsThatFit(wv, m_itemWidth);
        for (TwzVisualObject* cell : cells) {
            cell->SetWidth(m_itemWidth);
            if (m_itemHeight != 0)
                cell->SetHeight(m_itemHeight);
        }
    } else if (m_itemHeight != 0) {
        for (TwzVisualObject* cell : cells) {
            if (dynamic_cast<TwzListBoxItem*>(cell))
                cell->SetHeight(m_itemHeight);
        }
    }

    const size_t columns = static_cast<size_t>(m_columns);
    const size_t rows = (cells.size() + columns - 1) / columns;
    std::vector<float> rowHeights(rows, 0);
    for (size_t k = 0; k < cells.size(); ++k) {
        const TwzRect pad = cells[k]->GetPadding()->GetRect();
        float& h = rowHeights[k / columns];
        h = std::max(h, pad.Top + cells[k]->GetHeight() + pad.Bottom);
    }
    float total = 0;
    for (float h : rowHeights)
        total += h;
    content->SetHeight(total);

    const float cw = m_itemWidth != 0 ? m_itemWidth : wv / static_cast<float>(m_columns);
    int32_t index = 0;
    float top = 0;
    for (size_t r = 0; r < rows; ++r) {
        for (size_t c = 0; c < columns; ++c) {
            const size_t k = r * columns + c;
            if (k >= cells.size())
                break;
            auto* item = dynamic_cast<TwzListBoxItem*>(cells[k]);
            if (!item)
                continue;
            const TwzRect pad = item->GetPadding()->GetRect();
            const float height = rowHeights[r] - pad.Top - pad.Bottom;
            item->SetIndex(index++);
            item->SetBounds(static_cast<float>(c) * cw + pad.Left, top + pad.Top, cw, height);
        }
        top += rowHeights[r];
    }
    if (total > 0)
        result.Bottom = viewport.Top + total;
    if (m_itemWidth != 0)
        result.Right = viewport.Left + static_cast<float>(m_columns) * m_itemWidth;
}

void TwzListBox::LayoutHorizontal(const TwzRect& viewport, TwzRect& result)
{
    TwzScrollContent* content = GetContent();
    const float hv = RectHeight(viewport);
    std::vector<TwzVisualObject*> cells;
    for (TwzObject* child : content->Children()) {
        if (TwzVisualObject* visual = child->AsVisual())
            cells.push_back(visual);
    }
    if (m_itemHeight != 0) {
        const TwzRect ownPad = GetPadding()->GetRect();
        m_columns = CellsThatFit(hv - ownPad.Top - ownPad.Bottom, m_itemHeight);
        for (TwzVisualObject* cell : cells) {
            cell->SetHeight(m_itemHeight);
            if (m_itemWidth != 0)
                cell->SetWidth(m_itemWidth);
        }
    } else if (m_itemWidth != 0) {
        for (TwzVisualObject* cell : cells)
            cell->SetWidth(m_itemWidth);
    }

    const size_t perGroup = static_cast<size_t>(m_columns);
    const size_t groups = (cells.size() + perGroup - 1) / perGroup;
    std::vector<float> groupWidths(groups, 0);
    for (size_t k = 0; k < cells.size(); ++k) {
        const TwzRect pad = cells[k]->GetPadding()->GetRect();
        float& w = groupWidths[k / perGroup];
        w = std::max(w, pad.Left + cells[k]->GetWidth() + pad.Right);
    }

    const int32_t count = Count();
    if (m_itemIndex > count - 1)
        m_itemIndex = count - 1;

    const float rh = m_itemHeight != 0 ? m_itemHeight : hv / static_cast<float>(m_columns);
    int32_t index = 0;
    float left = 0;
    for (size_t g = 0; g < groups; ++g) {
        for (size_t c = 0; c < perGroup; ++c) {
            const size_t k = g * perGroup + c;
            if (k >= cells.size())
                break;
            auto* item = dynamic_cast<TwzListBoxItem*>(cells[k]);
            if (!item)
                continue;
            const TwzRect pad = item->GetPadding()->GetRect();
            item->SetIndex(index++);
            item->SetBounds(left + pad.Left, static_cast<float>(c) * rh + pad.Top,
                groupWidths[g] - pad.Left - pad.Right, rh);
        }
        left += groupWidths[g];
    }
    if (left > 0)
        result.Right = viewport.Left + left;
    if (m_itemHeight != 0)
        result.Bottom = viewport.Top + static_cast<float>(m_columns) * m_itemHeight;
}

// ---- painting -------------------------------------------------------------------------------

bool TwzListBox::ShowsSelection() const
{
    return !GetHideSelectionUnfocused() || GetIsFocused();
}

void TwzListBox::PaintContent(TwzCanvas& canvas, const TwzRect&)
{
    if (!GetContent() || !GetContentPart() || !ShowsSelection())
        return;
    canvas.GetFill().Assign(*GetSelectionBrush());
    const float opacity = GetAbsoluteOpacity();
    if (!GetMultiSelect()) {
        if (TwzListBoxItem* item = Selected())
            canvas.FillRect(item->GetParentedRect(), 0, 0, AllCorners, opacity);
        return;
    }
    std::vector<TwzListBoxItem*> selected;
    ForEachItem([&](TwzListBoxItem& item) {
        if (item.GetIsSelected())
            selected.push_back(&item);
    });
    std::stable_sort(selected.begin(), selected.end(),
        [](TwzListBoxItem* a, TwzListBoxItem* b) { return a->GetIndex() < b->GetIndex(); });
    for (TwzListBoxItem* item : selected)
        canvas.FillRect(item->GetParentedRect(), 0, 0, AllCorners, opacity);
}

// ---- keys and mouse -------------------------------------------------------------------------

void TwzListBox::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    namespace vk = platform::ui::vk;
    rtl::Watch<TwzListBox> self(this);
    Inherited::KeyDown(key, keyChar, shift);
    if (!self)
        return;
    const int32_t count = Count();
    if (count <= 0)
        return;
    switch (key) {
    case vk::kEnd:
        SetItemIndex(count - 1);
        break;
    case vk::kHome:
        SetItemIndex(0);
        break;
    case vk::kLeft:
        if (m_itemIndex > 0)
            SetItemIndex(m_itemIndex - 1);
        break;
    case vk::kUp:
        if (m_itemIndex > 0)
            SetItemIndex(static_cast<int32_t>(std::max<int64_t>(int64_t(m_itemIndex) - m_columns, 0)));
        break;
    case vk::kRight:
        if (m_itemIndex < count - 1)
            SetItemIndex(m_itemIndex + 1);
        break;
    case vk::kDown:
        if (m_itemIndex < count - 1)
            SetItemIndex(
                static_cast<int32_t>(std::min<int64_t>(int64_t(m_itemIndex) + m_columns, count - 1)));
        break;
    default:
        return;
    }
    key = 0;
}

void TwzListBox::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    using platform::ui::ShiftFlag;
    rtl::Watch<TwzListBox> self(this);
    Inherited::MouseDown(button, shift, x, y);
    if (!self || button != TMouseButton::Left || GetMouseTracking())
        return;
    if (TwzListBoxItem* item = ItemByPoint(x, y)) {
        rtl::Watch<TwzListBoxItem> clicked(item);
        if (GetMultiSelect()) {
            if (shift.Has(ShiftFlag::Ctrl)) {
                item->SetIsSelected(!item->GetIsSelected());
            } else if (shift.Has(ShiftFlag::Shift)) {
                SelectRange(Selected() ? Selected() : item, item);
                SetItemIndex(item->GetIndex());
            } else {
                SelectRange(item, item);
                SetItemIndex(item->GetIndex());
            }
            if (!self)
                return;
            m_anchor = clicked.Get();
        } else {
            SetItemIndex(item->GetIndex());
            if (!self)
                return;
        }
    }
    m_mouseSelecting = true;
}

void TwzListBox::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    using platform::ui::ShiftFlag;
    rtl::Watch<TwzListBox> self(this);
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!self || !shift.Has(ShiftFlag::Left) || !m_mouseSelecting)
        return;
    TwzListBoxItem* item = ItemByPoint(x, y);
    if (!item || item == Selected())
        return;
    if (GetMultiSelect()) {
        if (shift.Has(ShiftFlag::Ctrl))
            item->SetIsSelected(!item->GetIsSelected());
        else
            SelectRange(m_anchor.Get() ? m_anchor.Get() : item, item);
    }
    SetItemIndex(item->GetIndex());
}

void TwzListBox::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    rtl::Watch<TwzListBox> self(this);
    Inherited::MouseUp(button, shift, x, y);
    if (!self)
        return;
    m_anchor = nullptr;
    if (GetMouseTracking() && GetLastDelta().X == 0 && GetLastDelta().Y == 0)
        if (TwzListBoxItem* item = ItemByPoint(x, y)) {
            SetItemIndex(item->GetIndex());
            if (!self)
                return;
        }
    m_mouseSelecting = false;
}

// ---- TwzHorzListBox -------------------------------------------------------------------------

TwzHorzListBox::TwzHorzListBox(rtl::TComponent* owner)
    : TwzListBox(owner)
{
    StoreResource("listboxstyle");
    SetListStyle(wzListHorizontal);
}
