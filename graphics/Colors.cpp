#include "graphics/Colors.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"

#include <algorithm>
#include <cmath>
#include <optional>

constexpr std::array<TwzColorIdent, 147> NamedColors { {
    { "Aliceblue", "#FFF0F8FF" },
    { "Antiquewhite", "#FFFAEBD7" },
    { "Aqua", "#FF00FFFF" },
    { "Aquamarine", "#FF7FFFD4" },
    { "Azure", "#FFF0FFFF" },
    { "Beige", "#FFF5F5DC" },
    { "Bisque", "#FFFFE4C4" },
    { "Black", "#FF000000" },
    { "Blanchedalmond", "#FFFFEBCD" },
    { "Blue", "#FF0000FF" },
    { "Blueviolet", "#FF8A2BE2" },
    { "Brown", "#FFA52A2A" },
    { "Burlywood", "#FFDEB887" },
    { "Cadetblue", "#FF5F9EA0" },
    { "Chartreuse", "#FF7FFF00" },
    { "Chocolate", "#FFD2691E" },
    { "Coral", "#FFFF7F50" },
    { "Cornflowerblue", "#FF6495ED" },
    { "Cornsilk", "#FFFFF8DC" },
    { "Crimson", "#FFDC143C" },
    { "Cyan", "#FF00FFFF" },
    { "Darkblue", "#FF00008B" },
    { "Darkcyan", "#FF008B8B" },
    { "Darkgoldenrod", "#FFB8860B" },
    { "Darkgray", "#FFA9A9A9" },
    { "Darkgreen", "#FF006400" },
    { "Darkgrey", "#FFA9A9A9" },
    { "Darkkhaki", "#FFBDB76B" },
    { "Darkmagenta", "#FF8B008B" },
    { "Darkolivegreen", "#FF556B2F" },
    { "Darkorange", "#FFFF8C00" },
    { "Darkorchid", "#FF9932CC" },
    { "Darkred", "#FF8B0000" },
    { "Darksalmon", "#FFE9967A" },
    { "Darkseagreen", "#FF8FBC8F" },
    { "Darkslateblue", "#FF483D8B" },
    { "Darkslategray", "#FF2F4F4F" },
    { "Darkslategrey", "#FF2F4F4F" },
    { "Darkturquoise", "#FF00CED1" },
    { "Darkviolet", "#FF9400D3" },
    { "Deeppink", "#FFFF1493" },
    { "Deepskyblue", "#FF00BFFF" },
    { "Dimgray", "#FF696969" },
    { "Dimgrey", "#FF696969" },
    { "Dodgerblue", "#FF1E90FF" },
    { "Firebrick", "#FFB22222" },
    { "Floralwhite", "#FFFFFAF0" },
    { "Forestgreen", "#FF228B22" },
    { "Fuchsia", "#FFFF00FF" },
    { "Gainsboro", "#FFDCDCDC" },
    { "Ghostwhite", "#FFF8F8FF" },
    { "Gold", "#FFFFD700" },
    { "Goldenrod", "#FFDAA520" },
    { "Gray", "#FF808080" },
    { "Green", "#FF008000" },
    { "Greenyellow", "#FFADFF2F" },
    { "Grey", "#FF808080" },
    { "Honeydew", "#FFF0FFF0" },
    { "Hotpink", "#FFFF69B4" },
    { "Indianred", "#FFCD5C5C" },
    { "Indigo", "#FF4B0082" },
    { "Ivory", "#FFFFFFF0" },
    { "Khaki", "#FFF0E68C" },
    { "Lavender", "#FFE6E6FA" },
    { "Lavenderblush", "#FFFFF0F5" },
    { "Lawngreen", "#FF7CFC00" },
    { "Lemonchiffon", "#FFFFFACD" },
    { "Lightblue", "#FFADD8E6" },
    { "Lightcoral", "#FFF08080" },
    { "Lightcyan", "#FFE0FFFF" },
    { "Lightgoldenrodyellow", "#FFFAFAD2" },
    { "Lightgray", "#FFD3D3D3" },
    { "Lightgreen", "#FF90EE90" },
    { "Lightgrey", "#FFD3D3D3" },
    { "Lightpink", "#FFFFB6C1" },
    { "Lightsalmon", "#FFFFA07A" },
    { "Lightseagreen", "#FF20B2AA" },
    { "Lightskyblue", "#FF87CEFA" },
    { "Lightslategray", "#FF778899" },
    { "Lightslategrey", "#FF778899" },
    { "Lightsteelblue", "#FFB0C4DE" },
    { "Lightyellow", "#FFFFFFE0" },
    { "Lime", "#FF00FF00" },
    { "Limegreen", "#FF32CD32" },
    { "Linen", "#FFFAF0E6" },
    { "Magenta", "#FFFF00FF" },
    { "Maroon", "#FF800000" },
    { "Mediumaquamarine", "#FF66CDAA" },
    { "Mediumblue", "#FF0000CD" },
    { "Mediumorchid", "#FFBA55D3" },
    { "Mediumpurple", "#FF9370DB" },
    { "Mediumseagreen", "#FF3CB371" },
    { "Mediumslateblue", "#FF7B68EE" },
    { "Mediumspringgreen", "#FF00FA9A" },
    { "Mediumturquoise", "#FF48D1CC" },
    { "Mediumvioletred", "#FFC71585" },
    { "Midnightblue", "#FF191970" },
    { "Mintcream", "#FFF5FFFA" },
    { "Mistyrose", "#FFFFE4E1" },
    { "Moccasin", "#FFFFE4B5" },
    { "Navajowhite", "#FFFFDEAD" },
    { "Navy", "#FF000080" },
    { "Oldlace", "#FFFDF5E6" },
    { "Olive", "#FF808000" },
    { "Olivedrab", "#FF6B8E23" },
    { "Orange", "#FFFFA500" },
    { "Orangered", "#FFFF4500" },
    { "Orchid", "#FFDA70D6" },
    { "Palegoldenrod", "#FFEEE8AA" },
    { "Palegreen", "#FF98FB98" },
    { "Paleturquoise", "#FFAFEEEE" },
    { "Palevioletred", "#FFDB7093" },
    { "Papayawhip", "#FFFFEFD5" },
    { "Peachpuff", "#FFFFDAB9" },
    { "Peru", "#FFCD853F" },
    { "Pink", "#FFFFC0CB" },
    { "Plum", "#FFDDA0DD" },
    { "Powderblue", "#FFB0E0E6" },
    { "Purple", "#FF800080" },
    { "Red", "#FFFF0000" },
    { "Rosybrown", "#FFBC8F8F" },
    { "Royalblue", "#FF4169E1" },
    { "Saddlebrown", "#FF8B4513" },
    { "Salmon", "#FFFA8072" },
    { "Sandybrown", "#FFF4A460" },
    { "Seagreen", "#FF2E8B57" },
    { "Seashell", "#FFFFF5EE" },
    { "Sienna", "#FFA0522D" },
    { "Silver", "#FFC0C0C0" },
    { "Skyblue", "#FF87CEEB" },
    { "Slateblue", "#FF6A5ACD" },
    { "Slategray", "#FF708090" },
    { "Slategrey", "#FF708090" },
    { "Snow", "#FFFFFAFA" },
    { "Springgreen", "#FF00FF7F" },
    { "Steelblue", "#FF4682B4" },
    { "Tan", "#FFD2B48C" },
    { "Teal", "#FF008080" },
    { "Thistle", "#FFD8BFD8" },
    { "Tomato", "#FFFF6347" },
    { "Turquoise", "#FF40E0D0" },
    { "Violet", "#FFEE82EE" },
    { "Wheat", "#FFF5DEB3" },
    { "White", "#FFFFFFFF" },
    { "Whitesmoke", "#FFF5F5F5" },
    { "Yellow", "#FFFFFF00" },
    { "Yellowgreen", "#FF9ACD32" },
} };

