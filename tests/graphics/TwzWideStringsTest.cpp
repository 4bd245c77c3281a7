#include "graphics/TwzWideStrings.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "tests/graphics/StreamHelpers.h"
#include "tests/support/ValueHolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

std::u16string W(std::string_view utf8)
{
    return rtl::Utf8ToUtf16(utf8);
}

// The lines as UTF-8, so failures print readably.
std::vector<std::string> Lines(const TwzWideStrings& list)
{
    std::vector<std::string> lines;
    for (int i = 0; i < list.GetCount(); ++i)
        lines.push_back(rtl::Utf16ToUtf8(list.Get(i)));
    return lines;
}

void AddAll(TwzWideStrings& list, std::initializer_list<const char*> lines)
{
    for (const char* line : lines)
        list.Add(W(line));
}

std::vector<uint8_t> SavedBytes(const TwzWideStrings& list)
{
    rtl::TMemoryStream stream;
    list.SaveToStream(stream);
    return { stream.Bytes().begin(), stream.Bytes().end() };
}

std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

std::filesystem::path OutputFolder(const std::string& name)
{
    const std::filesystem::path folder = std::filesystem::path(GF_TEST_OUTPUT) / "widestrings" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// Records the list's events in order, with the line count each one saw.
struct TEventLog : rtl::TObject {
    std::vector<std::string> entries;
    void Changing(rtl::TObject* sender) { entries.push_back("changing " + Count(sender)); }
    void Change(rtl::TObject* sender) { entries.push_back("change " + Count(sender)); }

    void Watch(TwzWideStringList& list)
    {
        list.OnChanging.Bind<&TEventLog::Changing>(this);
        list.OnChange.Bind<&TEventLog::Change>(this);
    }

private:
    static std::string Count(rtl::TObject* sender)
    {
        return std::to_string(static_cast<TwzWideStringList*>(sender)->GetCount());
    }
};

// Objects that entries point to; the lists never own them.
struct TTag : rtl::TObject {
    explicit TTag(int v)
        : value(v)
    { }
    int value;
};

// A list that keeps its lines in a vector and implements only what the abstract list
// needs, as the memo's line facade does: every other operation is the base's.
class TVectorLines : public TwzWideStrings {
public:
    std::vector<std::pair<std::u16string, rtl::TObject*>> lines;
    std::vector<bool> updateStates;

    std::u16string Get(int index) const override
    {
        return index >= 0 && index < GetCount() ? lines[static_cast<size_t>(index)].first : std::u16string();
    }
    int GetCount() const override { return static_cast<int>(lines.size()); }
    rtl::TObject* GetObject(int index) const override { return lines[static_cast<size_t>(index)].second; }
    void PutObject(int index, rtl::TObject* object) override
    {
        lines[static_cast<size_t>(index)].second = object;
    }
    void Insert(int index, const std::u16string& s) override
    {
        lines.insert(lines.begin() + index, { s, nullptr });
    }
    void Delete(int index) override { lines.erase(lines.begin() + index); }
    void Clear() override { lines.clear(); }
    void SetUpdateState(bool updating) override { updateStates.push_back(updating); }
};

// ---- comparison and sorted lists --------------------------------------------------------

TEST(TwzWideStringList, SortedCaseInsensitiveAddIgnoresDuplicatesOfAnyCase)
{
    TwzWideStringList list;
    list.SetSorted(true);
    EXPECT_EQ(list.Add(u"b"), 0);
    EXPECT_EQ(list.Add(u"A"), 0);
    EXPECT_EQ(list.Add(u"a"), 0) << "the existing 'A' is found and nothing is added";
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "A", "b" }));
}

