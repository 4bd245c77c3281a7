#pragma once

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Components: named objects with an owner that frees them, told when a component they link
// to is freed, and read from and written to the binary component stream.
//
// Who frees what: an owner frees the components it owns (a parent in an object tree frees
// its children the same way); nobody else deletes a component. A plain link to another
// component is registered with FreeNotification and cleared in Notification(c, opRemove).
namespace rtl {

enum TOperation : uint8_t { opInsert, opRemove };

enum TComponentStateItem : uint8_t { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateItem>;

class WatchBase;

/// Called by GetChildren for each child to be streamed.
using TGetChildProc = std::function<void(TComponent* child)>;

class TComponent : public TPersistent {
    RTL_CLASS(TComponent, TPersistent)
public:
    /// Joins `owner`'s components (last) when owner is not null; the owner frees it.
    explicit TComponent(TComponent* owner);

    /// The only way to destroy a component: marks it and everything it owns as destroying,
    /// runs BeforeDestruction() while the whole object exists, then deletes it. A second
    /// Free() from inside that (a notification handler) does nothing.
    ///
    /// While a dispatch holds the component (Dispatch.h: a dispatch to it, or to a component
    /// it owns or parents at any depth), it is freed for everybody at once: its watches
    /// clear, its linked components are told, it leaves its parent
    /// (SetParentComponent(nullptr)) and its owner, its name is free again, and its events
    /// reach no handler. Only its teardown and its memory wait, until the outermost dispatch
    /// returns, so the code of the dispatch runs on to its end without checks of its own.
    void Free() final;
    /// True once the component is freed for everybody: its Free() has begun, or the free of
    /// an owner or parent of it (at any depth) waits for a dispatch. Code that must not act
    /// for a freed component after running a handler (open a dialog, route input on) asks
    /// this.
    [[nodiscard]] bool IsFreed() const;

    // Published: Name (never stored as a property: the stream's object header carries it)
    // and Tag.
    [[nodiscard]] const std::string& GetName() const { return m_name; }
    /// Raises ComponentError for a name that is not an identifier, is longer than 255 bytes
    /// (the stream's limit) or that another component of the same owner already has (ASCII
    /// case ignored). The empty name is always allowed.
    virtual void SetName(const std::string& value);
    [[nodiscard]] int64_t GetTag() const { return m_tag; }
    void SetTag(int64_t value) { m_tag = value; }

    [[nodiscard]] TComponent* GetOwner() const { return m_owner; }
    [[nodiscard]] int GetComponentCount() const { return static_cast<int>(m_components.size()); }
    /// The owned component at `index` (creation order); no range check beyond an assert.
    [[nodiscard]] TComponent* GetComponent(int index) const;
    [[nodiscard]] std::span<TComponent* const> Components() const { return m_components; }
    /// The position of this component in its owner's list; -1 without an owner.
    [[nodiscard]] int GetComponentIndex() const;
    /// The owned component named `name` (ASCII case ignored); null for the empty name. One
    /// freed for everybody (IsFreed) has no name any more.
    [[nodiscard]] TComponent* FindComponent(std::string_view name) const;

    /// Makes this the owner of `component` (leaving its previous owner first).
    void InsertComponent(TComponent* component);
    /// Releases `component` from this owner without freeing it.
    void RemoveComponent(TComponent* component);

    [[nodiscard]] TComponentState GetComponentState() const { return m_state; }
    [[nodiscard]] bool IsLoading() const { return m_state.Contains(csLoading); }
    [[nodiscard]] bool IsDestroying() const { return m_state.Contains(csDestroying); }
    [[nodiscard]] bool IsDesigning() const { return m_state.Contains(csDesigning); }
    /// Design mode for this component and everything it owns (never set by the application).
    void SetDesigning(bool value);

    /// `component` keeps a plain link to this one and must hear when this one is freed.
    /// Symmetric: whichever of the two is freed first tells the other, so either may die
    /// first.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    /// Told when `component` joins (opInsert) or leaves (opRemove) this component's owned
    /// list or one below it, and when a component registered with FreeNotification is freed.
    /// The base drops the free notification link and passes the call on to every owned
    /// component, so siblings on one owner hear of each other. Overrides call Inherited
    /// and must not assume `component` survives the call. An opInsert sent while
    /// `component` is being constructed (owner given to its constructor) comes before its
    /// own constructor has run: use it only as an address then.
    virtual void Notification(TComponent* component, TOperation operation);

    /// Runs once after a stream has been read completely, on every component read, in
    /// read order, with csLoading already cleared.
    virtual void Loaded();

