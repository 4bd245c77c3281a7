#include "controls/TwzImageList.h"

#include "graphics/TwzBitmap.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"

#include <string>

namespace {

constexpr rtl::TPropInfo kImageListProps[] = {
    RTL_PROP(TwzImageList, Width, Integer, 32),
    RTL_PROP(TwzImageList, Height, Integer, 32),
};

int64_t BytesLeft(rtl::TStream& stream)
{
    return stream.GetSize() - stream.GetPosition();
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzImageList, .props = kImageListProps)

TwzImageList::TwzImageList(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

TwzImageList::~TwzImageList() = default;

TwzBitmap* TwzImageList::GetBitmap(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_bitmaps[static_cast<size_t>(index)].get();
}

void TwzImageList::Clear()
{
    m_bitmaps.clear();
}

void TwzImageList::AddBitmap(std::unique_ptr<TwzBitmap> bitmap)
{
    if (bitmap)
        m_bitmaps.push_back(std::move(bitmap));
}

void TwzImageList::ReadImages(rtl::TStream& stream)
{
    const int32_t count = stream.ReadLE<int32_t>();
    // Every picture needs at least its size field: a larger count cannot be true.
    if (count < 0 || static_cast<int64_t>(count) * 4 > BytesLeft(stream))
        throw rtl::ReadError("Invalid image count " + std::to_string(count));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t size = stream.ReadLE<int32_t>();
        if (size < 0 || size > BytesLeft(stream))
            throw rtl::ReadError("Invalid image size " + std::to_string(size));
        rtl::TMemoryStream picture;
        if (size > 0) // a count of 0 would copy the whole source
            picture.CopyFrom(stream, size);
        picture.SetPosition(0);
        std::unique_ptr<TwzBitmap> bitmap = TwzBitmap::CreateFromStream(picture);
        m_bitmaps.push_back(bitmap ? std::move(bitmap) : std::make_unique<TwzBitmap>(0, 0));
    }
}

void TwzImageList::WriteImages(rtl::TStream& stream)
{
    stream.WriteLE<int32_t>(static_cast<int32_t>(m_bitmaps.size()));
    for (const std::unique_ptr<TwzBitmap>& bitmap : m_bitmaps) {
        rtl::TMemoryStream picture;
        bitmap->SaveToStream(picture);
        stream.WriteLE<int32_t>(static_cast<int32_t>(picture.GetSize()));
        picture.SetPosition(0);
        if (picture.GetSize() > 0)
            stream.CopyFrom(picture, picture.GetSize());
    }
}

void TwzImageList::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Images", [this](rtl::TStream& s) { ReadImages(s); }, [this](rtl::TStream& s) { WriteImages(s); },
        !m_bitmaps.empty());
}
