#include "backends/ThvDirectXCanvas.h"

// FIXME: the glyph-atlas text comes with its own piece of work; until then flat text draws
// nothing and measures as empty.
void ThvDirectXCanvas::FillText(const std::u16string&, float, float, float) { }

void ThvDirectXCanvas::MeasureText(const std::u16string&, ThvPoint& size)
{
    size = {};
}
