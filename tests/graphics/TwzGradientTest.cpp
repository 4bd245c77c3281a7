#include "graphics/TwzGradient.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "tests/graphics/StreamHelpers.h"

#include "tests/support/ChangeCounter.h"
#include "tests/support/ValueHolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using TCounter = testsupport::TChangeCounter;

struct Stop {
    TwzColor color;
    float offset;
};

void SetStops(TwzGradient& g, const std::vector<Stop>& stops)
{
    g.GetPoints()->Clear();
    for (const Stop& s : stops)
        g.GetPoints()->Add(s.color, s.offset);
}

TEST(TwzGradient, ColourAtAnOffset)
{
    const std::vector<Stop> blackWhite = { { 0xFF000000, 0 }, { 0xFFFFFFFF, 1 } };
    const std::vector<Stop> blackRedWhite = { { 0xFF000000, 0 }, { 0xFFFF0000, 0.5f }, { 0xFFFFFFFF, 1 } };
    const std::vector<Stop> sameOffset = { { 0xFF0000FF, 0.5f }, { 0xFF00FF00, 0.5f } };
    const std::vector<Stop> inner = { { 0xFF000000, 0.25f }, { 0xFFFFFFFF, 0.75f } };
    const std::vector<Stop> unsorted = { { 0xFF000000, 0 }, { 0xFFFFFFFF, 1 }, { 0xFFFF0000, 0.5f } };
    struct Case {
        const char* name;
        std::vector<Stop> stops;
        float offset;
        TwzColor expected;
    };
    const Case cases[] = {
        { "start", blackWhite, 0, 0xFF000000 },
        { "end", blackWhite, 1, 0xFFFFFFFF },
        { "middle truncates", blackWhite, 0.5f, 0xFF7F7F7F },
        { "below 0 clamps", blackWhite, -3, 0xFF000000 },
        { "above 1 clamps", blackWhite, 7, 0xFFFFFFFF },
        { "not a number reads as 0", blackWhite, std::nanf(""), 0xFF000000 },
        { "first pair of three", blackRedWhite, 0.25f, 0xFF7F0000 },
        { "second pair of three", blackRedWhite, 0.75f, 0xFFFF7F7F },
        { "exactly on the inner stop", blackRedWhite, 0.5f, 0xFFFF0000 },
        { "same offsets: the first stop up to it", sameOffset, 0.5f, 0xFF0000FF },
        { "same offsets: below both", sameOffset, 0.2f, 0xFF0000FF },
        { "same offsets: above both", sameOffset, 0.8f, 0xFF00FF00 },
        { "before the first stop", inner, 0.1f, 0xFF000000 },
        { "after the last stop", inner, 0.9f, 0xFFFFFFFF },
        { "between inner stops", inner, 0.5f, 0xFF7F7F7F },
        { "unsorted: the last stop in the collection ends the gradient", unsorted, 0.75f, 0xFFFF0000 },
        { "one stop gives 0", { { 0xFFFF0000, 0.5f } }, 0.5f, 0 },
        { "no stops give 0", {}, 0.5f, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzGradient g;
        SetStops(g, c.stops);
        EXPECT_EQ(g.GradientColorAt(c.offset), c.expected) << std::hex << g.GradientColorAt(c.offset);
    }
}

TEST(TwzGradient, AnyNumberOfStops)
{
    TwzGradient g;
    std::vector<Stop> stops;
    for (int i = 0; i <= 1000; ++i)
        stops.push_back({ 0xFF000000u | uint32_t(i % 256), static_cast<float>(i) / 1000 });
    SetStops(g, stops);
    EXPECT_EQ(g.GetPoints()->Count(), 1001);
    EXPECT_EQ(g.GradientColorAt(0.7f), 0xFF000000u | (700 % 256));
    EXPECT_EQ(g.GradientColorAt(2), 0xFF000000u | (1000 % 256));

    TwzGradient copy;
    copy.Assign(g);
    EXPECT_EQ(copy.GetPoints()->Count(), 1001);
    EXPECT_EQ(copy.GradientColorAt(0.7f), g.GradientColorAt(0.7f));
}

TEST(TwzGradient, NewGradient)
{
    TwzGradient g;
    ASSERT_EQ(g.GetPoints()->Count(), 2);
    EXPECT_EQ(g.GetPoints()->GetPoint(0)->GetColor(), "#FF000000");
    EXPECT_EQ(g.GetPoints()->GetPoint(1)->GetColor(), "#FFFFFFFF");
    EXPECT_EQ(g.GetStyle(), wzLinearGradient);
    EXPECT_EQ(g.GetStartPosition()->GetPoint(), (TwzPoint { 0, 0 }));
    EXPECT_EQ(g.GetStopPosition()->GetPoint(), (TwzPoint { 1, 0 }));
    EXPECT_EQ(g.GetRadialTransform()->Matrix(), IdentityMatrix);
}

TEST(TwzGradient, Notifications)
{
    TwzGradient g;
    TCounter counter;
    g.OnChanged.Bind<&TCounter::Changed>(&counter);
    g.SetStyle(wzLinearGradient);
    EXPECT_EQ(counter.count, 0);
    g.SetStyle(wzRadialGradient);
    EXPECT_EQ(counter.count, 1);
    g.GetPoints()->GetPoint(0)->SetColor("Red");
    g.GetPoints()->GetPoint(0)->SetOffset(0.1f);
    g.SetFirstStopColor("#80FF0000");
    EXPECT_EQ(counter.count, 1) << "stops notify nobody";
    EXPECT_EQ(g.GetPoints()->GetPoint(0)->ColorValue(), 0x80FF0000u);
    g.Change();
    EXPECT_EQ(counter.count, 2);
    g.GetStopPosition()->SetX(0.5f);
    g.GetRadialTransform()->SetRotateAngle(10);
    EXPECT_EQ(counter.count, 4) << "positions and the transform notify through the gradient";
    EXPECT_EQ(counter.lastSender, &g);

    TwzGradient empty;
    empty.GetPoints()->Clear();
    empty.SetFirstStopColor("Red"); // nothing to set, nothing to fail
    EXPECT_EQ(empty.GetPoints()->Count(), 0);
}

TEST(TwzGradient, AssignCopiesStopsStyleAndThatStylesGeometryWithOneNotification)
{
    TwzGradient source;
    SetStops(source, { { 0xFF112233, 0.2f }, { 0xFF445566, 0.4f }, { 0xFF778899, 0.9f } });
    source.SetStyle(wzRadialGradient);
    source.GetRadialTransform()->SetRotateAngle(30);
    source.GetStartPosition()->SetPoint({ 0.3f, 0.3f });

    TwzGradient target;
    target.GetStartPosition()->SetPoint({ 0.7f, 0.7f });
    TCounter counter;
    target.OnChanged.Bind<&TCounter::Changed>(&counter);
    target.Assign(source);
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(target.GetStyle(), wzRadialGradient);
    EXPECT_EQ(target.GetPoints()->Count(), 3);
    EXPECT_EQ(target.GetPoints()->GetPoint(2)->ColorValue(), 0xFF778899u);
    EXPECT_EQ(target.GetRadialTransform()->GetRotateAngle(), 30);
    EXPECT_EQ(target.GetStartPosition()->GetPoint(), (TwzPoint { 0.7f, 0.7f }))
        << "the linear geometry of a radial source is not copied";

    struct TOther : rtl::TPersistent {
    } other;
    EXPECT_THROW(target.Assign(other), rtl::ConvertError);
}

// A component holding a gradient, to see its stored form inside an object.
using TGradientHolder = testsupport::THolder<TwzGradient, "Gradient">;

TEST(TwzGradient, StoresOnlyTheGeometryOfItsStyle)
{
    rtl::TOwned<TGradientHolder> holder(new TGradientHolder(nullptr));
    TwzGradient& g = *holder->GetValue();
    g.GetStopPosition()->SetPoint({ 1, 1 });
    g.GetRadialTransform()->GetPosition()->SetPoint({ 5, 0 });
    std::string text = streamtest::ComponentToText(*holder);
    EXPECT_NE(text.find("Gradient.Points = <"), std::string::npos) << text;
    EXPECT_NE(text.find("Color = '#FF000000'"), std::string::npos) << text;
    EXPECT_NE(text.find("Gradient.StopPosition.Point = '(1,1)'"), std::string::npos) << text;
    EXPECT_EQ(text.find("StartPosition"), std::string::npos) << "at its default";
    EXPECT_NE(text.find("Gradient.Style = wzLinearGradient"), std::string::npos)
        << "the style is always stored";
    EXPECT_EQ(text.find("RadialTransform"), std::string::npos) << text;

    g.SetStyle(wzRadialGradient);
    text = streamtest::ComponentToText(*holder);
    EXPECT_EQ(text.find("StopPosition"), std::string::npos) << text;
    EXPECT_NE(text.find("Gradient.RadialTransform.Position.Point = '(5,0)'"), std::string::npos) << text;

    rtl::TOwned<TGradientHolder> back(new TGradientHolder(nullptr));
    std::string errors;
    streamtest::TextToComponent(text, *back, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(back->GetValue()->GetStyle(), wzRadialGradient);
    EXPECT_EQ(back->GetValue()->GetRadialTransform()->Matrix(), g.GetRadialTransform()->Matrix());
    ASSERT_EQ(back->GetValue()->GetPoints()->Count(), 2);
    EXPECT_EQ(back->GetValue()->GetPoints()->GetPoint(1)->GetOffset(), 1);
}

} // namespace
