#include "platform/raster/Font.h"
#include "platform/raster/FontFamily.h"
#include "platform/raster/Graphics.h"

#include "platform/raster/Brush.h"
#include "platform/raster/StringFormat.h"
#include "tests/platform/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace platform::raster;
using namespace rastertest;

namespace {

const Brush kBlack = Brush::Solid(0xFF000000);

Font MakeFont(const char* family, float size, FontStyle style = FontStyle::Regular)
{
    auto f = FontFamily::FromName(family);
    EXPECT_TRUE(f) << family;
    auto font = Font::Create(f ? *f : FontFamily::GenericSansSerif(), size, style);
    EXPECT_TRUE(font);
    return *font;
}

RectF Measure(Graphics& g, std::u16string_view text, const Font& font, RectF layout, StringFormat format)
{
    const CharacterRange all[] = { { 0, int(text.size()) } };
    auto r = g.MeasureCharacterRanges(text, font, layout, format, all);
    EXPECT_TRUE(r[0]);
    return r[0].value_or(RectF {});
}

} // namespace

TEST(FontFamily, NamesResolveToInstalledFamilies)
{
    struct Case {
        const char* name;
        const char* family; // nullptr: not installed
    } cases[] = {
        { "DejaVu Sans", "DejaVu Sans" },
        { "dejavu SANS", "DejaVu Sans" }, // case does not matter
        { "Liberation Sans", "Liberation Sans" },
        { "Arial", "Liberation Sans" }, // metric-compatible stand-in
        { "Times New Roman", "Liberation Serif" },
        { "No Such Family 42", nullptr },
        { "Tahoma", nullptr }, // only generic fallbacks would match
        { "", nullptr },
    };
    // Asked again, from the kept answers, and once more after more names than are kept.
    for (int round = 0; round < 3; ++round) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " in round " + std::to_string(round));
            auto family = FontFamily::FromName(c.name);
            ASSERT_EQ(family.has_value(), c.family != nullptr);
            if (family) {
                EXPECT_EQ(family->Name(), c.family);
            }
        }
        if (round == 1) {
            for (int n = 0; n < 300; ++n)
                EXPECT_FALSE(FontFamily::FromName("Unheard Of " + std::to_string(n)));
        }
    }
    const auto generic = FontFamily::GenericSansSerif();
    EXPECT_FALSE(generic.Name().empty());
    EXPECT_TRUE(generic.IsStyleAvailable(FontStyle::Regular));
    EXPECT_EQ(FontFamily::FromName(generic.Name()), generic);
}

TEST(FontFamily, StylesAreThoseOfRealFaces)
{
    const auto liberation = FontFamily::FromName("Liberation Sans");
    ASSERT_TRUE(liberation);
    for (FontStyle s : { FontStyle::Regular, FontStyle::Bold, FontStyle::Italic, FontStyle::BoldItalic,
             FontStyle::Bold | FontStyle::Underline, FontStyle::Strikeout | FontStyle::Italic })
        EXPECT_TRUE(liberation->IsStyleAvailable(s)) << int(s);
    // Some installed family lacks an italic face; which one depends on the machine.
    for (const char* name : { "DejaVu Serif", "DejaVu Sans Mono", "DejaVu Sans" }) {
        auto family = FontFamily::FromName(name);
        if (family && !family->IsStyleAvailable(FontStyle::Italic)) {
            EXPECT_FALSE(family->IsStyleAvailable(FontStyle::Italic | FontStyle::Underline));
            EXPECT_TRUE(family->IsStyleAvailable(FontStyle::Regular | FontStyle::Underline));
            return;
        }
    }
    GTEST_SKIP() << "every candidate family has an italic face here";
}

