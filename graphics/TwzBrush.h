#pragma once

#include "graphics/Colors.h"
#include "graphics/TwzBrushBitmap.h"
#include "graphics/TwzBrushResource.h"
#include "graphics/TwzGradient.h"
#include "graphics/TwzVisual.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <memory>
#include <string>

enum TwzBrushStyle : uint8_t {
    wzBrushNone,
    wzBrushSolid,
    wzBrushGradient,
    wzBrushBitmap,
    wzBrushResource,
    wzBrushVisual,
};
RTL_ENUM(TwzBrushStyle, "wzBrushNone", "wzBrushSolid", "wzBrushGradient", "wzBrushBitmap", "wzBrushResource",
    "wzBrushVisual");

/// The fill or stroke paint of the 2D canvas and of every 2D shape and control: a solid
/// colour, a gradient, a tiled picture, the brush of a named resource, or another visual
/// object. All four contents live as long as the brush, so switching the style back brings
/// the earlier content back; only the part of the current style is stored, and the style and
/// colour only when they differ from the defaults the owner gave.
class TwzBrush : public rtl::TPersistent {
    RTL_CLASS(TwzBrush, rtl::TPersistent)
public:
    /// The defaults decide what is stored; the brush starts at them.
    TwzBrush(TwzBrushStyle defaultStyle, TwzColor defaultColor);
    ~TwzBrush() override;

    // Published, in this order.
    /// The stored solid colour as "#AARRGGBB".
    [[nodiscard]] std::string GetColor() const;
    /// The solid colour from colour text; a gradient brush's first stop takes it too.
    void SetColor(const std::string& value);
    [[nodiscard]] TwzBrushBitmap* GetBitmap() const { return m_bitmap.get(); }
    void SetBitmap(TwzBrushBitmap* value);
    [[nodiscard]] TwzBrushStyle GetStyle() const { return m_style; }
    /// Fires OnChanged only on a change.
    void SetStyle(TwzBrushStyle value);
    [[nodiscard]] TwzGradient* GetGradient() const { return m_gradient.get(); }
    void SetGradient(TwzGradient* value);
    [[nodiscard]] TwzBrushResource* GetResource() const { return m_resource.get(); }
    void SetResource(TwzBrushResource* value);
    [[nodiscard]] TwzVisual* GetVisual() const { return m_visual.get(); }
    void SetVisual(TwzVisual* value);

    /// Fired by the setters on a change and by every change of the four contents, with the
    /// brush as sender.
    rtl::TNotifyEvent OnChanged;

    [[nodiscard]] TwzBrushStyle DefaultStyle() const { return m_defaultStyle; }
    [[nodiscard]] TwzColor DefaultColor() const { return m_defaultColor; }

    /// Fires OnChanged only on a change.
    void SetSolidColor(TwzColor value);
    /// The colour this brush paints with as a solid: for a resource brush whose resource
    /// resolves, that brush's (following chains of resources); otherwise the stored colour.
    [[nodiscard]] TwzColor GetSolidColor();
    /// The stored solid colour, whatever the style.
    [[nodiscard]] TwzColor StoredSolidColor() const { return m_solidColor; }

    /// From another brush: its defaults, its effective solid colour, its style and the
    /// content of that style; the contents of other styles stay. One notification. Other
    /// sources raise ConvertError.
    void Assign(const rtl::TPersistent& source) override;

    [[nodiscard]] bool IsColorStored() const;
    [[nodiscard]] bool IsStyleStored() const { return m_style != m_defaultStyle; }
    [[nodiscard]] bool IsGradientStored() const { return m_style == wzBrushGradient; }
    [[nodiscard]] bool IsBitmapStored() const { return m_style == wzBrushBitmap; }
    [[nodiscard]] bool IsResourceStored() const { return m_style == wzBrushResource; }
    [[nodiscard]] bool IsVisualStored() const { return m_style == wzBrushVisual; }

private:
    void ContentChanged(rtl::TObject* sender);
    [[nodiscard]] TwzColor SolidColorAt(int depth);

    TwzColor m_solidColor;
    TwzBrushStyle m_style;
    std::unique_ptr<TwzGradient> m_gradient;
    std::unique_ptr<TwzVisual> m_visual;
    TwzBrushStyle m_defaultStyle;
    TwzColor m_defaultColor;
    std::unique_ptr<TwzBrushResource> m_resource;
    std::unique_ptr<TwzBrushBitmap> m_bitmap;
};
