#pragma once

#include "controls/TwzAngleButton.h"
#include "controls/TwzButtons.h"
#include "controls/TwzLabel.h"
#include "controls/TwzMemo.h"
#include "controls/TwzNumberBox.h"
#include "controls/TwzTextBox.h"
#include "controls/TwzTracks.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "ui2d/TwzControl.h"

#include <cstdint>
#include <string>

namespace controls {

/// What every compound row shares: a caption label on the left ("TextLabel") and one editor
/// filling the rest, both sub-components: created by the row, never stored as children of
/// their own, their properties streamed inside the row ("TextLabel.Width = 90"). The row's
/// OnChange passes the editor's on, with the editor as Sender. Not a class of its own in the
/// registry: every row descends from the plain control there.
class CompoundRow : public TwzControl {
public:
    [[nodiscard]] TwzLabel* GetTextLabel() const { return m_textLabel.Get(); }

    rtl::TNotifyEvent OnChange;

protected:
    CompoundRow(rtl::TComponent* owner, float height);
    ~CompoundRow() override = default;

    /// An unnamed plain control that holds an editor in place: unstored and locked.
    [[nodiscard]] TwzControl* AddContainer(TwzAlign align);
    /// Makes `part` a sub-component named `name`, aligned `align` in `parent`.
    void Adopt(TwzVisualObject& part, const std::string& name, TwzObject& parent, TwzAlign align);
    void EditorChange(rtl::TObject* sender);

private:
    rtl::Watch<TwzLabel> m_textLabel;
};

} // namespace controls

/// A track bar with a value label at its right, showing the value with DecimalDigits
/// fraction digits (a whole number for a whole, non-zero Frequency) and a suffix.
class TwzCompoundTrackBar : public controls::CompoundRow {
    RTL_CLASS(TwzCompoundTrackBar, TwzControl)
public:
    explicit TwzCompoundTrackBar(rtl::TComponent* owner);

    [[nodiscard]] TwzTrackBar* GetTrackBar() const { return m_trackBar.Get(); }
    [[nodiscard]] TwzValueLabel* GetValueLabel() const { return m_valueLabel.Get(); }
    [[nodiscard]] float GetValue() const;
    void SetValue(float value);
    [[nodiscard]] int32_t GetDecimalDigits() const { return m_decimalDigits; }
    void SetDecimalDigits(int32_t value);
    [[nodiscard]] const std::u16string& GetSuffix() const { return m_suffix; }
    void SetSuffix(const std::u16string& value);

    /// The value label's text for the track bar's current value.
    [[nodiscard]] std::u16string ValueText() const;

protected:
    ~TwzCompoundTrackBar() override = default;

private:
    void RefreshValueLabel();
    void TrackChange(rtl::TObject* sender);
    void TrackTracking(rtl::TObject* sender);

    rtl::Watch<TwzTrackBar> m_trackBar;
    rtl::Watch<TwzValueLabel> m_valueLabel;
    int32_t m_decimalDigits = 2;
    std::u16string m_suffix;
};

/// An angle dial with a value label of whole degrees.
class TwzCompoundAngleBar : public controls::CompoundRow {
    RTL_CLASS(TwzCompoundAngleBar, TwzControl)
public:
    explicit TwzCompoundAngleBar(rtl::TComponent* owner);

    [[nodiscard]] TwzAngleButton* GetAngleButton() const { return m_angleButton.Get(); }
    [[nodiscard]] TwzValueLabel* GetValueLabel() const { return m_valueLabel.Get(); }
    [[nodiscard]] float GetValue() const;
    void SetValue(float value);

protected:
    ~TwzCompoundAngleBar() override = default;

private:
    void RefreshValueLabel();
    void DialChange(rtl::TObject* sender);

    rtl::Watch<TwzAngleButton> m_angleButton;
    rtl::Watch<TwzValueLabel> m_valueLabel;
};

class TwzCompoundTextBox : public controls::CompoundRow {
    RTL_CLASS(TwzCompoundTextBox, TwzControl)
public:
    explicit TwzCompoundTextBox(rtl::TComponent* owner);

    [[nodiscard]] TwzTextBox* GetTextBox() const { return m_textBox.Get(); }
    [[nodiscard]] std::u16string GetValue() const;
    void SetValue(const std::u16string& value);

protected:
    ~TwzCompoundTextBox() override = default;

private:
    rtl::Watch<TwzTextBox> m_textBox;
};

class TwzCompoundMemo : public controls::CompoundRow {
    RTL_CLASS(TwzCompoundMemo, TwzControl)
public:
    explicit TwzCompoundMemo(rtl::TComponent* owner);

    [[nodiscard]] TwzMemo* GetMemo() const { return m_memo.Get(); }
    [[nodiscard]] std::u16string GetValue() const;
    void SetValue(const std::u16string& value);

protected:
    ~TwzCompoundMemo() override = default;

private:
    rtl::Watch<TwzMemo> m_memo;
};

class TwzCompoundNumberBox : public controls::CompoundRow {
    RTL_CLASS(TwzCompoundNumberBox, TwzControl)
public:
    explicit TwzCompoundNumberBox(rtl::TComponent* owner);

    [[nodiscard]] TwzNumberBox* GetNumberBox() const { return m_numberBox.Get(); }
    [[nodiscard]] float GetValue() const;
    void SetValue(float value);

protected:
    ~TwzCompoundNumberBox() override = default;

private:
    rtl::Watch<TwzNumberBox> m_numberBox;
};

class TwzCompoundColorButton : public controls::CompoundRow {
    RTL_CLASS(TwzCompoundColorButton, TwzControl)
public:
    explicit TwzCompoundColorButton(rtl::TComponent* owner);

    [[nodiscard]] TwzColorButton* GetColorButton() const { return m_colorButton.Get(); }
    /// The colour text form ("#FF000000").
    [[nodiscard]] std::string GetValue() const;
    void SetValue(const std::string& value);

protected:
    ~TwzCompoundColorButton() override = default;

private:
    rtl::Watch<TwzColorButton> m_colorButton;
};
