// The tree view: rows and their numbering, the item layout, expanding and collapsing, the
// selection rules (keys, mouse, multi-selection, hidden selected items), check boxes,
// sorting and the selection paint.

#include "ControlsTest.h"

#include "controls/TwzTreeView.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "platform/ui/Types.h"

using namespace controlstest;
using platform::ui::ShiftFlag;
namespace vk = platform::ui::vk;

namespace {

class TreeViews : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        scene->SetSize(200, 100);
        tree = Add<TwzTreeView>("tree", { 0, 0, 200, 100 });
        tree->OnChange = form->ChangeHandler();
    }

    /// An item named `name` with `text`, added to `parent` (the tree by default).
    TwzTreeViewItem* Item(const std::string& name, TwzObject* parent = nullptr, const char16_t* text = u"")
    {
        auto* item = new TwzTreeViewItem(form.get());
        item->SetName(name);
        item->SetText(text);
        item->SetParent(parent ? parent : tree);
        item->LoadStyle();
        return item;
    }
    TwzTreeViewItem* Named(const std::string& name)
    {
        return dynamic_cast<TwzTreeViewItem*>(form->FindComponent(name));
    }
    /// The names of the rows, in row order, by ItemByVisibleIndex.
    std::string Rows()
    {
        std::string rows;
        for (int32_t i = 0; i < tree->GetRowCount(); ++i) {
            TwzTreeViewItem* item = tree->ItemByVisibleIndex(i);
            rows += (rows.empty() ? "" : " ") + (item ? item->GetName() : std::string("?"));
        }
        return rows;
    }
    /// Three top-level items; the second has two children, the first child one grandchild.
    void BuildSample()
    {
        Item("a");
        TwzTreeViewItem* b = Item("b");
        TwzTreeViewItem* b1 = Item("b1", b);
        Item("b2", b);
        Item("b1x", b1);
        Item("c");
        b->SetIsExpanded(true);
    }
    uint16_t Key(uint16_t key) { return scene->InjectKey(key); }

    TwzTreeView* tree = nullptr;
};

} // namespace

TEST_F(TreeViews, AnEmptyTreeLeavesKeysAloneAndIsOneHigh)
{
    EXPECT_EQ(tree->GetCount(), 0);
    EXPECT_EQ(tree->GetItemClassName(), "TwzTreeViewItem");
    tree->FocusObject();
    EXPECT_EQ(Key(vk::kDown), vk::kDown) << "not handled";
    ASSERT_NE(tree->GetContent(), nullptr);
    EXPECT_FLOAT_EQ(tree->GetContent()->GetHeight(), 1);
    EXPECT_EQ(tree->ItemByPoint(10, 5), nullptr);
}

TEST_F(TreeViews, RowsAreNumberedDepthFirstAndChildrenIndented)
{
    BuildSample();
    EXPECT_EQ(Rows(), "a b b1 b2 c") << "b1 is collapsed: its child is no row";
    EXPECT_EQ(tree->GetCount(), 3);
    EXPECT_EQ(Named("b")->GetCount(), 2);
    EXPECT_EQ(Named("b1x")->Level(), 2);
    EXPECT_EQ(Named("b1")->TreeView(), tree);
    EXPECT_EQ(Named("b1")->GetItemClassName(), "TwzTreeViewItem");

    const TwzRect b = tree->GetItemRect(Named("b"));
    const TwzRect b1 = tree->GetItemRect(Named("b1"));
    const TwzRect c = tree->GetItemRect(Named("c"));
    EXPECT_FLOAT_EQ(b.Top, 19);
    EXPECT_FLOAT_EQ(b1.Left, 19);
    EXPECT_FLOAT_EQ(b1.Top, 38);
    EXPECT_FLOAT_EQ(b1.Right - b1.Left, (b.Right - b.Left) - 19);
    EXPECT_FLOAT_EQ(c.Top, 76);
    EXPECT_FLOAT_EQ(tree->GetContent()->GetHeight(), 95) << "as tall as the rows";
    EXPECT_FALSE(Named("b1x")->GetVisible());
    EXPECT_EQ(tree->GetItemRect(nullptr).Right, 0);

    // The expander button shows only on items with child items.
    ASSERT_NE(Named("b")->GetButtonPart(), nullptr);
    EXPECT_TRUE(Named("b")->GetButtonPart()->GetVisible());
    EXPECT_FALSE(Named("a")->GetButtonPart()->GetVisible());

    // Hit tests find shown items at any depth, in tree coordinates.
    const TwzPoint viewport = tree->GetContentPart()->GetPosition()->GetPoint();
    EXPECT_EQ(tree->ItemByPoint(viewport.X + 50, viewport.Y + 45), Named("b1"));
    EXPECT_EQ(tree->ItemByPoint(viewport.X + 50, viewport.Y + 80), Named("c"));
}

