#pragma once

#include "platform/ui/Types.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// Native windows: a form (top-level window) holds scene hosts, the child windows in which a
// 2D or 3D scene draws and receives input. Both are interfaces with a GTK implementation and
// a headless fake (FakeApplication.h). GUI thread only.
namespace platform::ui {

class DragSession;
class Form;
class SceneHost;

/// What a scene host hands to the scene while it paints.
class PaintContext {
public:
    enum class Blend : uint8_t {
        Source, // the frame replaces what is there, alpha included
        Over, // the frame is composited over what the parent already drew
    };
    virtual ~PaintContext() = default;
    /// The parts of the host to paint, in client pixels; painting is clipped to them.
    virtual const std::vector<Rect>& UpdateRects() const = 0;
    /// Puts `frame` at `at` (client pixels); false when the frame is not a valid buffer.
    /// The pixels are read during the call only.
    virtual bool Present(const FrameView& frame, Point at = {}, Blend blend = Blend::Source) = 0;
};

/// The scene's side of a host: every hook is optional. Any hook may free the host (and the
/// scene); the host touches nothing of itself afterwards.
class SceneHostEvents {
public:
    virtual ~SceneHostEvents() = default;

    /// The native window exists (also after it was re-created); drop target and input are live.
    virtual void HostCreated() { }
    /// The native window is about to go.
    virtual void HostDestroying() { }
    /// The host's size changed (by the form's layout or by SetBounds).
    virtual void HostResized(int32_t /*width*/, int32_t /*height*/) { }
    virtual void HostPaint(PaintContext&) { }

    virtual void HostMouseDown(MouseButton, ShiftState, int32_t /*x*/, int32_t /*y*/) { }
    virtual void HostMouseMove(ShiftState, int32_t /*x*/, int32_t /*y*/) { }
    virtual void HostMouseUp(MouseButton, ShiftState, int32_t /*x*/, int32_t /*y*/) { }
    /// Delta is +120 per notch away from the user; true when handled.
    virtual bool HostMouseWheel(ShiftState, int32_t /*delta*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual void HostMouseLeave() { }
    /// A key went down; setting `key` to 0 consumes it, and then it types no character.
    virtual void HostKeyDown(uint16_t& /*key*/, ShiftState) { }
    virtual void HostKeyUp(uint16_t& /*key*/, ShiftState) { }
    /// One typed UTF-16 code unit (a character outside the BMP arrives as two calls).
    virtual void HostChar(char16_t /*unit*/) { }
    virtual void HostFocusIn() { }
    virtual void HostFocusOut() { }
    /// The pointer capture was taken away (another grab, a popup menu on the press).
    virtual void HostCaptureLost() { }
    /// The hint at a client point; nothing shows no hint.
    virtual std::optional<HintInfo> HostHint(Point) { return std::nullopt; }

    /// A drag from another application enters; false refuses the whole drag.
    virtual bool HostDragEnter(const DropData&) { return true; }
    /// The drag moved to a client point; the answer is shown to the user.
    virtual DropEffect HostDragOver(const DropData&, Point) { return DropEffect::None; }
    virtual void HostDragLeave() { }
    /// The data was dropped at a client point; true when it was taken.
    virtual bool HostDrop(const DropData&, Point) { return false; }

    /// An in-process drag (DragSession) is over this host; true accepts a drop here.
    virtual bool HostSessionDragOver(DragSession&, Point) { return false; }
    /// The in-process drag left this host (moved elsewhere, cancelled).
    virtual void HostSessionDragLeave(DragSession&) { }
    /// The in-process drag was dropped on this host, which accepted it at its last move.
    virtual void HostSessionDrop(DragSession&, Point) { }
};

/// A child window of a form in which a scene draws. Created hidden; call SetVisible(true)
/// once the owner keeps the pointer, and HostCreated follows when the form is shown.
class SceneHost {
public:
    virtual ~SceneHost() = default;

    virtual Form& GetForm() const = 0;
    virtual SceneHostEvents& Events() const = 0;
    /// True while the native window exists (between HostCreated and HostDestroying).
    virtual bool HasWindow() const = 0;

    /// Position and size in the form's client area.
    virtual Rect GetBounds() const = 0;
    virtual void SetBounds(const Rect& bounds) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool IsVisible() const = 0;

    /// Asks for a paint of part of the host; requests merge until the paint runs.
    virtual void Invalidate(const Rect& rect) = 0;
    virtual void InvalidateAll() = 0;

    virtual Point ClientToScreen(Point p) const = 0;
    virtual Point ScreenToClient(Point p) const = 0;

    /// Cursor by toolkit number (0 default, -4 I-beam, -21 hand, ...).
    virtual void SetCursor(int32_t cursorNumber) = 0;
    virtual int32_t GetCursor() const = 0;

    /// While captured, every pointer event goes to this host, inside it or not.
    virtual void SetCapture(bool capture) = 0;
    virtual bool HasCapture() const = 0;

    virtual void SetFocus() = 0;
    virtual bool HasFocus() const = 0;

