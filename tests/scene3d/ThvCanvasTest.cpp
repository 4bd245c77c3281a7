#include "RecordingCanvas.h"
#include "Scene3DTestClasses.h"

#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace scene3dtest;

namespace {

constexpr float kPi = 3.1415927f;

void ExpectNear(const ThvVector& a, const ThvVector& b, float tolerance = 1e-4f)
{
    EXPECT_NEAR(a.X, b.X, tolerance) << "X";
    EXPECT_NEAR(a.Y, b.Y, tolerance) << "Y";
    EXPECT_NEAR(a.Z, b.Z, tolerance) << "Z";
}

void ExpectNearMatrix(const ThvMatrix& a, const ThvMatrix& b, float tolerance = 1e-5f)
{
    for (size_t i = 0; i < 4; ++i) {
        for (size_t j = 0; j < 4; ++j)
            EXPECT_NEAR(a[i][j], b[i][j], tolerance) << "[" << i << "][" << j << "]";
    }
}

// The full homogeneous product with the perspective division.
ThvVector Project(const ThvVector& v, const ThvMatrix& m)
{
    float r[4];
    for (size_t c = 0; c < 4; ++c)
        r[c] = v.X * m[0][c] + v.Y * m[1][c] + v.Z * m[2][c] + v.W * m[3][c];
    return { r[0] / r[3], r[1] / r[3], r[2] / r[3], 1 };
}

ThvMatrix Translation(float x, float y, float z)
{
    ThvMatrix m = hvIdentityMatrix;
    m[3][0] = x;
    m[3][1] = y;
    m[3][2] = z;
    return m;
}

// A camera's absolute matrix: rows right, viewing direction, up, position.
ThvMatrix CameraAt(
    const ThvVector& right, const ThvVector& forward, const ThvVector& up, const ThvVector& position)
{
    ThvMatrix m = hvIdentityMatrix;
    const ThvVector rows[] = { right, forward, up, position };
    for (size_t r = 0; r < 4; ++r) {
        m[r][0] = rows[r].X;
        m[r][1] = rows[r].Y;
        m[r][2] = rows[r].Z;
    }
    return m;
}

} // namespace

// ---- presets --------------------------------------------------------------------------------

