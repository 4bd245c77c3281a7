// The design mode of the 3D scene control: navigation of the design camera, selection with
// its box and handles, moving, sizing and turning the selection with the mouse, the design
// menu with its commands, and copying and pasting objects as object text through the
// clipboard.

#include "design/Scene3DDesignMode.h"

#include "scene3d/Library3D.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvGrid.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
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

namespace design {

namespace {

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
    Drag3D drag;
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
            { Drag3D::SizeWidthDepth, { w / 2, -h / 2, d / 2, 1 }, { 3 * s, s, 3 * s, 0 }, true });
        handles.list.push_back(
            { Drag3D::SizeWidthHeight, { -w / 2, h / 2, d / 2, 1 }, { 3 * s, 3 * s, s, 0 }, true });
    }
    if (selection.GetDesignRotatable()) {
        handles.list.push_back({ Drag3D::TurnZ, { 0, -(h / 2 + offset), 0, 1 }, { s, s, s, 0 }, false });
        if (handles.projection == hvProjectionCamera) {
            handles.list.push_back({ Drag3D::TurnY, { w / 2 + offset, 0, 0, 1 }, { s, s, s, 0 }, false });
            handles.list.push_back({ Drag3D::TurnX, { 0, 0, d / 2 + offset, 1 }, { s, s, s, 0 }, false });
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

Scene3DDesignMode::Scene3DDesignMode(ThvScene& scene)
    : m_scene(scene)
{ }

Scene3DDesignMode::~Scene3DDesignMode() = default;

// ---- design mouse and keys ----------------------------------------------------------------

void Scene3DDesignMode::MouseDown(MouseButton button, ShiftState shift)
{
    const auto keep = shared_from_this();
    rtl::Watch<ThvScene> self(&m_scene);
    ThvVisualObject* root = m_scene.GetRoot();
    if (!root) {
        // A designed scene always has a root to select and to insert into.
        auto* object = new ThvVisualObject(m_scene.GetOwner());
        m_scene.AddObject(object);
        return;
    }

    ThvVisualObject* selected = m_scene.GetSelected();
    if (ThvCanvas* canvas = m_scene.GetCanvas(); selected && selected != root && canvas) {
        const Handles handles = HandlesOf(*selected, *canvas);
        ThvVector pos, dir;
        if (!handles.list.empty() && LocalRay(canvas, *selected, m_scene.GetLastPos(), pos, dir)) {
            for (const Handle& handle : handles.list) {
                if (hvRaySphereTest(pos, dir, handle.centre, 2 * handles.size)) {
                    m_drag = handle.drag;
                    if (platform::ui::SceneHost* host = m_scene.GetHost())
                        host->SetCapture(true);
                    m_scene.AddUpdateRect({});
                    return;
                }
            }
        }
    }

    const ThvPoint mousePos = m_scene.GetMousePos();
    rtl::Watch<ThvVisualObject> hit(m_scene.ObjectAtPoint(mousePos.X, mousePos.Y));
    if (shift.Has(ShiftFlag::Double) && hit && hit.Get() == m_scene.GetSelected()) {
        hit->DesignClick();
        if (!self)
            return;
    }
    selected = m_scene.GetSelected();
    if (hit && hit.Get() == selected && TakesDesignMouse(selected) && !shift.Has(ShiftFlag::Shift)) {
        float x = 0, y = 0;
        ThvVector rayPos {}, rayDir {};
        m_scene.ConvertPointer(selected, x, y, rayPos, rayDir);
        selected->MouseDown(button, shift, x, y, rayPos, rayDir);
        return;
    }
    if (button == MouseButton::Right) {
        PopupDesignMenu();
        return;
    }
    if (shift.Has(ShiftFlag::Ctrl) && hit && hit.Get() != selected)
        return;
    if (hit && hit.Get() == selected && selected != m_scene.GetRoot()) {
        m_drag = Drag3D::Move;
        if (platform::ui::SceneHost* host = m_scene.GetHost())
            host->SetCapture(true);
        return;
    }
    ThvVisualObject* target = hit ? hit.Get() : m_scene.GetRoot();
    if (target && target != selected) {
        m_scene.SetSelected(target);
        target->DesignSelect();
        if (!self)
            return;
        m_scene.AddUpdateRect({});
    }
}

void Scene3DDesignMode::MouseMove(ShiftState shift)
{
    const auto keep = shared_from_this();
    rtl::Watch<ThvScene> self(&m_scene);
    ThvVisualObject* selected = m_scene.GetSelected();
    ThvCanvas* canvas = m_scene.GetCanvas();
    const ThvPoint lastPos = m_scene.GetLastPos();
    const ThvPoint snappedPos = m_scene.GetSnappedPos();
    if (shift.Has(ShiftFlag::Left)) {
        const float dx = snappedPos.X - lastPos.X;
        const float dy = snappedPos.Y - lastPos.Y;
        ThvDummy* cameraZ = m_scene.GetDesignCameraZ();
        if (shift.Has(ShiftFlag::Alt)) {
            if (cameraZ)
                cameraZ->GetRotateAngle()->SetZ(
                    cameraZ->GetRotateAngle()->GetZ() + kTurnDegreesPerPixel * dx);
            if (ThvDummy* cameraX = m_scene.GetDesignCameraX())
                cameraX->GetRotateAngle()->SetX(
                    cameraX->GetRotateAngle()->GetX() + kTurnDegreesPerPixel * dy);
            m_scene.AddUpdateRect({});
            return;
        }
        if (shift.Has(ShiftFlag::Shift) && (!selected || selected == m_scene.GetRoot()) && cameraZ) {
            // The scene follows the pointer over the plane of the camera rig's pivot.
            const ThvVector normal
                = shift.Has(ShiftFlag::Ctrl) ? cameraZ->GetAbsoluteDirection() : cameraZ->GetAbsoluteUp();
            ThvVector delta;
            if (PlaneDelta(canvas, hvProjectionCamera, lastPos, snappedPos, cameraZ->GetAbsolutePosition(),
                    normal, delta)) {
                const ThvVector move = ToParentSpace(*cameraZ, delta);
                ThvPosition* position = cameraZ->GetPosition();
                position->SetPoint(
                    { position->GetX() - move.X, position->GetY() - move.Y, position->GetZ() - move.Z });
                m_scene.AddUpdateRect({});
            }
            return;
        }
    }

    if (!selected || m_drag == Drag3D::None) {
        if (selected && TakesDesignMouse(selected)) {
            float x = 0, y = 0;
            ThvVector rayPos {}, rayDir {};
            m_scene.ConvertPointer(selected, x, y, rayPos, rayDir);
            selected->MouseMove(
                shift, x, y, snappedPos.X - lastPos.X, snappedPos.Y - lastPos.Y, rayPos, rayDir);
        }
        return;
    }

    const ThvProjection projection = selected->GetProjection();
    switch (m_drag) {
    case Drag3D::Move: {
        const ThvVector normal
            = shift.Has(ShiftFlag::Ctrl) ? ThvVector { 0, 1, 0, 0 } : ThvVector { 0, 0, 1, 0 };
        ThvVector delta;
        if (!PlaneDelta(
                canvas, projection, lastPos, snappedPos, selected->GetAbsolutePosition(), normal, delta))
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
    case Drag3D::SizeWidthDepth:
    case Drag3D::SizeWidthHeight: {
        // In the selection's own frame, on the plane through the handle across the two sizes.
        const bool depth = m_drag == Drag3D::SizeWidthDepth;
        const ThvVector localNormal = depth ? ThvVector { 0, 1, 0, 0 } : ThvVector { 0, 0, 1, 0 };
        const float w = selected->GetWidth();
        const float h = selected->GetHeight();
        const float d = selected->GetDepth();
        const ThvVector handle
            = depth ? ThvVector { w / 2, -h / 2, d / 2, 1 } : ThvVector { -w / 2, h / 2, d / 2, 1 };
        ThvVector pos0, dir0, pos1, dir1, hit0, hit1;
        if (!LocalRay(canvas, *selected, lastPos, pos0, dir0)
            || !LocalRay(canvas, *selected, snappedPos, pos1, dir1)
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
    case Drag3D::TurnX:
    case Drag3D::TurnY:
    case Drag3D::TurnZ: {
        // The angle about the parent's axis between the handle's rest direction and the
        // point under the pointer, on the plane through the object across that axis.
        ThvMatrix parent = hvIdentityMatrix;
        if (ThvVisualObject* visualParent = VisualParentOf(selected))
            parent = visualParent->GetAbsoluteMatrix();
        const int axis = m_drag == Drag3D::TurnX ? 0 : m_drag == Drag3D::TurnY ? 1 : 2;
        ThvVector normal { parent[axis][0], parent[axis][1], parent[axis][2], 0 };
        if (hvVectorLength(normal) == 0)
            break;
        normal = hvVectorNormalize(normal);
        ThvVector pos, dir, hit;
        if (!WorldRay(canvas, projection, snappedPos, pos, dir)
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
        m_scene.AddUpdateRect({});
}

void Scene3DDesignMode::MouseUp(MouseButton button, ShiftState shift)
{
    const auto keep = shared_from_this();
    rtl::Watch<ThvScene> self(&m_scene);
    ThvVisualObject* selected = m_scene.GetSelected();
    if (m_drag != Drag3D::None) {
        m_drag = Drag3D::None;
        if (platform::ui::SceneHost* host = m_scene.GetHost())
            host->SetCapture(m_scene.GetCaptured() != nullptr);
        if (selected) {
            if (ThvVisualObject* parent = VisualParentOf(selected))
                parent->Realign();
            if (!self)
                return;
        }
        m_scene.AddUpdateRect({});
    }
    selected = m_scene.GetSelected();
    if (selected && TakesDesignMouse(selected)) {
        float x = 0, y = 0;
        ThvVector rayPos {}, rayDir {};
        m_scene.ConvertPointer(selected, x, y, rayPos, rayDir);
        selected->MouseUp(button, shift, x, y, rayPos, rayDir);
    }
}

void Scene3DDesignMode::MouseWheel(int32_t wheelDelta)
{
    ThvCamera* camera = m_scene.GetDesignCamera();
    if (!camera)
        return;
    ThvPosition* position = camera->GetPosition();
    position->SetY(position->GetY() + static_cast<float>(wheelDelta) / 120);
    m_scene.AddUpdateRect({});
}

void Scene3DDesignMode::KeyUp(uint16_t key)
{
    if (key != platform::ui::vk::kDelete)
        return;
    ThvVisualObject* selected = m_scene.GetSelected();
    // Like the menu's delete: the root and the scene's own design objects stay.
    if (!selected || selected == m_scene.GetRoot() || selected->GetTag() == scene3d::kDesignObjectTag)
        return;
    m_scene.SetSelected(nullptr);
    selected->Free();
    m_scene.AddUpdateRect({});
}

// ---- design overlays ----------------------------------------------------------------------

void Scene3DDesignMode::RenderOverlays(ThvCanvas& canvas)
{
    ThvVisualObject* selected = m_scene.GetSelected();
    if (selected && selected != m_scene.GetRoot() && canvas.GetCamera()) {
        const Handles handles = HandlesOf(*selected, canvas);
        canvas.SetState(
            handles.projection == hvProjectionScreen ? hvStateScreenProjection : hvStateCameraProjection);
        canvas.SetMatrix(selected->GetAbsoluteMatrix());
        canvas.SetState(hvStateZWriteOn);
        SetOverlayMaterial(canvas, kFrameColor);
        canvas.DrawCube(
            { 0, 0, 0, 1 }, { selected->GetWidth(), selected->GetHeight(), selected->GetDepth(), 0 }, 1);
        for (const Handle& handle : handles.list) {
            const bool dragged = handle.drag == m_drag;
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

void Scene3DDesignMode::PopupDesignMenu()
{
    const auto keep = shared_from_this();
    rtl::Watch<ThvScene> self(&m_scene);
    if (!m_menu) {
        m_menu = platform::ui::PopupMenu::Create();
        platform::ui::MenuItem& items = m_menu->Items();
        // Every command is posted and runs after the press: a scene freed meanwhile is left
        // alone (its design mode went with it).
        const auto command = [this, self](auto&& run) {
            return [this, self, run] {
                if (!self)
                    return;
                const auto keep = shared_from_this();
                run(*this);
            };
        };
        const auto method = [&command](void (Scene3DDesignMode::*run)()) {
            return command([run](Scene3DDesignMode& mode) { (mode.*run)(); });
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
                    platform::ui::MenuItem& item
                        = group.Add(caption, command([className](Scene3DDesignMode& mode) {
                              mode.InsertObjectByClassName(className);
                          }));
                    item.Tag = kDesignMenuObjectTag;
                }
            }
        }
        if (m_scene.GetSelected())
            items.Add("Hide in Design-time", method(&Scene3DDesignMode::HideCommand));
        platform::ui::MenuItem& order = items.Add("Order");
        order.Add("Bring to front", command([](Scene3DDesignMode& mode) { mode.OrderCommand(true); }));
        order.Add("Send to back", command([](Scene3DDesignMode& mode) { mode.OrderCommand(false); }));
        items.Add("Delete object", method(&Scene3DDesignMode::DeleteObjectCommand));
        platform::ui::MenuItem& edit = items.Add("Edit");
        edit.Add("Copy to clipboard", method(&Scene3DDesignMode::CopyCommand));
        edit.Add("Paste from clipboard", method(&Scene3DDesignMode::PasteCommand));
        items.Add("Load From File...", method(&Scene3DDesignMode::LoadFromFileCommand));
        items.Add("Show grid", method(&Scene3DDesignMode::ShowGridCommand)).Checked
            = m_scene.GetDesignSnapGridShow();
    }
    // The check marks show the state of this moment, not that of the menu's first showing.
    if (platform::ui::MenuItem* hide = m_menu->Items().FindPath({ "Hide in Design-time" })) {
        ThvVisualObject* selected = m_scene.GetSelected();
        hide->Checked = selected && selected->GetDesignHide();
    }

    const ThvPoint mousePos = m_scene.GetMousePos();
    const TwzPoint screen = m_scene.ClientToScreen({ mousePos.X, mousePos.Y });
    m_menuPos = screen;
    platform::ui::PopupMenu* menu = m_menu.get();
    menu->Popup({ static_cast<int32_t>(std::lround(screen.X)), static_cast<int32_t>(std::lround(screen.Y)) },
        m_scene.GetHost());
}

void Scene3DDesignMode::InsertObjectByClassName(const std::string& className)
{
    const rtl::TClassInfo* info = rtl::FindClass(className);
    if (!info || !info->create || !info->InheritsFrom(ThvObject::StaticClass()))
        return;
    ThvVisualObject* selected = m_scene.GetSelected();
    // Without a selection only a scene without any root takes the object as its first.
    if (!selected && m_scene.GetCount() > 0)
        return;
    rtl::TComponent* made = info->create(m_scene.GetOwner());
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
        m_scene.AddObject(object);
    if (!alive)
        return;
    ApplyTextRule(*object);

    auto* visual = object->AsVisual();
    platform::ui::Form* form = m_scene.GetParentForm();
    if (visual && form && m_menuPos.X > 0) {
        const platform::ui::Point client
            = form->ScreenToClient({ static_cast<int32_t>(std::lround(m_menuPos.X)),
                static_cast<int32_t>(std::lround(m_menuPos.Y)) });
        const ThvPoint at { static_cast<float>(client.x), static_cast<float>(client.y), 0 };
        if (!selected) {
            visual->GetPosition()->SetPoint(at);
        } else if (visual->GetProjection() == hvProjectionScreen) {
            const ThvPoint local = selected->AbsoluteToLocal(at);
            visual->GetPosition()->SetPoint(
                { local.X + selected->GetWidth() / 2, local.Y + selected->GetHeight() / 2, local.Z });
        }
    }
    m_menuPos = { -1, -1 };
    if (visual && alive) {
        m_scene.SetSelected(visual);
        visual->DesignSelect();
    }
    m_scene.AddUpdateRect({});
}

void Scene3DDesignMode::HideCommand()
{
    ThvVisualObject* selected = m_scene.GetSelected();
    if (!selected || selected == m_scene.GetRoot())
        return;
    selected->SetDesignHide(!selected->GetDesignHide());
    if (selected->GetDesignHide()) {
        if (ThvVisualObject* parent = VisualParentOf(selected))
            m_scene.SetSelected(parent);
    }
    m_scene.AddUpdateRect({});
}

void Scene3DDesignMode::OrderCommand(bool toFront)
{
    ThvVisualObject* selected = m_scene.GetSelected();
    if (!selected)
        return;
    if (toFront)
        selected->BringToFront();
    else
        selected->SendToBack();
    m_scene.AddUpdateRect({});
}

void Scene3DDesignMode::DeleteObjectCommand()
{
    ThvVisualObject* selected = m_scene.GetSelected();
    ThvVisualObject* root = m_scene.GetRoot();
    if (!selected || selected == root)
        return;
    const auto keep = shared_from_this();
    rtl::Watch<ThvScene> self(&m_scene);
    ThvVisualObject* next = VisualParentOf(selected);
    if (!next)
        next = root;
    m_scene.SetSelected(next);
    if (next)
        next->DesignSelect();
    if (!self)
        return;
    // The old selection may have gone in DesignSelect; a freed one is not freed again.
    rtl::Watch<ThvVisualObject> old(selected);
    if (old && old.Get() != m_scene.GetRoot())
        old->Free();
    if (self)
        m_scene.AddUpdateRect({});
}

void Scene3DDesignMode::ShowGridCommand()
{
    if (!m_menu)
        return;
    platform::ui::MenuItem* item = m_menu->Items().FindPath({ "Show grid" });
    if (!item)
        return;
    item->Checked = !item->Checked;
    if (ThvGrid* grid = m_scene.GetDesignGrid())
        grid->SetOpacity(item->Checked ? 1.0f : 0.0f);
    m_scene.AddUpdateRect({});
}

// ---- clipboard and files ------------------------------------------------------------------

void Scene3DDesignMode::CopyCommand()
{
    ThvVisualObject* selected = m_scene.GetSelected();
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    if (!selected || !app)
        return;
    rtl::TMemoryStream text;
    selected->SaveToStream(text);
    const std::span<const uint8_t> bytes = text.Bytes();
    const std::string utf8(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    app->GetClipboard().SetText(rtl::Utf8ToUtf16(utf8));
}

void Scene3DDesignMode::PasteCommand()
{
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    ThvVisualObject* selected = m_scene.GetSelected();
    if (!app || !selected)
        return;
    const auto keep = shared_from_this();
    rtl::Watch<ThvScene> self(&m_scene);
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
        ThvObject* object = CreateObjectFromStream(m_scene.GetOwner(), stream);
        if (!object) {
            platform::ui::Dialogs::ShowMessage("No object in clipboard", m_scene.GetParentForm());
            return;
        }
        rtl::Watch<ThvObject> pasted(object);
        target->AddObject(object);
        if (!pasted)
            return;
        ApplyTextRule(*object);
        if (auto* visual = object->AsVisual()) {
            m_scene.SetSelected(visual);
            visual->DesignSelect();
        }
        if (self)
            m_scene.AddUpdateRect({});
    } catch (const rtl::LimitError& e) {
        platform::ui::Dialogs::ShowMessage(e.what(), self ? m_scene.GetParentForm() : nullptr);
    } catch (...) {
        platform::ui::Dialogs::ShowMessage(
            "Error paste object from clipboard", self ? m_scene.GetParentForm() : nullptr);
    }
}

void Scene3DDesignMode::LoadFromFileCommand()
{
    const auto keep = shared_from_this();
    rtl::Watch<ThvScene> self(&m_scene);
    const std::optional<std::string> file
        = platform::ui::Dialogs::OpenFile({ .filter = kDesignFileFilter, .owner = m_scene.GetParentForm() });
    if (!file || !self)
        return;
    ThvObject* object = nullptr;
    try {
        rtl::TFileStream stream(*file, rtl::fmOpenRead);
        object = CreateObjectFromStream(m_scene.GetOwner(), stream);
    } catch (const rtl::LimitError& e) {
        platform::ui::Dialogs::ShowMessage(e.what(), self ? m_scene.GetParentForm() : nullptr);
        return;
    } catch (...) {
        return; // a file that cannot be read adds nothing
    }
    if (!object || !self)
        return;
    ThvVisualObject* selected = m_scene.GetSelected();
    if (ThvVisualObject* parent = selected ? selected : m_scene.GetRoot())
        parent->AddObject(object);
    else
        m_scene.AddObject(object);
    m_scene.AddUpdateRect({});
}

void InstallScene3DDesignMode()
{
    scene3d::MakeDesignMode = [](ThvScene& scene) -> std::shared_ptr<scene3d::DesignMode> {
        return std::make_shared<Scene3DDesignMode>(scene);
    };
}

} // namespace design
