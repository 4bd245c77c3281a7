#include "scene3d/ScreenshotReduction.h"

#include "graphics/TwzBitmap.h"

#include <sched.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>

namespace scene3d {

namespace {

/// Tiles queued beyond the one being reduced: the caller renders ahead by this many.
constexpr size_t kMaxPending = 2;
/// Rows of a tile one thread spreads at a time.
constexpr int64_t kChunkRows = 16;
constexpr int32_t kMaxWorkers = 8;

/// The share of each output pixel along one axis that lies within [from, to).
std::vector<float> Coverage(double from, double to, int32_t count)
{
    std::vector<float> shares(static_cast<size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i) {
        const double pixel = i;
        shares[static_cast<size_t>(i)]
            = static_cast<float>(std::clamp(std::min(to, pixel + 1) - std::max(from, pixel), 0.0, 1.0));
    }
    return shares;
}

/// Large pixel i of `count` covering [origin + i k, origin + (i + 1) k) of the output with
/// k = span / count: the whole number of large pixels per output pixel when k is its inverse and
/// the large pixels start at a whole output pixel (to within a thousandth of a large pixel,
/// which moves nothing by a 255th); 0 otherwise. At most 16, so that sums of 16 x 16 channels
/// fit 16 bits.
int32_t WholeFactor(double origin, double span, int64_t count, int64_t& firstLarge)
{
    if (count <= 0 || !(span > 0))
        return 0;
    const double factor = std::round(static_cast<double>(count) / span);
    if (factor < 1 || factor > 16 || std::abs(factor * span - static_cast<double>(count)) > 1e-3)
        return 0;
    const double start = origin * factor;
    if (start < 0 || std::abs(start - std::round(start)) > 1e-3)
        return 0;
    firstLarge = static_cast<int64_t>(std::round(start));
    return static_cast<int32_t>(factor);
}

int32_t CoresToRunOn()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) != 0)
        return 1;
    return std::max(CPU_COUNT(&set), 1);
}

} // namespace

/// How the pixels of the supersampled picture fall onto the pixels of the output along one
/// axis: pixel i of the large picture covers [origin + i k, origin + (i + 1) k) of the output,
/// which touches at most three output pixels.
struct ScreenshotReduction::Axis {
    std::vector<int32_t> First; // the first output pixel touched
    std::vector<std::array<float, 3>> Weights; // the share of each output pixel from there on

    Axis(double origin, double k, int64_t count)
        : First(static_cast<size_t>(count))
        , Weights(static_cast<size_t>(count))
    {
        for (int64_t i = 0; i < count; ++i) {
            const double from = origin + static_cast<double>(i) * k;
            const double to = from + k;
            const double first = std::floor(from);
            First[static_cast<size_t>(i)] = static_cast<int32_t>(first);
            std::array<float, 3>& w = Weights[static_cast<size_t>(i)];
            for (int n = 0; n < 3; ++n) {
                const double lo = std::max(from, first + n);
                const double hi = std::min(to, first + n + 1);
                w[static_cast<size_t>(n)] = hi > lo ? static_cast<float>(hi - lo) : 0.0f;
            }
        }
    }
};

ScreenshotReduction::ScreenshotReduction(TwzBitmap& output, const TwzRect& target, int64_t bigWidth,
    int64_t bigHeight, uint32_t background, int32_t workers)
    : m_output(output)
    , m_columns(
          std::make_unique<Axis>(target.Left, RectWidth(target) / static_cast<double>(bigWidth), bigWidth))
    , m_rows(
          std::make_unique<Axis>(target.Top, RectHeight(target) / static_cast<double>(bigHeight), bigHeight))
    , m_columnShares(Coverage(target.Left, target.Right, output.GetWidth()))
    , m_rowShares(Coverage(target.Top, target.Bottom, output.GetHeight()))
    , m_background(background)
    , m_width(output.GetWidth())
    , m_height(output.GetHeight())
{
    m_columnFactor = WholeFactor(target.Left, RectWidth(target), bigWidth, m_columnOrigin);
    if (workers <= 0)
        workers = CoresToRunOn();
    workers = std::min(workers, kMaxWorkers);
    for (int32_t i = 1; i < workers; ++i)
        m_helpers.emplace_back([this] { Helper(); });
    m_thread = std::thread([this] { Run(); });
}

ScreenshotReduction::~ScreenshotReduction()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
    {
        std::lock_guard lock(m_helperMutex);
        m_helpersStop = true;
    }
    m_helperWake.notify_all();
    for (std::thread& helper : m_helpers)
        helper.join();
}

