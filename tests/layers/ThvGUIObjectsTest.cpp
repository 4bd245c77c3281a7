// The screen-space objects over a recording canvas: what the picture draws in each wrap mode,
// the plane's colour and material, the text layer's locked text and its stored form, and the
// selection's grips, drags and limits.

#include "tests/scene3d/VisualTestSupport.h"

#include "layers/ThvGUIObjects.h"
#include "layers/ThvObjectLayer.h"

#include "backends/ThvFilterGdiPlus.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFilterGdiPlus.h"
#include "graphics/TwzFont.h"
#include "scene3d/Library3D.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvSceneDesign.h"
#include "ui2d/TwzText.h"

#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scene3dtest;

namespace {

std::string ObjectText(ThvObject& object)
{
    rtl::TMemoryStream text;
    object.SaveToStream(text);
    return std::string(reinterpret_cast<const char*>(text.Memory()), static_cast<size_t>(text.GetSize()));
}

class GUIObjectsTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        m_previousCanvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
        RegisterGUIObjects();
        m_previousFilterClass = hvDefaultFilterClass;
        hvDefaultFilterClass = &kFilterClassOf<ThvFilterGdiPlus>;
        m_previous2DFilterClass = DefaultFilterClass;
        DefaultFilterClass = &kTwzFilterGdiPlusClass;
    }
    void TearDown() override
    {
        VisualFixture::TearDown();
        form.reset();
        Finalize3DLibrary();
        DefaultCanvasClass = m_previousCanvasClass;
        hvDefaultFilterClass = m_previousFilterClass;
        DefaultFilterClass = m_previous2DFilterClass;
    }

    /// The FillMesh lines of one Render of `object`.
    std::vector<std::string> Drawn(ThvVisualObject& object)
    {
        canvas->ClearLog();
        object.Render();
        return canvas->Lines("FillMesh");
    }

    ThvObject* Read(const std::string& text)
    {
        rtl::TConstMemoryStream input(text.data(), text.size());
        return CreateObjectFromStream(form.get(), input);
    }

private:
    const TwzCanvasClass* m_previousCanvasClass = nullptr;
    const ThvFilterClass* m_previousFilterClass = nullptr;
    const TwzFilterClass* m_previous2DFilterClass = nullptr;
};

TEST_F(GUIObjectsTest, NewObjectsAreScreenObjectsOfTheirSizes)
{
    auto* layout = Make<ThvGUILayout>();
    auto* plane = Make<ThvGUIPlane>();
    auto* image = Make<ThvGUIImage>();
    auto* text = Make<ThvGUIText>();
    auto* selection = Make<ThvGUISelection>();
    for (ThvVisualObject* object : std::vector<ThvVisualObject*> { layout, plane, image, text }) {
        SCOPED_TRACE(object->ClassInfo().name);
        EXPECT_EQ(object->GetProjection(), hvProjectionScreen);
        EXPECT_EQ(object->GetWidth(), 256);
        EXPECT_EQ(object->GetHeight(), 256);
        EXPECT_FALSE(object->GetZWrite());
    }
    EXPECT_FALSE(image->GetHitTest());
    EXPECT_FALSE(text->GetHitTest());
    EXPECT_EQ(image->GetWrapMode(), wzImageStretch);
    EXPECT_EQ(image->GetBitmap()->GetWidth(), 1);
    EXPECT_EQ(selection->GetProjection(), hvProjectionScreen);
    EXPECT_EQ(selection->GetWidth(), 100);
    EXPECT_EQ(selection->GetHeight(), 100);
    EXPECT_EQ(selection->GetDepth(), 1);
    EXPECT_TRUE(selection->GetAutoCapture());
    EXPECT_EQ(selection->GetGripSize(), 3);
    EXPECT_EQ(selection->GetMinSize(), 15);

    // A layout draws nothing itself.
    canvas->ClearLog();
    layout->Render();
    EXPECT_TRUE(canvas->log.empty());
}

TEST_F(GUIObjectsTest, InADesignedSceneTheTextLayerIsMovedWhereObjectLayersTakeTheMouse)
{
    // What the designed scene asks of its selection before it hands it the mouse.
    const auto takesMouse = [](ThvVisualObject* object) {
        const auto* input = dynamic_cast<const scene3d::IDesignMouseInput*>(object);
        return input && input->GetDesignMouseInput();
    };
    EXPECT_FALSE(takesMouse(Make<ThvGUIText>())) << "its one text object is not designed";
    EXPECT_TRUE(takesMouse(Make<ThvGUIObjectLayer>())) << "its 2D objects are designed inside it";
}

