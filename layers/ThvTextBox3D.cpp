// The extruded single-line text box: the shared editing core hosted in the 3D scene, its text
// outlined once per change and extruded, the caret and selection as thin boxes.

#include "layers/ThvTextBox3D.h"

#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int32_t kIBeamCursor = -4;
/// Layout units per box unit.
constexpr float kLayoutScale = 10;
constexpr float kOutlineFlatness = 0.25f;
/// Wide enough for any line: measuring never wraps or clips.
constexpr float kMeasureWidth = 65535;
/// How far the caret and the selection stand out of the text's front and back faces, twice.
constexpr float kMarkDepthExtra = 0.002f;
/// The picking box: a little larger than the box itself.
constexpr float kPickExtent = 0.501f;

constexpr rtl::TPropInfo kTextBox3DProps[] = {
    RTL_PROP(ThvTextBox3D, Text, WideString, u""),
    RTL_PROP(ThvTextBox3D, Font, Class, rtl::kNoDefault),
    RTL_PROP(ThvTextBox3D, Password, Boolean, false),
    RTL_PROP(ThvTextBox3D, Background, String, "#B0505050"),
    RTL_PROP(ThvTextBox3D, Selection, String, "#802A8ADF"),
    RTL_PROP(ThvTextBox3D, ShowBackground, Boolean, true),
    RTL_PROP(ThvTextBox3D, ReadOnly, Boolean, false),
    RTL_PROP(ThvVisualObject, CanFocused, Boolean, true),
    RTL_PROP(ThvVisualObject, Cursor, Integer, kIBeamCursor).WithTypeName("TCursor"),
    RTL_PROP(ThvVisualObject, Width, Float, 10.0),
    RTL_PROP(ThvVisualObject, Height, Float, 2.0),
};

constexpr rtl::TEventInfo kTextBox3DEvents[] = {
    RTL_EVENT(ThvTextBox3D, OnChange),
    RTL_EVENT(ThvTextBox3D, OnTyping),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvTextBox3D, .props = kTextBox3DProps, .events = kTextBox3DEvents)

ThvTextBox3D::ThvTextBox3D(rtl::TComponent* owner)
    : ThvShape3D(owner)
    , controls::TextEditor(static_cast<rtl::TComponent&>(*this))
    , m_font(std::make_unique<ThvFont>())
    , m_background("#B0505050")
    , m_selection("#802A8ADF")
{
    m_font->OnChanged.Bind<&ThvTextBox3D::FontChanged>(this);
    SetCanFocused(true);
    SetCursor(kIBeamCursor);
    SetAutoCapture(true);
    SetWidth(10);
    SetHeight(2);
}

ThvTextBox3D::~ThvTextBox3D() = default;

// ---- published --------------------------------------------------------------------------------

void ThvTextBox3D::SetText(const std::u16string& value)
{
    if (value == GetText())
        return;
    StoreText(value);
    // Text set from code keeps the caret within it.
    if (GetCaretPosition() > static_cast<int32_t>(value.size()))
        SetCaretPosition(static_cast<int32_t>(value.size()));
    SetModified(true);
    m_marksValid = false;
    Repaint();
}

void ThvTextBox3D::SetFont(ThvFont* value)
{
    if (value)
        m_font->Assign(*value);
}

void ThvTextBox3D::FontChanged(rtl::TObject*)
{
    m_layoutCanvas.reset();
    m_layoutCanvasFailed = false;
    ++m_fontSerial;
    Repaint();
}

void ThvTextBox3D::SetPassword(bool value)
{
    if (value == GetPassword())
        return;
    StorePassword(value);
    m_marksValid = false;
    Repaint();
}

void ThvTextBox3D::SetBackground(const std::string& value)
{
    if (value == m_background)
        return;
    m_background = value;
    Repaint();
}

void ThvTextBox3D::SetSelection(const std::string& value)
{
    if (value == m_selection)
        return;
    m_selection = value;
    Repaint();
}

void ThvTextBox3D::SetShowBackground(bool value)
{
    if (value == m_showBackground)
        return;
    m_showBackground = value;
    Repaint();
}

// ---- editing ----------------------------------------------------------------------------------

void ThvTextBox3D::SelectAll()
{
    StoreCaret(0);
    StoreSelection(0, static_cast<int32_t>(GetText().size()));
    EditInvalidate();
}

