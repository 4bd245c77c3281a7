// Scroll box: the content object under the viewport, the bars it drives, scrolling by bars,
// wheel and mouse tracking, update counting, hit testing of scrolled-out children, the
// vertical variant and streaming of the children.

#include "ControlsTest.h"
#include "ScrollBoxTestSupport.h"

#include "controls/TwzListBox.h"
#include "graphics/TwzBrush.h"

#include "graphics/TwzBounds.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/Streams.h"
#include "ui2d/TwzPropertyAnimations.h"

using namespace scrollboxtest;

namespace {

class ScrollBoxTest : public ScrollBoxTestBase {
protected:
    /// A styled box, 100 x 100 at the scene's origin by default (left, top, right, bottom).
    TwzScrollBox* Box(TwzRect r = { 0, 0, 100, 100 })
    {
        auto* box = Add<TwzScrollBox>(r);
        EXPECT_NE(box->GetContentPart(), nullptr);
        return box;
    }
};

/// Records what the content object asks the box to paint.
class TRecordingBox : public TwzScrollBox {
public:
    using TwzScrollBox::TwzScrollBox;
    void PaintContent(TwzCanvas&, const TwzRect& rect) override
    {
        ++calls;
        lastRect = rect;
    }
    int calls = 0;
    TwzRect lastRect {};

protected:
    ~TRecordingBox() override = default;
};

} // namespace

TEST_F(ScrollBoxTest, ConstructorStateAndParts)
{
    auto* box = Box();
    EXPECT_TRUE(box->GetAutoHide());
    EXPECT_TRUE(box->GetAnimated());
    EXPECT_TRUE(box->GetShowScrollBars());
    EXPECT_FALSE(box->GetMouseTracking());
    EXPECT_TRUE(box->GetAutoCapture());
    EXPECT_TRUE(box->GetDisableEffect());
    TwzScrollContent* content = box->GetContent();
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->GetParent(), box);
    EXPECT_FALSE(content->GetStored());
    EXPECT_FALSE(content->GetHitTest());
    EXPECT_TRUE(content->GetClipChildren());
    EXPECT_EQ(box->GetVScrollBar(), Part(*box, "vscrollbar"));
    EXPECT_EQ(box->GetHScrollBar(), Part(*box, "hscrollbar"));
    EXPECT_EQ(box->GetVScrollBar()->GetTag(), vaRight) << "the style's alignment is kept in the Tag";
    EXPECT_FALSE(Part(*box, "sizegrip")->GetVisible());
    box->SetShowSizeGrip(true);
    EXPECT_TRUE(Part(*box, "sizegrip")->GetVisible());

    // Children go into the content object, the style stays the box's own.
    TwzVisualObject* child = AddChild(*box, { 0, 0, 10, 10 });
    EXPECT_EQ(child->GetParent(), content);
    EXPECT_EQ(box->GetChild(0), box->GetAppliedStyle());
}

TEST_F(ScrollBoxTest, EmptyContentHidesBothBarsAndLetsTheWheelBubble)
{
    auto* box = Box();
    box->RealignChildren();
    const TwzRect bounds = box->GetContentBounds();
    EXPECT_EQ(bounds, box->GetContentPart()->GetLocalRect());
    EXPECT_FALSE(box->GetVScrollBar()->GetEnabled());
    EXPECT_FALSE(box->GetVScrollBar()->GetVisible());
    EXPECT_FALSE(box->GetHScrollBar()->GetVisible());
    EXPECT_EQ(box->GetContentPart()->GetWidth(), 100);
    EXPECT_EQ(box->GetContentPart()->GetHeight(), 100);
    scene->SetMousePos({ 50, 50 });
    EXPECT_FALSE(scene->InjectWheel(-120));
}

