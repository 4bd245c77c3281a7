// GIF through giflib's record-level API: only the records up to the first frame are read, so
// a long animation costs no more than its first picture and no frame is held in memory.

#include "platform/raster/codecs/CodecDetail.h"
#include "platform/raster/codecs/Premultiply.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>

namespace platform::raster::detail {
namespace {

struct MemoryReader {
    Bytes data;
    size_t at = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    if (count <= 0)
        return 0;
    const size_t n = std::min(size_t(count), reader->data.size() - reader->at);
    if (n > 0)
        std::memcpy(buffer, reader->data.data() + reader->at, n);
    reader->at += n;
    return int(n);
}

struct DecoderClose {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using DecoderPtr = std::unique_ptr<GifFileType, DecoderClose>;

struct FirstFrame {
    ImageSize canvas;
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool interlaced = false;
    const ColorMapObject* colors = nullptr;
    int transparent = NO_TRANSPARENT_COLOR;
};

DecoderPtr Open(MemoryReader& reader)
{
    int error = 0;
    return DecoderPtr(DGifOpen(&reader, ReadFromMemory, &error));
}

/// Reads the records up to the first image descriptor. The canvas is the logical screen,
/// widened where the first frame reaches beyond it (some writers leave the screen at 0 x 0).
std::optional<FirstFrame> ReadToFirstFrame(GifFileType* gif)
{
    FirstFrame frame;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return std::nullopt;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                return std::nullopt;
            GraphicsControlBlock control;
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4
                && DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                frame.transparent = control.TransparentColor;
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    return std::nullopt;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) == GIF_ERROR)
            return std::nullopt;
        const GifImageDesc& desc = gif->Image;
        if (desc.Left < 0 || desc.Top < 0 || desc.Width <= 0 || desc.Height <= 0)
            return std::nullopt;
        const uint64_t width = std::max<uint64_t>(
            uint64_t(gif->SWidth > 0 ? gif->SWidth : 0), uint64_t(desc.Left) + uint64_t(desc.Width));
        const uint64_t height = std::max<uint64_t>(
            uint64_t(gif->SHeight > 0 ? gif->SHeight : 0), uint64_t(desc.Top) + uint64_t(desc.Height));
        if (!IsAcceptedSize(width, height))
            return std::nullopt;
        frame.canvas = { int32_t(width), int32_t(height) };
        frame.left = desc.Left;
        frame.top = desc.Top;
        frame.width = desc.Width;
        frame.height = desc.Height;
        frame.interlaced = desc.Interlace;
        frame.colors = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!frame.colors || frame.colors->ColorCount <= 0 || !frame.colors->Colors)
            return std::nullopt;
        return frame;
    }
}

void WriteRow(const FirstFrame& frame, const GifPixelType* line, uint32_t* canvasRow)
{
    const GifColorType* colors = frame.colors->Colors;
    const int count = frame.colors->ColorCount;
    for (int32_t x = 0; x < frame.width; ++x) {
        const int index = line[x];
        uint32_t pixel = 0xFF000000u; // an index beyond the colour table shows black
        if (index == frame.transparent)
            pixel = 0;
        else if (index < count)
            pixel |= (uint32_t(colors[index].Red) << 16) | (uint32_t(colors[index].Green) << 8)
                | colors[index].Blue;
        canvasRow[frame.left + x] = pixel;
    }
}

// ---- Encoding ------------------------------------------------------------------------------

int WriteToVector(GifFileType* gif, const GifByteType* bytes, int count)
{
    if (count <= 0)
        return 0;
    try {
        auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
        out->insert(out->end(), bytes, bytes + count);
        return count;
    } catch (...) {
        return 0; // giflib treats a short write as a failure
    }
}

