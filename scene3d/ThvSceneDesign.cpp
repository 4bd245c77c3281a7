// The scene control while it is designed: the stored design settings (read and written in
// every mode), navigation of the design camera, selection with its box and handles, moving,
// sizing and turning the selection with the mouse, the design menu with its commands, and
// copying and pasting objects as object text through the clipboard.

#include "scene3d/ThvScene.h"

#include "scene3d/Library3D.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvGrid.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvSceneDesign.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Writer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using platform::ui::MouseButton;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;

namespace {

// Which drag of the selection runs (ThvScene::m_designDrag).
enum DesignDrag : uint8_t {
    kDragNone,
    kDragMove,
    kDragSizeWidthDepth,
    kDragSizeWidthHeight,
    kDragTurnX,
    kDragTurnY,
    kDragTurnZ,
};

constexpr uint32_t kFrameColor = 0xFF5B91DE;
constexpr uint32_t kSizeHandleFill = 0xAA000000;
constexpr uint32_t kTurnHandleColor = 0xFF5BDE91;
constexpr uint32_t kDraggedColor = 0xFFFF5010;
constexpr uint32_t kHelpColor = 0x8091DE5B;
constexpr float kHelpFontSize = 9;
constexpr float kTurnDegreesPerPixel = 0.3f;

constexpr const char16_t* kHelpLines[] = {
    u"Alt+mouse - rotate scene | Shift+mouse - move scene",
    u"Mouse - move object in (XoY) | Ctrl + Mouse - move object in (XoZ)",
    u"Shift+mouse - move layer object in (XoY) | Hold Shift to use HV Menu in ObjectLayers",
};

const char* const kClassPrefix = "Thv";
const char* const kDesignFileFilter = "Helvane Files|*.helvane";

// The handles of a selection, in its local space.
struct Handle {
    DesignDrag drag;
    ThvVector centre;
    ThvVector box;
    bool filled; // size handles are filled boxes, turn handles outlines
};

struct Handles {
    ThvProjection projection = hvProjectionCamera;
    float size = 0;
    std::vector<Handle> list;
};

bool TakesDesignMouse(const ThvVisualObject* object)
{
    const auto* target = dynamic_cast<const scene3d::IDesignMouseInput*>(object);
    return target && target->GetDesignMouseInput();
}

ThvVisualObject* VisualParentOf(const ThvVisualObject* object)
{
    ThvObject* parent = object->GetParent();
    return parent ? parent->AsVisual() : nullptr;
}

// The size and places of the handles; none without a camera on the canvas, whose distance
// scales them so that they keep their size on the screen.
Handles HandlesOf(ThvVisualObject& selection, ThvCanvas& canvas)
{
    Handles handles;
    ThvCamera* camera = canvas.GetCamera();
    if (!camera)
        return handles;
    handles.projection = selection.GetProjection();
    float offset = 0;
    if (handles.projection == hvProjectionScreen) {
        offset = 10;
        handles.size = 3;
    } else {
        const ThvMatrix projection = canvas.GetProjectionMatrix();
        const float focal = projection[0][0] * projection[1][1];
        const float distance = hvVectorLength(
            hvVectorSubtract(selection.GetAbsolutePosition(), camera->GetAbsolutePosition()));
        const float scale = focal != 0 ? distance / focal : 0;
        offset = 1.8f;
        handles.size = 0.14f * 0.18f * scale;
    }
    const float w = selection.GetWidth();
    const float h = selection.GetHeight();
    const float d = selection.GetDepth();
    const float s = handles.size;
    if (selection.GetDesignResizable()) {
        handles.list.push_back(
            { kDragSizeWidthDepth, { w / 2, -h / 2, d / 2, 1 }, { 3 * s, s, 3 * s, 0 }, true });
        handles.list.push_back(
            { kDragSizeWidthHeight, { -w / 2, h / 2, d / 2, 1 }, { 3 * s, 3 * s, s, 0 }, true });
    }
    if (selection.GetDesignRotatable()) {
        handles.list.push_back({ kDragTurnZ, { 0, -(h / 2 + offset), 0, 1 }, { s, s, s, 0 }, false });
        if (handles.projection == hvProjectionCamera) {
            handles.list.push_back({ kDragTurnY, { w / 2 + offset, 0, 0, 1 }, { s, s, s, 0 }, false });
            handles.list.push_back({ kDragTurnX, { 0, 0, d / 2 + offset, 1 }, { s, s, s, 0 }, false });
        }
    }
    return handles;
}

// The pick ray through a control pixel in world coordinates.
bool WorldRay(
    ThvCanvas* canvas, ThvProjection projection, const ThvPoint& pixel, ThvVector& pos, ThvVector& dir)
{
    if (!canvas)
        return false;
    canvas->Pick(projection, pixel.X, pixel.Y, pos, dir);
    pos.W = 1;
    dir.W = 0;
    return true;
}

// The ray through a control pixel in the object's local coordinates, with a unit direction.
bool LocalRay(
    ThvCanvas* canvas, ThvVisualObject& object, const ThvPoint& pixel, ThvVector& pos, ThvVector& dir)
{
    ThvVector worldPos;
    ThvVector worldDir;
    if (!WorldRay(canvas, object.GetProjection(), pixel, worldPos, worldDir))
        return false;
    pos = object.AbsoluteToLocalVector(worldPos);
    ThvVector local = object.AbsoluteToLocalVector(worldDir);
    local.W = 0;
    if (hvVectorLength(local) == 0)
        return false;
    dir = hvVectorNormalize(local);
    dir.W = 0;
    return true;
}

// Where the rays through two pixels meet a world plane; false when either misses it.
bool PlaneDelta(ThvCanvas* canvas, ThvProjection projection, const ThvPoint& from, const ThvPoint& to,
    const ThvVector& planePoint, const ThvVector& normal, ThvVector& delta)
{
    ThvVector pos0, dir0, pos1, dir1, hit0, hit1;
    if (!WorldRay(canvas, projection, from, pos0, dir0) || !WorldRay(canvas, projection, to, pos1, dir1))
        return false;
    if (!hvRayPlaneIntersect(pos0, dir0, planePoint, normal, hit0)
        || !hvRayPlaneIntersect(pos1, dir1, planePoint, normal, hit1))
        return false;
    delta = hvVectorSubtract(hit1, hit0);
    delta.W = 0;
    return true;
}

// A world direction in the space of the object's visual parent (the space of its Position).
ThvVector ToParentSpace(ThvVisualObject& object, const ThvVector& worldDirection)
{
    ThvVector direction = worldDirection;
    direction.W = 0;
    if (ThvVisualObject* parent = VisualParentOf(&object))
        direction = parent->AbsoluteToLocalVector(direction);
    direction.W = 0;
    return direction;
}

void SetOverlayMaterial(ThvCanvas& canvas, uint32_t color)
{
    ThvMaterial* material = canvas.GetMaterial();
    if (!material)
        return;
    material->SetBitmap({});
    material->SetTexture(nullptr);
    material->SetLighting(false);
    material->SetDiffuseColor(color);
}

// The text rule of inserted and pasted objects: a text object shows the name of its class
// from the fourth character on ("Text3D" for ThvText3D).
void ApplyTextRule(ThvObject& object)
{
    auto* visual = object.AsVisual();
    if (!visual)
        return;
    const std::string className(object.ClassName());
    if (className.find("Text") == std::string::npos || className.size() < 3)
        return;
    (void)rtl::SetPropValue(*visual, "Text", rtl::TValue(className.substr(3)));
}

} // namespace

