#pragma once

#include "platform/ui/Application.h"
#include "platform/ui/InputRouter.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// The headless window system: forms and hosts without a display, a virtual clock, and the
// same dispatch order and input rules as the GTK back end, so scene logic runs in tests and
// on the road to a PNG without X. Tests drive it with the Inject* calls and inspect what the
// scene presented.
namespace platform::ui {

class FakeForm;
class FakeSceneHost;

class FakeApplication final : public Application {
public:
    explicit FakeApplication(ClickSettings clicks = {});
    ~FakeApplication() override;

    void ProcessMessages() override;
    std::unique_ptr<Form> CreateForm(const FormOptions& options) override;
    bool CanLayerWindows() const override { return m_composited; }
    Point CursorPos() const override { return m_cursor; }
    Clipboard& GetClipboard() override;
    int64_t TickMs() const override { return m_now; }
    SceneHost* HostAtScreenPoint(Point screen) const override;
    Rect ScreenWorkArea(Point) const override { return m_workArea; }

    // Test controls ---------------------------------------------------------------------

    /// One dispatch in the window system's order: all posted calls queued, else layout and
    /// paint of every host, else the earliest due timer, else the idle handler. False when
    /// nothing was ready.
    bool ProcessOne();
    /// Moves the clock by `ms`, stopping at each timer that comes due and handling everything
    /// pending there (the idle handler excepted).
    void AdvanceTime(int64_t ms);
    /// Moves the clock without dispatching anything (timers become due, nothing runs yet).
    void SetTime(int64_t ms) { m_now = std::max(m_now, ms); }
    void SetCursorPos(Point p) { m_cursor = p; }
    /// Whether layered forms blend (a compositor runs); false by default, like plain Xvfb.
    void SetComposited(bool composited) { m_composited = composited; }
    /// Messages the exception handler showed (when no OnException hook is set).
    const std::vector<std::string>& ShownErrors() const { return m_errors; }
    /// A loop (Run, RunUntil) gave up because nothing could ever happen: no posted call, paint
    /// or idle turn was waiting and no timer was running. Such a loop would block forever on
    /// a display; headless it returns. Loops move the clock to the next timer when idle, and
    /// each idle turn moves it by 1 ms, so timers come due under a busy idle handler.
    bool Stalled() const { return m_stalled; }
    ClickSettings Clicks() const { return m_clicks; }
    /// The work area every screen point answers; (0, 0, 1920, 1080) by default.
    void SetWorkArea(const Rect& area) { m_workArea = area; }
    /// The form holding the popup grab, or null.
    FakeForm* PopupGrab() const { return m_popupGrab; }
    /// A left press at a screen point as the window system routes it: while a form holds the
    /// popup grab, a press outside it ends the grab (FormDeactivated) and goes no further;
    /// otherwise the press and its release reach the topmost host there, if any.
    void InjectScreenClick(Point screen);

protected:
    bool WaitAndDispatch() override;
    void WakeLoop() override { }
    bool BackendStartTimer(TimerRecord& record) override;
    void BackendStopTimer(TimerRecord&) override { }
    void ShowException(const std::string& message) override { m_errors.push_back(message); }

private:
    friend class FakeForm;
    friend class FakeSceneHost;
    class FakeClipboard;

    bool DispatchNonIdle();
    bool LayoutAndPaint();
    bool DispatchDueTimer();
    std::optional<int64_t> NextDue() const;
    /// A press outside the grabbing form: the grab ends and the form hears FormDeactivated.
    void EndPopupGrabByPress();

    ClickSettings m_clicks;
    int64_t m_now = 0;
    Point m_cursor;
    Rect m_workArea { 0, 0, 1920, 1080 };
    FakeForm* m_popupGrab = nullptr;
    bool m_composited = false;
    bool m_stalled = false;
    std::vector<std::string> m_errors;
    std::vector<FakeForm*> m_forms; // creation order: later forms are on top
    std::unique_ptr<FakeClipboard> m_clipboard;
};

class FakeForm final : public Form {
public:
    FakeForm(FakeApplication& app, const FormOptions& options);
    ~FakeForm() override;

    void SetEvents(FormEvents* events) override { m_events = events; }
    void Show() override;
    void Hide() override;
    bool IsVisible() const override { return m_visible; }
    void SetCaption(const std::string& caption) override { m_options.caption = caption; }
    void SetModal(bool modal) override { m_modal = modal; }
    Point GetPosition() const override { return m_position; }
    void SetPosition(Point p) override { m_position = p; }
    int32_t ClientWidth() const override { return m_width; }
    int32_t ClientHeight() const override { return m_height; }
    void SetClientSize(int32_t width, int32_t height) override;
    Rect FrameExtents() const override { return {}; }
    Point ClientToScreen(Point p) const override { return { p.x + m_position.x, p.y + m_position.y }; }
    Point ScreenToClient(Point p) const override { return { p.x - m_position.x, p.y - m_position.y }; }
    void Activate() override;
    bool IsActive() const override { return m_active; }
    std::unique_ptr<SceneHost> CreateHost(SceneHostEvents& events, const Rect& bounds) override;
    bool IsLayered() const override { return m_options.layered; }
    void SetLayeredFill(uint32_t argb) override { m_layeredFill = argb; }
    bool UpdateLayered(const FrameView& frame, Point screenPosition) override;
    LifetimeWatch GetWatch() const override { return m_life.GetWatch(); }
    bool GrabPopup() override;
    void ReleasePopupGrab() override;
    bool HasPopupGrab() const override { return m_app.m_popupGrab == this; }

    // Test controls ---------------------------------------------------------------------

