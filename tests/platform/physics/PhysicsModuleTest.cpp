#include "platform/physics/PhysicsLoader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace platform::physics;

namespace {

const GfPhysicsApiV1* g_api = nullptr;

using Matrix = std::array<float, 16>;

struct Vec {
    float x, y, z;
};

Matrix Translation(Vec at)
{
    Matrix m {};
    m[0] = m[5] = m[10] = m[15] = 1;
    m[12] = at.x;
    m[13] = at.y;
    m[14] = at.z;
    return m;
}

// Rotation about Z by `degrees` (row-vector layout: rows are the turned axes).
Matrix RotationZ(float degrees, Vec at)
{
    Matrix m = Translation(at);
    float a = degrees * 3.14159265f / 180;
    m[0] = std::cos(a);
    m[1] = std::sin(a);
    m[4] = -std::sin(a);
    m[5] = std::cos(a);
    return m;
}

Vec Position(const GfPhysicsBody* body)
{
    Matrix m;
    g_api->BodyGetMatrix(body, m.data());
    return { m[12], m[13], m[14] };
}

Vec Velocity(const GfPhysicsBody* body)
{
    float v[3];
    g_api->BodyGetVelocity(body, v);
    return { v[0], v[1], v[2] };
}

void ExpectNear(Vec actual, Vec expected, float tolerance)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// What the force callback needs per body: its gravity and a count of its calls.
struct BodyState {
    std::array<float, 3> gravity { 0, 0, 0 };
    int forceCalls = 0;
};

// Like the scene's gravity callback, it also writes the body's matrix back unchanged, which
// must not keep the body from resting.
void ApplyGravity(GfPhysicsBody* body, float)
{
    auto* state = static_cast<BodyState*>(g_api->BodyGetUserData(body));
    ++state->forceCalls;
    Matrix m;
    g_api->BodyGetMatrix(body, m.data());
    g_api->BodySetForce(body, state->gravity.data());
    g_api->BodySetMatrix(body, m.data());
}

struct WorldDeleter {
    void operator()(GfPhysicsWorld* world) const { g_api->WorldDestroy(world); }
};

class PhysicsModule : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_loader = new ModulePhysicsLoader(GF_PHYSICS_MODULE_PATH);
        g_api = s_loader->Acquire();
    }
    static void TearDownTestSuite()
    {
        s_loader->Release();
        delete s_loader;
        s_loader = nullptr;
        g_api = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(g_api, nullptr) << s_loader->LastError();
        m_world.reset(g_api->WorldCreate());
        ASSERT_NE(m_world, nullptr);
    }

    GfPhysicsWorld* World() const { return m_world.get(); }

    // A box body like the scene makes them: shape released at once, the body keeps it.
    GfPhysicsBody* AddBox(Vec size, Vec at, float mass = 0, GfPhysicsWorld* world = nullptr)
    {
        world = world ? world : World();
        GfPhysicsShape* shape = g_api->ShapeCreateBox(world, size.x, size.y, size.z);
        GfPhysicsBody* body = g_api->BodyCreate(world, shape);
        g_api->ShapeRelease(shape);
        Matrix m = Translation(at);
        g_api->BodySetMatrix(body, m.data());
        if (mass > 0)
            g_api->BodySetMassMatrix(body, mass, size.z * mass, size.y * mass, 10 * mass);
        return body;
    }

    GfPhysicsBody* AddFallingBox(Vec size, Vec at, BodyState& state, GfPhysicsWorld* world = nullptr)
    {
        GfPhysicsBody* body = AddBox(size, at, 1, world);
        g_api->BodySetUserData(body, &state);
        g_api->BodySetForceAndTorqueCallback(body, &ApplyGravity);
        return body;
    }

    void Step(int count, float timeStep = 1.0f / 60)
    {
        for (int i = 0; i < count; ++i)
            g_api->WorldUpdate(World(), timeStep);
    }

    std::vector<GfPhysicsBody*> BodiesIn(Vec minimum, Vec maximum)
    {
        std::vector<GfPhysicsBody*> found;
        float low[3] = { minimum.x, minimum.y, minimum.z };
        float high[3] = { maximum.x, maximum.y, maximum.z };
        g_api->WorldForEachBodyInAabb(
            World(), low, high,
            [](GfPhysicsBody* body, void* context) {
                static_cast<std::vector<GfPhysicsBody*>*>(context)->push_back(body);
            },
            &found);
        return found;
    }

    static inline ModulePhysicsLoader* s_loader = nullptr;
    std::unique_ptr<GfPhysicsWorld, WorldDeleter> m_world;
};

const Vec kEverywhere[2] = { { -1e6f, -1e6f, -1e6f }, { 1e6f, 1e6f, 1e6f } };

} // namespace

