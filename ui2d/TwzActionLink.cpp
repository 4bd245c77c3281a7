#include "ui2d/TwzAction.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"
#include "ui2d/TwzControl.h"

#include <algorithm>

namespace {

constexpr rtl::TPropInfo kActionProps[] = {
    RTL_PROP(TwzAction, Caption, WideString, u""),
    RTL_PROP(TwzAction, Checked, Boolean, false),
    RTL_PROP(TwzAction, Enabled, Boolean, true),
    RTL_PROP(TwzAction, Hint, WideString, u""),
    RTL_PROP(TwzAction, Visible, Boolean, true),
    RTL_PROP(TwzAction, ImageIndex, Integer, -1),
};

constexpr rtl::TPropInfo kActionListProps[] = {
    RTL_PROP(TwzActionList, Images, Component, nullptr),
};

constexpr rtl::TEventInfo kActionEvents[] = {
    RTL_EVENT(TwzAction, OnExecute),
    RTL_EVENT(TwzAction, OnUpdate),
};

/// The client's published property `name` of kind `kind`, or nothing.
rtl::TPropTarget ClientProp(TwzControl* client, std::string_view name, rtl::TPropKind kind)
{
    if (!client)
        return {};
    rtl::TPropTarget target = rtl::ResolveProp(*client, name);
    if (!target || target.object != client || target.prop->kind != kind)
        return {};
    return target;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzAction, .props = kActionProps, .events = kActionEvents)
RTL_IMPLEMENT_CLASS(TwzControlActionLink)
RTL_IMPLEMENT_CLASS(TwzActionList, .props = kActionListProps)

// ---- TwzAction ---------------------------------------------------------------------------

TwzAction::TwzAction(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

TwzAction::~TwzAction() = default;

void TwzAction::BeforeDestruction()
{
    SetActionList(nullptr);
    Inherited::BeforeDestruction();
}

void TwzAction::SetActionList(TwzActionList* value)
{
    if (value == m_actionList)
        return;
    if (m_actionList)
        std::erase(m_actionList->m_actions, this);
    m_actionList = value;
    if (m_actionList)
        m_actionList->m_actions.push_back(this);
}

rtl::TComponent* TwzAction::GetParentComponent() const
{
    return m_actionList;
}

void TwzAction::SetParentComponent(rtl::TComponent* parent)
{
    SetActionList(dynamic_cast<TwzActionList*>(parent));
}

bool TwzAction::HasParent() const
{
    return m_actionList != nullptr;
}

// The links may free their controls' neighbours through the values they set; each setter
// walks a copy and skips links that left meanwhile.
#define FOR_EACH_LINK(call)                                                                                  \
    do {                                                                                                     \
        const std::vector<TwzControlActionLink*> links = m_links;                                            \
        for (TwzControlActionLink * link : links) {                                                          \
            if (std::find(m_links.begin(), m_links.end(), link) != m_links.end())                            \
                link->call;                                                                                  \
        }                                                                                                    \
    } while (false)

void TwzAction::SetCaption(const std::u16string& value)
{
    if (value == m_caption)
        return;
    FOR_EACH_LINK(SetCaption(value));
    m_caption = value;
}

void TwzAction::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    FOR_EACH_LINK(SetEnabled(value));
    m_enabled = value;
}

void TwzAction::SetChecked(bool value)
{
    if (value == m_checked)
        return;
    FOR_EACH_LINK(SetChecked(value));
    m_checked = value;
}

void TwzAction::SetHint(const std::u16string& value)
{
    if (value == m_hint)
        return;
    FOR_EACH_LINK(SetHint(value));
    m_hint = value;
}

void TwzAction::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    FOR_EACH_LINK(SetVisible(value));
    m_visible = value;
}

void TwzAction::SetOnExecute(const rtl::TNotifyEvent& value)
{
    if (value == OnExecute)
        return;
    FOR_EACH_LINK(SetOnExecute(value));
    OnExecute = value;
}

#undef FOR_EACH_LINK

bool TwzAction::Execute()
{
    if (!m_enabled || !OnExecute)
        return false;
    OnExecute(this);
    return true;
}

bool TwzAction::Update()
{
    if (!OnUpdate)
        return false;
    OnUpdate(this);
    return true;
}

// ---- TwzActionList -----------------------------------------------------------------------

TwzActionList::TwzActionList(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

TwzActionList::~TwzActionList() = default;

void TwzActionList::BeforeDestruction()
{
    while (!m_actions.empty())
        m_actions.back()->Free(); // leaves the list first
    Inherited::BeforeDestruction();
}

void TwzActionList::SetImages(rtl::TComponent* value)
{
    if (!m_images.Set(value) || !value)
        return;
    // The controls' ActionChange may run their handlers, which may free anything here.
    std::vector<rtl::Watch<TwzControl>> clients;
    for (const TwzAction* action : m_actions)
        for (const TwzControlActionLink* link : action->Links())
            clients.emplace_back(link->GetClient());
    for (const rtl::Watch<TwzControl>& client : clients) {
        TwzAction* action = client ? client->GetAction() : nullptr;
        if (action && action->GetActionList() == this)
            client->ActionChange(action, true);
    }
}

void TwzActionList::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    const std::vector<TwzAction*> actions = m_actions;
    for (TwzAction* action : actions)
        proc(action);
}