TEST(Font, EmSizesOutsideTheUsableRangeAreRefused)
{
    const auto family = FontFamily::GenericSansSerif();
    struct Case {
        float size;
        Font::Unit unit;
        float em; // 0: refused
    } cases[] = {
        { 12, Font::Unit::Pixel, 12 },
        { 9, Font::Unit::Point, 12 },
        { 12, Font::Unit::World, 12 },
        { 0, Font::Unit::Pixel, 0 },
        { -3, Font::Unit::Pixel, 0 },
        { 1e-6f, Font::Unit::Pixel, 0 },
        { 1e6f, Font::Unit::Pixel, 0 },
        { std::nanf(""), Font::Unit::Pixel, 0 },
        { Font::kMaxEmSize, Font::Unit::Pixel, Font::kMaxEmSize },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        auto font = Font::Create(family, c.size, FontStyle::Bold, c.unit);
        ASSERT_EQ(font.has_value(), c.em != 0);
        if (font) {
            EXPECT_FLOAT_EQ(font->EmSize(), c.em);
            EXPECT_EQ(font->Style(), FontStyle::Bold);
        }
    }
}

TEST(GraphicsText, LinesAlignInTheirRectangle)
{
    const Font font = MakeFont("DejaVu Sans", 12);
    const RectF layout { 8, 8, 48, 48 };
    for (auto h : { StringAlignment::Near, StringAlignment::Center, StringAlignment::Far }) {
        for (auto v : { StringAlignment::Near, StringAlignment::Center, StringAlignment::Far }) {
            SCOPED_TRACE(testing::Message() << "horizontal " << int(h) << ", vertical " << int(v));
            auto c = Canvas::Make(64, 64);
            const StringFormat format { 0, h, v };
            const RectF box = Measure(c.g, u"Hi", font, layout, format);
            const float f[] = { 0, 0.5f, 1 };
            EXPECT_NEAR(box.x, layout.x + f[int(h)] * (layout.width - box.width), 0.01);
            EXPECT_NEAR(box.y, layout.y + f[int(v)] * (layout.height - box.height), 0.01);
            EXPECT_GT(box.width, 8);
            EXPECT_NEAR(box.height, 14, 2);
            // The drawn glyphs lie inside the measured box.
            c.g.DrawString(u"Hi", font, layout, format, kBlack);
            const RectI ink = InkBounds(c.surface);
            ASSERT_GT(ink.width, 0);
            EXPECT_GE(ink.x, std::floor(box.x));
            EXPECT_GE(ink.y, std::floor(box.y));
            EXPECT_LE(ink.x + ink.width, std::ceil(box.Right()));
            EXPECT_LE(ink.y + ink.height, std::ceil(box.Bottom()));
        }
    }
}

TEST(GraphicsText, ZeroSizedRectanglesAlignOnTheirEdge)
{
    const Font font = MakeFont("DejaVu Sans", 12);
    auto c = Canvas::Make(8, 8);
    const RectF at { 100, 50, 0, 0 };
    const RectF near = Measure(c.g, u"Edge", font, at, { 0, StringAlignment::Near, StringAlignment::Near });
    const RectF centre
        = Measure(c.g, u"Edge", font, at, { 0, StringAlignment::Center, StringAlignment::Center });
    const RectF far = Measure(c.g, u"Edge", font, at, { 0, StringAlignment::Far, StringAlignment::Far });
    EXPECT_FLOAT_EQ(near.x, 100);
    EXPECT_FLOAT_EQ(near.y, 50);
    EXPECT_NEAR(centre.x + centre.width / 2, 100, 0.01);
    EXPECT_NEAR(centre.y + centre.height / 2, 50, 0.01);
    EXPECT_NEAR(far.Right(), 100, 0.01);
    EXPECT_NEAR(far.Bottom(), 50, 0.01);
    EXPECT_FLOAT_EQ(near.width, far.width);
}