// ---- stored design settings ---------------------------------------------------------------

void ThvScene::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineProperty(
        "DesignCameraPos",
        [this](rtl::TReader& reader) {
            const auto value = static_cast<float>(reader.ReadFloat());
            if (m_designCamera)
                m_designCamera->GetPosition()->SetY(value);
        },
        [this](rtl::TWriter& writer) {
            writer.WriteFloat(m_designCamera ? m_designCamera->GetPosition()->GetY() : 0.0f);
        },
        true);
    filer.DefineProperty(
        "DesignCameraZAngle",
        [this](rtl::TReader& reader) {
            const auto value = static_cast<float>(reader.ReadFloat());
            if (m_designCameraZ)
                m_designCameraZ->GetRotateAngle()->SetZ(value);
        },
        [this](rtl::TWriter& writer) {
            writer.WriteFloat(m_designCameraZ ? m_designCameraZ->GetRotateAngle()->GetZ() : 0.0f);
        },
        true);
    filer.DefineProperty(
        "DesignCameraXAngle",
        [this](rtl::TReader& reader) {
            const auto value = static_cast<float>(reader.ReadFloat());
            if (m_designCameraX)
                m_designCameraX->GetRotateAngle()->SetX(value);
        },
        [this](rtl::TWriter& writer) {
            writer.WriteFloat(m_designCameraX ? m_designCameraX->GetRotateAngle()->GetX() : 0.0f);
        },
        true);
    filer.DefineProperty(
        "DesignSnapGridShow",
        [this](rtl::TReader& reader) {
            // Only a designed scene shows its grid; at run time the setting reads as off.
            const bool value = reader.ReadBoolean();
            SetDesignSnapGridShow(IsDesigning() && value);
        },
        [this](rtl::TWriter& writer) { writer.WriteBoolean(m_designSnapGridShow); }, true);
    filer.DefineProperty(
        "DesignSnapToGrid", [this](rtl::TReader& reader) { m_designSnapToGrid = reader.ReadBoolean(); },
        [this](rtl::TWriter& writer) { writer.WriteBoolean(m_designSnapToGrid); }, true);
    filer.DefineProperty(
        "DesignSnapToLines", [this](rtl::TReader& reader) { m_designSnapToLines = reader.ReadBoolean(); },
        [this](rtl::TWriter& writer) { writer.WriteBoolean(m_designSnapToLines); }, true);
}

