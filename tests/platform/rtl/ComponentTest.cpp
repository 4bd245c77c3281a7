#include "platform/rtl/Component.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace rtl;

namespace {

std::vector<std::string> g_log;

// A component that logs its destruction and keeps one plain link to another component.
class TLinker : public TComponent {
    RTL_CLASS(TLinker, TComponent)
public:
    using TComponent::TComponent;

    TComponent* GetTarget() const { return m_target; }
    void SetTarget(TComponent* value, bool notify = true)
    {
        if (value == m_target)
            return;
        if (m_target && notify)
            m_target->RemoveFreeNotification(this);
        m_target = value;
        if (m_target && notify)
            m_target->FreeNotification(this);
    }

    TNotifyEvent OnClick;
    void Click() { OnClick(this); }

    void Notification(TComponent* component, TOperation operation) override
    {
        Inherited::Notification(component, operation);
        if (operation == opRemove && component == m_target)
            m_target = nullptr;
        if (operation == opRemove)
            ++removals;
    }

    int removals = 0;

protected:
    void BeforeDestruction() override
    {
        g_log.push_back(GetName());
        for (TComponent* c : Components())
            ownedDestroying.push_back(c->IsDestroying());
        if (sawOwnedDestroying)
            *sawOwnedDestroying = ownedDestroying;
        Inherited::BeforeDestruction();
    }

public:
    std::vector<bool> ownedDestroying;
    std::vector<bool>* sawOwnedDestroying = nullptr;

private:
    TComponent* m_target = nullptr;
};

RTL_IMPLEMENT_CLASS(TLinker)

TLinker* MakeLinker(TComponent* owner, const std::string& name)
{
    auto* c = new TLinker(owner);
    c->SetName(name);
    return c;
}

class ComponentLifetime : public ::testing::Test {
protected:
    void SetUp() override { g_log.clear(); }
};

TEST_F(ComponentLifetime, OwnerFreesOwnedNewestFirstAndNestedOwnedWithThem)
{
    auto* root = MakeLinker(nullptr, "Root");
    auto* a = MakeLinker(root, "A");
    MakeLinker(a, "A1");
    MakeLinker(a, "A2");
    MakeLinker(root, "B");
    root->Free();
    EXPECT_EQ(g_log, (std::vector<std::string> { "Root", "B", "A", "A2", "A1" }));
}

// Owned components know they are going before any of them is freed, so they can skip
// work (restyling, realigning) that their siblings' removal would otherwise cause.
TEST_F(ComponentLifetime, OwnedComponentsAreMarkedDestroyingWithTheirOwner)
{
    TOwned<TLinker> root(MakeLinker(nullptr, "Root"));
    std::vector<bool> saw;
    root->sawOwnedDestroying = &saw;
    MakeLinker(MakeLinker(root.get(), "A"), "A1");
    MakeLinker(root.get(), "B");
    EXPECT_FALSE(root->GetComponent(0)->IsDestroying());
    root.reset();
    EXPECT_EQ(saw, (std::vector<bool> { true, true }));
}

TEST_F(ComponentLifetime, FreeingAnOwnedComponentLeavesItsOwner)
{
    TOwned<TLinker> root(MakeLinker(nullptr, "Root"));
    auto* a = MakeLinker(root.get(), "A");
    MakeLinker(root.get(), "B");
    a->Free();
    ASSERT_EQ(root->GetComponentCount(), 1);
    EXPECT_EQ(root->GetComponent(0)->GetName(), "B");
    EXPECT_EQ(root->FindComponent("a"), nullptr);
}

// Links registered with FreeNotification clear whichever side is freed first.
TEST_F(ComponentLifetime, FreeNotificationClearsLinksInBothOrders)
{
    struct Case {
        const char* name;
        bool freeTargetFirst;
    };
    for (const Case& c : { Case { "target freed first", true }, Case { "holder freed first", false } }) {
        SCOPED_TRACE(c.name);
        auto* holder = MakeLinker(nullptr, "Holder");
        auto* target = MakeLinker(nullptr, "Target");
        holder->SetTarget(target);
        if (c.freeTargetFirst) {
            target->Free();
            EXPECT_EQ(holder->GetTarget(), nullptr);
            holder->Free();
        } else {
            holder->Free();
            target->Free(); // must not tell the freed holder
        }
    }
}

// A subscriber that links itself again while its target is being freed must not be left
// with a link that nobody clears.
TEST_F(ComponentLifetime, NoLinkCanBeMadeToAComponentBeingFreed)
{
    struct TRelinker : TLinker {
        using TLinker::TLinker;
        void Notification(TComponent* component, TOperation operation) override
        {
            TLinker::Notification(component, operation);
            if (operation == opRemove && component == watched)
                component->FreeNotification(this);
        }
        TComponent* watched = nullptr;
    };
    TOwned<TRelinker> holder(new TRelinker(nullptr));
    auto* target = MakeLinker(nullptr, "Target");
    holder->watched = target;
    holder->SetTarget(target);
    target->Free();
    EXPECT_EQ(holder->GetTarget(), nullptr);
    holder.reset(); // must not tell the freed target
}

TEST_F(ComponentLifetime, RemovingTheLinkStopsTheNotification)
{
    TOwned<TLinker> holder(MakeLinker(nullptr, "Holder"));
    auto* target = MakeLinker(nullptr, "Target");
    holder->SetTarget(target);
    holder->SetTarget(nullptr);
    target->Free();
    EXPECT_EQ(holder->removals, 0);
}

// Components of one owner hear of each other's removal without a FreeNotification.
TEST_F(ComponentLifetime, SiblingsHearOfARemovalThroughTheirOwner)
{
    TOwned<TLinker> form(MakeLinker(nullptr, "Form"));
    auto* scene = MakeLinker(form.get(), "Scene");
    auto* object = MakeLinker(form.get(), "Object");
    scene->SetTarget(object, /*notify=*/false);
    object->Free();
    EXPECT_EQ(scene->GetTarget(), nullptr);
}

TEST_F(ComponentLifetime, SiblingLinksStayValidWhileTheOwnerIsFreed)
{
    auto* form = MakeLinker(nullptr, "Form");
    auto* early = MakeLinker(form, "Early");
    auto* late = MakeLinker(form, "Late");
    early->SetTarget(late, /*notify=*/false);
    late->SetTarget(early, /*notify=*/false);
    form->Free(); // Late goes first; Early must not keep a dangling link to it
    EXPECT_EQ(g_log, (std::vector<std::string> { "Form", "Late", "Early" }));
}

TEST_F(ComponentLifetime, HandlerMayFreeItsOwnSender)
{
    struct TCloser : TLinker {
        using TLinker::TLinker;
        void ButtonClick(TObject* sender) { static_cast<TComponent*>(sender)->Free(); }
    };
    TOwned<TLinker> form(MakeLinker(nullptr, "Form"));
    auto* button = MakeLinker(form.get(), "Button");
    auto* closer = new TCloser(form.get());
    button->OnClick.Bind<&TCloser::ButtonClick>(closer);
    Watch<TLinker> watch(button);
    button->Click();
    EXPECT_EQ(watch.Get(), nullptr);
    EXPECT_EQ(form->FindComponent("Button"), nullptr);
}

TEST_F(ComponentLifetime, WatchTurnsNullWhenItsTargetOrTheTargetsOwnerIsFreed)
{
    auto* owner = MakeLinker(nullptr, "Owner");
    auto* child = MakeLinker(owner, "Child");
    Watch<TLinker> direct(owner);
    Watch<TLinker> nested(child);
    Watch<TLinker> copy = nested;
    Watch<TLinker> reassigned(owner);
    reassigned = nullptr;
    EXPECT_EQ(copy.Get(), child);
    owner->Free();
    EXPECT_FALSE(direct);
    EXPECT_EQ(nested.Get(), nullptr);
    EXPECT_EQ(copy.Get(), nullptr);
    EXPECT_EQ(reassigned.Get(), nullptr);
}

namespace {
// Reads a watch on itself from its own teardown, before the base class's steps run.
class TSelfWatcher : public TComponent {
    RTL_CLASS(TSelfWatcher, TComponent)
public:
    using TComponent::TComponent;
    Watch<TSelfWatcher>* watch = nullptr;
    bool* result = nullptr;

protected:
    void BeforeDestruction() override
    {
        *result = watch->Get() == nullptr;
        Inherited::BeforeDestruction();
    }
};
} // namespace

RTL_IMPLEMENT_CLASS(TSelfWatcher)

TEST_F(ComponentLifetime, WatchIsAlreadyNullWhenASubclassTeardownRuns)
{
    auto* c = new TSelfWatcher(nullptr);
    Watch<TSelfWatcher> watch(c);
    bool sawNull = false;
    c->watch = &watch;
    c->result = &sawNull;
    c->Free();
    EXPECT_TRUE(sawNull);
    EXPECT_FALSE(watch);
}

TEST_F(ComponentLifetime, WatchThatOutlivesNothingUnhooksItself)
{
    TOwned<TLinker> target(MakeLinker(nullptr, "Target"));
    {
        Watch<TLinker> a(target.get());
        Watch<TLinker> b(target.get());
        Watch<TLinker> c(target.get());
    } // each unhooks from the middle, the ends and the head of the list
    Watch<TLinker> last(target.get());
    target.reset();
    EXPECT_FALSE(last);
}

TEST_F(ComponentLifetime, DeferFreeFreesOnceOnTheNextTurn)
{
    auto* a = MakeLinker(nullptr, "A");
    auto* b = MakeLinker(nullptr, "B");
    DeferFree(a);
    DeferFree(a);
    DeferFree(b);
    b->Free(); // freed meanwhile: skipped later
    EXPECT_EQ(g_log, std::vector<std::string> { "B" });
    EXPECT_EQ(ProcessDeferred(), 1);
    EXPECT_EQ(g_log, (std::vector<std::string> { "B", "A" }));
    EXPECT_EQ(ProcessDeferred(), 0);
}

int g_posts = 0;
void CountPost()
{
    ++g_posts;
}

TEST_F(ComponentLifetime, DeferFreeAsksThePosterOncePerBatch)
{
    g_posts = 0;
    SetDeferPoster(&CountPost);
    DeferFree(MakeLinker(nullptr, "A"));
    DeferFree(MakeLinker(nullptr, "B"));
    EXPECT_EQ(g_posts, 1);
    EXPECT_EQ(ProcessDeferred(), 2);
    DeferFree(MakeLinker(nullptr, "C"));
    EXPECT_EQ(g_posts, 2);
    EXPECT_EQ(ProcessDeferred(), 1);
    SetDeferPoster(nullptr);
}

TEST(Component, NamesAreIdentifiersUniqueWithinTheOwnerIgnoringCase)
{
    TOwned<TLinker> owner(MakeLinker(nullptr, "Owner"));
    auto* a = MakeLinker(owner.get(), "Button1");
    auto* b = MakeLinker(owner.get(), "");
    struct Case {
        std::string name;
        bool valid;
    };
    const Case cases[] = {
        { "BUTTON1", false }, // taken, ASCII case ignored
        { "1Button", false },
        { "Button 2", false },
        { "Button.2", false },
        { "_Button2", true },
        { "Кнопка", true },
        { std::string(255, 'x'), true },
        { std::string(256, 'x'), false }, // longer than the stream holds
        { "", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 20));
        if (c.valid) {
            EXPECT_NO_THROW(b->SetName(c.name));
            EXPECT_EQ(b->GetName(), c.name);
        } else {
            EXPECT_THROW(b->SetName(c.name), ComponentError);
        }
    }
    EXPECT_NO_THROW(a->SetName("button1")); // renaming itself is fine
    EXPECT_EQ(owner->FindComponent("BUTTON1"), a);
    EXPECT_EQ(owner->FindComponent(""), nullptr);
}