TEST(GraphicsText, WrapsAtWordsOnlyWhenAllowedAndGiven)
{
    const Font font = MakeFont("DejaVu Sans", 10);
    auto c = Canvas::Make(8, 8);
    const std::u16string text = u"wrap these words";
    const RectF narrow { 0, 0, 40, 100 };
    const RectF wrapped = Measure(c.g, text, font, narrow, {});
    const RectF oneLine = Measure(c.g, text, font, narrow, { StringFormat::kNoWrap });
    const RectF unbounded = Measure(c.g, text, font, { 0, 0, 0, 100 }, {});
    EXPECT_GT(oneLine.width, 40);
    EXPECT_LE(wrapped.width, 40);
    EXPECT_NEAR(wrapped.height, 3 * oneLine.height, 1);
    EXPECT_FLOAT_EQ(unbounded.width, oneLine.width); // zero width: nothing to wrap at
    EXPECT_FLOAT_EQ(unbounded.height, oneLine.height);
    // A word longer than the line is broken inside.
    const RectF broken = Measure(c.g, u"Unbreakableword", font, { 0, 0, 30, 100 }, {});
    EXPECT_LE(broken.width, 30);
    EXPECT_GT(broken.height, oneLine.height * 1.5);
}

TEST(GraphicsText, WrappedLinesAlignOneByOne)
{
    const Font font = MakeFont("DejaVu Sans", 10);
    auto c = Canvas::Make(8, 8);
    // Two lines: "aa" and "bbbbbbb"; the blank where the line breaks is not aligned.
    const std::u16string text = u"aa bbbbbbb";
    const RectF layout { 10, 20, 50, 100 };
    const CharacterRange ranges[] = { { 0, 2 }, { 3, 7 }, { 0, 10 } };
    const float f[] = { 0, 0.5f, 1 };
    for (auto h : { StringAlignment::Near, StringAlignment::Center, StringAlignment::Far }) {
        for (auto v : { StringAlignment::Near, StringAlignment::Center, StringAlignment::Far }) {
            SCOPED_TRACE(testing::Message() << "horizontal " << int(h) << ", vertical " << int(v));
            const auto r = c.g.MeasureCharacterRanges(text, font, layout, { 0, h, v }, ranges);
            ASSERT_TRUE(r[0] && r[1] && r[2]);
            EXPECT_LT(r[0]->Bottom(), r[1]->y + 0.01); // on separate lines
            EXPECT_LT(r[0]->width, r[1]->width);
            for (int line = 0; line < 2; ++line) {
                const RectF& word = *r[line];
                EXPECT_NEAR(word.x, layout.x + f[int(h)] * (layout.width - word.width), 0.01)
                    << "line " << line;
            }
            EXPECT_NEAR(r[2]->y, layout.y + f[int(v)] * (layout.height - r[2]->height), 0.01);
            // Drawn where measured.
            auto drawn = Canvas::Make(80, 140);
            drawn.g.DrawString(text, font, layout, { 0, h, v }, kBlack);
            const RectI ink = InkBounds(drawn.surface);
            ASSERT_GT(ink.width, 0);
            EXPECT_GE(ink.x, std::floor(r[2]->x));
            EXPECT_GE(ink.y, std::floor(r[2]->y));
            EXPECT_LE(ink.x + ink.width, std::ceil(r[2]->Right()));
            EXPECT_LE(ink.y + ink.height, std::ceil(r[2]->Bottom()));
            EXPECT_GT(ink.height, r[0]->height); // both lines
        }
    }
}

TEST(GraphicsText, DrawnTextIsClippedToItsRectangleUnlessAsked)
{
    const Font font = MakeFont("DejaVu Sans", 12);
    for (uint32_t flags : { 0u, unsigned(StringFormat::kNoClip) }) {
        SCOPED_TRACE(flags);
        auto c = Canvas::Make(64, 16);
        c.g.DrawString(u"MMMMMMMM", font, { 2, 0, 20, 16 }, { flags | StringFormat::kNoWrap }, kBlack);
        const RectI ink = InkBounds(c.surface);
        if (flags & StringFormat::kNoClip) {
            EXPECT_GT(ink.x + ink.width, 40);
        } else {
            EXPECT_LE(ink.x + ink.width, 22);
        }
    }
}

