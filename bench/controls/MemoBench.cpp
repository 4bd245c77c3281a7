// Typing into a memo in a 2D scene on the headless window system: each iteration types one
// character as the scene delivers it (the edit, the line table, the scroll bars and the caret)
// and runs the loop until the scene has repainted what changed. One memo holds 10,000 short
// lines, typed into at the end; the other holds one long paragraph, typed into in its middle.

#include "controls/Controls.h"
#include "controls/TwzMemo.h"
#include "platform/rtl/Component.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/Window.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzScene.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

class MemoFixture {
public:
    MemoFixture(bool wordWrap, const std::u16string& text, TwzCaretPosition caret)
    {
        Initialize2DLibrary();
        RegisterControls();
        platform::ui::FormOptions options;
        options.clientWidth = 400;
        options.clientHeight = 300;
        form = app.CreateForm(options);
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, 400, 300);
        auto* root = new TwzBackground(owner.get());
        scene->AddObject(root);
        root->SetBounds(0, 0, 400, 300);
        memo = new TwzMemo(owner.get());
        memo->SetBounds(10, 10, 300, 200);
        memo->SetParent(root);
        memo->SetWordWrap(wordWrap);
        memo->SetAutoSelect(false);
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();
        memo->SetText(text);
        memo->FocusObject();
        memo->SetCaretPosition(caret);
        app.ProcessMessages();
    }
    ~MemoFixture()
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
    }
    void Type()
    {
        // As the scene delivers a typed character: a key-down with key 0, then a key-up.
        uint16_t key = 0;
        char16_t keyChar = u'x';
        memo->KeyDown(key, keyChar, {});
        key = 0;
        keyChar = u'x';
        memo->KeyUp(key, keyChar, {});
    }
    void TypeAndPaint()
    {
        Type();
        app.ProcessMessages();
    }
    void Backspace()
    {
        uint16_t key = platform::ui::vk::kBack;
        char16_t keyChar = 0;
        memo->KeyDown(key, keyChar, {});
        app.ProcessMessages();
    }

    platform::ui::FakeApplication app;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    TwzScene* scene = nullptr;
    TwzMemo* memo = nullptr;
};

// 250,007 units: room below the memo's most for the characters typed.
std::u16string TenThousandLines()
{
    std::u16string text;
    for (int i = 0; i < 10000; ++i)
        text += u"Line " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u" of the lettering\r\n";
    return text + u"The end";
}

void TypeAtTheEnd(benchmark::State& state, bool wordWrap)
{
    MemoFixture fixture(wordWrap, TenThousandLines(), { 10000, 7 });
    const size_t before = fixture.memo->GetText().size();
    for (auto _ : state)
        fixture.TypeAndPaint();
    if (fixture.memo->GetText().size() != before + static_cast<size_t>(state.iterations()))
        state.SkipWithError("the typed characters did not reach the memo");
}

void BM_MemoTypeAtEndOf10000Lines(benchmark::State& state)
{
    TypeAtTheEnd(state, false);
}
BENCHMARK(BM_MemoTypeAtEndOf10000Lines)->Unit(benchmark::kMillisecond);

// With word wrap the edit re-wraps its paragraph; the rest keeps its lines.
void BM_MemoTypeAtEndOf10000LinesWordWrap(benchmark::State& state)
{
    TypeAtTheEnd(state, true);
}
BENCHMARK(BM_MemoTypeAtEndOf10000LinesWordWrap)->Unit(benchmark::kMillisecond);

// One paragraph of `units` UTF-16 units: words of a lettering text and spaces, no break.
std::u16string Paragraph(size_t units)
{
    const std::u16string words = u"Extruded lettering, set on a slab with round corners and a bevel. ";
    std::u16string text;
    text.reserve(units);
    while (text.size() < units)
        text += words;
    text.resize(units);
    return text;
}

// A character typed into the middle of one long paragraph, then taken back (untimed) so that
// every iteration meets the same paragraph. The paragraph is `units` long with the typed
// character, which for the memo's most (262,144) is as long as a memo's text gets.
void TypeInParagraph(benchmark::State& state, bool wordWrap, bool paint = true)
{
    const auto units = static_cast<size_t>(state.range(0));
    const std::u16string text = Paragraph(units - 1);
    MemoFixture fixture(wordWrap, text, {});
    TwzMemo* memo = fixture.memo;
    memo->SetCaretPosition(memo->IndexToPos(static_cast<int32_t>(text.size() / 2)));
    fixture.app.ProcessMessages();
    for (auto _ : state) {
        if (paint) {
            fixture.TypeAndPaint();
            state.PauseTiming();
        } else {
            fixture.Type();
            state.PauseTiming();
            fixture.app.ProcessMessages();
        }
        fixture.Backspace();
        state.ResumeTiming();
    }
    if (memo->GetText() != text)
        state.SkipWithError("the typed characters did not come and go");
}

void BM_MemoTypeInParagraph(benchmark::State& state)
{
    TypeInParagraph(state, false);
}
BENCHMARK(BM_MemoTypeInParagraph)->Arg(100000)->Arg(262144)->Unit(benchmark::kMillisecond);

void BM_MemoTypeInParagraphWordWrap(benchmark::State& state)
{
    TypeInParagraph(state, true);
}
BENCHMARK(BM_MemoTypeInParagraphWordWrap)->Arg(100000)->Arg(262144)->Unit(benchmark::kMillisecond);

// The same keystroke without the repaint that follows it (the memo's edit, the line table,
// the scroll bars and the caret): what the memo itself spends, the repaint of what changed
// (its text and its style's focus glow) being the same for a short paragraph.
void BM_MemoEditInParagraph(benchmark::State& state)
{
    TypeInParagraph(state, false, false);
}
BENCHMARK(BM_MemoEditInParagraph)->Arg(100000)->Arg(262144)->Unit(benchmark::kMillisecond);

void BM_MemoEditInParagraphWordWrap(benchmark::State& state)
{
    TypeInParagraph(state, true, false);
}
BENCHMARK(BM_MemoEditInParagraphWordWrap)->Arg(100000)->Arg(262144)->Unit(benchmark::kMillisecond);

} // namespace
