#include "platform/rtl/ValueStream.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace rtl;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const TMemoryStream& s)
{
    return Bytes(s.Bytes().begin(), s.Bytes().end());
}

TExtended80 Ext(std::initializer_list<int> bytes)
{
    TExtended80 x {};
    size_t i = 0;
    for (int b : bytes)
        x[i++] = static_cast<uint8_t>(b);
    return x;
}

std::string Hex(const TExtended80& x)
{
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : x) {
        if (!s.empty())
            s += ' ';
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

template <class F> std::string ReadErrorOf(const Bytes& bytes, F&& action)
{
    TConstMemoryStream s(bytes.data(), bytes.size());
    TValueReader r(s);
    try {
        action(r);
    } catch (const ReadError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(Extended80, DoublesConvertToKnownBytePatterns)
{
    struct Case {
        double value;
        const char* bytes;
    } cases[] = {
        { 1.0, "00 00 00 00 00 00 00 80 FF 3F" },
        { 0.0, "00 00 00 00 00 00 00 00 00 00" },
        { -0.0, "00 00 00 00 00 00 00 00 00 80" },
        { -2.5, "00 00 00 00 00 00 00 A0 00 C0" },
        { 0.1, "00 D0 CC CC CC CC CC CC FB 3F" },
        { 1e-300, "00 C8 9A C7 17 FE 70 AB 1A 3C" },
        { std::numeric_limits<double>::max(), "00 F8 FF FF FF FF FF FF FE 43" },
        { std::numeric_limits<double>::min(), "00 00 00 00 00 00 00 80 01 3C" },
        { std::numeric_limits<double>::denorm_min(), "00 00 00 00 00 00 00 80 CD 3B" },
        { std::numeric_limits<double>::infinity(), "00 00 00 00 00 00 00 80 FF 7F" },
        { -std::numeric_limits<double>::infinity(), "00 00 00 00 00 00 00 80 FF FF" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const TExtended80 x = DoubleToExtended(c.value);
        EXPECT_EQ(Hex(x), c.bytes);
        const double back = ExtendedToDouble(x);
        EXPECT_EQ(std::bit_cast<uint64_t>(back), std::bit_cast<uint64_t>(c.value));
    }
    const TExtended80 nan = DoubleToExtended(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(nan[9] & 0x7F, 0x7F);
    EXPECT_EQ(nan[8], 0xFF);
    EXPECT_TRUE(std::isnan(ExtendedToDouble(nan)));
}

TEST(Extended80, EveryDoubleSurvivesTheRoundTrip)
{
    // Bit patterns spread over all exponents, denormals included.
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 20000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        uint64_t bits = state ^ (state >> 29);
        if ((bits >> 52 & 0x7FF) == 0x7FF)
            bits &= ~(uint64_t(1) << 62); // skip NaN/inf, checked above
        const double d = std::bit_cast<double>(bits);
        ASSERT_EQ(std::bit_cast<uint64_t>(ExtendedToDouble(DoubleToExtended(d))), bits) << std::hex << bits;
    }
}

TEST(Extended80, ExtendedValuesRoundToNearestEven)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        TExtended80 x;
        double expected;
    } cases[] = {
        { "1 + 2^-53 is a tie, rounds to even 1", Ext({ 0x00, 0x04, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F }), 1.0 },
        { "1 + 3*2^-53 is a tie, rounds up to even", Ext({ 0x00, 0x0C, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F }),
            1.0 + std::ldexp(1.0, -51) },
        { "just above the tie rounds up", Ext({ 0x01, 0x04, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F }),
            1.0 + std::ldexp(1.0, -52) },
        { "just below the tie rounds down", Ext({ 0xFF, 0x03, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F }), 1.0 },
        { "carry into the next power of two",
            Ext({ 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F }), 2.0 },
        { "rounding past the largest double overflows",
            Ext({ 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x43 }), inf },
        { "2^1024 is beyond double", Ext({ 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x43 }), inf },
        { "largest extended", Ext({ 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF }), -inf },
        { "2^-1075 is a tie between 0 and the smallest denormal",
            Ext({ 0, 0, 0, 0, 0, 0, 0, 0x80, 0xCC, 0x3B }), 0.0 },
        { "1.5 * 2^-1075 rounds to the smallest denormal", Ext({ 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xCC, 0x3B }),
            std::numeric_limits<double>::denorm_min() },
        { "3 * 2^-1075 is a tie rounding to even 2 * 2^-1074", Ext({ 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xCD, 0x3B }),
            2 * std::numeric_limits<double>::denorm_min() },
        { "far below the denormals", Ext({ 0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x00 }), 0.0 },
        { "extended denormal", Ext({ 1, 0, 0, 0, 0, 0, 0, 0, 0, 0 }), 0.0 },
        { "unnormal (integer bit clear) still has its value", Ext({ 0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F }),
            0.5 },
        { "negative zero", Ext({ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80 }), -0.0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double got = ExtendedToDouble(c.x);
        EXPECT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(c.expected)) << got;
    }
}

TEST(TValueWriter, IntegersTakeTheSmallestCode)
{
    struct Case {
        int64_t value;
        TValueType code;
        size_t size;
    } cases[] = {
        { 0, vaInt8, 2 },
        { -128, vaInt8, 2 },
        { 127, vaInt8, 2 },
        { 128, vaInt16, 3 },
        { -129, vaInt16, 3 },
        { 32767, vaInt16, 3 },
        { -32768, vaInt16, 3 },
        { 32768, vaInt32, 5 },
        { 40000, vaInt32, 5 },
        { INT32_MIN, vaInt32, 5 },
        { int64_t(INT32_MAX) + 1, vaInt64, 9 },
        { int64_t(UINT32_MAX), vaInt64, 9 },
        { int64_t(UINT32_MAX) + 1, vaInt64, 9 },
        { INT64_MIN, vaInt64, 9 },
        { INT64_MAX, vaInt64, 9 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        TMemoryStream s;
        TValueWriter(s).WriteInteger(c.value);
        const Bytes bytes = ToBytes(s);
        ASSERT_EQ(bytes.size(), c.size);
        EXPECT_EQ(bytes[0], c.code);
        s.SetPosition(0);
        TValueReader r(s);
        EXPECT_EQ(r.ReadInt64(), c.value);
        s.SetPosition(0);
        // 32-bit reads take signed values and unsigned ones (colours) as bit patterns.
        if (c.value >= INT32_MIN && c.value <= int64_t(UINT32_MAX))
            EXPECT_EQ(r.ReadInteger(), static_cast<int32_t>(static_cast<uint32_t>(c.value)));
        else
            EXPECT_THROW(r.ReadInteger(), ReadError);
    }
}

TEST(TValueWriter, StringsSwitchToLongCodeAt256Bytes)
{
    struct Case {
        size_t length;
        TValueType code;
        size_t header;
    } cases[] = { { 0, vaString, 2 }, { 255, vaString, 2 }, { 256, vaLString, 5 }, { 70000, vaLString, 5 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string text(c.length, 'q');
        TMemoryStream s;
        TValueWriter(s).WriteString(text);
        const Bytes bytes = ToBytes(s);
        ASSERT_EQ(bytes.size(), c.header + c.length);
        EXPECT_EQ(bytes[0], c.code);
        s.SetPosition(0);
        EXPECT_EQ(TValueReader(s).ReadString(), text);
    }
}

TEST(TValueWriter, ValuesHaveTheirStreamLayout)
{
    TMemoryStream s;
    TValueWriter w(s);
    w.WriteSignature();
    w.WriteObjectHeader({ 0, 0, "TRoot", "" });
    w.WriteObjectHeader({ ffInline | ffChildPos, 300, "TItem", "A" });
    w.WriteWideString(u"\u00E9\u20AC");
    w.WriteIdent("clRed");
    w.WriteIdent("TRUE");
    w.WriteIdent("false");
    w.WriteIdent("NIL");
    const uint8_t block[] = { 0xFF, 0xD8, 0xFF };
    w.WriteBinary(block);
    const std::string names[] = { "fsBold", "fsItalic" };
    w.WriteSet(names);
    w.WriteCollectionBegin();
    w.WriteCollectionItemBegin(2);
    w.WriteListEnd();
    w.WriteCollectionItemBegin();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteFloat(1.0);

    const Bytes expected = {
        'T', 'P', 'F', '0', // signature
        5, 'T', 'R', 'o', 'o', 't', 0, // no flags byte
        0xF6, 3, 0x2C, 0x01, 5, 'T', 'I', 't', 'e', 'm', 1, 'A', // flags, child pos 300
        18, 2, 0, 0, 0, 0xE9, 0x00, 0xAC, 0x20, // UTF-16 units
        7, 5, 'c', 'l', 'R', 'e', 'd', 9, 8, 13, // identifiers
        10, 3, 0, 0, 0, 0xFF, 0xD8, 0xFF, // binary
        11, 6, 'f', 's', 'B', 'o', 'l', 'd', 8, 'f', 's', 'I', 't', 'a', 'l', 'i', 'c', 0, 14, 2, 2, 1, 0, 1,
        0, 0, // collection: [2] item, plain item
        5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F, // 1.0
    };
    EXPECT_EQ(ToBytes(s), expected);

    s.SetPosition(0);
    TValueReader r(s);
    r.ReadSignature();
    const TObjectHeader root = r.ReadObjectHeader();
    EXPECT_EQ(root.flags, 0);
    EXPECT_EQ(root.className, "TRoot");
    EXPECT_EQ(root.objectName, "");
    const TObjectHeader item = r.ReadObjectHeader();
    EXPECT_EQ(item.flags, ffInline | ffChildPos);
    EXPECT_EQ(item.childPos, 300);
    EXPECT_EQ(item.className, "TItem");
    EXPECT_EQ(item.objectName, "A");
    EXPECT_EQ(r.ReadWideString(), u"\u00E9\u20AC");
    EXPECT_EQ(r.ReadIdent(), "clRed");
    EXPECT_EQ(r.ReadIdent(), "True");
    EXPECT_FALSE(r.ReadBoolean());
    EXPECT_EQ(r.ReadIdent(), "nil");
    EXPECT_EQ(r.ReadBinary(), Bytes(std::begin(block), std::end(block)));
    EXPECT_EQ(r.ReadSet(), (std::vector<std::string> { "fsBold", "fsItalic" }));
    r.CheckValue(vaCollection);
    EXPECT_EQ(r.ReadCollectionItemBegin(), 2);
    r.ReadListEnd();
    EXPECT_EQ(r.ReadCollectionItemBegin(), std::nullopt);
    r.ReadListEnd();
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    EXPECT_EQ(r.ReadFloat(), 1.0);
    EXPECT_EQ(s.BytesLeft(), 0);
}

TEST(TValueWriter, LongClassNamesAreNotTakenForFlags)
{
    for (size_t length : { 239, 240, 255 }) {
        SCOPED_TRACE(length);
        const std::string className(length, 'C');
        TMemoryStream s;
        TValueWriter(s).WriteObjectHeader({ 0, 0, className, "N" });
        EXPECT_EQ(s.GetSize(), int64_t(length + 3 + (length >= 240 ? 1 : 0)));
        s.SetPosition(0);
        const TObjectHeader header = TValueReader(s).ReadObjectHeader();
        EXPECT_EQ(header.flags, 0);
        EXPECT_EQ(header.className, className);
        EXPECT_EQ(header.objectName, "N");
    }
}

TEST(TValueWriter, RefusesWhatTheStreamCannotHold)
{
    TMemoryStream s;
    TValueWriter w(s);
    EXPECT_THROW(w.WriteStr(std::string(256, 'n')), WriteError);
    EXPECT_THROW(w.WriteIdent(std::string(256, 'n')), WriteError);
    const std::string emptyName[] = { "" };
    EXPECT_THROW(w.WriteSet(emptyName), WriteError); // would end the set early
    EXPECT_EQ(s.GetSize(), 0); // nothing half-written
}

TEST(TValueReader, ReadsOtherCodesAndConvertsText)
{
    TMemoryStream s;
    const Bytes bytes = {
        6, 4, 'c', 'a', 'f', 0xE9, // code 6, not UTF-8: Windows-1252
        20, 2, 0, 0, 0, 0xC3, 0xA9, // code 20, UTF-8
        21, 1, 0, 0, 0, 0xAC, 0x20, // code 21, UTF-16
        15, 0x00, 0x00, 0xC0, 0x3F, // single 1.5
        16, 0x10, 0x27, 0, 0, 0, 0, 0, 0, // currency 10000 = 1.0
        17, 0, 0, 0, 0, 0, 0, 0x04, 0xC0, // date -2.5
        3, 0x40, 0x9C, // -25536 as a float
    };
    s.WriteBuffer(bytes.data(), bytes.size());
    s.SetPosition(0);
    TValueReader r(s);
    EXPECT_EQ(r.ReadString(), "caf\xC3\xA9");
    EXPECT_EQ(r.ReadWideString(), u"\u00E9");
    EXPECT_EQ(r.ReadString(), "\xE2\x82\xAC");
    EXPECT_EQ(r.ReadFloat(), 1.5);
    EXPECT_EQ(r.ReadFloat(), 1.0);
    EXPECT_EQ(r.ReadFloat(), -2.5);
    EXPECT_EQ(r.ReadFloat(), -25536.0);
}

TEST(TValueReader, ErrorsNameTheProblem)
{
    struct Case {
        const char* name;
        Bytes bytes;
        void (*action)(TValueReader&);
        const char* message;
    } cases[] = {
        { "no signature", { 'T', 'P', 'F', '1' }, [](TValueReader& r) { r.ReadSignature(); },
            "Illegal stream image" },
        { "short signature", { 'T', 'P' }, [](TValueReader& r) { r.ReadSignature(); },
            "Illegal stream image" },
        { "string where an integer is wanted", { 6, 0 }, [](TValueReader& r) { (void)r.ReadInteger(); },
            "Invalid property value" },
        { "integer where a string is wanted", { 2, 0 }, [](TValueReader& r) { (void)r.ReadString(); },
            "Invalid property value" },
        { "skip over an unknown code", { 22 }, [](TValueReader& r) { r.SkipValue(); },
            "Invalid property type from streamed property: 22" },
        { "skip over a 0 where a value belongs", { 0 }, [](TValueReader& r) { r.SkipValue(); },
            "Invalid property type from streamed property: 0" },
        { "collection item without its list code", { 14, 2, 1, 6 }, [](TValueReader& r) { r.SkipValue(); },
            "Invalid property type from streamed property: 6" },
        { "binary claiming 4 GB", { 10, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2 },
            [](TValueReader& r) { (void)r.ReadBinary(); }, "Stream read error" },
        { "long string claiming more than is left", { 12, 0x00, 0x00, 0x01, 0x00, 'a' },
            [](TValueReader& r) { (void)r.ReadString(); }, "Stream read error" },
        { "UTF-16 units claiming 2^32 bytes", { 18, 0xFF, 0xFF, 0xFF, 0x7F },
            [](TValueReader& r) { (void)r.ReadWideString(); }, "Stream read error" },
        { "skip a long string claiming 4 GB", { 12, 0xFF, 0xFF, 0xFF, 0xFF },
            [](TValueReader& r) { r.SkipValue(); }, "Stream read error" },
        { "short string cut short", { 6, 5, 'a', 'b' }, [](TValueReader& r) { (void)r.ReadString(); },
            "Stream read error" },
        { "empty stream", {}, [](TValueReader& r) { (void)r.NextValue(); }, "Stream read error" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadErrorOf(c.bytes, c.action), c.message);
    }
}

TEST(TValueReader, SkipValueStepsOverEveryCode)
{
    TMemoryStream s;
    TValueWriter w(s);
    w.WriteListBegin();
    w.WriteInteger(5);
    w.WriteInteger(-1000);
    w.WriteInteger(100000);
    w.WriteInteger(INT64_MIN);
    w.WriteFloat(2.5);
    w.WriteString("short");
    w.WriteString(std::string(300, 'L'));
    w.WriteWideString(u"wide");
    w.WriteIdent("alIdent");
    w.WriteBoolean(true);
    w.WriteBoolean(false);
    w.WriteIdent("nil");
    const uint8_t block[] = { 1, 2, 3, 4 };
    w.WriteBinary(block);
    const std::string names[] = { "a", "bb" };
    w.WriteSet(names);
    w.WriteCollectionBegin();
    w.WriteCollectionItemBegin(7);
    w.WriteStr("Color");
    w.WriteInteger(3);
    w.WriteStr("Nested");
    w.WriteListBegin();
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    const uint8_t others[] = { vaSingle, 0, 0, 0, 0, vaCurrency, 0, 0, 0, 0, 0, 0, 0, 0, vaDate, 0, 0, 0, 0,
        0, 0, 0, 0, vaUTF8String, 1, 0, 0, 0, 'u', vaUString, 1, 0, 0, 0, 'v', 0 };
    s.WriteBuffer(others, sizeof others);
    w.WriteListEnd();
    const int64_t listEnd = s.GetPosition();
    w.WriteInteger(42); // marker after the value

    s.SetPosition(0);
    TValueReader r(s);
    r.SkipValue();
    EXPECT_EQ(s.GetPosition(), listEnd);
    EXPECT_EQ(r.ReadInteger(), 42);

    // Truncation anywhere inside the value is a ReadError, never a crash or an over-read.
    const Bytes whole = ToBytes(s);
    for (size_t cut = 0; cut < size_t(listEnd); ++cut) {
        SCOPED_TRACE(cut);
        TConstMemoryStream part(whole.data(), cut);
        TValueReader pr(part);
        EXPECT_THROW(pr.SkipValue(), ReadError);
    }
}

TEST(TValueReader, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
    Bytes deep(200000, vaList);
    deep.insert(deep.end(), 200000, vaNull);
    EXPECT_EQ(ReadErrorOf(deep, [](TValueReader& r) { r.SkipValue(); }), "Values nested too deeply");

    Bytes fine(kMaxValueNesting, vaList);
    fine.insert(fine.end(), kMaxValueNesting, vaNull);
    EXPECT_EQ(ReadErrorOf(fine, [](TValueReader& r) { r.SkipValue(); }), "(no error)");
}
