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
#include "tests/MissingDisplay.h"
#include "tests/platform/ui/gui/GtkFixture.h"
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

class ScrollBoxWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!uitest::Gui())
            GF_MISSING_DISPLAY(uitest::GuiError());
        platform::ui::FormOptions options;
        options.clientWidth = 200;
        options.clientHeight = 100;
        options.position = uitest::PlaceForThisTest();
        options.decorated = false;
        form = uitest::Gui()->CreateForm(options);
        owner.reset(new rtl::TComponent(nullptr));
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, 200, 100);
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
        scene->SetParentForm(form.get());
        form->Show();
        test::Raise(*form);
        ASSERT_TRUE(
            uitest::RunUntil([&] { return scene->HandleAllocated() && box->GetContentPart() != nullptr; }));
        box->RealignChildren();
        Settle();
    }
    void TearDown() override
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
        if (uitest::Gui())
            uitest::Gui()->ProcessMessages();
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
    void Settle()
    {
        for (int i = 0; i < 3; ++i) {
            test::Sync();
            uitest::Gui()->ProcessMessages();
        }
    }
    uint32_t PixelAt(int x, int y)
    {
        const std::vector<uint32_t> pixels = test::ReadPixels(*scene->GetHost(), { x, y, x + 1, y + 1 });
        return pixels.empty() ? 0 : pixels[0];
    }

    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner;
    TwzScene* scene = nullptr;
    TwzScrollBox* box = nullptr;
};

} // namespace

TEST_F(ScrollBoxWindow, WheelAndTrackingDragScrollTheShownContent)
{
    ASSERT_TRUE(box->GetVScrollBar() && box->GetVScrollBar()->GetVisible());
    EXPECT_EQ(PixelAt(50, 25), kRed);

    // One notch down: 3 small changes of a fifth of the 100 high viewport.
    test::SendMotion(*scene->GetHost(), 50, 40);
    test::SendScroll(*scene->GetHost(), RawScrollEvent::Direction::Down, 0, 50, 40);
    Settle();
    EXPECT_EQ(box->GetVScrollOffset(), 60);
    EXPECT_TRUE(uitest::RunUntil([&] { return PixelAt(50, 25) == kBlue; }));

    // A drag up by 40 moves the content with the pointer.
    test::SendButton(*scene->GetHost(), RawButtonEvent::Type::Press, 1, 50, 80);
    test::SendMotion(*scene->GetHost(), 50, 60, RawModifiers { .button1 = true });
    test::SendMotion(*scene->GetHost(), 50, 40, RawModifiers { .button1 = true });
    test::SendButton(
        *scene->GetHost(), RawButtonEvent::Type::Release, 1, 50, 40, RawModifiers { .button1 = true });
    Settle();
    EXPECT_EQ(box->GetVScrollOffset(), 100);
    EXPECT_EQ(box->GetContent()->GetPosition()->GetY(), -100);
}
