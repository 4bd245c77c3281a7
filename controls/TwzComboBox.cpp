// Combo box: a face showing the current item and a list dropped down in a popup; the string
// list and string combo boxes, whose items are made from a list of lines; the HUD forms.

#include "controls/TwzComboBox.h"

#include "controls/TwzPanels.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Types.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzContent.h"
#include "ui2d/TwzPopup.h"

#include <cmath>

namespace {

constexpr rtl::TPropInfo kComboListBoxProps[] = {
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, false),
    RTL_PROP(TwzListBox, HideSelectionUnfocused, Boolean, false),
};

constexpr rtl::TPropInfo kComboBoxProps[] = {
    RTL_PROP(TwzComboBox, DropDownCount, Integer, 8),
    RTL_PROP(TwzComboBox, Placement, Enum, wzPlacementBottom),
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, true),
    RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),
    RTL_PROP(TwzControl, TabOrder, Integer, -1),
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP(TwzComboBox, ItemIndex, Integer, 0),
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),
};

constexpr rtl::TEventInfo kComboBoxEvents[] = {
    RTL_EVENT(TwzComboBox, OnChange),
};

constexpr rtl::TPropInfo kStringListBoxProps[] = {
    RTL_PROP(TwzStringListBox, Items, Class, rtl::kNoDefault),
    RTL_PROP(TwzStringListBox, TextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(TwzControl, AutoTranslate, Boolean, true),
    RTL_PROP(TwzListBox, ItemIndex, Integer, 0),
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),
};

constexpr rtl::TPropInfo kStringComboBoxProps[] = {
    RTL_PROP(TwzStringComboBox, ItemHeight, Float, 19.0),
    RTL_PROP(TwzStringComboBox, Items, Class, rtl::kNoDefault),
    RTL_PROP(TwzStringComboBox, TextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(TwzControl, AutoTranslate, Boolean, true),
    RTL_PROP(TwzComboBox, ItemIndex, Integer, 0),
};

constexpr rtl::TPropInfo kHudHorzListBoxProps[] = {
    RTL_PROP(TwzListBox, ListStyle, Enum, wzListHorizontal),
};

bool IsListItem(TwzObject* object)
{
    return dynamic_cast<TwzListBoxItem*>(object) || dynamic_cast<TwzSelectionItem*>(object);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzComboListBox, .props = kComboListBoxProps)
RTL_IMPLEMENT_CLASS(TwzComboBox, .props = kComboBoxProps, .events = kComboBoxEvents)
RTL_IMPLEMENT_CLASS(TwzStringListBox, .props = kStringListBoxProps)
RTL_IMPLEMENT_CLASS(TwzStringComboBox, .props = kStringComboBoxProps)
RTL_IMPLEMENT_CLASS(TwzHudListBox)
RTL_IMPLEMENT_CLASS(TwzHudHorzListBox, .props = kHudHorzListBoxProps)
RTL_IMPLEMENT_CLASS(TwzHudStringListBox)
RTL_IMPLEMENT_CLASS(TwzHudComboBox)
RTL_IMPLEMENT_CLASS(TwzHudStringComboBox)

// ---- TwzComboListBox ------------------------------------------------------------------------

TwzComboListBox::TwzComboListBox(rtl::TComponent* owner)
    : TwzListBox(owner)
{
    SetCanFocused(false);
    SetHideSelectionUnfocused(false);
}

void TwzComboListBox::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    rtl::Watch<TwzComboListBox> self(this);
    Inherited::MouseUp(button, shift, x, y);
    if (!self)
        return;
    auto* popup = dynamic_cast<TwzPopup*>(GetParent());
    rtl::Watch<TwzComboBox> combo(m_comboBox.Get());
    if (!popup || !popup->GetIsOpen() || !combo)
        return;
    rtl::Watch<TwzPopup> popupWatch(popup);
    if (x >= 0 && y >= 0 && x <= GetWidth() && y <= GetHeight())
        if (TwzListBoxItem* item = ItemByPoint(x, y)) {
            combo->SetItemIndex(item->GetIndex());
            if (!self || !popupWatch)
                return;
        }
    popupWatch->SetIsOpen(false);
}

// ---- TwzComboBox ----------------------------------------------------------------------------

TwzComboBox::TwzComboBox(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetCanFocused(true);
    SetWidth(100);
    SetHeight(23);
    auto* popup = new TwzPopup(this);
    popup->SetPlacementTarget(this);
    popup->SetStaysOpen(false);
    popup->SetStored(false);
    popup->SetLocked(true);
    popup->SetDesignHide(true);
    m_popup = popup;
    auto* list = new TwzComboListBox(this);
    list->SetComboBox(this);
    popup->AddObject(list);
    list->SetStored(false);
    list->SetAlign(vaClient);
    m_listBox = list;
}

