#include "controls/TwzImageListBox.h"

#include "controls/TwzImageControl.h"
#include "graphics/Geometry.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "ui2d/IwzScene.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzText.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

constexpr int64_t kTagNotRequested = 1;
constexpr int64_t kTagRequested = 0;

constexpr rtl::TPropInfo kImageListBoxProps[] = {
    RTL_PROP(TwzImageListBox, ShowFileName, Boolean, false),
    RTL_PROP(TwzImageListBox, ItemHeight, Float, rtl::kNoDefault),
    RTL_PROP(TwzImageListBox, UseThumbnails, Boolean, true),
};

constexpr rtl::TPropInfo kHorzImageListBoxProps[] = {
    RTL_PROP(TwzListBox, ListStyle, Enum, wzListHorizontal),
};

/// The file name after its last folder separator.
std::string WithoutFolder(const std::string& fileName)
{
    const size_t slash = fileName.find_last_of('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzImageListBoxItem)
RTL_IMPLEMENT_CLASS(TwzImageListBox, .props = kImageListBoxProps)
RTL_IMPLEMENT_CLASS(TwzHorzImageListBox, .props = kHorzImageListBoxProps)
RTL_IMPLEMENT_CLASS(TwzHudImageListBox)
RTL_IMPLEMENT_CLASS(TwzHudHorzImageListBox)

// ---- TwzImageListBoxItem -------------------------------------------------------------------

TwzImageListBoxItem::TwzImageListBoxItem(rtl::TComponent* owner)
    : TwzListBoxItem(owner)
{ }

TwzImage* TwzImageListBoxItem::GetImage() const
{
    return m_target->image;
}

void TwzImageListBoxItem::SetPicture(TwzImage* image, const std::string& fileName)
{
    ForgetImage();
    // A new target: loads started for the previous picture stay abandoned.
    m_target = std::make_shared<TwzImageLoadTarget>();
    m_target->image = image;
    SetTagObject(image);
    SetTagString(fileName);
    if (image)
        image->FreeNotification(this);
}

void TwzImageListBoxItem::ForgetImage()
{
    if (TwzImage* image = m_target->image)
        image->RemoveFreeNotification(this);
    // A load still running finds no image to deliver to; one still waiting does not decode.
    m_target->image = nullptr;
    m_target->abandoned = true;
    SetTagObject(nullptr);
}

void TwzImageListBoxItem::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation == rtl::opRemove && component && component == m_target->image) {
        m_target->image = nullptr;
        m_target->abandoned = true;
        SetTagObject(nullptr);
    }
}

void TwzImageListBoxItem::BeforeDestruction()
{
    ForgetImage();
    Inherited::BeforeDestruction();
}

void TwzImageListBoxItem::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    auto* box = dynamic_cast<TwzImageListBox*>(ListBox());
    if (!box)
        return;
    TwzObject* found = FindResource("textborder");
    if (TwzVisualObject* border = found ? found->AsVisual() : nullptr)
        border->SetVisible(box->GetShowFileName());
    if (auto* text = dynamic_cast<TwzText*>(FindResource("text")))
        text->SetText(rtl::Utf8ToUtf16(WithoutFolder(GetFileName())));
}

// ---- TwzImageListBox -----------------------------------------------------------------------

TwzImageListBox::TwzImageListBox(rtl::TComponent* owner)
    : TwzListBox(owner)
{
    m_itemHeight = std::trunc(GetWidth());
    // The HUD forms name their own style in their constructors.
    StoreResource("listboxstyle");
}

void TwzImageListBox::SetItemHeight(float value)
{
    if (value == m_itemHeight)
        return;
    m_itemHeight = value;
    DisableRealign();
    if (TwzScrollContent* content = GetContent()) {
        for (TwzObject* child : content->Children()) {
            if (auto* item = dynamic_cast<TwzImageListBoxItem*>(child))
                item->SetHeight(value);
        }
    }
    EnableRealign();
    RealignChildren();
}

