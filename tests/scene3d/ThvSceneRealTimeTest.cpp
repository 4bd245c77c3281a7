#include "tests/scene3d/ThvSceneTestSupport.h"

#include "scene3d/ThvPhysics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenetest;

namespace {

/// Logs each tick it gets ("tick @Name 1.5 0.25").
class TTicker : public ThvVisualObject {
public:
    using ThvVisualObject::ThvVisualObject;
    /// Freed by its next tick.
    rtl::TComponent* freeOnTick = nullptr;

    void ProcessTick(double time, double deltaTime) override
    {
        Log().push_back("tick @" + GetName() + " " + Num(static_cast<float>(time)) + " "
            + Num(static_cast<float>(deltaTime)));
        if (rtl::TComponent* victim = freeOnTick) {
            freeOnTick = nullptr;
            victim->Free();
            return;
        }
        ThvVisualObject::ProcessTick(time, deltaTime);
    }

protected:
    ~TTicker() override = default;
};

/// An engine with two worlds that logs the steps it is asked for.
class TStepPhysics : public ThvPhysics {
public:
    explicit TStepPhysics(ThvScene* scene)
        : ThvPhysics(scene)
    { }

    static inline bool withWorlds = true;

    ThvPhysicsWorld CreateWorld() override { return nullptr; }
    void DestroyWorld(ThvPhysicsWorld) override { }
    void Update(ThvPhysicsWorld world, double deltaTime) override
    {
        Log().push_back(std::string("step ") + (world == m_cameraWorld ? "camera " : "screen ")
            + Num(static_cast<float>(deltaTime)));
    }
    void TrackCollisions(ThvVisualObject*, std::vector<ThvVisualObject*>&) override { }
    void QueryCollisions(ThvVisualObject*, std::vector<ThvVisualObject*>&) override { }
    ThvVisualObject* GetBodyObject(ThvPhysicsBody) override { return nullptr; }
    ThvPhysicsBody CreateBox(ThvVisualObject*, const ThvVector&) override { return MakeWorlds(); }
    ThvPhysicsBody CreateSphere(ThvVisualObject*, const ThvVector&) override { return MakeWorlds(); }
    ThvPhysicsBody CreateCone(ThvVisualObject*, const ThvVector&) override { return MakeWorlds(); }
    ThvPhysicsBody CreateCylinder(ThvVisualObject*, const ThvVector&) override { return MakeWorlds(); }
    void DestroyBody(ThvPhysicsBody& body) override { body = 0; }
    void SetBodyMatrix(ThvPhysicsBody, const ThvMatrix&) override { }
    ThvMatrix GetBodyMatrix(ThvPhysicsBody) override { return hvIdentityMatrix; }
    void AddImpulse(ThvVisualObject*, const ThvVector&) override { }
    void Explosion(ThvPhysicsWorld, const ThvVector&, float, float) override { }

private:
    ThvPhysicsBody MakeWorlds()
    {
        if (withWorlds) {
            m_cameraWorld = &m_worlds[0];
            m_screenWorld = &m_worlds[1];
        }
        return 1;
    }
    int m_worlds[2] = {};
};

class RealTimeScene : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        m_previousPhysics = hvDefaultPhysicsClass;
        hvDefaultPhysicsClass = &kPhysicsClassOf<TStepPhysics>;
        TStepPhysics::withWorlds = true;
        ShowScene();
    }
    void TearDown() override
    {
        SceneFixture::TearDown();
        hvDefaultPhysicsClass = m_previousPhysics;
        app.SetOnIdle({});
    }

    TTicker* Ticker(const std::string& name)
    {
        auto* ticker = new TTicker(owner.get());
        ticker->SetName(name);
        scene->AddObject(ticker);
        return ticker;
    }

    /// Handles what is pending, then runs one idle turn at `ms` on the clock; the lines that
    /// turn logged.
    std::vector<std::string> IdleAt(
        int64_t ms, const std::vector<std::string>& prefixes = { "tick", "step", "BeginScene" })
    {
        app.ProcessMessages();
        app.SetTime(ms);
        TakeLog();
        app.ProcessOne();
        return Only(TakeLog(), prefixes);
    }

private:
    const ThvPhysicsClass* m_previousPhysics = nullptr;
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(RealTimeScene, EachIdleTurnTicksStepsBothWorldsAndRenders)
{
    Ticker("First");
    auto* body = Ticker("Second");
    body->SetCollider(true); // the scene makes its engine, and the engine its worlds
    ASSERT_NE(scene->GetPhysics(), nullptr);

    scene->SetRealTime(true);
    const Lines frame = IdleAt(5000, { "tick @First", "tick @Second", "step", "BeginScene" });
    EXPECT_EQ(frame,
        (Lines { "tick @First 5 0.001", "tick @Second 5 0.001", "step camera 0.001", "step screen 0.001",
            "BeginScene" }))
        << "the first frame after switching on has the smallest step";
    EXPECT_EQ(IdleAt(5250, { "tick @First", "step camera" }),
        (Lines { "tick @First 5.25 0.25", "step camera 0.25" }));
}

