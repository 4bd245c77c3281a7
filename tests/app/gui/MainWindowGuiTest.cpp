// The designer's main window on the real window system: it starts and shows the lettering on
// the checkerboard, a drag over the empty view orbits the camera, text typed into the memo
// changes the lettering on screen, the view and its panels follow each resize of the window,
// and the wheel loses no notch and never brings the lettering over the panels. Screenshots of
// the window are left as artefacts.

#include "app/MainForm.h"
#include "app/Modules.h"

#include "controls/TwzMemo.h"
#include "graphics/TwzBitmap.h"
#include "layers/ThvObjectLayer.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvText3D.h"
#include "tests/MissingDisplay.h"
#include "tests/app/gui/MainWindowFixture.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/support/Pixels.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using platform::ui::RawButtonEvent;
using platform::ui::Rect;
namespace test = platform::ui::test;

namespace {

class MainWindow : public apptest::MainWindowTest {
protected:
    /// The pixels of `r` once at least `minimum` of them differ from `before` (or the last
    /// read when that never happens): frames are presented when the loop gets to them.
    std::vector<uint32_t> PixelsChangedFrom(
        const std::vector<uint32_t>& before, const Rect& r, size_t minimum)
    {
        std::vector<uint32_t> now;
        uitest::RunUntil([&] {
            Settle();
            now = Pixels(r);
            return Differing(before, now) >= minimum;
        });
        return now;
    }
    /// The window's pixels, read with the window on top: the windows of tests running beside
    /// this one on the same display must not cover it.
    std::vector<uint32_t> Pixels(const Rect& r)
    {
        test::Raise(*form->GetWindow());
        test::Sync();
        return test::ReadPixels(Host(), r);
    }
    static size_t Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
    {
        size_t count = 0;
        for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
            count += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
        return count;
    }
    void Drag(double x0, double y0, double x1, double y1)
    {
        test::SendMotion(Host(), x0, y0);
        test::SendButton(Host(), RawButtonEvent::Type::Press, 1, x0, y0);
        Settle();
        for (int step = 1; step <= 4; ++step) {
            test::SendMotion(
                Host(), x0 + (x1 - x0) * step / 4, y0 + (y1 - y0) * step / 4, { .button1 = true });
            Settle();
        }
        test::SendButton(Host(), RawButtonEvent::Type::Release, 1, x1, y1, { .button1 = true });
        Settle();
    }
    void SaveScreenshot(const char* name)
    {
        const int32_t w = form->GetClientWidth();
        const int32_t h = form->GetClientHeight();
        const std::vector<uint32_t> pixels = Pixels({ 0, 0, w, h });
        if (pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
            return;
        TwzBitmap shot(w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                shot.GetScanline(y)[x] = pixels[static_cast<size_t>(y) * w + x] | 0xFF000000u;
        shot.SaveToFile(std::string(GF_TEST_OUTPUT) + "/" + name);
    }
};

} // namespace

TEST_F(MainWindow, StartsOrbitsByDraggingAndShowsTypedTextInTheLettering)
{
    // The whole client area is the scene, the tool bar on top and the inspector at the bottom.
    EXPECT_EQ(form->hvScene1->GetWidth(), form->GetClientWidth());
    EXPECT_EQ(form->hvScene1->GetHeight(), form->GetClientHeight());
    SaveScreenshot("main-window.png");
    // Showing the inspector's image controls changes no face to picture mode.
    EXPECT_EQ(form->Text->GetMaterial()->GetBitmap(), "");
    EXPECT_EQ(form->Text->GetMaterialLeft()->GetBitmap(), "");
    const Rect view { 100, 120, 600, 480 };
    const std::vector<uint32_t> start = Pixels(view);
    ASSERT_FALSE(start.empty());

    // A drag over the empty middle of the view turns the camera by one degree a pixel.
    Drag(350, 430, 410, 460);
    EXPECT_NEAR(form->CameraZ->GetRotateAngle()->GetZ(), 60, 1.01);
    EXPECT_NEAR(form->CameraX->GetRotateAngle()->GetX(), 63, 1.01);
    EXPECT_FALSE(form->GetOrbiting());
    const std::vector<uint32_t> turned = PixelsChangedFrom(start, view, start.size() / 20);
    EXPECT_GE(Differing(start, turned), start.size() / 20) << "the view did not turn on screen";

    // A click into the memo, End and two typed letters: the lettering follows.
    ASSERT_NE(form->textEditor, nullptr);
    ASSERT_NE(form->Inspector, nullptr);
    const TwzRect memo = form->textEditor->GetAbsoluteRect();
    const float layerTop = static_cast<float>(form->GetClientHeight()) - form->Inspector->GetHeight();
    const double mx = (memo.Left + memo.Right) / 2;
    const double my = layerTop + (memo.Top + memo.Bottom) / 2;
    test::SendMotion(Host(), mx, my);
    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, mx, my);
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, mx, my, { .button1 = true });
    Settle();
    EXPECT_FALSE(form->GetOrbiting()) << "a press on the inspector reached the view";
    for (const char* key : { "End", "W", "W" }) {
        test::SendKey(Host(), true, key);
        test::SendKey(Host(), false, key);
    }
    Settle();
    EXPECT_EQ(form->textEditor->GetText(), u"GlyphforgeWW");
    EXPECT_EQ(form->Text->GetText(), u"GlyphforgeWW");
    const std::vector<uint32_t> typed = PixelsChangedFrom(turned, view, turned.size() / 50);
    EXPECT_GE(Differing(turned, typed), turned.size() / 50) << "the lettering did not change on screen";
    SaveScreenshot("main-window-typed.png");

