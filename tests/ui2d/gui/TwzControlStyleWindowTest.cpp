// A control with the built-in button look in a real window under X: the style is applied
// before the first paint, and the mouse drives the copy's state animations from the normal
// look to the hover and pressed looks.

#include "app/Modules.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/support/Pixels.h"
#include "tests/support/SceneWindow.h"
#include "tests/ui2d/TwzSceneWindowTestSupport.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::ui::RawButtonEvent;
using platform::ui::Rect;
namespace test = platform::ui::test;
using namespace scenewindowtest;
using testsupport::Brightness;

namespace {

/// A minimal press-tracking control with the built-in button look.
class TwzStylePressButton : public TwzControl {
    RTL_CLASS(TwzStylePressButton, TwzControl)
public:
    explicit TwzStylePressButton(rtl::TComponent* owner)
        : TwzControl(owner)
    {
        SetResource("buttonstyle");
    }
    [[nodiscard]] bool GetIsPressed() const { return m_pressed; }
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override
    {
        TwzControl::MouseDown(button, shift, x, y);
        m_pressed = true;
        StartTriggerAnimation(this, "IsPressed");
    }
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override
    {
        TwzControl::MouseUp(button, shift, x, y);
        m_pressed = false;
        StartTriggerAnimation(this, "IsPressed");
    }

private:
    bool m_pressed = false;
};

constexpr rtl::TPropInfo kPressButtonProps[] = {
    RTL_PROP_RO(TwzStylePressButton, IsPressed, Boolean),
};

RTL_IMPLEMENT_CLASS(TwzStylePressButton, .props = kPressButtonProps)

class ModulesEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        StartModules();
        rtl::RegisterClass<TwzStylePressButton>();
    }
    void TearDown() override { StopModules(); }
};

[[maybe_unused]] ::testing::Environment* const kModules
    = ::testing::AddGlobalTestEnvironment(new ModulesEnvironment);

class StyledButtonWindow : public testsupport::SceneWindowTest<TwzScene> {
protected:
    void TearDown() override
    {
        SceneWindowTest::TearDown();
        TakeEvents();
    }
};

} // namespace

TEST_F(StyledButtonWindow, NormalHoverAndPressedLooks)
{
    CreateWindow(160, 80);
    auto* root = new TBox(owner.get());
    root->color = 0xFF2B2B2B;
    root->SetHitTest(false);
    scene->AddObject(root);
    auto* button = new TwzStylePressButton(owner.get());
    root->AddObject(button);
    button->SetBounds(40, 27, 73, 26);
    ASSERT_NO_FATAL_FAILURE(ShowWindow([&] { return root->paints > 0; }));
    Linger(50);

    ASSERT_NE(button->GetAppliedStyle(), nullptr) << "styled for its first paint";
    // Near the top left inside the frame, away from the centred text: the gradient's top.
    const int32_t x = 44;
    const int32_t y = 30;
    const uint32_t normal = PixelAt(x, y);
    EXPECT_NEAR(Brightness(normal), 0x4C, 8) << std::hex << normal;
    EXPECT_NEAR(Brightness(PixelAt(44, 50)), 0x32, 8) << "the gradient darkens downwards";
    EXPECT_NEAR(Brightness(PixelAt(20, 10)), 0x2B, 2) << "outside the button";

    test::SendMotion(Host(), 60, 40);
    Linger(400);
    ASSERT_TRUE(button->GetIsMouseOver());
    const uint32_t hover = PixelAt(x, y);
    EXPECT_GT(Brightness(hover), Brightness(normal) + 20) << std::hex << hover << " after " << normal;

    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 60, 40);
    Linger(400);
    ASSERT_TRUE(button->GetIsPressed());
    const uint32_t pressed = PixelAt(x, y);
    EXPECT_LT(Brightness(pressed), Brightness(normal)) << std::hex << pressed << " after " << normal;

    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, 60, 40);
    Linger(400);
    EXPECT_NEAR(Brightness(PixelAt(x, y)), Brightness(hover), 6) << "back to the hover look";
}
