#include "graphics/Colors.h"

#include "platform/rtl/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

std::string Hex(TwzColor c)
{
    return ColorToText(c);
}

TEST(TwzColor, ColorToTextWritesEightUpperCaseDigits)
{
    const struct {
        TwzColor color;
        const char* text;
    } cases[] = {
        { 0x00000000, "#00000000" },
        { 0xFFFFFFFF, "#FFFFFFFF" },
        { 0xFF303030, "#FF303030" },
        { 0x0A0B0C0D, "#0A0B0C0D" }, // leading zeros of every channel kept
        { 0x80FEDCBA, "#80FEDCBA" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ColorToText(c.color), c.text);
    }
}

TEST(TwzColor, TextToColorReadsHexNamesAndNumbers)
{
    const struct {
        const char* text;
        TwzColor expected;
    } cases[] = {
        { "#80ff0000", 0x80FF0000 }, // lower-case digits
        { "#FF0000FF", 0xFF0000FF }, { "$FF0000FF", 0xFF0000FF }, { "blue", 0xFF0000FF },
        { "BLUE", 0xFF0000FF }, { "Aliceblue", 0xFFF0F8FF }, { "ALICEBLUE", 0xFFF0F8FF },
        { "aliceblue", 0xFFF0F8FF }, { "grey", 0xFF808080 }, { "gray", 0xFF808080 },
        { "255", 0x000000FF }, // decimal is a plain number, so transparent
        { "-13619152", 0xFF303030 }, // negative decimal is the bit pattern
        { "2147483647", 0x7FFFFFFF }, { "0xFF00FF00", 0xFF00FF00 }, { "xFF", 0x000000FF },
        { "&17", 0x0000000F }, // octal
        { "%101", 0x00000005 }, // binary
        { "  255", 0x000000FF }, // leading blanks of the integer syntax
        { "$FFFFFFFF", 0xFFFFFFFF }, // the whole unsigned range in hex
        { "#000000000FF", 0x000000FF }, // leading zeros skipped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Hex(TextToColor(c.text)), Hex(c.expected));
    }
}

TEST(TwzColor, TextToColorGivesZeroForTextThatDoesNotRead)
{
    const char* cases[] = {
        "",
        "#",
        "$",
        "nocolor",
        "transparent", // not one of the keywords
        "#GG000000",
        "#FF0000FF ", // trailing blank
        " blue", // names match the whole text only
        "4278190335", // decimal beyond the signed range
        "2147483648",
        "#1FFFFFFFF", // more than 32 bits
        "1.5",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(std::string("'") + text + "'");
        EXPECT_EQ(TextToColor(text), 0u);
    }
}

TEST(TwzColor, TextRoundTripsEveryColour)
{
    const TwzColor samples[]
        = { 0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x12345678, 0xDEADBEEF, 0x00FF00FF };
    for (TwzColor c : samples) {
        SCOPED_TRACE(Hex(c));
        EXPECT_EQ(TextToColor(ColorToText(c)), c);
    }
}

TEST(NamedColors, HoldsTheKeywordsInOrder)
{
    ASSERT_EQ(NamedColors.size(), 147u);
    EXPECT_EQ(NamedColors.front().Name, "Aliceblue");
    EXPECT_EQ(NamedColors.back().Name, "Yellowgreen");
    for (size_t i = 0; i < NamedColors.size(); ++i) {
        const TwzColorIdent& e = NamedColors[i];
        SCOPED_TRACE(std::string(e.Name));
        if (i > 0) {
            EXPECT_LT(rtl::CompareText(NamedColors[i - 1].Name, e.Name), 0) << "not strictly alphabetical";
        }
        ASSERT_FALSE(e.Name.empty());
        EXPECT_TRUE(e.Name[0] >= 'A' && e.Name[0] <= 'Z');
        EXPECT_TRUE(
            std::all_of(e.Name.begin() + 1, e.Name.end(), [](char c) { return c >= 'a' && c <= 'z'; }));
        ASSERT_EQ(e.Value.size(), 9u);
        EXPECT_EQ(e.Value.substr(0, 3), "#FF") << "named colours are opaque";
        EXPECT_TRUE(std::all_of(e.Value.begin() + 1, e.Value.end(),
            [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }));
        // Reading the name gives the value, and writing that colour gives the value back.
        EXPECT_EQ(ColorToText(TextToColor(e.Name)), e.Value);
    }
}