void ThvScene::SetDesignSnapGridShow(bool value)
{
    m_designSnapGridShow = value;
    if (m_designGrid)
        m_designGrid->SetOpacity(value ? 1.0f : 0.0f);
}

// ---- design mouse and keys ----------------------------------------------------------------

void ThvScene::DesignMouseDown(MouseButton button, ShiftState shift)
{
    rtl::Watch<ThvScene> self(this);
    ThvVisualObject* root = GetRoot();
    if (!root) {
        // A designed scene always has a root to select and to insert into.
        auto* object = new ThvVisualObject(GetOwner());
        AddObject(object);
        return;
    }

    ThvVisualObject* selected = m_selected;
    if (selected && selected != root && m_canvas) {
        const Handles handles = HandlesOf(*selected, *m_canvas);
        ThvVector pos, dir;
        if (!handles.list.empty() && LocalRay(m_canvas, *selected, m_lastPos, pos, dir)) {
            for (const Handle& handle : handles.list) {
                if (hvRaySphereTest(pos, dir, handle.centre, 2 * handles.size)) {
                    m_designDrag = handle.drag;
                    if (m_host)
                        m_host->SetCapture(true);
                    AddUpdateRect({});
                    return;
                }
            }
        }
    }

    rtl::Watch<ThvVisualObject> hit(ObjectAtPoint(m_mousePos.X, m_mousePos.Y));
    if (shift.Has(ShiftFlag::Double) && hit && hit.Get() == m_selected) {
        hit->DesignClick();
        if (!self)
            return;
    }
    selected = m_selected;
    if (hit && hit.Get() == selected && TakesDesignMouse(selected) && !shift.Has(ShiftFlag::Shift)) {
        float x = 0, y = 0;
        ThvVector rayPos {}, rayDir {};
        ConvertPointer(selected, x, y, rayPos, rayDir);
        selected->MouseDown(button, shift, x, y, rayPos, rayDir);
        return;
    }
    if (button == MouseButton::Right) {
        PopupDesignMenu();
        return;
    }
    if (shift.Has(ShiftFlag::Ctrl) && hit && hit.Get() != selected)
        return;
    if (hit && hit.Get() == selected && selected != GetRoot()) {
        m_designDrag = kDragMove;
        if (m_host)
            m_host->SetCapture(true);
        return;
    }
    ThvVisualObject* target = hit ? hit.Get() : GetRoot();
    if (target && target != selected) {
        SetSelected(target);
        target->DesignSelect();
        if (!self)
            return;
        AddUpdateRect({});
    }
}

