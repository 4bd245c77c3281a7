#pragma once

#include "graphics/ObjectText.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <string>
#include <string_view>

// A component's stored form as object text, and object text read back into a component:
// what a design file holds, in a form a test can compare.
namespace streamtest {

inline std::string ComponentToText(rtl::TComponent& root)
{
    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, root);
    binary.SetPosition(0);
    rtl::TMemoryStream text;
    ObjectStreamToText(binary, text);
    return std::string(text.Bytes().begin(), text.Bytes().end());
}

/// Reads the text into `root`; the reader's absorbed errors are collected in `errors`.
inline void TextToComponent(std::string_view text, rtl::TComponent& root, std::string* errors = nullptr)
{
    rtl::TConstMemoryStream input(text.data(), text.size());
    rtl::TMemoryStream binary;
    ObjectTextToStream(input, binary);
    binary.SetPosition(0);
    rtl::TReader reader(binary);
    reader.OnError = [errors](rtl::TReader&, const std::string& message, bool&) {
        if (errors)
            *errors += message + "\n";
    };
    reader.ReadRootComponent(&root);
}

/// The lines between the object's header and its end, one property per line, trimmed.
inline std::string PropertyLines(const std::string& objectText)
{
    std::string lines;
    size_t pos = objectText.find('\n');
    while (pos != std::string::npos) {
        const size_t next = objectText.find('\n', pos + 1);
        std::string line
            = objectText.substr(pos + 1, next == std::string::npos ? std::string::npos : next - pos - 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        const size_t first = line.find_first_not_of(' ');
        if (first != std::string::npos && line.compare(first, 3, "end") != 0)
            lines += line.substr(first) + "\n";
        pos = next;
    }
    return lines;
}

} // namespace streamtest
