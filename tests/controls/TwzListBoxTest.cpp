// List box: the item layout in rows and columns, the current item by keys, mouse and index,
// multiple selection, sorting, check boxes, clearing and freeing items, the selection paint
// and streaming of the items.

#include "ScrollBoxTestSupport.h"

#include "controls/TwzListBox.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Types.h"

#include <limits>

using namespace scrollboxtest;
using platform::ui::ShiftFlag;
namespace vk = platform::ui::vk;

namespace {

const char* const kListStyles = R"(  object TwzLayout
    ResourceName = 'listboxstyle'
    object TwzBrushObject
      ResourceName = 'selection'
      Brush.Color = '#FF0000FF'
      Brush.Style = wzBrushSolid
    end
    object TwzLayout
      ResourceName = 'background'
      Align = vaContents
      object TwzLayout
        ResourceName = 'content'
        Align = vaClient
      end
      object TwzScrollBar
        ResourceName = 'vscrollbar'
        Align = vaRight
        Width = 10
        Orientation = wzVertical
      end
      object TwzScrollBar
        ResourceName = 'hscrollbar'
        Align = vaBottom
        Height = 10
      end
    end
  end
  object TwzLayout
    ResourceName = 'listboxitemstyle'
    object TwzCheckBox
      ResourceName = 'check'
      Align = vaLeft
      Width = 19
    end
    object TwzText
      ResourceName = 'text'
      Align = vaClient
      HitTest = False
    end
  end
)";

/// Records the list's reports: "change:<text of the sender item>" ("change:-" for none),
/// "check:<text>", and orders items by text backwards when asked to compare.
class TListLog : public rtl::TComponent {
    RTL_CLASS(TListLog, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;

    void Change(rtl::TObject* sender) { log.push_back("change:" + TextOf(sender)); }
    void ChangeCheck(rtl::TObject* sender) { log.push_back("check:" + TextOf(sender)); }
    void CompareBackwards(TwzListBoxItem* a, TwzListBoxItem* b, int32_t& result)
    {
        result = -a->GetText().compare(b->GetText());
    }

    static std::string TextOf(rtl::TObject* sender)
    {
        auto* item = dynamic_cast<TwzListBoxItem*>(sender);
        return item ? rtl::Utf16ToUtf8(item->GetText()) : "-";
    }

    std::vector<std::string> log;

protected:
    ~TListLog() override = default;
};

RTL_IMPLEMENT_CLASS(TListLog)

class ListBoxTest : public ScrollBoxTestBase {
protected:
    void SetUp() override
    {
        ScrollBoxTestBase::SetUp();
        SetSheet(kListStyles);
        events = new TListLog(form.get());
    }

    /// A styled list box of class T (left, top, right, bottom) holding items "0", "1", ...
    template <class T = TwzListBox> T* List(int items, TwzRect r = { 0, 0, 100, 100 })
    {
        auto* list = Add<T>(r);
        list->OnChange.template Bind<&TListLog::Change>(events);
        list->OnChangeCheck.template Bind<&TListLog::ChangeCheck>(events);
        for (int i = 0; i < items; ++i)
            AddItem(*list, std::to_string(i));
        return list;
    }

    TwzListBoxItem* AddItem(TwzListBox& list, const std::string& text)
    {
        auto* item = new TwzListBoxItem(form.get());
        item->SetText(rtl::Utf8ToUtf16(text));
        item->SetParent(&list);
        item->LoadStyle();
        return item;
    }

    static std::vector<std::string> Texts(TwzListBox& list)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < list.Count(); ++i)
            texts.push_back(rtl::Utf16ToUtf8(list.ItemByIndex(i)->GetText()));
        return texts;
    }

    TListLog* events = nullptr;
};

} // namespace

