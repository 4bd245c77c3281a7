#include "tests/support/RtlTestClasses.h"

#include "platform/rtl/ObjectIds.h"
#include "platform/rtl/Properties.h"

#include <gtest/gtest.h>

using namespace rtl;
using namespace rtltest;

namespace {

// Two delegates are equal when target and method are; identical method bodies and thunk
// addresses (which code folding may merge) must not make them equal.
TEST(Events, DelegatesCompareByTargetAndMethod)
{
    TOwned<TTestForm> a(new TTestForm(nullptr));
    TOwned<TTestForm> b(new TTestForm(nullptr));
    auto bind = [](TTestForm* target, int method) {
        TNotifyEvent e;
        if (method == 1)
            e.Bind<&TTestForm::ButtonClick>(target);
        else if (method == 2)
            e.Bind<&TTestForm::OtherClick>(target);
        return e;
    };
    struct Case {
        const char* name;
        TNotifyEvent x, y;
        bool equal, sameMethod;
    };
    const Case cases[] = {
        { "same method, same object", bind(a.get(), 1), bind(a.get(), 1), true, true },
        { "same method, another object", bind(a.get(), 1), bind(b.get(), 1), false, true },
        { "identical bodies, same object", bind(a.get(), 1), bind(a.get(), 2), false, false },
        { "assigned and empty", bind(a.get(), 1), TNotifyEvent {}, false, false },
        { "both empty", TNotifyEvent {}, TNotifyEvent {}, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.x == c.y, c.equal);
        EXPECT_EQ(c.x.SameMethod(c.y), c.sameMethod);
    }
}

TEST(Events, RaisingCallsTheBoundMethodWithItsArgumentsAndEmptyDoesNothing)
{
    TOwned<TTestForm> form(new TTestForm(nullptr));
    TTestNode* node = MakeNode(form.get(), form.get(), "Node");
    node->OnClick(node); // unassigned
    node->OnMove.Bind<&TTestForm::NodeMove>(form.get());
    node->OnMove(node, 1.5f, -2);
    node->OnClick.Bind<&TTestForm::ButtonClick>(form.get());
    TNotifyEvent copy = node->OnClick;
    copy(node);
    node->OnClick.Clear();
    node->OnClick(node);
    EXPECT_EQ(form->clicks, (std::vector<std::string> { "Move:1.5,-2", "Button:Node" }));
    EXPECT_FALSE(node->OnClick);
}

TEST(Events, BindingByNameChecksTheSignatureAndKeepsTheName)
{
    TOwned<TTestForm> form(new TTestForm(nullptr));
    TTestNode* node = MakeNode(form.get(), form.get(), "Node");
    struct Case {
        const char* event;
        const char* handler;
        bool bound;
    };
    const Case cases[] = {
        { "OnClick", "buttonclick", true },
        { "OnMove", "NodeMove", true },
        { "OnMove", "ButtonClick", false }, // another signature
        { "OnClick", "NodeMove", false },
        { "OnClick", "HiddenClick", false }, // not published by the form
        { "OnClick", "Nothing", false },
        { "OnNothing", "ButtonClick", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.event) + " = " + c.handler);
        node->OnClick.Clear();
        node->OnMove.Clear();
        EXPECT_EQ(BindEventByName(*node, c.event, *form, c.handler), c.bound);
        EXPECT_EQ(static_cast<bool>(node->OnClick) || static_cast<bool>(node->OnMove), c.bound);
    }
    BindEventByName(*node, "OnClick", *form, "BUTTONCLICK");
    EXPECT_EQ(node->OnClick.HandlerName(), "ButtonClick");
    node->OnClick(node);
    EXPECT_EQ(form->clicks, std::vector<std::string> { "Button:Node" });
}

TEST(Events, TheWriterNamesOnlyHandlersTheRootPublishes)
{
    TOwned<TTestForm> form(new TTestForm(nullptr));
    TOwned<TTestForm> otherForm(new TTestForm(nullptr));
    TNotifyEvent e;
    EXPECT_EQ(HandlerNameFor(e, *form), "");
    e.Bind<&TTestForm::OtherClick>(form.get()); // bound in code, no name given
    EXPECT_EQ(HandlerNameFor(e, *form), "OtherClick");
    EXPECT_EQ(HandlerNameFor(e, *otherForm), "") << "a method of another object";
    e.Bind<&TTestForm::HiddenClick>(form.get());
    EXPECT_EQ(HandlerNameFor(e, *form), "") << "not published";
}

TEST(ObjectIds, IdsResolveOnlyToLiveObjectsAndAreNeverReused)
{
    auto* a = new TTestForm(nullptr);
    const TObjectId idA = ObjectToId(a);
    EXPECT_NE(idA, 0u);
    EXPECT_EQ(ObjectToId(a), idA);
    EXPECT_EQ(IdToObject(idA), a);
    EXPECT_EQ(IdToObject<TTestForm>(idA), a);
    EXPECT_EQ(IdToObject<TTestFill>(idA), nullptr);
    a->Free();
    EXPECT_EQ(IdToObject(idA), nullptr);
    TOwned<TTestForm> b(new TTestForm(nullptr)); // may reuse a's address, never its id
    EXPECT_GT(ObjectToId(b.get()), idA);
    EXPECT_EQ(IdToObject(idA), nullptr);
    EXPECT_EQ(IdToObject(0), nullptr);
    EXPECT_EQ(IdToObject(~TObjectId { 0 }), nullptr);
    EXPECT_EQ(ObjectToId(nullptr), 0u);

    TTestFill value; // value objects get ids too, and lose them with their holder
    TObjectId idValue = 0;
    {
        TTestFill scoped;
        idValue = ObjectToId(&scoped);
        EXPECT_EQ(IdToObject(idValue), &scoped);
    }
    EXPECT_EQ(IdToObject(idValue), nullptr);
}

TEST(ObjectIds, HandlerIdsCheckTheSignatureAndTheTargetsLife)
{
    auto* form = new TTestForm(nullptr);
    TTestNode* node = MakeNode(form, form, "Node");
    TNotifyEvent click;
    click.Bind<&TTestForm::ButtonClick>(form);
    const TObjectId id = MethodToId(click);
    EXPECT_EQ(MethodToId(click), id);
    TNotifyEvent other;
    other.Bind<&TTestForm::OtherClick>(form);
    EXPECT_NE(MethodToId(other), id);
    EXPECT_EQ(MethodToId(TNotifyEvent {}), 0u);

    TNotifyEvent back = IdToMethod<TNotifyEvent>(id);
    EXPECT_TRUE(back == click);
    back(node);
    EXPECT_EQ(form->clicks, std::vector<std::string> { "Button:Node" });
    EXPECT_FALSE(IdToMethod<decltype(TTestNode::OnMove)>(id)) << "another signature";
    EXPECT_FALSE(IdToMethod<TNotifyEvent>(ObjectToId(form))) << "an object id is not a handler";
    form->Free();
    EXPECT_FALSE(IdToMethod<TNotifyEvent>(id)) << "target gone";
}

} // namespace
