// Design files of the main window: a design saved and loaded back restores every control of
// the 37 keys, upper-case keys and the initial camera entry, the save dialog's options and
// overwriting, and damaged files that are refused as a whole with one message.

#include "tests/app/MainFormTestSupport.h"

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzImageControl.h"
#include "controls/TwzMemo.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzStorage.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapObject.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvText3D.h"

#include "platform/rtl/ScopedAssign.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "tests/support/CraftedPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

using namespace apptest;
using platform::ui::FakeDialogs;

namespace {

std::string TempName(const std::string& stem)
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(GF_TEST_OUTPUT) + "/" + info->name() + "-" + stem;
}

void WriteText(const std::string& name, const std::string& text)
{
    std::ofstream(name, std::ios::binary) << text;
}

std::string ReadText(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// What the controls of the 37 keys show, as one comparable text.
std::string Snapshot(TfrmMain& f)
{
    std::ostringstream s;
    s << f.CameraX->GetRotateAngle()->GetX() << " " << f.CameraZ->GetRotateAngle()->GetZ() << " "
      << f.Camera1->GetPosition()->GetY() << "|" << hvPointToStr(f.Light1->GetRotateAngle()->GetPoint())
      << "|" << hvPointToStr(f.Light1->GetPosition()->GetPoint()) << "|" << f.colorBackground->GetColor()
      << " " << f.radioTransparent->GetIsChecked() << " " << f.hvScene1->GetFillColor() << "|"
      << rtl::Utf16ToUtf8(f.Text->GetText()) << "|" << f.Text->GetFont()->GetFamily() << " "
      << f.Text->GetFont()->GetSize() << " " << f.trackSize->GetValue() << " " << f.trackDepth->GetValue()
      << "|";
    for (TwzColorButton* color :
        { f.colorFront, f.colorLeft, f.colorBack, f.frameFrontColor, f.frameLeftColor, f.frameBackColor })
        s << color->GetColor() << " ";
    for (ThvMaterial* m : { f.Text->GetMaterial(), f.Text->GetMaterialLeft(), f.Text->GetMaterialBack(),
             f.Frame->GetMaterial(), f.Frame->GetMaterialLeft(), f.Frame->GetMaterialBack() })
        s << m->GetDiffuse() << "/" << m->GetBitmap() << " ";
    s << "|" << f.Frame->GetVisible() << f.checkFrame->GetIsChecked() << " " << f.trackFrameDepth->GetValue()
      << " " << f.trackFramePaddingHorz->GetValue() << " " << f.trackFramePaddingVert->GetValue() << " "
      << f.checkFrameTopLeft->GetIsChecked() << f.checkFrameTopRight->GetIsChecked()
      << f.checkFrameBottomLeft->GetIsChecked() << f.checkFrameBottomRight->GetIsChecked() << " "
      << f.trackFrameRadius->GetValue() << " " << static_cast<int>(f.Frame->GetCornerType());
    return s.str();
}

void ChangeEverything(TfrmMain& f)
{
    f.CameraX->GetRotateAngle()->SetX(50);
    f.CameraZ->GetRotateAngle()->SetZ(-20);
    f.Camera1->GetPosition()->SetY(-7.5f);
    f.Light1->GetPosition()->SetPoint({ 1, 2, 3 });
    f.colorBackground->SetColor("#FF203040");
    f.textEditor->SetText(u"Line one\r\nLine \u00e9 two");
    f.Text->GetFont()->SetFamily("DejaVu Serif");
    f.trackSize->SetValue(20.5f);
    f.trackDepth->SetValue(1.25f);
    f.colorFront->SetColor("#FF010203");
    f.colorLeft->SetColor("#FF040506");
    f.colorBack->SetColor("#FF070809");
    f.frameFrontColor->SetColor("#FF0A0B0C");
    f.frameLeftColor->SetColor("#FF0D0E0F");
    f.frameBackColor->SetColor("#FF101112");
    f.trackFrameDepth->SetValue(0.75f);
    f.trackFramePaddingHorz->SetValue(-0.5f);
    f.trackFramePaddingVert->SetValue(1.5f);
    f.checkFrameTopLeft->SetIsChecked(false);
    f.checkFrameTopRight->SetIsChecked(true);
    f.checkFrameBottomLeft->SetIsChecked(true);
    f.trackFrameRadius->SetValue(1.1f);
    f.checkFrame->SetIsChecked(false);
}

using Pictures = std::vector<std::pair<const char*, std::vector<uint8_t>>>;

// The design of `from` with the picture keys given holding the bytes given.
void WriteDesignWithPictures(const std::string& from, const std::string& to, const Pictures& pictures)
{
    TwzStorage store;
    store.LoadFromFile(from);
    for (const auto& [key, bytes] : pictures) {
        rtl::TMemoryStream& block = store.GetItem(key).GetAsBinary();
        block.SetSize(0);
        block.WriteBuffer(bytes.data(), bytes.size());
        block.SetPosition(0);
    }
    store.SaveToFile(to);
}

// The picture's stored form: PNG when translucent, else JPEG.
std::vector<uint8_t> Stored(TwzBitmap& picture)
{
    rtl::TMemoryStream stream;
    picture.SaveToStream(stream);
    return { stream.Bytes().begin(), stream.Bytes().end() };
}

// Two premultiplied colours, side by side or one above the other.
std::unique_ptr<TwzBitmap> Halves(int32_t width, int32_t height, uint32_t first, uint32_t second)
{
    auto picture = std::make_unique<TwzBitmap>(width, height);
    const bool across = width >= height;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            picture->GetScanline(y)[x] = (across ? x >= width / 2 : y >= height / 2) ? second : first;
    return picture;
}

int ChannelDistance(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

} // namespace

TEST_F(MainFormTest, ADesignSavedAndLoadedBackRestoresEveryControl)
{
    const std::string file = TempName("design.qgf");
    ChangeEverything(*form);
    const std::string saved = Snapshot(*form);
    form->SaveDesign(file);

    rtl::TOwned<TfrmMain> other(TfrmMain::Create(nullptr));
    EXPECT_NE(Snapshot(*other), saved);
    ASSERT_TRUE(other->OpenDesign(file)) << ::testing::PrintToString(FakeDialogs::Messages());
    EXPECT_EQ(Snapshot(*other), saved);
    EXPECT_EQ(other->GetFileName(), file);
    // A solid background reloads solid with its colour, whatever the state before.
    EXPECT_FALSE(other->radioTransparent->GetIsChecked());
    EXPECT_EQ(other->hvScene1->GetFillColor(), "#FF203040");
    EXPECT_FALSE(other->Frame->GetVisible());

    // And a transparent one reloads transparent.
    other->radioTransparent->SetIsChecked(true);
    other->SaveDesign(file);
    ASSERT_TRUE(form->OpenDesign(file));
    EXPECT_TRUE(form->radioTransparent->GetIsChecked());
}

TEST_F(MainFormTest, TheFileKeepsTheKeysInTheirOrderWithTheFontStyleLast)
{
    const std::string file = TempName("order.qgf");
    form->Camera1->GetPosition()->SetY(-10);
    form->SaveDesign(file);
    const std::string text = ReadText(file);
    const char* const keys[] = { "camera", "lightrot", "lightpos", "backgroundcolor", "background", "text",
        "font", "fontsize", "textdepth", "front", "frontdiffuse", "frontbitmap", "left", "leftdiffuse",
        "leftbitmap", "back", "backdiffuse", "backbitmap", "framevis", "framedepth", "framepaddinghorz",
        "framepaddingvert", "framecorner", "frametopleft", "frametopright", "framebottomleft",
        "framebottomright", "frameradius", "framefront", "framefrontdiffuse", "framefrontbitmap", "frameleft",
        "frameleftdiffuse", "frameleftbitmap", "frameback", "framebackdiffuse", "framebackbitmap",
        "fontstyle" };
    size_t at = 0;
    for (const char* key : keys) {
        const size_t found = text.find("\n  " + std::string(key) + " = ", at);
        ASSERT_NE(found, std::string::npos) << key << "\n" << text;
        at = found + 1;
    }
    EXPECT_EQ(text.rfind("object Root", 0), 0u);
    EXPECT_NE(text.find("camera = '(33,0,-10)'"), std::string::npos);
}

TEST_F(MainFormTest, TheFontSizeTheLetteringShowsIsSavedAndLoadsBackBeyondTheSlider)
{
    FakeDialogs::Reset();
    FakeDialogs::SetFontAnswer(
        [](const platform::ui::FontChoice&) -> std::optional<platform::ui::FontChoice> {
            return platform::ui::FontChoice { "DejaVu Serif", 72, 1 };
        });
    form->btnFontClick(nullptr);
    FakeDialogs::Reset();
    ASSERT_FLOAT_EQ(form->Text->GetFont()->GetSize(), 72);
    const std::string file = TempName("large.qgf");
    form->SaveDesign(file);
    EXPECT_NE(ReadText(file).find("fontsize =  7.2000000000000000E+0001"), std::string::npos)
        << ReadText(file);

    rtl::TOwned<TfrmMain> other(TfrmMain::Create(nullptr));
    ASSERT_TRUE(other->OpenDesign(file)) << ::testing::PrintToString(FakeDialogs::Messages());
    EXPECT_FLOAT_EQ(other->Text->GetFont()->GetSize(), 72);
    EXPECT_FLOAT_EQ(other->trackSize->GetValue(), 36) << "as far as the slider goes";
    EXPECT_EQ(Snapshot(*other), Snapshot(*form));

    // Sizes written by hand: the smallest is the slider's minimum, the largest the lettering's.
    const struct {
        const char* entry;
        float size;
    } cases[] = { { "fontsize = 500.0", 500 }, { "fontsize = 1.0", 2 }, { "fontsize = 1.0E9", 1000 },
        { "textdepth = 1.0", 2 } }; // a missing size reads as 0
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        WriteText(file, std::string("object Root\n  ") + c.entry + "\nend\n");
        ASSERT_TRUE(other->OpenDesign(file)) << ::testing::PrintToString(FakeDialogs::Messages());
        EXPECT_FLOAT_EQ(other->Text->GetFont()->GetSize(), c.size);
        EXPECT_FLOAT_EQ(other->trackSize->GetValue(), std::min(c.size, 36.0f));
    }
}

