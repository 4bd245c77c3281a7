// Combo boxes and string lists: defaults and registration, dropping the list down and picking
// from it, keys and wheel, OnChange on every index set, the face painting the current item,
// streaming the items as the combo box's own, and the rebuilds of the string boxes.

#include "ScrollBoxTestSupport.h"

#include "controls/TwzComboBox.h"
#include "controls/TwzLayouts.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Types.h"
#include "ui2d/TwzContent.h"
#include "ui2d/TwzPopup.h"

using namespace scrollboxtest;
namespace vk = platform::ui::vk;

namespace {

const char* const kComboStyles = R"(  object TwzLayout
    ResourceName = 'comboboxstyle'
    object TwzContent
      ResourceName = 'Content'
      Align = vaClient
    end
  end
  object TwzLayout
    ResourceName = 'combolistboxstyle'
    object TwzBrushObject
      ResourceName = 'selection'
      Brush.Color = '#FF0000FF'
      Brush.Style = wzBrushSolid
    end
    object TwzLayout
      ResourceName = 'content'
      Align = vaClient
    end
  end
  object TwzLayout
    ResourceName = 'listboxstyle'
    object TwzLayout
      ResourceName = 'content'
      Align = vaClient
    end
  end
  object TwzLayout
    ResourceName = 'listboxitemstyle'
    object TwzRectangle
      ResourceName = 'swatch'
      Align = vaContents
      Fill.Color = '#FFFF0000'
      Fill.Style = wzBrushSolid
      Stroke.Style = wzBrushNone
    end
  end
)";

class TComboLog : public rtl::TComponent {
    RTL_CLASS(TComboLog, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;
    void Change(rtl::TObject* sender)
    {
        auto* combo = dynamic_cast<TwzComboBox*>(sender);
        indexes.push_back(combo ? combo->GetItemIndex() : -100);
    }
    std::vector<int32_t> indexes;

protected:
    ~TComboLog() override = default;
};

RTL_IMPLEMENT_CLASS(TComboLog)

class ComboBoxTest : public ScrollBoxTestBase {
protected:
    void SetUp() override
    {
        ScrollBoxTestBase::SetUp();
        SetSheet(kComboStyles);
        events = new TComboLog(form.get());
    }

    template <class T = TwzComboBox> T* Combo(int items)
    {
        auto* combo = Add<T>({ 10, 10, 110, 33 });
        combo->OnChange.template Bind<&TComboLog::Change>(events);
        for (int i = 0; i < items; ++i) {
            auto* item = new TwzListBoxItem(form.get());
            item->SetText(rtl::Utf8ToUtf16(std::to_string(i)));
            combo->AddObject(item);
        }
        return combo;
    }

    static std::vector<std::string> Texts(TwzListBox& list)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < list.Count(); ++i)
            texts.push_back(rtl::Utf16ToUtf8(list.ItemByIndex(i)->GetText()));
        return texts;
    }

    static void SetLines(TwzWideStrings& strings, int count)
    {
        strings.BeginUpdate();
        strings.Clear();
        for (int i = 0; i < count; ++i)
            strings.Add(rtl::Utf8ToUtf16("line" + std::to_string(i)));
        strings.EndUpdate();
    }

    TComboLog* events = nullptr;
};

} // namespace

