#include "scene3d/ThvVisualObject.h"

#include "platform/ui/PopupMenuComponent.h"
#include "scene3d/ThvBounds.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr rtl::TPropInfo kVisualObjectProps[] = {
    RTL_PROP(ThvVisualObject, Position, Class, rtl::kNoDefault),
    RTL_PROP(ThvVisualObject, Scale, Class, rtl::kNoDefault),
    RTL_PROP(ThvVisualObject, RotateAngle, Class, rtl::kNoDefault),
    RTL_PROP(ThvVisualObject, Width, Float, 1.0),
    RTL_PROP(ThvVisualObject, Height, Float, 1.0),
    RTL_PROP(ThvVisualObject, Depth, Float, 1.0),
    RTL_PROP(ThvVisualObject, Visible, Boolean, true),
    RTL_PROP_RO(ThvVisualObject, IsVisible, Boolean),
    RTL_PROP(ThvVisualObject, Opacity, Float, rtl::kNoDefault),
    RTL_PROP(ThvVisualObject, HitTest, Boolean, true),
    RTL_PROP(ThvVisualObject, ZWrite, Boolean, true),
    RTL_PROP(ThvVisualObject, TwoSide, Boolean, false),
    RTL_PROP(ThvVisualObject, Locked, Boolean, false),
    RTL_PROP(ThvVisualObject, DesignHide, Boolean, false),
    RTL_PROP(ThvVisualObject, Cursor, Integer, 0).WithTypeName("TCursor"),
    RTL_PROP(ThvVisualObject, DragMode, Enum, hvDragManual),
    RTL_PROP(ThvVisualObject, DragDisableHighlight, Boolean, false),
    RTL_PROP(ThvVisualObject, Hint, WideString, u""),
    RTL_PROP(ThvVisualObject, ShowHint, Boolean, false),
    RTL_PROP_RO(ThvVisualObject, IsMouseOver, Boolean),
    RTL_PROP_RO(ThvVisualObject, IsFocused, Boolean),
    RTL_PROP_RO(ThvVisualObject, IsDragOver, Boolean),
};

constexpr rtl::TEventInfo kVisualObjectEvents[] = {
    RTL_EVENT(ThvVisualObject, OnMouseDown),
    RTL_EVENT(ThvVisualObject, OnMouseMove),
    RTL_EVENT(ThvVisualObject, OnMouseUp),
    RTL_EVENT(ThvVisualObject, OnMouseWheel),
    RTL_EVENT(ThvVisualObject, OnClick),
    RTL_EVENT(ThvVisualObject, OnDblClick),
    RTL_EVENT(ThvVisualObject, OnKeyDown),
    RTL_EVENT(ThvVisualObject, OnKeyUp),
    RTL_EVENT(ThvVisualObject, OnDragEnter),
    RTL_EVENT(ThvVisualObject, OnDragOver),
    RTL_EVENT(ThvVisualObject, OnDragDrop),
    RTL_EVENT(ThvVisualObject, OnDragLeave),
    RTL_EVENT(ThvVisualObject, OnBeforePaint),
    RTL_EVENT(ThvVisualObject, OnPaint),
    RTL_EVENT(ThvVisualObject, OnCollision),
};

ThvVector Row(const ThvMatrix& m, int row)
{
    return { m[row][0], m[row][1], m[row][2], m[row][3] };
}

} // namespace

RTL_IMPLEMENT_CLASS(ThvVisualObject, .props = kVisualObjectProps, .events = kVisualObjectEvents)

ThvVisualObject::ThvVisualObject(rtl::TComponent* owner)
    : ThvObject(owner)
    , m_position(std::make_unique<ThvPosition>(ThvPoint { 0, 0, 0 }))
    , m_scale(std::make_unique<ThvPosition>(ThvPoint { 1, 1, 1 }))
    , m_rotateAngle(std::make_unique<ThvPosition>(ThvPoint { 0, 0, 0 }))
    , m_velocity(std::make_unique<ThvPosition>(ThvPoint { 0, 0, 0 }))
    , m_margins(std::make_unique<ThvBounds>())
    , m_padding(std::make_unique<ThvBounds>())
{
    m_position->OnChange.Bind<&ThvVisualObject::PositionChanged>(this);
    m_scale->OnChange.Bind<&ThvVisualObject::ScaleChanged>(this);
    // Only per-axis changes turn the object; a whole point set at once (loading) does not.
    m_rotateAngle->OnChangeX.Bind<&ThvVisualObject::RotateAngleXChanged>(this);
    m_rotateAngle->OnChangeY.Bind<&ThvVisualObject::RotateAngleYChanged>(this);
    m_rotateAngle->OnChangeZ.Bind<&ThvVisualObject::RotateAngleZChanged>(this);
    m_margins->OnChange.Bind<&ThvVisualObject::MarginsChanged>(this);
    m_padding->OnChange.Bind<&ThvVisualObject::PaddingChanged>(this);
}

