#include "tests/support/RtlTestClasses.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/ValueStream.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

using namespace rtl;
using namespace rtltest;

namespace {

// Everything a stream should carry, as text: properties of every kind, sub-objects,
// collection items, events and binary data, then the children, depth first.
void DescribeObject(TObject& object, const std::string& prefix, std::string& out)
{
    for (const TPropInfo* p : object.ClassInfo().PropList()) {
        if (p->kind == TPropKind::Class) {
            auto* sub = std::get<TObject*>(p->get(object));
            if (auto* stops = dynamic_cast<TTestStops*>(sub)) {
                out += prefix + std::string(p->name) + " = <" + std::to_string(stops->Count()) + ">\n";
                for (int i = 0; i < stops->Count(); ++i)
                    DescribeObject(*stops->GetItem(i), prefix + "  item.", out);
            } else if (sub) {
                DescribeObject(*sub, prefix + std::string(p->name) + ".", out);
            }
            continue;
        }
        out += prefix + std::string(p->name) + " = " + GetPropText(object, *p) + "\n";
    }
    for (const TEventInfo* e : object.ClassInfo().EventList()) {
        const TEventBase& ev = e->access(object);
        const auto* target = dynamic_cast<TComponent*>(ev.Target());
        out += prefix + std::string(e->name) + " = "
            + (target ? target->GetName() + "." + std::string(HandlerNameFor(ev, *target)) : "") + "\n";
    }
}

std::string Describe(TTestNode& node, int depth = 0)
{
    std::string out
        = std::string(depth * 2, ' ') + std::string(node.ClassName()) + " " + node.GetName() + "\n";
    DescribeObject(node, std::string(depth * 2 + 2, ' '), out);
    out += std::string(depth * 2 + 2, ' ') + "Data = " + std::to_string(node.data.size()) + " bytes\n";
    for (TTestNode* child : node.Children())
        out += Describe(*child, depth + 1);
    return out;
}

std::vector<uint8_t> Write(TComponent& root)
{
    TMemoryStream stream;
    WriteComponentToStream(stream, root);
    return { stream.Bytes().begin(), stream.Bytes().end() };
}

// Reads `bytes` as a new root; the reader's errors are collected.
struct ReadResult {
    TOwned<TComponent> root;
    std::vector<std::string> errors;
};

ReadResult Read(const std::vector<uint8_t>& bytes, bool absorb = true)
{
    ReadResult result;
    TConstMemoryStream stream(bytes.data(), bytes.size());
    TReader reader(stream);
    reader.OnError = [&](TReader&, const std::string& message, bool& handled) {
        result.errors.push_back(message);
        handled = absorb;
    };
    result.root.reset(reader.ReadRootComponent(nullptr));
    return result;
}

// The property names stored for the root object of a stream.
std::vector<std::string> RootPropertyNames(const std::vector<uint8_t>& bytes)
{
    TConstMemoryStream stream(bytes.data(), bytes.size());
    TValueReader r(stream);
    r.ReadSignature();
    r.ReadObjectHeader();
    std::vector<std::string> names;
    while (!r.EndOfList()) {
        names.push_back(r.ReadStr());
        r.SkipValue();
    }
    return names;
}

class ComponentStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTestClasses();
        TTestNode::loadedLog.clear();
    }

    // A form with a bit of everything.
    TOwned<TTestForm> MakeForm()
    {
        TOwned<TTestForm> form(new TTestForm(nullptr));
        form->SetName("MainForm");
        form->SetCaption("Main");
        TTestNode* panel = MakeNode(form.get(), form.get(), "Panel");
        TTestNode* button = MakeNode(form.get(), panel, "Button");
        TTestNode* label = MakeNode(form.get(), panel, "Label");
        MakeNode(form.get(), form.get(), "Empty");

        panel->SetWidth(120.5f);
        panel->SetCount(-40000);
        panel->SetBig(int64_t { 1 } << 40);
        panel->SetPrecise(0.1);
        panel->SetVisible(false);
        panel->SetShape(tsTriangle);
        panel->SetCorners({ tcBottomLeft, tcBottomRight });
        panel->SetLetter('\x80'); // a byte that is not UTF-8 on its own
        panel->SetWideLetter(u'\u20AC');
        panel->SetCaption(std::string(255, 'x'));
        panel->SetTitle(u"Gr\u00fc\u00dfe \u20AC");
        panel->SetColor(0x80FF0000);
        panel->SetSecret("not stored: panel is invisible");
        panel->GetFill()->SetColor(0x12345678);
        panel->GetFill()->GetCenter()->SetX(0.25f);
        auto* stop = static_cast<TTestStop*>(panel->GetFill()->GetStops()->Add());
        stop->SetOffset(0.5f);
        stop->SetColor(0xFF00FF00);
        stop->SetTarget(label); // a link inside a collection item
        panel->GetFill()->GetStops()->Add();
        panel->data = { 0x00, 0xFF, 0x10 };

        button->SetCaption(std::string(256, 'y')); // the long string code
        button->SetSecret("stored");
        button->SetTarget(label); // a link to a later sibling
        button->OnClick.Bind<&TTestForm::ButtonClick>(form.get());
        button->OnMove.Bind<&TTestForm::NodeMove>(form.get());
        label->SetTarget(form.get()); // a link to the root
        label->SetTitle(u"\u0416");
        form->SetTarget(button);
        return form;
    }
};

