#include "platform/FileDialogs.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/GlibHandles.h"
#include "platform/gui/Gui.h"

namespace platform::dialogs {

namespace {

using Dialog = CHandle<GtkWidget, gtk_widget_destroy>;

GtkWindow* toplevelOf(WindowHandle owner) {
    if (!owner) return nullptr;
    GtkWidget* top = gtk_widget_get_toplevel(static_cast<GtkWidget*>(owner));
    return GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

Dialog makeChooser(WindowHandle owner, const ZString& title, GtkFileChooserAction action,
                   const char* acceptLabel, const ZString& folder) {
    if (!gui::Gui::init()) return nullptr;
    Dialog dialog(gtk_file_chooser_dialog_new(
        title.isEmpty() ? nullptr : title.toUtf8().c_str(), toplevelOf(owner), action, "_Cancel",
        GTK_RESPONSE_CANCEL, acceptLabel, GTK_RESPONSE_ACCEPT, nullptr));
    // Enter in the name or location field confirms, as in every dialog.
    gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_ACCEPT);
    if (!folder.isEmpty())
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog.get()),
                                            folder.toUtf8().c_str());
    return dialog;
}

std::vector<std::string> patternsOf(const Filter& filter) {
    std::vector<std::string> patterns;
    const std::string text = filter.patterns.toUtf8();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        std::string one = text.substr(start, end - start);
        // "*.*" means every file, as it always did.
        if (!one.empty()) patterns.push_back(one == "*.*" ? "*" : one);
        start = end + 1;
    }
    return patterns;
}

void addFilters(GtkWidget* dialog, const std::vector<Filter>& filters) {
    for (const Filter& filter : filters) {
        GtkFileFilter* gtkFilter = gtk_file_filter_new();
        gtk_file_filter_set_name(gtkFilter, filter.name.toUtf8().c_str());
        for (const std::string& pattern : patternsOf(filter))
            gtk_file_filter_add_pattern(gtkFilter, pattern.c_str());
        gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), gtkFilter);
    }
}

ZString takeFileName(char* name) {
    GCharPtr owned(name);
    return ZString::fromUtf8(name ? name : "");
}

// ".pdf" for a first filter of exactly "*.pdf"; empty otherwise.
ZString defaultExtension(const std::vector<Filter>& filters) {
    if (filters.empty()) return ZString();
    const std::vector<std::string> patterns = patternsOf(filters.front());
    if (patterns.size() != 1 || patterns[0].size() < 3 || patterns[0].compare(0, 2, "*.") != 0 ||
        patterns[0].find_first_of("*?[", 2) != std::string::npos)
        return ZString();
    return ZString::fromUtf8(patterns[0].substr(1));
}

// GTK's question before replacing a file, in GTK's words and language.
bool confirmReplace(GtkWindow* parent, const ZString& path) {
    GCharPtr name(g_path_get_basename(path.toUtf8().c_str()));
    GCharPtr folder(g_path_get_dirname(path.toUtf8().c_str()));
    GCharPtr folderName(g_path_get_basename(folder.get()));
    Dialog box(gtk_message_dialog_new(
        parent, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
        g_dgettext("gtk30", "A file named “%s” already exists.  Do you want to replace it?"),
        name.get()));
    gtk_message_dialog_format_secondary_text(
        GTK_MESSAGE_DIALOG(box.get()),
        g_dgettext("gtk30",
                   "The file already exists in “%s”.  Replacing it will overwrite its contents."),
        folderName.get());
    gtk_dialog_add_button(GTK_DIALOG(box.get()), g_dgettext("gtk30", "_Cancel"),
                          GTK_RESPONSE_CANCEL);
    gtk_dialog_add_button(GTK_DIALOG(box.get()), g_dgettext("gtk30", "_Replace"),
                          GTK_RESPONSE_ACCEPT);
    gtk_dialog_set_default_response(GTK_DIALOG(box.get()), GTK_RESPONSE_ACCEPT);
    return gtk_dialog_run(GTK_DIALOG(box.get())) == GTK_RESPONSE_ACCEPT;
}

}  // namespace

std::vector<ZString> openFiles(WindowHandle owner, const ZString& title,
                               const std::vector<Filter>& filters, bool multiple,
                               const ZString& folder) {
    std::vector<ZString> files;
    Dialog dialog = makeChooser(owner, title, GTK_FILE_CHOOSER_ACTION_OPEN, "_Open", folder);
    if (!dialog) return files;
    gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(dialog.get()), multiple);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(dialog.get()), TRUE);
    addFilters(dialog.get(), filters);
    if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) return files;
    GSList* names = gtk_file_chooser_get_filenames(GTK_FILE_CHOOSER(dialog.get()));
    for (GSList* item = names; item; item = item->next)
        files.push_back(takeFileName(static_cast<char*>(item->data)));
    g_slist_free(names);
    return files;
}

std::optional<ZString> saveFile(WindowHandle owner, const ZString& title, const ZString& folder,
                                const ZString& proposedName, const std::vector<Filter>& filters) {
    Dialog dialog = makeChooser(owner, title, GTK_FILE_CHOOSER_ACTION_SAVE, "_Save", folder);
    if (!dialog) return std::nullopt;
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());
    // The question about an existing file is ours: GTK's own would look at
    // the typed name before the extension is added.
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
    addFilters(dialog.get(), filters);
    gtk_file_chooser_set_current_name(chooser, proposedName.toUtf8().c_str());
    const ZString extension = defaultExtension(filters);
    for (;;) {
        if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) return std::nullopt;
        ZString path = takeFileName(gtk_file_chooser_get_filename(chooser));
        if (path.isEmpty()) return std::nullopt;
        if (!extension.isEmpty() && !path.toLower().endsWith(extension.toLower()))
            path.append(extension);
        if (!g_file_test(path.toUtf8().c_str(), G_FILE_TEST_EXISTS) ||
            confirmReplace(GTK_WINDOW(dialog.get()), path))
            return path;
    }
}

std::optional<ZString> chooseFolder(WindowHandle owner, const ZString& title,
                                    const ZString& folder) {
    // Without a folder the chooser would open on its list of recent files,
    // in which no folder can be chosen.
    const ZString start = folder.isEmpty() ? ZString::fromUtf8(g_get_home_dir()) : folder;
    Dialog dialog =
        makeChooser(owner, title, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Select", start);
    if (!dialog) return std::nullopt;
    gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog.get()), TRUE);
    if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) return std::nullopt;
    ZString path = takeFileName(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog.get())));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

}  // namespace platform::dialogs
