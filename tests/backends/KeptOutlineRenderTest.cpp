// Extruded lettering and slabs keep their flattened outlines between paints: on OpenGL
// (llvmpipe here) a repaint draws exactly the pixels of the first paint, and after any change
// the picture is exactly that of the same scene built with the change from the start.

#include "backends/DirectXModule.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvText3D.h"

#include "graphics/TwzCanvas.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/Component.h"

#include "tests/backends/BackendTestSupport.h"
#include "tests/support/LetteringScene.h"

#include "tests/MissingDisplay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

using namespace backendtest;

namespace {

/// The lettering scene in a 400 x 200 scene of its own, drawn into a bitmap.
class LetteringFrame {
public:
    static constexpr int32_t kWidth = 400;
    static constexpr int32_t kHeight = 200;

    LetteringFrame()
        : m_bitmap(kWidth, kHeight)
    {
        scene = new ThvScene(m_form.get());
        scene->SetSize(kWidth, kHeight);
        scene->SetCanvas(m_bitmap.GetCanvas());
        built = lettering::BuildLetteringScene(*scene, m_form.get());
    }
    ~LetteringFrame()
    {
        scene->SetCanvas(nullptr);
        m_form.reset();
    }
    LetteringFrame(const LetteringFrame&) = delete;
    LetteringFrame& operator=(const LetteringFrame&) = delete;

    std::vector<uint32_t> Draw()
    {
        scene->Render();
        return { m_bitmap.Bits().begin(), m_bitmap.Bits().end() };
    }

    ThvScene* scene = nullptr;
    lettering::LetteringScene built;

private:
    rtl::TOwned<rtl::TComponent> m_form { new rtl::TComponent(nullptr) };
    ThvBitmap m_bitmap;
};

/// How many pixels differ at all.
size_t Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    EXPECT_EQ(a.size(), b.size());
    size_t count = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        count += a[i] != b[i] ? 1 : 0;
    return count;
}

class KeptOutlineRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!StartOpenGl())
            GF_MISSING_DISPLAY("No EGL display or OpenGL context here: the canvas cannot render");
        m_started = true;
        m_canvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
    }
    void TearDown() override
    {
        if (m_started)
            DefaultCanvasClass = m_canvasClass;
    }

    ModuleGuard m_guard;
    bool m_started = false;
    const TwzCanvasClass* m_canvasClass = nullptr;
};

} // namespace

TEST_F(KeptOutlineRenderTest, RepaintsAndChangesDrawThePicturesOfAFreshlyBuiltScene)
{
    LetteringFrame kept;
    const std::vector<uint32_t> first = kept.Draw();
    EXPECT_EQ(Differing(kept.Draw(), first), 0u) << "a repaint of the kept outlines";

    // Each change goes to the scene drawn all along and to a scene built with it before its
    // first paint; some rebuild outlines, the depth and the colour keep them.
    struct Case {
        const char* name;
        std::function<void(const lettering::LetteringScene&)> change;
    };
    const Case cases[] = {
        { "text", [](auto& s) { s.text->SetText(u"Glyph forge"); } },
        { "font size", [](auto& s) { s.text->GetFont()->SetSize(11); } },
        { "font style", [](auto& s) { s.text->GetFont()->SetStyle(hvFontBold); } },
        { "text width", [](auto& s) { s.text->SetWidth(6); } },
        { "alignment", [](auto& s) { s.text->SetHorzTextAlign(wzTextAlignFar); } },
        { "word wrap", [](auto& s) { s.text->SetWordWrap(true); } },
        { "flatness", [](auto& s) { s.text->SetFlatness(4); } },
        { "depth", [](auto& s) { s.text->SetDepth(0.9f); } },
        { "slab radius", [](auto& s) { s.slab->SetxRadius(0.2f); } },
        { "slab height", [](auto& s) { s.slab->SetHeight(2.5f); } },
        { "slab depth", [](auto& s) { s.slab->SetDepth(0.6f); } },
    };
    std::vector<std::function<void(const lettering::LetteringScene&)>> applied;
    std::vector<uint32_t> previous = first;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change(kept.built);
        applied.push_back(c.change);
        const std::vector<uint32_t> changed = kept.Draw();
        EXPECT_GT(Differing(changed, previous), 0u) << "the change shows";
        EXPECT_EQ(Differing(kept.Draw(), changed), 0u) << "a repaint after the change";

        LetteringFrame fresh;
        for (const auto& change : applied)
            change(fresh.built);
        EXPECT_EQ(Differing(fresh.Draw(), changed), 0u);
        previous = changed;
    }
}
