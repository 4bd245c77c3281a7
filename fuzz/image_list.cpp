// Feeds arbitrary bytes to the image list's stored "Images" reader. It may refuse them with a
// read error only, never crash or allocate beyond what the input describes; a refused value
// keeps the pictures read before it; what it accepts must write back and read again to the
// same number of pictures of the same sizes.

#include "controls/TwzImageList.h"
#include "graphics/TwzBitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = [] {
        Initialize2DLibrary(); // the image codecs
        return true;
    }();
    (void)started;

    rtl::TMemoryStream input;
    input.WriteBuffer(data, size);
    input.SetPosition(0);
    rtl::TOwned<TwzImageList> list(new TwzImageList(nullptr));
    bool accepted = true;
    try {
        list->ReadImages(input);
    } catch (const rtl::ReadError&) {
        accepted = false;
    }
    // Every picture took at least its size field.
    Check(static_cast<size_t>(list->Count()) * 4 <= size);
    if (!accepted)
        return 0;

    rtl::TMemoryStream written;
    list->WriteImages(written);
    written.SetPosition(0);
    rtl::TOwned<TwzImageList> again(new TwzImageList(nullptr));
    again->ReadImages(written);
    Check(again->Count() == list->Count());
    for (int i = 0; i < list->Count(); ++i) {
        TwzBitmap* a = list->GetBitmap(i);
        TwzBitmap* b = again->GetBitmap(i);
        // An empty picture writes nothing and reads back empty; any other keeps its size.
        if (a->GetWidth() > 0 && a->GetHeight() > 0)
            Check(a->GetWidth() == b->GetWidth() && a->GetHeight() == b->GetHeight());
    }
    return 0;
}