TEST(TwzWideStringList, CompareStringsFoldsOnlyAsciiLettersAndOrdersByCodeUnit)
{
    struct Case {
        const char* name;
        bool caseSensitive;
        const char* a;
        const char* b;
        int sign; // of CompareStrings(a, b)
    };
    const Case cases[] = {
        { "insensitive: apple before Zebra", false, "apple", "Zebra", -1 },
        { "sensitive: Zebra ($5A) before apple ($61)", true, "Zebra", "apple", -1 },
        { "insensitive: case of ASCII letters ignored", false, "KEY", "key", 0 },
        { "sensitive: case of ASCII letters counts", true, "KEY", "key", -1 },
        { "letters beyond ASCII never fold", false, "\xC3\xA9", "\xC3\x89", 1 },
        { "a prefix sorts first", false, "ab", "abc", -1 },
        { "insensitive letters fold upwards, so they sort before '_'", false, "a", "_", -1 },
        { "sensitive lower-case letters sort after '_'", true, "a", "_", 1 },
        { "no locale collation: 'z' before 'a' with an accent", false, "z", "\xC3\xA0", -1 },
        { "the empty line is the smallest", false, "", "\x01", -1 },
        { "names differing only beyond ASCII stay apart", false, "stra\u00dfe", "STRASSE", 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzWideStringList list;
        list.SetCaseSensitive(c.caseSensitive);
        const int result = list.CompareStrings(W(c.a), W(c.b));
        EXPECT_EQ((result > 0) - (result < 0), c.sign);
        const int reverse = list.CompareStrings(W(c.b), W(c.a));
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign) << "the order is antisymmetric";
    }
}

TEST(TwzWideStringList, BaseListTreatsEveryTwoLinesAsEqual)
{
    TVectorLines lines;
    AddAll(lines, { "x", "y" });
    EXPECT_EQ(lines.CompareStrings(u"a", u"b"), 0);
    EXPECT_EQ(lines.IndexOf(u"anything"), 0);
}

TEST(TwzWideStringList, FindGivesTheMatchOrTheInsertionPoint)
{
    struct Case {
        const char* name;
        TwzDuplicates duplicates;
        const char* sought;
        bool found;
        int index;
    };
    // Lines: a, b, b, b, d (sorted with wzDupAccept).
    const Case cases[] = {
        { "accept: the leftmost of equal lines", wzDupAccept, "B", true, 1 },
        { "ignore: one of the equal lines", wzDupIgnore, "b", true, -1 },
        { "missing in the middle", wzDupIgnore, "c", false, 4 },
        { "missing before all", wzDupIgnore, "0", false, 0 },
        { "missing after all", wzDupAccept, "e", false, 5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzWideStringList list;
        list.SetDuplicates(wzDupAccept);
        list.SetSorted(true);
        AddAll(list, { "d", "b", "a", "b", "b" });
        ASSERT_EQ(Lines(list), (std::vector<std::string> { "a", "b", "b", "b", "d" }));
        list.SetDuplicates(c.duplicates);
        int index = -7;
        EXPECT_EQ(list.Find(W(c.sought), index), c.found);
        if (c.index >= 0) {
            EXPECT_EQ(index, c.index);
        } else {
            EXPECT_EQ(list.Get(index), W(c.sought));
        }
    }
}

TEST(TwzWideStringList, SortedAddWithAcceptOrErrorInsertsTheDuplicate)
{
    for (TwzDuplicates duplicates : { wzDupAccept, wzDupError }) {
        SCOPED_TRACE(duplicates);
        TwzWideStringList list;
        list.SetDuplicates(duplicates);
        list.SetSorted(true);
        AddAll(list, { "m", "a", "z" });
        EXPECT_EQ(list.Add(u"M"), 1) << "inserted where Find stops, no error";
        EXPECT_EQ(Lines(list), (std::vector<std::string> { "a", "M", "m", "z" }));
        EXPECT_EQ(list.IndexOf(u"m"), 1) << "IndexOf of a sorted list finds the leftmost";
        EXPECT_EQ(list.IndexOf(u"q"), -1);
    }
}

TEST(TwzWideStringList, SortKeepsEveryLineWithItsObjectInOrder)
{
    std::mt19937 random(7);
    std::vector<std::unique_ptr<TTag>> tags;
    for (bool caseSensitive : { false, true }) {
        SCOPED_TRACE(caseSensitive);
        TwzWideStringList list;
        list.SetCaseSensitive(caseSensitive);
        std::vector<std::pair<std::u16string, rtl::TObject*>> before;
        for (int i = 0; i < 300; ++i) {
            std::u16string line;
            const int length = static_cast<int>(random() % 4);
            for (int k = 0; k < length; ++k)
                line += u"aAbB_\u00e9"[random() % 6];
            tags.push_back(std::make_unique<TTag>(i));
            list.AddObject(line, tags.back().get());
            before.emplace_back(line, tags.back().get());
        }
        list.Sort();
        ASSERT_EQ(list.GetCount(), 300);
        std::vector<std::pair<std::u16string, rtl::TObject*>> after;
        for (int i = 0; i < list.GetCount(); ++i) {
            after.emplace_back(list.Get(i), list.GetObject(i));
            if (i > 0) {
                EXPECT_LE(list.CompareStrings(list.Get(i - 1), list.Get(i)), 0) << "at " << i;
            }
        }
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        EXPECT_TRUE(before == after) << "the same lines, each with its own object";
    }
}

TEST(TwzWideStringList, SortingSwitchedOnOrdersOnceAndCaseSensitivityThenKeepsTheOrder)
{
    TwzWideStringList list;
    AddAll(list, { "b", "B", "a", "C" });
    list.SetSorted(true);
    const std::vector<std::string> sorted = Lines(list);
    EXPECT_EQ(sorted.front(), "a");
    EXPECT_EQ(sorted.back(), "C");

    list.SetCaseSensitive(true);
    EXPECT_EQ(Lines(list), sorted) << "a sorted list is not re-sorted";

    list.SetSorted(false);
    list.Add(u"0");
    EXPECT_EQ(list.Get(4), u"0") << "an unsorted list appends";
    EXPECT_FALSE(list.GetSorted());
}

TEST(TwzWideStringList, PutAndInsertOnASortedListActAtTheGivenIndex)
{
    TwzWideStringList list;
    list.SetSorted(true);
    AddAll(list, { "a", "c" });
    list.Put(0, u"z");
    list.Insert(0, u"y");
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "y", "z", "c" }));
}

