#include "platform/ui/TestDriver.h"

#include "platform/ui/GtkPrivate.h"

#include <stdexcept>

namespace platform::ui::test {
namespace {

NativeSceneHost& Native(SceneHost& host)
{
    auto* native = dynamic_cast<NativeSceneHost*>(&host);
    if (!native)
        throw std::logic_error("the test driver needs a host of the GTK application");
    return *native;
}

NativeForm& Native(Form& form)
{
    auto* native = dynamic_cast<NativeForm*>(&form);
    if (!native)
        throw std::logic_error("the test driver needs a form of the GTK application");
    return *native;
}

GdkDevice* Pointer()
{
    return gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
}

GdkDevice* Keyboard()
{
    return gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default()));
}

guint StateOf(const RawModifiers& m)
{
    guint state = 0;
    if (m.shift)
        state |= GDK_SHIFT_MASK;
    if (m.ctrl)
        state |= GDK_CONTROL_MASK;
    if (m.alt)
        state |= GDK_MOD1_MASK;
    if (m.meta)
        state |= GDK_SUPER_MASK;
    if (m.button1)
        state |= GDK_BUTTON1_MASK;
    if (m.button2)
        state |= GDK_BUTTON2_MASK;
    if (m.button3)
        state |= GDK_BUTTON3_MASK;
    return state;
}

// Hands the event to GTK's own dispatch at once, as the event loop would: GDK's queue would
// hold motions back for the next frame.
void Deliver(GdkEvent* event)
{
    if (auto* app = dynamic_cast<NativeApplication*>(Application::TryCurrent()))
        app->DispatchEvent(event);
    else
        gtk_main_do_event(event);
    gdk_event_free(event);
}

GdkWindow* WindowOf(SceneHost& host)
{
    GdkWindow* window = gtk_widget_get_window(Native(host).Widget());
    if (!window)
        throw std::logic_error("the host has no window yet");
    return window;
}

} // namespace

void SendButton(SceneHost& host, RawButtonEvent::Type type, uint32_t button, double x, double y,
    const RawModifiers& modifiers, uint32_t time)
{
    GdkEventType gdkType = GDK_BUTTON_PRESS;
    switch (type) {
    case RawButtonEvent::Type::Press:
        gdkType = GDK_BUTTON_PRESS;
        break;
    case RawButtonEvent::Type::DoublePress:
        gdkType = GDK_2BUTTON_PRESS;
        break;
    case RawButtonEvent::Type::TriplePress:
        gdkType = GDK_3BUTTON_PRESS;
        break;
    case RawButtonEvent::Type::Release:
        gdkType = GDK_BUTTON_RELEASE;
        break;
    }
    GdkWindow* window = WindowOf(host);
    GdkEvent* event = gdk_event_new(gdkType);
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.send_event = TRUE;
    event->button.time = time;
    event->button.x = x;
    event->button.y = y;
    const Point root = host.ClientToScreen({ static_cast<int32_t>(x), static_cast<int32_t>(y) });
    event->button.x_root = root.x;
    event->button.y_root = root.y;
    event->button.state = StateOf(modifiers);
    event->button.button = button;
    gdk_event_set_device(event, Pointer());
    Deliver(event);
}

void SendOutsidePress(Point screen)
{
    GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
    event->button.window = GDK_WINDOW(g_object_ref(gdk_get_default_root_window()));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = screen.x;
    event->button.y = screen.y;
    event->button.x_root = screen.x;
    event->button.y_root = screen.y;
    event->button.button = 1;
    gdk_event_set_device(event, Pointer());
    Deliver(event);
}

void SendMotion(SceneHost& host, double x, double y, const RawModifiers& modifiers)
{
    GdkWindow* window = WindowOf(host);
    GdkEvent* event = gdk_event_new(GDK_MOTION_NOTIFY);
    event->motion.window = GDK_WINDOW(g_object_ref(window));
    event->motion.send_event = TRUE;
    event->motion.time = GDK_CURRENT_TIME;
    event->motion.x = x;
    event->motion.y = y;
    const Point root = host.ClientToScreen({ static_cast<int32_t>(x), static_cast<int32_t>(y) });
    event->motion.x_root = root.x;
    event->motion.y_root = root.y;
    event->motion.state = StateOf(modifiers);
    gdk_event_set_device(event, Pointer());
    Deliver(event);
}

