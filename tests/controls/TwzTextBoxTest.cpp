// The text box: focus and commit events, editing and navigation keys, selection by Shift and
// by the mouse, word moves, the clipboard and its shortcuts, the filter, password dots,
// horizontal scrolling (also of a hostile paste), the context menu and lifetimes, driven
// through the test host with the real built-in style.

#include "ControlsTest.h"

#include "controls/TwzTextBox.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/PopupMenu.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace controlstest;
using platform::ui::ShiftFlag;
namespace vk = platform::ui::vk;

namespace {

/// Records the three change events of the boxes bound to it, in order.
class TEditLog : public rtl::TComponent {
    RTL_CLASS(TEditLog, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;

    void Change(rtl::TObject*) { log.push_back("change"); }
    void Tracking(rtl::TObject*) { log.push_back("tracking"); }
    void Typing(rtl::TObject*) { log.push_back("typing"); }
    void FreeSender(rtl::TObject* sender) { static_cast<rtl::TComponent*>(sender)->Free(); }

    [[nodiscard]] int Count(const std::string& name) const
    {
        return static_cast<int>(std::count(log.begin(), log.end(), name));
    }

    std::vector<std::string> log;

protected:
    ~TEditLog() override = default;
};

} // namespace

RTL_IMPLEMENT_CLASS(TEditLog)

namespace {

class TextBoxTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        events = new TEditLog(form.get());
    }

    void TearDown() override
    {
        platform::ui::FakePopupMenu::SetChooser({});
        ControlsTest::TearDown();
    }

    /// A box at (10, 10), 120 x 21, holding `text`, its events logged.
    TwzTextBox* Box(const std::u16string& text = u"")
    {
        auto* box = Add<TwzTextBox>("Box", { 10, 10, 120, 21 });
        box->SetText(text);
        box->OnChange.Bind<&TEditLog::Change>(events);
        box->OnChangeTracking.Bind<&TEditLog::Tracking>(events);
        box->OnTyping.Bind<&TEditLog::Typing>(events);
        return box;
    }

    void Key(uint16_t key, platform::ui::ShiftState shift = {}) { scene->InjectKey(key, shift); }
    void Type(std::u16string_view text, platform::ui::ShiftState shift = {})
    {
        scene->InjectText(text, shift);
    }
    void Ctrl(char16_t letter) { Type(std::u16string(1, letter), { ShiftFlag::Ctrl }); }
    platform::ui::Clipboard& Clipboard() { return app->GetClipboard(); }
    /// A point of the box's content at the caret position `position`, in scene coordinates.
    TwzPoint At(TwzTextBox& box, int32_t position)
    {
        return box.LocalToAbsolute({ box.GetCharX(position), 10 });
    }

    TEditLog* events = nullptr;
};

} // namespace

TEST_F(TextBoxTest, DefaultsAndPublishedNames)
{
    rtl::TOwned<TwzTextBox> box(new TwzTextBox(nullptr));
    EXPECT_EQ(box->GetWidth(), 100);
    EXPECT_EQ(box->GetHeight(), 21);
    EXPECT_TRUE(box->GetCanFocused());
    EXPECT_EQ(box->GetCursor(), -4);
    EXPECT_EQ(box->GetTextAlign(), wzTextAlignNear);
    EXPECT_EQ(box->GetFontFill()->GetSolidColor(), 0xFF000000u);
    EXPECT_EQ(box->GetSelectionFill()->GetSolidColor(), 0x802A8ADFu);
    EXPECT_EQ(box->GetFirstVisible(), 1);
    for (const char* name : { "Text", "Font", "TextAlign", "Password", "ReadOnly", "Resource", "TabOrder",
             "CanFocused", "BindingSource", "Cursor" })
        EXPECT_NE(box->ClassInfo().FindProp(name), nullptr) << name;
    for (const char* name : { "OnChange", "OnChangeTracking", "OnTyping" })
        EXPECT_NE(box->ClassInfo().FindEvent(name), nullptr) << name;
    for (const char* name : { "TwzTextBox", "TwzRoundTextBox", "TwzHudTextBox", "TwzHudRoundTextBox" })
        EXPECT_NE(rtl::FindClass(name), nullptr) << name;
}

