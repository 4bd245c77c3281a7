// Actions and the control action link: a control follows its action's caption, enabled,
// checked, hint and visible states and execute handler while each is linked.

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"
#include "ui2d/TwzAction.h"
#include "ui2d/TwzControl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A control with a caption and a checked state, published as the text controls and toggles do.
class TActionProbe : public TwzControl {
    RTL_CLASS(TActionProbe, TwzControl)
public:
    explicit TActionProbe(rtl::TComponent* owner)
        : TwzControl(owner)
    { }
    [[nodiscard]] const std::u16string& GetText() const { return text; }
    void SetText(const std::u16string& value) { text = value; }
    [[nodiscard]] bool GetIsChecked() const { return checked; }
    void SetIsChecked(bool value) { checked = value; }

    std::u16string text;
    bool checked = false;
};

constexpr rtl::TPropInfo kProbeProps[] = {
    RTL_PROP(TwzControl, Action, Component, nullptr),
    RTL_PROP(TActionProbe, Text, WideString, rtl::kNoDefault),
    RTL_PROP(TActionProbe, IsChecked, Boolean, false),
};

} // namespace

RTL_IMPLEMENT_CLASS(TActionProbe, .props = kProbeProps)

namespace {

class TExecuteCounter : public rtl::TObject {
public:
    int runs = 0;
    void Run(rtl::TObject*) { ++runs; }
};

struct ActionFixture : ::testing::Test {
    TwzAction* action = new TwzAction(nullptr);
    TActionProbe* control = new TActionProbe(nullptr);

    ~ActionFixture() override
    {
        if (control)
            control->Free();
        if (action)
            action->Free();
    }
};

TEST_F(ActionFixture, LinkingCopiesEveryValueAndTheControlFollowsLaterChanges)
{
    TExecuteCounter counter;
    action->SetCaption(u"Сохранить");
    action->SetEnabled(false);
    action->SetChecked(true);
    action->SetHint(u"Save the design");
    action->OnExecute.Bind<&TExecuteCounter::Run>(&counter);
    control->text = u"Button1";

    TwzControlActionLink* link = TwzControlActionLink::SetClientAction(control, action);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(TwzControlActionLink::Of(control), link);
    EXPECT_EQ(control->text, u"Сохранить");
    EXPECT_FALSE(control->GetEnabled());
    EXPECT_TRUE(control->checked);
    EXPECT_EQ(control->GetHint(), u"Save the design");
    control->OnClick(control);
    EXPECT_EQ(counter.runs, 1);

    action->SetCaption(u"Save");
    action->SetEnabled(true);
    action->SetChecked(false);
    action->SetHint(u"");
    action->SetVisible(false);
    EXPECT_EQ(control->text, u"Save");
    EXPECT_TRUE(control->GetEnabled());
    EXPECT_FALSE(control->checked);
    EXPECT_EQ(control->GetHint(), u"");
    EXPECT_FALSE(control->GetVisible());
    EXPECT_TRUE(action->Execute());
    EXPECT_EQ(counter.runs, 2);
}

TEST_F(ActionFixture, AValueTheControlNoLongerSharesStaysTheControls)
{
    TwzControlActionLink::SetClientAction(control, action);
    action->SetCaption(u"Open");
    EXPECT_EQ(control->text, u"Open");
    control->text = u"Open file"; // changed by hand
    action->SetCaption(u"Open…");
    EXPECT_EQ(control->text, u"Open file");
    EXPECT_FALSE(TwzControlActionLink::Of(control)->IsCaptionLinked());

    control->SetEnabled(false); // the action is enabled
    action->SetEnabled(false); // values differed: the control is not touched
    EXPECT_FALSE(control->GetEnabled());
    action->SetEnabled(true); // equal again before the change: the control follows
    EXPECT_TRUE(control->GetEnabled());

    control->checked = true; // the action is not checked
    action->SetChecked(true);
    EXPECT_TRUE(control->checked);
    action->SetChecked(false);
    EXPECT_FALSE(control->checked);
}

TEST_F(ActionFixture, EitherSideMayGoFirstAndOnlyControlsTakeALink)
{
    TwzControlActionLink::SetClientAction(control, action);
    action->Free();
    action = nullptr;
    TwzControlActionLink* link = TwzControlActionLink::Of(control);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->GetAction(), nullptr);
    EXPECT_FALSE(link->IsCaptionLinked());

    action = new TwzAction(nullptr);
    TwzControlActionLink::SetClientAction(control, action);
    EXPECT_EQ(action->Links().size(), 1u);
    control->Free();
    control = nullptr;
    EXPECT_TRUE(action->Links().empty());
    action->SetCaption(u"after"); // no link left to reach a freed control

    auto* stray = new TwzControlActionLink(nullptr);
    EXPECT_THROW(stray->AssignClient(action), rtl::ConvertError);
    stray->Free();
}

