#include "platform/ui/Input.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

uint32_t K(const char* name)
{
    const uint32_t keyval = KeyvalFromName(name);
    EXPECT_NE(keyval, 0u) << name;
    return keyval;
}

KeyEntry E(const char* name, int32_t group, int32_t level)
{
    return KeyEntry { K(name), group, level };
}

} // namespace

TEST(VirtualKeyFor, NamedAndKeypadKeysFollowTheEventsKeyval)
{
    struct Case {
        const char* keyval;
        uint16_t code;
    } cases[] = {
        { "BackSpace", 8 },
        { "Tab", 9 },
        { "ISO_Left_Tab", 9 },
        { "KP_Tab", 9 },
        { "Return", 13 },
        { "KP_Enter", 13 },
        { "ISO_Enter", 13 },
        { "Shift_L", 16 },
        { "Shift_R", 16 },
        { "Control_L", 17 },
        { "Control_R", 17 },
        { "Alt_L", 18 },
        { "Alt_R", 18 },
        { "Escape", 27 },
        { "space", 32 },
        { "KP_Space", 32 },
        { "Page_Up", 33 },
        { "KP_Page_Up", 33 },
        { "Page_Down", 34 },
        { "KP_Page_Down", 34 },
        { "End", 35 },
        { "KP_End", 35 },
        { "Home", 36 },
        { "KP_Home", 36 },
        { "Left", 37 },
        { "KP_Left", 37 },
        { "Up", 38 },
        { "KP_Up", 38 },
        { "Right", 39 },
        { "KP_Right", 39 },
        { "Down", 40 },
        { "KP_Down", 40 },
        { "Insert", 45 },
        { "KP_Insert", 45 },
        { "Delete", 46 },
        { "KP_Delete", 46 },
        { "Menu", 93 },
        { "KP_0", 96 },
        { "KP_5", 101 },
        { "KP_9", 105 },
        { "KP_Multiply", 106 },
        { "KP_Add", 107 },
        { "KP_Separator", 108 },
        { "KP_Subtract", 109 },
        { "KP_Decimal", 110 },
        { "KP_Divide", 111 },
        { "F1", 112 },
        { "F12", 123 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyval);
        // The hardware key's entries must not override a named key (the keypad's level 0 is
        // the navigation keyval whatever NumLock says).
        const std::vector<KeyEntry> entries = { E("a", 0, 0) };
        EXPECT_EQ(VirtualKeyFor(K(c.keyval), {}), c.code);
        EXPECT_EQ(VirtualKeyFor(K(c.keyval), entries), c.code);
    }
}

