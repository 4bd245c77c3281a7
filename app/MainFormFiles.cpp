// Design files of the main window: the whole lettering design as the object text of a
// key/value store (".qgf").

#include "app/MainForm.h"

#include "app/Textures.h"

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzMemo.h"
#include "controls/TwzTracks.h"
#include "graphics/Geometry.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzStorage.h"
#include "scene3d/Math3D.h"
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

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/ValueStream.h"
#include "platform/ui/Dialogs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <system_error>

namespace {

const char* const kFilter = "Glyphforge|*.qgf";
const char* const kExtension = "qgf";
// Six pictures of at most 2048 x 2048 pixels as hexadecimal text stay well below this.
constexpr std::uintmax_t kMaxDesignFileBytes = 256u << 20;
// The pixels the pictures of one design may declare in all, checked from their headers
// before any is decoded: 2^25, a picture of 8192 x 4096 or six of 2364 x 2364. Each is
// decoded in turn and reduced at once to what a face texture can use, so loading never holds
// more than one picture at its full size. A design the designer writes always fits: it
// stores its pictures reduced the same way, at most six of 2048 x 2048.
constexpr uint64_t kMaxDesignPicturePixels = uint64_t(1) << 25;
// Lettering longer than this is no design anyone makes, and extruding it would stall the
// window for minutes: such a file is refused.
constexpr size_t kMaxTextLength = 10000;
constexpr size_t kMaxFontNameLength = 256;

std::u16string Wide(const std::string& text)
{
    return rtl::Utf8ToUtf16(text);
}

std::string Narrow(const TwzStorageItem& item)
{
    return rtl::Utf16ToUtf8(item.GetAsString());
}

// A number of a point text with six significant digits, as the design file keeps them. The
// 3D library's own text cuts values below 1 to five decimals (-0.795477 would come back as
// -0.79547), so the fixed form is made here; whole numbers and the exponent form for very
// small and very large values are the library's.
std::string PointNumber(float value)
{
    const double d = value;
    const double magnitude = std::fabs(d);
    if (!std::isfinite(d) || d == std::trunc(d) || magnitude < 0.00001 || magnitude >= 999999.5)
        return hvFloatToStr(value);
    char buffer[32];
    const auto scientific
        = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::scientific, 5);
    const std::string_view digits(buffer, scientific.ptr);
    const int exponent = std::stoi(std::string(digits.substr(digits.find('e') + 1)));
    std::string text = rtl::FormatFixed(d, std::max(0, 5 - exponent));
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

std::string PointText(const ThvPoint& point)
{
    return "(" + PointNumber(point.X) + "," + PointNumber(point.Y) + "," + PointNumber(point.Z) + ")";
}

void PutText(TwzStorage& store, const char* key, const std::string& value)
{
    store.GetItem(key).SetAsString(Wide(value));
}

// The largest edge a face texture has; a picture beyond it shows no more detail on any face.
int32_t FaceEdge()
{
    return std::max(hvMaxTextureWidth, 1);
}

// The picture reduced to fit the face textures' square, as loading reduces it; null when it
// fits already.
std::unique_ptr<TwzBitmap> ReducedForFaces(TwzBitmap& picture)
{
    const int32_t edge = FaceEdge();
    if (picture.GetWidth() <= edge && picture.GetHeight() <= edge)
        return nullptr;
    const app::TextureSize size = app::FitTexture(picture.GetWidth(), picture.GetHeight(), edge);
    auto reduced = std::make_unique<TwzBitmap>(std::max(size.width, 1), std::max(size.height, 1));
    TwzCanvas* canvas = reduced->GetCanvas();
    if (!canvas || !canvas->BeginScene())
        return nullptr;
    canvas->DrawBitmap(&picture,
        MakeRect(0, 0, static_cast<float>(picture.GetWidth()), static_cast<float>(picture.GetHeight())),
        MakeRect(0, 0, static_cast<float>(reduced->GetWidth()), static_cast<float>(reduced->GetHeight())), 1,
        false);
    canvas->EndScene();
    return reduced;
}

void PutPicture(TwzStorage& store, const char* key, TwzBitmap* picture)
{
    rtl::TMemoryStream& block = store.GetItem(key).GetAsBinary();
    block.SetSize(0);
    if (picture && picture->GetWidth() > 0 && picture->GetHeight() > 0) {
        // Stored at full size, a picture could take a design beyond what loading accepts.
        const std::unique_ptr<TwzBitmap> reduced = ReducedForFaces(*picture);
        (reduced ? *reduced : *picture).SaveToStream(block);
    } else {
        TwzBitmap empty(1, 1);
        empty.SaveToStream(block);
    }
    block.SetPosition(0);
}

std::string ColorOf(const TwzColorButton* button)
{
    return button ? button->GetColor() : "#FF000000";
}

float ValueOf(const TwzCustomTrack* track)
{
    return track ? track->GetValue() : 0;
}

bool CheckedOf(const TwzToggleControl* box)
{
    return box && box->GetIsChecked();
}

// A design value that is not what its key holds: the file is refused as a whole.
[[noreturn]] void Damaged(const std::string& key)
{
    throw rtl::ReadError("The design file is damaged: the value of \"" + key + "\" is not valid.");
}

// The kinds of value a design keeps, as the storage writes them.
enum class Kind { Text, Float, Integer, Boolean, Binary };

bool IsKind(rtl::TValueType type, Kind kind)
{
    switch (kind) {
    case Kind::Text:
        return type == rtl::vaString || type == rtl::vaLString || type == rtl::vaWString;
    case Kind::Float:
        return type == rtl::vaExtended || type == rtl::vaSingle;
    case Kind::Integer:
        return type == rtl::vaInt8 || type == rtl::vaInt16 || type == rtl::vaInt32;
    case Kind::Boolean:
        return type == rtl::vaFalse || type == rtl::vaTrue;
    case Kind::Binary:
        return type == rtl::vaBinary;
    }
    return false;
}

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Text:
        return "a text";
    case Kind::Float:
        return "a number with a decimal point";
    case Kind::Integer:
        return "a whole number";
    case Kind::Boolean:
        return "True or False";
    case Kind::Binary:
        return "a picture";
    }
    return "a value";
}

