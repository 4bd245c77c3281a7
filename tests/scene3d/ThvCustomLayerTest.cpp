// Layers: ray hits turned into layer pixels in both projections, the enlarged box while a
// layer holds the mouse, the buffer that follows the plate, its resource name, and how the
// buffer layer draws itself.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/Library3D.h"
#include "scene3d/ResourceList.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCustomBufferLayer.h"
#include "scene3d/ThvCustomLayer.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvPosition.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

using namespace scene3dtest;

namespace {

/// Records the layer operations with their unrounded coordinates, and the events.
template <class Base> class TRecordingLayer : public Base {
public:
    using Base::Base;
    std::vector<std::string> calls;

    void LayerMouseMove(TShiftState shift, float x, float y) override
    {
        calls.push_back("move " + LogNumber(x) + " " + LogNumber(y));
        Base::LayerMouseMove(shift, x, y);
    }
    void LayerMouseDown(TMouseButton button, TShiftState shift, float x, float y) override
    {
        calls.push_back("down " + LogNumber(x) + " " + LogNumber(y));
        Base::LayerMouseDown(button, shift, x, y);
    }
    void LayerMouseUp(TMouseButton button, TShiftState shift, float x, float y) override
    {
        calls.push_back("up " + LogNumber(x) + " " + LogNumber(y));
        Base::LayerMouseUp(button, shift, x, y);
    }
};

using TTestLayer = TRecordingLayer<ThvCustomLayer>;
using TTestBufferLayer = TRecordingLayer<ThvCustomBufferLayer>;

/// Collects the integer coordinates of the layer events.
class TLayerEvents : public rtl::TObject {
public:
    std::vector<std::string> lines;
    void Move(rtl::TObject*, TShiftState, int32_t x, int32_t y)
    {
        lines.push_back("move " + rtl::IntToStr(x) + " " + rtl::IntToStr(y));
    }
    void Down(rtl::TObject*, TMouseButton, TShiftState, int32_t x, int32_t y)
    {
        lines.push_back("down " + rtl::IntToStr(x) + " " + rtl::IntToStr(y));
    }
    void Up(rtl::TObject*, TMouseButton, TShiftState, int32_t x, int32_t y)
    {
        lines.push_back("up " + rtl::IntToStr(x) + " " + rtl::IntToStr(y));
    }
    void Attach(ThvCustomLayer& layer)
    {
        layer.OnLayerMouseMove.Bind<&TLayerEvents::Move>(this);
        layer.OnLayerMouseDown.Bind<&TLayerEvents::Down>(this);
        layer.OnLayerMouseUp.Bind<&TLayerEvents::Up>(this);
    }
};

class ThvCustomLayerTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        RegisterTestClasses3D();
    }

    /// A press along the local ray through (x, y, z) going `direction`, held as the scene
    /// holds the layer it routes a press to.
    template <class Layer> static void Press(Layer& layer, const ThvVector& from, const ThvVector& direction)
    {
        const rtl::DispatchGuard held(&layer);
        layer.MouseDown(TMouseButton::Left, {}, 0, 0, from, direction);
    }

    static constexpr ThvVector kDown { 0, 0, -1, 0 }; // screen projection: into the screen
    static constexpr ThvVector kAhead { 0, 1, 0, 0 }; // camera projection: away from the viewer on -Y
};

TEST_F(ThvCustomLayerTest, ANewLayerIsATwoSidedPlateThatDrawsNothing)
{
    auto* layer = Make<ThvCustomLayer>();
    EXPECT_TRUE(layer->GetTwoSide());
    EXPECT_EQ(layer->GetWidth(), 4);
    EXPECT_EQ(layer->GetHeight(), 1);
    EXPECT_EQ(layer->GetDepth(), 3);
    EXPECT_EQ(layer->GetLayerAlign(), hvLayerNone);
    DrawFrame(*scene, *canvas);
    EXPECT_TRUE(canvas->Lines("Fill").empty());
    EXPECT_TRUE(canvas->Lines("Draw").empty());
    // Its own defaults are not stored.
    const std::string text = ObjectText(*layer);
    for (const char* name : { "Width", "Height", "Depth", "TwoSide" }) {
        SCOPED_TRACE(name);
        EXPECT_EQ(text.find(name), std::string::npos) << text;
    }
}

