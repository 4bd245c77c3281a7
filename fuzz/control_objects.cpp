// The control classes read from arbitrary bytes, as a design file or a paste reaches them:
// object text and binary component streams through the 2D library's creators, with the
// controls registered. What was read is styled, laid out and painted into a small picture,
// then written out and read again. Read errors are expected and fine; crashes, sanitizer
// reports and hangs (a stored size, scale or frequency that asks for endless work) are not.

#include "controls/Controls.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

#include <cstddef>
#include <cstdint>

namespace {

template <class F> void Guarded(F&& step)
{
    try {
        step();
    } catch (const rtl::Exception&) {
        // Refused input (a damaged stream, a picture beyond the load's budget) is fine.
    }
}

void Exercise(rtl::TComponent* owner, TwzObject& object)
{
    if (TwzVisualObject* visual = object.AsVisual()) {
        visual->LoadStyle();
        visual->RealignChildren();
        TwzBitmap picture(64, 64);
        TwzCanvasGdiPlus canvas(&picture);
        if (canvas.BeginScene()) {
            visual->PaintTo(canvas, { 0, 0, 64, 64 }, nullptr);
            canvas.EndScene();
        }
    }
    rtl::TMemoryStream binary;
    object.SaveObjectToStream(binary);
    binary.SetPosition(0);
    (void)Create2DObjectFromStream(owner, binary);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Initialize2DLibrary();
    RegisterControls();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    const rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    Guarded([&] {
        rtl::TConstMemoryStream text(data, size);
        if (TwzObject* object = Create2DObjectFromTextStream(owner.get(), text))
            Exercise(owner.get(), *object);
    });
    Guarded([&] {
        rtl::TConstMemoryStream binary(data, size);
        if (TwzObject* object = Create2DObjectFromStream(owner.get(), binary))
            Exercise(owner.get(), *object);
    });
    return 0;
}
