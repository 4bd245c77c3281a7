#include "backends/ThvNewtonPhysics.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/physics/PhysicsLoader.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"

#include <algorithm>
#include <cmath>
#include <utility>

RTL_IMPLEMENT_CLASS(ThvNewtonPhysics)

namespace {

struct WorldSettings {
    float minimum[3];
    float maximum[3];
    float gravity[3];
    float freezeSpeedSquared;
    float freezeSpinSquared;
    int32_t freezeSteps;
};

constexpr WorldSettings kCameraWorld { { -1000, -1000, -1000 }, { 1000, 1000, 1000 }, { 0, 0, -8.9f }, 0.05f,
    0.05f, 5 };
// Pixel units, Y down: things fall towards the bottom of the window.
constexpr WorldSettings kScreenWorld { { -1000, -1000, -10 }, { 2000, 2000, 10 }, { 0, 49, 0 }, 1.0f, 1.0f,
    5 };

constexpr int32_t kSolverIterations = 8;
constexpr float kDynamicMass = 1;
// A body exactly at an explosion's centre has no direction to be pushed in.
constexpr float kExplosionCentreTolerance = 1e-10f;

const float* MatrixData(const ThvMatrix& matrix)
{
    return &matrix.M[0][0];
}

float* MatrixData(ThvMatrix& matrix)
{
    return &matrix.M[0][0];
}

const float* VectorData(const ThvVector& vector)
{
    return &vector.X;
}

void CollectBody(GfPhysicsBody* body, void* context)
{
    static_cast<std::vector<GfPhysicsBody*>*>(context)->push_back(body);
}

// A body handle is an integer, as the physics interface has it; it holds the body's address.
GfPhysicsBody* BodyOf(ThvPhysicsBody handle)
{
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the handle is the body's address by design
    return reinterpret_cast<GfPhysicsBody*>(handle);
}

} // namespace

// User data of every body: its object, watched so that a body outliving its object never
// hands out a dangling pointer.
struct ThvNewtonPhysics::BodyInfo {
    rtl::Watch<ThvVisualObject> object;
};

struct ThvNewtonPhysics::Contact {
    GfPhysicsBody* body;
    ThvVector point;
    ThvVector normal;
};

ThvNewtonPhysics::ThvNewtonPhysics(ThvScene* scene)
    : Inherited(scene)
    , m_loader(&platform::physics::DefaultPhysicsLoader())
{
    m_api = m_loader->Acquire();
}

ThvNewtonPhysics::~ThvNewtonPhysics()
{
    // NOTE: the worlds go before the module may be unloaded; their bodies and shapes go with
    // them, so the queue needs no step of its own.
    if (m_api) {
        for (GfPhysicsWorld* world : m_worlds)
            m_api->WorldDestroy(world);
    }
    m_worlds.clear();
    m_bodies.clear();
    m_destroyQueue.clear();
    m_loader->Release();
}

// ---- worlds -------------------------------------------------------------------------------

ThvPhysicsWorld ThvNewtonPhysics::CreateWorld()
{
    if (!m_api)
        return nullptr;
    GfPhysicsWorld* world = m_api->WorldCreate();
    if (!world)
        return nullptr;
    m_api->WorldSetSolverIterations(world, kSolverIterations);
    m_worlds.push_back(world);
    return world;
}

void ThvNewtonPhysics::DestroyWorld(ThvPhysicsWorld world)
{
    if (!m_api || !IsOwnWorld(world))
        return;
    auto* target = static_cast<GfPhysicsWorld*>(world);
    std::erase_if(m_destroyQueue, [&](GfPhysicsBody* body) { return m_api->BodyGetWorld(body) == target; });
    std::erase_if(m_bodies, [&](const auto& entry) { return m_api->BodyGetWorld(entry.first) == target; });
    std::erase(m_worlds, target);
    if (m_cameraWorld == world)
        m_cameraWorld = nullptr;
    if (m_screenWorld == world)
        m_screenWorld = nullptr;
    m_api->WorldDestroy(target);
}

