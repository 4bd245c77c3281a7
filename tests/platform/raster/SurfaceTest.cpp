#include "platform/raster/Surface.h"

#include "platform/raster/Brush.h"
#include "platform/raster/Graphics.h"
#include "platform/rtl/Exceptions.h"
#include "tests/platform/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform::raster;
using namespace rastertest;

TEST(Surface, SizesOutsideTheSupportedRangeAreRefused)
{
    struct Case {
        int width, height;
        bool ok;
    } cases[] = {
        { 1, 1, true },
        { 64, 3, true },
        { 0, 5, false },
        { 5, 0, false },
        { -1, 5, false },
        { 5, -20, false },
        { 32767, 1, true },
        { 32768, 1, false },
        { 1, 40000, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        auto s = Surface::Create(c.width, c.height);
        ASSERT_EQ(s.has_value(), c.ok);
        if (s) {
            EXPECT_EQ(s->Width(), c.width);
            EXPECT_EQ(s->Height(), c.height);
            EXPECT_EQ(s->Stride(), c.width * 4);
            EXPECT_EQ(s->Pixel(0, 0), 0u);
            EXPECT_EQ(s->Pixel(c.width - 1, c.height - 1), 0u);
        }
        std::vector<uint32_t> memory(c.ok ? size_t(c.width) * size_t(c.height) : 1);
        EXPECT_EQ(Surface::CreateOver(memory.data(), c.width, c.height).has_value(), c.ok);
    }
    EXPECT_FALSE(Surface::CreateOver(nullptr, 4, 4));
}

TEST(Surface, BackBufferThatCannotBeAllocatedRaises)
{
    EXPECT_EQ(Surface::CreateBackBuffer(3, 2).Width(), 3);
    // 32767 x 32767 fits cairo's sides but would take 4 GB: beyond the pixel limit.
    for (auto [w, h] : { std::pair { 0, 1 }, std::pair { 40000, 2 }, std::pair { 32767, 32767 },
             std::pair { 16384, 16385 } }) {
        try {
            (void)Surface::CreateBackBuffer(w, h);
            ADD_FAILURE() << "no exception for " << w << " x " << h;
        } catch (const rtl::GraphicsError& e) {
            EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
        }
    }
}

TEST(Surface, ViewSharesTheCallersPixelsBothWays)
{
    std::vector<uint32_t> memory(4 * 3, 0);
    auto view = Surface::CreateOver(memory.data(), 4, 3);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->Bits(), memory.data());
    {
        auto g = Graphics::Create(*view);
        ASSERT_TRUE(g);
        g->FillRectangle(Brush::Solid(0xFF102030), { 1, 1, 2, 1 });
    }
    view->Flush();
    EXPECT_EQ(memory[1 * 4 + 1], 0xFF102030u);
    EXPECT_EQ(memory[1 * 4 + 2], 0xFF102030u);
    EXPECT_EQ(memory[0], 0u);

    // Written by the owner, then drawn elsewhere: the drawing sees the new pixels.
    view->Flush();
    memory[0] = 0xFF00FF00;
    view->MarkDirty();
    auto target = Canvas::Make(4, 3);
    target.g.DrawImage(*view, { 0, 0, 4, 3 });
    EXPECT_EQ(target.At(0, 0), 0xFF00FF00u);
    EXPECT_EQ(target.At(1, 1), 0xFF102030u);
}

TEST(Surface, DestroyedSurfaceLeavesItsBrushesAndGraphicsHarmless)
{
    auto target = Canvas::Make(4, 4);
    std::optional<Brush> brush;
    std::optional<Graphics> orphan;
    {
        std::vector<uint32_t> memory(4, 0xFFFF0000);
        auto picture = Surface::CreateOver(memory.data(), 2, 2);
        ASSERT_TRUE(picture);
        brush = Brush::Texture(*picture, WrapMode::Tile);
        orphan = Graphics::Create(*picture);
        ASSERT_TRUE(brush && orphan);
        target.g.FillRectangle(*brush, { 0, 0, 1, 1 });
        EXPECT_EQ(target.At(0, 0), 0xFFFF0000u);
    } // the memory is gone here
    target.g.FillRectangle(*brush, { 0, 0, 4, 4 });
    EXPECT_EQ(target.At(3, 3), 0u);
    orphan->FillRectangle(Brush::Solid(0xFFFFFFFF), { 0, 0, 2, 2 });
    (void)orphan->SetTransform(Matrix::Scaling(2, 2));
    // The target still draws.
    target.g.FillRectangle(Brush::Solid(0xFF0000FF), { 0, 0, 4, 4 });
    EXPECT_EQ(target.At(3, 3), 0xFF0000FFu);
}

TEST(Surface, PresentCopiesRectanglesClippedToTheSource)
{
    auto source = Canvas::Make(8, 8);
    source.g.FillRectangle(Brush::Solid(0x800000FF), { 0, 0, 8, 8 }); // translucent blue
    auto target = Canvas::Make(12, 12);
    struct Case {
        const char* name;
        std::vector<RectI> rects;
        int x, y;
        PresentMode mode;
        std::vector<std::pair<int, int>> copied, untouched;
    } cases[] = {
        { "one rectangle", { { 1, 1, 2, 2 } }, 0, 0, PresentMode::Copy, { { 1, 1 }, { 2, 2 } },
            { { 0, 0 }, { 3, 3 } } },
        { "widened past the buffer", { { 6, 6, 10, 10 } }, 0, 0, PresentMode::Copy, { { 7, 7 } },
            { { 8, 8 }, { 9, 9 } } },
        { "negative corner", { { -3, -3, 4, 4 } }, 0, 0, PresentMode::Copy, { { 0, 0 } }, { { 1, 1 } } },
        { "offset", { { 0, 0, 1, 1 } }, 4, 5, PresentMode::Copy, { { 4, 5 } }, { { 0, 0 }, { 5, 5 } } },
        { "several", { { 0, 0, 1, 1 }, { 5, 5, 1, 1 } }, 0, 0, PresentMode::Copy, { { 0, 0 }, { 5, 5 } },
            { { 3, 3 } } },
        { "none", {}, 0, 0, PresentMode::Copy, {}, { { 0, 0 } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // An opaque red target shows whether pixels were replaced or composited.
        target.g.SetCompositingMode(CompositingMode::SourceCopy);
        target.g.FillRectangle(Brush::Solid(0xFFFF0000), { 0, 0, 12, 12 });
        Present(source.surface, target.surface, c.x, c.y, c.rects, c.mode);
        for (auto [x, y] : c.copied)
            EXPECT_TRUE(PixelNear(target.surface, x, y, 0x80000080, 1));
        for (auto [x, y] : c.untouched)
            EXPECT_TRUE(PixelNear(target.surface, x, y, 0xFFFF0000, 0));
    }
    target.g.FillRectangle(Brush::Solid(0xFFFF0000), { 0, 0, 12, 12 });
    const RectI all[] = { { 0, 0, 8, 8 } };
    Present(source.surface, target.surface, 0, 0, all, PresentMode::SourceOver);
    EXPECT_TRUE(PixelNear(target.surface, 3, 3, 0xFF7F0080, 2)); // blue over red
}
