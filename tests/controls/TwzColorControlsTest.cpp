// The colour controls: the quad's channels and composed colour, picking by mouse, the
// picker's hue and colour hand-over, the gradient edit's stops (adding, dragging, deleting),
// the links and their removal, and the cached pictures.

#include "ControlsTest.h"

#include "controls/TwzColorControls.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzGradient.h"
#include "graphics/TwzGradientPoints.h"
#include "graphics/TwzPosition.h"

#include <cmath>

using namespace controlstest;
using platform::ui::ShiftFlag;

namespace {

class ColorControls : public ControlsTest {
protected:
    template <class T> T* Make(const std::string& name, const Box& box)
    {
        auto* object = new T(form.get());
        object->SetName(name);
        object->SetBounds(box.x, box.y, box.width, box.height);
        object->SetParent(root);
        return object;
    }
    static TShiftState Left() { return { ShiftFlag::Left }; }
};

/// Three stops at the offsets given, in that order.
void SetStops(TwzGradientEdit& edit, std::initializer_list<std::pair<TwzColor, float>> stops)
{
    TwzGradientPoints* points = edit.GetGradient()->GetPoints();
    points->Clear();
    for (const auto& [color, offset] : stops)
        points->Add(color, offset);
}

std::string Offsets(TwzGradientEdit& edit)
{
    std::string text;
    TwzGradientPoints* points = edit.GetGradient()->GetPoints();
    for (int i = 0; i < points->Count(); ++i) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%s%.2f", i ? " " : "", points->GetPoint(i)->GetOffset());
        text += buffer;
    }
    return text;
}

} // namespace