TEST_F(ListBoxTest, DefaultsAndRegistration)
{
    rtl::TOwned<TwzListBox> list(new TwzListBox(nullptr));
    EXPECT_EQ(list->GetItemIndex(), 0);
    EXPECT_TRUE(list->GetCanFocused());
    EXPECT_TRUE(list->GetHideSelectionUnfocused());
    EXPECT_EQ(list->GetColumns(), 1);
    EXPECT_EQ(list->GetWidth(), 100);
    EXPECT_EQ(list->GetSelectionBrush()->GetSolidColor(), 0x802A8ADFu);
    EXPECT_EQ(list->GetItemClassName(), "TwzListBoxItem");
    rtl::TOwned<TwzHorzListBox> horz(new TwzHorzListBox(nullptr));
    EXPECT_EQ(horz->GetListStyle(), wzListHorizontal);
    EXPECT_EQ(horz->GetResource(), "listboxstyle");
    rtl::TOwned<TwzListBoxItem> item(new TwzListBoxItem(nullptr));
    EXPECT_EQ(item->GetHeight(), 19);
    EXPECT_EQ(item->GetTextAlign(), wzTextAlignNear);
    EXPECT_FALSE(item->GetHitTest());

    auto inCategory = [](const char* category, const char* className) {
        for (const auto& entry : Object2DCategoryList()) {
            if (entry.category == category && entry.classInfo->name == std::string_view(className))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(inCategory("Lists", "TwzListBox"));
    EXPECT_TRUE(inCategory("Lists", "TwzHorzListBox"));
    EXPECT_TRUE(inCategory("Items", "TwzListBoxItem"));
}

TEST_F(ListBoxTest, VerticalRowsFillTheViewportAndTheFirstItemBecomesCurrent)
{
    auto* list = List(3);
    EXPECT_EQ(list->GetSelectionBrush()->GetSolidColor(), 0xFF0000FFu) << "taken from the style";
    ASSERT_EQ(list->Count(), 3);
    for (int i = 0; i < 3; ++i) {
        TwzListBoxItem* item = list->ItemByIndex(i);
        EXPECT_EQ(item->GetPosition()->GetPoint(), (TwzPoint { 0, 19.0f * i }));
        EXPECT_EQ(item->GetWidth(), 100);
    }
    EXPECT_TRUE(list->ItemByIndex(0)->GetIsSelected()) << "ItemIndex starts at 0";
    EXPECT_FALSE(list->GetVScrollBar()->GetVisible());

    // Ten rows overflow: the bar comes and the rows narrow to the viewport.
    for (int i = 3; i < 10; ++i)
        AddItem(*list, std::to_string(i));
    EXPECT_TRUE(list->GetVScrollBar()->GetVisible());
    EXPECT_EQ(list->GetVScrollBar()->GetMax(), 190);
    EXPECT_EQ(list->ItemByIndex(9)->GetWidth(), 90);
}

TEST_F(ListBoxTest, ItemWidthDecidesTheColumns)
{
    struct Case {
        float itemWidth;
        int32_t columnsSet;
        int32_t columns;
        bool horizontalBar;
    };
    // The viewport is 57 wide.
    const Case cases[]
        = { { 25, 5, 2, false }, { 25, 1, 2, false }, { 100, 3, 1, true }, { 57, 1, 1, false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.itemWidth);
        auto* list = List(3, { 0, 0, 57, 100 });
        list->SetColumns(c.columnsSet);
        list->SetItemWidth(c.itemWidth);
        EXPECT_EQ(list->GetColumns(), c.columns);
        EXPECT_EQ(list->GetHScrollBar()->GetVisible(), c.horizontalBar);
        EXPECT_EQ(list->ItemByIndex(1)->GetWidth(), c.itemWidth);
        if (c.columns == 2) {
            EXPECT_EQ(list->ItemByIndex(1)->GetPosition()->GetPoint(), (TwzPoint { 25, 0 }));
        }
        if (c.horizontalBar) {
            EXPECT_EQ(list->GetContent()->GetWidth(), 100);
        }
        list->Free();
    }
}

TEST_F(ListBoxTest, HorizontalListRunsColumnsOfItemsLeftToRight)
{
    // As the corner picker: 2 rows of 25 x 25 items, no scroll bars.
    auto* list = List<TwzHorzListBox>(0, { 0, 0, 100, 50 });
    list->SetShowScrollBars(false);
    list->SetItemWidth(25);
    list->SetItemHeight(25);
    for (int i = 0; i < 4; ++i)
        AddItem(*list, std::to_string(i));
    EXPECT_EQ(list->GetColumns(), 2);
    const TwzPoint expected[] = { { 0, 0 }, { 0, 25 }, { 25, 0 }, { 25, 25 } };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        TwzListBoxItem* item = list->ItemByIndex(i);
        EXPECT_EQ(item->GetPosition()->GetPoint(), expected[i]);
        EXPECT_EQ(item->GetWidth(), 25);
        EXPECT_EQ(item->GetHeight(), 25);
    }
    EXPECT_EQ(list->GetContent()->GetWidth(), 50) << "as wide as the columns";
    // Clicking selects; Down moves one column on (Columns items further).
    scene->InjectClick({ 30, 30 });
    EXPECT_EQ(list->GetItemIndex(), 3);
    list->SetItemIndex(0);
    list->FocusObject();
    scene->InjectKey(vk::kDown);
    EXPECT_EQ(list->GetItemIndex(), 2);

    // Wider items than the list: the content grows to the right and scrolls sideways.
    for (int i = 4; i < 10; ++i)
        AddItem(*list, std::to_string(i));
    EXPECT_EQ(list->GetContent()->GetWidth(), 125);
    EXPECT_TRUE(list->GetHScrollBar()->GetEnabled());
}

TEST_F(ListBoxTest, KeysMoveTheCurrentItemInTwoColumns)
{
    struct Case {
        int32_t from;
        uint16_t key;
        int32_t to;
    };
    const Case cases[] = {
        { 0, vk::kEnd, 4 },
        { 3, vk::kHome, 0 },
        { 3, vk::kDown, 4 }, // not past the last item
        { 1, vk::kUp, 0 }, // not before the first
        { 4, vk::kUp, 2 },
        { 0, vk::kDown, 2 },
        { 2, vk::kLeft, 1 },
        { 0, vk::kLeft, 0 },
        { 4, vk::kRight, 4 },
        { 2, vk::kRight, 3 },
    };
    auto* list = List(5);
    list->SetColumns(2);
    list->FocusObject();
    ASSERT_TRUE(list->GetIsFocused());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " key " << c.key);
        list->SetItemIndex(c.from);
        events->log.clear();
        EXPECT_EQ(scene->InjectKey(c.key), 0) << "a handled key is cleared, moved or not";
        EXPECT_EQ(list->GetItemIndex(), c.to);
        EXPECT_EQ(events->log.size(), c.from == c.to ? 0u : 1u);
        EXPECT_TRUE(list->ItemByIndex(c.to)->GetIsSelected());
        if (c.from != c.to) {
            EXPECT_FALSE(list->ItemByIndex(c.from)->GetIsSelected());
        }
    }
    EXPECT_EQ(scene->InjectKey(vk::kSpace), vk::kSpace) << "other keys are left alone";

    // An empty list leaves the keys alone.
    list->Clear();
    EXPECT_EQ(scene->InjectKey(vk::kEnd), vk::kEnd);
}

