#include "ui2d/Library2D.h"

#include "graphics/ObjectLinks.h"
#include "graphics/ObjectText.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFilterGdiPlus.h"
#include "graphics/TwzGradient.h"
#include "graphics/TwzGradientPoints.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzTimer.h"
#include "graphics/TwzVisual.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/PopupMenuComponent.h"
#include "ui2d/IwzScene.h"
#include "ui2d/ResourceObjects.h"
#include "ui2d/TwzAction.h"
#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzContent.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzEffect.h"
#include "ui2d/TwzFrame.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzLang.h"
#include "ui2d/TwzPaintBox.h"
#include "ui2d/TwzPathShape.h"
#include "ui2d/TwzPopup.h"
#include "ui2d/TwzPropertyAnimations.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzScene.h"
#include "ui2d/TwzShape.h"
#include "ui2d/TwzText.h"
#include "ui2d/TwzVisualObject.h"

#include "platform/ui/Application.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

constexpr std::string_view kObjectPrefix = "wzobj";
constexpr std::string_view kMethodPrefix = "wzmet";
constexpr size_t kMethodDigits = 16;

struct LibraryState {
    // The live-object list, linked through the objects themselves so that freeing any
    // object unlinks it at once, however large the tree.
    TwzObject* first = nullptr;
    TwzObject* last = nullptr;
    int count = 0;
    std::vector<ui2d::CategoryEntry> categories;
    std::vector<IwzScene*> scenes;
    ui2d::MessagePump pump = nullptr;
    bool initialised = false;
};

LibraryState& State()
{
    static LibraryState state;
    return state;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

rtl::TComponent* FindResourceComponent(std::string_view name)
{
    return FindResourceObject(name);
}

void AddFreeNotifyTo(rtl::TComponent* object, rtl::TPersistent* item)
{
    if (auto* target = dynamic_cast<TwzObject*>(object))
        target->AddFreeNotify(item);
}

void RemoveFreeNotifyFrom(rtl::TComponent* object, rtl::TPersistent* item)
{
    if (auto* target = dynamic_cast<TwzObject*>(object))
        target->RemoveFreeNotify(item);
}

void InstallObjectServices()
{
    static const bool installed = [] {
        objectlinks::Services services;
        services.findResourceObject = &FindResourceComponent;
        services.addFreeNotify = &AddFreeNotifyTo;
        services.removeFreeNotify = &RemoveFreeNotifyFrom;
        ui2d::FillResourceServices(services);
        objectlinks::InstallServices(services);
        return true;
    }();
    (void)installed;
}

} // namespace

// ---- bound values ------------------------------------------------------------------------

namespace ui2d {

std::string VariantToText(const rtl::TValue& value)
{
    if (const auto* s = std::get_if<std::string>(&value))
        return *s;
    if (const auto* w = std::get_if<std::u16string>(&value))
        return rtl::Utf16ToUtf8(*w);
    if (const auto* i = std::get_if<int64_t>(&value))
        return rtl::IntToStr(*i);
    if (const auto* d = std::get_if<double>(&value))
        return rtl::FormatShortest(*d);
    if (const auto* b = std::get_if<bool>(&value))
        return *b ? "True" : "False";
    return {};
}

rtl::TValue MethodIdToVariant(rtl::TObjectId id)
{
    // Sixteen upper-case digits, zero-padded, in the layout of the original two 8-digit halves.
    std::string text(kMethodPrefix);
    text.append(kMethodDigits, '0');
    char digits[kMethodDigits];
    const auto [end, ec] = std::to_chars(digits, digits + kMethodDigits, id, 16);
    (void)ec; // sixteen hexadecimal digits always fit a 64-bit id
    const size_t length = static_cast<size_t>(end - digits);
    for (size_t i = 0; i < length; ++i)
        text[text.size() - length + i] = rtl::AsciiUpper(digits[i]);
    return text;
}

std::optional<rtl::TObjectId> VariantToMethodId(const rtl::TValue& value)
{
    const std::string text = VariantToText(value);
    if (!StartsWith(text, kMethodPrefix))
        return std::nullopt;
    const std::string_view digits = std::string_view(text).substr(kMethodPrefix.size());
    if (digits.size() != kMethodDigits)
        return std::nullopt;
    rtl::TObjectId id = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id, 16);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return id;
}

} // namespace ui2d

