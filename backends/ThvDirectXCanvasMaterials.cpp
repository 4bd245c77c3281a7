#include "backends/ThvDirectXCanvas.h"

#include "backends/DirectXModule.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapRect.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"

#include <algorithm>
#include <cstring>

using namespace platform::gpu;

namespace {

constexpr D3DCOLORVALUE kWhite { 1, 1, 1, 1 };
constexpr uint32_t kLightAmbient = 0xFF696969;
constexpr float kLightRange = 100;

D3DLIGHT9 MakeLight(ThvLight& light)
{
    D3DLIGHT9 l {};
    l.Diffuse = kWhite;
    l.Specular = kWhite;
    l.Ambient = hvColorToD3D(kLightAmbient);
    l.Position = hvVectorToD3D(light.GetAbsolutePosition());
    l.Direction = hvVectorToD3D(light.GetAbsoluteDirection());
    l.Range = kLightRange;
    switch (light.GetLightType()) {
    case hvLightDirectional:
        l.Type = D3DLIGHT_DIRECTIONAL;
        break;
    case hvLightPoint:
        l.Type = D3DLIGHT_POINT;
        l.Attenuation1 = 0.2f;
        break;
    case hvLightSpot:
        l.Type = D3DLIGHT_SPOT;
        l.Falloff = 1;
        l.Attenuation0 = 1;
        l.Theta = 0.5f;
        l.Phi = 1;
        break;
    }
    return l;
}

} // namespace

void ThvDirectXCanvas::MaterialChanged(rtl::TObject*)
{
    ThvMaterial* material = GetMaterial();
    if (!m_device || !material)
        return;
    D3DMATERIAL9 m {};
    // The material's own ambient colour is not used: ambient light tints the diffuse colour.
    m.Diffuse = hvColorToD3D(material->GetDiffuseColor());
    m.Ambient = m.Diffuse;
    m.Specular = kWhite;
    m_device->SetMaterial(m);

    ThvBitmap* texture = material->GetTexture();
    UpdateBitmapHandle(texture);
    const TexturePtr handle = texture ? GetTexture(texture) : nullptr;
    if (handle) {
        const ThvBitmapRect* rect = material->GetBitmapRect();
        const bool hasRect = rect && !rect->IsEmpty();
        const float tileX = material->GetBitmapTileX();
        const float tileY = material->GetBitmapTileY();
        if (tileX != 1 || tileY != 1 || hasRect) {
            m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
            ThvMatrix t = hvIdentityMatrix;
            t[0][0] = tileX;
            t[1][1] = tileY;
            if (hasRect) {
                // The rectangle, in pixels of the texture, replaces the tiling.
                const float width = static_cast<float>(texture->GetWidth());
                const float height = static_cast<float>(texture->GetHeight());
                t[0][0] = (rect->Getright() - rect->Getleft()) / width;
                t[1][1] = (rect->Getbottom() - rect->Gettop()) / height;
                t[2][0] = rect->Getleft() / width;
                t[2][1] = rect->Gettop() / height;
            }
            m_device->SetTransform(D3DTS_TEXTURE0, hvMatrixToD3D(t));
        } else {
            m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        }
        SetState(material->GetBitmapMode() == hvTexReplace ? hvStateTextureReplace : hvStateTextureModulate);
        m_device->SetTexture(0, handle);
    } else {
        // Stage 0 keeps whatever texture it had: the preset does not sample it.
        m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        SetState(hvStateTextureNone);
    }
    SetState(material->GetShadeMode() == hvFlat ? hvStateFlat : hvStateGouraud);
    SetState(material->GetFillMode() == hvSolid ? hvStateSolid : hvStateWireframe);
    SetState(material->GetLighting() ? hvStateLightingOn : hvStateLightingOff);
}

void ThvDirectXCanvas::InstallLights()
{
    // Each light takes the device light of its place in the list.
    const std::span<ThvLight* const> lights = Lights();
    for (size_t i = 0; i < lights.size(); ++i) {
        if (!lights[i])
            continue;
        const auto index = static_cast<uint32_t>(i);
        m_device->SetLight(index, MakeLight(*lights[i]));
        // Lights beyond what the device offers are refused by it, without effect.
        m_device->LightEnable(index, 1);
    }
    // Lights of earlier frames must not keep shining from where they were.
    for (size_t index = lights.size(); index < m_maxActiveLights; ++index)
        m_device->LightEnable(static_cast<uint32_t>(index), 0);
}

