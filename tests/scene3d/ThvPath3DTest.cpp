// Extruded paths: sized by their wrap mode, tiled, holes in either winding, the design box,
// and the stored path.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPath3D.h"

#include "graphics/TwzPathData.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace scene3dtest;

namespace {

class ThvPath3DTest : public VisualFixture {
protected:
    /// Paints the object as the render walk does; the extrusions, materials and boxes it drew.
    std::vector<std::string> Paint(ThvVisualObject* object)
    {
        canvas->SetMatrix(object->GetAbsoluteMatrix());
        canvas->ClearLog();
        object->BeforePaint();
        object->Render();
        std::vector<std::string> lines;
        for (const std::string& line : canvas->log) {
            if (line.rfind("FillPolygon", 0) == 0 || line.rfind("MaterialChanged", 0) == 0
                || line.rfind("DrawCube", 0) == 0)
                lines.push_back(line);
        }
        return lines;
    }

    ThvPath3D* MakePath(const std::string& data, TwzPathWrap wrap, float width, float height)
    {
        auto* path = Make<ThvPath3D>();
        path->GetPath()->SetData(data);
        path->SetWrapMode(wrap);
        path->SetWidth(width);
        path->SetHeight(height);
        path->SetSides({ hvShape3DFront });
        return path;
    }
};

/// The extrusion lines only, without the polygon's point count: "centre size faces".
std::vector<std::string> Boxes(const std::vector<std::string>& lines)
{
    std::vector<std::string> boxes;
    for (const std::string& line : lines) {
        if (line.rfind("FillPolygon", 0) != 0)
            continue;
        const size_t size = line.find(") (") + 2;
        const size_t count = line.find(") ", size) + 2;
        const size_t faces = line.rfind(' ');
        boxes.push_back(line.substr(12, count - 12) + line.substr(faces + 1));
    }
    return boxes;
}

/// The extrusion lines alone: each new object has a material of a colour of its own.
std::vector<std::string> Extrusions(std::vector<std::string> lines)
{
    std::erase_if(lines, [](const std::string& line) { return line.rfind("FillPolygon", 0) != 0; });
    return lines;
}

} // namespace

TEST_F(ThvPath3DTest, ANewPathStretchesOverItsFaceAndIsFlattenedCoarsely)
{
    auto* path = Make<ThvPath3D>();
    EXPECT_EQ(path->GetWrapMode(), wzPathStretch);
    EXPECT_EQ(path->GetFlatness(), 2);
    EXPECT_TRUE(path->GetPath()->IsEmpty());
}

TEST_F(ThvPath3DTest, AnEmptyPathDrawsNothingWhateverItsWrapMode)
{
    for (TwzPathWrap wrap : { wzPathOriginal, wzPathFit, wzPathStretch, wzPathTile }) {
        SCOPED_TRACE(rtl::EnumName(wrap));
        auto* path = MakePath("", wrap, 2, 2);
        EXPECT_TRUE(Boxes(Paint(path)).empty());
    }
}

