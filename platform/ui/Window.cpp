#include "platform/ui/Window.h"

#include "platform/ui/Application.h"

namespace platform::ui {

int32_t Form::ShowModal()
{
    const LifetimeWatch alive = GetWatch();
    m_modalResult = kModalNone;
    SetModal(true);
    Show();
    // The form may be freed by a handler inside the loop: nothing of it is read once it went.
    Application::Current().RunUntil(
        [&] { return alive.Gone() || m_modalResult != kModalNone || !IsVisible(); }, alive);
    if (alive.Gone())
        return kModalCancel;
    const int32_t result = m_modalResult;
    SetModal(false);
    Hide();
    return result;
}

} // namespace platform::ui