TEST_F(ListBoxTest, MouseSelectsAndADragFollowsThePointer)
{
    auto* list = List(4);
    events->log.clear();
    scene->InjectClick({ 50, 25 });
    EXPECT_EQ(list->GetItemIndex(), 1);
    EXPECT_EQ(events->log, (std::vector<std::string> { "change:1" }));
    EXPECT_TRUE(list->GetIsFocused());

    scene->InjectMouseDown({ 50, 5 }, TMouseButton::Left, { ShiftFlag::Left });
    scene->InjectMouseMove({ 50, 45 }, { ShiftFlag::Left });
    scene->InjectMouseMove({ 50, 65 }, { ShiftFlag::Left });
    scene->InjectMouseUp({ 50, 65 });
    EXPECT_EQ(list->GetItemIndex(), 3);
    EXPECT_EQ(events->log.back(), "change:3");
    // Without the button held a move selects nothing.
    scene->InjectMouseMove({ 50, 5 });
    EXPECT_EQ(list->GetItemIndex(), 3);
    // A click below the items keeps the current one.
    scene->InjectClick({ 50, 90 });
    EXPECT_EQ(list->GetItemIndex(), 3);
}

TEST_F(ListBoxTest, MultiSelectWithShiftAndCtrl)
{
    auto* list = List(8, { 0, 0, 100, 200 });
    scene->SetSize(200, 200);
    root->SetBounds(0, 0, 200, 200);
    list->SetMultiSelect(true);
    auto y = [](int index) { return 19.0f * index + 9; };
    scene->InjectClick({ 50, y(2) });
    scene->InjectMouseDown({ 50, y(5) }, TMouseButton::Left, { ShiftFlag::Shift });
    scene->InjectMouseUp({ 50, y(5) });
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(list->ItemByIndex(i)->GetIsSelected(), i >= 2 && i <= 5) << i;
    EXPECT_EQ(list->GetItemIndex(), 5);
    scene->InjectMouseDown({ 50, y(3) }, TMouseButton::Left, { ShiftFlag::Ctrl });
    scene->InjectMouseUp({ 50, y(3) });
    EXPECT_FALSE(list->ItemByIndex(3)->GetIsSelected());
    EXPECT_TRUE(list->ItemByIndex(4)->GetIsSelected());
    EXPECT_EQ(list->GetItemIndex(), 5);

    // A drag from an anchor selects the range to the pointer.
    scene->InjectMouseDown({ 50, y(1) }, TMouseButton::Left, { ShiftFlag::Left });
    scene->InjectMouseMove({ 50, y(3) }, { ShiftFlag::Left });
    scene->InjectMouseUp({ 50, y(3) });
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(list->ItemByIndex(i)->GetIsSelected(), i >= 1 && i <= 3) << i;
    EXPECT_EQ(list->GetItemIndex(), 3);
}

