#include "controls/TwzPopupBox.h"

#include "graphics/TwzFont.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/PopupMenu.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"

#include <cmath>

namespace {

/// The height the menu's rows are taken to have when the list is centred on the box.
constexpr int32_t kMenuRowHeight = 20;

constexpr rtl::TPropInfo kPopupBoxProps[] = {
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, true),
    RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),
    RTL_PROP(TwzControl, TabOrder, Integer, -1),
    RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault, false),
    RTL_PROP(TwzPopupBox, Items, Class, rtl::kNoDefault),
    RTL_PROP(TwzPopupBox, ItemIndex, Integer, -1),
};

constexpr rtl::TEventInfo kPopupBoxEvents[] = {
    RTL_EVENT(TwzPopupBox, OnChange),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzPopupBox, .props = kPopupBoxProps, .events = kPopupBoxEvents)
RTL_IMPLEMENT_CLASS(TwzHudPopupBox)

TwzPopupBox::TwzPopupBox(rtl::TComponent* owner)
    : TwzCustomButton(owner)
    , m_items(std::make_unique<TwzWideStringList>())
{
    SetCanFocused(true);
    SetHeight(21);
    m_items->OnChange.Bind<&TwzPopupBox::ItemsChangedEvent>(this);
    TwzTextControl::SetText({});
}

TwzPopupBox::~TwzPopupBox() = default;

TwzWideStrings* TwzPopupBox::GetItems() const
{
    return m_items.get();
}

void TwzPopupBox::SetItems(TwzWideStrings* value)
{
    if (value && value != m_items.get())
        m_items->Assign(*value);
}

void TwzPopupBox::ItemsChanged()
{
    InvalidateObject();
}

void TwzPopupBox::SetItemIndex(int32_t value)
{
    if (value == m_itemIndex)
        return;
    m_itemIndex = value;
    if (m_itemIndex >= 0 && m_items->GetCount() > 0) {
        // An index beyond the list is kept and shows nothing.
        const bool inList = m_itemIndex < m_items->GetCount();
        TwzTextControl::SetText(inList ? m_items->Get(m_itemIndex) : std::u16string());
    } else {
        TwzTextControl::SetText({});
        m_itemIndex = -1;
    }
    OnChange(this);
}

void TwzPopupBox::SetText(const std::u16string& value)
{
    if (m_items->GetCount() > 0) {
        m_itemIndex = m_items->IndexOf(value);
        TwzTextControl::SetText(m_itemIndex >= 0 ? value : std::u16string());
    } else {
        m_itemIndex = -1;
        TwzTextControl::SetText({});
    }
}

void TwzPopupBox::Click()
{
    const rtl::DispatchGuard held(this);
    Inherited::Click();
    // The menu blocks: not for a box its click handler freed.
    if (!IsFreed())
        DoPopup();
}

void TwzPopupBox::DoPopup()
{
    if (!m_menu)
        m_menu = platform::ui::PopupMenu::Create();
    platform::ui::MenuItem& items = m_menu->Items();
    items.Clear();
    rtl::Watch<TwzPopupBox> self(this);
    const int count = m_items->GetCount();
    for (int i = 0; i < count; ++i) {
        // The choice is posted and may run after the box is gone.
        platform::ui::MenuItem& item = items.Add(rtl::Utf16ToUtf8(m_items->Get(i)), [self, i] {
            if (self)
                self->SetItemIndex(i);
        });
        item.Tag = i;
        item.Checked = i == m_itemIndex;
        item.Enabled = true;
    }
    IwzScene* scene = GetScene();
    if (!scene)
        return;
    // Half the menu's height in whole pixels: the menu sits on whole rows.
    const int64_t halfMenu = int64_t(kMenuRowHeight) * count / 2;
    const float top = std::trunc(GetHeight() / 2 - float(halfMenu));
    const TwzPoint screen = scene->LocalToScreen(LocalToAbsolute({ 0, top }));
    const platform::ui::Point at { int32_t(rtl::Round(screen.X)), int32_t(rtl::Round(screen.Y)) };
    m_menu->Popup(at);
}

rtl::TValue TwzPopupBox::GetData()
{
    return GetText();
}

void TwzPopupBox::SetData(const rtl::TValue& value)
{
    if (VariantIsMethod(value)) {
        OnChange = VariantToMethod<rtl::TNotifyEvent>(value);
        return;
    }
    SetItemIndex(m_items->IndexOf(rtl::Utf8ToUtf16(ui2d::VariantToText(value))));
}
