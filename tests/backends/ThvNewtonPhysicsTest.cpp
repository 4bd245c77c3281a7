#include "backends/ThvNewtonPhysics.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvCone.h"
#include "scene3d/ThvCylinder.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvSphere.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/physics/PhysicsLoader.h"
#include "platform/rtl/Component.h"
#include "platform/ui/FakeApplication.h"

#include <gtest/gtest.h>

#include <cmath>
#include <dlfcn.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::physics::FakePhysicsLoader;
using platform::physics::ModulePhysicsLoader;
using platform::physics::PhysicsLoader;

namespace {

constexpr double kStep = 0.017;

/// The rigid-body module of this build, opened by its path.
ModulePhysicsLoader& ModuleLoader()
{
    static ModulePhysicsLoader loader(GF_PHYSICS_MODULE_PATH);
    return loader;
}

/// True while the module is mapped into the process.
bool ModuleMapped()
{
    void* handle = dlopen(GF_PHYSICS_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}

/// Installs a physics loader and the Newton engine class for the life of the guard.
class PhysicsGuard {
public:
    explicit PhysicsGuard(PhysicsLoader& loader)
        : m_previousLoader(platform::physics::SetDefaultPhysicsLoader(&loader))
        , m_previousClass(hvDefaultPhysicsClass)
    {
        hvNewtonPhysicsInit();
    }
    ~PhysicsGuard()
    {
        hvNewtonPhysicsDone();
        hvDefaultPhysicsClass = m_previousClass;
        platform::physics::SetDefaultPhysicsLoader(m_previousLoader);
    }
    PhysicsGuard(const PhysicsGuard&) = delete;
    PhysicsGuard& operator=(const PhysicsGuard&) = delete;

private:
    PhysicsLoader* m_previousLoader;
    const ThvPhysicsClass* m_previousClass;
};

/// A visual object that records the contacts reported to it.
class TContactObject : public ThvVisualObject {
public:
    using ThvVisualObject::ThvVisualObject;

    struct Hit {
        ThvVisualObject* other;
        ThvVector point;
        ThvVector normal;
    };
    std::vector<Hit> hits;

    void DoCollision(ThvVisualObject* other, const ThvVector& point, const ThvVector& normal) override
    {
        hits.push_back({ other, point, normal });
        ThvVisualObject::DoCollision(other, point, normal);
    }

protected:
    ~TContactObject() override = default;
};

enum class BodyKind { None, Collider, Dynamic };

struct ObjectSpec {
    ThvPoint position;
    ThvPoint size { 1, 1, 1 };
    BodyKind body = BodyKind::Collider;
    ThvProjection projection = hvProjectionCamera;
};

/// A scene at run time whose frames are real-time steps, 17 ms apart on the clock of the
/// headless window system (made here unless one runs already).
class NewtonScene {
public:
    NewtonScene()
    {
        if (!platform::ui::Application::TryCurrent())
            m_app = std::make_unique<platform::ui::FakeApplication>();
        m_scene.reset(new ThvScene(nullptr));
    }

    ThvScene& Scene() { return *m_scene; }
    ThvNewtonPhysics* Engine() const { return dynamic_cast<ThvNewtonPhysics*>(m_scene->GetPhysics()); }

    TContactObject* Add(const ObjectSpec& wanted)
    {
        auto* object = new TContactObject(nullptr);
        m_scene->AddObject(object);
        object->SetProjection(wanted.projection);
        object->SetWidth(wanted.size.X);
        object->SetHeight(wanted.size.Y);
        object->SetDepth(wanted.size.Z);
        object->GetPosition()->SetPoint(wanted.position);
        if (wanted.body == BodyKind::Collider)
            object->SetCollider(true);
        else if (wanted.body == BodyKind::Dynamic)
            object->SetDynamic(true);
        return object;
    }

    /// One real-time frame: the roots' ticks, then both worlds, then the (canvas-less) render.
    void Step()
    {
        auto& app = static_cast<platform::ui::FakeApplication&>(platform::ui::Application::Current());
        s_clockMs += kFrameMs;
        app.SetTime(s_clockMs);
        m_scene->RealTimeStep();
    }

    void Steps(int count)
    {
        for (int i = 0; i < count; ++i)
            Step();
    }

    static constexpr int64_t kFrameMs = 17;

private:
    static inline int64_t s_clockMs = 1000;
    std::unique_ptr<platform::ui::FakeApplication> m_app; // goes after the scene
    rtl::TOwned<ThvScene> m_scene;
};

ThvPoint Translation(const ThvMatrix& m)
{
    return { m[3][0], m[3][1], m[3][2] };
}

ThvPoint PositionOf(ThvVisualObject* object)
{
    return object->GetPosition()->GetPoint();
}

const GfPhysicsApiV1& Api()
{
    return *ModuleLoader().Api();
}

GfPhysicsBody* BodyOf(ThvPhysicsBody handle)
{
    return reinterpret_cast<GfPhysicsBody*>(handle);
}

class NewtonPhysicsTest : public ::testing::Test {
protected:
    PhysicsGuard m_guard { ModuleLoader() };
    NewtonScene m_world;
};

} // namespace

// ---- loading ------------------------------------------------------------------------------

TEST(ThvNewtonPhysics, ModuleLoadsWithTheFirstEngineAndUnloadsAfterTheLast)
{
    PhysicsGuard guard(ModuleLoader());
    ASSERT_FALSE(ModuleMapped()) << "another test left the module loaded";

    auto first = std::make_unique<NewtonScene>();
    first->Add({ .body = BodyKind::None });
    EXPECT_EQ(first->Scene().GetPhysics(), nullptr)
        << "an object without Dynamic or Collider needs no engine";
    EXPECT_FALSE(ModuleMapped());

    first->Add({ .body = BodyKind::Dynamic });
    ASSERT_NE(first->Engine(), nullptr);
    EXPECT_TRUE(first->Engine()->GetAvailable());
    EXPECT_TRUE(ModuleMapped());

    {
        NewtonScene second;
        second.Add({ .body = BodyKind::Collider });
        EXPECT_TRUE(second.Engine()->GetAvailable());
        EXPECT_EQ(ModuleLoader().InstanceCount(), 2);
    }
    EXPECT_TRUE(ModuleMapped()) << "one engine still lives";

    first->Steps(3);
    first.reset();
    EXPECT_FALSE(ModuleMapped());
    EXPECT_EQ(ModuleLoader().InstanceCount(), 0);
}

TEST(ThvNewtonPhysics, EnginesShareOneLoadAndTheLastOneUnloads)
{
    // The real table, handed out by a counting loader.
    ASSERT_NE(ModuleLoader().Acquire(), nullptr) << ModuleLoader().LastError();
    FakePhysicsLoader counting(ModuleLoader().Api());
    {
        PhysicsGuard guard(counting);
        auto first = rtl::TOwned<ThvPhysics>(hvDefaultPhysicsClass->create(nullptr));
        auto second = rtl::TOwned<ThvPhysics>(hvDefaultPhysicsClass->create(nullptr));
        EXPECT_EQ(counting.OpenCount(), 1);
        first.reset();
        EXPECT_EQ(counting.CloseCount(), 0);
        second.reset();
        EXPECT_EQ(counting.CloseCount(), 1);

        auto third = rtl::TOwned<ThvPhysics>(hvDefaultPhysicsClass->create(nullptr));
        EXPECT_EQ(counting.OpenCount(), 2);
        EXPECT_TRUE(dynamic_cast<ThvNewtonPhysics&>(*third).GetAvailable());
    }
    ModuleLoader().Release();
    EXPECT_FALSE(ModuleMapped());
}

TEST(ThvNewtonPhysics, UnloadedModuleIsReallyGoneAndComesBack)
{
    PhysicsGuard guard(ModuleLoader());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        {
            NewtonScene scene;
            scene.Add({ .position = { 0, 0, 5 }, .body = BodyKind::Dynamic });
            scene.Steps(2);
            EXPECT_TRUE(ModuleMapped());
        }
        EXPECT_FALSE(ModuleMapped());
    }
}

