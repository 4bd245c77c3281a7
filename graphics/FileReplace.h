#pragma once

#include <cstdint>
#include <span>
#include <string>

// Whole-file saving that never leaves a half-written file behind: the bytes go to a new file
// in the target's folder, which replaces the target only once everything is written. A
// failure at any step leaves an existing target exactly as it was.
namespace filereplace {

/// Writes `bytes` as the whole content of the file at the UTF-8 path `fileName`, creating it
/// or replacing it. A symbolic link keeps pointing where it did and its target gets the
/// content; an existing file's permission bits carry over to the new content.
///
/// Raises rtl::FileOpenError ("Cannot create file ...", naming `fileName` and the system's
/// reason) when the file cannot be created or replaced, and rtl::WriteError when writing
/// fails part-way; in both cases no temporary file is left behind.
void WriteFile(const std::string& fileName, std::span<const uint8_t> bytes);

} // namespace filereplace
