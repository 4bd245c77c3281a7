#include "platform/rtl/Text.h"
#include "platform/ui/DragSession.h"
#include "platform/ui/GtkPrivate.h"
#include "platform/ui/Transfer.h"

#include <algorithm>
#include <cassert>

namespace platform::ui {
namespace {

constexpr guint kUriTarget = 1;
constexpr guint kTextTarget = 2;

RawKeyEvent RawKey(GdkEventKey* event)
{
    RawKeyEvent raw;
    raw.press = event->type == GDK_KEY_PRESS;
    raw.keyval = event->keyval;
    raw.modifiers = ModifiersFromGdk(event->state);
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(event->window));
    GdkKeymapKey* keys = nullptr;
    guint* keyvals = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keycode(keymap, event->hardware_keycode, &keys, &keyvals, &count)) {
        for (gint i = 0; i < count; ++i)
            raw.entries.push_back(KeyEntry { keyvals[i], keys[i].group, keys[i].level });
        g_free(keys);
        g_free(keyvals);
    }
    return raw;
}

GdkDragAction ActionFor(DropEffect effect, GdkDragContext* context)
{
    const GdkDragAction offered = gdk_drag_context_get_actions(context);
    GdkDragAction wanted;
    switch (effect) {
    case DropEffect::None:
        return static_cast<GdkDragAction>(0);
    case DropEffect::Copy:
        wanted = GDK_ACTION_COPY;
        break;
    case DropEffect::Move:
        wanted = GDK_ACTION_MOVE;
        break;
    case DropEffect::Link:
    default:
        wanted = GDK_ACTION_LINK;
        break;
    }
    return (offered & wanted) ? wanted : gdk_drag_context_get_suggested_action(context);
}

} // namespace

/// Offers keys to GTK's input method, which needs the original event.
class NativeSceneHost::ImBridge final : public InputMethod {
public:
    explicit ImBridge(GtkIMContext* im)
        : m_im(im)
    { }
    void SetEvent(GdkEventKey* event) { m_event = event; }
    bool Filter(const RawKeyEvent&) override
    {
        return m_event && gtk_im_context_filter_keypress(m_im, m_event) != FALSE;
    }

private:
    GtkIMContext* m_im;
    GdkEventKey* m_event = nullptr;
};

class NativeSceneHost::NativePaintContext final : public PaintContext {
public:
    NativePaintContext(cairo_t* cr, std::vector<Rect> rects, int64_t& presentedArea)
        : m_cr(cr)
        , m_rects(std::move(rects))
        , m_presentedArea(presentedArea)
    { }
    const std::vector<Rect>& UpdateRects() const override { return m_rects; }
    bool Present(const FrameView& frame, Point at, Blend blend) override
    {
        if (!frame.IsValid())
            return false;
        cairo_surface_t* surface = cairo_image_surface_create_for_data(
            const_cast<uint8_t*>(frame.pixels), CAIRO_FORMAT_ARGB32, frame.width, frame.height, frame.stride);
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(surface);
            return false;
        }
        cairo_save(m_cr);
        cairo_set_operator(m_cr, blend == Blend::Source ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
        cairo_set_source_surface(m_cr, surface, at.x, at.y);
        cairo_rectangle(m_cr, at.x, at.y, frame.width, frame.height);
        cairo_fill(m_cr);
        cairo_restore(m_cr);
        // The caller may reuse the pixels at once: nothing of them may stay behind in cairo.
        cairo_surface_finish(surface);
        cairo_surface_destroy(surface);
        m_presentedArea += static_cast<int64_t>(frame.width) * frame.height;
        return true;
    }

private:
    cairo_t* m_cr;
    std::vector<Rect> m_rects;
    int64_t& m_presentedArea;
};

