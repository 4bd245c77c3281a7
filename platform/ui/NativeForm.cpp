#include "platform/ui/GtkPrivate.h"

#include <algorithm>

namespace platform::ui {
namespace {

cairo_region_t* RegionOf(const std::vector<Rect>& rects)
{
    cairo_region_t* region = cairo_region_create();
    for (const Rect& r : rects) {
        const cairo_rectangle_int_t rect { r.left, r.top, r.Width(), r.Height() };
        cairo_region_union_rectangle(region, &rect);
    }
    return region;
}

} // namespace

NativeForm::NativeForm(NativeApplication& app, const FormOptions& options)
    : m_app(app)
    , m_options(options)
    , m_width(std::max({ options.clientWidth, options.minClientWidth, 1 }))
    , m_height(std::max({ options.clientHeight, options.minClientHeight, 1 }))
{
    m_window.reset(GTK_WIDGET(g_object_ref(
        gtk_window_new(options.kind == FormKind::Popup ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL))));
    GtkWindow* window = GTK_WINDOW(m_window.get());

    gtk_window_set_title(window, options.caption.c_str());
    gtk_window_set_default_size(window, m_width, m_height);
    if (options.position)
        gtk_window_move(window, options.position->x, options.position->y);
    else
        gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    const bool tool = options.kind == FormKind::Tool;
    gtk_window_set_decorated(window, options.decorated && !tool);
    if (options.keepAbove || tool)
        gtk_window_set_keep_above(window, TRUE);
    if (options.skipTaskbar || tool) {
        gtk_window_set_skip_taskbar_hint(window, TRUE);
        gtk_window_set_skip_pager_hint(window, TRUE);
    }
    if (tool)
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_UTILITY);
    if (options.owner)
        if (auto* owner = dynamic_cast<NativeForm*>(options.owner))
            gtk_window_set_transient_for(window, GTK_WINDOW(owner->m_window.get()));
    if (options.minClientWidth > 0 || options.minClientHeight > 0) {
        GdkGeometry geometry {};
        geometry.min_width = std::max(options.minClientWidth, 1);
        geometry.min_height = std::max(options.minClientHeight, 1);
        gtk_window_set_geometry_hints(window, nullptr, &geometry, GDK_HINT_MIN_SIZE);
    }
    if (options.layered) {
        // Per-pixel alpha needs a 32-bit visual, chosen before the window is realized.
        if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(m_window.get())))
            gtk_widget_set_visual(m_window.get(), rgba);
        gtk_widget_set_app_paintable(m_window.get(), TRUE);
        g_signal_connect(m_window.get(), "draw", G_CALLBACK(OnDraw), this);
    }

    // A layout lets hosts take any size and position without imposing a minimum on the window.
    m_layout = gtk_layout_new(nullptr, nullptr);
    gtk_widget_set_app_paintable(m_layout, TRUE);
    gtk_container_add(GTK_CONTAINER(m_window.get()), m_layout);
    gtk_widget_show(m_layout);

    g_signal_connect(m_window.get(), "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(m_window.get(), "notify::is-active", G_CALLBACK(OnActiveChanged), this);
    g_signal_connect(m_layout, "size-allocate", G_CALLBACK(OnLayoutAllocate), this);
}

NativeForm::~NativeForm()
{
    ReleasePopupGrab();
    g_signal_handlers_disconnect_by_data(m_window.get(), this);
    g_signal_handlers_disconnect_by_data(m_layout, this);
    // Hosts still alive lose their windows here (their scenes hear of it) and then their form.
    m_window.reset();
    for (NativeSceneHost* host : m_hosts)
        host->m_form = nullptr;
}

void NativeForm::Show()
{
    gtk_widget_show(m_window.get());
}

void NativeForm::Hide()
{
    ReleasePopupGrab();
    gtk_widget_hide(m_window.get());
}

bool NativeForm::GrabPopup()
{
    if (!IsVisible())
        return false;
    if (NativeForm* previous = m_app.PopupGrab(); previous && previous != this)
        previous->ReleasePopupGrab();
    if (m_app.PopupGrab() == this)
        return true;
    m_app.SetPopupGrab(this);
    // GTK's grab routes the keys of every window of the application here (to the focused
    // host) and keeps the other windows' pointer input away; the window system's pointer
    // grab brings the presses on other programs' windows, which arrive outside this window.
    // The keyboard stays with the window that has the focus: GTK's grab reroutes its keys.
    gtk_grab_add(m_window.get());
    GdkWindow* window = gtk_widget_get_window(m_window.get());
    if (window) {
        GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(m_window.get()));
        m_seatGrabbed = gdk_seat_grab(seat, window, GDK_SEAT_CAPABILITY_ALL_POINTING, TRUE, nullptr, nullptr,
                            nullptr, nullptr)
            == GDK_GRAB_SUCCESS;
    }
    return true;
}