TEST_F(TextBoxTest, FocusSelectsAllAndOnlyAChangedTextIsCommitted)
{
    TwzTextBox* box = Box(u"abc");
    box->FocusObject();
    EXPECT_EQ(box->GetSelStart(), 0);
    EXPECT_EQ(box->GetSelLength(), 3);
    EXPECT_EQ(box->GetCaretPosition(), 3);
    events->log.clear();

    Key(vk::kReturn);
    EXPECT_TRUE(events->log.empty()) << "Enter without an edit commits nothing";

    Type(u"x");
    EXPECT_EQ(box->GetText(), u"x") << "typing replaces the selection";
    EXPECT_EQ((std::vector<std::string> { "tracking", "typing" }), events->log);
    Key(vk::kReturn);
    Key(vk::kReturn);
    EXPECT_EQ(events->Count("change"), 2) << "the modified flag stays until the next focus";

    // Leaving commits too; coming back clears the flag.
    scene->SetFocused(nullptr);
    EXPECT_EQ(events->Count("change"), 3);
    box->FocusObject();
    Key(vk::kReturn);
    EXPECT_EQ(events->Count("change"), 3);
}

TEST_F(TextBoxTest, EditingAndNavigationKeys)
{
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<std::pair<uint16_t, platform::ui::ShiftState>> keys;
        std::u16string typed;
        std::u16string expected;
        int32_t caret;
    };
    const platform::ui::ShiftState none {};
    const platform::ui::ShiftState ctrl { ShiftFlag::Ctrl };
    const std::vector<Case> cases = {
        { "Home then typing inserts at the start", u"abc", { { vk::kHome, none } }, u"X", u"Xabc", 1 },
        { "End then Backspace removes the last", u"abc", { { vk::kEnd, none }, { vk::kBack, none } }, u"",
            u"ab", 2 },
        { "Delete removes after the caret", u"abc", { { vk::kHome, none }, { vk::kDelete, none } }, u"",
            u"bc", 0 },
        { "Delete at the end removes nothing", u"abc", { { vk::kEnd, none }, { vk::kDelete, none } }, u"",
            u"abc", 3 },
        { "Left and Right step one", u"abc",
            { { vk::kHome, none }, { vk::kRight, none }, { vk::kRight, none }, { vk::kLeft, none } }, u"-",
            u"a-bc", 2 },
        { "Ctrl+Right stops at the next word", u"ab cd ef", { { vk::kHome, none }, { vk::kRight, ctrl } },
            u"", u"ab cd ef", 3 },
        { "Ctrl+Right in the last word goes to the end", u"ab cd",
            { { vk::kHome, none }, { vk::kRight, ctrl }, { vk::kRight, ctrl } }, u"", u"ab cd", 5 },
        { "Ctrl+Left goes to the start of the word", u"ab cd", { { vk::kEnd, none }, { vk::kLeft, ctrl } },
            u"", u"ab cd", 3 },
        { "Ctrl+Left from a word start goes to the previous word", u"ab cd",
            { { vk::kEnd, none }, { vk::kLeft, ctrl }, { vk::kLeft, ctrl } }, u"", u"ab cd", 0 },
        { "Caret positions stay in the text", u"ab",
            { { vk::kHome, none }, { vk::kLeft, none }, { vk::kBack, none } }, u"", u"ab", 0 },
        { "Control characters are not typed", u"", {}, u"\x01\t\x1f", u"", 0 },
        { "Right steps over a CR LF pair", u"a\r\nb",
            { { vk::kHome, none }, { vk::kRight, none }, { vk::kRight, none } }, u"", u"a\r\nb", 3 },
        { "Left steps over a CR LF pair", u"a\r\nb",
            { { vk::kEnd, none }, { vk::kLeft, none }, { vk::kLeft, none } }, u"", u"a\r\nb", 1 },
        { "Backspace removes a CR LF pair whole", u"a\r\nb",
            { { vk::kEnd, none }, { vk::kLeft, none }, { vk::kBack, none } }, u"", u"ab", 1 },
        { "Delete removes a CR LF pair whole", u"a\r\nb",
            { { vk::kHome, none }, { vk::kRight, none }, { vk::kDelete, none } }, u"", u"ab", 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzTextBox* box = Box(c.text);
        box->FocusObject();
        for (const auto& [key, shift] : c.keys)
            Key(key, shift);
        Type(c.typed);
        EXPECT_EQ(box->GetText(), c.expected);
        EXPECT_EQ(box->GetCaretPosition(), c.caret);
        box->Free();
    }
}

