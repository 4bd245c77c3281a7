// The memo's edits: the two edit primitives, the line edits, keys, clipboard, context menu
// and undo.

#include "controls/TwzMemo.h"

#include "controls/TextEditor.h"
#include "controls/TextUnits.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Numbers.h"
#include "platform/ui/Application.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/Window.h"
#include "ui2d/IwzScene.h"
#include "ui2d/TwzCustomScene.h"

#include <algorithm>

namespace {

using controls::IsHighSurrogate;
using controls::IsLowSurrogate;

int32_t Size(std::u16string_view s)
{
    return static_cast<int32_t>(s.size());
}

constexpr const char* kUndoCaption = "Undo";
constexpr const char* kCutCaption = "Cut";
constexpr const char* kCopyCaption = "Copy";
constexpr const char* kPasteCaption = "Paste";
constexpr const char* kDeleteCaption = "Delete";
constexpr const char* kSelectAllCaption = "Select All";

} // namespace

// ---- the edit primitives ---------------------------------------------------------------------

void TwzMemo::InsertText(TwzCaretPosition p, std::u16string_view s, TwzEditOptions options)
{
    p = Normalized(p);
    const int32_t caretIndex = PosToIndex(m_caret);
    // Without MaxLength a pasted text still meets a limit of its own: lines and places count
    // in 32 bits, and a hostile clipboard must not cost minutes of layout.
    const int64_t limit = m_maxLength > 0 ? m_maxLength : kMaxMemoLength;
    {
        const int64_t room = limit - static_cast<int64_t>(m_text.size());
        size_t cut
            = room <= 0 ? 0 : static_cast<size_t>(std::min<int64_t>(room, static_cast<int64_t>(s.size())));
        // A cut never keeps half of a surrogate pair, nor the CR of a CR LF break.
        if (cut < s.size() && controls::SplitsUnitPair(s, static_cast<int64_t>(cut)))
            --cut;
        s = s.substr(0, cut);
    }
    const int32_t length = Size(s);
    const int32_t at = PosToIndex(p);
    if ((options & eoRecordInsert) && length > 0)
        m_undo->FragmentInserted(at, length, (options & eoPaired) != 0);

    const bool stored = ReplaceText(at, 0, s);
    if (stored)
        p = IndexToPos(at);
    if (!(options & eoSelect)) {
        if (!IsLoading()) {
            SetCaretPosition(IndexToPos(caretIndex + (at <= caretIndex ? length : 0)));
            UpdateCaret(false);
        }
    } else {
        m_anchor = p;
        m_head = MovePosition(p, length);
        m_selected = true;
        SetCaretPosition(m_head);
    }
    const rtl::DispatchGuard held(this);
    Realign();
    if (stored)
        TextStored();
}

void TwzMemo::DeleteText(TwzCaretPosition p, int32_t count, TwzEditOptions options)
{
    p = Normalized(p);
    const std::u16string_view text(m_text);
    const int32_t length = Size(text);
    int32_t b = PosToIndex(p) + 1;
    int32_t n = std::clamp(count, 0, std::max(0, length - b + 1));
    if (n > 0) {
        // Neither a break pair nor a surrogate pair loses one half.
        if (controls::SplitsUnitPair(text, b + n - 1))
            ++n;
        if (controls::SplitsUnitPair(text, b - 1)) {
            ++n;
            --b;
            p = IndexToPos(b - 1);
        }
    }
    bool stored = false;
    if (n > 0) {
        if (options & eoRecordDelete)
            m_undo->FragmentDeleted(b, text.substr(static_cast<size_t>(b) - 1, static_cast<size_t>(n)));
        stored = ReplaceText(b - 1, n, {});
        if (stored)
            p = IndexToPos(b - 1);
    }
    if ((options & eoSelect) || SelLength() != 0) {
        m_selected = false;
        SetCaretPosition(p);
    }
    const rtl::DispatchGuard held(this);
    Realign();
    if (stored)
        TextStored();
}

void TwzMemo::InsertLine(int32_t index, const std::u16string& s)
{
    // Edits from outside the user's editing leave undo records that no longer fit.
    m_undo->Clear();
    const int32_t count = LineCount();
    if (index < count)
        InsertText({ index, 0 }, s + u"\r\n", 0);
    else if (count > 0)
        InsertText({ count - 1, Size(LineRaw(count - 1)) }, u"\r\n" + s, 0);
    else
        InsertText({ index, 0 }, s, 0);
}