void NativeForm::ReleasePopupGrab()
{
    if (m_app.PopupGrab() != this)
        return;
    m_app.SetPopupGrab(nullptr);
    gtk_grab_remove(m_window.get());
    if (m_seatGrabbed) {
        m_seatGrabbed = false;
        gdk_seat_ungrab(gdk_display_get_default_seat(gtk_widget_get_display(m_window.get())));
    }
}

void NativeForm::LosePopupGrab()
{
    ReleasePopupGrab();
    m_wasActive = false;
    if (m_events)
        Guarded([&] { m_events->FormDeactivated(); });
}

bool NativeForm::ContainsScreenPoint(double x, double y) const
{
    GdkWindow* window = gtk_widget_get_window(m_window.get());
    if (!window)
        return false;
    gint left = 0;
    gint top = 0;
    gdk_window_get_origin(window, &left, &top);
    return x >= left && y >= top && x < left + gdk_window_get_width(window)
        && y < top + gdk_window_get_height(window);
}

bool NativeForm::IsVisible() const
{
    return gtk_widget_get_visible(m_window.get());
}

void NativeForm::SetCaption(const std::string& caption)
{
    m_options.caption = caption;
    gtk_window_set_title(GTK_WINDOW(m_window.get()), caption.c_str());
}

void NativeForm::SetModal(bool modal)
{
    gtk_window_set_modal(GTK_WINDOW(m_window.get()), modal);
}

Point NativeForm::GetPosition() const
{
    gint x = 0;
    gint y = 0;
    gtk_window_get_position(GTK_WINDOW(m_window.get()), &x, &y);
    return { x, y };
}

void NativeForm::SetPosition(Point p)
{
    gtk_window_move(GTK_WINDOW(m_window.get()), p.x, p.y);
}

int32_t NativeForm::ClientWidth() const
{
    return gtk_widget_get_realized(m_layout) ? gtk_widget_get_allocated_width(m_layout) : m_width;
}

int32_t NativeForm::ClientHeight() const
{
    return gtk_widget_get_realized(m_layout) ? gtk_widget_get_allocated_height(m_layout) : m_height;
}

void NativeForm::SetClientSize(int32_t width, int32_t height)
{
    m_width = std::max({ width, m_options.minClientWidth, 1 });
    m_height = std::max({ height, m_options.minClientHeight, 1 });
    if (gtk_widget_get_realized(m_window.get()))
        gtk_window_resize(GTK_WINDOW(m_window.get()), m_width, m_height);
    else
        gtk_window_set_default_size(GTK_WINDOW(m_window.get()), m_width, m_height);
}

Rect NativeForm::FrameExtents() const
{
    GdkWindow* window = gtk_widget_get_window(m_window.get());
    if (!window)
        return {};
    GdkRectangle frame {};
    gdk_window_get_frame_extents(window, &frame);
    gint x = 0;
    gint y = 0;
    gdk_window_get_origin(window, &x, &y);
    const int32_t w = gdk_window_get_width(window);
    const int32_t h = gdk_window_get_height(window);
    return Rect { std::max(0, x - frame.x), std::max(0, y - frame.y),
        std::max(0, frame.x + frame.width - (x + w)), std::max(0, frame.y + frame.height - (y + h)) };
}

Point NativeForm::ClientToScreen(Point p) const
{
    GdkWindow* window = gtk_widget_get_window(m_layout);
    if (!window) {
        const Point origin = GetPosition();
        return { origin.x + p.x, origin.y + p.y };
    }
    gint x = 0;
    gint y = 0;
    gdk_window_get_origin(window, &x, &y);
    return { x + p.x, y + p.y };
}

Point NativeForm::ScreenToClient(Point p) const
{
    const Point origin = ClientToScreen({ 0, 0 });
    return { p.x - origin.x, p.y - origin.y };
}

void NativeForm::Activate()
{
    gtk_window_present(GTK_WINDOW(m_window.get()));
}

bool NativeForm::IsActive() const
{
    return gtk_window_is_active(GTK_WINDOW(m_window.get()));
}

std::unique_ptr<SceneHost> NativeForm::CreateHost(SceneHostEvents& events, const Rect& bounds)
{
    return std::make_unique<NativeSceneHost>(*this, events, bounds);
}

