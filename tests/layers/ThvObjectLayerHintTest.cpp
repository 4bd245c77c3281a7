// Hints over an object layer in a 3D scene: a 2D object that shows hints gives its text and
// its rectangle in client pixels; elsewhere the layer's own hint stands.

#include "tests/scene3d/VisualTestSupport.h"

#include "layers/ThvObjectLayer.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "ui2d/TwzShape.h"
#include "ui2d/TwzVisualObject.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace scene3dtest;

namespace {

class ObjectLayerHintTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        m_previousCanvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
        // The empty view belongs to no object: the scene's root takes no mouse.
        auto* view = Make<ThvVisualObject>("View");
        view->SetHitTest(false);
        // A 100 x 50 layer whose left-top corner is at client (50, 25).
        layer = Make<ThvGUIObjectLayer>("Bar", view);
        layer->SetWidth(100);
        layer->SetHeight(50);
        layer->GetPosition()->SetX(100);
        layer->GetPosition()->SetY(50);
        layer->BeforePaint();
        auto* root = new TwzVisualObject(form.get());
        root->SetHitTest(false);
        layer->AddObject(root);
        box = new TwzRectangle(form.get());
        box->SetBounds(10, 10, 20, 20);
        box->SetParent(root);
        box->SetHint(u"Extrusion depth");
    }
    void TearDown() override
    {
        VisualFixture::TearDown();
        form.reset();
        DefaultCanvasClass = m_previousCanvasClass;
    }

    ThvGUIObjectLayer* layer = nullptr;
    TwzRectangle* box = nullptr;

private:
    const TwzCanvasClass* m_previousCanvasClass = nullptr;
};

TEST_F(ObjectLayerHintTest, AnObjectThatShowsHintsGivesItsTextAndItsRectangleInClientPixels)
{
    box->SetShowHint(true);
    std::optional<platform::ui::HintInfo> hint = scene->CMHintShow({ 65, 40 });
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->text, u"Extrusion depth");
    // Layer pixels (10, 10) to (30, 30), from the layer's left-top corner at (50, 25).
    EXPECT_EQ(hint->area, (platform::ui::Rect { 60, 35, 80, 55 }));

    // A scaled object's rectangle is what the scene shows.
    box->GetScale()->SetPoint({ 2, 1 });
    hint = scene->CMHintShow({ 65, 40 });
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->area, (platform::ui::Rect { 60, 35, 100, 55 }));
}

TEST_F(ObjectLayerHintTest, ElsewhereTheLayersOwnHintStands)
{
    layer->SetHint(u"Tool bar");
    // Over the object, which shows no hints: the layer's own, around the cursor.
    std::optional<platform::ui::HintInfo> hint = scene->CMHintShow({ 65, 40 });
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->text, u"Tool bar");
    EXPECT_EQ(hint->area, (platform::ui::Rect { 55, 30, 75, 50 }));
    // Over an empty part of the layer nothing is hit: no hint at all.
    EXPECT_FALSE(scene->CMHintShow({ 52, 27 }).has_value());
    // Outside the layer.
    EXPECT_FALSE(scene->CMHintShow({ 10, 10 }).has_value());
}

} // namespace