TEST_F(RealTimeScene, TimeStepsNeverStopOrRunBackwards)
{
    struct Case {
        int64_t ms;
        float time;
        float delta;
    };
    const Case frames[] = {
        { 2000, 2, 0.001f }, // first frame
        { 2000, 2, 0.001f }, // the same millisecond
        { 2040, 2.04f, 0.04f },
        { 2041, 2.041f, 0.001f },
    };
    scene->SetRealTime(true);
    for (const Case& c : frames) {
        SCOPED_TRACE(c.ms);
        IdleAt(c.ms);
        EXPECT_FLOAT_EQ(static_cast<float>(scene->GetTime()), c.time);
        EXPECT_NEAR(scene->GetDeltaTime(), c.delta, 1e-6);
    }
}

TEST_F(RealTimeScene, FramesPerSecondChangeOnlyAfterASecondOfFrames)
{
    scene->SetRealTime(true);
    IdleAt(1000);
    for (int64_t ms = 1100; ms <= 1900; ms += 100) {
        IdleAt(ms);
        EXPECT_EQ(scene->GetFPS(), 0) << "not yet a second at " << ms;
    }
    IdleAt(2000); // 1.001 s over 11 frames
    EXPECT_NEAR(scene->GetFPS(), 11 / 1.001, 1e-3);
    IdleAt(2500);
    EXPECT_NEAR(scene->GetFPS(), 11 / 1.001, 1e-3) << "kept until the next second is full";
}

TEST_F(RealTimeScene, WithoutPhysicsOrWorldsOnlyTicksAndFramesRun)
{
    Ticker("Only");
    scene->SetRealTime(true);
    EXPECT_EQ(IdleAt(10), (Lines { "tick @Only 0.01 0.001", "BeginScene" }));

    TStepPhysics::withWorlds = false;
    scene->CreatePhysics();
    ASSERT_NE(scene->GetPhysics(), nullptr);
    EXPECT_EQ(IdleAt(20), (Lines { "tick @Only 0.02 0.01", "BeginScene" }));
}

TEST_F(RealTimeScene, SwitchingOffUnhooksTheIdleHandlerAndOnHooksItAgain)
{
    Ticker("T");
    scene->SetRealTime(true);
    EXPECT_FALSE(IdleAt(10).empty());
    scene->SetRealTime(false);
    EXPECT_TRUE(IdleAt(20).empty());
    app.ProcessMessages();
    EXPECT_FALSE(app.ProcessOne()) << "no idle handler is left to run";
    scene->SetRealTime(true);
    EXPECT_FALSE(IdleAt(30).empty());
}

TEST_F(RealTimeScene, AtDesignTimeRealTimeIsOnlyStored)
{
    scene->SetDesigning(true);
    scene->SetRealTime(true);
    EXPECT_TRUE(scene->GetRealTime());
    EXPECT_TRUE(IdleAt(10).empty());
}

TEST_F(RealTimeScene, OnlyTheLastSceneSwitchedOnRunsAndNoSceneRemovesAnothersHandler)
{
    Ticker("A");
    auto* second = new ThvScene(owner.get());
    auto* other = new TTicker(owner.get());
    other->SetName("B");
    second->AddObject(other);

    scene->SetRealTime(true);
    second->SetRealTime(true);
    EXPECT_EQ(IdleAt(10, { "tick @A", "tick @B" }), (Lines { "tick @B 0.01 0.001" }));

    // The first scene no longer owns the handler: switching it off or freeing it leaves the
    // second running.
    scene->SetRealTime(false);
    EXPECT_EQ(IdleAt(20, { "tick @B" }), (Lines { "tick @B 0.02 0.01" }));
    scene->SetRealTime(true);
    second->SetRealTime(false);
    second->SetRealTime(true);
    rtl::FreeAndNil(scene);
    EXPECT_EQ(IdleAt(30, { "tick @B" }), (Lines { "tick @B 0.03 0.01" }));

    // The owner going takes its handler along: nothing calls into a freed scene.
    second->Free();
    EXPECT_TRUE(IdleAt(40, { "tick" }).empty());
    EXPECT_FALSE(app.ProcessOne());
}

TEST_F(RealTimeScene, FrameMayFreeObjectsAndTheSceneItself)
{
    auto* first = Ticker("First");
    auto* second = Ticker("Second");
    first->freeOnTick = second;
    scene->SetRealTime(true);
    EXPECT_EQ(IdleAt(10, { "tick" }), (Lines { "tick @First 0.01 0.001" }));

    first->freeOnTick = scene;
    scene = nullptr;
    EXPECT_EQ(IdleAt(20, { "tick", "BeginScene" }), (Lines { "tick @First 0.02 0.01" }));
    EXPECT_TRUE(IdleAt(30, { "tick" }).empty());
    EXPECT_FALSE(app.ProcessOne()) << "the freed scene's handler went with it";
}
