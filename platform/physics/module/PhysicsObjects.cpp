#include "platform/physics/module/PhysicsObjects.h"

#include <BulletCollision/CollisionDispatch/btCollisionObjectWrapper.h>

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

// Steps longer than this are cut short: after a long pause a full step would let bodies pass
// through each other.
constexpr float kLongestStep = 0.1f;

// Contacts this far apart still count as touching, so bodies resting on each other collide.
constexpr float kTouchDistance = 1e-4f;

bool IsFrozenState(int state)
{
    return state == ISLAND_SLEEPING;
}

// Equal but for the rounding of a read-back matrix made orthonormal again.
bool SameTransform(const btTransform& a, const btTransform& b)
{
    const btScalar axisTolerance = btScalar(1e-5);
    for (int i = 0; i < 3; ++i) {
        btVector3 difference = (a.getBasis()[i] - b.getBasis()[i]).absolute();
        if (difference[difference.maxAxis()] > axisTolerance)
            return false;
    }
    return a.getOrigin() == b.getOrigin();
}

// Grows a box a little so that bodies resting exactly on its faces meet it.
void Widen(btVector3& minimum, btVector3& maximum)
{
    btVector3 extent = maximum - minimum;
    btScalar margin = btScalar(0.01) * extent[extent.maxAxis()] + btScalar(0.001);
    minimum -= btVector3(margin, margin, margin);
    maximum += btVector3(margin, margin, margin);
}

struct Contact {
    btVector3 point;
    btVector3 normal;
    btScalar depth;
};

// Collects every contact of one pair test, oriented from B towards A whichever order the
// collision algorithm took the pair in.
struct ContactCollector final : btCollisionWorld::ContactResultCallback {
    explicit ContactCollector(const btCollisionObject* a)
        : m_a(a)
    {
        m_closestDistanceThreshold = kTouchDistance;
    }

    btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper* object0, int, int,
        const btCollisionObjectWrapper*, int, int) override
    {
        btScalar distance = point.getDistance();
        if (!(distance <= kTouchDistance))
            return 0;
        Contact contact;
        if (object0->getCollisionObject() == m_a) {
            contact.point = point.getPositionWorldOnB();
            contact.normal = point.m_normalWorldOnB;
        } else {
            contact.point = point.getPositionWorldOnA();
            contact.normal = -point.m_normalWorldOnB;
        }
        contact.depth = std::max(btScalar(0), -distance);
        contacts.push_back(contact);
        return 0;
    }

    std::vector<Contact> contacts;

private:
    const btCollisionObject* m_a;
};

void Store(const btVector3& v, float* out)
{
    out[0] = v.x();
    out[1] = v.y();
    out[2] = v.z();
}

} // namespace

// Deletions asked for inside callbacks wait until the outermost callback scope ends, so no
// caller ever holds a dangling body in the middle of a loop.
struct CallbackScope {
    explicit CallbackScope(GfPhysicsWorld& world)
        : m_world(world)
    {
        ++m_world.m_callbackDepth;
    }
    ~CallbackScope()
    {
        if (--m_world.m_callbackDepth == 0)
            m_world.EndCallbacks();
    }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

private:
    GfPhysicsWorld& m_world;
};

GfPhysicsBody::GfPhysicsBody(GfPhysicsWorld* owner, GfPhysicsShape* bodyShape)
    : world(owner)
    , shape(bodyShape)
    , rigid(btRigidBody::btRigidBodyConstructionInfo(0, nullptr, bodyShape->shape.get(), btVector3(0, 0, 0)))
{
    rigid.setUserPointer(this);
    rigid.setSleepingThresholds(std::sqrt(freezeSpeedSquared), std::sqrt(freezeSpinSquared));
}

GfPhysicsWorld::GfPhysicsWorld()
{
    // Gravity is a per-body force handed in by the force callbacks.
    m_dynamics.setGravity(btVector3(0, 0, 0));
    m_dynamics.setInternalTickCallback(&GfPhysicsWorld::PreTick, this, true);
}

GfPhysicsWorld::~GfPhysicsWorld()
{
    assert(m_callbackDepth == 0 && "a world cannot be destroyed from its own callbacks");
    for (auto& body : m_bodies)
        if (!body->retired)
            m_dynamics.removeRigidBody(&body->rigid);
    m_bodies.clear();
    m_shapes.clear();
}

GfPhysicsShape* GfPhysicsWorld::AddShape(std::unique_ptr<btCollisionShape> shape)
{
    auto holder = std::make_unique<GfPhysicsShape>();
    holder->world = this;
    holder->shape = std::move(shape);
    m_shapes.push_back(std::move(holder));
    return m_shapes.back().get();
}

