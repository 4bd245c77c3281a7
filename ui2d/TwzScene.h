#pragma once

#include "ui2d/TwzCustomScene.h"

// The 2D scene control as forms place it: publishes the scene's properties.
class TwzScene : public TwzCustomScene {
    RTL_CLASS(TwzScene, TwzCustomScene)
public:
    explicit TwzScene(rtl::TComponent* owner)
        : TwzCustomScene(owner)
    { }

protected:
    ~TwzScene() override = default;
};
