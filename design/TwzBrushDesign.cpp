#include "design/TwzBrushDesign.h"

#include "controls/TwzAngleButton.h"
#include "controls/TwzButtons.h"
#include "controls/TwzColorControls.h"
#include "controls/TwzLabel.h"
#include "controls/TwzLayouts.h"
#include "controls/TwzListBox.h"
#include "controls/TwzNumberBox.h"
#include "controls/TwzPopupBox.h"
#include "controls/TwzTabControl.h"
#include "controls/TwzTextBox.h"
#include "controls/TwzWindows.h"
#include "design/DesignResources.h"
#include "design/TwzBitmapEditor.h"
#include "design/TwzSelection.h"
#include "graphics/Colors.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzBrushObject.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzShape.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr rtl::TMethodInfo kBrushDesignHandlers[] = {
    RTL_HANDLER(TwzBrushDesign, FormCreate, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, brushListChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, brushTabControlChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, solidQuadChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, textSolidRChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, textSolidHexChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, gradQuadChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, textGradRChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, textGradHexChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, gradEditorChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, gradKindChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, gradAngleChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, btnSelectBitmapClick, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, tileModeListChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, resListChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, btnCancelClick, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, btnOKClick, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBrushDesign, btnMakeResClick, rtl::TNotifyEvent),
};

constexpr TwzBrushStyles kAllBrushPages { wzBrushNone, wzBrushSolid, wzBrushGradient, wzBrushBitmap,
    wzBrushResource };

constexpr rtl::TPropInfo kBrushDialogProps[] = {
    RTL_PROP(TwzBrushDialog, ShowStyles, Set, kAllBrushPages),
    RTL_PROP(TwzBrushDialog, ShowBrushList, Boolean, true),
    RTL_PROP(TwzBrushDialog, ShowMakeResource, Boolean, false),
};

// The height of one row of the brush list, and the list's height without rows.
constexpr float kBrushRowHeight = 23;
constexpr float kEmptyBrushListHeight = 4;

TwzBrushDesign* g_sharedDesigner = nullptr;