void ThvScene::DesignMouseMove(ShiftState shift)
{
    rtl::Watch<ThvScene> self(this);
    ThvVisualObject* selected = m_selected;
    if (shift.Has(ShiftFlag::Left)) {
        const float dx = m_snappedPos.X - m_lastPos.X;
        const float dy = m_snappedPos.Y - m_lastPos.Y;
        if (shift.Has(ShiftFlag::Alt)) {
            if (m_designCameraZ)
                m_designCameraZ->GetRotateAngle()->SetZ(
                    m_designCameraZ->GetRotateAngle()->GetZ() + kTurnDegreesPerPixel * dx);
            if (m_designCameraX)
                m_designCameraX->GetRotateAngle()->SetX(
                    m_designCameraX->GetRotateAngle()->GetX() + kTurnDegreesPerPixel * dy);
            AddUpdateRect({});
            return;
        }
        if (shift.Has(ShiftFlag::Shift) && (!selected || selected == GetRoot()) && m_designCameraZ) {
            // The scene follows the pointer over the plane of the camera rig's pivot.
            const ThvVector normal = shift.Has(ShiftFlag::Ctrl) ? m_designCameraZ->GetAbsoluteDirection()
                                                                : m_designCameraZ->GetAbsoluteUp();
            ThvVector delta;
            if (PlaneDelta(m_canvas, hvProjectionCamera, m_lastPos, m_snappedPos,
                    m_designCameraZ->GetAbsolutePosition(), normal, delta)) {
                const ThvVector move = ToParentSpace(*m_designCameraZ, delta);
                ThvPosition* position = m_designCameraZ->GetPosition();
                position->SetPoint(
                    { position->GetX() - move.X, position->GetY() - move.Y, position->GetZ() - move.Z });
                AddUpdateRect({});
            }
            return;
        }
    }

    if (!selected || m_designDrag == kDragNone) {
        if (selected && TakesDesignMouse(selected)) {
            float x = 0, y = 0;
            ThvVector rayPos {}, rayDir {};
            ConvertPointer(selected, x, y, rayPos, rayDir);
            selected->MouseMove(
                shift, x, y, m_snappedPos.X - m_lastPos.X, m_snappedPos.Y - m_lastPos.Y, rayPos, rayDir);
        }
        return;
    }

    const ThvProjection projection = selected->GetProjection();
    switch (m_designDrag) {
    case kDragMove: {
        const ThvVector normal
            = shift.Has(ShiftFlag::Ctrl) ? ThvVector { 0, 1, 0, 0 } : ThvVector { 0, 0, 1, 0 };
        ThvVector delta;
        if (!PlaneDelta(m_canvas, projection, m_lastPos, m_snappedPos, selected->GetAbsolutePosition(),
                normal, delta))
            break;
        const ThvVector move = ToParentSpace(*selected, delta);
        const ThvPoint old = selected->GetPosition()->GetPoint();
        ThvPoint moved { old.X + move.X, old.Y + move.Y, old.Z + move.Z };
        if (projection == hvProjectionScreen) {
            moved.X = std::nearbyint(moved.X);
            moved.Y = std::nearbyint(moved.Y);
            moved.Z = std::nearbyint(moved.Z);
        }
        selected->GetPosition()->SetPoint(moved);
        break;
    }
    case kDragSizeWidthDepth:
    case kDragSizeWidthHeight: {
        // In the selection's own frame, on the plane through the handle across the two sizes.
        const bool depth = m_designDrag == kDragSizeWidthDepth;
        const ThvVector localNormal = depth ? ThvVector { 0, 1, 0, 0 } : ThvVector { 0, 0, 1, 0 };
        const float w = selected->GetWidth();
        const float h = selected->GetHeight();
        const float d = selected->GetDepth();
        const ThvVector handle
            = depth ? ThvVector { w / 2, -h / 2, d / 2, 1 } : ThvVector { -w / 2, h / 2, d / 2, 1 };
        ThvVector pos0, dir0, pos1, dir1, hit0, hit1;
        if (!LocalRay(m_canvas, *selected, m_lastPos, pos0, dir0)
            || !LocalRay(m_canvas, *selected, m_snappedPos, pos1, dir1)
            || !hvRayPlaneIntersect(pos0, dir0, handle, localNormal, hit0)
            || !hvRayPlaneIntersect(pos1, dir1, handle, localNormal, hit1))
            break;
        // Dragging a handle outwards makes the object larger.
        const float growX = (hit1.X - hit0.X) * (handle.X < 0 ? -1.0f : 1.0f);
        selected->SetWidth(w + growX);
        if (depth)
            selected->SetDepth(d + (hit1.Z - hit0.Z));
        else
            selected->SetHeight(h + (hit1.Y - hit0.Y));
        break;
    }
    case kDragTurnX:
    case kDragTurnY:
    case kDragTurnZ: {
        // The angle about the parent's axis between the handle's rest direction and the
        // point under the pointer, on the plane through the object across that axis.
        ThvMatrix parent = hvIdentityMatrix;
        if (ThvVisualObject* visualParent = VisualParentOf(selected))
            parent = visualParent->GetAbsoluteMatrix();
        const int axis = m_designDrag == kDragTurnX ? 0 : m_designDrag == kDragTurnY ? 1 : 2;
        ThvVector normal { parent[axis][0], parent[axis][1], parent[axis][2], 0 };
        if (hvVectorLength(normal) == 0)
            break;
        normal = hvVectorNormalize(normal);
        ThvVector pos, dir, hit;
        if (!WorldRay(m_canvas, projection, m_snappedPos, pos, dir)
            || !hvRayPlaneIntersect(pos, dir, selected->GetAbsolutePosition(), normal, hit))
            break;
        const ThvVector local
            = ToParentSpace(*selected, hvVectorSubtract(hit, selected->GetAbsolutePosition()));
        ThvPosition* angles = selected->GetRotateAngle();
        if (axis == 0)
            angles->SetX(hvRadToDeg(std::atan2(-local.Y, local.Z)));
        else if (axis == 1)
            angles->SetY(hvRadToDeg(std::atan2(-local.Z, local.X)));
        else
            angles->SetZ(hvRadToDeg(std::atan2(local.Y, local.X)) + 90);
        break;
    }
    default:
        break;
    }
    if (self)
        AddUpdateRect({});
}

