// The tab control: numbering and placing the headers, showing the current tab's page,
// selecting by ItemIndex and by the mouse, hidden tabs, freed pages, painting the current
// header last, and a stored form read back.

#include "ControlsTest.h"

#include "controls/TwzLayouts.h"
#include "controls/TwzTabControl.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"
#include "ui2d/TwzShape.h"

using namespace controlstest;

namespace {

class TabControls : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        scene->SetSize(200, 100);
    }

    /// A tab control at (0, 0, 200, 100) with `count` tabs, each with a page.
    TwzTabControl* AddTabs(int count, bool pages = true)
    {
        auto* tabs = Add<TwzTabControl>("tabs", { 0, 0, 200, 100 });
        for (int i = 0; i < count; ++i) {
            auto* item = new TwzTabItem(form.get());
            item->SetName("tab" + std::to_string(i));
            item->SetWidth(50);
            if (pages) {
                auto* page = new TwzLayout(form.get());
                page->SetName("page" + std::to_string(i));
                page->SetParent(tabs);
                item->SetLayout(page);
            }
            item->SetParent(tabs);
            item->LoadStyle();
        }
        tabs->OnChange = form->ChangeHandler();
        return tabs;
    }

    TwzTabItem* Item(TwzTabControl&, int i)
    {
        return dynamic_cast<TwzTabItem*>(form->FindComponent("tab" + std::to_string(i)));
    }
    TwzVisualObject* Page(int i)
    {
        return dynamic_cast<TwzVisualObject*>(form->FindComponent("page" + std::to_string(i)));
    }
    /// "1" for each shown page, "0" for each hidden one.
    std::string Shown(int count)
    {
        std::string shown;
        for (int i = 0; i < count; ++i)
            shown += Page(i)->GetVisible() ? '1' : '0';
        return shown;
    }
};

} // namespace

TEST_F(TabControls, ItemIndexShowsOnePageAndSelectsOneHeader)
{
    TwzTabControl* tabs = AddTabs(3);
    EXPECT_EQ(tabs->GetItemIndex(), -1);
    EXPECT_EQ(Shown(3), "000") << "no current tab: every page hidden";
    EXPECT_EQ(tabs->GetItemClassName(), "TwzTabItem");

    struct Case {
        int32_t index;
        const char* shown;
        int selected; // -1: none
        size_t changes;
    };
    const Case cases[] = {
        { 1, "010", 1, 1 },
        { 1, "010", 1, 1 }, // the same value: nothing, no event
        { 2, "001", 2, 2 },
        { 7, "000", -1, 3 }, // no tab has it: every page hidden, still an event
        { 0, "100", 0, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        tabs->SetItemIndex(c.index);
        EXPECT_EQ(Shown(3), c.shown);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Item(*tabs, i)->GetIsSelected(), i == c.selected) << i;
        EXPECT_EQ(form->log.size(), c.changes);
    }
    EXPECT_EQ(form->log.back(), "change:tabs");

    // The shown page fills the area below the header, inside the control's margins.
    tabs->GetMargins()->SetRect({ 3, 4, 5, 6 });
    tabs->SetHeight(101);
    TwzVisualObject* page = Page(0);
    EXPECT_FLOAT_EQ(page->GetPosition()->GetX(), 3);
    EXPECT_FLOAT_EQ(page->GetPosition()->GetY(), 20 + 4);
    EXPECT_FLOAT_EQ(page->GetWidth(), 200 - 3 - 5);
    EXPECT_FLOAT_EQ(page->GetHeight(), 101 - 20 - 4 - 6);
    EXPECT_TRUE(page->GetClipChildren());
    EXPECT_EQ(tabs->Children().back(), page) << "the shown page comes last";
}

TEST_F(TabControls, HeadersAreNumberedAndPlacedInARow)
{
    TwzTabControl* tabs = AddTabs(3, false);
    ASSERT_NE(tabs->GetBackgroundPart(), nullptr);
    EXPECT_FLOAT_EQ(tabs->GetBackgroundPart()->GetMargins()->GetLeft(), 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Item(*tabs, i)->GetTabIndex(), i);
        EXPECT_FLOAT_EQ(Item(*tabs, i)->GetPosition()->GetX(), 50.0F * static_cast<float>(i));
        EXPECT_FLOAT_EQ(Item(*tabs, i)->GetHeight(), 20);
    }
    // The style frames the area under the row.
    TwzVisualObject* style = tabs->GetAppliedStyle();
    ASSERT_NE(style, nullptr);
    EXPECT_FLOAT_EQ(style->GetPosition()->GetY(), 20);
    EXPECT_FLOAT_EQ(style->GetHeight(), 80);

    struct Case {
        float width, itemHeight;
        bool fullSize;
        float headerWidth, headerHeight, styleTop;
    };
    const Case cases[] = {
        { 200, 0, false, 50, 20, 20 },
        { 300, 30, false, 50, 30, 30 },
        { 300, 30, true, 296.0F / 3, 30, 30 },
        // Back to 0: the row takes the tallest header, which the 30 row left 30 tall.
        { 300, 0, true, 296.0F / 3, 30, 30 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.itemHeight);
        tabs->SetWidth(c.width);
        tabs->SetItemHeight(c.itemHeight);
        tabs->SetFullSize(c.fullSize);
        for (int i = 0; i < 3; ++i) {
            EXPECT_FLOAT_EQ(Item(*tabs, i)->GetWidth(), c.headerWidth);
            EXPECT_FLOAT_EQ(Item(*tabs, i)->GetHeight(), c.headerHeight);
            EXPECT_FLOAT_EQ(Item(*tabs, i)->GetPosition()->GetX(), c.headerWidth * static_cast<float>(i));
        }
        EXPECT_FLOAT_EQ(style->GetPosition()->GetY(), c.styleTop);
    }

    // Vertical padding counts into the row height and comes off the header's.
    tabs->SetItemHeight(30);
    tabs->SetFullSize(false);
    Item(*tabs, 1)->GetPadding()->SetRect({ 0, 2, 0, 3 });
    tabs->SetItemHeight(0);
    EXPECT_FLOAT_EQ(style->GetPosition()->GetY(), 30) << "2 + 25 + 3: the height the 30 row left it";
    EXPECT_FLOAT_EQ(Item(*tabs, 1)->GetPosition()->GetY(), 2);
    EXPECT_FLOAT_EQ(Item(*tabs, 1)->GetHeight(), 25);
}

