#include "scene3d/ThvObject.h"

#include "graphics/ObjectText.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Writer.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace {

constexpr rtl::TPropInfo kObjectProps[] = {
    RTL_PROP(ThvObject, Parent, Component, rtl::kNoDefault, false),
    RTL_PROP(ThvObject, ResourceName, String, ""),
};

constexpr rtl::TEventInfo kObjectEvents[] = {
    RTL_EVENT(ThvObject, OnTick),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvObject, .props = kObjectProps, .events = kObjectEvents)

ThvObject::ThvObject(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

ThvObject::~ThvObject()
{
    assert(m_children.empty() && !m_parent);
}

void ThvObject::BeforeDestruction()
{
    LeavePlace();
    m_scene = nullptr;
    DeleteChildren();
    m_scene = nullptr;
    Inherited::BeforeDestruction();
}

// ---- published ----------------------------------------------------------------------------

void ThvObject::SetResourceName(const std::string& value)
{
    m_resourceName = value;
}

void ThvObject::SetParent(ThvObject* value)
{
    if (value && value == m_parent && value->HasChild(this))
        return;
    // A parent among the object's own subtree would make the tree a cycle.
    if (value && IsSelfOrAncestorOf(value))
        return;
    LeavePlace();
    if (value)
        value->AddObject(this);
}

// ---- scene link ---------------------------------------------------------------------------

void ThvObject::SetSceneRecursive(ThvScene* scene)
{
    ThvScene* previous = std::exchange(m_scene, scene);
    if (previous != scene)
        SceneChanged(previous);
    for (ThvObject* child : m_children)
        child->SetSceneRecursive(scene);
}

void ThvObject::PropagateScene()
{
    if (m_parent) {
        ThvScene* previous = std::exchange(m_scene, m_parent->m_scene);
        if (previous != m_scene)
            SceneChanged(previous);
    }
    for (ThvObject* child : m_children)
        child->PropagateScene();
}

// ---- children -----------------------------------------------------------------------------

ThvObject* ThvObject::GetChild(int index) const
{
    if (index < 0 || index >= GetChildCount())
        return nullptr;
    return m_children[static_cast<size_t>(index)];
}

bool ThvObject::HasChild(const ThvObject* child) const
{
    return std::find(m_children.begin(), m_children.end(), child) != m_children.end();
}

bool ThvObject::IsSelfOrAncestorOf(const ThvObject* other) const
{
    for (const ThvObject* p = other; p; p = p->m_parent) {
        if (p == this)
            return true;
    }
    return false;
}

std::vector<rtl::Watch<ThvObject>> ThvObject::ChildSnapshot() const
{
    std::vector<rtl::Watch<ThvObject>> snapshot;
    snapshot.reserve(m_children.size());
    for (ThvObject* child : m_children)
        snapshot.emplace_back(child);
    return snapshot;
}

void ThvObject::LeavePlace()
{
    if (m_parent)
        m_parent->RemoveObject(this);
    else if (m_scene)
        m_scene->RemoveObject(this);
}

void ThvObject::AddObject(ThvObject* object)
{
    if (!object || HasChild(object) || object->IsSelfOrAncestorOf(this))
        return;
    // One place at most: an object listed twice would be freed twice.
    object->LeavePlace();
    m_children.push_back(object);
    object->m_parent = this;
    object->PropagateScene();
    ObjectAdded(object);
}

void ThvObject::RemoveObject(ThvObject* object)
{
    const auto it = std::find(m_children.begin(), m_children.end(), object);
    if (it == m_children.end())
        return;
    m_children.erase(it);
    // A detached subtree keeps no links into the tree or the scene it left, so neither can
    // be reached through it once they are freed.
    object->m_parent = nullptr;
    object->SetSceneRecursive(nullptr);
    ObjectRemoved(object);
}

void ThvObject::DeleteChildren()
{
    // Each child leaves the list before it is freed, so it does not try to leave this parent
    // again and its siblings never see it half-gone.
    while (!m_children.empty()) {
        ThvObject* child = m_children.front();
        m_children.erase(m_children.begin());
        child->m_parent = nullptr;
        child->Free();
    }
    m_children.shrink_to_fit();
}

void ThvObject::AddObjectsToList(std::vector<ThvObject*>& list)
{
    list.push_back(this);
    for (ThvObject* child : m_children)
        child->AddObjectsToList(list);
}

void ThvObject::BringToFront()
{
    if (!m_parent)
        return;
    std::vector<ThvObject*>& siblings = m_parent->m_children;
    const auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it == siblings.end())
        return;
    std::rotate(it, it + 1, siblings.end());
    OrderChanged();
}

void ThvObject::SendToBack()
{
    if (!m_parent)
        return;
    std::vector<ThvObject*>& siblings = m_parent->m_children;
    const auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it == siblings.end())
        return;
    std::rotate(siblings.begin(), it, it + 1);
    OrderChanged();
}

// ---- ticks and animations -----------------------------------------------------------------

