/* Puts files on the clipboard the way file managers do after "Copy": as
 * x-special/gnome-copied-files ("copy" and one URI a line), as
 * text/uri-list and as plain text (one path a line), then keeps serving
 * them until it is killed.
 * Prints "ready" once it owns the clipboard.
 * With --print it only prints the clipboard's text, to read back what a
 * field copied. */
#include <gtk/gtk.h>
#include <stdio.h>
#include <string.h>

static GString *gnome_list;
static GString *uri_list;
static GString *path_list;

static void get_contents(GtkClipboard *clipboard, GtkSelectionData *data, guint info,
                         gpointer user_data) {
    (void)clipboard;
    (void)user_data;
    GString *text = info == 0 ? gnome_list : info == 1 ? uri_list : path_list;
    gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8, (const guchar *)text->str,
                           (gint)text->len);
}

static void cleared(GtkClipboard *clipboard, gpointer user_data) {
    (void)clipboard;
    (void)user_data;
}

int main(int argc, char **argv) {
    if (!gtk_init_check(&argc, &argv)) return 2;
    if (argc == 2 && strcmp(argv[1], "--print") == 0) {
        gchar *text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
        if (text) fputs(text, stdout);
        g_free(text);
        return 0;
    }
    gnome_list = g_string_new("copy");
    uri_list = g_string_new("");
    path_list = g_string_new("");
    for (int i = 1; i < argc; ++i) {
        gchar *uri = g_filename_to_uri(argv[i], NULL, NULL);
        if (!uri) return 3;
        g_string_append_printf(gnome_list, "\n%s", uri);
        g_string_append_printf(uri_list, "%s\r\n", uri);
        g_string_append_printf(path_list, "%s%s", i > 1 ? "\n" : "", argv[i]);
        g_free(uri);
    }
    GtkTargetEntry targets[] = {{"x-special/gnome-copied-files", 0, 0},
                                {"text/uri-list", 0, 1},
                                {"UTF8_STRING", 0, 2},
                                {"text/plain;charset=utf-8", 0, 2}};
    GtkClipboard *clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    if (!gtk_clipboard_set_with_data(clipboard, targets, 4, get_contents, cleared, NULL)) return 4;
    printf("ready\n");
    fflush(stdout);
    gtk_main();
    return 0;
}
