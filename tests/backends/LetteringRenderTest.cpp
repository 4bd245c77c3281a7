// Extruded lettering rendered headless to pictures: the whole road from a scene built in code
// through tiled, supersampled screenshots on OpenGL (llvmpipe here) to a PNG file, and the
// screenshot's fitting, background, tiling and clean-up.

#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvShape3D.h"
#include "scene3d/ThvText3D.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFilter.h"
#include "graphics/TwzFilterGdiPlus.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/Component.h"

#include "tests/backends/BackendTestSupport.h"
#include "tests/support/LetteringScene.h"
#include "tests/support/Outlines.h"
#include "tests/support/Pixels.h"

#include "tests/MissingDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace backendtest;

namespace {

constexpr int32_t kSceneWidth = 800;
constexpr int32_t kSceneHeight = 400;

using lettering::kTextBack;
using lettering::kTextFront;
using lettering::kTextSide;
using testsupport::Alpha;
using testsupport::Bounds;
using testsupport::Channel;
using testsupport::Figures;
using testsupport::PixelOf;

/// A headless scene of 800 x 400 pixels whose canvas renders into a bitmap, with the 2D
/// canvas and codec classes the lettering needs.
class LetteringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!StartOpenGl())
            GF_MISSING_DISPLAY("No EGL display or OpenGL context here: the canvas cannot render");
        m_started = true;
        m_canvasClass = DefaultCanvasClass;
        m_filterClass = DefaultFilterClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        DefaultFilterClass = &kTwzFilterGdiPlusClass;
        StartGdiPlus();
        form.reset(new rtl::TComponent(nullptr));
        scene = new ThvScene(form.get());
        UseSceneSize(kSceneWidth, kSceneHeight);
    }

    void TearDown() override
    {
        if (scene)
            scene->SetCanvas(nullptr);
        form.reset();
        sceneBitmap.reset();
        if (m_started) {
            DefaultCanvasClass = m_canvasClass;
            DefaultFilterClass = m_filterClass;
        }
    }

    /// The scene's canvas: a bitmap canvas of that size, standing for the window's.
    void UseSceneSize(int32_t width, int32_t height)
    {
        scene->SetCanvas(nullptr);
        scene->SetSize(width, height);
        sceneBitmap = std::make_unique<ThvBitmap>(width, height);
        scene->SetCanvas(sceneBitmap->GetCanvas());
    }

    /// Views the scene from straight ahead: the design camera looks along +Y at the origin.
    void FrontView() { lettering::FrontView(*scene); }

    template <class T> T* Make(ThvObject* parent = nullptr)
    {
        T* object = new T(form.get());
        if (parent)
            parent->AddObject(object);
        else
            scene->AddObject(object);
        return object;
    }

    /// A container turned to face the camera (its local Z towards -Y), of that box.
    ThvDummy* MakeContainer(float width, float height, float depth)
    {
        auto* container = Make<ThvDummy>();
        container->GetRotateAngle()->SetX(-90);
        container->SetWidth(width);
        container->SetHeight(height);
        container->SetDepth(depth);
        return container;
    }

    /// A thin plate facing the camera whose front face fills its box's outline on screen.
    ThvRectangle3D* MakePlate(ThvObject* parent, float width, float height, uint32_t color)
    {
        auto* plate = Make<ThvRectangle3D>(parent);
        plate->SetWidth(width);
        plate->SetHeight(height);
        plate->SetDepth(0.001f);
        plate->GetMaterial()->SetDiffuseColor(color);
        plate->GetMaterial()->SetLighting(false);
        return plate;
    }

    /// Draws one frame in the scene's window, as the paint cycle does; the screenshot takes
    /// its camera from there.
    void RenderScene() { scene->Render(); }

    ModuleGuard m_guard;
    rtl::TOwned<rtl::TComponent> form;
    ThvScene* scene = nullptr;
    std::unique_ptr<ThvBitmap> sceneBitmap;
    bool m_started = false;
    const TwzCanvasClass* m_canvasClass = nullptr;
    const TwzFilterClass* m_filterClass = nullptr;
};

