#pragma once

#include "platform/rtl/Object.h"

#include <functional>
#include <span>
#include <vector>

/// The growable list of object references that holds the children and the other lists of
/// the 2D object tree. It grows in steps of 16 and does not own its items (FreeItems frees
/// them on request). Like the lists it replaces it checks no indexes: callers keep them in
/// 0..Count-1 (debug builds assert).
class TwzObjectList : public rtl::TPersistent {
    RTL_CLASS(TwzObjectList, rtl::TPersistent)
public:
    /// Returns <0, 0 or >0 as the first item sorts before, with or after the second.
    using TCompare = std::function<int(rtl::TObject* item1, rtl::TObject* item2)>;

    static constexpr int kDelta = 16;

    TwzObjectList() = default;
    /// Clears the list; the items are not freed.
    ~TwzObjectList() override;

    /// Appends `item` (growing the capacity by 16 when full); returns its index.
    int Add(rtl::TObject* item);
    /// Puts `item` at `index` (0..Count), moving the later entries up.
    void Insert(int index, rtl::TObject* item);
    /// Removes the entry at `index`, moving the later entries down.
    void Delete(int index);
    /// Deletes the first entry equal to `item`; returns its index, or -1 when absent.
    int Remove(rtl::TObject* item);
    /// The index of the first entry equal to `item`; -1 when absent.
    [[nodiscard]] int IndexOf(const rtl::TObject* item) const;

    [[nodiscard]] rtl::TObject* GetItem(int index) const;
    [[nodiscard]] int GetCount() const { return m_count; }
    /// Grows the capacity when needed; new entries are null.
    void SetCount(int count);
    [[nodiscard]] int GetCapacity() const { return static_cast<int>(m_items.size()); }
    /// Reallocates to `capacity` entries; a smaller capacity than Count cuts Count.
    void SetCapacity(int capacity);

    /// The entries in use.
    [[nodiscard]] std::span<rtl::TObject* const> Items() const
    {
        return { m_items.data(), static_cast<size_t>(m_count) };
    }

    /// Count and capacity to 0; the items are not freed.
    virtual void Clear();
    /// FreeItems, then Clear.
    virtual void FreeAndClear();
    /// Frees every item (Free()), from the last to the first, skipping indexes that are no
    /// longer below Count (freeing an item may take others out of the list). The entries
    /// stay until Clear.
    void FreeItems();

    /// Sorts with `compare` (not stable); nothing below 2 entries.
    void Sort(const TCompare& compare);

private:
    void Grow();

    std::vector<rtl::TObject*> m_items; // size() is the capacity
    int m_count = 0;
};
