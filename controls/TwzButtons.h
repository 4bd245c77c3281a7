#pragma once

#include "controls/TwzTextControl.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzCorners.h"
#include "platform/rtl/ComponentLink.h"

#include <memory>

class TwzBitmap;
class TwzPathData;
class TwzShape;
class TwzTimer;

namespace platform::ui {
class PopupMenuComponent;
}

enum TwzButtonLayout : int32_t { wzGlyphLeft, wzGlyphRight, wzGlyphTop, wzGlyphBottom, wzGlyphCenter };
RTL_ENUM(TwzButtonLayout, "wzGlyphLeft", "wzGlyphRight", "wzGlyphTop", "wzGlyphBottom", "wzGlyphCenter");

/// The press tracking every push button shares: the pressed look through the trigger
/// "IsPressed", a click when the press ends inside, buttons that stay pressed, repeated
/// clicks while held down, a modal result handed to the hosting form, and Enter and Space
/// as keyboard clicks.
class TwzCustomButton : public TwzTextControl {
    RTL_CLASS(TwzCustomButton, TwzTextControl)
public:
    explicit TwzCustomButton(rtl::TComponent* owner);

    [[nodiscard]] bool GetIsPressed() const { return m_isPressed; }
    /// Only a StaysPressed button takes it from code.
    void SetIsPressed(bool value);
    [[nodiscard]] int32_t GetModalResult() const { return m_modalResult; }
    void SetModalResult(int32_t value) { m_modalResult = value; }
    [[nodiscard]] bool GetStaysPressed() const { return m_staysPressed; }
    void SetStaysPressed(bool value) { m_staysPressed = value; }
    [[nodiscard]] bool GetRepeatClick() const { return m_repeatClick; }
    void SetRepeatClick(bool value) { m_repeatClick = value; }
    /// The repeat timer, created on the first repeating press; null before.
    [[nodiscard]] TwzTimer* RepeatTimer() const { return m_repeatTimer; }

    /// A "wzmet" handler becomes OnClick; other values are ignored.
    void SetData(const rtl::TValue& value) override;
    /// With a ModalResult the hosting form gets it; then OnClick.
    void Click() override;
    void DblClick() override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    void ApplyStyle() override;

protected:
    ~TwzCustomButton() override = default;

    /// Sends "IsPressed" to the style's animations and effects.
    void SendPressed();

private:
    void RepeatFirst(rtl::TObject*);
    void RepeatTick(rtl::TObject*);

    bool m_pressing = false;
    bool m_isPressed = false;
    int32_t m_modalResult = 0;
    bool m_staysPressed = false;
    TwzTimer* m_repeatTimer = nullptr; // owned as a component
    bool m_repeatClick = false;
};

/// A push button that answers the dialog keys: Enter when Default, Escape when Cancel.
class TwzButton : public TwzCustomButton {
    RTL_CLASS(TwzButton, TwzCustomButton)
public:
    using TwzCustomButton::TwzCustomButton;

    [[nodiscard]] bool GetDefault() const { return m_default; }
    void SetDefault(bool value) { m_default = value; }
    [[nodiscard]] bool GetCancel() const { return m_cancel; }
    void SetCancel(bool value) { m_cancel = value; }

    void DialogKey(uint16_t& key, TShiftState shift) override;

protected:
    ~TwzButton() override = default;

private:
    bool m_default = false;
    bool m_cancel = false;
};

class TwzRoundButton : public TwzButton {
    RTL_CLASS(TwzRoundButton, TwzButton)
public:
    using TwzButton::TwzButton;

protected:
    ~TwzRoundButton() override = default;
};

class TwzCircleButton : public TwzButton {
    RTL_CLASS(TwzCircleButton, TwzButton)
public:
    explicit TwzCircleButton(rtl::TComponent* owner);

protected:
    ~TwzCircleButton() override = default;
};

/// A small button without focus that repeats its clicks while held down.
class TwzSpeedButton : public TwzCustomButton {
    RTL_CLASS(TwzSpeedButton, TwzCustomButton)
public:
    explicit TwzSpeedButton(rtl::TComponent* owner);

protected:
    ~TwzSpeedButton() override = default;
};

/// A button that opens a popup menu under itself after its click.
class TwzPopupButton : public TwzButton {
    RTL_CLASS(TwzPopupButton, TwzButton)
public:
    using TwzButton::TwzButton;

    [[nodiscard]] platform::ui::PopupMenuComponent* GetPopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(platform::ui::PopupMenuComponent* value);

    void Click() override;

protected:
    ~TwzPopupButton() override = default;

    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

private:
    rtl::ComponentLink<platform::ui::PopupMenuComponent> m_popupMenu { this };
};

/// A button that places a bitmap (the part "image") beside its caption.
class TwzBitmapButton : public TwzCustomButton {
    RTL_CLASS(TwzBitmapButton, TwzCustomButton)
public:
    explicit TwzBitmapButton(rtl::TComponent* owner);

