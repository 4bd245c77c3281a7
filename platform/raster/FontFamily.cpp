#include "platform/raster/FontFamily.h"

#include "platform/rtl/Text.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <mutex>
#include <unordered_map>

namespace platform::raster {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;

const FcChar8* Utf8(const std::string& s)
{
    return reinterpret_cast<const FcChar8*>(s.c_str());
}

// The family under which the best match for `name` is installed, when that match is the
// family itself or one that fontconfig binds strongly to it (a metric-compatible stand-in);
// nothing when only the generic fallbacks match.
std::optional<std::string> ResolveFamily(const std::string& name)
{
    PatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, Utf8(name));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match)
        return std::nullopt;
    FcChar8* found = nullptr;
    for (int i = 0; FcPatternGetString(match.get(), FC_FAMILY, i, &found) == FcResultMatch; ++i) {
        const std::string family(reinterpret_cast<const char*>(found));
        FcValue value;
        FcValueBinding binding;
        for (int k = 0;
             FcPatternGetWithBinding(pattern.get(), FC_FAMILY, k, &value, &binding) == FcResultMatch; ++k) {
            if (binding == FcValueBindingWeak)
                continue;
            if (value.type == FcTypeString
                && FcStrCmpIgnoreCase(value.u.s, reinterpret_cast<const FcChar8*>(family.c_str())) == 0)
                return family;
        }
    }
    return std::nullopt;
}

// Bit n set when the family has a real face of FontStyle n (regular, bold, italic, both).
uint8_t InstalledStyles(const std::string& family)
{
    PatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, Utf8(family));
    ObjectSetPtr objects(FcObjectSetBuild(FC_WEIGHT, FC_SLANT, nullptr));
    FontSetPtr fonts(FcFontList(nullptr, pattern.get(), objects.get()));
    uint8_t styles = 0;
    if (!fonts)
        return styles;
    for (int i = 0; i < fonts->nfont; ++i) {
        int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(fonts->fonts[i], FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(fonts->fonts[i], FC_SLANT, 0, &slant);
        const bool bold = weight >= FC_WEIGHT_DEMIBOLD;
        const bool italic = slant != FC_SLANT_ROMAN;
        styles |= uint8_t(1u << ((bold ? 1 : 0) | (italic ? 2 : 0)));
    }
    return styles;
}

} // namespace

std::optional<FontFamily> FontFamily::FromInstalled(std::string name)
{
    FontFamily family;
    family.m_styles = InstalledStyles(name);
    if (family.m_styles == 0)
        return std::nullopt;
    family.m_name = std::move(name);
    return family;
}

std::optional<FontFamily> FontFamily::FromName(std::string_view name)
{
    // Every change of a canvas's font asks for its family, and a fontconfig match costs far
    // more than a text's layout: the answers are kept, for a bounded number of names (a
    // stored file may name any number of families).
    constexpr size_t kMostNames = 256;
    static std::mutex mutex;
    static std::unordered_map<std::string, std::optional<FontFamily>> answers;
    std::string key(name);
    {
        std::lock_guard lock(mutex);
        if (auto found = answers.find(key); found != answers.end())
            return found->second;
    }
    std::optional<FontFamily> answer;
    const std::string valid = rtl::ToValidUtf8(name);
    if (!valid.empty() && valid.find('\0') == std::string::npos) {
        if (auto family = ResolveFamily(valid))
            answer = FromInstalled(std::move(*family));
    }
    std::lock_guard lock(mutex);
    if (answers.size() >= kMostNames)
        answers.clear();
    answers.emplace(std::move(key), answer);
    return answer;
}

FontFamily FontFamily::GenericSansSerif()
{
    static std::once_flag once;
    static FontFamily generic;
    std::call_once(once, [] {
        PatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif")));
        FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
        FcDefaultSubstitute(pattern.get());
        FcResult result = FcResultNoMatch;
        PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
        FcChar8* found = nullptr;
        if (match && FcPatternGetString(match.get(), FC_FAMILY, 0, &found) == FcResultMatch) {
            if (auto family = FromInstalled(reinterpret_cast<const char*>(found)))
                generic = std::move(*family);
        }
        if (generic.m_name.empty()) {
            // No font at all: keep the generic name and let the text engine do what it can.
            generic.m_name = "sans-serif";
            generic.m_styles = 1;
        }
    });
    return generic;
}

bool FontFamily::IsStyleAvailable(FontStyle style) const
{
    const unsigned face = unsigned(style) & 3u;
    if ((m_styles & (1u << face)) == 0)
        return false;
    const bool decorated = HasStyle(style, FontStyle::Underline) || HasStyle(style, FontStyle::Strikeout);
    return !decorated || (m_styles & 1u) != 0;
}

} // namespace platform::raster