namespace {

constexpr bool NamesAscend()
{
    for (size_t i = 1; i < NamedColors.size(); ++i) {
        if (!(NamedColors[i - 1].Name < NamedColors[i].Name))
            return false;
    }
    return true;
}
// The name lookup below is a binary search; it relies on this order.
static_assert(NamesAscend());

constexpr uint32_t Channel(TwzColor c, int shift)
{
    return (c >> shift) & 0xFF;
}

std::optional<TwzColor> ReadColorNumber(std::string_view s)
{
    if (auto v = rtl::TryStrToInt(s))
        return static_cast<TwzColor>(static_cast<uint32_t>(*v));
    return std::nullopt;
}

// "#..." reads as hexadecimal: the integer syntax spells that "$...".
std::optional<TwzColor> ReadHashColor(std::string_view s)
{
    std::string hex = "$";
    hex.append(s.substr(1));
    return ReadColorNumber(hex);
}

const TwzColorIdent* FindNamedColor(std::string_view s)
{
    const auto it = std::lower_bound(
        NamedColors.begin(), NamedColors.end(), s, [](const TwzColorIdent& entry, std::string_view name) {
            return rtl::CompareText(entry.Name, name) < 0;
        });
    if (it != NamedColors.end() && rtl::SameText(it->Name, s))
        return &*it;
    return nullptr;
}

// HSLtoRGB's per-channel step, in double so the Single results are rounded once.
double HueToChannel(double m1, double m2, double x)
{
    x -= std::floor(x);
    if (x * 6 < 1)
        return m1 + (m2 - m1) * x * 6;
    if (x * 2 < 1)
        return m2;
    if (x * 3 < 2)
        return m1 + (m2 - m1) * (2.0 / 3.0 - x) * 6;
    return m1;
}

uint32_t RoundChannel(double v)
{
    return static_cast<uint32_t>(rtl::Round(v * 255)) & 0xFF;
}

float Clamp01(float v)
{
    return v < 0 ? 0.0f : (v > 1 ? 1.0f : v);
}

} // namespace

