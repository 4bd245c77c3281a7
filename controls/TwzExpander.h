#pragma once

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzTextControl.h"
#include "ui2d/TwzContent.h"

/// The expand button of an expander's style: a button that never takes the focus.
class TwzExpanderButton : public TwzCustomButton {
    RTL_CLASS(TwzExpanderButton, TwzCustomButton)
public:
    explicit TwzExpanderButton(rtl::TComponent* owner);

protected:
    ~TwzExpanderButton() override = default;
};

/// A captioned box whose content collapses to its header. The style's part "button" (a
/// TwzCustomButton) toggles IsExpanded; its part "checkbox" (a TwzCheckBox) enables or
/// disables the content. Children given to the expander live in its content object, which
/// keeps its height while collapsed (stored as "ContentSize"); the expander's own height is
/// the button's while collapsed and the content's plus the button's when expanded.
class TwzExpander : public TwzTextControl {
    RTL_CLASS(TwzExpander, TwzTextControl)
public:
    explicit TwzExpander(rtl::TComponent* owner);

    [[nodiscard]] bool GetShowCheck() const { return m_showCheck; }
    void SetShowCheck(bool value);
    [[nodiscard]] bool GetIsChecked() const { return m_isChecked; }
    /// On a change: the content follows, and a bound check part gets the value (whose
    /// OnChange brings OnCheckChange).
    void SetIsChecked(bool value);
    [[nodiscard]] bool GetIsExpanded() const { return m_isExpanded; }
    /// Shows or hides the content and resizes the expander to the bound button part's
    /// height, plus the content's when expanding.
    virtual void SetIsExpanded(bool value);

    rtl::TNotifyEvent OnCheckChange;

    /// The container of the expander's children.
    [[nodiscard]] TwzContent* GetContent() const { return m_content.Get(); }

    /// Any object but the content and the applied style goes into the content.
    void AddObject(TwzObject* child) override;
    void ApplyStyle() override;
    void FreeStyle() override;
    /// The content fills the space under the header while expanded.
    void RealignChildren() override;
    void DesignDblClick() override;
    /// "ContentSize": the content's height, always written.
    void DefineProperties(rtl::TFiler& filer) override;

protected:
    ~TwzExpander() override;

private:
    void CheckChanged(rtl::TObject* sender);
    void ButtonClick(rtl::TObject*) { SetIsExpanded(!m_isExpanded); }
    void SendExpanded();

    bool m_showCheck = false;
    bool m_isChecked = true;
    bool m_isExpanded = true;
    bool m_realigning = false;
    rtl::Watch<TwzContent> m_content; // owned as a component and as a child
    rtl::Watch<TwzCustomButton> m_buttonPart;
    rtl::Watch<TwzCheckBox> m_checkPart;
};
