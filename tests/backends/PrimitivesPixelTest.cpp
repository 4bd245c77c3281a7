// The built-in primitives drawn by the Direct3D-style canvas on OpenGL (llvmpipe here): lit
// from the camera's side, their meshes must face outwards with outward normals, or culling
// and lighting show it. Also a buffer layer showing its buffer on a plate.

#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCube.h"
#include "scene3d/ThvCustomBufferLayer.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvSphere.h"

#include "tests/backends/BackendTestSupport.h"

#include "tests/MissingDisplay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

using namespace backendtest;

namespace {

constexpr int32_t kSize = 64;
constexpr int32_t kMiddle = kSize / 2;

uint32_t Grey(int level)
{
    return 0xFF000000u | static_cast<uint32_t>(level) * 0x010101u;
}

int GreyLevel(uint32_t pixel)
{
    return static_cast<int>(pixel & 0xFF);
}

// A scene whose canvas renders into a 64 x 64 bitmap, seen by a camera at (0, -10, 0) looking
// along +Y, lit by a white directional light shining the same way.
class PrimitivesPixelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!StartOpenGl())
            GF_MISSING_DISPLAY("No EGL display or OpenGL context here: the canvas cannot render");
        m_canvas = MakeBitmapCanvas(m_bitmap);
        ASSERT_TRUE(m_canvas->GetDevice());
        m_scene->SetCanvas(m_canvas.get());
    }
    void TearDown() override
    {
        if (m_canvas)
            m_canvas->GetMaterial()->SetTexture(nullptr);
        m_scene->SetCanvas(nullptr);
        m_form.reset();
        m_canvas.reset();
    }

    template <class T> T* Make()
    {
        auto* object = new T(m_form.get());
        m_scene->AddObject(object);
        return object;
    }

    /// One frame of `object` as the scene's paint cycle draws it: lighting, the camera, the
    /// light, the default presets, a transparent clear, the object's own presets and matrix.
    void Draw(ThvVisualObject& object, bool withLight = true)
    {
        rtl::TOwned<ThvLight> light(new ThvLight(nullptr));
        m_canvas->ResetScene();
        m_canvas->SetLighting(true);
        m_canvas->SetAmbientColor(0);
        const ThvMatrix view = FrontView();
        ThvMatrix inverse = view;
        hvInvertMatrix(inverse);
        m_canvas->SetViewMatrices(view, inverse);
        if (withLight)
            m_canvas->AddLight(light.get());
        ASSERT_TRUE(m_canvas->BeginScene());
        for (ThvRenderState s : { hvStateGouraud, hvStateCameraProjection, hvStateZWriteOn, hvStateLightingOn,
                 hvStateFilterLinear, hvStateCullCCW })
            m_canvas->SetState(s);
        m_canvas->Clear(0);
        m_canvas->SetState(hvStateZTestOn);
        m_canvas->SetState(object.GetTwoSide() ? hvStateCullNone : hvStateCullCCW);
        m_canvas->SetMatrix(object.GetAbsoluteMatrix());
        object.BeforePaint();
        object.Render();
        object.AfterPaint();
        m_canvas->EndScene();
    }

    uint32_t Pixel(int32_t x, int32_t y) const { return PixelOf(m_bitmap, x, y); }

    /// The pixels of row `y` (or column `x`) that were drawn.
    int DrawnInRow(int32_t y) const
    {
        int n = 0;
        for (int32_t x = 0; x < kSize; ++x)
            n += Pixel(x, y) != 0;
        return n;
    }
    int DrawnInColumn(int32_t x) const
    {
        int n = 0;
        for (int32_t y = 0; y < kSize; ++y)
            n += Pixel(x, y) != 0;
        return n;
    }

    ModuleGuard m_guard;
    ThvBitmap m_bitmap { kSize, kSize };
    CanvasPtr m_canvas;
    rtl::TOwned<rtl::TComponent> m_form { new rtl::TComponent(nullptr) };
    ThvScene* m_scene = new ThvScene(m_form.get());
};

// Diffuse 128 lit by the light's ambient (105/255) and its diffuse part N.L: 181 where the
// surface faces the light, 53 where it turns away at a right angle.
constexpr int kFacing = 181;
constexpr int kGrazing = 53;

