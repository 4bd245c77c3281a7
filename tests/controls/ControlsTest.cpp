#include "ControlsTest.h"

#include "controls/Controls.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzLang.h"

// The font libraries keep process-wide caches until the process ends, which the leak
// checker cannot follow; only allocations inside them are exempt.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:cairo_scaled_font_create\n";
}

namespace controlstest {

RTL_IMPLEMENT_CLASS(TTestForm)

void TTestForm::SetModalResult(int32_t value)
{
    modalResult = value;
    log.push_back("modal:" + std::to_string(value));
}

void TTestForm::CloseForm()
{
    log.push_back("close");
}

namespace {

std::string NameOf(rtl::TObject* sender)
{
    auto* component = dynamic_cast<rtl::TComponent*>(sender);
    return component ? component->GetName() : "?";
}

} // namespace

void TTestForm::Click(rtl::TObject* sender)
{
    log.push_back("click:" + NameOf(sender));
}

void TTestForm::Change(rtl::TObject* sender)
{
    log.push_back("change:" + NameOf(sender));
}

rtl::TNotifyEvent TTestForm::ClickHandler()
{
    rtl::TNotifyEvent e;
    e.Bind<&TTestForm::Click>(this);
    return e;
}

rtl::TNotifyEvent TTestForm::ChangeHandler()
{
    rtl::TNotifyEvent e;
    e.Bind<&TTestForm::Change>(this);
    return e;
}

void ControlsTest::SetUp()
{
    Initialize2DLibrary();
    RegisterControls();
    app = std::make_unique<platform::ui::FakeApplication>();
    canvas = std::make_unique<TwzCanvasGdiPlus>(&bitmap);
    form.reset(new TTestForm(nullptr));
    scene = new TestScene(form.get());
    scene->SetCanvas(canvas.get());
    root = new TwzVisualObject(form.get());
    scene->AddObject(root);
    scene->SetSize(200, 100);
}

void ControlsTest::TearDown()
{
    ui2d::FreeLanguageTable();
    form.reset();
    canvas.reset();
    // The animation clock runs on this test's application: the next test makes its own.
    FreeAniThread();
    app.reset();
}

void ControlsTest::PaintAll()
{
    bitmap.Clear(0);
    scene->ClearUpdateRects();
    scene->AddUpdateRect({ 0, 0, 200, 100 });
    scene->PaintRoots();
}

} // namespace controlstest
