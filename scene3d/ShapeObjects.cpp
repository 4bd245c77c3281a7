#include "scene3d/ShapeObjects.h"

#include "scene3d/Library3D.h"
#include "scene3d/ThvCone.h"
#include "scene3d/ThvCube.h"
#include "scene3d/ThvCustomMesh.h"
#include "scene3d/ThvCylinder.h"
#include "scene3d/ThvEllipse3D.h"
#include "scene3d/ThvGrid.h"
#include "scene3d/ThvImage.h"
#include "scene3d/ThvPath3D.h"
#include "scene3d/ThvPlane.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvRoundCube.h"
#include "scene3d/ThvShape.h"
#include "scene3d/ThvShape3D.h"
#include "scene3d/ThvSphere.h"
#include "scene3d/ThvStrokeCube.h"
#include "scene3d/ThvText.h"
#include "scene3d/ThvText3D.h"

#include "platform/rtl/ClassInfo.h"

void RegisterShapeObjects()
{
    rtl::RegisterClass<ThvShape>();
    rtl::RegisterClass<ThvShape3D>();
    Register3DObjects<ThvPlane, ThvCube, ThvMesh, ThvSphere, ThvCylinder, ThvRoundCube, ThvCone, ThvText,
        ThvImage, ThvGrid, ThvStrokeCube>("Shapes");
    Register3DObjects<ThvText3D, ThvPath3D, ThvRectangle3D, ThvEllipse3D>("3D");
}
