#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "ui2d/Library2D.h"
#include "ui2d/TwzObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

using TwzObjectLifetime = Ui2dTest;

TTestObject* Make(rtl::TComponent* owner, const std::string& name, TwzObject* parent = nullptr)
{
    auto* o = new TTestObject(owner);
    o->SetName(name);
    if (parent)
        o->SetParent(parent);
    return o;
}

TEST_F(TwzObjectLifetime, FreeingAParentFreesTheSubtreeChildrenFirstInListOrder)
{
    // Each object owns nothing: only the tree frees the subtree.
    TTestObject* root = Make(nullptr, "root");
    TTestObject* a = Make(nullptr, "a", root);
    Make(nullptr, "a1", a);
    Make(nullptr, "a2", a);
    Make(nullptr, "b", root);
    EventLog().clear();

    root->Free();
    // Every child had left its parent's list (no "(in parent)") before it was freed.
    EXPECT_EQ(
        EventLog(), (std::vector<std::string> { "free:root", "free:a", "free:a1", "free:a2", "free:b" }));
}

TEST_F(TwzObjectLifetime, AnObjectFreedByItsOwnerLeavesItsParent)
{
    rtl::TOwned<TTestObject> root(Make(nullptr, "root"));
    rtl::TOwned<TTestObject> holder(Make(nullptr, "holder"));
    TTestObject* child = Make(holder.get(), "child", root.get());
    Make(holder.get(), "grandchild", child);

    holder.reset(); // the owner frees child (and grandchild) while child is in root's tree
    EXPECT_EQ(root->GetChildCount(), 0);
    EXPECT_EQ(root->removingHooks, 1);
}

TEST_F(TwzObjectLifetime, ObjectsOwnedByTheRootOfTheirOwnTreeAreFreedOnce)
{
    // The usual shape after reading a stream: the root owns every object and parents some.
    rtl::TOwned<TTestObject> root(Make(nullptr, "root"));
    TTestObject* a = Make(root.get(), "a", root.get());
    Make(root.get(), "a1", a);
    Make(root.get(), "loose"); // owned, not in the tree
    EventLog().clear();
    root.reset();
    // The tree goes first, then what the owner still holds; each exactly once.
    EXPECT_EQ(EventLog(), (std::vector<std::string> { "free:root", "free:a", "free:a1", "free:loose" }));
}

TEST_F(TwzObjectLifetime, AHandlerMayFreeItsSender)
{
    struct Case {
        const char* name;
        bool freeParent; // the handler frees the sender's parent instead of the sender
    };
    for (const Case c : { Case { "sender", false }, Case { "sender's parent", true } }) {
        SCOPED_TRACE(c.name);
        auto* root = Make(nullptr, "root");
        auto* button = Make(root, "button", root);

        struct Closer : rtl::TObject {
            TwzObject* victim = nullptr;
            void Close(rtl::TObject*) { victim->Free(); }
        } closer;
        closer.victim = c.freeParent ? static_cast<TwzObject*>(root) : button;
        button->OnPoke.Bind<&Closer::Close>(&closer);
        button->Poke();
        if (!c.freeParent)
            root->Free();
    }
}

TEST_F(TwzObjectLifetime, FreeNotifyClearsValueLinksWithoutChangeEvents)
{
    auto* first = Make(nullptr, "first");
    first->SetResourceName("Picture");
    TFakeLink link;
    link.SetResourceName("picture");
    ASSERT_EQ(link.Resolve(), first); // found by name, linked, registered
    const int changes = link.changes;

    first->Free();
    EXPECT_EQ(link.GetResource(), nullptr);
    EXPECT_EQ(link.changes, changes); // cleared directly, no change event
    EXPECT_EQ(link.GetResourceName(), "Picture"); // the name stays for a later lookup

    auto* second = Make(nullptr, "second");
    second->SetResourceName("PICTURE");
    EXPECT_EQ(link.Resolve(), second);
    second->Free();
    EXPECT_EQ(link.GetResource(), nullptr);
}

TEST_F(TwzObjectLifetime, AValueFreedFirstLeavesTheList)
{
    rtl::TOwned<TTestObject> resource(Make(nullptr, "resource"));
    {
        TFakeLink link;
        link.SetResource(resource.get());
        resource->AddFreeNotify(&link); // a second registration is not a duplicate
    } // the link unregisters itself
    resource.reset(); // must not touch the freed link
}