TEST_F(ColorControls, TheQuadComposesItsColourIntoTheBox)
{
    auto* quad = Make<TwzColorQuad>("quad", { 0, 0, 100, 100 });
    auto* box = Make<TwzColorBox>("box", { 110, 0, 40, 40 });
    quad->SetColorBox(box);
    quad->OnChange = form->ChangeHandler();
    EXPECT_FLOAT_EQ(quad->GetStrokeThickness(), 0);
    EXPECT_TRUE(quad->GetAutoCapture());

    quad->SetHue(0);
    EXPECT_TRUE(form->log.empty()) << "an equal value changes nothing";
    quad->SetLum(0.5F);
    quad->SetSat(1);
    quad->SetAlpha(0.5F);
    EXPECT_EQ(box->GetColor(), 0x80FF0000u) << "Round(127.5) is 128";
    EXPECT_EQ(box->GetFill()->GetStyle(), wzBrushSolid);
    EXPECT_EQ(form->log.size(), 3u);

    struct Case {
        float value, stored;
        size_t changes;
    };
    const Case cases[] = {
        { 1.5F, 1, 4 }, // compared before clamping: stores 1 and reports again
        { 1.5F, 1, 5 },
        { 1, 1, 5 }, // equal to the stored value
        { -2, 0, 6 },
        { std::nanf(""), 0, 7 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        quad->SetSat(c.value);
        EXPECT_FLOAT_EQ(quad->GetSat(), c.stored);
        EXPECT_EQ(form->log.size(), c.changes);
    }

    // A removed box is forgotten.
    box->Free();
    EXPECT_EQ(quad->GetColorBox(), nullptr);
    quad->SetHue(0.5F);
    EXPECT_FLOAT_EQ(quad->GetHue(), 0.5F);
}

TEST_F(ColorControls, APressAndReleaseOnTheQuadPicksAndDragsClamp)
{
    auto* quad = Make<TwzColorQuad>("quad", { 0, 0, 100, 80 });
    ClickAt({ 25, 20 });
    EXPECT_FLOAT_EQ(quad->GetSat(), 0.25F);
    EXPECT_FLOAT_EQ(quad->GetLum(), 0.75F);

    scene->InjectMouseDown({ 50, 40 });
    scene->InjectMouseMove({ 150, 120 }, Left());
    EXPECT_FLOAT_EQ(quad->GetSat(), 1) << "beyond the edges";
    EXPECT_FLOAT_EQ(quad->GetLum(), 0);
    scene->InjectMouseMove({ -30, -30 }, Left());
    scene->InjectMouseUp({ -30, -30 });
    EXPECT_FLOAT_EQ(quad->GetSat(), 0);
    EXPECT_FLOAT_EQ(quad->GetLum(), 1);

    // A move without the left button picks nothing; a zero-sized quad divides by nothing.
    quad->MouseMove({}, 50, 40, 0, 0);
    EXPECT_FLOAT_EQ(quad->GetSat(), 0);
    quad->SetBounds(quad->GetPosition()->GetX(), quad->GetPosition()->GetY(), 0, 0);
    quad->MouseMove(Left(), 50, 40, 0, 0);
    EXPECT_FLOAT_EQ(quad->GetSat(), 0);
    EXPECT_FLOAT_EQ(quad->GetLum(), 1);

    // The marker reaches past the square.
    quad->SetBounds(quad->GetPosition()->GetX(), quad->GetPosition()->GetY(), 100, 80);
    const TwzRect r = quad->GetAbsoluteRect();
    EXPECT_FLOAT_EQ(r.Left, -5);
    EXPECT_FLOAT_EQ(r.Bottom, 85);
}

TEST_F(ColorControls, ThePickerHandsAColourToTheQuadInOrder)
{
    auto* picker = Make<TwzColorPicker>("picker", { 0, 0, 20, 100 });
    auto* quad = Make<TwzColorQuad>("quad", { 30, 0, 100, 100 });
    auto* box = Make<TwzColorBox>("box", { 140, 0, 40, 40 });
    picker->SetColorQuad(quad);
    quad->SetColorBox(box);

    picker->SetHue(0.25F);
    EXPECT_FLOAT_EQ(quad->GetHue(), 0.25F);
    picker->SetHue(3);
    EXPECT_FLOAT_EQ(picker->GetHue(), 1);
    EXPECT_FLOAT_EQ(quad->GetHue(), 1);

    const TwzColor colour = 0xFF3366CC;
    float h = 0, s = 0, l = 0;
    RGBtoHSL(colour, h, s, l);
    picker->SetColor(colour);
    EXPECT_FLOAT_EQ(picker->GetHue(), h);
    EXPECT_FLOAT_EQ(quad->GetAlpha(), 1);
    EXPECT_FLOAT_EQ(quad->GetHue(), h);
    EXPECT_FLOAT_EQ(quad->GetSat(), s);
    EXPECT_FLOAT_EQ(quad->GetLum(), l);
    EXPECT_EQ(box->GetColor(), (HSLtoRGB(h, s, l) & 0x00FFFFFF) | 0xFF000000);

    // The strip maps Y to the hue.
    ClickAt({ 10, 75 });
    EXPECT_FLOAT_EQ(picker->GetHue(), 0.75F);
    const TwzRect r = picker->GetAbsoluteRect();
    EXPECT_FLOAT_EQ(r.Left, -5);
    EXPECT_FLOAT_EQ(r.Top, 0);

    quad->Free();
    EXPECT_EQ(picker->GetColorQuad(), nullptr);
    picker->SetColor(0xFF00FF00);
}

TEST_F(ColorControls, APressOnTheBarAddsAStopWithTheColourThere)
{
    auto* edit = Make<TwzGradientEdit>("edit", { 0, 0, 200, 20 });
    EXPECT_FLOAT_EQ(edit->GetWidth(), 200);
    EXPECT_FLOAT_EQ(edit->GetHeight(), 20);
    edit->OnChange = form->ChangeHandler();
    edit->OnSelectPoint = form->ClickHandler();
    const TwzColor middle = edit->GetGradient()->GradientColorAt(0.5F);

    struct Case {
        TwzPoint at;
        const char* offsets;
        int32_t current;
    };
    const Case cases[] = {
        { { 100, 12 }, "0.00 1.00", 0 }, // the marker strip between markers
        { { 100, 5 }, "0.00 0.50 1.00", 1 }, // the bar
        { { 55, 0 }, "0.00 0.50 1.00", 1 }, // Y 0 is not on the bar
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at.Y);
        scene->InjectMouseDown(c.at);
        scene->InjectMouseUp(c.at);
        EXPECT_EQ(Offsets(*edit), c.offsets);
        EXPECT_EQ(edit->GetCurrentPoint(), c.current);
    }
    EXPECT_EQ(edit->GetGradient()->GetPoints()->GetPoint(1)->ColorValue(), middle);
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:edit", "change:edit" }));
    EXPECT_FALSE(edit->GetMoving()) << "a new stop is not dragged";

    // A press on a marker selects it and always reports; twice when the selection changes.
    form->log.clear();
    ClickAt({ 10, 15 });
    EXPECT_EQ(edit->GetCurrentPoint(), 0);
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:edit", "click:edit" }));

    // Fewer than two stops: nothing is added.
    SetStops(*edit, { { 0xFF000000, 0 } });
    ClickAt({ 100, 5 });
    EXPECT_EQ(Offsets(*edit), "0.00");

    EXPECT_EQ(edit->GetPointRect(5).Right, 0);
    EXPECT_EQ(edit->GetPointRect(-1).Right, 0);
}

