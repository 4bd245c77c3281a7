#include "platform/ui/PopupMenuComponent.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Application.h"
#include "platform/ui/PopupMenu.h"

#include <algorithm>

namespace platform::ui {

namespace {

constexpr rtl::TPropInfo kMenuItemProps[] = {
    RTL_PROP(MenuItemComponent, Caption, String, ""),
    RTL_PROP(MenuItemComponent, ShortCut, String, ""),
    RTL_PROP(MenuItemComponent, Enabled, Boolean, true),
    RTL_PROP(MenuItemComponent, Checked, Boolean, false),
};

constexpr rtl::TEventInfo kMenuItemEvents[] = {
    RTL_EVENT(MenuItemComponent, OnClick),
};

// The window-system menu's entries for `from`'s items, as they are now. A chosen entry runs
// its item's Click later, so it holds a watch: the item may be gone by then.
void FillMenu(MenuItem& into, const MenuItemComponent& from)
{
    for (int i = 0; i < from.Count(); ++i) {
        MenuItemComponent* item = from.GetItem(i);
        MenuItem& entry = into.Add(item->GetCaption(), [watch = rtl::Watch<MenuItemComponent>(item)] {
            if (watch)
                watch->Click();
        });
        entry.ShortCut = item->GetShortCut();
        entry.Enabled = item->GetEnabled();
        entry.Checked = item->GetChecked();
        FillMenu(entry, *item);
    }
}

} // namespace

RTL_IMPLEMENT_CLASS(MenuItemComponent, .props = kMenuItemProps, .events = kMenuItemEvents)
RTL_IMPLEMENT_CLASS(PopupMenuComponent)

void RegisterMenuComponents()
{
    rtl::RegisterClass<PopupMenuComponent>();
    rtl::RegisterClass<MenuItemComponent>();
}

// ---- MenuItemComponent -------------------------------------------------------------------

MenuItemComponent::MenuItemComponent(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

MenuItemComponent::~MenuItemComponent() = default;

void MenuItemComponent::BeforeDestruction()
{
    if (m_parent)
        m_parent->Remove(this);
    while (!m_items.empty()) {
        MenuItemComponent* item = m_items.back();
        m_items.pop_back();
        item->m_parent = nullptr;
        item->Free();
    }
    Inherited::BeforeDestruction();
}

int MenuItemComponent::IndexOf(const MenuItemComponent* item) const
{
    const auto it = std::find(m_items.begin(), m_items.end(), item);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

void MenuItemComponent::Add(MenuItemComponent* item)
{
    Insert(Count(), item);
}

void MenuItemComponent::Insert(int index, MenuItemComponent* item)
{
    if (!item)
        return;
    for (const MenuItemComponent* holder = this; holder; holder = holder->m_parent) {
        if (holder == item)
            throw rtl::ComponentError("A menu item cannot hold itself");
    }
    if (item->m_menu)
        throw rtl::ComponentError("The items of a menu cannot be an item");
    if (item->m_parent)
        item->m_parent->Remove(item);
    index = std::clamp(index, 0, Count());
    m_items.insert(m_items.begin() + index, item);
    item->m_parent = this;
}

void MenuItemComponent::Remove(MenuItemComponent* item)
{
    const int index = IndexOf(item);
    if (index < 0)
        return;
    m_items.erase(m_items.begin() + index);
    item->m_parent = nullptr;
}

MenuItemComponent* MenuItemComponent::Find(std::string_view caption) const
{
    for (MenuItemComponent* item : m_items) {
        if (item->m_caption == caption)
            return item;
    }
    return nullptr;
}

PopupMenuComponent* MenuItemComponent::GetMenu() const
{
    const MenuItemComponent* top = this;
    while (top->m_parent)
        top = top->m_parent;
    return top->m_menu;
}

void MenuItemComponent::Click()
{
    OnClick(this);
}

void MenuItemComponent::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    // A copy: nothing may change the items while they are written, but nothing promises it.
    const std::vector<MenuItemComponent*> items = m_items;
    for (MenuItemComponent* item : items)
        proc(item);
}

rtl::TComponent* MenuItemComponent::GetParentComponent() const
{
    if (m_parent && m_parent->m_menu)
        return m_parent->m_menu;
    return m_parent;
}

void MenuItemComponent::SetParentComponent(rtl::TComponent* parent)
{
    if (auto* menu = dynamic_cast<PopupMenuComponent*>(parent))
        menu->Items().Add(this);
    else if (auto* item = dynamic_cast<MenuItemComponent*>(parent))
        item->Add(this);
    else if (m_parent)
        m_parent->Remove(this);
}

bool MenuItemComponent::HasParent() const
{
    return m_parent || m_menu;
}

// ---- PopupMenuComponent ------------------------------------------------------------------

PopupMenuComponent::PopupMenuComponent(rtl::TComponent* owner)
    : rtl::TComponent(owner)
    , m_items(new MenuItemComponent(this))
{
    m_items->m_menu = this;
}

PopupMenuComponent::~PopupMenuComponent() = default;

void PopupMenuComponent::BeforeDestruction()
{
    // A menu that shows closes; the Popup waiting for it sees that the menu went.
    m_menu.reset();
    Inherited::BeforeDestruction();
}

void PopupMenuComponent::SetPopupComponent(rtl::TComponent* value)
{
    m_popupComponent.Set(value);
}

bool PopupMenuComponent::IsShowing() const
{
    return m_menu && m_menu->IsShowing();
}

void PopupMenuComponent::Popup(int32_t x, int32_t y)
{
    if (m_items->Count() == 0 || IsShowing())
        return;
    if (!m_menu)
        m_menu = PopupMenu::Create();
    MenuItem& entries = m_menu->Items();
    entries.Clear();
    FillMenu(entries, *m_items);
    const Point screen { x, y };
    Application* app = Application::TryCurrent();
    // Over the window under the point, where the click that opened it landed.
    m_menu->Popup(screen, app ? app->HostAtScreenPoint(screen) : nullptr);
}

void PopupMenuComponent::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    const std::vector<MenuItemComponent*> items = m_items->m_items;
    for (MenuItemComponent* item : items)
        proc(item);
}

void PopupMenuComponent::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_popupComponent.Notification(component, operation);
}

} // namespace platform::ui
