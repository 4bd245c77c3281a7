#include "Scene3DTestClasses.h"

#include "scene3d/ThvBitmapRect.h"
#include "scene3d/ThvBounds.h"
#include "scene3d/ThvPosition.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scene3dtest;

namespace {

// Counts the events of one value object by name.
class EventLog : public rtl::TObject {
public:
    std::vector<std::string> events;
    void Change(rtl::TObject*) { events.push_back("change"); }
    void ChangeX(rtl::TObject*) { events.push_back("x"); }
    void ChangeY(rtl::TObject*) { events.push_back("y"); }
    void ChangeZ(rtl::TObject*) { events.push_back("z"); }
};

class Holder3DTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestClasses3D(); }

    // The holder read back from the object text of `text`.
    rtl::TOwned<THolder3D> ReadBack(const std::string& text)
    {
        rtl::TOwned<THolder3D> copy(new THolder3D(nullptr));
        copy->LoadFromStream(*TextToBinary(text));
        return copy;
    }
};

} // namespace

// ---- ThvPosition ----------------------------------------------------------------------------

TEST(ThvPosition, AxisSettersNotifyOnceAndOnlyOnChange)
{
    struct Case {
        const char* name;
        bool axisEvents; // the owner set OnChangeX/Y/Z
        float value;
        std::vector<std::string> expected;
        float prevX;
    };
    const Case cases[] = {
        { "same value: nothing, PrevValue kept", false, 2, {}, 7 },
        { "new value, general event only", false, 5, { "change" }, 2 },
        { "new value, axis event replaces the general one", true, 5, { "x" }, 2 },
        { "same value with axis events: nothing", true, 2, {}, 7 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvPosition position({ 2, 0, 0 });
        position.SetPointNoChange({ 2, 0, 0 });
        // A PrevValue that differs from everything the case sets, to see whether it moves.
        position.SetPointNoChange({ 7, 0, 0 });
        position.SetPointNoChange({ 2, 0, 0 });
        ASSERT_EQ(position.GetPrevValue().X, 7);
        EventLog log;
        position.OnChange.Bind<&EventLog::Change>(&log);
        if (c.axisEvents)
            position.OnChangeX.Bind<&EventLog::ChangeX>(&log);
        position.SetX(c.value);
        EXPECT_EQ(log.events, c.expected);
        EXPECT_EQ(position.GetPrevValue().X, c.prevX);
        EXPECT_EQ(position.GetX(), c.value);
    }
}

TEST(ThvPosition, EachAxisFiresItsOwnEvent)
{
    ThvPosition position;
    EventLog log;
    position.OnChangeX.Bind<&EventLog::ChangeX>(&log);
    position.OnChangeY.Bind<&EventLog::ChangeY>(&log);
    position.OnChangeZ.Bind<&EventLog::ChangeZ>(&log);
    position.OnChange.Bind<&EventLog::Change>(&log);
    position.SetZ(3);
    position.SetY(2);
    position.SetX(1);
    EXPECT_EQ(log.events, (std::vector<std::string> { "z", "y", "x" }));
    EXPECT_EQ(position.GetPrevValue(), (ThvVector { 0, 0, 0, 1 }));
}

TEST(ThvPosition, SetPointAlwaysNotifiesAndRemembersThePreviousPoint)
{
    ThvPosition position({ 1, 2, 3 });
    EventLog log;
    position.OnChange.Bind<&EventLog::Change>(&log);
    position.OnChangeX.Bind<&EventLog::ChangeX>(&log);
    position.SetPoint({ 1, 2, 3 });
    position.SetVector({ 4, 5, 6, 0 });
    EXPECT_EQ(log.events, (std::vector<std::string> { "change", "change" }));
    EXPECT_EQ(position.GetPrevValue(), (ThvVector { 1, 2, 3, 1 }));
    EXPECT_EQ(position.GetVector(), (ThvVector { 4, 5, 6, 1 }));

    position.SetPointNoChange({ 0, 0, 0 });
    EXPECT_EQ(log.events.size(), 2u);
    EXPECT_TRUE(position.IsEmpty());
}

TEST(ThvPosition, AssignNotifiesOnceAndLeavesNoPendingDifference)
{
    ThvPosition source({ 0, 0, 0 });
    source.SetPointNoChange({ 4, 5, 6 });
    ThvPosition target({ 1, 1, 1 });
    EventLog log;
    target.OnChange.Bind<&EventLog::Change>(&log);
    target.Assign(source);
    EXPECT_EQ(log.events, std::vector<std::string> { "change" });
    EXPECT_EQ(target.GetPoint(), (ThvPoint { 4, 5, 6 }));
    EXPECT_EQ(target.GetPrevValue(), (ThvVector { 4, 5, 6, 1 }));
    // The default it was made with is its own.
    EXPECT_EQ(target.GetDefaultValue(), (ThvPoint { 1, 1, 1 }));

    ThvBounds unrelated;
    EXPECT_THROW(target.Assign(unrelated), rtl::ConvertError);
}

TEST_F(Holder3DTest, PositionStoresPointOnlyWhenItDiffersFromItsDefault)
{
    struct Case {
        const char* name;
        ThvPoint point;
        const char* expectedText; // nullptr: no "Point" written
    };
    const Case cases[] = {
        { "at the default (1, 1, 1)", { 1, 1, 1 }, nullptr },
        { "one axis off", { 1, 2, 1 }, "Position.Point = '(1,2,1)'" },
        { "fractions and negatives", { 1.5f, 0, -10 }, "Position.Point = '(1.5,0,-10)'" },
        { "the zero point is not the default here", { 0, 0, 0 }, "Position.Point = '(0,0,0)'" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
        holder->GetPosition()->SetPoint(c.point);
        const std::string text = ObjectText(*holder);
        if (c.expectedText)
            EXPECT_NE(text.find(c.expectedText), std::string::npos) << text;
        else
            EXPECT_EQ(text.find("Point"), std::string::npos) << text;
        rtl::TOwned<THolder3D> copy = ReadBack(text);
        EXPECT_EQ(copy->GetPosition()->GetPoint(), c.point);
    }
}

TEST_F(Holder3DTest, PositionReadFromTextNotifiesAndBadTextGivesTheOrigin)
{
    struct Case {
        const char* pointText;
        ThvPoint expected;
    };
    const Case cases[] = {
        { "(1.5, 2, -3)", { 1.5f, 2, -3 } },
        { "(1,2)", { 0, 0, 0 } },
        { "1,2,3", { 0, 0, 0 } }, // without "(" the first number is taken for the empty token
        { "(a,b,c)", { 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pointText);
        const std::string text
            = std::string("object THolder3D\n  Position.Point = '") + c.pointText + "'\nend\n";
        rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
        EventLog log;
        holder->GetPosition()->OnChange.Bind<&EventLog::Change>(&log);
        holder->LoadFromStream(*TextToBinary(text));
        EXPECT_EQ(holder->GetPosition()->GetPoint(), c.expected);
        EXPECT_EQ(log.events, std::vector<std::string> { "change" });
        // The value before loading is what PrevValue keeps.
        EXPECT_EQ(holder->GetPosition()->GetPrevValue(), (ThvVector { 1, 1, 1, 1 }));
    }
}

// ---- ThvBounds ------------------------------------------------------------------------------

TEST(ThvBounds, SettersNotifyOnlyOnChangeAndAssignAlwaysOnce)
{
    ThvBounds bounds;
    EventLog log;
    bounds.OnChange.Bind<&EventLog::Change>(&log);
    bounds.Setleft(0);
    bounds.Setzfar(0);
    EXPECT_TRUE(log.events.empty());
    bounds.Setleft(1);
    bounds.Settop(2);
    bounds.Setright(3);
    bounds.Setbottom(4);
    bounds.Setznear(5);
    bounds.Setzfar(6);
    bounds.Setzfar(6);
    EXPECT_EQ(log.events.size(), 6u);

    log.events.clear();
    ThvBounds same;
    same.Assign(bounds);
    bounds.Assign(same); // identical values still notify once
    EXPECT_EQ(log.events, std::vector<std::string> { "change" });
    EXPECT_EQ(same.Getzfar(), 6);
}

TEST_F(Holder3DTest, BoundsStoreNewRectOnlyWhenAnyMarginIsSet)
{
    struct Case {
        const char* name;
        float values[6];
        const char* expectedText; // nullptr: neither "Rect" nor "NewRect"
    };
    const Case cases[] = {
        { "all zero", { 0, 0, 0, 0, 0, 0 }, nullptr },
        { "a fraction takes three decimals", { 0.5f, 0, 0, 0, 0, 0 },
            "Margins.NewRect = '(0.500,0,0,0,0,0)'" },
        { "only a depth margin", { 0, 0, 0, 0, 0, -2 }, "Margins.NewRect = '(0,0,0,0,0,-2)'" },
        { "all six", { 1, 2, 3, 4, 5, 6 }, "Margins.NewRect = '(1,2,3,4,5,6)'" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
        ThvBounds* m = holder->GetMargins();
        m->Setleft(c.values[0]);
        m->Settop(c.values[1]);
        m->Setright(c.values[2]);
        m->Setbottom(c.values[3]);
        m->Setznear(c.values[4]);
        m->Setzfar(c.values[5]);
        const std::string text = ObjectText(*holder);
        if (c.expectedText)
            EXPECT_NE(text.find(c.expectedText), std::string::npos) << text;
        else
            EXPECT_EQ(text.find("Margins."), std::string::npos) << text;
        rtl::TOwned<THolder3D> copy = ReadBack(text);
        EXPECT_EQ(copy->GetMargins()->GetNewRectText(), m->GetNewRectText());
    }
}

TEST_F(Holder3DTest, BoundsReadTheOlderRectAndPartialNewRectTexts)
{
    struct Case {
        const char* name;
        const char* property;
        const char* text;
        const char* expected; // NewRect text of the margins after reading over (9,9,9,9,9,9)
    };
    const Case cases[] = {
        { "older form keeps the depth margins", "Rect", "(1,2,3,4)", "(1,2,3,4,9,9)" },
        { "older form that does not parse gives zeros", "Rect", "junk", "(0,0,0,0,9,9)" },
        { "full new form", "NewRect", "(1,2,3,4,5,6)", "(1,2,3,4,5,6)" },
        { "a bad number ends the reading", "NewRect", "(1,2,x,4,5,6)", "(1,2,9,9,9,9)" },
        { "too few numbers", "NewRect", "(1.25,2)", "(1.250,2,9,9,9,9)" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
        holder->GetMargins()->ReadNewRectText("(9,9,9,9,9,9)");
        EventLog log;
        holder->GetMargins()->OnChange.Bind<&EventLog::Change>(&log);
        const std::string text
            = std::string("object THolder3D\n  Margins.") + c.property + " = '" + c.text + "'\nend\n";
        holder->LoadFromStream(*TextToBinary(text));
        EXPECT_EQ(holder->GetMargins()->GetNewRectText(), c.expected);
        EXPECT_TRUE(log.events.empty()) << "reading sets the margins directly";
    }
}

// ---- ThvBitmapRect --------------------------------------------------------------------------

TEST(ThvBitmapRect, NotifiesOnChangeAndIsEmptyOnlyWhenAllZero)
{
    ThvBitmapRect rect;
    EXPECT_TRUE(rect.IsEmpty());
    EventLog log;
    rect.OnChange.Bind<&EventLog::Change>(&log);
    rect.Setright(0);
    EXPECT_TRUE(log.events.empty());
    rect.Setright(0.5f);
    EXPECT_FALSE(rect.IsEmpty());
    ThvBitmapRect copy;
    copy.Assign(rect);
    rect.Assign(copy);
    EXPECT_EQ(log.events.size(), 2u);
    EXPECT_EQ(copy.Getright(), 0.5f);
}
