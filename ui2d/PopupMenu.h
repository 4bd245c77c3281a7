#pragma once

#include "platform/rtl/Component.h"

#include <cstdint>

namespace ui2d {

/// The popup menu a 2D visual object shows on a right-button press or the context-menu key:
/// the window layer's menus derive from it. Before it pops up, the menu learns which
/// component it was opened for.
class PopupMenu : public rtl::TComponent {
    RTL_CLASS(PopupMenu, rtl::TComponent)
public:
    explicit PopupMenu(rtl::TComponent* owner);

    /// The component the menu was last opened for; a plain link, cleared when that goes.
    [[nodiscard]] rtl::TComponent* GetPopupComponent() const { return m_popupComponent; }
    void SetPopupComponent(rtl::TComponent* value);

    /// Shows the menu at the screen point (x, y); this base shows nothing.
    virtual void Popup(int32_t x, int32_t y);

    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

protected:
    ~PopupMenu() override = default;

private:
    rtl::TComponent* m_popupComponent = nullptr;
};

} // namespace ui2d
