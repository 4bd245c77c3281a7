#include "Scene3DTestClasses.h"

#include "scene3d/Library3D.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapList.h"
#include "scene3d/ThvBitmapObject.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvProxyObject.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scene3dtest;

/// A 3D object whose loading fails after it and its children were read.
class TFailingLoad : public ThvObject {
    RTL_CLASS(TFailingLoad, ThvObject)
public:
    explicit TFailingLoad(rtl::TComponent* owner)
        : ThvObject(owner)
    {
        ++alive;
    }
    static inline int alive = 0;

protected:
    ~TFailingLoad() override { --alive; }
    void Loaded() override
    {
        ThvObject::Loaded();
        throw rtl::ReadError("The stored object is inconsistent");
    }
};

RTL_IMPLEMENT_CLASS(TFailingLoad)

namespace {

class Library3DTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A fresh registry holding only what the module's own start-up registers.
        Finalize3DLibrary();
        RegisterTestClasses3D();
    }
    void TearDown() override
    {
        Finalize3DLibrary();
        RegisterTestClasses3D();
    }

    static std::vector<std::string> Entries()
    {
        std::vector<std::string> entries;
        for (const scene3d::ObjectRegistryEntry& e : hvObjectRegistry())
            entries.push_back(e.category + ":" + std::string(e.classInfo->name));
        return entries;
    }

    // One object from its object text, owned by the form.
    ThvObject* FromText(const std::string& text)
    {
        rtl::TConstMemoryStream input(text.data(), text.size());
        return CreateObjectFromStream(form.get(), input);
    }

    rtl::TOwned<rtl::TComponent> form { new rtl::TComponent(nullptr) };
};

} // namespace

TEST_F(Library3DTest, StartUpRegistersByCategoryMostRecentFirst)
{
    EXPECT_EQ(Entries(),
        (std::vector<std::string> {
            "Shapes:ThvBufferLayer",
            "Resources:ThvBitmapObject",
            "Scene:ThvProxyObject",
            "Scene:ThvDummy",
            "Scene:ThvLight",
            "Scene:ThvCamera",
            "Animations:ThvFloatAnimation",
            "Animations:ThvColorAnimation",
        }));
    // A second start-up does not register again.
    Initialize3DLibrary();
    EXPECT_EQ(Entries().size(), 8u);

    // Classes registered for streaming only are found by name, ignoring case.
    for (const char* name : { "ThvPosition", "thvbounds", "ThvMeshData", "ThvMaterial", "ThvBitmapRect",
             "ThvBitmap", "ThvScene", "ThvObject", "ThvCustomLayer", "ThvCustomBufferLayer",
             "ThvBitmapStream", "ThvBitmapCollection", "ThvBitmapList", "ThvCamera", "ThvBitmapObject" }) {
        SCOPED_TRACE(name);
        EXPECT_NE(rtl::FindClass(name), nullptr);
    }
}

TEST_F(Library3DTest, LaterRegistrationsGoInFrontAndRepeatsAreKept)
{
    Register3DObjects<THolder3D, TTestAnimation>("Tests");
    Register3DObjects<THolder3D>("Tests");
    AddToObjectRegistry("Other", THolder3D::StaticClass());
    const std::vector<std::string> entries = Entries();
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(entries.begin(), entries.begin() + 4),
        (std::vector<std::string> {
            "Other:THolder3D", "Tests:THolder3D", "Tests:TTestAnimation", "Tests:THolder3D" }));
    EXPECT_EQ(rtl::FindClass("THolder3D"), &THolder3D::StaticClass());

    Finalize3DLibrary();
    EXPECT_TRUE(hvObjectRegistry().empty());
}

TEST_F(Library3DTest, CreateObjectFromStreamBuildsAnUnparentedObjectWithChildren)
{
    auto* scene = new ThvScene(form.get());
    const std::string text = "object THolder3D\n"
                             "  Value = 2.5\n"
                             "  Position.Point = '(0,-10,0)'\n"
                             "  object Kid: THolder3D\n"
                             "    Value = 1\n"
                             "  end\n"
                             "end\n";
    const int before = form->GetComponentCount();
    ThvObject* object = FromText(text);
    ASSERT_NE(object, nullptr);
    auto* holder = dynamic_cast<THolder3D*>(object);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->GetOwner(), form.get());
    EXPECT_EQ(holder->GetParent(), nullptr);
    EXPECT_EQ(holder->GetScene(), nullptr);
    EXPECT_EQ(holder->GetValue(), 2.5f);
    EXPECT_EQ(holder->GetPosition()->GetPoint(), (ThvPoint { 0, -10, 0 }));
    ASSERT_EQ(holder->GetChildCount(), 1);
    EXPECT_EQ(holder->GetChild(0)->GetName(), "");
    EXPECT_EQ(form->GetComponentCount(), before + 1);
    EXPECT_EQ(scene->GetRoot(), nullptr); // nothing joined the scene's own design objects
}

