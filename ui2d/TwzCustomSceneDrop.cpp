// The 2D scene control's drag and drop: drags of objects inside the application (through
// the window layer's drag session, which the 3D scene shares, so an object dragged from one
// kind of scene arrives in the other), and drops of files and text from other applications.
// Either way the object under the pointer that accepts the drag (FindDropTarget) hears
// DragEnter, DragOver, DragLeave and DragDrop.
//
// One drag runs at a time in the whole application, so its target, the dragged object and the
// dropped data are kept here once, not per scene; they are watched, so a target freed during
// the drag is simply gone.

#include "ui2d/TwzCustomScene.h"

#include "platform/ui/DragSession.h"
#include "platform/ui/Window.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

namespace {

// The object under the drag in progress and the scene that found it.
rtl::Watch<TwzVisualObject> wzDragOverObject;
rtl::Watch<TwzCustomScene> wzDragOverScene;
// The object a drag started by BeginDrag carries, until the drag ends.
rtl::Watch<rtl::TComponent> wzDragObject;
// The data of the drag from another application in progress.
platform::ui::DropData wzDropData;
bool wzDropDataSet = false;

void SetDragOverObject(TwzVisualObject* target, TwzCustomScene* scene)
{
    wzDragOverObject = target;
    wzDragOverScene = target ? scene : nullptr;
}

// The drag record of the data from another application: every file name, whole, with the
// first one in Data; or the text in Data; or nothing.
TwzDragObject RecordOfDropData()
{
    TwzDragObject record;
    if (!wzDropDataSet)
        return record;
    if (!wzDropData.files.empty()) {
        record.Files = wzDropData.files;
        record.Data = wzDropData.files.front();
        return record;
    }
    if (!wzDropData.text.empty())
        record.Data = wzDropData.text;
    return record;
}

TwzVisualObject* FirstVisualRoot(TwzCustomScene& scene)
{
    TwzObject* root = scene.GetRoot();
    return root ? root->AsVisual() : nullptr;
}

} // namespace

// ---- drags inside the application ---------------------------------------------------------

void TwzCustomScene::BeginDrag(TwzObject* object)
{
    if (!object || !m_host)
        return;
    SetCaptured(nullptr);
    wzDragObject = object;
    rtl::Watch<TwzCustomScene> self(this);
    platform::ui::DragSession::BeginObjectDrag(*m_host, object, [self](bool) {
        if (self)
            self->EndDrag();
        else
            wzDragObject = nullptr;
    });
}

void TwzCustomScene::EndDrag()
{
    wzDragObject = nullptr;
    ForgetDrags();
}

void TwzCustomScene::SwitchDragTarget(TwzVisualObject* target, const TwzDragObject& record, const TwzPoint& p)
{
    if (target == wzDragOverObject.Get())
        return;
    const rtl::DispatchGuard next(target);
    if (TwzVisualObject* old = wzDragOverObject) {
        const rtl::DispatchGuard left(old);
        SetDragOverObject(nullptr, nullptr);
        old->DragLeave();
    }
    if (!target || target->IsFreed())
        return;
    SetDragOverObject(target, this);
    target->DragEnter(record, p);
}

bool TwzCustomScene::SceneDragOver(rtl::TObject* source, int32_t x, int32_t y)
{
    TwzVisualObject* root = FirstVisualRoot(*this);
    if (!root)
        return false;
    TwzDragObject record;
    record.Source = wzDragObject ? wzDragObject.Get() : source;
    const TwzPoint p { static_cast<float>(x), static_cast<float>(y) };
    const rtl::DispatchGuard held(this);
    TwzVisualObject* target = root->FindDropTarget(p, record);
    if (IsFreed())
        return false;
    // An object is never dropped on itself.
    if (target && record.Source
        && static_cast<rtl::TObject*>(static_cast<rtl::TComponent*>(target)) == record.Source)
        return false;
    const rtl::DispatchGuard heldTarget(target);
    bool accept = false;
    // The current target decides; a new one is asked at the next move.
    if (TwzVisualObject* current = wzDragOverObject) {
        const rtl::DispatchGuard asked(current);
        current->DragOver(record, p, accept);
    }
    if (IsFreed())
        return false;
    SwitchDragTarget(target && !target->IsFreed() ? target : nullptr, record, p);
    if (IsFreed() || !wzDragOverObject)
        return false;
    return accept;
}

void TwzCustomScene::SceneDragDrop(rtl::TObject* source, int32_t x, int32_t y)
{
    TwzDragObject record;
    record.Source = wzDragObject ? wzDragObject.Get() : source;
    TwzVisualObject* target = wzDragOverObject;
    SetDragOverObject(nullptr, nullptr);
    wzDragObject = nullptr;
    if (target) {
        const rtl::DispatchGuard held(target);
        target->DragDrop(record, { static_cast<float>(x), static_cast<float>(y) });
    }
}

void TwzCustomScene::ForgetDrags()
{
    if (wzDragOverObject && wzDragOverScene.Get() == this) {
        TwzVisualObject* old = wzDragOverObject;
        const rtl::DispatchGuard held(old);
        SetDragOverObject(nullptr, nullptr);
        old->DragLeave();
    }
}

// ---- drops from other applications --------------------------------------------------------

bool TwzCustomScene::DragEnter(const platform::ui::DropData& data)
{
    if (!FirstVisualRoot(*this))
        return false;
    wzDropData = data;
    wzDropDataSet = true;
    return true;
}

platform::ui::DropEffect TwzCustomScene::DragOver(platform::ui::Point point)
{
    TwzVisualObject* root = FirstVisualRoot(*this);
    if (!root || !wzDropDataSet)
        return platform::ui::DropEffect::None;
    const TwzPoint p { static_cast<float>(point.x), static_cast<float>(point.y) };
    const TwzDragObject record = RecordOfDropData();
    const rtl::DispatchGuard held(this);
    TwzVisualObject* target = root->FindDropTarget(p, record);
    if (IsFreed())
        return platform::ui::DropEffect::None;
    SwitchDragTarget(target, record, p);
    if (IsFreed() || !wzDragOverObject)
        return platform::ui::DropEffect::None;
    return platform::ui::DropEffect::Link;
}

void TwzCustomScene::DragLeave()
{
    TwzVisualObject* old = wzDragOverObject;
    SetDragOverObject(nullptr, nullptr);
    wzDropData = {};
    wzDropDataSet = false;
    if (old) {
        const rtl::DispatchGuard held(old);
        old->DragLeave();
    }
}

bool TwzCustomScene::Drop(const platform::ui::DropData& data, platform::ui::Point point)
{
    wzDropData = data;
    wzDropDataSet = true;
    const TwzDragObject record = RecordOfDropData();
    // The drag is over before the target hears of the drop: its handler may start another.
    TwzVisualObject* target = wzDragOverObject;
    SetDragOverObject(nullptr, nullptr);
    wzDropData = {};
    wzDropDataSet = false;
    if (!target)
        return false;
    const rtl::DispatchGuard held(target);
    target->DragDrop(record, { static_cast<float>(point.x), static_cast<float>(point.y) });
    return true;
}
