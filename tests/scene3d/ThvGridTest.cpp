// The design grid: where its lines fall, which are marks, its bounds and its picking.

#include "VisualTestSupport.h"

#include "scene3d/ThvGrid.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

class ThvGridTest : public VisualFixture {
protected:
    /// The vertical lines drawn, "x colour", in drawing order (each x once per pair).
    std::vector<std::string> VerticalLines() const
    {
        std::vector<std::string> lines;
        std::string colour;
        for (const std::string& line : canvas->log) {
            if (line.rfind("MaterialChanged ", 0) == 0)
                colour = line.substr(16, 9);
            else if (line.rfind("DrawLine (", 0) == 0) {
                // A vertical line has one x at both ends.
                const std::string x1 = line.substr(10, line.find(',') - 10);
                const size_t second = line.find(") (") + 3;
                const std::string x2 = line.substr(second, line.find(',', second) - second);
                if (x1 == x2)
                    lines.push_back(x1 + " " + colour);
            }
        }
        return lines;
    }
};

TEST_F(ThvGridTest, LinesFromTheCentreWithMarksEveryFourUnits)
{
    auto* grid = Make<ThvGrid>();
    grid->SetWidth(10);
    grid->SetHeight(10);
    grid->Render();
    // The plain lines go first, then the marks, one batch each.
    EXPECT_EQ(VerticalLines(),
        (std::vector<std::string> { "1 #50505050", "-1 #50505050", "2 #50505050", "-2 #50505050",
            "3 #50505050", "-3 #50505050", "0 #A0505050", "0 #A0505050", "4 #A0505050", "-4 #A0505050" }));
    EXPECT_EQ(canvas->Lines("LineBatch"), (std::vector<std::string> { "LineBatch 12", "LineBatch 8" }));
    // Half the lines are vertical; the horizontal ones mirror them.
    EXPECT_EQ(canvas->Lines("DrawLine").size(), 20u);
    EXPECT_EQ(canvas->Lines("DrawLine").at(16), "DrawLine (-5,0,0) (5,0,0) 1");
    // The canvas material is drawn unlit and untextured.
    EXPECT_FALSE(canvas->GetMaterial()->GetLighting());
    EXPECT_EQ(canvas->GetMaterial()->GetBitmap(), "");
}

TEST_F(ThvGridTest, MarksFallOnWholeMultiplesOfMarks)
{
    struct Case {
        float frequency, marks;
        std::vector<std::string> markPositions;
    } const cases[] = {
        { 0.5f, 4, { "0", "0", "4", "-4", "8", "-8" } },
        { 1, 3, { "0", "0", "3", "-3", "6", "-6", "9", "-9" } },
        { 1, 0, {} }, // no marks at all, nothing divides by zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.marks);
        auto* grid = Make<ThvGrid>();
        grid->SetWidth(20);
        grid->SetHeight(1);
        grid->SetFrequency(c.frequency);
        grid->SetMarks(c.marks);
        canvas->ResetScene(); // the material's colour starts unset, so every colour shows in the log
        canvas->ClearLog();
        grid->Render();
        std::vector<std::string> marks;
        for (const std::string& line : VerticalLines()) {
            if (line.find("#A0") != std::string::npos)
                marks.push_back(line.substr(0, line.find(' ')));
        }
        EXPECT_EQ(marks, c.markPositions);
    }
}

// A pasted grid may ask for millions of lines; the canvas (200 x 100 pixels here) has room for
// a few per pixel, so a denser grid thins to every Nth line, still on multiples of Frequency.
TEST_F(ThvGridTest, LinesBoundedByWhatTheCanvasCanShow)
{
    struct Case {
        float width, frequency;
    } const cases[] = { { 200, 0.001f }, { 1e30f, 1 }, { 1e6f, 1e-30f }, { 10, 1e-38f } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        auto* grid = Make<ThvGrid>();
        grid->SetWidth(c.width);
        grid->SetHeight(1);
        grid->SetFrequency(c.frequency);
        canvas->ClearLog();
        grid->Render();
        const std::vector<std::string> batches = canvas->Lines("LineBatch");
        EXPECT_LE(batches.size(), 2u);
        // Two lines per position, and each direction at most 2 x 200 positions (and the centre).
        EXPECT_LE(canvas->Lines("DrawLine").size(), 2u * 2 * (2 * 200 + 1));
        EXPECT_GT(canvas->Lines("DrawLine").size(), 2u);
    }
    // A grid the canvas can show keeps every line.
    auto* grid = Make<ThvGrid>();
    grid->SetWidth(100);
    grid->SetHeight(1);
    grid->SetFrequency(0.5f);
    canvas->ClearLog();
    grid->Render();
    EXPECT_EQ(VerticalLines().size(), 200u);
}

TEST_F(ThvGridTest, OpacityFadesTheLines)
{
    auto* grid = Make<ThvGrid>();
    grid->SetWidth(2);
    grid->SetHeight(2);
    grid->SetOpacity(0.5f);
    grid->Render();
    EXPECT_EQ(VerticalLines(), (std::vector<std::string> { "0 #50505050", "0 #50505050" }));
    EXPECT_EQ(canvas->Lines("DrawLine").front(), "DrawLine (0,-1,0) (0,1,0) 0.5");
}

TEST_F(ThvGridTest, SettersKeepTheGridSound)
{
    auto* grid = Make<ThvGrid>();
    EXPECT_FLOAT_EQ(grid->GetDepth(), 0.01f);
    grid->SetDepth(5);
    EXPECT_FLOAT_EQ(grid->GetDepth(), 0.01f);
    for (float bad : { -2.0f, 0.0f }) {
        grid->SetFrequency(1);
        grid->SetFrequency(bad);
        EXPECT_FLOAT_EQ(grid->GetFrequency(), 0.01f);
    }
    scene->updateRequests = 0;
    grid->SetLineColor("#FF112233");
    EXPECT_EQ(grid->GetLineColor(), "#FF112233");
    EXPECT_EQ(scene->updateRequests, 0);
    grid->SetMarks(2);
    EXPECT_GT(scene->updateRequests, 0);
}

TEST_F(ThvGridTest, PickedOnItsPlaneStrictlyInside)
{
    auto* grid = Make<ThvGrid>();
    grid->SetWidth(4);
    grid->SetHeight(4);
    struct Case {
        float x;
        bool hit;
    } const cases[] = { { 0, true }, { 1.99f, true }, { 2, false }, { 3, false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        ThvVector hit;
        const bool got = grid->RayCastIntersect({ c.x, 0.5f, 5, 1 }, { 0, 0, -1, 0 }, hit);
        EXPECT_EQ(got, c.hit);
        if (got) {
            EXPECT_TRUE(Near(hit, { c.x, 0.5f, 0 }));
        }
    }
    ThvVector hit;
    EXPECT_FALSE(grid->RayCastIntersect({ 0, 0, 5, 1 }, { 0, 0, 1, 0 }, hit)); // facing away
    EXPECT_FALSE(grid->RayCastIntersect({ 0, 0, 5, 1 }, { 1, 0, 0, 0 }, hit)); // parallel
}

} // namespace