rtl::TValue ObjectToVariant(rtl::TObject* object)
{
    return std::string(kObjectPrefix) + rtl::IntToStr(static_cast<int64_t>(rtl::ObjectToId(object)));
}

bool VariantIsObject(const rtl::TValue& value)
{
    return StartsWith(ui2d::VariantToText(value), kObjectPrefix);
}

rtl::TObject* VariantToObject(const rtl::TValue& value)
{
    const std::string text = ui2d::VariantToText(value);
    if (!StartsWith(text, kObjectPrefix))
        return nullptr;
    const std::string_view digits = std::string_view(text).substr(kObjectPrefix.size());
    if (digits.empty()
        || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return nullptr;
    rtl::TObjectId id = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id, 10);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return nullptr;
    return rtl::IdToObject(id);
}

bool VariantIsMethod(const rtl::TValue& value)
{
    return StartsWith(ui2d::VariantToText(value), kMethodPrefix);
}

// ---- live objects ------------------------------------------------------------------------

void AddObjectInstance(TwzObject* object)
{
    InstallObjectServices();
    ui2d::ObjectInstanceAccess::Add(object);
}

namespace ui2d {

void ObjectInstanceAccess::Add(TwzObject* object)
{
    if (!object || object->m_inInstanceList)
        return;
    LibraryState& s = State();
    object->m_instancePrev = s.last;
    object->m_instanceNext = nullptr;
    if (s.last)
        s.last->m_instanceNext = object;
    else
        s.first = object;
    s.last = object;
    object->m_inInstanceList = true;
    ++s.count;
}

void ObjectInstanceAccess::Remove(TwzObject* object)
{
    if (!object || !object->m_inInstanceList)
        return;
    LibraryState& s = State();
    if (object->m_instancePrev)
        object->m_instancePrev->m_instanceNext = object->m_instanceNext;
    else
        s.first = object->m_instanceNext;
    if (object->m_instanceNext)
        object->m_instanceNext->m_instancePrev = object->m_instancePrev;
    else
        s.last = object->m_instancePrev;
    object->m_instancePrev = object->m_instanceNext = nullptr;
    object->m_inInstanceList = false;
    --s.count;
}

TwzObject* ObjectInstanceAccess::Next(const TwzObject* object)
{
    return object ? object->m_instanceNext : State().first;
}

TwzObject* ObjectInstanceAccess::Prev(const TwzObject* object)
{
    return object ? object->m_instancePrev : State().last;
}

std::vector<TwzObject*> ObjectInstances()
{
    std::vector<TwzObject*> list;
    list.reserve(static_cast<size_t>(State().count));
    for (TwzObject* o = ObjectInstanceAccess::Next(nullptr); o; o = ObjectInstanceAccess::Next(o))
        list.push_back(o);
    return list;
}

int ObjectInstanceCount()
{
    return State().count;
}

} // namespace ui2d

TwzObject* FindResourceObject(std::string_view name)
{
    if (name.empty())
        return nullptr;
    for (TwzObject* o = ui2d::ObjectInstanceAccess::Prev(nullptr); o;
         o = ui2d::ObjectInstanceAccess::Prev(o)) {
        if (o->GetStored() && rtl::SameText(o->GetResourceName(), name))
            return o;
    }
    return nullptr;
}

// ---- palette categories ------------------------------------------------------------------

