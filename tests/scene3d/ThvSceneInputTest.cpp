// The scene control's mouse, key, focus, capture and hint routing, driven through the
// headless window system's input path.

#include "ThvSceneTestSupport.h"

#include "scene3d/ThvPosition.h"

#include "platform/ui/Input.h"
#include "platform/ui/InputRouter.h"

using namespace scenetest;
using platform::ui::MouseButton;
using platform::ui::Point;
using platform::ui::RawButtonEvent;
using platform::ui::RawModifiers;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;
using Lines = std::vector<std::string>;

namespace {

class InputFixture : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        ShowScene();
    }

    void Press(double x, double y, uint32_t button = 1, RawModifiers modifiers = {})
    {
        RawButtonEvent e;
        e.type = RawButtonEvent::Type::Press;
        e.button = button;
        e.x = x;
        e.y = y;
        e.time = m_time += 1000; // never a double click unless a test says so
        e.modifiers = modifiers;
        Host().Inject(e);
    }
    void Release(double x, double y, uint32_t button = 1)
    {
        RawButtonEvent e;
        e.type = RawButtonEvent::Type::Release;
        e.button = button;
        e.x = x;
        e.y = y;
        e.time = m_time += 10;
        e.modifiers.button1 = button == 1;
        e.modifiers.button3 = button == 3;
        Host().Inject(e);
    }
    void Move(double x, double y, bool held = false)
    {
        platform::ui::RawMotionEvent e;
        e.x = x;
        e.y = y;
        e.modifiers.button1 = held;
        Host().Inject(e);
    }
    void Key(const char* name, bool press, RawModifiers modifiers = {})
    {
        platform::ui::RawKeyEvent e;
        e.press = press;
        e.keyval = platform::ui::KeyvalFromName(name);
        e.modifiers = modifiers;
        e.entries = { platform::ui::KeyEntry { e.keyval, 0, 0 } };
        Host().InjectKey(e);
    }
    void Type(const char* name, RawModifiers modifiers = {})
    {
        Key(name, true, modifiers);
        Key(name, false, modifiers);
    }
    /// The log without the repaints the hooks cause.
    Lines Events()
    {
        Lines kept;
        for (const std::string& line : TakeLog())
            if (line.rfind("render", 0) != 0 && line.rfind("realign", 0) != 0)
                kept.push_back(line);
        return kept;
    }

    uint32_t m_time = 0;
};

RawModifiers Ctrl()
{
    RawModifiers m;
    m.ctrl = true;
    return m;
}

} // namespace

// ---- picking and presses --------------------------------------------------------------------

TEST_F(InputFixture, APressReachesTheObjectUnderItInItsOwnCoordinates)
{
    Box("A", 50, 40, 20, 10);
    Press(55, 42);
    EXPECT_EQ(Events(), (Lines { "down left 5 2 @A" }));
    EXPECT_EQ(scene->GetMousePos(), (ThvPoint { 55, 42, 0 }));
    EXPECT_TRUE(Host().HasFocus()); // the scene's window takes the keyboard at run time
}

