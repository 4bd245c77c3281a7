#pragma once

// Private to the physics module: the objects behind the opaque handles of PhysicsApi.h.

#include "platform/physics/PhysicsApi.h"

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <vector>

struct GfPhysicsShape {
    GfPhysicsWorld* world = nullptr;
    std::unique_ptr<btCollisionShape> shape;
    // The creator's reference plus one per body.
    int32_t references = 1;
};

struct GfPhysicsBody {
    GfPhysicsBody(GfPhysicsWorld* owner, GfPhysicsShape* bodyShape);

    GfPhysicsWorld* world;
    GfPhysicsShape* shape;
    btRigidBody rigid;
    void* userData = nullptr;
    GfPhysicsForceCallback forceCallback = nullptr;
    btVector3 pendingForce { 0, 0, 0 };
    bool autoFreeze = true;
    float freezeSpeedSquared = 0.01f;
    float freezeSpinSquared = 0.01f;
    int32_t freezeSteps = 10;
    int32_t slowSteps = 0;
    // Out of the dynamics world; still owned by `world` until deleted.
    bool retired = false;
    // Destroyed while a callback of its world ran; deleted when the callback returns.
    bool doomed = false;

    bool IsDynamic() const { return !rigid.isStaticOrKinematicObject(); }
};

struct GfPhysicsWorld {
    GfPhysicsWorld();
    ~GfPhysicsWorld();
    GfPhysicsWorld(const GfPhysicsWorld&) = delete;
    GfPhysicsWorld& operator=(const GfPhysicsWorld&) = delete;

    GfPhysicsShape* AddShape(std::unique_ptr<btCollisionShape> shape);
    void ReleaseShape(GfPhysicsShape* shape);

    GfPhysicsBody* CreateBody(GfPhysicsShape* shape);
    void DestroyBody(GfPhysicsBody* body);
    void RetireBody(GfPhysicsBody* body);
    void SetBodyTransform(GfPhysicsBody* body, const btTransform& transform);
    void SetBodyMass(GfPhysicsBody* body, float mass, const btVector3& inertia);
    void SetBodyAutoFreeze(GfPhysicsBody* body, bool on);
    void SetBodyFreezeThreshold(GfPhysicsBody* body, float speedSquared, float spinSquared, int32_t steps);
    void AddBodyImpulse(GfPhysicsBody* body, const btVector3& deltaVelocity, const btVector3& point);

    void SetSolverIterations(int32_t iterations) { m_dynamics.getSolverInfo().m_numIterations = iterations; }
    void SetSize(const btVector3& minimum, const btVector3& maximum);
    void Update(float timeStep);
    void ForEachBodyInAabb(
        const btVector3& minimum, const btVector3& maximum, GfPhysicsBodyCallback callback, void* context);
    int32_t Collide(const btCollisionShape& shapeA, const btTransform& transformA,
        const btCollisionShape& shapeB, const btTransform& transformB, int32_t maxContacts, float* points,
        float* normals, float* penetrations);

private:
    friend struct CallbackScope;

    static void PreTick(btDynamicsWorld* dynamics, btScalar timeStep);
    void ApplyForces(float timeStep);
    void AfterStep();
    // Awake, or "never sleeps" when auto-freeze is off.
    static void SetAwake(GfPhysicsBody& body);
    void ApplyWorldEdge(GfPhysicsBody& body);
    void WakeBodiesAround(const btVector3& minimum, const btVector3& maximum, const GfPhysicsBody* except);
    void DeleteBody(GfPhysicsBody* body);
    void EndCallbacks();

    btDefaultCollisionConfiguration m_configuration;
    btCollisionDispatcher m_dispatcher { &m_configuration };
    btDbvtBroadphase m_broadphase;
    btSequentialImpulseConstraintSolver m_solver;
    btDiscreteDynamicsWorld m_dynamics { &m_dispatcher, &m_broadphase, &m_solver, &m_configuration };
    // Creation order, which box queries report in (the dynamics world reorders its own list
    // whenever a body leaves it).
    std::vector<std::unique_ptr<GfPhysicsBody>> m_bodies;
    std::vector<std::unique_ptr<GfPhysicsShape>> m_shapes;
    bool m_hasSize = false;
    btVector3 m_sizeMinimum { 0, 0, 0 };
    btVector3 m_sizeMaximum { 0, 0, 0 };
    int32_t m_callbackDepth = 0;
};
