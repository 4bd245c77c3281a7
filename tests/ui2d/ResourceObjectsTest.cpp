#include "Ui2dTestClasses.h"

#include "graphics/ObjectLinks.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzPathObject.h"

#include <gtest/gtest.h>

#include <string>

using namespace ui2dtest;

namespace {

using ResourceObjects = Ui2dTest;

struct ChangeCounter : rtl::TObject {
    int changes = 0;
    void Changed(rtl::TObject*) { ++changes; }
};

TEST_F(ResourceObjects, ANamedResourceIsFoundByItsNameIgnoringCase)
{
    struct Case {
        const char* name;
        const char* resourceName;
        const char* lookup;
        bool found;
    };
    const Case cases[] = {
        { "Arrow", "", "arrow", true }, // the name becomes the resource name
        { "Arrow", "Pointer", "arrow", false }, // an explicit resource name is kept
        { "Arrow", "Pointer", "POINTER", true },
        { "", "", "", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "/" + c.resourceName);
        rtl::TOwned<TwzPathObject> resource(new TwzPathObject(nullptr));
        resource->SetResourceName(c.resourceName);
        resource->SetName(c.name);
        EXPECT_EQ(FindResourceObject(c.lookup) == resource.get(), c.found);
    }
}

TEST_F(ResourceObjects, APathStandsForTheResourceUntilItIsFreed)
{
    auto* resource = new TwzPathObject(nullptr);
    resource->SetName("Arrow");
    resource->GetPath()->MoveTo({ 0, 0 });
    resource->GetPath()->LineTo({ 10, 5 });

    TwzPathData path;
    ChangeCounter counter;
    path.OnChanged.Bind<&ChangeCounter::Changed>(&counter);
    path.SetResourceName("ARROW");
    EXPECT_EQ(path.GetResourcePath(), resource->GetPath());
    EXPECT_EQ(path.GetResource(), resource);
    const int changes = counter.changes;

    resource->Free();
    EXPECT_EQ(path.GetResource(), nullptr);
    EXPECT_EQ(counter.changes, changes); // cleared without a change event
    EXPECT_EQ(path.GetResourceName(), "Arrow"); // kept for the next lookup
    EXPECT_EQ(path.GetResourcePath(), nullptr);

    // An object of another class is no path resource.
    rtl::TOwned<TTestObject> other(new TTestObject(nullptr));
    other->SetResourceName("Arrow");
    EXPECT_EQ(path.GetResourcePath(), nullptr);
    EXPECT_EQ(objectlinks::ResourcePath(other.get()), nullptr);
}

TEST_F(ResourceObjects, APathFreedFirstLeavesTheResource)
{
    rtl::TOwned<TwzPathObject> resource(new TwzPathObject(nullptr));
    resource->SetName("Arrow");
    {
        TwzPathData path;
        path.SetResource(resource.get());
        ASSERT_EQ(path.GetResource(), resource.get());
    }
    resource.reset(); // must not reach the freed path
}

TEST_F(ResourceObjects, ThePathStreamsWithTheObject)
{
    rtl::TOwned<TwzPathObject> resource(new TwzPathObject(nullptr));
    resource->SetName("Arrow");
    resource->GetPath()->MoveTo({ 1, 2 });
    resource->GetPath()->CurveTo({ 3, 4 }, { 5, 6 }, { 7, 8 });
    resource->GetPath()->ClosePath();

    rtl::TMemoryStream stream;
    resource->SaveObjectToStream(stream);
    stream.SetPosition(0);
    rtl::TOwned<TwzObject> copy(Create2DObjectFromStream(nullptr, stream));
    auto* path = dynamic_cast<TwzPathObject*>(copy.get());
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->GetResourceName(), "Arrow");
    EXPECT_EQ(path->GetPath()->GetData(), resource->GetPath()->GetData());
    EXPECT_EQ(path->GetPath()->Count(), 5);
}

TEST_F(ResourceObjects, ResourceClassesAreInTheirCategory)
{
    bool listed = false;
    for (const ui2d::CategoryEntry& e : Object2DCategoryList())
        listed = listed || (e.category == "Resources" && e.classInfo == &TwzPathObject::StaticClass());
    EXPECT_TRUE(listed);
    EXPECT_EQ(rtl::FindClass("TwzPathObject"), &TwzPathObject::StaticClass());
}

} // namespace
