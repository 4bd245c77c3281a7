// The dialogs of the GTK application: GtkFileChooserDialog, GtkMessageDialog,
// GtkColorChooserDialog and GtkFontChooserDialog, each run modally with gtk_dialog_run above
// its owner.

#include "platform/ui/DialogTestDriver.h"
#include "platform/ui/Dialogs.h"

#include "platform/ui/GtkPrivate.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace platform::ui {

namespace detail {
std::optional<std::string> FakeOpenFile(const OpenFileOptions& options);
void FakeShowMessage(const std::string& text);
std::optional<uint32_t> FakeChooseColor(uint32_t color);
std::optional<std::string> FakeSaveFile(const SaveFileOptions& options);
bool FakeConfirm(const std::string& text);
std::optional<FontChoice> FakeChooseFont(const FontChoice& font);
std::optional<std::string> FakeInputText(const InputTextOptions& options);
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

// The dialog that runs now and the response that confirms it; a dialog run from inside
// another one is the running one until it returns.
struct RunningDialog {
    GtkDialog* dialog = nullptr;
    gint confirm = GTK_RESPONSE_OK;
};
RunningDialog g_running;

gint RunDialog(GtkWidget* dialog, gint confirm)
{
    const RunningDialog outer = std::exchange(g_running, RunningDialog { GTK_DIALOG(dialog), confirm });
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    g_running = outer;
    return response;
}

// The family the font dialog can show for `font`: the installed family of that name in its
// own spelling, or else the family that the font machinery draws the name with, so that the
// dialog opens on what the text looks like rather than on nothing.
std::string ShownFamily(const PangoFontDescription* font)
{
    const char* asked = pango_font_description_get_family(font);
    if (!asked)
        return {};
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(map, &families, &count);
    std::string shown;
    for (int i = 0; i < count && shown.empty(); ++i) {
        const char* name = pango_font_family_get_name(families[i]);
        if (name && g_ascii_strcasecmp(name, asked) == 0)
            shown = name;
    }
    g_free(families);
    if (!shown.empty())
        return shown;
    PangoContext* context = pango_font_map_create_context(map);
    if (PangoFont* drawn = pango_font_map_load_font(map, context, font)) {
        PangoFontDescription* described = pango_font_describe(drawn);
        if (const char* family = pango_font_description_get_family(described))
            shown = family;
        pango_font_description_free(described);
        g_object_unref(drawn);
    }
    g_object_unref(context);
    return shown.empty() ? std::string(asked) : shown;
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

void AddFilters(GtkFileChooser* chooser, const std::string& text, int filterIndex)
{
    // Custom filters: GTK's own patterns would tell letter case apart and hide "PHOTO.PNG".
    const std::vector<FileFilter> filters = ParseFileFilter(text);
    for (size_t i = 0; i < filters.size(); ++i) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, filters[i].name.c_str());
        gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, &FilterMatches,
            new FilterData { filters[i] }, &FreeFilterData);
        gtk_file_chooser_add_filter(chooser, filter);
        if (static_cast<int>(i) + 1 == filterIndex)
            gtk_file_chooser_set_filter(chooser, filter);
    }
}

std::optional<std::string> ChosenName(GtkFileChooser* chooser)
{
    std::optional<std::string> result;
    if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
        if (gchar* utf8 = g_filename_to_utf8(name, -1, nullptr, nullptr, nullptr)) {
            result = std::string(utf8);
            g_free(utf8);
        }
        g_free(name);
    }
    return result;
}

bool FileExists(const std::string& name)
{
    gchar* local = g_filename_from_utf8(name.c_str(), -1, nullptr, nullptr, nullptr);
    if (!local)
        return false;
    const bool exists = g_file_test(local, G_FILE_TEST_EXISTS) != FALSE;
    g_free(local);
    return exists;
}

} // namespace

std::optional<std::string> Dialogs::SaveFile(const SaveFileOptions& options)
{
    if (!NativeRunning()) {
        for (int attempt = 0; attempt < 16; ++attempt) {
            std::optional<std::string> chosen = detail::FakeSaveFile(options);
            if (!chosen)
                return std::nullopt;
            std::string name = WithDefaultExtension(*chosen, options.defaultExtension);
            if (!options.overwritePrompt || !FileExists(name)
                || Confirm(name + " already exists.\nDo you want to replace it?", options.owner))
                return name;
        }
        return std::nullopt;
    }
    GtkWidget* dialog = gtk_file_chooser_dialog_new(options.title.empty() ? "Save" : options.title.c_str(),
        ParentOf(options.owner), GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel", GTK_RESPONSE_CANCEL, "_Save",
        GTK_RESPONSE_ACCEPT, nullptr);
    OwnedWidget owned(GTK_WIDGET(g_object_ref_sink(dialog)));
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    // The question is asked here about the final name, the default extension included.
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
    AddFilters(chooser, options.filter, options.filterIndex);
    if (!options.fileName.empty()) {
        if (options.fileName.find('/') != std::string::npos && FileExists(options.fileName))
            gtk_file_chooser_set_filename(chooser, options.fileName.c_str());
        else
            gtk_file_chooser_set_current_name(chooser, options.fileName.c_str());
    }
    for (;;) {
        if (RunDialog(dialog, GTK_RESPONSE_ACCEPT) != GTK_RESPONSE_ACCEPT)
            return std::nullopt;
        const std::optional<std::string> chosen = ChosenName(chooser);
        if (!chosen)
            return std::nullopt;
        std::string name = WithDefaultExtension(*chosen, options.defaultExtension);
        if (!options.overwritePrompt || !FileExists(name)
            || Confirm(name + " already exists.\nDo you want to replace it?", options.owner))
            return name;
    }
}

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

    AddFilters(chooser, options.filter, options.filterIndex);
    if (!options.initialFolder.empty())
        gtk_file_chooser_set_current_folder(chooser, options.initialFolder.c_str());
    if (RunDialog(dialog, GTK_RESPONSE_ACCEPT) != GTK_RESPONSE_ACCEPT)
        return std::nullopt;
    return ChosenName(chooser);
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
    RunDialog(dialog, GTK_RESPONSE_OK);
}

