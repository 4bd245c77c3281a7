#pragma once

#include "scene3d/Forward.h"
#include "scene3d/Math3D.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Object.h"

#include <cstdint>
#include <vector>

/// A rigid body of a physics engine, as the visual object keeps it (its Body property); 0 is
/// no body.
using ThvPhysicsBody = intptr_t;
/// A simulated world of a physics engine; null until the engine makes one.
using ThvPhysicsWorld = void*;

/// The rigid-body engine of one scene, made from hvDefaultPhysicsClass when the scene first
/// needs one (an object's Dynamic or Collider setting), and freed with the scene. A scene has
/// two worlds: one for objects in screen projection, one for those in camera projection.
///
/// An engine that cannot run (its library is missing) answers null worlds, 0 bodies and the
/// identity matrix, and does nothing else; callers then see no motion and no contacts.
/// GUI thread only.
class ThvPhysics : public rtl::TPersistent {
    RTL_CLASS(ThvPhysics, rtl::TPersistent)
public:
    explicit ThvPhysics(ThvScene* scene);

    [[nodiscard]] ThvScene* GetScene() const { return m_scene; }
    [[nodiscard]] ThvPhysicsWorld GetScreenWorld() const { return m_screenWorld; }
    [[nodiscard]] ThvPhysicsWorld GetCameraWorld() const { return m_cameraWorld; }

    /// A new world; null when the engine cannot run.
    virtual ThvPhysicsWorld CreateWorld() = 0;
    virtual void DestroyWorld(ThvPhysicsWorld world) = 0;
    /// Advances `world` by `deltaTime` seconds and carries out the body destructions queued
    /// since the last step. Called once per real-time tick for each world that exists.
    virtual void Update(ThvPhysicsWorld world, double deltaTime) = 0;
    /// Reports each contact of the object's body by DoCollision on the objects concerned,
    /// skipping objects already in `list`.
    virtual void TrackCollisions(ThvVisualObject* object, std::vector<ThvVisualObject*>& list) = 0;
    /// Adds the object to `list` and runs the same query without reporting contacts.
    virtual void QueryCollisions(ThvVisualObject* object, std::vector<ThvVisualObject*>& list) = 0;
    /// The object a body belongs to; null for an unknown body.
    [[nodiscard]] virtual ThvVisualObject* GetBodyObject(ThvPhysicsBody body) = 0;
    /// Bodies of the object's size (Width, Height, Depth, 1); 0 when the engine cannot run.
    virtual ThvPhysicsBody CreateBox(ThvVisualObject* object, const ThvVector& size) = 0;
    virtual ThvPhysicsBody CreateSphere(ThvVisualObject* object, const ThvVector& size) = 0;
    virtual ThvPhysicsBody CreateCone(ThvVisualObject* object, const ThvVector& size) = 0;
    virtual ThvPhysicsBody CreateCylinder(ThvVisualObject* object, const ThvVector& size) = 0;
    /// Queues the body for destruction at the next Update and clears `body`.
    virtual void DestroyBody(ThvPhysicsBody& body) = 0;
    /// Moves the body to the object's absolute matrix.
    virtual void SetBodyMatrix(ThvPhysicsBody body, const ThvMatrix& matrix) = 0;
    /// The body's simulated matrix; the identity when the engine cannot run.
    [[nodiscard]] virtual ThvMatrix GetBodyMatrix(ThvPhysicsBody body) = 0;
    /// Adds a velocity change to the object's body at its absolute position.
    virtual void AddImpulse(ThvVisualObject* object, const ThvVector& impulse) = 0;
    /// Pushes every body within `radius` of `centre` away from it.
    virtual void Explosion(ThvPhysicsWorld world, const ThvVector& centre, float radius, float force) = 0;
    virtual void DoNothing() { }

protected:
    ThvPhysicsWorld m_screenWorld = nullptr;
    ThvPhysicsWorld m_cameraWorld = nullptr;

private:
    ThvScene* m_scene; // not owned: the scene owns the engine
};

/// A physics engine class: what the scene needs to make an engine without naming its class.
struct ThvPhysicsClass {
    const rtl::TClassInfo& (*classInfo)();
    ThvPhysics* (*create)(ThvScene* scene);

    /// A new engine for `scene`, owned by the caller.
    [[nodiscard]] rtl::TOwned<ThvPhysics> Create(ThvScene* scene) const
    {
        return rtl::TOwned<ThvPhysics>(create(scene));
    }
};

/// The class of an engine type T with a constructor taking the scene.
template <class T>
inline constexpr ThvPhysicsClass kPhysicsClassOf {
    &T::StaticClass,
    [](ThvScene* scene) -> ThvPhysics* { return new T(scene); },
};

/// The engine class scenes create; null until the physics module's start-up sets it.
inline const ThvPhysicsClass* hvDefaultPhysicsClass = nullptr;
