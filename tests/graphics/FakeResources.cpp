#include "tests/graphics/FakeResources.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzPathData.h"

namespace {

// Newest last; the lookup walks from the newest back, as the 2D object tree does.
std::vector<TFakeResourceObject*>& LiveObjects()
{
    static std::vector<TFakeResourceObject*> objects;
    return objects;
}

constexpr rtl::TPropInfo kFakeProps[] = {
    RTL_PROP(TFakeResourceObject, ResourceName, String, ""),
};

TFakeResourceObject* AsFake(rtl::TComponent* object)
{
    return dynamic_cast<TFakeResourceObject*>(object);
}

} // namespace

RTL_IMPLEMENT_CLASS(TFakeResourceObject, .props = kFakeProps)

TFakeResourceObject::TFakeResourceObject(rtl::TComponent* owner, std::string resourceName)
    : rtl::TComponent(owner)
    , m_resourceName(std::move(resourceName))
{
    LiveObjects().push_back(this);
}

TFakeResourceObject::~TFakeResourceObject()
{
    rtl::FreeAndNil(path);
    rtl::FreeAndNil(bitmap);
    rtl::FreeAndNil(brush);
}

void TFakeResourceObject::BeforeDestruction()
{
    std::erase(LiveObjects(), this);
    for (rtl::TPersistent* item : std::exchange(freeNotifies, {})) {
        if (auto* link = dynamic_cast<objectlinks::IFreeNotify*>(item))
            link->FreeNotify(this);
    }
    Inherited::BeforeDestruction();
}

void FakeResourcesTest::SetUp()
{
    objectlinks::Services services;
    services.findResourceObject = [](std::string_view name) -> rtl::TComponent* {
        const auto& live = LiveObjects();
        for (auto it = live.rbegin(); it != live.rend(); ++it) {
            if ((*it)->stored && rtl::SameText((*it)->GetResourceName(), name))
                return *it;
        }
        return nullptr;
    };
    services.addFreeNotify = [](rtl::TComponent* object, rtl::TPersistent* item) {
        if (TFakeResourceObject* fake = AsFake(object)) {
            if (std::find(fake->freeNotifies.begin(), fake->freeNotifies.end(), item)
                == fake->freeNotifies.end())
                fake->freeNotifies.push_back(item);
        }
    };
    services.removeFreeNotify = [](rtl::TComponent* object, rtl::TPersistent* item) {
        if (TFakeResourceObject* fake = AsFake(object))
            std::erase(fake->freeNotifies, item);
    };
    services.resourcePath = [](rtl::TComponent* object) -> TwzPathData* {
        TFakeResourceObject* fake = AsFake(object);
        return fake ? fake->path : nullptr;
    };
    services.resourceBitmap = [](rtl::TComponent* object) -> TwzBitmap* {
        TFakeResourceObject* fake = AsFake(object);
        return fake ? fake->bitmap : nullptr;
    };
    services.resourceBrush = [](rtl::TComponent* object) -> TwzBrush* {
        TFakeResourceObject* fake = AsFake(object);
        return fake ? fake->brush : nullptr;
    };
    objectlinks::InstallServices(services);
}

void FakeResourcesTest::TearDown()
{
    objectlinks::InstallServices({});
}
