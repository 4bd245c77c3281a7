#include "ui2d/TwzObject.h"

#include "graphics/ObjectLinks.h"
#include "graphics/ObjectText.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Writer.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"

#include <algorithm>
#include <cassert>
#include <thread>
#include <utility>

namespace {

constexpr rtl::TPropInfo kObjectProps[] = {
    RTL_PROP(TwzObject, Parent, Component, rtl::kNoDefault, false),
    RTL_PROP(TwzObject, BindingName, String, ""),
    RTL_PROP(TwzObject, ResourceName, String, ""),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzObject, .props = kObjectProps)

TwzObject::TwzObject(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{
    AddObjectInstance(this);
}

TwzObject::~TwzObject()
{
    assert(m_children.empty() && m_freeNotifies.empty() && m_freeNotifyHolders.empty() && !m_parent);
}

void TwzObject::BeforeDestruction()
{
    if (m_scene)
        m_scene->Notification(this, rtl::opRemove);

    // Entries may unregister themselves or others while they are told, so the live list is
    // consumed one entry at a time.
    while (!m_freeNotifies.empty()) {
        rtl::TPersistent* item = m_freeNotifies.front();
        m_freeNotifies.erase(m_freeNotifies.begin());
        if (auto* object = dynamic_cast<TwzObject*>(item)) {
            std::erase(object->m_freeNotifyHolders, this);
            object->Notification(this, rtl::opRemove);
        } else if (auto* link = dynamic_cast<objectlinks::IFreeNotify*>(item)) {
            link->FreeNotify(this);
        }
    }
    // An object freed before the holder whose list it is on leaves that list, so no holder
    // ever tells a freed object.
    for (TwzObject* holder : std::exchange(m_freeNotifyHolders, {}))
        std::erase(holder->m_freeNotifies, this);

    ui2d::ObjectInstanceAccess::Remove(this);

    LeavePlace();
    m_scene = nullptr;

    DeleteChildren();

    Inherited::BeforeDestruction();
}

// ---- published ---------------------------------------------------------------------------

void TwzObject::SetBindingName(const std::string& value)
{
    if (value != m_bindingName)
        m_bindingName = value;
}

void TwzObject::SetResourceName(const std::string& value)
{
    if (value != m_resourceName)
        m_resourceName = value;
}

void TwzObject::SetStoredRecursive(bool value)
{
    if (m_stored == value)
        return;
    m_stored = value;
    for (TwzObject* child : m_children)
        child->SetStoredRecursive(value);
}

TwzVisualObject* TwzObject::AsVisual()
{
    return nullptr;
}

TwzControl* TwzObject::AsControl()
{
    return nullptr;
}

// ---- host link ---------------------------------------------------------------------------

void TwzObject::AssignSceneRecursive(IwzScene* scene)
{
    m_scene = scene;
    for (TwzObject* child : m_children)
        child->AssignSceneRecursive(scene);
}

void TwzObject::InheritScene()
{
    if (!m_scene && m_parent)
        m_scene = m_parent->m_scene;
    for (TwzObject* child : m_children)
        child->InheritScene();
}

// ---- children ----------------------------------------------------------------------------

TwzObject* TwzObject::GetChild(int index) const
{
    assert(index >= 0);
    if (index < 0 || index >= GetChildCount())
        return nullptr;
    return m_children[static_cast<size_t>(index)];
}

bool TwzObject::HasChild(const TwzObject* child) const
{
    return std::find(m_children.begin(), m_children.end(), child) != m_children.end();
}

bool TwzObject::IsSelfOrAncestorOf(const TwzObject* other) const
{
    for (const TwzObject* p = other; p; p = p->m_parent) {
        if (p == this)
            return true;
    }
    return false;
}

void TwzObject::LeavePlace()
{
    if (m_parent)
        m_parent->RemoveObject(this);
    else if (m_scene)
        m_scene->RemoveObject(this);
}

void TwzObject::AddObject(TwzObject* child)
{
    if (!child || (child->m_parent == this && HasChild(child)))
        return;
    // A child among its own descendants would make the tree a cycle.
    if (child->IsSelfOrAncestorOf(this))
        return;
    // One parent at most: an object still listed elsewhere would be freed twice.
    if (child->m_parent != this)
        child->LeavePlace();

    m_children.push_back(child);
    child->m_parent = this;
    child->m_scene = m_scene;
    child->InheritScene();
    child->ParentChanged();
    MarkHasEffects();
    ObjectAdded(child);
    child->AttachedToParent();
}

void TwzObject::RemoveObject(TwzObject* child)
{
    // Clearing the parent of somebody else's child would leave it listed there for good.
    if (!child || child->m_parent != this)
        return;
    ObjectRemoving(child);
    child->m_parent = nullptr;
    child->m_scene = nullptr;
    std::erase(m_children, child);
    MarkHasEffects();
}

void TwzObject::DeleteChildren()
{
    // Each child leaves the list before it is freed, so it does not try to leave this parent
    // again and its siblings never see it half-gone.
    while (!m_children.empty()) {
        TwzObject* child = m_children.front();
        m_children.erase(m_children.begin());
        child->m_parent = nullptr;
        child->Free();
    }
    m_children.shrink_to_fit();
    MarkHasEffects();
}

void TwzObject::SetParent(TwzObject* value)
{
    if (value == m_parent) {
        // A root of a host has no parent, yet detaching it means leaving the host.
        if (!value && m_scene)
            m_scene->RemoveObject(this);
        return;
    }
    if (value && IsSelfOrAncestorOf(value))
        return;
    LeavePlace();
    if (value) {
        value->AddObject(this);
        ParentChanged();
    }
}

void TwzObject::BringToFront()
{
    if (!m_parent || m_parent->m_children.empty())
        return;
    std::vector<TwzObject*>& siblings = m_parent->m_children;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it == siblings.end())
        return;
    std::rotate(it, it + 1, siblings.end());
    BroughtToFront();
}

void TwzObject::SendToBack()
{
    if (!m_parent || m_parent->m_children.empty())
        return;
    std::vector<TwzObject*>& siblings = m_parent->m_children;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it == siblings.end())
        return;
    std::rotate(siblings.begin(), it, it + 1);
    m_parent->ChildSentToBack(this);
}

