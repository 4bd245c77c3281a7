#include "platform/ui/Input.h"

#include <gdk/gdk.h>
#include <gdk/gdkkeysyms.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace platform::ui {
namespace {

struct NamedKey {
    uint32_t keyval;
    uint16_t code;
};

// Keys whose code follows the event's own keyval (named keys, and the keypad, whose keyval
// already reflects NumLock).
constexpr NamedKey kNamedKeys[] = {
    { GDK_KEY_BackSpace, vk::kBack },
    { GDK_KEY_Tab, vk::kTab },
    { GDK_KEY_ISO_Left_Tab, vk::kTab },
    { GDK_KEY_KP_Tab, vk::kTab },
    { GDK_KEY_Clear, vk::kClear },
    { GDK_KEY_KP_Begin, vk::kClear },
    { GDK_KEY_Return, vk::kReturn },
    { GDK_KEY_KP_Enter, vk::kReturn },
    { GDK_KEY_ISO_Enter, vk::kReturn },
    { GDK_KEY_Shift_L, vk::kShift },
    { GDK_KEY_Shift_R, vk::kShift },
    { GDK_KEY_Control_L, vk::kControl },
    { GDK_KEY_Control_R, vk::kControl },
    { GDK_KEY_Alt_L, vk::kMenu },
    { GDK_KEY_Alt_R, vk::kMenu },
    { GDK_KEY_Pause, vk::kPause },
    { GDK_KEY_Caps_Lock, vk::kCapital },
    { GDK_KEY_Escape, vk::kEscape },
    { GDK_KEY_space, vk::kSpace },
    { GDK_KEY_KP_Space, vk::kSpace },
    { GDK_KEY_Page_Up, vk::kPrior },
    { GDK_KEY_KP_Page_Up, vk::kPrior },
    { GDK_KEY_Page_Down, vk::kNext },
    { GDK_KEY_KP_Page_Down, vk::kNext },
    { GDK_KEY_End, vk::kEnd },
    { GDK_KEY_KP_End, vk::kEnd },
    { GDK_KEY_Home, vk::kHome },
    { GDK_KEY_KP_Home, vk::kHome },
    { GDK_KEY_Left, vk::kLeft },
    { GDK_KEY_KP_Left, vk::kLeft },
    { GDK_KEY_Up, vk::kUp },
    { GDK_KEY_KP_Up, vk::kUp },
    { GDK_KEY_Right, vk::kRight },
    { GDK_KEY_KP_Right, vk::kRight },
    { GDK_KEY_Down, vk::kDown },
    { GDK_KEY_KP_Down, vk::kDown },
    { GDK_KEY_Print, vk::kSnapshot },
    { GDK_KEY_Insert, vk::kInsert },
    { GDK_KEY_KP_Insert, vk::kInsert },
    { GDK_KEY_Delete, vk::kDelete },
    { GDK_KEY_KP_Delete, vk::kDelete },
    { GDK_KEY_Super_L, vk::kLWin },
    { GDK_KEY_Super_R, vk::kRWin },
    { GDK_KEY_Menu, vk::kApps },
    { GDK_KEY_KP_Multiply, vk::kMultiply },
    { GDK_KEY_KP_Add, vk::kAdd },
    { GDK_KEY_KP_Separator, vk::kSeparator },
    { GDK_KEY_KP_Subtract, vk::kSubtract },
    { GDK_KEY_KP_Decimal, vk::kDecimal },
    { GDK_KEY_KP_Divide, vk::kDivide },
    { GDK_KEY_Num_Lock, vk::kNumLock },
    { GDK_KEY_Scroll_Lock, vk::kScroll },
};

// Punctuation keys, by the character on their unshifted level (US positions).
constexpr NamedKey kPunctuationKeys[] = {
    { GDK_KEY_semicolon, 186 },
    { GDK_KEY_equal, 187 },
    { GDK_KEY_plus, 187 },
    { GDK_KEY_comma, 188 },
    { GDK_KEY_minus, 189 },
    { GDK_KEY_period, 190 },
    { GDK_KEY_slash, 191 },
    { GDK_KEY_grave, 192 },
    { GDK_KEY_bracketleft, 219 },
    { GDK_KEY_backslash, 220 },
    { GDK_KEY_bracketright, 221 },
    { GDK_KEY_apostrophe, 222 },
    { GDK_KEY_less, 226 },
};

uint16_t NamedCode(uint32_t keyval)
{
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9)
        return static_cast<uint16_t>(vk::kNumpad0 + (keyval - GDK_KEY_KP_0));
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24)
        return static_cast<uint16_t>(vk::kF1 + (keyval - GDK_KEY_F1));
    for (const NamedKey& k : kNamedKeys)
        if (k.keyval == keyval)
            return k.code;
    return 0;
}

