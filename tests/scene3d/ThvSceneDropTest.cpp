// The scene control's drag and drop: drops from other applications and drags of its own
// objects, on the headless window system.

#include "ThvSceneTestSupport.h"

#include "platform/ui/DragSession.h"
#include "platform/ui/InputRouter.h"

using namespace scenetest;
using platform::ui::DropData;
using platform::ui::DropEffect;
using Lines = std::vector<std::string>;

namespace {

class DropFixture : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        ShowScene();
        a = Box("A", 40, 50, 40, 40);
        b = Box("B", 140, 50, 40, 40);
        a->acceptsDrags = b->acceptsDrags = true;
        app.ProcessMessages();
        TakeLog();
    }
    Lines Events() { return Only(TakeLog(), { "drag" }); }

    TProbe* a = nullptr;
    TProbe* b = nullptr;
};

DropData Files(std::initializer_list<std::u16string> names)
{
    DropData data;
    data.files = names;
    return data;
}

} // namespace

TEST_F(DropFixture, DroppedFilesReachTheObjectUnderThePointWithFullNames)
{
    const std::u16string longName = u"/home/user/" + std::u16string(300, u'x') + u".png";
    const DropData data = Files({ u"/tmp/one.png", longName, u"/tmp/three.jpg" });
    EXPECT_EQ(Host().SimulateDragOver(data, { 45, 55 }), DropEffect::Link);
    EXPECT_EQ(Host().SimulateDragOver(data, { 46, 55 }), DropEffect::Link);
    EXPECT_TRUE(Host().SimulateDrop(data, { 47, 55 }));
    EXPECT_EQ(Events(),
        (Lines { "dragenter [/tmp/one.png] files 3 5 5 @A", "dragdrop [/tmp/one.png] files 3 7 5 @A" }));
    ASSERT_EQ(a->lastFiles.size(), 3u);
    EXPECT_EQ(a->lastFiles[1], longName); // never cut
    EXPECT_EQ(a->lastFiles[2], u"/tmp/three.jpg");
}

TEST_F(DropFixture, DroppedTextArrivesAsDataWithoutFiles)
{
    DropData data;
    data.text = u"Glyphforge";
    Host().SimulateDragOver(data, { 140, 50 });
    Host().SimulateDrop(data, { 140, 50 });
    EXPECT_EQ(Events(),
        (Lines { "dragenter [Glyphforge] files 0 0 0 @B", "dragdrop [Glyphforge] files 0 0 0 @B" }));
}

TEST_F(DropFixture, MovingBetweenObjectsLeavesTheFirstBeforeEnteringTheSecond)
{
    const DropData data = Files({ u"/tmp/a.png" });
    Host().SimulateDragOver(data, { 40, 50 });
    EXPECT_EQ(Host().SimulateDragOver(data, { 140, 50 }), DropEffect::Link);
    // Over nothing that accepts: no effect, and the old target is left.
    EXPECT_EQ(Host().SimulateDragOver(data, { 100, 95 }), DropEffect::None);
    Host().SimulateDragLeave();
    EXPECT_EQ(Events(),
        (Lines { "dragenter [/tmp/a.png] files 1 0 0 @A", "dragleave @A",
            "dragenter [/tmp/a.png] files 1 0 0 @B", "dragleave @B" }));
}

TEST_F(DropFixture, AnObjectThatRefusesIsNoTarget)
{
    a->acceptsDrags = false;
    const DropData data = Files({ u"/tmp/a.png" });
    EXPECT_EQ(Host().SimulateDragOver(data, { 40, 50 }), DropEffect::None);
    EXPECT_FALSE(Host().SimulateDrop(data, { 40, 50 }));
    EXPECT_TRUE(Events().empty());
    EXPECT_GT(a->dragOvers, 0); // it was asked
}

TEST_F(DropFixture, AfterADropTheNextDragStartsWithoutATarget)
{
    const DropData data = Files({ u"/tmp/a.png" });
    Host().SimulateDragOver(data, { 40, 50 });
    Host().SimulateDrop(data, { 40, 50 });
    Events();
    Host().SimulateDragOver(data, { 40, 50 });
    EXPECT_EQ(Events(), (Lines { "dragenter [/tmp/a.png] files 1 0 0 @A" }));
    Host().SimulateDragLeave();
}

