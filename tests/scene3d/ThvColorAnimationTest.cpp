// Colour animations: channel by channel between two colours, into colour text or integer
// properties, from the property's current colour when asked.

#include "AnimationTestSupport.h"

#include "scene3d/Math3D.h"

#include <gtest/gtest.h>

#include <string>

using namespace scene3dtest;

namespace {

class ThvColorAnimationTest : public AnimationFixture {
protected:
    ThvColorAnimation* ColorAnimation(
        const std::string& property, const std::string& from, const std::string& to)
    {
        auto* animation = new ThvColorAnimation(form.get());
        animation->SetParent(object);
        animation->SetPropertyName(property);
        animation->SetStartValue(from);
        animation->SetStopValue(to);
        animation->SetDuration(1);
        animation->OnFinish = recorder.Handler();
        return animation;
    }
};

TEST_F(ThvColorAnimationTest, ColoursAreWhiteUntilGiven)
{
    auto* animation = new ThvColorAnimation(form.get());
    EXPECT_EQ(animation->GetStartValue(), "#FFFFFFFF");
    EXPECT_EQ(animation->GetStopValue(), "#FFFFFFFF");
    EXPECT_EQ(animation->GetDuration(), 0.2f);
    // Any text the colour reader takes, stored as the number it reads.
    animation->SetStartValue("$80102030");
    EXPECT_EQ(animation->GetStartColor(), 0x80102030u);
    EXPECT_EQ(animation->GetStartValue(), "#80102030");
    animation->SetStopValue("not a colour");
    EXPECT_EQ(animation->GetStopColor(), hvStrToColor("not a colour"));
}

TEST_F(ThvColorAnimationTest, HalfWayFromTheCurrentDiffuseColour)
{
    object->GetMaterial()->SetDiffuse("#FF707070");
    ThvColorAnimation* animation = ColorAnimation("Material.Diffuse", "#FF000000", "#FFFF0000");
    animation->SetStartFromCurrent(true);
    animation->Start();
    EXPECT_EQ(animation->GetStartValue(), "#FF707070");
    EXPECT_EQ(object->GetMaterial()->GetDiffuse(), "#FF707070");
    Advance(0.5);
    // Red 112 + 143 x 0.5 = 183.5, truncated; green and blue 112 - 56.
    EXPECT_EQ(object->GetMaterial()->GetDiffuse(), "#FFB73838");
    Advance(0.5);
    EXPECT_EQ(object->GetMaterial()->GetDiffuse(), "#FFFF0000");
    EXPECT_EQ(recorder.finished.size(), 1u);
}

TEST_F(ThvColorAnimationTest, TextAndIntegerPropertiesTakeTheColourInTheirOwnForm)
{
    struct Case {
        const char* property;
        bool fromCurrent;
        std::string expectedHalf; // as colour text
    };
    object->SetCaption("#FF000000");
    object->SetColor(0xFF000000u);
    object->SetSignedColor(static_cast<int32_t>(0xFF000000u));
    const Case cases[] = {
        { "Caption", true, "#FF7F7F7F" },
        { "Color", true, "#FF7F7F7F" },
        // A signed integer holds the colour's bits.
        { "SignedColor", true, "#FF7F7F7F" },
        { "Caption", false, "#7F7F7F7F" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.property) + (c.fromCurrent ? " from current" : ""));
        ThvColorAnimation* animation = ColorAnimation(c.property, "#00000000", "#FFFFFFFF");
        animation->SetStartFromCurrent(c.fromCurrent);
        animation->Start();
        Advance(0.5);
        const std::string property = c.property;
        if (property == "Caption")
            EXPECT_EQ(object->GetCaption(), c.expectedHalf);
        else if (property == "Color")
            EXPECT_EQ(hvColorToStr(object->GetColor()), c.expectedHalf);
        else
            EXPECT_EQ(hvColorToStr(static_cast<uint32_t>(object->GetSignedColor())), c.expectedHalf);
        animation->Stop();
        animation->Free();
    }
    EXPECT_EQ(object->GetCaption(), "#FFFFFFFF");
    EXPECT_EQ(object->GetColor(), 0xFFFFFFFFu);
    EXPECT_EQ(object->GetSignedColor(), -1);
}

TEST_F(ThvColorAnimationTest, OtherKindsAreLeftAlone)
{
    object->SetValue(2);
    object->SetFlag(true);
    for (const char* property : { "Value", "Flag", "Material", "Nothing" }) {
        SCOPED_TRACE(property);
        ThvColorAnimation* animation = ColorAnimation(property, "#FF000000", "#FF102030");
        animation->SetStartFromCurrent(true);
        animation->Start();
        EXPECT_EQ(animation->GetStartValue(), "#FF000000");
        Advance(1);
        EXPECT_FALSE(animation->GetRunning());
        animation->Free();
    }
    EXPECT_EQ(object->GetValue(), 2);
    EXPECT_TRUE(object->GetFlag());
}

} // namespace