ThvVisualObject::~ThvVisualObject() = default;

void ThvVisualObject::ResetPositionDefault(const ThvPoint& value)
{
    m_position = std::make_unique<ThvPosition>(value);
    m_position->OnChange.Bind<&ThvVisualObject::PositionChanged>(this);
    MatrixChanged();
}

void ThvVisualObject::BeforeDestruction()
{
    // Hidden first, so that nothing on the way out asks the scene for a repaint.
    m_visible = false;
    m_opacityDirty = true;
    DestroyBody();
    Inherited::BeforeDestruction();
}

// ---- published value objects -------------------------------------------------------------

void ThvVisualObject::SetPosition(ThvPosition* value)
{
    if (value)
        m_position->Assign(*value);
}

void ThvVisualObject::SetScale(ThvPosition* value)
{
    if (value)
        m_scale->Assign(*value);
}

void ThvVisualObject::SetRotateAngle(ThvPosition* value)
{
    if (value)
        m_rotateAngle->Assign(*value);
}

void ThvVisualObject::SetVelocity(ThvPosition* value)
{
    if (value)
        m_velocity->Assign(*value);
}

void ThvVisualObject::SetMargins(ThvBounds* value)
{
    if (value)
        m_margins->Assign(*value);
}

void ThvVisualObject::SetPadding(ThvBounds* value)
{
    if (value)
        m_padding->Assign(*value);
}

void ThvVisualObject::PositionChanged(rtl::TObject*)
{
    MatrixChanged();
}

void ThvVisualObject::ScaleChanged(rtl::TObject*)
{
    MatrixChanged();
}

void ThvVisualObject::RotateAngleXChanged(rtl::TObject*)
{
    RotateXChanged();
}

void ThvVisualObject::RotateAngleYChanged(rtl::TObject*)
{
    RotateYChanged();
}

void ThvVisualObject::RotateAngleZChanged(rtl::TObject*)
{
    RotateZChanged();
}

void ThvVisualObject::MarginsChanged(rtl::TObject*)
{
    Realign();
}

void ThvVisualObject::PaddingChanged(rtl::TObject*)
{
    if (ThvVisualObject* parent = GetVisualParent())
        parent->Realign();
}

// ---- plain setters ------------------------------------------------------------------------

void ThvVisualObject::SetOpacity(float value)
{
    value = std::clamp(value, 0.0f, 1.0f);
    if (value == m_opacity)
        return;
    m_opacity = value;
    RecalcOpacity();
    Repaint();
}

void ThvVisualObject::SetHitTest(bool value)
{
    m_hitTest = value;
}

void ThvVisualObject::SetZWrite(bool value)
{
    if (value == m_zWrite)
        return;
    m_zWrite = value;
    Repaint();
}

void ThvVisualObject::SetDesignHide(bool value)
{
    if (value == m_designHide)
        return;
    m_designHide = value;
    if (InDesignMode())
        Repaint();
}

void ThvVisualObject::SetAlign(ThvAlign value)
{
    if (value == m_align)
        return;
    m_align = value;
    if (ThvVisualObject* parent = GetVisualParent())
        parent->Realign();
}

void ThvVisualObject::SetDynamic(bool value)
{
    if (value == m_dynamic)
        return;
    m_dynamic = value;
    RecreateBody();
}

void ThvVisualObject::SetCollider(bool value)
{
    if (value == m_collider)
        return;
    m_collider = value;
    RecreateBody();
}

void ThvVisualObject::SetPopupMenu(platform::ui::PopupMenuComponent* value)
{
    m_popupMenu.Set(value);
}

void ThvVisualObject::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_popupMenu.Notification(component, operation);
}

// ---- sizes --------------------------------------------------------------------------------

