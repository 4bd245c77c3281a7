#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "ui2d/IwzScene.h"
#include "ui2d/TwzObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

class IwzSceneHost : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        form.reset(new TTestObject(nullptr));
        scene = new TestScene(form.get());
    }

    TTestObject* Make(const std::string& name, TwzObject* parent = nullptr)
    {
        auto* o = new TTestObject(form.get());
        o->SetName(name);
        if (parent)
            o->SetParent(parent);
        return o;
    }

    rtl::TOwned<TTestObject> form; // owns the host and every object, as a window does
    TestScene* scene = nullptr;
};

TEST_F(IwzSceneHost, AddObjectMakesARootAfterLeavingTheParent)
{
    TTestObject* panel = Make("panel");
    TTestObject* label = Make("label", panel);
    TTestObject* icon = Make("icon", label);

    scene->AddObject(label);
    EXPECT_EQ(label->GetParent(), nullptr);
    EXPECT_EQ(panel->GetChildCount(), 0);
    EXPECT_EQ(scene->Roots(), (std::vector<TwzObject*> { label }));
    EXPECT_EQ(label->GetScene(), scene);
    EXPECT_EQ(icon->GetScene(), scene);

    scene->AddObject(panel);
    EXPECT_EQ(scene->GetRoot(), label); // the first root fills the host
    EXPECT_EQ(label->GetParentComponent(), scene); // a root's parent component is its host
}

TEST_F(IwzSceneHost, ARootThatTakesAParentLeavesItsHost)
{
    TTestObject* root = Make("root");
    TTestObject* other = Make("other");
    scene->AddObject(root);
    const int repaints = scene->FullRepaints();

    root->SetParent(nullptr); // parentless already, but detaching a root leaves the host
    EXPECT_FALSE(scene->IsRoot(root));
    EXPECT_EQ(root->GetScene(), nullptr);
    EXPECT_EQ(scene->FullRepaints(), repaints + 1);
    root->SetParent(nullptr); // now detached from everything: nothing
    EXPECT_EQ(scene->FullRepaints(), repaints + 1);

    scene->AddObject(root);
    root->SetParent(other);
    EXPECT_FALSE(scene->IsRoot(root));
    EXPECT_EQ(scene->FullRepaints(), repaints + 2);
    EXPECT_EQ(root->GetScene(), nullptr); // other has no host

    // Made a root again by the reader, with the host as the parent component.
    root->SetParentComponent(scene);
    EXPECT_TRUE(scene->IsRoot(root));
    EXPECT_EQ(other->GetChildCount(), 0);
}

TEST_F(IwzSceneHost, ARootMovesBetweenHostsWithoutStayingInTheOld)
{
    auto* second = new TestScene(form.get());
    TTestObject* root = Make("root");
    TTestObject* child = Make("child", root);
    scene->AddObject(root);
    second->AddObject(root);
    EXPECT_FALSE(scene->IsRoot(root));
    EXPECT_TRUE(second->IsRoot(root));
    EXPECT_EQ(root->GetScene(), second);
    // The subtree's links stay where they were until re-linked, as popups do.
    EXPECT_EQ(child->GetScene(), scene);
    root->AssignSceneRecursive(second);
    EXPECT_EQ(child->GetScene(), second);

    // Adding a root of another host as a child moves it out of that host as well.
    TTestObject* holder = Make("holder");
    holder->AddObject(root);
    EXPECT_FALSE(second->IsRoot(root));
}

