// The property inspector: which properties become rows and what they show, the editor each
// kind gets, writing values back (typed, chosen, through "Edit..."), conversion errors, the
// dialog keys, events with and without a designer, and objects that go away.

#include "controls/TwzLabel.h"
#include "controls/TwzPopupBox.h"
#include "controls/TwzTextBox.h"
#include "design/Design.h"
#include "design/TwzBitmapEditor.h"
#include "design/TwzBrushDesign.h"
#include "design/TwzInspector.h"
#include "design/TwzPathDataDesigner.h"
#include "design/TwzSelection.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/Locale.h"
#include "tests/controls/FakeWindowScene.h"
#include "tests/support/RtlTestClasses.h"
#include "ui2d/SceneDesignerHook.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzPathShape.h"
#include "ui2d/TwzText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using platform::ui::FakeDialogs;
using platform::ui::FontChoice;
using rtltest::TTestNode;

namespace {

// GDK key values of the keys the inspector handles.
constexpr uint32_t kKeyHome = 0xff50;
constexpr uint32_t kKeyUp = 0xff52;
constexpr uint32_t kKeyDown = 0xff54;
constexpr uint32_t kKeyEnd = 0xff57;
constexpr uint32_t kKeyReturn = 0xff0d;
constexpr uint32_t kKeyPadAdd = 0xffab;
constexpr uint32_t kKeyPadSubtract = 0xffad;

class Inspector : public FakeWindowSceneTest {
protected:
    Inspector()
        : FakeWindowSceneTest(400, 300)
    { }
    void SetUp() override
    {
        FakeWindowSceneTest::SetUp();
        rtltest::RegisterTestClasses();
        inspector = new TwzInspector(owner.get());
        inspector->SetBounds(0, 0, 400, 300);
        inspector->SetParent(root);
        inspector->LoadStyle();
        node = new TTestNode(owner.get());
        node->SetName("node");
    }
    void TearDown() override
    {
        SceneDesigner = nullptr;
        FakeDialogs::Reset();
        platform::ui::SetUserDecimalSeparator("");
        FakeWindowSceneTest::TearDown();
    }

    /// Shows `object` and lets the inspector's style and layout settle.
    void Inspect(rtl::TComponent* object)
    {
        inspector->SetSelectedObject(object);
        inspector->LoadStyle();
        app.ProcessMessages();
    }
    /// The row of a dotted path of property names ("Fill.Center.X"), or null.
    TwzTreeViewItem* Row(const std::string& path) const
    {
        TwzObject* parent = inspector->GetContent();
        TwzTreeViewItem* found = nullptr;
        size_t start = 0;
        while (parent && start <= path.size()) {
            const size_t dot = std::min(path.find('.', start), path.size());
            const std::u16string name = rtl::Utf8ToUtf16(path.substr(start, dot - start));
            found = nullptr;
            for (TwzObject* child : parent->Children())
                if (auto* item = dynamic_cast<TwzTreeViewItem*>(child); item && item->GetText() == name)
                    found = item;
            parent = found;
            start = dot + 1;
        }
        return found;
    }
    /// The names of the rows under `path` ("" for the top level), in order.
    std::vector<std::string> RowNames(const std::string& path = {}) const
    {
        std::vector<std::string> names;
        TwzObject* parent = path.empty() ? static_cast<TwzObject*>(inspector->GetContent()) : Row(path);
        if (!parent)
            return names;
        for (TwzObject* child : parent->Children())
            if (auto* item = dynamic_cast<TwzTreeViewItem*>(child))
                names.push_back(rtl::Utf16ToUtf8(item->GetText()));
        return names;
    }
    bool Listed(const std::string& path) const { return Row(path) != nullptr; }
    std::string Label(const std::string& path) const
    {
        TwzLabel* label = TwzInspector::ValueLabel(Row(path));
        return label ? rtl::Utf16ToUtf8(label->GetText()) : "<no row>";
    }
    void Select(const std::string& path) { inspector->SetSelected(Row(path)); }
    /// The editor shown over the selected row: "text", "popup", "button" or "none".
    std::string Editor() const
    {
        std::string shown = "none";
        if (inspector->GetTextEditor()->GetVisible())
            shown = "text";
        if (inspector->GetPopupEditor()->GetVisible())
            shown = shown == "none" ? "popup" : "several";
        if (inspector->GetButtonEditor()->GetVisible())
            shown = shown == "none" ? "button" : "several";
        return shown;
    }
    std::string EditorText() const { return rtl::Utf16ToUtf8(inspector->GetTextEditor()->GetText()); }
    /// Puts `text` into the open text editor as typing would, without committing it (a key on
    /// the keyboard costs a text measurement: TypeKeys is for the few tests of that road).
    void Type(const std::u16string& text) { inspector->GetTextEditor()->SetText(text); }
    /// Types `text` on the keyboard (over the selected text, so it replaces the value).
    void TypeKeys(const std::u16string& text)
    {
        auto& host = static_cast<platform::ui::FakeSceneHost&>(*scene->GetHost());
        for (char16_t unit : text) {
            platform::ui::RawKeyEvent key;
            key.keyval = unit < 0x80 ? unit : 0x01000000U | unit;
            host.InjectKey(key, rtl::Utf16ToUtf8(std::u16string(1, unit)));
            key.press = false;
            host.InjectKey(key);
        }
    }
    void Key(uint32_t keyval)
    {
        platform::ui::RawKeyEvent key;
        key.keyval = keyval;
        static_cast<platform::ui::FakeSceneHost&>(*scene->GetHost()).InjectKey(key);
        key.press = false;
        static_cast<platform::ui::FakeSceneHost&>(*scene->GetHost()).InjectKey(key);
    }
    /// Hides every property of `object` but `keep` at the next rebuild: tests of one row
    /// need not wait for the rows of the others.
    void ListOnly(const rtl::TObject& object, std::initializer_list<std::string_view> keep)
    {
        TwzWideStringList hidden;
        for (const rtl::TPropInfo* prop : object.ClassInfo().PropList())
            if (std::find(keep.begin(), keep.end(), prop->name) == keep.end())
                hidden.Add(rtl::Utf8ToUtf16(prop->name));
        inspector->SetDisabledProperties(&hidden);
    }
    TwzTreeViewItem* Selected() const { return inspector->GetSelected(); }
    std::string SelectedName() const
    {
        return Selected() ? rtl::Utf16ToUtf8(Selected()->GetText()) : std::string("<none>");
    }

