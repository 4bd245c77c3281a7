// Tracks: clamping, quantising, the thumb's place, presses, keys and thumb drags with and
// without Tracking, driven through the test host.

#include "ValueControlsTest.h"

#include "controls/TwzTracks.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"

#include <cmath>

RTL_IMPLEMENT_CLASS(valuetest::TReportLog)

// The font libraries keep process-wide caches until the process ends, which the leak
// checker cannot follow; only allocations inside them are exempt. Weak: another file of this
// suite may give the same list.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:cairo_scaled_font_create\n";
}

using namespace valuetest;

namespace {

const char* const kTrackStyles = R"(  object TwzVisualObject
    ResourceName = 'trackstyle'
    HitTest = False
    object TwzThumb
      ResourceName = 'thumb'
    end
  end
  object TwzVisualObject
    ResourceName = 'trackbarstyle'
    HitTest = False
    object TwzThumb
      ResourceName = 'thumb'
    end
  end
)";

class TrackTest : public ValueControlsTest {
protected:
    void SetUp() override
    {
        ValueControlsTest::SetUp();
        SetSheet(kTrackStyles);
    }

    /// A slider at (10, 10), 100 x 15, of 0 ... 100, with its changes counted.
    TwzTrackBar* Slider()
    {
        auto* track = Add<TwzTrackBar>({ 10, 10, 110, 25 });
        Watch(*track);
        track->OnTracking.Bind<&TReportLog::Tracking>(log);
        return track;
    }
};

} // namespace

TEST_F(TrackTest, ConstructorDefaults)
{
    auto* track = Add<TwzTrack>({ 0, 0, 100, 15 });
    rtl::TOwned<TwzTrack> fresh(new TwzTrack(nullptr));
    EXPECT_EQ(fresh->GetWidth(), 100);
    EXPECT_EQ(fresh->GetHeight(), 15);
    EXPECT_EQ(fresh->GetMax(), 100);
    EXPECT_EQ(fresh->GetMin(), 0);
    EXPECT_TRUE(fresh->GetTracking());
    EXPECT_FALSE(fresh->GetCanFocused());
    auto* bar = Add<TwzTrackBar>({ 0, 20, 100, 35 });
    EXPECT_TRUE(bar->GetCanFocused());
    EXPECT_NE(track->Thumb(), nullptr);
    EXPECT_EQ(track->Thumb()->Track(), track);
}

TEST_F(TrackTest, ValuesClampToTheRangeAndTheViewport)
{
    auto* track = Add<TwzTrack>({ 0, 0, 100, 15 });
    Watch(*track);
    track->SetValue(150);
    EXPECT_EQ(track->GetValue(), 100);
    track->SetValue(-5);
    EXPECT_EQ(track->GetValue(), 0);
    EXPECT_EQ(log->changes, 2);

    track->SetViewportSize(10);
    track->SetValue(95);
    EXPECT_EQ(track->GetValue(), 90);
    // The request differs from the stored 90 before clamping: a change again.
    track->SetValue(95);
    EXPECT_EQ(track->GetValue(), 90);
    EXPECT_EQ(log->changes, 4);
    track->SetValue(90);
    EXPECT_EQ(log->changes, 4) << "a request equal to the value is no change";

    // Max below Min, a viewport above the range.
    track->SetMax(-3);
    EXPECT_FLOAT_EQ(track->GetMax(), 0.001f);
    EXPECT_LE(track->GetViewportSize(), track->GetMax() - track->GetMin());
    track->SetMax(100);
    track->SetViewportSize(500);
    EXPECT_FLOAT_EQ(track->GetViewportSize(), 100);

    // Raising Min above the value leaves it until the next change.
    auto* other = Add<TwzTrack>({ 0, 20, 100, 35 });
    other->SetValue(5);
    other->SetMin(20);
    EXPECT_EQ(other->GetValue(), 5);
    other->SetValue(6);
    EXPECT_EQ(other->GetValue(), 20);
}

TEST_F(TrackTest, FrequencyQuantisesHalvesToEven)
{
    auto* track = Add<TwzTrack>({ 0, 0, 100, 15 });
    track->SetFrequency(0.5f);
    const struct {
        float request;
        float stored;
    } cases[] = { { 1.25f, 1.0f }, { 1.3f, 1.5f }, { 1.75f, 2.0f }, { 2.74f, 2.5f }, { 7.0f, 7.0f } };
    for (const auto& c : cases) {
        track->SetValue(c.request);
        EXPECT_FLOAT_EQ(track->GetValue(), c.stored) << c.request;
    }
    // Setting a frequency rounds the present value.
    track->SetFrequency(0);
    track->SetValue(13.3f);
    track->SetFrequency(5);
    EXPECT_FLOAT_EQ(track->GetValue(), 15);
}