NativeSceneHost::NativeSceneHost(NativeForm& form, SceneHostEvents& events, const Rect& bounds)
    : m_app(form.App())
    , m_form(&form)
    , m_events(events)
    , m_router(*this, form.App().Clicks())
    , m_bounds(bounds)
{
    m_area.reset(GTK_WIDGET(g_object_ref_sink(gtk_drawing_area_new())));
    gtk_widget_set_app_paintable(m_area.get(), TRUE);
    gtk_widget_set_can_focus(m_area.get(), TRUE);
    gtk_widget_add_events(m_area.get(),
        GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK
            | GDK_SMOOTH_SCROLL_MASK | GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK
            | GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
    gtk_widget_set_has_tooltip(m_area.get(), TRUE);
    gtk_widget_set_size_request(m_area.get(), std::max(bounds.Width(), 0), std::max(bounds.Height(), 0));
    gtk_layout_put(GTK_LAYOUT(form.Layout()), m_area.get(), bounds.left, bounds.top);

    m_im.reset(gtk_im_multicontext_new());
    g_signal_connect(m_im.get(), "commit", G_CALLBACK(OnCommit), this);

    g_signal_connect(m_area.get(), "realize", G_CALLBACK(OnRealize), this);
    g_signal_connect(m_area.get(), "unrealize", G_CALLBACK(OnUnrealize), this);
    g_signal_connect(m_area.get(), "size-allocate", G_CALLBACK(OnAllocate), this);
    g_signal_connect(m_area.get(), "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(m_area.get(), "button-press-event", G_CALLBACK(OnButton), this);
    g_signal_connect(m_area.get(), "button-release-event", G_CALLBACK(OnButton), this);
    g_signal_connect(m_area.get(), "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(m_area.get(), "scroll-event", G_CALLBACK(OnScroll), this);
    g_signal_connect(m_area.get(), "leave-notify-event", G_CALLBACK(OnCrossing), this);
    g_signal_connect(m_area.get(), "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(m_area.get(), "key-release-event", G_CALLBACK(OnKey), this);
    g_signal_connect(m_area.get(), "focus-in-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(m_area.get(), "focus-out-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(m_area.get(), "grab-broken-event", G_CALLBACK(OnGrabBroken), this);
    g_signal_connect(m_area.get(), "query-tooltip", G_CALLBACK(OnQueryTooltip), this);
    g_signal_connect(m_area.get(), "drag-motion", G_CALLBACK(OnDragMotion), this);
    g_signal_connect(m_area.get(), "drag-leave", G_CALLBACK(OnDragLeave), this);
    g_signal_connect(m_area.get(), "drag-drop", G_CALLBACK(OnDragDrop), this);
    g_signal_connect(m_area.get(), "drag-data-received", G_CALLBACK(OnDragDataReceived), this);

    m_form->m_hosts.push_back(this);
    m_app.RegisterHost(this);
}

NativeSceneHost::~NativeSceneHost()
{
    DragSession::HostGone(*this);
    if (m_form)
        std::erase(m_form->m_hosts, this);
    m_app.UnregisterHost(this);
    m_app.CancelPost(m_deferredLeave);
    ReleaseSeatGrab();
    g_signal_handlers_disconnect_by_data(m_area.get(), this);
    g_signal_handlers_disconnect_by_data(m_im.get(), this);
    gtk_im_context_set_client_window(m_im.get(), nullptr);
}

Form& NativeSceneHost::GetForm() const
{
    assert(m_form && "the host's form was freed first");
    return *m_form;
}

bool NativeSceneHost::HasWindow() const
{
    return gtk_widget_get_realized(m_area.get());
}

void NativeSceneHost::SetBounds(const Rect& bounds)
{
    if (bounds == m_bounds)
        return;
    m_bounds = bounds;
    if (m_form && gtk_widget_get_parent(m_area.get()))
        gtk_layout_move(GTK_LAYOUT(m_form->Layout()), m_area.get(), bounds.left, bounds.top);
    const int32_t width = std::max(bounds.Width(), 0);
    const int32_t height = std::max(bounds.Height(), 0);
    gtk_widget_set_size_request(m_area.get(), width, height);
    // Owners size their hosts while they hear of the form's new size, which is inside the
    // layout's own allocation: the request queued above would be cleared with the layout's
    // pass and wait for the next resize of the window. The host takes its place at once.
    if (m_form && gtk_widget_get_parent(m_area.get()) && gtk_widget_get_visible(m_area.get())
        && gtk_widget_get_realized(m_form->Layout())) {
        GtkRequisition minimum {};
        gtk_widget_get_preferred_size(m_area.get(), &minimum, nullptr);
        GtkAllocation allocation { bounds.left, bounds.top, std::max(width, minimum.width),
            std::max(height, minimum.height) };
        gtk_widget_size_allocate(m_area.get(), &allocation);
    }
}

void NativeSceneHost::SetVisible(bool visible)
{
    gtk_widget_set_visible(m_area.get(), visible);
}

bool NativeSceneHost::IsVisible() const
{
    return gtk_widget_get_visible(m_area.get());
}

void NativeSceneHost::Invalidate(const Rect& rect)
{
    if (!HasWindow() || rect.IsEmpty())
        return;
    gtk_widget_queue_draw_area(m_area.get(), rect.left, rect.top, rect.Width(), rect.Height());
}

void NativeSceneHost::InvalidateAll()
{
    if (HasWindow())
        gtk_widget_queue_draw(m_area.get());
}

Point NativeSceneHost::ClientToScreen(Point p) const
{
    GdkWindow* window = gtk_widget_get_window(m_area.get());
    if (!window || !HasWindow()) {
        const Point origin = m_form ? m_form->ClientToScreen({ m_bounds.left, m_bounds.top }) : Point {};
        return { origin.x + p.x, origin.y + p.y };
    }
    gint x = 0;
    gint y = 0;
    gdk_window_get_origin(window, &x, &y);
    return { x + p.x, y + p.y };
}

Point NativeSceneHost::ScreenToClient(Point p) const
{
    const Point origin = ClientToScreen({ 0, 0 });
    return { p.x - origin.x, p.y - origin.y };
}

void NativeSceneHost::SetCursor(int32_t cursorNumber)
{
    if (cursorNumber == m_cursor)
        return;
    m_cursor = cursorNumber;
    ApplyCursor();
}

void NativeSceneHost::ApplyCursor()
{
    if (GdkWindow* window = HasWindow() ? gtk_widget_get_window(m_area.get()) : nullptr)
        gdk_window_set_cursor(window, m_cursor == 0 ? nullptr : m_app.CursorFor(m_cursor));
}

void NativeSceneHost::SetCapture(bool capture)
{
    if (capture == m_captureWanted)
        return;
    m_captureWanted = capture;
    if (!capture) {
        ReleaseSeatGrab();
        return;
    }
    // While a button is held the window system's implicit grab already sends everything here.
    if (m_router.ButtonHeld() || !HasWindow())
        return;
    GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(m_area.get()));
    const GdkGrabStatus status = gdk_seat_grab(seat, gtk_widget_get_window(m_area.get()),
        GDK_SEAT_CAPABILITY_POINTER, FALSE, nullptr, nullptr, nullptr, nullptr);
    m_seatGrab = status == GDK_GRAB_SUCCESS;
}

void NativeSceneHost::ReleaseSeatGrab()
{
    if (!m_seatGrab)
        return;
    m_seatGrab = false;
    gdk_seat_ungrab(gdk_display_get_default_seat(gtk_widget_get_display(m_area.get())));
}

void NativeSceneHost::SetFocus()
{
    gtk_widget_grab_focus(m_area.get());
}

bool NativeSceneHost::HasFocus() const
{
    return gtk_widget_has_focus(m_area.get());
}

// Signals --------------------------------------------------------------------------------------

void NativeSceneHost::OnRealize(GtkWidget* widget, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    gtk_im_context_set_client_window(host->m_im.get(), gtk_widget_get_window(widget));
    GtkTargetList* targets = gtk_target_list_new(nullptr, 0);
    gtk_target_list_add_uri_targets(targets, kUriTarget);
    gtk_target_list_add_text_targets(targets, kTextTarget);
    gtk_drag_dest_set(widget, static_cast<GtkDestDefaults>(0), nullptr, 0,
        static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_MOVE | GDK_ACTION_LINK));
    gtk_drag_dest_set_target_list(widget, targets);
    gtk_target_list_unref(targets);
    host->ApplyCursor();
    const LifetimeWatch alive = host->GetWatch();
    Guarded([&] { host->m_events.HostCreated(); });
    if (alive.Gone())
        return;
    // GTK lays a widget out before it realizes it; the scene hears of its size once it exists.
    GdkRectangle allocation {};
    gtk_widget_get_allocation(widget, &allocation);
    OnAllocate(widget, &allocation, self);
}

void NativeSceneHost::OnUnrealize(GtkWidget* widget, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    const LifetimeWatch alive = host->GetWatch();
    Guarded([&] { host->m_events.HostDestroying(); });
    if (alive.Gone())
        return;
    host->ReleaseSeatGrab();
    host->ResetDrag();
    gtk_drag_dest_unset(widget);
    gtk_im_context_set_client_window(host->m_im.get(), nullptr);
    host->m_reportedWidth = host->m_reportedHeight = -1;
}

void NativeSceneHost::OnAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    host->m_bounds.right = host->m_bounds.left + allocation->width;
    host->m_bounds.bottom = host->m_bounds.top + allocation->height;
    if (!gtk_widget_get_realized(host->m_area.get()))
        return;
    if (allocation->width == host->m_reportedWidth && allocation->height == host->m_reportedHeight)
        return;
    host->m_reportedWidth = allocation->width;
    host->m_reportedHeight = allocation->height;
    Guarded([&] { host->m_events.HostResized(allocation->width, allocation->height); });
}

gboolean NativeSceneHost::OnDraw(GtkWidget*, cairo_t* cr, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    std::vector<Rect> rects;
    cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr);
    if (list->status == CAIRO_STATUS_SUCCESS) {
        for (int i = 0; i < list->num_rectangles; ++i) {
            const cairo_rectangle_t& r = list->rectangles[i];
            rects.push_back(Rect { static_cast<int32_t>(r.x), static_cast<int32_t>(r.y),
                static_cast<int32_t>(r.x + r.width), static_cast<int32_t>(r.y + r.height) });
        }
    } else {
        double x1, y1, x2, y2;
        cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
        rects.push_back(Rect { static_cast<int32_t>(x1), static_cast<int32_t>(y1), static_cast<int32_t>(x2),
            static_cast<int32_t>(y2) });
    }
    cairo_rectangle_list_destroy(list);
    ++host->m_paints;
    host->m_presentedArea = 0;
    const gint64 start = g_get_monotonic_time();
    NativePaintContext context(cr, std::move(rects), host->m_presentedArea);
    Guarded([&] { host->m_events.HostPaint(context); });
    host->m_paintMicroseconds += g_get_monotonic_time() - start;
    return TRUE;
}

gboolean NativeSceneHost::OnButton(GtkWidget*, GdkEventButton* event, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    RawButtonEvent raw;
    switch (event->type) {
    case GDK_BUTTON_PRESS:
        raw.type = RawButtonEvent::Type::Press;
        break;
    case GDK_2BUTTON_PRESS:
        raw.type = RawButtonEvent::Type::DoublePress;
        break;
    case GDK_3BUTTON_PRESS:
        raw.type = RawButtonEvent::Type::TriplePress;
        break;
    default:
        raw.type = RawButtonEvent::Type::Release;
        break;
    }
    raw.button = event->button;
    raw.x = event->x;
    raw.y = event->y;
    raw.rootX = event->x_root;
    raw.rootY = event->y_root;
    raw.modifiers = ModifiersFromGdk(event->state);
    raw.time = event->time;
    Guarded([&] { host->m_router.Button(raw); });
    return TRUE;
}

gboolean NativeSceneHost::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    RawMotionEvent raw;
    raw.x = event->x;
    raw.y = event->y;
    raw.rootX = event->x_root;
    raw.rootY = event->y_root;
    raw.modifiers = ModifiersFromGdk(event->state);
    Guarded([&] { host->m_router.Motion(raw); });
    return TRUE;
}

