// The exported function table: argument checks and conversions between the table's plain
// arrays and the engine's types. Nothing thrown inside may leave through the table.

#include "platform/physics/PhysicsApi.h"
#include "platform/physics/module/PhysicsObjects.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

bool Finite(const float* values, int count)
{
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(values[i]))
            return false;
    return true;
}

bool ReadVector(const float* values, btVector3& out)
{
    if (!values || !Finite(values, 3))
        return false;
    out.setValue(values[0], values[1], values[2]);
    return true;
}

void WriteVector(const btVector3& v, float* out)
{
    if (!out)
        return;
    out[0] = v.x();
    out[1] = v.y();
    out[2] = v.z();
}

float Size(float value)
{
    return std::isfinite(value) ? std::fabs(value) : 0.0f;
}

// A rigid transform from a row-vector matrix whose axes may be scaled, sheared or mirrored:
// the Z axis keeps its direction, Y is made perpendicular to it and X completes a
// right-handed frame. Degenerate axes fall back to whatever the others still fix.
bool ReadMatrix(const float* m, btTransform& out)
{
    if (!m || !Finite(m, 16))
        return false;
    btVector3 x(m[0], m[1], m[2]);
    btVector3 y(m[4], m[5], m[6]);
    btVector3 z(m[8], m[9], m[10]);
    const btScalar tiny = btScalar(1e-12);
    if (z.length2() > tiny) {
        z.normalize();
        y -= z * y.dot(z);
        if (y.length2() <= tiny) {
            y = z.cross(x);
            if (y.length2() <= tiny) {
                btVector3 unused;
                btPlaneSpace1(z, y, unused);
            }
        }
        y.normalize();
        x = y.cross(z);
    } else if (x.length2() > tiny && y.cross(x).length2() > tiny) {
        x.normalize();
        y -= x * y.dot(x);
        y.normalize();
        z = x.cross(y);
    } else {
        x.setValue(1, 0, 0);
        y.setValue(0, 1, 0);
        z.setValue(0, 0, 1);
    }
    // The engine's basis holds the axes as columns.
    btMatrix3x3 basis(x.x(), y.x(), z.x(), x.y(), y.y(), z.y(), x.z(), y.z(), z.z());
    out = btTransform(basis, btVector3(m[12], m[13], m[14]));
    return true;
}

void WriteMatrix(const btTransform& transform, float* m)
{
    const btMatrix3x3& basis = transform.getBasis();
    for (int row = 0; row < 3; ++row) {
        btVector3 axis = basis.getColumn(row);
        m[row * 4 + 0] = axis.x();
        m[row * 4 + 1] = axis.y();
        m[row * 4 + 2] = axis.z();
        m[row * 4 + 3] = 0;
    }
    const btVector3& origin = transform.getOrigin();
    m[12] = origin.x();
    m[13] = origin.y();
    m[14] = origin.z();
    m[15] = 1;
}

