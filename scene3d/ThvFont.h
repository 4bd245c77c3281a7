#pragma once

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <string>

enum ThvFontStyle : uint8_t { hvFontRegular, hvFontBold, hvFontItalic, hvFontBoldItalic };
RTL_ENUM(ThvFontStyle, "hvFontRegular", "hvFontBold", "hvFontItalic", "hvFontBoldItalic");

// The font of the 3D text shapes and of the canvas's text: a family, an em size and a style.
// Setters fire OnChanged only when the value changes.
class ThvFont : public rtl::TPersistent {
    RTL_CLASS(ThvFont, rtl::TPersistent)
public:
    ThvFont() = default;

    // Published.
    [[nodiscard]] const std::string& GetFamily() const { return m_family; }
    /// Compared exactly, letter case included.
    void SetFamily(const std::string& value);
    [[nodiscard]] float GetSize() const { return m_size; }
    void SetSize(float value);
    [[nodiscard]] ThvFontStyle GetStyle() const { return m_style; }
    void SetStyle(ThvFontStyle value);

    rtl::TNotifyEvent OnChanged;

    /// From another 3D font or a 2D font: family, size and style, then OnChanged once. A 2D
    /// style this font has no value for (underline, strike-out) leaves Style as it is.
    void Assign(const rtl::TPersistent& source) override;

    static constexpr const char* kDefaultFamily = "Tahoma";

protected:
    /// To a 2D font: family, size and style through its setters.
    void AssignTo(rtl::TPersistent& dest) const override;

private:
    std::string m_family = kDefaultFamily;
    float m_size = 12;
    ThvFontStyle m_style = hvFontRegular;
};
