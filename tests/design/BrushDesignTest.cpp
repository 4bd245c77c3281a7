// The brush designer on the headless window system: each page edits the brush in place,
// showing a brush changes nothing in it, the brush list follows an object's brush
// properties (and lets go of them when the object goes), "Make a Resource" makes a named
// brush object, and the dialog's modal run ends with OK or Cancel, freeing its designer once.

#include "design/TwzBrushDesign.h"

#include "app/Modules.h"
#include "controls/TwzAngleButton.h"
#include "controls/TwzButtons.h"
#include "controls/TwzColorControls.h"
#include "controls/TwzLabel.h"
#include "controls/TwzLayouts.h"
#include "controls/TwzListBox.h"
#include "controls/TwzNumberBox.h"
#include "controls/TwzPopupBox.h"
#include "controls/TwzTabControl.h"
#include "controls/TwzTextBox.h"
#include "controls/TwzWindows.h"
#include "design/TwzBitmapEditor.h"
#include "design/TwzSelection.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzBrushObject.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzScene.h"
#include "ui2d/TwzShape.h"

#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FakeApplication.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using platform::ui::FakeDialogs;

// Counts a brush's change notifications.
struct ChangeCounter : rtl::TObject {
    explicit ChangeCounter(int& count)
        : m_count(&count)
    { }
    void Changed(rtl::TObject*) { ++*m_count; }
    int* m_count;
};

class BrushDesign : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartModules();
        FakeDialogs::Reset();
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, 200, 200);
        root = new TwzBackground(owner.get());
        root->SetName("root");
        scene->AddObject(root);
        shape = new TwzRectangle(owner.get());
        shape->SetName("shape");
        shape->SetParent(root);
        designer.reset(TwzBrushDesign::Make(nullptr));
    }
    void TearDown() override
    {
        designer.reset();
        owner.reset();
        FakeDialogs::Reset();
        StopModules();
    }

    /// The page the designer shows: the visible tab at the tab control's index.
    [[nodiscard]] TwzTabItem* CurrentTab() const
    {
        TwzTabControl* tabs = designer->brushTabControl;
        for (TwzObject* child : tabs->Children())
            if (auto* tab = dynamic_cast<TwzTabItem*>(child);
                tab && tab->GetVisible() && tab->GetTabIndex() == tabs->GetItemIndex())
                return tab;
        return nullptr;
    }
    [[nodiscard]] std::string HexText(TwzTextBox* box) const { return rtl::Utf16ToUtf8(box->GetText()); }

    TwzBrushObject* AddBrushObject(const std::string& name, TwzColor color)
    {
        auto* object = new TwzBrushObject(owner.get());
        object->SetName(name);
        object->GetBrush()->SetSolidColor(color);
        object->SetParent(root);
        return object;
    }

    platform::ui::FakeApplication app;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    TwzScene* scene = nullptr;
    TwzBackground* root = nullptr;
    TwzRectangle* shape = nullptr;
    rtl::TOwned<TwzBrushDesign> designer;
};

} // namespace

TEST_F(BrushDesign, TheStoredFormReadsCleanlyWithEveryComponentItWorksWith)
{
    EXPECT_TRUE(designer->LoadErrors().empty()) << ::testing::PrintToString(designer->LoadErrors());
    const std::vector<std::pair<const char*, const void*>> parts = {
        { "wzBrushDesigner", designer->wzBrushDesigner },
        { "dsgnRoot", designer->dsgnRoot },
        { "HudWindow1", designer->HudWindow1 },
        { "brushList", designer->brushList },
        { "brushTabControl", designer->brushTabControl },
        { "tabNone", designer->tabNone },
        { "tabRes", designer->tabRes },
        { "solidQuad", designer->solidQuad },
        { "solidPicker", designer->solidPicker },
        { "textSolidA", designer->textSolidA },
        { "textSolidHex", designer->textSolidHex },
        { "solidColorRect", designer->solidColorRect },
        { "gradQuad", designer->gradQuad },
        { "textGradHex", designer->textGradHex },
        { "gradColorRect", designer->gradColorRect },
        { "gradEditor", designer->gradEditor },
        { "gradKind", designer->gradKind },
        { "gradAngle", designer->gradAngle },
        { "gradAngleLabel", designer->gradAngleLabel },
        { "tileModeList", designer->tileModeList },
        { "bitmapImage", designer->bitmapImage },
        { "resList", designer->resList },
        { "Layout6", designer->Layout6 },
        { "btnOK", designer->btnOK },
        { "makeResLayout", designer->makeResLayout },
        { "btnMakeRes", designer->btnMakeRes },
    };
    for (const auto& [name, part] : parts)
        EXPECT_NE(part, nullptr) << name;
    EXPECT_EQ(designer->GetCaption(), "Brush Designer");
    EXPECT_EQ(designer->GetClientWidth(), 335);
    EXPECT_EQ(designer->GetClientHeight(), 461);
    EXPECT_TRUE(designer->wzBrushDesigner->GetTransparency());
    EXPECT_EQ(CurrentTab(), designer->tabSolid) << "the Solid page shows first";
    EXPECT_FALSE(designer->btnOK->GetVisible()) << "OK and Cancel belong to the dialog";
}