void WriteIdentity(float* m)
{
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

GfPhysicsWorld* WorldCreate()
{
    try {
        return new GfPhysicsWorld();
    } catch (...) {
        return nullptr;
    }
}

void WorldDestroy(GfPhysicsWorld* world)
{
    delete world;
}

void WorldSetSolverIterations(GfPhysicsWorld* world, int32_t iterations)
{
    if (world)
        world->SetSolverIterations(iterations >= 1 ? iterations : 10);
}

void WorldSetSize(GfPhysicsWorld* world, const float* minimum, const float* maximum)
{
    btVector3 low, high;
    if (world && ReadVector(minimum, low) && ReadVector(maximum, high))
        world->SetSize(low, high);
}

void WorldUpdate(GfPhysicsWorld* world, float timeStep)
{
    if (!world)
        return;
    try {
        world->Update(timeStep);
    } catch (...) { }
}

void WorldForEachBodyInAabb(GfPhysicsWorld* world, const float* minimum, const float* maximum,
    GfPhysicsBodyCallback callback, void* context)
{
    btVector3 low, high;
    if (!world || !callback || !ReadVector(minimum, low) || !ReadVector(maximum, high))
        return;
    try {
        world->ForEachBodyInAabb(low, high, callback, context);
    } catch (const std::bad_alloc&) { }
}

template <class MakeShape> GfPhysicsShape* CreateShape(GfPhysicsWorld* world, MakeShape make)
{
    if (!world)
        return nullptr;
    try {
        return world->AddShape(make());
    } catch (...) {
        return nullptr;
    }
}

GfPhysicsShape* ShapeCreateBox(GfPhysicsWorld* world, float sizeX, float sizeY, float sizeZ)
{
    return CreateShape(world,
        [&] { return std::make_unique<btBoxShape>(btVector3(Size(sizeX), Size(sizeY), Size(sizeZ)) / 2); });
}

GfPhysicsShape* ShapeCreateSphere(GfPhysicsWorld* world, float radiusX, float radiusY, float radiusZ)
{
    float rx = Size(radiusX), ry = Size(radiusY), rz = Size(radiusZ);
    return CreateShape(world, [&]() -> std::unique_ptr<btCollisionShape> {
        // A true sphere gets the engine's exact sphere tests; an ellipsoid is a unit sphere
        // stretched per axis, which the plain sphere cannot be.
        if (rx == ry && ry == rz)
            return std::make_unique<btSphereShape>(rx);
        btVector3 centre(0, 0, 0);
        btScalar unit = 1;
        auto shape = std::make_unique<btMultiSphereShape>(&centre, &unit, 1);
        shape->setLocalScaling(btVector3(rx, ry, rz));
        return shape;
    });
}

GfPhysicsShape* ShapeCreateCone(GfPhysicsWorld* world, float radius, float height)
{
    float r = Size(radius), h = Size(height);
    return CreateShape(world, [&] {
        auto shape = std::make_unique<btConeShapeX>(r, h);
        // The engine rounds cones outwards by their margin; keep that small against the
        // cone itself so small cones keep their shape.
        shape->setMargin(std::min(shape->getMargin(), 0.1f * std::min(r, h)));
        return shape;
    });
}

GfPhysicsShape* ShapeCreateCylinder(GfPhysicsWorld* world, float radius, float height)
{
    float r = Size(radius), h = Size(height);
    return CreateShape(world, [&] { return std::make_unique<btCylinderShapeX>(btVector3(h / 2, r, r)); });
}

void ShapeRelease(GfPhysicsShape* shape)
{
    if (shape)
        shape->world->ReleaseShape(shape);
}

int32_t CollisionCollide(GfPhysicsWorld* world, int32_t maxContacts, const GfPhysicsShape* shapeA,
    const float* matrixA, const GfPhysicsShape* shapeB, const float* matrixB, float* points, float* normals,
    float* penetrations)
{
    btTransform transformA, transformB;
    if (!world || !shapeA || !shapeB || !ReadMatrix(matrixA, transformA) || !ReadMatrix(matrixB, transformB))
        return 0;
    try {
        return world->Collide(*shapeA->shape, transformA, *shapeB->shape, transformB, maxContacts, points,
            normals, penetrations);
    } catch (...) {
        return 0;
    }
}

GfPhysicsBody* BodyCreate(GfPhysicsWorld* world, GfPhysicsShape* shape)
{
    if (!world || !shape)
        return nullptr;
    try {
        return world->CreateBody(shape);
    } catch (...) {
        return nullptr;
    }
}

void BodyDestroy(GfPhysicsBody* body)
{
    if (body)
        body->world->DestroyBody(body);
}

void BodyRetire(GfPhysicsBody* body)
{
    if (body)
        body->world->RetireBody(body);
}

GfPhysicsWorld* BodyGetWorld(const GfPhysicsBody* body)
{
    return body ? body->world : nullptr;
}

GfPhysicsShape* BodyGetCollision(const GfPhysicsBody* body)
{
    return body ? body->shape : nullptr;
}

void BodySetUserData(GfPhysicsBody* body, void* userData)
{
    if (body)
        body->userData = userData;
}

void* BodyGetUserData(const GfPhysicsBody* body)
{
    return body ? body->userData : nullptr;
}

void BodySetMatrix(GfPhysicsBody* body, const float* matrix)
{
    btTransform transform;
    if (body && ReadMatrix(matrix, transform))
        body->world->SetBodyTransform(body, transform);
}

void BodyGetMatrix(const GfPhysicsBody* body, float* matrix)
{
    if (!matrix)
        return;
    if (body)
        WriteMatrix(body->rigid.getWorldTransform(), matrix);
    else
        WriteIdentity(matrix);
}

void BodySetMassMatrix(GfPhysicsBody* body, float mass, float inertiaX, float inertiaY, float inertiaZ)
{
    if (!body)
        return;
    if (!std::isfinite(mass) || mass < 0)
        mass = 0;
    // Negative inertia would make the body spin up by itself.
    body->world->SetBodyMass(body, mass, btVector3(Size(inertiaX), Size(inertiaY), Size(inertiaZ)));
}

void BodySetForceAndTorqueCallback(GfPhysicsBody* body, GfPhysicsForceCallback callback)
{
    if (body)
        body->forceCallback = callback;
}

void BodySetForce(GfPhysicsBody* body, const float* force)
{
    btVector3 value;
    if (body && ReadVector(force, value))
        body->pendingForce = value;
}

void BodySetAutoFreeze(GfPhysicsBody* body, int32_t on)
{
    if (body)
        body->world->SetBodyAutoFreeze(body, on != 0);
}

void BodySetFreezeThreshold(GfPhysicsBody* body, float speedSquared, float spinSquared, int32_t steps)
{
    if (!body)
        return;
    speedSquared = std::isfinite(speedSquared) ? std::max(speedSquared, 0.0f) : 0.0f;
    spinSquared = std::isfinite(spinSquared) ? std::max(spinSquared, 0.0f) : 0.0f;
    body->world->SetBodyFreezeThreshold(body, speedSquared, spinSquared, steps);
}

int32_t BodyGetFreezeState(const GfPhysicsBody* body)
{
    if (!body || body->retired || !body->IsDynamic())
        return kGfPhysicsAwake;
    switch (body->rigid.getActivationState()) {
    case ISLAND_SLEEPING:
        return kGfPhysicsFrozen;
    case DISABLE_SIMULATION:
        return kGfPhysicsOutsideWorld;
    default:
        return kGfPhysicsAwake;
    }
}

int32_t BodyConstrainUpVector(GfPhysicsBody* body, const float* pin)
{
    btVector3 direction;
    if (!body || !ReadVector(pin, direction) || direction.length2() <= btScalar(1e-12))
        return 0;
    direction.normalize();
    // Turning is restricted per world axis, so only a pin along one of them can be kept.
    int axis = direction.absolute().maxAxis();
    if (std::fabs(direction[axis]) < btScalar(1) - btScalar(1e-5))
        return 0;
    btVector3 factor(0, 0, 0);
    factor[axis] = 1;
    body->rigid.setAngularFactor(factor);
    body->rigid.setAngularVelocity(body->rigid.getAngularVelocity() * factor);
    return 1;
}

void BodyGetAabb(const GfPhysicsBody* body, float* minimum, float* maximum)
{
    btVector3 low(0, 0, 0), high(0, 0, 0);
    if (body)
        body->rigid.getAabb(low, high);
    WriteVector(low, minimum);
    WriteVector(high, maximum);
}

void BodyAddImpulse(GfPhysicsBody* body, const float* deltaVelocity, const float* point)
{
    btVector3 change, at;
    if (body && ReadVector(deltaVelocity, change) && ReadVector(point, at))
        body->world->AddBodyImpulse(body, change, at);
}

void BodyGetVelocity(const GfPhysicsBody* body, float* velocity)
{
    WriteVector(body ? body->rigid.getLinearVelocity() : btVector3(0, 0, 0), velocity);
}

int32_t BodyCollide(
    const GfPhysicsBody* bodyA, const GfPhysicsBody* bodyB, float* point, float* normal, float* penetration)
{
    if (!bodyA || !bodyB || bodyA == bodyB || bodyA->world != bodyB->world || bodyA->retired
        || bodyB->retired)
        return 0;
    try {
        return bodyA->world->Collide(*bodyA->shape->shape, bodyA->rigid.getWorldTransform(),
            *bodyB->shape->shape, bodyB->rigid.getWorldTransform(), 1, point, normal, penetration);
    } catch (...) {
        return 0;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) const GfPhysicsApiV1 gf_physics_api_v1 = {
    .version = kGfPhysicsApiVersion,
    .size = sizeof(GfPhysicsApiV1),
    .WorldCreate = WorldCreate,
    .WorldDestroy = WorldDestroy,
    .WorldSetSolverIterations = WorldSetSolverIterations,
    .WorldSetSize = WorldSetSize,
    .WorldUpdate = WorldUpdate,
    .WorldForEachBodyInAabb = WorldForEachBodyInAabb,
    .ShapeCreateBox = ShapeCreateBox,
    .ShapeCreateSphere = ShapeCreateSphere,
    .ShapeCreateCone = ShapeCreateCone,
    .ShapeCreateCylinder = ShapeCreateCylinder,
    .ShapeRelease = ShapeRelease,
    .CollisionCollide = CollisionCollide,
    .BodyCreate = BodyCreate,
    .BodyDestroy = BodyDestroy,
    .BodyRetire = BodyRetire,
    .BodyGetWorld = BodyGetWorld,
    .BodyGetCollision = BodyGetCollision,
    .BodySetUserData = BodySetUserData,
    .BodyGetUserData = BodyGetUserData,
    .BodySetMatrix = BodySetMatrix,
    .BodyGetMatrix = BodyGetMatrix,
    .BodySetMassMatrix = BodySetMassMatrix,
    .BodySetForceAndTorqueCallback = BodySetForceAndTorqueCallback,
    .BodySetForce = BodySetForce,
    .BodySetAutoFreeze = BodySetAutoFreeze,
    .BodySetFreezeThreshold = BodySetFreezeThreshold,
    .BodyGetFreezeState = BodyGetFreezeState,
    .BodyConstrainUpVector = BodyConstrainUpVector,
    .BodyGetAabb = BodyGetAabb,
    .BodyAddImpulse = BodyAddImpulse,
    .BodyGetVelocity = BodyGetVelocity,
    .BodyCollide = BodyCollide,
};
