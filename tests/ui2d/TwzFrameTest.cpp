// The frame object: another scene's root shown in place, given back, freed with its scene,
// never the frame's own host, one frame per scene, no children streamed.

#include "TestScene.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzFrame.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FrameFixture : ::testing::Test {
    TestScene* host = new TestScene();
    TwzFrame* frame = new TwzFrame(nullptr);
    TwzScene* other = new TwzScene(nullptr);
    TwzVisualObject* shown = new TwzVisualObject(nullptr);

    FrameFixture()
    {
        host->AddObject(frame);
        frame->SetBounds(10, 10, 200, 120);
        shown->SetName("Shown");
        shown->SetBounds(0, 0, 30, 30);
        other->AddObject(shown);
    }
    ~FrameFixture() override
    {
        if (frame)
            frame->Free();
        if (other)
            other->Free();
        host->Free();
    }
};

TEST_F(FrameFixture, ShowsTheOtherScenesRootFillingTheFrameAndGivesItBack)
{
    rtl::Watch<TwzVisualObject> watch(shown);
    frame->SetSceneObject(other);
    EXPECT_EQ(frame->GetSceneObject(), other);
    EXPECT_EQ(TwzFrame::LinkedFrame(other), frame);
    ASSERT_EQ(frame->GetChildCount(), 1);
    EXPECT_EQ(frame->GetChild(0), shown);
    EXPECT_EQ(other->GetRoot(), nullptr);
    EXPECT_EQ(shown->GetScene(), host);
    EXPECT_EQ(shown->GetAlign(), vaClient);
    EXPECT_FLOAT_EQ(shown->GetWidth(), 200);
    EXPECT_FLOAT_EQ(shown->GetHeight(), 120);

    frame->SetSceneObject(nullptr);
    EXPECT_EQ(other->GetRoot(), shown);
    EXPECT_EQ(frame->GetChildCount(), 0);
    EXPECT_EQ(TwzFrame::LinkedFrame(other), nullptr);
    EXPECT_TRUE(watch);
}

TEST_F(FrameFixture, FreeingTheFrameGivesTheRootBack)
{
    frame->SetSceneObject(other);
    frame->Free();
    frame = nullptr;
    EXPECT_EQ(other->GetRoot(), shown);
    EXPECT_EQ(TwzFrame::LinkedFrame(other), nullptr);
}

TEST_F(FrameFixture, FreeingTheShownSceneClearsTheFrameAndFreesTheRoot)
{
    rtl::Watch<TwzVisualObject> watch(shown);
    frame->SetSceneObject(other);
    other->Free();
    other = nullptr;
    EXPECT_EQ(frame->GetSceneObject(), nullptr);
    EXPECT_EQ(frame->GetChildCount(), 0);
    EXPECT_FALSE(watch);
}

TEST_F(FrameFixture, NeverShowsItsOwnHostAndASceneWithoutRootLinksNothing)
{
    TwzScene* ownHost = new TwzScene(nullptr);
    TwzFrame* inner = new TwzFrame(nullptr);
    ownHost->AddObject(inner);
    inner->SetSceneObject(ownHost);
    EXPECT_EQ(inner->GetSceneObject(), nullptr);
    ownHost->Free();

    TwzScene* empty = new TwzScene(nullptr);
    frame->SetSceneObject(empty);
    EXPECT_EQ(frame->GetSceneObject(), empty);
    EXPECT_EQ(frame->GetChildCount(), 0);
    EXPECT_EQ(TwzFrame::LinkedFrame(empty), nullptr);
    empty->Free();
    EXPECT_EQ(frame->GetSceneObject(), nullptr);
}

TEST_F(FrameFixture, ASecondFrameForAShownSceneWaitsForItsPaintAndShowsNothing)
{
    TwzFrame* second = new TwzFrame(nullptr);
    host->AddObject(second);
    frame->SetSceneObject(other);
    second->SetSceneObject(other);
    EXPECT_TRUE(second->GetNeedLink());
    EXPECT_EQ(second->GetChildCount(), 0);
    second->Paint();
    EXPECT_FALSE(second->GetNeedLink());
    EXPECT_EQ(second->GetSceneObject(), nullptr);
    EXPECT_EQ(frame->GetChild(0), shown);

    // Once the first frame lets go, a waiting frame links on its next paint.
    second->SetSceneObject(other);
    frame->SetSceneObject(nullptr);
    second->Paint();
    ASSERT_EQ(second->GetChildCount(), 1);
    EXPECT_EQ(second->GetChild(0), shown);
    second->Free();
    EXPECT_EQ(other->GetRoot(), shown);
}

TEST_F(FrameFixture, InDesignModeTheSceneKeepsItsRootAndTheFrameStreamsNoChildren)
{
    host->SetDesignTime(true);
    frame->SetSceneObject(other);
    EXPECT_EQ(frame->GetSceneObject(), other);
    EXPECT_EQ(other->GetRoot(), shown);
    EXPECT_EQ(frame->GetChildCount(), 0);
    frame->SetSceneObject(nullptr);
    host->SetDesignTime(false);

    frame->SetSceneObject(other);
    rtl::TMemoryStream text;
    frame->SaveObjectAsText(text);
    const std::string saved(text.Bytes().begin(), text.Bytes().end());
    EXPECT_EQ(saved.find("Shown"), std::string::npos) << saved;
}

} // namespace
