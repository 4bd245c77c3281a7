// Docking of visual children inside their parent's box, and of screen layers in pixels.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/Library3D.h"
#include "scene3d/ThvDummy.h"

#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

/// A screen layer with a docking of its own, as the layer classes have.
class TTestLayer : public ThvVisualObject {
public:
    using ThvVisualObject::ThvVisualObject;

    ThvLayerAlign layerAlign = hvLayerNone;

    [[nodiscard]] ThvLayerAlign GetLayerAlign() const override { return layerAlign; }

protected:
    [[nodiscard]] bool IsLayer() const override { return true; }
};

class ThvVisualObjectAlignTest : public VisualFixture {
protected:
    ThvVisualObject* MakeParent(float width, float height, float depth)
    {
        ThvVisualObject* parent = Make();
        parent->SetWidth(width);
        parent->SetHeight(height);
        parent->SetDepth(depth);
        return parent;
    }

    ThvVisualObject* MakeChild(
        ThvVisualObject* parent, ThvAlign align, float width = 1, float height = 1, float depth = 1)
    {
        ThvVisualObject* child = Make({}, parent);
        child->SetWidth(width);
        child->SetHeight(height);
        child->SetDepth(depth);
        child->SetAlign(align);
        return child;
    }
};

TEST_F(ThvVisualObjectAlignTest, ContentsFillsTheParentInsideThePadding)
{
    ThvVisualObject* parent = MakeParent(10, 4, 2);
    ThvVisualObject* child = Make({}, parent);
    child->GetPadding()->Setleft(1);
    child->SetAlign(hvContents);
    EXPECT_EQ(child->GetPosition()->GetPoint(), (ThvPoint { 0.5f, 0, 0 }));
    EXPECT_EQ(child->GetWidth(), 9);
    EXPECT_EQ(child->GetHeight(), 4);
    EXPECT_EQ(child->GetDepth(), 2);
    EXPECT_TRUE(Near(child->GetAbsolutePosition(), { 0.5f, 0, 0 }));

    // The parent's growth reaches the child at the same offset; a parent too small to lay
    // out changes nothing.
    parent->SetWidth(12);
    EXPECT_EQ(child->GetWidth(), 11);
    EXPECT_EQ(child->GetPosition()->GetX(), 0.5f);
    parent->SetWidth(0.1f);
    EXPECT_EQ(child->GetWidth(), 11);

    // A padding change of the child realigns its parent.
    parent->SetWidth(10);
    child->GetPadding()->Setright(3);
    EXPECT_EQ(child->GetWidth(), 6);
    EXPECT_EQ(child->GetPosition()->GetX(), -1);
}

TEST_F(ThvVisualObjectAlignTest, TopChildrenStackInPositionOrderAndStretch)
{
    // Docked while the parent is too flat to lay out, then laid out at once.
    ThvVisualObject* parent = MakeParent(6, 0.1f, 2);
    ThvVisualObject* lower = Make({}, parent);
    ThvVisualObject* upper = Make({}, parent);
    lower->SetHeight(2);
    lower->GetPosition()->SetY(3);
    upper->GetPosition()->SetY(-3);
    lower->SetAlign(hvTop);
    upper->SetAlign(hvTop);
    parent->SetHeight(10);
    // The one higher up takes the top slot; the other sits right below it, both as wide and as
    // deep as the parent and centred across it.
    EXPECT_TRUE(Near(upper->GetPosition()->GetPoint(), { 0, -4.5f, 0 }));
    EXPECT_TRUE(Near(lower->GetPosition()->GetPoint(), { 0, -3, 0 }));
    for (ThvVisualObject* c : { upper, lower }) {
        EXPECT_EQ(c->GetWidth(), 6);
        EXPECT_EQ(c->GetDepth(), 2);
    }
    EXPECT_EQ(upper->GetHeight(), 1);
    EXPECT_EQ(lower->GetHeight(), 2);
}