struct EncoderClose {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

struct MapFree {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// giflib's quantiser sorts through a file-scope variable, so two calls must not overlap.
std::mutex& QuantizerMutex()
{
    static std::mutex mutex;
    return mutex;
}

constexpr uint32_t kOpaqueThreshold = 128;
constexpr int32_t kMaxGifSide = 65535;

} // namespace

std::optional<ImageSize> GifReadSize(Bytes data)
{
    MemoryReader reader { data };
    DecoderPtr gif = Open(reader);
    if (!gif)
        return std::nullopt;
    const std::optional<FirstFrame> frame = ReadToFirstFrame(gif.get());
    if (!frame)
        return std::nullopt;
    return frame->canvas;
}

bool GifDecode(Bytes data, const PixelTarget& target)
{
    MemoryReader reader { data };
    DecoderPtr gif = Open(reader);
    if (!gif)
        return false;
    const std::optional<FirstFrame> frame = ReadToFirstFrame(gif.get());
    if (!frame)
        return false;
    std::vector<GifPixelType> line(size_t(frame->width));
    uint32_t* pixels = RequestPixels(target, frame->canvas);
    if (!pixels)
        return false;
    if (frame->width != frame->canvas.width || frame->height != frame->canvas.height)
        std::fill(pixels, pixels + PixelCount(frame->canvas), 0u);

    // Interlaced frames arrive as every 8th row from 0, every 8th from 4, every 4th from 2,
    // then every 2nd from 1.
    constexpr int32_t kStart[4] = { 0, 4, 2, 1 };
    constexpr int32_t kStep[4] = { 8, 8, 4, 2 };
    const int passes = frame->interlaced ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int32_t start = frame->interlaced ? kStart[pass] : 0;
        const int32_t step = frame->interlaced ? kStep[pass] : 1;
        for (int32_t y = start; y < frame->height; y += step) {
            if (DGifGetLine(gif.get(), line.data(), frame->width) == GIF_ERROR)
                return false;
            WriteRow(*frame, line.data(), pixels + size_t(frame->top + y) * size_t(frame->canvas.width));
        }
    }
    return true;
}

EncodedBytes GifEncode(ImageView view)
{
    if (!IsEncodable(view) || view.width > kMaxGifSide || view.height > kMaxGifSide)
        return std::nullopt;
    const size_t count = size_t(view.width) * size_t(view.height);

    // The quantiser sees only the pixels that stay visible, so the transparent ones cost no
    // palette entries; index 255 is kept for them.
    std::vector<GifByteType> red, green, blue;
    red.reserve(count);
    green.reserve(count);
    blue.reserve(count);
    std::vector<uint32_t> straight(count);
    UnpremultiplyPixels(view.pixels, straight.data(), count);
    for (uint32_t p : straight) {
        if ((p >> 24) >= kOpaqueThreshold) {
            red.push_back(GifByteType(p >> 16));
            green.push_back(GifByteType(p >> 8));
            blue.push_back(GifByteType(p));
        }
    }
    const size_t visible = red.size();
    const bool hasTransparent = visible < count;
    std::array<GifColorType, 256> palette {};
    int paletteSize = 2;
    int transparentIndex = NO_TRANSPARENT_COLOR;
    std::vector<GifByteType> visibleIndexes(visible);
    if (visible > 0) {
        int colors = hasTransparent ? 255 : 256;
        const std::lock_guard<std::mutex> lock(QuantizerMutex());
        if (visible > UINT32_MAX
            || GifQuantizeBuffer(unsigned(visible), 1, &colors, red.data(), green.data(), blue.data(),
                   visibleIndexes.data(), palette.data())
                == GIF_ERROR)
            return std::nullopt;
        paletteSize = 256;
        if (hasTransparent)
            transparentIndex = 255;
    } else {
        transparentIndex = 0;
    }
    red = {};
    green = {};
    blue = {};

    std::vector<GifByteType> indexes(count);
    for (size_t i = 0, k = 0; i < count; ++i)
        indexes[i]
            = (straight[i] >> 24) >= kOpaqueThreshold ? visibleIndexes[k++] : GifByteType(transparentIndex);

    std::unique_ptr<ColorMapObject, MapFree> map(GifMakeMapObject(paletteSize, palette.data()));
    if (!map)
        return std::nullopt;
    std::vector<uint8_t> out;
    int error = 0;
    std::unique_ptr<GifFileType, EncoderClose> gif(EGifOpen(&out, WriteToVector, &error));
    if (!gif)
        return std::nullopt;
    EGifSetGifVersion(gif.get(), transparentIndex != NO_TRANSPARENT_COLOR);
    if (EGifPutScreenDesc(gif.get(), view.width, view.height, 8, 0, map.get()) == GIF_ERROR)
        return std::nullopt;
    if (transparentIndex != NO_TRANSPARENT_COLOR) {
        GraphicsControlBlock control { DISPOSAL_UNSPECIFIED, false, 0, transparentIndex };
        GifByteType block[4];
        const size_t length = EGifGCBToExtension(&control, block);
        if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, int(length), block) == GIF_ERROR)
            return std::nullopt;
    }
    if (EGifPutImageDesc(gif.get(), 0, 0, view.width, view.height, false, nullptr) == GIF_ERROR)
        return std::nullopt;
    for (int32_t y = 0; y < view.height; ++y) {
        if (EGifPutLine(gif.get(), indexes.data() + size_t(y) * size_t(view.width), view.width) == GIF_ERROR)
            return std::nullopt;
    }
    if (EGifCloseFile(gif.release(), &error) == GIF_ERROR)
        return std::nullopt;
    return out;
}

} // namespace platform::raster::detail
