// The 2D scene control's input routing on the headless window system, through the control's
// own entry points: the Tab walk over the tab-order list, dialog keys and Esc, the size grip,
// hints, and a window closed by the handler of one of its objects.

#include "TwzSceneWindowTestSupport.h"
#include "Ui2dTestClasses.h"

#include "platform/ui/FakeApplication.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <utility>

using namespace scenewindowtest;
using platform::ui::MouseButton;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;

namespace {

// A box whose press resizes the form.
class TGrip final : public TBox, public IwzSizeGrip {
public:
    using TBox::TBox;
};

class SceneInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui2dtest::RegisterTestClasses();
        platform::ui::FormOptions options;
        options.clientWidth = 200;
        options.clientHeight = 100;
        options.position = platform::ui::Point { 50, 40 };
        form = app.CreateForm(options);
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, 200, 100);
        root = new TBox(owner.get());
        root->SetName("Root");
        root->SetHitTest(false);
        scene->AddObject(root);
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();
        TakeEvents();
    }
    void TearDown() override
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
    }
    template <class T = TBox> T* Box(const std::string& name, float x, float y)
    {
        auto* box = new T(owner.get());
        box->SetName(name);
        root->AddObject(box);
        box->SetBounds(x, y, 20, 20);
        box->SetCanFocused(true);
        return box;
    }
    void Key(uint16_t key, ShiftState shift = {})
    {
        uint16_t down = key;
        scene->KeyDown(down, shift);
        uint16_t up = key;
        scene->KeyUp(up, shift);
    }

    platform::ui::FakeApplication app;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    TwzScene* scene = nullptr;
    TBox* root = nullptr;
};

} // namespace