TEST_F(GUIObjectsTest, APictureDrawsByItsWrapMode)
{
    struct Case {
        TwzImageWrap mode;
        int32_t bitmapWidth, bitmapHeight;
        float width, height;
        std::vector<std::string> drawn;
    };
    const Case cases[] = {
        // One texel a pixel from the left-top corner, not cut.
        { wzImageOriginal, 64, 32, 100, 100, { "FillMesh (-18,-34,0) (64,32,0) 4/6 1" } },
        { wzImageOriginal, 300, 300, 100, 100, { "FillMesh (100,100,0) (300,300,0) 4/6 1" } },
        // A smaller picture keeps its size, a larger one shrinks keeping its aspect.
        { wzImageFit, 50, 20, 256, 256, { "FillMesh (0,0,0) (50,20,0) 4/6 1" } },
        { wzImageFit, 512, 256, 256, 256, { "FillMesh (0,0,0) (256,128,0) 4/6 1" } },
        { wzImageStretch, 50, 20, 256, 128, { "FillMesh (0,0,0) (256,128,0) 4/6 1" } },
        // Whole tiles from the left-top corner; the last reach past the edges.
        { wzImageTile, 64, 64, 100, 100,
            { "FillMesh (-18,-18,0) (64,64,0) 4/6 1", "FillMesh (-18,46,0) (64,64,0) 4/6 1",
                "FillMesh (46,-18,0) (64,64,0) 4/6 1", "FillMesh (46,46,0) (64,64,0) 4/6 1" } },
        { wzImageTile, 64, 32, 60, 40,
            { "FillMesh (2,-4,0) (64,32,0) 4/6 1", "FillMesh (2,28,0) (64,32,0) 4/6 1" } },
        // Pictures without area, and tiles a pixel thin, draw nothing.
        { wzImageOriginal, 0, 0, 100, 100, {} },
        { wzImageFit, 0, 0, 100, 100, {} },
        { wzImageStretch, 0, 0, 100, 100, {} },
        { wzImageTile, 0, 0, 100, 100, {} },
        { wzImageTile, 1, 64, 100, 100, {} },
        { wzImageTile, 64, 1, 100, 100, {} },
    };
    auto* image = Make<ThvGUIImage>();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(rtl::EnumName(c.mode)) + " " + std::to_string(c.bitmapWidth) + "x"
            + std::to_string(c.bitmapHeight));
        ThvBitmap picture(c.bitmapWidth, c.bitmapHeight);
        image->SetBitmap(&picture);
        image->GetBitmap()->SetSize(c.bitmapWidth, c.bitmapHeight);
        image->SetWrapMode(c.mode);
        image->SetWidth(c.width);
        image->SetHeight(c.height);
        EXPECT_EQ(Drawn(*image), c.drawn);
    }

    // 128 x 128 with 64 x 64 tiles: three columns and rows, the third wholly outside.
    ThvBitmap tile(64, 64);
    image->SetBitmap(&tile);
    image->SetWrapMode(wzImageTile);
    image->SetWidth(128);
    image->SetHeight(128);
    const std::vector<std::string> drawn = Drawn(*image);
    ASSERT_EQ(drawn.size(), 9u);
    EXPECT_EQ(drawn.back(), "FillMesh (96,96,0) (64,64,0) 4/6 1");
    // The picture is the texture only while it is drawn, unlit, replacing the diffuse colour.
    EXPECT_EQ(canvas->GetMaterial()->GetTextureBitmap(), nullptr);
    EXPECT_FALSE(canvas->GetMaterial()->GetLighting());
    EXPECT_EQ(canvas->GetMaterial()->GetBitmapMode(), hvTexReplace);
}

TEST_F(GUIObjectsTest, ATinyTileOnAHugePictureDrawsABoundedNumberOfTiles)
{
    auto* image = Make<ThvGUIImage>();
    ThvBitmap tile(2, 2);
    image->SetBitmap(&tile);
    image->SetWrapMode(wzImageTile);
    image->SetWidth(1e9f);
    image->SetHeight(1e9f);
    const size_t drawn = Drawn(*image).size();
    EXPECT_GT(drawn, 0u);
    EXPECT_LE(drawn, static_cast<size_t>(ThvGUIImage::kMaxTiles));
}

