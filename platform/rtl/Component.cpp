#include "platform/rtl/Component.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace rtl {

namespace {

// Names travel as short strings (a length byte) in the stream.
constexpr size_t kMaxNameBytes = 255;

constexpr TPropInfo kComponentProps[] = {
    RTL_PROP(TComponent, Name, String, "", false),
    RTL_PROP(TComponent, Tag, Int64, 0),
};

bool IsIdentStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool IsIdentChar(unsigned char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

// Identifiers as names are written: a letter or "_", then letters, digits and "_"; bytes of
// non-ASCII characters count as letters, so names in any script are accepted.
bool IsValidName(std::string_view name)
{
    if (name.empty() || !IsIdentStart(static_cast<unsigned char>(name[0])))
        return false;
    return std::all_of(
        name.begin(), name.end(), [](char c) { return IsIdentChar(static_cast<unsigned char>(c)); });
}

} // namespace

RTL_IMPLEMENT_CLASS(TComponent, .props = kComponentProps)

TComponent::TComponent(TComponent* owner)
{
    m_isComponent = true;
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    // Every link is gone by now (BeforeDestruction); only members are released here.
    assert(m_components.empty() && m_freeNotifies.empty() && !m_watches && !m_owner);
}

void TComponent::Free()
{
    if (m_freeing)
        return;
    const bool held = HeldByDispatch(this);
    m_freeing = true;
    MarkDestroying();
    // Watches clear before any override runs: code reached from a subclass's teardown
    // must already see the component as gone.
    while (m_watches)
        m_watches->Attach(nullptr);
    if (held) {
        WithdrawForDispatch();
        return;
    }
    BeforeDestruction();
    delete this;
}

bool TComponent::IsFreed() const
{
    if (m_freeing)
        return true;
    if (detail::t_deferredFrees == 0)
        return false;
    return AnyAlong(this, [](const TComponent* c) { return c->m_freeDeferred; });
}

void TComponent::MarkDestroying()
{
    if (IsDestroying())
        return;
    m_state.Include(csDestroying);
    for (TComponent* c : m_components)
        c->MarkDestroying();
}

void TComponent::BeforeDestruction()
{
    while (m_watches)
        m_watches->Attach(nullptr);

    for (TComponent* other : std::exchange(m_freeNotifies, {})) {
        std::erase(other->m_freeNotifies, this);
        other->Notification(this, opRemove);
    }

    // Newest first. Each leaves the list before it is freed, so the loop ends even when an
    // override forgets to call Inherited, and its siblings still hear of it.
    while (!m_components.empty()) {
        TComponent* c = m_components.back();
        RemoveComponent(c);
        c->Free();
    }

    if (m_owner)
        m_owner->RemoveComponent(this);
}

void TComponent::SetName(const std::string& value)
{
    if (value == m_name)
        return;
    if (!value.empty()) {
        if (!IsValidName(value))
            throw ComponentError("Component name \"" + value + "\" is not a valid identifier");
        if (value.size() > kMaxNameBytes)
            throw ComponentError("Component name \"" + value.substr(0, 32) + "...\" is too long");
        if (m_owner) {
            TComponent* other = m_owner->FindComponent(value);
            if (other && other != this)
                throw ComponentError("A component named " + value + " already exists");
        }
    }
    m_name = value;
}

TComponent* TComponent::GetComponent(int index) const
{
    assert(index >= 0 && index < GetComponentCount());
    return m_components[static_cast<size_t>(index)];
}

int TComponent::GetComponentIndex() const
{
    if (!m_owner)
        return -1;
    auto it = std::find(m_owner->m_components.begin(), m_owner->m_components.end(), this);
    return static_cast<int>(it - m_owner->m_components.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* c : m_components) {
        // One whose parent's free waits for a dispatch is gone, and so is its name.
        if (SameText(c->m_name, name) && !(detail::t_deferredFrees != 0 && c->IsFreed()))
            return c;
    }
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component || component->m_owner == this || component == this)
        return;
    if (!component->m_name.empty()) {
        TComponent* other = FindComponent(component->m_name);
        if (other)
            throw ComponentError("A component named " + component->m_name + " already exists");
    }
    if (component->m_owner)
        component->m_owner->RemoveComponent(component);
    m_components.push_back(component);
    component->m_owner = this;
    // What a designed owner holds is designed too.
    if (IsDesigning())
        component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!component || component->m_owner != this)
        return;
    Notification(component, opRemove);
    std::erase(m_components, component);
    component->m_owner = nullptr;
}

void TComponent::SetDesigning(bool value)
{
    SetState(csDesigning, value);
    for (TComponent* c : m_components)
        c->SetDesigning(value);
}

void TComponent::SetState(TComponentStateItem item, bool on)
{
    if (on)
        m_state.Include(item);
    else
        m_state.Exclude(item);
}

void TComponent::AddUnique(std::vector<TComponent*>& list, TComponent* component)
{
    if (std::find(list.begin(), list.end(), component) == list.end())
        list.push_back(component);
}

void TComponent::FreeNotification(TComponent* component)
{
    // A component already being freed has told its subscribers: a link made now would
    // never be cleared.
    if (!component || component == this || m_freeing || component->m_freeing)
        return;
    AddUnique(m_freeNotifies, component);
    AddUnique(component->m_freeNotifies, this);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component)
        return;
    std::erase(m_freeNotifies, component);
    std::erase(component->m_freeNotifies, this);
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    Broadcast(component, operation);
}

void TComponent::Broadcast(TComponent* component, TOperation operation)
{
    // A handler may free components of this list: walk by index from the end and clamp
    // the index to what is left after each call.
    size_t i = m_components.size();
    while (i > 0) {
        --i;
        if (i >= m_components.size()) {
            i = m_components.size();
            continue;
        }
        TComponent* c = m_components[i];
        if (c != component)
            c->Notification(component, operation);
    }
}

