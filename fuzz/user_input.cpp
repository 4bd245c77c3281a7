// What other programs and the user's keyboard hand the controls: dropped URI lists and dropped
// text, numbers typed in the user's notation, and a number box committing typed text. The first
// byte picks the reader, the rest is its input.
//
// Checked beyond the sanitizers: a drop gives file names or text, never both, as valid UTF-16;
// local file URIs built from arbitrary names give those names back whole; dropped text keeps
// every character; a number that reads is finite, and the user's text of it reads back to the
// same number; a committed number box holds a number within its limits whose text reads back.

#include "controls/Controls.h"
#include "controls/TwzNumberBox.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Locale.h"
#include "platform/ui/Transfer.h"
#include "ui2d/Library2D.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using platform::ui::DropData;

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "user_input: %s\n", what);
        std::abort();
    }
}

bool IsValidUtf16(std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

void CheckDrop(const DropData& data)
{
    Require(data.files.empty() || data.text.empty(), "a drop with both files and text");
    for (const std::u16string& file : data.files) {
        Require(!file.empty() && file.front() == u'/', "a dropped file name that is not a full name");
        Require(IsValidUtf16(file), "a dropped file name that is not valid UTF-16");
    }
    Require(IsValidUtf16(data.text), "dropped text that is not valid UTF-16");
}

/// A local file URI of `name`, every byte outside the unreserved set and "/" escaped.
std::string FileUri(std::string_view name)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || std::strchr("-._~/", c)) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[u >> 4];
            uri += kHex[u & 15];
        }
    }
    return uri;
}

void UriList(std::string_view bytes)
{
    CheckDrop(platform::ui::DropDataFromUriList(bytes));

    // The bytes as two file names (split at the first NUL, which no name holds): both come back
    // whole, in order, past a comment line.
    const size_t cut = bytes.find('\0');
    std::string first(bytes.substr(0, cut));
    std::string second(cut == std::string_view::npos ? std::string_view() : bytes.substr(cut + 1));
    std::erase(second, '\0');
    first.insert(first.begin(), '/');
    second.insert(second.begin(), '/');
    const std::string list = "# dragged\r\n" + FileUri(first) + "\r\n" + FileUri(second) + "\r\n";
    const DropData data = platform::ui::DropDataFromUriList(list);
    CheckDrop(data);
    Require(data.files.size() == 2, "a file URI was lost");
    Require(data.files[0] == rtl::Utf8ToUtf16(first) && data.files[1] == rtl::Utf8ToUtf16(second),
        "a file name did not come back whole");
}

void Text(std::string_view bytes)
{
    const DropData data = platform::ui::DropDataFromText(bytes);
    CheckDrop(data);
    Require(data.files.empty(), "dropped text gave files");
    if (rtl::IsValidUtf8(bytes))
        Require(rtl::Utf16ToUtf8(data.text) == bytes, "dropped UTF-8 text was changed");
    else
        Require(data.text.size() == bytes.size(), "a character of dropped single-byte text was lost");
}

// Decimal separators of real locales: the point, the comma and the Arabic one (two bytes).
constexpr std::string_view kSeparators[] = { ".", ",", "\xD9\xAB" };

void Number(std::string_view bytes)
{
    if (bytes.empty())
        return;
    const std::string_view separator = kSeparators[static_cast<uint8_t>(bytes[0]) % std::size(kSeparators)];
    const std::string_view text = bytes.substr(1);
    const std::optional<double> value = platform::ui::ParseUserNumber(text, separator);
    if (!value)
        return;
    Require(std::isfinite(*value), "a typed number read as infinite or not a number");
    for (const int decimals : { 0, 3, 17 }) {
        const std::string shown = platform::ui::FormatUserNumber(*value, decimals, separator);
        const std::optional<double> again = platform::ui::ParseUserNumber(shown, separator);
        Require(again.has_value(), "a number shown in the user's notation does not read back");
        Require(*again == rtl::StrToFloat(rtl::FormatFixed(*value, decimals)),
            "a number shown in the user's notation reads back as another");
    }
}

float FloatFrom(std::string_view& bytes)
{
    float value = 0;
    if (bytes.size() >= sizeof value) {
        std::memcpy(&value, bytes.data(), sizeof value);
        bytes.remove_prefix(sizeof value);
    }
    return value;
}

void NumberBox(std::string_view bytes)
{
    if (bytes.size() < 10)
        return;
    const auto options = static_cast<uint8_t>(bytes[0]);
    const auto decimals = static_cast<int8_t>(bytes[1]);
    bytes.remove_prefix(2);
    const float min = FloatFrom(bytes);
    const float max = FloatFrom(bytes);
    const std::string_view separator = kSeparators[options % std::size(kSeparators)];
    platform::ui::SetUserDecimalSeparator(std::string(separator));

    const rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* box = (options & 4) ? static_cast<controls::NumberTextBox*>(new TwzSpinBox(owner.get()))
                              : static_cast<controls::NumberTextBox*>(new TwzNumberBox(owner.get()));
    box->SetMin(min);
    box->SetMax(max);
    box->SetDecimalDigits(decimals);
    const TwzValueType type = (options & 8) ? wzValueFloat : wzValueInteger;
    if (auto* number = dynamic_cast<TwzNumberBox*>(box))
        number->SetValueType(type);
    else
        static_cast<TwzSpinBox*>(box)->SetValueType(type);
    const float before = box->GetValue();
    box->SetText(rtl::Utf8ToUtf16(rtl::ToValidUtf8(bytes)));
    const std::optional<double> typed
        = platform::ui::ParseUserNumber(rtl::Utf16ToUtf8(box->GetText()), separator);
    box->SetModified(true);
    box->Change();
    const float value = box->GetValue();
    if (!typed)
        Require(value == before || (std::isnan(value) && std::isnan(before)),
            "text that is no number changed the value");
    if (min <= max && typed) {
        Require(value >= min && value <= max, "a committed value beyond the box's limits");
        Require(!std::isnan(value), "a committed value that is not a number");
    }
    // The text a commit leaves reads back to the value: its whole part in an integer box or
    // for a whole value, else the value to 10 decimals or 15 significant digits, whichever
    // is the coarser.
    if (std::isfinite(value)) {
        const std::optional<double> shown
            = platform::ui::ParseUserNumber(rtl::Utf16ToUtf8(box->GetText()), separator);
        Require(shown.has_value(), "the committed text of a number box does not read");
        const double exact = value;
        const bool whole = box->GetValueType() == wzValueInteger || std::trunc(exact) == exact;
        Require(whole ? *shown == std::trunc(exact)
                      : std::fabs(*shown - exact) <= 0.5e-10 + std::fabs(exact) * 1e-14,
            "the committed text of a number box reads back as another number");
    }
    platform::ui::SetUserDecimalSeparator("");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Initialize2DLibrary();
    RegisterControls();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 1 << 16)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 5) {
    case 0:
        UriList(bytes);
        break;
    case 1:
        Text(bytes);
        break;
    case 2:
        Number(bytes);
        break;
    default:
        NumberBox(bytes);
        break;
    }
    return 0;
}
