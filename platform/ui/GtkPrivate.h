#pragma once

// Platform-private: the GTK implementation of the window layer. Only .cpp files of
// platform/ui include this header.

#include "platform/ui/Application.h"
#include "platform/ui/InputRouter.h"
#include "platform/ui/NativeApplication.h"

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

struct GObjectUnref {
    void operator()(gpointer p) const
    {
        if (p)
            g_object_unref(p);
    }
};
template <class T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

/// A widget of ours: destroyed (taken from its parent, its window gone) and released with
/// the holder. Disconnect the holder's signal handlers before it goes.
struct WidgetRelease {
    void operator()(GtkWidget* widget) const
    {
        gtk_widget_destroy(widget);
        g_object_unref(widget);
    }
};
using OwnedWidget = std::unique_ptr<GtkWidget, WidgetRelease>;

struct SourceRelease {
    void operator()(GSource* source) const
    {
        g_source_destroy(source);
        g_source_unref(source);
    }
};
using OwnedSource = std::unique_ptr<GSource, SourceRelease>;

class NativeForm;
class NativeSceneHost;

/// GLib sources at the priorities that reproduce the window system's order.
constexpr int kPostedPriority = G_PRIORITY_HIGH_IDLE + 10;
constexpr int kTimerPriority = G_PRIORITY_HIGH_IDLE + 30;
constexpr int kIdlePriority = G_PRIORITY_LOW;

class NativeApplication final : public Application {
public:
    NativeApplication();
    ~NativeApplication() override;

    void ProcessMessages() override;
    std::unique_ptr<Form> CreateForm(const FormOptions& options) override;
    bool CanLayerWindows() const override;
    Point CursorPos() const override;
    Clipboard& GetClipboard() override;
    int64_t TickMs() const override;
    SceneHost* HostAtScreenPoint(Point screen) const override;
    Rect ScreenWorkArea(Point near) const override;

    ClickSettings Clicks() const { return m_clicks; }
    /// The form holding the popup grab, or null.
    NativeForm* PopupGrab() const { return m_popupGrab; }
    void SetPopupGrab(NativeForm* form) { m_popupGrab = form; }
    /// An event the way the event loop dispatches it (the test driver's events come here).
    void DispatchEvent(GdkEvent* event) { EventHook(event, this); }
    GdkCursor* CursorFor(int32_t cursorNumber);
    void RegisterHost(NativeSceneHost* host) { m_hosts.push_back(host); }
    void UnregisterHost(NativeSceneHost* host) { std::erase(m_hosts, host); }

protected:
    bool WaitAndDispatch() override;
    void WakeLoop() override;
    bool BackendStartTimer(TimerRecord& record) override;
    void BackendStopTimer(TimerRecord& record) override;
    void ShowException(const std::string& message) override;

private:
    struct LoopSource {
        GSource base;
        NativeApplication* app;
        bool idle;
    };
    class NativeClipboard;

    static gboolean SourcePrepare(GSource* source, gint* timeout);
    static gboolean SourceCheck(GSource* source);
    static gboolean SourceDispatch(GSource* source, GSourceFunc, gpointer);
    static gboolean TimerTick(gpointer id);
    static void EventHook(GdkEvent* event, gpointer data);
    void ShowPendingErrors();
    /// While a popup grab is held: true when `event` is a press outside the grabbing form,
    /// which then ends the grab and is not dispatched.
    bool EndsPopupGrab(GdkEvent* event);

    ClickSettings m_clicks;
    OwnedSource m_postedSource;
    OwnedSource m_idleSource;
    std::map<int32_t, GObjectPtr<GdkCursor>> m_cursors;
    std::vector<NativeSceneHost*> m_hosts;
    NativeForm* m_popupGrab = nullptr;
    std::vector<std::string> m_pendingErrors;
    bool m_showingErrors = false;
    std::unique_ptr<NativeClipboard> m_clipboard;
};

class NativeForm final : public Form {
public:
    NativeForm(NativeApplication& app, const FormOptions& options);
    ~NativeForm() override;

    void SetEvents(FormEvents* events) override { m_events = events; }
    void Show() override;
    void Hide() override;
    bool IsVisible() const override;
    void SetCaption(const std::string& caption) override;
    void SetModal(bool modal) override;
    Point GetPosition() const override;
    void SetPosition(Point p) override;
    int32_t ClientWidth() const override;
    int32_t ClientHeight() const override;
    void SetClientSize(int32_t width, int32_t height) override;
    Rect FrameExtents() const override;
    Point ClientToScreen(Point p) const override;
    Point ScreenToClient(Point p) const override;
    void Activate() override;
    bool IsActive() const override;
    std::unique_ptr<SceneHost> CreateHost(SceneHostEvents& events, const Rect& bounds) override;
    bool IsLayered() const override { return m_options.layered; }
    void SetLayeredFill(uint32_t argb) override { m_layeredFill = argb; }
    bool UpdateLayered(const FrameView& frame, Point screenPosition) override;
    LifetimeWatch GetWatch() const override { return m_life.GetWatch(); }
    bool GrabPopup() override;
    void ReleasePopupGrab() override;
    bool HasPopupGrab() const override { return m_app.PopupGrab() == this; }

