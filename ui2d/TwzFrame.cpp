#include "ui2d/TwzFrame.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "ui2d/TwzCustomScene.h"

#include <cmath>
#include <unordered_map>
#include <utility>

namespace {

constexpr rtl::TPropInfo kFrameProps[] = {
    RTL_PROP(TwzFrame, SceneObject, Component, nullptr),
};

/// Which frame shows which scene's root (GUI thread only).
std::unordered_map<const TwzCustomScene*, TwzFrame*>& Links()
{
    static std::unordered_map<const TwzCustomScene*, TwzFrame*> links;
    return links;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzFrame, .props = kFrameProps)

TwzFrame::TwzFrame(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{ }

TwzFrame::~TwzFrame() = default;

TwzFrame* TwzFrame::LinkedFrame(const TwzCustomScene* scene)
{
    const auto found = Links().find(scene);
    return found == Links().end() ? nullptr : found->second;
}

bool TwzFrame::InDesign() const
{
    const IwzScene* scene = GetScene();
    return IsDesigning() || (scene && scene->GetDesignTime());
}

void TwzFrame::SetSceneObject(TwzCustomScene* value)
{
    if (value == m_sceneObject)
        return;
    if (value && GetScene() && static_cast<rtl::TComponent*>(value) == GetScene()->GetComponent())
        return;
    const bool design = InDesign();
    // The old scene is forgotten before it is let go: freeing a form copy frees the scene too.
    TwzCustomScene* old = m_sceneObject;
    m_sceneObject = nullptr;
    m_needLink = false;
    if (old) {
        old->RemoveFreeNotification(this);
        if (!design)
            Unlink(old);
    }
    m_sceneObject = value;
    if (value)
        value->FreeNotification(this);
    if (design) {
        InvalidateObject();
        return;
    }
    if (!value)
        return;
    if (LinkedFrame(value))
        m_needLink = true;
    else if (value->GetRoot())
        Link(value);
}

void TwzFrame::Link(TwzCustomScene* scene)
{
    TwzObject* root = scene->GetRoot();
    if (!root)
        return;
    Links()[scene] = this;
    AddObject(root);
    if (TwzVisualObject* visual = root->AsVisual())
        visual->SetAlign(vaClient);
    RealignChildren();
}

void TwzFrame::Unlink(TwzCustomScene* scene)
{
    const auto found = Links().find(scene);
    if (found != Links().end() && found->second == this) {
        Links().erase(found);
        if (GetChildCount() > 0 && !scene->IsDestroying())
            scene->AddObject(GetChild(0));
    }
    FreeFormCopy();
}

void TwzFrame::FreeFormCopy()
{
    rtl::TComponent* copy = std::exchange(m_formCopy, nullptr);
    if (!copy)
        return;
    copy->RemoveFreeNotification(this);
    if (!copy->IsDestroying())
        copy->Free();
}

void TwzFrame::ShowFormCopyOf(TwzCustomScene* scene)
{
    rtl::TComponent* form = scene->GetOwner();
    rtl::TComponent* copy = nullptr;
    TwzCustomScene* copied = nullptr;
    if (form && form->ClassInfo().create && !scene->GetName().empty()) {
        try {
            copy = form->ClassInfo().create(nullptr);
        } catch (const rtl::Exception&) {
            // A form that cannot be made again leaves the frame empty.
            copy = nullptr;
        }
        if (copy)
            copied = dynamic_cast<TwzCustomScene*>(copy->FindComponent(scene->GetName()));
        if (copy && !copied) {
            copy->Free();
            copy = nullptr;
        }
    }
    SetSceneObject(copied);
    if (copy) {
        m_formCopy = copy;
        copy->FreeNotification(this);
    }
}

void TwzFrame::Paint()
{
    if (m_needLink) {
        m_needLink = false;
        if (m_sceneObject && !InDesign()) {
            if (LinkedFrame(m_sceneObject))
                ShowFormCopyOf(m_sceneObject);
            if (m_sceneObject && !LinkedFrame(m_sceneObject) && m_sceneObject->GetRoot())
                Link(m_sceneObject);
        }
    }
    if (InDesign())
        PaintPreview();
    Inherited::Paint();
}

void TwzFrame::PaintPreview()
{
    TwzVisualObject* root
        = m_sceneObject && m_sceneObject->GetRoot() ? m_sceneObject->GetRoot()->AsVisual() : nullptr;
    TwzCanvas* canvas = GetCanvas();
    if (!root || !canvas)
        return;
    const float width = std::round(GetWidth());
    const float height = std::round(GetHeight());
    if (!(width >= 1 && height >= 1))
        return;
    try {
        if (!m_preview)
            m_preview = std::make_unique<TwzBitmap>(1, 1);
        m_preview->SetSize(static_cast<int32_t>(width), static_cast<int32_t>(height));
    } catch (const rtl::GraphicsError&) {
        // Too large a frame to preview: it shows nothing.
        m_preview.reset();
        return;
    }
    m_preview->Clear(0);
    TwzCanvas* target = m_preview->GetCanvas();
    if (!target)
        return;
    root->PaintTo(*target, { 0, 0, width, height }, nullptr);
    canvas->DrawBitmap(m_preview.get(), { 0, 0, width, height }, { 0, 0, width - 1, height - 1 }, 1);
}

void TwzFrame::GetChildren(const rtl::TGetChildProc&, rtl::TComponent*) { }

void TwzFrame::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation != rtl::opRemove || !component)
        return;
    if (component == m_formCopy)
        m_formCopy = nullptr; // freed elsewhere; its scene goes with it
    if (component != static_cast<rtl::TComponent*>(m_sceneObject))
        return;
    TwzCustomScene* scene = m_sceneObject;
    const bool linked = LinkedFrame(scene) == this;
    m_sceneObject = nullptr;
    m_needLink = false;
    if (!linked)
        return;
    Links().erase(scene);
    // The scene has freed its own roots already: the one shown here goes with it.
    if (GetChildCount() > 0)
        GetChild(0)->Free();
}

void TwzFrame::BeforeDestruction()
{
    if (TwzCustomScene* scene = std::exchange(m_sceneObject, nullptr)) {
        scene->RemoveFreeNotification(this);
        Unlink(scene);
    }
    FreeFormCopy();
    m_preview.reset();
    Inherited::BeforeDestruction();
}