TEST(TwzWideStringList, FindObjectSearchesEntriesOrderedFromTheHighestAddress)
{
    TTag tags[4] { TTag(0), TTag(1), TTag(2), TTag(3) };
    std::vector<rtl::TObject*> objects { &tags[0], &tags[1], &tags[2], &tags[3] };
    std::sort(objects.begin(), objects.end(), std::greater<> {});
    TwzWideStringList list;
    for (rtl::TObject* object : objects)
        list.AddObject(u"x", object);
    for (int i = 0; i < 4; ++i) {
        int index = -1;
        EXPECT_TRUE(list.FindObject(objects[static_cast<size_t>(i)], index));
        EXPECT_EQ(index, i);
    }
    int index = -1;
    EXPECT_FALSE(list.FindObject(nullptr, index)) << "null is below every object";
    EXPECT_EQ(index, 4);
}

// ---- text form --------------------------------------------------------------------------

TEST(TwzWideStrings, SetTextStrBreaksLines)
{
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        { "CR LF, LF, an empty line, a final CR", u"a\r\nb\n\nc\r", { "a", "b", "", "c" } },
        { "no final break", u"a\nb", { "a", "b" } },
        { "the empty text", u"", {} },
        { "a lone break is one empty line", u"\n", { "" } },
        { "CR CR LF: an empty line, then a break", u"\r\r\n", { "", "" } },
        { "LF CR is two breaks", u"a\n\rb", { "a", "", "b" } },
        { "VT and FF break too", u"a\vb\fc", { "a", "b", "c" } },
        { "line and paragraph separators", u"a\u2028b\u2029c", { "a", "b", "c" } },
        { "U+0000 ends the text", std::u16string(u"a\nb\0c\nd", 7), { "a", "b" } },
        { "U+0000 at the start", std::u16string(u"\0a", 2), {} },
        { "U+0085 is not a break", u"a\u0085b",
            { "a\xC2\x85"
              "b" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzWideStringList list;
        AddAll(list, { "old" });
        list.SetTextStr(c.text);
        EXPECT_EQ(Lines(list), c.lines);
    }
}

TEST(TwzWideStrings, GetTextStrEndsEveryLineWithCrLf)
{
    TwzWideStringList list;
    EXPECT_EQ(list.GetTextStr(), u"");
    AddAll(list, { "x", "" });
    EXPECT_EQ(list.GetTextStr(), u"x\r\n\r\n");

    TwzWideStringList back;
    back.SetTextStr(list.GetTextStr());
    EXPECT_TRUE(back.Equals(list)) << "text form round trip";
}

TEST(TwzWideStrings, SetTextTakesAZeroTerminatedText)
{
    TwzWideStringList list;
    list.SetText(u"one\ntwo");
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "one", "two" }));
    list.SetText(nullptr);
    EXPECT_EQ(list.GetCount(), 0);
}