    const FormOptions& Options() const { return m_options; }
    bool IsModal() const { return m_modal; }
    /// The user closes the form (the window manager's close button).
    void SimulateCloseRequest();
    /// Activation as the window manager would report it.
    void SimulateActivation(bool active);
    /// The last layered frame (packed ARGB, rows of LayeredSize().x pixels).
    const std::vector<uint32_t>& LayeredFrame() const { return m_layeredFrame; }
    Point LayeredSize() const { return { m_layeredWidth, m_layeredHeight }; }
    /// What the screen shows at a client pixel of a layered form: the frame itself with a
    /// compositor, else the frame blended over the opaque fill colour.
    uint32_t ShownPixel(int32_t x, int32_t y) const;
    /// The input shape (with a compositor) or bounding shape (without) of the last update.
    const std::vector<Rect>& Shape() const { return m_shape; }
    int LayeredUpdates() const { return m_layeredUpdates; }

private:
    friend class FakeApplication;
    friend class FakeSceneHost;

    FakeApplication& m_app;
    FormOptions m_options;
    FormEvents* m_events = nullptr;
    Lifetime m_life;
    Point m_position;
    int32_t m_width;
    int32_t m_height;
    bool m_visible = false;
    bool m_active = false;
    bool m_modal = false;
    bool m_resizePending = false;
    std::vector<FakeSceneHost*> m_hosts;
    uint32_t m_layeredFill = 0xFF000000;
    std::vector<uint32_t> m_layeredFrame;
    int32_t m_layeredWidth = 0;
    int32_t m_layeredHeight = 0;
    std::vector<Rect> m_shape;
    int m_layeredUpdates = 0;
};

class FakeSceneHost final : public SceneHost {
public:
    FakeSceneHost(FakeForm& form, SceneHostEvents& events, const Rect& bounds);
    ~FakeSceneHost() override;

    Form& GetForm() const override;
    SceneHostEvents& Events() const override { return m_events; }
    bool HasWindow() const override { return m_realized; }
    Rect GetBounds() const override { return m_bounds; }
    void SetBounds(const Rect& bounds) override;
    void SetVisible(bool visible) override;
    bool IsVisible() const override { return m_visible; }
    void Invalidate(const Rect& rect) override;
    void InvalidateAll() override;
    Point ClientToScreen(Point p) const override;
    Point ScreenToClient(Point p) const override;
    void SetCursor(int32_t cursorNumber) override { m_cursor = cursorNumber; }
    int32_t GetCursor() const override { return m_cursor; }
    void SetCapture(bool capture) override { m_capture = capture; }
    bool HasCapture() const override { return m_capture; }
    void SetFocus() override;
    bool HasFocus() const override { return m_focused; }
    LifetimeWatch GetWatch() const override { return m_life.GetWatch(); }

    // Test controls ---------------------------------------------------------------------

    /// A press reaching a host of another form than the one holding the popup grab ends
    /// the grab instead (FormDeactivated) and goes no further.
    void Inject(const RawButtonEvent& event);
    void Inject(const RawMotionEvent& event) { m_router.Motion(WithRoot(event)); }
    void Inject(const RawScrollEvent& event) { m_router.Scroll(event); }
    void Inject(const RawCrossingEvent& event) { m_router.Crossing(event); }
    /// While another form holds the popup grab, the key goes to that form's focused host
    /// (its first host when none has the focus). A key through a simple input method: it commits the key's
    /// character unless Ctrl or Alt is held or the character is a control character; `imCommit` replaces what
    /// it commits (composed input), an empty `imCommit` makes it consume the key silently.
    void InjectKey(const RawKeyEvent& event, std::optional<std::string> imCommit = std::nullopt);
    void InjectFocus(bool in);
    void InjectGrabBroken() { m_router.GrabBroken(); }
    std::optional<HintInfo> QueryHint(Point p) { return m_events.HostHint(p); }
    /// A drag from another application, as the window system reports it.
    DropEffect SimulateDragOver(const DropData& data, Point p);
    void SimulateDragLeave();
    bool SimulateDrop(const DropData& data, Point p);

    /// Update rectangles waiting for the next paint.
    const std::vector<Rect>& PendingUpdate() const { return m_pending; }
    int PaintCount() const { return m_paints; }
    /// What the host shows: every presented frame lands here, as on a window (packed ARGB).
    uint32_t ShownPixel(int32_t x, int32_t y) const;
    /// The update rectangles of the last paint.
    const std::vector<Rect>& LastPaintRects() const { return m_lastPaintRects; }
    /// Pixels the last paint presented (the sum of the presented frames' areas).
    int64_t PresentedArea() const { return m_presentedArea; }

private:
    friend class FakeApplication;
    friend class FakeForm;
    class FakePaintContext;
    class SimpleInputMethod;

    template <class E> E WithRoot(E e) const
    {
        const Point origin = ClientToScreen({ 0, 0 });
        e.rootX = e.x + origin.x;
        e.rootY = e.y + origin.y;
        return e;
    }
    void Realize();
    void Unrealize();
    bool Paint();
    void ResizeSurface(int32_t width, int32_t height);

    FakeForm* m_form;
    SceneHostEvents& m_events;
    Lifetime m_life;
    InputRouter m_router;
    Rect m_bounds;
    bool m_visible = false;
    bool m_realized = false;
    bool m_focused = false;
    bool m_capture = false;
    bool m_resizePending = false;
    int32_t m_reportedWidth = -1;
    int32_t m_reportedHeight = -1;
    int32_t m_cursor = 0;
    std::vector<Rect> m_pending;
    std::vector<Rect> m_lastPaintRects;
    int m_paints = 0;
    int64_t m_presentedArea = 0;
    std::vector<uint32_t> m_surface;
    int32_t m_surfaceWidth = 0;
    int32_t m_surfaceHeight = 0;
    bool m_dragEntered = false;
    bool m_dragRefused = false;
};

} // namespace platform::ui