void SendScroll(SceneHost& host, RawScrollEvent::Direction direction, double deltaY, double x, double y)
{
    GdkWindow* window = WindowOf(host);
    GdkEvent* event = gdk_event_new(GDK_SCROLL);
    event->scroll.window = GDK_WINDOW(g_object_ref(window));
    event->scroll.send_event = TRUE;
    event->scroll.time = GDK_CURRENT_TIME;
    event->scroll.x = x;
    event->scroll.y = y;
    switch (direction) {
    case RawScrollEvent::Direction::Up:
        event->scroll.direction = GDK_SCROLL_UP;
        break;
    case RawScrollEvent::Direction::Down:
        event->scroll.direction = GDK_SCROLL_DOWN;
        break;
    case RawScrollEvent::Direction::Left:
        event->scroll.direction = GDK_SCROLL_LEFT;
        break;
    case RawScrollEvent::Direction::Right:
        event->scroll.direction = GDK_SCROLL_RIGHT;
        break;
    case RawScrollEvent::Direction::Smooth:
        event->scroll.direction = GDK_SCROLL_SMOOTH;
        event->scroll.delta_y = deltaY;
        break;
    }
    gdk_event_set_device(event, Pointer());
    Deliver(event);
}

void SendLeave(SceneHost& host, Crossing mode, bool intoChild)
{
    GdkWindow* window = WindowOf(host);
    GdkEvent* event = gdk_event_new(GDK_LEAVE_NOTIFY);
    event->crossing.window = GDK_WINDOW(g_object_ref(window));
    event->crossing.send_event = TRUE;
    event->crossing.time = GDK_CURRENT_TIME;
    event->crossing.x = -1;
    event->crossing.y = -1;
    event->crossing.mode = mode == Crossing::Grab ? GDK_CROSSING_GRAB
        : mode == Crossing::Ungrab                ? GDK_CROSSING_UNGRAB
                                                  : GDK_CROSSING_NORMAL;
    event->crossing.detail = intoChild ? GDK_NOTIFY_INFERIOR : GDK_NOTIFY_ANCESTOR;
    gdk_event_set_device(event, Pointer());
    Deliver(event);
}

void SendKey(SceneHost& host, bool press, const std::string& keyName, const RawModifiers& modifiers)
{
    GtkWidget* toplevel = gtk_widget_get_toplevel(Native(host).Widget());
    GdkWindow* window = gtk_widget_get_window(toplevel);
    if (!window)
        throw std::logic_error("the host's form has no window yet");
    const guint keyval = gdk_keyval_from_name(keyName.c_str());
    GdkEvent* event = gdk_event_new(press ? GDK_KEY_PRESS : GDK_KEY_RELEASE);
    event->key.window = GDK_WINDOW(g_object_ref(window));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.state = StateOf(modifiers);
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
    gdk_event_set_device(event, Keyboard());
    Deliver(event);
}

void SendFocus(Form& form, bool in)
{
    GdkWindow* window = gtk_widget_get_window(Native(form).Window());
    if (!window)
        throw std::logic_error("the form has no window yet");
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(window));
    event->focus_change.send_event = TRUE;
    event->focus_change.in = in ? 1 : 0;
    gdk_event_set_device(event, Keyboard());
    Deliver(event);
}

void SendGrabBroken(SceneHost& host)
{
    GdkWindow* window = WindowOf(host);
    GdkEvent* event = gdk_event_new(GDK_GRAB_BROKEN);
    event->grab_broken.window = GDK_WINDOW(g_object_ref(window));
    event->grab_broken.send_event = TRUE;
    event->grab_broken.keyboard = FALSE;
    event->grab_broken.implicit = FALSE;
    gdk_event_set_device(event, Pointer());
    Deliver(event);
}

void SendCloseRequest(Form& form)
{
    GdkWindow* window = gtk_widget_get_window(Native(form).Window());
    if (!window)
        throw std::logic_error("the form has no window yet");
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(window));
    event->any.send_event = TRUE;
    Deliver(event);
}

void Sync()
{
    GdkDisplay* display = gdk_display_get_default();
    gdk_display_flush(display);
    gdk_display_sync(display);
}

namespace {

std::vector<uint32_t> PixelsOf(GdkWindow* window, const Rect& rect)
{
    std::vector<uint32_t> pixels;
    if (rect.IsEmpty())
        return pixels;
    Sync();
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(window, rect.left, rect.top, rect.Width(), rect.Height());
    if (!pixbuf)
        return pixels;
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* data = gdk_pixbuf_read_pixels(pixbuf);
    const int w = gdk_pixbuf_get_width(pixbuf);
    const int h = gdk_pixbuf_get_height(pixbuf);
    pixels.reserve(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const guchar* p = data + static_cast<size_t>(y) * static_cast<size_t>(stride)
                + static_cast<size_t>(x) * static_cast<size_t>(channels);
            pixels.push_back(0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]));
        }
    }
    g_object_unref(pixbuf);
    return pixels;
}

} // namespace

