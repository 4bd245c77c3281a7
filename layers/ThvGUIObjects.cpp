// The screen-space objects: layout, plane, picture, text and selection, their older stream
// names and their registration.

#include "layers/ThvGUIObjects.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "scene3d/Library3D.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvPosition.h"
#include "ui2d/TwzText.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

/// The rows every screen object shares: the plate's rows with the screen sizes as defaults.
#define HV_GUI_PROPS(width, height)                                                                          \
    HV_CUSTOM_LAYER_PROPS, RTL_PROP(ThvVisualObject, Width, Float, width),                                   \
        RTL_PROP(ThvVisualObject, Height, Float, height),                                                    \
        RTL_PROP(ThvCustomLayer, LayerAlign, Enum, hvLayerNone)

constexpr rtl::TPropInfo kLayoutProps[] = {
    HV_GUI_PROPS(256.0, 256.0),
    RTL_PROP(ThvVisualObject, ZWrite, Boolean, false),
};

constexpr rtl::TPropInfo kPlaneProps[] = {
    HV_GUI_PROPS(256.0, 256.0),
    RTL_PROP(ThvGUIPlane, Material, Class, rtl::kNoDefault),
    RTL_PROP(ThvVisualObject, ZWrite, Boolean, false),
};

constexpr rtl::TPropInfo kImageProps[] = {
    HV_GUI_PROPS(256.0, 256.0),
    RTL_PROP(ThvGUIImage, Bitmap, Class, rtl::kNoDefault),
    RTL_PROP(ThvGUIImage, WrapMode, Enum, wzImageStretch),
    RTL_PROP(ThvVisualObject, HitTest, Boolean, false),
    RTL_PROP(ThvVisualObject, ZWrite, Boolean, false),
};

constexpr rtl::TPropInfo kTextProps[] = {
    HV_GUI_PROPS(256.0, 256.0),
    RTL_PROP(ThvGUIText, Font, Class, rtl::kNoDefault),
    RTL_PROP(ThvGUIText, Fill, Class, rtl::kNoDefault),
    RTL_PROP(ThvGUIText, Text, WideString, rtl::kNoDefault),
    RTL_PROP(ThvCustomObjectLayer, TextRendering, Enum, wzAntiAlias),
    RTL_PROP(ThvVisualObject, HitTest, Boolean, false),
    RTL_PROP(ThvVisualObject, ZWrite, Boolean, false),
};

constexpr rtl::TPropInfo kSelectionProps[] = {
    HV_GUI_PROPS(100.0, 100.0),
    RTL_PROP(ThvVisualObject, Depth, Float, 1.0),
    RTL_PROP(ThvGUISelection, GripSize, Float, rtl::kNoDefault),
    RTL_PROP(ThvGUISelection, MinSize, Integer, 15),
};

/// A random opaque colour: red, green and blue together one number in 0..$FFFFFE.
uint32_t RandomOpaqueColor()
{
    static std::mt19937 generator { std::random_device {}() };
    return 0xFF000000u | std::uniform_int_distribution<uint32_t>(0, 0xFFFFFE)(generator);
}

} // namespace

RTL_IMPLEMENT_CLASS(ThvGUILayout, .props = kLayoutProps)
RTL_IMPLEMENT_CLASS(ThvGUIPlane, .props = kPlaneProps)
RTL_IMPLEMENT_CLASS(ThvGUIImage, .props = kImageProps)
RTL_IMPLEMENT_CLASS(ThvGUIText, .props = kTextProps)
RTL_IMPLEMENT_CLASS(ThvGUISelection, .props = kSelectionProps)
RTL_IMPLEMENT_CLASS(ThvScreenImage)
RTL_IMPLEMENT_CLASS(ThvScreenDummy)

void BuildUnitSquare(ThvMeshData& mesh)
{
    std::vector<ThvTexVertexNormal>& vertices = mesh.Vertices();
    vertices.resize(4);
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            const auto u = static_cast<float>(j);
            const auto v = static_cast<float>(i);
            vertices[2 * static_cast<size_t>(i) + static_cast<size_t>(j)]
                = hvTexVertexNormal(u - 0.5f, v - 0.5f, 0, 0, 0, 1, u, v);
        }
    }
    mesh.Indices() = { 0, 1, 2, 2, 1, 3 };
}

// ---- layout -------------------------------------------------------------------------------

ThvGUILayout::ThvGUILayout(rtl::TComponent* owner)
    : ThvCustomLayer(owner)
{
    SetProjection(hvProjectionScreen);
    SetZWrite(false);
    SetWidth(256);
    SetHeight(256);
}