TEST_F(Library3DTest, CreateObjectFromStreamReturnsNullAndLeavesNothingForBadText)
{
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        { "a class never registered", "object TNoSuchThing\n  Value = 1\nend\n" },
        { "a registered class that is not a 3D object", "object ThvBitmapList\nend\n" },
        { "a value class", "object ThvMaterial\nend\n" },
        { "text that does not parse", "object THolder3D\n  Value = \nend\n" },
        { "no object at all", "" },
        { "an unfinished object", "object THolder3D\n  Value = 1\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = form->GetComponentCount();
        EXPECT_EQ(FromText(c.text), nullptr);
        EXPECT_EQ(form->GetComponentCount(), before);
    }
}

TEST_F(Library3DTest, CreateObjectFromStreamFreesAnObjectWhoseLoadingFailsAfterItWasMade)
{
    rtl::RegisterClass<TFailingLoad>();
    const int before = form->GetComponentCount();
    const std::string text = "object TFailingLoad\n"
                             "  object Kid: THolder3D\n"
                             "    Value = 1\n"
                             "  end\n"
                             "  object Other: TFailingLoad\n"
                             "  end\n"
                             "end\n";
    EXPECT_EQ(FromText(text), nullptr);
    EXPECT_EQ(form->GetComponentCount(), before) << "nothing half-read stays with the owner";
    EXPECT_EQ(TFailingLoad::alive, 0);
}

TEST_F(Library3DTest, ASmall3DTreeSurvivesObjectTextBothWays)
{
    // A root with a material, a mesh, margins and a font, two children, a grandchild, a child
    // the class keeps for itself, and a named bitmap resource.
    UseFakeFilter filter;
    auto* root = new THolder3D(form.get());
    root->SetName("Root");
    root->SetValue(3);
    root->GetPosition()->SetPoint({ 1.5f, -2, 0.125f });
    root->GetMargins()->Setzfar(4);
    root->GetMaterial()->SetDiffuse("#C0102030");
    root->GetMaterial()->SetBitmap("Bark");
    root->GetMesh()->Vertices() = { hvTexVertexNormal(0, 0, 0, 0, 0, 1, 0, 0),
        hvTexVertexNormal(1, 0, 0, 0, 0, 1, 1, 0), hvTexVertexNormal(0, 1, 0, 0, 0, 1, 0, 1) };
    root->GetMesh()->Indices() = { 0, 1, 2 };
    root->GetFont()->SetFamily("DejaVu Serif");
    // Children are left unnamed: names read from object text are dropped, so the copy's text
    // can equal the original's.
    auto* a = new THolder3D(form.get());
    a->SetParent(root);
    a->SetResourceName("first");
    auto* a1 = new THolder3D(form.get());
    a1->SetParent(a);
    a1->SetValue(-1);
    auto* own = new THolder3D(form.get());
    own->SetValue(99);
    own->SetStored(false);
    own->SetParent(root);
    auto* bitmap = new ThvBitmapObject(form.get());
    bitmap->SetResourceName("Bark");
    bitmap->SetParent(root);
    bitmap->GetBitmap()->SetSize(2, 1);

    const std::string text = ObjectText(*root);
    rtl::TConstMemoryStream input(text.data(), text.size());
    auto* copy = dynamic_cast<THolder3D*>(CreateObjectFromStream(form.get(), input));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(ObjectText(*copy), text);

    EXPECT_EQ(copy->GetPosition()->GetPoint(), (ThvPoint { 1.5f, -2, 0.125f }));
    EXPECT_EQ(copy->GetMaterial()->GetDiffuseColor(), 0xC0102030u);
    EXPECT_EQ(copy->GetMesh()->Indices(), (std::vector<uint16_t> { 0, 1, 2 }));
    ASSERT_EQ(copy->GetChildCount(), 2); // A and the bitmap object; Own is not stored
    EXPECT_EQ(copy->GetChild(0)->GetResourceName(), "first");
    ASSERT_EQ(copy->GetChild(0)->GetChildCount(), 1);
    EXPECT_EQ(dynamic_cast<THolder3D*>(copy->GetChild(0)->GetChild(0))->GetValue(), -1);
    auto* copiedBitmap = dynamic_cast<ThvBitmapObject*>(copy->GetChild(1));
    ASSERT_NE(copiedBitmap, nullptr);
    EXPECT_EQ(copiedBitmap->GetBitmap()->GetWidth(), 2);
    EXPECT_EQ(text.find("99"), std::string::npos) << text;
}