TwzComboBox::~TwzComboBox() = default;

void TwzComboBox::BeforeDestruction()
{
    // The popup lives beside the box in its parent: it goes with the box.
    if (TwzPopup* popup = m_popup.Get())
        popup->SetIsOpen(false);
    Inherited::BeforeDestruction();
}

int32_t TwzComboBox::GetItemIndex() const
{
    return m_listBox ? m_listBox->GetItemIndex() : -1;
}

void TwzComboBox::SetItemIndex(int32_t value)
{
    if (!m_listBox)
        return;
    rtl::Watch<TwzComboBox> self(this);
    m_listBox->SetItemIndex(value);
    if (!self || IsLoading())
        return;
    if (!BoundControls().empty()) {
        UpdateBinding();
        if (!self)
            return;
    }
    OnChange(this);
    if (self)
        InvalidateObject();
}

int32_t TwzComboBox::Count() const
{
    return m_listBox ? m_listBox->Count() : 0;
}

void TwzComboBox::Clear()
{
    if (m_listBox)
        m_listBox->Clear();
}

float TwzComboBox::DropDownHeight() const
{
    const float itemHeight = m_listBox ? m_listBox->GetItemHeight() : 0;
    if (itemHeight > 0)
        return float(m_dropDownCount) * itemHeight;
    return float(m_dropDownCount) * (GetHeight() - 4);
}

void TwzComboBox::DropDown()
{
    TwzPopup* popup = m_popup.Get();
    if (!popup)
        return;
    if (popup->GetIsOpen()) {
        popup->SetIsOpen(false);
        return;
    }
    popup->SetPlacement(m_placement);
    popup->SetWidth(GetWidth());
    popup->SetHeight(DropDownHeight());
    rtl::Watch<TwzComboBox> self(this);
    if (m_listBox) {
        // The list restyles at every opening.
        m_listBox->SetResource(m_listBox->GetResource());
        if (!self || !m_popup)
            return;
    }
    m_popup->SetIsOpen(true);
    if (self && m_listBox && m_listBox->GetCanFocused())
        m_listBox->FocusObject();
}

rtl::TValue TwzComboBox::GetData()
{
    return m_listBox ? m_listBox->GetData() : rtl::TValue(std::u16string());
}

std::string TwzComboBox::GetItemClassName()
{
    return "TwzListBoxItem";
}

void TwzComboBox::AddObject(TwzObject* child)
{
    if (m_listBox && IsListItem(child)) {
        m_listBox->AddObject(child);
        if (TwzVisualObject* visual = child->AsVisual())
            visual->SetLocked(IsDesigning());
        return;
    }
    Inherited::AddObject(child);
}

void TwzComboBox::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    TwzComboListBox* list = m_listBox.Get();
    if (!list || !list->GetContent())
        return;
    const auto children = list->GetContent()->Children();
    const std::vector<TwzObject*> items(children.begin(), children.end());
    for (TwzObject* item : items)
        if (item->GetStored())
            proc(item);
}

void TwzComboBox::ParentChanged()
{
    Inherited::ParentChanged();
    TwzPopup* popup = m_popup.Get();
    if (!popup || popup->GetIsOpen() || IsDestroying())
        return;
    TwzObject* parent = GetParent();
    if (popup->GetParent() == parent)
        return;
    if (parent)
        parent->AddObject(popup);
    else if (TwzObject* old = popup->GetParent())
        old->RemoveObject(popup);
}

void TwzComboBox::RealignChildren()
{
    if (m_realigning)
        return;
    m_realigning = true;
    Inherited::RealignChildren();
    if (m_popup)
        m_popup->SetWidth(GetWidth());
    if (m_listBox)
        m_listBox->SetWidth(GetWidth());
    m_realigning = false;
}

void TwzComboBox::ApplyStyle()
{
    Inherited::ApplyStyle();
    TwzObject* found = FindResource("content");
    auto* part = dynamic_cast<TwzContent*>(found);
    m_contentPart = part;
    if (!part)
        return;
    part->OnPaint.Bind<&TwzComboBox::PaintFace>(this);
    if (m_listBox)
        if (TwzListBoxItem* item = m_listBox->Selected())
            item->SetWidth(part->GetWidth());
}

void TwzComboBox::FreeStyle()
{
    if (TwzVisualObject* part = m_contentPart.Get())
        part->OnPaint.Clear();
    m_contentPart = nullptr;
    Inherited::FreeStyle();
}

