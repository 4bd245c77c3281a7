#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzTransform.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "tests/graphics/Printers.h"
#include "tests/graphics/StreamHelpers.h"

#include "tests/support/ChangeCounter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using TCounter = testsupport::TChangeCounter;

// An owner of each value type, to see their stored forms inside an object.
class TValueHolder : public rtl::TComponent {
    RTL_CLASS(TValueHolder, rtl::TComponent)
public:
    explicit TValueHolder(rtl::TComponent* owner)
        : rtl::TComponent(owner)
        , m_margins(std::make_unique<TwzBounds>())
        , m_padding(std::make_unique<TwzBounds>(TwzRect { 1, 2, 3, 4 }))
        , m_scale(std::make_unique<TwzPosition>(TwzPoint { 1, 1 }))
        , m_transform(std::make_unique<TwzTransform>())
    {
        m_margins->OnChange.Bind<&TCounter::Changed>(&counter);
        m_padding->OnChange.Bind<&TCounter::Changed>(&counter);
        m_scale->OnChange.Bind<&TCounter::Changed>(&counter);
        m_transform->OnChanged.Bind<&TCounter::Changed>(&counter);
    }
    TwzBounds* GetMargins() const { return m_margins.get(); }
    void SetMargins(TwzBounds* v) { m_margins->Assign(*v); }
    TwzBounds* GetPadding() const { return m_padding.get(); }
    void SetPadding(TwzBounds* v) { m_padding->Assign(*v); }
    TwzPosition* GetScale() const { return m_scale.get(); }
    void SetScale(TwzPosition* v) { m_scale->Assign(*v); }
    TwzTransform* GetTransform() const { return m_transform.get(); }
    void SetTransform(TwzTransform* v) { m_transform->Assign(*v); }

    TCounter counter;

private:
    std::unique_ptr<TwzBounds> m_margins;
    std::unique_ptr<TwzBounds> m_padding;
    std::unique_ptr<TwzPosition> m_scale;
    std::unique_ptr<TwzTransform> m_transform;
};