TEST_F(PhysicsModule, BoxFallsAlongItsWorldsGravityOntoAStaticBoxAndFreezes)
{
    struct Case {
        std::string name;
        Vec worldMinimum, worldMaximum;
        Vec gravity;
        Vec floorSize, floorAt;
        Vec boxSize, boxAt;
        float speedSquared, spinSquared;
        bool upVector;
        Vec restAt;
        // Landing can nudge the box sideways a little; across gravity it must settle on top.
        float sideways, across;
    };
    const Case cases[] = {
        { "camera world, 3D units", { -1000, -1000, -1000 }, { 1000, 1000, 1000 }, { 0, 0, -8.9f },
            { 4, 4, 1 }, { 0, 0, 0 }, { 1, 1, 1 }, { 0, 0, 3 }, 0.05f, 0.05f, false, { 0, 0, 1 }, 0.05f,
            0.03f },
        { "screen world, pixels", { -1000, -1000, -10 }, { 2000, 2000, 10 }, { 0, 49, 0 }, { 400, 40, 20 },
            { 100, 200, 0 }, { 40, 40, 20 }, { 100, 100, 0 }, 1, 1, true, { 100, 160, 0 }, 5, 0.6f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<GfPhysicsWorld, WorldDeleter> world(g_api->WorldCreate());
        g_api->WorldSetSolverIterations(world.get(), 8);
        float low[3] = { c.worldMinimum.x, c.worldMinimum.y, c.worldMinimum.z };
        float high[3] = { c.worldMaximum.x, c.worldMaximum.y, c.worldMaximum.z };
        g_api->WorldSetSize(world.get(), low, high);

        AddBox(c.floorSize, c.floorAt, 0, world.get());
        BodyState state;
        state.gravity = { c.gravity.x, c.gravity.y, c.gravity.z };
        GfPhysicsBody* box = AddFallingBox(c.boxSize, c.boxAt, state, world.get());
        g_api->BodySetAutoFreeze(box, 1);
        g_api->BodySetFreezeThreshold(box, c.speedSquared, c.spinSquared, 5);
        if (c.upVector) {
            const float pin[3] = { 0, 0, 1 };
            EXPECT_EQ(g_api->BodyConstrainUpVector(box, pin), 1);
        }

        // Early on it moves along gravity only.
        for (int i = 0; i < 10; ++i)
            g_api->WorldUpdate(world.get(), 1.0f / 60);
        Vec moved = Position(box);
        Vec down = { moved.x - c.boxAt.x, moved.y - c.boxAt.y, moved.z - c.boxAt.z };
        float along = down.x * c.gravity.x + down.y * c.gravity.y + down.z * c.gravity.z;
        EXPECT_GT(along, 0);
        float length = std::sqrt(down.x * down.x + down.y * down.y + down.z * down.z);
        float gravityLength
            = std::sqrt(c.gravity.x * c.gravity.x + c.gravity.y * c.gravity.y + c.gravity.z * c.gravity.z);
        EXPECT_NEAR(along / gravityLength, length, 1e-4f * (1 + length));

        int steps = 0;
        while (g_api->BodyGetFreezeState(box) != kGfPhysicsFrozen && steps < 3000) {
            g_api->WorldUpdate(world.get(), 1.0f / 60);
            ++steps;
        }
        ASSERT_EQ(g_api->BodyGetFreezeState(box), kGfPhysicsFrozen)
            << "still moving after " << steps << " steps";
        Vec rest = Position(box);
        for (int axis = 0; axis < 3; ++axis) {
            float actual = (&rest.x)[axis], expected = (&c.restAt.x)[axis];
            EXPECT_NEAR(actual, expected, (&c.gravity.x)[axis] != 0 ? c.across : c.sideways)
                << "axis " << axis;
        }
        if (c.upVector) {
            Matrix m;
            g_api->BodyGetMatrix(box, m.data());
            ExpectNear({ m[8], m[9], m[10] }, { 0, 0, 1 }, 1e-4f);
        }

        // At rest it takes no more force and stays put.
        int calls = state.forceCalls;
        for (int i = 0; i < 20; ++i)
            g_api->WorldUpdate(world.get(), 1.0f / 60);
        EXPECT_EQ(state.forceCalls, calls);
        ExpectNear(Position(box), rest, 0);
    }
}

TEST_F(PhysicsModule, FreezesAfterTheGivenNumberOfConsecutiveSlowSteps)
{
    for (int steps : { 1, 5, 8 }) {
        SCOPED_TRACE("steps " + std::to_string(steps));
        BodyState weightless;
        GfPhysicsBody* body = AddFallingBox({ 1, 1, 1 }, { 0, 0, 0 }, weightless);
        g_api->BodySetFreezeThreshold(body, 0.05f, 0.05f, steps);
        Step(steps - 1);
        EXPECT_EQ(g_api->BodyGetFreezeState(body), kGfPhysicsAwake);
        Step(1);
        EXPECT_EQ(g_api->BodyGetFreezeState(body), kGfPhysicsFrozen);
        g_api->BodyDestroy(body);
    }
}

TEST_F(PhysicsModule, AFastStepStartsTheSlowCountAgain)
{
    GfPhysicsBody* body = AddBox({ 1, 1, 1 }, { 0, 0, 0 }, 1);
    g_api->BodySetFreezeThreshold(body, 0.05f, 0.05f, 5);
    const float origin[3] = { 0, 0, 0 };
    const float push[3] = { 1, 0, 0 };
    const float stop[3] = { -1, 0, 0 };

    Step(3);
    g_api->BodyAddImpulse(body, push, origin);
    Step(1);
    Matrix m;
    g_api->BodyGetMatrix(body, m.data());
    float at[3] = { m[12], m[13], m[14] };
    g_api->BodyAddImpulse(body, stop, at);
    Step(4);
    EXPECT_EQ(g_api->BodyGetFreezeState(body), kGfPhysicsAwake);
    Step(1);
    EXPECT_EQ(g_api->BodyGetFreezeState(body), kGfPhysicsFrozen);
}

TEST_F(PhysicsModule, OnlySlowBodiesWithAutoFreezeRest)
{
    struct Case {
        const char* name;
        int autoFreeze;
        float speed;
        bool frozen;
    };
    const Case cases[] = {
        { "at rest", 1, 0, true },
        { "creeping below the threshold", 1, 0.1f, true },
        { "moving above the threshold", 1, 1, false },
        { "auto-freeze off", 0, 0, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GfPhysicsBody* body = AddBox({ 1, 1, 1 }, { 0, 0, 0 }, 1);
        g_api->BodySetAutoFreeze(body, c.autoFreeze);
        g_api->BodySetFreezeThreshold(body, 0.05f, 0.05f, 5);
        const float origin[3] = { 0, 0, 0 };
        const float push[3] = { c.speed, 0, 0 };
        g_api->BodyAddImpulse(body, push, origin);
        Step(20);
        EXPECT_EQ(g_api->BodyGetFreezeState(body) == kGfPhysicsFrozen, c.frozen);
        g_api->BodyDestroy(body);
    }
}

TEST_F(PhysicsModule, ImpulseChangesTheVelocityOfItsPoint)
{
    struct Case {
        const char* name;
        Vec point;
        Vec deltaVelocity;
        Vec centreVelocity;
    };
    // A unit-mass body with unit inertia: pushing sideways at arm 1 shares the change evenly
    // between moving and turning; pushing along the arm only moves it.
    const Case cases[] = {
        { "at the centre", { 0, 0, 0 }, { 1, 0, 0 }, { 1, 0, 0 } },
        { "sideways at arm 1", { 0, 1, 0 }, { 1, 0, 0 }, { 0.5f, 0, 0 } },
        { "sideways at arm 2", { 0, 0, 2 }, { 0, 1, 0 }, { 0, 0.2f, 0 } },
        { "along the arm", { 1, 0, 0 }, { 1, 0, 0 }, { 1, 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GfPhysicsShape* shape = g_api->ShapeCreateSphere(World(), 1, 1, 1);
        GfPhysicsBody* body = g_api->BodyCreate(World(), shape);
        g_api->ShapeRelease(shape);
        g_api->BodySetMassMatrix(body, 1, 1, 1, 1);
        const float point[3] = { c.point.x, c.point.y, c.point.z };
        const float change[3] = { c.deltaVelocity.x, c.deltaVelocity.y, c.deltaVelocity.z };
        g_api->BodyAddImpulse(body, change, point);
        ExpectNear(Velocity(body), c.centreVelocity, 1e-4f);
        g_api->BodyDestroy(body);
    }
}

TEST_F(PhysicsModule, ImpulseWakesAFrozenBodyAndMovesIt)
{
    GfPhysicsBody* body = AddBox({ 1, 1, 1 }, { 0, 0, 0 }, 1);
    g_api->BodySetFreezeThreshold(body, 0.05f, 0.05f, 5);
    Step(5);
    ASSERT_EQ(g_api->BodyGetFreezeState(body), kGfPhysicsFrozen);

    const float origin[3] = { 0, 0, 0 };
    const float push[3] = { 2, 0, 0 };
    g_api->BodyAddImpulse(body, push, origin);
    EXPECT_EQ(g_api->BodyGetFreezeState(body), kGfPhysicsAwake);
    ExpectNear(Velocity(body), { 2, 0, 0 }, 1e-5f);
    Step(1, 0.1f);
    ExpectNear(Position(body), { 0.2f, 0, 0 }, 1e-4f);
}

TEST_F(PhysicsModule, StaticBodiesIgnoreImpulses)
{
    GfPhysicsBody* body = AddBox({ 1, 1, 1 }, { 0, 0, 0 });
    const float origin[3] = { 0, 0, 0 };
    const float push[3] = { 2, 0, 0 };
    g_api->BodyAddImpulse(body, push, origin);
    Step(10);
    ExpectNear(Velocity(body), { 0, 0, 0 }, 0);
    ExpectNear(Position(body), { 0, 0, 0 }, 0);
}

TEST_F(PhysicsModule, ForceActsThroughTheMassOnceForEachStep)
{
    for (float mass : { 1.0f, 2.0f, 4.0f }) {
        SCOPED_TRACE("mass " + std::to_string(mass));
        GfPhysicsBody* body = AddBox({ 1, 1, 1 }, { 0, 0, 0 }, mass);
        BodyState state;
        state.gravity = { 0, 0, -8 };
        g_api->BodySetUserData(body, &state);
        g_api->BodySetForceAndTorqueCallback(body, &ApplyGravity);
        Step(3, 0.05f);
        EXPECT_EQ(state.forceCalls, 3);
        ExpectNear(Velocity(body), { 0, 0, -8 / mass * 0.15f }, 1e-4f);
        g_api->BodyDestroy(body);
    }
}

TEST_F(PhysicsModule, ForceCallbacksSkipStaticFrozenAndRetiredBodies)
{
    BodyState staticState, frozenState, retiredState, awakeState;
    GfPhysicsBody* fixed = AddBox({ 1, 1, 1 }, { 10, 0, 0 });
    g_api->BodySetUserData(fixed, &staticState);
    g_api->BodySetForceAndTorqueCallback(fixed, &ApplyGravity);

    GfPhysicsBody* frozen = AddFallingBox({ 1, 1, 1 }, { 20, 0, 0 }, frozenState);
    g_api->BodySetFreezeThreshold(frozen, 0.05f, 0.05f, 1);
    Step(1);
    ASSERT_EQ(g_api->BodyGetFreezeState(frozen), kGfPhysicsFrozen);

    GfPhysicsBody* retired = AddFallingBox({ 1, 1, 1 }, { 30, 0, 0 }, retiredState);
    g_api->BodyRetire(retired);
    AddFallingBox({ 1, 1, 1 }, { 40, 0, 0 }, awakeState);
    awakeState.gravity = { 0, 0, -1 };

    frozenState.forceCalls = 0;
    Step(4);
    EXPECT_EQ(staticState.forceCalls, 0);
    EXPECT_EQ(frozenState.forceCalls, 0);
    EXPECT_EQ(retiredState.forceCalls, 0);
    EXPECT_EQ(awakeState.forceCalls, 4);
    ExpectNear(Position(retired), { 30, 0, 0 }, 0);
}

TEST_F(PhysicsModule, StepsAreClampedAndNonPositiveStepsDoNothing)
{
    auto fall = [&](std::initializer_list<float> timeSteps) {
        std::unique_ptr<GfPhysicsWorld, WorldDeleter> world(g_api->WorldCreate());
        BodyState state;
        state.gravity = { 0, 0, -9 };
        GfPhysicsBody* body = AddFallingBox({ 1, 1, 1 }, { 0, 0, 0 }, state, world.get());
        g_api->BodySetAutoFreeze(body, 0);
        for (float timeStep : timeSteps)
            g_api->WorldUpdate(world.get(), timeStep);
        return std::make_pair(Position(body), state.forceCalls);
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();

    auto [still, stillCalls] = fall({ 0.0f, -1.0f, nan, -infinity });
    ExpectNear(still, { 0, 0, 0 }, 0);
    EXPECT_EQ(stillCalls, 0);

    auto [reference, referenceCalls] = fall({ 0.1f });
    EXPECT_LT(reference.z, 0);
    for (float longStep : { 10.0f, infinity }) {
        SCOPED_TRACE("step " + std::to_string(longStep));
        auto [clamped, calls] = fall({ longStep });
        ExpectNear(clamped, reference, 0);
        EXPECT_EQ(calls, referenceCalls);
    }
}

TEST_F(PhysicsModule, BoxQueriesReportBodiesInCreationOrder)
{
    std::vector<GfPhysicsBody*> boxes;
    for (int i = 0; i < 5; ++i)
        boxes.push_back(AddBox({ 1, 1, 1 }, { 2.0f * i, 0, 0 }));

    struct Case {
        const char* name;
        Vec minimum, maximum;
        std::vector<int> expected;
    };
    const Case cases[] = {
        { "all", { -1, -1, -1 }, { 9, 1, 1 }, { 0, 1, 2, 3, 4 } },
        { "inside two", { 1.6f, -1, -1 }, { 4.4f, 1, 1 }, { 1, 2 } },
        { "touching faces count", { 0.5f, -1, -1 }, { 1.5f, 1, 1 }, { 0, 1 } },
        { "between boxes", { 0.6f, -1, -1 }, { 1.4f, 1, 1 }, {} },
        { "above them all", { -1, 0.6f, -1 }, { 9, 1, 1 }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<GfPhysicsBody*> expected;
        for (int i : c.expected)
            expected.push_back(boxes[i]);
        EXPECT_EQ(BodiesIn(c.minimum, c.maximum), expected);
    }

    // Bodies that leave the engine's own list (destroyed, or re-filed when their mass
    // changes) must not reorder the others.
    g_api->BodyDestroy(boxes[1]);
    g_api->BodySetMassMatrix(boxes[0], 1, 1, 1, 1);
    g_api->BodySetMassMatrix(boxes[0], 0, 0, 0, 0);
    std::vector<GfPhysicsBody*> expected = { boxes[0], boxes[2], boxes[3], boxes[4] };
    EXPECT_EQ(BodiesIn({ -1, -1, -1 }, { 9, 1, 1 }), expected);
}

TEST_F(PhysicsModule, RetiredBodiesAreInvisibleUntilDestroyed)
{
    GfPhysicsBody* a = AddBox({ 1, 1, 1 }, { 0, 0, 0 });
    GfPhysicsBody* b = AddBox({ 1, 1, 1 }, { 0.5f, 0, 0 }, 1);
    GfPhysicsBody* c = AddBox({ 1, 1, 1 }, { 0, 0.5f, 0 });
    ASSERT_EQ(g_api->BodyCollide(a, b, nullptr, nullptr, nullptr), 1);

    g_api->BodyRetire(b);
    g_api->BodyRetire(b);
    std::vector<GfPhysicsBody*> expected = { a, c };
    EXPECT_EQ(BodiesIn(kEverywhere[0], kEverywhere[1]), expected);
    EXPECT_EQ(g_api->BodyCollide(a, b, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(g_api->BodyCollide(b, a, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(g_api->BodyCollide(a, c, nullptr, nullptr, nullptr), 1);

    // Still a valid handle: the caller reads it while it waits for destruction.
    EXPECT_EQ(g_api->BodyGetWorld(b), World());
    Step(3);
    ExpectNear(Position(b), { 0.5f, 0, 0 }, 0);
    g_api->BodyDestroy(b);
    EXPECT_EQ(BodiesIn(kEverywhere[0], kEverywhere[1]), expected);
}

TEST_F(PhysicsModule, BodiesRestingOnARemovedBodyWakeUp)
{
    struct Case {
        const char* name;
        void (*remove)(GfPhysicsBody* floor);
    };
    const Case cases[] = {
        { "retired", [](GfPhysicsBody* floor) { g_api->BodyRetire(floor); } },
        { "destroyed", [](GfPhysicsBody* floor) { g_api->BodyDestroy(floor); } },
        { "moved away",
            [](GfPhysicsBody* floor) {
                Matrix far = Translation({ 0, 0, 16777215 });
                g_api->BodySetMatrix(floor, far.data());
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<GfPhysicsWorld, WorldDeleter> world(g_api->WorldCreate());
        GfPhysicsBody* floor = AddBox({ 4, 4, 1 }, { 0, 0, 0 }, 0, world.get());
        BodyState state;
        state.gravity = { 0, 0, -8.9f };
        GfPhysicsBody* box = AddFallingBox({ 1, 1, 1 }, { 0, 0, 1.2f }, state, world.get());
        g_api->BodySetFreezeThreshold(box, 0.05f, 0.05f, 5);
        for (int i = 0; i < 600 && g_api->BodyGetFreezeState(box) != kGfPhysicsFrozen; ++i)
            g_api->WorldUpdate(world.get(), 1.0f / 60);
        ASSERT_EQ(g_api->BodyGetFreezeState(box), kGfPhysicsFrozen);

        c.remove(floor);
        for (int i = 0; i < 30; ++i)
            g_api->WorldUpdate(world.get(), 1.0f / 60);
        EXPECT_LT(Position(box).z, 0.5f);
    }
}

TEST_F(PhysicsModule, DestroyingBodiesInsideAQueryIsSafe)
{
    for (int i = 0; i < 4; ++i)
        AddBox({ 1, 1, 1 }, { 0.5f * i, 0, 0 });
    struct Visit {
        int count = 0;
        std::vector<GfPhysicsBody*> all;
    } visit;
    visit.all = BodiesIn(kEverywhere[0], kEverywhere[1]);
    const float low[3] = { -10, -10, -10 };
    const float high[3] = { 10, 10, 10 };
    // Each visit destroys every body, itself included; the others are no longer reported.
    g_api->WorldForEachBodyInAabb(
        World(), low, high,
        [](GfPhysicsBody*, void* context) {
            auto* v = static_cast<Visit*>(context);
            ++v->count;
            for (GfPhysicsBody* body : v->all)
                g_api->BodyDestroy(body);
            v->all.clear();
        },
        &visit);
    EXPECT_EQ(visit.count, 1);
    EXPECT_TRUE(BodiesIn(kEverywhere[0], kEverywhere[1]).empty());
}

TEST_F(PhysicsModule, ContactNormalPointsOutOfBTowardsA)
{
    enum Kind { Box, Sphere };
    struct Case {
        const char* name;
        Kind a;
        Vec aAt;
        Kind b;
        Vec bAt;
        int contacts;
        Vec normal;
        float penetration;
        // On B's surface; only its height along the normal is fixed when faces meet.
        Vec point;
        bool pointFixed;
    };
    // Unit boxes and spheres of radius 0.5.
    const Case cases[] = {
        { "A above B", Box, { 0, 0, 0.9f }, Box, { 0, 0, 0 }, 1, { 0, 0, 1 }, 0.1f, { 0, 0, 0.5f }, false },
        { "A below B", Box, { 0, 0, 0 }, Box, { 0, 0, 0.9f }, 1, { 0, 0, -1 }, 0.1f, { 0, 0, 0.4f }, false },
        { "A beside B", Box, { 0.8f, 0, 0 }, Box, { 0, 0, 0 }, 1, { 1, 0, 0 }, 0.2f, { 0.5f, 0, 0 }, false },
        { "sphere A above box B", Sphere, { 0, 0, 0.9f }, Box, { 0, 0, 0 }, 1, { 0, 0, 1 }, 0.1f,
            { 0, 0, 0.5f }, true },
        { "box A beside sphere B", Box, { 0, -0.9f, 0 }, Sphere, { 0, 0, 0 }, 1, { 0, -1, 0 }, 0.1f,
            { 0, -0.5f, 0 }, true },
        { "spheres", Sphere, { 0.7f, 0, 0 }, Sphere, { 0, 0, 0 }, 1, { 1, 0, 0 }, 0.3f, { 0.5f, 0, 0 },
            true },
        { "just touching", Box, { 0, 0, 1 }, Box, { 0, 0, 0 }, 1, { 0, 0, 1 }, 0, { 0, 0, 0.5f }, false },
        { "apart", Box, { 0, 0, 1.2f }, Box, { 0, 0, 0 }, 0, {}, 0, {}, false },
    };
    auto shape = [&](Kind kind) {
        return kind == Box ? g_api->ShapeCreateBox(World(), 1, 1, 1)
                           : g_api->ShapeCreateSphere(World(), 0.5f, 0.5f, 0.5f);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GfPhysicsShape* shapeA = shape(c.a);
        GfPhysicsShape* shapeB = shape(c.b);
        Matrix matrixA = Translation(c.aAt), matrixB = Translation(c.bAt);
        float point[3] = {}, normal[3] = {}, depth = -1;
        EXPECT_EQ(g_api->CollisionCollide(
                      World(), 1, shapeA, matrixA.data(), shapeB, matrixB.data(), point, normal, &depth),
            c.contacts);
        if (c.contacts) {
            ExpectNear({ normal[0], normal[1], normal[2] }, c.normal, 1e-3f);
            auto height = [&](Vec p) { return p.x * c.normal.x + p.y * c.normal.y + p.z * c.normal.z; };
            EXPECT_NEAR(height({ point[0], point[1], point[2] }), height(c.point), 1e-3f);
            if (c.pointFixed)
                ExpectNear({ point[0], point[1], point[2] }, c.point, 1e-3f);
            EXPECT_NEAR(depth, c.penetration, 1e-3f);
        }

        // The same through bodies at those matrices.
        GfPhysicsBody* a = g_api->BodyCreate(World(), shapeA);
        GfPhysicsBody* b = g_api->BodyCreate(World(), shapeB);
        g_api->BodySetMatrix(a, matrixA.data());
        g_api->BodySetMatrix(b, matrixB.data());
        float bodyNormal[3] = {};
        EXPECT_EQ(g_api->BodyCollide(a, b, nullptr, bodyNormal, nullptr), c.contacts);
        if (c.contacts)
            ExpectNear({ bodyNormal[0], bodyNormal[1], bodyNormal[2] }, c.normal, 1e-3f);
        g_api->BodyDestroy(a);
        g_api->BodyDestroy(b);
        g_api->ShapeRelease(shapeA);
        g_api->ShapeRelease(shapeB);
    }
}

TEST_F(PhysicsModule, CollisionIgnoresTheScaleOfTheMatrices)
{
    GfPhysicsShape* box = g_api->ShapeCreateBox(World(), 1, 1, 1);
    Matrix below = Translation({ 0, 0, 0 });
    Matrix above = Translation({ 0, 0, 1.5f });
    EXPECT_EQ(
        g_api->CollisionCollide(World(), 1, box, above.data(), box, below.data(), nullptr, nullptr, nullptr),
        0);
    // Scaled up threefold the boxes would overlap; the shape's own size is what counts.
    for (int axis : { 0, 5, 10 })
        below[axis] = above[axis] = 3;
    EXPECT_EQ(
        g_api->CollisionCollide(World(), 1, box, above.data(), box, below.data(), nullptr, nullptr, nullptr),
        0);
    g_api->ShapeRelease(box);
}

TEST_F(PhysicsModule, MatricesComeBackOrthonormalWithTheirPosition)
{
    struct Case {
        const char* name;
        Matrix given;
        Matrix expected;
    };
    Matrix scaled = RotationZ(30, { 1, 2, 3 });
    for (int i = 0; i < 3; ++i) {
        scaled[i] *= 2;
        scaled[4 + i] *= 3;
        scaled[8 + i] *= 4;
    }
    Matrix mirrored = Translation({ 5, 0, 0 });
    mirrored[0] = -1;
    const Case cases[] = {
        { "translation", Translation({ 1, -2, 3 }), Translation({ 1, -2, 3 }) },
        { "rotation", RotationZ(30, { 1, 2, 3 }), RotationZ(30, { 1, 2, 3 }) },
        { "scaled axes", scaled, RotationZ(30, { 1, 2, 3 }) },
        { "mirrored X", mirrored, Translation({ 5, 0, 0 }) },
    };
    GfPhysicsBody* body = AddBox({ 1, 1, 1 }, { 0, 0, 0 });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_api->BodySetMatrix(body, c.given.data());
        Matrix m;
        g_api->BodyGetMatrix(body, m.data());
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(m[i], c.expected[i], 1e-5f) << "element " << i;
    }

    Matrix broken = Translation({ 9, 9, 9 });
    broken[13] = std::numeric_limits<float>::quiet_NaN();
    g_api->BodySetMatrix(body, broken.data());
    ExpectNear(Position(body), { 5, 0, 0 }, 0);
}

TEST_F(PhysicsModule, ShapesHaveTheirSizesAlongTheRightAxes)
{
    struct Case {
        const char* name;
        GfPhysicsShape* (*make)(GfPhysicsWorld*);
        Vec halfSize;
        float tolerance;
    };
    const Case cases[] = {
        { "box by full sizes", [](GfPhysicsWorld* w) { return g_api->ShapeCreateBox(w, 2, 4, 6); },
            { 1, 2, 3 }, 1e-5f },
        { "negative sizes", [](GfPhysicsWorld* w) { return g_api->ShapeCreateBox(w, -2, 4, -6); },
            { 1, 2, 3 }, 1e-5f },
        { "sphere", [](GfPhysicsWorld* w) { return g_api->ShapeCreateSphere(w, 2, 2, 2); }, { 2, 2, 2 },
            1e-5f },
        { "ellipsoid", [](GfPhysicsWorld* w) { return g_api->ShapeCreateSphere(w, 1, 2, 3); }, { 1, 2, 3 },
            0.05f },
        { "cone along X", [](GfPhysicsWorld* w) { return g_api->ShapeCreateCone(w, 1, 4); }, { 2, 1, 1 },
            0.1f },
        { "cylinder along X", [](GfPhysicsWorld* w) { return g_api->ShapeCreateCylinder(w, 1, 4); },
            { 2, 1, 1 }, 1e-5f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GfPhysicsShape* shape = c.make(World());
        ASSERT_NE(shape, nullptr);
        GfPhysicsBody* body = g_api->BodyCreate(World(), shape);
        g_api->ShapeRelease(shape);
        float low[3], high[3];
        g_api->BodyGetAabb(body, low, high);
        ExpectNear({ high[0], high[1], high[2] }, c.halfSize, c.tolerance);
        ExpectNear({ -low[0], -low[1], -low[2] }, c.halfSize, c.tolerance);
        g_api->BodyDestroy(body);
    }
}

TEST_F(PhysicsModule, ConeApexPointsAlongPositiveX)
{
    GfPhysicsShape* cone = g_api->ShapeCreateCone(World(), 1, 2);
    GfPhysicsShape* probe = g_api->ShapeCreateBox(World(), 0.2f, 0.2f, 0.2f);
    Matrix coneAt = Translation({ 0, 0, 0 });
    // Near the base rim (x = -1) the cone is wide; near the apex (x = +1) it is a point.
    Matrix nearBaseRim = Translation({ -0.8f, 0.8f, 0 });
    Matrix nearApexSide = Translation({ 0.8f, 0.8f, 0 });
    EXPECT_EQ(g_api->CollisionCollide(
                  World(), 1, probe, nearBaseRim.data(), cone, coneAt.data(), nullptr, nullptr, nullptr),
        1);
    EXPECT_EQ(g_api->CollisionCollide(
                  World(), 1, probe, nearApexSide.data(), cone, coneAt.data(), nullptr, nullptr, nullptr),
        0);
    g_api->ShapeRelease(cone);
    g_api->ShapeRelease(probe);
}

TEST_F(PhysicsModule, UpVectorKeepsTheBodysZAxis)
{
    struct Case {
        const char* name;
        bool constrained;
    };
    for (const Case& c : { Case { "constrained", true }, Case { "free", false } }) {
        SCOPED_TRACE(c.name);
        GfPhysicsBody* body = AddBox({ 40, 40, 20 }, { 0, 0, 0 }, 1);
        g_api->BodySetAutoFreeze(body, 0);
        if (c.constrained) {
            const float pin[3] = { 0, 0, 1 };
            ASSERT_EQ(g_api->BodyConstrainUpVector(body, pin), 1);
        }
        const float point[3] = { 0, 20, 10 };
        const float push[3] = { 30, 0, 20 };
        g_api->BodyAddImpulse(body, push, point);
        Step(30);
        Matrix m;
        g_api->BodyGetMatrix(body, m.data());
        float drift = std::fabs(m[8]) + std::fabs(m[9]) + std::fabs(m[10] - 1);
        if (c.constrained) {
            EXPECT_LT(drift, 1e-4f);
            EXPECT_GT(std::fabs(m[1]), 0.01f) << "it still turns about Z";
        } else {
            EXPECT_GT(drift, 0.01f);
        }
        g_api->BodyDestroy(body);
    }

    struct Pin {
        Vec direction;
        int32_t applied;
    };
    const Pin pins[] = {
        { { 0, 0, 1 }, 1 },
        { { 0, 0, -2 }, 1 },
        { { 1, 0, 0 }, 1 },
        { { 1, 1, 0 }, 0 },
        { { 0, 0, 0 }, 0 },
    };
    GfPhysicsBody* body = AddBox({ 1, 1, 1 }, { 0, 0, 0 }, 1);
    for (const Pin& p : pins) {
        const float pin[3] = { p.direction.x, p.direction.y, p.direction.z };
        EXPECT_EQ(g_api->BodyConstrainUpVector(body, pin), p.applied)
            << p.direction.x << " " << p.direction.y << " " << p.direction.z;
    }
}

TEST_F(PhysicsModule, BodiesLeavingTheWorldBoxStop)
{
    const float low[3] = { -10, -10, -10 };
    const float high[3] = { 10, 10, 10 };
    g_api->WorldSetSize(World(), low, high);
    GfPhysicsBody* body = AddBox({ 1, 1, 1 }, { 8, 0, 0 }, 1);
    g_api->BodySetAutoFreeze(body, 0);
    const float push[3] = { 60, 0, 0 };
    const float at[3] = { 8, 0, 0 };
    g_api->BodyAddImpulse(body, push, at);

    int steps = 0;
    while (g_api->BodyGetFreezeState(body) != kGfPhysicsOutsideWorld && steps < 100) {
        Step(1);
        ++steps;
    }
    ASSERT_EQ(g_api->BodyGetFreezeState(body), kGfPhysicsOutsideWorld);
    // Stopped just past the border: its box no longer meets the world's.
    EXPECT_GT(Position(body).x, 10.5f);
    EXPECT_LT(Position(body).x, 10.5f + 1.5f);
    Vec stopped = Position(body);
    g_api->BodyAddImpulse(body, push, at);
    Step(5);
    ExpectNear(Position(body), stopped, 0);
    ExpectNear(Velocity(body), { 0, 0, 0 }, 0);

    // Put back inside, it moves again.
    Matrix inside = Translation({ 0, 0, 0 });
    g_api->BodySetMatrix(body, inside.data());
    EXPECT_EQ(g_api->BodyGetFreezeState(body), kGfPhysicsAwake);
    const float origin[3] = { 0, 0, 0 };
    const float slow[3] = { 1, 0, 0 };
    g_api->BodyAddImpulse(body, slow, origin);
    Step(1, 0.1f);
    EXPECT_NEAR(Position(body).x, 0.1f, 1e-4f);

    // The rule holds for bodies made dynamic outside, and follows the world box.
    GfPhysicsBody* outside = AddBox({ 1, 1, 1 }, { 50, 0, 0 }, 1);
    GfPhysicsBody* fixedOutside = AddBox({ 1, 1, 1 }, { 60, 0, 0 });
    EXPECT_EQ(g_api->BodyGetFreezeState(outside), kGfPhysicsOutsideWorld);
    EXPECT_EQ(g_api->BodyGetFreezeState(fixedOutside), kGfPhysicsAwake);
    const float wider[3] = { 100, 100, 100 };
    g_api->WorldSetSize(World(), low, wider);
    EXPECT_EQ(g_api->BodyGetFreezeState(outside), kGfPhysicsAwake);
}

TEST_F(PhysicsModule, MassDecidesBetweenStaticAndDynamic)
{
    BodyState state;
    state.gravity = { 0, 0, -10 };
    GfPhysicsBody* body = AddBox({ 1, 1, 1 }, { 0, 0, 5 });
    g_api->BodySetUserData(body, &state);
    g_api->BodySetForceAndTorqueCallback(body, &ApplyGravity);
    Step(5);
    ExpectNear(Position(body), { 0, 0, 5 }, 0);

    g_api->BodySetMassMatrix(body, 1, 1, 1, 1);
    Step(5);
    EXPECT_LT(Position(body).z, 5);

    for (float notAMass : { 0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN() }) {
        SCOPED_TRACE("mass " + std::to_string(notAMass));
        g_api->BodySetMassMatrix(body, 1, 1, 1, 1);
        Step(1);
        g_api->BodySetMassMatrix(body, notAMass, 1, 1, 1);
        Vec held = Position(body);
        Step(5);
        ExpectNear(Position(body), held, 0);
        ExpectNear(Velocity(body), { 0, 0, 0 }, 0);
    }
}

TEST_F(PhysicsModule, ShapesLiveAsLongAsTheirBodies)
{
    GfPhysicsShape* shape = g_api->ShapeCreateBox(World(), 1, 1, 1);
    GfPhysicsBody* a = g_api->BodyCreate(World(), shape);
    GfPhysicsBody* b = g_api->BodyCreate(World(), shape);
    g_api->ShapeRelease(shape);
    EXPECT_EQ(g_api->BodyGetCollision(a), shape);
    g_api->BodyDestroy(a);
    // b still collides through the shared shape.
    GfPhysicsBody* c = AddBox({ 1, 1, 1 }, { 0.5f, 0, 0 });
    EXPECT_EQ(g_api->BodyCollide(b, c, nullptr, nullptr, nullptr), 1);

    // A shape of another world is refused.
    std::unique_ptr<GfPhysicsWorld, WorldDeleter> other(g_api->WorldCreate());
    GfPhysicsShape* foreign = g_api->ShapeCreateBox(other.get(), 1, 1, 1);
    EXPECT_EQ(g_api->BodyCreate(World(), foreign), nullptr);
    g_api->ShapeRelease(foreign);
    // The world goes with b and c still in it.
}

TEST_F(PhysicsModule, NullHandlesAreHarmless)
{
    Matrix m;
    g_api->BodyGetMatrix(nullptr, m.data());
    EXPECT_EQ(m, Translation({ 0, 0, 0 }));
    EXPECT_EQ(g_api->BodyCreate(nullptr, nullptr), nullptr);
    EXPECT_EQ(g_api->BodyCreate(World(), nullptr), nullptr);
    EXPECT_EQ(g_api->ShapeCreateBox(nullptr, 1, 1, 1), nullptr);
    EXPECT_EQ(g_api->BodyGetUserData(nullptr), nullptr);
    EXPECT_EQ(g_api->BodyGetWorld(nullptr), nullptr);
    EXPECT_EQ(g_api->BodyCollide(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    g_api->BodyDestroy(nullptr);
    g_api->BodyRetire(nullptr);
    g_api->ShapeRelease(nullptr);
    g_api->WorldUpdate(nullptr, 0.1f);
    g_api->WorldDestroy(nullptr);
}

TEST_F(PhysicsModule, AMovingBodyWakesTheFrozenBodyItHits)
{
    GfPhysicsBody* resting = AddBox({ 1, 1, 1 }, { 0, 0, 0 }, 1);
    g_api->BodySetFreezeThreshold(resting, 0.05f, 0.05f, 5);
    Step(5);
    ASSERT_EQ(g_api->BodyGetFreezeState(resting), kGfPhysicsFrozen);

    GfPhysicsBody* moving = AddBox({ 1, 1, 1 }, { -3, 0, 0 }, 1);
    const float at[3] = { -3, 0, 0 };
    const float push[3] = { 5, 0, 0 };
    g_api->BodyAddImpulse(moving, push, at);
    Step(60);
    EXPECT_GT(Position(resting).x, 0.1f);
}

TEST_F(PhysicsModule, ImpulsesFromABoxQueryPushBodiesAwayFromACentre)
{
    // What an explosion does: every body whose box meets the cube around the centre gets the
    // same speed away from it, whatever its distance.
    struct Blast {
        Vec centre;
        float speed;
    } blast { { 0, 0, 0 }, 3 };
    std::vector<GfPhysicsBody*> bodies = {
        AddBox({ 1, 1, 1 }, { 4, 4, 4 }, 1),
        AddBox({ 1, 1, 1 }, { 1, 0, 0 }, 1),
        AddBox({ 1, 1, 1 }, { 0, -2, 0 }, 1),
        AddBox({ 1, 1, 1 }, { 7, 0, 0 }, 1),
    };
    const float low[3] = { -5, -5, -5 };
    const float high[3] = { 5, 5, 5 };
    g_api->WorldForEachBodyInAabb(
        World(), low, high,
        [](GfPhysicsBody* body, void* context) {
            const auto& b = *static_cast<Blast*>(context);
            Vec p = Position(body);
            Vec away = { p.x - b.centre.x, p.y - b.centre.y, p.z - b.centre.z };
            float length = std::sqrt(away.x * away.x + away.y * away.y + away.z * away.z);
            const float change[3]
                = { b.speed * away.x / length, b.speed * away.y / length, b.speed * away.z / length };
            const float at[3] = { p.x, p.y, p.z };
            g_api->BodyAddImpulse(body, change, at);
        },
        &blast);

    float diagonal = 3 / std::sqrt(3.0f);
    ExpectNear(Velocity(bodies[0]), { diagonal, diagonal, diagonal }, 1e-4f);
    ExpectNear(Velocity(bodies[1]), { 3, 0, 0 }, 1e-4f);
    ExpectNear(Velocity(bodies[2]), { 0, -3, 0 }, 1e-4f);
    ExpectNear(Velocity(bodies[3]), { 0, 0, 0 }, 0);
}
