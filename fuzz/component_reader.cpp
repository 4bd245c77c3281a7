// Feeds arbitrary bytes to the component reader, with the class family of the rtl tests
// (every property kind, sub-objects, collections, links, events, binary values, a tree).
// Read errors are expected and fine; crashes, sanitizer reports, leaks and broken round
// trips are not: whatever the reader accepts must write, read back and write the same bytes.

#include "tests/support/RtlTestClasses.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const rtl::TMemoryStream& s)
{
    return { s.Bytes().begin(), s.Bytes().end() };
}

// Errors absorbed (the default): a root is created and every damage short of a broken
// structure is skipped.
void ReadAbsorbing(const uint8_t* data, size_t size)
{
    rtl::TConstMemoryStream input(data, size);
    rtl::TOwned<rtl::TComponent> root;
    try {
        root.reset(rtl::ReadComponentFromStream(input, nullptr));
    } catch (const rtl::Exception&) {
        return;
    }
    rtl::TMemoryStream first;
    rtl::WriteComponentToStream(first, *root);
    first.SetPosition(0);
    rtl::TOwned<rtl::TComponent> again(rtl::ReadComponentFromStream(first, nullptr));
    rtl::TMemoryStream second;
    rtl::WriteComponentToStream(second, *again);
    if (Bytes(first) != Bytes(second))
        std::abort();
}

// Errors not absorbed, into an existing root that must stay usable whatever happens.
void ReadStrictIntoRoot(const uint8_t* data, size_t size)
{
    rtl::TOwned<rtltest::TTestForm> form(new rtltest::TTestForm(nullptr));
    rtltest::MakeNode(form.get(), form.get(), "Existing");
    rtl::TConstMemoryStream input(data, size);
    rtl::TReader reader(input);
    reader.OnError = [](rtl::TReader&, const std::string&, bool& handled) { handled = false; };
    try {
        reader.ReadRootComponent(form.get());
    } catch (const rtl::Exception&) { }
    if (form->IsLoading())
        std::abort();
    rtl::TMemoryStream out;
    rtl::WriteComponentToStream(out, *form);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rtltest::RegisterTestClasses();
    ReadAbsorbing(data, size);
    ReadStrictIntoRoot(data, size);
    return 0;
}