void TComponent::Loaded()
{
    SetState(csLoading, false);
}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    if (root != this)
        return;
    // Copy: a writer's callback may not change the list, but nothing guarantees it.
    const std::vector<TComponent*> owned = m_components;
    for (TComponent* c : owned) {
        if (!c->HasParent())
            proc(c);
    }
}

TComponent* TComponent::GetParentComponent() const
{
    return nullptr;
}

void TComponent::SetParentComponent(TComponent*) { }

bool TComponent::HasParent() const
{
    return false;
}

// ---- Watch ------------------------------------------------------------------------------

void WatchBase::Attach(TComponent* target)
{
    if (target == m_target)
        return;
    if (m_target) {
        if (m_prev)
            m_prev->m_next = m_next;
        else
            m_target->m_watches = m_next;
        if (m_next)
            m_next->m_prev = m_prev;
        m_prev = m_next = nullptr;
    }
    m_target = target;
    if (target && !target->m_freeing) {
        m_next = target->m_watches;
        if (m_next)
            m_next->m_prev = this;
        target->m_watches = this;
    } else {
        m_target = nullptr; // a component being freed is already gone for watchers
    }
}

// ---- frees deferred by a dispatch ----------------------------------------------------------

namespace {

// The components of this thread whose teardown waits for a dispatch, in the order freed,
// with the level they were freed in.
struct DeferredEntry {
    TComponent* component;
    int level;
};
thread_local std::vector<DeferredEntry>* t_deferredByDispatch = nullptr;

std::vector<DeferredEntry>& DeferredByDispatch()
{
    // Never destroyed, like the queue below: components may be freed while the thread ends.
    if (!t_deferredByDispatch)
        t_deferredByDispatch = new std::vector<DeferredEntry>;
    return *t_deferredByDispatch;
}

} // namespace

bool detail::IsFreedSender(const TObject* sender)
{
    return sender && sender->IsComponent() && static_cast<const TComponent*>(sender)->IsFreed();
}

template <class Pred> bool TComponent::AnyAlong(const TComponent* component, Pred pred)
{
    // The components whose free takes `component` along: its owners and its parents, each
    // of them with its own owners and parents. The walk is bounded; trees are far shallower.
    int budget = 4096;
    const auto walk = [&](const auto& self, const TComponent* c) -> bool {
        for (; c && budget > 0; c = c->m_owner, --budget) {
            if (pred(c))
                return true;
            const TComponent* parent = c->GetParentComponent();
            if (parent && parent != c->m_owner && self(self, parent))
                return true;
        }
        return false;
    };
    return walk(walk, component);
}

bool TComponent::HeldByDispatch(const TComponent* component)
{
    for (const detail::DispatchFrame* f = detail::t_innermostFrame; f; f = f->outer) {
        // Frames hold components only (TEvent and DispatchGuard see to it).
        const auto* receiver = static_cast<const TComponent*>(f->receiver);
        if (receiver && AnyAlong(receiver, [component](const TComponent* c) { return c == component; }))
            return true;
    }
    return false;
}

void TComponent::WithdrawForDispatch()
{
    // What BeforeDestruction would tell the world, told now; the owned components and the
    // teardown of subclasses wait.
    for (TComponent* other : std::exchange(m_freeNotifies, {})) {
        std::erase(other->m_freeNotifies, this);
        other->Notification(this, opRemove);
    }
    SetParentComponent(nullptr);
    if (m_owner)
        m_owner->RemoveComponent(this);
    m_freeDeferred = true;
    ++detail::t_deferredFrees;
    DeferredByDispatch().push_back({ this, detail::t_level });
}

void TComponent::FinishDeferredFree()
{
    m_freeDeferred = false;
    --detail::t_deferredFrees;
    BeforeDestruction();
    delete this;
}

void detail::TearDownDeferred()
{
    // Each teardown may free, defer or reparent others: look again from the start after
    // every one.
    std::vector<DeferredEntry>& deferred = DeferredByDispatch();
    for (size_t i = 0; i < deferred.size();) {
        TComponent* c = deferred[i].component;
        if (deferred[i].level < t_level || TComponent::HeldByDispatch(c)) {
            ++i;
            continue;
        }
        deferred.erase(deferred.begin() + static_cast<std::ptrdiff_t>(i));
        c->FinishDeferredFree();
        i = 0;
    }
}

DispatchGuard::DispatchGuard(TComponent* receiver)
    : m_hold(receiver)
{ }

// ---- deferred free ------------------------------------------------------------------------

namespace {

struct DeferQueue {
    std::vector<std::unique_ptr<Watch<TComponent>>> items;
    TDeferPoster poster = nullptr;
};

DeferQueue& Deferred()
{
    // Never destroyed: its watches must stay valid while components die during exit.
    static DeferQueue* queue = new DeferQueue;
    return *queue;
}

} // namespace

void DeferFree(TComponent* component)
{
    if (!component)
        return;
    DeferQueue& q = Deferred();
    const bool first = q.items.empty();
    q.items.push_back(std::make_unique<Watch<TComponent>>(component));
    if (first && q.poster)
        q.poster();
}

int ProcessDeferred()
{
    DeferQueue& q = Deferred();
    // Components deferred while these are freed wait for the next call.
    auto items = std::exchange(q.items, {});
    int freed = 0;
    for (auto& w : items) {
        if (TComponent* c = w->Get()) {
            c->Free();
            ++freed;
        }
    }
    return freed;
}

void SetDeferPoster(TDeferPoster poster)
{
    Deferred().poster = poster;
}

} // namespace rtl
