// The brush dialog in a real window: a borderless window showing the HUD window, whose tab
// headers and OK button take real clicks through the transparent scene and its layers.

#include "app/Modules.h"
#include "controls/TwzButtons.h"
#include "controls/TwzTabControl.h"
#include "controls/TwzWindows.h"
#include "design/TwzBrushDesign.h"
#include "graphics/TwzBitmap.h"
#include "tests/MissingDisplay.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "ui2d/TwzCustomScene.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"

#include "tests/support/ModulesEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using platform::ui::RawButtonEvent;
namespace test = platform::ui::test;

namespace {

// A left click at the centre of `object`, through the window system.
void ClickCentre(TwzCustomScene& scene, TwzVisualObject& object)
{
    platform::ui::SceneHost* host = scene.GetHost();
    ASSERT_NE(host, nullptr);
    const TwzRect r = object.GetAbsoluteRect();
    const double x = (r.Left + r.Right) / 2;
    const double y = (r.Top + r.Bottom) / 2;
    test::SendMotion(*host, x, y);
    test::SendButton(*host, RawButtonEvent::Type::Press, 1, x, y);
    platform::ui::RawModifiers held;
    held.button1 = true;
    test::SendButton(*host, RawButtonEvent::Type::Release, 1, x, y, held);
}

// The designer as the user sees it, left as an artefact of the run.
void SavePicture(TwzBrushDesign& designer, platform::ui::SceneHost& host)
{
    const int32_t w = designer.GetClientWidth(), h = designer.GetClientHeight();
    const std::vector<uint32_t> pixels = test::ReadPixels(host, { 0, 0, w, h });
    if (pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
        return;
    TwzBitmap shot(w, h);
    std::copy(pixels.begin(), pixels.end(), shot.Pixels().begin());
    for (uint32_t& p : shot.Pixels())
        p |= 0xFF000000u;
    shot.SaveToFile(std::string(GF_TEST_OUTPUT) + "/brush-dialog.png");
}

} // namespace

TEST(BrushDesignWindow, TheDialogTakesRealClicksOnItsTabsAndEndsWithOk)
{
    platform::ui::Application* app = uitest::Gui();
    if (!app)
        GF_MISSING_DISPLAY(uitest::GuiError());
    rtl::TOwned<TwzBrushDialog> dialog(new TwzBrushDialog(nullptr));
    dialog->GetBrush()->SetSolidColor(0xFF336699);
    bool stepped = false;
    uint32_t hudPixel = 0;
    const int64_t deadline = app->TickMs() + 60000;
    app->StartTimer(50, [&](uint32_t id) {
        TwzBrushDesign* designer = dialog->GetDesigner();
        TwzCustomScene* scene = designer ? designer->wzBrushDesigner : nullptr;
        platform::ui::SceneHost* host = scene ? scene->GetHost() : nullptr;
        const bool ready = host && test::PaintCount(*host) > 0;
        if (!ready && app->TickMs() < deadline)
            return;
        app->StopTimer(id);
        stepped = true;
        ASSERT_TRUE(ready) << "the designer's window did not paint";
        ASSERT_NE(designer->GetWindow(), nullptr);
        // Inside the HUD window, between the tab row and the button row.
        const TwzRect hud = designer->HudWindow1->GetAbsoluteRect();
        test::Sync();
        const std::vector<uint32_t> pixel = test::ReadPixels(*host,
            { static_cast<int32_t>(hud.Left) + 6, static_cast<int32_t>(hud.Bottom) - 6,
                static_cast<int32_t>(hud.Left) + 7, static_cast<int32_t>(hud.Bottom) - 5 });
        if (!pixel.empty())
            hudPixel = pixel[0];
        SavePicture(*designer, *host);

        ClickCentre(*scene, *designer->tabGradient);
        EXPECT_EQ(dialog->GetBrush()->GetStyle(), wzBrushGradient) << "the header took the click";
        ClickCentre(*scene, *designer->tabSolid);
        EXPECT_EQ(dialog->GetBrush()->GetStyle(), wzBrushSolid);
        EXPECT_EQ(dialog->GetBrush()->GetSolidColor(), 0xFF336699u) << "the colour came back with its page";
        ClickCentre(*scene, *designer->btnOK);
    });
    EXPECT_TRUE(dialog->Execute());
    EXPECT_TRUE(stepped);
    // The HUD window's dark, nearly opaque fill shows (over black where no compositor runs).
    const int red = static_cast<int>((hudPixel >> 16) & 0xFF);
    EXPECT_GE(red, 0x28) << std::hex << hudPixel;
    EXPECT_LE(red, 0x40) << std::hex << hudPixel;
    EXPECT_EQ(dialog->GetDesigner(), nullptr);
}
