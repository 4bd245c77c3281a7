#include "Scene3DTestClasses.h"

#include "scene3d/ThvObject.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace scene3dtest;

namespace {

// Records the order in which objects are freed.
class TTracedObject : public ThvObject {
public:
    explicit TTracedObject(rtl::TComponent* owner, std::vector<std::string>* freed)
        : ThvObject(owner)
        , m_freed(freed)
    { }

protected:
    void BeforeDestruction() override
    {
        // Children go before their parent's own entry: the tree frees them inside this call.
        ThvObject::BeforeDestruction();
        m_freed->push_back(GetName());
    }

private:
    std::vector<std::string>* m_freed;
};

class ThvObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTestClasses3D();
        TTestAnimation::log.clear();
        THolder3D::tickLog.clear();
    }

    // An object owned by the form, named `name`, child of `parent` when given.
    template <class T = ThvObject> T* Make(const std::string& name, ThvObject* parent = nullptr)
    {
        T* object = new T(form.get());
        object->SetName(name);
        if (parent)
            object->SetParent(parent);
        return object;
    }

    /// The roots of a scene without its own design objects (camera rig and grid).
    static std::vector<ThvObject*> UserRoots(const ThvScene& scene)
    {
        std::vector<ThvObject*> roots;
        for (ThvObject* o : scene.Objects())
            if (o->GetTag() != scene3d::kDesignObjectTag)
                roots.push_back(o);
        return roots;
    }

    static std::vector<std::string> Names(std::span<ThvObject* const> objects)
    {
        std::vector<std::string> names;
        for (ThvObject* o : objects)
            names.push_back(o->GetName());
        return names;
    }

    rtl::TOwned<rtl::TComponent> form { new rtl::TComponent(nullptr) };
};

} // namespace

// ---- tree ---------------------------------------------------------------------------------

TEST_F(ThvObjectTest, SetParentMovesTheObjectBetweenParentsAndScenes)
{
    rtl::TOwned<ThvScene> sceneA(new ThvScene(nullptr));
    rtl::TOwned<ThvScene> sceneB(new ThvScene(nullptr));
    ThvObject* rootA = Make("RootA");
    ThvObject* rootB = Make("RootB");
    sceneA->AddObject(rootA);
    sceneB->AddObject(rootB);
    ThvObject* child = Make("Child", rootA);
    ThvObject* grandChild = Make("GrandChild", child);

    EXPECT_EQ(child->GetParent(), rootA);
    EXPECT_EQ(grandChild->GetScene(), sceneA.get());
    EXPECT_EQ(Names(rootA->Children()), std::vector<std::string> { "Child" });

    // Moving a subtree into another scene relinks every object in it.
    child->SetParent(rootB);
    EXPECT_EQ(rootA->GetChildCount(), 0);
    EXPECT_EQ(Names(rootB->Children()), std::vector<std::string> { "Child" });
    EXPECT_EQ(child->GetScene(), sceneB.get());
    EXPECT_EQ(grandChild->GetScene(), sceneB.get());

    // A root that becomes a child leaves the scene's roots.
    rootA->SetParent(child);
    EXPECT_EQ(Names(UserRoots(*sceneA)), std::vector<std::string> {});
    EXPECT_EQ(rootA->GetScene(), sceneB.get());

    // Detached: no parent, no scene, not listed anywhere.
    child->SetParent(nullptr);
    EXPECT_EQ(rootB->GetChildCount(), 0);
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_EQ(child->GetScene(), nullptr);
    EXPECT_EQ(grandChild->GetScene(), nullptr);
    EXPECT_EQ(rootA->GetScene(), nullptr);

    // A root detached with SetParent(nullptr) leaves its scene.
    rootB->SetParent(nullptr);
    EXPECT_TRUE(UserRoots(*sceneB).empty());
    EXPECT_EQ(rootB->GetScene(), nullptr);
}

TEST_F(ThvObjectTest, TheTreeRefusesCyclesAndDoubleEntries)
{
    ThvObject* a = Make("A");
    ThvObject* b = Make("B", a);
    ThvObject* c = Make("C", b);

    struct Case {
        const char* name;
        ThvObject* object;
        ThvObject* newParent;
    };
    const Case cases[] = {
        { "an object under itself", a, a },
        { "an object under its child", a, b },
        { "an object under its grandchild", a, c },
        { "the current parent again", c, b },
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        k.object->SetParent(k.newParent);
        k.newParent->AddObject(k.object);
        EXPECT_EQ(Names(a->Children()), std::vector<std::string> { "B" });
        EXPECT_EQ(Names(b->Children()), std::vector<std::string> { "C" });
        EXPECT_EQ(c->GetChildCount(), 0);
        EXPECT_EQ(a->GetParent(), nullptr);
    }

    // AddObject of a child of another parent moves it instead of listing it twice.
    ThvObject* d = Make("D");
    d->AddObject(c);
    EXPECT_EQ(b->GetChildCount(), 0);
    EXPECT_EQ(c->GetParent(), d);
}

