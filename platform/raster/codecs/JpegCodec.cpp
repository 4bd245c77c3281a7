// JPEG through libjpeg-turbo over bytes in memory. libjpeg reports errors by longjmp, so each
// step that can fail runs in a small function of its own whose frame holds nothing with a
// destructor; the objects that need releasing live in the caller, behind RAII guards.

#include "platform/raster/codecs/CodecDetail.h"
#include "platform/raster/codecs/Premultiply.h"

#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <memory>

namespace platform::raster::detail {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf* jump; // the frame of the step that is running
};

[[noreturn]] void ErrorExit(j_common_ptr info)
{
    std::longjmp(*reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void OutputMessage(j_common_ptr) { }

void InstallErrorManager(ErrorManager& error)
{
    jpeg_std_error(&error.pub);
    error.pub.error_exit = ErrorExit;
    error.pub.output_message = OutputMessage;
}

// ---- Decoding ------------------------------------------------------------------------------

constexpr JOCTET kEndOfImage[2] = { 0xFF, JPEG_EOI };

struct SourceManager {
    jpeg_source_mgr pub;
    bool ranDry; // the data ended early and an end marker was supplied in its place
};

void InitSource(j_decompress_ptr) { }
void TermSource(j_decompress_ptr) { }

boolean FillInputBuffer(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<SourceManager*>(info->src);
    source->ranDry = true;
    source->pub.next_input_byte = kEndOfImage;
    source->pub.bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count)
{
    if (count <= 0)
        return;
    auto* source = reinterpret_cast<SourceManager*>(info->src);
    if (size_t(count) > source->pub.bytes_in_buffer) {
        FillInputBuffer(info);
        return;
    }
    source->pub.next_input_byte += count;
    source->pub.bytes_in_buffer -= size_t(count);
}

// A progressive picture passes its whole coefficient store once per scan, and a small file
// can hold thousands of scans: past this many the file is refused. Real encoders write about
// ten.
constexpr int kMaxScans = 256;
// What libjpeg may allocate besides our pixels: the coefficients of a progressive picture of
// the largest accepted size in 4:4:4 (three 16-bit planes), with room to spare.
constexpr long kMaxDecoderMemory = long(kMaxImagePixels * 8);

void MonitorProgress(j_common_ptr info)
{
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        info->err->msg_code = JERR_NOTIMPL;
        info->err->error_exit(info);
    }
}

struct Decompressor {
    jpeg_decompress_struct info;
    ErrorManager error;
    SourceManager source;
    jpeg_progress_mgr progress;
};

struct DecompressorDelete {
    void operator()(Decompressor* d) const
    {
        jpeg_destroy_decompress(&d->info); // safe on a zeroed or half-made object
        delete d;
    }
};
using DecompressorPtr = std::unique_ptr<Decompressor, DecompressorDelete>;

bool ReadHeader(Decompressor* d, Bytes data)
{
    std::jmp_buf jump;
    d->error.jump = &jump;
    if (setjmp(jump))
        return false;
    d->info.err = &d->error.pub;
    InstallErrorManager(d->error);
    jpeg_create_decompress(&d->info);
    d->info.mem->max_memory_to_use = kMaxDecoderMemory;
    d->progress.progress_monitor = MonitorProgress;
    d->info.progress = &d->progress;
    d->source.pub.init_source = InitSource;
    d->source.pub.fill_input_buffer = FillInputBuffer;
    d->source.pub.skip_input_data = SkipInputData;
    d->source.pub.resync_to_restart = jpeg_resync_to_restart;
    d->source.pub.term_source = TermSource;
    d->source.pub.next_input_byte = data.data();
    d->source.pub.bytes_in_buffer = data.size();
    d->info.src = &d->source.pub;
    return jpeg_read_header(&d->info, TRUE) == JPEG_HEADER_OK;
}

bool IsCmyk(const Decompressor* d)
{
    return d->info.jpeg_color_space == JCS_CMYK || d->info.jpeg_color_space == JCS_YCCK;
}

/// Picks the output colour space and the smallest M/8 scale that still covers `minimum`.
bool ChooseScale(Decompressor* d, const ImageSize* minimum)
{
    std::jmp_buf jump;
    d->error.jump = &jump;
    if (setjmp(jump))
        return false;
    d->info.out_color_space = IsCmyk(d) ? JCS_CMYK : JCS_EXT_BGRA;
    d->info.scale_num = 1;
    d->info.scale_denom = 1;
    if (!minimum)
        return true;
    d->info.scale_denom = 8;
    for (unsigned m = 1; m <= 8; ++m) {
        d->info.scale_num = m;
        jpeg_calc_output_dimensions(&d->info);
        if (d->info.output_width >= JDIMENSION(std::max(minimum->width, 0))
            && d->info.output_height >= JDIMENSION(std::max(minimum->height, 0)))
            break;
    }
    return true;
}

bool Start(Decompressor* d)
{
    std::jmp_buf jump;
    d->error.jump = &jump;
    if (setjmp(jump))
        return false;
    return jpeg_start_decompress(&d->info) && !d->source.ranDry;
}

/// CMYK rows come out as C, M, Y, K bytes; Adobe's files store them inverted.
void CmykRowToArgb(uint32_t* row, size_t count, bool inverted)
{
    auto* bytes = reinterpret_cast<uint8_t*>(row);
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = bytes[4 * i], m = bytes[4 * i + 1], y = bytes[4 * i + 2], k = bytes[4 * i + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        row[i] = 0xFF000000u | ((c * k / 255) << 16) | ((m * k / 255) << 8) | (y * k / 255);
    }
}

bool ReadRows(Decompressor* d, uint32_t* pixels)
{
    std::jmp_buf jump;
    d->error.jump = &jump;
    if (setjmp(jump))
        return false;
    const size_t width = d->info.output_width;
    const bool cmyk = d->info.out_color_space == JCS_CMYK;
    while (d->info.output_scanline < d->info.output_height) {
        uint32_t* row = pixels + size_t(d->info.output_scanline) * width;
        JSAMPROW rows[1] = { reinterpret_cast<JSAMPROW>(row) };
        if (jpeg_read_scanlines(&d->info, rows, 1) != 1)
            return false;
        if (d->source.ranDry)
            return false; // the rest would be filler, not picture
        if (cmyk)
            CmykRowToArgb(row, width, d->info.saw_Adobe_marker);
    }
    return true;
}

DecompressorPtr OpenDecompressor(Bytes data)
{
    DecompressorPtr d(new Decompressor());
    if (!ReadHeader(d.get(), data))
        return nullptr;
    if (!IsAcceptedSize(d->info.image_width, d->info.image_height))
        return nullptr;
    return d;
}

// ---- Encoding ------------------------------------------------------------------------------

constexpr size_t kFirstOutputBlock = size_t { 64 } * 1024;

struct DestinationManager {
    jpeg_destination_mgr pub;
    std::vector<uint8_t>* out;
};

/// Makes the output `size` bytes long, keeping the first `used`; an allocation failure
/// becomes a libjpeg error (no exception may cross libjpeg's frames).
void GrowOutput(j_compress_ptr info, size_t used, size_t size)
{
    auto* dest = reinterpret_cast<DestinationManager*>(info->dest);
    bool grown = true;
    try {
        dest->out->resize(size);
    } catch (...) {
        grown = false;
    }
    if (!grown) {
        info->err->msg_code = JERR_OUT_OF_MEMORY;
        info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
    }
    dest->pub.next_output_byte = dest->out->data() + used;
    dest->pub.free_in_buffer = size - used;
}

void InitDestination(j_compress_ptr info)
{
    GrowOutput(info, 0, kFirstOutputBlock);
}

boolean EmptyOutputBuffer(j_compress_ptr info)
{
    // Called when the whole buffer is full.
    const size_t used = reinterpret_cast<DestinationManager*>(info->dest)->out->size();
    GrowOutput(info, used, used * 2);
    return TRUE;
}

void TermDestination(j_compress_ptr info)
{
    auto* dest = reinterpret_cast<DestinationManager*>(info->dest);
    dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

struct Compressor {
    jpeg_compress_struct info;
    ErrorManager error;
    DestinationManager destination;
};

struct CompressorDelete {
    void operator()(Compressor* c) const
    {
        jpeg_destroy_compress(&c->info);
        delete c;
    }
};

bool Compress(Compressor* c, ImageView view, int quality, uint32_t* row)
{
    std::jmp_buf jump;
    c->error.jump = &jump;
    if (setjmp(jump))
        return false;
    c->info.err = &c->error.pub;
    InstallErrorManager(c->error);
    jpeg_create_compress(&c->info);
    c->destination.pub.init_destination = InitDestination;
    c->destination.pub.empty_output_buffer = EmptyOutputBuffer;
    c->destination.pub.term_destination = TermDestination;
    c->info.dest = &c->destination.pub;
    c->info.image_width = JDIMENSION(view.width);
    c->info.image_height = JDIMENSION(view.height);
    c->info.input_components = 4;
    c->info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c->info);
    jpeg_set_quality(&c->info, quality, TRUE);
    jpeg_start_compress(&c->info, TRUE);
    const size_t width = size_t(view.width);
    while (c->info.next_scanline < c->info.image_height) {
        UnpremultiplyPixels(view.pixels + size_t(c->info.next_scanline) * width, row, width);
        JSAMPROW rows[1] = { reinterpret_cast<JSAMPROW>(row) };
        jpeg_write_scanlines(&c->info, rows, 1);
    }
    jpeg_finish_compress(&c->info);
    return true;
}

} // namespace

std::optional<ImageSize> JpegReadSize(Bytes data)
{
    DecompressorPtr d = OpenDecompressor(data);
    if (!d)
        return std::nullopt;
    return ImageSize { int32_t(d->info.image_width), int32_t(d->info.image_height) };
}

bool JpegDecode(Bytes data, std::optional<ImageSize> minimum, const PixelTarget& target)
{
    DecompressorPtr d = OpenDecompressor(data);
    if (!d || !ChooseScale(d.get(), minimum ? &*minimum : nullptr) || !Start(d.get()))
        return false;
    const ImageSize size { int32_t(d->info.output_width), int32_t(d->info.output_height) };
    if (!IsAcceptedSize(uint64_t(size.width), uint64_t(size.height)) || d->info.output_components != 4)
        return false;
    uint32_t* pixels = RequestPixels(target, size);
    return pixels && ReadRows(d.get(), pixels);
}

EncodedBytes JpegEncode(ImageView view, int32_t quality)
{
    if (!IsEncodable(view))
        return std::nullopt;
    std::vector<uint8_t> out;
    std::vector<uint32_t> row(size_t(view.width));
    std::unique_ptr<Compressor, CompressorDelete> c(new Compressor());
    c->destination.out = &out;
    if (!Compress(c.get(), view, std::clamp(quality, 0, 100), row.data()))
        return std::nullopt;
    return out;
}

} // namespace platform::raster::detail
