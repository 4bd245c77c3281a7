#pragma once

// A host for the value controls' tests: a test scene with a 200 x 100 background root, a style
// sheet of the test's choosing, a log of the change reports the controls make, and a fake
// application whose clock drives the timers and animations.

#include "controls/Controls.h"
#include "controls/ValueControls.h"
#include "graphics/TwzBounds.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Text.h"
#include "platform/ui/FakeApplication.h"
#include "tests/ui2d/TestScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzResources.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace valuetest {

/// Counts the notifications bound to it, by kind.
class TReportLog : public rtl::TComponent {
    RTL_CLASS(TReportLog, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;

    void Change(rtl::TObject*) { ++changes; }
    void Tracking(rtl::TObject*) { ++trackings; }

    int changes = 0;
    int trackings = 0;

protected:
    ~TReportLog() override = default;
};

class ValueControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Initialize2DLibrary();
        RegisterControls();
        RegisterValueControls();
        app = std::make_unique<platform::ui::FakeApplication>();
        form.reset(new rtl::TComponent(nullptr));
        scene = new TestScene(form.get());
        sheet = new TwzResources(form.get());
        log = new TReportLog(form.get());
        root = new TwzBackground(form.get());
        scene->AddObject(root);
        scene->SetSize(200, 100);
        root->SetBounds(0, 0, 200, 100);
        // A bare built-in style, in force before the scene restyles its root: every test
        // names its own styles in the sheet.
        static const std::string rootText = "object TwzBackground\nend\n";
        const ui2d::StyleFile files[] = { { "root.txt", rootText } };
        ui2d::ReloadDefaultStyle(files);
        scene->SetStyle(sheet);
    }
    void TearDown() override
    {
        form.reset();
        // The animation clock runs on this test's application: the next test makes its own.
        FreeAniThread();
        app.reset();
        if (TwzObject* style = DefaultStyle.Get()) {
            DefaultStyle = nullptr;
            style->Free();
        }
    }

    /// The sheet's text: a background holding `objects` (object text).
    void SetSheet(const std::string& objects)
    {
        sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16("object TwzBackground\n" + objects + "end\n"));
    }

    /// A control of class T owned by the form, placed in `parent` (the root by default) at
    /// `box`, with its style applied.
    template <class T> T* Add(const TwzRect& box, TwzVisualObject* parent = nullptr)
    {
        auto* control = new T(form.get());
        control->SetBounds(box.Left, box.Top, RectWidth(box), RectHeight(box));
        control->SetParent(parent ? parent : root);
        control->LoadStyle();
        return control;
    }

    template <class T> void Watch(T& control) { control.OnChange.template Bind<&TReportLog::Change>(log); }

    std::unique_ptr<platform::ui::FakeApplication> app; // the virtual clock of the timers
    rtl::TOwned<rtl::TComponent> form;
    TestScene* scene = nullptr;
    TwzResources* sheet = nullptr;
    TReportLog* log = nullptr;
    TwzVisualObject* root = nullptr;
};

} // namespace valuetest
