#include "Ui2dTestClasses.h"

#include "graphics/ObjectLinks.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBitmapObject.h"
#include "ui2d/TwzBrushObject.h"
#include "ui2d/TwzPathObject.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

using ResourceObjects = Ui2dTest;

struct ChangeCounter : rtl::TObject {
    int changes = 0;
    void Changed(rtl::TObject*) { ++changes; }
};

TEST_F(ResourceObjects, ANamedResourceIsFoundByItsNameIgnoringCase)
{
    struct Kind {
        const char* name;
        std::function<TwzObject*()> create;
    };
    const Kind kinds[] = {
        { "brush", [] { return new TwzBrushObject(nullptr); } },
        { "path", [] { return new TwzPathObject(nullptr); } },
        { "bitmap", [] { return new TwzBitmapObject(nullptr); } },
    };
    struct Case {
        const char* name;
        const char* resourceName;
        const char* lookup;
        bool found;
    };
    const Case cases[] = {
        { "Red", "", "red", true }, // the name becomes the resource name
        { "Red", "Crimson", "red", false }, // an explicit resource name is kept
        { "Red", "Crimson", "CRIMSON", true },
        { "", "", "", false },
    };
    for (const Kind& k : kinds) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(k.name) + ": " + c.name + "/" + c.resourceName);
            rtl::TOwned<TwzObject> resource(k.create());
            resource->SetResourceName(c.resourceName);
            resource->SetName(c.name);
            EXPECT_EQ(FindResourceObject(c.lookup) == resource.get(), c.found);
        }
    }
}

TEST_F(ResourceObjects, EachResourceOwnsItsValueAsCreated)
{
    rtl::TOwned<TwzBrushObject> brush(new TwzBrushObject(nullptr));
    EXPECT_EQ(brush->GetBrush()->GetStyle(), wzBrushSolid);
    EXPECT_EQ(brush->GetBrush()->StoredSolidColor(), 0xFFFFFFFFu);
    rtl::TOwned<TwzPathObject> path(new TwzPathObject(nullptr));
    EXPECT_TRUE(path->GetPath()->IsEmpty());
    rtl::TOwned<TwzBitmapObject> bitmap(new TwzBitmapObject(nullptr));
    EXPECT_EQ(bitmap->GetBitmap()->GetWidth(), 1);
    EXPECT_EQ(bitmap->GetBitmap()->GetHeight(), 1);

    // Each kind answers only for its own value.
    EXPECT_EQ(objectlinks::ResourceBrush(brush.get()), brush->GetBrush());
    EXPECT_EQ(objectlinks::ResourceBrush(path.get()), nullptr);
    EXPECT_EQ(objectlinks::ResourcePath(path.get()), path->GetPath());
    EXPECT_EQ(objectlinks::ResourcePath(bitmap.get()), nullptr);
    EXPECT_EQ(objectlinks::ResourceBitmap(bitmap.get()), bitmap->GetBitmap());
    EXPECT_EQ(objectlinks::ResourceBitmap(brush.get()), nullptr);

    // The published values copy, never adopt.
    TwzBrush red(wzBrushSolid, 0xFFFF0000);
    brush->SetBrush(&red);
    EXPECT_EQ(brush->GetBrush()->StoredSolidColor(), 0xFFFF0000u);
    EXPECT_NE(brush->GetBrush(), &red);
    brush->SetBrush(nullptr);
    TwzBitmap wide(3, 2);
    bitmap->SetBitmap(&wide);
    EXPECT_EQ(bitmap->GetBitmap()->GetWidth(), 3);
}

TEST_F(ResourceObjects, BrushesAndBitmapsStandForTheirResourceUntilItIsFreed)
{
    auto* brushObject = new TwzBrushObject(nullptr);
    brushObject->SetName("Accent");
    brushObject->GetBrush()->SetSolidColor(0xFF00FF00);
    TwzBrush brush(wzBrushSolid, 0xFF000000);
    brush.SetStyle(wzBrushResource);
    brush.GetResource()->SetResourceName("accent");
    EXPECT_EQ(brush.GetSolidColor(), 0xFF00FF00u);
    ChangeCounter brushChanges;
    brush.OnChanged.Bind<&ChangeCounter::Changed>(&brushChanges);

    auto* bitmapObject = new TwzBitmapObject(nullptr);
    bitmapObject->SetName("Photo");
    TwzBitmap bitmap(1, 1);
    ChangeCounter bitmapChanges;
    bitmap.OnChange.Bind<&ChangeCounter::Changed>(&bitmapChanges);
    bitmap.SetResourceName("PHOTO");
    EXPECT_EQ(bitmap.GetResourceBitmap(), bitmapObject->GetBitmap());
    const int bitmapChangesBefore = bitmapChanges.changes;

    brushObject->Free();
    bitmapObject->Free();
    EXPECT_EQ(brush.GetResource()->GetResource(), nullptr);
    EXPECT_EQ(brush.GetSolidColor(), 0xFF000000u); // the stored colour again
    EXPECT_EQ(brushChanges.changes, 0);
    EXPECT_EQ(bitmap.GetResource(), nullptr);
    EXPECT_EQ(bitmapChanges.changes, bitmapChangesBefore);
    EXPECT_EQ(bitmap.GetResourceName(), "Photo");
    EXPECT_EQ(bitmap.GetResourceBitmap(), nullptr);
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

TEST_F(ResourceObjects, ValuesStreamWithTheirObject)
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

    rtl::TOwned<TwzBrushObject> brush(new TwzBrushObject(nullptr));
    brush->SetName("Accent");
    brush->GetBrush()->SetSolidColor(0xFF123456);
    rtl::TMemoryStream brushStream;
    brush->SaveObjectToStream(brushStream);
    brushStream.SetPosition(0);
    rtl::TOwned<TwzObject> brushCopy(Create2DObjectFromStream(nullptr, brushStream));
    auto* readBrush = dynamic_cast<TwzBrushObject*>(brushCopy.get());
    ASSERT_NE(readBrush, nullptr);
    EXPECT_EQ(readBrush->GetResourceName(), "Accent");
    EXPECT_EQ(readBrush->GetBrush()->StoredSolidColor(), 0xFF123456u);
}

TEST_F(ResourceObjects, ResourceClassesAreInTheirCategory)
{
    std::vector<std::string> resources;
    for (const ui2d::CategoryEntry& e : Object2DCategoryList()) {
        if (e.category == "Resources")
            resources.push_back(std::string(e.classInfo->name));
    }
    // Registered brush, path, bitmap; the newest registration of a category is listed first.
    EXPECT_EQ(resources, (std::vector<std::string> { "TwzBitmapObject", "TwzPathObject", "TwzBrushObject" }));
    for (const char* name : { "TwzBrushObject", "TwzPathObject", "TwzBitmapObject" })
        EXPECT_NE(rtl::FindClass(name), nullptr) << name;
}

} // namespace
