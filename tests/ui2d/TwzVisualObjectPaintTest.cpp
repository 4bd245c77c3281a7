// Painting and invalidation: the rectangles a change reports to the host, what an update
// rectangle holds, small trees painted into a 64 x 64 bitmap (order, clipping, opacity,
// hidden objects, highlight frames, effects), painting into another canvas and the visual
// brush of the canvas.

#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzVisual.h"
#include "platform/raster/Surface.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/Pixels.h"
#include "ui2d/TwzVisualObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The font libraries keep process-wide caches until the process ends, which the leak
// checker cannot follow; only allocations inside them are exempt.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:cairo_scaled_font_create\n";
}

using namespace ui2dtest;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;

using testsupport::Alpha;
using testsupport::Blue;
using testsupport::Green;
using testsupport::Hex;
using testsupport::Red;

std::string Text(const TwzRect& r)
{
    return "(" + std::to_string(r.Left) + ", " + std::to_string(r.Top) + ", " + std::to_string(r.Right) + ", "
        + std::to_string(r.Bottom) + ")";
}

bool Near(const TwzRect& a, const TwzRect& b, float tolerance = 1e-3f)
{
    return std::fabs(a.Left - b.Left) < tolerance && std::fabs(a.Top - b.Top) < tolerance
        && std::fabs(a.Right - b.Right) < tolerance && std::fabs(a.Bottom - b.Bottom) < tolerance;
}

bool Contains(const TwzRect& outer, const TwzRect& inner)
{
    constexpr float e = 0.01f;
    return outer.Left <= inner.Left + e && outer.Top <= inner.Top + e && outer.Right >= inner.Right - e
        && outer.Bottom >= inner.Bottom - e;
}

/// A box filled with one colour at its absolute opacity; counts its paints and may raise.
class TBox : public TwzVisualObject {
    RTL_CLASS(TBox, TwzVisualObject)
public:
    explicit TBox(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    { }

    TwzColor color = kRed;
    int paints = 0;
    bool raise = false;

    void Paint() override
    {
        ++paints;
        if (raise)
            throw rtl::Exception("paint failed");
        TwzCanvas* canvas = GetCanvas();
        canvas->GetFill().SetStyle(wzBrushSolid);
        canvas->GetFill().SetSolidColor(color);
        canvas->FillRect(GetLocalRect(), 0, 0, {}, GetAbsoluteOpacity());
    }

    using TwzVisualObject::SetIsDragOver;
    using TwzVisualObject::SetIsFocused;
};

RTL_IMPLEMENT_CLASS(TBox)

/// An effect that grows the object by a margin and turns its whole image into one colour.
class TFakeGlow : public TwzObject, public ui2d::IEffectChild, public ui2d::IVisualEffect {
    RTL_CLASS(TFakeGlow, TwzObject)
public:
    explicit TFakeGlow(rtl::TComponent* owner)
        : TwzObject(owner)
    { }

    float margin = 4;
    TwzColor color = kGreen;
    bool enabled = true;
    std::string trigger;
    bool disablePaint = false;
    bool paintAfter = false;
    int renders = 0;
    float lastScale = 0;
    uint32_t seenAtCentre = 0; ///< the object's image, where its centre lies in the bitmap

