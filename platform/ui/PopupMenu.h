#pragma once

#include "platform/ui/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Popup menus built in code: a tree of items shown at a screen point. Showing blocks, as the
// toolkit's menus did, until the menu closes; the chosen item's handler is then posted, so it
// runs after the input handler that opened the menu has returned and may free anything that
// handler was using. GUI thread only.
namespace platform::ui {

class SceneHost;

/// One entry of a menu: a command, a check or radio item, or a submenu (an item with items).
class MenuItem {
public:
    explicit MenuItem(std::string caption = {}, std::function<void()> onClick = {});
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    /// UTF-8; shown as it is (no mnemonics).
    std::string Caption;
    /// UTF-8, shown at the right of the caption ("Ctrl+C"); a text only, no key binding.
    std::string ShortCut;
    int64_t Tag = 0;
    /// Shows a check mark (a radio dot when Radio). Choosing the item does not change it:
    /// the handler does.
    bool Checked = false;
    bool Radio = false;
    /// A disabled item is shown greyed and cannot be chosen.
    bool Enabled = true;
    /// Runs (posted) when the item is chosen; items with items are submenus and never chosen.
    std::function<void()> OnClick;

    /// Appends an item; the reference stays valid until this item is cleared or freed.
    MenuItem& Add(std::string caption, std::function<void()> onClick = {});
    void Clear() { m_items.clear(); }
    [[nodiscard]] size_t Count() const { return m_items.size(); }
    [[nodiscard]] MenuItem& Item(size_t index) const { return *m_items.at(index); }
    [[nodiscard]] std::span<const std::unique_ptr<MenuItem>> Items() const { return m_items; }
    [[nodiscard]] MenuItem* Parent() const { return m_parent; }
    /// The first item with exactly this caption, this item's items first, then theirs.
    [[nodiscard]] MenuItem* FindByCaption(std::string_view caption);
    /// The item reached through these captions, one per level; null when a step is missing.
    [[nodiscard]] MenuItem* FindPath(std::initializer_list<std::string_view> captions);
    [[nodiscard]] MenuItem* FindPath(std::span<const std::string> captions);

private:
    template <class Captions> MenuItem* FindPathOf(const Captions& captions);

    std::vector<std::unique_ptr<MenuItem>> m_items;
    MenuItem* m_parent = nullptr;
};

class PopupMenu {
public:
    virtual ~PopupMenu() = default;
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    /// A menu of the running application's window system (the headless one without a
    /// display).
    [[nodiscard]] static std::unique_ptr<PopupMenu> Create();

    /// The top level of the menu; change it freely while the menu is not showing.
    [[nodiscard]] MenuItem& Items() { return m_root; }

    /// Shows the items as they are now with the menu's top left corner at the screen point,
    /// over `owner`'s window when given (else over the active window), and returns once the
    /// menu closed: true when an item was chosen, whose OnClick is then posted. A menu that
    /// is already showing, or that has nothing to show on, returns false at once.
    bool Popup(Point screen, SceneHost* owner = nullptr);
    [[nodiscard]] bool IsShowing() const { return m_showing; }
    /// Tells whether the menu has been freed (a handler run while it showed may free it).
    [[nodiscard]] LifetimeWatch GetWatch() const { return m_life.GetWatch(); }

protected:
    /// What the user did with a shown menu: the handler of the item chosen, when one was.
    struct Choice {
        bool chosen = false;
        std::function<void()> onClick;
    };

    PopupMenu() = default;
    /// Shows the menu and waits until it closes. The menu may be freed while it waits (a
    /// handler of the nested loop): then nothing of it may be touched afterwards, and the
    /// answer is ignored.
    virtual Choice Show(Point screen, SceneHost* owner) = 0;

private:
    MenuItem m_root;
    Lifetime m_life;
    bool m_showing = false;
};

/// The headless menu. What the user does with it is scripted: the chooser is asked each time
/// a fake menu pops up and answers the item to choose (null, or an item that is disabled or
/// has items, dismisses the menu). Without a chooser every menu is dismissed.
class FakePopupMenu final : public PopupMenu {
public:
    using Chooser = std::function<MenuItem*(MenuItem& items, Point screen)>;
    static void SetChooser(Chooser chooser);
    /// Chooses, in every menu shown from now on, the item reached by these captions from the
    /// top (a submenu's caption, then an item of it); nothing when one of them is missing.
    static void ChooseCaptions(std::vector<std::string> captions);
    /// Menus shown since the last SetChooser.
    [[nodiscard]] static int ShownCount();
    /// The screen point of the last menu shown.
    [[nodiscard]] static Point LastPoint();

protected:
    Choice Show(Point screen, SceneHost* owner) override;
};

} // namespace platform::ui
