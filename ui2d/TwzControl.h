#pragma once

#include "platform/rtl/Component.h"
#include "ui2d/TwzVisualObject.h"

#include <string>
#include <vector>

// A visual object whose look is a copy of a named style object: a subtree of shapes, texts,
// effects and animations found in the host's style sheet, in the built-in style or among
// the live objects. The copy becomes the control's first child, aligned vaContents, locked
// and unstored, and follows the control's state through trigger strings.
//
// Nothing is looked up at construction: the lookup runs just before the control is first
// painted or focused, at once when Resource is set after loading, and whenever the host
// restyles (UpdateStyle).
//
// Lookup order (names compare without regard to ASCII case):
//  1. With a Resource: the host's sheet, the built-in style (when already loaded), then the
//     live stored objects, newest first. A visual find is cloned and the clone's
//     ResourceName cleared.
//  2. The built-in style is loaded when it is not yet.
//  3. The host's sheet: Resource, then the class-derived name (the class name without its
//     first three characters, followed by "style": TwzButton looks up "buttonstyle").
//  4. The built-in style: Resource, the class-derived name, then the parent class's.
// Every step ignores an object that is not visual.
class TwzControl : public TwzVisualObject {
    RTL_CLASS(TwzControl, TwzVisualObject)
public:
    explicit TwzControl(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    /// Name of the style object; empty: the name derived from the class.
    [[nodiscard]] const std::string& GetResource() const { return m_resource; }
    /// Stores the name (also when unchanged), marks the lookup pending and, unless loading,
    /// looks the style up and applies it at once.
    void SetResource(const std::string& value);

    // ---- published by the subclasses that hold values or texts -----------------------------
    [[nodiscard]] TwzControl* GetBindingSource() const { return m_bindingSource; }
    /// Leaves the old source's bound list and joins the new one's; the new source pushes its
    /// value to this control at once.
    void SetBindingSource(TwzControl* value);
    /// Whether the texts of a text-bearing subclass pass through the current translation
    /// when it applies its style. The base never reads it.
    [[nodiscard]] bool GetAutoTranslate() const { return m_autoTranslate; }
    void SetAutoTranslate(bool value) { m_autoTranslate = value; }

    // ---- style ----------------------------------------------------------------------------
    /// The copy currently applied (child 0), or null.
    [[nodiscard]] TwzVisualObject* GetAppliedStyle() const { return m_appliedStyle.Get(); }
    /// True until the next LoadStyle has run the lookup.
    [[nodiscard]] bool GetStyleLookupPending() const { return m_lookupPending; }
    /// The lookup described above: a new copy owned by the control, or null.
    [[nodiscard]] TwzVisualObject* FindStyleObject();
    /// The class-derived style name of a class ("TwzButton" gives "Buttonstyle").
    [[nodiscard]] static std::string ClassStyleName(const rtl::TClassInfo& info);

    /// Called after a new copy has been applied: subclasses find their parts in it by
    /// resource name. The base re-sends the focus state to the new copy.
    virtual void ApplyStyle();
    /// Called before the current copy goes: subclasses drop their part references.
    virtual void FreeStyle();

    /// First in the applied style, then among the control's own children.
    [[nodiscard]] TwzObject* FindResource(const std::string& name) override;
    /// Unless loading or being destroyed: the children's UpdateStyle, then a new lookup.
    void UpdateStyle() override;
    /// The visual children's LoadStyle, then the lookup and application when pending.
    void LoadStyle() override;
    /// The visual object's BeforePaint, then LoadStyle.
    void BeforePaint() override;
    /// LoadStyle, then the visual object's EnterFocus: the style is there before the focus
    /// state is sent to it.
    void EnterFocus() override;
    /// A control paints nothing of its own: its copy does.
    void Paint() override;
    /// Takes no bound value; subclasses that hold one override it.
    void SetData(const rtl::TValue& value) override;
    /// Pushes GetData into SetData of every control bound to this one.
    void UpdateBinding();
    /// The controls whose BindingSource is this control.
    [[nodiscard]] const std::vector<TwzControl*>& BoundControls() const { return m_boundControls; }

    [[nodiscard]] TwzControl* AsControl() override;

protected:
    ~TwzControl() override;

    /// Stores the name and marks the lookup pending without looking it up: for constructors,
    /// which run before the control has a host to look in.
    void StoreResource(const std::string& value)
    {
        m_resource = value;
        m_lookupPending = true;
    }

    /// The visual object's after-load step; the host's active control then takes the focus.
    void Loaded() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void ObjectRemoving(TwzObject* child) override;
    void BeforeDestruction() override;

private:
    void ApplyFoundStyle(TwzVisualObject* style);
    void ForgetStyle();
    /// The number of applied style copies this control sits in.
    [[nodiscard]] int StyleNesting() const;
    [[nodiscard]] bool IsSelfOrAncestor(const TwzObject* object) const;
    void JoinSource(TwzControl* source);
    void LeaveSource(TwzControl* source);

    std::string m_resource;
    rtl::Watch<TwzVisualObject> m_appliedStyle; // owned as child 0
    TwzControl* m_bindingSource = nullptr; // not owned
    std::vector<TwzControl*> m_boundControls; // not owned
    bool m_lookupPending = true;
    bool m_autoTranslate = true;
};
