#include "platform/rtl/Component.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// ---- frees during a dispatch --------------------------------------------------------------

namespace {

// A TLinker in a parent/child tree, as the scene trees are: a parent frees its children
// (newest first) after its own teardown has logged it, and a child leaves its parent on
// SetParentComponent(nullptr).
class TBranch : public TLinker {
    RTL_CLASS(TBranch, TLinker)
public:
    TBranch(TComponent* owner, TBranch* parent, const std::string& name)
        : TLinker(owner)
    {
        SetName(name);
        SetParentComponent(parent);
    }

    [[nodiscard]] TComponent* GetParentComponent() const override { return m_parent; }
    void SetParentComponent(TComponent* parent) override
    {
        if (m_parent)
            std::erase(m_parent->children, this);
        m_parent = dynamic_cast<TBranch*>(parent);
        if (m_parent)
            m_parent->children.push_back(this);
    }
    [[nodiscard]] bool HasParent() const override { return true; }

    std::vector<TBranch*> children;

protected:
    void BeforeDestruction() override
    {
        Inherited::BeforeDestruction();
        while (!children.empty()) {
            TBranch* child = children.back();
            child->SetParentComponent(nullptr);
            child->Free();
        }
        SetParentComponent(nullptr);
    }

private:
    TBranch* m_parent = nullptr;
};

} // namespace

RTL_IMPLEMENT_CLASS(TBranch)

// A form owns a panel (a tree root), the panel parents a button, the button parents a label;
// a second button sits beside the panel. The dispatch holds the first button: what frees it
// along waits for the dispatch, the rest goes at once, and either way it is gone for
// everybody at once.
TEST_F(ComponentLifetime, ADispatchDefersTheFreeOfItsReceiverAndOfWhatFreesItAlong)
{
    struct Case {
        const char* freed;
        bool deferred;
        std::vector<std::string> atOnce; // teardowns inside the dispatch
    };
    const Case cases[] = {
        { "Button", true, {} },
        { "Panel", true, {} },
        { "Form", true, {} },
        { "Label", false, { "Label" } },
        { "Other", false, { "Other" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.freed);
        g_log.clear();
        TOwned<TBranch> app(new TBranch(nullptr, nullptr, "App"));
        auto* form = new TBranch(app.get(), nullptr, "Form");
        auto* panel = new TBranch(form, nullptr, "Panel");
        auto* button = new TBranch(form, panel, "Button");
        auto* label = new TBranch(form, button, "Label");
        auto* other = new TBranch(form, nullptr, "Other");
        const std::vector<TBranch*> all { form, panel, button, label, other };
        auto* victim
            = *std::find_if(all.begin(), all.end(), [&](TBranch* b) { return b->GetName() == c.freed; });
        TComponent* victimOwner = victim->GetOwner();
        Watch<TBranch> watchVictim(victim);
        Watch<TBranch> watchButton(button);
        Watch<TBranch> watchLabel(label);
        {
            DispatchGuard guard(button);
            victim->Free();
            EXPECT_EQ(g_log, c.atOnce);
            EXPECT_FALSE(watchVictim);
            EXPECT_EQ(victimOwner->FindComponent(c.freed), nullptr); // its name is free again
            if (c.deferred) {
                // The button's memory is still there, but nothing reaches it any more.
                EXPECT_TRUE(button->IsFreed());
                EXPECT_FALSE(watchButton);
                EXPECT_FALSE(watchLabel);
                EXPECT_EQ(button->GetName(), "Button");
                if (victim != form) {
                    EXPECT_TRUE(std::find(form->Components().begin(), form->Components().end(), victim)
                        == form->Components().end());
                }
                if (victim == button) {
                    EXPECT_TRUE(panel->children.empty());
                }
            } else {
                EXPECT_FALSE(button->IsFreed());
                EXPECT_TRUE(watchButton);
            }
        }
        // The teardown ran as the dispatch ended, exactly once.
        if (c.deferred) {
            EXPECT_EQ(g_log.front(), c.freed);
            EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "Button"), 1);
            EXPECT_FALSE(watchButton);
        }
        EXPECT_FALSE(watchVictim);
        app.reset();
    }
}

