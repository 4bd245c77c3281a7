// Flat text: centred on the origin in the canvas's font, unlit, not writing depth.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvText.h"

#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

class ThvTextTest : public VisualFixture { };

TEST_F(ThvTextTest, ANewTextIsThinUnlitAndWritesNoDepth)
{
    auto* text = Make<ThvText>();
    EXPECT_FLOAT_EQ(text->GetHeight(), 0.1f);
    EXPECT_FALSE(text->GetZWrite());
    EXPECT_FALSE(text->GetMaterial()->GetLighting());
    EXPECT_TRUE(text->GetText().empty());
}

TEST_F(ThvTextTest, TheTextIsCentredInItsOwnFont)
{
    auto* text = Make<ThvText>();
    text->GetFont()->SetFamily("DejaVu Sans");
    text->GetFont()->SetSize(10);
    text->SetText(u"Hello");
    text->SetOpacity(0.5f);
    text->Render();
    // The recording canvas measures half the size per character and the size in height.
    EXPECT_EQ(canvas->log, (std::vector<std::string> { "MeasureText Hello", "FillText Hello -12.5 -5 0.5" }));
    EXPECT_EQ(canvas->GetFont()->GetFamily(), "DejaVu Sans");
    EXPECT_EQ(canvas->GetFont()->GetSize(), 10);
}

TEST_F(ThvTextTest, ChangesOfTextAndFontRepaint)
{
    auto* text = Make<ThvText>();
    text->SetText(u"a");
    scene->updateRequests = 0;
    text->SetText(u"a");
    EXPECT_EQ(scene->updateRequests, 0);
    text->SetText(u"b");
    EXPECT_GT(scene->updateRequests, 0);
    scene->updateRequests = 0;
    ThvFont font;
    font.SetStyle(hvFontBold);
    text->SetFont(&font);
    EXPECT_EQ(text->GetFont()->GetStyle(), hvFontBold);
    EXPECT_GT(scene->updateRequests, 0);
}

TEST_F(ThvTextTest, TextAndFontAreStored)
{
    RegisterTestClasses3D();
    rtl::RegisterClass<ThvText>();
    auto* text = Make<ThvText>();
    text->SetText(u"Gr\u00fc\u00dfe");
    text->GetFont()->SetSize(20);
    text->SetHeight(0.3f);
    text->GetMaterial()->SetLighting(true);
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *text);
    stream.SetPosition(0);
    auto* copy = dynamic_cast<ThvText*>(rtl::ReadComponentFromStream(stream, nullptr, form.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetText(), u"Gr\u00fc\u00dfe");
    EXPECT_EQ(copy->GetFont()->GetSize(), 20);
    EXPECT_FLOAT_EQ(copy->GetHeight(), 0.3f);
    EXPECT_FALSE(copy->GetZWrite());
    EXPECT_TRUE(copy->GetMaterial()->GetLighting());
}

TEST_F(ThvTextTest, PickedAsItsBox)
{
    auto* text = Make<ThvText>();
    text->SetWidth(4);
    ThvVector hit;
    EXPECT_TRUE(text->RayCastIntersect({ 1.9f, -5, 0, 1 }, { 0, 1, 0, 0 }, hit));
    EXPECT_TRUE(Near(hit, { 1.9f, -0.05f, 0 }));
    EXPECT_FALSE(text->RayCastIntersect({ 2.1f, -5, 0, 1 }, { 0, 1, 0, 0 }, hit));
}

} // namespace
