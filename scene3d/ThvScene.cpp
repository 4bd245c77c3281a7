#include "scene3d/ThvScene.h"

#include "scene3d/ThvCamera.h"
#include "scene3d/ThvObject.h"
#include "scene3d/ThvPhysics.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/ClassInfo.h"

#include <algorithm>
#include <cassert>

RTL_IMPLEMENT_CLASS(ThvScene)

ThvScene::ThvScene(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{
}

ThvScene::~ThvScene()
{
    assert(m_objects.empty());
}

void ThvScene::BeforeDestruction()
{
    // Each root leaves the list and loses its links before it is freed, so it does not try to
    // leave this scene again.
    while (!m_objects.empty()) {
        ThvObject* object = m_objects.front();
        m_objects.erase(m_objects.begin());
        object->m_parent = nullptr;
        object->SetSceneRecursive(nullptr);
        object->Free();
    }
    m_physics.reset();
    Inherited::BeforeDestruction();
}

// ---- roots --------------------------------------------------------------------------------

void ThvScene::AddObject(ThvObject* object)
{
    if (!object || IsDestroying())
        return;
    if (!object->m_parent && object->m_scene == this
        && std::find(m_objects.begin(), m_objects.end(), object) != m_objects.end())
        return;
    // One place at most: an object listed twice would be freed twice.
    object->LeavePlace();
    m_objects.push_back(object);
    object->SetSceneRecursive(this);
}

void ThvScene::RemoveObject(ThvObject* object)
{
    const auto it = std::find(m_objects.begin(), m_objects.end(), object);
    if (it == m_objects.end())
        return;
    m_objects.erase(it);
    object->SetSceneRecursive(nullptr);
}

ThvObject* ThvScene::GetObject(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_objects[static_cast<size_t>(index)];
}

void ThvScene::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    const std::vector<ThvObject*> objects = m_objects;
    for (ThvObject* object : objects) {
        if (object->GetStored())
            proc(object);
    }
}

// ---- canvas, size, requests ---------------------------------------------------------------

void ThvScene::SetSize(int width, int height)
{
    m_width = width;
    m_height = height;
}

void ThvScene::AddUpdateRect(const TwzRect&) { }

TwzPoint ThvScene::ClientToScreen(const TwzPoint& p) const
{
    return p;
}

void ThvScene::BeginAutoDrag(ThvVisualObject*) { }

void ThvScene::CreatePhysics()
{
    if (!m_physics && hvDefaultPhysicsClass)
        m_physics = hvDefaultPhysicsClass->Create(this);
}

// ---- links --------------------------------------------------------------------------------

template <class T>
void ThvScene::Relink(T*& link, T* value)
{
    if (link == value)
        return;
    T* old = link;
    link = value;
    // Another link may still point at the old object; its notification stays until none does.
    const auto* oldComponent = static_cast<rtl::TComponent*>(old);
    const bool stillLinked = old
        && (oldComponent == m_activeControl || oldComponent == m_focused || oldComponent == m_captured
            || oldComponent == m_hovered || oldComponent == m_selected || oldComponent == m_designDblClickObject
            || oldComponent == m_camera || oldComponent == m_designCamera);
    if (old && !stillLinked)
        old->RemoveFreeNotification(this);
    if (value)
        value->FreeNotification(this);
}

void ThvScene::SetActiveControl(ThvVisualObject* value)
{
    if (value == m_activeControl)
        return;
    Relink(m_activeControl, value);
    if (value && !IsLoading())
        value->SetFocus();
}

void ThvScene::SetFocused(ThvVisualObject* value)
{
    if (value == m_focused)
        return;
    // Either handler may free an object or the scene: each step checks what is still there.
    rtl::Watch<ThvScene> self(this);
    rtl::Watch<ThvVisualObject> next(value);
    ThvVisualObject* previous = m_focused;
    Relink(m_focused, value);
    if (previous)
        previous->KillFocus();
    if (self && next && m_focused == next.Get())
        next->EnterFocus();
}

void ThvScene::SetCaptured(ThvVisualObject* value)
{
    Relink(m_captured, value);
}

void ThvScene::SetHovered(ThvVisualObject* value)
{
    Relink(m_hovered, value);
}

void ThvScene::SetSelected(ThvVisualObject* value)
{
    Relink(m_selected, value);
}

void ThvScene::SetDesignDblClickObject(ThvVisualObject* value)
{
    Relink(m_designDblClickObject, value);
}

void ThvScene::SetCamera(ThvCamera* value)
{
    Relink(m_camera, value);
}

void ThvScene::SetDesignCamera(ThvCamera* value)
{
    Relink(m_designCamera, value);
}

void ThvScene::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation != rtl::opRemove || !component)
        return;
    for (ThvVisualObject** link : { &m_activeControl, &m_focused, &m_captured, &m_hovered, &m_selected,
                                    &m_designDblClickObject }) {
        if (*link && static_cast<rtl::TComponent*>(*link) == component)
            *link = nullptr;
    }
    for (ThvCamera** link : { &m_camera, &m_designCamera }) {
        if (*link && static_cast<rtl::TComponent*>(*link) == component)
            *link = nullptr;
    }
}