TEST_F(ListBoxTest, WithMouseTrackingAStillClickSelectsAndADragScrolls)
{
    auto* list = List(20);
    list->SetMouseTracking(true);
    list->SetAnimated(false);
    scene->InjectClick({ 50, 45 });
    EXPECT_EQ(list->GetItemIndex(), 2);
    scene->InjectMouseDown({ 50, 80 }, TMouseButton::Left, { ShiftFlag::Left });
    scene->InjectMouseMove({ 50, 40 }, { ShiftFlag::Left });
    scene->InjectMouseUp({ 50, 40 });
    EXPECT_EQ(list->GetVScrollBar()->GetValue(), 40);
    EXPECT_EQ(list->GetItemIndex(), 2) << "a drag scrolls without selecting";
}

TEST_F(ListBoxTest, ANewCurrentItemScrollsIntoView)
{
    auto* list = List(20);
    TwzScrollBar* bar = list->GetVScrollBar();
    list->SetItemIndex(15); // 285 ... 304
    EXPECT_EQ(bar->GetValue(), 204);
    EXPECT_EQ(list->GetContent()->GetPosition()->GetY(), -204);
    list->SetItemIndex(2); // 38 ... 57
    EXPECT_EQ(bar->GetValue(), 38);
    list->SetItemIndex(4);
    EXPECT_EQ(bar->GetValue(), 38) << "already in view";

    // An index that matches no item is kept, selects nothing and reports nil.
    events->log.clear();
    list->SetItemIndex(40);
    EXPECT_EQ(list->GetItemIndex(), 40);
    EXPECT_EQ(list->Selected(), nullptr);
    EXPECT_EQ(events->log, (std::vector<std::string> { "change:-" }));
    EXPECT_EQ(list->GetData(), rtl::TValue(std::u16string()));
}

TEST_F(ListBoxTest, SortedByTextOrByTheCompareEvent)
{
    auto* list = List(0);
    for (const char* text : { "b", "A", "c" })
        AddItem(*list, text);
    list->SetSorted(true);
    EXPECT_EQ(Texts(*list), (std::vector<std::string> { "A", "b", "c" }));
    EXPECT_EQ(list->ItemByIndex(0)->GetPosition()->GetY(), 0);
    list->OnCompare.Bind<&TListLog::CompareBackwards>(events);
    list->RealignChildren();
    EXPECT_EQ(Texts(*list), (std::vector<std::string> { "c", "b", "A" }));
}

TEST_F(ListBoxTest, FreeingItemsKeepsTheIndexInRangeAndClearIsQuiet)
{
    auto* list = List(3);
    list->SetItemIndex(2);
    events->log.clear();
    list->ItemByIndex(2)->Free();
    EXPECT_EQ(list->GetItemIndex(), 1);
    EXPECT_EQ(events->log, (std::vector<std::string> { "change:1" }));
    EXPECT_EQ(list->ItemByIndex(1)->GetPosition()->GetY(), 19) << "laid out again";

    for (int i = 0; i < 20; ++i)
        AddItem(*list, "x");
    list->GetVScrollBar()->SetValue(100);
    events->log.clear();
    list->Clear();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->GetItemIndex(), -1);
    EXPECT_TRUE(events->log.empty());
    EXPECT_EQ(list->GetVScrollOffset(), 0);
    EXPECT_EQ(list->GetUpdateCount(), 0);
    list->Clear();
    EXPECT_EQ(list->GetItemIndex(), -1);
}

TEST_F(ListBoxTest, CheckBoxesShowOnRequestAndReportTheirItem)
{
    auto* list = List(3);
    TwzListBoxItem* item = list->ItemByIndex(1);
    ASSERT_NE(item->GetCheckPart(), nullptr);
    EXPECT_FALSE(item->GetCheckPart()->GetVisible());
    list->SetShowCheckboxes(true);
    EXPECT_TRUE(item->GetCheckPart()->GetVisible());
    EXPECT_TRUE(AddItem(*list, "3")->GetCheckPart()->GetVisible()) << "a new item follows the list";

    events->log.clear();
    scene->InjectClick({ 9, 28 }); // the check part of item 1
    EXPECT_TRUE(item->GetIsChecked());
    EXPECT_TRUE(item->GetCheckPart()->GetIsChecked());
    EXPECT_EQ(list->GetItemIndex(), 1);
    EXPECT_TRUE(list->GetIsFocused());
    EXPECT_EQ(events->log, (std::vector<std::string> { "change:1", "check:1" }));
    scene->InjectClick({ 9, 28 });
    EXPECT_FALSE(item->GetIsChecked());

    item->SetIsChecked(true);
    EXPECT_TRUE(item->GetCheckPart()->GetIsChecked());
}

