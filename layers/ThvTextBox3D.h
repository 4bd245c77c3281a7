#pragma once

#include "controls/TextEditor.h"
#include "graphics/Geometry.h"
#include "scene3d/ThvShape3D.h"

#include <cstdint>
#include <memory>
#include <string>

class ThvFont;
class TwzCanvas;

// A single-line text editor standing in the 3D scene as extruded lettering on an optional
// translucent plate. The text is laid out ten times larger by a 2D canvas (a Font.Size of 12
// gives letters about 1.2 units high), outlined and extruded through the box's Depth; the
// caret and the selection are thin boxes just deeper than the text. Editing, keys, mouse
// placement and the clipboard are those of the 2D text box (controls::TextEditor), in box
// units; the Ctrl shortcuts are c, v, x and z only.
//
// The outline is flattened at 0.25 whatever the shape's Flatness, kept between frames and made
// again only when what is shown of the text, the font or the box's size changes; the caret's and the
// selection's places are kept until the caret, the selection or the text moves.
class ThvTextBox3D : public ThvShape3D, public controls::TextEditor {
    RTL_CLASS(ThvTextBox3D, ThvShape3D)
public:
    explicit ThvTextBox3D(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    using controls::TextEditor::GetText;
    /// When it differs: stored, marked modified, repainted; a caret beyond the new text moves
    /// to its end.
    void SetText(const std::u16string& value) override;
    [[nodiscard]] ThvFont* GetFont() const { return m_font.get(); }
    /// Copies `value`.
    void SetFont(ThvFont* value);
    void SetPassword(bool value);
    [[nodiscard]] const std::string& GetBackground() const { return m_background; }
    void SetBackground(const std::string& value);
    [[nodiscard]] const std::string& GetSelection() const { return m_selection; }
    void SetSelection(const std::string& value);
    [[nodiscard]] bool GetShowBackground() const { return m_showBackground; }
    void SetShowBackground(bool value);

    rtl::TNotifyEvent OnChange;
    rtl::TNotifyEvent OnTyping;

    // ---- operations -----------------------------------------------------------------------
    /// The caret at the start, everything selected with the end of the text fixed.
    void SelectAll() override;
    /// How often the glyph outline has been made; a frame that shows the same text in the same
    /// font and size makes none.
    [[nodiscard]] int64_t GetOutlineBuilds() const { return m_outlineBuilds; }

    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    void KeyUp(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    /// The caret goes to the end of the text; nothing is selected; not modified.
    void EnterFocus() override;
    /// Raises OnChange when the text was modified since the focus came.
    void KillFocus() override;
    void ContextMenu(const TwzPoint& point) override;
    void Render() override;
    /// The whole box, 0.501 of its size each way from its centre, takes the ray.
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;
    void MouseMove2D(TShiftState shift, float x, float y) override;
    void MouseDown2D(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseUp2D(TMouseButton button, TShiftState shift, float x, float y) override;

protected:
    ~ThvTextBox3D() override;

    // The editor's hooks.
    [[nodiscard]] float MeasureWidth(std::u16string_view text) override;
    [[nodiscard]] controls::TextEditFrame EditFrame() override;
    void EditInvalidate() override;
    void Typing() override;
    /// OnChange when modified.
    void Change() override;
    [[nodiscard]] bool SelectAllShortcut() const override { return false; }

private:
    void FontChanged(rtl::TObject* sender);
    /// The 1 x 1 canvas of the default 2D class in Font that measures and outlines the text;
    /// made when first needed after the font changed; null when none can be made.
    TwzCanvas* LayoutCanvas();
    /// (0, 0, 10 x Width, 10 x Height).
    [[nodiscard]] TwzRect LayoutBox() const;
    /// Makes the outline again when what it shows changed.
    void UpdateOutline();
    /// Places the caret and the selection again when they moved.
    void UpdateMarks();

    std::unique_ptr<ThvFont> m_font;
    std::string m_background;
    std::string m_selection;
    bool m_showBackground = true;

    // Kept between frames.
    std::unique_ptr<TwzCanvas> m_layoutCanvas;
    bool m_layoutCanvasFailed = false;
    struct OutlineKey {
        std::u16string text;
        float width = -1;
        float height = -1;
        uint64_t font = 0;
        bool operator==(const OutlineKey&) const = default;
    };
    OutlineKey m_outlineKey;
    TwzPolygon m_outline;
    ThvOutlineStamp m_outlineStamp = 0;
    bool m_hasOutline = false;
    int64_t m_outlineBuilds = 0;
    uint64_t m_fontSerial = 1;
    // The caret's and the selection's left and right edges, and the character pitch of the
    // password squares.
    bool m_marksValid = false;
    float m_marksWidth = -1;
    float m_marksHeight = -1;
    uint64_t m_marksFont = 0;
    float m_markLeft = 0;
    float m_markRight = 0;
    float m_charWidth = 0;
};
