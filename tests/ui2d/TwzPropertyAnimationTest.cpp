#include "AnimationTestSupport.h"

#include "graphics/ObjectText.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzGradient.h"
#include "graphics/TwzGradientPoints.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzPosition.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzPropertyAnimations.h"

#include "platform/rtl/Properties.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

// A visual object with the kinds of property the animations write: a brush (colour text and
// a gradient inside), a picture, a colour number and a text that is no colour.
class TPaintedObject : public TwzVisualObject {
    RTL_CLASS(TPaintedObject, TwzVisualObject)
public:
    explicit TPaintedObject(rtl::TComponent* owner)
        : TwzVisualObject(owner)
        , m_fill(std::make_unique<TwzBrush>(wzBrushSolid, 0xFFFFFFFF))
        , m_picture(std::make_unique<TwzBitmap>(1, 1))
    {
        m_fill->GetGradient()->OnChanged.Bind<&TPaintedObject::GradientChanged>(this);
    }
    [[nodiscard]] TwzBrush* GetFill() const { return m_fill.get(); }
    void SetFill(TwzBrush* value)
    {
        if (value)
            m_fill->Assign(*value);
    }
    [[nodiscard]] TwzBitmap* GetPicture() const { return m_picture.get(); }
    void SetPicture(TwzBitmap* value)
    {
        if (value)
            m_picture->Assign(*value);
    }
    [[nodiscard]] uint32_t GetColorNumber() const { return m_colorNumber; }
    void SetColorNumber(uint32_t value) { m_colorNumber = value; }
    void GradientChanged(rtl::TObject*) { ++gradientChanges; }

    int gradientChanges = 0;

private:
    std::unique_ptr<TwzBrush> m_fill;
    std::unique_ptr<TwzBitmap> m_picture;
    uint32_t m_colorNumber = 0;
};

constexpr rtl::TPropInfo kPaintedProps[] = {
    RTL_PROP(TPaintedObject, Fill, Class, rtl::kNoDefault),
    RTL_PROP(TPaintedObject, Picture, Class, rtl::kNoDefault),
    RTL_PROP(TPaintedObject, ColorNumber, Integer, 0u).WithTypeName("TwzColor"),
};

} // namespace

RTL_IMPLEMENT_CLASS(TPaintedObject, .props = kPaintedProps)

namespace {

class TwzPropertyAnimations : public AnimationTest {
protected:
    void SetUp() override
    {
        AnimationTest::SetUp();
        painted = new TPaintedObject(form.get());
        painted->SetParent(root);
    }

    template <class T> T* Make(const std::string& propertyName, float duration = 0.2f)
    {
        auto* a = new T(form.get());
        a->SetParent(painted);
        a->SetDuration(duration);
        if constexpr (requires { a->SetPropertyName(propertyName); })
            a->SetPropertyName(propertyName);
        return a;
    }

    /// Runs `a` from Start to the end in 50 ms ticks, calling `check` with the progress
    /// after Start and after each tick.
    template <class F> static void Run(TwzAnimation& a, F check)
    {
        a.Start();
        check(a.NormalizedTime());
        while (a.GetRunning()) {
            Advance(50);
            check(a.GetRunning() ? a.NormalizedTime() : (a.GetInverse() ? 0.0f : 1.0f));
        }
    }

