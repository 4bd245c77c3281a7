// Style sheets and the built-in style: the sheet's text and stored form, its user scenes,
// damaged sheets, and the 2D library's part of the embedded built-in style.

#include "StyleTestClasses.h"

#include "graphics/ObjectText.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Writer.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

std::string TreeText(TwzObject& object)
{
    rtl::TMemoryStream text;
    object.SaveObjectAsText(text);
    return std::string(text.Bytes().begin(), text.Bytes().end());
}

bool AnyDesignHidden(TwzObject& object)
{
    if (TwzVisualObject* visual = object.AsVisual(); visual && visual->GetDesignHide())
        return true;
    for (TwzObject* child : object.Children()) {
        if (AnyDesignHidden(*child))
            return true;
    }
    return false;
}

const char* const kSheetText = "object TwzBackground\n"
                               "  Width = 300\n"
                               "  object TwzVisualObject\n"
                               "    ResourceName = 'probebuttonstyle'\n"
                               "    DesignHide = True\n"
                               "    Hint = 'sheet'\n"
                               "    object TwzVisualObject\n"
                               "      ResourceName = 'text'\n"
                               "      DesignHide = True\n"
                               "    end\n"
                               "  end\n"
                               "  object TwzBrushObject\n"
                               "    ResourceName = 'foreground'\n"
                               "    Brush.Color = '#FF102030'\n"
                               "  end\n"
                               "end\n";

} // namespace

using StyleSheet = StyleTest;

TEST_F(StyleSheet, TextBuildsATreeWithoutDesignHiddenObjects)
{
    sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16(kSheetText));
    TwzObject* tree = sheet->GetRoot();
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->ClassName(), "TwzBackground");
    EXPECT_EQ(tree->GetChildCount(), 2);
    EXPECT_FALSE(AnyDesignHidden(*tree));
    EXPECT_EQ(tree->GetOwner(), nullptr);
    ASSERT_NE(tree->FindResource("FOREGROUND"), nullptr);
}

TEST_F(StyleSheet, StoredFormRoundTripsTheTreeAndNotTheText)
{
    rtl::TOwned<TTestObject> holder(new TTestObject(nullptr));
    auto* original = new TwzResources(holder.get());
    original->SetName("Sheet");
    original->GetResource()->SetTextStr(rtl::Utf8ToUtf16(kSheetText));
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *holder);
    stream.SetPosition(0);

    rtl::TOwned<rtl::TComponent> copy(rtl::ReadComponentFromStream(stream, nullptr, nullptr));
    ASSERT_NE(copy, nullptr);
    auto* read = dynamic_cast<TwzResources*>(copy->FindComponent("Sheet"));
    ASSERT_NE(read, nullptr);
    ASSERT_NE(read->GetRoot(), nullptr);
    EXPECT_EQ(read->GetResource()->GetCount(), 0) << "Resource is never stored";
    EXPECT_EQ(TreeText(*read->GetRoot()), TreeText(*original->GetRoot()));

    // An empty sheet stores nothing of its own.
    auto* empty = new TwzResources(holder.get());
    empty->SetName("Empty");
    original->Free();
    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, *holder);
    binary.SetPosition(0);
    rtl::TMemoryStream text;
    ObjectStreamToText(binary, text);
    const std::string written(text.Bytes().begin(), text.Bytes().end());
    EXPECT_EQ(written.find("ResourcesBin"), std::string::npos) << written;
}

TEST_F(StyleSheet, ScenesJoinOnceAndLeaveWhenEitherSideGoes)
{
    EXPECT_EQ(sheet->Scenes().size(), 1u);
    scene->SetStyle(sheet);
    sheet->AddScene(scene);
    EXPECT_EQ(sheet->Scenes().size(), 1u) << "no scene joins twice";

    auto* other = new TestScene(form.get());
    other->SetStyle(sheet);
    EXPECT_EQ(sheet->Scenes().size(), 2u);
    other->Free();
    EXPECT_EQ(sheet->Scenes().size(), 1u) << "a freed scene leaves the list";
    sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16(kSheetText)); // restyles the remaining one only

    scene->SetStyle(nullptr);
    EXPECT_TRUE(sheet->Scenes().empty());
    scene->SetStyle(sheet);
    sheet->Free();
    EXPECT_EQ(scene->GetStyle(), nullptr) << "a freed sheet is forgotten by its scenes";
}

