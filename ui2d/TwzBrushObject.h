#pragma once

#include "graphics/TwzBrush.h"
#include "ui2d/TwzObject.h"

#include <memory>
#include <string>

/// A named brush resource: the brush that brush resources (TwzBrushResource) paint with.
/// Given a component name while its ResourceName is empty, it takes the name as its
/// ResourceName, so a brush named "Red" is found as "red".
class TwzBrushObject : public TwzObject {
    RTL_CLASS(TwzBrushObject, TwzObject)
public:
    explicit TwzBrushObject(rtl::TComponent* owner);

    // Published.
    /// The owned brush (solid, white at first); never null.
    [[nodiscard]] TwzBrush* GetBrush() const { return m_brush.get(); }
    /// Copies `value` (Assign); the object keeps its own brush. Null is ignored.
    void SetBrush(const TwzBrush* value);

    void SetName(const std::string& value) override;

private:
    std::unique_ptr<TwzBrush> m_brush;
};
