// Alignment of children: every kind with margins and padding, the order kinds and children
// are placed in, anchors and scaling on resize, and what starts a realignment.

#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzVisualObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

constexpr float kTolerance = 1e-3f;

/// Lays out its own children and then takes the height its content needs, as a layout that
/// sizes itself does.
class TAutoHeight : public TwzVisualObject {
    RTL_CLASS(TAutoHeight, TwzVisualObject)
public:
    explicit TAutoHeight(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    { }
    float contentHeight = 15;
    void RealignChildren() override
    {
        TwzVisualObject::RealignChildren();
        SetSizeNoUpdate(GetWidth(), contentHeight);
    }
};

RTL_IMPLEMENT_CLASS(TAutoHeight)

std::string Text(const TwzRect& r)
{
    return "(" + std::to_string(r.Left) + ", " + std::to_string(r.Top) + ", " + std::to_string(r.Right) + ", "
        + std::to_string(r.Bottom) + ")";
}

bool Near(const TwzRect& a, const TwzRect& b)
{
    return std::fabs(a.Left - b.Left) < kTolerance && std::fabs(a.Top - b.Top) < kTolerance
        && std::fabs(a.Right - b.Right) < kTolerance && std::fabs(a.Bottom - b.Bottom) < kTolerance;
}

class VisualAlign : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        form.reset(new TTestObject(nullptr));
    }

    TwzVisualObject* Make(TwzObject* parent, TwzAlign align, const TwzRect& box)
    {
        auto* object = new TwzVisualObject(form.get());
        object->SetBounds(box.Left, box.Top, RectWidth(box), RectHeight(box));
        object->SetAlign(align);
        if (parent)
            object->SetParent(parent);
        return object;
    }

    rtl::TOwned<TTestObject> form;
};

/// One child of a case: its kind, its box in the parent (left, top, right, bottom) before
/// the layout, its padding and whether it shows.
struct Child {
    TwzAlign align;
    TwzRect box;
    TwzRect padding {};
    bool visible = true;
};

struct Case {
    const char* name;
    TwzRect parent; ///< (0, 0, width, height)
    TwzRect margins;
    std::vector<Child> children;
    std::vector<TwzRect> expected; ///< each child's box in the parent afterwards
    TwzPoint resizeTo {}; ///< a size the parent takes after the first layout; 0: none
};

constexpr TwzRect kMargins { 10, 10, 10, 10 };
constexpr TwzRect kPadding { 2, 3, 4, 5 };
constexpr TwzRect kBox { 30, 40, 50, 60 }; // 20 x 20
constexpr TwzRect kFitBox { 30, 40, 66, 72 }; // 36 x 32

