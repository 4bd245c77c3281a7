// The path-data designer without a window: its stored description, the preview following the
// text, the problems of a text the path reader would not take whole (with their places), and
// "Paste" from the headless clipboard, hostile sizes included.

#include "app/Modules.h"
#include "controls/TwzLabel.h"
#include "controls/TwzLayouts.h"
#include "controls/TwzMemo.h"
#include "design/TwzPathDataDesigner.h"
#include "graphics/TwzPathData.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzPathShape.h"

#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

#include <string>

using platform::ui::FakeDialogs;

namespace {

std::string DataOf(const std::string& text)
{
    TwzPathData data;
    data.SetData(text);
    return data.GetData();
}

class PathDataDesignerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartModules();
        FakeDialogs::Reset();
        designer.reset(new TwzPathDataDesigner(nullptr));
    }
    void TearDown() override
    {
        designer.reset();
        FakeDialogs::Reset();
    }
    [[nodiscard]] std::string Previewed() const { return designer->previewPath->GetPathData()->GetData(); }
    [[nodiscard]] std::string ShownProblem() const
    {
        return rtl::Utf16ToUtf8(designer->labelError->GetText());
    }

    platform::ui::FakeApplication application;
    rtl::TOwned<TwzPathDataDesigner> designer;
};

TEST_F(PathDataDesignerTest, TheDescriptionReadsWholeWithTheMemoFocused)
{
    EXPECT_TRUE(designer->LoadErrors().empty()) << ::testing::PrintToString(designer->LoadErrors());
    EXPECT_EQ(designer->GetCaption(), "Path Designer");
    EXPECT_EQ(designer->GetClientWidth(), 682);
    EXPECT_EQ(designer->GetClientHeight(), 493);
    ASSERT_NE(designer->wzScene1, nullptr);
    ASSERT_NE(designer->PathData, nullptr);
    ASSERT_NE(designer->previewLayout, nullptr);
    ASSERT_NE(designer->previewPath, nullptr);
    ASSERT_NE(designer->labelError, nullptr);
    EXPECT_EQ(designer->wzScene1->GetFocused(), designer->PathData);
    EXPECT_FALSE(designer->PathData->GetWordWrap());
    EXPECT_FALSE(designer->PathData->GetAutoSelect());
}

TEST_F(PathDataDesignerTest, ThePreviewFollowsTheTextAndShowsTheFirstProblem)
{
    const std::string square = "M 0,0 L 40,0 L 40,40 L 0,40 Z";
    designer->SetPathText(square);
    EXPECT_EQ(Previewed(), DataOf(square)) << "the caller's text shows at once";
    EXPECT_EQ(ShownProblem(), "");
    EXPECT_EQ(designer->GetPathText(), square);

    designer->SetPathText("M 0,0 L 40,0\nL 40,40 X 5");
    EXPECT_EQ(Previewed(), DataOf("M 0,0 L 40,0 L 40,40")) << "what reads is still previewed";
    EXPECT_NE(ShownProblem().find("Line 2, column 9"), std::string::npos) << ShownProblem();
    EXPECT_EQ(ShownProblem(), designer->GetPathProblem());

    SCOPED_TRACE("a hidden preview is left alone");
    designer->previewLayout->SetVisible(false);
    designer->SetPathText(square);
    EXPECT_EQ(Previewed(), DataOf("M 0,0 L 40,0 L 40,40"));
}

TEST(PathTextProblem, NamesThePlaceWhereTheReaderDropsOrStops)
{
    const struct {
        const char16_t* text;
        const char* problem; // a part of the message; empty: the text reads whole
    } cases[] = {
        { u"", "" },
        { u"M 0,0 L 10,10 Z", "" },
        { u"M0 0L10 10z", "" },
        { u"M 0,0 L 10,10 20,20 30,5", "" }, // repeated points
        { u"M 0,0\r\nC 1,2 3,4 5,6\r\nS 7,8 9,10", "" },
        { u"M 0,0 h 5 v -5 H 0 V 0", "" },
        { u"M 0,0 A 5,5 0 0,1 10,10", "" },
        { u"m 1.5,-2.25 l .5,.5", "" },
        { u"M 0,0 L 5,5\tZ", "" }, // a tab vanishes
        { u"M", "" }, // a point missing at the end is the origin
        { u"M 10", "Line 1, column 1: \"M\" needs a point" },
        { u"M 0,0\nL 5,5 X 3", "Line 2, column 7: \"X\" starts no path command" },
        { u"M 0,0\r\n\r\nL 5,5 # 3", "Line 3, column 7: \"#\"" }, // CR LF is one break
        { u"M 0,0 H 10 20", "Line 1, column 12: \"2\" starts no path command" },
        { u"M 0,0 Q 1,1 2,2", "column 7: quadratic curves" },
        { u"M 0,0 C 1,2 3,4", "" }, // the missing last point is the origin
        { u"M 0,0 C 1,2 3,4 5", "column 7: \"C\" needs three points" },
        { u"M 1e5,2", "\"M\" needs a point" },
        { u"M 0,0 A 5,5 0 0", "\"A\" needs seven numbers" },
        { u"H", "\"H\" needs one number" },
        { u"M 0,0 L 1,2 \u00e9", "\"\u00e9\" starts no path command" },
        { u"M 99999999999999999999999999999999999999999,0", "\"M\" needs a point" },
    };
    for (const auto& c : cases) {
        const std::string problem = design::PathTextProblem(c.text);
        SCOPED_TRACE(rtl::Utf16ToUtf8(c.text));
        if (std::string(c.problem).empty())
            EXPECT_EQ(problem, "");
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
}

TEST(PathTextProblem, AgreesWithTheReaderOnTextsThatReadWhole)
{
    // A text the checker passes reads into the same path once its problems are gone; one it
    // faults reads into less than the text asks for.
    EXPECT_EQ(DataOf("M 0,0 L 10,10 20,20"), DataOf("M 0,0 L 10,10 L 20,20"));
    EXPECT_NE(DataOf("M 0,0 L 10,10 X L 20,20"), DataOf("M 0,0 L 10,10 L 20,20"));
    EXPECT_NE(design::PathTextProblem(u"M 0,0 L 10,10 X L 20,20"), "");
}

TEST_F(PathDataDesignerTest, PasteReplacesTheWholeTextWithinABound)
{
    designer->SetPathText("M 0,0 L 1,1");
    const std::string pasted = "M 5,5 L 20,5 L 20,20 Z";
    application.GetClipboard().SetText(rtl::Utf8ToUtf16(pasted));
    designer->Button1Click(nullptr);
    EXPECT_EQ(designer->GetPathText(), pasted);
    EXPECT_EQ(Previewed(), DataOf(pasted));
    EXPECT_TRUE(FakeDialogs::Messages().empty());

    SCOPED_TRACE("a text beyond the bound is refused and says so");
    const std::u16string huge(TwzPathDataDesigner::kMaxPathText + 1, u'1');
    EXPECT_FALSE(designer->ReplaceText(huge));
    EXPECT_EQ(designer->GetPathText(), pasted);
    ASSERT_EQ(FakeDialogs::Messages().size(), 1u);
    EXPECT_NE(FakeDialogs::Messages().front().find(std::to_string(huge.size())), std::string::npos);
    EXPECT_EQ(Previewed(), DataOf(pasted));
}

} // namespace