    TPaintedObject* painted = nullptr;
};

TEST_F(TwzPropertyAnimations, FloatFollowsEveryEasingInEveryDirection)
{
    for (int kind = wzInterpolationLinear; kind <= wzInterpolationBounce; ++kind) {
        for (int type = wzAnimationIn; type <= wzAnimationInOut; ++type) {
            SCOPED_TRACE(std::string(rtl::EnumName(static_cast<TwzInterpolationType>(kind))) + " "
                + std::string(rtl::EnumName(static_cast<TwzAnimationType>(type))));
            auto* a = Make<TwzFloatAnimation>("Opacity", 0.4f);
            a->SetInterpolation(static_cast<TwzInterpolationType>(kind));
            a->SetAnimationType(static_cast<TwzAnimationType>(type));
            a->SetStartValue(0.2f);
            a->SetStopValue(0.8f);
            std::vector<float> written;
            a->Start();
            written.push_back(painted->GetOpacity());
            for (int i = 0; i < 8; ++i)
                Advance(50);
            written.push_back(painted->GetOpacity());
            EXPECT_FLOAT_EQ(written.front(), 0.2f);
            EXPECT_FLOAT_EQ(written.back(), 0.8f);
            EXPECT_FALSE(a->GetRunning());
            // Half-way, the value is the curve's own.
            a->Start();
            for (int i = 0; i < 4; ++i)
                Advance(50);
            const double eased = Ease(
                static_cast<TwzInterpolationType>(kind), 0.2, 0, 1, 0.4, static_cast<TwzAnimationType>(type));
            EXPECT_NEAR(painted->GetOpacity(), 0.2 + 0.6 * eased, 1e-4);
            a->Free();
        }
    }
}

TEST_F(TwzPropertyAnimations, FloatStartFromCurrentDelayAndLoop)
{
    painted->SetOpacity(0.4f);
    auto* a = Make<TwzFloatAnimation>("opacity");
    a->SetStartFromCurrent(true);
    a->SetStopValue(1);
    a->SetDelay(0.1f);
    a->Start();
    EXPECT_FLOAT_EQ(a->GetStartValue(), 0.4f);
    EXPECT_FLOAT_EQ(painted->GetOpacity(), 0.4f);
    Advance(50);
    Advance(50); // the delay is used up
    EXPECT_FLOAT_EQ(painted->GetOpacity(), 0.4f);
    Advance(50);
    EXPECT_FLOAT_EQ(painted->GetOpacity(), 0.55f);

    a->Stop();
    a->SetLoop(true);
    a->SetAutoReverse(true);
    a->SetDelay(0);
    a->SetStartFromCurrent(false);
    std::vector<float> values;
    a->Start();
    for (int i = 0; i < 8; ++i) {
        Advance(50);
        values.push_back(painted->GetOpacity());
    }
    const std::vector<float> expected { 0.55f, 0.7f, 0.85f, 1, 0.85f, 0.7f, 0.55f, 0.4f };
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(values[i], expected[i], 1e-5) << i;
}

TEST_F(TwzPropertyAnimations, ColorWritesTextOrNumberAndSkipsPathNamesThatAreNoObjects)
{
    struct Case {
        const char* path;
        const char* edge;
    };
    const Case cases[] = {
        { "Fill.Color", "colour text of a sub-object" },
        { "Fill.Nonexistent.Color", "a middle name that is no object property is skipped" },
        { " fill . color ", "names are trimmed and case is ignored" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        auto* a = Make<TwzColorAnimation>(c.path, 0.2f);
        a->SetStartValue("#FFFF0000");
        a->SetStopValue("#FF0000FF");
        a->Start();
        EXPECT_EQ(painted->GetFill()->GetColor(), "#FFFF0000");
        Advance(100);
        EXPECT_EQ(painted->GetFill()->GetColor(), "#FF80007F");
        Advance(100);
        EXPECT_EQ(painted->GetFill()->GetColor(), "#FF0000FF");
        a->Free();
    }

    auto* number = Make<TwzColorAnimation>("ColorNumber");
    painted->SetColorNumber(0xFF00FF00);
    number->SetStartFromCurrent(true);
    number->SetStopValue("#00000000");
    number->Start();
    EXPECT_EQ(number->GetStartValue(), "#FF00FF00");
    number->Stop();
    EXPECT_EQ(painted->GetColorNumber(), 0u);

    // A property of another kind is never written; the time line runs all the same.
    auto* wrong = Make<TwzColorAnimation>("Opacity");
    wrong->SetStopValue("#00000000");
    wrong->Start();
    EXPECT_TRUE(wrong->GetRunning());
    wrong->Stop();
    EXPECT_FLOAT_EQ(painted->GetOpacity(), 1);
}

TEST_F(TwzPropertyAnimations, GradientChangesTheStopsAllThreeHaveAndNotifiesOnce)
{
    TwzGradient& target = *painted->GetFill()->GetGradient();
    target.GetPoints()->Clear();
    target.GetPoints()->Add(0xFF000000, 0);
    target.GetPoints()->Add(0xFF000000, 0.5f);
    target.GetPoints()->Add(0xFF123456, 1);
    auto* a = Make<TwzGradientAnimation>("Fill.Gradient");
    TwzGradientPoints& start = *a->GetStartValue()->GetPoints();
    start.Clear();
    start.Add(0xFFFF0000, 0);
    start.Add(0xFF00FF00, 0.3f);
    start.Add(0xFF0000FF, 1);
    TwzGradientPoints& stop = *a->GetStopValue()->GetPoints();
    stop.Clear();
    stop.Add(0xFF0000FF, 0);
    stop.Add(0xFFFF0000, 1);
    a->Start();
    Advance(100);
    const int changes = painted->gradientChanges;
    Advance(100);
    EXPECT_EQ(painted->gradientChanges, changes + 1);
    EXPECT_EQ(target.GetPoints()->GetPoint(0)->GetColor(), "#FF0000FF");
    EXPECT_EQ(target.GetPoints()->GetPoint(1)->GetColor(), "#FFFF0000");
    EXPECT_EQ(target.GetPoints()->GetPoint(2)->GetColor(), "#FF123456"); // not in the stop gradient
    EXPECT_FLOAT_EQ(target.GetPoints()->GetPoint(1)->GetOffset(), 0.5f); // offsets stay

    // From the current gradient: the start takes its stops.
    auto* current = Make<TwzGradientAnimation>("Fill.Gradient");
    current->SetStartFromCurrent(true);
    current->Start();
    EXPECT_EQ(current->GetStartValue()->GetPoints()->Count(), 3);
    EXPECT_EQ(current->GetStartValue()->GetPoints()->GetPoint(2)->GetColor(), "#FF123456");
}

TEST_F(TwzPropertyAnimations, RectAssignsEverySideOnce)
{
    auto* a = Make<TwzRectAnimation>("Margins");
    a->GetStopValue()->SetRect({ 10, 20, 30, 40 });
    a->Start();
    Advance(100);
    EXPECT_EQ(painted->GetMargins()->GetRect(), (TwzRect { 5, 10, 15, 20 }));
    a->Stop();
    EXPECT_EQ(painted->GetMargins()->GetRect(), (TwzRect { 10, 20, 30, 40 }));

    auto* back = Make<TwzRectAnimation>("Margins");
    back->SetStartFromCurrent(true);
    back->Start();
    EXPECT_EQ(back->GetStartValue()->GetRect(), (TwzRect { 10, 20, 30, 40 }));
    back->Stop();
    EXPECT_EQ(painted->GetMargins()->GetRect(), (TwzRect {}));

    // A property holding an object of another class is left as it is.
    auto* wrong = Make<TwzRectAnimation>("Position");
    wrong->GetStopValue()->SetRect({ 1, 2, 3, 4 });
    wrong->Start();
    wrong->Stop();
    EXPECT_EQ(painted->GetPosition()->GetPoint(), (TwzPoint {}));
}

TEST_F(TwzPropertyAnimations, BitmapCrossFades)
{
    auto* a = Make<TwzBitmapAnimation>("Picture", 0.2f);
    TwzBitmap red(2, 2);
    red.Clear(0xFFFF0000);
    TwzBitmap blue(2, 2);
    blue.Clear(0xFF0000FF);
    a->SetStartValue(&red);
    a->SetStopValue(&blue);
    a->Start();
    ASSERT_EQ(painted->GetPicture()->GetWidth(), 2);
    EXPECT_EQ(painted->GetPicture()->Pixels()[3], 0xFFFF0000u);
    Advance(100);
    const uint32_t mid = painted->GetPicture()->Pixels()[0];
    EXPECT_NEAR(static_cast<int>((mid >> 16) & 0xFF), 128, 3);
    EXPECT_NEAR(static_cast<int>(mid & 0xFF), 128, 3);
    Advance(100);
    EXPECT_EQ(painted->GetPicture()->Pixels()[0], 0xFF0000FFu);
}

TEST_F(TwzPropertyAnimations, KeyFramesPickTheBracketingPair)
{
    // The drag-over bounce of the built-in style.
    auto* bounce = Make<TwzFloatKeyAnimation>("Margins.Top", 0.6f);
    bounce->SetLoop(true);
    auto AddFloatKey = [](TwzKeys& keys, float key, float value) {
        auto* k = static_cast<TwzFloatKey*>(keys.Add());
        k->SetKey(key);
        k->SetValue(value);
    };
    AddFloatKey(*bounce->GetKeys(), 0, 0);
    AddFloatKey(*bounce->GetKeys(), 0.5f, -20);
    AddFloatKey(*bounce->GetKeys(), 1, 0);
    bounce->Start();
    std::vector<float> tops;
    for (int i = 0; i < 6; ++i) {
        Advance(100);
        tops.push_back(painted->GetMargins()->GetTop());
    }
    const std::vector<float> expected { -20.0f / 3, -40.0f / 3, -20, -40.0f / 3, -20.0f / 3, 0 };
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(tops[i], expected[i], 1e-3) << i;
    bounce->Free();

    // One key is no pair: nothing is written.
    painted->GetMargins()->SetTop(7);
    auto* single = Make<TwzFloatKeyAnimation>("Margins.Top");
    AddFloatKey(*single->GetKeys(), 0, 100);
    single->Start();
    single->Stop();
    EXPECT_FLOAT_EQ(painted->GetMargins()->GetTop(), 7);

    // Colour keys; the first key takes the current colour.
    painted->GetFill()->SetColor("#FF00FF00");
    auto* colors = Make<TwzColorKeyAnimation>("Fill.Color");
    colors->SetStartFromCurrent(true);
    for (const auto& [key, value] :
        { std::pair { 0.0f, "#FFFFFFFF" }, { 0.5f, "#FFFF0000" }, { 1.0f, "#FF0000FF" } }) {
        auto* k = static_cast<TwzColorKey*>(colors->GetKeys()->Add());
        k->SetKey(key);
        k->SetValue(value);
    }
    colors->Start();
    EXPECT_EQ(static_cast<TwzColorKey*>(colors->GetKeys()->GetKey(0))->GetValue(), "#FF00FF00");
    Advance(100);
    EXPECT_EQ(painted->GetFill()->GetColor(), "#FFFF0000");
    Advance(50);
    EXPECT_EQ(painted->GetFill()->GetColor(), "#FF80007F");
}

TEST(TwzKeys, KeysClampAndFindKeysTakesTheFirstBracketingPair)
{
    TwzKeys keys(TwzFloatKey::StaticClass());
    TwzKey* first = nullptr;
    TwzKey* second = nullptr;
    EXPECT_FALSE(keys.FindKeys(0.5f, first, second));
    for (const float key : { -1.0f, 0.5f, 0.5f, 2.0f })
        static_cast<TwzKey*>(keys.Add())->SetKey(key);
    EXPECT_FLOAT_EQ(keys.GetKey(0)->GetKey(), 0);
    EXPECT_FLOAT_EQ(keys.GetKey(3)->GetKey(), 1);
    ASSERT_TRUE(keys.FindKeys(0.5f, first, second));
    EXPECT_EQ(first, keys.GetKey(0));
    EXPECT_EQ(second, keys.GetKey(1));
    ASSERT_TRUE(keys.FindKeys(0.7f, first, second));
    EXPECT_EQ(first, keys.GetKey(2));
    EXPECT_FALSE(keys.FindKeys(1.2f, first, second)); // an overshooting curve
}

TEST_F(TwzPropertyAnimations, PathMovesTheParentAlongTheSplineAndTurnsIt)
{
    TwzBitmap surface(8, 8);
    TwzCanvasGdiPlus canvas(&surface);
    scene->SetCanvas(&canvas);
    painted->GetPosition()->SetPoint({ 100, 100 });
    auto* a = Make<TwzPathAnimation>("", 0.4f);
    a->SetRotate(true);
    TwzPathData& path = *a->GetPath();
    path.MoveTo({ 0, 0 });
    path.LineTo({ 10, 0 });
    path.LineTo({ 10, 10 });
    path.LineTo({ 0, 10 });
    a->Start();
    EXPECT_EQ(painted->GetPosition()->GetPoint(), (TwzPoint { 100, 100 }));
    std::vector<float> angles;
    bool turned = false;
    for (int i = 0; i < 8; ++i) {
        Advance(50);
        turned = turned || painted->GetRotateAngle() != 0;
        const TwzPoint p = painted->GetPosition()->GetPoint();
        EXPECT_GE(p.X, 100 - 2);
        EXPECT_LE(p.X, 110 + 2);
    }
    EXPECT_TRUE(turned);
    // The run ends on the last point, not beyond it.
    EXPECT_NEAR(painted->GetPosition()->GetX(), 100, 1e-3);
    EXPECT_NEAR(painted->GetPosition()->GetY(), 110, 1e-3);
    const float finalAngle = painted->GetRotateAngle();
    a->Start(); // progress 0 along the previous spline from the previous start point
    EXPECT_FLOAT_EQ(painted->GetRotateAngle(), finalAngle);
    scene->SetCanvas(nullptr);
}

TEST_F(TwzPropertyAnimations, PathWithoutCanvasAndSwitcherWriteNothing)
{
    painted->GetPosition()->SetPoint({ 5, 5 });
    auto* path = Make<TwzPathAnimation>("");
    path->GetPath()->MoveTo({ 0, 0 });
    path->GetPath()->LineTo({ 50, 50 });
    path->Start();
    path->Stop();
    EXPECT_EQ(painted->GetPosition()->GetPoint(), (TwzPoint { 5, 5 }));

    auto* switcher = Make<TwzPathSwitcher>("Opacity", 0.001f);
    EXPECT_FLOAT_EQ(rtl::TOwned<TwzPathSwitcher>(new TwzPathSwitcher(nullptr))->GetDuration(), 0.001f);
    switcher->SetPathTrue("a");
    switcher->Start();
    switcher->Stop();
    EXPECT_FLOAT_EQ(painted->GetOpacity(), 1);
}

} // namespace

// ---- stored form and registration -----------------------------------------------------------

namespace {

std::string AsText(TwzObject& object)
{
    rtl::TMemoryStream text;
    object.SaveObjectAsText(text);
    return std::string(reinterpret_cast<const char*>(text.Memory()), static_cast<size_t>(text.GetSize()));
}

rtl::TOwned<TwzObject> FromText(const std::string& text)
{
    rtl::TMemoryStream input;
    input.WriteBuffer(text.data(), text.size());
    input.SetPosition(0);
    return rtl::TOwned<TwzObject>(Create2DObjectFromTextStream(nullptr, input));
}

TEST_F(TwzPropertyAnimations, KeysAndTimingRoundTripThroughObjectText)
{
    rtl::TOwned<TwzVisualObject> panel(new TwzVisualObject(nullptr));
    auto* bounce = new TwzFloatKeyAnimation(panel.get());
    bounce->SetParent(panel.get());
    bounce->SetPropertyName("Margins.Top");
    bounce->SetDuration(0.6f);
    bounce->SetLoop(true);
    bounce->SetTrigger("IsDragOver=true");
    bounce->GetKeys()->Add();
    auto* middle = static_cast<TwzFloatKey*>(bounce->GetKeys()->Add());
    middle->SetKey(0.5f);
    middle->SetValue(-20);
    static_cast<TwzKey*>(bounce->GetKeys()->Add())->SetKey(1);
    const std::string text = AsText(*panel);
    EXPECT_NE(text.find("Keys = <"), std::string::npos) << text;
    // Duration, Delay and HideOnFinish are always stored, also at their initial values.
    for (const char* name : { "Duration = ", "Delay = ", "HideOnFinish = False" })
        EXPECT_NE(text.find(name), std::string::npos) << name;

    rtl::TOwned<TwzObject> copy = FromText(text);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->GetChildCount(), 1);
    auto* read = dynamic_cast<TwzFloatKeyAnimation*>(copy->GetChild(0));
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->GetKeys()->Count(), 3);
    EXPECT_FLOAT_EQ(read->GetKeys()->GetKey(1)->GetKey(), 0.5f);
    EXPECT_FLOAT_EQ(static_cast<TwzFloatKey*>(read->GetKeys()->GetKey(1))->GetValue(), -20);
    EXPECT_EQ(read->GetTrigger(), "IsDragOver=true");
    EXPECT_EQ(AsText(*copy), text);
}

