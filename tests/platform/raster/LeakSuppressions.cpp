// Leak checking for the drawing layer's tests; the font caches' suppressions and GLib's
// objects one by one come from tests/support.

// cairo is built without frame pointers: the fast unwinder stops inside it, and the stacks
// above would not show which caller made an allocation.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
