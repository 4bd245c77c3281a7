#pragma once

// Platform-private: the state behind a Graphics, shared by its source files.

#include "platform/raster/CairoAccess.h"
#include "platform/raster/Graphics.h"
#include "platform/raster/TextLayout.h"

#include <vector>

namespace platform::raster {

struct Graphics::Impl {
    struct Modes {
        SmoothingMode smoothing = SmoothingMode::AntiAlias;
        InterpolationMode interpolation = InterpolationMode::Bilinear;
        TextRenderingHint textHint = TextRenderingHint::AntiAlias;
        CompositingMode compositing = CompositingMode::SourceOver;
    };
    struct SavedState {
        int id;
        int depth; // cairo save level right after the save
        Modes modes;
        cairo_matrix_t world;
    };

    cairo_t* cr = nullptr;
    std::shared_ptr<detail::SurfaceData> target; // none for a toolkit context
    bool external = false; // a toolkit context, balanced by one save
    cairo_matrix_t base; // device transform under the world transform
    cairo_matrix_t world;
    std::vector<RectF> initialClip; // device space; toolkit contexts only
    Modes modes;
    std::vector<SavedState> saved;
    int nextId = 0;
    int depth = 0;
    detail::PangoContextPtr pango;
    std::unique_ptr<detail::OutlineContext> outlines; // for text too large or small for glyphs

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl();

    bool Usable() const;
    /// Asserts that the context is not in an error state, and recovers from one.
    void Check();
    void ApplyModes();
    cairo_filter_t Filter() const;
    bool SetWorld(const cairo_matrix_t& m);
    void ClipWholePixels();
    void ResetClip();
    /// The pango context, prepared for text on the current transform and hint.
    PangoContext* TextContext(double scale = 1);
    /// Whether text of this em size is drawn as glyphs on the current transform; otherwise
    /// it is laid out unhinted at the identity and drawn as outlines (or not at all).
    bool FitsGlyphs(const Font& font) const;
    detail::OutlineContext& Outlines();

    template <class BuildPath> void Fill(const Brush& brush, cairo_fill_rule_t rule, BuildPath&& build);
    template <class BuildPath> void Stroke(const Pen& pen, BuildPath&& build);
};

} // namespace platform::raster
