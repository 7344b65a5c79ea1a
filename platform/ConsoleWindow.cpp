#include "platform/ConsoleWindow.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Process.h"

extern char** environ;

namespace platform {

namespace {

struct Console {
    GtkWidget* window = nullptr;
    GtkTextBuffer* buffer = nullptr;
    GtkWidget* view = nullptr;
    int readFd = -1;
    int originalOut = -1;
    int originalErr = -1;
};

Console* console = nullptr;

void append(const char* data, size_t count) {
    GtkTextIter end;
    gtk_text_buffer_get_end_iter(console->buffer, &end);
    // Child programs may write any bytes; the view takes valid UTF-8 only.
    gchar* text = g_utf8_make_valid(data, static_cast<gssize>(count));
    gtk_text_buffer_insert(console->buffer, &end, text, -1);
    g_free(text);
    gtk_text_buffer_get_end_iter(console->buffer, &end);
    GtkTextMark* mark = gtk_text_buffer_create_mark(console->buffer, nullptr, &end, FALSE);
    gtk_text_view_scroll_mark_onscreen(GTK_TEXT_VIEW(console->view), mark);
    gtk_text_buffer_delete_mark(console->buffer, mark);
}

gboolean onOutput(int fd, GIOCondition, gpointer) {
    char buffer[65536];
    for (;;) {
        ssize_t count = read(fd, buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        if (console->originalOut >= 0) {
            ssize_t ignored = write(console->originalOut, buffer, static_cast<size_t>(count));
            (void)ignored;
        }
        append(buffer, static_cast<size_t>(count));
    }
    return G_SOURCE_CONTINUE;
}

void makeWindow() {
    console->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(console->window), "Varto Console");
    gtk_window_set_default_size(GTK_WINDOW(console->window), 760, 420);
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    console->view = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(console->view), FALSE);
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(console->view), TRUE);
    console->buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(console->view));
    gtk_container_add(GTK_CONTAINER(scroller), console->view);
    gtk_container_add(GTK_CONTAINER(console->window), scroller);
    g_signal_connect(console->window, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete),
                     nullptr);
    gtk_widget_show_all(console->window);
}

}  // namespace

bool openConsoleWindow() {
    if (console) {
        if (console->window) gtk_window_present(GTK_WINDOW(console->window));
        return false;
    }
    console = new Console();  // lives as long as the process
    fflush(stdout);
    fflush(stderr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) == 0) {
        // Room for a burst written while the GUI thread is busy elsewhere.
        fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
        console->originalOut = fcntl(1, F_DUPFD_CLOEXEC, 3);
        console->originalErr = fcntl(2, F_DUPFD_CLOEXEC, 3);
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[1]);
        console->readFd = fds[0];
        fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
        g_unix_fd_add(fds[0], G_IO_IN, &onOutput, nullptr);
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    setvbuf(stderr, nullptr, _IONBF, 0);
    if (gdk_display_get_default()) makeWindow();
    return true;
}

void printEnvironment() {
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string line = std::string(*entry) + "\n";
        writeStdHandle(1, line.data(), line.size());
    }
}

}  // namespace platform
