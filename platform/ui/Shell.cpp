#include "platform/ui/Shell.h"

#include <unistd.h>

#include <vector>

namespace platform::ui {

std::string ExecutableFolder()
{
    // The link's target may be longer than any fixed buffer: grow until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<size_t>(n));
            const size_t slash = path.rfind('/');
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
        if (buffer.size() > (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace platform::ui
