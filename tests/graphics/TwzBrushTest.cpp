#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "tests/graphics/FakeResources.h"
#include "tests/graphics/StreamHelpers.h"

#include "tests/support/ChangeCounter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using TCounter = testsupport::TChangeCounter;

// A component owning a fill and a stroke brush (with the canvas's defaults) and a font.
class TPaintHolder : public rtl::TComponent {
    RTL_CLASS(TPaintHolder, rtl::TComponent)
public:
    explicit TPaintHolder(rtl::TComponent* owner)
        : rtl::TComponent(owner)
        , m_fill(std::make_unique<TwzBrush>(wzBrushSolid, 0xFFFFFFFF))
        , m_stroke(std::make_unique<TwzBrush>(wzBrushSolid, 0xFF000000))
        , m_font(std::make_unique<TwzFont>())
    { }
    TwzBrush* GetFill() const { return m_fill.get(); }
    void SetFill(TwzBrush* v) { m_fill->Assign(*v); }
    TwzBrush* GetStroke() const { return m_stroke.get(); }
    void SetStroke(TwzBrush* v) { m_stroke->Assign(*v); }
    TwzFont* GetFont() const { return m_font.get(); }
    void SetFont(TwzFont* v) { m_font->Assign(*v); }

private:
    std::unique_ptr<TwzBrush> m_fill;
    std::unique_ptr<TwzBrush> m_stroke;
    std::unique_ptr<TwzFont> m_font;
};