void ScreenshotReduction::AddTile(
    const uint32_t* pixels, int32_t tileWidth, int32_t tileHeight, int64_t left, int64_t top)
{
    if (!pixels) {
        WriteFinishedRows();
        return;
    }
    const size_t count
        = static_cast<size_t>(std::max(tileWidth, 0)) * static_cast<size_t>(std::max(tileHeight, 0));
    AddTile(tileWidth, tileHeight, left, top, [&](uint32_t* into) {
        std::copy(pixels, pixels + count, into);
        return true;
    });
}

bool ScreenshotReduction::AddTile(int32_t tileWidth, int32_t tileHeight, int64_t left, int64_t top,
    const std::function<bool(uint32_t* pixels)>& fill)
{
    WriteFinishedRows();
    if (tileWidth <= 0 || tileHeight <= 0)
        return false;
    Tile tile;
    {
        std::lock_guard lock(m_mutex);
        if (!m_spare.empty()) {
            tile.pixels = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    // A spare tile's memory is reused as it is: the caller writes every pixel.
    tile.pixels.resize(static_cast<size_t>(tileWidth) * static_cast<size_t>(tileHeight));
    if (!fill(tile.pixels.data())) {
        std::lock_guard lock(m_mutex);
        m_spare.push_back(std::move(tile.pixels));
        return false;
    }
    tile.width = tileWidth;
    tile.height = tileHeight;
    tile.left = left;
    tile.top = top;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_pending.size() < kMaxPending; });
        m_pending.push_back(std::move(tile));
    }
    m_changed.notify_all();
    return true;
}

void ScreenshotReduction::Finish()
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_pending.empty() && !m_busy; });
    }
    // The reducing thread is idle: what it held is this thread's now.
    FinishAbove(m_bandTop + static_cast<int32_t>(m_band.size() / (static_cast<size_t>(m_width) * 4)));
    WriteFinishedRows();
}

void ScreenshotReduction::Run()
{
    for (;;) {
        Tile tile;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stop || !m_pending.empty(); });
            if (m_stop)
                return;
            tile = std::move(m_pending.front());
            m_pending.pop_front();
            m_busy = true;
        }
        m_changed.notify_all();
        Reduce(tile);
        {
            std::lock_guard lock(m_mutex);
            m_spare.push_back(std::move(tile.pixels));
            m_busy = false;
        }
        m_changed.notify_all();
    }
}

void ScreenshotReduction::Reduce(const Tile& tile)
{
    const int64_t bigWidth = static_cast<int64_t>(m_columns->First.size());
    const int64_t bigHeight = static_cast<int64_t>(m_rows->First.size());
    const int64_t columns = std::min<int64_t>(tile.width, bigWidth - tile.left);
    const int64_t rows = std::min<int64_t>(tile.height, bigHeight - tile.top);
    if (columns <= 0 || rows <= 0 || tile.left < 0 || tile.top < 0 || m_width <= 0)
        return;
    if (tile.top != m_tileRowTop) {
        BeginTileRow(tile.top, tile.top + rows);
        m_tileRowTop = tile.top;
    }
    // The output columns the tile reaches.
    const int32_t first = std::max(m_columns->First[static_cast<size_t>(tile.left)], 0);
    const int32_t last
        = std::min(m_columns->First[static_cast<size_t>(tile.left + columns - 1)] + 2, m_width - 1);
    if (last < first)
        return;
    m_spreadColumns = last - first + 1;
    const size_t rowFloats = static_cast<size_t>(m_spreadColumns) * 4;
    m_spread.resize(static_cast<size_t>(rows) * rowFloats);
    m_spreadUsed.assign(static_cast<size_t>(rows), 0);

    // Across: each large row spread over the output columns, rows shared among the threads.
    if (m_columnFactor > 0)
        ParallelFor(rows, [&](int64_t from, int64_t to) { SumRows(tile, from, to, first, m_spreadColumns); });
    else
        ParallelFor(
            rows, [&](int64_t from, int64_t to) { SpreadRows(tile, from, to, first, m_spreadColumns); });

    // Down: the spread rows added into the output rows they touch.
    const size_t stride = static_cast<size_t>(m_width) * 4;
    const int32_t held = static_cast<int32_t>(m_band.size() / stride);
    for (int64_t y = 0; y < rows; ++y) {
        if (!m_spreadUsed[static_cast<size_t>(y)])
            continue;
        const size_t bigY = static_cast<size_t>(tile.top + y);
        const int32_t firstRow = m_rows->First[bigY];
        const std::array<float, 3>& weights = m_rows->Weights[bigY];
        const float* source = &m_spread[static_cast<size_t>(y) * rowFloats];
        for (int r = 0; r < 3; ++r) {
            const float wy = weights[static_cast<size_t>(r)];
            const int32_t row = firstRow + r - m_bandTop;
            if (wy == 0 || row < 0 || row >= held)
                continue;
            float* target = &m_band[static_cast<size_t>(row) * stride + static_cast<size_t>(first) * 4];
            for (size_t i = 0; i < rowFloats; ++i)
                target[i] += wy * source[i];
        }
    }
}

