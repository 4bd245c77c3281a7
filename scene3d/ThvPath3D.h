#pragma once

#include "scene3d/ThvShape3D.h"

#include "graphics/TwzPathData.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <memory>
#include <vector>

/// How a path is sized in its object: at its own size, shrunk to fit keeping its aspect,
/// stretched over the whole face, or repeated at its own size.
enum TwzPathWrap : uint8_t { wzPathOriginal, wzPathFit, wzPathStretch, wzPathTile };
RTL_ENUM(TwzPathWrap, "wzPathOriginal", "wzPathFit", "wzPathStretch", "wzPathTile");

// Any vector path, extruded. The path's own elements are drawn (a resource link is not
// followed); an empty path draws nothing. The flattened path is kept until the elements or
// Flatness change, however the elements were changed (in place too).
class ThvPath3D : public ThvShape3D {
    RTL_CLASS(ThvPath3D, ThvShape3D)
public:
    explicit ThvPath3D(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] TwzPathData* GetPath() const { return m_path.get(); }
    /// Copies `value` into the owned path.
    void SetPath(TwzPathData* value);
    [[nodiscard]] TwzPathWrap GetWrapMode() const { return m_wrapMode; }
    void SetWrapMode(TwzPathWrap value);

    void Render() override;

protected:
    ~ThvPath3D() override;

private:
    /// What the outline is made from: a copy of the path's elements.
    struct OutlineKey {
        std::vector<TwzPathPoint> Points;
        float Flatness;
    };

    void PathChanged(rtl::TObject* sender);
    /// Flattens the path unless the kept outline was made from the same elements and
    /// Flatness.
    void UpdateOutline();

    std::unique_ptr<TwzPathData> m_path;
    KeptOutline<OutlineKey> m_outline;
    /// The kept outline spans some width and some height.
    bool m_outlineHasArea = false;
    TwzPathWrap m_wrapMode = wzPathStretch;
};
