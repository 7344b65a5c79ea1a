#include "platform/gui/Gui.h"

#include <gtk/gtk.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/gui/Window.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

namespace {

std::atomic<bool> quitFlag{false};
std::atomic<int> quitCode{0};

struct PostedMessage {
    WindowHandle window;
    Message message;
};

gboolean deliverPosted(gpointer user) {
    std::unique_ptr<PostedMessage> posted(static_cast<PostedMessage*>(user));
    if (detail::WindowData* data = detail::find(posted->window))
        detail::deliver(data, posted->message);
    return G_SOURCE_REMOVE;
}

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};

struct WidgetDestroyer {
    void operator()(GtkWidget* widget) const { gtk_widget_destroy(widget); }
};

void addFilters(GtkFileChooser* chooser, const std::vector<Gui::Filter>& filters) {
    for (const Gui::Filter& filter : filters) {
        GtkFileFilter* gtkFilter = gtk_file_filter_new();
        gtk_file_filter_set_name(gtkFilter, filter.name.toUtf8().c_str());
        const std::string patterns = filter.patterns.toUtf8();
        size_t start = 0;
        while (start <= patterns.size()) {
            size_t end = patterns.find(';', start);
            if (end == std::string::npos) end = patterns.size();
            const std::string one = patterns.substr(start, end - start);
            // "*.*" means every file, as it always did.
            if (!one.empty())
                gtk_file_filter_add_pattern(gtkFilter, one == "*.*" ? "*" : one.c_str());
            start = end + 1;
        }
        gtk_file_chooser_add_filter(chooser, gtkFilter);
    }
}

ZString pathOf(char* path) {
    std::unique_ptr<char, GFreeDeleter> owned(path);
    return path ? ZString::fromUtf8(path) : ZString();
}

std::unique_ptr<GtkWidget, WidgetDestroyer> chooserDialog(WindowHandle owner, const ZString& title,
                                                          GtkFileChooserAction action,
                                                          const char* accept) {
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        title.toUtf8().c_str(), detail::gtkWindowOf(owner), action, "_Cancel", GTK_RESPONSE_CANCEL,
        accept, GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    return std::unique_ptr<GtkWidget, WidgetDestroyer>(dialog);
}

std::vector<ZString> filesFromUriText(const std::string& text) {
    std::vector<ZString> files;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        if (line.empty() || line[0] == '#' || line == "copy" || line == "cut") continue;
        if (gchar* path = g_filename_from_uri(line.c_str(), nullptr, nullptr))
            files.push_back(pathOf(path));
    }
    return files;
}

}  // namespace

bool Gui::init() {
    static const bool ok = gtk_init_check(nullptr, nullptr);
    return ok;
}

bool Gui::isInitialized() { return gdk_display_get_default() != nullptr; }

int Gui::run() {
    while (!quitFlag.load()) g_main_context_iteration(nullptr, TRUE);
    return quitCode.load();
}

void Gui::quit(int code) {
    quitCode = code;
    quitFlag = true;
    g_main_context_wakeup(nullptr);
}

bool Gui::quitRequested() { return quitFlag.load(); }

void Gui::pump(bool block) { g_main_context_iteration(nullptr, block); }

bool Gui::post(WindowHandle window, const Message& message) {
    if (!window) return false;
    auto* posted = new PostedMessage{window, message};
    g_idle_add_full(G_PRIORITY_DEFAULT, deliverPosted, posted, nullptr);
    return true;
}

int Gui::screenDpi() {
    if (const char* text = std::getenv("VARTO_DPI"); text && *text) {
        const int dpi = std::atoi(text);
        if (dpi > 0) return dpi;
    }
    if (!isInitialized()) return 96;
    const double resolution = gdk_screen_get_resolution(gdk_screen_get_default());
    return resolution > 0 ? static_cast<int>(resolution + 0.5) : 96;
}

std::vector<ZString> Gui::openFiles(WindowHandle owner, const ZString& title,
                                    const std::vector<Filter>& filters, bool multiple) {
    std::vector<ZString> files;
    if (!init()) return files;
    auto dialog = chooserDialog(owner, title, GTK_FILE_CHOOSER_ACTION_OPEN, "_Open");
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());
    gtk_file_chooser_set_select_multiple(chooser, multiple);
    addFilters(chooser, filters);
    if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) return files;
    GSList* names = gtk_file_chooser_get_filenames(chooser);
    for (GSList* item = names; item; item = item->next)
        files.push_back(pathOf(static_cast<char*>(item->data)));
    g_slist_free(names);
    return files;
}

ZString Gui::saveFile(WindowHandle owner, const ZString& title, const ZString& suggested,
                      const std::vector<Filter>& filters) {
    if (!init()) return ZString();
    auto dialog = chooserDialog(owner, title, GTK_FILE_CHOOSER_ACTION_SAVE, "_Save");
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    addFilters(chooser, filters);
    if (!suggested.isEmpty()) {
        const std::string path = suggested.toUtf8();
        if (path.find('/') != std::string::npos)
            gtk_file_chooser_set_filename(chooser, path.c_str());
        else
            gtk_file_chooser_set_current_name(chooser, path.c_str());
    }
    if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) return ZString();
    return pathOf(gtk_file_chooser_get_filename(chooser));
}

ZString Gui::chooseFolder(WindowHandle owner, const ZString& title) {
    if (!init()) return ZString();
    auto dialog = chooserDialog(owner, title, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Select");
    if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) return ZString();
    return pathOf(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog.get())));
}

std::vector<ZString> Gui::clipboardFiles() {
    if (!init()) return {};
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    // File managers offer their own list first; the plain URI list is the fallback.
    for (const char* target : {"x-special/gnome-copied-files", "text/uri-list"}) {
        GtkSelectionData* data =
            gtk_clipboard_wait_for_contents(clipboard, gdk_atom_intern(target, FALSE));
        if (!data) continue;
        const guchar* bytes = gtk_selection_data_get_data(data);
        const int length = gtk_selection_data_get_length(data);
        std::string text =
            bytes && length > 0 ? std::string(reinterpret_cast<const char*>(bytes), length) : "";
        gtk_selection_data_free(data);
        auto files = filesFromUriText(text);
        if (!files.empty()) return files;
    }
    return {};
}

void Gui::setClipboardText(const ZString& text) {
    if (!init()) return;
    const std::string utf8 = text.toUtf8();
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), utf8.c_str(),
                           static_cast<int>(utf8.size()));
}

}  // namespace platform::gui
