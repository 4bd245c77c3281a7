// The bitmap effects: their areas and offsets, the setters' ranges, each pixel transform on
// a small picture, and effects on objects of a painted 64 x 64 scene.

#include "PixelScene.h"

#include "graphics/TwzBrush.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "ui2d/TwzEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

using namespace ui2dtest;

namespace {

bool Near(const TwzRect& a, const TwzRect& b)
{
    constexpr float e = 0.01f;
    return std::fabs(a.Left - b.Left) < e && std::fabs(a.Top - b.Top) < e && std::fabs(a.Right - b.Right) < e
        && std::fabs(a.Bottom - b.Bottom) < e;
}

/// A box filled with one colour at its absolute opacity.
class TSolidBox : public TwzVisualObject {
    RTL_CLASS(TSolidBox, TwzVisualObject)
public:
    explicit TSolidBox(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    { }
    TwzColor color = 0xFFFF0000;
    int paints = 0;
    using TwzVisualObject::SetIsFocused;
    using TwzVisualObject::SetIsMouseOver;
    void Paint() override
    {
        ++paints;
        TwzCanvas* canvas = GetCanvas();
        canvas->GetFill().SetStyle(wzBrushSolid);
        canvas->GetFill().SetSolidColor(color);
        canvas->FillRect(GetLocalRect(), 0, 0, {}, GetAbsoluteOpacity());
    }
};

} // namespace

RTL_IMPLEMENT_CLASS(TSolidBox)

class Effects : public PixelScene {
protected:
    template <class T> T* Effect(TwzObject* parent = nullptr)
    {
        auto* effect = new T(form.get());
        if (parent)
            effect->SetParent(parent);
        return effect;
    }
};

TEST_F(Effects, AreasAndOffsetsFollowTheStoredValues)
{
    struct Case {
        const char* name;
        std::function<TwzEffect*()> make;
        TwzRect area; // for the content rectangle (0, 0, 20, 10)
        TwzPoint offset;
    };
    const float shift = 3 * std::cos(45 * 3.14159265f / 180); // about 2.12
    const Case cases[] = {
        { "shadow", [this] { return Effect<TwzShadowEffect>(); },
            { -6 + shift, -6 + shift, 26 + shift, 16 + shift }, { 6, 6 } },
        { "shadow of softness 0.7 keeps 13, not 14",
            [this] {
                auto* e = Effect<TwzShadowEffect>();
                e->SetSoftness(0.7f);
                e->SetDistance(0);
                return e;
            },
            { -13, -13, 33, 23 }, { 13, 13 } },
        { "blur", [this] { return Effect<TwzBlurEffect>(); }, { -6, -6, 26, 16 }, { 6, 6 } },
        { "glow", [this] { return Effect<TwzGlowEffect>(); }, { -12, -12, 32, 22 }, { 12, 12 } },
        { "inner glow", [this] { return Effect<TwzInnerGlowEffect>(); }, { -8, -8, 28, 18 }, { 8, 8 } },
        { "bevel", [this] { return Effect<TwzBevelEffect>(); }, { -5, -5, 25, 15 }, { 5, 5 } },
        { "reflection",
            [this] {
                auto* e = Effect<TwzReflectionEffect>();
                e->SetReflectionOffset(4);
                return e;
            },
            { -2, 12, 22, 26 }, { 2, 2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzEffect* effect = c.make();
        EXPECT_TRUE(Near(effect->GetRect({ 0, 0, 20, 10 }), c.area));
        EXPECT_EQ(effect->GetOffset(), c.offset);
        effect->Free();
    }
}

TEST_F(Effects, SettersKeepTheirRangesAndFlagsFollowTheClass)
{
    auto* shadow = Effect<TwzShadowEffect>();
    shadow->SetOpacity(2);
    EXPECT_EQ(shadow->GetOpacity(), 1);
    shadow->SetSoftness(-1);
    EXPECT_EQ(shadow->GetSoftness(), 0);
    shadow->SetDistance(std::nanf(""));
    EXPECT_EQ(shadow->GetDistance(), 3);
    auto* blur = Effect<TwzBlurEffect>();
    blur->SetSoftness(20);
    EXPECT_EQ(blur->GetSoftness(), 9);
    auto* reflection = Effect<TwzReflectionEffect>();
    reflection->SetLength(0.05f);
    EXPECT_FLOAT_EQ(reflection->GetLength(), 0.1f);
    auto* glow = Effect<TwzGlowEffect>();
    glow->SetGlowColor("#80102030");
    EXPECT_EQ(glow->GetGlowColor(), "#80102030");

    EXPECT_TRUE(blur->GetDisablePaint());
    EXPECT_TRUE(Effect<TwzBevelEffect>()->GetDisablePaint());
    EXPECT_TRUE(Effect<TwzInnerGlowEffect>()->GetPaintAfter());
    EXPECT_FALSE(shadow->GetDisablePaint() || shadow->GetPaintAfter() || glow->GetPaintAfter());
}

TEST_F(Effects, ShadowIsTheBlurredSilhouetteWithTheObjectCutOut)
{
    std::unique_ptr<TwzBitmap> picture = SquareBitmap(64, 20, 20, 16);
    auto* shadow = Effect<TwzShadowEffect>();
    shadow->SetDirection(0);
    shadow->SetDistance(6);
    shadow->SetOpacity(1);
    shadow->ProcessEffect(*canvas, *picture, 1);
    // The object sits 6 pixels left of its shadow: its area is cut away.
    for (int x : { 14, 20, 29 })
        EXPECT_EQ(picture->GetScanline(28)[x], 0u) << "at x " << x;
    // Right of the cut-out: the black shadow, soft towards its edge.
    const uint32_t inside = picture->GetScanline(28)[33];
    const uint32_t edge = picture->GetScanline(28)[38];
    EXPECT_EQ(inside & 0x00FFFFFF, 0u) << Hex(inside);
    EXPECT_GT(Alpha(inside), 120) << Hex(inside);
    EXPECT_GT(Alpha(edge), 0);
    EXPECT_LT(Alpha(edge), Alpha(inside));
    EXPECT_EQ(picture->GetScanline(28)[50], 0u);

    // The displacement is scaled with the object: at scale 2 the cut-out moves by 12.
    std::unique_ptr<TwzBitmap> scaled = SquareBitmap(64, 20, 20, 16);
    shadow->ProcessEffect(*canvas, *scaled, 2);
    EXPECT_EQ(scaled->GetScanline(28)[23], 0u);
    EXPECT_GT(Alpha(scaled->GetScanline(28)[33]), 0);
}

TEST_F(Effects, GlowsSurroundTheOutlineOnItsOwnSide)
{
    auto* glow = Effect<TwzGlowEffect>();
    std::unique_ptr<TwzBitmap> outer = SquareBitmap(64, 16, 16, 32);
    glow->ProcessEffect(*canvas, *outer, 1);
    EXPECT_EQ(outer->GetScanline(32)[32], 0u) << "the object's own area is cut away";
    const uint32_t near = outer->GetScanline(32)[14];
    const uint32_t far = outer->GetScanline(32)[8];
    EXPECT_GT(Alpha(near), Alpha(far));
    EXPECT_GT(Alpha(far), 0);
    // Gold, premultiplied: red over green over blue.
    EXPECT_GT(Red(near), Green(near));
    EXPECT_GT(Green(near), Blue(near));

    auto* inner = Effect<TwzInnerGlowEffect>();
    std::unique_ptr<TwzBitmap> inside = SquareBitmap(64, 16, 16, 32);
    inner->ProcessEffect(*canvas, *inside, 1);
    EXPECT_EQ(inside->GetScanline(32)[8], 0u) << "the outside is cut away";
    EXPECT_EQ(inside->GetScanline(2)[2], 0u);
    const uint32_t rim = inside->GetScanline(32)[17];
    const uint32_t middle = inside->GetScanline(32)[32];
    EXPECT_GT(Alpha(rim), Alpha(middle));
    EXPECT_GT(Red(rim), Blue(rim));
}

TEST_F(Effects, BlurSoftensTheEdgesByItsRadius)
{
    auto* blur = Effect<TwzBlurEffect>(); // softness 0.3: radius 4
    std::unique_ptr<TwzBitmap> picture = SquareBitmap(64, 20, 20, 24);
    blur->ProcessEffect(*canvas, *picture, 1);
    EXPECT_EQ(picture->GetScanline(32)[32], 0xFFFFFFFFu);
    EXPECT_EQ(picture->GetScanline(32)[15], 0u) << "beyond the radius";
    const uint32_t edge = Alpha(picture->GetScanline(32)[19]);
    EXPECT_GT(edge, 0u);
    EXPECT_LT(edge, 255u);

    blur->SetSoftness(0);
    std::unique_ptr<TwzBitmap> sharp = SquareBitmap(64, 20, 20, 24);
    blur->ProcessEffect(*canvas, *sharp, 1);
    EXPECT_EQ(sharp->GetScanline(32)[19], 0u);
}

TEST_F(Effects, BevelLightsOneSideAndShadesTheOther)
{
    auto* bevel = Effect<TwzBevelEffect>();
    bevel->SetSize(0);
    std::unique_ptr<TwzBitmap> unchanged = SquareBitmap(64, 16, 16, 32, 0xFF808080);
    bevel->ProcessEffect(*canvas, *unchanged, 1);
    std::unique_ptr<TwzBitmap> original = SquareBitmap(64, 16, 16, 32, 0xFF808080);
    EXPECT_TRUE(
        std::equal(original->Pixels().begin(), original->Pixels().end(), unchanged->Pixels().begin()));

    bevel->SetSize(3);
    std::unique_ptr<TwzBitmap> picture = SquareBitmap(64, 16, 16, 32, 0xFF808080);
    bevel->ProcessEffect(*canvas, *picture, 1);
    const uint32_t centre = picture->GetScanline(32)[32];
    EXPECT_EQ(Red(centre), 0x80) << "flat areas keep their colour";
    EXPECT_GT(Red(picture->GetScanline(32)[16]), Red(centre)) << "the lit left edge";
    EXPECT_LT(Red(picture->GetScanline(32)[47]), Red(centre)) << "the shaded right edge";
    EXPECT_EQ(picture->GetScanline(32)[8], 0u);
}

TEST_F(Effects, ReflectionFlipsAndFadesOverItsLength)
{
    auto* reflection = Effect<TwzReflectionEffect>();
    TwzBitmap picture(4, 100);
    picture.Clear(0xFFFFFFFF);
    for (int x = 0; x < 4; ++x)
        picture.GetScanline(99)[x] = 0xFFFF0000;
    reflection->ProcessEffect(*canvas, picture, 1);
    // L = Round(99 x 0.5) = 50: rows 0 to 49 fade from opacity 0.5, rows 50 to 99 are clear.
    EXPECT_EQ(picture.GetScanline(0)[0], 0x7F7F0000u) << Hex(picture.GetScanline(0)[0]);
    EXPECT_EQ(picture.GetScanline(1)[0], 0x7C7C7C7Cu) << Hex(picture.GetScanline(1)[0]);
    EXPECT_EQ(picture.GetScanline(49)[0], 0x02020202u) << Hex(picture.GetScanline(49)[0]);
    EXPECT_EQ(picture.GetScanline(50)[0], 0u);
    EXPECT_EQ(picture.GetScanline(99)[3], 0u);

    TwzBitmap single(3, 1);
    single.Clear(0xFFFFFFFF);
    reflection->ProcessEffect(*canvas, single, 1);
    EXPECT_EQ(single.GetScanline(0)[0], 0u) << "no row to fade: all cleared";
}

TEST_F(Effects, ShadowShowsBesideTheObjectItIsPaintedUnder)
{
    auto* box = Add<TSolidBox>({ 10, 10, 30, 30 });
    auto* shadow = Effect<TwzShadowEffect>(box);
    shadow->SetDirection(0);
    shadow->SetDistance(8);
    shadow->SetOpacity(1);
    PaintAll();
    EXPECT_EQ(Pixel(20, 20), 0xFFFF0000u) << "the object over its shadow";
    EXPECT_GT(Alpha(Pixel(34, 20)), 100) << Hex(Pixel(34, 20));
    EXPECT_EQ(Red(Pixel(34, 20)), 0);
    EXPECT_EQ(Pixel(5, 20), 0u) << "nothing left of the object";
}

TEST_F(Effects, BlurReplacesTheObjectAndInnerGlowLiesOverIt)
{
    auto* blurred = Add<TSolidBox>({ 8, 8, 28, 28 });
    Effect<TwzBlurEffect>(blurred);
    auto* glowing = Add<TSolidBox>({ 36, 8, 60, 32 });
    auto* inner = Effect<TwzInnerGlowEffect>(glowing);
    inner->SetGlowColor("#FF0000FF");
    inner->SetOpacity(1);
    PaintAll();
    EXPECT_EQ(blurred->paints, 1) << "painted into the blur's picture only, which replaces it";
    EXPECT_EQ(Pixel(18, 18), 0xFFFF0000u);
    EXPECT_GT(Alpha(Pixel(6, 18)), 0) << "blurred beyond the edge";
    EXPECT_LT(Alpha(Pixel(6, 18)), 255);
    EXPECT_EQ(glowing->paints, 2) << "into the glow's picture and on the scene";
    EXPECT_GT(Blue(Pixel(37, 20)), 0) << "the inner glow drawn over the object's edge";
    EXPECT_EQ(Pixel(48, 20), 0xFFFF0000u) << "the middle keeps the object";
}

TEST_F(Effects, ChangesRepaintTheAreaTheEffectCoveredEvenWhenSwitchedOff)
{
    auto* box = Add<TSolidBox>({ 20, 20, 30, 30 });
    auto* glow = Effect<TwzGlowEffect>(box); // grows by 12
    PaintAll();
    const TwzRect covered { 8, 8, 42, 42 };
    auto reported = [&] {
        for (const TwzRect& r : scene->UpdateRects()) {
            if (r.Left <= covered.Left && r.Top <= covered.Top && r.Right >= covered.Right
                && r.Bottom >= covered.Bottom)
                return true;
        }
        return false;
    };
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        { "switched off", [&] { glow->SetEnabled(false); } },
        { "changed while off", [&] { glow->SetOpacity(0.5f); } },
        { "switched on", [&] { glow->SetEnabled(true); } },
        { "clamped to the stored value",
            [&] {
                glow->SetOpacity(1);
                scene->ClearUpdateRects();
                glow->SetOpacity(5);
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene->ClearUpdateRects();
        c.change();
        EXPECT_TRUE(reported());
    }
    EXPECT_TRUE(glow->GetEnabled());
    glow->SetEnabled(false);
    EXPECT_FALSE(glow->GetEnabled()) << "forced on only while repainting";
    EXPECT_TRUE(Near(box->GetEffectsRect(), box->GetLocalRect()));
}

TEST_F(Effects, StoredEffectsReloadWithTheirValues)
{
    auto* shadow = Effect<TwzShadowEffect>();
    shadow->SetSoftness(1.5f);
    shadow->SetShadowColor("#FF102030");
    shadow->SetTrigger("IsMouseOver=true");
    shadow->SetEnabled(false);
    rtl::TMemoryStream stream;
    shadow->SaveObjectToStream(stream);
    stream.SetPosition(0);
    auto* copy = Effect<TwzShadowEffect>();
    copy->LoadObjectFromStream(stream);
    EXPECT_EQ(copy->GetSoftness(), 1.5f);
    EXPECT_EQ(copy->GetShadowColor(), "#FF102030");
    EXPECT_EQ(copy->GetTrigger(), "IsMouseOver=true");
    EXPECT_FALSE(copy->GetEnabled());
    EXPECT_EQ(copy->GetDistance(), 3);
}

TEST_F(Effects, TriggersSwitchEffectsOnTheirInstancesState)
{
    auto* box = Add<TSolidBox>({ 20, 20, 30, 30 });
    auto* glow = Effect<TwzGlowEffect>(box);
    glow->SetEnabled(false);
    glow->SetTrigger("IsFocused=true");
    EXPECT_TRUE(box->HasEffects()) << "a trigger may switch it on";
    struct Case {
        const char* name;
        bool focused;
        const char* trigger;
        bool enabled; // afterwards
    };
    const Case cases[] = {
        { "focus gained", true, "IsFocused", true },
        { "another trigger leaves it", false, "IsMouseOver", true },
        { "focus lost", false, "IsFocused", false },
        { "a part of the name concerns it", true, "IsFoc", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box->SetIsFocused(c.focused);
        scene->ClearUpdateRects();
        box->ApplyTriggerEffect(box, c.trigger);
        EXPECT_EQ(glow->GetEnabled(), c.enabled);
    }
    // Switching repaints the glow's area: 12 around the box.
    box->SetIsFocused(false);
    scene->ClearUpdateRects();
    box->ApplyTriggerEffect(box, "IsFocused");
    bool reported = false;
    for (const TwzRect& r : scene->UpdateRects())
        reported = reported || (r.Left <= 8 && r.Top <= 8 && r.Right >= 42 && r.Bottom >= 42);
    EXPECT_TRUE(reported);

    glow->SetTrigger("IsMouseOver=true;IsFocused=true");
    box->SetIsMouseOver(true);
    box->ApplyTriggerEffect(box, "IsMouseOver");
    EXPECT_FALSE(glow->GetEnabled()) << "every condition must hold";
    glow->SetTrigger("NoSuchThing=true");
    glow->SetEnabled(true);
    box->ApplyTriggerEffect(box, "NoSuch");
    EXPECT_FALSE(glow->GetEnabled()) << "nothing tested: off";
}
