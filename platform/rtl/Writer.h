#pragma once

#include "platform/rtl/Filer.h"
#include "platform/rtl/ValueStream.h"

#include <string>

// The component writer: a component tree in the binary component stream. Each component
// is written as its header (class and name), the published properties that are stored
// and differ from their defaults in table order (a sub-object's as "Fill.Color", a
// collection as one value, a link as the linked component's name, an event as its
// handler's name), its DefineProperties values, and then its children as GetChildren
// gives them.
namespace rtl {

class TWriter final : public TFiler, public TValueWriter {
public:
    explicit TWriter(TStream& stream);

    /// The signature, then `root` with everything it streams. `ancestor` must be null (no
    /// inherited forms).
    void WriteDescendent(TComponent& root, const TComponent* ancestor = nullptr);

    /// One component of the root being written: header, properties, children.
    void WriteComponent(TComponent& component);

    /// The stored published properties, events and DefineProperties values of `instance`,
    /// without the closing 0 (collection items and sub-objects use it too).
    void WriteProperties(const TPersistent& instance);

    void DefineProperty(std::string_view name, const TReaderProc& readData, const TWriterProc& writeData,
        bool hasData) override;
    void DefineBinaryProperty(std::string_view name, const TStreamProc& readData,
        const TStreamProc& writeData, bool hasData) override;

private:
    void WriteProperty(const TPersistent& instance, const TPropInfo& prop);
    void WritePropName(std::string_view name);
    void WriteCollection(const TCollection& collection);
    [[nodiscard]] std::string ReferenceName(const TComponent& target) const;

    std::string m_propPath; // "Fill." while the properties of a sub-object are written
};

/// Writes `root` and its stored subtree to `stream` at its position.
void WriteComponentToStream(TStream& stream, TComponent& root);

} // namespace rtl
