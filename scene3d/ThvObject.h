#pragma once

#include "graphics/Easing.h"
#include "scene3d/Forward.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// Raised by ProcessTick: the sender, the time and the time since the last tick, in seconds.
using ThvProcessTickEvent = rtl::TEvent<rtl::TObject*, double, double>;

// The base of everything that lives in a 3D scene: visual objects, animations, named bitmap
// resources and the object layers.
//
// A ThvObject is a component (Name, an Owner that frees it, the loading and destroying states)
// and, independently of that, a node of its own parent/children tree. The tree owns its
// children: freeing an object frees its subtree, and an object freed by its owner first leaves
// its parent. Every object in a tree links to the scene control that hosts the tree; the link
// is shared by the whole tree and cleared when a subtree leaves it.
class ThvObject : public rtl::TComponent {
    RTL_CLASS(ThvObject, rtl::TComponent)
public:
    explicit ThvObject(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] ThvObject* GetParent() const { return m_parent; }
    /// Moves the object under `value`: it leaves its parent (or its scene's roots) first and
    /// takes the new parent's scene. Null detaches it. Nothing for the current parent, and
    /// nothing for the object itself or one of its descendants, which would make a cycle.
    virtual void SetParent(ThvObject* value);
    [[nodiscard]] const std::string& GetResourceName() const { return m_resourceName; }
    /// A second name under which named animations and resource lookups find the object.
    virtual void SetResourceName(const std::string& value);

    ThvProcessTickEvent OnTick;

    /// False leaves the object out when its parent is written (children a class makes for
    /// itself).
    [[nodiscard]] bool GetStored() const { return m_stored; }
    void SetStored(bool value) { m_stored = value; }

    /// The scene control hosting the tree; null outside a scene.
    [[nodiscard]] ThvScene* GetScene() const { return m_scene; }
    /// Sets the link on the object and its whole subtree (scenes set it on their roots).
    void SetSceneRecursive(ThvScene* scene);

    /// The object as a visual object; null for one that is not (a cheaper dynamic_cast).
    [[nodiscard]] virtual ThvVisualObject* AsVisual() { return nullptr; }
    [[nodiscard]] virtual const ThvVisualObject* AsVisual() const { return nullptr; }

    // Children, in painting order and the order of every walk.
    [[nodiscard]] int GetChildCount() const { return static_cast<int>(m_children.size()); }
    /// The child at `index`; null outside the list.
    [[nodiscard]] ThvObject* GetChild(int index) const;
    [[nodiscard]] std::span<ThvObject* const> Children() const { return m_children; }

    /// Calls ProcessTick on every child, last first, then raises OnTick. A child freed on the
    /// way is skipped; when this object is freed the walk stops.
    virtual void ProcessTick(double time, double deltaTime);
    /// Appends `object` and gives it this object's scene. An object with another parent (or
    /// a root of a scene) leaves it first; the object itself, an ancestor or a child already
    /// here is refused.
    virtual void AddObject(ThvObject* object);
    /// Detaches `object` without freeing it; it and its subtree lose their scene link.
    /// Nothing for an object that is not a child.
    virtual void RemoveObject(ThvObject* object);
    /// Detaches and frees every child, first child first.
    virtual void DeleteChildren();
    /// Appends the object, then its subtree depth first.
    virtual void AddObjectsToList(std::vector<ThvObject*>& list);

    /// Start / Stop on every child animation whose Name or ResourceName equals `name`,
    /// ASCII case ignored; direct children only.
    virtual void StartAnimation(const std::string& name);
    virtual void StopAnimation(const std::string& name);
    /// Stops the trigger animations, then offers `trigger` to every child animation, passing
    /// into locked decoration children that take no hits. `instance` is the object whose
    /// published Boolean properties the trigger conditions test.
    virtual void StartTriggerAnimation(ThvObject* instance, const std::string& trigger);
    /// Stops every child animation that has a trigger; the same recursion.
    virtual void StopTriggerAnimation(ThvObject* instance);
    /// Stops the child float and colour animations of that property (ASCII case ignored).
    void StopAnimations(const std::string& propertyName);

