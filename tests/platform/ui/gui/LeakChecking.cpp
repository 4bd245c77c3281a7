// Leak checking for the GTK tests.

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

// fontconfig (under GTK's theme and pango) keeps its configuration and match caches for the
// life of the process, behind pointers the leak checker cannot follow. Nothing else is
// exempt: a widget, window, drag context or target list this layer forgets is reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

#ifdef __SANITIZE_ADDRESS__
namespace {

// GLib 2.74 takes GObjects from slabs of its own, where a forgotten one stays invisible to
// the leak checker; with G_SLICE=always-malloc each is an allocation of its own. GLib reads
// the setting when it loads, before any code here runs, so the program starts itself again.
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
