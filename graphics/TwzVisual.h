#pragma once

#include "graphics/ObjectLinks.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

/// The content of a visual brush: another visual object (TwzVisualObject of the 2D object
/// tree) painted as the fill. The link is stored by the object's name and cleared when the
/// object is freed.
class TwzVisual : public rtl::TPersistent, public objectlinks::IFreeNotify {
    RTL_CLASS(TwzVisual, rtl::TPersistent)
public:
    TwzVisual() = default;
    ~TwzVisual() override;

    // Published and stored.
    [[nodiscard]] rtl::TComponent* GetVisualObject() const { return m_visualObject; }
    /// Links another object (or none) and fires OnChanged when it differs.
    void SetVisualObject(rtl::TComponent* value);

    rtl::TNotifyEvent OnChanged;

    /// From another visual: its object. Other sources raise ConvertError.
    void Assign(const rtl::TPersistent& source) override;

protected:
    void FreeNotify(rtl::TComponent* object) override;

private:
    rtl::TComponent* m_visualObject = nullptr; // not owned; cleared by FreeNotify
};
