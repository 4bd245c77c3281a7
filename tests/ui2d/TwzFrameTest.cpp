// The frame object: another scene's root shown in place, given back, freed with its scene,
// never the frame's own host, one frame per scene, no children streamed.

#include "PixelScene.h"
#include "TestScene.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzFrame.h"
#include "ui2d/TwzScene.h"
#include "ui2d/TwzShape.h"

#include <gtest/gtest.h>

#include <string>

/// A form that builds its content in its constructor, as a form read from its stored
/// description does: a scene "Scene1" whose root is a visual object "Shown".
class TFramedForm : public rtl::TComponent {
    RTL_CLASS(TFramedForm, rtl::TComponent)
public:
    explicit TFramedForm(rtl::TComponent* owner)
        : rtl::TComponent(owner)
    {
        auto* scene = new TwzScene(this);
        scene->SetName("Scene1");
        auto* root = new TwzVisualObject(nullptr);
        root->SetName("Shown");
        scene->AddObject(root);
        ++made;
    }
    static inline int made = 0;
};

RTL_IMPLEMENT_CLASS(TFramedForm)

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

TEST_F(FrameFixture, ASecondFrameShowsTheSceneOfAFreshCopyOfItsFormAndFreesTheCopy)
{
    rtl::TOwned<TFramedForm> form { new TFramedForm(nullptr) };
    auto* original = static_cast<TwzScene*>(form->FindComponent("Scene1"));
    TwzObject* shownOriginal = original->GetRoot();
    frame->SetSceneObject(original);
    ASSERT_EQ(frame->GetChild(0), shownOriginal);

    TwzFrame* second = new TwzFrame(nullptr);
    host->AddObject(second);
    second->SetBounds(0, 0, 50, 40);
    const int madeBefore = TFramedForm::made;
    second->SetSceneObject(original);
    EXPECT_TRUE(second->GetNeedLink());
    second->Paint();
    EXPECT_EQ(TFramedForm::made, madeBefore + 1);
    rtl::Watch<rtl::TComponent> copy(second->GetFormCopy());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.Get(), form.get());
    auto* copied = static_cast<TwzScene*>(copy->FindComponent("Scene1"));
    EXPECT_EQ(second->GetSceneObject(), copied);
    ASSERT_EQ(second->GetChildCount(), 1);
    EXPECT_NE(second->GetChild(0), shownOriginal);
    EXPECT_EQ(second->GetChild(0)->GetName(), "Shown");
    EXPECT_EQ(TwzFrame::LinkedFrame(copied), second);
    // The first frame keeps the original.
    EXPECT_EQ(frame->GetChild(0), shownOriginal);

    // Pointed elsewhere, the second frame frees the copy with its scene and root.
    second->SetSceneObject(nullptr);
    EXPECT_FALSE(copy);
    EXPECT_EQ(second->GetChildCount(), 0);
    EXPECT_EQ(second->GetFormCopy(), nullptr);

    // Freed while showing a copy, it frees the copy too.
    second->SetSceneObject(original);
    second->Paint();
    copy = second->GetFormCopy();
    ASSERT_TRUE(copy);
    second->Free();
    EXPECT_FALSE(copy);
    EXPECT_EQ(frame->GetChild(0), shownOriginal);
    frame->SetSceneObject(nullptr);
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

using FramePreview = ui2dtest::PixelScene;

TEST_F(FramePreview, InDesignModeTheFramePaintsTheOtherScenesRootInsideItself)
{
    scene->SetDesignTime(true);
    TwzScene* other = new TwzScene(form.get());
    auto* shown = new TwzRectangle(nullptr);
    shown->GetFill()->SetSolidColor(0xFF00FF00);
    other->AddObject(shown);
    auto* frame = Add<TwzFrame>({ 10, 10, 40, 30 });
    frame->SetSceneObject(other);
    PaintAll();
    EXPECT_EQ(other->GetRoot(), shown) << "the preview moves nothing";
    EXPECT_EQ(frame->GetChildCount(), 0);
    EXPECT_EQ(Pixel(30, 25), 0xFF00FF00u) << std::hex << Pixel(30, 25);
    EXPECT_EQ(Pixel(5, 5), 0u) << "drawn outside the frame";
    EXPECT_EQ(Pixel(55, 45), 0u) << "drawn outside the frame";
    frame->SetSceneObject(nullptr);
}

} // namespace