void GfPhysicsWorld::ReleaseShape(GfPhysicsShape* shape)
{
    if (--shape->references > 0)
        return;
    auto it = std::find_if(m_shapes.begin(), m_shapes.end(), [&](const auto& s) { return s.get() == shape; });
    if (it != m_shapes.end())
        m_shapes.erase(it);
}

GfPhysicsBody* GfPhysicsWorld::CreateBody(GfPhysicsShape* shape)
{
    if (shape->world != this)
        return nullptr;
    m_bodies.push_back(std::make_unique<GfPhysicsBody>(this, shape));
    GfPhysicsBody* body = m_bodies.back().get();
    ++shape->references;
    m_dynamics.addRigidBody(&body->rigid);
    return body;
}

void GfPhysicsWorld::DestroyBody(GfPhysicsBody* body)
{
    if (m_callbackDepth > 0) {
        RetireBody(body);
        body->doomed = true;
        return;
    }
    DeleteBody(body);
}

void GfPhysicsWorld::DeleteBody(GfPhysicsBody* body)
{
    RetireBody(body);
    GfPhysicsShape* shape = body->shape;
    auto it = std::find_if(m_bodies.begin(), m_bodies.end(), [&](const auto& b) { return b.get() == body; });
    if (it != m_bodies.end())
        m_bodies.erase(it);
    ReleaseShape(shape);
}

void GfPhysicsWorld::EndCallbacks()
{
    // Runs from a destructor, so it must not allocate.
    for (size_t i = 0; i < m_bodies.size();) {
        if (m_bodies[i]->doomed)
            DeleteBody(m_bodies[i].get());
        else
            ++i;
    }
}

void GfPhysicsWorld::RetireBody(GfPhysicsBody* body)
{
    if (body->retired)
        return;
    btVector3 minimum, maximum;
    body->rigid.getAabb(minimum, maximum);
    m_dynamics.removeRigidBody(&body->rigid);
    body->retired = true;
    WakeBodiesAround(minimum, maximum, body);
}

void GfPhysicsWorld::SetAwake(GfPhysicsBody& body)
{
    if (!body.IsDynamic())
        return;
    body.rigid.forceActivationState(body.autoFreeze ? ACTIVE_TAG : DISABLE_DEACTIVATION);
    body.rigid.setDeactivationTime(0);
    body.slowSteps = 0;
}

void GfPhysicsWorld::ApplyWorldEdge(GfPhysicsBody& body)
{
    if (!m_hasSize || body.retired || !body.IsDynamic())
        return;
    btVector3 minimum, maximum;
    body.rigid.getAabb(minimum, maximum);
    bool inside = TestAabbAgainstAabb2(minimum, maximum, m_sizeMinimum, m_sizeMaximum);
    int state = body.rigid.getActivationState();
    if (!inside && state != DISABLE_SIMULATION) {
        body.rigid.forceActivationState(DISABLE_SIMULATION);
        body.rigid.setLinearVelocity(btVector3(0, 0, 0));
        body.rigid.setAngularVelocity(btVector3(0, 0, 0));
        body.rigid.clearForces();
        body.pendingForce.setZero();
        body.slowSteps = 0;
    } else if (inside && state == DISABLE_SIMULATION) {
        SetAwake(body);
    }
}

void GfPhysicsWorld::WakeBodiesAround(
    const btVector3& minimum, const btVector3& maximum, const GfPhysicsBody* except)
{
    btVector3 low = minimum, high = maximum;
    Widen(low, high);
    for (auto& other : m_bodies) {
        if (other.get() == except || other->retired || !other->IsDynamic())
            continue;
        int state = other->rigid.getActivationState();
        if (state != ISLAND_SLEEPING && state != WANTS_DEACTIVATION)
            continue;
        btVector3 otherMinimum, otherMaximum;
        other->rigid.getAabb(otherMinimum, otherMaximum);
        if (TestAabbAgainstAabb2(otherMinimum, otherMaximum, low, high))
            SetAwake(*other);
    }
}

void GfPhysicsWorld::SetBodyTransform(GfPhysicsBody* body, const btTransform& transform)
{
    btRigidBody& rigid = body->rigid;
    // Callers write back the matrix they just read (some every step, from the force
    // callback); that must neither wake the body nor restart its count of slow steps.
    if (SameTransform(rigid.getWorldTransform(), transform))
        return;
    btVector3 oldMinimum, oldMaximum;
    rigid.getAabb(oldMinimum, oldMaximum);
    rigid.setWorldTransform(transform);
    rigid.setInterpolationWorldTransform(transform);
    if (body->retired)
        return;
    m_dynamics.updateSingleAabb(&rigid);
    if (body->IsDynamic() && rigid.getActivationState() != DISABLE_SIMULATION)
        SetAwake(*body);
    ApplyWorldEdge(*body);
    btVector3 minimum, maximum;
    rigid.getAabb(minimum, maximum);
    WakeBodiesAround(oldMinimum, oldMaximum, body);
    WakeBodiesAround(minimum, maximum, body);
}