TEST_F(TextBoxTest, ShiftNavigationKeepsTheFixedEnd)
{
    TwzTextBox* box = Box(u"abcd");
    box->FocusObject();
    Key(vk::kLeft, { ShiftFlag::Shift });
    EXPECT_EQ(box->GetSelStart(), 0);
    EXPECT_EQ(box->GetSelLength(), 3) << "all but the last character stay selected";
    EXPECT_EQ(box->GetSelText(), u"abc");

    Key(vk::kHome);
    Key(vk::kRight, { ShiftFlag::Shift });
    Key(vk::kRight, { ShiftFlag::Shift });
    EXPECT_EQ(box->GetSelText(), u"ab");
    Key(vk::kEnd, { ShiftFlag::Shift });
    EXPECT_EQ(box->GetSelText(), u"abcd");
    Key(vk::kLeft);
    EXPECT_EQ(box->GetSelLength(), 0) << "a move without Shift drops the selection";
}

// A character outside the basic plane is two UTF-16 units; no caret place, deletion, selection
// or insertion ever keeps one without the other.
TEST_F(TextBoxTest, ACharacterOfTwoUnitsIsNeverSplit)
{
    const std::u16string smile = u"\U0001F600";
    const platform::ui::ShiftState none {};
    const platform::ui::ShiftState shift { ShiftFlag::Shift };
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<std::pair<uint16_t, platform::ui::ShiftState>> keys;
        std::u16string expected;
        int32_t caret;
        std::u16string selected;
    };
    const std::vector<Case> cases = {
        { "End then Backspace removes the whole character", u"a" + smile,
            { { vk::kEnd, none }, { vk::kBack, none } }, u"a", 1, u"" },
        { "Delete removes the whole character", smile + u"b", { { vk::kHome, none }, { vk::kDelete, none } },
            u"b", 0, u"" },
        { "Left steps over the character", u"a" + smile, { { vk::kEnd, none }, { vk::kLeft, none } },
            u"a" + smile, 1, u"" },
        { "Right steps over the character", smile + u"b", { { vk::kHome, none }, { vk::kRight, none } },
            smile + u"b", 2, u"" },
        { "Shift+Left selects the whole character", u"a" + smile,
            { { vk::kEnd, none }, { vk::kLeft, shift } }, u"a" + smile, 1, smile },
        { "Shift+Right selects the whole character", smile + u"b",
            { { vk::kHome, none }, { vk::kRight, shift } }, smile + u"b", 2, smile },
        { "Shift+Left after selecting all leaves it out whole", u"a" + smile, { { vk::kLeft, shift } },
            u"a" + smile, 1, u"a" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzTextBox* box = Box(c.text);
        box->FocusObject();
        for (const auto& [key, state] : c.keys)
            Key(key, state);
        EXPECT_EQ(box->GetText(), c.expected);
        EXPECT_EQ(box->GetCaretPosition(), c.caret);
        EXPECT_EQ(box->GetSelText(), c.selected);
        box->Free();
    }

    // Typed, the two units arrive one by one and go in together; a half alone is dropped.
    TwzTextBox* box = Box(u"ab");
    box->FocusObject();
    Key(vk::kHome);
    Key(vk::kRight);
    events->log.clear();
    Type(smile);
    EXPECT_EQ(box->GetText(), u"a" + smile + u"b");
    EXPECT_EQ(box->GetCaretPosition(), 3);
    EXPECT_EQ(events->Count("tracking"), 1) << "one change for the character, none for a half";
    Type(std::u16string(1, u'\xD83D') + u"x" + std::u16string(1, u'\xDE00'));
    EXPECT_EQ(box->GetText(), u"a" + smile + u"xb");

    // The mouse: a press in the character's right half places the caret after it; a drag past
    // the right edge moves on by the whole character.
    box->SetText(u"a" + smile + smile);
    const float left = box->GetCharX(1);
    const float right = box->GetCharX(3);
    ASSERT_GT(right, left);
    EXPECT_EQ(box->GetPositionAt(left + (right - left) * 0.75f), 3);
    EXPECT_EQ(box->GetPositionAt(left + (right - left) * 0.25f), 1);
    scene->InjectMouseDown(At(*box, 1));
    scene->InjectMouseMove(box->LocalToAbsolute({ left + (right - left) * 0.6f, 10 }));
    EXPECT_EQ(box->GetSelText(), smile);
    scene->InjectMouseUp(At(*box, 1));

    // A selection set by code covers whole characters too.
    box->SetSelStart(2);
    EXPECT_EQ(box->GetSelStart(), 1);
    box->SetSelLength(1);
    EXPECT_EQ(box->GetSelText(), smile);
    Type(u"z");
    EXPECT_EQ(box->GetText(), u"az" + smile);
}

