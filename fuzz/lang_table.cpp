// Feeds arbitrary bytes to the translation table reader (the "ResourcesBin" of a form's
// translation component and language files). Damaged tables must raise the read error and
// change nothing; what reads must write and read back to the same bytes.

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "ui2d/TwzLang.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rtl::TOwned<TwzLang> lang(new TwzLang(nullptr));
    rtl::TConstMemoryStream input(data, size);
    try {
        lang->ReadTable(input);
    } catch (const rtl::ReadError&) {
        if (lang->GetLanguages().GetCount() != 0 || lang->GetSourceTexts().GetCount() != 0)
            std::abort();
        return 0;
    }
    rtl::TMemoryStream first;
    lang->WriteTable(first);
    rtl::TOwned<TwzLang> copy(new TwzLang(nullptr));
    first.SetPosition(0);
    copy->ReadTable(first);
    rtl::TMemoryStream second;
    copy->WriteTable(second);
    const std::vector<uint8_t> a(first.Bytes().begin(), first.Bytes().end());
    const std::vector<uint8_t> b(second.Bytes().begin(), second.Bytes().end());
    if (a != b)
        std::abort();
    return 0;
}