TEST_F(TabControls, FullSizeWithoutVisibleTabsDividesNothing)
{
    TwzTabControl* tabs = AddTabs(1, false);
    Item(*tabs, 0)->SetVisible(false);
    tabs->SetFullSize(true);
    EXPECT_FLOAT_EQ(Item(*tabs, 0)->GetWidth(), 50) << "a hidden header is not placed";
    EXPECT_FLOAT_EQ(tabs->GetAppliedStyle()->GetPosition()->GetY(), 0) << "an empty row";
}

TEST_F(TabControls, AReleaseOfTheLeftButtonOnAHeaderSelectsIt)
{
    TwzTabControl* tabs = AddTabs(3);
    scene->InjectMouseDown({ 75, 10 });
    EXPECT_EQ(tabs->GetItemIndex(), -1) << "a press alone selects nothing";
    scene->InjectMouseUp({ 75, 10 });
    EXPECT_EQ(tabs->GetItemIndex(), 1);
    EXPECT_EQ(Shown(3), "010");

    scene->InjectClick({ 125, 10 }, TMouseButton::Right);
    EXPECT_EQ(tabs->GetItemIndex(), 1) << "the right button never selects";
    ClickAt({ 125, 10 });
    EXPECT_EQ(tabs->GetItemIndex(), 2);
    ClickAt({ 180, 10 });
    EXPECT_EQ(tabs->GetItemIndex(), 2) << "beyond the last header";
}

TEST_F(TabControls, AHiddenTabLeavesTheRowAtTheNextRealignment)
{
    TwzTabControl* tabs = AddTabs(3);
    tabs->SetItemIndex(0);
    Item(*tabs, 1)->SetVisible(false);
    EXPECT_FLOAT_EQ(Item(*tabs, 2)->GetPosition()->GetX(), 100) << "hiding alone moves nothing";
    tabs->SetWidth(201);
    EXPECT_FLOAT_EQ(Item(*tabs, 2)->GetPosition()->GetX(), 50);
    EXPECT_EQ(Item(*tabs, 2)->GetTabIndex(), 1) << "renumbered";
    EXPECT_EQ(Item(*tabs, 1)->GetTabIndex(), 1) << "the hidden tab keeps its index";
    EXPECT_FALSE(Page(1)->GetVisible());

    // ItemByIndex finds the first child with the index, hidden or not.
    EXPECT_EQ(tabs->ItemByIndex(1), Item(*tabs, 1));
    tabs->SetItemIndex(1);
    EXPECT_TRUE(Item(*tabs, 1)->GetIsSelected());
    EXPECT_FALSE(Page(1)->GetVisible()) << "a hidden tab's page keeps its visibility";
    EXPECT_TRUE(Page(2)->GetVisible()) << "the visible tab numbered 1 shows its page";
}

TEST_F(TabControls, AFreedPageClearsItsTabAndATabWithoutPageCanBeCurrent)
{
    TwzTabControl* tabs = AddTabs(2);
    tabs->SetItemIndex(1);
    Page(1)->Free();
    EXPECT_EQ(Item(*tabs, 1)->GetLayout(), nullptr);
    tabs->SetItemIndex(0);
    tabs->SetItemIndex(1);
    EXPECT_TRUE(Item(*tabs, 1)->GetIsSelected());
    EXPECT_FALSE(Page(0)->GetVisible());

    // A designer inserting a tab gets a fresh page for it.
    auto* item = new TwzTabItem(form.get());
    item->SetParent(tabs);
    item->DesignInsert();
    ASSERT_NE(item->GetLayout(), nullptr);
    EXPECT_EQ(item->GetLayout()->GetParent(), tabs);
    item->DesignSelect();
    EXPECT_EQ(tabs->GetItemIndex(), 2);
    EXPECT_TRUE(item->GetLayout()->GetVisible());
    EXPECT_EQ(item->GetLayout()->GetName(), "") << "without a designer hook the page stays unnamed";

    // With a form designer's hook the new page takes the name the designer makes up.
    struct NamingDesigner : ui2d::SceneDesignerHook {
        std::string UniqueName(rtl::TComponent*, const std::string& baseName) override
        {
            return baseName + "7";
        }
    } designer;
    SceneDesigner = &designer;
    auto* named = new TwzTabItem(form.get());
    named->SetParent(tabs);
    named->DesignInsert();
    SceneDesigner = nullptr;
    ASSERT_NE(named->GetLayout(), nullptr);
    EXPECT_EQ(named->GetLayout()->GetName(), "TwzLayout7");
}

