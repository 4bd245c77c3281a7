#include "tests/support/RtlTestClasses.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"

#include <gtest/gtest.h>

using namespace rtl;
using namespace rtltest;

namespace {

class Properties : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTestClasses();
        form.reset(new TTestForm(nullptr));
        form->SetName("Form");
        node = MakeNode(form.get(), form.get(), "Node");
        other = MakeNode(form.get(), form.get(), "Other");
    }
    TOwned<TTestForm> form;
    TTestNode* node = nullptr;
    TTestNode* other = nullptr;
};

// Each kind's text form: what a value reads back as, and what text it refuses.
TEST_F(Properties, TextFormsRoundTripThroughEveryKind)
{
    struct Case {
        const char* path;
        const char* text;
        const char* expected; // nullptr: refused with ConvertError
    };
    const Case cases[] = {
        { "Width", "2.5", "2.5" },
        { "Width", "0.1", "0.1" }, // shortest in float precision, not 0.10000000149011612
        { "Width", " -3 ", "-3" },
        { "Width", "1e40", nullptr }, // beyond Single
        { "Width", "abc", nullptr },
        { "Precise", "0.1", "0.1" },
        { "Count", "$10", "16" },
        { "Count", "-2147483648", "-2147483648" },
        { "Count", "2147483648", nullptr },
        { "Count", "12x", nullptr },
        { "Big", "9007199254740993", "9007199254740993" },
        { "Visible", "false", "False" },
        { "Visible", "TRUE", "True" },
        { "Visible", "yes", nullptr },
        { "Shape", "TSSQUARE", "tsSquare" },
        { "Shape", "tsHexagon", nullptr },
        { "Corners", "[tcBottomLeft, tcTopLeft]", "[tcTopLeft, tcBottomLeft]" },
        { "Corners", " [ ] ", "[]" },
        { "Corners", "[tcNone]", nullptr },
        { "Corners", "[tcTopLeft,]", nullptr },
        { "Corners", "tcTopLeft", nullptr },
        { "Letter", "z", "z" },
        { "Letter", "zz", nullptr },
        { "Letter", "é", "é" }, // one byte, shown as its Windows-1252 character
        { "Letter", "€", "€" }, // the byte 0x80
        { "Letter", "\x81", "\xC2\x81" }, // an unassigned byte: the control character of that number
        { "Letter", "Ж", nullptr }, // no byte for it
        { "WideLetter", "é", "é" },
        { "Caption", "Hello wörld", "Hello wörld" },
        { "Title", "Привет", "Привет" },
        { "Color", "$FF00FF00", "4278255360" },
        { "Color", "-1", "4294967295" },
        { "Target", "other", "Other" }, // a component of the same owner, by name
        { "Target", "Nobody", nullptr },
        { "Target", "", "" },
        { "Fill.Color", "7", "7" },
        { "Fill.Style", "tsTriangle", "tsTriangle" },
        { "Fill.Center.X", "0.25", "0.25" },
        { "Name", "Renamed", "Renamed" },
        { "Name", "Other", nullptr }, // a sibling has it
        { "IsHot", "True", nullptr }, // read-only
        { "Fill", "x", nullptr }, // a sub-object has no text form
        { "NoSuchProperty", "1", nullptr },
        { "Fill.NoSuch", "1", nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " = '" + c.text + "'");
        if (c.expected) {
            ASSERT_NO_THROW(SetPropText(*node, c.path, c.text));
            EXPECT_EQ(GetPropText(*node, c.path), c.expected);
        } else {
            EXPECT_THROW(SetPropText(*node, c.path, c.text), Exception);
        }
    }
}

TEST_F(Properties, RefusedTextNamesTheProperty)
{
    try {
        SetPropText(*node, "Shape", "tsHexagon");
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("Shape"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("tsHexagon"), std::string::npos) << e.what();
    }
    EXPECT_EQ(node->GetShape(), tsCircle);
}

TEST_F(Properties, ReadOnlyAndSubObjectPropertiesAreReadable)
{
    node->SetCount(11);
    EXPECT_EQ(GetPropText(*node, "IsHot"), "True");
    EXPECT_EQ(GetPropText(*node, "Fill"), "(TTestFill)");
    EXPECT_EQ(std::get<TObject*>(GetPropValue(*node, "Fill")), node->GetFill());
    EXPECT_EQ(GetPropText(*node, "Parent"), "Form");
}

