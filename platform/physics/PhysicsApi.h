#pragma once

// The function table of the rigid-body module (libgfphysics.so). The module is opened at run
// time, so this header is the whole contract between it and its users: plain C types only.
//
// Conventions for every entry:
// - Matrices are 16 floats in row-vector layout: rows 0-2 are the body's X, Y and Z axes,
//   row 3 (elements 12-14) its position; a point p maps to p * M.
// - Vectors are 3 floats. Lengths are in the units of the world (any unit; gravity is not
//   built in, it is the force the caller hands in).
// - A null handle is ignored (getters answer 0 / null / zeros). Non-finite numbers where a
//   matrix, vector, force or impulse is expected are ignored as well.
// - Everything runs on one thread. Callbacks run inside the call that invokes them and must
//   not throw; inside a callback a body may be destroyed (deletion waits until the callback
//   returns), but its world may not.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct GfPhysicsWorld GfPhysicsWorld;
typedef struct GfPhysicsShape GfPhysicsShape;
typedef struct GfPhysicsBody GfPhysicsBody;

/// Asked once per step for each awake dynamic body; sets the step's force with BodySetForce.
typedef void (*GfPhysicsForceCallback)(GfPhysicsBody* body, float timeStep);
/// One body found by a box query; `context` is the query's.
typedef void (*GfPhysicsBodyCallback)(GfPhysicsBody* body, void* context);

#define GF_PHYSICS_API_SYMBOL "gf_physics_api_v1"

enum { kGfPhysicsApiVersion = 1 };

/// Answers of BodyGetFreezeState.
enum GfPhysicsFreezeState {
    kGfPhysicsAwake = 0,
    /// Put to rest by auto-freeze: no force callback, no motion until something wakes it.
    kGfPhysicsFrozen = 1,
    /// A dynamic body whose box no longer meets the world box: simulation stops for it.
    kGfPhysicsOutsideWorld = 2,
};