TEST_F(ThvCustomLayerTest, CameraRaysBecomePlatePointsFromTheTopLeftCorner)
{
    struct Case {
        const char* name;
        float x, z; // where the ray crosses the plate
        const char* plain; // layer pixels of the plain layer (scene units)
        const char* buffer; // buffer pixels of the buffer layer
        const char* event; // rounded, as the plain layer's event carries it
    };
    const Case cases[] = {
        { "centre", 0, 0, "down 2 1.5", "down 120 90", "down 2 2" },
        { "top-left as seen", -2, 1.5f, "down 0 0", "down 0 0", "down 0 0" },
        { "bottom-right", 2, -1.5f, "down 4 3", "down 240 180", "down 4 3" },
        { "half a unit in", -1.5f, 1, "down 0.5 0.5", "down 30 30", "down 0 0" },
        { "just beyond the edge", 2.01f, 0, "down 4.01 1.5", "", "down 4 2" },
        { "beyond the tolerance", 2.1f, 0, "", "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* plain = Make<TTestLayer>();
        TLayerEvents events;
        events.Attach(*plain);
        auto* buffer = Make<TTestBufferLayer>();
        Press(*plain, { c.x, -10, c.z, 1 }, kAhead);
        Press(*buffer, { c.x, -10, c.z, 1 }, kAhead);
        EXPECT_EQ(
            plain->calls, c.plain[0] ? std::vector<std::string> { c.plain } : std::vector<std::string> {});
        EXPECT_EQ(
            buffer->calls, c.buffer[0] ? std::vector<std::string> { c.buffer } : std::vector<std::string> {});
        EXPECT_EQ(
            events.lines, c.event[0] ? std::vector<std::string> { c.event } : std::vector<std::string> {});
        plain->Free();
        buffer->Free();
    }
}

TEST_F(ThvCustomLayerTest, ScreenRaysBecomePlatePointsFromTheTopLeftCorner)
{
    struct Case {
        const char* name;
        float x, y;
        const char* plain;
        const char* buffer;
    };
    // A 200 x 100 plate: layer pixels are its units; the buffer is one pixel a unit too.
    const Case cases[] = {
        { "centre", 0, 0, "move 100 50", "move 100 50" },
        { "top-left", -100, -50, "move 0 0", "move 0 0" },
        { "bottom-right", 100, 50, "move 200 100", "move 200 100" },
        { "inside", -25.5f, 10, "move 74.5 60", "move 74.5 60" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* plain = Make<TTestLayer>();
        auto* buffer = Make<TTestBufferLayer>();
        for (ThvCustomLayer* layer : std::vector<ThvCustomLayer*> { plain, buffer }) {
            layer->SetProjection(hvProjectionScreen);
            layer->SetWidth(200);
            layer->SetHeight(100);
            layer->MouseMove({}, 0, 0, 0, 0, { c.x, c.y, 10, 1 }, kDown);
        }
        EXPECT_EQ(buffer->GetBufferWidth(), 200);
        EXPECT_EQ(buffer->GetBufferHeight(), 100);
        EXPECT_EQ(plain->calls, std::vector<std::string> { c.plain });
        EXPECT_EQ(buffer->calls, std::vector<std::string> { c.buffer });
        plain->Free();
        buffer->Free();
    }
}

TEST_F(ThvCustomLayerTest, PlatesThatAreMovedTurnedAndScaledStillMapTheirOwnPixels)
{
    auto* layer = Make<TTestBufferLayer>();
    layer->GetPosition()->SetPoint({ 5, 2, -1 });
    layer->GetRotateAngle()->SetZ(90);
    layer->GetScale()->SetPoint({ 2, 2, 2 });
    // The scene gives the ray in the layer's own coordinates; the hit travels through the
    // world and back.
    Press(*layer, { 1, -10, -0.75f, 1 }, kAhead);
    EXPECT_EQ(layer->calls, std::vector<std::string> { "down 180 135" });
}

TEST_F(ThvCustomLayerTest, AHeldLayerKeepsProducingPointsBeyondItsEdges)
{
    auto* plain = Make<TTestLayer>();
    auto* buffer = Make<TTestBufferLayer>();
    for (ThvCustomLayer* layer : std::vector<ThvCustomLayer*> { plain, buffer }) {
        ThvVector hit;
        // Three widths to the side: a miss...
        EXPECT_FALSE(layer->RayCastIntersect({ -12, -10, 0, 1 }, kAhead, hit));
        // ...unless the layer holds the mouse: then the box ten times its size counts, and the
        // plane it is tried on lies ten times further out too.
        scene->SetCaptured(layer);
        ASSERT_TRUE(layer->RayCastIntersect({ -12, -10, 0, 1 }, kAhead, hit));
        EXPECT_TRUE(Near(hit, { -12, -5, 0, 1 }));
        EXPECT_FALSE(layer->RayCastIntersect({ -21, -10, 0, 1 }, kAhead, hit));
        layer->MouseMove({}, 0, 0, 0, 0, { -12, -10, 4, 1 }, kAhead);
        scene->SetCaptured(nullptr);
    }
    EXPECT_EQ(plain->calls, std::vector<std::string> { "move -10 -2.5" });
    EXPECT_EQ(buffer->calls, std::vector<std::string> { "move -600 -150" });
}

TEST_F(ThvCustomLayerTest, AReleaseAwayFromTheLayerStillEndsTheGesture)
{
    auto* plain = Make<TTestLayer>();
    TLayerEvents events;
    events.Attach(*plain);
    auto* buffer = Make<TTestBufferLayer>();
    for (ThvCustomLayer* layer : std::vector<ThvCustomLayer*> { plain, buffer }) {
        layer->MouseMove({}, 0, 0, 0, 0, { 9, -10, 0, 1 }, kAhead);
        layer->MouseUp(TMouseButton::Left, {}, 7.25f, -3.5f, { 9, -10, 0, 1 }, kAhead);
    }
    // No move on a miss; the release comes with the point the scene gave.
    EXPECT_EQ(plain->calls, std::vector<std::string> { "up 7.25 -3.5" });
    EXPECT_EQ(buffer->calls, std::vector<std::string> { "up 7.25 -3.5" });
    EXPECT_EQ(events.lines, std::vector<std::string> { "up 7 -4" });
}

TEST_F(ThvCustomLayerTest, TheBufferLayerIsHitOnlyOnItsQuad)
{
    auto* plain = Make<ThvCustomLayer>();
    auto* buffer = Make<ThvCustomBufferLayer>();
    // Along the plate's side through its box, parallel to the quad: the box is entered, the
    // quad never met.
    const ThvVector from { -10, 0.3f, 0, 1 };
    const ThvVector along { 1, 0, 0, 0 };
    ThvVector hit;
    EXPECT_TRUE(plain->RayCastIntersect(from, along, hit));
    EXPECT_TRUE(Near(hit, { -2, 0.3f, 0, 1 }));
    EXPECT_FALSE(buffer->RayCastIntersect(from, along, hit));
    // Through the quad: the hit lies on it, not on the box face before it.
    ASSERT_TRUE(buffer->RayCastIntersect({ 1, -10, 1, 1 }, kAhead, hit));
    EXPECT_TRUE(Near(hit, { 1, 0, 1, 1 }));

    // In screen projection the screen quad counts.
    buffer->SetProjection(hvProjectionScreen);
    buffer->SetDepth(6);
    ASSERT_TRUE(buffer->RayCastIntersect({ 1, 0.25f, 10, 1 }, kDown, hit));
    EXPECT_TRUE(Near(hit, { 1, 0.25f, 0, 1 }));
}

TEST_F(ThvCustomLayerTest, HandlersMayFreeTheLayer)
{
    auto* layer = Make<ThvCustomBufferLayer>();
    TEventRecorder recorder;
    layer->OnMouseDown.Bind<&TEventRecorder::MouseDown>(&recorder);
    recorder.freeOnEvent = layer;
    rtl::Watch<ThvCustomBufferLayer> watched(layer);
    Press(*layer, { 0, -10, 0, 1 }, kAhead);
    EXPECT_EQ(recorder.lines.size(), 1u);
    EXPECT_FALSE(watched);
}

TEST_F(ThvCustomLayerTest, LayerAlignDocksInTheParentsScreenLayout)
{
    auto* parent = Make<ThvCustomLayer>();
    parent->SetProjection(hvProjectionScreen);
    parent->SetWidth(300);
    parent->SetHeight(200);
    auto* bar = Make<ThvCustomLayer>("", parent);
    bar->SetHeight(40);
    bar->SetLayerAlign(hvLayerTop);
    EXPECT_EQ(bar->GetLayerAlign(), hvLayerTop);
    // Docked across the top of its parent, whose pixels run from its own centre.
    EXPECT_EQ(bar->GetWidth(), 300);
    EXPECT_TRUE(Near(bar->GetPosition()->GetPoint(), { 0, -80, 0 }));
}

// ---- the buffer ---------------------------------------------------------------------------

TEST_F(ThvCustomLayerTest, TheBufferFollowsThePlateAndTheResolution)
{
    struct Case {
        const char* name;
        bool screen;
        float width, height, depth;
        int32_t resolution;
        int32_t bufferWidth, bufferHeight;
    };
    const Case cases[] = {
        { "new", false, 4, 1, 3, 60, 240, 180 },
        { "coarser", false, 4, 1, 3, 30, 120, 90 },
        // Halves round to even.
        { "halves", false, 2.5f, 1, 3.5f, 1, 2, 4 },
        { "height does not count", false, 4, 7, 3, 60, 240, 180 },
        { "screen", true, 321, 99.5f, 3, 60, 321, 100 },
        { "screen ignores resolution and depth", true, 10, 20, 30, 7, 10, 20 },
        { "nothing", false, 0, 0, 0, 60, 0, 0 },
        { "inside out", false, -4, 1, 3, 60, 0, 180 },
        // A plate far larger than any window asks for no more than the largest buffer.
        { "huge", false, 1e6f, 1, 1e6f, 60, 4096, 4096 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* layer = Make<ThvCustomBufferLayer>();
        if (c.screen)
            layer->SetProjection(hvProjectionScreen);
        layer->SetResolution(c.resolution);
        layer->SetWidth(c.width);
        layer->SetHeight(c.height);
        layer->SetDepth(c.depth);
        EXPECT_EQ(layer->GetBufferWidth(), c.bufferWidth);
        EXPECT_EQ(layer->GetBufferHeight(), c.bufferHeight);
        // The bitmap takes the size when the layer is next painted.
        layer->BeforePaint();
        EXPECT_EQ(layer->GetBuffer()->GetWidth(), c.bufferWidth);
        EXPECT_EQ(layer->GetBuffer()->GetHeight(), c.bufferHeight);
        layer->Free();
    }
}

TEST_F(ThvCustomLayerTest, ANewResolutionResizesTheBufferAtTheNextPaint)
{
    auto* layer = Make<ThvCustomBufferLayer>();
    EXPECT_EQ(layer->GetBuffer()->GetWidth(), 240);
    EXPECT_EQ(layer->GetBuffer()->GetHeight(), 180);
    uint32_t* bits = nullptr;
    ASSERT_TRUE(layer->GetBuffer()->Map(bits, true));
    bits[0] = 0xFF112233;
    layer->GetBuffer()->Unmap();

    scene->updateRequests = 0;
    layer->SetResolution(30);
    EXPECT_EQ(scene->updateRequests, 1);
    EXPECT_EQ(layer->GetBuffer()->GetWidth(), 240);
    layer->BeforePaint();
    EXPECT_EQ(layer->GetBuffer()->GetWidth(), 120);
    EXPECT_EQ(layer->GetBuffer()->GetHeight(), 90);
    EXPECT_EQ(layer->GetBuffer()->Bits()[0], 0u);

    // In screen projection the resolution changes nothing.
    layer->SetProjection(hvProjectionScreen);
    layer->SetWidth(64);
    layer->SetHeight(32);
    layer->SetResolution(90);
    layer->BeforePaint();
    EXPECT_EQ(layer->GetBuffer()->GetWidth(), 64);
    EXPECT_EQ(layer->GetBuffer()->GetHeight(), 32);
    // Nor does changing the projection back, until a size is set again.
    layer->SetProjection(hvProjectionCamera);
    EXPECT_EQ(layer->GetBufferWidth(), 64);
}

TEST_F(ThvCustomLayerTest, MaterialsFindTheBufferByTheLayersName)
{
    auto* layer = Make<ThvCustomBufferLayer>();
    EXPECT_EQ(hvFindResourceBitmap(""), nullptr);
    layer->SetName("Inspector");
    ThvMaterial material;
    material.SetBitmap("INSPECTOR");
    EXPECT_EQ(material.GetTexture(), layer->GetBuffer());

    layer->SetName("Toolbar");
    EXPECT_EQ(material.GetTexture(), nullptr);
    material.SetBitmap("toolbar");
    EXPECT_EQ(material.GetTexture(), layer->GetBuffer());

    // A name another component of the owner has is refused and changes nothing.
    Make<ThvCustomLayer>("Taken");
    EXPECT_THROW(layer->SetName("Taken"), rtl::Exception);
    EXPECT_EQ(material.GetTexture(), layer->GetBuffer());

    layer->Free();
    EXPECT_EQ(material.GetTexture(), nullptr);
}

TEST_F(ThvCustomLayerTest, ModulationColourIsAlwaysStored)
{
    auto* layer = Make<ThvBufferLayer>();
    EXPECT_EQ(layer->GetModulationColor(), "#FFFFFFFF");
    scene->updateRequests = 0;
    layer->SetModulationColor("#ffffffff");
    EXPECT_EQ(scene->updateRequests, 0);
    layer->SetModulationColor("$80FF0000");
    EXPECT_EQ(scene->updateRequests, 1);
    EXPECT_EQ(layer->GetModulationColor(), "#80FF0000");
    layer->SetResolution(30);
    const std::string text = ObjectText(*layer);
    EXPECT_NE(text.find("ModulationColor = '#80FF0000'"), std::string::npos) << text;
    EXPECT_NE(text.find("Resolution = 30"), std::string::npos) << text;

    // Read back through the class registry.
    rtl::TConstMemoryStream input(text.data(), text.size());
    ThvObject* copy = CreateObjectFromStream(form.get(), input);
    auto* read = dynamic_cast<ThvBufferLayer*>(copy);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetModulationColor(), "#80FF0000");
    EXPECT_EQ(read->GetResolution(), 30);
    EXPECT_EQ(read->GetBufferWidth(), 120);

    auto* fresh = Make<ThvBufferLayer>();
    EXPECT_NE(ObjectText(*fresh).find("ModulationColor = '#FFFFFFFF'"), std::string::npos);
}

TEST_F(ThvCustomLayerTest, TheQuadsFaceTheirViewers)
{
    auto* layer = Make<ThvCustomBufferLayer>();
    const std::vector<ThvTexVertexNormal>& camera = layer->GetCameraQuad().Vertices();
    ASSERT_EQ(camera.size(), 4u);
    EXPECT_EQ(layer->GetCameraQuad().Indices(), (std::vector<uint16_t> { 0, 2, 1, 2, 3, 1 }));
    // Vertex 2y + x at (x - 0.5, 0, y - 0.5), texture (x, 1 - y), normals towards -Y.
    EXPECT_EQ(camera[1], hvTexVertexNormal(0.5f, 0, -0.5f, 0, -2, 0, 1, 1));
    EXPECT_EQ(camera[2], hvTexVertexNormal(-0.5f, 0, 0.5f, 0, -2, 0, 0, 0));
    EXPECT_EQ(camera[0].NY, -1);
    EXPECT_EQ(camera[3].NY, -1);
    const std::vector<ThvTexVertexNormal>& screen = layer->GetScreenQuad().Vertices();
    ASSERT_EQ(screen.size(), 4u);
    EXPECT_EQ(layer->GetScreenQuad().Indices(), (std::vector<uint16_t> { 0, 1, 2, 2, 1, 3 }));
    EXPECT_EQ(screen[3], hvTexVertexNormal(0.5f, 0.5f, 0, 0, 0, 1, 1, 1));
}

TEST_F(ThvCustomLayerTest, TheBufferLayerDrawsItsBufferUnlitInTheModulationColour)
{
    auto* layer = Make<ThvCustomBufferLayer>();
    layer->SetModulationColor("#FF8080FF");
    layer->SetOpacity(0.5f);
    TEventRecorder recorder;
    layer->OnUpdateBuffer.Bind<&TEventRecorder::Notify>(&recorder);
    DrawFrame(*scene, *canvas);
    EXPECT_EQ(recorder.lines, std::vector<std::string> { "notify" });
    const std::vector<std::string> fills = canvas->Lines("FillMesh");
    EXPECT_EQ(fills, std::vector<std::string> { "FillMesh (0,0,0) (4,1,3) 4/6 0.5" });
    // The diffuse alpha halved, no texture name, and lighting off, before the drawing.
    const auto fill = std::find(canvas->log.begin(), canvas->log.end(), fills.front());
    const auto change
        = std::find(std::make_reverse_iterator(fill), canvas->log.rend(), "MaterialChanged #7F8080FF ");
    EXPECT_NE(change, canvas->log.rend());
    EXPECT_FALSE(canvas->GetMaterial()->GetLighting());
    EXPECT_EQ(canvas->GetMaterial()->GetBitmapMode(), hvTexModulate);
    // The texture is handed back after the drawing.
    EXPECT_EQ(canvas->GetMaterial()->GetTextureBitmap(), nullptr);
    EXPECT_TRUE(canvas->GetStateOn(hvStateTextureNone));
    EXPECT_TRUE(canvas->GetStateOn(hvStateFilterLinear));

    // In screen projection: the whole pixel position, half a pixel in for odd sizes.
    layer->SetProjection(hvProjectionScreen);
    layer->SetWidth(31);
    layer->SetHeight(20);
    layer->GetPosition()->SetPoint({ 10.75f, -4.5f, 2.25f });
    DrawFrame(*scene, *canvas);
    EXPECT_EQ(canvas->Lines("FillMesh"), std::vector<std::string> { "FillMesh (0.5,0,0) (31,20,3) 4/6 0.5" });
    const ThvMatrix& world = canvas->GetWorldMatrix();
    EXPECT_TRUE(Near(MatrixRow(world, 3), { 10, -4, 2.25f, 1 }));
}

} // namespace
