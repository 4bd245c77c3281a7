// Editing a memo through the test host as a scene delivers input: typing (non-Latin and
// outside the basic plane), keys, selection by keys and mouse, undo sequences, the clipboard
// of the headless application and the built-in context menu.

#include "MemoTestSupport.h"

#include "platform/ui/PopupMenu.h"
#include "platform/ui/PopupMenuComponent.h"

#include <map>

using namespace memotest;
namespace vk = platform::ui::vk;
using platform::ui::FakePopupMenu;
using platform::ui::MenuItem;

namespace {

class MemoEditTest : public MemoTest {
protected:
    void TearDown() override
    {
        FakePopupMenu::SetChooser({});
        MemoTest::TearDown();
    }
    platform::ui::Clipboard& Clipboard() { return app->GetClipboard(); }
    /// Opens the memo's context menu with a right click and answers the enabled state of
    /// each item; chooses the item `choose` when it is given.
    std::map<std::string, bool> OpenMenu(TwzMemo& memo, const std::string& choose = {})
    {
        std::map<std::string, bool> enabled;
        FakePopupMenu::SetChooser([&](MenuItem& items, platform::ui::Point) -> MenuItem* {
            for (const auto& item : items.Items())
                enabled[item->Caption] = item->Enabled;
            return choose.empty() ? nullptr : items.FindByCaption(choose);
        });
        const TwzPoint at = ScenePoint(memo, { 0, 0 });
        scene->InjectMouseDown(at, TMouseButton::Right);
        scene->InjectMouseUp(at, TMouseButton::Right);
        app->ProcessMessages(); // the chosen item's handler is posted
        return enabled;
    }
};

} // namespace

TEST_F(MemoEditTest, TypesNonLatinAndNonBmpTextThroughTheTypedPath)
{
    TwzMemo* memo = Memo();
    Focus(*memo);
    Type(u"Привет, 日本 \U0001F600\U0001D11E!");
    EXPECT_EQ(memo->GetText(), u"Привет, 日本 \U0001F600\U0001D11E!");
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 16 }));
    EXPECT_EQ(log->trackings, 16 - 2); // one change per character, pairs included
    // Left, Backspace and Delete treat a pair as one character.
    Key(vk::kLeft);
    Key(vk::kLeft);
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 13 }));
    Key(vk::kBack);
    EXPECT_EQ(memo->GetText(), u"Привет, 日本 \U0001D11E!");
    Key(vk::kDelete);
    EXPECT_EQ(memo->GetText(), u"Привет, 日本 !");
    // A half without its partner is never typed; control characters neither.
    Type(std::u16string(1, u'\xD83D') + u"a" + u"\x01\x1b");
    EXPECT_EQ(memo->GetText(), u"Привет, 日本 a!");
}

TEST_F(MemoEditTest, OneEnterInsertsOneBreak)
{
    TwzMemo* memo = Memo(u"ab");
    Focus(*memo, { 0, 1 });
    // The key press is consumed, so the scene types no character for it.
    EXPECT_EQ(scene->InjectKey(vk::kReturn, {}, u"\r"), 0);
    EXPECT_EQ(memo->GetText(), u"a\r\nb");
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 1, 0 }));
    Type(u"\r"); // a typed CR alone inserts a break too
    EXPECT_EQ(memo->GetText(), u"a\r\n\r\nb");
    memo->SetReadOnly(true);
    scene->InjectKey(vk::kReturn, {}, u"\r");
    Type(u"x");
    Key(vk::kBack);
    EXPECT_EQ(memo->GetText(), u"a\r\n\r\nb");
}

TEST_F(MemoEditTest, SelectionByKeys)
{
    TwzMemo* memo = Memo(u"abc\r\ndef");
    Focus(*memo);
    Key(vk::kRight, Shift());
    EXPECT_EQ(memo->SelText(), u"a");
    Key(vk::kRight);
    EXPECT_FALSE(memo->GetSelected());
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 2 }));
    Key(vk::kDown, Shift());
    EXPECT_EQ(memo->SelText(), u"c\r\nde");
    Key(vk::kEnd, Shift());
    EXPECT_EQ(memo->SelText(), u"c\r\ndef");
    Key(vk::kHome, { platform::ui::ShiftFlag::Shift, platform::ui::ShiftFlag::Ctrl });
    EXPECT_EQ(memo->SelText(), u"ab");
    Key(vk::kEnd, Ctrl());
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 1, 3 }));
    Key(vk::kLeft, Ctrl());
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 1, 0 }));
    Key(vk::kBack); // removes the CR LF in one step
    EXPECT_EQ(memo->GetText(), u"abcdef");
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 3 }));
}

