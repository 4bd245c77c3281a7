// The built-in style with the controls' own files: it reads without error, holds its census
// (every name, the root classes, the named parts and the uses of each trigger string), every
// control of these families, at its default size, takes its style from it, finds its parts
// there and paints inside its own rectangle, and every control that takes the focus shows it.

#include "ControlsTest.h"

#include "controls/Controls.h"
#include "controls/TwzAngleButton.h"
#include "controls/TwzAniIndicator.h"
#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzComboBox.h"
#include "controls/TwzExpander.h"
#include "controls/TwzLabel.h"
#include "controls/TwzPanels.h"
#include "controls/TwzProgressBar.h"
#include "controls/TwzScrollBars.h"
#include "controls/TwzSplitter.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/Text.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzContent.h"
#include "ui2d/TwzEffect.h"
#include "ui2d/TwzPathShape.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzShape.h"
#include "ui2d/TwzText.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace controlstest;

namespace {

/// The 110 names of the complete built-in style, in tree order.
const char* const kBuiltInNames[] = { "thumbbarstyle", "scrollbarvtrackstyle", "scrollbarhtrackstyle",
    "scrollbarleftbutton", "scrollbarrightbutton", "scrollbartopbutton", "scrollbarbottombutton",
    "hthumbstyle", "vthumbstyle", "trackstyle", "trackbarstyle", "scrollbarstyle",
    "smallscrollbarhtrackstyle", "smallscrollbarvtrackstyle", "smallscrollbarstyle", "scrollboxstyle",
    "framedscrollboxstyle", "messagepopupstyle", "toolbuttonstyle", "toolpathbuttonstyle", "backgroundstyle",
    "panelstyle", "statusbarstyle", "toolbarstyle", "expandercheckboxstyle", "expanderstyle", "groupboxstyle",
    "imagecontrolstyle", "buttonstyle", "popupbuttonstyle", "roundbuttonstyle", "circlebuttonstyle",
    "colorbuttonstyle", "cornerbuttonstyle", "bitmapbuttonstyle", "pathbuttonstyle", "speedbuttonstyle",
    "anglebuttonstyle", "splitterstyle", "textboxstyle", "roundtextboxstyle", "spinboxstyle", "popupboxstyle",
    "memostyle", "numberboxstyle", "labelstyle", "valuelabelstyle", "listboxstyle", "listboxitemstyle",
    "imagelistboxitemstyle", "tabitemstyle", "checkboxstyle", "pathcheckboxstyle", "radiobuttonstyle",
    "progressbarstyle", "sizegripstyle", "combolistboxstyle", "comboboxstyle", "CloseButtonStyle",
    "expanderbuttonstyle", "treeviewstyle", "treeviewitemstyle", "treeviewexpanderbuttonstyle", "gridstyle",
    "tabcontrolstyle", "droptargetstyle", "hudtrackbarstyle", "hudnumberboxstyle", "hudtextboxstyle",
    "hudroundtextboxstyle", "hudspinboxstyle", "hudmemostyle", "hudscrollbarstyle", "hudwindowstyle",
    "hudSizeGripStyle", "hudCloseButtonStyle", "hudlabelstyle", "hudbuttonstyle", "hudroundbuttonstyle",
    "hudcirclebuttonstyle", "hudcornerbuttonstyle", "hudcheckboxstyle", "hudradiobuttonstyle",
    "hudgroupboxstyle", "hudpopupboxstyle", "hudanglebuttonstyle", "hudthumbbarstyle",
    "hudscrollbarvtrackstyle", "hudscrollbarhtrackstyle", "hudscrollbarleftbutton", "hudscrollbarrightbutton",
    "hudscrollbartopbutton", "hudscrollbarbottombutton", "grad", "hudhthumbstyle", "hudvthumbstyle",
    "hudcomboboxstyle", "hudcombolistboxstyle", "hudtrackstyle", "hudtabcontrolstyle", "hudtabitemstyle",
    "hudstatusbarstyle", "hudpanelstyle", "hudlistboxstyle", "hudlistboxitemstyle", "droptargetstyle",
    "iconconfirmation", "iconinformation", "iconwarning", "iconerror" };

/// Looks of controls the list above does not name, which would otherwise borrow their
/// parent class's look.
const char* const kOwnNames[] = { "iphonebuttonstyle", "windowstyle" };

template <class List> bool Listed(const List& list, const std::string& name)
{
    return std::any_of(
        std::begin(list), std::end(list), [&](const char* n) { return rtl::SameText(n, name); });
}

/// Checks a part's class.
using PartCheck = std::function<bool(TwzObject*)>;
template <class T> PartCheck Is()
{
    return [](TwzObject* o) { return dynamic_cast<T*>(o) != nullptr; };
}

struct StylePart {
    std::string name;
    PartCheck isExpected;
};

struct Row {
    const char* label;
    std::function<TwzControl*(rtl::TComponent*)> make;
    const char* style; // the style object found; "" for a control that paints itself
    std::vector<StylePart> parts;
    std::vector<StylePart> trackParts; // parts of the style of the first of `parts` (a track)
};

template <class T> std::function<TwzControl*(rtl::TComponent*)> Make()
{
    return [](rtl::TComponent* owner) -> TwzControl* { return new T(owner); };
}

template <class T> std::function<TwzControl*(rtl::TComponent*)> MakeWithText()
{
    return [](rtl::TComponent* owner) -> TwzControl* {
        auto* control = new T(owner);
        control->SetText(u"Caption");
        return control;
    };
}

/// A combo box holding one current item.
template <class T> std::function<TwzControl*(rtl::TComponent*)> WithItem()
{
    return [](rtl::TComponent* owner) -> TwzControl* {
        auto* combo = new T(owner);
        auto* item = new TwzListBoxItem(owner);
        item->SetText(u"Item");
        combo->AddObject(item);
        combo->SetItemIndex(0);
        return combo;
    };
}

/// A string list or combo box of three lines, 60 high at most (the test scene is 100 high).
template <class T> std::function<TwzControl*(rtl::TComponent*)> WithLines()
{
    return [](rtl::TComponent* owner) -> TwzControl* {
        auto* box = new T(owner);
        box->SetHeight(std::min(box->GetHeight(), 60.0f));
        box->GetItems()->Add(u"one");
        box->GetItems()->Add(u"two");
        box->GetItems()->Add(u"three");
        return box;
    };
}

const std::vector<Row>& Rows()
{
    const StylePart text { "text", Is<TwzText>() };
    const StylePart check { "checkmark", Is<TwzPath>() };
    static const std::vector<Row> rows = {
        { "button", MakeWithText<TwzButton>(), "buttonstyle", { text } },
        { "round button", MakeWithText<TwzRoundButton>(), "roundbuttonstyle", { text } },
        { "circle button", Make<TwzCircleButton>(), "circlebuttonstyle", {} },
        { "speed button", Make<TwzSpeedButton>(), "speedbuttonstyle", {} },
        { "popup button", MakeWithText<TwzPopupButton>(), "popupbuttonstyle", { text } },
        { "bitmap button", MakeWithText<TwzBitmapButton>(), "bitmapbuttonstyle", {} },
        { "tool button", MakeWithText<TwzToolButton>(), "toolbuttonstyle", {} },
        { "corner button", MakeWithText<TwzCornerButton>(), "cornerbuttonstyle", {} },
        { "path button", MakeWithText<TwzPathButton>(), "pathbuttonstyle", {} },
        { "tool path button", MakeWithText<TwzToolPathButton>(), "toolpathbuttonstyle", {} },
        { "colour button", Make<TwzColorButton>(), "colorbuttonstyle", {} },
        { "HUD button", MakeWithText<TwzHudButton>(), "hudbuttonstyle", { text } },
        { "HUD round button", MakeWithText<TwzHudRoundButton>(), "hudroundbuttonstyle", { text } },
        { "HUD circle button", Make<TwzHudCircleButton>(), "hudcirclebuttonstyle", {} },
        { "HUD corner button", MakeWithText<TwzHudCornerButton>(), "hudcornerbuttonstyle", {} },
        { "check box", MakeWithText<TwzCheckBox>(), "checkboxstyle", { text, check } },
        { "path check box", MakeWithText<TwzPathCheckBox>(), "pathcheckboxstyle", { check } },
        { "radio button", MakeWithText<TwzRadioButton>(), "radiobuttonstyle", { text } },
        { "group box", MakeWithText<TwzGroupBox>(), "groupboxstyle", { text } },
        { "close button", Make<TwzCloseButton>(), "closebuttonstyle", {} },
        { "size grip", Make<TwzSizeGrip>(), "sizegripstyle", {} },
        { "HUD check box", MakeWithText<TwzHudCheckBox>(), "hudcheckboxstyle", { text, check } },
        { "HUD radio button", MakeWithText<TwzHudRadioButton>(), "hudradiobuttonstyle", { text } },
        { "HUD group box", MakeWithText<TwzHudGroupBox>(), "hudgroupboxstyle", { text } },
        { "HUD close button", Make<TwzHudCloseButton>(), "hudclosebuttonstyle", {} },
        { "HUD size grip", Make<TwzHudSizeGrip>(), "hudsizegripstyle", {} },
        { "label", MakeWithText<TwzLabel>(), "labelstyle", { text } },
        { "value label", MakeWithText<TwzValueLabel>(), "valuelabelstyle", { text } },
        { "HUD label", MakeWithText<TwzHudLabel>(), "hudlabelstyle", { text } },
        { "panel", Make<TwzPanel>(), "panelstyle", {} },
        { "tool bar", Make<TwzToolBar>(), "toolbarstyle", {} },
        { "status bar", Make<TwzStatusBar>(), "statusbarstyle", { { "sizegrip", Is<TwzSizeGrip>() } } },
        { "HUD panel", Make<TwzHudPanel>(), "hudpanelstyle", {} },
        { "HUD status bar", Make<TwzHudStatusBar>(), "hudstatusbarstyle",
            { { "sizegrip", Is<TwzHudSizeGrip>() } } },
        { "track", Make<TwzTrack>(), "trackstyle", { { "thumb", Is<TwzThumb>() } } },
        { "track bar", Make<TwzTrackBar>(), "trackbarstyle", { { "thumb", Is<TwzThumb>() } } },
        { "HUD track", Make<TwzHudTrack>(), "hudtrackstyle", { { "thumb", Is<TwzThumb>() } } },
        { "HUD track bar", Make<TwzHudTrackBar>(), "hudtrackbarstyle", { { "thumb", Is<TwzThumb>() } } },
        { "scroll bar", Make<TwzScrollBar>(), "scrollbarstyle",
            { { "htrack", Is<TwzCustomTrack>() }, { "vtrack", Is<TwzCustomTrack>() },
                { "leftbutton", Is<TwzCustomButton>() }, { "rightbutton", Is<TwzCustomButton>() },
                { "topbutton", Is<TwzCustomButton>() }, { "bottombutton", Is<TwzCustomButton>() } },
            { { "thumb", Is<TwzThumb>() } } },
        { "small scroll bar", Make<TwzSmallScrollBar>(), "smallscrollbarstyle",
            { { "htrack", Is<TwzCustomTrack>() }, { "vtrack", Is<TwzCustomTrack>() } },
            { { "thumb", Is<TwzThumb>() } } },
        { "HUD scroll bar", Make<TwzHudScrollBar>(), "hudscrollbarstyle",
            { { "htrack", Is<TwzCustomTrack>() }, { "vtrack", Is<TwzCustomTrack>() },
                { "leftbutton", Is<TwzCustomButton>() }, { "rightbutton", Is<TwzCustomButton>() },
                { "topbutton", Is<TwzCustomButton>() }, { "bottombutton", Is<TwzCustomButton>() } },
            { { "thumb", Is<TwzThumb>() } } },
        { "splitter", Make<TwzSplitter>(), "splitterstyle", { { "grip", Is<TwzVisualObject>() } } },
        { "progress bar", Make<TwzProgressBar>(), "progressbarstyle",
            { { "htrack", Is<TwzVisualObject>() }, { "vtrack", Is<TwzVisualObject>() },
                { "hindicator", Is<TwzVisualObject>() }, { "vindicator", Is<TwzVisualObject>() } } },
        { "angle dial", Make<TwzAngleButton>(), "anglebuttonstyle",
            { { "tick", Is<TwzVisualObject>() }, text, { "tracktext", Is<TwzText>() } } },
        { "HUD angle dial", Make<TwzHudAngleButton>(), "hudanglebuttonstyle",
            { { "tick", Is<TwzVisualObject>() }, text } },
        { "busy indicator", Make<TwzAniIndicator>(), "", {} },
        { "scene background", Make<TwzBackground>(), "backgroundstyle",
            { { "background", Is<TwzRectangle>() } } },
        { "combo box", WithItem<TwzComboBox>(), "comboboxstyle", { { "content", Is<TwzContent>() } } },
        { "HUD combo box", WithItem<TwzHudComboBox>(), "hudcomboboxstyle",
            { { "content", Is<TwzContent>() } } },
        // Named by Resource: the copy of a named style is anonymous, so only the paint is checked.
        { "string combo box", WithLines<TwzStringComboBox>(), "", {} },
        { "HUD string combo box", WithLines<TwzHudStringComboBox>(), "", {} },
        { "string list box", WithLines<TwzStringListBox>(), "", {} },
        { "HUD string list box", WithLines<TwzHudStringListBox>(), "", {} },
        { "HUD list box",
            [](rtl::TComponent* owner) -> TwzControl* {
                auto* list = new TwzHudListBox(owner);
                list->SetHeight(60);
                auto* item = new TwzListBoxItem(owner);
                item->SetText(u"Item");
                list->AddObject(item);
                return list;
            },
            "hudlistboxstyle", {} },
    };
    return rows;
}

class BuiltInStyles : public ControlsTest {
protected:
    /// Every pixel of the scene's bitmap.
    [[nodiscard]] std::vector<uint32_t> Snapshot()
    {
        return { bitmap.GetScanline(0), bitmap.GetScanline(0) + 200 * 100 };
    }
    /// Ink (any alpha) inside and outside `r`, grown by `margin`.
    void CountInk(const TwzRect& r, float margin, int& inside, int& outside)
    {
        inside = outside = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 200; ++x) {
                if ((Pixel(x, y) >> 24) == 0)
                    continue;
                const bool in = x + 1 > r.Left - margin && x < r.Right + margin && y + 1 > r.Top - margin
                    && y < r.Bottom + margin;
                ++(in ? inside : outside);
            }
        }
    }
};

} // namespace

