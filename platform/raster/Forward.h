#pragma once

namespace platform::raster {

struct PointF;
struct RectF;
struct RectI;
struct Matrix;
struct StringFormat;
struct CharacterRange;
class Surface;
class Graphics;
class Brush;
class Pen;
class Path;
class FontFamily;
class Font;

} // namespace platform::raster
