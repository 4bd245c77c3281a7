#include "platform/rtl/FileReplace.h"

#include "platform/rtl/Exceptions.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace rtl {

namespace {

namespace fs = std::filesystem;

std::atomic<int (*)(int)> g_fsync { nullptr };
std::atomic<int (*)(int)> g_close { nullptr };

int SyncFile(int fd)
{
    int (*call)(int) = g_fsync.load();
    int result;
    do {
        result = call ? call(fd) : ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    // A file system that keeps nothing to flush (some virtual ones) says so; that is no
    // failure of the save.
    if (result != 0 && (errno == EINVAL || errno == ENOTSUP))
        return 0;
    return result;
}

// The descriptor is released whatever the result: retrying close after EINTR could close a
// descriptor another thread has just been given.
int CloseFile(int fd)
{
    int (*call)(int) = g_close.load();
    const int result = call ? call(fd) : ::close(fd);
    if (result != 0 && errno == EINTR)
        return 0;
    return result;
}

std::string Reason(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

// The file the content finally lands in: a symbolic link is followed so that the link
// survives and whatever it points to is replaced.
fs::path ResolveTarget(const std::string& fileName)
{
    fs::path path(fileName);
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec)))
        return path;
    const fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path : resolved;
}

// A name that no other save picks: a random 64-bit number (and a counter, in case the
// random source repeats itself) in a hidden file next to the target.
fs::path TemporaryName(const fs::path& target)
{
    static std::atomic<uint64_t> counter { 0 };
    std::random_device random;
    const uint64_t number = (uint64_t { random() } << 32 ^ random()) + counter.fetch_add(1);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string suffix(16, '0');
    for (int i = 0; i < 16; ++i)
        suffix[static_cast<size_t>(i)] = kHex[(number >> (60 - 4 * i)) & 15];
    // A long file name is shortened so the temporary one still fits the name limit.
    const std::string base = target.filename().string().substr(0, 64);
    return target.parent_path() / ("." + base + "." + suffix + ".tmp");
}

bool WriteAll(int fd, std::span<const uint8_t> bytes, int& error)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that takes nothing without a reason has met a full disk.
            error = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// After the rename the folder holds the new name only in memory until it is flushed too.
// A folder this process may not read cannot be flushed; the file itself is on the disk.
int SyncFolder(const fs::path& file)
{
    fs::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    int fd;
    do {
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return 0;
    int error = 0;
    if (SyncFile(fd) != 0)
        error = errno;
    if (CloseFile(fd) != 0 && error == 0)
        error = errno;
    return error;
}

} // namespace

void ReplaceFile(const std::string& fileName, std::span<const uint8_t> bytes)
{
    const fs::path target = ResolveTarget(fileName);
    const fs::path temporary = TemporaryName(target);
    const auto discard = [&] {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    };
    const auto cannotCreate = [&](int error) {
        return FileOpenError("Cannot create file \"" + fileName + "\". " + Reason(error));
    };
    const auto cannotWrite
        = [&](int error) { return WriteError("Cannot write file \"" + fileName + "\". " + Reason(error)); };

    int fd;
    do {
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        throw cannotCreate(errno);

    int error = 0;
    if (!WriteAll(fd, bytes, error)) {
        ::close(fd);
        discard();
        throw cannotWrite(error);
    }
    struct stat old { };
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
    // Without the flush the rename may reach the disk before the content does, and a crash
    // then leaves an empty file under the old name.
    if (SyncFile(fd) != 0) {
        error = errno;
        CloseFile(fd);
        discard();
        throw cannotWrite(error);
    }
    // Some file systems (network ones, quotas) report a failed write only here.
    if (CloseFile(fd) != 0) {
        error = errno;
        discard();
        throw cannotWrite(error);
    }

    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        discard();
        throw cannotCreate(ec.value());
    }
    if (const int folderError = SyncFolder(target))
        throw cannotWrite(folderError);
}

namespace detail {

FileSyncCalls SetFileSyncCalls(FileSyncCalls calls)
{
    FileSyncCalls before;
    before.fsync = g_fsync.exchange(calls.fsync);
    before.close = g_close.exchange(calls.close);
    return before;
}

} // namespace detail

} // namespace rtl