TEST_F(TabControls, TheCurrentHeaderIsPaintedOverEveryOtherChild)
{
    TwzTabControl* tabs = AddTabs(2, false);
    // A red square added after the headers, over the second header.
    auto* cover = new TwzRectangle(form.get());
    cover->GetFill()->SetStyle(wzBrushSolid);
    cover->GetFill()->SetSolidColor(0xFFFF0000);
    cover->GetStroke()->SetStyle(wzBrushNone);
    cover->SetBounds(50, 0, 50, 20);
    cover->SetParent(tabs);
    tabs->SetItemIndex(0);
    Settle();
    PaintAll();
    EXPECT_EQ(Pixel(75, 12), 0xFFFF0000u) << "a header that is not current lies under it";
    tabs->SetItemIndex(1);
    Settle();
    PaintAll();
    EXPECT_NE(Pixel(75, 12), 0xFFFF0000u) << "the current header is painted last";
    EXPECT_TRUE(Item(*tabs, 1)->GetVisible()) << "and shown again after painting";
}

TEST_F(TabControls, AnIndexSetBeforeTheTabsExistShowsItsTabOnceTheyArrive)
{
    // A stored form writes ItemIndex and each tab's page by name; the index is read
    // before the children.
    TwzTabControl* stored = AddTabs(3);
    stored->SetItemIndex(2);
    form->SetName("Form1");
    rtl::TMemoryStream text;
    stored->SaveObjectAsText(text);
    const std::string saved(
        reinterpret_cast<const char*>(text.Memory()), static_cast<size_t>(text.GetSize()));
    EXPECT_NE(saved.find("ItemIndex = 2"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Layout = Form1.page1"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("IsSelected"), std::string::npos) << "read-only, never stored";
    stored->Free();

    auto* tabs = Add<TwzTabControl>("tabs", { 0, 0, 200, 100 });
    tabs->SetItemIndex(2);
    for (int i = 0; i < 3; ++i) {
        auto* page = new TwzLayout(form.get());
        page->SetName("page" + std::to_string(i));
        page->SetParent(tabs);
        auto* item = new TwzTabItem(form.get());
        item->SetName("tab" + std::to_string(i));
        item->SetLayout(page);
        item->SetParent(tabs);
    }
    EXPECT_EQ(Shown(3), "001") << "each added tab realigns the control";
    for (int i = 0; i < 3; ++i) {
        Item(*tabs, i)->LoadStyle();
        EXPECT_EQ(Item(*tabs, i)->GetIsSelected(), i == 2) << "the style shows the state";
    }
}

TEST_F(TabControls, HudFormsUseTheirOwnStyles)
{
    auto* tabs = Add<TwzHudTabControl>("hud", { 0, 0, 200, 100 });
    EXPECT_EQ(tabs->GetItemClassName(), "TwzHudTabItem");
    ASSERT_NE(tabs->GetAppliedStyle(), nullptr);
    EXPECT_EQ(tabs->GetAppliedStyle()->GetResourceName(), "hudtabcontrolstyle");
    auto* item = Add<TwzHudTabItem>("huditem", { 0, 0, 80, 20 }, tabs);
    ASSERT_NE(item->GetAppliedStyle(), nullptr);
    EXPECT_EQ(item->GetAppliedStyle()->GetResourceName(), "hudtabitemstyle");
    EXPECT_NE(Part(*item, "text"), nullptr);
}

TEST_F(TabControls, TheSelectedHeaderIsRecolouredAndRaisedByItsStyle)
{
    TwzTabControl* tabs = AddTabs(2, false);
    // The header's frame: the shape its look starts with.
    ASSERT_NE(Item(*tabs, 0)->GetAppliedStyle(), nullptr);
    auto* frame = dynamic_cast<TwzShape*>(Item(*tabs, 0)->GetAppliedStyle()->GetChild(0));
    ASSERT_NE(frame, nullptr);
    tabs->SetItemIndex(0);
    Settle();
    const TwzColor selected = frame->GetFill()->GetSolidColor();
    const float raisedTop = frame->GetPadding()->GetTop();
    tabs->SetItemIndex(1);
    Settle();
    EXPECT_NE(frame->GetFill()->GetSolidColor(), selected);
    EXPECT_GT(frame->GetPadding()->GetTop(), raisedTop) << "the selected header stands higher";
}
