#include "platform/AboutBox.h"

#include <gtk/gtk.h>

#include <memory>

#include "platform/GlibHandles.h"

namespace platform {

namespace {

GObjectPtr<GdkPixbuf> decodePng(const std::string& bytes) {
    if (bytes.empty()) return nullptr;
    GObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
    bool ok = gdk_pixbuf_loader_write(loader.get(), reinterpret_cast<const guchar*>(bytes.data()),
                                      bytes.size(), nullptr);
    ok = gdk_pixbuf_loader_close(loader.get(), nullptr) && ok;
    GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader.get()) : nullptr;
    if (pixbuf) g_object_ref(pixbuf);
    return GObjectPtr<GdkPixbuf>(pixbuf);
}

}  // namespace

void showAboutBox(WindowHandle owner, const AboutFacts& facts) {
    if (!gdk_display_get_default()) return;
    GtkWidget* dialog = gtk_about_dialog_new();
    GtkAboutDialog* about = GTK_ABOUT_DIALOG(dialog);
    gtk_about_dialog_set_program_name(about, facts.programName.toUtf8().c_str());
    gtk_about_dialog_set_version(about, facts.version.toUtf8().c_str());
    gtk_about_dialog_set_comments(about, facts.comments.toUtf8().c_str());
    if (!facts.website.isEmpty()) {
        gtk_about_dialog_set_website(about, facts.website.toUtf8().c_str());
    }
    if (auto logo = decodePng(facts.iconPng)) gtk_about_dialog_set_logo(about, logo.get());
    if (owner) {
        GtkWidget* top = gtk_widget_get_toplevel(static_cast<GtkWidget*>(owner));
        if (GTK_IS_WINDOW(top)) gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(top));
    }
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

}  // namespace platform