constexpr rtl::TPropInfo kValueHolderProps[] = {
    RTL_PROP(TValueHolder, Margins, Class, rtl::kNoDefault),
    RTL_PROP(TValueHolder, Padding, Class, rtl::kNoDefault),
    RTL_PROP(TValueHolder, Scale, Class, rtl::kNoDefault),
    RTL_PROP(TValueHolder, Transform, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TValueHolder, .props = kValueHolderProps)

namespace {

std::string StoredLines(TValueHolder& holder)
{
    return streamtest::PropertyLines(streamtest::ComponentToText(holder));
}

// What every fresh holder stores: the transform's angle is always written.
const std::string kAlwaysStored = "Transform.RotateAngle =  0.0000000000000000E+0000\n";

TEST(TwzBounds, StoredOnlyWhenDifferentFromItsDefault)
{
    struct Case {
        const char* name;
        std::function<void(TValueHolder&)> change;
        std::string stored;
    };
    const Case cases[] = {
        { "defaults store nothing", [](TValueHolder&) {}, "" },
        { "one side changed", [](TValueHolder& h) { h.GetMargins()->SetLeft(1); },
            "Margins.Rect = '(1,0,0,0)'\n" },
        { "changed and back",
            [](TValueHolder& h) {
                h.GetMargins()->SetLeft(1);
                h.GetMargins()->SetLeft(0);
            },
            "" },
        { "a non-zero default",
            [](TValueHolder& h) {
                h.GetPadding()->SetRect({ 1, 2, 3, 4.5f });
            },
            "Padding.Rect = '(1,2,3,4.500)'\n" },
        { "zero against a non-zero default", [](TValueHolder& h) { h.GetPadding()->SetRect({}); },
            "Padding.Rect = '(0,0,0,0)'\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::TOwned<TValueHolder> holder(new TValueHolder(nullptr));
        c.change(*holder);
        EXPECT_EQ(StoredLines(*holder), c.stored + kAlwaysStored);

        rtl::TOwned<TValueHolder> back(new TValueHolder(nullptr));
        std::string errors;
        streamtest::TextToComponent(streamtest::ComponentToText(*holder), *back, &errors);
        EXPECT_EQ(errors, "");
        EXPECT_EQ(back->GetMargins()->GetRect(), holder->GetMargins()->GetRect());
        EXPECT_EQ(back->GetPadding()->GetRect(), holder->GetPadding()->GetRect());
    }
}

TEST(TwzBounds, NotifiesOnceAndNotAtAllForEqualValues)
{
    struct Case {
        const char* name;
        std::function<void(TwzBounds&)> change;
        int notifications;
        TwzRect result;
    };
    const Case cases[] = {
        { "each side set to its own value",
            [](TwzBounds& b) {
                b.SetLeft(1);
                b.SetTop(2);
                b.SetRight(3);
                b.SetBottom(4);
            },
            0, { 1, 2, 3, 4 } },
        { "each side changed",
            [](TwzBounds& b) {
                b.SetLeft(5);
                b.SetTop(6);
                b.SetRight(7);
                b.SetBottom(8);
            },
            4, { 5, 6, 7, 8 } },
        { "SetRect with the current rectangle",
            [](TwzBounds& b) {
                b.SetRect({ 1, 2, 3, 4 });
            },
            0, { 1, 2, 3, 4 } },
        { "SetRect with one value changed",
            [](TwzBounds& b) {
                b.SetRect({ 1, 2, 3, 9 });
            },
            1, { 1, 2, 3, 9 } },
        { "SetRect with all changed",
            [](TwzBounds& b) {
                b.SetRect({ 9, 9, 9, 9 });
            },
            1, { 9, 9, 9, 9 } },
        { "Assign from equal bounds",
            [](TwzBounds& b) {
                b.Assign(TwzBounds({ 1, 2, 3, 4 }));
            },
            0, { 1, 2, 3, 4 } },
        { "Assign from different bounds",
            [](TwzBounds& b) {
                b.Assign(TwzBounds({ 0, 2, 3, 4 }));
            },
            1, { 0, 2, 3, 4 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzBounds bounds({ 1, 2, 3, 4 });
        TCounter counter;
        bounds.OnChange.Bind<&TCounter::Changed>(&counter);
        c.change(bounds);
        EXPECT_EQ(counter.count, c.notifications);
        EXPECT_EQ(bounds.GetRect(), c.result);
        if (c.notifications) {
            EXPECT_EQ(counter.lastSender, &bounds);
        }
    }
}

TEST(TwzBounds, MarginsAndEmptiness)
{
    TwzBounds bounds({ 1, 2, 3, 4 });
    EXPECT_EQ(bounds.MarginRect({ 0, 0, 100, 50 }), MakeRect(1, 2, 97, 46));
    EXPECT_FALSE(bounds.IsEmpty());
    EXPECT_FALSE(bounds.IsEmptyRect());
    bounds.SetRect({ 0, 0, 0, 0 });
    EXPECT_TRUE(bounds.IsEmpty());
    EXPECT_TRUE(bounds.IsEmptyRect());
    bounds.SetRect({ 5, 0, 5, 10 });
    EXPECT_FALSE(bounds.IsEmpty());
    EXPECT_TRUE(bounds.IsEmptyRect()) << "no width";
}

TEST(TwzBounds, UnreadableStoredTextReadsAsZero)
{
    rtl::TOwned<TValueHolder> holder(new TValueHolder(nullptr));
    std::string errors;
    streamtest::TextToComponent("object Holder: TValueHolder\n"
                                "  Padding.Rect = 'no rectangle'\n"
                                "  Margins.Rect = '(1,2,3)'\n"
                                "  Scale.Point = '(,'\n"
                                "end\n",
        *holder, &errors);
    EXPECT_EQ(errors, "") << "value texts never raise";
    EXPECT_EQ(holder->GetPadding()->GetRect(), MakeRect(0, 0, 0, 0));
    EXPECT_EQ(holder->GetMargins()->GetRect(), MakeRect(0, 0, 0, 0));
    EXPECT_EQ(holder->GetScale()->GetPoint(), MakePoint(0, 0));
}

TEST(TwzPosition, SetPointAlwaysNotifiesSetXOnlyOnChange)
{
    TwzPosition position({ 1, 1 });
    TCounter counter;
    position.OnChange.Bind<&TCounter::Changed>(&counter);
    position.SetX(1);
    position.SetY(1);
    EXPECT_EQ(counter.count, 0);
    position.SetPoint({ 1, 1 });
    EXPECT_EQ(counter.count, 1) << "SetPoint notifies even when nothing changed";
    position.SetX(2);
    position.SetY(3);
    EXPECT_EQ(counter.count, 3);
    position.Assign(TwzPosition({ 2, 3 }));
    EXPECT_EQ(counter.count, 4) << "Assign notifies once, even when equal";
    position.StorePoint({ 7, 8 });
    EXPECT_EQ(counter.count, 4);
    EXPECT_EQ(position.GetPoint(), MakePoint(7, 8));
}

TEST(TwzPosition, StoredOnlyWhenDifferentFromItsDefault)
{
    rtl::TOwned<TValueHolder> holder(new TValueHolder(nullptr));
    EXPECT_EQ(StoredLines(*holder), kAlwaysStored) << "(1, 1) is the scale's default";
    holder->GetScale()->SetY(2);
    EXPECT_EQ(StoredLines(*holder), "Scale.Point = '(1,2)'\n" + kAlwaysStored);

    rtl::TOwned<TValueHolder> back(new TValueHolder(nullptr));
    const int before = back->counter.count;
    streamtest::TextToComponent(streamtest::ComponentToText(*holder), *back);
    EXPECT_EQ(back->GetScale()->GetPoint(), MakePoint(1, 2));
    EXPECT_GE(back->counter.count, before + 1);

    // Reading a stored point notifies even when it equals the current one.
    rtl::TOwned<TValueHolder> same(new TValueHolder(nullptr));
    same->GetScale()->SetY(2);
    same->counter.count = 0;
    streamtest::TextToComponent("object H: TValueHolder\n  Scale.Point = '(1,2)'\nend\n", *same);
    EXPECT_EQ(same->counter.count, 1);
}

TEST(TwzValueTypes, AssignFromAnotherClassRaises)
{
    TwzBounds bounds;
    TwzPosition position;
    TwzTransform transform;
    EXPECT_THROW(bounds.Assign(position), rtl::ConvertError);
    EXPECT_THROW(position.Assign(bounds), rtl::ConvertError);
    EXPECT_THROW(transform.Assign(position), rtl::ConvertError);
}

TwzPoint Apply(const TwzMatrix& m, const TwzPoint& p)
{
    return PointFromVector(VectorTransform(VectorFromPoint(p, 1), m));
}

TEST(TwzTransform, MatrixRotatesThenScalesThenTranslates)
{
    struct Case {
        const char* name;
        float angle;
        TwzPoint scale, position, in, out;
    };
    const Case cases[] = {
        { "identity", 0, { 1, 1 }, { 0, 0 }, { 3, 4 }, { 3, 4 } },
        { "rotate, scale, move (0, 1)", 90, { 2, 1 }, { 10, 0 }, { 0, 1 }, { 8, 0 } },
        { "rotate, scale, move (1, 0)", 90, { 2, 1 }, { 10, 0 }, { 1, 0 }, { 10, 1 } },
        { "scale only", 0, { 2, 3 }, { 0, 0 }, { 1, 1 }, { 2, 3 } },
        { "half turn", 180, { 1, 1 }, { 5, 5 }, { 1, 2 }, { 4, 3 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzTransform t;
        t.SetRotateAngle(c.angle);
        t.GetScale()->SetPoint(c.scale);
        t.GetPosition()->SetPoint(c.position);
        const TwzPoint p = Apply(t.Matrix(), c.in);
        EXPECT_NEAR(p.X, c.out.X, 1e-5);
        EXPECT_NEAR(p.Y, c.out.Y, 1e-5);
    }
}

TEST(TwzTransform, NotificationsAndTheRotateCentre)
{
    TwzTransform t;
    TCounter counter;
    t.OnChanged.Bind<&TCounter::Changed>(&counter);
    t.SetRotateAngle(0);
    EXPECT_EQ(counter.count, 0) << "an equal angle changes nothing";
    t.SetRotateAngle(30);
    EXPECT_EQ(counter.count, 1);
    const TwzMatrix before = t.Matrix();
    t.GetRotateCenter()->SetPoint({ 0, 0 });
    EXPECT_EQ(counter.count, 2) << "the centre notifies";
    EXPECT_EQ(t.Matrix(), before) << "but is not part of the matrix";
    t.GetPosition()->SetX(4);
    EXPECT_EQ(counter.count, 3);
    EXPECT_NEAR(t.Matrix().m31, 4, 1e-6);
    EXPECT_EQ(counter.lastSender, &t);

    TwzTransform source;
    source.SetRotateAngle(45);
    source.GetScale()->SetPoint({ 2, 2 });
    source.GetPosition()->SetPoint({ 1, 2 });
    source.GetRotateCenter()->SetPoint({ 0.25f, 0.75f });
    TCounter positionEvents;
    t.GetPosition()->OnChange.Bind<&TCounter::Changed>(&positionEvents);
    counter.count = 0;
    t.Assign(source);
    EXPECT_EQ(counter.count, 1) << "Assign recomputes once";
    EXPECT_EQ(positionEvents.count, 0) << "the values are copied without their own events";
    EXPECT_EQ(t.Matrix(), source.Matrix());
    EXPECT_EQ(t.GetRotateCenter()->GetPoint(), MakePoint(0.25f, 0.75f));
    EXPECT_EQ(t.GetRotateAngle(), 45);
}

TEST(TwzTransform, StoredFormNestsUnderItsOwner)
{
    rtl::TOwned<TValueHolder> holder(new TValueHolder(nullptr));
    holder->GetTransform()->GetPosition()->SetPoint({ 5, 0 });
    holder->GetTransform()->SetRotateAngle(30);
    EXPECT_EQ(StoredLines(*holder),
        "Transform.RotateAngle =  3.0000000000000000E+0001\n"
        "Transform.Position.Point = '(5,0)'\n");
    rtl::TOwned<TValueHolder> back(new TValueHolder(nullptr));
    std::string errors;
    streamtest::TextToComponent(streamtest::ComponentToText(*holder), *back, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(back->GetTransform()->Matrix(), holder->GetTransform()->Matrix());
    EXPECT_EQ(back->GetTransform()->GetPosition()->GetPoint(), MakePoint(5, 0));
}

} // namespace