    /// Observes the host's lifetime (a handler can tell whether it freed the host).
    virtual LifetimeWatch GetWatch() const = 0;
};

enum class FormKind : uint8_t {
    Normal, // a top-level window managed by the window manager
    Popup, // override-redirect: lists and popups placed at screen coordinates
    Tool, // an undecorated helper window kept above its owner
};

struct FormOptions {
    std::string caption;
    int32_t clientWidth = 320;
    int32_t clientHeight = 240;
    std::optional<Point> position; // screen position of the form; centred when absent
    FormKind kind = FormKind::Normal;
    bool decorated = true;
    bool keepAbove = false;
    bool skipTaskbar = false;
    /// Per-pixel alpha: the form shows the frames given to UpdateLayered.
    bool layered = false;
    int32_t minClientWidth = 0;
    int32_t minClientHeight = 0;
    Form* owner = nullptr; // kept above its owner
};

class FormEvents {
public:
    virtual ~FormEvents() = default;
    /// The user asked to close the form; the owner decides (hide, free or nothing).
    virtual void FormCloseRequest() { }
    virtual void FormResized(int32_t /*clientWidth*/, int32_t /*clientHeight*/) { }
    virtual void FormActivated() { }
    virtual void FormDeactivated() { }
};

/// Modal results of a form: none yet, confirmed, cancelled (Esc in a scene, the close button).
inline constexpr int32_t kModalNone = 0;
inline constexpr int32_t kModalOk = 1;
inline constexpr int32_t kModalCancel = 2;

/// A top-level window. Sizes are client sizes (the content without decorations), so a form
/// has the same usable area with or without a window manager.
class Form {
public:
    virtual ~Form() = default;

    virtual void SetEvents(FormEvents* events) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetModal(bool modal) = 0;

    /// Screen position of the form (of its decoration when it has one).
    virtual Point GetPosition() const = 0;
    virtual void SetPosition(Point p) = 0;
    virtual int32_t ClientWidth() const = 0;
    virtual int32_t ClientHeight() const = 0;
    virtual void SetClientSize(int32_t width, int32_t height) = 0;
    /// Thickness of the decoration on each side (left, top, right, bottom); 0 without one.
    virtual Rect FrameExtents() const = 0;
    virtual Point ClientToScreen(Point p) const = 0;
    virtual Point ScreenToClient(Point p) const = 0;

    virtual void Activate() = 0;
    virtual bool IsActive() const = 0;

    /// A new hidden scene host at `bounds` of the client area.
    [[nodiscard]] virtual std::unique_ptr<SceneHost> CreateHost(SceneHostEvents& events, const Rect& bounds)
        = 0;

    virtual bool IsLayered() const = 0;
    /// The colour shown under the frame where the screen cannot blend (no compositor); its
    /// alpha is ignored, and a fully transparent colour gives black.
    virtual void SetLayeredFill(uint32_t argb) = 0;
    /// Shows `frame` as the whole form, moved to `screenPosition` and resized to the frame's
    /// size; its alpha is the form's transparency. False when the form is not layered or the
    /// frame is not a valid buffer. The pixels are copied.
    virtual bool UpdateLayered(const FrameView& frame, Point screenPosition) = 0;

    virtual LifetimeWatch GetWatch() const = 0;

    /// A shown popup form takes the application's pointer and keyboard: keys go to the
    /// form's focused host whichever window had them, and a press anywhere outside the form
    /// (in another window of the application or of another program) goes no further, ends
    /// the grab and tells FormDeactivated. Hiding or freeing the form ends the grab quietly;
    /// a newer grab of another form replaces it quietly. False when the form is not shown.
    virtual bool GrabPopup() = 0;
    /// Ends the grab quietly; nothing when the form holds none.
    virtual void ReleasePopupGrab() = 0;
    [[nodiscard]] virtual bool HasPopupGrab() const = 0;

    /// Shows the form modal and runs a nested loop until its modal result is set, it is
    /// hidden or freed, or the application ends; then hides it. Returns the modal result
    /// (kModalNone when it ended otherwise, kModalCancel when the form was freed).
    int32_t ShowModal();
    /// Ends the loop of ShowModal when not kModalNone; on a form that is not shown modally it
    /// is only stored, so Esc never closes a main window.
    void SetModalResult(int32_t value) { m_modalResult = value; }
    [[nodiscard]] int32_t GetModalResult() const { return m_modalResult; }

private:
    int32_t m_modalResult = kModalNone;
};

/// The text clipboard (the clipboard selection, never the primary selection).
class Clipboard {
public:
    virtual ~Clipboard() = default;
    /// Lone surrogates become U+FFFD.
    virtual void SetText(std::u16string_view text) = 0;
    /// The clipboard's text, or nothing when it holds none. May run a nested loop while the
    /// owner answers: call it from user actions only.
    [[nodiscard]] virtual std::optional<std::u16string> GetText() = 0;
    [[nodiscard]] virtual bool HasText() = 0;
};

} // namespace platform::ui
