#pragma once

#include "graphics/Colors.h"
#include "graphics/Geometry.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

#include <cstdint>
#include <string>

// Bitmap effects: child objects of a visual object that change how it and its children look.
// The painting chain renders the object into a bitmap per enabled effect (GetRect gives the
// bitmap's area in the object's local units, GetOffset where the object's image lies in it),
// lets the effect transform the bitmap in place and draws the result under the object, over
// it (PaintAfter) or instead of it (DisablePaint).
//
// Every property setter compares, stores the clamped value and calls EffectChanged, which
// repaints the parent; a value that clamps to the stored one still repaints.
class TwzEffect : public TwzObject, public ui2d::IEffectChild, public ui2d::IVisualEffect {
    RTL_CLASS(TwzEffect, TwzObject)
public:
    explicit TwzEffect(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] bool GetEnabled() const override { return m_enabled; }
    void SetEnabled(bool value);
    [[nodiscard]] const std::string& GetTrigger() const override { return m_trigger; }
    void SetTrigger(const std::string& value) { m_trigger = value; }

    [[nodiscard]] bool GetDisablePaint() const override { return m_disablePaint; }
    [[nodiscard]] bool GetPaintAfter() const override { return m_paintAfter; }

    /// The content rectangle unchanged.
    [[nodiscard]] TwzRect GetRect(const TwzRect& contentRect) override;
    /// (0, 0); every concrete effect gives its own.
    [[nodiscard]] TwzPoint GetOffset() override;
    /// Nothing.
    void ProcessEffect(TwzCanvas& canvas, TwzBitmap& bitmap, float scale) override;
    /// Enabled becomes whether the trigger's conditions hold on `instance`, when `trigger`
    /// concerns this effect.
    void ApplyTrigger(TwzObject* instance, const std::string& trigger) override;

    /// Marks the parent's effects for re-rendering and its update rectangle, and repaints the
    /// area the effect covers even while it is off. Nothing while loading.
    void EffectChanged();

protected:
    ~TwzEffect() override;

    void SetDisablePaint(bool value) { m_disablePaint = value; }
    void SetPaintAfter(bool value) { m_paintAfter = value; }

    /// Stores a Single, clamped, and repaints; also when it clamps to the stored value.
    void StoreSingle(float& field, float value, float low, float high);

    /// The silhouette of the object painted in `color` at `opacity`, blurred with
    /// `radius`, with the object's own area cut away (its alpha at the pixel displaced by
    /// (dx, dy)): what the shadow and the glows share.
    static void PaintHalo(
        TwzBitmap& bitmap, TwzColor color, float opacity, int32_t radius, int32_t dx, int32_t dy);

private:
    std::string m_trigger;
    bool m_enabled = true;
    bool m_disablePaint = false;
    bool m_paintAfter = false;
};

class TwzShadowEffect : public TwzEffect {
    RTL_CLASS(TwzShadowEffect, TwzEffect)
public:
    explicit TwzShadowEffect(rtl::TComponent* owner);

    [[nodiscard]] float GetDistance() const { return m_distance; }
    void SetDistance(float value);
    /// Degrees.
    [[nodiscard]] float GetDirection() const { return m_direction; }
    void SetDirection(float value);
    /// [0, 3].
    [[nodiscard]] float GetSoftness() const { return m_softness; }
    void SetSoftness(float value);
    /// [0, 1].
    [[nodiscard]] float GetOpacity() const { return m_opacity; }
    void SetOpacity(float value);
    [[nodiscard]] std::string GetShadowColor() const { return ColorToText(m_shadowColor); }
    void SetShadowColor(const std::string& value);

    [[nodiscard]] TwzRect GetRect(const TwzRect& contentRect) override;
    [[nodiscard]] TwzPoint GetOffset() override;
    void ProcessEffect(TwzCanvas& canvas, TwzBitmap& bitmap, float scale) override;

protected:
    ~TwzShadowEffect() override;

private:
    [[nodiscard]] TwzPoint Displacement() const;

    float m_distance = 3;
    float m_direction = 45;
    float m_softness = 0.3f;
    float m_opacity = 0.6f;
    TwzColor m_shadowColor = 0xFF000000;
};

class TwzBlurEffect : public TwzEffect {
    RTL_CLASS(TwzBlurEffect, TwzEffect)
public:
    explicit TwzBlurEffect(rtl::TComponent* owner);

    /// [0, 9].
    [[nodiscard]] float GetSoftness() const { return m_softness; }
    void SetSoftness(float value);

