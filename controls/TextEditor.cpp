#include "controls/TextEditor.h"

#include "controls/TextUnits.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Numbers.h"
#include "platform/ui/Application.h"
#include "platform/ui/PopupMenu.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace controls {
namespace {

namespace vk = platform::ui::vk;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;

// Characters a single line can show at once whatever its width: painting and measuring never
// lay out more than this, so a pasted megabyte costs no more per paint than a screenful.
constexpr int32_t kMaxShownChars = 4096;

/// The selection length after its moving end went `moved` further: the fixed end stays.
int32_t MovedLength(int32_t length, int32_t moved)
{
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t(length) - moved, INT32_MIN, INT32_MAX));
}

platform::ui::Clipboard* TextClipboard()
{
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    return app ? &app->GetClipboard() : nullptr;
}

} // namespace

// ---- editing shared by the text editors ----------------------------------------------------

int32_t WordStart(std::u16string_view text, int32_t position)
{
    int32_t col = std::clamp(position, 0, static_cast<int32_t>(text.size()));
    bool passedWord = false;
    while (col > 0 && (text[static_cast<size_t>(col - 1)] != u' ' || !passedWord)) {
        if (text[static_cast<size_t>(col - 1)] != u' ')
            passedWord = true;
        --col;
    }
    return col;
}

int32_t WordEnd(std::u16string_view text, int32_t position)
{
    const auto length = static_cast<int32_t>(text.size());
    int32_t col = std::clamp(position, 0, length);
    bool space = false;
    bool word = false;
    while (col + 2 <= length) {
        const char16_t c = text[static_cast<size_t>(col)];
        if (c != u' ' && space && word)
            break;
        if (c == u' ') {
            space = true;
        } else {
            word = true;
            space = false;
        }
        ++col;
    }
    if (!space)
        ++col;
    return col;
}

std::u16string ClipboardText()
{
    platform::ui::Clipboard* clipboard = TextClipboard();
    if (!clipboard)
        return {};
    return clipboard->GetText().value_or(std::u16string());
}

void CopyTextToClipboard(std::u16string_view text)
{
    if (text.empty())
        return;
    if (platform::ui::Clipboard* clipboard = TextClipboard())
        clipboard->SetText(text);
}

bool ModifiersAre(ShiftState shift, std::initializer_list<ShiftFlag> flags)
{
    constexpr uint16_t kModifiers = static_cast<uint16_t>(ShiftFlag::Shift)
        | static_cast<uint16_t>(ShiftFlag::Ctrl) | static_cast<uint16_t>(ShiftFlag::Alt)
        | static_cast<uint16_t>(ShiftFlag::Meta);
    return (shift.Bits() & kModifiers) == ShiftState(flags).Bits();
}

// ---- the single-line editor ------------------------------------------------------------------

TextEditor::TextEditor(rtl::TComponent& host)
    : m_host(host)
{ }

TextEditor::~TextEditor() = default;

// ---- selection and caret -----------------------------------------------------------------

// Start and length come from code as any Int32: the sums are taken wide so that no value
// overflows, and every user of them limits them to the text.
int32_t TextEditor::GetSelStart() const
{
    if (m_selLength > 0)
        return m_selStart;
    if (m_selLength < 0)
        return static_cast<int32_t>(std::max<int64_t>(int64_t(m_selStart) + m_selLength, INT32_MIN));
    return m_caret;
}

int32_t TextEditor::GetSelLength() const
{
    return static_cast<int32_t>(std::min<int64_t>(std::abs(int64_t(m_selLength)), INT32_MAX));
}

std::u16string TextEditor::GetSelText() const
{
    const int32_t start = std::clamp(GetSelStart(), 0, Length());
    const int32_t count = std::min(GetSelLength(), Length() - start);
    return m_text.substr(static_cast<size_t>(start), static_cast<size_t>(count));
}

void TextEditor::SetSelStart(int32_t value)
{
    if (value == GetSelStart())
        return;
    m_selLength = 0;
    m_selStart = value;
    SetCaretPosition(value);
    EditInvalidate();
}

void TextEditor::SetSelLength(int32_t value)
{
    // The far end reaches over a pair of units it would split.
    const int64_t end = int64_t(m_selStart) + value;
    if (value != 0 && SplitsPair(end))
        value = value > 0 ? value + 1 : value - 1;
    if (value == m_selLength)
        return;
    m_selLength = value;
    EditInvalidate();
}