TEST_F(TreeViews, CollapsingHidesEveryDescendantAndExpandingRestoresThem)
{
    BuildSample();
    Named("b1")->SetIsExpanded(true);
    EXPECT_EQ(Rows(), "a b b1 b1x b2 c");
    Named("b")->SetIsExpanded(false);
    EXPECT_EQ(Rows(), "a b c");
    for (const char* name : { "b1", "b1x", "b2" }) {
        EXPECT_FALSE(Named(name)->GetVisible()) << name;
        EXPECT_FLOAT_EQ(Named(name)->GetOpacity(), 0) << name;
    }
    Named("b")->SetIsExpanded(true);
    EXPECT_EQ(Rows(), "a b b1 b1x b2 c") << "the grandchild as b1 left it";
    EXPECT_TRUE(Named("b1x")->GetVisible());

    // The expander button toggles.
    ClickAt(Named("b")->LocalToAbsolute({ 9, 9 }));
    EXPECT_FALSE(Named("b")->GetIsExpanded());
}

TEST_F(TreeViews, KeysWalkTheRowsAndClearTheKeysTheyKnow)
{
    BuildSample();
    tree->FocusObject();
    tree->SetSelected(Named("a"));
    form->log.clear();
    struct Case {
        uint16_t key;
        const char* selected;
        bool cleared;
    };
    const Case cases[] = {
        { vk::kUp, "a", true }, // row 0: nothing changes, still cleared
        { vk::kDown, "b", true }, { vk::kDown, "b1", true }, { vk::kEnd, "c", true },
        { vk::kDown, "c", true }, // the last row
        { vk::kHome, "a", true }, { vk::kLeft, "a", false }, // not a tree key
        { vk::kAdd, "a", true }, // an item without children: stored, no button
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(Key(c.key) == 0, c.cleared);
        EXPECT_EQ(tree->GetSelected(), Named(c.selected));
    }
    EXPECT_TRUE(Named("a")->GetIsExpanded());
    EXPECT_FALSE(Named("a")->GetButtonPart()->GetVisible());
    EXPECT_EQ(form->log.size(), 4u) << "b, b1, c (End), a (Home)";

    tree->SetSelected(Named("b"));
    Key(vk::kSubtract);
    EXPECT_FALSE(Named("b")->GetIsExpanded());
    EXPECT_EQ(Rows(), "a b c");
}

TEST_F(TreeViews, SelectingAHiddenItemOpensItsAncestorsAndScrollsItIntoView)
{
    for (int i = 0; i < 6; ++i)
        Item("top" + std::to_string(i));
    TwzTreeViewItem* outer = Item("outer");
    TwzTreeViewItem* inner = Item("inner", outer);
    TwzTreeViewItem* leaf = Item("leaf", inner);
    tree->RealignChildren(); // child items join their parent item, not the tree
    EXPECT_FALSE(leaf->GetVisible());

    tree->SetSelected(leaf);
    EXPECT_EQ(tree->GetSelected(), leaf) << "two collapsed ancestors: the item stays selected";
    EXPECT_TRUE(leaf->GetIsSelected());
    EXPECT_TRUE(outer->GetIsExpanded());
    EXPECT_TRUE(inner->GetIsExpanded());
    EXPECT_TRUE(leaf->GetVisible());
    const TwzPoint p = tree->GetContentPart()->AbsoluteToLocal(leaf->LocalToAbsolute({ 0, 0 }));
    EXPECT_GE(p.Y, 0);
    EXPECT_LE(p.Y + leaf->GetHeight(), tree->GetContentPart()->GetHeight() + 0.01F);
    EXPECT_GT(tree->GetVScrollOffset(), 0);

    // Collapsing the parent of the selected item hands the selection to it, with an event.
    form->log.clear();
    inner->SetIsExpanded(false);
    EXPECT_EQ(tree->GetSelected(), inner);
    EXPECT_FALSE(leaf->GetIsSelected());
    EXPECT_EQ(form->log, std::vector<std::string> { "change:tree" });
    // ... also over several levels.
    outer->SetIsExpanded(false);
    EXPECT_EQ(tree->GetSelected(), outer);
}

