#include "platform/gui/ReportList.h"

#include <gtk/gtk.h>

#include <string>

#include "platform/GlibHandles.h"
#include "platform/PopupMenu.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

namespace {

constexpr int kDataColumn = 3;
constexpr int kTooltipColumn = 4;
constexpr int kTextColumns = 3;

GdkRGBA toRgba(uint32_t color) {
    return GdkRGBA{(color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                   ((color >> 16) & 0xFF) / 255.0, 1.0};
}

std::string cssColor(uint32_t color) {
    char text[8];
    snprintf(text, sizeof(text), "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF,
             (color >> 16) & 0xFF);
    return text;
}

}  // namespace

struct ReportList::Impl {
    ReportList::Handlers handlers;
    GtkWidget* scroller = nullptr;
    GtkWidget* view = nullptr;
    GtkListStore* store = nullptr;
    GtkCssProvider* css = nullptr;
    std::vector<GtkTreeViewColumn*> columns;
    bool leftControlDown = false;

    int rowOf(GtkTreePath* path) const { return path ? gtk_tree_path_get_indices(path)[0] : -1; }
    bool iterAt(int row, GtkTreeIter& iter) const {
        return row >= 0 &&
               gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(store), &iter, nullptr, row);
    }
    int rowAtPoint(double x, double y) const {
        GtkTreePath* path = nullptr;
        if (!gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(view), static_cast<int>(x),
                                           static_cast<int>(y), &path, nullptr, nullptr, nullptr)) {
            return -1;
        }
        int row = rowOf(path);
        gtk_tree_path_free(path);
        return row;
    }
};

namespace {

struct CellContext {
    ReportList::Impl* impl;
    int column;
};

void renderCell(GtkTreeViewColumn*, GtkCellRenderer* renderer, GtkTreeModel* model,
                GtkTreeIter* iter, gpointer data) {
    auto* cell = static_cast<CellContext*>(data);
    ReportList::Impl* impl = cell->impl;
    GtkTreePath* path = gtk_tree_model_get_path(model, iter);
    int row = impl->rowOf(path);
    gtk_tree_path_free(path);
    gchar* raw = nullptr;
    gtk_tree_model_get(model, iter, cell->column, &raw, -1);
    GCharPtr text(raw);
    bool selected = gtk_tree_selection_iter_is_selected(
        gtk_tree_view_get_selection(GTK_TREE_VIEW(impl->view)), iter);
    ReportList::CellLook look;
    if (impl->handlers.cellLook) look = impl->handlers.cellLook(row, cell->column, selected);
    GdkRGBA background = toRgba(look.background);
    GCharPtr escaped(g_markup_escape_text(raw ? raw : "", -1));
    // Markup colours hold on selected rows too, where a plain foreground
    // would give way to the theme's.
    std::string markup =
        "<span foreground=\"" + cssColor(look.text) + "\">" + escaped.get() + "</span>";
    g_object_set(renderer, "cell-background-rgba", &background, "markup", markup.c_str(), nullptr);
}

gboolean onButtonPress(GtkWidget*, GdkEventButton* event, ReportList::Impl* impl) {
    int row = impl->rowAtPoint(event->x, event->y);
    if (event->type == GDK_2BUTTON_PRESS) {
        if (impl->handlers.onClick) impl->handlers.onClick(row, event->button, true);
        return FALSE;
    }
    if (event->type != GDK_BUTTON_PRESS || event->button != 3) return FALSE;
    // A right click selects its row first, as a left click does.
    GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(impl->view));
    GtkTreeIter iter;
    if (impl->iterAt(row, iter)) gtk_tree_selection_select_iter(selection, &iter);
    if (impl->handlers.onClick) impl->handlers.onClick(row, 3, false);
    return TRUE;
}

gboolean onButtonRelease(GtkWidget*, GdkEventButton* event, ReportList::Impl* impl) {
    if (event->button == 1 && impl->handlers.onClick) {
        impl->handlers.onClick(impl->rowAtPoint(event->x, event->y), 1, false);
    }
    return FALSE;
}

gboolean onKey(GtkWidget*, GdkEventKey* event, ReportList::Impl* impl) {
    bool release = event->type == GDK_KEY_RELEASE;
    if (event->keyval == GDK_KEY_Control_L) impl->leftControlDown = !release;
    if (!impl->handlers.onKey) return FALSE;
    return impl->handlers.onKey(event->keyval, release, impl->leftControlDown);
}

gboolean onFocusOut(GtkWidget*, GdkEvent*, ReportList::Impl* impl) {
    impl->leftControlDown = false;
    return FALSE;
}

