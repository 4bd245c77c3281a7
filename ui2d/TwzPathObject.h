#pragma once

#include "graphics/TwzPathData.h"
#include "ui2d/TwzObject.h"

#include <memory>
#include <string>

/// A named path resource: path data that linked paths stand for (TwzPathData's Resource).
/// Given a component name while its ResourceName is empty, it takes the name as its
/// ResourceName, so a resource named "Arrow" is found as "arrow".
class TwzPathObject : public TwzObject {
    RTL_CLASS(TwzPathObject, TwzObject)
public:
    explicit TwzPathObject(rtl::TComponent* owner);

    // Published.
    /// The owned path; never null.
    [[nodiscard]] TwzPathData* GetPath() const { return m_path.get(); }
    /// Copies `value` (Assign); the object keeps its own path. Null is ignored.
    void SetPath(const TwzPathData* value);

    void SetName(const std::string& value) override;

private:
    std::unique_ptr<TwzPathData> m_path; // created empty, owned
};
