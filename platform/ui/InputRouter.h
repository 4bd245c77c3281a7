#pragma once

#include "platform/ui/Input.h"
#include "platform/ui/Window.h"

#include <string_view>
#include <vector>

// Raw input of a scene host as the window system delivers it, and the router that turns it
// into the scene's events. The GTK host and the fake host share the router, so the rules
// below hold identically headless.
namespace platform::ui {

struct RawButtonEvent {
    enum class Type : uint8_t { Press, DoublePress, TriplePress, Release };
    Type type = Type::Press;
    uint32_t button = 1;
    double x = 0; // client
    double y = 0;
    double rootX = 0; // screen
    double rootY = 0;
    RawModifiers modifiers; // before the event
    uint32_t time = 0; // milliseconds, wrapping
};

struct RawMotionEvent {
    double x = 0;
    double y = 0;
    double rootX = 0;
    double rootY = 0;
    RawModifiers modifiers;
};

struct RawScrollEvent {
    enum class Direction : uint8_t { Up, Down, Left, Right, Smooth };
    Direction direction = Direction::Up;
    double deltaY = 0; // smooth scrolling only, notches, positive down
    double x = 0;
    double y = 0;
    RawModifiers modifiers;
};

struct RawCrossingEvent {
    bool leave = true;
    bool grabTransition = false; // the crossing comes from a grab starting or ending
    bool inferior = false; // the pointer moved into a child window
};

struct RawKeyEvent {
    bool press = true;
    uint32_t keyval = 0;
    std::vector<KeyEntry> entries; // every entry of the hardware key
    RawModifiers modifiers;
};

/// The input method a host offers keys to.
class InputMethod {
public:
    virtual ~InputMethod() = default;
    /// Offers a key; true when the method consumed it. Committed text reaches
    /// InputRouter::Commit during the call (or later, for composed input).
    virtual bool Filter(const RawKeyEvent& key) = 0;
};

/// Delivers a host's raw input to its scene:
/// - buttons 1-3 only; the window system's own double and triple presses are ignored and the
///   second plain press within the double-click time and distance carries the Double flag;
/// - wheel notches are ±120, smooth scrolling accumulates, sideways scrolling is dropped;
/// - a leave caused by a grab or by entering a child window is not a leave;
/// - a key press goes to HostKeyDown; only when not consumed there is it offered to the input
///   method, whose commits arrive unit by unit; when the method neither consumed nor
///   committed, the control character of the key is typed (Ctrl+letter, Tab, Return, ...);
/// - while an in-process drag started from this host runs, moves, the release and Escape go
///   to the drag session instead.
/// Any event handler may free the host (and this router); nothing is touched afterwards.
class InputRouter {
public:
    InputRouter(SceneHost& host, ClickSettings settings)
        : m_host(host)
        , m_clicks(settings)
    { }

    void Button(const RawButtonEvent& event);
    void Motion(const RawMotionEvent& event);
    void Scroll(const RawScrollEvent& event);
    void Crossing(const RawCrossingEvent& event);
    void Key(const RawKeyEvent& event, InputMethod* inputMethod);
    void Commit(std::string_view utf8);
    void Focus(bool in);
    void GrabBroken();

    /// A button is held: the window system's implicit grab already captures the pointer.
    bool ButtonHeld() const { return m_buttonsDown != 0; }

private:
    SceneHost& m_host;
    ClickTracker m_clicks;
    WheelAccumulator m_wheel;
    uint32_t m_buttonsDown = 0; // bit per button 1-3
    bool m_committed = false;
};

/// The Unicode character a keyval types, 0 when none (for input methods without composition).
[[nodiscard]] char32_t KeyvalToUnicode(uint32_t keyval);

} // namespace platform::ui
