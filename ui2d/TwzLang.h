#pragma once

#include "graphics/TwzWideStrings.h"
#include "platform/rtl/Component.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {
class TStream;
}

/// The translation component of a form: the texts of the source language and, per language
/// code, a table of lines "source=translation". It keeps the tables inside the form
/// ("ResourcesBin") or reads them from a language file beside the executable, picks the
/// user's language when loaded, and makes one table the process-wide translation that the
/// text controls pass their texts through while they apply their style.
///
/// The stored table (and a language file) is: the source texts as one wide string (every
/// line followed by CR LF), an Int32 count, then per language its code and its table text,
/// each a wide string. A wide string is an Int32 length in UTF-16 units and that many units;
/// everything little-endian.
class TwzLang : public rtl::TComponent {
    RTL_CLASS(TwzLang, rtl::TComponent)
public:
    explicit TwzLang(rtl::TComponent* owner);
    ~TwzLang() override;

    // Published.
    [[nodiscard]] const std::string& GetLang() const { return m_lang; }
    /// Stores the code; outside loading "en" (exactly) returns to the source texts and any
    /// other code applies its table (a code without a table changes nothing).
    void SetLang(const std::string& value);
    [[nodiscard]] bool GetAutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool value) { m_autoSelect = value; }
    /// A language file in the executable's folder, read when the component is loaded.
    [[nodiscard]] const std::string& GetFileName() const { return m_fileName; }
    void SetFileName(const std::string& value) { m_fileName = value; }
    [[nodiscard]] bool GetStoreInForm() const { return m_storeInForm; }
    void SetStoreInForm(bool value) { m_storeInForm = value; }

    /// One line per language code, in the order read.
    [[nodiscard]] const TwzWideStringList& GetLanguages() const { return m_languages; }
    [[nodiscard]] TwzWideStringList& GetSourceTexts() { return m_sourceTexts; }
    /// The table of the first language whose code equals `code`, or null.
    [[nodiscard]] TwzWideStringList* FindTable(std::u16string_view code) const;
    /// Appends a language (the component owns the table); returns it for filling.
    TwzWideStringList& AddLanguage(const std::u16string& code);

    /// Reads a table in the stored form from the stream's position. All or nothing: damaged
    /// data (a length or count reaching past the end) raises rtl::ReadError naming the fault
    /// and leaves the component as it was.
    void ReadTable(rtl::TStream& stream);
    void WriteTable(rtl::TStream& stream) const;
    /// Reads a language file when it exists (nothing otherwise); errors as ReadTable, or
    /// rtl::FileOpenError when it cannot be opened.
    void LoadFromFile(const std::string& path);

    void DefineProperties(rtl::TFiler& filer) override;
    void Loaded() override;

private:
    struct Language {
        std::u16string code;
        std::unique_ptr<TwzWideStringList> table;
    };

    void SyncLanguageLines();

    std::string m_lang;
    TwzWideStringList m_languages;
    std::vector<Language> m_tables;
    TwzWideStringList m_sourceTexts;
    bool m_autoSelect = true;
    std::string m_fileName;
    bool m_storeInForm = true;
};

namespace ui2d {

/// The current translation, null when texts are shown as stored.
[[nodiscard]] const TwzWideStringList* LanguageTable();
/// Leaves the current translation (restoring the source texts), makes a copy of `table` the
/// current one and restyles every host. Nothing when `table` is null.
void ApplyLanguage(const TwzWideStringList* table);
/// Returns every host's texts to the source language and drops the current translation.
void ResetLanguage();
/// UpdateStyle of every registered host, in list order.
void UpdateAllSceneStyles();
/// The translation of `text` (the source text while the translation is being left); the
/// text itself when it has none.
[[nodiscard]] std::u16string TranslateText(std::u16string_view text);
/// Frees the current translation without restyling (library shut-down).
void FreeLanguageTable();

/// The user's locale as language ("pt") and language_COUNTRY ("pt_BR").
void GetUserLocaleName(std::string& localeName, std::string& languageName);

/// One wide string of the table form. Reading checks the length against the bytes left and
/// raises rtl::ReadError for a negative or overlong one.
[[nodiscard]] std::u16string ReadStreamWideString(rtl::TStream& stream);
void WriteStreamWideString(rtl::TStream& stream, std::u16string_view text);

} // namespace ui2d