/// The box of the pixels at least half opaque; empty when there are none.
TwzRect InkBox(const TwzBitmap& bitmap)
{
    int32_t left = bitmap.GetWidth(), top = bitmap.GetHeight(), right = -1, bottom = -1;
    for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
        for (int32_t x = 0; x < bitmap.GetWidth(); ++x) {
            if (Alpha(bitmap.Pixels()[static_cast<size_t>(y * bitmap.GetWidth() + x)]) >= 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        return {};
    return MakeRect(static_cast<float>(left), static_cast<float>(top), static_cast<float>(right + 1),
        static_cast<float>(bottom + 1));
}

struct Difference {
    double mean = 0; // per channel, over every pixel
    int max = 0;
    double share = 0; // of the pixels with a channel off by more than `tolerance`
};

Difference Compare(const TwzBitmap& a, const TwzBitmap& b, int tolerance)
{
    Difference d;
    size_t off = 0;
    const size_t count = a.Pixels().size();
    for (size_t i = 0; i < count; ++i) {
        bool beyond = false;
        for (int shift = 0; shift < 32; shift += 8) {
            const int diff = std::abs(Channel(a.Pixels()[i], shift) - Channel(b.Pixels()[i], shift));
            d.mean += diff;
            d.max = std::max(d.max, diff);
            beyond = beyond || diff > tolerance;
        }
        off += beyond ? 1 : 0;
    }
    d.mean /= static_cast<double>(count) * 4;
    d.share = static_cast<double>(off) / static_cast<double>(count);
    return d;
}

// ---- the lettering ------------------------------------------------------------------------

/// The glyph outline of the lettering as its 2D layout gives it, flattened.
TwzPolygon LetteringOutline(const ThvText3D& text)
{
    std::unique_ptr<TwzCanvas> layout = DefaultCanvasClass->Create(1, 1);
    layout->GetFont().SetFamily(text.GetFont()->GetFamily());
    layout->GetFont().SetStyle(static_cast<TwzFontStyle>(text.GetFont()->GetStyle()));
    layout->GetFont().SetSize(text.GetFont()->GetSize());
    TwzPathData path;
    layout->TextToPath(path, MakeRect(0, 0, 10 * text.GetWidth(), 10 * text.GetHeight()), text.GetText(),
        text.GetWordWrap(), text.GetHorzTextAlign(), text.GetVertTextAlign());
    TwzPolygon polygon;
    path.FlattenPath(polygon, text.GetFlatness());
    return polygon;
}

/// Twice the signed area, y pointing down: positive for a figure running clockwise on screen.
double Winding(const TwzPolygon& figure)
{
    double sum = 0;
    for (size_t i = 0; i < figure.size(); ++i) {
        const TwzPoint& a = figure[i];
        const TwzPoint& b = figure[(i + 1) % figure.size()];
        sum += double { a.X } * b.Y - double { b.X } * a.Y;
    }
    return sum;
}

bool Inside(const TwzPolygon& figure, double x, double y)
{
    bool inside = false;
    for (size_t i = 0, j = figure.size() - 1; i < figure.size(); j = i++) {
        const double xi = figure[i].X, yi = figure[i].Y, xj = figure[j].X, yj = figure[j].Y;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

double DistanceToEdges(const TwzPolygon& figure, double x, double y)
{
    double best = 1e9;
    for (size_t i = 0, j = figure.size() - 1; i < figure.size(); j = i++) {
        const double ax = figure[j].X, ay = figure[j].Y, bx = figure[i].X, by = figure[i].Y;
        const double dx = bx - ax, dy = by - ay;
        const double length = dx * dx + dy * dy;
        const double t = length > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / length, 0.0, 1.0) : 0;
        best = std::min(best, std::hypot(x - ax - t * dx, y - ay - t * dy));
    }
    return best;
}

/// The point deepest inside each hole of the outline (figures running against the outer
/// ones), in the outline's coordinates.
std::vector<TwzPoint> HoleCentres(const TwzPolygon& outline)
{
    std::vector<TwzPoint> centres;
    for (const TwzPolygon& figure : Figures(outline)) {
        if (Winding(figure) >= 0)
            continue;
        const TwzRect box = Bounds(figure);
        TwzPoint best {};
        double depth = -1;
        for (int i = 1; i < 40; ++i) {
            for (int j = 1; j < 40; ++j) {
                const double x = box.Left + RectWidth(box) * i / 40.0;
                const double y = box.Top + RectHeight(box) * j / 40.0;
                if (!Inside(figure, x, y))
                    continue;
                const double d = DistanceToEdges(figure, x, y);
                if (d > depth) {
                    depth = d;
                    best = { static_cast<float>(x), static_cast<float>(y) };
                }
            }
        }
        centres.push_back(best);
    }
    return centres;
}

/// Maps the outline's coordinates onto a picture: the outline's bounds onto `ink`.
struct OutlineToPicture {
    TwzRect From;
    TwzRect To;
    [[nodiscard]] TwzPoint operator()(const TwzPoint& p) const
    {
        return { To.Left + (p.X - From.Left) / RectWidth(From) * RectWidth(To),
            To.Top + (p.Y - From.Top) / RectHeight(From) * RectHeight(To) };
    }
};

/// The 2D canvas's own fill of the outline in a picture of that size, placed by `map`.
std::unique_ptr<TwzBitmap> FillOutline(
    const TwzPolygon& outline, const OutlineToPicture& map, int32_t width, int32_t height)
{
    TwzPolygon placed;
    placed.reserve(outline.size());
    for (const TwzPoint& p : outline)
        placed.push_back(scene3d::IsFigureEnd(p) ? p : map(p));
    auto picture = std::make_unique<TwzBitmap>(width, height);
    TwzCanvas* canvas = picture->GetCanvas();
    canvas->GetFill().SetSolidColor(0xFFFFFFFF);
    canvas->FillPolygon(placed, 1);
    return picture;
}

/// The pixels of `picture` that `keep` accepts, opaque white; the rest transparent.
template <class Keep> std::unique_ptr<TwzBitmap> Select(const TwzBitmap& picture, Keep keep)
{
    auto mask = std::make_unique<TwzBitmap>(picture.GetWidth(), picture.GetHeight());
    for (size_t i = 0; i < picture.Pixels().size(); ++i)
        mask->Pixels()[i] = keep(picture.Pixels()[i]) ? 0xFFFFFFFF : 0;
    return mask;
}

/// The share of the half-opaque pixels of `a` that are half opaque in `b` too.
double Covered(const TwzBitmap& a, const TwzBitmap& b)
{
    size_t inA = 0, inBoth = 0;
    for (size_t i = 0; i < a.Pixels().size(); ++i) {
        if (Alpha(a.Pixels()[i]) < 128)
            continue;
        ++inA;
        inBoth += Alpha(b.Pixels()[i]) >= 128 ? 1 : 0;
    }
    return inA ? static_cast<double>(inBoth) / static_cast<double>(inA) : 0;
}

double IntersectionOverUnion(const TwzBitmap& a, const TwzBitmap& b)
{
    size_t both = 0, either = 0;
    for (size_t i = 0; i < a.Pixels().size(); ++i) {
        const bool inA = Alpha(a.Pixels()[i]) >= 128, inB = Alpha(b.Pixels()[i]) >= 128;
        both += inA && inB ? 1 : 0;
        either += inA || inB ? 1 : 0;
    }
    return either ? static_cast<double>(both) / static_cast<double>(either) : 0;
}

} // namespace

TEST_F(LetteringTest, GlyphforgeRendersHeadlessToAPictureThatShowsItsText)
{
    // The scene: the design camera looking straight at a slab with rounded corners, the
    // lettering standing on it, and a light shining past the camera from the left.
    const lettering::LetteringScene built = lettering::BuildLetteringScene(*scene, form.get());
    ThvDummy* container = built.container;
    ThvText3D* text = built.text;
    RenderScene();

    TwzBitmap picture(1, 1);
    container->MakeScreenshot(&picture, 800, 400, 0, 6);
    ASSERT_EQ(picture.GetWidth(), 800);
    ASSERT_EQ(picture.GetHeight(), 400);
    const std::string file = GF_TEST_OUTPUT "/Glyphforge.png";
    std::remove(file.c_str());
    picture.SaveToFile(file);

    // The file holds the picture.
    TwzBitmap reread(1, 1);
    ASSERT_TRUE(reread.LoadFromFile(file));
    ASSERT_EQ(reread.GetWidth(), 800);
    ASSERT_EQ(reread.GetHeight(), 400);
    EXPECT_LE(Compare(reread, picture, 1).max, 1);

    // A transparent background stays transparent: around the slab and in its rounded
    // corners, while the slab's face is opaque.
    const TwzRect slabBox = InkBox(picture);
    ASSERT_FALSE(RectIsEmpty(slabBox));
    // The container's 3:1 box fits 800 x 400; its slab lies a little behind its front.
    EXPECT_GT(RectWidth(slabBox), 760);
    EXPECT_NEAR((slabBox.Left + slabBox.Right) / 2, 400, 2);
    EXPECT_NEAR((slabBox.Top + slabBox.Bottom) / 2, 200, 2);
    EXPECT_EQ(PixelOf(picture, 0, 0), 0u);
    EXPECT_EQ(PixelOf(picture, 400, 2), 0u);
    EXPECT_EQ(PixelOf(picture, 400, 397), 0u);
    const int32_t left = static_cast<int32_t>(slabBox.Left), top = static_cast<int32_t>(slabBox.Top);
    const int32_t right = static_cast<int32_t>(slabBox.Right) - 1,
                  bottom = static_cast<int32_t>(slabBox.Bottom) - 1;
    for (const auto& [x, y] : { std::pair { left + 3, top + 3 }, std::pair { right - 3, top + 3 },
             std::pair { left + 3, bottom - 3 }, std::pair { right - 3, bottom - 3 } })
        EXPECT_EQ(Alpha(PixelOf(picture, x, y)), 0) << "rounded corner at " << x << ", " << y;
    EXPECT_EQ(Alpha(PixelOf(picture, left + 40, top + 20)), 255);

    // The lettering's faces, told apart by their colours. The front faces the light almost
    // squarely; walls facing the light are lit by it, walls facing away only by ambient light.
    struct Face {
        double lighting = 0;
        int count = 0;
    };
    Face front, wallsLeftHalf, wallsRightHalf;
    TwzRect frontBox { 1e9f, 1e9f, -1e9f, -1e9f };
    for (int32_t y = 0; y < 400; ++y) {
        for (int32_t x = 0; x < 800; ++x) {
            const uint32_t p = PixelOf(picture, x, y);
            const int r = Channel(p, 16), g = Channel(p, 8), b = Channel(p, 0);
            if (Alpha(p) != 255)
                continue;
            if (r > 2 * g + 20 && r > 2 * b + 20) {
                front.lighting += r / static_cast<double>(Channel(kTextFront, 16));
                ++front.count;
                frontBox = RectUnion(frontBox,
                    MakeRect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + 1),
                        static_cast<float>(y + 1)));
            } else if (g > 2 * r + 20 && g > 2 * b + 20) {
                Face& wall = x < 400 ? wallsLeftHalf : wallsRightHalf;
                wall.lighting += g / static_cast<double>(Channel(kTextSide, 8));
                ++wall.count;
            }
        }
    }
    ASSERT_GT(front.count, 10000);
    // In perspective the letters left of the middle show their right walls, those right of
    // it their left walls; the light comes from the left.
    ASSERT_GT(wallsLeftHalf.count, 200);
    ASSERT_GT(wallsRightHalf.count, 200);
    front.lighting /= front.count;
    wallsLeftHalf.lighting /= wallsLeftHalf.count;
    wallsRightHalf.lighting /= wallsRightHalf.count;
    std::printf("lit: front %.3f (%d px), right walls %.3f (%d px), left walls %.3f (%d px)\n",
        front.lighting, front.count, wallsLeftHalf.lighting, wallsLeftHalf.count, wallsRightHalf.lighting,
        wallsRightHalf.count);
    EXPECT_GT(front.lighting, 0.95);
    EXPECT_GT(wallsRightHalf.lighting, wallsLeftHalf.lighting + 0.1);
    EXPECT_LT(wallsRightHalf.lighting, front.lighting - 0.1);

    // The lettering alone, for its outline. Seen from the front its face shows the glyphs
    // as the 2D canvas fills them; in perspective the walls show beside the strokes facing
    // the middle, so the whole silhouette covers the fill and a little more.
    TwzBitmap alone(1, 1);
    text->MakeScreenshot(&alone, 800, 400, 0, 6);
    alone.SaveToFile(GF_TEST_OUTPUT "/GlyphforgeAlone.png");
    const std::unique_ptr<TwzBitmap> face = Select(alone, [](uint32_t p) {
        const int r = Channel(p, 16), g = Channel(p, 8), b = Channel(p, 0);
        return Alpha(p) >= 128 && r > 2 * g + 20 && r > 2 * b + 20;
    });
    const TwzPolygon outline = LetteringOutline(*text);
    const OutlineToPicture map { Bounds(outline), InkBox(*face) };
    const std::unique_ptr<TwzBitmap> reference = FillOutline(outline, map, 800, 400);
    const double faceMatch = IntersectionOverUnion(*face, *reference);
    const double covered = Covered(*reference, alone);
    std::printf("front face against the 2D fill: intersection over union %.4f; fill covered by the "
                "silhouette %.4f; whole silhouette against the fill %.4f\n",
        faceMatch, covered, IntersectionOverUnion(alone, *reference));
    EXPECT_GT(faceMatch, 0.9);
    EXPECT_GT(covered, 0.97);

    // Every hole is open: transparent in the lettering's own picture, and the slab showing
    // through it in the whole one. "Glyphforge" has holes in p, o, g and e.
    const OutlineToPicture onWhole { Bounds(outline), frontBox };
    const std::vector<TwzPoint> holes = HoleCentres(outline);
    EXPECT_EQ(holes.size(), 4u);
    for (const TwzPoint& hole : holes) {
        const TwzPoint a = map(hole);
        EXPECT_EQ(Alpha(PixelOf(alone, static_cast<int32_t>(a.X), static_cast<int32_t>(a.Y))), 0)
            << "hole at " << a.X << ", " << a.Y << " of the lettering alone";
        const TwzPoint w = onWhole(hole);
        const uint32_t seen = PixelOf(picture, static_cast<int32_t>(w.X), static_cast<int32_t>(w.Y));
        EXPECT_TRUE(Alpha(seen) == 255 && std::abs(Channel(seen, 16) - Channel(seen, 8)) < 8
            && std::abs(Channel(seen, 8) - Channel(seen, 0)) < 8)
            << "hole at " << w.X << ", " << w.Y << " of the whole picture shows " << std::hex << seen;
    }
}

