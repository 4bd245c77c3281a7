// Number and spin boxes: the value's limits and text, committing typed text in a comma
// locale, dragging to change, the arrow keys, the spin buttons of a style, and streaming.

#include "ControlsTest.h"

#include "controls/TwzButtons.h"
#include "controls/TwzNumberBox.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Locale.h"
#include "ui2d/TwzContent.h"
#include "ui2d/TwzResources.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace controlstest;
using platform::ui::ShiftFlag;
namespace vk = platform::ui::vk;

namespace {

/// Counts the change events and the text tracking of the boxes bound to it.
class TNumberLog : public rtl::TComponent {
    RTL_CLASS(TNumberLog, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;

    void Change(rtl::TObject*) { ++changes; }
    void Tracking(rtl::TObject*) { ++trackings; }

    int changes = 0;
    int trackings = 0;

protected:
    ~TNumberLog() override = default;
};

} // namespace

RTL_IMPLEMENT_CLASS(TNumberLog)

namespace {

class NumberBoxTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        events = new TNumberLog(form.get());
        platform::ui::SetUserDecimalSeparator(",");
    }

    void TearDown() override
    {
        platform::ui::SetUserDecimalSeparator("");
        ControlsTest::TearDown();
    }

    template <class T> T* Number(float min = 0, float max = 10)
    {
        auto* box = Add<T>("Number" + std::to_string(++m_boxes), { 10, 10 + 25.0f * m_boxes, 100, 21 });
        box->SetMin(min);
        box->SetMax(max);
        box->OnChange.template Bind<&TNumberLog::Change>(events);
        box->OnChangeTracking.template Bind<&TNumberLog::Tracking>(events);
        return box;
    }

    /// Focuses the box, selects everything, replaces it by typing `text` and presses Enter.
    void Commit(TwzTextBox& box, std::u16string_view text)
    {
        box.FocusObject();
        box.SelectAll();
        scene->InjectText(text);
        scene->InjectKey(vk::kReturn);
    }

    TNumberLog* events = nullptr;

private:
    int m_boxes = 0;
};

} // namespace

TEST_F(NumberBoxTest, ANewBoxShowsZeroAndTheSetterLimitsSilently)
{
    auto* box = Number<TwzNumberBox>();
    EXPECT_EQ(box->GetText(), u"0");
    EXPECT_EQ(box->GetMax(), 10);
    EXPECT_EQ(box->GetHorzIncrement(), 1);
    EXPECT_EQ(box->GetVertIncrement(), 5);
    EXPECT_EQ(box->GetFilter(), u"0123456789.,-+");
    box->SetValue(12);
    EXPECT_EQ(box->GetValue(), 10);
    EXPECT_EQ(box->GetText(), u"10");
    box->SetValue(-3);
    EXPECT_EQ(box->GetValue(), 0);
    EXPECT_EQ(events->changes + events->trackings, 0) << "the value setter raises nothing";

    // Bound values: numbers and number texts set the value, not a number changes nothing.
    box->SetData(rtl::TValue(7.0));
    EXPECT_EQ(box->GetValue(), 7);
    box->SetData(rtl::TValue(std::u16string(u"4")));
    EXPECT_EQ(box->GetValue(), 4);
    box->SetValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(box->GetValue(), 4);
    EXPECT_EQ(box->GetText(), u"4");

    // Min above Max: the lower limit is applied last.
    box->SetMin(6);
    box->SetMax(4);
    box->SetValue(5);
    EXPECT_EQ(box->GetValue(), 6);

    auto* spin = Number<TwzSpinBox>();
    EXPECT_EQ(spin->GetTextAlign(), wzTextAlignCenter);
    EXPECT_EQ(spin->GetIncrement(), 1);
    EXPECT_EQ(spin->GetText(), u"0");
}

