// Design files as the designer opens them: arbitrary bytes written to a file and opened through
// the main window's own OpenDesign (header, the kind of every key, values, colours, the six
// pictures), on a main window read from its stored description with the modules started as
// the program starts them.
//
// Checked beyond the sanitizers: a file that is refused shows exactly one message naming the
// file and changes nothing the design holds (every control of the keys, the lettering, the
// faces' pictures, the file name); a file that opens becomes the current file, and what it
// gave saves, opens again and saves to the same text with pictures of the same sizes (their
// bytes may differ: an opaque picture is stored as a JPEG, which no second encoding repeats).

#include "app/MainForm.h"
#include "app/Modules.h"

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzMemo.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzBitmap.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvText3D.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using platform::ui::FakeDialogs;

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "design_file: %s\n", what);
        for (const std::string& message : FakeDialogs::Messages())
            std::fprintf(stderr, "  message: %s\n", message.c_str());
        std::abort();
    }
}

// Floats in hexadecimal, so that the smallest change shows.
void Put(std::ostream& out, float value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%a ", static_cast<double>(value));
    out << buffer;
}

void PutPicture(std::ostream& out, TwzControl* control, bool pixels)
{
    TwzBitmap* picture = control ? app::PictureOf(control) : nullptr;
    if (!picture) {
        out << "none ";
        return;
    }
    out << picture->GetWidth() << "x" << picture->GetHeight() << " ";
    if (!pixels)
        return;
    uint64_t hash = 1469598103934665603u;
    for (int32_t y = 0; y < picture->GetHeight(); ++y) {
        const uint32_t* row = picture->GetScanline(y);
        for (int32_t x = 0; x < picture->GetWidth(); ++x)
            hash = (hash ^ row[x]) * 1099511628211u;
    }
    out << hash << " ";
}

std::vector<TwzControl*> Pictures(TfrmMain& f)
{
    return { f.imageFront, f.imageLeft, f.imageBack, f.frameFrontImage, f.frameLeftImage, f.frameBackImage };
}

std::string PictureSizes(TfrmMain& f)
{
    std::ostringstream s;
    for (TwzControl* picture : Pictures(f))
        PutPicture(s, picture, false);
    return s.str();
}

// Everything a design file sets, with the six faces' pictures, as one comparable text.
std::string DesignState(TfrmMain& f)
{
    std::ostringstream s;
    Put(s, f.CameraX->GetRotateAngle()->GetX());
    Put(s, f.CameraZ->GetRotateAngle()->GetZ());
    Put(s, f.Camera1->GetPosition()->GetY());
    for (const ThvPoint& p :
        { f.Light1->GetRotateAngle()->GetPoint(), f.Light1->GetPosition()->GetPoint() }) {
        Put(s, p.X);
        Put(s, p.Y);
        Put(s, p.Z);
    }
    s << "|" << f.colorBackground->GetColor() << " " << f.radioTransparent->GetIsChecked()
      << f.radioSolid->GetIsChecked() << " " << f.hvScene1->GetFillColor() << "|"
      << rtl::Utf16ToUtf8(f.Text->GetText()) << "|" << rtl::Utf16ToUtf8(f.textEditor->GetText()) << "|"
      << f.Text->GetFont()->GetFamily() << " " << static_cast<int>(f.Text->GetFont()->GetStyle()) << " ";
    Put(s, f.Text->GetFont()->GetSize());
    for (TwzCustomTrack* track : { f.trackSize, f.trackDepth, f.trackFrameDepth, f.trackFramePaddingHorz,
             f.trackFramePaddingVert, f.trackFrameRadius })
        Put(s, track->GetValue());
    s << "|";
    for (TwzColorButton* color :
        { f.colorFront, f.colorLeft, f.colorBack, f.frameFrontColor, f.frameLeftColor, f.frameBackColor })
        s << color->GetColor() << " ";
    for (ThvMaterial* m : { f.Text->GetMaterial(), f.Text->GetMaterialLeft(), f.Text->GetMaterialBack(),
             f.Frame->GetMaterial(), f.Frame->GetMaterialLeft(), f.Frame->GetMaterialBack() })
        s << m->GetDiffuse() << "/" << m->GetBitmap() << " ";
    for (TwzControl* picture : Pictures(f))
        PutPicture(s, picture, true);
    s << "|" << f.Frame->GetVisible() << f.checkFrame->GetIsChecked() << " "
      << f.checkFrameTopLeft->GetIsChecked() << f.checkFrameTopRight->GetIsChecked()
      << f.checkFrameBottomLeft->GetIsChecked() << f.checkFrameBottomRight->GetIsChecked() << " "
      << static_cast<int>(f.Frame->GetCornerType()) << " "
      << rtl::GetPropText(*f.listFrameCorner, "ItemIndex") << "|" << f.GetFileName();
    return s.str();
}

// A saved design's text with the bytes of its pictures (the binary values "{ ... }") left out.
std::string TextWithoutPictures(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    const std::string text { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    std::string out;
    bool inPicture = false;
    for (const char c : text) {
        if (c == '{' || c == '}')
            inPicture = c == '{';
        else if (inPicture)
            continue;
        out += c;
    }
    return out;
}

std::filesystem::path g_folder;
TfrmMain* g_form = nullptr; // lives as long as the process

void RemoveFolder()
{
    std::error_code error;
    std::filesystem::remove_all(g_folder, error);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    g_folder = std::filesystem::temp_directory_path() / ("gf-design-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(g_folder);
    StartModules();
    RegisterAppClasses();
    g_form = TfrmMain::Create(nullptr);
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    TfrmMain& form = *g_form;
    const std::string file = (g_folder / "design.qgf").string();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    const std::string before = DesignState(form);
    FakeDialogs::Reset();
    if (!form.OpenDesign(file)) {
        Require(FakeDialogs::Messages().size() == 1, "a refused design showed no message or more than one");
        Require(FakeDialogs::Messages().front().find(file) != std::string::npos,
            "the message of a refused design does not name the file");
        Require(DesignState(form) == before, "a refused design changed the window");
        return 0;
    }
    Require(FakeDialogs::Messages().empty(), "a design that opened showed a message");
    Require(form.GetFileName() == file, "a design that opened is not the current file");

    // What it gave saves, opens again and saves to the same text.
    const std::string saved = (g_folder / "saved.qgf").string();
    const std::string again = (g_folder / "again.qgf").string();
    const std::string sizes = PictureSizes(form);
    form.SaveDesign(saved);
    Require(form.OpenDesign(saved), "a saved design does not open again");
    Require(PictureSizes(form) == sizes, "a picture of a saved design opened again has another size");
    form.SaveDesign(again);
    Require(TextWithoutPictures(saved) == TextWithoutPictures(again),
        "a saved design opened and saved again differs");
    return 0;
}
