#include "platform/ui/Dialogs.h"

namespace platform::ui {

namespace {

FakeDialogs::OpenFileAnswer g_openFileAnswer;
std::vector<std::string> g_messages;
std::optional<OpenFileOptions> g_lastOpenFile;
FakeDialogs::ColorAnswer g_colorAnswer;
std::optional<uint32_t> g_lastColor;

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

void FakeDialogs::Reset()
{
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

} // namespace detail

} // namespace platform::ui
