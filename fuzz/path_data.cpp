// Feeds arbitrary bytes to the path text reader and to the binary "Path" reader. Neither may
// crash or allocate beyond what its input can describe; the text reader's own output must
// read back to a path of the same elements, and what the binary reader accepts must write
// back and read again unchanged.

#include "graphics/TwzPathData.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Flattening cost grows with the curves' lengths, not with the input; keep it to small paths.
constexpr int kMaxFlattenedElements = 64;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void UseOutline(const TwzPathData& path)
{
    (void)path.GetBounds();
    if (path.Count() <= kMaxFlattenedElements) {
        TwzPolygon polygon;
        (void)path.FlattenPath(polygon, 1);
    }
}

void Text(const uint8_t* data, size_t size)
{
    TwzPathData path;
    path.SetData(std::string(reinterpret_cast<const char*>(data), size));
    // Every command appends at most three elements per character it consumes.
    Check(static_cast<size_t>(path.Count()) <= 3 * size + 3);
    UseOutline(path);

    const std::string first = path.GetData();
    TwzPathData again;
    again.SetData(first);
    Check(again.Count() == path.Count());
    for (int i = 0; i < path.Count(); ++i)
        Check(again.Points()[i].Kind == path.Points()[i].Kind);
    // Written numbers are rounded to three decimals once; after that the text is stable.
    const std::string second = again.GetData();
    TwzPathData third;
    third.SetData(second);
    Check(third.GetData() == second);
}

void Binary(const uint8_t* data, size_t size)
{
    TwzPathData path;
    rtl::TConstMemoryStream input(data, size);
    try {
        path.ReadPath(input);
    } catch (const rtl::ReadError&) {
        Check(path.IsEmpty());
        return;
    }
    UseOutline(path);
    (void)path.GetData();

    rtl::TMemoryStream written;
    path.WritePath(written);
    Check(written.GetSize() == 4 + 12 * static_cast<int64_t>(path.Count()));
    written.SetPosition(0);
    TwzPathData back;
    back.ReadPath(written);
    Check(back.Count() == path.Count());
    Check(path.Count() == 0
        || std::memcmp(
               back.Points().data(), path.Points().data(), sizeof(TwzPathPoint) * path.Points().size())
            == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Text(data, size);
    Binary(data, size);
    return 0;
}