void TwzComboBox::PaintFace(rtl::TObject* sender, TwzCanvas* canvas, const TwzRect& rect)
{
    auto* part = dynamic_cast<TwzVisualObject*>(sender);
    if (!canvas || !part || !m_listBox)
        return;
    TwzListBoxItem* item = m_listBox->Selected();
    if (!item)
        return;
    const float width = item->GetWidth();
    const float height = item->GetHeight();
    const float opacity = item->GetOpacity();
    rtl::Watch<TwzListBoxItem> watch(item);
    item->SetWidth(RectWidth(rect));
    item->SetHeight(RectHeight(rect));
    // Under the face, the item shows at the box's own opacity.
    item->SetOpacity(1);
    item->PaintTo(*canvas, rect, part);
    if (!watch)
        return;
    item->SetWidth(width);
    item->SetHeight(height);
    item->SetOpacity(opacity);
}

void TwzComboBox::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    rtl::Watch<TwzComboBox> self(this);
    Inherited::MouseDown(button, shift, x, y);
    if (self && button == TMouseButton::Left)
        DropDown();
}

void TwzComboBox::MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled)
{
    rtl::Watch<TwzComboBox> self(this);
    Inherited::MouseWheel(shift, wheelDelta, handled);
    if (!self)
        return;
    handled = true;
    const int32_t index = GetItemIndex();
    if (wheelDelta < 0) {
        if (index < Count() - 1)
            SetItemIndex(index + 1);
    } else if (index > 0) {
        SetItemIndex(index - 1);
    }
}

void TwzComboBox::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    namespace vk = platform::ui::vk;
    rtl::Watch<TwzComboBox> self(this);
    Inherited::KeyDown(key, keyChar, shift);
    if (!self)
        return;
    const int32_t count = Count();
    if (count <= 0)
        return;
    const int32_t index = GetItemIndex();
    switch (key) {
    case vk::kEnd:
        SetItemIndex(count - 1);
        break;
    case vk::kHome:
        SetItemIndex(0);
        break;
    case vk::kLeft:
    case vk::kUp:
        if (index > 0)
            SetItemIndex(index - 1);
        break;
    case vk::kRight:
    case vk::kDown:
        if (index < count - 1)
            SetItemIndex(index + 1);
        break;
    default:
        return;
    }
    key = 0;
}

void TwzComboBox::DesignDblClick()
{
    Inherited::DesignDblClick();
    TwzPopup* popup = m_popup.Get();
    if (!popup)
        return;
    popup->SetDesignHide(!popup->GetDesignHide());
    popup->SetBounds(
        GetPosition()->GetX(), GetPosition()->GetY() + GetHeight(), GetWidth(), DropDownHeight());
}

// ---- string items ---------------------------------------------------------------------------

namespace controls {

StringItems::StringItems(std::string itemStyle)
    : m_lines(std::make_unique<TwzWideStringList>())
    , m_itemStyle(std::move(itemStyle))
{ }

void StringItems::Assign(TwzWideStrings* value)
{
    if (value && value != m_lines.get())
        m_lines->Assign(*value);
}

bool StringItems::SetTextAlign(TwzTextAlign value)
{
    if (value == m_textAlign)
        return false;
    m_textAlign = value;
    return true;
}

rtl::TValue StringItems::LineAt(int32_t index) const
{
    if (index >= 0 && index < m_lines->GetCount())
        return m_lines->Get(index);
    return std::u16string();
}

void StringItems::PutLine(int32_t index, const rtl::TValue& value)
{
    if (index >= 0 && index < m_lines->GetCount())
        m_lines->Put(index, rtl::Utf8ToUtf16(ui2d::VariantToText(value)));
}

void StringItems::MakeItems(TwzControl& box, float height, TextFirst textFirst) const
{
    const int count = m_lines->GetCount();
    for (int i = 0; i < count; ++i) {
        auto* item = new TwzListBoxItem(&box);
        item->SetAutoTranslate(box.GetAutoTranslate());
        box.AddObject(item);
        item->SetHeight(height);
        item->SetStored(false);
        item->SetLocked(true);
        if (textFirst == TextFirst::Yes) {
            item->SetText(m_lines->Get(i));
            item->SetResource(m_itemStyle);
        } else {
            item->SetResource(m_itemStyle);
            item->SetText(m_lines->Get(i));
        }
    }
}

} // namespace controls

// ---- TwzStringListBox -----------------------------------------------------------------------

TwzStringListBox::TwzStringListBox(rtl::TComponent* owner)
    : TwzListBox(owner)
    , m_strings("listboxitemstyle")
{
    SetAutoTranslate(true);
    m_strings.BindChange<&TwzStringListBox::ItemsChanged>(this);
    SetItemHeight(19);
    StoreResource("listboxstyle");
}

TwzStringListBox::~TwzStringListBox() = default;

void TwzStringListBox::SetTextAlign(TwzTextAlign value)
{
    if (m_strings.SetTextAlign(value) && !IsLoading())
        Rebuild();
}