TEST_F(BuiltInStyles, TheControlFilesReadWithoutAnyError)
{
    ASSERT_FALSE(controls::ControlStyleFiles().empty());
    rtl::TOwned<TwzObject> tree(ui2d::BuildStyleTree(ui2d::AllBuiltInStyleFiles()));
    ASSERT_NE(tree, nullptr);
    for (TwzObject* child : tree->Children()) {
        SCOPED_TRACE(child->GetResourceName());
        EXPECT_TRUE(
            Listed(kBuiltInNames, child->GetResourceName()) || Listed(kOwnNames, child->GetResourceName()))
            << "not a name of the built-in style";
        if (TwzVisualObject* visual = child->AsVisual()) {
            EXPECT_TRUE(visual->GetDesignHide());
        }
    }
}

/// "name count" lines of a tally, in name order, for messages that show the whole difference.
std::string TallyText(const std::map<std::string, int>& tally)
{
    std::string text;
    for (const auto& [name, count] : tally)
        text += "  " + name + " " + std::to_string(count) + "\n";
    return text;
}

/// The resource names met below `object`, in lower case.
void CollectPartNames(TwzObject& object, std::set<std::string>& names)
{
    for (TwzObject* child : object.Children()) {
        if (!child->GetResourceName().empty())
            names.insert(rtl::AsciiLowerCase(child->GetResourceName()));
        CollectPartNames(*child, names);
    }
}

