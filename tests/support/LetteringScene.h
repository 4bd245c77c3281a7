#pragma once

// The extruded lettering scene the rendering tests check and the scene-control benchmark
// repaints: the design camera looking straight at a slab with rounded corners, "Glyphforge"
// standing on it with three coloured faces, and a light shining past the camera from the left.
// Needs a default 2D canvas class for the lettering's layout.

#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvText3D.h"

#include "platform/rtl/Component.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace lettering {

// Colours of the lettering's faces and of the slab behind it.
inline constexpr uint32_t kTextFront = 0xFFE02020;
inline constexpr uint32_t kTextSide = 0xFF20C020;
inline constexpr uint32_t kTextBack = 0xFF2020E0;
inline constexpr uint32_t kSlabFront = 0xFFB0B0B0;
inline constexpr uint32_t kSlabSide = 0xFF606060;
inline constexpr uint32_t kSlabBack = 0xFF303030;

/// The objects of the scene, all owned by the owner given to BuildLetteringScene.
struct LetteringScene {
    ThvLight* light = nullptr;
    /// Turned to face the camera (its local Z towards -Y); 9 x 3 x 1.
    ThvDummy* container = nullptr;
    ThvRectangle3D* slab = nullptr;
    ThvText3D* text = nullptr;
};

/// Views the scene from straight ahead: the design camera looks along +Y at the origin.
inline void FrontView(ThvScene& scene)
{
    scene.GetDesignCameraX()->GetRotateAngle()->SetX(0);
}

/// Builds the scene into `scene`'s roots, its objects owned by `owner`, and turns the design
/// camera to the front view.
inline LetteringScene BuildLetteringScene(ThvScene& scene, rtl::TComponent* owner)
{
    FrontView(scene);
    LetteringScene built;
    built.light = new ThvLight(owner);
    scene.AddObject(built.light);
    built.light->GetRotateAngle()->SetZ(30);

    built.container = new ThvDummy(owner);
    scene.AddObject(built.container);
    built.container->GetRotateAngle()->SetX(-90);
    built.container->SetWidth(9);
    built.container->SetHeight(3);
    built.container->SetDepth(1);

    built.slab = new ThvRectangle3D(owner);
    built.container->AddObject(built.slab);
    built.slab->SetWidth(9);
    built.slab->SetHeight(3);
    built.slab->SetDepth(0.4f);
    built.slab->GetPosition()->SetZ(-0.2f);
    built.slab->SetxRadius(0.6f);
    built.slab->SetyRadius(0.6f);
    built.slab->GetMaterial()->SetDiffuseColor(kSlabFront);
    built.slab->GetMaterialLeft()->SetDiffuseColor(kSlabSide);
    built.slab->GetMaterialBack()->SetDiffuseColor(kSlabBack);

    built.text = new ThvText3D(owner);
    built.container->AddObject(built.text);
    built.text->SetWidth(8);
    built.text->SetHeight(2);
    built.text->SetDepth(0.6f);
    built.text->GetPosition()->SetZ(0.3f);
    built.text->SetWordWrap(false);
    built.text->GetFont()->SetFamily("DejaVu Sans");
    built.text->GetFont()->SetSize(13);
    built.text->SetText(u"Glyphforge");
    built.text->GetMaterial()->SetDiffuseColor(kTextFront);
    built.text->GetMaterialLeft()->SetDiffuseColor(kTextSide);
    built.text->GetMaterialBack()->SetDiffuseColor(kTextBack);
    return built;
}

/// `count` characters of running text.
inline std::u16string RunningText(size_t count)
{
    const std::u16string words = u"Glyphforge extrudes lettering in any font, with front, back and side "
                                 u"faces of their own colour or picture, and renders it at any size. ";
    std::u16string text;
    while (text.size() < count)
        text += words;
    text.resize(count);
    return text;
}

/// Shows `count` characters of running text on the lettering's face instead of its word,
/// wrapped over as many lines as they take.
inline void ShowRunningText(const LetteringScene& built, size_t count)
{
    built.text->SetWordWrap(true);
    built.text->SetText(RunningText(count));
}

} // namespace lettering