// ---- without the module -------------------------------------------------------------------

TEST(ThvNewtonPhysics, WithoutTheModuleEveryOperationDoesNothing)
{
    FakePhysicsLoader failing(nullptr);
    PhysicsGuard guard(failing);
    NewtonScene world;
    TContactObject* falling = world.Add({ .position = { 0, 0, 5 }, .body = BodyKind::Dynamic });
    TContactObject* ground = world.Add({ .position = { 0, 0, 4.6f }, .size = { 10, 10, 1 } });

    ThvNewtonPhysics* engine = world.Engine();
    ASSERT_NE(engine, nullptr) << "the scene still makes its engine";
    EXPECT_FALSE(engine->GetAvailable());
    EXPECT_EQ(falling->GetBody(), 0);
    EXPECT_EQ(engine->CreateWorld(), nullptr);
    EXPECT_EQ(engine->WorldFor(falling), nullptr);
    EXPECT_EQ(engine->CreateSphere(ground, { 1, 1, 1, 1 }), 0);
    EXPECT_EQ(engine->GetBodyMatrix(12345), hvIdentityMatrix);
    EXPECT_EQ(engine->GetBodyObject(12345), nullptr);
    ThvPhysicsBody body = 12345;
    engine->DestroyBody(body);
    EXPECT_EQ(body, 0);
    std::vector<ThvVisualObject*> handled;
    engine->QueryCollisions(falling, handled);
    EXPECT_TRUE(handled.empty());

    // The scene runs; nothing ever moves.
    world.Steps(30);
    EXPECT_EQ(PositionOf(falling), (ThvPoint { 0, 0, 5 }));
    EXPECT_TRUE(falling->hits.empty());
}