TEST_F(DropFixture, ATargetFreedDuringTheDragIsForgotten)
{
    const DropData data = Files({ u"/tmp/a.png" });
    Host().SimulateDragOver(data, { 40, 50 });
    a->Free();
    a = nullptr;
    EXPECT_FALSE(Host().SimulateDrop(data, { 40, 50 }));
    EXPECT_EQ(Events(), (Lines { "dragenter [/tmp/a.png] files 1 0 0 @A" }));
}

TEST_F(SceneFixture, ASceneWithoutARootObjectRefusesDrops)
{
    scene->RemoveObject(root);
    ShowScene();
    EXPECT_EQ(scene->GetRoot(), nullptr);
    EXPECT_EQ(Host().SimulateDragOver(Files({ u"/tmp/a.png" }), { 10, 10 }), DropEffect::None);
    EXPECT_FALSE(Host().SimulateDrop(Files({ u"/tmp/a.png" }), { 10, 10 }));
    root->Free();
    root = nullptr;
}

// ---- drags inside the application -------------------------------------------------------------

namespace {

class AutoDragFixture : public DropFixture {
protected:
    void Press(double x, double y)
    {
        platform::ui::RawButtonEvent e;
        e.x = x;
        e.y = y;
        Host().Inject(e);
    }
    void Move(double x, double y)
    {
        platform::ui::RawMotionEvent e;
        e.x = x;
        e.y = y;
        e.modifiers.button1 = true;
        Host().Inject(e);
    }
    void Release(double x, double y)
    {
        platform::ui::RawButtonEvent e;
        e.type = platform::ui::RawButtonEvent::Type::Release;
        e.x = x;
        e.y = y;
        e.modifiers.button1 = true;
        Host().Inject(e);
    }
};

} // namespace

TEST_F(AutoDragFixture, AnAutomaticObjectDragsAtOnceAndDropsOnTheObjectThatAccepts)
{
    a->SetDragMode(hvDragAutomatic);
    a->SetAutoCapture(true);
    Press(40, 50);
    ASSERT_NE(platform::ui::DragSession::Current(), nullptr);
    EXPECT_EQ(scene->GetCaptured(), nullptr); // the drag holds the pointer, not an object
    // Over itself: refused, and never its own target.
    Move(42, 50);
    EXPECT_FALSE(platform::ui::DragSession::Current()->TargetAccepts());
    // A new target is asked at the next move.
    Move(140, 50);
    EXPECT_FALSE(platform::ui::DragSession::Current()->TargetAccepts());
    Move(141, 50);
    EXPECT_TRUE(platform::ui::DragSession::Current()->TargetAccepts());
    Release(141, 50);
    EXPECT_EQ(platform::ui::DragSession::Current(), nullptr);
    EXPECT_EQ(
        Events(), (Lines { "dragenter [] files 0 from A 0 0 @B", "dragdrop [] files 0 from A 1 0 @B" }));
}

TEST_F(AutoDragFixture, ADragThatEndsElsewhereLeavesItsTarget)
{
    a->SetDragMode(hvDragAutomatic);
    Press(40, 50);
    Move(140, 50);
    Move(141, 50);
    platform::ui::DragSession::Current()->Cancel();
    EXPECT_EQ(Events(), (Lines { "dragenter [] files 0 from A 0 0 @B", "dragleave @B" }));
    // The next drag starts afresh.
    Press(40, 50);
    Move(140, 50);
    EXPECT_EQ(Events(), (Lines { "dragenter [] files 0 from A 0 0 @B" }));
    platform::ui::DragSession::Current()->Cancel();
}

TEST_F(AutoDragFixture, TheDraggedObjectFreedDuringTheDragEndsItQuietly)
{
    a->SetDragMode(hvDragAutomatic);
    Press(40, 50);
    Move(140, 50);
    a->Free();
    a = nullptr;
    Move(141, 50);
    Release(141, 50);
    EXPECT_EQ(platform::ui::DragSession::Current(), nullptr);
    const Lines events = Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "dragenter [] files 0 from A 0 0 @B");
}
