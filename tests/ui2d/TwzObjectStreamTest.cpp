#include "Ui2dTestClasses.h"

#include "graphics/ObjectText.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

// A component that is not a 2D object, to check that the 2D creators refuse it.
class TPlainComponent : public rtl::TComponent {
    RTL_CLASS(TPlainComponent, rtl::TComponent)
public:
    explicit TPlainComponent(rtl::TComponent* owner)
        : rtl::TComponent(owner)
    { }
};

} // namespace

RTL_IMPLEMENT_CLASS(TPlainComponent)

namespace {

class TwzObjectStream : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        rtl::RegisterClass<TPlainComponent>();
    }

    static TTestObject* Make(rtl::TComponent* owner, const std::string& name, TwzObject* parent)
    {
        auto* o = new TTestObject(owner);
        o->SetName(name);
        if (parent)
            o->SetParent(parent);
        return o;
    }

    static std::string AsText(TwzObject& object)
    {
        rtl::TMemoryStream text;
        object.SaveObjectAsText(text);
        return std::string(reinterpret_cast<const char*>(text.Memory()), static_cast<size_t>(text.GetSize()));
    }

    /// The "object ..." header lines of an object text, trimmed.
    static std::vector<std::string> Headers(const std::string& text)
    {
        std::vector<std::string> headers;
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            const size_t start = line.find_first_not_of(' ');
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (start != std::string::npos && line.compare(start, 7, "object ") == 0)
                headers.push_back(line.substr(start));
        }
        return headers;
    }

    static std::unique_ptr<rtl::TMemoryStream> Binary(const std::string& text)
    {
        rtl::TMemoryStream input;
        input.WriteBuffer(text.data(), text.size());
        input.SetPosition(0);
        auto binary = std::make_unique<rtl::TMemoryStream>();
        ObjectTextToStream(input, *binary);
        binary->SetPosition(0);
        return binary;
    }

    static std::vector<std::string> ChildNames(const TwzObject& object)
    {
        std::vector<std::string> names;
        for (TwzObject* c : object.Children())
            names.push_back(c->GetName());
        return names;
    }
};

TEST_F(TwzObjectStream, SavingWritesAnUnnamedRootAndOnlyStoredChildren)
{
    rtl::TOwned<TTestObject> button(Make(nullptr, "Button1", nullptr));
    button->SetCaption("OK");
    Make(button.get(), "x", button.get());
    TTestObject* hidden = Make(button.get(), "hidden", button.get());
    hidden->SetStored(false);
    auto* content = new TFakeContent(button.get());
    content->SetName("content");
    content->SetParent(button.get());
    Make(button.get(), "c1", content);
    Make(button.get(), "c2", content)->SetStored(false);
    Make(button.get(), "c3", content);
    Make(button.get(), "y", button.get());

    const std::string text = AsText(*button);
    EXPECT_EQ(button->GetName(), "Button1");
    // The content container's stored children come at its parent's level, before it.
    EXPECT_EQ(Headers(text),
        (std::vector<std::string> { "object TTestObject", "object x: TTestObject", "object c1: TTestObject",
            "object c3: TTestObject", "object content: TFakeContent", "object y: TTestObject" }));
    EXPECT_NE(text.find("Caption = 'OK'"), std::string::npos);
}

TEST_F(TwzObjectStream, LoadingClearsNamesAndSkipsWhatItCannotApply)
{
    std::unique_ptr<rtl::TMemoryStream> stream = Binary("object Panel: TTestObject\n"
                                                        "  Caption = 'hello'\n"
                                                        "  Bogus = 5\n"
                                                        "  Value = 'not a number'\n"
                                                        "  ResourceName = 'panel'\n"
                                                        "  object Child: TTestObject\n"
                                                        "    Value = 7\n"
                                                        "  end\n"
                                                        "  object Unknown: TNoSuchClass\n"
                                                        "    Value = 1\n"
                                                        "  end\n"
                                                        "end\n");
    rtl::TOwned<TTestObject> target(Make(nullptr, "Target", nullptr));
    target->LoadObjectFromStream(*stream);

    EXPECT_EQ(target->GetCaption(), "hello");
    EXPECT_EQ(target->GetValue(), 0);
    EXPECT_EQ(target->GetResourceName(), "panel");
    EXPECT_EQ(target->GetName(), "");
    ASSERT_EQ(target->GetChildCount(), 1);
    auto* child = dynamic_cast<TTestObject*>(target->GetChild(0));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->GetName(), "");
    EXPECT_EQ(child->GetValue(), 7);
    EXPECT_EQ(child->GetOwner(), target.get());
}

TEST_F(TwzObjectStream, LoadingADamagedStreamRaisesAndKeepsTheTargetWhole)
{
    std::unique_ptr<rtl::TMemoryStream> full
        = Binary("object P: TTestObject\n  Caption = 'abc'\n  object C: TTestObject\n  end\nend\n");
    for (int64_t size = 0; size < full->GetSize(); ++size) {
        SCOPED_TRACE(size);
        rtl::TConstMemoryStream cut(full->Memory(), static_cast<size_t>(size));
        rtl::TOwned<TTestObject> target(Make(nullptr, "T", nullptr));
        EXPECT_THROW(target->LoadObjectFromStream(cut), rtl::ReadError);
        // A child whose read did not finish is not kept half-built.
        for (TwzObject* c : target->Children())
            EXPECT_FALSE(c->IsLoading());
    }
}

