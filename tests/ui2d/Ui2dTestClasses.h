#pragma once

// Small 2D object classes for the tree tests: a node with stored properties and a log of its
// hooks, stand-ins for the roles later layers take (animation, effect, style part, content
// container) and a value that links to a named resource object the way bitmaps, paths and
// brushes do.

#include "graphics/ObjectLinks.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Events.h"
#include "ui2d/TwzObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui2dtest {

/// Every destruction and hook call of the test classes, in order ("free:A", "parent:A").
std::vector<std::string>& EventLog();

/// Registers the test classes for streaming (once) and starts the 2D library.
void RegisterTestClasses();

class TTestObject : public TwzObject {
    RTL_CLASS(TTestObject, TwzObject)
public:
    explicit TTestObject(rtl::TComponent* owner);

    [[nodiscard]] const std::string& GetCaption() const { return m_caption; }
    void SetCaption(const std::string& value) { m_caption = value; }
    [[nodiscard]] int32_t GetValue() const { return m_value; }
    void SetValue(int32_t value) { m_value = value; }
    /// Refuses "boom" by raising, as a setter that validates its input does.
    [[nodiscard]] const std::string& GetFragile() const { return m_fragile; }
    void SetFragile(const std::string& value);
    void StoreFragileUnchecked(const std::string& value) { m_fragile = value; }

    rtl::TNotifyEvent OnPoke;
    /// Raises OnPoke; touches nothing afterwards.
    void Poke() { OnPoke(this); }

    /// SetData raises for the text "refuse"; otherwise stores the text as the caption.
    void SetData(const rtl::TValue& value) override;

    int parentChanges = 0;
    int addedHooks = 0;
    int attachedHooks = 0;
    int removingHooks = 0;
    int frontHooks = 0;
    int backHooks = 0;
    std::vector<rtl::TComponent*> removals; // Notification(x, opRemove) received

protected:
    void ParentChanged() override;
    void ObjectAdded(TwzObject* child) override;
    void AttachedToParent() override;
    void ObjectRemoving(TwzObject* child) override;
    void BroughtToFront() override;
    void ChildSentToBack(TwzObject* child) override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

private:
    std::string m_caption;
    std::string m_fragile;
    int32_t m_value = 0;
};

/// An animation as the tree sees it.
class TFakeAnimation : public TwzObject, public ui2d::IAnimationChild {
    RTL_CLASS(TFakeAnimation, TwzObject)
public:
    explicit TFakeAnimation(rtl::TComponent* owner);

    void Start() override;
    void Stop() override;
    void StartTrigger(TwzObject* instance, const std::string& trigger) override;
    [[nodiscard]] bool GetRunning() const override { return m_running; }
    [[nodiscard]] const std::string& GetTrigger() const override { return m_trigger; }
    void SetTrigger(const std::string& value) { m_trigger = value; }

    /// Advances the animation one step; it stops after `ticksToRun` steps.
    void Tick();

    int starts = 0;
    int stops = 0;
    int ticksToRun = 0;
    std::vector<std::string> triggers;
    TwzObject* lastInstance = nullptr;
    /// Raised from StartTrigger; a handler may free anything.
    rtl::TNotifyEvent OnTriggered;

private:
    std::string m_trigger;
    bool m_running = false;
};

class TFakeEffect : public TwzObject, public ui2d::IEffectChild {
    RTL_CLASS(TFakeEffect, TwzObject)
public:
    explicit TFakeEffect(rtl::TComponent* owner);
    void ApplyTrigger(TwzObject* instance, const std::string& trigger) override;
    std::vector<std::string> triggers;
};

/// A part of an applied style: it receives its parent's trigger requests.
class TFakeStylePart : public TwzObject {
    RTL_CLASS(TFakeStylePart, TwzObject)
public:
    explicit TFakeStylePart(rtl::TComponent* owner);

protected:
    [[nodiscard]] bool ReceivesParentTriggers() const override { return true; }
};

/// A content container: its children stream as its parent's.
class TFakeContent : public TwzObject {
    RTL_CLASS(TFakeContent, TwzObject)
public:
    explicit TFakeContent(rtl::TComponent* owner);

protected:
    [[nodiscard]] bool IsContent() const override { return true; }
};

/// A value linked to a named resource object, as bitmaps, paths and brushes are: it finds
/// the object by name through the graphics seam and registers on its free-notify list.
class TFakeLink : public rtl::TPersistent, public objectlinks::IFreeNotify {
    RTL_CLASS(TFakeLink, rtl::TPersistent)
public:
    TFakeLink() = default;
    ~TFakeLink() override;

    void SetResource(rtl::TComponent* value);
    [[nodiscard]] rtl::TComponent* GetResource() const { return m_resource; }
    void SetResourceName(const std::string& value) { m_resourceName = value; }
    [[nodiscard]] const std::string& GetResourceName() const { return m_resourceName; }
    /// The linked object, looked up by name while unlinked.
    rtl::TComponent* Resolve();

    void FreeNotify(rtl::TComponent* object) override;

    int changes = 0;

private:
    rtl::TComponent* m_resource = nullptr;
    std::string m_resourceName;
};

/// Registers the classes, empties the event log and checks that a test leaves no live 2D
/// object behind.
class Ui2dTest : public ::testing::Test {
protected:
    void SetUp() override;
    // Runs after the derived fixture's members (the roots it holds) are gone.
    ~Ui2dTest() override;

private:
    int m_liveAtStart = 0;
};

} // namespace ui2dtest