void TwzImageListBox::AddFile(const std::string& fileName)
{
    if (!controls::IsPictureFileName(fileName))
        return;
    const rtl::DispatchGuard held(this);
    auto* item = new TwzImageListBoxItem(this);
    item->SetHeight(m_itemHeight);
    item->SetStored(false);
    auto* image = new TwzImage(item);
    image->GetPadding()->SetRect(m_showFileName ? TwzRect { 4, 4, 4, 20 } : TwzRect { 4, 4, 4, 4 });
    image->SetAlign(vaClient);
    image->SetStored(false);
    image->SetLocked(true);
    image->SetHitTest(false);
    item->SetPicture(image, fileName);
    image->SetParent(item);
    item->SetTag(kTagNotRequested);
    item->OnPaint.Bind<&TwzImageListBox::StartLoad>(this);
    AddObject(item);
    RealignChildren();
    if (Count() == 1)
        SetItemIndex(0);
}

void TwzImageListBox::AddFolder(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    // The folder's names, sorted without regard to case so the strip does not depend on the
    // order the file system happens to keep.
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(fs::path(path.empty() ? "." : path), error);
    for (; !error && it != fs::directory_iterator() && names.size() < kMaxFolderFiles; it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError))
            continue;
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = rtl::AsciiLowerCase(a);
        const std::string lb = rtl::AsciiLowerCase(b);
        return la != lb ? la < lb : a < b;
    });

    const rtl::DispatchGuard held(this);
    IwzScene* scene = GetScene();
    if (scene)
        scene->BeginUpdate();
    BeginUpdate();
    for (const std::string& name : names) {
        AddFile(path + name);
        // A box a handler freed loads no more.
        if (IsFreed())
            return;
    }
    EndUpdate();
    if (IwzScene* now = GetScene(); now && now == scene)
        now->EndUpdateNoRepaint();
    RealignChildren();
    if (Count() > 0)
        SetItemIndex(0);
}

void TwzImageListBox::StartLoad(rtl::TObject* sender, TwzCanvas*, const TwzRect&)
{
    auto* item = dynamic_cast<TwzImageListBoxItem*>(sender);
    if (!item || item->GetTag() != kTagNotRequested || item->GetFileName().empty())
        return;
    // Painting may reach items the viewport clips away; they wait until they come into view.
    if (TwzVisualObject* viewport = GetContentPart();
        viewport && !RectsIntersect(item->GetAbsoluteRect(), viewport->GetAbsoluteRect()))
        return;
    item->SetTag(kTagRequested);
    (void)TwzImageThread::Start(item->LoadTarget(), item->GetFileName(), m_useThumbnails);
}

void TwzImageListBox::Clear()
{
    if (TwzScrollContent* content = GetContent()) {
        for (TwzObject* child : content->Children()) {
            if (auto* item = dynamic_cast<TwzImageListBoxItem*>(child))
                item->SetTag(kTagRequested);
        }
    }
    Inherited::Clear();
}

void TwzImageListBox::BeginAutoDrag()
{
    auto* item = dynamic_cast<TwzImageListBoxItem*>(Selected());
    TwzImage* image = item ? item->GetImage() : nullptr;
    if (!image)
        return;
    if (IwzScene* scene = GetScene())
        scene->BeginDrag(image);
}

// ---- horizontal and HUD forms --------------------------------------------------------------

TwzHorzImageListBox::TwzHorzImageListBox(rtl::TComponent* owner)
    : TwzImageListBox(owner)
{
    SetItemHeight(0);
    TwzListBox::SetItemWidth(std::trunc(10 + GetHeight()));
    SetListStyle(wzListHorizontal);
    StoreResource("ListBoxStyle");
}

TwzHudImageListBox::TwzHudImageListBox(rtl::TComponent* owner)
    : TwzImageListBox(owner)
{
    StoreResource("HudListBoxStyle");
}

TwzHudHorzImageListBox::TwzHudHorzImageListBox(rtl::TComponent* owner)
    : TwzHorzImageListBox(owner)
{
    StoreResource("HudListBoxStyle");
}
