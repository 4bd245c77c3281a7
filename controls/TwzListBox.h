#pragma once

#include "controls/TwzItemsBox.h"

class TwzListBox;

/// How a list box lays out its items: in rows, top to bottom (several items a row with
/// Columns), or in columns, left to right (Columns items a column).
enum TwzListStyle : uint8_t { wzListVertical, wzListHorizontal };
RTL_ENUM(TwzListStyle, "wzListVertical", "wzListHorizontal");

/// One entry of a list box: a caption with an optional check box (the style part "check").
/// Its Index is kept by the list box.
class TwzListBoxItem : public TwzItemsBoxItem {
    RTL_CLASS(TwzListBoxItem, TwzTextControl)
public:
    explicit TwzListBoxItem(rtl::TComponent* owner);

    [[nodiscard]] int32_t GetIndex() const { return m_index; }
    void SetIndex(int32_t value) { m_index = value; }

    /// The nearest ancestor that is a list box, or null.
    [[nodiscard]] TwzListBox* ListBox() const;

    void ApplyStyle() override;
    /// An item whose inner control takes the focus becomes current.
    void ChildFocused(TwzVisualObject* child) override;
    /// Selecting the item in a designer makes it current.
    void DesignSelect() override;

protected:
    ~TwzListBoxItem() override = default;
    /// Leaves its list box, which lays out again and keeps ItemIndex in range.
    void BeforeDestruction() override;
    [[nodiscard]] TwzItemsBox* ItemsBox() const override;
    /// ItemIndex := Index.
    void MakeCurrentIn(TwzItemsBox& box) override;

private:
    int32_t m_index = 0;
};

/// Orders two items when a list box sorts: the result is negative when the first goes first.
using TOnCompareListBoxItemEvent = rtl::TEvent<TwzListBoxItem*, TwzListBoxItem*, int32_t&>;

// A scroll box that lays its items out in rows or columns and keeps one current item
// (ItemIndex), optionally a multiple selection with Ctrl and Shift, check boxes on the items
// and sorting. It paints the selection under the items with the style's "selection" brush.
class TwzListBox : public TwzItemsBox {
    RTL_CLASS(TwzListBox, TwzScrollBox)
public:
    explicit TwzListBox(rtl::TComponent* owner);

    // ---- published --------------------------------------------------------------------------
    [[nodiscard]] int32_t GetItemIndex() const { return m_itemIndex; }
    /// Selects, scrolls the item into view and, unless updating, reports. An index that
    /// matches no item is stored and selects nothing.
    virtual void SetItemIndex(int32_t value);
    [[nodiscard]] int32_t GetColumns() const { return m_columns; }
    /// Values below 1 become 1.
    void SetColumns(int32_t value);
    /// 0: the items keep their own width.
    [[nodiscard]] float GetItemWidth() const { return m_itemWidth; }
    void SetItemWidth(float value);
    /// 0: the items keep their own height.
    [[nodiscard]] float GetItemHeight() const { return m_itemHeight; }
    void SetItemHeight(float value);
    [[nodiscard]] TwzListStyle GetListStyle() const { return m_listStyle; }
    void SetListStyle(TwzListStyle value);

    // OnChange is raised with the new current item (null for none) as Sender.
    TOnCompareListBoxItemEvent OnCompare;

    // ---- operations -------------------------------------------------------------------------
    /// The number of items; numbers them 0, 1, ... in child order on the way.
    [[nodiscard]] int32_t Count();
    /// The first item whose Index is `index`, or null.
    [[nodiscard]] TwzListBoxItem* ItemByIndex(int32_t index);
    /// The current item, or null.
    [[nodiscard]] TwzListBoxItem* Selected() { return ItemByIndex(m_itemIndex); }
    /// The first item under the point (local to the list box), or null.
    [[nodiscard]] TwzListBoxItem* ItemByPoint(float x, float y);
    /// Selects the items from the lower to the higher Index of the two, deselects the rest.
    void SelectRange(TwzListBoxItem* item1, TwzListBoxItem* item2);

    /// The current item's Text; empty without one.
    [[nodiscard]] rtl::TValue GetData() override;
    /// Becomes the current item's Text; nothing without one.
    void SetData(const rtl::TValue& value) override;
    [[nodiscard]] std::string GetItemClassName() override;
    /// Items (and selection items) go into the content object and the list lays out again.
    void AddObject(TwzObject* child) override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    /// End, Home and the arrows move the current item; a handled key is cleared.
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    /// The item layout.
    [[nodiscard]] TwzRect GetContentBounds() override;
    /// The selection, under the items.
    void PaintContent(TwzCanvas& canvas, const TwzRect& rect) override;

    /// Frees every item; offsets back to 0; no OnChange meanwhile.
    virtual void Clear();

protected:
    ~TwzListBox() override;
    [[nodiscard]] TwzItemsBoxItem* CurrentItem() override { return Selected(); }
    void ShowCheckParts(bool visible) override;

private:
    /// Calls `fn` with every item of the content object, in child order.
    template <class F> void ForEachItem(F&& fn);
    void ScrollIntoView(TwzListBoxItem& item);
    void LayoutVertical(const TwzRect& viewport, TwzRect& result);
    void LayoutHorizontal(const TwzRect& viewport, TwzRect& result);
    void SortItems();
    [[nodiscard]] bool ShowsSelection() const;

    int32_t m_itemIndex = 0;
    bool m_mouseSelecting = false;
    int32_t m_columns = 1;
    float m_itemWidth = 0;
    float m_itemHeight = 0;
    TwzListStyle m_listStyle = wzListVertical;
    rtl::Watch<TwzListBoxItem> m_anchor;
};

/// A list box in columns, left to right; its style is "listboxstyle".
class TwzHorzListBox : public TwzListBox {
    RTL_CLASS(TwzHorzListBox, TwzListBox)
public:
    explicit TwzHorzListBox(rtl::TComponent* owner);

protected:
    ~TwzHorzListBox() override = default;
};
