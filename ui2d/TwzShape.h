#pragma once

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzCorners.h"
#include "ui2d/TwzVisualObject.h"

#include <cstdint>
#include <memory>

// The vector shapes: visual objects that fill and stroke one figure with the canvas. Each
// fills with its Fill brush and outlines with its Stroke brush inside the shape rectangle,
// the local rectangle shrunk by half the stroke so the outline stays inside the object.
//
// TwzShape publishes none of its brush and pen properties itself; each shape publishes the
// ones it uses (a line has no Fill).
class TwzShape : public TwzVisualObject {
    RTL_CLASS(TwzShape, TwzVisualObject)
public:
    /// Fill solid $FFE0E0E0, Stroke solid $FF000000.
    explicit TwzShape(rtl::TComponent* owner);

    [[nodiscard]] TwzBrush* GetFill() const { return m_fill.get(); }
    /// Copies `value` into the owned brush; null is ignored.
    void SetFill(TwzBrush* value);
    [[nodiscard]] float GetStrokeThickness() const { return m_strokeThickness; }
    void SetStrokeThickness(float value);
    [[nodiscard]] TwzBrush* GetStroke() const { return m_stroke.get(); }
    void SetStroke(TwzBrush* value);
    [[nodiscard]] TwzStrokeCap GetStrokeCap() const { return m_strokeCap; }
    void SetStrokeCap(TwzStrokeCap value);
    [[nodiscard]] TwzStrokeJoin GetStrokeJoin() const { return m_strokeJoin; }
    void SetStrokeJoin(TwzStrokeJoin value);
    [[nodiscard]] TwzStrokeDash GetStrokeDash() const { return m_strokeDash; }
    void SetStrokeDash(TwzStrokeDash value);

    /// (0, 0, Width, Height), shrunk by half the stroke thickness unless the stroke is off.
    [[nodiscard]] TwzRect GetShapeRect() const;
    /// Copies the brushes and the pen into `canvas`.
    void ApplyBrushes(TwzCanvas& canvas) const;

    /// Brushes and pen into the canvas.
    void BeforePaint() override;
    /// The canvas dash back to solid and its thickness to 1.
    void AfterPaint() override;

protected:
    /// A shape whose brushes start (and are stored against) other defaults.
    TwzShape(rtl::TComponent* owner, TwzBrushStyle fillStyle, TwzColor fillColor, TwzBrushStyle strokeStyle);
    ~TwzShape() override;

    /// The brushes' change notifications: effect images dirty and a repaint.
    virtual void FillChanged(rtl::TObject* sender);
    virtual void StrokeChanged(rtl::TObject* sender);

    /// Effect images dirty and a repaint: what a change of the look does.
    void LookChanged();
    /// Whether the painting goes to the host's own canvas (not into another canvas).
    [[nodiscard]] bool PaintingToHost() const;
    /// The local point inside the ellipse inscribed in the local rectangle (its boundary
    /// included); never for an object of no area.
    [[nodiscard]] bool EllipseContains(const TwzPoint& local) const;

private:
    std::unique_ptr<TwzBrush> m_fill;
    std::unique_ptr<TwzBrush> m_stroke;
    float m_strokeThickness = 1;
    TwzStrokeCap m_strokeCap = wzCapFlat;
    TwzStrokeJoin m_strokeJoin = wzJoinMiter;
    TwzStrokeDash m_strokeDash = wzDashSolid;
};

enum TwzLineType : uint8_t { wzLineNormal, wzLineHorizontal, wzLineVertical };
RTL_ENUM(TwzLineType, "wzLineNormal", "wzLineHorizontal", "wzLineVertical");

/// The shape rectangle's diagonal, top edge or left edge.
class TwzLine : public TwzShape {
    RTL_CLASS(TwzLine, TwzShape)
public:
    explicit TwzLine(rtl::TComponent* owner);

    [[nodiscard]] TwzLineType GetLineType() const { return m_lineType; }
    void SetLineType(TwzLineType value);

    void Paint() override;

protected:
    ~TwzLine() override;

private:
    TwzLineType m_lineType = wzLineNormal;
};

/// The ellipse inscribed in the shape rectangle.
class TwzEllipse : public TwzShape {
    RTL_CLASS(TwzEllipse, TwzShape)
public:
    explicit TwzEllipse(rtl::TComponent* owner);

    void Paint() override;
    /// Inside the ellipse inscribed in the local rectangle, boundary included.
    [[nodiscard]] virtual bool ContainsLocal(const TwzPoint& local);
    /// ContainsLocal of the point in local coordinates.
    [[nodiscard]] bool PointInObject(float x, float y) override;

protected:
    TwzEllipse(rtl::TComponent* owner, TwzBrushStyle fillStyle);
    ~TwzEllipse() override;
};

/// The circle of the largest square that fits the shape rectangle, centred.
class TwzCircle : public TwzEllipse {
    RTL_CLASS(TwzCircle, TwzEllipse)
public:
    explicit TwzCircle(rtl::TComponent* owner);

    void Paint() override;

protected:
    ~TwzCircle() override;
};

/// A slice of the ellipse from StartAngle to EndAngle (degrees, clockwise on screen).
class TwzPie : public TwzEllipse {
    RTL_CLASS(TwzPie, TwzEllipse)
public:
    explicit TwzPie(rtl::TComponent* owner);