    [[nodiscard]] bool GetEnabled() const override { return enabled; }
    [[nodiscard]] const std::string& GetTrigger() const override { return trigger; }
    [[nodiscard]] TwzRect GetRect(const TwzRect& r) override
    {
        TwzRect grown = r;
        RectInflate(grown, margin, margin);
        return grown;
    }
    [[nodiscard]] TwzPoint GetOffset() override { return { margin, margin }; }
    void ProcessEffect(TwzCanvas&, TwzBitmap& bitmap, float scale) override
    {
        ++renders;
        lastScale = scale;
        const auto x = static_cast<int32_t>(bitmap.GetWidth() / 2);
        const auto y = static_cast<int32_t>(bitmap.GetHeight() / 2);
        seenAtCentre = bitmap.GetScanline(y)[x];
        bitmap.Clear(color);
    }
    [[nodiscard]] bool GetDisablePaint() const override { return disablePaint; }
    [[nodiscard]] bool GetPaintAfter() const override { return paintAfter; }
    void ApplyTrigger(TwzObject*, const std::string&) override { }
};

RTL_IMPLEMENT_CLASS(TFakeGlow)

/// Receives OnPaint and draws a black corner where the handler's canvas puts local (0, 0).
class TPaintListener : public rtl::TObject {
    RTL_CLASS(TPaintListener, rtl::TObject)
public:
    std::vector<TwzRect> rects;
    void Painted(rtl::TObject*, TwzCanvas* canvas, const TwzRect& rect)
    {
        rects.push_back(rect);
        canvas->GetFill().SetStyle(wzBrushSolid);
        canvas->GetFill().SetSolidColor(0xFF000000);
        canvas->FillRect({ 0, 0, 4, 4 }, 0, 0, {}, 1);
    }
};

RTL_IMPLEMENT_CLASS(TPaintListener)

/// A scene of 64 x 64 pixels painting into a bitmap, with a white root filling it.
class VisualPaint : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        m_previousCanvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
        canvas = std::make_unique<TwzCanvasGdiPlus>(&bitmap);
        form.reset(new TTestObject(nullptr));
        scene = new TestScene(form.get());
        scene->SetCanvas(canvas.get());
        root = Box(nullptr, { 0, 0, 10, 10 }, kWhite, "root");
        scene->AddObject(root);
        scene->SetSize(64, 64);
    }

    void TearDown() override
    {
        form.reset();
        DefaultCanvasClass = m_previousCanvasClass;
        Ui2dTest::TearDown();
    }

    TBox* Box(TwzObject* parent, const TwzRect& box, TwzColor color, const std::string& name = {})
    {
        auto* object = new TBox(form.get());
        if (!name.empty())
            object->SetName(name);
        object->color = color;
        object->SetBounds(box.Left, box.Top, RectWidth(box), RectHeight(box));
        if (parent)
            object->SetParent(parent);
        return object;
    }

    TFakeGlow* Glow(TwzObject* parent, float margin, TwzColor color)
    {
        auto* glow = new TFakeGlow(form.get());
        glow->margin = margin;
        glow->color = color;
        glow->SetParent(parent);
        return glow;
    }

    /// One paint cycle over the whole surface, on a transparent bitmap.
    void PaintAll()
    {
        bitmap.Clear(0);
        scene->ClearUpdateRects();
        scene->AddUpdateRect({ 0, 0, 64, 64 });
        scene->PaintRoots();
    }

    uint32_t Pixel(int x, int y) { return bitmap.GetScanline(y)[x]; }

    /// The rectangles reported since the last clear.
    const std::vector<TwzRect>& Reported() const { return scene->UpdateRects(); }

    TwzBitmap bitmap { 64, 64 };
    std::unique_ptr<TwzCanvasGdiPlus> canvas;
    rtl::TOwned<TTestObject> form;
    TestScene* scene = nullptr;
    TBox* root = nullptr;

private:
    const TwzCanvasClass* m_previousCanvasClass = nullptr;
};

// ---- what a change reports --------------------------------------------------------------------