void ThvVisualObject::SizeChanged(float& size, float value, float ThvPoint::*scaleAxis)
{
    if (value == size)
        return;
    size = value;
    if (value < 0 && InDesignMode()) {
        // A negative size dragged in the designer mirrors the object instead.
        size = -value;
        ThvPoint scale = m_scale->GetPoint();
        scale.*scaleAxis = -(scale.*scaleAxis);
        m_scale->SetPoint(scale);
    }
    if (!IsLoading()) {
        ThvVisualObject* parent = GetVisualParent();
        if (parent && m_align != hvNone)
            parent->Realign();
        if (GetChildCount() > 0)
            Realign();
        Repaint();
    }
    if (m_body != 0 && GetPhysics())
        RecreateBody();
}

void ThvVisualObject::SetWidth(float value)
{
    SizeChanged(m_width, value, &ThvPoint::X);
}

void ThvVisualObject::SetHeight(float value)
{
    SizeChanged(m_height, value, &ThvPoint::Y);
}

void ThvVisualObject::SetDepth(float value)
{
    SizeChanged(m_depth, value, &ThvPoint::Z);
}

void ThvVisualObject::SetSizeFields(float width, float height, float depth)
{
    m_width = width;
    m_height = height;
    m_depth = depth;
}

// ---- transform ----------------------------------------------------------------------------

void ThvVisualObject::MatrixChanged()
{
    ThvVector z { 0, 0, 1, 1 };
    ThvVector y { 0, 1, 0, 1 };
    if (!m_rotateAngle->IsEmpty()) {
        const ThvMatrix rotation = hvQuaternionToMatrix(m_quaternion);
        z = hvVectorTransform(z, rotation);
        y = hvVectorTransform(y, rotation);
    } else {
        // Three zero angles mean no rotation, whatever the quaternion held.
        m_quaternion = hvIdentityQuaternion;
        m_rotateAngle->SetPointNoChange({ 0, 0, 0 });
    }
    const ThvVector x = hvVectorCrossProduct(y, z);

    const ThvPoint scale = m_scale->GetPoint();
    const ThvPoint position = m_position->GetPoint();
    m_localMatrix = { { { x.X * scale.X, x.Y * scale.X, x.Z * scale.X, 0 },
        { y.X * scale.Y, y.Y * scale.Y, y.Z * scale.Y, 0 },
        { z.X * scale.Z, z.Y * scale.Z, z.Z * scale.Z, 0 }, { position.X, position.Y, position.Z, 1 } } };

    RecalcAbsolute();
    if (m_dynamic && m_body != 0) {
        if (ThvPhysics* physics = GetPhysics())
            physics->SetBodyMatrix(m_body, GetAbsoluteMatrix());
    }
    Repaint();
}

void ThvVisualObject::TurnAbout(
    const ThvVector& axis, float sign, float current, float previous, float ThvPoint::*component)
{
    const float delta = hvNormalizeAngle(current - previous);
    if (delta == 0)
        return;
    m_quaternion = hvQuaternionMultiply(m_quaternion, hvQuaternionFromAngleAxis(axis, sign * delta));
    MatrixChanged();
    // The component settles to its normalised value, which is also the base of the next change.
    ThvPoint angles = m_rotateAngle->GetPoint();
    angles.*component = hvNormalizeAngle(current);
    m_rotateAngle->SetPointNoChange(angles);
    m_rotateAngle->SetPointNoChange(angles);
}

// NOTE: the Y axis turns the other way from X and Z, so that a positive angle turns each axis
// the same way as seen along it from the default camera.
void ThvVisualObject::RotateXChanged()
{
    TurnAbout(hvXAxis, -1, m_rotateAngle->GetX(), m_rotateAngle->GetPrevValue().X, &ThvPoint::X);
}

void ThvVisualObject::RotateYChanged()
{
    TurnAbout(hvYAxis, 1, m_rotateAngle->GetY(), m_rotateAngle->GetPrevValue().Y, &ThvPoint::Y);
}

void ThvVisualObject::RotateZChanged()
{
    TurnAbout(hvZAxis, -1, m_rotateAngle->GetZ(), m_rotateAngle->GetPrevValue().Z, &ThvPoint::Z);
}

