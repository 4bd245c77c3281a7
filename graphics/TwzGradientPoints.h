#pragma once

#include "graphics/Colors.h"
#include "platform/rtl/Collection.h"

#include <string>

// The stops of a gradient: a colour at an offset along it. Editing a stop notifies nobody;
// whoever edits stops calls the gradient's Change afterwards.

class TwzGradientPoint : public rtl::TCollectionItem {
    RTL_CLASS(TwzGradientPoint, rtl::TCollectionItem)
public:
    /// Colour 0 at offset 0.
    explicit TwzGradientPoint(rtl::TCollection* collection);

    // Published, both always stored.
    /// The colour as its "#AARRGGBB" text.
    [[nodiscard]] std::string GetColor() const;
    /// Reads colour text or a colour name; unreadable text gives 0.
    void SetColor(const std::string& value);
    [[nodiscard]] float GetOffset() const { return m_offset; }
    void SetOffset(float value) { m_offset = value; }

    [[nodiscard]] TwzColor ColorValue() const { return m_color; }
    void SetColorValue(TwzColor value) { m_color = value; }

    /// From another stop: its colour and offset. Other sources raise ConvertError.
    void Assign(const rtl::TPersistent& source) override;

private:
    TwzColor m_color = 0;
    float m_offset = 0;
};

class TwzGradientPoints : public rtl::TCollection {
    RTL_CLASS(TwzGradientPoints, rtl::TCollection)
public:
    explicit TwzGradientPoints(rtl::TPersistent* owner = nullptr);

    /// The stop at `index`; no range check beyond an assert.
    [[nodiscard]] TwzGradientPoint* GetPoint(int index) const;
    /// Appends a stop (colour 0, offset 0).
    TwzGradientPoint* Add();
    /// Appends a stop of that colour and offset.
    TwzGradientPoint* Add(TwzColor color, float offset);
};