TEST_F(VisualAlign, EveryKindWithMarginsAndPadding)
{
    // The parent is 200 x 100; with margins of 10 the docking area is (10, 10, 190, 90). The
    // child is 20 x 20 at (30, 40) with padding (2, 3, 4, 5): 26 x 28 outside.
    const TwzRect parent { 0, 0, 200, 100 };
    const Case cases[] = {
        { "none stays", parent, kMargins, { { vaNone, kBox, kPadding } }, { kBox } },
        { "top-left stays", parent, kMargins, { { vaTopLeft, kBox, kPadding } }, { kBox } },
        { "top strip", parent, kMargins, { { vaTop, kBox, kPadding } }, { { 12, 13, 186, 33 } } },
        { "most-top strip", parent, kMargins, { { vaMostTop, kBox, kPadding } }, { { 12, 13, 186, 33 } } },
        { "bottom strip", parent, kMargins, { { vaBottom, kBox, kPadding } }, { { 12, 65, 186, 85 } } },
        { "most-bottom strip", parent, kMargins, { { vaMostBottom, kBox, kPadding } },
            { { 12, 65, 186, 85 } } },
        { "left strip", parent, kMargins, { { vaLeft, kBox, kPadding } }, { { 12, 13, 32, 85 } } },
        { "most-left strip", parent, kMargins, { { vaMostLeft, kBox, kPadding } }, { { 12, 13, 32, 85 } } },
        { "right strip", parent, kMargins, { { vaRight, kBox, kPadding } }, { { 166, 13, 186, 85 } } },
        { "most-right strip", parent, kMargins, { { vaMostRight, kBox, kPadding } },
            { { 166, 13, 186, 85 } } },
        { "client fills the area", parent, kMargins, { { vaClient, kBox, kPadding } },
            { { 12, 13, 186, 85 } } },
        { "contents ignores the margins", parent, kMargins, { { vaContents, kBox, kPadding } },
            { { 2, 3, 196, 95 } } },
        { "centre", parent, kMargins, { { vaCenter, kBox, kPadding } }, { { 89, 39, 109, 59 } } },
        { "horizontal centre keeps the full height", parent, kMargins, { { vaHorzCenter, kBox, kPadding } },
            { { 89, 13, 109, 85 } } },
        { "vertical centre keeps the full width", parent, kMargins, { { vaVertCenter, kBox, kPadding } },
            { { 12, 39, 186, 59 } } },
        { "horizontal keeps its top", parent, kMargins, { { vaHorizontal, kBox, kPadding } },
            { { 12, 40, 186, 60 } } },
        { "vertical keeps its left", parent, kMargins, { { vaVertical, kBox, kPadding } },
            { { 30, 13, 50, 85 } } },
        // 36 x 32 (42 x 40 outside) grows to fill the height of the area less margins.
        { "fit grows into the area less margins", parent, kMargins, { { vaFit, kFitBox, kPadding } },
            { { 60, 13, 138, 85 } } },
        { "fit to the left", parent, kMargins, { { vaFitLeft, kFitBox, kPadding } }, { { 12, 13, 90, 85 } } },
        { "fit to the right", parent, kMargins, { { vaFitRight, kFitBox, kPadding } },
            { { 108, 13, 186, 85 } } },
        { "scale keeps its box until a resize", parent, kMargins, { { vaScale, kBox, kPadding } }, { kBox } },
        { "anchors keep their box until a resize", parent, kMargins,
            { { vaTopRight, kBox }, { vaBottomLeft, kBox }, { vaBottomRight, kBox } }, { kBox, kBox, kBox } },
        { "scale follows a resize", parent, kMargins, { { vaScale, kBox, kPadding } },
            { { 60, 20, 100, 30 } }, { 400, 50 } },
        { "anchors follow the right and bottom edges", parent, kMargins,
            { { vaTopRight, kBox }, { vaBottomLeft, kBox }, { vaBottomRight, kBox }, { vaTopLeft, kBox },
                { vaNone, kBox } },
            { { 80, 40, 100, 60 }, { 30, 70, 50, 90 }, { 80, 70, 100, 90 }, kBox, kBox }, { 250, 130 } },

        // Cases worked through by hand.
        { "a top strip and a client below it", parent, kMargins,
            { { vaTop, { 0, 0, 10, 20 } }, { vaClient, { 0, 0, 10, 10 } } },
            { { 10, 10, 190, 30 }, { 10, 30, 190, 90 } } },
        { "centre truncates half the spare width", { 0, 0, 101, 50 }, {}, { { vaCenter, { 0, 0, 30, 10 } } },
            { { 35, 20, 65, 30 } } },
        { "fit grows a small child", { 0, 0, 200, 200 }, {}, { { vaFit, { 0, 0, 50, 25 } } },
            { { 0, 50, 200, 150 } } },
        { "fit to the left in a wide parent", { 0, 0, 300, 100 }, {}, { { vaFitLeft, { 0, 0, 50, 25 } } },
            { { 0, 0, 200, 100 } } },
        { "fit shrinks a large child", { 0, 0, 100, 100 }, {}, { { vaFit, { 0, 0, 400, 200 } } },
            { { 0, 25, 100, 75 } } },
        { "bottom-right anchor", { 0, 0, 100, 100 }, {}, { { vaBottomRight, { 80, 60, 90, 70 } } },
            { { 130, 80, 140, 90 } }, { 150, 120 } },
        { "scale", { 0, 0, 100, 100 }, {}, { { vaScale, { 10, 10, 30, 30 } } }, { { 20, 5, 60, 15 } },
            { 200, 50 } },
        { "top strips by ascending top", { 0, 0, 100, 100 }, {},
            { { vaTop, { 0, 50, 10, 60 } }, { vaTop, { 0, 5, 10, 15 } } },
            { { 0, 10, 100, 20 }, { 0, 0, 100, 10 } } },
        { "bottom strips with equal bottoms: the later one lowest", { 0, 0, 100, 100 }, {},
            { { vaBottom, { 0, 30, 10, 40 } }, { vaBottom, { 0, 30, 10, 40 } } },
            { { 0, 80, 100, 90 }, { 0, 90, 100, 100 } } },
        { "right strips with equal right edges: the later one rightmost", { 0, 0, 100, 100 }, {},
            { { vaRight, { 0, 0, 10, 10 } }, { vaRight, { 0, 0, 10, 10 } } },
            { { 80, 0, 90, 100 }, { 90, 0, 100, 100 } } },
        { "left strips by ascending left", { 0, 0, 100, 100 }, {},
            { { vaLeft, { 40, 0, 50, 10 } }, { vaLeft, { 20, 0, 35, 10 } } },
            { { 15, 0, 25, 100 }, { 0, 0, 15, 100 } } },
        { "most kinds come before the plain ones", { 0, 0, 100, 100 }, {},
            { { vaTop, { 0, 0, 10, 10 } }, { vaMostLeft, { 0, 0, 10, 10 } },
                { vaMostTop, { 0, 0, 10, 10 } } },
            { { 10, 10, 100, 20 }, { 0, 10, 10, 100 }, { 0, 0, 100, 10 } } },
        { "a hidden strip takes no space", { 0, 0, 100, 100 }, {},
            { { vaTop, { 0, 0, 10, 30 }, {}, false }, { vaClient, { 0, 0, 10, 10 } } },
            { { 0, 0, 10, 30 }, { 0, 0, 100, 100 } } },
        { "strips overflow an area used up", { 0, 0, 100, 30 }, {},
            { { vaTop, { 0, 0, 10, 20 } }, { vaTop, { 0, 1, 10, 21 } }, { vaClient, { 0, 0, 10, 10 } } },
            { { 0, 0, 100, 20 }, { 0, 20, 100, 40 }, { 0, 40, 100, 50 } } },
        { "a parent under 2 units is not laid out", { 0, 0, 1.5f, 100 }, {},
            { { vaClient, { 0, 0, 10, 10 } } }, { { 0, 0, 10, 10 } } },
        { "a child without size fits without dividing by zero", { 0, 0, 100, 100 }, {},
            { { vaFit, { 5, 5, 5, 5 } } }, { { 50, 50, 50, 50 } } },
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzVisualObject* parent = Make(nullptr, vaNone, c.parent);
        parent->GetMargins()->SetRect(c.margins);
        std::vector<TwzVisualObject*> children;
        // Added all at once: each realignment on the way would already move the children
        // the sorted kinds are ordered by.
        parent->DisableRealign();
        for (const Child& wanted : c.children) {
            TwzVisualObject* child = Make(parent, wanted.align, wanted.box);
            child->GetPadding()->SetRect(wanted.padding);
            child->SetVisible(wanted.visible);
            children.push_back(child);
        }
        parent->EnableRealign();
        parent->RealignChildren();
        if (c.resizeTo.X > 0)
            parent->SetBounds(0, 0, c.resizeTo.X, c.resizeTo.Y);

        ASSERT_EQ(children.size(), c.expected.size());
        for (size_t i = 0; i < children.size(); ++i) {
            const TwzRect actual = children[i]->GetParentedRect();
            EXPECT_TRUE(Near(actual, c.expected[i]))
                << "child " << i << ": " << Text(actual) << ", expected " << Text(c.expected[i]);
            EXPECT_TRUE(std::isfinite(children[i]->GetWidth()) && std::isfinite(children[i]->GetHeight()));
        }
        // A second layout without a resize changes nothing.
        parent->RealignChildren();
        for (size_t i = 0; i < children.size(); ++i)
            EXPECT_TRUE(Near(children[i]->GetParentedRect(), c.expected[i]))
                << "child " << i << " moved again";
        // The children are placed with their matrices: the box is where they paint.
        for (size_t i = 0; i < children.size(); ++i) {
            const TwzRect absolute = children[i]->GetAbsoluteRect();
            EXPECT_TRUE(Near(absolute, RectNormalize(c.expected[i])))
                << "child " << i << " " << Text(absolute);
        }
        parent->Free();
    }
}

