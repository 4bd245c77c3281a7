// String-list files over arbitrary bytes: read as a file's content (UTF-16 either way round
// with its mark, else UTF-8 with Windows-1252 for bytes that are not), into a plain and a
// sorted list. What reads must save and read back to the same lines, and name/value lookups
// must answer from the lines read.

#include "graphics/TwzWideStrings.h"

#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

[[noreturn]] void Fail()
{
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rtl::TConstMemoryStream input(data, size);
    TwzWideStringList list;
    list.LoadFromStream(input);

    rtl::TMemoryStream saved;
    list.SaveToStream(saved);
    saved.SetPosition(0);
    TwzWideStringList back;
    back.LoadFromStream(saved);
    if (!back.Equals(list))
        Fail();

    // Name/value lookups over the lines read.
    for (int i = 0; i < list.GetCount() && i < 64; ++i) {
        const std::u16string name = list.GetName(i);
        if (!name.empty() && list.IndexOfName(name) < 0)
            Fail();
        (void)list.GetValue(name);
        if (list.IndexOf(list.Get(i)) < 0)
            Fail();
    }

    // The same lines sorted, duplicates kept: every line is found again.
    TwzWideStringList sorted;
    sorted.SetDuplicates(wzDupAccept);
    sorted.SetSorted(true);
    input.SetPosition(0);
    sorted.LoadFromStream(input);
    if (sorted.GetCount() != list.GetCount())
        Fail();
    for (int i = 1; i < sorted.GetCount(); ++i) {
        (void)sorted.Get(i);
    }
    for (int i = 0; i < list.GetCount() && i < 64; ++i)
        if (sorted.IndexOf(list.Get(i)) < 0)
            Fail();
    return 0;
}
