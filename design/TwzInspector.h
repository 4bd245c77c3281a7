#pragma once

#include "controls/TwzPopupBox.h"
#include "controls/TwzTextBox.h"
#include "controls/TwzTreeView.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

class TwzLabel;
class TwzWideStrings;

namespace rtl {
struct TEventInfo;
}

/// Shows one object's published properties as rows of a tree, each with its current value,
/// and lets the user change them where they stand. A row (TwzTreeViewItem) carries the
/// property's name as its text and in TagString, the owning object in TagObject, and in Tag
/// the id (rtl::ObjectToId) of the TwzLabel that displays the value. Values that are objects
/// of their own, other than 2D objects, open into rows for their properties.
///
/// The selected row gets one of three shared editors over its value: a text box (numbers,
/// texts, sets, characters, events), a popup box (enumerations and Booleans) or an "Edit..."
/// button (brushes, bitmaps, path data and fonts). A text or a choice is written back through
/// the property system when the editor reports a change and when another row is selected.
class TwzInspector : public TwzTreeView {
    RTL_CLASS(TwzInspector, TwzTreeView)
public:
    /// The resource name of the editors and the value labels.
    static constexpr const char* kEditorResource = "inspectorEditor";
    /// How deep rows of sub-objects and linked components go below the selected object.
    static constexpr int kMaxDepth = 16;

    explicit TwzInspector(rtl::TComponent* owner);

    // ---- published --------------------------------------------------------------------------
    [[nodiscard]] rtl::TComponent* GetSelectedObject() const { return m_selectedObject; }
    /// A different object rebuilds the rows. The inspector hears when the object is freed and
    /// lets it go (the rows empty).
    void SetSelectedObject(rtl::TComponent* value);
    /// Names of properties never listed (exact names); the rows follow at the next rebuild.
    [[nodiscard]] TwzWideStrings* GetDisabledProperties() const;
    /// Copies the lines of `value`; null is ignored.
    void SetDisabledProperties(TwzWideStrings* value);
    [[nodiscard]] bool GetShowProperties() const { return m_showProperties; }
    void SetShowProperties(bool value);
    [[nodiscard]] bool GetShowEvents() const { return m_showEvents; }
    void SetShowEvents(bool value);

    // ---- the editors --------------------------------------------------------------------------
    [[nodiscard]] TwzTextBox* GetTextEditor() const { return m_textBox.Get(); }
    [[nodiscard]] TwzPopupBox* GetPopupEditor() const { return m_popupBox.Get(); }
    [[nodiscard]] TwzButton* GetButtonEditor() const { return m_button.Get(); }
    /// The value label of a row, or null.
    [[nodiscard]] static TwzLabel* ValueLabel(const TwzTreeViewItem* row);

    /// Frees every row and lists the properties of SelectedObject anew.
    void Rebuild();
    /// Hides the editors, then shows the one that fits the selected row over its value.
    void ShowEditor();

    /// Writes back what the open text or popup editor holds before moving to `item`, whose
    /// editor then opens.
    void SetSelected(TwzTreeViewItem* item) override;
    void DialogKey(uint16_t& key, TShiftState shift) override;
    void VScrollChange(rtl::TObject* sender) override;

protected:
    ~TwzInspector() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

private:
    /// Adds one row per property of `object` below `parent` (a row, or the tree itself).
    void AddProperties(
        rtl::TObject& object, TwzObject* parent, int depth, std::unordered_set<const rtl::TObject*>& listed);
    TwzTreeViewItem* AddRow(
        TwzObject* parent, rtl::TObject& object, std::string_view name, const std::string& value);
    [[nodiscard]] bool IsDisabled(std::string_view name) const;
    /// The property or event the selected row stands for, with its object; false when the row
    /// has no object or the object no longer has it.
    struct RowTarget {
        TwzTreeViewItem* row = nullptr;
        rtl::TObject* object = nullptr;
        const rtl::TPropInfo* prop = nullptr;
        const rtl::TEventInfo* event = nullptr;
    };
    [[nodiscard]] RowTarget SelectedTarget() const;
    [[nodiscard]] bool IsEditor(const TwzObject* object) const;
    /// Loads the editor that fits the selected row with its value; null when none fits.
    TwzVisualObject* LoadEditor();
    void PlaceEditor(TwzVisualObject& editor, TwzTreeViewItem& row);
    /// The write-back of the editors.
    void EditorChange(rtl::TObject* sender);
    void ButtonClick(const RowTarget& target);
    void TextChange(const RowTarget& target);
    void PopupChange(const RowTarget& target);
    /// Puts the visible text box's or popup box's value into the selected row's property.
    void CommitEditor();
    void ForgetObject(rtl::TComponent* component);

    rtl::TComponent* m_selectedObject = nullptr; // free-notified
    std::unique_ptr<TwzWideStrings> m_disabledProperties;
    bool m_showProperties = true;
    bool m_showEvents = false;
    rtl::Watch<TwzButton> m_button;
    rtl::Watch<TwzTextBox> m_textBox;
    rtl::Watch<TwzPopupBox> m_popupBox;
    /// Linked components (not sub-objects) whose properties are listed, with their rows; the
    /// inspector is free-notified by each and drops the rows' objects when one is freed.
    std::unordered_map<rtl::TComponent*, rtl::Watch<TwzTreeViewItem>> m_expandedLinks;
};