TEST_F(VisualAlign, ChangesThatRealign)
{
    TwzVisualObject* parent = Make(nullptr, vaNone, { 0, 0, 100, 100 });
    TwzVisualObject* top = Make(parent, vaTop, { 0, 0, 10, 20 });
    TwzVisualObject* client = Make(parent, vaClient, { 0, 0, 10, 10 });
    auto expect = [&](const TwzRect& topBox, const TwzRect& clientBox) {
        EXPECT_TRUE(Near(top->GetParentedRect(), topBox)) << Text(top->GetParentedRect());
        EXPECT_TRUE(Near(client->GetParentedRect(), clientBox)) << Text(client->GetParentedRect());
    };
    {
        SCOPED_TRACE("adding aligned children");
        expect({ 0, 0, 100, 20 }, { 0, 20, 100, 100 });
    }
    {
        SCOPED_TRACE("the parent's margins");
        parent->GetMargins()->SetLeft(5);
        expect({ 5, 0, 100, 20 }, { 5, 20, 100, 100 });
    }
    {
        SCOPED_TRACE("a child's padding");
        top->GetPadding()->SetBottom(4);
        expect({ 5, 0, 100, 20 }, { 5, 24, 100, 100 });
    }
    {
        SCOPED_TRACE("an aligned child's size");
        top->SetHeight(30);
        expect({ 5, 0, 100, 30 }, { 5, 34, 100, 100 });
    }
    {
        SCOPED_TRACE("hiding an aligned child");
        top->SetVisible(false);
        EXPECT_TRUE(Near(client->GetParentedRect(), { 5, 0, 100, 100 }));
        top->SetVisible(true);
        expect({ 5, 0, 100, 30 }, { 5, 34, 100, 100 });
    }
    {
        SCOPED_TRACE("the parent's size");
        parent->SetWidth(200);
        expect({ 5, 0, 200, 30 }, { 5, 34, 200, 100 });
    }
    {
        SCOPED_TRACE("a child's kind");
        top->SetAlign(vaBottom);
        expect({ 5, 66, 200, 96 }, { 5, 0, 200, 66 });
    }
    {
        SCOPED_TRACE("an aligned child leaving");
        top->SetParent(nullptr);
        EXPECT_TRUE(Near(client->GetParentedRect(), { 5, 0, 200, 100 }));
        top->Free();
    }
    {
        SCOPED_TRACE("nothing while realignment is off");
        parent->DisableRealign();
        parent->SetWidth(300);
        EXPECT_TRUE(Near(client->GetParentedRect(), { 5, 0, 200, 100 }));
        parent->EnableRealign();
        parent->RealignChildren();
        EXPECT_TRUE(Near(client->GetParentedRect(), { 5, 0, 300, 100 }));
    }
    parent->Free();
}

