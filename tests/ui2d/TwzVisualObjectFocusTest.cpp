// Visual object focus: moving the focus through the host, the ancestors told of it, the
// focus margin repainted, the tab order of children set by TabOrder and read back from
// object text, Tab moving the focus along it, and the text caret that blinks while shown.

#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "graphics/TwzPosition.h"
#include "graphics/TwzTimer.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/Types.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzVisualObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

/// A focusable object that publishes TabOrder, as controls do, and logs its focus hooks.
class TTabObject : public TwzVisualObject {
    RTL_CLASS(TTabObject, TwzVisualObject)
public:
    explicit TTabObject(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    {
        SetCanFocused(true);
    }
    // Logged on entry: the ancestors hear of the focus inside the base's EnterFocus.
    void EnterFocus() override
    {
        Log().push_back("enter:" + Id());
        TwzVisualObject::EnterFocus();
    }
    void KillFocus() override
    {
        Log().push_back("kill:" + Id());
        TwzVisualObject::KillFocus();
    }
    void ChildFocused(TwzVisualObject* child) override
    {
        Log().push_back("child:" + Id() + "<" + static_cast<TTabObject*>(child)->Id());
    }
    [[nodiscard]] std::string Id() const { return GetName().empty() ? std::to_string(GetTag()) : GetName(); }
    static std::vector<std::string>& Log()
    {
        static std::vector<std::string> log;
        return log;
    }
};

constexpr rtl::TPropInfo kTabObjectProps[] = {
    RTL_PROP(TTabObject, TabOrder, Integer, -1),
};

RTL_IMPLEMENT_CLASS(TTabObject, .props = kTabObjectProps)

/// A text editor's use of the caret: shown while focused, hidden when the focus leaves.
class TEditLike : public TTabObject {
    RTL_CLASS(TEditLike, TTabObject)
public:
    explicit TEditLike(rtl::TComponent* owner)
        : TTabObject(owner)
    { }
    void EnterFocus() override
    {
        TTabObject::EnterFocus();
        ShowCaret();
    }
    void KillFocus() override
    {
        TTabObject::KillFocus();
        HideCaret();
    }
};

RTL_IMPLEMENT_CLASS(TEditLike)

class VisualFocus : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        static const bool registered = [] {
            rtl::RegisterClass<TTabObject>();
            return true;
        }();
        (void)registered;
        TTabObject::Log().clear();
        form.reset(new TTestObject(nullptr));
        scene = new TestScene(form.get());
        root = Make(nullptr, 0, 0, 400, 400, "root");
        scene->AddObject(root);
    }

    template <class T = TTabObject>
    T* Make(TwzObject* parent, float x, float y, float width, float height, const std::string& name)
    {
        auto* object = new T(form.get());
        object->SetName(name);
        object->SetBounds(x, y, width, height);
        if (parent)
            object->SetParent(parent);
        return object;
    }

    static std::vector<std::string> Ids(const std::vector<TwzVisualObject*>& list)
    {
        std::vector<std::string> ids;
        for (TwzVisualObject* object : list)
            ids.push_back(static_cast<TTabObject*>(object)->Id());
        return ids;
    }

    rtl::TOwned<TTestObject> form;
    TestScene* scene = nullptr;
    TTabObject* root = nullptr;
};

} // namespace

