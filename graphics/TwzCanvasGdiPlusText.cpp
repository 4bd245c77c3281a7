// Text: drawing a UTF-16 text in a rectangle with Font and Fill, measuring the box it
// occupies, and turning it into glyph outlines in path data.

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzCanvasGdiPlusPrivate.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "platform/raster/Font.h"
#include "platform/raster/Path.h"
#include "platform/raster/StringFormat.h"
#include "platform/raster/Surface.h"

#include <array>
#include <cmath>

using namespace platform::raster;
using canvasgdiplus::ToRaster;

namespace {

FontStyle ToRaster(TwzFontStyle style)
{
    switch (style) {
    case wzFontBold:
        return FontStyle::Bold;
    case wzFontItalic:
        return FontStyle::Italic;
    case wzFontBoldItalic:
        return FontStyle::BoldItalic;
    case wzFontUnderline:
        return FontStyle::Underline;
    case wzFontStrikeout:
        return FontStyle::Strikeout;
    default:
        return FontStyle::Regular;
    }
}

StringAlignment ToRaster(TwzTextAlign align)
{
    switch (align) {
    case wzTextAlignNear:
        return StringAlignment::Near;
    case wzTextAlignFar:
        return StringAlignment::Far;
    default:
        return StringAlignment::Center;
    }
}

/// The style asked for when the family has it; otherwise the first of the styles, in their
/// declared order, that it has; otherwise the one asked for (synthesised).
FontStyle AvailableStyle(const FontFamily& family, TwzFontStyle style)
{
    const FontStyle wanted = ToRaster(style);
    if (family.IsStyleAvailable(wanted))
        return wanted;
    constexpr std::array kOrder { wzFontRegular, wzFontBold, wzFontItalic, wzFontBoldItalic, wzFontUnderline,
        wzFontStrikeout };
    for (TwzFontStyle candidate : kOrder) {
        if (family.IsStyleAvailable(ToRaster(candidate)))
            return ToRaster(candidate);
    }
    return wanted;
}

/// The text up to its first U+0000, which ends a text for the drawing layer too; ranges
/// over the whole text must not reach beyond it.
std::u16string_view UpToNul(std::u16string_view text)
{
    const size_t nul = text.find(u'\0');
    return nul == std::u16string_view::npos ? text : text.substr(0, nul);
}

StringFormat Format(uint32_t flags, TwzTextAlign horzAlign, TwzTextAlign vertAlign)
{
    return { flags, ToRaster(horzAlign), ToRaster(vertAlign) };
}

bool HasFraction(float v)
{
    return std::isfinite(v) && v != std::trunc(v);
}

} // namespace

FontFamily canvasgdiplus::FamilyOf(const std::string& name)
{
    // A family the machine lacks becomes the generic sans-serif family.
    if (std::optional<FontFamily> family = FontFamily::FromName(name))
        return *family;
    return FontFamily::GenericSansSerif();
}

void TwzCanvasGdiPlus::FontChanged(rtl::TObject*)
{
    m_fontFamily = canvasgdiplus::FamilyOf(GetFont().GetFamily());
}

namespace {

/// The font of drawn and measured text: Size is the em height in pixels, asked for as
/// Size x 0.75 points.
std::optional<Font> TextFont(const FontFamily& family, const TwzFont& font)
{
    return Font::Create(
        family, font.GetSize() * 0.75f, AvailableStyle(family, font.GetStyle()), Font::Unit::Point);
}

} // namespace

void TwzCanvasGdiPlus::FillText(const TwzRect& r, const TwzRect&, std::u16string_view text, bool wordWrap,
    float opacity, TwzTextAlign horzAlign, TwzTextAlign vertAlign)
{
    text = UpToNul(text);
    if (GetFill().GetStyle() == wzBrushNone || text.empty())
        return;
    Graphics* g = GetGraphics();
    if (!g)
        return;
    const std::optional<Font> font = TextFont(m_fontFamily, GetFont());
    if (!font)
        return;
    const uint32_t flags = StringFormat::kNoClip | (wordWrap ? 0 : StringFormat::kNoWrap);
    ApplyFill(r, opacity);
    if (m_fillBrush)
        g->DrawString(text, *font, ToRaster(r), Format(flags, horzAlign, vertAlign), *m_fillBrush);
}

