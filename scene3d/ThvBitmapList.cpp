#include "scene3d/ThvBitmapList.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kBitmapListProps[] = {
    RTL_PROP(ThvBitmapList, Bitmaps, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvBitmapCollection)
RTL_IMPLEMENT_CLASS(ThvBitmapList, .props = kBitmapListProps)

ThvBitmapCollection::ThvBitmapCollection(rtl::TPersistent* owner)
    : rtl::TCollection(ThvBitmapStream::StaticClass(), owner)
{ }

ThvBitmapList::ThvBitmapList(rtl::TComponent* owner)
    : rtl::TComponent(owner)
    , m_bitmaps(std::make_unique<ThvBitmapCollection>(this))
{ }

ThvBitmapList::~ThvBitmapList() = default;

void ThvBitmapList::SetBitmaps(ThvBitmapCollection* value)
{
    if (value)
        m_bitmaps->Assign(*value);
}
