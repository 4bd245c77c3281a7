#include "tests/platform/ui/gui/GtkFixture.h"

#include <algorithm>

using namespace platform::ui;
using uitest::GtkTest;
using uitest::RunUntil;
using Lines = std::vector<std::string>;

TEST_F(GtkTest, ClipboardTextMakesTheRoundTrip)
{
    Clipboard& clipboard = App().GetClipboard();
    const std::u16string text = std::u16string(u"Gr\u00FC\u00DFe \xD834\xDD1E\r\nline ") + char16_t(0xDC00);
    clipboard.SetText(text);
    EXPECT_TRUE(clipboard.HasText());
    // A lone surrogate cannot travel as UTF-8: it arrives as the replacement character. Line
    // ends arrive as this platform writes them.
    EXPECT_EQ(clipboard.GetText(), std::u16string(u"Gr\u00FC\u00DFe \xD834\xDD1E\nline \uFFFD"));
    clipboard.SetText(u"");
    EXPECT_EQ(clipboard.GetText(), std::u16string());
}

TEST_F(GtkTest, ADropFromAnotherWindowDeliversFullFileNames)
{
    OpenForm(60, 60);
    test::Raise(*form);
    scene.Take();
    const std::string longName = "/tmp/" + std::string(290, 'x') + "/picture.png";
    const std::vector<std::string> uris = { "file:///tmp/My%20Pictures/caf%C3%A9.jpg", "file://" + longName };
    const test::DropResult result = test::DropUris(*host, uris, Point { 20, 30 });
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.dataRequests, 1); // asked once per drag, though the scene decided on every move
    ASSERT_EQ(scene.drops.size(), 1u);
    const std::vector<std::u16string> expected
        = { u"/tmp/My Pictures/caf\u00E9.jpg", std::u16string(longName.begin(), longName.end()) };
    EXPECT_EQ(scene.drops[0].files, expected);
    const Lines log = scene.Take();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "drag enter 2");
    EXPECT_EQ(log.back(), "drop 20,30");
    // GTK's leave just before the drop never reached the scene.
    EXPECT_EQ(std::count(log.begin(), log.end(), "drag leave"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "drag enter 2"), 1);
}

TEST_F(GtkTest, ASceneThatRefusesTheDragTakesNoDrop)
{
    OpenForm(60, 60);
    test::Raise(*form);
    scene.Take();
    scene.acceptDrags = false;
    const test::DropResult result = test::DropUris(*host, { "file:///tmp/a.png" }, Point { 10, 10 });
    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(scene.drops.empty());
    EXPECT_EQ(scene.Take(), Lines { "drag enter 1" });
}

TEST_F(GtkTest, DroppedTextArrivesAsText)
{
    OpenForm(60, 60);
    test::Raise(*form);
    scene.Take();
    const test::DropResult result = test::DropText(*host,
        "Gr\xC3\xBC\xC3\x9F"
        "e aus K\xC3\xB6ln",
        Point { 40, 5 });
    EXPECT_TRUE(result.completed);
    ASSERT_EQ(scene.drops.size(), 1u);
    EXPECT_TRUE(scene.drops[0].files.empty());
    EXPECT_EQ(scene.drops[0].text, u"Gr\u00FC\u00DFe aus K\u00F6ln");
    const Lines log = scene.Take();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "drag enter 0");
    EXPECT_EQ(log.back(), "drop 40,5");
}
