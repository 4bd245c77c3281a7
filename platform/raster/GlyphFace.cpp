#include "platform/raster/GlyphFace.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <string>

namespace platform::raster {

namespace {

constexpr int32_t kMaxPixelSize = 4096;

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

// One library for the process, made on first use; faces are opened and closed per request.
FT_Library Library()
{
    static FT_Library library = [] {
        FT_Library made = nullptr;
        if (FT_Init_FreeType(&made) != 0)
            return FT_Library { nullptr };
        return made;
    }();
    return library;
}

int32_t RoundedPixels(FT_Pos value26_6)
{
    return static_cast<int32_t>((value26_6 + 32) >> 6);
}

} // namespace

struct GlyphFace::Impl {
    FT_Face face = nullptr;
    std::string fileName;
    bool embolden = false; // the family has no bold face: thicken the outlines
    bool oblique = false; // the family has no italic face: slant the outlines

    ~Impl()
    {
        if (face)
            FT_Done_Face(face);
    }

    // Loads the glyph of `unit` with the face's synthesis applied; false when it cannot.
    bool Load(char16_t unit) const
    {
        if (FT_Load_Char(face, unit, FT_LOAD_DEFAULT) != 0)
            return false;
        if (oblique)
            FT_GlyphSlot_Oblique(face->glyph);
        if (embolden)
            FT_GlyphSlot_Embolden(face->glyph);
        return true;
    }

    bool Render(char16_t unit) const
    {
        return Load(unit) && FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0;
    }
};

GlyphFace::GlyphFace(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
    FT_Face face = m_impl->face;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && (os2->usWinAscent != 0 || os2->usWinDescent != 0)) {
        // The line the Windows metrics of the font promise, as the original renderer used.
        m_ascent = RoundedPixels(FT_MulFix(os2->usWinAscent, face->size->metrics.y_scale));
        m_descent = RoundedPixels(FT_MulFix(os2->usWinDescent, face->size->metrics.y_scale));
    } else {
        m_ascent = RoundedPixels(face->size->metrics.ascender);
        m_descent = RoundedPixels(-face->size->metrics.descender);
    }
    m_ascent = std::max(m_ascent, 0);
    m_descent = std::max(m_descent, 0);
}

GlyphFace::~GlyphFace() = default;

std::unique_ptr<GlyphFace> GlyphFace::Create(
    std::string_view family, int32_t pixelSize, bool bold, bool italic)
{
    if (pixelSize < 1 || pixelSize > kMaxPixelSize)
        return nullptr;
    FT_Library library = Library();
    if (!library)
        return nullptr;

    const std::string name = family.empty() ? std::string("sans-serif") : std::string(family);
    PatternPtr pattern(FcPatternCreate());
    if (!pattern)
        return nullptr;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddDouble(pattern.get(), FC_PIXEL_SIZE, pixelSize);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match)
        return nullptr;

    FcChar8* file = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file)
        return nullptr;
    int index = 0;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);

    auto impl = std::make_unique<Impl>();
    impl->fileName = reinterpret_cast<const char*>(file);
    if (FT_New_Face(library, impl->fileName.c_str(), index, &impl->face) != 0) {
        impl->face = nullptr;
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(impl->face, 0, static_cast<FT_UInt>(pixelSize)) != 0)
        return nullptr;
    FcBool embolden = FcFalse;
    if (FcPatternGetBool(match.get(), FC_EMBOLDEN, 0, &embolden) == FcResultMatch)
        impl->embolden = embolden != FcFalse;
    FcMatrix* matrix = nullptr;
    // fontconfig asks for a slant matrix when it had to give a roman face for an italic.
    impl->oblique = FcPatternGetMatrix(match.get(), FC_MATRIX, 0, &matrix) == FcResultMatch && matrix
        && matrix->xy != 0;
    if ((impl->embolden || impl->oblique) && !FT_IS_SCALABLE(impl->face)) {
        impl->embolden = false;
        impl->oblique = false;
    }
    return std::unique_ptr<GlyphFace>(new GlyphFace(std::move(impl)));
}

const std::string& GlyphFace::FileName() const
{
    return m_impl->fileName;
}

int32_t GlyphFace::Advance(char16_t unit) const
{
    if (!m_impl->Load(unit))
        return 0;
    return static_cast<int32_t>(m_impl->face->glyph->advance.x >> 6);
}

GlyphWidths GlyphFace::Widths(char16_t unit) const
{
    // Taken from the rendered ink, so that a cell of these widths holds every pixel drawn,
    // slanted and thickened glyphs included.
    if (!m_impl->Render(unit))
        return {};
    const FT_GlyphSlot slot = m_impl->face->glyph;
    const float advance = static_cast<float>(slot->advance.x >> 6);
    if (slot->bitmap.width == 0 || slot->bitmap.rows == 0)
        return { 0, advance, 0 };
    const float a = static_cast<float>(slot->bitmap_left);
    const float b = static_cast<float>(slot->bitmap.width);
    return { a, b, advance - a - b };
}

void GlyphFace::Draw(char16_t unit, int32_t x, int32_t y, std::span<uint8_t> mask, int32_t width,
    int32_t height, const GlyphClip* clip) const
{
    if (width <= 0 || height <= 0 || mask.size() < static_cast<size_t>(width) * static_cast<size_t>(height))
        return;
    if (!m_impl->Render(unit))
        return;
    const FT_GlyphSlot slot = m_impl->face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
        return;
    const int64_t clipLeft = clip ? std::max(clip->Left, 0) : 0;
    const int64_t clipTop = clip ? std::max(clip->Top, 0) : 0;
    const int64_t clipRight = clip ? std::min(clip->Right, width) : width;
    const int64_t clipBottom = clip ? std::min(clip->Bottom, height) : height;
    const int64_t left = int64_t { x } + slot->bitmap_left;
    const int64_t top = int64_t { y } + m_ascent - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int64_t ty = top + row;
        if (ty < clipTop || ty >= clipBottom)
            continue;
        const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        uint8_t* target = mask.data() + ty * width;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            const int64_t tx = left + column;
            if (tx < clipLeft || tx >= clipRight)
                continue;
            uint8_t coverage;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
                coverage = bitmap.num_grays == 256
                    ? source[column]
                    : static_cast<uint8_t>(source[column] * 255u / std::max(1u, bitmap.num_grays - 1u));
            } else {
                coverage = (source[column >> 3] & (0x80 >> (column & 7))) ? 255 : 0;
            }
            target[tx] = std::max(target[tx], coverage);
        }
    }
}

} // namespace platform::raster