void Register2DObjectClass(std::string_view category, const rtl::TClassInfo& classInfo)
{
    std::vector<ui2d::CategoryEntry>& list = State().categories;
    const bool listed = std::any_of(list.begin(), list.end(),
        [&](const ui2d::CategoryEntry& e) { return e.classInfo == &classInfo && e.category == category; });
    if (listed)
        return;
    list.insert(list.begin(), ui2d::CategoryEntry { std::string(category), &classInfo });
    std::stable_sort(
        list.begin(), list.end(), [](const ui2d::CategoryEntry& a, const ui2d::CategoryEntry& b) {
            return rtl::CompareText(a.category, b.category) < 0;
        });
}

void Register2DObjects(std::string_view category, std::span<const rtl::TClassInfo* const> classes)
{
    for (const rtl::TClassInfo* info : classes) {
        if (!info)
            continue;
        Register2DObjectClass(category, *info);
        rtl::RegisterClass(*info);
    }
}

std::span<const ui2d::CategoryEntry> Object2DCategoryList()
{
    return State().categories;
}

// ---- hosts -------------------------------------------------------------------------------

void RegisterScene(IwzScene* scene)
{
    std::vector<IwzScene*>& list = State().scenes;
    if (scene && std::find(list.begin(), list.end(), scene) == list.end())
        list.push_back(scene);
}

void UnregisterScene(IwzScene* scene)
{
    if (!scene)
        return;
    std::erase(State().scenes, scene);
    for (TwzObject* o = ui2d::ObjectInstanceAccess::Next(nullptr); o;
         o = ui2d::ObjectInstanceAccess::Next(o)) {
        if (o->GetScene() == scene)
            o->SetScene(nullptr);
    }
}

std::vector<IwzScene*> SceneList()
{
    return State().scenes;
}

// ---- objects from streams ----------------------------------------------------------------

TwzObject* Create2DObjectFromStream(rtl::TComponent* owner, rtl::TStream& stream)
{
    rtl::Watch<TwzObject> result;
    try {
        const int64_t start = stream.GetPosition();
        std::string className;
        {
            rtl::TReader reader(stream);
            className = reader.ReadRootHeader().className;
        }
        const rtl::TClassInfo* info = rtl::FindClass(className);
        if (!info || !info->create)
            return nullptr;
        rtl::TComponent* created = info->create(owner);
        auto* object = dynamic_cast<TwzObject*>(created);
        if (!object) {
            created->Free();
            return nullptr;
        }
        result = object;
        stream.SetPosition(start);
        object->LoadObjectFromStream(stream);
    } catch (const rtl::LimitError&) {
        if (TwzObject* alive = result.Get())
            alive->Free();
        throw;
    } catch (...) {
        // The creators answer what they could make; the caller checks for null.
    }
    return result.Get();
}

TwzObject* Create2DObjectFromTextStream(rtl::TComponent* owner, rtl::TStream& stream)
{
    rtl::TMemoryStream binary;
    try {
        ObjectTextToStream(stream, binary);
    } catch (...) {
        return nullptr;
    }
    binary.SetPosition(0);
    return Create2DObjectFromStream(owner, binary);
}

// ---- start-up and shut-down --------------------------------------------------------------