void ScreenshotReduction::SpreadRows(
    const Tile& tile, int64_t firstRow, int64_t endRow, int32_t firstColumn, int32_t columns)
{
    const int64_t count
        = std::min<int64_t>(tile.width, static_cast<int64_t>(m_columns->First.size()) - tile.left);
    const size_t rowFloats = static_cast<size_t>(columns) * 4;
    const int32_t* firsts = m_columns->First.data() + tile.left;
    const std::array<float, 3>* weights = m_columns->Weights.data() + tile.left;
    for (int64_t y = firstRow; y < endRow; ++y) {
        float* spread = &m_spread[static_cast<size_t>(y) * rowFloats];
        std::fill(spread, spread + rowFloats, 0.0f);
        const uint32_t* source = tile.pixels.data() + y * tile.width;
        bool used = false;
        for (int64_t x = 0; x < count; ++x) {
            const uint32_t p = source[x];
            if (p == 0)
                continue;
            used = true;
            const uint32_t a = p >> 24;
            const float channels[4] = { static_cast<float>(a),
                static_cast<float>(std::min((p >> 16) & 0xFF, a)),
                static_cast<float>(std::min((p >> 8) & 0xFF, a)), static_cast<float>(std::min(p & 0xFF, a)) };
            const int32_t column = firsts[x] - firstColumn;
            const std::array<float, 3>& w = weights[x];
            for (int n = 0; n < 3; ++n) {
                const int32_t c = column + n;
                if (w[static_cast<size_t>(n)] == 0 || c < 0 || c >= columns)
                    continue;
                float* cell = spread + static_cast<size_t>(c) * 4;
                for (int k = 0; k < 4; ++k)
                    cell[k] += w[static_cast<size_t>(n)] * channels[k];
            }
        }
        m_spreadUsed[static_cast<size_t>(y)] = used ? 1 : 0;
    }
}

void ScreenshotReduction::SumRows(
    const Tile& tile, int64_t firstRow, int64_t endRow, int32_t firstColumn, int32_t columns)
{
    const int64_t count
        = std::min<int64_t>(tile.width, static_cast<int64_t>(m_columns->First.size()) - tile.left);
    const int64_t factor = m_columnFactor;
    const float share = 1.0f / static_cast<float>(factor);
    const size_t rowFloats = static_cast<size_t>(columns) * 4;
    // Large column x of the tile lies in output column (m_columnOrigin + tile.left + x) / factor.
    const int64_t start = m_columnOrigin + tile.left;
    // Each thread's running sums of a row, kept from tile to tile: entry x holds the sums of
    // the large pixels before x, blue and red in the halves of one word, green and alpha in
    // another. They wrap around, but a difference of two is a column's exact sum, which
    // fits its halves (16 x 255).
    thread_local std::vector<uint32_t> blueRedSums;
    thread_local std::vector<uint32_t> greenAlphaSums;
    blueRedSums.resize(static_cast<size_t>(count) + 1);
    greenAlphaSums.resize(static_cast<size_t>(count) + 1);
    uint32_t* blueRed = blueRedSums.data();
    uint32_t* greenAlpha = greenAlphaSums.data();
    blueRed[0] = 0;
    greenAlpha[0] = 0;
    for (int64_t y = firstRow; y < endRow; ++y) {
        const uint32_t* source = tile.pixels.data() + y * tile.width;
        // Each colour limited to its alpha on the way.
        uint32_t any = 0;
        int64_t x = 0;
#if defined(__SSE2__)
        // Four pixels at a time: the limit as a byte-wise minimum with the alpha spread over
        // its pixel, and the running sums within the four carried on from the last.
        const __m128i halves = _mm_set1_epi32(0x00FF00FF);
        __m128i anyWide = _mm_setzero_si128();
        __m128i blueRedCarry = _mm_setzero_si128();
        __m128i greenAlphaCarry = _mm_setzero_si128();
        for (; x + 4 <= count; x += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x));
            anyWide = _mm_or_si128(anyWide, p);
            __m128i a = _mm_srli_epi32(p, 24);
            a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
            a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
            const __m128i limited = _mm_min_epu8(p, a);
            __m128i br = _mm_and_si128(limited, halves);
            __m128i ga = _mm_and_si128(_mm_srli_epi32(limited, 8), halves);
            br = _mm_add_epi32(br, _mm_slli_si128(br, 4));
            ga = _mm_add_epi32(ga, _mm_slli_si128(ga, 4));
            br = _mm_add_epi32(br, _mm_slli_si128(br, 8));
            ga = _mm_add_epi32(ga, _mm_slli_si128(ga, 8));
            br = _mm_add_epi32(br, blueRedCarry);
            ga = _mm_add_epi32(ga, greenAlphaCarry);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(blueRed + x + 1), br);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(greenAlpha + x + 1), ga);
            blueRedCarry = _mm_shuffle_epi32(br, _MM_SHUFFLE(3, 3, 3, 3));
            greenAlphaCarry = _mm_shuffle_epi32(ga, _MM_SHUFFLE(3, 3, 3, 3));
        }
        anyWide = _mm_or_si128(anyWide, _mm_srli_si128(anyWide, 8));
        anyWide = _mm_or_si128(anyWide, _mm_srli_si128(anyWide, 4));
        any = static_cast<uint32_t>(_mm_cvtsi128_si32(anyWide));
