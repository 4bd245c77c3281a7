#include "graphics/TwzBrush.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kBrushProps[] = {
    RTL_PROP(TwzBrush, Color, String, rtl::kNoDefault, &TwzBrush::IsColorStored).WithTypeName("TwzColor"),
    RTL_PROP(TwzBrush, Bitmap, Class, rtl::kNoDefault, &TwzBrush::IsBitmapStored),
    RTL_PROP(TwzBrush, Style, Enum, rtl::kNoDefault, &TwzBrush::IsStyleStored),
    RTL_PROP(TwzBrush, Gradient, Class, rtl::kNoDefault, &TwzBrush::IsGradientStored),
    RTL_PROP(TwzBrush, Resource, Class, rtl::kNoDefault, &TwzBrush::IsResourceStored),
    RTL_PROP(TwzBrush, Visual, Class, rtl::kNoDefault, &TwzBrush::IsVisualStored),
};

// A resource brush may name a resource whose brush is again a resource brush; a chain that
// comes back to itself must end somewhere.
constexpr int kMaxResourceChain = 32;

} // namespace

RTL_IMPLEMENT_CLASS(TwzBrush, .props = kBrushProps)

TwzBrush::TwzBrush(TwzBrushStyle defaultStyle, TwzColor defaultColor)
    : m_solidColor(defaultColor)
    , m_style(defaultStyle)
    , m_gradient(std::make_unique<TwzGradient>())
    , m_visual(std::make_unique<TwzVisual>())
    , m_defaultStyle(defaultStyle)
    , m_defaultColor(defaultColor)
    , m_resource(std::make_unique<TwzBrushResource>())
    , m_bitmap(std::make_unique<TwzBrushBitmap>())
{
    m_gradient->OnChanged.Bind<&TwzBrush::ContentChanged>(this);
    m_visual->OnChanged.Bind<&TwzBrush::ContentChanged>(this);
    m_resource->OnChanged.Bind<&TwzBrush::ContentChanged>(this);
    m_bitmap->OnChanged.Bind<&TwzBrush::ContentChanged>(this);
}

TwzBrush::~TwzBrush() = default;

void TwzBrush::ContentChanged(rtl::TObject*)
{
    OnChanged(this);
}

std::string TwzBrush::GetColor() const
{
    return ColorToText(m_solidColor);
}

void TwzBrush::SetColor(const std::string& value)
{
    SetSolidColor(TextToColor(value));
    if (m_style == wzBrushGradient)
        m_gradient->SetFirstStopColor(value);
}

void TwzBrush::SetBitmap(TwzBrushBitmap* value)
{
    if (value)
        m_bitmap->Assign(*value);
}

void TwzBrush::SetStyle(TwzBrushStyle value)
{
    if (value == m_style)
        return;
    m_style = value;
    OnChanged(this);
}

void TwzBrush::SetGradient(TwzGradient* value)
{
    if (value)
        m_gradient->Assign(*value);
}

void TwzBrush::SetResource(TwzBrushResource* value)
{
    if (value)
        m_resource->Assign(*value);
}

void TwzBrush::SetVisual(TwzVisual* value)
{
    if (value)
        m_visual->Assign(*value);
}

void TwzBrush::SetSolidColor(TwzColor value)
{
    if (value == m_solidColor)
        return;
    m_solidColor = value;
    OnChanged(this);
}

TwzColor TwzBrush::GetSolidColor()
{
    return SolidColorAt(0);
}

TwzColor TwzBrush::SolidColorAt(int depth)
{
    if (m_style == wzBrushResource && depth < kMaxResourceChain) {
        if (TwzBrush* brush = m_resource->GetBrush())
            return brush->SolidColorAt(depth + 1);
    }
    return m_solidColor;
}

bool TwzBrush::IsColorStored() const
{
    return m_style == wzBrushSolid && m_solidColor != m_defaultColor;
}

void TwzBrush::Assign(const rtl::TPersistent& source)
{
    auto* other = const_cast<TwzBrush*>(dynamic_cast<const TwzBrush*>(&source));
    if (!other)
        return Inherited::Assign(source);
    const rtl::TNotifyEvent onChanged = OnChanged;
    OnChanged.Clear();
    m_defaultStyle = other->m_defaultStyle;
    m_defaultColor = other->m_defaultColor;
    // A resource brush hands over the colour it paints with; resolving it may link the
    // source's resource, as any user of the source would.
    m_solidColor = other->GetSolidColor();
    m_style = other->m_style;
    if (other != this) {
        switch (m_style) {
        case wzBrushGradient:
            m_gradient->Assign(*other->m_gradient);
            break;
        case wzBrushBitmap:
            m_bitmap->Assign(*other->m_bitmap);
            break;
        case wzBrushResource:
            m_resource->Assign(*other->m_resource);
            break;
        case wzBrushVisual:
            m_visual->Assign(*other->m_visual);
            break;
        default:
            break;
        }
    }
    OnChanged = onChanged;
    OnChanged(this);
}