TEST_F(ScrollBoxTest, BarsFollowTheContentExtent)
{
    // Child extent, then: vertical enabled, horizontal enabled, viewport width and height.
    struct Case {
        TwzRect child;
        bool vertical, horizontal;
        float viewportWidth, viewportHeight;
    };
    const Case cases[] = {
        { { 0, 0, 50, 300 }, true, false, 90, 100 },
        { { 0, 0, 300, 50 }, false, true, 100, 90 },
        { { 0, 0, 300, 300 }, true, true, 90, 90 },
        { { 0, 0, 100, 100 }, false, false, 100, 100 }, // exactly the viewport: no bar
        { { 0, 0, 95, 100 }, false, false, 100, 100 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << RectWidth(c.child) << "x" << RectHeight(c.child));
        auto* box = Box();
        AddChild(*box, c.child);
        box->RealignChildren();
        EXPECT_EQ(box->GetVScrollBar()->GetEnabled(), c.vertical);
        EXPECT_EQ(box->GetVScrollBar()->GetVisible(), c.vertical);
        EXPECT_EQ(box->GetHScrollBar()->GetEnabled(), c.horizontal);
        EXPECT_EQ(box->GetContentPart()->GetWidth(), c.viewportWidth);
        EXPECT_EQ(box->GetContentPart()->GetHeight(), c.viewportHeight);
        if (c.vertical) {
            EXPECT_EQ(box->GetVScrollBar()->GetMax(), RectHeight(c.child));
            EXPECT_EQ(box->GetVScrollBar()->GetViewportSize(), c.viewportHeight);
            EXPECT_EQ(box->GetVScrollBar()->GetSmallChange(), c.viewportHeight / 5);
        }
        if (c.vertical && c.horizontal) {
            EXPECT_EQ(box->GetHScrollBar()->GetPadding()->GetRight(), 10)
                << "the horizontal track stops short of the corner";
        }
        box->Free();
    }
}

TEST_F(ScrollBoxTest, BarValuesMoveTheContentAndHitTestingStaysInTheViewport)
{
    auto* box = Box();
    TwzVisualObject* top = AddChild(*box, { 0, 0, 80, 50 });
    TwzVisualObject* bottom = AddChild(*box, { 0, 250, 80, 300 });
    top->SetHitTest(true);
    bottom->SetHitTest(true);
    box->RealignChildren();
    TwzScrollBar* bar = box->GetVScrollBar();
    ASSERT_TRUE(bar->GetVisible());

    EXPECT_EQ(scene->ObjectAt({ 40, 20 }), top);
    EXPECT_NE(scene->ObjectAt({ 40, 260 }), bottom) << "a child scrolled out of the viewport is not hit";
    EXPECT_EQ(box->GetContent()->GetClipRect(), (TwzRect { 0, 0, 90, 100 }));

    bar->SetValue(220);
    EXPECT_EQ(box->GetVScrollOffset(), 200) << "clamped to Max - ViewportSize";
    EXPECT_EQ(box->GetContent()->GetPosition()->GetY(), -200);
    EXPECT_EQ(box->GetContent()->GetClipRect(), (TwzRect { 0, 200, 90, 300 }));
    EXPECT_EQ(scene->ObjectAt({ 40, 60 }), bottom);
    EXPECT_NE(scene->ObjectAt({ 40, 20 }), top);
    EXPECT_EQ(bottom->GetAbsoluteRect().Top, 50);

    // The offset survives a realignment; content that shrank pulls it back into range.
    box->RealignChildren();
    EXPECT_EQ(box->GetContent()->GetPosition()->GetY(), -200);
    bottom->SetHeight(10);
    EXPECT_EQ(bar->GetMax(), 260);
    EXPECT_EQ(bar->GetValue(), 160);
    EXPECT_EQ(box->GetContent()->GetPosition()->GetY(), -160);
    bottom->Free();
    box->RealignChildren();
    EXPECT_FALSE(bar->GetVisible()) << "content back inside the viewport hides the bar";
    EXPECT_EQ(box->GetContent()->GetPosition()->GetY(), 0);
}

