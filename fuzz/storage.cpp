// Feeds arbitrary bytes to the key/value storage's loader, both as a design file's object
// text and as the binary stream. Errors are expected and fine; crashes, sanitizer reports, a
// failed load that changed the storage, and saves that do not read back are not.

#include "graphics/ObjectText.h"
#include "graphics/TwzStorage.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

TwzStorageItem& ItemAt(const TwzStorage& storage, int index)
{
    return *static_cast<TwzStorageItem*>(storage.GetItems().GetObject(index));
}

// Everything a storage holds, kinds exactly.
std::string Snapshot(const TwzStorage& storage)
{
    std::string out;
    for (int i = 0; i < storage.GetItems().GetCount(); ++i) {
        TwzStorageItem& item = ItemAt(storage, i);
        const std::u16string name = storage.GetItems().Get(i);
        out.append(reinterpret_cast<const char*>(name.data()), name.size() * 2);
        out += '\0';
        out += static_cast<char>(item.GetValueType());
        const int32_t integer = item.GetAsInteger();
        const float number = item.GetAsFloat();
        out.append(reinterpret_cast<const char*>(&integer), sizeof integer);
        out.append(reinterpret_cast<const char*>(&number), sizeof number);
        const std::u16string& text = item.GetAsString();
        out.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        out += '\0';
        if (item.GetValueType() == rtl::vaBinary) {
            const auto bytes = item.GetAsBinary().Bytes();
            out.append(bytes.begin(), bytes.end());
        }
    }
    return out;
}

std::vector<uint8_t> Saved(const TwzStorage& storage)
{
    rtl::TMemoryStream stream;
    storage.SaveToStream(stream);
    return { stream.Bytes().begin(), stream.Bytes().end() };
}

void LoadBytes(TwzStorage& storage, const std::vector<uint8_t>& bytes)
{
    rtl::TConstMemoryStream stream(bytes);
    storage.LoadFromStream(stream);
}

enum class Kind { None, Integer, Float, Text, Boolean, Binary };

Kind KindOf(rtl::TValueType type)
{
    switch (type) {
    case rtl::vaInt8:
    case rtl::vaInt16:
    case rtl::vaInt32:
        return Kind::Integer;
    case rtl::vaExtended:
    case rtl::vaSingle:
        return Kind::Float;
    case rtl::vaString:
    case rtl::vaLString:
    case rtl::vaWString:
        return Kind::Text;
    case rtl::vaFalse:
    case rtl::vaTrue:
        return Kind::Boolean;
    case rtl::vaBinary:
        return Kind::Binary;
    default:
        return Kind::None;
    }
}

// The design file of `storage` read back holds the same values; texts may change between
// the one-byte and the UTF-16 code, and a float without a number reads back as 0.
void CheckFileRoundTrip(const TwzStorage& storage)
{
    static const std::string path
        = (std::filesystem::temp_directory_path() / ("storage-fuzz-" + std::to_string(getpid()) + ".qgf"))
              .string();
    try {
        storage.SaveToFile(path);
    } catch (const rtl::WriteError&) {
        return; // a name the object text cannot carry: refused before writing
    }
    TwzStorage back;
    back.LoadFromFile(path);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (back.GetItems().GetCount() != storage.GetItems().GetCount())
        std::abort();
    for (int i = 0; i < storage.GetItems().GetCount(); ++i) {
        TwzStorageItem& a = ItemAt(storage, i);
        TwzStorageItem& b = ItemAt(back, i);
        if (back.GetItems().Get(i) != storage.GetItems().Get(i)
            || KindOf(a.GetValueType()) != KindOf(b.GetValueType()))
            std::abort();
        switch (KindOf(a.GetValueType())) {
        case Kind::Integer:
            if (a.GetAsInteger() != b.GetAsInteger())
                std::abort();
            break;
        case Kind::Float: {
            const float expected = std::isnan(a.GetAsFloat()) ? 0.0f : a.GetAsFloat();
            const float actual = b.GetAsFloat();
            if (std::memcmp(&expected, &actual, sizeof expected) != 0)
                std::abort();
            break;
        }
        case Kind::Text:
            if (a.GetAsString() != b.GetAsString())
                std::abort();
            break;
        case Kind::Boolean:
            if (a.GetValueType() != b.GetValueType())
                std::abort();
            break;
        case Kind::Binary: {
            const auto x = a.GetAsBinary().Bytes();
            const auto y = b.GetAsBinary().Bytes();
            if (!std::equal(x.begin(), x.end(), y.begin(), y.end()))
                std::abort();
            break;
        }
        case Kind::None:
            break;
        }
    }
}

void LoadAndCheck(rtl::TStream& input)
{
    TwzStorage storage;
    storage.GetItem("seed").SetAsString(u"kept");
    storage.GetItem("pic").GetAsBinary().WriteBuffer("kept", 4);
    const std::string before = Snapshot(storage);
    try {
        storage.LoadFromStream(input);
    } catch (const rtl::ReadError&) {
        if (Snapshot(storage) != before)
            std::abort(); // a failed load must change nothing
        return;
    }

    // Saving what was loaded reads back; from the second save on the bytes are stable
    // (the first may still merge names cut to the same 255 bytes).
    const std::vector<uint8_t> first = Saved(storage);
    TwzStorage second;
    LoadBytes(second, first);
    const std::vector<uint8_t> secondBytes = Saved(second);
    TwzStorage third;
    LoadBytes(third, secondBytes);
    if (Saved(third) != secondBytes)
        std::abort();
    CheckFileRoundTrip(third);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // As a design file.
    {
        rtl::TConstMemoryStream text(data, size);
        rtl::TMemoryStream binary;
        bool parsed = true;
        try {
            ObjectTextToStream(text, binary);
        } catch (const rtl::Exception&) {
            parsed = false;
        }
        if (parsed) {
            binary.SetPosition(0);
            LoadAndCheck(binary);
        }
    }
    // As the binary stream.
    {
        rtl::TConstMemoryStream binary(data, size);
        LoadAndCheck(binary);
    }
    return 0;
}
