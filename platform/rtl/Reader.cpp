#include "platform/rtl/Reader.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/ScopedAssign.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace rtl {

namespace {

TFindGlobalComponent g_findGlobalComponent = nullptr;

bool IsIntegerCode(TValueType t)
{
    return t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64;
}

bool IsFloatCode(TValueType t)
{
    return IsIntegerCode(t) || t == vaExtended || t == vaSingle || t == vaCurrency || t == vaDate;
}

bool IsStringCode(TValueType t)
{
    return t == vaString || t == vaLString || t == vaWString || t == vaUTF8String || t == vaUString;
}

class DepthGuard {
public:
    explicit DepthGuard(int& depth)
        : m_depth(depth)
    {
        if (++m_depth > kMaxValueNesting) {
            --m_depth;
            throw ReadError("Objects nested too deeply");
        }
    }
    ~DepthGuard() { --m_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& m_depth;
};

// The decoded data of the read of a root running on this thread; reads nested inside it
// count towards the same total.
struct LoadTotal {
    int reads = 0;
    uint64_t bytes = 0;
};
thread_local LoadTotal t_load;

class LoadScope {
public:
    LoadScope()
    {
        if (t_load.reads++ == 0)
            t_load.bytes = 0;
    }
    ~LoadScope() { --t_load.reads; }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;
};

std::string Where(const TComponent& component, const std::string& path)
{
    return "Error reading " + (component.GetName().empty() ? path : component.GetName() + "." + path);
}

} // namespace

TReader::TReader(TStream& stream)
    : TValueReader(stream)
{ }

TObjectHeader TReader::ReadRootHeader()
{
    ReadSignature();
    return ReadObjectHeader();
}

void ChargeLoad(uint64_t bytes, const std::string& what)
{
    if (t_load.reads == 0)
        return;
    if (bytes > kMaxLoadBytes - t_load.bytes)
        throw LimitError(what + " would take the pictures of this load beyond "
            + std::to_string(kMaxLoadBytes >> 20) + " MB");
    t_load.bytes += bytes;
}

TComponent* TReader::ReadRootComponent(TComponent* root, TComponent* owner)
{
    const LoadScope load;
    ReadSignature();
    TObjectHeader header = ReadObjectHeader();
    bool created = false;
    if (!root) {
        const TClassInfo* info = FindClass(header.className);
        if (!info || !info->create)
            throw ReadError(
                "Class " + ToValidUtf8(header.className) + (info ? " is abstract" : " not found"));
        root = info->create(owner);
        created = true;
    }
    Watch<TComponent> rootWatch(root);
    m_root = root;
    m_loaded.clear();
    m_fixups.clear();
    m_depth = 0;
    root->SetState(csLoading, true);
    root->SetState(csReading, true);
    m_loaded.emplace_back(root);
    {
        // On a failure the loading ends, then a root made here goes; the first error is the
        // one to report.
        ScopeFailure freeCreated([&] {
            if (created) {
                if (TComponent* r = rootWatch.Get())
                    r->Free();
            }
        });
        ScopeFailure finishFailing([this] { FinishLoading(/*failing=*/true); });
        ApplyName(*root, std::move(header.objectName));
        ReadBody(*root);
    }
    FinishLoading(/*failing=*/false);
    return rootWatch.Get();
}

void TReader::ReadBody(TComponent& component)
{
    DepthGuard depth(m_depth);
    while (!EndOfList())
        ReadProperty(component, component);
    ReadListEnd();
    while (!EndOfList())
        ReadComponent(&component);
    ReadListEnd();
    component.SetState(csReading, false);
}

void TReader::ReadComponent(TComponent* parent)
{
    TObjectHeader header = ReadObjectHeader();
    const TClassInfo* info = FindClass(header.className);
    if (!info || !info->create) {
        Error("Class " + ToValidUtf8(header.className) + (info ? " is abstract" : " not found"));
        SkipObject(m_depth + 1);
        return;
    }
    TComponent* component = info->create(m_root);
    Watch<TComponent> guard(component);
    // An object whose read did not finish is not kept half-built.
    ScopeFailure freeHalfBuilt([&guard] {
        if (TComponent* alive = guard.Get())
            alive->Free();
    });
    component->SetState(csLoading, true);
    component->SetState(csReading, true);
    m_loaded.emplace_back(component);
    ApplyName(*component, std::move(header.objectName));
    component->SetParentComponent(parent);
    ReadBody(*component);
}

void TReader::SkipObject(int depth)
{
    if (depth > kMaxValueNesting)
        throw ReadError("Objects nested too deeply");
    while (!EndOfList())
        SkipProperty();
    ReadListEnd();
    while (!EndOfList()) {
        ReadObjectHeader();
        SkipObject(depth + 1);
    }
    ReadListEnd();
}

void TReader::ApplyName(TComponent& component, std::string name)
{
    name = ToValidUtf8(name);
    if (OnSetName)
        OnSetName(*this, &component, name);
    try {
        component.SetName(name);
    } catch (const ComponentError& e) {
        Error(e.what());
    }
}

void TReader::ReadProperty(TPersistent& instance, TComponent& component)
{
    const std::string path = ToValidUtf8(ReadStr());
    const size_t dot = path.rfind('.');
    TObject* holder = dot == std::string::npos
        ? &instance
        : ResolveObject(instance, std::string_view(path).substr(0, dot));
    const std::string_view name
        = dot == std::string::npos ? std::string_view(path) : std::string_view(path).substr(dot + 1);
    if (holder) {
        if (const TPropInfo* prop = holder->ClassInfo().FindProp(name)) {
            ReadPropValue(*holder, *prop, component, path);
            return;
        }
        if (const TEventInfo* event = holder->ClassInfo().FindEvent(name)) {
            ReadEventValue(*holder, *event, Where(component, path));
            return;
        }
        if (auto* persistent = dynamic_cast<TPersistent*>(holder)) {
            if (ReadDefinedValue(*persistent, name, Where(component, path)))
                return;
        }
    }
    SkipValueAfterError(Where(component, path) + ": Property " + path + " does not exist");
}

void TReader::ReadPropValue(
    TObject& holder, const TPropInfo& prop, TComponent& component, const std::string& path)
{
    const std::string where = Where(component, path);
    const TValueType t = NextValue();
    const auto mismatch = [&] { SkipValueAfterError(where + ": Invalid property value"); };
    switch (prop.kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
        if (!IsIntegerCode(t))
            return mismatch();
        return SetValue(holder, prop, ReadInt64(), where);
    case TPropKind::Float: {
        if (!IsFloatCode(t))
            return mismatch();
        // No stored description means an infinity or a NaN (the text form cannot even say
        // them), and code downstream would turn them into undefined integer conversions.
        const double value = ReadFloat();
        if (!std::isfinite(value) || (prop.single && !std::isfinite(static_cast<float>(value))))
            return Error(where + ": Invalid property value");
        return SetValue(holder, prop, value, where);
    }
    case TPropKind::Boolean:
    case TPropKind::Enum: {
        if (t != vaIdent && t != vaFalse && t != vaTrue)
            return mismatch();
        const std::string ident = ReadIdent();
        const std::optional<int64_t> ordinal = prop.enumInfo->ValueOf(ident);
        if (!ordinal)
            return Error(where + ": Invalid property value " + ToValidUtf8(ident));
        if (prop.kind == TPropKind::Boolean)
            return SetValue(holder, prop, *ordinal != 0, where);
        return SetValue(holder, prop, *ordinal, where);
    }
    case TPropKind::Set: {
        if (t != vaSet)
            return mismatch();
        uint64_t mask = 0;
        for (const std::string& element : ReadSet()) {
            const std::optional<int64_t> ordinal = prop.enumInfo->ValueOf(element);
            if (!ordinal || *ordinal >= 64)
                return Error(where + ": Invalid property value " + ToValidUtf8(element));
            mask |= uint64_t { 1 } << *ordinal;
        }
        return SetValue(holder, prop, static_cast<int64_t>(mask), where);
    }
    case TPropKind::Char:
    case TPropKind::WChar: {
        if (IsIntegerCode(t))
            return SetValue(holder, prop, ReadInt64(), where);
        if (!IsStringCode(t))
            return mismatch();
        ReadValue();
        int64_t code = -1;
        if (t == vaWString || t == vaUString) {
            const std::u16string units = ReadUtf16Payload();
            if (units.size() == 1)
                code = units[0];
        } else {
            // A one-byte character keeps its byte; text of one character is decoded.
            const std::string bytes = ReadBytesPayload(t);
            const std::u16string units = Utf8ToUtf16(bytes);
            if (prop.kind == TPropKind::Char && bytes.size() == 1)
                code = static_cast<unsigned char>(bytes[0]);
            else if (units.size() == 1)
                code = units[0];
        }
        if (code < 0)
            return Error(where + ": Invalid property value");
        return SetValue(holder, prop, code, where);
    }
    case TPropKind::String:
        if (!IsStringCode(t))
            return mismatch();
        return SetValue(holder, prop, ReadString(), where);
    case TPropKind::WideString:
        if (!IsStringCode(t))
            return mismatch();
        return SetValue(holder, prop, ReadWideString(), where);
    case TPropKind::Component:
        if (t == vaNil) {
            ReadValue();
            return SetValue(holder, prop, static_cast<TObject*>(nullptr), where);
        }
        if (t != vaIdent)
            return mismatch();
        if (prop.ReadOnly())
            return SkipValueAfterError(where + ": Property " + std::string(prop.name) + " is read-only");
        m_fixups.push_back({ Watch<TComponent>(&component), &holder, &prop, ToValidUtf8(ReadIdent()) });
        return;
    case TPropKind::Class: {
        if (t == vaCollection) {
            const TValue sub = prop.get(holder);
            auto* const* object = std::get_if<TObject*>(&sub);
            if (auto* collection = object ? dynamic_cast<TCollection*>(*object) : nullptr) {
                ReadValue();
                return ReadCollection(*collection, component);
            }
        }
        return mismatch();
    }
    }
}

void TReader::ReadEventValue(TObject& holder, const TEventInfo& event, const std::string& where)
{
    const TValueType t = NextValue();
    if (t == vaNil) {
        ReadValue();
        event.access(holder).Clear();
        return;
    }
    if (t != vaIdent)
        return SkipValueAfterError(where + ": Invalid property value");
    const std::string handler = ToValidUtf8(ReadIdent());
    const TMethodInfo* method = m_root->ClassInfo().FindMethod(handler);
    if (!method || method->signature != event.signature)
        return Error(where + ": Invalid event handler " + handler);
    method->bind(event.access(holder), *m_root);
}

bool TReader::ReadDefinedValue(TPersistent& holder, std::string_view name, const std::string& where)
{
    // DefineProperties declares all of its values; DefineProperty reads the one pending.
    ScopedAssign pendingName(m_pendingName, name);
    ScopedAssign pendingDone(m_pendingDone, false);
    ScopedAssign pendingPath(m_pendingPath, where);
    holder.DefineProperties(*this);
    return m_pendingDone;
}

void TReader::DefineProperty(std::string_view name, const TReaderProc& readData, const TWriterProc&, bool)
{
    if (m_pendingDone || m_pendingName.empty() || !readData || !SameText(name, m_pendingName))
        return;
    m_pendingDone = true;
    const std::string where = m_pendingPath;
    // The value's extent is known before its reader runs: a reader that fails, or reads more
    // or less than its one value, cannot misalign what follows.
    TStream& stream = Stream();
    const int64_t start = stream.GetPosition();
    SkipValue();
    const int64_t end = stream.GetPosition();
    stream.SetPosition(start);
    try {
        readData(*this);
    } catch (const LimitError& e) {
        throw LimitError(where + ": " + e.what());
    } catch (const Exception& e) {
        stream.SetPosition(end);
        Error(where + ": " + e.what());
        return;
    }
    stream.SetPosition(end);
}

void TReader::DefineBinaryProperty(
    std::string_view name, const TStreamProc& readData, const TStreamProc&, bool)
{
    if (m_pendingDone || m_pendingName.empty() || !readData || !SameText(name, m_pendingName))
        return;
    m_pendingDone = true;
    const std::string where = m_pendingPath;
    if (NextValue() != vaBinary)
        return SkipValueAfterError(where + ": Invalid property value");
    const std::vector<uint8_t> bytes = ReadBinary();
    TConstMemoryStream data(bytes.data(), bytes.size());
    try {
        readData(data);
    } catch (const LimitError& e) {
        throw LimitError(where + ": " + e.what());
    } catch (const Exception& e) {
        Error(where + ": " + e.what());
    }
}

void TReader::ReadCollection(TCollection& collection, TComponent& component)
{
    DepthGuard depth(m_depth);
    collection.BeginUpdate();
    ScopeExit endUpdate([&collection] { collection.EndUpdate(); });
    // The items about to go may hold links still waiting for their targets.
    DropFixupsInside(collection);
    collection.Clear();
    while (!EndOfList()) {
        ReadCollectionItemBegin();
        TCollectionItem* item = nullptr;
        try {
            item = collection.Add();
        } catch (const Exception& e) {
            Error(Where(component, "item") + ": " + e.what());
        }
        while (!EndOfList()) {
            if (item)
                ReadProperty(*item, component);
            else
                SkipProperty();
        }
        ReadListEnd();
    }
    ReadListEnd();
}

void TReader::SetValue(TObject& holder, const TPropInfo& prop, const TValue& value, const std::string& where)
{
    if (prop.ReadOnly())
        return Error(where + ": Property " + std::string(prop.name) + " is read-only");
    bool accepted;
    try {
        accepted = prop.set(holder, value);
    } catch (const LimitError& e) {
        throw LimitError(where + ": " + e.what());
    } catch (const Exception& e) {
        return Error(where + ": " + e.what());
    }
    if (!accepted)
        Error(where + ": Invalid property value");
}

void TReader::Error(const std::string& message)
{
    bool handled = true;
    if (OnError)
        OnError(*this, message, handled);
    if (!handled)
        throw ReadError(message);
}

void TReader::SkipValueAfterError(const std::string& message)
{
    Error(message);
    SkipValue();
}

TComponent* TReader::FindReference(std::string_view name) const
{
    // "Name", or "Owner.Name" for a component of another form or a nested owner.
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t dot = name.find('.', start);
        parts.push_back(
            name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (parts.back().empty())
            return nullptr;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    TComponent* found = m_root->FindComponent(parts[0]);
    if (!found && SameText(m_root->GetName(), parts[0]))
        found = m_root;
    if (!found && g_findGlobalComponent)
        found = g_findGlobalComponent(parts[0]);
    for (size_t i = 1; found && i < parts.size(); ++i)
        found = found->FindComponent(parts[i]);
    return found;
}

void TReader::DropFixupsInside(TPersistent& object)
{
    std::vector<const TObject*> inside;
    std::vector<TPersistent*> pending { &object };
    while (!pending.empty()) {
        TPersistent* p = pending.back();
        pending.pop_back();
        inside.push_back(p);
        if (auto* collection = dynamic_cast<TCollection*>(p)) {
            for (int i = 0; i < collection->Count(); ++i)
                pending.push_back(collection->GetItem(i));
        }
        for (const TPropInfo* prop : p->ClassInfo().PropList()) {
            if (prop->kind != TPropKind::Class)
                continue;
            const TValue v = prop->get(*p);
            auto* const* sub = std::get_if<TObject*>(&v);
            if (auto* persistent = sub ? dynamic_cast<TPersistent*>(*sub) : nullptr)
                pending.push_back(persistent);
        }
    }
    std::erase_if(m_fixups,
        [&](const Fixup& f) { return std::find(inside.begin(), inside.end(), f.holder) != inside.end(); });
}

void TReader::FinishLoading(bool failing)
{
    // Links first, so that every Loaded() sees them.
    for (Fixup& f : std::exchange(m_fixups, {})) {
        if (!f.component.Get())
            continue;
        TComponent* target = FindReference(f.name);
        if (!target)
            continue; // a link to nothing stays empty
        try {
            if (!f.prop->set(*f.holder, target) && !failing)
                Error(Where(*f.component.Get(), std::string(f.prop->name)) + ": Invalid property value");
        } catch (const Exception& e) {
            if (!failing)
                Error(e.what());
        }
    }
    for (Watch<TComponent>& w : std::exchange(m_loaded, {})) {
        if (TComponent* c = w.Get()) {
            c->SetState(csReading, false);
            c->SetState(csLoading, false);
            c->Loaded();
        }
    }
}

TComponent* ReadComponentFromStream(TStream& stream, TComponent* root, TComponent* owner)
{
    TReader reader(stream);
    return reader.ReadRootComponent(root, owner);
}

void SetFindGlobalComponent(TFindGlobalComponent find)
{
    g_findGlobalComponent = find;
}

} // namespace rtl