TEST_F(VisualFocus, TheOldObjectLosesTheFocusBeforeTheNewOneGainsItAndAncestorsHear)
{
    auto* panel = Make(root, 0, 0, 200, 200, "panel");
    auto* a = Make(panel, 10, 10, 50, 20, "a");
    auto* b = Make(root, 300, 10, 50, 20, "b");

    a->FocusObject();
    EXPECT_TRUE(a->GetIsFocused());
    b->FocusObject();
    EXPECT_EQ(TTabObject::Log(),
        (std::vector<std::string> {
            "enter:a", "child:panel<a", "child:root<a", "kill:a", "enter:b", "child:root<b" }));
    EXPECT_FALSE(a->GetIsFocused());
    EXPECT_TRUE(b->GetIsFocused());
    EXPECT_EQ(scene->GetFocused(), b);

    // An object that cannot take the focus never asks for it.
    auto* plain = Make<TwzVisualObject>(root, 0, 300, 50, 50, "plain");
    plain->FocusObject();
    EXPECT_EQ(scene->GetFocused(), b);

    // A press focuses a focusable object first.
    scene->InjectMouseDown({ 20, 20 });
    EXPECT_EQ(scene->GetFocused(), a);
    // Not in design mode.
    scene->SetDesignTime(true);
    scene->InjectMouseDown({ 310, 15 });
    EXPECT_EQ(scene->GetFocused(), a);
    // A double click at design time is reported to the host.
    EXPECT_EQ(scene->DesignDblClickObject(), nullptr);
    scene->InjectDoubleClick({ 310, 15 });
    EXPECT_EQ(scene->DesignDblClickObject(), b);
}

TEST_F(VisualFocus, TheFocusMarginIsRepaintedWhenTheFocusComesAndGoes)
{
    auto* a = Make(root, 100, 100, 50, 20, "a");
    const auto animation = new TFakeAnimation(form.get());
    a->AddObject(animation);
    for (bool disableEffect : { false, true }) {
        SCOPED_TRACE(disableEffect ? "without focus effect" : "with focus effect");
        a->SetDisableFocusEffect(disableEffect);
        animation->triggers.clear();
        scene->ClearUpdateRects();
        a->FocusObject();
        ASSERT_FALSE(scene->UpdateRects().empty());
        const TwzRect entered = scene->UpdateRects().back();
        EXPECT_FLOAT_EQ(entered.Left, 95);
        EXPECT_FLOAT_EQ(entered.Bottom, 125);
        scene->ClearUpdateRects();
        scene->SetFocused(nullptr);
        ASSERT_FALSE(scene->UpdateRects().empty());
        EXPECT_FLOAT_EQ(scene->UpdateRects().front().Left, 95);
        EXPECT_FALSE(a->GetIsFocused());
        // Unfocused, the object's area is its own again.
        EXPECT_FLOAT_EQ(a->GetUpdateRect().Left, 100);
        EXPECT_EQ(animation->triggers.size(), disableEffect ? 0u : 2u);
    }
}

TEST_F(VisualFocus, TabOrderMovesAnObjectInItsParentsTabList)
{
    auto* a = Make(root, 0, 0, 10, 10, "a");
    auto* b = Make(root, 0, 0, 10, 10, "b");
    auto* c = Make(root, 0, 0, 10, 10, "c");
    EXPECT_EQ(root->GetTabOrder(), -1);
    EXPECT_EQ(b->GetTabOrder(), 1);
    b->SetTabOrder(99);
    EXPECT_EQ(Ids(root->TabList()), (std::vector<std::string> { "a", "c", "b" }));
    b->SetTabOrder(-5);
    EXPECT_EQ(Ids(root->TabList()), (std::vector<std::string> { "b", "a", "c" }));
    c->SetTabOrder(1);
    EXPECT_EQ(Ids(root->TabList()), (std::vector<std::string> { "b", "c", "a" }));
    EXPECT_EQ(a->GetTabOrder(), 2);

    // The recursive list follows each object with its own tab list.
    Make(c, 0, 0, 5, 5, "c1");
    Make(c, 0, 0, 5, 5, "c2");
    std::vector<TwzVisualObject*> list;
    root->GetTabOrderList(list, true);
    EXPECT_EQ(Ids(list), (std::vector<std::string> { "b", "c", "c1", "c2", "a" }));
    list.clear();
    root->GetTabOrderList(list, false);
    EXPECT_EQ(Ids(list), (std::vector<std::string> { "b", "c", "a" }));

    // A removed child leaves the list; the rest keep their order.
    root->RemoveObject(c);
    EXPECT_EQ(Ids(root->TabList()), (std::vector<std::string> { "b", "a" }));
    c->Free();
}

