#include "graphics/TwzObjectList.h"

#include "platform/rtl/ClassInfo.h"

#include <algorithm>
#include <cassert>
#include <utility>

RTL_IMPLEMENT_CLASS(TwzObjectList)

namespace {

// The classic list quick sort, kept so that equal items end up in the same order as the
// lists this one replaces put them. The scans are bounded by L and R, so a comparison that
// is not a consistent order cannot walk off the array.
void QuickSortPointers(
    std::vector<rtl::TObject*>& items, int l, int r, const TwzObjectList::TCompare& compare)
{
    int i;
    do {
        i = l;
        int j = r;
        rtl::TObject* pivot = items[static_cast<size_t>((l + r) / 2)];
        do {
            while (i < r && compare(items[static_cast<size_t>(i)], pivot) < 0)
                ++i;
            while (j > l && compare(items[static_cast<size_t>(j)], pivot) > 0)
                --j;
            if (i <= j) {
                std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j)
            QuickSortPointers(items, l, j, compare);
        l = i;
    } while (i < r);
}

} // namespace

TwzObjectList::~TwzObjectList()
{
    TwzObjectList::Clear();
}

void TwzObjectList::Grow()
{
    if (m_count == GetCapacity())
        m_items.resize(m_items.size() + kDelta, nullptr);
}

int TwzObjectList::Add(rtl::TObject* item)
{
    Grow();
    m_items[static_cast<size_t>(m_count)] = item;
    return m_count++;
}

void TwzObjectList::Insert(int index, rtl::TObject* item)
{
    assert(index >= 0 && index <= m_count);
    Grow();
    const auto begin = m_items.begin();
    std::move_backward(begin + index, begin + m_count, begin + m_count + 1);
    m_items[static_cast<size_t>(index)] = item;
    ++m_count;
}

void TwzObjectList::Delete(int index)
{
    assert(index >= 0 && index < m_count);
    --m_count;
    const auto begin = m_items.begin();
    std::move(begin + index + 1, begin + m_count + 1, begin + index);
    m_items[static_cast<size_t>(m_count)] = nullptr;
}

int TwzObjectList::Remove(rtl::TObject* item)
{
    const int index = IndexOf(item);
    if (index >= 0)
        Delete(index);
    return index;
}

int TwzObjectList::IndexOf(const rtl::TObject* item) const
{
    for (int i = 0; i < m_count; ++i) {
        if (m_items[static_cast<size_t>(i)] == item)
            return i;
    }
    return -1;
}

rtl::TObject* TwzObjectList::GetItem(int index) const
{
    assert(index >= 0 && index < m_count);
    return m_items[static_cast<size_t>(index)];
}

void TwzObjectList::SetCount(int count)
{
    assert(count >= 0);
    if (count > GetCapacity())
        SetCapacity(count);
    for (int i = m_count; i < count; ++i)
        m_items[static_cast<size_t>(i)] = nullptr;
    m_count = count;
}

void TwzObjectList::SetCapacity(int capacity)
{
    assert(capacity >= 0);
    if (capacity == GetCapacity())
        return;
    if (capacity < m_count)
        m_count = capacity;
    m_items.resize(static_cast<size_t>(capacity), nullptr);
    m_items.shrink_to_fit();
}

void TwzObjectList::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

void TwzObjectList::FreeAndClear()
{
    FreeItems();
    Clear();
}

void TwzObjectList::FreeItems()
{
    for (int i = m_count - 1; i >= 0; --i) {
        if (i >= m_count)
            continue;
        if (rtl::TObject* item = m_items[static_cast<size_t>(i)])
            item->Free();
    }
}

void TwzObjectList::Sort(const TCompare& compare)
{
    if (m_count < 2)
        return;
    QuickSortPointers(m_items, 0, m_count - 1, compare);
}
