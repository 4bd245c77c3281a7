#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "graphics/ObjectLinks.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFilterGdiPlus.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Events.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

using Library2D = Ui2dTest;

TTestObject* Make(const std::string& resourceName, bool stored = true)
{
    auto* o = new TTestObject(nullptr);
    o->SetResourceName(resourceName);
    o->SetStored(stored);
    return o;
}

TEST_F(Library2D, FindResourceObjectPrefersTheNewestStoredObject)
{
    rtl::TOwned<TTestObject> older(Make("Red"));
    rtl::TOwned<TTestObject> newer(Make("red"));
    rtl::TOwned<TTestObject> copy(Make("RED", /*stored=*/false)); // a style copy
    rtl::TOwned<TTestObject> accented(Make("Äpfel"));

    struct Case {
        const char* name;
        TwzObject* expected;
    };
    const Case cases[] = {
        { "red", newer.get() },
        { "rEd", newer.get() },
        { "äPFEL", nullptr }, // only ASCII letters fold
        { "Äpfel", accented.get() },
        { "", nullptr },
        { "blue", nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindResourceObject(c.name), c.expected);
        // The graphics library reaches the same search through its seam.
        EXPECT_EQ(objectlinks::FindResourceObject(c.name), static_cast<rtl::TComponent*>(c.expected));
    }

    newer.reset();
    EXPECT_EQ(FindResourceObject("red"), older.get());
    older->SetStored(false);
    EXPECT_EQ(FindResourceObject("red"), nullptr);
}

TEST_F(Library2D, ObjectReferencesTravelAsIdsNeverAsAddresses)
{
    auto* object = new TTestObject(nullptr);
    const rtl::TValue text = ObjectToVariant(object);
    ASSERT_TRUE(std::holds_alternative<std::string>(text));
    const std::string form = std::get<std::string>(text);
    EXPECT_EQ(form.rfind("wzobj", 0), 0u);
    EXPECT_TRUE(VariantIsObject(text));
    EXPECT_EQ(VariantToObject(text), object);
    EXPECT_EQ(VariantToObject(rtl::Utf8ToUtf16(form)), object); // a wide text works the same

    object->Free();
    EXPECT_EQ(VariantToObject(text), nullptr); // stale: nothing, never a freed object

    struct Case {
        const char* name;
        rtl::TValue value;
        bool isObject;
    };
    const Case cases[] = {
        { "empty text", std::string(), false },
        { "prefix inside the text", std::string("xwzobj1"), false },
        { "bare prefix", std::string("wzobj"), true },
        { "not a number", std::string("wzobj12ab"), true },
        { "negative", std::string("wzobj-1"), true },
        { "beyond 64 bits", std::string("wzobj99999999999999999999999"), true },
        { "an address-sized number", std::string("wzobj140737488355328"), true },
        { "a number, not a text", int64_t { 5 }, false },
        { "nothing", rtl::TValue(), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VariantIsObject(c.value), c.isObject);
        EXPECT_EQ(VariantToObject(c.value), nullptr);
    }
    EXPECT_EQ(VariantToObject(ObjectToVariant(nullptr)), nullptr);
}

TEST_F(Library2D, HandlersTravelAsIdsAndResolveOnlyWhileTheirTargetLives)
{
    struct Form : rtl::TObject {
        int clicks = 0;
        void Click(rtl::TObject*) { ++clicks; }
        void Other(rtl::TObject*) { }
    };
    Form form;
    rtl::TNotifyEvent handler;
    handler.Bind<&Form::Click>(&form);
    const rtl::TValue text = MethodToVariant(handler);
    const std::string form16 = std::get<std::string>(text);
    EXPECT_EQ(form16.size(), 5u + 16u);
    EXPECT_TRUE(VariantIsMethod(text));

    rtl::TNotifyEvent back = VariantToMethod<rtl::TNotifyEvent>(text);
    ASSERT_TRUE(back.Assigned());
    EXPECT_TRUE(back == handler);
    back(nullptr);
    EXPECT_EQ(form.clicks, 1);

    // A handler of another signature does not resolve.
    using TKeyEvent = rtl::TEvent<rtl::TObject*, int>;
    EXPECT_FALSE(VariantToMethod<TKeyEvent>(text).Assigned());

    struct Case {
        const char* name;
        rtl::TValue value;
        bool isMethod;
    };
    const Case cases[] = {
        { "the old address pair 10 and 11", std::string("wzmet0000000A0000000B"), true },
        { "too short", std::string("wzmet0000000A"), true },
        { "not hexadecimal", std::string("wzmet0000000G0000000B"), true },
        { "an object text", std::string("wzobj1"), false },
        { "empty", std::string(), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VariantIsMethod(c.value), c.isMethod);
        EXPECT_FALSE(VariantToMethod<rtl::TNotifyEvent>(c.value).Assigned());
    }
    EXPECT_FALSE(VariantToMethod<rtl::TNotifyEvent>(MethodToVariant(rtl::TNotifyEvent())).Assigned());
}