    // Streaming hooks.
    /// Calls `proc` for each child to be written nested inside this component. The base
    /// passes, when this is the root being written, its owned components that have no
    /// parent (HasParent() is false).
    virtual void GetChildren(const TGetChildProc& proc, TComponent* root);
    /// The component whose children block holds this one; the base has none.
    [[nodiscard]] virtual TComponent* GetParentComponent() const;
    /// Called by the reader with the component whose children block it is reading, and with
    /// null by a Free() that a dispatch defers: the component leaves its parent.
    virtual void SetParentComponent(TComponent* parent);
    [[nodiscard]] virtual bool HasParent() const;

protected:
    ~TComponent() override;
    /// Tells watchers and free-notification subscribers, frees the owned components
    /// newest first, then leaves the owner. Overrides do their own steps, then call
    /// Inherited.
    void BeforeDestruction() override;

private:
    friend class WatchBase;
    friend class TReader;
    friend class TWriter;
    friend void detail::TearDownDeferred();

    void SetState(TComponentStateItem item, bool on);
    void MarkDestroying();
    /// The part of Free() that a dispatch holding the component does not defer.
    void WithdrawForDispatch();
    /// The teardown of a component whose free waited for a dispatch.
    void FinishDeferredFree();
    /// Whether `pred` holds for `component` or a component whose free takes it along (an
    /// owner or parent, at any depth).
    template <class Pred> static bool AnyAlong(const TComponent* component, Pred pred);
    [[nodiscard]] static bool HeldByDispatch(const TComponent* component);
    static void AddUnique(std::vector<TComponent*>& list, TComponent* component);
    void Broadcast(TComponent* component, TOperation operation);

    std::string m_name;
    int64_t m_tag = 0;
    TComponent* m_owner = nullptr;
    std::vector<TComponent*> m_components; // owned, in creation order
    std::vector<TComponent*> m_freeNotifies; // not owned; kept symmetric
    WatchBase* m_watches = nullptr; // intrusive list of Watch objects aimed at this
    TComponentState m_state;
    bool m_freeing = false;
    bool m_freeDeferred = false; // freed while a dispatch held it; teardown still to come
};

/// Frees a component (or any TObject) when the holder goes; for plain C++ holders of a
/// root (main, tests, dialogs).
struct TFree {
    template <class T> void operator()(T* object) const
    {
        if (object)
            object->Free();
    }
};
template <class T> using TOwned = std::unique_ptr<T, TFree>;

/// Untyped part of Watch.
class WatchBase {
public:
    WatchBase(const WatchBase&) = delete;
    WatchBase& operator=(const WatchBase&) = delete;

protected:
    WatchBase() = default;
    ~WatchBase() { Attach(nullptr); }
    void Attach(TComponent* target);
    /// The target, or null once it is freed for everybody (TComponent::IsFreed).
    [[nodiscard]] TComponent* Live() const
    {
        if (m_target && detail::t_deferredFrees != 0 && m_target->IsFreed())
            return nullptr;
        return m_target;
    }
    TComponent* m_target = nullptr;

private:
    friend class TComponent;
    WatchBase* m_prev = nullptr;
    WatchBase* m_next = nullptr;
};

/// A pointer that turns null when its target is freed: for code that holds an object across
/// dispatches (a nested loop, a blocking menu or dialog, a deferred command, a timer).
/// Null as soon as the target's Free() begins, or that of an owner or parent whose free a
/// dispatch defers.
template <class T> class Watch final : public WatchBase {
public:
    Watch() = default;
    Watch(T* target) { Attach(target); }
    Watch(const Watch& other)
        : WatchBase()
    {
        Attach(other.m_target);
    }
    Watch& operator=(const Watch& other)
    {
        Attach(other.m_target);
        return *this;
    }
    Watch& operator=(T* target)
    {
        Attach(target);
        return *this;
    }

    [[nodiscard]] T* Get() const { return static_cast<T*>(Live()); }
    operator T*() const { return Get(); }
    T* operator->() const { return Get(); }
    explicit operator bool() const { return Live() != nullptr; }
};

/// Frees `component` on a later turn of the event loop, for a handler that must free the
/// object whose event is running. A component freed meanwhile by other means is skipped;
/// deferring it twice frees it once.
void DeferFree(TComponent* component);

/// Frees the components deferred so far; returns how many it freed. The event loop calls
/// this when the poster's request comes; without a poster, callers call it themselves.
int ProcessDeferred();

/// Installed by the event loop: asked, when a first component is deferred, to arrange one
/// call of ProcessDeferred on a later loop turn.
using TDeferPoster = void (*)();
void SetDeferPoster(TDeferPoster poster);

} // namespace rtl

RTL_ENUM(rtl::TOperation, "opInsert", "opRemove");
RTL_ENUM(rtl::TComponentStateItem, "csLoading", "csReading", "csWriting", "csDestroying", "csDesigning");