const char* KindNameOf(rtl::TValueType type)
{
    for (Kind kind : { Kind::Text, Kind::Float, Kind::Integer, Kind::Boolean, Kind::Binary })
        if (IsKind(type, kind))
            return KindName(kind);
    return "a value of another kind";
}

// Every key the design reads with the kind it is written in. A missing key reads as an empty
// value of its kind; a value of another kind would read as that empty value too, so a
// design holding one is refused instead of loading something the file does not say.
constexpr struct {
    const char* key;
    Kind kind;
} kDesignKeys[] = {
    { "camera", Kind::Text },
    { "lightrot", Kind::Text },
    { "lightpos", Kind::Text },
    { "backgroundcolor", Kind::Text },
    { "background", Kind::Boolean },
    { "text", Kind::Text },
    { "font", Kind::Text },
    { "fontsize", Kind::Float },
    { "textdepth", Kind::Float },
    { "front", Kind::Text },
    { "frontdiffuse", Kind::Text },
    { "frontbitmap", Kind::Binary },
    { "left", Kind::Text },
    { "leftdiffuse", Kind::Text },
    { "leftbitmap", Kind::Binary },
    { "back", Kind::Text },
    { "backdiffuse", Kind::Text },
    { "backbitmap", Kind::Binary },
    { "framevis", Kind::Boolean },
    { "framedepth", Kind::Float },
    { "framepaddinghorz", Kind::Float },
    { "framepaddingvert", Kind::Float },
    { "framecorner", Kind::Integer },
    { "frametopleft", Kind::Boolean },
    { "frametopright", Kind::Boolean },
    { "framebottomleft", Kind::Boolean },
    { "framebottomright", Kind::Boolean },
    { "frameradius", Kind::Float },
    { "framefront", Kind::Text },
    { "framefrontdiffuse", Kind::Text },
    { "framefrontbitmap", Kind::Binary },
    { "frameleft", Kind::Text },
    { "frameleftdiffuse", Kind::Text },
    { "frameleftbitmap", Kind::Binary },
    { "frameback", Kind::Text },
    { "framebackdiffuse", Kind::Text },
    { "framebackbitmap", Kind::Binary },
    { "fontstyle", Kind::Integer },
};

void RequireKinds(TwzStorage& store)
{
    for (const auto& [key, kind] : kDesignKeys) {
        const rtl::TValueType type = store.GetItem(key).GetValueType();
        if (type != rtl::vaNull && !IsKind(type, kind))
            throw rtl::ReadError(std::string("The design file is damaged: \"") + key + "\" holds "
                + KindNameOf(type) + " where " + KindName(kind) + " belongs.");
    }
}

