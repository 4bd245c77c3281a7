// The extruded text box over a recording canvas: its defaults and registration, what a frame
// draws (plate, outline, caret, selection band, password squares), editing by keys and mouse
// through the shared editor, scrolling, the change events, picking, and that the outline is
// made only when the shown text, the font or the size changes.

#include "tests/scene3d/VisualTestSupport.h"

#include "layers/Layers.h"
#include "layers/ThvTextBox3D.h"

#include "graphics/TwzCanvas.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/Types.h"
#include "scene3d/Library3D.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace scene3dtest;
using platform::ui::ShiftFlag;
namespace vk = platform::ui::vk;

namespace {

class TBoxEvents : public rtl::TObject {
public:
    void Change(rtl::TObject*) { log.push_back("change"); }
    void Typing(rtl::TObject*) { log.push_back("typing"); }
    std::vector<std::string> log;
};

class TextBox3DTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        app = std::make_unique<platform::ui::FakeApplication>();
        m_previousCanvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
        RegisterLayers();
    }
    void TearDown() override
    {
        VisualFixture::TearDown();
        form.reset();
        Finalize3DLibrary();
        DefaultCanvasClass = m_previousCanvasClass;
        app.reset();
    }

    ThvTextBox3D* Box(const std::u16string& text = u"")
    {
        auto* box = Make<ThvTextBox3D>("Box");
        box->SetText(text);
        box->OnChange.Bind<&TBoxEvents::Change>(&events);
        box->OnTyping.Bind<&TBoxEvents::Typing>(&events);
        return box;
    }

    /// The lines one frame of `box` draws.
    std::vector<std::string> Frame(ThvTextBox3D& box)
    {
        // As at the start of a frame, the canvas holds the shape's own material.
        canvas->GetMaterial()->SetDiffuse("#FFFFFFFF");
        canvas->ClearLog();
        box.Render();
        std::vector<std::string> lines;
        for (const std::string& line : canvas->log)
            if (line.rfind("Fill", 0) == 0 || line.rfind("MaterialChanged", 0) == 0)
                lines.push_back(line);
        return lines;
    }

    static void Key(ThvTextBox3D& box, uint16_t key, platform::ui::ShiftState shift = {})
    {
        char16_t ch = 0;
        box.KeyDown(key, ch, shift);
    }
    static void Type(ThvTextBox3D& box, std::u16string_view text, platform::ui::ShiftState shift = {})
    {
        for (char16_t c : text) {
            uint16_t key = 0;
            char16_t ch = c;
            box.KeyDown(key, ch, shift);
        }
    }

    std::unique_ptr<platform::ui::FakeApplication> app;
    TBoxEvents events;

private:
    const TwzCanvasClass* m_previousCanvasClass = nullptr;
};

} // namespace

TEST_F(TextBox3DTest, ANewBoxIsAPlateAndFocusDrawsTheCaretAtTheLeftEdge)
{
    auto* box = Box();
    EXPECT_EQ(box->GetWidth(), 10);
    EXPECT_EQ(box->GetHeight(), 2);
    EXPECT_TRUE(box->GetCanFocused());
    EXPECT_EQ(box->GetCursor(), -4);
    EXPECT_TRUE(box->GetAutoCapture());
    EXPECT_TRUE(box->GetShowBackground());
    EXPECT_EQ(box->GetBackground(), "#B0505050");
    EXPECT_EQ(box->GetSelection(), "#802A8ADF");
    EXPECT_EQ(box->GetFont()->GetFamily(), "Tahoma");
    EXPECT_EQ(box->GetFont()->GetSize(), 12);
    EXPECT_EQ(box->GetFirstVisible(), 1);
    bool registered = false;
    for (const auto& entry : hvObjectRegistry())
        registered
            = registered || (entry.category == "Controls" && entry.classInfo == &ThvTextBox3D::StaticClass());
    EXPECT_TRUE(registered);

    const std::string depth = LogNumber(box->GetDepth() + 0.002f);
    EXPECT_EQ(Frame(*box),
        (std::vector<std::string> { "MaterialChanged #B0505050 ", "FillCube (5,1,0) (10,2,0.01) 1" }));
    box->EnterFocus();
    // The caret: Font.Size / 100 wide, Font.Size / 10 high, centred on the middle line.
    EXPECT_EQ(Frame(*box),
        (std::vector<std::string> { "MaterialChanged #B0505050 ", "FillCube (5,1,0) (10,2,0.01) 1",
            "MaterialChanged #802A8ADF ", "FillPolygon (0.06,1,0) (0.12,1.2," + depth + ") 5 1 FBS" }));
    box->SetShowBackground(false);
    EXPECT_EQ(Frame(*box).size(), 2u) << "no plate";
}

