#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/ComponentLink.h"
#include "platform/rtl/Events.h"

#include <cstdint>
#include <string>
#include <vector>

class TwzAction;
class TwzActionList;
class TwzControl;

/// Runs when a linked control asks to show the action's hint; may change the text.
using TwzActionHintEvent = rtl::TEvent<std::u16string&>;

// Connects a TwzAction to one control so that the action's caption, enabled, checked, hint
// and visible states and its execute handler drive the control. Each value follows only
// while it is linked: while the control's value still equals the action's (a button whose
// text was changed by hand keeps its text when the caption changes). A control with no
// published "Text" has no caption, one with no published "IsChecked" no checked state.
//
// The link is owned by its control (it goes with it) and hears when the action goes.
class TwzControlActionLink : public rtl::TComponent {
    RTL_CLASS(TwzControlActionLink, rtl::TComponent)
public:
    /// Creates the link owned by `client`; use SetClientAction to make one.
    explicit TwzControlActionLink(rtl::TComponent* owner);

    /// The link of `client` (made when missing) pointed at `action`: the client copies the
    /// action's values (TwzControl::ActionChange; while the action loads only over the
    /// client's defaults). Null unlinks (and frees the link).
    static TwzControlActionLink* SetClientAction(TwzControl* client, TwzAction* action);
    /// `client`'s link, or null.
    [[nodiscard]] static TwzControlActionLink* Of(const TwzControl* client);

    /// Raises ConvertError unless `client` is a TwzControl.
    void AssignClient(rtl::TObject* client);
    [[nodiscard]] TwzControl* GetClient() const { return m_client; }
    [[nodiscard]] TwzAction* GetAction() const { return m_action; }

    // Whether each value still follows the action.
    [[nodiscard]] bool IsCaptionLinked() const;
    [[nodiscard]] bool IsEnabledLinked() const;
    [[nodiscard]] bool IsCheckedLinked() const;
    [[nodiscard]] bool IsHintLinked() const;
    [[nodiscard]] bool IsVisibleLinked() const;
    [[nodiscard]] bool IsOnExecuteLinked() const;

    // Called by the action before it stores a new value; each acts only when linked.
    void SetCaption(const std::u16string& value);
    void SetEnabled(bool value);
    void SetChecked(bool value);
    void SetHint(const std::u16string& value);
    void SetVisible(bool value);
    void SetOnExecute(const rtl::TNotifyEvent& value);

    /// Runs the action's OnHint on `hint`; always true.
    bool DoShowHint(std::u16string& hint);

protected:
    ~TwzControlActionLink() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

private:
    void SetAction(TwzAction* action);

    TwzControl* m_client = nullptr; // the owner
    rtl::ComponentLink<TwzAction> m_action { this };
};

// A command shared by controls: a caption, enabled, checked, hint and visible states and an
// execute handler, which every control linked to it (TwzControlActionLink) follows.
class TwzAction : public rtl::TComponent {
    RTL_CLASS(TwzAction, rtl::TComponent)
public:
    explicit TwzAction(rtl::TComponent* owner);

    // Published. Each setter tells the links first (they compare with the old value), then
    // stores.
    [[nodiscard]] const std::u16string& GetCaption() const { return m_caption; }
    void SetCaption(const std::u16string& value);
    [[nodiscard]] bool GetEnabled() const { return m_enabled; }
    void SetEnabled(bool value);
    [[nodiscard]] bool GetChecked() const { return m_checked; }
    void SetChecked(bool value);
    [[nodiscard]] const std::u16string& GetHint() const { return m_hint; }
    void SetHint(const std::u16string& value);
    [[nodiscard]] bool GetVisible() const { return m_visible; }
    void SetVisible(bool value);
    /// The number of the action's picture in its list's Images; -1 for none.
    [[nodiscard]] int32_t GetImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int32_t value) { m_imageIndex = value; }
    /// Tells the links, then stores OnExecute.
    void SetOnExecute(const rtl::TNotifyEvent& value);

    rtl::TNotifyEvent OnExecute;
    TwzActionHintEvent OnHint;
    /// Runs when a linked control asks the action to bring its state up to date.
    rtl::TNotifyEvent OnUpdate;

    /// Runs OnExecute when the action is enabled and has one; true when it ran.
    bool Execute();
    /// Runs OnUpdate when there is one; true when it ran.
    bool Update();
    [[nodiscard]] const std::vector<TwzControlActionLink*>& Links() const { return m_links; }

    /// The list the action belongs to (stored inside it), or null.
    [[nodiscard]] TwzActionList* GetActionList() const { return m_actionList; }
    /// Leaves the old list and joins the end of the new one.
    void SetActionList(TwzActionList* value);

    [[nodiscard]] rtl::TComponent* GetParentComponent() const override;
    void SetParentComponent(rtl::TComponent* parent) override;
    /// True inside a list: the list writes the action.
    [[nodiscard]] bool HasParent() const override;

protected:
    ~TwzAction() override;
    /// Leaves its list.
    void BeforeDestruction() override;

private:
    friend class TwzControlActionLink;
    friend class TwzActionList;

    std::u16string m_caption;
    std::u16string m_hint;
    std::vector<TwzControlActionLink*> m_links; // not owned; each removes itself
    TwzActionList* m_actionList = nullptr;
    int32_t m_imageIndex = -1;
    bool m_enabled = true;
    bool m_checked = false;
    bool m_visible = true;
};

// Actions that share one list of pictures: an action's ImageIndex numbers a picture of the
// list's Images, which a bitmap button linked to the action shows. The actions are stored
// inside the list and go with it.
class TwzActionList : public rtl::TComponent {
    RTL_CLASS(TwzActionList, rtl::TComponent)
public:
    explicit TwzActionList(rtl::TComponent* owner);

    // Published.
    /// The picture list (a TwzImageList); a plain link, cleared when it goes. A new list
    /// reaches the controls linked to the actions as a change of their actions, over their
    /// defaults only.
    [[nodiscard]] rtl::TComponent* GetImages() const { return m_images; }
    void SetImages(rtl::TComponent* value);

    [[nodiscard]] int GetActionCount() const { return static_cast<int>(m_actions.size()); }
    [[nodiscard]] TwzAction* GetAction(int index) const { return m_actions.at(static_cast<size_t>(index)); }

    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

protected:
    ~TwzActionList() override;
    /// Frees its actions, newest first.
    void BeforeDestruction() override;

private:
    friend class TwzAction;

    std::vector<TwzAction*> m_actions; // freed with the list
    rtl::ComponentLink<rtl::TComponent> m_images { this };
};