float FloatOf(TwzStorage& store, const char* key)
{
    TwzStorageItem& item = store.GetItem(key);
    const float value = item.GetAsFloat();
    if (!std::isfinite(value))
        Damaged(key);
    return value;
}

// A colour text as the colour buttons read it: "#" and eight hexadecimal digits, or empty.
std::string ColorText(TwzStorage& store, const char* key)
{
    std::string text = Narrow(store.GetItem(key));
    if (text.empty())
        return text;
    bool valid = (text.size() == 9 || text.size() == 7) && (text[0] == '#' || text[0] == '$');
    for (size_t i = 1; valid && i < text.size(); ++i)
        valid = std::isxdigit(static_cast<unsigned char>(text[i])) != 0;
    if (!valid)
        Damaged(key);
    return text;
}

// Refuses a design whose pictures declare more pixels in all than one design may decode,
// naming the key that goes beyond, before any picture is decoded. A picture whose headers do
// not read (or declare more than any decoder takes) is damaged.
void RequirePictureBudget(TwzStorage& store, std::span<const char* const> keys)
{
    uint64_t total = 0;
    for (const char* key : keys) {
        rtl::TMemoryStream& block = store.GetItem(key).GetAsBinary();
        block.SetPosition(0);
        if (block.GetSize() == 0)
            continue;
        const TwzPoint size = TwzBitmap::GetStreamImageSize(block);
        if (!(size.X >= 1 && size.Y >= 1))
            Damaged(key);
        const auto width = static_cast<uint64_t>(size.X);
        const auto height = static_cast<uint64_t>(size.Y);
        total += width * height;
        if (total > kMaxDesignPicturePixels)
            throw rtl::ReadError(std::string("The design's pictures are too large: with \"") + key + "\" ("
                + std::to_string(width) + " x " + std::to_string(height)
                + " pixels) they would hold more than " + std::to_string(kMaxDesignPicturePixels)
                + " pixels in all.");
    }
}

// The picture of a binary key, decoded now so that a damaged picture refuses the file before
// anything changes, and reduced to what a face texture can use. An empty block (a key missing
// from the file) gives the initial 1 x 1 transparent picture.
std::unique_ptr<TwzBitmap> PictureOf(TwzStorage& store, const char* key)
{
    auto picture = std::make_unique<TwzBitmap>(1, 1);
    rtl::TMemoryStream& block = store.GetItem(key).GetAsBinary();
    block.SetPosition(0);
    if (block.GetSize() == 0)
        return picture;
    const auto edge = static_cast<float>(FaceEdge());
    if (!picture->LoadThumbnailFromStream(block, edge, edge))
        Damaged(key);
    return picture;
}

} // namespace

// ---- saving -------------------------------------------------------------------------------------

