#pragma once

#include "controls/TwzTextControl.h"

/// A caption, wrapped by default, translated, not hit-testable; with AutoSize it takes the
/// size of its text.
class TwzLabel : public TwzTextControl {
    RTL_CLASS(TwzLabel, TwzTextControl)
public:
    explicit TwzLabel(rtl::TComponent* owner);

    [[nodiscard]] bool GetWordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    [[nodiscard]] bool GetAutoSize() const { return m_autoSize; }
    /// Switching it on sizes the label to its text at once; switching it off keeps the size.
    void SetAutoSize(bool value);

    /// A different text re-applies the style when AutoSize is on.
    void SetText(const std::u16string& value) override;
    void ApplyStyle() override;

protected:
    ~TwzLabel() override = default;

private:
    bool m_wordWrap = true;
    bool m_autoSize = false;
};

/// A label for values: untranslated and on one line unless told otherwise.
class TwzValueLabel : public TwzLabel {
    RTL_CLASS(TwzValueLabel, TwzLabel)
public:
    explicit TwzValueLabel(rtl::TComponent* owner);

protected:
    ~TwzValueLabel() override = default;
};

class TwzHudLabel : public TwzLabel {
    RTL_CLASS(TwzHudLabel, TwzLabel)
public:
    using TwzLabel::TwzLabel;

protected:
    ~TwzHudLabel() override = default;
};