TEST_F(ThvObjectTest, RemoveObjectDetachesTheChildCompletely)
{
    rtl::TOwned<ThvScene> scene(new ThvScene(nullptr));
    auto* parent = Make<THookedObject>("Parent");
    scene->AddObject(parent);
    ThvObject* child = Make("Child", parent);
    parent->RemoveObject(child);
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_EQ(child->GetScene(), nullptr);
    EXPECT_EQ(parent->hooks, (std::vector<std::string> { "added Child", "removed Child" }));
    // Not a child: nothing happens.
    parent->RemoveObject(child);
    EXPECT_EQ(parent->hooks.size(), 2u);

    // The parent may go first: the detached child keeps no link to it.
    parent->Free();
    child->SetParent(nullptr);
    EXPECT_EQ(child->GetParent(), nullptr);
}

TEST_F(ThvObjectTest, ChildAccessByIndexAndPreOrderList)
{
    ThvObject* a = Make("A");
    ThvObject* b = Make("B", a);
    Make("C", b);
    Make("D", a);
    EXPECT_EQ(a->GetChild(1)->GetName(), "D");
    EXPECT_EQ(a->GetChild(2), nullptr);
    EXPECT_EQ(a->GetChild(-1), nullptr);
    std::vector<ThvObject*> list;
    a->AddObjectsToList(list);
    EXPECT_EQ(Names(list), (std::vector<std::string> { "A", "B", "C", "D" }));
}

TEST_F(ThvObjectTest, BringToFrontAndSendToBackReorderSiblings)
{
    auto* parent = Make<THookedObject>("Parent");
    auto* a = Make<THookedObject>("A", parent);
    Make("B", parent);
    auto* c = Make<THookedObject>("C", parent);
    a->BringToFront();
    EXPECT_EQ(Names(parent->Children()), (std::vector<std::string> { "B", "C", "A" }));
    c->SendToBack();
    EXPECT_EQ(Names(parent->Children()), (std::vector<std::string> { "C", "B", "A" }));
    EXPECT_EQ(a->hooks, std::vector<std::string> { "order" });
    EXPECT_EQ(c->hooks, std::vector<std::string> { "order" });

    // A root has no siblings to move among: nothing happens.
    parent->BringToFront();
    parent->SendToBack();
    EXPECT_TRUE(std::find(parent->hooks.begin(), parent->hooks.end(), "order") == parent->hooks.end());
}

// ---- lifetime -------------------------------------------------------------------------------

TEST_F(ThvObjectTest, FreeingAParentFreesItsSubtreeDeepestFirst)
{
    std::vector<std::string> freed;
    rtl::TOwned<ThvScene> scene(new ThvScene(nullptr));
    auto make = [&](const std::string& name, ThvObject* parent) {
        auto* o = new TTracedObject(form.get(), &freed);
        o->SetName(name);
        if (parent)
            o->SetParent(parent);
        return o;
    };
    ThvObject* root = make("Root", nullptr);
    scene->AddObject(root);
    ThvObject* a = make("A", root);
    make("A1", a);
    make("A2", a);
    make("B", root);
    ThvObject* c = make("C", root);
    make("C1", c);
    const int owned = form->GetComponentCount();

    root->Free();
    EXPECT_EQ(freed, (std::vector<std::string> { "A1", "A2", "A", "B", "C1", "C", "Root" }));
    EXPECT_TRUE(UserRoots(*scene).empty());
    EXPECT_EQ(form->GetComponentCount(), owned - 7);
}

TEST_F(ThvObjectTest, AnObjectFreedByItsOwnerLeavesItsParentAndTheScene)
{
    rtl::TOwned<ThvScene> scene(new ThvScene(nullptr));
    ThvObject* root = Make("Root");
    scene->AddObject(root);
    ThvObject* child = Make("Child", root);
    child->Free();
    EXPECT_EQ(root->GetChildCount(), 0);
    root->Free();
    EXPECT_TRUE(UserRoots(*scene).empty());
}

TEST_F(ThvObjectTest, FreeingTheSceneFreesItsRootsAndTheirSubtrees)
{
    auto* scene = new ThvScene(form.get());
    ThvObject* root = Make("Root");
    scene->AddObject(root);
    Make("Child", root);
    ThvObject* other = Make("Other");
    scene->AddObject(other);
    const int owned = form->GetComponentCount();
    scene->Free();
    EXPECT_EQ(form->GetComponentCount(), owned - 4);
}

