#pragma once

// A host for control tests: a form that records what the controls ask of it, a test scene
// with a 200 x 100 root painting into a bitmap through the real canvas, the controls
// registered, the real built-in style, and a fake application whose clock drives the
// timers and the style animations.

#include "controls/TwzFormLink.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/Component.h"
#include "platform/ui/FakeApplication.h"
#include "tests/ui2d/TestScene.h"
#include "ui2d/TwzControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace controlstest {

/// Records modal results, close requests and the events bound to its handlers, in order.
class TTestForm : public rtl::TComponent, public IwzFormLink {
    RTL_CLASS(TTestForm, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;

    void SetModalResult(int32_t value) override;
    void CloseForm() override;

    /// "click:Name", "change:Name", "modal:N", "close".
    void Click(rtl::TObject* sender);
    void Change(rtl::TObject* sender);

    [[nodiscard]] rtl::TNotifyEvent ClickHandler();
    [[nodiscard]] rtl::TNotifyEvent ChangeHandler();

    std::vector<std::string> log;
    int32_t modalResult = 0;

protected:
    ~TTestForm() override = default;
};

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Left, top, width and height.
    struct Box {
        float x, y, width, height;
    };

    /// A control of class T owned by the form, named, placed in `parent` (the root by
    /// default) at `box`, with its style applied.
    template <class T> T* Add(const std::string& name, const Box& box, TwzObject* parent = nullptr)
    {
        auto* object = new T(form.get());
        object->SetName(name);
        object->SetBounds(box.x, box.y, box.width, box.height);
        object->SetParent(parent ? parent : root);
        object->LoadStyle();
        return object;
    }

    /// Runs the style animations to their end.
    void Settle() { app->AdvanceTime(300); }
    /// One paint cycle over the whole surface, on a transparent bitmap.
    void PaintAll();
    [[nodiscard]] uint32_t Pixel(int x, int y) { return bitmap.GetScanline(y)[x]; }
    /// Presses and releases at the point (scene coordinates).
    void ClickAt(const TwzPoint& p) { scene->InjectClick(p); }
    [[nodiscard]] static TwzObject* Part(TwzControl& control, const std::string& name)
    {
        return control.FindResource(name);
    }

    std::unique_ptr<platform::ui::FakeApplication> app;
    TwzBitmap bitmap { 200, 100 };
    std::unique_ptr<TwzCanvasGdiPlus> canvas;
    rtl::TOwned<TTestForm> form;
    TestScene* scene = nullptr;
    TwzVisualObject* root = nullptr;
};

} // namespace controlstest