TEST_F(ColorControls, DraggingAStopKeepsTheStopsInOrder)
{
    auto* edit = Make<TwzGradientEdit>("edit", { 0, 0, 200, 20 });
    SetStops(*edit, { { 0xFF000000, 0 }, { 0xFFFF0000, 0.5F }, { 0xFFFFFFFF, 0.8F } });
    scene->InjectMouseDown({ 100, 15 });
    ASSERT_TRUE(edit->GetMoving());
    EXPECT_EQ(edit->GetCurrentPoint(), 1);
    scene->InjectMouseMove({ 190, 15 }, Left());
    EXPECT_EQ(Offsets(*edit), "0.00 0.80 1.00");
    EXPECT_EQ(edit->GetCurrentPoint(), 2);
    EXPECT_EQ(edit->GetGradient()->GetPoints()->GetPoint(2)->ColorValue(), 0xFFFF0000u);

    // An offset only equal to the neighbour's keeps the index.
    scene->InjectMouseMove({ 154, 15 }, Left());
    EXPECT_EQ(Offsets(*edit), "0.00 0.80 0.80");
    EXPECT_EQ(edit->GetCurrentPoint(), 2);
    scene->InjectMouseUp({ 154, 15 });
    EXPECT_FALSE(edit->GetMoving());
}

TEST_F(ColorControls, ReleasingFarBelowDeletesAStop)
{
    auto* edit = Make<TwzGradientEdit>("edit", { 0, 0, 200, 20 });
    edit->OnSelectPoint = form->ClickHandler();
    SetStops(*edit, { { 0xFF000000, 0 }, { 0xFFFF0000, 0.5F }, { 0xFFFFFFFF, 1 } });

    // A middle stop dragged above the control hides its marker but survives the release.
    scene->InjectMouseDown({ 100, 15 });
    scene->InjectMouseMove({ 100, -15 }, Left());
    EXPECT_TRUE(edit->GetDeletePending());
    scene->InjectMouseUp({ 100, -15 });
    EXPECT_FALSE(edit->GetDeletePending());
    EXPECT_EQ(Offsets(*edit), "0.00 0.50 1.00");

    // The last stop 15 below keeps its marker but goes on release.
    scene->InjectMouseDown({ 190, 15 });
    scene->InjectMouseMove({ 190, 35 }, Left());
    EXPECT_FALSE(edit->GetDeletePending()) << "first and last markers never hide";
    scene->InjectMouseUp({ 190, 35 });
    EXPECT_EQ(Offsets(*edit), "0.00 0.50");
    EXPECT_EQ(edit->GetCurrentPoint(), 1);

    // Deleting stop 0 selects -1, then 0.
    scene->InjectMouseDown({ 10, 15 });
    form->log.clear();
    scene->InjectMouseMove({ 10, 35 }, Left());
    scene->InjectMouseUp({ 10, 35 });
    EXPECT_EQ(edit->GetCurrentPoint(), 0);
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:edit", "click:edit" }));
    ASSERT_EQ(edit->GetGradient()->GetPoints()->Count(), 1);

    // The only stop stays.
    scene->InjectMouseDown({ 105, 15 });
    scene->InjectMouseMove({ 105, 35 }, Left());
    scene->InjectMouseUp({ 105, 35 });
    EXPECT_EQ(edit->GetGradient()->GetPoints()->Count(), 1);
}

