#include "design/TwzPathDataDesigner.h"

#include "controls/TwzLabel.h"
#include "controls/TwzLayouts.h"
#include "controls/TwzMemo.h"
#include "design/DesignResources.h"
#include "graphics/TwzPathData.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzPathShape.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Window.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr rtl::TMethodInfo kPathDesignerHandlers[] = {
    RTL_HANDLER(TwzPathDataDesigner, PathDataChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzPathDataDesigner, Button1Click, rtl::TNotifyEvent),
    RTL_HANDLER(TwzPathDataDesigner, Button2Click, rtl::TNotifyEvent),
    RTL_HANDLER(TwzPathDataDesigner, Button3Click, rtl::TNotifyEvent),
};

/// Reads a path text the way the path reader does and stops at the first place where the
/// reader would drop something or stop. Tabs and line breaks vanish for the reader; the
/// places reported are those of the original text.
class PathTextChecker {
public:
    explicit PathTextChecker(std::u16string_view text)
        : m_text(text)
    {
        m_units.reserve(text.size());
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] != u'\t' && text[i] != u'\n' && text[i] != u'\r')
                m_units.push_back({ text[i], i });
    }

    std::string Run()
    {
        while (m_pos < m_units.size()) {
            const size_t old = m_pos;
            SkipBlanks();
            const size_t runStart = m_pos;
            while (!AtEnd() && IsCommand(Char()))
                ++m_pos;
            for (size_t i = runStart; i < runStart + (m_pos - runStart); ++i) {
                // Each command of a run reads its numbers from after the run onwards.
                if (!Perform(static_cast<char>(m_units[i].c), m_units[i].index))
                    return m_problem;
            }
            if (m_pos == old) {
                const char16_t c = Char();
                return Place(m_units[m_pos].index) + "\"" + rtl::Utf16ToUtf8(std::u16string_view(&c, 1))
                    + "\" starts no path command; the path ends before it.";
            }
        }
        return {};
    }

private:
    struct Unit {
        char16_t c;
        size_t index; // in the original text
    };

    static bool IsCommand(char16_t c)
    {
        return c < 128
            && std::string_view("zmlchvsqtaZMLCHVSQTA").find(static_cast<char>(c)) != std::string_view::npos;
    }
    static bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

    [[nodiscard]] bool AtEnd() const { return m_pos >= m_units.size(); }
    [[nodiscard]] char16_t Char() const { return m_units[m_pos].c; }

    void SkipBlanks()
    {
        while (!AtEnd() && Char() == u' ')
            ++m_pos;
    }
    void SkipBlanksAndCommas()
    {
        while (!AtEnd() && (Char() == u' ' || Char() == u','))
            ++m_pos;
    }

    /// "Line 2, column 5: " for a place in the original text.
    [[nodiscard]] std::string Place(size_t index) const
    {
        size_t line = 1;
        size_t lineStart = 0;
        for (size_t i = 0; i < index && i < m_text.size(); ++i) {
            const bool crlf = m_text[i] == u'\r' && i + 1 < m_text.size() && m_text[i + 1] == u'\n';
            if (m_text[i] == u'\n' || (m_text[i] == u'\r' && !crlf)) {
                ++line;
                lineStart = i + 1;
            }
        }
        return "Line " + std::to_string(line) + ", column " + std::to_string(index - lineStart + 1) + ": ";
    }

    // As the reader: digits and ".", "-" only in front, within the Single range.
    bool ReadNumber()
    {
        SkipBlanks();
        const size_t start = m_pos;
        if (!AtEnd() && Char() == u'-')
            ++m_pos;
        std::string token = m_pos > start ? "-" : "";
        while (!AtEnd() && (IsDigit(Char()) || Char() == u'.')) {
            token += static_cast<char>(Char());
            ++m_pos;
        }
        if (token.empty())
            return false;
        const std::optional<double> value = rtl::TryStrToFloat(token);
        return value && std::fabs(*value) < 0x1.ffffffp+127;
    }

    // A point asked for at the very end is the origin, as the reader completes it.
    bool ReadPoint()
    {
        if (AtEnd())
            return true;
        SkipBlanksAndCommas();
        if (!ReadNumber())
            return false;
        SkipBlanksAndCommas();
        if (!ReadNumber())
            return false;
        SkipBlanksAndCommas();
        return true;
    }
    bool ReadPoints(int count)
    {
        for (int i = 0; i < count; ++i)
            if (!ReadPoint())
                return false;
        return true;
    }
    [[nodiscard]] bool Repeats() const { return !AtEnd() && (Char() == u'-' || IsDigit(Char())); }

    bool Fail(char letter, size_t index, const char* needs)
    {
        m_problem = Place(index) + "\"" + std::string(1, letter) + "\" needs " + needs
            + "; the reader leaves the command out.";
        return false;
    }

    bool Perform(char letter, size_t index)
    {
        switch (letter) {
        case 'Z':
        case 'z':
            return true;
        case 'M':
        case 'm':
        case 'L':
        case 'l':
            do {
                if (!ReadPoint())
                    return Fail(letter, index, "a point: two numbers");
            } while (Repeats());
            return true;
        case 'C':
        case 'c':
            do {
                if (!ReadPoints(3))
                    return Fail(letter, index, "three points: six numbers");
            } while (Repeats());
            return true;
        case 'S':
        case 's':
            do {
                if (!ReadPoints(2))
                    return Fail(letter, index, "two points: four numbers");
            } while (Repeats());
            return true;
        case 'H':
        case 'h':
        case 'V':
        case 'v':
            return ReadNumber() || Fail(letter, index, "one number");
        case 'Q':
        case 'q':
        case 'T':
        case 't':
            m_problem = Place(index) + "quadratic curves (\"" + std::string(1, letter)
                + "\") are not drawn; use \"C\" for curves.";
            return false;
        case 'A':
        case 'a':
            if (!ReadPoint() || !ReadNumber() || !ReadPoints(2))
                return Fail(letter, index, "seven numbers: radii, rotation, two flags and the end point");
            return true;
        default:
            return true;
        }
    }

    std::u16string_view m_text;
    std::vector<Unit> m_units;
    size_t m_pos = 0;
    std::string m_problem;
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzPathDataDesigner, .methods = kPathDesignerHandlers)

