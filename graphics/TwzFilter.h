#pragma once

#include "graphics/Geometry.h"
#include "platform/rtl/Object.h"

#include <memory>
#include <string>

class TwzBitmap;

namespace rtl {
class TStream;
}

/// The image codec of the 2D library: every picture is loaded and saved through an instance
/// of the class held in DefaultFilterClass, created for one operation and freed. The loading
/// operations return true on success and leave the bitmap as it was on failure; errors of
/// the codec or the memory manager may still be raised. An instance is used by one thread.
class TwzFilter : public rtl::TPersistent {
    RTL_CLASS(TwzFilter, rtl::TPersistent)
public:
    TwzFilter() = default;

    /// Class operations of the base: no readable formats, no image size.
    [[nodiscard]] static std::string GetFileTypes() { return {}; }
    [[nodiscard]] static TwzPoint GetImageSize(const std::string& fileName);

    /// Decodes the file into `bitmap` (which takes its size), turned by `rotate` degrees.
    virtual bool LoadFromFile(const std::string& fileName, float rotate, TwzBitmap& bitmap) = 0;
    /// Decodes the file reduced to fit fitWidth x fitHeight, from a thumbnail stored in the
    /// file when `useEmbedded` is set and the file has one.
    virtual bool LoadThumbnailFromFile(
        const std::string& fileName, float fitWidth, float fitHeight, bool useEmbedded, TwzBitmap& bitmap)
        = 0;
    /// Encodes by the file's extension. A name whose extension names no format the filter
    /// writes raises rtl::WriteError naming the file, as do a bitmap without pixels and
    /// write failures (naming the system's reason).
    virtual void SaveToFile(const std::string& fileName, TwzBitmap& bitmap, const std::string& params) = 0;
    /// Decodes the image that starts at the stream's position.
    virtual bool LoadFromStream(rtl::TStream& stream, TwzBitmap& bitmap) = 0;
    /// Decodes the image that starts at the stream's position reduced, when it is larger, to
    /// fit fitWidth x fitHeight with its proportions kept; a smaller image keeps its size.
    /// The base reads nothing and returns false.
    virtual bool LoadThumbnailFromStream(
        rtl::TStream& stream, float fitWidth, float fitHeight, TwzBitmap& bitmap);
    /// The pixel size the image at the stream's position declares in its headers, read
    /// without decoding it; (0, 0) when they do not read or declare a size the filter does
    /// not decode. The stream's position is kept. The base knows no headers: (0, 0).
    [[nodiscard]] virtual TwzPoint GetStreamImageSize(rtl::TStream& stream);
    /// Encodes in the named format ("png", "jpeg", ...); `params` holds blank-separated
    /// name=value pairs such as "quality=100". Reports nothing.
    virtual void SaveToStream(
        rtl::TStream& stream, TwzBitmap& bitmap, const std::string& format, const std::string& params)
        = 0;
};

/// A filter class as a value: its class operations and its constructor. DefaultFilterClass
/// holds one; MakeFilterClass<T>() builds one for a TwzFilter descendant T that has the
/// static GetFileTypes and GetImageSize of its own or of the base.
struct TwzFilterClass {
    const rtl::TClassInfo& (*classInfo)() = nullptr;
    std::string (*getFileTypes)() = nullptr;
    TwzPoint (*getImageSize)(const std::string& fileName) = nullptr;
    std::unique_ptr<TwzFilter> (*create)() = nullptr;

    [[nodiscard]] std::string GetFileTypes() const { return getFileTypes ? getFileTypes() : std::string(); }
    [[nodiscard]] TwzPoint GetImageSize(const std::string& fileName) const
    {
        return getImageSize ? getImageSize(fileName) : TwzPoint {};
    }
    [[nodiscard]] std::unique_ptr<TwzFilter> Create() const { return create ? create() : nullptr; }
};

template <class T> constexpr TwzFilterClass MakeFilterClass()
{
    return { &T::StaticClass, &T::GetFileTypes, &T::GetImageSize,
        [] { return std::unique_ptr<TwzFilter>(new T()); } };
}

/// Set by the 2D library's start-up before any picture is loaded or saved; only read after
/// that, also by picture-loading threads. Null until then: loads and saves do nothing.
extern const TwzFilterClass* DefaultFilterClass;
