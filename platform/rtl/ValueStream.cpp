#include "platform/rtl/ValueStream.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace rtl {

// ---------------------------------------------------------------------------------------
// 80-bit extended floats

namespace {

constexpr int kExtendedBias = 16383;
constexpr int kDoubleBias = 1023;
constexpr uint64_t kIntegerBit = uint64_t(1) << 63;

// Shifts `m` right by `shift` bits (>= 1), rounding to nearest with ties to even.
uint64_t ShiftRightRounded(uint64_t m, int shift)
{
    if (shift > 64)
        return 0; // below a quarter of the last place kept
    uint64_t q, rem, half;
    if (shift == 64) {
        q = 0;
        rem = m;
        half = kIntegerBit;
    } else {
        q = m >> shift;
        rem = m & ((uint64_t(1) << shift) - 1);
        half = uint64_t(1) << (shift - 1);
    }
    if (rem > half || (rem == half && (q & 1)))
        ++q;
    return q;
}

} // namespace

TExtended80 DoubleToExtended(double value)
{
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const bool negative = bits >> 63;
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);

    uint64_t mantissa = 0;
    int biased = 0;
    if (exponent == 0x7FF) {
        biased = 0x7FFF;
        // Infinity keeps only the integer bit; a NaN is quiet and keeps its payload.
        mantissa = fraction == 0 ? kIntegerBit : (kIntegerBit | (uint64_t(1) << 62) | (fraction << 11));
    } else if (exponent == 0) {
        if (fraction != 0) {
            // Denormal double: normal in extended.
            const int lead = std::countl_zero(fraction);
            mantissa = fraction << lead;
            // fraction * 2^-1074 = mantissa * 2^(-1074 - lead) = mantissa * 2^(biased - bias - 63)
            biased = -1074 - lead + 63 + kExtendedBias;
        }
    } else {
        mantissa = kIntegerBit | (fraction << 11);
        biased = exponent - kDoubleBias + kExtendedBias;
    }

    TExtended80 out {};
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<uint8_t>(mantissa >> (8 * i));
    const uint16_t top = static_cast<uint16_t>((negative ? 0x8000 : 0) | (biased & 0x7FFF));
    out[8] = static_cast<uint8_t>(top);
    out[9] = static_cast<uint8_t>(top >> 8);
    return out;
}

double ExtendedToDouble(const TExtended80& value)
{
    uint64_t mantissa = 0;
    for (int i = 0; i < 8; ++i)
        mantissa |= uint64_t(value[i]) << (8 * i);
    const uint16_t top = static_cast<uint16_t>(value[8] | (value[9] << 8));
    const bool negative = top & 0x8000;
    const int biased = top & 0x7FFF;
    const double sign = negative ? -1.0 : 1.0;

    if (biased == 0x7FFF) {
        if ((mantissa & ~kIntegerBit) == 0)
            return sign * std::numeric_limits<double>::infinity();
        return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
    }
    if (mantissa == 0)
        return negative ? -0.0 : 0.0;

    // value = mantissa * 2^(e - 63), with e the unbiased exponent of the integer bit
    // (denormals and unnormals use the smallest exponent and need no special case).
    int e = (biased == 0 ? 1 : biased) - kExtendedBias;
    const int lead = std::countl_zero(mantissa);
    mantissa <<= lead;
    e -= lead;
    if (e > kDoubleBias)
        return sign * std::numeric_limits<double>::infinity();

    // Keep 53 bits, fewer where the result is a double denormal, and round once.
    int shift = 11;
    if (e < 1 - kDoubleBias)
        shift += (1 - kDoubleBias) - e;
    const uint64_t q = ShiftRightRounded(mantissa, shift);
    // q < 2^54 and the scale keeps the result exact: ldexp only places it (or overflows
    // to infinity when rounding carried past the largest double).
    return sign * std::ldexp(static_cast<double>(q), e - 63 + shift);
}

// ---------------------------------------------------------------------------------------
// TValueReader

namespace {

std::string FormatInvalidType(uint8_t code)
{
    return "Invalid property type from streamed property: " + std::to_string(code);
}

[[noreturn]] void InvalidValue()
{
    throw ReadError("Invalid property value");
}

bool IsIntegerCode(uint8_t code)
{
    return code == vaInt8 || code == vaInt16 || code == vaInt32 || code == vaInt64;
}

} // namespace

void TValueReader::InvalidType(uint8_t code)
{
    throw ReadError(FormatInvalidType(code));
}