gboolean NativeSceneHost::OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    RawScrollEvent raw;
    switch (event->direction) {
    case GDK_SCROLL_UP:
        raw.direction = RawScrollEvent::Direction::Up;
        break;
    case GDK_SCROLL_DOWN:
        raw.direction = RawScrollEvent::Direction::Down;
        break;
    case GDK_SCROLL_LEFT:
        raw.direction = RawScrollEvent::Direction::Left;
        break;
    case GDK_SCROLL_RIGHT:
        raw.direction = RawScrollEvent::Direction::Right;
        break;
    case GDK_SCROLL_SMOOTH:
        raw.direction = RawScrollEvent::Direction::Smooth;
        raw.deltaY = event->delta_y;
        break;
    }
    raw.x = event->x;
    raw.y = event->y;
    raw.modifiers = ModifiersFromGdk(event->state);
    Guarded([&] { host->m_router.Scroll(raw); });
    return TRUE;
}

gboolean NativeSceneHost::OnCrossing(GtkWidget*, GdkEventCrossing* event, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    RawCrossingEvent raw;
    raw.leave = event->type == GDK_LEAVE_NOTIFY;
    // Grabs (the window system's or a GTK popup's) move the pointer's owner, not the pointer.
    raw.grabTransition = event->mode == GDK_CROSSING_GRAB || event->mode == GDK_CROSSING_UNGRAB
        || event->mode == GDK_CROSSING_GTK_GRAB || event->mode == GDK_CROSSING_GTK_UNGRAB;
    raw.inferior = event->detail == GDK_NOTIFY_INFERIOR;
    Guarded([&] { host->m_router.Crossing(raw); });
    return FALSE;
}

