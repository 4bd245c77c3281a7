// Visual object input: hit testing under rotation, scale and nesting, drop targets, the
// press/release/click machine with double clicks and capture, the wheel, keys and the
// context menu, and the state triggers sent to animations and effects. Input reaches the
// objects through the test host, as a scene routes its window's.

#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/PopupMenuComponent.h"
#include "platform/ui/Types.h"
#include "tests/support/ClickLog.h"
#include "ui2d/TwzVisualObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui2dtest;
using platform::ui::ShiftFlag;

namespace {

/// Every input event of the objects bound to it, in order ("down:A", "click:A").
class TInputLog : public rtl::TObject {
public:
    void Bind(TwzVisualObject& object)
    {
        object.OnMouseDown.Bind<&TInputLog::Down>(this);
        object.OnMouseUp.Bind<&TInputLog::Up>(this);
        object.OnMouseMove.Bind<&TInputLog::Move>(this);
        object.OnClick.Bind<&TInputLog::Clicked>(this);
        object.OnDblClick.Bind<&TInputLog::DblClicked>(this);
        object.OnMouseEnter.Bind<&TInputLog::Entered>(this);
        object.OnMouseLeave.Bind<&TInputLog::Left>(this);
        object.OnKeyDown.Bind<&TInputLog::KeyDown>(this);
        object.OnKeyUp.Bind<&TInputLog::KeyUp>(this);
    }

    void Down(rtl::TObject* sender, TMouseButton, TShiftState, float x, float y)
    {
        Add("down", sender);
        points.push_back({ x, y });
    }
    void Up(rtl::TObject* sender, TMouseButton, TShiftState, float x, float y)
    {
        Add("up", sender);
        points.push_back({ x, y });
    }
    void Move(rtl::TObject* sender, TShiftState, float x, float y, float dx, float dy)
    {
        Add("move", sender);
        points.push_back({ x, y });
        deltas.push_back({ dx, dy });
    }
    void Clicked(rtl::TObject* sender) { Add("click", sender); }
    void DblClicked(rtl::TObject* sender) { Add("dblclick", sender); }
    void Entered(rtl::TObject* sender) { Add("enter", sender); }
    void Left(rtl::TObject* sender) { Add("leave", sender); }
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState)
    {
        keys.push_back({ key, keyChar });
        if (key == consume)
            key = 0;
    }
    void KeyUp(uint16_t& key, char16_t& keyChar, TShiftState) { keyUps.push_back({ key, keyChar }); }

    std::vector<std::string> events;
    std::vector<TwzPoint> points;
    std::vector<TwzPoint> deltas;
    std::vector<std::pair<uint16_t, char16_t>> keys;
    std::vector<std::pair<uint16_t, char16_t>> keyUps;
    uint16_t consume = 0xFFFF;

private:
    void Add(const char* what, rtl::TObject* sender)
    {
        events.push_back(std::string(what) + ":" + static_cast<TwzObject*>(sender)->GetName());
    }
};

/// A popup menu that records where it was asked to pop up.
class TRecordingMenu : public platform::ui::PopupMenuComponent {
    RTL_CLASS(TRecordingMenu, platform::ui::PopupMenuComponent)
public:
    explicit TRecordingMenu(rtl::TComponent* owner)
        : platform::ui::PopupMenuComponent(owner)
    { }
    void Popup(int32_t x, int32_t y) override { popups.push_back({ x, y }); }
    std::vector<std::pair<int32_t, int32_t>> popups;
};

RTL_IMPLEMENT_CLASS(TRecordingMenu)

/// Stands in for a control: hit testing only asks whether the object is one.
class TControlLike : public TwzVisualObject {
    RTL_CLASS(TControlLike, TwzVisualObject)
public:
    explicit TControlLike(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    { }
    // Never dereferenced: the tree and the input layer only test it against null.
    TwzControl* AsControl() override { return reinterpret_cast<TwzControl*>(this); }
};

RTL_IMPLEMENT_CLASS(TControlLike)

/// Records the dialog keys it is offered and consumes the one it owns.
class TDialogKeyObject : public TwzVisualObject {
    RTL_CLASS(TDialogKeyObject, TwzVisualObject)
public:
    explicit TDialogKeyObject(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    { }
    void DialogKey(uint16_t& key, TShiftState shift) override
    {
        offered.push_back(GetName());
        if (key == owned)
            key = 0;
        else
            TwzVisualObject::DialogKey(key, shift);
    }
    static inline std::vector<std::string> offered;
    uint16_t owned = 0;
};

RTL_IMPLEMENT_CLASS(TDialogKeyObject)

class VisualInput : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        form.reset(new TTestObject(nullptr));
        scene = new TestScene(form.get());
        root = Make(nullptr, 0, 0, 400, 400, "root");
        scene->AddObject(root);
    }

