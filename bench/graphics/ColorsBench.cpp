#include "graphics/Colors.h"
#include "graphics/Geometry.h"
#include "graphics/NumberText.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

// Colour texts as stored objects carry them: hex forms, names anywhere in the table, numbers.
void BM_TextToColor(benchmark::State& state, const char* text)
{
    const std::string s = text;
    for (auto _ : state)
        benchmark::DoNotOptimize(TextToColor(s));
}
BENCHMARK_CAPTURE(BM_TextToColor, hex, "#FF303030");
BENCHMARK_CAPTURE(BM_TextToColor, first_name, "Aliceblue");
BENCHMARK_CAPTURE(BM_TextToColor, last_name, "YELLOWGREEN");
BENCHMARK_CAPTURE(BM_TextToColor, decimal, "-13619152");
BENCHMARK_CAPTURE(BM_TextToColor, unreadable, "no such colour");

void BM_ColorToText(benchmark::State& state)
{
    TwzColor c = 0x12345678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ColorToText(c));
        c += 0x01010101;
    }
}
BENCHMARK(BM_ColorToText);

// The bitmap code runs these once per pixel; a row of mixed alphas.
void BM_PremultiplyRow(benchmark::State& state)
{
    std::vector<TwzColor> row(4096);
    for (size_t i = 0; i < row.size(); ++i)
        row[i] = (TwzColor(i * 37 % 256) << 24) | TwzColor(i * 2654435761u & 0xFFFFFF);
    for (auto _ : state) {
        for (TwzColor& p : row)
            p = UnpremultiplyColor(PremultiplyColor(p));
        benchmark::DoNotOptimize(row.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(row.size()));
}
BENCHMARK(BM_PremultiplyRow);

void BM_RectTextRoundTrip(benchmark::State& state)
{
    const TwzRect r { 0, 0, 100.5f, 20 };
    for (auto _ : state)
        benchmark::DoNotOptimize(TextToRect(RectToText(r)));
}
BENCHMARK(BM_RectTextRoundTrip);

void BM_FloatToText(benchmark::State& state)
{
    float v = 1.25f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FloatToText(v));
        v += 0.5f;
    }
}
BENCHMARK(BM_FloatToText);

} // namespace