void GfPhysicsWorld::SetBodyMass(GfPhysicsBody* body, float mass, const btVector3& inertia)
{
    btRigidBody& rigid = body->rigid;
    // The dynamics world files bodies as static or moving when they are added, so a body
    // changing kind leaves and comes back.
    if (!body->retired)
        m_dynamics.removeRigidBody(&rigid);
    rigid.setMassProps(mass, inertia);
    rigid.updateInertiaTensor();
    if (!body->IsDynamic()) {
        rigid.setLinearVelocity(btVector3(0, 0, 0));
        rigid.setAngularVelocity(btVector3(0, 0, 0));
        rigid.forceActivationState(ISLAND_SLEEPING);
    }
    if (body->retired)
        return;
    m_dynamics.addRigidBody(&rigid);
    if (body->IsDynamic()) {
        SetAwake(*body);
        ApplyWorldEdge(*body);
    }
    btVector3 minimum, maximum;
    rigid.getAabb(minimum, maximum);
    WakeBodiesAround(minimum, maximum, body);
}

void GfPhysicsWorld::SetBodyAutoFreeze(GfPhysicsBody* body, bool on)
{
    body->autoFreeze = on;
    body->slowSteps = 0;
    if (!body->IsDynamic() || body->retired || body->rigid.getActivationState() == DISABLE_SIMULATION)
        return;
    int state = body->rigid.getActivationState();
    if (!on || state == DISABLE_DEACTIVATION)
        SetAwake(*body);
}

void GfPhysicsWorld::SetBodyFreezeThreshold(
    GfPhysicsBody* body, float speedSquared, float spinSquared, int32_t steps)
{
    body->freezeSpeedSquared = speedSquared;
    body->freezeSpinSquared = spinSquared;
    body->freezeSteps = std::max<int32_t>(steps, 1);
    body->slowSteps = 0;
    // The engine's own resting test compares plain speeds.
    body->rigid.setSleepingThresholds(std::sqrt(speedSquared), std::sqrt(spinSquared));
}

void GfPhysicsWorld::AddBodyImpulse(
    GfPhysicsBody* body, const btVector3& deltaVelocity, const btVector3& point)
{
    btRigidBody& rigid = body->rigid;
    if (body->retired || !body->IsDynamic() || rigid.getActivationState() == DISABLE_SIMULATION)
        return;
    int state = rigid.getActivationState();
    if (state == ISLAND_SLEEPING || state == WANTS_DEACTIVATION)
        SetAwake(*body);
    body->slowSteps = 0;

    btVector3 arm = point - rigid.getCenterOfMassPosition();
    btScalar mass = 1 / rigid.getInvMass();
    if (arm.length2() <= btScalar(1e-12)) {
        rigid.applyCentralImpulse(deltaVelocity * mass);
        return;
    }
    // The impulse J that changes the velocity of the point by exactly deltaVelocity solves
    // K J = deltaVelocity, where column i of K is the point's velocity change for a unit
    // impulse along axis i (through the body's turning constraints as well).
    const btMatrix3x3& inverseInertia = rigid.getInvInertiaTensorWorld();
    const btVector3 angularFactor = rigid.getAngularFactor();
    const btVector3 linearFactor = rigid.getLinearFactor();
    btVector3 columns[3];
    for (int i = 0; i < 3; ++i) {
        btVector3 unit(0, 0, 0);
        unit[i] = 1;
        btVector3 linear = unit * linearFactor * rigid.getInvMass();
        btVector3 spin = (inverseInertia * arm.cross(unit * linearFactor)) * angularFactor;
        columns[i] = linear + spin.cross(arm);
    }
    btMatrix3x3 response(columns[0].x(), columns[1].x(), columns[2].x(), columns[0].y(), columns[1].y(),
        columns[2].y(), columns[0].z(), columns[1].z(), columns[2].z());
    if (std::fabs(response.determinant()) < btScalar(1e-12)) {
        rigid.applyCentralImpulse(deltaVelocity * mass);
        return;
    }
    rigid.applyImpulse(response.inverse() * deltaVelocity, arm);
}

