#include "platform/ui/DragSession.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/Input.h"
#include "platform/ui/Window.h"

#include <memory>

namespace platform::ui {
namespace {

// The running session and its lifetime marker: handlers called from a session may end it.
std::unique_ptr<DragSession> g_session;
std::unique_ptr<Lifetime> g_sessionLife;

} // namespace

DragSession::DragSession(SceneHost& source, std::any payload, EndProc onEnd)
    : m_source(&source)
    , m_payload(std::move(payload))
    , m_onEnd(std::move(onEnd))
{ }

DragSession& DragSession::Begin(SceneHost& source, std::any payload, EndProc onEnd)
{
    if (g_session)
        g_session->Cancel();
    g_session.reset(new DragSession(source, std::move(payload), std::move(onEnd)));
    g_sessionLife = std::make_unique<Lifetime>();
    DragSession& s = *g_session;
    s.m_savedCursor = source.GetCursor();
    if (!source.HasCapture()) {
        source.SetCapture(true);
        s.m_ownCapture = true;
    }
    source.SetCursor(cursor::kNoDrop);
    return s;
}

DragSession* DragSession::Current()
{
    return g_session.get();
}

DragSession& DragSession::BeginObjectDrag(SceneHost& source, rtl::TComponent* object, EndProc onEnd)
{
    return Begin(source, std::any(rtl::Watch<rtl::TComponent>(object)), std::move(onEnd));
}

rtl::TObject* DragSession::PayloadObject() const
{
    if (const auto* watched = std::any_cast<rtl::Watch<rtl::TComponent>>(&m_payload))
        return watched->Get();
    const auto* object = std::any_cast<rtl::TObject*>(&m_payload);
    return object ? *object : nullptr;
}

void DragSession::LeaveTarget()
{
    SceneHost* old = m_target;
    m_target = nullptr;
    m_accepted = false;
    if (old)
        old->Events().HostSessionDragLeave(*this);
}

void DragSession::PointerMoved(Point screen)
{
    const LifetimeWatch alive = g_sessionLife->GetWatch();
    SceneHost* host = Application::Current().HostAtScreenPoint(screen);
    if (host != m_target) {
        LeaveTarget();
        if (alive.Gone())
            return;
        m_target = host;
    }
    m_accepted = false;
    if (m_target) {
        const bool accepted = m_target->Events().HostSessionDragOver(*this, m_target->ScreenToClient(screen));
        if (alive.Gone())
            return;
        m_accepted = accepted && m_target != nullptr;
    }
    if (m_source)
        m_source->SetCursor(m_accepted ? cursor::kDrag : cursor::kNoDrop);
}

void DragSession::Released(Point screen)
{
    const LifetimeWatch alive = g_sessionLife->GetWatch();
    PointerMoved(screen);
    if (alive.Gone())
        return;
    const bool drop = m_accepted && m_target;
    if (drop) {
        m_target->Events().HostSessionDrop(*this, m_target->ScreenToClient(screen));
        if (alive.Gone())
            return;
    }
    Finish(drop);
}

void DragSession::Cancel()
{
    const LifetimeWatch alive = g_sessionLife->GetWatch();
    LeaveTarget();
    if (alive.Gone())
        return;
    Finish(false);
}

void DragSession::Finish(bool dropped)
{
    if (m_source) {
        m_source->SetCursor(m_savedCursor);
        if (m_ownCapture)
            m_source->SetCapture(false);
    }
    EndProc onEnd = std::move(m_onEnd);
    // The session is gone before the end handler runs, so the handler may start another.
    std::unique_ptr<DragSession> self = std::move(g_session);
    g_sessionLife.reset();
    self.reset();
    if (onEnd)
        onEnd(dropped);
}

void DragSession::HostGone(SceneHost& host)
{
    DragSession* s = g_session.get();
    if (!s)
        return;
    if (s->m_target == &host) {
        s->m_target = nullptr;
        s->m_accepted = false;
    }
    if (s->m_source == &host) {
        s->m_source = nullptr;
        s->Cancel();
    }
}

} // namespace platform::ui