TEST_F(GUIObjectsTest, PictureChangesRepaintAndTheStoredFormKeepsThem)
{
    auto* image = Make<ThvGUIImage>();
    image->SetName("Back");
    scene->updateRequests = 0;
    ThvBitmap picture(8, 4);
    image->SetBitmap(&picture);
    EXPECT_GT(scene->updateRequests, 0);
    scene->updateRequests = 0;
    image->SetWrapMode(wzImageStretch); // unchanged
    EXPECT_EQ(scene->updateRequests, 0);
    image->SetWrapMode(wzImageTile);
    EXPECT_EQ(scene->updateRequests, 1);
    image->SetLayerAlign(hvLayerContents);
    image->SetWidth(4); // the plate's default size, not the picture's

    const std::string text = ObjectText(*image);

    EXPECT_NE(text.find("WrapMode = wzImageTile"), std::string::npos) << text;
    EXPECT_NE(text.find("LayerAlign = hvLayerContents"), std::string::npos) << text;
    auto* read = dynamic_cast<ThvGUIImage*>(Read(text));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetWrapMode(), wzImageTile);
    EXPECT_EQ(read->GetLayerAlign(), hvLayerContents);
    EXPECT_EQ(read->GetBitmap()->GetWidth(), 8);
    EXPECT_EQ(read->GetWidth(), 4);
    EXPECT_EQ(read->GetHeight(), 256);

    // Streams of the older names still load.
    auto* old
        = dynamic_cast<ThvGUIImage*>(Read("object Old: ThvScreenImage\n  WrapMode = wzImageFit\nend\n"));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->ClassInfo().name, "ThvScreenImage");
    EXPECT_EQ(old->GetWrapMode(), wzImageFit);
    EXPECT_NE(dynamic_cast<ThvGUILayout*>(Read("object D: ThvScreenDummy\nend\n")), nullptr);
}

TEST_F(GUIObjectsTest, APlaneHasARandomOpaqueColourAndDrawsWithItsMaterial)
{
    for (int i = 0; i < 20; ++i) {
        auto* plane = Make<ThvGUIPlane>();
        EXPECT_EQ(plane->GetMaterial()->GetDiffuse().substr(0, 3), "#FF");
    }
    auto* plane = Make<ThvGUIPlane>();
    plane->SetWidth(30);
    plane->SetHeight(20);
    plane->SetOpacity(0.5f);
    ThvMaterial red;
    red.SetDiffuse("#FFFF0000");
    red.SetFillMode(hvWireframe);
    scene->updateRequests = 0;
    plane->SetMaterial(&red);
    EXPECT_GT(scene->updateRequests, 0);

    canvas->ClearLog();
    plane->BeforePaint();
    EXPECT_EQ(canvas->GetMaterial()->GetDiffuse(), "#FFFF0000");
    EXPECT_EQ(Drawn(*plane), (std::vector<std::string> { "FillMesh (0,0,0) (30,20,3) 4/6 0.5" }));
    canvas->ClearLog();
    plane->AfterPaint();
    const std::vector<std::string> states = canvas->Lines("ApplyState");
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(states.end() - 2, states.end()),
        (std::vector<std::string> { "ApplyState hvStateSolid", "ApplyState hvStateGouraud" }));
}

TEST_F(GUIObjectsTest, TheUnitSquareHasItsTextureOriginAtTheLeftTop)
{
    ThvMeshData mesh;
    BuildUnitSquare(mesh);
    ASSERT_EQ(mesh.Vertices().size(), 4u);
    EXPECT_EQ(mesh.Indices(), (std::vector<uint16_t> { 0, 1, 2, 2, 1, 3 }));
    const ThvTexVertexNormal& rightBottom = mesh.Vertices()[3];
    EXPECT_EQ(rightBottom.X, 0.5f);
    EXPECT_EQ(rightBottom.Y, 0.5f);
    EXPECT_EQ(rightBottom.TU, 1);
    EXPECT_EQ(rightBottom.TV, 1);
    EXPECT_EQ(mesh.Vertices()[1].TU, 1);
    EXPECT_EQ(mesh.Vertices()[1].TV, 0);
    EXPECT_EQ(mesh.Vertices()[0].NZ, 1);
}

