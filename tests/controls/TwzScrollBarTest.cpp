// Scroll bars: the bar's own value rules, the track and step buttons it binds in its style,
// and a thumb drag on its track reaching the bar, driven through the test host.

#include "ValueControlsTest.h"

#include "controls/TwzScrollBars.h"
#include "graphics/TwzPosition.h"

using namespace valuetest;

namespace {

const char* const kScrollBarStyles = R"(  object TwzVisualObject
    ResourceName = 'trackstyle'
    HitTest = False
    object TwzThumb
      ResourceName = 'thumb'
    end
  end
  object TwzVisualObject
    ResourceName = 'scrollbarstyle'
    HitTest = False
    object TwzSpeedButton
      ResourceName = 'leftbutton'
      Align = vaLeft
      Width = 20
    end
    object TwzSpeedButton
      ResourceName = 'rightbutton'
      Align = vaRight
      Width = 20
    end
    object TwzSpeedButton
      ResourceName = 'topbutton'
      Align = vaTop
      Height = 20
    end
    object TwzSpeedButton
      ResourceName = 'bottombutton'
      Align = vaBottom
      Height = 20
    end
    object TwzTrack
      ResourceName = 'htrack'
      Align = vaClient
    end
    object TwzTrack
      ResourceName = 'vtrack'
      Align = vaClient
    end
  end
)";

class ScrollBarTest : public ValueControlsTest {
protected:
    void SetUp() override
    {
        ValueControlsTest::SetUp();
        SetSheet(kScrollBarStyles);
    }

    /// A horizontal bar at (10, 10), 150 x 18: buttons 10 ... 30 and 140 ... 160, the track
    /// between them, 110 wide.
    TwzScrollBar* Bar()
    {
        auto* bar = Add<TwzScrollBar>({ 10, 10, 160, 28 });
        Watch(*bar);
        bar->SetViewportSize(10);
        bar->RealignChildren();
        log->changes = 0;
        return bar;
    }

    static TwzVisualObject* Part(TwzControl& control, const std::string& name)
    {
        TwzObject* found = control.FindResource(name);
        return found ? found->AsVisual() : nullptr;
    }
};

} // namespace

TEST_F(ScrollBarTest, ConstructorDefaults)
{
    rtl::TOwned<TwzScrollBar> bar(new TwzScrollBar(nullptr));
    EXPECT_EQ(bar->GetWidth(), 150);
    EXPECT_EQ(bar->GetHeight(), 18);
    EXPECT_EQ(bar->GetMax(), 100);
    EXPECT_EQ(bar->GetSmallChange(), 1);
    rtl::TOwned<TwzSmallScrollBar> small(new TwzSmallScrollBar(nullptr));
    EXPECT_EQ(small->GetHeight(), 8);
}

TEST_F(ScrollBarTest, ValueRulesCompareBeforeClamping)
{
    auto* bar = Bar();
    bar->SetValue(95);
    EXPECT_EQ(bar->GetValue(), 90);
    bar->SetValue(95);
    EXPECT_EQ(bar->GetValue(), 90);
    EXPECT_EQ(log->changes, 2) << "a request beyond the limit while at it still reports";
    bar->SetValue(-4);
    EXPECT_EQ(bar->GetValue(), 0);

    // Min pulls the value up at once, with a report.
    log->changes = 0;
    bar->SetMin(20);
    EXPECT_EQ(bar->GetValue(), 20);
    EXPECT_EQ(log->changes, 1);
    // Max below Min, and a lower Max that pulls the value down.
    bar->SetValue(80);
    bar->SetMax(50);
    EXPECT_EQ(bar->GetValue(), 40);
    bar->SetMax(0);
    EXPECT_FLOAT_EQ(bar->GetMax(), 20.001f);
    EXPECT_LE(bar->GetViewportSize(), bar->GetMax() - bar->GetMin());
}

TEST_F(ScrollBarTest, BindsTheTrackOfItsOrientationAndMirrorsItsValue)
{
    auto* bar = Bar();
    TwzCustomTrack* track = bar->Track();
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track, Part(*bar, "htrack"));
    EXPECT_TRUE(track->GetVisible());
    EXPECT_FALSE(Part(*bar, "vtrack")->GetVisible());
    EXPECT_FALSE(Part(*bar, "topbutton")->GetVisible());
    EXPECT_TRUE(Part(*bar, "leftbutton")->GetVisible());
    EXPECT_FALSE(track->GetCanFocused());
    bar->SetValue(30);
    EXPECT_EQ(track->GetValue(), 30);
    EXPECT_EQ(track->GetViewportSize(), 10);
    EXPECT_EQ(track->GetMax(), 100);

    bar->SetOrientation(wzVertical);
    EXPECT_EQ(bar->Track(), Part(*bar, "vtrack"));
    EXPECT_EQ(bar->Track()->GetOrientation(), wzVertical);
    EXPECT_FALSE(Part(*bar, "htrack")->GetVisible());
    EXPECT_TRUE(Part(*bar, "bottombutton")->GetVisible());
    EXPECT_EQ(bar->GetWidth(), 150) << "outside design mode the size stays";

    // At design time the width and the height change places.
    scene->SetDesignTime(true);
    bar->SetOrientation(wzHorizontal);
    EXPECT_EQ(bar->GetWidth(), 18);
    EXPECT_EQ(bar->GetHeight(), 150);
    scene->SetDesignTime(false);
}