TEST_F(LetteringTest, SeenFromAfarTheWholeSilhouetteIsTheTextsOwnFill)
{
    // From the design camera's 20 units the walls show beside the strokes; from 400 units
    // (inside the far plane) they stand out by under a pixel of the picture, so the whole
    // silhouette, walls and back included, must be the 2D fill of the glyph outline. The
    // screenshot fits the few pixels the text takes on the screen to the picture, which is
    // the narrow field of view of a camera that far.
    const lettering::LetteringScene built = lettering::BuildLetteringScene(*scene, form.get());
    auto* camera = Make<ThvCamera>();
    camera->GetPosition()->SetPoint({ 0, -400, 0 });
    scene->SetUsingDesignCamera(false);
    scene->SetCamera(camera);
    RenderScene();
    ASSERT_EQ(sceneBitmap->GetCanvas()->GetCamera(), camera);
    const TwzRect onScreen = built.text->GetScreenBounds();
    ASSERT_LT(RectWidth(onScreen), 20) << "the text is a few pixels wide on the screen";

    TwzBitmap silhouette(1, 1);
    built.text->MakeScreenshot(&silhouette, 800, 400, 0, 6);
    silhouette.SaveToFile(GF_TEST_OUTPUT "/GlyphforgeFromAfar.png");
    const TwzRect ink = InkBox(silhouette);
    ASSERT_FALSE(RectIsEmpty(ink));
    const TwzPolygon outline = LetteringOutline(*built.text);
    const std::unique_ptr<TwzBitmap> reference
        = FillOutline(outline, OutlineToPicture { Bounds(outline), ink }, 800, 400);

    // The walls are all but hidden behind the front face.
    size_t walls = 0, inked = 0;
    for (const uint32_t p : silhouette.Pixels()) {
        if (Alpha(p) < 128)
            continue;
        ++inked;
        const int r = Channel(p, 16), g = Channel(p, 8), b = Channel(p, 0);
        walls += g > 2 * r + 20 && g > 2 * b + 20 ? 1 : 0;
    }
    const double wallShare = static_cast<double>(walls) / static_cast<double>(inked);
    const double match = IntersectionOverUnion(silhouette, *reference);
    std::printf("from afar: whole silhouette against the 2D fill: intersection over union %.4f; walls "
                "%.4f of the silhouette; text %.1f x %.1f pixels on the screen\n",
        match, wallShare, RectWidth(onScreen), RectHeight(onScreen));
    EXPECT_LT(wallShare, 0.02);
    EXPECT_GT(match, 0.9);
}