ThvMatrix ThvVisualObject::GetAbsoluteMatrix()
{
    if (!m_absoluteDirty)
        return m_absoluteMatrix;
    if (ThvVisualObject* parent = GetVisualParent())
        m_absoluteMatrix = hvMatrixMultiply(m_localMatrix, parent->GetAbsoluteMatrix());
    else
        m_absoluteMatrix = m_localMatrix;
    m_absoluteDirty = false;
    return m_absoluteMatrix;
}

void ThvVisualObject::RecalcAbsolute()
{
    MarkAbsoluteStale();
    Repaint();
}

void ThvVisualObject::MarkAbsoluteStale()
{
    m_absoluteDirty = true;
    // A collision body follows its object as soon as the object moves, not when something next
    // asks for the matrix. The parent is marked first, so the matrix computed here is the new one.
    if (m_collider && m_body != 0) {
        if (ThvPhysics* physics = GetPhysics())
            physics->SetBodyMatrix(m_body, GetAbsoluteMatrix());
    }
    for (ThvObject* child : Children()) {
        if (auto* visual = child->AsVisual())
            visual->MarkAbsoluteStale();
    }
}

ThvMatrix ThvVisualObject::GetInvertAbsoluteMatrix()
{
    ThvMatrix m = GetAbsoluteMatrix();
    hvInvertMatrix(m);
    return m;
}

ThvVector ThvVisualObject::GetAbsoluteRight()
{
    return Row(GetAbsoluteMatrix(), 0);
}

ThvVector ThvVisualObject::GetAbsoluteDirection()
{
    return Row(GetAbsoluteMatrix(), 1);
}

ThvVector ThvVisualObject::GetAbsoluteUp()
{
    return Row(GetAbsoluteMatrix(), 2);
}

ThvVector ThvVisualObject::GetAbsolutePosition()
{
    return Row(GetAbsoluteMatrix(), 3);
}

ThvPoint ThvVisualObject::LocalToAbsolute(const ThvPoint& point)
{
    return hvVectorToPoint(hvVectorTransform(hvPointToVector(point, 1), GetAbsoluteMatrix()));
}

ThvPoint ThvVisualObject::AbsoluteToLocal(const ThvPoint& point)
{
    return hvVectorToPoint(hvVectorTransform(hvPointToVector(point, 1), GetInvertAbsoluteMatrix()));
}

ThvVector ThvVisualObject::LocalToAbsoluteVector(const ThvVector& vector)
{
    return hvVectorTransform(vector, GetAbsoluteMatrix());
}

ThvVector ThvVisualObject::AbsoluteToLocalVector(const ThvVector& vector)
{
    return hvVectorTransform(vector, GetInvertAbsoluteMatrix());
}

ThvMatrix ThvVisualObject::GetParentAbsoluteMatrix()
{
    if (ThvVisualObject* parent = GetVisualParent())
        return parent->GetAbsoluteMatrix();
    return hvIdentityMatrix;
}

TwzRect ThvVisualObject::GetScreenBounds()
{
    ThvCanvas* canvas = GetCanvas();
    float minX = 65535, minY = 65535, maxX = -65535, maxY = -65535;
    for (int corner = 0; corner < 8; ++corner) {
        const ThvPoint local { (corner & 1 ? 0.5f : -0.5f) * m_width, (corner & 2 ? 0.5f : -0.5f) * m_height,
            (corner & 4 ? 0.5f : -0.5f) * m_depth };
        ThvPoint screen = LocalToAbsolute(local);
        if (canvas)
            canvas->WorldToScreen(m_projection, LocalToAbsolute(local), screen);
        minX = std::min(minX, screen.X);
        minY = std::min(minY, screen.Y);
        maxX = std::max(maxX, screen.X);
        maxY = std::max(maxY, screen.Y);
    }
    return MakeRect(minX, minY, maxX, maxY);
}

void ThvVisualObject::SetProjection(ThvProjection value)
{
    if (value == m_projection)
        return;
    m_projection = value;
    for (ThvObject* child : Children()) {
        if (auto* visual = child->AsVisual())
            visual->SetProjection(value);
    }
    Repaint();
}

// ---- opacity ------------------------------------------------------------------------------

float ThvVisualObject::GetAbsoluteOpacity()
{
    if (!m_opacityDirty)
        return m_absoluteOpacity;
    if (ThvVisualObject* parent = GetVisualParent())
        m_absoluteOpacity = m_opacity * parent->GetAbsoluteOpacity();
    else
        m_absoluteOpacity = m_opacity;
    m_opacityDirty = false;
    return m_absoluteOpacity;
}

