#pragma once

#include "scene3d/Forward.h"

#include "platform/rtl/Forward.h"

#include <string>
#include <string_view>
#include <vector>

namespace scene3d {

/// A named bitmap resource: what a material textures with when its Bitmap names the
/// resource (bitmap objects, bitmap list items, buffer layers).
class IBitmapResource {
public:
    /// The bitmap the resource stands for; null when it has none.
    [[nodiscard]] virtual ThvBitmap* ResourceBitmap() = 0;

protected:
    ~IBitmapResource() = default;
};

/// The process-wide list of named bitmap resources: (name, owner) entries in registration
/// order. Names may repeat; a lookup compares names ignoring ASCII case and takes the first
/// match. Each owner has at most one entry, from its construction to its destruction.
/// GUI thread only.
class ResourceList {
public:
    struct Entry {
        std::string name;
        rtl::TObject* owner;
    };

    /// Appends an entry for `owner`; an owner listed already keeps its entry and place.
    void Add(rtl::TObject* owner, std::string_view name);
    /// Renames the entry of `owner`; nothing when it has none.
    void Rename(const rtl::TObject* owner, std::string_view name);
    /// Removes the entry of `owner`; nothing when it has none.
    void Remove(const rtl::TObject* owner);

    /// The owner of the first entry named `name`; null when none.
    [[nodiscard]] rtl::TObject* Find(std::string_view name) const;
    /// The name of the entry of `owner`; empty when it has none.
    [[nodiscard]] std::string NameOf(const rtl::TObject* owner) const;
    [[nodiscard]] const std::vector<Entry>& Entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};

// The list itself lives from the first registration to the 3D library's shut-down; these
// calls make it on demand and do nothing once it is gone.

/// Registers `owner` under `name`, making the list when it does not exist yet.
void RegisterResource(rtl::TObject* owner, std::string_view name);
void RenameResource(const rtl::TObject* owner, std::string_view name);
void UnregisterResource(const rtl::TObject* owner);
/// Frees the list (the 3D library's shut-down); entries of live owners are forgotten.
void FreeResourceList();

} // namespace scene3d

/// The named bitmap resources; null before the first registration and after shut-down.
[[nodiscard]] scene3d::ResourceList* hvResourceList();

/// The bitmap of the first resource named `name` (ASCII case ignored); null for the empty
/// name, an unknown name or a resource without a bitmap.
[[nodiscard]] ThvBitmap* hvFindResourceBitmap(std::string_view name);