// ---- screenshots --------------------------------------------------------------------------

namespace {

/// The screenshot as first designed: the supersampled picture assembled whole from its tiles,
/// then drawn smoothly into the output. The reference the tile-by-tile reduction must match.
std::unique_ptr<TwzBitmap> AssembledScreenshot(
    ThvVisualObject& object, int32_t width, int32_t height, uint32_t clearColor, int32_t scale)
{
    auto output = std::make_unique<TwzBitmap>(width, height);
    const TwzRect bounds = MakeRect(0, 0, static_cast<float>(width), static_cast<float>(height));
    const TwzRect screen = object.GetScreenBounds();
    TwzRect target = screen;
    const float ratio = RectFit(target, bounds);
    if (ratio < 1) {
        target
            = MakeRect(screen.Left / ratio, screen.Top / ratio, screen.Right / ratio, screen.Bottom / ratio);
        RectCenter(target, bounds);
    }
    const auto bigWidth = static_cast<int32_t>(std::nearbyint(RectWidth(target) * static_cast<float>(scale)));
    const auto bigHeight
        = static_cast<int32_t>(std::nearbyint(RectHeight(target) * static_cast<float>(scale)));
    TwzBitmap big(bigWidth, bigHeight);
    ThvBitmap tile3D(512, 512);
    TwzBitmap tile2D(512, 512);
    for (int32_t tx = 0; tx <= bigWidth / 512; ++tx) {
        for (int32_t ty = 0; ty <= bigHeight / 512; ++ty) {
            object.PaintToBitmap(
                &tile3D, 512, 512, tx * 512, ty * 512, static_cast<float>(scale) / ratio, clearColor);
            tile2D.Assign(tile3D);
            const float x = static_cast<float>(tx * 512), y = static_cast<float>(ty * 512);
            big.GetCanvas()->DrawBitmap(
                &tile2D, MakeRect(0, 0, 512, 512), MakeRect(x, y, x + 512, y + 512), 1, true);
        }
    }
    output->GetCanvas()->DrawBitmap(
        &big, MakeRect(0, 0, static_cast<float>(bigWidth), static_cast<float>(bigHeight)), target, 1, false);
    return output;
}

void ExpectNoTemporaryCanvas(ThvObject& object)
{
    if (auto* visual = dynamic_cast<ThvVisualObject*>(&object)) {
        EXPECT_EQ(visual->GetTempCanvas(), nullptr) << object.GetName();
    }
    for (ThvObject* child : object.Children())
        ExpectNoTemporaryCanvas(*child);
}

/// Units per pixel of the front view at the origin of a scene 400 pixels high.
constexpr float kUnitsPerPixel = 20 * 0.41421356f / 200;

} // namespace