TEST_F(VisualAlign, ChildrenResizedByTheLayoutLayOutTheirOwnChildren)
{
    TwzVisualObject* window = Make(nullptr, vaNone, { 0, 0, 100, 100 });
    TwzVisualObject* panel = Make(window, vaClient, { 0, 0, 10, 10 });
    TwzVisualObject* status = Make(panel, vaBottom, { 0, 0, 10, 10 });
    EXPECT_TRUE(Near(status->GetParentedRect(), { 0, 90, 100, 100 }));
    window->SetBounds(0, 0, 60, 40);
    EXPECT_TRUE(Near(status->GetParentedRect(), { 0, 30, 60, 40 }));
    window->Free();
}

TEST_F(VisualAlign, AChildThatSizesItselfGivesBackTheRest)
{
    TwzVisualObject* parent = Make(nullptr, vaNone, { 0, 0, 100, 100 });
    parent->DisableRealign();
    auto* header = new TAutoHeight(form.get());
    header->contentHeight = 40;
    header->SetBounds(0, 0, 10, 40);
    header->SetAlign(vaTop);
    header->SetParent(parent);
    TwzVisualObject* client = Make(parent, vaClient, { 0, 0, 10, 10 });
    // Offered 40, it takes 15 once laid out: the client gets the rest.
    header->contentHeight = 15;
    parent->EnableRealign();
    parent->RealignChildren();
    EXPECT_TRUE(Near(header->GetParentedRect(), { 0, 0, 100, 15 })) << Text(header->GetParentedRect());
    EXPECT_TRUE(Near(client->GetParentedRect(), { 0, 15, 100, 100 })) << Text(client->GetParentedRect());
    parent->Free();
}

