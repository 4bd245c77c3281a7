#pragma once

// Controls and parts for the tests of styles and the control base: a probe control with a
// subclass and a grand-subclass (their class-derived style names are "probebuttonstyle",
// "probesubbuttonstyle", "probesubsubbuttonstyle"), an animation a style part can carry, and
// a fixture that gives each test a host and its own built-in style.

#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzResources.h"

#include <memory>
#include <string>
#include <vector>

namespace ui2dtest {

class TwzProbeButton : public TwzControl {
    RTL_CLASS(TwzProbeButton, TwzControl)
public:
    explicit TwzProbeButton(rtl::TComponent* owner);

    void ApplyStyle() override;
    void FreeStyle() override;
    [[nodiscard]] rtl::TValue GetData() override { return value; }
    void SetData(const rtl::TValue& v) override { value = v; }

    /// Focus and hover as the input layer sets them.
    void MarkFocused(bool focused) { SetIsFocused(focused); }
    void MarkMouseOver(bool over) { SetIsMouseOver(over); }
    /// Published read-only, as the buttons' pressed state is.
    [[nodiscard]] bool GetIsPressed() const { return pressed; }

    bool pressed = false;

    int applied = 0;
    int freed = 0;
    TwzObject* textPart = nullptr; // "text" of the applied style, kept like a subclass does
    rtl::TValue value;
};

class TwzProbeSubButton : public TwzProbeButton {
    RTL_CLASS(TwzProbeSubButton, TwzProbeButton)
public:
    explicit TwzProbeSubButton(rtl::TComponent* owner);
};

class TwzProbeSubSubButton : public TwzProbeSubButton {
    RTL_CLASS(TwzProbeSubSubButton, TwzProbeSubButton)
public:
    explicit TwzProbeSubSubButton(rtl::TComponent* owner);
};

/// An animation a style part can carry: it records the triggers it is started with.
class TStyleProbeAnimation : public TwzObject, public ui2d::IAnimationChild {
    RTL_CLASS(TStyleProbeAnimation, TwzObject)
public:
    explicit TStyleProbeAnimation(rtl::TComponent* owner);

    void Start() override { m_running = true; }
    void Stop() override { m_running = false; }
    void StartTrigger(TwzObject* instance, const std::string& trigger) override;
    [[nodiscard]] bool GetRunning() const override { return m_running; }
    [[nodiscard]] const std::string& GetTrigger() const override { return m_trigger; }
    void SetTrigger(const std::string& value) { m_trigger = value; }

    std::vector<std::string> started; // the trigger names that matched
    TwzObject* lastInstance = nullptr;

private:
    std::string m_trigger;
    bool m_running = false;
};

/// Frees the built-in style so the next lookup reads the embedded one again.
void ForgetDefaultStyle();

/// A host of 100 x 40 with a style sheet, and a built-in style of the test's choosing; no
/// built-in style is loaded when a test starts, and none is left when it ends.
class StyleTest : public Ui2dTest {
public:
    void SetUp() override;
    void TearDown() override;

    /// Replaces the built-in style by a background root holding `objects` (object text).
    void UseBuiltIn(const std::string& objects);
    /// Sets the sheet's text (a TwzBackground holding `objects`).
    void SetSheet(const std::string& objects);
    /// A probe control of class T, a child of the root (or of `parent`), 60 x 20.
    template <class T = TwzProbeButton>
    T* Control(const std::string& resource = {}, TwzObject* parent = nullptr)
    {
        auto* control = new T(form.get());
        control->SetBounds(10, 10, 60, 20);
        control->SetParent(parent ? parent : root);
        if (!resource.empty())
            control->SetResource(resource);
        return control;
    }
    /// The Hint of a control's applied style ("sheet", "builtin", ... in the fixtures), or
    /// "none".
    static std::string StyleHint(const TwzControl* control);

    /// One paint cycle of the whole host into a 100 x 40 bitmap.
    void PaintScene();
    [[nodiscard]] uint32_t Pixel(int x, int y) { return bitmap.GetScanline(y)[x]; }

    TwzBitmap bitmap { 100, 40 };
    std::unique_ptr<TwzCanvas> canvas;
    rtl::TOwned<TTestObject> form;
    TestScene* scene = nullptr;
    TwzResources* sheet = nullptr;
    TwzVisualObject* root = nullptr;
};

/// A visual style object as object text: a TwzVisualObject with a resource name, a hint that
/// tells tests where the copy came from, HitTest off (so triggers pass into its parts) and
/// `body` inside.
std::string StyleObject(
    const std::string& resourceName, const std::string& hint, const std::string& body = {});

} // namespace ui2dtest