void TwzObject::SortChildren(TwzObjectCompare compare)
{
    if (!compare || m_children.size() < 2)
        return;
    // A stable merge sort stays in bounds even for a comparison that is not consistent.
    std::stable_sort(m_children.begin(), m_children.end(),
        [compare](TwzObject* a, TwzObject* b) { return compare(a, b) < 0; });
}

void TwzObject::AddObjectsToList(std::vector<TwzObject*>& list)
{
    list.push_back(this);
    for (TwzObject* child : m_children)
        child->AddObjectsToList(list);
}

void TwzObject::AddControlsToList(std::vector<TwzControl*>& list)
{
    if (TwzControl* control = AsControl())
        list.push_back(control);
    for (TwzObject* child : m_children)
        child->AddControlsToList(list);
}

// ---- free-notify list --------------------------------------------------------------------

void TwzObject::AddFreeNotify(rtl::TPersistent* item)
{
    if (!item || item == this)
        return;
    if (std::find(m_freeNotifies.begin(), m_freeNotifies.end(), item) != m_freeNotifies.end())
        return;
    m_freeNotifies.push_back(item);
    if (auto* object = dynamic_cast<TwzObject*>(item))
        object->m_freeNotifyHolders.push_back(this);
}

void TwzObject::RemoveFreeNotify(rtl::TPersistent* item)
{
    if (!item)
        return;
    const auto removed = std::erase(m_freeNotifies, item);
    if (removed == 0)
        return;
    if (auto* object = dynamic_cast<TwzObject*>(item))
        std::erase(object->m_freeNotifyHolders, this);
}

// ---- lookups and data binding ------------------------------------------------------------

TwzObject* TwzObject::FindResource(const std::string& name)
{
    if (name.empty())
        return nullptr;
    for (TwzObject* child : m_children) {
        if (rtl::SameText(child->m_resourceName, name))
            return child;
        if (TwzObject* found = child->FindResource(name))
            return found;
    }
    return nullptr;
}

TwzObject* TwzObject::FindBindingObject(const std::string& name)
{
    if (rtl::SameText(m_bindingName, name))
        return this;
    for (TwzObject* child : m_children) {
        if (rtl::SameText(child->m_bindingName, name))
            return child;
        if (TwzObject* found = child->FindBindingObject(name))
            return found;
    }
    return nullptr;
}

rtl::TValue TwzObject::GetData()
{
    return GetName();
}

void TwzObject::SetData(const rtl::TValue&) { }

