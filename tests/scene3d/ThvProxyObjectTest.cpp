// Proxies: drawing another object and its subtree at the proxy's place and size, leaving the
// source untouched; hits in the proxy's own box; links to sources that go away.

#include "VisualTestSupport.h"

#include "scene3d/ThvDummy.h"
#include "scene3d/ThvProxyObject.h"
#include "scene3d/ThvStrokeCube.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

/// Records the canvas's world matrix whenever an object it watches is drawn.
class TMatrixRecorder : public rtl::TObject {
public:
    std::vector<std::string> lines;
    void Paint(rtl::TObject* sender, ThvCanvas* canvas)
    {
        const ThvMatrix& m = canvas->GetWorldMatrix();
        lines.push_back(static_cast<rtl::TComponent*>(sender)->GetName() + " at " + LogVector(MatrixRow(m, 3))
            + " x" + LogNumber(m[0][0]));
    }
};

class ThvProxyObjectTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        root = Make<ThvDummy>("root");
        source = Make<ThvStrokeCube>("source", root);
        sourceChild = Make<ThvStrokeCube>("sourceChild", source);
        sourceChild->GetPosition()->SetPoint({ 0, 3, 0 });
        proxy = Make<ThvProxyObject>("proxy", root);
        proxy->GetPosition()->SetPoint({ 10, 0, 0 });
        proxy->GetScale()->SetPoint({ 2, 2, 2 });
        proxy->SetWidth(4);
        source->OnPaint.Bind<&TMatrixRecorder::Paint>(&matrices);
        sourceChild->OnPaint.Bind<&TMatrixRecorder::Paint>(&matrices);
    }

    ThvDummy* root = nullptr;
    ThvStrokeCube* source = nullptr;
    ThvStrokeCube* sourceChild = nullptr;
    ThvProxyObject* proxy = nullptr;
    TMatrixRecorder matrices;
};

TEST_F(ThvProxyObjectTest, TheSourceIsDrawnAgainAtTheProxysPlaceAndSize)
{
    proxy->SetSourceObject(source);
    const ThvMatrix sourceMatrix = source->GetAbsoluteMatrix();
    const ThvMatrix childMatrix = sourceChild->GetAbsoluteMatrix();
    DrawFrame(*scene, *canvas);

    // The source itself, its child, then both again below the proxy, twice as large.
    EXPECT_EQ(canvas->Lines("DrawCube"),
        (std::vector<std::string> { "DrawCube (0,0,0) (1,1,1) 1", "DrawCube (0,0,0) (1,1,1) 1",
            "DrawCube (0,0,0) (4,1,1) 1", "DrawCube (0,0,0) (1,1,1) 1" }));
    // The proxy's OnPaint is its own; the source draws no OnPaint of its own below the proxy,
    // its children do.
    EXPECT_EQ(matrices.lines,
        (std::vector<std::string> {
            "source at (0,0,0) x1", "sourceChild at (0,3,0) x1", "sourceChild at (10,6,0) x2" }));
    // Nothing of the source remembers the proxy's place or size.
    EXPECT_EQ(source->GetAbsoluteMatrix(), sourceMatrix);
    EXPECT_EQ(sourceChild->GetAbsoluteMatrix(), childMatrix);
    EXPECT_EQ(source->GetWidth(), 1);
}

TEST_F(ThvProxyObjectTest, AProxyInsideItsOwnSourceDrawsItOnce)
{
    proxy->SetParent(sourceChild);
    proxy->SetSourceObject(source);
    DrawFrame(*scene, *canvas);
    // source, sourceChild, proxy -> source (4 wide), sourceChild -> (proxy stops there).
    EXPECT_EQ(canvas->Lines("DrawCube").size(), 4u);

    proxy->SetSourceObject(proxy);
    EXPECT_EQ(proxy->GetSourceObject(), source);
}

TEST_F(ThvProxyObjectTest, ASourceThatGoesIsForgotten)
{
    proxy->SetSourceObject(source);
    scene->updateRequests = 0;
    source->Free();
    EXPECT_EQ(proxy->GetSourceObject(), nullptr);
    EXPECT_GT(scene->updateRequests, 0);
    DrawFrame(*scene, *canvas);
    EXPECT_TRUE(canvas->Lines("DrawCube").empty());
}

TEST_F(ThvProxyObjectTest, HitInItsOwnBoxAtRunTimeOnly)
{
    scene->AddObject(proxy);
    proxy->SetProjection(hvProjectionScreen);
    proxy->GetScale()->SetPoint({ 1, 1, 1 });
    proxy->GetPosition()->SetPoint({ 100, 50, 0 });
    proxy->SetWidth(20);
    proxy->SetHeight(20);
    proxy->SetDepth(0.2f); // thin, so the perspective of the screen view barely shifts the edge
    EXPECT_TRUE(proxy->GetHitTest());
    struct Case {
        float x;
        bool hit;
    } const cases[] = { { 100, true }, { 110, true }, { 110.01f, true }, { 110.1f, false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        float distance = 65535;
        EXPECT_EQ(proxy->ObjectAtPoint(hvProjectionScreen, distance, c.x, 50) == proxy, c.hit);
    }
    scene->SetDesigning(true);
    float distance = 65535;
    EXPECT_EQ(proxy->ObjectAtPoint(hvProjectionScreen, distance, 100, 50), nullptr);
}

} // namespace