void GfPhysicsWorld::SetSize(const btVector3& minimum, const btVector3& maximum)
{
    m_hasSize = true;
    m_sizeMinimum = minimum;
    m_sizeMinimum.setMin(maximum);
    m_sizeMaximum = maximum;
    m_sizeMaximum.setMax(minimum);
    for (auto& body : m_bodies)
        ApplyWorldEdge(*body);
}

void GfPhysicsWorld::PreTick(btDynamicsWorld* dynamics, btScalar timeStep)
{
    auto* world = static_cast<GfPhysicsWorld*>(dynamics->getWorldUserInfo());
    try {
        world->ApplyForces(timeStep);
    } catch (...) {
        // A force callback that throws loses its force for this step; nothing may unwind
        // through the engine's step.
    }
}

void GfPhysicsWorld::ApplyForces(float timeStep)
{
    // By index: a callback may create bodies, which appends to the list.
    for (size_t i = 0; i < m_bodies.size(); ++i) {
        GfPhysicsBody* body = m_bodies[i].get();
        if (body->retired || body->doomed || !body->IsDynamic() || !body->rigid.isActive())
            continue;
        if (body->forceCallback)
            body->forceCallback(body, timeStep);
        if (!body->retired && !body->pendingForce.fuzzyZero())
            body->rigid.applyCentralForce(body->pendingForce);
        body->pendingForce.setZero();
    }
}

void GfPhysicsWorld::Update(float timeStep)
{
    if (!(timeStep > 0))
        return;
    timeStep = std::min(timeStep, kLongestStep);
    CallbackScope scope(*this);
    m_dynamics.stepSimulation(timeStep, 0);
    AfterStep();
}

void GfPhysicsWorld::AfterStep()
{
    for (auto& entry : m_bodies) {
        GfPhysicsBody& body = *entry;
        if (body.retired || !body.IsDynamic())
            continue;
        ApplyWorldEdge(body);
        int state = body.rigid.getActivationState();
        if (!body.autoFreeze || IsFrozenState(state) || state == DISABLE_SIMULATION) {
            body.slowSteps = 0;
            continue;
        }
        bool slow = body.rigid.getLinearVelocity().length2() < body.freezeSpeedSquared
            && body.rigid.getAngularVelocity().length2() < body.freezeSpinSquared;
        if (!slow) {
            body.slowSteps = 0;
            continue;
        }
        if (++body.slowSteps >= body.freezeSteps) {
            body.rigid.forceActivationState(ISLAND_SLEEPING);
            body.rigid.setLinearVelocity(btVector3(0, 0, 0));
            body.rigid.setAngularVelocity(btVector3(0, 0, 0));
            body.slowSteps = 0;
        }
    }
}

void GfPhysicsWorld::ForEachBodyInAabb(
    const btVector3& minimum, const btVector3& maximum, GfPhysicsBodyCallback callback, void* context)
{
    CallbackScope scope(*this);
    std::vector<GfPhysicsBody*> found;
    for (auto& body : m_bodies) {
        if (body->retired)
            continue;
        btVector3 bodyMinimum, bodyMaximum;
        body->rigid.getAabb(bodyMinimum, bodyMaximum);
        if (TestAabbAgainstAabb2(bodyMinimum, bodyMaximum, minimum, maximum))
            found.push_back(body.get());
    }
    for (GfPhysicsBody* body : found)
        if (!body->retired)
            callback(body, context);
}

int32_t GfPhysicsWorld::Collide(const btCollisionShape& shapeA, const btTransform& transformA,
    const btCollisionShape& shapeB, const btTransform& transformB, int32_t maxContacts, float* points,
    float* normals, float* penetrations)
{
    if (maxContacts < 1)
        return 0;
    // The pair test wants collision objects; these stand-ins never join the world.
    btCollisionObject a, b;
    a.setCollisionShape(const_cast<btCollisionShape*>(&shapeA));
    a.setWorldTransform(transformA);
    b.setCollisionShape(const_cast<btCollisionShape*>(&shapeB));
    b.setWorldTransform(transformB);
    ContactCollector collector(&a);
    m_dynamics.contactPairTest(&a, &b, collector);
    auto& contacts = collector.contacts;
    std::stable_sort(contacts.begin(), contacts.end(),
        [](const Contact& x, const Contact& y) { return x.depth > y.depth; });
    int32_t count = std::min<int32_t>(maxContacts, static_cast<int32_t>(contacts.size()));
    for (int32_t i = 0; i < count; ++i) {
        if (points)
            Store(contacts[i].point, points + 3 * ptrdiff_t { i });
        if (normals)
            Store(contacts[i].normal, normals + 3 * ptrdiff_t { i });
        if (penetrations)
            penetrations[i] = contacts[i].depth;
    }
    return count;
}
