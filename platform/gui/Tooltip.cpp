#include "platform/gui/Tooltip.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/gui/Gui.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

struct Tooltip::Impl {
    GtkWidget* window = nullptr;
    GtkWidget* label = nullptr;
    ZString text;
};

Tooltip::Tooltip(WindowHandle owner, int maxWidth) : impl_(std::make_unique<Impl>()) {
    if (!Gui::init()) return;
    impl_->window = gtk_window_new(GTK_WINDOW_POPUP);
    gtk_window_set_type_hint(GTK_WINDOW(impl_->window), GDK_WINDOW_TYPE_HINT_TOOLTIP);
    gtk_window_set_keep_above(GTK_WINDOW(impl_->window), TRUE);
    gtk_window_set_accept_focus(GTK_WINDOW(impl_->window), FALSE);
    if (GtkWindow* parent = detail::gtkWindowOf(owner))
        gtk_window_set_transient_for(GTK_WINDOW(impl_->window), parent);
    gtk_style_context_add_class(gtk_widget_get_style_context(impl_->window),
                                GTK_STYLE_CLASS_TOOLTIP);
    impl_->label = gtk_label_new(nullptr);
    gtk_label_set_line_wrap(GTK_LABEL(impl_->label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(impl_->label), 1);
    gtk_label_set_xalign(GTK_LABEL(impl_->label), 0);
    gtk_widget_set_size_request(impl_->label, -1, -1);
    gtk_widget_set_margin_start(impl_->label, 4);
    gtk_widget_set_margin_end(impl_->label, 4);
    gtk_widget_set_margin_top(impl_->label, 2);
    gtk_widget_set_margin_bottom(impl_->label, 2);
    // Wrapping at the maximum width: the label may not grow wider than that.
    g_object_set_data(G_OBJECT(impl_->label), "max-width", GINT_TO_POINTER(maxWidth));
    gtk_container_add(GTK_CONTAINER(impl_->window), impl_->label);
    gtk_widget_show(impl_->label);
    // The pointer goes through the tip: a click or a move that meets the tip
    // before it is hidden still reaches the window below.
    g_signal_connect(impl_->window, "realize", G_CALLBACK(+[](GtkWidget* window, gpointer) {
                         cairo_region_t* none = cairo_region_create();
                         gdk_window_input_shape_combine_region(gtk_widget_get_window(window), none,
                                                               0, 0);
                         cairo_region_destroy(none);
                     }),
                     nullptr);
}

void Tooltip::scaleTo(int dpi) {
    static GtkCssProvider* provider = nullptr;
    static int applied = 0;
    if (dpi <= 0 || dpi == applied || !Gui::init()) return;
    // The desktop's font at the window's resolution: points are 1/72 inch.
    gchar* name = nullptr;
    g_object_get(gtk_settings_get_default(), "gtk-font-name", &name, nullptr);
    PangoFontDescription* font = pango_font_description_from_string(name ? name : "Sans 10");
    g_free(name);
    double size = pango_font_description_get_size(font) / double(PANGO_SCALE);
    double pixels = pango_font_description_get_size_is_absolute(font) ? size * dpi / 96.0
                                                                      : size * dpi / 72.0;
    pango_font_description_free(font);
    if (pixels <= 0) pixels = 10.0 * dpi / 72.0;
    // GTK's own tips are "tooltip" nodes; ours are windows of class tooltip.
    // Tenths written by hand: a German locale's "%f" would give a comma CSS refuses.
    const long tenths = std::lround(pixels * 10);
    char css[128];
    std::snprintf(css, sizeof css, "tooltip label, .tooltip label { font-size: %ld.%ldpx; }",
                  tenths / 10, tenths % 10);
    if (!provider) {
        provider = gtk_css_provider_new();
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                                  GTK_STYLE_PROVIDER(provider),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    gtk_css_provider_load_from_data(provider, css, -1, nullptr);
    applied = dpi;
}

Tooltip::~Tooltip() {
    if (impl_->window) gtk_widget_destroy(impl_->window);
}

gfx::Rect Tooltip::prepare(const ZString& text) {
    if (!impl_->window) return {};
    impl_->text = text;
    gtk_label_set_text(GTK_LABEL(impl_->label), text.toUtf8().c_str());
    // Short texts take their own width, long ones wrap at the maximum.
    const int maxWidth = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(impl_->label), "max-width"));
    gtk_label_set_max_width_chars(GTK_LABEL(impl_->label), -1);
    gtk_widget_set_size_request(impl_->label, -1, -1);
    int minimum = 0;
    int natural = 0;
    gtk_widget_get_preferred_width(impl_->label, &minimum, &natural);
    // A wrapping label asks only for its longest word; the window, sized to
    // its minimum, would stack the words one per line.
    gtk_widget_set_size_request(impl_->label, std::min(natural, maxWidth), -1);
    gtk_window_resize(GTK_WINDOW(impl_->window), 1, 1);
    GtkRequisition size;
    gtk_widget_get_preferred_size(impl_->window, nullptr, &size);
    return {0, 0, size.width, size.height};
}

void Tooltip::showAt(int screenX, int screenY) {
    if (!impl_->window) return;
    gtk_window_move(GTK_WINDOW(impl_->window), screenX, screenY);
    gtk_widget_show(impl_->window);
}

void Tooltip::hide() {
    if (impl_->window) gtk_widget_hide(impl_->window);
}

bool Tooltip::isShown() const { return impl_->window && gtk_widget_get_visible(impl_->window); }

gfx::Rect Tooltip::screenRect() const {
    if (!isShown()) return {};
    int x = 0, y = 0, width = 0, height = 0;
    gtk_window_get_position(GTK_WINDOW(impl_->window), &x, &y);
    gtk_window_get_size(GTK_WINDOW(impl_->window), &width, &height);
    return {x, y, x + width, y + height};
}

ZString Tooltip::text() const { return impl_->text; }

}  // namespace platform::gui
