#pragma once

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <string>

enum TwzFontStyle : uint8_t {
    wzFontRegular,
    wzFontBold,
    wzFontItalic,
    wzFontBoldItalic,
    wzFontUnderline,
    wzFontStrikeout,
};
RTL_ENUM(TwzFontStyle, "wzFontRegular", "wzFontBold", "wzFontItalic", "wzFontBoldItalic", "wzFontUnderline",
    "wzFontStrikeout");

/// Family, size (the em height in pixels) and style of text in the 2D library. Each value is
/// stored only when it differs from its default.
class TwzFont : public rtl::TPersistent {
    RTL_CLASS(TwzFont, rtl::TPersistent)
public:
    static constexpr float kDefaultSize = 11;
    static constexpr const char* kDefaultFamily = "Tahoma";

    /// Size 11, "Tahoma", regular.
    TwzFont() = default;
    ~TwzFont() override;

    // Published, in this order; each setter fires OnChanged only on a change.
    [[nodiscard]] float GetSize() const { return m_size; }
    void SetSize(float value);
    [[nodiscard]] const std::string& GetFamily() const { return m_family; }
    void SetFamily(const std::string& value);
    [[nodiscard]] TwzFontStyle GetStyle() const { return m_style; }
    void SetStyle(TwzFontStyle value);

    rtl::TNotifyEvent OnChanged;

    /// From another font: family, size and style, then OnChanged once. Other sources are asked
    /// to copy themselves (a 3D font does) and raise ConvertError otherwise.
    void Assign(const rtl::TPersistent& source) override;

private:
    float m_size = kDefaultSize;
    std::string m_family = kDefaultFamily;
    TwzFontStyle m_style = wzFontRegular;
};
