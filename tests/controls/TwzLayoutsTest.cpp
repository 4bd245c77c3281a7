// Layouts: grid placement (table of cases), the scaled layout's children matrix at run and
// design time, and the palette categories of the layouts and scroll boxes.

#include "ScrollBoxTestSupport.h"

#include "controls/TwzLayouts.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzCanvasGdiPlus.h"

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
        // The cursor starts inside the margins and wraps before the width less both margins.
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

TEST_F(LayoutsTest, LayoutsShowADashedFrameOnlyWhileDesigned)
{
    TwzBitmap bitmap(200, 100);
    TwzCanvasGdiPlus canvas(&bitmap);
    scene->SetCanvas(&canvas);
    root->SetVisible(false);
    auto* layout = new TwzLayout(form.get());
    layout->SetBounds(10, 10, 50, 50);
    auto* scaled = new TwzScaledLayout(form.get());
    scaled->SetBounds(100, 10, 50, 50);
    auto* overlay = new TwzVisualObject(form.get());
    overlay->SetBounds(0, 0, 200, 100);
    scene->AddObject(overlay);
    layout->SetParent(overlay);
    scaled->SetParent(overlay);
    // Somewhere along each top edge a dash is drawn.
    auto edgeInked = [&](int left) {
        for (int x = left; x < left + 50; ++x) {
            if (bitmap.GetScanline(10)[x] != 0)
                return true;
        }
        return false;
    };
    auto paint = [&] {
        bitmap.Clear(0);
        scene->AddUpdateRect({ 0, 0, 200, 100 });
        scene->PaintRoots();
    };
    paint();
    EXPECT_FALSE(edgeInked(10));
    scene->SetDesignTime(true);
    paint();
    EXPECT_TRUE(edgeInked(10));
    EXPECT_TRUE(edgeInked(100));
    layout->SetLocked(true);
    paint();
    EXPECT_FALSE(edgeInked(10)) << "a locked layout (a style part) shows no frame";
    scene->SetDesignTime(false);
    scene->SetCanvas(nullptr);
}

TEST_F(LayoutsTest, AScaledLayoutInAnUpdatingScrollBoxWaits)
{
    auto* box = Add<TwzScrollBox>({ 0, 0, 100, 100 });
    auto* layout = new TwzScaledLayout(form.get());
    layout->SetParent(box);
    EXPECT_EQ(TwzScrollBox::EnclosingBox(layout), box);
    auto* child = new TwzVisualObject(form.get());
    child->SetParent(layout);
    child->SetAlign(vaClient);
    box->BeginUpdate();
    layout->SetBounds(0, 0, 80, 60);
    EXPECT_NE(child->GetWidth(), 80) << "no layout while the box updates";
    box->EndUpdate();
    layout->RealignChildren();
    EXPECT_EQ(child->GetWidth(), 80);
}