// ---- plane --------------------------------------------------------------------------------

ThvGUIPlane::ThvGUIPlane(rtl::TComponent* owner)
    : ThvCustomLayer(owner)
    , m_mesh(std::make_unique<ThvMeshData>())
    , m_material(std::make_unique<ThvMaterial>())
{
    BuildUnitSquare(*m_mesh);
    m_material->SetDiffuseColor(RandomOpaqueColor());
    m_material->OnChanged.Bind<&ThvGUIPlane::MaterialChanged>(this);
    SetProjection(hvProjectionScreen);
    SetZWrite(false);
    SetWidth(256);
    SetHeight(256);
}

ThvGUIPlane::~ThvGUIPlane() = default;

void ThvGUIPlane::SetMaterial(ThvMaterial* value)
{
    if (value && value != m_material.get())
        m_material->Assign(*value);
}

void ThvGUIPlane::MaterialChanged(rtl::TObject*)
{
    Repaint();
}

void ThvGUIPlane::BeforePaint()
{
    rtl::Watch<ThvGUIPlane> self(this);
    Inherited::BeforePaint();
    if (!self)
        return;
    if (ThvCanvas* canvas = GetCanvas())
        canvas->SetMaterial(*m_material);
}

void ThvGUIPlane::Render()
{
    if (ThvCanvas* canvas = GetCanvas())
        canvas->FillMesh(
            { 0, 0, 0, 1 }, { GetWidth(), GetHeight(), GetDepth(), 1 }, *m_mesh, GetAbsoluteOpacity());
}

void ThvGUIPlane::AfterPaint()
{
    Inherited::AfterPaint();
    if (ThvCanvas* canvas = GetCanvas()) {
        canvas->SetState(hvStateSolid);
        canvas->SetState(hvStateGouraud);
    }
}

// ---- picture ------------------------------------------------------------------------------

ThvGUIImage::ThvGUIImage(rtl::TComponent* owner)
    : ThvCustomLayer(owner)
    , m_bitmap(std::make_unique<ThvBitmap>(1, 1))
    , m_mesh(std::make_unique<ThvMeshData>())
{
    SetProjection(hvProjectionScreen);
    SetWidth(256);
    SetHeight(256);
    SetZWrite(false);
    SetHitTest(false);
    m_bitmap->OnChange.Bind<&ThvGUIImage::BitmapChanged>(this);
    BuildUnitSquare(*m_mesh);
}

ThvGUIImage::~ThvGUIImage() = default;

void ThvGUIImage::SetBitmap(ThvBitmap* value)
{
    if (value && value != m_bitmap.get())
        m_bitmap->Assign(*value);
}

void ThvGUIImage::BitmapChanged(rtl::TObject*)
{
    Repaint();
}

void ThvGUIImage::SetWrapMode(TwzImageWrap value)
{
    if (value == m_wrapMode)
        return;
    m_wrapMode = value;
    Repaint();
}

void ThvGUIImage::Render()
{
    ThvCanvas* canvas = GetCanvas();
    const int32_t bw = m_bitmap->GetWidth();
    const int32_t bh = m_bitmap->GetHeight();
    if (!canvas || int64_t { bw } * bh <= 0)
        return;
    const float opacity = GetAbsoluteOpacity();
    const float width = GetWidth();
    const float height = GetHeight();
    const auto fw = static_cast<float>(bw);
    const auto fh = static_cast<float>(bh);

    ThvMaterial& material = *canvas->GetMaterial();
    material.SetTexture(m_bitmap.get());
    material.SetDiffuseColor(hvColorOpacity(0xFFFFFFFF, opacity));
    material.SetLighting(false);
    material.SetBitmapMode(hvTexReplace);
    material.SetBitmapTileX(1);
    material.SetBitmapTileY(1);

    const auto draw = [&](float x, float y, float w, float h) {
        canvas->FillMesh({ x, y, 0, 1 }, { w, h, 0, 1 }, *m_mesh, opacity);
    };
    const auto round = [](float value) { return static_cast<float>(rtl::Round(value)); };
    switch (m_wrapMode) {
    case wzImageOriginal:
        // One texel a pixel, the picture's left-top corner on the object's.
        canvas->SetState(hvStateFilterPoint);
        draw(round(fw / 2 - width / 2), round(fh / 2 - height / 2), fw, fh);
        break;
    case wzImageFit: {
        canvas->SetState(hvStateFilterLinear);
        TwzRect r { 0, 0, fw, fh };
        RectFit(r, { 0, 0, width, height });
        draw(0, 0, r.Right - r.Left, r.Bottom - r.Top);
        break;
    }
    case wzImageStretch:
        canvas->SetState(hvStateFilterLinear);
        draw(0, 0, width, height);
        break;
    case wzImageTile: {
        if (bw <= 1 || bh <= 1)
            break;
        canvas->SetState(hvStateFilterPoint);
        // Whole tiles from the left-top corner; the last column and row may reach past the
        // edges. Sizes no window has are cut to a bounded number of tiles.
        const double columns = std::clamp(std::trunc(static_cast<double>(width) / bw), 0.0, 1e9) + 1;
        const double rows = std::clamp(std::trunc(static_cast<double>(height) / bh), 0.0, 1e9) + 1;
        const auto lastColumn = static_cast<int64_t>(std::min(columns, static_cast<double>(kMaxTiles))) - 1;
        const auto lastRow
            = static_cast<int64_t>(std::min(rows, std::max(1.0, std::floor(kMaxTiles / (lastColumn + 1.0)))))
            - 1;
        for (int64_t i = 0; i <= lastColumn; ++i) {
            for (int64_t j = 0; j <= lastRow; ++j) {
                const float left = -width / 2 + static_cast<float>(i) * fw;
                const float top = -height / 2 + static_cast<float>(j) * fh;
                draw(round(left + fw / 2), round(top + fh / 2), fw, fh);
            }
        }
        break;
    }
    }
    material.SetTexture(nullptr);
}