TEST(VirtualKeyFor, LettersAndDigitsComeFromTheHardwareKeysUnshiftedLatinEntry)
{
    struct Case {
        const char* what;
        const char* keyval;
        std::vector<KeyEntry> entries;
        uint16_t code;
    } cases[] = {
        { "Shift+1 types '!' but is the 1 key", "exclam", { E("1", 0, 0), E("exclam", 0, 1) }, 49 },
        { "Shift+A", "A", { E("a", 0, 0), E("A", 0, 1) }, 65 },
        { "Ctrl+C on a Cyrillic layout with a Latin group", "Cyrillic_es",
            { E("Cyrillic_es", 0, 0), E("Cyrillic_ES", 0, 1), E("c", 1, 0), E("C", 1, 1) }, 67 },
        { "a Cyrillic-only layout has no code for the key", "Cyrillic_es",
            { E("Cyrillic_es", 0, 0), E("Cyrillic_ES", 0, 1) }, 0 },
        { "AZERTY number row: the digit is on the shifted level", "ampersand",
            { E("ampersand", 0, 0), E("1", 0, 1) }, 49 },
        { "a shifted Latin letter of another key's level does not count", "q",
            { E("q", 0, 0), E("Q", 0, 1), E("at", 0, 2) }, 81 },
        { "no entries: the keyval itself", "z", {}, 90 },
        { "punctuation by its unshifted character", "less", { E("comma", 0, 0), E("less", 0, 1) }, 188 },
        { "German plus key", "asterisk", { E("plus", 0, 0), E("asterisk", 0, 1) }, 187 },
        { "a dead key has no code", "dead_acute", { E("dead_acute", 0, 0), E("dead_grave", 0, 1) }, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(VirtualKeyFor(K(c.keyval), c.entries), c.code);
    }
}

TEST(SynthesizedChar, ControlKeysTypeTheWindowSystemsCharacters)
{
    RawModifiers none;
    RawModifiers ctrl;
    ctrl.ctrl = true;
    RawModifiers ctrlShift = ctrl;
    ctrlShift.shift = true;
    RawModifiers ctrlAlt = ctrl;
    ctrlAlt.alt = true;
    struct Case {
        const char* what;
        const char* keyval;
        uint16_t code;
        RawModifiers modifiers;
        int expected; // -1: nothing
    } cases[] = {
        { "Ctrl+A", "a", 65, ctrl, 1 },
        { "Ctrl+Z", "z", 90, ctrl, 26 },
        { "Ctrl+Shift+C still types 3", "C", 67, ctrlShift, 3 },
        { "Ctrl+C on a Cyrillic layout follows the key code", "Cyrillic_es", 67, ctrl, 3 },
        { "AltGr combinations type nothing here", "a", 65, ctrlAlt, -1 },
        { "Backspace", "BackSpace", 8, none, 8 },
        { "Ctrl+Backspace", "BackSpace", 8, ctrl, 127 },
        { "Tab", "Tab", 9, none, 9 },
        { "Shift+Tab", "ISO_Left_Tab", 9, none, 9 },
        { "Return", "Return", 13, none, 13 },
        { "keypad Enter", "KP_Enter", 13, none, 13 },
        { "Ctrl+Return", "Return", 13, ctrl, 10 },
        { "Escape", "Escape", 27, none, 27 },
        { "a plain letter is the input method's business", "a", 65, none, -1 },
        { "function keys type nothing", "F1", 112, none, -1 },
        { "Ctrl+digit types nothing", "1", 49, ctrl, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<char16_t> typed = SynthesizedChar(K(c.keyval), c.code, c.modifiers);
        if (c.expected < 0)
            EXPECT_FALSE(typed.has_value());
        else
            EXPECT_EQ(typed.value_or(0xFFFF), c.expected);
    }
}

TEST(ShiftState, ButtonEventsReportTheStateAfterTheEvent)
{
    RawModifiers before;
    before.shift = true;
    EXPECT_EQ(
        ShiftForButton(before, MouseButton::Left, true), (ShiftState { ShiftFlag::Shift, ShiftFlag::Left }));

    RawModifiers held;
    held.button1 = true;
    held.button3 = true;
    EXPECT_EQ(ShiftForButton(held, MouseButton::Left, false), (ShiftState { ShiftFlag::Right }));
    EXPECT_EQ(ShiftForButton(held, MouseButton::Middle, true),
        (ShiftState { ShiftFlag::Left, ShiftFlag::Right, ShiftFlag::Middle }));

    RawModifiers keys;
    keys.ctrl = keys.alt = keys.meta = true;
    EXPECT_EQ(ShiftFromModifiers(keys), (ShiftState { ShiftFlag::Ctrl, ShiftFlag::Alt, ShiftFlag::Meta }));
    EXPECT_TRUE(ShiftFromModifiers(RawModifiers {}).IsEmpty());

    EXPECT_EQ(MouseButtonFromNumber(1), MouseButton::Left);
    EXPECT_EQ(MouseButtonFromNumber(2), MouseButton::Middle);
    EXPECT_EQ(MouseButtonFromNumber(3), MouseButton::Right);
    EXPECT_FALSE(MouseButtonFromNumber(8).has_value()); // "back" buttons reach no scene
}

TEST(WheelAccumulator, NotchesAreWholeStepsAndSmoothScrollingCarriesItsRemainder)
{
    struct Case {
        const char* what;
        std::vector<double> deltas; // smooth deltas, positive down
        std::vector<int32_t> delivered;
    } cases[] = {
        { "one smooth notch down", { 1.0 }, { -120 } },
        { "half notches up", { -0.5, -0.5 }, { 60, 60 } },
        { "tiny steps build up", { 0.004, 0.004, 0.004 }, { 0, 0, -1 } },
        { "quarter and eighth notches", { 0.25, 0.25, 0.125 }, { -30, -30, -15 } },
        { "direction changes cancel out", { 0.004, -0.004, 0.004 }, { 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WheelAccumulator wheel;
        std::vector<int32_t> got;
        for (double d : c.deltas)
            got.push_back(wheel.Smooth(d));
        EXPECT_EQ(got, c.delivered);
    }
    WheelAccumulator wheel;
    EXPECT_EQ(wheel.Step(true), 120);
    EXPECT_EQ(wheel.Step(false), -120);
    EXPECT_EQ(wheel.Smooth(0.004), 0);
    EXPECT_EQ(wheel.Step(true), 120); // a notch drops the smooth remainder
    EXPECT_EQ(wheel.Smooth(0.005), 0);
    EXPECT_EQ(wheel.Smooth(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(wheel.Smooth(1e300), -2000000000); // runaway devices are clamped, never overflow
}

TEST(ClickTracker, TheSecondPlainPressIsTheDoubleClick)
{
    struct Press {
        MouseButton button;
        double x, y;
        uint32_t time;
    };
    struct Case {
        const char* what;
        std::vector<Press> presses;
        std::vector<bool> doubles;
    } cases[] = {
        { "two quick presses", { { MouseButton::Left, 10, 10, 1000 }, { MouseButton::Left, 10, 10, 1100 } },
            { false, true } },
        { "a third press starts over",
            { { MouseButton::Left, 10, 10, 1000 }, { MouseButton::Left, 10, 10, 1100 },
                { MouseButton::Left, 10, 10, 1200 } },
            { false, true, false } },
        { "four presses are two double clicks",
            { { MouseButton::Left, 1, 1, 0 }, { MouseButton::Left, 1, 1, 50 },
                { MouseButton::Left, 1, 1, 100 }, { MouseButton::Left, 1, 1, 150 } },
            { false, true, false, true } },
        { "the double-click time is exclusive",
            { { MouseButton::Left, 0, 0, 1000 }, { MouseButton::Left, 0, 0, 1400 } }, { false, false } },
        { "just inside the time", { { MouseButton::Left, 0, 0, 1000 }, { MouseButton::Left, 0, 0, 1399 } },
            { false, true } },
        { "moved beyond the distance",
            { { MouseButton::Left, 10, 10, 0 }, { MouseButton::Left, 16, 10, 50 } }, { false, false } },
        { "moved within the distance", { { MouseButton::Left, 10, 10, 0 }, { MouseButton::Left, 15, 5, 50 } },
            { false, true } },
        { "another button in between",
            { { MouseButton::Left, 0, 0, 0 }, { MouseButton::Right, 0, 0, 50 },
                { MouseButton::Left, 0, 0, 100 } },
            { false, false, false } },
        { "the right button double-clicks too",
            { { MouseButton::Right, 3, 3, 0 }, { MouseButton::Right, 3, 3, 10 } }, { false, true } },
        { "the server's clock wraps",
            { { MouseButton::Left, 0, 0, 0xFFFFFF00u }, { MouseButton::Left, 0, 0, 0x10u } },
            { false, true } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClickTracker clicks(ClickSettings { 400, 5 });
        std::vector<bool> got;
        for (const Press& p : c.presses)
            got.push_back(clicks.Press(p.button, p.x, p.y, p.time));
        EXPECT_EQ(got, c.doubles);
    }
}

TEST(CursorShapeFor, ToolkitNumbersMapToThemeNamesWithCursorFontFallbacks)
{
    struct Case {
        int32_t number;
        const char* name;
        CursorFallback fallback;
    } cases[] = {
        { 0, "default", CursorFallback::LeftPtr },
        { -1, "none", CursorFallback::Blank },
        { -2, "default", CursorFallback::LeftPtr },
        { -3, "crosshair", CursorFallback::Crosshair },
        { -4, "text", CursorFallback::Xterm },
        { -6, "nesw-resize", CursorFallback::BottomLeftCorner },
        { -7, "ns-resize", CursorFallback::SbVDoubleArrow },
        { -8, "nwse-resize", CursorFallback::BottomRightCorner },
        { -9, "ew-resize", CursorFallback::SbHDoubleArrow },
        { -11, "wait", CursorFallback::Watch },
        { -12, "grabbing", CursorFallback::Fleur },
        { -13, "no-drop", CursorFallback::XCursor },
        { -14, "col-resize", CursorFallback::SbHDoubleArrow },
        { -15, "row-resize", CursorFallback::SbVDoubleArrow },
        { -18, "not-allowed", CursorFallback::XCursor },
        { -19, "progress", CursorFallback::Watch },
        { -20, "help", CursorFallback::QuestionArrow },
        { -21, "pointer", CursorFallback::Hand2 },
        { -22, "move", CursorFallback::Fleur },
        { 7, "default", CursorFallback::LeftPtr }, // unknown numbers: the arrow
        { -999, "default", CursorFallback::LeftPtr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        const CursorShape shape = CursorShapeFor(c.number);
        EXPECT_EQ(shape.name, c.name);
        EXPECT_EQ(shape.fallback, c.fallback);
    }
}

TEST(AlphaRuns, CoverExactlyThePixelsAboveTheThreshold)
{
    // 5 x 3 premultiplied pixels, alpha only; the stride has padding that must be ignored.
    const uint8_t alpha[3][5] = {
        { 0, 255, 255, 0, 128 },
        { 127, 128, 0, 0, 0 },
        { 1, 1, 1, 1, 1 },
    };
    const int32_t stride = 6 * 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * 3, 0xFF);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            pixels[static_cast<size_t>(y * stride + x * 4 + 3)] = alpha[y][x];
    const FrameView frame { pixels.data(), 5, 3, stride };

    const std::vector<Rect> input = AlphaRuns(frame, 0);
    const std::vector<Rect> expectInput = { { 1, 0, 3, 1 }, { 4, 0, 5, 1 }, { 0, 1, 2, 2 }, { 0, 2, 5, 3 } };
    EXPECT_EQ(input, expectInput);

    const std::vector<Rect> bounding = AlphaRuns(frame, 127);
    const std::vector<Rect> expectBounding = { { 1, 0, 3, 1 }, { 4, 0, 5, 1 }, { 1, 1, 2, 2 } };
    EXPECT_EQ(bounding, expectBounding);

    EXPECT_TRUE(AlphaRuns(FrameView { pixels.data(), 5, 3, 5 * 4 - 4 }, 0).empty()); // stride too short
    EXPECT_TRUE(AlphaRuns(FrameView { nullptr, 5, 3, stride }, 0).empty());
}
