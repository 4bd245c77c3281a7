#include "platform/raster/GlyphFace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::raster::GlyphFace;
using platform::raster::GlyphWidths;

namespace {

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct Mask {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> bytes;

    Mask(int32_t w, int32_t h)
        : width(w)
        , height(h)
        , bytes(static_cast<size_t>(w * h))
    { }
    uint8_t At(int32_t x, int32_t y) const { return bytes[static_cast<size_t>(y * width + x)]; }
};

// The box of every covered pixel; empty (left > right) when nothing is covered.
struct Ink {
    int32_t left = 1 << 30;
    int32_t top = 1 << 30;
    int32_t right = -1;
    int32_t bottom = -1;
};

Ink InkOf(const Mask& mask)
{
    Ink ink;
    for (int32_t y = 0; y < mask.height; ++y) {
        for (int32_t x = 0; x < mask.width; ++x) {
            if (mask.At(x, y) == 0)
                continue;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

} // namespace

TEST(GlyphFace, FamiliesResolveThroughFontconfig)
{
    struct Case {
        const char* family;
        const char* file;
    };
    const Case cases[] = {
        { "DejaVu Sans", "DejaVuSans.ttf" }, { "dejavu sans", "DejaVuSans.ttf" },
        { "Liberation Sans", "LiberationSans-Regular.ttf" },
        { "Arial", "LiberationSans-Regular.ttf" }, // its metric-compatible stand-in
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family);
        auto face = GlyphFace::Create(c.family, 20, false, false);
        ASSERT_NE(face, nullptr);
        EXPECT_TRUE(EndsWith(face->FileName(), c.file)) << face->FileName();
    }
    // A family the machine lacks, and no family at all, still give a face to draw with.
    EXPECT_NE(GlyphFace::Create("No Such Family 1234", 20, false, false), nullptr);
    EXPECT_NE(GlyphFace::Create("", 20, false, false), nullptr);
}

TEST(GlyphFace, RefusesSizesItCannotDraw)
{
    for (const int32_t size : { 0, -12, 4097 }) {
        SCOPED_TRACE(size);
        EXPECT_EQ(GlyphFace::Create("DejaVu Sans", size, false, false), nullptr);
    }
}

TEST(GlyphFace, MetricsOfDejaVuSans)
{
    // DejaVu Sans: 2048 units per em, Windows ascent 1901 and descent 483, "H" advances 1540.
    auto face = GlyphFace::Create("DejaVu Sans", 20, false, false);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->Ascent(), 19);
    EXPECT_EQ(face->Height(), 24);
    EXPECT_EQ(face->Advance(u'H'), 15);

    const GlyphWidths h = face->Widths(u'H');
    EXPECT_GT(h.B, 0);
    EXPECT_EQ(h.A + h.B + h.C, 15) << "the widths add up to the advance";
    const GlyphWidths space = face->Widths(u' ');
    EXPECT_EQ(space.A, 0);
    EXPECT_EQ(space.B, static_cast<float>(face->Advance(u' ')));
    EXPECT_EQ(space.C, 0);
}

TEST(GlyphFace, DrawnInkFillsTheWidthsAndTheLine)
{
    auto face = GlyphFace::Create("DejaVu Sans", 20, false, false);
    ASSERT_NE(face, nullptr);
    for (const char16_t unit : { u'H', u'g', u'j', u'W', u'\u00e9' }) {
        SCOPED_TRACE(static_cast<int>(unit));
        Mask mask(48, 40);
        const int32_t penX = 8;
        const int32_t top = 4;
        face->Draw(unit, penX, top, mask.bytes, mask.width, mask.height);
        const GlyphWidths widths = face->Widths(unit);
        const Ink ink = InkOf(mask);
        ASSERT_LE(ink.left, ink.right);
        EXPECT_EQ(ink.left, penX + static_cast<int32_t>(widths.A));
        EXPECT_EQ(ink.right, penX + static_cast<int32_t>(widths.A + widths.B) - 1);
        EXPECT_GE(ink.top, top);
        EXPECT_LT(ink.bottom, top + face->Height());
    }
}

TEST(GlyphFace, SlantedFaceInkIsWiderAndStaysInItsWidths)
{
    // A real oblique face where the machine has one, else a slanted regular one.
    auto upright = GlyphFace::Create("DejaVu Sans", 24, false, false);
    auto slanted = GlyphFace::Create("DejaVu Sans", 24, false, true);
    ASSERT_NE(upright, nullptr);
    ASSERT_NE(slanted, nullptr);
    EXPECT_GT(slanted->Widths(u'l').B, upright->Widths(u'l').B);

    Mask mask(48, 40);
    slanted->Draw(u'l', 10, 2, mask.bytes, mask.width, mask.height);
    const GlyphWidths widths = slanted->Widths(u'l');
    const Ink ink = InkOf(mask);
    EXPECT_GE(ink.left, 10 + static_cast<int32_t>(widths.A));
    EXPECT_LE(ink.right, 10 + static_cast<int32_t>(widths.A + widths.B) - 1);
}

TEST(GlyphFace, DrawingIsClippedAndKeepsTheStrongerCoverage)
{
    auto face = GlyphFace::Create("DejaVu Sans", 20, false, false);
    ASSERT_NE(face, nullptr);

    Mask full(32, 32);
    face->Draw(u'H', 2, 2, full.bytes, full.width, full.height);
    Mask twice = full;
    face->Draw(u'H', 2, 2, twice.bytes, twice.width, twice.height);
    EXPECT_EQ(twice.bytes, full.bytes) << "drawing over a glyph never darkens or erases it";

    // Partly outside on every side, and entirely outside: no write beyond the mask.
    Mask small(6, 6);
    for (const int32_t offset : { -8, -3, 2, 40, -400 }) {
        SCOPED_TRACE(offset);
        face->Draw(u'W', offset, offset, small.bytes, small.width, small.height);
    }
    // A mask shorter than it claims to be is left alone.
    std::vector<uint8_t> tooShort(10, 0);
    face->Draw(u'H', 0, 0, tooShort, 32, 32);
    EXPECT_EQ(tooShort, std::vector<uint8_t>(10, 0));
    // A lone surrogate draws the missing-glyph box at most.
    face->Draw(u'\xD800', 2, 2, full.bytes, full.width, full.height);
}
