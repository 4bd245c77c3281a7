// Text controls, labels, panels and bars: the caption pushed into the style's text part,
// the foreground colour, auto-size, translation, the status bar's size grip, defaults,
// palette registration and the built-in look.

#include "ControlsTest.h"

#include "controls/TwzLabel.h"
#include "controls/TwzPanels.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBrushObject.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzLang.h"
#include "ui2d/TwzText.h"

#include <algorithm>

using namespace controlstest;

namespace {

class TCountingLabel : public TwzLabel {
    RTL_CLASS(TCountingLabel, TwzLabel)
public:
    using TwzLabel::TwzLabel;
    void ApplyStyle() override
    {
        ++applied;
        Inherited::ApplyStyle();
    }
    int applied = 0;
};

} // namespace

RTL_IMPLEMENT_CLASS(TCountingLabel)

using TextControls = ControlsTest;

TEST_F(TextControls, ALabelPushesCaptionFontAlignmentAndWrappingIntoItsTextPart)
{
    auto* label = Add<TwzLabel>("label", { 0, 0, 120, 15 });
    auto* part = dynamic_cast<TwzText*>(Part(*label, "text"));
    ASSERT_NE(part, nullptr) << "labelstyle has a text part";

    label->SetText(u"Depth");
    label->SetTextAlign(wzTextAlignFar);
    label->SetVertTextAlign(wzTextAlignNear);
    label->GetFont()->SetSize(17);
    label->SetWordWrap(false);
    EXPECT_EQ(part->GetText(), u"Depth");
    EXPECT_EQ(part->GetHorzTextAlign(), wzTextAlignFar);
    EXPECT_EQ(part->GetVertTextAlign(), wzTextAlignNear);
    EXPECT_FLOAT_EQ(part->GetFont()->GetSize(), 17);
    EXPECT_FALSE(part->GetWordWrap());

    // A fresh style copy shows the stored values at once.
    label->SetResource("");
    auto* fresh = dynamic_cast<TwzText*>(Part(*label, "text"));
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, part);
    EXPECT_EQ(fresh->GetText(), u"Depth");
    EXPECT_EQ(fresh->GetHorzTextAlign(), wzTextAlignFar);
    EXPECT_FLOAT_EQ(fresh->GetFont()->GetSize(), 17);
    EXPECT_FALSE(fresh->GetWordWrap());

    // Bound values travel as the caption.
    label->SetData(rtl::TValue(std::string("Bevel")));
    EXPECT_EQ(fresh->GetText(), u"Bevel");
    EXPECT_EQ(std::get<std::u16string>(label->GetData()), u"Bevel");
}

TEST_F(TextControls, TheForegroundPartGivesTheTextItsColourAndMissingPartsAreIgnored)
{
    // A live style object with a text part and a foreground brush.
    auto* style = new TwzVisualObject(form.get());
    style->SetResourceName("greenstyle");
    auto* text = new TwzText(form.get());
    text->SetResourceName("text");
    text->SetParent(style);
    auto* foreground = new TwzBrushObject(form.get());
    foreground->SetResourceName("foreground");
    foreground->GetBrush()->SetColor("#FF00FF00");
    foreground->SetParent(style);

    auto* label = Add<TwzLabel>("label", { 0, 0, 120, 15 });
    label->SetText(u"Hello");
    label->SetResource("greenstyle");
    auto* part = dynamic_cast<TwzText*>(Part(*label, "text"));
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->GetFill()->GetColor(), "#FF00FF00");
    EXPECT_EQ(label->GetFontFill()->GetColor(), "#FF00FF00");
    EXPECT_EQ(part->GetText(), u"Hello");

    // A style without any of the parts: the values stay in the control.
    auto* bare = new TwzVisualObject(form.get());
    bare->SetResourceName("barestyle");
    label->SetResource("barestyle");
    label->SetText(u"Kept");
    label->SetTextAlign(wzTextAlignNear);
    EXPECT_EQ(label->GetText(), u"Kept");
    EXPECT_EQ(Part(*label, "text"), nullptr);
}

TEST_F(TextControls, AutoSizeFollowsTheTextAndTheSameTextDoesNotRestyle)
{
    auto* label = Add<TCountingLabel>("label", { 0, 0, 120, 15 });
    label->SetWordWrap(false);
    label->SetText(u"ab");
    const int before = label->applied;
    label->SetAutoSize(true);
    EXPECT_EQ(label->applied, before + 1) << "switching AutoSize on sizes at once";
    const float shortWidth = label->GetWidth();

    label->SetText(u"ab");
    EXPECT_EQ(label->applied, before + 1) << "the same text does not re-apply the style";
    label->SetText(u"a much longer caption");
    EXPECT_EQ(label->applied, before + 2);
    EXPECT_GT(label->GetWidth(), shortWidth);
    // The part is aligned again as its style had it.
    auto* part = dynamic_cast<TwzText*>(Part(*label, "text"));
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->GetAlign(), vaClient);
    EXPECT_FALSE(part->GetAutoSize());

    label->SetAutoSize(false);
    const float kept = label->GetWidth();
    label->SetText(u"x");
    EXPECT_FLOAT_EQ(label->GetWidth(), kept) << "switching it off keeps the size";
}

