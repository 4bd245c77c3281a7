#include "controls/TwzFormLink.h"

#include "ui2d/IwzScene.h"
#include "ui2d/TwzObject.h"

namespace controls {

IwzFormLink* FindHostForm(const TwzObject& object)
{
    IwzScene* scene = object.GetScene();
    if (!scene)
        return nullptr;
    // The chain is finite: an owner cannot own its own owner.
    for (rtl::TComponent* c = scene->GetOwner(); c; c = c->GetOwner()) {
        if (auto* form = dynamic_cast<IwzFormLink*>(c))
            return form;
    }
    return nullptr;
}

} // namespace controls
