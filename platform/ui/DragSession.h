#pragma once

#include "platform/rtl/Forward.h"
#include "platform/ui/Types.h"

#include <any>
#include <functional>

// Drags that never leave the application (a picture from the picture strip onto a face's
// picture box). The session holds the dragged object, keeps the pointer captured by the
// source host, finds the host under the pointer on every move, shows the drag or no-drop
// cursor, drops on the release and cancels on Escape. GUI thread only; one session at a time.
namespace platform::ui {

class SceneHost;

class DragSession {
public:
    using EndProc = std::function<void(bool dropped)>;

    /// Starts a drag of `payload` from `source`, ending any running session first (cancelled).
    /// `onEnd` runs once the session is over, with true when a host took the drop.
    static DragSession& Begin(SceneHost& source, std::any payload, EndProc onEnd);
    /// The running session, or nullptr.
    static DragSession* Current();
    /// Starts a drag that carries a component of the object trees (2D or 3D), watched: the
    /// scenes of both libraries read it back with PayloadObject.
    static DragSession& BeginObjectDrag(SceneHost& source, rtl::TComponent* object, EndProc onEnd);
    /// The object a drag carries: the component of BeginObjectDrag (null once it was freed),
    /// or an rtl::TObject* payload; null for any other payload.
    [[nodiscard]] rtl::TObject* PayloadObject() const;

    SceneHost* Source() const { return m_source; }
    /// The host the pointer is over, or nullptr.
    SceneHost* Target() const { return m_target; }
    const std::any& Payload() const { return m_payload; }
    bool TargetAccepts() const { return m_accepted; }

    /// Ends the drag without a drop.
    void Cancel();

    /// Fed by the source host's input while the session runs (screen coordinates).
    void PointerMoved(Point screen);
    void Released(Point screen);

    /// A host is going away: a session from it is cancelled, a target is forgotten.
    static void HostGone(SceneHost& host);

private:
    DragSession(SceneHost& source, std::any payload, EndProc onEnd);
    void Finish(bool dropped);
    void LeaveTarget();

    SceneHost* m_source;
    SceneHost* m_target = nullptr;
    std::any m_payload;
    EndProc m_onEnd;
    bool m_accepted = false;
    bool m_ownCapture = false;
    int32_t m_savedCursor = 0;
};

} // namespace platform::ui
