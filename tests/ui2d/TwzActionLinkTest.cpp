// Actions and the control action link: a control follows its action's caption, enabled,
// checked, hint and visible states and execute handler while each is linked.

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
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

} // namespace