TEST_F(TreeViews, SetSelectedRaisesOnlyOnChangesAndFreedItemsLeaveNoSelection)
{
    BuildSample();
    tree->SetSelected(Named("a"));
    tree->SetSelected(Named("a"));
    EXPECT_EQ(form->log.size(), 1u);
    tree->SetSelected(nullptr);
    EXPECT_FALSE(Named("a")->GetIsSelected());
    EXPECT_EQ(form->log.size(), 2u) << "null raises too";

    tree->SetSelected(Named("c"));
    Named("c")->Free();
    EXPECT_EQ(tree->GetSelected(), nullptr);
    EXPECT_EQ(form->log.size(), 3u) << "no event for a freed item";

    tree->SetSelected(Named("b2"));
    tree->Clear();
    EXPECT_EQ(tree->GetCount(), 0);
    EXPECT_EQ(tree->GetSelected(), nullptr);
    EXPECT_EQ(tree->GetRowCount(), 0);
    EXPECT_EQ(form->log.size(), 4u);
}

TEST_F(TreeViews, MultiSelectionWithShiftAndCtrl)
{
    tree->SetMultiSelect(true);
    for (int i = 0; i < 8; ++i)
        Item("r" + std::to_string(i));
    const TwzPoint viewport = tree->LocalToAbsolute(tree->GetContentPart()->GetPosition()->GetPoint());
    auto rowPoint = [&](int row) {
        return TwzPoint { viewport.X + 60, viewport.Y + 19.0F * static_cast<float>(row) + 9 };
    };
    auto selectedRows = [&] {
        std::string rows;
        for (int i = 0; i < 8; ++i)
            rows += Named("r" + std::to_string(i))->GetIsSelected() ? '1' : '0';
        return rows;
    };
    ClickAt(rowPoint(2));
    EXPECT_EQ(selectedRows(), "00100000");
    scene->InjectMouseDown(rowPoint(4), TMouseButton::Left, { ShiftFlag::Shift });
    scene->InjectMouseUp(rowPoint(4));
    EXPECT_EQ(selectedRows(), "00111000");
    EXPECT_EQ(tree->GetSelected(), Named("r4"));
    scene->InjectMouseDown(rowPoint(3), TMouseButton::Left, { ShiftFlag::Ctrl });
    scene->InjectMouseUp(rowPoint(3));
    EXPECT_EQ(selectedRows(), "00101000");
    EXPECT_EQ(tree->GetSelected(), Named("r4")) << "Ctrl toggles without moving Selected";
    ClickAt(rowPoint(0));
    EXPECT_EQ(selectedRows(), "10000000");

    // Keys add rows to the selection.
    tree->FocusObject();
    Key(vk::kDown);
    EXPECT_EQ(selectedRows(), "11000000");
}

