// The style sheet component and the built-in style: reading object text and binary component
// streams into style trees, and keeping the previous tree whenever a new one cannot be read.

#include "ui2d/TwzResources.h"

#include "graphics/ObjectText.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

#include <algorithm>

namespace {

constexpr rtl::TPropInfo kResourcesProps[] = {
    RTL_PROP(TwzResources, Resource, Class, rtl::kNoDefault, false),
};

/// A copy of `text` short enough for a message, on one line.
std::string Excerpt(std::string_view text)
{
    constexpr size_t kMax = 60;
    std::string out;
    for (char c : text.substr(0, kMax))
        out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
    return rtl::ToValidUtf8(out);
}

/// Reads the object whose binary stream `stream` holds. Strict reading turns every error the
/// reader could step over into a ReadError; lenient reading skips them.
TwzObject* ReadTree(rtl::TStream& stream, bool strict)
{
    const int64_t start = stream.GetPosition();
    std::string className;
    {
        rtl::TReader reader(stream);
        className = reader.ReadRootHeader().className;
    }
    const rtl::TClassInfo* info = rtl::FindClass(className);
    if (!info || !info->create)
        throw rtl::ReadError("Class " + rtl::ToValidUtf8(className) + (info ? " is abstract" : " not found"));
    rtl::TComponent* created = info->create(nullptr);
    auto* object = dynamic_cast<TwzObject*>(created);
    if (!object) {
        created->Free();
        throw rtl::ReadError("Class " + rtl::ToValidUtf8(className) + " is not a 2D object");
    }
    rtl::TOwned<TwzObject> tree(object);
    stream.SetPosition(start);
    rtl::TReader reader(stream);
    reader.OnSetName = [](rtl::TReader&, rtl::TComponent*, std::string& name) { name.clear(); };
    reader.OnError = [strict](rtl::TReader&, const std::string&, bool& handled) { handled = !strict; };
    reader.ReadRootComponent(tree.get());
    return tree.release();
}

/// The object text of one style object read from `text` at `offset`, as a binary stream;
/// `offset` moves past it.
void ParseOneObject(std::string_view text, size_t& offset, rtl::TMemoryStream& binary)
{
    rtl::TConstMemoryStream input(text.data() + offset, text.size() - offset);
    ObjectTextToStream(input, binary);
    offset += static_cast<size_t>(input.GetPosition());
    binary.SetPosition(0);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

int LineAt(std::string_view text, size_t offset)
{
    return 1
        + static_cast<int>(
            std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

/// How a style object is named in messages: its resource name when the text shows one
/// before its first child, else its header line.
std::string NameInText(std::string_view text, size_t offset)
{
    std::string_view rest = text.substr(offset);
    const size_t lineEnd = rest.find('\n');
    const std::string header = Excerpt(rest.substr(0, lineEnd));
    const size_t body = lineEnd == std::string_view::npos ? rest.size() : lineEnd;
    const size_t nextObject = rest.find("object ", body);
    const size_t key = rest.find("ResourceName = '", body);
    if (key != std::string_view::npos && (nextObject == std::string_view::npos || key < nextObject)) {
        const size_t begin = key + 16;
        const size_t end = rest.find('\'', begin);
        if (end != std::string_view::npos && end - begin <= 64)
            return "'" + rtl::ToValidUtf8(std::string(rest.substr(begin, end - begin))) + "'";
    }
    return "\"" + header + "\"";
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzResources, .props = kResourcesProps)

TwzResources::TwzResources(rtl::TComponent* owner)
    : rtl::TComponent(owner)
    , m_resource(std::make_unique<TwzWideStringList>())
{
    m_resource->OnChange.Bind<&TwzResources::ResourceChanged>(this);
    // Scene controls join and leave sheets through these hooks.
    ui2d::StyleSheetUsers.addUser = [](TwzResources* sheet, IwzScene* host) { sheet->AddScene(host); };
    ui2d::StyleSheetUsers.removeUser = [](TwzResources* sheet, IwzScene* host) { sheet->RemoveScene(host); };
}

TwzResources::~TwzResources() = default;

void TwzResources::BeforeDestruction()
{
    if (TwzObject* root = std::exchange(m_root, nullptr))
        root->Free();
    // Each host still using the sheet lets it go (and restyles) while the sheet exists.
    while (!m_users.empty()) {
        const User user = m_users.back();
        m_users.pop_back();
        if (user.component)
            user.component->RemoveFreeNotification(this);
        if (user.scene->GetStyle() == this)
            user.scene->SetStyle(nullptr);
    }
    m_resource->OnChange.Clear();
    Inherited::BeforeDestruction();
}

void TwzResources::SetResource(const TwzWideStrings* value)
{
    if (value)
        m_resource->Assign(*value);
}

std::string TwzResources::Describe() const
{
    return "Style sheet " + (GetName().empty() ? std::string("(unnamed)") : "'" + GetName() + "'");
}

void TwzResources::ResourceChanged(rtl::TObject*)
{
    const std::string text = rtl::Utf16ToUtf8(m_resource->GetTextStr());
    if (text.find_first_not_of(" \t\r\n\f\v") == std::string::npos) {
        SetRootTree(nullptr);
        return;
    }
    TwzObject* tree = nullptr;
    try {
        rtl::TConstMemoryStream input(text.data(), text.size());
        rtl::TMemoryStream binary;
        ObjectTextToStream(input, binary);
        binary.SetPosition(0);
        tree = ReadTree(binary, false);
    } catch (const std::exception& e) {
        throw ui2d::StyleError(Describe() + ": " + e.what());
    }
    SetRootTree(tree);
}

void TwzResources::LoadRootFromStream(rtl::TStream& stream)
{
    TwzObject* tree = nullptr;
    try {
        tree = ReadTree(stream, false);
    } catch (const std::exception& e) {
        throw ui2d::StyleError(Describe() + ": " + e.what());
    }
    SetRootTree(tree);
}

void TwzResources::SetRootTree(TwzObject* tree)
{
    if (TwzObject* old = std::exchange(m_root, nullptr))
        old->Free();
    m_root = tree;
    // Style objects are hidden while a designer shows the sheet, never when they are used.
    if (m_root)
        if (TwzVisualObject* visual = m_root->AsVisual())
            visual->SetDesignHideRecursive(false);
    // A restyle runs code of every control; a handler may free the sheet or change the list.
    const rtl::DispatchGuard held(this);
    const std::vector<User> users = m_users;
    for (const User& user : users) {
        if (IsFreed())
            return;
        const bool stillListed = std::any_of(
            m_users.begin(), m_users.end(), [&](const User& u) { return u.scene == user.scene; });
        if (stillListed)
            user.scene->UpdateStyle();
    }
}

void TwzResources::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "ResourcesBin", [this](rtl::TStream& stream) { LoadRootFromStream(stream); },
        [this](rtl::TStream& stream) {
            if (m_root)
                m_root->SaveObjectToStream(stream);
        },
        m_root != nullptr);
}

void TwzResources::AddScene(IwzScene* scene)
{
    if (!scene)
        return;
    if (std::any_of(m_users.begin(), m_users.end(), [&](const User& u) { return u.scene == scene; }))
        return;
    rtl::TComponent* component = scene->GetComponent();
    m_users.push_back({ scene, component });
    if (component)
        component->FreeNotification(this);
}

void TwzResources::RemoveScene(IwzScene* scene)
{
    const auto it
        = std::find_if(m_users.begin(), m_users.end(), [&](const User& u) { return u.scene == scene; });
    if (it == m_users.end())
        return;
    rtl::TComponent* component = it->component;
    m_users.erase(it);
    if (component)
        component->RemoveFreeNotification(this);
}

std::vector<IwzScene*> TwzResources::Scenes() const
{
    std::vector<IwzScene*> list;
    for (const User& user : m_users)
        list.push_back(user.scene);
    return list;
}

void TwzResources::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation == rtl::opRemove)
        std::erase_if(m_users, [&](const User& u) { return u.component == component; });
}

