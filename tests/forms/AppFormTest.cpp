// The window component on the headless window system: a description read with its handlers
// bound by name, the scenes it owns filling the client area and following its size, modal
// runs ended by the modal result, and OnCreate/OnDestroy around the components' life.

#include "forms/AppForm.h"
#include "app/Modules.h"

#include "ui2d/TwzScene.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/ui/FakeApplication.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

class TTestDialog : public TAppForm {
    RTL_CLASS(TTestDialog, TAppForm)
public:
    using TAppForm::TAppForm;
    void DialogCreate(rtl::TObject*) { g_log.push_back("create:" + std::to_string(GetComponentCount())); }
    void DialogDestroy(rtl::TObject*) { g_log.push_back("destroy:" + std::to_string(GetComponentCount())); }

protected:
    ~TTestDialog() override = default;
};

constexpr rtl::TMethodInfo kTestDialogHandlers[] = {
    RTL_HANDLER(TTestDialog, DialogCreate, rtl::TNotifyEvent),
    RTL_HANDLER(TTestDialog, DialogDestroy, rtl::TNotifyEvent),
};

const char* const kDescription = "object dlgTest: TTestDialog\n"
                                 "  Caption = 'Render'\n"
                                 "  ClientWidth = 300\n"
                                 "  ClientHeight = 200\n"
                                 "  OnCreate = DialogCreate\n"
                                 "  OnDestroy = DialogDestroy\n"
                                 "  object Scene: TwzScene\n"
                                 "  end\n"
                                 "end\n";

class AppFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartModules();
        rtl::RegisterClass<TTestDialog>();
        g_log.clear();
    }
    void TearDown() override { StopModules(); }

    platform::ui::FakeApplication app;
};

} // namespace

RTL_IMPLEMENT_CLASS(TTestDialog, .methods = kTestDialogHandlers)

TEST_F(AppFormTest, TheDescriptionIsReadWithItsHandlersAndTheSceneFillsTheWindow)
{
    rtl::TOwned<TTestDialog> form(new TTestDialog(nullptr));
    form->LoadDescription(kDescription);
    EXPECT_TRUE(form->LoadErrors().empty()) << ::testing::PrintToString(form->LoadErrors());
    EXPECT_EQ(g_log, std::vector<std::string> { "create:1" });
    EXPECT_EQ(form->GetCaption(), "Render");
    auto* scene = dynamic_cast<TwzScene*>(form->FindComponent("Scene"));
    ASSERT_NE(scene, nullptr);
    EXPECT_FLOAT_EQ(scene->GetWidth(), 300);
    EXPECT_FLOAT_EQ(scene->GetHeight(), 200);

    form->CreateWindowHandle();
    ASSERT_NE(form->GetWindow(), nullptr);
    EXPECT_EQ(scene->GetParentForm(), form->GetWindow());
    EXPECT_EQ(form->GetWindow()->ClientWidth(), 300);
    form->SetClientWidth(420);
    app.ProcessMessages();
    EXPECT_EQ(form->GetClientWidth(), 420);
    form->AlignScenes();
    EXPECT_FLOAT_EQ(scene->GetWidth(), 420);

    form.reset();
    EXPECT_EQ(g_log, (std::vector<std::string> { "create:1", "destroy:1" }))
        << "OnDestroy before the components go";
}

TEST_F(AppFormTest, AModalRunEndsWithTheModalResultAndAHandlerTheFormLacksIsOnlyReported)
{
    rtl::TOwned<TTestDialog> form(new TTestDialog(nullptr));
    std::string text = kDescription;
    text.replace(text.find("OnDestroy = DialogDestroy"), 25, "OnDestroy = NoSuchHandler");
    form->LoadDescription(text);
    EXPECT_EQ(form->LoadErrors().size(), 1u);
    app.Post([&] { form->SetModalResult(platform::ui::kModalOk); });
    EXPECT_EQ(form->ShowModal(), platform::ui::kModalOk);
    // Closing a modal form cancels it.
    app.Post([&] { form->CloseForm(); });
    EXPECT_EQ(form->ShowModal(), platform::ui::kModalCancel);
}

TEST_F(AppFormTest, ObjectTextThatDoesNotParseRaises)
{
    rtl::TOwned<TTestDialog> form(new TTestDialog(nullptr));
    EXPECT_ANY_THROW(form->LoadDescription("object dlgTest: TTestDialog\n  Caption = 'open\n"));
    EXPECT_TRUE(g_log.empty()) << "no OnCreate for a description that was not read";
}
