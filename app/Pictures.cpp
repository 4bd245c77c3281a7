#include "app/Pictures.h"

#include "graphics/TwzBitmap.h"
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

} // namespace app