TEST_F(ScrollBoxTest, WheelScrollsVerticallyElseHorizontallyWithoutAnimation)
{
    auto* box = Box();
    box->SetAnimated(false);
    AddChild(*box, { 0, 0, 80, 500 });
    box->RealignChildren();
    scene->SetMousePos({ 40, 40 });
    // SmallChange is 100 / 5 = 20: a notch moves 60.
    EXPECT_TRUE(scene->InjectWheel(-120));
    EXPECT_EQ(box->GetVScrollBar()->GetValue(), 60);
    EXPECT_TRUE(scene->InjectWheel(240));
    EXPECT_EQ(box->GetVScrollBar()->GetValue(), 0) << "clamped at the top";
    EXPECT_TRUE(scene->InjectWheel(-120 * 20));
    EXPECT_EQ(box->GetVScrollBar()->GetValue(), 400);

    // Only a horizontal bar: the wheel goes sideways.
    auto* wide = Box({ 100, 0, 200, 100 });
    wide->SetAnimated(false);
    AddChild(*wide, { 0, 0, 500, 50 });
    wide->RealignChildren();
    scene->SetMousePos({ 150, 40 });
    EXPECT_TRUE(scene->InjectWheel(-120));
    EXPECT_EQ(wide->GetHScrollBar()->GetValue(), 60);

    // Disabled: unhandled, it bubbles on.
    wide->SetDisableMouseWheel(true);
    EXPECT_FALSE(scene->InjectWheel(-120));
    EXPECT_EQ(wide->GetHScrollBar()->GetValue(), 60);
}

TEST_F(ScrollBoxTest, AnimatedWheelGlidesAndNotchesStartFromTheCurrentValue)
{
    auto* box = Box();
    AddChild(*box, { 0, 0, 80, 1000 });
    box->RealignChildren();
    scene->SetMousePos({ 40, 40 });
    TwzScrollBar* bar = box->GetVScrollBar();

    EXPECT_TRUE(scene->InjectWheel(-120));
    TwzFloatAnimation* animation = box->GetVScrollAnimation();
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->GetParent(), bar);
    EXPECT_FLOAT_EQ(animation->GetDuration(), 0.7f);
    EXPECT_TRUE(animation->GetRunning());
    EXPECT_EQ(bar->GetValue(), 0) << "nothing moves before the clock ticks";
    app->AdvanceTime(200);
    const float mid = bar->GetValue();
    EXPECT_GT(mid, 0);
    EXPECT_LT(mid, 60);
    EXPECT_EQ(box->GetContent()->GetPosition()->GetY(), -mid) << "the content follows every step";

    // A second notch mid-way aims at 60 beyond where the content is, not beyond the old target.
    EXPECT_TRUE(scene->InjectWheel(-120));
    EXPECT_EQ(box->GetVScrollAnimation(), animation) << "the animation is reused";
    EXPECT_FLOAT_EQ(animation->GetStopValue(), bar->GetValue() + 60);
    const float target = animation->GetStopValue();
    app->AdvanceTime(1000);
    EXPECT_FALSE(animation->GetRunning());
    EXPECT_FLOAT_EQ(bar->GetValue(), target);
    EXPECT_FLOAT_EQ(box->GetVScrollOffset(), target);
}

TEST_F(ScrollBoxTest, MouseTrackingDragsTheContentAndFlings)
{
    auto* box = Box();
    box->SetMouseTracking(true);
    AddChild(*box, { 0, 0, 80, 1000 });
    box->RealignChildren();
    TwzScrollBar* bar = box->GetVScrollBar();

    scene->InjectMouseDown({ 40, 80 });
    scene->InjectMouseMove({ 40, 60 });
    EXPECT_EQ(bar->GetValue(), 20) << "the content follows the pointer";
    scene->InjectMouseMove({ 40, 50 });
    EXPECT_EQ(bar->GetValue(), 30);
    scene->InjectMouseUp({ 40, 50 });
    // The fling goes seven times the last movement further.
    ASSERT_NE(box->GetVScrollAnimation(), nullptr);
    EXPECT_FLOAT_EQ(box->GetVScrollAnimation()->GetStopValue(), 100);
    app->AdvanceTime(1000);
    EXPECT_FLOAT_EQ(bar->GetValue(), 100);

    // A press stops a running fling where it is.
    scene->InjectMouseDown({ 40, 50 });
    scene->InjectMouseMove({ 40, 10 });
    scene->InjectMouseUp({ 40, 10 });
    app->AdvanceTime(100);
    ASSERT_TRUE(box->GetVScrollAnimation()->GetRunning());
    scene->InjectMouseDown({ 40, 50 });
    EXPECT_FALSE(box->GetVScrollAnimation()->GetRunning());
    const float held = bar->GetValue();
    app->AdvanceTime(1000);
    EXPECT_EQ(bar->GetValue(), held);
    // A release without movement does not fling.
    scene->InjectMouseUp({ 40, 50 });
    EXPECT_FALSE(box->GetVScrollAnimation()->GetRunning());

    // Without MouseTracking a drag does nothing.
    box->SetMouseTracking(false);
    scene->InjectMouseDown({ 40, 80 });
    scene->InjectMouseMove({ 40, 20 });
    scene->InjectMouseUp({ 40, 20 });
    EXPECT_EQ(bar->GetValue(), held);
}