// A handler frees the form of the button it was raised by; the button's own code runs on to
// its end, and the click it raises then reaches nobody. Another component's events still do.
TEST_F(ComponentLifetime, AComponentFreedInADispatchRaisesNoMoreEvents)
{
    struct TCloser : TLinker {
        using TLinker::TLinker;
        std::vector<std::string> heard;
        TComponent* victim = nullptr;
        void Clicked(TObject* sender)
        {
            heard.push_back(static_cast<TComponent*>(sender)->GetName());
            if (victim)
                std::exchange(victim, nullptr)->Free();
        }
    };
    TOwned<TCloser> app(new TCloser(nullptr));
    auto* form = MakeLinker(app.get(), "Form");
    auto* button = MakeLinker(form, "Button");
    auto* bystander = MakeLinker(app.get(), "Bystander");
    button->OnClick.Bind<&TCloser::Clicked>(app.get());
    bystander->OnClick.Bind<&TCloser::Clicked>(app.get());
    app->victim = form;
    {
        DispatchGuard guard(button);
        button->Click(); // frees the form
        button->Click(); // a double click's second click: nobody hears it
        bystander->Click();
        EXPECT_EQ(g_log, std::vector<std::string> {});
    }
    EXPECT_EQ(app->heard, (std::vector<std::string> { "Button", "Bystander" }));
    EXPECT_EQ(g_log, (std::vector<std::string> { "Form", "Button" }));
}

// An event holds its sender while its handler runs: a check box in another window whose
// change handler closes that window still runs its setter on to the end, while the click
// that set it is dispatched; its second change reaches nobody.
TEST_F(ComponentLifetime, AnEventHoldsItsSenderUntilTheOutermostDispatchReturns)
{
    struct TCheck : TLinker {
        using TLinker::TLinker;
        std::string seen;
        void Toggle()
        {
            OnClick(this);
            seen = GetName();
            OnClick(this);
        }
    };
    struct TCloser : TLinker {
        using TLinker::TLinker;
        int heard = 0;
        void Changed(TObject* sender)
        {
            ++heard;
            static_cast<TComponent*>(sender)->GetOwner()->Free();
        }
    };
    TOwned<TCloser> app(new TCloser(nullptr));
    auto* main = MakeLinker(app.get(), "Main");
    auto* button = MakeLinker(main, "Button");
    auto* other = MakeLinker(app.get(), "Other");
    auto* check = new TCheck(other);
    check->SetName("Check");
    check->OnClick.Bind<&TCloser::Changed>(app.get());
    {
        DispatchGuard click(button);
        check->Toggle();
        EXPECT_EQ(check->seen, "Check");
        EXPECT_TRUE(g_log.empty());
        EXPECT_EQ(app->FindComponent("Other"), nullptr);
    }
    EXPECT_EQ(app->heard, 1);
    EXPECT_EQ(g_log, (std::vector<std::string> { "Other", "Check" }));
}

// Dispatches nest: a scene's hook holds the scene, its routing the object, and the teardown
// waits for the outermost. A nested loop (a modal dialog run by a click) is a level of its
// own: what its dispatches free is torn down before it returns, unless the dispatch outside
// still holds it.
TEST_F(ComponentLifetime, TeardownWaitsForTheOutermostDispatchOfItsLevel)
{
    TOwned<TBranch> app(new TBranch(nullptr, nullptr, "App"));
    auto* main = new TBranch(app.get(), nullptr, "Main");
    auto* scene = new TBranch(main, nullptr, "Scene");
    auto* root = new TBranch(main, scene, "Root");
    auto* button = new TBranch(main, root, "Button");
    auto* dialog = new TBranch(app.get(), nullptr, "Dialog");
    auto* ok = new TBranch(dialog, nullptr, "Ok");
    {
        DispatchGuard hook(scene);
        {
            DispatchGuard routed(button);
            {
                DispatchLevel modalLoop;
                DispatchGuard okClick(ok);
                dialog->Free();
                main->Free();
            }
            EXPECT_EQ(g_log, (std::vector<std::string> { "Dialog", "Ok" }));
            root->Free();
        }
        EXPECT_EQ(g_log.size(), 2u);
        EXPECT_TRUE(button->IsFreed());
        EXPECT_TRUE(scene->IsFreed());
    }
    // Each torn down once, the main window's in whatever order its teardown takes them.
    ASSERT_EQ(g_log.size(), 6u);
    std::vector<std::string> rest(g_log.begin() + 2, g_log.end());
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<std::string> { "Button", "Main", "Root", "Scene" }));
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