TEST_F(TrackTest, SliderThumbIsSquareAndStaysInside)
{
    auto* track = Add<TwzTrack>({ 0, 0, 100, 15 });
    const struct {
        float value;
        TwzRect rect;
    } cases[] = { { 0, { 0, 0, 14, 15 } }, { 50, { 43, 0, 57, 15 } }, { 100, { 86, 0, 100, 15 } },
        { 3, { 0, 0, 14, 15 } } };
    for (const auto& c : cases) {
        track->SetValue(c.value);
        const TwzRect r = track->GetThumbRect();
        EXPECT_FLOAT_EQ(r.Left, c.rect.Left) << c.value;
        EXPECT_FLOAT_EQ(r.Right, c.rect.Right) << c.value;
        EXPECT_FLOAT_EQ(r.Top, c.rect.Top) << c.value;
        EXPECT_FLOAT_EQ(r.Bottom, c.rect.Bottom) << c.value;
    }
    // The thumb part is placed there.
    track->SetValue(50);
    TwzThumb* thumb = track->Thumb();
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->GetPosition()->GetX(), 43);
    EXPECT_EQ(thumb->GetWidth(), 14);

    // A scroll bar's track: the thumb shows the visible share.
    track->SetViewportSize(25);
    track->SetValue(50);
    const TwzRect r = track->GetThumbRect();
    EXPECT_FLOAT_EQ(r.Left, 50);
    EXPECT_FLOAT_EQ(r.Right, 75);

    // Vertical.
    auto* vertical = Add<TwzTrack>({ 120, 0, 135, 100 });
    vertical->SetOrientation(wzVertical);
    vertical->SetValue(100);
    const TwzRect v = vertical->GetThumbRect();
    EXPECT_FLOAT_EQ(v.Top, 86);
    EXPECT_FLOAT_EQ(v.Bottom, 100);

    // An empty range gives the whole track and presses compute nothing usable; nothing fails.
    rtl::TOwned<TwzTrack> flat(new TwzTrack(nullptr));
    flat->SetMax(0);
    EXPECT_EQ(flat->GetMax(), 0);
    const TwzRect whole = flat->GetThumbRect();
    EXPECT_FLOAT_EQ(whole.Right, 100);
    EXPECT_FLOAT_EQ(whole.Bottom, 15);
    flat->MouseDown(TMouseButton::Left, {}, 50, 5);
    EXPECT_EQ(flat->GetValue(), 0);
}

TEST_F(TrackTest, PressOutsideTheThumbJumpsOrPages)
{
    auto* slider = Slider();
    scene->InjectClick({ 10 + 80, 17 });
    EXPECT_FLOAT_EQ(slider->GetValue(), 80);

    auto* track = Add<TwzTrack>({ 10, 40, 110, 55 });
    track->SetViewportSize(20);
    track->SetValue(0);
    scene->InjectClick({ 10 + 90, 47 });
    EXPECT_FLOAT_EQ(track->GetValue(), 20) << "one page towards the pointer";
    scene->InjectClick({ 10 + 5, 47 });
    EXPECT_FLOAT_EQ(track->GetValue(), 0);
}

TEST_F(TrackTest, NavigationKeysStepAndAreConsumed)
{
    auto* track = Slider();
    track->SetFrequency(5);
    track->SetValue(50);
    log->changes = 0;
    const struct {
        uint16_t key;
        float value;
    } cases[] = { { 39, 55 }, { 40, 60 }, { 37, 55 }, { 38, 50 }, { 35, 100 }, { 36, 0 } };
    for (const auto& c : cases) {
        uint16_t key = c.key;
        char16_t ch = 0;
        track->KeyDown(key, ch, {});
        EXPECT_EQ(key, 0) << c.key;
        EXPECT_FLOAT_EQ(track->GetValue(), c.value) << c.key;
    }
    EXPECT_EQ(log->changes, 6);
    // Keys that do not move the value: consumed, no report with Tracking on.
    uint16_t key = 36;
    char16_t ch = 0;
    track->KeyDown(key, ch, {});
    EXPECT_EQ(key, 0);
    EXPECT_EQ(log->changes, 6);
    key = 65;
    track->KeyDown(key, ch, {});
    EXPECT_EQ(key, 65) << "other keys pass on";

    // Through the host's focus: the track bar takes it.
    track->FocusObject();
    EXPECT_EQ(scene->InjectKey(39), 0);
    EXPECT_FLOAT_EQ(track->GetValue(), 5);
}

