#include "backends/ThvGlyphAtlas.h"

#include "platform/raster/GlyphFace.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>

namespace {

constexpr size_t kFirstCharacter = 32;
constexpr size_t kInitialCharacters = 96; // 32 to 127
constexpr int32_t kStartSize = 64;
// World units per atlas pixel of text drawn in camera projection.
constexpr float kCameraScale = 0.02f;

struct PackedGlyph {
    size_t entry;
    platform::raster::GlyphWidths widths;
    int32_t cellWidth;
};

// The width of a character's cell: its ink and a pixel on each side. Both the sizing and the
// rendering pass use it, so a glyph whose ink is wider than its advance (italics) is never
// packed into less room than it is drawn with.
int32_t CellWidthOf(const platform::raster::GlyphWidths& widths)
{
    return static_cast<int32_t>(rtl::Trunc(widths.B)) + 2;
}

// The smallest atlas, growing from 64 x 64 by doubling the width and the height in turn, in
// which the cells fit; false when it would be taller than the largest atlas.
bool ChooseAtlasSize(
    const std::vector<PackedGlyph>& glyphs, int32_t lineHeight, int32_t& width, int32_t& height)
{
    width = kStartSize;
    height = kStartSize;
    const int32_t cellHeight = lineHeight + 2;
    for (;;) {
        bool fits = true;
        int32_t x = 0;
        int32_t y = 0;
        for (const PackedGlyph& glyph : glyphs) {
            const int32_t cw = glyph.cellWidth;
            // A cell wider than the whole atlas could never be drawn whole.
            if (cw + 2 > width) {
                fits = false;
                break;
            }
            if (x + cw + 1 > width) {
                x = 0;
                y += cellHeight + 2;
            }
            x += cw + 2;
            if (y + cellHeight + 1 > height) {
                fits = false;
                break;
            }
        }
        if (fits)
            return true;
        if (width == height)
            width *= 2;
        else
            height *= 2;
        if (height > backends::kMaxAtlasHeight || width > backends::kMaxAtlasWidth)
            return false;
    }
}

// The pixel size of a font: its size rounded to the nearest whole number; none for sizes no
// face can be made for.
int32_t PixelSizeOf(float size)
{
    if (!std::isfinite(size) || std::fabs(size) > 4096)
        return 0;
    return static_cast<int32_t>(std::abs(rtl::Round(size)));
}

} // namespace

float ThvInternalFont::CellWidth(const TCharCoord& glyph) const
{
    return Atlas ? (glyph.U1 - glyph.U0) * static_cast<float>(Atlas->GetWidth()) : 0.0f;
}

float ThvInternalFont::CellHeight(const TCharCoord& glyph) const
{
    return Atlas ? (glyph.V1 - glyph.V0) * static_cast<float>(Atlas->GetHeight()) : 0.0f;
}

const TCharCoord* ThvInternalFont::Find(char16_t unit) const
{
    if (unit < kFirstCharacter)
        return nullptr;
    const size_t entry = unit - kFirstCharacter;
    return entry < Glyphs.size() ? &Glyphs[entry] : nullptr;
}