TEST_F(ComboBoxTest, DefaultsAndRegistration)
{
    rtl::TOwned<TwzComboBox> combo(new TwzComboBox(nullptr));
    EXPECT_EQ(combo->GetDropDownCount(), 8);
    EXPECT_EQ(combo->GetWidth(), 100);
    EXPECT_EQ(combo->GetHeight(), 23);
    EXPECT_TRUE(combo->GetCanFocused());
    EXPECT_EQ(combo->GetPlacement(), wzPlacementBottom);
    EXPECT_EQ(combo->Count(), 0);
    EXPECT_EQ(combo->GetItemClassName(), "TwzListBoxItem");
    TwzPopup* popup = combo->GetPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetPlacementTarget(), combo.get());
    EXPECT_FALSE(popup->GetStaysOpen());
    EXPECT_FALSE(popup->GetStored());
    EXPECT_TRUE(popup->GetDesignHide());
    TwzComboListBox* list = combo->GetListBox();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetParent(), popup);
    EXPECT_EQ(list->GetComboBox(), combo.get());
    EXPECT_FALSE(list->GetCanFocused());
    EXPECT_FALSE(list->GetHideSelectionUnfocused());
    EXPECT_FALSE(list->GetStored());
    EXPECT_EQ(list->GetAlign(), vaClient);

    rtl::TOwned<TwzStringListBox> strings(new TwzStringListBox(nullptr));
    EXPECT_EQ(strings->GetItemHeight(), 19);
    EXPECT_EQ(strings->GetResource(), "listboxstyle");
    EXPECT_EQ(strings->GetItemStyle(), "listboxitemstyle");
    EXPECT_EQ(strings->GetTextAlign(), wzTextAlignCenter);
    rtl::TOwned<TwzStringComboBox> stringCombo(new TwzStringComboBox(nullptr));
    EXPECT_EQ(stringCombo->GetItemHeight(), 19);
    EXPECT_EQ(stringCombo->GetResource(), "comboboxstyle");
    rtl::TOwned<TwzHudStringComboBox> hudCombo(new TwzHudStringComboBox(nullptr));
    EXPECT_EQ(hudCombo->GetResource(), "hudcomboboxstyle");
    EXPECT_EQ(hudCombo->GetListBox()->GetResource(), "hudcombolistboxstyle");
    EXPECT_EQ(hudCombo->GetItemStyle(), "hudlistboxitemstyle");
    rtl::TOwned<TwzHudComboBox> hud(new TwzHudComboBox(nullptr));
    EXPECT_EQ(hud->GetListBox()->GetResource(), "hudcombolistboxstyle");
    rtl::TOwned<TwzHudHorzListBox> hudHorz(new TwzHudHorzListBox(nullptr));
    EXPECT_EQ(hudHorz->GetListStyle(), wzListHorizontal);
    EXPECT_EQ(hudHorz->GetResource(), "hudlistboxstyle");
    rtl::TOwned<TwzHudStringListBox> hudStrings(new TwzHudStringListBox(nullptr));
    EXPECT_EQ(hudStrings->GetItemStyle(), "hudlistboxitemstyle");

    auto inCategory = [](const char* category, const char* className) {
        for (const auto& entry : Object2DCategoryList()) {
            if (entry.category == category && entry.classInfo->name == std::string_view(className))
                return true;
        }
        return false;
    };
    for (const char* name : { "TwzComboBox", "TwzStringComboBox", "TwzStringListBox" })
        EXPECT_TRUE(inCategory("Lists", name)) << name;
    for (const char* name : { "TwzHudListBox", "TwzHudHorzListBox", "TwzHudStringListBox", "TwzHudComboBox",
             "TwzHudStringComboBox" })
        EXPECT_TRUE(inCategory("HUD", name)) << name;
}

TEST_F(ComboBoxTest, PressingAnEmptyComboBoxOpensEightRowsOfNineteenAndPressingAgainCloses)
{
    auto* combo = Combo(0);
    EXPECT_EQ(combo->GetPopup()->GetParent(), root) << "the popup lives beside the box";
    combo->MouseDown(TMouseButton::Left, {}, 5, 5);
    TwzPopup* popup = combo->GetPopup();
    ASSERT_TRUE(popup->GetIsOpen());
    EXPECT_EQ(popup->GetHeight(), 152);
    EXPECT_EQ(popup->GetWidth(), 100);
    EXPECT_EQ(combo->GetListBox()->GetWidth(), 100);
    uint16_t key = vk::kDown;
    char16_t ch = 0;
    combo->KeyDown(key, ch, {});
    EXPECT_EQ(key, vk::kDown) << "no items: keys are left alone";
    EXPECT_TRUE(events->indexes.empty());
    combo->MouseDown(TMouseButton::Left, {}, 5, 5);
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_EQ(popup->GetParent(), root);

    // A list with its own row height sets the drop-down height.
    combo->SetDropDownCount(3);
    combo->GetListBox()->SetItemHeight(25);
    combo->DropDown();
    EXPECT_EQ(popup->GetHeight(), 75);
    combo->DropDown();
    EXPECT_FALSE(popup->GetIsOpen());
}