TEST_F(ComponentStream, ATreeReadBackEqualsTheOriginal)
{
    TOwned<TTestForm> form = MakeForm();
    const std::vector<uint8_t> bytes = Write(*form);
    // The panel is invisible, so its Secret is not stored (its stored predicate).
    static_cast<TTestNode*>(form->FindComponent("Panel"))->SetSecret("");
    const std::string original = Describe(*form);
    ReadResult back = Read(bytes);
    ASSERT_TRUE(back.root);
    EXPECT_TRUE(back.errors.empty()) << back.errors.front();
    auto* copy = dynamic_cast<TTestForm*>(back.root.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Describe(*copy), original);

    // Links point into the new tree, events at the new form.
    TTestNode* button = static_cast<TTestNode*>(copy->FindComponent("Button"));
    TTestNode* label = static_cast<TTestNode*>(copy->FindComponent("Label"));
    ASSERT_TRUE(button && label);
    EXPECT_EQ(button->GetTarget(), label);
    EXPECT_EQ(label->GetTarget(), copy);
    EXPECT_EQ(
        static_cast<TTestNode*>(copy->FindComponent("Panel"))->GetFill()->GetStops()->Stop(0)->GetTarget(),
        label);
    button->OnClick(button);
    button->OnMove(button, 1, 2);
    EXPECT_EQ(copy->clicks, (std::vector<std::string> { "Button:Button", "Move:1,2" }));
    EXPECT_TRUE(form->clicks.empty());
}

TEST_F(ComponentStream, OnlyValuesThatDifferFromTheirDefaultsAreStored)
{
    // A collection has no default: it is always stored, also when empty.
    TOwned<TTestForm> form(new TTestForm(nullptr));
    EXPECT_EQ(RootPropertyNames(Write(*form)), std::vector<std::string> { "Fill.Stops" });

    form->SetWidth(3);
    form->SetVisible(false);
    form->GetFill()->GetCenter()->SetY(1); // the sub-object's own pseudo-property
    form->GetFill()->SetStyle(tsSquare);
    form->data = { 1 };
    EXPECT_EQ(RootPropertyNames(Write(*form)),
        (std::vector<std::string> {
            "Width", "Visible", "Fill.Style", "Fill.Center.Point", "Fill.Stops", "Data" }));
}

TEST_F(ComponentStream, AnEmptyCollectionIsStoredSoReadingClearsDefaultItems)
{
    TOwned<TTestForm> form(new TTestForm(nullptr));
    ReadResult back = Read(Write(*form));
    auto* copy = static_cast<TTestForm*>(back.root.get());
    copy->GetFill()->GetStops()->Add();
    ReadResult again = Read(Write(*form));
    EXPECT_EQ(static_cast<TTestForm*>(again.root.get())->GetFill()->GetStops()->Count(), 0);
    // Reading into an object whose constructor made items: the stream's (none) replace them.
    TOwned<TTestForm> target(new TTestForm(nullptr));
    target->GetFill()->GetStops()->Add();
    std::vector<uint8_t> bytes = Write(*form);
    TConstMemoryStream stream(bytes.data(), bytes.size());
    ReadComponentFromStream(stream, target.get());
    EXPECT_EQ(target->GetFill()->GetStops()->Count(), 0);
}

