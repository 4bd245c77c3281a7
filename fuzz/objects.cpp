// The real 2D and 3D object classes read from arbitrary bytes, the way a paste or a design
// file reaches them: as object text and as a binary component stream, through the library's
// own creators. Read errors are expected and fine; crashes, sanitizer reports, hangs and
// pictures beyond the load's budget are not. What was read must write out and read again.

#include "backends/DirectXModule.h"
#include "graphics/ObjectText.h"
#include "scene3d/Library3D.h"
#include "scene3d/ShapeObjects.h"
#include "scene3d/ThvObject.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzObject.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

/// A 3D object from a binary stream, as the 3D creator reads one after converting text.
ThvObject* Read3DBinary(rtl::TComponent* owner, rtl::TStream& binary)
{
    const rtl::TClassInfo* info = nullptr;
    {
        rtl::TReader reader(binary);
        info = rtl::FindClass(reader.ReadRootHeader().className);
    }
    if (!info || !info->create || !info->InheritsFrom(ThvObject::StaticClass()))
        return nullptr;
    auto* object = dynamic_cast<ThvObject*>(info->create(owner));
    if (!object)
        return nullptr;
    binary.SetPosition(0);
    object->LoadFromStream(binary);
    return object;
}

/// Writes a 3D object out as text and reads that text back into a new object.
void Rewrite3D(rtl::TComponent* owner, ThvObject& object)
{
    rtl::TMemoryStream text;
    object.SaveToStream(text);
    text.SetPosition(0);
    (void)CreateObjectFromStream(owner, text);
}

void Rewrite2D(rtl::TComponent* owner, TwzObject& object)
{
    rtl::TMemoryStream binary;
    object.SaveObjectToStream(binary);
    binary.SetPosition(0);
    (void)Create2DObjectFromStream(owner, binary);
}

template <class F> void Guarded(F&& step)
{
    try {
        step();
    } catch (const rtl::Exception&) {
        // Refused input (a damaged stream, a picture beyond the load's budget) is fine.
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Initialize2DLibrary();
    hvDirectXInit();
    Initialize3DLibrary();
    RegisterShapeObjects();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Pasted text and design files of a few megabytes are real; the fuzzer learns nothing
    // more from them than from small ones.
    if (size > 1 << 20)
        return 0;
    const rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));

    // Object text: the 3D paste and the 2D text creator.
    Guarded([&] {
        rtl::TConstMemoryStream text(data, size);
        if (ThvObject* object = CreateObjectFromStream(owner.get(), text))
            Rewrite3D(owner.get(), *object);
    });
    Guarded([&] {
        rtl::TConstMemoryStream text(data, size);
        if (TwzObject* object = Create2DObjectFromTextStream(owner.get(), text))
            Rewrite2D(owner.get(), *object);
    });

    // Binary component streams.
    Guarded([&] {
        rtl::TConstMemoryStream binary(data, size);
        if (TwzObject* object = Create2DObjectFromStream(owner.get(), binary))
            Rewrite2D(owner.get(), *object);
    });
    Guarded([&] {
        rtl::TConstMemoryStream binary(data, size);
        if (ThvObject* object = Read3DBinary(owner.get(), binary))
            Rewrite3D(owner.get(), *object);
    });
    return 0;
}
