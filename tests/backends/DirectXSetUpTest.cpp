#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "backends/ThvFilterGdiPlus.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvMaterial.h"

#include "tests/backends/BackendTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace backendtest;

namespace {

// Device set-up over the recording runtime: which creation, state and reset calls a canvas
// makes on each path, and what it does without a device.
class DirectXSetUpTest : public ::testing::Test {
protected:
    ModuleGuard m_guard;
};

/// Draws one textured cube so that the canvas holds a texture, a ring position and presets.
void DrawTexturedFrame(ThvDirectXCanvas& canvas, ThvBitmap& texture)
{
    ASSERT_TRUE(BeginFrame(canvas, 0xFF000000));
    UseTexture(canvas, &texture);
    canvas.FillCube({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, 1);
    canvas.EndScene();
}

bool AnyFailed(const std::vector<std::string>& lines)
{
    return std::any_of(
        lines.begin(), lines.end(), [](const std::string& l) { return l.find(" = ") != std::string::npos; });
}

} // namespace

TEST_F(DirectXSetUpTest, StartUpInstallsTheClassesAndTheAdaptersTextureWidth)
{
    RecordingOptions options;
    options.MaxTextureWidth = 4096;
    StartRecording(options);
    EXPECT_EQ(hvDefaultCanvasClass, &kCanvasClassOf<ThvDirectXCanvas>);
    EXPECT_EQ(hvDefaultFilterClass, &kFilterClassOf<ThvFilterGdiPlus>);
    EXPECT_EQ(hvMaxTextureWidth, 4096);
    ASSERT_TRUE(hvDirect3D);

    // A bitmap's own canvas now comes from the Direct3D canvas class, with a device.
    ThvBitmap bitmap(4, 4);
    auto* canvas = dynamic_cast<ThvDirectXCanvas*>(bitmap.GetCanvas());
    ASSERT_NE(canvas, nullptr);
    EXPECT_TRUE(canvas->GetDevice());
}

TEST_F(DirectXSetUpTest, CallFamiliesOfThePlainAndExtendedPaths)
{
    struct Case {
        const char* name;
        bool exportsEx;
        const char* scriptKey; // a failure scripted before start-up
        bool extendedAfter; // hvDirect3DCreate9Ex once the first canvas exists
        const char* create; // the creation call every canvas ends with
        const char* check; // how BeginScene asks for the device state
        const char* reset;
        const char* present;
    };
    const Case cases[] = {
        { "both entries exported", true, nullptr, true, "CreateDeviceEx(", "CheckDeviceState(", "ResetEx(",
            "PresentEx(" },
        { "only the plain entry", false, nullptr, false, "CreateDevice(", "TestCooperativeLevel(", "Reset(",
            "Present(" },
        { "the extended object is refused", true, "Direct3DCreate9Ex", false, "CreateDevice(",
            "TestCooperativeLevel(", "Reset(", "Present(" },
        { "the extended device is refused once", true, "CreateDeviceEx", false, "CreateDevice(",
            "TestCooperativeLevel(", "Reset(", "Present(" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleGuard guard;
        RecordingOptions options;
        options.ExportsDirect3DCreate9Ex = c.exportsEx;
        auto runtime = StartRecording(options, [&](Recorder& r) {
            if (c.scriptKey)
                r.Script(c.scriptKey, { E_FAIL });
        });
        Recorder& log = runtime->GetRecorder();
        ASSERT_TRUE(hvDirect3D);

        ThvBitmap texture(8, 8);
        ThvBitmap target(16, 16);
        CanvasPtr window = MakeWindowCanvas(32, 24, true);
        CanvasPtr offscreen = MakeBitmapCanvas(target);
        ASSERT_TRUE(window->GetDevice());
        ASSERT_TRUE(offscreen->GetDevice());
        EXPECT_EQ(hvDirect3DCreate9Ex, c.extendedAfter);
        // Both canvases end with the same creation call, window and bitmap alike.
        const std::vector<std::string> created = CallsWith(log, " -> Device");
        ASSERT_EQ(created.size(), 2u);
        for (const std::string& line : created)
            EXPECT_NE(line.find(c.create), std::string::npos) << line;

        for (ThvDirectXCanvas* canvas : { window.get(), offscreen.get() }) {
            const size_t from = log.Calls().size();
            DrawTexturedFrame(*canvas, texture);
            canvas->ResizeBuffer(canvas->GetWidth(), canvas->GetHeight());
            EXPECT_FALSE(CallsWith(log, c.check, from).empty());
            const std::vector<std::string> resets = CallsWith(log, c.reset, from);
            ASSERT_EQ(resets.size(), 1u);
            // A plain reset succeeds only when the canvas released every video-memory
            // resource and state block first.
            EXPECT_FALSE(AnyFailed(resets)) << resets[0];
            // The canvas draws again after the reset.
            const size_t drawsBefore = log.Draws().size();
            DrawTexturedFrame(*canvas, texture);
            EXPECT_EQ(log.Draws().size(), drawsBefore + 1);
        }
        EXPECT_EQ(CallsWith(log, c.present).size(), 2u) << "only the window canvas presents";
    }
}

TEST_F(DirectXSetUpTest, WithoutADeviceEveryOperationDoesNothing)
{
    struct Case {
        const char* name;
        std::function<void()> start;
    };
    const Case cases[] = {
        { "no runtime",
            [] {
                SetRuntimeLoader([] { return RuntimePtr(); });
                hvDirectXInit();
            } },
        { "no creation entry",
            [] {
                RecordingOptions options;
                options.ExportsDirect3DCreate9 = false;
                options.ExportsDirect3DCreate9Ex = false;
                StartRecording(options);
            } },
        { "device creation refused",
            [] {
                StartRecording({}, [](Recorder& r) {
                    r.Script("CreateDeviceEx", { E_FAIL, E_FAIL });
                    r.Script("CreateDevice", { E_FAIL, E_FAIL });
                });
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleGuard guard;
        hvMaxTextureWidth = 2048;
        c.start();
        EXPECT_EQ(hvMaxTextureWidth, 2048);
        ThvBitmap bitmap(4, 4);
        std::vector<CanvasPtr> canvases;
        canvases.push_back(MakeWindowCanvas(4, 4, true, hvSuperHighQuality));
        canvases.push_back(MakeBitmapCanvas(bitmap));
        for (CanvasPtr& canvas : canvases) {
            EXPECT_FALSE(canvas->GetDevice());
            EXPECT_FALSE(BeginFrame(*canvas, 0xFF112233));
            canvas->Clear(0xFF112233);
            canvas->FillCube({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, 1);
            UseTexture(*canvas, &bitmap);
            canvas->EndScene();
            std::vector<uint32_t> bits(16, 0xDEADBEEF);
            canvas->CopyBits(bits.data());
            EXPECT_EQ(bits, std::vector<uint32_t>(16, 0xDEADBEEF));
            canvas->SetQuality(hvHighQuality);
            canvas->ResizeBuffer(8, 2);
            EXPECT_EQ(canvas->GetWidth(), 8);
            EXPECT_EQ(canvas->GetHeight(), 2);
        }
        EXPECT_TRUE(bitmap.TextureCanvases().empty());
    }
}

TEST_F(DirectXSetUpTest, MultisamplingFollowsQualityAndWhatTheAdapterOffers)
{
    struct Case {
        const char* name;
        std::vector<uint32_t> offered;
        ThvQuality quality;
        D3DMULTISAMPLE_TYPE expected;
        bool resolveTarget; // of a buffered canvas
    };
    const Case cases[] = {
        { "low quality never multisamples", { 2, 4 }, hvLowQuality, D3DMULTISAMPLE_NONE, false },
        { "super high takes 4", { 2, 4 }, hvSuperHighQuality, D3DMULTISAMPLE_4_SAMPLES, true },
        { "high takes 2", { 2, 4 }, hvHighQuality, D3DMULTISAMPLE_2_SAMPLES, true },
        { "super high falls back to 2", { 2 }, hvSuperHighQuality, D3DMULTISAMPLE_2_SAMPLES, true },
        { "high without 2 samples gets none but still resolves", { 4 }, hvHighQuality, D3DMULTISAMPLE_NONE,
            true },
        { "nothing offered", {}, hvSuperHighQuality, D3DMULTISAMPLE_NONE, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleGuard guard;
        RecordingOptions options;
        options.SampleCounts = c.offered;
        StartRecording(options);
        for (bool buffered : { false, true }) {
            CanvasPtr canvas = MakeWindowCanvas(16, 16, buffered, c.quality);
            ASSERT_TRUE(canvas->GetDevice());
            EXPECT_EQ(canvas->GetPresentParameters().MultiSampleType, c.expected);
            EXPECT_EQ(Recording(*canvas).Parameters().MultiSampleType, c.expected);
            EXPECT_EQ(canvas->GetResolveTarget() != nullptr, buffered && c.resolveTarget);
            EXPECT_EQ(canvas->GetReadbackSurface() != nullptr, buffered);
        }
        // A bitmap canvas never multisamples.
        ThvBitmap bitmap(8, 8);
        CanvasPtr offscreen = MakeBitmapCanvas(bitmap);
        offscreen->SetQuality(c.quality);
        EXPECT_EQ(offscreen->GetPresentParameters().MultiSampleType, D3DMULTISAMPLE_NONE);
        EXPECT_FALSE(offscreen->GetCanMultisample2() || offscreen->GetCanMultisample4());
    }
}

TEST_F(DirectXSetUpTest, QualityChangesResetTheDeviceEvenWhenEqual)
{
    struct Case {
        const char* name;
        bool extended;
        bool texturesSurvive;
    };
    for (const Case& c : { Case { "extended", true, true }, Case { "plain", false, false } }) {
        SCOPED_TRACE(c.name);
        ModuleGuard guard;
        RecordingOptions options;
        options.ExportsDirect3DCreate9Ex = c.extended;
        auto runtime = StartRecording(options);
        ThvBitmap texture(8, 8);
        CanvasPtr canvas = MakeWindowCanvas(32, 32);
        DrawTexturedFrame(*canvas, texture);
        ASSERT_EQ(canvas->Bitmaps().size(), 1u);
        const uint32_t ringPos = canvas->GetVertexPos();
        ASSERT_GT(ringPos, 0u);

        const size_t from = runtime->GetRecorder().Calls().size();
        canvas->SetQuality(canvas->GetQuality());
        EXPECT_EQ(CallsWith(runtime->GetRecorder(), c.extended ? "ResetEx(" : ".Reset(", from).size(), 1u);
        EXPECT_EQ(canvas->Bitmaps().size(), c.texturesSurvive ? 1u : 0u);
        // A bitmap whose texture went does not keep pointing at the canvas.
        EXPECT_EQ(texture.TextureCanvases().size(), c.texturesSurvive ? 1u : 0u);
        EXPECT_EQ(canvas->GetVertexPos(), c.texturesSurvive ? ringPos : 0u);
        for (size_t s = 0; s < ::kRenderStateCount; ++s)
            EXPECT_TRUE(canvas->GetStateHandle(static_cast<ThvRenderState>(s))) << s;
    }
}

TEST_F(DirectXSetUpTest, BitmapCanvasDrawsIntoItsOwnTargetsAgainAfterAReset)
{
    for (bool extended : { true, false }) {
        SCOPED_TRACE(extended ? "extended" : "plain");
        ModuleGuard guard;
        RecordingOptions options;
        options.ExportsDirect3DCreate9Ex = extended;
        StartRecording(options);
        ThvBitmap bitmap(6, 4);
        CanvasPtr canvas = MakeBitmapCanvas(bitmap);
        ASSERT_TRUE(canvas->GetRenderTarget());
        canvas->ResizeBuffer(6, 4);
        ASSERT_TRUE(canvas->GetRenderTarget());
        RecordingDevice& device = Recording(*canvas);
        EXPECT_EQ(device.RenderTarget().get(), canvas->GetRenderTarget().get());
        EXPECT_EQ(device.DepthStencil().get(), canvas->GetDepthSurface().get());

        ASSERT_TRUE(BeginFrame(*canvas, 0xFF204060));
        canvas->EndScene();
        EXPECT_EQ(PixelOf(bitmap, 0, 0), 0xFF204060u);
        EXPECT_EQ(PixelOf(bitmap, 5, 3), 0xFF204060u);
    }
}

TEST_F(DirectXSetUpTest, TexturesOutliveNeitherCanvasNorBitmap)
{
    StartRecording();
    // Canvas freed first: every texture it made is released once and no bitmap keeps it.
    {
        auto runtime = std::dynamic_pointer_cast<RecordingRuntime>(hvD3D9Library);
        ASSERT_TRUE(runtime);
        ThvBitmap a(4, 4), b(8, 2);
        {
            CanvasPtr canvas = MakeWindowCanvas(8, 8);
            for (ThvBitmap* bitmap : { &a, &b, &a })
                UseTexture(*canvas, bitmap);
            EXPECT_EQ(canvas->Bitmaps().size(), 2u);
            runtime->GetRecorder().ClearCalls();
        }
        const std::vector<std::string> released = CallsWith(runtime->GetRecorder(), "Texture");
        EXPECT_EQ(std::count_if(released.begin(), released.end(),
                      [](const std::string& l) { return l.find(".Release()") != std::string::npos; }),
            2);
        EXPECT_TRUE(a.TextureCanvases().empty());
        EXPECT_TRUE(b.TextureCanvases().empty());
    }
    // Bitmap freed first: the canvas forgets it.
    {
        CanvasPtr canvas = MakeWindowCanvas(8, 8);
        {
            ThvBitmap bitmap(4, 4);
            UseTexture(*canvas, &bitmap);
            EXPECT_EQ(canvas->Bitmaps().size(), 1u);
            canvas->GetMaterial()->SetTexture(nullptr); // the material's holder lets go first
        }
        EXPECT_TRUE(canvas->Bitmaps().empty());
    }
}