TEST_F(ComponentStream, UnstoredChildrenAreLeftOut)
{
    TOwned<TTestForm> form(new TTestForm(nullptr));
    MakeNode(form.get(), form.get(), "Kept");
    MakeNode(form.get(), form.get(), "Generated")->stored = false;
    MakeNode(form.get(), form.get(), "AlsoKept");
    ReadResult back = Read(Write(*form));
    std::vector<std::string> names;
    for (TTestNode* child : static_cast<TTestForm*>(back.root.get())->Children())
        names.push_back(child->GetName());
    EXPECT_EQ(names, (std::vector<std::string> { "Kept", "AlsoKept" }));
}

TEST_F(ComponentStream, LoadedRunsOnceOnEveryComponentInReadOrderAfterTheLinks)
{
    TOwned<TTestForm> form = MakeForm();
    TTestNode::loadedLog.clear();
    ReadResult back = Read(Write(*form));
    EXPECT_EQ(
        TTestNode::loadedLog, (std::vector<std::string> { "MainForm", "Panel", "Button", "Label", "Empty" }));
    for (TComponent* c : back.root->Components())
        EXPECT_FALSE(
            c->GetComponentState().Contains(csLoading) || c->GetComponentState().Contains(csReading));
    EXPECT_FALSE(back.root->IsLoading());
}

// Writes a stream by hand: root TTestForm "F" with the given property writer and children.
std::vector<uint8_t> HandMade(
    const std::function<void(TValueWriter&)>& props, const std::function<void(TValueWriter&)>& children = {})
{
    TMemoryStream s;
    TValueWriter w(s);
    w.WriteSignature();
    w.WriteObjectHeader({ 0, 0, "TTestForm", "F" });
    props(w);
    w.WriteListEnd();
    if (children)
        children(w);
    w.WriteListEnd();
    return { s.Bytes().begin(), s.Bytes().end() };
}

TEST_F(ComponentStream, WhatTheReaderCannotApplyIsSkippedAndReported)
{
    const std::vector<uint8_t> bytes = HandMade(
        [](TValueWriter& w) {
            w.WriteStr("Unknown");
            w.WriteListBegin();
            w.WriteInteger(1);
            w.WriteListBegin();
            w.WriteString("nested");
            w.WriteListEnd();
            w.WriteListEnd();
            w.WriteStr("Width"); // a string for a float
            w.WriteString("wide");
            w.WriteStr("Shape");
            w.WriteIdent("tsHexagon");
            w.WriteStr("Count"); // does not fit 32 bits
            w.WriteInteger(int64_t { 1 } << 40);
            w.WriteStr("IsHot"); // read-only
            w.WriteBoolean(true);
            w.WriteStr("Fill.Nothing.Color");
            w.WriteInteger(1);
            w.WriteStr("OnClick");
            w.WriteIdent("NodeMove"); // another signature
            w.WriteStr("Fill.Center.Point"); // a defined value of the wrong kind
            w.WriteInteger(7);
            w.WriteStr("Precise"); // not a number
            w.WriteFloat(std::numeric_limits<double>::quiet_NaN());
            w.WriteStr("Width"); // beyond Single
            w.WriteFloat(1e300);
            w.WriteStr("Caption"); // still read after all that
            w.WriteString("ok");
        },
        [](TValueWriter& w) {
            w.WriteObjectHeader({ 0, 0, "TNoSuchClass", "Ghost" });
            w.WriteStr("Width");
            w.WriteFloat(1);
            w.WriteListEnd();
            w.WriteObjectHeader({ 0, 0, "TTestNode", "GhostChild" });
            w.WriteListEnd();
            w.WriteListEnd();
            w.WriteListEnd();
            w.WriteObjectHeader({ 0, 0, "TTestAbstract", "Abstract" });
            w.WriteListEnd();
            w.WriteListEnd();
            w.WriteObjectHeader({ 0, 0, "TTestNode", "Real" });
            w.WriteListEnd();
            w.WriteListEnd();
        });
    ReadResult back = Read(bytes);
    auto* form = static_cast<TTestForm*>(back.root.get());
    EXPECT_EQ(form->GetCaption(), "ok");
    EXPECT_EQ(form->GetWidth(), 0);
    EXPECT_EQ(form->GetPrecise(), 0);
    EXPECT_EQ(form->GetShape(), tsCircle);
    EXPECT_EQ(form->GetCount(), 0);
    EXPECT_FALSE(form->OnClick);
    EXPECT_EQ(form->GetFill()->GetCenter()->GetX(), 0.5f);
    ASSERT_EQ(form->Children().size(), 1u);
    EXPECT_EQ(form->Children()[0]->GetName(), "Real");
    EXPECT_EQ(form->GetComponentCount(), 1) << "nothing of the skipped objects is left";
    const std::vector<std::string> expected {
        "Error reading F.Unknown: Property Unknown does not exist",
        "Error reading F.Width: Invalid property value",
        "Error reading F.Shape: Invalid property value tsHexagon",
        "Error reading F.Count: Invalid property value",
        "Error reading F.IsHot: Property IsHot is read-only",
        "Error reading F.Fill.Nothing.Color: Property Fill.Nothing.Color does not exist",
        "Error reading F.OnClick: Invalid event handler NodeMove",
        "Error reading F.Fill.Center.Point: Invalid property value",
        "Error reading F.Precise: Invalid property value",
        "Error reading F.Width: Invalid property value",
        "Class TNoSuchClass not found",
        "Class TTestAbstract is abstract",
    };
    EXPECT_EQ(back.errors, expected);

    // The same stream with errors not absorbed stops at the first one.
    try {
        Read(bytes, /*absorb=*/false);
        FAIL();
    } catch (const ReadError& e) {
        EXPECT_STREQ(e.what(), "Error reading F.Unknown: Property Unknown does not exist");
    }
}

