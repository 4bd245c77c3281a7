#pragma once

#include "scene3d/ThvShape3D.h"

#include "graphics/Geometry.h"
#include "graphics/TwzCanvas.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

// Extruded lettering: the glyph outlines of Text in Font, laid out with word wrap and
// alignment by a 2D canvas of the default class in a box ten times the object's size (so
// that usual font sizes give letters a few object units tall), scaled back by one tenth and
// extruded with front, back and side materials. The flattened outline, the text's bounds and
// its outline length are kept until the text, the font, the object's Width or Height, the
// alignments, WordWrap, Stretch, Flatness or the default canvas class change: a repaint of
// unchanged lettering lays nothing out.
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
    /// What the layout is made from.
    struct LayoutKey {
        std::u16string Text;
        std::string Family;
        int32_t Style;
        float Size;
        float Width;
        float Height;
        bool WordWrap;
        const TwzCanvasClass* CanvasClass;
        friend bool operator==(const LayoutKey&, const LayoutKey&) = default;
    };
    /// What the placed and flattened outline is made from.
    struct OutlineKey {
        LayoutKey Layout;
        TwzTextAlign HorzTextAlign;
        TwzTextAlign VertTextAlign;
        bool Stretch;
        float Flatness;
        friend bool operator==(const OutlineKey&, const OutlineKey&) = default;
    };
    /// The outline as Render draws it, placed in its extrusion box.
    struct PlacedOutline : KeptOutline<OutlineKey> {
        /// The extrusion box's width and height.
        float BoxWidth = 0;
        float BoxHeight = 0;
        /// The rectangle the polygon is mapped through; empty with Stretch.
        TwzRect Rect {};
    };

    void FontChanged(rtl::TObject* sender);
    [[nodiscard]] LayoutKey MakeLayoutKey() const;
    [[nodiscard]] OutlineKey MakeOutlineKey() const;
    /// Lays the text out and flattens it as Render draws it, keeping it with `key`; false,
    /// keeping nothing, when no layout canvas can be made (an empty text among others).
    bool BuildOutline(OutlineKey key);
    /// A 1 x 1 canvas of the default 2D class in the font of the object; null for an empty
    /// text or when no canvas can be made.
    [[nodiscard]] std::unique_ptr<TwzCanvas> CreateLayoutCanvas() const;
    /// (0, 0, 10 x Width, 10 x Height): where the text is laid out.
    [[nodiscard]] TwzRect LayoutBox() const;

    std::unique_ptr<ThvFont> m_font;
    std::u16string m_text;
    PlacedOutline m_outline;
    mutable std::optional<std::pair<LayoutKey, TwzRect>> m_keptBounds;
    mutable std::optional<std::pair<OutlineKey, float>> m_keptLength;
    bool m_wordWrap = true;
    bool m_stretch = false;
    TwzTextAlign m_vertTextAlign = wzTextAlignCenter;
    TwzTextAlign m_horzTextAlign = wzTextAlignCenter;
};
