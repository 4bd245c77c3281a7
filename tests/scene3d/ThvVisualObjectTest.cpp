// The visual object's place in space: local and absolute matrices, rotation by angles,
// conversions, opacity, sizes, repaint requests, the stored rotation and the physics hooks.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

class ThvVisualObjectTest : public VisualFixture { };

ThvQuaternion Quaternion(float x, float y, float z, float r)
{
    return { { x, y, z, 0 }, r };
}

::testing::AssertionResult NearQuaternion(
    const ThvQuaternion& a, const ThvQuaternion& b, float tolerance = 1e-5f)
{
    if (Near(a.ImagPart, b.ImagPart, tolerance) && std::fabs(a.RealPart - b.RealPart) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << LogVector(a.ImagPart) << " " << a.RealPart << " is not "
                                         << LogVector(b.ImagPart) << " " << b.RealPart;
}

TEST_F(ThvVisualObjectTest, LocalMatrixHasScaledAxesAndPositionRow)
{
    ThvVisualObject* object = Make();
    object->GetScale()->SetPoint({ 2, 1, 1 });
    object->GetPosition()->SetPoint({ 5, 0, 0 });
    const ThvMatrix expected { { { 2, 0, 0, 0 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 }, { 5, 0, 0, 1 } } };
    EXPECT_EQ(object->GetLocalMatrix(), expected);
    EXPECT_EQ(object->GetAbsoluteMatrix(), expected);
}

TEST_F(ThvVisualObjectTest, OneAngleTurnsAboutTheOwnAxis)
{
    // X and Z turn by the negated angle, Y by the angle itself; the rows are the object's
    // X axis, Y axis (viewing direction) and Z axis (up).
    struct Case {
        const char* name;
        float ThvPoint::*axis;
        float angle;
        ThvQuaternion quaternion;
        ThvVector right, direction, up;
    } const cases[] = {
        { "X -90", &ThvPoint::X, -90, Quaternion(0.707107f, 0, 0, 0.707107f), { 1, 0, 0 }, { 0, 0, 1 },
            { 0, -1, 0 } },
        { "X 33", &ThvPoint::X, 33, Quaternion(-0.284015f, 0, 0, 0.95882f), { 1, 0, 0 },
            { 0, 0.838671f, -0.544639f }, { 0, 0.544639f, 0.838671f } },
        { "X 90", &ThvPoint::X, 90, Quaternion(-0.707107f, 0, 0, 0.707107f), { 1, 0, 0 }, { 0, 0, -1 },
            { 0, 1, 0 } },
        { "Y 90", &ThvPoint::Y, 90, Quaternion(0, 0.707107f, 0, 0.707107f), { 0, 0, -1 }, { 0, 1, 0 },
            { 1, 0, 0 } },
        { "Z 90", &ThvPoint::Z, 90, Quaternion(0, 0, -0.707107f, 0.707107f), { 0, -1, 0 }, { 1, 0, 0 },
            { 0, 0, 1 } },
        { "Z -450 settles at -90", &ThvPoint::Z, -450, Quaternion(0, 0, 0.707107f, 0.707107f), { 0, 1, 0 },
            { -1, 0, 0 }, { 0, 0, 1 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvVisualObject* object = Make();
        ThvPosition& angles = *object->GetRotateAngle();
        if (c.axis == &ThvPoint::X)
            angles.SetX(c.angle);
        else if (c.axis == &ThvPoint::Y)
            angles.SetY(c.angle);
        else
            angles.SetZ(c.angle);
        EXPECT_TRUE(NearQuaternion(object->GetQuaternion(), c.quaternion));
        EXPECT_TRUE(Near(object->GetAbsoluteRight(), c.right));
        EXPECT_TRUE(Near(object->GetAbsoluteDirection(), c.direction));
        EXPECT_TRUE(Near(object->GetAbsoluteUp(), c.up));
        // The component is kept in [-180, 360).
        EXPECT_EQ(angles.GetPoint().*c.axis, hvNormalizeAngle(c.angle));
    }
}

TEST_F(ThvVisualObjectTest, AnglesBackToZeroLeaveNoRotation)
{
    ThvVisualObject* object = Make();
    object->GetRotateAngle()->SetX(90);
    object->GetRotateAngle()->SetZ(30);
    object->GetRotateAngle()->SetZ(0);
    object->GetRotateAngle()->SetX(0);
    EXPECT_EQ(object->GetQuaternion(), hvIdentityQuaternion);
    EXPECT_EQ(object->GetLocalMatrix(), hvIdentityMatrix);
}

TEST_F(ThvVisualObjectTest, AFullTurnChangesNothing)
{
    ThvVisualObject* object = Make();
    const int before = scene->updateRequests;
    object->GetRotateAngle()->SetX(360);
    EXPECT_EQ(object->GetQuaternion(), hvIdentityQuaternion);
    EXPECT_EQ(object->GetLocalMatrix(), hvIdentityMatrix);
    EXPECT_EQ(scene->updateRequests, before);
}

TEST_F(ThvVisualObjectTest, TheOrderOfAngleChangesMatters)
{
    ThvVisualObject* xFirst = Make();
    xFirst->GetRotateAngle()->SetX(90);
    xFirst->GetRotateAngle()->SetZ(90);
    ThvVisualObject* zFirst = Make();
    zFirst->GetRotateAngle()->SetZ(90);
    zFirst->GetRotateAngle()->SetX(90);
    EXPECT_EQ(xFirst->GetRotateAngle()->GetPoint(), zFirst->GetRotateAngle()->GetPoint());
    // Each turn is about the object's own, already turned, axis: after X 90 the own Z axis is
    // the world's Y, and turning about it brings the old X axis to the front.
    EXPECT_TRUE(Near(xFirst->GetAbsoluteDirection(), { 1, 0, 0 }));
    EXPECT_TRUE(Near(xFirst->GetAbsoluteUp(), { 0, 1, 0 }));
    EXPECT_TRUE(Near(zFirst->GetAbsoluteDirection(), { 0, 0, -1 }));
    EXPECT_TRUE(Near(zFirst->GetAbsoluteUp(), { 1, 0, 0 }));
}

TEST_F(ThvVisualObjectTest, SettingTheWholeAngleAtOnceDoesNotTurn)
{
    ThvVisualObject* object = Make();
    object->GetRotateAngle()->SetPoint({ 45, 0, 0 });
    EXPECT_EQ(object->GetQuaternion(), hvIdentityQuaternion);
}

TEST_F(ThvVisualObjectTest, AbsoluteMatrixFollowsEveryAncestor)
{
    ThvVisualObject* parent = Make("parent");
    ThvVisualObject* child = Make("child", parent);
    ThvVisualObject* grandchild = Make("grandchild", child);
    child->GetPosition()->SetPoint({ 1, 0, 0 });
    grandchild->GetPosition()->SetPoint({ 0, 2, 0 });
    parent->GetScale()->SetPoint({ 2, 2, 2 });
    parent->GetPosition()->SetPoint({ 10, 0, 0 });
    EXPECT_TRUE(Near(grandchild->GetAbsolutePosition(), { 12, 4, 0 }));

    // Moving the parent moves the subtree; the children's own properties stay.
    parent->GetPosition()->SetPoint({ 0, 0, 5 });
    EXPECT_TRUE(Near(grandchild->GetAbsolutePosition(), { 2, 4, 5 }));
    EXPECT_EQ(grandchild->GetPosition()->GetPoint(), (ThvPoint { 0, 2, 0 }));

    // A child is at its Position through the parent's absolute matrix.
    const ThvVector expected
        = hvVectorTransform(child->GetPosition()->GetVector(), parent->GetAbsoluteMatrix());
    EXPECT_TRUE(Near(child->GetAbsolutePosition(), expected));
}

TEST_F(ThvVisualObjectTest, AChildMovedToAnotherParentTakesItsPlace)
{
    ThvVisualObject* a = Make("a");
    ThvVisualObject* b = Make("b");
    a->GetPosition()->SetPoint({ 10, 0, 0 });
    b->GetPosition()->SetPoint({ 0, 10, 0 });
    ThvVisualObject* child = Make("child", a);
    EXPECT_TRUE(Near(child->GetAbsolutePosition(), { 10, 0, 0 }));
    child->SetParent(b);
    EXPECT_TRUE(Near(child->GetAbsolutePosition(), { 0, 10, 0 }));
    child->SetParent(nullptr);
    EXPECT_TRUE(Near(child->GetAbsolutePosition(), { 0, 0, 0 }));
}

TEST_F(ThvVisualObjectTest, ConversionsBetweenLocalAndWorld)
{
    ThvVisualObject* object = Make();
    object->GetRotateAngle()->SetZ(90);
    object->GetScale()->SetPoint({ 2, 2, 2 });
    object->GetPosition()->SetPoint({ 1, 2, 3 });

    const ThvPoint local { 1, 0, 0 };
    const ThvPoint world = object->LocalToAbsolute(local);
    EXPECT_TRUE(Near(world, { 1, 0, 3 }));
    EXPECT_TRUE(Near(object->AbsoluteToLocal(world), local));

    // Directions ignore the translation; the result carries W = 1.
    const ThvVector direction = object->LocalToAbsoluteVector({ 1, 0, 0, 0 });
    EXPECT_TRUE(Near(direction, { 0, -2, 0 }));
    EXPECT_EQ(direction.W, 1);
    EXPECT_TRUE(Near(object->AbsoluteToLocalVector({ 0, -2, 0, 0 }), { 1, 0, 0 }));
}

TEST_F(ThvVisualObjectTest, ASingularMatrixConvertsPointsUnchanged)
{
    ThvVisualObject* object = Make();
    object->GetScale()->SetPoint({ 0, 1, 1 });
    EXPECT_EQ(object->GetInvertAbsoluteMatrix(), hvIdentityMatrix);
    EXPECT_TRUE(Near(object->AbsoluteToLocal({ 3, 4, 5 }), { 3, 4, 5 }));
}

TEST_F(ThvVisualObjectTest, OpacityIsKeptInRangeAndMultipliesDownTheTree)
{
    struct Case {
        float value, stored;
    } const cases[] = { { 1.5f, 1 }, { -0.2f, 0 }, { 0.25f, 0.25f } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        ThvVisualObject* object = Make();
        object->SetOpacity(c.value);
        EXPECT_EQ(object->GetOpacity(), c.stored);
        EXPECT_EQ(object->GetAbsoluteOpacity(), c.stored);
    }

    ThvVisualObject* parent = Make();
    ThvVisualObject* child = Make({}, parent);
    ThvVisualObject* grandchild = Make({}, child);
    parent->SetOpacity(0.5f);
    child->SetOpacity(0.5f);
    EXPECT_FLOAT_EQ(child->GetAbsoluteOpacity(), 0.25f);
    EXPECT_FLOAT_EQ(grandchild->GetAbsoluteOpacity(), 0.25f);
    parent->SetOpacity(1);
    EXPECT_FLOAT_EQ(grandchild->GetAbsoluteOpacity(), 0.5f);

    // Moved under an opaque root, the child no longer carries the old parent's opacity.
    parent->SetOpacity(0.5f);
    EXPECT_FLOAT_EQ(grandchild->GetAbsoluteOpacity(), 0.25f);
    ThvVisualObject* other = Make();
    child->SetParent(other);
    EXPECT_FLOAT_EQ(grandchild->GetAbsoluteOpacity(), 0.5f);
}

TEST_F(ThvVisualObjectTest, NegativeSizesMirrorOnlyInDesignMode)
{
    ThvVisualObject* runTime = Make();
    runTime->SetWidth(-3);
    EXPECT_EQ(runTime->GetWidth(), -3);
    EXPECT_EQ(runTime->GetScale()->GetX(), 1);

    scene->SetDesigning(true);
    struct Case {
        const char* name;
        void (ThvVisualObject::*set)(float);
        float (ThvVisualObject::*get)() const;
        float ThvPoint::*axis;
    } const cases[] = {
        { "width", &ThvVisualObject::SetWidth, &ThvVisualObject::GetWidth, &ThvPoint::X },
        { "height", &ThvVisualObject::SetHeight, &ThvVisualObject::GetHeight, &ThvPoint::Y },
        { "depth", &ThvVisualObject::SetDepth, &ThvVisualObject::GetDepth, &ThvPoint::Z },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvVisualObject* object = Make();
        (object->*c.set)(-3);
        EXPECT_EQ((object->*c.get)(), 3);
        EXPECT_EQ(object->GetScale()->GetPoint().*c.axis, -1);
        // The mirror shows in the matrix.
        EXPECT_EQ(object->GetLocalMatrix()[c.axis == &ThvPoint::X ? 0
                          : c.axis == &ThvPoint::Y                ? 1
                                                                  : 2][c.axis == &ThvPoint::X ? 0
                          : c.axis == &ThvPoint::Y                             ? 1
                                                                               : 2],
            -1);
    }
}

TEST_F(ThvVisualObjectTest, WhatAsksTheSceneForARepaint)
{
    struct Case {
        const char* name;
        void (*change)(ThvVisualObject&);
        bool repaints;
    } const cases[] = {
        { "position", [](ThvVisualObject& o) { o.GetPosition()->SetX(2); }, true },
        { "scale", [](ThvVisualObject& o) { o.GetScale()->SetY(2); }, true },
        { "width", [](ThvVisualObject& o) { o.SetWidth(2); }, true },
        { "opacity", [](ThvVisualObject& o) { o.SetOpacity(0.5f); }, true },
        { "zwrite", [](ThvVisualObject& o) { o.SetZWrite(false); }, true },
        { "same width", [](ThvVisualObject& o) { o.SetWidth(1); }, false },
        { "same opacity", [](ThvVisualObject& o) { o.SetOpacity(3); }, false },
        { "hit test", [](ThvVisualObject& o) { o.SetHitTest(false); }, false },
        { "design hide at run time", [](ThvVisualObject& o) { o.SetDesignHide(true); }, false },
        { "hiding", [](ThvVisualObject& o) { o.SetVisible(false); }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvVisualObject* object = Make();
        (void)object->GetAbsoluteMatrix();
        scene->updateRequests = 0;
        c.change(*object);
        EXPECT_EQ(scene->updateRequests > 0, c.repaints);
    }
}

TEST_F(ThvVisualObjectTest, NoRepaintRequestsWhenInvisibleOrRealTime)
{
    ThvVisualObject* object = Make();
    object->SetVisible(false);
    scene->updateRequests = 0;
    object->GetPosition()->SetX(3);
    EXPECT_EQ(scene->updateRequests, 0);

    object->SetVisible(true);
    scene->SetRealTime(true);
    object->GetPosition()->SetX(4);
    EXPECT_EQ(scene->updateRequests, 0);

    // In the designer a real-time scene still takes requests.
    scene->SetDesigning(true);
    object->GetPosition()->SetX(5);
    EXPECT_GT(scene->updateRequests, 0);
}

TEST_F(ThvVisualObjectTest, ProjectionReachesTheWholeSubtreeAndNewChildren)
{
    ThvVisualObject* parent = Make();
    ThvVisualObject* child = Make({}, parent);
    parent->SetProjection(hvProjectionScreen);
    EXPECT_EQ(child->GetProjection(), hvProjectionScreen);
    ThvVisualObject* late = Make({}, parent);
    EXPECT_EQ(late->GetProjection(), hvProjectionScreen);
}

TEST_F(ThvVisualObjectTest, ScreenBoundsInScreenProjectionAreTheBoxInPixels)
{
    ThvVisualObject* object = Make();
    object->SetProjection(hvProjectionScreen);
    object->SetWidth(20);
    object->SetHeight(10);
    object->SetDepth(4);
    object->GetPosition()->SetPoint({ 100, 50, 0 });
    const TwzRect r = object->GetScreenBounds();
    EXPECT_EQ(r, MakeRect(90, 45, 110, 55));
}

TEST_F(ThvVisualObjectTest, ScreenBoundsOfAnObjectBehindTheViewAreStillARectangle)
{
    ThvVisualObject* object = Make();
    object->GetPosition()->SetPoint({ 0, 0, 30 }); // behind the identity view, which looks along -Z
    const TwzRect r = object->GetScreenBounds();
    EXPECT_TRUE(
        std::isfinite(r.Left) && std::isfinite(r.Top) && std::isfinite(r.Right) && std::isfinite(r.Bottom));
    EXPECT_LE(r.Left, r.Right);
    EXPECT_LE(r.Top, r.Bottom);
}

// ---- stored form ------------------------------------------------------------------------------

class ThvVisualObjectStreamTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        RegisterTestClasses3D();
        rtl::RegisterClass<ThvVisualObject>();
        rtl::RegisterClass<ThvDummy>();
        rtl::RegisterClass<ThvCamera>();
    }

    /// Writes `object` and reads it back as a new root owned by the form.
    template <class T> T* RoundTrip(T& object)
    {
        rtl::TMemoryStream stream;
        rtl::WriteComponentToStream(stream, object);
        stream.SetPosition(0);
        return dynamic_cast<T*>(rtl::ReadComponentFromStream(stream, nullptr, form.get()));
    }
};

TEST_F(ThvVisualObjectStreamTest, RotationTextIsTheQuaternion)
{
    ThvVisualObject* object = Make();
    EXPECT_EQ(object->GetQuaternionText(), "(0,0,0,1)");
    object->GetRotateAngle()->SetX(-90);
    EXPECT_EQ(object->GetQuaternionText(), "(0.7071,0,0,0.7071)");

    object->SetQuaternionText("(0.5,0.5,-0.5,0.5)");
    EXPECT_EQ(object->GetQuaternion(), Quaternion(0.5f, 0.5f, -0.5f, 0.5f));

    // A text that does not read raises to the reader and changes nothing.
    for (const char* bad : { "(1,2,3)", "(a,0,0,1)", "" }) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(object->SetQuaternionText(bad), rtl::ConvertError);
        EXPECT_EQ(object->GetQuaternion(), Quaternion(0.5f, 0.5f, -0.5f, 0.5f));
    }
}

TEST_F(ThvVisualObjectStreamTest, RotationSurvivesARoundTrip)
{
    auto* object = Make<ThvDummy>();
    object->GetRotateAngle()->SetX(30);
    object->GetRotateAngle()->SetZ(45);
    object->GetPosition()->SetPoint({ 1, 2, 3 });
    object->SetWidth(4);
    ThvDummy* copy = RoundTrip(*object);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetRotateAngle()->GetPoint(), object->GetRotateAngle()->GetPoint());
    EXPECT_TRUE(NearQuaternion(copy->GetQuaternion(), object->GetQuaternion(), 1e-4f));
    for (int row = 0; row < 4; ++row)
        EXPECT_TRUE(
            Near(MatrixRow(copy->GetLocalMatrix(), row), MatrixRow(object->GetLocalMatrix(), row), 1e-4f));
    EXPECT_EQ(copy->GetWidth(), 4);
}

