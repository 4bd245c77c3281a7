// Layouts: grid placement (table of cases), the scaled layout's children matrix at run and
// design time, and the palette categories of the layouts and scroll boxes.

#include "ScrollBoxTestSupport.h"

#include "controls/TwzLayouts.h"
#include "graphics/TwzBounds.h"

#include <algorithm>

using namespace scrollboxtest;

namespace {

class LayoutsTest : public ScrollBoxTestBase { };

struct GridCase {
    const char* name;
    float width, height;
    TwzRect margins;
    TwzOrientation orientation;
    int children;
    TwzRect childPadding;
    std::vector<TwzPoint> expected; // positions of the children, in order
};

} // namespace

TEST_F(LayoutsTest, GridPlacesEqualCellsAndWrapsStrictlyPastTheLimit)
{
    const GridCase cases[] = {
        // 192 + 64 > 200: three cells a row.
        { "three a row", 200, 200, {}, wzHorizontal, 4, {}, { { 0, 0 }, { 64, 0 }, { 128, 0 }, { 0, 64 } } },
        // A cell ending exactly on the limit stays in the row: 128 + 64 = 192 is not > 192.
        { "exact fit", 192, 200, {}, wzHorizontal, 4, {}, { { 0, 0 }, { 64, 0 }, { 128, 0 }, { 0, 64 } } },
        { "one short", 191, 200, {}, wzHorizontal, 3, {}, { { 0, 0 }, { 64, 0 }, { 0, 64 } } },
        // The margins move the start and count against the limit twice over their left part.
        { "margins", 200, 200, { 10, 5, 10, 0 }, wzHorizontal, 3, {}, { { 10, 5 }, { 74, 5 }, { 10, 69 } } },
        { "vertical", 200, 150, {}, wzVertical, 3, {}, { { 0, 0 }, { 0, 64 }, { 64, 0 } } },
        // Padding sits inside the cell.
        { "padding", 200, 200, {}, wzHorizontal, 2, { 2, 3, 4, 5 }, { { 2, 3 }, { 66, 3 } } },
    };
    for (const GridCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto* grid = new TwzGridLayout(form.get());
        grid->SetBounds(0, 0, c.width, c.height);
        grid->GetMargins()->SetRect(c.margins);
        grid->SetOrientation(c.orientation);
        grid->SetParent(root);
        std::vector<TwzVisualObject*> children;
        for (int i = 0; i < c.children; ++i) {
            auto* child = new TwzVisualObject(form.get());
            child->GetPadding()->SetRect(c.childPadding);
            child->SetParent(grid);
            children.push_back(child);
        }
        grid->RealignChildren();
        for (size_t i = 0; i < children.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(children[i]->GetPosition()->GetPoint(), c.expected[i]);
            EXPECT_EQ(children[i]->GetWidth(), 64 - c.childPadding.Left - c.childPadding.Right);
            EXPECT_EQ(children[i]->GetHeight(), 64 - c.childPadding.Top - c.childPadding.Bottom);
        }
        grid->Free();
    }
}

TEST_F(LayoutsTest, GridSettersRealignAtOnce)
{
    auto* grid = new TwzGridLayout(form.get());
    EXPECT_EQ(grid->GetItemWidth(), 64);
    EXPECT_EQ(grid->GetItemHeight(), 64);
    EXPECT_EQ(grid->GetOrientation(), wzHorizontal);
    grid->SetBounds(0, 0, 100, 100);
    grid->SetParent(root);
    auto* a = new TwzVisualObject(form.get());
    auto* b = new TwzVisualObject(form.get());
    a->SetParent(grid);
    b->SetParent(grid);
    grid->SetItemWidth(40);
    EXPECT_EQ(b->GetPosition()->GetPoint(), (TwzPoint { 40, 0 }));
    grid->SetItemHeight(30);
    EXPECT_EQ(b->GetHeight(), 30);
    grid->SetOrientation(wzVertical);
    EXPECT_EQ(b->GetPosition()->GetPoint(), (TwzPoint { 0, 30 }));
}

TEST_F(LayoutsTest, ScaledLayoutScalesItsChildrenAtRunTimeOnly)
{
    auto* layout = new TwzScaledLayout(form.get());
    EXPECT_EQ(layout->GetOriginalWidth(), 50);
    EXPECT_EQ(layout->GetOriginalHeight(), 50);
    layout->SetParent(root);
    auto* child = new TwzVisualObject(form.get());
    child->SetBounds(10, 10, 20, 20);
    child->SetParent(layout);

    layout->SetWidth(100);
    layout->SetHeight(25);
    EXPECT_EQ(layout->GetOriginalWidth(), 50) << "run time: the originals stay";
    const TwzRect r = child->GetAbsoluteRect();
    EXPECT_FLOAT_EQ(r.Left, 20);
    EXPECT_FLOAT_EQ(r.Top, 5);
    EXPECT_FLOAT_EQ(RectWidth(r), 40);
    EXPECT_FLOAT_EQ(RectHeight(r), 10);

    layout->SetOriginalWidth(0);
    EXPECT_EQ(layout->GetOriginalWidth(), 1) << "never below 1";
    layout->SetOriginalWidth(200);
    EXPECT_FLOAT_EQ(RectWidth(child->GetAbsoluteRect()), 10);

    // Designing never scales: the originals follow the size.
    scene->SetDesignTime(true);
    layout->SetWidth(80);
    EXPECT_EQ(layout->GetOriginalWidth(), 80);
    EXPECT_EQ(layout->GetChildrenMatrix(), IdentityMatrix);
    EXPECT_EQ(layout->GetOriginalHeight(), 25);
    scene->SetDesignTime(false);
}

TEST_F(LayoutsTest, PlainLayoutsTakeNoHitsAndJoinTheirPaletteCategories)
{
    auto* layout = new TwzLayout(form.get());
    auto* split = new TwzSplitLayout(form.get());
    EXPECT_FALSE(layout->GetHitTest());
    EXPECT_FALSE(split->GetHitTest());

    auto inCategory = [](const char* category, const char* className) {
        for (const auto& entry : Object2DCategoryList()) {
            if (entry.category == category && entry.classInfo->name == std::string_view(className))
                return true;
        }
        return false;
    };
    for (const char* name : { "TwzFrame", "TwzLayout", "TwzScaledLayout", "TwzGridLayout", "TwzSplitLayout" })
        EXPECT_TRUE(inCategory("Layout", name)) << name;
    for (const char* name :
        { "TwzScrollBox", "TwzVertScrollBox", "TwzFramedScrollBox", "TwzFramedVertScrollBox" })
        EXPECT_TRUE(inCategory("Controls", name)) << name;
}
