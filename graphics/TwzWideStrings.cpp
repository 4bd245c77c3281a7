#include "graphics/TwzWideStrings.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileReplace.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Writer.h"

#include <cassert>
#include <cstdint>
#include <exception>
#include <utility>

RTL_IMPLEMENT_CLASS(TwzWideStrings)
RTL_IMPLEMENT_CLASS(TwzWideStringList)

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

bool EndsLine(char16_t c)
{
    return (c >= 0x000A && c <= 0x000D) || c == 0x2028 || c == 0x2029;
}

// The part of a "name=value" line before (name) or after (value) its first "=".
std::u16string_view NamePart(std::u16string_view line, size_t equals)
{
    return line.substr(0, equals);
}

std::u16string_view ValuePart(std::u16string_view line, size_t equals)
{
    return line.substr(equals + 1);
}

// The first line holding "=" whose part (NamePart or ValuePart) compares equal to `sought`.
int IndexOfPart(const TwzWideStrings& strings, std::u16string_view sought,
    std::u16string_view (*part)(std::u16string_view line, size_t equals))
{
    const int count = strings.GetCount();
    for (int i = 0; i < count; ++i) {
        const std::u16string line = strings.Get(i);
        const size_t equals = line.find(u'=');
        if (equals != std::u16string::npos && strings.CompareStrings(part(line, equals), sought) == 0)
            return i;
    }
    return -1;
}

// The binary search of a sorted list's `count` entries: `compareAt(i)` compares entry i with
// the value sought. Unless duplicates are accepted, an equal entry narrows the search to it
// and those before it.
template <class CompareAt>
bool SearchSorted(int count, TwzDuplicates duplicates, int& index, CompareAt compareAt)
{
    bool found = false;
    int low = 0;
    int high = count - 1;
    while (low <= high) {
        const int i = low + (high - low) / 2;
        const int c = compareAt(i);
        if (c < 0) {
            low = i + 1;
        } else {
            high = i - 1;
            if (c == 0) {
                found = true;
                if (duplicates != wzDupAccept)
                    low = i;
            }
        }
    }
    index = low;
    return found;
}

std::vector<uint8_t> Utf16LeWithMark(std::u16string_view text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.push_back(0xFF);
    bytes.push_back(0xFE);
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

std::u16string DecodeUtf16(const std::vector<uint8_t>& bytes, size_t start, bool bigEndian)
{
    std::u16string text;
    text.reserve((bytes.size() - start) / 2);
    // An odd last byte is half a character: it is dropped.
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        const unsigned first = bytes[i];
        const unsigned second = bytes[i + 1];
        text.push_back(static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first)));
    }
    return text;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TwzWideStrings

void TwzWideStrings::Assign(const rtl::TPersistent& source)
{
    if (const auto* strings = dynamic_cast<const TwzWideStrings*>(&source))
        return CopyLines(*strings);
    Inherited::Assign(source);
}

void TwzWideStrings::AssignTo(rtl::TPersistent& dest) const
{
    if (auto* strings = dynamic_cast<TwzWideStrings*>(&dest))
        return strings->CopyLines(*this);
    Inherited::AssignTo(dest);
}

void TwzWideStrings::CopyLines(const TwzWideStrings& source)
{
    if (&source == this)
        return;
    Batch([&] {
        Clear();
        AddStrings(source);
    });
}

void TwzWideStrings::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineProperty(
        "strings", [this](rtl::TReader& reader) { ReadData(reader); },
        [this](rtl::TWriter& writer) { WriteData(writer); }, DoWrite(filer));
}

bool TwzWideStrings::DoWrite(const rtl::TFiler& filer) const
{
    if (const rtl::TPersistent* ancestor = filer.Ancestor()) {
        if (const auto* strings = dynamic_cast<const TwzWideStrings*>(ancestor))
            return !Equals(*strings);
        return true;
    }
    return GetCount() > 0;
}

void TwzWideStrings::ReadData(rtl::TReader& reader)
{
    reader.ReadListBegin();
    Batch([&] {
        Clear();
        while (!reader.EndOfList())
            Add(reader.ReadWideString());
    });
    reader.ReadListEnd();
}

void TwzWideStrings::WriteData(rtl::TWriter& writer) const
{
    writer.WriteListBegin();
    const int count = GetCount();
    for (int i = 0; i < count; ++i)
        writer.WriteWideString(Get(i));
    writer.WriteListEnd();
}

