// Leak checking of the test programs and fuzz targets that lay out text or draw it.

// The font libraries keep process-wide caches until the process ends (fontconfig's
// configuration and match results, and the cairo font faces that fontconfig patterns hold for
// pango's font map), behind pointers the leak checker cannot follow. Only allocations made
// inside fontconfig, or cairo fonts created for pango, are exempt: a layout, context, surface,
// texture or object a test forgets is still reported. One definition per program: link this
// file rather than writing another.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:cairo_scaled_font_create\n";
}
