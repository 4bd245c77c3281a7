#pragma once

#include "ui2d/TwzControl.h"

/// Plain styled containers: panels, tool and status bars, and the selection item that list
/// boxes and tree views take like their own items.
class TwzPanel : public TwzControl {
    RTL_CLASS(TwzPanel, TwzControl)
public:
    explicit TwzPanel(rtl::TComponent* owner);

protected:
    ~TwzPanel() override = default;
};

class TwzHudPanel : public TwzPanel {
    RTL_CLASS(TwzHudPanel, TwzPanel)
public:
    using TwzPanel::TwzPanel;

protected:
    ~TwzHudPanel() override = default;
};

/// A bar aligned to the top.
class TwzToolBar : public TwzControl {
    RTL_CLASS(TwzToolBar, TwzControl)
public:
    explicit TwzToolBar(rtl::TComponent* owner);

protected:
    ~TwzToolBar() override = default;
};

/// A bar aligned to the bottom whose style may hold a size grip (the part "sizegrip").
class TwzStatusBar : public TwzControl {
    RTL_CLASS(TwzStatusBar, TwzControl)
public:
    explicit TwzStatusBar(rtl::TComponent* owner);

    [[nodiscard]] bool GetShowSizeGrip() const { return m_showSizeGrip; }
    /// A change re-applies the whole style.
    void SetShowSizeGrip(bool value);

    void ApplyStyle() override;

protected:
    ~TwzStatusBar() override = default;

private:
    bool m_showSizeGrip = true;
};

class TwzHudStatusBar : public TwzStatusBar {
    RTL_CLASS(TwzHudStatusBar, TwzStatusBar)
public:
    using TwzStatusBar::TwzStatusBar;

protected:
    ~TwzHudStatusBar() override = default;
};

/// An item of a list box or tree view with a style of the user's (the built-in style has
/// none); a designer shows neither its style nor its children.
class TwzSelectionItem : public TwzControl {
    RTL_CLASS(TwzSelectionItem, TwzControl)
public:
    explicit TwzSelectionItem(rtl::TComponent* owner);

    void PaintChildren() override;

protected:
    ~TwzSelectionItem() override = default;
};
