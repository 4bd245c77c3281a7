#pragma once

#include "graphics/TwzBitmap.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <memory>

enum TwzWrapMode : uint8_t { wzWrapTile, wzWrapTileOriginal, wzWrapTileStretch };
RTL_ENUM(TwzWrapMode, "wzWrapTile", "wzWrapTileOriginal", "wzWrapTileStretch");

/// The picture of a bitmap brush and how it repeats. Editing the picture's pixels does not
/// notify the brush.
class TwzBrushBitmap : public rtl::TPersistent {
    RTL_CLASS(TwzBrushBitmap, rtl::TPersistent)
public:
    /// A 1 x 1 picture, tiled.
    TwzBrushBitmap();
    ~TwzBrushBitmap() override;

    // Published.
    [[nodiscard]] TwzBitmap* GetBitmap() const { return m_bitmap.get(); }
    /// Copies the picture into the owned one.
    void SetBitmap(TwzBitmap* value);
    [[nodiscard]] TwzWrapMode GetWrapMode() const { return m_wrapMode; }
    /// Fires OnChanged only on a change.
    void SetWrapMode(TwzWrapMode value);

    rtl::TNotifyEvent OnChanged;

    /// From another brush bitmap: its wrap mode and picture, then OnChanged once. Other
    /// sources raise ConvertError.
    void Assign(const rtl::TPersistent& source) override;

private:
    std::unique_ptr<TwzBitmap> m_bitmap;
    TwzWrapMode m_wrapMode = wzWrapTile;
};
