#pragma once

#include "controls/TwzTextControl.h"
#include "platform/rtl/ComponentLink.h"
#include "ui2d/TwzControl.h"

class TwzTabControl;

/// One header of a tab control. Layout names its page: another child of the tab control
/// (a layout or any visual object) that the tab control shows while this tab is current.
/// The item sends the trigger "IsSelected" to its style.
class TwzTabItem : public TwzTextControl {
    RTL_CLASS(TwzTabItem, TwzTextControl)
public:
    explicit TwzTabItem(rtl::TComponent* owner);

    /// The position among the visible tab items, written by the tab control's realignment.
    [[nodiscard]] int32_t GetTabIndex() const { return m_tabIndex; }
    void SetTabIndex(int32_t value) { m_tabIndex = value; }
    [[nodiscard]] TwzVisualObject* GetLayout() const { return m_layout; }
    void SetLayout(TwzVisualObject* value);
    [[nodiscard]] bool GetIsSelected() const { return m_isSelected; }
    /// Stores the value (no change test) and sends "IsSelected" to the style.
    void SetIsSelected(bool value);

    /// The tab control this item is a header of, or null.
    [[nodiscard]] TwzTabControl* TabControl() const;

    void DesignSelect() override;
    void DesignInsert() override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    /// Places the page under the header row, inside the tab control's margins.
    void RealignChildren() override;
    void ApplyStyle() override;

protected:
    ~TwzTabItem() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

private:
    int32_t m_tabIndex = 0;
    rtl::ComponentLink<TwzVisualObject> m_layout { this };
    bool m_isSelected = false;
    bool m_realigning = false;
};

/// A row of tab headers (TwzTabItem children) along the top edge and, below it, the page of
/// the current tab. The style's part "background" (any visual object) frames the pages; its
/// margins narrow the header row. The current header is painted over everything else.
class TwzTabControl : public TwzControl {
    RTL_CLASS(TwzTabControl, TwzControl)
public:
    explicit TwzTabControl(rtl::TComponent* owner);

    [[nodiscard]] int32_t GetItemIndex() const { return m_itemIndex; }
    /// On a change: the old tab is deselected, the pages follow, the new tab is selected
    /// and OnChange is raised (also when no tab has the new index).
    void SetItemIndex(int32_t value);
    [[nodiscard]] float GetItemHeight() const { return m_itemHeight; }
    void SetItemHeight(float value);
    [[nodiscard]] bool GetFullSize() const { return m_fullSize; }
    void SetFullSize(bool value);

    rtl::TNotifyEvent OnChange;

    /// The first child tab item with that tab index, visible or not; null when none.
    [[nodiscard]] TwzTabItem* ItemByIndex(int32_t index) const;
    [[nodiscard]] TwzVisualObject* GetBackgroundPart() const { return m_background.Get(); }

    [[nodiscard]] std::string GetItemClassName() override;
    void AddObject(TwzObject* child) override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void PaintChildren() override;
    void RealignChildren() override;
    void ApplyStyle() override;
    void FreeStyle() override;

protected:
    ~TwzTabControl() override = default;

private:
    int32_t m_itemIndex = -1;
    float m_itemHeight = 0;
    bool m_fullSize = false;
    bool m_realigning = false;
    rtl::Watch<TwzVisualObject> m_background; // part of the applied style
};

/// The heads-up forms: only their style names differ.
class TwzHudTabItem : public TwzTabItem {
    RTL_CLASS(TwzHudTabItem, TwzTabItem)
public:
    using TwzTabItem::TwzTabItem;

protected:
    ~TwzHudTabItem() override = default;
};

class TwzHudTabControl : public TwzTabControl {
    RTL_CLASS(TwzHudTabControl, TwzTabControl)
public:
    using TwzTabControl::TwzTabControl;

    [[nodiscard]] std::string GetItemClassName() override;

protected:
    ~TwzHudTabControl() override = default;
};
