// Feeds arbitrary bytes to both object text conversions and to the value skipper. Errors
// are expected and fine; crashes, sanitizer reports and broken round trips are not.

#include "graphics/ObjectText.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ValueStream.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string ToString(const rtl::TMemoryStream& s)
{
    return std::string(s.Bytes().begin(), s.Bytes().end());
}

void TextToBinaryAndBack(const uint8_t* data, size_t size)
{
    rtl::TConstMemoryStream text(data, size);
    rtl::TMemoryStream binary;
    try {
        ObjectTextToStream(text, binary);
    } catch (const rtl::Exception&) {
        return;
    }
    // Whatever the parser accepted must convert back, and the text written from it must
    // reproduce itself exactly.
    binary.SetPosition(0);
    rtl::TMemoryStream text2;
    ObjectStreamToText(binary, text2);
    text2.SetPosition(0);
    rtl::TMemoryStream binary2;
    ObjectTextToStream(text2, binary2);
    binary2.SetPosition(0);
    rtl::TMemoryStream text3;
    ObjectStreamToText(binary2, text3);
    if (ToString(text2) != ToString(text3))
        std::abort();
}

void BinaryToText(const uint8_t* data, size_t size)
{
    rtl::TConstMemoryStream binary(data, size);
    rtl::TMemoryStream text;
    try {
        ObjectStreamToText(binary, text);
    } catch (const rtl::Exception&) {
        return;
    }
    text.SetPosition(0);
    rtl::TMemoryStream back;
    try {
        ObjectTextToStream(text, back);
    } catch (const rtl::ParserError&) {
        // Names in a binary stream need not be identifiers; such text cannot read back.
    }
}

void SkipValues(const uint8_t* data, size_t size)
{
    rtl::TConstMemoryStream stream(data, size);
    rtl::TValueReader reader(stream);
    try {
        while (stream.BytesLeft() > 0)
            reader.SkipValue();
    } catch (const rtl::ReadError&) { }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TextToBinaryAndBack(data, size);
    BinaryToText(data, size);
    SkipValues(data, size);
    return 0;
}
