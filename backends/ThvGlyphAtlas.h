#pragma once

#include "scene3d/Math3D.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvFont.h"

#include "platform/rtl/Component.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The glyph atlases of the 3D canvas's flat text: per font, the characters rasterised once
// into a white bitmap whose alpha is their coverage, which becomes a texture like any other
// bitmap; each character is then drawn as one textured quad.

/// Where one character sits in its atlas. Entry i of a font's table is the character i + 32.
struct TCharCoord {
    /// 1 when the character belongs to the atlas.
    int32_t Used = 0;
    /// Texture coordinates of the cell's top left and bottom right corners.
    float U0 = 0;
    float V0 = 0;
    float U1 = 0;
    float V1 = 0;
    /// Added to the pen position before the cell, and after it.
    int32_t LeadIn = 0;
    int32_t LeadOut = 0;
};
static_assert(sizeof(TCharCoord) == 28);

/// The atlas of one font (family, size and style) of a canvas.
struct ThvInternalFont {
    std::string Name;
    float Size = 0;
    ThvFontStyle Style = hvFontRegular;
    std::vector<TCharCoord> Glyphs;
    rtl::TOwned<ThvBitmap> Atlas;

    /// The cell of a character in atlas pixels.
    [[nodiscard]] float CellWidth(const TCharCoord& glyph) const;
    [[nodiscard]] float CellHeight(const TCharCoord& glyph) const;
    /// The table entry of a character; null for characters below 32 and beyond the table.
    [[nodiscard]] const TCharCoord* Find(char16_t unit) const;
};

namespace backends {

/// The largest atlas: a font whose characters do not fit gets none.
inline constexpr int32_t kMaxAtlasWidth = 2048;
inline constexpr int32_t kMaxAtlasHeight = 1024;

/// Finds the atlas of `font` in `fonts` (family without regard to ASCII case, size and style
/// exactly), or makes one of the characters 32 to 127, and extends it so that it holds every
/// character of `text`; a new atlas takes in the other characters of the text at the next
/// call. The font's index in `fonts`, or -1 when the font cannot be opened or the atlas would
/// not fit 2048 x 1024.
int BuildGlyphAtlas(std::vector<ThvInternalFont>& fonts, std::u16string_view text, const ThvFont& font);

/// Width and line height of `text` as one line, in atlas pixels (Z 0): each character in the
/// table counts its lead-in, cell and lead-out; control characters count nothing.
[[nodiscard]] ThvPoint MeasureGlyphText(const ThvInternalFont& font, std::u16string_view text);

/// The quads of a text: one per character above the space that is in the table.
[[nodiscard]] uint32_t CountGlyphQuads(const ThvInternalFont& font, std::u16string_view text);

/// Writes CountGlyphQuads quads (4 vertices and 6 indices each, indices counted from the
/// first vertex) of `text` with its origin at (x, y). In screen projection the quads lie in
/// pixels with Y down; in camera projection in the plane Y = 0, 0.02 units per pixel, Z up.
void WriteGlyphQuads(const ThvInternalFont& font, std::u16string_view text, float x, float y, uint32_t color,
    bool screenProjection, ThvColorVertex* vertices, uint16_t* indices);

} // namespace backends
