// BMP files and device-independent bitmaps: core (12-byte), info (40-byte) and the longer
// info headers up to version 5; 1, 4 and 8 bits through a palette, 16 and 32 bits through
// channel masks, 24 bits as B, G, R; uncompressed or run-length encoded (4 and 8 bits); rows
// bottom-up or top-down. The same reader serves the bitmaps inside icons.

#include "platform/raster/codecs/CodecDetail.h"
#include "platform/raster/codecs/Premultiply.h"

#include <algorithm>
#include <array>
#include <bit>

namespace platform::raster::detail {
namespace {

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV3HeaderSize = 56; // the first with an alpha mask
constexpr uint32_t kV4HeaderSize = 108;

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m = 0)
        : mask(m)
    {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = std::bit_width(m >> shift);
        }
    }

    /// The channel's value scaled to 8 bits; `absent` when the mask is empty.
    uint32_t Read(uint32_t pixel, uint32_t absent) const
    {
        if (bits == 0)
            return absent;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return v >> (bits - 8);
        const uint32_t max = (1u << bits) - 1;
        return (v * 255 + max / 2) / max;
    }
};

struct DibHeader {
    uint32_t headerSize = 0;
    ImageSize size;
    bool topDown = false;
    uint32_t bitCount = 0;
    uint32_t compression = kRgb;
    Channel red, green, blue, alpha;
    uint64_t paletteOffset = 0;
    uint32_t paletteEntrySize = 4;
    uint64_t paletteCount = 0; // entries as declared (may exceed what the data holds)
    uint64_t defaultPixelOffset = 0;
};

bool IsSupported(uint32_t bitCount, uint32_t compression)
{
    switch (compression) {
    case kRgb:
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24
            || bitCount == 32;
    case kRle8:
        return bitCount == 8;
    case kRle4:
        return bitCount == 4;
    case kBitFields:
    case kAlphaBitFields:
        return bitCount == 16 || bitCount == 32;
    default:
        return false;
    }
}

std::optional<DibHeader> ParseHeader(Bytes dib, DibKind kind)
{
    if (dib.size() < 4)
        return std::nullopt;
    DibHeader h;
    h.headerSize = Le32(dib, 0);
    int64_t width = 0, height = 0;
    uint64_t colorsUsed = 0;
    if (h.headerSize == kCoreHeaderSize) {
        if (dib.size() < kCoreHeaderSize)
            return std::nullopt;
        width = Le16(dib, 4);
        height = Le16(dib, 6);
        h.bitCount = Le16(dib, 10);
        h.paletteEntrySize = 3;
    } else if (h.headerSize >= kInfoHeaderSize && h.headerSize <= dib.size()) {
        width = int32_t(Le32(dib, 4));
        height = int32_t(Le32(dib, 8));
        h.bitCount = Le16(dib, 14);
        h.compression = Le32(dib, 16);
        colorsUsed = Le32(dib, 32);
    } else {
        return std::nullopt;
    }
    if (!IsSupported(h.bitCount, h.compression))
        return std::nullopt;

    if (kind == DibKind::Icon)
        height /= 2; // the colour rows and the AND mask share the height
    h.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (!IsAcceptedSize(uint64_t(std::max<int64_t>(width, 0)), uint64_t(height)))
        return std::nullopt;
    h.size = { int32_t(width), int32_t(height) };

    // Masks: inside headers of 52 bytes and more, else after a 40-byte header.
    uint64_t masksEnd = h.headerSize;
    std::array<uint32_t, 4> masks {};
    const bool bitFields = h.compression == kBitFields || h.compression == kAlphaBitFields;
    if (bitFields) {
        const uint32_t count = h.compression == kAlphaBitFields ? 4 : 3;
        uint64_t at = kInfoHeaderSize;
        if (h.headerSize == kInfoHeaderSize)
            masksEnd = kInfoHeaderSize + uint64_t { 4 } * count;
        if (!InRange(at, uint64_t { 4 } * count, dib.size()))
            return std::nullopt;
        for (uint32_t i = 0; i < count; ++i)
            masks[i] = Le32(dib, size_t(at + uint64_t { 4 } * i));
        if (count == 3 && h.headerSize >= kV3HeaderSize)
            masks[3] = Le32(dib, 52);
    } else if (h.bitCount == 16) {
        masks = { 0x7C00, 0x03E0, 0x001F, 0 };
    } else if (h.bitCount == 32) {
        masks = { 0xFF0000, 0xFF00, 0xFF, 0 };
        if (kind == DibKind::Icon)
            masks[3] = 0xFF000000u;
        else if (h.headerSize >= kV4HeaderSize)
            masks[3] = Le32(dib, 52); // a version 4 or 5 header declaring alpha
    }
    h.red = Channel(masks[0]);
    h.green = Channel(masks[1]);
    h.blue = Channel(masks[2]);
    h.alpha = Channel(masks[3]);

    h.paletteOffset = masksEnd;
    if (h.bitCount <= 8)
        h.paletteCount = colorsUsed != 0 ? colorsUsed : (uint64_t(1) << h.bitCount);
    else
        h.paletteCount = colorsUsed; // an optional palette that the pixels do not use
    h.defaultPixelOffset = h.paletteOffset + h.paletteCount * h.paletteEntrySize;
    return h;
}