void ThvDirectXCanvas::UpdateBitmapHandle(ThvBitmap* bitmap)
{
    ThvCanvas::UpdateBitmapHandle(bitmap);
    if (!bitmap)
        return;
    const int32_t width = bitmap->GetWidth();
    const int32_t height = bitmap->GetHeight();
    TexturePtr texture = GetTexture(bitmap);
    // A bitmap keeps a canvas in its list only while the canvas holds a texture of it: the
    // canvas drops what it holds when it goes, and a bitmap still listing it would call a
    // freed canvas later.
    if (!m_device || int64_t { width } * height == 0) {
        if (!texture)
            bitmap->RemoveTextureCanvas(this);
        return;
    }

    if (!texture) {
        if (hvFailed(m_device->CreateTexture(static_cast<uint32_t>(width), static_cast<uint32_t>(height), 1,
                D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture))
            || !texture) {
            bitmap->RemoveTextureCanvas(this);
            return;
        }
        bitmap->SetNeedUpdate(true);
        AddBitmapHandle(bitmap, std::make_shared<ThvDirectXTexture>(texture));
    } else {
        D3DSURFACE_DESC desc {};
        texture->GetLevelDesc(0, desc);
        if (desc.Width != static_cast<uint32_t>(width) || desc.Height != static_cast<uint32_t>(height)) {
            texture.reset();
            if (hvFailed(m_device->CreateTexture(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                    1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture))
                || !texture) {
                RemoveBitmapHandle(bitmap);
                bitmap->RemoveTextureCanvas(this);
                return;
            }
            SetBitmapHandle(bitmap, std::make_shared<ThvDirectXTexture>(texture));
            bitmap->SetNeedUpdate(true);
        }
    }

    if (!bitmap->GetNeedUpdate() && !bitmap->ChangedAreas().empty()) {
        // Only parts were written: each goes up on its own, the rest of the texture stays.
        const std::span<const uint32_t> pixels = bitmap->Bits();
        for (const ThvBitmap::Area& area : bitmap->ChangedAreas()) {
            const RECT rect { area.left, area.top, area.right, area.bottom };
            D3DLOCKED_RECT locked {};
            if (!Succeeded(texture->LockRect(0, locked, &rect, D3DLOCK_DISCARD)))
                continue;
            const size_t rowBytes = static_cast<size_t>(area.right - area.left) * 4;
            auto* target = static_cast<uint8_t*>(locked.pBits);
            for (int32_t row = area.top; row < area.bottom; ++row)
                std::memcpy(target + static_cast<ptrdiff_t>(row - area.top) * locked.Pitch,
                    pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(width)
                        + static_cast<size_t>(area.left),
                    rowBytes);
            texture->UnlockRect(0);
        }
        bitmap->SetNeedUpdate(false);
    }
    if (bitmap->GetNeedUpdate()) {
        D3DLOCKED_RECT locked {};
        if (Succeeded(texture->LockRect(0, locked, nullptr, D3DLOCK_DISCARD))) {
            const std::span<const uint32_t> pixels = bitmap->Bits();
            const size_t rowBytes = static_cast<size_t>(width) * 4;
            auto* target = static_cast<uint8_t*>(locked.pBits);
            for (int32_t row = 0; row < height; ++row)
                std::memcpy(target + static_cast<ptrdiff_t>(row) * locked.Pitch,
                    pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(width), rowBytes);
            texture->UnlockRect(0);
        }
        // Cleared also when the lock failed: the texture keeps older pixels until the bitmap
        // changes again.
        bitmap->SetNeedUpdate(false);
    }
}

TexturePtr ThvDirectXCanvas::GetTexture(ThvBitmap* bitmap) const
{
    // Every handle this canvas holds is one it made.
    const auto* handle = static_cast<const ThvDirectXTexture*>(GetBitmapHandle(bitmap));
    return handle ? handle->Texture : nullptr;
}

void ThvDirectXCanvas::DestroyBitmapHandle(ThvBitmap* bitmap)
{
    if (!bitmap)
        return;
    bitmap->RemoveTextureCanvas(this);
    // The pair goes with or without a device: the texture keeps what it needs of its device.
    RemoveBitmapHandle(bitmap);
}