gboolean NativeSceneHost::OnKey(GtkWidget*, GdkEventKey* event, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    const RawKeyEvent raw = RawKey(event);
    // The bridge belongs to the host, which a handler may free: keep the input method alive.
    GObjectPtr<GtkIMContext> im(GTK_IM_CONTEXT(g_object_ref(host->m_im.get())));
    ImBridge bridge(im.get());
    bridge.SetEvent(event);
    Guarded([&] { host->m_router.Key(raw, &bridge); });
    // Every key belongs to the scene: Tab and arrows must not move GTK's focus.
    return TRUE;
}

gboolean NativeSceneHost::OnFocus(GtkWidget*, GdkEventFocus* event, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    if (event->in)
        gtk_im_context_focus_in(host->m_im.get());
    else
        gtk_im_context_focus_out(host->m_im.get());
    Guarded([&] { host->m_router.Focus(event->in != FALSE); });
    return FALSE;
}

gboolean NativeSceneHost::OnGrabBroken(GtkWidget*, GdkEventGrabBroken*, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    host->m_seatGrab = false;
    host->m_captureWanted = false;
    Guarded([&] { host->m_router.GrabBroken(); });
    return TRUE;
}

gboolean NativeSceneHost::OnQueryTooltip(
    GtkWidget*, gint x, gint y, gboolean, GtkTooltip* tooltip, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    std::optional<HintInfo> hint;
    Guarded([&] { hint = host->m_events.HostHint(Point { x, y }); });
    if (!hint || hint->text.empty())
        return FALSE;
    const std::string text = rtl::Utf16ToUtf8(hint->text);
    gtk_tooltip_set_text(tooltip, text.c_str());
    if (!hint->area.IsEmpty()) {
        const GdkRectangle area { hint->area.left, hint->area.top, hint->area.Width(), hint->area.Height() };
        gtk_tooltip_set_tip_area(tooltip, &area);
    }
    return TRUE;
}

