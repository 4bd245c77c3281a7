#pragma once

#include <span>
#include <string_view>

// Files of the application embedded at build time (the main window's stored description).
namespace app {

struct EmbeddedEntry {
    std::string_view name;
    std::string_view bytes;
};

/// Every embedded file, in name order.
[[nodiscard]] std::span<const EmbeddedEntry> EmbeddedFiles();
/// The bytes of the embedded file of that name; empty when there is none.
[[nodiscard]] std::string_view EmbeddedFile(std::string_view name);

} // namespace app
