#include "platform/ui/Dialogs.h"

namespace platform::ui {

namespace {

FakeDialogs::OpenFileAnswer g_openFileAnswer;
std::vector<std::string> g_messages;
std::optional<OpenFileOptions> g_lastOpenFile;
FakeDialogs::ColorAnswer g_colorAnswer;
std::optional<uint32_t> g_lastColor;
FakeDialogs::SaveFileAnswer g_saveFileAnswer;
std::optional<SaveFileOptions> g_lastSaveFile;
bool g_confirmAnswer = false;
std::vector<std::string> g_questions;
FakeDialogs::FontAnswer g_fontAnswer;
std::optional<FontChoice> g_lastFont;
FakeDialogs::InputTextAnswer g_inputTextAnswer;
std::optional<InputTextOptions> g_lastInputText;

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Glob matching with "*" and "?", ASCII letters folded.
bool Matches(std::string_view pattern, std::string_view name)
{
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::string_view::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Folded(pattern[p]) == Folded(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

std::vector<FileFilter> ParseFileFilter(std::string_view text)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t bar = text.find('|', start);
        const size_t end = bar == std::string_view::npos ? text.size() : bar;
        parts.push_back(text.substr(start, end - start));
        if (bar == std::string_view::npos)
            break;
        start = bar + 1;
    }
    std::vector<FileFilter> filters;
    if (Trimmed(text).empty())
        return filters;
    for (size_t i = 0; i < parts.size(); i += 2) {
        FileFilter filter;
        filter.name = std::string(Trimmed(parts[i]));
        if (i + 1 < parts.size()) {
            const std::string_view list = parts[i + 1];
            size_t from = 0;
            while (from <= list.size()) {
                const size_t semicolon = list.find(';', from);
                const size_t to = semicolon == std::string_view::npos ? list.size() : semicolon;
                const std::string_view pattern = Trimmed(list.substr(from, to - from));
                if (!pattern.empty())
                    filter.patterns.emplace_back(pattern);
                if (semicolon == std::string_view::npos)
                    break;
                from = semicolon + 1;
            }
        }
        if (filter.patterns.empty())
            filter.patterns.emplace_back("*");
        if (filter.name.empty())
            filter.name = filter.patterns.front();
        filters.push_back(std::move(filter));
    }
    return filters;
}

bool MatchesFileFilter(const FileFilter& filter, std::string_view fileName)
{
    // "*.*" of the toolkit means every file, with or without an extension.
    for (const std::string& pattern : filter.patterns) {
        if (pattern == "*.*" || Matches(pattern, fileName))
            return true;
    }
    return false;
}

void FakeDialogs::SetOpenFileAnswer(OpenFileAnswer answer)
{
    g_openFileAnswer = std::move(answer);
}

const std::vector<std::string>& FakeDialogs::Messages()
{
    return g_messages;
}

const std::optional<OpenFileOptions>& FakeDialogs::LastOpenFile()
{
    return g_lastOpenFile;
}

void FakeDialogs::SetColorAnswer(ColorAnswer answer)
{
    g_colorAnswer = std::move(answer);
}

const std::optional<uint32_t>& FakeDialogs::LastColor()
{
    return g_lastColor;
}

std::string WithDefaultExtension(const std::string& name, const std::string& extension)
{
    if (extension.empty() || name.empty())
        return name;
    const size_t slash = name.rfind('/');
    const std::string_view file
        = slash == std::string::npos ? std::string_view(name) : std::string_view(name).substr(slash + 1);
    if (file.find('.') != std::string_view::npos && file.back() != '.')
        return name;
    return file.empty() || file.back() != '.' ? name + "." + extension : name + extension;
}

void FakeDialogs::SetSaveFileAnswer(SaveFileAnswer answer)
{
    g_saveFileAnswer = std::move(answer);
}

const std::optional<SaveFileOptions>& FakeDialogs::LastSaveFile()
{
    return g_lastSaveFile;
}

void FakeDialogs::SetConfirmAnswer(bool yes)
{
    g_confirmAnswer = yes;
}

const std::vector<std::string>& FakeDialogs::Questions()
{
    return g_questions;
}

void FakeDialogs::SetFontAnswer(FontAnswer answer)
{
    g_fontAnswer = std::move(answer);
}

const std::optional<FontChoice>& FakeDialogs::LastFont()
{
    return g_lastFont;
}

void FakeDialogs::SetInputTextAnswer(InputTextAnswer answer)
{
    g_inputTextAnswer = std::move(answer);
}

const std::optional<InputTextOptions>& FakeDialogs::LastInputText()
{
    return g_lastInputText;
}

void FakeDialogs::Reset()
{
    g_inputTextAnswer = {};
    g_lastInputText.reset();
    g_saveFileAnswer = {};
    g_lastSaveFile.reset();
    g_confirmAnswer = false;
    g_questions.clear();
    g_fontAnswer = {};
    g_lastFont.reset();
    g_colorAnswer = {};
    g_lastColor.reset();
    g_openFileAnswer = {};
    g_messages.clear();
    g_lastOpenFile.reset();
}

// The headless side of Dialogs; DialogsGtk.cpp sends the calls here unless the GTK
// application runs.
namespace detail {

std::optional<std::string> FakeOpenFile(const OpenFileOptions& options)
{
    g_lastOpenFile = options;
    if (!g_openFileAnswer)
        return std::nullopt;
    const FakeDialogs::OpenFileAnswer answer = g_openFileAnswer;
    return answer(options);
}

void FakeShowMessage(const std::string& text)
{
    g_messages.push_back(text);
}

std::optional<std::string> FakeSaveFile(const SaveFileOptions& options)
{
    g_lastSaveFile = options;
    if (!g_saveFileAnswer)
        return std::nullopt;
    const FakeDialogs::SaveFileAnswer answer = g_saveFileAnswer;
    return answer(options);
}

bool FakeConfirm(const std::string& text)
{
    g_questions.push_back(text);
    return g_confirmAnswer;
}

std::optional<FontChoice> FakeChooseFont(const FontChoice& font)
{
    g_lastFont = font;
    if (!g_fontAnswer)
        return std::nullopt;
    const FakeDialogs::FontAnswer answer = g_fontAnswer;
    return answer(font);
}

std::optional<uint32_t> FakeChooseColor(uint32_t color)
{
    color &= 0x00FFFFFFu;
    g_lastColor = color;
    if (!g_colorAnswer)
        return std::nullopt;
    const FakeDialogs::ColorAnswer answer = g_colorAnswer;
    const std::optional<uint32_t> chosen = answer(color);
    if (!chosen)
        return std::nullopt;
    return *chosen & 0x00FFFFFFu;
}

std::optional<std::string> FakeInputText(const InputTextOptions& options)
{
    g_lastInputText = options;
    if (!g_inputTextAnswer)
        return std::nullopt;
    const FakeDialogs::InputTextAnswer answer = g_inputTextAnswer;
    return answer(options);
}

} // namespace detail

} // namespace platform::ui