TEST_F(MemoEditTest, AfterSelectingEverythingShiftAndAMoveShrinkTheSelectionFromItsEnd)
{
    // The start of the text is the fixed end of a selection of everything.
    struct Case {
        const char* name;
        uint16_t key;
        TShiftState shift;
        std::u16string selected;
        TwzCaretPosition caret;
    };
    const TShiftState shiftCtrl { platform::ui::ShiftFlag::Shift, platform::ui::ShiftFlag::Ctrl };
    const Case cases[] = {
        { "Shift+Left leaves all but the last character", vk::kLeft, Shift(), u"abc\r\nde", { 1, 2 } },
        { "Shift+End keeps everything", vk::kEnd, Shift(), u"abc\r\ndef", { 1, 3 } },
        { "Shift+Home keeps the lines above", vk::kHome, Shift(), u"abc\r\n", { 1, 0 } },
        { "Shift+Up keeps the first line's start", vk::kUp, Shift(), u"abc", { 0, 3 } },
        { "Shift+Ctrl+Left keeps the lines above", vk::kLeft, shiftCtrl, u"abc\r\n", { 1, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzMemo* memo = Memo(u"abc\r\ndef");
        Focus(*memo, { 0, 1 });
        scene->InjectText(u"a", Ctrl());
        ASSERT_EQ(memo->SelText(), u"abc\r\ndef");
        Key(c.key, c.shift);
        EXPECT_EQ(memo->SelText(), c.selected);
        EXPECT_EQ(memo->SelStart(), 0);
        EXPECT_EQ(memo->GetCaretPosition(), c.caret);
        memo->Free();
    }
}

TEST_F(MemoEditTest, CtrlShortcutsApplyToCtrlAlone)
{
    TwzMemo* memo = Memo(u"abc");
    Focus(*memo, { 0, 3 });
    scene->InjectText(u"z", Ctrl());
    EXPECT_EQ(memo->GetText(), u"abc");
    scene->InjectText(u"\x01", Ctrl()); // Ctrl+A as the window system types it
    EXPECT_EQ(memo->SelText(), u"abc");
    Key(vk::kEnd);
    scene->InjectText(u"a", Ctrl());
    EXPECT_EQ(memo->SelText(), u"abc");
    scene->InjectText(u"c", Ctrl());
    EXPECT_EQ(Clipboard().GetText(), u"abc");
    Key(vk::kEnd);
    scene->InjectText(u"A", { platform::ui::ShiftFlag::Ctrl, platform::ui::ShiftFlag::Shift });
    EXPECT_EQ(memo->GetText(), u"abcA");
    scene->InjectText(u"v", Ctrl());
    EXPECT_EQ(memo->GetText(), u"abcAabc");
    memo->SelectAll();
    scene->InjectText(u"x", Ctrl());
    EXPECT_EQ(memo->GetText(), u"");
    EXPECT_EQ(Clipboard().GetText(), u"abcAabc");
}

TEST_F(MemoEditTest, SelectionByMouse)
{
    TwzMemo* memo = Memo(u"hello world\r\nsecond line");
    const TwzPoint from = ScenePoint(*memo, { 0, 6 });
    const TwzPoint to = ScenePoint(*memo, { 1, 6 });
    scene->InjectMouseDown(from);
    EXPECT_EQ(scene->GetFocused(), memo);
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 6 }));
    scene->InjectMouseMove(to);
    scene->InjectMouseUp(to);
    EXPECT_EQ(memo->SelText(), u"world\r\nsecond");
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 1, 6 }));
    // A drag beyond the content holds at its edge.
    scene->InjectMouseDown(from);
    scene->InjectMouseMove({ 195, 95 });
    scene->InjectMouseUp({ 195, 95 });
    EXPECT_EQ(memo->SelText(), u"world\r\nsecond line");
    // A click alone selects nothing.
    scene->InjectClick(to);
    EXPECT_FALSE(memo->GetSelected());
    // A double click selects the word and leaves the caret where the first click put it.
    scene->InjectDoubleClick(ScenePoint(*memo, { 0, 2 }));
    EXPECT_EQ(memo->SelText(), u"hello ");
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 2 }));
}

