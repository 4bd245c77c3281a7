// GLib's objects made visible to the leak checker, for the programs that use GTK or pango.

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef __SANITIZE_ADDRESS__
namespace {

// GLib 2.74 hands out GObjects (widgets, pango layouts and contexts among them) from its own
// slabs, where a lost one stays invisible to the leak checker; with G_SLICE=always-malloc each
// is an allocation of its own. GLib reads the setting while its libraries are loaded, before
// any code here runs, so the program starts itself again with it.
const bool kObjectsAllocatedOneByOne = [] {
    if (std::getenv("G_SLICE"))
        return true;
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    for (size_t start = 0; start < all.size();) {
        const size_t end = all.find('\0', start);
        args.push_back(all.substr(start, end - start));
        start = end == std::string::npos ? all.size() : end + 1;
    }
    if (args.empty())
        return false;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv("G_SLICE", "always-malloc", 1);
    execv("/proc/self/exe", argv.data());
    return false; // could not start again: run with GLib's slabs
}();

} // namespace
#endif
