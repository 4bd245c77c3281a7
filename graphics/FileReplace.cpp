#include "graphics/FileReplace.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

namespace filereplace {

namespace {

namespace fs = std::filesystem;

// The file the content finally lands in: a symbolic link is followed so that the link
// survives and whatever it points to is replaced.
fs::path ResolveTarget(const std::string& fileName)
{
    const fs::path path(fileName);
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

// The system's reason from a TFileStream message about `path`, for a message about the
// file the user named instead of the temporary one.
std::string Reason(const std::string& message, const std::string& path)
{
    const std::string prefix = "Cannot create file \"" + path + "\". ";
    return message.compare(0, prefix.size(), prefix) == 0 ? message.substr(prefix.size()) : message;
}

} // namespace

void WriteFile(const std::string& fileName, std::span<const uint8_t> bytes)
{
    const fs::path target = ResolveTarget(fileName);
    const fs::path temporary = TemporaryName(target);
    const std::string temporaryName = temporary.string();
    const auto discard = [&] {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    };

    try {
        rtl::TFileStream out(temporaryName, rtl::fmCreate);
        // The stream stops at the system's first refusal; its reason (a full disk, a file
        // too large for the file system, ...) is what the user needs to hear.
        errno = 0;
        if (!bytes.empty() && out.Write(bytes.data(), bytes.size()) != bytes.size()) {
            const int error = errno != 0 ? errno : ENOSPC;
            throw rtl::WriteError(std::error_code(error, std::generic_category()).message());
        }
    } catch (const rtl::FileOpenError& e) {
        discard();
        throw rtl::FileOpenError(
            "Cannot create file \"" + fileName + "\". " + Reason(e.what(), temporaryName));
    } catch (const rtl::Exception& e) {
        discard();
        throw rtl::WriteError("Cannot write file \"" + fileName + "\". " + e.what());
    }

    std::error_code ec;
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old))
        fs::permissions(temporary, old.permissions(), fs::perm_options::replace, ec);

    fs::rename(temporary, target, ec);
    if (ec) {
        discard();
        throw rtl::FileOpenError("Cannot create file \"" + fileName + "\". " + ec.message());
    }
}

} // namespace filereplace