std::array<uint32_t, 256> ReadPalette(Bytes dib, const DibHeader& h)
{
    std::array<uint32_t, 256> palette;
    palette.fill(0xFF000000u); // indexes beyond the palette show black
    if (h.bitCount > 8)
        return palette;
    const uint64_t available
        = h.paletteOffset <= dib.size() ? (dib.size() - h.paletteOffset) / h.paletteEntrySize : 0;
    const uint64_t count = std::min<uint64_t>({ h.paletteCount, available, 256 });
    for (uint64_t i = 0; i < count; ++i) {
        const size_t at = size_t(h.paletteOffset + i * h.paletteEntrySize);
        palette[i] = 0xFF000000u | (uint32_t(dib[at + 2]) << 16) | (uint32_t(dib[at + 1]) << 8) | dib[at];
    }
    return palette;
}

uint64_t RowStride(uint64_t width, uint32_t bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}

/// One uncompressed row as straight ARGB.
void ReadRow(const DibHeader& h, const std::array<uint32_t, 256>& palette, const uint8_t* row, uint32_t* out)
{
    const int32_t width = h.size.width;
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8: {
        const uint32_t perByte = 8 / h.bitCount;
        const uint32_t valueMask = (1u << h.bitCount) - 1;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t byte = row[uint32_t(x) / perByte];
            const uint32_t shift = 8 - h.bitCount * (uint32_t(x) % perByte + 1);
            out[x] = palette[(byte >> shift) & valueMask];
        }
        break;
    }
    case 24:
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + 3 * size_t(x);
            out[x] = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        }
        break;
    case 16:
    case 32:
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = h.bitCount == 16 ? uint32_t(row[2 * size_t(x)] | (row[2 * size_t(x) + 1] << 8))
                                                : Le32(Bytes(row + 4 * size_t(x), 4), 0);
            out[x] = (h.alpha.Read(v, 255) << 24) | (h.red.Read(v, 0) << 16) | (h.green.Read(v, 0) << 8)
                | h.blue.Read(v, 0);
        }
        break;
    default:
        break;
    }
}

/// Run-length data into straight ARGB; pixels the runs skip stay transparent. True when the
/// data reaches its end marker or covers every row.
bool DecodeRle(const DibHeader& h, const std::array<uint32_t, 256>& palette, Bytes data, uint32_t* pixels)
{
    const uint64_t width = uint64_t(h.size.width);
    const uint64_t height = uint64_t(h.size.height);
    const bool four = h.compression == kRle4;
    std::fill(pixels, pixels + width * height, 0u);
    uint64_t x = 0, y = 0; // y counts rows in file order
    auto put = [&](uint32_t index) {
        if (x < width && y < height)
            pixels[(h.topDown ? y : height - 1 - y) * width + x] = palette[index & 0xFF];
        ++x;
    };
    size_t at = 0;
    while (y < height) {
        if (!InRange(at, 2, data.size()))
            return false;
        const uint32_t count = data[at];
        const uint32_t value = data[at + 1];
        at += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count; ++i)
                put(four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (!InRange(at, 2, data.size()))
                return false;
            x += data[at];
            y += data[at + 1];
            at += 2;
        } else {
            // A literal run of `value` pixels, padded to a 16-bit boundary.
            uint64_t bytes = four ? (uint64_t(value) + 1) / 2 : value;
            bytes += bytes & 1;
            if (!InRange(at, bytes, data.size()))
                return false;
            for (uint32_t i = 0; i < value; ++i)
                put(four ? (i % 2 == 0 ? data[at + i / 2] >> 4 : data[at + i / 2] & 0x0F) : data[at + i]);
            at += size_t(bytes);
        }
    }
    return true;
}

/// An icon's 1-bit AND mask (1 = transparent); ignored when the data lacks it. A 32-bit icon
/// whose alpha is 0 everywhere predates alpha icons and relies on the mask alone.
void ApplyIconMask(const DibHeader& h, Bytes data, uint64_t maskOffset, uint32_t* pixels)
{
    const uint64_t width = uint64_t(h.size.width);
    const uint64_t height = uint64_t(h.size.height);
    const uint64_t count = width * height;
    if (h.bitCount == 32 && std::any_of(pixels, pixels + count, [](uint32_t p) { return (p >> 24) != 0; }))
        return;
    const bool setAlpha = h.bitCount == 32;
    const uint64_t stride = RowStride(width, 1);
    if (!InRange(maskOffset, stride * height, data.size())) {
        if (setAlpha) // no mask: the colours are all there is
            std::for_each(pixels, pixels + count, [](uint32_t& p) { p |= 0xFF000000u; });
        return;
    }
    for (uint64_t row = 0; row < height; ++row) {
        const uint8_t* bits = data.data() + maskOffset + row * stride;
        uint32_t* out = pixels + (h.topDown ? row : height - 1 - row) * width;
        for (uint64_t x = 0; x < width; ++x) {
            const bool transparent = (bits[x / 8] >> (7 - x % 8)) & 1;
            if (transparent)
                out[x] = 0;
            else if (setAlpha)
                out[x] |= 0xFF000000u;
        }
    }
}