void ThvScene::DesignMouseUp(MouseButton button, ShiftState shift)
{
    rtl::Watch<ThvScene> self(this);
    ThvVisualObject* selected = m_selected;
    if (m_designDrag != kDragNone) {
        m_designDrag = kDragNone;
        if (m_host)
            m_host->SetCapture(m_captured != nullptr);
        if (selected) {
            if (ThvVisualObject* parent = VisualParentOf(selected))
                parent->Realign();
            if (!self)
                return;
        }
        AddUpdateRect({});
    }
    selected = m_selected;
    if (selected && TakesDesignMouse(selected)) {
        float x = 0, y = 0;
        ThvVector rayPos {}, rayDir {};
        ConvertPointer(selected, x, y, rayPos, rayDir);
        selected->MouseUp(button, shift, x, y, rayPos, rayDir);
    }
}

void ThvScene::DesignMouseWheel(int32_t wheelDelta)
{
    if (!m_designCamera)
        return;
    ThvPosition* position = m_designCamera->GetPosition();
    position->SetY(position->GetY() + static_cast<float>(wheelDelta) / 120);
    AddUpdateRect({});
}

void ThvScene::DesignKeyUp(uint16_t key)
{
    if (key != platform::ui::vk::kDelete)
        return;
    ThvVisualObject* selected = m_selected;
    // Like the menu's delete: the root and the scene's own design objects stay.
    if (!selected || selected == GetRoot() || selected->GetTag() == scene3d::kDesignObjectTag)
        return;
    SetSelected(nullptr);
    selected->Free();
    AddUpdateRect({});
}