TEST_F(TwzObjectLifetime, ObjectsOnTheListAreNotifiedAndMayGoFirst)
{
    struct Case {
        const char* name;
        bool itemFreedFirst;
    };
    for (const Case c : { Case { "holder freed first", false }, Case { "item freed first", true } }) {
        SCOPED_TRACE(c.name);
        TTestObject* holder = Make(nullptr, "holder");
        TTestObject* item = Make(nullptr, "item");
        holder->AddFreeNotify(item);
        holder->AddFreeNotify(item);
        if (c.itemFreedFirst) {
            item->Free();
            holder->Free(); // must not tell the freed item
        } else {
            holder->Free();
            ASSERT_EQ(item->removals.size(), 1u);
            EXPECT_EQ(item->removals[0], static_cast<rtl::TComponent*>(holder));
            item->Free();
        }
    }
}

TEST_F(TwzObjectLifetime, AnEntryMayFreeAnotherEntryWhileTold)
{
    // The first entry, when told, frees a value that is a later entry of the same list.
    TTestObject* holder = Make(nullptr, "holder");
    struct Killer : TTestObject {
        using TTestObject::TTestObject;
        TFakeLink* victim = nullptr;
        void Notification(rtl::TComponent* component, rtl::TOperation operation) override
        {
            TTestObject::Notification(component, operation);
            if (operation == rtl::opRemove && victim) {
                delete victim;
                victim = nullptr;
            }
        }
    };
    auto* killer = new Killer(nullptr);
    auto* link = new TFakeLink();
    killer->victim = link;
    holder->AddFreeNotify(killer);
    link->SetResource(holder);
    holder->Free();
    EXPECT_EQ(killer->victim, nullptr);
    killer->Free();
}

TEST_F(TwzObjectLifetime, RemoveFreeNotifyOfAnUnknownItemDoesNothing)
{
    rtl::TOwned<TTestObject> holder(Make(nullptr, "holder"));
    TFakeLink link;
    holder->RemoveFreeNotify(&link);
    holder->RemoveFreeNotify(nullptr);
    holder->AddFreeNotify(nullptr);
    holder->AddFreeNotify(holder.get());
    holder.reset();
    EXPECT_EQ(link.changes, 0);
}

TEST_F(TwzObjectLifetime, TheHostHearsOfEveryFreedObject)
{
    rtl::TOwned<TestScene> scene(new TestScene());
    TTestObject* root = Make(nullptr, "root");
    TTestObject* child = Make(nullptr, "child", root);
    scene->AddObject(root);
    scene->SetFocused(child);
    scene->SetCaptured(root);

    child->Free();
    EXPECT_EQ(scene->GetFocused(), nullptr);
    EXPECT_EQ(scene->GetCaptured(), root);
    root->Free();
    EXPECT_EQ(scene->GetCaptured(), nullptr);
    EXPECT_TRUE(scene->Roots().empty());
}

TEST_F(TwzObjectLifetime, AHostFreedFirstLeavesNoLinkBehind)
{
    // A detached subtree whose descendants still point at the host, then the host goes.
    rtl::TOwned<TTestObject> root(Make(nullptr, "root"));
    TTestObject* a = Make(root.get(), "a", root.get());
    TTestObject* a1 = Make(root.get(), "a1", a);
    auto* scene = new TestScene();
    scene->AddObject(root.get());
    root->RemoveObject(a); // a1 keeps the host link
    ASSERT_EQ(a1->GetScene(), scene);

    scene->Free();
    EXPECT_EQ(root->GetScene(), nullptr);
    EXPECT_EQ(a1->GetScene(), nullptr);
    root.reset(); // no call may reach the freed host
}

TEST_F(TwzObjectLifetime, ObjectInstanceListFollowsConstructionAndDestruction)
{
    const int before = ui2d::ObjectInstanceCount();
    TTestObject* x = Make(nullptr, "x");
    TTestObject* y = Make(nullptr, "y");
    TTestObject* z = Make(nullptr, "z");
    std::vector<TwzObject*> live = ui2d::ObjectInstances();
    ASSERT_EQ(live.size(), static_cast<size_t>(before + 3));
    EXPECT_EQ((std::vector<TwzObject*>(live.end() - 3, live.end())), (std::vector<TwzObject*> { x, y, z }));

    y->Free();
    live = ui2d::ObjectInstances();
    EXPECT_EQ((std::vector<TwzObject*>(live.end() - 2, live.end())), (std::vector<TwzObject*> { x, z }));
    AddObjectInstance(x); // listed already: no duplicate
    EXPECT_EQ(ui2d::ObjectInstanceCount(), before + 2);
    x->Free();
    z->Free();
    EXPECT_EQ(ui2d::ObjectInstanceCount(), before);
}

} // namespace