TEST_F(ScrollBarTest, StepButtonsMoveBySmallChange)
{
    auto* bar = Bar();
    bar->SetSmallChange(5);
    scene->InjectClick({ 150, 19 }); // right button
    scene->InjectClick({ 150, 19 });
    EXPECT_EQ(bar->GetValue(), 10);
    scene->InjectClick({ 15, 19 }); // left button
    EXPECT_EQ(bar->GetValue(), 5);
    EXPECT_EQ(log->changes, 3);
    EXPECT_EQ(bar->Track()->GetValue(), 5);

    // At the end the button still reports, the value stays.
    bar->SetValue(90);
    log->changes = 0;
    scene->InjectClick({ 150, 19 });
    EXPECT_EQ(bar->GetValue(), 90);
    EXPECT_EQ(log->changes, 1);
}

TEST_F(ScrollBarTest, HeldStepButtonRepeatsInVirtualTime)
{
    auto* bar = Bar();
    scene->InjectMouseDown({ 150, 19 });
    EXPECT_EQ(bar->GetValue(), 0) << "a press alone does not step";
    app->AdvanceTime(500);
    app->AdvanceTime(100);
    EXPECT_EQ(bar->GetValue(), 1);
    app->AdvanceTime(300);
    EXPECT_EQ(bar->GetValue(), 4);
    scene->InjectMouseUp({ 150, 19 });
    EXPECT_EQ(bar->GetValue(), 5) << "the release inside clicks once more";
    app->AdvanceTime(1000);
    EXPECT_EQ(bar->GetValue(), 5) << "nothing repeats after the release";
    EXPECT_EQ(log->changes, 5);
}

TEST_F(ScrollBarTest, ThumbDragOnItsTrackReachesTheBar)
{
    auto* bar = Bar();
    TwzCustomTrack* track = bar->Track();
    ASSERT_NE(track, nullptr);
    ASSERT_NE(track->Thumb(), nullptr);
    // The track spans 30 ... 140 in the scene; its thumb (a tenth of 110, shorter than the
    // track is high) is a square of 18 at 0.
    const TwzRect thumb = track->GetThumbRect();
    EXPECT_FLOAT_EQ(RectWidth(thumb), 18);
    scene->InjectMouseDown({ 32, 19 });
    scene->InjectMouseMove({ 43, 19 });
    EXPECT_FLOAT_EQ(bar->GetValue(), 10);
    EXPECT_FLOAT_EQ(track->GetValue(), 10);
    scene->InjectMouseMove({ 300, 19 });
    EXPECT_FLOAT_EQ(bar->GetValue(), 90);
    scene->InjectMouseUp({ 300, 19 });
    EXPECT_EQ(log->changes, 2);

    // The track's Tracking off: the bar hears of the drag once, at its end.
    track->SetTracking(false);
    log->changes = 0;
    const TwzRect r = track->GetThumbRect();
    scene->InjectMouseDown({ 30 + r.Left + 2, 19 });
    scene->InjectMouseMove({ 30 + r.Left - 30, 19 });
    EXPECT_EQ(log->changes, 0);
    EXPECT_FLOAT_EQ(bar->GetValue(), 90);
    scene->InjectMouseUp({ 30 + r.Left - 30, 19 });
    EXPECT_EQ(log->changes, 1);
    // The thumb keeps its grab offset of 2.
    EXPECT_NEAR(bar->GetValue(), (r.Left - 30 - 2) / 110 * 100, 0.01);
}

TEST_F(ScrollBarTest, BoundValue)
{
    auto* bar = Bar();
    auto* follower = Add<TwzScrollBar>({ 10, 40, 160, 58 });
    follower->SetBindingSource(bar);
    bar->SetValue(33);
    EXPECT_EQ(follower->GetValue(), 33);
    bar->SetData(rtl::TValue(12.0));
    EXPECT_EQ(bar->GetValue(), 12);
    EXPECT_EQ(std::get<double>(bar->GetData()), 12.0);
}
