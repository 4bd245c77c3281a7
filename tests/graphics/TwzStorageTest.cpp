#include "graphics/TwzStorage.h"

#include "graphics/ObjectText.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/ValueStream.h"
#include "tests/support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Text(std::string_view s)
{
    return { s.begin(), s.end() };
}

// "TPF0", the root header, then `items`, then the two list ends.
Bytes StreamOf(const Bytes& items)
{
    return Concat({ Text("TPF0\x04Root"), { 0 }, items, { 0, 0 } });
}

Bytes Saved(const TwzStorage& storage)
{
    rtl::TMemoryStream stream;
    storage.SaveToStream(stream);
    return { stream.Bytes().begin(), stream.Bytes().end() };
}

void Load(TwzStorage& storage, const Bytes& bytes)
{
    rtl::TConstMemoryStream stream(bytes);
    storage.LoadFromStream(stream);
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void WriteFile(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path OutputFolder(const std::string& name)
{
    const fs::path folder = fs::path(GF_TEST_OUTPUT) / "storage" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

fs::path DataFile(const std::string& name)
{
    return fs::path(GF_TEST_DATA) / "storage" / name;
}

// Everything a storage holds, as text, to compare whole storages.
std::string Snapshot(const TwzStorage& storage)
{
    std::string out;
    const TwzWideStringList& items = storage.GetItems();
    for (int i = 0; i < items.GetCount(); ++i) {
        auto* item = static_cast<TwzStorageItem*>(items.GetObject(i));
        out += rtl::Utf16ToUtf8(items.Get(i)) + ": type " + std::to_string(item->GetValueType()) + ", int "
            + std::to_string(item->GetAsInteger()) + ", float " + std::to_string(item->GetAsFloat())
            + ", text '" + rtl::Utf16ToUtf8(item->GetAsString()) + "'";
        if (item->GetValueType() == rtl::vaBinary)
            out += ", " + std::to_string(item->GetAsBinary().GetSize()) + " bytes";
        out += "\n";
    }
    return out;
}

// A storage of every kind the design file holds.
void FillEveryKind(TwzStorage& storage)
{
    storage.GetItem("camera").SetAsString(u"(33,0,-10)");
    storage.GetItem("text").SetAsString(u"Gr\u00fc\u00dfe\r\n\u20AC \U0001F600 'quoted'");
    storage.GetItem("longtext").SetAsString(std::u16string(300, u'x'));
    storage.GetItem("fontsize").SetAsFloat(48.25f);
    storage.GetItem("tiny").SetAsFloat(-1.0e-30f);
    storage.GetItem("framecorner").SetAsInteger(2);
    storage.GetItem("big").SetAsInteger(-2147483647 - 1);
    storage.GetItem("background").SetAsBoolean(true);
    storage.GetItem("framevis").SetAsBoolean(false);
    rtl::TMemoryStream& picture = storage.GetItem("frontbitmap").GetAsBinary();
    for (int i = 0; i < 100; ++i) {
        const auto b = static_cast<uint8_t>(i * 37);
        picture.WriteBuffer(&b, 1);
    }
    storage.GetItem("leftbitmap").GetAsBinary();
}

// ---- items ------------------------------------------------------------------------------

TEST(TwzStorage, NamesAreFoundWithoutRegardToAsciiCaseOnly)
{
    TwzStorage storage;
    TwzStorageItem& depth = storage.GetItem("Depth");
    EXPECT_EQ(&storage.GetItem("DEPTH"), &depth);
    EXPECT_EQ(&storage.GetItem("depth"), &depth);
    EXPECT_EQ(depth.GetValueType(), rtl::vaNull) << "a new item has no value";

    // Names that a lossy conversion could merge stay apart.
    TwzStorageItem& lower = storage.GetItem("\xC3\xA9t\xC3\xA9");
    EXPECT_NE(&lower, &storage.GetItem("\xC3\x89T\xC3\x89"));
    TwzStorageItem& sharpS = storage.GetItem("stra\u00dfe");
    EXPECT_NE(&sharpS, &storage.GetItem("STRASSE"));
    TwzStorageItem& euro = storage.GetItem("\xE2\x82\xAC");
    EXPECT_NE(&euro, &storage.GetItem("?"));

    const TwzWideStringList& items = storage.GetItems();
    ASSERT_EQ(items.GetCount(), 7);
    EXPECT_EQ(items.Get(0), u"Depth") << "the name as first asked for";
    EXPECT_EQ(items.Get(6), u"?");
}

TEST(TwzStorageItem, KindsShareNothing)
{
    TwzStorageItem item;
    EXPECT_EQ(item.GetAsInteger(), 0);
    EXPECT_EQ(item.GetAsFloat(), 0);
    EXPECT_EQ(item.GetAsString(), u"");
    EXPECT_FALSE(item.GetAsBoolean());

    item.SetAsInteger(7);
    item.SetAsString(u"seven");
    EXPECT_EQ(item.GetValueType(), rtl::vaWString);
    EXPECT_EQ(item.GetAsInteger(), 7) << "the integer field keeps its last value";
    item.SetAsBoolean(true);
    EXPECT_TRUE(item.GetAsBoolean());
    EXPECT_EQ(item.GetAsString(), u"seven");
    item.SetAsFloat(2.5f);
    EXPECT_FALSE(item.GetAsBoolean()) << "True only while the kind is True";
    EXPECT_EQ(item.GetValueType(), rtl::vaSingle);

    rtl::TMemoryStream& block = item.GetAsBinary();
    EXPECT_EQ(item.GetValueType(), rtl::vaBinary) << "asking for the block makes the item binary";
    EXPECT_EQ(block.GetSize(), 0);
    EXPECT_EQ(&item.GetAsBinary(), &block) << "one block per item";
}

// ---- binary form ------------------------------------------------------------------------

TEST(TwzStorage, EmptyStorageForms)
{
    TwzStorage storage;
    EXPECT_EQ(Saved(storage), Text(std::string_view("TPF0\x04Root\0\0\0", 12)));

    const fs::path folder = OutputFolder("empty");
    storage.SaveToFile((folder / "empty.qgf").string());
    EXPECT_EQ(ReadFile(folder / "empty.qgf"), "object Root\r\nend\r\n");
}

TEST(TwzStorage, ValuesAreWrittenInTheirStreamForm)
{
    struct Case {
        const char* name;
        void (*set)(TwzStorageItem& item);
        Bytes value; // code and payload
    };
    const Case cases[] = {
        { "100: one byte", [](TwzStorageItem& i) { i.SetAsInteger(100); }, { 2, 100 } },
        { "-1: one byte", [](TwzStorageItem& i) { i.SetAsInteger(-1); }, { 2, 0xFF } },
        { "-128: one byte", [](TwzStorageItem& i) { i.SetAsInteger(-128); }, { 2, 0x80 } },
        { "128: two bytes", [](TwzStorageItem& i) { i.SetAsInteger(128); }, { 3, 0x80, 0x00 } },
        { "1000: two bytes", [](TwzStorageItem& i) { i.SetAsInteger(1000); }, { 3, 0xE8, 0x03 } },
        { "-32769: four bytes", [](TwzStorageItem& i) { i.SetAsInteger(-32769); },
            { 4, 0xFF, 0x7F, 0xFF, 0xFF } },
        { "100000: four bytes", [](TwzStorageItem& i) { i.SetAsInteger(100000); },
            { 4, 0xA0, 0x86, 0x01, 0x00 } },
        { "1.5: extended", [](TwzStorageItem& i) { i.SetAsFloat(1.5f); },
            { 5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F } },
        { "-2: extended", [](TwzStorageItem& i) { i.SetAsFloat(-2); },
            { 5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0 } },
        { "a text: UTF-16", [](TwzStorageItem& i) { i.SetAsString(u"A\u20AC"); },
            { 18, 2, 0, 0, 0, 0x41, 0, 0xAC, 0x20 } },
        { "the empty text", [](TwzStorageItem& i) { i.SetAsString(u""); }, { 18, 0, 0, 0, 0 } },
        { "False", [](TwzStorageItem& i) { i.SetAsBoolean(false); }, { 8 } },
        { "True", [](TwzStorageItem& i) { i.SetAsBoolean(true); }, { 9 } },
        { "a new block", [](TwzStorageItem& i) { i.GetAsBinary(); }, { 10, 0, 0, 0, 0 } },
        { "a block, whatever its position", [](TwzStorageItem& i) { i.GetAsBinary().WriteBuffer("xyz", 3); },
            { 10, 3, 0, 0, 0, 'x', 'y', 'z' } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzStorage storage;
        c.set(storage.GetItem("k"));
        EXPECT_EQ(Saved(storage), StreamOf(Concat({ { 1, 'k' }, c.value })));
    }
}

TEST(TwzStorage, ItemsWithoutAValueAreLeftOut)
{
    TwzStorage storage;
    storage.GetItem("asked");
    storage.GetItem("b").SetAsBoolean(true);
    storage.GetItem("never");
    EXPECT_EQ(Saved(storage), StreamOf({ 1, 'b', 9 }));
}

TEST(TwzStorage, LongNamesAreCutAtACharacterBoundary)
{
    struct Case {
        const char* name;
        std::string itemName;
        std::string written;
    };
    const Case cases[] = {
        { "300 ASCII characters", std::string(300, 'n'), std::string(255, 'n') },
        { "255 bytes fit", std::string(255, 'n'), std::string(255, 'n') },
        { "a two-byte character across the limit", std::string(254, 'n') + "\xC3\xA9",
            std::string(254, 'n') },
        { "four-byte characters",
            [] {
                std::string s;
                for (int i = 0; i < 70; ++i)
                    s += "\xF0\x9F\x98\x80";
                return s;
            }(),
            [] {
                std::string s;
                for (int i = 0; i < 63; ++i)
                    s += "\xF0\x9F\x98\x80";
                return s;
            }() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzStorage storage;
        storage.GetItem(c.itemName).SetAsInteger(1);
        const Bytes saved = Saved(storage);
        ASSERT_GT(saved.size(), 11u);
        ASSERT_EQ(saved[10], c.written.size());
        EXPECT_EQ(std::string(
                      saved.begin() + 11, saved.begin() + 11 + static_cast<std::ptrdiff_t>(c.written.size())),
            c.written);

        TwzStorage back;
        Load(back, saved);
        ASSERT_EQ(back.GetItems().GetCount(), 1);
        EXPECT_EQ(back.GetItems().Get(0), rtl::Utf8ToUtf16(c.written)) << "reads back as whole characters";
    }
}

TEST(TwzStorage, AnEmptyNameCannotBeWritten)
{
    TwzStorage storage;
    storage.GetItem("a").SetAsInteger(1);
    storage.GetItem("").SetAsInteger(2);
    rtl::TMemoryStream stream;
    EXPECT_THROW(storage.SaveToStream(stream), rtl::WriteError);
    EXPECT_EQ(stream.GetSize(), 0) << "nothing is written";
}

TEST(TwzStorage, LoadingReadsEveryKindIntoItsField)
{
    struct Case {
        const char* name;
        Bytes value;
        rtl::TValueType type;
        const char* expected; // Snapshot line of item "k"
    };
    const Case cases[] = {
        { "int8", { 2, 0xFE }, rtl::vaInt8, "int -2" },
        { "int16", { 3, 0x00, 0x80 }, rtl::vaInt16, "int -32768" },
        { "int32", { 4, 0x78, 0x56, 0x34, 0x12 }, rtl::vaInt32, "int 305419896" },
        { "extended", { 5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F }, rtl::vaExtended, "float 1.500000" },
        { "extended beyond the Single range", { 5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x43 }, rtl::vaExtended,
            "float inf" },
        { "single", { 15, 0x00, 0x00, 0x20, 0xC0 }, rtl::vaSingle, "float -2.500000" },
        { "short text", { 6, 2, 'h', 'i' }, rtl::vaString, "text 'hi'" },
        { "short UTF-8 text", { 6, 2, 0xC3, 0xA9 }, rtl::vaString, "text '\xC3\xA9'" },
        { "text that is not UTF-8 reads as Windows-1252", { 6, 2, 0xE9, 0x80 }, rtl::vaString,
            "text '\xC3\xA9\xE2\x82\xAC'" },
        { "long text", { 12, 3, 0, 0, 0, 'a', 'b', 'c' }, rtl::vaLString, "text 'abc'" },
        { "UTF-16 text", { 18, 1, 0, 0, 0, 0xAC, 0x20 }, rtl::vaWString, "text '\xE2\x82\xAC'" },
        { "False", { 8 }, rtl::vaFalse, "type 8" },
        { "True", { 9 }, rtl::vaTrue, "type 9" },
        { "block", { 10, 2, 0, 0, 0, 0xAB, 0xCD }, rtl::vaBinary, "2 bytes" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzStorage storage;
        Load(storage, StreamOf(Concat({ { 1, 'k' }, c.value })));
        ASSERT_EQ(storage.GetItems().GetCount(), 1);
        EXPECT_EQ(storage.GetItem("K").GetValueType(), c.type);
        EXPECT_NE(Snapshot(storage).find(c.expected), std::string::npos) << Snapshot(storage);
    }
}

TEST(TwzStorage, ALoadedBlockIsTheSameStreamRewound)
{
    TwzStorage storage;
    rtl::TMemoryStream& block = storage.GetItem("pic").GetAsBinary();
    block.WriteBuffer("old content", 11);
    Load(storage, StreamOf({ 3, 'p', 'i', 'c', 10, 2, 0, 0, 0, 'n', 'w' }));
    EXPECT_EQ(&storage.GetItem("pic").GetAsBinary(), &block) << "a caller's reference stays valid";
    EXPECT_EQ(block.GetSize(), 2);
    EXPECT_EQ(block.GetPosition(), 0);
    EXPECT_EQ(std::string(block.Bytes().begin(), block.Bytes().end()), "nw");
}

TEST(TwzStorage, LoadingKeepsOtherItemsAndTakesTheLastOfRepeatedNames)
{
    TwzStorage storage;
    storage.GetItem("mine").SetAsInteger(5);
    storage.GetItem("shared").SetAsString(u"before");
    Load(storage,
        StreamOf({ 6, 'S', 'H', 'A', 'R', 'E', 'D', 2, 1, 3, 'n', 'e', 'w', 9, 3, 'n', 'e', 'w', 8 }));
    EXPECT_EQ(Snapshot(storage),
        "mine: type 4, int 5, float 0.000000, text ''\n"
        "shared: type 2, int 1, float 0.000000, text 'before'\n"
        "new: type 8, int 0, float 0.000000, text ''\n");
}

TEST(TwzStorage, NamesThatAreNotUtf8ReadAsWindows1252)
{
    TwzStorage storage;
    TwzStorageItem& item = storage.GetItem("\xC3\xA9t");
    Load(storage, StreamOf({ 2, 0xC9, 'T', 2, 1 }));
    EXPECT_EQ(storage.GetItems().GetCount(), 2) << "\xC9 is an upper-case E acute, which does not fold";
    EXPECT_EQ(storage.GetItems().Get(1), u"\u00c9T");
    Load(storage, StreamOf({ 2, 0xE9, 'T', 2, 7 }));
    EXPECT_EQ(item.GetAsInteger(), 7) << "the same name in Windows-1252 finds the item";
}

TEST(TwzStorage, ValuesOfOtherKindsAreSteppedOver)
{
    struct Case {
        const char* name;
        Bytes value;
    };
    const Case cases[] = {
        { "identifier", { 7, 3, 'a', 'b', 'c' } },
        { "nil", { 13 } },
        { "list", { 1, 2, 1, 6, 1, 'x', 1, 0, 0 } },
        { "set", { 11, 1, 'a', 2, 'b', 'c', 0 } },
        { "collection", { 14, 1, 1, 'p', 2, 5, 0, 0 } },
        { "64-bit integer", { 19, 1, 2, 3, 4, 5, 6, 7, 8 } },
        { "UTF-8 text", { 20, 2, 0, 0, 0, 'h', 'i' } },
        { "unicode text", { 21, 1, 0, 0, 0, 'h', 0 } },
        { "currency", { 16, 1, 2, 3, 4, 5, 6, 7, 8 } },
        { "date", { 17, 1, 2, 3, 4, 5, 6, 7, 8 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzStorage storage;
        storage.GetItem("odd").SetAsInteger(42);
        Load(storage, StreamOf(Concat({ { 3, 'o', 'd', 'd' }, c.value, { 1, 'z', 2, 7 } })));
        // The item takes the kind, so a reader sees the value was of another kind, and
        // keeps its fields; the value after it reads as it should.
        EXPECT_EQ(Snapshot(storage),
            "odd: type " + std::to_string(c.value.front())
                + ", int 42, float 0.000000, text ''\n"
                  "z: type 2, int 7, float 0.000000, text ''\n");
        EXPECT_FALSE(storage.GetItem("odd").HasValue());
    }
}

TEST(TwzStorage, LoadingChecksNoSignatureButReadsTheRootHeaderWithItsFlags)
{
    TwzStorage storage;
    Load(storage, Concat({ Text("XXXX"), { 0xF1, 4 }, Text("Root"), { 0, 1, 'a', 2, 3, 0, 0 } }));
    EXPECT_EQ(storage.GetItem("a").GetAsInteger(), 3);
}

// Every prefix of a good stream, and damaged streams, fail with the stream error and leave
// the storage as it was.
TEST(TwzStorage, DamagedStreamsChangeNothing)
{
    TwzStorage source;
    FillEveryKind(source);
    const Bytes good = Saved(source);

    TwzStorage target;
    target.GetItem("text").SetAsString(u"kept");
    target.GetItem("frontbitmap").GetAsBinary().WriteBuffer("kept", 4);
    const std::string before = Snapshot(target);

    // The last byte closes the children, which the storage does not read.
    for (size_t length = 0; length + 1 < good.size(); ++length) {
        SCOPED_TRACE(length);
        Bytes prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_THROW(Load(target, prefix), rtl::ReadError);
        ASSERT_EQ(Snapshot(target), before);
    }

    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        { "an unknown value code", StreamOf({ 1, 'a', 99 }) },
        { "a name without a value", StreamOf({ 1, 'a' }) },
        { "a block longer than the stream", StreamOf({ 1, 'a', 10, 0xFF, 0xFF, 0xFF, 0x7F, 1 }) },
        { "a text longer than the stream", StreamOf({ 1, 'a', 18, 0xFF, 0xFF, 0xFF, 0xFF }) },
        { "a name longer than the stream", StreamOf({ 200, 'a' }) },
        { "lists nested beyond the limit", StreamOf(Concat({ { 1, 'a' }, Bytes(5000, 1) })) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(Load(target, c.bytes), rtl::ReadError);
        EXPECT_EQ(Snapshot(target), before);
    }
}

// ---- files ------------------------------------------------------------------------------

TEST(TwzStorage, EveryKindRoundTripsThroughAFile)
{
    const fs::path folder = OutputFolder("roundtrip");
    const std::string path = (folder / "design.qgf").string();
    TwzStorage storage;
    FillEveryKind(storage);
    storage.SaveToFile(path);

    TwzStorage back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.GetItems().GetCount(), storage.GetItems().GetCount());
    const std::string expected = Snapshot(storage);
    const std::string actual = Snapshot(back);
    EXPECT_EQ(back.GetItem("camera").GetAsString(), u"(33,0,-10)");
    EXPECT_EQ(back.GetItem("camera").GetValueType(), rtl::vaString) << "ASCII text comes back as code 6";
    EXPECT_EQ(back.GetItem("text").GetAsString(), storage.GetItem("text").GetAsString());
    EXPECT_EQ(back.GetItem("text").GetValueType(), rtl::vaWString) << "other text comes back as code 18";
    EXPECT_EQ(back.GetItem("longtext").GetAsString(), std::u16string(300, u'x'));
    EXPECT_EQ(back.GetItem("longtext").GetValueType(), rtl::vaLString)
        << "a long ASCII text comes back as code 12";
    EXPECT_EQ(back.GetItem("fontsize").GetAsFloat(), 48.25f);
    EXPECT_EQ(back.GetItem("fontsize").GetValueType(), rtl::vaExtended);
    EXPECT_EQ(back.GetItem("tiny").GetAsFloat(), -1.0e-30f);
    EXPECT_EQ(back.GetItem("framecorner").GetAsInteger(), 2);
    EXPECT_EQ(back.GetItem("framecorner").GetValueType(), rtl::vaInt8);
    EXPECT_EQ(back.GetItem("big").GetAsInteger(), -2147483647 - 1);
    EXPECT_TRUE(back.GetItem("background").GetAsBoolean());
    EXPECT_EQ(back.GetItem("framevis").GetValueType(), rtl::vaFalse);
    const auto& picture = back.GetItem("frontbitmap").GetAsBinary();
    const auto& original = storage.GetItem("frontbitmap").GetAsBinary();
    EXPECT_TRUE(std::equal(
        picture.Bytes().begin(), picture.Bytes().end(), original.Bytes().begin(), original.Bytes().end()));
    EXPECT_EQ(back.GetItem("leftbitmap").GetAsBinary().GetSize(), 0);
    EXPECT_EQ(back.GetItems().GetCount(), storage.GetItems().GetCount()) << "no item was lost or added";

    // Saving what was loaded writes the same file.
    const std::string again = (folder / "again.qgf").string();
    back.SaveToFile(again);
    EXPECT_EQ(ReadFile(again), ReadFile(path));
}

TEST(TwzStorage, FileTextHasOneLinePerItem)
{
    const fs::path folder = OutputFolder("text");
    TwzStorage storage;
    storage.GetItem("name").SetAsString(u"it's \u20AC");
    storage.GetItem("size").SetAsFloat(1.5f);
    storage.GetItem("count").SetAsInteger(-3);
    storage.GetItem("on").SetAsBoolean(true);
    storage.GetItem("pic").GetAsBinary().WriteBuffer("\x01\xAB", 2);
    storage.SaveToFile((folder / "t.qgf").string());
    EXPECT_EQ(ReadFile(folder / "t.qgf"),
        "object Root\r\n"
        "  name = 'it''s '#8364\r\n"
        "  size =  1.5000000000000000E+0000\r\n"
        "  count = -3\r\n"
        "  on = True\r\n"
        "  pic = {\r\n"
        "    01AB\r\n"
        "  }\r\n"
        "end\r\n");
}

TEST(TwzStorage, HandWrittenDesignFilesLoadWhateverTheCaseOfTheirKeys)
{
    for (const char* file : { "design.qgf", "design-upper.qgf" }) {
        SCOPED_TRACE(file);
        TwzStorage storage;
        storage.GetItem("camera");
        storage.LoadFromFile(DataFile(file).string());
        EXPECT_EQ(storage.GetItems().Get(0), u"camera") << "the name first asked for stays";
        EXPECT_EQ(storage.GetItem("camera").GetAsString(), u"(33,0,-10)");
        EXPECT_EQ(storage.GetItem("backgroundcolor").GetAsString(), u"#FF202020");
        EXPECT_TRUE(storage.GetItem("background").GetAsBoolean());
        EXPECT_EQ(storage.GetItem("text").GetAsString(), u"Gl\u00fcck\r\nAuf");
        EXPECT_EQ(storage.GetItem("fontsize").GetAsFloat(), 36.5f);
        EXPECT_EQ(storage.GetItem("framecorner").GetAsInteger(), 3);
        EXPECT_FALSE(storage.GetItem("frametopleft").GetAsBoolean());
        const rtl::TMemoryStream& picture = storage.GetItem("frontbitmap").GetAsBinary();
        EXPECT_EQ(std::string(picture.Bytes().begin(), picture.Bytes().end()), "\x89PNG\r\n\x1A\n");
        EXPECT_EQ(storage.GetItem("missing").GetValueType(), rtl::vaNull)
            << "a key the file lacks reads empty";
    }
}

TEST(TwzStorage, MalformedFilesRaiseAndChangeNothing)
{
    struct Case {
        const char* file;
        enum { Parser, Open } error;
    };
    const Case cases[] = {
        { "malformed/truncated.qgf", Case::Parser },
        { "malformed/unterminated-string.qgf", Case::Parser },
        { "malformed/bad-hex.qgf", Case::Parser },
        { "malformed/no-equals.qgf", Case::Parser },
        { "malformed/empty.qgf", Case::Parser },
        { "malformed/not-an-object.qgf", Case::Parser },
        { "malformed/huge-integer.qgf", Case::Parser },
        { "malformed/missing-file.qgf", Case::Open },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TwzStorage storage;
        storage.GetItem("text").SetAsString(u"kept");
        const std::string before = Snapshot(storage);
        const std::string path = DataFile(c.file).string();
        switch (c.error) {
        case Case::Parser:
            EXPECT_THROW(storage.LoadFromFile(path), rtl::ParserError);
            break;
        case Case::Open:
            EXPECT_THROW(storage.LoadFromFile(path), rtl::FileOpenError);
            break;
        }
        EXPECT_EQ(Snapshot(storage), before);
    }
}

TEST(TwzStorage, FileValuesWithoutAStorageKindAreSteppedOverKeepingOnlyTheirKind)
{
    TwzStorage storage;
    storage.GetItem("ident").SetAsFloat(2.5f);
    storage.LoadFromFile(DataFile("other-kinds.qgf").string());
    // A reader sees that the file held something it cannot use; the fields stay as they were.
    EXPECT_EQ(Snapshot(storage),
        "ident: type 7, int 0, float 2.500000, text ''\n"
        "first: type 2, int 1, float 0.000000, text ''\n"
        "list: type 1, int 0, float 0.000000, text ''\n"
        "set: type 11, int 0, float 0.000000, text ''\n"
        "coll: type 14, int 0, float 0.000000, text ''\n"
        "big: type 19, int 0, float 0.000000, text ''\n"
        "nothing: type 13, int 0, float 0.000000, text ''\n"
        "last: type 6, int 0, float 0.000000, text 'end'\n");
    for (const char* name : { "ident", "list", "set", "coll", "big", "nothing" })
        EXPECT_FALSE(storage.GetItem(name).HasValue()) << name;
    // Such items have no written form: the file saves and reads back without them.
    rtl::TMemoryStream stream;
    storage.SaveToStream(stream);
    stream.SetPosition(0);
    TwzStorage back;
    back.LoadFromStream(stream);
    EXPECT_EQ(Snapshot(back),
        "first: type 2, int 1, float 0.000000, text ''\n"
        "last: type 6, int 0, float 0.000000, text 'end'\n");
}

TEST(TwzStorage, NamesTheObjectTextCannotCarryAreRefusedBeforeTheFileIsTouched)
{
    const fs::path folder = OutputFolder("names");
    const fs::path path = folder / "design.qgf";
    WriteFile(path, "old content");
    for (const char* name : { "two words", "1st", "a=b", "end", "END", "object", "inherited.x", "inline",
             "a.", ".a", "a..b", "'" }) {
        SCOPED_TRACE(name);
        TwzStorage storage;
        storage.GetItem("fine").SetAsInteger(1);
        storage.GetItem(name).SetAsInteger(2);
        EXPECT_THROW(storage.SaveToFile(path.string()), rtl::WriteError);
        EXPECT_EQ(ReadFile(path), "old content");
    }

    // What the notation reads back is accepted, whatever it looks like.
    TwzStorage storage;
    for (const char* name : { "_x", "a.b.c", "ending", "objects", "caf\xC3\xA9", "x1" })
        storage.GetItem(name).SetAsInteger(3);
    storage.GetItem("two words");
    storage.SaveToFile(path.string());
    TwzStorage back;
    back.LoadFromFile(path.string());
    EXPECT_EQ(back.GetItems().GetCount(), 6)
        << "an item without a value is not saved, so its name is not checked";
    EXPECT_EQ(back.GetItem("CAF\xC3\xA9").GetAsInteger(), 3);
    EXPECT_EQ(back.GetItem("A.B.C").GetAsInteger(), 3);
}

// ---- failed saves -------------------------------------------------------------------------

std::vector<std::string> FolderEntries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TwzStorage, ASaveThatFailsHalfWayLeavesTheOldFileIntact)
{
    const fs::path folder = OutputFolder("halfway");
    const fs::path path = folder / "design.qgf";
    TwzStorage old;
    old.GetItem("text").SetAsString(u"the old design");
    old.SaveToFile(path.string());
    const std::string oldContent = ReadFile(path);

    TwzStorage bigger;
    FillEveryKind(bigger);
    bigger.GetItem("frontbitmap").GetAsBinary().SetSize(64 * 1024);
    {
        const testsupport::FileSizeLimit limit(4096);
        EXPECT_THROW(bigger.SaveToFile(path.string()), rtl::WriteError);
    }
    EXPECT_EQ(ReadFile(path), oldContent);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string> { "design.qgf" })
        << "no temporary file is left";

    TwzStorage back;
    back.LoadFromFile(path.string());
    EXPECT_EQ(back.GetItem("text").GetAsString(), u"the old design");

    bigger.SaveToFile(path.string());
    EXPECT_NE(ReadFile(path), oldContent) << "without the limit the same save succeeds";
}

TEST(TwzStorage, FilesThatCannotBeCreatedRaiseTheFileErrorNamingThem)
{
    const fs::path folder = OutputFolder("create");
    fs::create_directories(folder / "a-folder.qgf");
    WriteFile(folder / "a-folder.qgf" / "inside", "kept");
    TwzStorage storage;
    storage.GetItem("x").SetAsInteger(1);
    for (const fs::path& target : { folder / "missing" / "design.qgf", folder / "a-folder.qgf" }) {
        SCOPED_TRACE(target.string());
        try {
            storage.SaveToFile(target.string());
            ADD_FAILURE() << "no error";
        } catch (const rtl::FileOpenError& e) {
            EXPECT_NE(std::string(e.what()).find("\"" + target.string() + "\""), std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(ReadFile(folder / "a-folder.qgf" / "inside"), "kept");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string> { "a-folder.qgf" });
}

TEST(TwzStorage, ReplacingKeepsLinksAndPermissions)
{
    const fs::path folder = OutputFolder("replace");
    const fs::path real = folder / "real.qgf";
    const fs::path link = folder / "link.qgf";
    WriteFile(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.qgf", link);

    TwzStorage storage;
    storage.GetItem("x").SetAsInteger(1);
    storage.SaveToFile(link.string());
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    EXPECT_EQ(ReadFile(real), "object Root\r\n  x = 1\r\nend\r\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

} // namespace