TEST_F(LetteringTest, TheObjectsScreenRectangleIsFittedAndCentred)
{
    FrontView();
    struct Case {
        const char* name;
        float screenWidth, screenHeight; // of the object in the scene, pixels
        int32_t width, height; // of the output
        TwzRect expected; // where the object lands
    };
    const Case cases[] = {
        { "smaller than the output, wide", 200, 100, 400, 400, { 0, 100, 400, 300 } },
        { "larger than the output, wide", 800, 400, 400, 400, { 0, 100, 400, 300 } },
        { "smaller than the output, tall", 100, 200, 400, 400, { 100, 0, 300, 400 } },
        { "the output's own shape", 120, 60, 300, 150, { 0, 0, 300, 150 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvDummy* container
            = MakeContainer(c.screenWidth * kUnitsPerPixel, c.screenHeight * kUnitsPerPixel, 0.001f);
        MakePlate(container, c.screenWidth * kUnitsPerPixel, c.screenHeight * kUnitsPerPixel, 0xFF20A040);
        RenderScene();
        TwzBitmap picture(1, 1);
        container->MakeScreenshot(&picture, c.width, c.height, 0, 2);
        EXPECT_EQ(picture.GetWidth(), c.width);
        EXPECT_EQ(picture.GetHeight(), c.height);
        const TwzRect ink = InkBox(picture);
        EXPECT_NEAR(ink.Left, c.expected.Left, 1.5);
        EXPECT_NEAR(ink.Top, c.expected.Top, 1.5);
        EXPECT_NEAR(ink.Right, c.expected.Right, 1.5);
        EXPECT_NEAR(ink.Bottom, c.expected.Bottom, 1.5);
        container->Free();
    }
}

TEST_F(LetteringTest, APictureTallerThanTheSceneIsZoomedByTheVerticalFieldOfView)
{
    // A scene taller than wide: its camera's view is as high as the scene whatever its width.
    UseSceneSize(300, 600);
    FrontView();
    ThvDummy* container = MakeContainer(4, 2, 0.001f);
    MakePlate(container, 4, 2, 0xFF20A040);
    RenderScene();
    for (const auto& [width, height] :
        { std::pair { 200, 100 }, std::pair { 100, 200 }, std::pair { 600, 300 } }) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        TwzBitmap picture(1, 1);
        container->MakeScreenshot(&picture, width, height, 0, 1);
        const TwzRect ink = InkBox(picture);
        const float w = static_cast<float>(width), h = static_cast<float>(height);
        const float fitted = std::min(w, 2 * h);
        EXPECT_NEAR(RectWidth(ink), fitted, 2);
        EXPECT_NEAR(RectHeight(ink), fitted / 2, 2);
        EXPECT_NEAR((ink.Left + ink.Right) / 2, w / 2, 1.5);
        EXPECT_NEAR((ink.Top + ink.Bottom) / 2, h / 2, 1.5);
    }
}

TEST_F(LetteringTest, TheBackgroundIsTheClearColourEverywhereTheObjectIsNot)
{
    FrontView();
    ThvDummy* container = MakeContainer(4, 2, 0.001f);
    auto* plate = MakePlate(container, 2, 1, 0xFF20A040); // half the box each way
    plate->SetCornerType(wzCornerBevel);
    RenderScene();
    struct Case {
        const char* name;
        uint32_t clear;
        uint32_t expected;
    };
    const Case cases[] = {
        { "transparent", 0, 0 },
        { "white", 0xFFFFFFFF, 0xFFFFFFFF },
        { "opaque blue", 0xFF0000FF, 0xFF0000FF },
        // Kept as the device writes it: colour channels within the alpha.
        { "half transparent red", 0x80FF0000, 0x80800000 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzBitmap picture(1, 1);
        // A square output for a 2:1 box: the margins above and below lie outside the box.
        container->MakeScreenshot(&picture, 200, 200, c.clear, 3);
        EXPECT_TRUE(Near(PixelOf(picture, 100, 10), c.expected, 1)) << "margin";
        EXPECT_TRUE(Near(PixelOf(picture, 10, 100), c.expected, 1)) << "box, beside the plate";
        EXPECT_TRUE(Near(PixelOf(picture, 100, 100), 0xFF20A040, 1)) << "plate";
    }
}

TEST_F(LetteringTest, SupersamplingIsKeptBetweenOneAndSixteen)
{
    FrontView();
    ThvDummy* container = MakeContainer(4, 2, 0.001f);
    auto* plate = MakePlate(container, 4, 2, 0xFF20A040);
    plate->SetxRadius(1);
    plate->SetyRadius(1);
    RenderScene();
    struct Case {
        int32_t asked, meant;
    };
    for (const Case& c : { Case { 0, 1 }, Case { -3, 1 }, Case { 40, 16 } }) {
        SCOPED_TRACE(c.asked);
        TwzBitmap asked(1, 1), meant(1, 1);
        container->MakeScreenshot(&asked, 48, 24, 0, c.asked);
        container->MakeScreenshot(&meant, 48, 24, 0, c.meant);
        EXPECT_EQ(Compare(asked, meant, 0).max, 0);
    }
    // The supersampling smooths the rounded corners' edges.
    TwzBitmap one(1, 1), sixteen(1, 1);
    container->MakeScreenshot(&one, 48, 24, 0, 1);
    container->MakeScreenshot(&sixteen, 48, 24, 0, 16);
    int partial1 = 0, partial16 = 0;
    for (size_t i = 0; i < one.Pixels().size(); ++i) {
        partial1 += Alpha(one.Pixels()[i]) > 0 && Alpha(one.Pixels()[i]) < 255 ? 1 : 0;
        partial16 += Alpha(sixteen.Pixels()[i]) > 0 && Alpha(sixteen.Pixels()[i]) < 255 ? 1 : 0;
    }
    EXPECT_GT(partial16, partial1);
}

TEST_F(LetteringTest, TilesReducedAsTheyArriveGiveThePictureAssembledWhole)
{
    FrontView();
    ThvDummy* container = MakeContainer(8, 2, 0.6f);
    auto* text = Make<ThvText3D>(container);
    text->SetWidth(8);
    text->SetHeight(2);
    text->SetDepth(0.6f);
    text->SetWordWrap(false);
    text->GetFont()->SetFamily("DejaVu Sans");
    text->GetFont()->SetSize(14);
    text->SetText(u"Glyphforge");
    text->GetMaterial()->SetDiffuseColor(kTextFront);
    text->GetMaterialLeft()->SetDiffuseColor(kTextSide);
    text->GetMaterialBack()->SetDiffuseColor(kTextBack);
    RenderScene();
    struct Case {
        const char* name;
        int32_t width, height, scale;
    };
    const Case cases[] = {
        { "one tile", 300, 75, 1 }, { "tiles across and down", 300, 150, 5 }, // 1500 x 375: three tiles wide
        { "tile edges inside output pixels", 301, 77, 3 }, // 903 x 226: 512 is no multiple of 3
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzBitmap picture(1, 1);
        container->MakeScreenshot(&picture, c.width, c.height, 0, c.scale);
        const std::unique_ptr<TwzBitmap> assembled
            = AssembledScreenshot(*container, c.width, c.height, 0, c.scale);
        const Difference d = Compare(picture, *assembled, 4);
        std::printf(
            "%s: mean difference %.3f, largest %d, share beyond 4: %.5f\n", c.name, d.mean, d.max, d.share);
        EXPECT_LT(d.mean, 0.1);
        EXPECT_LE(d.max, 8);
        EXPECT_LT(d.share, 0.001);
        ExpectNoTemporaryCanvas(*container);
    }
}

TEST_F(LetteringTest, TheScreenshotTakesTheScenesLightsAndLeavesTheSceneAsItWas)
{
    FrontView();
    auto* light = Make<ThvLight>();
    ThvDummy* container = MakeContainer(4, 2, 0.001f);
    auto* plate = MakePlate(container, 4, 2, 0xFF808080);
    plate->GetMaterial()->SetLighting(true);
    RenderScene();
    const std::vector<uint32_t> before(sceneBitmap->Bits().begin(), sceneBitmap->Bits().end());
    const uint32_t litOnScreen = PixelOf(*sceneBitmap, 400, 200);

    TwzBitmap lit(1, 1);
    container->MakeScreenshot(&lit, 100, 50, 0, 2);
    EXPECT_TRUE(Near(PixelOf(lit, 50, 25), litOnScreen, 2));
    ExpectNoTemporaryCanvas(*container);
    ExpectNoTemporaryCanvas(*light);

    RenderScene();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), sceneBitmap->Bits().begin()));

    // Without the light only the ambient light is left.
    light->SetEnabled(false);
    RenderScene();
    TwzBitmap unlit(1, 1);
    container->MakeScreenshot(&unlit, 100, 50, 0, 2);
    EXPECT_LT(Channel(PixelOf(unlit, 50, 25), 8) + 40, Channel(PixelOf(lit, 50, 25), 8));
}

