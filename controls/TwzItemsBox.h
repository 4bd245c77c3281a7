#pragma once

#include "controls/TwzCheckBoxes.h"
#include "controls/TwzScrollBox.h"
#include "controls/TwzTextControl.h"

#include <memory>

class TwzBrush;
class TwzItemsBox;

/// What the items of list boxes and tree views share: a caption (the text control's), the
/// IsChecked and IsSelected states and the style's check box part ("check"), shown while the
/// box's ShowCheckboxes is on. It has no class info of its own: in the registry the items
/// descend from TwzTextControl, so an item that overrides FreeStyle calls the one here by name.
class TwzItemsBoxItem : public TwzTextControl {
public:
    explicit TwzItemsBoxItem(rtl::TComponent* owner);

    [[nodiscard]] bool GetIsChecked() const { return m_isChecked; }
    /// On a change: the check part follows; no box event.
    void SetIsChecked(bool value);
    [[nodiscard]] bool GetIsSelected() const { return m_isSelected; }
    /// On a change: repaints the item.
    void SetIsSelected(bool value);
    /// The style's check box part, or null.
    [[nodiscard]] TwzCheckBox* GetCheckPart() const { return m_checkPart.Get(); }

    /// Then forgets the check part.
    void FreeStyle() override;

protected:
    ~TwzItemsBoxItem() override = default;
    /// The box the item belongs to, or null.
    [[nodiscard]] virtual TwzItemsBox* ItemsBox() const = 0;
    /// Makes the item the current one of `box`, its ItemsBox().
    virtual void MakeCurrentIn(TwzItemsBox& box) = 0;
    /// For ApplyStyle: `check` (null for none) becomes the check part. A click on it runs the
    /// check handler; a fresh part shows the item's IsChecked, and shows while the box's
    /// ShowCheckboxes is on.
    void TakeCheckPart(TwzCheckBox* check);

private:
    /// The check part's OnClick: the item takes the state the click gives the part; then its
    /// box takes the focus, makes the item current and raises OnChangeCheck with it.
    void CheckClick(rtl::TObject* sender);

    bool m_isChecked = false;
    bool m_isSelected = false;
    rtl::Watch<TwzCheckBox> m_checkPart;
};

/// What list boxes and tree views share: a scroll box of items with a current item, check
/// boxes on the items, sorting, a multi-selection and the selection painted with the brush of
/// the style part "selection". It has no class info of its own: in the registry the boxes
/// descend from TwzScrollBox, so a box that overrides ApplyStyle, EnterFocus or KillFocus
/// calls the one here by name.
class TwzItemsBox : public TwzScrollBox {
public:
    explicit TwzItemsBox(rtl::TComponent* owner);

    // ---- published --------------------------------------------------------------------------
    [[nodiscard]] bool GetHideSelectionUnfocused() const { return m_hideSelectionUnfocused; }
    void SetHideSelectionUnfocused(bool value) { m_hideSelectionUnfocused = value; }
    [[nodiscard]] bool GetShowCheckboxes() const { return m_showCheckboxes; }
    /// On a change: the check parts of the items show or hide.
    void SetShowCheckboxes(bool value);
    [[nodiscard]] bool GetSorted() const { return m_sorted; }
    /// On a change: lays out again.
    void SetSorted(bool value);
    [[nodiscard]] bool GetMultiSelect() const { return m_multiSelect; }
    void SetMultiSelect(bool value) { m_multiSelect = value; }

    /// Raised by every change of the current item.
    rtl::TNotifyEvent OnChange;
    /// Raised with the item whose check box was clicked as Sender.
    rtl::TNotifyEvent OnChangeCheck;

    // ---- operations -------------------------------------------------------------------------
    /// The brush the selection is painted with.
    [[nodiscard]] TwzBrush* GetSelectionBrush() const { return m_selection.get(); }

    /// The scroll box's; then the part "selection": a brush object's brush becomes the
    /// selection brush, a visual object is hidden.
    void ApplyStyle() override;
    /// Inherited; then repaints when HideSelectionUnfocused is on and there is a current item.
    void EnterFocus() override;
    void KillFocus() override;

protected:
    ~TwzItemsBox() override;
    /// The current item, or null.
    [[nodiscard]] virtual TwzItemsBoxItem* CurrentItem() = 0;
    /// Shows or hides the check parts of the items.
    virtual void ShowCheckParts(bool visible) = 0;

private:
    bool m_hideSelectionUnfocused = true;
    bool m_showCheckboxes = false;
    bool m_sorted = false;
    bool m_multiSelect = false;
    std::unique_ptr<TwzBrush> m_selection;
};
