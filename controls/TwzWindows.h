#pragma once

#include "controls/TwzTextControl.h"
#include "graphics/TwzCanvas.h"

#include <memory>

class TwzBrush;

/// Which side of the HUD window's caption holds the close button.
enum TwzCloseAlign : int32_t { wzButtonAlignLeft, wzButtonAlignRight };
RTL_ENUM(TwzCloseAlign, "wzButtonAlignLeft", "wzButtonAlignRight");

/// An in-scene window frame: a caption, and a close button ("close") and a size grip
/// ("sizegrip") taken from the style. A TwzCloseButton part raises OnCloseClick, when it is
/// assigned, instead of closing the form.
class TwzWindow : public TwzTextControl {
    RTL_CLASS(TwzWindow, TwzTextControl)
public:
    explicit TwzWindow(rtl::TComponent* owner);

    [[nodiscard]] bool GetShowCloseButton() const { return m_showCloseButton; }
    void SetShowCloseButton(bool value);
    [[nodiscard]] bool GetShowSizeGrip() const { return m_showSizeGrip; }
    void SetShowSizeGrip(bool value);

    rtl::TNotifyEvent OnCloseClick;

    void ApplyStyle() override;

protected:
    ~TwzWindow() override = default;

    /// Applies the style again (Resource written with its own value).
    void Restyle();

private:
    bool m_showCloseButton = true;
    bool m_showSizeGrip = true;
};

/// A window that paints its own background ("back") and border ("stroke") with its brushes
/// and pen, and places its close button on either side of the caption.
class TwzHudWindow : public TwzWindow {
    RTL_CLASS(TwzHudWindow, TwzWindow)
public:
    explicit TwzHudWindow(rtl::TComponent* owner);

    [[nodiscard]] bool GetDisableShadowOnOSX() const { return m_disableShadowOnOSX; }
    /// Has no effect on this platform beyond applying the style again.
    void SetDisableShadowOnOSX(bool value);
    [[nodiscard]] TwzBrush* GetFill() const { return m_fill.get(); }
    void SetFill(TwzBrush* value);
    [[nodiscard]] float GetStrokeThickness() const { return m_strokeThickness; }
    void SetStrokeThickness(float value);
    [[nodiscard]] TwzBrush* GetStroke() const { return m_stroke.get(); }
    void SetStroke(TwzBrush* value);
    [[nodiscard]] TwzStrokeCap GetStrokeCap() const { return m_strokeCap; }
    void SetStrokeCap(TwzStrokeCap value);
    [[nodiscard]] TwzStrokeDash GetStrokeDash() const { return m_strokeDash; }
    void SetStrokeDash(TwzStrokeDash value);
    [[nodiscard]] TwzStrokeJoin GetStrokeJoin() const { return m_strokeJoin; }
    void SetStrokeJoin(TwzStrokeJoin value);
    [[nodiscard]] TwzCloseAlign GetButtonAlign() const { return m_buttonAlign; }
    void SetButtonAlign(TwzCloseAlign value);
    [[nodiscard]] bool GetShowCaption() const { return m_showCaption; }
    void SetShowCaption(bool value);

    void ApplyStyle() override;

protected:
    ~TwzHudWindow() override;

private:
    void BrushChanged(rtl::TObject*);
    template <class T> void Change(T& field, T value);

    bool m_disableShadowOnOSX = true;
    std::unique_ptr<TwzBrush> m_fill;
    float m_strokeThickness = 1;
    std::unique_ptr<TwzBrush> m_stroke;
    TwzStrokeCap m_strokeCap = wzCapFlat;
    TwzStrokeDash m_strokeDash = wzDashSolid;
    TwzStrokeJoin m_strokeJoin = wzJoinMiter;
    TwzCloseAlign m_buttonAlign = wzButtonAlignLeft;
    bool m_showCaption = true;
};
