// The stack blur: a triangular kernel kept as three running sums per channel (the weighted
// sum, the pixels entering on the right, the pixels leaving on the left), so each output
// pixel costs the same few additions whatever the radius. Both passes truncate their sums,
// and the vertical pass walks all columns together, row by row, so it reads memory in order.

#include "ui2d/StackBlur.h"

#include "graphics/TwzBitmap.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <vector>

namespace {

/// Per channel: blue, green, red, alpha.
template <class Sum> using Channels = std::array<Sum, 4>;

template <class Sum> inline void Add(Channels<Sum>& s, uint32_t p, Sum k)
{
    s[0] += Sum(p & 0xFF) * k;
    s[1] += Sum((p >> 8) & 0xFF) * k;
    s[2] += Sum((p >> 16) & 0xFF) * k;
    s[3] += Sum(p >> 24) * k;
}

/// Truncated division by the kernel's weight total, through a table for the small radii the
/// effects use.
struct TableDivider {
    explicit TableDivider(uint32_t d)
        : table(size_t(256) * d)
    {
        for (size_t i = 0; i < table.size(); ++i)
            table[i] = static_cast<uint8_t>(i / d);
    }
    [[nodiscard]] uint32_t operator()(uint32_t sum) const { return table[sum]; }
    std::vector<uint8_t> table;
};

template <class Sum> struct PlainDivider {
    Sum d;
    [[nodiscard]] uint32_t operator()(Sum sum) const { return static_cast<uint32_t>(sum / d); }
};

template <class Sum, class Div> inline uint32_t Pack(const Channels<Sum>& s, const Div& div)
{
    return div(s[0]) | (div(s[1]) << 8) | (div(s[2]) << 16) | (div(s[3]) << 24);
}

/// The three sums at position 0 of a line of n samples, sample(i) giving sample i.
template <class Sum, class Sample>
void StartSums(Channels<Sum>& sum, Channels<Sum>& in, Channels<Sum>& out, int64_t n, int64_t r, Sample sample)
{
    sum = {};
    in = {};
    out = {};
    const uint32_t first = sample(0);
    const uint32_t last = sample(n - 1);
    // Left of the line every sample is the first one.
    Add(out, first, Sum(r + 1));
    Add(sum, first, Sum(r * (r + 1) / 2));
    // Samples 0 .. direct are read; beyond them, up to r, the last sample repeats.
    const int64_t direct = std::min(r, n - 2);
    for (int64_t i = 0; i <= direct; ++i) {
        const uint32_t p = sample(i);
        Add(sum, p, Sum(r + 1 - i));
        if (i >= 1)
            Add(in, p, Sum(1));
    }
    const int64_t tailStart = direct + 1;
    if (tailStart <= r) {
        const int64_t m = r + 1 - tailStart;
        Add(sum, last, Sum(m * (m + 1) / 2));
    }
    Add(in, last, Sum(r - std::max<int64_t>(direct, 0)));
}

template <class Sum>
inline void Step(
    Channels<Sum>& sum, Channels<Sum>& in, Channels<Sum>& out, uint32_t pin, uint32_t pout, uint32_t pnext)
{
    const uint32_t shifts[4] = { 0, 8, 16, 24 };
    for (int c = 0; c < 4; ++c) {
        const Sum vin = (pin >> shifts[c]) & 0xFF;
        const Sum vout = (pout >> shifts[c]) & 0xFF;
        const Sum vnext = (pnext >> shifts[c]) & 0xFF;
        sum[c] = sum[c] - out[c] + in[c] + vin;
        out[c] = out[c] - vout + vnext;
        in[c] = in[c] + vin - vnext;
    }
}

template <class Sum, class Div>
void BlurRows(const uint32_t* src, uint32_t* dst, int64_t w, int64_t h, int64_t r, const Div& div)
{
    Channels<Sum> sum, in, out;
    for (int64_t y = 0; y < h; ++y) {
        const uint32_t* s = src + y * w;
        uint32_t* d = dst + y * w;
        StartSums(sum, in, out, w, r, [s](int64_t i) { return s[i]; });
        for (int64_t x = 0; x < w; ++x) {
            d[x] = Pack(sum, div);
            Step(sum, in, out, s[std::min(x + r + 1, w - 1)], s[std::max<int64_t>(x - r, 0)],
                s[std::min(x + 1, w - 1)]);
        }
    }
}

template <class Sum, class Div>
void BlurColumns(const uint32_t* src, uint32_t* dst, int64_t w, int64_t h, int64_t r, const Div& div)
{
    std::vector<Channels<Sum>> sums(size_t(w) * 3);
    Channels<Sum>* sum = sums.data();
    Channels<Sum>* in = sum + w;
    Channels<Sum>* out = in + w;
    for (int64_t x = 0; x < w; ++x)
        StartSums(sum[x], in[x], out[x], h, r, [src, w, x](int64_t i) { return src[i * w + x]; });
    for (int64_t y = 0; y < h; ++y) {
        uint32_t* d = dst + y * w;
        const uint32_t* rowIn = src + std::min(y + r + 1, h - 1) * w;
        const uint32_t* rowOut = src + std::max<int64_t>(y - r, 0) * w;
        const uint32_t* rowNext = src + std::min(y + 1, h - 1) * w;
        for (int64_t x = 0; x < w; ++x) {
            d[x] = Pack(sum[x], div);
            Step(sum[x], in[x], out[x], rowIn[x], rowOut[x], rowNext[x]);
        }
    }
}

template <class Sum, class Div> void Blur(uint32_t* pixels, int64_t w, int64_t h, int64_t r, const Div& div)
{
    std::vector<uint32_t> rows(size_t(w) * size_t(h));
    BlurRows<Sum>(pixels, rows.data(), w, h, r, div);
    BlurColumns<Sum>(rows.data(), pixels, w, h, r, div);
}

} // namespace

void StackBlurPixels(uint32_t* pixels, int32_t width, int32_t height, int32_t radius, bool useAlpha)
{
    if (radius < 1 || !pixels || width < 1 || height < 1)
        return;
    const int64_t r = std::min(radius, kMaxStackBlurRadius);
    const int64_t d = (r + 1) * (r + 1);
    // 255 x d must fit the sums: 32 bits up to a radius of 4000.
    if (r <= 31)
        Blur<uint32_t>(pixels, width, height, r, TableDivider(static_cast<uint32_t>(d)));
    else if (r <= 4000)
        Blur<uint32_t>(pixels, width, height, r, PlainDivider<uint32_t> { static_cast<uint32_t>(d) });
    else
        Blur<uint64_t>(pixels, width, height, r, PlainDivider<uint64_t> { static_cast<uint64_t>(d) });
    if (!useAlpha) {
        const size_t count = size_t(width) * size_t(height);
        for (size_t i = 0; i < count; ++i)
            pixels[i] &= 0x00FFFFFF;
    }
}

void StackBlur(TwzCanvas*, TwzBitmap& bitmap, int32_t radius, bool useAlpha)
{
    if (radius < 1 || !bitmap.Bits())
        return;
    StackBlurPixels(bitmap.Bits(), bitmap.GetWidth(), bitmap.GetHeight(), radius, useAlpha);
    bitmap.SetNeedUpdate(true);
}
