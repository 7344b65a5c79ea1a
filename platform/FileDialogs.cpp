#include "platform/FileDialogs.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>

namespace platform::dialogs {

namespace {

struct WidgetDeleter {
    void operator()(GtkWidget* widget) const { gtk_widget_destroy(widget); }
};
using Dialog = std::unique_ptr<GtkWidget, WidgetDeleter>;

GtkWindow* toplevelOf(WindowHandle owner) {
    if (!owner) return nullptr;
    GtkWidget* top = gtk_widget_get_toplevel(static_cast<GtkWidget*>(owner));
    return GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

Dialog makeChooser(WindowHandle owner, const char* title, GtkFileChooserAction action,
                   const char* acceptLabel) {
    Dialog dialog(gtk_file_chooser_dialog_new(title, toplevelOf(owner), action, "_Cancel",
                                              GTK_RESPONSE_CANCEL, acceptLabel, GTK_RESPONSE_ACCEPT,
                                              nullptr));
    // Enter in the name or location field confirms, as in every dialog.
    gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_ACCEPT);
    return dialog;
}

void addFilter(GtkWidget* dialog, const ZString& name, const char* pattern) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, name.toUtf8().c_str());
    gtk_file_filter_add_pattern(filter, pattern);
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), filter);
}

ZString takeFileName(char* name) {
    ZString path = ZString::fromUtf8(name ? name : "");
    g_free(name);
    return path;
}

}  // namespace

std::vector<ZString> openFiles(WindowHandle owner, const ZString& title,
                               const ZString& filterName) {
    Dialog dialog =
        makeChooser(owner, title.toUtf8().c_str(), GTK_FILE_CHOOSER_ACTION_OPEN, "_Open");
    gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(dialog.get()), TRUE);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(dialog.get()), TRUE);
    addFilter(dialog.get(), filterName, "*");
    std::vector<ZString> files;
    if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) return files;
    GSList* names = gtk_file_chooser_get_filenames(GTK_FILE_CHOOSER(dialog.get()));
    for (GSList* item = names; item; item = item->next) {
        files.push_back(takeFileName(static_cast<char*>(item->data)));
    }
    g_slist_free(names);
    return files;
}

std::optional<ZString> saveFile(WindowHandle owner, const ZString& folder,
                                const ZString& proposedName, const ZString& filterName) {
    Dialog dialog = makeChooser(owner, nullptr, GTK_FILE_CHOOSER_ACTION_SAVE, "_Save");
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    addFilter(dialog.get(), filterName, "*.pdf");
    if (!folder.isEmpty()) gtk_file_chooser_set_current_folder(chooser, folder.toUtf8().c_str());
    gtk_file_chooser_set_current_name(chooser, proposedName.toUtf8().c_str());
    if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) return std::nullopt;
    ZString path = takeFileName(gtk_file_chooser_get_filename(chooser));
    if (path.isEmpty()) return std::nullopt;
    if (!path.toLower().endsWith(u".pdf")) path.append(u".pdf");
    return path;
}

std::optional<ZString> chooseFolder(WindowHandle owner, const ZString& folder) {
    Dialog dialog = makeChooser(owner, nullptr, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Select");
    gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog.get()), TRUE);
    // Without a folder the chooser would open on its list of recent files,
    // in which no folder can be chosen.
    std::string start = folder.isEmpty() ? std::string(g_get_home_dir()) : folder.toUtf8();
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog.get()), start.c_str());
    if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) return std::nullopt;
    ZString path = takeFileName(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog.get())));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

}  // namespace platform::dialogs