TEST_F(ThvVisualObjectStreamTest, ClassDefaultsThatDifferFromTheBaseReadBack)
{
    // A camera starts at (0, -10, 0) and takes no hits: moved to the origin and made
    // hit-testable, it must come back so.
    auto* camera = Make<ThvCamera>();
    EXPECT_EQ(camera->GetPosition()->GetPoint(), (ThvPoint { 0, -10, 0 }));
    EXPECT_FALSE(camera->GetHitTest());
    camera->GetPosition()->SetPoint({ 0, 0, 0 });
    camera->SetHitTest(true);
    ThvCamera* copy = RoundTrip(*camera);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetPosition()->GetPoint(), (ThvPoint { 0, 0, 0 }));
    EXPECT_TRUE(copy->GetHitTest());
}

// ---- physics ----------------------------------------------------------------------------------

class ThvVisualObjectPhysicsTest : public VisualFixture {
protected:
    UseFakePhysics physics;
};

TEST_F(ThvVisualObjectPhysicsTest, BodiesFollowDynamicColliderAndSize)
{
    ThvVisualObject* object = Make();
    object->SetWidth(2);
    EXPECT_TRUE(TFakePhysics::log.empty());

    object->SetDynamic(true);
    ASSERT_NE(scene->GetPhysics(), nullptr);
    EXPECT_EQ(TFakePhysics::log, (std::vector<std::string> { "CreateBox 2 1 1" }));
    EXPECT_EQ(object->GetBody(), 1);

    // A new size makes a new body; a dynamic object pushes its matrix to its body.
    TFakePhysics::log.clear();
    object->SetHeight(3);
    EXPECT_EQ(TFakePhysics::log, (std::vector<std::string> { "DestroyBody 1", "CreateBox 2 3 1" }));
    TFakePhysics::log.clear();
    object->GetPosition()->SetPoint({ 1, 2, 3 });
    EXPECT_EQ(TFakePhysics::log, (std::vector<std::string> { "SetBodyMatrix 2 (1,2,3)" }));

    // A collider's body follows the object as soon as it moves; reading the matrix afterwards
    // has no effect of its own.
    TFakePhysics::log.clear();
    object->SetDynamic(false);
    object->SetCollider(true);
    TFakePhysics::log.clear();
    object->GetPosition()->SetX(5);
    EXPECT_EQ(TFakePhysics::log, (std::vector<std::string> { "SetBodyMatrix 3 (5,2,3)" }));
    const int requests = scene->updateRequests;
    (void)object->GetAbsoluteMatrix();
    (void)object->GetAbsolutePosition();
    EXPECT_EQ(TFakePhysics::log.size(), 1u);
    EXPECT_EQ(scene->updateRequests, requests) << "a getter asks for no repaint";

    TFakePhysics::log.clear();
    object->Free();
    EXPECT_EQ(TFakePhysics::log, (std::vector<std::string> { "DestroyBody 3" }));
}