TEST_F(TextControls, CaptionsAreTranslatedOutsideDesignModeOnly)
{
    auto* label = Add<TwzLabel>("label", { 0, 0, 120, 15 });
    auto* value = Add<TwzValueLabel>("value", { 0, 20, 120, 15 });
    label->SetText(u"Open");
    value->SetText(u"Open");
    TwzWideStringList table;
    table.SetTextStr(u"Open=Öffnen");
    ui2d::ApplyLanguage(&table);
    EXPECT_EQ(label->GetText(), u"Öffnen");
    EXPECT_EQ(value->GetText(), u"Open") << "a value label is not translated";

    ui2d::ResetLanguage();
    EXPECT_EQ(label->GetText(), u"Open");

    scene->SetDesignTime(true);
    ui2d::ApplyLanguage(&table);
    EXPECT_EQ(label->GetText(), u"Open") << "the stored text stays untranslated in a designer";
}

TEST_F(TextControls, TheStatusBarShowsHidesAndFreesItsGrip)
{
    auto* bar = Add<TwzStatusBar>("bar", { 0, 0, 200, 22 });
    TwzObject* found = Part(*bar, "sizegrip");
    ASSERT_NE(found, nullptr);
    TwzVisualObject* grip = found->AsVisual();
    ASSERT_NE(grip, nullptr);
    EXPECT_TRUE(grip->GetVisible());
    EXPECT_FALSE(grip->GetLocked()) << "outside a designer a press reaches the grip";
    EXPECT_TRUE(grip->GetHitTest());
    // The object a press at the bar's right end finds is a size grip, so the scene resizes
    // the window; beside it the press goes to no grip.
    const TwzPoint corner = grip->LocalToAbsolute({ grip->GetWidth() / 2, grip->GetHeight() / 2 });
    EXPECT_GT(corner.X, 180);
    EXPECT_GT(corner.Y, 11);
    EXPECT_NE(dynamic_cast<IwzSizeGrip*>(scene->ObjectAt(corner)), nullptr);
    EXPECT_EQ(dynamic_cast<IwzSizeGrip*>(scene->ObjectAt({ 100, 11 })), nullptr);

    bar->SetShowSizeGrip(false);
    TwzVisualObject* restyled = Part(*bar, "sizegrip")->AsVisual();
    EXPECT_FALSE(restyled->GetVisible());
    bar->SetShowSizeGrip(true);
    EXPECT_TRUE(Part(*bar, "sizegrip")->AsVisual()->GetVisible());

    // ShowSizeGrip has no default: always stored.
    rtl::TMemoryStream text;
    bar->SaveObjectAsText(text);
    const std::string saved(text.Bytes().begin(), text.Bytes().end());
    EXPECT_NE(saved.find("ShowSizeGrip = True"), std::string::npos) << saved;
}