TEST_F(ThvObjectTest, TickWalkVisitsChildrenLastFirstAndSurvivesFreedChildren)
{
    auto* root = Make<THolder3D>("Root");
    auto* a = Make<THolder3D>("A", root);
    auto* b = Make<THolder3D>("B", root);
    auto* c = Make<THolder3D>("C", root);
    for (THolder3D* o : { root, a, b, c })
        o->OnTick.Bind<&THolder3D::Ticked>(o);
    root->ProcessTick(1.5, 0.25);
    EXPECT_EQ(THolder3D::tickLog, (std::vector<std::string> { "C@1.5", "B@1.5", "A@1.5", "Root@1.5" }));

    // C's handler frees B, which the walk then skips; A is still visited.
    class Freer : public rtl::TObject {
    public:
        ThvObject* victim = nullptr;
        void Tick(rtl::TObject*, double, double)
        {
            if (victim)
                std::exchange(victim, nullptr)->Free();
        }
    } freer;
    freer.victim = b;
    c->OnTick.Bind<&Freer::Tick>(&freer);
    THolder3D::tickLog.clear();
    root->ProcessTick(2, 0.5);
    EXPECT_EQ(THolder3D::tickLog, (std::vector<std::string> { "A@2", "Root@2" }));
    EXPECT_EQ(root->GetChildCount(), 2);

    // A handler that frees the object whose walk runs ends the walk.
    freer.victim = root;
    THolder3D::tickLog.clear();
    root->ProcessTick(3, 0.5);
    EXPECT_EQ(THolder3D::tickLog, std::vector<std::string> {});
}

// ---- animations by name and trigger -------------------------------------------------------

TEST_F(ThvObjectTest, StartAndStopAnimationFindDirectChildrenByNameOrResourceName)
{
    ThvObject* root = Make("Root");
    auto* byName = Make<TTestAnimation>("Fade", root);
    auto* byResource = Make<TTestAnimation>("Other", root);
    byResource->SetResourceName("FADE");
    Make<TTestAnimation>("Unrelated", root);
    ThvObject* holder = Make("Holder", root);
    Make<TTestAnimation>("Deeper", holder)->SetResourceName("fade"); // a grandchild is not searched

    root->StartAnimation("fAdE");
    root->StopAnimation("fade");
    EXPECT_EQ(TTestAnimation::log,
        (std::vector<std::string> { "start Fade", "start Other", "stop Fade", "stop Other" }));
    EXPECT_TRUE(byName != nullptr);
}

TEST_F(ThvObjectTest, AnAnimationFreeingASiblingDuringTheWalkDoesNotDerailIt)
{
    ThvObject* root = Make("Root");
    auto* first = Make<TTestAnimation>("Go", root);
    auto* second = Make<TTestAnimation>("Go2", root);
    second->SetResourceName("Go");
    auto* third = Make<TTestAnimation>("Go3", root);
    third->SetResourceName("Go");
    first->freeOnStart = { second };
    root->StartAnimation("go");
    EXPECT_EQ(TTestAnimation::log, (std::vector<std::string> { "start Go", "start Go3" }));
    EXPECT_EQ(root->GetChildCount(), 2);
}

TEST_F(ThvObjectTest, TriggersStopTriggeredAnimationsThenReachDecorationChildren)
{
    ThvObject* root = Make("Root");
    auto* hover = Make<TTestAnimation>("Hover", root);
    hover->SetTrigger("IsMouseOver=true");
    Make<TTestAnimation>("Plain", root);
    ThvObject* decoration = Make<TTestDecoration>("Decoration", root);
    auto* inner = Make<TTestAnimation>("Inner", decoration);
    inner->SetTrigger("IsMouseOver=false");
    ThvObject* ordinary = Make("Ordinary", root);
    auto* hidden = Make<TTestAnimation>("Hidden", ordinary);
    hidden->SetTrigger("IsMouseOver=true");

    // The decoration child runs the whole request again for its own animations, so Inner
    // is asked to stop a second time (a stopped animation ignores that).
    root->StartTriggerAnimation(root, "IsMouseOver");
    EXPECT_EQ(TTestAnimation::log,
        (std::vector<std::string> {
            "stop Hover",
            "stop Inner",
            "trigger Hover IsMouseOver",
            "trigger Plain IsMouseOver",
            "stop Inner",
            "trigger Inner IsMouseOver",
        }));
}

TEST_F(ThvObjectTest, StopAnimationsStopsOnlyAnimationsOfThatProperty)
{
    ThvObject* root = Make("Root");
    auto* opacity = Make<TTestAnimation>("A", root);
    opacity->SetPropertyName("Opacity");
    auto* width = Make<TTestAnimation>("B", root);
    width->SetPropertyName("Width");
    auto* opacity2 = Make<TTestAnimation>("C", root);
    opacity2->SetPropertyName("OPACITY");
    root->StopAnimations("opacity");
    EXPECT_EQ(TTestAnimation::log, (std::vector<std::string> { "stop A", "stop C" }));
}