std::vector<uint32_t> ReadPixels(SceneHost& host, const Rect& rect)
{
    return PixelsOf(WindowOf(host), rect);
}

int PaintCount(SceneHost& host)
{
    return Native(host).PaintCount();
}

int64_t PaintMicroseconds(SceneHost& host)
{
    return Native(host).PaintMicroseconds();
}

int64_t PresentedArea(SceneHost& host)
{
    return Native(host).PresentedArea();
}

std::vector<Rect> LayeredShape(Form& form)
{
    return Native(form).LayeredShape();
}

bool QueryTooltip(SceneHost& host, Point client)
{
    GObject* tooltip = G_OBJECT(g_object_new(GTK_TYPE_TOOLTIP, nullptr));
    gboolean shown = FALSE;
    g_signal_emit_by_name(Native(host).Widget(), "query-tooltip", client.x, client.y, FALSE, tooltip, &shown);
    g_object_unref(tooltip);
    return shown != FALSE;
}

void Raise(Form& form)
{
    if (GdkWindow* window = gtk_widget_get_window(Native(form).Window()))
        gdk_window_raise(window);
    Sync();
}

void ResizeFromOutside(Form& form, int32_t width, int32_t height)
{
    // The window system's own request, not the toolkit's: GTK hears of it only through the
    // configure event, as it hears of a window manager's resize.
    if (GdkWindow* window = gtk_widget_get_window(Native(form).Window()))
        gdk_window_resize(window, width, height);
    Sync();
}

std::vector<uint32_t> ReadFormPixels(Form& form, const Rect& rect)
{
    GdkWindow* window = gtk_widget_get_window(Native(form).Window());
    return window ? PixelsOf(window, rect) : std::vector<uint32_t> {};
}

bool HasCursor(SceneHost& host)
{
    return gdk_window_get_cursor(WindowOf(host)) != nullptr;
}

namespace {

struct DragSource {
    const std::vector<std::string>* uris = nullptr; // offered as a URI list, else
    const std::string* text = nullptr; // offered as text
    int dataRequests = 0;
    bool ended = false;
};

void OnDragDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* selection, guint, guint, gpointer data)
{
    auto* source = static_cast<DragSource*>(data);
    ++source->dataRequests;
    if (source->text) {
        gtk_selection_data_set_text(selection, source->text->data(), static_cast<gint>(source->text->size()));
        return;
    }
    std::vector<gchar*> list;
    for (const std::string& uri : *source->uris)
        list.push_back(const_cast<gchar*>(uri.c_str()));
    list.push_back(nullptr);
    gtk_selection_data_set_uris(selection, list.data());
}

void OnDragEnd(GtkWidget*, GdkDragContext*, gpointer data)
{
    static_cast<DragSource*>(data)->ended = true;
}

void OnDragBegin(GtkWidget*, GdkDragContext* context, gpointer)
{
    // A plain icon: bare X servers have no icon theme for the default one. It hangs away
    // from the pointer: GDK finds the window under the pointer from a cache of the window
    // stack that may still hold the icon of a drag that ended moments ago (a refused drop's
    // icon flies back to the source), and an icon under the pointer would then take the
    // next drop in place of the target.
    GdkPixbuf* icon = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 4, 4);
    gdk_pixbuf_fill(icon, 0x00000080);
    gtk_drag_set_icon_pixbuf(context, icon, -24, -24);
    g_object_unref(icon);
}

enum class Attempt { Done, Retry };