// Sets a flag for the life of the guard, restoring what it was.
class FlagScope {
public:
    explicit FlagScope(bool& flag)
        : m_flag(flag)
        , m_old(flag)
    {
        m_flag = true;
    }
    ~FlagScope() { m_flag = m_old; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_old;
};

uint8_t ChannelOf(TwzColor color, int shift)
{
    return static_cast<uint8_t>((color >> shift) & 0xFF);
}

// A number box's value as a colour byte: truncated and kept within a byte.
uint32_t BoxByte(const TwzNumberBox* box)
{
    if (!box)
        return 0;
    const float value = std::trunc(box->GetValue());
    if (!(value > 0))
        return 0;
    return value >= 255 ? 255u : static_cast<uint32_t>(value);
}

TwzColor ColorFromBoxes(
    const TwzNumberBox* r, const TwzNumberBox* g, const TwzNumberBox* b, const TwzNumberBox* a)
{
    return (BoxByte(a) << 24) | (BoxByte(r) << 16) | (BoxByte(g) << 8) | BoxByte(b);
}

void ShowColorInBoxes(
    TwzColor color, TwzNumberBox* r, TwzNumberBox* g, TwzNumberBox* b, TwzNumberBox* a, TwzTextBox* hex)
{
    if (r)
        r->SetValue(ChannelOf(color, 16));
    if (g)
        g->SetValue(ChannelOf(color, 8));
    if (b)
        b->SetValue(ChannelOf(color, 0));
    if (a)
        a->SetValue(ChannelOf(color, 24));
    if (hex)
        hex->SetText(rtl::Utf8ToUtf16(ColorToText(color)));
}

TwzColor QuadColor(const TwzColorQuad& quad)
{
    return HSLtoRGB(quad.GetHue(), quad.GetSat(), quad.GetLum()) & 0x00FFFFFFu;
}

// The visible tab item showing position `index` of the tab row.
TwzTabItem* VisibleTab(const TwzTabControl* tabs, int32_t index)
{
    if (!tabs || index < 0)
        return nullptr;
    for (TwzObject* child : tabs->Children()) {
        auto* item = dynamic_cast<TwzTabItem*>(child);
        if (item && item->GetVisible() && item->GetTabIndex() == index)
            return item;
    }
    return nullptr;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzBrushDesign, .methods = kBrushDesignHandlers)
RTL_IMPLEMENT_CLASS(TwzBrushDialog, .props = kBrushDialogProps)

// ---- TwzBrushDesign --------------------------------------------------------------------------

TwzBrushDesign::TwzBrushDesign(rtl::TComponent* owner)
    : TAppForm(owner)
{ }

TwzBrushDesign::~TwzBrushDesign() = default;

TwzBrushDesign* TwzBrushDesign::Make(rtl::TComponent* owner)
{
    rtl::TOwned<TwzBrushDesign> form(new TwzBrushDesign(owner));
    form->LoadDescription(StoredDescription());
    return form.release();
}

std::string_view TwzBrushDesign::StoredDescription()
{
    return design::EmbeddedFile("BrushDesign.txt");
}

void TwzBrushDesign::DescriptionLoaded()
{
    auto find
        = [this]<class T>(T*& field, const char* name) { field = dynamic_cast<T*>(FindComponent(name)); };
    find(wzBrushDesigner, "wzBrushDesigner");
    find(dsgnRoot, "dsgnRoot");
    find(HudWindow1, "HudWindow1");
    find(brushList, "brushList");
    find(brushTabControl, "brushTabControl");
    find(tabNone, "tabNone");
    find(tabSolid, "tabSolid");
    find(tabGradient, "tabGradient");
    find(tabBitmap, "tabBitmap");
    find(tabRes, "tabRes");
    find(solidQuad, "solidQuad");
    find(solidPicker, "solidPicker");
    find(textSolidR, "textSolidR");
    find(textSolidG, "textSolidG");
    find(textSolidB, "textSolidB");
    find(textSolidA, "textSolidA");
    find(textSolidHex, "textSolidHex");
    find(solidColorRect, "solidColorRect");
    find(gradQuad, "gradQuad");
    find(gradPicker, "gradPicker");
    find(textGradR, "textGradR");
    find(textGradG, "textGradG");
    find(textGradB, "textGradB");
    find(textGradA, "textGradA");
    find(textGradHex, "textGradHex");
    find(gradColorRect, "gradColorRect");
    find(gradEditor, "gradEditor");
    find(gradKind, "gradKind");
    find(gradAngle, "gradAngle");
    find(gradAngleLabel, "gradAngleLabel");
    find(btnSelectBitmap, "btnSelectBitmap");
    find(tileModeList, "tileModeList");
    find(bitmapImage, "bitmapImage");
    find(resList, "resList");
    find(Layout6, "Layout6");
    find(btnCancel, "btnCancel");
    find(btnOK, "btnOK");
    find(makeResLayout, "makeResLayout");
    find(btnMakeRes, "btnMakeRes");
}

void TwzBrushDesign::PrepareWindow(platform::ui::FormOptions& options)
{
    // The HUD window inside the transparent scene is the whole visible window.
    options.decorated = false;
    options.layered = true;
}

void TwzBrushDesign::FormCreate(rtl::TObject*) { }

void TwzBrushDesign::BeforeDestruction()
{
    if (g_sharedDesigner == this)
        g_sharedDesigner = nullptr;
    m_brushObject.Set(nullptr);
    m_brush = nullptr;
    m_ownBrush = nullptr;
    Inherited::BeforeDestruction();
}

void TwzBrushDesign::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (!m_brushObject.Notification(component, operation))
        return;
    // The object's brushes, its scene and the brush objects listed from it go with it.
    if (m_brush != m_ownBrush)
        m_brush = nullptr;
    if (IsDestroying())
        return;
    if (brushList)
        brushList->Clear();
    if (resList)
        resList->Clear();
}

