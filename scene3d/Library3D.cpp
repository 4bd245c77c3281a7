#include "scene3d/Library3D.h"

#include "graphics/ObjectText.h"
#include "scene3d/ResourceList.h"
#include "scene3d/ThvAnimation.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapList.h"
#include "scene3d/ThvBitmapObject.h"
#include "scene3d/ThvBitmapRect.h"
#include "scene3d/ThvBitmapStream.h"
#include "scene3d/ThvBounds.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCustomBufferLayer.h"
#include "scene3d/ThvCustomLayer.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvObject.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvProxyObject.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/PopupMenuComponent.h"

#include <vector>

namespace {

struct LibraryState {
    std::vector<scene3d::ObjectRegistryEntry> registry;
    bool initialized = false;
    bool animationsRegistered = false;
};

LibraryState& State()
{
    static LibraryState state;
    return state;
}

} // namespace

std::span<const scene3d::ObjectRegistryEntry> hvObjectRegistry()
{
    return State().registry;
}

void AddToObjectRegistry(std::string_view category, const rtl::TClassInfo& classInfo)
{
    std::vector<scene3d::ObjectRegistryEntry>& registry = State().registry;
    registry.insert(registry.begin(), scene3d::ObjectRegistryEntry { std::string(category), &classInfo });
}

void Register3DObjects(std::string_view category, std::span<const rtl::TClassInfo* const> classes)
{
    for (const rtl::TClassInfo* info : classes) {
        if (!info)
            continue;
        AddToObjectRegistry(category, *info);
        rtl::RegisterClass(*info);
    }
}

ThvObject* CreateObjectFromStream(rtl::TComponent* owner, rtl::TStream& stream)
{
    try {
        rtl::TMemoryStream binary;
        ObjectTextToStream(stream, binary);
        binary.SetPosition(0);
        const rtl::TClassInfo* info = nullptr;
        {
            rtl::TReader reader(binary);
            info = rtl::FindClass(reader.ReadRootHeader().className);
        }
        // Only a 3D object class can read itself this way; anything else is refused before
        // an instance exists, so nothing is left behind.
        if (!info || !info->create || !info->InheritsFrom(ThvObject::StaticClass()))
            return nullptr;
        auto* object = dynamic_cast<ThvObject*>(info->create(owner));
        if (!object)
            return nullptr;
        rtl::Watch<ThvObject> watched(object);
        try {
            binary.SetPosition(0);
            object->LoadFromStream(binary);
        } catch (const rtl::LimitError&) {
            if (ThvObject* alive = watched.Get())
                alive->Free();
            throw;
        } catch (...) {
            // A half-read object is of no use to anyone: it goes, rather than staying with
            // its owner until the owner goes.
            if (ThvObject* halfRead = watched.Get())
                halfRead->Free();
            return nullptr;
        }
        return watched.Get();
    } catch (const rtl::LimitError&) {
        throw;
    } catch (...) {
        return nullptr;
    }
}

void Register3DAnimations()
{
    LibraryState& state = State();
    if (state.animationsRegistered)
        return;
    state.animationsRegistered = true;
    RegisterAnimationObjects();
}

void Initialize3DLibrary()
{
    LibraryState& state = State();
    if (state.initialized)
        return;
    state.initialized = true;

    // The animation module starts before the scene module's own classes.
    Register3DAnimations();

    // Classes that stored objects contain, registered for streaming only.
    rtl::RegisterClass<ThvBitmap>();
    rtl::RegisterClass<ThvPosition>();
    rtl::RegisterClass<ThvMeshData>();
    rtl::RegisterClass<ThvMaterial>();
    rtl::RegisterClass<ThvBitmapRect>();
    rtl::RegisterClass<ThvBounds>();
    rtl::RegisterClass<ThvScene>();
    rtl::RegisterClass<ThvObject>();
    rtl::RegisterClass<ThvCustomLayer>();
    rtl::RegisterClass<ThvCustomBufferLayer>();
    rtl::RegisterClass<ThvBitmapStream>();
    rtl::RegisterClass<ThvBitmapCollection>();
    rtl::RegisterClass<ThvBitmapList>();
    // The menus objects pop up, with their items.
    platform::ui::RegisterMenuComponents();

    Register3DObjects<ThvCamera, ThvLight, ThvDummy, ThvProxyObject>("Scene");
    Register3DObjects<ThvBitmapObject>("Resources");
    Register3DObjects<ThvBufferLayer>("Shapes");
}

void Finalize3DLibrary()
{
    LibraryState& state = State();
    hvFreeAniThread();
    state.registry.clear();
    state.registry.shrink_to_fit();
    scene3d::FreeResourceList();
    state.initialized = false;
    state.animationsRegistered = false;
}
