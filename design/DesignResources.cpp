#include "design/DesignResources.h"

namespace design {

std::string_view EmbeddedFile(std::string_view name)
{
    for (const EmbeddedEntry& entry : EmbeddedFiles())
        if (entry.name == name)
            return entry.bytes;
    return {};
}

} // namespace design