int TwzWideStrings::CompareStrings(std::u16string_view, std::u16string_view) const
{
    return 0;
}

int TwzWideStrings::GetCapacity() const
{
    return GetCount();
}

rtl::TObject* TwzWideStrings::GetObject(int) const
{
    return nullptr;
}

std::u16string TwzWideStrings::GetTextStr() const
{
    std::u16string text;
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        text += Get(i);
        text += kLineBreak;
    }
    return text;
}

void TwzWideStrings::Put(int index, const std::u16string& s)
{
    rtl::TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
}

void TwzWideStrings::PutObject(int, rtl::TObject*) { }

void TwzWideStrings::SetCapacity(int) { }

void TwzWideStrings::SetTextStr(std::u16string_view value)
{
    Batch([&] {
        Clear();
        size_t pos = 0;
        while (pos < value.size() && value[pos] != 0) {
            const size_t start = pos;
            while (pos < value.size() && value[pos] != 0 && !EndsLine(value[pos]))
                ++pos;
            Add(std::u16string(value.substr(start, pos - start)));
            if (pos >= value.size() || value[pos] == 0)
                break;
            const char16_t ending = value[pos++];
            if (ending == u'\r' && pos < value.size() && value[pos] == u'\n')
                ++pos;
        }
    });
}

void TwzWideStrings::SetUpdateState(bool) { }

int TwzWideStrings::AddObject(const std::u16string& s, rtl::TObject* object)
{
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TwzWideStrings::AddStrings(const TwzWideStrings& strings)
{
    Batch([&] {
        // Counted first: adding a list to itself appends each line once.
        const int count = strings.GetCount();
        for (int i = 0; i < count; ++i)
            AddObject(strings.Get(i), strings.GetObject(i));
    });
}

void TwzWideStrings::Exchange(int index1, int index2)
{
    Batch([&] {
        const std::u16string text = Get(index1);
        rtl::TObject* object = GetObject(index1);
        Put(index1, Get(index2));
        PutObject(index1, GetObject(index2));
        Put(index2, text);
        PutObject(index2, object);
    });
}

int TwzWideStrings::IndexOf(std::u16string_view s) const
{
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        if (CompareStrings(Get(i), s) == 0)
            return i;
    }
    return -1;
}

int TwzWideStrings::IndexOfName(std::u16string_view name) const
{
    return IndexOfPart(*this, name, NamePart);
}

int TwzWideStrings::IndexOfValue(std::u16string_view value) const
{
    return IndexOfPart(*this, value, ValuePart);
}

void TwzWideStrings::LoadFromFile(const std::string& fileName)
{
    try {
        rtl::TFileStream stream(fileName, rtl::fmOpenRead | rtl::fmShareDenyNone);
        LoadFromStream(stream);
    } catch (const std::exception&) {
        // A list that cannot be loaded keeps its lines; callers treat it as optional data.
    }
}

void TwzWideStrings::LoadFromStream(rtl::TStream& stream)
{
    Batch([&] {
        const int64_t left = stream.BytesLeft();
        std::vector<uint8_t> bytes(static_cast<size_t>(left));
        stream.ReadBuffer(bytes.data(), bytes.size());
        if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
            SetTextStr(DecodeUtf16(bytes, 2, false));
        } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
            SetTextStr(DecodeUtf16(bytes, 2, true));
        } else {
            SetTextStr(rtl::Utf8ToUtf16(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
        }
    });
}

void TwzWideStrings::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex)
        return;
    Batch([&] {
        const std::u16string text = Get(curIndex);
        rtl::TObject* object = GetObject(curIndex);
        Delete(curIndex);
        InsertObject(newIndex, text, object);
    });
}

void TwzWideStrings::SaveToFile(const std::string& fileName) const
{
    rtl::ReplaceFile(fileName, Utf16LeWithMark(GetTextStr()));
}

void TwzWideStrings::SaveToFileAnsi(const std::string& fileName) const
{
    // Each line on its own: a CR, LF or CR LF inside a line breaks it there too.
    const std::string text = rtl::Utf16ToUtf8(GetTextStr());
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += '\n';
        } else {
            out += text[i];
        }
    }
    rtl::ReplaceFile(
        fileName, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(out.data()), out.size()));
}

void TwzWideStrings::SaveToStream(rtl::TStream& stream) const
{
    const std::vector<uint8_t> bytes = Utf16LeWithMark(GetTextStr());
    stream.WriteBuffer(bytes.data(), bytes.size());
}

