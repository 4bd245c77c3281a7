#pragma once

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/ScopeExit.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Lists of UTF-16 text lines, each with an attached object reference: the text lines of the
// 2D library (translation tables, string-list controls, the memo's lines, the key/value
// storage's names). Independent of any GUI toolkit's string lists.
//
// Case folding is ASCII-only (a..z against A..Z) and comparisons go by UTF-16 code unit, so
// two different names never compare equal because a conversion dropped characters.
//
// GUI thread only. No operation reports an error: indexes outside the list are a caller's
// fault (asserted in debug builds, ignored otherwise).

/// What a sorted TwzWideStringList does when Add meets a line it already holds.
enum TwzDuplicates : int32_t {
    wzDupIgnore, ///< Add returns the existing line's index and inserts nothing
    wzDupAccept, ///< the duplicate is inserted
    wzDupError, ///< the duplicate is inserted; no error is reported
};

/// The abstract list: everything is built on Get, GetCount, Insert, Delete, Clear and the
/// object accessors, so a class that only exposes its lines through those (the memo's line
/// facade) gets text, name=value access, files and streams for free.
class TwzWideStrings : public rtl::TPersistent {
    RTL_CLASS(TwzWideStrings, rtl::TPersistent)
public:
    TwzWideStrings() = default;

    /// Copies lines and objects of another wide list inside one update batch. Other sources
    /// go to the persistent base (the assignment error).
    void Assign(const rtl::TPersistent& source) override;

    /// Declares the stored list value "strings" (one wide string per line; objects are not
    /// stored). It is written when the list has at least one line.
    void DefineProperties(rtl::TFiler& filer) override;

    // ---- overridable operations ----------------------------------------------------------

    /// <0, 0 or >0. The base treats every two lines as equal.
    [[nodiscard]] virtual int CompareStrings(std::u16string_view s1, std::u16string_view s2) const;
    /// The line; a concrete list gives the empty text for an index outside the list.
    [[nodiscard]] virtual std::u16string Get(int index) const = 0;
    [[nodiscard]] virtual int GetCapacity() const;
    [[nodiscard]] virtual int GetCount() const = 0;
    [[nodiscard]] virtual rtl::TObject* GetObject(int index) const;
    /// Every line followed by CR LF, the last one included; the empty text for no lines.
    [[nodiscard]] virtual std::u16string GetTextStr() const;
    /// Replaces the text of a line and keeps its object.
    virtual void Put(int index, const std::u16string& s);
    virtual void PutObject(int index, rtl::TObject* object);
    virtual void SetCapacity(int newCapacity);
    /// Replaces all lines by those of `value`, inside one update batch. A line ends at
    /// U+0000 (which also ends the text), at LF, VT, FF, CR (CR LF counts as one break),
    /// U+2028 and U+2029; a break at the very end adds no empty line.
    virtual void SetTextStr(std::u16string_view value);
    /// Called when the update counter leaves 0 (true) and when it returns to 0 (false).
    virtual void SetUpdateState(bool updating);
    virtual int AddObject(const std::u16string& s, rtl::TObject* object);
    /// Appends every line of `strings` with its object, inside one update batch.
    virtual void AddStrings(const TwzWideStrings& strings);
    virtual void Exchange(int index1, int index2);
    /// The first line that compares equal to `s`, or -1.
    [[nodiscard]] virtual int IndexOf(std::u16string_view s) const;
    /// The first line holding "=" whose part before the first "=" compares equal to `name`.
    [[nodiscard]] virtual int IndexOfName(std::u16string_view name) const;
    /// The first line holding "=" whose part after the first "=" compares equal to `value`.
    [[nodiscard]] virtual int IndexOfValue(std::u16string_view value) const;
    virtual void Insert(int index, const std::u16string& s) = 0;
    /// Reads the file (UTF-16 with a byte-order mark, else UTF-8 text). Every error is
    /// swallowed: the list keeps what it had, or what the load had reached.
    virtual void LoadFromFile(const std::string& fileName);
    /// From the stream's position to its end: FF FE starts UTF-16 little-endian, FE FF
    /// UTF-16 big-endian; anything else is UTF-8 text (bytes that are not UTF-8 are read as
    /// Windows-1252). Inside one update batch.
    virtual void LoadFromStream(rtl::TStream& stream);
    /// Moves a line with its object; `newIndex` counts after the line's removal.
    virtual void Move(int curIndex, int newIndex);
    /// SaveToStream's bytes into the file. The file is replaced only once all bytes are
    /// written, so a failed save leaves an existing file as it was; errors are raised.
    virtual void SaveToFile(const std::string& fileName) const;
    /// The lines as UTF-8 text, each followed by LF, without a byte-order mark; replaced
    /// as SaveToFile does.
    virtual void SaveToFileAnsi(const std::string& fileName) const;
    /// The bytes FF FE, then GetTextStr as UTF-16 little-endian, without a terminating zero.
    virtual void SaveToStream(rtl::TStream& stream) const;
    /// SetTextStr of a zero-terminated text; null counts as the empty text.
    virtual void SetText(const char16_t* text);
    virtual void Sort();
    virtual int Add(const std::u16string& s);
    virtual void Delete(int index);
    virtual void Clear();

    // ---- fixed operations ----------------------------------------------------------------