void TwzActionList::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_images.Notification(component, operation);
}

// ---- TwzControlActionLink ----------------------------------------------------------------

TwzControlActionLink::TwzControlActionLink(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

TwzControlActionLink::~TwzControlActionLink() = default;

TwzControlActionLink* TwzControlActionLink::Of(const TwzControl* client)
{
    if (!client)
        return nullptr;
    for (rtl::TComponent* component : client->Components()) {
        if (auto* link = dynamic_cast<TwzControlActionLink*>(component))
            return link;
    }
    return nullptr;
}

TwzControlActionLink* TwzControlActionLink::SetClientAction(TwzControl* client, TwzAction* action)
{
    if (!client)
        return nullptr;
    TwzControlActionLink* link = Of(client);
    if (!action) {
        if (link)
            link->Free();
        return nullptr;
    }
    if (!link) {
        link = new TwzControlActionLink(nullptr);
        link->AssignClient(client);
    }
    link->SetAction(action);
    return link;
}

void TwzControlActionLink::AssignClient(rtl::TObject* client)
{
    auto* control = dynamic_cast<TwzControl*>(client);
    if (!control)
        throw rtl::ConvertError("An action link's client must be a TwzControl");
    if (m_client && m_client != control)
        m_client->RemoveComponent(this);
    m_client = control;
    if (GetOwner() != control)
        control->InsertComponent(this);
}

void TwzControlActionLink::SetAction(TwzAction* action)
{
    if (action == m_action)
        return;
    if (m_action)
        std::erase(m_action->m_links, this);
    m_action.Set(action);
    if (!action)
        return;
    action->m_links.push_back(this);
    // A new action sets every value, whatever the control showed before; one read with a
    // form (still loading) only fills what the form left at its defaults.
    if (m_client)
        m_client->ActionChange(action, action->IsLoading());
}

bool TwzControlActionLink::IsCaptionLinked() const
{
    const rtl::TPropTarget text = ClientProp(m_client, "Text", rtl::TPropKind::WideString);
    if (!text || !m_action)
        return false;
    const rtl::TValue value = rtl::GetPropValue(*text.object, *text.prop);
    const auto* current = std::get_if<std::u16string>(&value);
    return current && *current == m_action->GetCaption();
}

bool TwzControlActionLink::IsEnabledLinked() const
{
    return m_client && m_action && m_client->GetEnabled() == m_action->GetEnabled();
}

bool TwzControlActionLink::IsCheckedLinked() const
{
    const rtl::TPropTarget checked = ClientProp(m_client, "IsChecked", rtl::TPropKind::Boolean);
    if (!checked || !m_action)
        return false;
    const rtl::TValue value = rtl::GetPropValue(*checked.object, *checked.prop);
    const auto* current = std::get_if<bool>(&value);
    return current && *current == m_action->GetChecked();
}

bool TwzControlActionLink::IsHintLinked() const
{
    return m_client && m_action && m_client->GetHint() == m_action->GetHint();
}

bool TwzControlActionLink::IsVisibleLinked() const
{
    return m_client && m_action && m_client->GetVisible() == m_action->GetVisible();
}

bool TwzControlActionLink::IsOnExecuteLinked() const
{
    return m_client && m_action && m_client->OnClick == m_action->OnExecute;
}

void TwzControlActionLink::SetCaption(const std::u16string& value)
{
    if (!IsCaptionLinked())
        return;
    const rtl::TPropTarget text = ClientProp(m_client, "Text", rtl::TPropKind::WideString);
    rtl::SetPropValue(*text.object, *text.prop, rtl::TValue(value));
}

void TwzControlActionLink::SetEnabled(bool value)
{
    if (IsEnabledLinked())
        m_client->SetEnabled(value);
}

void TwzControlActionLink::SetChecked(bool value)
{
    if (!IsCheckedLinked())
        return;
    const rtl::TPropTarget checked = ClientProp(m_client, "IsChecked", rtl::TPropKind::Boolean);
    rtl::SetPropValue(*checked.object, *checked.prop, rtl::TValue(value));
}

void TwzControlActionLink::SetHint(const std::u16string& value)
{
    if (IsHintLinked())
        m_client->SetHint(value);
}

void TwzControlActionLink::SetVisible(bool value)
{
    if (IsVisibleLinked())
        m_client->SetVisible(value);
}

void TwzControlActionLink::SetOnExecute(const rtl::TNotifyEvent& value)
{
    if (IsOnExecuteLinked())
        m_client->OnClick = value;
}

bool TwzControlActionLink::DoShowHint(std::u16string& hint)
{
    if (m_action && m_action->OnHint)
        m_action->OnHint(hint);
    return true;
}

void TwzControlActionLink::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_action.Notification(component, operation);
}

void TwzControlActionLink::BeforeDestruction()
{
    if (m_action)
        std::erase(m_action->m_links, this);
    m_action.Set(nullptr);
    Inherited::BeforeDestruction();
}
