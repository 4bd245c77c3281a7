#pragma once

#include <cstdint>
#include <span>
#include <string>

// Whole-file saving that never leaves a half-written file behind: the bytes go to a new file
// in the target's folder, which replaces the target only once everything is written and on
// the disk. Every saver of the system writes its files through here.
namespace rtl {

/// Writes `bytes` as the whole content of the file at the UTF-8 path `fileName`, creating it
/// or replacing it. The new content is flushed to the disk before it takes the target's name
/// and the folder is flushed after, so a crash or a power cut leaves either the old file or
/// the whole new one. A symbolic link keeps pointing where it did and its target gets the
/// content; an existing file's permission bits carry over to the new content.
///
/// Raises FileOpenError ("Cannot create file ...", naming `fileName` and the system's
/// reason) when the file cannot be created or replaced, and WriteError ("Cannot write file
/// ...", likewise) when writing, flushing or closing it fails. Until the new content has
/// replaced the old, a failure leaves an existing target exactly as it was and no temporary
/// file behind; a failure to flush the folder afterwards is reported the same way.
void ReplaceFile(const std::string& fileName, std::span<const uint8_t> bytes);

namespace detail {

/// The calls that make a replaced file durable. Tests put their own in to see a failing
/// flush or close reported; nothing else changes them.
struct FileSyncCalls {
    int (*fsync)(int fd) = nullptr;
    int (*close)(int fd) = nullptr;
};

/// Installs `calls` (a null member means the system's call) and returns the ones before.
FileSyncCalls SetFileSyncCalls(FileSyncCalls calls);

} // namespace detail

} // namespace rtl
