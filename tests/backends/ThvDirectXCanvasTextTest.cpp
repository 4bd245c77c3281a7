#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"

#include "platform/raster/GlyphFace.h"
#include "tests/backends/BackendTestSupport.h"

#include "tests/MissingDisplay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace backendtest;

namespace {

void SetFont(ThvCanvas& canvas, const char* family, float size, ThvFontStyle style = hvFontRegular)
{
    canvas.GetFont()->SetFamily(family);
    canvas.GetFont()->SetSize(size);
    canvas.GetFont()->SetStyle(style);
}

// Flat text over the recording device: what reaches the rings and the device.
class CanvasTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_runtime = StartRecording({});
        m_canvas = MakeWindowCanvas(200, 100);
        ASSERT_TRUE(BeginFrame(*m_canvas, 0xFF000000));
        SetFont(*m_canvas, "DejaVu Sans", 20);
        UseColor(*m_canvas, 0x80FF0000);
        Log().ClearCalls();
        Log().ClearDraws();
    }

    Recorder& Log() { return m_runtime->GetRecorder(); }
    ThvDirectXCanvas& Canvas() { return *m_canvas; }

    ModuleGuard m_guard;
    std::shared_ptr<RecordingRuntime> m_runtime;
    CanvasPtr m_canvas;
};

} // namespace

TEST_F(CanvasTextTest, TextIsOneIndexedDrawOfAQuadPerVisibleCharacter)
{
    const uint32_t vertexPos = Canvas().GetVertexPos();
    const uint32_t indexPos = Canvas().GetIndexPos();
    Canvas().FillText(u"Hi there", 4, 6, 0.5f);
    ASSERT_EQ(Log().Draws().size(), 1u);
    const RecordedDraw& draw = Log().Draws().back();
    const uint32_t quads = 7; // the space makes none
    EXPECT_EQ(draw.Type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draw.NumVertices, 4 * quads);
    EXPECT_EQ(draw.PrimitiveCount, 2 * quads);
    EXPECT_EQ(Canvas().GetVertexPos(), vertexPos + 144 * quads);
    EXPECT_EQ(Canvas().GetIndexPos(), indexPos + 12 * quads);
    // The material's colour with the opacity, every vertex.
    for (uint32_t i = 0; i < 4 * quads; ++i)
        ASSERT_EQ(draw.Vertex(i).Color, 0x40FF0000u) << i;
    EXPECT_EQ((std::vector<uint32_t>(draw.Indices.begin(), draw.Indices.begin() + 6)),
        (std::vector<uint32_t> { 0, 1, 3, 3, 1, 2 }));

    // The atlas texture with the modulating preset and no texture transform.
    EXPECT_FALSE(CallsWith(Log(), "SetTexture(0, Texture").empty());
    EXPECT_FALSE(CallsWith(Log(), "SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, 0)").empty())
        << Log().Log();
    EXPECT_TRUE(Canvas().GetStateOn(hvStateTextureModulate));
    ASSERT_EQ(Canvas().GetFonts().size(), 1u);
}

TEST_F(CanvasTextTest, TextWithoutQuadsDrawsNothingAndLeavesTheRings)
{
    const uint32_t vertexPos = Canvas().GetVertexPos();
    for (const char16_t* text : { u"", u"    ", u"\n\t" }) {
        Canvas().FillText(text, 0, 0, 1);
        EXPECT_TRUE(Log().Draws().empty());
        EXPECT_EQ(Canvas().GetVertexPos(), vertexPos);
    }
}

TEST_F(CanvasTextTest, ScreenTextStartsOnAWholePixelWhereverTheWorldMovesIt)
{
    Canvas().SetState(hvStateScreenProjection);
    Canvas().SetMatrix(Translation(10.3f, 0, 0));
    Canvas().FillText(u"H", 0, 2, 1);
    ASSERT_EQ(Log().Draws().size(), 1u);
    const ThvInternalFont& font = Canvas().GetFonts().at(0);
    const TCharCoord& h = *font.Find(u'H');
    const RecordedVertex first = Log().Draws().back().Vertex(0);
    EXPECT_NEAR(first.X, -0.3f + static_cast<float>(h.LeadIn) + 0.5f, 1e-5f);
    EXPECT_FLOAT_EQ(first.Y, 2.5f);
    EXPECT_FLOAT_EQ(first.U, h.U0);
    EXPECT_FLOAT_EQ(first.V, h.V0);
}

