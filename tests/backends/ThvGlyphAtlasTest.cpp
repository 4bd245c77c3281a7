#include "backends/ThvGlyphAtlas.h"

#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvFont.h"

#include "platform/raster/GlyphFace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using backends::BuildGlyphAtlas;
using backends::CountGlyphQuads;
using backends::MeasureGlyphText;
using backends::WriteGlyphQuads;

namespace {

void SetFont(ThvFont& font, const char* family, float size, ThvFontStyle style = hvFontRegular)
{
    font.SetFamily(family);
    font.SetSize(size);
    font.SetStyle(style);
}

int UsedCount(const ThvInternalFont& font)
{
    int used = 0;
    for (const TCharCoord& glyph : font.Glyphs)
        used += glyph.Used;
    return used;
}

struct Cell {
    int32_t left, top, right, bottom; // right and bottom exclusive
};

Cell CellOf(const ThvInternalFont& font, const TCharCoord& glyph)
{
    const float w = static_cast<float>(font.Atlas->GetWidth());
    const float h = static_cast<float>(font.Atlas->GetHeight());
    return { static_cast<int32_t>(std::lround(glyph.U0 * w)), static_cast<int32_t>(std::lround(glyph.V0 * h)),
        static_cast<int32_t>(std::lround(glyph.U1 * w)), static_cast<int32_t>(std::lround(glyph.V1 * h)) };
}

uint32_t AlphaAt(const ThvBitmap& bitmap, int32_t x, int32_t y)
{
    return bitmap.Bits()[static_cast<size_t>(y) * static_cast<size_t>(bitmap.GetWidth())
               + static_cast<size_t>(x)]
        >> 24;
}

} // namespace

TEST(ThvGlyphAtlas, FirstTextBuildsTheAsciiAtlasOfItsFont)
{
    std::vector<ThvInternalFont> fonts;
    ThvFont font;
    SetFont(font, "Tahoma", 12);
    ASSERT_EQ(BuildGlyphAtlas(fonts, u"Hi", font), 0);
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts[0].Glyphs.size(), 96u);
    EXPECT_EQ(UsedCount(fonts[0]), 96);
    EXPECT_EQ(fonts[0].Name, "Tahoma");
    ASSERT_NE(fonts[0].Atlas, nullptr);
    // Grown from 64 x 64 by doubling width and height in turn.
    const int32_t width = fonts[0].Atlas->GetWidth();
    const int32_t height = fonts[0].Atlas->GetHeight();
    EXPECT_TRUE(width == height || width == 2 * height) << width << " x " << height;
    EXPECT_EQ(width & (width - 1), 0);
    EXPECT_GE(height, 64);

    struct Case {
        const char* family;
        float size;
        ThvFontStyle style;
        int index;
    };
    const Case cases[] = {
        { "tahoma", 12, hvFontRegular, 0 }, // family without regard to case
        { "Tahoma", 12.5f, hvFontRegular, 1 }, // sizes exactly
        { "Tahoma", 12, hvFontBold, 2 },
        { "DejaVu Sans", 12, hvFontRegular, 3 },
        { "TAHOMA", 12.5f, hvFontRegular, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family);
        ThvFont other;
        SetFont(other, c.family, c.size, c.style);
        EXPECT_EQ(BuildGlyphAtlas(fonts, u"Hi", other), c.index);
    }
    EXPECT_EQ(fonts.size(), 4u);
    EXPECT_EQ(fonts[0].Name, "Tahoma") << "a found entry keeps its name";
}

TEST(ThvGlyphAtlas, NewCharactersJoinFromTheNextCallOn)
{
    std::vector<ThvInternalFont> fonts;
    ThvFont font;
    SetFont(font, "DejaVu Sans", 16);
    ASSERT_EQ(BuildGlyphAtlas(fonts, u"caf\u00e9", font), 0);
    EXPECT_EQ(fonts[0].Find(u'\u00e9'), nullptr) << "not taken in by the call that made the atlas";
    const ThvBitmap* first = fonts[0].Atlas.get();
    const ThvPoint without = MeasureGlyphText(fonts[0], u"caf\u00e9");
    EXPECT_EQ(without.X, MeasureGlyphText(fonts[0], u"caf").X);

    ASSERT_EQ(BuildGlyphAtlas(fonts, u"caf\u00e9", font), 0);
    EXPECT_EQ(fonts[0].Glyphs.size(), 202u);
    ASSERT_NE(fonts[0].Find(u'\u00e9'), nullptr);
    EXPECT_EQ(fonts[0].Find(u'\u00e9')->Used, 1);
    EXPECT_EQ(fonts[0].Find(u'\u00e8')->Used, 0) << "only the characters asked for";
    EXPECT_EQ(UsedCount(fonts[0]), 97);
    EXPECT_NE(fonts[0].Atlas.get(), first) << "the atlas is rendered again";
    EXPECT_GT(MeasureGlyphText(fonts[0], u"caf\u00e9").X, without.X);

    const ThvBitmap* second = fonts[0].Atlas.get();
    EXPECT_EQ(BuildGlyphAtlas(fonts, u"\u00e9t\u00e9", font), 0);
    EXPECT_EQ(fonts[0].Atlas.get(), second) << "nothing new: no rendering";
}

