// TIFF through libtiff with client procedures over memory. Errors and warnings go to handlers
// registered per handle (the global handlers are process-wide and would mix threads up).

#include "platform/raster/codecs/CodecDetail.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

namespace platform::raster::detail {
namespace {

struct MemoryFile {
    // Reading: `source` is the file; writing: `sink` grows as libtiff writes and seeks.
    Bytes source;
    std::vector<uint8_t>* sink = nullptr;
    uint64_t position = 0;
    bool failed = false; // an error was reported for this handle
};

uint64_t FileSize(const MemoryFile& file)
{
    return file.sink ? file.sink->size() : file.source.size();
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t count)
{
    auto* file = static_cast<MemoryFile*>(handle);
    const uint64_t size = FileSize(*file);
    if (count <= 0 || file->position >= size)
        return 0;
    const uint64_t n = std::min<uint64_t>(uint64_t(count), size - file->position);
    const uint8_t* from = file->sink ? file->sink->data() : file->source.data();
    std::memcpy(buffer, from + file->position, size_t(n));
    file->position += n;
    return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t count)
{
    auto* file = static_cast<MemoryFile*>(handle);
    if (!file->sink || count < 0)
        return -1;
    const uint64_t end = file->position + uint64_t(count);
    try {
        if (end > file->sink->size())
            file->sink->resize(size_t(end));
    } catch (...) {
        return -1;
    }
    if (count > 0)
        std::memcpy(file->sink->data() + file->position, buffer, size_t(count));
    file->position = end;
    return count;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* file = static_cast<MemoryFile*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = file->position;
    else if (whence == SEEK_END)
        base = FileSize(*file);
    else if (whence != SEEK_SET)
        return toff_t(-1);
    // Offsets are unsigned; a negative relative seek arrives wrapped around.
    const uint64_t target = base + offset;
    if (target > (uint64_t(1) << 40))
        return toff_t(-1);
    file->position = target;
    return target;
}

int CloseProc(thandle_t)
{
    return 0;
}
toff_t SizeProc(thandle_t handle)
{
    return FileSize(*static_cast<MemoryFile*>(handle));
}
int MapProc(thandle_t, void**, toff_t*)
{
    return 0;
}
void UnmapProc(thandle_t, void*, toff_t) { }

int ErrorHandler(TIFF*, void* user, const char*, const char*, va_list)
{
    static_cast<MemoryFile*>(user)->failed = true;
    return 1; // handled: nothing reaches stderr or the global handler
}

int WarningHandler(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TiffClose {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffClose>;

TiffPtr Open(MemoryFile& file, const char* mode)
{
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), ErrorHandler, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), WarningHandler, &file);
    // A strip or tile larger than the largest picture we accept is a damaged file.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(kMaxImagePixels * 4));
    return TiffPtr(TIFFClientOpenExt("image", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
        MapProc, UnmapProc, options.get()));
}

std::optional<ImageSize> DecodableSize(TIFF* tif)
{
    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
        return std::nullopt;
    if (!IsAcceptedSize(width, height))
        return std::nullopt;
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message))
        return std::nullopt;
    return ImageSize { int32_t(width), int32_t(height) };
}

struct RgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

} // namespace

std::optional<ImageSize> TiffReadSize(Bytes data)
{
    MemoryFile file { data };
    TiffPtr tif = Open(file, "rm");
    if (!tif)
        return std::nullopt;
    return DecodableSize(tif.get());
}

bool TiffDecode(Bytes data, const PixelTarget& target)
{
    MemoryFile file { data };
    TiffPtr tif = Open(file, "rm");
    if (!tif)
        return false;
    const std::optional<ImageSize> size = DecodableSize(tif.get());
    if (!size)
        return false;
    TIFFRGBAImage image;
    std::memset(&image, 0, sizeof image);
    char message[1024];
    if (!TIFFRGBAImageBegin(&image, tif.get(), 1, message))
        return false;
    std::unique_ptr<TIFFRGBAImage, RgbaImageEnd> end(&image);
    image.req_orientation = ORIENTATION_TOPLEFT;
    // libtiff premultiplies unassociated alpha with rounding; the rest of the system
    // truncates, so its table is rewritten to agree.
    if (image.UaToAa) {
        for (uint32_t alpha = 0; alpha < 256; ++alpha) {
            for (uint32_t value = 0; value < 256; ++value)
                image.UaToAa[alpha * 256 + value] = uint8_t(value * alpha / 255);
        }
    }
    uint32_t* pixels = RequestPixels(target, *size);
    if (!pixels)
        return false;
    if (!TIFFRGBAImageGet(&image, pixels, uint32_t(size->width), uint32_t(size->height)))
        return false;
    // libtiff packs A, B, G, R from the high byte down; ours is A, R, G, B. A file that says
    // its alpha is associated may still carry colour above alpha, which is no premultiplied
    // pixel: such channels are held at alpha.
    const size_t count = PixelCount(*size);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = pixels[i];
        const uint32_t a = p >> 24;
        const uint32_t r = std::min(p & 0xFFu, a);
        const uint32_t g = std::min((p >> 8) & 0xFFu, a);
        const uint32_t b = std::min((p >> 16) & 0xFFu, a);
        pixels[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    return true;
}

EncodedBytes TiffEncode(ImageView view)
{
    if (!IsEncodable(view))
        return std::nullopt;
    std::vector<uint8_t> out;
    MemoryFile file;
    file.sink = &out;
    {
        TiffPtr tif = Open(file, "w");
        if (!tif)
            return std::nullopt;
        TIFF* t = tif.get();
        const uint16_t extra[1] = { EXTRASAMPLE_ASSOCALPHA }; // premultiplied, as the pixels are
        if (!TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(view.width))
            || !TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(view.height))
            || !TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8) || !TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4)
            || !TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra)
            || !TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB)
            || !TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
            || !TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT)
            || !TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW)
            || !TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL)
            || !TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0)))
            return std::nullopt;
        std::vector<uint32_t> row(size_t(view.width));
        for (int32_t y = 0; y < view.height; ++y) {
            const uint32_t* from = view.pixels + size_t(y) * size_t(view.width);
            // R, G, B, A bytes: the word with red and blue swapped.
            for (size_t x = 0; x < row.size(); ++x) {
                const uint32_t p = from[x];
                row[x] = (p & 0xFF00FF00u) | ((p & 0xFFu) << 16) | ((p >> 16) & 0xFFu);
            }
            if (TIFFWriteScanline(t, row.data(), uint32_t(y), 0) < 0)
                return std::nullopt;
        }
        if (!TIFFFlush(t))
            return std::nullopt;
    }
    if (file.failed)
        return std::nullopt;
    return out;
}

} // namespace platform::raster::detail
