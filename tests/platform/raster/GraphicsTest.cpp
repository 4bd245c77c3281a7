#include "platform/raster/Graphics.h"

#include "platform/raster/Brush.h"
#include "platform/raster/Font.h"
#include "platform/raster/Path.h"
#include "platform/raster/Pen.h"
#include "platform/raster/Raster.h"
#include "platform/raster/StringFormat.h"
#include "tests/platform/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace platform::raster;
using namespace rastertest;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const Brush kRed = Brush::Solid(0xFFFF0000);

// Whether a plain fill of the whole surface still shows, after the transform and clip are
// reset: the graphics must never be left unable to draw.
::testing::AssertionResult StillDraws(Canvas& c)
{
    c.g.ResetTransform();
    c.g.ResetClip();
    c.g.SetCompositingMode(CompositingMode::SourceCopy);
    c.g.FillRectangle(
        Brush::Solid(0xFF00FF00), { 0, 0, float(c.surface.Width()), float(c.surface.Height()) });
    c.g.SetCompositingMode(CompositingMode::SourceOver);
    for (auto [x, y] : { std::pair { 0, 0 }, std::pair { c.surface.Width() - 1, c.surface.Height() - 1 } })
        if (c.At(x, y) != 0xFF00FF00)
            return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") not painted";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Graphics, RefusedTransformsLeaveTheCurrentOneInForce)
{
    struct Case {
        const char* name;
        Matrix m;
    } cases[] = {
        { "all zero (a new canvas matrix)", { 0, 0, 0, 0, 0, 0 } },
        { "zero scale in x", { 0, 0, 0, 1, 0, 0 } },
        { "collinear rows", { 1, 2, 2, 4, 0, 0 } },
        { "not a number", { kNaN, 0, 0, 1, 0, 0 } },
        { "infinite offset", { 1, 0, 0, 1, kInf, 0 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto canvas = Canvas::Make(8, 8);
        ASSERT_TRUE(canvas.g.SetTransform(Matrix::Translation(4, 4)));
        EXPECT_FALSE(canvas.g.SetTransform(c.m));
        EXPECT_FALSE(canvas.g.MultiplyTransform(c.m));
        EXPECT_EQ(canvas.g.GetTransform(), Matrix::Translation(4, 4));
        canvas.g.FillRectangle(kRed, { 0, 0, 1, 1 });
        EXPECT_EQ(canvas.At(4, 4), 0xFFFF0000u);
        EXPECT_EQ(canvas.At(0, 0), 0u);
    }
    // Tiny but invertible is accepted, and drawing afterwards still works.
    auto canvas = Canvas::Make(8, 8);
    ASSERT_TRUE(canvas.g.SetTransform(Matrix::Scaling(1e-20f, 1e-20f)));
    EXPECT_TRUE(canvas.g.ScaleTransform(1e-20f, 1e-20f));
    canvas.g.FillRectangle(kRed, { 0, 0, 1e30f, 1e30f });
    EXPECT_TRUE(StillDraws(canvas));
}

TEST(Graphics, MultiplyTransformAppliesBeforeTheCurrentOne)
{
    auto c = Canvas::Make(16, 16);
    ASSERT_TRUE(c.g.SetTransform(Matrix::Translation(8, 0)));
    ASSERT_TRUE(c.g.MultiplyTransform(Matrix::Scaling(2, 2)));
    EXPECT_EQ(c.g.GetTransform(), (Matrix { 2, 0, 0, 2, 8, 0 }));
    c.g.FillRectangle(kRed, { 1, 1, 1, 1 }); // (2..4, 2..4) + (8, 0)
    EXPECT_EQ(c.At(10, 2), 0xFFFF0000u);
    EXPECT_EQ(c.At(11, 3), 0xFFFF0000u);
    EXPECT_EQ(c.At(9, 2), 0u);
    EXPECT_EQ(c.At(12, 2), 0u);
}

TEST(Graphics, StatesRestoreOutOfOrderByTheirIds)
{
    auto c = Canvas::Make(16, 16);
    const int outer = c.g.Save();
    ASSERT_TRUE(c.g.SetTransform(Matrix::Scaling(2, 2)));
    c.g.SetInterpolationMode(InterpolationMode::NearestNeighbor);
    const int inner = c.g.Save();
    ASSERT_TRUE(c.g.SetTransform(Matrix::Scaling(4, 4)));
    c.g.SetClip({ 0, 0, 1, 1 }, CombineMode::Intersect);
    c.g.SetInterpolationMode(InterpolationMode::HighQuality);
    EXPECT_NE(outer, inner);
    EXPECT_GE(outer, 0);
    EXPECT_GE(inner, 0);

    // Restoring the older state first also discards the younger one.
    ASSERT_TRUE(c.g.Restore(outer));
    EXPECT_EQ(c.g.GetTransform(), Matrix::Identity());
    EXPECT_EQ(c.g.GetInterpolationMode(), InterpolationMode::Bilinear);
    EXPECT_FALSE(c.g.Restore(inner));
    EXPECT_FALSE(c.g.Restore(outer));
    c.g.FillRectangle(kRed, { 0, 0, 16, 16 }); // no clip left over
    EXPECT_EQ(c.At(15, 15), 0xFFFF0000u);

    // Restoring the younger one keeps the older one available.
    const int a = c.g.Save();
    ASSERT_TRUE(c.g.SetTransform(Matrix::Translation(3, 0)));
    const int b = c.g.Save();
    ASSERT_TRUE(c.g.SetTransform(Matrix::Translation(5, 0)));
    ASSERT_TRUE(c.g.Restore(b));
    EXPECT_EQ(c.g.GetTransform(), Matrix::Translation(3, 0));
    ASSERT_TRUE(c.g.Restore(a));
    EXPECT_EQ(c.g.GetTransform(), Matrix::Identity());
    // Ids are not reused while others may still be held.
    EXPECT_NE(c.g.Save(), a);
}

TEST(Graphics, RestoringUnknownStatesIsRefusedAndHarmless)
{
    auto c = Canvas::Make(4, 4);
    for (int id : { -1, 0, 1, 1000, std::numeric_limits<int>::max() }) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(c.g.Restore(id));
    }
    const int s = c.g.Save();
    ASSERT_TRUE(c.g.Restore(s));
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(c.g.Restore(s)); // past the saved depth
    EXPECT_TRUE(StillDraws(c));
}

TEST(Graphics, HostileArgumentsNeverLeaveTheGraphicsUnableToDraw)
{
    const auto family = FontFamily::GenericSansSerif();
    const auto font = Font::Create(family, 10, FontStyle::Regular);
    ASSERT_TRUE(font);
    struct Case {
        const char* name;
        std::function<void(Graphics&)> apply;
    } cases[] = {
        { "zero matrix",
            [](Graphics& g) {
                (void)g.SetTransform({ 0, 0, 0, 0, 0, 0 });
            } },
        { "huge scale then drawing",
            [](Graphics& g) {
                (void)g.SetTransform(Matrix::Scaling(1e15f, 1e15f));
                g.FillRectangle(kRed, { 0, 0, 1, 1 });
                g.DrawLine(Pen(kRed, 1), { 0, 0 }, { 1, 1 });
                g.FillEllipse(kRed, { 0, 0, 1, 1 });
            } },
        { "tiny scale then text",
            [&](Graphics& g) {
                (void)g.SetTransform(Matrix::Scaling(1e-7f, 1e-7f));
                g.DrawString(u"Tiny", *font, { 0, 0, 10, 10 }, {}, kRed);
                (void)g.MeasureCharacterRanges(
                    u"Tiny", *font, { 0, 0, 10, 10 }, {}, std::vector<CharacterRange> { { 0, 4 } });
            } },
        { "enormous text",
            [&](Graphics& g) {
                auto big = Font::Create(family, Font::kMaxEmSize, FontStyle::Regular);
                g.DrawString(u"W", *big, { 0, 0, 0, 0 }, {}, kRed);
                (void)g.SetTransform(Matrix::Scaling(1000, 1000));
                g.DrawString(u"W", *font, { 0, 0, 0, 0 }, {}, kRed);
            } },
        { "strongly stretched text",
            [&](Graphics& g) {
                (void)g.SetTransform(Matrix::Scaling(200, 0.01f));
                g.DrawString(u"Wide", *font, { 0, 0, 10, 10 }, {}, kRed);
                (void)g.SetTransform({ 50, 50, 0.02f, -0.02f, 0, 0 });
                g.DrawString(u"Skew", *font, { 0, 0, 10, 10 }, {}, kRed);
                (void)g.MeasureCharacterRanges(
                    u"Skew", *font, { 0, 0, 10, 10 }, {}, std::vector<CharacterRange> { { 0, 4 } });
            } },
        { "text in a rectangle that is not finite",
            [&](Graphics& g) {
                g.DrawString(u"abc", *font, { kNaN, 0, 10, 10 }, {}, kRed);
                g.DrawString(u"abc", *font, { 0, 0, kInf, 10 }, {}, kRed);
                g.DrawString(u"abc", *font, { 0, 0, 1e30f, 1e30f }, {}, kRed);
            } },
        { "coordinates that are not finite",
            [](Graphics& g) {
                g.FillRectangle(kRed, { kNaN, 0, 1, 1 });
                g.DrawLine(Pen(kRed, 1), { kInf, 0 }, { 1, kNaN });
                g.DrawRectangle(Pen(kRed, kNaN), { 0, 0, 4, 4 });
                Path p;
                p.AddLine({ kNaN, kNaN }, { kInf, 0 });
                p.CloseFigure();
                g.FillPath(kRed, p);
                g.DrawPath(Pen(kRed, 2), p);
                g.IntersectClip(p);
            } },
        { "negative and zero sizes",
            [](Graphics& g) {
                g.FillRectangle(kRed, { 4, 4, -3, -3 });
                g.FillEllipse(kRed, { 4, 4, 0, 3 });
                g.DrawEllipse(Pen(kRed, -5), { 4, 4, -3, 3 });
                g.DrawRectangle(Pen(kRed, 0), { 1, 1, 0, 0 });
                g.SetClip({ 2, 2, -1, -1 }, CombineMode::Exclude);
            } },
        { "clip rectangles that are not finite",
            [](Graphics& g) {
                g.SetClip({ kNaN, 0, 1, 1 }, CombineMode::Replace);
                g.SetClip({ 0, 0, kInf, 1 }, CombineMode::Exclude);
                g.SetClip({ -1e30f, -1e30f, 2e30f, 2e30f }, CombineMode::Intersect);
            } },
        { "bad pens",
            [](Graphics& g) {
                Pen pen(kRed, 1e-30f);
                const float zero[] = { 0, 0 };
                (void)pen.SetDashPattern(zero);
                pen.SetDashOffset(kNaN);
                pen.SetMiterLimit(-1);
                g.DrawLine(pen, { 0, 0 }, { 4, 4 });
                Pen dashed(kRed, 1e-30f);
                const float fine[] = { 1, 1 };
                ASSERT_TRUE(dashed.SetDashPattern(fine));
                g.DrawLine(dashed, { 0, 0 }, { 4, 4 });
            } },
        { "bad images",
            [](Graphics& g) {
                auto img = Surface::Create(2, 2);
                g.DrawImage(*img, { 0, 0, 4, 4 }, { 0, 0, 0, 2 });
                g.DrawImage(*img, { 0, 0, 4, 4 }, { 0, 0, 1e-38f, 1e-38f });
                g.DrawImage(*img, { 0, 0, kNaN, 4 }, { 0, 0, 2, 2 });
                g.DrawImage(*img, { 0, 0, 4, 4 }, { 0, 0, 2, 2 }, kNaN);
            } },
        { "unbalanced restores",
            [](Graphics& g) {
                (void)g.Restore(0);
                (void)g.Restore(-7);
            } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto canvas = Canvas::Make(8, 8);
        c.apply(canvas.g);
        EXPECT_TRUE(StillDraws(canvas));
    }
}

TEST(Graphics, DrawsTextBeforeStartupAndAfterShutdown)
{
    auto draw = [] {
        auto c = Canvas::Make(32, 16);
        const auto font = Font::Create(FontFamily::GenericSansSerif(), 12, FontStyle::Regular);
        c.g.DrawString(u"Ok", *font, { 0, 0, 32, 16 }, {}, kRed);
        return CountInk(c.surface);
    };
    EXPECT_GT(draw(), 10);
    Startup();
    Startup();
    EXPECT_GT(draw(), 10);
    Shutdown();
    EXPECT_GT(draw(), 10);
}
