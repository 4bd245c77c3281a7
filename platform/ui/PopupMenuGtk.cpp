// Popup menus of the GTK application: a GtkMenu built from the items each time it shows,
// waited for in a nested loop.

#include "platform/ui/PopupMenu.h"

#include "platform/ui/GtkPrivate.h"
#include "platform/ui/PopupMenuTestDriver.h"

#include <vector>

namespace platform::ui {

namespace {

class NativePopupMenu;
NativePopupMenu* g_openMenu = nullptr; // the menu whose GtkMenu shows now

// What one showing collects; lives on the stack of Show, which outlasts the GtkMenu.
struct ShowState {
    std::vector<std::function<void()>> handlers; // of the leaf items, by their index + 1
    int chosen = 0;
    bool done = false;
};

constexpr const char* kIndexKey = "gf-menu-index";

void OnActivate(GtkMenuItem* widget, gpointer data)
{
    auto* state = static_cast<ShowState*>(data);
    state->chosen = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), kIndexKey));
}

void OnDeactivate(GtkMenuShell*, gpointer data)
{
    static_cast<ShowState*>(data)->done = true;
}

// The caption, and the shortcut text dimmed at the right edge as the theme shows key names.
GtkWidget* ItemLabel(const MenuItem& item)
{
    GtkWidget* caption = gtk_label_new(item.Caption.c_str());
    gtk_label_set_xalign(GTK_LABEL(caption), 0);
    if (item.ShortCut.empty())
        return caption;
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 24);
    gtk_box_pack_start(GTK_BOX(row), caption, TRUE, TRUE, 0);
    GtkWidget* shortCut = gtk_label_new(item.ShortCut.c_str());
    gtk_label_set_xalign(GTK_LABEL(shortCut), 1);
    gtk_style_context_add_class(gtk_widget_get_style_context(shortCut), "dim-label");
    gtk_box_pack_end(GTK_BOX(row), shortCut, FALSE, FALSE, 0);
    return row;
}

GtkWidget* BuildMenu(const MenuItem& parent, ShowState& state)
{
    GtkWidget* menu = gtk_menu_new();
    for (const auto& item : parent.Items()) {
        GtkWidget* widget = nullptr;
        if (item->Checked || item->Radio) {
            widget = gtk_check_menu_item_new();
            gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(widget), item->Radio);
            // NOTE: before "activate" is connected: setting the state emits it.
            gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), item->Checked);
        } else {
            widget = gtk_menu_item_new();
        }
        GtkWidget* label = ItemLabel(*item);
        gtk_container_add(GTK_CONTAINER(widget), label);
        gtk_widget_show_all(label);
        gtk_widget_set_sensitive(widget, item->Enabled);
        if (item->Count() > 0) {
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), BuildMenu(*item, state));
        } else {
            state.handlers.push_back(item->OnClick);
            g_object_set_data(
                G_OBJECT(widget), kIndexKey, GINT_TO_POINTER(static_cast<int>(state.handlers.size())));
            g_signal_connect(widget, "activate", G_CALLBACK(OnActivate), &state);
        }
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), widget);
        gtk_widget_show(widget);
    }
    return menu;
}

GtkWidget* ActiveToplevelWidget()
{
    GList* list = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* l = list; l; l = l->next) {
        GtkWidget* window = GTK_WIDGET(l->data);
        if (!gtk_widget_get_mapped(window) || GTK_IS_MENU(gtk_bin_get_child(GTK_BIN(window))))
            continue;
        if (!found || gtk_window_is_active(GTK_WINDOW(window)))
            found = window;
    }
    g_list_free(list);
    return found;
}

class NativePopupMenu final : public PopupMenu {
public:
    ~NativePopupMenu() override
    {
        // Freed while showing (by a handler of the nested loop): the menu closes, and the
        // waiting Show sees that this object went.
        if (g_openMenu == this)
            g_openMenu = nullptr;
        if (m_menu)
            gtk_menu_shell_deactivate(GTK_MENU_SHELL(m_menu));
    }

    GtkWidget* OpenMenu() const { return m_menu; }

protected:
    Choice Show(Point screen, SceneHost* owner) override
    {
        GtkWidget* anchor = nullptr;
        if (auto* host = dynamic_cast<NativeSceneHost*>(owner))
            anchor = host->Widget();
        if (!anchor || !gtk_widget_get_window(anchor))
            anchor = ActiveToplevelWidget();
        GdkWindow* window = anchor ? gtk_widget_get_window(anchor) : nullptr;
        if (!window)
            return {};

        ShowState state;
        OwnedWidget menu(BuildMenu(Items(), state));
        g_object_ref_sink(menu.get());
        g_signal_connect(menu.get(), "deactivate", G_CALLBACK(OnDeactivate), &state);
        gtk_menu_attach_to_widget(GTK_MENU(menu.get()), anchor, nullptr);

        gint originX = 0;
        gint originY = 0;
        gdk_window_get_origin(window, &originX, &originY);
        const GdkRectangle at { screen.x - originX, screen.y - originY, 1, 1 };
        GdkEvent* trigger = gtk_get_current_event();
        gtk_menu_popup_at_rect(
            GTK_MENU(menu.get()), window, &at, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, trigger);
        if (trigger)
            gdk_event_free(trigger);

        const LifetimeWatch watch = GetWatch();
        // A menu that could not take the pointer never shows and never closes by itself.
        if (gtk_widget_get_visible(menu.get())) {
            m_menu = menu.get();
            NativePopupMenu* outer = g_openMenu;
            g_openMenu = this;
            Application::Current().RunUntil([&] { return state.done; }, watch);
            if (!watch.Gone()) {
                m_menu = nullptr;
                g_openMenu = outer;
            }
        }
        g_signal_handlers_disconnect_by_data(menu.get(), &state);
        menu.reset();
        if (watch.Gone() || state.chosen <= 0 || state.chosen > static_cast<int>(state.handlers.size()))
            return {};
        return { true, state.handlers[static_cast<size_t>(state.chosen - 1)] };
    }

private:
    GtkWidget* m_menu = nullptr; // while showing; owned by Show
};

} // namespace

std::unique_ptr<PopupMenu> PopupMenu::Create()
{
    if (dynamic_cast<NativeApplication*>(Application::TryCurrent()))
        return std::make_unique<NativePopupMenu>();
    return std::make_unique<FakePopupMenu>();
}

namespace test {

bool SendKeyToOpenMenu(const std::string& keyName)
{
    if (!g_openMenu || !g_openMenu->OpenMenu())
        return false;
    GtkWidget* menu = g_openMenu->OpenMenu();
    // The deepest submenu that shows gets the key, as the menu's grab would route it.
    for (;;) {
        GtkWidget* selected = gtk_menu_shell_get_selected_item(GTK_MENU_SHELL(menu));
        GtkWidget* submenu = selected ? gtk_menu_item_get_submenu(GTK_MENU_ITEM(selected)) : nullptr;
        if (!submenu || !gtk_widget_get_mapped(submenu))
            break;
        menu = submenu;
    }
    GtkWidget* toplevel = gtk_widget_get_toplevel(menu);
    GdkWindow* window = gtk_widget_get_window(toplevel);
    if (!window)
        return false;
    const guint keyval = gdk_keyval_from_name(keyName.c_str());
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(window));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(
            gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys, &count)
        && count > 0) {
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        event->key.group = static_cast<guint8>(keys[0].group);
        g_free(keys);
    }
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
    gtk_main_do_event(event);
    gdk_event_free(event);
    return true;
}

bool MenuIsOpen()
{
    return g_openMenu != nullptr;
}

} // namespace test

} // namespace platform::ui
