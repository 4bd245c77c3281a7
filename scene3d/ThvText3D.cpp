#include "scene3d/ThvText3D.h"

#include "scene3d/ThvFont.h"

#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"

namespace {

constexpr rtl::TPropInfo kText3DProps[] = {
    RTL_PROP(ThvVisualObject, Width, Float, 3.0),
    RTL_PROP(ThvVisualObject, Height, Float, 1.0),
    RTL_PROP(ThvVisualObject, Depth, Float, 0.3),
    RTL_PROP(ThvText3D, Font, Class, rtl::kNoDefault),
    RTL_PROP(ThvText3D, HorzTextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(ThvText3D, VertTextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(ThvText3D, Text, WideString, u""),
    RTL_PROP(ThvText3D, Stretch, Boolean, false),
    RTL_PROP(ThvText3D, WordWrap, Boolean, true),
};

/// Layout units per object unit.
constexpr float kLayoutScale = 10;

} // namespace

RTL_IMPLEMENT_CLASS(ThvText3D, .props = kText3DProps)

ThvText3D::ThvText3D(rtl::TComponent* owner)
    : ThvShape3D(owner)
    , m_font(std::make_unique<ThvFont>())
{
    m_font->OnChanged.Bind<&ThvText3D::FontChanged>(this);
    SetFlatness(1);
    SetDepth(0.3f);
    SetWidth(3);
    SetHeight(1);
    SetZWrite(true);
}

ThvText3D::~ThvText3D() = default;

void ThvText3D::FontChanged(rtl::TObject*)
{
    Repaint();
}

void ThvText3D::SetFont(ThvFont* value)
{
    if (value)
        m_font->Assign(*value);
}

void ThvText3D::SetText(const std::u16string& value)
{
    if (value == m_text)
        return;
    m_text = value;
    Repaint();
}

void ThvText3D::SetHorzTextAlign(TwzTextAlign value)
{
    if (value == m_horzTextAlign)
        return;
    m_horzTextAlign = value;
    Repaint();
}

void ThvText3D::SetVertTextAlign(TwzTextAlign value)
{
    if (value == m_vertTextAlign)
        return;
    m_vertTextAlign = value;
    Repaint();
}

void ThvText3D::SetStretch(bool value)
{
    if (value == m_stretch)
        return;
    m_stretch = value;
    Repaint();
}

void ThvText3D::SetWordWrap(bool value)
{
    m_wordWrap = value;
}

TwzRect ThvText3D::LayoutBox() const
{
    return MakeRect(0, 0, kLayoutScale * GetWidth(), kLayoutScale * GetHeight());
}

std::unique_ptr<TwzCanvas> ThvText3D::CreateLayoutCanvas() const
{
    if (m_text.empty() || !DefaultCanvasClass)
        return nullptr;
    std::unique_ptr<TwzCanvas> canvas;
    try {
        canvas = DefaultCanvasClass->Create(1, 1);
    } catch (const rtl::Exception&) {
        return nullptr;
    }
    if (!canvas)
        return nullptr;
    TwzFont& font = canvas->GetFont();
    font.SetFamily(m_font->GetFamily());
    font.SetStyle(static_cast<TwzFontStyle>(m_font->GetStyle()));
    font.SetSize(m_font->GetSize());
    return canvas;
}

ThvText3D::LayoutKey ThvText3D::MakeLayoutKey() const
{
    return { m_text, m_font->GetFamily(), static_cast<int32_t>(m_font->GetStyle()), m_font->GetSize(),
        GetWidth(), GetHeight(), m_wordWrap, DefaultCanvasClass };
}

ThvText3D::OutlineKey ThvText3D::MakeOutlineKey() const
{
    return { MakeLayoutKey(), m_horzTextAlign, m_vertTextAlign, m_stretch, GetFlatness() };
}

TwzRect ThvText3D::GetTextBounds() const
{
    if (m_text.empty())
        return {};
    if (m_stretch)
        return MakeRect(0, 0, GetWidth(), GetHeight());
    LayoutKey key = MakeLayoutKey();
    if (m_keptBounds && m_keptBounds->first == key)
        return m_keptBounds->second;
    const std::unique_ptr<TwzCanvas> layout = CreateLayoutCanvas();
    if (!layout)
        return {};
    const TwzRect box = LayoutBox();
    TwzRect r = box;
    layout->MeasureText(r, box, m_text, m_wordWrap, wzTextAlignNear, wzTextAlignNear);
    const TwzRect bounds = MakeRect(0, 0, r.Right / kLayoutScale, r.Bottom / kLayoutScale);
    m_keptBounds.emplace(std::move(key), bounds);
    return bounds;
}

float ThvText3D::GetOutlineLength() const
{
    OutlineKey key = MakeOutlineKey();
    if (m_keptLength && m_keptLength->first == key)
        return m_keptLength->second;
    const std::unique_ptr<TwzCanvas> layout = CreateLayoutCanvas();
    if (!layout)
        return 0;
    const TwzRect box = LayoutBox();
    TwzPathData path;
    if (m_stretch) {
        layout->TextToPath(path, box, m_text, m_wordWrap, m_horzTextAlign, m_vertTextAlign);
    } else {
        TwzRect r = box;
        layout->MeasureText(r, box, m_text, m_wordWrap, wzTextAlignNear, m_vertTextAlign);
        layout->TextToPath(path, r, m_text, m_wordWrap, m_horzTextAlign, m_vertTextAlign);
    }
    TwzPolygon polygon;
    path.FlattenPath(polygon, GetFlatness());
    const float length = scene3d::OutlineLength(polygon) / kLayoutScale;
    m_keptLength.emplace(std::move(key), length);
    return length;
}

bool ThvText3D::BuildOutline(OutlineKey key)
{
    m_outline = {};
    const std::unique_ptr<TwzCanvas> layout = CreateLayoutCanvas();
    if (!layout)
        return false;
    m_outline.BuiltFrom = std::move(key);
    const TwzRect box = LayoutBox();
    TwzPathData path;
    if (!layout->TextToPath(path, box, m_text, m_wordWrap, m_horzTextAlign, m_vertTextAlign))
        return true;
    m_outline.BoxWidth = GetWidth();
    m_outline.BoxHeight = GetHeight();
    m_outline.Rect = {};
    if (!m_stretch) {
        // The text keeps its place and proportions on the face (one layout unit is a tenth
        // of an object unit); the box grows where the text overflows the layout box.
        TwzRect r = box;
        layout->MeasureText(r, box, m_text, m_wordWrap, m_horzTextAlign, m_vertTextAlign);
        if (!m_wordWrap) {
            const float width = RectWidth(r);
            const float height = RectHeight(r);
            r = m_horzTextAlign == wzTextAlignFar ? MakeRect(box.Right - width, 0, box.Right, height)
                                                  : MakeRect(0, 0, box.Right, height);
        }
        m_outline.Rect = RectUnion(r, box);
        m_outline.BoxWidth = RectWidth(m_outline.Rect) / kLayoutScale;
        m_outline.BoxHeight = RectHeight(m_outline.Rect) / kLayoutScale;
    }
    FlattenOutline(path, m_outline);
    return true;
}

void ThvText3D::Render()
{
    // Without a layout canvas (an empty text among others) nothing is drawn, not even the
    // design box, and nothing is kept: the next paint tries again.
    OutlineKey key = MakeOutlineKey();
    if (m_outline.BuiltFrom != key && !BuildOutline(std::move(key)))
        return;
    if (m_outline.Drawable) {
        ExtrudeFaces(OutlineCenter(), { m_outline.BoxWidth, m_outline.BoxHeight, GetDepth(), 1 },
            m_outline.Rect, m_outline.Polygon, m_outline.Stamp);
    }
    DrawDesignBox();
}