void PutLe16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v)
{
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

} // namespace

std::optional<DibSummary> DibReadSummary(Bytes dib, DibKind kind)
{
    const std::optional<DibHeader> h = ParseHeader(dib, kind);
    if (!h)
        return std::nullopt;
    return DibSummary { h->size, int32_t(h->bitCount) };
}

bool DibDecode(Bytes dib, size_t pixelOffset, DibKind kind, const PixelTarget& target)
{
    const std::optional<DibHeader> parsed = ParseHeader(dib, kind);
    if (!parsed)
        return false;
    const DibHeader& h = *parsed;
    const uint64_t offset = pixelOffset != 0 ? pixelOffset : h.defaultPixelOffset;
    if (offset > dib.size())
        return false;
    const Bytes data = dib.subspan(size_t(offset));
    const uint64_t width = uint64_t(h.size.width);
    const uint64_t height = uint64_t(h.size.height);
    const std::array<uint32_t, 256> palette = ReadPalette(dib, h);

    if (h.compression == kRle4 || h.compression == kRle8) {
        if (data.size() < 2)
            return false;
        uint32_t* pixels = RequestPixels(target, h.size);
        return pixels && DecodeRle(h, palette, data, pixels);
    }

    // The last row may lack its padding; anything shorter is a truncated file.
    const uint64_t stride = RowStride(width, h.bitCount);
    const uint64_t rowBytes = (width * h.bitCount + 7) / 8;
    if (!InRange(0, stride * (height - 1) + rowBytes, data.size()))
        return false;
    uint32_t* pixels = RequestPixels(target, h.size);
    if (!pixels)
        return false;
    for (uint64_t row = 0; row < height; ++row) {
        const uint64_t y = h.topDown ? row : height - 1 - row;
        ReadRow(h, palette, data.data() + row * stride, pixels + y * width);
    }
    if (kind == DibKind::Icon)
        ApplyIconMask(h, data, stride * height, pixels);
    PremultiplyPixels(pixels, size_t(width * height));
    return true;
}

std::optional<ImageSize> BmpReadSize(Bytes data)
{
    if (data.size() < kFileHeaderSize || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    const std::optional<DibSummary> summary = DibReadSummary(data.subspan(kFileHeaderSize), DibKind::File);
    if (!summary)
        return std::nullopt;
    return summary->size;
}

bool BmpDecode(Bytes data, const PixelTarget& target)
{
    if (data.size() < kFileHeaderSize || data[0] != 'B' || data[1] != 'M')
        return false;
    const Bytes dib = data.subspan(kFileHeaderSize);
    // An offset that points into the headers is a writer's mistake; the pixels then follow
    // the palette.
    const uint64_t fileOffset = Le32(data, 10);
    if (fileOffset > data.size())
        return false;
    const uint64_t headerEnd = kFileHeaderSize + (dib.size() >= 4 ? Le32(dib, 0) : 0);
    const size_t pixelOffset = fileOffset >= headerEnd ? size_t(fileOffset - kFileHeaderSize) : 0;
    return DibDecode(dib, pixelOffset, DibKind::File, target);
}

EncodedBytes BmpEncode(ImageView view)
{
    if (!IsEncodable(view))
        return std::nullopt;
    const uint64_t width = uint64_t(view.width);
    const uint64_t height = uint64_t(view.height);
    const uint64_t stride = RowStride(width, 24);
    const uint64_t headers = kFileHeaderSize + kInfoHeaderSize;
    const uint64_t total = headers + stride * height;
    if (total > UINT32_MAX)
        return std::nullopt;
    constexpr uint32_t kPixelsPerMetre = 3780; // 96 dots per inch

    std::vector<uint8_t> out;
    out.reserve(size_t(total));
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, uint32_t(total));
    PutLe32(out, 0);
    PutLe32(out, uint32_t(headers));
    PutLe32(out, kInfoHeaderSize);
    PutLe32(out, uint32_t(width));
    PutLe32(out, uint32_t(height)); // positive: rows bottom-up
    PutLe16(out, 1);
    PutLe16(out, 24);
    PutLe32(out, kRgb);
    PutLe32(out, uint32_t(stride * height));
    PutLe32(out, kPixelsPerMetre);
    PutLe32(out, kPixelsPerMetre);
    PutLe32(out, 0);
    PutLe32(out, 0);

    std::vector<uint32_t> straight(static_cast<size_t>(width));
    for (uint64_t row = 0; row < height; ++row) {
        UnpremultiplyPixels(view.pixels + (height - 1 - row) * width, straight.data(), straight.size());
        for (uint32_t p : straight) {
            out.push_back(uint8_t(p));
            out.push_back(uint8_t(p >> 8));
            out.push_back(uint8_t(p >> 16));
        }
        out.resize(out.size() + size_t(stride - width * 3), 0);
    }
    return out;
}

} // namespace platform::raster::detail
