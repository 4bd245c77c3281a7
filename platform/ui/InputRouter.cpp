#include "platform/ui/InputRouter.h"

#include "platform/rtl/Text.h"
#include "platform/ui/DragSession.h"

#include <gdk/gdk.h>

#include <cmath>

namespace platform::ui {
namespace {

int32_t Pixel(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int32_t>(std::fmax(-1e9, std::fmin(1e9, std::floor(v))));
}

Point ScreenPoint(double x, double y)
{
    return Point { Pixel(x), Pixel(y) };
}

uint32_t ButtonBit(uint32_t button)
{
    return button >= 1 && button <= 3 ? 1u << button : 0u;
}

// The session this host started, when one runs.
DragSession* SessionFrom(SceneHost& host)
{
    DragSession* s = DragSession::Current();
    return s && s->Source() == &host ? s : nullptr;
}

} // namespace

char32_t KeyvalToUnicode(uint32_t keyval)
{
    return static_cast<char32_t>(gdk_keyval_to_unicode(keyval));
}

void InputRouter::Button(const RawButtonEvent& e)
{
    if (e.type == RawButtonEvent::Type::DoublePress || e.type == RawButtonEvent::Type::TriplePress)
        return;
    const std::optional<MouseButton> button = MouseButtonFromNumber(e.button);
    if (!button)
        return;
    const bool press = e.type == RawButtonEvent::Type::Press;
    if (press)
        m_buttonsDown |= ButtonBit(e.button);
    else
        m_buttonsDown &= ~ButtonBit(e.button);

    if (DragSession* session = SessionFrom(m_host)) {
        if (!press)
            session->Released(ScreenPoint(e.rootX, e.rootY));
        return;
    }

    ShiftState shift = ShiftForButton(e.modifiers, *button, press);
    if (press) {
        if (m_clicks.Press(*button, e.x, e.y, e.time))
            shift.Add(ShiftFlag::Double);
        m_host.Events().HostMouseDown(*button, shift, Pixel(e.x), Pixel(e.y));
    } else {
        m_host.Events().HostMouseUp(*button, shift, Pixel(e.x), Pixel(e.y));
    }
}

void InputRouter::Motion(const RawMotionEvent& e)
{
    if (DragSession* session = SessionFrom(m_host)) {
        session->PointerMoved(ScreenPoint(e.rootX, e.rootY));
        return;
    }
    m_host.Events().HostMouseMove(ShiftFromModifiers(e.modifiers), Pixel(e.x), Pixel(e.y));
}

void InputRouter::Scroll(const RawScrollEvent& e)
{
    int32_t delta = 0;
    switch (e.direction) {
    case RawScrollEvent::Direction::Up:
        delta = m_wheel.Step(true);
        break;
    case RawScrollEvent::Direction::Down:
        delta = m_wheel.Step(false);
        break;
    case RawScrollEvent::Direction::Smooth:
        delta = m_wheel.Smooth(e.deltaY);
        break;
    case RawScrollEvent::Direction::Left:
    case RawScrollEvent::Direction::Right:
        return;
    }
    if (delta != 0)
        m_host.Events().HostMouseWheel(ShiftFromModifiers(e.modifiers), delta, Pixel(e.x), Pixel(e.y));
}

void InputRouter::Crossing(const RawCrossingEvent& e)
{
    if (!e.leave || e.grabTransition || e.inferior)
        return;
    m_host.Events().HostMouseLeave();
}

void InputRouter::Key(const RawKeyEvent& e, InputMethod* inputMethod)
{
    const LifetimeWatch alive = m_host.GetWatch();
    const uint16_t code = VirtualKeyFor(e.keyval, e.entries);
    const ShiftState shift = ShiftFromModifiers(e.modifiers);

    if (DragSession* session = SessionFrom(m_host)) {
        if (e.press && code == vk::kEscape) {
            session->Cancel();
            return;
        }
    }

    if (!e.press) {
        if (code != 0) {
            uint16_t key = code;
            m_host.Events().HostKeyUp(key, shift);
            if (alive.Gone())
                return;
        }
        if (inputMethod)
            inputMethod->Filter(e);
        return;
    }

    if (code != 0) {
        uint16_t key = code;
        m_host.Events().HostKeyDown(key, shift);
        if (alive.Gone())
            return;
        // A consumed key types nothing: Enter, Backspace and Tab would otherwise reach text
        // controls twice.
        if (key == 0)
            return;
    }
    m_committed = false;
    const bool consumed = inputMethod && inputMethod->Filter(e);
    if (alive.Gone())
        return;
    if (consumed || m_committed)
        return;
    if (const std::optional<char16_t> c = SynthesizedChar(e.keyval, code, e.modifiers))
        m_host.Events().HostChar(*c);
}

void InputRouter::Commit(std::string_view utf8)
{
    const LifetimeWatch alive = m_host.GetWatch();
    m_committed = true;
    const std::u16string text = rtl::Utf8ToUtf16(utf8);
    for (char16_t unit : text) {
        m_host.Events().HostChar(unit);
        if (alive.Gone())
            return;
    }
}

void InputRouter::Focus(bool in)
{
    if (in)
        m_host.Events().HostFocusIn();
    else
        m_host.Events().HostFocusOut();
}

void InputRouter::GrabBroken()
{
    m_buttonsDown = 0;
    m_clicks.Reset();
    if (DragSession* session = SessionFrom(m_host)) {
        session->Cancel();
        return;
    }
    m_host.Events().HostCaptureLost();
}

} // namespace platform::ui