IwzScene* TwzBrushDesign::GetDesignerScene() const
{
    if (auto* scene = dynamic_cast<TwzCustomScene*>(m_brushObject.Get()))
        return scene;
    if (auto* object = dynamic_cast<TwzObject*>(m_brushObject.Get()))
        return object->GetScene();
    return nullptr;
}

bool TwzBrushDesign::IsInScene(const rtl::TObject* object) const
{
    IwzScene* scene = GetDesignerScene();
    TwzObject* root = scene ? scene->GetRoot() : nullptr;
    if (!root || !object)
        return false;
    std::vector<TwzObject*> objects;
    root->AddObjectsToList(objects);
    return std::find(objects.begin(), objects.end(), object) != objects.end();
}

void TwzBrushDesign::RepaintBrushObject()
{
    if (auto* visual = dynamic_cast<TwzVisualObject*>(m_brushObject.Get()))
        visual->InvalidateObject();
}

TwzGradientPoint* TwzBrushDesign::CurrentStop() const
{
    if (!gradEditor)
        return nullptr;
    TwzGradientPoints* points = gradEditor->GetGradient()->GetPoints();
    const int32_t index = gradEditor->GetCurrentPoint();
    // A gradient with fewer stops than the editor's current index changes no stop.
    if (index < 0 || index >= points->Count())
        return nullptr;
    return points->GetPoint(index);
}

// ---- entry operations ------------------------------------------------------------------------

void TwzBrushDesign::SetBrushObject(rtl::TComponent* object)
{
    m_brushObject.Set(object);
    SetBrush(nullptr);
    if (brushList) {
        brushList->Clear();
        brushList->SetHeight(kEmptyBrushListHeight);
    }
    if (m_brushObject)
        FillBrushList();
    if (brushList)
        brushList->SetItemIndex(0);
}

void TwzBrushDesign::FillBrushList()
{
    rtl::TComponent* object = m_brushObject;
    if (!object || !brushList)
        return;
    for (const rtl::TPropInfo* prop : object->ClassInfo().PropList()) {
        // Only brushes themselves: a property of a class derived from the brush is no brush here.
        if (prop->kind != rtl::TPropKind::Class || prop->DeclaredTypeName() != "TwzBrush" || !prop->get)
            continue;
        const rtl::TValue value = prop->get(*object);
        rtl::TObject* const* held = std::get_if<rtl::TObject*>(&value);
        auto* brush = held ? dynamic_cast<TwzBrush*>(*held) : nullptr;
        auto* item = new TwzListBoxItem(this);
        item->SetHeight(kBrushRowHeight);
        item->SetTagObject(brush);
        auto* label = new TwzLabel(this);
        label->SetAlign(vaClient);
        label->SetHitTest(false);
        label->SetText(rtl::Utf8ToUtf16(prop->name));
        label->SetParent(item);
        item->SetParent(brushList);
        brushList->SetHeight(brushList->GetHeight() + kBrushRowHeight);
        // Rows are numbered by counting them; the list lays itself out only once styled.
        (void)brushList->Count();
        if (!m_brush && brush)
            SetBrush(brush);
    }
}