TEST_F(NumberBoxTest, TheShownTextFollowsTheTypeAndTheLocale)
{
    struct Case {
        TwzValueType type;
        float value;
        const char16_t* text;
    };
    const Case cases[] = {
        { wzValueFloat, 2.5f, u"2,50" },
        { wzValueFloat, 3, u"3" },
        { wzValueFloat, -0.25f, u"-0,25" },
        { wzValueInteger, 2.7f, u"2" },
        { wzValueInteger, -2.7f, u"-2" },
    };
    auto* box = Number<TwzNumberBox>(-10, 10);
    for (const Case& c : cases) {
        SCOPED_TRACE(rtl::Utf16ToUtf8(c.text));
        box->SetValueType(c.type);
        box->SetValue(c.value);
        EXPECT_FLOAT_EQ(box->GetValue(), c.value) << "the fraction is kept";
        EXPECT_EQ(box->GetText(), c.text);
    }
}

TEST_F(NumberBoxTest, CommittedTextIsParsedInTheUserLocaleAndLimited)
{
    struct Case {
        const char16_t* typed;
        float value;
        const char16_t* text;
    };
    // In order, on one box of [-5, 100] holding 7 to begin with.
    const Case cases[] = {
        { u"3,5", 3.5f, u"3,5" },
        { u"250", 100, u"100" },
        { u"-12,25", -5, u"-5" },
        { u"0,1", 0.1f, u"0,1000000015" },
        { u"1.5", 0.1f, u"0,1000000015" }, // "." is no separator here: the value stays
        { u"+42", 42, u"42" },
        { u"--", 42, u"42" },
    };
    auto* box = Number<TwzNumberBox>(-5, 100);
    box->SetValueType(wzValueFloat);
    box->SetValue(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(rtl::Utf16ToUtf8(c.typed));
        Commit(*box, c.typed);
        EXPECT_FLOAT_EQ(box->GetValue(), c.value);
        EXPECT_EQ(box->GetText(), c.text);
    }
    EXPECT_EQ(events->changes, static_cast<int>(std::size(cases)));

    // Pasted letters pass the filter; the commit restores the value's text.
    app->GetClipboard().SetText(u"twelve");
    box->SelectAll();
    box->PasteFromClipboard();
    EXPECT_EQ(box->GetText(), u"twelve");
    scene->InjectKey(vk::kReturn);
    EXPECT_EQ(box->GetText(), u"42");

    // The value setter shows DecimalDigits; the same value committed shows its digits.
    box->SetValue(0.1f);
    EXPECT_EQ(box->GetText(), u"0,10");
    box->SetModified(true);
    box->Change();
    EXPECT_EQ(box->GetText(), u"0,1000000015");

    // An integer box keeps the typed fraction in its value but shows the whole part.
    box->SetValueType(wzValueInteger);
    Commit(*box, u"2,7");
    EXPECT_FLOAT_EQ(box->GetValue(), 2.7f);
    EXPECT_EQ(box->GetText(), u"2");
}

TEST_F(NumberBoxTest, WholeNumbersBeyondSixtyFourBitsShowTheirDigitsAndReadBack)
{
    struct Case {
        TwzValueType type;
        float value;
        const char16_t* text;
    };
    // Shown by the value setter and left by a commit of the same text alike.
    const Case cases[] = {
        { wzValueFloat, 1e30f, u"1000000015047466219876688855040" },
        { wzValueFloat, -3e38f, u"-300000000549775575777803994281145270272" },
        { wzValueInteger, 1e19f, u"9999999980506447872" },
        { wzValueInteger, -0.5f, u"0" },
    };
    auto* box = Number<TwzNumberBox>(-3.4e38f, 3.4e38f);
    for (const Case& c : cases) {
        SCOPED_TRACE(rtl::Utf16ToUtf8(c.text));
        box->SetValueType(c.type);
        box->SetValue(c.value);
        EXPECT_EQ(box->GetText(), c.text);
        box->SetValue(1);
        Commit(*box, c.text);
        EXPECT_EQ(box->GetValue(), c.type == wzValueInteger ? std::trunc(c.value) + 0.0f : c.value);
        EXPECT_EQ(box->GetText(), c.text);
    }
}

