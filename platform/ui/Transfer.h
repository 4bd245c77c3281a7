#pragma once

#include "platform/ui/Types.h"

#include <span>
#include <string>
#include <string_view>

// Decoding of dragged data: URI lists become full local file names; other addresses and
// plain text become the drop's text.
namespace platform::ui {

/// File URIs become file names (percent escapes decoded, never shortened); when no URI names
/// a local file, the addresses themselves become the text, one per line.
[[nodiscard]] DropData DropDataFromUris(std::span<const std::string> uris);

/// The same for a "text/uri-list" body (CR LF separated, "#" comment lines).
[[nodiscard]] DropData DropDataFromUriList(std::string_view uriList);

/// Dropped text (UTF-8, invalid sequences repaired).
[[nodiscard]] DropData DropDataFromText(std::string_view utf8);

} // namespace platform::ui