void ThvObject::ProcessTick(double time, double deltaTime)
{
    // Handlers run inside the walk and may free children or this object: walk a snapshot
    // whose entries turn null when freed (with this object too).
    const rtl::DispatchGuard held(this);
    const std::vector<rtl::Watch<ThvObject>> children = ChildSnapshot();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (ThvObject* child = it->Get())
            child->ProcessTick(time, deltaTime);
    }
    OnTick(this, time, deltaTime);
}

void ThvObject::StartAnimation(const std::string& name)
{
    const rtl::DispatchGuard held(this);
    for (const rtl::Watch<ThvObject>& watched : ChildSnapshot()) {
        ThvObject* child = watched.Get();
        auto* animation = dynamic_cast<scene3d::IAnimationChild*>(child);
        if (animation
            && (rtl::SameText(child->GetName(), name) || rtl::SameText(child->m_resourceName, name)))
            animation->Start();
    }
}

void ThvObject::StopAnimation(const std::string& name)
{
    const rtl::DispatchGuard held(this);
    for (const rtl::Watch<ThvObject>& watched : ChildSnapshot()) {
        ThvObject* child = watched.Get();
        auto* animation = dynamic_cast<scene3d::IAnimationChild*>(child);
        if (animation
            && (rtl::SameText(child->GetName(), name) || rtl::SameText(child->m_resourceName, name)))
            animation->Stop();
    }
}

void ThvObject::StartTriggerAnimation(ThvObject* instance, const std::string& trigger)
{
    const rtl::DispatchGuard held(this);
    StopTriggerAnimation(instance);
    for (const rtl::Watch<ThvObject>& watched : ChildSnapshot()) {
        ThvObject* child = watched.Get();
        if (!child)
            continue;
        if (auto* animation = dynamic_cast<scene3d::IAnimationChild*>(child))
            animation->StartTrigger(instance, trigger);
        else if (child->ReceivesParentTriggers())
            child->StartTriggerAnimation(instance, trigger);
    }
}

void ThvObject::StopTriggerAnimation(ThvObject* instance)
{
    const rtl::DispatchGuard held(this);
    for (const rtl::Watch<ThvObject>& watched : ChildSnapshot()) {
        ThvObject* child = watched.Get();
        if (!child)
            continue;
        if (auto* animation = dynamic_cast<scene3d::IAnimationChild*>(child)) {
            if (!animation->GetTrigger().empty())
                animation->Stop();
        } else if (child->ReceivesParentTriggers()) {
            child->StopTriggerAnimation(instance);
        }
    }
}

void ThvObject::StopAnimations(const std::string& propertyName)
{
    const rtl::DispatchGuard held(this);
    for (const rtl::Watch<ThvObject>& watched : ChildSnapshot()) {
        ThvObject* child = watched.Get();
        auto* animation = dynamic_cast<scene3d::IAnimationChild*>(child);
        auto* property = dynamic_cast<scene3d::IPropertyAnimation*>(child);
        if (animation && property && rtl::SameText(property->GetPropertyName(), propertyName))
            animation->Stop();
    }
}

// ---- object text and streams --------------------------------------------------------------

void ThvObject::SaveToStream(rtl::TStream& stream)
{
    // The stored tree carries no root name, so it can be read into any object.
    rtl::TMemoryStream binary;
    const std::string name = GetName();
    SetName({});
    {
        rtl::ScopeExit restoreName([&] { SetName(name); });
        rtl::WriteComponentToStream(binary, *this);
    }
    binary.SetPosition(0);
    ObjectStreamToText(binary, stream);
}

void ThvObject::LoadFromStream(rtl::TStream& stream)
{
    rtl::TReader reader(stream);
    reader.OnSetName = [](rtl::TReader&, rtl::TComponent*, std::string& name) { name.clear(); };
    reader.OnError = [](rtl::TReader&, const std::string&, bool& handled) { handled = true; };
    reader.ReadRootComponent(this);
}

// ---- streaming hooks ----------------------------------------------------------------------

void ThvObject::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    const std::vector<ThvObject*> children = m_children;
    for (ThvObject* child : children) {
        if (child->m_stored)
            proc(child);
    }
}

rtl::TComponent* ThvObject::GetParentComponent() const
{
    if (m_parent)
        return m_parent;
    return m_scene;
}

void ThvObject::SetParentComponent(rtl::TComponent* value)
{
    if (auto* object = dynamic_cast<ThvObject*>(value))
        object->AddObject(this);
    else if (auto* scene = dynamic_cast<ThvScene*>(value))
        scene->AddObject(this);
    else
        SetParent(nullptr);
}

bool ThvObject::HasParent() const
{
    return true;
}

// ---- hooks --------------------------------------------------------------------------------

void ThvObject::ObjectAdded(ThvObject*) { }

void ThvObject::ObjectRemoved(ThvObject*) { }

void ThvObject::OrderChanged() { }

void ThvObject::SceneChanged(ThvScene*) { }

bool ThvObject::ReceivesParentTriggers() const
{
    return false;
}