// One drag from a fresh source window. Retried when the drag could not start (another client
// holds the pointer) or when the drop point lies under another client's window.
Attempt TryDrop(SceneHost& target, const DragSource& offer, Point screen, DropResult& result)
{
    Application& app = Application::Current();
    GdkWindow* targetToplevel = gdk_window_get_toplevel(WindowOf(target));
    gdk_window_raise(targetToplevel);

    // The source sits away from the drop point, so the protocol finds the target there.
    GtkWidget* window = gtk_window_new(GTK_WINDOW_POPUP);
    const Point sourceAt = screen.x > 40 || screen.y > 40 ? Point { 0, 0 } : Point { 600, 600 };
    gtk_window_move(GTK_WINDOW(window), sourceAt.x, sourceAt.y);
    gtk_window_set_default_size(GTK_WINDOW(window), 8, 8);
    GtkWidget* box = gtk_event_box_new();
    gtk_container_add(GTK_CONTAINER(window), box);
    gtk_widget_show_all(window);
    Sync();

    DragSource source = offer;
    g_signal_connect(box, "drag-data-get", G_CALLBACK(OnDragDataGet), &source);
    g_signal_connect(box, "drag-end", G_CALLBACK(OnDragEnd), &source);
    g_signal_connect_after(box, "drag-begin", G_CALLBACK(OnDragBegin), &source);

    bool timedOut = false;
    const uint32_t guard = app.StartTimer(10000, [&](uint32_t) { timedOut = true; });
    Attempt attempt = Attempt::Done;

    GtkTargetList* targets = gtk_target_list_new(nullptr, 0);
    if (offer.text)
        gtk_target_list_add_text_targets(targets, 0);
    else
        gtk_target_list_add_uri_targets(targets, 0);
    gint ox = 0;
    gint oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(box), &ox, &oy);
    GdkDragContext* context = gtk_drag_begin_with_coordinates(box, targets,
        static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_LINK), 1, nullptr, screen.x - ox,
        screen.y - oy);
    gtk_target_list_unref(targets);

    if (!context) {
        attempt = Attempt::Retry;
    } else {
        g_object_ref(context);
        GdkDevice* device = gdk_drag_context_get_device(context);
        GdkWindow* sourceWindow = gtk_widget_get_window(box);
        const auto put = [&](GdkEventType type) {
            GdkEvent* event = gdk_event_new(type);
            event->any.window = GDK_WINDOW(g_object_ref(sourceWindow));
            event->any.send_event = TRUE;
            if (type == GDK_MOTION_NOTIFY) {
                event->motion.time = GDK_CURRENT_TIME;
                event->motion.x_root = screen.x;
                event->motion.y_root = screen.y;
                event->motion.state = GDK_BUTTON1_MASK;
            } else {
                event->button.time = GDK_CURRENT_TIME;
                event->button.x_root = screen.x;
                event->button.y_root = screen.y;
                event->button.button = 1;
                event->button.state = GDK_BUTTON1_MASK;
            }
            gdk_event_set_device(event, device);
            gdk_event_put(event); // the drag source watches GDK's queue, not GTK's dispatch
            gdk_event_free(event);
        };
        // The pointer moves onto the target; the destination asks for the data, then answers
        // (within this process, so handling what is pending brings the answer in).
        put(GDK_MOTION_NOTIFY);
        app.ProcessMessages();
        if (source.ended || gdk_drag_context_get_dest_window(context) != targetToplevel) {
            if (!source.ended)
                gtk_drag_cancel(context);
            app.RunUntil([&] { return timedOut || source.ended; });
            attempt = Attempt::Retry;
        } else {
            app.RunUntil([&] { return timedOut || source.dataRequests > 0 || source.ended; });
            app.ProcessMessages();
            // Releasing the button drops.
            put(GDK_BUTTON_RELEASE);
            app.RunUntil([&] { return timedOut || source.ended; });
        }
        g_object_unref(context);
    }
    app.StopTimer(guard);
    // The destination may still be finishing.
    app.ProcessMessages();
    if (attempt == Attempt::Done) {
        result.completed = source.ended && !timedOut;
        result.dataRequests = source.dataRequests;
    }
    g_signal_handlers_disconnect_by_data(box, &source);
    gtk_widget_destroy(window);
    return attempt;
}

DropResult Drop(SceneHost& target, const DragSource& offer, Point client)
{
    DropResult result;
    const Point screen = target.ClientToScreen(client);
    for (int i = 0; i < 40; ++i) {
        if (TryDrop(target, offer, screen, result) == Attempt::Done)
            break;
        // Another client (a test running beside this one) holds the pointer or covers the
        // point: give it a moment.
        g_usleep(50000);
    }
    return result;
}

} // namespace

DropResult DropUris(SceneHost& target, const std::vector<std::string>& uris, Point client)
{
    DragSource offer;
    offer.uris = &uris;
    return Drop(target, offer, client);
}

DropResult DropText(SceneHost& target, const std::string& utf8, Point client)
{
    DragSource offer;
    offer.text = &utf8;
    return Drop(target, offer, client);
}

} // namespace platform::ui::test