void TwzBrushDesign::SetBrush(TwzBrush* brush)
{
    m_brush = brush;
    if (!brush)
        return;
    TwzTabItem* page = nullptr;
    {
        // Loading shows the brush: the pages' view of it (the colour through hue, saturation
        // and lightness, the gradient's line through the dial) is not written back.
        FlagScope loading(m_loading);
        switch (brush->GetStyle()) {
        case wzBrushNone:
            page = tabNone;
            break;
        case wzBrushSolid:
        case wzBrushGradient:
            if (solidPicker)
                solidPicker->SetColor(brush->GetSolidColor());
            if (gradEditor)
                gradEditor->GetGradient()->Assign(*brush->GetGradient());
            page = tabSolid;
            if (brush->GetStyle() == wzBrushGradient) {
                const TwzGradient& gradient = *brush->GetGradient();
                if (gradKind)
                    gradKind->SetItemIndex(static_cast<int32_t>(gradient.GetStyle()));
                ShowAngle();
                if (gradAngle)
                    gradAngle->SetVisible(gradient.GetStyle() == wzLinearGradient);
                gradQuadChange(this);
                page = tabGradient;
            }
            break;
        case wzBrushBitmap:
            if (bitmapImage)
                bitmapImage->SetBitmap(brush->GetBitmap()->GetBitmap());
            if (tileModeList)
                tileModeList->SetItemIndex(static_cast<int32_t>(brush->GetBitmap()->GetWrapMode()));
            page = tabBitmap;
            break;
        case wzBrushResource:
            FillResourceList();
            page = tabRes;
            break;
        case wzBrushVisual:
            break;
        }
        // A page the designer does not offer is not selected: another page at its place would
        // change the brush's style.
        if (page && brushTabControl && page->GetVisible() && m_brush == brush)
            brushTabControl->SetItemIndex(page->GetTabIndex());
    }
    if (!brushList || m_brush != brush)
        return;

    const int32_t count = brushList->Count();
    for (int32_t i = 0; i < count; ++i) {
        TwzListBoxItem* item = brushList->ItemByIndex(i);
        if (item && item->GetTagObject() == brush) {
            brushList->SetItemIndex(i);
            break;
        }
    }
}

void TwzBrushDesign::ShowAngle()
{
    if (!gradAngle || !gradEditor)
        return;
    const TwzGradient& gradient = *gradEditor->GetGradient();
    const TwzPoint start = gradient.GetStartPosition()->GetPoint();
    const TwzPoint stop = gradient.GetStopPosition()->GetPoint();
    const double dx = double(stop.X) - start.X;
    const double dy = double(stop.Y) - start.Y;
    // A vertical line keeps what the button shows.
    if (dx == 0)
        return;
    double angle = -std::atan(dy / dx) * 180 / std::numbers::pi;
    if (dx < 0)
        angle -= 180;
    gradAngle->SetValue(static_cast<float>(angle));
    if (gradAngleLabel)
        gradAngleLabel->SetText(
            rtl::Utf8ToUtf16(std::to_string(static_cast<int64_t>(gradAngle->GetValue()))));
}

std::string TwzBrushDesign::UniqueName(const std::string& baseName)
{
    // Forms here never carry a form designer of their own, so the count is the designer's.
    SetTag(GetTag() + 1);
    return baseName + std::to_string(GetTag());
}

void TwzBrushDesign::CloseForm()
{
    FormClose();
}

void TwzBrushDesign::FormClose()
{
    if (g_sharedDesigner == this) {
        g_sharedDesigner = nullptr;
        Hide();
        // NOTE: The close button that asked for this is still running; free on a later turn.
        rtl::DeferFree(this);
        return;
    }
    // A dialog's designer belongs to its Execute, which frees it once the modal run ends.
    Inherited::CloseForm();
}

// ---- pages -----------------------------------------------------------------------------------

void TwzBrushDesign::brushTabControlChange(rtl::TObject*)
{
    if (!m_brush || !brushTabControl)
        return;
    TwzTabItem* tab = VisibleTab(brushTabControl, brushTabControl->GetItemIndex());
    if (!tab)
        return;
    if (tab == tabNone)
        m_brush->SetStyle(wzBrushNone);
    else if (tab == tabSolid)
        m_brush->SetStyle(wzBrushSolid);
    else if (tab == tabGradient) {
        m_brush->SetStyle(wzBrushGradient);
        gradQuadChange(this);
    } else if (tab == tabBitmap)
        m_brush->SetStyle(wzBrushBitmap);
    else if (tab == tabRes)
        m_brush->SetStyle(wzBrushResource);
    const bool makeRes = tab != tabRes && tab != tabNone;
    if (btnMakeRes)
        btnMakeRes->SetVisible(makeRes);
    if (!makeRes)
        FillResourceList();
}

