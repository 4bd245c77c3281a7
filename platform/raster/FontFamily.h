#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::raster {

/// Bits of a font style; combine Bold and Italic with Underline and Strikeout.
enum class FontStyle : uint8_t {
    Regular = 0,
    Bold = 1,
    Italic = 2,
    BoldItalic = 3,
    Underline = 4,
    Strikeout = 8,
};
constexpr FontStyle operator|(FontStyle a, FontStyle b)
{
    return FontStyle(uint8_t(a) | uint8_t(b));
}
constexpr bool HasStyle(FontStyle style, FontStyle bit)
{
    return (uint8_t(style) & uint8_t(bit)) != 0;
}

/// An installed font family, found through fontconfig. A name counts as installed when a
/// family of that name exists or fontconfig binds it strongly to one (the metric-compatible
/// replacements of common families, such as Liberation Sans for Arial).
class FontFamily {
public:
    /// Nothing when neither the family nor a strong replacement is installed. The answer for
    /// a name is kept for the process, as the font configuration it comes from is.
    [[nodiscard]] static std::optional<FontFamily> FromName(std::string_view name);
    /// The family that fontconfig gives for "sans-serif"; found once per process.
    static FontFamily GenericSansSerif();

    /// The installed family the fonts come from ("Liberation Sans" for "Arial").
    const std::string& Name() const { return m_name; }
    /// Whether the family has a real face of this style; underline and strikeout need only
    /// the face without them.
    [[nodiscard]] bool IsStyleAvailable(FontStyle style) const;

    friend bool operator==(const FontFamily&, const FontFamily&) = default;

private:
    FontFamily() = default;
    static std::optional<FontFamily> FromInstalled(std::string name);

    std::string m_name;
    uint8_t m_styles = 0; // bit n: FontStyle n (0..3) has a face
};

} // namespace platform::raster