bool NativeForm::UpdateLayered(const FrameView& frame, Point screenPosition)
{
    if (!m_options.layered || !frame.IsValid())
        return false;
    m_layeredWidth = frame.width;
    m_layeredHeight = frame.height;
    const size_t row = static_cast<size_t>(frame.width) * 4;
    m_layeredFrame.resize(row * static_cast<size_t>(frame.height));
    for (int32_t y = 0; y < frame.height; ++y)
        std::copy_n(frame.pixels + static_cast<size_t>(y) * static_cast<size_t>(frame.stride), row,
            m_layeredFrame.data() + static_cast<size_t>(y) * row);

    if (!m_layeredPosition || *m_layeredPosition != screenPosition) {
        m_layeredPosition = screenPosition;
        gtk_window_move(GTK_WINDOW(m_window.get()), screenPosition.x, screenPosition.y);
    }
    if (frame.width != ClientWidth() || frame.height != ClientHeight())
        SetClientSize(frame.width, frame.height);

    const FrameView copy { m_layeredFrame.data(), frame.width, frame.height, frame.width * 4 };
    if (m_app.CanLayerWindows()) {
        // Fully transparent pixels let clicks through to the windows below.
        m_shape = AlphaRuns(copy, 0);
        cairo_region_t* region = RegionOf(m_shape);
        gtk_widget_shape_combine_region(m_window.get(), nullptr);
        gtk_widget_input_shape_combine_region(m_window.get(), region);
        cairo_region_destroy(region);
    } else {
        // No compositor: the window keeps the outline of its more-than-half-opaque pixels, and
        // soft edges blend with the fill colour.
        m_shape = AlphaRuns(copy, 127);
        cairo_region_t* region = RegionOf(m_shape);
        gtk_widget_input_shape_combine_region(m_window.get(), nullptr);
        gtk_widget_shape_combine_region(m_window.get(), region);
        cairo_region_destroy(region);
    }
    gtk_widget_queue_draw(m_window.get());
    return true;
}

void NativeForm::PaintLayered(cairo_t* cr) const
{
    cairo_save(cr);
    if (!m_app.CanLayerWindows()) {
        const uint32_t fill = (m_layeredFill >> 24) == 0 ? 0xFF000000u : m_layeredFill;
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgb(
            cr, ((fill >> 16) & 0xFF) / 255.0, ((fill >> 8) & 0xFF) / 255.0, (fill & 0xFF) / 255.0);
        cairo_paint(cr);
    } else {
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
        cairo_paint(cr);
    }
    if (!m_layeredFrame.empty()) {
        cairo_surface_t* surface
            = cairo_image_surface_create_for_data(const_cast<uint8_t*>(m_layeredFrame.data()),
                CAIRO_FORMAT_ARGB32, m_layeredWidth, m_layeredHeight, m_layeredWidth * 4);
        cairo_set_operator(cr, m_app.CanLayerWindows() ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_rectangle(cr, 0, 0, m_layeredWidth, m_layeredHeight);
        cairo_fill(cr);
        cairo_surface_finish(surface);
        cairo_surface_destroy(surface);
    }
    cairo_restore(cr);
}

gboolean NativeForm::OnDelete(GtkWidget*, GdkEvent*, gpointer self)
{
    auto* form = static_cast<NativeForm*>(self);
    Guarded([&] {
        if (form->m_events)
            form->m_events->FormCloseRequest();
        else
            form->Hide();
    });
    return TRUE; // the owner decides what closing means
}

void NativeForm::OnLayoutAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self)
{
    auto* form = static_cast<NativeForm*>(self);
    if (allocation->width == form->m_reportedWidth && allocation->height == form->m_reportedHeight)
        return;
    form->m_reportedWidth = allocation->width;
    form->m_reportedHeight = allocation->height;
    if (form->m_events)
        Guarded([&] { form->m_events->FormResized(allocation->width, allocation->height); });
}

void NativeForm::OnActiveChanged(GObject*, GParamSpec*, gpointer self)
{
    auto* form = static_cast<NativeForm*>(self);
    const bool active = form->IsActive();
    if (active == form->m_wasActive)
        return;
    form->m_wasActive = active;
    if (form->m_events)
        Guarded([&] {
            if (active)
                form->m_events->FormActivated();
            else
                form->m_events->FormDeactivated();
        });
}

gboolean NativeForm::OnDraw(GtkWidget*, cairo_t* cr, gpointer self)
{
    auto* form = static_cast<NativeForm*>(self);
    Guarded([&] { form->PaintLayered(cr); });
    return FALSE; // the children draw on top
}

} // namespace platform::ui
