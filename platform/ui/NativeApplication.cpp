#include "platform/ui/NativeApplication.h"

#include "platform/rtl/Text.h"
#include "platform/ui/GtkPrivate.h"
#include "platform/ui/Worker.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>

namespace platform::ui {
namespace {

GdkCursorType FallbackType(CursorFallback fallback)
{
    switch (fallback) {
    case CursorFallback::LeftPtr:
        return GDK_LEFT_PTR;
    case CursorFallback::Blank:
        return GDK_BLANK_CURSOR;
    case CursorFallback::Crosshair:
        return GDK_CROSSHAIR;
    case CursorFallback::Xterm:
        return GDK_XTERM;
    case CursorFallback::BottomLeftCorner:
        return GDK_BOTTOM_LEFT_CORNER;
    case CursorFallback::BottomRightCorner:
        return GDK_BOTTOM_RIGHT_CORNER;
    case CursorFallback::SbHDoubleArrow:
        return GDK_SB_H_DOUBLE_ARROW;
    case CursorFallback::SbVDoubleArrow:
        return GDK_SB_V_DOUBLE_ARROW;
    case CursorFallback::Watch:
        return GDK_WATCH;
    case CursorFallback::Fleur:
        return GDK_FLEUR;
    case CursorFallback::XCursor:
        return GDK_X_CURSOR;
    case CursorFallback::QuestionArrow:
        return GDK_QUESTION_ARROW;
    case CursorFallback::Hand2:
        return GDK_HAND2;
    }
    return GDK_LEFT_PTR;
}

GtkWindow* ActiveToplevel()
{
    GList* list = gtk_window_list_toplevels();
    GtkWindow* active = nullptr;
    for (GList* l = list; l; l = l->next)
        if (gtk_window_is_active(GTK_WINDOW(l->data)))
            active = GTK_WINDOW(l->data);
    g_list_free(list);
    return active;
}

} // namespace

NativeStart StartNativeApplication(std::string_view programName)
{
    if (Application::TryCurrent())
        return { nullptr, "An application is already running in this process." };
    // Coordinates, window moves and the double-click rules here are those of X11; on a
    // Wayland session GTK runs through XWayland.
    gdk_set_allowed_backends("x11");
    const std::string name(programName);
    if (!name.empty())
        g_set_prgname(name.c_str());
    if (!gtk_init_check(nullptr, nullptr)) {
        const char* display = std::getenv("DISPLAY");
        return { nullptr, std::string("Cannot open the X display \"") + (display ? display : "") + "\"." };
    }
    // GTK's start-up applied the whole user locale; numbers in the C library must stay
    // locale-independent, the rest (input methods, collation) keeps the user's.
    std::setlocale(LC_NUMERIC, "C");
    UseOnePixelScale();
    return { std::make_unique<NativeApplication>(), {} };
}

class NativeApplication::NativeClipboard final : public Clipboard {
public:
    void SetText(std::u16string_view text) override
    {
        const std::string utf8 = rtl::Utf16ToUtf8(text);
        gtk_clipboard_set_text(Get(), utf8.data(), static_cast<gint>(utf8.size()));
    }
    std::optional<std::u16string> GetText() override
    {
        gchar* text = gtk_clipboard_wait_for_text(Get());
        if (!text)
            return std::nullopt;
        gchar* valid = g_utf8_make_valid(text, -1);
        std::u16string result = rtl::Utf8ToUtf16(valid);
        g_free(valid);
        g_free(text);
        return result;
    }
    bool HasText() override { return gtk_clipboard_wait_is_text_available(Get()) != FALSE; }

    // Leaves the text with a clipboard manager, when one runs, so it survives the process.
    void Store()
    {
        gtk_clipboard_set_can_store(Get(), nullptr, 0);
        gtk_clipboard_store(Get());
    }

private:
    static GtkClipboard* Get() { return gtk_clipboard_get(GDK_SELECTION_CLIPBOARD); }
};

NativeApplication::NativeApplication()
{
    gint time = 400;
    gint distance = 5;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &time, "gtk-double-click-distance",
        &distance, nullptr);
    m_clicks = ClickSettings { static_cast<uint32_t>(std::max(time, 1)), std::max(distance, 0) };

