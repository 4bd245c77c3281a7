#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "graphics/ObjectText.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"
#include "ui2d/TwzLang.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

// Stands in for a text control: it passes its caption through the translation whenever its
// style is applied, as captions do.
class TCaptionObject : public TwzObject {
    RTL_CLASS(TCaptionObject, TwzObject)
public:
    explicit TCaptionObject(rtl::TComponent* owner)
        : TwzObject(owner)
    { }
    void UpdateStyle() override
    {
        Inherited::UpdateStyle();
        caption = ui2d::TranslateText(caption);
    }
    std::u16string caption;
};

} // namespace

RTL_IMPLEMENT_CLASS(TCaptionObject)

namespace {

struct LangFixture : Ui2dTest {
    LangFixture()
    {
        scene->AddObject(root);
        root->AddObject(caption);
    }
    ~LangFixture() override
    {
        ui2d::FreeLanguageTable();
        lang.reset();
        scene.reset();
    }

    TwzWideStringList& Add(TwzLang& l, const char16_t* code, const char16_t* lines)
    {
        TwzWideStringList& table = l.AddLanguage(code);
        table.SetTextStr(lines);
        return table;
    }

    rtl::TOwned<TestScene> scene { new TestScene() };
    TwzObject* root = new TTestObject(nullptr);
    TCaptionObject* caption = new TCaptionObject(nullptr);
    rtl::TOwned<TwzLang> lang { new TwzLang(nullptr) };
};

using TwzLangTest = LangFixture;

std::vector<uint8_t> Bytes(const rtl::TMemoryStream& stream)
{
    return { stream.Bytes().begin(), stream.Bytes().end() };
}

TEST_F(TwzLangTest, TranslatesAndReturnsThroughTheSourceTexts)
{
    Add(*lang, u"de", u"Open=Öffnen\r\nSave=Speichern\r\nEmpty=\r\nNoEquals");
    Add(*lang, u"fr", u"Open=Ouvrir");
    Add(*lang, u"ru", u"Open=Открыть");
    caption->caption = u"Open";

    lang->SetLang("de");
    EXPECT_EQ(caption->caption, u"Öffnen");
    // Switching goes through the source text: B after A shows B's text.
    lang->SetLang("fr");
    EXPECT_EQ(caption->caption, u"Ouvrir");
    lang->SetLang("ru");
    EXPECT_EQ(caption->caption, u"Открыть");
    lang->SetLang("en");
    EXPECT_EQ(caption->caption, u"Open");
    EXPECT_EQ(ui2d::LanguageTable(), nullptr);

    // "EN" is a code like any other: no table, nothing changes.
    lang->SetLang("de");
    lang->SetLang("EN");
    EXPECT_EQ(caption->caption, u"Öffnen");

    struct Case {
        const char16_t* text;
        const char16_t* shown;
    };
    for (const Case& c : { Case { u"Save", u"Speichern" }, Case { u"Empty", u"Empty" },
             Case { u"NoEquals", u"NoEquals" }, Case { u"Unknown", u"Unknown" }, Case { u"", u"" } })
        EXPECT_EQ(ui2d::TranslateText(c.text), c.shown);
}

TEST_F(TwzLangTest, TableRoundTripsByteForByte)
{
    lang->GetSourceTexts().SetTextStr(u"Open\r\nSave");
    Add(*lang, u"ru", u"Open=Открыть\r\nSave=Сохранить");
    Add(*lang, u"de", u"Open=Öffnen");

    rtl::TMemoryStream first;
    lang->WriteTable(first);
    // The layout: length-prefixed UTF-16 source texts, a count, then code and table pairs.
    const std::vector<uint8_t> bytes = Bytes(first);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 12); // "Open\r\nSave\r\n" is 12 units
    EXPECT_EQ(bytes[4], 'O');
    EXPECT_EQ(bytes[5], 0);

    rtl::TOwned<TwzLang> copy(new TwzLang(nullptr));
    first.SetPosition(0);
    copy->ReadTable(first);
    EXPECT_EQ(copy->GetLanguages().GetCount(), 2);
    ASSERT_NE(copy->FindTable(u"ru"), nullptr);
    EXPECT_EQ(copy->FindTable(u"ru")->GetValue(u"Save"), u"Сохранить");

    rtl::TMemoryStream second;
    copy->WriteTable(second);
    EXPECT_EQ(Bytes(second), bytes);
}