/// Adds one to `tally` for every animation and effect below `object`, by its trigger string.
void CountTriggers(TwzObject& object, std::map<std::string, int>& tally)
{
    for (TwzObject* child : object.Children()) {
        std::string trigger;
        if (auto* animation = dynamic_cast<TwzAnimation*>(child))
            trigger = animation->GetTrigger();
        else if (auto* effect = dynamic_cast<TwzEffect*>(child))
            trigger = effect->GetTrigger();
        if (!trigger.empty())
            ++tally[trigger];
        CountTriggers(*child, tally);
    }
}

TEST_F(BuiltInStyles, HoldsEveryObjectOfItsClassWithItsPartsAndTriggers)
{
    TwzObject* style = ui2d::LoadDefaultStyle();
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->ClassName(), "TwzBackground");
    if (TwzVisualObject* visual = style->AsVisual()) {
        EXPECT_EQ(visual->GetWidth(), 548);
        EXPECT_EQ(visual->GetHeight(), 547);
    }

    // The style objects, our own looks left out. Their order follows the files, so the names
    // are compared sorted, each as often as the list has it.
    std::vector<TwzObject*> objects;
    std::vector<std::string> names;
    for (TwzObject* child : style->Children()) {
        if (Listed(kOwnNames, child->GetResourceName()))
            continue;
        objects.push_back(child);
        names.push_back(rtl::AsciiLowerCase(child->GetResourceName()));
    }
    std::vector<std::string> expectedNames;
    for (const char* name : kBuiltInNames)
        expectedNames.push_back(rtl::AsciiLowerCase(name));
    std::vector<std::string> sortedNames = names;
    std::sort(sortedNames.begin(), sortedNames.end());
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(sortedNames, expectedNames) << "the names, each as often as the list has it";

    std::map<std::string, int> classes;
    std::map<std::string, int> parts;
    std::map<std::string, int> triggers;
    for (TwzObject* object : objects) {
        ++classes[std::string(object->ClassName())];
        std::set<std::string> partNames;
        CollectPartNames(*object, partNames);
        for (const std::string& name : partNames)
            ++parts[name];
        CountTriggers(*object, triggers);
        if (TwzVisualObject* visual = object->AsVisual()) {
            EXPECT_TRUE(visual->GetDesignHide()) << object->GetResourceName();
        }
    }
    const std::map<std::string, int> expectedClasses
        = { { "TwzLayout", 81 }, { "TwzRectangle", 18 }, { "TwzImage", 5 }, { "TwzSidesRectangle", 2 },
              { "TwzEllipse", 2 }, { "TwzRoundRect", 1 }, { "TwzBrushObject", 1 } };
    EXPECT_EQ(classes, expectedClasses) << "style objects by class:\n" << TallyText(classes);

    const std::map<std::string, int> expectedParts = { { "background", 51 }, { "text", 39 },
        { "content", 20 }, { "selection", 11 }, { "thumb", 10 }, { "vscrollbar", 10 }, { "hscrollbar", 10 },
        { "foreground", 10 }, { "vsmallscrollbar", 7 }, { "hsmallscrollbar", 7 }, { "sizegrip", 7 },
        { "checkmark", 5 }, { "htrack", 4 }, { "vtrack", 4 }, { "image", 3 }, { "leftbutton", 2 },
        { "rightbutton", 2 }, { "topbutton", 2 }, { "bottombutton", 2 }, { "pathowner", 2 }, { "path", 2 },
        { "button", 2 }, { "tick", 2 }, { "minusbutton", 2 }, { "plusbutton", 2 }, { "check", 2 },
        { "checkbox", 1 }, { "fill", 1 }, { "tracktext", 1 }, { "grip", 1 }, { "textborder", 1 },
        { "hindicator", 1 }, { "vindicator", 1 }, { "back", 1 }, { "shadow", 1 }, { "caption", 1 },
        { "stroke", 1 }, { "close", 1 } };
    EXPECT_EQ(parts, expectedParts) << "style objects holding each named part:\n" << TallyText(parts);

    const std::map<std::string, int> expectedTriggers = { { "IsFocused=true", 36 },
        { "IsMouseOver=true", 27 }, { "IsMouseOver=false", 25 }, { "IsMouseOver=true;IsPressed=false", 13 },
        { "IsMouseOver=false;IsPressed=false", 13 }, { "IsMouseOver=false;IsPressed=true", 13 },
        { "IsMouseOver=true;IsPressed=true", 13 }, { "IsChecked=true", 6 }, { "IsChecked=false", 6 },
        { "IsSelected=true", 4 }, { "IsSelected=false", 4 }, { "IsExpanded=false", 4 },
        { "IsExpanded=true", 4 }, { "IsOpen=true", 3 }, { "IsOpen=false", 3 },
        { "IsMouseOver=true;IsSelected=false", 2 }, { "IsMouseOver=false;IsSelected=false", 2 },
        { "IsVisible=true", 2 }, { "IsDragOver=true", 2 } };
    EXPECT_EQ(triggers, expectedTriggers) << "uses of each trigger string:\n" << TallyText(triggers);
}