TEST(ThvGlyphAtlas, FontsThatCannotBeMadeGetNoAtlas)
{
    const float sizes[] = { 0.0f, 0.4f, 400.0f, std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::infinity(), 1e30f };
    for (const float size : sizes) {
        SCOPED_TRACE(size);
        std::vector<ThvInternalFont> fonts;
        ThvFont font;
        SetFont(font, "DejaVu Sans", size);
        EXPECT_EQ(BuildGlyphAtlas(fonts, u"Hi", font), -1);
        EXPECT_TRUE(fonts.empty());
    }
}

TEST(ThvGlyphAtlas, AtlasHoldsEachGlyphWholeInItsOwnCell)
{
    // Large slanted glyphs overhang their advance; the packing must still leave room for
    // every pixel of their ink, cells must not overlap, and nothing may be drawn outside them.
    const ThvFontStyle styles[] = { hvFontRegular, hvFontItalic, hvFontBoldItalic };
    for (const ThvFontStyle style : styles) {
        SCOPED_TRACE(static_cast<int>(style));
        std::vector<ThvInternalFont> fonts;
        ThvFont font;
        SetFont(font, "DejaVu Serif", 40, style);
        ASSERT_EQ(BuildGlyphAtlas(fonts, u"f", font), 0);
        const ThvInternalFont& atlas = fonts[0];
        const ThvBitmap& bitmap = *atlas.Atlas;
        auto face = platform::raster::GlyphFace::Create(
            "DejaVu Serif", 40, style == hvFontBoldItalic, style != hvFontRegular);
        ASSERT_NE(face, nullptr);

        std::vector<uint8_t> owner(static_cast<size_t>(bitmap.GetWidth() * bitmap.GetHeight()), 0);
        for (size_t entry = 0; entry < atlas.Glyphs.size(); ++entry) {
            const TCharCoord& glyph = atlas.Glyphs[entry];
            const Cell cell = CellOf(atlas, glyph);
            ASSERT_GE(cell.left, 0);
            ASSERT_GE(cell.top, 0);
            ASSERT_LE(cell.right, bitmap.GetWidth());
            ASSERT_LE(cell.bottom, bitmap.GetHeight());
            EXPECT_EQ(cell.bottom - cell.top, face->Height());

            // The glyph drawn alone at the cell's pen has exactly the ink found in the cell.
            const auto unit = static_cast<char16_t>(entry + 32);
            std::vector<uint8_t> alone(owner.size(), 0);
            face->Draw(
                unit, cell.left - glyph.LeadIn, cell.top, alone, bitmap.GetWidth(), bitmap.GetHeight());
            for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
                for (int32_t x = 0; x < bitmap.GetWidth(); ++x) {
                    const size_t i = static_cast<size_t>(y * bitmap.GetWidth() + x);
                    const bool inside = x >= cell.left && x < cell.right && y >= cell.top && y < cell.bottom;
                    if (inside) {
                        ASSERT_EQ(owner[i], 0) << "cells overlap at " << x << "," << y;
                        owner[i] = 1;
                    }
                    if (alone[i] == 0)
                        continue;
                    // Ink beyond the line of the font is cut off; sideways nothing is.
                    ASSERT_TRUE(x >= cell.left && x < cell.right)
                        << "ink of " << entry + 32 << " beside its cell at " << x << "," << y;
                    if (inside) {
                        ASSERT_EQ(AlphaAt(bitmap, x, y), alone[i]);
                    }
                }
            }
        }
        for (size_t i = 0; i < owner.size(); ++i) {
            if (!owner[i]) {
                ASSERT_EQ(bitmap.Bits()[i], 0x00FFFFFFu) << "pixel " << i << " outside every cell";
            }
        }
    }
}

TEST(ThvGlyphAtlas, AtlasIsWhiteWithCoverageAsAlpha)
{
    std::vector<ThvInternalFont> fonts;
    ThvFont font;
    SetFont(font, "DejaVu Sans", 24);
    ASSERT_EQ(BuildGlyphAtlas(fonts, u"H", font), 0);
    const ThvBitmap& bitmap = *fonts[0].Atlas;
    int opaque = 0;
    for (const uint32_t pixel : bitmap.Bits()) {
        ASSERT_EQ(pixel & 0x00FFFFFFu, 0x00FFFFFFu);
        opaque += (pixel >> 24) == 255;
    }
    EXPECT_GT(opaque, 0);
    EXPECT_TRUE(bitmap.GetNeedUpdate()) << "the texture is refilled on next use";

    // The stems of "H" are solid in its cell.
    const Cell cell = CellOf(fonts[0], *fonts[0].Find(u'H'));
    int solidInCell = 0;
    for (int32_t y = cell.top; y < cell.bottom; ++y)
        for (int32_t x = cell.left; x < cell.right; ++x)
            solidInCell += AlphaAt(bitmap, x, y) == 255;
    EXPECT_GT(solidInCell, 2 * 17) << "two stems of about the cap height";
}