TEST_F(TextBox3DTest, TypingEditsWithCaretAndSelection)
{
    auto* box = Box();
    box->EnterFocus();
    Type(*box, u"Hello world");
    EXPECT_EQ(box->GetText(), u"Hello world");
    EXPECT_EQ(box->GetCaretPosition(), 11);
    EXPECT_EQ(events.log.size(), 11u);
    EXPECT_EQ(events.log.back(), "typing");

    std::vector<std::string> frame = Frame(*box);
    ASSERT_EQ(frame.size(), 5u);
    EXPECT_EQ(frame[0].rfind("FillPolygon (5,1,0) (10,2,", 0), 0u) << frame[0];
    EXPECT_NE(frame[0].find(" FBS"), std::string::npos);

    // Shift+Ctrl+Left selects the last word; the band spans its characters.
    Key(*box, vk::kLeft, { ShiftFlag::Shift, ShiftFlag::Ctrl });
    EXPECT_EQ(box->GetSelText(), u"world");
    frame = Frame(*box);
    ASSERT_EQ(frame.size(), 5u);
    const float left = box->GetCharX(6);
    const float right = box->GetCharX(11);
    EXPECT_GT(right - left, 1.0f);
    EXPECT_EQ(frame[4],
        "FillPolygon (" + LogNumber((left + right) / 2) + ",1,0) (" + LogNumber(right - left) + ","
            + LogNumber(2 * 1.2f / 1.8f) + "," + LogNumber(box->GetDepth() + 0.002f) + ") 5 1 FBS");

    // Ctrl+C copies, Ctrl+A is typed over the selection, Ctrl+Z is swallowed.
    Type(*box, u"c", { ShiftFlag::Ctrl });
    EXPECT_EQ(app->GetClipboard().GetText().value_or(u""), u"world");
    Type(*box, u"a", { ShiftFlag::Ctrl });
    EXPECT_EQ(box->GetText(), u"Hello a");
    Type(*box, u"z", { ShiftFlag::Ctrl });
    EXPECT_EQ(box->GetText(), u"Hello a");
    Key(*box, vk::kBack);
    Key(*box, vk::kHome);
    Key(*box, vk::kDelete);
    EXPECT_EQ(box->GetText(), u"ello ");
    Type(*box, u"v", { ShiftFlag::Ctrl });
    EXPECT_EQ(box->GetText(), u"worldello ");

    // Leaving raises OnChange for the edits; focusing again clears the modified flag.
    events.log.clear();
    box->KillFocus();
    EXPECT_EQ(events.log, (std::vector<std::string> { "change" }));
    box->EnterFocus();
    EXPECT_EQ(box->GetCaretPosition(), 10);
    EXPECT_EQ(box->GetSelLength(), 0);
    events.log.clear();
    box->KillFocus();
    EXPECT_TRUE(events.log.empty());

    box->SetReadOnly(true);
    box->EnterFocus();
    Type(*box, u"x");
    Key(*box, vk::kBack);
    EXPECT_EQ(box->GetText(), u"worldello ");
}

