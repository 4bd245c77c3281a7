#pragma once

#include "platform/rtl/Forward.h"

#include <functional>
#include <string_view>

// The part of the component reader and writer that a persistent class sees in its
// DefineProperties override: a stored value with no published property ("Rect", "Point",
// "PNG") is declared with its reader and writer, and the filer calls whichever applies.
//
//     void TwzBounds::DefineProperties(rtl::TFiler& filer)
//     {
//         Inherited::DefineProperties(filer);
//         filer.DefineProperty("Rect",
//             [this](rtl::TReader& r) { SetRect(TextToRect(r.ReadString())); },
//             [this](rtl::TWriter& w) { w.WriteString(RectToText(GetRect())); },
//             !SameRect(GetRect(), m_defaultValue));
//     }
namespace rtl {

using TReaderProc = std::function<void(TReader& reader)>;
using TWriterProc = std::function<void(TWriter& writer)>;
using TStreamProc = std::function<void(TStream& stream)>;

class TFiler {
public:
    TFiler() = default;
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;
    virtual ~TFiler() = default;

    /// The root component of the stream being read or written.
    [[nodiscard]] TComponent* Root() const { return m_root; }
    /// The object whose stored form this one is compared with; always null (no inherited
    /// forms), so "differs from the ancestor" means "has data".
    [[nodiscard]] TPersistent* Ancestor() const { return nullptr; }

    /// A stored value of any value code: `writeData` writes exactly one value (a list
    /// counts as one) and is called only when `hasData`; `readData` reads it back.
    virtual void DefineProperty(
        std::string_view name, const TReaderProc& readData, const TWriterProc& writeData, bool hasData)
        = 0;

    /// Binary data, stored as one code-10 value: `writeData` writes the bytes to a stream,
    /// `readData` gets a stream holding exactly those bytes.
    virtual void DefineBinaryProperty(
        std::string_view name, const TStreamProc& readData, const TStreamProc& writeData, bool hasData)
        = 0;

protected:
    TComponent* m_root = nullptr;
};

} // namespace rtl