TEST_F(BuiltInStyles, TheExpandersCheckBoxTakesItsOwnLookWithACheckMark)
{
    auto* expander = new TwzExpander(form.get());
    expander->SetShowCheck(true);
    expander->SetParent(root);
    expander->LoadStyle();
    Settle();
    auto* check = dynamic_cast<TwzCheckBox*>(expander->FindResource("checkbox"));
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->GetVisible());
    EXPECT_EQ(check->GetResource(), "expandercheckboxstyle");
    check->LoadStyle();
    // Its own small look: a box and the check mark, no text part (the expander's caption
    // stands beside it).
    ASSERT_NE(check->GetAppliedStyle(), nullptr);
    EXPECT_NE(dynamic_cast<TwzPath*>(check->FindResource("checkmark")), nullptr);
    EXPECT_NE(dynamic_cast<TwzRectangle*>(check->FindResource("background")), nullptr);
    EXPECT_EQ(check->FindResource("text"), nullptr);
    expander->Free();
}

TEST_F(BuiltInStyles, EveryControlTakesItsStyleFindsItsPartsAndPaintsInItsRectangle)
{
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.label);
        TwzControl* control = row.make(form.get());
        control->GetPosition()->SetPoint({ 12, 12 });
        control->SetParent(root);
        control->LoadStyle();
        Settle();
        TwzVisualObject* source = control->FindStyleObject();
        if (*row.style) {
            ASSERT_NE(source, nullptr);
            EXPECT_TRUE(rtl::SameText(source->GetResourceName(), row.style)) << source->GetResourceName();
            ASSERT_NE(control->GetAppliedStyle(), nullptr);
        }
        for (const StylePart& part : row.parts) {
            TwzObject* found = control->FindResource(part.name);
            EXPECT_TRUE(found && part.isExpected(found)) << "part " << part.name;
        }
        PaintAll();
        if (!row.trackParts.empty()) {
            // The track inside the style has looked its own style up for the paint.
            auto* track = dynamic_cast<TwzControl*>(control->FindResource(row.parts.front().name));
            ASSERT_NE(track, nullptr);
            for (const StylePart& part : row.trackParts) {
                TwzObject* found = track->FindResource(part.name);
                EXPECT_TRUE(found && part.isExpected(found)) << "track part " << part.name;
            }
        }
        const TwzRect r = control->GetParentedRect();
        int inside = 0;
        int outside = 0;
        CountInk(r, 1, inside, outside);
        // Frames and grips cover little of their rectangle; every other look much more.
        EXPECT_GT(inside, std::min(RectWidth(r) * RectHeight(r) / 20, 40.0f))
            << "too little of the control shows";
        EXPECT_EQ(outside, 0) << "drawn beyond the control";
        control->Free();
    }
}