TEST_F(BrushDesign, TheSolidPageShowsTheColourUnchangedAndEachEditorWritesIntoTheBrush)
{
    TwzBrush brush(wzBrushSolid, 0xFFFFFFFF);
    int changes = 0;
    ChangeCounter counter(changes);
    brush.OnChanged.Bind<&ChangeCounter::Changed>(&counter);

    // Colours whose hue, saturation and lightness round back to the very same bytes.
    for (const TwzColor color : { 0xFF336699u, 0x80FF0000u, 0x00000000u, 0xFF010203u, 0xC8FEFDFCu }) {
        SCOPED_TRACE(ColorToText(color));
        brush.SetSolidColor(color);
        changes = 0;
        designer->SetBrush(&brush);
        EXPECT_EQ(brush.GetSolidColor(), color) << "showing a brush leaves it as it is";
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(CurrentTab(), designer->tabSolid);
        EXPECT_EQ(designer->textSolidR->GetValue(), (color >> 16) & 0xFF);
        EXPECT_EQ(designer->textSolidA->GetValue(), color >> 24);
        EXPECT_EQ(HexText(designer->textSolidHex), ColorToText(color));
    }

    brush.SetSolidColor(0xFF336699);
    designer->SetBrush(&brush);
    // The A box writes the alpha; the quad keeps it and the boxes follow.
    designer->textSolidA->SetValue(128);
    designer->textSolidRChange(designer->textSolidA);
    EXPECT_EQ(brush.GetSolidColor(), 0x80336699u);
    designer->solidQuad->SetLum(1);
    EXPECT_EQ(brush.GetSolidColor(), 0x80FFFFFFu) << "the quad changes the colour, never the alpha";
    EXPECT_EQ(HexText(designer->textSolidHex), "#80FFFFFF");
    EXPECT_EQ(designer->textSolidG->GetValue(), 255);

    designer->textSolidHex->SetText(u"#FF00FF00");
    designer->textSolidHexChange(designer->textSolidHex);
    EXPECT_EQ(brush.GetSolidColor(), 0xFF00FF00u);
    EXPECT_EQ(designer->textSolidG->GetValue(), 255) << "the picker shows the hex text";
    EXPECT_EQ(designer->textSolidR->GetValue(), 0);

    // Without a brush the page handlers do nothing.
    designer->SetBrush(nullptr);
    designer->textSolidA->SetValue(1);
    designer->textSolidRChange(designer->textSolidA);
    designer->solidQuad->SetLum(0);
    EXPECT_EQ(brush.GetSolidColor(), 0xFF00FF00u);
}