// ---- text ---------------------------------------------------------------------------------

ThvGUIText::ThvGUIText(rtl::TComponent* owner)
    : ThvCustomObjectLayer(owner)
{
    SetProjection(hvProjectionScreen);
    SetWidth(256);
    SetHeight(256);
    SetZWrite(false);
    SetHitTest(false);
    // Its text object is made here, not designed: a designed scene moves the layer as a whole.
    SetDesignMouseInput(false);
    m_textObject = new TwzText(this);
    m_textObject->SetLocked(true);
    m_textObject->SetStoredRecursive(false);
    AddObject(m_textObject);
}

TwzFont* ThvGUIText::GetFont() const
{
    return m_textObject->GetFont();
}

void ThvGUIText::SetFont(TwzFont* value)
{
    m_textObject->SetFont(value);
}

TwzBrush* ThvGUIText::GetFill() const
{
    return m_textObject->GetFill();
}

void ThvGUIText::SetFill(TwzBrush* value)
{
    m_textObject->SetFill(value);
}

std::u16string ThvGUIText::GetText() const
{
    return m_textObject->GetText();
}

void ThvGUIText::SetText(const std::u16string& value)
{
    m_textObject->SetText(value);
}

// ---- selection ----------------------------------------------------------------------------

ThvGUISelection::ThvGUISelection(rtl::TComponent* owner)
    : ThvCustomLayer(owner)
{
    SetProjection(hvProjectionScreen);
    SetAutoCapture(true);
    SetWidth(100);
    SetHeight(100);
    SetDepth(1);
}

void ThvGUISelection::SetGripSize(float value)
{
    if (value == m_gripSize)
        return;
    m_gripSize = value;
    Repaint();
}

void ThvGUISelection::SetMinSize(int32_t value)
{
    if (value != m_minSize)
        m_minSize = value;
    const auto minimum = static_cast<float>(m_minSize);
    if (GetWidth() < minimum)
        SetWidth(minimum);
    if (GetHeight() < minimum)
        SetHeight(minimum);
}

bool ThvGUISelection::OnGrip(Grip grip, float x, float y) const
{
    const float g = m_gripSize;
    const float left = grip == kLeftTop || grip == kLeftBottom ? -g : GetWidth() - g;
    const float top = grip == kLeftTop || grip == kRightTop ? -g : GetHeight() - g;
    return PointInRect({ x, y }, { left, top, left + 2 * g, top + 2 * g });
}

bool ThvGUISelection::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    // The grips reach past the edges: the plate is tried that much larger, with nothing
    // realigned or repainted on the way.
    const float width = GetWidth();
    const float height = GetHeight();
    const float depth = GetDepth();
    SetSizeFields(width + 2 * m_gripSize, height + 2 * m_gripSize, depth);
    const bool result = Inherited::RayCastIntersect(rayPos, rayDir, hit);
    SetSizeFields(width, height, depth);
    // While a drag holds the mouse, the points go on at the plate's scale beyond its edges.
    if (result && IsCaptured()) {
        HitOnPlatePlane(*this, rayPos, rayDir, hit);
    }
    return result;
}

