#include "graphics/TwzObjectList.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Items are told apart by value; `list`, when set, is where a freed item removes itself
// and, with `alsoRemove`, another item too (as a child leaves its parent's list).
struct TItem : rtl::TObject {
    explicit TItem(int v)
        : value(v)
    { }
    int value;
    TwzObjectList* list = nullptr;
    TItem* alsoRemove = nullptr;
    std::vector<int>* freed = nullptr;

protected:
    void BeforeDestruction() override
    {
        if (freed)
            freed->push_back(value);
        if (list) {
            list->Remove(this);
            if (alsoRemove)
                list->Remove(alsoRemove);
        }
    }
};

std::vector<int> Values(const TwzObjectList& list)
{
    std::vector<int> v;
    for (rtl::TObject* item : list.Items())
        v.push_back(item ? static_cast<TItem*>(item)->value : -1);
    return v;
}

class ObjectList : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (auto* i : items)
            delete i;
    }
    TItem* Item(int v)
    {
        items.push_back(new TItem(v));
        return items.back();
    }
    std::vector<TItem*> items;
};

TEST_F(ObjectList, GrowsInStepsOfSixteen)
{
    TwzObjectList list;
    EXPECT_EQ(list.GetCapacity(), 0);
    list.Add(Item(0));
    EXPECT_EQ(list.GetCapacity(), 16);
    for (int i = 1; i < 16; ++i)
        list.Add(Item(i));
    EXPECT_EQ(list.GetCapacity(), 16);
    EXPECT_EQ(list.Add(Item(16)), 16);
    EXPECT_EQ(list.GetCapacity(), 32);
    list.Insert(0, Item(99)); // inserting grows the same way
    EXPECT_EQ(list.GetCount(), 18);
    EXPECT_EQ(list.GetCapacity(), 32);
}

TEST_F(ObjectList, InsertDeleteAndRemoveKeepTheOrder)
{
    TwzObjectList list;
    TItem* a = Item(1);
    TItem* b = Item(2);
    list.Add(a);
    list.Add(b);
    list.Insert(2, Item(3)); // at Count: appends
    list.Insert(0, Item(0));
    list.Add(a);
    EXPECT_EQ(Values(list), (std::vector<int> { 0, 1, 2, 3, 1 }));
    EXPECT_EQ(list.IndexOf(a), 1);
    EXPECT_EQ(list.Remove(a), 1); // the first occurrence only
    EXPECT_EQ(Values(list), (std::vector<int> { 0, 2, 3, 1 }));
    EXPECT_EQ(list.Remove(Item(7)), -1);
    EXPECT_EQ(Values(list), (std::vector<int> { 0, 2, 3, 1 }));
    list.Delete(3); // the last: only the count goes down
    list.Delete(0);
    EXPECT_EQ(Values(list), (std::vector<int> { 2, 3 }));
    EXPECT_EQ(list.IndexOf(nullptr), -1);
}

TEST_F(ObjectList, CountAndCapacityCutAndFill)
{
    TwzObjectList list;
    list.Add(Item(1));
    list.Add(Item(2));
    list.SetCount(5);
    EXPECT_EQ(Values(list), (std::vector<int> { 1, 2, -1, -1, -1 }));
    list.SetCount(3);
    list.SetCapacity(1);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetCapacity(), 1);
    list.SetCount(40); // beyond the capacity: grows to exactly that
    EXPECT_EQ(list.GetCapacity(), 40);
    EXPECT_EQ(list.GetItem(39), nullptr);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST_F(ObjectList, SortOrdersByTheComparisonAndSkipsShortLists)
{
    int calls = 0;
    const auto byValue = [&](rtl::TObject* x, rtl::TObject* y) {
        ++calls;
        return static_cast<TItem*>(x)->value - static_cast<TItem*>(y)->value;
    };
    struct Case {
        std::vector<int> in;
        std::vector<int> out;
    };
    const Case cases[] = {
        { {}, {} },
        { { 5 }, { 5 } },
        { { 2, 1 }, { 1, 2 } },
        { { 3, 1, 2, 3, 0, 1 }, { 0, 1, 1, 2, 3, 3 } },
        { { 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 10, 11, 12 }, { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.size());
        TwzObjectList list;
        for (int v : c.in)
            list.Add(Item(v));
        calls = 0;
        list.Sort(byValue);
        EXPECT_EQ(Values(list), c.out);
        if (c.in.size() < 2) {
            EXPECT_EQ(calls, 0);
        }
    }
}

// A comparison that is no order at all must not make the sort read outside the list.
TEST_F(ObjectList, SortStaysInsideTheListWhateverTheComparisonSays)
{
    for (int answer : { -1, 1 }) {
        TwzObjectList list;
        for (int v = 0; v < 20; ++v)
            list.Add(Item(v));
        list.Sort([answer](rtl::TObject*, rtl::TObject*) { return answer; });
        EXPECT_EQ(list.GetCount(), 20);
    }
}

TEST(ObjectListFree, FreeItemsFreesLastToFirstAndCopesWithItemsLeaving)
{
    std::vector<int> freed;
    TwzObjectList list;
    std::vector<TItem*> made;
    for (int v = 0; v < 5; ++v) {
        auto* item = new TItem(v);
        item->list = &list;
        item->freed = &freed;
        list.Add(item);
        made.push_back(item);
    }
    made[4]->alsoRemove = made[3]; // freeing 4 takes 3 out too: 3 is skipped, not freed
    list.FreeItems();
    EXPECT_EQ(freed, (std::vector<int> { 4, 2, 1, 0 }));
    EXPECT_EQ(list.GetCount(), 0);
    delete made[3];
}

TEST(ObjectListFree, FreeAndClearFreesComponentsThroughTheirOwnFree)
{
    struct TNode : rtl::TComponent {
        using TComponent::TComponent;
    };
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    TwzObjectList list;
    list.Add(new TNode(owner.get()));
    list.Add(nullptr);
    list.Add(new TNode(owner.get()));
    list.FreeAndClear();
    EXPECT_EQ(owner->GetComponentCount(), 0); // each left its owner
    EXPECT_EQ(list.GetCount(), 0);
}

} // namespace
