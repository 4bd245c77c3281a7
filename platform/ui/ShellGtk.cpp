// Opening addresses with the user's default application through GTK.

#include "platform/ui/Shell.h"

#include "platform/ui/GtkPrivate.h"

namespace platform::ui {
namespace {

std::vector<std::string> g_openedUrls;

GtkWindow* ParentOf(Form* owner)
{
    if (auto* form = dynamic_cast<NativeForm*>(owner))
        return GTK_WINDOW(form->Window());
    return nullptr;
}

} // namespace

bool OpenUrl(const std::string& address, Form* owner)
{
    if (dynamic_cast<NativeApplication*>(Application::TryCurrent()) == nullptr) {
        g_openedUrls.push_back(address);
        return false;
    }
    if (address.empty())
        return false;
    GError* error = nullptr;
    const gboolean shown = gtk_show_uri_on_window(ParentOf(owner), address.c_str(), GDK_CURRENT_TIME, &error);
    if (error)
        g_error_free(error);
    return shown != FALSE;
}

const std::vector<std::string>& FakeShell::OpenedUrls()
{
    return g_openedUrls;
}

void FakeShell::Reset()
{
    g_openedUrls.clear();
}

} // namespace platform::ui
