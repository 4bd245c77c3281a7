#pragma once

#include "scene3d/Forward.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"

#include <span>
#include <string>
#include <string_view>

// The process-wide state of the 3D library and its start-up and shut-down: the registry of
// the object classes a designer may insert, by palette category, and the making of one 3D
// object from its object text.

namespace scene3d {
struct ObjectRegistryEntry {
    std::string category;
    const rtl::TClassInfo* classInfo = nullptr;
};
} // namespace scene3d

/// The (category, class) registrations, the most recent first. A class may appear under
/// several categories and repeated registrations are kept. Empty before the first
/// registration and after shut-down.
[[nodiscard]] std::span<const scene3d::ObjectRegistryEntry> hvObjectRegistry();

/// Inserts (category, class) at the front of the registry.
void AddToObjectRegistry(std::string_view category, const rtl::TClassInfo& classInfo);

/// For each class in order: AddToObjectRegistry, then registration for streaming, so the
/// last class of the list comes first in the registry.
void Register3DObjects(std::string_view category, std::span<const rtl::TClassInfo* const> classes);

template <class... T> void Register3DObjects(std::string_view category)
{
    const rtl::TClassInfo* const classes[] = { &T::StaticClass()... };
    Register3DObjects(category, classes);
}

/// One 3D object, with its properties and children, from the object text at the stream's
/// position; owned by `owner`, with no parent and no scene. Never raises: null for text that
/// does not parse or names a class that is not a registered 3D object class (nothing is left
/// in the owner then), and null when the stream turns out damaged after the object was made
/// (the object then stays with its owner). The one error it raises is rtl::LimitError, when
/// the object's pictures need more than one load may take: the object is freed first.
[[nodiscard]] ThvObject* CreateObjectFromStream(rtl::TComponent* owner, rtl::TStream& stream);

/// Registers the 3D animation classes under "Animations", once until Finalize3DLibrary. The
/// module start-up runs it ahead of the physics module and the layers; otherwise
/// Initialize3DLibrary runs it as its first step.
void Register3DAnimations();

/// Registers the library's classes for streaming and its object classes by category (the
/// animation classes first, unless they are registered already); runs once before any 3D
/// object is read. A second call does nothing until Finalize3DLibrary.
void Initialize3DLibrary();
/// Frees the object registry and the resource list; runs after every scene has gone.
/// Objects still alive are not freed.
void Finalize3DLibrary();
