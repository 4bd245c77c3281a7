#pragma once

#include "platform/rtl/Streams.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The value level of the binary component stream: the signature, object headers, short
// strings and the coded values (one code byte, then its payload, little-endian). The
// component reader and writer, the object text conversion and every stored form that
// writes single values build on this. Nothing here knows about classes or properties.
namespace rtl {

/// The value codes of the binary component stream.
enum TValueType : uint8_t {
    vaNull = 0, ///< ends a list, property list, object or collection
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5, ///< 80-bit extended float
    vaString = 6, ///< length byte, then bytes
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12, ///< 32-bit length, then bytes
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18, ///< 32-bit length in UTF-16 units, then the units
    vaInt64 = 19,
    vaUTF8String = 20,
    vaUString = 21, ///< as vaWString
};

/// Highest value code that has a meaning.
constexpr uint8_t kMaxValueType = vaUString;

/// Bits of an object's flags byte ($F0 or'ed with them; present only when one is set).
enum TFilerFlag : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

/// Lists, collections and objects nested deeper than this raise ReadError, so hostile
/// input cannot exhaust the stack.
constexpr int kMaxValueNesting = 256;

/// The four signature bytes of a binary component stream.
constexpr std::string_view kStreamSignature = "TPF0";

/// An 80-bit extended float as stored: 64-bit mantissa with an explicit integer bit,
/// then sign and 15-bit exponent biased by 16383, little-endian.
using TExtended80 = std::array<uint8_t, 10>;

/// Exact conversion (every double is an extended); infinities and NaN keep their kind.
[[nodiscard]] TExtended80 DoubleToExtended(double value);

/// Rounds to the nearest double (ties to even), denormals included; values beyond the
/// double range become infinities, NaN stays NaN.
[[nodiscard]] double ExtendedToDouble(const TExtended80& value);

/// The header that starts every object: flags, child position (when ffChildPos), class
/// name and object name.
struct TObjectHeader {
    uint8_t flags = 0; ///< TFilerFlag bits
    int32_t childPos = 0;
    std::string className;
    std::string objectName;
};

/// Reads values from a stream. Every length and count is checked against the bytes left
/// before anything is allocated; truncation, a bad length or an unexpected code raises
/// ReadError. The stream must outlive the reader.
class TValueReader {
public:
    explicit TValueReader(TStream& stream)
        : m_stream(stream)
    { }

    TStream& Stream() const { return m_stream; }

    /// Checks the four signature bytes; raises ReadError("Illegal stream image").
    void ReadSignature();

    /// The next value code without consuming it.
    [[nodiscard]] TValueType NextValue();
    /// Reads one value code (any byte; not checked against the known codes).
    TValueType ReadValue();
    /// Reads a value code and raises ReadError("Invalid property value") unless it is
    /// `expected`.
    void CheckValue(TValueType expected);

    /// True when the next byte is the 0 that ends a list; nothing is consumed.
    [[nodiscard]] bool EndOfList();
    /// Reads the vaList code that opens a list.
    void ReadListBegin() { CheckValue(vaList); }
    /// Reads the 0 that ends a list, property list or object.
    void ReadListEnd() { CheckValue(vaNull); }

    /// The optional flags byte and child position; the stream is left at the class name.
    void ReadPrefix(uint8_t& flags, int32_t& childPos);
    /// Prefix, class name and object name.
    TObjectHeader ReadObjectHeader();

    /// A short string (length byte, then bytes), as raw bytes. Class, object, property and
    /// set element names are short strings.
    std::string ReadStr();

    // Typed reads: each reads the value code, checks that it fits, then the payload.
    // A code that does not fit raises ReadError("Invalid property value").