TEST_F(ScrollBoxTest, HiddenScrollBarsStillScroll)
{
    auto* box = Box();
    box->SetAnimated(false);
    box->SetMouseTracking(true);
    AddChild(*box, { 0, 0, 300, 300 });
    box->SetShowScrollBars(false);
    TwzScrollBar* v = box->GetVScrollBar();
    TwzScrollBar* h = box->GetHScrollBar();
    EXPECT_TRUE(v->GetVisible());
    EXPECT_EQ(v->GetOpacity(), 0);
    EXPECT_EQ(v->GetAlign(), vaNone);
    EXPECT_EQ(v->GetPosition()->GetX(), 200) << "moved out of the box";
    EXPECT_EQ(h->GetPosition()->GetY(), 200);
    EXPECT_EQ(box->GetContentPart()->GetWidth(), 100) << "the viewport takes the whole box";
    EXPECT_EQ(v->GetViewportSize(), 100);

    scene->SetMousePos({ 40, 40 });
    EXPECT_TRUE(scene->InjectWheel(-120));
    EXPECT_EQ(v->GetValue(), 60);
    scene->InjectMouseDown({ 50, 50 });
    scene->InjectMouseMove({ 30, 40 });
    scene->InjectMouseUp({ 30, 40 });
    EXPECT_EQ(v->GetValue(), 70);
    EXPECT_EQ(h->GetValue(), 20);
    EXPECT_EQ(box->GetContent()->GetPosition()->GetX(), -20);

    // Shown again, the bars return to the style's alignment.
    box->SetShowScrollBars(true);
    EXPECT_EQ(v->GetAlign(), vaRight);
    EXPECT_EQ(v->GetOpacity(), 1);
    EXPECT_EQ(box->GetContentPart()->GetWidth(), 90);
}

TEST_F(ScrollBoxTest, SmallScrollBarsReplaceTheNormalOnesOrFallBack)
{
    auto* box = Box();
    AddChild(*box, { 0, 0, 50, 300 });
    box->SetUseSmallScrollBars(true);
    EXPECT_EQ(box->GetVScrollBar(), Part(*box, "vsmallscrollbar"));
    EXPECT_FALSE(Part(*box, "vscrollbar")->GetVisible());
    EXPECT_FALSE(Part(*box, "hscrollbar")->GetVisible());
    EXPECT_TRUE(box->GetVScrollBar()->GetVisible());
    EXPECT_EQ(box->GetContentPart()->GetWidth(), 96);

    // A style with only the normal bars.
    SetSheet(R"(  object TwzLayout
    ResourceName = 'plainstyle'
    object TwzLayout
      ResourceName = 'content'
      Align = vaClient
    end
    object TwzScrollBar
      ResourceName = 'vscrollbar'
      Align = vaRight
      Width = 10
      Orientation = wzVertical
    end
  end
)");
    auto* plain = new TwzScrollBox(form.get());
    plain->SetUseSmallScrollBars(true);
    plain->SetBounds(100, 0, 100, 100);
    plain->SetParent(root);
    plain->SetResource("plainstyle");
    EXPECT_EQ(plain->GetVScrollBar(), Part(*plain, "vscrollbar"));
    EXPECT_EQ(plain->GetHScrollBar(), nullptr);
}