#endif
        for (; x < count; ++x) {
            const uint32_t p = source[x];
            const uint32_t a = p >> 24;
            const uint32_t r = std::min((p >> 16) & 0xFF, a);
            const uint32_t g = std::min((p >> 8) & 0xFF, a);
            const uint32_t b = std::min(p & 0xFF, a);
            blueRed[x + 1] = blueRed[x] + (r << 16 | b);
            greenAlpha[x + 1] = greenAlpha[x] + (a << 16 | g);
            any |= p;
        }
        float* spread = &m_spread[static_cast<size_t>(y) * rowFloats];
        m_spreadUsed[static_cast<size_t>(y)] = any ? 1 : 0;
        if (!any)
            continue;
        std::fill(spread, spread + rowFloats, 0.0f);
        // Output column by output column, the difference of the sums at its two ends.
        int64_t column = start / factor;
        int64_t from = 0;
        int64_t to = std::min(count, (column + 1) * factor - start);
        for (; from < count; ++column, from = to, to = std::min(count, to + factor)) {
            const int64_t c = column - firstColumn;
            if (c < 0 || c >= columns)
                continue;
            const uint32_t sumBlueRed = blueRed[to] - blueRed[from];
            const uint32_t sumGreenAlpha = greenAlpha[to] - greenAlpha[from];
            float* cell = spread + static_cast<size_t>(c) * 4;
            cell[0] = static_cast<float>(sumGreenAlpha >> 16) * share;
            cell[1] = static_cast<float>(sumBlueRed >> 16) * share;
            cell[2] = static_cast<float>(sumGreenAlpha & 0xFFFF) * share;
            cell[3] = static_cast<float>(sumBlueRed & 0xFFFF) * share;
        }
    }
}

void ScreenshotReduction::BeginTileRow(int64_t bigTop, int64_t bigBottom)
{
    const int32_t top = m_rows->First[static_cast<size_t>(bigTop)];
    const int32_t bottom = m_rows->First[static_cast<size_t>(bigBottom - 1)] + 3;
    FinishAbove(top);
    const size_t stride = static_cast<size_t>(m_width) * 4;
    const size_t keep = m_band.size() / stride;
    const size_t rows = static_cast<size_t>(std::max(bottom - m_bandTop, 0));
    if (rows > keep)
        m_band.resize(rows * stride, 0.0f);
}

