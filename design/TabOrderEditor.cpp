#include "design/TabOrderEditor.h"

#include "controls/TwzButtons.h"
#include "controls/TwzComboBox.h"
#include "controls/TwzListBox.h"
#include "controls/TwzWindows.h"
#include "graphics/TwzBounds.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "ui2d/TwzScene.h"
#include "ui2d/TwzVisualObject.h"

#include <vector>

RTL_IMPLEMENT_CLASS(design::TabOrderEditor)

namespace design {

namespace {

constexpr int32_t kWidth = 400;
constexpr int32_t kHeight = 300;

rtl::Watch<TabOrderEditor> s_running;

} // namespace

TabOrderEditor::TabOrderEditor(TwzVisualObject& selection)
    : rtl::TComponent(nullptr)
{
    TwzObject* parent = selection.GetParent();
    m_parent = parent ? parent->AsVisual() : nullptr;

    platform::ui::FormOptions options;
    options.caption = "TabOrder Editor";
    options.clientWidth = kWidth;
    options.clientHeight = kHeight;
    options.decorated = false;
    m_form = platform::ui::Application::Current().CreateForm(options);

    m_scene = new TwzScene(this);
    m_scene->SetBounds(0, 0, kWidth, kHeight);
    m_scene->SetTransparency(true);
    m_window = new TwzHudWindow(this);
    m_window->SetText(u"TabOrder Editor");
    m_window->SetShowSizeGrip(false);
    m_scene->AddObject(m_window);

    m_list = new TwzHudListBox(this);
    m_list->SetAlign(vaClient);
    m_list->GetMargins()->SetRect({ 26, 45, 86, 33 });
    m_list->SetHideSelectionUnfocused(false);
    m_list->SetItemHeight(20);
    m_window->AddObject(m_list);

    const auto button = [&](const char16_t* text, float y) {
        auto* b = new TwzHudButton(this);
        b->SetBounds(static_cast<float>(kWidth - 70), y, 50, 26);
        b->SetText(text);
        b->SetTagObject(m_list);
        m_window->AddObject(b);
        return b;
    };
    m_up = button(u"Up", 50);
    m_up->OnClick.Bind<&TabOrderEditor::UpClick>(this);
    m_down = button(u"Down", 90);
    m_down->OnClick.Bind<&TabOrderEditor::DownClick>(this);

    m_scene->SetParentForm(m_form.get());
    Fill(&selection);
}

TabOrderEditor::~TabOrderEditor() = default;

void TabOrderEditor::BeforeDestruction()
{
    // The scene leaves its window before the window goes.
    if (m_scene)
        m_scene->SetParentForm(nullptr);
    Inherited::BeforeDestruction();
    m_form.reset();
}

void TabOrderEditor::Run()
{
    if (!m_form)
        return;
    rtl::Watch<TabOrderEditor> outer = s_running;
    s_running = this;
    (void)m_form->ShowModal();
    s_running = outer;
}

TabOrderEditor* TabOrderEditor::Running()
{
    return s_running.Get();
}

void TabOrderEditor::Fill(TwzVisualObject* chosen)
{
    m_list->Clear();
    TwzVisualObject* parent = m_parent;
    if (!parent)
        return;
    std::vector<TwzVisualObject*> order;
    parent->GetTabOrderList(order, false);
    int32_t chosenIndex = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        TwzVisualObject* object = order[i];
        auto* item = new TwzListBoxItem(this);
        const std::string name
            = object->GetName().empty() ? std::string(object->ClassName()) : object->GetName();
        item->SetText(rtl::Utf8ToUtf16(name));
        item->SetTagObject(object);
        m_list->AddObject(item);
        if (object == chosen)
            chosenIndex = static_cast<int32_t>(i);
    }
    // Counting numbers the new items, which the index refers to.
    (void)m_list->Count();
    m_list->SetItemIndex(chosenIndex);
}

void TabOrderEditor::Move(int32_t delta)
{
    TwzListBoxItem* item = m_list->Selected();
    auto* object = item ? dynamic_cast<TwzVisualObject*>(item->GetTagObject()) : nullptr;
    if (!object || !m_parent || object->GetParent() != m_parent.Get())
        return;
    rtl::Watch<TwzVisualObject> watched(object);
    object->SetTabOrder(object->GetTabOrder() + delta);
    Fill(watched.Get());
}

void TabOrderEditor::UpClick(rtl::TObject*)
{
    Move(-1);
}

void TabOrderEditor::DownClick(rtl::TObject*)
{
    Move(1);
}

void RunTabOrderEditor(TwzVisualObject& selection)
{
    rtl::TOwned<TabOrderEditor> editor(new TabOrderEditor(selection));
    editor->Run();
}

} // namespace design