    NativeApplication& App() const { return m_app; }
    /// The grab ended by a press outside or by another program's grab: released, and
    /// FormDeactivated told (which may free the form).
    void LosePopupGrab();
    /// The window's area on the screen contains the point.
    [[nodiscard]] bool ContainsScreenPoint(double x, double y) const;
    GtkWidget* Window() const { return m_window.get(); }
    GtkWidget* Layout() const { return m_layout; }
    /// The shape set by the last layered update (input shape with a compositor, bounding
    /// shape without).
    const std::vector<Rect>& LayeredShape() const { return m_shape; }
    /// Paints the layered frame as the window system shows it (for the window's "draw").
    void PaintLayered(cairo_t* cr) const;

private:
    friend class NativeSceneHost;

    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
    static void OnLayoutAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self);
    static void OnActiveChanged(GObject*, GParamSpec*, gpointer self);
    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);

    NativeApplication& m_app;
    FormOptions m_options;
    FormEvents* m_events = nullptr;
    Lifetime m_life;
    OwnedWidget m_window; // GTK owns toplevels too; this reference is ours
    GtkWidget* m_layout = nullptr; // owned by the window
    int32_t m_width;
    int32_t m_height;
    int32_t m_reportedWidth = -1;
    int32_t m_reportedHeight = -1;
    bool m_wasActive = false;
    bool m_seatGrabbed = false; // the window system's grab of the popup grab
    uint32_t m_layeredFill = 0xFF000000;
    std::vector<uint8_t> m_layeredFrame; // packed ARGB32 rows
    int32_t m_layeredWidth = 0;
    int32_t m_layeredHeight = 0;
    std::optional<Point> m_layeredPosition;
    std::vector<Rect> m_shape;
    std::vector<NativeSceneHost*> m_hosts;
};

class NativeSceneHost final : public SceneHost {
public:
    NativeSceneHost(NativeForm& form, SceneHostEvents& events, const Rect& bounds);
    ~NativeSceneHost() override;

    Form& GetForm() const override;
    SceneHostEvents& Events() const override { return m_events; }
    bool HasWindow() const override;
    Rect GetBounds() const override { return m_bounds; }
    void SetBounds(const Rect& bounds) override;
    void SetVisible(bool visible) override;
    bool IsVisible() const override;
    void Invalidate(const Rect& rect) override;
    void InvalidateAll() override;
    Point ClientToScreen(Point p) const override;
    Point ScreenToClient(Point p) const override;
    void SetCursor(int32_t cursorNumber) override;
    int32_t GetCursor() const override { return m_cursor; }
    void SetCapture(bool capture) override;
    bool HasCapture() const override { return m_captureWanted; }
    void SetFocus() override;
    bool HasFocus() const override;
    LifetimeWatch GetWatch() const override { return m_life.GetWatch(); }

    GtkWidget* Widget() const { return m_area.get(); }
    int PaintCount() const { return m_paints; }
    int64_t PaintMicroseconds() const { return m_paintMicroseconds; }
    int64_t PresentedArea() const { return m_presentedArea; }

private:
    class ImBridge;
    class NativePaintContext;

    static void OnRealize(GtkWidget*, gpointer self);
    static void OnUnrealize(GtkWidget*, gpointer self);
    static void OnAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self);
    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
    static gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer self);
    static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self);
    static gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self);
    static gboolean OnCrossing(GtkWidget*, GdkEventCrossing* event, gpointer self);
    static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self);
    static gboolean OnFocus(GtkWidget*, GdkEventFocus* event, gpointer self);
    static gboolean OnGrabBroken(GtkWidget*, GdkEventGrabBroken* event, gpointer self);
    static gboolean OnQueryTooltip(
        GtkWidget*, gint x, gint y, gboolean keyboard, GtkTooltip* tooltip, gpointer self);
    static void OnCommit(GtkIMContext*, gchar* text, gpointer self);
    static gboolean OnDragMotion(
        GtkWidget*, GdkDragContext* context, gint x, gint y, guint time, gpointer self);
    static void OnDragLeave(GtkWidget*, GdkDragContext* context, guint time, gpointer self);
    static gboolean OnDragDrop(
        GtkWidget*, GdkDragContext* context, gint x, gint y, guint time, gpointer self);
    static void OnDragDataReceived(GtkWidget*, GdkDragContext* context, gint x, gint y,
        GtkSelectionData* selection, guint info, guint time, gpointer self);

    void ApplyCursor();
    void ReleaseSeatGrab();
    void ResetDrag();
    void RunDeferredLeave();
    /// Enter (once) and over with the cached data; answers the drag's status.
    void AnswerMotion(GdkDragContext* context, guint time);
    void FinishDrop(GdkDragContext* context, guint time);

    friend class NativeForm;

    NativeApplication& m_app;
    NativeForm* m_form; // nullptr once the form was freed first
    SceneHostEvents& m_events;
    Lifetime m_life;
    InputRouter m_router;
    OwnedWidget m_area;
    GObjectPtr<GtkIMContext> m_im;
    Rect m_bounds;
    int32_t m_reportedWidth = -1;
    int32_t m_reportedHeight = -1;
    int32_t m_cursor = 0;
    bool m_captureWanted = false;
    bool m_seatGrab = false;
    int m_paints = 0;
    int64_t m_paintMicroseconds = 0; // time spent in the draw handler, all paints together
    int64_t m_presentedArea = 0; // pixels presented by the last paint

    // The external drag in progress over this host.
    GObjectPtr<GdkDragContext> m_dragContext;
    bool m_dataRequested = false;
    std::optional<DropData> m_dragData;
    bool m_dragEntered = false;
    bool m_dragRefused = false;
    bool m_dropPending = false;
    Point m_dragPoint;
    guint m_dragTime = 0;
    PostId m_deferredLeave = 0;
};

/// One scene unit is one pixel, whatever GDK_SCALE says.
void UseOnePixelScale();

/// Raw modifiers of a GDK state mask.
RawModifiers ModifiersFromGdk(guint state);

} // namespace platform::ui
