#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/ComponentLink.h"
#include "platform/rtl/Events.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The popup menu as a component: a form stores it like any other component, with its items
// as children and their OnClick handlers bound by name, and a 2D or 3D object names it in its
// PopupMenu property. Popping it up shows a window-system menu (PopupMenu.h) built from the
// items as they are at that moment. GUI thread only.
namespace platform::ui {

class MenuItem;
class PopupMenu;
class PopupMenuComponent;

/// One item of a menu component: a command (OnClick), a check item (Checked) or, when it
/// holds items, a submenu. Items belong to the menu or item that holds them (freed with it,
/// and read back as its children); their component owner is the form that stores them.
class MenuItemComponent : public rtl::TComponent {
    RTL_CLASS(MenuItemComponent, rtl::TComponent)
public:
    explicit MenuItemComponent(rtl::TComponent* owner);

    // Published.
    /// UTF-8; shown as it is.
    [[nodiscard]] const std::string& GetCaption() const { return m_caption; }
    void SetCaption(const std::string& value) { m_caption = value; }
    /// The key a user may know the command by ("Ctrl+C"), shown at the right of the caption;
    /// a text only: the menu does not watch the keyboard.
    [[nodiscard]] const std::string& GetShortCut() const { return m_shortCut; }
    void SetShortCut(const std::string& value) { m_shortCut = value; }
    /// A disabled item shows greyed and cannot be chosen, nor anything under it.
    [[nodiscard]] bool GetEnabled() const { return m_enabled; }
    void SetEnabled(bool value) { m_enabled = value; }
    /// Shows a check mark; choosing the item does not change it, its handler may.
    [[nodiscard]] bool GetChecked() const { return m_checked; }
    void SetChecked(bool value) { m_checked = value; }

    /// Raised when the user chose the item, after the menu closed (Sender: the item).
    rtl::TNotifyEvent OnClick;

    /// The items under this one, in menu order.
    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    [[nodiscard]] MenuItemComponent* GetItem(int index) const
    {
        return m_items.at(static_cast<size_t>(index));
    }
    [[nodiscard]] int IndexOf(const MenuItemComponent* item) const;
    /// Appends `item`, taking it from the menu or item that held it; an item cannot hold
    /// itself or one that holds it (ComponentError).
    void Add(MenuItemComponent* item);
    void Insert(int index, MenuItemComponent* item);
    /// Takes `item` out of this one's items without freeing it.
    void Remove(MenuItemComponent* item);
    /// The first of this item's own items with exactly this caption, else null.
    [[nodiscard]] MenuItemComponent* Find(std::string_view caption) const;
    /// The item holding this one (the hidden top item of a menu for the menu's own items).
    [[nodiscard]] MenuItemComponent* GetParent() const { return m_parent; }
    /// The menu this item belongs to, through its parents; null for a loose item.
    [[nodiscard]] PopupMenuComponent* GetMenu() const;

    /// Raises OnClick.
    virtual void Click();

    // Streaming: the items are written inside the menu or item that holds them.
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    [[nodiscard]] rtl::TComponent* GetParentComponent() const override;
    void SetParentComponent(rtl::TComponent* parent) override;
    [[nodiscard]] bool HasParent() const override;

protected:
    ~MenuItemComponent() override;
    /// Leaves the item holding it, then frees its own items, newest first.
    void BeforeDestruction() override;

private:
    friend class PopupMenuComponent;

    std::vector<MenuItemComponent*> m_items; // freed with this item
    MenuItemComponent* m_parent = nullptr;
    PopupMenuComponent* m_menu = nullptr; // set on a menu's hidden top item only
    std::string m_caption;
    std::string m_shortCut;
    bool m_enabled = true;
    bool m_checked = false;
};

/// A menu that pops up at a screen point: what a visual object shows on a right click or
/// the context-menu key, and a popup button under itself.
class PopupMenuComponent : public rtl::TComponent {
    RTL_CLASS(PopupMenuComponent, rtl::TComponent)
public:
    explicit PopupMenuComponent(rtl::TComponent* owner);

    /// The hidden top item that holds the menu's items; owned by the menu.
    [[nodiscard]] MenuItemComponent& Items() const { return *m_items; }

    /// The component the menu was last opened for; a plain link, cleared when that goes.
    [[nodiscard]] rtl::TComponent* GetPopupComponent() const { return m_popupComponent; }
    void SetPopupComponent(rtl::TComponent* value);

    /// Shows the items at the screen point (x, y) and returns once the menu closed; the
    /// chosen item's OnClick runs after that, on a later turn of the event loop (at once
    /// without one). A menu without items, or one already showing, shows nothing.
    virtual void Popup(int32_t x, int32_t y);
    /// True while the menu shows.
    [[nodiscard]] bool IsShowing() const;

    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

protected:
    ~PopupMenuComponent() override;
    void BeforeDestruction() override;

private:
    MenuItemComponent* m_items = nullptr; // owned
    rtl::ComponentLink<rtl::TComponent> m_popupComponent { this };
    std::unique_ptr<PopupMenu> m_menu; // made at the first showing
};

/// Registers both classes for streaming (a second call does nothing).
void RegisterMenuComponents();

} // namespace platform::ui
