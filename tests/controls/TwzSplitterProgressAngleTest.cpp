// The splitter's target and limits, the progress bar's indicator, and the angle dial.

#include "ValueControlsTest.h"

#include "controls/TwzAngleButton.h"
#include "controls/TwzProgressBar.h"
#include "controls/TwzSplitter.h"
#include "graphics/TwzPosition.h"
#include "ui2d/TwzText.h"

using namespace valuetest;

namespace {

class SplitterTest : public ValueControlsTest {
protected:
    /// A panel aligned `align` of `size` and a splitter beside it, in a 300 x 200 container
    /// at the root's origin.
    void Build(TwzAlign align, float size)
    {
        container = new TwzVisualObject(form.get());
        container->SetBounds(0, 0, 300, 200);
        container->SetParent(root);
        panel = new TwzVisualObject(form.get());
        panel->SetBounds(0, 0, size, size);
        panel->SetAlign(align);
        panel->SetParent(container);
        splitter = new TwzSplitter(form.get());
        splitter->SetAlign(align);
        if (align == vaTop || align == vaBottom)
            splitter->SetHeight(5);
        splitter->SetParent(container);
    }

    TwzVisualObject* container = nullptr;
    TwzVisualObject* panel = nullptr;
    TwzSplitter* splitter = nullptr;
};

} // namespace

TEST_F(SplitterTest, LeftSplitterFindsItsPanelAndKeepsTheMinimum)
{
    Build(vaLeft, 100);
    EXPECT_EQ(splitter->GetPosition()->GetX(), 100);
    EXPECT_EQ(splitter->GetCursor(), -14);
    EXPECT_EQ(splitter->FindTarget(), panel);
    scene->InjectMouseDown({ 102, 50 });
    EXPECT_EQ(splitter->Target(), panel);
    scene->InjectMouseMove({ 72, 50 });
    EXPECT_EQ(panel->GetWidth(), 70);
    EXPECT_EQ(splitter->GetPosition()->GetX(), 70) << "the splitter follows the edge";
    scene->InjectMouseMove({ -100, 50 });
    EXPECT_EQ(panel->GetWidth(), 20) << "MinSize";
    // The maximum leaves MinSize for the rest: 300 - 20 - 5 (the splitter).
    scene->InjectMouseMove({ 400, 50 });
    EXPECT_EQ(panel->GetWidth(), 275);
    scene->InjectMouseUp({ 400, 50 });
    EXPECT_EQ(splitter->Target(), nullptr);
}

TEST_F(SplitterTest, RightSplitterKeepsTheTargetsRightEdge)
{
    Build(vaRight, 100);
    EXPECT_EQ(panel->GetPosition()->GetX(), 200);
    EXPECT_EQ(splitter->GetPosition()->GetX(), 195);
    scene->InjectMouseDown({ 197, 50 });
    EXPECT_EQ(splitter->Target(), panel);
    scene->InjectMouseMove({ 167, 50 });
    EXPECT_EQ(panel->GetWidth(), 130);
    EXPECT_EQ(panel->GetPosition()->GetX() + panel->GetWidth(), 300);
    scene->InjectMouseUp({ 167, 50 });
}

TEST_F(SplitterTest, TopSplitterAndAlignsWithoutTarget)
{
    Build(vaTop, 60);
    EXPECT_EQ(splitter->GetCursor(), -15);
    scene->InjectMouseDown({ 50, 62 });
    scene->InjectMouseMove({ 50, 92 });
    EXPECT_EQ(panel->GetHeight(), 90);
    scene->InjectMouseUp({ 50, 92 });

    // vaMostTop never resizes anything.
    splitter->SetAlign(vaMostTop);
    EXPECT_EQ(splitter->FindTarget(), nullptr);
    const float before = panel->GetHeight();
    const TwzPoint at = splitter->LocalToAbsolute({ 2, 2 });
    scene->InjectMouseDown(at);
    scene->InjectMouseMove({ at.X, at.Y + 40 });
    scene->InjectMouseUp({ at.X, at.Y + 40 });
    EXPECT_EQ(panel->GetHeight(), before);
}