TEST(GraphicsText, TrailingSpacesCountOnlyWhenAsked)
{
    const Font font = MakeFont("DejaVu Sans", 12);
    auto c = Canvas::Make(8, 8);
    const StringFormat counted { StringFormat::kMeasureTrailingSpaces };
    EXPECT_GT(
        Measure(c.g, u"ab  ", font, {}, counted).width, Measure(c.g, u"ab", font, {}, counted).width + 4);

    // Centred without the flag, the blanks do not push the letters to the left.
    const StringFormat centred { 0, StringAlignment::Center };
    auto a = Canvas::Make(64, 16);
    auto b = Canvas::Make(64, 16);
    a.g.DrawString(u"ab", font, { 0, 0, 64, 16 }, centred, kBlack);
    b.g.DrawString(u"ab   ", font, { 0, 0, 64, 16 }, centred, kBlack);
    EXPECT_EQ(InkBounds(a.surface), InkBounds(b.surface));
    auto d = Canvas::Make(64, 16);
    d.g.DrawString(u"ab   ", font, { 0, 0, 64, 16 },
        { StringFormat::kMeasureTrailingSpaces, StringAlignment::Center }, kBlack);
    EXPECT_LT(InkBounds(d.surface).x, InkBounds(a.surface).x);
}

TEST(GraphicsText, CharacterRangesFollowTheUtf16Text)
{
    const Font font = MakeFont("DejaVu Sans", 12);
    auto c = Canvas::Make(8, 8);
    const std::u16string text = u"a\U0001F600bc"; // the emoji takes two code units
    const CharacterRange ranges[]
        = { { 0, 1 }, { 1, 2 }, { 3, 1 }, { 4, 1 }, { 0, 5 }, { 5, 1 }, { 2, 0 }, { -3, 1 } };
    const auto r = c.g.MeasureCharacterRanges(text, font, { 10, 20, 0, 0 }, {}, ranges);
    ASSERT_EQ(r.size(), std::size(ranges));
    ASSERT_TRUE(r[0] && r[1] && r[2] && r[3] && r[4]);
    EXPECT_FLOAT_EQ(r[0]->x, 10);
    EXPECT_NEAR(r[1]->x, r[0]->Right(), 0.01);
    EXPECT_NEAR(r[2]->x, r[1]->Right(), 0.01);
    EXPECT_NEAR(r[3]->x, r[2]->Right(), 0.01);
    EXPECT_NEAR(r[4]->Right(), r[3]->Right(), 0.01);
    EXPECT_FLOAT_EQ(r[4]->x, r[0]->x);
    EXPECT_FLOAT_EQ(r[0]->y, 20);
    EXPECT_FALSE(r[5]); // past the end
    EXPECT_FALSE(r[6]); // empty
    EXPECT_FALSE(r[7]); // before the start
    EXPECT_TRUE(std::all_of(r.begin(), r.end(), [](auto& x) { return !x || x->height > 0; }));

    const auto none = c.g.MeasureCharacterRanges(u"", font, {}, {}, ranges);
    EXPECT_TRUE(std::none_of(none.begin(), none.end(), [](auto& x) { return x.has_value(); }));
}

TEST(GraphicsText, TextEndsAtItsFirstNul)
{
    const Font font = MakeFont("DejaVu Sans", 12);
    auto c = Canvas::Make(8, 8);
    const std::u16string withNul(u"ab\0cd", 5);
    EXPECT_EQ(Measure(c.g, withNul, font, {}, {}), Measure(c.g, u"ab", font, {}, {}));
}