TEST_F(StyleSheet, DamagedSheetsRaiseAndKeepThePreviousTree)
{
    sheet->SetName("Sheet1");
    sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16(kSheetText));
    TwzObject* good = sheet->GetRoot();
    ASSERT_NE(good, nullptr);
    rtl::TMemoryStream binary;
    good->SaveObjectToStream(binary);
    const std::vector<uint8_t> stream(binary.Bytes().begin(), binary.Bytes().end());
    const std::string text = kSheetText;

    std::mt19937 random(26);
    int errors = 0;
    for (int round = 0; round < 300; ++round) {
        // Damage: a cut, a flipped byte or a run of random bytes, in the text or the stream.
        const bool inText = round % 2 == 0;
        std::vector<uint8_t> bytes = inText ? std::vector<uint8_t>(text.begin(), text.end()) : stream;
        const size_t at = random() % bytes.size();
        switch (round % 6 / 2) {
        case 0:
            bytes.resize(at);
            break;
        case 1:
            bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
            break;
        default:
            for (size_t i = at; i < std::min(bytes.size(), at + 8); ++i)
                bytes[i] = static_cast<uint8_t>(random());
            break;
        }
        TwzObject* before = sheet->GetRoot();
        try {
            if (inText) {
                sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16(std::string(bytes.begin(), bytes.end())));
            } else {
                rtl::TConstMemoryStream input(bytes.data(), bytes.size());
                sheet->LoadRootFromStream(input);
            }
        } catch (const ui2d::StyleError& e) {
            ++errors;
            EXPECT_NE(std::string(e.what()).find("Sheet1"), std::string::npos) << e.what();
            EXPECT_EQ(sheet->GetRoot(), before) << "the previous tree stays in force";
        }
        PaintScene();
    }
    EXPECT_GT(errors, 50);
}

TEST_F(StyleSheet, ADamagedStoredFormIsReportedWhileTheFormLoads)
{
    rtl::TOwned<TTestObject> holder(new TTestObject(nullptr));
    auto* original = new TwzResources(holder.get());
    original->SetName("Sheet");
    original->GetResource()->SetTextStr(rtl::Utf8ToUtf16(kSheetText));
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *holder);
    // The class name of the stored tree's root, inside the ResourcesBin bytes, becomes unknown.
    std::vector<uint8_t> bytes(stream.Bytes().begin(), stream.Bytes().end());
    const std::string needle = "TwzBackground";
    auto it = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end());
    ASSERT_NE(it, bytes.end());
    *(it + 3) = 'Q';
    rtl::TConstMemoryStream input(bytes.data(), bytes.size());
    std::vector<std::string> messages;
    rtl::TReader reader(input);
    reader.OnError = [&](rtl::TReader&, const std::string& message, bool& handled) {
        messages.push_back(message);
        handled = true;
    };
    rtl::TOwned<rtl::TComponent> copy(reader.ReadRootComponent(nullptr, nullptr));
    ASSERT_NE(copy, nullptr);
    auto* read = dynamic_cast<TwzResources*>(copy->FindComponent("Sheet"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetRoot(), nullptr);
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages[0].find("TwzQackground"), std::string::npos) << messages[0];
}

// ---- the built-in style ------------------------------------------------------------------

TEST_F(StyleSheet, TheEmbeddedStyleReadsWithoutAnyError)
{
    ForgetDefaultStyle();
    ASSERT_FALSE(ui2d::BuiltInStyleFiles().empty());
    rtl::TOwned<TwzObject> tree(ui2d::BuildStyleTree(ui2d::BuiltInStyleFiles()));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->ClassName(), "TwzBackground");
    auto* background = dynamic_cast<TwzBackground*>(tree.get());
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->GetFill()->GetStyle(), wzBrushSolid);
    EXPECT_EQ(background->GetFill()->GetSolidColor(), 0xFF2B2B2Bu);
    for (TwzObject* child : tree->Children()) {
        SCOPED_TRACE(child->GetResourceName());
        EXPECT_FALSE(child->GetResourceName().empty()) << "every style object has a name";
        if (TwzVisualObject* visual = child->AsVisual()) {
            EXPECT_TRUE(visual->GetDesignHide());
        }
    }
}

