// The text shape: painting plain and stretched, automatic sizing, and its bound value.

#include "PixelScene.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "ui2d/TwzText.h"

#include <gtest/gtest.h>

#include <string>

using namespace ui2dtest;

namespace {

/// The box of the pixels any ink reached.
struct Ink {
    int left = 64, top = 64, right = -1, bottom = -1;
};

} // namespace

class TextShape : public PixelScene {
protected:
    Ink InkOf()
    {
        Ink ink;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                if (Alpha(Pixel(x, y)) > 64) {
                    ink.left = std::min(ink.left, x);
                    ink.top = std::min(ink.top, y);
                    ink.right = std::max(ink.right, x);
                    ink.bottom = std::max(ink.bottom, y);
                }
            }
        }
        return ink;
    }

    /// The text's box as the canvas measures it, laid out on one line from the left.
    TwzRect Measure(const std::u16string& text, const TwzFont& font)
    {
        canvas->GetFont().Assign(font);
        TwzRect r { 0, 0, 1000, 1000 };
        canvas->MeasureText(r, r, text, false, wzTextAlignNear, wzTextAlignNear);
        return r;
    }
};

TEST_F(TextShape, StartsAsBlackTextWithoutOutline)
{
    auto* text = Add<TwzText>({ 0, 0, 64, 64 });
    EXPECT_EQ(text->GetFill()->GetSolidColor(), 0xFF000000u);
    EXPECT_EQ(text->GetStroke()->GetStyle(), wzBrushNone);
    EXPECT_EQ(text->GetShapeRect(), text->GetLocalRect());
    text->SetText(u"H");
    PaintAll();
    const Ink ink = InkOf();
    ASSERT_GE(ink.right, 0) << "nothing drawn";
    EXPECT_EQ(Pixel((ink.left + ink.right) / 2, (ink.top + ink.bottom) / 2) & 0x00FFFFFF, 0u);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 32, 3) << "centred";
}

TEST_F(TextShape, StretchFillsTheObjectBothWaysAndTurnsAutoSizeOff)
{
    auto* text = Add<TwzText>({ 2, 22, 62, 42 });
    text->SetText(u"Hi");
    PaintAll();
    const Ink plain = InkOf();
    ASSERT_GE(plain.right, 0);
    EXPECT_GT(plain.left, 20) << "unstretched, a short word sits in the middle";

    text->SetAutoSize(true);
    text->SetStretch(true);
    EXPECT_FALSE(text->GetAutoSize());
    PaintAll();
    const Ink stretched = InkOf();
    // The text is scaled by the object's size over its measured box, about 5 across and 1.5
    // down.
    EXPECT_GT(stretched.right - stretched.left, 3 * (plain.right - plain.left));
    EXPECT_GT(stretched.right, 55);
    EXPECT_LT(stretched.left, plain.left + 3);
    EXPECT_GT(stretched.bottom - stretched.top, plain.bottom - plain.top + 2);
    EXPECT_GE(stretched.top, 22);
    EXPECT_LE(stretched.bottom, 42);
}

TEST_F(TextShape, StretchedTextFillsTheObjectWhateverItsAlignment)
{
    // "H" has no descender and small side bearings: stretched, its ink spans the object.
    struct Case {
        TwzTextAlign horz, vert;
    };
    for (const Case& c :
        { Case { wzTextAlignCenter, wzTextAlignCenter }, { wzTextAlignNear, wzTextAlignNear },
            { wzTextAlignFar, wzTextAlignFar }, { wzTextAlignNear, wzTextAlignFar } }) {
        SCOPED_TRACE(std::to_string(c.horz) + "/" + std::to_string(c.vert));
        auto* text = Add<TwzText>({ 4, 10, 60, 30 });
        text->SetText(u"H");
        text->SetStretch(true);
        text->SetHorzTextAlign(c.horz);
        text->SetVertTextAlign(c.vert);
        PaintAll();
        const Ink ink = InkOf();
        ASSERT_GE(ink.right, 0);
        // The measured box holds the side bearings and the line's ascent and descent.
        EXPECT_GE(ink.left, 4);
        EXPECT_LE(ink.left, 4 + 10);
        EXPECT_LE(ink.right, 59);
        EXPECT_GE(ink.right, 59 - 10);
        EXPECT_GE(ink.top, 10);
        EXPECT_LE(ink.bottom, 29);
        EXPECT_NEAR((ink.left + ink.right) / 2.0, 32, 2) << "as wide on either side";
        text->Free();
    }
}

TEST_F(TextShape, AutoSizeFitsTheWidthToTheUnwrappedText)
{
    auto* text = Add<TwzText>({ 0, 0, 30, 20 });
    text->SetWordWrap(false);
    text->SetAutoSize(true);
    EXPECT_EQ(text->GetWidth(), 30) << "an empty text keeps its size";
    text->SetText(u"Hello there");
    const TwzRect measured = Measure(u"Hello there", *text->GetFont());
    EXPECT_FLOAT_EQ(text->GetWidth(), measured.Right + 11.0f / 2) << "measured width plus half the font size";
    EXPECT_EQ(text->GetHeight(), 20) << "a vertically centred text keeps its height";

    text->SetVertTextAlign(wzTextAlignNear);
    TwzFont big;
    big.SetSize(20);
    text->SetFont(&big);
    const TwzRect bigger = Measure(u"Hello there", big);
    EXPECT_FLOAT_EQ(text->GetWidth(), bigger.Right + 10);
    EXPECT_FLOAT_EQ(text->GetHeight(), bigger.Bottom);

    text->SetAutoSize(false);
    text->SetText(u"Hi");
    EXPECT_FLOAT_EQ(text->GetWidth(), bigger.Right + 10) << "no longer sized";
}

TEST_F(TextShape, BoundValueIsTheText)
{
    auto* text = Add<TwzText>({ 0, 0, 30, 20 });
    text->SetData(std::string("caf\xC3\xA9"));
    EXPECT_EQ(text->GetText(), u"caf\u00E9");
    EXPECT_EQ(std::get<std::u16string>(text->GetData()), u"caf\u00E9");
}
