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
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
