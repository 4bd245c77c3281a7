// Visual object geometry: local and absolute coordinates under scale, rotation and nesting,
// the caches that follow a moved ancestor or a new parent, size and place setters, and the
// opacity, enabled and visible states inherited from ancestors.

#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzVisualObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

constexpr float kTolerance = 1e-3f;

/// A visual object whose input state a test can set, as the input layer will.
class TFocusableObject : public TwzVisualObject {
    RTL_CLASS(TFocusableObject, TwzVisualObject)
public:
    explicit TFocusableObject(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    {
        SetCanFocused(true);
    }
    using TwzVisualObject::SetIsFocused;
};

RTL_IMPLEMENT_CLASS(TFocusableObject)

void ExpectPoint(const TwzPoint& actual, const TwzPoint& expected)
{
    EXPECT_NEAR(actual.X, expected.X, kTolerance);
    EXPECT_NEAR(actual.Y, expected.Y, kTolerance);
}

void ExpectRect(const TwzRect& actual, const TwzRect& expected)
{
    EXPECT_NEAR(actual.Left, expected.Left, kTolerance);
    EXPECT_NEAR(actual.Top, expected.Top, kTolerance);
    EXPECT_NEAR(actual.Right, expected.Right, kTolerance);
    EXPECT_NEAR(actual.Bottom, expected.Bottom, kTolerance);
}

class VisualGeometry : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        form.reset(new TTestObject(nullptr));
        scene = new TestScene(form.get());
    }

    template <class T = TwzVisualObject>
    T* Make(TwzObject* parent, float x, float y, float width, float height, const std::string& name = {})
    {
        auto* object = new T(form.get());
        if (!name.empty())
            object->SetName(name);
        object->SetBounds(x, y, width, height);
        if (parent)
            object->SetParent(parent);
        return object;
    }

    /// A root of the scene that stays where it is put (the host has no size to fit it to).
    TwzVisualObject* MakeRoot(float width = 200, float height = 200)
    {
        TwzVisualObject* root = Make(nullptr, 0, 0, width, height, "root");
        scene->AddObject(root);
        return root;
    }

    rtl::TOwned<TTestObject> form;
    TestScene* scene = nullptr;
};

