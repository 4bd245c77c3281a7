#pragma once

#include "controls/TwzButtons.h"

#include <memory>

class TwzWideStringList;
class TwzWideStrings;

namespace platform::ui {
class PopupMenu;
}

/// A button that shows one line of Items and lets the user pick another from a popup menu
/// centred vertically on the box. ItemIndex -1 means no choice; OnChange follows every
/// change of ItemIndex made through its writer (a choice in the menu included), not the
/// index found by setting Text.
class TwzPopupBox : public TwzCustomButton {
    RTL_CLASS(TwzPopupBox, TwzCustomButton)
public:
    explicit TwzPopupBox(rtl::TComponent* owner);

    [[nodiscard]] TwzWideStrings* GetItems() const;
    /// Copies the lines of `value`; null is ignored.
    void SetItems(TwzWideStrings* value);
    [[nodiscard]] int32_t GetItemIndex() const { return m_itemIndex; }
    /// On a change: stores it and shows its line (an index beyond the list shows nothing);
    /// without items, or below 0, the index becomes -1 and the caption empty. Then OnChange.
    void SetItemIndex(int32_t value);
    /// Selects the first line equal to `value` without OnChange and shows it; the caption
    /// is empty and the index -1 when no line matches.
    void SetText(const std::u16string& value) override;

    rtl::TNotifyEvent OnChange;

    /// The custom button's click, then the menu.
    void Click() override;
    /// Text.
    [[nodiscard]] rtl::TValue GetData() override;
    /// A "wzmet" handler becomes OnChange; any other value's text selects its line.
    void SetData(const rtl::TValue& value) override;

    /// The menu as the last popup built it; null before the first.
    [[nodiscard]] platform::ui::PopupMenu* GetMenu() const { return m_menu.get(); }

protected:
    ~TwzPopupBox() override;

    virtual void ItemsChanged();
    /// Rebuilds the menu from Items and shows it over the box (only with a host scene).
    virtual void DoPopup();

private:
    void ItemsChangedEvent(rtl::TObject*) { ItemsChanged(); }

    std::unique_ptr<TwzWideStringList> m_items;
    int32_t m_itemIndex = -1;
    std::unique_ptr<platform::ui::PopupMenu> m_menu;
};

class TwzHudPopupBox : public TwzPopupBox {
    RTL_CLASS(TwzHudPopupBox, TwzPopupBox)
public:
    using TwzPopupBox::TwzPopupBox;

protected:
    ~TwzHudPopupBox() override = default;
};