void TwzBrushDesign::brushListChange(rtl::TObject* sender)
{
    auto* item = dynamic_cast<TwzListBoxItem*>(sender);
    if (!GetDesignerScene() || !m_brushObject || !item)
        return;
    SetBrush(dynamic_cast<TwzBrush*>(item->GetTagObject()));
}

void TwzBrushDesign::solidQuadChange(rtl::TObject*)
{
    if (!m_brush || !solidQuad)
        return;
    const uint32_t alpha = ChannelOf(m_brush->GetSolidColor(), 24);
    solidQuad->SetAlpha(static_cast<float>(alpha) / 255.0F);
    if (!m_brush)
        return;
    TwzColor color = (alpha << 24) | QuadColor(*solidQuad);
    if (m_loading)
        color = m_brush->GetSolidColor();
    else
        m_brush->SetSolidColor(color);
    ShowColorInBoxes(color, textSolidR, textSolidG, textSolidB, textSolidA, textSolidHex);
}

void TwzBrushDesign::textSolidRChange(rtl::TObject*)
{
    if (!m_brush)
        return;
    m_brush->SetSolidColor(ColorFromBoxes(textSolidR, textSolidG, textSolidB, textSolidA));
    if (solidPicker && m_brush)
        solidPicker->SetColor(m_brush->GetSolidColor());
}

void TwzBrushDesign::textSolidHexChange(rtl::TObject*)
{
    if (!m_brush || !textSolidHex)
        return;
    m_brush->SetSolidColor(TextToColor(rtl::Utf16ToUtf8(textSolidHex->GetText())));
    if (solidPicker && m_brush)
        solidPicker->SetColor(m_brush->GetSolidColor());
}

void TwzBrushDesign::gradQuadChange(rtl::TObject*)
{
    if (!m_brush || !gradEditor || !gradQuad)
        return;
    if (!m_loading) {
        if (TwzGradientPoint* stop = CurrentStop())
            stop->SetColorValue((stop->ColorValue() & 0xFF000000u) | QuadColor(*gradQuad));
        m_brush->SetGradient(gradEditor->GetGradient());
    }
    if (gradColorRect)
        ShowColorInBoxes(gradColorRect->GetColor(), textGradR, textGradG, textGradB, textGradA, textGradHex);
    gradEditor->InvalidateObject();
}

void TwzBrushDesign::textGradRChange(rtl::TObject*)
{
    if (!m_brush || !gradEditor)
        return;
    if (TwzGradientPoint* stop = CurrentStop())
        stop->SetColorValue(ColorFromBoxes(textGradR, textGradG, textGradB, textGradA));
    gradEditor->UpdateColorPicker();
}

void TwzBrushDesign::textGradHexChange(rtl::TObject*)
{
    if (!m_brush || !gradEditor || !textGradHex)
        return;
    if (TwzGradientPoint* stop = CurrentStop())
        stop->SetColorValue(TextToColor(rtl::Utf16ToUtf8(textGradHex->GetText())));
    gradEditor->UpdateColorPicker();
}

void TwzBrushDesign::gradKindChange(rtl::TObject*)
{
    if (!m_brush || !gradEditor || !gradKind)
        return;
    const int32_t index = gradKind->GetItemIndex();
    if (index == wzLinearGradient || index == wzRadialGradient)
        gradEditor->GetGradient()->SetStyle(static_cast<TwzGradientStyle>(index));
    gradEditor->UpdateColorPicker();
    if (gradAngle)
        gradAngle->SetVisible(gradEditor->GetGradient()->GetStyle() == wzLinearGradient);
}

