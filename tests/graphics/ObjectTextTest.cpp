#include "graphics/ObjectText.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ValueStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace rtl;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const TMemoryStream& s)
{
    return Bytes(s.Bytes().begin(), s.Bytes().end());
}

Bytes Raw(std::string_view s)
{
    return Bytes(s.begin(), s.end());
}

std::string ToText(const Bytes& binary)
{
    TConstMemoryStream in(binary.data(), binary.size());
    TMemoryStream out;
    ObjectStreamToText(in, out);
    return std::string(out.Bytes().begin(), out.Bytes().end());
}

Bytes ToBinary(std::string_view text)
{
    TConstMemoryStream in(text.data(), text.size());
    TMemoryStream out;
    ObjectTextToStream(in, out);
    return BytesOf(out);
}

std::string ParserMessage(std::string_view text)
{
    try {
        ToBinary(text);
    } catch (const ParserError& e) {
        return e.what();
    }
    return "(no error)";
}

// A binary object of class TRoot, no name, with the properties `body` writes.
Bytes Object(const std::function<void(TValueWriter&)>& body)
{
    TMemoryStream s;
    TValueWriter w(s);
    w.WriteSignature();
    w.WriteObjectHeader({ 0, 0, "TRoot", "" });
    body(w);
    w.WriteListEnd();
    w.WriteListEnd();
    return BytesOf(s);
}

// The same object with the one property V.
Bytes OneValue(const std::function<void(TValueWriter&)>& value)
{
    return Object([&](TValueWriter& w) {
        w.WriteStr("V");
        value(w);
    });
}

// The text of V's value as the writer puts it on the property line.
std::string ValueText(const Bytes& binary)
{
    const std::string text = ToText(binary);
    const std::string head = "object TRoot\r\n  V = ";
    const std::string tail = "\r\nend\r\n";
    if (text.compare(0, head.size(), head) != 0 || text.size() < head.size() + tail.size())
        return "(unexpected) " + text;
    return text.substr(head.size(), text.size() - head.size() - tail.size());
}

const char* kStorageText = "object Root\r\n"
                           "  count = 3\r\n"
                           "  depth =  5.0000000000000000E+0000\r\n"
                           "  text = 'Hello'\r\n"
                           "  bold = True\r\n"
                           "  data = {\r\n"
                           "    FFD8FF\r\n"
                           "  }\r\n"
                           "end\r\n";

Bytes StorageBinary()
{
    Bytes b = Raw("TPF0");
    const Bytes rest = {
        4,
        'R',
        'o',
        'o',
        't',
        0, // class, no name
        5,
        'c',
        'o',
        'u',
        'n',
        't',
        2,
        3, // count = 3
        5,
        'd',
        'e',
        'p',
        't',
        'h',
        5,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0xA0,
        0x01,
        0x40, // depth = 5.0
        4,
        't',
        'e',
        'x',
        't',
        6,
        5,
        'H',
        'e',
        'l',
        'l',
        'o', // text = 'Hello'
        4,
        'b',
        'o',
        'l',
        'd',
        9, // bold = True
        4,
        'd',
        'a',
        't',
        'a',
        10,
        3,
        0,
        0,
        0,
        0xFF,
        0xD8,
        0xFF, // data = 3 bytes
        0,
        0,
    };
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

} // namespace

TEST(ObjectText, StorageExampleBothWays)
{
    EXPECT_EQ(ToText(StorageBinary()), kStorageText);
    EXPECT_EQ(ToBinary(kStorageText), StorageBinary());
}

TEST(ObjectText, ObjectWithoutPropertiesIsTwoLines)
{
    const Bytes binary = { 'T', 'P', 'F', '0', 4, 'R', 'o', 'o', 't', 0, 0, 0 };
    EXPECT_EQ(ToText(binary), "object Root\r\nend\r\n");
    EXPECT_EQ(ToBinary("object Root\r\nend\r\n"), binary);
}

TEST(ObjectText, ObjectLinesCarryNameKindAndPosition)
{
    TMemoryStream s;
    TValueWriter w(s);
    w.WriteSignature();
    w.WriteObjectHeader({ ffChildPos, 3, "TForm", "Form1" });
    w.WriteListEnd();
    w.WriteObjectHeader({ ffInherited, 0, "TPanel", "A" });
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteObjectHeader({ ffInline, 0, "TFrame", "" });
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    const std::string text = "object Form1: TForm[3]\r\n"
                             "  inherited A: TPanel\r\n"
                             "  end\r\n"
                             "  inline TFrame\r\n"
                             "  end\r\n"
                             "end\r\n";
    EXPECT_EQ(ToText(BytesOf(s)), text);
    EXPECT_EQ(ToBinary(text), BytesOf(s));
}