TEST_F(TreeViews, ADragWithTheButtonHeldExtendsTheSelection)
{
    for (int i = 0; i < 6; ++i)
        Item("r" + std::to_string(i));
    const TwzPoint viewport = tree->LocalToAbsolute(tree->GetContentPart()->GetPosition()->GetPoint());
    auto rowPoint = [&](int row) {
        return TwzPoint { viewport.X + 60, viewport.Y + 19.0F * static_cast<float>(row) + 9 };
    };
    auto selectedRows = [&] {
        std::string rows;
        for (int i = 0; i < 6; ++i)
            rows += Named("r" + std::to_string(i))->GetIsSelected() ? '1' : '0';
        return rows;
    };
    const TShiftState held { ShiftFlag::Left };
    const TShiftState heldCtrl { ShiftFlag::Left, ShiftFlag::Ctrl };
    struct Case {
        const char* name;
        bool multiSelect;
        int pressRow;
        std::vector<int> moves;
        TShiftState shift;
        const char* rows;
        const char* selected;
    };
    const Case cases[] = {
        { "single: the row under the pointer follows", false, 1, { 2, 4 }, held, "000010", "r4" },
        { "multi: press row to pointer row", true, 1, { 2, 4 }, held, "011110", "r4" },
        { "multi: back towards the press shrinks the range", true, 4, { 2, 1, 3 }, held, "000110", "r3" },
        { "multi with Ctrl: each row entered toggles", true, 0, { 2, 3 }, heldCtrl, "101100", "r3" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tree->SetMultiSelect(c.multiSelect);
        ClickAt(rowPoint(5));
        scene->InjectMouseDown(rowPoint(c.pressRow), TMouseButton::Left, {});
        for (int row : c.moves)
            scene->InjectMouseMove(rowPoint(row), c.shift);
        scene->InjectMouseUp(rowPoint(c.moves.back()));
        if (c.multiSelect) {
            EXPECT_EQ(selectedRows(), c.rows);
        }
        EXPECT_EQ(tree->GetSelected(), Named(c.selected));
    }

    // Without a press, or with mouse tracking (a drag scrolls), moving selects nothing.
    tree->SetMultiSelect(true);
    ClickAt(rowPoint(0));
    scene->InjectMouseMove(rowPoint(3), held);
    EXPECT_EQ(selectedRows(), "100000");
    tree->SetMouseTracking(true);
    scene->InjectMouseDown(rowPoint(0), TMouseButton::Left, {});
    scene->InjectMouseMove(rowPoint(3), held);
    scene->InjectMouseUp(rowPoint(3));
    EXPECT_EQ(tree->GetSelected(), Named("r0"));
}

TEST_F(TreeViews, ACheckBoxClickChecksSelectsAndReports)
{
    BuildSample();
    tree->OnChangeCheck = form->ClickHandler();
    tree->SetShowCheckboxes(true);
    for (const char* name : { "a", "b1", "b1x" }) {
        ASSERT_NE(Named(name)->GetCheckPart(), nullptr) << name;
        EXPECT_TRUE(Named(name)->GetCheckPart()->GetVisible()) << "every depth, hidden or not: " << name;
    }
    TwzCheckBox* check = Named("b1")->GetCheckPart();
    ClickAt(check->LocalToAbsolute({ check->GetWidth() / 2, check->GetHeight() / 2 }));
    EXPECT_TRUE(Named("b1")->GetIsChecked());
    EXPECT_TRUE(check->GetIsChecked());
    EXPECT_TRUE(tree->GetIsFocused());
    EXPECT_EQ(tree->GetSelected(), Named("b1"));
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:tree", "click:b1" }));

    // The writer raises no tree event; the part follows.
    Named("a")->SetIsChecked(true);
    EXPECT_TRUE(Named("a")->GetCheckPart()->GetIsChecked());
    EXPECT_EQ(form->log.size(), 2u);
}

TEST_F(TreeViews, SortingOrdersTheTopLevelOnly)
{
    TwzTreeViewItem* b = Item("b", nullptr, u"b");
    Item("A", nullptr, u"A");
    Item("c", nullptr, u"c");
    Item("z", b, u"z");
    Item("y", b, u"y");
    b->SetIsExpanded(true);
    tree->SetSorted(true);
    EXPECT_EQ(Rows(), "A b z y c");
    tree->FocusObject();
    tree->SetSelected(Named("A"));
    Key(vk::kDown);
    EXPECT_EQ(tree->GetSelected(), b);
    Key(vk::kEnd);
    EXPECT_EQ(tree->GetSelected(), Named("c"));

    // An OnCompare handler decides instead.
    struct Reverse : rtl::TObject {
        void Compare(TwzTreeViewItem* a, TwzTreeViewItem* b, int32_t& result)
        {
            result = -a->GetText().compare(b->GetText());
        }
    } reverse;
    tree->OnCompare.Bind<&Reverse::Compare>(&reverse);
    tree->RealignChildren();
    EXPECT_EQ(Rows(), "c b z y A");
    tree->OnCompare = {};
}

TEST_F(TreeViews, ItemHeightAndPaddingSetTheRows)
{
    TwzTreeViewItem* a = Item("a");
    TwzTreeViewItem* b = Item("b");
    EXPECT_FLOAT_EQ(tree->GetItemRect(b).Top, 19);
    tree->SetItemHeight(25);
    a->GetPadding()->SetRect({ 0, 2, 0, 3 });
    tree->RealignChildren();
    EXPECT_FLOAT_EQ(a->GetHeight(), 25);
    EXPECT_FLOAT_EQ(tree->GetItemRect(a).Top, 2);
    EXPECT_FLOAT_EQ(tree->GetItemRect(b).Top, 30);
}

TEST_F(TreeViews, TheSelectionIsPaintedOnlyWhileFocused)
{
    BuildSample();
    tree->SetSelected(Named("b"));
    const TwzPoint p = Named("b")->LocalToAbsolute({ 150, 9 });
    const auto px = [&] {
        Settle();
        PaintAll();
        return Pixel(static_cast<int>(p.X), static_cast<int>(p.Y));
    };
    const uint32_t unfocused = px();
    tree->FocusObject();
    const uint32_t focused = px();
    EXPECT_NE(focused, unfocused) << "the selection fill shows with the focus";
    root->FocusObject();
    tree->KillFocus();
    EXPECT_EQ(px(), unfocused);
    EXPECT_TRUE(Named("b")->GetIsSelected());
    tree->SetHideSelectionUnfocused(false);
    EXPECT_EQ(px(), focused);
}