    static GSourceFuncs funcs = [] {
        GSourceFuncs f {};
        f.prepare = SourcePrepare;
        f.check = SourceCheck;
        f.dispatch = SourceDispatch;
        return f;
    }();
    const auto makeSource = [this](bool idle, int priority, const char* name) {
        GSource* source = g_source_new(&funcs, sizeof(LoopSource));
        auto* loop = reinterpret_cast<LoopSource*>(source);
        loop->app = this;
        loop->idle = idle;
        g_source_set_priority(source, priority);
        g_source_set_name(source, name);
        // Posted calls must keep flowing inside a modal loop that a posted call started.
        g_source_set_can_recurse(source, !idle);
        g_source_attach(source, nullptr);
        return source;
    };
    m_postedSource.reset(makeSource(false, kPostedPriority, "posted calls"));
    m_idleSource.reset(makeSource(true, kIdlePriority, "idle handler"));
    gdk_event_handler_set(EventHook, this, nullptr);
    m_clipboard = std::make_unique<NativeClipboard>();
}

NativeApplication::~NativeApplication()
{
    BeginShutdown();
    WaitForWorkers();
    FinishDeferredFrees();
    gdk_event_handler_set([](GdkEvent* event, gpointer) { gtk_main_do_event(event); }, nullptr, nullptr);
    m_clipboard->Store();
    std::vector<uint32_t> timers;
    for (const auto& entry : Timers())
        timers.push_back(entry.first);
    for (uint32_t id : timers)
        StopTimer(id);
}

gboolean NativeApplication::SourcePrepare(GSource* source, gint* timeout)
{
    *timeout = -1;
    return SourceCheck(source);
}

gboolean NativeApplication::SourceCheck(GSource* source)
{
    auto* loop = reinterpret_cast<LoopSource*>(source);
    return loop->idle ? loop->app->IdleArmed() : loop->app->HasPosted();
}

gboolean NativeApplication::SourceDispatch(GSource* source, GSourceFunc, gpointer)
{
    auto* loop = reinterpret_cast<LoopSource*>(source);
    if (loop->idle)
        loop->app->DispatchIdle();
    else
        loop->app->DispatchPosted();
    return G_SOURCE_CONTINUE;
}

void NativeApplication::EventHook(GdkEvent* event, gpointer data)
{
    auto* app = static_cast<NativeApplication*>(data);
    if (!app->EndsPopupGrab(event))
        gtk_main_do_event(event);
    app->NoteActivity();
}