TEST_F(LetteringTest, AnObjectOfNoSizeOnTheScreenGivesTheBackgroundAlone)
{
    FrontView();
    ThvDummy* container = MakeContainer(0, 0, 0);
    MakePlate(container, 2, 1, 0xFF20A040);
    RenderScene();
    TwzBitmap picture(5, 5);
    picture.Clear(0xFF123456);
    container->MakeScreenshot(&picture, 64, 32, 0xFFFFFFFF, 6);
    ASSERT_EQ(picture.GetWidth(), 64);
    ASSERT_EQ(picture.GetHeight(), 32);
    for (uint32_t p : picture.Pixels())
        ASSERT_EQ(p, 0xFFFFFFFFu);
}

TEST_F(LetteringTest, ALongLineRendersToItsLastLetter)
{
    // 200 characters on one line, over a hundred ems: every letter reaches the canvas, the
    // last one at the right end of the text's box.
    FrontView();
    std::u16string line;
    while (line.size() < 199)
        line += u"Lettering that keeps every letter ";
    line.resize(199);
    line += u"W";
    ThvDummy* container = MakeContainer(1, 1, 1);
    auto* text = Make<ThvText3D>(container);
    text->SetWordWrap(false);
    text->GetFont()->SetFamily("DejaVu Sans");
    text->GetFont()->SetSize(13);
    text->SetText(line);
    text->GetMaterial()->SetDiffuseColor(kTextFront);
    text->GetMaterial()->SetLighting(false);
    const TwzRect bounds = text->GetTextBounds();
    ASSERT_GT(RectWidth(bounds), 50 * RectHeight(bounds));
    container->SetWidth(RectWidth(bounds));
    container->SetHeight(RectHeight(bounds));
    container->SetDepth(0.1f);
    text->SetWidth(RectWidth(bounds));
    text->SetHeight(RectHeight(bounds));
    text->SetDepth(0.1f);
    RenderScene();
    TwzBitmap picture(1, 1);
    text->MakeScreenshot(&picture, 1200, 40, 0, 1);
    ASSERT_EQ(picture.GetWidth(), 1200);
    const TwzRect box = InkBox(picture);
    ASSERT_FALSE(RectIsEmpty(box));
    // Letters all along: every twentieth of the picture, which the text's box spans,
    // holds front-coloured ink.
    std::vector<int> inkOfPart(20, 0);
    for (int32_t y = 0; y < picture.GetHeight(); ++y) {
        for (int32_t x = 0; x < picture.GetWidth(); ++x) {
            const uint32_t p = PixelOf(picture, x, y);
            if (Alpha(p) > 128 && Channel(p, 16) > 2 * Channel(p, 8) + 20) {
                ++inkOfPart[static_cast<size_t>(x * 20 / picture.GetWidth())];
            }
        }
    }
    for (size_t part = 0; part < inkOfPart.size(); ++part)
        EXPECT_GT(inkOfPart[part], 0) << "no letters in part " << part;
    EXPECT_GT(box.Right, 1200 * 0.97);
}

