#pragma once

#include "platform/ui/Types.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// Pure translation of the window system's raw input into the toolkit's terms: shift states,
// virtual key codes, the characters typed for control keys, wheel deltas and double clicks.
// No display is needed; the GTK back end and the headless fake both feed these.
namespace platform::ui {

/// Modifier keys and mouse buttons held *before* the event, as the window system reports them.
struct RawModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool meta = false; // Meta or Super
    bool button1 = false;
    bool button2 = false;
    bool button3 = false;
};

/// The shift state of a key event or a pointer motion.
[[nodiscard]] ShiftState ShiftFromModifiers(const RawModifiers& modifiers);

/// The shift state of a button event: the window system reports the state before the event,
/// the toolkit the state after it, so the pressed button is added and the released one removed.
[[nodiscard]] ShiftState ShiftForButton(const RawModifiers& modifiers, MouseButton button, bool press);

/// Buttons 1, 2 and 3 are left, middle and right; other buttons (back, forward) map to nothing.
[[nodiscard]] std::optional<MouseButton> MouseButtonFromNumber(uint32_t button);

/// One entry of a hardware key: the keyval it produces in a layout group at a shift level.
struct KeyEntry {
    uint32_t keyval = 0;
    int32_t group = 0;
    int32_t level = 0;
};

/// The virtual key code of a key event. Named and keypad keys map the event's own keyval, so
/// they follow NumLock. Letters, digits and punctuation take the hardware key's unshifted
/// Latin entry in any layout group, so Shift+1 gives 49 and Ctrl+C gives 67 on a Cyrillic
/// layout. 0 for keys without a code.
[[nodiscard]] uint16_t VirtualKeyFor(uint32_t keyval, std::span<const KeyEntry> hardwareEntries);

/// The character the window system types for a key that the input method neither consumed nor
/// committed: Ctrl+letter 1-26, Backspace 8 (127 with Ctrl), Tab 9, Return 13 (10 with Ctrl),
/// Escape 27. Nothing for other keys.
[[nodiscard]] std::optional<char16_t> SynthesizedChar(
    uint32_t keyval, uint16_t virtualKey, const RawModifiers& modifiers);

/// The keyval with an X key name ("Return", "KP_Enter", "a"); 0 when there is none.
[[nodiscard]] uint32_t KeyvalFromName(std::string_view name);

/// Turns wheel steps and smooth scrolling into the toolkit's wheel deltas (±120 a notch).
/// Smooth deltas accumulate; whole units are delivered and the remainder carried.
class WheelAccumulator {
public:
    /// A discrete notch: +120 up, -120 down. Drops any smooth remainder.
    int32_t Step(bool up);
    /// A smooth scroll of `deltaY` notches (positive is down); 0 while less than a unit built up.
    int32_t Smooth(double deltaY);
    void Reset() { m_rest = 0; }

private:
    double m_rest = 0;
};

struct ClickSettings {
    uint32_t timeMs = 400; // "gtk-double-click-time"
    int32_t distance = 5; // "gtk-double-click-distance"
};

/// Flags the second plain press of a button as a double click, like the toolkit's order
/// (down, up, down + double, up). A third press starts over.
class ClickTracker {
public:
    explicit ClickTracker(ClickSettings settings = {})
        : m_settings(settings)
    { }
    void SetSettings(ClickSettings settings) { m_settings = settings; }

    /// Registers a press; true when it completes a double click.
    bool Press(MouseButton button, double x, double y, uint32_t timeMs);
    void Reset() { m_pending = false; }

private:
    ClickSettings m_settings;
    bool m_pending = false;
    MouseButton m_button = MouseButton::Left;
    double m_x = 0;
    double m_y = 0;
    uint32_t m_time = 0;
};

/// Cursor shapes of the X cursor font, used when the cursor theme lacks a named cursor.
enum class CursorFallback : uint8_t {
    LeftPtr,
    Blank,
    Crosshair,
    Xterm,
    BottomLeftCorner,
    BottomRightCorner,
    SbHDoubleArrow,
    SbVDoubleArrow,
    Watch,
    Fleur,
    XCursor,
    QuestionArrow,
    Hand2,
};

struct CursorShape {
    std::string_view name; // CSS cursor name looked up in the theme
    CursorFallback fallback;
};

/// The cursor for a toolkit cursor number (0 default, -1 none, -3 cross, -4 I-beam, ...);
/// unknown numbers give the default arrow.
[[nodiscard]] CursorShape CursorShapeFor(int32_t cursorNumber);

/// Toolkit cursor numbers the layer itself uses.
namespace cursor {
constexpr int32_t kDefault = 0, kNone = -1, kIBeam = -4, kSizeNWSE = -8, kDrag = -12, kNoDrop = -13,
                  kHandPoint = -21;
} // namespace cursor

/// Rectangles covering the pixels whose alpha is above `minAlpha`, one per run of such pixels
/// in a row. Shapes layered windows: input shape with minAlpha 0, the bounding shape of the
/// no-compositor fallback with minAlpha 127 (more than half opaque).
[[nodiscard]] std::vector<Rect> AlphaRuns(const FrameView& frame, uint8_t minAlpha);

} // namespace platform::ui