TEST(ThvNewtonPhysics, FailedLoadIsRetriedOnlyAfterEveryEngineWent)
{
    FakePhysicsLoader failing(nullptr);
    PhysicsGuard guard(failing);
    auto first = rtl::TOwned<ThvPhysics>(hvDefaultPhysicsClass->create(nullptr));

    ASSERT_NE(ModuleLoader().Acquire(), nullptr);
    failing.SetTable(ModuleLoader().Api());
    auto second = rtl::TOwned<ThvPhysics>(hvDefaultPhysicsClass->create(nullptr));
    EXPECT_FALSE(dynamic_cast<ThvNewtonPhysics&>(*second).GetAvailable());
    EXPECT_EQ(failing.OpenCount(), 1);

    first.reset();
    second.reset();
    auto third = rtl::TOwned<ThvPhysics>(hvDefaultPhysicsClass->create(nullptr));
    EXPECT_TRUE(dynamic_cast<ThvNewtonPhysics&>(*third).GetAvailable());
    EXPECT_EQ(failing.OpenCount(), 2);
    third.reset();
    ModuleLoader().Release();
}

// ---- motion -------------------------------------------------------------------------------

TEST_F(NewtonPhysicsTest, DynamicCubeFallsOntoAStaticPlaneAndComesToRest)
{
    TContactObject* plane = m_world.Add({ .position = { 0, 0, 0 }, .size = { 20, 20, 1 } });
    TContactObject* cube = m_world.Add({ .position = { 0, 0, 4 }, .body = BodyKind::Dynamic });
    ASSERT_NE(cube->GetBody(), 0);
    ASSERT_NE(plane->GetBody(), 0);

    m_world.Steps(60);
    EXPECT_LT(PositionOf(cube).Z, 4.0f) << "it falls";

    m_world.Steps(600);
    const ThvPoint rest = PositionOf(cube);
    EXPECT_NEAR(rest.Z, 1.0f, 0.05f) << "half the plane's depth plus half the cube's";
    EXPECT_NEAR(rest.X, 0.0f, 0.01f);
    EXPECT_NEAR(rest.Y, 0.0f, 0.01f);
    EXPECT_EQ(Api().BodyGetFreezeState(BodyOf(cube->GetBody())), kGfPhysicsFrozen);

    m_world.Steps(10);
    EXPECT_EQ(PositionOf(cube), rest) << "a frozen body stays put";
    EXPECT_EQ(PositionOf(plane), (ThvPoint { 0, 0, 0 }));
}