TEST_F(ColorControls, TheEditShowsTheCurrentStopThroughTheChain)
{
    auto* edit = Make<TwzGradientEdit>("edit", { 0, 0, 200, 20 });
    auto* picker = Make<TwzColorPicker>("picker", { 0, 30, 20, 60 });
    auto* quad = Make<TwzColorQuad>("quad", { 30, 30, 60, 60 });
    auto* box = Make<TwzColorBox>("box", { 100, 30, 40, 40 });
    picker->SetColorQuad(quad);
    quad->SetColorBox(box);
    SetStops(*edit, { { 0xFF336699, 0 }, { 0x80CC3300, 1 } });
    edit->SetColorPicker(picker);
    EXPECT_EQ(box->GetColor() & 0xFF000000u, 0xFF000000u);
    edit->SetCurrentPoint(1);
    EXPECT_FLOAT_EQ(quad->GetAlpha(), 128.0F / 255.0F);
    EXPECT_EQ(box->GetColor() >> 24, 0x80u);
    edit->SetCurrentPoint(-1);
    EXPECT_EQ(box->GetColor() >> 24, 0x80u) << "no stop: the picker keeps its colour";
    picker->Free();
    EXPECT_EQ(edit->GetColorPicker(), nullptr);
}

TEST_F(ColorControls, PicturesAreCachedAndPainted)
{
    auto* quad = Make<TwzColorQuad>("quad", { 0, 0, 60, 60 });
    Make<TwzColorPicker>("picker", { 70, 0, 20, 60 });
    auto* edit = Make<TwzGradientEdit>("edit", { 0, 70, 200, 20 });
    auto* box = Make<TwzColorBox>("box", { 100, 0, 40, 40 });
    box->GetStroke()->SetStyle(wzBrushNone);
    box->SetColor(0x00000000);
    quad->SetHue(0);
    quad->SetSat(1);
    quad->SetLum(0.5F);
    PaintAll();
    ASSERT_NE(quad->GetSquareBitmap(), nullptr);
    EXPECT_EQ(quad->GetSquareBitmap()->GetWidth(), 60);
    ASSERT_NE(edit->GetBarBitmap(), nullptr);
    EXPECT_EQ(edit->GetBarBitmap()->GetHeight(), 10);

    // Saturation grows to the right and lightness downwards; the strip's hue downwards.
    EXPECT_EQ(Pixel(58, 20), CorrectColor(HSLtoRGB(0, 58.0F / 60, 1 - 20.0F / 60)));
    EXPECT_EQ(Pixel(2, 50), CorrectColor(HSLtoRGB(0, 2.0F / 60, 1 - 50.0F / 60)));
    EXPECT_EQ(Pixel(72, 40), CorrectColor(HSLtoRGB(40.0F / 60, 0.9F, 0.5F)));
    // A transparent box shows its checkerboard: white, then grey at (10..20, 0..10).
    EXPECT_EQ(Pixel(105, 5), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(115, 5), 0xFFD3D3D3u);

    // The square keeps its size until the hue changes; the bar keeps its size for good.
    quad->SetBounds(quad->GetPosition()->GetX(), quad->GetPosition()->GetY(), 80, 60);
    edit->SetBounds(edit->GetPosition()->GetX(), edit->GetPosition()->GetY(), 150, 30);
    PaintAll();
    EXPECT_EQ(quad->GetSquareBitmap()->GetWidth(), 60);
    EXPECT_EQ(edit->GetBarBitmap()->GetWidth(), 200);
    quad->SetHue(0.5F);
    EXPECT_EQ(quad->GetSquareBitmap(), nullptr);
    PaintAll();
    EXPECT_EQ(quad->GetSquareBitmap()->GetWidth(), 80);
}
