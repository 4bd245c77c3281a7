// The object layer without a window: its dirty rectangles, the painting pass and the copy of
// the painted rectangles into the buffer, and the routing of layer mouse points, keys and
// focus to its 2D objects.

#include "layers/ThvObjectLayer.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "scene3d/ThvBitmap.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzShape.h"
#include "ui2d/TwzVisualObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct FreeComponent {
    void operator()(rtl::TComponent* c) const { c->Free(); }
};

// Records what the 2D objects hear.
struct Recorder : rtl::TObject {
    std::vector<std::string> log;

    void Click(rtl::TObject*) { log.push_back("click"); }
    void MouseMove(rtl::TObject*, TShiftState, float x, float y, float, float)
    {
        log.push_back(
            "move " + std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)));
    }
    void KeyDown(uint16_t& key, char16_t&, TShiftState) { log.push_back("key " + std::to_string(key)); }
};

class ObjectLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousCanvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
        owner.reset(new rtl::TComponent(nullptr));
        layer = new ThvGUIObjectLayer(owner.get());
        layer->SetWidth(100);
        layer->SetHeight(50);
        layer->BeforePaint();
        // The root covers the layer but takes no mouse: only its children are hit.
        root = new TwzVisualObject(owner.get());
        root->SetHitTest(false);
        layer->AddObject(root);
        box = new TwzRectangle(owner.get());
        box->SetBounds(10, 10, 20, 20);
        box->GetFill()->SetSolidColor(0xFFFF0000u);
        box->SetParent(root);
        box->OnClick.Bind<&Recorder::Click>(&recorder);
        box->OnMouseMove.Bind<&Recorder::MouseMove>(&recorder);
        box->OnKeyDown.Bind<&Recorder::KeyDown>(&recorder);
        box->SetAutoCapture(true);
        box->SetCanFocused(true);
    }

    void TearDown() override
    {
        owner.reset();
        DefaultCanvasClass = m_previousCanvasClass;
    }

    uint32_t BufferPixel(int x, int y) const
    {
        const ThvBitmap* buffer = layer->GetBuffer();
        return buffer->Bits()[static_cast<size_t>(y * buffer->GetWidth() + x)];
    }

    std::unique_ptr<rtl::TComponent, FreeComponent> owner;
    ThvGUIObjectLayer* layer = nullptr;
    TwzVisualObject* root = nullptr;
    TwzRectangle* box = nullptr;
    Recorder recorder;

private:
    const TwzCanvasClass* m_previousCanvasClass = nullptr;
};

TEST_F(ObjectLayerTest, SizesFollowTheProjectionAndTheFirstRootCoversTheLayer)
{
    EXPECT_EQ(layer->PixelWidth(), 100);
    EXPECT_EQ(layer->PixelHeight(), 50);
    EXPECT_EQ(layer->GetCanvas()->GetWidth(), 100);
    EXPECT_EQ(root->GetWidth(), 100);
    EXPECT_EQ(root->GetHeight(), 50);
    layer->SetWidth(60);
    layer->BeforePaint();
    EXPECT_EQ(layer->GetCanvas()->GetWidth(), 60);
    EXPECT_EQ(layer->GetBuffer()->GetWidth(), 60);
    EXPECT_EQ(root->GetWidth(), 60);

    auto* camera = new ThvObjectLayer(owner.get());
    camera->SetResolution(10);
    camera->SetWidth(3);
    camera->SetDepth(2);
    EXPECT_EQ(camera->PixelWidth(), 30);
    EXPECT_EQ(camera->PixelHeight(), 20);
}

TEST_F(ObjectLayerTest, DirtyRectanglesAreWholePixelsInsideTheLayer)
{
    layer->PaintObjects();
    struct Case {
        TwzRect given;
        bool kept;
        TwzRect stored;
    };
    const Case cases[] = {
        { { 1.7f, 2.2f, 5.5f, 6.0f }, true, { 1, 2, 6, 7 } },
        { { -5, -5, 0.5f, 0.5f }, true, { -5, -5, 1, 1 } },
        { { 100, 0, 120, 10 }, false, {} },
        { { 0, 50, 10, 60 }, false, {} },
        { { -20, 0, -1.5f, 10 }, false, {} },
    };
    for (const Case& c : cases) {
        layer->PaintObjects();
        layer->AddUpdateRect(c.given);
        ASSERT_EQ(layer->PendingUpdateRects().size(), c.kept ? 1u : 0u) << c.given.Left << "," << c.given.Top;
        if (c.kept) {
            const TwzRect r = layer->PendingUpdateRects().front();
            EXPECT_EQ(r.Left, c.stored.Left);
            EXPECT_EQ(r.Top, c.stored.Top);
            EXPECT_EQ(r.Right, c.stored.Right);
            EXPECT_EQ(r.Bottom, c.stored.Bottom);
        }
    }
    layer->PaintObjects();
    layer->BeginUpdate();
    layer->AddUpdateRect({ 0, 0, 5, 5 });
    EXPECT_TRUE(layer->PendingUpdateRects().empty());
    layer->EndUpdateNoRepaint();
}