TEST(ObjectText, TextValuesReadBackWithTheirCodes)
{
    const std::string s255(255, 'x'), s256(256, 'y');
    const auto raw = [](TValueType code, auto payload) {
        return [=](TValueWriter& w) {
            w.WriteValue(code);
            w.Stream().WriteLE(payload);
        };
    };
    struct Case {
        const char* name;
        std::string valueText;
        std::function<void(TValueWriter&)> expected;
    } cases[] = {
        { "255 characters stay short", "'" + s255 + "'", [&](TValueWriter& w) { w.WriteString(s255); } },
        { "256 characters become a long string", "'" + s256 + "'",
            [&](TValueWriter& w) { w.WriteString(s256); } },
        { "#233 makes a UTF-16 string", "#233", [](TValueWriter& w) { w.WriteWideString(u"\u00E9"); } },
        { "plain letters make a short string", "'abc'", [](TValueWriter& w) { w.WriteString("abc"); } },
        { "codes up to 127 stay bytes", "'a'#13#10'b'", [](TValueWriter& w) { w.WriteString("a\r\nb"); } },
        { "doubled apostrophe", "'it''s'", [](TValueWriter& w) { w.WriteString("it's"); } },
        { "only an apostrophe", "''''", [](TValueWriter& w) { w.WriteString("'"); } },
        { "empty string", "''", [](TValueWriter& w) { w.WriteString(""); } },
        { "quoted UTF-8 bytes stay bytes", "'caf\xC3\xA9'",
            [](TValueWriter& w) { w.WriteString("caf\xC3\xA9"); } },
        { "UTF-8 quoted part joined to a code above 127", "'\xC3\xA9'#8364",
            [](TValueWriter& w) { w.WriteWideString(u"\u00E9\u20AC"); } },
        { "code point beyond 16 bits becomes a pair", "#128512",
            [](TValueWriter& w) { w.WriteWideString(u"\U0001F600"); } },
        { "ANSI continued by UTF-16 is UTF-16", "'ab' + #233",
            [](TValueWriter& w) { w.WriteWideString(u"ab\u00E9"); } },
        { "ANSI parts joined", "'ab' +\r\n  'cd'", [](TValueWriter& w) { w.WriteString("abcd"); } },
        { "zero takes 8 bits", "0", raw(vaInt8, int8_t(0)) },
        { "40000 takes 32 bits", "40000", raw(vaInt32, int32_t(40000)) },
        { "-129 takes 16 bits", "-129", raw(vaInt16, int16_t(-129)) },
        { "beyond 32 bits", "-2147483649", raw(vaInt64, int64_t(-2147483649LL)) },
        { "most negative 64-bit", "-9223372036854775808", raw(vaInt64, INT64_MIN) },
        { "hexadecimal", "$FF", raw(vaInt16, int16_t(255)) },
        { "hexadecimal lower case, 32 bits unsigned", "$ffffffff", raw(vaInt64, int64_t(4294967295LL)) },
        { "float 2", "2.0",
            [](TValueWriter& w) {
                w.WriteValue(vaExtended);
                w.Stream().WriteBuffer(DoubleToExtended(2.0).data(), 10);
            } },
        { "float written form", "-2.5000000000000000E-0001", [](TValueWriter& w) { w.WriteFloat(-0.25); } },
        { "exponent without fraction", "1e3", [](TValueWriter& w) { w.WriteFloat(1000); } },
        { "point without fraction", "3.", [](TValueWriter& w) { w.WriteFloat(3); } },
        { "type letter makes a float", "7s", [](TValueWriter& w) { w.WriteFloat(7); } },
        { "currency letter upper case", "12.5C", [](TValueWriter& w) { w.WriteFloat(12.5); } },
        { "exponent beyond double reads as infinity", "1.0E+9999",
            [](TValueWriter& w) { w.WriteFloat(std::numeric_limits<double>::infinity()); } },
        { "exponent below double reads as zero", "-1.0E-9999", [](TValueWriter& w) { w.WriteFloat(-0.0); } },
        { "true in any case", "true", [](TValueWriter& w) { w.WriteValue(vaTrue); } },
        { "FALSE", "FALSE", [](TValueWriter& w) { w.WriteValue(vaFalse); } },
        { "NIL", "NIL", [](TValueWriter& w) { w.WriteValue(vaNil); } },
        { "identifier unchanged", "clWindowText", [](TValueWriter& w) { w.WriteIdent("clWindowText"); } },
        { "empty set", "[]", [](TValueWriter& w) { w.WriteSet({}); } },
        { "set", "[ fsBold ,fsItalic]",
            [](TValueWriter& w) {
                const std::string names[] = { "fsBold", "fsItalic" };
                w.WriteSet(names);
            } },
        { "empty list", "()",
            [](TValueWriter& w) {
                w.WriteListBegin();
                w.WriteListEnd();
            } },
        { "block in lower case over lines", "{\r\n ab CD\r\n\t0f }",
            [](TValueWriter& w) {
                const uint8_t b[] = { 0xAB, 0xCD, 0x0F };
                w.WriteBinary(b);
            } },
        { "empty block", "{}", [](TValueWriter& w) { w.WriteBinary({}); } },
        { "collection items with and without index", "<item[5] A = 1 end item end>",
            [](TValueWriter& w) {
                w.WriteCollectionBegin();
                w.WriteCollectionItemBegin(5);
                w.WriteStr("A");
                w.WriteInteger(1);
                w.WriteListEnd();
                w.WriteCollectionItemBegin();
                w.WriteListEnd();
                w.WriteListEnd();
            } },
        { "ITEM and END in capitals", "<ITEM END>",
            [](TValueWriter& w) {
                w.WriteCollectionBegin();
                w.WriteCollectionItemBegin();
                w.WriteListEnd();
                w.WriteListEnd();
            } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = "object TRoot\r\n  V = " + c.valueText + "\r\nend\r\n";
        try {
            EXPECT_EQ(ToBinary(text), OneValue(c.expected));
        } catch (const Exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST(ObjectText, KeywordsIgnoreCaseAndDottedNamesJoin)
{
    const Bytes expected = Object([](TValueWriter& w) {
        w.WriteStr("Position.Point");
        w.WriteString("(5,0)");
    });
    for (const char* keyword : { "object", "OBJECT", "Object" }) {
        SCOPED_TRACE(keyword);
        EXPECT_EQ(ToBinary(std::string(keyword) + " TRoot\r\n  Position . Point = '(5,0)'\r\nEnD"), expected);
    }
    // A UTF-8 byte-order mark before the text is skipped; tabs and lone LF separate.
    EXPECT_EQ(ToBinary("\xEF\xBB\xBFobject\tTRoot\n\tPosition.Point='(5,0)'\nend"), expected);
}

TEST(ObjectText, ValueTextForms)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::function<void(TValueWriter&)> value;
        std::string text;
    } cases[] = {
        { "1.5", [](TValueWriter& w) { w.WriteFloat(1.5); }, " 1.5000000000000000E+0000" },
        { "-0.25", [](TValueWriter& w) { w.WriteFloat(-0.25); }, "-2.5000000000000000E-0001" },
        { "zero", [](TValueWriter& w) { w.WriteFloat(0); }, " 0.0000000000000000E+0000" },
        { "tiny", [](TValueWriter& w) { w.WriteFloat(1e-300); }, " 1.0000000000000000E-0300" },
        { "huge", [](TValueWriter& w) { w.WriteFloat(std::numeric_limits<double>::max()); },
            " 1.7976931348623157E+0308" },
        { "smallest denormal",
            [](TValueWriter& w) { w.WriteFloat(std::numeric_limits<double>::denorm_min()); },
            " 4.9406564584124654E-0324" },
        { "infinity", [&](TValueWriter& w) { w.WriteFloat(-inf); }, "-1.0000000000000000E+9999" },
        { "NaN has no text: written as zero", [](TValueWriter& w) { w.WriteFloat(std::nan("")); },
            " 0.0000000000000000E+0000" },
        { "extended beyond double",
            [](TValueWriter& w) {
                w.WriteExtended({ 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x7F });
            },
            " 1.0000000000000000E+9999" },
        { "integers", [](TValueWriter& w) { w.WriteInteger(-40000); }, "-40000" },
        { "it's", [](TValueWriter& w) { w.WriteString("it's"); }, "'it''s'" },
        { "line break", [](TValueWriter& w) { w.WriteString("a\r\nb"); }, "'a'#13#10'b'" },
        { "control and DEL", [](TValueWriter& w) { w.WriteString(std::string("\0\x7F~", 3)); }, "#0#127'~'" },
        { "euro in UTF-16", [](TValueWriter& w) { w.WriteWideString(u"\u20AC"); }, "#8364" },
        { "UTF-16 pair as units", [](TValueWriter& w) { w.WriteWideString(u"\U0001F600"); }, "#55357#56832" },
        { "UTF-8 bytes as code points",
            [](TValueWriter& w) { w.WriteString("caf\xC3\xA9 \xF0\x9F\x98\x80"); }, "'caf'#233' '#128512" },
        { "Windows-1252 bytes", [](TValueWriter& w) { w.WriteString("\x80\xE9"); }, "#8364#233" },
        { "code 20",
            [](TValueWriter& w) {
                w.WriteValue(vaUTF8String);
                w.Stream().WriteLE<uint32_t>(2);
                w.Stream().WriteBuffer("\xC3\xA9", 2);
            },
            "#233" },
        { "code 21",
            [](TValueWriter& w) {
                w.WriteValue(vaUString);
                w.Stream().WriteLE<uint32_t>(1);
                w.Stream().WriteLE<uint16_t>(0x41);
            },
            "'A'" },
        { "empty UTF-16", [](TValueWriter& w) { w.WriteWideString(u""); }, "''" },
        { "set",
            [](TValueWriter& w) {
                const std::string names[] = { "akLeft", "akTop", "akRight" };
                w.WriteSet(names);
            },
            "[akLeft, akTop, akRight]" },
        { "empty set", [](TValueWriter& w) { w.WriteSet({}); }, "[]" },
        { "identifier", [](TValueWriter& w) { w.WriteIdent("alClient"); }, "alClient" },
        { "nil", [](TValueWriter& w) { w.WriteValue(vaNil); }, "nil" },
        { "False", [](TValueWriter& w) { w.WriteBoolean(false); }, "False" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ValueText(OneValue(c.value)), c.text);
    }
}

TEST(ObjectText, BlocksListsAndCollectionsLayout)
{
    Bytes block(33);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7);
    const Bytes binary = Object([&](TValueWriter& w) {
        w.WriteStr("Data");
        w.WriteBinary(block);
        w.WriteStr("Empty");
        w.WriteBinary({});
        w.WriteStr("Items");
        w.WriteListBegin();
        w.WriteInteger(1);
        w.WriteString("a");
        w.WriteListBegin();
        w.WriteInteger(2);
        w.WriteListEnd();
        w.WriteListBegin();
        w.WriteListEnd();
        const uint8_t two[] = { 0xFF, 0xD8 };
        w.WriteBinary(two);
        w.WriteListEnd();
        w.WriteStr("Coll");
        w.WriteCollectionBegin();
        w.WriteCollectionItemBegin();
        w.WriteStr("A");
        w.WriteInteger(1);
        w.WriteListEnd();
        w.WriteCollectionItemBegin(2);
        w.WriteStr("B");
        w.WriteCollectionBegin();
        w.WriteListEnd();
        w.WriteListEnd();
        w.WriteListEnd();
        w.WriteStr("After");
        w.WriteBoolean(true);
    });
    // The 33-byte block: one line of 64 digits and one of 2.
    const std::string text = "object TRoot\r\n"
                             "  Data = {\r\n"
                             "    00070E151C232A31383F464D545B626970777E858C939AA1A8AFB6BDC4CBD2D9\r\n"
                             "    E0\r\n"
                             "  }\r\n"
                             "  Empty = {\r\n"
                             "  }\r\n"
                             "  Items = (\r\n"
                             "    1\r\n"
                             "    'a'\r\n"
                             "    (\r\n"
                             "      2\r\n"
                             "    )\r\n"
                             "    (    )\r\n"
                             "    {\r\n"
                             "      FFD8\r\n"
                             "    }\r\n"
                             "  )\r\n"
                             "  Coll = <  \r\n"
                             "    item\r\n"
                             "      A = 1\r\n"
                             "    end  \r\n"
                             "    item[2]\r\n"
                             "      B = <>\r\n"
                             "    end>\r\n"
                             "  After = True\r\n"
                             "end\r\n";
    EXPECT_EQ(ToText(binary), text);
    EXPECT_EQ(ToBinary(text), binary);
}

TEST(ObjectText, CollectionsAndEmptyListsKeepTheirIndentationAtEveryDepth)
{
    const auto emptyList = [](TValueWriter& w) {
        w.WriteListBegin();
        w.WriteListEnd();
    };
    TMemoryStream s;
    TValueWriter w(s);
    w.WriteSignature();
    w.WriteObjectHeader({ 0, 0, "TRoot", "" });
    w.WriteStr("Empty");
    emptyList(w);
    w.WriteStr("Coll");
    w.WriteCollectionBegin();
    w.WriteCollectionItemBegin();
    w.WriteStr("Inner");
    w.WriteCollectionBegin();
    w.WriteCollectionItemBegin(3);
    w.WriteStr("L");
    emptyList(w);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteStr("Flag");
    w.WriteBoolean(true);
    w.WriteListEnd();
    w.WriteCollectionItemBegin();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteStr("Tail");
    w.WriteListBegin();
    emptyList(w);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteObjectHeader({ 0, 0, "TKid", "Child" });
    w.WriteStr("Deep");
    w.WriteCollectionBegin();
    w.WriteCollectionItemBegin();
    w.WriteStr("None");
    emptyList(w);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    const Bytes binary = BytesOf(s);

    // "<" and every "end" but the last carry the indentation of their property before the
    // line break; an empty list holds it between its brackets.
    const std::string text = "object TRoot\r\n"
                             "  Empty = (  )\r\n"
                             "  Coll = <  \r\n"
                             "    item\r\n"
                             "      Inner = <      \r\n"
                             "        item[3]\r\n"
                             "          L = (          )\r\n"
                             "        end>\r\n"
                             "      Flag = True\r\n"
                             "    end  \r\n"
                             "    item\r\n"
                             "    end>\r\n"
                             "  Tail = (\r\n"
                             "    (    )\r\n"
                             "  )\r\n"
                             "  object Child: TKid\r\n"
                             "    Deep = <    \r\n"
                             "      item\r\n"
                             "        None = (        )\r\n"
                             "      end>\r\n"
                             "  end\r\n"
                             "end\r\n";
    EXPECT_EQ(ToText(binary), text);
    EXPECT_EQ(ToBinary(text), binary);
    EXPECT_EQ(ToText(ToBinary(text)), text);

    // The compact form older files hold reads to the same bytes.
    const std::string compact = "object TRoot\r\n"
                                "  Empty = ()\r\n"
                                "  Coll = <\r\n"
                                "    item\r\n"
                                "      Inner = <\r\n"
                                "        item[3]\r\n"
                                "          L = ()\r\n"
                                "        end>\r\n"
                                "      Flag = True\r\n"
                                "    end\r\n"
                                "    item\r\n"
                                "    end>\r\n"
                                "  Tail = (\r\n"
                                "    ()\r\n"
                                "  )\r\n"
                                "  object Child: TKid\r\n"
                                "    Deep = <\r\n"
                                "      item\r\n"
                                "        None = ()\r\n"
                                "      end>\r\n"
                                "  end\r\n"
                                "end\r\n";
    EXPECT_EQ(ToBinary(compact), binary);
}

TEST(ObjectText, BinaryRoundTripsThroughText)
{
    const std::string s255(255, 'k'), s256(256, 'l');
    const std::string nonAscii300 = std::string(298, 'm') + "\xC3\xA9";
    struct Case {
        const char* name;
        std::function<void(TValueWriter&)> value;
        std::function<void(TValueWriter&)> comesBack; // empty: the same bytes
    } cases[] = {
        { "1.5", [](TValueWriter& w) { w.WriteFloat(1.5); }, {} },
        { "negative", [](TValueWriter& w) { w.WriteFloat(-123456.789e-12); }, {} },
        { "negative zero", [](TValueWriter& w) { w.WriteFloat(-0.0); }, {} },
        { "tiny", [](TValueWriter& w) { w.WriteFloat(1e-300); }, {} },
        { "denormal", [](TValueWriter& w) { w.WriteFloat(3 * std::numeric_limits<double>::denorm_min()); },
            {} },
        { "huge", [](TValueWriter& w) { w.WriteFloat(std::numeric_limits<double>::max()); }, {} },
        { "one third", [](TValueWriter& w) { w.WriteFloat(1.0 / 3.0); }, {} },
        { "single precision value", [](TValueWriter& w) { w.WriteFloat(0.1f); }, {} },
        { "infinity", [](TValueWriter& w) { w.WriteFloat(std::numeric_limits<double>::infinity()); }, {} },
        { "integers", [](TValueWriter& w) { w.WriteInteger(INT64_MIN); }, {} },
        { "255 bytes", [&](TValueWriter& w) { w.WriteString(s255); }, {} },
        { "256 bytes", [&](TValueWriter& w) { w.WriteString(s256); }, {} },
        { "quotes and controls", [](TValueWriter& w) { w.WriteString("'a'\t#1''"); }, {} },
        { "UTF-8 in code 6 comes back as UTF-16", [](TValueWriter& w) { w.WriteString("\xC3\xA9t\xC3\xA9"); },
            [](TValueWriter& w) { w.WriteWideString(u"\u00E9t\u00E9"); } },
        { "UTF-8 in code 12 comes back as UTF-16", [&](TValueWriter& w) { w.WriteString(nonAscii300); },
            [](TValueWriter& w) { w.WriteWideString(std::u16string(298, u'm') + u"\u00E9"); } },
        { "Windows-1252 in code 6 comes back as UTF-16", [](TValueWriter& w) { w.WriteString("\x93q\x94"); },
            [](TValueWriter& w) { w.WriteWideString(u"\u201Cq\u201D"); } },
        { "UTF-16 stays UTF-16", [](TValueWriter& w) { w.WriteWideString(u"\u0416\u20AC\U0001F600"); }, {} },
        { "lone surrogate kept",
            [](TValueWriter& w) { w.WriteWideString(std::u16string(1, char16_t(0xD800))); }, {} },
        { "ASCII in UTF-16 comes back short", [](TValueWriter& w) { w.WriteWideString(u"abc"); },
            [](TValueWriter& w) { w.WriteString("abc"); } },
        { "nested lists",
            [](TValueWriter& w) {
                w.WriteListBegin();
                w.WriteListBegin();
                w.WriteListBegin();
                w.WriteString("deep");
                w.WriteListEnd();
                w.WriteListEnd();
                w.WriteInteger(-1);
                w.WriteListEnd();
            },
            {} },
        { "collection inside a collection item",
            [](TValueWriter& w) {
                w.WriteCollectionBegin();
                w.WriteCollectionItemBegin(0);
                w.WriteStr("Stops");
                w.WriteCollectionBegin();
                w.WriteCollectionItemBegin();
                w.WriteStr("Color");
                w.WriteInteger(-16777216);
                w.WriteStr("Offset");
                w.WriteFloat(0.5);
                w.WriteListEnd();
                w.WriteListEnd();
                w.WriteListEnd();
                w.WriteListEnd();
            },
            {} },
        { "blocks of 0, 32, 64 and 65 bytes",
            [](TValueWriter& w) {
                w.WriteListBegin();
                for (size_t n : { 0, 32, 64, 65 }) {
                    Bytes b(n, 0x5A);
                    w.WriteBinary(b);
                }
                w.WriteListEnd();
            },
            {} },
        { "set",
            [](TValueWriter& w) {
                const std::string names[] = { "a", "b" };
                w.WriteSet(names);
            },
            {} },
        { "nil", [](TValueWriter& w) { w.WriteValue(vaNil); }, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes binary = OneValue(c.value);
        try {
            const std::string text = ToText(binary);
            const Bytes back = ToBinary(text);
            EXPECT_EQ(back, OneValue(c.comesBack ? c.comesBack : c.value)) << text;
            EXPECT_EQ(ToText(back), text); // the text form is stable
        } catch (const Exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST(ObjectText, LongClassNamesRoundTrip)
{
    const std::string text = "object " + std::string(251, 'a') + "\r\nend\r\n";
    EXPECT_EQ(ToText(ToBinary(text)), text);
}

TEST(ObjectText, NonAsciiNamesRoundTrip)
{
    TMemoryStream s;
    TValueWriter w(s);
    w.WriteSignature();
    w.WriteObjectHeader({ 0, 0, "TButton", "Kn\xC3\xB6pfchen" });
    w.WriteStr("Caption");
    w.WriteIdent("\xD0\x96uk");
    w.WriteListEnd();
    w.WriteListEnd();
    const std::string text = ToText(BytesOf(s));
    EXPECT_EQ(text, "object Kn\xC3\xB6pfchen: TButton\r\n  Caption = \xD0\x96uk\r\nend\r\n");
    EXPECT_EQ(ToBinary(text), BytesOf(s));
}

TEST(ObjectText, BinaryErrors)
{
    struct Case {
        const char* name;
        Bytes binary;
        const char* message;
        const char* partialText; // what stays in the output
    } cases[] = {
        { "no signature", Raw(std::string("TPF1\x04Root\x00\x00\x00", 11)), "Illegal stream image", "" },
        { "empty input", {}, "Illegal stream image", "" },
        { "single", Raw(std::string("TPF0\x01T\x00\x01V\x0F\x00\x00\x00\x00\x00\x00", 16)),
            "Invalid property type from streamed property: 15", "object T\r\n  V = " },
        { "currency", Raw(std::string("TPF0\x01T\x00\x01V\x10", 10)),
            "Invalid property type from streamed property: 16", "object T\r\n  V = " },
        { "date", Raw(std::string("TPF0\x01T\x00\x01V\x11", 10)),
            "Invalid property type from streamed property: 17", "object T\r\n  V = " },
        { "code 22", Raw(std::string("TPF0\x01T\x00\x01V\x16", 10)),
            "Invalid property type from streamed property: 22", "object T\r\n  V = " },
        { "0 where a value belongs", Raw(std::string("TPF0\x01T\x00\x01V\x00\x00\x00", 12)),
            "Invalid property type from streamed property: 0", "object T\r\n  V = " },
        { "255 inside a list", Raw(std::string("TPF0\x01T\x00\x01V\x01\xFF", 11)),
            "Invalid property type from streamed property: 255", "object T\r\n  V = (\r\n    " },
        { "block longer than the stream", Raw(std::string("TPF0\x01T\x00\x01V\x0A\xFF\xFF\xFF\x7F", 14)),
            "Stream read error", "object T\r\n  V = " },
        { "collection item without its list code", Raw(std::string("TPF0\x01T\x00\x01V\x0E\x02\x01\x06", 13)),
            "Invalid property type from streamed property: 6", "object T\r\n  V = <  \r\n    item[1]\r\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TConstMemoryStream in(c.binary.data(), c.binary.size());
        TMemoryStream out;
        try {
            ObjectStreamToText(in, out);
            ADD_FAILURE() << "no error";
        } catch (const ReadError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), c.partialText);
    }
}

TEST(ObjectText, ParserErrorsNameTheProblemAndThePlace)
{
    struct Case {
        const char* name;
        std::string text;
        std::string message;
    } cases[] = {
        { "missing = after a property name", "object A\r\n  count 3\r\nend",
            "Wrong token type: = expected but Integer found (at 2,9, stream offset 00000012)" },
        { "missing = before end", "object A\r\n  count\r\nend",
            "Wrong token type: = expected but Symbol found (at 3,1, stream offset 00000013)" },
        { "not an object keyword", "objekt A end",
            "Wrong token symbol: INLINE expected but objekt found (at 1,1, stream offset 00000000)" },
        { "empty text", "",
            "Wrong token symbol: INLINE expected but EOF found (at 1,1, stream offset 00000000)" },
        { "text ends inside the properties", "object A\r\n  x = 1\r\n",
            "Wrong token type: Symbol expected but EOF found (at 3,1, stream offset 00000013)" },
        { "text ends among the children", "object A\r\n  object B end\r\n",
            "Wrong token symbol: INLINE expected but EOF found (at 3,1, stream offset 0000001a)" },
        { "class name missing", "object 12 end",
            "Wrong token type: Symbol expected but Integer found (at 1,8, stream offset 00000007)" },
        { "second name missing", "object A: 'x' end",
            "Wrong token type: Symbol expected but String found (at 1,11, stream offset 0000000a)" },
        { "position not an integer", "object A: B[x] end",
            "Wrong token type: Integer expected but Symbol found (at 1,13, stream offset 0000000c)" },
        { "position not closed", "object A: B[1 end",
            "Wrong token type: ] expected but Symbol found (at 1,15, stream offset 0000000e)" },
        { "property name after a dot", "object A x. = 1 end",
            "Wrong token type: Symbol expected but = found (at 1,13, stream offset 0000000c)" },
        { "$ without digits", "object A\r\n x = $\r\nend",
            "Invalid integer number: $ (at 2,6, stream offset 0000000f)" },
        { "integer beyond 64 bits", "object A x = 9223372036854775808 end",
            "Invalid integer number: 9223372036854775808 (at 1,14, stream offset 0000000d)" },
        { "hexadecimal beyond 64 bits", "object A x = $1FFFFFFFFFFFFFFFF end",
            "Invalid integer number: $1FFFFFFFFFFFFFFFF (at 1,14, stream offset 0000000d)" },
        { "exponent without digits", "object A x = 1.5e end",
            "Invalid floating point number: 1.5e (at 1,14, stream offset 0000000d)" },
        { "exponent sign without digits", "object A x = 2E+x end",
            "Invalid floating point number: 2E+ (at 1,14, stream offset 0000000d)" },
        { "string not closed on its line", "object A\r\n x = 'abc\r\n' end",
            "Unterminated string (at 2,6, stream offset 0000000f)" },
        { "string not closed at the end", "object A x = 'abc",
            "Unterminated string (at 1,14, stream offset 0000000d)" },
        { "code beyond Unicode", "object A x = #1114112 end",
            "Invalid integer number: #1114112 (at 1,14, stream offset 0000000d)" },
        { "odd digit", "object A x = {ABC} end",
            "Unterminated byte value (at 1,17, stream offset 00000010)" },
        { "not a digit", "object A x = {\r\n  0G } end",
            "Unterminated byte value (at 2,3, stream offset 00000012)" },
        { "block never closed", "object A x = {00",
            "Unterminated byte value (at 1,17, stream offset 00000010)" },
        { "closing bracket as a value", "object A x = ) end",
            "Invalid property value (at 1,14, stream offset 0000000d)" },
        { "minus alone", "object A x = - 1 end", "Invalid property value (at 1,14, stream offset 0000000d)" },
        { "hash without digits", "object A x = # end",
            "Invalid property value (at 1,14, stream offset 0000000d)" },
        { "value missing at the end",
            "object A x =", "Invalid property value (at 1,13, stream offset 0000000c)" },
        { "list never closed", "object A x = (1 2",
            "Invalid property value (at 1,18, stream offset 00000011)" },
        { "plus without a string", "object A x = 'a' + 1 end",
            "Wrong token type: String expected but Integer found (at 1,20, stream offset 00000013)" },
        { "set without commas", "object A x = [a b] end",
            "Wrong token type: , expected but Symbol found (at 1,17, stream offset 00000010)" },
        { "set of numbers", "object A x = [1] end",
            "Wrong token type: Symbol expected but Integer found (at 1,15, stream offset 0000000e)" },
        { "collection without item", "object A x = <foo end> end",
            "Wrong token symbol: item expected but foo found (at 1,15, stream offset 0000000e)" },
        { "control character as a value", "object A x = \x01 end",
            "Invalid property value (at 1,14, stream offset 0000000d)" },
        { "control character named by its code", "object A x\x01",
            "Wrong token type: = expected but #1 found (at 1,11, stream offset 0000000a)" },
        { "byte-order mark counts in the offset, not the column", "\xEF\xBB\xBFobject A x 1 end",
            "Wrong token type: = expected but Integer found (at 1,12, stream offset 0000000e)" },
        { "CR LF is one line break, lone CR and LF one each", "object A\r\n\r\rx\n=\n",
            "Invalid property value (at 6,1, stream offset 00000010)" },
        { "name longer than 255 bytes", "object " + std::string(256, 'N') + " end",
            "Identifier too long: " + std::string(64, 'N') + "... (at 1,8, stream offset 00000007)" },
        { "dotted name longer than 255 bytes",
            "object A\r\n  " + std::string(200, 'a') + "." + std::string(60, 'b') + " = 1",
            "Identifier too long: " + std::string(64, 'a') + "... (at 2,3, stream offset 0000000c)" },
        { "dotted name of 255 bytes is fine",
            "object A " + std::string(200, 'a') + "." + std::string(54, 'b') + " = 1 end", "(no error)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParserMessage(c.text), c.message);
    }
}

TEST(ObjectText, NestingIsLimitedWithoutExhaustingTheStack)
{
    const std::string deepList = "object A x = " + std::string(100000, '(');
    EXPECT_NE(ParserMessage(deepList).find("Values nested too deeply"), std::string::npos);

    std::string deepObjects;
    for (int i = 0; i < 100000; ++i)
        deepObjects += "object A ";
    EXPECT_NE(ParserMessage(deepObjects).find("Values nested too deeply"), std::string::npos);

    Bytes binary = Raw(std::string("TPF0\x01T\x00\x01V", 9));
    binary.insert(binary.end(), 100000, vaList);
    TConstMemoryStream in(binary.data(), binary.size());
    TMemoryStream out;
    try {
        ObjectStreamToText(in, out);
        ADD_FAILURE() << "no error";
    } catch (const ReadError& e) {
        EXPECT_STREQ(e.what(), "Values nested too deeply");
    }

    // Real designs nest far less; a hundred levels still convert both ways.
    const std::string fine = "object A x = " + std::string(100, '(') + std::string(100, ')') + " end";
    EXPECT_EQ(ToBinary(ToText(ToBinary(fine))), ToBinary(fine));
}

TEST(ObjectText, EveryTruncationFailsCleanly)
{
    const Bytes binary = Object([](TValueWriter& w) {
        w.WriteStr("S");
        w.WriteString("text");
        w.WriteStr("W");
        w.WriteWideString(u"\u00E9");
        w.WriteStr("F");
        w.WriteFloat(2.5);
        w.WriteStr("L");
        w.WriteListBegin();
        w.WriteInteger(70000);
        w.WriteIdent("x");
        w.WriteListEnd();
        w.WriteStr("C");
        w.WriteCollectionBegin();
        w.WriteCollectionItemBegin(1);
        w.WriteStr("B");
        const uint8_t b[] = { 1, 2 };
        w.WriteBinary(b);
        w.WriteListEnd();
        w.WriteListEnd();
        w.WriteStr("Z");
        const std::string names[] = { "q" };
        w.WriteSet(names);
    });
    const std::string text = ToText(binary);
    ASSERT_EQ(ToBinary(text), binary);

    for (size_t cut = 0; cut < binary.size(); ++cut) {
        SCOPED_TRACE(cut);
        TConstMemoryStream in(binary.data(), cut);
        TMemoryStream out;
        EXPECT_THROW(ObjectStreamToText(in, out), ReadError);
    }
    // The closing "end" is the last token: no shorter text is a whole object.
    const size_t lastEnd = text.rfind("end");
    for (size_t cut = 0; cut < lastEnd; ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_THROW(ToBinary(text.substr(0, cut)), ParserError);
    }
}

TEST(ObjectText, TextInputStopsAfterTheObject)
{
    const std::string text = "object A\r\nend\r\nobject B\r\nend 'unterminated";
    TConstMemoryStream in(text.data(), text.size());
    TMemoryStream first, second;
    ObjectTextToStream(in, first);
    EXPECT_EQ(in.GetPosition(), 13);
    ObjectTextToStream(in, second);
    EXPECT_EQ(BytesOf(second), (Bytes { 'T', 'P', 'F', '0', 1, 'B', 0, 0, 0 }));

    // Positions in messages count from the start of the stream, not of the object.
    TMemoryStream prefixed;
    const std::string content = "0123456789\r\nobject C x";
    prefixed.WriteBuffer(content.data(), content.size());
    prefixed.SetPosition(10);
    TMemoryStream out;
    try {
        ObjectTextToStream(prefixed, out);
        ADD_FAILURE() << "no error";
    } catch (const ParserError& e) {
        EXPECT_STREQ(
            e.what(), "Wrong token type: = expected but EOF found (at 2,11, stream offset 00000016)");
    }
}

TEST(ObjectText, FileRoundTrip)
{
    const std::string path = std::string(GF_TEST_OUTPUT) + "/objtext-storage.txt";
    const Bytes binary = StorageBinary();
    TConstMemoryStream in(binary.data(), binary.size());
    {
        TFileStream file(path, fmCreate);
        ObjectStreamToText(in, file);
    }
    TFileStream file(path, fmOpenRead);
    TMemoryStream back;
    ObjectTextToStream(file, back);
    EXPECT_EQ(BytesOf(back), binary);
}