TEST_F(TwzLangTest, DamagedTablesRaiseAndChangeNothing)
{
    lang->GetSourceTexts().SetTextStr(u"Open");
    Add(*lang, u"ru", u"Open=Открыть");
    rtl::TMemoryStream good;
    lang->WriteTable(good);
    const std::vector<uint8_t> bytes = Bytes(good);

    std::vector<std::vector<uint8_t>> damaged;
    for (size_t cut = 0; cut < bytes.size(); ++cut)
        damaged.emplace_back(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    auto patched = [&](size_t at, int32_t value) {
        std::vector<uint8_t> b = bytes;
        std::memcpy(b.data() + at, &value, 4);
        return b;
    };
    damaged.push_back(patched(0, -1)); // negative length
    damaged.push_back(patched(0, 0x7FFFFFFF)); // length past the end
    const size_t countAt = 4 + 2 * 6; // "Open\r\n"
    damaged.push_back(patched(countAt, 0x7FFFFFFF)); // count past the end
    damaged.push_back(patched(countAt, -5));

    for (const std::vector<uint8_t>& data : damaged) {
        rtl::TOwned<TwzLang> target(new TwzLang(nullptr));
        target->GetSourceTexts().SetTextStr(u"Kept");
        rtl::TConstMemoryStream stream(data);
        EXPECT_THROW(target->ReadTable(stream), rtl::ReadError) << data.size() << " bytes";
        EXPECT_EQ(target->GetLanguages().GetCount(), 0);
        EXPECT_EQ(target->GetSourceTexts().GetTextStr(), u"Kept\r\n");
    }
}

TEST_F(TwzLangTest, StoredInTheFormAndSelectedFromTheLocaleWhenLoaded)
{
    lang->SetName("wzLang1");
    lang->SetLang("en");
    Add(*lang, u"ru", u"Open=Открыть");
    rtl::TMemoryStream stored;
    rtl::WriteComponentToStream(stored, *lang);

    struct Case {
        const char* locale;
        const char16_t* shown;
    };
    for (const Case& c :
        { Case { "ru_RU.UTF-8", u"Открыть" }, Case { "de_DE.UTF-8", u"Open" }, Case { "C", u"Open" } }) {
        ::setenv("LANGUAGE", c.locale, 1);
        caption->caption = u"Open";
        stored.SetPosition(0);
        rtl::TOwned<TwzLang> loaded(new TwzLang(nullptr));
        rtl::TReader(stored).ReadRootComponent(loaded.get());
        EXPECT_EQ(caption->caption, c.shown) << c.locale;
        ASSERT_NE(loaded->FindTable(u"ru"), nullptr);
        loaded->SetLang("en");
        EXPECT_EQ(caption->caption, u"Open");
    }
    ::unsetenv("LANGUAGE");
}

TEST_F(TwzLangTest, LanguageFilesAddToTheStoredTables)
{
    const std::filesystem::path dir = std::filesystem::path(GF_TEST_OUTPUT) / "lang-files";
    std::filesystem::create_directories(dir);
    Add(*lang, u"ru", u"Open=Открыть");
    lang->LoadFromFile((dir / "missing.lng").string());
    EXPECT_EQ(lang->GetLanguages().GetCount(), 1);

    rtl::TOwned<TwzLang> writer(new TwzLang(nullptr));
    Add(*writer, u"de", u"Open=Öffnen");
    Add(*writer, u"ru", u"Open=Откр.");
    rtl::TMemoryStream table;
    writer->WriteTable(table);
    table.SaveToFile((dir / "good.lng").string());
    lang->LoadFromFile((dir / "good.lng").string());
    EXPECT_EQ(lang->GetLanguages().GetCount(), 3);
    // A code read twice is found at its first occurrence: the stored one.
    EXPECT_EQ(lang->FindTable(u"ru")->GetValue(u"Open"), u"Открыть");
    EXPECT_EQ(lang->FindTable(u"de")->GetValue(u"Open"), u"Öffnen");

    {
        // Claims 16 units of source text, holds 3 bytes.
        const char broken[] = { 0x10, 0, 0, 0, 'a', 'b', 'c' };
        std::ofstream((dir / "broken.lng").string(), std::ios::binary).write(broken, sizeof broken);
    }
    EXPECT_THROW(lang->LoadFromFile((dir / "broken.lng").string()), rtl::ReadError);
    EXPECT_EQ(lang->GetLanguages().GetCount(), 3);
}

} // namespace