TEST_F(ScrollBoxTest, NestedUpdatesRealignOnceAtTheOuterEnd)
{
    auto* box = Box();
    box->BeginUpdate();
    box->BeginUpdate();
    AddChild(*box, { 0, 0, 50, 300 })->SetHeight(400);
    box->RealignChildren();
    EXPECT_FALSE(box->GetVScrollBar()->GetVisible()) << "nothing realigns while updating";
    box->EndUpdate();
    EXPECT_FALSE(box->GetVScrollBar()->GetVisible());
    EXPECT_EQ(box->GetUpdateCount(), 1);
    box->EndUpdate();
    EXPECT_TRUE(box->GetVScrollBar()->GetVisible());
    EXPECT_EQ(box->GetVScrollBar()->GetMax(), 400);
}

TEST_F(ScrollBoxTest, ScrollToCenterAndContentPainting)
{
    auto* box = new TRecordingBox(form.get());
    box->SetBounds(0, 0, 100, 100);
    box->SetParent(root);
    box->LoadStyle();
    AddChild(*box, { 0, 0, 300, 300 });
    box->RealignChildren();
    box->ScrollToCenter();
    EXPECT_EQ(box->GetVScrollBar()->GetValue(), 105);
    EXPECT_EQ(box->GetHScrollBar()->GetValue(), 105);

    TwzBitmap bitmap(200, 100);
    TwzCanvasGdiPlus canvas(&bitmap);
    scene->SetCanvas(&canvas);
    scene->AddUpdateRect({ 0, 0, 200, 100 });
    scene->PaintRoots();
    scene->SetCanvas(nullptr);
    EXPECT_EQ(box->calls, 1);
    EXPECT_EQ(box->lastRect, box->GetContent()->GetLocalRect());
}

TEST_F(ScrollBoxTest, ChildrenStreamAsTheBoxsOwnAndComeBackIntoTheContent)
{
    auto* box = Box();
    TwzVisualObject* child = AddChild(*box, { 5, 5, 20, 20 });
    child->SetName("Inner");
    rtl::TMemoryStream stream;
    box->SaveObjectAsText(stream);
    const std::string text(
        reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.GetSize()));
    EXPECT_NE(text.find("object Inner: TwzVisualObject"), std::string::npos) << text;
    EXPECT_EQ(text.find("TwzScrollContent"), std::string::npos) << text;

    stream.Seek(0, rtl::soFromBeginning);
    TwzObject* copy = Create2DObjectFromTextStream(form.get(), stream);
    ASSERT_NE(copy, nullptr);
    auto* copyBox = dynamic_cast<TwzScrollBox*>(copy);
    ASSERT_NE(copyBox, nullptr);
    ASSERT_EQ(copyBox->GetContent()->GetChildCount(), 1);
    EXPECT_EQ(copyBox->GetChildCount(), 1) << "only the content object is the box's own child";
}

TEST_F(ScrollBoxTest, VerticalBoxKeepsTheContentToTheViewportWidth)
{
    auto* box = new TwzVertScrollBox(form.get());
    EXPECT_EQ(box->GetResource(), "scrollboxstyle");
    EXPECT_TRUE(box->GetStyleLookupPending());
    box->SetBounds(0, 0, 100, 100);
    box->SetParent(root);
    box->LoadStyle();
    TwzVisualObject* row = AddChild(*box, { 0, 0, 10, 300 });
    row->SetAlign(vaTop);
    box->RealignChildren();
    EXPECT_TRUE(box->GetVScrollBar()->GetVisible());
    EXPECT_FALSE(box->GetHScrollBar()->GetEnabled());
    EXPECT_EQ(box->GetContent()->GetWidth(), 90);
    EXPECT_EQ(row->GetWidth(), 90);

    auto* framed = new TwzFramedVertScrollBox(form.get());
    EXPECT_EQ(framed->GetResource(), "framedscrollboxstyle");
    framed->Free();
}

namespace {

class BuiltInScrollStyles : public controlstest::ControlsTest { };

} // namespace