TEST(GraphicsText, MeasuresUnderTheTransformAsDrawn)
{
    const Font font = MakeFont("Liberation Sans", 12);
    auto c = Canvas::Make(8, 8);
    const RectF plain = Measure(c.g, u"Scale", font, {}, {});
    ASSERT_TRUE(c.g.SetTransform(Matrix::Scaling(1.5f, 1.5f)));
    for (auto hint : { TextRenderingHint::AntiAlias, TextRenderingHint::ClearTypeGridFit,
             TextRenderingHint::SingleBitPerPixelGridFit }) {
        SCOPED_TRACE(int(hint));
        c.g.SetTextRenderingHint(hint);
        const RectF scaled = Measure(c.g, u"Scale", font, {}, {});
        // World units either way; grid fitting may move it by a device pixel or so.
        EXPECT_NEAR(scaled.width, plain.width, 1.5);
        EXPECT_NEAR(scaled.height, plain.height, 1.5);
    }
    c.g.SetTextRenderingHint(TextRenderingHint::AntiAlias);
    EXPECT_FLOAT_EQ(Measure(c.g, u"Scale", font, {}, {}).width, plain.width);
}

TEST(GraphicsText, StylesChangeTheGlyphs)
{
    auto ink = [](const Font& font) {
        auto c = Canvas::Make(64, 24);
        c.g.DrawString(u"Style", font, { 2, 2, 60, 20 }, {}, kBlack);
        return CountInk(c.surface, 128);
    };
    const int regular = ink(MakeFont("Liberation Sans", 14));
    EXPECT_GT(ink(MakeFont("Liberation Sans", 14, FontStyle::Bold)), regular * 1.2);
    EXPECT_GT(ink(MakeFont("Liberation Sans", 14, FontStyle::Underline)), regular + 10);
    EXPECT_GT(ink(MakeFont("Liberation Sans", 14, FontStyle::Strikeout)), regular + 10);
}

TEST(GraphicsText, TextTooLargeForGlyphsIsDrawnAsOutlines)
{
    const Font font = MakeFont("DejaVu Sans", 16);
    for (float scale : { 10.0f, 40.0f }) { // 160 px glyphs, then 640 px outlines
        SCOPED_TRACE(scale);
        auto c = Canvas::Make(64, 64);
        ASSERT_TRUE(c.g.SetTransform(Matrix::Scaling(scale, scale)));
        // A full block raised by half an em covers the whole surface either way.
        c.g.DrawString(u"\u2588", font, { 0, -8, 0, 0 }, {}, kBlack);
        EXPECT_EQ(c.At(32, 32), 0xFF000000u);
        EXPECT_EQ(c.At(0, 0), 0xFF000000u);
    }
}

TEST(GraphicsText, OutlinedTextKeepsLettersFarFromTheOrigin)
{
    // Squeezed to a hundredth of its width, a line of 200 characters is drawn as outlines
    // (too narrow for the glyph rasteriser) and spans about 60 pixels: every tenth of it, up
    // to the last letter, is inked.
    std::u16string line;
    while (line.size() < 199)
        line += u"Outlines far from the origin ";
    line.resize(199);
    line += u"W";
    const Font font = MakeFont("DejaVu Sans", 50);
    auto c = Canvas::Make(80, 64);
    ASSERT_TRUE(c.g.SetTransform(Matrix::Scaling(0.01f, 1)));
    const CharacterRange all { 0, int(line.size()) };
    const auto box = c.g.MeasureCharacterRanges(line, font, { 0, 0, 0, 0 }, {}, { &all, 1 })[0];
    ASSERT_TRUE(box);
    c.g.DrawString(line, font, { 0, 0, 0, 0 }, {}, kBlack);
    const int right = int(std::floor((box->x + box->width) / 100));
    ASSERT_GT(right, 40);
    ASSERT_LT(right, 80);
    for (int part = 0; part < 10; ++part) {
        bool inked = false;
        for (int x = part * right / 10; x < (part + 1) * right / 10; ++x)
            for (int y = 0; y < 64; ++y)
                inked = inked || Alpha(c.At(x, y)) > 64;
        EXPECT_TRUE(inked) << "nothing drawn in part " << part;
    }
}
