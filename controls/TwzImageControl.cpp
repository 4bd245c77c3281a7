#include "controls/TwzImageControl.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFilter.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzImage.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace {

constexpr rtl::TPropInfo kImageControlProps[] = {
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, true),
    RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),
    RTL_PROP(TwzControl, TabOrder, Integer, -1),
    RTL_PROP(TwzImageControl, Bitmap, Class, rtl::kNoDefault),
};

constexpr rtl::TEventInfo kImageControlEvents[] = {
    RTL_EVENT(TwzImageControl, OnChange),
};

/// The extension with its dot, from the last dot of the name after its last folder
/// separator; empty when the name has none or ends with the dot.
std::string_view ExtensionOf(std::string_view fileName)
{
    const size_t slash = fileName.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size())
        return {};
    return name.substr(dot);
}

bool IsRegularFile(const std::string& fileName)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::u8path(fileName), error);
}

} // namespace

namespace controls {

bool IsPictureFileName(std::string_view fileName)
{
    const std::string_view extension = ExtensionOf(fileName);
    if (extension.empty() || !DefaultFilterClass)
        return false;
    const std::string wanted = "*" + rtl::AsciiLowerCase(extension);
    const std::string masks = DefaultFilterClass->GetFileTypes();
    std::string_view rest = masks;
    while (!rest.empty()) {
        const size_t end = rest.find(';');
        const std::string_view mask = rest.substr(0, end);
        if (mask == wanted)
            return true;
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

std::string PictureFileFilter()
{
    const std::string types = DefaultFilterClass ? DefaultFilterClass->GetFileTypes() : std::string();
    if (types.empty())
        return {};
    return "Pictures (" + types + ")|" + types;
}

} // namespace controls

RTL_IMPLEMENT_CLASS(TwzImageControl, .props = kImageControlProps, .events = kImageControlEvents)

TwzImageControl::TwzImageControl(rtl::TComponent* owner)
    : TwzControl(owner)
    , m_bitmap(std::make_unique<TwzBitmap>(1, 1))
{
    SetCanFocused(true);
    m_bitmap->OnChange.Bind<&TwzImageControl::BitmapChangedEvent>(this);
}

TwzImageControl::~TwzImageControl() = default;

void TwzImageControl::SetBitmap(TwzBitmap* value)
{
    if (value)
        m_bitmap->Assign(*value);
}

void TwzImageControl::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    if (auto* image = dynamic_cast<TwzImage*>(FindResource("image"))) {
        m_imagePart = image;
        // The fitted copy is made at once: the part's size is known only now. The picture
        // itself did not change, so no OnChange: a window applying its styles must not look
        // to its handlers as if every picture had just been chosen.
        ShowPicture();
    }
}

void TwzImageControl::FreeStyle()
{
    m_imagePart = nullptr;
    Inherited::FreeStyle();
}

void TwzImageControl::BitmapChanged()
{
    if (!m_imagePart.Get())
        return;
    ShowPicture();
    OnChange(this);
}

void TwzImageControl::ShowPicture()
{
    TwzImage* part = m_imagePart.Get();
    if (!part)
        return;
    TwzBitmap* copy = part->GetBitmap();
    if (m_bitmap->Bits()) {
        TwzRect r { 0, 0, float(m_bitmap->GetWidth()), float(m_bitmap->GetHeight()) };
        RectFit(r, TwzRect { 0, 0, part->GetWidth(), part->GetHeight() });
        const auto width = std::max<int32_t>(1, int32_t(rtl::Round(RectWidth(r))));
        const auto height = std::max<int32_t>(1, int32_t(rtl::Round(RectHeight(r))));
        copy->SetSize(width, height);
        copy->Clear(0);
        if (TwzCanvas* canvas = copy->GetCanvas(); canvas && canvas->BeginScene()) {
            canvas->SetMatrix(IdentityMatrix);
            const TwzRect whole { 0, 0, float(m_bitmap->GetWidth()), float(m_bitmap->GetHeight()) };
            canvas->DrawBitmap(m_bitmap.get(), whole, TwzRect { 0, 0, float(width), float(height) }, 1);
            canvas->EndScene();
        }
    } else {
        copy->SetSize(1, 1);
        copy->Clear(0);
    }
    copy->SetNeedUpdate(true);
    part->InvalidateObject();
}

void TwzImageControl::LoadFile(const std::string& fileName)
{
    (void)m_bitmap->LoadFromFile(fileName, 0);
}

void TwzImageControl::Click()
{
    rtl::Watch<TwzImageControl> self(this);
    Inherited::Click();
    if (!self)
        return;
    const std::optional<std::string> chosen
        = platform::ui::Dialogs::OpenFile({ .filter = controls::PictureFileFilter() });
    if (chosen && self)
        LoadFile(*chosen);
}

void TwzImageControl::DragOver(const TwzDragObject& data, const TwzPoint& point, bool& accept)
{
    Inherited::DragOver(data, point, accept);
    if (dynamic_cast<TwzImage*>(data.Source)) {
        accept = true;
        return;
    }
    accept = false;
    if (data.Files.empty())
        return;
    const std::string first = rtl::Utf16ToUtf8(data.Files.front());
    accept = controls::IsPictureFileName(first) && IsRegularFile(first);
}

void TwzImageControl::DragDrop(const TwzDragObject& data, const TwzPoint& point)
{
    Inherited::DragDrop(data, point);
    if (auto* image = dynamic_cast<TwzImage*>(data.Source)) {
        SetBitmap(image->GetBitmap());
        return;
    }
    if (!data.Files.empty())
        LoadFile(rtl::Utf16ToUtf8(data.Files.front()));
}

rtl::TValue TwzImageControl::GetData()
{
    return ObjectToVariant(m_bitmap.get());
}

void TwzImageControl::SetData(const rtl::TValue& value)
{
    if (VariantIsObject(value)) {
        if (auto* source = dynamic_cast<rtl::TPersistent*>(VariantToObject(value))) {
            try {
                m_bitmap->Assign(*source);
            } catch (const rtl::Exception&) {
                // Something that cannot become a picture leaves the picture as it is.
            }
        }
        return;
    }
    LoadFile(ui2d::VariantToText(value));
}
