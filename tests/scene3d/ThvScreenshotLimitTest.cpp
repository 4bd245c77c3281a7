// A screenshot of a size beyond the bitmap limit is refused with the library's error before
// anything is allocated or rendered.

#include "VisualTestSupport.h"

#include "graphics/TwzBitmap.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <string>

using namespace scene3dtest;

namespace {

class ThvScreenshotLimit : public VisualFixture { };

} // namespace

TEST_F(ThvScreenshotLimit, SizesBeyondTheBitmapLimitAreRefused)
{
    auto* object = Make<ThvVisualObject>();
    object->SetWidth(2);
    object->SetHeight(2);
    struct Case {
        int32_t width, height;
    } const cases[] = { { 46341, 46341 }, { 100000, 100000 }, { 16385, 16384 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        TwzBitmap picture(4, 4);
        canvas->ClearLog();
        EXPECT_THROW(object->MakeScreenshot(&picture, c.width, c.height, 0xFF000000, 4), rtl::GraphicsError);
        EXPECT_EQ(picture.GetWidth(), 0);
        EXPECT_EQ(picture.GetHeight(), 0);
        EXPECT_TRUE(canvas->Lines("BeginScene").empty());
    }
}