TEST_F(InputFixture, EmptySpaceBelongsToTheRootObjectWhenItTakesHits)
{
    struct Case {
        const char* name;
        bool rootHitTest;
        bool allowDrag;
        Lines events;
    };
    const Case cases[] = {
        { "root takes hits", true, false, { "down left 150 80 @Root" } },
        { "root takes no hits", false, false, {} },
        { "window drag instead", true, true, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        root->SetHitTest(c.rootHitTest);
        scene->SetAllowDrag(c.allowDrag);
        Press(150, 80);
        Release(150, 80);
        Lines events = Events();
        if (!events.empty() && events.back().rfind("up", 0) == 0)
            events.pop_back();
        // The pixel is taken as a point of the world, where the root sits at the origin.
        EXPECT_EQ(events, c.events);
    }
}

TEST_F(InputFixture, AScreenLayerWinsOverANearer3DObject)
{
    auto* object3D = new TProbe(owner.get());
    object3D->SetName("Solid");
    object3D->box = false; // hit by every ray
    root->AddObject(object3D);
    Box("Layer", 100, 50, 40, 40);
    Press(100, 50);
    EXPECT_EQ(Events(), (Lines { "down left 0 0 @Layer" }));
    Press(10, 10); // outside the layer: the 3D object
    EXPECT_EQ(Events(), (Lines { "down left 10 10 @Solid" }));
}

TEST_F(InputFixture, TheTopmostOfOverlappingBoxesAndAChildBeforeItsParentGetThePress)
{
    TProbe* under = Box("Under", 50, 50, 40, 40);
    Box("Over", 50, 50, 20, 20);
    Box("Child", 15, 0, 10, 10, under);
    Press(50, 50);
    EXPECT_EQ(Events(), (Lines { "down left 0 0 @Over" }));
    Press(66, 50); // inside Under and its child, which covers 60 to 70 on screen
    EXPECT_EQ(Events(), (Lines { "down left 1 0 @Child" }));
    Press(35, 35);
    EXPECT_EQ(Events(), (Lines { "down left -15 -15 @Under" }));
}

TEST_F(InputFixture, ASecondPressSoonAfterTheFirstIsADoubleClick)
{
    Box("A", 50, 50, 20, 20);
    RawButtonEvent e;
    e.x = e.y = 50;
    e.type = RawButtonEvent::Type::Press;
    e.time = 5000;
    Host().Inject(e);
    e.type = RawButtonEvent::Type::Release;
    e.time = 5050;
    e.modifiers.button1 = true;
    Host().Inject(e);
    e.type = RawButtonEvent::Type::Press;
    e.time = 5100;
    e.modifiers.button1 = false;
    Host().Inject(e);
    e.type = RawButtonEvent::Type::DoublePress; // the window system's own: ignored
    Host().Inject(e);
    e.type = RawButtonEvent::Type::Release;
    e.time = 5150;
    e.modifiers.button1 = true;
    Host().Inject(e);
    EXPECT_EQ(Events(),
        (Lines { "down left 0 0 @A", "up left 0 0 @A", "down left 0 0 double @A", "dblclick @A",
            "up left 0 0 @A" }));
}

TEST_F(InputFixture, TheReleaseIsDeliveredAtTheLastPressOrMovePoint)
{
    Box("A", 50, 50, 40, 40);
    Press(40, 45);
    Release(60, 60); // the release message's own point is not used
    EXPECT_EQ(Events(), (Lines { "down left -10 -5 @A", "up left -10 -5 @A" }));
}

// ---- hover, capture, cursor -------------------------------------------------------------------

TEST_F(InputFixture, HoverMovesFromObjectToObjectAndEndsOnEmptySpaceOrLeaving)
{
    TProbe* a = Box("A", 30, 30, 20, 20);
    Box("B", 100, 30, 20, 20);
    a->SetCursor(-21);
    Move(30, 30);
    EXPECT_EQ(Events(), (Lines { "enter @A", "move 0 0 @A" }));
    EXPECT_EQ(Host().GetCursor(), -21);
    EXPECT_TRUE(a->GetIsMouseOver());
    Move(100, 35);
    EXPECT_EQ(Events(), (Lines { "leave @A", "enter @B", "move 0 5 @B" }));
    EXPECT_EQ(Host().GetCursor(), 0);
    Move(170, 90);
    EXPECT_EQ(Events(), (Lines { "leave @B" }));
    EXPECT_EQ(scene->GetHovered(), nullptr);
    Move(30, 30);
    Events();
    Host().Inject(platform::ui::RawCrossingEvent {});
    EXPECT_EQ(Events(), (Lines { "leave @A" }));
    EXPECT_EQ(scene->GetHovered(), nullptr);
}

TEST_F(InputFixture, ACapturingObjectGetsEveryMoveReleaseAndWheelUntilItLetsGo)
{
    TProbe* a = Box("A", 30, 30, 20, 20);
    Box("B", 100, 30, 20, 20);
    a->SetAutoCapture(true);
    a->SetCursor(-21);
    scene->SetCursor(-4);
    scene->Loaded(); // the control's cursor after loading is the one shown between objects
    Move(30, 30);
    Press(30, 30);
    EXPECT_EQ(scene->GetCaptured(), a);
    EXPECT_TRUE(Host().HasCapture());
    Events();
    Move(100, 30, true);
    Move(105, 30, true);
    EXPECT_EQ(Events(), (Lines { "move 70 0 @A", "move 75 0 @A" }));
    EXPECT_EQ(Host().GetCursor(), -4); // the saved cursor while captured, not B's or A's
    EXPECT_TRUE(scene->DoMouseWheel({}, 120, { 100, 30 }) == false);
    EXPECT_EQ(Events(), (Lines { "wheel 120 @A" }));
    Release(100, 30);
    // A was still the hovered object, so the release is a click.
    EXPECT_EQ(Events(), (Lines { "up left 75 0 @A", "click @A" }));
    EXPECT_EQ(scene->GetCaptured(), nullptr);
    EXPECT_FALSE(Host().HasCapture());
    Move(100, 30);
    EXPECT_EQ(Events(), (Lines { "leave @A", "enter @B", "move 0 0 @B" }));
}

TEST_F(InputFixture, ACapturingObjectFreedInItsOwnHandlerLeavesTheSceneWorking)
{
    TProbe* a = Box("A", 30, 30, 20, 20);
    Box("B", 100, 30, 20, 20);
    a->SetAutoCapture(true);
    Press(30, 30);
    a->freeOnHook = a;
    Move(40, 30, true);
    EXPECT_EQ(scene->GetCaptured(), nullptr);
    EXPECT_FALSE(Host().HasCapture());
    Release(100, 30);
    Move(100, 30);
    EXPECT_EQ(Events(), (Lines { "down left 0 0 @A", "move 10 0 @A", "enter @B", "move 0 0 @B" }));
}

TEST_F(InputFixture, ATakenGrabEndsTheCaptureAndAWindowDrag)
{
    TProbe* a = Box("A", 30, 30, 20, 20);
    a->SetAutoCapture(true);
    Press(30, 30);
    Host().InjectGrabBroken();
    EXPECT_EQ(scene->GetCaptured(), nullptr);
    scene->SetAllowDrag(true);
    Release(30, 30);
    Press(150, 80);
    EXPECT_TRUE(scene->GetWindowDragging());
    Host().InjectGrabBroken();
    EXPECT_FALSE(scene->GetWindowDragging());
}

TEST_F(InputFixture, AHandlerFreeingTheSceneEndsTheRouting)
{
    TProbe* a = Box("A", 30, 30, 20, 20);
    platform::ui::FakeSceneHost& host = Host();
    a->freeOnHook = scene;
    scene = nullptr; // freed by the handler
    RawButtonEvent e;
    e.x = e.y = 30;
    host.Inject(e);
    EXPECT_EQ(Events(), (Lines { "down left 0 0 @A" }));
}

// ---- wheel --------------------------------------------------------------------------------

TEST_F(InputFixture, TheWheelBubblesUpTheVisualParentsUntilHandled)
{
    TProbe* outer = Box("Outer", 50, 50, 60, 60);
    Box("Inner", 0, 0, 20, 20, outer);
    struct Case {
        const char* name;
        bool innerHandles;
        bool outerHandles;
        bool handled;
        Lines events;
    };
    const Case cases[] = {
        { "inner handles", true, false, true, { "wheel -120 @Inner" } },
        { "outer handles", false, true, true, { "wheel -120 @Inner", "wheel -120 @Outer" } },
        { "nobody", false, false, false, { "wheel -120 @Inner", "wheel -120 @Outer", "wheel -120 @Root" } },
    };
    Move(50, 50);
    Events();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        static_cast<TProbe*>(outer->GetChild(0))->handlesWheel = c.innerHandles;
        outer->handlesWheel = c.outerHandles;
        // The wheel goes where the mouse last was, not to the wheel message's point.
        EXPECT_EQ(scene->DoMouseWheel({}, -120, { 190, 90 }), c.handled);
        EXPECT_EQ(Events(), c.events);
    }
    Move(190, 90); // nothing there (the root takes no hits)
    Events();
    EXPECT_FALSE(scene->DoMouseWheel({}, 120, { 190, 90 }));
    EXPECT_TRUE(Events().empty());
}