ThvPhysicsWorld ThvNewtonPhysics::WorldFor(const ThvVisualObject* object)
{
    if (!m_api || !object)
        return nullptr;
    const bool screen = object->GetProjection() == hvProjectionScreen;
    ThvPhysicsWorld& world = screen ? m_screenWorld : m_cameraWorld;
    if (!world) {
        world = CreateWorld();
        if (world) {
            const WorldSettings& settings = screen ? kScreenWorld : kCameraWorld;
            m_api->WorldSetSize(static_cast<GfPhysicsWorld*>(world), settings.minimum, settings.maximum);
        }
    }
    return world;
}

bool ThvNewtonPhysics::IsOwnWorld(ThvPhysicsWorld world) const
{
    return world && std::find(m_worlds.begin(), m_worlds.end(), world) != m_worlds.end();
}

void ThvNewtonPhysics::Update(ThvPhysicsWorld world, double deltaTime)
{
    if (!m_api || !IsOwnWorld(world))
        return;
    // Nothing moves by itself before the first dynamic body, so the world is not stepped.
    if (m_hasDynamicBodies) {
        // The force callback runs inside the step and finds this engine here.
        ThvNewtonPhysics* outer = std::exchange(s_stepping, this);
        m_api->WorldUpdate(static_cast<GfPhysicsWorld*>(world), static_cast<float>(deltaTime));
        s_stepping = outer;
    }
    // Queued bodies already left their worlds; deleting them costs nothing visible, and
    // doing it even without a step keeps a scene that only rebuilds colliders from growing.
    while (!m_destroyQueue.empty()) {
        GfPhysicsBody* body = m_destroyQueue.back();
        m_destroyQueue.pop_back();
        m_bodies.erase(body);
        m_api->BodyDestroy(body);
    }
}

// ---- bodies -------------------------------------------------------------------------------

ThvPhysicsBody ThvNewtonPhysics::CreateBox(ThvVisualObject* object, const ThvVector& size)
{
    return CreateBodyOf(ShapeKind::Box, object, size);
}

ThvPhysicsBody ThvNewtonPhysics::CreateSphere(ThvVisualObject* object, const ThvVector& size)
{
    return CreateBodyOf(ShapeKind::Sphere, object, size);
}

ThvPhysicsBody ThvNewtonPhysics::CreateCone(ThvVisualObject* object, const ThvVector& size)
{
    return CreateBodyOf(ShapeKind::Cone, object, size);
}

ThvPhysicsBody ThvNewtonPhysics::CreateCylinder(ThvVisualObject* object, const ThvVector& size)
{
    return CreateBodyOf(ShapeKind::Cylinder, object, size);
}

ThvPhysicsBody ThvNewtonPhysics::CreateBodyOf(ShapeKind kind, ThvVisualObject* object, const ThvVector& size)
{
    if (!m_api || !object || object->GetBody() != 0)
        return 0;
    auto* world = static_cast<GfPhysicsWorld*>(WorldFor(object));
    if (!world)
        return 0;

    // The meshes of cone and cylinder run along X over the object's Width; their round
    // cross-section spans Height and Depth.
    const float radius = std::max(std::fabs(size.Y), std::fabs(size.Z)) / 2;
    GfPhysicsShape* shape = nullptr;
    switch (kind) {
    case ShapeKind::Box:
        shape = m_api->ShapeCreateBox(world, size.X, size.Y, size.Z);
        break;
    case ShapeKind::Sphere:
        shape = m_api->ShapeCreateSphere(world, size.X / 2, size.Y / 2, size.Z / 2);
        break;
    case ShapeKind::Cone:
        shape = m_api->ShapeCreateCone(world, radius, size.X);
        break;
    case ShapeKind::Cylinder:
        shape = m_api->ShapeCreateCylinder(world, radius, size.X);
        break;
    }
    if (!shape)
        return 0;
    GfPhysicsBody* body = m_api->BodyCreate(world, shape);
    m_api->ShapeRelease(shape); // the body holds its own reference
    if (!body)
        return 0;

    auto info = std::make_unique<BodyInfo>(BodyInfo { rtl::Watch<ThvVisualObject>(object) });
    m_api->BodySetUserData(body, info.get());
    m_bodies.emplace(body, std::move(info));
    m_api->BodySetMatrix(body, MatrixData(object->GetAbsoluteMatrix()));

    if (object->GetDynamic()) {
        m_api->BodySetMassMatrix(
            body, kDynamicMass, size.Z * kDynamicMass, size.Y * kDynamicMass, 10 * kDynamicMass);
        m_hasDynamicBodies = true;
        m_api->BodySetForceAndTorqueCallback(body, &ThvNewtonPhysics::ApplyGravity);
        m_api->BodySetAutoFreeze(body, 1);
        const bool screen = world == m_screenWorld;
        const WorldSettings& settings = screen ? kScreenWorld : kCameraWorld;
        m_api->BodySetFreezeThreshold(
            body, settings.freezeSpeedSquared, settings.freezeSpinSquared, settings.freezeSteps);
        if (screen) {
            static constexpr float kPin[3] = { 0, 0, 1 };
            (void)m_api->BodyConstrainUpVector(body, kPin);
        }
    } else {
        m_api->BodySetMassMatrix(body, 0, 0, 0, 0);
    }
    return reinterpret_cast<ThvPhysicsBody>(body);
}

