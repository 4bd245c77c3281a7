#pragma once

#include "platform/rtl/Forward.h"

#include <string>
#include <string_view>

class TwzBitmap;
class TwzBrush;
class TwzPathData;

// What the paint values and bitmaps of this library need of the 2D object tree, which is
// built on top of this library: finding a named resource object, registering with an
// object's free-notify list, and reaching the value a resource object owns.
//
// The 2D object library installs these services when its first object is created. Until
// then no object exists that could be found or linked, so every call finds nothing and
// registers nothing.
namespace objectlinks {

/// A value that keeps a plain link to a 2D object (a bitmap, path data or brush resource
/// link, a visual brush) and registered itself with AddFreeNotify. A value class derives
/// from rtl::TPersistent (or a descendant) and from this interface, and unregisters itself
/// with RemoveFreeNotify before it is destroyed.
class IFreeNotify {
public:
    /// `object` is being freed: clear every link to it directly, without firing a change
    /// event, and keep the resource name, so that a later lookup can find a new object of
    /// that name. Called at most once per registration; the registration is gone afterwards.
    virtual void FreeNotify(rtl::TComponent* object) = 0;

protected:
    ~IFreeNotify() = default;
};

/// The services of the 2D object tree, filled in by that library.
struct Services {
    rtl::TComponent* (*findResourceObject)(std::string_view name) = nullptr;
    void (*addFreeNotify)(rtl::TComponent* object, rtl::TPersistent* item) = nullptr;
    void (*removeFreeNotify)(rtl::TComponent* object, rtl::TPersistent* item) = nullptr;
    TwzBitmap* (*resourceBitmap)(rtl::TComponent* object) = nullptr;
    TwzPathData* (*resourcePath)(rtl::TComponent* object) = nullptr;
    TwzBrush* (*resourceBrush)(rtl::TComponent* object) = nullptr;
};

/// Installs the services (the 2D object library does this once).
void InstallServices(const Services& services);

/// The most recently created stored 2D object whose ResourceName equals `name`, ignoring
/// ASCII case; null when none does or the name is empty.
[[nodiscard]] rtl::TComponent* FindResourceObject(std::string_view name);

/// Registers `item` with the free-notify list of the 2D object `object` (no duplicates).
/// Nothing when either is null or `object` is not a 2D object.
void AddFreeNotify(rtl::TComponent* object, rtl::TPersistent* item);

/// Removes `item` from that list; nothing when it is not there.
void RemoveFreeNotify(rtl::TComponent* object, rtl::TPersistent* item);

/// The ResourceName property of a 2D object; empty when it has none.
[[nodiscard]] std::string ResourceNameOf(rtl::TComponent& object);

/// The bitmap a named bitmap resource object (TwzBitmapObject) owns; null for any other
/// object, and for null.
[[nodiscard]] TwzBitmap* ResourceBitmap(rtl::TComponent* object);

/// The path a named path resource object (TwzPathObject) owns; null otherwise.
[[nodiscard]] TwzPathData* ResourcePath(rtl::TComponent* object);

/// The brush a named brush resource object (TwzBrushObject) owns; null otherwise.
[[nodiscard]] TwzBrush* ResourceBrush(rtl::TComponent* object);

} // namespace objectlinks
