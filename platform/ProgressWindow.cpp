#include "platform/ProgressWindow.h"

#include <gtk/gtk.h>

#include <atomic>
#include <thread>

#include "base/CHandle.h"

namespace platform {

struct ProgressWindow::Widgets {
    GtkWidget* window = nullptr;
    GtkWidget* label = nullptr;
    GtkWidget* bar = nullptr;
    unsigned pulseSource = 0;
};

namespace {

using LoopPtr = CHandle<GMainLoop, g_main_loop_unref>;

bool haveDisplay() { return gdk_display_get_default() != nullptr; }

GtkWindow* toplevelOf(WindowHandle owner) {
    if (!owner) return nullptr;
    GtkWidget* top = gtk_widget_get_toplevel(static_cast<GtkWidget*>(owner));
    return GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

}  // namespace

ProgressWindow::ProgressWindow(WindowHandle owner, const ZString& title, const ZString& cancelLabel)
    : widgets_(std::make_unique<Widgets>()),
      owner_(owner),
      title_(title),
      cancelLabel_(cancelLabel) {}

ProgressWindow::~ProgressWindow() {
    if (widgets_->pulseSource) g_source_remove(widgets_->pulseSource);
    if (widgets_->window) gtk_widget_destroy(widgets_->window);
}

void ProgressWindow::setSeries(bool series, uint64_t totalWeight) {
    series_ = series;
    totalWeight_ = totalWeight;
}

void ProgressWindow::show(const ZString& text) {
    if (!widgets_->window) {
        GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(window), title_.toUtf8().c_str());
        gtk_window_set_modal(GTK_WINDOW(window), TRUE);
        gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
        gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
        if (GtkWindow* parent = toplevelOf(owner_)) {
            gtk_window_set_transient_for(GTK_WINDOW(window), parent);
            gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ON_PARENT);
        } else {
            gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
        }
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
        gtk_container_set_border_width(GTK_CONTAINER(box), 14);
        GtkWidget* label = gtk_label_new("");
        gtk_label_set_xalign(GTK_LABEL(label), 0);
        gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_MIDDLE);
        gtk_label_set_width_chars(GTK_LABEL(label), 48);
        GtkWidget* bar = gtk_progress_bar_new();
        GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
        gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
        GtkWidget* cancel = gtk_button_new_with_label(cancelLabel_.toUtf8().c_str());
        gtk_container_add(GTK_CONTAINER(buttons), cancel);
        gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), buttons, FALSE, FALSE, 0);
        gtk_container_add(GTK_CONTAINER(window), box);
        g_signal_connect_swapped(cancel, "clicked",
                                 G_CALLBACK(+[](ProgressWindow* self) { self->onCancel(); }), this);
        // Closing the window (or Escape) cancels instead of destroying it.
        g_signal_connect(window, "delete-event",
                         G_CALLBACK(+[](GtkWidget*, GdkEvent*, ProgressWindow* self) -> gboolean {
                             self->onCancel();
                             return TRUE;
                         }),
                         this);
        g_signal_connect(
            window, "key-press-event",
            G_CALLBACK(+[](GtkWidget*, GdkEventKey* event, ProgressWindow* self) -> gboolean {
                if (event->keyval != GDK_KEY_Escape) return FALSE;
                self->onCancel();
                return TRUE;
            }),
            this);
        widgets_->window = window;
        widgets_->label = label;
        widgets_->bar = bar;
        gtk_widget_show_all(window);
    }
    gtk_label_set_text(GTK_LABEL(widgets_->label), text.toUtf8().c_str());
    if (!widgets_->pulseSource) widgets_->pulseSource = g_timeout_add(100, &onPulse, this);
}

void ProgressWindow::hide() {
    if (widgets_->pulseSource) g_source_remove(widgets_->pulseSource);
    widgets_->pulseSource = 0;
    if (widgets_->window) gtk_widget_destroy(widgets_->window);
    widgets_->window = nullptr;
}

int ProgressWindow::onPulse(void* data) {
    auto* self = static_cast<ProgressWindow*>(data);
    GtkProgressBar* bar = GTK_PROGRESS_BAR(self->widgets_->bar);
    if (self->series_ && self->totalWeight_ > 0) {
        gtk_progress_bar_set_fraction(
            bar, static_cast<double>(self->doneWeight_) / static_cast<double>(self->totalWeight_));
    } else {
        gtk_progress_bar_pulse(bar);
    }
    return G_SOURCE_CONTINUE;
}

void ProgressWindow::onCancel() {
    if (cancelled_) return;
    cancelled_ = true;
    if (widgets_->label) gtk_label_set_text(GTK_LABEL(widgets_->label), "…");
    if (cancel_) cancel_();
}

void ProgressWindow::run(const ZString& text, uint64_t weight, const std::function<void()>& work,
                         const std::function<void()>& cancel) {
    runningWeight_ = weight;
    if (!haveDisplay()) {
        work();
        doneWeight_ += weight;
        return;
    }
    cancel_ = cancel;
    show(text);
    LoopPtr loop(g_main_loop_new(nullptr, FALSE));
    std::atomic<bool> finished{false};
    GMainLoop* rawLoop = loop.get();
    std::thread worker([&] {
        work();
        finished = true;
        // The source keeps its own reference: it may run after run() returned.
        g_main_context_invoke_full(
            nullptr, G_PRIORITY_DEFAULT,
            +[](gpointer data) -> gboolean {
                g_main_loop_quit(static_cast<GMainLoop*>(data));
                return G_SOURCE_REMOVE;
            },
            g_main_loop_ref(rawLoop), reinterpret_cast<GDestroyNotify>(g_main_loop_unref));
    });
    while (!finished) g_main_loop_run(rawLoop);
    worker.join();
    cancel_ = nullptr;
    doneWeight_ += weight;
    if (!series_) hide();
}

}  // namespace platform
