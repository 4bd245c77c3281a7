// The input hooks of a visual object: clicks and double clicks, the context menu, capture,
// automatic drags, focus, wheel, keys, drag and drop, triggers and the Tab order.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "platform/ui/PopupMenu.h"
#include "platform/ui/PopupMenuComponent.h"
#include "scene3d/ThvVisualObject.h"

#include <gtest/gtest.h>

using namespace scene3dtest;
using platform::ui::ShiftFlag;

namespace {

/// Remembers where and for whom it popped up.
class TTestPopupMenu : public platform::ui::PopupMenuComponent {
public:
    using platform::ui::PopupMenuComponent::PopupMenuComponent;
    std::vector<std::string> popups;
    void Popup(int32_t x, int32_t y) override
    {
        popups.push_back(GetPopupComponent()->GetName() + " " + rtl::IntToStr(x) + "," + rtl::IntToStr(y));
    }
};

class ThvVisualObjectInputTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        object = Make("object");
        object->OnMouseDown.Bind<&TEventRecorder::MouseDown>(&events);
        object->OnMouseUp.Bind<&TEventRecorder::MouseUp>(&events);
        object->OnClick.Bind<&TEventRecorder::Click>(&events);
        object->OnDblClick.Bind<&TEventRecorder::DblClick>(&events);
    }

    void Press(TMouseButton button = TMouseButton::Left, TShiftState shift = {})
    {
        object->MouseDown(button, shift, 1, 2, {}, {});
    }
    void Release(TMouseButton button = TMouseButton::Left) { object->MouseUp(button, {}, 1, 2, {}, {}); }

    ThvVisualObject* object = nullptr;
    TEventRecorder events;
};

TEST_F(ThvVisualObjectInputTest, PressAndReleaseOverTheObjectClick)
{
    object->MouseEnter();
    Press();
    Release();
    EXPECT_EQ(events.lines,
        (std::vector<std::string> { "down left 1 2 @object", "click @object", "up left 1 2 @object" }));
}

TEST_F(ThvVisualObjectInputTest, ReleasingElsewhereDoesNotClick)
{
    object->MouseEnter();
    Press();
    object->MouseLeave();
    Release();
    EXPECT_EQ(events.lines, (std::vector<std::string> { "down left 1 2 @object", "up left 1 2 @object" }));
    // The next gesture starts afresh.
    object->MouseEnter();
    events.lines.clear();
    Release();
    EXPECT_EQ(events.lines, (std::vector<std::string> { "up left 1 2 @object" }));
}

TEST_F(ThvVisualObjectInputTest, ADoubleClickEndsWithoutAClick)
{
    object->MouseEnter();
    Press();
    Release();
    Press(TMouseButton::Left, { ShiftFlag::Left, ShiftFlag::Double });
    Release();
    Press();
    Release();
    EXPECT_EQ(events.lines,
        (std::vector<std::string> { "down left 1 2 @object", "click @object", "up left 1 2 @object",
            "down left 1 2 @object", "dblclick @object", "up left 1 2 @object", "down left 1 2 @object",
            "click @object", "up left 1 2 @object" }));
}

TEST_F(ThvVisualObjectInputTest, ARightPressOpensTheContextMenuOnly)
{
    auto* menu = new TTestPopupMenu(form.get());
    object->SetPopupMenu(menu);
    object->SetAutoCapture(true);
    object->GetPosition()->SetPoint({ 10, 20, 0 });
    object->MouseEnter();
    object->MouseDown(TMouseButton::Right, {}, 1.5f, 2.7f, {}, {});
    // The local point in scene pixels, cut to whole pixels, then on the screen.
    EXPECT_EQ(menu->popups, (std::vector<std::string> { "object 1011,522" }));
    EXPECT_EQ(scene->GetCaptured(), nullptr);
    EXPECT_FALSE(object->GetPressed());
    Release(TMouseButton::Right);
    EXPECT_EQ(
        events.lines, (std::vector<std::string> { "down right 1.5 2.7 @object", "up right 1 2 @object" }));

    // A freed menu leaves no link behind.
    menu->Free();
    EXPECT_EQ(object->GetPopupMenu(), nullptr);
    object->MouseDown(TMouseButton::Right, {}, 0, 0, {}, {});
}