constexpr rtl::TPropInfo kPaintHolderProps[] = {
    RTL_PROP(TPaintHolder, Fill, Class, rtl::kNoDefault),
    RTL_PROP(TPaintHolder, Stroke, Class, rtl::kNoDefault),
    RTL_PROP(TPaintHolder, Font, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TPaintHolder, .props = kPaintHolderProps)

namespace {

std::string StoredLines(TPaintHolder& holder)
{
    return streamtest::PropertyLines(streamtest::ComponentToText(holder));
}

// ---- brush ----------------------------------------------------------------------------------

TEST(TwzBrush, StoresOnlyThePartOfItsStyle)
{
    struct Case {
        const char* name;
        std::function<void(TPaintHolder&)> change;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        { "untouched brushes store nothing", [](TPaintHolder&) {}, {}, { "Fill", "Stroke" } },
        { "a solid colour off its default stores Color only",
            [](TPaintHolder& h) { h.GetFill()->SetSolidColor(0xFF000000); }, { "Fill.Color = '#FF000000'" },
            { "Fill.Style", "Fill.Gradient", "Stroke" } },
        { "the stroke's default is black", [](TPaintHolder& h) { h.GetStroke()->SetSolidColor(0xFF000000); },
            {}, { "Stroke" } },
        { "a gradient stores Style and Gradient, not Color",
            [](TPaintHolder& h) {
                h.GetFill()->SetSolidColor(0xFF000000);
                h.GetFill()->SetStyle(wzBrushGradient);
            },
            { "Fill.Style = wzBrushGradient", "Fill.Gradient.Points = <" }, { "Fill.Color", "Fill.Bitmap" } },
        { "a bitmap brush stores its picture settings",
            [](TPaintHolder& h) {
                h.GetFill()->SetStyle(wzBrushBitmap);
                h.GetFill()->GetBitmap()->SetWrapMode(wzWrapTileStretch);
            },
            { "Fill.Style = wzBrushBitmap", "Fill.Bitmap.WrapMode = wzWrapTileStretch" },
            { "Fill.Gradient" } },
        { "a resource brush stores the name, never the link",
            [](TPaintHolder& h) {
                h.GetFill()->SetStyle(wzBrushResource);
                h.GetFill()->GetResource()->SetResourceName("Accent");
            },
            { "Fill.Style = wzBrushResource", "Fill.Resource.ResourceName = 'Accent'" },
            { "Fill.Resource.Resource " } },
        { "no brush at all", [](TPaintHolder& h) { h.GetStroke()->SetStyle(wzBrushNone); },
            { "Stroke.Style = wzBrushNone" }, { "Stroke.Color" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::TOwned<TPaintHolder> holder(new TPaintHolder(nullptr));
        c.change(*holder);
        const std::string text = StoredLines(*holder);
        for (const std::string& s : c.present)
            EXPECT_NE(text.find(s), std::string::npos) << s << " in\n" << text;
        for (const std::string& s : c.absent)
            EXPECT_EQ(text.find(s), std::string::npos) << s << " in\n" << text;

        rtl::TOwned<TPaintHolder> back(new TPaintHolder(nullptr));
        std::string errors;
        streamtest::TextToComponent(streamtest::ComponentToText(*holder), *back, &errors);
        EXPECT_EQ(errors, "");
        EXPECT_EQ(StoredLines(*back), text) << "reads back to the same stored form";
    }
}

TEST(TwzBrush, SettersNotifyOnChangeOnly)
{
    TwzBrush brush(wzBrushSolid, 0xFFFFFFFF);
    TCounter counter;
    brush.OnChanged.Bind<&TCounter::Changed>(&counter);
    brush.SetColor("#FFFFFFFF");
    brush.SetSolidColor(0xFFFFFFFF);
    brush.SetStyle(wzBrushSolid);
    EXPECT_EQ(counter.count, 0);
    brush.SetColor("Red");
    EXPECT_EQ(brush.GetColor(), "#FFFF0000");
    brush.SetStyle(wzBrushGradient);
    EXPECT_EQ(counter.count, 2);

    // Every content notifies through the brush, with the brush as sender.
    brush.GetGradient()->SetStyle(wzRadialGradient);
    brush.GetBitmap()->SetWrapMode(wzWrapTileOriginal);
    brush.GetVisual()->SetVisualObject(nullptr); // unchanged: nothing
    EXPECT_EQ(counter.count, 4);
    EXPECT_EQ(counter.lastSender, &brush);
}

TEST(TwzBrush, ColourTextOnAGradientBrushAlsoSetsTheFirstStop)
{
    TwzBrush brush(wzBrushSolid, 0xFFFFFFFF);
    brush.SetColor("#FF00FF00");
    EXPECT_EQ(brush.GetGradient()->GetPoints()->GetPoint(0)->ColorValue(), 0xFF000000u)
        << "only gradient brushes pass it on";
    brush.SetStyle(wzBrushGradient);
    brush.SetColor("#FF0000FF");
    EXPECT_EQ(brush.GetGradient()->GetPoints()->GetPoint(0)->ColorValue(), 0xFF0000FFu);
    EXPECT_EQ(brush.StoredSolidColor(), 0xFF0000FFu);
}

TEST(TwzBrush, SwitchingTheStyleBackRestoresTheContent)
{
    TwzBrush brush(wzBrushSolid, 0xFFFFFFFF);
    brush.SetStyle(wzBrushGradient);
    brush.GetGradient()->GetPoints()->Add(0xFFFF0000, 0.5f);
    brush.SetStyle(wzBrushSolid);
    brush.SetStyle(wzBrushGradient);
    EXPECT_EQ(brush.GetGradient()->GetPoints()->Count(), 3);
}

TEST(TwzBrush, AssignTakesDefaultsStyleAndOnlyThatContent)
{
    TwzBrush source(wzBrushNone, 0xFF123456);
    source.SetStyle(wzBrushGradient);
    source.GetGradient()->GetPoints()->Add(0xFFFF0000, 0.5f);
    source.GetBitmap()->SetWrapMode(wzWrapTileStretch);

    TwzBrush target(wzBrushSolid, 0xFFFFFFFF);
    TCounter counter;
    target.OnChanged.Bind<&TCounter::Changed>(&counter);
    target.Assign(source);
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(target.GetStyle(), wzBrushGradient);
    EXPECT_EQ(target.DefaultStyle(), wzBrushNone) << "the store rules come along";
    EXPECT_EQ(target.DefaultColor(), 0xFF123456u);
    EXPECT_EQ(target.StoredSolidColor(), 0xFF123456u);
    EXPECT_EQ(target.GetGradient()->GetPoints()->Count(), 3);
    EXPECT_EQ(target.GetBitmap()->GetWrapMode(), wzWrapTile) << "the contents of other styles stay";

    TwzFont font;
    EXPECT_THROW(target.Assign(font), rtl::ConvertError);
}

class TwzBrushLinks : public FakeResourcesTest { };

TEST_F(TwzBrushLinks, ResourceBrushPaintsWithTheResourceColour)
{
    rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "Accent"));
    object->brush = new TwzBrush(wzBrushSolid, 0xFFFFFFFF);
    object->brush->SetSolidColor(0xFFFF0000);

    TwzBrush brush(wzBrushSolid, 0xFFFFFFFF);
    brush.SetSolidColor(0xFF00FF00);
    brush.SetStyle(wzBrushResource);
    EXPECT_EQ(brush.GetSolidColor(), 0xFF00FF00u) << "no name: the stored colour";
    brush.GetResource()->SetResourceName("accent");
    EXPECT_EQ(brush.GetSolidColor(), 0xFFFF0000u);
    EXPECT_EQ(brush.GetResource()->GetResource(), object.get());

    TwzBrush target(wzBrushSolid, 0xFFFFFFFF);
    target.Assign(brush);
    EXPECT_EQ(target.StoredSolidColor(), 0xFFFF0000u) << "resolved to the effective colour";
    EXPECT_EQ(target.GetStyle(), wzBrushResource);
    EXPECT_EQ(target.GetResource()->GetResource(), object.get()) << "with the same link";
    EXPECT_EQ(target.GetResource()->GetResourceName(), "Accent");

    brush.SetStyle(wzBrushSolid);
    EXPECT_EQ(brush.GetSolidColor(), 0xFF00FF00u) << "other styles paint their own colour";
}

TEST_F(TwzBrushLinks, ChainsOfResourcesAreFollowedAndCyclesEnd)
{
    rtl::TOwned<TFakeResourceObject> a(new TFakeResourceObject(nullptr, "A"));
    rtl::TOwned<TFakeResourceObject> b(new TFakeResourceObject(nullptr, "B"));
    a->brush = new TwzBrush(wzBrushResource, 0xFF0000AA);
    a->brush->GetResource()->SetResourceName("B");
    b->brush = new TwzBrush(wzBrushSolid, 0xFF0000BB);

    TwzBrush brush(wzBrushResource, 0xFF000001);
    brush.GetResource()->SetResourceName("A");
    EXPECT_EQ(brush.GetSolidColor(), 0xFF0000BBu) << "through A to B";

    // B now points back at A: the chain never ends by itself.
    b->brush->SetStyle(wzBrushResource);
    b->brush->GetResource()->SetResourceName("A");
    const TwzColor c = brush.GetSolidColor();
    EXPECT_TRUE(c == 0xFF0000AAu || c == 0xFF0000BBu) << std::hex << c;
}

TEST_F(TwzBrushLinks, BrushResourceLinkClearsWhenTheObjectDiesAndIsFoundAgain)
{
    TwzBrushResource resource;
    TCounter counter;
    resource.OnChanged.Bind<&TCounter::Changed>(&counter);
    resource.SetResourceName("Accent");
    EXPECT_EQ(resource.GetBrush(), nullptr);

    auto* first = new TFakeResourceObject(nullptr, "Accent");
    first->brush = new TwzBrush(wzBrushSolid, 0xFF111111);
    EXPECT_EQ(resource.GetBrush(), first->brush);
    first->Free();
    EXPECT_EQ(resource.GetResource(), nullptr);
    EXPECT_EQ(resource.GetResourceName(), "Accent");

    rtl::TOwned<TFakeResourceObject> second(new TFakeResourceObject(nullptr, "Accent"));
    second->brush = new TwzBrush(wzBrushSolid, 0xFF222222);
    EXPECT_EQ(resource.GetBrush(), second->brush);
    resource.SetResource(nullptr);
    EXPECT_EQ(resource.GetResourceName(), "Accent") << "unlinking keeps the name";
    EXPECT_EQ(counter.count, 0) << "the brush resource notifies nobody";

    rtl::TOwned<TFakeResourceObject> notABrush(new TFakeResourceObject(nullptr, "Path"));
    resource.SetResource(notABrush.get());
    EXPECT_EQ(resource.GetResource(), nullptr) << "only brush resources link";

    {
        TwzBrushResource shortLived;
        shortLived.SetResource(second.get());
        EXPECT_EQ(second->freeNotifies.size(), 1u);
    }
    EXPECT_TRUE(second->freeNotifies.empty()) << "a dying brush resource unregisters";
}

TEST_F(TwzBrushLinks, VisualLinkNotifiesOnceAndClearsQuietly)
{
    rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "Panel"));
    TwzBrush brush(wzBrushVisual, 0);
    TCounter counter;
    brush.OnChanged.Bind<&TCounter::Changed>(&counter);
    brush.GetVisual()->SetVisualObject(object.get());
    brush.GetVisual()->SetVisualObject(object.get());
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(object->freeNotifies.size(), 1u);

    TwzBrush copy(wzBrushSolid, 0);
    copy.Assign(brush);
    EXPECT_EQ(copy.GetVisual()->GetVisualObject(), object.get());
    EXPECT_EQ(object->freeNotifies.size(), 2u);

    object.reset();
    EXPECT_EQ(brush.GetVisual()->GetVisualObject(), nullptr);
    EXPECT_EQ(copy.GetVisual()->GetVisualObject(), nullptr);
    EXPECT_EQ(counter.count, 1) << "cleared without an event";
}