TEST_F(InputFixture, WheelDeltasArriveInTheToolkitsUnits)
{
    TProbe* a = Box("A", 50, 50, 60, 60);
    a->handlesWheel = true;
    Move(50, 50);
    Events();
    platform::ui::RawScrollEvent e;
    e.direction = platform::ui::RawScrollEvent::Direction::Down;
    Host().Inject(e);
    e.direction = platform::ui::RawScrollEvent::Direction::Smooth;
    e.deltaY = -0.5;
    Host().Inject(e);
    Host().Inject(e);
    // 120 a notch; half a notch of smooth scrolling is 60.
    EXPECT_EQ(Events(), (Lines { "wheel -120 @A", "wheel 60 @A", "wheel 60 @A" }));
}

// ---- keys and typed characters --------------------------------------------------------------

TEST_F(InputFixture, KeysAndTypedCharactersReachTheFocusedObject)
{
    TProbe* a = Box("A", 30, 30, 20, 20);
    a->SetCanFocused(true);
    a->SetFocus();
    Events();
    struct Case {
        const char* name;
        const char* key;
        RawModifiers modifiers;
        Lines events;
    };
    RawModifiers meta;
    meta.meta = true;
    const Case cases[] = {
        { "letter", "a", {}, { "keydown 65 0 @A", "keydown 0 a @A", "keyup 0 a @A", "keyup 65 0 @A" } },
        { "Ctrl+V both ways", "v", Ctrl(),
            { "keydown 86 0 ctrl @A", "keydown 0 v ctrl @A", "keyup 0 v ctrl @A", "keyup 86 0 ctrl @A" } },
        { "Ctrl+C", "c", Ctrl(),
            { "keydown 67 0 ctrl @A", "keydown 0 c ctrl @A", "keyup 0 c ctrl @A", "keyup 67 0 ctrl @A" } },
        { "Ctrl+A keeps its control character", "a", Ctrl(),
            { "keydown 65 0 ctrl @A", "keydown 0 #1 ctrl @A", "keyup 0 #1 ctrl @A", "keyup 65 0 ctrl @A" } },
        { "Meta+C only as the character", "c", meta,
            { "keydown 0 c ctrl @A", "keyup 0 c ctrl @A", "keyup 67 0 meta @A" } },
        { "Return", "Return", {},
            { "keydown 13 0 @A", "keydown 0 #13 @A", "keyup 0 #13 @A", "keyup 13 0 @A" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Type(c.key, c.modifiers);
        EXPECT_EQ(Events(), c.events);
    }
}

TEST_F(InputFixture, EveryUnitOfATypedCharacterArrives)
{
    TProbe* a = Box("A", 30, 30, 20, 20);
    a->SetCanFocused(true);
    a->SetFocus();
    Events();
    platform::ui::RawKeyEvent e;
    e.keyval = platform::ui::KeyvalFromName("a");
    e.entries = { platform::ui::KeyEntry { e.keyval, 0, 0 } };
    Host().InjectKey(e, std::string("\xF0\x9F\x98\x80")); // U+1F600 from the input method
    EXPECT_EQ(Events(),
        (Lines { "keydown 65 0 @A", "keydown 0 #55357 @A", "keyup 0 #55357 @A", "keydown 0 #56832 @A",
            "keyup 0 #56832 @A" }));
}

TEST_F(InputFixture, WithoutAFocusedObjectKeysGoNowhere)
{
    Box("A", 30, 30, 20, 20);
    Type("a");
    EXPECT_TRUE(Events().empty());
}

// ---- the Tab walk -----------------------------------------------------------------------------

namespace {

// A layer hosting stand-ins for 2D objects: it lists them after itself and focuses them itself.
class TFakeLayer : public TProbe, public scene3d::IObjectLayer {
public:
    using TProbe::TProbe;

    std::vector<rtl::TComponent*> entries; // owned by the test's owner
    std::vector<bool> focusable;
    rtl::TObject* focusedEntry = nullptr;

    rtl::TObject* GetFocused() const override { return focusedEntry; }
    bool FocusEntry(rtl::TObject* entry) override
    {
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i] == entry && focusable[i]) {
                GetScene()->SetFocused(this);
                focusedEntry = entry;
                Log().push_back("focus2d " + entries[i]->GetName());
                return true;
            }
        }
        return false;
    }
    void AddVisibleToList(std::vector<rtl::TObject*>& list) override
    {
        if (GetVisible())
            list.push_back(this);
        for (rtl::TComponent* entry : entries)
            list.push_back(entry);
    }
};

} // namespace