    /// Starts a batch; nested batches count. SetUpdateState(true) runs at the outermost one.
    void BeginUpdate();
    /// Ends a batch; SetUpdateState(false) runs when the outermost one ends.
    void EndUpdate();
    [[nodiscard]] int GetUpdateCount() const { return m_updateCount; }

    /// Same number of lines and the same text line by line (objects are not compared).
    [[nodiscard]] bool Equals(const TwzWideStrings& strings) const;
    /// The text before the line's first "=", the empty text when it has none.
    [[nodiscard]] std::u16string GetName(int index) const;
    /// The text after the first "=" of the line IndexOfName finds; empty when none does.
    [[nodiscard]] std::u16string GetValue(std::u16string_view name) const;
    void InsertObject(int index, const std::u16string& s, rtl::TObject* object);

    [[nodiscard]] bool GetCaseSensitive() const { return m_caseSensitive; }
    /// Stores the flag; a sorted list keeps its present order. Set it while the list is
    /// still empty.
    void SetCaseSensitive(bool value);
    [[nodiscard]] bool GetSorted() const { return m_sorted; }
    /// Switching on sorts the list first; switching off only clears the flag.
    void SetSorted(bool value);

protected:
    /// Copies into another wide list (its own batch: Clear, then its AddStrings of this).
    void AssignTo(rtl::TPersistent& dest) const override;

    /// The "strings" list value: read replaces every line, inside one batch.
    void ReadData(rtl::TReader& reader);
    void WriteData(rtl::TWriter& writer) const;

    /// Runs `body` inside a batch that ends even when `body` raises.
    template <class F> void Batch(F&& body)
    {
        BeginUpdate();
        rtl::ScopeExit endUpdate([this] { EndUpdate(); });
        body();
    }

private:
    [[nodiscard]] bool DoWrite(const rtl::TFiler& filer) const;
    /// Assign and AssignTo between wide lists: this list's batch of Clear, then AddStrings.
    void CopyLines(const TwzWideStrings& source);

    int m_updateCount = 0;
    bool m_caseSensitive = false;
    bool m_sorted = false;
};

/// The concrete list: entries of a line and an object reference (never owned, freed or
/// copied by the list), optional sorting with binary search, a duplicate policy and change
/// events. Every change made outside a batch fires OnChanging before and OnChange after
/// it; a batch fires each once, at its start and at its end. The handlers may free the
/// list from OnChange: nothing of the list is touched after it fires.
class TwzWideStringList : public TwzWideStrings {
    RTL_CLASS(TwzWideStringList, TwzWideStrings)
public:
    TwzWideStringList() = default;
    /// Fires nothing; the entries' objects are left alone.
    ~TwzWideStringList() override;

    /// Compares the lines by UTF-16 code unit; unless CaseSensitive, a..z count as A..Z
    /// (no other letters fold, no locale collation).
    [[nodiscard]] int CompareStrings(std::u16string_view s1, std::u16string_view s2) const override;
    [[nodiscard]] std::u16string Get(int index) const override;
    [[nodiscard]] int GetCapacity() const override { return m_capacity; }
    [[nodiscard]] int GetCount() const override { return static_cast<int>(m_entries.size()); }
    [[nodiscard]] rtl::TObject* GetObject(int index) const override;
    /// In place, also in a sorted list (which is then not re-sorted).
    void Put(int index, const std::u16string& s) override;
    void PutObject(int index, rtl::TObject* object) override;
    /// Must not go below the count.
    void SetCapacity(int newCapacity) override;
    void SetUpdateState(bool updating) override;
    void Exchange(int index1, int index2) override;
    /// Binary search (Find) when sorted, else the linear search of the base.
    [[nodiscard]] int IndexOf(std::u16string_view s) const override;
    /// At `index`, also in a sorted list.
    void Insert(int index, const std::u16string& s) override;
    /// Quick sort by CompareStrings, objects moving with their lines; the order of equal
    /// lines is not kept. Does nothing when the list is already flagged sorted.
    void Sort() override;
    /// Appends, or in a sorted list inserts where Find puts it; with wzDupIgnore a line
    /// already there returns its index and nothing is added.
    int Add(const std::u16string& s) override;
    void Delete(int index) override;
    /// Empties the list and frees the entry array; fires nothing when already empty.
    void Clear() override;

    /// Binary search of a sorted list: true when `s` is found, with `index` at an equal line
    /// (the leftmost of several under wzDupAccept); false with `index` where `s` would go.
    virtual bool Find(std::u16string_view s, int& index) const;
    /// The same search over the entries' objects, for entries ordered from the highest
    /// object address to the lowest.
    virtual bool FindObject(const rtl::TObject* object, int& index) const;

    [[nodiscard]] TwzDuplicates GetDuplicates() const { return m_duplicates; }
    void SetDuplicates(TwzDuplicates value) { m_duplicates = value; }

    rtl::TNotifyEvent OnChanging;
    rtl::TNotifyEvent OnChange;

protected:
    virtual void Changed();
    virtual void Changing();

private:
    struct Entry {
        std::u16string text;
        rtl::TObject* object = nullptr;
    };

    [[nodiscard]] bool InRange(int index) const { return index >= 0 && index < GetCount(); }
    void InsertItem(int index, const std::u16string& s);
    void Grow();
    void QuickSort(int left, int right);

    std::vector<Entry> m_entries;
    int m_capacity = 0;
    TwzDuplicates m_duplicates = wzDupIgnore;
};
