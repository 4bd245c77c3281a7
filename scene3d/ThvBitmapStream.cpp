#include "scene3d/ThvBitmapStream.h"

#include "scene3d/ThvBitmap.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kBitmapStreamProps[] = {
    RTL_PROP(ThvBitmapStream, Bitmap, Class, rtl::kNoDefault),
    RTL_PROP(ThvBitmapStream, Name, String, ""),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvBitmapStream, .props = kBitmapStreamProps)

ThvBitmapStream::ThvBitmapStream(rtl::TCollection* collection)
    : rtl::TCollectionItem(collection)
    , m_bitmap(std::make_unique<ThvBitmap>())
{
    scene3d::RegisterResource(this, {});
}

ThvBitmapStream::~ThvBitmapStream()
{
    scene3d::UnregisterResource(this);
}

void ThvBitmapStream::SetBitmap(ThvBitmap* value)
{
    if (value)
        m_bitmap->Assign(*value);
}

void ThvBitmapStream::SetName(const std::string& value)
{
    m_name = value;
    scene3d::RenameResource(this, value);
}

std::string ThvBitmapStream::GetDisplayName() const
{
    return "(Bitmap)";
}