TEST_F(LetteringTest, ProgressCountsTheTilesAndCancellingLeavesTheBackgroundAlone)
{
    FrontView();
    ThvDummy* container = MakeContainer(4, 2, 0.001f);
    MakePlate(container, 4, 2, 0xFF20A040);
    RenderScene();
    // 300 x 150 at five times is 1500 x 750: three tiles across, two down.
    std::vector<std::pair<int64_t, int64_t>> heard;
    TwzBitmap picture(1, 1);
    EXPECT_TRUE(
        container->MakeScreenshot(&picture, 300, 150, 0xFFFFFFFF, 5, [&](int64_t done, int64_t total) {
            heard.emplace_back(done, total);
            return true;
        }));
    ASSERT_EQ(heard.size(), 7u);
    for (size_t i = 0; i < heard.size(); ++i)
        EXPECT_EQ(heard[i], std::make_pair(static_cast<int64_t>(i), int64_t { 6 }));
    EXPECT_NE(PixelOf(picture, 150, 75), 0xFFFFFFFFu) << "the plate is in the picture";

    struct Case {
        const char* name;
        int64_t stopAt;
    };
    for (const Case c : { Case { "before the first tile", 0 }, Case { "half way", 3 } }) {
        SCOPED_TRACE(c.name);
        TwzBitmap cancelled(1, 1);
        EXPECT_FALSE(container->MakeScreenshot(
            &cancelled, 300, 150, 0xFFFFFFFF, 5, [&](int64_t done, int64_t) { return done < c.stopAt; }));
        ASSERT_EQ(cancelled.GetWidth(), 300);
        for (uint32_t p : cancelled.Pixels())
            ASSERT_EQ(p, 0xFFFFFFFFu);
        ExpectNoTemporaryCanvas(*container);
    }
}

