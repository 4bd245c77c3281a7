// The drop target, the plot grid and the bitmap button with a background brush.

#include "ControlsTest.h"

#include "controls/TwzExtControls.h"
#include "graphics/TwzBrush.h"
#include "ui2d/TwzShape.h"

#include "tests/support/Pixels.h"

using namespace controlstest;

namespace {

// Records what OnDroped reports.
class TDropProbe : public rtl::TObject {
public:
    void Dropped(rtl::TObject* sender, const TwzDragObject& data, const TwzPoint& point)
    {
        senders.push_back(sender);
        files += data.Files.size();
        points.push_back(point);
    }
    std::vector<rtl::TObject*> senders;
    size_t files = 0;
    std::vector<TwzPoint> points;
};

using testsupport::Alpha;

} // namespace

using ExtControls = ControlsTest;

TEST_F(ExtControls, TheDropTargetAcceptsAnythingAndReportsTheDrop)
{
    auto* target = Add<TwzDropTarget>("target", { 10, 10, 120, 80 });
    EXPECT_TRUE(target->GetDragDisableHighlight());
    TDropProbe probe;
    target->OnDroped.Bind<&TDropProbe::Dropped>(&probe);
    TwzDragObject drag;
    drag.Files = { u"/nowhere/a.bin", u"/nowhere/b.bin" };
    ASSERT_TRUE(scene->InjectDragOver({ 50, 50 }, drag));
    scene->InjectDrop({ 50, 50 }, drag);
    ASSERT_EQ(probe.senders.size(), 1u);
    EXPECT_EQ(probe.senders[0], target);
    EXPECT_EQ(probe.files, 2u);
    EXPECT_FLOAT_EQ(probe.points[0].X, 50);

    TwzDragObject nothing;
    EXPECT_TRUE(scene->InjectDragOver({ 50, 50 }, nothing)) << "even an empty drag";
}

TEST_F(ExtControls, ThePlotGridDrawsAxesMarksAndFaintLines)
{
    auto* grid = new TwzPlotGrid(form.get());
    grid->SetBounds(0, 0, 100, 100);
    grid->SetParent(root);
    grid->GetLineFill()->SetSolidColor(0xFF000000);
    grid->SetFrequency(10);
    grid->SetMarks(2);
    PaintAll();
    // Centre 50: the axis covers 50..52; lines every 10 from it, each half a unit to the
    // right of its offset, every second one full.
    EXPECT_EQ(Alpha(Pixel(50, 5)), 255);
    EXPECT_EQ(Alpha(Pixel(51, 5)), 255);
    EXPECT_EQ(Alpha(Pixel(70, 5)), 255) << "d = 20 is a mark";
    EXPECT_EQ(Alpha(Pixel(30, 5)), 255) << "on both sides";
    const int faint = Alpha(Pixel(60, 5));
    EXPECT_GT(faint, 60) << "d = 10 is a faint line";
    EXPECT_LT(faint, 140);
    EXPECT_EQ(Alpha(Pixel(65, 5)), 0) << "nothing between the lines";
    EXPECT_EQ(Alpha(Pixel(5, 50)), 255) << "the horizontal axis";
    EXPECT_EQ(Alpha(Pixel(5, 75)), 0);

    grid->SetFrequency(0);
    EXPECT_FLOAT_EQ(grid->GetFrequency(), 0.001f);
    grid->SetFrequency(-3);
    EXPECT_FLOAT_EQ(grid->GetFrequency(), 0.001f);
    // A Marks of 0 makes every line faint, and a tiny frequency on a huge grid stays bounded.
    grid->SetMarks(0);
    grid->SetFrequency(10);
    PaintAll();
    EXPECT_LT(Alpha(Pixel(70, 5)), 140);
    EXPECT_EQ(Alpha(Pixel(51, 5)), 255) << "the axis stays";
    grid->SetBounds(0, 0, 1e7f, 1e7f);
    grid->SetFrequency(0.001f);
    PaintAll();
}

TEST_F(ExtControls, TheIPhoneButtonFillsItsBackgroundPart)
{
    auto* button = Add<TwzIPhoneButton>("phone", { 10, 10, 57, 57 });
    auto* background = dynamic_cast<TwzShape*>(Part(*button, "background"));
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->GetFill()->GetSolidColor(), 0xFF808080u);
    button->GetBackground()->SetSolidColor(0xFF00AA00);
    EXPECT_EQ(background->GetFill()->GetSolidColor(), 0xFF00AA00u);
    TwzBrush red(wzBrushSolid, 0xFFFF0000);
    button->SetBackground(&red);
    EXPECT_EQ(background->GetFill()->GetSolidColor(), 0xFFFF0000u);
}
