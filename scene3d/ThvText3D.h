#pragma once

#include "scene3d/ThvShape3D.h"

#include "graphics/Geometry.h"
#include "graphics/TwzCanvas.h"

#include <memory>
#include <string>

// Extruded lettering: the glyph outlines of Text in Font, laid out with word wrap and
// alignment by a 2D canvas of the default class in a box ten times the object's size (so
// that usual font sizes give letters a few object units tall), scaled back by one tenth and
// extruded with front, back and side materials. Nothing of the layout is kept between paints.
class ThvText3D : public ThvShape3D {
    RTL_CLASS(ThvText3D, ThvShape3D)
public:
    explicit ThvText3D(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] ThvFont* GetFont() const { return m_font.get(); }
    /// Copies `value` into the owned font.
    void SetFont(ThvFont* value);
    [[nodiscard]] TwzTextAlign GetHorzTextAlign() const { return m_horzTextAlign; }
    void SetHorzTextAlign(TwzTextAlign value);
    [[nodiscard]] TwzTextAlign GetVertTextAlign() const { return m_vertTextAlign; }
    void SetVertTextAlign(TwzTextAlign value);
    [[nodiscard]] const std::u16string& GetText() const { return m_text; }
    void SetText(const std::u16string& value);
    /// The outline's bounds are stretched over the whole front face.
    [[nodiscard]] bool GetStretch() const { return m_stretch; }
    void SetStretch(bool value);
    [[nodiscard]] bool GetWordWrap() const { return m_wordWrap; }
    /// Takes effect at the next repaint; asks for none.
    void SetWordWrap(bool value);

    /// The rectangle (0, 0, w, h) the text laid out from the top-left corner occupies, in
    /// object units; (0, 0, Width, Height) with Stretch; all 0 for an empty text.
    [[nodiscard]] TwzRect GetTextBounds() const;
    /// The length of the flattened glyph outline in object units, the steps between the
    /// figures included; 0 for an empty text.
    [[nodiscard]] float GetOutlineLength() const;

    void Render() override;

protected:
    ~ThvText3D() override;

private:
    void FontChanged(rtl::TObject* sender);
    /// A 1 x 1 canvas of the default 2D class in the font of the object; null for an empty
    /// text or when no canvas can be made.
    [[nodiscard]] std::unique_ptr<TwzCanvas> CreateLayoutCanvas() const;
    /// (0, 0, 10 x Width, 10 x Height): where the text is laid out.
    [[nodiscard]] TwzRect LayoutBox() const;

    std::unique_ptr<ThvFont> m_font;
    std::u16string m_text;
    bool m_wordWrap = true;
    bool m_stretch = false;
    TwzTextAlign m_vertTextAlign = wzTextAlignCenter;
    TwzTextAlign m_horzTextAlign = wzTextAlignCenter;
};