TEST_F(VisualFocus, LoadedTabOrderNumbersPlaceTheChildrenAndTabFollowsThem)
{
    // Five children in reading order 1..5 with TabOrder numbers 2, 0, none, 0, 7: the later
    // 0 wins, 7 is beyond the list, and the unnumbered keep their relative order.
    const std::string text = "object Form: TTabObject\n"
                             "  Width = 300.0\n"
                             "  object A: TTabObject\n    Tag = 1\n    TabOrder = 2\n  end\n"
                             "  object B: TTabObject\n    Tag = 2\n    TabOrder = 0\n  end\n"
                             "  object C: TTabObject\n    Tag = 3\n  end\n"
                             "  object D: TTabObject\n    Tag = 4\n    TabOrder = 0\n  end\n"
                             "  object E: TTabObject\n    Tag = 5\n    TabOrder = 7\n  end\n"
                             "end\n";
    rtl::TMemoryStream input;
    input.WriteBuffer(text.data(), text.size());
    input.SetPosition(0);
    auto* loaded = static_cast<TTabObject*>(Create2DObjectFromTextStream(form.get(), input));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(Ids(loaded->TabList()), (std::vector<std::string> { "4", "2", "1", "3", "5" }));
    EXPECT_EQ(static_cast<TwzVisualObject*>(loaded->GetChild(0))->GetTabOrder(), 2);

    // Tab walks that order from the focused object, wrapping around; Shift+Tab goes back.
    scene->RemoveObject(root);
    root->Free();
    root = nullptr;
    scene->AddObject(loaded);
    std::vector<std::string> focused;
    for (int i = 0; i < 6; ++i) {
        scene->InjectKey(platform::ui::vk::kTab);
        focused.push_back(static_cast<TTabObject*>(scene->GetFocused())->Id());
    }
    EXPECT_EQ(focused, (std::vector<std::string> { "4", "2", "1", "3", "5", "4" }));
    // A hidden or disabled object is passed over.
    static_cast<TwzVisualObject*>(loaded->GetChild(0))->SetVisible(false); // "1"
    static_cast<TwzVisualObject*>(loaded->GetChild(1))->SetEnabled(false); // "2"
    focused.clear();
    for (int i = 0; i < 3; ++i) {
        scene->InjectKey(platform::ui::vk::kTab, { platform::ui::ShiftFlag::Shift });
        focused.push_back(static_cast<TTabObject*>(scene->GetFocused())->Id());
    }
    EXPECT_EQ(focused, (std::vector<std::string> { "5", "3", "4" }));
}

TEST_F(VisualFocus, TheCaretIsAnUnstoredChildPlacedInWholeUnits)
{
    auto* edit = Make(root, 0, 0, 100, 30, "edit");
    EXPECT_EQ(edit->GetCaret(), nullptr);
    edit->SetCaretPos({ 10.5f, 3.5f });
    TwzVisualObject* caret = edit->GetCaret();
    ASSERT_NE(caret, nullptr);
    EXPECT_EQ(caret->GetParent(), edit);
    EXPECT_FALSE(caret->GetVisible()); // hidden until shown
    EXPECT_FALSE(caret->GetStored());
    EXPECT_FALSE(caret->GetHitTest());
    EXPECT_TRUE(caret->GetLocked());
    EXPECT_FLOAT_EQ(caret->GetPosition()->GetX(), 10);
    EXPECT_FLOAT_EQ(caret->GetPosition()->GetY(), 4);
    EXPECT_FLOAT_EQ(caret->GetWidth(), 3);
    EXPECT_FLOAT_EQ(caret->GetHeight(), 20);
    edit->SetCaretSize({ 2, 14 });
    EXPECT_FLOAT_EQ(caret->GetWidth(), 2);
    EXPECT_FLOAT_EQ(caret->GetHeight(), 14);
    edit->SetCaretColor(0xFFFF0000);
    edit->ShowCaret();
    EXPECT_TRUE(caret->GetVisible());
    EXPECT_EQ(edit->GetCaret(), caret); // one caret for the object's life

    // The caret is never hit and never saved.
    EXPECT_EQ(scene->ObjectAt({ 11, 10 }), edit);
    rtl::TMemoryStream saved;
    edit->SaveObjectAsText(saved);
    const std::string text(reinterpret_cast<const char*>(saved.Memory()), saved.GetSize());
    EXPECT_EQ(text.find("TextCaret"), std::string::npos);
    edit->HideCaret();
    EXPECT_FALSE(caret->GetVisible());

    // Freeing the children takes the caret; a later use makes a new one.
    edit->DeleteChildren();
    EXPECT_EQ(edit->GetCaret(), nullptr);
    edit->ShowCaret();
    EXPECT_NE(edit->GetCaret(), nullptr);
}