TEST_F(TrackTest, WithTrackingOffEachKeyReportsExactlyOnce)
{
    auto* track = Slider();
    track->SetTracking(false);
    track->SetValue(100);
    log->changes = 0;
    uint16_t key = 35; // End at Max
    char16_t ch = 0;
    track->KeyDown(key, ch, {});
    EXPECT_EQ(log->changes, 1);
    key = 37;
    track->KeyDown(key, ch, {});
    EXPECT_EQ(log->changes, 2);
    EXPECT_FLOAT_EQ(track->GetValue(), 99);
    track->SetTracking(true);
    key = 35;
    track->KeyDown(key, ch, {});
    key = 35;
    track->KeyDown(key, ch, {});
    EXPECT_EQ(log->changes, 3) << "End at Max with Tracking on reports nothing";
}

TEST_F(TrackTest, ThumbDragWithTrackingReportsEveryChange)
{
    auto* track = Slider();
    TwzThumb* thumb = track->Thumb();
    ASSERT_NE(thumb, nullptr);
    // The thumb at value 0 spans 10 ... 24 in the scene.
    scene->InjectMouseDown({ 15, 17 });
    EXPECT_TRUE(thumb->GetIsPressed());
    EXPECT_TRUE(track->IsDragging());
    EXPECT_EQ(scene->GetFocused(), track);
    scene->InjectMouseMove({ 40, 17 });
    EXPECT_FLOAT_EQ(track->GetValue(), 30);
    scene->InjectMouseMove({ 60, 30 }); // off the track: captured
    EXPECT_FLOAT_EQ(track->GetValue(), 50);
    scene->InjectMouseMove({ 300, 30 });
    EXPECT_FLOAT_EQ(track->GetValue(), 100);
    EXPECT_EQ(log->changes, 3);
    EXPECT_EQ(log->trackings, 3);
    scene->InjectMouseUp({ 300, 30 });
    EXPECT_EQ(log->changes, 3) << "no extra report at release";
    EXPECT_FALSE(thumb->GetIsPressed());
}

TEST_F(TrackTest, ThumbDragWithoutTrackingReportsOnceAtRelease)
{
    auto* track = Slider();
    track->SetTracking(false);
    scene->InjectMouseDown({ 15, 17 });
    scene->InjectMouseMove({ 40, 17 });
    scene->InjectMouseMove({ 70, 17 });
    EXPECT_FLOAT_EQ(track->GetValue(), 60);
    EXPECT_EQ(log->changes, 0);
    EXPECT_EQ(log->trackings, 2);
    scene->InjectMouseUp({ 70, 17 });
    EXPECT_EQ(log->changes, 1);
    EXPECT_FLOAT_EQ(track->GetValue(), 60);

    // A drag that ends where it began still reports once, whatever the value: also 65535.
    track->SetMax(70000);
    track->SetValue(65535);
    log->changes = 0;
    const TwzRect r = track->GetThumbRect();
    const TwzPoint centre { 10 + (r.Left + r.Right) / 2, 17 };
    scene->InjectMouseDown(centre);
    scene->InjectMouseUp(centre);
    EXPECT_EQ(log->changes, 1);
    EXPECT_FLOAT_EQ(track->GetValue(), 65535);
}

TEST_F(TrackTest, ScrollTrackThumbKeepsItsGrabOffset)
{
    auto* track = Add<TwzTrack>({ 10, 40, 110, 55 });
    track->SetViewportSize(20);
    track->SetValue(40); // the thumb spans 50 ... 70 in the scene
    scene->InjectMouseDown({ 55, 47 }); // 5 into the thumb
    scene->InjectMouseMove({ 65, 47 });
    EXPECT_FLOAT_EQ(track->GetValue(), 50);
    scene->InjectMouseMove({ 200, 47 });
    EXPECT_FLOAT_EQ(track->GetValue(), 80);
    scene->InjectMouseUp({ 200, 47 });
}

TEST_F(TrackTest, BoundValueAndBinding)
{
    auto* track = Add<TwzTrack>({ 0, 0, 100, 15 });
    auto* follower = Add<TwzTrack>({ 0, 20, 100, 35 });
    follower->SetBindingSource(track);
    track->SetValue(42);
    EXPECT_FLOAT_EQ(follower->GetValue(), 42);
    track->SetData(rtl::TValue(int64_t(7)));
    EXPECT_FLOAT_EQ(track->GetValue(), 7);
    EXPECT_FLOAT_EQ(follower->GetValue(), 7);
    EXPECT_EQ(std::get<double>(track->GetData()), 7.0);
}