TEST_F(GUIObjectsTest, ATextLayerShowsOneLockedUnstoredTextThatFillsIt)
{
    auto* label = Make<ThvGUIText>();
    label->SetName("Caption");
    TwzText* text = label->GetTextObject();
    ASSERT_EQ(label->Roots().size(), 1u);
    EXPECT_EQ(label->Roots()[0], text);
    EXPECT_TRUE(text->GetLocked());
    EXPECT_FALSE(text->GetStored());
    EXPECT_EQ(text->GetWidth(), 256);
    EXPECT_EQ(text->GetHeight(), 256);
    // The letters' colour is the text's fill; the layer's own background stays clear.
    EXPECT_EQ(label->ThvCustomObjectLayer::GetFill()->GetStyle(), wzBrushNone);

    label->SetText(u"Glyphs");
    label->GetFill()->SetSolidColor(0xFF00FF00u);
    label->GetFont()->SetSize(20);
    label->SetWidth(120);
    label->SetHeight(30);
    label->BeforePaint();
    EXPECT_EQ(text->GetWidth(), 120);
    EXPECT_EQ(text->GetText(), u"Glyphs");

    const std::string stored = ObjectText(*label);
    EXPECT_EQ(stored.find("TwzText"), std::string::npos) << stored;

    auto* read = dynamic_cast<ThvGUIText*>(Read(stored));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetText(), u"Glyphs");
    EXPECT_EQ(read->GetFill()->GetSolidColor(), 0xFF00FF00u);
    EXPECT_EQ(read->GetFont()->GetSize(), 20);
    ASSERT_EQ(read->Roots().size(), 1u);
    EXPECT_EQ(read->Roots()[0], read->GetTextObject());
}

// ---- the selection ------------------------------------------------------------------------

class SelectionTest : public GUIObjectsTest {
protected:
    void SetUp() override
    {
        GUIObjectsTest::SetUp();
        selection = Make<ThvGUISelection>();
    }

    void Press(float x, float y, TMouseButton button = TMouseButton::Left)
    {
        selection->LayerMouseDown(button, {}, x, y);
    }
    void Move(float x, float y) { selection->LayerMouseMove({}, x, y); }
    void Release(float x, float y) { selection->LayerMouseUp(TMouseButton::Left, {}, x, y); }
    std::string Box() const
    {
        return LogNumber(selection->GetPosition()->GetX()) + "," + LogNumber(selection->GetPosition()->GetY())
            + " " + LogNumber(selection->GetWidth()) + "x" + LogNumber(selection->GetHeight());
    }

    ThvGUISelection* selection = nullptr;
};

