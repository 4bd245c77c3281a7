#include "platform/rtl/Writer.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Streams.h"

#include <cassert>
#include <vector>

namespace rtl {

namespace {

// Sets a state bit for the duration of a scope, also when the scope is left by an exception.
class StateScope {
public:
    StateScope(TComponent& c, TComponentStateItem item, void (*set)(TComponent&, TComponentStateItem, bool))
        : m_component(&c)
        , m_item(item)
        , m_set(set)
    {
        m_set(c, item, true);
    }
    ~StateScope()
    {
        if (TComponent* c = m_component.Get())
            m_set(*c, m_item, false);
    }
    StateScope(const StateScope&) = delete;
    StateScope& operator=(const StateScope&) = delete;

private:
    Watch<TComponent> m_component;
    TComponentStateItem m_item;
    void (*m_set)(TComponent&, TComponentStateItem, bool);
};

} // namespace

TWriter::TWriter(TStream& stream)
    : TValueWriter(stream)
{ }

void TWriter::WriteDescendent(TComponent& root, const TComponent* ancestor)
{
    assert(!ancestor);
    (void)ancestor;
    m_root = &root;
    WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteComponent(TComponent& component)
{
    StateScope writing(
        component, csWriting, [](TComponent& c, TComponentStateItem item, bool on) { c.SetState(item, on); });
    WritePrefix(0, 0);
    WriteStr(component.ClassName());
    WriteStr(component.GetName());
    m_propPath.clear();
    WriteProperties(component);
    WriteListEnd();
    component.GetChildren([this](TComponent* child) { WriteComponent(*child); }, m_root);
    WriteListEnd();
}

void TWriter::WriteProperties(const TPersistent& instance)
{
    for (const TPropInfo* prop : instance.ClassInfo().PropList()) {
        if (prop->IsStored(instance))
            WriteProperty(instance, *prop);
    }
    if (m_root) {
        auto& mutableInstance = const_cast<TPersistent&>(instance);
        for (const TEventInfo* event : instance.ClassInfo().EventList()) {
            const std::string_view handler = HandlerNameFor(event->access(mutableInstance), *m_root);
            if (!handler.empty()) {
                WritePropName(event->name);
                WriteIdent(handler);
            }
        }
    }
    const_cast<TPersistent&>(instance).DefineProperties(*this);
}

void TWriter::WritePropName(std::string_view name)
{
    WriteStr(m_propPath + std::string(name));
}

void TWriter::WriteProperty(const TPersistent& instance, const TPropInfo& prop)
{
    const TValue value = prop.get(instance);
    switch (prop.kind) {
    case TPropKind::Integer:
        // Stored as 32 bits; an unsigned value (a colour) keeps its bit pattern.
        WritePropName(prop.name);
        WriteInteger(static_cast<int32_t>(static_cast<uint32_t>(std::get<int64_t>(value))));
        return;
    case TPropKind::Int64:
        WritePropName(prop.name);
        WriteInteger(std::get<int64_t>(value));
        return;
    case TPropKind::Boolean:
        WritePropName(prop.name);
        WriteBoolean(std::get<bool>(value));
        return;
    case TPropKind::Enum: {
        const std::string_view name = prop.enumInfo->NameOf(std::get<int64_t>(value));
        if (name.empty())
            return; // an ordinal without a name cannot be read back
        WritePropName(prop.name);
        WriteIdent(name);
        return;
    }
    case TPropKind::Set: {
        const auto mask = static_cast<uint64_t>(std::get<int64_t>(value));
        std::vector<std::string> names;
        for (size_t i = 0; i < prop.enumInfo->names.size() && i < 64; ++i) {
            if (mask & (uint64_t { 1 } << i))
                names.emplace_back(prop.enumInfo->names[i]);
        }
        WritePropName(prop.name);
        WriteSet(names);
        return;
    }
    case TPropKind::Float:
        WritePropName(prop.name);
        WriteFloat(std::get<double>(value));
        return;
    case TPropKind::Char:
        WritePropName(prop.name);
        WriteString(std::string(1, static_cast<char>(std::get<int64_t>(value))));
        return;
    case TPropKind::WChar:
        WritePropName(prop.name);
        WriteWideString(std::u16string(1, static_cast<char16_t>(std::get<int64_t>(value))));
        return;
    case TPropKind::String:
        WritePropName(prop.name);
        WriteString(std::get<std::string>(value));
        return;
    case TPropKind::WideString:
        WritePropName(prop.name);
        WriteWideString(std::get<std::u16string>(value));
        return;
    case TPropKind::Component: {
        auto* target = dynamic_cast<TComponent*>(std::get<TObject*>(value));
        if (!target)
            return;
        const std::string name = ReferenceName(*target);
        if (name.empty())
            return; // an unnamed component cannot be found again by name
        WritePropName(prop.name);
        WriteIdent(name);
        return;
    }
    case TPropKind::Class: {
        auto* sub = dynamic_cast<TPersistent*>(std::get<TObject*>(value));
        if (!sub)
            return;
        if (auto* collection = dynamic_cast<TCollection*>(sub)) {
            // Always written, also when empty: its owner may have created items of its own.
            WritePropName(prop.name);
            WriteCollection(*collection);
            return;
        }
        const std::string saved = m_propPath;
        m_propPath += std::string(prop.name) + ".";
        WriteProperties(*sub);
        m_propPath = saved;
        return;
    }
    }
}

void TWriter::WriteCollection(const TCollection& collection)
{
    const std::string saved = std::exchange(m_propPath, {});
    WriteCollectionBegin();
    for (int i = 0; i < collection.Count(); ++i) {
        WriteCollectionItemBegin();
        WriteProperties(*collection.GetItem(i));
        WriteListEnd();
    }
    WriteListEnd();
    m_propPath = saved;
}

std::string TWriter::ReferenceName(const TComponent& target) const
{
    if (target.GetName().empty())
        return {};
    if (&target == m_root || target.GetOwner() == m_root)
        return target.GetName();
    // A component of another form or of a nested owner: "Owner.Name".
    const TComponent* owner = target.GetOwner();
    if (owner && !owner->GetName().empty())
        return owner->GetName() + "." + target.GetName();
    return {};
}

void TWriter::DefineProperty(
    std::string_view name, const TReaderProc&, const TWriterProc& writeData, bool hasData)
{
    if (!hasData || !writeData)
        return;
    WritePropName(name);
    writeData(*this);
}

void TWriter::DefineBinaryProperty(
    std::string_view name, const TStreamProc&, const TStreamProc& writeData, bool hasData)
{
    if (!hasData || !writeData)
        return;
    TMemoryStream data;
    writeData(data);
    WritePropName(name);
    WriteBinary(data.Bytes());
}

void WriteComponentToStream(TStream& stream, TComponent& root)
{
    TWriter writer(stream);
    writer.WriteDescendent(root);
}

} // namespace rtl