void ThvVisualObject::RecalcOpacity()
{
    m_opacityDirty = true;
    for (ThvObject* child : Children()) {
        if (auto* visual = child->AsVisual())
            visual->RecalcOpacity();
    }
}

// ---- tree hooks ---------------------------------------------------------------------------

void ThvVisualObject::ObjectAdded(ThvObject* child)
{
    auto* visual = child->AsVisual();
    if (visual && m_projection == hvProjectionScreen)
        visual->SetProjection(hvProjectionScreen);
    // A child arriving from elsewhere keeps no opacity of its former parent.
    if (visual)
        visual->RecalcOpacity();
    if (!IsLoading()) {
        RecalcAbsolute();
        Realign();
    }
}

void ThvVisualObject::ObjectRemoved(ThvObject* child)
{
    // The child no longer hangs below this object: its cached matrix and opacity are stale.
    if (auto* visual = child->AsVisual()) {
        visual->RecalcAbsolute();
        visual->RecalcOpacity();
    }
    Realign();
    Repaint();
}

void ThvVisualObject::OrderChanged()
{
    Repaint();
}

void ThvVisualObject::SceneChanged(ThvScene* previous)
{
    Inherited::SceneChanged(previous);
    // A body is a thing of its scene's world: it must not stay there, colliding, while the
    // object is elsewhere or nowhere.
    if (m_body != 0 && (!GetBodyEngine() || m_bodyScene.Get() != GetScene()))
        DestroyBody();
    if (m_body == 0 && (m_dynamic || m_collider) && GetScene() && !IsDestroying()) {
        // The cached matrix may still be the one under the former parent.
        RecalcAbsolute();
        RecreateBody();
    }
}

bool ThvVisualObject::ReceivesParentTriggers() const
{
    return m_locked && !m_hitTest;
}

ThvVisualObject* ThvVisualObject::GetVisualParent() const
{
    ThvObject* parent = GetParent();
    return parent ? parent->AsVisual() : nullptr;
}

bool ThvVisualObject::InDesignMode() const
{
    const ThvScene* scene = GetScene();
    return scene && scene->IsDesigning();
}

// ---- streaming ----------------------------------------------------------------------------

std::string ThvVisualObject::GetQuaternionText() const
{
    const ThvVector& v = m_quaternion.ImagPart;
    return "(" + hvFloatToStr(v.X) + "," + hvFloatToStr(v.Y) + "," + hvFloatToStr(v.Z) + ","
        + hvFloatToStr(m_quaternion.RealPart) + ")";
}

void ThvVisualObject::SetQuaternionText(const std::string& text)
{
    std::string rest = text;
    (void)hvGetToken(rest, ",()", "");
    ThvQuaternion q;
    // A number that does not read raises to the reader, which skips the value; nothing is
    // taken from a half-read text.
    q.ImagPart.X = hvStrToFloat(hvGetToken(rest, ",()", ""));
    q.ImagPart.Y = hvStrToFloat(hvGetToken(rest, ",()", ""));
    q.ImagPart.Z = hvStrToFloat(hvGetToken(rest, ",()", ""));
    q.ImagPart.W = 0;
    q.RealPart = hvStrToFloat(hvGetToken(rest, ",()", ""));
    m_quaternion = q;
}

void ThvVisualObject::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    const ThvVector& v = m_quaternion.ImagPart;
    filer.DefineProperty(
        "Quanternion", [this](rtl::TReader& reader) { SetQuaternionText(reader.ReadString()); },
        [this](rtl::TWriter& writer) { writer.WriteString(GetQuaternionText()); },
        v.X != 0 || v.Y != 0 || v.Z != 0 || m_quaternion.RealPart != 0);
}

void ThvVisualObject::Loaded()
{
    Inherited::Loaded();
    MatrixChanged();
    if (GetChildCount() > 0)
        Realign();
    if (ThvScene* scene = GetScene()) {
        if (scene->GetActiveControl() == this)
            SetFocus();
    }
}

// ---- physics ------------------------------------------------------------------------------

ThvPhysics* ThvVisualObject::GetPhysics() const
{
    ThvScene* scene = GetScene();
    return scene ? scene->GetPhysics() : nullptr;
}