void ScreenshotReduction::FinishAbove(int32_t row)
{
    const size_t stride = static_cast<size_t>(m_width) * 4;
    if (stride == 0)
        return;
    const int32_t held = static_cast<int32_t>(m_band.size() / stride);
    const int32_t done = std::clamp(row - m_bandTop, 0, held);
    const float background[4]
        = { static_cast<float>(m_background >> 24), static_cast<float>((m_background >> 16) & 0xFF),
              static_cast<float>((m_background >> 8) & 0xFF), static_cast<float>(m_background & 0xFF) };
    // Columns with a share of the picture lie in one run, as the target is one interval.
    const auto firstShared
        = std::find_if(m_columnShares.begin(), m_columnShares.end(), [](float s) { return s != 0; });
    const int32_t first = static_cast<int32_t>(firstShared - m_columnShares.begin());
    int32_t end = m_width;
    while (end > first && m_columnShares[static_cast<size_t>(end - 1)] == 0)
        --end;
    std::deque<FinishedRow> finished;
    std::vector<std::vector<uint32_t>> spare;
    if (done > 0) {
        std::lock_guard lock(m_mutex);
        spare.swap(m_spareRows);
    }
    for (int32_t r = 0; r < done; ++r) {
        const int32_t y = m_bandTop + r;
        if (y < 0 || y >= m_height || end <= first)
            continue;
        const float rowShare = m_rowShares[static_cast<size_t>(y)];
        if (rowShare == 0)
            continue;
        FinishedRow out;
        out.row = y;
        out.first = first;
        if (!spare.empty()) {
            out.pixels = std::move(spare.back());
            spare.pop_back();
        }
        out.pixels.resize(static_cast<size_t>(end - first));
        const float* cells = &m_band[static_cast<size_t>(r) * stride];
        for (int32_t x = first; x < end; ++x) {
            const float share = rowShare * m_columnShares[static_cast<size_t>(x)];
            const float* cell = cells + static_cast<size_t>(x) * 4;
            // The tiles show the background themselves; it fills only what they leave of
            // the pixel.
            const float rest = 1 - share;
            // Rounded to the nearest whole number (every sum is at least 0), each colour then
            // limited to the alpha.
            uint32_t v[4];
            for (int k = 0; k < 4; ++k)
                v[k] = static_cast<uint32_t>(std::clamp(cell[k] + rest * background[k] + 0.5f, 0.0f, 255.0f));
            for (int k = 1; k < 4; ++k)
                v[k] = std::min(v[k], v[0]);
            out.pixels[static_cast<size_t>(x - first)] = v[0] << 24 | v[1] << 16 | v[2] << 8 | v[3];
        }
        finished.push_back(std::move(out));
    }
    m_band.erase(m_band.begin(), m_band.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(done) * stride));
    m_bandTop += done;
    if (m_bandTop < row) {
        // Rows no tile reached: they keep the background.
        m_bandTop = row;
        m_band.clear();
    }
    if (!finished.empty() || !spare.empty()) {
        std::lock_guard lock(m_mutex);
        for (FinishedRow& out : finished)
            m_finished.push_back(std::move(out));
        for (std::vector<uint32_t>& pixels : spare)
            m_spareRows.push_back(std::move(pixels));
    }
}

void ScreenshotReduction::WriteFinishedRows()
{
    std::deque<FinishedRow> finished;
    {
        std::lock_guard lock(m_mutex);
        finished.swap(m_finished);
    }
    for (const FinishedRow& out : finished) {
        uint32_t* row = m_output.GetScanline(out.row);
        if (row)
            std::copy(out.pixels.begin(), out.pixels.end(), row + out.first);
    }
    if (!finished.empty()) {
        std::lock_guard lock(m_mutex);
        for (FinishedRow& out : finished)
            m_spareRows.push_back(std::move(out.pixels));
    }
}

void ScreenshotReduction::ParallelFor(int64_t count, const std::function<void(int64_t, int64_t)>& body)
{
    if (m_helpers.empty() || count <= kChunkRows) {
        body(0, count);
        return;
    }
    {
        std::lock_guard lock(m_helperMutex);
        m_job = &body;
        m_jobCount = count;
        m_jobNext = 0;
        m_jobRunning = static_cast<int32_t>(m_helpers.size());
        ++m_jobGeneration;
    }
    m_helperWake.notify_all();
    RunChunks();
    std::unique_lock lock(m_helperMutex);
    m_helperDone.wait(lock, [&] { return m_jobRunning == 0; });
    m_job = nullptr;
}

void ScreenshotReduction::RunChunks()
{
    for (;;) {
        int64_t from = 0;
        int64_t to = 0;
        const std::function<void(int64_t, int64_t)>* job = nullptr;
        {
            std::lock_guard lock(m_helperMutex);
            if (!m_job || m_jobNext >= m_jobCount)
                return;
            from = m_jobNext;
            to = std::min(from + kChunkRows, m_jobCount);
            m_jobNext = to;
            job = m_job;
        }
        (*job)(from, to);
    }
}

void ScreenshotReduction::Helper()
{
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock lock(m_helperMutex);
            m_helperWake.wait(lock, [&] { return m_helpersStop || m_jobGeneration != seen; });
            if (m_helpersStop)
                return;
            seen = m_jobGeneration;
        }
        RunChunks();
        bool last = false;
        {
            std::lock_guard lock(m_helperMutex);
            last = --m_jobRunning == 0;
        }
        if (last)
            m_helperDone.notify_all();
    }
}

} // namespace scene3d