void NativeSceneHost::OnCommit(GtkIMContext*, gchar* text, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    Guarded([&] { host->m_router.Commit(text ? text : ""); });
}

// External drags -------------------------------------------------------------------------------
//
// GTK tells a destination nothing about the data until it asks for it, yet the scene decides
// from the file names whether an object takes the drop. So the first motion of a drag asks for
// the data once, and the answer arrives with the data; later motions use the cached data.
// GTK also sends "drag-leave" just before "drag-drop": the leave waits for a posted turn and
// is withdrawn when the drop follows.

void NativeSceneHost::ResetDrag()
{
    m_dragContext.reset();
    m_dataRequested = false;
    m_dragData.reset();
    m_dragEntered = false;
    m_dragRefused = false;
    m_dropPending = false;
}

void NativeSceneHost::RunDeferredLeave()
{
    m_deferredLeave = 0;
    const bool entered = m_dragEntered && !m_dragRefused;
    m_dragEntered = false;
    m_dragRefused = false;
    if (entered)
        Guarded([&] { m_events.HostDragLeave(); });
}

void NativeSceneHost::AnswerMotion(GdkDragContext* context, guint time)
{
    // A reference of our own: the handlers may free this host.
    GObjectPtr<GdkDragContext> keep(GDK_DRAG_CONTEXT(g_object_ref(context)));
    const LifetimeWatch alive = GetWatch();
    const DropData data = *m_dragData;
    const Point point = m_dragPoint;
    if (!m_dragEntered) {
        m_dragEntered = true;
        bool accepted = false;
        Guarded([&] { accepted = m_events.HostDragEnter(data); });
        if (alive.Gone()) {
            gdk_drag_status(keep.get(), static_cast<GdkDragAction>(0), time);
            return;
        }
        m_dragRefused = !accepted;
    }
    if (m_dragRefused) {
        gdk_drag_status(keep.get(), static_cast<GdkDragAction>(0), time);
        return;
    }
    DropEffect effect = DropEffect::None;
    Guarded([&] { effect = m_events.HostDragOver(data, point); });
    gdk_drag_status(keep.get(), ActionFor(effect, keep.get()), time);
}

