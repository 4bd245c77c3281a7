// Flat text of the canvas from glyph atlases: one atlas bitmap per font, turned into a texture
// like any other bitmap, and one textured quad per character.

#include "backends/ThvDirectXCanvas.h"

#include "backends/ThvGlyphAtlas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvFont.h"

#include "platform/rtl/Numbers.h"

using namespace platform::gpu;

int ThvDirectXCanvas::BuildGlyphAtlas(const std::u16string& text, const ThvFont& font)
{
    if (!m_device)
        return -1;
    return backends::BuildGlyphAtlas(m_fonts, text, font);
}

void ThvDirectXCanvas::MeasureText(const std::u16string& text, ThvPoint& size)
{
    size = {};
    if (text.empty() || !GetFont())
        return;
    const int index = BuildGlyphAtlas(text, *GetFont());
    if (index < 0)
        return;
    size = backends::MeasureGlyphText(m_fonts[static_cast<size_t>(index)], text);
}

void ThvDirectXCanvas::FillText(const std::u16string& text, float x, float y, float opacity)
{
    if (text.empty() || !GetFont())
        return;
    const bool screen = GetStateOn(hvStateScreenProjection);
    if (screen) {
        // The origin goes onto a whole pixel of the target, wherever the world moves it.
        const ThvMatrix& world = GetWorldMatrix();
        const float tx = world[3][0];
        const float ty = world[3][1];
        x = static_cast<float>(rtl::Round(x + tx)) - tx;
        y = static_cast<float>(rtl::Round(y + ty)) - ty;
    }
    const int index = BuildGlyphAtlas(text, *GetFont());
    if (index < 0)
        return;
    const ThvInternalFont& font = m_fonts[static_cast<size_t>(index)];
    const uint32_t quads = backends::CountGlyphQuads(font, text);
    // More quads than the vertex ring holds cannot be drawn in one call.
    if (quads == 0 || quads > kVertexRingSize / (4 * sizeof(ThvColorVertex)))
        return;

    ThvBitmap* atlas = font.Atlas.get();
    UpdateBitmapHandle(atlas);
    const TexturePtr texture = GetTexture(atlas);
    if (!texture)
        return;
    SetState(hvStateTextureModulate);
    m_device->SetTexture(0, texture);
    m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);

    const uint32_t color = CallColor(opacity);
    // NOTE: the texture, the modulate preset and the disabled texture transform stay; the
    // next material change sets them again.
    DrawThroughRings(
        D3DPT_TRIANGLELIST, quads * 4, quads * 6, quads * 2, [&](ThvColorVertex* v, uint16_t* i) {
            backends::WriteGlyphQuads(font, text, x, y, color, screen, v, i);
        });
}
