// Picture codecs at the sizes the application meets: a camera photo loaded whole and as a
// picture-strip thumbnail, and a rendered 2048 x 2048 export saved as PNG.

#include "platform/raster/codecs/ImageCodecs.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

using namespace platform::raster;

namespace {

/// Smooth colour fields, with a little noise roughly as hard to compress as a photo.
Image Photo(int32_t width, int32_t height, bool translucent, bool noisy = true)
{
    Image image { width, height, {} };
    image.pixels.resize(size_t(width) * size_t(height));
    uint32_t noise = 2463534242u;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const uint32_t n = noisy ? noise & 15 : 0;
            const uint32_t a = translucent ? 64 + uint32_t(x * 191 / width) : 255;
            const uint32_t r = (uint32_t(x * 255 / width) + n) * a / 270;
            const uint32_t g = (uint32_t(y * 255 / height) + n) * a / 270;
            const uint32_t b = (uint32_t((x + y) * 127 / (width + height)) + n) * a / 270;
            image.pixels[size_t(y) * size_t(width) + size_t(x)] = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return image;
}

const std::vector<uint8_t>& CameraJpeg()
{
    static const std::vector<uint8_t> bytes
        = EncodeImage(Photo(4000, 3000, false), ImageFormat::Jpeg, { 90 }).value();
    return bytes;
}

void BM_LoadJpeg4000x3000(benchmark::State& state)
{
    const std::vector<uint8_t>& jpeg = CameraJpeg();
    // Into memory that is already there, as a bitmap of the right size provides it.
    std::vector<uint32_t> pixels(size_t(4000) * 3000);
    for (auto _ : state) {
        const bool ok = DecodeImage(jpeg, [&](ImageSize) { return pixels.data(); });
        benchmark::DoNotOptimize(ok);
    }
    state.counters["MB"] = double(jpeg.size()) / 1e6;
}
BENCHMARK(BM_LoadJpeg4000x3000)->Unit(benchmark::kMillisecond);

void BM_ThumbnailJpeg4000x3000(benchmark::State& state)
{
    const std::vector<uint8_t>& jpeg = CameraJpeg();
    for (auto _ : state) {
        // A 200 x 150 strip item: decoded at 1/8, 500 x 375.
        std::optional<Image> thumbnail = DecodeThumbnail(jpeg, { 200, 150 }, EmbeddedThumbnail::Use);
        benchmark::DoNotOptimize(thumbnail);
    }
}
BENCHMARK(BM_ThumbnailJpeg4000x3000)->Unit(benchmark::kMillisecond);

// Argument 1: photo-like noise (the hard case); 0: smooth shading like a rendered scene.
void BM_EncodePng2048x2048(benchmark::State& state)
{
    const Image picture = Photo(2048, 2048, true, state.range(0) != 0);
    size_t size = 0;
    for (auto _ : state) {
        std::optional<std::vector<uint8_t>> png = EncodeImage(picture, ImageFormat::Png);
        size = png ? png->size() : 0;
        benchmark::DoNotOptimize(png);
    }
    state.counters["MB"] = double(size) / 1e6;
}
BENCHMARK(BM_EncodePng2048x2048)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace
