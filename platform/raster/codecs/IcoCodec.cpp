// ICO files: a directory of pictures of one icon, each a PNG file or a device-independent
// bitmap with an AND mask. The largest picture is shown, and of equal sizes the deepest. The
// sizes come from each picture's own header: the directory's one-byte sizes cannot say 256
// and are often wrong.

#include "platform/raster/codecs/CodecDetail.h"

#include <cstring>

namespace platform::raster::detail {
namespace {

constexpr size_t kDirectoryHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr uint8_t kPngSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };

struct Entry {
    Bytes bytes;
    bool png = false;
    ImageSize size;
    int32_t depth = 0;
};

bool IsPng(Bytes bytes)
{
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0;
}

std::optional<Entry> ReadEntry(Bytes data, size_t index)
{
    const size_t at = kDirectoryHeaderSize + index * kEntrySize;
    const uint64_t length = Le32(data, at + 8);
    const uint64_t offset = Le32(data, at + 12);
    if (offset >= data.size())
        return std::nullopt;
    // A picture that runs past the end is cut to what is there; its own decoder then decides.
    Entry entry;
    entry.bytes = data.subspan(size_t(offset), size_t(std::min<uint64_t>(length, data.size() - offset)));
    entry.png = IsPng(entry.bytes);
    if (entry.png) {
        const std::optional<PngHeader> header = PngReadHeader(entry.bytes);
        if (!header)
            return std::nullopt;
        entry.size = header->size;
        entry.depth = header->bitsPerPixel;
    } else {
        const std::optional<DibSummary> summary = DibReadSummary(entry.bytes, DibKind::Icon);
        if (!summary)
            return std::nullopt;
        entry.size = summary->size;
        entry.depth = summary->bitCount;
    }
    return entry;
}

std::optional<Entry> ChooseEntry(Bytes data)
{
    if (data.size() < kDirectoryHeaderSize || Le16(data, 0) != 0 || Le16(data, 2) != 1)
        return std::nullopt;
    const size_t declared = Le16(data, 4);
    const size_t count = std::min(declared, (data.size() - kDirectoryHeaderSize) / kEntrySize);
    std::optional<Entry> best;
    for (size_t i = 0; i < count; ++i) {
        std::optional<Entry> entry = ReadEntry(data, i);
        if (!entry)
            continue;
        const uint64_t area = PixelCount(entry->size);
        const uint64_t bestArea = best ? PixelCount(best->size) : 0;
        if (!best || area > bestArea || (area == bestArea && entry->depth > best->depth))
            best = entry;
    }
    return best;
}

} // namespace

std::optional<ImageSize> IcoReadSize(Bytes data)
{
    const std::optional<Entry> entry = ChooseEntry(data);
    if (!entry)
        return std::nullopt;
    return entry->size;
}

bool IcoDecode(Bytes data, const PixelTarget& target)
{
    const std::optional<Entry> entry = ChooseEntry(data);
    if (!entry)
        return false;
    return entry->png ? PngDecode(entry->bytes, target) : DibDecode(entry->bytes, 0, DibKind::Icon, target);
}

} // namespace platform::raster::detail