    // The scene follows the window's size.
    form->GetWindow()->SetClientSize(760, 650);
    EXPECT_TRUE(uitest::RunUntil([&] {
        Settle();
        return form->hvScene1->GetWidth() == 760 && form->hvScene1->GetHeight() == 650;
    }));
}

TEST_F(MainWindow, TheViewAndItsPanelsFollowEachResizeOfTheWindowAtOnce)
{
    // The inspector docked at the bottom is dark grey; what lies under a view left at an old
    // size (the window's own background) and the checkerboard are light.
    const auto darkShare = [&](int32_t width, int32_t height) {
        test::Raise(*form->GetWindow());
        const std::vector<uint32_t> band
            = test::ReadFormPixels(*form->GetWindow(), Rect { 0, height - 4, width, height });
        const size_t dark = std::count_if(band.begin(), band.end(), [](uint32_t p) {
            return ((p >> 16) & 0xFF) < 0xA0 && ((p >> 8) & 0xFF) < 0xA0 && (p & 0xFF) < 0xA0;
        });
        return band.size() == static_cast<size_t>(width) * 4 ? static_cast<double>(dark) / band.size() : 0.0;
    };
    ASSERT_GT(darkShare(form->GetClientWidth(), form->GetClientHeight()), 0.95);

    // Resized as a window manager does it, three times: each time the scene, its layers and
    // the docked inspector take the new size, and the inspector shows at the new bottom edge.
    for (const auto& [w, h] : { std::pair { 900, 760 }, std::pair { 640, 520 }, std::pair { 820, 600 } }) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const int paints = test::PaintCount(Host());
        test::ResizeFromOutside(*form->GetWindow(), w, h);
        ASSERT_TRUE(uitest::RunUntil([&] {
            Settle();
            return form->GetClientWidth() == w && form->GetClientHeight() == h
                && test::PaintCount(Host()) > paints;
        }));
        Settle();
        ThvCanvas* canvas = form->hvScene1->GetCanvas();
        ASSERT_NE(canvas, nullptr);
        EXPECT_EQ(canvas->GetWidth(), w);
        EXPECT_EQ(canvas->GetHeight(), h);
        EXPECT_EQ(form->Inspector->GetWidth(), static_cast<float>(w));
        EXPECT_FLOAT_EQ(
            form->Inspector->GetPosition()->GetY() + form->Inspector->GetHeight() / 2, static_cast<float>(h));
        EXPECT_GT(darkShare(w, h), 0.95) << "the new bottom edge does not show the inspector";
    }
    SaveScreenshot("main-window-resized.png");
}