TEST_F(BuiltInStyles, StylesLightUpUnderTheMouseAndSettleBackWhenItLeaves)
{
    struct HoverRow {
        const char* label;
        std::function<TwzControl*(rtl::TComponent*)> make;
        TwzPoint over; // in the control, over the part that reacts
    };
    const HoverRow rows[] = {
        { "round button", MakeWithText<TwzRoundButton>(), { 10, 13 } },
        { "HUD corner button", MakeWithText<TwzHudCornerButton>(), { 10, 13 } },
        { "check box", MakeWithText<TwzCheckBox>(), { 9, 9 } },
        { "radio button", MakeWithText<TwzRadioButton>(), { 9, 9 } },
        { "track bar thumb", Make<TwzTrackBar>(), { 5, 7 } },
        { "HUD track thumb", Make<TwzHudTrack>(), { 5, 7 } },
        { "scroll bar step button", Make<TwzScrollBar>(), { 140, 9 } },
        { "HUD scroll bar step button", Make<TwzHudScrollBar>(), { 9, 9 } },
        { "angle dial", Make<TwzAngleButton>(), { 15, 15 } },
        { "splitter", Make<TwzSplitter>(), { 2, 20 } },
    };
    for (const HoverRow& row : rows) {
        SCOPED_TRACE(row.label);
        TwzControl* control = row.make(form.get());
        control->SetAlign(vaNone);
        control->GetPosition()->SetPoint({ 12, 12 });
        control->SetParent(root);
        control->LoadStyle();
        PaintAll();
        Settle();
        PaintAll();
        const std::vector<uint32_t> normal = Snapshot();
        scene->InjectMouseMove({ 12 + row.over.X, 12 + row.over.Y });
        Settle();
        PaintAll();
        const std::vector<uint32_t> hover = Snapshot();
        EXPECT_NE(hover, normal) << "no change under the mouse";
        scene->InjectMouseMove({ 195, 95 });
        Settle();
        PaintAll();
        const std::vector<uint32_t> left = Snapshot();
        EXPECT_EQ(left, normal) << "not back to normal once the mouse left";
        control->Free();
    }
}

