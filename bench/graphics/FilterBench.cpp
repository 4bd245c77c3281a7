// Pictures through the image codec class as the application uses it: a camera photo loaded
// whole from its file and as a picture-strip thumbnail, and a rendered 2048 x 2048 export
// encoded as PNG.

#include "graphics/TwzBitmap.h"
#include "graphics/TwzFilterGdiPlus.h"
#include "platform/raster/codecs/ImageCodecs.h"
#include "platform/rtl/Streams.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace raster = platform::raster;

/// Smooth colour fields; with noise roughly as hard to compress as a photo, without it like
/// a rendered scene.
void PaintPhoto(uint32_t* pixels, int32_t width, int32_t height, bool translucent, bool noisy = true)
{
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
            pixels[size_t(y) * size_t(width) + size_t(x)] = a << 24 | r << 16 | g << 8 | b;
        }
    }
}

/// A 4000 x 3000 JPEG at quality 90 in a temporary file, removed when the program ends.
class CameraFile {
public:
    CameraFile()
        : m_path((std::filesystem::temp_directory_path()
            / ("glyphforge-filter-bench-" + std::to_string(::getpid()) + ".jpg"))
                     .string())
    {
        TwzBitmap photo(4000, 3000);
        PaintPhoto(photo.Bits(), 4000, 3000, false);
        TwzFilterGdiPlus().SaveToFile(m_path, photo, "quality=90");
    }
    ~CameraFile()
    {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    const std::string& Path() const { return m_path; }
    double Megabytes() const
    {
        std::error_code ignored;
        return double(std::filesystem::file_size(m_path, ignored)) / 1e6;
    }

private:
    std::string m_path;
};

const CameraFile& Camera()
{
    static const CameraFile file;
    return file;
}

void BM_FilterLoadJpeg4000x3000(benchmark::State& state)
{
    const CameraFile& file = Camera();
    TwzFilterGdiPlus filter;
    TwzBitmap bitmap(4000, 3000);
    for (auto _ : state) {
        const bool ok = filter.LoadFromFile(file.Path(), 0, bitmap);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["MB"] = file.Megabytes();
}
BENCHMARK(BM_FilterLoadJpeg4000x3000)->Unit(benchmark::kMillisecond);

// A picture-strip item of 200 x 150, the stored-preview option on (the photo has none).
void BM_FilterThumbnailJpeg4000x3000(benchmark::State& state)
{
    const CameraFile& file = Camera();
    TwzFilterGdiPlus filter;
    TwzBitmap bitmap(1, 1);
    for (auto _ : state) {
        const bool ok = filter.LoadThumbnailFromFile(file.Path(), 200, 150, true, bitmap);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_FilterThumbnailJpeg4000x3000)->Unit(benchmark::kMillisecond);

// Argument 1: photo-like noise (the hard case); 0: smooth shading like a rendered scene.
void BM_FilterSavePng2048x2048(benchmark::State& state)
{
    TwzBitmap picture(2048, 2048);
    PaintPhoto(picture.Bits(), 2048, 2048, true, state.range(0) != 0);
    TwzFilterGdiPlus filter;
    rtl::TMemoryStream stream;
    for (auto _ : state) {
        stream.Clear();
        filter.SaveToStream(stream, picture, "png", "");
        benchmark::DoNotOptimize(stream.Memory());
    }
    state.counters["MB"] = double(stream.GetSize()) / 1e6;
}
BENCHMARK(BM_FilterSavePng2048x2048)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace
