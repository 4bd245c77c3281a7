#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace platform::raster {

/// The widths of one glyph along the baseline, in pixels: A from the pen to the left edge of
/// the ink, B the width of the ink, C from its right edge to the next pen position. A glyph
/// without ink (a space) has A 0, B its advance and C 0.
struct GlyphWidths {
    float A = 0;
    float B = 0;
    float C = 0;
};

/// A rectangle of mask pixels: left and top inside, right and bottom outside.
struct GlyphClip {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
};

/// One font at one pixel size, for rasterising single characters into a coverage mask (the
/// glyph atlases of the 3D canvas). The family is found through fontconfig, falling back to
/// its best match; bold and italic faces are synthesised when the family has none.
/// Characters are UTF-16 code units taken one by one (a lone surrogate shows the font's
/// missing-glyph box). GUI thread only.
class GlyphFace {
public:
    GlyphFace(const GlyphFace&) = delete;
    GlyphFace& operator=(const GlyphFace&) = delete;
    ~GlyphFace();

    /// The face for `family` (empty: the default sans-serif) with an em of `pixelSize`
    /// pixels; null when no font can be opened or the size is not between 1 and 4096.
    [[nodiscard]] static std::unique_ptr<GlyphFace> Create(
        std::string_view family, int32_t pixelSize, bool bold, bool italic);

    /// The file the face was opened from.
    [[nodiscard]] const std::string& FileName() const;
    /// Line height (ascent + descent) and ascent in whole pixels.
    [[nodiscard]] int32_t Height() const { return m_ascent + m_descent; }
    [[nodiscard]] int32_t Ascent() const { return m_ascent; }
    /// The hinted advance of the character, in whole pixels.
    [[nodiscard]] int32_t Advance(char16_t unit) const;
    [[nodiscard]] GlyphWidths Widths(char16_t unit) const;
    /// Draws the character with its pen at `x` and the top of its line at `y` into a mask of
    /// `width` x `height` coverage bytes (row after row), clipped to the mask and to `clip`
    /// when given; where glyphs overlap the larger coverage wins.
    void Draw(char16_t unit, int32_t x, int32_t y, std::span<uint8_t> mask, int32_t width, int32_t height,
        const GlyphClip* clip = nullptr) const;

private:
    struct Impl;
    explicit GlyphFace(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> m_impl;
    int32_t m_ascent = 0;
    int32_t m_descent = 0;
};

} // namespace platform::raster
