// What list boxes and tree views share: the items' check parts and states, the boxes'
// switches, events and selection brush.

#include "controls/TwzItemsBox.h"

#include "graphics/TwzBrush.h"
#include "ui2d/TwzBrushObject.h"

namespace {

constexpr uint32_t kDefaultSelectionColor = 0x802A8ADF;

} // namespace

// ---- TwzItemsBoxItem ------------------------------------------------------------------------

TwzItemsBoxItem::TwzItemsBoxItem(rtl::TComponent* owner)
    : TwzTextControl(owner)
{ }

void TwzItemsBoxItem::SetIsChecked(bool value)
{
    if (value == m_isChecked)
        return;
    m_isChecked = value;
    if (TwzCheckBox* check = m_checkPart.Get())
        check->SetIsChecked(value);
}

void TwzItemsBoxItem::SetIsSelected(bool value)
{
    if (value == m_isSelected)
        return;
    m_isSelected = value;
    InvalidateObject();
}

void TwzItemsBoxItem::FreeStyle()
{
    TwzTextControl::FreeStyle();
    m_checkPart = nullptr;
}

void TwzItemsBoxItem::TakeCheckPart(TwzCheckBox* check)
{
    m_checkPart = check;
    if (!check)
        return;
    check->OnClick.Bind<&TwzItemsBoxItem::CheckClick>(this);
    // A fresh style shows the stored state.
    rtl::Watch<TwzItemsBoxItem> self(this);
    check->SetIsChecked(m_isChecked);
    if (!self || !m_checkPart)
        return;
    if (TwzItemsBox* box = ItemsBox())
        m_checkPart->SetVisible(box->GetShowCheckboxes());
}

void TwzItemsBoxItem::CheckClick(rtl::TObject*)
{
    TwzCheckBox* check = m_checkPart.Get();
    if (!check)
        return;
    // NOTE: a check box reports its click before it toggles: the state after the click is
    // the opposite of the one it shows now. Only the field changes; the part toggles itself.
    m_isChecked = !check->GetIsChecked();
    TwzItemsBox* box = ItemsBox();
    if (!box)
        return;
    rtl::Watch<TwzItemsBox> watch(box);
    rtl::Watch<TwzItemsBoxItem> self(this);
    box->FocusObject();
    if (!watch || !self)
        return;
    MakeCurrentIn(*box);
    if (watch && self)
        watch->OnChangeCheck(this);
}

// ---- TwzItemsBox ----------------------------------------------------------------------------

TwzItemsBox::TwzItemsBox(rtl::TComponent* owner)
    : TwzScrollBox(owner)
    , m_selection(std::make_unique<TwzBrush>(wzBrushSolid, kDefaultSelectionColor))
{
    SetCanFocused(true);
    SetAutoCapture(true);
    SetWidth(100);
    SetHeight(100);
}

TwzItemsBox::~TwzItemsBox() = default;

void TwzItemsBox::SetShowCheckboxes(bool value)
{
    if (value == m_showCheckboxes)
        return;
    m_showCheckboxes = value;
    ShowCheckParts(value);
}

void TwzItemsBox::SetSorted(bool value)
{
    if (value == m_sorted)
        return;
    m_sorted = value;
    RealignChildren();
}

void TwzItemsBox::ApplyStyle()
{
    rtl::Watch<TwzItemsBox> self(this);
    TwzScrollBox::ApplyStyle();
    if (!self)
        return;
    TwzObject* part = FindResource("selection");
    if (auto* brush = dynamic_cast<TwzBrushObject*>(part)) {
        if (brush->GetBrush())
            m_selection->Assign(*brush->GetBrush());
    } else if (TwzVisualObject* visual = part ? part->AsVisual() : nullptr) {
        visual->SetVisible(false);
    }
}

void TwzItemsBox::EnterFocus()
{
    rtl::Watch<TwzItemsBox> self(this);
    TwzScrollBox::EnterFocus();
    if (self && m_hideSelectionUnfocused && CurrentItem())
        InvalidateObject();
}

void TwzItemsBox::KillFocus()
{
    rtl::Watch<TwzItemsBox> self(this);
    TwzScrollBox::KillFocus();
    if (self && m_hideSelectionUnfocused && CurrentItem())
        InvalidateObject();
}