void ThvGUISelection::Render()
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const float opacity = GetAbsoluteOpacity();
    const float g = m_gripSize;
    const float w = GetWidth() / 2;
    const float h = GetHeight() / 2;
    ThvMaterial& material = *canvas->GetMaterial();
    material.SetLighting(false);
    material.SetBitmap({});
    const ThvVector corners[] = { { -w, -h, 0, 1 }, { w, -h, 0, 1 }, { -w, h, 0, 1 }, { w, h, 0, 1 } };
    const ThvVector gripSize { 2 * g, 2 * g, 1, 1 };
    for (size_t i = 0; i < 4; ++i) {
        material.SetDiffuse(m_gripHot[i] || m_gripDragged[i] ? "#FFFF0000" : "#FFFFFFFF");
        canvas->FillCube(corners[i], gripSize, opacity);
        material.SetDiffuse("#FFFFFFFF");
        canvas->DrawCube(corners[i], gripSize, opacity);
    }
    canvas->DrawLine(corners[kLeftTop], corners[kRightTop], opacity);
    canvas->DrawLine(corners[kLeftBottom], corners[kRightBottom], opacity);
    canvas->DrawLine(corners[kLeftTop], corners[kLeftBottom], opacity);
    canvas->DrawLine(corners[kRightTop], corners[kRightBottom], opacity);
}

void ThvGUISelection::LayerMouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::LayerMouseDown(button, shift, x, y);
    if (button != TMouseButton::Left)
        return;
    for (size_t i = 0; i < 4; ++i) {
        if (OnGrip(static_cast<Grip>(i), x, y))
            m_gripDragged[i] = true;
    }
    m_pressed = true;
    m_pressX = x;
    m_pressY = y;
}

void ThvGUISelection::LayerMouseMove(TShiftState shift, float x, float y)
{
    Inherited::LayerMouseMove(shift, x, y);
    for (size_t i = 0; i < 4; ++i) {
        const bool hot = OnGrip(static_cast<Grip>(i), x, y);
        if (hot != m_gripHot[i]) {
            m_gripHot[i] = hot;
            Repaint();
        }
    }
    if (m_pressed)
        DragTo(x, y);
}

void ThvGUISelection::DragTo(float x, float y)
{
    const float u = x - m_pressX;
    const float v = y - m_pressY;
    const float w = GetWidth();
    const float h = GetHeight();
    const auto minimum = static_cast<float>(m_minSize);
    ThvPosition& position = *GetPosition();
    // Each axis by itself, and only to a size of at least MinSize; the position moves by half
    // the size change, so the opposite edge stays where it was.
    const auto resizeX = [&](float newWidth, bool followX) {
        if (newWidth < minimum)
            return;
        position.SetX(position.GetX() + u / 2);
        SetWidth(newWidth);
        if (followX)
            m_pressX = x;
    };
    const auto resizeY = [&](float newHeight, bool followY) {
        if (newHeight < minimum)
            return;
        position.SetY(position.GetY() + v / 2);
        SetHeight(newHeight);
        if (followY)
            m_pressY = y;
    };
    if (m_gripDragged[kLeftTop]) {
        // The grabbed corner moves with the mouse: the press point stays under it.
        resizeX(w - u, false);
        resizeY(h - v, false);
    } else if (m_gripDragged[kRightTop]) {
        resizeX(w + u, true);
        resizeY(h - v, false);
    } else if (m_gripDragged[kLeftBottom]) {
        resizeX(w - u, false);
        resizeY(h + v, true);
    } else if (m_gripDragged[kRightBottom]) {
        resizeX(w + u, true);
        resizeY(h + v, true);
    } else {
        position.SetX(position.GetX() + u);
        position.SetY(position.GetY() + v);
    }
}

void ThvGUISelection::LayerMouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::LayerMouseUp(button, shift, x, y);
    const bool dragging
        = m_pressed || std::any_of(m_gripDragged.begin(), m_gripDragged.end(), [](bool b) { return b; });
    if (!dragging)
        return;
    m_gripDragged = {};
    m_pressed = false;
    Repaint();
}

void ThvGUISelection::MouseLeave()
{
    Inherited::MouseLeave();
    m_gripHot = {};
    Repaint();
}

// ---- registration -------------------------------------------------------------------------

void RegisterGUIObjects()
{
    Register3DObjects<ThvGUILayout, ThvGUIImage, ThvGUIPlane, ThvGUIText, ThvGUISelection>("GUI");
    rtl::RegisterClass<ThvScreenImage>();
    rtl::RegisterClass<ThvScreenDummy>();
}