TEST_F(NewtonPhysicsTest, BodiesFallWithTheGravityOfTheirProjection)
{
    struct Case {
        const char* name;
        ThvProjection projection;
        ThvPoint start;
        ThvPoint direction;
    };
    const Case cases[] = {
        { "camera world: down along -Z", hvProjectionCamera, { 0, 0, 10 }, { 0, 0, -1 } },
        { "screen world: down the window along +Y", hvProjectionScreen, { 100, 100, 0 }, { 0, 1, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TContactObject* body
            = m_world.Add({ .position = c.start, .body = BodyKind::Dynamic, .projection = c.projection });
        const ThvPoint before = PositionOf(body);
        m_world.Steps(30);
        const ThvPoint after = PositionOf(body);
        const ThvPoint moved { after.X - before.X, after.Y - before.Y, after.Z - before.Z };
        const float length = std::sqrt(moved.X * moved.X + moved.Y * moved.Y + moved.Z * moved.Z);
        ASSERT_GT(length, 0.1f);
        EXPECT_NEAR(moved.X / length, c.direction.X, 1e-3f);
        EXPECT_NEAR(moved.Y / length, c.direction.Y, 1e-3f);
        EXPECT_NEAR(moved.Z / length, c.direction.Z, 1e-3f);
        body->Free();
    }
}

TEST_F(NewtonPhysicsTest, ScreenBodyTippingOverAnEdgeKeepsItsZAxis)
{
    // A pixel box landing half over the right edge of a ledge turns as it slides off.
    m_world.Add({ .position = { 0, 200, 0 }, .size = { 160, 20, 40 }, .projection = hvProjectionScreen });
    TContactObject* box = m_world.Add({ .position = { 85, 150, 0 },
        .size = { 40, 40, 40 },
        .body = BodyKind::Dynamic,
        .projection = hvProjectionScreen });
    m_world.Steps(120);

    const ThvMatrix m = box->GetLocalMatrix();
    EXPECT_GT(std::fabs(m[0][1]), 0.05f) << "the box has turned about Z";
    EXPECT_NEAR(m[2][0], 0.0f, 1e-4f);
    EXPECT_NEAR(m[2][1], 0.0f, 1e-4f);
    EXPECT_NEAR(m[2][2], 1.0f, 1e-4f);
}

TEST_F(NewtonPhysicsTest, CameraWorldIsNotSteppedBeforeTheFirstDynamicBody)
{
    TContactObject* ground = m_world.Add({ .size = { 10, 10, 1 } });
    ThvNewtonPhysics* engine = m_world.Engine();
    EXPECT_FALSE(engine->GetHasDynamicBodies());
    m_world.Steps(5);
    EXPECT_EQ(PositionOf(ground), (ThvPoint {}));

    m_world.Add({ .position = { 0, 0, 3 }, .body = BodyKind::Dynamic });
    EXPECT_TRUE(engine->GetHasDynamicBodies());
}

// ---- shapes -------------------------------------------------------------------------------

TEST_F(NewtonPhysicsTest, BodyShapesSpanTheObjectsBox)
{
    using Create = ThvPhysicsBody (ThvNewtonPhysics::*)(ThvVisualObject*, const ThvVector&);
    struct Case {
        const char* name;
        Create create;
        ThvVector size;
        ThvPoint halfExtent;
    };
    const Case cases[] = {
        { "box", &ThvNewtonPhysics::CreateBox, { 4, 2, 1, 1 }, { 2, 1, 0.5f } },
        { "sphere: radii of half the sizes", &ThvNewtonPhysics::CreateSphere, { 4, 2, 1, 1 },
            { 2, 1, 0.5f } },
        // Like their meshes: along X over the width, round across Height and Depth.
        { "cylinder along X", &ThvNewtonPhysics::CreateCylinder, { 4, 2, 2, 1 }, { 2, 1, 1 } },
        { "cone along X", &ThvNewtonPhysics::CreateCone, { 6, 1, 1, 1 }, { 3, 0.5f, 0.5f } },
        { "cylinder, oval section enclosed", &ThvNewtonPhysics::CreateCylinder, { 2, 1, 3, 1 },
            { 1, 1.5f, 1.5f } },
    };
    TContactObject* object = m_world.Add({ .position = { 10, 20, 30 }, .body = BodyKind::None });
    m_world.Add({ .position = { -50, 0, 0 } }); // makes the engine
    ThvNewtonPhysics* engine = m_world.Engine();
    ASSERT_NE(engine, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ThvPhysicsBody body = (engine->*c.create)(object, c.size);
        ASSERT_NE(body, 0);
        EXPECT_EQ(engine->GetBodyObject(body), object);
        EXPECT_EQ(Translation(engine->GetBodyMatrix(body)), (ThvPoint { 10, 20, 30 }));
        float minimum[3];
        float maximum[3];
        Api().BodyGetAabb(BodyOf(body), minimum, maximum);
        const float half[3] = { c.halfExtent.X, c.halfExtent.Y, c.halfExtent.Z };
        const float centre[3] = { 10, 20, 30 };
        for (int axis = 0; axis < 3; ++axis) {
            SCOPED_TRACE(axis);
            // The engine pads bounding boxes by a small collision margin.
            EXPECT_NEAR(maximum[axis] - centre[axis], half[axis], 0.1f);
            EXPECT_NEAR(centre[axis] - minimum[axis], half[axis], 0.1f);
        }
        ThvPhysicsBody handle = body;
        engine->DestroyBody(handle);
    }
}

TEST_F(NewtonPhysicsTest, ObjectThatHasABodyGetsNoSecond)
{
    TContactObject* object = m_world.Add({});
    ASSERT_NE(object->GetBody(), 0);
    EXPECT_EQ(m_world.Engine()->CreateBox(object, { 1, 1, 1, 1 }), 0);
    EXPECT_EQ(m_world.Engine()->GetBodyCount(), 1);
}

// ---- handles ------------------------------------------------------------------------------

TEST_F(NewtonPhysicsTest, HandlesTheEngineDidNotMakeAreIgnored)
{
    TContactObject* object = m_world.Add({ .position = { 1, 2, 3 } });
    ThvNewtonPhysics* engine = m_world.Engine();

    NewtonScene other;
    TContactObject* stranger = other.Add({ .position = { 7, 7, 7 } });
    const ThvPhysicsBody foreign = stranger->GetBody();
    ASSERT_NE(foreign, 0);

    const ThvPhysicsBody handles[] = { 1, -8, foreign };
    for (const ThvPhysicsBody handle : handles) {
        SCOPED_TRACE(handle);
        EXPECT_EQ(engine->GetBodyObject(handle), nullptr);
        EXPECT_EQ(engine->GetBodyMatrix(handle), hvIdentityMatrix);
        engine->SetBodyMatrix(handle, hvIdentityMatrix);
        ThvPhysicsBody variable = handle;
        engine->DestroyBody(variable);
        EXPECT_EQ(variable, 0);
        EXPECT_EQ(engine->GetDestroyQueueCount(), 0);
    }
    EXPECT_EQ(Translation(other.Engine()->GetBodyMatrix(foreign)), (ThvPoint { 7, 7, 7 }))
        << "the other scene's body was left alone";
    EXPECT_EQ(engine->GetBodyObject(object->GetBody()), object);
}

TEST_F(NewtonPhysicsTest, DestroyedBodyIsQueuedOnceAndLeavesCollisionsAtOnce)
{
    TContactObject* lower = m_world.Add({ .position = { 0, 0, 0 } });
    TContactObject* upper = m_world.Add({ .position = { 0, 0, 0.9f } });
    ThvNewtonPhysics* engine = m_world.Engine();
    std::vector<ThvVisualObject*> handled;
    engine->TrackCollisions(upper, handled);
    ASSERT_EQ(upper->hits.size(), 1u);
    upper->hits.clear();

    const ThvPhysicsBody body = lower->GetBody();
    ThvPhysicsBody first = body;
    ThvPhysicsBody second = body;
    engine->DestroyBody(first);
    engine->DestroyBody(second);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(engine->GetDestroyQueueCount(), 1);

    engine->TrackCollisions(upper, handled);
    EXPECT_TRUE(upper->hits.empty()) << "a queued body is out of its world";
    EXPECT_EQ(engine->GetBodyObject(body), lower) << "and still known until the next update";

    const int before = engine->GetBodyCount();
    engine->Update(engine->GetCameraWorld(), kStep);
    EXPECT_EQ(engine->GetDestroyQueueCount(), 0);
    EXPECT_EQ(engine->GetBodyCount(), before - 1);
    EXPECT_EQ(engine->GetBodyObject(body), nullptr);
}

TEST_F(NewtonPhysicsTest, FreedObjectTakesItsBodyAlong)
{
    TContactObject* lower = m_world.Add({ .position = { 0, 0, 0 } });
    TContactObject* upper = m_world.Add({ .position = { 0, 0, 0.9f } });
    ThvNewtonPhysics* engine = m_world.Engine();
    lower->Free();
    std::vector<ThvVisualObject*> handled;
    engine->TrackCollisions(upper, handled);
    EXPECT_TRUE(upper->hits.empty());
    m_world.Step();
    EXPECT_EQ(engine->GetBodyCount(), 1);
}

TEST_F(NewtonPhysicsTest, BodyOutlivingItsObjectIsNeverReported)
{
    // An object taken out of its scene has its body queued, which lives on until the next
    // update; once the object is freed the body must not hand out the dead object.
    TContactObject* lower = m_world.Add({ .position = { 0, 0, 0 }, .body = BodyKind::Dynamic });
    TContactObject* upper = m_world.Add({ .position = { 0, 0, 0.9f } });
    ThvNewtonPhysics* engine = m_world.Engine();
    const ThvPhysicsBody orphan = lower->GetBody();
    m_world.Scene().RemoveObject(lower);
    lower->Free();

    EXPECT_EQ(engine->GetBodyObject(orphan), nullptr);
    std::vector<ThvVisualObject*> handled;
    engine->TrackCollisions(upper, handled);
    EXPECT_TRUE(upper->hits.empty());
    m_world.Steps(5); // the orphan is stepped with its world's gravity
}

// ---- bodies of objects that move between scenes ------------------------------------------

TEST_F(NewtonPhysicsTest, ObjectLeavingItsSceneTakesItsBodyOutOfTheWorld)
{
    NewtonScene second;
    struct Case {
        const char* name;
        std::function<void(ThvDummy& parent, ThvVisualObject& object)> leave;
        bool toSecond = false; // the object ends in the second scene
    };
    const Case cases[] = {
        { "taken from the roots",
            [&](ThvDummy&, ThvVisualObject& object) { m_world.Scene().RemoveObject(&object); } },
        { "taken from its parent",
            [&](ThvDummy& parent, ThvVisualObject& object) {
                parent.AddObject(&object);
                parent.RemoveObject(&object);
            } },
        { "its parent taken from the roots",
            [&](ThvDummy& parent, ThvVisualObject& object) {
                parent.AddObject(&object);
                m_world.Scene().RemoveObject(&parent);
            } },
        { "moved to another scene",
            [&](ThvDummy&, ThvVisualObject& object) { second.Scene().AddObject(&object); }, true },
    };
    TContactObject* upper = m_world.Add({ .position = { 0, 0, 0.9f } });
    ThvNewtonPhysics* engine = m_world.Engine();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* parent = new ThvDummy(nullptr);
        m_world.Scene().AddObject(parent);
        TContactObject* lower = m_world.Add({ .position = { 0, 0, 0 } });
        std::vector<ThvVisualObject*> handled;
        engine->TrackCollisions(upper, handled);
        ASSERT_EQ(upper->hits.size(), 1u);
        upper->hits.clear();

        c.leave(*parent, *lower);
        engine->TrackCollisions(upper, handled);
        EXPECT_TRUE(upper->hits.empty()) << "the body left the world with its object";
        m_world.Step();
        EXPECT_EQ(engine->GetBodyCount(), 1) << "only the upper body is left";
        if (c.toSecond) {
            ASSERT_NE(second.Engine(), nullptr);
            EXPECT_NE(lower->GetBody(), 0);
            EXPECT_EQ(second.Engine()->GetBodyObject(lower->GetBody()), lower)
                << "a body in the new scene's world";
        } else {
            EXPECT_EQ(lower->GetBody(), 0);
        }
        lower->Free();
        parent->Free();
    }
}

TEST_F(NewtonPhysicsTest, ASecondCreateBodyReplacesTheFirst)
{
    struct Case {
        const char* name;
        std::function<ThvVisualObject*()> make;
    };
    const Case cases[] = {
        { "box", [] { return new TContactObject(nullptr); } },
        { "sphere", [] { return new ThvSphere(nullptr); } },
        { "cone", [] { return new ThvCone(nullptr); } },
        { "cylinder", [] { return new ThvCylinder(nullptr); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvVisualObject* object = c.make();
        m_world.Scene().AddObject(object);
        object->SetCollider(true);
        ThvNewtonPhysics* engine = m_world.Engine();
        const ThvPhysicsBody first = object->GetBody();
        ASSERT_NE(first, 0);
        object->CreateBody();
        EXPECT_NE(object->GetBody(), 0);
        EXPECT_NE(object->GetBody(), first);
        EXPECT_EQ(engine->GetBodyObject(object->GetBody()), object);
        m_world.Step();
        EXPECT_EQ(engine->GetBodyObject(first), nullptr) << "the first body is gone";
        EXPECT_EQ(engine->GetBodyCount(), 1);
        object->Free();
        m_world.Step();
        EXPECT_EQ(engine->GetBodyCount(), 0);
    }
}

TEST_F(NewtonPhysicsTest, ObjectJoiningASceneGetsItsBodyWhereItIsNow)
{
    auto* parent = new ThvDummy(nullptr);
    parent->GetPosition()->SetPoint({ 5, 0, 0 });
    auto* object = new TContactObject(nullptr);
    parent->AddObject(object);
    object->GetPosition()->SetPoint({ 0, 0, 1 });
    object->SetCollider(true);
    EXPECT_EQ(object->GetBody(), 0) << "no scene, no body";
    m_world.Scene().AddObject(parent);
    ASSERT_NE(object->GetBody(), 0);
    ThvNewtonPhysics* engine = m_world.Engine();
    EXPECT_EQ(engine->GetBodyObject(object->GetBody()), object);
    EXPECT_EQ(Translation(engine->GetBodyMatrix(object->GetBody())), (ThvPoint { 5, 0, 1 }));
    TContactObject* neighbour = m_world.Add({ .position = { 5, 0, 0.1f } });
    std::vector<ThvVisualObject*> handled;
    engine->TrackCollisions(neighbour, handled);
    ASSERT_EQ(neighbour->hits.size(), 1u);
    EXPECT_EQ(neighbour->hits[0].other, object);
}

// ---- collisions ---------------------------------------------------------------------------

TEST_F(NewtonPhysicsTest, TrackCollisionsReportsEachTouchingBodyToTheObject)
{
    TContactObject* ground = m_world.Add({ .position = { 0, 0, 0 }, .size = { 10, 10, 1 } });
    TContactObject* box = m_world.Add({ .position = { 0, 0, 0.9f } });
    TContactObject* far = m_world.Add({ .position = { 0, 0, 20 } });
    ThvNewtonPhysics* engine = m_world.Engine();

    std::vector<ThvVisualObject*> handled;
    engine->TrackCollisions(box, handled);
    ASSERT_EQ(box->hits.size(), 1u);
    const TContactObject::Hit& hit = box->hits[0];
    EXPECT_EQ(hit.other, ground);
    // The normal points from the other body towards the object's own.
    EXPECT_NEAR(hit.normal.X, 0.0f, 1e-4f);
    EXPECT_NEAR(hit.normal.Y, 0.0f, 1e-4f);
    EXPECT_NEAR(hit.normal.Z, 1.0f, 1e-4f);
    EXPECT_EQ(hit.normal.W, 1.0f);
    EXPECT_EQ(hit.point.W, 1.0f);
    EXPECT_NEAR(hit.point.Z, 0.5f, 0.11f) << "on the ground's top face";
    EXPECT_TRUE(handled.empty()) << "tracking adds nothing to the handled list";
    EXPECT_TRUE(ground->hits.empty()) << "only the tracked object hears of the contact";
    EXPECT_TRUE(far->hits.empty());
}

TEST_F(NewtonPhysicsTest, TrackCollisionsSkips)
{
    struct Case {
        const char* name;
        bool objectVisible;
        bool otherVisible;
        bool alreadyHandled;
    };
    const Case cases[] = {
        { "an invisible object", false, true, false },
        { "an invisible other object", true, false, false },
        { "an object already handled", true, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TContactObject* lower = m_world.Add({ .position = { 0, 0, 0 } });
        TContactObject* upper = m_world.Add({ .position = { 0, 0, 0.9f } });
        upper->SetVisible(c.objectVisible);
        lower->SetVisible(c.otherVisible);
        std::vector<ThvVisualObject*> handled;
        if (c.alreadyHandled)
            handled.push_back(upper);
        m_world.Engine()->TrackCollisions(upper, handled);
        EXPECT_TRUE(upper->hits.empty());
        lower->Free();
        upper->Free();
        m_world.Step();
    }
}

TEST_F(NewtonPhysicsTest, HandlerMayFreeTheObjectsOfTheContacts)
{
    TContactObject* box = m_world.Add({ .position = { 0, 0, 0.9f } });
    m_world.Add({ .position = { 0, 0, 0 } });
    m_world.Add({ .position = { 0.5f, 0, 0 } });

    // Freeing every other root inside the first report must end the reports cleanly.
    struct Killer : rtl::TObject {
        ThvScene* scene = nullptr;
        ThvVisualObject* keep = nullptr;
        int calls = 0;
        void Collided(rtl::TObject*, ThvVisualObject*, const ThvVector&, const ThvVector&)
        {
            ++calls;
            std::vector<ThvObject*> doomed;
            for (ThvObject* root : scene->Objects()) {
                if (root != keep && root->GetTag() != 65534)
                    doomed.push_back(root);
            }
            for (ThvObject* root : doomed)
                root->Free();
        }
    } killer;
    killer.scene = &m_world.Scene();
    killer.keep = box;
    box->OnCollision.Bind<&Killer::Collided>(&killer);

    std::vector<ThvVisualObject*> handled;
    m_world.Engine()->TrackCollisions(box, handled);
    EXPECT_EQ(killer.calls, 1);
}

TEST_F(NewtonPhysicsTest, QueryCollisionsAddsTheObjectAndReportsNothing)
{
    TContactObject* lower = m_world.Add({ .position = { 0, 0, 0 } });
    TContactObject* upper = m_world.Add({ .position = { 0, 0, 0.9f } });
    std::vector<ThvVisualObject*> handled;
    m_world.Engine()->QueryCollisions(upper, handled);
    m_world.Engine()->QueryCollisions(upper, handled);
    EXPECT_EQ(handled, std::vector<ThvVisualObject*> { upper });
    EXPECT_TRUE(upper->hits.empty());
    EXPECT_TRUE(lower->hits.empty());
}

// ---- impulses -----------------------------------------------------------------------------

TEST_F(NewtonPhysicsTest, ExplosionPushesEveryBodyInItsCubeAwayAtTheSameSpeed)
{
    struct Case {
        const char* name;
        ThvPoint position;
        ThvPoint velocity; // with force 2
    };
    const Case cases[] = {
        { "inside the cube, outside the sphere", { 4, 4, 4 }, { 1.1547f, 1.1547f, 1.1547f } },
        { "near the centre: the same speed", { 1, 0, 0 }, { 2, 0, 0 } },
        { "exactly at the centre: nothing", { 0, 0, 0 }, { 0, 0, 0 } },
        { "outside the cube", { 6, 6, 6 }, { 0, 0, 0 } },
    };
    std::vector<TContactObject*> objects;
    for (const Case& c : cases)
        objects.push_back(
            m_world.Add({ .position = c.position, .size = { 0.5f, 0.5f, 0.5f }, .body = BodyKind::Dynamic }));
    ThvNewtonPhysics* engine = m_world.Engine();
    engine->Explosion(engine->GetCameraWorld(), { 0, 0, 0, 1 }, 5, 2);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        float velocity[3];
        Api().BodyGetVelocity(BodyOf(objects[i]->GetBody()), velocity);
        EXPECT_NEAR(velocity[0], cases[i].velocity.X, 1e-4f);
        EXPECT_NEAR(velocity[1], cases[i].velocity.Y, 1e-4f);
        EXPECT_NEAR(velocity[2], cases[i].velocity.Z, 1e-4f);
    }
    engine->Explosion(nullptr, { 0, 0, 0, 1 }, 5, 2); // no world: nothing
}

TEST_F(NewtonPhysicsTest, AddImpulseChangesTheVelocityOfVisibleBodies)
{
    TContactObject* shown = m_world.Add({ .position = { 0, 0, 10 }, .body = BodyKind::Dynamic });
    TContactObject* hidden = m_world.Add({ .position = { 5, 0, 10 }, .body = BodyKind::Dynamic });
    hidden->SetVisible(false);
    ThvNewtonPhysics* engine = m_world.Engine();
    engine->AddImpulse(shown, { 3, 0, 0, 0 });
    engine->AddImpulse(hidden, { 3, 0, 0, 0 });
    engine->AddImpulse(nullptr, { 3, 0, 0, 0 });
    float velocity[3];
    Api().BodyGetVelocity(BodyOf(shown->GetBody()), velocity);
    EXPECT_NEAR(velocity[0], 3.0f, 1e-4f);
    Api().BodyGetVelocity(BodyOf(hidden->GetBody()), velocity);
    EXPECT_EQ(velocity[0], 0.0f);

    m_world.Steps(30);
    EXPECT_GT(PositionOf(shown).X, 1.0f);
}

// ---- worlds -------------------------------------------------------------------------------

TEST_F(NewtonPhysicsTest, WorldsAreMadePerProjectionOnFirstNeed)
{
    TContactObject* camera = m_world.Add({});
    ThvNewtonPhysics* engine = m_world.Engine();
    EXPECT_NE(engine->GetCameraWorld(), nullptr);
    EXPECT_EQ(engine->GetScreenWorld(), nullptr);
    TContactObject* screen = m_world.Add({ .projection = hvProjectionScreen });
    EXPECT_NE(engine->GetScreenWorld(), nullptr);
    EXPECT_NE(engine->GetScreenWorld(), engine->GetCameraWorld());
    EXPECT_EQ(engine->WorldFor(camera), engine->GetCameraWorld());
    EXPECT_EQ(engine->WorldFor(screen), engine->GetScreenWorld());
}

TEST_F(NewtonPhysicsTest, DestroyingAWorldForgetsItsBodies)
{
    TContactObject* object = m_world.Add({});
    ThvNewtonPhysics* engine = m_world.Engine();
    const ThvPhysicsBody body = object->GetBody();
    engine->DestroyWorld(engine->GetCameraWorld());
    EXPECT_EQ(engine->GetCameraWorld(), nullptr);
    EXPECT_EQ(engine->GetBodyObject(body), nullptr);
    EXPECT_EQ(engine->GetBodyCount(), 0);
    engine->DestroyWorld(reinterpret_cast<ThvPhysicsWorld>(uintptr_t { 64 })); // not ours: ignored
    engine->Update(reinterpret_cast<ThvPhysicsWorld>(uintptr_t { 64 }), kStep);
}

TEST_F(NewtonPhysicsTest, RealTimeSceneStepsItsPhysicsFromTheIdleLoop)
{
    auto& app = static_cast<platform::ui::FakeApplication&>(platform::ui::Application::Current());
    m_world.Add({ .position = { 0, 0, 0 }, .size = { 20, 20, 1 } });
    TContactObject* cube = m_world.Add({ .position = { 0, 0, 4 }, .body = BodyKind::Dynamic });
    m_world.Scene().SetRealTime(true);
    // Each idle turn is one frame; the handler asks to run again at once.
    for (int frame = 0; frame < 300; ++frame) {
        app.ProcessMessages();
        app.SetTime(app.TickMs() + 17);
        ASSERT_TRUE(app.ProcessOne());
    }
    EXPECT_NEAR(PositionOf(cube).Z, 1.0f, 0.05f);
    EXPECT_GT(m_world.Scene().GetFPS(), 0);
    m_world.Scene().SetRealTime(false);
}
