#pragma once

#include "scene3d/Forward.h"

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <memory>
#include <string>

/// How a texture combines with the diffuse colour.
enum ThvTexMode : uint8_t {
    hvTexModulate, ///< texture times diffuse
    hvTexReplace, ///< the texture's colour only
};
RTL_ENUM(ThvTexMode, "hvTexModulate", "hvTexReplace");

enum ThvFillMode : uint8_t { hvSolid, hvWireframe };
RTL_ENUM(ThvFillMode, "hvSolid", "hvWireframe");

enum ThvShadeMode : uint8_t { hvFlat, hvGouraud };
RTL_ENUM(ThvShadeMode, "hvFlat", "hvGouraud");

// How a 3D shape's surface is drawn: diffuse and ambient colours, a texture named by resource
// name (or given directly), how and where the texture is laid, and the lighting, shading and
// fill modes. The canvas applies it before drawing. Setters fire OnChanged only when the
// value changes; changes inside BitmapRect notify nobody.
class ThvMaterial : public rtl::TPersistent {
    RTL_CLASS(ThvMaterial, rtl::TPersistent)
public:
    ThvMaterial();
    ~ThvMaterial() override;

    // Published.
    /// The colour as text ("#AARRGGBB"); setting reads any text hvStrToColor reads.
    [[nodiscard]] std::string GetDiffuse() const;
    void SetDiffuse(const std::string& value);
    [[nodiscard]] std::string GetAmbient() const;
    void SetAmbient(const std::string& value);
    /// Stored when it differs from the owner's default (true unless the owner says otherwise).
    [[nodiscard]] bool GetLighting() const { return m_lighting; }
    void SetLighting(bool value);
    /// The resource name of the texture; compared exactly, letter case included.
    [[nodiscard]] const std::string& GetBitmap() const { return m_bitmap; }
    void SetBitmap(const std::string& value);
    [[nodiscard]] ThvTexMode GetBitmapMode() const { return m_bitmapMode; }
    void SetBitmapMode(ThvTexMode value);
    /// Tiling, kept within [0.01, 10]; a value equal to the one last given does nothing.
    [[nodiscard]] float GetBitmapTileX() const { return m_bitmapTileX; }
    void SetBitmapTileX(float value);
    [[nodiscard]] float GetBitmapTileY() const { return m_bitmapTileY; }
    void SetBitmapTileY(float value);
    [[nodiscard]] ThvBitmapRect* GetBitmapRect() const { return m_bitmapRect.get(); }
    /// Copies the rectangle's values; null is ignored.
    void SetBitmapRect(ThvBitmapRect* value);
    [[nodiscard]] ThvFillMode GetFillMode() const { return m_fillMode; }
    void SetFillMode(ThvFillMode value);
    [[nodiscard]] ThvShadeMode GetShadeMode() const { return m_shadeMode; }
    void SetShadeMode(ThvShadeMode value);

    rtl::TNotifyEvent OnChanged;

    /// The Lighting value that is not stored: an owner whose material starts unlit sets it to
    /// false, so that a user's switching lighting on is kept.
    void SetLightingDefault(bool value) { m_lightingDefault = value; }
    [[nodiscard]] bool IsLightingStored() const { return m_lighting != m_lightingDefault; }

    [[nodiscard]] uint32_t GetDiffuseColor() const { return m_diffuse; }
    void SetDiffuseColor(uint32_t value);
    [[nodiscard]] uint32_t GetAmbientColor() const { return m_ambient; }

    /// A bitmap to texture with directly, ahead of the Bitmap name; not owned, not copied by
    /// Assign. The holder clears it before the bitmap goes.
    [[nodiscard]] ThvBitmap* GetTextureBitmap() const { return m_texture; }
    void SetTexture(ThvBitmap* value);

    /// The bitmap to texture with: Texture when set, else the resource named by Bitmap, looked
    /// up at every call; null draws untextured.
    [[nodiscard]] ThvBitmap* GetTexture() const;

    /// From another material: everything but Texture, then OnChanged once.
    void Assign(const rtl::TPersistent& source) override;

private:
    friend class ThvCanvas; // writes colours and the name without notifying, once per frame

    void Changed();
    [[nodiscard]] static float ClampTile(float value);

    uint32_t m_diffuse = 0xFF707070;
    uint32_t m_ambient = 0xFF303030;
    bool m_lighting = true;
    bool m_lightingDefault = true;
    std::string m_bitmap;
    ThvTexMode m_bitmapMode = hvTexModulate;
    float m_bitmapTileX = 1;
    float m_bitmapTileY = 1;
    std::unique_ptr<ThvBitmapRect> m_bitmapRect;
    ThvFillMode m_fillMode = hvSolid;
    ThvShadeMode m_shadeMode = hvGouraud;
    ThvBitmap* m_texture = nullptr;
};