TEST_F(TextControls, ConstructorDefaults)
{
    auto* label = new TwzLabel(form.get());
    EXPECT_FLOAT_EQ(label->GetWidth(), 120);
    EXPECT_FLOAT_EQ(label->GetHeight(), 15);
    EXPECT_TRUE(label->GetAutoTranslate());
    EXPECT_TRUE(label->GetWordWrap());
    EXPECT_FALSE(label->GetHitTest());
    auto* value = new TwzValueLabel(form.get());
    EXPECT_FALSE(value->GetAutoTranslate());
    EXPECT_FALSE(value->GetWordWrap());
    auto* panel = new TwzPanel(form.get());
    EXPECT_FLOAT_EQ(panel->GetWidth(), 120);
    EXPECT_FLOAT_EQ(panel->GetHeight(), 100);
    auto* toolbar = new TwzToolBar(form.get());
    EXPECT_FLOAT_EQ(toolbar->GetHeight(), 40);
    EXPECT_EQ(toolbar->GetAlign(), vaTop);
    auto* status = new TwzStatusBar(form.get());
    EXPECT_FLOAT_EQ(status->GetHeight(), 22);
    EXPECT_EQ(status->GetAlign(), vaBottom);
    EXPECT_TRUE(status->GetShowSizeGrip());
    auto* item = new TwzSelectionItem(form.get());
    EXPECT_FALSE(item->GetHitTest());
    // The defaults are not stored.
    rtl::TMemoryStream text;
    value->SaveObjectAsText(text);
    const std::string saved(text.Bytes().begin(), text.Bytes().end());
    EXPECT_EQ(saved.find("WordWrap"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("AutoTranslate"), std::string::npos) << saved;
}

TEST_F(TextControls, ALabelReadBackFromItsStoredFormKeepsItsValues)
{
    auto* label = Add<TwzLabel>("label", { 0, 0, 120, 15 });
    label->SetText(u"Größe");
    label->SetTextAlign(wzTextAlignNear);
    label->SetWordWrap(false);
    label->SetAutoTranslate(false);
    rtl::TMemoryStream stream;
    label->SaveObjectAsText(stream);
    const std::string text(stream.Bytes().begin(), stream.Bytes().end());
    stream.SetPosition(0);
    rtl::TOwned<TwzObject> copy(Create2DObjectFromTextStream(form.get(), stream));
    auto* read = dynamic_cast<TwzLabel*>(copy.get());
    ASSERT_NE(read, nullptr) << text;
    EXPECT_EQ(read->GetText(), u"Größe");
    EXPECT_EQ(read->GetTextAlign(), wzTextAlignNear);
    EXPECT_FALSE(read->GetWordWrap());
    EXPECT_FALSE(read->GetAutoTranslate());
}

TEST_F(TextControls, TheControlsJoinTheirPaletteCategoriesInOrder)
{
    auto classesOf = [](std::string_view category) {
        std::vector<std::string> names;
        for (const ui2d::CategoryEntry& e : Object2DCategoryList()) {
            if (e.category == category)
                names.push_back(std::string(e.classInfo->name));
        }
        return names;
    };
    auto has = [](const std::vector<std::string>& list, std::initializer_list<const char*> wanted) {
        std::vector<std::string> picked;
        for (const std::string& n : list) {
            if (std::find_if(wanted.begin(), wanted.end(), [&](const char* w) { return n == w; })
                != wanted.end())
                picked.push_back(n);
        }
        // Within a category the most recent registration comes first.
        std::reverse(picked.begin(), picked.end());
        return picked == std::vector<std::string>(wanted.begin(), wanted.end());
    };
    EXPECT_TRUE(has(classesOf("Windows"), { "TwzBackground", "TwzSizeGrip", "TwzCloseButton" }));
    EXPECT_TRUE(
        has(classesOf("Boxes"), { "TwzCheckBox", "TwzPathCheckBox", "TwzRadioButton", "TwzGroupBox" }));
    EXPECT_TRUE(has(classesOf("Controls"), { "TwzPanel", "TwzLabel", "TwzValueLabel" }));
    EXPECT_TRUE(has(classesOf("Tool and Status"),
        { "TwzStatusBar", "TwzToolBar", "TwzToolButton", "TwzToolPathButton" }));
    EXPECT_TRUE(has(classesOf("Buttons"),
        { "TwzButton", "TwzRoundButton", "TwzCircleButton", "TwzBitmapButton", "TwzPathButton",
            "TwzSpeedButton", "TwzCornerButton", "TwzColorButton", "TwzBitmapStateButton",
            "TwzPopupButton" }));
    EXPECT_NE(rtl::FindClass("TwzImageList"), nullptr);
    EXPECT_TRUE(has(classesOf("HUD"),
        { "TwzHudPanel", "TwzHudButton", "TwzHudSpeedButton", "TwzHudLabel", "TwzHudCheckBox",
            "TwzHudRadioButton", "TwzHudGroupBox", "TwzHudCloseButton", "TwzHudStatusBar", "TwzHudSizeGrip",
            "TwzHudRoundButton", "TwzHudCornerButton", "TwzHudCircleButton" }));
    EXPECT_NE(rtl::FindClass("TwzSelectionItem"), nullptr);
    EXPECT_NE(rtl::FindClass("twzhudsizegrip"), nullptr);
}

TEST_F(TextControls, LabelAndPanelPaintThroughTheBuiltInStyle)
{
    auto* panel = Add<TwzPanel>("panel", { 10, 10, 80, 60 });
    auto* label = Add<TwzLabel>("label", { 110, 10, 80, 30 });
    label->SetText(u"MMMMMMMM");
    label->GetFont()->SetSize(20);
    PaintAll();
    EXPECT_EQ(Pixel(50, 40), 0xFF3A3A3Au) << "the panel's fill";
    EXPECT_EQ(Pixel(5, 5), 0u) << "nothing outside";
    bool ink = false;
    for (int y = 10; y < 40; ++y) {
        for (int x = 110; x < 190; ++x)
            ink = ink || (Pixel(x, y) >> 24) != 0;
    }
    EXPECT_TRUE(ink) << "the caption is drawn";
    (void)panel;
}
