#pragma once

#include "layers/ThvObjectLayer.h"
#include "scene3d/ThvCustomLayer.h"
#include "ui2d/TwzImage.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class ThvMaterial;
class ThvMeshData;
class TwzFont;
class TwzText;

// Flat user interface over the 3D view: objects in screen projection, where one unit of Width,
// Height and Position is one pixel of the scene control and LayerAlign docks the object in its
// parent's client area. Layer points count from the object's left-top corner, Y downwards.

/// The square (-0.5, -0.5) to (0.5, 0.5) in the local X-Y plane facing +Z, texture (0, 0) at
/// its left-top corner; drawn at a centre and a size it becomes a rectangle of that size.
void BuildUnitSquare(ThvMeshData& mesh);

// An invisible object that only places and docks its children.
class ThvGUILayout : public ThvCustomLayer {
    RTL_CLASS(ThvGUILayout, ThvCustomLayer)
public:
    /// Screen projection, 256 x 256, no depth writes.
    explicit ThvGUILayout(rtl::TComponent* owner);

protected:
    ~ThvGUILayout() override = default;
};

// A plain rectangle in the colour of its own material.
class ThvGUIPlane : public ThvCustomLayer {
    RTL_CLASS(ThvGUIPlane, ThvCustomLayer)
public:
    /// Screen projection, 256 x 256, no depth writes, a random opaque colour.
    explicit ThvGUIPlane(rtl::TComponent* owner);

    [[nodiscard]] ThvMaterial* GetMaterial() const { return m_material.get(); }
    /// Copies `value` into the owned material.
    void SetMaterial(ThvMaterial* value);

    /// The material becomes the canvas's.
    void BeforePaint() override;
    void Render() override;
    /// Back to solid, smooth shading, whatever the material asked for.
    void AfterPaint() override;

protected:
    ~ThvGUIPlane() override;

private:
    void MaterialChanged(rtl::TObject* sender);

    std::unique_ptr<ThvMeshData> m_mesh;
    std::unique_ptr<ThvMaterial> m_material;
};

// A picture: at one texel a pixel from the left-top corner, fitted, stretched, or tiled from
// the left-top corner (tiles are not cut at the edges). Not hit by the mouse unless HitTest is
// set.
class ThvGUIImage : public ThvCustomLayer {
    RTL_CLASS(ThvGUIImage, ThvCustomLayer)
public:
    /// The most tiles one frame draws: a picture of a few pixels tiled over a huge object
    /// must not stall the scene.
    static constexpr int64_t kMaxTiles = 65536;

    /// Screen projection, 256 x 256, no depth writes, no hit test, stretched, a 1 x 1 picture.
    explicit ThvGUIImage(rtl::TComponent* owner);

    [[nodiscard]] ThvBitmap* GetBitmap() const { return m_bitmap.get(); }
    /// Copies `value`'s pixels into the owned bitmap.
    void SetBitmap(ThvBitmap* value);
    [[nodiscard]] TwzImageWrap GetWrapMode() const { return m_wrapMode; }
    /// A different value is stored and repainted.
    void SetWrapMode(TwzImageWrap value);

    void Render() override;

protected:
    ~ThvGUIImage() override;

private:
    void BitmapChanged(rtl::TObject* sender);

    std::unique_ptr<ThvBitmap> m_bitmap;
    std::unique_ptr<ThvMeshData> m_mesh;
    TwzImageWrap m_wrapMode = wzImageStretch;
};

// A text over the 3D view: an object layer whose one root, a locked and unstored 2D text,
// always fills it. The layer's own background stays transparent; the text's Fill colours the
// letters. The text's state is stored through the layer's Font, Fill and Text.
class ThvGUIText : public ThvCustomObjectLayer {
    RTL_CLASS(ThvGUIText, ThvCustomObjectLayer)
public:
    /// Screen projection, 256 x 256, no depth writes, no hit test, an empty text; a designed
    /// scene moves it like any object (it keeps no mouse of its own there).
    explicit ThvGUIText(rtl::TComponent* owner);

    [[nodiscard]] TwzText* GetTextObject() const { return m_textObject; }
    [[nodiscard]] TwzFont* GetFont() const;
    /// Copies `value` into the text's font.
    void SetFont(TwzFont* value);
    /// The text's fill brush (the colour of the letters), not the layer's background.
    [[nodiscard]] TwzBrush* GetFill() const;
    /// Copies `value` into the text's fill.
    void SetFill(TwzBrush* value);
    [[nodiscard]] std::u16string GetText() const;
    void SetText(const std::u16string& value);

protected:
    ~ThvGUIText() override = default;

private:
    TwzText* m_textObject = nullptr; // a root of the layer, freed with it
};

// A selection rectangle with four corner grips: dragging inside moves it, dragging a grip
// resizes it with the opposite corner kept in place, never below MinSize.
class ThvGUISelection : public ThvCustomLayer {
    RTL_CLASS(ThvGUISelection, ThvCustomLayer)
public:
    /// The grips in the order left-top, right-top, left-bottom, right-bottom.
    enum Grip : uint8_t { kLeftTop, kRightTop, kLeftBottom, kRightBottom };

    /// Screen projection, 100 x 100 x 1, captures the mouse while a button is held.
    explicit ThvGUISelection(rtl::TComponent* owner);

    /// Half the side of a grip square.
    [[nodiscard]] float GetGripSize() const { return m_gripSize; }
    void SetGripSize(float value);
    /// The smallest Width and Height a grip drag makes; a larger minimum grows the object.
    [[nodiscard]] int32_t GetMinSize() const { return m_minSize; }
    void SetMinSize(int32_t value);

    [[nodiscard]] bool GetPressed() const { return m_pressed; }
    [[nodiscard]] bool IsGripDragged(Grip grip) const { return m_gripDragged[grip]; }
    [[nodiscard]] bool IsGripHot(Grip grip) const { return m_gripHot[grip]; }
    /// Whether the layer point (x, y) lies on the grip's square.
    [[nodiscard]] bool OnGrip(Grip grip, float x, float y) const;

    /// The plate with the grips, which reach past its edges.
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;
    void Render() override;
    void LayerMouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void LayerMouseMove(TShiftState shift, float x, float y) override;
    void LayerMouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseLeave() override;

protected:
    ~ThvGUISelection() override = default;

private:
    void DragTo(float x, float y);

    std::array<bool, 4> m_gripDragged {};
    std::array<bool, 4> m_gripHot {};
    float m_pressX = 0;
    float m_pressY = 0;
    float m_gripSize = 3;
    int32_t m_minSize = 15;
    bool m_pressed = false;
};

// Older stream names, read only.
class ThvScreenImage : public ThvGUIImage {
    RTL_CLASS(ThvScreenImage, ThvGUIImage)
public:
    explicit ThvScreenImage(rtl::TComponent* owner)
        : ThvGUIImage(owner)
    { }

protected:
    ~ThvScreenImage() override = default;
};

class ThvScreenDummy : public ThvGUILayout {
    RTL_CLASS(ThvScreenDummy, ThvGUILayout)
public:
    explicit ThvScreenDummy(rtl::TComponent* owner)
        : ThvGUILayout(owner)
    { }

protected:
    ~ThvScreenDummy() override = default;
};

/// Registers the five classes under "GUI" in the order layout, image, plane, text, selection,
/// and the older names for streaming (RegisterLayers).
void RegisterGUIObjects();