TEST_F(InputFixture, TabWalksTheFocusForwardAndBackWithWrapAround)
{
    // The root object and four children in tree order; B cannot take the focus, D is hidden.
    const char* names[] = { "A", "B", "C", "D", "E" };
    std::vector<TProbe*> probes;
    for (const char* name : names)
        probes.push_back(Box(name, 10, 10, 5, 5));
    for (TProbe* p : probes)
        p->SetCanFocused(true);
    probes[1]->SetCanFocused(false);
    probes[3]->SetVisible(false);

    struct Step {
        bool backwards;
        const char* focused;
    };
    const Step steps[] = {
        { false, "A" },
        { false, "C" },
        { false, "E" },
        { false, "A" }, // wraps around
        { true, "E" },
        { true, "C" },
        { true, "A" },
        { true, "E" },
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.backwards ? "Shift+Tab to " : "Tab to ") + s.focused);
        RawModifiers modifiers;
        modifiers.shift = s.backwards;
        Type("Tab", modifiers);
        ASSERT_NE(scene->GetFocused(), nullptr);
        EXPECT_EQ(scene->GetFocused()->GetName(), s.focused);
    }
    // The Tab press never reaches an object and types no character; its release does arrive.
    const Lines events = Events();
    for (const std::string& line : events)
        EXPECT_EQ(line.rfind("keydown", 0), std::string::npos) << line;
}