// ---- the built-in style ------------------------------------------------------------------

namespace ui2d {

TwzObject* ReadObjectTree(rtl::TStream& stream)
{
    return ReadTree(stream, false);
}

TwzObject* BuildStyleTree(std::span<const StyleFile> files)
{
    if (files.empty())
        throw StyleError("Built-in style: no style files");
    rtl::TOwned<TwzObject> root;
    for (size_t f = 0; f < files.size(); ++f) {
        const StyleFile& file = files[f];
        const std::string_view text = file.text;
        size_t offset = 0;
        int objects = 0;
        for (;;) {
            while (offset < text.size() && IsBlank(text[offset]))
                ++offset;
            if (offset >= text.size())
                break;
            const size_t start = offset;
            try {
                rtl::TMemoryStream binary;
                ParseOneObject(text, offset, binary);
                rtl::TOwned<TwzObject> object(ReadTree(binary, true));
                if (f == 0) {
                    if (root)
                        throw rtl::ReadError("the root file holds more than one object");
                    root = std::move(object);
                } else {
                    root->AddObject(object.release());
                }
            } catch (const std::exception& e) {
                throw StyleError("Built-in style, " + std::string(file.name) + ", style object "
                    + NameInText(text, start) + " at line " + std::to_string(LineAt(text, start)) + ": "
                    + e.what());
            }
            ++objects;
        }
        if (f == 0 && objects == 0)
            throw StyleError("Built-in style, " + std::string(file.name) + ": no root object");
    }
    return root.release();
}

namespace {

std::vector<std::span<const StyleFile>>& AddedStyleFiles()
{
    static std::vector<std::span<const StyleFile>> sets;
    return sets;
}

} // namespace

void AddBuiltInStyleFiles(std::span<const StyleFile> files)
{
    auto& sets = AddedStyleFiles();
    for (const auto& set : sets)
        if (set.data() == files.data() && set.size() == files.size())
            return;
    sets.push_back(files);
    if (TwzObject* old = DefaultStyle.Get()) {
        DefaultStyle = nullptr;
        old->Free();
    }
}

std::vector<StyleFile> AllBuiltInStyleFiles()
{
    const auto own = BuiltInStyleFiles();
    std::vector<StyleFile> files(own.begin(), own.end());
    for (const auto& set : AddedStyleFiles())
        files.insert(files.end(), set.begin(), set.end());
    return files;
}

TwzObject* LoadDefaultStyle()
{
    if (TwzObject* style = DefaultStyle.Get())
        return style;
    DefaultStyle = BuildStyleTree(AllBuiltInStyleFiles());
    return DefaultStyle.Get();
}

void ReloadDefaultStyle(std::span<const StyleFile> files)
{
    TwzObject* tree = BuildStyleTree(files);
    if (TwzObject* old = DefaultStyle.Get()) {
        DefaultStyle = nullptr;
        old->Free();
    }
    DefaultStyle = tree;
}

} // namespace ui2d