TEST_F(MainWindow, TheWheelLosesNoNotchAndThePanelsStayOnTopWhenItBringsTheLetteringPastTheCamera)
{
    const int32_t w = form->GetClientWidth();
    const int32_t h = form->GetClientHeight();
    const int32_t toolBar = static_cast<int32_t>(form->ToolBar->GetHeight());
    const int32_t inspector = static_cast<int32_t>(form->Inspector->GetHeight());
    const Rect top { 0, 0, w, toolBar };
    // The inspector without its scroll bar, which lets what lies behind show through.
    const Rect bottom { 0, h - inspector, w, h - 12 };
    const Rect view { 0, toolBar + 10, w, h - inspector - 10 };
    const std::vector<uint32_t> topBefore = Pixels(top);
    const std::vector<uint32_t> bottomBefore = Pixels(bottom);
    const std::vector<uint32_t> viewBefore = Pixels(view);
    // Of the panels' dark body (the checkerboard shows through their transparent parts, and
    // the letters may show there too), the share still shown alike; the panels are slightly
    // translucent, so what lies behind may tint them a little.
    const auto kept = [](const std::vector<uint32_t>& before, const std::vector<uint32_t>& after) {
        size_t body = 0;
        size_t same = 0;
        for (size_t i = 0; i < std::min(before.size(), after.size()); ++i) {
            if (testsupport::Blue(before[i]) >= 0x90 || testsupport::Green(before[i]) >= 0x90
                || testsupport::Red(before[i]) >= 0x90)
                continue;
            ++body;
            same += testsupport::ChannelsNear(before[i], after[i], 16, false);
        }
        return body == 0 ? 0.0 : static_cast<double>(same) / static_cast<double>(body);
    };
    const auto changed = [](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
        size_t count = 0;
        for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
            count += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
        return a.empty() ? 0.0 : static_cast<double>(count) / static_cast<double>(a.size());
    };

    // Forward notches over the view until the camera stands just before the lettering, whose
    // frame slab and walls then fill the view and reach past the panels.
    test::SendMotion(Host(), w / 2.0, h / 2.0);
    Settle();
    const float start = form->Camera1->GetPosition()->GetY();
    // No notch is lost on the way: ten back, thirty-five forward and twenty-five back return
    // the camera to where it stood, from a wheel of notches and from a smooth one alike.
    for (const bool smooth : { false, true }) {
        SCOPED_TRACE(smooth ? "smooth" : "notches");
        for (const auto& [count, forward] :
            { std::pair { 10, false }, std::pair { 35, true }, std::pair { 25, false } })
            for (int i = 0; i < count; ++i) {
                using Direction = platform::ui::RawScrollEvent::Direction;
                if (smooth)
                    test::SendScroll(Host(), Direction::Smooth, forward ? -1 : 1, w / 2.0, h / 2.0);
                else
                    test::SendScroll(Host(), forward ? Direction::Up : Direction::Down, 0, w / 2.0, h / 2.0);
            }
        EXPECT_NEAR(form->Camera1->GetPosition()->GetY(), start, 1e-4);
    }
    const int notches = static_cast<int>(std::lround((-1.4f - start) / 0.4f));
    ASSERT_GT(notches, 0);
    for (int i = 0; i < notches; ++i)
        test::SendScroll(Host(), platform::ui::RawScrollEvent::Direction::Up, 0, w / 2.0, h / 2.0);
    EXPECT_NEAR(form->Camera1->GetPosition()->GetY(), start + 0.4f * notches, 1e-3);
    const std::vector<uint32_t> viewClose = PixelsChangedFrom(viewBefore, view, viewBefore.size() / 2);
    ASSERT_GT(changed(viewBefore, viewClose), 0.5) << "the lettering does not fill the view";
    SaveScreenshot("main-window-close.png");
    EXPECT_GT(kept(topBefore, Pixels(top)), 0.97) << "the lettering covers the tool bar";
    EXPECT_GT(kept(bottomBefore, Pixels(bottom)), 0.97) << "the lettering covers the inspector";
}