void TwzWideStrings::SetText(const char16_t* text)
{
    SetTextStr(text ? std::u16string_view(text) : std::u16string_view());
}

void TwzWideStrings::Sort() { }

int TwzWideStrings::Add(const std::u16string& s)
{
    const int index = GetCount();
    Insert(index, s);
    return index;
}

void TwzWideStrings::Delete(int) { }

void TwzWideStrings::Clear() { }

void TwzWideStrings::BeginUpdate()
{
    if (m_updateCount == 0)
        SetUpdateState(true);
    ++m_updateCount;
}

void TwzWideStrings::EndUpdate()
{
    assert(m_updateCount > 0 && "EndUpdate without BeginUpdate");
    if (m_updateCount <= 0)
        return;
    --m_updateCount;
    if (m_updateCount == 0)
        SetUpdateState(false);
}

bool TwzWideStrings::Equals(const TwzWideStrings& strings) const
{
    const int count = GetCount();
    if (count != strings.GetCount())
        return false;
    for (int i = 0; i < count; ++i) {
        if (Get(i) != strings.Get(i))
            return false;
    }
    return true;
}

std::u16string TwzWideStrings::GetName(int index) const
{
    const std::u16string line = Get(index);
    const size_t equals = line.find(u'=');
    return equals == std::u16string::npos ? std::u16string() : std::u16string(NamePart(line, equals));
}

std::u16string TwzWideStrings::GetValue(std::u16string_view name) const
{
    const int index = IndexOfName(name);
    if (index < 0)
        return {};
    const std::u16string line = Get(index);
    return std::u16string(ValuePart(line, line.find(u'=')));
}

void TwzWideStrings::InsertObject(int index, const std::u16string& s, rtl::TObject* object)
{
    Insert(index, s);
    PutObject(index, object);
}

void TwzWideStrings::SetCaseSensitive(bool value)
{
    if (value == m_caseSensitive)
        return;
    m_caseSensitive = value;
    if (m_sorted)
        Sort();
}

void TwzWideStrings::SetSorted(bool value)
{
    if (value == m_sorted)
        return;
    if (value)
        Sort();
    m_sorted = value;
}

// ---------------------------------------------------------------------------------------
// TwzWideStringList

TwzWideStringList::~TwzWideStringList()
{
    OnChange.Clear();
    OnChanging.Clear();
}

void TwzWideStringList::Changed()
{
    if (GetUpdateCount() == 0)
        OnChange(this);
}

void TwzWideStringList::Changing()
{
    if (GetUpdateCount() == 0)
        OnChanging(this);
}

int TwzWideStringList::CompareStrings(std::u16string_view s1, std::u16string_view s2) const
{
    const bool caseSensitive = GetCaseSensitive();
    const size_t common = std::min(s1.size(), s2.size());
    for (size_t i = 0; i < common; ++i) {
        const char16_t a = caseSensitive ? s1[i] : rtl::AsciiUpper(s1[i]);
        const char16_t b = caseSensitive ? s2[i] : rtl::AsciiUpper(s2[i]);
        if (a != b)
            return static_cast<int>(a) - static_cast<int>(b);
    }
    if (s1.size() == s2.size())
        return 0;
    return s1.size() < s2.size() ? -1 : 1;
}

std::u16string TwzWideStringList::Get(int index) const
{
    if (!InRange(index))
        return {};
    return m_entries[static_cast<size_t>(index)].text;
}

rtl::TObject* TwzWideStringList::GetObject(int index) const
{
    assert(InRange(index) && "GetObject: index out of range");
    if (!InRange(index))
        return nullptr;
    return m_entries[static_cast<size_t>(index)].object;
}

void TwzWideStringList::Put(int index, const std::u16string& s)
{
    assert(InRange(index) && "Put: index out of range");
    if (!InRange(index))
        return;
    Changing();
    m_entries[static_cast<size_t>(index)].text = s;
    Changed();
}

void TwzWideStringList::PutObject(int index, rtl::TObject* object)
{
    assert(InRange(index) && "PutObject: index out of range");
    if (!InRange(index))
        return;
    Changing();
    m_entries[static_cast<size_t>(index)].object = object;
    Changed();
}

