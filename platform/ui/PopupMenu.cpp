#include "platform/ui/PopupMenu.h"

#include "platform/ui/Application.h"

namespace platform::ui {

namespace {

FakePopupMenu::Chooser g_chooser;
int g_shown = 0;
Point g_lastPoint;

// True when `item` lies in the tree under `root` and could be chosen there: enabled, without
// items, under enabled submenus only.
bool Choosable(const MenuItem& root, const MenuItem* item)
{
    if (!item || !item->Enabled || item->Count() != 0)
        return false;
    for (const MenuItem* parent = item->Parent(); parent; parent = parent->Parent()) {
        if (parent == &root)
            return true;
        if (!parent->Enabled)
            return false;
    }
    return false;
}

} // namespace

MenuItem::MenuItem(std::string caption, std::function<void()> onClick)
    : Caption(std::move(caption))
    , OnClick(std::move(onClick))
{ }

MenuItem& MenuItem::Add(std::string caption, std::function<void()> onClick)
{
    m_items.push_back(std::make_unique<MenuItem>(std::move(caption), std::move(onClick)));
    m_items.back()->m_parent = this;
    return *m_items.back();
}

MenuItem* MenuItem::FindByCaption(std::string_view caption)
{
    for (const auto& item : m_items) {
        if (item->Caption == caption)
            return item.get();
    }
    for (const auto& item : m_items) {
        if (MenuItem* found = item->FindByCaption(caption))
            return found;
    }
    return nullptr;
}

MenuItem* MenuItem::FindPath(std::initializer_list<std::string_view> captions)
{
    return FindPathOf(captions);
}

MenuItem* MenuItem::FindPath(std::span<const std::string> captions)
{
    return FindPathOf(captions);
}

template <class Captions> MenuItem* MenuItem::FindPathOf(const Captions& captions)
{
    MenuItem* level = this;
    for (const std::string_view caption : captions) {
        MenuItem* next = nullptr;
        for (const auto& item : level->m_items) {
            if (item->Caption == caption) {
                next = item.get();
                break;
            }
        }
        if (!next)
            return nullptr;
        level = next;
    }
    return level;
}

bool PopupMenu::Popup(Point screen, SceneHost* owner)
{
    if (m_showing)
        return false;
    m_showing = true;
    const LifetimeWatch watch = m_life.GetWatch();
    Choice choice = Show(screen, owner);
    if (watch.Gone())
        return false;
    m_showing = false;
    if (!choice.chosen)
        return false;
    if (choice.onClick) {
        // Posted: the handler that opened the menu finishes first, whatever the command does.
        if (Application* app = Application::TryCurrent())
            app->Post(std::move(choice.onClick));
        else
            choice.onClick();
    }
    return true;
}

void FakePopupMenu::SetChooser(Chooser chooser)
{
    g_chooser = std::move(chooser);
    g_shown = 0;
    g_lastPoint = {};
}

void FakePopupMenu::ChooseCaptions(std::vector<std::string> captions)
{
    SetChooser([captions = std::move(captions)](
                   MenuItem& items, Point) { return items.FindPath(std::span(captions)); });
}

int FakePopupMenu::ShownCount()
{
    return g_shown;
}

Point FakePopupMenu::LastPoint()
{
    return g_lastPoint;
}

PopupMenu::Choice FakePopupMenu::Show(Point screen, SceneHost*)
{
    ++g_shown;
    g_lastPoint = screen;
    if (!g_chooser)
        return {};
    // The chooser may free this menu, like a handler running while a real menu shows.
    const Chooser chooser = g_chooser;
    const LifetimeWatch watch = GetWatch();
    MenuItem& items = Items();
    MenuItem* item = chooser(items, screen);
    if (watch.Gone() || !Choosable(items, item))
        return {};
    return { true, item->OnClick };
}

} // namespace platform::ui