ThvPhysics* ThvVisualObject::GetBodyEngine() const
{
    // The scene frees its engine only when it goes itself, so a live scene still holding the
    // same engine means the body's world is still there.
    if (m_bodyEngine && m_bodyScene && m_bodyScene->GetPhysics() == m_bodyEngine)
        return m_bodyEngine;
    return nullptr;
}

void ThvVisualObject::SetBody(ThvPhysicsBody value)
{
    m_body = value;
    m_bodyScene = value != 0 ? GetScene() : nullptr;
    m_bodyEngine = value != 0 ? GetPhysics() : nullptr;
}

void ThvVisualObject::CreateBody()
{
    ThvScene* scene = GetScene();
    if (!scene || scene->GetInvisibleAtRuntime())
        return;
    if (!scene->GetPhysics())
        scene->CreatePhysics();
    ThvPhysics* physics = scene->GetPhysics();
    if (physics && (m_collider || m_dynamic)) {
        // The engine makes no second body for an object; the first one would be left in its
        // world with nothing to reach it.
        DestroyBody();
        SetBody(physics->CreateBox(this, { m_width, m_height, m_depth, 1 }));
    }
}

void ThvVisualObject::CreateShapeBody(
    ThvPhysicsBody (ThvPhysics::*create)(ThvVisualObject*, const ThvVector&))
{
    ThvScene* scene = GetScene();
    if (scene && !scene->GetPhysics())
        scene->CreatePhysics();
    ThvPhysics* physics = scene ? scene->GetPhysics() : nullptr;
    if (physics && (m_collider || m_dynamic)) {
        // The engine makes no second body for an object: the first one goes through the
        // engine that made it.
        DestroyBody();
        SetBody((physics->*create)(this, { m_width, m_height, m_depth, 1 }));
    }
}

void ThvVisualObject::DestroyBody()
{
    if (m_body != 0) {
        if (ThvPhysics* engine = GetBodyEngine())
            engine->DestroyBody(m_body);
    }
    SetBody(0);
}

void ThvVisualObject::CreateBodies()
{
    CreateBody();
    for (ThvObject* child : Children()) {
        if (auto* visual = child->AsVisual())
            visual->CreateBodies();
    }
}

void ThvVisualObject::RecreateBody()
{
    ThvScene* scene = GetScene();
    if (InDesignMode() || (scene && scene->GetInvisibleAtRuntime()))
        return;
    DestroyBody();
    CreateBody();
}

void ThvVisualObject::DoCollision(ThvVisualObject* other, const ThvVector& point, const ThvVector& normal)
{
    OnCollision(this, other, point, normal);
}

void ThvVisualObject::ProcessTick(double time, double deltaTime)
{
    rtl::Watch<ThvVisualObject> self(this);
    Inherited::ProcessTick(time, deltaTime);
    if (!self)
        return;
    ThvScene* scene = GetScene();
    if (!scene || scene->GetInvisibleAtRuntime())
        return;
    ThvPhysics* physics = scene->GetPhysics();

    if (m_dynamic && m_body != 0 && physics) {
        // The engine simulates world matrices; the object keeps its matrix relative to its
        // visual parent, so the body's matrix is taken into the parent's space.
        ThvMatrix toParent = GetParentAbsoluteMatrix();
        hvInvertMatrix(toParent);
        const ThvMatrix local = hvMatrixMultiply(physics->GetBodyMatrix(m_body), toParent);
        m_localMatrix = local;
        m_quaternion = hvQuaternionFromMatrix(local);
        m_position->SetPointNoChange({ local[3][0], local[3][1], local[3][2] });
        RecalcAbsolute();
    }

    if (!m_velocity->IsEmpty()) {
        // Along the object's own axes as they lie in the parent's space, where Position is.
        const ThvVector step
            = hvVectorScale(hvVectorTransform(hvPointToVector(m_velocity->GetPoint(), 0), m_localMatrix),
                static_cast<float>(deltaTime));
        m_position->SetPoint(hvVectorToPoint(hvVectorAdd(m_position->GetVector(), step)));
        if (!self)
            return;
        physics = scene->GetPhysics();
        if (m_colliseTrack && m_body != 0 && physics) {
            std::vector<ThvVisualObject*> list;
            physics->TrackCollisions(this, list);
        }
    }
}