rtl::TValue TwzStringListBox::GetData()
{
    return m_strings.LineAt(GetItemIndex());
}

void TwzStringListBox::SetData(const rtl::TValue& value)
{
    m_strings.PutLine(GetItemIndex(), value);
}

void TwzStringListBox::EndUpdate()
{
    Inherited::EndUpdate();
    if (GetUpdateCount() == 0)
        Rebuild();
}

void TwzStringListBox::Rebuild()
{
    if (GetUpdateCount() > 0 || IsDestroying())
        return;
    rtl::Watch<TwzStringListBox> self(this);
    IwzScene* scene = GetScene();
    // The counter is raised by hand: the inherited BeginUpdate/EndUpdate pair would come back
    // here at its end.
    TwzScrollBox::BeginUpdate();
    DisableRealign();
    if (scene)
        scene->BeginUpdate();
    const float hOffset = GetHScrollOffset();
    const float vOffset = GetVScrollOffset();
    const int32_t index = GetItemIndex();
    Clear();
    m_strings.MakeItems(*this, GetItemHeight(), controls::StringItems::TextFirst::Yes);
    EnableRealign();
    // Still counted: the index comes back without a report.
    SetItemIndex(index);
    TwzScrollBox::EndUpdate();
    if (!self)
        return;
    RealignChildren();
    if (TwzScrollBar* bar = GetHScrollBar())
        bar->SetValue(hOffset);
    if (TwzScrollBar* bar = GetVScrollBar())
        bar->SetValue(vOffset);
    if (scene && self)
        scene->EndUpdateNoRepaint();
}

// ---- TwzStringComboBox ----------------------------------------------------------------------

TwzStringComboBox::TwzStringComboBox(rtl::TComponent* owner)
    : TwzComboBox(owner)
    , m_strings("listboxitemstyle")
{
    SetAutoTranslate(true);
    m_strings.BindChange<&TwzStringComboBox::ItemsChanged>(this);
    m_itemHeight = 19;
    StoreResource("comboboxstyle");
}

TwzStringComboBox::~TwzStringComboBox() = default;

void TwzStringComboBox::SetTextAlign(TwzTextAlign value)
{
    if (m_strings.SetTextAlign(value) && !IsLoading())
        Rebuild();
}

void TwzStringComboBox::SetItemHeight(float value)
{
    if (value == m_itemHeight || !std::isfinite(value))
        return;
    m_itemHeight = value;
    Rebuild();
}

rtl::TValue TwzStringComboBox::GetData()
{
    return m_strings.LineAt(GetItemIndex());
}

void TwzStringComboBox::SetData(const rtl::TValue& value)
{
    m_strings.PutLine(GetItemIndex(), value);
}

void TwzStringComboBox::Rebuild()
{
    TwzComboListBox* list = GetListBox();
    if (IsDestroying() || !list)
        return;
    rtl::Watch<TwzStringComboBox> self(this);
    rtl::Watch<TwzComboListBox> listWatch(list);
    IwzScene* scene = GetScene();
    if (scene)
        scene->BeginUpdate();
    // The index moves as a plain value: the list reports nothing while it is updating.
    list->BeginUpdate();
    const int32_t index = list->GetItemIndex();
    list->SetItemIndex(-1);
    Clear();
    m_strings.MakeItems(*this, m_itemHeight, controls::StringItems::TextFirst::No);
    if (!self || !listWatch)
        return;
    RealignChildren();
    const int32_t itemCount = list->Count();
    list->SetItemIndex(index >= itemCount ? itemCount - 1 : index);
    list->EndUpdate();
    if (scene && self)
        scene->EndUpdateNoRepaint();
}

// ---- HUD forms ------------------------------------------------------------------------------

TwzHudHorzListBox::TwzHudHorzListBox(rtl::TComponent* owner)
    : TwzHorzListBox(owner)
{
    StoreResource("hudlistboxstyle");
}

TwzHudStringListBox::TwzHudStringListBox(rtl::TComponent* owner)
    : TwzStringListBox(owner)
{
    StoreResource("hudlistboxstyle");
    StoreItemStyle("hudlistboxitemstyle");
}

TwzHudComboBox::TwzHudComboBox(rtl::TComponent* owner)
    : TwzComboBox(owner)
{
    if (TwzComboListBox* list = GetListBox())
        list->StoreStyleName("hudcombolistboxstyle");
}

TwzHudStringComboBox::TwzHudStringComboBox(rtl::TComponent* owner)
    : TwzStringComboBox(owner)
{
    StoreResource("hudcomboboxstyle");
    if (TwzComboListBox* list = GetListBox())
        list->StoreStyleName("hudcombolistboxstyle");
    StoreItemStyle("hudlistboxitemstyle");
}