uint8_t TValueReader::ReadByte()
{
    uint8_t b;
    m_stream.ReadBuffer(&b, 1);
    return b;
}

void TValueReader::CheckAvailable(uint64_t count)
{
    if (count > static_cast<uint64_t>(m_stream.BytesLeft()))
        throw ReadError("Stream read error");
}

void TValueReader::Skip(uint64_t count)
{
    CheckAvailable(count);
    if (count != 0)
        m_stream.Seek(static_cast<int64_t>(count), soFromCurrent);
}

void TValueReader::ReadSignature()
{
    char signature[4];
    if (m_stream.Read(signature, 4) != 4 || std::string_view(signature, 4) != kStreamSignature)
        throw ReadError("Illegal stream image");
}

TValueType TValueReader::NextValue()
{
    const uint8_t b = ReadByte();
    m_stream.Seek(-1, soFromCurrent);
    return static_cast<TValueType>(b);
}

TValueType TValueReader::ReadValue()
{
    return static_cast<TValueType>(ReadByte());
}

void TValueReader::CheckValue(TValueType expected)
{
    if (ReadValue() != expected)
        InvalidValue();
}

bool TValueReader::EndOfList()
{
    return NextValue() == vaNull;
}

void TValueReader::ReadPrefix(uint8_t& flags, int32_t& childPos)
{
    flags = 0;
    childPos = 0;
    const uint8_t first = static_cast<uint8_t>(NextValue());
    if ((first & 0xF0) != 0xF0)
        return;
    ReadByte();
    flags = first & 0x0F;
    if (flags & ffChildPos)
        childPos = ReadInteger();
}

TObjectHeader TValueReader::ReadObjectHeader()
{
    TObjectHeader header;
    ReadPrefix(header.flags, header.childPos);
    header.className = ReadStr();
    header.objectName = ReadStr();
    return header;
}

std::string TValueReader::ReadStr()
{
    const uint8_t length = ReadByte();
    std::string s(length, '\0');
    m_stream.ReadBuffer(s.data(), length);
    return s;
}

int64_t TValueReader::ReadIntegerPayload(TValueType type)
{
    switch (type) {
    case vaInt8:
        return m_stream.ReadLE<int8_t>();
    case vaInt16:
        return m_stream.ReadLE<int16_t>();
    case vaInt32:
        return m_stream.ReadLE<int32_t>();
    case vaInt64:
        return m_stream.ReadLE<int64_t>();
    default:
        InvalidValue();
    }
}

TExtended80 TValueReader::ReadExtendedPayload()
{
    TExtended80 x;
    m_stream.ReadBuffer(x.data(), x.size());
    return x;
}

std::string TValueReader::ReadBytesPayload(TValueType type)
{
    uint64_t length;
    if (type == vaString || type == vaIdent)
        length = ReadByte();
    else if (type == vaLString || type == vaUTF8String)
        length = m_stream.ReadLE<uint32_t>();
    else
        InvalidValue();
    CheckAvailable(length);
    std::string s(static_cast<size_t>(length), '\0');
    m_stream.ReadBuffer(s.data(), s.size());
    return s;
}

std::u16string TValueReader::ReadUtf16Payload()
{
    const uint64_t units = m_stream.ReadLE<uint32_t>();
    CheckAvailable(units * 2);
    std::u16string s(static_cast<size_t>(units), u'\0');
    std::vector<uint8_t> bytes(static_cast<size_t>(units * 2));
    m_stream.ReadBuffer(bytes.data(), bytes.size());
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return s;
}

int32_t TValueReader::ReadInteger()
{
    const int64_t v = ReadInt64();
    // Unsigned 32-bit values (ARGB colours, "$FF000000" in text) arrive as code 19.
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<uint32_t>::max())
        InvalidValue();
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

int64_t TValueReader::ReadInt64()
{
    const TValueType type = ReadValue();
    if (!IsIntegerCode(type))
        InvalidValue();
    return ReadIntegerPayload(type);
}

double TValueReader::ReadFloat()
{
    const TValueType type = ReadValue();
    switch (type) {
    case vaExtended:
        return ExtendedToDouble(ReadExtendedPayload());
    case vaSingle:
        return m_stream.ReadLE<float>();
    case vaCurrency:
        return static_cast<double>(m_stream.ReadLE<int64_t>()) / 10000.0;
    case vaDate:
        return m_stream.ReadLE<double>();
    default:
        if (!IsIntegerCode(type))
            InvalidValue();
        return static_cast<double>(ReadIntegerPayload(type));
    }
}

