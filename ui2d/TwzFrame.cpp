#include "ui2d/TwzFrame.h"

#include "platform/rtl/ClassInfo.h"
#include "ui2d/TwzCustomScene.h"

#include <unordered_map>

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
    if (m_sceneObject) {
        if (!design)
            Unlink(m_sceneObject);
        m_sceneObject->RemoveFreeNotification(this);
    }
    m_needLink = false;
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
    if (found == Links().end() || found->second != this)
        return;
    Links().erase(found);
    if (GetChildCount() > 0 && !scene->IsDestroying())
        scene->AddObject(GetChild(0));
}

void TwzFrame::Paint()
{
    if (m_needLink) {
        m_needLink = false;
        if (m_sceneObject && !InDesign()) {
            // FIXME: a scene shown elsewhere is not copied (a fresh instance of its form):
            // the frame shows nothing instead.
            if (LinkedFrame(m_sceneObject))
                SetSceneObject(nullptr);
            else if (m_sceneObject->GetRoot())
                Link(m_sceneObject);
        }
    }
    Inherited::Paint();
}

void TwzFrame::GetChildren(const rtl::TGetChildProc&, rtl::TComponent*) { }

void TwzFrame::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation != rtl::opRemove || !component || component != static_cast<rtl::TComponent*>(m_sceneObject))
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
    if (m_sceneObject) {
        Unlink(m_sceneObject);
        m_sceneObject->RemoveFreeNotification(this);
        m_sceneObject = nullptr;
    }
    Inherited::BeforeDestruction();
}