TEST_F(ThvPath3DTest, TheWrapModeSizesTheBox)
{
    struct Case {
        const char* name;
        std::string data;
        TwzPathWrap wrap;
        float width, height;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        { "original size", "M 0,0 L 3,0 L 3,1 Z", wzPathOriginal, 10, 10, { "(5,5,0) (3,1,1) F--" } },
        { "fitted, shrunk keeping its shape", "M 0,0 L 100,0 L 100,50 Z", wzPathFit, 10, 10,
            { "(5,5,0) (10,5,1) F--" } },
        { "fitted, never enlarged", "M 0,0 L 2,0 L 2,1 Z", wzPathFit, 10, 10, { "(5,5,0) (2,1,1) F--" } },
        { "stretched", "M 5,5 L 7,5 L 7,6 Z", wzPathStretch, 4, 8, { "(2,4,0) (4,8,1) F--" } },
        // Tiles of the path's size from the top-left corner of the face, both ends counted.
        { "tiled", "M 0,0 L 1,0 L 1,1 Z", wzPathTile, 2, 2,
            { "(0.5,1.5,0) (1,1,1) F--", "(0.5,0.5,0) (1,1,1) F--", "(0.5,-0.5,0) (1,1,1) F--",
                "(1.5,1.5,0) (1,1,1) F--", "(1.5,0.5,0) (1,1,1) F--", "(1.5,-0.5,0) (1,1,1) F--",
                "(2.5,1.5,0) (1,1,1) F--", "(2.5,0.5,0) (1,1,1) F--", "(2.5,-0.5,0) (1,1,1) F--" } },
        // 2.5 tiles round to the even 2: columns 0 to 2.
        { "tiled, halves to even", "M 0,0 L 1,0 L 1,1 Z", wzPathTile, 2.5f, 0.4f,
            { "(0.5,-0.1,0) (1,1,1) F--", "(1.5,-0.1,0) (1,1,1) F--", "(2.5,-0.1,0) (1,1,1) F--" } },
        // A flat path has no tiles worth drawing, however many would fit.
        { "tiled, flat", "M 0,0 L 1,0", wzPathTile, 4, 4, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* path = MakePath(c.data, c.wrap, c.width, c.height);
        EXPECT_EQ(Boxes(Paint(path)), c.boxes);
    }
}

TEST_F(ThvPath3DTest, EveryTileDrawsItsFrontInTheFrontMaterial)
{
    auto* path = MakePath("M 0,0 L 1,0 L 1,1 Z", wzPathTile, 1, 0.2f);
    path->SetSides(hvAllShape3DSides);
    path->GetMaterial()->SetDiffuse("#FF0000AA");
    path->GetMaterialBack()->SetDiffuse("#FF00BB00");
    path->GetMaterialLeft()->SetDiffuse("#FFCC0000");
    std::vector<std::string> materialAtFront;
    std::string current;
    for (const std::string& line : Paint(path)) {
        if (line.rfind("MaterialChanged", 0) == 0)
            current = line;
        else if (line.size() > 4 && line.compare(line.size() - 3, 3, "F--") == 0)
            materialAtFront.push_back(current);
    }
    EXPECT_EQ(materialAtFront,
        (std::vector<std::string> { "MaterialChanged #FF0000AA ", "MaterialChanged #FF0000AA " }));
}

TEST_F(ThvPath3DTest, HolesReachTheExtrusionWhicheverWayTheyRun)
{
    // The caps are filled by the even-odd rule; the path hands both figures over as they are.
    struct Case {
        const char* name;
        std::string data;
    };
    const Case cases[] = {
        { "hole against the outline", "M 0,0 L 10,0 L 10,10 L 0,10 Z M 3,3 L 3,7 L 7,7 L 7,3 Z" },
        { "hole along the outline", "M 0,0 L 10,0 L 10,10 L 0,10 Z M 3,3 L 7,3 L 7,7 L 3,7 Z" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* path = MakePath(c.data, wzPathOriginal, 10, 10);
        Paint(path);
        const TwzPolygon& points = canvas->lastPolygon;
        ASSERT_EQ(points.size(), 12u);
        EXPECT_TRUE(scene3d::IsFigureEnd(points[5]));
        EXPECT_TRUE(scene3d::IsFigureEnd(points[11]));
        EXPECT_EQ(points[6].X, 3);
        EXPECT_EQ(points[6].Y, 3);
    }
}

TEST_F(ThvPath3DTest, EveryChangeOfThePathReachesTheNextPaintHoweverItWasMade)
{
    // The builders and edits in place tell nobody; the next paint must still show them, as
    // a new object with the same path draws it.
    auto* kept = MakePath("M 0,0 L 4,0 L 4,2 Z", wzPathTile, 8, 4);
    Extrusions(Paint(kept));
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        { "new data", [&] { kept->GetPath()->SetData("M 0,0 L 3,0 C 3,2 2,3 0,3 Z"); } },
        { "a builder",
            [&] {
                kept->GetPath()->LineTo({ 1, 5 });
            } },
        { "an element in place",
            [&] {
                kept->GetPath()->Points()[1].Point = { 4, 1 };
            } },
        { "a control point in place",
            [&] {
                kept->GetPath()->Points()[2].Point = { 6, 2 };
            } },
        { "flatness", [&] { kept->SetFlatness(0.1f); } },
        { "a flat path", [&] { kept->GetPath()->SetData("M 0,0 L 4,0 Z"); } },
        { "a path with area again", [&] { kept->GetPath()->SetData("M 0,0 L 4,0 L 0,4 Z"); } },
    };
    TwzPolygon previous = canvas->lastPolygon;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        canvas->lastPolygon.clear();
        const std::vector<std::string> lines = Extrusions(Paint(kept));
        const TwzPolygon polygon = canvas->lastPolygon;
        auto* fresh = MakePath("", wzPathTile, 8, 4);
        fresh->SetPath(kept->GetPath());
        fresh->SetFlatness(kept->GetFlatness());
        canvas->lastPolygon.clear();
        EXPECT_EQ(Extrusions(Paint(fresh)), lines);
        EXPECT_EQ(canvas->lastPolygon, polygon);
        EXPECT_NE(polygon, previous);
        previous = polygon;
    }
}

TEST_F(ThvPath3DTest, TheDesignBoxIsDrawnWhileDesigningUnlessLocked)
{
    struct Case {
        const char* name;
        bool designing;
        bool locked;
        bool box;
    };
    const Case cases[] = {
        { "designing", true, false, true },
        { "designing, locked", true, true, false },
        { "running", false, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* path = MakePath("M 0,0 L 1,0 L 1,1 Z", wzPathStretch, 3, 2);
        path->SetDepth(0.5f);
        path->SetLocked(c.locked);
        scene->SetDesigning(c.designing);
        const std::vector<std::string> lines = Paint(path);
        scene->SetDesigning(false);
        const std::vector<std::string> expected { "MaterialChanged #8060A799 ",
            "DrawCube (1.5,1,0) (3,2,0.5) 1" };
        const bool drawn
            = lines.size() >= 2 && std::vector<std::string>(lines.end() - 2, lines.end()) == expected;
        EXPECT_EQ(drawn, c.box);
    }
}

TEST_F(ThvPath3DTest, ThePathAndWrapModeAreStoredAndChangesRepaint)
{
    RegisterTestClasses3D();
    rtl::RegisterClass<ThvPath3D>();
    auto* path = MakePath("M 0,0 L 4,0 L 2,3 Z", wzPathFit, 3, 3);
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *path);
    stream.SetPosition(0);
    auto* copy = dynamic_cast<ThvPath3D*>(rtl::ReadComponentFromStream(stream, nullptr, form.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetPath()->GetData(), "M 0,0 L 4,0 L 2,3 Z ");
    EXPECT_EQ(copy->GetWrapMode(), wzPathFit);

    scene->updateRequests = 0;
    path->SetWrapMode(wzPathFit);
    EXPECT_EQ(scene->updateRequests, 0);
    path->GetPath()->SetData("M 0,0 L 1,1 L 0,1 Z");
    EXPECT_GT(scene->updateRequests, 0);
    scene->updateRequests = 0;
    TwzPathData other;
    other.SetData("M 0,0 L 2,2 L 0,2 Z");
    path->SetPath(&other);
    EXPECT_EQ(path->GetPath()->GetData(), "M 0,0 L 2,2 L 0,2 Z ");
    EXPECT_GT(scene->updateRequests, 0);
}