TEST_F(NumberBoxTest, DraggingChangesOneStepPerMoveAndCommitsAtTheEnd)
{
    auto* box = Number<TwzNumberBox>(0, 100);
    box->SetValue(50);
    const TwzPoint start = box->LocalToAbsolute({ 50, 10 });
    scene->InjectMouseDown(start);
    ASSERT_TRUE(box->GetDragging());
    struct Move {
        float dx, dy;
        float value;
        bool vertical;
    };
    const Move moves[] = {
        { 3, -10, 55, true }, // mostly up: + VertIncrement
        { 10, -3, 56, false }, // mostly right: + HorzIncrement
        { -1, 40, 51, true }, // far down: still one step
        { 0, 0, 51, true }, // no displacement: nothing
        { -25, 0, 50, false },
    };
    TwzPoint at = start;
    for (const Move& m : moves) {
        at = { at.X + m.dx, at.Y + m.dy };
        scene->InjectMouseMove(at, { ShiftFlag::Left });
        EXPECT_EQ(box->GetValue(), m.value) << m.dx << "," << m.dy;
        EXPECT_EQ(box->GetVerticalDrag(), m.vertical);
    }
    EXPECT_EQ(events->changes, 0);

    // The bar shows at the bottom edge during a horizontal drag.
    PaintAll();
    const TwzPoint bar = box->LocalToAbsolute({ 50, 21 - 3 });
    const uint32_t barPixel = Pixel(static_cast<int>(bar.X), static_cast<int>(bar.Y));
    EXPECT_NEAR(static_cast<int>((barPixel >> 16) & 0xFF), 0x50, 0x30) << std::hex << barPixel;

    scene->InjectMouseUp(at);
    EXPECT_FALSE(box->GetDragging());
    EXPECT_EQ(events->changes, 1) << "the end of a drag commits";
    EXPECT_EQ(box->GetText(), u"50");
}

TEST_F(NumberBoxTest, ArrowKeysStepWithoutEvents)
{
    auto* box = Number<TwzNumberBox>(0, 100);
    box->SetHorzIncrement(2);
    box->FocusObject();
    events->changes = 0;
    scene->InjectKey(vk::kUp);
    EXPECT_EQ(box->GetValue(), 2) << "Up steps by HorzIncrement, not VertIncrement";
    scene->InjectKey(vk::kDown);
    scene->InjectKey(vk::kDown);
    EXPECT_EQ(box->GetValue(), 0);
    scene->InjectKey(vk::kReturn);
    EXPECT_EQ(events->changes, 0);

    auto* spin = Number<TwzSpinBox>(0, 3);
    spin->SetIncrement(2);
    spin->FocusObject();
    scene->InjectKey(vk::kUp);
    scene->InjectKey(vk::kUp);
    EXPECT_EQ(spin->GetValue(), 3);
    EXPECT_EQ(spin->GetText(), u"3");
}

TEST_F(NumberBoxTest, SpinButtonsOfTheStyleFocusAndStep)
{
    auto* sheet = new TwzResources(form.get());
    sheet->GetResource()->SetTextStr(u"object TwzBackground\n"
                                     u"  object TwzVisualObject\n"
                                     u"    ResourceName = 'spinboxstyle'\n"
                                     u"    HitTest = False\n"
                                     u"    object TwzButton\n"
                                     u"      ResourceName = 'minusbutton'\n"
                                     u"      Align = vaLeft\n"
                                     u"      Width = 20\n"
                                     u"      CanFocused = False\n"
                                     u"    end\n"
                                     u"    object TwzButton\n"
                                     u"      ResourceName = 'plusbutton'\n"
                                     u"      Align = vaRight\n"
                                     u"      Width = 20\n"
                                     u"      CanFocused = False\n"
                                     u"    end\n"
                                     u"  end\n"
                                     u"end\n");
    scene->SetStyle(sheet);
    auto* spin = Number<TwzSpinBox>(0, 5);
    spin->SetIncrement(2);
    const TwzPoint plus = spin->LocalToAbsolute({ 90, 10 });
    const TwzPoint minus = spin->LocalToAbsolute({ 10, 10 });
    scene->InjectClick(plus);
    EXPECT_TRUE(spin->GetIsFocused());
    EXPECT_EQ(spin->GetValue(), 2);
    scene->InjectClick(plus);
    scene->InjectClick(plus);
    EXPECT_EQ(spin->GetValue(), 5) << "at Max the value stays at Max";
    scene->InjectClick(minus);
    EXPECT_EQ(spin->GetValue(), 3);
    EXPECT_EQ(events->changes, 0) << "the buttons raise no OnChange";

    // A style without buttons: only the keys step.
    spin->SetResource("textboxstyle");
    scene->InjectClick(plus);
    EXPECT_EQ(spin->GetValue(), 3);
}

