#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Value.h"
#include "platform/rtl/ValueStream.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The component reader: builds or fills a component tree from the binary component stream.
//
// Each component is created through the class registry with the root as its owner, marked
// loading and reading, named, attached to the component whose children block holds it
// (SetParentComponent), given its properties, then its children. A property name resolves
// to a published property (dotted paths through sub-objects and owned components), an
// event, or a DefineProperties value of the object holding it. Links to components are
// resolved by name once the whole root has been read; then every component read gets
// Loaded(), in read order.
//
// What the reader cannot apply (an unknown property or class, a value of the wrong kind, a
// handler name the root does not publish, a setter that refuses or raises) goes to OnError;
// by default it is absorbed and the value skipped, as the system absorbs read errors. A
// stream that is damaged (truncated, a length beyond the data, an unknown value code, nesting
// beyond kMaxValueNesting) raises ReadError: components created for the unfinished objects
// are freed, and those read completely, the root included, get their flags cleared and
// Loaded() before the error goes on.
namespace rtl {

class TReader final : public TFiler, public TValueReader {
public:
    explicit TReader(TStream& stream);

    /// Told of each error the reader could step over; `handled` starts true (absorb and
    /// skip). Set it false to make the reader raise ReadError with the message.
    std::function<void(TReader& reader, const std::string& message, bool& handled)> OnError;

    /// Told each name read for a component (`component` is the one being named) and may
    /// change it; the empty name leaves the component unnamed.
    std::function<void(TReader& reader, TComponent* component, std::string& name)> OnSetName;

    /// The signature and the root object's header (flags, class and name); the stream is
    /// left after them.
    TObjectHeader ReadRootHeader();

    /// Reads a whole root object. With `root` null, the root is created through the
    /// registry with `owner` (ReadError "Class X not found" when the class is unknown or
    /// abstract, and freed again when reading fails); otherwise the stream is read into
    /// `root`, whatever class the stream names. Returns the root.
    TComponent* ReadRootComponent(TComponent* root, TComponent* owner = nullptr);

    void DefineProperty(std::string_view name, const TReaderProc& readData, const TWriterProc& writeData,
        bool hasData) override;
    void DefineBinaryProperty(std::string_view name, const TStreamProc& readData,
        const TStreamProc& writeData, bool hasData) override;

private:
    struct Fixup {
        Watch<TComponent> component; // the component whose (sub-)object holds the link
        TObject* holder;
        const TPropInfo* prop;
        std::string name;
    };

    void ReadBody(TComponent& component);
    void ReadComponent(TComponent* parent);
    void SkipObject(int depth);
    void ReadProperty(TPersistent& instance, TComponent& component);
    void ReadPropValue(
        TObject& holder, const TPropInfo& prop, TComponent& component, const std::string& path);
    void ReadEventValue(TObject& holder, const TEventInfo& event, const std::string& path);
    bool ReadDefinedValue(TPersistent& holder, std::string_view name, const std::string& path);
    void ReadCollection(TCollection& collection, TComponent& component);
    void ApplyName(TComponent& component, std::string name);
    void SetValue(TObject& holder, const TPropInfo& prop, const TValue& value, const std::string& path);
    void Error(const std::string& message);
    void SkipValueAfterError(const std::string& message);
    [[nodiscard]] TComponent* FindReference(std::string_view name) const;
    void DropFixupsInside(TPersistent& object);
    void FinishLoading(bool failing);

    std::vector<Watch<TComponent>> m_loaded;
    std::vector<Fixup> m_fixups;
    int m_depth = 0;
    // DefineProperties lookup while a value of that name is pending.
    std::string_view m_pendingName;
    bool m_pendingDone = false;
    std::string m_pendingPath;
};

/// Bytes of decoded data (the pixels of pictures) that one read of a root may produce in
/// all: 512 MB. Reads nested inside a read on the same thread share the outer read's total.
inline constexpr uint64_t kMaxLoadBytes = uint64_t(1) << 29;

/// Counts `bytes` of decoded data against the read of a root running on this thread, and
/// raises LimitError naming `what` when the read's total would go beyond kMaxLoadBytes;
/// nothing is counted then. Outside a read it does nothing.
void ChargeLoad(uint64_t bytes, const std::string& what);

/// Reads a component stream into `root`, or, with `root` null, creates the root with `owner`.
TComponent* ReadComponentFromStream(TStream& stream, TComponent* root, TComponent* owner = nullptr);

/// Looks up a component that is not owned by the root being read, for links such as
/// "OtherForm.StyleBook": the first part of the name is passed. The window layer installs it.
using TFindGlobalComponent = TComponent* (*)(std::string_view name);
void SetFindGlobalComponent(TFindGlobalComponent find);

} // namespace rtl