TEST_F(SceneInput, TabAndShiftTabWalkTheTabOrderListWithWrapAround)
{
    struct Case {
        const char* name;
        int count;
        int focused; // -1: nothing focused
        bool backwards;
        int expected;
    };
    const Case cases[] = {
        { "Tab from the first of three", 3, 0, false, 1 },
        { "Tab from the last of three wraps to the first", 3, 2, false, 0 },
        { "Tab with nothing focused takes the first", 3, -1, false, 0 },
        { "Shift+Tab from the second takes the first", 3, 1, true, 0 },
        { "Shift+Tab from the first wraps to the last", 3, 0, true, 2 },
        { "Shift+Tab with nothing focused takes the last", 3, -1, true, 2 },
        { "two entries: Tab from the first moves to the second", 2, 0, false, 1 },
        { "two entries: Tab from the second wraps to the first", 2, 1, false, 0 },
        { "two entries: Shift+Tab from the first wraps to the second", 2, 0, true, 1 },
        { "one entry: Tab focuses it", 1, -1, false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        root->DeleteChildren();
        scene->SetFocused(nullptr);
        std::vector<TBox*> boxes;
        for (int i = 0; i < c.count; ++i)
            boxes.push_back(Box("B" + std::to_string(i), static_cast<float>(i * 30), 0));
        if (c.focused >= 0)
            boxes[static_cast<size_t>(c.focused)]->FocusObject();
        Key(platform::ui::vk::kTab, c.backwards ? ShiftState { ShiftFlag::Shift } : ShiftState {});
        EXPECT_EQ(scene->GetFocused(), boxes[static_cast<size_t>(c.expected)]);
    }
}

TEST_F(SceneInput, TabSkipsHiddenDisabledAndUnfocusableEntriesAndThoseUnderAHiddenParent)
{
    TBox* first = Box("First", 0, 0);
    TBox* hidden = Box("Hidden", 30, 0);
    TBox* disabled = Box("Disabled", 60, 0);
    TBox* plain = Box("Plain", 90, 0);
    TBox* panel = Box("Panel", 120, 0);
    TBox* inside = Box("Inside", 0, 0);
    panel->AddObject(inside);
    TBox* last = Box("Last", 150, 0);
    hidden->SetVisible(false);
    disabled->SetEnabled(false);
    plain->SetCanFocused(false);
    panel->SetCanFocused(false);
    panel->SetVisible(false);
    first->FocusObject();
    Key(platform::ui::vk::kTab);
    EXPECT_EQ(scene->GetFocused(), last);
    Key(platform::ui::vk::kTab, ShiftState { ShiftFlag::Shift });
    EXPECT_EQ(scene->GetFocused(), first);
    panel->SetVisible(true);
    Key(platform::ui::vk::kTab);
    EXPECT_EQ(scene->GetFocused(), inside); // the list is collected through the children
}

TEST_F(SceneInput, EscTakenAsADialogKeyLeavesTheModalResultOtherwiseItCancels)
{
    Key(platform::ui::vk::kEscape); // nothing focused: the form is cancelled all the same
    EXPECT_EQ(form->GetModalResult(), platform::ui::kModalCancel);
    form->SetModalResult(platform::ui::kModalNone);

    TBox* box = Box("Box", 10, 10);
    box->takesEscape = true;
    box->FocusObject();
    TakeEvents();
    Key(platform::ui::vk::kEscape);
    EXPECT_EQ(form->GetModalResult(), platform::ui::kModalNone);
    // The root saw the key first; the focused object gets only what the root left of it.
    EXPECT_EQ(
        Only(TakeEvents(), { "dialogkey", "keydown" }), (Lines { "dialogkey 27 @Box", "keydown 0 0 @Box" }));
}

TEST_F(SceneInput, MouseInputArrivingWhileAPressIsHandledWaitsForIt)
{
    // A press handler lets messages through (a change handler that renders, say), and the
    // window delivers the release, a move and the next click meanwhile: each object still
    // hears its press before its release, in the order the input came.
    TBox* a = Box("A", 10, 10);
    Box("B", 40, 10);
    a->duringPress = [&] {
        a->duringPress = nullptr;
        scene->MouseUp(MouseButton::Left, {}, 15, 15);
        scene->MouseMove({}, 46, 16);
        scene->MouseDown(MouseButton::Left, ShiftState { ShiftFlag::Left }, 45, 15);
        scene->MouseUp(MouseButton::Left, {}, 45, 15);
        EXPECT_EQ(Only(Events(), { "down", "up", "move" }), Lines { "down left 5 5 @A" });
    };
    scene->MouseDown(MouseButton::Left, ShiftState { ShiftFlag::Left }, 15, 15);
    EXPECT_EQ(Only(TakeEvents(), { "down", "up", "move" }),
        (Lines { "down left 5 5 @A", "up 5 5 @A", "move 6 6 @B", "down left 5 5 @B", "up 5 5 @B" }));
}

TEST_F(SceneInput, APressOnASizeGripResizesTheFormWithThePointer)
{
    Box<TGrip>("Grip", 180, 80);
    scene->MouseMove({}, 190, 90);
    EXPECT_EQ(scene->GetHost()->GetCursor(), -8); // the diagonal size cursor over a grip
    scene->MouseDown(MouseButton::Left, ShiftState { ShiftFlag::Left }, 190, 90);
    EXPECT_TRUE(scene->GetWindowResizing());
    EXPECT_TRUE(Only(TakeEvents(), { "down" }).empty()); // the grip itself hears nothing
    scene->MouseMove(ShiftState { ShiftFlag::Left }, 215, 100);
    EXPECT_EQ(form->ClientWidth(), 225);
    EXPECT_EQ(form->ClientHeight(), 110);
    scene->MouseUp(MouseButton::Left, {}, 215, 100);
    EXPECT_FALSE(scene->GetWindowResizing());
    scene->MouseMove({}, 230, 100);
    EXPECT_EQ(form->ClientWidth(), 225);
}

TEST_F(SceneInput, AHintShowsOverAnObjectThatShowsOneForItsWholeRectangle)
{
    TBox* box = Box("Box", 10.4f, 20.6f);
    box->SetHint(u"Bold");
    EXPECT_FALSE(scene->CMHintShow({ 15, 25 }).has_value()); // ShowHint off
    box->SetShowHint(true);
    const std::optional<platform::ui::HintInfo> hint = scene->CMHintShow({ 15, 25 });
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->text, u"Bold");
    EXPECT_EQ(hint->area, (platform::ui::Rect { 10, 21, 30, 41 }));
    EXPECT_FALSE(scene->CMHintShow({ 100, 80 }).has_value());
}

namespace {

// The window a scene sits in (it owns the scene and the objects), or a component an object
// owns: it tells when its teardown runs.
class TWindow final : public rtl::TComponent {
public:
    explicit TWindow(bool& tornDown, rtl::TComponent* owner = nullptr)
        : rtl::TComponent(owner)
        , m_tornDown(tornDown)
    { }

protected:
    void BeforeDestruction() override
    {
        m_tornDown = true;
        rtl::TComponent::BeforeDestruction();
    }

private:
    bool& m_tornDown;
};

// Closes the window from whichever event of the box it is bound to, and notes whether the
// teardown had already run when the handler returned.
struct TCloser : rtl::TObject {
    rtl::TComponent* window = nullptr;
    const bool* tornDown = nullptr;
    bool tornDownInHandler = false;
    int clicks = 0;

