#include "ui2d/TwzImage.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr rtl::TPropInfo kImageProps[] = {
    RTL_PROP(TwzImage, Bitmap, Class, rtl::kNoDefault),
    RTL_PROP(TwzImage, BitmapMargins, Class, rtl::kNoDefault),
    RTL_PROP(TwzImage, WrapMode, Enum, wzImageFit),
    RTL_PROP(TwzImage, DisableInterpolation, Boolean, false),
};

constexpr rtl::TEventInfo kImageEvents[] = {
    RTL_EVENT(TwzImage, OnBitmapLoaded),
};

constexpr TwzColor kDesignFrameColor = 0xA0909090;

// Copies of one tile per axis, at most; more could not be told apart on any display.
constexpr int32_t kMaxTiles = 1024;

} // namespace

RTL_IMPLEMENT_CLASS(TwzImage, .props = kImageProps, .events = kImageEvents)

namespace ui2d {

bool ShowsDesignFrame(TwzVisualObject& object)
{
    IwzScene* scene = object.GetScene();
    return scene && scene->GetDesignTime() && !object.GetLocked() && object.GetCanvas() == scene->GetCanvas();
}

void DrawDesignFrame(TwzVisualObject& object, TwzCanvas& canvas)
{
    canvas.GetStroke().SetStyle(wzBrushSolid);
    canvas.GetStroke().SetSolidColor(kDesignFrameColor);
    canvas.SetStrokeThickness(1);
    canvas.SetStrokeDash(wzDashDash);
    TwzRect frame = object.GetLocalRect();
    RectInflate(frame, -0.5f, -0.5f);
    canvas.DrawRect(frame, 0, 0, AllCorners, 1);
    canvas.SetStrokeDash(wzDashSolid);
}

int32_t TileCount(float extent, float tile)
{
    if (!(tile > 0) || !(extent > 0))
        return 1;
    const double count = std::nearbyint(double(extent) / double(tile)) + 1;
    return static_cast<int32_t>(std::clamp(count, 1.0, double(kMaxTiles)));
}

} // namespace ui2d

TwzImage::TwzImage(rtl::TComponent* owner)
    : TwzVisualObject(owner)
    , m_bitmap(std::make_unique<TwzBitmap>(1, 1))
    , m_bitmapMargins(std::make_unique<TwzBounds>())
{
    m_bitmap->OnChange.Bind<&TwzImage::BitmapChanged>(this);
}

TwzImage::~TwzImage() = default;

void TwzImage::SetBitmap(TwzBitmap* value)
{
    if (!value)
        return;
    m_bitmap->Assign(*value);
    InvalidateObject();
}

void TwzImage::SetBitmapMargins(TwzBounds* value)
{
    if (value)
        m_bitmapMargins->Assign(*value);
}

void TwzImage::SetWrapMode(TwzImageWrap value)
{
    if (value == m_wrapMode)
        return;
    m_wrapMode = value;
    InvalidateObject();
}

void TwzImage::BitmapChanged(rtl::TObject*)
{
    UpdateEffects();
    InvalidateObject();
}

void TwzImage::BitmapLoaded()
{
    const rtl::DispatchGuard held(this);
    OnBitmapLoaded(this);
    if (!IsFreed() && !IsDestroying())
        InvalidateObject();
}

rtl::TValue TwzImage::GetData()
{
    return ObjectToVariant(m_bitmap.get());
}

void TwzImage::SetData(const rtl::TValue& value)
{
    if (VariantIsObject(value)) {
        if (auto* source = dynamic_cast<rtl::TPersistent*>(VariantToObject(value))) {
            try {
                m_bitmap->Assign(*source);
            } catch (const rtl::Exception&) {
                // Something that cannot become a picture leaves the picture as it is.
            }
        }
        return;
    }
    (void)m_bitmap->LoadFromFile(ui2d::VariantToText(value), 0);
}

void TwzImage::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    if (ui2d::ShowsDesignFrame(*this))
        ui2d::DrawDesignFrame(*this, *canvas);

    TwzBitmap* picture = m_bitmap->GetResourceBitmap();
    if (!picture)
        picture = m_bitmap.get();
    if (!picture->Bits())
        return;
    const auto bw = static_cast<float>(picture->GetWidth());
    const auto bh = static_cast<float>(picture->GetHeight());
    const float w = GetWidth();
    const float h = GetHeight();
    const float opacity = GetAbsoluteOpacity();
    const TwzRect whole { 0, 0, bw, bh };
    const TwzRect local = GetLocalRect();

    if (!m_bitmapMargins->IsEmpty()) {
        const TwzRect m = m_bitmapMargins->GetRect();
        const float l = m.Left, t = m.Top, r = m.Right, b = m.Bottom;
        const TwzRect pieces[9][2] = {
            { { 0, 0, l, t }, { 0, 0, l, t } },
            { { bw - r, 0, bw, t }, { w - r, 0, w, t } },
            { { 0, bh - b, l, bh }, { 0, h - b, l, h } },
            { { bw - r, bh - b, bw, bh }, { w - r, h - b, w, h } },
            { { l, 0, bw - r, t }, { l, 0, w - r, t } },
            { { l, bh - b, bw - r, bh }, { l, h - b, w - r, h } },
            { { 0, t, l, bh - b }, { 0, t, l, h - b } },
            { { bw - r, t, bw, bh - b }, { w - r, t, w, h - b } },
            { { l, t, bw - r, bh - b }, { l, t, w - r, h - b } },
        };
        for (const auto& piece : pieces)
            canvas->DrawBitmap(picture, piece[0], piece[1], opacity, true);
        return;
    }

    switch (m_wrapMode) {
    case wzImageOriginal: {
        const int32_t state = canvas->SaveState();
        canvas->IntersectClipRect(local);
        canvas->DrawBitmap(picture, whole, whole, opacity, true);
        canvas->RestoreState(state);
        break;
    }
    case wzImageFit: {
        TwzRect fitted = whole;
        RectFit(fitted, local);
        canvas->DrawBitmap(picture, whole, fitted, opacity, m_disableInterpolation);
        break;
    }
    case wzImageStretch:
        canvas->DrawBitmap(picture, whole, local, opacity, m_disableInterpolation);
        break;
    case wzImageTile: {
        const int32_t state = canvas->SaveState();
        canvas->IntersectClipRect(local);
        const int32_t columns = ui2d::TileCount(w, bw);
        const int32_t rows = ui2d::TileCount(h, bh);
        for (int32_t i = 0; i < columns; ++i) {
            for (int32_t j = 0; j < rows; ++j) {
                const TwzRect tile { i * bw, j * bh, (i + 1) * bw, (j + 1) * bh };
                canvas->DrawBitmap(picture, whole, tile, opacity, true);
            }
        }
        canvas->RestoreState(state);
        break;
    }
    }
}