    /// Codes 2/3/4/19 holding a signed or unsigned 32-bit value; the unsigned ones
    /// (colours) come back as their bit pattern. Wider values do not fit.
    int32_t ReadInteger();
    /// Codes 2/3/4/19.
    int64_t ReadInt64();
    /// Code 5, also 15 (single), 16 (currency, scaled by 1/10000), 17 (date) and the
    /// integer codes.
    double ReadFloat();
    /// Codes 8/9.
    bool ReadBoolean();
    /// Codes 6/12 (bytes that are not UTF-8 are read as Windows-1252), 20, 18/21; UTF-8.
    std::string ReadString();
    /// The same codes as ReadString, as UTF-16.
    std::u16string ReadWideString();
    /// Code 7, and 8/9/13 as "False"/"True"/"nil".
    std::string ReadIdent();
    /// Code 10.
    std::vector<uint8_t> ReadBinary();
    /// Code 11: the element names in stream order.
    std::vector<std::string> ReadSet();

    // Payload reads after ReadValue() returned `type`; for callers that dispatch on the
    // code themselves (the object text writer, a reader converting by target kind).

    /// Integer payload of codes 2/3/4/19.
    int64_t ReadIntegerPayload(TValueType type);
    /// The 10 payload bytes of code 5.
    TExtended80 ReadExtendedPayload();
    /// Raw bytes of codes 6, 12 and 20 (and 7: the identifier).
    std::string ReadBytesPayload(TValueType type);
    /// UTF-16 units of codes 18 and 21.
    std::u16string ReadUtf16Payload();

    /// After a vaCollection code: the optional index integer of the next item and the
    /// vaList code that opens its property list. Use EndOfList() to find the last item.
    std::optional<int64_t> ReadCollectionItemBegin();

    /// Steps over one whole value of any code, nested lists and collections included.
    /// A 0 or an unknown code raises ReadError("Invalid property type from streamed
    /// property: %d").
    void SkipValue();
    /// Steps over a property name and its value.
    void SkipProperty();

    /// Raises ReadError unless `count` bytes are left.
    void CheckAvailable(uint64_t count);

private:
    uint8_t ReadByte();
    void Skip(uint64_t count);
    void SkipValueAt(int depth);
    [[noreturn]] static void InvalidType(uint8_t code);

    TStream& m_stream;
};

/// Writes values to a stream, each in the form TValueReader reads. Integers take the
/// smallest code that holds them; floats are written as code 5. A stream write failure
/// raises WriteError. The stream must outlive the writer.
class TValueWriter {
public:
    explicit TValueWriter(TStream& stream)
        : m_stream(stream)
    { }

    TStream& Stream() const { return m_stream; }

    void WriteSignature();
    void WriteValue(TValueType type);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }

    /// The flags byte (only when a TFilerFlag bit is set) and, with ffChildPos, the child
    /// position. Prefer WriteObjectHeader, which also handles very long class names.
    void WritePrefix(uint8_t flags, int32_t childPos);
    /// Prefix, class name and object name. A class name of 240 bytes or more gets an empty
    /// flags byte ($F0) so that its length byte is not read as flags.
    void WriteObjectHeader(const TObjectHeader& header);

    /// A short string; names longer than 255 bytes raise WriteError.
    void WriteStr(std::string_view bytes);

    void WriteInteger(int64_t value);
    void WriteFloat(double value);
    void WriteExtended(const TExtended80& value);
    void WriteBoolean(bool value);
    /// Bytes as code 6 below 256 bytes, else code 12.
    void WriteString(std::string_view bytes);
    /// Code 18.
    void WriteWideString(std::u16string_view text);
    /// Code 7; the words False, True and nil (any case) are written as codes 8, 9, 13.
    void WriteIdent(std::string_view ident);
    void WriteBinary(std::span<const uint8_t> bytes);
    void WriteSet(std::span<const std::string> names);

    /// Opens a collection: code 14. Each item is WriteCollectionItemBegin, its property
    /// list, WriteListEnd; a last WriteListEnd closes the collection.
    void WriteCollectionBegin() { WriteValue(vaCollection); }
    void WriteCollectionItemBegin(std::optional<int64_t> index = std::nullopt);

private:
    void WriteByte(uint8_t b) { m_stream.WriteBuffer(&b, 1); }
    void WriteLength32(size_t length);

    TStream& m_stream;
};

} // namespace rtl