TEST_F(SelectionTest, DraggingAGripKeepsTheOppositeCornerAndDraggingInsideMoves)
{
    struct Case {
        const char* what;
        float pressX, pressY, moveX, moveY;
        const char* box; // position and size after the move
    };
    const Case cases[] = {
        { "left-top", 0, 0, 10, 20, "5,10 90x80" },
        { "right-top", 100, 0, 110, 20, "5,10 110x80" },
        { "left-bottom", 0, 100, 10, 120, "5,10 90x120" },
        { "right-bottom", 100, 100, 130, 90, "15,-5 130x90" },
        { "inside", 50, 50, 60, 45, "10,-5 100x100" },
        // The horizontal part would leave 10 (below 15): only the vertical part applies.
        { "left-top below the minimum", 0, 0, 90, 10, "0,5 100x90" },
        { "exactly the minimum", 0, 0, 85, 0, "42.5,0 15x100" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        selection->GetPosition()->SetX(0);
        selection->GetPosition()->SetY(0);
        selection->SetWidth(100);
        selection->SetHeight(100);
        Press(c.pressX, c.pressY);
        EXPECT_TRUE(selection->GetPressed());
        Move(c.moveX, c.moveY);
        EXPECT_EQ(Box(), c.box);
        Release(c.moveX, c.moveY);
        EXPECT_FALSE(selection->GetPressed());
        for (int g = 0; g < 4; ++g)
            EXPECT_FALSE(selection->IsGripDragged(static_cast<ThvGUISelection::Grip>(g)));
    }
}

TEST_F(SelectionTest, AResizeFollowsTheMouseOverSeveralMoves)
{
    // Right-bottom: the press point follows the mouse, so each move adds only its own step.
    Press(100, 100);
    Move(110, 105);
    Move(120, 110);
    EXPECT_EQ(Box(), "10,5 120x110");
    Release(120, 110);
    // Left-top: the corner moves under the mouse, the press point stays the same layer point.
    Press(0, 0);
    Move(10, 10);
    EXPECT_EQ(Box(), "15,10 110x100");
    Move(0, 0); // the mouse has not moved since: the corner is under it
    EXPECT_EQ(Box(), "15,10 110x100");
    Move(-5, 0);
    EXPECT_EQ(Box(), "12.5,10 115x100");
}

TEST_F(SelectionTest, OverlappingGripsMoveTheFirstTakenAndTheRightButtonTakesNone)
{
    std::vector<std::string> events;
    struct Log : rtl::TObject {
        std::vector<std::string>* lines = nullptr;
        void Down(rtl::TObject*, TMouseButton, TShiftState, int32_t x, int32_t y)
        {
            lines->push_back("down " + std::to_string(x) + " " + std::to_string(y));
        }
    } log;
    log.lines = &events;
    selection->OnLayerMouseDown.Bind<&Log::Down>(&log);

    Press(50, 50, TMouseButton::Right);
    EXPECT_EQ(events, (std::vector<std::string> { "down 50 50" }));
    EXPECT_FALSE(selection->GetPressed());
    Move(60, 60);
    EXPECT_EQ(Box(), "0,0 100x100");

    // A 4 x 4 selection with grips of 3: a press in the middle is on all four.
    selection->SetMinSize(1);
    selection->SetWidth(4);
    selection->SetHeight(4);
    Press(2, 2);
    for (int g = 0; g < 4; ++g)
        EXPECT_TRUE(selection->IsGripDragged(static_cast<ThvGUISelection::Grip>(g)));
    Move(1, 1); // left-top decides: it grows by one each way
    EXPECT_EQ(Box(), "-0.5,-0.5 5x5");
}

TEST_F(SelectionTest, GripsTurnHotUnderTheMouseAndTheHitAreaIncludesThem)
{
    scene->updateRequests = 0;
    Move(99, 1);
    EXPECT_TRUE(selection->IsGripHot(ThvGUISelection::kRightTop));
    EXPECT_FALSE(selection->IsGripHot(ThvGUISelection::kLeftTop));
    EXPECT_EQ(scene->updateRequests, 1);
    Move(98, 2); // still on it: no repaint
    EXPECT_EQ(scene->updateRequests, 1);

    canvas->ClearLog();
    selection->Render();
    const std::vector<std::string> cubes = canvas->Lines("FillCube");
    ASSERT_EQ(cubes.size(), 4u);
    EXPECT_EQ(cubes[1], "FillCube (50,-50,0) (6,6,1) 1");
    EXPECT_EQ(canvas->Lines("DrawLine").size(), 4u);
    EXPECT_EQ(canvas->Lines("DrawCube").size(), 4u);

    selection->MouseLeave();
    EXPECT_FALSE(selection->IsGripHot(ThvGUISelection::kRightTop));

    // A ray 2 units outside the right edge still hits (grips reach 3 past it); the size stays.
    ThvVector hit;
    EXPECT_TRUE(selection->RayCastIntersect({ 52, 0, 5, 1 }, { 0, 0, -1, 0 }, hit));
    EXPECT_FALSE(selection->RayCastIntersect({ 54, 0, 5, 1 }, { 0, 0, -1, 0 }, hit));
    EXPECT_EQ(selection->GetWidth(), 100);
}

TEST_F(SelectionTest, ALargerMinimumGrowsTheSelectionAndASmallerOneDoesNotShrinkIt)
{
    selection->SetMinSize(150);
    EXPECT_EQ(Box(), "0,0 150x150");
    selection->SetMinSize(15);
    EXPECT_EQ(Box(), "0,0 150x150");
    scene->updateRequests = 0;
    selection->SetGripSize(5);
    EXPECT_EQ(scene->updateRequests, 1);
    auto* read = dynamic_cast<ThvGUISelection*>(Read(ObjectText(*selection)));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetGripSize(), 5);
}

} // namespace