void TwzBrushDesign::gradAngleChange(rtl::TObject*)
{
    if (!m_brush || !gradEditor || !gradAngle)
        return;
    if (gradAngleLabel)
        gradAngleLabel->SetText(
            rtl::Utf8ToUtf16(std::to_string(static_cast<int64_t>(gradAngle->GetValue()))));
    // Showing a brush's angle only shows it: the gradient keeps the line it has.
    if (m_loading)
        return;
    const double a = double(gradAngle->GetValue()) * std::numbers::pi / 180;
    const double c = std::cos(a);
    const double s = std::sin(a);
    // The line is stretched to reach the corners of the unit square, up to a diagonal.
    auto stretch = [](double v) {
        if (v == 0)
            return 1.0;
        const double k = std::abs(1 / v);
        return k >= 1 && k <= 1.42 ? k : 1.0;
    };
    const double m = 0.5 * std::max(stretch(c), stretch(s));
    TwzGradient* gradient = gradEditor->GetGradient();
    gradient->GetStartPosition()->SetPoint(
        { static_cast<float>(0.5 - c * m), static_cast<float>(0.5 + s * m) });
    gradient->GetStopPosition()->SetPoint(
        { static_cast<float>(0.5 + c * m), static_cast<float>(0.5 - s * m) });
    gradEditor->UpdateColorPicker();
}

void TwzBrushDesign::gradEditorChange(rtl::TObject*)
{
    if (!m_brush || !gradEditor || m_loading)
        return;
    m_brush->SetGradient(gradEditor->GetGradient());
}

void TwzBrushDesign::btnSelectBitmapClick(rtl::TObject*)
{
    if (!m_brush || !bitmapImage)
        return;
    rtl::Watch<TwzBrushDesign> self(this);
    rtl::TOwned<TwzBitmapEditor> editor(new TwzBitmapEditor(nullptr));
    editor->AssignFromBitmap(bitmapImage->GetBitmap());
    // The modal run lets the brush's owner, or this designer, go meanwhile.
    if (editor->ShowModal() != platform::ui::kModalOk || !self || !m_brush)
        return;
    TwzBitmap* picture = bitmapImage->GetBitmap();
    editor->AssignToBitmap(picture);
    m_brush->GetBitmap()->SetBitmap(picture);
    RepaintBrushObject();
    bitmapImage->InvalidateObject();
}

void TwzBrushDesign::tileModeListChange(rtl::TObject*)
{
    if (!m_brush || !tileModeList)
        return;
    const int32_t index = tileModeList->GetItemIndex();
    if (index < wzWrapTile || index > wzWrapTileStretch)
        return;
    m_brush->GetBitmap()->SetWrapMode(static_cast<TwzWrapMode>(index));
    RepaintBrushObject();
}

// ---- resources -------------------------------------------------------------------------------

void TwzBrushDesign::FillResourceList()
{
    IwzScene* scene = GetDesignerScene();
    TwzObject* root = scene ? scene->GetRoot() : nullptr;
    if (!root || !m_brush || !resList)
        return;
    // Selecting the linked resource only shows it; the brush stays as it is.
    FlagScope filling(m_loading);
    resList->Clear();
    std::vector<TwzObject*> objects;
    root->AddObjectsToList(objects);
    for (TwzObject* object : objects) {
        auto* brushObject = dynamic_cast<TwzBrushObject*>(object);
        if (!brushObject)
            continue;
        auto* item = new TwzListBoxItem(this);
        item->SetTagObject(brushObject);
        auto* label = new TwzLabel(this);
        label->SetAlign(vaClient);
        label->SetHitTest(false);
        label->SetText(rtl::Utf8ToUtf16(brushObject->GetResourceName()));
        label->SetParent(item);
        auto* swatch = new TwzRectangle(this);
        swatch->SetAlign(vaLeft);
        swatch->SetHitTest(false);
        swatch->GetPadding()->SetRect({ 2, 2, 2, 2 });
        swatch->GetFill()->GetResource()->SetResource(brushObject);
        swatch->GetFill()->SetStyle(wzBrushResource);
        swatch->GetStroke()->SetColor("#80FFFFFF");
        swatch->SetParent(item);
        item->SetParent(resList);
        const int32_t count = resList->Count();
        if (m_brush && m_brush->GetResource()->GetResource() == brushObject)
            resList->SetItemIndex(count - 1);
    }
}