void TwzMemo::DeleteLine(int32_t index)
{
    const int32_t count = LineCount();
    if (index < 0 || index >= count)
        return;
    m_undo->Clear();
    if (index < count - 1) {
        DeleteText({ index, 0 }, Size(LineRaw(index)), 0);
    } else if (index > 0) {
        const int32_t previous = index - 1;
        const int32_t breakLength = Size(LineRaw(previous)) - Size(LineText(previous));
        DeleteText({ previous, Size(LineText(previous)) }, breakLength + Size(LineRaw(index)), 0);
    } else {
        DeleteText({ 0, 0 }, Size(m_text), 0);
    }
}

void TwzMemo::Change()
{
    if (!m_modified)
        return;
    const rtl::DispatchGuard held(this);
    if (!BoundControls().empty())
        UpdateBinding();
    OnChange(this);
}

// ---- clipboard ---------------------------------------------------------------------------------

void TwzMemo::CopyToClipboard()
{
    controls::CopyTextToClipboard(SelText());
}

void TwzMemo::CutToClipboard()
{
    const rtl::DispatchGuard held(this);
    CopyToClipboard();
    DeleteSelection();
}

void TwzMemo::DeleteSelection()
{
    if (m_readOnly || SelLength() == 0)
        return;
    DeleteText(SelectionBegin(), SelLength(), eoSelect | eoRecordDelete);
}

void TwzMemo::PasteFromClipboard()
{
    if (m_readOnly)
        return;
    const rtl::DispatchGuard held(this);
    const std::u16string text = controls::ClipboardText();
    // Reading the clipboard may run other handlers.
    if (m_readOnly)
        return;
    if (SelLength() != 0) {
        const TwzCaretPosition begin = SelectionBegin();
        DeleteText(begin, SelLength(), eoSelect | eoRecordDelete);
        InsertText(begin, text, eoSelect | eoRecordDelete | eoRecordInsert | eoPaired);
    } else {
        InsertText(m_caret, text, eoSelect | eoRecordDelete | eoRecordInsert);
    }
    Change();
}

void TwzMemo::Undo()
{
    m_undo->RollBackAction();
}

// ---- context menu --------------------------------------------------------------------------------

void TwzMemo::CreatePopupMenu()
{
    m_contextMenu = platform::ui::PopupMenu::Create();
    platform::ui::MenuItem& items = m_contextMenu->Items();
    // The chosen item's handler is posted: a memo freed meanwhile is left alone.
    rtl::Watch<TwzMemo> self(this);
    const auto command = [self](void (TwzMemo::*method)()) {
        return [self, method] {
            if (TwzMemo* memo = self.Get())
                (memo->*method)();
        };
    };
    items.Add(kUndoCaption, command(&TwzMemo::Undo));
    items.Add(kCutCaption, command(&TwzMemo::CutToClipboard));
    items.Add(kCopyCaption, command(&TwzMemo::CopyToClipboard));
    items.Add(kPasteCaption, command(&TwzMemo::PasteFromClipboard));
    items.Add(kDeleteCaption, command(&TwzMemo::DeleteSelection));
    items.Add(kSelectAllCaption, command(&TwzMemo::SelectAll));
}

void TwzMemo::UpdatePopupMenu()
{
    if (!m_contextMenu)
        return;
    platform::ui::MenuItem& items = m_contextMenu->Items();
    const std::u16string selected = SelText();
    const auto enable = [&items](const char* caption, bool value) {
        if (platform::ui::MenuItem* item = items.FindByCaption(caption))
            item->Enabled = value;
    };
    enable(kUndoCaption, !m_undo->Empty() && !m_readOnly);
    enable(kCutCaption, !selected.empty() && !m_readOnly);
    enable(kCopyCaption, !selected.empty());
    enable(kPasteCaption, !m_readOnly && !controls::ClipboardText().empty());
    enable(kDeleteCaption, !selected.empty() && !m_readOnly);
    enable(kSelectAllCaption, selected != m_text);
}

