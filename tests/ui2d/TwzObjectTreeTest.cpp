#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "ui2d/TwzObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

class TwzObjectTree : public Ui2dTest {
protected:
    // root
    //  +- a
    //  |   +- a1
    //  +- b
    void SetUp() override
    {
        Ui2dTest::SetUp();
        root.reset(new TTestObject(nullptr));
        root->SetName("root");
        a = Child(root.get(), "a");
        a1 = Child(a, "a1");
        b = Child(root.get(), "b");
    }

    TTestObject* Child(TwzObject* parent, const std::string& name)
    {
        auto* o = new TTestObject(root.get());
        o->SetName(name);
        o->SetParent(parent);
        return o;
    }

    static std::vector<std::string> Names(std::span<TwzObject* const> list)
    {
        std::vector<std::string> names;
        for (TwzObject* o : list)
            names.push_back(o->GetName());
        return names;
    }

    rtl::TOwned<TTestObject> root;
    TTestObject* a = nullptr;
    TTestObject* a1 = nullptr;
    TTestObject* b = nullptr;
};

TEST_F(TwzObjectTree, ParentAndChildLinksAgree)
{
    EXPECT_EQ(Names(root->Children()), (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(a->GetParent(), root.get());
    EXPECT_EQ(a1->GetParent(), a);
    EXPECT_EQ(root->GetChild(0), a);
    EXPECT_EQ(root->GetChild(2), nullptr);
    EXPECT_EQ(a1->GetChildCount(), 0);
    EXPECT_EQ(a1->GetChild(0), nullptr);
    // Tree and ownership are independent: the root owns all three, the tree nests them.
    EXPECT_EQ(a1->GetOwner(), root.get());
}

TEST_F(TwzObjectTree, SetParentTellsTheChildTwiceAndAddObjectOnce)
{
    auto* c = new TTestObject(root.get());
    c->SetParent(b);
    EXPECT_EQ(c->parentChanges, 2);
    EXPECT_EQ(b->addedHooks, 1);
    EXPECT_EQ(c->attachedHooks, 1);

    auto* d = new TTestObject(root.get());
    b->AddObject(d);
    EXPECT_EQ(d->parentChanges, 1);
}

TEST_F(TwzObjectTree, SetParentEdgeCases)
{
    struct Case {
        const char* name;
        TTestObject* object;
        TTestObject* newParent;
        TTestObject* expectedParent;
    };
    const Case cases[] = {
        { "to the current parent: nothing", a1, a, a },
        { "to itself: refused, the tree would be a cycle", a, a, root.get() },
        { "to its own descendant: refused", a, a1, root.get() },
        { "to its own child under the root: refused", root.get(), a, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int changes = c.object->parentChanges;
        c.object->SetParent(c.newParent);
        EXPECT_EQ(c.object->GetParent(), c.expectedParent);
        EXPECT_EQ(c.object->parentChanges, changes);
    }
    EXPECT_EQ(Names(root->Children()), (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(Names(a->Children()), (std::vector<std::string> { "a1" }));
}

TEST_F(TwzObjectTree, AddObjectKeepsOneParentPerObject)
{
    struct Case {
        const char* name;
        TTestObject* parent;
        TTestObject* child;
        std::vector<std::string> rootChildren;
        std::vector<std::string> aChildren;
        std::vector<std::string> bChildren;
    };
    const Case cases[] = {
        { "a child of another parent moves", b, a1, { "a", "b" }, {}, { "a1" } },
        { "an object already here stays once", b, a1, { "a", "b" }, {}, { "a1" } },
        { "the object itself is refused", a, a, { "a", "b" }, {}, { "a1" } },
        { "an ancestor is refused", a, root.get(), { "a", "b" }, {}, { "a1" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.parent->AddObject(c.child);
        EXPECT_EQ(Names(root->Children()), c.rootChildren);
        EXPECT_EQ(Names(a->Children()), c.aChildren);
        EXPECT_EQ(Names(b->Children()), c.bChildren);
    }
    EXPECT_EQ(a1->GetParent(), b);
    EXPECT_EQ(b->removingHooks, 0);
    EXPECT_EQ(a->removingHooks, 1);
}

TEST_F(TwzObjectTree, RemoveObjectDetachesOnlyItsOwnChildren)
{
    root->RemoveObject(a1); // a grandchild: not root's to remove
    EXPECT_EQ(a1->GetParent(), a);
    EXPECT_EQ(root->GetChildCount(), 2);

    root->RemoveObject(a);
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_EQ(Names(root->Children()), (std::vector<std::string> { "b" }));
    EXPECT_EQ(root->removingHooks, 1);
    // Detached, not freed: the owner still frees it.
    EXPECT_EQ(a->GetOwner(), root.get());
}

TEST_F(TwzObjectTree, SceneLinkIsSharedByTheSubtree)
{
    rtl::TOwned<TestScene> scene(new TestScene());
    scene->AddObject(root.get());
    for (TwzObject* o :
        { static_cast<TwzObject*>(root.get()), static_cast<TwzObject*>(a), static_cast<TwzObject*>(a1) })
        EXPECT_EQ(o->GetScene(), scene.get()) << o->GetName();

    // A child added later takes the parent's link.
    auto* c = new TTestObject(root.get());
    c->SetParent(a1);
    EXPECT_EQ(c->GetScene(), scene.get());

    // Removing releases the child's link; its descendants keep theirs.
    root->RemoveObject(a);
    EXPECT_EQ(a->GetScene(), nullptr);
    EXPECT_EQ(a1->GetScene(), scene.get());

    // InheritScene fills only empty links; AssignSceneRecursive overwrites the subtree.
    a->SetParent(b);
    EXPECT_EQ(a->GetScene(), scene.get());
    a->AssignSceneRecursive(nullptr);
    EXPECT_EQ(a1->GetScene(), nullptr);
    a->InheritScene();
    EXPECT_EQ(a->GetScene(), scene.get());
    EXPECT_EQ(a1->GetScene(), scene.get());
}

TEST_F(TwzObjectTree, BringToFrontAndSendToBack)
{
    auto* c = Child(root.get(), "c");
    a->BringToFront();
    EXPECT_EQ(Names(root->Children()), (std::vector<std::string> { "b", "c", "a" }));
    EXPECT_EQ(a->frontHooks, 1);
    c->SendToBack();
    EXPECT_EQ(Names(root->Children()), (std::vector<std::string> { "c", "b", "a" }));
    EXPECT_EQ(root->backHooks, 1);

    // Without a parent nothing moves and no hook runs.
    root->BringToFront();
    root->SendToBack();
    EXPECT_EQ(root->frontHooks, 0);
}

TEST_F(TwzObjectTree, SortChildrenKeepsEqualsInOrderAndSurvivesABadComparison)
{
    const std::vector<std::pair<std::string, int>> values
        = { { "c", 2 }, { "d", 1 }, { "e", 2 }, { "f", 0 } };
    for (const auto& [name, value] : values)
        Child(root.get(), name)->SetValue(value);
    a->SetValue(5);
    b->SetValue(1);

    root->SortChildren([](TwzObject* x, TwzObject* y) {
        return static_cast<TTestObject*>(x)->GetValue() - static_cast<TTestObject*>(y)->GetValue();
    });
    EXPECT_EQ(Names(root->Children()), (std::vector<std::string> { "f", "b", "d", "c", "e", "a" }));

    // A comparison that contradicts itself gives some order, never a crash.
    root->SortChildren([](TwzObject*, TwzObject*) { return -1; });
    EXPECT_EQ(root->GetChildCount(), 6);
}

TEST_F(TwzObjectTree, ListsAreDepthFirst)
{
    std::vector<TwzObject*> list;
    root->AddObjectsToList(list);
    EXPECT_EQ(Names(list), (std::vector<std::string> { "root", "a", "a1", "b" }));

    std::vector<TwzControl*> controls;
    root->AddControlsToList(controls);
    EXPECT_TRUE(controls.empty());
    EXPECT_EQ(root->AsVisual(), nullptr);
    EXPECT_FALSE(root->IsVisual());
}

TEST_F(TwzObjectTree, SetStoredRecursiveStopsAtAnObjectAlreadySo)
{
    a->SetStored(false);
    // a is already unstored: neither it nor its child is visited.
    a->SetStoredRecursive(false);
    EXPECT_TRUE(a1->GetStored());

    root->SetStoredRecursive(false);
    EXPECT_FALSE(root->GetStored());
    EXPECT_FALSE(b->GetStored());
    EXPECT_TRUE(a1->GetStored()); // under a, which already had the value

    root->SetStoredRecursive(true);
    EXPECT_TRUE(a->GetStored());
    EXPECT_TRUE(a1->GetStored());
}

TEST_F(TwzObjectTree, FindResourceSearchesDescendantsDepthFirst)
{
    root->SetResourceName("button");
    a->SetResourceName("Text");
    a1->SetResourceName("button");
    b->SetResourceName("BUTTON");

    struct Case {
        TwzObject* from;
        const char* name;
        TwzObject* expected;
    };
    const Case cases[] = {
        { root.get(), "button", a1 }, // a's subtree before b, never the root itself
        { root.get(), "text", a },
        { a, "button", a1 },
        { a1, "button", nullptr },
        { root.get(), "", nullptr },
        { root.get(), "missing", nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from->GetName()) + " / " + c.name);
        EXPECT_EQ(c.from->FindResource(c.name), c.expected);
    }
}

TEST_F(TwzObjectTree, BindingFindsTheObjectItselfFirst)
{
    root->SetBindingName("value");
    a1->SetBindingName("Value");
    b->SetBindingName("other");

    EXPECT_EQ(root->FindBindingObject("VALUE"), root.get());
    EXPECT_EQ(a->FindBindingObject("value"), a1);
    EXPECT_EQ(root->FindBindingObject("other"), b);

    // GetData of the base is the component name; an unknown name reads as empty text.
    EXPECT_EQ(root->GetBinding("other"), rtl::TValue(std::string("b")));
    const rtl::TValue missing = root->GetBinding("nothing");
    ASSERT_TRUE(std::holds_alternative<std::string>(missing));
    EXPECT_EQ(std::get<std::string>(missing), "");

    root->SetBinding("other", std::string("hello"));
    EXPECT_EQ(b->GetCaption(), "hello");
    // A value the object refuses raises inside SetData; SetBinding swallows it.
    EXPECT_NO_THROW(root->SetBinding("other", std::string("refuse")));
    EXPECT_EQ(b->GetCaption(), "hello");
    EXPECT_NO_THROW(root->SetBinding("nothing", std::string("x")));
}

TEST_F(TwzObjectTree, PublishedPropertiesByName)
{
    const rtl::TClassInfo& info = TwzObject::StaticClass();
    const rtl::TPropInfo* parent = info.FindProp("parent");
    ASSERT_NE(parent, nullptr);
    EXPECT_FALSE(parent->IsStored(*a)); // published, never stored
    EXPECT_TRUE(info.FindProp("ResourceName"));
    EXPECT_TRUE(info.FindProp("BindingName"));

    // Parent set by name goes through SetParent, cycle guard included.
    EXPECT_TRUE(parent->set(*a1, static_cast<rtl::TObject*>(b)));
    EXPECT_EQ(a1->GetParent(), b);
    EXPECT_TRUE(parent->set(*root, static_cast<rtl::TObject*>(a1)));
    EXPECT_EQ(root->GetParent(), nullptr);
}

} // namespace

namespace {

TEST_F(TwzObjectTree, AContentContainerIsSkippedAsParentComponent)
{
    auto* content = new TFakeContent(root.get());
    content->SetParent(b);
    TTestObject* inner = Child(content, "inner");
    EXPECT_EQ(inner->GetParent(), content);
    EXPECT_EQ(inner->GetParentComponent(), b);
    EXPECT_EQ(content->GetParentComponent(), b);

    // Written children: the content's come first, at b's level, then the content itself.
    std::vector<rtl::TComponent*> written;
    b->GetChildren([&](rtl::TComponent* c) { written.push_back(c); }, root.get());
    EXPECT_EQ(written, (std::vector<rtl::TComponent*> { inner, content }));
    written.clear();
    content->GetChildren([&](rtl::TComponent* c) { written.push_back(c); }, root.get());
    EXPECT_TRUE(written.empty());
}

} // namespace