TEST_F(TextBoxTest, TrackingAndTypingEventsFollowTheirSources)
{
    TwzTextBox* box = Box(u"ab");
    box->FocusObject();
    Key(vk::kHome);
    events->log.clear();

    Key(vk::kBack);
    EXPECT_EQ((std::vector<std::string> { "typing" }), events->log) << "nothing removed: typing, no tracking";

    events->log.clear();
    box->SetText(u"from code");
    EXPECT_EQ((std::vector<std::string> { "tracking" }), events->log);
    box->SetText(u"from code");
    EXPECT_EQ(events->log.size(), 1u) << "the same text again changes nothing";

    // A selection removed by Delete is no keyboard edit of one character: no typing.
    events->log.clear();
    box->SelectAll();
    Key(vk::kDelete);
    EXPECT_EQ(box->GetText(), u"");
    EXPECT_EQ((std::vector<std::string> { "tracking" }), events->log);
}

TEST_F(TextBoxTest, ClipboardShortcutsAndKeys)
{
    TwzTextBox* box = Box(u"hello world");
    box->FocusObject();
    Ctrl(u'c');
    EXPECT_EQ(Clipboard().GetText(), u"hello world");

    Key(vk::kHome);
    for (int i = 0; i < 5; ++i)
        Key(vk::kRight, { ShiftFlag::Shift });
    Ctrl(u'x');
    EXPECT_EQ(box->GetText(), u" world");
    EXPECT_EQ(Clipboard().GetText(), u"hello");

    Key(vk::kEnd);
    events->log.clear();
    Ctrl(u'V');
    EXPECT_EQ(box->GetText(), u" worldhello");
    EXPECT_EQ(box->GetCaretPosition(), 11);
    EXPECT_EQ(events->Count("typing"), 1) << "Ctrl+V is a keyboard edit";

    Clipboard().SetText(u"[ins]");
    Key(vk::kHome);
    Key(vk::kInsert, { ShiftFlag::Shift });
    EXPECT_EQ(box->GetText(), u"[ins] worldhello");

    Key(vk::kHome);
    Key(vk::kRight, { ShiftFlag::Shift });
    Key(vk::kInsert, { ShiftFlag::Ctrl });
    EXPECT_EQ(Clipboard().GetText(), u"[");
    Key(vk::kBack, { ShiftFlag::Shift });
    EXPECT_EQ(box->GetText(), u"ins] worldhello") << "Shift+Backspace cuts a selection";

    box->SetReadOnly(true);
    Clipboard().SetText(u"zz");
    Ctrl(u'v');
    box->SelectAll();
    Ctrl(u'x');
    Type(u"q");
    EXPECT_EQ(box->GetText(), u"ins] worldhello") << "read-only refuses every edit";
    EXPECT_EQ(Clipboard().GetText(), u"ins] worldhello") << "but still copies";
}