void ThvNewtonPhysics::DestroyBody(ThvPhysicsBody& body)
{
    const ThvPhysicsBody handle = body;
    body = 0;
    if (!m_api || !Find(handle))
        return;
    auto* target = BodyOf(handle);
    if (IsQueued(target))
        return;
    m_api->BodyRetire(target);
    m_destroyQueue.push_back(target);
}

ThvNewtonPhysics::BodyInfo* ThvNewtonPhysics::Find(ThvPhysicsBody body) const
{
    if (body == 0)
        return nullptr;
    auto found = m_bodies.find(BodyOf(body));
    return found == m_bodies.end() ? nullptr : found->second.get();
}

bool ThvNewtonPhysics::IsQueued(const GfPhysicsBody* body) const
{
    return std::find(m_destroyQueue.begin(), m_destroyQueue.end(), body) != m_destroyQueue.end();
}

GfPhysicsBody* ThvNewtonPhysics::CollidingBodyOf(const ThvVisualObject* object) const
{
    if (!m_api || !object || !object->GetVisible())
        return nullptr;
    const BodyInfo* info = Find(object->GetBody());
    if (!info || info->object.Get() != object)
        return nullptr;
    auto* body = BodyOf(object->GetBody());
    return IsQueued(body) ? nullptr : body;
}

ThvVisualObject* ThvNewtonPhysics::GetBodyObject(ThvPhysicsBody body)
{
    const BodyInfo* info = Find(body);
    return info ? info->object.Get() : nullptr;
}

void ThvNewtonPhysics::SetBodyMatrix(ThvPhysicsBody body, const ThvMatrix& matrix)
{
    // A queued body stays out of its world until it is deleted.
    if (!m_api || !Find(body) || IsQueued(BodyOf(body)))
        return;
    m_api->BodySetMatrix(BodyOf(body), MatrixData(matrix));
}

ThvMatrix ThvNewtonPhysics::GetBodyMatrix(ThvPhysicsBody body)
{
    ThvMatrix result = hvIdentityMatrix;
    if (m_api && Find(body))
        m_api->BodyGetMatrix(BodyOf(body), MatrixData(result));
    return result;
}

void ThvNewtonPhysics::ApplyGravity(GfPhysicsBody* body, float /*timeStep*/)
{
    ThvNewtonPhysics* engine = s_stepping;
    if (!engine)
        return;
    const auto* info = static_cast<const BodyInfo*>(engine->m_api->BodyGetUserData(body));
    if (!info)
        return;
    // By the object's projection as it is now; a body whose object is gone keeps the pull of
    // the world it is in.
    bool screen = engine->m_api->BodyGetWorld(body) == engine->m_screenWorld;
    if (const ThvVisualObject* object = info->object.Get())
        screen = object->GetProjection() == hvProjectionScreen;
    const WorldSettings& settings = screen ? kScreenWorld : kCameraWorld;
    const float force[3] = { settings.gravity[0] * kDynamicMass, settings.gravity[1] * kDynamicMass,
        settings.gravity[2] * kDynamicMass };
    engine->m_api->BodySetForce(body, force);
}

// ---- collisions ---------------------------------------------------------------------------