void TwzBrushDesign::resListChange(rtl::TObject* sender)
{
    auto* item = dynamic_cast<TwzListBoxItem*>(sender);
    IwzScene* scene = GetDesignerScene();
    if (m_loading || !scene || !scene->GetRoot() || !m_brush || !item)
        return;
    // The listed object may have gone since the list was filled.
    rtl::TObject* tagged = item->GetTagObject();
    if (!IsInScene(tagged))
        return;
    auto* brushObject = dynamic_cast<TwzBrushObject*>(tagged);
    if (!brushObject)
        return;
    m_brush->Assign(*brushObject->GetBrush());
    m_brush->GetResource()->SetResource(brushObject);
    m_brush->SetStyle(wzBrushResource);
}

void TwzBrushDesign::btnMakeResClick(rtl::TObject*)
{
    IwzScene* scene = GetDesignerScene();
    TwzObject* root = scene ? scene->GetRoot() : nullptr;
    if (!m_brush || !root)
        return;
    platform::ui::InputTextOptions ask;
    ask.caption = "New TwzBrushObject";
    ask.prompt = "Enter resource name:";
    ask.text = UniqueName("Brush");
    ask.owner = GetWindow();
    const std::optional<std::string> answer = platform::ui::Dialogs::InputText(ask);
    if (!answer)
        return;
    // The dialog may have run for a while: what it was asked for may be gone.
    scene = GetDesignerScene();
    root = scene ? scene->GetRoot() : nullptr;
    if (!m_brush || !root)
        return;
    const std::string& name = *answer;
    rtl::TOwned<TwzBrushObject> object(new TwzBrushObject(scene->GetOwner()));
    object->SetResourceName(name);
    try {
        object->SetName(name);
    } catch (const rtl::Exception& error) {
        // A name the components cannot take leaves no half-made resource behind.
        platform::ui::Dialogs::ShowError(error.Message(), GetWindow());
        return;
    }
    object->SetResourceName(name);
    object->SetBrush(m_brush);
    object->SetParent(root);
    (void)object.release(); // the parent owns it now
    FillResourceList();
}

// ---- modal results ---------------------------------------------------------------------------

void TwzBrushDesign::btnOKClick(rtl::TObject*)
{
    SetModalResult(platform::ui::kModalOk);
}

void TwzBrushDesign::btnCancelClick(rtl::TObject*)
{
    SetModalResult(platform::ui::kModalCancel);
}

// ---- the shared designer ---------------------------------------------------------------------

void ShowBrushDesigner(rtl::TPersistent* value, rtl::TComponent* owner)
{
    if (!g_sharedDesigner)
        g_sharedDesigner = TwzBrushDesign::Make(nullptr);
    TwzBrushDesign* designer = g_sharedDesigner;
    if (!value) {
        designer->SetBrushObject(nullptr);
        designer->SetBrush(nullptr);
    } else if (auto* brush = dynamic_cast<TwzBrush*>(value)) {
        designer->SetBrushObject(owner);
        designer->SetBrush(brush);
    } else if (auto* object = dynamic_cast<TwzObject*>(value)) {
        designer->SetBrushObject(object);
        designer->SetBrush(nullptr);
    }
    designer->Show();
}

TwzBrushDesign* SharedBrushDesigner()
{
    return g_sharedDesigner;
}

