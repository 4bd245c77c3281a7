// Leak checking for the drawing layer's tests.

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

// The font libraries keep process-wide caches (fontconfig's configuration and match results,
// and cairo font faces that fontconfig patterns hold for pango's font map) until the process
// ends. The leak checker cannot follow fontconfig's offset-encoded pointers, so it reports
// those caches as lost. Only allocations made inside fontconfig, or cairo fonts created for
// pango, are exempt: a layout, context, surface or pattern that this layer forgets to
// release is still reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:cairo_scaled_font_create\n";
}

// cairo is built without frame pointers: the fast unwinder stops inside it, and the stacks
// above would not show which caller made an allocation.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

#ifdef __SANITIZE_ADDRESS__
namespace {

// GLib 2.74 hands out GObjects (pango layouts and contexts among them) from its own slabs,
// where a lost one stays invisible to the leak checker; with G_SLICE=always-malloc each is
// an allocation of its own. GLib reads the setting while its libraries are loaded, before
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
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv("G_SLICE", "always-malloc", 1);
    execv("/proc/self/exe", argv.data());
    return false; // could not start again: run with GLib's slabs
}();

} // namespace
#endif