TEST_F(MemoEditTest, UndoSequences)
{
    TwzMemo* memo = Memo(u"one two");
    Focus(*memo, { 0, 7 });

    // Typing merges into one record.
    Type(u"abc");
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"one two");

    // A Backspace run comes back as one selected run.
    Key(vk::kBack);
    Key(vk::kBack);
    Key(vk::kBack);
    EXPECT_EQ(memo->GetText(), u"one ");
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"one two");
    EXPECT_EQ(memo->SelText(), u"two");
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 7 }));

    // Deletions with a character between them are two records.
    Key(vk::kEnd);
    Key(vk::kBack);
    Key(vk::kLeft);
    Key(vk::kBack);
    EXPECT_EQ(memo->GetText(), u"one w");
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"one tw");
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"one two");

    // Typing over a word: one undo brings the word back, selected.
    memo->SetCaretPosition({ 0, 1 });
    memo->SelectWord();
    Type(u"X");
    EXPECT_EQ(memo->GetText(), u"Xtwo");
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"one two");
    EXPECT_EQ(memo->SelText(), u"one ");

    // A Delete run at one place merges forwards; a break comes back unselected.
    memo->SetText(u"ab\r\ncd");
    Focus(*memo, { 0, 2 });
    Key(vk::kDelete);
    EXPECT_EQ(memo->GetText(), u"abcd");
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"ab\r\ncd");
    EXPECT_FALSE(memo->GetSelected() && memo->SelLength() > 0);
    EXPECT_TRUE(memo->UndoStack().Empty());
    EXPECT_FALSE(memo->UndoStack().RollBackAction());
}

TEST_F(MemoEditTest, UndoIsClampedToTheText)
{
    TwzMemo* memo = Memo(u"abcdef");
    Focus(*memo, { 0, 6 });
    Type(u"xyz");
    // Lines edits come from outside the user's editing: they forget the records.
    memo->GetLines()->Add(u"more");
    EXPECT_TRUE(memo->UndoStack().Empty());
    // A record that outlived its text is applied within the text's bounds.
    memo->UndoStack().FragmentInserted(17, 10, false);
    memo->UndoStack().FragmentDeleted(99, u"tail");
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"abcdefxyz\r\nmoretail");
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"abcdefxyz\r\nmoreta");
}

TEST_F(MemoEditTest, ClipboardCutCopyPaste)
{
    TwzMemo* memo = Memo(u"alpha beta");
    Focus(*memo, { 0, 0 });
    Key(vk::kRight, Ctrl());
    Key(vk::kEnd, Shift());
    memo->CopyToClipboard();
    EXPECT_EQ(Clipboard().GetText(), u"beta");
    memo->CutToClipboard();
    EXPECT_EQ(memo->GetText(), u"alpha ");
    Key(vk::kHome);
    memo->PasteFromClipboard();
    EXPECT_EQ(memo->GetText(), u"betaalpha ");
    EXPECT_EQ(memo->SelText(), u"beta");
    const int changes = log->changes;
    // Pasting over a selection replaces it; one undo restores it.
    Clipboard().SetText(u"Ω\r\n\U0001F600");
    memo->PasteFromClipboard();
    EXPECT_EQ(memo->GetText(), u"Ω\r\n\U0001F600alpha ");
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 1, 2 }));
    EXPECT_EQ(log->changes, changes + 1);
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"betaalpha ");
    // A lone surrogate in the text reaches the clipboard as U+FFFD.
    memo->SetText(std::u16string(u"a") + u'\xDC00' + u"b");
    memo->SelectAll();
    memo->CopyToClipboard();
    EXPECT_EQ(Clipboard().GetText(), u"a\uFFFDb");
    // Read-only: copying works, cutting removes nothing, pasting inserts nothing.
    memo->SetReadOnly(true);
    memo->CutToClipboard();
    memo->PasteFromClipboard();
    EXPECT_EQ(memo->GetText(), std::u16string(u"a") + u'\xDC00' + u"b");
}