    // ---- one-call property animations (bodies in ThvObjectAnimate.cpp) -------------------
    /// Stops the float and colour animations of `propertyName`, then starts a child float
    /// animation that moves that property (a name or a dotted path such as "Position.X") from
    /// its current value to `newValue` in `duration` seconds along the given curve, and frees
    /// itself when it has finished. Returns at once. On a hidden visual object the end value
    /// is applied at once and nothing is left behind.
    void AnimateFloat(const std::string& propertyName, float newValue, float duration,
        TwzAnimationType animationType, TwzInterpolationType interpolation);
    /// As AnimateFloat, then runs the application's event loop until the animation has
    /// stopped and frees it: the caller continues with the property at its end value. The
    /// object may be changed or freed by other handlers meanwhile; the wait also ends when the
    /// animation is freed by someone else. Without a running application the end value is
    /// applied at once.
    void AnimateFloatWait(const std::string& propertyName, float newValue, float duration,
        TwzAnimationType animationType, TwzInterpolationType interpolation);

    /// Moves the object to the end of its parent's children (painted last).
    void BringToFront();
    /// Moves the object to the front of its parent's children (painted first).
    void SendToBack();

    /// Writes the object and its stored subtree as object text, with an empty root name.
    void SaveToStream(rtl::TStream& stream);
    /// Reads a binary component stream into this object: every name read is dropped and
    /// unknown or bad properties are skipped. A damaged stream raises rtl::ReadError.
    void LoadFromStream(rtl::TStream& stream);

    // Streaming hooks.
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    [[nodiscard]] rtl::TComponent* GetParentComponent() const override;
    void SetParentComponent(rtl::TComponent* value) override;
    [[nodiscard]] bool HasParent() const override;

protected:
    ~ThvObject() override;

    /// Leaves the parent (or the scene's roots), frees the subtree, then the component's own
    /// steps.
    void BeforeDestruction() override;

    // Steps of the tree that the visual objects extend; empty here.
    /// End of AddObject, on the new parent: the visual layer hands down its projection,
    /// recomputes its matrices and realigns.
    virtual void ObjectAdded(ThvObject* child);
    /// End of RemoveObject, on the former parent: the visual layer realigns and repaints.
    virtual void ObjectRemoved(ThvObject* child);
    /// End of BringToFront and SendToBack: the visual layer repaints.
    virtual void OrderChanged();
    /// True for a locked decoration child that takes no hits: it passes its parent's trigger
    /// requests on to its own animations.
    [[nodiscard]] virtual bool ReceivesParentTriggers() const;
    /// After the object's scene link changed (it joined a scene, left one, or both); the
    /// links of its subtree may not have followed yet. The visual layer keeps its physics
    /// body in step with the scene.
    virtual void SceneChanged(ThvScene* previous);

private:
    friend class ThvScene;

    [[nodiscard]] bool IsSelfOrAncestorOf(const ThvObject* other) const;
    [[nodiscard]] bool HasChild(const ThvObject* child) const;
    /// Leaves the parent, or the scene's roots when the object is a root.
    void LeavePlace();
    /// Takes the parent's scene link, then each child the same, recursively.
    void PropagateScene();
    /// The children as they are now, each turning null when it is freed.
    [[nodiscard]] std::vector<rtl::Watch<ThvObject>> ChildSnapshot() const;

    std::string m_resourceName;
    std::vector<ThvObject*> m_children; // owned by the tree
    ThvObject* m_parent = nullptr;
    ThvScene* m_scene = nullptr;
    bool m_stored = true;
};

namespace scene3d {

/// The tag of a scene's own design objects (camera rig, grid): locked, never stored, skipped
/// by picking, the focus walk and the design tools, and shown without a gizmo.
inline constexpr int64_t kDesignObjectTag = 65534;

/// What the tree asks of a child animation (ThvAnimation implements it), so that names and
/// triggers reach animations through the tree.
class IAnimationChild {
public:
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual void StartTrigger(ThvObject* instance, const std::string& trigger) = 0;
    [[nodiscard]] virtual bool GetRunning() const = 0;
    [[nodiscard]] virtual const std::string& GetTrigger() const = 0;

protected:
    ~IAnimationChild() = default;
};

/// A child animation that writes one property of its parent (the float and colour
/// animations implement it); StopAnimations finds them by that property.
class IPropertyAnimation {
public:
    [[nodiscard]] virtual const std::string& GetPropertyName() const = 0;

protected:
    ~IPropertyAnimation() = default;
};

} // namespace scene3d
