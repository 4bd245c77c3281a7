#include "scene3d/ResourceList.h"

#include "platform/rtl/Object.h"
#include "platform/rtl/Text.h"

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<scene3d::ResourceList>& TheList()
{
    static std::unique_ptr<scene3d::ResourceList> list;
    return list;
}

} // namespace

namespace scene3d {

void ResourceList::Add(rtl::TObject* owner, std::string_view name)
{
    if (!owner)
        return;
    const bool listed = std::any_of(
        m_entries.begin(), m_entries.end(), [owner](const Entry& e) { return e.owner == owner; });
    if (!listed)
        m_entries.push_back({ std::string(name), owner });
}

void ResourceList::Rename(const rtl::TObject* owner, std::string_view name)
{
    for (Entry& e : m_entries) {
        if (e.owner == owner) {
            e.name = name;
            return;
        }
    }
}

void ResourceList::Remove(const rtl::TObject* owner)
{
    std::erase_if(m_entries, [owner](const Entry& e) { return e.owner == owner; });
}

rtl::TObject* ResourceList::Find(std::string_view name) const
{
    for (const Entry& e : m_entries) {
        if (rtl::SameText(e.name, name))
            return e.owner;
    }
    return nullptr;
}

std::string ResourceList::NameOf(const rtl::TObject* owner) const
{
    for (const Entry& e : m_entries) {
        if (e.owner == owner)
            return e.name;
    }
    return {};
}

void RegisterResource(rtl::TObject* owner, std::string_view name)
{
    std::unique_ptr<ResourceList>& list = TheList();
    if (!list)
        list = std::make_unique<ResourceList>();
    list->Add(owner, name);
}

void RenameResource(const rtl::TObject* owner, std::string_view name)
{
    if (ResourceList* list = TheList().get())
        list->Rename(owner, name);
}

void UnregisterResource(const rtl::TObject* owner)
{
    if (ResourceList* list = TheList().get())
        list->Remove(owner);
}

void FreeResourceList()
{
    TheList().reset();
}

} // namespace scene3d

scene3d::ResourceList* hvResourceList()
{
    return TheList().get();
}

ThvBitmap* hvFindResourceBitmap(std::string_view name)
{
    scene3d::ResourceList* list = hvResourceList();
    if (!list || name.empty())
        return nullptr;
    auto* resource = dynamic_cast<scene3d::IBitmapResource*>(list->Find(name));
    return resource ? resource->ResourceBitmap() : nullptr;
}