// ---- design overlays ----------------------------------------------------------------------

void ThvScene::RenderDesignOverlays(ThvCanvas& canvas)
{
    ThvVisualObject* selected = m_selected;
    if (selected && selected != GetRoot() && canvas.GetCamera()) {
        const Handles handles = HandlesOf(*selected, canvas);
        canvas.SetState(
            handles.projection == hvProjectionScreen ? hvStateScreenProjection : hvStateCameraProjection);
        canvas.SetMatrix(selected->GetAbsoluteMatrix());
        canvas.SetState(hvStateZWriteOn);
        SetOverlayMaterial(canvas, kFrameColor);
        canvas.DrawCube(
            { 0, 0, 0, 1 }, { selected->GetWidth(), selected->GetHeight(), selected->GetDepth(), 0 }, 1);
        for (const Handle& handle : handles.list) {
            const bool dragged = handle.drag == m_designDrag;
            if (handle.filled) {
                SetOverlayMaterial(canvas, kSizeHandleFill);
                canvas.FillCube(handle.centre, handle.box, 1);
                SetOverlayMaterial(canvas, dragged ? kDraggedColor : kFrameColor);
            } else {
                SetOverlayMaterial(canvas, dragged ? kDraggedColor : kTurnHandleColor);
            }
            canvas.DrawCube(handle.centre, handle.box, 1);
        }
    }

    canvas.SetState(hvStateScreenProjection);
    canvas.SetMatrix(hvIdentityMatrix);
    SetOverlayMaterial(canvas, kHelpColor);
    if (ThvFont* font = canvas.GetFont()) {
        font->SetSize(kHelpFontSize);
        font->SetStyle(hvFontRegular);
    }
    float y = 0;
    for (const char16_t* line : kHelpLines) {
        canvas.FillText(line, 0, y, 1);
        y += 10;
    }
}

// ---- design menu --------------------------------------------------------------------------