TEST_F(BrushDesign, TheGradientPageShowsTheAngleWithoutMovingTheLineAndTurningTheDialSetsIt)
{
    struct Case {
        const char* edge;
        TwzPoint start;
        TwzPoint stop;
        float shown; // the dial's value afterwards
    };
    const Case cases[] = {
        { "left to right", { 0, 0 }, { 1, 0 }, 0 },
        { "right to left", { 1, 0 }, { 0, 0 }, -180 },
        { "a short line keeps its ends", { 0.2F, 0.3F }, { 0.6F, 0.3F }, 0 },
        { "vertical: the dial keeps its value", { 0.5F, 0 }, { 0.5F, 1 }, 0 },
        { "bottom left to top right", { 0, 1 }, { 1, 0 }, 45 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        TwzBrush brush(wzBrushSolid, 0xFFFFFFFF);
        brush.GetGradient()->GetStartPosition()->SetPoint(c.start);
        brush.GetGradient()->GetStopPosition()->SetPoint(c.stop);
        brush.GetGradient()->GetPoints()->GetPoint(0)->SetColorValue(0x80336699);
        brush.SetStyle(wzBrushGradient);
        int changes = 0;
        ChangeCounter counter(changes);
        brush.OnChanged.Bind<&ChangeCounter::Changed>(&counter);
        designer->SetBrush(&brush);
        EXPECT_EQ(changes, 0) << "showing a gradient changes nothing in it";
        EXPECT_EQ(brush.GetGradient()->GetPoints()->GetPoint(0)->ColorValue(), 0x80336699u);
        EXPECT_EQ(HexText(designer->textGradHex), "#80336699") << "the first stop is current";
        EXPECT_EQ(CurrentTab(), designer->tabGradient);
        EXPECT_FLOAT_EQ(designer->gradAngle->GetValue(), c.shown);
        EXPECT_EQ(rtl::Utf16ToUtf8(designer->gradAngleLabel->GetText()), std::to_string(int(c.shown)));
        EXPECT_EQ(brush.GetGradient()->GetStartPosition()->GetPoint(), c.start);
        EXPECT_EQ(brush.GetGradient()->GetStopPosition()->GetPoint(), c.stop);
        EXPECT_TRUE(designer->gradAngle->GetVisible());
    }

    TwzBrush brush(wzBrushSolid, 0xFFFFFFFF);
    brush.SetStyle(wzBrushGradient);
    designer->SetBrush(&brush);
    // 45 degrees stretches the line by the square root of two, to the corners.
    designer->gradAngle->SetValue(45);
    auto near
        = [](TwzPoint a, TwzPoint b) { return std::abs(a.X - b.X) < 1e-5 && std::abs(a.Y - b.Y) < 1e-5; };
    EXPECT_TRUE(near(brush.GetGradient()->GetStartPosition()->GetPoint(), { 0, 1 }));
    EXPECT_TRUE(near(brush.GetGradient()->GetStopPosition()->GetPoint(), { 1, 0 }));
    designer->gradAngle->SetValue(-90);
    EXPECT_TRUE(near(brush.GetGradient()->GetStartPosition()->GetPoint(), { 0.5F, 0 })) << "top";
    EXPECT_TRUE(near(brush.GetGradient()->GetStopPosition()->GetPoint(), { 0.5F, 1 })) << "to bottom";

    // Radial hides the dial, Linear shows it again; both reach the brush.
    designer->gradKind->SetItemIndex(1);
    EXPECT_EQ(brush.GetGradient()->GetStyle(), wzRadialGradient);
    EXPECT_FALSE(designer->gradAngle->GetVisible());
    designer->gradKind->SetItemIndex(0);
    EXPECT_EQ(brush.GetGradient()->GetStyle(), wzLinearGradient);
    EXPECT_TRUE(designer->gradAngle->GetVisible());

    // The boxes set the current stop, alpha included.
    designer->gradEditor->SetCurrentPoint(1);
    designer->textGradR->SetValue(10);
    designer->textGradG->SetValue(20);
    designer->textGradB->SetValue(30);
    designer->textGradA->SetValue(40);
    designer->textGradRChange(designer->textGradA);
    EXPECT_EQ(brush.GetGradient()->GetPoints()->GetPoint(1)->ColorValue(), 0x280A141Eu);
    EXPECT_EQ(HexText(designer->textGradHex), "#280A141E");
    designer->textGradHex->SetText(u"#FF102030");
    designer->textGradHexChange(designer->textGradHex);
    EXPECT_EQ(brush.GetGradient()->GetPoints()->GetPoint(1)->ColorValue(), 0xFF102030u);
    EXPECT_EQ(brush.GetGradient()->GetPoints()->GetPoint(0)->ColorValue(), 0xFF000000u) << "other stops stay";

    // A current stop beyond the gradient's stops changes nothing.
    designer->gradEditor->SetCurrentPoint(7);
    designer->textGradHex->SetText(u"#FFFFFFFF");
    designer->textGradHexChange(designer->textGradHex);
    EXPECT_EQ(brush.GetGradient()->GetPoints()->Count(), 2);
    EXPECT_EQ(brush.GetGradient()->GetPoints()->GetPoint(1)->ColorValue(), 0xFF102030u);
}

TEST_F(BrushDesign, PagesSwitchTheStyleAndKeepEveryOtherContent)
{
    TwzBrush brush(wzBrushSolid, 0xFFFFFFFF);
    brush.SetSolidColor(0xFF204060);
    designer->SetBrush(&brush);
    TwzTabControl* tabs = designer->brushTabControl;

    struct Step {
        TwzTabItem* tab;
        TwzBrushStyle style;
        bool makeResource;
    };
    const Step steps[] = {
        { designer->tabGradient, wzBrushGradient, true },
        { designer->tabNone, wzBrushNone, false },
        { designer->tabBitmap, wzBrushBitmap, true },
        { designer->tabRes, wzBrushResource, false },
        { designer->tabSolid, wzBrushSolid, true },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(rtl::Utf16ToUtf8(step.tab->GetText()));
        tabs->SetItemIndex(step.tab->GetTabIndex());
        EXPECT_EQ(brush.GetStyle(), step.style);
        EXPECT_EQ(designer->btnMakeRes->GetVisible(), step.makeResource);
    }
    EXPECT_EQ(brush.GetSolidColor(), 0xFF204060u) << "back on Solid, the colour is what it was";

    // A style without a page leaves the page that was shown.
    brush.SetStyle(wzBrushVisual);
    designer->SetBrush(&brush);
    EXPECT_EQ(CurrentTab(), designer->tabSolid);
    EXPECT_EQ(brush.GetStyle(), wzBrushVisual);
}

TEST_F(BrushDesign, TheBitmapPageShowsThePictureAndSetsTheWrapMode)
{
    TwzBrush brush(wzBrushSolid, 0xFFFFFFFF);
    TwzBitmap picture(3, 2);
    picture.Clear(0xFF112233);
    brush.GetBitmap()->SetBitmap(&picture);
    brush.GetBitmap()->SetWrapMode(wzWrapTileStretch);
    brush.SetStyle(wzBrushBitmap);
    designer->SetBrushObject(shape);
    designer->SetBrush(&brush);
    EXPECT_EQ(CurrentTab(), designer->tabBitmap);
    EXPECT_EQ(designer->bitmapImage->GetBitmap()->GetWidth(), 3);
    EXPECT_EQ(designer->bitmapImage->GetBitmap()->GetHeight(), 2);
    EXPECT_EQ(designer->tileModeList->GetItemIndex(), 2);

    designer->tileModeList->SetItemIndex(1);
    EXPECT_EQ(brush.GetBitmap()->GetWrapMode(), wzWrapTileOriginal);
    designer->tileModeList->SetItemIndex(-1);
    EXPECT_EQ(brush.GetBitmap()->GetWrapMode(), wzWrapTileOriginal) << "no choice is no wrap mode";

    // "Select..." edits a copy in the bitmap editor; only OK brings it back into the brush.
    for (const bool confirm : { false, true }) {
        SCOPED_TRACE(confirm ? "OK" : "Cancel");
        bool edited = false;
        app.Post([&] {
            TwzBitmapEditor* editor = nullptr;
            for (IwzScene* host : SceneList())
                if (auto* form = dynamic_cast<TwzBitmapEditor*>(host->GetOwner()))
                    editor = form;
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->Picture().GetWidth(), 3) << "the page's picture is loaded";
            editor->Picture().Clear(0xFF00FF00);
            edited = true;
            editor->SetModalResult(confirm ? platform::ui::kModalOk : platform::ui::kModalCancel);
        });
        designer->btnSelectBitmapClick(designer->btnSelectBitmap);
        EXPECT_TRUE(edited);
        const uint32_t expected = confirm ? 0xFF00FF00u : 0xFF112233u;
        EXPECT_EQ(brush.GetBitmap()->GetBitmap()->Pixels()[0], expected);
        EXPECT_EQ(designer->bitmapImage->GetBitmap()->Pixels()[0], expected);
        EXPECT_EQ(brush.GetBitmap()->GetBitmap()->GetWidth(), 3);
    }
}