std::vector<ZString> pathsOfUris(gchar** uris) {
    std::vector<ZString> paths;
    for (gchar** uri = uris; uri && *uri; ++uri) {
        GCharPtr path(g_filename_from_uri(*uri, nullptr, nullptr));
        if (path) paths.push_back(ZString::fromUtf8(path.get()));
    }
    return paths;
}

void onDragDataReceived(GtkWidget*, GdkDragContext* context, int, int, GtkSelectionData* data,
                        guint, guint time, ReportList::Impl* impl) {
    gchar** uris = gtk_selection_data_get_uris(data);
    std::vector<ZString> paths = pathsOfUris(uris);
    g_strfreev(uris);
    gtk_drag_finish(context, !paths.empty(), FALSE, time);
    if (!paths.empty() && impl->handlers.onDrop) impl->handlers.onDrop(paths);
}

}  // namespace

ReportList::ReportList(const std::vector<Column>& columns, Handlers handlers)
    : impl_(std::make_unique<Impl>()) {
    Impl* impl = impl_.get();
    impl->handlers = std::move(handlers);
    impl->store =
        gtk_list_store_new(5, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_POINTER,
                           G_TYPE_STRING);
    impl->view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(impl->store));
    GtkTreeView* view = GTK_TREE_VIEW(impl->view);
    gtk_tree_view_set_tooltip_column(view, kTooltipColumn);
    gtk_tree_view_set_enable_search(view, FALSE);
    gtk_tree_view_set_headers_clickable(view, FALSE);
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(view), GTK_SELECTION_SINGLE);
    for (int i = 0; i < static_cast<int>(columns.size()) && i < kTextColumns; ++i) {
        GtkCellRenderer* renderer = gtk_cell_renderer_text_new();
        g_object_set(renderer, "xalign", columns[i].alignRight ? 1.0 : 0.0, "ellipsize",
                     PANGO_ELLIPSIZE_END, nullptr);
        GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(
            columns[i].title.toUtf8().c_str(), renderer, nullptr);
        gtk_tree_view_column_set_alignment(column, columns[i].alignRight ? 1.0f : 0.0f);
        gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
        gtk_tree_view_column_set_fixed_width(column, columns[i].width);
        gtk_tree_view_column_set_resizable(column, TRUE);
        auto* cell = new CellContext{impl, i};
        gtk_tree_view_column_set_cell_data_func(
            column, renderer, &renderCell, cell,
            +[](gpointer data) { delete static_cast<CellContext*>(data); });
        gtk_tree_view_append_column(view, column);
        impl->columns.push_back(column);
    }
    impl->scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(impl->scroller), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_container_add(GTK_CONTAINER(impl->scroller), impl->view);
    g_object_ref_sink(impl->scroller);
    impl->css = gtk_css_provider_new();
    gtk_style_context_add_provider(gtk_widget_get_style_context(impl->view),
                                   GTK_STYLE_PROVIDER(impl->css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

    g_signal_connect(impl->view, "button-press-event", G_CALLBACK(onButtonPress), impl);
    g_signal_connect(impl->view, "button-release-event", G_CALLBACK(onButtonRelease), impl);
    g_signal_connect(impl->view, "key-press-event", G_CALLBACK(onKey), impl);
    g_signal_connect(impl->view, "key-release-event", G_CALLBACK(onKey), impl);
    g_signal_connect(impl->view, "focus-out-event", G_CALLBACK(onFocusOut), impl);
    static GtkTargetEntry uriTarget = {const_cast<gchar*>("text/uri-list"), 0, 0};
    gtk_drag_dest_set(impl->view, GTK_DEST_DEFAULT_ALL, &uriTarget, 1, GDK_ACTION_COPY);
    g_signal_connect(impl->view, "drag-data-received", G_CALLBACK(onDragDataReceived), impl);
    gtk_widget_show_all(impl->scroller);
}

ReportList::~ReportList() {
    gtk_widget_destroy(impl_->scroller);
    g_object_unref(impl_->scroller);
    g_object_unref(impl_->store);
    g_object_unref(impl_->css);
}

WindowHandle ReportList::widget() const { return impl_->scroller; }

void ReportList::place(WindowHandle parent, int x, int y, int width, int height) {
    GtkWidget* client = detail::clientOf(parent);
    if (!client) return;
    gtk_widget_set_size_request(impl_->scroller, std::max(width, 1), std::max(height, 1));
    GtkWidget* current = gtk_widget_get_parent(impl_->scroller);
    if (current == client) {
        gtk_layout_move(GTK_LAYOUT(client), impl_->scroller, x, y);
    } else {
        if (current) gtk_container_remove(GTK_CONTAINER(current), impl_->scroller);
        gtk_layout_put(GTK_LAYOUT(client), impl_->scroller, x, y);
    }
    gtk_widget_show_all(impl_->scroller);
}

void ReportList::setFonts(int rowPixels, const ZString& headerFamily, int headerPixels,
                          bool headerBold, uint32_t headerColor) {
    std::string family = headerFamily.toUtf8();
    std::string css =
        "treeview.view { font-size: " + std::to_string(rowPixels) +
        "px; }\n"
        // The selected row is light grey with black text, not the theme's
        // highlight.
        "treeview.view:selected, treeview.view:selected:focus { background-color: #F0F0F0; "
        "color: #000000; }\n"
        "treeview.view header button, treeview.view header button label { font-family: \"" +
        family + "\"; font-size: " + std::to_string(headerPixels) +
        "px; font-weight: " + (headerBold ? "bold" : "normal") +
        "; color: " + cssColor(headerColor) + "; }\n";
    gtk_css_provider_load_from_data(impl_->css, css.c_str(), -1, nullptr);
    // Header buttons are children with style contexts of their own.
    for (GtkTreeViewColumn* column : impl_->columns) {
        GtkWidget* button = gtk_tree_view_column_get_button(column);
        if (!button) continue;
        gtk_style_context_add_provider(gtk_widget_get_style_context(button),
                                       GTK_STYLE_PROVIDER(impl_->css),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        GtkWidget* child = gtk_bin_get_child(GTK_BIN(button));
        if (child) {
            gtk_style_context_add_provider(gtk_widget_get_style_context(child),
                                           GTK_STYLE_PROVIDER(impl_->css),
                                           GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        }
    }
}

void ReportList::setColumnWidth(int column, int width) {
    if (column < 0 || column >= static_cast<int>(impl_->columns.size())) return;
    gtk_tree_view_column_set_fixed_width(impl_->columns[column], std::max(width, 1));
}

int ReportList::rowCount() const {
    return gtk_tree_model_iter_n_children(GTK_TREE_MODEL(impl_->store), nullptr);
}

int ReportList::appendRow(const ZString& firstText, void* data) {
    GtkTreeIter iter;
    gtk_list_store_append(impl_->store, &iter);
    gtk_list_store_set(impl_->store, &iter, 0, firstText.toUtf8().c_str(), 1, "", 2, "",
                       kDataColumn, data, -1);
    return rowCount() - 1;
}

void ReportList::setText(int row, int column, const ZString& text) {
    GtkTreeIter iter;
    if (column < 0 || column >= kTextColumns || !impl_->iterAt(row, iter)) return;
    gtk_list_store_set(impl_->store, &iter, column, text.toUtf8().c_str(), -1);
}

void ReportList::setTooltip(int row, const ZString& text) {
    GtkTreeIter iter;
    if (!impl_->iterAt(row, iter)) return;
    // The column holds markup; an empty one shows no tooltip.
    GCharPtr escaped(g_markup_escape_text(text.toDisplayUtf8().c_str(), -1));
    gtk_list_store_set(impl_->store, &iter, kTooltipColumn, text.isEmpty() ? nullptr : escaped.get(),
                       -1);
}

void* ReportList::rowData(int row) const {
    GtkTreeIter iter;
    if (!impl_->iterAt(row, iter)) return nullptr;
    void* data = nullptr;
    gtk_tree_model_get(GTK_TREE_MODEL(impl_->store), &iter, kDataColumn, &data, -1);
    return data;
}

void ReportList::removeRow(int row) {
    GtkTreeIter iter;
    if (impl_->iterAt(row, iter)) gtk_list_store_remove(impl_->store, &iter);
}

void ReportList::redrawRow(int row) {
    GtkTreeIter iter;
    if (!impl_->iterAt(row, iter)) return;
    GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(impl_->store), &iter);
    gtk_tree_model_row_changed(GTK_TREE_MODEL(impl_->store), path, &iter);
    gtk_tree_path_free(path);
}

void ReportList::redrawAll() { gtk_widget_queue_draw(impl_->view); }

int ReportList::selectedRow() const {
    GtkTreeIter iter;
    GtkTreeModel* model = nullptr;
    if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(impl_->view)),
                                         &model, &iter)) {
        return -1;
    }
    GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
    int row = impl_->rowOf(path);
    gtk_tree_path_free(path);
    return row;
}

void ReportList::selectRow(int row, bool focus) {
    GtkTreeIter iter;
    if (!impl_->iterAt(row, iter)) return;
    GtkTreeView* view = GTK_TREE_VIEW(impl_->view);
    GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(impl_->store), &iter);
    if (focus) gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
    gtk_tree_selection_select_iter(gtk_tree_view_get_selection(view), &iter);
    gtk_tree_view_scroll_to_cell(view, path, nullptr, FALSE, 0, 0);
    gtk_tree_path_free(path);
}

int ReportList::popupMenu(const std::vector<ZString>& items) {
    return platform::popupMenu(impl_->view, items);
}

}  // namespace platform::gui