    [[nodiscard]] TwzRect GetRect(const TwzRect& contentRect) override;
    [[nodiscard]] TwzPoint GetOffset() override;
    void ProcessEffect(TwzCanvas& canvas, TwzBitmap& bitmap, float scale) override;

protected:
    ~TwzBlurEffect() override;

private:
    float m_softness = 0.3f;
};

class TwzGlowEffect : public TwzEffect {
    RTL_CLASS(TwzGlowEffect, TwzEffect)
public:
    explicit TwzGlowEffect(rtl::TComponent* owner);

    /// [0, 9].
    [[nodiscard]] float GetSoftness() const { return m_softness; }
    void SetSoftness(float value);
    /// [0, 1].
    [[nodiscard]] float GetOpacity() const { return m_opacity; }
    void SetOpacity(float value);
    [[nodiscard]] std::string GetGlowColor() const { return ColorToText(m_glowColor); }
    void SetGlowColor(const std::string& value);
    [[nodiscard]] TwzColor GlowColorValue() const { return m_glowColor; }

    [[nodiscard]] TwzRect GetRect(const TwzRect& contentRect) override;
    [[nodiscard]] TwzPoint GetOffset() override;
    void ProcessEffect(TwzCanvas& canvas, TwzBitmap& bitmap, float scale) override;

protected:
    ~TwzGlowEffect() override;

    /// Trunc(20 x Softness), from the stored single value.
    [[nodiscard]] int32_t SoftMargin() const;
    /// Trunc(10 x Softness + 5): the glows' and the shadow's blur radius.
    [[nodiscard]] int32_t HaloRadius() const;

private:
    float m_softness = 0.4f;
    float m_opacity = 0.9f;
    TwzColor m_glowColor = 0xFFFFD700;
};

/// A glow inside the object's outline, drawn over the object.
class TwzInnerGlowEffect : public TwzGlowEffect {
    RTL_CLASS(TwzInnerGlowEffect, TwzGlowEffect)
public:
    explicit TwzInnerGlowEffect(rtl::TComponent* owner);

    [[nodiscard]] TwzRect GetRect(const TwzRect& contentRect) override;
    [[nodiscard]] TwzPoint GetOffset() override;
    void ProcessEffect(TwzCanvas& canvas, TwzBitmap& bitmap, float scale) override;

protected:
    ~TwzInnerGlowEffect() override;
};

/// Shades the object as if it were raised, lit from Direction; replaces its painting.
class TwzBevelEffect : public TwzEffect {
    RTL_CLASS(TwzBevelEffect, TwzEffect)
public:
    explicit TwzBevelEffect(rtl::TComponent* owner);

    /// Degrees.
    [[nodiscard]] float GetDirection() const { return m_direction; }
    void SetDirection(float value);
    [[nodiscard]] int32_t GetSize() const { return m_size; }
    void SetSize(int32_t value);

    [[nodiscard]] TwzRect GetRect(const TwzRect& contentRect) override;
    [[nodiscard]] TwzPoint GetOffset() override;
    void ProcessEffect(TwzCanvas& canvas, TwzBitmap& bitmap, float scale) override;

protected:
    ~TwzBevelEffect() override;

private:
    float m_direction = 45;
    int32_t m_size = 10;
};

/// A mirrored copy below the object, fading out over Length of its height.
class TwzReflectionEffect : public TwzEffect {
    RTL_CLASS(TwzReflectionEffect, TwzEffect)
public:
    explicit TwzReflectionEffect(rtl::TComponent* owner);

    /// [0, 1].
    [[nodiscard]] float GetOpacity() const { return m_opacity; }
    void SetOpacity(float value);
    /// Published as Offset: units between the object's bottom edge and the reflection.
    [[nodiscard]] int32_t GetReflectionOffset() const { return m_offset; }
    void SetReflectionOffset(int32_t value);
    /// [0.1, 1].
    [[nodiscard]] float GetLength() const { return m_length; }
    void SetLength(float value);

    [[nodiscard]] TwzRect GetRect(const TwzRect& contentRect) override;
    [[nodiscard]] TwzPoint GetOffset() override;
    void ProcessEffect(TwzCanvas& canvas, TwzBitmap& bitmap, float scale) override;

protected:
    ~TwzReflectionEffect() override;

private:
    float m_opacity = 0.5f;
    int32_t m_offset = 0;
    float m_length = 0.5f;
};