TEST_F(BrushDesign, TheBrushListSwitchesBetweenTheObjectsBrushesAndLetsGoWhenTheObjectGoes)
{
    shape->GetFill()->SetSolidColor(0xFF0000FF);
    shape->GetStroke()->SetSolidColor(0xFFFF0000);
    designer->SetBrushObject(shape);
    TwzListBox* list = designer->brushList;
    ASSERT_EQ(list->Count(), 2);
    EXPECT_FLOAT_EQ(list->GetHeight(), 50) << "4 and 23 for each brush";
    EXPECT_EQ(designer->GetBrush(), shape->GetFill()) << "the first brush is edited at once";
    EXPECT_EQ(list->GetItemIndex(), 0);
    EXPECT_EQ(designer->GetDesignerScene(), static_cast<IwzScene*>(scene));

    list->SetItemIndex(1);
    EXPECT_EQ(designer->GetBrush(), shape->GetStroke());
    EXPECT_EQ(designer->textSolidR->GetValue(), 255) << "the pages show the stroke";
    designer->textSolidA->SetValue(16);
    designer->textSolidRChange(designer->textSolidA);
    EXPECT_EQ(shape->GetStroke()->GetSolidColor(), 0x10FF0000u);
    EXPECT_EQ(shape->GetFill()->GetSolidColor(), 0xFF0000FFu);

    // Setting a brush of the object directly selects its row.
    designer->SetBrush(shape->GetFill());
    EXPECT_EQ(list->GetItemIndex(), 0);

    // The object goes: its brushes and rows go with it, and the pages edit nothing.
    shape->Free();
    shape = nullptr;
    EXPECT_EQ(designer->GetBrush(), nullptr);
    EXPECT_EQ(designer->GetBrushObject(), nullptr);
    EXPECT_EQ(list->Count(), 0);
    designer->textSolidRChange(designer->textSolidA);
}

