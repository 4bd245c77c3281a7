// The main controls in a 2D scene control on the headless window system: what the window
// shows of a button, a check box and a radio button through the built-in style, before and
// after the window's own mouse input presses, checks and releases them.

#include "ControlsTest.h"

#include "controls/Controls.h"
#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "graphics/TwzPosition.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/InputRouter.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

using namespace controlstest;

namespace {

class ControlsWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        Initialize2DLibrary();
        RegisterControls();
        platform::ui::FormOptions options;
        options.clientWidth = 200;
        options.clientHeight = 100;
        options.position = platform::ui::Point { 10, 20 };
        form = app.CreateForm(options);
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, 200, 100);
        root = new TwzBackground(owner.get());
        scene->AddObject(root);
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();
    }
    void TearDown() override
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
    }

    template <class T> T* Add(const std::string& name, float x, float y, float w, float h)
    {
        auto* control = new T(owner.get());
        control->SetName(name);
        root->AddObject(control);
        control->SetBounds(x, y, w, h);
        return control;
    }
    platform::ui::FakeSceneHost& Host()
    {
        return static_cast<platform::ui::FakeSceneHost&>(*scene->GetHost());
    }
    void Button(platform::ui::RawButtonEvent::Type type, double x, double y)
    {
        platform::ui::RawButtonEvent e;
        e.type = type;
        e.x = x;
        e.y = y;
        e.time = static_cast<uint32_t>(app.TickMs());
        Host().Inject(e);
    }
    void Press(double x, double y) { Button(platform::ui::RawButtonEvent::Type::Press, x, y); }
    void Release(double x, double y) { Button(platform::ui::RawButtonEvent::Type::Release, x, y); }
    /// Lets the style animations finish and the window repaint; long enough that the next
    /// press is no double click.
    void Settle()
    {
        app.AdvanceTime(1000);
        app.ProcessMessages();
    }

    platform::ui::FakeApplication app;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<TTestForm> owner { new TTestForm(nullptr) };
    TwzScene* scene = nullptr;
    TwzBackground* root = nullptr;
};

} // namespace

TEST_F(ControlsWindow, ButtonAndBoxesShowTheirStatesInTheWindow)
{
    auto* button = Add<TwzButton>("ok", 10, 10, 80, 22);
    auto* box = Add<TwzCheckBox>("box", 10, 40, 120, 19);
    auto* radio = Add<TwzRadioButton>("radio", 10, 70, 120, 19);
    button->OnClick = owner->ClickHandler();
    Settle();

    // The button: its background darkens while pressed and comes back after the release.
    const uint32_t normal = Host().ShownPixel(14, 13);
    EXPECT_EQ(normal >> 24, 0xFFu);
    Press(20, 20);
    Settle();
    EXPECT_TRUE(button->GetIsPressed());
    const uint32_t pressed = Host().ShownPixel(14, 13);
    EXPECT_NE(pressed, normal);
    Release(20, 20);
    Settle();
    EXPECT_EQ(owner->log, (std::vector<std::string> { "click:ok" }));
    EXPECT_EQ(Host().ShownPixel(14, 13), normal);

    // The boxes: the mark shows once checked.
    for (TwzToggleControl* control :
        { static_cast<TwzToggleControl*>(box), static_cast<TwzToggleControl*>(radio) }) {
        const int cx = 19;
        const int cy = static_cast<int>(control->GetPosition()->GetY()) + 9;
        const uint32_t unchecked = Host().ShownPixel(cx, cy);
        Press(cx, cy);
        Release(cx, cy);
        Settle();
        EXPECT_TRUE(control->GetIsChecked()) << control->GetName();
        const uint32_t checked = Host().ShownPixel(cx, cy);
        EXPECT_GT((checked >> 16) & 0xFF, (unchecked >> 16) & 0xFF) << control->GetName();
    }
}
