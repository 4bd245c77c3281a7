#include "ui2d/TwzLang.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Locale.h"
#include "platform/ui/Shell.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"

#include <bit>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr rtl::TPropInfo kLangProps[] = {
    RTL_PROP(TwzLang, Lang, String, ""),
    RTL_PROP(TwzLang, AutoSelect, Boolean, true),
    RTL_PROP(TwzLang, FileName, String, ""),
    RTL_PROP(TwzLang, StoreInForm, Boolean, true),
};

struct TranslationState {
    std::unique_ptr<TwzWideStringList> table;
    bool reverse = false;
};

TranslationState& Translation()
{
    static TranslationState state;
    return state;
}

std::unique_ptr<TwzWideStringList> NewTable()
{
    auto table = std::make_unique<TwzWideStringList>();
    table->SetSorted(true);
    table->SetCaseSensitive(true);
    return table;
}

[[noreturn]] void Damaged(const char* what)
{
    throw rtl::ReadError(std::string("Damaged language table: ") + what);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzLang, .props = kLangProps)

TwzLang::TwzLang(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

TwzLang::~TwzLang() = default;

void TwzLang::SetLang(const std::string& value)
{
    m_lang = value;
    if (IsLoading())
        return;
    if (value == "en")
        ui2d::ResetLanguage();
    else
        ui2d::ApplyLanguage(FindTable(rtl::Utf8ToUtf16(value)));
}

TwzWideStringList* TwzLang::FindTable(std::u16string_view code) const
{
    for (const Language& language : m_tables) {
        if (language.code == code)
            return language.table.get();
    }
    return nullptr;
}

TwzWideStringList& TwzLang::AddLanguage(const std::u16string& code)
{
    m_tables.push_back({ code, NewTable() });
    SyncLanguageLines();
    return *m_tables.back().table;
}

void TwzLang::SyncLanguageLines()
{
    m_languages.Clear();
    for (const Language& language : m_tables)
        m_languages.AddObject(language.code, language.table.get());
}

void TwzLang::ReadTable(rtl::TStream& stream)
{
    // Everything is read into temporaries first, so damaged data changes nothing.
    const std::u16string sourceText = ui2d::ReadStreamWideString(stream);
    if (stream.BytesLeft() < 4)
        Damaged("the language count is missing");
    const int32_t count = stream.ReadLE<int32_t>();
    // Every entry takes at least its two lengths.
    if (count < 0 || count > stream.BytesLeft() / 8)
        Damaged("the language count reaches beyond the end of the data");
    std::vector<Language> read;
    read.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        std::u16string code = ui2d::ReadStreamWideString(stream);
        auto table = NewTable();
        table->SetTextStr(ui2d::ReadStreamWideString(stream));
        read.push_back({ std::move(code), std::move(table) });
    }
    m_sourceTexts.SetTextStr(sourceText);
    for (Language& language : read)
        m_tables.push_back(std::move(language));
    SyncLanguageLines();
}

void TwzLang::WriteTable(rtl::TStream& stream) const
{
    ui2d::WriteStreamWideString(stream, m_sourceTexts.GetTextStr());
    stream.WriteLE<int32_t>(static_cast<int32_t>(m_tables.size()));
    for (const Language& language : m_tables) {
        ui2d::WriteStreamWideString(stream, language.code);
        ui2d::WriteStreamWideString(stream, language.table->GetTextStr());
    }
}

void TwzLang::LoadFromFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return;
    rtl::TFileStream file(path, rtl::fmOpenRead);
    ReadTable(file);
}

void TwzLang::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "ResourcesBin", [this](rtl::TStream& stream) { ReadTable(stream); },
        [this](rtl::TStream& stream) { WriteTable(stream); }, m_storeInForm && !m_tables.empty());
}

void TwzLang::Loaded()
{
    Inherited::Loaded();
    if (!m_fileName.empty()) {
        const std::string path = platform::ui::ExecutableFolder() + m_fileName;
        try {
            LoadFromFile(path);
        } catch (const std::exception& e) {
            // A broken language file beside the program must not stop the window that names
            // it from opening: its texts stay in the languages stored with the window.
            std::fprintf(stderr, "Language file \"%s\" not read: %s\n", path.c_str(), e.what());
        }
    }
    if (m_autoSelect) {
        std::string localeName;
        ui2d::GetUserLocaleName(localeName, m_lang);
    }
    if (!m_lang.empty())
        ui2d::ApplyLanguage(FindTable(rtl::Utf8ToUtf16(m_lang)));
}

namespace ui2d {

const TwzWideStringList* LanguageTable()
{
    return Translation().table.get();
}

void ApplyLanguage(const TwzWideStringList* table)
{
    if (!table)
        return;
    ResetLanguage();
    TranslationState& state = Translation();
    if (!state.table)
        state.table = NewTable();
    state.table->Assign(*table);
    UpdateAllSceneStyles();
}

void ResetLanguage()
{
    TranslationState& state = Translation();
    if (!state.table)
        return;
    state.reverse = true;
    rtl::ScopeExit drop([&state] {
        state.reverse = false;
        state.table.reset();
    });
    UpdateAllSceneStyles();
}

void UpdateAllSceneStyles()
{
    for (IwzScene* scene : SceneList())
        scene->UpdateStyle();
}

std::u16string TranslateText(std::u16string_view text)
{
    if (text.empty())
        return {};
    const TranslationState& state = Translation();
    if (!state.table)
        return std::u16string(text);
    std::u16string result;
    if (state.reverse) {
        const int index = state.table->IndexOfValue(text);
        if (index >= 0)
            result = state.table->GetName(index);
    } else {
        result = state.table->GetValue(text);
    }
    return result.empty() ? std::u16string(text) : result;
}

void FreeLanguageTable()
{
    Translation().table.reset();
    Translation().reverse = false;
}

void GetUserLocaleName(std::string& localeName, std::string& languageName)
{
    const platform::ui::LocaleNames names = platform::ui::UserLocaleNames();
    languageName = names.languageName;
    localeName = names.localeName;
}

std::u16string ReadStreamWideString(rtl::TStream& stream)
{
    if (stream.BytesLeft() < 4)
        Damaged("a text length is missing");
    const int32_t length = stream.ReadLE<int32_t>();
    if (length < 0 || length > stream.BytesLeft() / 2)
        Damaged("a text reaches beyond the end of the data");
    static_assert(std::endian::native == std::endian::little, "wide strings are stored little-endian");
    std::u16string text(static_cast<size_t>(length), u'\0');
    stream.ReadBuffer(text.data(), text.size() * sizeof(char16_t));
    return text;
}

void WriteStreamWideString(rtl::TStream& stream, std::u16string_view text)
{
    static_assert(std::endian::native == std::endian::little, "wide strings are stored little-endian");
    stream.WriteLE<int32_t>(static_cast<int32_t>(text.size()));
    stream.WriteBuffer(text.data(), text.size() * sizeof(char16_t));
}

} // namespace ui2d