rtl::TValue TwzObject::GetBinding(const std::string& name)
{
    if (TwzObject* object = FindBindingObject(name))
        return object->GetData();
    return std::string();
}

void TwzObject::SetBinding(const std::string& name, const rtl::TValue& value)
{
    TwzObject* object = FindBindingObject(name);
    if (!object)
        return;
    try {
        object->SetData(value);
    } catch (...) {
        // A value the bound object cannot take leaves it as it was.
    }
}

std::string TwzObject::GetItemClassName()
{
    return {};
}

// ---- styles, animations, triggers --------------------------------------------------------

void TwzObject::UpdateStyle()
{
    if (IsLoading() || IsDestroying())
        return;
    // Restyling runs code of every child (clones, handlers): stop when this object goes.
    const rtl::DispatchGuard held(this);
    for (size_t i = 0; !IsFreed() && i < m_children.size(); ++i)
        m_children[i]->UpdateStyle();
}

void TwzObject::StartAnimation(const std::string& name)
{
    const rtl::DispatchGuard held(this);
    for (size_t i = 0; !IsFreed() && i < m_children.size(); ++i) {
        TwzObject* child = m_children[i];
        if (auto* animation = dynamic_cast<ui2d::IAnimationChild*>(child);
            animation && rtl::SameText(child->GetName(), name))
            animation->Start();
    }
}

void TwzObject::StopAnimation(const std::string& name)
{
    const rtl::DispatchGuard held(this);
    for (size_t i = 0; !IsFreed() && i < m_children.size(); ++i) {
        TwzObject* child = m_children[i];
        if (auto* animation = dynamic_cast<ui2d::IAnimationChild*>(child);
            animation && rtl::SameText(child->GetName(), name))
            animation->Stop();
    }
}

void TwzObject::StartTriggerAnimation(TwzObject* instance, const std::string& trigger)
{
    const rtl::DispatchGuard held(this);
    StopTriggerAnimation(instance);
    for (size_t i = 0; !IsFreed() && i < m_children.size(); ++i) {
        TwzObject* child = m_children[i];
        if (auto* animation = dynamic_cast<ui2d::IAnimationChild*>(child))
            animation->StartTrigger(instance, trigger);
        else if (child->ReceivesParentTriggers())
            child->StartTriggerAnimation(instance, trigger);
    }
}

void TwzObject::StartTriggerAnimationWait(TwzObject* instance, const std::string& trigger)
{
    rtl::Watch<TwzObject> self(this);
    rtl::Watch<TwzObject> watchedInstance(instance);
    StopTriggerAnimation(instance);
    for (size_t i = 0; self && i < m_children.size(); ++i) {
        if (instance && !watchedInstance)
            return;
        TwzObject* child = m_children[i];
        if (auto* animation = dynamic_cast<ui2d::IAnimationChild*>(child)) {
            animation->StartTrigger(instance, trigger);
            WaitWhileRunning(child, instance);
        } else if (child->ReceivesParentTriggers()) {
            child->StartTriggerAnimationWait(instance, trigger);
        }
    }
}

void TwzObject::WaitWhileRunning(TwzObject* animation, TwzObject* instance)
{
    // Other handlers run inside the wait and may free any of the three.
    rtl::Watch<TwzObject> self(this);
    rtl::Watch<TwzObject> watched(animation);
    rtl::Watch<TwzObject> watchedInstance(instance);
    while (self && watched && (!instance || watchedInstance)) {
        auto* running = dynamic_cast<ui2d::IAnimationChild*>(watched.Get());
        if (!running || !running->GetRunning())
            return;
        if (!ui2d::PumpMessages())
            return;
        std::this_thread::yield();
    }
}

void TwzObject::StopTriggerAnimation(TwzObject* instance)
{
    const rtl::DispatchGuard held(this);
    for (size_t i = 0; !IsFreed() && i < m_children.size(); ++i) {
        TwzObject* child = m_children[i];
        if (auto* animation = dynamic_cast<ui2d::IAnimationChild*>(child)) {
            if (!animation->GetTrigger().empty())
                animation->Stop();
        } else if (child->ReceivesParentTriggers()) {
            child->StopTriggerAnimation(instance);
        }
    }
}