TEST_F(MainFormTest, PointsAreWrittenWithSixSignificantDigits)
{
    const std::string file = TempName("points.qgf");
    form->Camera1->GetPosition()->SetY(-9.6f);
    form->SaveDesign(file);
    EXPECT_NE(ReadText(file).find("camera = '(33,0,-9.6)'"), std::string::npos) << ReadText(file);
    EXPECT_NE(ReadText(file).find("lightrot = '(12.304,0,27.8556)'"), std::string::npos);
    EXPECT_NE(ReadText(file).find("lightpos = '(-5.05237,-1.25569,-0.795477)'"), std::string::npos);

    const struct {
        ThvPoint point;
        const char* text;
    } cases[] = {
        { { -0.795477f, 0.0123456f, 1.5e-6f }, "(-0.795477,0.0123456,1.5E-6)" },
        { { 123.4567f, -99999.94f, 0.1f }, "(123.457,-99999.9,0.1)" },
        { { 9.9999996f, 1234567.5f, -0.0000123456f }, "(10,1.23457E6,-0.0000123456)" },
        { { 0, -3, 1e10f }, "(0,-3,10000000000)" },
    };
    rtl::TOwned<TfrmMain> other(TfrmMain::Create(nullptr));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        form->Light1->GetPosition()->SetPoint(c.point);
        form->SaveDesign(file);
        EXPECT_NE(ReadText(file).find(std::string("lightpos = '") + c.text + "'"), std::string::npos)
            << ReadText(file).substr(0, 120);
        ASSERT_TRUE(other->OpenDesign(file)) << ::testing::PrintToString(FakeDialogs::Messages());
        const ThvPoint back = other->Light1->GetPosition()->GetPoint();
        for (auto [read, written] :
            { std::pair(back.X, c.point.X), std::pair(back.Y, c.point.Y), std::pair(back.Z, c.point.Z) })
            EXPECT_NEAR(read, written, std::fabs(written) * 5e-6);
    }
}

