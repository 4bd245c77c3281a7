// Number boxes in a 2D scene on the headless window system, driven through the window
// layer's input routing: a committed value whose handler lets messages through (as the
// render dialog does while it renders) leaves no drag behind, and the click that commits it
// by moving the focus still acts.

#include "FakeWindowScene.h"

#include "controls/TwzCheckBoxes.h"
#include "controls/TwzNumberBox.h"
#include "platform/rtl/ClassInfo.h"

#include <string>

using platform::ui::RawButtonEvent;
using platform::ui::RawMotionEvent;

namespace {

/// What the render dialog does with a committed size: it renders, and lets messages through
/// while it does.
class TRenderer : public rtl::TComponent {
    RTL_CLASS(TRenderer, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;

    void Render(rtl::TObject*)
    {
        ++renders;
        platform::ui::Application::Current().ProcessMessages();
    }

    int renders = 0;

protected:
    ~TRenderer() override = default;
};

} // namespace

RTL_IMPLEMENT_CLASS(TRenderer)

namespace {

class NumberBoxWindow : public FakeWindowSceneTest {
protected:
    void SetUp() override
    {
        FakeWindowSceneTest::SetUp();
        renderer = new TRenderer(owner.get());
        width = Add<TwzNumberBox>("Width", 10, 10, 100, 21);
        height = Add<TwzNumberBox>("Height", 10, 40, 100, 21);
        for (TwzNumberBox* box : { width, height }) {
            box->SetMin(10);
            box->SetMax(2048);
            box->SetValue(512);
            box->OnChange.Bind<&TRenderer::Render>(renderer);
        }
        chain = Add<TwzCheckBox>("Chain", 150, 10, 30, 30);
        chain->SetIsChecked(true);
    }

    template <class T> T* Add(const std::string& name, float x, float y, float w, float h)
    {
        auto* control = new T(owner.get());
        control->SetName(name);
        control->SetBounds(x, y, w, h);
        control->SetParent(root);
        control->LoadStyle();
        return control;
    }

    platform::ui::FakeSceneHost& Host()
    {
        return static_cast<platform::ui::FakeSceneHost&>(*scene->GetHost());
    }
    static RawButtonEvent Button(RawButtonEvent::Type type, double x, double y)
    {
        RawButtonEvent e;
        e.type = type;
        e.x = x;
        e.y = y;
        e.modifiers.button1 = type == RawButtonEvent::Type::Release;
        return e;
    }
    void Move(double x, double y, bool held = false)
    {
        RawMotionEvent e;
        e.x = x;
        e.y = y;
        e.modifiers.button1 = held;
        Host().Inject(e);
    }
    /// A click as a person makes it: the release is on its way while the press is handled,
    /// and comes in whenever the application lets messages through.
    void Click(double x, double y)
    {
        Move(x, y);
        app.Post([this, x, y] { Host().Inject(Button(RawButtonEvent::Type::Release, x, y)); });
        Host().Inject(Button(RawButtonEvent::Type::Press, x, y));
        app.ProcessMessages();
    }
    void Type(std::u16string_view text, bool enter)
    {
        for (char16_t unit : text) {
            platform::ui::RawKeyEvent key;
            key.keyval = unit;
            Host().InjectKey(key, std::string(1, static_cast<char>(unit)));
            key.press = false;
            Host().InjectKey(key);
        }
        if (!enter)
            return;
        platform::ui::RawKeyEvent key;
        key.keyval = 0xFF0D; // Return
        Host().InjectKey(key);
        key.press = false;
        Host().InjectKey(key);
    }

    TwzNumberBox* width = nullptr;
    TwzNumberBox* height = nullptr;
    TwzCheckBox* chain = nullptr;
    TRenderer* renderer = nullptr;
};

} // namespace

TEST_F(NumberBoxWindow, TheClickAfterACommittedValueActsAndPlainMovesChangeNothing)
{
    struct Case {
        const char* name;
        bool enter; // Enter commits before the click; otherwise leaving the box does
        bool onHeight; // the click goes into the other number box, not onto the chain
    };
    const Case cases[] = {
        { "Enter, then the chain", true, false },
        { "typed, then the chain", false, false },
        { "Enter, then the other box", true, true },
        { "typed, then the other box", false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Click(60, 20);
        ASSERT_TRUE(width->GetIsFocused());
        width->SelectAll(); // the click placed the caret: the typing replaces the whole value
        Type(u"2000", c.enter);
        EXPECT_EQ(width->GetValue(), c.enter ? 2000 : 512);
        const bool wasChecked = chain->GetIsChecked();
        const int rendersBefore = renderer->renders;

        // The click that takes the focus from the box commits it (again, after Enter): the
        // handler lets the release through before the press is done.
        c.onHeight ? Click(60, 50) : Click(165, 25);
        EXPECT_GT(renderer->renders, rendersBefore);
        EXPECT_EQ(width->GetValue(), 2000);
        EXPECT_EQ(scene->GetCaptured(), nullptr) << "the press kept the mouse after its release";
        EXPECT_FALSE(height->GetDragging());
        if (!c.onHeight) {
            EXPECT_NE(chain->GetIsChecked(), wasChecked) << "the click was swallowed";
        }

        // Moving the pointer with no button held changes no value, over the boxes or beside.
        const float heightValue = height->GetValue();
        for (const auto& [x, y] : { std::pair { 62.0, 55.0 }, std::pair { 70.0, 48.0 },
                 std::pair { 90.0, 20.0 }, std::pair { 200.0, 150.0 }, std::pair { 61.0, 52.0 } })
            Move(x, y);
        EXPECT_EQ(width->GetValue(), 2000);
        EXPECT_EQ(height->GetValue(), heightValue);

        width->SetValue(512);
        height->SetValue(512);
    }
}

TEST_F(NumberBoxWindow, ADragNeedsTheButtonHeld)
{
    // A drag changes the value only while the left button is down; a move without it ends
    // the drag as a release would, whatever became of the release itself.
    Move(60, 20);
    Host().Inject(Button(RawButtonEvent::Type::Press, 60, 20));
    Move(75, 20, true);
    EXPECT_EQ(width->GetValue(), 513);
    EXPECT_TRUE(width->GetDragging());
    const int rendersBefore = renderer->renders;
    Move(90, 20);
    EXPECT_EQ(width->GetValue(), 513);
    EXPECT_FALSE(width->GetDragging());
    EXPECT_EQ(renderer->renders, rendersBefore + 1) << "the end of a drag commits";
    EXPECT_EQ(scene->GetCaptured(), nullptr);
    Move(100, 30);
    EXPECT_EQ(width->GetValue(), 513);
}