TEST(NamedColors, HasTheStandardValues)
{
    const struct {
        const char* name;
        const char* value;
    } cases[] = {
        { "Black", "#FF000000" },
        { "White", "#FFFFFFFF" },
        { "Red", "#FFFF0000" },
        { "Green", "#FF008000" },
        { "Lime", "#FF00FF00" },
        { "Maroon", "#FF800000" },
        { "Purple", "#FF800080" },
        { "Gray", "#FF808080" },
        { "Darkgray", "#FFA9A9A9" },
        { "Darkgrey", "#FFA9A9A9" },
        { "Cornflowerblue", "#FF6495ED" },
        { "Lightgoldenrodyellow", "#FFFAFAD2" },
        { "Rosybrown", "#FFBC8F8F" },
        { "Mediumspringgreen", "#FF00FA9A" },
        { "Yellowgreen", "#FF9ACD32" },
        { "Aqua", "#FF00FFFF" },
        { "Cyan", "#FF00FFFF" },
        { "Fuchsia", "#FFFF00FF" },
        { "Magenta", "#FFFF00FF" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto it = std::find_if(
            NamedColors.begin(), NamedColors.end(), [&](const TwzColorIdent& e) { return e.Name == c.name; });
        ASSERT_NE(it, NamedColors.end());
        EXPECT_EQ(it->Value, c.value);
    }
}

TEST(NamedColors, EveryGrayHasItsGreyTwin)
{
    int pairs = 0;
    for (const TwzColorIdent& e : NamedColors) {
        std::string name(e.Name);
        const size_t at = rtl::AsciiLowerCase(name).find("gray");
        if (at == std::string::npos)
            continue;
        name[at + 2] = 'e';
        SCOPED_TRACE(name);
        EXPECT_EQ(TextToColor(name), TextToColor(e.Name));
        EXPECT_NE(TextToColor(name), 0u);
        ++pairs;
    }
    EXPECT_EQ(pairs, 7); // dark, darkslate, dim, plain, light, lightslate, slate
}

TEST(TwzColor, PremultiplyAndUnpremultiply)
{
    const struct {
        const char* what;
        TwzColor straight;
        TwzColor premultiplied;
    } premultiply[] = {
        { "alpha 128 halves (truncated)", 0x80FF8040, 0x80804020 },
        { "alpha 0 clears every channel", 0x00FFFFFF, 0x00000000 },
        { "opaque stays", 0xFF123456, 0xFF123456 },
        { "alpha 1", 0x01FFFFFF, 0x01010101 },
        { "alpha 254", 0xFEFFFFFF, 0xFEFEFEFE },
    };
    for (const auto& c : premultiply) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Hex(PremultiplyColor(c.straight)), Hex(c.premultiplied));
    }
    const struct {
        const char* what;
        TwzColor premultiplied;
        TwzColor straight;
    } unpremultiply[] = {
        { "alpha 0 gives 0", 0x00123456, 0x00000000 },
        { "opaque stays", 0xFF123456, 0xFF123456 },
        { "64 / (128/255) truncates to 127", 0x80004020, 0x80007F3F },
        { "channel above alpha saturates", 0x10FF2010, 0x10FFFFFF },
    };
    for (const auto& c : unpremultiply) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Hex(UnpremultiplyColor(c.premultiplied)), Hex(c.straight));
    }
}

// Bitmaps premultiply on the way in and unpremultiply on the way out: the loss must stay
// within one premultiplied step (255 / alpha, plus the truncation) and never brighten.
TEST(TwzColor, PremultiplyRoundTripLosesAtMostOneStep)
{
    for (uint32_t a = 1; a < 255; ++a) {
        for (uint32_t v = 0; v < 256; ++v) {
            const TwzColor c = (a << 24) | (v << 16) | (v << 8) | v;
            const TwzColor back = UnpremultiplyColor(PremultiplyColor(c));
            const uint32_t b = back & 0xFF;
            ASSERT_EQ(back >> 24, a);
            ASSERT_LE(b, v) << "alpha " << a << " value " << v;
            ASSERT_LT(double(v - b), 255.0 / a + 1) << "alpha " << a << " value " << v;
        }
    }
}

TEST(TwzColor, ScaleColorAlpha)
{
    const struct {
        const char* what;
        TwzColor color;
        float opacity;
        TwzColor expected;
    } cases[] = {
        { "half of 255 truncates", 0xFF000000, 0.5f, 0x7F000000 },
        { "1 leaves the colour", 0xFF000000, 1.0f, 0xFF000000 },
        { "above 1 leaves the colour", 0xFF000000, 1.5f, 0xFF000000 },
        { "0 makes it transparent", 0xFF123456, 0.0f, 0x00123456 },
        { "colour channels kept", 0x80123456, 0.5f, 0x40123456 },
        { "negative opacity is transparent", 0xFF123456, -0.5f, 0x00123456 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Hex(ScaleColorAlpha(c.color, c.opacity)), Hex(c.expected));
    }
}