TEST_F(ThvVisualObjectInputTest, ARightPressShowsTheMenusItemsAndTheChosenOneClicks)
{
    using platform::ui::FakePopupMenu;
    auto* menu = new platform::ui::PopupMenuComponent(form.get());
    for (const char* name : { "Show", "Hide" }) {
        auto* item = new platform::ui::MenuItemComponent(form.get());
        item->SetName(name);
        item->SetCaption(name);
        item->OnClick.Bind<&TEventRecorder::Click>(&events);
        menu->Items().Add(item);
    }
    object->SetPopupMenu(menu);
    object->GetPosition()->SetPoint({ 10, 20, 0 });
    FakePopupMenu::ChooseCaptions({ "Hide" });
    object->MouseDown(TMouseButton::Right, {}, 1.5f, 2.7f, {}, {});
    EXPECT_EQ(FakePopupMenu::LastPoint(), (platform::ui::Point { 1011, 522 }));
    FakePopupMenu::SetChooser({});
    EXPECT_EQ(menu->GetPopupComponent(), object);
    EXPECT_EQ(events.lines, (std::vector<std::string> { "down right 1.5 2.7 @object", "click @Hide" }));
}

TEST_F(ThvVisualObjectInputTest, AutoCaptureHoldsTheMouseFromPressToRelease)
{
    object->SetAutoCapture(true);
    Press();
    EXPECT_EQ(scene->GetCaptured(), object);
    Release();
    EXPECT_EQ(scene->GetCaptured(), nullptr);
}

TEST_F(ThvVisualObjectInputTest, AnAutomaticDragStartsInsteadOfThePress)
{
    object->SetDragMode(hvDragAutomatic);
    object->SetAutoCapture(true);
    Press();
    EXPECT_EQ(scene->autoDrags, (std::vector<ThvVisualObject*> { object }));
    EXPECT_TRUE(events.lines.empty());
    EXPECT_EQ(scene->GetCaptured(), nullptr);
}

TEST_F(ThvVisualObjectInputTest, APressFocusesAFocusableObject)
{
    ThvVisualObject* other = Make("other");
    other->SetCanFocused(true);
    other->SetFocus();
    EXPECT_EQ(scene->GetFocused(), other);

    object->SetCanFocused(true);
    Press();
    EXPECT_EQ(scene->GetFocused(), object);
    EXPECT_TRUE(object->GetIsFocused());
    EXPECT_FALSE(other->GetIsFocused());

    // Objects that cannot take the focus, and presses in the designer, leave it.
    ThvVisualObject* plain = Make("plain");
    plain->MouseDown(TMouseButton::Left, {}, 0, 0, {}, {});
    EXPECT_EQ(scene->GetFocused(), object);
    other->SetFocus();
    scene->SetDesigning(true);
    Press();
    EXPECT_EQ(scene->GetFocused(), other);
}

TEST_F(ThvVisualObjectInputTest, ADesignerDoubleClickIsRecordedByTheScene)
{
    scene->SetDesigning(true);
    Press(TMouseButton::Left, { ShiftFlag::Double });
    EXPECT_EQ(scene->GetDesignDblClickObject(), object);
}

TEST_F(ThvVisualObjectInputTest, TheWheelCarriesTheScenesMousePoint)
{
    scene->SetMousePos({ 30, 40, 0 });
    object->OnMouseWheel.Bind<&TEventRecorder::Wheel>(&events);
    bool handled = false;
    object->MouseWheel({}, -120, handled);
    EXPECT_TRUE(handled);
    ThvVisualObject* loose = new ThvVisualObject(form.get());
    loose->OnMouseWheel.Bind<&TEventRecorder::Wheel>(&events);
    loose->MouseWheel({}, 120, handled);
    EXPECT_EQ(
        events.lines, (std::vector<std::string> { "wheel -120 (30,40,0) @object", "wheel 120 (0,0,0)" }));
}

TEST_F(ThvVisualObjectInputTest, KeyHandlersMayChangeKeyAndCharacter)
{
    object->OnKeyDown.Bind<&TEventRecorder::Key>(&events);
    object->OnKeyUp.Bind<&TEventRecorder::Key>(&events);
    uint16_t key = 86;
    char16_t keyChar = 0;
    object->KeyDown(key, keyChar, { ShiftFlag::Ctrl });
    EXPECT_EQ(key, 0);
    EXPECT_EQ(keyChar, u'x');
    object->KeyUp(key, keyChar, {});
    EXPECT_EQ(events.lines, (std::vector<std::string> { "key 86 0", "key 0 120" }));
}