// ---- name=value -------------------------------------------------------------------------

TEST(TwzWideStrings, NamesAndValues)
{
    TwzWideStringList list;
    AddAll(list, { "plain", "k=v=w", "key=1", "=empty name", "other=2" });
    EXPECT_EQ(list.GetValue(u"k"), u"v=w");
    EXPECT_EQ(list.GetValue(u"missing"), u"");
    EXPECT_EQ(list.GetValue(u""), u"empty name");
    EXPECT_EQ(list.GetName(0), u"") << "no equals sign";
    EXPECT_EQ(list.GetName(1), u"k");
    EXPECT_EQ(list.IndexOfName(u"KEY"), 2) << "case-insensitive";
    EXPECT_EQ(list.IndexOfName(u"plain"), -1) << "a line without '=' has no name";
    EXPECT_EQ(list.IndexOfValue(u"V=W"), 1);
    EXPECT_EQ(list.IndexOfValue(u"plain"), -1) << "a line without '=' has no value";
    EXPECT_EQ(list.IndexOfValue(u"2"), 4);

    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOfName(u"KEY"), -1);

    std::u16string longValue(40000, u'x');
    list.Add(u"long=" + longValue);
    EXPECT_EQ(list.GetValue(u"long"), longValue) << "a long value comes back whole";
}

// ---- streams and files ------------------------------------------------------------------

TEST(TwzWideStrings, SaveToStreamWritesUtf16LittleEndianWithAMark)
{
    TwzWideStringList list;
    list.Add(u"A");
    EXPECT_EQ(SavedBytes(list), (std::vector<uint8_t> { 0xFF, 0xFE, 0x41, 0x00, 0x0D, 0x00, 0x0A, 0x00 }));

    TwzWideStringList empty;
    EXPECT_EQ(SavedBytes(empty), (std::vector<uint8_t> { 0xFF, 0xFE }));

    TwzWideStringList wide;
    wide.Add(u"\u20AC\U0001F600");
    EXPECT_EQ(SavedBytes(wide),
        (std::vector<uint8_t> { 0xFF, 0xFE, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0x0D, 0x00, 0x0A, 0x00 }))
        << "characters beyond the BMP as surrogate pairs";
}

