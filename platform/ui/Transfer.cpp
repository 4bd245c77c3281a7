#include "platform/ui/Transfer.h"

#include "platform/rtl/Text.h"

#include <glib.h>

#include <vector>

namespace platform::ui {

DropData DropDataFromUris(std::span<const std::string> uris)
{
    DropData data;
    std::string addresses;
    for (const std::string& uri : uris) {
        if (uri.empty())
            continue;
        if (!addresses.empty())
            addresses += '\n';
        addresses += uri;
        GError* error = nullptr;
        gchar* name = g_filename_from_uri(uri.c_str(), nullptr, &error);
        if (!name) {
            g_clear_error(&error);
            continue;
        }
        data.files.push_back(rtl::Utf8ToUtf16(name));
        g_free(name);
    }
    if (data.files.empty())
        data.text = rtl::Utf8ToUtf16(addresses);
    return data;
}

DropData DropDataFromUriList(std::string_view uriList)
{
    const std::string copy(uriList);
    gchar** list = g_uri_list_extract_uris(copy.c_str());
    std::vector<std::string> uris;
    for (gchar** u = list; u && *u; ++u)
        uris.emplace_back(*u);
    g_strfreev(list);
    return DropDataFromUris(uris);
}

DropData DropDataFromText(std::string_view utf8)
{
    DropData data;
    data.text = rtl::Utf8ToUtf16(rtl::ToValidUtf8(utf8));
    return data;
}

} // namespace platform::ui