TEST_F(BrushDesign, TheResourcePageListsBrushObjectsAndLinksTheBrushToTheChosenOne)
{
    TwzBrushObject* red = AddBrushObject("Red", 0xFFFF0000);
    TwzBrushObject* blue = AddBrushObject("Blue", 0xFF0000FF);
    TwzBrush* fill = shape->GetFill();
    fill->GetResource()->SetResource(blue);
    fill->SetStyle(wzBrushResource);
    designer->SetBrushObject(shape);
    EXPECT_EQ(CurrentTab(), designer->tabRes);
    TwzListBox* list = designer->resList;
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->GetItemIndex(), 1) << "the linked resource is current";
    EXPECT_EQ(fill->GetResource()->GetResource(), blue) << "showing the link leaves it";

    list->SetItemIndex(0);
    EXPECT_EQ(fill->GetStyle(), wzBrushResource);
    EXPECT_EQ(fill->GetResource()->GetResource(), red);
    EXPECT_EQ(fill->GetResource()->GetResourceName(), "Red");
    EXPECT_EQ(fill->GetSolidColor(), 0xFFFF0000u);

    // A listed resource freed meanwhile is not used.
    list->SetItemIndex(-1);
    blue->Free();
    list->SetItemIndex(1);
    EXPECT_EQ(fill->GetResource()->GetResource(), red);
}