TEST(TwzWideStrings, LoadFromStreamTellsTheEncodingByItsMark)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        { "no mark: UTF-8", { 0x41, 0x42 }, { "AB" } },
        { "FF FE: UTF-16 little-endian", { 0xFF, 0xFE, 0x41, 0x00 }, { "A" } },
        { "FE FF: UTF-16 big-endian", { 0xFE, 0xFF, 0x00, 0x41 }, { "A" } },
        { "little-endian lines", { 0xFF, 0xFE, 0x61, 0, 0x0D, 0, 0x0A, 0, 0xAC, 0x20 },
            { "a", "\xE2\x82\xAC" } },
        { "an odd last byte is dropped", { 0xFF, 0xFE, 0x41, 0x00, 0x42 }, { "A" } },
        { "only the mark", { 0xFF, 0xFE }, {} },
        { "one byte", { 0x41 }, { "A" } },
        { "nothing", {}, {} },
        { "a UTF-8 mark is not recognised", { 0xEF, 0xBB, 0xBF, 0x41 },
            { "\xEF\xBB\xBF"
              "A" } },
        { "bytes that are not UTF-8 read as Windows-1252", { 0xE9, 0x74, 0xE9, 0x0A, 0x80 },
            { "\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC" } },
        { "UTF-8 lines", { 'x', 0xC3, 0xA9, '\r', '\n', 'y' }, { "x\xC3\xA9", "y" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzWideStringList list;
        AddAll(list, { "old" });
        rtl::TConstMemoryStream stream(c.bytes);
        list.LoadFromStream(stream);
        EXPECT_EQ(Lines(list), c.lines);
    }
}

TEST(TwzWideStrings, LoadFromStreamStartsAtThePosition)
{
    const std::vector<uint8_t> bytes { 'j', 'u', 'n', 'k', 0xFF, 0xFE, 0x41, 0x00 };
    rtl::TConstMemoryStream stream(bytes);
    stream.SetPosition(4);
    TwzWideStringList list;
    list.LoadFromStream(stream);
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "A" }));
    EXPECT_EQ(stream.GetPosition(), 8);
}

TEST(TwzWideStrings, FilesRoundTripAndLoadingSwallowsErrors)
{
    const std::filesystem::path folder = OutputFolder("files");
    const std::string path = (folder / "lines.txt").string();

    TwzWideStringList list;
    AddAll(list, { "first", "", "\xE2\x82\xAC \xF0\x9F\x98\x80" });
    list.SaveToFile(path);
    EXPECT_EQ(ReadFileBytes(path).substr(0, 2), "\xFF\xFE");

    TwzWideStringList back;
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Equals(list)) << testing::PrintToString(Lines(back));

    // Missing files and folders keep what the list had.
    for (const std::string& bad : { (folder / "missing.txt").string(), folder.string() }) {
        SCOPED_TRACE(bad);
        EXPECT_NO_THROW(back.LoadFromFile(bad));
        EXPECT_TRUE(back.Equals(list));
    }

    EXPECT_THROW(list.SaveToFile((folder / "no" / "such" / "folder.txt").string()), rtl::FileOpenError)
        << "saving lets errors through";
}

TEST(TwzWideStrings, SaveToFileAnsiWritesUtf8LinesWithoutMark)
{
    const std::filesystem::path folder = OutputFolder("ansi");
    const std::string path = (folder / "lines.txt").string();
    TwzWideStringList list;
    AddAll(list, { "caf\xC3\xA9", "", "two\rparts" });
    list.SaveToFileAnsi(path);
    EXPECT_EQ(ReadFileBytes(path), "caf\xC3\xA9\n\ntwo\nparts\n");

    TwzWideStringList back;
    back.LoadFromFile(path);
    EXPECT_EQ(Lines(back), (std::vector<std::string> { "caf\xC3\xA9", "", "two", "parts" }));

    TwzWideStringList empty;
    empty.SaveToFileAnsi(path);
    EXPECT_EQ(ReadFileBytes(path), "");
}

// ---- copying ------------------------------------------------------------------------------