TEST_F(StyleSheet, ADamagedBuiltInStyleIsNamedAndThePreviousStaysInForce)
{
    UseBuiltIn(StyleObject("probebuttonstyle", "previous"));
    TwzObject* previous = DefaultStyle.Get();
    ASSERT_NE(previous, nullptr);
    struct Case {
        const char* name;
        std::string objects;
        std::vector<std::string> mentions;
    };
    const Case cases[] = {
        { "text that does not parse",
            StyleObject("okstyle", "ok")
                + "object TwzVisualObject\n  ResourceName = 'badstyle'\n  Width = \nend\n",
            { "objects.txt", "'badstyle'", "line 9" } },
        { "an unknown class", "object TwzNoSuchThing\n  ResourceName = 'ghoststyle'\nend\n",
            { "objects.txt", "'ghoststyle'", "TwzNoSuchThing" } },
        { "an unknown property", "object TwzVisualObject\n  ResourceName = 'typostyle'\n  Widht = 3\nend\n",
            { "'typostyle'", "Widht" } },
        { "a value of the wrong kind",
            "object TwzVisualObject\n  ResourceName = 'kindstyle'\n  Width = 'wide'\nend\n",
            { "'kindstyle'" } },
        { "an object without a name shows its header", "object TwzVisualObject\n  Width = \nend\n",
            { "object TwzVisualObject" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string root = "object TwzBackground\nend\n";
        const ui2d::StyleFile files[] = { { "root.txt", root }, { "objects.txt", c.objects } };
        try {
            ui2d::ReloadDefaultStyle(files);
            ADD_FAILURE() << "no error";
        } catch (const ui2d::StyleError& e) {
            for (const std::string& mention : c.mentions)
                EXPECT_NE(std::string(e.what()).find(mention), std::string::npos) << e.what();
        }
        EXPECT_EQ(DefaultStyle.Get(), previous);
    }

    // Damaged embedded files anywhere never crash the reader.
    std::mt19937 random(106);
    for (const ui2d::StyleFile& file : ui2d::BuiltInStyleFiles()) {
        for (int round = 0; round < 40; ++round) {
            std::string text(file.text);
            if (text.empty())
                continue;
            const size_t at = random() % text.size();
            if (round % 2)
                text.resize(at);
            else
                text[at] = static_cast<char>(random());
            std::vector<ui2d::StyleFile> files(
                ui2d::BuiltInStyleFiles().begin(), ui2d::BuiltInStyleFiles().end());
            for (ui2d::StyleFile& f : files) {
                if (f.name == file.name)
                    f.text = text;
            }
            try {
                ui2d::ReloadDefaultStyle(files);
            } catch (const ui2d::StyleError&) {
                EXPECT_EQ(DefaultStyle.Get(), previous);
            }
            if (DefaultStyle.Get() != previous) {
                // The damage happened to leave a readable style; go back to the fixture's.
                UseBuiltIn(StyleObject("probebuttonstyle", "previous"));
                previous = DefaultStyle.Get();
            }
        }
    }
}

TEST_F(StyleSheet, TheBuiltInStyleIsReadOnFirstNeedAndRetriedAfterAFailure)
{
    ForgetDefaultStyle();
    TwzProbeButton* control = Control();
    EXPECT_EQ(DefaultStyle.Get(), nullptr);
    PaintScene();
    EXPECT_NE(DefaultStyle.Get(), nullptr) << "the first lookup reads the embedded style";
    (void)control;
}

TEST_F(StyleSheet, ASceneStoresItsSheetAndActiveControlAndFocusesTheControlAfterLoading)
{
    rtl::TOwned<TTestObject> holder(new TTestObject(nullptr));
    auto* stored = new TwzResources(holder.get());
    stored->SetName("Sheet");
    auto* host = new TwzScene(holder.get());
    host->SetName("Scene1");
    auto* background = new TwzVisualObject(holder.get());
    background->SetName("Root1");
    host->AddObject(background);
    auto* button = new TwzProbeButton(holder.get());
    button->SetName("Button1");
    button->SetCanFocused(true);
    button->SetParent(background);
    host->SetStyle(stored);
    // Set outside loading, the active control takes the focus at once.
    host->SetActiveControl(button);
    EXPECT_EQ(host->GetActiveControl(), button);
    EXPECT_EQ(host->GetFocused(), button);

    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *holder);
    stream.SetPosition(0);
    rtl::TOwned<rtl::TComponent> copy(rtl::ReadComponentFromStream(stream, nullptr, nullptr));
    ASSERT_NE(copy, nullptr);
    auto* read = dynamic_cast<TwzScene*>(copy->FindComponent("Scene1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetStyle(), copy->FindComponent("Sheet"));
    TwzControl* active = read->GetActiveControl();
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->GetName(), "Button1");
    EXPECT_EQ(read->GetFocused(), active) << "the active control is focused once loaded";

    // Freeing the control or the sheet clears the scene's references.
    button->Free();
    EXPECT_EQ(host->GetActiveControl(), nullptr);
    EXPECT_EQ(host->GetFocused(), nullptr);
    stored->Free();
    EXPECT_EQ(host->GetStyle(), nullptr);
}