TEST_F(ValueControlsTest, ProgressBarSizesItsIndicator)
{
    SetSheet(R"(  object TwzVisualObject
    ResourceName = 'progressbarstyle'
    HitTest = False
    object TwzVisualObject
      ResourceName = 'htrack'
      Align = vaContents
      object TwzVisualObject
        ResourceName = 'hindicator'
        Align = vaLeft
      end
    end
    object TwzVisualObject
      ResourceName = 'vtrack'
      Align = vaContents
      object TwzVisualObject
        ResourceName = 'vindicator'
        Align = vaBottom
      end
    end
  end
)");
    auto* bar = Add<TwzProgressBar>({ 10, 10, 160, 30 });
    auto part = [&](const char* name) { return bar->FindResource(name)->AsVisual(); };
    bar->SetValue(1);
    EXPECT_FLOAT_EQ(part("hindicator")->GetWidth(), 1.5f);
    EXPECT_FALSE(part("hindicator")->GetVisible()) << "not above 2";
    EXPECT_FALSE(part("vtrack")->GetVisible());
    bar->SetValue(50);
    EXPECT_FLOAT_EQ(part("hindicator")->GetWidth(), 75);
    EXPECT_TRUE(part("hindicator")->GetVisible());
    part("htrack")->GetMargins()->SetLeft(10);
    bar->SetValue(60);
    EXPECT_FLOAT_EQ(part("hindicator")->GetWidth(), 84);

    // Max, Min and Orientation wait for the next realignment; Max <= Min changes nothing.
    bar->SetMax(50);
    bar->SetMin(50);
    bar->SetValue(10);
    EXPECT_FLOAT_EQ(part("hindicator")->GetWidth(), 84);

    bar->SetMin(0);
    bar->SetMax(100);
    bar->SetOrientation(wzVertical);
    bar->SetData(rtl::TValue(25.0));
    EXPECT_FALSE(part("htrack")->GetVisible());
    EXPECT_FALSE(part("hindicator")->GetVisible());
    EXPECT_TRUE(part("vtrack")->GetVisible()) << "the channel of the new orientation shows";
    EXPECT_FLOAT_EQ(part("vindicator")->GetHeight(), 5);
    EXPECT_EQ(std::get<double>(bar->GetData()), 25.0);
}

TEST_F(ValueControlsTest, AngleDialFollowsThePointerAroundItsCentre)
{
    SetSheet(R"(  object TwzVisualObject
    ResourceName = 'anglebuttonstyle'
    HitTest = False
    object TwzVisualObject
      ResourceName = 'tick'
      HitTest = False
    end
    object TwzText
      ResourceName = 'text'
      HitTest = False
    end
    object TwzText
      ResourceName = 'tracktext'
      HitTest = False
    end
  end
)");
    auto* dial = Add<TwzAngleButton>({ 10, 10, 40, 40 }); // centre (25, 25)
    Watch(*dial);
    const TShiftState left { platform::ui::ShiftFlag::Left };
    const struct {
        TwzPoint point;
        float value;
    } cases[] = {
        { { 40, 25 }, 0 },
        { { 25, 10 }, 90 },
        { { 25, 40 }, -90 },
        { { 10, 10 }, 135 },
        { { 10, 25 }, -180 },
    };
    scene->InjectMouseDown({ 26, 25 });
    for (const auto& c : cases) {
        scene->InjectMouseMove(c.point, left);
        EXPECT_NEAR(dial->GetValue(), c.value, 1e-3) << c.point.X << "," << c.point.Y;
    }
    scene->InjectMouseUp({ 10, 25 });
    // One report per change (the first point leaves the value at 0), and one more at the
    // release with Tracking on.
    EXPECT_EQ(log->changes, 4 + 1);
    auto* tick = dial->FindResource("tick")->AsVisual();
    EXPECT_FLOAT_EQ(tick->GetRotateAngle(), 180);

    // Frequency 15: 50 degrees store 45.
    dial->SetFrequency(15);
    dial->SetValue(50);
    EXPECT_FLOAT_EQ(dial->GetValue(), 45);
    EXPECT_FLOAT_EQ(tick->GetRotateAngle(), -45);

    // Tracking off: the drag reports once, at its end, and shows the track text meanwhile.
    dial->SetFrequency(0);
    dial->SetTracking(false);
    log->changes = 0;
    auto* trackText = dynamic_cast<TwzText*>(dial->FindResource("tracktext"));
    ASSERT_NE(trackText, nullptr);
    scene->InjectMouseDown({ 26, 25 });
    scene->InjectMouseMove({ 25, 10 }, left);
    scene->InjectMouseMove({ 40, 25 }, left);
    EXPECT_EQ(log->changes, 0);
    EXPECT_TRUE(trackText->GetVisible()) << "the drag's value is shown while dragging";
    EXPECT_EQ(trackText->GetOpacity(), 1);
    EXPECT_EQ(trackText->GetText(), u"0\u00B0");
    scene->InjectMouseUp({ 40, 25 });
    EXPECT_EQ(log->changes, 1);
    EXPECT_FALSE(trackText->GetVisible());
    EXPECT_EQ(trackText->GetOpacity(), 0);

    // The value text.
    auto* text = dynamic_cast<TwzText*>(dial->FindResource("text"));
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(text->GetVisible());
    dial->SetShowValue(true);
    dial->SetValue(-44.6f);
    EXPECT_TRUE(text->GetVisible());
    EXPECT_EQ(text->GetText(), u"-45\u00B0");
    // Any number may be set from code; the centre itself gives 0 and nothing fails.
    dial->SetValue(1e30f);
    EXPECT_FALSE(text->GetText().empty());
}