TEST_F(VisualFocus, TheCaretBlinksWhileFocusedAndStopsWhenTheFocusLeaves)
{
    platform::ui::FakeApplication app;
    scene->SetAnimatedCaret(true);
    auto* edit = Make<TEditLike>(root, 0, 0, 100, 30, "edit");
    auto* other = Make(root, 200, 0, 100, 30, "other");

    edit->FocusObject();
    TwzVisualObject* caret = edit->GetCaret();
    ASSERT_NE(caret, nullptr);
    EXPECT_TRUE(caret->GetVisible());
    EXPECT_FLOAT_EQ(caret->GetOpacity(), 1);
    // Neither the caret nor its timer is ever saved with the object.
    rtl::TMemoryStream saved;
    edit->SaveObjectAsText(saved);
    const std::string text(reinterpret_cast<const char*>(saved.Memory()), saved.GetSize());
    EXPECT_EQ(text.find("object", 1), std::string::npos) << text; // the edit itself only
    // One blink: fading out for about 0.3 s, then back in for about 0.3 s.
    std::vector<float> opacities;
    for (int i = 0; i < 6; ++i) {
        app.AdvanceTime(99);
        opacities.push_back(caret->GetOpacity());
    }
    EXPECT_NEAR(opacities[0], 0.67f, 1e-3f);
    EXPECT_NEAR(opacities[1], 0.34f, 1e-3f);
    EXPECT_NEAR(opacities[2], 0.01f, 1e-3f);
    EXPECT_NEAR(opacities[3], 0.32f, 1e-3f);
    EXPECT_NEAR(opacities[5], 0.98f, 1e-3f);

    other->FocusObject();
    EXPECT_FALSE(caret->GetVisible());
    EXPECT_FLOAT_EQ(caret->GetOpacity(), 1);
    scene->ClearUpdateRects();
    app.AdvanceTime(1000);
    EXPECT_FLOAT_EQ(caret->GetOpacity(), 1);
    EXPECT_TRUE(scene->UpdateRects().empty());

    // Focused again, it blinks again; freed, its timer goes with it.
    edit->FocusObject();
    app.AdvanceTime(99);
    EXPECT_NEAR(caret->GetOpacity(), 0.67f, 1e-3f);
    const int timers = TimerRegistryCount();
    edit->Free();
    EXPECT_EQ(TimerRegistryCount(), timers - 1);
    app.AdvanceTime(1000);
}

TEST_F(VisualFocus, WithoutAnAnimatedCaretTheCaretStaysOpaque)
{
    platform::ui::FakeApplication app;
    auto* edit = Make<TEditLike>(root, 0, 0, 100, 30, "edit");
    const int timers = TimerRegistryCount();
    edit->FocusObject();
    app.AdvanceTime(500);
    EXPECT_TRUE(edit->GetCaret()->GetVisible());
    EXPECT_FLOAT_EQ(edit->GetCaret()->GetOpacity(), 1);
    EXPECT_EQ(TimerRegistryCount(), timers);
}