TEST_F(MainFormTest, UpperCaseKeysAndTheInitialCameraEntryLoad)
{
    ChangeEverything(*form);
    const std::string file = TempName("upper.qgf");
    WriteText(file,
        "object Root\n"
        "  CAMERA = '(33,0,-10)'\n"
        "  BACKGROUNDCOLOR = '#FF445566'\n"
        "  BACKGROUND = False\n"
        "  TEXT = 'Upper'\n"
        "  FONTSIZE = 12.0\n"
        "  TEXTDEPTH = 0.5\n"
        "  FRONTDIFFUSE = '#FF123456'\n"
        "  FRAMEVIS = True\n"
        "  FRAMECORNER = 1\n"
        "  FRAMEBOTTOMLEFT = True\n"
        "end\n");
    ASSERT_TRUE(form->OpenDesign(file)) << ::testing::PrintToString(FakeDialogs::Messages());
    EXPECT_FLOAT_EQ(form->CameraX->GetRotateAngle()->GetX(), 33);
    EXPECT_FLOAT_EQ(form->CameraZ->GetRotateAngle()->GetZ(), 0);
    EXPECT_FLOAT_EQ(form->Camera1->GetPosition()->GetY(), -10);
    EXPECT_EQ(form->hvScene1->GetFillColor(), "#FF445566");
    EXPECT_EQ(form->Text->GetText(), u"Upper");
    EXPECT_FLOAT_EQ(form->trackSize->GetValue(), 12);
    EXPECT_FLOAT_EQ(form->Text->GetFont()->GetSize(), 12);
    EXPECT_EQ(form->Text->GetMaterial()->GetDiffuse(), "#FF123456");
    EXPECT_TRUE(form->Frame->GetVisible());
    EXPECT_TRUE(form->checkFrameBottomLeft->GetIsChecked());
    // Missing keys read as empty values: a zero slider value is clamped to the minimum.
    EXPECT_FLOAT_EQ(form->trackFrameDepth->GetValue(), form->trackFrameDepth->GetMin());
    EXPECT_FALSE(form->checkFrameTopLeft->GetIsChecked());
}

