#include "app/Pictures.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/Properties.h"

namespace app {

void DrawCheckerboard(TwzBitmap& bitmap)
{
    constexpr int32_t kSize = 16;
    constexpr int32_t kSquare = 8;
    bitmap.SetSize(kSize, kSize);
    for (int32_t y = 0; y < kSize; ++y) {
        uint32_t* row = bitmap.GetScanline(y);
        for (int32_t x = 0; x < kSize; ++x)
            row[x] = ((x / kSquare + y / kSquare) % 2 == 0) ? 0xFFCCCCCCu : 0xFF999999u;
    }
    bitmap.SetNeedUpdate(true);
}

void SetCheckerboard(ThvVisualObject& image)
{
    const rtl::TValue value = rtl::GetPropValue(image, "Bitmap");
    const auto* object = std::get_if<rtl::TObject*>(&value);
    if (!object || !*object)
        return;
    TwzBitmap tile(16, 16);
    DrawCheckerboard(tile);
    if (auto* bitmap = dynamic_cast<ThvBitmap*>(*object))
        bitmap->Assign(tile);
    else if (auto* flat = dynamic_cast<TwzBitmap*>(*object))
        flat->Assign(tile);
}

void DrawProductPicture(TwzBitmap& bitmap)
{
    constexpr float kSize = 128;
    bitmap.SetSize(static_cast<int32_t>(kSize), static_cast<int32_t>(kSize));
    bitmap.Clear(0);
    TwzCanvas* canvas = bitmap.GetCanvas();
    if (!canvas || !canvas->BeginScene())
        return;
    const TwzRect all = MakeRect(0, 0, kSize, kSize);
    // A dark rounded tile with a deep "G": the extrusion as offset layers, then the face.
    canvas->GetFill().SetStyle(wzBrushSolid);
    canvas->GetFill().SetColor("#FF1E2A3A");
    canvas->FillRect(MakeRect(4, 4, kSize - 4, kSize - 4), 18, 18, AllCorners, 1);
    canvas->GetFont().SetFamily("DejaVu Sans");
    canvas->GetFont().SetSize(84);
    canvas->GetFont().SetStyle(wzFontBold);
    canvas->GetFill().SetColor("#FF06449B");
    for (int step = 8; step > 0; --step) {
        const float d = static_cast<float>(step);
        canvas->FillText(MakeRect(d, d - 6, kSize + d, kSize + d - 6), all, u"G", false, 1);
    }
    canvas->GetFill().SetColor("#FFCB8506");
    canvas->FillText(MakeRect(0, -6, kSize, kSize - 6), all, u"G", false, 1);
    canvas->EndScene();
}

void SetProductPicture(rtl::TObject& image)
{
    const rtl::TValue value = rtl::GetPropValue(image, "Bitmap");
    const auto* object = std::get_if<rtl::TObject*>(&value);
    if (!object || !*object)
        return;
    TwzBitmap picture(1, 1);
    DrawProductPicture(picture);
    if (auto* flat = dynamic_cast<TwzBitmap*>(*object))
        flat->Assign(picture);
}

} // namespace app