// ---- object text and streams ---------------------------------------------------------------

TEST_F(ThvObjectTest, SaveToStreamWritesStoredChildrenWithAnEmptyRootName)
{
    auto* root = Make<THolder3D>("Root");
    root->SetValue(2);
    auto* kept = Make<THolder3D>("Kept", root);
    kept->SetValue(3);
    auto* own = Make<THolder3D>("Own", root);
    own->SetStored(false);
    Make<THolder3D>("Also", root);

    const std::string text = ObjectText(*root);
    EXPECT_EQ(text.rfind("object THolder3D\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("object Kept: THolder3D"), std::string::npos) << text;
    EXPECT_NE(text.find("object Also: THolder3D"), std::string::npos) << text;
    EXPECT_EQ(text.find("Own"), std::string::npos) << text;
    EXPECT_EQ(root->GetName(), "Root");
}

TEST_F(ThvObjectTest, LoadFromStreamDropsNamesSkipsUnknownPropertiesAndBuildsChildren)
{
    const std::string text = "object Named: THolder3D\n"
                             "  Value = 4.5\n"
                             "  NoSuchProperty = 12\n"
                             "  ResourceName = 'res'\n"
                             "  object Kid: THolder3D\n"
                             "    Position.Point = '(1,2,3)'\n"
                             "  end\n"
                             "  object Kid: THolder3D\n"
                             "    Value = 1\n"
                             "  end\n"
                             "end\n";
    auto* target = Make<THolder3D>("Target");
    target->LoadFromStream(*TextToBinary(text));
    // Every name read is dropped, the object's own included.
    EXPECT_EQ(target->GetName(), "");
    EXPECT_EQ(target->GetValue(), 4.5f);
    EXPECT_EQ(target->GetResourceName(), "res");
    ASSERT_EQ(target->GetChildCount(), 2);
    // Two children of one name would clash; names are dropped, so both are read.
    auto* kid = dynamic_cast<THolder3D*>(target->GetChild(0));
    ASSERT_NE(kid, nullptr);
    EXPECT_EQ(kid->GetName(), "");
    EXPECT_EQ(kid->GetPosition()->GetPoint(), (ThvPoint { 1, 2, 3 }));
    // The object read into owns what the stream created.
    EXPECT_EQ(kid->GetOwner(), target);
}

TEST_F(ThvObjectTest, ATruncatedStreamIsReportedAsAReadError)
{
    auto* root = Make<THolder3D>("Root");
    Make<THolder3D>("Kid", root);
    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, *root);
    binary.SetSize(binary.GetSize() - 3);
    binary.SetPosition(0);
    auto* target = Make<THolder3D>("Target");
    EXPECT_THROW(target->LoadFromStream(binary), rtl::ReadError);
}

TEST_F(ThvObjectTest, ObjectsReadIntoASceneBecomeItsRoots)
{
    // A component holding a scene whose roots are stored as the scene's children.
    auto* scene = new ThvScene(form.get());
    scene->SetName("Scene");
    auto* root = Make<THolder3D>("Root");
    scene->AddObject(root);
    Make<THolder3D>("Child", root);
    auto* design = Make<THolder3D>("Design");
    design->SetStored(false);
    scene->AddObject(design);

    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, *scene);
    binary.SetPosition(0);
    auto* copy = new ThvScene(form.get());
    rtl::TReader reader(binary);
    reader.OnSetName = [](rtl::TReader&, rtl::TComponent*, std::string& name) { name += "Copy"; };
    reader.ReadRootComponent(copy);

    ASSERT_EQ(UserRoots(*copy).size(), 1u);
    ThvObject* copiedRoot = UserRoots(*copy).front();
    EXPECT_EQ(copiedRoot->GetName(), "RootCopy");
    EXPECT_EQ(copiedRoot->GetScene(), copy);
    EXPECT_EQ(copiedRoot->GetParentComponent(), copy);
    ASSERT_EQ(copiedRoot->GetChildCount(), 1);
    EXPECT_EQ(copiedRoot->GetChild(0)->GetScene(), copy);
    EXPECT_EQ(copiedRoot->GetChild(0)->GetParentComponent(), copiedRoot);
}

TEST_F(ThvObjectTest, ParentIsPublishedButNeverStored)
{
    ThvObject* parent = Make("Parent");
    ThvObject* child = Make("Child");
    ASSERT_TRUE(rtl::SetPropValue(*child, "Parent", rtl::TValue(static_cast<rtl::TObject*>(parent))));
    EXPECT_EQ(child->GetParent(), parent);
    const std::string text = ObjectText(*child);
    EXPECT_EQ(text.find("Parent"), std::string::npos) << text;
}
