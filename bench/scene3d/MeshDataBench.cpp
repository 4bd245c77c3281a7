#include "scene3d/ThvMeshData.h"

#include "platform/rtl/Streams.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A wavy grid of n x n vertices, two triangles per cell: the kind of mesh the primitives and
// the extrusion walls build.
void MakeGrid(ThvMeshData& mesh, int n)
{
    auto& vertices = mesh.Vertices();
    auto& indices = mesh.Indices();
    vertices.clear();
    indices.clear();
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const float fx = static_cast<float>(x) / static_cast<float>(n - 1);
            const float fy = static_cast<float>(y) / static_cast<float>(n - 1);
            vertices.push_back(
                hvTexVertexNormal(fx, fy, 0.1f * std::sin(6 * fx) * std::cos(6 * fy), 0, 0, 0, fx, fy));
        }
    }
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const auto i = static_cast<uint16_t>(y * n + x);
            const auto right = static_cast<uint16_t>(i + 1);
            const auto below = static_cast<uint16_t>(i + n);
            const auto diagonal = static_cast<uint16_t>(below + 1);
            indices.insert(indices.end(), { i, right, below, right, diagonal, below });
        }
    }
}

void BM_CalcNormals(benchmark::State& state)
{
    ThvMeshData mesh;
    MakeGrid(mesh, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        mesh.CalcNormals();
        benchmark::DoNotOptimize(mesh.Vertices().data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(mesh.Indices().size() / 3));
}
BENCHMARK(BM_CalcNormals)->Arg(16)->Arg(256);

// Reading the stored form: counts checked, arrays filled in bulk, every index checked.
void BM_ReadMesh(benchmark::State& state)
{
    ThvMeshData source;
    MakeGrid(source, static_cast<int>(state.range(0)));
    rtl::TMemoryStream stored;
    source.WriteMesh(stored);
    ThvMeshData mesh;
    for (auto _ : state) {
        rtl::TConstMemoryStream stream(stored.Memory(), static_cast<size_t>(stored.GetSize()));
        mesh.ReadMesh(stream);
        benchmark::DoNotOptimize(mesh.Indices().data());
    }
    state.SetBytesProcessed(state.iterations() * stored.GetSize());
}
BENCHMARK(BM_ReadMesh)->Arg(16)->Arg(256);

void BM_PointsText(benchmark::State& state)
{
    ThvMeshData mesh;
    MakeGrid(mesh, 64);
    for (auto _ : state) {
        const std::string text = mesh.GetPoints();
        ThvMeshData copy;
        copy.SetPoints(text);
        benchmark::DoNotOptimize(copy.Vertices().data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(mesh.Vertices().size()));
}
BENCHMARK(BM_PointsText);

} // namespace
