// Compound caption rows: a caption label and an editor behaving as one control, their
// sub-components streamed inside the row, OnChange passed on with the editor as Sender, and
// the value labels of the track and angle rows.

#include "ControlsTest.h"

#include "controls/TwzAngleButton.h"
#include "controls/TwzButtons.h"
#include "controls/TwzCompoundRows.h"
#include "controls/TwzMemo.h"
#include "controls/TwzNumberBox.h"
#include "controls/TwzTextBox.h"
#include "controls/TwzTracks.h"
#include "controls/ValueControls.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Locale.h"

#include <string>

using namespace controlstest;
namespace vk = platform::ui::vk;

namespace {

class CompoundRowTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        RegisterValueControls();
        platform::ui::SetUserDecimalSeparator(",");
    }

    void TearDown() override
    {
        platform::ui::SetUserDecimalSeparator("");
        ControlsTest::TearDown();
    }

    /// The row's text as a stored form writes it.
    static std::string Stored(TwzObject& row)
    {
        rtl::TMemoryStream stream;
        row.SaveObjectAsText(stream);
        return std::string(stream.Bytes().begin(), stream.Bytes().end());
    }

    template <class T> T* ReadBack(const std::string& text)
    {
        rtl::TMemoryStream stream;
        stream.WriteBuffer(text.data(), text.size());
        stream.SetPosition(0);
        return dynamic_cast<T*>(Create2DObjectFromTextStream(form.get(), stream));
    }

    /// The row of the render dialog's output width.
    TwzCompoundNumberBox* WidthRow()
    {
        auto* row = Add<TwzCompoundNumberBox>("numberWidth", { 0, 10, 200, 21 });
        row->GetTextLabel()->SetText(u"Width (px):");
        TwzNumberBox* box = row->GetNumberBox();
        box->SetMin(10);
        box->SetMax(2048);
        box->SetValueType(wzValueInteger);
        box->SetHorzIncrement(1);
        box->SetVertIncrement(5);
        row->SetValue(512);
        row->OnChange = form->ChangeHandler();
        return row;
    }
};

} // namespace

TEST_F(CompoundRowTest, TheRenderDialogsWidthRow)
{
    TwzCompoundNumberBox* row = WidthRow();
    TwzNumberBox* box = row->GetNumberBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(row->GetValue(), 512);
    EXPECT_EQ(box->GetText(), u"512");
    EXPECT_TRUE(form->log.empty()) << "a value set from code raises no change";
    EXPECT_EQ(row->GetHeight(), 21);
    EXPECT_EQ(box->GetName(), "NumberBox");
    EXPECT_EQ(row->GetTextLabel()->GetName(), "TextLabel");

    // The caption takes 70 units and a gap of 5 on the left; the box fills the rest at full
    // height.
    const TwzPoint boxOrigin = box->LocalToAbsolute({ 0, 0 });
    EXPECT_FLOAT_EQ(boxOrigin.X, 75);
    EXPECT_FLOAT_EQ(box->GetWidth(), 125);
    EXPECT_FLOAT_EQ(box->GetHeight(), 21);
    EXPECT_EQ(row->GetTextLabel()->GetTextAlign(), wzTextAlignFar);

    // Typed and committed through the row's box: the row reports the box as the sender.
    scene->InjectClick(box->LocalToAbsolute({ 20, 10 }));
    EXPECT_TRUE(box->GetIsFocused());
    box->SelectAll();
    scene->InjectText(u"4000");
    scene->InjectKey(vk::kReturn);
    EXPECT_EQ(row->GetValue(), 2048);
    EXPECT_EQ((std::vector<std::string> { "change:NumberBox" }), form->log);
    scene->InjectKey(vk::kUp);
    EXPECT_EQ(row->GetValue(), 2048);
    scene->InjectKey(vk::kDown);
    EXPECT_EQ(row->GetValue(), 2047);
}

TEST_F(CompoundRowTest, SubComponentsAreStoredInsideTheRow)
{
    TwzCompoundNumberBox* row = WidthRow();
    row->GetTextLabel()->SetWidth(90);
    const std::string text = Stored(*row);
    EXPECT_NE(text.find("TextLabel.Width =  9.0000000000000000E+0001"), std::string::npos) << text;
    EXPECT_NE(text.find("NumberBox.Max =  2.0480000000000000E+0003"), std::string::npos) << text;
    EXPECT_EQ(text.find("object TwzLabel"), std::string::npos) << "no separate children: " << text;
    EXPECT_EQ(text.find("object TwzNumberBox"), std::string::npos) << text;
    EXPECT_EQ(text.find("object TwzControl"), std::string::npos) << text;

    rtl::TOwned<TwzCompoundNumberBox> read(ReadBack<TwzCompoundNumberBox>(text));
    ASSERT_NE(read, nullptr) << text;
    EXPECT_EQ(read->GetTextLabel()->GetWidth(), 90);
    EXPECT_EQ(read->GetTextLabel()->GetText(), u"Width (px):");
    EXPECT_EQ(read->GetNumberBox()->GetMax(), 2048);
    EXPECT_EQ(read->GetValue(), 512);
    EXPECT_EQ(read->GetNumberBox()->GetText(), u"512");
    EXPECT_EQ(read->GetChildCount(), row->GetChildCount()) << "reading adds no second label or box";
}