TEST_F(TwzPropertyAnimations, AStoredEnabledAnimationStartsOnceLoaded)
{
    // Read outside any host: the start finishes at once with the end value.
    rtl::TOwned<TwzObject> panel = FromText("object P: TwzVisualObject\n"
                                            "  object A: TwzFloatAnimation\n"
                                            "    Duration = 0.5\n    Delay = 0\n    Enabled = True\n"
                                            "    HideOnFinish = False\n    PropertyName = 'Opacity'\n"
                                            "    StartValue = 0\n    StopValue = 0.25\n  end\nend\n");
    ASSERT_NE(panel, nullptr);
    EXPECT_FLOAT_EQ(panel->AsVisual()->GetOpacity(), 0.25f);
    auto* a = dynamic_cast<TwzFloatAnimation*>(panel->GetChild(0));
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(a->GetEnabled());
    EXPECT_FLOAT_EQ(a->GetDuration(), 0.5f);
}

TEST(TwzAnimationRegistration, AnimationsRegisterInPaletteOrder)
{
    RegisterTestClasses();
    // The category list shows the most recently registered class of a category first.
    std::vector<std::string> names;
    for (const ui2d::CategoryEntry& entry : Object2DCategoryList()) {
        if (entry.category == "Animations")
            names.insert(names.begin(), std::string(entry.classInfo->name));
    }
    EXPECT_EQ(names,
        (std::vector<std::string> { "TwzColorAnimation", "TwzGradientAnimation", "TwzFloatAnimation",
            "TwzRectAnimation", "TwzBitmapAnimation", "TwzColorKeyAnimation", "TwzFloatKeyAnimation",
            "TwzPathAnimation", "TwzPathSwitcher" }));
    for (const std::string& name : names)
        EXPECT_NE(rtl::FindClass(name), nullptr) << name;
}