TEST_F(IwzSceneHost, UpdatesAreDroppedWhileDisabledAndEndUpdateRepaintsEverything)
{
    struct Step {
        const char* name;
        void (IwzScene::*call)();
        bool rectAccepted;
        int repaints;
    };
    const Step steps[] = {
        { "while enabled", nullptr, true, 0 },
        { "BeginUpdate", &IwzScene::BeginUpdate, false, 0 },
        { "EndUpdate repaints though nothing was reported", &IwzScene::EndUpdate, true, 1 },
        { "BeginUpdate again", &IwzScene::BeginUpdate, false, 1 },
        { "EndUpdateNoRepaint repaints nothing", &IwzScene::EndUpdateNoRepaint, true, 1 },
    };
    IwzScene& host = *scene;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        if (s.call)
            (host.*s.call)();
        scene->ClearUpdateRects();
        host.AddUpdateRect({ 1, 2, 3, 4 });
        EXPECT_EQ(host.GetUpdateRectsCount(), s.rectAccepted ? 1 : 0);
        EXPECT_EQ(scene->FullRepaints(), s.repaints);
    }
    EXPECT_EQ(host.GetUpdateRect(0).Right, 3);
    host.SetDisableUpdate(true);
    EXPECT_TRUE(host.GetDisableUpdate());
    EXPECT_EQ(scene->FullRepaints(), 1);
}

TEST_F(IwzSceneHost, FocusMovesOldFirstAndNotToTheSameObject)
{
    TTestObject* a = Make("a");
    TTestObject* b = Make("b");
    IwzScene& host = *scene;
    host.SetFocused(a);
    host.SetFocused(a);
    host.SetFocused(b);
    host.SetFocused(nullptr);
    EXPECT_EQ(scene->Log(), (std::vector<std::string> { "enter:a", "kill:a", "enter:b", "kill:b" }));
    EXPECT_EQ(host.GetFocused(), nullptr);

    host.SetCaptured(b);
    EXPECT_EQ(host.GetCaptured(), b);
    host.SetCaptured(nullptr);
    EXPECT_EQ(host.GetCaptured(), nullptr);
}

TEST_F(IwzSceneHost, TheHostForgetsWhatItHoldsWhenAnObjectGoes)
{
    scene->SetDesignTime(true);
    TTestObject* root = Make("root");
    TTestObject* child = Make("child", root);
    scene->AddObject(root);
    IwzScene& host = *scene;
    host.SetSelected(child);
    host.SetFocused(child);
    host.SetCaptured(child);
    scene->SetActiveObject(child);
    ASSERT_EQ(host.GetSelected(), child);

    // The host drops every hold; the object goes on living.
    host.RemoveObject(child);
    EXPECT_EQ(host.GetSelected(), nullptr);
    EXPECT_EQ(host.GetFocused(), nullptr);
    EXPECT_EQ(host.GetCaptured(), nullptr);
    EXPECT_EQ(child->GetScene(), nullptr);
    EXPECT_EQ(child->GetParent(), root);

    // An object of another host is not selected.
    TTestObject* stranger = Make("stranger");
    host.SetSelected(stranger);
    EXPECT_EQ(host.GetSelected(), nullptr);
}

TEST_F(IwzSceneHost, UpdateStyleReachesTheFirstRootAndReferencesDoNotOwnTheHost)
{
    struct Styled : TTestObject {
        using TTestObject::TTestObject;
        int updates = 0;
        void UpdateStyle() override { ++updates; }
    };
    auto* root = new Styled(form.get());
    scene->UpdateStyle(); // no root: nothing
    scene->AddObject(root);
    IwzScene* reference = scene;
    reference->UpdateStyle();
    EXPECT_EQ(root->updates, 1);
    EXPECT_EQ(reference->GetComponent(), scene);
    EXPECT_EQ(reference->GetOwner(), form.get());
    EXPECT_EQ(reference->LocalToScreen({ 1, 2 }).X, 1 + TestScene::kScreenOffset);
    // Dropping every interface pointer leaves the host alive; its owner frees it.
    reference = nullptr;
    EXPECT_EQ(form->GetComponentCount(), 2);
    EXPECT_EQ(form->GetComponent(0), scene);
}

} // namespace

namespace {

TEST_F(IwzSceneHost, AHostThatOwnsItsRootsFreesThemWithoutCallingBack)
{
    auto* root = new TTestObject(scene);
    auto* child = new TTestObject(scene);
    child->SetParent(root);
    scene->AddObject(root);
    scene->SetFocused(child);
    scene->Free(); // the host goes first, then what it owns
    EXPECT_EQ(form->GetComponentCount(), 0);
}

} // namespace
