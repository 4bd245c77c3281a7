#pragma once

#include "platform/rtl/Component.h"

namespace rtl {

/// A plain, not owning link from a component (the holder) to another component. Setting it
/// registers the free notification between the two (and drops the one of the target before).
/// The link reads null as soon as its target's Free() begins; the holder's Notification hands
/// its calls on, so that the removal of the target clears it too when the target only leaves
/// an owner the holder hears of, and tells the holder that has more to do then.
///
///     rtl::ComponentLink<TwzPopupMenu> m_popupMenu { this };
///     void SetPopupMenu(TwzPopupMenu* value) { m_popupMenu.Set(value); }
///     void Notification(rtl::TComponent* component, rtl::TOperation operation) override
///     {
///         Inherited::Notification(component, operation);
///         m_popupMenu.Notification(component, operation);
///     }
///
/// NOTE: Free notification is one registration a pair of components, whatever the number of
/// links between them: when another link of either side drops it, this link still turns
/// null with its target's Free(), only the holder's Notification does not hear of it.
template <class T> class ComponentLink {
public:
    explicit ComponentLink(TComponent* holder)
        : m_holder(holder)
    { }
    ComponentLink(const ComponentLink&) = delete;
    ComponentLink& operator=(const ComponentLink&) = delete;

    [[nodiscard]] T* Get() const { return m_alive ? m_target : nullptr; }
    operator T*() const { return Get(); }
    T* operator->() const { return Get(); }
    explicit operator bool() const { return static_cast<bool>(m_alive); }

    /// Links `value` (null: nothing); false, and nothing done, when it is linked already.
    bool Set(T* value)
    {
        if (value == Get())
            return false;
        if (TComponent* old = m_alive.Get())
            old->RemoveFreeNotification(m_holder);
        m_target = value;
        m_removed = value;
        m_alive = value;
        if (value)
            value->FreeNotification(m_holder);
        return true;
    }

    /// For the holder's Notification: clears the link when `component`, its target, is
    /// removed. True when it did, for a holder that has more to do then.
    bool Notification(TComponent* component, TOperation operation)
    {
        if (operation != opRemove || !component || component != m_removed)
            return false;
        m_target = nullptr;
        m_removed = nullptr;
        m_alive = nullptr;
        return true;
    }

private:
    TComponent* m_holder;
    T* m_target = nullptr;
    // The target as a component, only compared: it may be gone by the time its removal is told.
    TComponent* m_removed = nullptr;
    Watch<TComponent> m_alive;
};

} // namespace rtl
