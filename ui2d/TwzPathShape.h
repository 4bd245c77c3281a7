#pragma once

#include "ui2d/TwzShape.h"

#include <cstdint>
#include <memory>

class TwzPathData;

/// How a path fills its object.
enum TwzPathWrap : uint8_t { wzPathOriginal, wzPathFit, wzPathStretch, wzPathTile };
RTL_ENUM(TwzPathWrap, "wzPathOriginal", "wzPathFit", "wzPathStretch", "wzPathTile");

/// Vector path data filled and stroked in the object, at its own size, fitted, stretched
/// onto the shape rectangle or tiled. A Data linked to a named path resource draws the
/// resource's path.
class TwzPath : public TwzShape {
    RTL_CLASS(TwzPath, TwzShape)
public:
    explicit TwzPath(rtl::TComponent* owner);

    // Published (the path as Data).
    [[nodiscard]] TwzPathData* GetPathData() const { return m_data.get(); }
    /// Copies `value` into the owned path; null is ignored.
    void SetPathData(TwzPathData* value);
    [[nodiscard]] TwzPathWrap GetWrapMode() const { return m_wrapMode; }
    void SetWrapMode(TwzPathWrap value);

    /// The path drawn: the resource's when Data is linked to one, else Data.
    [[nodiscard]] TwzPathData& DrawnPath();

    void Paint() override;
    /// Inside the path mapped onto the shape rectangle (whatever the wrap mode), when a
    /// canvas is at hand and the path has more than one point; otherwise, and in design mode,
    /// strictly inside the local rectangle, as any visual object.
    [[nodiscard]] bool ContainsLocal(const TwzPoint& local);
    /// ContainsLocal of the point in local coordinates.
    [[nodiscard]] bool PointInObject(float x, float y) override;

protected:
    ~TwzPath() override;

private:
    void DataChanged(rtl::TObject* sender);

    std::unique_ptr<TwzPathData> m_data;
    TwzPathWrap m_wrapMode = wzPathStretch;
};