// A value must fit the property's type exactly; nothing changes when it does not.
TEST_F(Properties, ValuesMustFitThePropertyType)
{
    struct Case {
        const char* path;
        TValue value;
        bool accepted;
    };
    TTestFill fill;
    const Case cases[] = {
        { "Width", int64_t { 3 }, true }, // integers widen to floats
        { "Width", std::string("3"), false },
        { "Count", 1.5, false },
        { "Count", int64_t { 1 } << 40, false },
        { "Count", true, true },
        { "Big", int64_t { 1 } << 40, true },
        { "Visible", int64_t { 2 }, false },
        { "Shape", int64_t { 3 }, false }, // beyond the names
        { "Shape", int64_t { 2 }, true },
        { "Corners", int64_t { 1 } << 4, false },
        { "Corners", int64_t { 0b1010 }, true },
        { "Letter", int64_t { 256 }, false },
        { "Caption", std::u16string(u"wide"), true },
        { "Title", std::string("narrow"), true },
        { "Color", int64_t { -1 }, true }, // the 32-bit pattern of a colour
        { "Color", int64_t { 1 } << 32, false },
        { "Target", static_cast<TObject*>(&fill), false }, // not a TTestNode
        { "Target", static_cast<TObject*>(nullptr), true },
        { "Fill", static_cast<TObject*>(node), false },
        { "IsHot", true, false },
        { "Nowhere", int64_t { 1 }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TPropTarget t = ResolveProp(*node, c.path);
        const TValue before = t ? GetPropValue(*t.object, *t.prop) : TValue {};
        EXPECT_EQ(SetPropValue(*node, c.path, c.value), c.accepted);
        if (!c.accepted && t) {
            EXPECT_EQ(GetPropValue(*t.object, *t.prop), before);
        }
    }
    EXPECT_EQ(node->GetWidth(), 3.0f);
    EXPECT_EQ(node->GetCaption(), "wide");
    EXPECT_EQ(node->GetTitle(), u"narrow");
    EXPECT_EQ(node->GetColor(), 0xFFFFFFFFu);
    EXPECT_EQ(node->GetCorners(), (TTestCorners { tcTopRight, tcBottomRight }));
}

TEST_F(Properties, SubObjectAssignmentGoesThroughTheSetter)
{
    TTestFill fill;
    fill.SetColor(42);
    EXPECT_TRUE(SetPropValue(*node, "Fill", static_cast<TObject*>(&fill)));
    EXPECT_EQ(node->GetFill()->GetColor(), 42u);
    EXPECT_NE(node->GetFill(), &fill); // copied, never adopted
    EXPECT_FALSE(SetPropValue(*node, "Fill", static_cast<TObject*>(nullptr)));
}

TEST_F(Properties, PathsGoThroughSubObjectsAndOwnedComponents)
{
    // "Node" is owned by the form, so the form reaches it by name as a path component.
    struct Case {
        const char* path;
        TObject* holder;
        const char* prop;
    };
    const Case cases[] = {
        { "Width", form.get(), "Width" },
        { "fill.COLOR", form->GetFill(), "Color" },
        { "Fill.Center.Y", form->GetFill()->GetCenter(), "Y" },
        { "Node.Width", node, "Width" },
        { "node.Fill.Center.X", node->GetFill()->GetCenter(), "X" },
        { "Fill . Style", form->GetFill(), "Style" },
        { "Nobody.Width", nullptr, nullptr },
        { "Width.X", nullptr, nullptr }, // a number has no parts
        { "Fill.", nullptr, nullptr },
        { "", nullptr, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TPropTarget t = ResolveProp(*form, c.path);
        EXPECT_EQ(t.object, c.prop ? c.holder : nullptr);
        EXPECT_EQ(t.prop ? t.prop->name : std::string_view {}, c.prop ? c.prop : "");
    }
    // Resolved once, set many times (what an animation does).
    TPropTarget t = ResolveProp(*form, "Node.Width");
    for (int i = 1; i <= 3; ++i)
        SetPropValue(*t.object, *t.prop, static_cast<double>(i));
    EXPECT_EQ(node->GetWidth(), 3.0f);
}

TEST(ClassInfo, LookupIgnoresCaseAndWalksTheParents)
{
    const TClassInfo& form = TTestForm::StaticClass();
    EXPECT_EQ(form.FindProp("WIDTH"), TTestNode::StaticClass().FindProp("Width"));
    EXPECT_EQ(form.FindProp("name")->name, "Name");
    EXPECT_EQ(form.FindProp("Wid"), nullptr);
    EXPECT_EQ(form.FindEvent("onclick")->name, "OnClick");
    EXPECT_EQ(form.FindMethod("BUTTONCLICK")->name, "ButtonClick");
    EXPECT_EQ(TTestNode::StaticClass().FindMethod("ButtonClick"), nullptr);
    EXPECT_EQ(form.parent, &TTestNode::StaticClass());
    EXPECT_TRUE(form.InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(TTestNode::StaticClass().InheritsFrom(form));
}

TEST(ClassInfo, PropertiesListAncestorsFirstInDeclarationOrder)
{
    std::vector<std::string_view> names;
    for (const TPropInfo* p : TTestForm::StaticClass().PropList())
        names.push_back(p->name);
    const std::vector<std::string_view> expected { "Name", "Tag", "Width", "Count", "Big", "Precise",
        "Visible", "Shape", "Corners", "Letter", "WideLetter", "Caption", "Title", "Color", "Fill", "Target",
        "Parent", "IsHot", "Secret" };
    EXPECT_EQ(names, expected);
}

TEST(ClassInfo, DeclaredTypeNamesForTheInspector)
{
    struct Case {
        const char* prop;
        const char* type;
    };
    const Case cases[] = {
        { "Width", "Single" },
        { "Precise", "Double" },
        { "Count", "Integer" },
        { "Big", "Int64" },
        { "Visible", "Boolean" },
        { "Shape", "rtltest::TTestShape" },
        { "Corners", "rtltest::TTestCorners" },
        { "Letter", "Char" },
        { "WideLetter", "WideChar" },
        { "Caption", "string" },
        { "Title", "WideString" },
        { "Color", "TwzColor" },
        { "Fill", "TTestFill" },
        { "Target", "TTestNode" },
        { "Tag", "Int64" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prop);
        EXPECT_EQ(TTestNode::StaticClass().FindProp(c.prop)->DeclaredTypeName(), c.type);
    }
}

TEST_F(Properties, StoredOnlyWhenDifferentFromTheDefaultAndAllowed)
{
    for (const TPropInfo* p : node->ClassInfo().PropList()) {
        SCOPED_TRACE(p->name);
        EXPECT_EQ(p->IsStored(*node), p->kind == TPropKind::Class) << "a fresh node stores nothing";
    }
    const TClassInfo& cls = node->ClassInfo();
    node->SetWidth(0.2f); // default given as the double 0.0 compares in float precision
    EXPECT_TRUE(cls.FindProp("Width")->IsStored(*node));
    node->SetWidth(0);
    EXPECT_FALSE(cls.FindProp("Width")->IsStored(*node));
    node->SetCorners({});
    EXPECT_TRUE(cls.FindProp("Corners")->IsStored(*node));
    node->SetColor(0xFF000000);
    EXPECT_FALSE(cls.FindProp("Color")->IsStored(*node));
    node->SetSecret("x");
    EXPECT_TRUE(cls.FindProp("Secret")->IsStored(*node));
    node->SetVisible(false); // the stored predicate
    EXPECT_FALSE(cls.FindProp("Secret")->IsStored(*node));
    EXPECT_FALSE(cls.FindProp("Parent")->IsStored(*node)) << "never stored";
    node->SetTarget(other);
    EXPECT_TRUE(cls.FindProp("Target")->IsStored(*node));
    node->SetCount(20);
    EXPECT_FALSE(cls.FindProp("IsHot")->IsStored(*node)) << "read-only";
}

TEST(ClassRegistry, FindsClassesByNameIgnoringCase)
{
    RegisterTestClasses();
    EXPECT_EQ(FindClass("ttestnode"), &TTestNode::StaticClass());
    EXPECT_EQ(FindClass("TTestNodeX"), nullptr);
    EXPECT_EQ(FindClass(""), nullptr);
    // Abstract classes and non-components are registered but cannot be created.
    EXPECT_EQ(FindClass("TTestAbstract")->create, nullptr);
    EXPECT_EQ(FindClass("TTestFill")->create, nullptr);
    EXPECT_NE(FindClass("TTestStop")->createItem, nullptr);
    TOwned<TComponent> made(FindClass("TTestForm")->create(nullptr));
    EXPECT_EQ(made->ClassName(), "TTestForm");
}

TEST(ClassRegistry, CategoriesKeepRegistrationOrderAndRepeats)
{
    RegisterClass<TTestForm>("Registry test");
    RegisterClass<TTestNode>("REGISTRY TEST");
    RegisterClass<TTestForm>("Registry test");
    const std::vector<const TClassInfo*> expected { &TTestForm::StaticClass(), &TTestNode::StaticClass(),
        &TTestForm::StaticClass() };
    EXPECT_EQ(ClassesInCategory("registry test"), expected);
    EXPECT_TRUE(ClassesInCategory("Nothing here").empty());
}

TEST(ClassRegistry, ANameTakenByAnotherClassIsRefused)
{
    RegisterTestClasses();
    static const TClassInfo impostor { .name = "TTESTNODE" };
    EXPECT_THROW(RegisterClass(impostor), Exception);
    EXPECT_EQ(FindClass("TTestNode"), &TTestNode::StaticClass());
}

} // namespace
