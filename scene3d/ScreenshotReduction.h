#pragma once

#include "graphics/Geometry.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TwzBitmap;

namespace scene3d {

/// Reduces a supersampled picture, arriving tile by tile (rows of tiles from the top, each row
/// from the left), into the output: each output pixel becomes the area-weighted mean of the
/// large pixels that cover it, each with its colour limited to its alpha; where the picture
/// covers an output pixel only in part, the background fills the rest. Where whole columns of
/// large pixels fall on each output column (a whole supersampling factor, the picture filling
/// the output's width), the columns are plain sums of whole numbers.
///
/// The tiles are reduced on worker threads while the caller renders the next ones; only the
/// output rows the current row of tiles reaches are kept in floating point. The output is
/// written on the caller's thread only (in AddTile and Finish), so whoever shows it while the
/// caller waits reads no pixel a worker writes. Destroying the reduction before Finish
/// abandons the tiles still pending and leaves the rows not yet written as they were.
class ScreenshotReduction {
public:
    /// `target` is where the large picture of bigWidth x bigHeight pixels lands on the output.
    /// `workers` threads share the reduction; 0 takes one for every core this process may
    /// run on beyond the caller's.
    ScreenshotReduction(TwzBitmap& output, const TwzRect& target, int64_t bigWidth, int64_t bigHeight,
        uint32_t background, int32_t workers = 0);
    ~ScreenshotReduction();
    ScreenshotReduction(const ScreenshotReduction&) = delete;
    ScreenshotReduction& operator=(const ScreenshotReduction&) = delete;

    /// Hands over the tile whose top-left pixel is large pixel (left, top); only its pixels
    /// within the large picture count. The pixels are copied; returns once the tile is queued
    /// (waiting while too many are). Tiles must come in the order above.
    void AddTile(const uint32_t* pixels, int32_t tileWidth, int32_t tileHeight, int64_t left, int64_t top);
    /// As AddTile, but `fill` writes the tile's pixels (rows packed) straight into the memory
    /// the reduction keeps them in, instead of a copy being taken; when `fill` returns false
    /// nothing is added and false is returned.
    bool AddTile(int32_t tileWidth, int32_t tileHeight, int64_t left, int64_t top,
        const std::function<bool(uint32_t* pixels)>& fill);
    /// Waits for every tile handed over and writes every row still held.
    void Finish();

private:
    struct Axis;
    struct Tile {
        std::vector<uint32_t> pixels;
        int32_t width = 0;
        int32_t height = 0;
        int64_t left = 0;
        int64_t top = 0;
    };
    struct FinishedRow {
        int32_t row = 0;
        int32_t first = 0; // the output column of pixels[0]
        std::vector<uint32_t> pixels;
    };

    void Run();
    void Reduce(const Tile& tile);
    /// Spreads the tile's rows [firstRow, endRow) over the output columns from firstColumn on.
    void SpreadRows(const Tile& tile, int64_t firstRow, int64_t endRow, int32_t firstColumn, int32_t columns);
    /// The same where every output column takes exactly m_columnFactor whole large pixels:
    /// plain sums of whole numbers, each pixel's colour limited to its alpha on the way.
    void SumRows(const Tile& tile, int64_t firstRow, int64_t endRow, int32_t firstColumn, int32_t columns);
    void BeginTileRow(int64_t bigTop, int64_t bigBottom);
    /// Turns the held rows above `row` into finished rows for the caller to write.
    void FinishAbove(int32_t row);
    void WriteFinishedRows();
    /// Runs body over [0, count) in chunks, on the helpers and the calling thread.
    void ParallelFor(int64_t count, const std::function<void(int64_t, int64_t)>& body);
    void RunChunks();
    void Helper();

    TwzBitmap& m_output;
    std::unique_ptr<Axis> m_columns;
    std::unique_ptr<Axis> m_rows;
    std::vector<float> m_columnShares;
    std::vector<float> m_rowShares;
    /// When the large picture's columns fall onto the output's whole, `factor` to an output
    /// column from large column m_columnOrigin on (a whole supersampling of a picture whose
    /// width fills the output): the factor; 0 otherwise.
    int32_t m_columnFactor = 0;
    int64_t m_columnOrigin = 0;
    uint32_t m_background;
    int32_t m_width;
    int32_t m_height;

    // Owned by the reducing thread.
    std::vector<float> m_band; // rows from m_bandTop on, four channels per pixel
    int32_t m_bandTop = 0;
    int64_t m_tileRowTop = -1;
    std::vector<float> m_spread; // the current tile's rows spread over output columns
    std::vector<uint8_t> m_spreadUsed; // whether a row of m_spread holds anything
    int32_t m_spreadColumns = 0;

    // Shared under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Tile> m_pending;
    std::vector<std::vector<uint32_t>> m_spare;
    std::deque<FinishedRow> m_finished;
    /// Pixels of finished rows already written, for the next rows to reuse.
    std::vector<std::vector<uint32_t>> m_spareRows;
    bool m_busy = false;
    bool m_stop = false;

    // The helpers of a parallel step, under m_helperMutex.
    std::mutex m_helperMutex;
    std::condition_variable m_helperWake;
    std::condition_variable m_helperDone;
    const std::function<void(int64_t, int64_t)>* m_job = nullptr;
    int64_t m_jobCount = 0;
    int64_t m_jobNext = 0;
    int32_t m_jobRunning = 0;
    uint64_t m_jobGeneration = 0;
    bool m_helpersStop = false;
    std::vector<std::thread> m_helpers;

    std::thread m_thread;
};

} // namespace scene3d
