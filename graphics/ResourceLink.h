#pragma once

#include "graphics/ObjectLinks.h"

#include <string>

namespace objectlinks {

/// The plain link of a value (a bitmap, path data, a brush resource) to a named resource
/// object of one kind, with the resource name the link goes by. `ValueOf` is the kind's
/// accessor (ResourceBitmap, ResourcePath, ResourceBrush); an object it gives null for is not
/// of the kind. The link keeps `holder` registered with the linked object's free-notify list.
/// Nothing here fires a change event: which changes notify is each holder's own rule.
template <class T, T* (*ValueOf)(rtl::TComponent*)> class ResourceLink {
public:
    explicit ResourceLink(rtl::TPersistent& holder)
        : m_holder(&holder)
    { }
    // NOTE: runs after the holder's destructor body, while the holder's bases are still whole
    // for the free-notify list to let go of it.
    ~ResourceLink() { RemoveFreeNotify(m_object, m_holder); }
    ResourceLink(const ResourceLink&) = delete;
    ResourceLink& operator=(const ResourceLink&) = delete;

    [[nodiscard]] rtl::TComponent* Object() const { return m_object; }
    /// The linked object's value; null when nothing is linked.
    [[nodiscard]] T* Value() const { return ValueOf(m_object); }
    [[nodiscard]] const std::string& Name() const { return m_name; }
    /// The link stays as it is.
    void SetName(const std::string& name) { m_name = name; }

    /// Links `object` and takes over its resource name; null unlinks and keeps the name.
    /// False, changing nothing, when `object` is linked already or is not of the kind.
    bool Link(rtl::TComponent* object)
    {
        if (object == m_object || (object && !ValueOf(object)))
            return false;
        RemoveFreeNotify(m_object, m_holder);
        m_object = object;
        if (object) {
            m_name = ResourceNameOf(*object);
            AddFreeNotify(object, m_holder);
        }
        return true;
    }

    /// For the holder's FreeNotify: the object is going, so the link clears quietly and the
    /// name stays, letting a later lookup find a new object of that name.
    void Forget(rtl::TComponent* object)
    {
        if (object == m_object)
            m_object = nullptr;
    }

    /// Not linked but named: the object of that name, when there is one of the kind; else null.
    [[nodiscard]] rtl::TComponent* Lookup() const
    {
        if (m_object || m_name.empty())
            return nullptr;
        rtl::TComponent* found = FindResourceObject(m_name);
        return found && ValueOf(found) ? found : nullptr;
    }

private:
    rtl::TPersistent* m_holder;
    rtl::TComponent* m_object = nullptr; // not owned; cleared by Forget
    std::string m_name;
};

using BitmapLink = ResourceLink<TwzBitmap, &ResourceBitmap>;
using PathLink = ResourceLink<TwzPathData, &ResourcePath>;
using BrushLink = ResourceLink<TwzBrush, &ResourceBrush>;

} // namespace objectlinks