    template <class T = TwzVisualObject>
    T* Make(TwzObject* parent, float x, float y, float width, float height, const std::string& name)
    {
        auto* object = new T(form.get());
        object->SetName(name);
        object->SetBounds(x, y, width, height);
        if (parent)
            object->SetParent(parent);
        return object;
    }

    [[nodiscard]] std::string NameAt(float x, float y) const
    {
        TwzVisualObject* found = scene->ObjectAt({ x, y });
        return found ? found->GetName() : std::string("-");
    }

    rtl::TOwned<TTestObject> form;
    TestScene* scene = nullptr;
    TwzVisualObject* root = nullptr;
    TInputLog log;
};

} // namespace

// ---- hit testing -------------------------------------------------------------------------------

TEST_F(VisualInput, HitTestFollowsRotationScaleAndNesting)
{
    // A 100 x 50 box at (100, 100), turned 90 degrees about its centre (150, 125): it now
    // covers x 125..175, y 75..175.
    auto* turned = Make(root, 100, 100, 100, 50, "turned");
    turned->SetRotateAngle(90);
    // A box scaled by 2 at (250, 0): 40 x 30 local, 80 x 60 on screen; a child at local
    // (10, 10) of 10 x 10 covers (270..290, 20..40) on screen.
    auto* scaled = Make(root, 250, 0, 40, 30, "scaled");
    scaled->GetScale()->SetPoint({ 2, 2 });
    Make(scaled, 10, 10, 10, 10, "inner");
    // Nested inside the turned box: local (0, 0, 20, 10) maps to x 165..175, y 75..95.
    Make(turned, 0, 0, 20, 10, "corner");

    const struct {
        float x, y;
        const char* expected;
    } cases[] = {
        { 150, 125, "turned" }, // the centre
        { 150, 80, "turned" }, // inside the turned box, outside the unturned one
        { 105, 125, "root" }, // inside the unturned box only
        { 190, 110, "root" },
        { 170, 85, "corner" }, // the nested child, turned with its parent
        { 130, 85, "turned" }, // the child's unturned place
        { 250, 30, "root" }, // the scaled box's left edge does not count
        { 280, 30, "inner" },
        { 260, 50, "scaled" }, // inside the scaled box, beyond its unscaled size
        { 295, 30, "scaled" },
        { 330, 60, "root" }, // the scaled box's bottom-right edge
        { 0, 0, "-" }, // the root's own corner
        { 400, 200, "-" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(NameAt(c.x, c.y), c.expected) << "at " << c.x << ", " << c.y;
}

TEST_F(VisualInput, TheLastPaintedChildWinsAndHiddenOrTransparentObjectsLetThePointThrough)
{
    auto* below = Make(root, 10, 10, 100, 100, "below");
    auto* above = Make(root, 10, 10, 100, 100, "above");
    EXPECT_EQ(NameAt(50, 50), "above");
    above->SetHitTest(false);
    EXPECT_EQ(NameAt(50, 50), "below");
    // A child that lets the mouse through still lets its own children be hit.
    Make(above, 0, 0, 20, 20, "kid");
    EXPECT_EQ(NameAt(15, 15), "kid");
    below->SetVisible(false);
    EXPECT_EQ(NameAt(50, 50), "root");

    // Clipped children are hit only inside their parent.
    auto* clip = Make(root, 200, 200, 50, 50, "clip");
    Make(clip, 40, 40, 40, 40, "overhang");
    EXPECT_EQ(NameAt(270, 270), "overhang");
    clip->SetClipChildren(true);
    EXPECT_EQ(NameAt(270, 270), "root");
    EXPECT_EQ(NameAt(245, 245), "overhang");
}

TEST_F(VisualInput, DisabledControlsHideTheirSubtreeButDisabledPlainObjectsStayHittable)
{
    auto* control = Make<TControlLike>(root, 0, 0, 100, 100, "control");
    Make(control, 10, 10, 20, 20, "part");
    auto* plain = Make(root, 200, 0, 100, 100, "plain");
    control->SetEnabled(false);
    plain->SetEnabled(false);
    EXPECT_EQ(NameAt(50, 50), "root");
    EXPECT_EQ(NameAt(20, 20), "root");
    EXPECT_EQ(NameAt(250, 50), "plain");

    // At design time everything can be picked, except locked and design-hidden objects.
    scene->SetDesignTime(true);
    EXPECT_EQ(NameAt(20, 20), "part");
    plain->SetLocked(true);
    EXPECT_EQ(NameAt(250, 50), "root");
    control->SetDesignHide(true);
    EXPECT_EQ(NameAt(20, 20), "root"); // neither it nor its children
}

TEST_F(VisualInput, DropTargetsAreTheTopmostObjectsThatAcceptTheData)
{
    struct TAcceptor : rtl::TObject {
        void Over(rtl::TObject* sender, const TwzDragObject& data, const TwzPoint&, bool& accept)
        {
            asked.push_back(static_cast<TwzObject*>(sender)->GetName());
            accept = data.Data == rtl::TValue(std::u16string(u"yes"));
        }
        std::vector<std::string> asked;
    } acceptor;
    auto* target = Make(root, 0, 0, 100, 100, "target");
    auto* refuser = Make(target, 10, 10, 50, 50, "refuser"); // no handler: refuses
    target->OnDragOver.Bind<&TAcceptor::Over>(&acceptor);
    auto* away = Make(root, 200, 200, 10, 10, "away");
    away->OnDragOver.Bind<&TAcceptor::Over>(&acceptor);

    TwzDragObject yes;
    yes.Data = std::u16string(u"yes");
    EXPECT_EQ(root->FindDropTarget({ 20, 20 }, yes), target);
    // Every object is asked, also one far from the point; only one under it can accept.
    EXPECT_EQ(acceptor.asked, (std::vector<std::string> { "away", "target" }));
    (void)refuser;
    TwzDragObject no;
    no.Data = std::u16string(u"no");
    EXPECT_EQ(root->FindDropTarget({ 20, 20 }, no), nullptr);

    // A child sticking out of a clipping parent, or a hidden one, is no target there.
    auto* clip = Make(root, 300, 300, 50, 50, "clip");
    auto* overhang = Make(clip, 40, 40, 40, 40, "overhang");
    overhang->OnDragOver.Bind<&TAcceptor::Over>(&acceptor);
    EXPECT_EQ(root->FindDropTarget({ 370, 370 }, yes), overhang);
    clip->SetClipChildren(true);
    EXPECT_EQ(root->FindDropTarget({ 370, 370 }, yes), nullptr);
    EXPECT_EQ(root->FindDropTarget({ 345, 345 }, yes), overhang);
    overhang->SetVisible(false);
    EXPECT_EQ(root->FindDropTarget({ 345, 345 }, yes), nullptr);
}

// ---- mouse ---------------------------------------------------------------------------------------

TEST_F(VisualInput, PressAndReleaseClickDoubleClickSuppressesTheNextClick)
{
    auto* button = Make(root, 10, 10, 100, 40, "b");
    log.Bind(*button);
    scene->InjectDoubleClick({ 20, 20 });
    EXPECT_EQ(log.events,
        (std::vector<std::string> { "down:b", "up:b", "click:b", "down:b", "dblclick:b", "up:b" }));
    EXPECT_FALSE(button->GetPressed());
    EXPECT_FALSE(button->GetDoubleClicked());

    // A later single click clicks again: the flags were cleared by the release.
    log.events.clear();
    scene->InjectClick({ 30, 30 });
    EXPECT_EQ(log.events, (std::vector<std::string> { "down:b", "up:b", "click:b" }));
    // Points arrive in local coordinates.
    EXPECT_FLOAT_EQ(log.points.back().X, 20);
    EXPECT_FLOAT_EQ(log.points.back().Y, 20);
}

TEST_F(VisualInput, AReleaseOnTheEdgeClicksButOneOutsideOnlyClearsThePress)
{
    auto* button = Make(root, 10, 10, 100, 40, "b");
    button->SetAutoCapture(true);
    log.Bind(*button);

    // The press is inside; the captured release lands exactly on the right edge.
    scene->InjectMouseDown({ 50, 30 });
    EXPECT_TRUE(button->GetPressed());
    scene->InjectMouseUp({ 110, 50 });
    EXPECT_EQ(log.events, (std::vector<std::string> { "down:b", "up:b", "click:b" }));

    log.events.clear();
    scene->InjectMouseDown({ 50, 30 });
    scene->InjectMouseUp({ 111, 30 });
    EXPECT_EQ(log.events, (std::vector<std::string> { "down:b", "up:b" }));
    EXPECT_FALSE(button->GetPressed());
    // Not a click later either.
    button->MouseUp(TMouseButton::Left, {}, 5, 5);
    EXPECT_EQ(log.events.back(), "up:b");
}

TEST_F(VisualInput, AutoCaptureRoutesTheMouseToThePressedObjectUntilRelease)
{
    auto* dragged = Make(root, 10, 10, 50, 50, "d");
    auto* other = Make(root, 200, 200, 50, 50, "o");
    dragged->SetAutoCapture(true);
    log.Bind(*dragged);
    log.Bind(*other);

    scene->InjectMouseDown({ 20, 20 });
    EXPECT_EQ(scene->GetCaptured(), dragged);
    scene->InjectMouseMove({ 210, 220 });
    EXPECT_EQ(log.events.back(), "move:d");
    EXPECT_FLOAT_EQ(log.points.back().X, 200);
    EXPECT_FLOAT_EQ(log.deltas.back().X, 190);
    scene->InjectMouseUp({ 210, 220 });
    EXPECT_EQ(scene->GetCaptured(), nullptr);
    EXPECT_EQ(scene->Log(), (std::vector<std::string> { "capture:d", "release" }));

    // Without the capture the other object is hovered and gets the moves.
    log.events.clear();
    scene->InjectMouseMove({ 215, 220 });
    EXPECT_EQ(log.events, (std::vector<std::string> { "enter:o", "move:o" }));
    scene->InjectMouseMove({ 20, 20 });
    EXPECT_EQ(log.events, (std::vector<std::string> { "enter:o", "move:o", "leave:o", "enter:d", "move:d" }));
    EXPECT_TRUE(dragged->GetIsMouseOver());
    EXPECT_FALSE(other->GetIsMouseOver());

    // A release by an object that does not hold the capture leaves it alone.
    other->Capture();
    scene->ClearLog();
    dragged->MouseUp(TMouseButton::Left, {}, 1, 1);
    EXPECT_EQ(scene->GetCaptured(), other);
    EXPECT_TRUE(scene->Log().empty());
}

TEST_F(VisualInput, ARightPressOpensTheContextMenuAtTheScreenPointWithoutPressOrCapture)
{
    auto* object = Make(root, 10, 20, 100, 100, "o");
    object->SetAutoCapture(true);
    auto* menu = new TRecordingMenu(form.get());
    object->SetPopupMenu(menu);
    log.Bind(*object);

    scene->InjectMouseDown({ 30.4f, 40.6f }, TMouseButton::Right);
    ASSERT_EQ(menu->popups.size(), 1u);
    EXPECT_EQ(menu->popups[0], std::make_pair(130, 141)); // the host sits at (100, 100)
    EXPECT_EQ(menu->GetPopupComponent(), object);
    EXPECT_FALSE(object->GetPressed());
    EXPECT_EQ(scene->GetCaptured(), nullptr);
    EXPECT_EQ(log.events, (std::vector<std::string> { "down:o" }));

    // The context-menu key opens it at the centre and never reaches OnKeyDown.
    uint16_t key = 93;
    char16_t keyChar = 0;
    object->KeyDown(key, keyChar, {});
    ASSERT_EQ(menu->popups.size(), 2u);
    EXPECT_EQ(menu->popups[1], std::make_pair(160, 170));
    EXPECT_TRUE(log.keys.empty());

    // A freed menu is forgotten.
    menu->Free();
    EXPECT_EQ(object->GetPopupMenu(), nullptr);
    scene->InjectMouseDown({ 30, 40 }, TMouseButton::Right);
}

TEST_F(VisualInput, AMenuSharedByObjectsAndTheObjectsItOpenedForForgetEachOtherWhenFreed)
{
    // The menu links back to the object it last opened for. Moving that link on, or an
    // object letting go of the menu, must not cut the links still standing the other way.
    auto* first = Make(root, 10, 20, 100, 100, "a");
    auto* second = Make(root, 200, 20, 100, 100, "b");
    auto* menu = new TRecordingMenu(form.get());
    first->SetPopupMenu(menu);
    second->SetPopupMenu(menu);
    scene->InjectMouseDown({ 30, 40 }, TMouseButton::Right);
    scene->InjectMouseDown({ 230, 40 }, TMouseButton::Right);
    ASSERT_EQ(menu->popups.size(), 2u);
    EXPECT_EQ(menu->GetPopupComponent(), second);
    menu->Free();
    EXPECT_EQ(first->GetPopupMenu(), nullptr);
    EXPECT_EQ(second->GetPopupMenu(), nullptr);
    scene->InjectMouseDown({ 30, 40 }, TMouseButton::Right);

    menu = new TRecordingMenu(form.get());
    first->SetPopupMenu(menu);
    scene->InjectMouseDown({ 30, 40 }, TMouseButton::Right);
    EXPECT_EQ(menu->GetPopupComponent(), first);
    first->SetPopupMenu(nullptr);
    first->Free();
    EXPECT_EQ(menu->GetPopupComponent(), nullptr);
}

TEST_F(VisualInput, TheObjectsMenuShowsItsItemsAndTheChosenOneClicks)
{
    using platform::ui::FakePopupMenu;
    auto* object = Make(root, 10, 20, 100, 100, "o");
    auto* menu = new platform::ui::PopupMenuComponent(form.get());
    auto* more = new platform::ui::MenuItemComponent(form.get());
    more->SetCaption("More");
    menu->Items().Add(more);
    auto* rename = new platform::ui::MenuItemComponent(form.get());
    rename->SetName("rename");
    rename->SetCaption("Rename");
    testsupport::TClickLog clicks;
    rename->OnClick.Bind<&testsupport::TClickLog::Clicked>(&clicks);
    more->Add(rename);
    object->SetPopupMenu(menu);

    FakePopupMenu::ChooseCaptions({ "More", "Rename" });
    scene->InjectMouseDown({ 30.4f, 40.6f }, TMouseButton::Right);
    EXPECT_EQ(FakePopupMenu::LastPoint(), (platform::ui::Point { 130, 141 }));
    uint16_t key = 93;
    char16_t keyChar = 0;
    object->KeyDown(key, keyChar, {});
    EXPECT_EQ(FakePopupMenu::ShownCount(), 2);
    EXPECT_EQ(FakePopupMenu::LastPoint(), (platform::ui::Point { 160, 170 }));
    FakePopupMenu::SetChooser({});
    EXPECT_EQ(clicks.names, (std::vector<std::string> { "rename", "rename" }));
}

TEST_F(VisualInput, AnAutomaticDragStartsAfterThePress)
{
    auto* object = Make(root, 10, 10, 50, 50, "o");
    object->SetDragMode(wzDragAutomatic);
    log.Bind(*object);
    scene->InjectMouseDown({ 20, 20 });
    EXPECT_EQ(log.events, (std::vector<std::string> { "down:o" }));
    EXPECT_EQ(scene->Log(), (std::vector<std::string> { "drag:o" }));
}

TEST_F(VisualInput, AClickHandlerMayFreeItsObject)
{
    struct TFreer : rtl::TObject {
        void FreeSender(rtl::TObject* sender) { static_cast<TwzObject*>(sender)->Free(); }
        void FreeOnPress(rtl::TObject* sender, TMouseButton, TShiftState, float, float)
        {
            FreeSender(sender);
        }
    } freer;
    auto* object = Make(root, 10, 10, 50, 50, "o");
    object->SetAutoCapture(true);
    object->OnClick.Bind<&TFreer::FreeSender>(&freer);
    scene->InjectClick({ 20, 20 });
    EXPECT_EQ(scene->ObjectAt({ 20, 20 }), root);
    EXPECT_EQ(scene->GetCaptured(), nullptr);

    auto* second = Make(root, 10, 10, 50, 50, "p");
    second->OnMouseDown.Bind<&TFreer::FreeOnPress>(&freer);
    second->SetAutoCapture(true);
    scene->InjectMouseDown({ 20, 20 });
    EXPECT_EQ(scene->GetCaptured(), nullptr);
}

// ---- wheel ---------------------------------------------------------------------------------------

TEST_F(VisualInput, TheWheelCarriesTheMousePositionAndBubblesUntilHandled)
{
    struct TWheel : rtl::TObject {
        void Turn(rtl::TObject* sender, TShiftState, int32_t delta, const TwzPoint& pos, bool& handled)
        {
            calls.push_back(static_cast<TwzObject*>(sender)->GetName() + ":" + std::to_string(delta));
            positions.push_back(pos);
            handled = handle;
        }
        std::vector<std::string> calls;
        std::vector<TwzPoint> positions;
        bool handle = false;
    } wheel;
    auto* outer = Make(root, 0, 0, 200, 200, "outer");
    auto* inner = Make(outer, 50, 50, 50, 50, "inner");
    outer->OnMouseWheel.Bind<&TWheel::Turn>(&wheel);
    inner->OnMouseWheel.Bind<&TWheel::Turn>(&wheel);

    scene->InjectMouseMove({ 60, 70 });
    EXPECT_FALSE(scene->InjectWheel(-120));
    EXPECT_EQ(wheel.calls, (std::vector<std::string> { "inner:-120", "outer:-120" }));
    EXPECT_FLOAT_EQ(wheel.positions[0].X, 60); // the host's position, not a local one
    EXPECT_FLOAT_EQ(wheel.positions[0].Y, 70);

    wheel.calls.clear();
    wheel.handle = true;
    EXPECT_TRUE(scene->InjectWheel(240));
    EXPECT_EQ(wheel.calls, (std::vector<std::string> { "inner:240" }));

    // Without a handler nothing handles it; without a host the position is (0, 0).
    auto* loose = Make(nullptr, 0, 0, 10, 10, "loose");
    loose->OnMouseWheel.Bind<&TWheel::Turn>(&wheel);
    bool handled = false;
    loose->MouseWheel({}, 120, handled);
    EXPECT_FLOAT_EQ(wheel.positions.back().X, 0);
    loose->Free();
}

// ---- keys ----------------------------------------------------------------------------------------

TEST_F(VisualInput, EveryTypedUnitArrivesAndAConsumedKeyTypesNothing)
{
    auto* edit = Make(root, 0, 0, 100, 20, "edit");
    edit->SetCanFocused(true);
    log.Bind(*edit);
    edit->FocusObject();

    // A character outside the basic plane arrives as both of its units.
    scene->InjectKey('A', {}, u"a\U0001F600");
    const std::vector<std::pair<uint16_t, char16_t>> typed { { uint16_t('A'), 0 }, { 0, u'a' },
        { 0, u'\xD83D' }, { 0, u'\xDE00' } };
    EXPECT_EQ(log.keys, typed);
    EXPECT_EQ(log.keyUps.back(), std::make_pair(uint16_t('A'), char16_t(0)));

    // A key its key-down consumes types nothing.
    log.keys.clear();
    log.consume = platform::ui::vk::kReturn;
    EXPECT_EQ(scene->InjectKey(platform::ui::vk::kReturn, {}, u"\r"), 0);
    EXPECT_EQ(log.keys, (std::vector<std::pair<uint16_t, char16_t>> { { platform::ui::vk::kReturn, 0 } }));
}

TEST_F(VisualInput, DialogKeysStopAtTheFirstChildThatTakesThemAndSkipHiddenOrDisabledOnes)
{
    TDialogKeyObject::offered.clear();
    auto* a = Make<TDialogKeyObject>(root, 0, 0, 10, 10, "a");
    auto* hidden = Make<TDialogKeyObject>(root, 0, 0, 10, 10, "hidden");
    auto* disabled = Make<TDialogKeyObject>(root, 0, 0, 10, 10, "disabled");
    auto* b = Make<TDialogKeyObject>(root, 0, 0, 10, 10, "b");
    auto* bChild = Make<TDialogKeyObject>(b, 0, 0, 10, 10, "bChild");
    auto* c = Make<TDialogKeyObject>(root, 0, 0, 10, 10, "c");
    hidden->SetVisible(false);
    hidden->owned = 13;
    disabled->SetEnabled(false);
    disabled->owned = 13;
    bChild->owned = 13;
    c->owned = 13;
    (void)a;

    uint16_t key = 13;
    root->DialogKey(key, {});
    EXPECT_EQ(key, 0);
    EXPECT_EQ(TDialogKeyObject::offered, (std::vector<std::string> { "a", "b", "bChild" }));

    TDialogKeyObject::offered.clear();
    key = 27;
    root->DialogKey(key, {});
    EXPECT_EQ(key, 27);
    EXPECT_EQ(TDialogKeyObject::offered, (std::vector<std::string> { "a", "b", "bChild", "c" }));
}

// ---- triggers ------------------------------------------------------------------------------------

TEST_F(VisualInput, StateChangesSendTheirTriggersToAnimationsAndEffects)
{
    auto* object = Make(root, 0, 0, 100, 100, "o");
    object->SetCanFocused(true);
    auto* animation = new TFakeAnimation(form.get());
    animation->SetTrigger("IsMouseOver=true");
    object->AddObject(animation);
    auto* effect = new TFakeEffect(form.get());
    object->AddObject(effect);

    scene->InjectMouseMove({ 10, 10 });
    object->FocusObject();
    scene->InjectDragOver({ 10, 10 }, {}); // nothing accepts: no enter
    object->DragEnter({}, { 10, 10 });
    object->DragDrop({}, { 10, 10 });
    object->DragEnter({}, { 10, 10 });
    object->DragLeave();
    scene->InjectMouseMove({ 300, 300 });
    scene->SetFocused(nullptr);
    object->SetVisible(false);
    object->SetVisible(true);

    const std::vector<std::string> sent { "IsMouseOver", "IsFocused", "IsDragOver", "IsDragOver",
        "IsDragOver", "IsDragOver", "IsMouseOver", "IsFocused" };
    std::vector<std::string> withVisible = sent;
    withVisible.push_back("IsVisible");
    EXPECT_EQ(animation->triggers, withVisible);
    EXPECT_EQ(effect->triggers, sent); // "IsVisible" reaches the animations only
    EXPECT_EQ(animation->lastInstance, object);
    EXPECT_FALSE(object->GetIsMouseOver());
    EXPECT_FALSE(object->GetIsDragOver());
    EXPECT_FALSE(object->GetIsFocused());
}

TEST_F(VisualInput, TheStateFlagsAreReadByNameAsTriggerConditionsReadThem)
{
    auto* object = Make(root, 0, 0, 100, 100, "o");
    const rtl::TClassInfo& info = object->ClassInfo();
    for (const char* name : { "IsMouseOver", "IsFocused", "IsDragOver", "IsVisible" })
        EXPECT_NE(info.FindProp(name), nullptr) << name;
    for (const char* name : { "OnClick", "OnDblClick", "OnMouseDown", "OnMouseMove", "OnMouseUp",
             "OnMouseWheel", "OnMouseEnter", "OnMouseLeave", "OnKeyDown", "OnKeyUp", "OnDragEnter",
             "OnDragOver", "OnDragDrop", "OnDragLeave" })
        EXPECT_NE(info.FindEvent(name), nullptr) << name;
    EXPECT_NE(info.FindProp("PopupMenu"), nullptr);
}

TEST_F(VisualInput, DragsOverTheHostEnterLeaveAndDropOnTheAcceptingObject)
{
    struct TAccept : rtl::TObject {
        void Over(rtl::TObject*, const TwzDragObject&, const TwzPoint&, bool& accept) { accept = true; }
        void Dropped(rtl::TObject* sender, const TwzDragObject& data, const TwzPoint& point)
        {
            drops.push_back(static_cast<TwzObject*>(sender)->GetName());
            files = data.Files;
            at = point;
        }
        std::vector<std::string> drops;
        std::vector<std::u16string> files;
        TwzPoint at {};
    } accept;
    auto* a = Make(root, 0, 0, 100, 100, "a");
    auto* b = Make(root, 200, 0, 100, 100, "b");
    for (TwzVisualObject* object : { a, b }) {
        object->OnDragOver.Bind<&TAccept::Over>(&accept);
        object->OnDragDrop.Bind<&TAccept::Dropped>(&accept);
    }
    TwzDragObject data;
    data.Files = { u"one.png", u"two.png" };
    EXPECT_TRUE(scene->InjectDragOver({ 50, 50 }, data));
    EXPECT_TRUE(a->GetIsDragOver());
    EXPECT_TRUE(scene->InjectDragOver({ 250, 50 }, data));
    EXPECT_FALSE(a->GetIsDragOver());
    EXPECT_TRUE(b->GetIsDragOver());
    scene->InjectDrop({ 250, 50 }, data);
    EXPECT_FALSE(b->GetIsDragOver());
    EXPECT_EQ(accept.drops, (std::vector<std::string> { "b" }));
    EXPECT_EQ(accept.files, data.Files);
    EXPECT_FLOAT_EQ(accept.at.X, 250);
}
