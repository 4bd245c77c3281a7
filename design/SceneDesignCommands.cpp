// The design menu of the 2D design mode and its commands: insertion by class name, delete,
// hide and order, the grid and snap settings, copy and paste of object text through
// DesignClipboard, loading object text from a file, the tab order editor and the style
// commands.

#include "design/SceneDesignMode.h"

#include "design/SceneDesignGeometry.h"
#include "design/TabOrderEditor.h"
#include "graphics/ObjectText.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/PopupMenu.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzVisualObject.h"

#include <algorithm>

namespace design {

using detail::VisualParentOf;

namespace {

// Object text read from a file: far beyond any designed scene, small enough to hold.
constexpr uint64_t kMaxObjectFileBytes = 64u << 20;

std::string WithoutPrefix(std::string_view className)
{
    if (className.size() >= 3 && className.substr(0, 3) == "Twz")
        return std::string(className.substr(3));
    return std::string(className);
}

std::string ShortName(std::string_view className)
{
    return className.size() > 3 ? std::string(className.substr(3)) : std::string();
}

// The text rule of inserted objects: a published Text shows the class name without its
// first three characters (a new TwzButton shows "Button").
void ApplyTextRule(TwzObject& object)
{
    const rtl::TPropInfo* prop = object.ClassInfo().FindProp("Text");
    if (!prop || !prop->set)
        return;
    const std::string text = ShortName(object.ClassName());
    if (prop->kind == rtl::TPropKind::WideString)
        (void)rtl::SetPropValue(object, *prop, rtl::TValue(rtl::Utf8ToUtf16(text)));
    else
        (void)rtl::SetPropValue(object, *prop, rtl::TValue(text));
}

} // namespace

// ---- the design menu ----------------------------------------------------------------------

void SceneDesignMode::PopupDesignMenu()
{
    const auto keep = shared_from_this();
    // A right press while the menu shows reaches the menu, never a second one.
    if (m_menu && m_menu->IsShowing())
        return;
    BuildMenu();
    const platform::ui::Point screen = MenuScreenPoint();
    m_menuPos = MenuPoint(screen);
    platform::ui::PopupMenu* menu = m_menu.get();
    menu->Popup(screen, MenuOwner());
}

void SceneDesignMode::BuildMenu()
{
    m_menu = platform::ui::PopupMenu::Create();
    platform::ui::MenuItem& items = m_menu->Items();
    // Commands are posted and run after the press: a host freed meanwhile is left alone.
    const rtl::Watch<rtl::TComponent> host = m_hostComponent;
    const auto command = [this, host](auto&& run) {
        return [this, host, run] {
            if (!host)
                return;
            const auto keep = shared_from_this();
            run(*this);
        };
    };
    TwzVisualObject* selection = Selection();

    if (selection) {
        const std::string itemClass = selection->GetItemClassName();
        if (!itemClass.empty())
            items.Add("Add " + WithoutPrefix(itemClass),
                command([itemClass](SceneDesignMode& mode) { mode.InsertObjectByClassName(itemClass); }));
    }

    platform::ui::MenuItem& add = items.Add("Add object");
    const std::span<const ui2d::CategoryEntry> registry = Object2DCategoryList();
    std::vector<std::string> categories;
    for (const ui2d::CategoryEntry& entry : registry)
        if (std::find(categories.begin(), categories.end(), entry.category) == categories.end())
            categories.push_back(entry.category);
    for (const std::string& category : categories) {
        platform::ui::MenuItem& group = add.Add(category);
        std::vector<std::string> captions;
        for (const ui2d::CategoryEntry& entry : registry)
            if (entry.category == category && entry.classInfo)
                captions.push_back(WithoutPrefix(entry.classInfo->name));
        std::sort(captions.begin(), captions.end());
        for (const std::string& caption : captions) {
            const std::string className = "Twz" + caption;
            group.Add(caption,
                command([className](SceneDesignMode& mode) { mode.InsertObjectByClassName(className); }));
        }
    }

    items.Add("Delete object", command([](SceneDesignMode& mode) { mode.DeleteObjectCommand(); }));
    items.Add("Load From File...", command([](SceneDesignMode& mode) { mode.LoadFromFileCommand(); }));
    if (selection)
        items.Add("Hide in Design-time", command([](SceneDesignMode& mode) { mode.HideCommand(); })).Checked
            = selection->GetDesignHide();
    if (selection && selection->AsControl()) {
        items.Add(
            "Edit Default Style...", command([](SceneDesignMode& mode) { mode.EditDefaultStyleCommand(); }));
        items.Add(
            "Edit Custom Style...", command([](SceneDesignMode& mode) { mode.EditCustomStyleCommand(); }));
    }
    if (selection && selection->GetCanFocused())
        items.Add("Tab Order...", command([](SceneDesignMode& mode) { mode.TabOrderCommand(); }));

    platform::ui::MenuItem& order = items.Add("Order");
    order.Add("Bring to front", command([](SceneDesignMode& mode) { mode.OrderCommand(true); }));
    order.Add("Send to back", command([](SceneDesignMode& mode) { mode.OrderCommand(false); }));

    platform::ui::MenuItem& edit = items.Add("Edit");
    edit.Add("Copy to clipboard", command([](SceneDesignMode& mode) { mode.CopyCommand(); }));
    edit.Add("Paste from clipboard", command([](SceneDesignMode& mode) { mode.PasteCommand(); }));

    const bool toGrid = GetSnapToGrid();
    const bool toLines = GetSnapToLines();
    platform::ui::MenuItem& grid = items.Add("Grid");
    grid.Add("Show snap grid", command([](SceneDesignMode& mode) { mode.GridCommand(true, false, false); }))
        .Checked
        = GetSnapGridShow();
    const auto radio = [&](const char* caption, bool checked, bool gridOn, bool linesOn) {
        platform::ui::MenuItem& item = grid.Add(caption,
            command([gridOn, linesOn](SceneDesignMode& mode) { mode.GridCommand(false, gridOn, linesOn); }));
        item.Radio = true;
        item.Checked = checked;
    };
    radio("Snap to grid", toGrid, true, false);
    radio("Snap to lines", toLines, false, true);
    radio("Snap disabled", !toGrid && !toLines, false, false);
}

// ---- inserting ----------------------------------------------------------------------------

void SceneDesignMode::InsertObjectByClassName(const std::string& className)
{
    const auto keep = shared_from_this();
    const rtl::TClassInfo* info = rtl::FindClass(className);
    if (!info || !info->create || !info->InheritsFrom(TwzObject::StaticClass()))
        return;
    rtl::Watch<TwzVisualObject> selection(Selection());
    if (!selection && m_host.GetRoot())
        return;
    rtl::TComponent* made = info->create(Owner());
    auto* created = dynamic_cast<TwzObject*>(made);
    if (!created) {
        if (made)
            made->Free();
        return;
    }
    rtl::Watch<TwzObject> object(created);
    if (selection)
        selection->AddObject(created);
    else
        m_host.AddObject(created);
    if (!object || !HostAlive())
        return;
    NameObject(*object, className);
    NotifySelect(object, false);
    if (!object || !HostAlive())
        return;
    RaiseDesignChange();
    if (!object || !HostAlive())
        return;
    NotifyModified();
    if (!object || !HostAlive())
        return;

    TwzVisualObject* visual = object->AsVisual();
    if (!visual)
        return;
    if (selection)
        ApplyTextRule(*visual);
    const bool placed = !selection || className.find("Item") == std::string::npos;
    if (placed && m_menuPos.X > 0) {
        if (const std::optional<TwzPoint> at = InsertPosition(selection))
            visual->GetPosition()->SetPoint(*at);
    }
    m_menuPos = { -1, -1 };
    rtl::Watch<TwzVisualObject> inserted(visual);
    m_host.SetSelected(visual);
    visual->MarkUpdateRectDirty();
    visual->InvalidateObject();
    visual->DesignSelect();
    if (selection && inserted && HostAlive())
        inserted->DesignInsert();
}

// ---- commands -----------------------------------------------------------------------------

void SceneDesignMode::DeleteObjectCommand()
{
    TwzVisualObject* selection = Selection();
    TwzObject* root = m_host.GetRoot();
    if (!selection || selection == root)
        return;
    rtl::Watch<TwzVisualObject> old(selection);
    TwzVisualObject* next = VisualParentOf(selection);
    if (!next)
        next = root ? root->AsVisual() : nullptr;
    m_host.SetSelected(next);
    if (next) {
        next->MarkUpdateRectDirty();
        next->DesignSelect();
    }
    if (HostAlive() && old && old.Get() != m_host.GetRoot())
        old->Free();
}

void SceneDesignMode::HideCommand()
{
    TwzVisualObject* selection = Selection();
    if (!selection || selection == m_host.GetRoot())
        return;
    rtl::Watch<TwzVisualObject> watched(selection);
    selection->SetDesignHide(!selection->GetDesignHide());
    if (!watched || !HostAlive())
        return;
    if (selection->GetDesignHide())
        if (TwzVisualObject* parent = VisualParentOf(selection))
            m_host.SetSelected(parent);
    m_host.AddUpdateRect(ClientRect());
}

void SceneDesignMode::OrderCommand(bool toFront)
{
    TwzVisualObject* selection = Selection();
    if (!selection)
        return;
    if (toFront)
        selection->BringToFront();
    else
        selection->SendToBack();
}

void SceneDesignMode::GridCommand(bool toggleShow, bool toGrid, bool toLines)
{
    if (toggleShow)
        SetSnapSettings(!GetSnapGridShow(), GetSnapToGrid(), GetSnapToLines());
    else
        SetSnapSettings(GetSnapGridShow(), toGrid, toLines);
    m_host.AddUpdateRect(ClientRect());
}

void SceneDesignMode::CopyCommand()
{
    TwzVisualObject* selection = Selection();
    if (!selection)
        return;
    rtl::TMemoryStream text;
    selection->SaveObjectAsText(text);
    const std::span<const uint8_t> bytes = text.Bytes();
    DesignClipboard.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void SceneDesignMode::InsertPasted(TwzObject* object)
{
    rtl::Watch<TwzObject> pasted(object);
    if (TwzVisualObject* selection = Selection())
        selection->AddObject(object);
    else if (TwzObject* root = m_host.GetRoot())
        root->AddObject(object);
    else
        m_host.AddObject(object);
    if (pasted && HostAlive())
        NameObject(*pasted, std::string(pasted->ClassName()));
}

void SceneDesignMode::PasteCommand()
{
    if (DesignClipboard.empty())
        return;
    rtl::TMemoryStream stream;
    stream.WriteBuffer(DesignClipboard.data(), DesignClipboard.size());
    stream.SetPosition(0);
    std::string error;
    if (TwzObject* object = ReadObjectText(stream, error))
        InsertPasted(object);
}

TwzObject* SceneDesignMode::ReadObjectText(rtl::TStream& text, std::string& error)
{
    rtl::TMemoryStream binary;
    std::string className;
    try {
        ObjectTextToStream(text, binary);
        binary.SetPosition(0);
        rtl::TReader header(binary);
        className = header.ReadRootHeader().className;
    } catch (const rtl::Exception& e) {
        error = e.what();
        return nullptr;
    }
    const rtl::TClassInfo* info = rtl::FindClass(className);
    if (!info || !info->create || !info->InheritsFrom(TwzObject::StaticClass())) {
        error = "The text holds no 2D object (class " + className + ").";
        return nullptr;
    }
    rtl::TComponent* made = info->create(Owner());
    rtl::Watch<TwzObject> object(dynamic_cast<TwzObject*>(made));
    if (!object) {
        made->Free();
        error = "The text holds no 2D object (class " + className + ").";
        return nullptr;
    }
    try {
        binary.SetPosition(0);
        object->LoadObjectFromStream(binary);
    } catch (const rtl::Exception& e) {
        // Half an object is no object: nothing read stays.
        if (object)
            object->Free();
        error = e.what();
        return nullptr;
    }
    return object.Get();
}

void SceneDesignMode::LoadFromFileCommand()
{
    platform::ui::OpenFileOptions options;
    options.filter = LoadFilter();
    options.owner = DialogOwner();
    const std::optional<std::string> file = platform::ui::Dialogs::OpenFile(options);
    if (!file || !HostAlive())
        return;
    const auto fail = [&](const std::string& why) {
        platform::ui::Dialogs::ShowError(
            "Cannot load " + *file + ": " + why, HostAlive() ? DialogOwner() : nullptr);
    };
    TwzObject* object = nullptr;
    try {
        rtl::TFileStream stream(*file, rtl::fmOpenRead);
        if (!LoadInsertsObject())
            return;
        const int64_t size = stream.GetSize();
        if (size < 0 || static_cast<uint64_t>(size) > kMaxObjectFileBytes) {
            fail("the file is too large (" + std::to_string(size) + " bytes) to hold a designed object.");
            return;
        }
        std::string error;
        object = ReadObjectText(stream, error);
        if (!object) {
            fail(error);
            return;
        }
    } catch (const rtl::Exception& e) {
        fail(e.what());
        return;
    }
    if (!HostAlive()) {
        object->Free();
        return;
    }
    InsertPasted(object);
}

void SceneDesignMode::TabOrderCommand()
{
    TwzVisualObject* selection = Selection();
    if (!selection || !VisualParentOf(selection))
        return;
    RunTabOrderEditor(*selection);
}

// ---- styles -------------------------------------------------------------------------------

void SceneDesignMode::EditDefaultStyleCommand()
{
    EditStyle(false);
}

void SceneDesignMode::EditCustomStyleCommand()
{
    EditStyle(true);
}

void SceneDesignMode::EditStyle(bool custom)
{
    TwzVisualObject* selection = Selection();
    rtl::Watch<TwzControl> control(selection ? selection->AsControl() : nullptr);
    IwzScene* host = control ? control->GetScene() : nullptr;
    if (!control || !host)
        return;

    TwzResources* sheet = host->GetStyle();
    if (!sheet) {
        sheet = new TwzResources(host->GetOwner());
        try {
            sheet->SetName(UniqueName("TwzResources"));
        } catch (const rtl::ComponentError&) { }
        sheet->SetRoot(new TwzBackground(nullptr));
        host->SetStyle(sheet);
    } else if (!sheet->GetRoot()) {
        sheet->SetRoot(new TwzBackground(nullptr));
    }
    rtl::Watch<TwzResources> watchedSheet(sheet);
    if (!control || !watchedSheet || !sheet->GetRoot())
        return;

    const auto styleNameOf = [](TwzControl& c) {
        return c.GetResource().empty() ? ShortName(c.ClassName()) + "Style" : c.GetResource();
    };
    const auto missing = [&](const std::string& name) {
        TwzObject* root = watchedSheet ? watchedSheet->GetRoot() : nullptr;
        return root && !name.empty() && !root->FindResource(name);
    };
    // A copy of a control's current style, moved into the sheet as `name`.
    const auto copyStyle = [&](TwzControl& c, const std::string& name) -> TwzVisualObject* {
        TwzObject* root = watchedSheet ? watchedSheet->GetRoot() : nullptr;
        TwzVisualObject* clone = root ? c.FindStyleObject() : nullptr;
        if (!clone)
            return nullptr;
        // The sheet's tree frees it, not the control it was made for.
        if (rtl::TComponent* owner = clone->GetOwner())
            owner->RemoveComponent(clone);
        clone->SetStored(true);
        clone->SetLocked(false);
        clone->SetAlign(vaNone);
        clone->SetResourceName(name);
        clone->SetParent(root);
        return clone;
    };
    // The controls inside a copied style whose own styles the sheet lacks get theirs too.
    const auto copyInner = [&](TwzVisualObject* clone) {
        if (!clone)
            return;
        std::vector<TwzObject*> inside;
        clone->AddObjectsToList(inside);
        std::vector<rtl::Watch<TwzObject>> watched(inside.begin(), inside.end());
        for (const rtl::Watch<TwzObject>& entry : watched) {
            TwzControl* inner = entry ? entry->AsControl() : nullptr;
            if (!inner || inner == control.Get())
                continue;
            std::string name = styleNameOf(*inner);
            if (!missing(name))
                continue;
            if (custom && SceneDesigner) {
                name = UniqueName(inner->GetName() + "Style");
                if (name.empty())
                    continue;
                copyStyle(*inner, name);
                inner->SetResource(name);
            } else {
                copyStyle(*inner, name);
            }
        }
    };

    std::string styleName;
    if (!custom) {
        styleName = styleNameOf(*control);
        if (missing(styleName))
            copyInner(copyStyle(*control, styleName));
    } else {
        if (control->GetResource().empty() && SceneDesigner)
            control->SetResource(UniqueName(control->GetName() + "Style"));
        if (!control)
            return;
        styleName = control->GetResource();
        if (styleName.empty() || missing(styleName)) {
            std::string name = SceneDesigner ? UniqueName(control->GetName() + "Style") : control->GetName();
            if (name.empty())
                name = styleNameOf(*control);
            TwzVisualObject* clone = copyStyle(*control, name);
            if (clone && control) {
                control->SetResource(name);
                styleName = name;
                copyInner(clone);
            }
        }
    }
    if (SceneDesigner && watchedSheet)
        SceneDesigner->EditStyle(watchedSheet.Get(), styleName);
}

} // namespace design
