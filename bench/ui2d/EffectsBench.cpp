// Bitmap effects: the stack blur against a plain separable box blur of the same radius, and
// a text object with a glow and a shadow painted frame after frame.

#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFont.h"
#include "tests/ui2d/TestScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/StackBlur.h"
#include "ui2d/TwzEffect.h"
#include "ui2d/TwzText.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

std::vector<uint32_t> Noise(int w, int h)
{
    std::mt19937 random(7);
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    for (uint32_t& p : pixels)
        p = static_cast<uint32_t>(random());
    return pixels;
}

/// The comparison: a box of 2r + 1 pixels along rows, then along columns, edges clamped,
/// with running sums, written as plainly as possible.
void BoxBlur(uint32_t* pixels, int w, int h, int r)
{
    std::vector<uint32_t> temp(size_t(w) * size_t(h));
    const uint32_t d = uint32_t(2 * r + 1);
    auto pass = [&](const uint32_t* src, uint32_t* dst, int lines, int length, int step, int lineStep) {
        for (int line = 0; line < lines; ++line) {
            const uint32_t* s = src + size_t(line) * size_t(lineStep);
            uint32_t* o = dst + size_t(line) * size_t(lineStep);
            auto at = [&](int i) { return s[size_t(std::clamp(i, 0, length - 1)) * size_t(step)]; };
            uint32_t sum[4] = {};
            for (int i = -r; i <= r; ++i) {
                const uint32_t p = at(i);
                for (int c = 0; c < 4; ++c)
                    sum[c] += (p >> (8 * c)) & 0xFF;
            }
            for (int i = 0; i < length; ++i) {
                o[size_t(i) * size_t(step)]
                    = (sum[0] / d) | ((sum[1] / d) << 8) | ((sum[2] / d) << 16) | ((sum[3] / d) << 24);
                const uint32_t in = at(i + r + 1);
                const uint32_t out = at(i - r);
                for (int c = 0; c < 4; ++c)
                    sum[c] += ((in >> (8 * c)) & 0xFF) - ((out >> (8 * c)) & 0xFF);
            }
        }
    };
    pass(pixels, temp.data(), h, w, 1, w);
    pass(temp.data(), pixels, w, h, w, 1);
}

void BM_StackBlur1024Radius10(benchmark::State& state)
{
    const std::vector<uint32_t> source = Noise(1024, 1024);
    std::vector<uint32_t> pixels = source;
    for (auto _ : state) {
        StackBlurPixels(pixels.data(), 1024, 1024, 10, true);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_StackBlur1024Radius10)->Unit(benchmark::kMillisecond);

void BM_BoxBlur1024Radius10(benchmark::State& state)
{
    std::vector<uint32_t> pixels = Noise(1024, 1024);
    for (auto _ : state) {
        BoxBlur(pixels.data(), 1024, 1024, 10);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_BoxBlur1024Radius10)->Unit(benchmark::kMillisecond);

/// A 300 x 200 text with a glow and a shadow on a 400 x 300 scene; with `changing`, the text
/// changes every frame, so both effect pictures are rendered again each time.
void TextWithEffects(benchmark::State& state, bool changing)
{
    Initialize2DLibrary();
    TwzBitmap target(400, 300);
    TwzCanvasGdiPlus canvas(&target);
    rtl::TOwned<TestScene> scene(new TestScene(nullptr));
    scene->SetCanvas(&canvas);
    auto* root = new TwzVisualObject(scene.get());
    scene->AddObject(root);
    scene->SetSize(400, 300);
    auto* text = new TwzText(scene.get());
    text->SetBounds(50, 50, 300, 200);
    text->GetFont()->SetSize(40);
    text->SetText(u"Glyphforge");
    text->SetParent(root);
    auto* glow = new TwzGlowEffect(scene.get());
    glow->SetParent(text);
    auto* shadow = new TwzShadowEffect(scene.get());
    shadow->SetParent(text);
    int frame = 0;
    for (auto _ : state) {
        if (changing)
            text->SetText(frame++ % 2 ? u"Glyphforge" : u"Glyphforgf");
        target.Clear(0);
        scene->ClearUpdateRects();
        scene->AddUpdateRect({ 0, 0, 400, 300 });
        scene->PaintRoots();
        benchmark::DoNotOptimize(target.Bits());
    }
}

void BM_TextGlowShadowRendered(benchmark::State& state)
{
    TextWithEffects(state, true);
}
BENCHMARK(BM_TextGlowShadowRendered)->Unit(benchmark::kMillisecond);

void BM_TextGlowShadowCached(benchmark::State& state)
{
    TextWithEffects(state, false);
}
BENCHMARK(BM_TextGlowShadowCached)->Unit(benchmark::kMillisecond);

} // namespace
