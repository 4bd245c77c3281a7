#pragma once

#include "graphics/Easing.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Value.h"
#include "ui2d/Forward.h"

#include <span>
#include <string>
#include <vector>

/// Compares two children for SortChildren: negative, zero or positive.
using TwzObjectCompare = int (*)(TwzObject* a, TwzObject* b);

// The base of everything that lives in a 2D object tree: shapes, controls, layouts, style
// parts, animations, effects and named resources.
//
// A TwzObject is a component (Name, an Owner that frees it, the loading and destroying
// states) and, independently of that, a node of its own parent/children tree. The tree owns
// its children: freeing an object frees its subtree, and an object freed by its owner first
// leaves its parent. Every object is linked to the host that shows its tree through a plain
// IwzScene pointer shared by the whole subtree.
class TwzObject : public rtl::TComponent {
    RTL_CLASS(TwzObject, rtl::TComponent)
public:
    explicit TwzObject(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] TwzObject* GetParent() const { return m_parent; }
    /// Moves the object under `value`; null detaches it from its parent, or, for a root,
    /// from its host. Nothing when `value` is the current parent (other than null), and
    /// nothing when `value` is the object itself or one of its descendants, which would make
    /// the tree a cycle.
    virtual void SetParent(TwzObject* value);
    [[nodiscard]] const std::string& GetBindingName() const { return m_bindingName; }
    void SetBindingName(const std::string& value);
    [[nodiscard]] const std::string& GetResourceName() const { return m_resourceName; }
    void SetResourceName(const std::string& value);

    /// Only stored objects are written as children and found as live style resources.
    [[nodiscard]] bool GetStored() const { return m_stored; }
    void SetStored(bool value) { m_stored = value; }
    /// Sets Stored on the object and its whole subtree; nothing at all (the children are not
    /// visited) when the object already has that value.
    void SetStoredRecursive(bool value);

    /// True for TwzVisualObject and its descendants, from construction on.
    [[nodiscard]] bool IsVisual() const { return m_isVisual; }
    /// The object as a visual object; null when it is not one.
    [[nodiscard]] virtual TwzVisualObject* AsVisual();
    /// The object as a control; null when it is not one.
    [[nodiscard]] virtual TwzControl* AsControl();

    /// Free for the application's use; the tree never reads them.
    [[nodiscard]] rtl::TObject* GetTagObject() const { return m_tagObject; }
    void SetTagObject(rtl::TObject* value) { m_tagObject = value; }
    [[nodiscard]] const std::string& GetTagString() const { return m_tagString; }
    void SetTagString(const std::string& value) { m_tagString = value; }

    /// True makes the object's child effects count as absent.
    [[nodiscard]] bool GetDisableEffect() const { return m_disableEffect; }
    void SetDisableEffect(bool value) { m_disableEffect = value; }

    // The host link.
    [[nodiscard]] IwzScene* GetScene() const { return m_scene; }
    /// Sets this object's link only (hosts set it on their roots).
    void SetScene(IwzScene* scene) { m_scene = scene; }
    /// Sets the link on the object and every descendant.
    void AssignSceneRecursive(IwzScene* scene);
    /// For the object and then every descendant: takes the parent's link when it has none.
    void InheritScene();

    // Children, in painting and streaming order.
    [[nodiscard]] int GetChildCount() const { return static_cast<int>(m_children.size()); }
    /// The child at `index`; null at or beyond the count. A negative index is the caller's
    /// error.
    [[nodiscard]] TwzObject* GetChild(int index) const;
    [[nodiscard]] std::span<TwzObject* const> Children() const { return m_children; }

    /// Appends `child` and hands it this object's host link. A child that has another parent
    /// (or is a root of a host) leaves it first; adding a child that is already here, the
    /// object itself or one of its ancestors does nothing.
    virtual void AddObject(TwzObject* child);
    /// Detaches `child` without freeing it; its host link is released (its descendants keep
    /// theirs). Nothing for an object that is not a child of this one.
    virtual void RemoveObject(TwzObject* child);
    /// Detaches and frees every child, first child first.
    virtual void DeleteChildren();

    /// Moves the object to the end of its parent's children (painted last).
    void BringToFront();
    /// Moves the object to the front of its parent's children (painted first).
    void SendToBack();
    /// Sorts the children; the order of children that compare equal is kept.
    void SortChildren(TwzObjectCompare compare);