void TwzWideStringList::SetCapacity(int newCapacity)
{
    assert(newCapacity >= GetCount() && "SetCapacity below the count");
    if (newCapacity < GetCount())
        return;
    m_capacity = newCapacity;
    if (static_cast<size_t>(newCapacity) > m_entries.capacity())
        m_entries.reserve(static_cast<size_t>(newCapacity));
    else if (newCapacity == 0)
        m_entries.shrink_to_fit();
}

void TwzWideStringList::SetUpdateState(bool updating)
{
    if (updating)
        Changing();
    else
        Changed();
}

void TwzWideStringList::Exchange(int index1, int index2)
{
    assert(InRange(index1) && InRange(index2) && "Exchange: index out of range");
    if (!InRange(index1) || !InRange(index2))
        return;
    Changing();
    std::swap(m_entries[static_cast<size_t>(index1)], m_entries[static_cast<size_t>(index2)]);
    Changed();
}

int TwzWideStringList::IndexOf(std::u16string_view s) const
{
    if (!GetSorted())
        return Inherited::IndexOf(s);
    int index = 0;
    return Find(s, index) ? index : -1;
}

void TwzWideStringList::Insert(int index, const std::u16string& s)
{
    assert(index >= 0 && index <= GetCount() && "Insert: index out of range");
    if (index < 0 || index > GetCount())
        return;
    InsertItem(index, s);
}

void TwzWideStringList::InsertItem(int index, const std::u16string& s)
{
    Changing();
    if (GetCount() == m_capacity)
        Grow();
    m_entries.insert(m_entries.begin() + index, Entry { s, nullptr });
    Changed();
}

void TwzWideStringList::Grow()
{
    int delta = 4;
    if (m_capacity > 64)
        delta = m_capacity / 4;
    else if (m_capacity > 8)
        delta = 16;
    SetCapacity(m_capacity + delta);
}

void TwzWideStringList::Sort()
{
    if (GetSorted() || GetCount() < 2)
        return;
    Changing();
    QuickSort(0, GetCount() - 1);
    Changed();
}

void TwzWideStringList::QuickSort(int left, int right)
{
    // Hoare partitioning around the middle entry; the smaller side is sorted by recursion,
    // the larger one by the loop, so the depth stays logarithmic.
    const auto compare = [this](int a, int b) {
        return CompareStrings(m_entries[static_cast<size_t>(a)].text, m_entries[static_cast<size_t>(b)].text);
    };
    while (left < right) {
        int i = left;
        int j = right;
        int pivot = left + (right - left) / 2;
        do {
            while (compare(i, pivot) < 0)
                ++i;
            while (compare(j, pivot) > 0)
                --j;
            if (i <= j) {
                if (i != j)
                    std::swap(m_entries[static_cast<size_t>(i)], m_entries[static_cast<size_t>(j)]);
                if (pivot == i)
                    pivot = j;
                else if (pivot == j)
                    pivot = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - left < right - i) {
            QuickSort(left, j);
            left = i;
        } else {
            QuickSort(i, right);
            right = j;
        }
    }
}

int TwzWideStringList::Add(const std::u16string& s)
{
    int index = GetCount();
    if (GetSorted() && Find(s, index) && m_duplicates == wzDupIgnore)
        return index;
    InsertItem(index, s);
    return index;
}

void TwzWideStringList::Delete(int index)
{
    assert(InRange(index) && "Delete: index out of range");
    if (!InRange(index))
        return;
    Changing();
    m_entries.erase(m_entries.begin() + index);
    Changed();
}

void TwzWideStringList::Clear()
{
    if (m_entries.empty())
        return;
    Changing();
    m_entries = {};
    m_capacity = 0;
    Changed();
}

bool TwzWideStringList::Find(std::u16string_view s, int& index) const
{
    return SearchSorted(GetCount(), m_duplicates, index,
        [&](int i) { return CompareStrings(m_entries[static_cast<size_t>(i)].text, s); });
}

bool TwzWideStringList::FindObject(const rtl::TObject* object, int& index) const
{
    // Entries run from the highest address to the lowest: an entry above the one sought
    // compares below it. Whole addresses are compared, never a truncated difference.
    const auto compare = [](const rtl::TObject* a, const rtl::TObject* b) {
        const auto x = reinterpret_cast<uintptr_t>(a);
        const auto y = reinterpret_cast<uintptr_t>(b);
        return x == y ? 0 : (x < y ? 1 : -1);
    };
    return SearchSorted(GetCount(), m_duplicates, index,
        [&](int i) { return compare(m_entries[static_cast<size_t>(i)].object, object); });
}