void TextEditor::SetCaretPosition(int32_t position)
{
    m_caret = std::clamp(position, 0, Length());
    if (SplitsPair(m_caret))
        --m_caret;
    ScrollToCaret();
    if (GetSelLength() == 0)
        m_selStart = m_caret;
    EditInvalidate();
    CaretMoved();
}

std::u16string_view TextEditor::Span(int32_t from, int32_t to) const
{
    from = std::max(from, 1);
    to = std::min(to, Length());
    if (to < from)
        return {};
    return std::u16string_view(m_text).substr(
        static_cast<size_t>(from - 1), static_cast<size_t>(to - from + 1));
}

void TextEditor::RemoveAt(int32_t index, int32_t count)
{
    index = std::clamp(index, 0, Length());
    count = std::clamp(count, 0, Length() - index);
    m_text.erase(static_cast<size_t>(index), static_cast<size_t>(count));
}

void TextEditor::InsertText(std::u16string_view text)
{
    if (m_readOnly)
        return;
    const int32_t start = std::clamp(GetSelStart(), 0, Length());
    std::u16string changed = m_text;
    changed.erase(
        static_cast<size_t>(start), static_cast<size_t>(std::min(GetSelLength(), Length() - start)));
    changed.insert(static_cast<size_t>(start), text);
    rtl::Watch<rtl::TComponent> alive(&m_host);
    SetText(changed);
    if (!alive)
        return;
    SetCaretPosition(start + static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX - start)));
    m_selLength = 0;
}

void TextEditor::DeleteSelection()
{
    if (m_readOnly)
        return;
    const int32_t start = std::clamp(GetSelStart(), 0, Length());
    std::u16string changed = m_text;
    changed.erase(
        static_cast<size_t>(start), static_cast<size_t>(std::min(GetSelLength(), Length() - start)));
    SetCaretPosition(start);
    rtl::Watch<rtl::TComponent> alive(&m_host);
    SetText(changed);
    if (alive)
        m_selLength = 0;
}

void TextEditor::CopyToClipboard()
{
    CopyTextToClipboard(GetSelText());
}

void TextEditor::CutToClipboard()
{
    CopyToClipboard();
    DeleteSelection();
}

void TextEditor::PasteFromClipboard()
{
    if (m_readOnly)
        return;
    InsertText(ClipboardText());
}

void TextEditor::SelectAll()
{
    SetCaretPosition(Length());
    m_selStart = Length();
    m_selLength = -Length();
    EditInvalidate();
}

int32_t TextEditor::WordStart(int32_t position) const
{
    return controls::WordStart(m_text, position);
}

int32_t TextEditor::WordEnd(int32_t position) const
{
    return controls::WordEnd(m_text, position);
}

// ---- measuring -----------------------------------------------------------------------------

float TextEditor::TextWidth(std::u16string_view text)
{
    return MeasureWidth(m_password ? std::u16string_view(u"a") : text);
}

float TextEditor::SpanWidth(std::u16string_view text)
{
    if (m_password)
        return static_cast<float>(text.size()) * CharWidth();
    return text.empty() ? 0 : MeasureWidth(text);
}

float TextEditor::GetCharX(int32_t position)
{
    const TextEditFrame frame = EditFrame();
    const int32_t n = std::min(position, Length());
    float width = 0;
    float x = frame.left;
    if (m_password) {
        width = static_cast<float>(Length()) * CharWidth();
        if (n > 0)
            x = frame.left + static_cast<float>(n - m_firstVisible + 1) * CharWidth();
    } else {
        // A text longer than any line can show is wider than the frame: no alignment offset.
        width = Length() > kMaxShownChars ? frame.width : MeasureWidth(m_text.empty() ? u"a" : m_text);
        if (n > 0)
            x = frame.left + SpanWidth(Span(m_firstVisible, std::min(n, m_firstVisible + kMaxShownChars)));
    }
    if (width < frame.width) {
        if (frame.align == wzTextAlignCenter)
            x += (frame.width - width) / 2;
        else if (frame.align == wzTextAlignFar)
            x += frame.width - width;
    }
    return x;
}

