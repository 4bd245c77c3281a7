#pragma once

#include "controls/TwzListBox.h"
#include "graphics/TwzWideStrings.h"
#include "ui2d/TwzPopup.h"
#include "ui2d/TwzPopupPlacement.h"

#include <memory>
#include <string>

class TwzComboBox;

/// The drop-down list of a combo box: a list box living inside the combo box's popup. A
/// release over an item picks it; any release closes the popup.
class TwzComboListBox : public TwzListBox {
    RTL_CLASS(TwzComboListBox, TwzListBox)
public:
    explicit TwzComboListBox(rtl::TComponent* owner);

    [[nodiscard]] TwzComboBox* GetComboBox() const { return m_comboBox.Get(); }
    void SetComboBox(TwzComboBox* value) { m_comboBox = value; }
    /// Names the style without looking it up (the combo box's constructor has no host yet).
    void StoreStyleName(const std::string& value) { StoreResource(value); }

    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;

protected:
    ~TwzComboListBox() override = default;

private:
    rtl::Watch<TwzComboBox> m_comboBox;
};

// A control that shows its current item in its own face (the style part "Content") and drops
// a list of items down in a popup when pressed. The items live in that list; they are
// streamed as the combo box's own children.
class TwzComboBox : public TwzControl {
    RTL_CLASS(TwzComboBox, TwzControl)
public:
    explicit TwzComboBox(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    [[nodiscard]] int32_t GetDropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(int32_t value) { m_dropDownCount = value; }
    [[nodiscard]] TwzPlacement GetPlacement() const { return m_placement; }
    void SetPlacement(TwzPlacement value) { m_placement = value; }
    /// The list's ItemIndex; -1 without a list.
    [[nodiscard]] int32_t GetItemIndex() const;
    /// Selects in the list, pushes the value to bound controls and raises OnChange, also when
    /// the index did not change.
    void SetItemIndex(int32_t value);

    /// Raised with the combo box as Sender.
    rtl::TNotifyEvent OnChange;

    // ---- operations -----------------------------------------------------------------------
    [[nodiscard]] TwzPopup* GetPopup() const { return m_popup.Get(); }
    [[nodiscard]] TwzComboListBox* GetListBox() const { return m_listBox.Get(); }
    /// The number of items; 0 without a list.
    [[nodiscard]] int32_t Count() const;
    /// Opens the popup below the box with DropDownCount rows, or closes it when open.
    void DropDown();
    /// Removes every item.
    virtual void Clear();

    /// The current item's text.
    [[nodiscard]] rtl::TValue GetData() override;
    [[nodiscard]] std::string GetItemClassName() override;
    /// Items go into the list (locked unless designing); anything else is a plain child.
    void AddObject(TwzObject* child) override;
    /// The box's own children, then the stored items of the list, as the box's children.
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    /// Then the popup and the list take the box's Width.
    void RealignChildren() override;
    void ApplyStyle() override;
    void FreeStyle() override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled) override;
    /// End, Home and the arrows move the current item; a handled key is cleared.
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    /// Shows or hides the list in place below the box, for editing.
    void DesignDblClick() override;

protected:
    ~TwzComboBox() override;
    /// The popup follows the box to its new parent.
    void ParentChanged() override;
    void BeforeDestruction() override;
    /// The height the popup drops down with.
    [[nodiscard]] float DropDownHeight() const;

private:
    void PaintFace(rtl::TObject* sender, TwzCanvas* canvas, const TwzRect& rect);

    int32_t m_dropDownCount = 8;
    rtl::Watch<TwzPopup> m_popup;
    rtl::Watch<TwzComboListBox> m_listBox;
    TwzPlacement m_placement = wzPlacementBottom;
    rtl::Watch<TwzVisualObject> m_contentPart;
    bool m_realigning = false;
};

namespace controls {

/// What the string list box and the string combo box share: the lines their items are made
/// from, the items' text alignment and style name, and the making of the items.
class StringItems {
public:
    /// `itemStyle`: the Resource of the items made.
    explicit StringItems(std::string itemStyle);

    [[nodiscard]] TwzWideStrings* GetLines() const { return m_lines.get(); }
    /// Runs `Method` of `host` after every change of the lines.
    template <auto Method, class C> void BindChange(C* host) { m_lines->OnChange.Bind<Method>(host); }
    /// Copies the lines of `value`; null or the lines themselves change nothing.
    void Assign(TwzWideStrings* value);
    [[nodiscard]] TwzTextAlign GetTextAlign() const { return m_textAlign; }
    /// False when `value` is the alignment already.
    bool SetTextAlign(TwzTextAlign value);
    [[nodiscard]] const std::string& GetItemStyle() const { return m_itemStyle; }
    void SetItemStyle(const std::string& value) { m_itemStyle = value; }

    /// The line at `index`; empty out of range.
    [[nodiscard]] rtl::TValue LineAt(int32_t index) const;
    /// Replaces the line at `index` with the value's text; nothing out of range.
    void PutLine(int32_t index, const rtl::TValue& value);