TEST_F(ThvVisualObjectPhysicsTest, NoBodiesInTheDesignerOrInAnInvisibleScene)
{
    ThvVisualObject* designed = Make();
    scene->SetDesigning(true);
    designed->SetDynamic(true);
    EXPECT_EQ(designed->GetBody(), 0);
    scene->SetDesigning(false);

    scene->SetInvisibleAtRuntime(true);
    ThvVisualObject* hidden = Make();
    hidden->SetCollider(true);
    EXPECT_EQ(hidden->GetBody(), 0);
    EXPECT_EQ(scene->GetPhysics(), nullptr);
    EXPECT_TRUE(TFakePhysics::log.empty());
}

TEST_F(ThvVisualObjectPhysicsTest, ADynamicObjectTakesItsBodysPlaceRelativeToItsParent)
{
    ThvVisualObject* parent = Make();
    parent->GetPosition()->SetPoint({ 10, 0, 0 });
    ThvVisualObject* object = Make({}, parent);
    object->SetDynamic(true);
    ThvMatrix body = hvIdentityMatrix;
    body[3][0] = 12;
    body[3][1] = 1;
    TFakePhysics::bodyMatrix = body;
    const int requests = scene->updateRequests;
    object->ProcessTick(1, 0.1);
    EXPECT_EQ(object->GetPosition()->GetPoint(), (ThvPoint { 2, 1, 0 }));
    EXPECT_TRUE(Near(object->GetAbsolutePosition(), { 12, 1, 0 }));
    EXPECT_EQ(object->GetQuaternion(), hvIdentityQuaternion);
    EXPECT_GE(scene->updateRequests, requests);
}