TEST_F(VisualAlign, StretchedChildrenKeepTheirPlaceAcrossTheStretch)
{
    TwzVisualObject* parent = Make(nullptr, vaNone, { 0, 0, 100, 100 });
    TwzVisualObject* bar = Make(parent, vaHorizontal, { 0, 40, 10, 50 });
    bar->GetPadding()->SetTop(5);
    TwzVisualObject* column = Make(parent, vaVertical, { 60, 0, 70, 10 });
    column->GetPadding()->SetLeft(5);
    for (int i = 0; i < 3; ++i) {
        parent->SetWidth(100.0f + float(i));
        EXPECT_EQ(bar->GetPosition()->GetY(), 40);
        EXPECT_EQ(column->GetPosition()->GetX(), 60);
    }
    parent->Free();
}

TEST_F(VisualAlign, ChildrenAddedOrResizedBeforeTheParentHadAnyDoNotJump)
{
    // The parent was resized while it had no children; an anchor added afterwards stays put.
    TwzVisualObject* parent = Make(nullptr, vaNone, { 0, 0, 200, 100 });
    parent->SetWidth(300);
    TwzVisualObject* anchored = Make(parent, vaBottomRight, { 10, 10, 20, 20 });
    EXPECT_TRUE(Near(anchored->GetParentedRect(), { 10, 10, 20, 20 }));
    TwzVisualObject* scaled = Make(parent, vaScale, { 10, 10, 20, 20 });
    EXPECT_TRUE(Near(scaled->GetParentedRect(), { 10, 10, 20, 20 }));
    parent->SetWidth(600);
    EXPECT_TRUE(Near(anchored->GetParentedRect(), { 310, 10, 320, 20 }));
    EXPECT_TRUE(Near(scaled->GetParentedRect(), { 20, 10, 40, 20 }));
    parent->Free();
}

TEST_F(VisualAlign, LoadingDefersTheLayoutToTheAfterLoadStep)
{
    // A client child stored in a 120 x 60 parent, not yet laid out.
    TwzVisualObject* source = Make(nullptr, vaNone, { 0, 0, 120, 60 });
    source->DisableRealign();
    Make(source, vaClient, { 0, 0, 10, 10 });
    Make(source, vaBottomRight, { 100, 40, 110, 50 });
    source->EnableRealign();
    rtl::TMemoryStream stream;
    source->SaveObjectToStream(stream);

    // Read into an existing parent, which is loading meanwhile.
    TwzVisualObject* target = Make(nullptr, vaNone, { 0, 0, 10, 10 });
    stream.SetPosition(0);
    target->LoadObjectFromStream(stream);
    ASSERT_EQ(target->GetChildCount(), 2);
    EXPECT_TRUE(Near(target->GetChild(0)->AsVisual()->GetParentedRect(), { 0, 0, 120, 60 }));
    EXPECT_TRUE(Near(target->GetChild(1)->AsVisual()->GetParentedRect(), { 100, 40, 110, 50 }))
        << "the loaded size is the previous size: anchors stay";
    source->Free();
    target->Free();
}

} // namespace
