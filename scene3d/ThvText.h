#pragma once

#include "scene3d/ThvShape.h"

#include <memory>
#include <string>

// Flat text centred on the object's origin, drawn by the canvas in its own font, unlit and
// without writing depth.
class ThvText : public ThvShape {
    RTL_CLASS(ThvText, ThvShape)
public:
    explicit ThvText(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] ThvFont* GetFont() const { return m_font.get(); }
    /// Copies `value` into the owned font.
    void SetFont(ThvFont* value);
    [[nodiscard]] const std::u16string& GetText() const { return m_text; }
    void SetText(const std::u16string& value);

    void Render() override;
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvText() override;

private:
    void FontChanged(rtl::TObject* sender);

    std::unique_ptr<ThvFont> m_font;
    std::u16string m_text;
};