void TwzObject::ApplyTriggerEffect(TwzObject* instance, const std::string& trigger)
{
    const rtl::DispatchGuard held(this);
    for (size_t i = 0; !IsFreed() && i < m_children.size(); ++i) {
        TwzObject* child = m_children[i];
        if (auto* effect = dynamic_cast<ui2d::IEffectChild*>(child))
            effect->ApplyTrigger(instance, trigger);
        else if (child->ReceivesParentTriggers())
            child->ApplyTriggerEffect(instance, trigger);
    }
}

// ---- saving, loading, cloning ------------------------------------------------------------

void TwzObject::SaveObjectToStream(rtl::TStream& stream)
{
    // The stored tree carries no root name, so it can be read into any object.
    const std::string name = GetName();
    SetName({});
    rtl::ScopeExit restoreName([&] { SetName(name); });
    rtl::WriteComponentToStream(stream, *this);
}

void TwzObject::SaveObjectAsText(rtl::TStream& stream)
{
    rtl::TMemoryStream binary;
    SaveObjectToStream(binary);
    binary.SetPosition(0);
    ObjectStreamToText(binary, stream);
}

void TwzObject::LoadObjectFromStream(rtl::TStream& stream)
{
    rtl::TReader reader(stream);
    reader.OnSetName = [](rtl::TReader&, rtl::TComponent*, std::string& name) { name.clear(); };
    reader.OnError = [](rtl::TReader&, const std::string&, bool& handled) { handled = true; };
    reader.ReadRootComponent(this);
}

TwzObject* TwzObject::CloneObject(rtl::TComponent* owner)
{
    const rtl::TClassInfo& info = ClassInfo();
    if (!info.create)
        return nullptr;
    rtl::TMemoryStream stream;
    SaveObjectToStream(stream);
    stream.SetPosition(0);

    rtl::TComponent* created = info.create(owner);
    auto* clone = dynamic_cast<TwzObject*>(created);
    if (!clone) {
        created->Free();
        return nullptr;
    }
    rtl::Watch<TwzObject> watched(clone);
    rtl::ScopeFailure freeClone([&watched] {
        if (TwzObject* alive = watched.Get())
            alive->Free();
    });
    rtl::TReader reader(stream);
    reader.OnSetName = [](rtl::TReader&, rtl::TComponent*, std::string& name) { name.clear(); };
    reader.OnError = [](rtl::TReader&, const std::string&, bool& handled) { handled = false; };
    reader.ReadRootComponent(clone);
    return watched.Get();
}

// ---- streaming hooks ---------------------------------------------------------------------

void TwzObject::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    if (IsContent())
        return;
    // A content container's children are written as this object's own, before the
    // container itself.
    const std::vector<TwzObject*> children = m_children;
    for (TwzObject* child : children) {
        if (child->IsContent()) {
            const std::vector<TwzObject*> inner = child->m_children;
            for (TwzObject* grandChild : inner) {
                if (grandChild->m_stored)
                    proc(grandChild);
            }
            if (child->m_stored)
                proc(child);
        } else if (child->m_stored) {
            proc(child);
        }
    }
}

rtl::TComponent* TwzObject::GetParentComponent() const
{
    TwzObject* parent = m_parent;
    if (parent && parent->SkippedAsParentComponent())
        parent = parent->m_parent;
    if (parent)
        return parent;
    if (m_scene)
        return m_scene->GetComponent();
    return nullptr;
}

void TwzObject::SetParentComponent(rtl::TComponent* value)
{
    // Null takes the object out for a free that a dispatch defers: the host forgets it as
    // it would at once in the teardown, whose own steps wait.
    if (!value && m_scene)
        m_scene->Notification(this, rtl::opRemove);
    SetParent(nullptr);
    if (auto* object = dynamic_cast<TwzObject*>(value))
        object->AddObject(this);
    else if (auto* scene = dynamic_cast<IwzScene*>(value))
        scene->AddObject(this);
}

bool TwzObject::HasParent() const
{
    return true;
}

// ---- hooks -------------------------------------------------------------------------------

void TwzObject::ParentChanged() { }

void TwzObject::ObjectAdded(TwzObject*) { }

void TwzObject::AttachedToParent() { }

void TwzObject::ObjectRemoving(TwzObject*) { }

void TwzObject::BroughtToFront() { }

void TwzObject::ChildSentToBack(TwzObject*) { }

bool TwzObject::ReceivesParentTriggers() const
{
    return false;
}

bool TwzObject::IsContent() const
{
    return false;
}

bool TwzObject::SkippedAsParentComponent() const
{
    return IsContent();
}