TEST_F(ThvVisualObjectPhysicsTest, VelocityMovesAlongTheOwnAxes)
{
    ThvVisualObject* parent = Make();
    parent->GetRotateAngle()->SetZ(90); // the parent's X axis points along world -Y
    ThvVisualObject* object = Make({}, parent);
    object->GetRotateAngle()->SetZ(90); // the object's X axis points along the parent's -Y
    object->GetVelocity()->SetPoint({ 2, 0, 0 });
    object->ProcessTick(1, 0.5);
    EXPECT_TRUE(Near(object->GetPosition()->GetPoint(), { 0, -1, 0 }));
    EXPECT_TRUE(Near(object->GetAbsolutePosition(), { -1, 0, 0 }));
    EXPECT_TRUE(Near(object->GetAbsoluteRight(), { -1, 0, 0 }));
}

TEST_F(ThvVisualObjectPhysicsTest, MovingObjectsTrackCollisionsWhenAsked)
{
    ThvVisualObject* object = Make();
    object->GetVelocity()->SetX(1);
    object->SetCollider(true);
    TFakePhysics::log.clear();
    object->ProcessTick(1, 0.1);
    EXPECT_EQ(TFakePhysics::log, (std::vector<std::string> { "SetBodyMatrix 1 (0.1,0,0)" }));

    // The body has followed the move before the engine looks.
    TFakePhysics::log.clear();
    object->SetColliseTrack(true);
    object->ProcessTick(2, 0.1);
    EXPECT_EQ(
        TFakePhysics::log, (std::vector<std::string> { "SetBodyMatrix 1 (0.2,0,0)", "TrackCollisions 0" }));
}

TEST_F(ThvVisualObjectPhysicsTest, ContactsRaiseOnCollision)
{
    ThvVisualObject* object = Make("a");
    ThvVisualObject* other = Make("b");
    TEventRecorder recorder;
    object->OnCollision.Bind<&TEventRecorder::Collision>(&recorder);
    object->DoCollision(other, { 1, 2, 3, 1 }, { 0, 0, 1, 0 });
    EXPECT_EQ(recorder.lines, (std::vector<std::string> { "collision b (1,2,3) @a" }));
}

TEST_F(ThvVisualObjectPhysicsTest, AnObjectFreedInItsTickHandlerStopsThere)
{
    ThvVisualObject* object = Make();
    object->GetVelocity()->SetX(1);
    TEventRecorder recorder;
    recorder.freeOnEvent = object;
    object->OnTick.Bind<&TEventRecorder::Tick>(&recorder);
    object->ProcessTick(1, 0.1);
    EXPECT_EQ(scene->GetRoot(), nullptr);
}

} // namespace