TEST_F(Library2D, HandlerIdsDieWithTheirTarget)
{
    struct Form : rtl::TObject {
        void Click(rtl::TObject*) { }
    };
    rtl::TValue text;
    {
        Form form;
        rtl::TNotifyEvent handler;
        handler.Bind<&Form::Click>(&form);
        text = MethodToVariant(handler);
    }
    EXPECT_FALSE(VariantToMethod<rtl::TNotifyEvent>(text).Assigned());
}

TEST_F(Library2D, VariantTextForms)
{
    struct Case {
        rtl::TValue value;
        const char* text;
    };
    const Case cases[] = {
        { std::string("abc"), "abc" },
        { std::u16string(u"\u00e9t\u00e9"), "\xc3\xa9t\xc3\xa9" },
        { int64_t { -12 }, "-12" },
        { 1.5, "1.5" },
        { true, "True" },
        { rtl::TValue(), "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ui2d::VariantToText(c.value), c.text);
    }
}

TEST_F(Library2D, CategoriesStaySortedWithoutRegardToCase)
{
    // Registered by the library's start-up (the test classes started it).
    const size_t before = Object2DCategoryList().size();
    Register2DObjects<TTestObject, TFakeEffect>("zeta");
    Register2DObjects<TFakeContent>("Alpha");
    Register2DObjects<TFakeStylePart>("ZETA");
    Register2DObjects<TTestObject>("zeta"); // the same pair again adds nothing

    const std::span<const ui2d::CategoryEntry> list = Object2DCategoryList();
    EXPECT_EQ(list.size(), before + 4);
    for (size_t i = 1; i < list.size(); ++i)
        EXPECT_LE(rtl::CompareText(list[i - 1].category, list[i].category), 0) << i;

    std::vector<std::string> zeta;
    for (const ui2d::CategoryEntry& e : list) {
        if (rtl::SameText(e.category, "zeta"))
            zeta.push_back(std::string(e.classInfo->name));
    }
    // Within a category the most recent registration comes first.
    EXPECT_EQ(zeta, (std::vector<std::string> { "TFakeStylePart", "TFakeEffect", "TTestObject" }));
    EXPECT_EQ(rtl::FindClass("tfakeeffect"), &TFakeEffect::StaticClass());
}

TEST_F(Library2D, HostsRegisterOnceAndUnregisterWhenFreed)
{
    const size_t before = SceneList().size();
    auto* scene = new TestScene();
    RegisterScene(scene); // registered by its constructor already
    EXPECT_EQ(SceneList().size(), before + 1);
    EXPECT_EQ(SceneList().back(), scene);
    scene->Free();
    EXPECT_EQ(SceneList().size(), before);
    UnregisterScene(nullptr);
}

TEST_F(Library2D, StartUpRegistersTheTreeClassAndShutDownFreesTheRegistries)
{
    for (const char* name :
        { "TwzWideStrings", "TwzWideStringList", "TwzBitmap", "TwzPathData", "TwzBrush", "TwzBounds",
            "TwzPosition", "TwzGradient", "TwzGradientPoints", "TwzGradientPoint", "TwzVisual", "TwzObject" })
        EXPECT_NE(rtl::FindClass(name), nullptr) << name;
    EXPECT_EQ(DefaultFilterClass, &kTwzFilterGdiPlusClass);
    EXPECT_EQ(DefaultDeviceCanvasClass, &TwzCanvasGdiPlusClass);
    ASSERT_NE(DefaultCanvasClass, nullptr);
    TwzBitmap bitmap(4, 4);
    EXPECT_NE(bitmap.GetCanvas(), nullptr); // bitmaps draw once the library has started

    // Shut down with objects still alive: they survive, the registries go.
    rtl::TOwned<TTestObject> survivor(Make("kept"));
    DefaultStyle = new TTestObject(nullptr);
    Register2DObjects<TTestObject>("Temporary");
    Finalize2DLibrary();
    EXPECT_EQ(DefaultStyle.Get(), nullptr);
    EXPECT_TRUE(Object2DCategoryList().empty());
    EXPECT_TRUE(SceneList().empty());
    EXPECT_EQ(FindResourceObject("kept"), nullptr);
    survivor.reset(); // freeing an object the list no longer holds is fine

    Initialize2DLibrary();
    rtl::TOwned<TTestObject> fresh(Make("fresh"));
    EXPECT_EQ(FindResourceObject("fresh"), fresh.get());
}

} // namespace