TEST_F(VisualPaint, ChangesReportTheAreaBeforeAndAfter)
{
    struct Objects {
        TBox* panel;
        TBox* box; // at (10, 10), 20 x 20, in the panel
    };
    struct Case {
        const char* name;
        std::function<void(Objects&)> prepare; // before the reports are cleared
        std::function<void(Objects&)> change;
        std::vector<TwzRect> covered; // each lies inside some reported rectangle
        TwzRect within; // every reported rectangle lies inside; all zero: nothing reported
    };
    auto none = [](Objects&) {};
    const TwzRect box { 10, 10, 30, 30 };
    const Case cases[] = {
        { "moved", none, [](Objects& o) { o.box->GetPosition()->SetX(30); }, { box, { 30, 10, 50, 30 } },
            { 10, 10, 50, 30 } },
        { "grown", none, [](Objects& o) { o.box->SetWidth(40); }, { { 10, 10, 50, 30 } },
            { 10, 10, 50, 30 } },
        { "shrunk", none, [](Objects& o) { o.box->SetHeight(5); }, { box }, box },
        { "turned", none, [](Objects& o) { o.box->SetRotateAngle(45); },
            { box, { 5.858f, 5.858f, 34.142f, 34.142f } }, { 5.85f, 5.85f, 34.15f, 34.15f } },
        { "faded", none, [](Objects& o) { o.box->SetOpacity(0.5f); }, { box }, box },
        { "disabled", none, [](Objects& o) { o.box->SetEnabled(false); }, { box }, box },
        { "hidden", none, [](Objects& o) { o.box->SetVisible(false); }, { box }, box },
        { "shown", [](Objects& o) { o.box->SetVisible(false); }, [](Objects& o) { o.box->SetVisible(true); },
            { box }, box },
        { "brought to front", none, [](Objects& o) { o.box->BringToFront(); }, { box }, box },
        { "a child added", none,
            [this](Objects& o) {
                Box(o.box, { 5, 5, 15, 15 }, kBlue);
            },
            { { 15, 15, 25, 25 } }, box },
        { "a child freed",
            [this](Objects& o) {
                Box(o.box, { 5, 5, 15, 15 }, kBlue, "inner");
            },
            [](Objects& o) { o.box->GetChild(0)->Free(); }, { { 15, 15, 25, 25 } }, box },
        { "children no longer clipped",
            [this](Objects& o) {
                Box(o.box, { 15, 15, 35, 35 }, kBlue);
                o.box->SetClipChildren(true);
            },
            [](Objects& o) { o.box->SetClipChildren(false); }, { { 10, 10, 45, 45 } }, { 10, 10, 45, 45 } },
        { "a hidden object changes", [](Objects& o) { o.box->SetVisible(false); },
            [](Objects& o) { o.box->SetOpacity(0.5f); }, {}, {} },
        { "under a hidden parent", [](Objects& o) { o.panel->SetVisible(false); },
            [](Objects& o) { o.box->GetPosition()->SetX(30); }, {}, {} },
        { "while the host's updates are off", [this](Objects&) { scene->BeginUpdate(); },
            [this](Objects& o) {
                o.box->SetWidth(40);
                scene->EndUpdateNoRepaint();
            },
            {}, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Objects o;
        o.panel = Box(root, { 0, 0, 64, 64 }, kWhite);
        o.box = Box(o.panel, { 10, 10, 30, 30 }, kRed);
        c.prepare(o);
        (void)root->GetUpdateRect();
        scene->ClearUpdateRects();
        c.change(o);

        if (RectIsEmpty(c.within)) {
            EXPECT_TRUE(Reported().empty())
                << Reported().size() << " reported, first " << Text(Reported()[0]);
        }
        for (const TwzRect& area : c.covered) {
            const bool covered = std::any_of(
                Reported().begin(), Reported().end(), [&](const TwzRect& r) { return Contains(r, area); });
            EXPECT_TRUE(covered) << Text(area) << " not reported";
        }
        for (const TwzRect& r : Reported())
            EXPECT_TRUE(Contains(c.within, r)) << Text(r) << " reaches beyond " << Text(c.within);
        o.panel->Free();
    }
}

TEST_F(VisualPaint, UpdateRectangleMakesRoomForFocusDesignMarksAndChildren)
{
    TBox* panel = Box(root, { 10, 10, 30, 30 }, kWhite);
    TBox* child = Box(panel, { 15, 15, 25, 25 }, kRed); // reaches (35, 35) past the panel
    struct Case {
        const char* name;
        std::function<void()> apply;
        TBox* object;
        TwzRect expected;
    };
    const Case cases[] = {
        { "children are included", [] {}, panel, { 10, 10, 35, 35 } },
        { "focused: 5 more on every side",
            [&] {
                child->SetCanFocused(true);
                child->SetIsFocused(true);
            },
            child, { 20, 20, 40, 40 } },
        { "the design selection: grips and caption",
            [&] {
                scene->SetDesignTime(true);
                scene->SetSelectedObject(child);
            },
            child, { 21, 8, 39, 39 } },
        { "the design drop target: a caption at least 160 wide",
            [&] {
                scene->SetDesignTime(true);
                scene->SetDesignDropTarget(child);
            },
            child, { 24, 4, 184, 36 } },
        { "clipped by a clipping parent", [&] { panel->SetClipChildren(true); }, child, { 25, 25, 30, 30 } },
        { "a clipping object leaves its children out", [&] { panel->SetClipChildren(true); }, panel,
            { 10, 10, 30, 30 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.apply();
        c.object->MarkUpdateRectDirty();
        const TwzRect r = c.object->GetUpdateRect();
        EXPECT_TRUE(Near(r, c.expected)) << Text(r);
        // Back to plain.
        child->SetIsFocused(false);
        child->SetCanFocused(false);
        scene->SetSelectedObject(nullptr);
        scene->SetDesignDropTarget(nullptr);
        scene->SetDesignTime(false);
        panel->SetClipChildren(false);
        panel->MarkUpdateRectDirty();
    }
}

TEST_F(VisualPaint, EveryAncestorsUpdateRectangleFollowsAMovedDescendant)
{
    TBox* panel = Box(root, { 0, 0, 40, 40 }, kWhite);
    TBox* group = Box(panel, { 0, 0, 20, 20 }, kWhite);
    TBox* item = Box(group, { 0, 0, 10, 10 }, kRed);
    (void)root->GetUpdateRect();
    item->GetPosition()->SetPoint({ 100, 120 });
    EXPECT_TRUE(Contains(panel->GetUpdateRect(), { 100, 120, 110, 130 })) << Text(panel->GetUpdateRect());
    EXPECT_TRUE(Contains(root->GetUpdateRect(), { 100, 120, 110, 130 })) << Text(root->GetUpdateRect());
}

// ---- painting ---------------------------------------------------------------------------------

TEST_F(VisualPaint, ChildrenPaintInOrderAndAFrontChildIsOnTop)
{
    TBox* first = Box(root, { 8, 8, 32, 32 }, kRed);
    Box(root, { 16, 16, 40, 40 }, kBlue);
    PaintAll();
    EXPECT_EQ(Hex(Pixel(2, 2)), Hex(kWhite));
    EXPECT_EQ(Hex(Pixel(12, 12)), Hex(kRed));
    EXPECT_EQ(Hex(Pixel(20, 20)), Hex(kBlue)) << "the later child paints over the earlier";
    EXPECT_EQ(Hex(Pixel(36, 36)), Hex(kBlue));

    scene->ClearUpdateRects();
    first->BringToFront();
    EXPECT_FALSE(scene->UpdateRects().empty()) << "bringing to front repaints";
    PaintAll();
    EXPECT_EQ(Hex(Pixel(20, 20)), Hex(kRed));
}

TEST_F(VisualPaint, ClippingParentsCutTheirChildren)
{
    TBox* panel = Box(root, { 8, 8, 28, 28 }, kGreen);
    TBox* child = Box(panel, { 10, 10, 40, 40 }, kRed); // (18, 18) to (48, 48) on the surface
    struct Case {
        const char* name;
        bool clip;
        bool canClipped;
        uint32_t outside;
    };
    const Case cases[] = {
        { "not clipped", false, true, kRed },
        { "clipped to the parent", true, true, kWhite },
        { "a child that refuses to be clipped", true, false, kRed },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        panel->SetClipChildren(c.clip);
        child->SetCanClipped(c.canClipped);
        PaintAll();
        EXPECT_EQ(Hex(Pixel(12, 12)), Hex(kGreen));
        EXPECT_EQ(Hex(Pixel(22, 22)), Hex(kRed));
        EXPECT_EQ(Hex(Pixel(40, 40)), Hex(c.outside));
    }
}

TEST_F(VisualPaint, OpacityBlendsWithWhatLiesBelow)
{
    TBox* panel = Box(root, { 8, 8, 40, 40 }, kWhite);
    TBox* child = Box(panel, { 0, 0, 32, 32 }, kRed);
    struct Case {
        const char* name;
        float panel, child;
        uint32_t green; // of red over white
    };
    const Case cases[] = {
        { "opaque", 1, 1, 0 },
        { "a half-transparent child", 1, 0.5f, 128 },
        { "inside a half-transparent parent", 0.5f, 1, 128 },
        { "both halves", 0.5f, 0.5f, 191 },
        { "invisible", 1, 0, 255 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        panel->SetOpacity(c.panel);
        child->SetOpacity(c.child);
        PaintAll();
        const uint32_t pixel = Pixel(20, 20);
        EXPECT_EQ(Red(pixel), 255) << Hex(pixel);
        EXPECT_NEAR(double(Green(pixel)), double(c.green), 2) << Hex(pixel);
        EXPECT_EQ(Green(pixel), Blue(pixel));
    }
}

TEST_F(VisualPaint, HiddenObjectsShowOnlyAtDesignTime)
{
    TBox* hidden = Box(root, { 8, 8, 24, 24 }, kRed);
    hidden->SetVisible(false);
    TBox* designHidden = Box(root, { 32, 8, 48, 24 }, kBlue);
    struct Case {
        const char* name;
        bool designTime;
        bool locked;
        bool designHide;
        uint32_t hiddenShows, designHiddenShows;
    };
    const Case cases[] = {
        { "at run time", false, false, true, kWhite, kBlue },
        { "at design time", true, false, false, kRed, kBlue },
        { "a locked part at design time", true, true, false, kWhite, kBlue },
        { "hidden in the designer", true, false, true, kRed, kWhite },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene->SetDesignTime(c.designTime);
        hidden->SetLocked(c.locked);
        designHidden->SetDesignHide(c.designHide);
        PaintAll();
        EXPECT_EQ(Hex(Pixel(16, 16)), Hex(c.hiddenShows));
        EXPECT_EQ(Hex(Pixel(40, 16)), Hex(c.designHiddenShows));
    }
}

TEST_F(VisualPaint, AClipParentChildKeepsItsAreaFreeOfItsParentOnly)
{
    TBox* panel = Box(root, { 8, 8, 40, 40 }, kGreen);
    auto* hole = new TwzVisualObject(form.get());
    hole->SetBounds(8, 8, 16, 16); // (16, 16) to (32, 32) on the surface
    hole->SetClipParent(true);
    hole->SetParent(panel);
    Box(root, { 20, 20, 28, 28 }, kBlue); // a sibling of the panel, over the hole
    PaintAll();
    EXPECT_EQ(Hex(Pixel(12, 12)), Hex(kGreen));
    EXPECT_EQ(Hex(Pixel(18, 18)), Hex(kWhite)) << "the panel does not paint over the hole";
    EXPECT_EQ(Hex(Pixel(24, 24)), Hex(kBlue)) << "other objects still do";
    EXPECT_EQ(Hex(Pixel(36, 36)), Hex(kGreen));
}

TEST_F(VisualPaint, DragHighlightFramesTheObjectUnlessSwitchedOff)
{
    TBox* target = Box(root, { 8, 8, 40, 40 }, kWhite);
    target->SetIsDragOver(true);
    PaintAll();
    const uint32_t frame = Pixel(9, 24); // on the left edge of the frame
    EXPECT_GT(Blue(frame), Red(frame) + 100) << Hex(frame);
    EXPECT_EQ(Hex(Pixel(24, 24)), Hex(kWhite)) << "a frame, not a fill";

    target->SetDragDisableHighlight(true);
    PaintAll();
    EXPECT_EQ(Hex(Pixel(9, 24)), Hex(kWhite));
}

TEST_F(VisualPaint, OnPaintRunsLastInLocalCoordinates)
{
    TBox* box = Box(root, { 8, 8, 40, 40 }, kRed);
    Box(box, { 0, 0, 32, 32 }, kBlue);
    TPaintListener listener;
    box->OnPaint.Bind<&TPaintListener::Painted>(&listener);
    PaintAll();
    ASSERT_EQ(listener.rects.size(), 1u);
    EXPECT_EQ(listener.rects[0], (TwzRect { 0, 0, 32, 32 }));
    EXPECT_EQ(Hex(Pixel(10, 10)), "FF000000") << "over the children, at the object's corner";
    EXPECT_EQ(Hex(Pixel(20, 20)), Hex(kBlue));
}

TEST_F(VisualPaint, OnlyChildrenMeetingADirtyRectangleArePainted)
{
    TBox* near = Box(root, { 2, 2, 8, 8 }, kRed);
    TBox* far = Box(root, { 40, 40, 50, 50 }, kBlue);
    TBox* farChild = Box(far, { 0, 0, 4, 4 }, kBlue);
    TBox* reaching = Box(root, { 40, 0, 50, 10 }, kBlue);
    Box(reaching, { -38, 2, -34, 6 }, kGreen); // reaches back into the dirty area
    PaintAll();
    const int nearBefore = near->paints;
    const int farBefore = far->paints;
    const int farChildBefore = farChild->paints;
    const int reachingBefore = reaching->paints;

    scene->ClearUpdateRects();
    scene->AddUpdateRect({ 0, 0, 10, 10 });
    scene->PaintRoots();
    EXPECT_EQ(near->paints, nearBefore + 1);
    EXPECT_EQ(far->paints, farBefore);
    EXPECT_EQ(farChild->paints, farChildBefore);
    EXPECT_EQ(reaching->paints, reachingBefore + 1) << "a child's reach counts for its parent";
}

// ---- effects ----------------------------------------------------------------------------------

TEST_F(VisualPaint, EffectsPaintUnderOrOverTheObjectOrReplaceIt)
{
    TBox* box = Box(root, { 24, 24, 40, 40 }, kRed);
    TFakeGlow* glow = Glow(box, 4, kGreen);
    struct Case {
        const char* name;
        bool disablePaint, paintAfter;
        uint32_t centre;
    };
    const Case cases[] = {
        { "under the object", false, false, kRed },
        { "replacing the object", true, false, kGreen },
        { "over the object", false, true, kGreen },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glow->disablePaint = c.disablePaint;
        glow->paintAfter = c.paintAfter;
        box->UpdateEffects();
        PaintAll();
        EXPECT_EQ(Hex(glow->seenAtCentre), Hex(kRed)) << "the effect gets the object's image";
        EXPECT_EQ(Hex(Pixel(32, 32)), Hex(c.centre));
        EXPECT_EQ(Hex(Pixel(22, 32)), Hex(kGreen)) << "the ring the effect adds";
        EXPECT_EQ(Hex(Pixel(42, 32)), Hex(kGreen));
        EXPECT_EQ(Hex(Pixel(18, 32)), Hex(kWhite));
        EXPECT_EQ(Hex(Pixel(46, 32)), Hex(kWhite));
    }
}

TEST_F(VisualPaint, EffectImagesAreReusedUntilMarked)
{
    TBox* box = Box(root, { 24, 24, 40, 40 }, kRed);
    TFakeGlow* glow = Glow(box, 4, kGreen);
    PaintAll();
    EXPECT_EQ(glow->renders, 1);
    PaintAll();
    EXPECT_EQ(glow->renders, 1) << "a plain repaint draws the kept image";
    EXPECT_EQ(Hex(Pixel(22, 32)), Hex(kGreen));

    box->GetPosition()->SetX(20);
    PaintAll();
    EXPECT_EQ(glow->renders, 2) << "moved";
    box->UpdateEffects();
    PaintAll();
    EXPECT_EQ(glow->renders, 3) << "marked by the effect";

    // Matrices rebuilt as they were (a layout that puts everything back where it was, as a
    // control's style copy is laid out again after each edit) leave the image as it is.
    root->RecalcAbsolute();
    box->SetBounds(20, 24, 16, 16);
    box->GetPosition()->SetPoint({ 20, 24 });
    PaintAll();
    EXPECT_EQ(glow->renders, 3) << "nothing moved";
    EXPECT_EQ(Hex(Pixel(18, 32)), Hex(kGreen));
    root->GetScale()->SetX(1.5f);
    PaintAll();
    EXPECT_EQ(glow->renders, 4) << "scaled with its parent";
    root->GetScale()->SetX(1);
    PaintAll();
    EXPECT_EQ(glow->renders, 5) << "scaled back";
    TBox* spot = Box(box, { 2, 2, 4, 4 }, kBlue);
    PaintAll();
    EXPECT_EQ(glow->renders, 6) << "a child added";
    spot->SetVisible(false);
    PaintAll();
    EXPECT_EQ(glow->renders, 7) << "a child hidden";

    glow->disablePaint = true;
    PaintAll();
    PaintAll();
    EXPECT_EQ(glow->renders, 9) << "an image that replaces the object is rendered every time";
}

TEST_F(VisualPaint, SeveralEffectsEachKeepTheirOwnImage)
{
    TBox* box = Box(root, { 24, 24, 40, 40 }, kRed);
    Glow(box, 8, kBlue);
    Glow(box, 4, kGreen);
    for (const char* pass : { "rendered", "reused" }) {
        SCOPED_TRACE(pass);
        PaintAll();
        EXPECT_EQ(Hex(Pixel(18, 32)), Hex(kBlue));
        EXPECT_EQ(Hex(Pixel(22, 32)), Hex(kGreen));
        EXPECT_EQ(Hex(Pixel(32, 32)), Hex(kRed));
    }
}

TEST_F(VisualPaint, EffectsCountOnlyWhileEnabledAndNotSwitchedOff)
{
    TBox* box = Box(root, { 24, 24, 40, 40 }, kRed);
    TFakeGlow* glow = Glow(box, 4, kGreen);
    struct Case {
        const char* name;
        bool enabled;
        std::string trigger;
        bool disableEffect;
        bool hasEffects;
        TwzRect update;
        uint32_t ring;
    };
    const Case cases[] = {
        { "enabled", true, "", false, true, { 20, 20, 44, 44 }, kGreen },
        { "off, but a trigger may switch it on", false, "IsMouseOver=true", false, true, { 24, 24, 40, 40 },
            kWhite },
        { "off", false, "", false, false, { 24, 24, 40, 40 }, kWhite },
        { "the object's effects switched off", true, "", true, false, { 24, 24, 40, 40 }, kWhite },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glow->enabled = c.enabled;
        glow->trigger = c.trigger;
        box->SetDisableEffect(c.disableEffect);
        box->RecalcHasEffects();
        box->UpdateEffects();
        box->MarkUpdateRectDirty();
        EXPECT_EQ(box->HasEffects(), c.hasEffects);
        EXPECT_TRUE(Near(box->GetUpdateRect(), c.update)) << Text(box->GetUpdateRect());
        PaintAll();
        EXPECT_EQ(Hex(Pixel(22, 32)), Hex(c.ring));
        EXPECT_EQ(Hex(Pixel(32, 32)), Hex(kRed));
    }
}

TEST_F(VisualPaint, EffectsRenderAtDeviceScaleAndUprightForMirroredObjects)
{
    TBox* panel = Box(root, { 0, 0, 32, 32 }, kWhite);
    panel->GetScale()->SetPoint({ 2, 2 });
    TBox* box = Box(panel, { 8, 8, 16, 16 }, kRed); // (16, 16) to (32, 32) on the surface
    TFakeGlow* glow = Glow(box, 2, kGreen);
    PaintAll();
    EXPECT_EQ(glow->lastScale, 2);
    EXPECT_EQ(Hex(glow->seenAtCentre), Hex(kRed));
    EXPECT_EQ(Hex(Pixel(14, 24)), Hex(kGreen));
    EXPECT_EQ(Hex(Pixel(24, 24)), Hex(kRed));

    // Mirrored: the object covers (0, 16) to (16, 32).
    box->GetScale()->SetX(-1);
    PaintAll();
    EXPECT_EQ(glow->lastScale, 2);
    EXPECT_EQ(Hex(glow->seenAtCentre), Hex(kRed));
    EXPECT_EQ(Hex(Pixel(8, 24)), Hex(kRed));
    EXPECT_EQ(Hex(Pixel(18, 24)), Hex(kGreen));
}

// ---- painting into another canvas -------------------------------------------------------------

TEST_F(VisualPaint, PaintToFitsTheObjectIntoTheRectangleAndPutsEverythingBack)
{
    root->SetOpacity(0.5f);
    TBox* box = Box(root, { 24, 24, 40, 40 }, kRed);
    Box(box, { 8, 8, 16, 16 }, kBlue);
    box->SetRotateAngle(45);
    const TwzRect absolute = box->GetAbsoluteRect();
    const TwzMatrix matrix = box->GetAbsoluteMatrix();
    (void)root->GetUpdateRect();

    TwzBitmap target(32, 32);
    TwzCanvasGdiPlus targetCanvas(&target);
    for (bool updatesOff : { false, true }) {
        SCOPED_TRACE(updatesOff ? "the host's updates were off" : "the host's updates were on");
        scene->SetDisableUpdate(updatesOff);
        scene->ClearUpdateRects();
        target.Clear(0);
        box->PaintTo(targetCanvas, { 0, 0, 32, 32 }, nullptr);

        EXPECT_EQ(Hex(target.GetScanline(4)[4]), Hex(kRed)) << "upright, opaque and twice the size";
        EXPECT_EQ(Hex(target.GetScanline(20)[20]), Hex(kBlue));
        EXPECT_EQ(scene->GetDisableUpdate(), updatesOff);
        EXPECT_TRUE(scene->UpdateRects().empty()) << "nothing repainted on the way back";
        EXPECT_EQ(box->GetRotateAngle(), 45);
        EXPECT_EQ(box->GetAbsoluteMatrix(), matrix);
        EXPECT_TRUE(Near(box->GetAbsoluteRect(), absolute));
        EXPECT_FLOAT_EQ(box->GetAbsoluteOpacity(), 0.5f);
        EXPECT_EQ(box->GetCanvas(), canvas.get());
        EXPECT_TRUE(targetCanvas.SaveStates().empty() || targetCanvas.SaveStates().front().StateId == -1);
    }
    scene->SetDisableUpdate(false);
}

TEST_F(VisualPaint, PaintToWithoutAreaOrHostDrawsNothing)
{
    TwzBitmap target(16, 16);
    TwzCanvasGdiPlus targetCanvas(&target);
    TBox* flat = Box(root, { 0, 0, 0, 10 }, kRed);
    flat->PaintTo(targetCanvas, { 0, 0, 16, 16 }, nullptr);
    EXPECT_EQ(flat->paints, 0);
    EXPECT_FALSE(scene->GetDisableUpdate());

    TBox* detached = Box(nullptr, { 0, 0, 10, 10 }, kRed);
    detached->PaintTo(targetCanvas, { 0, 0, 16, 16 }, nullptr);
    EXPECT_EQ(detached->paints, 0);
    EXPECT_EQ(target.GetScanline(8)[8], 0u);
    detached->Free();
}

TEST_F(VisualPaint, PaintToPutsEverythingBackWhenPaintingRaises)
{
    TBox* box = Box(root, { 24, 24, 40, 40 }, kRed);
    TBox* child = Box(box, { 0, 0, 8, 8 }, kBlue);
    child->raise = true;
    const TwzRect absolute = child->GetAbsoluteRect();
    TwzBitmap target(32, 32);
    TwzCanvasGdiPlus targetCanvas(&target);
    EXPECT_THROW(box->PaintTo(targetCanvas, { 0, 0, 32, 32 }, nullptr), rtl::Exception);

    EXPECT_FALSE(scene->GetDisableUpdate());
    EXPECT_EQ(box->GetPosition()->GetPoint(), (TwzPoint { 24, 24 }));
    EXPECT_EQ(box->GetScale()->GetPoint(), (TwzPoint { 1, 1 }));
    EXPECT_TRUE(Near(child->GetAbsoluteRect(), absolute));
    EXPECT_EQ(child->GetCanvas(), canvas.get());
    EXPECT_TRUE(targetCanvas.SaveStates().empty() || targetCanvas.SaveStates().front().StateId == -1);

    // Still usable: the next ordinary paint goes to the host's canvas.
    child->raise = false;
    PaintAll();
    EXPECT_EQ(Hex(Pixel(28, 28)), Hex(kBlue));
}

TEST_F(VisualPaint, PaintToPaintsChildEffectsInsideThePass)
{
    TBox* box = Box(root, { 0, 0, 16, 16 }, kRed);
    TBox* inner = Box(box, { 4, 4, 12, 12 }, kBlue);
    Glow(inner, 2, kGreen);
    TwzBitmap target(32, 32);
    TwzCanvasGdiPlus targetCanvas(&target);
    box->PaintTo(targetCanvas, { 0, 0, 32, 32 }, nullptr);
    EXPECT_EQ(Hex(target.GetScanline(2)[2]), Hex(kRed));
    EXPECT_EQ(Hex(target.GetScanline(6)[16]), Hex(kGreen)) << "the inner object's glow";
    EXPECT_EQ(Hex(target.GetScanline(16)[16]), Hex(kBlue)) << "the pass goes on in the same canvas";
    EXPECT_FALSE(scene->GetDisableUpdate());
}

// ---- the visual brush -------------------------------------------------------------------------

TEST_F(VisualPaint, AVisualBrushPaintsATree)
{
    TBox* picture = Box(root, { 24, 24, 40, 40 }, kRed);
    Box(picture, { 8, 8, 16, 16 }, kBlue);

    TwzCanvasGdiPlus brushCanvas(32, 32);
    brushCanvas.SetMatrix(IdentityMatrix);
    brushCanvas.ClearRect({ 0, 0, 32, 32 }, 0);
    brushCanvas.GetFill().SetStyle(wzBrushVisual);
    brushCanvas.GetFill().GetVisual()->SetVisualObject(picture);
    auto pixel = [&](int x, int y) { return brushCanvas.GetBufferSurface()->Pixel(x, y); };

    brushCanvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    EXPECT_EQ(Hex(pixel(4, 4)), Hex(kRed));
    EXPECT_EQ(Hex(pixel(20, 20)), Hex(kBlue));

    brushCanvas.ClearRect({ 0, 0, 32, 32 }, 0);
    (void)root->GetUpdateRect();
    scene->ClearUpdateRects();
    brushCanvas.FillRect({ 0, 0, 16, 16 }, 0, 0, {}, 0.5f);
    EXPECT_TRUE(scene->UpdateRects().empty()) << "lending the object an opacity repaints nothing";
    EXPECT_NEAR(double(Alpha(pixel(2, 2))), 128, 2) << "at the brush's opacity";
    EXPECT_EQ(pixel(20, 20), 0u) << "inside the filled rectangle only";
    EXPECT_EQ(picture->GetOpacity(), 1) << "the object's own opacity comes back";
    EXPECT_EQ(picture->GetPosition()->GetPoint(), (TwzPoint { 24, 24 }));

    // An object outside any host has nothing to paint with.
    picture->SetParent(nullptr);
    brushCanvas.ClearRect({ 0, 0, 32, 32 }, 0);
    brushCanvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    EXPECT_EQ(pixel(4, 4), 0u);
    picture->Free();
}

} // namespace