    [[nodiscard]] TwzBitmap* GetBitmap() const { return m_bitmap.get(); }
    /// Copies the bitmap; its change handler repaints and re-applies the style.
    void SetBitmap(TwzBitmap* value);
    [[nodiscard]] TwzButtonLayout GetBitmapLayout() const { return m_bitmapLayout; }
    void SetBitmapLayout(TwzButtonLayout value);
    [[nodiscard]] float GetBitmapSpacing() const { return m_bitmapSpacing; }
    void SetBitmapSpacing(float value);
    [[nodiscard]] float GetBitmapSize() const { return m_bitmapSize; }
    void SetBitmapSize(float value);
    [[nodiscard]] float GetBitmapPadding() const { return m_bitmapPadding; }
    void SetBitmapPadding(float value);

    /// Besides what every control takes from its action: while the button has no picture
    /// (1 pixel wide), the picture ImageIndex numbers in the action list's image list, at
    /// that list's width.
    void ActionChange(rtl::TObject* sender, bool checkDefaults) override;
    void ApplyStyle() override;

protected:
    ~TwzBitmapButton() override;

private:
    void BitmapChanged(rtl::TObject*);
    template <class T> void Change(T& field, T value);

    std::unique_ptr<TwzBitmap> m_bitmap;
    TwzButtonLayout m_bitmapLayout = wzGlyphLeft;
    float m_bitmapSpacing = 0;
    float m_bitmapSize = 32;
    float m_bitmapPadding = 2;
};

/// A bitmap button for tool bars: no focus, the bitmap above the caption.
class TwzToolButton : public TwzBitmapButton {
    RTL_CLASS(TwzToolButton, TwzBitmapButton)
public:
    explicit TwzToolButton(rtl::TComponent* owner);

protected:
    ~TwzToolButton() override = default;
};

/// A button that hands its corner settings to its style's rectangle "Background".
class TwzCornerButton : public TwzCustomButton {
    RTL_CLASS(TwzCornerButton, TwzCustomButton)
public:
    explicit TwzCornerButton(rtl::TComponent* owner);

    [[nodiscard]] float GetYRadius() const { return m_yRadius; }
    void SetYRadius(float value);
    [[nodiscard]] float GetXRadius() const { return m_xRadius; }
    void SetXRadius(float value);
    [[nodiscard]] TwzCorners GetCorners() const { return m_corners; }
    void SetCorners(TwzCorners value);
    [[nodiscard]] TwzCornerType GetCornerType() const { return m_cornerType; }
    void SetCornerType(TwzCornerType value);
    [[nodiscard]] bool IsCornersStored() const { return m_corners != AllCorners; }

    void ApplyStyle() override;

protected:
    ~TwzCornerButton() override = default;

private:
    float m_yRadius = 3;
    float m_xRadius = 3;
    TwzCorners m_corners = AllCorners;
    TwzCornerType m_cornerType = wzCornerRound;
};

/// A button painted from three bitmaps: normal, under the mouse, and pressed.
class TwzBitmapStateButton : public TwzCustomButton {
    RTL_CLASS(TwzBitmapStateButton, TwzCustomButton)
public:
    explicit TwzBitmapStateButton(rtl::TComponent* owner);

    // The writers take nothing: the bitmaps are filled in place (by the reader, or through
    // the bitmap objects themselves).
    [[nodiscard]] TwzBitmap* GetBitmap() const { return m_bitmap.get(); }
    void SetBitmap(TwzBitmap*) { }
    [[nodiscard]] TwzBitmap* GetBitmapHot() const { return m_bitmapHot.get(); }
    void SetBitmapHot(TwzBitmap*) { }
    [[nodiscard]] TwzBitmap* GetBitmapDown() const { return m_bitmapDown.get(); }
    void SetBitmapDown(TwzBitmap*) { }

    void Paint() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void StartTriggerAnimation(TwzObject* instance, const std::string& trigger) override;

protected:
    ~TwzBitmapStateButton() override;

private:
    void BitmapChanged(rtl::TObject*) { InvalidateObject(); }

    std::unique_ptr<TwzBitmap> m_bitmap;
    std::unique_ptr<TwzBitmap> m_bitmapDown;
    std::unique_ptr<TwzBitmap> m_bitmapHot;
};

/// A button that places a vector path (the part "path" inside the part "pathowner") beside
/// its caption.
class TwzPathButton : public TwzCustomButton {
    RTL_CLASS(TwzPathButton, TwzCustomButton)
public:
    explicit TwzPathButton(rtl::TComponent* owner);

