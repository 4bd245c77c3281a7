#include "design/TwzInspector.h"

#include "controls/TwzLabel.h"
#include "controls/TwzPopupBox.h"
#include "controls/TwzTextBox.h"
#include "design/TwzBitmapEditor.h"
#include "design/TwzBrushDesign.h"
#include "design/TwzPathDataDesigner.h"
#include "design/TwzSelection.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ObjectIds.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Locale.h"
#include "platform/ui/Types.h"
#include "platform/ui/Window.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <unordered_set>

namespace vk = platform::ui::vk;

namespace {

constexpr rtl::TPropInfo kInspectorProps[] = {
    RTL_PROP(TwzInspector, SelectedObject, Component, nullptr),
    RTL_PROP(TwzInspector, DisabledProperties, Class, rtl::kNoDefault),
    RTL_PROP(TwzInspector, ShowProperties, Boolean, true),
    RTL_PROP(TwzInspector, ShowEvents, Boolean, false),
};

/// A float in the user's notation: the shortest text that reads back, with the user's
/// decimal separator.
std::string UserFloatText(const rtl::TObject& object, const rtl::TPropInfo& prop)
{
    std::string text = rtl::GetPropText(object, prop);
    if (const size_t dot = text.find('.'); dot != std::string::npos)
        text.replace(dot, 1, platform::ui::UserDecimalSeparator());
    return text;
}

/// The object a Class or Component property holds, or null.
rtl::TObject* ObjectValue(const rtl::TObject& object, const rtl::TPropInfo& prop)
{
    if (prop.kind != rtl::TPropKind::Class && prop.kind != rtl::TPropKind::Component)
        return nullptr;
    const rtl::TValue value = rtl::GetPropValue(object, prop);
    const auto* held = std::get_if<rtl::TObject*>(&value);
    return held ? *held : nullptr;
}

/// True for the values the "Edit..." button opens an editor for.
bool HasValueEditor(const rtl::TObject* value)
{
    return dynamic_cast<const TwzBrush*>(value) || dynamic_cast<const TwzBitmap*>(value)
        || dynamic_cast<const TwzPathData*>(value) || dynamic_cast<const TwzFont*>(value);
}

/// The text a row shows for a property's value.
std::string ValueText(const rtl::TObject& object, const rtl::TPropInfo& prop)
{
    switch (prop.kind) {
    case rtl::TPropKind::Float:
        return UserFloatText(object, prop);
    case rtl::TPropKind::Class:
    case rtl::TPropKind::Component: {
        rtl::TObject* value = ObjectValue(object, prop);
        if (!value)
            return {};
        if (auto* object2D = dynamic_cast<TwzObject*>(value))
            return object2D->GetName().empty() ? object2D->GetResourceName() : object2D->GetName();
        return std::string(value->ClassName());
    }
    default:
        // Integers in decimal, value names, sets as "[a, b]", characters and texts as they are.
        return rtl::GetPropText(object, prop);
    }
}

/// The designer's name for an event's handler; empty without a designer.
std::string HandlerText(const rtl::TEventBase& event)
{
    return SceneDesigner ? SceneDesigner->MethodName(event) : std::string();
}

/// Hands an error of the write-back to the application, as an error of any other handler
/// would be; without an application it goes on to the caller.
void ReportError(const std::exception_ptr& error)
{
    if (platform::ui::Application* app = platform::ui::Application::TryCurrent()) {
        app->HandleException(error);
        return;
    }
    std::rethrow_exception(error);
}

template <class T> T* MakeEditor(TwzInspector* inspector)
{
    auto* editor = new T(inspector);
    editor->SetResourceName(TwzInspector::kEditorResource);
    editor->SetDisableFocusEffect(true);
    editor->SetStored(false);
    editor->SetVisible(false);
    editor->GetPosition()->SetX(2000);
    editor->SetParent(inspector);
    return editor;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzInspector, .props = kInspectorProps)

TwzInspector::TwzInspector(rtl::TComponent* owner)
    : TwzTreeView(owner)
    , m_disabledProperties(std::make_unique<TwzWideStringList>())
{
    StoreResource("treeviewstyle");
    SetHideSelectionUnfocused(false);

    rtl::TNotifyEvent change;
    change.Bind<&TwzInspector::EditorChange>(this);

    m_button = MakeEditor<TwzButton>(this);
    m_button->OnClick = change;

    m_textBox = MakeEditor<TwzTextBox>(this);
    m_textBox->GetMargins()->SetRect({ 0, 0, 0, 0 });
    m_textBox->OnChange = change;

    m_popupBox = MakeEditor<TwzPopupBox>(this);
    m_popupBox->SetTextAlign(wzTextAlignNear);
    m_popupBox->OnChange = change;
}

TwzInspector::~TwzInspector() = default;

// ---- published ------------------------------------------------------------------------------

void TwzInspector::SetSelectedObject(rtl::TComponent* value)
{
    if (value == m_selectedObject)
        return;
    if (m_selectedObject)
        m_selectedObject->RemoveFreeNotification(this);
    m_selectedObject = value;
    if (m_selectedObject)
        m_selectedObject->FreeNotification(this);
    Rebuild();
}

TwzWideStrings* TwzInspector::GetDisabledProperties() const
{
    return m_disabledProperties.get();
}

void TwzInspector::SetDisabledProperties(TwzWideStrings* value)
{
    if (value)
        m_disabledProperties->Assign(*value);
}

void TwzInspector::SetShowProperties(bool value)
{
    if (value == m_showProperties)
        return;
    m_showProperties = value;
    Rebuild();
}

void TwzInspector::SetShowEvents(bool value)
{
    if (value == m_showEvents)
        return;
    m_showEvents = value;
    Rebuild();
}

// ---- rows -----------------------------------------------------------------------------------

TwzLabel* TwzInspector::ValueLabel(const TwzTreeViewItem* row)
{
    return row ? rtl::IdToObject<TwzLabel>(static_cast<rtl::TObjectId>(row->GetTag())) : nullptr;
}

bool TwzInspector::IsDisabled(std::string_view name) const
{
    const std::u16string wide = rtl::Utf8ToUtf16(name);
    for (int i = 0; i < m_disabledProperties->GetCount(); ++i)
        if (m_disabledProperties->Get(i) == wide)
            return true;
    return false;
}

void TwzInspector::Rebuild()
{
    const rtl::DispatchGuard held(this);
    BeginUpdate();
    for (TwzVisualObject* editor :
        { static_cast<TwzVisualObject*>(m_button.Get()), static_cast<TwzVisualObject*>(m_textBox.Get()),
            static_cast<TwzVisualObject*>(m_popupBox.Get()) })
        if (editor)
            editor->SetTagObject(nullptr);
    for (auto& [component, row] : m_expandedLinks)
        if (component != m_selectedObject)
            component->RemoveFreeNotification(this);
    m_expandedLinks.clear();
    Clear();
    if (m_selectedObject) {
        std::unordered_set<const rtl::TObject*> listed { m_selectedObject };
        AddProperties(*m_selectedObject, this, 0, listed);
    }
    EndUpdate();
    ShowEditor();
}

TwzTreeViewItem* TwzInspector::AddRow(
    TwzObject* parent, rtl::TObject& object, std::string_view name, const std::string& value)
{
    auto* row = new TwzTreeViewItem(this);
    row->SetText(rtl::Utf8ToUtf16(name));
    row->SetLocked(true);
    row->SetStored(false);
    row->SetTagObject(&object);
    row->SetTagString(std::string(name));
    row->SetParent(parent);

    auto* label = new TwzLabel(this);
    label->SetLocked(true);
    label->SetStored(false);
    label->SetResourceName(kEditorResource);
    // A value is shown as it is, never through the translation table.
    label->SetAutoTranslate(false);
    label->SetWordWrap(false);
    label->SetTextAlign(wzTextAlignNear);
    label->SetBounds(GetWidth() / 2, 0, GetWidth(), row->GetHeight() + 2);
    label->SetText(rtl::Utf8ToUtf16(value));
    label->SetParent(row);
    row->SetTag(static_cast<int64_t>(rtl::ObjectToId(label)));
    return row;
}

void TwzInspector::AddProperties(
    rtl::TObject& object, TwzObject* parent, int depth, std::unordered_set<const rtl::TObject*>& listed)
{
    const bool events = m_showEvents && &object == m_selectedObject;
    if (m_showProperties) {
        for (const rtl::TPropInfo* prop : object.ClassInfo().PropList()) {
            if (IsDisabled(prop->name) || prop->ReadOnly())
                continue;
            TwzTreeViewItem* row = AddRow(parent, object, prop->name, ValueText(object, *prop));
            rtl::TObject* value = ObjectValue(object, *prop);
            // Each object's properties are listed once per rebuild, however many links lead
            // to it: links may form cycles.
            if (!value || dynamic_cast<TwzObject*>(value) || depth >= kMaxDepth
                || !listed.insert(value).second)
                continue;
            if (prop->kind == rtl::TPropKind::Component)
                if (auto* link = dynamic_cast<rtl::TComponent*>(value)) {
                    m_expandedLinks.emplace(link, row);
                    link->FreeNotification(this);
                }
            AddProperties(*value, row, depth + 1, listed);
        }
    }
    if (events) {
        for (const rtl::TEventInfo* event : object.ClassInfo().EventList()) {
            if (IsDisabled(event->name))
                continue;
            AddRow(parent, object, event->name, HandlerText(event->access(object)));
        }
    }
}

// ---- the editor of the selected row -----------------------------------------------------------

TwzInspector::RowTarget TwzInspector::SelectedTarget() const
{
    RowTarget target;
    target.row = GetSelected();
    if (!target.row || !target.row->GetTagObject())
        return target;
    rtl::TObject* object = target.row->GetTagObject();
    const std::string& name = target.row->GetTagString();
    if (const rtl::TPropInfo* prop = object->ClassInfo().FindProp(name); prop && !prop->ReadOnly())
        target.prop = prop;
    else if (const rtl::TEventInfo* event = object->ClassInfo().FindEvent(name))
        target.event = event;
    else
        return target;
    target.object = object;
    return target;
}

void TwzInspector::PlaceEditor(TwzVisualObject& editor, TwzTreeViewItem& row)
{
    const float indent = static_cast<float>(row.Level()) * row.GetHeight();
    const float half = GetWidth() / 2;
    const float contentWidth = GetContent() ? GetContent()->GetWidth() : GetWidth();
    editor.SetBounds(indent + half, GetItemRect(&row).Top + 1,
        contentWidth - half - GetHScrollOffset() - indent - 1, row.GetHeight() - 2);
}

void TwzInspector::ShowEditor()
{
    const rtl::DispatchGuard held(this);
    IwzScene* scene = GetScene();
    const bool editorFocused = scene && IsEditor(scene->GetFocused());
    for (TwzVisualObject* editor :
        { static_cast<TwzVisualObject*>(m_button.Get()), static_cast<TwzVisualObject*>(m_textBox.Get()),
            static_cast<TwzVisualObject*>(m_popupBox.Get()) }) {
        if (!editor)
            continue;
        editor->SetVisible(false);
        if (auto* label = dynamic_cast<TwzLabel*>(editor->GetTagObject()))
            label->SetVisible(true);
        editor->SetTagObject(nullptr);
    }
    TwzVisualObject* editor = LoadEditor();
    if (!editor) {
        // Focus left on a hidden editor would swallow the arrow keys; give it to the tree.
        if (editorFocused)
            FocusObject();
        return;
    }
    const RowTarget target = SelectedTarget();
    if (editor == m_textBox.Get()) {
        m_textBox->SelectAll();
        m_textBox->SetModified(false);
    }
    editor->SetVisible(true);
    editor->SetLocked(true);
    editor->SetStored(false);
    TwzLabel* label = ValueLabel(target.row);
    editor->SetTagObject(label);
    if (label)
        label->SetVisible(false);
    PlaceEditor(*editor, *target.row);
    editor->FocusObject();
}

bool TwzInspector::IsEditor(const TwzObject* object) const
{
    return object && (object == m_textBox.Get() || object == m_popupBox.Get() || object == m_button.Get());
}

TwzVisualObject* TwzInspector::LoadEditor()
{
    const RowTarget target = SelectedTarget();
    if (!target.object || !m_textBox || !m_popupBox || !m_button)
        return nullptr;

    TwzVisualObject* editor = nullptr;
    if (target.event) {
        // Without a designer there is no handler name to show.
        m_textBox->SetText(rtl::Utf8ToUtf16(HandlerText(target.event->access(*target.object))));
        editor = m_textBox.Get();
    } else {
        const rtl::TPropInfo& prop = *target.prop;
        switch (prop.kind) {
        case rtl::TPropKind::Enum:
        case rtl::TPropKind::Boolean: {
            TwzWideStringList items;
            for (std::string_view name : prop.enumInfo->names)
                items.Add(rtl::Utf8ToUtf16(name));
            m_popupBox->SetItems(&items);
            const rtl::TValue value = rtl::GetPropValue(*target.object, prop);
            int32_t ordinal = -1;
            if (const auto* b = std::get_if<bool>(&value))
                ordinal = *b ? 1 : 0;
            else if (const auto* i = std::get_if<int64_t>(&value))
                ordinal = static_cast<int32_t>(*i);
            m_popupBox->SetItemIndex(ordinal);
            editor = m_popupBox.Get();
            break;
        }
        case rtl::TPropKind::Class:
        case rtl::TPropKind::Component:
            if (HasValueEditor(ObjectValue(*target.object, prop))) {
                m_button->SetText(u"Edit...");
                editor = m_button.Get();
            }
            break;
        case rtl::TPropKind::Float:
            m_textBox->SetText(rtl::Utf8ToUtf16(UserFloatText(*target.object, prop)));
            editor = m_textBox.Get();
            break;
        default:
            m_textBox->SetText(rtl::Utf8ToUtf16(rtl::GetPropText(*target.object, prop)));
            editor = m_textBox.Get();
            break;
        }
    }
    return editor;
}

void TwzInspector::VScrollChange(rtl::TObject* sender)
{
    Inherited::VScrollChange(sender);
    TwzTreeViewItem* row = GetSelected();
    for (TwzVisualObject* editor :
        { static_cast<TwzVisualObject*>(m_button.Get()), static_cast<TwzVisualObject*>(m_textBox.Get()),
            static_cast<TwzVisualObject*>(m_popupBox.Get()) })
        if (editor && editor->GetVisible() && row)
            PlaceEditor(*editor, *row);
}

// ---- write-back -----------------------------------------------------------------------------

void TwzInspector::EditorChange(rtl::TObject* sender)
{
    if (GetUpdateCount() > 0 || !GetSelected())
        return;
    auto* editor = dynamic_cast<TwzVisualObject*>(sender);
    if (!editor || !editor->GetVisible())
        return;
    const RowTarget target = SelectedTarget();
    if (!target.object)
        return;
    if (editor == m_button.Get())
        ButtonClick(target);
    else if (editor == m_textBox.Get())
        TextChange(target);
    else if (editor == m_popupBox.Get())
        PopupChange(target);
}

void TwzInspector::TextChange(const RowTarget& target)
{
    const std::string text = rtl::Utf16ToUtf8(m_textBox->GetText());
    const rtl::TObjectId labelId = static_cast<rtl::TObjectId>(target.row->GetTag());
    if (target.event) {
        if (!SceneDesigner)
            return;
        rtl::TEventBase& event = target.event->access(*target.object);
        const ui2d::DesignerMethod method = SceneDesigner->FindMethod(text, target.event->signature);
        if (method.target && method.method && method.method->signature == target.event->signature)
            method.method->bind(event, *method.target);
        else
            event.Clear();
        if (event.Assigned())
            if (auto* label = rtl::IdToObject<TwzLabel>(labelId))
                label->SetText(rtl::Utf8ToUtf16(text));
        return;
    }
    rtl::Watch<TwzTextBox> textBox(m_textBox.Get());
    try {
        const rtl::TPropInfo& prop = *target.prop;
        if (prop.kind == rtl::TPropKind::Float) {
            // Floats are shown and typed in the user's notation.
            const std::optional<double> number
                = platform::ui::ParseUserNumber(text, platform::ui::UserDecimalSeparator());
            if (!number || (prop.single && std::isinf(static_cast<float>(*number)))
                || !rtl::SetPropValue(*target.object, prop, *number))
                throw rtl::ConvertError(
                    "'" + text + "' is not a valid value for the property " + std::string(prop.name));
        } else {
            rtl::SetPropText(*target.object, prop, text);
        }
    } catch (const std::exception&) {
        // The value and its label stay as they were; the editor shows the value again, so
        // that leaving the row does not report the same text twice.
        if (TwzLabel* label = rtl::IdToObject<TwzLabel>(labelId); label && textBox) {
            textBox->SetText(label->GetText());
            textBox->SetModified(false);
        }
        ReportError(std::current_exception());
        return;
    }
    if (auto* label = rtl::IdToObject<TwzLabel>(labelId))
        label->SetText(rtl::Utf8ToUtf16(text));
}

void TwzInspector::PopupChange(const RowTarget& target)
{
    if (!target.prop)
        return;
    const int32_t index = m_popupBox->GetItemIndex();
    const std::u16string text = m_popupBox->GetText();
    const rtl::TObjectId labelId = static_cast<rtl::TObjectId>(target.row->GetTag());
    const rtl::TValue value = target.prop->kind == rtl::TPropKind::Boolean
        ? rtl::TValue(index == 1)
        : rtl::TValue(static_cast<int64_t>(index));
    if (index < 0 || (target.prop->kind == rtl::TPropKind::Boolean && index > 1)
        || !rtl::SetPropValue(*target.object, *target.prop, value))
        return;
    if (auto* label = rtl::IdToObject<TwzLabel>(labelId))
        label->SetText(text);
}

void TwzInspector::ButtonClick(const RowTarget& target)
{
    if (!target.prop)
        return;
    rtl::TObject* value = ObjectValue(*target.object, *target.prop);
    rtl::Watch<TwzInspector> self(this);
    // A modal editor runs the loop: the value is written only when its row still shows it.
    const auto stillShown = [&] {
        if (!self)
            return false;
        const RowTarget now = SelectedTarget();
        return now.object == target.object && now.prop == target.prop
            && ObjectValue(*now.object, *now.prop) == value;
    };
    if (auto* brush = dynamic_cast<TwzBrush*>(value)) {
        // The brush designer stays open beside the inspector and edits the brush as it goes.
        auto* holder = dynamic_cast<rtl::TComponent*>(target.object);
        ShowBrushDesigner(brush, holder ? holder : m_selectedObject);
    } else if (auto* bitmap = dynamic_cast<TwzBitmap*>(value)) {
        rtl::TOwned<TwzBitmapEditor> editor(new TwzBitmapEditor(nullptr));
        editor->AssignFromBitmap(bitmap);
        if (editor->ShowModal() == platform::ui::kModalOk && stillShown())
            editor->AssignToBitmap(bitmap);
    } else if (auto* path = dynamic_cast<TwzPathData*>(value)) {
        rtl::TOwned<TwzPathDataDesigner> designer(new TwzPathDataDesigner(nullptr));
        designer->SetPathText(path->GetData());
        if (designer->ShowModal() == platform::ui::kModalOk && stillShown())
            path->SetData(designer->GetPathText());
    } else if (auto* font = dynamic_cast<TwzFont*>(value)) {
        // The dialog measures in points, the font in pixels at 96 per inch.
        platform::ui::FontChoice start;
        start.family = font->GetFamily();
        start.size = static_cast<float>(std::nearbyint(font->GetSize())) * 72.0F / 96.0F;
        switch (font->GetStyle()) {
        case wzFontBold:
            start.style = 1;
            break;
        case wzFontItalic:
            start.style = 2;
            break;
        case wzFontBoldItalic:
            start.style = 3;
            break;
        default:
            start.style = 0;
            break;
        }
        const std::optional<platform::ui::FontChoice> chosen = platform::ui::Dialogs::ChooseFont(start);
        if (!chosen || !stillShown())
            return;
        static constexpr TwzFontStyle kStyles[]
            = { wzFontRegular, wzFontBold, wzFontItalic, wzFontBoldItalic };
        TwzFont edited;
        edited.SetFamily(chosen->family);
        edited.SetSize(static_cast<float>(std::nearbyint(std::abs(chosen->size) * 96.0F / 72.0F)));
        edited.SetStyle(kStyles[std::clamp(chosen->style, 0, 3)]);
        font->Assign(edited);
    }
}

void TwzInspector::CommitEditor()
{
    if (m_textBox && m_textBox->GetVisible())
        EditorChange(m_textBox.Get());
    else if (m_popupBox && m_popupBox->GetVisible())
        EditorChange(m_popupBox.Get());
}

// ---- tree view ------------------------------------------------------------------------------

void TwzInspector::SetSelected(TwzTreeViewItem* item)
{
    if (item == GetSelected())
        return;
    const rtl::DispatchGuard held(this);
    rtl::Watch<TwzTreeViewItem> target(item);
    CommitEditor();
    Inherited::SetSelected(target.Get());
    ShowEditor();
}

void TwzInspector::DialogKey(uint16_t& key, TShiftState shift)
{
    Inherited::DialogKey(key, shift);
    if (key == 0 || GetCount() == 0)
        return;
    TwzTreeViewItem* selected = GetSelected();
    IwzScene* scene = GetScene();
    if (!selected || !scene)
        return;
    TwzObject* focused = scene->GetFocused();
    const bool editorFocused = focused
        && ((focused == m_textBox.Get() && m_textBox->GetVisible())
            || (focused == m_popupBox.Get() && m_popupBox->GetVisible())
            || (focused == m_button.Get() && m_button->GetVisible()));
    if (!editorFocused)
        return;
    const bool textEditor = focused == m_textBox.Get();
    const int32_t row = selected->GetGlobalIndex();
    switch (key) {
    case vk::kHome:
        if (textEditor)
            return;
        key = 0;
        SetSelected(ItemByVisibleIndex(0));
        break;
    case vk::kEnd:
        if (textEditor)
            return;
        key = 0;
        SetSelected(ItemByVisibleIndex(GetRowCount() - 1));
        break;
    case vk::kUp:
        key = 0;
        if (row > 0)
            SetSelected(ItemByVisibleIndex(row - 1));
        break;
    case vk::kDown:
        key = 0;
        if (row < GetRowCount() - 1)
            SetSelected(ItemByVisibleIndex(row + 1));
        break;
    case vk::kAdd:
        key = 0;
        selected->SetIsExpanded(true);
        break;
    case vk::kSubtract:
        key = 0;
        selected->SetIsExpanded(false);
        break;
    default:
        break;
    }
}

// ---- lifetime -------------------------------------------------------------------------------

void TwzInspector::ForgetObject(rtl::TComponent* component)
{
    if (component == m_selectedObject) {
        m_selectedObject = nullptr;
        if (!IsDestroying())
            Rebuild();
        return;
    }
    auto it = m_expandedLinks.find(component);
    if (it == m_expandedLinks.end())
        return;
    // The rows of the freed object's properties keep their values but edit nothing more.
    if (TwzTreeViewItem* row = it->second.Get()) {
        std::vector<TwzObject*> rows;
        row->AddObjectsToList(rows);
        for (TwzObject* object : rows)
            if (auto* item = dynamic_cast<TwzTreeViewItem*>(object); item && item != row)
                item->SetTagObject(nullptr);
    }
    m_expandedLinks.erase(it);
    if (!IsDestroying())
        ShowEditor();
}

void TwzInspector::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation == rtl::opRemove && component)
        ForgetObject(component);
}
