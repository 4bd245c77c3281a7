// A scroll box in a real window under X, with the built-in style: the wheel and a tracking
// drag scroll the content, and the window shows the scrolled-in part.

#include "app/Modules.h"
#include "controls/TwzScrollBox.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/support/SceneWindow.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzScene.h"
#include "ui2d/TwzShape.h"

#include <gtest/gtest.h>

#include <memory>

using platform::ui::RawButtonEvent;
using platform::ui::RawModifiers;
using platform::ui::RawScrollEvent;
namespace test = platform::ui::test;

namespace {

class ScrollModulesEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        StartModules();
    }
    void TearDown() override { StopModules(); }
};

[[maybe_unused]] ::testing::Environment* const kScrollModules
    = ::testing::AddGlobalTestEnvironment(new ScrollModulesEnvironment);

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;

class ScrollBoxWindow : public testsupport::SceneWindowTest<TwzScene> {
protected:
    void SetUpWindow() override
    {
        CreateWindow(200, 100);
        auto* root = new TwzBackground(owner.get());
        scene->AddObject(root);
        root->SetBounds(0, 0, 200, 100);
        box = new TwzScrollBox(owner.get());
        box->SetBounds(0, 0, 120, 100);
        box->SetAnimated(false);
        box->SetMouseTracking(true);
        box->SetParent(root);
        Block(0, 50, kRed);
        Block(50, 350, kBlue);
        ASSERT_NO_FATAL_FAILURE(ShowWindow([&] { return box->GetContentPart() != nullptr; }));
        box->RealignChildren();
        Settle();
    }
    void Block(float top, float height, uint32_t color)
    {
        auto* block = new TwzRectangle(owner.get());
        block->SetHitTest(false);
        block->GetFill()->SetStyle(wzBrushSolid);
        block->GetFill()->SetSolidColor(color);
        block->GetStroke()->SetStyle(wzBrushNone);
        block->SetBounds(0, top, 100, height);
        block->SetParent(box);
    }

    TwzScrollBox* box = nullptr;
};

} // namespace

TEST_F(ScrollBoxWindow, WheelAndTrackingDragScrollTheShownContent)
{
    ASSERT_TRUE(box->GetVScrollBar() && box->GetVScrollBar()->GetVisible());
    EXPECT_EQ(PixelAt(50, 25), kRed);

    // One notch down: 3 small changes of a fifth of the 100 high viewport.
    test::SendMotion(Host(), 50, 40);
    test::SendScroll(Host(), RawScrollEvent::Direction::Down, 0, 50, 40);
    Settle();
    EXPECT_EQ(box->GetVScrollOffset(), 60);
    EXPECT_TRUE(uitest::RunUntil([&] { return PixelAt(50, 25) == kBlue; }));

    // A drag up by 40 moves the content with the pointer.
    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 50, 80);
    test::SendMotion(Host(), 50, 60, RawModifiers { .button1 = true });
    test::SendMotion(Host(), 50, 40, RawModifiers { .button1 = true });
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, 50, 40, RawModifiers { .button1 = true });
    Settle();
    EXPECT_EQ(box->GetVScrollOffset(), 100);
    EXPECT_EQ(box->GetContent()->GetPosition()->GetY(), -100);
}
