#include "platform/ui/Transfer.h"
#include "platform/ui/Shell.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace platform::ui;

TEST(Transfer, UriListsGiveFullFileNames)
{
    const std::string longName = "/tmp/" + std::string(300, 'n') + ".png";
    struct Case {
        const char* what;
        std::string uriList;
        std::vector<std::u16string> files;
        std::u16string text;
    } cases[] = {
        { "two files, CR LF separated", "file:///home/u/a.png\r\nfile:///home/u/b.jpg\r\n",
            { u"/home/u/a.png", u"/home/u/b.jpg" }, u"" },
        { "escapes decoded", "file:///tmp/My%20Pictures/%C3%A9t%C3%A9.png\r\n",
            { u"/tmp/My Pictures/\u00E9t\u00E9.png" }, u"" },
        { "names longer than 260 characters are kept whole", "file://" + longName + "\r\n",
            { std::u16string(longName.begin(), longName.end()) }, u"" },
        { "comment lines are skipped", "# from a file manager\r\nfile:///x.gif\r\n", { u"/x.gif" }, u"" },
        { "other addresses become text", "https://example.org/pic.png\r\n", {},
            u"https://example.org/pic.png" },
        { "files win over other addresses", "https://example.org/a\r\nfile:///b.png\r\n", { u"/b.png" },
            u"" },
        { "an empty list", "", {}, u"" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DropData data = DropDataFromUriList(c.uriList);
        EXPECT_EQ(data.files, c.files);
        EXPECT_EQ(data.text, c.text);
    }
}

TEST(Transfer, DroppedTextIsRepairedNotLost)
{
    EXPECT_EQ(DropDataFromText("plain \xE2\x82\xAC").text, u"plain \u20AC");
    EXPECT_EQ(DropDataFromText("caf\xE9").text, u"caf\u00E9"); // Latin-1 from an old program
    EXPECT_TRUE(DropDataFromText("x").files.empty());
}

TEST(Shell, ExecutableFolderHoldsTheRunningProgram)
{
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    const std::string path(self, static_cast<size_t>(n));
    EXPECT_EQ(path.substr(0, folder.size()), folder);
    EXPECT_EQ(path.find('/', folder.size()), std::string::npos);
}
