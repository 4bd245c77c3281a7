#pragma once

#include "platform/ui/Types.h"

#include <cstdint>

// Moving or resizing a form with the mouse from inside one of its scene hosts, as scenes do
// on a press over empty space or a size grip. Everything is in screen pixels: the form moves
// under the pointer while it is dragged, so points relative to it would run away. The drag
// only follows what the scene feeds it; the scene's own capture keeps the pointer. GUI
// thread only.
namespace platform::ui {

class Form;

class WindowDrag {
public:
    enum class Mode : uint8_t { None, Move, Resize };

    /// Starts moving (or resizing) `form` from the pointer at `screen`; replaces a running drag.
    void Begin(Mode mode, Form& form, Point screen);
    /// The pointer is at `screen`: the form takes its start position (or client size) plus
    /// the pointer's way since the start; a size stays at least 1 x 1. False, doing
    /// nothing, when no drag runs or the form has gone.
    bool Track(Point screen);
    void End();
    [[nodiscard]] Mode GetMode() const { return m_form.Gone() ? Mode::None : m_mode; }
    [[nodiscard]] bool Active() const { return GetMode() != Mode::None; }

private:
    Mode m_mode = Mode::None;
    Form* m_target = nullptr;
    LifetimeWatch m_form;
    Point m_startScreen;
    Point m_startValue; // the form's position, or its client size, at the start
};

} // namespace platform::ui
