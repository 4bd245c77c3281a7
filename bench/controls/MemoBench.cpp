// Typing into a memo of 10,000 lines in a 2D scene on the headless window system: each
// iteration types one character at the end of the text as the scene delivers it (the edit,
// the line table, the scroll bars and the caret) and runs the loop until the scene has
// repainted what changed.

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
    explicit MemoFixture(bool wordWrap)
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
        std::u16string text;
        for (int i = 0; i < 10000; ++i)
            text += u"Line " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26))
                + u" of the lettering text\r\n";
        text += u"The end";
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();
        memo->SetText(text);
        memo->FocusObject();
        memo->SetCaretPosition({ memo->LineCount() - 1, 7 });
        app.ProcessMessages();
    }
    ~MemoFixture()
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
    }
    void TypeAndPaint()
    {
        // As the scene delivers a typed character: a key-down with key 0, then a key-up.
        uint16_t key = 0;
        char16_t keyChar = u'x';
        memo->KeyDown(key, keyChar, {});
        key = 0;
        keyChar = u'x';
        memo->KeyUp(key, keyChar, {});
        app.ProcessMessages();
    }

    platform::ui::FakeApplication app;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    TwzScene* scene = nullptr;
    TwzMemo* memo = nullptr;
};

void TypeAtTheEnd(benchmark::State& state, bool wordWrap)
{
    MemoFixture fixture(wordWrap);
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

} // namespace