    /// Appends the object, then its subtree depth first.
    void AddObjectsToList(std::vector<TwzObject*>& list);
    /// The same, only the objects that are controls.
    void AddControlsToList(std::vector<TwzControl*>& list);

    /// Free-notify list: persistents (values linking to this object) and objects that must
    /// hear when this object is freed. No duplicates; null is ignored.
    void AddFreeNotify(rtl::TPersistent* item);
    void RemoveFreeNotify(rtl::TPersistent* item);

    /// Depth-first search of the descendants (not the object itself) for a ResourceName
    /// equal to `name`, ignoring ASCII case; each child is tested before its subtree. Null for
    /// the empty name.
    [[nodiscard]] virtual TwzObject* FindResource(const std::string& name);
    /// The object itself when its BindingName matches (ASCII case ignored); otherwise each
    /// child in order, each before its own subtree.
    [[nodiscard]] TwzObject* FindBindingObject(const std::string& name);

    // Data binding.
    /// The object's bound value; the base answers the component Name.
    [[nodiscard]] virtual rtl::TValue GetData();
    /// Takes a bound value; the base ignores it.
    virtual void SetData(const rtl::TValue& value);
    /// GetData of FindBindingObject(name); the empty text when nothing carries the name.
    [[nodiscard]] virtual rtl::TValue GetBinding(const std::string& name);
    /// SetData on FindBindingObject(name); any exception of SetData is swallowed.
    virtual void SetBinding(const std::string& name, const rtl::TValue& value);

    /// The class name of the items design tools offer to add; empty in the base.
    [[nodiscard]] virtual std::string GetItemClassName();

    /// Unless loading or being destroyed: UpdateStyle on every child.
    virtual void UpdateStyle();

    /// Start / Stop on every child animation whose component Name equals `name` (ASCII case
    /// ignored); only direct children.
    virtual void StartAnimation(const std::string& name);
    virtual void StopAnimation(const std::string& name);

    /// Stops the trigger animations, then starts every child animation's trigger, passing
    /// into the parts of an applied style (visual, locked, not hit-testable children).
    /// `instance` is the object whose published Boolean properties the trigger tests.
    virtual void StartTriggerAnimation(TwzObject* instance, const std::string& trigger);
    /// The same, waiting after each animation while it runs, with the application's messages
    /// processed. The wait ends early when the animation, this object or `instance` is freed,
    /// when the loop ends, or when no message loop is installed (nothing could advance it).
    virtual void StartTriggerAnimationWait(TwzObject* instance, const std::string& trigger);
    /// Stops every child animation that has a trigger; the same recursion.
    virtual void StopTriggerAnimation(TwzObject* instance);
    /// ApplyTrigger on every child effect; the same recursion.
    virtual void ApplyTriggerEffect(TwzObject* instance, const std::string& trigger);

    /// Moves the Float property at `propertyName` (a dotted path such as "Position.X") from
    /// its current value to `newValue` in `duration` seconds with a new float animation
    /// child, which frees itself when it has finished.
    void AnimateFloat(const std::string& propertyName, float newValue, float duration,
        TwzAnimationType animationType, TwzInterpolationType interpolation);
    /// The same, then waits with the application's messages processed until the animation
    /// has finished, and frees it. The wait ends early when the animation or this object is
    /// freed or the loop ends; a wait that cannot go on (no message loop) writes the end
    /// value at once.
    void AnimateFloatWait(const std::string& propertyName, float newValue, float duration,
        TwzAnimationType animationType, TwzInterpolationType interpolation);

    // Saving, loading and cloning through the binary component stream.
    /// Writes the object and its stored subtree with an empty root name.
    void SaveObjectToStream(rtl::TStream& stream);
    /// The same, as object text.
    void SaveObjectAsText(rtl::TStream& stream);
    /// Reads a stream into this object, every name read cleared; unknown properties and bad
    /// values are skipped. A damaged stream raises rtl::ReadError.
    void LoadObjectFromStream(rtl::TStream& stream);
    /// A new object of this object's class owned by `owner`, with the stored properties and
    /// stored children of this one and every name empty; not attached to any parent. Read
    /// errors raise (the half-made clone is freed first); null when the class has no factory.
    [[nodiscard]] TwzObject* CloneObject(rtl::TComponent* owner);

