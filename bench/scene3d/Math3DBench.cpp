#include "scene3d/Math3D.h"

#include <benchmark/benchmark.h>

namespace {

ThvMatrix SampleMatrix()
{
    ThvMatrix m = hvQuaternionToMatrix(hvQuaternionFromAngleAxis({ 1, 2, 3, 0 }, 40));
    m[3][0] = 4;
    m[3][1] = -5;
    m[3][2] = 6;
    return m;
}

void BM_MatrixMultiply(benchmark::State& state)
{
    const ThvMatrix a = SampleMatrix();
    ThvMatrix b = hvMatrixPerspectiveFovRH(0.8f, 1.5f, 1, 1000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(b = hvMatrixMultiply(a, b));
        b[3][3] = 1; // keep the chain from running off to infinity
    }
}
BENCHMARK(BM_MatrixMultiply);

void BM_InvertMatrix(benchmark::State& state)
{
    const ThvMatrix source = SampleMatrix();
    for (auto _ : state) {
        ThvMatrix m = source;
        hvInvertMatrix(m);
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_InvertMatrix);

void BM_QuaternionMatrixRoundTrip(benchmark::State& state)
{
    ThvQuaternion q = hvQuaternionFromAngleAxis({ 0, 1, 1, 0 }, 75);
    for (auto _ : state) {
        q = hvQuaternionFromMatrix(hvQuaternionToMatrix(q));
        benchmark::DoNotOptimize(q);
    }
}
BENCHMARK(BM_QuaternionMatrixRoundTrip);

// Picking tests every triangle of a mesh against the mouse ray.
void BM_RayTriangle(benchmark::State& state)
{
    const ThvVector start { 0, -10, 0, 1 }, direction { 0, 1, 0, 0 };
    const ThvVector p1 { -1, 5, -1, 1 }, p2 { 1, 5, -1, 1 }, p3 { 0, 5, 1, 1 };
    ThvVector point, normal;
    for (auto _ : state)
        benchmark::DoNotOptimize(hvRayTriangleIntersect(start, direction, p1, p2, p3, &point, &normal));
}
BENCHMARK(BM_RayTriangle);

void BM_FloatToStr(benchmark::State& state)
{
    float v = 3.1415927f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hvFloatToStr(v));
        v *= 1.0001f;
    }
}
BENCHMARK(BM_FloatToStr);

void BM_PointTextRoundTrip(benchmark::State& state)
{
    const ThvPoint p { 1.5f, -10, 0.125f };
    for (auto _ : state)
        benchmark::DoNotOptimize(hvStrToPoint(hvPointToStr(p)));
}
BENCHMARK(BM_PointTextRoundTrip);

} // namespace