    TwzInspector* inspector = nullptr;
    TTestNode* node = nullptr;
};

} // namespace

TEST_F(Inspector, ListsTheWritablePropertiesWithTheirValues)
{
    node->SetWidth(1.5F);
    node->SetCount(-42);
    node->SetBig(int64_t { 1 } << 40);
    node->SetVisible(false);
    node->SetShape(rtltest::tsTriangle);
    node->SetCorners({ rtltest::tcBottomLeft });
    node->SetLetter('q');
    node->SetCaption("héllo");
    node->SetTitle(u"wide");
    node->SetColor(0xFF102030u);
    Inspect(node);

    EXPECT_EQ(RowNames(),
        (std::vector<std::string> { "Name", "Tag", "Width", "Count", "Big", "Precise", "Visible", "Shape",
            "Corners", "Letter", "WideLetter", "Caption", "Title", "Color", "Fill", "Target", "Parent",
            "Secret" }))
        << "read-only IsHot is not listed, events are not shown by default";

    struct Case {
        const char* path;
        const char* label;
    };
    const Case cases[] = {
        { "Name", "node" },
        { "Width", "1.5" },
        { "Count", "-42" },
        { "Big", "1099511627776" },
        { "Visible", "False" },
        { "Shape", "tsTriangle" },
        { "Corners", "[tcBottomLeft]" },
        { "Letter", "q" },
        { "Caption", "héllo" },
        { "Title", "wide" },
        { "Color", "4279246896" },
        { "Fill", "TTestFill" },
        { "Fill.Style", "tsCircle" },
        { "Fill.Center", "TTestPoint" },
        { "Fill.Center.X", "0.5" },
        { "Fill.Stops", "TTestStops" },
        { "Target", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Label(c.path), c.label) << c.path;

    // Sub-objects come collapsed, their rows one level deeper.
    EXPECT_FALSE(Row("Fill")->GetIsExpanded());
    EXPECT_EQ(Row("Fill.Center.Y")->Level(), 2);
    EXPECT_FALSE(Row("Fill.Center")->GetVisible());
}

TEST_F(Inspector, LinksShowNamesOrExpandOnceAndCyclesEnd)
{
    auto* text = new TwzText(owner.get());
    text->SetResourceName("captionText");
    auto* other = new TTestNode(owner.get());
    other->SetName("other");
    other->SetCaption("far");
    node->SetTarget(other);
    other->SetTarget(node); // a cycle
    Inspect(node);
    EXPECT_EQ(Label("Target"), "TTestNode");
    EXPECT_EQ(Label("Target.Caption"), "far");
    EXPECT_EQ(Label("Target.Target"), "TTestNode") << "the cycle's end shows the class";
    EXPECT_TRUE(RowNames("Target.Target").empty()) << "the inspected object is not listed again";

    // A long chain of links ends at the depth limit.
    auto* head = new TTestNode(owner.get());
    TTestNode* last = head;
    for (int i = 0; i < 40; ++i) {
        auto* next = new TTestNode(owner.get());
        last->SetTarget(next);
        last = next;
    }
    TwzWideStringList hidden; // one row per link keeps the test quick
    for (const rtl::TPropInfo* prop : TTestNode::StaticClass().PropList())
        if (prop->name != "Target")
            hidden.Add(rtl::Utf8ToUtf16(prop->name));
    inspector->SetDisabledProperties(&hidden);
    Inspect(head);
    std::vector<TwzObject*> all;
    inspector->GetContent()->AddObjectsToList(all);
    int32_t deepest = 0;
    for (TwzObject* object : all)
        if (auto* row = dynamic_cast<TwzTreeViewItem*>(object))
            deepest = std::max(deepest, row->Level());
    EXPECT_EQ(deepest, TwzInspector::kMaxDepth);
    // A 2D object shows its Name, or its ResourceName without one, and never expands.
    TwzWideStringList onlyParent;
    for (const rtl::TPropInfo* prop : TwzLabel::StaticClass().PropList())
        if (prop->name != "Parent")
            onlyParent.Add(rtl::Utf8ToUtf16(prop->name));
    inspector->SetDisabledProperties(&onlyParent);
    root->SetName("page");
    auto* label = new TwzLabel(owner.get());
    label->SetParent(root);
    Inspect(label);
    EXPECT_EQ(RowNames(), std::vector<std::string> { "Parent" });
    EXPECT_EQ(Label("Parent"), "page");
    EXPECT_TRUE(RowNames("Parent").empty());
    text->SetParent(root);
    label->SetParent(text);
    inspector->SetSelectedObject(nullptr);
    Inspect(label);
    EXPECT_EQ(Label("Parent"), "captionText");
    inspector->SetSelectedObject(nullptr);
}

TEST_F(Inspector, EventsAreListedOnlyForTheInspectedObjectAndOnlyWhenAsked)
{
    auto* other = new TTestNode(owner.get());
    node->SetTarget(other);
    Inspect(node);
    EXPECT_FALSE(Listed("OnClick"));

    inspector->SetShowEvents(true);
    EXPECT_TRUE(Listed("OnClick"));
    EXPECT_TRUE(Listed("OnMove"));
    EXPECT_TRUE(Listed("Target.Caption"));
    EXPECT_FALSE(Listed("Target.OnClick")) << "events are listed for the selected object only";

    inspector->SetShowProperties(false);
    EXPECT_EQ(RowNames(), (std::vector<std::string> { "OnClick", "OnMove" }));
}

TEST_F(Inspector, DisabledPropertiesTakeEffectAtTheNextRebuild)
{
    Inspect(node);
    TwzWideStringList names;
    names.Add(u"Caption");
    names.Add(u"color"); // exact names only: "Color" stays
    names.Add(u"Style");
    inspector->SetDisabledProperties(&names);
    EXPECT_TRUE(Listed("Caption")) << "not before the next rebuild";

    inspector->SetShowEvents(true);
    EXPECT_FALSE(Listed("Caption"));
    EXPECT_TRUE(Listed("Color"));
    EXPECT_FALSE(Listed("Fill.Style")) << "nested rows too";
    EXPECT_TRUE(Listed("Fill.Color"));
}

TEST_F(Inspector, EachKindGetsItsEditorAndWritesTypedTextBack)
{
    node->SetCorners({});
    Inspect(node);
    struct Case {
        const char* path;
        const char* loaded;
        const char16_t* typed;
        const char* read; // the property's text form afterwards
    };
    const Case cases[] = {
        { "Count", "0", u"$1F", "31" },
        { "Big", "0", u"-5000000000", "-5000000000" },
        { "Width", "0", u"2.25", "2.25" },
        { "Precise", "0", u"1e-300", "1e-300" },
        { "Caption", "", u"new ünï", "new ünï" },
        { "Title", "", u"wide 字", "wide 字" },
        { "Corners", "[]", u"[tcTopRight, tcTopLeft]", "[tcTopLeft, tcTopRight]" },
        { "Letter", "a", u"z", "z" },
        { "WideLetter", "a", u"ж", "ж" },
        { "Fill.Color", "4278190080", u"255", "255" },
        { "Fill.Center.Y", "0.5", u"-3.5", "-3.5" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Row("Fill")->SetIsExpanded(true);
        Row("Fill.Center")->SetIsExpanded(true);
        Select(c.path);
        ASSERT_EQ(Editor(), "text");
        EXPECT_EQ(EditorText(), c.loaded);
        EXPECT_EQ(scene->GetFocused(), inspector->GetTextEditor()) << "the editor takes the focus";
        EXPECT_FALSE(TwzInspector::ValueLabel(Row(c.path))->GetVisible()) << "the editor covers the label";
        Type(c.typed);
        Key(kKeyReturn);
        rtl::TObject* holder = Row(c.path)->GetTagObject();
        EXPECT_EQ(rtl::GetPropText(*holder, Row(c.path)->GetTagString()), c.read);
        EXPECT_EQ(Label(c.path), rtl::Utf16ToUtf8(c.typed)) << "the label shows the text as typed";
    }
    EXPECT_EQ(node->GetFill()->GetCenter()->GetY(), -3.5F) << "nested values are edited in place";
}

TEST_F(Inspector, EnumerationsAndBooleansArePickedFromTheirNames)
{
    Inspect(node);
    struct Case {
        const char* path;
        std::vector<std::u16string> items;
        int32_t loaded;
        int32_t chosen;
        const char* read;
    };
    const Case cases[] = {
        { "Shape", { u"tsCircle", u"tsSquare", u"tsTriangle" }, 0, 2, "tsTriangle" },
        { "Visible", { u"False", u"True" }, 1, 0, "False" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Select(c.path);
        ASSERT_EQ(Editor(), "popup");
        TwzPopupBox* popup = inspector->GetPopupEditor();
        ASSERT_EQ(popup->GetItems()->GetCount(), static_cast<int>(c.items.size()));
        for (size_t i = 0; i < c.items.size(); ++i)
            EXPECT_EQ(popup->GetItems()->Get(static_cast<int>(i)), c.items[i]);
        EXPECT_EQ(popup->GetItemIndex(), c.loaded);
        popup->SetItemIndex(c.chosen);
        EXPECT_EQ(rtl::GetPropText(*node, c.path), c.read);
        EXPECT_EQ(Label(c.path), c.read);
    }
}

TEST_F(Inspector, ATextThatDoesNotConvertChangesNothingAndIsReported)
{
    node->SetCount(7);
    node->SetCorners({ rtltest::tcTopLeft });
    Inspect(node);
    struct Case {
        const char* path;
        const char16_t* typed;
        const char* kept;
        const char* mentioned; // in the message
    };
    const Case cases[] = {
        { "Count", u"abc", "7", "Count" }, { "Count", u"99999999999", "7", "Count" }, // out of range
        { "Width", u"1,5", "0", "Width" }, // not the user's separator
        { "Width", u"1e39", "0", "Width" }, // beyond a single float
        { "Corners", u"[tcNowhere]", "[tcTopLeft]", "Corners" }, { "Letter", u"two", "a", "Letter" },
        { "Name", u"1st", "node", "1st" }, // not an identifier: the setter refuses it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const size_t errors = app.ShownErrors().size();
        Select(c.path);
        Type(c.typed);
        Key(kKeyReturn);
        EXPECT_EQ(rtl::GetPropText(*node, c.path), c.kept);
        EXPECT_EQ(Label(c.path), c.kept) << "a refused value leaves the label as it was";
        ASSERT_EQ(app.ShownErrors().size(), errors + 1);
        EXPECT_NE(app.ShownErrors().back().find(c.mentioned), std::string::npos) << app.ShownErrors().back();
        EXPECT_EQ(EditorText(), c.kept) << "the editor shows the value again";
        Select("Tag");
        EXPECT_EQ(app.ShownErrors().size(), errors + 1) << "leaving the row reports nothing more";
    }
}

TEST_F(Inspector, FloatsAreShownAndTypedInTheUsersNotation)
{
    platform::ui::SetUserDecimalSeparator(",");
    node->SetWidth(0.1F);
    Inspect(node);
    EXPECT_EQ(Label("Width"), "0,1");
    Select("Width");
    EXPECT_EQ(EditorText(), "0,1");
    Select("Count");
    EXPECT_EQ(node->GetWidth(), 0.1F) << "committing the loaded text keeps the value";
    EXPECT_TRUE(app.ShownErrors().empty());
    Select("Width");
    Type(u"2,5");
    Select("Count");
    EXPECT_EQ(node->GetWidth(), 2.5F);
}

TEST_F(Inspector, SelectingAnotherRowCommitsTheEditorFirst)
{
    Inspect(node);
    Select("Caption");
    TypeKeys(u"typed");
    Select("Title"); // by code
    EXPECT_EQ(node->GetCaption(), "typed");
    TypeKeys(u"by click");
    TwzTreeViewItem* count = Row("Count");
    Click(*scene->GetHost(), count->LocalToAbsolute({ 20, 9 }).X, count->LocalToAbsolute({ 20, 9 }).Y);
    EXPECT_EQ(Selected(), count);
    EXPECT_EQ(node->GetTitle(), u"by click");
    EXPECT_EQ(Editor(), "text");
    EXPECT_EQ(scene->GetFocused(), inspector->GetTextEditor());

    // A popup choice is committed the same way; a row without an editor shows none.
    Select("Target");
    EXPECT_EQ(Editor(), "none");
    EXPECT_TRUE(TwzInspector::ValueLabel(Row("Shape"))->GetVisible()) << "labels come back";
}

TEST_F(Inspector, TheEditorLiesOverTheValueColumnOfItsRow)
{
    Inspect(node);
    Row("Fill")->SetIsExpanded(true);
    Select("Fill.Color");
    TwzTextBox* box = inspector->GetTextEditor();
    TwzTreeViewItem* row = Row("Fill.Color");
    const TwzRect rect = inspector->GetItemRect(row);
    EXPECT_FLOAT_EQ(box->GetPosition()->GetX(), 19 + 200);
    EXPECT_FLOAT_EQ(box->GetPosition()->GetY(), rect.Top + 1);
    EXPECT_FLOAT_EQ(box->GetHeight(), row->GetHeight() - 2);
    EXPECT_FLOAT_EQ(box->GetWidth(), inspector->GetContent()->GetWidth() - 200 - 19 - 1);
    EXPECT_EQ(box->GetTagObject(), TwzInspector::ValueLabel(row));

    // Scrolled to the last row, the editor still covers its own row.
    Select("Secret");
    ASSERT_NE(inspector->GetVScrollBar(), nullptr);
    EXPECT_FLOAT_EQ(box->GetPosition()->GetY(), inspector->GetItemRect(Row("Secret")).Top + 1);
}

TEST_F(Inspector, DialogKeysMoveBetweenRowsWhileAnEditorHasTheFocus)
{
    Inspect(node);
    Select("Shape"); // a popup: Home and End move too
    ASSERT_EQ(scene->GetFocused(), inspector->GetPopupEditor());
    struct Case {
        uint32_t key;
        const char* selected;
    };
    const Case cases[] = {
        { kKeyEnd, "Secret" },
        { kKeyDown, "Secret" }, // the last row
        { kKeyUp, "Parent" }, // a link: no editor, the tree has the keys
        { kKeyUp, "Target" },
        { kKeyUp, "Fill" },
        { kKeyUp, "Color" },
        { kKeyHome, "Color" }, // the text box keeps Home and End
        { kKeyUp, "Title" },
        { kKeyUp, "Caption" },
        { kKeyUp, "WideLetter" },
        { kKeyUp, "Letter" },
        { kKeyUp, "Corners" },
        { kKeyUp, "Shape" },
        { kKeyUp, "Visible" },
        { kKeyHome, "Name" },
        { kKeyUp, "Name" }, // the first row
        { kKeyDown, "Tag" },
    };
    for (const Case& c : cases) {
        Key(c.key);
        EXPECT_EQ(SelectedName(), c.selected) << c.key;
    }

    // A row without an editor hands the keys to the tree, so walking on by key goes on;
    // numeric + and - open and close rows either way.
    Select("Color");
    Key(kKeyDown);
    EXPECT_EQ(SelectedName(), "Fill");
    ASSERT_EQ(Editor(), "none");
    EXPECT_EQ(scene->GetFocused(), inspector);
    Key(kKeyPadAdd);
    EXPECT_TRUE(Row("Fill")->GetIsExpanded());
    Key(kKeyDown);
    EXPECT_EQ(Selected(), Row("Fill.Color"));
    EXPECT_EQ(scene->GetFocused(), inspector->GetTextEditor());
    Key(kKeyPadAdd);
    EXPECT_TRUE(Row("Fill.Color")->GetIsExpanded()) << "taken by the inspector, not typed";
    EXPECT_EQ(EditorText(), "4278190080");
    Key(kKeyPadSubtract);
    EXPECT_FALSE(Row("Fill.Color")->GetIsExpanded());
    Key(kKeyUp);
    Key(kKeyPadSubtract);
    EXPECT_FALSE(Row("Fill")->GetIsExpanded());

    // While the text box edits, Home and End stay with it.
    Select("Caption");
    Type(u"abc");
    Key(kKeyHome);
    EXPECT_EQ(SelectedName(), "Caption");
    Key(kKeyEnd);
    EXPECT_EQ(SelectedName(), "Caption");
    Key(kKeyDown);
    EXPECT_EQ(SelectedName(), "Title");
    EXPECT_EQ(node->GetCaption(), "abc") << "moving by key commits too";
}

TEST_F(Inspector, PaintValuesExpandAndGetTheEditButton)
{
    struct Case {
        TwzObject* object;
        const char* path;
        const char* shown;
        const char* child; // one of the value's own rows
    };
    const Case cases[] = {
        { new TwzBackground(owner.get()), "Fill", "TwzBrush", "Fill.Style" },
        { new TwzImage(owner.get()), "Bitmap", "TwzBitmap", nullptr },
        { new TwzPath(owner.get()), "Data", "TwzPathData", nullptr },
        { new TwzText(owner.get()), "Font", "TwzFont", "Font.Family" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string child
            = c.child ? std::string(c.child).substr(std::string(c.child).find('.') + 1) : "";
        ListOnly(*c.object, { c.path, child });
        Inspect(c.object);
        EXPECT_EQ(Label(c.path), c.shown);
        EXPECT_FALSE(Row(c.path)->GetIsExpanded());
        if (c.child) {
            EXPECT_TRUE(Listed(c.child));
        }
        Select(c.path);
        ASSERT_EQ(Editor(), "button");
        EXPECT_EQ(inspector->GetButtonEditor()->GetText(), u"Edit...");
        EXPECT_EQ(scene->GetFocused(), inspector->GetButtonEditor());
    }
    inspector->SetSelectedObject(nullptr);
}

namespace {

/// The open dialog of class T: the owner of one of the live 2D objects; null when none.
template <class T> T* OpenDialog()
{
    for (TwzObject* object : ui2d::ObjectInstances())
        if (auto* dialog = dynamic_cast<T*>(object->GetOwner()))
            return dialog;
    return nullptr;
}

} // namespace

TEST_F(Inspector, TheEditButtonRunsTheValuesEditorAndWritesBackOnlyOnOk)
{
    auto* image = new TwzImage(owner.get());
    auto* path = new TwzPath(owner.get());
    for (const bool ok : { true, false }) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        image->GetBitmap()->SetSize(40, 30);
        ListOnly(*image, { "Bitmap" });
        Inspect(image);
        Select("Bitmap");
        TwzBitmap edited(1, 1); // what the editor hands back
        app.Post([&] {
            // The user crops the picture, then closes the editor.
            TwzBitmapEditor* editor = OpenDialog<TwzBitmapEditor>();
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->Picture().GetWidth(), 40) << "loaded with the value";
            editor->trackScale->SetValue(1);
            editor->cropButtonClick(nullptr);
            ASSERT_NE(editor->CropFrame(), nullptr);
            editor->CropFrame()->SetBounds(2, 2, 10, 8);
            editor->AssignToBitmap(&edited);
            if (ok)
                editor->btnOkClick(nullptr);
            else
                editor->Button2Click(nullptr);
        });
        inspector->GetButtonEditor()->Click();
        ASSERT_LT(edited.GetWidth(), 40) << "the crop took";
        EXPECT_EQ(image->GetBitmap()->GetWidth(), ok ? edited.GetWidth() : 40);
        EXPECT_EQ(image->GetBitmap()->GetHeight(), ok ? edited.GetHeight() : 30);

        path->GetPathData()->SetData("M 0 0 L 5 5");
        const std::string before = path->GetPathData()->GetData();
        ListOnly(*path, { "Data" });
        Inspect(path);
        Select("Data");
        app.Post([&] {
            TwzPathDataDesigner* designer = OpenDialog<TwzPathDataDesigner>();
            ASSERT_NE(designer, nullptr);
            EXPECT_EQ(designer->GetPathText(), before) << "loaded with the value";
            designer->SetPathText("M 1 1 L 9 9 Z");
            if (ok)
                designer->Button2Click(nullptr);
            else
                designer->Button3Click(nullptr);
        });
        inspector->GetButtonEditor()->Click();
        TwzPathData typed;
        typed.SetData("M 1 1 L 9 9 Z");
        EXPECT_EQ(path->GetPathData()->GetData(), ok ? typed.GetData() : before);
    }
    EXPECT_EQ(OpenDialog<TwzBitmapEditor>(), nullptr) << "each run's dialog is freed";

    // The brush designer stays open beside the inspector on the brush itself.
    auto* background = new TwzBackground(owner.get());
    ListOnly(*background, { "Fill" });
    Inspect(background);
    Select("Fill");
    inspector->GetButtonEditor()->Click();
    ASSERT_NE(SharedBrushDesigner(), nullptr);
    EXPECT_EQ(SharedBrushDesigner()->GetBrush(), background->GetFill());
    EXPECT_EQ(SharedBrushDesigner()->GetBrushObject(), background);
    FreeBrushDesigner();
    inspector->SetSelectedObject(nullptr);
}

TEST_F(Inspector, TheFontButtonOpensTheFontDialogAndEditsTheFontInPlace)
{
    auto* text = new TwzText(owner.get());
    text->GetFont()->SetFamily("DejaVu Sans");
    text->GetFont()->SetSize(16);
    text->GetFont()->SetStyle(wzFontItalic);
    ListOnly(*text, { "Font" });
    Inspect(text);
    Select("Font");
    ASSERT_EQ(Editor(), "button");
    EXPECT_EQ(inspector->GetButtonEditor()->GetText(), u"Edit...");

    FakeDialogs::SetFontAnswer([](const FontChoice&) -> std::optional<FontChoice> { return std::nullopt; });
    inspector->GetButtonEditor()->Click();
    ASSERT_TRUE(FakeDialogs::LastFont().has_value());
    EXPECT_EQ(FakeDialogs::LastFont()->family, "DejaVu Sans");
    EXPECT_FLOAT_EQ(FakeDialogs::LastFont()->size, 12) << "16 pixels are 12 points";
    EXPECT_EQ(FakeDialogs::LastFont()->style, 2);
    EXPECT_EQ(text->GetFont()->GetFamily(), "DejaVu Sans") << "cancelled: unchanged";

    TwzFont* before = text->GetFont();
    FakeDialogs::SetFontAnswer([](const FontChoice&) -> std::optional<FontChoice> {
        return FontChoice { "DejaVu Serif", 18, 1 };
    });
    inspector->GetButtonEditor()->Click();
    EXPECT_EQ(text->GetFont(), before);
    EXPECT_EQ(text->GetFont()->GetFamily(), "DejaVu Serif");
    EXPECT_FLOAT_EQ(text->GetFont()->GetSize(), 24);
    EXPECT_EQ(text->GetFont()->GetStyle(), wzFontBold);
    inspector->SetSelectedObject(nullptr);
}

namespace {

/// A designer that knows the published handlers of one form.
class FormDesigner : public ui2d::SceneDesignerHook {
public:
    explicit FormDesigner(rtl::TObject& form)
        : m_form(form)
    { }
    std::string MethodName(const rtl::TEventBase& event) override
    {
        return std::string(rtl::HandlerNameFor(event, m_form));
    }
    ui2d::DesignerMethod FindMethod(const std::string& name, const void* signature) override
    {
        asked.push_back(name);
        const rtl::TMethodInfo* method = m_form.ClassInfo().FindMethod(name);
        if (!method || method->signature != signature)
            return {};
        return { &m_form, method };
    }
    std::vector<std::string> asked;

private:
    rtl::TObject& m_form;
};

} // namespace

TEST_F(Inspector, EventsTakeHandlersByNameOnlyThroughADesigner)
{
    auto* form = new rtltest::TTestForm(owner.get());
    inspector->SetShowEvents(true);
    Inspect(node);

    // Without a designer the row shows and accepts nothing.
    Select("OnClick");
    ASSERT_EQ(Editor(), "text");
    EXPECT_EQ(EditorText(), "");
    Type(u"ButtonClick");
    Select("Caption");
    EXPECT_FALSE(node->OnClick.Assigned());
    EXPECT_EQ(Label("OnClick"), "");

    FormDesigner designer(*form);
    SceneDesigner = &designer;
    struct Case {
        const char* path;
        const char16_t* typed;
        bool assigned;
        const char* label;
    };
    const Case cases[] = {
        { "OnClick", u"ButtonClick", true, "ButtonClick" },
        { "OnMove", u"ButtonClick", false, "" }, // another signature
        { "OnMove", u"NodeMove", true, "NodeMove" },
        { "OnClick", u"Nowhere", false, "ButtonClick" }, // unknown: the event is cleared
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rtl::Utf16ToUtf8(c.typed));
        Select(c.path);
        Type(c.typed);
        Select("Caption");
        const rtl::TEventBase& event = std::string(c.path) == "OnClick"
            ? static_cast<const rtl::TEventBase&>(node->OnClick)
            : static_cast<const rtl::TEventBase&>(node->OnMove);
        EXPECT_EQ(event.Assigned(), c.assigned);
        EXPECT_EQ(Label(c.path), c.label);
    }

    // The bound handler runs, and a rebuild shows its name from the designer.
    Select("OnClick");
    Type(u"OtherClick");
    Select("Caption");
    node->OnClick(node);
    EXPECT_EQ(form->clicks.size(), 1U);
    inspector->SetShowProperties(false);
    EXPECT_EQ(Label("OnClick"), "OtherClick");
    Select("OnClick");
    EXPECT_EQ(EditorText(), "OtherClick");
}

TEST_F(Inspector, ObjectsFreedWhileShownLeaveNoRowsBehind)
{
    auto* other = new TTestNode(owner.get());
    node->SetTarget(other);
    Inspect(node);
    Row("Target")->SetIsExpanded(true);
    Select("Target.Caption");
    ASSERT_EQ(Editor(), "text");
    other->Free(); // the node hears of it too and drops its link
    EXPECT_EQ(Editor(), "none") << "the freed object's rows edit nothing more";
    Select("Target.Count");
    EXPECT_EQ(Editor(), "none");
    Type(u"5");
    Select("Caption");

    node->Free();
    node = nullptr;
    EXPECT_EQ(inspector->GetSelectedObject(), nullptr);
    EXPECT_EQ(inspector->GetCount(), 0);
    EXPECT_EQ(Editor(), "none");
}

TEST_F(Inspector, IsADesignToolWithThreeHiddenSharedEditors)
{
    RegisterDesignTools();
    EXPECT_EQ(rtl::FindClass("twzinspector"), &TwzInspector::StaticClass());
    const auto categories = Object2DCategoryList();
    EXPECT_TRUE(std::any_of(categories.begin(), categories.end(), [](const ui2d::CategoryEntry& e) {
        return e.category == "Design" && e.classInfo == &TwzInspector::StaticClass();
    }));

    EXPECT_EQ(inspector->GetResource(), "treeviewstyle");
    EXPECT_FALSE(inspector->GetHideSelectionUnfocused());
    for (TwzVisualObject* editor : { static_cast<TwzVisualObject*>(inspector->GetTextEditor()),
             static_cast<TwzVisualObject*>(inspector->GetPopupEditor()),
             static_cast<TwzVisualObject*>(inspector->GetButtonEditor()) }) {
        EXPECT_EQ(editor->GetResourceName(), "inspectorEditor");
        EXPECT_FALSE(editor->GetStored());
        EXPECT_FALSE(editor->GetVisible());
        EXPECT_TRUE(editor->GetDisableFocusEffect());
        EXPECT_EQ(editor->GetParent(), inspector->GetContent());
    }
    EXPECT_EQ(inspector->GetCount(), 0) << "the editors are no rows";
}