// ---- AnimateFloat ---------------------------------------------------------------------------

// A message pump for waits: each turn moves the virtual time on and ticks the clock; after
// `freeAfter` turns it frees `victim`.
struct PumpState {
    int turns = 0;
    int freeAfter = -1;
    TwzObject* victim = nullptr;
};
PumpState& Pump()
{
    static PumpState state;
    return state;
}
bool VirtualPump()
{
    PumpState& s = Pump();
    if (++s.turns == s.freeAfter && s.victim)
        std::exchange(s.victim, nullptr)->Free();
    AnimationTest::Advance(50);
    return true;
}

class TwzAnimateFloat : public TwzPropertyAnimations {
protected:
    void TearDown() override
    {
        ui2d::SetMessagePump(nullptr);
        Pump() = {};
        TwzPropertyAnimations::TearDown();
    }
};

TEST_F(TwzAnimateFloat, AnimateFloatRunsFromTheCurrentValueAndFreesItself)
{
    painted->SetOpacity(0.5f);
    painted->AnimateFloat("Opacity", 0, 0.2f, wzAnimationIn, wzInterpolationLinear);
    ASSERT_EQ(painted->GetChildCount(), 1);
    Advance(100);
    EXPECT_FLOAT_EQ(painted->GetOpacity(), 0.25f);
    Advance(100);
    EXPECT_FLOAT_EQ(painted->GetOpacity(), 0);
    EXPECT_EQ(painted->GetChildCount(), 0);

    // Hidden: the end value at once, and no child stays behind.
    painted->SetVisible(false);
    painted->AnimateFloat("Opacity", 0.75f, 0.2f, wzAnimationIn, wzInterpolationLinear);
    EXPECT_FLOAT_EQ(painted->GetOpacity(), 0.75f);
    EXPECT_EQ(painted->GetChildCount(), 0);
}

