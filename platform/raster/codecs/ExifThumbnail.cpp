// The thumbnail a camera stores in a JPEG's Exif block: APP1 "Exif\0\0", then a TIFF
// structure whose second directory (IFD1) points at a small JPEG picture.

#include "platform/raster/codecs/CodecDetail.h"

#include <cstring>

namespace platform::raster {
namespace {

using detail::Bytes;
using detail::InRange;

constexpr uint16_t kTagCompression = 0x0103;
constexpr uint16_t kTagThumbnailOffset = 0x0201;
constexpr uint16_t kTagThumbnailLength = 0x0202;
constexpr uint32_t kJpegCompression = 6;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr size_t kIfdEntrySize = 12;

class TiffReader {
public:
    TiffReader(Bytes tiff, bool littleEndian)
        : m_tiff(tiff)
        , m_little(littleEndian)
    { }
    uint16_t U16(size_t at) const { return m_little ? detail::Le16(m_tiff, at) : detail::Be16(m_tiff, at); }
    uint32_t U32(size_t at) const { return m_little ? detail::Le32(m_tiff, at) : detail::Be32(m_tiff, at); }

    /// A SHORT or LONG entry with one value; nothing for other types.
    std::optional<uint32_t> Value(size_t entry) const
    {
        const uint16_t type = U16(entry + 2);
        if (U32(entry + 4) != 1)
            return std::nullopt;
        if (type == kTypeLong)
            return U32(entry + 8);
        if (type == kTypeShort)
            return U16(entry + 8);
        return std::nullopt;
    }

private:
    Bytes m_tiff;
    bool m_little;
};

std::optional<Bytes> ThumbnailInTiff(Bytes tiff)
{
    if (tiff.size() < 8)
        return std::nullopt;
    bool little = false;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (!(tiff[0] == 'M' && tiff[1] == 'M'))
        return std::nullopt;
    const TiffReader r(tiff, little);
    if (r.U16(2) != 42)
        return std::nullopt;

    // IFD0 only leads to IFD1: entry count, entries, offset of the next directory.
    const uint64_t ifd0 = r.U32(4);
    if (!InRange(ifd0, 2, tiff.size()))
        return std::nullopt;
    const uint64_t count0 = r.U16(size_t(ifd0));
    if (!InRange(ifd0 + 2, count0 * kIfdEntrySize + 4, tiff.size()))
        return std::nullopt;
    const uint64_t ifd1 = r.U32(size_t(ifd0 + 2 + count0 * kIfdEntrySize));
    if (ifd1 == 0 || !InRange(ifd1, 2, tiff.size()))
        return std::nullopt;
    const uint64_t count1 = r.U16(size_t(ifd1));
    if (!InRange(ifd1 + 2, count1 * kIfdEntrySize, tiff.size()))
        return std::nullopt;

    std::optional<uint32_t> offset, length, compression;
    for (uint64_t i = 0; i < count1; ++i) {
        const size_t entry = size_t(ifd1 + 2 + i * kIfdEntrySize);
        switch (r.U16(entry)) {
        case kTagThumbnailOffset:
            offset = r.Value(entry);
            break;
        case kTagThumbnailLength:
            length = r.Value(entry);
            break;
        case kTagCompression:
            compression = r.Value(entry);
            break;
        default:
            break;
        }
    }
    if (!offset || !length || (compression && *compression != kJpegCompression))
        return std::nullopt;
    if (*length < 4 || !InRange(*offset, *length, tiff.size()))
        return std::nullopt;
    const Bytes thumbnail = tiff.subspan(*offset, *length);
    if (thumbnail[0] != 0xFF || thumbnail[1] != 0xD8)
        return std::nullopt;
    return thumbnail;
}

} // namespace

std::optional<std::span<const uint8_t>> FindExifThumbnail(std::span<const uint8_t> jpeg)
{
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        return std::nullopt;
    // Walk the marker segments before the first scan.
    size_t at = 2;
    while (InRange(at, 4, jpeg.size())) {
        if (jpeg[at] != 0xFF)
            return std::nullopt;
        const uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // no length field
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return std::nullopt;
        const size_t length = detail::Be16(jpeg, at + 2);
        if (length < 2 || !InRange(at + 2, length, jpeg.size()))
            return std::nullopt;
        const Bytes segment = jpeg.subspan(at + 4, length - 2);
        if (marker == 0xE1 && segment.size() >= 6 && std::memcmp(segment.data(), "Exif\0\0", 6) == 0)
            return ThumbnailInTiff(segment.subspan(6));
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace platform::raster
