#pragma once

#include "controls/TwzButtons.h"
#include "controls/TwzItemsBox.h"

#include <vector>

class TwzTreeView;

/// One node of a tree view. Its child items are its own children in the object tree; the
/// tree lays every item out as a row of one column. The style's part "button" (a
/// TwzCustomButton) shows while the item has child items and toggles IsExpanded; its part
/// "check" (a TwzCheckBox) shows while the tree's ShowCheckboxes is on.
class TwzTreeViewItem : public TwzItemsBoxItem {
    RTL_CLASS(TwzTreeViewItem, TwzTextControl)
public:
    explicit TwzTreeViewItem(rtl::TComponent* owner);

    [[nodiscard]] bool GetIsExpanded() const { return m_isExpanded; }
    /// On a change: the button follows and the tree lays out again.
    void SetIsExpanded(bool value);
    /// The position among its parent's items, refreshed by ItemByIndex.
    [[nodiscard]] int32_t GetIndex() const { return m_index; }
    /// The row number of the last numbering that had this item as a row.
    [[nodiscard]] int32_t GetGlobalIndex() const { return m_globalIndex; }
    void SetGlobalIndex(int32_t value) { m_globalIndex = value; }

    /// The number of child items.
    [[nodiscard]] int32_t GetCount() const;
    /// The child item at position `index`, or null.
    [[nodiscard]] TwzTreeViewItem* ItemByIndex(int32_t index);
    /// The nearest tree view among the ancestors, or null.
    [[nodiscard]] TwzTreeView* TreeView() const;
    /// The number of items above this one; 0 for a top-level item.
    [[nodiscard]] int32_t Level() const;
    /// The shown descendant item under the local point, or null.
    [[nodiscard]] TwzTreeViewItem* ItemByPoint(float x, float y);
    /// The parent when it is an item, or null.
    [[nodiscard]] TwzTreeViewItem* ParentItem() const;
    [[nodiscard]] TwzCustomButton* GetButtonPart() const { return m_buttonPart.Get(); }

    [[nodiscard]] std::string GetItemClassName() override;
    void DesignDblClick() override;
    /// Nothing while the tree is updating.
    void RealignChildren() override;
    void ApplyStyle() override;
    void FreeStyle() override;

protected:
    ~TwzTreeViewItem() override = default;
    [[nodiscard]] TwzItemsBox* ItemsBox() const override;
    /// The tree's SetSelected (the item).
    void MakeCurrentIn(TwzItemsBox& box) override;

private:
    friend class TwzTreeView;
    void ToggleExpanded(rtl::TObject*) { SetIsExpanded(!m_isExpanded); }
    /// Shows the button while there are child items; runs its "IsExpanded" animations.
    void UpdateButton();
    /// The style copy's own part (never one of a child item's).
    [[nodiscard]] TwzObject* StylePart(const std::string& name) const;

    bool m_isExpanded = false;
    rtl::Watch<TwzCustomButton> m_buttonPart;
    int32_t m_index = 0;
    int32_t m_globalIndex = 0;
};

/// Sort order of two top-level items: negative when Item1 goes first.
using TOnCompareTreeViewItemEvent = rtl::TEvent<TwzTreeViewItem*, TwzTreeViewItem*, int32_t&>;

/// A scroll box whose content holds TwzTreeViewItem objects, laid out as one column of rows
/// (each level indented by 19, the children of a collapsed item hidden), with one selected
/// item, an optional multi-selection, check boxes, sorting of the top-level items and
/// keyboard navigation. The selection is painted under the items with the brush of the
/// style's part "selection".
class TwzTreeView : public TwzItemsBox {
    RTL_CLASS(TwzTreeView, TwzScrollBox)
public:
    static constexpr float kIndent = 19;

    explicit TwzTreeView(rtl::TComponent* owner);

    [[nodiscard]] TwzTreeViewItem* GetSelected() const { return m_selected.Get(); }
    /// The writer of Selected: every selection change of the tree goes through it. Expands
    /// every ancestor, scrolls the item into view, then raises OnChange (also for null).
    virtual void SetSelected(TwzTreeViewItem* item);
    [[nodiscard]] float GetItemHeight() const { return m_itemHeight; }
    void SetItemHeight(float value);
    [[nodiscard]] int32_t GetRowCount() const { return m_rowCount; }

    // OnChange is raised with the tree as Sender.
    TOnCompareTreeViewItemEvent OnCompare;

    /// The number of top-level items.
    [[nodiscard]] int32_t GetCount() const;
    [[nodiscard]] TwzTreeViewItem* ItemByIndex(int32_t index);
    /// The first row item numbered `index` at the last numbering, or null.
    [[nodiscard]] TwzTreeViewItem* ItemByVisibleIndex(int32_t index);
    /// The shown item under the point local to the tree, or null.
    [[nodiscard]] TwzTreeViewItem* ItemByPoint(float x, float y);
    /// The item's rectangle in content coordinates; empty for null.
    [[nodiscard]] TwzRect GetItemRect(TwzTreeViewItem* item);
    /// Selects the rows between the two items' rows (inclusive) and deselects the others.
    void SelectRange(TwzTreeViewItem* item1, TwzTreeViewItem* item2);
    /// Frees every item; no OnChange.
    void Clear();
    /// Numbers the rows: GlobalIndex 0, 1, ... in row order.
    void NumberRows();

    [[nodiscard]] std::string GetItemClassName() override;
    void AddObject(TwzObject* child) override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    /// With the left button held after a press: the row under the pointer becomes Selected;
    /// with MultiSelect the rows from the press's row to it are selected (Ctrl toggles each
    /// row entered). Mouse tracking makes the drag scroll instead.
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    /// The item layout: the content is as wide as the viewport and as tall as the rows.
    [[nodiscard]] TwzRect GetContentBounds() override;
    /// The selection, under the items.
    void PaintContent(TwzCanvas& canvas, const TwzRect& rect) override;

protected:
    ~TwzTreeView() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    [[nodiscard]] TwzItemsBoxItem* CurrentItem() override { return m_selected.Get(); }
    /// Every item at every depth that is in a tree.
    void ShowCheckParts(bool visible) override;

private:
    /// Every row item in row order (top-level items, then the rows of expanded ones).
    void CollectRows(std::vector<TwzTreeViewItem*>& rows);
    void PlaceItem(TwzTreeViewItem& item, float x, float& y, float viewportWidth);
    void ScrollIntoView(TwzTreeViewItem& item);

    bool m_mouseSelecting = false;
    rtl::Watch<TwzTreeViewItem> m_selected;
    float m_itemHeight = 0;
    int32_t m_rowCount = 0;
    rtl::Watch<TwzTreeViewItem> m_anchor;
};
