#pragma once

#include "graphics/Colors.h"
#include "graphics/TwzGradientPoints.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzTransform.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <memory>
#include <string>

enum TwzGradientStyle : uint8_t { wzLinearGradient, wzRadialGradient };
RTL_ENUM(TwzGradientStyle, "wzLinearGradient", "wzRadialGradient");

/// The colour stops of a gradient brush with its geometry: linear between two positions in
/// the unit square, or radial under a transform. Only the geometry of the current style is
/// stored. Any number of stops works.
class TwzGradient : public rtl::TPersistent {
    RTL_CLASS(TwzGradient, rtl::TPersistent)
public:
    /// Two stops, opaque black at 0 and opaque white at 1; linear from (0, 0) to (1, 0).
    TwzGradient();
    ~TwzGradient() override;

    // Published, in this order.
    [[nodiscard]] TwzGradientPoints* GetPoints() const { return m_points.get(); }
    void SetPoints(TwzGradientPoints* value);
    [[nodiscard]] TwzPosition* GetStartPosition() const { return m_startPosition.get(); }
    void SetStartPosition(TwzPosition* value);
    [[nodiscard]] TwzPosition* GetStopPosition() const { return m_stopPosition.get(); }
    void SetStopPosition(TwzPosition* value);
    [[nodiscard]] TwzGradientStyle GetStyle() const { return m_style; }
    /// Fires OnChanged only on a change.
    void SetStyle(TwzGradientStyle value);
    [[nodiscard]] TwzTransform* GetRadialTransform() const { return m_radialTransform.get(); }
    void SetRadialTransform(TwzTransform* value);

    rtl::TNotifyEvent OnChanged;

    /// Fires OnChanged; stops notify nobody, so whoever edits them calls this afterwards.
    void Change();
    /// Fires OnChanged for the positions and the transform.
    void Changed(rtl::TObject* sender);
    /// The first stop's colour (when there is one) from colour text; no notification.
    void SetFirstStopColor(const std::string& text);
    /// The colour at `offset` (clamped to 0..1), interpolated between the stops in collection
    /// order; 0 with fewer than two stops.
    [[nodiscard]] TwzColor GradientColorAt(float offset) const;

    /// From another gradient: its stops, its style and the geometry of that style, with one
    /// notification. Other sources raise ConvertError.
    void Assign(const rtl::TPersistent& source) override;

    [[nodiscard]] bool IsLinear() const { return m_style == wzLinearGradient; }
    [[nodiscard]] bool IsRadial() const { return m_style == wzRadialGradient; }

private:
    std::unique_ptr<TwzGradientPoints> m_points;
    std::unique_ptr<TwzPosition> m_startPosition;
    std::unique_ptr<TwzPosition> m_stopPosition;
    TwzGradientStyle m_style = wzLinearGradient;
    std::unique_ptr<TwzTransform> m_radialTransform;
};