TEST_F(PrimitivesPixelTest, ALitSphereIsARoundDiscBrightestInTheMiddle)
{
    auto* sphere = Make<ThvSphere>();
    sphere->SetWidth(4);
    sphere->SetHeight(4);
    sphere->SetDepth(4);
    sphere->GetMaterial()->SetDiffuseColor(0xFF808080);
    Draw(*sphere);

    EXPECT_TRUE(Near(Pixel(kMiddle, kMiddle), Grey(kFacing), 6));
    // Round: as wide as high, and the corners of its square are empty.
    const int across = DrawnInRow(kMiddle);
    const int down = DrawnInColumn(kMiddle);
    ASSERT_GT(across, 8);
    EXPECT_NEAR(across, down, 2);
    const int radius = across / 2;
    const int diagonal = radius * 8 / 10;
    for (const auto& [dx, dy] : { std::pair { 1, 1 }, { -1, 1 }, { 1, -1 }, { -1, -1 } }) {
        SCOPED_TRACE(std::to_string(dx) + "," + std::to_string(dy));
        EXPECT_EQ(Pixel(kMiddle + dx * diagonal, kMiddle + dy * diagonal), 0u);
        EXPECT_NE(Pixel(kMiddle + dx * radius / 2, kMiddle + dy * radius / 2), 0u);
    }
    // Darker towards the rim, the same on both sides, and never darker than the light's
    // ambient part.
    const int left = GreyLevel(Pixel(kMiddle - radius + 2, kMiddle));
    const int right = GreyLevel(Pixel(kMiddle + radius - 2, kMiddle));
    EXPECT_LT(left, kFacing - 40);
    EXPECT_NEAR(left, right, 8);
    EXPECT_GE(left, kGrazing - 4);
    const int halfWay = GreyLevel(Pixel(kMiddle + radius / 2, kMiddle));
    EXPECT_GT(halfWay, right);
    EXPECT_LT(halfWay, GreyLevel(Pixel(kMiddle, kMiddle)));
    EXPECT_EQ(Pixel(1, 1), 0u);
}

TEST_F(PrimitivesPixelTest, ALitCubeShowsItsFacesByTheirTurnTowardsTheLight)
{
    auto* cube = Make<ThvCube>();
    cube->SetWidth(3);
    cube->SetHeight(3);
    cube->SetDepth(3);
    cube->GetMaterial()->SetDiffuseColor(0xFF808080);
    Draw(*cube);
    // Straight on: one face, evenly lit, its edges square.
    EXPECT_TRUE(Near(Pixel(kMiddle, kMiddle), Grey(kFacing), 4));
    const int across = DrawnInRow(kMiddle);
    ASSERT_GT(across, 8);
    const int half = across / 2;
    for (const auto& [dx, dy] : { std::pair { 1, 1 }, { -1, 1 }, { 1, -1 }, { -1, -1 } }) {
        SCOPED_TRACE(std::to_string(dx) + "," + std::to_string(dy));
        EXPECT_TRUE(Near(Pixel(kMiddle + dx * (half - 2), kMiddle + dy * (half - 2)), Grey(kFacing), 4));
    }

    // Turned 45 degrees about its vertical axis: two faces, each 45 degrees from the light,
    // equally lit: 128 x (105/255 + cos 45).
    cube->GetRotateAngle()->SetZ(45);
    Draw(*cube);
    const uint32_t turned = Grey(143);
    EXPECT_TRUE(Near(Pixel(kMiddle - 4, kMiddle), turned, 5));
    EXPECT_TRUE(Near(Pixel(kMiddle + 4, kMiddle), turned, 5));

    // Turned 60 degrees: the face nearer the camera gets cos 30, the other cos 60.
    cube->GetRotateAngle()->SetZ(60);
    Draw(*cube);
    const int a = GreyLevel(Pixel(kMiddle - 6, kMiddle));
    const int b = GreyLevel(Pixel(kMiddle + 6, kMiddle));
    const int brighter = std::max(a, b), dimmer = std::min(a, b);
    EXPECT_NEAR(brighter, 128 * (105.0 / 255 + 0.8660), 5);
    EXPECT_NEAR(dimmer, 128 * (105.0 / 255 + 0.5), 5);
}

TEST_F(PrimitivesPixelTest, ABufferLayerShowsItsBufferOnItsPlate)
{
    auto* layer = Make<ThvCustomBufferLayer>();
    layer->SetWidth(2);
    layer->SetDepth(2);
    layer->SetResolution(8);
    layer->BeforePaint();
    // Left half red, right half blue, in the buffer's own rows.
    uint32_t* bits = nullptr;
    ThvBitmap* buffer = layer->GetBuffer();
    ASSERT_EQ(buffer->GetWidth(), 16);
    ASSERT_TRUE(buffer->Map(bits, true));
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x)
            bits[y * 16 + x] = x < 8 ? 0xFFFF0000 : 0xFF0000FF;
    buffer->Unmap();
    layer->SetModulationColor("#FFFFFFFF");
    Draw(*layer, false);
    // Unlit, untinted, the right way round as seen from the camera.
    const int32_t quarter = DrawnInRow(kMiddle) / 4;
    ASSERT_GT(quarter, 2);
    EXPECT_TRUE(Near(Pixel(kMiddle - quarter, kMiddle), 0xFFFF0000, 4));
    EXPECT_TRUE(Near(Pixel(kMiddle + quarter, kMiddle), 0xFF0000FF, 4));
    EXPECT_EQ(Pixel(1, 1), 0u);
}

} // namespace