TEST_F(ObjectLayerTest, TwentyRectanglesPaintAsTwentyAndTwentyOneAsTheirUnion)
{
    for (const int count : { 20, 21 }) {
        layer->PaintObjects();
        for (int i = 0; i < count; ++i)
            layer->AddUpdateRect({ static_cast<float>(i * 4), 1, static_cast<float>(i * 4 + 1), 2 });
        layer->PaintObjects();
        EXPECT_TRUE(layer->PendingUpdateRects().empty());
        const std::vector<TwzRect>& painted = layer->PaintedRects();
        if (count == 20) {
            EXPECT_EQ(painted.size(), 20u);
        } else {
            ASSERT_EQ(painted.size(), 1u);
            EXPECT_EQ(painted[0].Left, 0);
            EXPECT_EQ(painted[0].Right, 82);
            EXPECT_EQ(painted[0].Top, 1);
            EXPECT_EQ(painted[0].Bottom, 3);
        }
    }
}

TEST_F(ObjectLayerTest, OnlyThePaintedRectanglesReachTheBuffer)
{
    layer->BeforePaint();
    layer->Render();
    // The first frame paints the whole tree: the box is red, the rest transparent.
    EXPECT_EQ(BufferPixel(15, 15), 0xFFFF0000u);
    EXPECT_EQ(BufferPixel(50, 40) >> 24, 0u);

    // Scribble over the buffer; a small dirty rectangle repaints and copies only itself.
    uint32_t* bits = nullptr;
    ASSERT_TRUE(layer->GetBuffer()->Map(bits, true));
    for (int i = 0; i < 100 * 50; ++i)
        bits[i] = 0xFF00FF00u;
    layer->GetBuffer()->Unmap();
    layer->GetBuffer()->SetNeedUpdate(false);
    layer->AddUpdateRect({ 12, 12, 15, 15 });
    layer->BeforePaint();
    layer->Render();
    // The texture refreshes that rectangle alone.
    EXPECT_FALSE(layer->GetBuffer()->GetNeedUpdate());
    ASSERT_EQ(layer->GetBuffer()->ChangedAreas().size(), 1u);
    EXPECT_EQ(layer->GetBuffer()->ChangedAreas()[0].left, 12);
    EXPECT_EQ(layer->GetBuffer()->ChangedAreas()[0].right, 16);
    EXPECT_EQ(BufferPixel(13, 13), 0xFFFF0000u);
    EXPECT_EQ(BufferPixel(15, 15), 0xFFFF0000u);
    EXPECT_EQ(BufferPixel(16, 16), 0xFF00FF00u);
    EXPECT_EQ(BufferPixel(50, 40), 0xFF00FF00u);

    // A fill change repaints the whole layer.
    layer->GetFill()->SetStyle(wzBrushSolid);
    layer->GetFill()->SetSolidColor(0xFF0000FFu);
    layer->BeforePaint();
    layer->Render();
    EXPECT_EQ(BufferPixel(50, 40), 0xFF0000FFu);
    EXPECT_EQ(BufferPixel(20, 20), 0xFFFF0000u);
}

TEST_F(ObjectLayerTest, PressesOnObjectsClickAndEmptyPartsAreNotHits)
{
    EXPECT_EQ(layer->ObjectAtLayerPoint(15, 15), box);
    EXPECT_EQ(layer->ObjectAtLayerPoint(60, 30), nullptr);

    layer->LayerMouseDown(TMouseButton::Left, {}, 60, 30);
    layer->LayerMouseUp(TMouseButton::Left, {}, 60, 30);
    EXPECT_TRUE(recorder.log.empty());

    layer->LayerMouseDown(TMouseButton::Left, {}, 15, 15);
    layer->LayerMouseUp(TMouseButton::Left, {}, 15, 15);
    EXPECT_EQ(recorder.log, (std::vector<std::string> { "click" }));

    // An invisible root is neither painted nor hit.
    root->SetVisible(false);
    EXPECT_EQ(layer->ObjectAtLayerPoint(15, 15), nullptr);
}

TEST_F(ObjectLayerTest, ACapturedObjectKeepsHearingMovesPastTheLayersEdge)
{
    layer->LayerMouseDown(TMouseButton::Left, {}, 15, 15);
    ASSERT_EQ(layer->GetCaptured(), box);
    recorder.log.clear();
    layer->LayerMouseMove({}, 140, -20);
    EXPECT_EQ(recorder.log, (std::vector<std::string> { "move 130,-30" }));
    layer->LayerMouseUp(TMouseButton::Left, {}, 140, -20);
    EXPECT_EQ(layer->GetCaptured(), nullptr);
    // Released outside the box: no click.
    EXPECT_EQ(recorder.log.size(), 1u);
}

TEST_F(ObjectLayerTest, KeysGoToTheFocusedObjectAndFocusEntersTheFirstTabStop)
{
    layer->EnterFocus();
    EXPECT_EQ(layer->GetFocused(), box);
    uint16_t key = 65;
    char16_t keyChar = 0;
    layer->KeyDown(key, keyChar, {});
    EXPECT_EQ(recorder.log, (std::vector<std::string> { "key 65" }));
    layer->KillFocus();
    EXPECT_EQ(layer->GetFocused(), nullptr);

    std::vector<rtl::TObject*> list;
    layer->AddVisibleToList(list);
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list.front(), layer);
    EXPECT_TRUE(layer->FocusEntry(box));
    EXPECT_EQ(layer->GetFocused(), box);
}

TEST_F(ObjectLayerTest, LayersCountAsTwoDimensionalHosts)
{
    const int before = SceneCount;
    auto* other = new ThvObjectLayer(owner.get());
    EXPECT_EQ(SceneCount, before + 1);
    other->Free();
    EXPECT_EQ(SceneCount, before);
    // Freeing the owner frees the roots with the layer.
    rtl::Watch<TwzRectangle> watched(box);
    owner.reset();
    EXPECT_FALSE(watched);
    EXPECT_EQ(SceneCount, before - 1);
}

} // namespace