TEST_F(ThvVisualObjectAlignTest, SidesAndClientShareTheBox)
{
    // Parent 10 x 8: a 2-wide left strip, a 3-wide right strip, a 1-high bottom strip and the
    // rest for the client.
    ThvVisualObject* parent = MakeParent(10, 8, 2);
    ThvVisualObject* left = MakeChild(parent, hvLeft, 2, 1, 1);
    ThvVisualObject* right = MakeChild(parent, hvRight, 3, 1, 1);
    ThvVisualObject* bottom = MakeChild(parent, hvBottom, 1, 1, 1);
    ThvVisualObject* client = MakeChild(parent, hvClient);

    struct Case {
        const char* name;
        ThvVisualObject* child;
        ThvPoint position;
        ThvPoint size;
    } const cases[] = {
        { "bottom, before the sides", bottom, { 0, 3.5f, 0 }, { 10, 1, 2 } },
        { "left", left, { -4, -0.5f, 0 }, { 2, 7, 2 } },
        { "right", right, { 3.5f, -0.5f, 0 }, { 3, 7, 2 } },
        { "client", client, { -0.5f, -0.5f, 0 }, { 5, 7, 2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Near(c.child->GetPosition()->GetPoint(), c.position));
        EXPECT_TRUE(Near({ c.child->GetWidth(), c.child->GetHeight(), c.child->GetDepth() }, c.size));
    }
}

TEST_F(ThvVisualObjectAlignTest, PaddingKeepsSpaceAroundADockedChild)
{
    ThvVisualObject* parent = MakeParent(10, 10, 2);
    ThvVisualObject* top = Make({}, parent);
    top->GetPadding()->Setleft(1);
    top->GetPadding()->Setright(2);
    top->GetPadding()->Settop(0.5f);
    top->GetPadding()->Setbottom(0.5f);
    top->SetAlign(hvTop);
    ThvVisualObject* next = MakeChild(parent, hvTop);
    EXPECT_EQ(top->GetWidth(), 7);
    EXPECT_TRUE(Near(top->GetPosition()->GetPoint(), { -0.5f, -4, 0 }));
    // The padded slot is 2 high, so the next one starts at -3.
    EXPECT_TRUE(Near(next->GetPosition()->GetPoint(), { 0, -2.5f, 0 }));
}

TEST_F(ThvVisualObjectAlignTest, CenterPutsTheChildInTheMiddle)
{
    ThvVisualObject* parent = MakeParent(10, 6, 3);
    ThvVisualObject* child = MakeChild(parent, hvCenter, 2, 1, 1);
    EXPECT_TRUE(Near(child->GetPosition()->GetPoint(), { 0, 0, 0 }));
    EXPECT_EQ(child->GetWidth(), 2);

    // With padding the padded box is centred.
    child->GetPadding()->Setleft(2);
    EXPECT_TRUE(Near(child->GetPosition()->GetPoint(), { 1, 0, 0 }));
}

TEST_F(ThvVisualObjectAlignTest, ScaleFollowsTheParentsGrowth)
{
    ThvVisualObject* parent = MakeParent(2, 2, 2);
    ThvVisualObject* child = MakeChild(parent, hvScale, 1, 1, 1);
    child->GetPosition()->SetPoint({ 0.5f, 0.25f, 0 });
    parent->SetWidth(4);
    EXPECT_TRUE(Near(child->GetPosition()->GetPoint(), { 1, 0.25f, 0 }));
    EXPECT_EQ(child->GetWidth(), 2);
    EXPECT_EQ(child->GetHeight(), 1);
    EXPECT_EQ(child->GetDepth(), 1);
    EXPECT_TRUE(Near(child->GetAbsolutePosition(), { 1, 0.25f, 0 }));
}

TEST_F(ThvVisualObjectAlignTest, CornerAnchorsFollowTheirCorner)
{
    struct Case {
        ThvAlign align;
        ThvPoint moved;
    } const cases[] = {
        { hvTopRight, { 1, -0.5f, 0 } },
        { hvTopLeft, { -1, -0.5f, 0 } },
        { hvBottomLeft, { -1, 0.5f, 0 } },
        { hvBottomRight, { 1, 0.5f, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rtl::EnumName(c.align));
        ThvVisualObject* parent = MakeParent(4, 4, 1);
        ThvVisualObject* child = MakeChild(parent, c.align, 1, 1, 1);
        // Docking a child for the first time moves nothing: there is no earlier size to
        // follow.
        EXPECT_EQ(child->GetPosition()->GetPoint(), (ThvPoint { 0, 0, 0 }));
        parent->SetWidth(6);
        parent->SetHeight(5);
        EXPECT_TRUE(Near(child->GetPosition()->GetPoint(), c.moved));
        EXPECT_EQ(child->GetWidth(), 1);
    }
}

TEST_F(ThvVisualObjectAlignTest, CenterKindsThatAreNeverPlaced)
{
    ThvVisualObject* parent = MakeParent(10, 10, 1);
    for (ThvAlign align : { hvVertCenter, hvHorzCenter }) {
        SCOPED_TRACE(rtl::EnumName(align));
        ThvVisualObject* child = MakeChild(parent, align, 1, 1, 1);
        child->GetPosition()->SetPoint({ 3, 4, 0 });
        parent->SetWidth(parent->GetWidth() + 2);
        EXPECT_EQ(child->GetPosition()->GetPoint(), (ThvPoint { 3, 4, 0 }));
        EXPECT_EQ(child->GetWidth(), 1);
    }
}

TEST_F(ThvVisualObjectAlignTest, VerticalAndHorizontalKeepTheirPlaceAcrossRealigns)
{
    ThvVisualObject* parent = MakeParent(10, 10, 1);
    ThvVisualObject* vertical = Make({}, parent);
    vertical->GetPadding()->Setleft(1);
    vertical->GetPosition()->SetX(2);
    vertical->SetAlign(hvVertical);
    ThvVisualObject* horizontal = Make({}, parent);
    horizontal->GetPadding()->Settop(1);
    horizontal->GetPosition()->SetY(-2);
    horizontal->SetAlign(hvHorizontal);
    for (int round = 0; round < 3; ++round) {
        parent->Realign();
        EXPECT_EQ(vertical->GetPosition()->GetX(), 2);
        EXPECT_EQ(vertical->GetHeight(), 10);
        EXPECT_EQ(horizontal->GetPosition()->GetY(), -2);
        EXPECT_EQ(horizontal->GetWidth(), 10);
    }
}

TEST_F(ThvVisualObjectAlignTest, InvisibleChildrenAreLeftOutAtRunTime)
{
    ThvVisualObject* parent = MakeParent(10, 10, 1);
    ThvVisualObject* hidden = MakeChild(parent, hvTop);
    hidden->SetVisible(false);
    ThvVisualObject* shown = MakeChild(parent, hvTop);
    parent->Realign();
    EXPECT_TRUE(Near(shown->GetPosition()->GetPoint(), { 0, -4.5f, 0 }));
}

TEST_F(ThvVisualObjectAlignTest, MarginsChangeRealignsTheObjectItself)
{
    ThvVisualObject* parent = MakeParent(10, 4, 2);
    MakeChild(parent, hvContents);
    scene->updateRequests = 0;
    parent->GetMargins()->Setleft(1);
    EXPECT_GT(scene->updateRequests, 0); // the realignment ran and repainted
}

TEST_F(ThvVisualObjectAlignTest, ScreenLayersDockInScenePixels)
{
    scene->SetSize(800, 600);
    ThvVisualObject* root = Make("root");
    root->SetProjection(hvProjectionScreen);
    auto* bottom = new TTestLayer(form.get());
    bottom->SetHeight(89);
    bottom->layerAlign = hvLayerBottom;
    root->AddObject(bottom);
    EXPECT_TRUE(Near(bottom->GetPosition()->GetPoint(), { 400, 555.5f, 0 }));
    EXPECT_EQ(bottom->GetWidth(), 800);
    EXPECT_EQ(bottom->GetHeight(), 89);

    // A top layer and a client layer share what is left.
    auto* top = new TTestLayer(form.get());
    top->SetHeight(50);
    top->layerAlign = hvLayerTop;
    root->AddObject(top);
    auto* client = new TTestLayer(form.get());
    client->layerAlign = hvLayerClient;
    root->AddObject(client);
    EXPECT_TRUE(Near(top->GetPosition()->GetPoint(), { 400, 25, 0 }));
    EXPECT_TRUE(Near(client->GetPosition()->GetPoint(), { 400, 280.5f, 0 }));
    EXPECT_EQ(client->GetHeight(), 461);

    // A most-top layer goes above the top ones.
    auto* mostTop = new TTestLayer(form.get());
    mostTop->SetHeight(30);
    mostTop->layerAlign = hvLayerMostTop;
    root->AddObject(mostTop);
    EXPECT_TRUE(Near(mostTop->GetPosition()->GetPoint(), { 400, 15, 0 }));
    EXPECT_TRUE(Near(top->GetPosition()->GetPoint(), { 400, 55, 0 }));
    EXPECT_EQ(client->GetHeight(), 431);

    // Camera-projected layers take no part.
    auto* camera = new TTestLayer(form.get());
    root->AddObject(camera);
    camera->SetProjection(hvProjectionCamera);
    camera->layerAlign = hvLayerTop;
    root->Realign();
    EXPECT_EQ(camera->GetPosition()->GetPoint(), (ThvPoint { 0, 0, 0 }));
}

TEST_F(ThvVisualObjectAlignTest, LayersInsideALayerDockAroundItsOrigin)
{
    auto* panel = new TTestLayer(form.get());
    scene->AddObject(panel);
    panel->SetProjection(hvProjectionScreen);
    panel->SetWidth(100);
    panel->SetHeight(40);
    auto* left = new TTestLayer(form.get());
    left->SetWidth(10);
    left->layerAlign = hvLayerLeft;
    panel->AddObject(left);
    EXPECT_TRUE(Near(left->GetPosition()->GetPoint(), { -45, 0, 0 }));
    EXPECT_EQ(left->GetHeight(), 40);
    auto* contents = new TTestLayer(form.get());
    contents->layerAlign = hvLayerContents;
    panel->AddObject(contents);
    EXPECT_TRUE(Near(contents->GetPosition()->GetPoint(), { 0, 0, 0 }));
    EXPECT_EQ(contents->GetWidth(), 100);
}

TEST_F(ThvVisualObjectAlignTest, ShowingALayerRealignsItsParent)
{
    scene->SetSize(400, 300);
    ThvVisualObject* root = Make("root");
    root->SetProjection(hvProjectionScreen);
    auto* first = new TTestLayer(form.get());
    first->SetHeight(20);
    first->layerAlign = hvLayerTop;
    root->AddObject(first);
    auto* second = new TTestLayer(form.get());
    second->SetHeight(20);
    second->SetVisible(false);
    second->layerAlign = hvLayerTop;
    second->GetPosition()->SetY(-100); // it would come first
    root->AddObject(second);
    EXPECT_EQ(first->GetPosition()->GetY(), 10);
    second->SetVisible(true);
    EXPECT_EQ(second->GetPosition()->GetY(), 10);
    EXPECT_EQ(first->GetPosition()->GetY(), 30);
}

TEST_F(ThvVisualObjectAlignTest, ALoadedTreeIsLaidOutOnceLoaded)
{
    RegisterTestClasses3D();
    const std::string text = "object ThvDummy\n"
                             "  Width = 10\n"
                             "  Height = 4\n"
                             "  Depth = 2\n"
                             "  object ThvDummy\n"
                             "    Padding.NewRect = '(1,0,0,0,0,0)'\n"
                             "    Align = hvContents\n"
                             "  end\n"
                             "end\n";
    rtl::TConstMemoryStream input(text.data(), text.size());
    auto* parent = dynamic_cast<ThvDummy*>(CreateObjectFromStream(form.get(), input));
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(parent->GetChildCount(), 1);
    auto* child = dynamic_cast<ThvVisualObject*>(parent->GetChild(0));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->GetWidth(), 9);
    EXPECT_EQ(child->GetPosition()->GetPoint(), (ThvPoint { 0.5f, 0, 0 }));
    // The size read is the one the children were laid out for.
    auto* anchored = Make({}, parent);
    anchored->SetAlign(hvBottomRight);
    parent->SetWidth(12);
    EXPECT_EQ(anchored->GetPosition()->GetX(), 1);
}

} // namespace
