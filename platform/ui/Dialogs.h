#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Modal dialogs of the window layer: choosing a file to open, and plain messages. Each runs
// its own loop and returns when the user closed it. GUI thread only; the headless window
// system answers them from scripts set by tests.
namespace platform::ui {

class Form;

/// One entry of a file filter: a name shown to the user and its patterns ("*.png").
struct FileFilter {
    std::string name;
    std::vector<std::string> patterns;
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

/// Reads the toolkit's filter text, "Name|*.a;*.b|Other|*.c": names and pattern lists in
/// turn. Blank patterns are dropped; a name without patterns gets "*"; an empty text gives
/// no filter.
[[nodiscard]] std::vector<FileFilter> ParseFileFilter(std::string_view text);
/// Whether the file name (without folder) matches one of the patterns, "*" and "?" as
/// wildcards, ASCII letters without regard to case (so "PHOTO.PNG" matches "*.png").
[[nodiscard]] bool MatchesFileFilter(const FileFilter& filter, std::string_view fileName);

struct OpenFileOptions {
    std::string title; // empty: the window system's own
    std::string filter; // the toolkit's filter text
    int filterIndex = 1; // the filter chosen first, from 1
    std::string initialFolder; // empty: the current folder
    Form* owner = nullptr; // the dialog stays above it
};

struct SaveFileOptions {
    std::string title; // empty: the window system's own
    std::string filter; // the toolkit's filter text
    int filterIndex = 1;
    std::string defaultExtension; // added ("." and it) to a name typed without an extension
    std::string fileName; // the name proposed first (a full name or a bare file name)
    bool overwritePrompt = true; // ask before replacing an existing file (its final name)
    Form* owner = nullptr;
};

/// A font as the font dialog shows and returns it.
struct FontChoice {
    std::string family;
    float size = 12; // points
    int32_t style = 0; // 0 regular, 1 bold, 2 italic, 3 bold italic
    friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

struct InputTextOptions {
    std::string caption;
    std::string prompt;
    std::string text; // the text proposed first, selected
    Form* owner = nullptr;
};

/// The name to save to: `name` with "." and `extension` added when its file part has no
/// extension (and `extension` is not empty).
[[nodiscard]] std::string WithDefaultExtension(const std::string& name, const std::string& extension);

class Dialogs {
public:
    /// The full name (UTF-8) of the existing file the user chose, or nothing when cancelled.
    [[nodiscard]] static std::optional<std::string> OpenFile(const OpenFileOptions& options);
    /// The full name (UTF-8) to save to, with the default extension added, or nothing when
    /// cancelled. With overwritePrompt, an existing file is replaced only when the user says
    /// so; otherwise the dialog comes back.
    [[nodiscard]] static std::optional<std::string> SaveFile(const SaveFileOptions& options);
    /// A message with an OK button.
    static void ShowMessage(const std::string& text, Form* owner = nullptr);
    /// An error message with an OK button.
    static void ShowError(const std::string& text, Form* owner = nullptr);
    /// A question with Yes and No buttons; true for Yes.
    [[nodiscard]] static bool Confirm(const std::string& text, Form* owner = nullptr);
    /// The font the user chose, starting from `font`; nothing when cancelled.
    [[nodiscard]] static std::optional<FontChoice> ChooseFont(const FontChoice& font, Form* owner = nullptr);
    /// The colour the user chose, starting from `color`; both in the toolkit's 0x00BBGGRR
    /// form (the top byte is ignored and returned 0). Nothing when cancelled.
    [[nodiscard]] static std::optional<uint32_t> ChooseColor(uint32_t color, Form* owner = nullptr);
    /// One line of text the user typed, starting from `text`, under a caption and a prompt;
    /// nothing when cancelled.
    [[nodiscard]] static std::optional<std::string> InputText(const InputTextOptions& options);
};

/// The headless answers.
class FakeDialogs {
public:
    using OpenFileAnswer = std::function<std::optional<std::string>(const OpenFileOptions&)>;
    /// Given the starting colour (0x00BBGGRR), the chosen one or nothing (cancelled).
    using ColorAnswer = std::function<std::optional<uint32_t>(uint32_t)>;
    /// Answers every open dialog from now on; none (the default) cancels them.
    static void SetOpenFileAnswer(OpenFileAnswer answer);
    /// The messages shown since the last Reset, in order.
    [[nodiscard]] static const std::vector<std::string>& Messages();
    /// The options of the last open dialog.
    [[nodiscard]] static const std::optional<OpenFileOptions>& LastOpenFile();
    /// Answers every colour dialog from now on; none (the default) cancels them.
    static void SetColorAnswer(ColorAnswer answer);
    /// The starting colour of the last colour dialog.
    [[nodiscard]] static const std::optional<uint32_t>& LastColor();
    using SaveFileAnswer = std::function<std::optional<std::string>(const SaveFileOptions&)>;
    /// Answers every save dialog from now on (before the default extension is added and the
    /// overwrite question asked); none cancels them.
    static void SetSaveFileAnswer(SaveFileAnswer answer);
    [[nodiscard]] static const std::optional<SaveFileOptions>& LastSaveFile();
    /// The answer to every question from now on (false by default).
    static void SetConfirmAnswer(bool yes);
    /// The questions asked since the last Reset, in order.
    [[nodiscard]] static const std::vector<std::string>& Questions();
    using FontAnswer = std::function<std::optional<FontChoice>(const FontChoice&)>;
    static void SetFontAnswer(FontAnswer answer);
    [[nodiscard]] static const std::optional<FontChoice>& LastFont();
    using InputTextAnswer = std::function<std::optional<std::string>(const InputTextOptions&)>;
    /// Answers every text-input dialog from now on; none (the default) cancels them.
    static void SetInputTextAnswer(InputTextAnswer answer);
    /// The options of the last text-input dialog.
    [[nodiscard]] static const std::optional<InputTextOptions>& LastInputText();
    static void Reset();
};

} // namespace platform::ui
