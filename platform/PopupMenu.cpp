#include "platform/PopupMenu.h"

#include <gtk/gtk.h>

namespace platform {

int popupMenu(WindowHandle attachTo, const std::vector<ZString>& items) {
    if (!gdk_display_get_default()) return 0;
    struct State {
        int chosen = 0;
        GMainLoop* loop = nullptr;
    } state;
    state.loop = g_main_loop_new(nullptr, FALSE);
    GtkWidget* menu = gtk_menu_new();
    for (size_t i = 0; i < items.size(); ++i) {
        GtkWidget* item = gtk_menu_item_new_with_label(items[i].toUtf8().c_str());
        g_object_set_data(G_OBJECT(item), "varto-index", GINT_TO_POINTER(static_cast<int>(i + 1)));
        g_signal_connect(
            item, "activate", G_CALLBACK(+[](GtkWidget* widget, State* s) {
                s->chosen = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "varto-index"));
            }),
            &state);
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    }
    // The menu deactivates before its item activates: quit one turn later.
    g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkWidget*, State* s) {
                         g_idle_add(
                             +[](gpointer loop) -> gboolean {
                                 g_main_loop_quit(static_cast<GMainLoop*>(loop));
                                 return G_SOURCE_REMOVE;
                             },
                             s->loop);
                     }),
                     &state);
    if (attachTo)
        gtk_menu_attach_to_widget(GTK_MENU(menu), static_cast<GtkWidget*>(attachTo), nullptr);
    gtk_widget_show_all(menu);
    gtk_menu_popup_at_pointer(GTK_MENU(menu), nullptr);
    if (gtk_widget_get_visible(menu)) g_main_loop_run(state.loop);
    gtk_widget_destroy(menu);
    g_main_loop_unref(state.loop);
    return state.chosen;
}

}  // namespace platform
