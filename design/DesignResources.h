#pragma once

#include <span>
#include <string_view>

// Files of the design-time tools embedded at build time: the stored descriptions of their
// dialogs, every file of design/forms/.
namespace design {

struct EmbeddedEntry {
    std::string_view name;
    std::string_view bytes;
};

/// Every embedded file, in name order.
[[nodiscard]] std::span<const EmbeddedEntry> EmbeddedFiles();
/// The bytes of the embedded file of that name ("BitmapEditor.txt"); empty when there is none.
[[nodiscard]] std::string_view EmbeddedFile(std::string_view name);

} // namespace design