TEST_F(ComponentStream, DottedPathsReachOwnedComponentsByName)
{
    // Reading into an existing form that owns a named component: "Label.Width" sets it.
    TOwned<TTestForm> form(new TTestForm(nullptr));
    TTestNode* label = MakeNode(form.get(), nullptr, "Label");
    const std::vector<uint8_t> bytes = HandMade([](TValueWriter& w) {
        w.WriteStr("label.Width");
        w.WriteFloat(12);
        w.WriteStr("Label.Fill.Center.Point");
        w.WriteString("3,4");
    });
    TConstMemoryStream stream(bytes.data(), bytes.size());
    ReadComponentFromStream(stream, form.get());
    EXPECT_EQ(label->GetWidth(), 12);
    EXPECT_EQ(label->GetFill()->GetCenter()->GetY(), 4);
    EXPECT_EQ(form->GetName(), "F");
}

TTestForm* g_otherForm = nullptr;

TComponent* FindOtherForm(std::string_view name)
{
    return g_otherForm && SameText(g_otherForm->GetName(), name) ? g_otherForm : nullptr;
}

TEST_F(ComponentStream, LinksAreFixedUpByNameAfterTheWholeTree)
{
    TOwned<TTestForm> otherForm(new TTestForm(nullptr));
    otherForm->SetName("OtherForm");
    MakeNode(otherForm.get(), otherForm.get(), "Inner");
    g_otherForm = otherForm.get();
    SetFindGlobalComponent(&FindOtherForm);
    struct Case {
        const char* link;
        TComponent* expected;
    };
    const Case cases[] = {
        { "LATER", nullptr }, // ASCII case ignored, a sibling read after the link (checked below)
        { "F", nullptr }, // the root itself
        { "otherform.INNER", otherForm->FindComponent("Inner") }, // a component of another form
        { "OtherForm", otherForm.get() },
        { "Nobody", nullptr },
        { "Later.", nullptr },
        { ".Later", nullptr },
        { "OtherForm.Nobody", nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        const std::vector<uint8_t> bytes = HandMade(
            [&](TValueWriter& w) {
                w.WriteStr("Target");
                w.WriteIdent(c.link);
            },
            [](TValueWriter& w) {
                w.WriteObjectHeader({ 0, 0, "TTestNode", "Later" });
                w.WriteListEnd();
                w.WriteListEnd();
            });
        ReadResult back = Read(bytes);
        auto* form = static_cast<TTestForm*>(back.root.get());
        TComponent* expected = c.expected;
        if (std::string_view(c.link) == "LATER")
            expected = form->FindComponent("Later");
        if (std::string_view(c.link) == "F")
            expected = form;
        EXPECT_EQ(form->GetTarget(), expected);
        EXPECT_TRUE(back.errors.empty());
    }
    SetFindGlobalComponent(nullptr);
    g_otherForm = nullptr;
}

// A collection read twice in one stream: the first items go with their links still
// waiting for their targets; those links must be forgotten, not applied to freed items.
TEST_F(ComponentStream, LinksOfCollectionItemsReadOverAreForgotten)
{
    const auto items = [](TValueWriter& w, bool withLink) {
        w.WriteStr("Fill.Stops");
        w.WriteCollectionBegin();
        w.WriteCollectionItemBegin();
        if (withLink) {
            w.WriteStr("Target");
            w.WriteIdent("Later");
        }
        w.WriteListEnd();
        w.WriteListEnd();
    };
    const std::vector<uint8_t> bytes = HandMade(
        [&](TValueWriter& w) {
            items(w, true);
            items(w, false);
        },
        [](TValueWriter& w) {
            w.WriteObjectHeader({ 0, 0, "TTestNode", "Later" });
            w.WriteListEnd();
            w.WriteListEnd();
        });
    ReadResult back = Read(bytes);
    TTestStops* stops = static_cast<TTestForm*>(back.root.get())->GetFill()->GetStops();
    ASSERT_EQ(stops->Count(), 1);
    EXPECT_EQ(stops->Stop(0)->GetTarget(), nullptr);
}

TEST_F(ComponentStream, TheNameHookCanDropEveryName)
{
    TOwned<TTestForm> form = MakeForm();
    const std::vector<uint8_t> bytes = Write(*form);
    TConstMemoryStream stream(bytes.data(), bytes.size());
    TReader reader(stream);
    reader.OnSetName = [](TReader&, TComponent*, std::string& name) { name.clear(); };
    TOwned<TComponent> copy(reader.ReadRootComponent(nullptr));
    EXPECT_EQ(copy->GetName(), "");
    EXPECT_EQ(copy->GetComponentCount(), 4);
    for (TComponent* c : copy->Components())
        EXPECT_EQ(c->GetName(), "");
    // Links by name find nothing once names are gone.
    EXPECT_EQ(static_cast<TTestForm*>(copy.get())->GetTarget(), nullptr);
}

TEST_F(ComponentStream, DuplicateNamesAreReportedAndLeftEmpty)
{
    const std::vector<uint8_t> bytes = HandMade([](TValueWriter&) {},
        [](TValueWriter& w) {
            for (int i = 0; i < 2; ++i) {
                w.WriteObjectHeader({ 0, 0, "TTestNode", "Twin" });
                w.WriteListEnd();
                w.WriteListEnd();
            }
        });
    ReadResult back = Read(bytes);
    ASSERT_EQ(back.root->GetComponentCount(), 2);
    EXPECT_EQ(back.root->GetComponent(0)->GetName(), "Twin");
    EXPECT_EQ(back.root->GetComponent(1)->GetName(), "");
    EXPECT_EQ(back.errors, std::vector<std::string> { "A component named Twin already exists" });
}

TEST_F(ComponentStream, ReadRootHeaderNamesTheClassWithoutCreatingAnything)
{
    TOwned<TTestForm> form = MakeForm();
    const std::vector<uint8_t> bytes = Write(*form);
    TConstMemoryStream stream(bytes.data(), bytes.size());
    TReader reader(stream);
    const TObjectHeader header = reader.ReadRootHeader();
    EXPECT_EQ(header.className, "TTestForm");
    EXPECT_EQ(header.objectName, "MainForm");
    EXPECT_EQ(header.flags, 0);

    const std::vector<uint8_t> unknown = { 'T', 'P', 'F', '0', 3, 'T', 'N', 'o', 0, 0, 0 };
    EXPECT_THROW(Read(unknown), ReadError);
    const std::vector<uint8_t> noSignature = { 'T', 'P', 'F', '1', 0 };
    try {
        Read(noSignature);
        FAIL();
    } catch (const ReadError& e) {
        EXPECT_STREQ(e.what(), "Illegal stream image");
    }
}

// ---- damaged streams ------------------------------------------------------------------

// Every prefix of a valid stream is a damaged stream: each must fail with ReadError or, when
// only trailing bytes after a complete root are missing, read; never crash or leak.
TEST_F(ComponentStream, EveryTruncationFailsCleanly)
{
    TOwned<TTestForm> form = MakeForm();
    const std::vector<uint8_t> bytes = Write(*form);
    for (size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(Read(cut), ReadError);
    }
}

TEST_F(ComponentStream, EveryTruncationIntoAnExistingRootLeavesItUsable)
{
    TOwned<TTestForm> form = MakeForm();
    const std::vector<uint8_t> bytes = Write(*form);
    for (size_t n = 8; n < bytes.size(); n += 7) {
        SCOPED_TRACE(n);
        TOwned<TTestForm> target(new TTestForm(nullptr));
        TConstMemoryStream stream(bytes.data(), n);
        TTestNode::loadedLog.clear();
        EXPECT_THROW(ReadComponentFromStream(stream, target.get()), ReadError);
        EXPECT_FALSE(target->IsLoading());
        EXPECT_FALSE(target->GetComponentState().Contains(csReading));
        // Untouched when the root's header was cut, else named and given its Loaded().
        if (TTestNode::loadedLog.empty())
            EXPECT_EQ(target->GetName(), "");
        else
            EXPECT_EQ(TTestNode::loadedLog.front(), "MainForm");
        // What survived is consistent: every owned component is in the tree or stands alone.
        for (TComponent* c : target->Components())
            EXPECT_FALSE(c->IsLoading());
        Describe(*target); // walks the tree: ASan catches anything freed but still linked
    }
}

// A length or count that claims more than the stream holds, a value code that does not
// exist, a 0 where a value must be: ReadError, and nothing allocated for the claim.
TEST_F(ComponentStream, CorruptLengthsAndCodesRaiseReadError)
{
    struct Case {
        const char* name;
        std::function<void(TValueWriter&, TStream&)> write;
    };
    const auto raw = [](TStream& s, std::initializer_list<uint8_t> b) {
        std::vector<uint8_t> v(b);
        s.WriteBuffer(v.data(), v.size());
    };
    const Case cases[] = {
        { "huge long string",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Caption");
                raw(s, { vaLString, 0xFF, 0xFF, 0xFF, 0x7F });
            } },
        { "huge UTF-16 string",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Title");
                raw(s, { vaWString, 0xFF, 0xFF, 0xFF, 0xFF });
            } },
        { "huge binary",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Data");
                raw(s, { vaBinary, 0x00, 0x00, 0x00, 0x80, 1, 2 });
            } },
        { "huge unknown value",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Unknown");
                raw(s, { vaBinary, 0xFF, 0xFF, 0xFF, 0xFF });
            } },
        { "unknown value code",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Unknown");
                raw(s, { 200, 1, 2, 3 });
            } },
        { "unknown code for a known property",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Width");
                raw(s, { 22 });
            } },
        { "end of list where a value must be",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Unknown");
                raw(s, { vaNull });
            } },
        { "collection item without its list",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Fill.Stops");
                raw(s, { vaCollection, vaInt8, 0, vaInt8, 5 });
            } },
        { "short string past the end",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Caption");
                raw(s, { vaString, 200, 'a' });
            } },
        { "property name past the end",
            [&](TValueWriter&, TStream& s) {
                raw(s, { 250, 'W', 'i' });
            } },
        { "lists nested without end",
            [&](TValueWriter& w, TStream& s) {
                w.WriteStr("Unknown");
                for (int i = 0; i < 100000; ++i)
                    raw(s, { vaList });
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream s;
        TValueWriter w(s);
        w.WriteSignature();
        w.WriteObjectHeader({ 0, 0, "TTestForm", "F" });
        c.write(w, s);
        std::vector<uint8_t> bytes(s.Bytes().begin(), s.Bytes().end());
        bytes.push_back(0); // end of properties
        bytes.push_back(0); // end of children
        EXPECT_THROW(Read(bytes), ReadError);
    }
}

