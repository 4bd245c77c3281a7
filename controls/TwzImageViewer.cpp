#include "controls/TwzImageViewer.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/ui/Input.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzShape.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kMinScale = 0.01f;
constexpr float kMaxScale = 10;
/// The change of scale for one wheel notch, whatever the current scale.
constexpr float kWheelZoomStep = 0.04f;

constexpr rtl::TPropInfo kImageViewerProps[] = {
    RTL_PROP(TwzImageViewer, BackgroundFill, Class, rtl::kNoDefault),
    RTL_PROP(TwzImageViewer, Bitmap, Class, rtl::kNoDefault),
    RTL_PROP(TwzImageViewer, BitmapScale, Float, 1.0),
    RTL_PROP(TwzImageViewer, ShowBackground, Boolean, false),
    RTL_PROP(TwzImageViewer, MouseScaling, Boolean, true),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzImageViewer, .props = kImageViewerProps)

TwzImageViewer::TwzImageViewer(rtl::TComponent* owner)
    : TwzScrollBox(owner)
{
    StoreResource("framedscrollboxstyle");
    SetMouseTracking(true);
    SetCursor(platform::ui::cursor::kHandPoint);

    auto* background = new TwzRectangle(this);
    background->SetHitTest(false);
    background->SetLocked(true);
    background->GetStroke()->SetStyle(wzBrushNone);
    background->SetStored(false);
    background->SetVisible(false);
    m_background = background;
    AddObject(background);

    auto* image = new TwzImage(this);
    image->SetHitTest(false);
    image->SetLocked(true);
    image->SetStored(false);
    image->SetWrapMode(wzImageStretch);
    m_image = image;
    AddObject(image);
    // Replaces the image's own handler, so repaints here too.
    image->GetBitmap()->OnChange.Bind<&TwzImageViewer::BitmapChanged>(this);
}

TwzBrush* TwzImageViewer::GetBackgroundFill() const
{
    TwzRectangle* background = m_background.Get();
    return background ? background->GetFill() : nullptr;
}

void TwzImageViewer::SetBackgroundFill(TwzBrush* value)
{
    if (TwzRectangle* background = m_background.Get())
        background->SetFill(value);
}

TwzBitmap* TwzImageViewer::GetBitmap() const
{
    TwzImage* image = m_image.Get();
    return image ? image->GetBitmap() : nullptr;
}

void TwzImageViewer::SetBitmap(TwzBitmap* value)
{
    if (TwzBitmap* bitmap = GetBitmap(); bitmap && value && value != bitmap)
        bitmap->Assign(*value);
}

void TwzImageViewer::BitmapChanged(rtl::TObject*)
{
    if (TwzImage* image = m_image.Get()) {
        image->UpdateEffects();
        image->InvalidateObject();
    }
    RealignChildren();
}

void TwzImageViewer::SetShowBackground(bool value)
{
    if (value == m_showBackground)
        return;
    m_showBackground = value;
    if (TwzRectangle* background = m_background.Get())
        background->SetVisible(value);
}

void TwzImageViewer::SetBitmapScale(float value)
{
    // A stored scale that is no number would leave the layout without a size.
    if (value == m_bitmapScale || !std::isfinite(value))
        return;
    m_bitmapScale = std::clamp(value, kMinScale, kMaxScale);
    const rtl::DispatchGuard held(this);
    RealignChildren();
    ScrollToCenter();
}

TwzRect TwzImageViewer::GetContentBounds()
{
    TwzImage* image = m_image.Get();
    TwzBitmap* bitmap = GetBitmap();
    if (!image || !bitmap)
        return Inherited::GetContentBounds();
    const float width = float(bitmap->GetWidth()) * m_bitmapScale;
    const float height = float(bitmap->GetHeight()) * m_bitmapScale;
    image->SetBounds(0, 0, width, height);
    if (TwzVisualObject* part = GetContentPart(); part && GetContent()) {
        float x = 0;
        float y = 0;
        if (width < part->GetWidth())
            x = float(rtl::Round((part->GetWidth() - width) / 2));
        if (height < part->GetHeight())
            y = float(rtl::Round((part->GetHeight() - height) / 2));
        image->SetBounds(x, y, width, height);
    }
    const TwzRect box = image->GetParentedRect();
    if (TwzRectangle* background = m_background.Get())
        background->SetBounds(box.Left, box.Top, RectWidth(box), RectHeight(box));
    return { std::min(box.Left, 0.0f), std::min(box.Top, 0.0f), std::max(box.Right, 0.0f),
        std::max(box.Bottom, 0.0f) };
}

float TwzImageViewer::FitScale()
{
    TwzBitmap* bitmap = GetBitmap();
    TwzVisualObject* part = GetContentPart();
    if (!bitmap || !part)
        return m_bitmapScale;
    TwzRect r { 0, 0, float(bitmap->GetWidth()), float(bitmap->GetHeight()) };
    const float ratio = RectFit(r, part->GetLocalRect());
    return ratio >= 1 ? 1 / ratio : 1;
}

void TwzImageViewer::BestFit()
{
    if (!GetContent() || !GetContentPart())
        return;
    auto enabled = [](TwzScrollBar* bar) { return bar && bar->GetEnabled(); };
    const bool barsEnabled = enabled(GetHScrollBar()) || enabled(GetVScrollBar());
    const rtl::DispatchGuard held(this);
    SetBitmapScale(FitScale());
    // The first change may have hidden the bars and so enlarged the viewport.
    if (barsEnabled)
        SetBitmapScale(FitScale());
}

void TwzImageViewer::MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled)
{
    if (m_mouseScaling) {
        SetBitmapScale(m_bitmapScale + float(wheelDelta) / 120 * kWheelZoomStep);
        handled = true;
    }
    Inherited::MouseWheel(shift, wheelDelta, handled);
}

rtl::TValue TwzImageViewer::GetData()
{
    return ObjectToVariant(GetBitmap());
}

void TwzImageViewer::SetData(const rtl::TValue& value)
{
    TwzBitmap* bitmap = GetBitmap();
    if (!bitmap)
        return;
    if (VariantIsObject(value)) {
        if (auto* source = dynamic_cast<rtl::TPersistent*>(VariantToObject(value))) {
            try {
                bitmap->Assign(*source);
            } catch (const rtl::Exception&) {
                // Something that cannot become a picture leaves the picture as it is.
            }
        }
        return;
    }
    (void)bitmap->LoadFromFile(ui2d::VariantToText(value), 0);
}