void TwzMemo::ContextMenu(const TwzPoint& point)
{
    // A menu of the program's own replaces the built-in one.
    if (GetPopupMenu()) {
        Inherited::ContextMenu(point);
        return;
    }
    if (IsDesigned() || !m_contextMenu)
        return;
    const rtl::DispatchGuard held(this);
    UpdatePopupMenu();
    // The menu blocks: not for a memo the update freed.
    if (IsFreed())
        return;
    platform::ui::SceneHost* host = nullptr;
    if (IwzScene* scene = GetScene()) {
        if (auto* custom = dynamic_cast<TwzCustomScene*>(scene->GetComponent()))
            host = custom->GetHost();
    }
    m_contextMenu->Popup(
        { static_cast<int32_t>(rtl::Round(point.X)), static_cast<int32_t>(rtl::Round(point.Y)) }, host);
}

// ---- keys ----------------------------------------------------------------------------------------

void TwzMemo::MoveCaretLines(int32_t n)
{
    const int32_t count = LineCount();
    const int32_t line = count == 0 ? 0 : std::clamp(m_caret.Line + n, 0, count - 1);
    const float y = static_cast<float>(rtl::Round(PositionToPoint({ line, m_caret.Pos }).Y));
    const float x = static_cast<float>(rtl::Round(PositionToPoint(m_caret).X));
    m_caret.Line = line;
    m_caret.Pos = PointToPosition({ x, y }).Pos;
}

void TwzMemo::TypeText(std::u16string_view s)
{
    const rtl::DispatchGuard held(this);
    const bool replaced = SelLength() != 0;
    if (replaced)
        DeleteText(SelectionBegin(), SelLength(), eoSelect | eoRecordDelete);
    InsertText(m_caret, s, eoRecordDelete | eoRecordInsert | (replaced ? eoPaired : 0));
}

void TwzMemo::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    namespace vk = platform::ui::vk;
    using platform::ui::ShiftFlag;
    const rtl::DispatchGuard held(this);
    Inherited::KeyDown(key, keyChar, shift);
    const TwzCaretPosition oldCaret = m_caret;
    const bool ctrl = shift.Has(ShiftFlag::Ctrl);
    const bool shifted = shift.Has(ShiftFlag::Shift);

    if (key == vk::kReturn && !m_readOnly) {
        TypeText(u"\r\n");
        key = 0;
    }

    switch (key) {
    case vk::kBack:
    case vk::kDelete:
        if (m_readOnly)
            break;
        if (SelLength() != 0) {
            if (shifted)
                CutToClipboard();
            else
                DeleteSelection();
        } else if (key == vk::kDelete) {
            DeleteText(m_caret, 1, eoSelect | eoRecordDelete);
        } else if (PosToIndex(m_caret) > 0) {
            DeleteText(MovePosition(m_caret, -1), 1, eoSelect | eoRecordDelete);
        }
        break;
    case vk::kPrior:
        MoveCaretLines(-static_cast<int32_t>(rtl::Round(VisibleLineCount())));
        break;
    case vk::kNext:
        MoveCaretLines(static_cast<int32_t>(rtl::Round(VisibleLineCount())));
        break;
    case vk::kEnd:
        if (ctrl) {
            const int32_t count = LineCount();
            m_caret = count == 0 ? TwzCaretPosition {}
                                 : TwzCaretPosition { count - 1, Size(LineText(count - 1)) };
        } else {
            m_caret.Pos = Size(LineText(m_caret.Line));
        }
        break;
    case vk::kHome:
        if (ctrl)
            m_caret = {};
        else
            m_caret.Pos = 0;
        break;
    case vk::kLeft:
        SetCaretPosition(ctrl ? WordLeft(m_caret) : MovePosition(m_caret, -1));
        break;
    case vk::kUp:
        MoveCaretLines(-1);
        break;
    case vk::kRight:
        SetCaretPosition(ctrl ? WordRight(m_caret) : MovePosition(m_caret, 1));
        break;
    case vk::kDown:
        MoveCaretLines(1);
        break;
    case vk::kInsert:
        if (ctrl)
            CopyToClipboard();
        else if (shifted)
            PasteFromClipboard();
        break;
    default:
        break;
    }

    // Shortcuts: Ctrl alone.
    if (controls::ModifiersAre(shift, { ShiftFlag::Ctrl }) && keyChar != 0) {
        bool shortcut = true;
        switch (keyChar) {
        case u'\x01': // what the window system types for Ctrl+A
        case u'A':
        case u'a':
            SelectAll();
            break;
        case u'C':
        case u'c':
            CopyToClipboard();
            break;
        case u'V':
        case u'v':
            PasteFromClipboard();
            break;
        case u'X':
        case u'x':
            CutToClipboard();
            break;
        case u'Z':
        case u'z':
            break;
        default:
            shortcut = false;
            break;
        }
        if (shortcut)
            keyChar = 0;
    }

    // A character outside the basic plane goes in whole once both its halves are here.
    const std::u16string typed(m_typed.Take(key, keyChar));
    if (IsHighSurrogate(keyChar) || IsLowSurrogate(keyChar)) {
        if (typed.size() == 2 && !m_readOnly)
            TypeText(typed);
        keyChar = 0;
    }
    if ((keyChar > 31 || keyChar == 13) && !m_readOnly) {
        const char16_t unit = keyChar;
        TypeText(unit == 13 ? std::u16string_view(u"\r\n") : std::u16string_view(&unit, 1));
        keyChar = 0;
    }

    if (key >= vk::kPrior && key <= vk::kDown) {
        if (!shifted) {
            m_selected = false;
            InvalidateObject();
        } else {
            if (!m_selected)
                ExtendSelection(oldCaret);
            ExtendSelection(m_caret);
            InvalidateObject();
        }
    }
    UpdateCaret(true);
}