    void Close()
    {
        if (rtl::TComponent* w = std::exchange(window, nullptr)) {
            w->Free();
            tornDownInHandler = *tornDown;
        }
    }
    void Pressed(rtl::TObject*, TMouseButton, TShiftState, float, float) { Close(); }
    void Clicked(rtl::TObject*)
    {
        ++clicks;
        Close();
    }
    void KeyPressed(uint16_t&, char16_t&, TShiftState) { Close(); }
};

} // namespace

// A handler may free the object it runs for, or close the window the object sits in, from a
// press, a click or a key: the routing and the object's own code run on to the end of the
// dispatch (under the address sanitizer: without touching freed memory), the teardown
// follows as the dispatch returns, and the object raises nothing more.
TEST(SceneWindowLifetime, AHandlerMayFreeItsObjectOrCloseTheWindowOfIt)
{
    enum class Via : uint8_t { Press, Click, Key };
    struct Case {
        const char* name;
        Via via;
        bool freesWindow; // else the object itself
    };
    const Case cases[] = {
        { "press closes the window", Via::Press, true },
        { "click closes the window", Via::Click, true },
        { "key closes the window", Via::Key, true },
        { "press frees the object", Via::Press, false },
        { "click frees the object", Via::Click, false },
        { "key frees the object", Via::Key, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::ui::FakeApplication app;
        platform::ui::FormOptions options;
        options.clientWidth = 100;
        options.clientHeight = 100;
        std::unique_ptr<platform::ui::Form> form = app.CreateForm(options);
        bool tornDown = false;
        auto* window = new TWindow(tornDown);
        auto* scene = new TwzScene(window);
        scene->SetBounds(0, 0, 100, 100);
        auto* root = new TBox(window);
        root->SetHitTest(false);
        scene->AddObject(root);
        auto* box = new TBox(window);
        box->SetName("Box");
        root->AddObject(box);
        box->SetBounds(10, 10, 20, 20);
        box->SetCanFocused(true);
        box->SetAutoCapture(true);
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();

        // The object's teardown frees what it owns: a probe tells when that runs.
        bool boxTornDown = false;
        new TWindow(boxTornDown, box);
        rtl::Watch<TBox> watchBox(box);

        TCloser closer;
        closer.window = c.freesWindow ? static_cast<rtl::TComponent*>(window) : box;
        closer.tornDown = &boxTornDown;
        box->OnClick.Bind<&TCloser::Clicked>(&closer);
        if (c.via == Via::Press)
            box->OnMouseDown.Bind<&TCloser::Pressed>(&closer);
        if (c.via == Via::Key) {
            box->OnKeyDown.Bind<&TCloser::KeyPressed>(&closer);
            box->FocusObject();
            uint16_t key = 'A';
            scene->KeyDown(key, {});
        } else {
            auto& host = static_cast<platform::ui::FakeSceneHost&>(*scene->GetHost());
            const platform::ui::LifetimeWatch alive = host.GetWatch();
            platform::ui::RawButtonEvent press;
            press.x = press.y = 15;
            host.Inject(press);
            if (!alive.Gone()) {
                platform::ui::RawButtonEvent release = press;
                release.type = platform::ui::RawButtonEvent::Type::Release;
                host.Inject(release);
            }
        }
        EXPECT_FALSE(closer.window);
        EXPECT_FALSE(closer.tornDownInHandler);
        EXPECT_TRUE(boxTornDown);
        EXPECT_FALSE(watchBox);
        EXPECT_EQ(tornDown, c.freesWindow);
        // A press that freed the object clicks nothing; a click frees it once.
        EXPECT_EQ(closer.clicks, c.via == Via::Click ? 1 : 0);
        if (!c.freesWindow) {
            // The scene forgot the object and still routes input.
            EXPECT_TRUE(root->Children().empty());
            EXPECT_EQ(window->FindComponent("Box"), nullptr);
            uint16_t key = 'A';
            scene->KeyDown(key, {});
            window->Free();
            EXPECT_TRUE(tornDown);
        }
        app.ProcessMessages();
    }
}