namespace design {

std::string PathTextProblem(std::u16string_view text)
{
    return PathTextChecker(text).Run();
}

} // namespace design

TwzPathDataDesigner::TwzPathDataDesigner(rtl::TComponent* owner)
    : TAppForm(owner)
{
    LoadDescription(StoredDescription());
}

TwzPathDataDesigner::~TwzPathDataDesigner() = default;

std::string_view TwzPathDataDesigner::StoredDescription()
{
    return design::EmbeddedFile("PathDataDesigner.txt");
}

void TwzPathDataDesigner::DescriptionLoaded()
{
    auto find
        = [this]<class T>(T*& field, const char* name) { field = dynamic_cast<T*>(FindComponent(name)); };
    find(wzScene1, "wzScene1");
    find(PathData, "PathData");
    find(previewLayout, "previewLayout");
    find(previewPath, "previewPath");
    find(labelError, "labelError");
    if (PathData)
        PathData->FocusObject();
}

std::string TwzPathDataDesigner::GetPathText() const
{
    return PathData ? rtl::Utf16ToUtf8(PathData->GetText()) : std::string();
}

void TwzPathDataDesigner::SetPathText(const std::string& text)
{
    if (PathData)
        PathData->SetText(rtl::Utf8ToUtf16(text));
}

void TwzPathDataDesigner::PathDataChange(rtl::TObject*)
{
    if (!PathData || !previewLayout || !previewLayout->GetVisible())
        return;
    const std::u16string& text = PathData->GetText();
    m_problem = design::PathTextProblem(text);
    if (labelError)
        labelError->SetText(rtl::Utf8ToUtf16(m_problem));
    if (previewPath) {
        TwzPathData data;
        data.SetData(rtl::Utf16ToUtf8(text));
        previewPath->SetPathData(&data);
        previewPath->InvalidateObject();
    }
}

bool TwzPathDataDesigner::ReplaceText(std::u16string_view text)
{
    if (!PathData)
        return false;
    if (text.size() > kMaxPathText) {
        platform::ui::Dialogs::ShowError("The clipboard holds " + std::to_string(text.size())
                + " characters; a path text may hold at most " + std::to_string(kMaxPathText) + ".",
            GetWindow());
        return false;
    }
    rtl::Watch<TwzMemo> memo(PathData);
    memo->SelectAll();
    if (memo)
        memo->DeleteSelection();
    if (memo)
        memo->InsertText(memo->GetCaretPosition(), text, eoSelect | eoRecordDelete | eoRecordInsert);
    if (memo)
        memo->Change();
    return true;
}

void TwzPathDataDesigner::Button1Click(rtl::TObject*)
{
    platform::ui::Application* application = platform::ui::Application::TryCurrent();
    if (!application)
        return;
    rtl::Watch<TwzPathDataDesigner> self(this);
    const std::optional<std::u16string> text = application->GetClipboard().GetText();
    // Reading the clipboard may run other handlers. A clipboard without text leaves the path.
    if (self && text)
        ReplaceText(*text);
}

void TwzPathDataDesigner::Button2Click(rtl::TObject*)
{
    SetModalResult(platform::ui::kModalOk);
}

void TwzPathDataDesigner::Button3Click(rtl::TObject*)
{
    SetModalResult(platform::ui::kModalCancel);
}