TEST_F(ThvVisualObjectInputTest, DragsSetTheFlagAndReachTheHandlers)
{
    object->OnDragEnter.Bind<&TEventRecorder::DragEnter>(&events);
    object->OnDragOver.Bind<&TEventRecorder::DragOver>(&events);
    object->OnDragDrop.Bind<&TEventRecorder::DragDrop>(&events);
    object->OnDragLeave.Bind<&TEventRecorder::Notify>(&events);
    ThvDragObject data;
    data.Files = { u"/tmp/a.png", u"/tmp/b.png" };
    data.Data = u"/tmp/a.png";

    object->DragEnter(data, { 1, 2, 0 });
    EXPECT_TRUE(object->GetIsDragOver());
    bool accept = false;
    events.acceptDrags = true;
    object->DragOver(data, { 1, 2, 0 }, accept);
    EXPECT_TRUE(accept);
    object->DragLeave();
    EXPECT_FALSE(object->GetIsDragOver());
    object->DragEnter(data, { 3, 4, 0 });
    object->DragDrop(data, { 3, 4, 0 });
    EXPECT_FALSE(object->GetIsDragOver());
    EXPECT_EQ(events.lines,
        (std::vector<std::string> { "dragenter /tmp/a.png (1,2,0) @object", "dragover @object",
            "notify @object", "dragenter /tmp/a.png (3,4,0) @object", "dragdrop /tmp/a.png @object" }));
}

TEST_F(ThvVisualObjectInputTest, StateChangesStartTheObjectsTriggers)
{
    RegisterTestClasses3D();
    TTestAnimation::log.clear();
    auto* animation = new TTestAnimation(form.get());
    animation->SetName("fade");
    object->AddObject(animation);
    object->MouseEnter();
    object->EnterFocus();
    object->DragEnter({}, {});
    object->SetVisible(false);
    object->SetVisible(true);
    EXPECT_EQ(TTestAnimation::log,
        (std::vector<std::string> { "trigger fade IsMouseOver", "trigger fade IsFocused",
            "trigger fade IsDragOver", "trigger fade IsVisible" }));
    EXPECT_TRUE(object->GetIsMouseOver());
    EXPECT_TRUE(object->GetIsFocused());
}

TEST_F(ThvVisualObjectInputTest, HandlersMayFreeTheObject)
{
    struct Case {
        const char* name;
        void (*bind)(ThvVisualObject&, TEventRecorder&);
        void (*act)(ThvVisualObject&);
    } const cases[] = {
        { "mouse down",
            [](ThvVisualObject& o, TEventRecorder& r) { o.OnMouseDown.Bind<&TEventRecorder::MouseDown>(&r); },
            [](ThvVisualObject& o) { o.MouseDown(TMouseButton::Left, {}, 0, 0, {}, {}); } },
        { "click",
            [](ThvVisualObject& o, TEventRecorder& r) {
                o.OnClick.Bind<&TEventRecorder::Click>(&r);
                o.SetAutoCapture(true);
            },
            [](ThvVisualObject& o) {
                o.MouseEnter();
                o.MouseDown(TMouseButton::Left, {}, 0, 0, {}, {});
                o.MouseUp(TMouseButton::Left, {}, 0, 0, {}, {});
            } },
        { "double click",
            [](ThvVisualObject& o, TEventRecorder& r) { o.OnDblClick.Bind<&TEventRecorder::DblClick>(&r); },
            [](ThvVisualObject& o) {
                o.MouseDown(TMouseButton::Left, { ShiftFlag::Double }, 0, 0, {}, {});
            } },
        { "mouse up",
            [](ThvVisualObject& o, TEventRecorder& r) { o.OnMouseUp.Bind<&TEventRecorder::MouseUp>(&r); },
            [](ThvVisualObject& o) { o.MouseUp(TMouseButton::Left, {}, 0, 0, {}, {}); } },
        { "drag drop",
            [](ThvVisualObject& o, TEventRecorder& r) { o.OnDragDrop.Bind<&TEventRecorder::DragDrop>(&r); },
            [](ThvVisualObject& o) { o.DragDrop({}, {}); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvVisualObject* victim = Make("victim");
        TEventRecorder recorder;
        recorder.freeOnEvent = victim;
        c.bind(*victim, recorder);
        rtl::Watch<ThvVisualObject> watch(victim);
        {
            // The scene holds the object it routes input to: the teardown waits for the end.
            const rtl::DispatchGuard held(victim);
            c.act(*victim);
            EXPECT_FALSE(watch);
        }
        EXPECT_FALSE(watch);
        EXPECT_EQ(scene->GetCaptured(), nullptr);
    }
}

TEST_F(ThvVisualObjectInputTest, TheTabOrderListsVisibleObjectsInTreeOrder)
{
    ThvVisualObject* root = Make("root");
    ThvVisualObject* a = Make("a", root);
    Make("a1", a);
    ThvVisualObject* hidden = Make("hidden", root);
    Make("hiddenChild", hidden);
    hidden->SetVisible(false);
    Make("b", root);
    std::vector<rtl::TObject*> list;
    root->AddVisibleToList(list);
    std::vector<std::string> names;
    for (rtl::TObject* o : list)
        names.push_back(static_cast<rtl::TComponent*>(o)->GetName());
    EXPECT_EQ(names, (std::vector<std::string> { "root", "a", "a1", "b" }));
}

} // namespace
