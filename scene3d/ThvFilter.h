#pragma once

#include "scene3d/Forward.h"
#include "scene3d/Math3D.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Object.h"

#include <concepts>
#include <string>
#include <string_view>

/// The image codec of 3D bitmaps: reads and writes pictures as files and as streams. Every
/// use creates an instance of hvDefaultFilterClass and frees it afterwards; instances keep no
/// state between calls. Loaders report whether a picture was read; what a failed load leaves
/// in the bitmap is the codec's business. GUI thread, or a worker with its own bitmap.
class ThvFilter : public rtl::TPersistent {
    RTL_CLASS(ThvFilter, rtl::TPersistent)
public:
    ThvFilter() = default;

    /// Reads a picture file, turned by `rotation` degrees, into `bitmap`.
    virtual bool LoadFromFile(const std::string& fileName, float rotation, ThvBitmap& bitmap) = 0;
    /// Reads a picture fitted into fitWidth x fitHeight, from the file's own thumbnail when
    /// `useEmbedded` and the file has one.
    virtual bool LoadThumbnailFromFile(
        const std::string& fileName, float fitWidth, float fitHeight, bool useEmbedded, ThvBitmap& bitmap)
        = 0;
    /// Writes `bitmap` in the format the file name's extension names; `params` as in
    /// SaveToStream.
    virtual void SaveToFile(const std::string& fileName, ThvBitmap& bitmap, const std::string& params) = 0;
    /// Reads a picture of any known format from the stream's position.
    virtual bool LoadFromStream(rtl::TStream& stream, ThvBitmap& bitmap) = 0;
    /// Writes `bitmap` as `format` ("png", "jpg", ...); `params` holds "name=value" texts
    /// such as "quality=100".
    virtual void SaveToStream(
        rtl::TStream& stream, ThvBitmap& bitmap, const std::string& format, const std::string& params)
        = 0;
};

/// An image codec class: what callers need of the codec without naming its class.
struct ThvFilterClass {
    const rtl::TClassInfo& (*classInfo)();
    ThvFilter* (*create)();
    /// The file masks the codec reads, separated by ";".
    std::string (*GetFileTypes)();
    /// The pixel size of a picture file (X width, Y height, Z 0); (0, 0, 0) when unknown.
    ThvPoint (*GetImageSize)(const std::string& fileName);

    /// A new codec, owned by the caller.
    [[nodiscard]] rtl::TOwned<ThvFilter> Create() const { return rtl::TOwned<ThvFilter>(create()); }
};

namespace scene3d {

template <class T>
concept HasFileTypes = requires
{
    {
        T::GetFileTypes()
        } -> std::convertible_to<std::string>;
};
template <class T>
concept HasImageSize = requires(const std::string& name)
{
    {
        T::GetImageSize(name)
        } -> std::convertible_to<ThvPoint>;
};

} // namespace scene3d

/// The class of a codec type T. Its class operations are T's static GetFileTypes() and
/// GetImageSize(fileName) when it has them; otherwise no file types and no size.
template <class T>
inline constexpr ThvFilterClass kFilterClassOf {
    &T::StaticClass,
    []() -> ThvFilter* { return new T(); },
    []() -> std::string {
        if constexpr (scene3d::HasFileTypes<T>)
            return T::GetFileTypes();
        else
            return {};
    },
    [](const std::string& fileName) -> ThvPoint {
        if constexpr (scene3d::HasImageSize<T>)
            return T::GetImageSize(fileName);
        else {
            static_cast<void>(fileName);
            return ThvPoint {};
        }
    },
};

/// The codec class 3D bitmaps read and write through; null until the 3D back end's start-up
/// sets it.
inline const ThvFilterClass* hvDefaultFilterClass = nullptr;