TEST_F(VisualGeometry, LocalPointsMapThroughScaleRotationAndNesting)
{
    struct Transform {
        TwzPoint position { 0, 0 };
        TwzPoint scale { 1, 1 };
        float angle = 0;
        TwzPoint centre { 0.5f, 0.5f };
        float width = 100;
        float height = 50;
    };
    struct Case {
        const char* name;
        bool nested;
        Transform parent;
        Transform object;
        TwzPoint local;
        TwzPoint expected;
    };
    const Case cases[] = {
        { "scaled and moved", false, {}, { { 10, 20 }, { 2, 2 } }, { 5, 5 }, { 20, 30 } },
        { "quarter turn about the centre, first corner", false, {}, { {}, { 1, 1 }, 90 }, { 0, 0 },
            { 75, -25 } },
        { "quarter turn about the centre, far corner", false, {}, { {}, { 1, 1 }, 90 }, { 100, 50 },
            { 25, 75 } },
        { "turn about the top left, then scaled and moved", false, {}, { { 5, 5 }, { 2, 1 }, 90, { 0, 0 } },
            { 10, 0 }, { 5, 15 } },
        { "the centre turns in unscaled units", false, {}, { { 0, 0 }, { 2, 2 }, 180 }, { 50, 25 },
            { 100, 50 } },
        { "inside a scaled, moved parent", true, { { 100, 100 }, { 2, 2 } }, { { 10, 10 } }, { 5, 0 },
            { 130, 120 } },
        { "inside a parent turned half way", true, { {}, { 1, 1 }, 180, { 0.5f, 0.5f }, 100, 100 },
            { { 10, 10 }, { 1, 1 }, 0, { 0.5f, 0.5f }, 10, 10 }, { 0, 0 }, { 90, 90 } },
        { "turned child of a scaled parent", true, { { 0, 0 }, { 3, 3 } },
            { { 10, 0 }, { 1, 1 }, 90, { 0, 0 }, 10, 10 }, { 10, 0 }, { 30, 30 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto apply = [](TwzVisualObject& o, const Transform& t) {
            o.SetBounds(t.position.X, t.position.Y, t.width, t.height);
            o.GetScale()->SetPoint(t.scale);
            o.GetRotateCenter()->SetPoint(t.centre);
            o.SetRotateAngle(t.angle);
        };
        TwzVisualObject* parent = c.nested ? Make(nullptr, 0, 0, 0, 0) : nullptr;
        if (parent)
            apply(*parent, c.parent);
        TwzVisualObject* object = Make(parent, 0, 0, 0, 0);
        apply(*object, c.object);

        const TwzPoint absolute = object->LocalToAbsolute(c.local);
        ExpectPoint(absolute, c.expected);
        ExpectPoint(object->AbsoluteToLocal(absolute), c.local);
        (parent ? static_cast<TwzObject*>(parent) : object)->Free();
    }
}

TEST_F(VisualGeometry, AbsoluteRectIsTheBoxAroundTheTurnedAndScaledCorners)
{
    TwzVisualObject* parent = Make(nullptr, 20, 10, 300, 300);
    parent->GetScale()->SetPoint({ 2, 1 });
    TwzVisualObject* object = Make(parent, 0, 0, 100, 50);
    object->SetRotateAngle(90);
    // Turned about (50, 25): the box (25, -25, 75, 75) in the parent, then doubled in x.
    ExpectRect(object->GetAbsoluteRect(), { 70, -15, 170, 85 });
    ExpectRect(object->GetParentedRect(), { 0, 0, 100, 50 }); // ignores rotation and scale
}

TEST_F(VisualGeometry, CachedMatricesFollowAncestorsAndANewParent)
{
    TwzVisualObject* root = MakeRoot();
    TwzVisualObject* panel = Make(root, 10, 10, 100, 100);
    TwzVisualObject* item = Make(panel, 5, 5, 10, 10);
    TwzVisualObject* other = Make(root, 100, 0, 50, 50);
    ExpectRect(item->GetAbsoluteRect(), { 15, 15, 25, 25 });

    panel->GetPosition()->SetX(30);
    ExpectRect(item->GetAbsoluteRect(), { 35, 15, 45, 25 });
    root->GetScale()->SetPoint({ 2, 2 });
    ExpectRect(item->GetAbsoluteRect(), { 70, 30, 90, 50 });

    // Moved to another parent, the object is placed from that parent on.
    item->SetParent(other);
    ExpectRect(item->GetAbsoluteRect(), { 210, 10, 230, 30 });
    item->SetParent(nullptr);
    ExpectRect(item->GetAbsoluteRect(), { 5, 5, 15, 15 });
    item->Free();
}

TEST_F(VisualGeometry, VectorsIgnoreTheTranslationAndSingularMatricesInvertToIdentity)
{
    TwzVisualObject* object = Make(nullptr, 30, 40, 10, 10);
    object->GetScale()->SetPoint({ 2, 3 });
    ExpectPoint(object->LocalToAbsoluteVector({ 1, 1 }), { 2, 3 });
    ExpectPoint(object->AbsoluteToLocalVector({ 2, 3 }), { 1, 1 });
    ExpectPoint(object->LocalToAbsolute({ 1, 1 }), { 32, 43 });

    object->GetScale()->SetPoint({ 0, 1 });
    ExpectPoint(object->AbsoluteToLocal({ 7, 9 }), { 7, 9 });
    object->Free();
}

TEST_F(VisualGeometry, RotateAngleIsStoredLessWholeTurns)
{
    const std::pair<float, float> cases[] = {
        { 540, 180 },
        { -190, 170 },
        { 370, 10 },
        { -180, -180 },
        { 720, 0 },
        { 359.5f, 359.5f },
    };
    TwzVisualObject* object = Make(nullptr, 0, 0, 10, 10);
    for (auto [angle, stored] : cases) {
        SCOPED_TRACE(angle);
        object->SetRotateAngle(angle);
        EXPECT_FLOAT_EQ(object->GetRotateAngle(), stored);
    }
    object->Free();
}

TEST_F(VisualGeometry, OpacityIsClampedAndStoredOnlyWhenNotOne)
{
    struct Case {
        float value;
        float stored;
        bool written;
    };
    const Case cases[] = { { 1.5f, 1, false }, { -0.2f, 0, true }, { 0.25f, 0.25f, true }, { 1, 1, false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        TwzVisualObject* object = Make(nullptr, 0, 0, 10, 10);
        object->SetOpacity(0.5f);
        object->SetOpacity(c.value);
        EXPECT_FLOAT_EQ(object->GetOpacity(), c.stored);
        rtl::TMemoryStream text;
        object->SaveObjectAsText(text);
        const std::string written(text.Bytes().begin(), text.Bytes().end());
        EXPECT_EQ(written.find("Opacity") != std::string::npos, c.written) << written;
        object->Free();
    }
}

TEST_F(VisualGeometry, DisabledLevelsBelowTheRootsChildrenAreDimmed)
{
    TwzVisualObject* root = MakeRoot();
    TwzVisualObject* child = Make(root, 0, 0, 10, 10);
    TwzVisualObject* grandChild = Make(child, 0, 0, 10, 10);
    TwzVisualObject* greatGrandChild = Make(grandChild, 0, 0, 10, 10);

    struct Case {
        const char* name;
        TwzVisualObject* disabled;
        float child, grandChild, greatGrandChild;
    };
    const Case cases[] = {
        { "nothing disabled", nullptr, 1, 1, 1 },
        { "a disabled child of the root keeps its opacity", child, 1, 0.8f, 0.64f },
        { "a disabled grandchild dims, its enabled child twice", grandChild, 1, 0.8f, 0.64f },
        { "only the last level", greatGrandChild, 1, 1, 0.8f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.disabled)
            c.disabled->SetEnabled(false);
        EXPECT_FLOAT_EQ(root->GetAbsoluteOpacity(), 1);
        EXPECT_FLOAT_EQ(child->GetAbsoluteOpacity(), c.child);
        EXPECT_FLOAT_EQ(grandChild->GetAbsoluteOpacity(), c.grandChild);
        EXPECT_FLOAT_EQ(greatGrandChild->GetAbsoluteOpacity(), c.greatGrandChild);
        EXPECT_EQ(greatGrandChild->GetAbsoluteEnabled(), c.disabled == nullptr);
        if (c.disabled)
            c.disabled->SetEnabled(true);
    }

    // Opacities multiply down the tree and follow a change upstream.
    child->SetOpacity(0.5f);
    grandChild->SetOpacity(0.5f);
    EXPECT_FLOAT_EQ(greatGrandChild->GetAbsoluteOpacity(), 0.25f);
    child->SetOpacity(1);
    EXPECT_FLOAT_EQ(greatGrandChild->GetAbsoluteOpacity(), 0.5f);
}

TEST_F(VisualGeometry, VisibilityCountsVisualAncestorsThroughOtherObjects)
{
    TwzVisualObject* outer = Make(nullptr, 0, 0, 10, 10);
    auto* plain = new TTestObject(form.get());
    plain->SetParent(outer);
    TwzVisualObject* inner = Make(plain, 0, 0, 10, 10);
    EXPECT_TRUE(inner->GetAbsoluteVisible());
    outer->SetVisible(false);
    EXPECT_FALSE(inner->GetAbsoluteVisible());
    EXPECT_TRUE(inner->GetVisible());
    outer->Free();
}

TEST_F(VisualGeometry, HidingOrDisablingTheFocusedObjectClearsTheHostsFocus)
{
    TwzVisualObject* root = MakeRoot();
    TwzVisualObject* panel = Make(root, 0, 0, 100, 100);
    auto* edit = Make<TFocusableObject>(panel, 0, 0, 10, 10, "edit");

    auto focus = [&] {
        scene->SetFocused(edit);
        edit->SetIsFocused(true);
        scene->ClearLog();
    };
    focus();
    edit->SetVisible(false);
    EXPECT_EQ(scene->GetFocused(), nullptr);
    EXPECT_EQ(scene->Log(), (std::vector<std::string> { "kill:edit" }));

    edit->SetVisible(true);
    focus();
    panel->SetEnabled(false);
    EXPECT_EQ(scene->GetFocused(), edit) << "cleared when the state is next evaluated, not before";
    EXPECT_FALSE(edit->GetAbsoluteEnabled());
    EXPECT_EQ(scene->GetFocused(), nullptr);
}

TEST_F(VisualGeometry, NegativeSizesMirrorAtDesignTimeOnly)
{
    TwzVisualObject* root = MakeRoot();
    TwzVisualObject* object = Make(root, 0, 0, 50, 50);
    object->SetWidth(-30);
    EXPECT_EQ(object->GetWidth(), -30);
    EXPECT_EQ(object->GetScale()->GetX(), 1);

    scene->SetDesignTime(true);
    object->SetWidth(-40);
    EXPECT_EQ(object->GetWidth(), 40);
    EXPECT_EQ(object->GetScale()->GetX(), -1);
    object->SetHeight(-20);
    EXPECT_EQ(object->GetHeight(), 20);
    EXPECT_EQ(object->GetScale()->GetY(), -1);
}

TEST_F(VisualGeometry, SetBoundsRectKeepsTheRotationCentreInPlace)
{
    TwzVisualObject* parent = Make(nullptr, 20, 20, 300, 300);
    TwzVisualObject* object = Make(parent, 10, 10, 40, 40);

    object->SetBoundsRect({ 5, 5, 25, 45 });
    ExpectPoint(object->GetPosition()->GetPoint(), { 15, 15 });
    EXPECT_EQ(object->GetWidth(), 20);
    EXPECT_EQ(object->GetHeight(), 40);

    // Turned: the point of the rectangle that becomes the new rotation centre stays put.
    object->SetRotateAngle(30);
    const TwzRect rect { -4, 6, 30, 20 };
    const TwzPoint centreBefore = object->LocalToAbsolute({ 13, 13 });
    object->SetBoundsRect(rect);
    ExpectPoint(object->LocalToAbsolute({ 17, 7 }), centreBefore);

    // Dragged past the opposite edge: a positive size and a mirrored scale.
    object->SetRotateAngle(0);
    object->SetBoundsRect({ 20, 0, 0, 10 });
    EXPECT_EQ(object->GetWidth(), 20);
    EXPECT_EQ(object->GetScale()->GetX(), -1);
    parent->Free();
}

TEST_F(VisualGeometry, LoadingStoresTheStateAndBuildsTheMatrixAfterwards)
{
    TwzVisualObject* source = Make(nullptr, 5, 6, 80, 40);
    source->GetScale()->SetPoint({ 2, 2 });
    source->SetRotateAngle(30);
    source->SetOpacity(0.5f);
    source->GetMargins()->SetRect({ 5, 5, 5, 5 });
    source->SetClipChildren(true);
    TwzVisualObject* client = Make(source, 0, 0, 10, 10);
    TwzVisualObject* anchored = Make(source, 30, 20, 10, 10);
    // Stored un-laid-out, as a design file written elsewhere could be.
    source->DisableRealign();
    client->SetAlign(vaClient);
    anchored->SetAlign(vaBottomRight);
    source->EnableRealign();

    rtl::TMemoryStream stream;
    source->SaveObjectToStream(stream);
    stream.SetPosition(0);
    auto* loaded = dynamic_cast<TwzVisualObject*>(Create2DObjectFromStream(form.get(), stream));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetWidth(), 80);
    EXPECT_EQ(loaded->GetHeight(), 40);
    EXPECT_FLOAT_EQ(loaded->GetOpacity(), 0.5f);
    EXPECT_TRUE(loaded->GetClipChildren());
    EXPECT_EQ(loaded->GetLocalMatrix(), source->GetLocalMatrix());
    ASSERT_EQ(loaded->GetChildCount(), 2);
    auto* loadedClient = loaded->GetChild(0)->AsVisual();
    auto* loadedAnchored = loaded->GetChild(1)->AsVisual();
    {
        SCOPED_TRACE("laid out once after loading; anchors do not move then");
        ExpectRect(loadedClient->GetParentedRect(), { 5, 5, 75, 35 });
        ExpectRect(loadedAnchored->GetParentedRect(), { 30, 20, 40, 30 });
    }
    EXPECT_EQ(loaded->TabList().size(), 2u);

    loaded->SetWidth(100);
    ExpectRect(loadedAnchored->GetParentedRect(), { 50, 20, 60, 30 });
    loaded->Free();
    source->Free();
}

TEST_F(VisualGeometry, PropertiesAreReachableByName)
{
    TwzVisualObject* object = Make(nullptr, 0, 0, 10, 10);
    rtl::SetPropText(*object, "Position.X", "12.5");
    rtl::SetPropText(*object, "Align", "vaFitRight");
    rtl::SetPropText(*object, "Padding.Left", "3");
    EXPECT_EQ(object->GetPosition()->GetX(), 12.5f);
    EXPECT_EQ(object->GetAlign(), vaFitRight);
    EXPECT_EQ(object->GetPadding()->GetLeft(), 3);
    ExpectPoint(object->LocalToAbsolute({ 0, 0 }), { 12.5f, 0 });
    const rtl::TPropInfo* visible = object->ClassInfo().FindProp("IsVisible");
    ASSERT_NE(visible, nullptr);
    EXPECT_EQ(std::get<bool>(visible->get(*object)), true);
    object->Free();
}

} // namespace