TEST_F(MainFormTest, DamagedFilesAreRefusedWithOneMessageAndChangeNothing)
{
    ChangeEverything(*form);
    const std::string good = TempName("good.qgf");
    form->SaveDesign(good);
    ASSERT_TRUE(form->OpenDesign(good));
    const std::string before = Snapshot(*form);
    FakeDialogs::Reset();

    struct Case {
        const char* name;
        std::string text;
        const char* named = nullptr; // the message names this key
    };
    auto entry
        = [](const std::string& line) { return "object Root\n  text = 'changed'\n  " + line + "\nend\n"; };
    const Case cases[] = {
        { "not object text", "this is not a design\n" },
        { "truncated", "object Root\n  camera = '(1,2,3)'\n  text = 'x" },
        { "another object", "object Form1: TForm\n  Left = 3\nend\n" },
        { "picture that does not decode",
            "object Root\n  camera = '(1,2,3)'\n  frontbitmap = {\n    0102030405060708\n  }\nend\n" },
        { "colour that is not one",
            "object Root\n  camera = '(1,2,3)'\n  frontdiffuse = 'red please'\nend\n" },
        { "empty file", "" },
        { "text too long to extrude", "object Root\n  text = '" + std::string(10001, 'x') + "'\nend\n" },
        // A value of another kind than the key's would read as an empty value of its kind.
        { "integer size", entry("fontsize = 20"), "fontsize" },
        { "text size", entry("fontsize = 'big'"), "fontsize" },
        { "identifier size", entry("fontsize = big"), "fontsize" },
        { "list depth", entry("textdepth = (\n    1\n  )"), "textdepth" },
        { "number background", entry("background = 1"), "background" },
        { "float corner", entry("framecorner = 1.0"), "framecorner" },
        { "text picture", entry("frontbitmap = 'picture'"), "frontbitmap" },
        { "number point", entry("camera = 3.0"), "camera" },
        { "Boolean colour", entry("framebackdiffuse = True"), "framebackdiffuse" },
        { "upper-case key", entry("FONTSTYLE = 'bold'"), "fontstyle" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = TempName("bad.qgf");
        WriteText(file, c.text);
        FakeDialogs::Reset();
        EXPECT_FALSE(form->OpenDesign(file));
        ASSERT_EQ(FakeDialogs::Messages().size(), 1u);
        EXPECT_NE(FakeDialogs::Messages().front().find(file), std::string::npos);
        if (c.named) {
            EXPECT_NE(
                FakeDialogs::Messages().front().find('"' + std::string(c.named) + '"'), std::string::npos)
                << FakeDialogs::Messages().front();
        }
        EXPECT_EQ(Snapshot(*form), before);
        // The next Save still goes to the design loaded before, never to the bad file.
        EXPECT_EQ(form->GetFileName(), good);
    }
    FakeDialogs::Reset();
    EXPECT_FALSE(form->OpenDesign(TempName("missing.qgf")));
    EXPECT_EQ(FakeDialogs::Messages().size(), 1u);
    EXPECT_EQ(Snapshot(*form), before);
}

TEST_F(MainFormTest, SaveAsksForANameOnceAndThenOverwritesThatFile)
{
    FakeDialogs::Reset();
    // Cancelled: nothing is written and no name is kept.
    form->btnSaveClick(nullptr);
    ASSERT_TRUE(FakeDialogs::LastSaveFile().has_value());
    EXPECT_EQ(FakeDialogs::LastSaveFile()->filter, "Glyphforge|*.qgf");
    EXPECT_EQ(FakeDialogs::LastSaveFile()->defaultExtension, "qgf");
    EXPECT_TRUE(FakeDialogs::LastSaveFile()->overwritePrompt);
    EXPECT_TRUE(form->GetFileName().empty());

    // A name typed without the extension gets it.
    const std::string stem = TempName("typed");
    std::filesystem::remove(stem + ".qgf");
    FakeDialogs::SetSaveFileAnswer([&](const platform::ui::SaveFileOptions&) { return stem; });
    form->btnSaveClick(nullptr);
    EXPECT_EQ(form->GetFileName(), stem + ".qgf");
    ASSERT_TRUE(std::filesystem::exists(stem + ".qgf"));

    // The next save writes the same file without a dialog.
    FakeDialogs::Reset();
    form->trackDepth->SetValue(2.5f);
    form->btnSaveClick(nullptr);
    EXPECT_FALSE(FakeDialogs::LastSaveFile().has_value());
    EXPECT_NE(ReadText(stem + ".qgf").find("textdepth =  2.5"), std::string::npos);

    // Choosing an existing file asks first; "No" brings the dialog back, here cancelled.
    rtl::TOwned<TfrmMain> other(TfrmMain::Create(nullptr));
    int asked = 0;
    FakeDialogs::SetSaveFileAnswer([&](const platform::ui::SaveFileOptions&) -> std::optional<std::string> {
        if (asked++ == 0)
            return stem + ".qgf";
        return std::nullopt;
    });
    FakeDialogs::SetConfirmAnswer(false);
    other->btnSaveClick(nullptr);
    EXPECT_EQ(FakeDialogs::Questions().size(), 1u);
    EXPECT_TRUE(other->GetFileName().empty());
    EXPECT_NE(ReadText(stem + ".qgf").find("textdepth =  2.5"), std::string::npos);
    FakeDialogs::Reset();
}

TEST_F(MainFormTest, APictureFaceReloadsInPictureModeAndAColourFaceKeepsItsUnusedPicture)
{
    auto* front = dynamic_cast<TwzImageControl*>(form->imageFront);
    auto* back = dynamic_cast<TwzImageControl*>(form->imageBack);
    ASSERT_NE(front, nullptr);
    ASSERT_NE(back, nullptr);
    TwzBitmap picture(40, 30);
    picture.Clear(0xFF336699); // opaque: stored as JPEG
    front->SetBitmap(&picture);
    form->imageFrontChange(front);
    TwzBitmap other(20, 20);
    other.Clear(0x80FF0000); // translucent: stored as PNG
    back->SetBitmap(&other);
    form->imageBackChange(back);
    form->colorBack->SetColor("#FF224466"); // back face in colour mode, its picture unused
    form->trackSize->SetValue(20);
    const std::string file = TempName("faces.qgf");
    form->SaveDesign(file);

    rtl::TOwned<TfrmMain> loaded(TfrmMain::Create(nullptr));
    ASSERT_TRUE(loaded->OpenDesign(file)) << ::testing::PrintToString(FakeDialogs::Messages());
    EXPECT_EQ(loaded->Text->GetMaterial()->GetBitmap(), "Front");
    EXPECT_EQ(loaded->Text->GetMaterial()->GetDiffuse(), "#FFFFFFFF");
    auto* resource = dynamic_cast<ThvBitmapObject*>(loaded->FindComponent("Front"));
    ASSERT_NE(resource, nullptr);
    EXPECT_EQ(resource->GetBitmap()->GetWidth(), static_cast<int32_t>(100 * loaded->Text->GetWidth() + 1e-3f))
        << "rebuilt for the loaded sizes";
    EXPECT_EQ(loaded->Text->GetMaterialBack()->GetBitmap(), "");
    EXPECT_EQ(loaded->Text->GetMaterialBack()->GetDiffuse(), "#FF224466");
    auto* loadedBack = dynamic_cast<TwzImageControl*>(loaded->imageBack);
    ASSERT_NE(loadedBack, nullptr);
    EXPECT_EQ(loadedBack->GetBitmap()->GetWidth(), 20);
    EXPECT_EQ(loadedBack->GetBitmap()->GetScanline(5)[5] >> 24, 0x80u) << "the PNG keeps the alpha";

    // Save after Load writes the loaded file without asking.
    FakeDialogs::Reset();
    loaded->btnSaveClick(nullptr);
    EXPECT_FALSE(FakeDialogs::LastSaveFile().has_value());
    EXPECT_TRUE(FakeDialogs::Messages().empty());
}

// Six blank pictures of 8192 x 8192 once took 3.2 GB and half a minute to load. The pixels the
// pictures of a design declare are counted from their headers before any is decoded (these
// declare sizes their data does not hold, so decoding them would fail as damaged), and a
// design beyond the budget of 2^25 is refused naming the key that goes beyond it.
TEST_F(MainFormTest, ADesignWhosePicturesGoBeyondTheBudgetIsRefusedNamingTheKey)
{
    ChangeEverything(*form);
    const std::string good = TempName("good.qgf");
    form->SaveDesign(good);
    ASSERT_TRUE(form->OpenDesign(good));
    const std::string before = Snapshot(*form);

    const std::vector<uint8_t> largest = testsupport::PngDeclaring(8192, 8192); // any decoder's limit
    const std::vector<uint8_t> quarter = testsupport::PngDeclaring(4096, 4096);
    const std::vector<uint8_t> pixel = testsupport::PngDeclaring(1, 1);
    struct Case {
        const char* name;
        Pictures pictures;
        const char* named;
    } const cases[] = {
        { "six of the largest pictures",
            { { "frontbitmap", largest }, { "leftbitmap", largest }, { "backbitmap", largest },
                { "framefrontbitmap", largest }, { "frameleftbitmap", largest },
                { "framebackbitmap", largest } },
            "frontbitmap" },
        // Two pictures of 4096 x 4096 are the whole budget (the keys left empty read as the
        // initial picture, which is not decoded); one pixel more goes beyond it.
        { "the budget and a pixel more",
            { { "frontbitmap", quarter }, { "leftbitmap", {} }, { "backbitmap", quarter },
                { "framefrontbitmap", {} }, { "frameleftbitmap", {} }, { "framebackbitmap", pixel } },
            "framebackbitmap" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = TempName("large.qgf");
        WriteDesignWithPictures(good, file, c.pictures);
        FakeDialogs::Reset();
        EXPECT_FALSE(form->OpenDesign(file));
        ASSERT_EQ(FakeDialogs::Messages().size(), 1u);
        const std::string& message = FakeDialogs::Messages().front();
        EXPECT_NE(message.find(file), std::string::npos) << message;
        EXPECT_NE(message.find("pictures are too large"), std::string::npos) << message;
        EXPECT_NE(message.find('"' + std::string(c.named) + '"'), std::string::npos) << message;
        EXPECT_EQ(Snapshot(*form), before);
        EXPECT_EQ(form->GetFileName(), good);
    }
    FakeDialogs::Reset();
}

// A face texture has at most hvMaxTextureWidth pixels along each edge; a larger picture is
// reduced to that as it is read (proportions kept, the whole picture scaled), and a picture
// chosen at a larger size is stored reduced the same way, so every design the designer saves
// loads within the budget.
TEST_F(MainFormTest, PicturesLargerThanAFaceTextureCanUseAreReducedWhenLoadedAndWhenSaved)
{
    const rtl::ScopedAssign edge(hvMaxTextureWidth, 64);
    const std::unique_ptr<TwzBitmap> wide = Halves(300, 100, 0x80800000, 0x80000080); // PNG
    const std::unique_ptr<TwzBitmap> tall = Halves(100, 200, 0xFF00FF00, 0xFFFFFFFF); // JPEG
    const std::unique_ptr<TwzBitmap> small = Halves(40, 30, 0xFF000000, 0xFFFFFFFF);
    const std::string good = TempName("good.qgf");
    form->SaveDesign(good);
    const std::string file = TempName("pictures.qgf");
    WriteDesignWithPictures(good, file,
        { { "frontbitmap", Stored(*wide) }, { "leftbitmap", Stored(*tall) },
            { "backbitmap", Stored(*small) } });

    ASSERT_TRUE(form->OpenDesign(file)) << ::testing::PrintToString(FakeDialogs::Messages());
    struct Expected {
        const char* name;
        TwzControl* control;
        int32_t width, height;
        int32_t firstX, firstY, secondX, secondY;
        uint32_t first, second;
    } const expected[] = {
        { "wide", form->imageFront, 64, 21, 12, 10, 52, 10, 0x80800000, 0x80000080 },
        { "tall", form->imageLeft, 32, 64, 16, 12, 16, 52, 0xFF00FF00, 0xFFFFFFFF },
        { "small", form->imageBack, 40, 30, 5, 15, 35, 15, 0xFF000000, 0xFFFFFFFF },
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        auto* image = dynamic_cast<TwzImageControl*>(e.control);
        ASSERT_NE(image, nullptr);
        TwzBitmap* picture = image->GetBitmap();
        ASSERT_EQ(picture->GetWidth(), e.width);
        ASSERT_EQ(picture->GetHeight(), e.height);
        EXPECT_LE(ChannelDistance(picture->GetScanline(e.firstY)[e.firstX], e.first), 8);
        EXPECT_LE(ChannelDistance(picture->GetScanline(e.secondY)[e.secondX], e.second), 8);
    }

    auto* front = dynamic_cast<TwzImageControl*>(form->imageFront);
    ASSERT_NE(front, nullptr);
    front->SetBitmap(wide.get());
    ASSERT_EQ(front->GetBitmap()->GetWidth(), 300);
    const std::string saved = TempName("saved.qgf");
    form->SaveDesign(saved);
    TwzStorage store;
    store.LoadFromFile(saved);
    rtl::TMemoryStream& block = store.GetItem("frontbitmap").GetAsBinary();
    EXPECT_EQ(TwzBitmap::GetStreamImageSize(block), MakePoint(64, 21));
    TwzBitmap back(1, 1);
    ASSERT_TRUE(back.LoadFromStream(block));
    EXPECT_LE(ChannelDistance(back.GetScanline(10)[12], 0x80800000), 8);
    EXPECT_LE(ChannelDistance(back.GetScanline(10)[52], 0x80000080), 8);
}