TEST_F(TwzAnimateFloat, AnimateFloatWaitRunsThroughThePump)
{
    ui2d::SetMessagePump(&VirtualPump);
    painted->AnimateFloatWait("Position.X", 40, 0.2f, wzAnimationOut, wzInterpolationBack);
    EXPECT_FLOAT_EQ(painted->GetPosition()->GetX(), 40);
    EXPECT_EQ(Pump().turns, 4);
    EXPECT_EQ(painted->GetChildCount(), 0);
}

TEST_F(TwzAnimateFloat, AnimateFloatWaitWithoutAPumpWritesTheEndValue)
{
    painted->AnimateFloatWait("Opacity", 0.125f, 5, wzAnimationIn, wzInterpolationLinear);
    EXPECT_FLOAT_EQ(painted->GetOpacity(), 0.125f);
    EXPECT_EQ(painted->GetChildCount(), 0);
}

TEST_F(TwzAnimateFloat, AnimateFloatWaitEndsWhenItsObjectIsFreed)
{
    ui2d::SetMessagePump(&VirtualPump);
    Pump().freeAfter = 3;
    Pump().victim = painted;
    painted->AnimateFloatWait("Opacity", 0, 10, wzAnimationIn, wzInterpolationLinear);
    painted = nullptr;
    EXPECT_EQ(Pump().turns, 3); // not the 200 turns a ten-second run would take
    EXPECT_TRUE(AniThread()->Animations().empty());
}

} // namespace