std::vector<ThvNewtonPhysics::Contact> ThvNewtonPhysics::FindContacts(GfPhysicsBody* own, size_t limit) const
{
    std::vector<Contact> contacts;
    float minimum[3];
    float maximum[3];
    m_api->BodyGetAabb(own, minimum, maximum);
    std::vector<GfPhysicsBody*> found;
    m_api->WorldForEachBodyInAabb(m_api->BodyGetWorld(own), minimum, maximum, &CollectBody, &found);
    if (found.size() > limit)
        found.resize(limit);
    for (GfPhysicsBody* other : found) {
        if (other == own || IsQueued(other))
            continue;
        auto info = m_bodies.find(other);
        if (info == m_bodies.end())
            continue;
        const ThvVisualObject* otherObject = info->second->object.Get();
        if (!otherObject || !otherObject->GetVisible())
            continue;
        Contact contact { other, {}, {} };
        float penetration = 0;
        if (m_api->BodyCollide(own, other, &contact.point.X, &contact.normal.X, &penetration) > 0) {
            contact.point.W = 1;
            contact.normal.W = 1;
            contacts.push_back(contact);
        }
    }
    return contacts;
}

void ThvNewtonPhysics::TrackCollisions(ThvVisualObject* object, std::vector<ThvVisualObject*>& list)
{
    if (std::find(list.begin(), list.end(), object) != list.end())
        return;
    GfPhysicsBody* own = CollidingBodyOf(object);
    if (!own)
        return;
    const std::vector<Contact> contacts = FindContacts(own, kMaxTrackedBodies);

    // Handlers may destroy bodies, free objects or even the scene that owns this engine.
    rtl::Watch<ThvVisualObject> self(object);
    rtl::Watch<ThvScene> scene(GetScene());
    const bool hasScene = GetScene() != nullptr;
    for (const Contact& contact : contacts) {
        if (!self || (hasScene && !scene))
            return;
        if (CollidingBodyOf(object) != own || IsQueued(contact.body))
            return;
        auto info = m_bodies.find(contact.body);
        if (info == m_bodies.end())
            continue;
        ThvVisualObject* other = info->second->object.Get();
        if (!other)
            continue;
        object->DoCollision(other, contact.point, contact.normal);
    }
}

void ThvNewtonPhysics::QueryCollisions(ThvVisualObject* object, std::vector<ThvVisualObject*>& list)
{
    if (std::find(list.begin(), list.end(), object) != list.end())
        return;
    GfPhysicsBody* own = CollidingBodyOf(object);
    if (!own)
        return;
    list.push_back(object);
    (void)FindContacts(own, SIZE_MAX);
}

// ---- impulses -----------------------------------------------------------------------------

void ThvNewtonPhysics::AddImpulse(ThvVisualObject* object, const ThvVector& impulse)
{
    GfPhysicsBody* body = CollidingBodyOf(object);
    if (!body)
        return;
    const ThvVector position = object->GetAbsolutePosition();
    m_api->BodyAddImpulse(body, VectorData(impulse), VectorData(position));
}

void ThvNewtonPhysics::Explosion(ThvPhysicsWorld world, const ThvVector& centre, float radius, float force)
{
    if (!m_api || !IsOwnWorld(world))
        return;
    const float minimum[3] = { centre.X - radius, centre.Y - radius, centre.Z - radius };
    const float maximum[3] = { centre.X + radius, centre.Y + radius, centre.Z + radius };
    std::vector<GfPhysicsBody*> found;
    m_api->WorldForEachBodyInAabb(
        static_cast<GfPhysicsWorld*>(world), minimum, maximum, &CollectBody, &found);
    for (GfPhysicsBody* body : found) {
        ThvMatrix matrix;
        m_api->BodyGetMatrix(body, MatrixData(matrix));
        const ThvVector position { matrix[3][0], matrix[3][1], matrix[3][2], 1 };
        const ThvVector away = hvVectorSubtract(position, centre);
        if (std::fabs(away.X) <= kExplosionCentreTolerance && std::fabs(away.Y) <= kExplosionCentreTolerance
            && std::fabs(away.Z) <= kExplosionCentreTolerance)
            continue;
        const ThvVector change = hvVectorScale(hvVectorNormalize(away), force);
        m_api->BodyAddImpulse(body, VectorData(change), VectorData(position));
    }
}

// ---- module -------------------------------------------------------------------------------

void hvNewtonPhysicsInit()
{
    hvDefaultPhysicsClass = &kPhysicsClassOf<ThvNewtonPhysics>;
}

void hvNewtonPhysicsDone()
{
    if (hvDefaultPhysicsClass == &kPhysicsClassOf<ThvNewtonPhysics>)
        hvDefaultPhysicsClass = nullptr;
}