bool TValueReader::ReadBoolean()
{
    const TValueType type = ReadValue();
    if (type != vaFalse && type != vaTrue)
        InvalidValue();
    return type == vaTrue;
}

std::string TValueReader::ReadString()
{
    const TValueType type = ReadValue();
    switch (type) {
    case vaString:
    case vaLString:
    case vaUTF8String:
        return ToValidUtf8(ReadBytesPayload(type));
    case vaWString:
    case vaUString:
        return Utf16ToUtf8(ReadUtf16Payload());
    default:
        InvalidValue();
    }
}

std::u16string TValueReader::ReadWideString()
{
    const TValueType type = ReadValue();
    switch (type) {
    case vaString:
    case vaLString:
    case vaUTF8String:
        return Utf8ToUtf16(ReadBytesPayload(type));
    case vaWString:
    case vaUString:
        return ReadUtf16Payload();
    default:
        InvalidValue();
    }
}

std::string TValueReader::ReadIdent()
{
    const TValueType type = ReadValue();
    switch (type) {
    case vaIdent:
        return ReadBytesPayload(vaIdent);
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    case vaNil:
        return "nil";
    default:
        InvalidValue();
    }
}

std::vector<uint8_t> TValueReader::ReadBinary()
{
    CheckValue(vaBinary);
    const uint32_t size = m_stream.ReadLE<uint32_t>();
    CheckAvailable(size);
    std::vector<uint8_t> bytes(size);
    m_stream.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

std::vector<std::string> TValueReader::ReadSet()
{
    CheckValue(vaSet);
    std::vector<std::string> names;
    for (;;) {
        std::string name = ReadStr();
        if (name.empty())
            return names;
        names.push_back(std::move(name));
    }
}

std::optional<int64_t> TValueReader::ReadCollectionItemBegin()
{
    std::optional<int64_t> index;
    const TValueType next = NextValue();
    if (IsIntegerCode(next))
        index = ReadInt64();
    CheckValue(vaList);
    return index;
}

void TValueReader::SkipValue()
{
    SkipValueAt(0);
}

void TValueReader::SkipProperty()
{
    Skip(ReadByte());
    SkipValue();
}

void TValueReader::SkipValueAt(int depth)
{
    if (depth > kMaxValueNesting)
        throw ReadError("Values nested too deeply");
    const uint8_t code = ReadByte();
    switch (code) {
    case vaList:
        while (!EndOfList())
            SkipValueAt(depth + 1);
        ReadByte();
        return;
    case vaInt8:
        return Skip(1);
    case vaInt16:
        return Skip(2);
    case vaInt32:
    case vaSingle:
        return Skip(4);
    case vaInt64:
    case vaCurrency:
    case vaDate:
        return Skip(8);
    case vaExtended:
        return Skip(10);
    case vaString:
    case vaIdent:
        return Skip(ReadByte());
    case vaFalse:
    case vaTrue:
    case vaNil:
        return;
    case vaBinary:
    case vaLString:
    case vaUTF8String:
        return Skip(m_stream.ReadLE<uint32_t>());
    case vaWString:
    case vaUString:
        return Skip(uint64_t(m_stream.ReadLE<uint32_t>()) * 2);
    case vaSet:
        for (;;) {
            const uint8_t length = ReadByte();
            if (length == 0)
                return;
            Skip(length);
        }
    case vaCollection:
        while (!EndOfList()) {
            const uint8_t next = static_cast<uint8_t>(NextValue());
            if (IsIntegerCode(next))
                SkipValueAt(depth + 1);
            const uint8_t open = ReadByte();
            if (open != vaList)
                InvalidType(open);
            while (!EndOfList()) {
                Skip(ReadByte());
                SkipValueAt(depth + 1);
            }
            ReadByte();
        }
        ReadByte();
        return;
    default:
        InvalidType(code);
    }
}

// ---------------------------------------------------------------------------------------
// TValueWriter

void TValueWriter::WriteSignature()
{
    m_stream.WriteBuffer(kStreamSignature.data(), kStreamSignature.size());
}

void TValueWriter::WriteValue(TValueType type)
{
    WriteByte(type);
}

void TValueWriter::WritePrefix(uint8_t flags, int32_t childPos)
{
    flags &= ffInherited | ffChildPos | ffInline;
    if (flags == 0)
        return;
    WriteByte(static_cast<uint8_t>(0xF0 | flags));
    if (flags & ffChildPos)
        WriteInteger(childPos);
}

void TValueWriter::WriteObjectHeader(const TObjectHeader& header)
{
    // A class name of 240 bytes or more starts with a length byte a reader takes for a
    // flags byte; an explicit empty flags byte keeps such a header readable.
    if ((header.flags & (ffInherited | ffChildPos | ffInline)) == 0 && header.className.size() >= 0xF0)
        WriteByte(0xF0);
    WritePrefix(header.flags, header.childPos);
    WriteStr(header.className);
    WriteStr(header.objectName);
}

void TValueWriter::WriteStr(std::string_view bytes)
{
    if (bytes.size() > 255)
        throw WriteError("Name too long for the stream: " + std::string(bytes.substr(0, 64)) + "...");
    WriteByte(static_cast<uint8_t>(bytes.size()));
    m_stream.WriteBuffer(bytes.data(), bytes.size());
}

void TValueWriter::WriteLength32(size_t length)
{
    if (length > std::numeric_limits<uint32_t>::max())
        throw WriteError("Value too large for the stream");
    m_stream.WriteLE<uint32_t>(static_cast<uint32_t>(length));
}

void TValueWriter::WriteInteger(int64_t value)
{
    if (value >= INT8_MIN && value <= INT8_MAX) {
        WriteValue(vaInt8);
        m_stream.WriteLE<int8_t>(static_cast<int8_t>(value));
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
        WriteValue(vaInt16);
        m_stream.WriteLE<int16_t>(static_cast<int16_t>(value));
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        WriteValue(vaInt32);
        m_stream.WriteLE<int32_t>(static_cast<int32_t>(value));
    } else {
        WriteValue(vaInt64);
        m_stream.WriteLE<int64_t>(value);
    }
}

void TValueWriter::WriteFloat(double value)
{
    WriteExtended(DoubleToExtended(value));
}

void TValueWriter::WriteExtended(const TExtended80& value)
{
    WriteValue(vaExtended);
    m_stream.WriteBuffer(value.data(), value.size());
}

void TValueWriter::WriteBoolean(bool value)
{
    WriteValue(value ? vaTrue : vaFalse);
}

void TValueWriter::WriteString(std::string_view bytes)
{
    if (bytes.size() < 256) {
        WriteValue(vaString);
        WriteByte(static_cast<uint8_t>(bytes.size()));
    } else {
        if (bytes.size() > std::numeric_limits<uint32_t>::max())
            throw WriteError("Value too large for the stream");
        WriteValue(vaLString);
        WriteLength32(bytes.size());
    }
    m_stream.WriteBuffer(bytes.data(), bytes.size());
}

void TValueWriter::WriteWideString(std::u16string_view text)
{
    if (text.size() > std::numeric_limits<uint32_t>::max())
        throw WriteError("Value too large for the stream");
    WriteValue(vaWString);
    WriteLength32(text.size());
    std::vector<uint8_t> bytes(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(text[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    m_stream.WriteBuffer(bytes.data(), bytes.size());
}

void TValueWriter::WriteIdent(std::string_view ident)
{
    if (SameText(ident, "False")) {
        WriteValue(vaFalse);
    } else if (SameText(ident, "True")) {
        WriteValue(vaTrue);
    } else if (SameText(ident, "nil")) {
        WriteValue(vaNil);
    } else {
        if (ident.size() > 255)
            throw WriteError("Name too long for the stream: " + std::string(ident.substr(0, 64)) + "...");
        WriteValue(vaIdent);
        WriteStr(ident);
    }
}

void TValueWriter::WriteBinary(std::span<const uint8_t> bytes)
{
    if (bytes.size() > std::numeric_limits<uint32_t>::max())
        throw WriteError("Value too large for the stream");
    WriteValue(vaBinary);
    WriteLength32(bytes.size());
    m_stream.WriteBuffer(bytes.data(), bytes.size());
}

void TValueWriter::WriteSet(std::span<const std::string> names)
{
    for (const std::string& name : names) {
        if (name.empty() || name.size() > 255)
            throw WriteError("Invalid set element name");
    }
    WriteValue(vaSet);
    for (const std::string& name : names)
        WriteStr(name);
    WriteStr({});
}

void TValueWriter::WriteCollectionItemBegin(std::optional<int64_t> index)
{
    if (index)
        WriteInteger(*index);
    WriteListBegin();
}

} // namespace rtl
