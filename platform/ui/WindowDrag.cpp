#include "platform/ui/WindowDrag.h"

#include "platform/ui/Window.h"

#include <algorithm>

namespace platform::ui {

void WindowDrag::Begin(Mode mode, Form& form, Point screen)
{
    m_mode = mode;
    m_target = &form;
    m_form = form.GetWatch();
    m_startScreen = screen;
    m_startValue
        = mode == Mode::Resize ? Point { form.ClientWidth(), form.ClientHeight() } : form.GetPosition();
}

bool WindowDrag::Track(Point screen)
{
    if (!Active())
        return false;
    const int32_t dx = screen.x - m_startScreen.x;
    const int32_t dy = screen.y - m_startScreen.y;
    if (m_mode == Mode::Move)
        m_target->SetPosition({ m_startValue.x + dx, m_startValue.y + dy });
    else
        m_target->SetClientSize(std::max(m_startValue.x + dx, 1), std::max(m_startValue.y + dy, 1));
    return true;
}

void WindowDrag::End()
{
    m_mode = Mode::None;
    m_target = nullptr;
    m_form = {};
}

} // namespace platform::ui