TEST_F(TwzBrushLinks, VisualObjectIsStoredByName)
{
    rtl::TOwned<TPaintHolder> holder(new TPaintHolder(nullptr));
    auto* target = new TFakeResourceObject(holder.get(), "");
    target->SetName("Panel");
    holder->GetFill()->SetStyle(wzBrushVisual);
    holder->GetFill()->GetVisual()->SetVisualObject(target);
    const std::string text = streamtest::ComponentToText(*holder);
    EXPECT_NE(text.find("Fill.Visual.VisualObject = Panel"), std::string::npos) << text;
}

// ---- font -----------------------------------------------------------------------------------

TEST(TwzFont, StoresOnlyWhatDiffersFromItsDefaults)
{
    struct Case {
        const char* name;
        std::function<void(TwzFont&)> change;
        std::string stored;
    };
    const Case cases[] = {
        { "defaults", [](TwzFont&) {}, "" },
        { "size", [](TwzFont& f) { f.SetSize(10.5f); }, "Font.Size =  1.0500000000000000E+0001\n" },
        { "family", [](TwzFont& f) { f.SetFamily("DejaVu Sans"); }, "Font.Family = 'DejaVu Sans'\n" },
        { "style", [](TwzFont& f) { f.SetStyle(wzFontBoldItalic); }, "Font.Style = wzFontBoldItalic\n" },
        { "back to the defaults",
            [](TwzFont& f) {
                f.SetSize(20);
                f.SetSize(11);
                f.SetFamily("Tahoma");
            },
            "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtl::TOwned<TPaintHolder> holder(new TPaintHolder(nullptr));
        c.change(*holder->GetFont());
        EXPECT_EQ(StoredLines(*holder), c.stored);
        rtl::TOwned<TPaintHolder> back(new TPaintHolder(nullptr));
        streamtest::TextToComponent(streamtest::ComponentToText(*holder), *back);
        EXPECT_EQ(back->GetFont()->GetSize(), holder->GetFont()->GetSize());
        EXPECT_EQ(back->GetFont()->GetFamily(), holder->GetFont()->GetFamily());
        EXPECT_EQ(back->GetFont()->GetStyle(), holder->GetFont()->GetStyle());
    }
}

TEST(TwzFont, NotifiesOnChangeAndAssignOnce)
{
    TwzFont font;
    TCounter counter;
    font.OnChanged.Bind<&TCounter::Changed>(&counter);
    font.SetSize(11);
    font.SetFamily("Tahoma");
    font.SetStyle(wzFontRegular);
    EXPECT_EQ(counter.count, 0);
    font.SetSize(12);
    font.SetFamily("Liberation Sans");
    font.SetStyle(wzFontBold);
    EXPECT_EQ(counter.count, 3);

    TwzFont other;
    other.SetSize(30);
    font.Assign(other);
    EXPECT_EQ(counter.count, 4);
    EXPECT_EQ(font.GetSize(), 30);
    EXPECT_EQ(font.GetFamily(), "Tahoma");
    EXPECT_EQ(font.GetStyle(), wzFontRegular);

    TwzBrush brush(wzBrushSolid, 0);
    EXPECT_THROW(font.Assign(brush), rtl::ConvertError);
}

} // namespace