TEST(TwzColor, InterpolateColorPerChannel)
{
    const struct {
        const char* what;
        TwzColor start, stop;
        float t;
        TwzColor expected;
    } cases[] = {
        { "black to white halfway", 0xFF000000, 0xFFFFFFFF, 0.5f, 0xFF7F7F7F },
        { "start at 0", 0x11223344, 0xAABBCCDD, 0.0f, 0x11223344 },
        { "stop at 1", 0x11223344, 0xAABBCCDD, 1.0f, 0xAABBCCDD },
        { "falling channels truncate toward zero", 0xFFFFFFFF, 0x00000000, 0.5f, 0x80808080 },
        { "alpha interpolates too", 0x00000000, 0xFF000000, 0.25f, 0x3F000000 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Hex(InterpolateColor(c.start, c.stop, c.t)), Hex(c.expected));
    }
}

TEST(TwzColor, HSLConversions)
{
    const struct {
        const char* what;
        float h, s, l;
        TwzColor rgb;
    } toRgb[] = {
        { "red", 0, 1, 0.5f, 0xFFFF0000 },
        { "grey: 127.5 rounds to even 128", 0, 0, 0.5f, 0xFF808080 },
        { "green", 1.0f / 3, 1, 0.5f, 0xFF00FF00 },
        { "blue", 2.0f / 3, 1, 0.5f, 0xFF0000FF },
        { "white", 0, 0, 1, 0xFFFFFFFF },
        { "black", 0.7f, 1, 0, 0xFF000000 },
        { "hue 1 is red again", 1, 1, 0.5f, 0xFFFF0000 },
        { "light saturated (l > 0.5)", 0, 1, 0.75f, 0xFFFF8080 },
    };
    for (const auto& c : toRgb) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Hex(HSLtoRGB(c.h, c.s, c.l)), Hex(c.rgb));
    }
    const struct {
        const char* what;
        TwzColor rgb;
        float h, s, l;
    } toHsl[] = {
        { "green", 0xFF00FF00, 1.0f / 3, 1, 0.5f },
        { "red", 0xFFFF0000, 0, 1, 0.5f },
        { "blue", 0xFF0000FF, 2.0f / 3, 1, 0.5f },
        { "magenta wraps the hue below 0", 0xFFFF00FF, 5.0f / 6, 1, 0.5f },
        { "grey has no hue or saturation", 0x00808080, 0, 0, 128.0f / 255 },
        { "dark red (l < 0.5)", 0xFF800000, 0, 1, 128.0f / 510 },
    };
    for (const auto& c : toHsl) {
        SCOPED_TRACE(c.what);
        float h = -1, s = -1, l = -1;
        RGBtoHSL(c.rgb, h, s, l);
        EXPECT_NEAR(h, c.h, 1e-6);
        EXPECT_NEAR(s, c.s, 1e-6);
        EXPECT_NEAR(l, c.l, 1e-6);
    }
}

TEST(TwzColor, HSLRoundTripsOpaqueColours)
{
    for (uint32_t r = 0; r < 256; r += 17) {
        for (uint32_t g = 0; g < 256; g += 15) {
            for (uint32_t b = 0; b < 256; b += 5) {
                const TwzColor c = 0xFF000000 | (r << 16) | (g << 8) | b;
                float h, s, l;
                RGBtoHSL(c, h, s, l);
                ASSERT_GE(h, 0.0f);
                ASSERT_LT(h, 1.0f);
                ASSERT_EQ(Hex(HSLtoRGB(h, s, l)), Hex(c));
            }
        }
    }
}

TEST(TwzColor, ChangeHSLClampsAndKeepsAlpha)
{
    const struct {
        const char* what;
        TwzColor color;
        float dh, ds, dl;
        TwzColor expected;
    } cases[] = {
        { "lightness clamped to 1, alpha kept", 0x80FF0000, 0, 0, 1, 0x80FFFFFF },
        { "no change", 0xC0336699, 0, 0, 0, 0xC0336699 },
        { "desaturated to grey", 0xFFFF0000, 0, -1, 0, 0xFF808080 },
        { "hue is clamped at 0, not wrapped", 0xFFFF0000, -0.5f, 0, 0, 0xFFFF0000 },
        { "hue is clamped at 1, not wrapped", 0xFF0000FF, 0.5f, 0, 0, 0xFFFF0000 },
        { "darkened to black", 0x40123456, 0, 0, -1, 0x40000000 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Hex(ChangeHSL(c.color, c.dh, c.ds, c.dl)), Hex(c.expected));
    }
}

} // namespace