TwzColor PremultiplyColor(TwzColor c)
{
    const uint32_t a = c >> 24;
    if (a == 0)
        return 0;
    if (a == 255)
        return c;
    // Integer division is the exact truncation of channel * (alpha / 255).
    const uint32_t r = Channel(c, 16) * a / 255;
    const uint32_t g = Channel(c, 8) * a / 255;
    const uint32_t b = Channel(c, 0) * a / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

TwzColor UnpremultiplyColor(TwzColor c)
{
    const uint32_t a = c >> 24;
    if (a == 0)
        return 0;
    if (a == 255)
        return c;
    // A channel above alpha is not valid premultiplied data; saturate rather than wrap
    // around into a dark colour.
    const auto un = [a](uint32_t v) { return std::min<uint32_t>(v * 255 / a, 255); };
    return (a << 24) | (un(Channel(c, 16)) << 16) | (un(Channel(c, 8)) << 8) | un(Channel(c, 0));
}

TwzColor ScaleColorAlpha(TwzColor c, float opacity)
{
    if (!(opacity < 1))
        return c;
    const int64_t a = rtl::Trunc(double(c >> 24) * double(opacity));
    // A negative opacity means fully transparent, not an alpha wrapped around.
    const uint32_t alpha = static_cast<uint32_t>(std::clamp<int64_t>(a, 0, 255));
    return (c & 0x00FFFFFF) | (alpha << 24);
}

TwzColor InterpolateColor(TwzColor start, TwzColor stop, float t)
{
    TwzColor result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int64_t from = Channel(start, shift);
        const int64_t to = Channel(stop, shift);
        const int64_t v = from + rtl::Trunc(double(to - from) * double(t));
        result |= (static_cast<uint32_t>(v) & 0xFF) << shift;
    }
    return result;
}

std::string ColorToText(TwzColor c)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text(9, '#');
    for (int i = 0; i < 8; ++i)
        text[size_t(8 - i)] = kHex[(c >> (4 * i)) & 0xF];
    return text;
}

TwzColor TextToColor(std::string_view s)
{
    if (!s.empty() && s[0] == '#')
        return ReadHashColor(s).value_or(0);
    if (const TwzColorIdent* named = FindNamedColor(s))
        return ReadHashColor(named->Value).value_or(0);
    return ReadColorNumber(s).value_or(0);
}

void RGBtoHSL(TwzColor c, float& h, float& s, float& l)
{
    const double r = Channel(c, 16) / 255.0;
    const double g = Channel(c, 8) / 255.0;
    const double b = Channel(c, 0) / 255.0;
    const double maxV = std::max({ r, g, b });
    const double minV = std::min({ r, g, b });
    const double lightness = (maxV + minV) / 2;
    l = static_cast<float>(lightness);
    if (maxV == minV) {
        h = 0;
        s = 0;
        return;
    }
    const double d = maxV - minV;
    s = static_cast<float>(lightness < 0.5 ? d / (maxV + minV) : d / (2 - maxV - minV));
    double hue;
    if (r == maxV)
        hue = (g - b) / d;
    else if (g == maxV)
        hue = 2 + (b - r) / d;
    else
        hue = 4 + (r - g) / d;
    hue /= 6;
    if (hue < 0)
        hue += 1;
    h = static_cast<float>(hue);
}

TwzColor HSLtoRGB(float h, float s, float l)
{
    uint32_t r, g, b;
    if (s == 0) {
        r = g = b = RoundChannel(l);
    } else {
        const double m2 = l <= 0.5f ? double(l) * (1 + double(s)) : double(l) + s - double(l) * s;
        const double m1 = 2 * double(l) - m2;
        r = RoundChannel(HueToChannel(m1, m2, double(h) + 1.0 / 3.0));
        g = RoundChannel(HueToChannel(m1, m2, h));
        b = RoundChannel(HueToChannel(m1, m2, double(h) - 1.0 / 3.0));
    }
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

TwzColor ChangeHSL(TwzColor c, float deltaH, float deltaS, float deltaL)
{
    float h, s, l;
    RGBtoHSL(c, h, s, l);
    const TwzColor rgb = HSLtoRGB(Clamp01(h + deltaH), Clamp01(s + deltaS), Clamp01(l + deltaL));
    return (rgb & 0x00FFFFFF) | (c & 0xFF000000);
}
