#pragma once

// Forward declarations of the 3D library, so headers name its classes without their
// definitions.

class ThvPosition;
class ThvBounds;
class ThvBitmapRect;
class ThvMeshData;
class ThvPhysics;
class ThvObject;
class ThvScene;
class ThvBitmap;
class ThvFilter;
class ThvBitmapObject;
class ThvBitmapStream;
class ThvBitmapCollection;
class ThvBitmapList;
class ThvMaterial;
class ThvFont;
class ThvCanvas;

// Classes of the later layers that the core only links to.
class ThvVisualObject;
class ThvCamera;
class ThvLight;

namespace scene3d {
class IPropertyAnimation;
class IBitmapResource;
class ResourceList;
} // namespace scene3d
