// Canvas layers: their pixel sizes in both projections, and a stored paint handler that loads
// while the layer keeps showing only its buffer.

#include "tests/scene3d/VisualTestSupport.h"

#include "layers/ThvCanvasLayers.h"

#include "scene3d/Library3D.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvDummy.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <string>

using namespace scene3dtest;

namespace {

// A stored description's root that names a paint handler.
class TPaintHost : public ThvDummy {
    RTL_CLASS(TPaintHost, ThvDummy)
public:
    explicit TPaintHost(rtl::TComponent* owner)
        : ThvDummy(owner)
    { }
    void LayerPaint(rtl::TObject*, TwzCanvas*, const TwzRect&, bool&) { ++paints; }
    static inline int paints = 0;

protected:
    ~TPaintHost() override = default;
};

constexpr rtl::TMethodInfo kPaintHostHandlers[] = {
    RTL_HANDLER(TPaintHost, LayerPaint, TCanvasPaintEvent),
};

RTL_IMPLEMENT_CLASS(TPaintHost, .methods = kPaintHostHandlers)

class CanvasLayersTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        RegisterCanvasLayers();
        Register3DObjects<TPaintHost>("Tests");
    }
    void TearDown() override
    {
        VisualFixture::TearDown();
        form.reset();
        Finalize3DLibrary();
    }
};

TEST_F(CanvasLayersTest, PixelSizesFollowTheProjection)
{
    auto* world = Make<ThvCanvasLayer>();
    EXPECT_EQ(world->GetProjection(), hvProjectionCamera);
    EXPECT_EQ(world->GetResolution(), 60);
    EXPECT_EQ(world->GetBufferWidth(), 240);
    EXPECT_EQ(world->GetBufferHeight(), 180);
    EXPECT_EQ(world->GetBuffer()->GetWidth(), 240);
    EXPECT_EQ(world->GetBuffer()->GetHeight(), 180);

    auto* screen = Make<ThvGUICanvasLayer>();
    EXPECT_EQ(screen->GetProjection(), hvProjectionScreen);
    EXPECT_EQ(screen->GetBufferWidth(), 256);
    EXPECT_EQ(screen->GetBufferHeight(), 256);
    screen->BeforePaint();
    EXPECT_EQ(screen->GetBuffer()->GetWidth(), 256);
    EXPECT_EQ(screen->GetBuffer()->GetHeight(), 256);
    screen->SetWidth(4); // the plate's default, still stored for a screen layer
    screen->SetLayerAlign(hvLayerTop);
    rtl::TMemoryStream text;
    screen->SaveToStream(text);
    const std::string stored(
        reinterpret_cast<const char*>(text.Memory()), static_cast<size_t>(text.GetSize()));
    EXPECT_NE(stored.find("LayerAlign = hvLayerTop"), std::string::npos) << stored;
    rtl::TConstMemoryStream input(stored.data(), stored.size());
    auto* read = dynamic_cast<ThvGUICanvasLayer*>(CreateObjectFromStream(form.get(), input));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetWidth(), 4);
    EXPECT_EQ(read->GetLayerAlign(), hvLayerTop);
}

TEST_F(CanvasLayersTest, AStoredPaintHandlerLoadsAndTheLayerStillShowsOnlyItsBuffer)
{
    const std::string text = "object Host: TPaintHost\n"
                             "  object Picture: ThvCanvasLayer\n"
                             "    Resolution = 10\n"
                             "    OnLayerPaint = LayerPaint\n"
                             "  end\n"
                             "end\n";
    rtl::TConstMemoryStream input(text.data(), text.size());
    ThvObject* host = CreateObjectFromStream(form.get(), input);
    ASSERT_NE(host, nullptr);
    ASSERT_EQ(host->Children().size(), 1u);
    auto* layer = dynamic_cast<ThvCanvasLayer*>(host->Children()[0]);
    ASSERT_NE(layer, nullptr);
    EXPECT_TRUE(layer->OnLayerPaint.Assigned());
    EXPECT_EQ(layer->GetBufferWidth(), 40);

    scene->AddObject(host);
    TPaintHost::paints = 0;
    DrawFrame(*scene, *canvas);
    EXPECT_EQ(canvas->Lines("FillMesh").size(), 1u);
    EXPECT_EQ(TPaintHost::paints, 0);
}

} // namespace
