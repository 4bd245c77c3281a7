#include "graphics/TwzPathData.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// One glyph-like outline: an outer bowl of curves and lines with a counter inside, like an
// "a", "o" or "e" of a text laid out at ten times its size (about 40 by 60 units).
void AddGlyph(TwzPathData& path, float x, float y)
{
    path.MoveTo({ x + 20, y });
    path.CurveTo({ x + 32, y }, { x + 40, y + 12 }, { x + 40, y + 30 });
    path.CurveTo({ x + 40, y + 48 }, { x + 32, y + 60 }, { x + 20, y + 60 });
    path.LineTo({ x + 18, y + 60 });
    path.CurveTo({ x + 6, y + 60 }, { x, y + 48 }, { x, y + 30 });
    path.CurveTo({ x, y + 12 }, { x + 8, y }, { x + 20, y });
    path.ClosePath();
    path.MoveTo({ x + 20, y + 10 });
    path.CurveTo({ x + 14, y + 10 }, { x + 10, y + 18 }, { x + 10, y + 30 });
    path.CurveTo({ x + 10, y + 42 }, { x + 14, y + 50 }, { x + 20, y + 50 });
    path.CurveTo({ x + 26, y + 50 }, { x + 30, y + 42 }, { x + 30, y + 30 });
    path.LineTo({ x + 30, y + 28 });
    path.CurveTo({ x + 30, y + 18 }, { x + 26, y + 10 }, { x + 20, y + 10 });
    path.ClosePath();
}

// 1,000 contours (500 glyphs of two contours each) on one line, as the extruded text lays
// out its outline: the line's height sets the flattening step (0.6 units at flatness 1).
void BuildText(TwzPathData& path)
{
    for (int i = 0; i < 500; ++i)
        AddGlyph(path, static_cast<float>(i) * 45, 0);
}

void BM_FlattenThousandContours(benchmark::State& state)
{
    TwzPathData path;
    BuildText(path);
    const float flatness = static_cast<float>(state.range(0)) / 10;
    TwzPolygon polygon;
    for (auto _ : state) {
        path.FlattenPath(polygon, flatness);
        benchmark::DoNotOptimize(polygon.data());
    }
    state.counters["points"] = static_cast<double>(polygon.size());
    state.counters["contours/s"]
        = benchmark::Counter(1000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FlattenThousandContours)->Arg(10)->Arg(5)->Arg(1);

void BM_PathTextRoundTrip(benchmark::State& state)
{
    TwzPathData path;
    BuildText(path);
    const std::string text = path.GetData();
    TwzPathData copy;
    for (auto _ : state) {
        copy.SetData(text);
        benchmark::DoNotOptimize(copy.GetData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_PathTextRoundTrip);

} // namespace