void Dialogs::ShowError(const std::string& text, Form* owner)
{
    if (!NativeRunning()) {
        detail::FakeShowMessage(text);
        return;
    }
    GtkWidget* dialog = gtk_message_dialog_new(
        ParentOf(owner), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text.c_str());
    OwnedWidget owned(GTK_WIDGET(g_object_ref_sink(dialog)));
    RunDialog(dialog, GTK_RESPONSE_OK);
}

bool Dialogs::Confirm(const std::string& text, Form* owner)
{
    if (!NativeRunning())
        return detail::FakeConfirm(text);
    GtkWidget* dialog = gtk_message_dialog_new(
        ParentOf(owner), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO, "%s", text.c_str());
    OwnedWidget owned(GTK_WIDGET(g_object_ref_sink(dialog)));
    return RunDialog(dialog, GTK_RESPONSE_YES) == GTK_RESPONSE_YES;
}

std::optional<FontChoice> Dialogs::ChooseFont(const FontChoice& font, Form* owner)
{
    if (!NativeRunning())
        return detail::FakeChooseFont(font);
    GtkWidget* dialog = gtk_font_chooser_dialog_new("Font", ParentOf(owner));
    OwnedWidget owned(GTK_WIDGET(g_object_ref_sink(dialog)));
    GtkFontChooser* chooser = GTK_FONT_CHOOSER(dialog);
    PangoFontDescription* start = pango_font_description_new();
    pango_font_description_set_family(start, font.family.c_str());
    pango_font_description_set_size(
        start, static_cast<gint>(std::clamp(font.size, 1.0f, 1000.0f) * PANGO_SCALE));
    pango_font_description_set_weight(start, (font.style & 1) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(start, (font.style & 2) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    // The chooser selects only a family it lists, by its exact name.
    pango_font_description_set_family(start, ShownFamily(start).c_str());
    gtk_font_chooser_set_font_desc(chooser, start);
    pango_font_description_free(start);
    if (RunDialog(dialog, GTK_RESPONSE_OK) != GTK_RESPONSE_OK)
        return std::nullopt;
    PangoFontDescription* chosen = gtk_font_chooser_get_font_desc(chooser);
    if (!chosen)
        return std::nullopt;
    FontChoice result;
    if (const char* family = pango_font_description_get_family(chosen))
        result.family = family;
    result.size = static_cast<float>(pango_font_description_get_size(chosen)) / PANGO_SCALE;
    if (result.size <= 0)
        result.size = font.size;
    const bool bold = pango_font_description_get_weight(chosen) >= PANGO_WEIGHT_SEMIBOLD;
    const PangoStyle style = pango_font_description_get_style(chosen);
    const bool italic = style == PANGO_STYLE_ITALIC || style == PANGO_STYLE_OBLIQUE;
    result.style = (bold ? 1 : 0) | (italic ? 2 : 0);
    pango_font_description_free(chosen);
    return result;
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
    if (RunDialog(dialog, GTK_RESPONSE_OK) != GTK_RESPONSE_OK)
        return std::nullopt;
    GdkRGBA chosen;
    gtk_color_chooser_get_rgba(chooser, &chosen);
    auto byte = [](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    return byte(chosen.red) | (byte(chosen.green) << 8) | (byte(chosen.blue) << 16);
}

std::optional<std::string> Dialogs::InputText(const InputTextOptions& options)
{
    if (!NativeRunning())
        return detail::FakeInputText(options);
    GtkWidget* dialog = gtk_dialog_new_with_buttons(options.caption.c_str(), ParentOf(options.owner),
        static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), "_Cancel",
        GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, nullptr);
    OwnedWidget owned(GTK_WIDGET(g_object_ref_sink(dialog)));
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), 8);
    gtk_box_set_spacing(GTK_BOX(content), 6);
    GtkWidget* label = gtk_label_new(options.prompt.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_box_pack_start(GTK_BOX(content), label, FALSE, FALSE, 0);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), options.text.c_str());
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_box_pack_start(GTK_BOX(content), entry, FALSE, FALSE, 0);
    gtk_widget_show_all(content);
    if (RunDialog(dialog, GTK_RESPONSE_OK) != GTK_RESPONSE_OK)
        return std::nullopt;
    return std::string(gtk_entry_get_text(GTK_ENTRY(entry)));
}

namespace test {

bool DialogIsOpen()
{
    return g_running.dialog != nullptr;
}

bool ConfirmOpenDialog()
{
    if (!g_running.dialog)
        return false;
    gtk_dialog_response(g_running.dialog, g_running.confirm);
    return true;
}

} // namespace test

} // namespace platform::ui