TEST_F(InputFixture, ShiftTabWithNothingFocusedFocusesTheLastAndShortListsStillMove)
{
    struct Case {
        const char* name;
        int objects;
        bool backwards;
        const char* expected;
    };
    const Case cases[] = {
        { "three, Shift+Tab", 3, true, "P2" },
        { "two, Shift+Tab", 2, true, "P1" },
        { "two, Tab from the first", 2, false, "P1" }, // short lists move too
        { "one, Tab", 1, false, "P0" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        for (int i = 0; i < c.objects; ++i)
            Box("P" + std::to_string(i), 10, 10, 5, 5)->SetCanFocused(true);
        if (std::string(c.name) == "two, Tab from the first")
            static_cast<TProbe*>(root->GetChild(0))->SetFocus();
        RawModifiers modifiers;
        modifiers.shift = c.backwards;
        Type("Tab", modifiers);
        ASSERT_NE(scene->GetFocused(), nullptr);
        EXPECT_EQ(scene->GetFocused()->GetName(), c.expected);
    }
}

TEST_F(InputFixture, TabReachesTheFocusableObjectsOfALayer)
{
    TProbe* a = Box("A", 10, 10, 5, 5);
    a->SetCanFocused(true);
    auto* layer = new TFakeLayer(owner.get());
    layer->SetName("Layer");
    root->AddObject(layer);
    for (const char* name : { "Edit1", "Label1", "Edit2" }) {
        auto* entry = new rtl::TComponent(owner.get());
        entry->SetName(name);
        layer->entries.push_back(entry);
        layer->focusable.push_back(std::string(name) != "Label1");
    }
    a->SetFocus();
    Events();
    Type("Tab");
    EXPECT_EQ(scene->GetFocused(), layer);
    EXPECT_EQ(layer->focusedEntry, layer->entries[0]);
    // The walk goes on from the layer's focused entry, not from the layer.
    Type("Tab");
    EXPECT_EQ(layer->focusedEntry, layer->entries[2]);
    Type("Tab");
    EXPECT_EQ(scene->GetFocused(), a);
    EXPECT_EQ(Only(Events(), { "focus2d" }), (Lines { "focus2d Edit1", "focus2d Edit2" }));
}

TEST_F(InputFixture, FocusMovesWithKillFocusBeforeEnterFocus)
{
    TProbe* a = Box("A", 10, 10, 5, 5);
    TProbe* b = Box("B", 10, 10, 5, 5);
    a->SetCanFocused(true);
    b->SetCanFocused(true);
    scene->SetActiveControl(a);
    scene->SetFocused(b);
    EXPECT_EQ(Events(), (Lines { "enterfocus @A", "killfocus @A", "enterfocus @B" }));
}

// ---- hints ------------------------------------------------------------------------------------

TEST_F(InputFixture, AnObjectsHintShowsWithinASquareAroundThePoint)
{
    TProbe* a = Box("A", 50, 50, 40, 40);
    a->SetHint(u"Front face");
    struct Case {
        const char* name;
        bool showHint;
        bool ownHint;
        bool shown;
        std::u16string text;
        platform::ui::Rect area;
    };
    const Case cases[] = {
        { "shown", true, false, true, u"Front face", { 35, 38, 55, 58 } },
        { "hints off", false, false, false, {}, {} },
        // The object's own answer, text and rectangle, is what shows.
        { "the object answers itself", true, true, true, u"Own Front face", { 45, 48, 46, 50 } },
        { "nor its own answer with hints off", false, true, false, {}, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        a->SetShowHint(c.showHint);
        a->showsOwnHint = c.ownHint;
        const std::optional<platform::ui::HintInfo> hint = Host().QueryHint({ 45, 48 });
        ASSERT_EQ(hint.has_value(), c.shown);
        if (hint) {
            EXPECT_EQ(hint->text, c.text);
            EXPECT_EQ(hint->area, c.area);
        }
    }
    EXPECT_FALSE(Host().QueryHint({ 150, 90 }).has_value());
}

// ---- moving and resizing the form ---------------------------------------------------------------

TEST_F(InputFixture, ALeftPressOnEmptySpaceDragsTheFormUntilReleased)
{
    scene->SetAllowDrag(true);
    Press(150, 80, 3); // a right press does nothing
    Release(150, 80, 3);
    EXPECT_FALSE(scene->GetWindowDragging());
    Press(150, 80);
    EXPECT_TRUE(scene->GetWindowDragging());
    // The form moves under the pointer: the pointer stays at the same client point.
    Move(160, 85, true); // 10 right, 5 down on the screen
    EXPECT_EQ(form->GetPosition(), (Point { 110, 55 }));
    Move(150, 80, true); // still 10, 5 from the press on the screen
    EXPECT_EQ(form->GetPosition(), (Point { 110, 55 }));
    Release(150, 80);
    EXPECT_FALSE(scene->GetWindowDragging());
    Move(170, 80);
    EXPECT_EQ(form->GetPosition(), (Point { 110, 55 }));
}

TEST_F(InputFixture, AResizeFromAnObjectFollowsThePointer)
{
    struct TGrip : rtl::TObject {
        ThvScene* scene = nullptr;
        void Down(rtl::TObject*, MouseButton, ShiftState, float, float, const ThvVector&, const ThvVector&)
        {
            scene->BeginWindowResize();
        }
    } grip;
    grip.scene = scene;
    TProbe* corner = Box("Grip", 190, 90, 20, 20);
    corner->OnMouseDown.Bind<&TGrip::Down>(&grip);
    Press(195, 95);
    EXPECT_TRUE(scene->GetWindowResizing());
    Move(215, 105, true);
    EXPECT_EQ(form->ClientWidth(), 220);
    EXPECT_EQ(form->ClientHeight(), 110);
    Release(215, 105);
    EXPECT_FALSE(scene->GetWindowResizing());
}