TEST_F(TextBoxTest, TheFilterDropsTypedCharactersAndShortcutLetters)
{
    TwzTextBox* box = Box(u"12");
    box->SetFilter(u"0123456789");
    box->FocusObject();
    Key(vk::kEnd);
    Type(u"3a4");
    EXPECT_EQ(box->GetText(), u"1234");

    box->SelectAll();
    Clipboard().SetText(u"before");
    Ctrl(u'c');
    Ctrl(u'x');
    EXPECT_EQ(Clipboard().GetText(), u"before") << "Ctrl+C and Ctrl+X are filtered out";
    EXPECT_EQ(box->GetText(), u"1234");

    Key(vk::kInsert, { ShiftFlag::Ctrl });
    EXPECT_EQ(Clipboard().GetText(), u"1234") << "Ctrl+Insert is a key, not a character";
    Clipboard().SetText(u"abc");
    Key(vk::kInsert, { ShiftFlag::Shift });
    EXPECT_EQ(box->GetText(), u"abc") << "pasted text is not filtered";
}

TEST_F(TextBoxTest, MousePlacesTheCaretDragsSelectAndDoubleClickSelectsAll)
{
    TwzTextBox* box = Box(u"abcdef");
    const TwzPoint at2 = At(*box, 2);
    scene->InjectMouseDown(at2);
    EXPECT_EQ(box->GetCaretPosition(), 2);
    EXPECT_EQ(box->GetSelLength(), 0) << "the press replaces the selection focusing made";
    scene->InjectMouseMove(At(*box, 5));
    EXPECT_EQ(box->GetSelText(), u"cde");
    scene->InjectMouseMove(At(*box, 1));
    EXPECT_EQ(box->GetSelText(), u"b");
    scene->InjectMouseUp(At(*box, 1));
    scene->InjectMouseMove(At(*box, 4));
    EXPECT_EQ(box->GetSelText(), u"b") << "no selection without a press";

    // A point just right of a character's middle belongs to the next position.
    const float left = box->GetCharX(3);
    const float right = box->GetCharX(4);
    EXPECT_EQ(box->GetPositionAt(left + (right - left) * 0.25f), 3);
    EXPECT_EQ(box->GetPositionAt(left + (right - left) * 0.75f), 4);
    EXPECT_EQ(box->GetPositionAt(-50), 0);
    EXPECT_EQ(box->GetPositionAt(5000), 6);

    scene->InjectClick(At(*box, 3));
    EXPECT_EQ(box->GetCaretPosition(), 3);
    scene->InjectMouseDown(At(*box, 1), TMouseButton::Left, { ShiftFlag::Left, ShiftFlag::Double });
    scene->InjectMouseUp(At(*box, 1));
    EXPECT_EQ(box->GetSelLength(), 6);
    EXPECT_EQ(box->GetCaretPosition(), 6) << "the double click does not move the caret before selecting";
}