namespace backends {

int BuildGlyphAtlas(std::vector<ThvInternalFont>& fonts, std::u16string_view text, const ThvFont& font)
{
    int index = -1;
    for (size_t i = 0; i < fonts.size(); ++i) {
        const ThvInternalFont& entry = fonts[i];
        if (rtl::SameText(entry.Name, font.GetFamily()) && entry.Size == font.GetSize()
            && entry.Style == font.GetStyle()) {
            index = static_cast<int>(i);
            break;
        }
    }

    std::vector<TCharCoord> newTable;
    std::vector<TCharCoord>* table = &newTable;
    if (index >= 0) {
        table = &fonts[static_cast<size_t>(index)].Glyphs;
        bool changed = false;
        for (const char16_t unit : text) {
            if (unit < kFirstCharacter)
                continue;
            const size_t entry = unit - kFirstCharacter;
            if (entry >= table->size())
                table->resize(entry + 1);
            if (!(*table)[entry].Used) {
                (*table)[entry].Used = 1;
                changed = true;
            }
        }
        if (!changed)
            return index;
    } else {
        newTable.assign(kInitialCharacters, TCharCoord { .Used = 1 });
    }

    const int32_t pixelSize = PixelSizeOf(font.GetSize());
    const ThvFontStyle style = font.GetStyle();
    const bool bold = style == hvFontBold || style == hvFontBoldItalic;
    const bool italic = style == hvFontItalic || style == hvFontBoldItalic;
    const std::unique_ptr<platform::raster::GlyphFace> face
        = platform::raster::GlyphFace::Create(font.GetFamily(), pixelSize, bold, italic);
    if (!face)
        return -1;
    const int32_t lineHeight = face->Height();

    std::vector<PackedGlyph> glyphs;
    for (size_t entry = 0; entry < table->size(); ++entry) {
        if (!(*table)[entry].Used)
            continue;
        const auto unit = static_cast<char16_t>(entry + kFirstCharacter);
        const platform::raster::GlyphWidths widths = face->Widths(unit);
        glyphs.push_back({ entry, widths, CellWidthOf(widths) });
    }

    int32_t width = 0;
    int32_t height = 0;
    if (!ChooseAtlasSize(glyphs, lineHeight, width, height))
        return -1;

    // Render pass: cells left to right, row after row, one pixel apart.
    std::vector<uint8_t> coverage(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    int32_t x = 1;
    int32_t y = 1;
    const float atlasWidth = static_cast<float>(width);
    const float atlasHeight = static_cast<float>(height);
    for (const PackedGlyph& glyph : glyphs) {
        const int32_t cw = glyph.cellWidth;
        const int32_t ch = lineHeight;
        if (x + cw + 1 > width) {
            x = 1;
            y += ch + 1;
        }
        TCharCoord& coord = (*table)[glyph.entry];
        coord.U0 = static_cast<float>(x) / atlasWidth;
        coord.V0 = static_cast<float>(y) / atlasHeight;
        coord.U1 = static_cast<float>(x + cw) / atlasWidth;
        coord.V1 = static_cast<float>(y + ch) / atlasHeight;
        coord.LeadIn = static_cast<int32_t>(rtl::Trunc(glyph.widths.A)) - 1;
        coord.LeadOut = static_cast<int32_t>(rtl::Trunc(glyph.widths.C)) - 1;
        // Ink beyond the font's line (some glyphs reach below its descent) is cut off rather
        // than left on the cell below.
        const platform::raster::GlyphClip cell { x, y, x + cw, y + ch };
        face->Draw(static_cast<char16_t>(glyph.entry + kFirstCharacter), x - coord.LeadIn, y, coverage, width,
            height, &cell);
        x += cw + 1;
    }

    // White everywhere, the coverage as alpha.
    auto atlas = rtl::TOwned<ThvBitmap>(new ThvBitmap(width, height));
    uint32_t* bits = nullptr;
    if (!atlas->Map(bits, true))
        return -1;
    for (size_t i = 0; i < coverage.size(); ++i)
        bits[i] = coverage[i] ? (uint32_t { coverage[i] } << 24) | 0x00FFFFFFu : 0x00FFFFFFu;
    atlas->Unmap();

    if (index < 0) {
        fonts.push_back(ThvInternalFont {});
        index = static_cast<int>(fonts.size() - 1);
        fonts.back().Glyphs = std::move(newTable);
    }
    ThvInternalFont& entry = fonts[static_cast<size_t>(index)];
    entry.Name = font.GetFamily();
    entry.Size = font.GetSize();
    entry.Style = style;
    // NOTE: the old atlas goes only now, after its replacement is complete; it takes its
    // textures with it.
    entry.Atlas = std::move(atlas);
    return index;
}

ThvPoint MeasureGlyphText(const ThvInternalFont& font, std::u16string_view text)
{
    const TCharCoord* space = font.Find(u' ');
    const float lineHeight = space ? font.CellHeight(*space) : 0.0f;
    float x = 0;
    float widest = 0;
    for (const char16_t unit : text) {
        const TCharCoord* glyph = font.Find(unit);
        if (!glyph)
            continue;
        x += static_cast<float>(glyph->LeadIn) + font.CellWidth(*glyph) + static_cast<float>(glyph->LeadOut);
        widest = std::max(widest, x);
    }
    return { widest, lineHeight, 0 };
}

uint32_t CountGlyphQuads(const ThvInternalFont& font, std::u16string_view text)
{
    uint32_t count = 0;
    for (const char16_t unit : text) {
        if (unit > u' ' && font.Find(unit))
            ++count;
    }
    return count;
}

void WriteGlyphQuads(const ThvInternalFont& font, std::u16string_view text, float x, float y, uint32_t color,
    bool screenProjection, ThvColorVertex* vertices, uint16_t* indices)
{
    uint32_t quad = 0;
    for (const char16_t unit : text) {
        const TCharCoord* glyph = font.Find(unit);
        if (!glyph)
            continue;
        const float w = font.CellWidth(*glyph);
        const float h = font.CellHeight(*glyph);
        if (unit != u' ') {
            x += static_cast<float>(glyph->LeadIn);
            ThvColorVertex* v = vertices + size_t { quad } * 4;
            if (screenProjection) {
                v[0] = hvColorVertex(x + 0.5f, y + 0.5f, 0, 0, 0, 0, color, glyph->U0, glyph->V0);
                v[1] = hvColorVertex(x + w + 0.5f, y + 0.5f, 0, 0, 0, 0, color, glyph->U1, glyph->V0);
                v[2] = hvColorVertex(x + w + 0.5f, y + h + 0.5f, 0, 0, 0, 0, color, glyph->U1, glyph->V1);
                v[3] = hvColorVertex(x + 0.5f, y + h + 0.5f, 0, 0, 0, 0, color, glyph->U0, glyph->V1);
            } else {
                const float s = kCameraScale;
                v[0] = hvColorVertex(x * s, 0, (y + h) * s, 0, 0, 0, color, glyph->U0, glyph->V0);
                v[1] = hvColorVertex((x + w) * s, 0, (y + h) * s, 0, 0, 0, color, glyph->U1, glyph->V0);
                v[2] = hvColorVertex((x + w) * s, 0, y * s, 0, 0, 0, color, glyph->U1, glyph->V1);
                v[3] = hvColorVertex(x * s, 0, y * s, 0, 0, 0, color, glyph->U0, glyph->V1);
            }
            const auto b = static_cast<uint16_t>(quad * 4);
            uint16_t* i = indices + size_t { quad } * 6;
            i[0] = b;
            i[1] = static_cast<uint16_t>(b + 1);
            i[2] = static_cast<uint16_t>(b + 3);
            i[3] = static_cast<uint16_t>(b + 3);
            i[4] = static_cast<uint16_t>(b + 1);
            i[5] = static_cast<uint16_t>(b + 2);
            ++quad;
            x += static_cast<float>(glyph->LeadOut);
        }
        x += w;
    }
}

} // namespace backends
