#include "platform/gui/Theme.h"

#include <gtk/gtk.h>

#include <memory>

#include "platform/GlibHandles.h"
#include "platform/gui/Gui.h"

namespace platform::gui {

namespace {

// A style context for a node path such as checkbutton > check, without a widget.
GObjectPtr<GtkStyleContext> styleFor(GType type, const char* outer,
                                                        const char* inner) {
    GtkWidgetPath* path = gtk_widget_path_new();
    gtk_widget_path_append_type(path, type);
    gtk_widget_path_iter_set_object_name(path, -1, outer);
    if (inner) {
        gtk_widget_path_append_type(path, G_TYPE_NONE);
        gtk_widget_path_iter_set_object_name(path, -1, inner);
    }
    GtkStyleContext* context = gtk_style_context_new();
    gtk_style_context_set_path(context, path);
    gtk_widget_path_unref(path);
    return GObjectPtr<GtkStyleContext>(context);
}

GtkStateFlags flagsOf(const Theme::State& state) {
    int flags = GTK_STATE_FLAG_NORMAL;
    if (state.checked) flags |= GTK_STATE_FLAG_CHECKED;
    if (state.hot) flags |= GTK_STATE_FLAG_PRELIGHT;
    if (state.pressed) flags |= GTK_STATE_FLAG_ACTIVE;
    if (state.disabled) flags |= GTK_STATE_FLAG_INSENSITIVE;
    return static_cast<GtkStateFlags>(flags);
}

void drawIndicator(gfx::Dc& dc, const gfx::Rect& r, const Theme::State& state, bool radio) {
    if (r.isEmpty()) return;
    cairo_t* cr = dc.cairo();
    if (!Gui::isInitialized()) {
        // Without a display: the classic square or circle outline.
        cairo_save(cr);
        cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
        cairo_set_line_width(cr, 1);
        if (radio)
            cairo_arc(cr, r.left + r.width() / 2.0, r.top + r.height() / 2.0, r.width() / 2.0 - 0.5,
                      0, 6.2832);
        else
            cairo_rectangle(cr, r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1);
        cairo_stroke(cr);
        cairo_restore(cr);
        return;
    }
    auto context = styleFor(radio ? GTK_TYPE_RADIO_BUTTON : GTK_TYPE_CHECK_BUTTON,
                            radio ? "radiobutton" : "checkbutton", radio ? "radio" : "check");
    gtk_style_context_set_state(context.get(), flagsOf(state));
    cairo_save(cr);
    gtk_render_background(context.get(), cr, r.left, r.top, r.width(), r.height());
    gtk_render_frame(context.get(), cr, r.left, r.top, r.width(), r.height());
    if (radio)
        gtk_render_option(context.get(), cr, r.left, r.top, r.width(), r.height());
    else
        gtk_render_check(context.get(), cr, r.left, r.top, r.width(), r.height());
    cairo_restore(cr);
}

}  // namespace

void Theme::drawCheckBox(gfx::Dc& dc, const gfx::Rect& r, const State& state) {
    drawIndicator(dc, r, state, false);
}

void Theme::drawRadioButton(gfx::Dc& dc, const gfx::Rect& r, const State& state) {
    drawIndicator(dc, r, state, true);
}

void Theme::drawPushButton(gfx::Dc& dc, const gfx::Rect& r, const State& state) {
    if (r.isEmpty()) return;
    cairo_t* cr = dc.cairo();
    if (!Gui::isInitialized()) {
        dc.fillRect(r, gfx::Color::rgb(0xE1, 0xE1, 0xE1));
        return;
    }
    auto context = styleFor(GTK_TYPE_BUTTON, "button", nullptr);
    gtk_style_context_set_state(context.get(), flagsOf(state));
    cairo_save(cr);
    gtk_render_background(context.get(), cr, r.left, r.top, r.width(), r.height());
    gtk_render_frame(context.get(), cr, r.left, r.top, r.width(), r.height());
    cairo_restore(cr);
}

}  // namespace platform::gui