TEST_F(ComponentStream, ObjectsNestedTooDeeplyRaiseReadError)
{
    TMemoryStream s;
    TValueWriter w(s);
    w.WriteSignature();
    w.WriteObjectHeader({ 0, 0, "TTestForm", "" });
    w.WriteListEnd();
    constexpr int kDepth = 100000;
    for (int i = 0; i < kDepth; ++i) {
        w.WriteObjectHeader({ 0, 0, "TTestNode", "" });
        w.WriteListEnd();
    }
    for (int i = 0; i <= kDepth; ++i)
        w.WriteListEnd();
    std::vector<uint8_t> bytes(s.Bytes().begin(), s.Bytes().end());
    EXPECT_THROW(Read(bytes), ReadError);
    // Unknown classes are skipped recursively: the same limit holds there.
    TMemoryStream u;
    TValueWriter uw(u);
    uw.WriteSignature();
    uw.WriteObjectHeader({ 0, 0, "TTestForm", "" });
    uw.WriteListEnd();
    for (int i = 0; i < kDepth; ++i) {
        uw.WriteObjectHeader({ 0, 0, "TGone", "" });
        uw.WriteListEnd();
    }
    for (int i = 0; i <= kDepth; ++i)
        uw.WriteListEnd();
    std::vector<uint8_t> unknown(u.Bytes().begin(), u.Bytes().end());
    EXPECT_THROW(Read(unknown), ReadError);
}

} // namespace
