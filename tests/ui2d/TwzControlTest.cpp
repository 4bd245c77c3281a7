// The styled control base: the style lookup order, the copy as a locked, unstored first
// child, lazy application, restyling, parts and triggers, data binding, the background and
// the content container.

#include "StyleTestClasses.h"

#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzBrushObject.h"
#include "ui2d/TwzContent.h"
#include "ui2d/TwzEffect.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace ui2dtest;

namespace {

std::string SavedText(TwzObject& object)
{
    rtl::TMemoryStream text;
    object.SaveObjectAsText(text);
    return std::string(text.Bytes().begin(), text.Bytes().end());
}

bool AllLocked(TwzObject& object)
{
    TwzVisualObject* visual = object.AsVisual();
    if (visual && !visual->GetLocked())
        return false;
    for (TwzObject* child : object.Children()) {
        if (!AllLocked(*child))
            return false;
    }
    return true;
}

bool NoneStored(TwzObject& object)
{
    if (object.GetStored())
        return false;
    for (TwzObject* child : object.Children()) {
        if (!NoneStored(*child))
            return false;
    }
    return true;
}

} // namespace

using ControlStyle = StyleTest;

TEST_F(ControlStyle, ClassDerivedNameDropsThreeLettersAndAddsStyle)
{
    EXPECT_EQ(TwzControl::ClassStyleName(TwzProbeButton::StaticClass()), "ProbeButtonstyle");
    EXPECT_EQ(TwzControl::ClassStyleName(TwzBackground::StaticClass()), "Backgroundstyle");
    EXPECT_EQ(TwzControl::ClassStyleName(TwzControl::StaticClass()), "Controlstyle");
}

