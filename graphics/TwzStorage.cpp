#include "graphics/TwzStorage.h"

#include "graphics/ObjectText.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileReplace.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"

#include <cmath>
#include <utility>

RTL_IMPLEMENT_CLASS(TwzStorageItem)
RTL_IMPLEMENT_CLASS(TwzStorage)

namespace {

constexpr size_t kMaxNameBytes = 255;

// Rounds to the nearest Single; beyond its range the value becomes an infinity instead of
// an undefined conversion.
float RoundToSingle(double value)
{
    // From the midpoint between the largest Single and 2^128 on, rounding goes to infinity.
    if (std::fabs(value) >= 0x1.ffffffp+127)
        return value < 0 ? -HUGE_VALF : HUGE_VALF;
    return static_cast<float>(value);
}

// The stream form of a name: UTF-8, cut to 255 bytes at a character boundary so the cut
// name still reads back as the same characters.
std::string StreamName(std::u16string_view name)
{
    std::string bytes = rtl::Utf16ToUtf8(name);
    if (bytes.size() > kMaxNameBytes) {
        size_t length = kMaxNameBytes;
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
            --length;
        bytes.resize(length);
    }
    return bytes;
}

bool IsNameStart(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

bool IsNamePart(unsigned char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

// True when the object text reads `name` back as one property name: identifiers joined by
// dots, the first not one of the words that end a property list.
bool IsTextName(std::string_view name)
{
    size_t start = 0;
    for (;;) {
        const size_t dot = name.find('.', start);
        const std::string_view part = name.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (part.empty() || !IsNameStart(static_cast<unsigned char>(part.front())))
            return false;
        for (char c : part) {
            if (!IsNamePart(static_cast<unsigned char>(c)))
                return false;
        }
        if (start == 0) {
            for (std::string_view keyword : { "end", "object", "inherited", "inline" }) {
                if (rtl::SameText(part, keyword))
                    return false;
            }
        }
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// TwzStorageItem

/// A value read from a stream, held apart until the whole of it has been read.
struct TwzStorageItem::StoredValue {
    rtl::TValueType type = rtl::vaNull;
    int32_t integer = 0;
    float number = 0;
    std::u16string text;
    std::vector<uint8_t> bytes;
};

namespace {

// Reads the next value; a value of a kind that an item does not hold is stepped over, and
// only its kind is kept.
void ReadStoredValue(rtl::TValueReader& reader, auto& value)
{
    const rtl::TValueType type = reader.NextValue();
    value.type = type;
    switch (type) {
    case rtl::vaInt8:
    case rtl::vaInt16:
    case rtl::vaInt32:
        value.integer = static_cast<int32_t>(reader.ReadIntegerPayload(reader.ReadValue()));
        break;
    case rtl::vaExtended:
        reader.ReadValue();
        value.number = RoundToSingle(rtl::ExtendedToDouble(reader.ReadExtendedPayload()));
        break;
    case rtl::vaSingle:
        reader.ReadValue();
        value.number = reader.Stream().ReadLE<float>();
        break;
    case rtl::vaString:
    case rtl::vaLString:
    case rtl::vaWString:
        value.text = reader.ReadWideString();
        break;
    case rtl::vaFalse:
    case rtl::vaTrue:
        reader.ReadValue();
        break;
    case rtl::vaBinary:
        value.bytes = reader.ReadBinary();
        break;
    default:
        reader.SkipValue();
        break;
    }
}

} // namespace

TwzStorageItem::TwzStorageItem() = default;

TwzStorageItem::~TwzStorageItem() = default;

void TwzStorageItem::SetAsString(const std::u16string& value)
{
    m_asString = value;
    m_valueType = rtl::vaWString;
}

void TwzStorageItem::SetAsFloat(float value)
{
    m_asFloat = value;
    m_valueType = rtl::vaSingle;
}

void TwzStorageItem::SetAsInteger(int32_t value)
{
    m_asInteger = value;
    m_valueType = rtl::vaInt32;
}

void TwzStorageItem::SetAsBoolean(bool value)
{
    m_valueType = value ? rtl::vaTrue : rtl::vaFalse;
}

rtl::TMemoryStream& TwzStorageItem::GetAsBinary()
{
    m_valueType = rtl::vaBinary;
    if (!m_binary)
        m_binary = std::make_unique<rtl::TMemoryStream>();
    return *m_binary;
}

bool TwzStorageItem::HasValue() const
{
    switch (m_valueType) {
    case rtl::vaInt8:
    case rtl::vaInt16:
    case rtl::vaInt32:
    case rtl::vaExtended:
    case rtl::vaSingle:
    case rtl::vaString:
    case rtl::vaLString:
    case rtl::vaWString:
    case rtl::vaFalse:
    case rtl::vaTrue:
    case rtl::vaBinary:
        return true;
    default:
        return false;
    }
}

void TwzStorageItem::WriteValue(rtl::TValueWriter& writer) const
{
    switch (m_valueType) {
    case rtl::vaInt8:
    case rtl::vaInt16:
    case rtl::vaInt32:
        writer.WriteInteger(m_asInteger);
        break;
    case rtl::vaExtended:
    case rtl::vaSingle:
        writer.WriteExtended(rtl::DoubleToExtended(m_asFloat));
        break;
    case rtl::vaString:
    case rtl::vaLString:
        writer.WriteString(rtl::Utf16ToUtf8(m_asString));
        break;
    case rtl::vaWString:
        writer.WriteWideString(m_asString);
        break;
    case rtl::vaFalse:
    case rtl::vaTrue:
        writer.WriteValue(m_valueType);
        break;
    case rtl::vaBinary:
        writer.WriteBinary(m_binary ? m_binary->Bytes() : std::span<const uint8_t>());
        break;
    default:
        break; // no value yet: nothing has a written form
    }
}

void TwzStorageItem::ReadValue(rtl::TValueReader& reader)
{
    StoredValue value;
    ReadStoredValue(reader, value);
    Apply(value);
}

void TwzStorageItem::Apply(StoredValue& value)
{
    m_valueType = value.type;
    switch (value.type) {
    case rtl::vaInt8:
    case rtl::vaInt16:
    case rtl::vaInt32:
        m_asInteger = value.integer;
        break;
    case rtl::vaExtended:
    case rtl::vaSingle:
        m_asFloat = value.number;
        break;
    case rtl::vaString:
    case rtl::vaLString:
    case rtl::vaWString:
        m_asString = std::move(value.text);
        break;
    case rtl::vaBinary: {
        // The same stream object: a caller may still hold it from GetAsBinary.
        rtl::TMemoryStream& block = GetAsBinary();
        block.Clear();
        if (!value.bytes.empty())
            block.WriteBuffer(value.bytes.data(), value.bytes.size());
        block.SetPosition(0);
        break;
    }
    default:
        break; // a kind without a field: the kind alone tells a reader what the file held
    }
}

// ---------------------------------------------------------------------------------------
// TwzStorage

TwzStorage::TwzStorage() = default;

TwzStorage::~TwzStorage() = default;

TwzStorageItem& TwzStorage::GetItem(std::string_view name)
{
    return FindOrAdd(rtl::Utf8ToUtf16(name));
}

TwzStorageItem& TwzStorage::FindOrAdd(const std::u16string& name)
{
    const int index = m_items.IndexOf(name);
    if (index >= 0)
        return *static_cast<TwzStorageItem*>(m_items.GetObject(index));
    m_owned.push_back(std::make_unique<TwzStorageItem>());
    TwzStorageItem& item = *m_owned.back();
    m_items.AddObject(name, &item);
    return item;
}

void TwzStorage::SaveToStream(rtl::TStream& stream) const
{
    struct Entry {
        std::string name;
        const TwzStorageItem* item;
    };
    std::vector<Entry> entries;
    const int count = m_items.GetCount();
    for (int i = 0; i < count; ++i) {
        const auto* item = static_cast<const TwzStorageItem*>(m_items.GetObject(i));
        if (!item->HasValue())
            continue; // never given a value: a name alone could not be read back
        std::string name = StreamName(m_items.Get(i));
        // An empty name would read as the end of the items and lose all that follow.
        if (name.empty())
            throw rtl::WriteError("A storage item without a name cannot be saved");
        entries.push_back({ std::move(name), item });
    }

    rtl::TValueWriter writer(stream);
    writer.WriteSignature();
    writer.WriteObjectHeader({ 0, 0, "Root", "" });
    for (const Entry& entry : entries) {
        writer.WriteStr(entry.name);
        entry.item->WriteValue(writer);
    }
    writer.WriteListEnd(); // properties
    writer.WriteListEnd(); // children
}

void TwzStorage::LoadFromStream(rtl::TStream& stream)
{
    rtl::TValueReader reader(stream);
    reader.CheckAvailable(4);
    stream.Seek(4, rtl::soFromCurrent); // the signature is not checked
    reader.ReadObjectHeader();

    // Everything is read before any item changes, so a damaged stream changes nothing.
    struct Entry {
        std::u16string name;
        TwzStorageItem::StoredValue value;
    };
    std::vector<Entry> entries;
    while (!reader.EndOfList()) {
        Entry entry;
        entry.name = rtl::Utf8ToUtf16(reader.ReadStr());
        ReadStoredValue(reader, entry.value);
        entries.push_back(std::move(entry));
    }
    reader.ReadListEnd();

    for (Entry& entry : entries)
        FindOrAdd(entry.name).Apply(entry.value);
}

void TwzStorage::SaveToFile(const std::string& fileName) const
{
    const int count = m_items.GetCount();
    for (int i = 0; i < count; ++i) {
        if (!static_cast<const TwzStorageItem*>(m_items.GetObject(i))->HasValue())
            continue;
        const std::string name = StreamName(m_items.Get(i));
        if (!IsTextName(name))
            throw rtl::WriteError("Invalid storage item name \"" + rtl::ToValidUtf8(name)
                + "\": a design file holds names of letters, digits, \"_\" and dots");
    }

    rtl::TMemoryStream binary;
    SaveToStream(binary);
    binary.SetPosition(0);
    rtl::TMemoryStream text;
    ObjectStreamToText(binary, text);
    rtl::ReplaceFile(fileName, text.Bytes());
}

void TwzStorage::LoadFromFile(const std::string& fileName)
{
    rtl::TMemoryStream binary;
    {
        rtl::TFileStream file(fileName, rtl::fmOpenRead | rtl::fmShareDenyWrite);
        ObjectTextToStream(file, binary);
    }
    binary.SetPosition(0);
    LoadFromStream(binary);
}