void NativeSceneHost::FinishDrop(GdkDragContext* context, guint time)
{
    GObjectPtr<GdkDragContext> keep(GDK_DRAG_CONTEXT(g_object_ref(context)));
    const LifetimeWatch alive = GetWatch();
    const DropData data = *m_dragData;
    const Point point = m_dragPoint;
    const bool entered = m_dragEntered;
    const bool refused = m_dragRefused;
    ResetDrag();
    bool taken = false;
    Guarded([&] {
        if (refused)
            return;
        if (!entered && !m_events.HostDragEnter(data))
            return;
        if (alive.Gone())
            return;
        taken = m_events.HostDrop(data, point);
    });
    gtk_drag_finish(keep.get(), taken, FALSE, time);
}

gboolean NativeSceneHost::OnDragMotion(
    GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    if (host->m_deferredLeave != 0) {
        // The drag came back before the posted leave ran: deliver the leave first.
        host->m_app.CancelPost(host->m_deferredLeave);
        const LifetimeWatch alive = host->GetWatch();
        host->RunDeferredLeave();
        if (alive.Gone())
            return FALSE;
    }
    if (host->m_dragContext.get() != context) {
        host->ResetDrag();
        host->m_dragContext.reset(GDK_DRAG_CONTEXT(g_object_ref(context)));
    }
    host->m_dragPoint = Point { x, y };
    host->m_dragTime = time;
    if (host->m_dragData) {
        host->AnswerMotion(context, time);
        return TRUE;
    }
    if (!host->m_dataRequested) {
        const GdkAtom target = gtk_drag_dest_find_target(widget, context, nullptr);
        if (target == GDK_NONE) {
            gdk_drag_status(context, static_cast<GdkDragAction>(0), time);
            return FALSE;
        }
        host->m_dataRequested = true;
        gtk_drag_get_data(widget, context, target, time);
    }
    return TRUE; // the status follows with the data
}

void NativeSceneHost::OnDragLeave(GtkWidget*, GdkDragContext*, guint, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    if (host->m_deferredLeave != 0)
        return;
    host->m_deferredLeave = host->m_app.Post([host] { host->RunDeferredLeave(); });
}

gboolean NativeSceneHost::OnDragDrop(
    GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    if (host->m_deferredLeave != 0) {
        host->m_app.CancelPost(host->m_deferredLeave);
        host->m_deferredLeave = 0;
    }
    if (host->m_dragContext.get() != context) {
        host->ResetDrag();
        host->m_dragContext.reset(GDK_DRAG_CONTEXT(g_object_ref(context)));
    }
    host->m_dragPoint = Point { x, y };
    if (host->m_dragData) {
        host->FinishDrop(context, time);
        return TRUE;
    }
    host->m_dropPending = true;
    host->m_dragTime = time;
    if (!host->m_dataRequested) {
        const GdkAtom target = gtk_drag_dest_find_target(widget, context, nullptr);
        if (target == GDK_NONE) {
            host->ResetDrag();
            gtk_drag_finish(context, FALSE, FALSE, time);
            return TRUE;
        }
        host->m_dataRequested = true;
        gtk_drag_get_data(widget, context, target, time);
    }
    return TRUE;
}

void NativeSceneHost::OnDragDataReceived(GtkWidget*, GdkDragContext* context, gint, gint,
    GtkSelectionData* selection, guint info, guint time, gpointer self)
{
    auto* host = static_cast<NativeSceneHost*>(self);
    if (host->m_dragContext.get() != context)
        return; // an answer for a drag that has gone
    DropData data;
    if (selection && gtk_selection_data_get_length(selection) >= 0) {
        if (info == kUriTarget) {
            gchar** uris = gtk_selection_data_get_uris(selection);
            std::vector<std::string> list;
            for (gchar** u = uris; u && *u; ++u)
                list.emplace_back(*u);
            g_strfreev(uris);
            data = DropDataFromUris(list);
        } else {
            guchar* text = gtk_selection_data_get_text(selection);
            if (text)
                data = DropDataFromText(reinterpret_cast<const char*>(text));
            g_free(text);
        }
    }
    host->m_dragData = std::move(data);
    if (host->m_dropPending) {
        host->FinishDrop(context, time);
        return;
    }
    host->AnswerMotion(context, host->m_dragTime);
}

} // namespace platform::ui
