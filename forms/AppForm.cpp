#include "forms/AppForm.h"

#include "graphics/ObjectText.h"
#include "scene3d/ThvScene.h"
#include "ui2d/TwzCustomScene.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Application.h"

#include <algorithm>

namespace {

constexpr rtl::TPropInfo kAppFormProps[] = {
    RTL_PROP(TAppForm, Caption, String, ""),
    RTL_PROP(TAppForm, ClientWidth, Integer, 320),
    RTL_PROP(TAppForm, ClientHeight, Integer, 240),
};

constexpr rtl::TEventInfo kAppFormEvents[] = {
    RTL_EVENT(TAppForm, OnCreate),
    RTL_EVENT(TAppForm, OnDestroy),
};

// Smallest client area a window of the application is given.
constexpr int32_t kMinClient = 64;

} // namespace

RTL_IMPLEMENT_CLASS(TAppForm, .props = kAppFormProps, .events = kAppFormEvents)

TAppForm::TAppForm(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

TAppForm::~TAppForm() = default;

void TAppForm::BeforeDestruction()
{
    OnDestroy(this);
    // The scenes go with the owned components while the window still exists; the window
    // itself goes with the members.
    Inherited::BeforeDestruction();
}

void TAppForm::SetCaption(const std::string& value)
{
    m_caption = value;
    if (m_window)
        m_window->SetCaption(value);
}

int32_t TAppForm::GetClientWidth() const
{
    return m_window ? m_window->ClientWidth() : m_clientWidth;
}

void TAppForm::SetClientWidth(int32_t value)
{
    m_clientWidth = std::max(value, kMinClient);
    if (m_window)
        m_window->SetClientSize(m_clientWidth, GetClientHeight());
}

int32_t TAppForm::GetClientHeight() const
{
    return m_window ? m_window->ClientHeight() : m_clientHeight;
}

void TAppForm::SetClientHeight(int32_t value)
{
    m_clientHeight = std::max(value, kMinClient);
    if (m_window)
        m_window->SetClientSize(GetClientWidth(), m_clientHeight);
}

void TAppForm::LoadDescription(std::string_view text)
{
    m_loadErrors.clear();
    rtl::TConstMemoryStream in(text.data(), text.size());
    rtl::TMemoryStream binary;
    ObjectTextToStream(in, binary);
    binary.SetPosition(0);
    rtl::TReader reader(binary);
    reader.OnError = [this](rtl::TReader&, const std::string& message, bool& handled) {
        m_loadErrors.push_back(message);
        handled = true;
    };
    reader.ReadRootComponent(this);
    AlignScenes();
    DescriptionLoaded();
    OnCreate(this);
}

void TAppForm::PutScenes(platform::ui::Form* form)
{
    for (int i = 0; i < GetComponentCount(); ++i) {
        rtl::TComponent* component = GetComponent(i);
        if (auto* scene3d = dynamic_cast<ThvScene*>(component))
            scene3d->SetParentForm(form);
        else if (auto* scene2d = dynamic_cast<TwzCustomScene*>(component))
            scene2d->SetParentForm(form);
    }
}

void TAppForm::AlignScenes()
{
    const int32_t width = GetClientWidth();
    const int32_t height = GetClientHeight();
    for (int i = 0; i < GetComponentCount(); ++i) {
        rtl::TComponent* component = GetComponent(i);
        if (auto* scene3d = dynamic_cast<ThvScene*>(component))
            scene3d->SetBounds(0, 0, width, height);
        else if (auto* scene2d = dynamic_cast<TwzCustomScene*>(component))
            scene2d->SetBounds(0, 0, width, height);
    }
}

void TAppForm::CreateWindowHandle()
{
    if (m_window)
        return;
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    if (!app)
        return;
    platform::ui::FormOptions options;
    options.caption = m_caption;
    options.clientWidth = m_clientWidth;
    options.clientHeight = m_clientHeight;
    options.minClientWidth = kMinClient;
    options.minClientHeight = kMinClient;
    PrepareWindow(options);
    m_window = app->CreateForm(options);
    m_window->SetEvents(this);
    AlignScenes();
    PutScenes(m_window.get());
}

void TAppForm::Show()
{
    CreateWindowHandle();
    if (m_window)
        m_window->Show();
}

void TAppForm::Hide()
{
    if (m_window)
        m_window->Hide();
}

int32_t TAppForm::ShowModal()
{
    CreateWindowHandle();
    if (!m_window)
        return platform::ui::kModalCancel;
    rtl::Watch<TAppForm> self(this);
    m_modal = true;
    const int32_t result = m_window->ShowModal();
    if (self)
        m_modal = false;
    return result;
}

void TAppForm::SetModalResult(int32_t value)
{
    if (m_window)
        m_window->SetModalResult(value);
}

void TAppForm::CloseForm()
{
    if (m_modal) {
        SetModalResult(platform::ui::kModalCancel);
        return;
    }
    Hide();
    if (m_mainForm)
        if (platform::ui::Application* app = platform::ui::Application::TryCurrent())
            app->Terminate();
}

void TAppForm::FormCloseRequest()
{
    CloseForm();
}

void TAppForm::FormResized(int32_t clientWidth, int32_t clientHeight)
{
    m_clientWidth = clientWidth;
    m_clientHeight = clientHeight;
    AlignScenes();
}