TEST_F(TextBoxTest, AWideTextScrollsTheCaretIntoView)
{
    TwzTextBox* box = Box(u"the quick brown fox jumps over the lazy dog again and again");
    box->FocusObject();
    const TwzRect content = box->ContentRect();
    Key(vk::kEnd);
    EXPECT_GT(box->GetFirstVisible(), 1);
    EXPECT_LE(box->GetCharX(box->GetCaretPosition()), content.Right + 0.5f);
    // One character further left would no longer fit: the caret is the right-most position.
    const int32_t first = box->GetFirstVisible();
    const std::u16string shown = box->GetText().substr(static_cast<size_t>(first - 2));
    EXPECT_GT(box->TextWidth(shown), RectWidth(content));

    Key(vk::kHome);
    EXPECT_EQ(box->GetFirstVisible(), 1);
    EXPECT_EQ(box->GetCharX(0), content.Left);
}

TEST_F(TextBoxTest, AHugePasteStaysBoundedAndEditable)
{
    TwzTextBox* box = Box();
    box->FocusObject();
    std::u16string huge(200000, u'w');
    huge[100000] = u' ';
    Clipboard().SetText(huge);
    Ctrl(u'v');
    ASSERT_EQ(box->GetText().size(), huge.size());
    EXPECT_EQ(box->GetCaretPosition(), 200000);
    EXPECT_LE(box->VisibleText().size(), 4096u);
    EXPECT_LE(box->GetCharX(box->GetCaretPosition()), box->ContentRect().Right + 0.5f);
    Key(vk::kLeft, { ShiftFlag::Ctrl });
    EXPECT_EQ(box->GetCaretPosition(), 100001);
    Key(vk::kHome);
    EXPECT_EQ(box->GetFirstVisible(), 1);
    PaintAll();
}

TEST_F(TextBoxTest, PasswordDotsLineUpWithTheCaret)
{
    TwzTextBox* box = Box(u"abc");
    box->SetPassword(true);
    const TwzRect content = box->ContentRect();
    const float pitch = box->CharWidth();
    ASSERT_GT(pitch, 2);
    EXPECT_FLOAT_EQ(box->GetCharX(2), content.Left + 2 * pitch);
    EXPECT_FLOAT_EQ(box->TextWidth(u"anything"), pitch);

    // Three dots, one per character pitch, and nothing after them along the content's middle.
    box->GetFontFill()->SetSolidColor(0xFFFF0000);
    box->FocusObject();
    Key(vk::kEnd);
    PaintAll();
    const TwzPoint origin = box->LocalToAbsolute({ 0, 0 });
    const int y = static_cast<int>(origin.Y + (content.Top + content.Bottom) / 2);
    auto redAt = [&](float localX) {
        const uint32_t p = Pixel(static_cast<int>(origin.X + localX), y);
        return ((p >> 16) & 0xFF) > 0x80 && (p & 0xFF) < 0x60;
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(redAt(content.Left + i * pitch + (pitch - 1) / 2), i < 3);
    }
    // The caret mark stands one unit left of the caret's x, in the text's colour.
    TwzVisualObject* mark = box->GetCaret();
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(mark->GetVisible());
    EXPECT_FLOAT_EQ(mark->GetPosition()->GetX(), std::nearbyint(box->GetCharX(3) - 1));
    EXPECT_FLOAT_EQ(mark->GetWidth(), 2);
    EXPECT_FLOAT_EQ(mark->GetHeight(), 1.25f * box->GetFont()->GetSize());

    // A long password scrolls like text: the caret stays inside and the dots start with the
    // first visible character.
    box->SetText(std::u16string(200, u'x'));
    Key(vk::kEnd);
    EXPECT_GT(box->GetFirstVisible(), 1);
    EXPECT_LE(box->GetCharX(200), content.Right + 0.5f);
    const int32_t shown = box->GetFirstVisible() + 5;
    EXPECT_EQ(box->GetPositionAt(box->GetCharX(shown) + 1), shown);
}

