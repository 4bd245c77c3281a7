#pragma once

#include <cstdint>

// Forward declarations of the 2D object library and of the graphics types its interfaces
// name, so headers refer to them without their definitions.

class IwzScene;
class TwzObject;
class TwzVisualObject;
class TwzControl;
class TwzContent;
class TwzResources;
class TwzBrushObject;
class TwzPathObject;
class TwzBitmapObject;
class TwzEffect;
class TwzShape;
class TwzAnimation;
class TwzAniThread;

class TwzCanvas;
class TwzBitmap;
class TwzBrush;
class TwzPathData;

/// The canvas's text quality; defined with the canvas.
enum TwzTextRendering : int32_t;

namespace ui2d {
class IEffectChild;
class SceneDesignerHook;
class HostDesignMode;
struct ObjectInstanceAccess;
} // namespace ui2d