namespace {

// An object that links to another visual object, as a control links to a part.
class TLinkObject : public TwzVisualObject {
    RTL_CLASS(TLinkObject, TwzVisualObject)
public:
    explicit TLinkObject(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    { }
    [[nodiscard]] TwzVisualObject* GetPartner() const { return m_partner.Get(); }
    void SetPartner(TwzVisualObject* value) { m_partner = value; }

private:
    rtl::Watch<TwzVisualObject> m_partner;
};

constexpr rtl::TPropInfo kLinkProps[] = {
    RTL_PROP(TLinkObject, Partner, Component, nullptr),
};

} // namespace

RTL_IMPLEMENT_CLASS(TLinkObject, .props = kLinkProps)

namespace {

TEST_F(TwzPropertyAnimations, AFreedLinkedTargetIsNoLongerWritten)
{
    auto* holder = new TLinkObject(form.get());
    holder->SetParent(root);
    auto* partner = new TwzVisualObject(form.get());
    partner->SetParent(root);
    holder->SetPartner(partner);
    auto* a = new TwzFloatAnimation(form.get());
    a->SetParent(holder);
    a->SetPropertyName("Partner.Opacity");
    a->SetStopValue(0);
    a->SetStartValue(1);
    a->Start();
    Advance(100);
    EXPECT_FLOAT_EQ(partner->GetOpacity(), 0.5f);
    partner->Free();
    Advance(50); // the target is gone: nothing is written, the time line runs on
    EXPECT_TRUE(a->GetRunning());
    a->Stop();
    EXPECT_EQ(a->Target().Object(), nullptr);
}

} // namespace