int32_t TextEditor::GetPositionAt(float x)
{
    int32_t result = m_firstVisible - 1;
    if (m_text.empty())
        return result;
    const TextEditFrame frame = EditFrame();
    float width = 0;
    if (m_password)
        width = static_cast<float>(Length()) * CharWidth();
    else
        width = Length() > kMaxShownChars ? frame.width : MeasureWidth(m_text);
    if (width < frame.width) {
        if (frame.align == wzTextAlignCenter)
            x -= (frame.width - width) / 2;
        else if (frame.align == wzTextAlignFar)
            x -= frame.width - width;
    }
    x -= frame.left;
    if (m_password) {
        const float charWidth = CharWidth();
        if (charWidth <= 0)
            return std::clamp(result, 0, Length());
        const int64_t steps = rtl::Trunc(x / charWidth);
        return static_cast<int32_t>(std::clamp<int64_t>(result + steps, 0, Length()));
    }
    result = std::clamp(result, 0, Length());
    // Character by character, a surrogate pair being one character.
    float before = SpanWidth(Span(m_firstVisible, result));
    while (before < x && result < Length()) {
        const int32_t next = NextPosition(result);
        const float after = SpanWidth(Span(m_firstVisible, next));
        const float half = (after - before) / 2;
        if (before + half < x && x < after) {
            result = next;
            break;
        }
        if (x < after)
            break;
        result = next;
        before = after;
    }
    return result;
}

void TextEditor::ScrollToCaret()
{
    if (m_firstVisible <= m_caret) {
        if (m_firstVisible < Length()) {
            const float limit = EditFrame().width;
            // The smallest first character from which the text through the caret fits, found
            // from the caret backwards so that no measured run is much longer than a line.
            auto fits = [&](int32_t first) { return SpanWidth(Span(first, m_caret)) <= limit; };
            int32_t fitting = m_caret + 1;
            int32_t tooWide = m_firstVisible - 1;
            for (int32_t run = 8;; run *= 2) {
                const int32_t first = std::max(m_firstVisible, m_caret + 1 - run);
                if (!fits(first)) {
                    tooWide = first;
                    break;
                }
                fitting = first;
                if (first == m_firstVisible || run > kMaxShownChars)
                    break;
            }
            if (tooWide >= m_firstVisible) {
                while (fitting - tooWide > 1) {
                    const int32_t middle = tooWide + (fitting - tooWide) / 2;
                    if (fits(middle))
                        fitting = middle;
                    else
                        tooWide = middle;
                }
            }
            // The line never starts with the second half of a pair.
            if (SplitsPair(fitting - 1))
                ++fitting;
            m_firstVisible = std::max(1, std::min(fitting, Length()));
        }
    } else {
        m_firstVisible = std::max(SplitsPair(m_caret - 1) ? m_caret - 1 : m_caret, 1);
    }
    EditInvalidate();
}

std::u16string_view TextEditor::VisibleText() const
{
    return Span(m_firstVisible, std::min(Length(), m_firstVisible + kMaxShownChars - 1));
}

// ---- input -----------------------------------------------------------------------------------

void TextEditor::EditKeyDown(uint16_t& key, char16_t& keyChar, ShiftState shift)
{
    rtl::Watch<rtl::TComponent> alive(&m_host);
    const int32_t caretBefore = m_caret;
    switch (key) {
    case vk::kBack:
    case vk::kDelete:
        if (m_readOnly)
            break;
        if (GetSelLength() > 0) {
            if (ModifiersAre(shift, { ShiftFlag::Shift }))
                CutToClipboard();
            else
                DeleteSelection();
        } else {
            // A CR LF break or a surrogate pair goes as one character.
            std::u16string changed = m_text;
            if (key == vk::kBack) {
                const int32_t count = m_caret - PreviousPosition(m_caret);
                if (m_caret >= count)
                    changed.erase(static_cast<size_t>(m_caret - count), static_cast<size_t>(count));
                SetCaretPosition(m_caret - count);
            } else if (m_caret < Length()) {
                changed.erase(
                    static_cast<size_t>(m_caret), static_cast<size_t>(NextPosition(m_caret) - m_caret));
            }
            SetText(changed);
            if (!alive)
                return;
            Typing();
        }
        break;
    case vk::kReturn:
        Change();
        break;
    case vk::kEnd:
        SetCaretPosition(Length());
        break;
    case vk::kHome:
        SetCaretPosition(0);
        break;
    case vk::kLeft:
        SetCaretPosition(shift.Has(ShiftFlag::Ctrl) ? WordStart(m_caret) : PreviousPosition(m_caret));
        break;
    case vk::kRight:
        if (shift.Has(ShiftFlag::Ctrl))
            SetCaretPosition(WordEnd(m_caret));
        else
            SetCaretPosition(NextPosition(m_caret));
        break;
    case vk::kInsert:
        if (ModifiersAre(shift, { ShiftFlag::Ctrl })) {
            CopyToClipboard();
        } else if (ModifiersAre(shift, { ShiftFlag::Shift })) {
            PasteFromClipboard();
            if (!alive)
                return;
            Typing();
        }
        break;
    default:
        break;
    }
    if (!alive)
        return;

    if (keyChar != 0 && !m_filter.empty() && m_filter.find(keyChar) == std::u16string::npos)
        keyChar = 0;

    if (keyChar != 0 && ModifiersAre(shift, { ShiftFlag::Ctrl })) {
        switch (keyChar) {
        case u'a':
        case u'A':
            if (!SelectAllShortcut())
                break;
            SelectAll();
            keyChar = 0;
            break;
        case u'c':
        case u'C':
            CopyToClipboard();
            keyChar = 0;
            break;
        case u'v':
        case u'V':
            keyChar = 0;
            PasteFromClipboard();
            if (!alive)
                return;
            Typing();
            break;
        case u'x':
        case u'X':
            keyChar = 0;
            CutToClipboard();
            break;
        case u'z':
        case u'Z':
            keyChar = 0;
            break;
        default:
            break;
        }
        if (!alive)
            return;
    }

    if (key == vk::kEnd || key == vk::kHome || key == vk::kLeft || key == vk::kRight) {
        if (!shift.Has(ShiftFlag::Shift)) {
            m_selLength = 0;
        } else {
            m_selStart = m_caret;
            m_selLength = MovedLength(m_selLength, m_caret - caretBefore);
        }
        EditInvalidate();
    }

    // A character outside the basic plane goes in whole once both its halves are here.
    std::u16string typed(m_typed.Take(key, keyChar));
    if (typed.size() == 1 && typed[0] <= 31)
        typed.clear(); // a control character
    if (!typed.empty() && !m_readOnly) {
        InsertText(typed);
        if (!alive)
            return;
        Typing();
        if (!alive)
            return;
    }
    SetCaretPosition(m_caret);
}