void ThvTextBox3D::EditInvalidate()
{
    m_marksValid = false;
    Repaint();
}

void ThvTextBox3D::Typing()
{
    OnTyping(this);
}

void ThvTextBox3D::Change()
{
    if (GetModified())
        OnChange(this);
}

TwzRect ThvTextBox3D::LayoutBox() const
{
    return MakeRect(0, 0, kLayoutScale * GetWidth(), kLayoutScale * GetHeight());
}

TwzCanvas* ThvTextBox3D::LayoutCanvas()
{
    if (m_layoutCanvas || m_layoutCanvasFailed)
        return m_layoutCanvas.get();
    m_layoutCanvasFailed = true;
    if (!DefaultCanvasClass)
        return nullptr;
    try {
        m_layoutCanvas = DefaultCanvasClass->Create(1, 1);
    } catch (const rtl::Exception&) {
        return nullptr;
    }
    if (!m_layoutCanvas)
        return nullptr;
    TwzFont& font = m_layoutCanvas->GetFont();
    font.SetFamily(m_font->GetFamily());
    font.SetStyle(static_cast<TwzFontStyle>(m_font->GetStyle()));
    font.SetSize(m_font->GetSize());
    m_layoutCanvasFailed = false;
    return m_layoutCanvas.get();
}

float ThvTextBox3D::MeasureWidth(std::u16string_view text)
{
    TwzCanvas* canvas = LayoutCanvas();
    if (!canvas || text.empty())
        return 0;
    const TwzRect box = MakeRect(0, 0, kMeasureWidth, kLayoutScale * GetHeight());
    TwzRect r = box;
    canvas->MeasureText(r, box, std::u16string(text), false, wzTextAlignNear, wzTextAlignCenter);
    return r.Right / kLayoutScale;
}

controls::TextEditFrame ThvTextBox3D::EditFrame()
{
    return { 0, GetWidth(), wzTextAlignNear };
}

// ---- focus, keys, mouse -----------------------------------------------------------------------

void ThvTextBox3D::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    Inherited::KeyDown(key, keyChar, shift);
    EditKeyDown(key, keyChar, shift);
}

void ThvTextBox3D::KeyUp(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    Inherited::KeyUp(key, keyChar, shift);
}

void ThvTextBox3D::EnterFocus()
{
    Inherited::EnterFocus();
    SetCaretPosition(static_cast<int32_t>(GetText().size()));
    SetModified(false);
}

void ThvTextBox3D::KillFocus()
{
    Inherited::KillFocus();
    Change();
}

void ThvTextBox3D::ContextMenu(const TwzPoint& point)
{
    rtl::Watch<ThvTextBox3D> self(this);
    Inherited::ContextMenu(point);
    if (!self || InDesignMode())
        return;
    PopupEditMenu({ std::round(point.X), std::round(point.Y) });
}

void ThvTextBox3D::MouseDown2D(TMouseButton button, TShiftState, float x, float)
{
    if (button == TMouseButton::Left)
        EditMouseDown(x, false);
}

void ThvTextBox3D::MouseMove2D(TShiftState, float x, float)
{
    EditMouseMove(x);
}

void ThvTextBox3D::MouseUp2D(TMouseButton, TShiftState, float, float)
{
    EditMouseUp();
}

bool ThvTextBox3D::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    const std::array<float, 3> half
        = { kPickExtent * GetWidth(), kPickExtent * GetHeight(), kPickExtent * GetDepth() };
    const std::array<float, 3> origin = { rayPos.X, rayPos.Y, rayPos.Z };
    const std::array<float, 3> dir = { rayDir.X, rayDir.Y, rayDir.Z };
    // +X, +Y, +Z, -X, -Y, -Z: a ray running along n enters through the face on the -n side.
    for (int face = 0; face < 6; ++face) {
        const int axis = face % 3;
        const float sign = face < 3 ? 1.0f : -1.0f;
        const float along = dir[axis] * sign;
        if (!(along > 0))
            continue;
        const float t = -(half[axis] + origin[axis] * sign) / along;
        std::array<float, 3> p {};
        bool inside = true;
        for (int i = 0; i < 3; ++i) {
            p[i] = origin[i] + t * dir[i];
            if (!(std::fabs(p[i]) <= half[i] + 1e-6f * std::max(1.0f, half[i])))
                inside = false;
        }
        const float ahead
            = (p[0] - origin[0]) * dir[0] + (p[1] - origin[1]) * dir[1] + (p[2] - origin[2]) * dir[2];
        if (!inside || !(ahead > 0))
            continue;
        hit = hvPointToVector(LocalToAbsolute(ThvPoint { p[0], p[1], p[2] }), 1);
        return true;
    }
    return false;
}