TEST_F(BuiltInScrollStyles, BoxesAndListsScrollWithTheBuiltInStyles)
{
    auto* box = Add<TwzScrollBox>("box", { 0, 0, 100, 100 });
    auto* framed = Add<TwzFramedVertScrollBox>("framed", { 100, 0, 100, 100 });
    for (TwzScrollBox* b : { box, static_cast<TwzScrollBox*>(framed) }) {
        SCOPED_TRACE(b->GetName());
        ASSERT_NE(b->GetContentPart(), nullptr);
        ASSERT_NE(b->GetVScrollBar(), nullptr);
        ASSERT_NE(b->GetHScrollBar(), nullptr);
        auto* child = new TwzVisualObject(form.get());
        child->SetBounds(0, 0, 50, 400);
        child->SetParent(b);
        b->RealignChildren();
        EXPECT_TRUE(b->GetVScrollBar()->GetVisible());
        EXPECT_FALSE(b->GetHScrollBar()->GetVisible());
        EXPECT_EQ(b->GetVScrollBar()->GetMax(), 400);
        b->SetAnimated(false);
        scene->SetMousePos({ b->GetPosition()->GetX() + 40, 40 });
        EXPECT_TRUE(scene->InjectWheel(-120));
        EXPECT_GT(b->GetVScrollOffset(), 0);
        b->SetUseSmallScrollBars(true);
        EXPECT_EQ(b->GetVScrollBar()->ClassInfo().name, std::string_view("TwzSmallScrollBar"));
    }
    // The framed style keeps its viewport inside the frame.
    EXPECT_EQ(framed->GetContentPart()->GetPosition()->GetPoint(), (TwzPoint { 1, 1 }));

    auto* list = Add<TwzListBox>("list", { 0, 0, 100, 100 });
    for (int i = 0; i < 8; ++i) {
        auto* item = new TwzListBoxItem(form.get());
        item->SetParent(list);
    }
    ASSERT_NE(list->GetContentPart(), nullptr);
    EXPECT_TRUE(list->GetVScrollBar()->GetVisible());
    EXPECT_EQ(list->GetSelectionBrush()->GetSolidColor(), 0x802A8ADFu);
    list->ItemByIndex(0)->LoadStyle();
    EXPECT_NE(list->ItemByIndex(0)->GetCheckPart(), nullptr);
    PaintAll();
}

namespace {

class TWheelEater : public rtl::TComponent {
    RTL_CLASS(TWheelEater, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;
    void Wheel(rtl::TObject*, TShiftState, int32_t, const TwzPoint&, bool& handled) { handled = true; }

protected:
    ~TWheelEater() override = default;
};

RTL_IMPLEMENT_CLASS(TWheelEater)

} // namespace

TEST_F(ScrollBoxTest, AnOnMouseWheelHandlerThatHandlesTheWheelStopsTheScrolling)
{
    auto* box = Box();
    box->SetAnimated(false);
    AddChild(*box, { 0, 0, 80, 500 });
    box->RealignChildren();
    auto* eater = new TWheelEater(form.get());
    box->OnMouseWheel.Bind<&TWheelEater::Wheel>(eater);
    scene->SetMousePos({ 40, 40 });
    EXPECT_TRUE(scene->InjectWheel(-120));
    EXPECT_EQ(box->GetVScrollBar()->GetValue(), 0);
}

TEST_F(ScrollBoxTest, PartsOfTheWrongKindAreIgnored)
{
    SetSheet(R"(  object TwzLayout
    ResourceName = 'oddstyle'
    object TwzBrushObject
      ResourceName = 'content'
    end
    object TwzLayout
      ResourceName = 'vscrollbar'
      Align = vaRight
      Width = 10
    end
  end
)");
    auto* box = new TwzScrollBox(form.get());
    box->SetBounds(0, 0, 100, 100);
    box->SetParent(root);
    box->SetResource("oddstyle");
    ASSERT_NE(box->GetAppliedStyle(), nullptr);
    EXPECT_EQ(box->GetContentPart(), nullptr);
    EXPECT_EQ(box->GetVScrollBar(), nullptr);
    AddChild(*box, { 0, 0, 50, 500 });
    box->RealignChildren();
    EXPECT_EQ(box->GetContentBounds(), (TwzRect { 0, 0, 100, 100 })) << "without a viewport nothing scrolls";
    scene->SetMousePos({ 40, 40 });
    EXPECT_FALSE(scene->InjectWheel(-120));
    box->ScrollToCenter();
    box->SetUseSmallScrollBars(true);
    EXPECT_EQ(box->GetContent()->GetPosition()->GetY(), 0);
}