TEST_F(CanvasTextTest, MeasuringUsesTheAtlasOfTheCanvasFont)
{
    ThvPoint size { 1, 1, 1 };
    Canvas().MeasureText(u"", size);
    EXPECT_EQ(size, (ThvPoint {}));
    Canvas().MeasureText(u"Hi there", size);
    auto face = platform::raster::GlyphFace::Create("DejaVu Sans", 20, false, false);
    int advances = 0;
    for (const char16_t unit : std::u16string(u"Hi there"))
        advances += face->Advance(unit);
    EXPECT_EQ(size, (ThvPoint { static_cast<float>(advances), static_cast<float>(face->Height()), 0 }));
    EXPECT_TRUE(Log().Draws().empty()) << "measuring draws nothing";

    // Another size of the same family is another atlas.
    SetFont(Canvas(), "dejavu sans", 20.5f);
    Canvas().MeasureText(u"Hi", size);
    EXPECT_EQ(Canvas().GetFonts().size(), 2u);
    SetFont(Canvas(), "DEJAVU SANS", 20);
    Canvas().MeasureText(u"Hi", size);
    EXPECT_EQ(Canvas().GetFonts().size(), 2u);
}

TEST(CanvasTextWithoutDevice, MeasuresNothingAndDrawsNothing)
{
    ModuleGuard guard;
    auto canvas = MakeWindowCanvas(64, 48); // no module started: no device
    ASSERT_FALSE(canvas->GetDevice());
    ThvPoint size { 1, 1, 1 };
    canvas->MeasureText(u"Hi", size);
    EXPECT_EQ(size, (ThvPoint {}));
    canvas->FillText(u"Hi", 0, 0, 1);
    EXPECT_EQ(canvas->BuildGlyphAtlas(u"Hi", *canvas->GetFont()), -1);
    EXPECT_TRUE(canvas->GetFonts().empty());
}

TEST(CanvasTextLifetime, AtlasesAndTheirTexturesGoWithTheCanvas)
{
    ModuleGuard guard;
    auto runtime = StartRecording({});
    auto canvas = MakeWindowCanvas(64, 48);
    ASSERT_TRUE(BeginFrame(*canvas, 0));
    canvas->FillText(u"abc", 0, 0, 1);
    canvas->FillText(u"abc\u00e9", 0, 0, 1); // a rebuilt atlas: the old one and its texture go
    canvas->FillText(u"abc\u00e9", 0, 0, 1);
    canvas->EndScene();
    canvas.reset(); // ASan checks that no bitmap is left pointing at the canvas
}

// ---- pixels on OpenGL ---------------------------------------------------------------------

TEST(CanvasTextPixels, WhiteTextShowsItsGlyphsWhereItWasDrawn)
{
    ModuleGuard guard;
    if (!StartOpenGl())
        GF_MISSING_DISPLAY("No EGL display or OpenGL context here: the canvas cannot render");
    ThvBitmap bitmap(64, 32);
    auto canvas = MakeBitmapCanvas(bitmap);
    ASSERT_TRUE(canvas->GetDevice());
    ASSERT_TRUE(BeginFrame(*canvas, 0xFF000000));
    UseColor(*canvas, 0xFFFFFFFF);
    canvas->SetState(hvStateScreenProjection);
    canvas->SetState(hvStateZTestOff);
    canvas->SetState(hvStateCullNone);
    canvas->SetMatrix(hvIdentityMatrix);
    SetFont(*canvas, "DejaVu Sans", 20);
    canvas->FillText(u"I I", 4, 2, 1);
    canvas->EndScene();

    // Along a row through the capitals: two stems, one advance and one space cell apart (the
    // space advances by its cell only), starting just right of the origin; nothing above.
    auto face = platform::raster::GlyphFace::Create("DejaVu Sans", 20, false, false);
    const ThvInternalFont& font = canvas->GetFonts().at(0);
    const int32_t row = 2 + face->Ascent() - 7;
    std::vector<int32_t> starts;
    bool inStem = false;
    for (int32_t x = 0; x < bitmap.GetWidth(); ++x) {
        const bool bright = (PixelOf(bitmap, x, row) & 0xFF) > 128;
        if (bright && !inStem)
            starts.push_back(x);
        inStem = bright;
    }
    ASSERT_EQ(starts.size(), 2u);
    const int32_t inkStart = 4 + static_cast<int32_t>(face->Widths(u'I').A);
    EXPECT_GE(starts[0], inkStart);
    EXPECT_LE(starts[0], inkStart + 2);
    EXPECT_EQ(
        starts[1] - starts[0], face->Advance(u'I') + static_cast<int32_t>(font.CellWidth(*font.Find(u' '))));
    EXPECT_TRUE(Near(PixelOf(bitmap, starts[0], row), 0xFFFFFFFF, 8)) << "white, fully covered";
    for (int32_t x = 0; x < bitmap.GetWidth(); ++x)
        ASSERT_TRUE(Near(PixelOf(bitmap, x, 1), 0xFF000000, 8)) << "above the line at " << x;
}
