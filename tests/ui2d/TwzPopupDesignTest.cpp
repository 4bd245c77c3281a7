// A popup on a designed scene: it never opens there, and it paints a dashed frame where it
// is so the designer can find it.

#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "tests/ui2d/TestScene.h"
#include "tests/ui2d/Ui2dTestClasses.h"
#include "ui2d/TwzPopup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

TEST(PopupDesign, ADesignedPopupStaysClosedAndShowsADashedFrame)
{
    ui2dtest::RegisterTestClasses();
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* scene = new TestScene(owner.get());
    TwzBitmap bitmap(64, 64);
    TwzCanvasGdiPlus canvas(&bitmap);
    scene->SetCanvas(&canvas);
    scene->SetDesignTime(true);
    auto* popup = new TwzPopup(owner.get());
    scene->AddObject(popup);
    popup->SetBounds(0, 0, 40, 30);

    popup->SetIsOpen(true);
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_EQ(popup->GetPopupForm(), nullptr);

    canvas.SetMatrix(popup->GetAbsoluteMatrix());
    popup->Paint();
    // The frame runs along the edges in dashes (light and dark stretches along the top
    // edge); the inside stays empty.
    uint32_t strongest = 0;
    for (int x = 2; x < 38; ++x)
        strongest = std::max(strongest, bitmap.Pixels()[static_cast<size_t>(x)] >> 24);
    int faint = 0;
    std::string row;
    for (int x = 2; x < 38; ++x) {
        const uint32_t alpha = bitmap.Pixels()[static_cast<size_t>(x)] >> 24;
        faint += alpha <= strongest / 2 ? 1 : 0;
        row += std::to_string(alpha) + " ";
    }
    EXPECT_GT(strongest, 100u) << row;
    EXPECT_GT(faint, 5) << "dashed, not solid: " << row;
    EXPECT_LT(faint, 30) << row;
    EXPECT_EQ(bitmap.Pixels()[15 * 64 + 20], 0u);

    // Outside design mode nothing of its own is painted.
    scene->SetDesignTime(false);
    std::fill(bitmap.Pixels().begin(), bitmap.Pixels().end(), 0u);
    popup->Paint();
    for (uint32_t pixel : bitmap.Pixels())
        ASSERT_EQ(pixel, 0u);
}