bool NativeApplication::EndsPopupGrab(GdkEvent* event)
{
    NativeForm* form = m_popupGrab;
    if (!form)
        return false;
    switch (event->type) {
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS:
    case GDK_TOUCH_BEGIN: {
        gdouble x = 0;
        gdouble y = 0;
        if (!gdk_event_get_root_coords(event, &x, &y) || form->ContainsScreenPoint(x, y))
            return false;
        form->LosePopupGrab();
        return true;
    }
    case GDK_GRAB_BROKEN:
        // Another program (or a GTK menu) took the pointer: the popup has lost it for good.
        if (event->grab_broken.window == gtk_widget_get_window(form->Window())
            && !event->grab_broken.grab_window) {
            form->LosePopupGrab();
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool NativeApplication::WaitAndDispatch()
{
    gtk_main_iteration_do(TRUE);
    return true;
}

void NativeApplication::ProcessMessages()
{
    SuppressIdle(true);
    // Bounded, so a timer whose handler outlasts its interval cannot hold the caller forever.
    for (int i = 0; i < 100000 && gtk_events_pending(); ++i)
        gtk_main_iteration_do(FALSE);
    SuppressIdle(false);
}

void NativeApplication::WakeLoop()
{
    g_main_context_wakeup(nullptr);
}

gboolean NativeApplication::TimerTick(gpointer id)
{
    auto* app = static_cast<NativeApplication*>(Application::TryCurrent());
    if (!app)
        return G_SOURCE_REMOVE;
    return app->DispatchTimer(GPOINTER_TO_UINT(id)) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

bool NativeApplication::BackendStartTimer(TimerRecord& record)
{
    GSource* source = g_timeout_source_new(record.intervalMs);
    g_source_set_priority(source, kTimerPriority);
    g_source_set_callback(source, TimerTick, GUINT_TO_POINTER(record.id), nullptr);
    if (g_source_attach(source, nullptr) == 0) {
        g_source_unref(source);
        return false;
    }
    record.backend = source;
    return true;
}

void NativeApplication::BackendStopTimer(TimerRecord& record)
{
    if (auto* source = static_cast<GSource*>(record.backend)) {
        g_source_destroy(source);
        g_source_unref(source);
        record.backend = nullptr;
    }
}

void NativeApplication::ShowException(const std::string& message)
{
    // A repeating failure (every paint of a broken scene) shows once while its dialog is up.
    if (!m_pendingErrors.empty() && m_pendingErrors.back() == message)
        return;
    m_pendingErrors.push_back(message);
    if (m_showingErrors)
        return;
    m_showingErrors = true;
    // Shown from a posted call: the failing handler may sit inside a paint or a GTK signal,
    // where a modal loop must not start.
    Post([this] { ShowPendingErrors(); });
}

void NativeApplication::ShowPendingErrors()
{
    while (!m_pendingErrors.empty()) {
        const std::string message = m_pendingErrors.front();
        GtkWidget* dialog = gtk_message_dialog_new(
            ActiveToplevel(), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", message.c_str());
        if (const gchar* title = g_get_application_name())
            gtk_window_set_title(GTK_WINDOW(dialog), title);
        gtk_dialog_run(GTK_DIALOG(dialog));
        gtk_widget_destroy(dialog);
        m_pendingErrors.erase(m_pendingErrors.begin());
    }
    m_showingErrors = false;
}

std::unique_ptr<Form> NativeApplication::CreateForm(const FormOptions& options)
{
    return std::make_unique<NativeForm>(*this, options);
}

bool NativeApplication::CanLayerWindows() const
{
    GdkScreen* screen = gdk_screen_get_default();
    return screen && gdk_screen_is_composited(screen) && gdk_screen_get_rgba_visual(screen) != nullptr;
}

Point NativeApplication::CursorPos() const
{
    GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
    gint x = 0;
    gint y = 0;
    if (pointer)
        gdk_device_get_position(pointer, nullptr, &x, &y);
    return { x, y };
}

Clipboard& NativeApplication::GetClipboard()
{
    return *m_clipboard;
}

int64_t NativeApplication::TickMs() const
{
    return g_get_monotonic_time() / 1000;
}

GdkCursor* NativeApplication::CursorFor(int32_t cursorNumber)
{
    if (auto it = m_cursors.find(cursorNumber); it != m_cursors.end())
        return it->second.get();
    const CursorShape shape = CursorShapeFor(cursorNumber);
    GdkDisplay* display = gdk_display_get_default();
    const std::string name(shape.name);
    GdkCursor* cursor = gdk_cursor_new_from_name(display, name.c_str());
    if (!cursor) // no cursor theme (bare X servers): the cursor font
        cursor = gdk_cursor_new_for_display(display, FallbackType(shape.fallback));
    m_cursors.emplace(cursorNumber, GObjectPtr<GdkCursor>(cursor));
    return cursor;
}

Rect NativeApplication::ScreenWorkArea(Point near) const
{
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_monitor_at_point(display, near.x, near.y) : nullptr;
    if (!monitor)
        return { 0, 0, 0, 0 };
    GdkRectangle area {};
    gdk_monitor_get_workarea(monitor, &area);
    return { area.x, area.y, area.x + area.width, area.y + area.height };
}

SceneHost* NativeApplication::HostAtScreenPoint(Point screen) const
{
    GList* stack = gdk_screen_get_window_stack(gdk_screen_get_default());
    NativeSceneHost* best = nullptr;
    int64_t bestRank = -1;
    for (size_t i = 0; i < m_hosts.size(); ++i) {
        NativeSceneHost* host = m_hosts[i];
        if (!host->HasWindow() || !gtk_widget_get_mapped(host->Widget()))
            continue;
        const Point p = host->ScreenToClient(screen);
        if (p.x < 0 || p.y < 0 || p.x >= gtk_widget_get_allocated_width(host->Widget())
            || p.y >= gtk_widget_get_allocated_height(host->Widget()))
            continue;
        // Stacking order from the window manager when there is one; windows it does not
        // list (override-redirect popups) are on top. Without it, newer hosts are on top.
        int64_t rank = static_cast<int64_t>(i);
        if (stack) {
            GdkWindow* top = gdk_window_get_toplevel(gtk_widget_get_window(host->Widget()));
            const gint index = g_list_index(stack, top);
            rank = index >= 0 ? index * 100000LL + static_cast<int64_t>(i)
                              : (1LL << 40) + static_cast<int64_t>(i);
        }
        if (rank >= bestRank) {
            bestRank = rank;
            best = host;
        }
    }
    g_list_free_full(stack, g_object_unref);
    return best;
}

RawModifiers ModifiersFromGdk(guint state)
{
    RawModifiers m;
    m.shift = (state & GDK_SHIFT_MASK) != 0;
    m.ctrl = (state & GDK_CONTROL_MASK) != 0;
    m.alt = (state & GDK_MOD1_MASK) != 0;
    m.meta = (state & (GDK_META_MASK | GDK_SUPER_MASK)) != 0;
    m.button1 = (state & GDK_BUTTON1_MASK) != 0;
    m.button2 = (state & GDK_BUTTON2_MASK) != 0;
    m.button3 = (state & GDK_BUTTON3_MASK) != 0;
    return m;
}

} // namespace platform::ui
