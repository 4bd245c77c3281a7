#pragma once

#include "graphics/TwzWideStrings.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/ValueStream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {
class TMemoryStream;
} // namespace rtl

// A small store of named, typed values: integers, floats, texts, Booleans and binary blocks.
// The lettering designer keeps a whole design in one and saves it as a design file: the
// object text of one object of class "Root" whose properties are the items, one line each
// ("name = value"), pictures as blocks of hexadecimal digits.

/// One value and its kind. The kinds share nothing: each setter writes its own field and
/// the kind; reading the field of another kind gives whatever it last held (0 or empty for
/// a new item).
class TwzStorageItem : public rtl::TPersistent {
    RTL_CLASS(TwzStorageItem, rtl::TPersistent)
public:
    TwzStorageItem();
    ~TwzStorageItem() override;

    /// The kind as a value code of the binary component stream: vaNull for an item that
    /// was never given a value; vaInt8/16/32 integers, vaExtended and vaSingle floats,
    /// vaString/vaLString and vaWString texts, vaFalse/vaTrue, vaBinary; any other code for a
    /// value read of a kind the storage does not hold.
    [[nodiscard]] rtl::TValueType GetValueType() const { return m_valueType; }

    [[nodiscard]] const std::u16string& GetAsString() const { return m_asString; }
    /// Kind vaWString: written character by character, so every text survives.
    void SetAsString(const std::u16string& value);
    [[nodiscard]] float GetAsFloat() const { return m_asFloat; }
    /// Kind vaSingle; written as an extended float, so it reads back as vaExtended.
    void SetAsFloat(float value);
    [[nodiscard]] int32_t GetAsInteger() const { return m_asInteger; }
    /// Kind vaInt32; written in the smallest integer code that holds it.
    void SetAsInteger(int32_t value);
    /// True exactly when the kind is vaTrue.
    [[nodiscard]] bool GetAsBoolean() const { return m_valueType == rtl::vaTrue; }
    void SetAsBoolean(bool value);
    /// Makes the item binary (also when only reading) and returns its block, created empty
    /// on first use and owned by the item. The caller writes or reads (and rewinds) it;
    /// loading leaves it positioned at its start.
    rtl::TMemoryStream& GetAsBinary();

    /// Writes the value code and payload of the kind; an item without a value writes
    /// nothing. Floats are written as extended, ANSI texts as UTF-8.
    void WriteValue(rtl::TValueWriter& writer) const;
    /// Reads one value into the item. A value of a kind the storage does not hold (lists,
    /// sets, identifiers, 64-bit integers ...) is stepped over: the item takes its kind, so a
    /// reader can tell that the file held something else, and keeps its fields; such an item
    /// has no written form. A damaged stream raises rtl::ReadError, leaving the item as it
    /// was.
    void ReadValue(rtl::TValueReader& reader);

    /// True when the item has a written form (it was given a value of a kind that has one).
    [[nodiscard]] bool HasValue() const;

private:
    friend class TwzStorage;
    struct StoredValue;

    void Apply(StoredValue& value);

    rtl::TValueType m_valueType = rtl::vaNull;
    std::u16string m_asString;
    float m_asFloat = 0;
    int32_t m_asInteger = 0;
    std::unique_ptr<rtl::TMemoryStream> m_binary;
};

/// Items found by name without regard to the case of ASCII letters, in the order in which
/// their names were first asked for. Items stay for the storage's lifetime; the storage
/// owns and frees them.
class TwzStorage : public rtl::TPersistent {
    RTL_CLASS(TwzStorage, rtl::TPersistent)
public:
    TwzStorage();
    ~TwzStorage() override;

    /// The item of that name (UTF-8; bytes that are not UTF-8 read as Windows-1252); a name
    /// not present yet is appended as a new item without a value.
    TwzStorageItem& GetItem(std::string_view name);
    /// The names in order, each line's object its TwzStorageItem.
    [[nodiscard]] const TwzWideStringList& GetItems() const { return m_items; }

    /// The binary component stream of one object of class "Root" whose properties are the
    /// items with a value, in order (names longer than 255 bytes are cut, never inside a
    /// character). Raises rtl::WriteError, before writing anything, for an item with a
    /// value and an empty name.
    void SaveToStream(rtl::TStream& stream) const;
    /// Reads such a stream from its position: every property's item (created when missing)
    /// takes the value; items not mentioned keep theirs; a name given twice takes the last
    /// value. The signature bytes are not checked. A damaged stream raises rtl::ReadError
    /// and leaves the storage as it was.
    void LoadFromStream(rtl::TStream& stream);
    /// Writes the object text of SaveToStream's form. The file is replaced only once the
    /// whole text is written, so a failed save leaves an existing file as it was. Raises
    /// rtl::WriteError, before touching the file, for a name that the object text cannot
    /// carry (not a dotted identifier, or starting with one of its keywords); the file
    /// errors of rtl::ReplaceFile otherwise.
    void SaveToFile(const std::string& fileName) const;
    /// Reads a file written by SaveToFile: rtl::FileOpenError when it cannot be opened,
    /// rtl::ParserError for text that does not follow the notation, rtl::ReadError for a
    /// form the storage cannot read; the storage is left as it was in each case.
    void LoadFromFile(const std::string& fileName);

private:
    TwzStorageItem& FindOrAdd(const std::u16string& name);

    TwzWideStringList m_items;
    std::vector<std::unique_ptr<TwzStorageItem>> m_owned;
};