uint16_t LetterOrDigitCode(uint32_t keyval)
{
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z)
        return static_cast<uint16_t>('A' + (keyval - GDK_KEY_a));
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z)
        return static_cast<uint16_t>(keyval);
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9)
        return static_cast<uint16_t>(keyval);
    return 0;
}

uint16_t DigitCode(uint32_t keyval)
{
    return keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9 ? static_cast<uint16_t>(keyval) : 0;
}

uint16_t PunctuationCode(uint32_t keyval)
{
    for (const NamedKey& k : kPunctuationKeys)
        if (k.keyval == keyval)
            return k.code;
    return 0;
}

struct CursorEntry {
    int32_t number;
    CursorShape shape;
};

constexpr CursorEntry kCursors[] = {
    { 0, { "default", CursorFallback::LeftPtr } },
    { -1, { "none", CursorFallback::Blank } },
    { -2, { "default", CursorFallback::LeftPtr } },
    { -3, { "crosshair", CursorFallback::Crosshair } },
    { -4, { "text", CursorFallback::Xterm } },
    { -5, { "move", CursorFallback::Fleur } },
    { -6, { "nesw-resize", CursorFallback::BottomLeftCorner } },
    { -7, { "ns-resize", CursorFallback::SbVDoubleArrow } },
    { -8, { "nwse-resize", CursorFallback::BottomRightCorner } },
    { -9, { "ew-resize", CursorFallback::SbHDoubleArrow } },
    { -11, { "wait", CursorFallback::Watch } },
    { -12, { "grabbing", CursorFallback::Fleur } },
    { -13, { "no-drop", CursorFallback::XCursor } },
    { -14, { "col-resize", CursorFallback::SbHDoubleArrow } },
    { -15, { "row-resize", CursorFallback::SbVDoubleArrow } },
    { -16, { "copy", CursorFallback::Fleur } },
    { -17, { "progress", CursorFallback::Watch } },
    { -18, { "not-allowed", CursorFallback::XCursor } },
    { -19, { "progress", CursorFallback::Watch } },
    { -20, { "help", CursorFallback::QuestionArrow } },
    { -21, { "pointer", CursorFallback::Hand2 } },
    { -22, { "move", CursorFallback::Fleur } },
};

} // namespace

ShiftState ShiftFromModifiers(const RawModifiers& m)
{
    ShiftState s;
    if (m.shift)
        s.Add(ShiftFlag::Shift);
    if (m.ctrl)
        s.Add(ShiftFlag::Ctrl);
    if (m.alt)
        s.Add(ShiftFlag::Alt);
    if (m.meta)
        s.Add(ShiftFlag::Meta);
    if (m.button1)
        s.Add(ShiftFlag::Left);
    if (m.button2)
        s.Add(ShiftFlag::Middle);
    if (m.button3)
        s.Add(ShiftFlag::Right);
    return s;
}

ShiftState ShiftForButton(const RawModifiers& modifiers, MouseButton button, bool press)
{
    ShiftState s = ShiftFromModifiers(modifiers);
    const ShiftFlag flag = button == MouseButton::Left ? ShiftFlag::Left
        : button == MouseButton::Right                 ? ShiftFlag::Right
                                                       : ShiftFlag::Middle;
    return press ? s.Add(flag) : s.Remove(flag);
}

