#include "platform/rtl/ComponentLink.h"
#include "platform/rtl/ClassInfo.h"

#include <gtest/gtest.h>

using namespace rtl;

namespace {

// A component with one plain link, counting the removals of its target it was told of.
class TLinkHolder : public TComponent {
    RTL_CLASS(TLinkHolder, TComponent)
public:
    using TComponent::TComponent;

    void Notification(TComponent* component, TOperation operation) override
    {
        Inherited::Notification(component, operation);
        if (link.Notification(component, operation))
            ++cleared;
    }

    ComponentLink<TComponent> link { this };
    int cleared = 0;

protected:
    ~TLinkHolder() override = default;
};

RTL_IMPLEMENT_CLASS(TLinkHolder)

TEST(ComponentLink, ClearsWhenTheTargetGoesAndTellsTheHolderOnce)
{
    TOwned<TLinkHolder> holder(new TLinkHolder(nullptr));
    auto* target = new TComponent(nullptr);
    EXPECT_TRUE(holder->link.Set(target));
    EXPECT_FALSE(holder->link.Set(target)) << "linking the same target again does nothing";
    EXPECT_EQ(holder->link.Get(), target);
    target->Free();
    EXPECT_EQ(holder->link.Get(), nullptr);
    EXPECT_FALSE(holder->link);
    EXPECT_EQ(holder->cleared, 1);
}

TEST(ComponentLink, AHolderFreedFirstLeavesNothingBehindInTheTarget)
{
    TOwned<TComponent> target(new TComponent(nullptr));
    auto* holder = new TLinkHolder(nullptr);
    holder->link.Set(target.get());
    holder->Free();
    // The target must not tell the freed holder (AddressSanitizer watches this).
    target.reset();
}

TEST(ComponentLink, ALinkMovedOnNoLongerHearsOfTheTargetBefore)
{
    TOwned<TLinkHolder> holder(new TLinkHolder(nullptr));
    TOwned<TComponent> first(new TComponent(nullptr));
    TOwned<TComponent> second(new TComponent(nullptr));
    holder->link.Set(first.get());
    holder->link.Set(second.get());
    first.reset();
    EXPECT_EQ(holder->link.Get(), second.get());
    EXPECT_EQ(holder->cleared, 0);
}

TEST(ComponentLink, ATargetLeavingAnOwnerTheHolderHearsOfIsUnlinked)
{
    TOwned<TComponent> owner(new TComponent(nullptr));
    auto* holder = new TLinkHolder(owner.get());
    auto* target = new TComponent(owner.get());
    holder->link.Set(target);
    owner->RemoveComponent(target);
    EXPECT_EQ(holder->link.Get(), nullptr);
    EXPECT_EQ(holder->cleared, 1);
    target->Free();
    EXPECT_EQ(holder->cleared, 1);
}

TEST(ComponentLink, TwoLinksBetweenOnePairStaySafeWhenOneLetsGo)
{
    // Free notification is one registration a pair: the first link let go drops it for the
    // other one too. The other link still must not outlive its target.
    auto* a = new TLinkHolder(nullptr);
    auto* b = new TLinkHolder(nullptr);
    a->link.Set(b);
    b->link.Set(a);
    a->link.Set(nullptr);
    a->Free();
    EXPECT_EQ(b->link.Get(), nullptr);
    b->Free();
}

} // namespace
