#include "platform/ui/Dialogs.h"

#include "platform/ui/FakeApplication.h"

#include <gtest/gtest.h>

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