TEST_F(LetteringTest, ScreenshotsOfOneSceneShareATileCanvasAndLeaveNothingInItForTheNext)
{
    FrontView();
    ThvDummy* left = MakeContainer(2, 2, 0.001f);
    left->GetPosition()->SetX(-1.5f);
    MakePlate(left, 2, 2, 0xFF20A040);
    ThvDummy* right = MakeContainer(2, 1, 0.001f);
    right->GetPosition()->SetX(1.5f);
    MakePlate(right, 2, 1, 0xFFC03010);
    RenderScene();

    TwzBitmap first(1, 1);
    ASSERT_TRUE(left->MakeScreenshot(&first, 120, 120, 0xFFFFFFFF, 3));
    std::unique_ptr<ThvBitmap> kept = scene->TakeScreenshotTile();
    ASSERT_NE(kept, nullptr);
    ThvCanvas* tileCanvas = kept->GetCanvas();
    scene->KeepScreenshotTile(std::move(kept));

    // Another object, size, supersampling and background in between.
    TwzBitmap other(1, 1);
    ASSERT_TRUE(right->MakeScreenshot(&other, 200, 90, 0x00000000, 2));
    EXPECT_TRUE(Near(PixelOf(other, 100, 45), 0xFFC03010, 1));
    TwzBitmap again(1, 1);
    ASSERT_TRUE(left->MakeScreenshot(&again, 120, 120, 0xFFFFFFFF, 3));
    EXPECT_EQ(Compare(again, first, 0).max, 0);
    EXPECT_TRUE(Near(PixelOf(again, 60, 60), 0xFF20A040, 1));

    kept = scene->TakeScreenshotTile();
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->GetCanvas(), tileCanvas);
    scene->KeepScreenshotTile(std::move(kept));
    ExpectNoTemporaryCanvas(*left);
    ExpectNoTemporaryCanvas(*right);
}