void TwzCanvasGdiPlus::MeasureText(TwzRect& r, const TwzRect&, std::u16string_view text, bool wordWrap,
    TwzTextAlign horzAlign, TwzTextAlign vertAlign)
{
    // Without wrapping the layout has no width: one line of any length, starting at, centred
    // on or ending at Left.
    if (!wordWrap)
        r.Right = r.Left;
    text = UpToNul(text);
    if (text.empty())
        return;
    const std::optional<Font> font = TextFont(m_fontFamily, GetFont());
    if (!font)
        return;
    // A canvas that has no drawing context (its buffer could not be made) measures on a
    // scratch one with the canvas's text quality.
    std::optional<Surface> scratchSurface;
    std::optional<Graphics> scratch;
    Graphics* g = GetGraphics();
    if (!g) {
        scratchSurface = Surface::Create(1, 1);
        if (scratchSurface)
            scratch = Graphics::Create(*scratchSurface);
        if (!scratch)
            return;
        scratch->SetSmoothingMode(SmoothingMode::AntiAlias);
        scratch->SetInterpolationMode(InterpolationMode::HighQuality);
        scratch->SetTextRenderingHint(m_textRendering == wzLowQuality
                ? TextRenderingHint::SingleBitPerPixelGridFit
                : m_textRendering == wzClearType ? TextRenderingHint::ClearTypeGridFit
                                                 : TextRenderingHint::AntiAlias);
        g = &*scratch;
    }
    // Text measured under a fractional scale is not grid-fitted.
    const TextRenderingHint hint = g->GetTextRenderingHint();
    if (HasFraction(m_matrix.m11) || HasFraction(m_matrix.m22))
        g->SetTextRenderingHint(TextRenderingHint::AntiAlias);
    const uint32_t flags = StringFormat::kNoClip | StringFormat::kMeasureTrailingSpaces
        | (wordWrap ? 0 : StringFormat::kNoWrap);
    const CharacterRange whole { 0, static_cast<int>(text.size()) };
    const std::vector<std::optional<RectF>> boxes = g->MeasureCharacterRanges(
        text, *font, ToRaster(r), Format(flags, horzAlign, vertAlign), std::span(&whole, 1));
    g->SetTextRenderingHint(hint);
    // Nothing measured (a layout the drawing layer refuses) leaves R as it is.
    if (!boxes.empty() && boxes.front())
        r = { boxes.front()->x, boxes.front()->y, boxes.front()->Right(), boxes.front()->Bottom() };
}

bool TwzCanvasGdiPlus::TextToPath(TwzPathData& path, const TwzRect& r, std::u16string_view text,
    bool wordWrap, TwzTextAlign horzAlign, TwzTextAlign vertAlign)
{
    text = UpToNul(text);
    if (text.empty())
        return false;
    // Outlines come in the style that drawn text uses, so a family without the face asked
    // for still gives the outlines of the text the user sees.
    const FontStyle style = AvailableStyle(m_fontFamily, GetFont().GetStyle());
    path.Clear();
    const uint32_t flags = wordWrap ? 0 : StringFormat::kNoWrap | StringFormat::kMeasureTrailingSpaces;
    Path outlines(FillMode::Alternate);
    if (!outlines.AddString(
            text, m_fontFamily, style, GetFont().GetSize(), ToRaster(r), Format(flags, horzAlign, vertAlign)))
        return true; // a size or layout the text engine cannot take: no outlines
    const std::vector<PointF>& points = outlines.Points();
    const std::vector<uint8_t>& types = outlines.Types();
    for (size_t i = 0; i < points.size(); ++i) {
        const uint8_t kind = types[i] & kPathPointTypeMask;
        size_t last = i;
        if (kind == kPathPointStart) {
            path.MoveTo({ points[i].x, points[i].y });
        } else if (kind == kPathPointBezier) {
            if (i + 2 >= points.size())
                break;
            path.CurveTo({ points[i].x, points[i].y }, { points[i + 1].x, points[i + 1].y },
                { points[i + 2].x, points[i + 2].y });
            last = i + 2;
        } else if (kind == kPathPointLine) {
            path.LineTo({ points[i].x, points[i].y });
        }
        if (types[last] & kPathPointCloseFlag)
            path.ClosePath();
        i = last;
    }
    return true;
}
