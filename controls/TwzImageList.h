#pragma once

#include "platform/rtl/Component.h"

#include <cstdint>
#include <memory>
#include <vector>

class TwzBitmap;

namespace rtl {
class TStream;
}

/// A numbered list of bitmaps for actions and bitmap buttons, stored in the binary property
/// "Images": a signed 32-bit count, then for each picture its signed 32-bit size and the
/// picture as TwzBitmap::SaveToStream writes it (all integers little-endian).
class TwzImageList : public rtl::TComponent {
    RTL_CLASS(TwzImageList, rtl::TComponent)
public:
    explicit TwzImageList(rtl::TComponent* owner);

    [[nodiscard]] int32_t GetWidth() const { return m_width; }
    void SetWidth(int32_t value) { m_width = value; }
    [[nodiscard]] int32_t GetHeight() const { return m_height; }
    void SetHeight(int32_t value) { m_height = value; }

    [[nodiscard]] int Count() const { return static_cast<int>(m_bitmaps.size()); }
    /// The bitmap at `index`, or null outside 0 .. Count - 1. The list keeps ownership.
    [[nodiscard]] TwzBitmap* GetBitmap(int index) const;
    /// Frees every bitmap.
    void Clear();
    /// Appends a bitmap (the design-time tools fill the list this way).
    void AddBitmap(std::unique_ptr<TwzBitmap> bitmap);

    /// Appends the pictures of a stored "Images" value read from `stream`. A negative count,
    /// a count or a size larger than the bytes left raise rtl::ReadError; the pictures read
    /// before stay. A picture that does not decode stays as an empty bitmap, and the next
    /// one is read from its own position.
    void ReadImages(rtl::TStream& stream);
    void WriteImages(rtl::TStream& stream);

protected:
    ~TwzImageList() override;

    void DefineProperties(rtl::TFiler& filer) override;

private:
    std::vector<std::unique_ptr<TwzBitmap>> m_bitmaps;
    int32_t m_width = 32;
    int32_t m_height = 32;
};
