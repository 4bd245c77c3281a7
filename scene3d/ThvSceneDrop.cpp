// The scene control's drag and drop: drags of its objects inside the application, and drops
// of files and text from other applications. Either way the object under the pointer that
// accepts the drag (FindDropTarget) hears DragEnter, DragOver, DragLeave and DragDrop.
//
// One drag runs at a time in the whole application, so its target and data are kept here
// once, not per scene; they are watched, so a target freed during the drag is simply gone.

#include "scene3d/ThvScene.h"

#include "scene3d/ThvVisualObject.h"

#include "platform/ui/DragSession.h"
#include "platform/ui/Window.h"

#include <any>

namespace {

constexpr float kFarAway = 65535;

// The object under the drag in progress and the scene that found it.
rtl::Watch<ThvVisualObject> hvDragTarget;
rtl::Watch<ThvScene> hvDragTargetScene;
// The object an automatic drag carries, from its start until the drag ends.
rtl::Watch<rtl::TComponent> hvDragObject;
// The data of the drag from another application in progress.
platform::ui::DropData hvDropData;
bool hvDropDataSet = false;

void SetDragTarget(ThvVisualObject* target, ThvScene* scene)
{
    hvDragTarget = target;
    hvDragTargetScene = target ? scene : nullptr;
}

} // namespace

// ---- drags inside the application ---------------------------------------------------------

void ThvScene::BeginAutoDrag(ThvVisualObject* object)
{
    BeginAutoDragOf(object);
}

void ThvScene::BeginAutoDragOf(rtl::TComponent* object)
{
    SetCaptured(nullptr);
    if (!object || !m_host)
        return;
    hvDragObject = object;
    rtl::Watch<ThvScene> self(this);
    platform::ui::DragSession::BeginObjectDrag(*m_host, object, [self](bool) {
        if (self)
            self->EndAutoDrag();
        else
            hvDragObject = nullptr;
    });
}

void ThvScene::EndAutoDrag()
{
    hvDragObject = nullptr;
    // A drag that ends without a drop here still leaves the object it was over.
    if (hvDragTarget && hvDragTargetScene.Get() == this) {
        ThvVisualObject* old = hvDragTarget;
        const rtl::DispatchGuard held(old);
        SetDragTarget(nullptr, nullptr);
        old->DragLeave();
    }
}

ThvVisualObject* ThvScene::FindDropTargetAt(const ThvPoint& p, const ThvDragObject& record)
{
    ThvVisualObject* root = GetRoot();
    if (!root || !m_canvas)
        return nullptr;
    float distance = kFarAway;
    if (ThvVisualObject* target = root->FindDropTarget(p, hvProjectionScreen, record, distance))
        return target;
    distance = kFarAway;
    return root->FindDropTarget(p, hvProjectionCamera, record, distance);
}

void ThvScene::SwitchDragTarget(ThvVisualObject* target, const ThvDragObject& record, const ThvPoint& p)
{
    if (target == hvDragTarget.Get())
        return;
    const rtl::DispatchGuard next(target);
    if (ThvVisualObject* old = hvDragTarget) {
        const rtl::DispatchGuard left(old);
        SetDragTarget(nullptr, nullptr);
        old->DragLeave();
    }
    if (!target || target->IsFreed())
        return;
    SetDragTarget(target, this);
    target->DragEnter(record, target->AbsoluteToLocal(p));
}

bool ThvScene::SceneDragOver(rtl::TObject* source, int32_t x, int32_t y)
{
    bool accept = false;
    if (!GetRoot())
        return accept;
    ThvDragObject record;
    record.Source = hvDragObject ? hvDragObject.Get() : source;
    const ThvPoint p { static_cast<float>(x), static_cast<float>(y), 0 };
    const rtl::DispatchGuard held(this);
    ThvVisualObject* target = FindDropTargetAt(p, record);
    if (IsFreed())
        return false;
    // An object is never dropped on itself.
    if (target && static_cast<rtl::TComponent*>(target) == hvDragObject.Get())
        return false;
    const rtl::DispatchGuard heldTarget(target);
    // The current target decides; a new one is asked at the next move.
    if (ThvVisualObject* current = hvDragTarget) {
        const rtl::DispatchGuard asked(current);
        current->DragOver(record, current->AbsoluteToLocal(p), accept);
    }
    if (IsFreed())
        return false;
    SwitchDragTarget(target && !target->IsFreed() ? target : nullptr, record, p);
    if (IsFreed() || !hvDragTarget)
        return false;
    return accept;
}

void ThvScene::SceneDragDrop(rtl::TObject* source, int32_t x, int32_t y)
{
    ThvDragObject record;
    record.Source = hvDragObject ? hvDragObject.Get() : source;
    ThvVisualObject* target = hvDragTarget;
    SetDragTarget(nullptr, nullptr);
    hvDragObject = nullptr;
    if (target) {
        const rtl::DispatchGuard held(target);
        const ThvPoint p { static_cast<float>(x), static_cast<float>(y), 0 };
        target->DragDrop(record, target->AbsoluteToLocal(p));
    }
}

// ---- drops from other applications --------------------------------------------------------

void ThvScene::ReadDropData(ThvDragObject& record) const
{
    record = ThvDragObject {};
    if (!hvDropDataSet)
        return;
    // File names arrive whole, however long.
    if (!hvDropData.files.empty()) {
        record.Files = hvDropData.files;
        record.Data = hvDropData.files.front();
        return;
    }
    record.Data = hvDropData.text;
}

bool ThvScene::DragEnter(const platform::ui::DropData& data)
{
    if (!GetRoot())
        return false;
    hvDropData = data;
    hvDropDataSet = true;
    return true;
}

platform::ui::DropEffect ThvScene::DragOver(platform::ui::Point point)
{
    if (!hvDropDataSet)
        return platform::ui::DropEffect::None;
    const ThvPoint p { static_cast<float>(point.x), static_cast<float>(point.y), 0 };
    ThvDragObject record;
    ReadDropData(record);
    const rtl::DispatchGuard held(this);
    ThvVisualObject* target = FindDropTargetAt(p, record);
    if (IsFreed())
        return platform::ui::DropEffect::None;
    SwitchDragTarget(target, record, p);
    if (IsFreed() || !hvDragTarget)
        return platform::ui::DropEffect::None;
    return platform::ui::DropEffect::Link;
}

void ThvScene::DragLeave()
{
    ThvVisualObject* old = hvDragTarget;
    SetDragTarget(nullptr, nullptr);
    hvDropData = {};
    hvDropDataSet = false;
    if (old) {
        const rtl::DispatchGuard held(old);
        old->DragLeave();
    }
}

bool ThvScene::Drop(const platform::ui::DropData& data, platform::ui::Point point)
{
    hvDropData = data;
    hvDropDataSet = true;
    ThvDragObject record;
    ReadDropData(record);
    // The drag is over before the target hears of the drop: its handler may start another.
    ThvVisualObject* target = hvDragTarget;
    SetDragTarget(nullptr, nullptr);
    hvDropData = {};
    hvDropDataSet = false;
    if (!target)
        return false;
    const rtl::DispatchGuard held(target);
    const ThvPoint p { static_cast<float>(point.x), static_cast<float>(point.y), 0 };
    target->DragDrop(record, target->AbsoluteToLocal(p));
    return true;
}

void ThvScene::ForgetDrags()
{
    if (hvDragTarget && hvDragTargetScene.Get() == this) {
        ThvVisualObject* old = hvDragTarget;
        const rtl::DispatchGuard held(old);
        SetDragTarget(nullptr, nullptr);
        old->DragLeave();
    }
}
