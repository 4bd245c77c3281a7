#include "tests/platform/ui/gui/GtkFixture.h"

#include "platform/ui/DragSession.h"

using namespace platform::ui;
using uitest::GtkTest;
using uitest::Recorder;
using uitest::RunUntil;
using Lines = std::vector<std::string>;
using Type = RawButtonEvent::Type;

TEST_F(GtkTest, MouseEventsPassTheRealHandlers)
{
    OpenForm(60, 40);
    scene.Take();
    RawModifiers left;
    left.button1 = true;
    test::SendButton(*host, Type::Press, 1, 10, 12, {}, 1000);
    test::SendButton(*host, Type::Release, 1, 10, 12, left, 1050);
    test::SendButton(*host, Type::Press, 1, 11, 12, {}, 1100);
    test::SendButton(*host, Type::DoublePress, 1, 11, 12, {}, 1100); // GTK's own double press: ignored
    test::SendButton(*host, Type::Release, 1, 11, 12, left, 1150);
    RawModifiers shift;
    shift.shift = true;
    test::SendButton(*host, Type::Press, 3, 30, 20, shift, 9000);
    test::SendMotion(*host, 31, 21, RawModifiers { .button3 = true });
    test::SendButton(*host, Type::Release, 3, 31, 21, RawModifiers { .button3 = true }, 9100);
    EXPECT_EQ(scene.Take(),
        (Lines { "down left [L] 10,12", "up left [] 10,12", "down left [LD] 11,12", "up left [] 11,12",
            "down right [SR] 30,20", "move [R] 31,21", "up right [] 31,21" }));

    test::SendScroll(*host, RawScrollEvent::Direction::Up);
    test::SendScroll(*host, RawScrollEvent::Direction::Down);
    test::SendScroll(*host, RawScrollEvent::Direction::Right);
    test::SendScroll(*host, RawScrollEvent::Direction::Smooth, 0.25);
    test::SendScroll(*host, RawScrollEvent::Direction::Smooth, 0.25);
    EXPECT_EQ(scene.Take(), (Lines { "wheel 120 []", "wheel -120 []", "wheel -30 []", "wheel -30 []" }));

    test::SendLeave(*host, test::Crossing::Grab);
    test::SendLeave(*host, test::Crossing::Normal, true);
    test::SendLeave(*host);
    EXPECT_EQ(scene.Take(), Lines { "leave" });
}

TEST_F(GtkTest, KeysAndTypedCharactersFollowTheConsumedRule)
{
    OpenForm(40, 30);
    host->SetFocus();
    test::SendFocus(*form, true);
    EXPECT_TRUE(host->HasFocus());

    RawModifiers ctrl;
    ctrl.ctrl = true;
    RawModifiers shift;
    shift.shift = true;
    struct Case {
        const char* what;
        const char* key;
        RawModifiers modifiers;
        bool consume;
        Lines expected;
    } cases[] = {
        { "a letter", "a", {}, false, { "keydown 65 []", "char 97" } },
        { "Shift+1 is the 1 key typing '!'", "exclam", shift, false, { "keydown 49 [S]", "char 33" } },
        { "Ctrl+C types 3", "c", ctrl, false, { "keydown 67 [C]", "char 3" } },
        { "Return", "Return", {}, false, { "keydown 13 []", "char 13" } },
        { "a consumed Return types nothing", "Return", {}, true, { "keydown 13 []" } },
        { "Tab stays with the scene", "Tab", {}, false, { "keydown 9 []", "char 9" } },
        { "Backspace", "BackSpace", {}, false, { "keydown 8 []", "char 8" } },
        { "Escape", "Escape", {}, false, { "keydown 27 []", "char 27" } },
        { "an arrow", "Left", {}, false, { "keydown 37 []" } },
        { "a keypad digit with NumLock", "KP_7", {}, false, { "keydown 103 []", "char 55" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scene.onKeyDown = [&](uint16_t& key) {
            if (c.consume)
                key = 0;
        };
        test::SendKey(*host, true, c.key, c.modifiers);
        EXPECT_EQ(scene.Take(), c.expected);
        test::SendKey(*host, false, c.key, c.modifiers);
        scene.Take();
    }
    scene.onKeyDown = nullptr;
    test::SendKey(*host, false, "a");
    EXPECT_EQ(scene.Take(), Lines { "keyup 65 []" });
    // Tab never moved GTK's own focus away from the scene.
    EXPECT_TRUE(host->HasFocus());

    test::SendFocus(*form, false);
    EXPECT_FALSE(host->HasFocus());
}

TEST_F(GtkTest, AHandlerMayFreeTheHostInsideAKey)
{
    OpenForm(20, 20);
    host->SetFocus();
    test::SendFocus(*form, true);
    scene.Take();
    scene.onKeyDown = [&](uint16_t&) { host.reset(); };
    test::SendKey(*host, true, "Return"); // no character may follow on the freed host
    EXPECT_FALSE(host);
    EXPECT_EQ(scene.Take(), Lines { "keydown 13 []" });
    EXPECT_TRUE(form->IsVisible());
}

TEST_F(GtkTest, CaptureOutsideAPressAndItsLossAreReported)
{
    OpenForm(20, 20);
    scene.Take();
    host->SetCapture(true);
    EXPECT_TRUE(host->HasCapture());
    host->SetCapture(false);
    EXPECT_FALSE(host->HasCapture());

    // Captured during a press (the window system's implicit grab), then taken away.
    scene.onMouseDown = [&] { host->SetCapture(true); };
    test::SendButton(*host, Type::Press, 1, 5, 5);
    test::SendGrabBroken(*host);
    EXPECT_FALSE(host->HasCapture());
    EXPECT_EQ(scene.Take(), (Lines { "down left [L] 5,5", "capture lost" }));
}

TEST_F(GtkTest, AnInProcessDragCrossesFromOneWindowToAnother)
{
    OpenForm(40, 40);
    FormOptions options;
    const Point here = form->ClientToScreen({ 0, 0 });
    options.position = Point { here.x + 60, here.y };
    options.clientWidth = options.clientHeight = 40;
    options.decorated = false;
    auto targetForm = App().CreateForm(options);
    Recorder target;
    auto targetHost = targetForm->CreateHost(target, Rect { 0, 0, 40, 40 });
    targetHost->SetVisible(true);
    targetForm->Show();
    ASSERT_TRUE(RunUntil([&] { return target.paints > 0; }));
    test::Sync();
    target.Take();
    scene.Take();
    scene.logMoves = false;

    std::vector<bool> ends;
    scene.onMouseDown = [&] {
        DragSession::Begin(*host, std::string("face.png"), [&](bool dropped) { ends.push_back(dropped); });
    };
    test::SendButton(*host, Type::Press, 1, 10, 10);
    EXPECT_EQ(host->GetCursor(), cursor::kNoDrop);
    RawModifiers left;
    left.button1 = true;
    test::SendMotion(*host, 75, 15, left); // 5 px into the target's window
    EXPECT_EQ(host->GetCursor(), cursor::kDrag);
    test::SendButton(*host, Type::Release, 1, 80, 20, left);
    EXPECT_EQ(target.Take(), (Lines { "session over 15,15", "session over 20,20", "session drop 20,20" }));
    EXPECT_EQ(ends, std::vector<bool> { true });
    EXPECT_EQ(scene.Take(), Lines { "down left [L] 10,10" });
    EXPECT_EQ(host->GetCursor(), 0);
    targetHost.reset();
}