std::optional<MouseButton> MouseButtonFromNumber(uint32_t button)
{
    switch (button) {
    case 1:
        return MouseButton::Left;
    case 2:
        return MouseButton::Middle;
    case 3:
        return MouseButton::Right;
    default:
        return std::nullopt;
    }
}

uint16_t VirtualKeyFor(uint32_t keyval, std::span<const KeyEntry> hardwareEntries)
{
    if (uint16_t code = NamedCode(keyval))
        return code;
    for (const KeyEntry& e : hardwareEntries)
        if (e.level == 0)
            if (uint16_t code = LetterOrDigitCode(e.keyval))
                return code;
    // Layouts whose number row types symbols unshifted (AZERTY) still carry the digit.
    for (const KeyEntry& e : hardwareEntries)
        if (uint16_t code = DigitCode(e.keyval))
            return code;
    for (const KeyEntry& e : hardwareEntries)
        if (e.level == 0)
            if (uint16_t code = PunctuationCode(e.keyval))
                return code;
    if (uint16_t code = LetterOrDigitCode(keyval))
        return code;
    return PunctuationCode(keyval);
}

std::optional<char16_t> SynthesizedChar(uint32_t keyval, uint16_t virtualKey, const RawModifiers& modifiers)
{
    if (modifiers.ctrl && !modifiers.alt && virtualKey >= 'A' && virtualKey <= 'Z')
        return static_cast<char16_t>(virtualKey - 'A' + 1);
    switch (keyval) {
    case GDK_KEY_BackSpace:
        return modifiers.ctrl ? u'\x7F' : u'\b';
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_KP_Tab:
        return u'\t';
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        return modifiers.ctrl ? u'\n' : u'\r';
    case GDK_KEY_Escape:
        return u'\x1B';
    default:
        return std::nullopt;
    }
}

uint32_t KeyvalFromName(std::string_view name)
{
    const std::string copy(name);
    const guint keyval = gdk_keyval_from_name(copy.c_str());
    return keyval == GDK_KEY_VoidSymbol ? 0 : keyval;
}

int32_t WheelAccumulator::Step(bool up)
{
    m_rest = 0;
    return up ? 120 : -120;
}

int32_t WheelAccumulator::Smooth(double deltaY)
{
    if (!std::isfinite(deltaY))
        return 0;
    m_rest += -120.0 * deltaY;
    const double whole = std::trunc(m_rest);
    // A runaway device must not overflow the delta; anything beyond a few thousand notches is noise.
    const double limited = std::fmax(-2e9, std::fmin(2e9, whole));
    m_rest -= whole;
    return static_cast<int32_t>(limited);
}

bool ClickTracker::Press(MouseButton button, double x, double y, uint32_t timeMs)
{
    if (m_pending && button == m_button && static_cast<uint32_t>(timeMs - m_time) < m_settings.timeMs
        && std::fabs(x - m_x) <= m_settings.distance && std::fabs(y - m_y) <= m_settings.distance) {
        m_pending = false;
        return true;
    }
    m_pending = true;
    m_button = button;
    m_x = x;
    m_y = y;
    m_time = timeMs;
    return false;
}

CursorShape CursorShapeFor(int32_t cursorNumber)
{
    for (const CursorEntry& e : kCursors)
        if (e.number == cursorNumber)
            return e.shape;
    return kCursors[0].shape;
}

std::vector<Rect> AlphaRuns(const FrameView& frame, uint8_t minAlpha)
{
    std::vector<Rect> runs;
    if (!frame.IsValid())
        return runs;
    for (int32_t y = 0; y < frame.height; ++y) {
        const uint8_t* row = frame.pixels + static_cast<size_t>(y) * static_cast<size_t>(frame.stride);
        int32_t x = 0;
        while (x < frame.width) {
            while (x < frame.width && row[x * 4 + 3] <= minAlpha)
                ++x;
            const int32_t start = x;
            while (x < frame.width && row[x * 4 + 3] > minAlpha)
                ++x;
            if (x > start)
                runs.push_back(Rect { start, y, x, y + 1 });
        }
    }
    return runs;
}

} // namespace platform::ui
