// The dialogs of the GTK application: GtkFileChooserDialog, GtkMessageDialog and
// GtkColorChooserDialog, each run modally with gtk_dialog_run above its owner.

#include "platform/ui/Dialogs.h"

#include "platform/ui/GtkPrivate.h"

#include <algorithm>
#include <memory>

namespace platform::ui {

namespace detail {
std::optional<std::string> FakeOpenFile(const OpenFileOptions& options);
void FakeShowMessage(const std::string& text);
std::optional<uint32_t> FakeChooseColor(uint32_t color);
} // namespace detail

namespace {

bool NativeRunning()
{
    return dynamic_cast<NativeApplication*>(Application::TryCurrent()) != nullptr;
}

GtkWindow* ParentOf(Form* owner)
{
    if (auto* form = dynamic_cast<NativeForm*>(owner))
        return GTK_WINDOW(form->Window());
    return nullptr;
}

struct FilterData {
    FileFilter filter;
};

gboolean FilterMatches(const GtkFileFilterInfo* info, gpointer data)
{
    if (!info->display_name)
        return FALSE;
    return MatchesFileFilter(static_cast<FilterData*>(data)->filter, info->display_name) ? TRUE : FALSE;
}

void FreeFilterData(gpointer data)
{
    delete static_cast<FilterData*>(data);
}

} // namespace

std::optional<std::string> Dialogs::OpenFile(const OpenFileOptions& options)
{
    if (!NativeRunning())
        return detail::FakeOpenFile(options);

    GtkWidget* dialog = gtk_file_chooser_dialog_new(options.title.empty() ? "Open" : options.title.c_str(),
        ParentOf(options.owner), GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel", GTK_RESPONSE_CANCEL, "_Open",
        GTK_RESPONSE_ACCEPT, nullptr);
    OwnedWidget owned(GTK_WIDGET(g_object_ref_sink(dialog)));
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);

    // Custom filters: GTK's own patterns would tell letter case apart and hide "PHOTO.PNG".
    const std::vector<FileFilter> filters = ParseFileFilter(options.filter);
    for (size_t i = 0; i < filters.size(); ++i) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, filters[i].name.c_str());
        gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, &FilterMatches,
            new FilterData { filters[i] }, &FreeFilterData);
        gtk_file_chooser_add_filter(chooser, filter);
        if (static_cast<int>(i) + 1 == options.filterIndex)
            gtk_file_chooser_set_filter(chooser, filter);
    }
    if (!options.initialFolder.empty())
        gtk_file_chooser_set_current_folder(chooser, options.initialFolder.c_str());

    std::optional<std::string> result;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
            if (gchar* utf8 = g_filename_to_utf8(name, -1, nullptr, nullptr, nullptr)) {
                result = std::string(utf8);
                g_free(utf8);
            }
            g_free(name);
        }
    }
    return result;
}

void Dialogs::ShowMessage(const std::string& text, Form* owner)
{
    if (!NativeRunning()) {
        detail::FakeShowMessage(text);
        return;
    }
    GtkWidget* dialog = gtk_message_dialog_new(
        ParentOf(owner), GTK_DIALOG_MODAL, GTK_MESSAGE_INFO, GTK_BUTTONS_OK, "%s", text.c_str());
    OwnedWidget owned(GTK_WIDGET(g_object_ref_sink(dialog)));
    gtk_dialog_run(GTK_DIALOG(dialog));
}

std::optional<uint32_t> Dialogs::ChooseColor(uint32_t color, Form* owner)
{
    if (!NativeRunning())
        return detail::FakeChooseColor(color);
    GtkWidget* dialog = gtk_color_chooser_dialog_new("Color", ParentOf(owner));
    OwnedWidget owned(GTK_WIDGET(g_object_ref_sink(dialog)));
    GtkColorChooser* chooser = GTK_COLOR_CHOOSER(dialog);
    gtk_color_chooser_set_use_alpha(chooser, FALSE);
    const GdkRGBA start { (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
        ((color >> 16) & 0xFF) / 255.0, 1.0 };
    gtk_color_chooser_set_rgba(chooser, &start);
    if (gtk_dialog_run(GTK_DIALOG(dialog)) != GTK_RESPONSE_OK)
        return std::nullopt;
    GdkRGBA chosen;
    gtk_color_chooser_get_rgba(chooser, &chosen);
    auto byte = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    return byte(chosen.red) | (byte(chosen.green) << 8) | (byte(chosen.blue) << 16);
}

} // namespace platform::ui
