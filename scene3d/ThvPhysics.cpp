#include "scene3d/ThvPhysics.h"

#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(ThvPhysics)

ThvPhysics::ThvPhysics(ThvScene* scene)
    : m_scene(scene)
{ }