TEST_F(ActionFixture, UnlinkingFreesTheLinkAndADisabledActionDoesNotExecute)
{
    TExecuteCounter counter;
    action->OnExecute.Bind<&TExecuteCounter::Run>(&counter);
    TwzControlActionLink::SetClientAction(control, action);
    TwzControlActionLink::SetClientAction(control, nullptr);
    EXPECT_EQ(TwzControlActionLink::Of(control), nullptr);
    EXPECT_TRUE(action->Links().empty());
    action->SetCaption(u"gone");
    EXPECT_EQ(control->text, u"");
    action->SetEnabled(false);
    EXPECT_FALSE(action->Execute());
    EXPECT_EQ(counter.runs, 0);
}

TEST_F(ActionFixture, ThePublishedActionPropertyLinksTheControl)
{
    TExecuteCounter counter;
    action->SetCaption(u"Print");
    action->SetChecked(true);
    action->OnExecute.Bind<&TExecuteCounter::Run>(&counter);
    ASSERT_TRUE(rtl::SetPropValue(*control, "Action", rtl::TValue(static_cast<rtl::TObject*>(action))));
    EXPECT_EQ(control->GetAction(), action);
    const rtl::TValue read = rtl::GetPropValue(*control, "Action");
    ASSERT_TRUE(std::holds_alternative<rtl::TObject*>(read));
    EXPECT_EQ(std::get<rtl::TObject*>(read), action);
    EXPECT_EQ(control->text, u"Print");
    EXPECT_TRUE(control->checked);
    control->OnClick(control);
    EXPECT_EQ(counter.runs, 1);

    // The control follows caption, enabled and checked changes of its action.
    action->SetCaption(u"Print…");
    action->SetEnabled(false);
    action->SetChecked(false);
    EXPECT_EQ(control->text, u"Print…");
    EXPECT_FALSE(control->GetEnabled());
    EXPECT_FALSE(control->checked);

    // An action that goes leaves the property empty; nil unlinks and frees the link.
    control->SetAction(nullptr);
    EXPECT_EQ(control->GetAction(), nullptr);
    EXPECT_EQ(TwzControlActionLink::Of(control), nullptr);
    control->SetAction(action);
    action->Free();
    action = nullptr;
    EXPECT_EQ(control->GetAction(), nullptr);
}

TEST_F(ActionFixture, AnActionStillLoadingFillsOnlyWhatTheControlLeftAtItsDefaults)
{
    TExecuteCounter counter;
    action->SetCaption(u"Save");
    action->SetEnabled(false);
    action->SetChecked(true);
    action->SetHint(u"Save the design");
    action->SetVisible(false);
    action->OnExecute.Bind<&TExecuteCounter::Run>(&counter);

    struct Case {
        const char* name;
        std::u16string text;
        bool checked, enabled, visible;
        std::u16string hint;
        bool ownClick;
        std::u16string expectedText;
        bool expectedChecked, expectedEnabled, expectedVisible;
        std::u16string expectedHint;
        bool actionClick;
    };
    const Case cases[] = {
        { "every value at its default", u"", false, true, true, u"", false, u"Save", true, false, false,
            u"Save the design", true },
        { "a text equal to the component name counts as default", u"Probe", false, true, true, u"", false,
            u"Save", true, false, false, u"Save the design", true },
        { "every value set by the form", u"Keep", true, false, false, u"own", true, u"Keep", true, false,
            false, u"own", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* probe = new TActionProbe(nullptr);
        probe->SetName("Probe");
        probe->text = c.text;
        probe->checked = c.checked;
        probe->SetEnabled(c.enabled);
        probe->SetVisible(c.visible);
        probe->SetHint(c.hint);
        TExecuteCounter own;
        if (c.ownClick)
            probe->OnClick.Bind<&TExecuteCounter::Run>(&own);
        probe->ActionChange(action, true);
        EXPECT_EQ(probe->text, c.expectedText);
        EXPECT_EQ(probe->checked, c.expectedChecked);
        EXPECT_EQ(probe->GetEnabled(), c.expectedEnabled);
        EXPECT_EQ(probe->GetVisible(), c.expectedVisible);
        EXPECT_EQ(probe->GetHint(), c.expectedHint);
        probe->OnClick(probe);
        EXPECT_EQ(counter.runs, c.actionClick ? 1 : 0);
        EXPECT_EQ(own.runs, c.ownClick ? 1 : 0);
        counter.runs = 0;
        probe->Free();
    }
    // Any sender but an action changes nothing.
    control->text = u"untouched";
    control->ActionChange(control, false);
    EXPECT_EQ(control->text, u"untouched");
}

TEST_F(ActionFixture, InitiateActionRunsTheActionsUpdateHandler)
{
    TExecuteCounter updates;
    action->OnUpdate.Bind<&TExecuteCounter::Run>(&updates);
    control->InitiateAction(); // no action yet
    EXPECT_EQ(updates.runs, 0);
    control->SetAction(action);
    control->InitiateAction();
    EXPECT_EQ(updates.runs, 1);
}

} // namespace
