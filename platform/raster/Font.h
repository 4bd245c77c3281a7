#pragma once

#include "platform/raster/FontFamily.h"

#include <optional>

namespace platform::raster {

/// A family at an em size and style.
class Font {
public:
    /// The unit of an em size: world units and pixels are the same; a point is 1/72 inch on
    /// a 96 dpi surface, so 0.75 pt make a pixel.
    enum class Unit : uint8_t { World, Pixel, Point };
    static constexpr float kMinEmSize = 1.0f / 1024;
    static constexpr float kMaxEmSize = 100000;

    /// Nothing for an em size (in world units after the unit is applied) that is not finite
    /// or lies outside kMinEmSize .. kMaxEmSize.
    /// The style is used as given (synthesised when the family lacks the face).
    [[nodiscard]] static std::optional<Font> Create(
        const FontFamily& family, float emSize, FontStyle style, Unit unit = Unit::Pixel);

    const FontFamily& Family() const { return m_family; }
    /// The em height in world units (pixels at the identity transform).
    float EmSize() const { return m_emSize; }
    FontStyle Style() const { return m_style; }

private:
    Font(FontFamily family, float emSize, FontStyle style)
        : m_family(std::move(family))
        , m_emSize(emSize)
        , m_style(style)
    { }
    FontFamily m_family;
    float m_emSize;
    FontStyle m_style;
};

} // namespace platform::raster