void Initialize2DLibrary()
{
    LibraryState& s = State();
    if (s.initialised)
        return;
    s.initialised = true;
    InstallObjectServices();

    // 1. Classes streams create by name: the values, then the tree.
    rtl::RegisterClass<TwzWideStrings>();
    rtl::RegisterClass<TwzWideStringList>();
    rtl::RegisterClass<TwzBitmap>();
    rtl::RegisterClass<TwzPathData>();
    rtl::RegisterClass<TwzBrush>();
    rtl::RegisterClass<TwzBounds>();
    rtl::RegisterClass<TwzPosition>();
    rtl::RegisterClass<TwzGradient>();
    rtl::RegisterClass<TwzGradientPoints>();
    rtl::RegisterClass<TwzGradientPoint>();
    rtl::RegisterClass<TwzVisual>();
    rtl::RegisterClass<TwzResources>();
    rtl::RegisterClass<TwzObject>();
    rtl::RegisterClass<TwzContent>();
    rtl::RegisterClass<TwzControl>();
    rtl::RegisterClass<TwzVisualObject>();
    // The translation component and actions live on forms, not in the palette.
    rtl::RegisterClass<TwzLang>();
    rtl::RegisterClass<TwzAction>();
    rtl::RegisterClass<TwzActionList>();
    // The menus objects pop up, with their items.
    platform::ui::RegisterMenuComponents();

    // 2. Named resources.
    ui2d::RegisterResourceObjects();

    // 3. The window-layering entry points of the original platform have no counterpart: the
    // window layer itself answers whether layered windows blend.

    // 4. The scene control.
    rtl::RegisterClass<TwzCustomScene>();
    rtl::RegisterClass<TwzScene>();
    // Waits (a trigger animation run to its end) turn the application's loop.
    ui2d::SetMessagePump(&ui2d::PumpApplication);

    // 5. The frame and the popups.
    Register2DObjects<TwzFrame>("Layout");
    Register2DObjects<TwzPopup, TwzMessagePopup>("Popup");
    // 6. The drop-target set-up of the original platform's OLE belongs to the window layer.
    // 7. The categories, in palette order. This library holds the animations, effects,
    // shapes and the scene background; the libraries above it register the rest of the
    // palette, in the same order, as the module start-up runs them next: the controls
    // (RegisterControls), then the design tools (RegisterDesignTools).
    ui2d::RegisterAnimationObjects();
    Register2DObjects<TwzShadowEffect, TwzBlurEffect, TwzGlowEffect, TwzInnerGlowEffect, TwzBevelEffect,
        TwzReflectionEffect>("Effects");
    Register2DObjects<TwzLine, TwzRectangle, TwzSidesRectangle, TwzBlurRectangle, TwzRoundRect,
        TwzBlurRoundRect, TwzEllipse, TwzCircle, TwzArc, TwzPie, TwzText, TwzPath, TwzImage, TwzPaintBox>(
        "Shapes");
    Register2DObjects<TwzBackground>("Windows");

    // 8. The codec and canvas classes; a host that installed its own canvas class keeps it.
    DefaultFilterClass = &kTwzFilterGdiPlusClass;
    if (!DefaultCanvasClass)
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
    DefaultDeviceCanvasClass = &TwzCanvasGdiPlusClass;

    // 9. Last: the drawing back end.
    StartGdiPlus();
}

void Finalize2DLibrary()
{
    LibraryState& s = State();

    // 1. The drawing back end goes first; nothing may draw after it.
    StopGdiPlus();
    // 2. The window-less timers. The 2D animation clock is the one timer of this library
    // that may still run: it goes first, so its window-system timer stops with its record
    // instead of ticking on with none.
    FreeAniThread();
    FreeTimerRegistry();
    // 3. No window-system library was loaded for the layering entry points.

    // 4. The built-in style, the registries and the translation.
    ui2d::FreeLanguageTable();
    if (TwzObject* style = DefaultStyle.Get()) {
        DefaultStyle = nullptr;
        style->Free();
    }
    s.categories.clear();
    s.categories.shrink_to_fit();
    // Objects still alive are not freed; they merely stop being found.
    while (s.first)
        ui2d::ObjectInstanceAccess::Remove(s.first);
    s.scenes.clear();
    s.scenes.shrink_to_fit();

    // 5. The designer hook is released with the other global references.
    SceneDesigner = nullptr;
    s.initialised = false;
}

// ---- message pump ------------------------------------------------------------------------

namespace ui2d {

void SetMessagePump(MessagePump pump)
{
    State().pump = pump;
}

bool PumpApplication()
{
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    if (!app || app->Terminated())
        return false;
    // One turn that waits for the next event, timer or posted call, so a wait sleeps
    // between the ticks of what it waits for instead of spinning.
    bool turned = false;
    app->RunUntil([&turned] { return std::exchange(turned, true); });
    return !app->Terminated();
}

bool PumpMessages()
{
    MessagePump pump = State().pump;
    return pump && pump();
}

} // namespace ui2d