TEST_F(ComboBoxTest, EveryIndexSetReportsAndKeysAndWheelWalkTheItems)
{
    auto* combo = Combo(4);
    ASSERT_EQ(combo->Count(), 4);
    combo->SetItemIndex(2);
    combo->SetItemIndex(2);
    EXPECT_EQ(events->indexes, (std::vector<int32_t> { 2, 2 })) << "also when unchanged";
    events->indexes.clear();

    struct Case {
        uint16_t key;
        int32_t expected;
    };
    const Case cases[] = { { vk::kEnd, 3 }, { vk::kDown, 3 }, { vk::kRight, 3 }, { vk::kUp, 2 },
        { vk::kLeft, 1 }, { vk::kHome, 0 }, { vk::kUp, 0 }, { vk::kDown, 1 } };
    for (const Case& c : cases) {
        uint16_t key = c.key;
        char16_t ch = 0;
        combo->KeyDown(key, ch, {});
        EXPECT_EQ(key, 0) << "handled also when nothing changes";
        EXPECT_EQ(combo->GetItemIndex(), c.expected) << c.key;
    }
    bool handled = false;
    combo->MouseWheel({}, -120, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(combo->GetItemIndex(), 2);
    combo->MouseWheel({}, 0, handled);
    EXPECT_EQ(combo->GetItemIndex(), 1);
    combo->SetItemIndex(3);
    handled = false;
    combo->MouseWheel({}, -120, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(combo->GetItemIndex(), 3);
    EXPECT_TRUE(combo->GetListBox()->ItemByIndex(3)->GetIsSelected());
}

TEST_F(ComboBoxTest, ReleasingOverAnItemPicksItAndReleasingOutsideOnlyCloses)
{
    auto* combo = Combo(5);
    combo->SetItemIndex(0);
    events->indexes.clear();
    combo->DropDown();
    TwzComboListBox* list = combo->GetListBox();
    ASSERT_TRUE(combo->GetPopup()->GetIsOpen());
    ASSERT_EQ(list->ItemByIndex(2)->GetPosition()->GetY(), 38);
    list->MouseUp(TMouseButton::Left, {}, 20, 45);
    EXPECT_FALSE(combo->GetPopup()->GetIsOpen());
    EXPECT_EQ(combo->GetItemIndex(), 2);
    EXPECT_EQ(events->indexes, (std::vector<int32_t> { 2 }));

    combo->DropDown();
    ASSERT_TRUE(combo->GetPopup()->GetIsOpen());
    list->MouseUp(TMouseButton::Left, {}, 20, 400);
    EXPECT_FALSE(combo->GetPopup()->GetIsOpen());
    list->MouseUp(TMouseButton::Left, {}, -5, 45);
    EXPECT_EQ(combo->GetItemIndex(), 2);
    EXPECT_EQ(events->indexes.size(), 1u);
}

TEST_F(ComboBoxTest, TheFacePaintsTheCurrentItemInItsOwnLook)
{
    auto* combo = Combo(2);
    auto* part = dynamic_cast<TwzContent*>(combo->FindResource("content"));
    ASSERT_NE(part, nullptr);
    EXPECT_TRUE(bool(part->OnPaint));
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
    EXPECT_EQ(pixel(60, 20), 0xFFFF0000u) << "the current item's swatch fills the face";
    EXPECT_EQ(pixel(108, 31), 0xFFFF0000u) << "up to its far corner";
    EXPECT_NE(pixel(5, 5), 0xFFFF0000u) << "in the box's place, not the scene's corner";
    EXPECT_NE(pixel(60, 60), 0xFFFF0000u) << "the closed list shows nowhere else";
    TwzListBoxItem* item = combo->GetListBox()->ItemByIndex(0);
    EXPECT_EQ(item->GetHeight(), 19) << "its size comes back";
    EXPECT_EQ(item->GetOpacity(), 1);

    combo->SetItemIndex(-1);
    paint();
    EXPECT_NE(pixel(60, 20), 0xFFFF0000u) << "nothing current, nothing painted";
    scene->SetCanvas(nullptr);
}

TEST_F(ComboBoxTest, ItemsAreStreamedAsTheComboBoxsOwnChildrenAndReadBackIntoTheList)
{
    auto* combo = Combo(3);
    combo->SetItemIndex(1);
    rtl::TMemoryStream stream;
    combo->SaveObjectToStream(stream);
    stream.Seek(0, rtl::soFromBeginning);
    auto* copy = Add<TwzComboBox>({ 0, 40, 100, 63 });
    copy->LoadObjectFromStream(stream);
    EXPECT_EQ(copy->Count(), 3);
    EXPECT_EQ(Texts(*copy->GetListBox()), (std::vector<std::string> { "0", "1", "2" }));
    EXPECT_EQ(copy->GetItemIndex(), 1);
    for (TwzObject* child : copy->Children())
        EXPECT_EQ(dynamic_cast<TwzListBoxItem*>(child), nullptr) << "items live in the list";

    // String boxes keep only their lines: the generated items are not stored.
    auto* strings = Add<TwzStringComboBox>({ 0, 70, 100, 93 });
    SetLines(*strings->GetItems(), 4);
    rtl::TMemoryStream stream2;
    strings->SaveObjectToStream(stream2);
    stream2.Seek(0, rtl::soFromBeginning);
    auto* stringsCopy = Add<TwzStringComboBox>({ 0, 0, 100, 23 });
    stringsCopy->LoadObjectFromStream(stream2);
    EXPECT_EQ(stringsCopy->Count(), 4);
    EXPECT_EQ(stringsCopy->GetItems()->GetCount(), 4);
}

TEST_F(ComboBoxTest, StringComboBoxRebuildsAndKeepsTheIndexWithinTheNewLines)
{
    auto* combo = Combo<TwzStringComboBox>(0);
    SetLines(*combo->GetItems(), 8);
    ASSERT_EQ(combo->Count(), 8);
    EXPECT_EQ(Texts(*combo->GetListBox())[7], "line7");
    EXPECT_EQ(combo->GetListBox()->ItemByIndex(0)->GetHeight(), 19);
    EXPECT_FALSE(combo->GetListBox()->ItemByIndex(0)->GetStored());
    combo->SetItemIndex(5);
    events->indexes.clear();
    SetLines(*combo->GetItems(), 3);
    EXPECT_EQ(combo->Count(), 3);
    EXPECT_EQ(combo->GetItemIndex(), 2);
    EXPECT_TRUE(events->indexes.empty()) << "the rebuild reports nothing";
    EXPECT_EQ(combo->GetData(), rtl::TValue(std::u16string(u"line2")));
    combo->SetData(rtl::TValue(std::u16string(u"changed")));
    EXPECT_EQ(rtl::Utf16ToUtf8(combo->GetListBox()->ItemByIndex(2)->GetText()), "changed");
    combo->SetItemHeight(25);
    EXPECT_EQ(combo->GetListBox()->ItemByIndex(0)->GetHeight(), 25);
    combo->Clear();
    EXPECT_EQ(combo->Count(), 0);
}

TEST_F(ComboBoxTest, StringListBoxRebuildsOnceAtTheEndOfAnUpdate)
{
    auto* list = Add<TwzStringListBox>({ 0, 0, 100, 100 });
    SetLines(*list->GetItems(), 3);
    ASSERT_EQ(Texts(*list), (std::vector<std::string> { "line0", "line1", "line2" }));
    list->SetItemIndex(1);
    TwzListBoxItem* before = list->ItemByIndex(0);
    rtl::Watch<TwzListBoxItem> watch(before);

    list->BeginUpdate();
    SetLines(*list->GetItems(), 5);
    list->GetItems()->Add(u"extra");
    EXPECT_TRUE(watch) << "no rebuild while updating";
    EXPECT_EQ(list->Count(), 3);
    list->EndUpdate();
    EXPECT_FALSE(watch);
    EXPECT_EQ(list->Count(), 6);
    EXPECT_EQ(Texts(*list).back(), "extra");
    EXPECT_EQ(list->GetItemIndex(), 1);
    EXPECT_TRUE(list->ItemByIndex(1)->GetIsSelected());
    EXPECT_EQ(list->GetData(), rtl::TValue(std::u16string(u"line1")));
    EXPECT_EQ(list->ItemByIndex(2)->GetPosition()->GetY(), 38);
}

TEST_F(ComboBoxTest, ThePopupFollowsTheBoxToItsParentAndShowsInPlaceWhenDesigned)
{
    auto* combo = Combo(2);
    auto* other = Add<TwzLayout>({ 0, 50, 200, 100 });
    combo->SetParent(other);
    EXPECT_EQ(combo->GetPopup()->GetParent(), other);
    combo->SetBounds(5, 6, 80, 23);
    combo->DropDown();
    EXPECT_TRUE(combo->GetPopup()->GetIsOpen()) << "opens from the new parent";
    EXPECT_EQ(combo->GetPopup()->GetWidth(), 80);
    combo->DropDown();
    EXPECT_EQ(combo->GetPopup()->GetParent(), other) << "and goes back there";

    // Designing: a double click shows the list below the box for editing, another hides it.
    TwzPopup* popup = combo->GetPopup();
    combo->DesignDblClick();
    EXPECT_FALSE(popup->GetDesignHide());
    EXPECT_EQ(popup->GetParentedRect(), MakeRect(5, 29, 85, 29 + 8 * 19));
    combo->DesignDblClick();
    EXPECT_TRUE(popup->GetDesignHide());

    // Items added while designing are locked in the list; otherwise they are not.
    auto* item = new TwzListBoxItem(form.get());
    combo->AddObject(item);
    EXPECT_FALSE(item->GetLocked());
    combo->SetDesigning(true);
    auto* designed = new TwzListBoxItem(form.get());
    combo->AddObject(designed);
    EXPECT_TRUE(designed->GetLocked());
    combo->SetDesigning(false);
    EXPECT_EQ(combo->Count(), 4);
    auto* other2 = new TwzVisualObject(form.get());
    combo->AddObject(other2);
    EXPECT_EQ(other2->GetParent(), combo) << "anything else is a plain child";
}

TEST_F(ComboBoxTest, StringBoxesTakeCopiesOfLinesAndRebuildOnAlignmentChanges)
{
    auto* list = Add<TwzStringListBox>({ 0, 0, 100, 100 });
    TwzWideStringList lines;
    lines.Add(u"a");
    lines.Add(u"b");
    list->SetItems(&lines);
    lines.Add(u"c");
    EXPECT_EQ(list->Count(), 2) << "a copy";
    rtl::Watch<TwzListBoxItem> first(list->ItemByIndex(0));
    list->SetTextAlign(wzTextAlignFar);
    EXPECT_FALSE(first) << "rebuilt";
    first = list->ItemByIndex(0);
    list->SetTextAlign(wzTextAlignFar);
    EXPECT_TRUE(first) << "unchanged: no rebuild";
    EXPECT_EQ(list->ItemByIndex(0)->GetTextAlign(), wzTextAlignNear) << "the items keep their own";
    EXPECT_FALSE(list->ItemByIndex(0)->GetStored());

    auto* combo = Combo<TwzStringComboBox>(0);
    combo->SetItems(&lines);
    EXPECT_EQ(combo->Count(), 3);
    rtl::Watch<TwzListBoxItem> item(combo->GetListBox()->ItemByIndex(0));
    combo->SetTextAlign(wzTextAlignNear);
    EXPECT_FALSE(item);
    EXPECT_EQ(combo->Count(), 3);
}
