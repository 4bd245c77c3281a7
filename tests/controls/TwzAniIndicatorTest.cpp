// The busy indicator: its clock and animation, the phase of its marks in virtual time, and
// what it paints.

#include "ValueControlsTest.h"

#include "controls/TwzAniIndicator.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "ui2d/TwzPropertyAnimations.h"

#include <memory>

using namespace valuetest;

namespace {

class AniIndicatorTest : public ValueControlsTest {
protected:
    void TearDown() override
    {
        ValueControlsTest::TearDown();
        canvas.reset();
    }

    /// One paint cycle of the whole host into the 200 x 100 bitmap.
    void PaintAll()
    {
        if (!canvas) {
            canvas = std::make_unique<TwzCanvasGdiPlus>(&bitmap);
            scene->SetCanvas(canvas.get());
        }
        bitmap.Clear(0);
        scene->ClearUpdateRects();
        scene->AddUpdateRect({ 0, 0, 200, 100 });
        scene->PaintRoots();
    }
    [[nodiscard]] uint32_t Pixel(int x, int y) { return bitmap.GetScanline(y)[x]; }

    TwzBitmap bitmap { 200, 100 };
    std::unique_ptr<TwzCanvasGdiPlus> canvas;
};

} // namespace

TEST_F(AniIndicatorTest, ClockAndAnimationAreItsOwnUnstoredParts)
{
    auto* busy = Add<TwzAniIndicator>({ 0, 0, 40, 30 });
    TwzVisualObject* clock = busy->ClockObject();
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->GetParent(), busy);
    EXPECT_EQ(clock->GetAlign(), vaContents);
    EXPECT_TRUE(clock->GetLocked());
    EXPECT_FALSE(clock->GetStored());
    TwzFloatAnimation* animation = busy->Animation();
    EXPECT_EQ(animation->GetParent(), clock);
    EXPECT_TRUE(animation->GetLoop());
    EXPECT_EQ(animation->GetStopValue(), 360);
    EXPECT_EQ(animation->GetDuration(), 10);
    EXPECT_FALSE(busy->GetEnabled());
    EXPECT_FALSE(animation->GetRunning());
}

TEST_F(AniIndicatorTest, PhaseRunsAroundTheRingInVirtualTime)
{
    // At angle 0 the first stroke is the darkest and its neighbours fade behind it.
    EXPECT_FLOAT_EQ(TwzAniIndicator::MarkOpacity(0, 0, 12), 1);
    EXPECT_NEAR(TwzAniIndicator::MarkOpacity(0, 1, 12), 1 - 28 / 30.0f, 1e-6);
    EXPECT_NEAR(TwzAniIndicator::MarkOpacity(2, 1, 12), 1, 1e-6);
    // The dots divide by 7: the first and the last darken together.
    EXPECT_FLOAT_EQ(TwzAniIndicator::MarkOpacity(10, 0, 7), TwzAniIndicator::MarkOpacity(10, 7, 7));

    auto* busy = Add<TwzAniIndicator>({ 0, 0, 40, 30 });
    busy->SetEnabled(true);
    EXPECT_TRUE(busy->Animation()->GetRunning());
    app->AdvanceTime(1000);
    EXPECT_NEAR(busy->ClockObject()->GetRotateAngle(), 36, 1.5) << "36 units a second";
    app->AdvanceTime(9000);
    EXPECT_LT(busy->ClockObject()->GetRotateAngle(), 360) << "it loops";
    EXPECT_TRUE(busy->Animation()->GetRunning());
    busy->SetEnabled(false);
    EXPECT_FALSE(busy->Animation()->GetRunning());
    EXPECT_EQ(busy->ClockObject()->GetRotateAngle(), 0) << "the end value 360 reads as 0";
}

TEST_F(AniIndicatorTest, PaintsGreyStrokesAndTheRunningDarkOne)
{
    auto* busy = Add<TwzAniIndicator>({ 0, 0, 40, 30 });
    // r = 15 - 15 / 3.7, about 10.95: the stroke at 0 degrees runs from x = 30.9 to 25.5.
    PaintAll();
    const uint32_t grey = Pixel(28, 15);
    EXPECT_EQ(grey >> 24, 0xFFu) << "a solid stroke";
    EXPECT_EQ(grey & 0xFFFFFF, 0xBABABAu);
    EXPECT_EQ(Pixel(20, 15), 0u) << "the centre stays empty";
    busy->SetEnabled(true);
    PaintAll();
    EXPECT_LT(Pixel(28, 15) & 0xFF, 0x20u) << "the darkest stroke at angle 0";
    EXPECT_GT(Pixel(20, 23) & 0xFF, 0x80u) << "the stroke at 90 degrees is nearly grey";

    busy->SetEnabled(false);
    busy->SetStyle(wzAniIndicatorCircle);
    PaintAll();
    EXPECT_EQ(Pixel(31, 15) & 0xFFFFFF, 0xBABABAu) << "a dot at 0 degrees";
}