    // Streaming hooks.
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    [[nodiscard]] rtl::TComponent* GetParentComponent() const override;
    void SetParentComponent(rtl::TComponent* value) override;
    [[nodiscard]] bool HasParent() const override;

protected:
    ~TwzObject() override;

    /// Told after the parent changed (from AddObject, and once more from SetParent).
    virtual void ParentChanged();

    // The steps of the tree that the visual, control and effect layers extend. Empty here.
    /// End of AddObject, on the new parent: the visual layer marks itself dirty, repaints for
    /// effects, realigns and extends its tab list.
    virtual void ObjectAdded(TwzObject* child);
    /// End of AddObject, on the child: the visual layer marks its absolute opacity for
    /// recomputing unless the parent is loading.
    virtual void AttachedToParent();
    /// Start of RemoveObject, on the parent: the visual layer drops `child` from its tab list.
    virtual void ObjectRemoving(TwzObject* child);
    /// End of BringToFront: the visual layer repaints the object.
    virtual void BroughtToFront();
    /// End of SendToBack, on the parent: the visual layer realigns its children.
    virtual void ChildSentToBack(TwzObject* child);
    /// True for a part of an applied style (visual, locked, not hit-testable): it receives
    /// its parent's trigger requests.
    [[nodiscard]] virtual bool ReceivesParentTriggers() const;
    /// True for a content container: its children stream as its parent's.
    [[nodiscard]] virtual bool IsContent() const;
    /// True when a child reports this object's parent instead of this one as its parent
    /// component (content containers, the combo box's list).
    [[nodiscard]] virtual bool SkippedAsParentComponent() const;

    /// Called by TwzVisualObject's constructor.
    void MarkVisual() { m_isVisual = true; }

    // The has-effects cache (the painting layer computes it).
    [[nodiscard]] bool HasEffectsMarked() const { return m_hasEffectsMarked; }
    [[nodiscard]] bool CachedHasEffects() const { return m_hasEffects; }
    void SetCachedHasEffects(bool value)
    {
        m_hasEffects = value;
        m_hasEffectsMarked = false;
    }
    void MarkHasEffects() { m_hasEffectsMarked = true; }

    /// Leaves the parent, or the host when the object is a root of one.
    void LeavePlace();

    /// Leaves the parent and the host, frees the subtree, tells the free-notify list; then
    /// the component's own steps.
    void BeforeDestruction() override;

private:
    friend struct ui2d::ObjectInstanceAccess;

    [[nodiscard]] bool IsSelfOrAncestorOf(const TwzObject* other) const;
    [[nodiscard]] bool HasChild(const TwzObject* child) const;
    void WaitWhileRunning(TwzObject* animation, TwzObject* instance);

    std::string m_resourceName;
    std::string m_bindingName;
    std::string m_tagString;
    std::vector<TwzObject*> m_children; // owned by the tree
    std::vector<rtl::TPersistent*> m_freeNotifies; // not owned
    std::vector<TwzObject*> m_freeNotifyHolders; // objects whose free-notify list holds this one
    TwzObject* m_parent = nullptr;
    IwzScene* m_scene = nullptr;
    rtl::TObject* m_tagObject = nullptr;
    // Live-object list, in construction order.
    TwzObject* m_instancePrev = nullptr;
    TwzObject* m_instanceNext = nullptr;
    bool m_inInstanceList = false;
    bool m_stored = true;
    bool m_isVisual = false;
    bool m_hasEffectsMarked = true;
    bool m_hasEffects = false;
    bool m_disableEffect = false;
};

namespace ui2d {

/// What the tree asks of a child animation (TwzAnimation implements it), so that requests
/// reach animations through the tree.
class IAnimationChild {
public:
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual void StartTrigger(TwzObject* instance, const std::string& trigger) = 0;
    [[nodiscard]] virtual bool GetRunning() const = 0;
    [[nodiscard]] virtual const std::string& GetTrigger() const = 0;

protected:
    ~IAnimationChild() = default;
};

/// What the tree asks of a child effect (TwzEffect implements it).
class IEffectChild {
public:
    virtual void ApplyTrigger(TwzObject* instance, const std::string& trigger) = 0;

protected:
    ~IEffectChild() = default;
};

} // namespace ui2d