void TfrmMain::SaveDesign(const std::string& fileName)
{
    TwzStorage store;
    const ThvPoint camera { CameraX ? CameraX->GetRotateAngle()->GetX() : 0,
        CameraZ ? CameraZ->GetRotateAngle()->GetZ() : 0, Camera1 ? Camera1->GetPosition()->GetY() : 0 };
    PutText(store, "camera", PointText(camera));
    PutText(store, "lightrot", Light1 ? PointText(Light1->GetRotateAngle()->GetPoint()) : "");
    PutText(store, "lightpos", Light1 ? PointText(Light1->GetPosition()->GetPoint()) : "");
    PutText(store, "backgroundcolor", ColorOf(colorBackground));
    store.GetItem("background").SetAsBoolean(CheckedOf(radioTransparent));
    std::u16string text = Text ? Text->GetText() : std::u16string();
    if (textEditor)
        text = textEditor->GetText();
    store.GetItem("text").SetAsString(text);
    PutText(store, "font", Text ? Text->GetFont()->GetFamily() : "");
    // The size the lettering shows, which the font dialog may have set beyond the slider.
    store.GetItem("fontsize").SetAsFloat(Text ? Text->GetFont()->GetSize() : ValueOf(trackSize));
    store.GetItem("textdepth").SetAsFloat(ValueOf(trackDepth));

    auto face = [&](const char* key, const char* diffuse, const char* bitmap, ThvMaterial* material,
                    TwzColorButton* color, TwzControl* picture) {
        PutText(store, key, material ? material->GetBitmap() : "");
        PutText(store, diffuse, ColorOf(color));
        PutPicture(store, bitmap, app::PictureOf(picture));
    };
    face(
        "front", "frontdiffuse", "frontbitmap", Text ? Text->GetMaterial() : nullptr, colorFront, imageFront);
    face("left", "leftdiffuse", "leftbitmap", Text ? Text->GetMaterialLeft() : nullptr, colorLeft, imageLeft);
    face("back", "backdiffuse", "backbitmap", Text ? Text->GetMaterialBack() : nullptr, colorBack, imageBack);

    store.GetItem("framevis").SetAsBoolean(Frame && Frame->GetVisible());
    store.GetItem("framedepth").SetAsFloat(ValueOf(trackFrameDepth));
    store.GetItem("framepaddinghorz").SetAsFloat(ValueOf(trackFramePaddingHorz));
    store.GetItem("framepaddingvert").SetAsFloat(ValueOf(trackFramePaddingVert));
    int32_t corner = 0;
    if (listFrameCorner) {
        const rtl::TValue index = rtl::GetPropValue(*listFrameCorner, "ItemIndex");
        if (const auto* i = std::get_if<int64_t>(&index))
            corner = static_cast<int32_t>(*i);
    }
    store.GetItem("framecorner").SetAsInteger(corner);
    store.GetItem("frametopleft").SetAsBoolean(CheckedOf(checkFrameTopLeft));
    store.GetItem("frametopright").SetAsBoolean(CheckedOf(checkFrameTopRight));
    store.GetItem("framebottomleft").SetAsBoolean(CheckedOf(checkFrameBottomLeft));
    store.GetItem("framebottomright").SetAsBoolean(CheckedOf(checkFrameBottomRight));
    store.GetItem("frameradius").SetAsFloat(ValueOf(trackFrameRadius));
    face("framefront", "framefrontdiffuse", "framefrontbitmap", Frame ? Frame->GetMaterial() : nullptr,
        frameFrontColor, frameFrontImage);
    face("frameleft", "frameleftdiffuse", "frameleftbitmap", Frame ? Frame->GetMaterialLeft() : nullptr,
        frameLeftColor, frameLeftImage);
    face("frameback", "framebackdiffuse", "framebackbitmap", Frame ? Frame->GetMaterialBack() : nullptr,
        frameBackColor, frameBackImage);
    // Added after the 37 keys, so readers that do not know it skip it.
    store.GetItem("fontstyle").SetAsInteger(Text ? static_cast<int32_t>(Text->GetFont()->GetStyle()) : 0);

    store.SaveToFile(fileName);
}

void TfrmMain::btnSaveClick(rtl::TObject*)
{
    std::error_code error;
    if (m_fileName.empty() || !std::filesystem::is_regular_file(m_fileName, error)) {
        platform::ui::SaveFileOptions options;
        options.filter = kFilter;
        options.defaultExtension = kExtension;
        options.overwritePrompt = true;
        options.owner = GetWindow();
        options.fileName = m_fileName;
        const std::optional<std::string> chosen = platform::ui::Dialogs::SaveFile(options);
        if (!chosen)
            return;
        m_fileName = *chosen;
    }
    try {
        SaveDesign(m_fileName);
    } catch (const std::exception& e) {
        platform::ui::Dialogs::ShowError(
            "The design could not be saved to " + m_fileName + ".\n" + e.what(), GetWindow());
    }
}

// ---- loading ------------------------------------------------------------------------------------