TEST_F(ListBoxTest, AnItemCheckedBeforeItsStyleShowsTheMark)
{
    // As an item read from a stream is: its state comes first, the style copy after.
    auto* list = List(1);
    auto* item = new TwzListBoxItem(form.get());
    item->SetIsChecked(true);
    item->SetParent(list);
    item->LoadStyle();
    ASSERT_NE(item->GetCheckPart(), nullptr);
    EXPECT_TRUE(item->GetCheckPart()->GetIsChecked());
    EXPECT_TRUE(item->GetIsChecked());
}

TEST_F(ListBoxTest, SelectionIsPaintedUnderTheCurrentItemWhileFocused)
{
    auto* list = List(3);
    list->SetItemIndex(1);
    TwzBitmap bitmap(200, 100);
    TwzCanvasGdiPlus canvas(&bitmap);
    scene->SetCanvas(&canvas);
    auto paint = [&] {
        bitmap.Clear(0);
        scene->AddUpdateRect({ 0, 0, 200, 100 });
        scene->PaintRoots();
    };
    auto pixel = [&](int x, int y) { return bitmap.GetScanline(y)[x]; };
    paint();
    const uint32_t plain = pixel(50, 28);
    EXPECT_EQ(plain, pixel(50, 9)) << "unfocused, the selection is hidden";
    list->FocusObject();
    paint();
    EXPECT_EQ(pixel(50, 28), 0xFF0000FFu);
    EXPECT_EQ(pixel(50, 9), plain);
    EXPECT_TRUE(list->ItemByIndex(1)->GetIsSelected());

    list->SetHideSelectionUnfocused(false);
    list->KillFocus();
    paint();
    EXPECT_EQ(pixel(50, 28), 0xFF0000FFu) << "kept when unfocused on request";
    scene->SetCanvas(nullptr);
}

TEST_F(ListBoxTest, DataIsTheCurrentItemsText)
{
    auto* list = List(2);
    list->SetItemIndex(1);
    EXPECT_EQ(list->GetData(), rtl::TValue(std::u16string(u"1")));
    list->SetData(rtl::TValue(std::u16string(u"one")));
    EXPECT_EQ(list->ItemByIndex(1)->GetText(), u"one");
}

TEST_F(ListBoxTest, ItemsStreamAsTheListsChildren)
{
    auto* list = List(2);
    list->ItemByIndex(0)->SetName("First");
    list->SetItemIndex(1);
    rtl::TMemoryStream stream;
    list->SaveObjectAsText(stream);
    const std::string text(
        reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.GetSize()));
    EXPECT_NE(text.find("object First: TwzListBoxItem"), std::string::npos) << text;
    stream.Seek(0, rtl::soFromBeginning);
    auto* copy = dynamic_cast<TwzListBox*>(Create2DObjectFromTextStream(form.get(), stream));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Count(), 2);
    EXPECT_EQ(copy->GetItemIndex(), 1);
    EXPECT_EQ(copy->GetChildCount(), 1) << "the items live in the content object";
}

TEST_F(ListBoxTest, SizesFromAHostileStreamStayUsable)
{
    auto* list = List(3);
    list->SetItemWidth(std::numeric_limits<float>::quiet_NaN());
    list->SetItemHeight(std::numeric_limits<float>::infinity());
    EXPECT_EQ(list->GetItemWidth(), 0);
    EXPECT_EQ(list->GetItemHeight(), 0);
    // More cells than an index can count: the columns stop at the largest index.
    list->SetItemWidth(1e-30f);
    EXPECT_EQ(list->GetColumns(), std::numeric_limits<int32_t>::max());
    list->FocusObject();
    list->SetItemIndex(1);
    scene->InjectKey(vk::kDown);
    EXPECT_EQ(list->GetItemIndex(), 2) << "a step of that many columns stops at the last item";
    list->SetItemWidth(-5);
    EXPECT_EQ(list->GetColumns(), 1);
    list->SetColumns(-3);
    EXPECT_EQ(list->GetColumns(), 1);
    scene->InjectKey(vk::kDown);
    EXPECT_EQ(list->Count(), 3);
}
