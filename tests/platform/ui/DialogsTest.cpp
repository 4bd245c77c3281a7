#include "platform/ui/Dialogs.h"

#include "platform/ui/FakeApplication.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace platform::ui;

TEST(FileFilter, ReadsTheToolkitsFilterText)
{
    struct Case {
        const char* text;
        std::vector<FileFilter> filters;
    };
    const Case cases[] = {
        { "Helvane Files|*.helvane", { { "Helvane Files", { "*.helvane" } } } },
        { "Pictures|*.png;*.jpg; *.gif |All|*.*",
            { { "Pictures", { "*.png", "*.jpg", "*.gif" } }, { "All", { "*.*" } } } },
        { "Name only", { { "Name only", { "*" } } } },
        { "|*.txt", { { "*.txt", { "*.txt" } } } },
        { "Empty list|;;", { { "Empty list", { "*" } } } },
        { "", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseFileFilter(c.text), c.filters);
    }
}

TEST(FileFilter, MatchesNamesWithoutRegardToCase)
{
    const FileFilter pictures { "Pictures", { "*.png", "photo?.jpg" } };
    struct Case {
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        { "a.png", true },
        { "PHOTO.PNG", true },
        { "photo1.JPG", true },
        { "photo12.jpg", false },
        { "a.png.txt", false },
        { "png", false },
        { ".png", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MatchesFileFilter(pictures, c.name), c.matches);
    }
    EXPECT_TRUE(MatchesFileFilter({ "All", { "*.*" } }, "README")) << "every file, extension or not";
}

TEST(FakeDialogs, AnswerOpenDialogsAndRecordMessages)
{
    FakeApplication app;
    FakeDialogs::Reset();
    EXPECT_EQ(Dialogs::OpenFile({ .filter = "A|*.a" }), std::nullopt) << "cancelled without an answer";
    ASSERT_TRUE(FakeDialogs::LastOpenFile());
    EXPECT_EQ(FakeDialogs::LastOpenFile()->filter, "A|*.a");

    FakeDialogs::SetOpenFileAnswer([](const OpenFileOptions& options) -> std::optional<std::string> {
        return "/tmp/chosen" + std::to_string(options.filterIndex);
    });
    EXPECT_EQ(Dialogs::OpenFile({ .filterIndex = 2 }), "/tmp/chosen2");

    Dialogs::ShowMessage("No object in clipboard");
    EXPECT_EQ(FakeDialogs::Messages(), std::vector<std::string> { "No object in clipboard" });
    FakeDialogs::Reset();
    EXPECT_TRUE(FakeDialogs::Messages().empty());
}

TEST(Dialogs, TheDefaultExtensionIsAddedOnlyToNamesWithoutOne)
{
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        { "/home/u/design", "/home/u/design.qgf" },
        { "/home/u/design.qgf", "/home/u/design.qgf" },
        { "/home/u/design.txt", "/home/u/design.txt" },
        { "/home/u/design.", "/home/u/design.qgf" },
        { "/home/u.v/design", "/home/u.v/design.qgf" }, // a dot in a folder is no extension
        { "design", "design.qgf" },
        { "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WithDefaultExtension(c.name, "qgf"), c.expected);
    }
    EXPECT_EQ(WithDefaultExtension("/home/u/design", ""), "/home/u/design");
}

TEST(FakeDialogs, AnswerSaveQuestionAndFontDialogs)
{
    FakeApplication app;
    FakeDialogs::Reset();
    const std::string existing = std::string(GF_TEST_OUTPUT) + "/dialogs-existing.qgf";
    FILE* f = std::fopen(existing.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    const std::string stem = existing.substr(0, existing.size() - 4);

    EXPECT_EQ(Dialogs::SaveFile({ .filter = "G|*.qgf" }), std::nullopt) << "cancelled without an answer";
    ASSERT_TRUE(FakeDialogs::LastSaveFile());
    // The final name (with the extension) exists: asked, and "No" shows the dialog again.
    int shown = 0;
    FakeDialogs::SetSaveFileAnswer([&](const SaveFileOptions&) -> std::optional<std::string> {
        return ++shown <= 2 ? std::optional<std::string>(stem) : std::nullopt;
    });
    EXPECT_EQ(Dialogs::SaveFile({ .defaultExtension = "qgf" }), std::nullopt);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(FakeDialogs::Questions().size(), 2u);
    shown = 0;
    FakeDialogs::SetConfirmAnswer(true);
    EXPECT_EQ(Dialogs::SaveFile({ .defaultExtension = "qgf" }), existing);
    // Without the prompt nobody is asked.
    const size_t asked = FakeDialogs::Questions().size();
    shown = 0;
    EXPECT_EQ(Dialogs::SaveFile({ .defaultExtension = "qgf", .overwritePrompt = false }), existing);
    EXPECT_EQ(FakeDialogs::Questions().size(), asked);

    EXPECT_EQ(Dialogs::ChooseFont({ "Serif", 12, 1 }), std::nullopt);
    EXPECT_EQ(FakeDialogs::LastFont(), (FontChoice { "Serif", 12, 1 }));
    FakeDialogs::SetFontAnswer([](const FontChoice& f) -> std::optional<FontChoice> { return FontChoice { f.family, 20, 3 }; });
    EXPECT_EQ(Dialogs::ChooseFont({ "Serif", 12, 0 }), (FontChoice { "Serif", 20, 3 }));
    FakeDialogs::Reset();
    std::remove(existing.c_str());
}