namespace {

// Everything of a design file, read and checked before any control changes.
struct Design {
    ThvPoint camera {}, lightRot {}, lightPos {};
    std::string backgroundColor;
    bool transparent = false;
    std::u16string text;
    std::string font;
    float fontSize = 0, textDepth = 0;
    struct FaceValues {
        std::string mode, color;
        std::unique_ptr<TwzBitmap> picture;
    };
    FaceValues faces[6];
    float frameDepth = 0, paddingHorz = 0, paddingVert = 0, radius = 0;
    int32_t corner = 0;
    bool topLeft = false, topRight = false, bottomLeft = false, bottomRight = false;
    bool frameVisible = false;
    int32_t fontStyle = 0;
};

// A design file is the object text of one object of class "Root" without a name: any other
// object text (a stored window, a style) is no design, even though the store could read it.
void RequireDesignHeader(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw rtl::FileOpenError("Cannot open file \"" + fileName + "\".");
    std::string head(256, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    size_t at = 0;
    if (head.rfind("\xEF\xBB\xBF", 0) == 0)
        at = 3;
    while (at < head.size() && std::isspace(static_cast<unsigned char>(head[at])))
        ++at;
    size_t end = head.find_first_of("\r\n", at);
    if (end == std::string::npos)
        end = head.size();
    std::string line = head.substr(at, end - at);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    for (char& c : line)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (line != "object root")
        throw rtl::ReadError("The file is not a Glyphforge design.");
}

Design ReadDesign(const std::string& fileName)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    if (!error && size > kMaxDesignFileBytes)
        throw rtl::ReadError("The file is too large to be a design file.");
    RequireDesignHeader(fileName);
    TwzStorage store;
    store.LoadFromFile(fileName);
    RequireKinds(store);

    Design d;
    d.camera = hvStrToPoint(Narrow(store.GetItem("camera")));
    d.lightRot = hvStrToPoint(Narrow(store.GetItem("lightrot")));
    d.lightPos = hvStrToPoint(Narrow(store.GetItem("lightpos")));
    for (float v : { d.camera.X, d.camera.Y, d.camera.Z, d.lightRot.X, d.lightRot.Y, d.lightRot.Z,
             d.lightPos.X, d.lightPos.Y, d.lightPos.Z })
        if (!std::isfinite(v))
            Damaged("camera");
    d.backgroundColor = ColorText(store, "backgroundcolor");
    d.transparent = store.GetItem("background").GetAsBoolean();
    d.text = store.GetItem("text").GetAsString();
    if (d.text.size() > kMaxTextLength)
        throw rtl::ReadError("The design's text is too long (" + std::to_string(d.text.size())
            + " characters; at most " + std::to_string(kMaxTextLength) + ").");
    d.font = Narrow(store.GetItem("font"));
    if (d.font.size() > kMaxFontNameLength)
        Damaged("font");
    d.fontSize = FloatOf(store, "fontsize");
    d.textDepth = FloatOf(store, "textdepth");
    const char* const faceKeys[6][3] = {
        { "front", "frontdiffuse", "frontbitmap" },
        { "left", "leftdiffuse", "leftbitmap" },
        { "back", "backdiffuse", "backbitmap" },
        { "framefront", "framefrontdiffuse", "framefrontbitmap" },
        { "frameleft", "frameleftdiffuse", "frameleftbitmap" },
        { "frameback", "framebackdiffuse", "framebackbitmap" },
    };
    const char* const pictureKeys[6]
        = { faceKeys[0][2], faceKeys[1][2], faceKeys[2][2], faceKeys[3][2], faceKeys[4][2], faceKeys[5][2] };
    RequirePictureBudget(store, pictureKeys);
    for (int i = 0; i < 6; ++i) {
        d.faces[i].mode = Narrow(store.GetItem(faceKeys[i][0]));
        d.faces[i].color = ColorText(store, faceKeys[i][1]);
        d.faces[i].picture = PictureOf(store, faceKeys[i][2]);
    }
    d.frameDepth = FloatOf(store, "framedepth");
    d.paddingHorz = FloatOf(store, "framepaddinghorz");
    d.paddingVert = FloatOf(store, "framepaddingvert");
    d.corner = store.GetItem("framecorner").GetAsInteger();
    d.topLeft = store.GetItem("frametopleft").GetAsBoolean();
    d.topRight = store.GetItem("frametopright").GetAsBoolean();
    d.bottomLeft = store.GetItem("framebottomleft").GetAsBoolean();
    d.bottomRight = store.GetItem("framebottomright").GetAsBoolean();
    d.radius = FloatOf(store, "frameradius");
    d.frameVisible = store.GetItem("framevis").GetAsBoolean();
    d.fontStyle = store.GetItem("fontstyle").GetAsInteger();
    return d;
}

// Turns an object to the angles given, about X, then Y, then Z, as a stored description
// turns it: the current turns are undone in reverse order first. Setting a whole point at
// once would only store the angles.
void SetAngles(ThvVisualObject& object, const ThvPoint& angles)
{
    ThvPosition* rotate = object.GetRotateAngle();
    if (rotate->GetPoint() == angles)
        return;
    rotate->SetZ(0);
    rotate->SetY(0);
    rotate->SetX(0);
    rotate->SetX(angles.X);
    rotate->SetY(angles.Y);
    rotate->SetZ(angles.Z);
}

void SetChecked(TwzToggleControl* box, bool value)
{
    if (box)
        box->SetIsChecked(value);
}

void SetTrack(TwzCustomTrack* track, float value)
{
    if (track)
        track->SetValue(value);
}

} // namespace

