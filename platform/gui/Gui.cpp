#include "platform/gui/Gui.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/GlibHandles.h"
#include "platform/MessageBox.h"
#include "platform/gui/MessageDialog.h"
#include "platform/gui/Window.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

namespace {

std::atomic<bool> quitFlag{false};
std::atomic<int> quitCode{0};
int modalLoops = 0;  // GUI thread only

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

ZString pathOf(char* path) {
    GCharPtr owned(path);
    return path ? ZString::fromUtf8(path) : ZString();
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

namespace {

// GDK probes OpenGL when it opens the display, which loads the GL driver
// (a software renderer on most machines) and costs about a quarter of a
// second before the first window. Nothing here draws with GL, so the probe
// is skipped unless the user asked for GL settings of his own; child
// processes (the browser's) do not inherit the switch.
bool initWithoutGlProbe() {
    const bool ownSwitch = g_getenv("GDK_GL") == nullptr;
    if (ownSwitch) g_setenv("GDK_GL", "disable", FALSE);
    const bool ok = gtk_init_check(nullptr, nullptr);
    if (ownSwitch) g_unsetenv("GDK_GL");
    return ok;
}

}  // namespace

bool Gui::init() {
    static const bool ok = initWithoutGlProbe();
    // From now on messageBox shows dialogs (while a display is there).
    setMessageBoxHandler(&showMessageDialog);
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

int Gui::modalDepth() { return modalLoops; }

Gui::ModalScope::ModalScope() { ++modalLoops; }

Gui::ModalScope::~ModalScope() { --modalLoops; }

void Gui::quitOnTerminationSignals() {
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        g_unix_signal_add(signalNumber, [](gpointer) -> gboolean {
            Gui::quit(0);
            return G_SOURCE_CONTINUE;
        }, nullptr);
    }
}

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