TEST_F(NumberBoxTest, SwitchingASpinBoxToWholeNumbersMakesItsStepWhole)
{
    auto* spin = Number<TwzSpinBox>();
    spin->SetIncrement(0.5f);
    spin->SetValueType(wzValueFloat);
    EXPECT_EQ(spin->GetIncrement(), 0.5f);
    spin->SetValueType(wzValueInteger);
    EXPECT_EQ(spin->GetIncrement(), 1);
}

TEST_F(NumberBoxTest, StreamsTheValueAfterItsLimitsAndNotTheText)
{
    auto* box = Number<TwzNumberBox>(10, 2048);
    box->SetValue(512);
    box->SetVertIncrement(5);
    rtl::TMemoryStream stream;
    box->SaveObjectAsText(stream);
    const std::string text(stream.Bytes().begin(), stream.Bytes().end());
    EXPECT_EQ(text.find("Text ="), std::string::npos) << text;
    for (const char* name :
        { "Value = ", "Min = ", "Max = ", "ValueType = ", "HorzIncrement = ", "VertIncrement = " })
        EXPECT_NE(text.find(name), std::string::npos) << name << " is always stored: " << text;
    stream.SetPosition(0);
    rtl::TOwned<TwzObject> copy(Create2DObjectFromTextStream(form.get(), stream));
    auto* read = dynamic_cast<TwzNumberBox*>(copy.get());
    ASSERT_NE(read, nullptr) << text;
    EXPECT_EQ(read->GetValue(), 512);
    EXPECT_EQ(read->GetText(), u"512");
    EXPECT_EQ(read->GetMin(), 10);
}

TEST_F(NumberBoxTest, TheBuiltInStylesOfTheFamilyHaveTheirParts)
{
    struct Case {
        const char* style;
        TwzTextBox* box;
        bool buttons;
    };
    const Case cases[] = {
        { "roundtextboxstyle", Add<TwzRoundTextBox>("round", { 0, 0, 100, 21 }), false },
        { "hudtextboxstyle", Add<TwzHudTextBox>("hud", { 0, 0, 100, 21 }), false },
        { "hudroundtextboxstyle", Add<TwzHudRoundTextBox>("hudRound", { 0, 0, 100, 21 }), false },
        { "numberboxstyle", Add<TwzNumberBox>("number", { 0, 0, 100, 21 }), false },
        { "hudnumberboxstyle", Add<TwzHudNumberBox>("hudNumber", { 0, 0, 100, 21 }), false },
        { "spinboxstyle", Add<TwzSpinBox>("spin", { 0, 0, 100, 21 }), true },
        { "hudspinboxstyle", Add<TwzHudSpinBox>("hudSpin", { 0, 0, 100, 21 }), true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        ASSERT_NE(c.box->GetAppliedStyle(), nullptr);
        EXPECT_NE(dynamic_cast<TwzContent*>(Part(*c.box, "content")), nullptr);
        const TwzRect content = c.box->ContentRect();
        EXPECT_GT(RectWidth(content), 0);
        EXPECT_EQ(dynamic_cast<TwzCustomButton*>(Part(*c.box, "minusbutton")) != nullptr, c.buttons);
        EXPECT_EQ(dynamic_cast<TwzCustomButton*>(Part(*c.box, "plusbutton")) != nullptr, c.buttons);
    }

    // The built-in spin buttons step the value.
    auto* spin = static_cast<TwzSpinBox*>(cases[5].box);
    spin->BringToFront();
    scene->InjectClick(spin->LocalToAbsolute({ 95, 10 }));
    EXPECT_EQ(spin->GetValue(), 1);
    scene->InjectClick(spin->LocalToAbsolute({ 5, 10 }));
    EXPECT_EQ(spin->GetValue(), 0);
}