TEST(ThvCanvas, SetStateReachesTheDeviceOncePerFrameAndGroup)
{
    struct Case {
        const char* name;
        std::vector<ThvRenderState> calls;
        std::vector<std::string> applied;
    };
    const Case cases[] = {
        { "the same preset twice", { hvStateCullNone, hvStateCullNone }, { "ApplyState hvStateCullNone" } },
        { "another of the group switches it off", { hvStateCullNone, hvStateCullCW, hvStateCullNone },
            { "ApplyState hvStateCullNone", "ApplyState hvStateCullCW", "ApplyState hvStateCullNone" } },
        { "presets of other groups are independent",
            { hvStateCullNone, hvStateZWriteOff, hvStateCullNone, hvStateZWriteOff },
            { "ApplyState hvStateCullNone", "ApplyState hvStateZWriteOff" } },
        { "three texture modes",
            { hvStateTextureNone, hvStateTextureModulate, hvStateTextureReplace, hvStateTextureModulate },
            { "ApplyState hvStateTextureNone", "ApplyState hvStateTextureModulate",
                "ApplyState hvStateTextureReplace", "ApplyState hvStateTextureModulate" } },
        { "projection group", { hvStateCameraProjection, hvStateScreenProjection, hvStateScreenProjection },
            { "ApplyState hvStateCameraProjection", "ApplyState hvStateScreenProjection" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(100, 50);
        for (ThvRenderState s : c.calls)
            canvas->SetState(s);
        EXPECT_EQ(canvas->Lines("ApplyState"), c.applied);
    }
}

TEST(ThvCanvas, GroupsOfThePresets)
{
    const std::vector<std::vector<ThvRenderState>> groups = {
        { hvStateScreenProjection, hvStateCameraProjection },
        { hvStateLightingOn, hvStateLightingOff },
        { hvStateZTestOn, hvStateZTestOff },
        { hvStateZWriteOn, hvStateZWriteOff },
        { hvStateCullCCW, hvStateCullCW, hvStateCullNone },
        { hvStateBlendAdditive, hvStateBlendAlpha },
        { hvStateFilterPoint, hvStateFilterLinear },
        { hvStateTextureNone, hvStateTextureReplace, hvStateTextureModulate },
        { hvStateWireframe, hvStateSolid },
        { hvStateFlat, hvStateGouraud },
    };
    size_t count = 0;
    for (size_t g = 0; g < groups.size(); ++g) {
        for (ThvRenderState s : groups[g]) {
            SCOPED_TRACE(rtl::EnumName(s));
            EXPECT_EQ(RenderStateGroup(s), static_cast<int>(g));
            ++count;
        }
    }
    EXPECT_EQ(count, kRenderStateCount);
}

TEST(ThvCanvas, ResetSceneStartsAFreshFrameWithoutTouchingTheDeviceMaterial)
{
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(100, 50);
    ThvMaterial material;
    material.SetBitmap("Wood");
    canvas->SetMaterial(material);
    canvas->SetState(hvStateGouraud);
    canvas->SetViewMatrices(Translation(1, 2, 3), Translation(-1, -2, -3));
    canvas->SetMatrix(Translation(4, 5, 6));
    canvas->AddLight(nullptr);
    canvas->ClearLog();

    canvas->ResetScene();
    EXPECT_EQ(canvas->log, std::vector<std::string> { "SetMatrix" });
    EXPECT_EQ(canvas->GetWorldMatrix(), hvIdentityMatrix);
    EXPECT_EQ(canvas->GetViewMatrix(), hvIdentityMatrix);
    EXPECT_TRUE(canvas->Lights().empty());
    EXPECT_FALSE(canvas->GetStateOn(hvStateGouraud));
    EXPECT_EQ(canvas->GetMaterial()->GetDiffuseColor(), 0u);
    EXPECT_EQ(canvas->GetMaterial()->GetAmbientColor(), 0u);
    EXPECT_EQ(canvas->GetMaterial()->GetBitmap(), "");

    // The first preset of the new frame reaches the device again.
    canvas->SetState(hvStateGouraud);
    EXPECT_EQ(canvas->Lines("ApplyState"), std::vector<std::string> { "ApplyState hvStateGouraud" });
}

TEST(ThvCanvas, AFrameFollowsTheProtocolThroughTheCanvas)
{
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(64, 48);
    for (bool deviceReady : { true, false }) {
        SCOPED_TRACE(deviceReady);
        canvas->ClearLog();
        canvas->beginSceneResult = deviceReady;
        canvas->ResetScene();
        canvas->SetLighting(true);
        canvas->SetAmbientColor(0xFF202020);
        canvas->SetCamera(nullptr);
        if (canvas->BeginScene()) {
            for (ThvRenderState s : { hvStateGouraud, hvStateCameraProjection, hvStateZWriteOn,
                     hvStateLightingOn, hvStateFilterLinear, hvStateCullCCW })
                canvas->SetState(s);
            canvas->Clear(0xFF303030);
            canvas->FillCube({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, 1);
        }
        canvas->EndScene();
        std::vector<std::string> expected = { "SetMatrix", "SetCamera nil", "BeginScene" };
        if (deviceReady) {
            for (const char* s : { "ApplyState hvStateGouraud", "ApplyState hvStateCameraProjection",
                     "ApplyState hvStateZWriteOn", "ApplyState hvStateLightingOn",
                     "ApplyState hvStateFilterLinear", "ApplyState hvStateCullCCW", "Clear #FF303030",
                     "FillCube (0,0,0) (1,1,1) 1" })
                expected.push_back(s);
        }
        expected.push_back("EndScene");
        EXPECT_EQ(canvas->log, expected);
    }
    EXPECT_EQ(canvas->frame[0], 0xFF303030u);
}

// ---- materials ------------------------------------------------------------------------------

TEST(ThvCanvas, MaterialWithOpacityScalesOnlyTheCopy)
{
    struct Case {
        uint32_t diffuse;
        float opacity;
        const char* applied;
    };
    const Case cases[] = {
        { 0x80FFFFFF, 0.5f, "MaterialChanged #40FFFFFF " },
        { 0x80FFFFFF, 1.0f, "MaterialChanged #80FFFFFF " },
        { 0xFF102030, 2.0f, "MaterialChanged #FF102030 " },
        { 0xFF102030, 0.0f, "MaterialChanged #00102030 " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.applied);
        rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(10, 10);
        ThvMaterial material;
        material.SetDiffuseColor(c.diffuse);
        class Counter : public rtl::TObject {
        public:
            int changes = 0;
            void Change(rtl::TObject*) { ++changes; }
        } counter;
        material.OnChanged.Bind<&Counter::Change>(&counter);
        canvas->SetMaterialWithOpacity(material, c.opacity);
        EXPECT_EQ(canvas->log, std::vector<std::string> { c.applied });
        EXPECT_EQ(material.GetDiffuseColor(), c.diffuse);
        EXPECT_EQ(counter.changes, 0);
    }
}

// ---- projections and picking ----------------------------------------------------------------

TEST(ThvCanvas, CameraProjectionIsAQuarterTurnPerspectiveTimesAnyZoom)
{
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(200, 100);
    const ThvMatrix plain = hvMatrixPerspectiveFovRH(kPi / 4, 2, 1, 1000);
    EXPECT_EQ(canvas->GetProjectionMatrix(), plain);

    struct Case {
        const char* name;
        ThvMatrix zoom;
    };
    ThvMatrix scaled = hvIdentityMatrix;
    scaled[0][0] = scaled[1][1] = 3;
    const Case cases[] = {
        { "a horizontal shift", Translation(0.5f, 0, 0) },
        { "a scale", scaled },
        // A tile of a tiled screenshot may be shifted only vertically; that shift counts too.
        { "a vertical shift alone", Translation(0, -0.75f, 0) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas->SetZoomMatrix(c.zoom);
        EXPECT_EQ(canvas->GetProjectionMatrix(), hvMatrixMultiply(plain, c.zoom));
    }
}

TEST(ThvCanvas, ScreenMatrixPutsPixelsOfThePlaneZ0OnTheirPixels)
{
    struct Size {
        int32_t w, h;
    };
    for (Size size : { Size { 640, 480 }, Size { 100, 300 }, Size { 1, 1 } }) {
        SCOPED_TRACE(std::to_string(size.w) + "x" + std::to_string(size.h));
        rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(size.w, size.h);
        const ThvMatrix m = canvas->GetScreenMatrix();
        const float w = static_cast<float>(size.w);
        const float h = static_cast<float>(size.h);
        for (const TwzPoint& p :
            { TwzPoint { 0, 0 }, TwzPoint { w, h }, TwzPoint { w / 2, h / 2 }, TwzPoint { w / 4, h } }) {
            SCOPED_TRACE(std::to_string(p.X) + "," + std::to_string(p.Y));
            const ThvVector ndc = Project({ p.X, p.Y, 0, 1 }, m);
            EXPECT_NEAR(ndc.X, (p.X - w / 2) * 2 / w, 1e-5f);
            EXPECT_NEAR(ndc.Y, -(p.Y - h / 2) * 2 / h, 1e-5f);
        }
        // Positive Z runs away from the viewer: deeper points get a larger depth.
        EXPECT_GT(Project({ w / 2, h / 2, 10, 1 }, m).Z, Project({ w / 2, h / 2, 0, 1 }, m).Z);
    }
}

TEST(ThvCanvas, ScreenPickStartsAtTheViewerAndPassesThroughThePixel)
{
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(640, 480);
    ThvVector pos, dir;
    canvas->Pick(hvProjectionScreen, 320, 240, pos, dir);
    ExpectNear(dir, { 0, 0, 1, 0 });
    // The viewer stands at (W / 2, H / 2, -2 / k), k = 4 / (H cot(pi / 12)).
    const float k = 4 / (480 / std::tan(kPi / 12));
    ExpectNear(pos, { 320, 240, -2 / k, 1 }, 1e-2f);

    for (const TwzPoint& pixel : { TwzPoint { 0, 0 }, TwzPoint { 600, 17 }, TwzPoint { 100, 479 } }) {
        SCOPED_TRACE(std::to_string(pixel.X) + "," + std::to_string(pixel.Y));
        canvas->Pick(hvProjectionScreen, pixel.X, pixel.Y, pos, dir);
        ThvVector hit;
        ASSERT_TRUE(hvRayPlaneIntersect(pos, dir, { 0, 0, 0, 1 }, { 0, 0, 1, 0 }, hit));
        ExpectNear(hit, { pixel.X, pixel.Y, 0, 1 }, 1e-2f);
    }
}

TEST(ThvCanvas, CameraPickRunsFromTheEyeThroughThePixel)
{
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(300, 200);
    ThvVector pos, dir;
    // Without a camera the eye is the origin, looking down -Z.
    canvas->Pick(hvProjectionCamera, 150, 100, pos, dir);
    ExpectNear(pos, { 0, 0, 0, 1 });
    ExpectNear(dir, { 0, 0, -1, 0 });

    // The design camera's view: at (0, -20, 0) looking along +Y with Z up.
    canvas->SetCameraView(
        CameraAt({ 1, 0, 0, 0 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 }, { 0, -20, 0, 1 }), nullptr);
    canvas->Pick(hvProjectionCamera, 150, 100, pos, dir);
    ExpectNear(pos, { 0, -20, 0, 1 });
    ExpectNear(dir, { 0, 1, 0, 0 });

    // Off-centre: a point along the ray projects back onto the pixel it was picked at.
    for (const TwzPoint& pixel : { TwzPoint { 0, 0 }, TwzPoint { 299, 10 }, TwzPoint { 40, 190 } }) {
        SCOPED_TRACE(std::to_string(pixel.X) + "," + std::to_string(pixel.Y));
        canvas->Pick(hvProjectionCamera, pixel.X, pixel.Y, pos, dir);
        const ThvVector far = hvVectorCombine(pos, dir, 37);
        ThvPoint screen;
        canvas->WorldToScreen(hvProjectionCamera, hvVectorToPoint(far), screen);
        EXPECT_NEAR(screen.X, pixel.X, 1e-2f);
        EXPECT_NEAR(screen.Y, pixel.Y, 1e-2f);
        EXPECT_LT(screen.Z, 0) << "in front of the camera";
    }
    // To the right on screen is +X in the world, up on screen is +Z.
    canvas->Pick(hvProjectionCamera, 299, 100, pos, dir);
    EXPECT_GT(dir.X, 0);
    canvas->Pick(hvProjectionCamera, 150, 0, pos, dir);
    EXPECT_GT(dir.Z, 0);
}

TEST(ThvCanvas, WorldToScreenOfSpecialPoints)
{
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(300, 200);
    ThvPoint r;
    canvas->WorldToScreen(hvProjectionScreen, { 12, -3, 7 }, r);
    EXPECT_EQ(r, (ThvPoint { 12, -3, 7 }));

    canvas->SetCameraView(
        CameraAt({ 1, 0, 0, 0 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 }, { 5, -20, 1, 1 }), nullptr);
    // The camera's own position has view depth 0: its view coordinates come back.
    canvas->WorldToScreen(hvProjectionCamera, { 5, -20, 1 }, r);
    EXPECT_NEAR(r.X, 0, 1e-4f);
    EXPECT_NEAR(r.Y, 0, 1e-4f);
    EXPECT_EQ(r.Z, 0);
    // A point straight ahead lands in the middle, its depth negative.
    canvas->WorldToScreen(hvProjectionCamera, { 5, 0, 1 }, r);
    EXPECT_NEAR(r.X, 150, 1e-3f);
    EXPECT_NEAR(r.Y, 100, 1e-3f);
    EXPECT_NEAR(r.Z, -20, 1e-4f);
}

TEST(ThvCanvas, SetCameraViewsFromTheCameraOrTowardsItsTarget)
{
    RegisterTestClasses3D();
    rtl::TOwned<rtl::TComponent> form(new rtl::TComponent(nullptr));
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(300, 200);
    auto* camera = new ThvCamera(form.get());
    camera->GetPosition()->SetPoint({ 0, -10, 0 });
    canvas->SetCamera(camera);
    EXPECT_EQ(canvas->GetCamera(), camera);
    ThvVector pos, dir;
    canvas->Pick(hvProjectionCamera, 150, 100, pos, dir);
    ExpectNear(pos, { 0, -10, 0, 1 });
    ExpectNear(dir, { 0, 1, 0, 0 });
    ExpectNearMatrix(
        hvMatrixMultiply(canvas->GetViewMatrix(), canvas->GetCameraMatrix()), hvIdentityMatrix, 1e-4f);

    auto* target = new ThvCamera(form.get());
    target->GetPosition()->SetPoint({ 10, 0, 0 });
    camera->SetTarget(target);
    canvas->SetCamera(camera);
    canvas->Pick(hvProjectionCamera, 150, 100, pos, dir);
    const float s = std::sqrt(0.5f);
    ExpectNear(dir, { s, s, 0, 0 });

    canvas->SetCamera(nullptr);
    EXPECT_EQ(canvas->GetViewMatrix(), hvIdentityMatrix);
    EXPECT_EQ(canvas->GetCameraMatrix(), hvIdentityMatrix);
}

// ---- extruded rectangles ----------------------------------------------------------------------

TEST(ThvCanvas, FillRectExtrudesTheClosedOutline)
{
    struct Case {
        const char* name;
        TwzRect r;
        const char* logged;
    };
    const Case cases[] = {
        { "an ordinary rectangle", { 10, 20, 50, 40 }, "FillPolygon (30,30,0) (40,20,3) 5 0.5 FBS" },
        { "left beyond right keeps the outline", { 50, 20, 10, 40 },
            "FillPolygon (30,30,0) (-40,20,3) 5 0.5 FBS" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(100, 100);
        canvas->FillRect(c.r, 3, 0.5f);
        EXPECT_EQ(canvas->log, std::vector<std::string> { c.logged });
        const TwzPolygon expected = { { c.r.Left, c.r.Top }, { c.r.Right, c.r.Top },
            { c.r.Right, c.r.Bottom }, { c.r.Left, c.r.Bottom }, { c.r.Left, c.r.Top } };
        EXPECT_EQ(canvas->lastPolygon, expected);
        EXPECT_EQ(canvas->lastPolygonRect, c.r);
    }
}

// ---- back buffer ----------------------------------------------------------------------------

TEST(ThvCanvas, BackBufferFollowsTheSizeOfABufferedCanvas)
{
    rtl::TOwned<RecordingCanvas> unbuffered = MakeRecordingCanvas(4, 3);
    EXPECT_FALSE(unbuffered->HasBackBuffer());
    unbuffered->ResizeBuffer(0, 0);
    EXPECT_EQ(unbuffered->GetWidth(), 1);
    EXPECT_EQ(unbuffered->GetHeight(), 1);
    EXPECT_FALSE(unbuffered->HasBackBuffer());

    rtl::TOwned<RecordingCanvas> buffered = MakeRecordingCanvas(4, 3, true);
    ASSERT_TRUE(buffered->HasBackBuffer());
    uint32_t* bits = buffered->GetBackBufferBits();
    bits[11] = 0xFFFFFFFF; // the last pixel of 4 x 3
    buffered->ResizeBuffer(4, 3);
    EXPECT_EQ(buffered->GetBackBufferBits(), bits) << "the same size keeps the buffer";
    buffered->ResizeBuffer(-5, 2);
    EXPECT_EQ(buffered->GetWidth(), 1);
    EXPECT_EQ(buffered->GetHeight(), 2);
    buffered->GetBackBufferBits()[1] = 1;
    // Rebuilding the back buffer is the base's own business: a back end's FreeBuffer, which
    // releases its device, is not called for a resize.
    EXPECT_TRUE(buffered->Lines("FreeBuffer").empty());

    // A canvas made with no area still has one pixel of back buffer.
    rtl::TOwned<RecordingCanvas> empty = MakeRecordingCanvas(0, -4, true);
    ASSERT_TRUE(empty->HasBackBuffer());
    empty->GetBackBufferBits()[0] = 1;
}

TEST(ThvCanvas, ABackBufferThatCannotBeMadeIsReported)
{
    try {
        rtl::TOwned<RecordingCanvas> huge = MakeRecordingCanvas(1 << 20, 1 << 20, true);
        FAIL() << "a back buffer of 2^40 pixels was made";
    } catch (const rtl::GraphicsError& e) {
        EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
    }
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(10, 10, true);
    EXPECT_THROW(canvas->ResizeBuffer(1 << 20, 1 << 20), rtl::GraphicsError);
    // The canvas reports the size it has, not the one it could not get.
    EXPECT_EQ(canvas->GetWidth(), 0);
    EXPECT_EQ(canvas->GetHeight(), 0);
    EXPECT_FALSE(canvas->HasBackBuffer());
    // Just beyond the limit of 2^28 pixels is refused as well, without trying.
    EXPECT_THROW(canvas->ResizeBuffer(16384, 16385), rtl::GraphicsError);
    EXPECT_EQ(canvas->GetWidth(), 0);
    // A size that fits brings the back buffer back.
    canvas->ResizeBuffer(8, 4);
    EXPECT_EQ(canvas->GetWidth(), 8);
    ASSERT_TRUE(canvas->HasBackBuffer());
    canvas->GetBackBufferBits()[31] = 1;
}

TEST(ThvCanvas, ACanvasCannotBeAssignedToOtherObjects)
{
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(10, 10);
    ThvMaterial material;
    EXPECT_THROW(material.Assign(*canvas), rtl::ConvertError);
}

TEST(ThvCanvas, CanvasClassesMakeWindowAndBitmapCanvases)
{
    UseRecordingCanvas use;
    ASSERT_NE(hvDefaultCanvasClass, nullptr);
    int window = 0;
    rtl::TOwned<ThvCanvas> canvas
        = hvDefaultCanvasClass->CreateFromWindow(&window, 320, 200, true, hvHighQuality);
    EXPECT_EQ(canvas->GetHandle(), &window);
    EXPECT_EQ(canvas->GetQuality(), hvHighQuality);
    EXPECT_TRUE(canvas->GetBuffered());
    EXPECT_EQ(canvas->ClassName(), "RecordingCanvas");
    ThvBitmap bitmap(8, 6);
    rtl::TOwned<ThvCanvas> target = hvDefaultCanvasClass->CreateFromBitmap(&bitmap);
    EXPECT_EQ(target->GetBitmap(), &bitmap);
    EXPECT_EQ(target->GetWidth(), 8);
    EXPECT_EQ(target->GetQuality(), hvLowQuality);
    EXPECT_FALSE(target->HasBackBuffer());
}