// ---- painting ---------------------------------------------------------------------------------

void ThvTextBox3D::UpdateOutline()
{
    OutlineKey key;
    if (!GetPassword())
        key.text = std::u16string(VisibleText());
    key.width = GetWidth();
    key.height = GetHeight();
    key.font = m_fontSerial;
    if (key == m_outlineKey)
        return;
    m_outlineKey = std::move(key);
    m_outline.clear();
    m_hasOutline = false;
    if (m_outlineKey.text.empty())
        return;
    TwzCanvas* canvas = LayoutCanvas();
    if (!canvas)
        return;
    ++m_outlineBuilds;
    TwzPathData path;
    if (!canvas->TextToPath(path, LayoutBox(), m_outlineKey.text, false, wzTextAlignNear, wzTextAlignCenter))
        return;
    // The letters are small beside the shapes the shape's Flatness is made for: their curves
    // are flattened four times finer whatever Flatness says.
    const TwzPoint extent = path.FlattenPath(m_outline, kOutlineFlatness);
    m_hasOutline = extent.X > 0 && extent.Y > 0 && !m_outline.empty();
    m_outlineStamp = hvNewOutlineStamp();
}

void ThvTextBox3D::UpdateMarks()
{
    if (m_marksValid && m_marksWidth == GetWidth() && m_marksHeight == GetHeight()
        && m_marksFont == m_fontSerial)
        return;
    m_marksValid = true;
    m_marksWidth = GetWidth();
    m_marksHeight = GetHeight();
    m_marksFont = m_fontSerial;
    m_charWidth = GetPassword() ? CharWidth() : 0;
    const float size = m_font->GetSize();
    if (GetSelLength() == 0) {
        m_markLeft = GetCharX(GetCaretPosition());
        m_markRight = m_markLeft + size / 100;
    } else {
        m_markLeft = GetCharX(GetSelStart());
        m_markRight = GetCharX(GetSelStart() + GetSelLength());
    }
}

void ThvTextBox3D::Render()
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    if (ThvFont* font = canvas->GetFont())
        font->Assign(*m_font);
    const float width = GetWidth();
    const float height = GetHeight();
    const float depth = GetDepth();
    const float opacity = GetAbsoluteOpacity();
    const float fontSize = m_font->GetSize();
    const ThvVector center { width / 2, height / 2, 0, 1 };
    UpdateMarks();

    if (GetPassword()) {
        const float side = 0.4f * fontSize / kLayoutScale;
        TwzRect square = MakeRect(0, height / 2 - side / 2, side, height / 2 + side / 2);
        const size_t count = GetText().size();
        for (size_t i = 0; i < count; ++i) {
            canvas->FillRect(square, depth, opacity);
            square.Left += m_charWidth;
            square.Right += m_charWidth;
        }
    } else {
        UpdateOutline();
        if (m_hasOutline)
            canvas->FillKeptPolygon(m_outlineStamp, center, { width, height, depth, 1 }, LayoutBox(),
                m_outline, opacity, true, true, true);
    }

    if (m_showBackground && canvas->GetMaterial()) {
        canvas->GetMaterial()->SetDiffuse(m_background);
        canvas->FillCube(center, { width, height, 0.01f, 1 }, opacity);
    }

    if (GetIsFocused() && canvas->GetMaterial()) {
        canvas->GetMaterial()->SetDiffuse(m_selection);
        const float halfHeight = GetSelLength() == 0 ? fontSize / 20 : (fontSize / kLayoutScale) / 1.8f;
        const TwzRect mark
            = MakeRect(m_markLeft, height / 2 - halfHeight, m_markRight, height / 2 + halfHeight);
        canvas->FillRect(mark, depth + kMarkDepthExtra, opacity);
    }
    DrawDesignBox();
}
