// The physics body of a visual object over its lifetime: a body asked for twice, an object
// leaving or changing its scene, joining one with its settings, and going while its scene is
// invisible. Every body must go through the engine that made it, and none may be left behind.

#include "VisualTestSupport.h"

#include "scene3d/ThvCone.h"
#include "scene3d/ThvCylinder.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvSphere.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/Numbers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace scene3dtest;

namespace {

/// The logging engine, whose body destructions say which scene's engine they went through.
class TSceneTaggedPhysics : public TFakePhysics {
public:
    using TFakePhysics::TFakePhysics;

    void DestroyBody(ThvPhysicsBody& body) override
    {
        const std::string scene = GetScene() ? GetScene()->GetName() : "?";
        log.push_back(scene + ": DestroyBody " + rtl::IntToStr(body));
        body = 0;
    }
};

class ThvVisualObjectBodyTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        hvDefaultPhysicsClass = &kPhysicsClassOf<TSceneTaggedPhysics>;
        scene->SetName("first");
        other->SetName("second");
    }

    UseFakePhysics physics; // restores the physics class
    TTestScene* other = new TTestScene(form.get());
};

using Log = std::vector<std::string>;

TEST_F(ThvVisualObjectBodyTest, ASecondCreateBodyReplacesTheFirst)
{
    struct Case {
        const char* name;
        std::function<ThvVisualObject*()> make;
        const char* created;
    };
    const Case cases[] = {
        { "box", [&] { return Make<ThvVisualObject>(); }, "CreateBox 1 1 1" },
        { "sphere", [&] { return Make<ThvSphere>(); }, "CreateSphere 1 1 1" },
        { "cone", [&] { return Make<ThvCone>(); }, "CreateCone 1 1 1" },
        { "cylinder", [&] { return Make<ThvCylinder>(); }, "CreateCylinder 1 1 1" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvVisualObject* object = c.make();
        object->SetCollider(true);
        const ThvPhysicsBody first = object->GetBody();
        ASSERT_NE(first, 0);
        TFakePhysics::log.clear();
        object->CreateBody();
        EXPECT_EQ(TFakePhysics::log, (Log { "first: DestroyBody " + rtl::IntToStr(first), c.created }));
        EXPECT_NE(object->GetBody(), 0);
        EXPECT_NE(object->GetBody(), first);
        TFakePhysics::log.clear();
        object->Free();
        EXPECT_EQ(TFakePhysics::log, (Log { "first: DestroyBody " + rtl::IntToStr(first + 1) }));
    }
}

TEST_F(ThvVisualObjectBodyTest, LeavingTheSceneDestroysTheBodyThroughItsEngine)
{
    struct Case {
        const char* name;
        std::function<void(ThvDummy& parent, ThvVisualObject& object)> leave;
        Log afterLeaving; // the body made first is body 1
        Log afterFreeing;
    };
    const Case cases[] = {
        { "taken from its parent",
            [&](ThvDummy& parent, ThvVisualObject& object) { parent.RemoveObject(&object); },
            { "first: DestroyBody 1" }, {} },
        { "its parent taken from the roots",
            [&](ThvDummy& parent, ThvVisualObject&) { scene->RemoveObject(&parent); },
            { "first: DestroyBody 1" }, {} },
        { "moved to another scene", [&](ThvDummy&, ThvVisualObject& object) { other->AddObject(&object); },
            { "first: DestroyBody 1", "CreateBox 1 1 1" }, { "second: DestroyBody 2" } },
        { "taken from the roots",
            [&](ThvDummy&, ThvVisualObject& object) {
                scene->AddObject(&object); // a root, with a new body (2)
                scene->RemoveObject(&object);
            },
            { "first: DestroyBody 1", "CreateBox 1 1 1", "first: DestroyBody 2" }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFakePhysics::lastBody = 0;
        auto* parent = Make<ThvDummy>();
        ThvVisualObject* object = Make<ThvVisualObject>({}, parent);
        object->SetCollider(true);
        ASSERT_EQ(object->GetBody(), 1);
        TFakePhysics::log.clear();
        c.leave(*parent, *object);
        EXPECT_EQ(TFakePhysics::log, c.afterLeaving);
        EXPECT_EQ(object->GetBody() != 0, object->GetScene() != nullptr);
        TFakePhysics::log.clear();
        object->Free();
        EXPECT_EQ(TFakePhysics::log, c.afterFreeing);
        parent->Free();
    }
}

TEST_F(ThvVisualObjectBodyTest, JoiningASceneMakesTheBodyItsSettingsAskFor)
{
    struct Case {
        const char* name;
        bool dynamic, collider;
        bool designing, invisible; // of the scene joined
        bool asChild; // the object joins as the child of a joining root
        Log made;
    };
    const Case cases[] = {
        { "dynamic", true, false, false, false, false, { "CreateBox 1 1 1" } },
        { "collider", false, true, false, false, false, { "CreateBox 1 1 1" } },
        { "the child of a joining root", true, false, false, false, true, { "CreateBox 1 1 1" } },
        { "neither", false, false, false, false, false, {} },
        { "a designed scene", true, false, true, false, false, {} },
        { "a scene invisible at run time", true, false, false, true, false, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* object = new ThvVisualObject(form.get());
        ThvDummy* root = nullptr;
        if (c.asChild) {
            root = new ThvDummy(form.get());
            root->AddObject(object);
        }
        object->SetDynamic(c.dynamic);
        object->SetCollider(c.collider);
        EXPECT_EQ(object->GetBody(), 0) << "no scene, no body";
        scene->SetDesigning(c.designing);
        scene->SetInvisibleAtRuntime(c.invisible);
        TFakePhysics::log.clear();
        scene->AddObject(root ? static_cast<ThvObject*>(root) : object);
        EXPECT_EQ(TFakePhysics::log, c.made);
        EXPECT_EQ(object->GetBody() != 0, !c.made.empty());
        scene->SetDesigning(false);
        scene->SetInvisibleAtRuntime(false);
        if (root)
            root->Free();
        else
            object->Free();
    }
}

TEST_F(ThvVisualObjectBodyTest, MovedInsideItsSceneTheObjectKeepsABody)
{
    auto* parent = Make<ThvDummy>();
    parent->GetPosition()->SetPoint({ 5, 0, 0 });
    ThvVisualObject* object = Make();
    object->SetDynamic(true);
    ASSERT_EQ(object->GetBody(), 1);
    TFakePhysics::log.clear();
    parent->AddObject(object);
    EXPECT_EQ(TFakePhysics::log, (Log { "first: DestroyBody 1", "CreateBox 1 1 1" }));
    EXPECT_EQ(object->GetBody(), 2);
    // The new body stands where the object is now.
    TFakePhysics::log.clear();
    object->GetPosition()->SetX(1);
    EXPECT_EQ(TFakePhysics::log, (Log { "SetBodyMatrix 2 (6,0,0)" }));
}

TEST_F(ThvVisualObjectBodyTest, ABodyMadeBeforeTheSceneTurnedInvisibleGoesWithItsObject)
{
    ThvVisualObject* object = Make();
    object->SetCollider(true);
    ASSERT_EQ(object->GetBody(), 1);
    scene->SetInvisibleAtRuntime(true);
    TFakePhysics::log.clear();
    object->Free();
    EXPECT_EQ(TFakePhysics::log, (Log { "first: DestroyBody 1" }));
}

} // namespace