    /// Whether an item gets its Text before its Resource (so a translating style applied to
    /// it translates the line) or after.
    enum class TextFirst : uint8_t { No, Yes };
    /// An item a line, in order: owned by `box` with its AutoTranslate, added to it, `height`
    /// high, unstored and locked.
    void MakeItems(TwzControl& box, float height, TextFirst textFirst) const;

private:
    std::unique_ptr<TwzWideStringList> m_lines;
    TwzTextAlign m_textAlign = wzTextAlignCenter;
    std::string m_itemStyle;
};

} // namespace controls

/// A list box whose items are made from the lines of Items, made anew whenever they change.
class TwzStringListBox : public TwzListBox {
    RTL_CLASS(TwzStringListBox, TwzListBox)
public:
    explicit TwzStringListBox(rtl::TComponent* owner);

    [[nodiscard]] TwzWideStrings* GetItems() const { return m_strings.GetLines(); }
    /// Copies the lines (which rebuilds the items).
    void SetItems(TwzWideStrings* value) { m_strings.Assign(value); }
    [[nodiscard]] TwzTextAlign GetTextAlign() const { return m_strings.GetTextAlign(); }
    void SetTextAlign(TwzTextAlign value);
    [[nodiscard]] const std::string& GetItemStyle() const { return m_strings.GetItemStyle(); }

    /// The line of the current item; empty without one.
    [[nodiscard]] rtl::TValue GetData() override;
    /// Replaces the line of the current item (which rebuilds).
    void SetData(const rtl::TValue& value) override;
    /// Back at 0, the items are rebuilt once.
    void EndUpdate() override;
    /// Makes the items from the lines, keeping the current index and the scroll offsets.
    void Rebuild();

protected:
    ~TwzStringListBox() override;
    void StoreItemStyle(const std::string& value) { m_strings.SetItemStyle(value); }

private:
    void ItemsChanged(rtl::TObject*) { Rebuild(); }

    controls::StringItems m_strings;
};

/// A combo box whose items are made from the lines of Items, made anew whenever they change.
class TwzStringComboBox : public TwzComboBox {
    RTL_CLASS(TwzStringComboBox, TwzComboBox)
public:
    explicit TwzStringComboBox(rtl::TComponent* owner);

    [[nodiscard]] float GetItemHeight() const { return m_itemHeight; }
    void SetItemHeight(float value);
    [[nodiscard]] TwzWideStrings* GetItems() const { return m_strings.GetLines(); }
    void SetItems(TwzWideStrings* value) { m_strings.Assign(value); }
    [[nodiscard]] TwzTextAlign GetTextAlign() const { return m_strings.GetTextAlign(); }
    void SetTextAlign(TwzTextAlign value);
    [[nodiscard]] const std::string& GetItemStyle() const { return m_strings.GetItemStyle(); }

    [[nodiscard]] rtl::TValue GetData() override;
    void SetData(const rtl::TValue& value) override;
    /// Makes the items from the lines, keeping the current index within them.
    void Rebuild();

protected:
    ~TwzStringComboBox() override;
    void StoreItemStyle(const std::string& value) { m_strings.SetItemStyle(value); }

private:
    void ItemsChanged(rtl::TObject*) { Rebuild(); }

    float m_itemHeight = 19;
    controls::StringItems m_strings;
};

/// Its style is "hudlistboxstyle" by its class name.
class TwzHudListBox : public TwzListBox {
    RTL_CLASS(TwzHudListBox, TwzListBox)
public:
    using TwzListBox::TwzListBox;

protected:
    ~TwzHudListBox() override = default;
};

class TwzHudHorzListBox : public TwzHorzListBox {
    RTL_CLASS(TwzHudHorzListBox, TwzHorzListBox)
public:
    explicit TwzHudHorzListBox(rtl::TComponent* owner);

protected:
    ~TwzHudHorzListBox() override = default;
};

class TwzHudStringListBox : public TwzStringListBox {
    RTL_CLASS(TwzHudStringListBox, TwzStringListBox)
public:
    explicit TwzHudStringListBox(rtl::TComponent* owner);

protected:
    ~TwzHudStringListBox() override = default;
};

/// Its own style is "hudcomboboxstyle" by its class name; its list's "hudcombolistboxstyle".
class TwzHudComboBox : public TwzComboBox {
    RTL_CLASS(TwzHudComboBox, TwzComboBox)
public:
    explicit TwzHudComboBox(rtl::TComponent* owner);

protected:
    ~TwzHudComboBox() override = default;
};

class TwzHudStringComboBox : public TwzStringComboBox {
    RTL_CLASS(TwzHudStringComboBox, TwzStringComboBox)
public:
    explicit TwzHudStringComboBox(rtl::TComponent* owner);

protected:
    ~TwzHudStringComboBox() override = default;
};