void TfrmMain::LoadDesign(const std::string& fileName)
{
    Design d = ReadDesign(fileName);
    rtl::Watch<TfrmMain> self(this);
    // The frame update runs once, at the end, instead of after every control.
    m_updateSuspended = true;

    if (CameraX)
        CameraX->GetRotateAngle()->SetX(d.camera.X);
    if (CameraZ)
        CameraZ->GetRotateAngle()->SetZ(d.camera.Y);
    if (Camera1)
        Camera1->GetPosition()->SetY(d.camera.Z);
    if (Light1) {
        SetAngles(*Light1, d.lightRot);
        Light1->GetPosition()->SetPoint(d.lightPos);
    }

    if (colorBackground)
        colorBackground->SetColor(d.backgroundColor.empty() ? "#FF000000" : d.backgroundColor);
    if (d.transparent)
        SetChecked(radioTransparent, true);

    if (textEditor)
        textEditor->SetText(d.text);
    else if (Text)
        Text->SetText(d.text);
    if (Text) {
        if (!d.font.empty())
            Text->GetFont()->SetFamily(d.font);
        Text->GetFont()->SetStyle(static_cast<ThvFontStyle>(std::clamp(d.fontStyle, 0, 3)));
    }
    // The slider shows the size as far as its range goes; the lettering takes the size itself.
    const float fontSize = LetteringFontSize(d.fontSize);
    SetTrack(trackSize, fontSize);
    if (Text)
        Text->GetFont()->SetSize(fontSize);
    SetTrack(trackDepth, d.textDepth);

    auto applyFace = [&](Face face, Design::FaceValues& values) {
        const FaceParts parts = PartsOf(face);
        if (parts.material)
            parts.material->SetBitmap(values.mode);
        auto setPicture = [&] {
            if (!parts.picture)
                return;
            const int before = m_faceChanges;
            rtl::SetPropValue(
                *parts.picture, "Bitmap", rtl::TValue(static_cast<rtl::TObject*>(values.picture.get())));
            // An image control whose look is not applied yet raises no change: run the
            // handler as the change would have.
            if (m_faceChanges == before)
                SetFacePicture(face);
        };
        auto setColor = [&] {
            if (parts.color)
                parts.color->SetColor(values.color.empty() ? "#FF000000" : values.color);
            else
                SetFaceColor(face);
        };
        if (values.mode.empty()) {
            setPicture();
            setColor();
        } else {
            setColor();
            setPicture();
        }
    };
    for (Face face : { Face::TextFront, Face::TextLeft, Face::TextBack })
        applyFace(face, d.faces[static_cast<int>(face)]);

    SetTrack(trackFrameDepth, d.frameDepth);
    SetTrack(trackFramePaddingHorz, d.paddingHorz);
    SetTrack(trackFramePaddingVert, d.paddingVert);
    if (listFrameCorner)
        rtl::SetPropValue(*listFrameCorner, "ItemIndex", rtl::TValue(static_cast<int64_t>(d.corner)));
    SetChecked(checkFrameTopLeft, d.topLeft);
    SetChecked(checkFrameTopRight, d.topRight);
    SetChecked(checkFrameBottomLeft, d.bottomLeft);
    SetChecked(checkFrameBottomRight, d.bottomRight);
    SetTrack(trackFrameRadius, d.radius);

    for (Face face : { Face::FrameFront, Face::FrameLeft, Face::FrameBack })
        applyFace(face, d.faces[static_cast<int>(face)]);

    SetChecked(checkFrame, d.frameVisible);
    if (!self)
        return;
    m_updateSuspended = false;
    UpdateFrame();
    // The pictures were built for the sizes before the update: build the ones in use again.
    for (Face face : { Face::TextBack, Face::FrameBack }) {
        const FaceParts parts = PartsOf(face);
        if (parts.material && !parts.material->GetBitmap().empty())
            BuildFace(face);
    }
}

void TfrmMain::btnLoadClick(rtl::TObject*)
{
    platform::ui::OpenFileOptions options;
    options.filter = kFilter;
    options.owner = GetWindow();
    const std::optional<std::string> chosen = platform::ui::Dialogs::OpenFile(options);
    if (!chosen)
        return;
    OpenDesign(*chosen);
}

bool TfrmMain::OpenDesign(const std::string& fileName)
{
    rtl::Watch<TfrmMain> self(this);
    try {
        LoadDesign(fileName);
    } catch (const std::exception& e) {
        if (self)
            m_updateSuspended = false;
        platform::ui::Dialogs::ShowError("The design file " + fileName + " could not be loaded.\n" + e.what(),
            self ? GetWindow() : nullptr);
        return false;
    }
    if (self)
        m_fileName = fileName;
    return true;
}