    [[nodiscard]] TwzPathData* GetPath() const { return m_path.get(); }
    /// Copies the path; its change handler repaints and re-applies the style.
    void SetPath(TwzPathData* value);
    [[nodiscard]] TwzButtonLayout GetPathLayout() const { return m_pathLayout; }
    void SetPathLayout(TwzButtonLayout value);
    [[nodiscard]] float GetPathSize() const { return m_pathSize; }
    void SetPathSize(float value);
    [[nodiscard]] float GetPathSpacing() const { return m_pathSpacing; }
    void SetPathSpacing(float value);
    [[nodiscard]] float GetPathPadding() const { return m_pathPadding; }
    void SetPathPadding(float value);
    [[nodiscard]] float GetPathStrokeThickness() const { return m_pathStrokeThickness; }
    void SetPathStrokeThickness(float value);
    [[nodiscard]] TwzBrush* GetPathFill() const { return m_pathFill.get(); }
    void SetPathFill(TwzBrush* value);
    [[nodiscard]] TwzBrush* GetPathStroke() const { return m_pathStroke.get(); }
    void SetPathStroke(TwzBrush* value);
    [[nodiscard]] TwzStrokeCap GetPathStrokeCap() const { return m_pathStrokeCap; }
    void SetPathStrokeCap(TwzStrokeCap value);
    [[nodiscard]] TwzStrokeDash GetPathStrokeDash() const { return m_pathStrokeDash; }
    void SetPathStrokeDash(TwzStrokeDash value);
    [[nodiscard]] TwzStrokeJoin GetPathStrokeJoin() const { return m_pathStrokeJoin; }
    void SetPathStrokeJoin(TwzStrokeJoin value);

    void ApplyStyle() override;

protected:
    ~TwzPathButton() override;

private:
    void GlyphChanged(rtl::TObject*);
    /// Stores a changed value and, unless loading, re-applies the style.
    template <class T> void Change(T& field, T value);

    std::unique_ptr<TwzPathData> m_path;
    TwzButtonLayout m_pathLayout = wzGlyphLeft;
    float m_pathSize = 32;
    float m_pathSpacing = 0;
    float m_pathPadding = 2;
    float m_pathStrokeThickness = 1;
    std::unique_ptr<TwzBrush> m_pathFill;
    std::unique_ptr<TwzBrush> m_pathStroke;
    TwzStrokeCap m_pathStrokeCap = wzCapFlat;
    TwzStrokeDash m_pathStrokeDash = wzDashSolid;
    TwzStrokeJoin m_pathStrokeJoin = wzJoinMiter;
};

/// A path button for tool bars: no focus, the path above the caption.
class TwzToolPathButton : public TwzPathButton {
    RTL_CLASS(TwzToolPathButton, TwzPathButton)
public:
    explicit TwzToolPathButton(rtl::TComponent* owner);

protected:
    ~TwzToolPathButton() override = default;
};

/// Runs the brush dialog on `brush` (solid page only); true when confirmed. Installed by
/// the design layer; without one a colour button that does not use the standard dialog
/// edits nothing.
using TwzBrushDialogRunner = bool (*)(TwzBrush& brush);
void SetBrushDialogRunner(TwzBrushDialogRunner runner);

/// Shows an ARGB colour in its style's part "fill" (any shape) and edits it on a click,
/// through the window system's colour dialog (the alpha is lost) or the brush dialog.
class TwzColorButton : public TwzCustomButton {
    RTL_CLASS(TwzColorButton, TwzCustomButton)
public:
    explicit TwzColorButton(rtl::TComponent* owner);

    /// Colour text ("#AARRGGBB").
    [[nodiscard]] const std::string& GetColor() const { return m_color; }
    /// Stores the text (no comparison), shows it, and unless loading raises OnChange.
    void SetColor(const std::string& value);
    [[nodiscard]] bool GetUseStandardDialog() const { return m_useStandardDialog; }
    void SetUseStandardDialog(bool value) { m_useStandardDialog = value; }

    rtl::TNotifyEvent OnChange;

    /// ModalResult and OnClick first, then the colour dialog.
    void Click() override;
    void ApplyStyle() override;
    void FreeStyle() override;

protected:
    ~TwzColorButton() override = default;

private:
    rtl::Watch<TwzShape> m_fillPart;
    std::string m_color = "#FF000000";
    bool m_useStandardDialog = true;
};

class TwzHudButton : public TwzButton {
    RTL_CLASS(TwzHudButton, TwzButton)
public:
    using TwzButton::TwzButton;

protected:
    ~TwzHudButton() override = default;
};

class TwzHudRoundButton : public TwzButton {
    RTL_CLASS(TwzHudRoundButton, TwzButton)
public:
    using TwzButton::TwzButton;

protected:
    ~TwzHudRoundButton() override = default;
};

class TwzHudCircleButton : public TwzCircleButton {
    RTL_CLASS(TwzHudCircleButton, TwzCircleButton)
public:
    using TwzCircleButton::TwzCircleButton;

protected:
    ~TwzHudCircleButton() override = default;
};

class TwzHudCornerButton : public TwzCornerButton {
    RTL_CLASS(TwzHudCornerButton, TwzCornerButton)
public:
    using TwzCornerButton::TwzCornerButton;

protected:
    ~TwzHudCornerButton() override = default;
};

class TwzHudSpeedButton : public TwzSpeedButton {
    RTL_CLASS(TwzHudSpeedButton, TwzSpeedButton)
public:
    using TwzSpeedButton::TwzSpeedButton;

protected:
    ~TwzHudSpeedButton() override = default;
};

namespace controls {

/// Lays a glyph part out beside the caption: its Align, size and the padding toward the
/// caption follow `layout`; `padding` goes on all four sides first.
void LayoutGlyph(TwzVisualObject& part, TwzButtonLayout layout, float size, float spacing, float padding);

} // namespace controls