TEST_F(TextBox3DTest, ACharacterOfTwoUnitsIsTypedMovedOverAndDeletedWhole)
{
    const std::u16string smile = u"\U0001F600";
    auto* box = Box();
    box->EnterFocus();
    Type(*box, u"a" + smile);
    EXPECT_EQ(box->GetText(), u"a" + smile);
    EXPECT_EQ(box->GetCaretPosition(), 3);
    Key(*box, vk::kLeft, { ShiftFlag::Shift });
    EXPECT_EQ(box->GetSelText(), smile);
    Key(*box, vk::kRight);
    Key(*box, vk::kBack);
    EXPECT_EQ(box->GetText(), u"a");
    // The line scrolled to the caret never starts with the second half of a pair, whether
    // the caret goes right or left out of view.
    std::u16string smiles = u"a";
    for (int i = 0; i < 60; ++i)
        smiles += smile;
    box->SetText(smiles);
    Key(*box, vk::kEnd);
    ASSERT_GT(box->GetFirstVisible(), 1);
    EXPECT_NE(box->VisibleText().front(), smile[1]);
    while (box->GetCaretPosition() > 3) {
        Key(*box, vk::kLeft);
        ASSERT_NE(box->VisibleText().front(), smile[1]) << "caret " << box->GetCaretPosition();
    }
}

TEST_F(TextBox3DTest, TheMousePlacesTheCaretAndDragsASelection)
{
    auto* box = Box(u"abcdefgh");
    box->EnterFocus();
    const float x2 = box->GetCharX(2);
    const float x5 = box->GetCharX(5);
    box->MouseDown2D(TMouseButton::Left, {}, x2 + 0.01f, 1);
    EXPECT_EQ(box->GetCaretPosition(), 2);
    EXPECT_EQ(box->GetSelLength(), 0);
    box->MouseMove2D({ ShiftFlag::Left }, x5 + 0.01f, 1);
    EXPECT_EQ(box->GetSelText(), u"cde");
    box->MouseUp2D(TMouseButton::Left, {}, x5, 1);
    box->MouseMove2D({}, box->GetCharX(7), 1);
    EXPECT_EQ(box->GetSelText(), u"cde") << "released: moving selects nothing";
    box->MouseDown2D(TMouseButton::Right, {}, 0, 1);
    EXPECT_EQ(box->GetSelText(), u"cde") << "only the left button places the caret";
}

TEST_F(TextBox3DTest, EndInALongTextScrollsSoThatTheCaretsCharacterIsTheLastDrawn)
{
    auto* box = Box(std::u16string(60, u'm'));
    box->EnterFocus();
    Key(*box, vk::kHome);
    EXPECT_EQ(box->GetFirstVisible(), 1);
    Key(*box, vk::kEnd);
    EXPECT_GT(box->GetFirstVisible(), 1);
    EXPECT_LE(box->GetCharX(60), box->GetWidth());
    EXPECT_GT(box->GetCharX(60) + box->CharWidth(), box->GetWidth()) << "no room for another one";
}

TEST_F(TextBox3DTest, PasswordDrawsOneSquarePerCharacterAtTheLetterPitch)
{
    auto* box = Box();
    box->SetPassword(true);
    box->SetShowBackground(false);
    box->EnterFocus();
    Type(*box, u"xyz");
    const std::vector<std::string> frame = Frame(*box);
    ASSERT_EQ(frame.size(), 5u);
    const float pitch = box->CharWidth();
    EXPECT_GT(pitch, 0.2f);
    const float side = 0.4f * 12 / 10;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(frame[static_cast<size_t>(i)],
            "FillPolygon (" + LogNumber(side / 2 + float(i) * pitch) + ",1,0) (" + LogNumber(side) + ","
                + LogNumber(side) + "," + LogNumber(box->GetDepth()) + ") 5 1 FBS")
            << i;
    EXPECT_EQ(box->GetCharX(3), 3 * pitch);
}

