// The styled control base: the style lookup, applying the copy, data binding.

#include "ui2d/TwzControl.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Text.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAction.h"
#include "ui2d/TwzResources.h"

#include <algorithm>

namespace {

constexpr rtl::TPropInfo kControlProps[] = {
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP(TwzControl, TabOrder, Integer, -1),
};

/// A control inside this many applied style copies looks nothing up: a style whose parts
/// name the style itself (or an object holding it) would otherwise grow without end while
/// it is painted.
constexpr int kMaxStyleNesting = 16;

/// The visual object the lookup may clone, or null for a find that is not visual.
TwzVisualObject* VisualFind(TwzObject* found)
{
    return found ? found->AsVisual() : nullptr;
}

/// The first visual object `root` finds under any of `names` (empty names skipped).
TwzVisualObject* FindFirstVisual(TwzObject* root, std::initializer_list<std::string> names)
{
    if (!root)
        return nullptr;
    for (const std::string& name : names) {
        if (name.empty())
            continue;
        if (TwzVisualObject* found = VisualFind(root->FindResource(name)))
            return found;
    }
    return nullptr;
}

TwzObject* SheetRoot(IwzScene* scene)
{
    TwzResources* sheet = scene ? scene->GetStyle() : nullptr;
    return sheet ? sheet->GetRoot() : nullptr;
}

/// Locked on the object and every visual descendant: never hit in design mode, and parts
/// with HitTest off receive the control's triggers.
void LockRecursive(TwzVisualObject& object)
{
    object.SetLocked(true);
    for (TwzObject* child : object.Children()) {
        if (TwzVisualObject* visual = child->AsVisual())
            LockRecursive(*visual);
    }
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzControl, .props = kControlProps)

TwzControl::TwzControl(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{ }

TwzControl::~TwzControl() = default;

TwzControl* TwzControl::AsControl()
{
    return this;
}

void TwzControl::BeforeDestruction()
{
    // Bound controls leave this source, last first, and forget it: they may belong to
    // another owner and would otherwise keep a freed source.
    while (!m_boundControls.empty()) {
        TwzControl* bound = m_boundControls.back();
        m_boundControls.pop_back();
        bound->RemoveFreeNotify(this);
        bound->m_bindingSource = nullptr;
    }
    if (m_bindingSource)
        LeaveSource(m_bindingSource);
    m_bindingSource = nullptr;
    Inherited::BeforeDestruction();
}

// ---- style lookup --------------------------------------------------------------------------

std::string TwzControl::ClassStyleName(const rtl::TClassInfo& info)
{
    const std::string_view name = info.name;
    return std::string(name.size() > 3 ? name.substr(3) : std::string_view()) + "style";
}

bool TwzControl::IsSelfOrAncestor(const TwzObject* object) const
{
    for (const TwzObject* o = this; o; o = o->GetParent()) {
        if (o == object)
            return true;
    }
    return false;
}

int TwzControl::StyleNesting() const
{
    int nesting = 0;
    const TwzObject* child = this;
    for (TwzObject* parent = GetParent(); parent; child = parent, parent = parent->GetParent()) {
        if (TwzControl* control = parent->AsControl(); control && control->GetAppliedStyle() == child)
            ++nesting;
    }
    return nesting;
}

TwzVisualObject* TwzControl::FindStyleObject()
{
    if (StyleNesting() >= kMaxStyleNesting)
        return nullptr;
    IwzScene* scene = GetScene();

    // 1. A named style, wherever it lives: the host's sheet, the built-in style when it is
    // loaded already, any stored live object. The clone of a live object is anonymous.
    if (!m_resource.empty()) {
        TwzObject* found = nullptr;
        if (TwzObject* root = SheetRoot(scene))
            found = root->FindResource(m_resource);
        if (!found)
            if (TwzObject* builtIn = DefaultStyle.Get())
                found = builtIn->FindResource(m_resource);
        if (!found) {
            found = FindResourceObject(m_resource);
            // Copying itself or a holder of itself would nest the control in its own style.
            if (found && IsSelfOrAncestor(found))
                found = nullptr;
        }
        if (TwzVisualObject* visual = VisualFind(found)) {
            TwzObject* clone = visual->CloneObject(this);
            if (clone) {
                clone->SetResourceName({});
                return clone->AsVisual();
            }
        }
    }

    // 2. The built-in style, read on first need; a failure is retried by the next lookup.
    if (!DefaultStyle.Get()) {
        try {
            (void)ui2d::LoadDefaultStyle();
        } catch (const std::exception&) {
            // The built-in steps find nothing this time.
        }
    }

    // 3. The host's sheet by Resource and by the class-derived name; 4. the built-in style,
    // also by the parent class's name (a subclass without a style borrows its parent's).
    const std::string className = ClassStyleName(ClassInfo());
    TwzVisualObject* source = FindFirstVisual(SheetRoot(scene), { m_resource, className });
    if (!source) {
        const rtl::TClassInfo* parent = ClassInfo().parent;
        source = FindFirstVisual(
            DefaultStyle.Get(), { m_resource, className, parent ? ClassStyleName(*parent) : std::string() });
    }
    if (!source)
        return nullptr;
    TwzObject* clone = source->CloneObject(this);
    return clone ? clone->AsVisual() : nullptr;
}

// ---- applying ------------------------------------------------------------------------------

void TwzControl::SetResource(const std::string& value)
{
    m_resource = value;
    m_lookupPending = true;
    if (!IsLoading())
        LoadStyle();
}

void TwzControl::UpdateStyle()
{
    if (IsLoading() || IsDestroying())
        return;
    rtl::Watch<TwzControl> self(this);
    Inherited::UpdateStyle();
    if (!self)
        return;
    m_lookupPending = true;
    LoadStyle();
}

void TwzControl::LoadStyle()
{
    rtl::Watch<TwzControl> self(this);
    Inherited::LoadStyle();
    if (!self || !m_lookupPending)
        return;
    m_lookupPending = false;
    rtl::Watch<TwzVisualObject> style;
    try {
        style = FindStyleObject();
        if (style && self)
            ApplyFoundStyle(style);
    } catch (...) {
        // A style that cannot be copied or applied leaves the control as it is; a copy that
        // did not become the style goes.
        if (self && style && style.Get() != m_appliedStyle.Get())
            style->Free();
    }
}

void TwzControl::ApplyFoundStyle(TwzVisualObject* style)
{
    // The copy comes from the component reader, which has run its after-load steps.
    IwzScene* scene = GetScene();
    const bool holdUpdates = IsLoading() && scene;
    const bool updatesWereDisabled = holdUpdates && scene->GetDisableUpdate();
    if (holdUpdates)
        scene->SetDisableUpdate(true);
    struct RestoreUpdates {
        IwzScene* scene;
        bool value;
        ~RestoreUpdates()
        {
            if (scene)
                scene->SetDisableUpdate(value);
        }
    } restore { holdUpdates ? scene : nullptr, updatesWereDisabled };

    rtl::Watch<TwzControl> self(this);
    if (TwzVisualObject* old = m_appliedStyle.Get()) {
        FreeStyle();
        if (!self)
            return;
        m_appliedStyle = nullptr;
        old->Free();
    }

    style->SetAlign(vaContents);
    style->SetDesignHide(false);
    m_appliedStyle = style;
    AddObject(style);
    if (m_appliedStyle.Get() != style)
        return;
    style->SendToBack();
    style->SetStoredRecursive(false);
    LockRecursive(*style);

    ApplyStyle();
    if (self)
        UpdateEffects();
}

void TwzControl::ApplyStyle()
{
    if (!GetIsFocused() || !GetCanFocused())
        return;
    MarkUpdateRectDirty();
    InvalidateObject();
    const rtl::DispatchGuard held(this);
    StartTriggerAnimation(this, "IsFocused");
    ApplyTriggerEffect(this, "IsFocused");
}

void TwzControl::FreeStyle() { }

void TwzControl::ForgetStyle()
{
    if (!m_appliedStyle.Get())
        return;
    FreeStyle();
    m_appliedStyle = nullptr;
}

void TwzControl::ObjectRemoving(TwzObject* child)
{
    // A copy taken out of the control (moved elsewhere) is no longer its style.
    if (child && child == m_appliedStyle.Get())
        ForgetStyle();
    Inherited::ObjectRemoving(child);
}

TwzObject* TwzControl::FindResource(const std::string& name)
{
    if (TwzVisualObject* style = m_appliedStyle.Get())
        if (TwzObject* found = style->FindResource(name))
            return found;
    return Inherited::FindResource(name);
}

void TwzControl::BeforePaint()
{
    Inherited::BeforePaint();
    LoadStyle();
}

void TwzControl::Paint() { }

void TwzControl::SetData(const rtl::TValue&) { }

void TwzControl::EnterFocus()
{
    LoadStyle();
    Inherited::EnterFocus();
}

void TwzControl::Loaded()
{
    Inherited::Loaded();
    IwzScene* scene = GetScene();
    if (scene && scene->GetActiveControl() == this)
        FocusObject();
}

// ---- data binding --------------------------------------------------------------------------

void TwzControl::SetBindingSource(TwzControl* value)
{
    if (value == m_bindingSource || value == this)
        return;
    if (m_bindingSource)
        LeaveSource(m_bindingSource);
    m_bindingSource = value;
    if (m_bindingSource)
        JoinSource(m_bindingSource);
}

void TwzControl::JoinSource(TwzControl* source)
{
    std::vector<TwzControl*>& list = source->m_boundControls;
    if (std::find(list.begin(), list.end(), this) != list.end())
        return;
    // The source hears when this control is freed and drops it from its list.
    AddFreeNotify(source);
    list.push_back(this);
    source->UpdateBinding();
}

void TwzControl::LeaveSource(TwzControl* source)
{
    std::vector<TwzControl*>& list = source->m_boundControls;
    if (std::find(list.begin(), list.end(), this) == list.end())
        return;
    RemoveFreeNotify(source);
    std::erase(list, this);
}

void TwzControl::UpdateBinding()
{
    // A source its own handler freed (its code running on to the end of the dispatch)
    // updates nobody.
    if (m_boundControls.empty() || IsFreed())
        return;
    const rtl::TValue value = GetData();
    // SetData runs the bound controls' code, which may free any of them or this source.
    rtl::Watch<TwzControl> self(this);
    std::vector<rtl::Watch<TwzControl>> targets(m_boundControls.begin(), m_boundControls.end());
    for (rtl::Watch<TwzControl>& target : targets) {
        if (!self)
            return;
        if (TwzControl* control = target.Get())
            control->SetData(value);
    }
}

// ---- action ----------------------------------------------------------------------------------

TwzAction* TwzControl::GetAction() const
{
    const TwzControlActionLink* link = TwzControlActionLink::Of(this);
    return link ? link->GetAction() : nullptr;
}

void TwzControl::SetAction(TwzAction* value)
{
    TwzControlActionLink::SetClientAction(this, value);
}

void TwzControl::ActionChange(rtl::TObject* sender, bool checkDefaults)
{
    auto* action = dynamic_cast<TwzAction*>(sender);
    if (!action)
        return;
    // The values are set one by one, each running the control's own handlers, which may
    // free the control: it is held to the end.
    const rtl::DispatchGuard held(this);
    const rtl::TPropTarget text = rtl::ResolveProp(*this, "Text");
    if (text && text.object == this && text.prop->kind == rtl::TPropKind::WideString) {
        const rtl::TValue value = rtl::GetPropValue(*this, *text.prop);
        const auto* current = std::get_if<std::u16string>(&value);
        const bool isDefault = current && (current->empty() || *current == rtl::Utf8ToUtf16(GetName()));
        if (!checkDefaults || isDefault)
            rtl::SetPropValue(*this, *text.prop, rtl::TValue(action->GetCaption()));
    }
    const rtl::TPropTarget checked = rtl::ResolveProp(*this, "IsChecked");
    if (checked && checked.object == this && checked.prop->kind == rtl::TPropKind::Boolean) {
        const rtl::TValue value = rtl::GetPropValue(*this, *checked.prop);
        const auto* current = std::get_if<bool>(&value);
        if (!checkDefaults || (current && !*current))
            rtl::SetPropValue(*this, *checked.prop, rtl::TValue(action->GetChecked()));
    }
    if (!checkDefaults || GetEnabled())
        SetEnabled(action->GetEnabled());
    if (!checkDefaults || GetHint().empty())
        SetHint(action->GetHint());
    if (!checkDefaults || GetVisible())
        SetVisible(action->GetVisible());
    if (!checkDefaults || !OnClick)
        OnClick = action->OnExecute;
}

void TwzControl::InitiateAction()
{
    if (TwzAction* action = GetAction())
        action->Update();
}

void TwzControl::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation != rtl::opRemove || !component)
        return;
    if (component == m_bindingSource)
        m_bindingSource = nullptr;
    std::erase_if(
        m_boundControls, [&](TwzControl* c) { return static_cast<rtl::TComponent*>(c) == component; });
}
