#include "StyleTestClasses.h"

#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/Text.h"
#include "ui2d/TwzBackground.h"

namespace ui2dtest {

namespace {

constexpr rtl::TPropInfo kProbeButtonProps[] = {
    RTL_PROP_RO(TwzProbeButton, IsPressed, Boolean),
};

constexpr rtl::TPropInfo kProbeAnimationProps[] = {
    RTL_PROP(TStyleProbeAnimation, Trigger, String, ""),
};

void RegisterStyleTestClasses()
{
    static const bool registered = [] {
        RegisterTestClasses();
        rtl::RegisterClass<TwzProbeButton>();
        rtl::RegisterClass<TwzProbeSubButton>();
        rtl::RegisterClass<TwzProbeSubSubButton>();
        rtl::RegisterClass<TStyleProbeAnimation>();
        return true;
    }();
    (void)registered;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzProbeButton, .props = kProbeButtonProps)
RTL_IMPLEMENT_CLASS(TwzProbeSubButton)
RTL_IMPLEMENT_CLASS(TwzProbeSubSubButton)
RTL_IMPLEMENT_CLASS(TStyleProbeAnimation, .props = kProbeAnimationProps)

TwzProbeButton::TwzProbeButton(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetCanFocused(true);
}

void TwzProbeButton::ApplyStyle()
{
    ++applied;
    textPart = FindResource("text");
    Inherited::ApplyStyle();
}

void TwzProbeButton::FreeStyle()
{
    ++freed;
    textPart = nullptr;
    Inherited::FreeStyle();
}

TwzProbeSubButton::TwzProbeSubButton(rtl::TComponent* owner)
    : TwzProbeButton(owner)
{ }

TwzProbeSubSubButton::TwzProbeSubSubButton(rtl::TComponent* owner)
    : TwzProbeSubButton(owner)
{ }

TStyleProbeAnimation::TStyleProbeAnimation(rtl::TComponent* owner)
    : TwzObject(owner)
{ }

void TStyleProbeAnimation::StartTrigger(TwzObject* instance, const std::string& trigger)
{
    // Only the trigger's name is compared here; conditions are the animations' business.
    if (m_trigger.empty() || !rtl::SameText(m_trigger.substr(0, m_trigger.find('=')), trigger))
        return;
    started.push_back(trigger);
    lastInstance = instance;
    m_running = true;
}

void ForgetDefaultStyle()
{
    if (TwzObject* style = DefaultStyle.Get()) {
        DefaultStyle = nullptr;
        style->Free();
    }
}

std::string StyleObject(const std::string& resourceName, const std::string& hint, const std::string& body)
{
    return "object TwzVisualObject\n  ResourceName = '" + resourceName + "'\n  Hint = '" + hint
        + "'\n  Width = 40\n  Height = 20\n  HitTest = False\n  DesignHide = True\n" + body + "end\n";
}

void StyleTest::SetUp()
{
    RegisterStyleTestClasses();
    ForgetDefaultStyle();
    Ui2dTest::SetUp();
    form.reset(new TTestObject(nullptr));
    scene = new TestScene(form.get());
    sheet = new TwzResources(form.get());
    auto* background = new TwzBackground(form.get());
    root = background;
    // An empty built-in style, so no test depends on the embedded one by accident.
    UseBuiltIn({});
    scene->AddObject(root);
    scene->SetSize(100, 40);
    scene->SetStyle(sheet);
}

void StyleTest::TearDown()
{
    form.reset();
    canvas.reset();
    ForgetDefaultStyle();
    Ui2dTest::TearDown();
}

void StyleTest::PaintScene()
{
    if (!canvas) {
        canvas = std::make_unique<TwzCanvasGdiPlus>(&bitmap);
        scene->SetCanvas(canvas.get());
    }
    bitmap.Clear(0);
    scene->ClearUpdateRects();
    scene->AddUpdateRect({ 0, 0, 100, 40 });
    scene->PaintRoots();
}

void StyleTest::UseBuiltIn(const std::string& objects)
{
    static std::string rootText;
    static std::string objectText;
    rootText = "object TwzBackground\n  Width = 548\n  Height = 547\nend\n";
    objectText = objects;
    const ui2d::StyleFile files[] = { { "root.txt", rootText }, { "objects.txt", objectText } };
    ui2d::ReloadDefaultStyle(files);
}

void StyleTest::SetSheet(const std::string& objects)
{
    sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16("object TwzBackground\n" + objects + "end\n"));
}

std::string StyleTest::StyleHint(const TwzControl* control)
{
    const TwzVisualObject* style = control->GetAppliedStyle();
    return style ? rtl::Utf16ToUtf8(style->GetHint()) : std::string("none");
}

} // namespace ui2dtest