TEST(Component, InsertComponentMovesOwnership)
{
    TOwned<TLinker> first(MakeLinker(nullptr, "First"));
    TOwned<TLinker> second(MakeLinker(nullptr, "Second"));
    auto* c = MakeLinker(first.get(), "C");
    MakeLinker(second.get(), "Other");
    second->InsertComponent(c);
    EXPECT_EQ(c->GetOwner(), second.get());
    EXPECT_EQ(first->GetComponentCount(), 0);
    EXPECT_EQ(c->GetComponentIndex(), 1);
    first.reset();
    EXPECT_EQ(second->FindComponent("C"), c);
    // A name already taken in the new owner is refused and the component stays where it was.
    TOwned<TLinker> third(MakeLinker(nullptr, "Third"));
    MakeLinker(third.get(), "c");
    EXPECT_THROW(third->InsertComponent(c), ComponentError);
    EXPECT_EQ(c->GetOwner(), second.get());
}

// ---- persistent assignment ------------------------------------------------------------

class TPoint2 : public TPersistent {
    RTL_CLASS(TPoint2, TPersistent)
public:
    int x = 0;
    int y = 0;
    void Assign(const TPersistent& source) override
    {
        if (auto* p = dynamic_cast<const TPoint2*>(&source)) {
            x = p->x;
            y = p->y;
            return;
        }
        Inherited::Assign(source);
    }
};
RTL_IMPLEMENT_CLASS(TPoint2)