void TextEditor::EditMouseDown(float x, bool doubleClick)
{
    m_pressed = true;
    if (doubleClick)
        return;
    SetCaretPosition(GetPositionAt(x));
    m_selLength = 0;
    EditInvalidate();
}

void TextEditor::EditMouseMove(float x)
{
    if (!m_pressed)
        return;
    const int32_t caretBefore = m_caret;
    const TextEditFrame frame = EditFrame();
    int32_t position = GetPositionAt(x);
    if (x > frame.left + frame.width)
        position = NextPosition(position);
    SetCaretPosition(position);
    m_selStart = m_caret;
    m_selLength = MovedLength(m_selLength, m_caret - caretBefore);
    EditInvalidate();
}

// ---- context menu ----------------------------------------------------------------------------

platform::ui::PopupMenu& TextEditor::EditMenu()
{
    if (!m_menu) {
        m_menu = platform::ui::PopupMenu::Create();
        platform::ui::MenuItem& items = m_menu->Items();
        items.Add("Cut", [this, alive = rtl::Watch<rtl::TComponent>(&m_host)] {
            if (alive)
                CutToClipboard();
        });
        items.Add("Copy", [this, alive = rtl::Watch<rtl::TComponent>(&m_host)] {
            if (alive)
                CopyToClipboard();
        });
        items.Add("Paste", [this, alive = rtl::Watch<rtl::TComponent>(&m_host)] {
            if (alive)
                PasteFromClipboard();
        });
        items.Add("Delete", [this, alive = rtl::Watch<rtl::TComponent>(&m_host)] {
            if (alive)
                DeleteSelection();
        });
        items.Add("Select All", [this, alive = rtl::Watch<rtl::TComponent>(&m_host)] {
            if (alive)
                SelectAll();
        });
    }
    return *m_menu;
}

void TextEditor::UpdatePopupMenu()
{
    platform::ui::MenuItem& items = EditMenu().Items();
    const std::u16string selected = GetSelText();
    platform::ui::Clipboard* clipboard = TextClipboard();
    const bool canPaste = !m_readOnly && clipboard && !ClipboardText().empty();
    items.Item(0).Enabled = !selected.empty() && !m_readOnly;
    items.Item(1).Enabled = !selected.empty();
    items.Item(2).Enabled = canPaste;
    items.Item(3).Enabled = !selected.empty() && !m_readOnly;
    items.Item(4).Enabled = selected != m_text;
}

void TextEditor::PopupEditMenu(const TwzPoint& screen)
{
    UpdatePopupMenu();
    const platform::ui::Point at { static_cast<int32_t>(rtl::Round(screen.X)),
        static_cast<int32_t>(rtl::Round(screen.Y)) };
    EditMenu().Popup(at);
}

} // namespace controls