TEST_F(BuiltInStyles, FocusShowsOnEveryControlThatTakesItAndGoesWithIt)
{
    // Every control the palette offers that takes the focus, at its default size (at most
    // what the scene shows), with its built-in look. The bitmap state button paints its
    // pictures itself; the HUD track bar's look is the one without a focus mark.
    const std::set<std::string> paintsItself { "TwzBitmapStateButton" };
    const std::set<std::string> noFocusMark { "TwzHudTrackBar" };
    std::set<const rtl::TClassInfo*> seen;
    std::set<std::string> unstyled;
    int checked = 0;
    for (const ui2d::CategoryEntry& entry : Object2DCategoryList()) {
        const rtl::TClassInfo& info = *entry.classInfo;
        if (!info.create || !info.InheritsFrom(TwzControl::StaticClass()) || !seen.insert(&info).second)
            continue;
        const std::string name(info.name);
        SCOPED_TRACE(name);
        auto* control = dynamic_cast<TwzControl*>(info.create(form.get()));
        ASSERT_NE(control, nullptr);
        if (!control->GetCanFocused() || noFocusMark.count(name)) {
            control->Free();
            continue;
        }
        control->SetBounds(
            12, 12, std::min(control->GetWidth(), 170.0f), std::min(control->GetHeight(), 70.0f));
        control->SetParent(root);
        control->LoadStyle();
        PaintAll(); // the parts that are controls take their own looks in their first paint
        Settle();
        PaintAll();
        if (!control->GetAppliedStyle()) {
            unstyled.insert(name);
            control->Free();
            continue;
        }
        const std::vector<uint32_t> normal = Snapshot();
        scene->SetFocused(control);
        ASSERT_TRUE(control->GetIsFocused());
        Settle();
        PaintAll();
        EXPECT_NE(Snapshot(), normal) << "the focus does not show";
        scene->SetFocused(nullptr);
        Settle();
        PaintAll();
        EXPECT_EQ(Snapshot(), normal) << "not back to normal once the focus left";
        control->Free();
        ++checked;
    }
    EXPECT_EQ(unstyled, paintsItself);
    EXPECT_GT(checked, 40) << "the palette's focusable controls";
}