TEST_F(TextBoxTest, TheContextMenuFollowsTheSelectionAndRunsItsCommandLater)
{
    TwzTextBox* box = Box(u"abc");
    box->FocusObject();
    std::vector<bool> enabled;
    platform::ui::FakePopupMenu::SetChooser([&](platform::ui::MenuItem& items, platform::ui::Point) {
        enabled.clear();
        std::vector<std::string> captions;
        for (const auto& item : items.Items()) {
            captions.push_back(item->Caption);
            enabled.push_back(item->Enabled);
        }
        EXPECT_EQ((std::vector<std::string> { "Cut", "Copy", "Paste", "Delete", "Select All" }), captions);
        return items.FindByCaption("Cut");
    });
    Clipboard().SetText(u"");
    scene->InjectClick(At(*box, 1), TMouseButton::Right);
    EXPECT_EQ((std::vector<bool> { true, true, false, true, false }), enabled);
    EXPECT_EQ(box->GetText(), u"abc") << "the command is posted";
    app->ProcessMessages();
    EXPECT_EQ(box->GetText(), u"");
    EXPECT_EQ(Clipboard().GetText(), u"abc");

    // A box freed before its posted command runs: the command does nothing.
    box->SetText(u"x");
    box->SelectAll();
    scene->InjectClick(At(*box, 0), TMouseButton::Right);
    box->Free();
    app->ProcessMessages();
    EXPECT_EQ(Clipboard().GetText(), u"abc");
}

TEST_F(TextBoxTest, AHandlerMayFreeTheBoxWhileItEdits)
{
    for (int which = 0; which < 3; ++which) {
        SCOPED_TRACE(which);
        TwzTextBox* box = Box(u"abc");
        box->FocusObject();
        rtl::Watch<TwzTextBox> watch(box);
        if (which == 0)
            box->OnChangeTracking.Bind<&TEditLog::FreeSender>(events);
        else if (which == 1)
            box->OnTyping.Bind<&TEditLog::FreeSender>(events);
        else
            box->OnChange.Bind<&TEditLog::FreeSender>(events);
        Type(u"z");
        Key(vk::kReturn);
        EXPECT_FALSE(watch);
    }
}

TEST_F(TextBoxTest, StreamsItsTextAndSettings)
{
    TwzTextBox* box = Box(u"stored");
    box->SetPassword(true);
    box->SetTextAlign(wzTextAlignFar);
    box->SetWidth(100);
    rtl::TMemoryStream stream;
    box->SaveObjectAsText(stream);
    const std::string text(stream.Bytes().begin(), stream.Bytes().end());
    EXPECT_NE(text.find("Password = True"), std::string::npos) << text;
    EXPECT_EQ(text.find("Width"), std::string::npos) << "the default size is not written: " << text;
    stream.SetPosition(0);
    rtl::TOwned<TwzObject> copy(Create2DObjectFromTextStream(form.get(), stream));
    auto* read = dynamic_cast<TwzTextBox*>(copy.get());
    ASSERT_NE(read, nullptr) << text;
    EXPECT_EQ(read->GetText(), u"stored");
    EXPECT_TRUE(read->GetPassword());
    EXPECT_EQ(read->GetTextAlign(), wzTextAlignFar);
}

TEST_F(TextBoxTest, ExtremeSelectionsFromCodeStayInsideTheText)
{
    TwzTextBox* box = Box(u"abc");
    box->FocusObject();
    for (const int32_t length : { INT32_MIN, INT32_MAX, -1000, 1000 }) {
        SCOPED_TRACE(length);
        box->SetSelStart(1);
        box->SetSelLength(length);
        EXPECT_LE(box->GetSelText().size(), 3u);
        PaintAll();
        Key(vk::kRight, { ShiftFlag::Shift });
        Type(u"z");
        EXPECT_LE(box->GetText().size(), 4u);
        box->SetText(u"abc");
    }
}