void FreeBrushDesigner()
{
    if (TwzBrushDesign* designer = g_sharedDesigner) {
        g_sharedDesigner = nullptr;
        designer->Free();
    }
}

// ---- TwzBrushDialog --------------------------------------------------------------------------

TwzBrushDialog::TwzBrushDialog(rtl::TComponent* owner)
    : rtl::TComponent(owner)
    , m_brush(std::make_unique<TwzBrush>(wzBrushSolid, 0xFF808080))
    , m_showStyles(kAllBrushPages)
{ }

TwzBrushDialog::~TwzBrushDialog() = default;

void TwzBrushDialog::BeforeDestruction()
{
    // A dialog freed while its designer runs takes its brush away: the designer lets go of
    // it and its modal run ends.
    if (TwzBrushDesign* designer = m_designer.Get()) {
        designer->SetOwnBrush(nullptr);
        designer->SetBrush(nullptr);
        designer->SetModalResult(platform::ui::kModalCancel);
    }
    m_brushObject.Set(nullptr);
    Inherited::BeforeDestruction();
}

void TwzBrushDialog::SetBrushObject(rtl::TComponent* value)
{
    m_brushObject.Set(value);
}

void TwzBrushDialog::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_brushObject.Notification(component, operation);
}

bool TwzBrushDialog::Execute()
{
    rtl::TOwned<TwzBrushDesign> form(TwzBrushDesign::Make(nullptr));
    m_designer = form.get();
    form->SetOwnBrush(m_brush.get());
    if (form->brushList)
        form->brushList->SetVisible(m_showBrushList);
    if (m_brushObject)
        form->SetBrushObject(m_brushObject);
    else if (form->brushList)
        form->brushList->SetVisible(false);

    if (TwzTabControl* tabs = form->brushTabControl) {
        tabs->SetItemIndex(-1);
        const std::pair<TwzTabItem*, TwzBrushStyle> pages[] = {
            { form->tabNone, wzBrushNone },
            { form->tabSolid, wzBrushSolid },
            { form->tabGradient, wzBrushGradient },
            { form->tabBitmap, wzBrushBitmap },
            { form->tabRes, wzBrushResource },
        };
        for (const auto& [tab, style] : pages)
            if (tab)
                tab->SetVisible(m_showStyles.Contains(style));
        tabs->RealignChildren();
    }
    if (form->btnOK)
        form->btnOK->SetVisible(true);
    if (form->btnCancel)
        form->btnCancel->SetVisible(true);
    form->SetBrush(m_brush.get());
    if (form->makeResLayout)
        form->makeResLayout->SetVisible(m_showMakeResource);

    // The window ends at the button row, so a hidden brush list leaves no gap.
    if (form->dsgnRoot)
        form->dsgnRoot->SetHeight(form->dsgnRoot->GetHeight() - 1);
    if (form->Layout6 && form->HudWindow1) {
        const TwzBounds& margins = *form->HudWindow1->GetMargins();
        form->SetClientHeight(static_cast<int32_t>(std::trunc(form->Layout6->GetPosition()->GetY()
            + form->Layout6->GetHeight() + margins.GetTop() + margins.GetBottom())));
        form->AlignScenes();
    }

    rtl::Watch<TwzBrushDialog> self(this);
    const int32_t result = form->ShowModal();
    if (self)
        m_designer = nullptr;
    return result == platform::ui::kModalOk;
}

bool RunColorBrushDialog(TwzBrush& brush)
{
    rtl::TOwned<TwzBrushDialog> dialog(new TwzBrushDialog(nullptr));
    dialog->GetBrush()->SetStyle(wzBrushSolid);
    dialog->GetBrush()->SetColor(brush.GetColor());
    dialog->SetShowStyles({ wzBrushSolid });
    if (!dialog->Execute())
        return false;
    brush.SetColor(dialog->GetBrush()->GetColor());
    return true;
}