TEST_F(TwzObjectStream, CloneCopiesClassStoredPropertiesAndStoredChildren)
{
    rtl::TOwned<TTestObject> owner(Make(nullptr, "owner", nullptr));
    rtl::TOwned<TTestObject> parent(Make(nullptr, "parent", nullptr));
    TTestObject* original = Make(nullptr, "Original", parent.get());
    original->SetCaption("caption");
    original->SetValue(42);
    original->SetResourceName("style");
    original->SetBindingName("bound");
    TTestObject* kid = Make(original, "kid", original);
    kid->SetValue(3);
    Make(original, "grandkid", kid);
    Make(original, "temporary", original)->SetStored(false);

    TwzObject* cloned = original->CloneObject(owner.get());
    ASSERT_NE(cloned, nullptr);
    auto* clone = dynamic_cast<TTestObject*>(cloned);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetOwner(), owner.get());
    EXPECT_EQ(clone->GetParent(), nullptr);
    EXPECT_EQ(clone->GetName(), "");
    EXPECT_EQ(clone->GetCaption(), "caption");
    EXPECT_EQ(clone->GetValue(), 42);
    EXPECT_EQ(clone->GetResourceName(), "style");
    EXPECT_EQ(clone->GetBindingName(), "bound");
    ASSERT_EQ(ChildNames(*clone), (std::vector<std::string> { "" }));
    auto* clonedKid = dynamic_cast<TTestObject*>(clone->GetChild(0));
    ASSERT_NE(clonedKid, nullptr);
    EXPECT_EQ(clonedKid->GetValue(), 3);
    EXPECT_EQ(clonedKid->GetChildCount(), 1);
    EXPECT_EQ(clonedKid->GetOwner(), clone);
    // The original is untouched.
    EXPECT_EQ(original->GetName(), "Original");
    EXPECT_EQ(original->GetChildCount(), 2);
}

TEST_F(TwzObjectStream, CloneLetsReadErrorsThroughAndLeavesNothingBehind)
{
    rtl::TOwned<TTestObject> original(Make(nullptr, "Original", nullptr));
    original->StoreFragileUnchecked("boom"); // a value its own setter refuses when read back
    const int live = ui2d::ObjectInstanceCount();
    EXPECT_THROW((void)original->CloneObject(nullptr), rtl::Exception);
    EXPECT_EQ(ui2d::ObjectInstanceCount(), live);
}

TEST_F(TwzObjectStream, CreatorsAnswerNullOrWhatTheyCouldRead)
{
    const std::string good
        = "object Root: TTestObject\n  Caption = 'r'\n  object Kid: TTestObject\n  end\nend\n";
    struct Case {
        const char* name;
        std::string text;
        bool expectObject;
    };
    const Case cases[] = {
        { "a 2D object tree", good, true },
        { "an unknown root class", "object Root: TNoSuchClass\nend\n", false },
        { "a component that is not a 2D object", "object Root: TPlainComponent\nend\n", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<rtl::TMemoryStream> stream = Binary(c.text);
        rtl::TOwned<TwzObject> created(Create2DObjectFromStream(nullptr, *stream));
        EXPECT_EQ(created != nullptr, c.expectObject);
        if (created) {
            EXPECT_EQ(created->GetName(), "");
            EXPECT_EQ(created->GetChildCount(), 1);
        }
    }

    // Every truncation of a good stream: null, or the part read before the damage.
    std::unique_ptr<rtl::TMemoryStream> full = Binary(good);
    for (int64_t size = 0; size < full->GetSize(); ++size) {
        SCOPED_TRACE(size);
        rtl::TConstMemoryStream cut(full->Memory(), static_cast<size_t>(size));
        rtl::TOwned<TwzObject> created(Create2DObjectFromStream(nullptr, cut));
        if (created) {
            EXPECT_FALSE(created->IsLoading());
        }
    }
}

TEST_F(TwzObjectStream, TextCreatorRoundTripsASubtree)
{
    rtl::TOwned<TTestObject> root(Make(nullptr, "Root", nullptr));
    root->SetCaption("top");
    // Unnamed children, as every object read back has them.
    Make(root.get(), "", root.get())->SetValue(-5);
    Make(root.get(), "", root.get())->SetCaption("second");
    const std::string text = AsText(*root);

    rtl::TMemoryStream input;
    input.WriteBuffer(text.data(), text.size());
    input.SetPosition(0);
    rtl::TOwned<TwzObject> copy(Create2DObjectFromTextStream(nullptr, input));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(AsText(*copy), text);

    rtl::TMemoryStream broken;
    const std::string bad = "object Root: TTestObject\n  Caption = \n";
    broken.WriteBuffer(bad.data(), bad.size());
    broken.SetPosition(0);
    EXPECT_EQ(Create2DObjectFromTextStream(nullptr, broken), nullptr);
}

TEST_F(TwzObjectStream, ReadChildrenJoinTheirParentAndRootsJoinAHost)
{
    std::unique_ptr<rtl::TMemoryStream> stream = Binary("object R: TTestObject\n"
                                                        "  object A: TTestObject\n"
                                                        "    object A1: TTestObject\n"
                                                        "    end\n"
                                                        "  end\n"
                                                        "end\n");
    rtl::TOwned<TwzObject> root(Create2DObjectFromStream(nullptr, *stream));
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->GetChildCount(), 1);
    TwzObject* a = root->GetChild(0);
    ASSERT_EQ(a->GetChildCount(), 1);
    EXPECT_EQ(a->GetChild(0)->GetParentComponent(), a);
    EXPECT_EQ(a->GetParentComponent(), root.get());
    EXPECT_TRUE(a->HasParent());
    EXPECT_EQ(root->GetParentComponent(), nullptr);
}

} // namespace
