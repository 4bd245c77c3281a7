#pragma once

#include "controls/TwzTextControl.h"
#include "ui2d/TwzCustomScene.h"

#include <memory>
#include <string>

class TwzPathData;

/// The press tracking and the checked state that check boxes and radio buttons share. The
/// checked state reaches the style through the trigger "IsChecked"; a press released inside
/// toggles it, after OnClick has run. Not a stream class of its own: both controls descend
/// from the text control in the class registry.
class TwzToggleControl : public TwzTextControl {
public:
    explicit TwzToggleControl(rtl::TComponent* owner);

    [[nodiscard]] bool GetIsPressed() const { return m_isPressed; }
    /// Published read-only; the reader's value is ignored.
    void SetIsPressed(bool) { }
    [[nodiscard]] bool GetIsChecked() const { return m_isChecked; }
    /// On a change: stores, sends "IsChecked" to the style, then OnChange.
    virtual void SetIsChecked(bool value);

    rtl::TNotifyEvent OnChange;

    /// IsChecked.
    [[nodiscard]] rtl::TValue GetData() override;
    /// A "wzmet" handler becomes OnChange; any other value is read as a Boolean.
    void SetData(const rtl::TValue& value) override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void ApplyStyle() override;

protected:
    ~TwzToggleControl() override = default;

    /// Stores the state, sends "IsChecked", then raises OnChange.
    void CommitChecked(bool value);
    /// Stores the state only.
    void StoreChecked(bool value) { m_isChecked = value; }

private:
    bool m_pressing = false;
    bool m_isPressed = false;
    bool m_isChecked = false;
};

class TwzCheckBox : public TwzToggleControl {
    RTL_CLASS(TwzCheckBox, TwzTextControl)
public:
    using TwzToggleControl::TwzToggleControl;

    /// Enter and Space toggle.
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;

protected:
    ~TwzCheckBox() override = default;
};

/// A check box whose mark is a path, pushed into the style's part "checkmark".
class TwzPathCheckBox : public TwzCheckBox {
    RTL_CLASS(TwzPathCheckBox, TwzCheckBox)
public:
    explicit TwzPathCheckBox(rtl::TComponent* owner);

    [[nodiscard]] TwzPathData* GetPath() const { return m_path.get(); }
    void SetPath(TwzPathData* value);

    void ApplyStyle() override;

protected:
    ~TwzPathCheckBox() override;

private:
    void PathChanged(rtl::TObject*) { ApplyStyle(); }

    std::unique_ptr<TwzPathData> m_path;
};

/// A check box that is exclusive among the radio buttons of its parent with the same
/// GroupName. It is unchecked only by checking another member of its group; Enter and
/// Space do nothing.
class TwzRadioButton : public TwzToggleControl {
    RTL_CLASS(TwzRadioButton, TwzTextControl)
public:
    using TwzToggleControl::TwzToggleControl;

    [[nodiscard]] const std::string& GetGroupName() const { return m_groupName; }
    void SetGroupName(const std::string& value) { m_groupName = value; }

    void SetIsChecked(bool value) override;

protected:
    ~TwzRadioButton() override = default;

private:
    std::string m_groupName;
};

/// A captioned frame.
class TwzGroupBox : public TwzTextControl {
    RTL_CLASS(TwzGroupBox, TwzTextControl)
public:
    explicit TwzGroupBox(rtl::TComponent* owner);

protected:
    ~TwzGroupBox() override = default;
};

/// Window furniture: closes the hosting form when a press on it is released, then raises
/// its OnClick.
class TwzCloseButton : public TwzControl {
    RTL_CLASS(TwzCloseButton, TwzControl)
public:
    explicit TwzCloseButton(rtl::TComponent* owner);

    [[nodiscard]] bool GetCloseForm() const { return m_closeForm; }
    void SetCloseForm(bool value) { m_closeForm = value; }

    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    /// Nothing: the release raises OnClick after closing the form.
    void Click() override;

protected:
    ~TwzCloseButton() override = default;

private:
    bool m_pressed = false;
    bool m_closeForm = true;
};

/// A left press on it resizes the host's window (the scene tests for IwzSizeGrip).
class TwzSizeGrip : public TwzControl, public IwzSizeGrip {
    RTL_CLASS(TwzSizeGrip, TwzControl)
public:
    using TwzControl::TwzControl;

protected:
    ~TwzSizeGrip() override = default;
};

class TwzHudCheckBox : public TwzCheckBox {
    RTL_CLASS(TwzHudCheckBox, TwzCheckBox)
public:
    using TwzCheckBox::TwzCheckBox;

protected:
    ~TwzHudCheckBox() override = default;
};

class TwzHudRadioButton : public TwzRadioButton {
    RTL_CLASS(TwzHudRadioButton, TwzRadioButton)
public:
    using TwzRadioButton::TwzRadioButton;

protected:
    ~TwzHudRadioButton() override = default;
};

class TwzHudGroupBox : public TwzGroupBox {
    RTL_CLASS(TwzHudGroupBox, TwzGroupBox)
public:
    using TwzGroupBox::TwzGroupBox;

protected:
    ~TwzHudGroupBox() override = default;
};

class TwzHudCloseButton : public TwzCloseButton {
    RTL_CLASS(TwzHudCloseButton, TwzCloseButton)
public:
    using TwzCloseButton::TwzCloseButton;

protected:
    ~TwzHudCloseButton() override = default;
};

class TwzHudSizeGrip : public TwzSizeGrip {
    RTL_CLASS(TwzHudSizeGrip, TwzSizeGrip)
public:
    using TwzSizeGrip::TwzSizeGrip;

protected:
    ~TwzHudSizeGrip() override = default;
};