TEST_F(CompoundRowTest, EveryRowPassesItsEditorsChangeOnWithTheEditorAsSender)
{
    auto* text = Add<TwzCompoundTextBox>("textRow", { 0, 0, 200, 21 });
    auto* color = Add<TwzCompoundColorButton>("colorRow", { 0, 25, 200, 21 });
    auto* track = Add<TwzCompoundTrackBar>("trackRow", { 0, 50, 200, 20 });
    auto* angle = Add<TwzCompoundAngleBar>("angleRow", { 0, 75, 200, 20 });
    text->OnChange = form->ChangeHandler();
    color->OnChange = form->ChangeHandler();
    track->OnChange = form->ChangeHandler();
    angle->OnChange = form->ChangeHandler();

    text->GetTextBox()->FocusObject();
    scene->InjectText(u"hello");
    scene->InjectKey(vk::kReturn);
    EXPECT_EQ(text->GetValue(), u"hello");
    color->SetValue("#FF102030");
    EXPECT_EQ(color->GetValue(), "#FF102030");
    track->SetValue(40);
    angle->SetValue(90);
    EXPECT_EQ((std::vector<std::string> {
                  "change:TextBox", "change:ColorButton", "change:TrackBar", "change:AngleBar" }),
        form->log);
    EXPECT_EQ(angle->GetAngleButton()->GetName(), "AngleBar");
}

TEST_F(CompoundRowTest, TheTrackRowsValueLabelFollowsEveryChange)
{
    auto* row = Add<TwzCompoundTrackBar>("trackRow", { 0, 10, 200, 20 });
    EXPECT_EQ(row->GetValueLabel()->GetText(), u"0");
    row->SetSuffix(u" px");
    row->SetValue(12.7f);
    EXPECT_EQ(row->GetValueLabel()->GetText(), u"12,70 px");
    row->SetDecimalDigits(1);
    EXPECT_EQ(row->GetValueLabel()->GetText(), u"12,7 px");

    // A whole step shows the quantised value as a whole number.
    row->GetTrackBar()->SetFrequency(1);
    row->SetValue(12.7f);
    EXPECT_EQ(row->GetValueLabel()->GetText(), u"13 px");
    row->GetTrackBar()->SetFrequency(0.5f);
    row->SetValue(12.7f);
    EXPECT_EQ(row->GetValueLabel()->GetText(), u"12,5 px");

    // Keys on the track bar reach the label too.
    row->GetTrackBar()->FocusObject();
    scene->InjectKey(vk::kRight);
    EXPECT_EQ(row->GetValueLabel()->GetText(), u"13,0 px");
}

TEST_F(CompoundRowTest, TheAngleRowShowsWholeDegrees)
{
    auto* row = Add<TwzCompoundAngleBar>("angleRow", { 0, 10, 200, 20 });
    EXPECT_EQ(row->GetValueLabel()->GetText(), u"");
    row->SetValue(359.9f);
    EXPECT_EQ(row->GetValueLabel()->GetText(), u"359\u00B0");
    EXPECT_EQ(row->GetHeight(), 20);
}

TEST_F(CompoundRowTest, APartFreedOnItsOwnLeavesTheRowWorking)
{
    auto* row = Add<TwzCompoundTrackBar>("trackRow", { 0, 10, 200, 20 });
    row->GetValueLabel()->Free();
    EXPECT_EQ(row->GetValueLabel(), nullptr);
    row->SetValue(5);
    row->GetTrackBar()->Free();
    row->SetValue(6);
    EXPECT_EQ(row->GetValue(), 0);
    EXPECT_NE(Stored(*row).find("TextLabel."), std::string::npos);
}

TEST_F(CompoundRowTest, TheMemoRowFillsTheRowAndStoresTheMemoInside)
{
    auto* row = Add<TwzCompoundMemo>("memoRow", { 0, 0, 200, 60 });
    row->OnChange = form->ChangeHandler();
    TwzMemo* memo = row->GetMemo();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->GetName(), "Memo");
    EXPECT_EQ(row->GetHeight(), 60);
    EXPECT_FLOAT_EQ(memo->LocalToAbsolute({ 0, 0 }).X, 75);
    EXPECT_FLOAT_EQ(memo->GetHeight(), 60);

    row->SetValue(u"two\r\nlines");
    EXPECT_EQ(row->GetValue(), u"two\r\nlines");
    memo->FocusObject();
    scene->InjectText(u"x");
    scene->SetFocused(nullptr);
    EXPECT_EQ((std::vector<std::string> { "change:Memo" }), form->log);

    const std::string text = Stored(*row);
    EXPECT_EQ(text.find("object TwzMemo"), std::string::npos) << text;
    rtl::TOwned<TwzCompoundMemo> read(ReadBack<TwzCompoundMemo>(text));
    ASSERT_NE(read, nullptr) << text;
    EXPECT_EQ(read->GetValue(), row->GetValue()) << text;
}
