// The small text parsers over arbitrary text: colours (2D names and numbers, 3D numbers),
// points and rectangles, numbers of every text form, and the token readers. They never crash
// and never loop; what a writer produced from a parsed value reads back to the same value.

#include "graphics/Colors.h"
#include "graphics/Geometry.h"
#include "graphics/NumberText.h"
#include "graphics/Tokens.h"
#include "scene3d/Math3D.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void Fail()
{
    __builtin_trap();
}

void Colours(std::string_view text)
{
    const TwzColor c = TextToColor(text);
    if (TextToColor(ColorToText(c)) != c)
        Fail();
    const uint32_t h = hvStrToColor(text);
    if (hvStrToColor(hvColorToStr(h)) != h)
        Fail();
}

void Points(std::string_view text)
{
    const TwzPoint p = TextToPoint(text);
    (void)PointToText(p);
    const TwzRect r = TextToRect(text);
    (void)RectToText(r);
    const ThvPoint q = hvStrToPoint(text);
    (void)hvPointToStr(q);
}

void Numbers(std::string_view text)
{
    try {
        const float v = TextToFloat(text);
        if (!std::isfinite(v))
            Fail();
        (void)FloatToText(v);
    } catch (const rtl::ConvertError&) { }
    try {
        const float v = hvStrToFloat(text);
        (void)hvFloatToStr(v);
    } catch (const rtl::ConvertError&) { }
    (void)rtl::TryStrToInt(text);
    (void)rtl::TryStrToInt64(text);
    if (const std::optional<double> d = rtl::TryStrToFloat(text))
        (void)rtl::FormatShortest(*d);
}

void Tokens(std::string_view text)
{
    if (text.empty())
        return;
    // The first byte splits separators from stops; the rest is the text.
    const std::string_view separators = text.substr(0, 1 + (static_cast<uint8_t>(text[0]) & 3));
    const std::string_view stops = "()";
    std::string rest(text);
    for (size_t guard = 0; !rest.empty(); ++guard) {
        const size_t before = rest.size();
        (void)GetToken(rest, separators, stops);
        if (rest.size() >= before) {
            // A stop character at the front stays: cut it off by hand, as the parsers do.
            rest.erase(0, 1);
        }
        if (guard > text.size() + 1)
            Fail();
    }
    std::string rest3(text);
    for (size_t guard = 0; !rest3.empty(); ++guard) {
        const size_t before = rest3.size();
        (void)hvGetToken(rest3, separators, stops);
        if (rest3.size() >= before)
            rest3.erase(0, 1);
        if (guard > text.size() + 1)
            Fail();
    }
    int32_t position = 1;
    for (size_t guard = 0; guard <= text.size() + 1; ++guard) {
        const int32_t before = position;
        (void)hvGetTokenAt(position, text, separators, stops);
        if (position <= before)
            break;
    }
    const std::u16string wide = rtl::Utf8ToUtf16(std::string(text));
    const std::u16string wideSeparators = rtl::Utf8ToUtf16(std::string(separators));
    int32_t wpos = 1;
    for (size_t guard = 0; guard <= wide.size() + 1; ++guard) {
        const int32_t before = wpos;
        (void)GetWideToken(wpos, wide, wideSeparators, u"()");
        if (wpos <= before)
            break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Text forms are short; longer inputs only cost time.
    if (size > 4096)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Colours(text);
    Points(text);
    Numbers(text);
    Tokens(text);
    return 0;
}