TEST_F(TextBox3DTest, TheOutlineIsMadeOnlyWhenTheShownTextFontOrSizeChanges)
{
    // Unfocused, the outline is the last polygon of a frame. The text fits: nothing scrolls.
    auto* box = Box(u"Forty characters of text for the caret!!");
    box->SetWidth(30);
    Frame(*box);
    ASSERT_EQ(box->GetOutlineBuilds(), 1);
    const TwzPolygon first = canvas->lastPolygon;
    EXPECT_EQ(canvas->lastPolygonRect, MakeRect(0, 0, 300, 20)) << "laid out ten times larger";
    EXPECT_GT(first.size(), 200u);
    box->EnterFocus();
    for (int i = 0; i < 20; ++i)
        Frame(*box);
    EXPECT_EQ(box->GetOutlineBuilds(), 1) << "frames reuse the outline";
    Key(*box, vk::kLeft);
    Key(*box, vk::kLeft, { ShiftFlag::Shift });
    Frame(*box);
    EXPECT_EQ(box->GetOutlineBuilds(), 1) << "caret and selection moves keep it";

    // Each change of what the outline shows makes it once more.
    box->SetText(u"Other text");
    Frame(*box);
    Frame(*box);
    EXPECT_EQ(box->GetOutlineBuilds(), 2);
    box->GetFont()->SetSize(16);
    Frame(*box);
    EXPECT_EQ(box->GetOutlineBuilds(), 3);
    box->SetWidth(32);
    Frame(*box);
    EXPECT_EQ(box->GetOutlineBuilds(), 4);
    box->SetFlatness(0.5f);
    Frame(*box);
    EXPECT_EQ(box->GetOutlineBuilds(), 4) << "the shape's Flatness does not shape the letters";

    // The kept outline is the one a fresh layout gives.
    box->SetText(u"Forty characters of text for the caret!!");
    box->GetFont()->SetSize(12);
    box->SetWidth(30);
    box->KillFocus();
    Frame(*box);
    EXPECT_EQ(canvas->lastPolygon, first);
}

TEST_F(TextBox3DTest, TheLettersAreFlattenedAtAQuarterWhateverTheShapesFlatness)
{
    // The outline the box would make of its text at flatness 0.25, laid out as the box lays
    // it out: ten times larger, from the left, centred vertically.
    auto* box = Box(u"Sogo");
    std::unique_ptr<TwzCanvas> layout = DefaultCanvasClass->Create(1, 1);
    layout->GetFont().SetFamily(box->GetFont()->GetFamily());
    layout->GetFont().SetSize(box->GetFont()->GetSize());
    TwzPathData path;
    ASSERT_TRUE(layout->TextToPath(
        path, MakeRect(0, 0, 100, 20), u"Sogo", false, wzTextAlignNear, wzTextAlignCenter));
    TwzPolygon fine;
    path.FlattenPath(fine, 0.25f);
    TwzPolygon coarse;
    path.FlattenPath(coarse, 1);
    ASSERT_GT(fine.size(), coarse.size()) << "the curves give the two flatnesses apart";

    for (const float flatness : { 1.0f, 0.1f }) {
        SCOPED_TRACE(flatness);
        box->SetFlatness(flatness);
        Frame(*box);
        EXPECT_EQ(canvas->lastPolygon, fine);
    }
}

