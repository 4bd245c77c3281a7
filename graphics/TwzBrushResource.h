#pragma once

#include "graphics/ObjectLinks.h"
#include "graphics/ResourceLink.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

#include <string>

class TwzBrush;

/// The brush of a named brush resource object (TwzBrushObject of the 2D object tree), linked
/// by name on first use. Nothing here notifies: the owning brush connects OnChanged for its
/// own use.
class TwzBrushResource : public rtl::TPersistent, public objectlinks::IFreeNotify {
    RTL_CLASS(TwzBrushResource, rtl::TPersistent)
public:
    TwzBrushResource() = default;

    // Published: Resource (never stored) and ResourceName.
    [[nodiscard]] rtl::TComponent* GetResource() const { return m_resource.Object(); }
    /// Links a brush resource object and takes over its resource name; null unlinks and keeps
    /// the name. An object that is not a brush resource is refused. No notification.
    void SetResource(rtl::TComponent* value);
    [[nodiscard]] const std::string& GetResourceName() const { return m_resource.Name(); }
    /// Stores the name; an existing link stays. No notification.
    void SetResourceName(const std::string& value);

    rtl::TNotifyEvent OnChanged;

    /// The linked resource object's brush, looking the name up when not linked; null when no
    /// brush resource of that name exists.
    [[nodiscard]] TwzBrush* GetBrush();

    /// From another brush resource: its link and name, without notification. Other sources
    /// raise ConvertError.
    void Assign(const rtl::TPersistent& source) override;

protected:
    void FreeNotify(rtl::TComponent* object) override;

private:
    objectlinks::BrushLink m_resource { *this };
};
