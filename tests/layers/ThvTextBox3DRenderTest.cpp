// The extruded text box rendered headless on OpenGL: the text on its plate, the selection band
// over the selected characters, the caret after the text, nothing of either once the focus
// went, and the same picture whether the kept outline or a fresh one is drawn.

#include "layers/ThvTextBox3D.h"

#include "tests/MissingDisplay.h"
#include "tests/backends/BackendTestSupport.h"
#include "tests/support/LetteringScene.h"
#include "tests/support/Pixels.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/Types.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace backendtest;
using platform::ui::ShiftFlag;
namespace vk = platform::ui::vk;

namespace {

constexpr int32_t kPictureWidth = 500;
constexpr int32_t kPictureHeight = 100;

using testsupport::Channel;

bool IsSelectionColour(uint32_t p)
{
    return Channel(p, 24) >= 128 && Channel(p, 0) > Channel(p, 16) + 20;
}

bool IsTextColour(uint32_t p)
{
    return Channel(p, 24) >= 128 && Channel(p, 16) > Channel(p, 0) + 60
        && Channel(p, 16) > Channel(p, 8) + 60;
}

bool IsPlateColour(uint32_t p)
{
    return Channel(p, 24) >= 128 && std::abs(Channel(p, 16) - Channel(p, 0)) < 12
        && std::abs(Channel(p, 16) - Channel(p, 8)) < 12;
}

class TextBox3DRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!StartOpenGl())
            GF_MISSING_DISPLAY("No EGL display or OpenGL context here: the canvas cannot render");
        m_started = true;
        m_canvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
        form.reset(new rtl::TComponent(nullptr));
        scene = new ThvScene(form.get());
        scene->SetSize(kPictureWidth, kPictureHeight);
        sceneBitmap = std::make_unique<ThvBitmap>(kPictureWidth, kPictureHeight);
        scene->SetCanvas(sceneBitmap->GetCanvas());
        lettering::FrontView(*scene);

        // The box faces the camera: its local Z towards -Y.
        auto* container = new ThvDummy(form.get());
        scene->AddObject(container);
        container->GetRotateAngle()->SetX(-90);
        box = new ThvTextBox3D(form.get());
        container->AddObject(box);
        box->SetDepth(0.2f);
        box->GetMaterial()->SetLighting(false);
        box->GetMaterial()->SetDiffuseColor(0xFFE02020);
        box->SetText(u"Hello world");
    }
    void TearDown() override
    {
        if (scene)
            scene->SetCanvas(nullptr);
        form.reset();
        sceneBitmap.reset();
        if (m_started)
            DefaultCanvasClass = m_canvasClass;
    }

    /// The box alone, fitted to the picture (its plate fills it).
    std::unique_ptr<TwzBitmap> Picture()
    {
        scene->Render();
        auto picture = std::make_unique<TwzBitmap>(1, 1);
        box->MakeScreenshot(picture.get(), kPictureWidth, kPictureHeight, 0, 1);
        return picture;
    }

    /// The share of the pixels between the box x `from` and `to` (box units, the text's
    /// middle rows) that pass `test`.
    double Share(
        const TwzBitmap& picture, float from, float to, const std::function<bool(uint32_t)>& test) const
    {
        const float scale = kPictureWidth / box->GetWidth();
        const int left = std::max(0, static_cast<int>(from * scale));
        const int right = std::min(kPictureWidth, static_cast<int>(to * scale));
        int hits = 0, all = 0;
        for (int y = kPictureHeight * 35 / 100; y < kPictureHeight * 65 / 100; ++y)
            for (int x = left; x < right; ++x, ++all)
                hits += test(picture.Pixels()[static_cast<size_t>(y * kPictureWidth + x)]) ? 1 : 0;
        return all == 0 ? 0 : double(hits) / all;
    }

    void Key(uint16_t key, platform::ui::ShiftState shift = {})
    {
        char16_t ch = 0;
        box->KeyDown(key, ch, shift);
    }

    ModuleGuard m_guard;
    platform::ui::FakeApplication app;
    rtl::TOwned<rtl::TComponent> form;
    ThvScene* scene = nullptr;
    std::unique_ptr<ThvBitmap> sceneBitmap;
    ThvTextBox3D* box = nullptr;
    bool m_started = false;
    const TwzCanvasClass* m_canvasClass = nullptr;
};

} // namespace

TEST_F(TextBox3DRenderTest, EditsALineOfExtrudedTextWithCaretAndSelection)
{
    const float textEnd = box->GetCharX(11);
    ASSERT_GT(textEnd, 3.0f);
    ASSERT_LT(textEnd, 8.0f);

    // Unfocused: red letters on the grey plate, nothing in the selection colour.
    const std::unique_ptr<TwzBitmap> plain = Picture();
    EXPECT_GT(Share(*plain, 0.1f, textEnd, IsTextColour), 0.1);
    EXPECT_GT(Share(*plain, textEnd + 0.8f, 9.6f, IsPlateColour), 0.9) << "the plate right of the text";
    EXPECT_EQ(Share(*plain, 0, 10, IsSelectionColour), 0);

    // The same picture, frame after frame, and from an outline made anew.
    EXPECT_EQ(Picture()->Pixels().size(), plain->Pixels().size());
    EXPECT_TRUE(std::ranges::equal(Picture()->Pixels(), plain->Pixels()));
    const int64_t builds = box->GetOutlineBuilds();
    box->GetFont()->SetSize(13);
    box->GetFont()->SetSize(12);
    EXPECT_TRUE(std::ranges::equal(Picture()->Pixels(), plain->Pixels()));
    EXPECT_EQ(box->GetOutlineBuilds(), builds + 1);

    // Focused with the last word selected: the band covers "world" only.
    box->EnterFocus();
    Key(vk::kLeft, { ShiftFlag::Shift, ShiftFlag::Ctrl });
    ASSERT_EQ(box->GetSelText(), u"world");
    const float wordStart = box->GetCharX(6);
    const std::unique_ptr<TwzBitmap> selected = Picture();
    EXPECT_GT(Share(*selected, wordStart + 0.2f, textEnd - 0.2f, IsSelectionColour), 0.2);
    EXPECT_EQ(Share(*selected, 0.1f, box->GetCharX(5) - 0.2f, IsSelectionColour), 0);
    EXPECT_EQ(Share(*selected, textEnd + 0.4f, 9.6f, IsSelectionColour), 0);

    // Typing replaces the selection; the caret stands right after the new text.
    char16_t ch = u'!';
    uint16_t key = 0;
    box->KeyDown(key, ch, {});
    ASSERT_EQ(box->GetText(), u"Hello !");
    const float caret = box->GetCharX(7);
    const std::unique_ptr<TwzBitmap> typed = Picture();
    EXPECT_GT(Share(*typed, caret - 0.3f, caret + 0.4f, IsSelectionColour), 0.02) << "the caret";
    EXPECT_EQ(Share(*typed, 0.1f, caret - 0.4f, IsSelectionColour), 0);
    EXPECT_EQ(Share(*typed, caret + 0.6f, 9.6f, IsSelectionColour), 0);

    box->KillFocus();
    EXPECT_EQ(Share(*Picture(), 0, 10, IsSelectionColour), 0) << "no caret without the focus";
}
