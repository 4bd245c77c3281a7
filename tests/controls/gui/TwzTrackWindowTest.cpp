// A track bar in a real window under X: a thumb dragged with the pointer reports every change
// with Tracking on and once, at the release, with Tracking off.

#include "app/Modules.h"
#include "controls/TwzTracks.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/support/SceneWindow.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzScene.h"

#include "tests/support/ModulesEnvironment.h"

#include <gtest/gtest.h>

#include <memory>

using platform::ui::RawButtonEvent;
using platform::ui::RawModifiers;
namespace test = platform::ui::test;

namespace trackwindowtest {

class TChangeCounter : public rtl::TComponent {
    RTL_CLASS(TChangeCounter, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;
    void Change(rtl::TObject*) { ++changes; }
    int changes = 0;

protected:
    ~TChangeCounter() override = default;
};

} // namespace trackwindowtest

RTL_IMPLEMENT_CLASS(trackwindowtest::TChangeCounter)

using trackwindowtest::TChangeCounter;

namespace {

class TrackWindow : public testsupport::SceneWindowTest<TwzScene> {
protected:
    void SetUpWindow() override
    {
        CreateWindow(200, 60);
        counter = new TChangeCounter(owner.get());
        auto* sheet = new TwzResources(owner.get());
        sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16("object TwzBackground\n"
                                                          "  object TwzVisualObject\n"
                                                          "    ResourceName = 'trackbarstyle'\n"
                                                          "    HitTest = False\n"
                                                          "    object TwzThumb\n"
                                                          "      ResourceName = 'thumb'\n"
                                                          "    end\n"
                                                          "  end\n"
                                                          "end\n"));
        scene->SetStyle(sheet);
        auto* root = new TwzBackground(owner.get());
        scene->AddObject(root);
        root->SetBounds(0, 0, 200, 60);
        track = new TwzTrackBar(owner.get());
        track->SetBounds(20, 20, 100, 15);
        track->SetParent(root);
        track->OnChange.Bind<&TChangeCounter::Change>(counter);
        ShowWindow([&] { return track->Thumb() != nullptr; });
    }
    /// Presses on the thumb at value 0 (window 20 ... 34), moves through `xs`, releases at the
    /// last.
    void Drag(std::initializer_list<double> xs)
    {
        test::SendMotion(Host(), 25, 27);
        test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 25, 27);
        double last = 25;
        for (double x : xs) {
            test::SendMotion(Host(), x, 27, RawModifiers { .button1 = true });
            last = x;
        }
        Settle();
        changesBeforeRelease = counter->changes;
        test::SendButton(
            Host(), RawButtonEvent::Type::Release, 1, last, 27, RawModifiers { .button1 = true });
        Settle();
    }

    TwzTrackBar* track = nullptr;
    TChangeCounter* counter = nullptr;
    int changesBeforeRelease = 0;
};

} // namespace

TEST_F(TrackWindow, ThumbDragWithTrackingReportsEachChange)
{
    Drag({ 40, 70, 300 }); // off the window's track: the thumb holds the capture
    EXPECT_FLOAT_EQ(track->GetValue(), 100);
    EXPECT_EQ(changesBeforeRelease, 3);
    EXPECT_EQ(counter->changes, 3);
    EXPECT_EQ(scene->GetFocused(), track);
}

TEST_F(TrackWindow, ThumbDragWithoutTrackingReportsOnceAtTheRelease)
{
    track->SetTracking(false);
    Drag({ 40, 70 });
    EXPECT_FLOAT_EQ(track->GetValue(), 50);
    EXPECT_EQ(changesBeforeRelease, 0);
    EXPECT_EQ(counter->changes, 1);
}