void ThvScene::PopupDesignMenu()
{
    rtl::Watch<ThvScene> self(this);
    if (!m_designMenu) {
        m_designMenu = platform::ui::PopupMenu::Create();
        platform::ui::MenuItem& items = m_designMenu->Items();
        // Every command is posted and runs after the press: a scene freed meanwhile is left
        // alone.
        const auto command = [self](void (ThvScene::*method)()) {
            return [self, method] {
                if (ThvScene* scene = self.Get())
                    (scene->*method)();
            };
        };

        const std::span<const scene3d::ObjectRegistryEntry> registry = hvObjectRegistry();
        if (!registry.empty()) {
            platform::ui::MenuItem& add = items.Add("Add object");
            std::vector<std::string> categories;
            for (const scene3d::ObjectRegistryEntry& entry : registry) {
                if (std::find(categories.begin(), categories.end(), entry.category) == categories.end())
                    categories.push_back(entry.category);
            }
            for (const std::string& category : categories) {
                platform::ui::MenuItem& group = add.Add(category);
                for (const scene3d::ObjectRegistryEntry& entry : registry) {
                    if (entry.category != category || !entry.classInfo)
                        continue;
                    std::string caption(entry.classInfo->name);
                    if (caption.rfind(kClassPrefix, 0) == 0)
                        caption.erase(0, 3);
                    const std::string className = kClassPrefix + caption;
                    platform::ui::MenuItem& item = group.Add(caption, [self, className] {
                        if (ThvScene* scene = self.Get())
                            scene->InsertObjectByClassName(className);
                    });
                    item.Tag = scene3d::kDesignMenuObjectTag;
                }
            }
        }
        if (m_selected)
            items.Add("Hide in Design-time", command(&ThvScene::DesignHideClick));
        platform::ui::MenuItem& order = items.Add("Order");
        order.Add("Bring to front", [self] {
            if (ThvScene* scene = self.Get())
                scene->DesignOrderClick(true);
        });
        order.Add("Send to back", [self] {
            if (ThvScene* scene = self.Get())
                scene->DesignOrderClick(false);
        });
        items.Add("Delete object", command(&ThvScene::DesignDeleteClick));
        platform::ui::MenuItem& edit = items.Add("Edit");
        edit.Add("Copy to clipboard", command(&ThvScene::CopyToClipboard));
        edit.Add("Paste from clipboard", command(&ThvScene::PasteFromClipboard));
        items.Add("Load From File...", command(&ThvScene::DesignLoadClick));
        items.Add("Show grid", command(&ThvScene::DesignShowGridClick)).Checked = m_designSnapGridShow;
    }
    // The check marks show the state of this moment, not that of the menu's first showing.
    if (platform::ui::MenuItem* hide = m_designMenu->Items().FindPath({ "Hide in Design-time" }))
        hide->Checked = m_selected && m_selected->GetDesignHide();

    const TwzPoint screen = ClientToScreen({ m_mousePos.X, m_mousePos.Y });
    m_designMenuPoint = screen;
    platform::ui::PopupMenu* menu = m_designMenu.get();
    menu->Popup({ static_cast<int32_t>(std::lround(screen.X)), static_cast<int32_t>(std::lround(screen.Y)) },
        m_host.get());
}

void ThvScene::InsertObjectByClassName(const std::string& className)
{
    const rtl::TClassInfo* info = rtl::FindClass(className);
    if (!info || !info->create || !info->InheritsFrom(ThvObject::StaticClass()))
        return;
    ThvVisualObject* selected = m_selected;
    // Without a selection only a scene without any root takes the object as its first.
    if (!selected && !m_objects.empty())
        return;
    rtl::TComponent* made = info->create(GetOwner());
    auto* object = dynamic_cast<ThvObject*>(made);
    if (!object) {
        if (made)
            made->Free();
        return;
    }
    rtl::Watch<ThvObject> alive(object);
    if (selected)
        selected->AddObject(object);
    else
        AddObject(object);
    if (!alive)
        return;
    ApplyTextRule(*object);

    auto* visual = object->AsVisual();
    if (visual && m_form && m_designMenuPoint.X > 0) {
        const platform::ui::Point client
            = m_form->ScreenToClient({ static_cast<int32_t>(std::lround(m_designMenuPoint.X)),
                static_cast<int32_t>(std::lround(m_designMenuPoint.Y)) });
        const ThvPoint at { static_cast<float>(client.x), static_cast<float>(client.y), 0 };
        if (!selected) {
            visual->GetPosition()->SetPoint(at);
        } else if (visual->GetProjection() == hvProjectionScreen) {
            const ThvPoint local = selected->AbsoluteToLocal(at);
            visual->GetPosition()->SetPoint(
                { local.X + selected->GetWidth() / 2, local.Y + selected->GetHeight() / 2, local.Z });
        }
    }
    m_designMenuPoint = { -1, -1 };
    if (visual && alive) {
        SetSelected(visual);
        visual->DesignSelect();
    }
    AddUpdateRect({});
}

void ThvScene::DesignHideClick()
{
    ThvVisualObject* selected = m_selected;
    if (!selected || selected == GetRoot())
        return;
    selected->SetDesignHide(!selected->GetDesignHide());
    if (selected->GetDesignHide()) {
        if (ThvVisualObject* parent = VisualParentOf(selected))
            SetSelected(parent);
    }
    AddUpdateRect({});
}

void ThvScene::DesignOrderClick(bool toFront)
{
    ThvVisualObject* selected = m_selected;
    if (!selected)
        return;
    if (toFront)
        selected->BringToFront();
    else
        selected->SendToBack();
    AddUpdateRect({});
}

