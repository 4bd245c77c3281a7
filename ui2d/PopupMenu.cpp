#include "ui2d/PopupMenu.h"

#include "platform/rtl/ClassInfo.h"

namespace ui2d {

RTL_IMPLEMENT_CLASS(PopupMenu)

PopupMenu::PopupMenu(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

void PopupMenu::SetPopupComponent(rtl::TComponent* value)
{
    if (value == m_popupComponent)
        return;
    if (m_popupComponent)
        m_popupComponent->RemoveFreeNotification(this);
    m_popupComponent = value;
    if (m_popupComponent)
        m_popupComponent->FreeNotification(this);
}

void PopupMenu::Popup(int32_t, int32_t) { }

void PopupMenu::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation == rtl::opRemove && component == m_popupComponent)
        m_popupComponent = nullptr;
}

} // namespace ui2d
