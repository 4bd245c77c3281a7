#pragma once

#include <cstdint>

class TwzBitmap;

// The texture builders of the lettering's faces. Both draw into one working bitmap, which the
// caller copies into the face's bitmap resource at once.
namespace app {

/// Width and height of a target fitted into a square of `maxEdge`: when larger in either
/// direction, both are divided by the larger ratio and rounded (halves to even).
struct TextureSize {
    int32_t width = 0;
    int32_t height = 0;
};
[[nodiscard]] TextureSize FitTexture(double width, double height, int32_t maxEdge);

/// The picture tiled from the top-left corner over a face of `width` x `height` units at 100
/// pixels a unit (fitted into `maxEdge`); a picture larger than the face is shrunk to fit it
/// first. A picture under 10 pixels in either direction gives a 1 x 1 transparent texture.
void BuildFaceTexture(TwzBitmap& scratch, float width, float height, TwzBitmap& picture, int32_t maxEdge);

/// The side strip wrapped once around an outline `outlineLength` long of a shape `depth`
/// deep: as high as the picture and long enough that each repetition, squeezed into a
/// square as high as the strip, covers depth x height / width of the outline (fitted into
/// `maxEdge`). Pictures under 10 pixels as for the face texture.
void BuildSideTexture(TwzBitmap& scratch, float depth, TwzBitmap& picture, float outlineLength, int32_t maxEdge);

} // namespace app