TEST_F(MemoEditTest, AHostilePasteIsCutAtTheMemosOwnLimit)
{
    // Without MaxLength the text still stops at the memo's own limit, never between the
    // halves of a surrogate pair, and the memo stays editable.
    const int32_t limit = TwzMemo::kMaxMemoLength;
    TwzMemo* memo = Memo(u"ab");
    Focus(*memo, { 0, 2 });
    std::u16string huge(static_cast<size_t>(limit), u'w');
    for (size_t i = 80; i < huge.size(); i += 81)
        huge[i] = u' ';
    huge.replace(static_cast<size_t>(limit) - 3, 2, u"\U0001F600"); // its low half lies past the limit
    Clipboard().SetText(huge);
    memo->PasteFromClipboard();
    const std::u16string& text = memo->GetText();
    ASSERT_EQ(static_cast<int64_t>(text.size()), limit - 1);
    EXPECT_EQ(text.substr(0, 3), u"abw");
    EXPECT_NE(text.back(), u'\xD83D') << "no half pair";
    Key(vk::kEnd, Ctrl());
    Key(vk::kBack);
    EXPECT_EQ(static_cast<int64_t>(memo->GetText().size()), limit - 2);
    // A MaxLength of its own still rules.
    auto* small = Add<TwzMemo>("Memo2", { 10, 100, 180, 40 });
    small->SetMaxLength(5);
    Focus(*small, { 0, 0 });
    small->PasteFromClipboard();
    EXPECT_EQ(small->GetText(), u"wwwww");
}

TEST_F(MemoEditTest, ContextMenuEnablesItemsForTheState)
{
    TwzMemo* memo = Memo(u"text");
    memo->SetAutoSelect(false);
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::map<std::string, bool> enabled;
    };
    const Case cases[] = {
        { "nothing selected, empty clipboard", [] {},
            { { "Undo", false }, { "Cut", false }, { "Copy", false }, { "Paste", false }, { "Delete", false },
                { "Select All", true } } },
        { "all selected, clipboard text",
            [&] {
                Clipboard().SetText(u"clip");
                memo->SelectAll();
            },
            { { "Undo", false }, { "Cut", true }, { "Copy", true }, { "Paste", true }, { "Delete", true },
                { "Select All", false } } },
        { "after an edit", [&] { Type(u"x"); },
            { { "Undo", true }, { "Cut", false }, { "Copy", false }, { "Paste", true }, { "Delete", false },
                { "Select All", true } } },
        { "read-only with a selection",
            [&] {
                memo->SetReadOnly(true);
                memo->SelectWord();
            },
            { { "Undo", false }, { "Cut", false }, { "Copy", true }, { "Paste", false }, { "Delete", false },
                { "Select All", false } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        EXPECT_EQ(OpenMenu(*memo), c.enabled);
    }
    EXPECT_EQ(FakePopupMenu::ShownCount(), 1); // the chooser was set anew for each
}

TEST_F(MemoEditTest, ContextMenuCommandsAndTheProgramsOwnMenu)
{
    TwzMemo* memo = Memo(u"abc");
    Focus(*memo, { 0, 3 });
    Type(u"def");
    OpenMenu(*memo, "Undo");
    EXPECT_EQ(memo->GetText(), u"abc");
    OpenMenu(*memo, "Select All");
    EXPECT_EQ(memo->SelText(), u"abc");
    OpenMenu(*memo, "Cut");
    EXPECT_EQ(memo->GetText(), u"");
    OpenMenu(*memo, "Paste");
    EXPECT_EQ(memo->GetText(), u"abc");

    // With a menu of the program's own the built-in one stays closed.
    auto* own = new platform::ui::PopupMenuComponent(form.get());
    memo->SetPopupMenu(own);
    int shown = -1;
    FakePopupMenu::SetChooser([&](MenuItem&, platform::ui::Point) -> MenuItem* {
        shown = 1;
        return nullptr;
    });
    scene->InjectMouseDown(ScenePoint(*memo, { 0, 0 }), TMouseButton::Right);
    EXPECT_EQ(shown, -1);
    EXPECT_EQ(own->GetPopupComponent(), memo);
}

TEST_F(MemoEditTest, FocusSelectsAllAndLeavingReportsTheChange)
{
    TwzMemo* memo = Memo(u"Glyphforge", 194, 54);
    memo->FocusObject();
    EXPECT_EQ(memo->SelText(), u"Glyphforge");
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 10 }));
    Type(u"Hi");
    EXPECT_EQ(memo->GetText(), u"Hi");
    EXPECT_EQ(log->changes, 0);
    scene->SetFocused(nullptr);
    EXPECT_EQ(log->changes, 1);
    // No change since the focus came: no report.
    memo->FocusObject();
    scene->SetFocused(nullptr);
    EXPECT_EQ(log->changes, 1);
}