    [[nodiscard]] float GetStartAngle() const { return m_startAngle; }
    void SetStartAngle(float value);
    [[nodiscard]] float GetEndAngle() const { return m_endAngle; }
    void SetEndAngle(float value);

    void Paint() override;
    /// With a canvas, inside the slice's path; without one, inside the ellipse.
    [[nodiscard]] bool ContainsLocal(const TwzPoint& local) override;

protected:
    ~TwzPie() override;

private:
    void BuildPath(TwzPathData& path) const;

    float m_startAngle = 0;
    float m_endAngle = -90;
};

/// An elliptic arc from StartAngle sweeping EndAngle degrees; not filled by default.
class TwzArc : public TwzEllipse {
    RTL_CLASS(TwzArc, TwzEllipse)
public:
    explicit TwzArc(rtl::TComponent* owner);

    [[nodiscard]] float GetStartAngle() const { return m_startAngle; }
    void SetStartAngle(float value);
    /// The sweep, not the end.
    [[nodiscard]] float GetEndAngle() const { return m_endAngle; }
    void SetEndAngle(float value);

    void Paint() override;

protected:
    ~TwzArc() override;

private:
    float m_startAngle = 0;
    float m_endAngle = -90;
};

/// A rectangle with shaped corners.
class TwzRectangle : public TwzShape {
    RTL_CLASS(TwzRectangle, TwzShape)
public:
    explicit TwzRectangle(rtl::TComponent* owner);

    // Published as xRadius and yRadius.
    [[nodiscard]] float GetXRadius() const { return m_xRadius; }
    virtual void SetXRadius(float value);
    [[nodiscard]] float GetYRadius() const { return m_yRadius; }
    virtual void SetYRadius(float value);
    [[nodiscard]] TwzCorners GetCorners() const { return m_corners; }
    virtual void SetCorners(TwzCorners value);
    [[nodiscard]] TwzCornerType GetCornerType() const { return m_cornerType; }
    virtual void SetCornerType(TwzCornerType value);

    void Paint() override;

protected:
    TwzRectangle(rtl::TComponent* owner, TwzBrushStyle strokeStyle);
    ~TwzRectangle() override;

private:
    float m_xRadius = 0;
    float m_yRadius = 0;
    TwzCorners m_corners = AllCorners;
    TwzCornerType m_cornerType = wzCornerRound;
};

/// A rectangle stroked only on the chosen sides; its fill reaches the object's edge on the
/// others.
class TwzSidesRectangle : public TwzRectangle {
    RTL_CLASS(TwzSidesRectangle, TwzRectangle)
public:
    explicit TwzSidesRectangle(rtl::TComponent* owner);

    [[nodiscard]] TwzSides GetSides() const { return m_sides; }
    void SetSides(TwzSides value);

    void Paint() override;

protected:
    ~TwzSidesRectangle() override;

private:
    TwzSides m_sides = AllSides;
};

namespace ui2d {

/// The blurred rectangles' picture of themselves, rendered once and drawn stretched until
/// something of its look changes.
struct BlurCache {
    std::unique_ptr<TwzBitmap> bitmap;
    bool dirty = true;
};

} // namespace ui2d

/// A rectangle drawn through a blur of Trunc(15 x Softness) pixels, inset by that much.
class TwzBlurRectangle : public TwzRectangle {
    RTL_CLASS(TwzBlurRectangle, TwzRectangle)
public:
    explicit TwzBlurRectangle(rtl::TComponent* owner);

    [[nodiscard]] float GetSoftness() const { return m_softness; }
    void SetSoftness(float value);

    void SetXRadius(float value) override;
    void SetYRadius(float value) override;
    void SetCorners(TwzCorners value) override;
    void SetCornerType(TwzCornerType value) override;

    void Paint() override;

protected:
    ~TwzBlurRectangle() override;
    void FillChanged(rtl::TObject* sender) override;

private:
    float m_softness = 0.3f;
    ui2d::BlurCache m_cache;
};

/// A rectangle whose shorter sides are half circles.
class TwzRoundRect : public TwzShape {
    RTL_CLASS(TwzRoundRect, TwzShape)
public:
    explicit TwzRoundRect(rtl::TComponent* owner);

    [[nodiscard]] TwzCorners GetCorners() const { return m_corners; }
    virtual void SetCorners(TwzCorners value);

    void Paint() override;

protected:
    TwzRoundRect(rtl::TComponent* owner, TwzBrushStyle strokeStyle);
    ~TwzRoundRect() override;

private:
    TwzCorners m_corners = AllCorners;
};

/// The round rectangle drawn through a blur, as TwzBlurRectangle.
class TwzBlurRoundRect : public TwzRoundRect {
    RTL_CLASS(TwzBlurRoundRect, TwzRoundRect)
public:
    explicit TwzBlurRoundRect(rtl::TComponent* owner);

    [[nodiscard]] float GetSoftness() const { return m_softness; }
    void SetSoftness(float value);

    void SetCorners(TwzCorners value) override;

    void Paint() override;

protected:
    ~TwzBlurRoundRect() override;
    void FillChanged(rtl::TObject* sender) override;

private:
    float m_softness = 0.3f;
    ui2d::BlurCache m_cache;
};