TEST_F(ControlStyle, LookupOrder)
{
    struct Case {
        const char* name;
        std::string sheet; // style objects in the host's sheet
        std::string builtIn; // style objects in the built-in style
        std::function<void(StyleTest&)> live; // objects living elsewhere in the process
        std::function<TwzControl*(StyleTest&)> control;
        std::string expected; // the hint of the applied copy, or "none"
    };
    auto liveObject = [](const std::string& resourceName, bool stored) {
        return [=](StyleTest& t) {
            auto* object = new TwzVisualObject(t.form.get());
            object->SetResourceName(resourceName);
            object->SetHint(u"live");
            object->SetStored(stored);
        };
    };
    auto probe = [](const std::string& resource) {
        return [=](StyleTest& t) -> TwzControl* { return t.Control<TwzProbeButton>(resource); };
    };
    const Case cases[] = {
        { "a named style in the sheet beats the built-in style and live objects",
            StyleObject("named", "sheet"), StyleObject("named", "builtin"), liveObject("named", true),
            probe("named"), "sheet" },
        { "a named style in the built-in style beats live objects", {}, StyleObject("named", "builtin"),
            liveObject("named", true), probe("named"), "builtin" },
        { "a stored live object serves when no style has the name", {}, {}, liveObject("named", true),
            probe("named"), "live" },
        { "an unstored live object (another control's copy) does not serve", {},
            StyleObject("probebuttonstyle", "builtin-class"), liveObject("named", false), probe("named"),
            "builtin-class" },
        { "a name found nowhere falls back to the class-derived name",
            StyleObject("probebuttonstyle", "sheet-class"), StyleObject("probebuttonstyle", "builtin-class"),
            nullptr, probe("nothing"), "sheet-class" },
        { "names ignore case", StyleObject("PROBEBUTTONSTYLE", "sheet-class"), {}, nullptr, probe({}),
            "sheet-class" },
        { "the built-in style's named style beats the sheet's class-derived one",
            StyleObject("probebuttonstyle", "sheet-class"), StyleObject("named", "builtin"), nullptr,
            probe("named"), "builtin" },
        { "the built-in class-derived style when the sheet has none", {},
            StyleObject("probebuttonstyle", "builtin-class"), nullptr, probe({}), "builtin-class" },
        { "a subclass borrows its parent's built-in style", {},
            StyleObject("probebuttonstyle", "builtin-parent"), nullptr,
            [](StyleTest& t) -> TwzControl* { return t.Control<TwzProbeSubButton>(); }, "builtin-parent" },
        { "a subclass's own style beats its parent's", {},
            StyleObject("probebuttonstyle", "builtin-parent")
                + StyleObject("probesubbuttonstyle", "builtin-own"),
            nullptr, [](StyleTest& t) -> TwzControl* { return t.Control<TwzProbeSubButton>(); },
            "builtin-own" },
        { "a grandparent's style is not tried", {}, StyleObject("probebuttonstyle", "builtin-grandparent"),
            nullptr, [](StyleTest& t) -> TwzControl* { return t.Control<TwzProbeSubSubButton>(); }, "none" },
        { "the sheet is not searched by the parent class's name",
            StyleObject("probebuttonstyle", "sheet-parent"), {}, nullptr,
            [](StyleTest& t) -> TwzControl* { return t.Control<TwzProbeSubButton>(); }, "none" },
        { "a non-visual find is ignored", "object TwzBrushObject\n  ResourceName = 'probebuttonstyle'\nend\n",
            StyleObject("probebuttonstyle", "builtin-class"), nullptr, probe({}), "builtin-class" },
        { "a live non-visual object is ignored", {}, StyleObject("probebuttonstyle", "builtin-class"),
            [](StyleTest& t) { (new TwzBrushObject(t.form.get()))->SetResourceName("named"); },
            probe("named"), "builtin-class" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetSheet(c.sheet);
        UseBuiltIn(c.builtIn);
        if (c.live)
            c.live(*this);
        TwzControl* control = c.control(*this);
        PaintScene();
        EXPECT_EQ(StyleHint(control), c.expected);
        TearDown();
        SetUp();
    }
}

TEST_F(ControlStyle, LiveCopiesAreAnonymousWhileStyleCopiesKeepTheirName)
{
    UseBuiltIn(StyleObject("probebuttonstyle", "builtin"));
    auto* live = new TwzVisualObject(form.get());
    live->SetResourceName("named");
    TwzControl* fromLive = Control("named");
    TwzControl* fromStyle = Control();
    PaintScene();
    ASSERT_NE(fromLive->GetAppliedStyle(), nullptr);
    ASSERT_NE(fromStyle->GetAppliedStyle(), nullptr);
    EXPECT_EQ(fromLive->GetAppliedStyle()->GetResourceName(), "");
    EXPECT_EQ(fromStyle->GetAppliedStyle()->GetResourceName(), "probebuttonstyle");
}

TEST_F(ControlStyle, TheCopyIsALockedUnstoredFirstChildCoveringTheControl)
{
    UseBuiltIn(StyleObject("probebuttonstyle", "builtin",
        "  object TwzVisualObject\n    ResourceName = 'text'\n    HitTest = False\n"
        "    object TwzVisualObject\n      ResourceName = 'inner'\n    end\n  end\n"));
    TwzProbeButton* control = Control();
    control->GetMargins()->SetRect({ 5, 4, 3, 2 });
    auto* own = new TwzVisualObject(form.get());
    own->SetParent(control);

    PaintScene();
    TwzVisualObject* style = control->GetAppliedStyle();
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(control->GetChild(0), style);
    EXPECT_EQ(control->GetChild(1), own);
    EXPECT_EQ(style->GetAlign(), vaContents);
    EXPECT_FLOAT_EQ(style->GetPosition()->GetPoint().X, 0);
    EXPECT_FLOAT_EQ(style->GetPosition()->GetPoint().Y, 0);
    EXPECT_FLOAT_EQ(style->GetWidth(), 60) << "the margins are ignored";
    EXPECT_FLOAT_EQ(style->GetHeight(), 20);
    EXPECT_FALSE(style->GetDesignHide()) << "the style object had it set";
    EXPECT_TRUE(AllLocked(*style));
    EXPECT_TRUE(NoneStored(*style));
    EXPECT_EQ(style->GetOwner(), control);
    EXPECT_EQ(control->applied, 1);
    EXPECT_EQ(control->textPart, control->FindResource("text"));
    ASSERT_NE(control->textPart, nullptr);
    EXPECT_EQ(control->textPart->GetParent(), style);

    const std::string saved = SavedText(*control);
    EXPECT_EQ(saved.find("probebuttonstyle"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("'text'"), std::string::npos) << saved;
}

TEST_F(ControlStyle, PartsAreFoundInTheStyleBeforeTheControlsOwnChildren)
{
    UseBuiltIn(StyleObject("probebuttonstyle", "builtin",
        "  object TwzVisualObject\n    ResourceName = 'text'\n    Hint = 'style part'\n  end\n"));
    TwzProbeButton* control = Control();
    auto* own = new TwzVisualObject(form.get());
    own->SetResourceName("text");
    own->SetParent(control);
    auto* ownOnly = new TwzVisualObject(form.get());
    ownOnly->SetResourceName("extra");
    ownOnly->SetParent(control);
    EXPECT_EQ(control->FindResource("text"), own) << "no style yet";
    PaintScene();
    ASSERT_NE(control->textPart, nullptr);
    EXPECT_EQ(control->textPart->AsVisual()->GetHint(), u"style part");
    EXPECT_EQ(control->FindResource("TEXT"), control->textPart);
    EXPECT_EQ(control->FindResource("extra"), ownOnly);
}

TEST_F(ControlStyle, StylesAreLookedUpOnlyBeforeTheFirstPaint)
{
    UseBuiltIn(StyleObject("probebuttonstyle", "builtin"));
    TwzProbeButton* control = Control();
    EXPECT_TRUE(control->GetStyleLookupPending());
    EXPECT_EQ(control->GetAppliedStyle(), nullptr) << "nothing is looked up at construction";
    PaintScene();
    TwzVisualObject* first = control->GetAppliedStyle();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(control->GetStyleLookupPending());
    PaintScene();
    EXPECT_EQ(control->GetAppliedStyle(), first) << "a second paint keeps the copy";
    EXPECT_EQ(control->applied, 1);
}

TEST_F(ControlStyle, ControlsReadFromAStreamWaitForTheirFirstPaint)
{
    UseBuiltIn(StyleObject("named", "builtin"));
    const std::string text
        = "object TwzBackground\n  object TwzProbeButton\n    Resource = 'named'\n  end\nend\n";
    rtl::TMemoryStream input;
    input.WriteBuffer(text.data(), text.size());
    input.SetPosition(0);
    TwzObject* loaded = Create2DObjectFromTextStream(form.get(), input);
    ASSERT_NE(loaded, nullptr);
    auto* control = dynamic_cast<TwzProbeButton*>(loaded->GetChild(0));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->GetResource(), "named");
    EXPECT_EQ(control->GetAppliedStyle(), nullptr) << "Resource read while loading looks nothing up";
    loaded->SetParent(root);
    PaintScene();
    EXPECT_EQ(StyleHint(control), "builtin");
}

TEST_F(ControlStyle, SettingResourceAppliesAtOnceEvenWhenUnchanged)
{
    UseBuiltIn(StyleObject("named", "builtin"));
    TwzProbeButton* control = Control("named");
    TwzVisualObject* first = control->GetAppliedStyle();
    ASSERT_NE(first, nullptr) << "set after loading: applied at once";
    rtl::Watch<TwzVisualObject> watchFirst(first);
    control->SetResource("named");
    EXPECT_EQ(control->applied, 2);
    EXPECT_EQ(control->freed, 1);
    EXPECT_FALSE(watchFirst) << "the previous copy is freed";
    EXPECT_NE(control->GetAppliedStyle(), nullptr);
    EXPECT_EQ(control->GetChildCount(), 1);
}

TEST_F(ControlStyle, ALookupThatFindsNothingKeepsThePreviousCopy)
{
    UseBuiltIn(StyleObject("named", "builtin"));
    TwzProbeButton* control = Control("named");
    TwzVisualObject* first = control->GetAppliedStyle();
    ASSERT_NE(first, nullptr);
    control->SetResource("missing");
    EXPECT_EQ(control->GetAppliedStyle(), first);
    EXPECT_EQ(control->freed, 0);
}

TEST_F(ControlStyle, ChangingTheSheetRestylesItsScenes)
{
    UseBuiltIn(StyleObject("probebuttonstyle", "builtin"));
    SetSheet(StyleObject("probebuttonstyle", "first"));
    TwzProbeButton* control = Control();
    TwzProbeSubButton* sub = Control<TwzProbeSubButton>();
    PaintScene();
    EXPECT_EQ(StyleHint(control), "first");
    EXPECT_EQ(StyleHint(sub), "builtin");

    SetSheet(StyleObject("probebuttonstyle", "second") + StyleObject("probesubbuttonstyle", "second-sub"));
    EXPECT_EQ(StyleHint(control), "second") << "restyled without a paint";
    EXPECT_EQ(StyleHint(sub), "second-sub");

    sheet->GetResource()->Clear();
    EXPECT_EQ(sheet->GetRoot(), nullptr);
    EXPECT_EQ(StyleHint(control), "builtin") << "an empty sheet gives the built-in look";
}

TEST_F(ControlStyle, AMalformedSheetKeepsThePreviousStyleInForce)
{
    SetSheet(StyleObject("probebuttonstyle", "good"));
    TwzProbeButton* control = Control();
    PaintScene();
    TwzObject* previousRoot = sheet->GetRoot();
    sheet->SetName("Sheet1");
    try {
        sheet->GetResource()->SetTextStr(
            u"object TwzBackground\n  object TwzVisualObject\n    Width = \nend\n");
        FAIL() << "no error";
    } catch (const ui2d::StyleError& e) {
        EXPECT_NE(std::string(e.what()).find("Sheet1"), std::string::npos) << e.what();
    }
    EXPECT_EQ(sheet->GetRoot(), previousRoot);
    EXPECT_EQ(StyleHint(control), "good");
    EXPECT_EQ(control->applied, 1) << "no restyle for a sheet that did not change";
}

TEST_F(ControlStyle, TriggersReachTheAnimationsOfTheCopy)
{
    UseBuiltIn(StyleObject("probebuttonstyle", "builtin",
        "  object TwzVisualObject\n    ResourceName = 'background'\n    HitTest = False\n"
        "    object TStyleProbeAnimation\n      Trigger = 'IsMouseOver=true'\n    end\n"
        "    object TStyleProbeAnimation\n      Trigger = 'IsFocused=true'\n    end\n  end\n"
        "  object TwzVisualObject\n    ResourceName = 'hit'\n"
        "    object TStyleProbeAnimation\n      Trigger = 'IsMouseOver=true'\n    end\n  end\n"));
    TwzProbeButton* control = Control();
    PaintScene();
    TwzObject* background = control->FindResource("background");
    TwzObject* hit = control->FindResource("hit");
    ASSERT_NE(background, nullptr);
    ASSERT_NE(hit, nullptr);
    auto* hover = dynamic_cast<TStyleProbeAnimation*>(background->GetChild(0));
    auto* focus = dynamic_cast<TStyleProbeAnimation*>(background->GetChild(1));
    auto* hitHover = dynamic_cast<TStyleProbeAnimation*>(hit->GetChild(0));
    ASSERT_TRUE(hover && focus && hitHover);
    EXPECT_TRUE(focus->started.empty()) << "an unfocused control sends no focus state";

    control->StartTriggerAnimation(control, "IsMouseOver");
    ASSERT_EQ(hover->started.size(), 1u);
    EXPECT_EQ(hover->lastInstance, control);
    EXPECT_TRUE(hitHover->started.empty()) << "a part left hit-testable is not driven";

    // A focused control that gets a new copy shows the focused state in it at once.
    control->MarkFocused(true);
    control->SetResource({});
    auto* newFocus = dynamic_cast<TStyleProbeAnimation*>(control->FindResource("background")->GetChild(1));
    ASSERT_NE(newFocus, nullptr);
    ASSERT_EQ(newFocus->started.size(), 1u);
    EXPECT_EQ(newFocus->started[0], "IsFocused");
    control->MarkFocused(false);
}

TEST_F(ControlStyle, AStyleThatHoldsItsOwnControlStopsNesting)
{
    // A sheet whose button style contains a button: each copy would style the next.
    SetSheet(
        StyleObject("probebuttonstyle", "recursive", "  object TwzProbeButton\n    Width = 20\n  end\n"));
    TwzProbeButton* control = Control();
    PaintScene();
    int depth = 0;
    for (TwzObject* o = control; o;) {
        auto* c = dynamic_cast<TwzProbeButton*>(o);
        TwzObject* style = c ? c->GetAppliedStyle() : nullptr;
        o = style ? style->GetChild(0) : nullptr;
        ++depth;
    }
    EXPECT_GT(depth, 1);
    EXPECT_LE(depth, 17);
}

TEST_F(ControlStyle, AControlNeverCopiesItselfOrWhatHoldsIt)
{
    auto* holder = new TwzVisualObject(form.get());
    holder->SetResourceName("holder");
    holder->SetBounds(0, 0, 80, 30);
    holder->SetParent(root);
    TwzProbeButton* control = Control({}, holder);
    control->SetResourceName("self");
    control->SetResource("holder");
    EXPECT_EQ(control->GetAppliedStyle(), nullptr);
    control->SetResource("self");
    EXPECT_EQ(control->GetAppliedStyle(), nullptr);
}

TEST_F(ControlStyle, AFilledBackgroundPaintsItsFillInsteadOfItsStyle)
{
    // The style is itself a background filled green; the control's own fill is red.
    UseBuiltIn("object TwzBackground\n  ResourceName = 'probebackground'\n  Fill.Color = '#FF00FF00'\n"
               "  Fill.Style = wzBrushSolid\nend\n");
    auto* control = new TwzBackground(form.get());
    control->SetBounds(10, 10, 60, 20);
    control->SetParent(root);
    control->SetResource("probebackground");
    PaintScene();
    EXPECT_EQ(Pixel(40, 20), 0xFF00FF00u) << "no fill: the style shows";

    control->GetFill()->SetSolidColor(0xFFFF0000);
    control->GetFill()->SetStyle(wzBrushSolid);
    PaintScene();
    EXPECT_EQ(Pixel(40, 20), 0xFFFF0000u) << "a fill hides the style";
    ASSERT_NE(control->GetAppliedStyle(), nullptr);
    EXPECT_TRUE(control->GetAppliedStyle()->GetVisible()) << "shown again after painting";
}

TEST_F(ControlStyle, TheRootOfATransparentHostPaintsNoStyle)
{
    UseBuiltIn("object TwzBackground\n  ResourceName = 'backgroundstyle'\n  Fill.Color = '#FF00FF00'\n"
               "  Fill.Style = wzBrushSolid\nend\n");
    scene->UpdateStyle();
    PaintScene();
    EXPECT_EQ(Pixel(50, 20), 0xFF00FF00u);
    scene->SetTransparency(true);
    PaintScene();
    EXPECT_EQ(Pixel(50, 20), 0u);
}

TEST_F(ControlStyle, BindingPushesTheSourcesValue)
{
    TwzProbeButton* source = Control();
    TwzProbeButton* a = Control();
    TwzProbeButton* b = Control();
    source->value = std::string("one");
    a->SetBindingSource(source);
    EXPECT_EQ(ui2d::VariantToText(a->value), "one") << "joining pushes the current value";
    b->SetBindingSource(source);
    b->SetBindingSource(source);
    EXPECT_EQ(source->BoundControls().size(), 2u) << "no control joins twice";
    source->value = std::string("two");
    source->UpdateBinding();
    EXPECT_EQ(ui2d::VariantToText(a->value), "two");
    EXPECT_EQ(ui2d::VariantToText(b->value), "two");

    a->SetBindingSource(nullptr);
    EXPECT_EQ(source->BoundControls().size(), 1u);
    b->Free();
    EXPECT_TRUE(source->BoundControls().empty()) << "a freed control leaves its source";
}

TEST_F(ControlStyle, AFreedSourceIsForgottenEvenByControlsOfAnotherOwner)
{
    rtl::TOwned<TTestObject> otherForm(new TTestObject(nullptr));
    auto* bound = new TwzProbeButton(otherForm.get());
    TwzProbeButton* source = Control();
    bound->SetBindingSource(source);
    source->Free();
    EXPECT_EQ(bound->GetBindingSource(), nullptr);
}

TEST_F(ControlStyle, ContentStreamsItsChildrenAsItsParentsAndRelayoutsIt)
{
    TwzProbeButton* control = Control();
    auto* content = new TwzContent(form.get());
    content->SetAlign(vaClient);
    content->SetParent(control);
    auto* item = new TwzVisualObject(form.get());
    item->SetResourceName("item");
    item->SetParent(content);
    const std::string saved = SavedText(*control);
    const size_t itemAt = saved.find("'item'");
    const size_t contentAt = saved.find("TwzContent");
    ASSERT_NE(itemAt, std::string::npos) << saved;
    ASSERT_NE(contentAt, std::string::npos) << saved;
    EXPECT_LT(itemAt, contentAt) << "the children come first, as the control's own";
    EXPECT_EQ(item->GetParentComponent(), control);

    // A docked sibling shrinks the content when the content lays itself out again.
    auto* bar = new TwzVisualObject(form.get());
    bar->SetAlign(vaTop);
    bar->SetParent(control);
    bar->SetHeight(5);
    content->RealignChildren();
    EXPECT_FLOAT_EQ(content->GetHeight(), 15);
}

TEST_F(ControlStyle, TheFirstFocusAppliesTheStyleBeforeSendingTheFocusState)
{
    UseBuiltIn(StyleObject("probebuttonstyle", "builtin",
        "  object TwzVisualObject\n    ResourceName = 'background'\n    HitTest = False\n"
        "    object TStyleProbeAnimation\n      Trigger = 'IsFocused=true'\n    end\n  end\n"));
    TwzProbeButton* control = Control();
    ASSERT_EQ(control->GetAppliedStyle(), nullptr);
    scene->SetFocused(control);
    ASSERT_NE(control->GetAppliedStyle(), nullptr) << "styled before its first paint";
    auto* focus = dynamic_cast<TStyleProbeAnimation*>(control->FindResource("background")->GetChild(0));
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->started, std::vector<std::string> { "IsFocused" })
        << "the new copy hears the focus once";
    EXPECT_TRUE(control->GetIsFocused());
}