TEST(ThvGlyphAtlas, MeasuringCountsLeadsOfSpacesAndSkipsControlCharacters)
{
    std::vector<ThvInternalFont> fonts;
    ThvFont font;
    SetFont(font, "DejaVu Sans", 20);
    ASSERT_EQ(BuildGlyphAtlas(fonts, u"Hi there", font), 0);
    const ThvInternalFont& atlas = fonts[0];
    auto face = platform::raster::GlyphFace::Create("DejaVu Sans", 20, false, false);

    const TCharCoord& space = *atlas.Find(u' ');
    const float spaceWidth
        = static_cast<float>(space.LeadIn) + atlas.CellWidth(space) + static_cast<float>(space.LeadOut);
    EXPECT_EQ(spaceWidth, static_cast<float>(face->Advance(u' ')));

    struct Case {
        const char16_t* text;
        const char16_t* sameAs;
    };
    const Case cases[] = {
        { u"a\nb", u"ab" },
        { u"\ta\r", u"a" },
        { u"\x01", u"" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.text[0]));
        const ThvPoint size = MeasureGlyphText(atlas, c.text);
        EXPECT_EQ(size.X, MeasureGlyphText(atlas, c.sameAs).X);
        EXPECT_EQ(size.Y, static_cast<float>(face->Height())) << "one line";
        EXPECT_EQ(size.Z, 0);
    }
    // Each character adds its advance.
    const ThvPoint hi = MeasureGlyphText(atlas, u"Hi there");
    int advances = 0;
    for (const char16_t unit : std::u16string(u"Hi there"))
        advances += face->Advance(unit);
    EXPECT_EQ(hi.X, static_cast<float>(advances));
}

TEST(ThvGlyphAtlas, QuadsInScreenAndCameraProjection)
{
    std::vector<ThvInternalFont> fonts;
    ThvFont font;
    SetFont(font, "DejaVu Sans", 20);
    ASSERT_EQ(BuildGlyphAtlas(fonts, u"A b", font), 0);
    const ThvInternalFont& atlas = fonts[0];
    const TCharCoord& a = *atlas.Find(u'A');
    const TCharCoord& space = *atlas.Find(u' ');
    const TCharCoord& b = *atlas.Find(u'b');
    ASSERT_EQ(CountGlyphQuads(atlas, u"A b"), 2u) << "the space makes no quad";
    EXPECT_EQ(CountGlyphQuads(atlas, u"   "), 0u);
    EXPECT_EQ(CountGlyphQuads(atlas, u"\n\t"), 0u);

    ThvColorVertex v[8];
    uint16_t i[12];
    WriteGlyphQuads(atlas, u"A b", 10, 5, 0xFF112233, true, v, i);
    const float aw = atlas.CellWidth(a);
    const float h = atlas.CellHeight(a);
    const float ax = 10.0f + static_cast<float>(a.LeadIn);
    EXPECT_EQ(v[0], hvColorVertex(ax + 0.5f, 5.5f, 0, 0, 0, 0, 0xFF112233, a.U0, a.V0));
    EXPECT_EQ(v[1], hvColorVertex(ax + aw + 0.5f, 5.5f, 0, 0, 0, 0, 0xFF112233, a.U1, a.V0));
    EXPECT_EQ(v[2], hvColorVertex(ax + aw + 0.5f, 5 + h + 0.5f, 0, 0, 0, 0, 0xFF112233, a.U1, a.V1));
    EXPECT_EQ(v[3], hvColorVertex(ax + 0.5f, 5 + h + 0.5f, 0, 0, 0, 0, 0xFF112233, a.U0, a.V1));
    // The space advances by its cell width only; "b" then takes its lead-in.
    const float bx
        = ax + aw + static_cast<float>(a.LeadOut) + atlas.CellWidth(space) + static_cast<float>(b.LeadIn);
    EXPECT_EQ(v[4].X, bx + 0.5f);
    EXPECT_EQ(v[4].TU, b.U0);
    const uint16_t expected[12] = { 0, 1, 3, 3, 1, 2, 4, 5, 7, 7, 5, 6 };
    EXPECT_TRUE(std::equal(std::begin(i), std::end(i), std::begin(expected)));

    // Camera projection: 0.02 units per pixel in the plane Y = 0, the cell's top up.
    WriteGlyphQuads(atlas, u"A", 10, 5, 0xFF112233, false, v, i);
    EXPECT_EQ(v[0], hvColorVertex(ax * 0.02f, 0, (5 + h) * 0.02f, 0, 0, 0, 0xFF112233, a.U0, a.V0));
    EXPECT_EQ(v[2], hvColorVertex((ax + aw) * 0.02f, 0, 5 * 0.02f, 0, 0, 0, 0xFF112233, a.U1, a.V1));
}