// Knows how to copy itself into a TPoint2, which does not know it.
class TPolar : public TPersistent {
    RTL_CLASS(TPolar, TPersistent)
public:
    int radius = 0;

protected:
    void AssignTo(TPersistent& dest) const override
    {
        if (auto* p = dynamic_cast<TPoint2*>(&dest)) {
            p->x = radius;
            p->y = 0;
            return;
        }
        Inherited::AssignTo(dest);
    }
};
RTL_IMPLEMENT_CLASS(TPolar)

TEST(Persistent, AssignFallsBackToTheSourceAndThenFailsNamingBothClasses)
{
    TPoint2 point;
    TPolar polar;
    polar.radius = 5;
    point.Assign(polar); // through TPolar::AssignTo
    EXPECT_EQ(point.x, 5);
    try {
        polar.Assign(point);
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TPoint2 to a TPolar");
    }
    EXPECT_EQ(point.ClassName(), "TPoint2");
    EXPECT_TRUE(point.InheritsFrom(TPersistent::StaticClass()));
    EXPECT_FALSE(point.InheritsFrom(TComponent::StaticClass()));
}

// ---- collections ------------------------------------------------------------------------

class TStop : public TCollectionItem {
    RTL_CLASS(TStop, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    int value = 0;
    void SetValue(int v)
    {
        value = v;
        Changed(false);
    }
    void Assign(const TPersistent& source) override
    {
        if (auto* s = dynamic_cast<const TStop*>(&source)) {
            value = s->value;
            return;
        }
        Inherited::Assign(source);
    }
};
RTL_IMPLEMENT_CLASS(TStop)

class TStops : public TCollection {
public:
    TStops()
        : TCollection(TStop::StaticClass())
    { }
    TStop* Stop(int i) const { return static_cast<TStop*>(GetItem(i)); }
    std::vector<int> Values() const
    {
        std::vector<int> v;
        for (int i = 0; i < Count(); ++i)
            v.push_back(Stop(i)->value);
        return v;
    }
    std::vector<TCollectionItem*> updates;

protected:
    void Update(TCollectionItem* item) override { updates.push_back(item); }
};

TStop* AddStop(TStops& stops, int value)
{
    auto* s = static_cast<TStop*>(stops.Add());
    s->value = value;
    return s;
}

TEST(Collection, ItemsKeepOrderAndMoveAndLeave)
{
    TStops stops;
    TStop* a = AddStop(stops, 1);
    AddStop(stops, 2);
    TStop* c = AddStop(stops, 3);
    static_cast<TStop*>(stops.Insert(0))->value = 0;
    EXPECT_EQ(stops.Values(), (std::vector<int> { 0, 1, 2, 3 }));
    c->SetIndex(1);
    EXPECT_EQ(stops.Values(), (std::vector<int> { 0, 3, 1, 2 }));
    EXPECT_EQ(a->GetIndex(), 2);
    a->Free();
    EXPECT_EQ(stops.Values(), (std::vector<int> { 0, 3, 2 }));
    stops.Delete(0);
    EXPECT_EQ(stops.Values(), (std::vector<int> { 3, 2 }));

    TStops other;
    c->SetCollection(&other);
    EXPECT_EQ(stops.Values(), std::vector<int> { 2 });
    EXPECT_EQ(other.Values(), std::vector<int> { 3 });
}

TEST(Collection, ChangesInsideABatchNotifyOnceAtItsEnd)
{
    TStops stops;
    AddStop(stops, 1);
    stops.updates.clear();
    stops.Stop(0)->SetValue(5);
    EXPECT_EQ(stops.updates, std::vector<TCollectionItem*> { stops.Stop(0) });

    stops.updates.clear();
    stops.BeginUpdate();
    stops.BeginUpdate();
    AddStop(stops, 2);
    stops.Stop(1)->SetValue(7);
    stops.Delete(0);
    stops.EndUpdate();
    EXPECT_TRUE(stops.updates.empty());
    stops.EndUpdate();
    EXPECT_EQ(stops.updates, std::vector<TCollectionItem*> { nullptr });

    stops.updates.clear();
    stops.BeginUpdate();
    stops.EndUpdate(); // nothing changed: nothing to tell
    EXPECT_TRUE(stops.updates.empty());
}

TEST(Collection, AssignCopiesEveryItemInOneNotification)
{
    TStops source;
    AddStop(source, 4);
    AddStop(source, 5);
    TStops dest;
    AddStop(dest, 9);
    dest.updates.clear();
    dest.Assign(source);
    EXPECT_EQ(dest.Values(), (std::vector<int> { 4, 5 }));
    EXPECT_EQ(dest.updates.size(), 1u);
    TPoint2 point;
    EXPECT_THROW(dest.Assign(point), ConvertError);
}

} // namespace