TEST(TwzWideStrings, AssignCopiesLinesAndObjectsBetweenAnyWideLists)
{
    TTag one(1), two(2);
    TwzWideStringList source;
    source.AddObject(u"a", &one);
    source.AddObject(u"b", &two);

    TVectorLines facade;
    facade.Add(u"old");
    facade.Assign(source);
    ASSERT_EQ(Lines(facade), (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(facade.GetObject(1), &two);
    EXPECT_EQ(facade.updateStates, (std::vector<bool> { true, false })) << "one batch";

    TwzWideStringList back;
    back.SetSorted(true);
    back.AddObject(u"z", nullptr);
    back.Assign(facade);
    EXPECT_TRUE(back.Equals(source));
    EXPECT_EQ(back.GetObject(0), &one);

    source.Assign(source);
    EXPECT_EQ(Lines(source), (std::vector<std::string> { "a", "b" }))
        << "assigning a list to itself keeps it";

    struct TOther : rtl::TPersistent { };
    TOther other;
    EXPECT_THROW(back.Assign(other), rtl::ConvertError);
}

TEST(TwzWideStrings, AddStringsAppendsAndEqualsComparesText)
{
    TTag tag(1);
    TwzWideStringList list;
    list.AddObject(u"a", &tag);
    list.Add(u"b");
    list.AddStrings(list);
    EXPECT_EQ(Lines(list), (std::vector<std::string> { "a", "b", "a", "b" })) << "adding a list to itself";
    EXPECT_EQ(list.GetObject(2), &tag);

    TVectorLines same;
    AddAll(same, { "a", "b", "a", "b" });
    EXPECT_TRUE(list.Equals(same)) << "objects are not compared";
    same.Put(3, u"B");
    EXPECT_FALSE(list.Equals(same)) << "character for character, whatever the case sensitivity";
    same.Delete(3);
    EXPECT_FALSE(list.Equals(same));
}

TEST(TwzWideStrings, BaseOperationsBuildOnTheAbstractOnes)
{
    TTag x(1), y(2);
    TVectorLines lines;
    EXPECT_EQ(lines.Add(u"a"), 0);
    EXPECT_EQ(lines.AddObject(u"b", &x), 1);
    lines.InsertObject(0, u"c", &y);
    ASSERT_EQ(Lines(lines), (std::vector<std::string> { "c", "a", "b" }));

    lines.Put(2, u"B");
    EXPECT_EQ(lines.GetObject(2), &x) << "Put keeps the object";

    lines.updateStates.clear();
    lines.Exchange(0, 2);
    EXPECT_EQ(Lines(lines), (std::vector<std::string> { "B", "a", "c" }));
    EXPECT_EQ(lines.GetObject(0), &x);
    EXPECT_EQ(lines.GetObject(2), &y);
    EXPECT_EQ(lines.updateStates, (std::vector<bool> { true, false })) << "Exchange runs in one batch";

    lines.Move(0, 2);
    EXPECT_EQ(Lines(lines), (std::vector<std::string> { "a", "c", "B" }));
    EXPECT_EQ(lines.GetObject(2), &x);
    EXPECT_EQ(lines.GetCapacity(), 3);
    EXPECT_EQ(lines.IndexOfName(u"x"), -1);
}

TEST(TwzWideStrings, NestedUpdatesReachTheHookOnlyAtTheOutermostLevel)
{
    TVectorLines lines;
    lines.BeginUpdate();
    lines.BeginUpdate();
    EXPECT_EQ(lines.GetUpdateCount(), 2);
    lines.EndUpdate();
    EXPECT_EQ(lines.updateStates, (std::vector<bool> { true }));
    lines.EndUpdate();
    EXPECT_EQ(lines.updateStates, (std::vector<bool> { true, false }));
    EXPECT_EQ(lines.GetUpdateCount(), 0);
}

// ---- events -------------------------------------------------------------------------------

TEST(TwzWideStringList, EverySingleChangeFiresChangingBeforeAndChangeAfter)
{
    TTag tag(1);
    struct Case {
        const char* name;
        void (*change)(TwzWideStringList& list, TTag& tag);
        std::vector<std::string> expected; // the list starts with lines a, b
    };
    const Case cases[] = {
        { "Add", [](TwzWideStringList& l, TTag&) { l.Add(u"c"); }, { "changing 2", "change 3" } },
        { "Insert", [](TwzWideStringList& l, TTag&) { l.Insert(0, u"c"); }, { "changing 2", "change 3" } },
        { "Delete", [](TwzWideStringList& l, TTag&) { l.Delete(0); }, { "changing 2", "change 1" } },
        { "Put", [](TwzWideStringList& l, TTag&) { l.Put(0, u"x"); }, { "changing 2", "change 2" } },
        { "PutObject", [](TwzWideStringList& l, TTag& t) { l.PutObject(0, &t); },
            { "changing 2", "change 2" } },
        { "Exchange", [](TwzWideStringList& l, TTag&) { l.Exchange(0, 1); }, { "changing 2", "change 2" } },
        { "Clear", [](TwzWideStringList& l, TTag&) { l.Clear(); }, { "changing 2", "change 0" } },
        { "AddObject: two changes", [](TwzWideStringList& l, TTag& t) { l.AddObject(u"c", &t); },
            { "changing 2", "change 3", "changing 3", "change 3" } },
        { "Sort", [](TwzWideStringList& l, TTag&) { l.Sort(); }, { "changing 2", "change 2" } },
        { "SetSorted", [](TwzWideStringList& l, TTag&) { l.SetSorted(true); }, { "changing 2", "change 2" } },
        { "a batch fires once at each end",
            [](TwzWideStringList& l, TTag&) {
                l.BeginUpdate();
                l.Add(u"c");
                l.Delete(0);
                l.Clear();
                l.EndUpdate();
            },
            { "changing 2", "change 0" } },
        { "SetTextStr", [](TwzWideStringList& l, TTag&) { l.SetTextStr(u"x\ny\nz"); },
            { "changing 2", "change 3" } },
        { "Move", [](TwzWideStringList& l, TTag&) { l.Move(0, 1); }, { "changing 2", "change 2" } },
        { "Move to the same place changes nothing", [](TwzWideStringList& l, TTag&) { l.Move(1, 1); }, {} },
        { "AddStrings", [](TwzWideStringList& l, TTag&) { l.AddStrings(l); }, { "changing 2", "change 4" } },
        { "LoadFromStream",
            [](TwzWideStringList& l, TTag&) {
                rtl::TConstMemoryStream s("q", 1);
                l.LoadFromStream(s);
            },
            { "changing 2", "change 1" } },
        { "a sorted Add of a line already there",
            [](TwzWideStringList& l, TTag&) {
                l.SetSorted(true);
                l.Add(u"A");
            },
            { "changing 2", "change 2" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzWideStringList list;
        AddAll(list, { "a", "b" });
        TEventLog log;
        log.Watch(list);
        c.change(list, tag);
        EXPECT_EQ(log.entries, c.expected);
    }
}

TEST(TwzWideStringList, ClearOfAnEmptyListFiresNothing)
{
    TwzWideStringList list;
    TEventLog log;
    log.Watch(list);
    list.Clear();
    EXPECT_TRUE(log.entries.empty());
}

TEST(TwzWideStringList, DestructionFiresNothingAndLeavesTheObjectsAlone)
{
    TTag tag(5);
    TEventLog log;
    {
        TwzWideStringList list;
        list.AddObject(u"a", &tag);
        log.Watch(list);
    }
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(tag.value, 5);
}

// A handler may free the list whose change it hears of.
struct TFreeOnChange : rtl::TObject {
    TwzWideStringList* list = nullptr;
    void Change(rtl::TObject*) { rtl::FreeAndNil(list); }
};

TEST(TwzWideStringList, AHandlerMayFreeTheListInOnChange)
{
    struct Case {
        const char* name;
        void (*change)(TwzWideStringList& list);
    };
    const Case cases[] = {
        { "Add", [](TwzWideStringList& l) { l.Add(u"x"); } },
        { "Delete", [](TwzWideStringList& l) { l.Delete(0); } },
        { "Clear", [](TwzWideStringList& l) { l.Clear(); } },
        { "end of a batch", [](TwzWideStringList& l) { l.SetTextStr(u"p\nq"); } },
        { "Sort", [](TwzWideStringList& l) { l.Sort(); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFreeOnChange handler;
        handler.list = new TwzWideStringList;
        handler.list->Add(u"b");
        handler.list->Add(u"a");
        handler.list->OnChange.Bind<&TFreeOnChange::Change>(&handler);
        c.change(*handler.list);
        EXPECT_EQ(handler.list, nullptr);
    }
}

// ---- indexes --------------------------------------------------------------------------------

TEST(TwzWideStringList, GetOutsideTheListIsTheEmptyText)
{
    TwzWideStringList list;
    list.Add(u"a");
    for (int index : { -1, 1, 1000 }) {
        SCOPED_TRACE(index);
        EXPECT_EQ(list.Get(index), u"");
    }
}

TEST(TwzWideStringListDeathTest, IndexesOutsideTheListAreCallerFaults)
{
    struct Case {
        const char* name;
        void (*call)(TwzWideStringList& list);
    };
    const Case cases[] = {
        { "Delete", [](TwzWideStringList& l) { l.Delete(1); } },
        { "Put", [](TwzWideStringList& l) { l.Put(-1, u"x"); } },
        { "Insert", [](TwzWideStringList& l) { l.Insert(2, u"x"); } },
        { "Exchange", [](TwzWideStringList& l) { l.Exchange(0, 1); } },
        { "SetCapacity below the count", [](TwzWideStringList& l) { l.SetCapacity(0); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzWideStringList list;
        list.Add(u"a");
        EXPECT_DEBUG_DEATH(c.call(list), "");
        EXPECT_EQ(Lines(list), (std::vector<std::string> { "a" }));
    }
}

// ---- stored form ----------------------------------------------------------------------------

// A component holding a string list, to see its stored form inside an object.
using TLinesHolder = testsupport::THolder<TwzWideStringList, "Lines">;

TEST(TwzWideStrings, StoredFormIsTheStringsListOfWideTexts)
{
    rtl::TOwned<TLinesHolder> empty(new TLinesHolder(nullptr));
    EXPECT_EQ(streamtest::PropertyLines(streamtest::ComponentToText(*empty)), "")
        << "an empty list stores nothing";

    TTag tag(1);
    rtl::TOwned<TLinesHolder> holder(new TLinesHolder(nullptr));
    holder->GetValue()->AddObject(u"one", &tag);
    holder->GetValue()->Add(u"");
    holder->GetValue()->Add(u"\u20AC'");
    const std::string text = streamtest::ComponentToText(*holder);
    EXPECT_NE(
        text.find("Lines.strings = (\r\n    'one'\r\n    ''\r\n    #8364''''\r\n  )"), std::string::npos)
        << text;

    rtl::TOwned<TLinesHolder> back(new TLinesHolder(nullptr));
    back->GetValue()->Add(u"replaced");
    TEventLog log;
    log.Watch(*back->GetValue());
    std::string errors;
    streamtest::TextToComponent(text, *back, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_TRUE(back->GetValue()->Equals(*holder->GetValue()));
    EXPECT_EQ(back->GetValue()->GetObject(0), nullptr) << "objects are not stored";
    EXPECT_EQ(log.entries, (std::vector<std::string> { "changing 1", "change 3" })) << "read in one batch";
}

TEST(TwzWideStrings, StoredListWithAValueThatIsNoTextIsReportedAndLeavesNoBatchOpen)
{
    rtl::TOwned<TLinesHolder> holder(new TLinesHolder(nullptr));
    std::string errors;
    streamtest::TextToComponent(
        "object X: TLinesHolder\r\n  Lines.strings = (\r\n    'a'\r\n    12\r\n  )\r\nend\r\n", *holder,
        &errors);
    EXPECT_NE(errors, "");
    EXPECT_EQ(holder->GetValue()->GetUpdateCount(), 0);
    EXPECT_EQ(Lines(*holder->GetValue()), (std::vector<std::string> { "a" }));
}

} // namespace
