#pragma once

#include "scene3d/Forward.h"
#include "scene3d/Math3D.h"
#include "scene3d/ThvPhysics.h"

#include "platform/physics/PhysicsApi.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace platform::physics {
class PhysicsLoader;
} // namespace platform::physics

// The physics engine of a scene over the rigid-body module, which is loaded the first time a
// scene makes its engine and unloaded when the last engine goes. Two worlds per engine: one
// for camera-projected objects (3D units, gravity (0, 0, -8.9)), one for screen-projected
// objects (pixels, gravity (0, 49, 0), bodies keep their Z axis). Dynamic bodies have mass 1
// and freeze after five slow steps; destroyed bodies leave their world at once and are
// deleted at the next Update.
//
// Without the module (or with an unusable one) the engine is not Available: worlds are null,
// bodies 0, matrices the identity, and everything else does nothing.
//
// Body handles are the module's body pointers; handles the engine did not make (another
// scene's, stale ones) are ignored. GUI thread only.
class ThvNewtonPhysics final : public ThvPhysics {
    RTL_CLASS(ThvNewtonPhysics, ThvPhysics)
public:
    /// Acquires the module through the default physics loader.
    explicit ThvNewtonPhysics(ThvScene* scene);

    /// True when the module was loaded and usable when this engine was made.
    [[nodiscard]] bool GetAvailable() const { return m_api != nullptr; }
    /// False until the engine makes its first dynamic body; worlds are not stepped before.
    [[nodiscard]] bool GetHasDynamicBodies() const { return m_hasDynamicBodies; }
    /// The world of the object's projection, made on first request; null when unavailable.
    ThvPhysicsWorld WorldFor(const ThvVisualObject* object);
    /// Bodies waiting in the destroy queue.
    [[nodiscard]] int GetDestroyQueueCount() const { return static_cast<int>(m_destroyQueue.size()); }
    /// Bodies the engine made and has not deleted yet (queued ones included).
    [[nodiscard]] int GetBodyCount() const { return static_cast<int>(m_bodies.size()); }

    ThvPhysicsWorld CreateWorld() override;
    /// Destroys a world this engine made, with its bodies; other worlds are ignored.
    void DestroyWorld(ThvPhysicsWorld world) override;
    void Update(ThvPhysicsWorld world, double deltaTime) override;
    void TrackCollisions(ThvVisualObject* object, std::vector<ThvVisualObject*>& list) override;
    void QueryCollisions(ThvVisualObject* object, std::vector<ThvVisualObject*>& list) override;
    [[nodiscard]] ThvVisualObject* GetBodyObject(ThvPhysicsBody body) override;
    ThvPhysicsBody CreateBox(ThvVisualObject* object, const ThvVector& size) override;
    ThvPhysicsBody CreateSphere(ThvVisualObject* object, const ThvVector& size) override;
    /// Cone and cylinder run along the object's X axis over its Width, like their meshes; the
    /// round cross-section takes the larger of Height and Depth as its diameter.
    ThvPhysicsBody CreateCone(ThvVisualObject* object, const ThvVector& size) override;
    ThvPhysicsBody CreateCylinder(ThvVisualObject* object, const ThvVector& size) override;
    void DestroyBody(ThvPhysicsBody& body) override;
    void SetBodyMatrix(ThvPhysicsBody body, const ThvMatrix& matrix) override;
    [[nodiscard]] ThvMatrix GetBodyMatrix(ThvPhysicsBody body) override;
    void AddImpulse(ThvVisualObject* object, const ThvVector& impulse) override;
    /// Every body whose box meets the cube of half size `radius` around `centre` gets a
    /// velocity change of `force` away from the centre; a body exactly at the centre none.
    void Explosion(ThvPhysicsWorld world, const ThvVector& centre, float radius, float force) override;

    /// The most bodies one TrackCollisions looks at.
    static constexpr size_t kMaxTrackedBodies = 1004;

protected:
    /// Destroys the worlds (and with them every body), then lets the module go.
    ~ThvNewtonPhysics() override;

private:
    struct BodyInfo;
    enum class ShapeKind : uint8_t { Box, Sphere, Cone, Cylinder };

    ThvPhysicsBody CreateBodyOf(ShapeKind kind, ThvVisualObject* object, const ThvVector& size);
    /// The bookkeeping of a body this engine made; null for any other handle.
    [[nodiscard]] BodyInfo* Find(ThvPhysicsBody body) const;
    [[nodiscard]] bool IsOwnWorld(ThvPhysicsWorld world) const;
    [[nodiscard]] bool IsQueued(const GfPhysicsBody* body) const;
    /// The body of a live, visible object that is neither queued nor unknown; null otherwise.
    [[nodiscard]] GfPhysicsBody* CollidingBodyOf(const ThvVisualObject* object) const;
    /// The bodies (other than `own`) touching `own`, with their contacts; at most `limit`
    /// bodies of the box query are looked at.
    struct Contact;
    [[nodiscard]] std::vector<Contact> FindContacts(GfPhysicsBody* own, size_t limit) const;
    void ForgetBody(GfPhysicsBody* body);
    static void ApplyGravity(GfPhysicsBody* body, float timeStep);

    /// The engine whose world is being stepped, for the force callback.
    static inline ThvNewtonPhysics* s_stepping = nullptr;

    platform::physics::PhysicsLoader* m_loader; // the loader acquired from; released once
    const GfPhysicsApiV1* m_api = nullptr;
    std::vector<GfPhysicsWorld*> m_worlds; // every world this engine made
    std::unordered_map<GfPhysicsBody*, std::unique_ptr<BodyInfo>> m_bodies;
    std::vector<GfPhysicsBody*> m_destroyQueue;
    bool m_hasDynamicBodies = false;
};

/// Physics module start-up: makes scenes create ThvNewtonPhysics engines. The module itself
/// is not touched until a scene asks for its engine.
void hvNewtonPhysicsInit();
/// Physics module shut-down, after every scene is gone.
void hvNewtonPhysicsDone();