TEST_F(BrushDesign, MakeAResourceNamesANewBrushObjectAndCountsItsProposals)
{
    shape->GetFill()->SetSolidColor(0xFF123456);
    designer->SetBrushObject(shape);
    std::vector<std::string> proposed;
    std::string answer;
    FakeDialogs::SetInputTextAnswer([&](const platform::ui::InputTextOptions& options) {
        EXPECT_EQ(options.caption, "New TwzBrushObject");
        EXPECT_EQ(options.prompt, "Enter resource name:");
        proposed.push_back(options.text);
        return answer.empty() ? options.text : answer;
    });

    designer->btnMakeResClick(designer->btnMakeRes);
    auto* made = dynamic_cast<TwzBrushObject*>(owner->FindComponent("Brush1"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetResourceName(), "Brush1");
    EXPECT_EQ(made->GetParent(), root);
    EXPECT_EQ(made->GetBrush()->GetSolidColor(), 0xFF123456u);
    EXPECT_EQ(shape->GetFill()->GetStyle(), wzBrushSolid) << "the brush is not linked to it";
    EXPECT_EQ(designer->resList->Count(), 1);

    // A name the components refuse: a clear error and no object left behind.
    for (const char* bad : { "2 bad", "Brush1" }) {
        SCOPED_TRACE(bad);
        answer = bad;
        const int before = root->GetChildCount();
        designer->btnMakeResClick(designer->btnMakeRes);
        EXPECT_EQ(root->GetChildCount(), before);
        ASSERT_FALSE(FakeDialogs::Messages().empty());
        FakeDialogs::Reset();
        FakeDialogs::SetInputTextAnswer([&](const platform::ui::InputTextOptions& options) {
            proposed.push_back(options.text);
            return answer.empty() ? options.text : answer;
        });
    }
    EXPECT_EQ(proposed, (std::vector<std::string> { "Brush1", "Brush2", "Brush3" }))
        << "counted per designer";

    // Cancelled: nothing.
    FakeDialogs::SetInputTextAnswer({});
    const int before = root->GetChildCount();
    designer->btnMakeResClick(designer->btnMakeRes);
    EXPECT_EQ(root->GetChildCount(), before);
}

TEST_F(BrushDesign, ShowBrushDesignerSharesOneWindowUntilItIsClosed)
{
    designer.reset();
    ShowBrushDesigner(shape, nullptr);
    TwzBrushDesign* shared = SharedBrushDesigner();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->GetBrushObject(), shape);
    EXPECT_EQ(shared->GetBrush(), nullptr) << "an object's brushes are listed, none edited";
    EXPECT_EQ(shared->brushList->GetItemIndex(), 0);
    shared->brushList->SetItemIndex(0);
    EXPECT_EQ(shared->GetBrush(), nullptr) << "pressing the current row changes nothing";
    shared->brushList->SetItemIndex(1);
    EXPECT_EQ(shared->GetBrush(), shape->GetStroke());

    ShowBrushDesigner(shape->GetFill(), shape);
    EXPECT_EQ(SharedBrushDesigner(), shared);
    EXPECT_EQ(shared->GetBrush(), shape->GetFill());
    ShowBrushDesigner(nullptr, nullptr);
    EXPECT_EQ(shared->GetBrush(), nullptr);
    EXPECT_EQ(shared->GetBrushObject(), nullptr);

    // Closing frees it on a later turn; another designer closing leaves the reference.
    rtl::TOwned<TwzBrushDesign> other(TwzBrushDesign::Make(nullptr));
    other->CloseForm();
    EXPECT_EQ(SharedBrushDesigner(), shared);
    rtl::Watch<TwzBrushDesign> watch(shared);
    shared->CloseForm();
    EXPECT_EQ(SharedBrushDesigner(), nullptr);
    app.ProcessMessages();
    rtl::ProcessDeferred();
    EXPECT_FALSE(watch) << "freed";
    ShowBrushDesigner(shape->GetFill(), shape);
    EXPECT_NE(SharedBrushDesigner(), nullptr) << "the next call makes a new one";
    // Module shut-down frees the one still open.
}