void ThvScene::DesignDeleteClick()
{
    ThvVisualObject* selected = m_selected;
    ThvVisualObject* root = GetRoot();
    if (!selected || selected == root)
        return;
    rtl::Watch<ThvScene> self(this);
    ThvVisualObject* next = VisualParentOf(selected);
    if (!next)
        next = root;
    SetSelected(next);
    if (next)
        next->DesignSelect();
    if (!self)
        return;
    // The old selection may have gone in DesignSelect; a freed one is not freed again.
    rtl::Watch<ThvVisualObject> old(selected);
    if (old && old.Get() != GetRoot())
        old->Free();
    if (self)
        AddUpdateRect({});
}

void ThvScene::DesignShowGridClick()
{
    if (!m_designMenu)
        return;
    platform::ui::MenuItem* item = m_designMenu->Items().FindPath({ "Show grid" });
    if (!item)
        return;
    item->Checked = !item->Checked;
    if (m_designGrid)
        m_designGrid->SetOpacity(item->Checked ? 1.0f : 0.0f);
    AddUpdateRect({});
}

// ---- clipboard and files ------------------------------------------------------------------

void ThvScene::CopyToClipboard()
{
    ThvVisualObject* selected = m_selected;
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    if (!selected || !app)
        return;
    rtl::TMemoryStream text;
    selected->SaveToStream(text);
    const std::span<const uint8_t> bytes = text.Bytes();
    const std::string utf8(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    app->GetClipboard().SetText(rtl::Utf8ToUtf16(utf8));
}

void ThvScene::PasteFromClipboard()
{
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    ThvVisualObject* selected = m_selected;
    if (!app || !selected)
        return;
    rtl::Watch<ThvScene> self(this);
    rtl::Watch<ThvVisualObject> target(selected);
    try {
        const std::optional<std::u16string> text = app->GetClipboard().GetText();
        // Reading the clipboard may run other handlers; the selection may have changed.
        if (!text || !self || !target)
            return;
        const std::string utf8 = rtl::Utf16ToUtf8(*text);
        rtl::TMemoryStream stream;
        stream.WriteBuffer(utf8.data(), utf8.size());
        stream.SetPosition(0);
        ThvObject* object = CreateObjectFromStream(GetOwner(), stream);
        if (!object) {
            platform::ui::Dialogs::ShowMessage("No object in clipboard", m_form);
            return;
        }
        rtl::Watch<ThvObject> pasted(object);
        target->AddObject(object);
        if (!pasted)
            return;
        ApplyTextRule(*object);
        if (auto* visual = object->AsVisual()) {
            SetSelected(visual);
            visual->DesignSelect();
        }
        if (self)
            AddUpdateRect({});
    } catch (const rtl::LimitError& e) {
        platform::ui::Dialogs::ShowMessage(e.what(), self ? m_form : nullptr);
    } catch (...) {
        platform::ui::Dialogs::ShowMessage("Error paste object from clipboard", self ? m_form : nullptr);
    }
}

void ThvScene::DesignLoadClick()
{
    rtl::Watch<ThvScene> self(this);
    const std::optional<std::string> file
        = platform::ui::Dialogs::OpenFile({ .filter = kDesignFileFilter, .owner = m_form });
    if (!file || !self)
        return;
    ThvObject* object = nullptr;
    try {
        rtl::TFileStream stream(*file, rtl::fmOpenRead);
        object = CreateObjectFromStream(GetOwner(), stream);
    } catch (const rtl::LimitError& e) {
        platform::ui::Dialogs::ShowMessage(e.what(), self ? m_form : nullptr);
        return;
    } catch (...) {
        return; // a file that cannot be read adds nothing
    }
    if (!object || !self)
        return;
    if (ThvVisualObject* parent = m_selected ? m_selected : GetRoot())
        parent->AddObject(object);
    else
        AddObject(object);
    AddUpdateRect({});
}