// ---- undo ----------------------------------------------------------------------------------------

void TEdtActionStack::FragmentDeleted(int32_t startPos, std::u16string_view fragment)
{
    if (fragment.empty())
        return;
    if (!m_actions.empty() && m_actions.back().ActionType == TEdtAction::atDeleted) {
        TEdtAction& top = m_actions.back();
        if (startPos == top.StartPosition) {
            top.DeletedFragment.append(fragment);
            return;
        }
        if (startPos + Size(fragment) == top.StartPosition) {
            top.DeletedFragment.insert(0, fragment);
            top.StartPosition = startPos;
            return;
        }
    }
    TEdtAction action;
    action.ActionType = TEdtAction::atDeleted;
    action.StartPosition = startPos;
    action.DeletedFragment = std::u16string(fragment);
    m_actions.push_back(std::move(action));
}

void TEdtActionStack::FragmentInserted(int32_t startPos, int32_t count, bool paired)
{
    if (count == 0)
        return;
    if (!m_actions.empty() && m_actions.back().ActionType == TEdtAction::atInserted) {
        TEdtAction& top = m_actions.back();
        if (top.StartPosition + top.InsertedCount == startPos) {
            top.InsertedCount += count;
            return;
        }
    }
    TEdtAction action;
    action.ActionType = TEdtAction::atInserted;
    action.StartPosition = startPos;
    action.InsertedCount = count;
    action.PairedWithPrevious = paired;
    m_actions.push_back(std::move(action));
}

bool TEdtActionStack::RollBackAction()
{
    if (m_actions.empty())
        return false;
    rtl::Watch<TwzMemo> memo(&m_owner);
    bool paired = true;
    while (paired && !m_actions.empty()) {
        const TEdtAction action = std::move(m_actions.back());
        m_actions.pop_back();
        paired = action.PairedWithPrevious;
        const int32_t length = Size(m_owner.m_text);
        // The records fit the text they were made on; a place beyond it is held at its end.
        if (action.ActionType == TEdtAction::atDeleted) {
            const int32_t at = std::clamp(action.StartPosition - 1, 0, length);
            const TwzEditOptions options
                = action.DeletedFragment == u"\r\n" ? eoRecordDelete : (eoRecordDelete | eoSelect);
            m_owner.InsertText(m_owner.IndexToPos(at), action.DeletedFragment, options);
        } else {
            const int32_t at = std::clamp(action.StartPosition, 0, length);
            m_owner.DeleteText(m_owner.IndexToPos(at), std::min(action.InsertedCount, length - at), eoSelect);
        }
        if (!memo)
            return true;
    }
    return true;
}
