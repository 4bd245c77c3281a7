// A style sheet read from arbitrary text (or, after the binary signature, from a stored tree)
// and applied to a scene of real controls: the sheet's reading, the controls' look-up and
// copying of their styles, and the trigger strings their state sends into the copies (hover,
// press, focus, checked, disabled) with the animations run to their end, then a paint.
//
// Checked beyond the sanitizers: a sheet that cannot be read raises the style error, keeps
// the tree it had and restyles nothing; an applied style is the control's own copy, never an object
// of the sheet; a sheet's tree does not change however the controls' states change.

#include "controls/Controls.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/ValueStream.h"
#include "platform/ui/FakeApplication.h"
#include "tests/ui2d/TestScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzResources.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "style_sheet: %s\n", what);
        std::abort();
    }
}

// Controls whose looks come from the style (by their class-derived names, "buttonstyle",
// "checkboxstyle", ...) and whose states send triggers into it. Few, as every sheet copies
// each control's look twice.
constexpr const char* kControlClasses[]
    = { "TwzButton", "TwzCheckBox", "TwzRadioButton", "TwzTrackBar", "TwzTextBox", "TwzNumberBox" };

std::string TreeText(TwzObject* tree)
{
    if (!tree)
        return {};
    rtl::TMemoryStream text;
    tree->SaveObjectAsText(text);
    return std::string(text.Bytes().begin(), text.Bytes().end());
}

bool Holds(TwzObject* tree, TwzObject* object)
{
    if (!tree)
        return false;
    if (tree == object)
        return true;
    for (TwzObject* child : tree->Children())
        if (Holds(child, object))
            return true;
    return false;
}

platform::ui::FakeApplication* g_app = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Initialize2DLibrary();
    RegisterControls();
    g_app = new platform::ui::FakeApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 16)
        return 0;
    TwzBitmap bitmap(200, 100);
    TwzCanvasGdiPlus canvas(&bitmap);
    const rtl::TOwned<rtl::TComponent> form(new rtl::TComponent(nullptr));
    auto* scene = new TestScene(form.get());
    scene->SetCanvas(&canvas);
    auto* root = new TwzVisualObject(form.get());
    scene->AddObject(root);
    scene->SetSize(200, 100);
    auto* sheet = new TwzResources(form.get());
    sheet->SetName("Sheet1");
    scene->SetStyle(sheet);

    std::vector<TwzControl*> controls;
    float x = 0, y = 0;
    for (const char* name : kControlClasses) {
        const rtl::TClassInfo* info = rtl::FindClass(name);
        Require(info && info->create, "a control class is not registered");
        auto* control = dynamic_cast<TwzControl*>(info->create(form.get()));
        Require(control != nullptr, "a control class makes no control");
        control->SetBounds(x, y, 60, 22);
        control->SetParent(root);
        control->SetCanFocused(true);
        controls.push_back(control);
        x += 65;
        if (x >= 190) {
            x = 0;
            y += 25;
        }
    }
    // Their looks from a sheet that reads (the button's) and the built-in style (the others').
    sheet->GetResource()->SetTextStr(u"object TwzBackground\n"
                                     u"  object TwzRectangle\n"
                                     u"    ResourceName = 'buttonstyle'\n"
                                     u"    HitTest = False\n"
                                     u"  end\n"
                                     u"end\n");
    TwzObject* const previous = sheet->GetRoot();
    Require(previous != nullptr, "the first sheet did not read");
    root->LoadStyle();

    std::vector<TwzVisualObject*> applied;
    for (TwzControl* control : controls)
        applied.push_back(control->GetAppliedStyle());
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bool read = true;
    try {
        if (bytes.starts_with(rtl::kStreamSignature)) {
            rtl::TConstMemoryStream stream(data, size);
            sheet->LoadRootFromStream(stream);
        } else {
            sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16(rtl::ToValidUtf8(bytes)));
        }
    } catch (const ui2d::StyleError&) {
        read = false;
    }
    if (!read) {
        Require(sheet->GetRoot() == previous, "a sheet that did not read has another tree");
        for (size_t i = 0; i < controls.size(); ++i)
            Require(
                controls[i]->GetAppliedStyle() == applied[i], "a sheet that did not read restyled a control");
        return 0;
    }

    // One more control looks up the first style object of the sheet by its name, as a control
    // given a Resource does.
    TwzObject* tree = sheet->GetRoot();
    if (tree && tree->GetChildCount() > 0) {
        auto* named = dynamic_cast<TwzControl*>(rtl::FindClass("TwzButton")->create(form.get()));
        named->SetBounds(0, 60, 60, 22);
        named->SetParent(root);
        named->SetResource(tree->Children().front()->GetResourceName());
        controls.push_back(named);
    }
    root->LoadStyle();
    const std::string before = TreeText(tree);

    // The states each control sends to its copy.
    for (TwzControl* control : controls) {
        const TwzRect bounds = control->GetAbsoluteRect();
        const TwzPoint middle { (bounds.Left + bounds.Right) / 2, (bounds.Top + bounds.Bottom) / 2 };
        scene->InjectMouseMove(middle);
        scene->InjectMouseDown(middle);
        g_app->AdvanceTime(100);
        scene->InjectMouseUp(middle);
        scene->FocusNext();
    }
    scene->InjectMouseMove({ -10, -10 });
    for (TwzControl* control : controls)
        control->SetEnabled(false);
    g_app->AdvanceTime(400);
    bitmap.Clear(0);
    scene->ClearUpdateRects();
    scene->AddUpdateRect({ 0, 0, 200, 100 });
    scene->PaintRoots();

    Require(sheet->GetRoot() == tree, "the sheet's tree changed while the controls were used");
    for (TwzControl* control : controls) {
        TwzVisualObject* style = control->GetAppliedStyle();
        Require(!style || !Holds(tree, style), "a control applied an object of the sheet itself");
    }
    Require(TreeText(tree) == before, "the controls' states changed the sheet's tree");
    return 0;
}