TEST_F(TextBox3DTest, ARayAnywhereInTheSlightlyLargerBoxHitsIt)
{
    auto* box = Box();
    box->SetDepth(1);
    struct Case {
        ThvVector origin;
        ThvVector dir;
        bool hits;
    };
    const Case cases[] = {
        { { 4.9f, 0.9f, 5, 1 }, { 0, 0, -1, 0 }, true }, // a corner of the front, no glyph there
        { { 5.005f, 0, 5, 1 }, { 0, 0, -1, 0 }, true }, // inside 0.501 x Width
        { { 5.02f, 0, 5, 1 }, { 0, 0, -1, 0 }, false },
        { { 0, 0, 5, 1 }, { 0, 0, 1, 0 }, false }, // pointing away
        { { -20, 0, 0, 1 }, { 1, 0, 0, 0 }, true }, // from the side
        { { 0, 0, 0, 1 }, { 0, 1, 0, 0 }, false }, // from inside: the entry face lies behind
    };
    for (const Case& c : cases) {
        ThvVector hit {};
        EXPECT_EQ(box->RayCastIntersect(c.origin, c.dir, hit), c.hits) << c.origin.X << " " << c.dir.X;
    }
    ThvVector hit {};
    ASSERT_TRUE(box->RayCastIntersect({ 1, 0.5f, 5, 1 }, { 0, 0, -1, 0 }, hit));
    EXPECT_TRUE(Near(hit, { 1, 0.5f, 0.501f, 1 }, 1e-4f)) << "in scene coordinates (the box is a root)";
}

TEST_F(TextBox3DTest, StoresItsPropertiesAndReadsThemBack)
{
    auto* box = Box(u"stored");
    box->SetPassword(true);
    box->SetBackground("#FF112233");
    box->GetFont()->SetSize(20);
    rtl::TMemoryStream stream;
    box->SaveToStream(stream);
    stream.Seek(0, rtl::soFromBeginning);
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* copy = dynamic_cast<ThvTextBox3D*>(CreateObjectFromStream(owner.get(), stream));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetText(), u"stored");
    EXPECT_TRUE(copy->GetPassword());
    EXPECT_EQ(copy->GetBackground(), "#FF112233");
    EXPECT_EQ(copy->GetFont()->GetSize(), 20);
    EXPECT_EQ(copy->GetCursor(), -4);
}

TEST_F(TextBox3DTest, TheContextMenuRunsTheEditCommandsAndSelectAllKeepsTheEndFixed)
{
    auto* box = Box(u"abc def");
    box->EnterFocus();
    std::vector<std::string> captions;
    std::string choice = "Select All";
    platform::ui::FakePopupMenu::SetChooser([&](platform::ui::MenuItem& items, platform::ui::Point) {
        captions.clear();
        for (const auto& item : items.Items())
            captions.push_back(item->Caption);
        return items.FindByCaption(choice);
    });
    box->ContextMenu({ 10.4f, 20.6f });
    EXPECT_EQ(captions, (std::vector<std::string> { "Cut", "Copy", "Paste", "Delete", "Select All" }));
    app->ProcessMessages();
    EXPECT_EQ(box->GetSelText(), u"abc def");
    EXPECT_EQ(box->GetCaretPosition(), 0) << "the caret at the start, the end of the text fixed";
    Key(*box, vk::kRight, { ShiftFlag::Shift });
    EXPECT_EQ(box->GetSelText(), u"bc def");

    choice = "Cut";
    box->ContextMenu({ 0, 0 });
    app->ProcessMessages();
    EXPECT_EQ(box->GetText(), u"a");
    EXPECT_EQ(app->GetClipboard().GetText().value_or(u""), u"bc def");

    // A box freed before its posted command runs is left alone.
    box->ContextMenu({ 0, 0 });
    box->Free();
    app->ProcessMessages();
    platform::ui::FakePopupMenu::SetChooser({});
}

TEST_F(TextBox3DTest, AHandlerMayFreeTheBoxWhileItEdits)
{
    struct TFreer : rtl::TObject {
        void FreeSender(rtl::TObject* sender) { static_cast<ThvTextBox3D*>(sender)->Free(); }
    } freer;
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which);
        auto* box = Box(u"abc");
        box->EnterFocus();
        rtl::Watch<ThvTextBox3D> watch(box);
        if (which == 0)
            box->OnTyping.Bind<&TFreer::FreeSender>(&freer);
        else
            box->OnChange.Bind<&TFreer::FreeSender>(&freer);
        Type(*box, u"z");
        if (watch)
            Key(*box, vk::kReturn);
        EXPECT_FALSE(watch);
    }
}