/// Version 1 of the table. `version` is kGfPhysicsApiVersion, `size` the table's size as the
/// module was built; every entry is set. Later versions only append entries.
typedef struct GfPhysicsApiV1 {
    uint32_t version;
    uint32_t size;

    /// A new empty world: no gravity, unlimited size. Null when out of memory.
    GfPhysicsWorld* (*WorldCreate)(void);
    /// Destroys the world with every body and shape still in it.
    void (*WorldDestroy)(GfPhysicsWorld* world);
    /// Constraint-solver passes per step; below 1 restores the default (10).
    void (*WorldSetSolverIterations)(GfPhysicsWorld* world, int32_t iterations);
    /// The world box. A dynamic body whose bounding box stops meeting it is taken out of the
    /// simulation (kGfPhysicsOutsideWorld) until BodySetMatrix puts it back inside.
    void (*WorldSetSize)(GfPhysicsWorld* world, const float* minimum, const float* maximum);
    /// One simulation step of `timeStep` seconds: force callbacks, motion, contacts, then the
    /// world-edge rule and auto-freeze. Nothing for a step that is not above 0; steps longer
    /// than 0.1 s are taken as 0.1 s so a long pause cannot make bodies pass through others.
    void (*WorldUpdate)(GfPhysicsWorld* world, float timeStep);
    /// Calls `callback` for every body of the world (retired ones excepted) whose bounding
    /// box meets the given box, borders included, in the order the bodies were created.
    void (*WorldForEachBodyInAabb)(GfPhysicsWorld* world, const float* minimum, const float* maximum,
        GfPhysicsBodyCallback callback, void* context);

    /// Shapes belong to their world and are reference counted: the creator holds one
    /// reference, each body made from the shape another. Sizes are taken as absolute values.
    /// A box of full sizes x, y, z centred on the origin.
    GfPhysicsShape* (*ShapeCreateBox)(GfPhysicsWorld* world, float sizeX, float sizeY, float sizeZ);
    /// An ellipsoid with the given radii along the axes.
    GfPhysicsShape* (*ShapeCreateSphere)(GfPhysicsWorld* world, float radiusX, float radiusY, float radiusZ);
    /// A cone along X, centred on the origin: base at -height/2, apex at +height/2.
    GfPhysicsShape* (*ShapeCreateCone)(GfPhysicsWorld* world, float radius, float height);
    /// A cylinder along X, centred on the origin.
    GfPhysicsShape* (*ShapeCreateCylinder)(GfPhysicsWorld* world, float radius, float height);
    /// Drops the creator's reference; the shape goes once no body uses it.
    void (*ShapeRelease)(GfPhysicsShape* shape);
    /// Tests two shapes placed by two matrices (their scale is ignored). Writes up to
    /// `maxContacts` contacts, deepest first: a point on B's surface (3 floats each), the
    /// unit normal pointing out of B towards A, i.e. the way A must move to separate
    /// (3 floats each), and the overlap depth, 0 when just touching. Answers the number
    /// written; 0 when the shapes are apart.
    int32_t (*CollisionCollide)(GfPhysicsWorld* world, int32_t maxContacts, const GfPhysicsShape* shapeA,
        const float* matrixA, const GfPhysicsShape* shapeB, const float* matrixB, float* points,
        float* normals, float* penetrations);

    /// A static body (mass 0) of the shape at the identity matrix, in the world at once.
    GfPhysicsBody* (*BodyCreate)(GfPhysicsWorld* world, GfPhysicsShape* shape);
    /// Takes the body out of its world and deletes it; the handle is dead afterwards.
    void (*BodyDestroy)(GfPhysicsBody* body);
    /// Takes the body out of its world at once, for deferred destruction: box queries,
    /// collisions and steps no longer see it, bodies resting on it wake up, and the handle
    /// stays valid until BodyDestroy or WorldDestroy. Retiring twice does nothing.
    void (*BodyRetire)(GfPhysicsBody* body);
    GfPhysicsWorld* (*BodyGetWorld)(const GfPhysicsBody* body);
    GfPhysicsShape* (*BodyGetCollision)(const GfPhysicsBody* body);
    void (*BodySetUserData)(GfPhysicsBody* body, void* userData);
    void* (*BodyGetUserData)(const GfPhysicsBody* body);
    /// Moves the body. The axes are made orthonormal first (scale and mirroring are dropped,
    /// the Z axis keeps its direction). Wakes the body and the bodies around it; the matrix
    /// the body already has (as read back by BodyGetMatrix) changes nothing.
    void (*BodySetMatrix)(GfPhysicsBody* body, const float* matrix);
    /// The body's current matrix: orthonormal axes and its position.
    void (*BodyGetMatrix)(const GfPhysicsBody* body, float* matrix);
    /// Mass above 0 makes the body dynamic, anything else static. The inertia values are the
    /// diagonal of the inertia tensor about the body's axes; 0 on an axis forbids turning
    /// about it.
    void (*BodySetMassMatrix)(
        GfPhysicsBody* body, float mass, float inertiaX, float inertiaY, float inertiaZ);
    /// Null removes the callback.
    void (*BodySetForceAndTorqueCallback)(GfPhysicsBody* body, GfPhysicsForceCallback callback);
    /// The force acting through the centre during the next step only (a force, not an
    /// acceleration: with mass 1 they are the same).
    void (*BodySetForce)(GfPhysicsBody* body, const float* force);
    /// On by default: a dynamic body slower than both freeze thresholds for the threshold's
    /// number of consecutive steps is frozen. Off: it never rests.
    void (*BodySetAutoFreeze)(GfPhysicsBody* body, int32_t on);
    /// Squared speed, squared angular speed (radians per second) and step count; defaults
    /// 0.01, 0.01 and 10. A step count below 1 is taken as 1.
    void (*BodySetFreezeThreshold)(GfPhysicsBody* body, float speedSquared, float spinSquared, int32_t steps);
    /// A GfPhysicsFreezeState value; static and retired bodies answer kGfPhysicsAwake.
    int32_t (*BodyGetFreezeState)(const GfPhysicsBody* body);
    /// Lets the body turn only about `pin` from now on, so the axis of the body lying along
    /// `pin` keeps its direction. Only the three world axes (either sign) are supported:
    /// answers 1 when applied, 0 for any other direction.
    int32_t (*BodyConstrainUpVector)(GfPhysicsBody* body, const float* pin);
    /// The body's axis-aligned bounding box in world coordinates.
    void (*BodyGetAabb)(const GfPhysicsBody* body, float* minimum, float* maximum);
    /// Changes the velocity of the body's point at `point` (world coordinates) by `deltaVelocity`;
    /// at the centre this is the body's velocity change, elsewhere the body also starts to
    /// turn. Wakes the body. Static and outside-world bodies ignore it.
    void (*BodyAddImpulse)(GfPhysicsBody* body, const float* deltaVelocity, const float* point);
    /// The velocity of the body's centre.
    void (*BodyGetVelocity)(const GfPhysicsBody* body, float* velocity);
    /// CollisionCollide of two bodies of the same world at their current matrices, one
    /// contact at most; 0 when either is retired, they are the same body or in different
    /// worlds.
    int32_t (*BodyCollide)(const GfPhysicsBody* bodyA, const GfPhysicsBody* bodyB, float* point,
        float* normal, float* penetration);
} GfPhysicsApiV1;

#ifdef __cplusplus
} // extern "C"
#endif