TEST_F(BrushDesign, TheDialogEndsWithOkOrCancelAndFreesItsDesignerOnce)
{
    rtl::TOwned<TwzBrushDialog> dialog(new TwzBrushDialog(owner.get()));
    EXPECT_EQ(dialog->GetBrush()->GetStyle(), wzBrushSolid);
    EXPECT_EQ(dialog->GetBrush()->GetSolidColor(), 0xFF808080u);

    struct Case {
        const char* how;
        void (*press)(TwzBrushDesign& designer);
        bool result;
    };
    const Case cases[] = {
        { "OK", [](TwzBrushDesign& d) { d.btnOK->Click(); }, true },
        { "Cancel", [](TwzBrushDesign& d) { d.btnCancel->Click(); }, false },
        { "closed: hidden, not freed", [](TwzBrushDesign& d) { d.CloseForm(); }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        rtl::Watch<TwzBrushDesign> seen;
        app.Post([&] {
            TwzBrushDesign* running = dialog->GetDesigner();
            ASSERT_NE(running, nullptr);
            seen = running;
            EXPECT_TRUE(running->btnOK->GetVisible());
            EXPECT_EQ(running->GetBrush(), dialog->GetBrush());
            running->textSolidA->SetValue(64);
            running->textSolidRChange(running->textSolidA);
            c.press(*running);
        });
        EXPECT_EQ(dialog->Execute(), c.result);
        EXPECT_EQ(dialog->GetBrush()->GetSolidColor(), 0x40808080u) << "edited in place, whatever the end";
        EXPECT_FALSE(seen) << "the designer went with the run";
        EXPECT_EQ(dialog->GetDesigner(), nullptr);
        dialog->GetBrush()->SetSolidColor(0xFF808080);
    }

    // Freed while its designer runs: the run ends and the designer lets go of the brush.
    TwzBrushDialog* doomed = dialog.release();
    app.Post([&] { doomed->Free(); });
    EXPECT_FALSE(doomed->Execute());
}

TEST_F(BrushDesign, ADialogOfferingOnlyTheSolidPageEndsAtItsButtonRow)
{
    struct Seen {
        std::vector<std::string> tabs;
        bool list = true;
        bool makeResource = true;
        int32_t clientHeight = 0;
        float buttonRowBottom = 0;
    };
    // With an object the list shows its two brushes; without one it is hidden.
    auto run = [&](rtl::TComponent* brushObject) {
        rtl::TOwned<TwzBrushDialog> dialog(new TwzBrushDialog(nullptr));
        dialog->SetShowStyles({ wzBrushSolid });
        dialog->SetBrushObject(brushObject);
        Seen seen;
        app.Post([&] {
            TwzBrushDesign& d = *dialog->GetDesigner();
            for (TwzObject* child : d.brushTabControl->Children())
                if (auto* tab = dynamic_cast<TwzTabItem*>(child); tab && tab->GetVisible())
                    seen.tabs.push_back(rtl::Utf16ToUtf8(tab->GetText()));
            seen.list = d.brushList->GetVisible();
            seen.makeResource = d.makeResLayout->GetVisible();
            seen.clientHeight = d.GetClientHeight();
            const TwzBounds& margins = *d.HudWindow1->GetMargins();
            seen.buttonRowBottom = d.Layout6->GetPosition()->GetY() + d.Layout6->GetHeight()
                + margins.GetTop() + margins.GetBottom();
            EXPECT_EQ(d.GetBrush(), dialog->GetBrush()) << "the dialog's brush, not the object's";
            EXPECT_EQ(d.brushTabControl->GetItemIndex(), d.tabSolid->GetTabIndex());
            d.btnOK->Click();
        });
        EXPECT_TRUE(dialog->Execute());
        return seen;
    };
    const Seen alone = run(nullptr);
    ASSERT_EQ(alone.tabs.size(), 1u);
    EXPECT_EQ(alone.tabs[0], "Solid");
    EXPECT_FALSE(alone.list) << "no object, no list";
    EXPECT_FALSE(alone.makeResource);
    EXPECT_EQ(alone.clientHeight, static_cast<int32_t>(std::trunc(alone.buttonRowBottom)));

    const Seen listed = run(shape);
    EXPECT_TRUE(listed.list);
    EXPECT_EQ(listed.clientHeight, static_cast<int32_t>(std::trunc(listed.buttonRowBottom)));
    EXPECT_EQ(listed.clientHeight - alone.clientHeight, 50 + 4) << "the hidden list leaves no gap";
}

TEST_F(BrushDesign, TheColourButtonKeepsTheAlphaThroughTheBrushDialog)
{
    auto* button = new TwzColorButton(owner.get());
    button->SetParent(root);
    button->SetUseStandardDialog(false);
    button->SetColor("#FF102030");
    for (const bool confirm : { false, true }) {
        SCOPED_TRACE(confirm ? "OK" : "Cancel");
        app.Post([confirm] {
            // The dialog's designer is the newest 2D host.
            TwzBrushDesign* running = nullptr;
            for (IwzScene* host : SceneList())
                if (auto* form = dynamic_cast<TwzBrushDesign*>(host->GetOwner()))
                    running = form;
            ASSERT_NE(running, nullptr);
            EXPECT_TRUE(running->tabSolid->GetVisible());
            EXPECT_FALSE(running->tabGradient->GetVisible()) << "the solid page only";
            EXPECT_EQ(running->textSolidA->GetValue(), 255);
            running->textSolidA->SetValue(128);
            running->textSolidRChange(running->textSolidA);
            (confirm ? running->btnOK : running->btnCancel)->Click();
        });
        button->Click();
        EXPECT_EQ(button->GetColor(), confirm ? "#80102030" : "#FF102030");
        button->SetColor("#FF102030");
    }
}
