#include "platform/gui/Controls.h"

#include <algorithm>
#include <map>
#include <string>

#include "platform/gui/Gui.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

using detail::WindowData;

namespace {

// Controls take the size the document gives them: no theme minimums. No
// theme transitions either: a new font would otherwise grow in over a
// fifth of a second, and measure and draw at sizes in between.
constexpr const char* kCompactCss =
    "* { transition: none; }"
    "entry, button, combobox button, combobox entry, menubutton, textview, treeview {"
    " min-height: 0; min-width: 0; padding-top: 0; padding-bottom: 0; }"
    " entry, combobox entry { padding-left: 3px; padding-right: 3px; }";

void applyCss(GtkWidget* widget, GtkCssProvider* provider) {
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget),
                                   GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    if (GTK_IS_CONTAINER(widget)) {
        gtk_container_forall(
            GTK_CONTAINER(widget),
            [](GtkWidget* child, gpointer user) { applyCss(child, GTK_CSS_PROVIDER(user)); },
            provider);
    }
}

std::string fontCss(const Controls::Font& font) {
    std::string css = kCompactCss;
    css += " * { font-family: \"" + font.family.toUtf8() +
           "\"; font-size: " + std::to_string(font.pixelHeight) +
           "px; font-weight: " + std::to_string(font.weight) +
           "; font-style: " + (font.italic ? "italic" : "normal") + "; }";
    return css;
}

// The arrow button sits inside the drop-down's own box.
void noArrowFocus(GtkWidget* widget, gpointer) {
    if (GTK_IS_TOGGLE_BUTTON(widget))
        gtk_widget_set_can_focus(widget, FALSE);
    else if (GTK_IS_CONTAINER(widget) && !GTK_IS_ENTRY(widget))
        gtk_container_forall(GTK_CONTAINER(widget), noArrowFocus, nullptr);
}

GtkWidget* newComboWidget(bool editable) {
    GtkWidget* combo = editable ? gtk_combo_box_text_new_with_entry() : gtk_combo_box_text_new();
    if (editable) {
        gtk_entry_set_width_chars(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo))), 1);
        // Tab stops at the field only: the arrow beside it would be a stop
        // that screen readers cannot name (Alt+Down opens the list).
        gtk_container_forall(GTK_CONTAINER(combo), noArrowFocus, nullptr);
    }
    // Long items are cut with an ellipsis instead of widening the box past its place.
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(combo));
    for (GList* cell = cells; cell; cell = cell->next)
        g_object_set(cell->data, "ellipsize", PANGO_ELLIPSIZE_END, "width-chars", 1, nullptr);
    g_list_free(cells);
    return combo;
}

// The menu button of a drop-down with check boxes: its face (the checked
// labels) and an arrow; the popover is added by the caller.
GtkWidget* newCheckDropDownWidget() {
    GtkWidget* button = gtk_menu_button_new();
    GtkWidget* face = gtk_label_new("");
    gtk_label_set_ellipsize(GTK_LABEL(face), PANGO_ELLIPSIZE_END);
    gtk_label_set_xalign(GTK_LABEL(face), 0);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 2);
    gtk_box_pack_start(GTK_BOX(row), face, TRUE, TRUE, 0);
    gtk_box_pack_end(GTK_BOX(row),
                     gtk_image_new_from_icon_name("pan-down-symbolic", GTK_ICON_SIZE_MENU), FALSE,
                     FALSE, 0);
    gtk_container_add(GTK_CONTAINER(button), row);
    g_object_set_data(G_OBJECT(button), "varto-face", face);
    return button;
}

// A widget caches its font and learns of new CSS from its window; a widget
// in no window is never told, so it is told here.
void restyle(GtkWidget* widget, gpointer) {
    g_signal_emit_by_name(widget, "style-updated");
    if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), restyle, nullptr);
}

int textWidth(GtkWidget* widget, const std::string& text) {
    PangoLayout* layout = gtk_widget_create_pango_layout(widget, text.c_str());
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    return width;
}

// The width a drop-down needs to show `text` (its chosen item) in full, as
// GTK measures it: a list's cell view is as wide as its widest item, a
// check drop-down's face as wide as its text; an editable one's entry asks
// for one character, so its chrome (frame, padding, arrow) is its smallest
// width less that character, and the text and the caret come on top.
int widthFor(int kind, GtkWidget* outer, const std::string& text) {
    int smallest = 0, natural = 0;
    if (kind == Controls::kCheckDropDown) {
        auto* face = GTK_LABEL(g_object_get_data(G_OBJECT(outer), "varto-face"));
        const std::string shown = gtk_label_get_text(face);
        gtk_label_set_text(face, text.c_str());
        gtk_widget_get_preferred_width(outer, &smallest, &natural);
        gtk_label_set_text(face, shown.c_str());
        return natural;
    }
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(outer));
    gtk_widget_get_preferred_width(outer, &smallest, &natural);
    if (!GTK_IS_ENTRY(child)) return natural;
    int entrySmallest = 0, entryNatural = 0;
    gtk_widget_get_preferred_width(child, &entrySmallest, &entryNatural);
    GtkStyleContext* style = gtk_widget_get_style_context(child);
    GtkBorder padding, border;
    gtk_style_context_get_padding(style, gtk_style_context_get_state(style), &padding);
    gtk_style_context_get_border(style, gtk_style_context_get_state(style), &border);
    const int character = entrySmallest - padding.left - padding.right - border.left - border.right;
    constexpr int kCaret = 1;
    return smallest - character + textWidth(child, text) + kCaret;
}

WindowData* newControl(int kind, uint32_t id, GtkWidget* outer, GtkWidget* inner) {
    auto* data = new WindowData;
    data->controlKind = kind;
    data->id = id;
    data->outer = outer;
    data->inner = inner;
    data->focusTarget = inner ? inner : outer;
    return data;
}

WindowHandle finish(WindowData* data, WindowHandle parent) {
    data->css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(data->css, kCompactCss, -1, nullptr);
    gtk_widget_show_all(data->outer);
    applyCss(data->outer, data->css);
    WindowHandle handle = detail::addControl(data, parent);
    if (handle) gtk_widget_hide(data->outer);
    return handle;
}

WindowData* control(WindowHandle handle) {
    WindowData* data = detail::find(handle);
    return data && data->controlKind ? data : nullptr;
}

void onChanged(GtkWidget*, gpointer user) {
    detail::notifyParent(static_cast<WindowData*>(user), kTextChanged);
}

void onSelection(GtkWidget*, gpointer user) {
    detail::notifyParent(static_cast<WindowData*>(user), kSelectionChanged);
}

void onComboChanged(GtkComboBox* combo, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    // Typing into an editable combo box is a text change, picking an item a selection.
    detail::notifyParent(data,
                         gtk_combo_box_get_active(combo) >= 0 ? kSelectionChanged : kTextChanged);
}

void onClicked(GtkWidget*, gpointer user) {
    detail::notifyParent(static_cast<WindowData*>(user), kButtonClicked);
}

void onPopoverClosed(GtkWidget*, gpointer user) {
    detail::notifyParent(static_cast<WindowData*>(user), kDropDownClosed);
}

std::string faceText(WindowData* data) {
    std::string text;
    for (GtkWidget* check : data->checks) {
        if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check))) continue;
        if (!text.empty()) text += ", ";
        text += gtk_button_get_label(GTK_BUTTON(check));
    }
    return text;
}

void updateFace(WindowData* data) {
    GtkWidget* label = GTK_WIDGET(g_object_get_data(G_OBJECT(data->inner), "varto-face"));
    if (label) gtk_label_set_text(GTK_LABEL(label), faceText(data).c_str());
}

void onCheckToggled(GtkToggleButton*, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    updateFace(data);
    detail::notifyParent(data, kSelectionChanged);
}

GtkWidget* treeOf(WindowData* data) {
    return data->controlKind == Controls::kListBox ? data->inner : nullptr;
}

}  // namespace

WindowHandle Controls::createEdit(WindowHandle parent, uint32_t id, const ZString& text,
                                  bool password, bool readOnly) {
    if (!Gui::init()) return nullptr;
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
    gtk_entry_set_text(GTK_ENTRY(entry), text.toUtf8().c_str());
    gtk_entry_set_visibility(GTK_ENTRY(entry), !password);
    gtk_editable_set_editable(GTK_EDITABLE(entry), !readOnly);
    WindowData* data = newControl(kEdit, id, entry, entry);
    g_signal_connect(entry, "changed", G_CALLBACK(onChanged), data);
    return finish(data, parent);
}

WindowHandle Controls::createTextArea(WindowHandle parent, uint32_t id, const ZString& text,
                                      bool readOnly) {
    if (!Gui::init()) return nullptr;
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_ALWAYS);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view), !readOnly);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_NONE);
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    gtk_text_buffer_set_text(buffer, text.toUtf8().c_str(), -1);
    gtk_container_add(GTK_CONTAINER(scroller), view);
    WindowData* data = newControl(kTextArea, id, scroller, view);
    g_signal_connect(buffer, "changed", G_CALLBACK(onChanged), data);
    return finish(data, parent);
}

WindowHandle Controls::createListBox(WindowHandle parent, uint32_t id, bool multiple) {
    if (!Gui::init()) return nullptr;
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                   GTK_POLICY_ALWAYS);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    GtkListStore* store = gtk_list_store_new(1, G_TYPE_STRING);
    GtkWidget* tree = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    g_object_unref(store);
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(tree), FALSE);
    gtk_tree_view_append_column(GTK_TREE_VIEW(tree),
                                gtk_tree_view_column_new_with_attributes(
                                    "", gtk_cell_renderer_text_new(), "text", 0, nullptr));
    GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(tree));
    gtk_tree_selection_set_mode(selection,
                                multiple ? GTK_SELECTION_MULTIPLE : GTK_SELECTION_SINGLE);
    gtk_container_add(GTK_CONTAINER(scroller), tree);
    WindowData* data = newControl(kListBox, id, scroller, tree);
    data->store = store;
    g_signal_connect(selection, "changed", G_CALLBACK(onSelection), data);
    return finish(data, parent);
}

WindowHandle Controls::createComboBox(WindowHandle parent, uint32_t id, bool editable) {
    if (!Gui::init()) return nullptr;
    GtkWidget* combo = newComboWidget(editable);
    WindowData* data = newControl(kComboBox, id, combo, combo);
    g_signal_connect(combo, "changed", G_CALLBACK(onComboChanged), data);
    return finish(data, parent);
}

WindowHandle Controls::createCheckDropDown(WindowHandle parent, uint32_t id) {
    if (!Gui::init()) return nullptr;
    GtkWidget* button = newCheckDropDownWidget();
    GtkWidget* popover = gtk_popover_new(button);
    GtkWidget* list = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(popover), list);
    gtk_menu_button_set_popover(GTK_MENU_BUTTON(button), popover);
    g_object_set_data(G_OBJECT(button), "varto-list", list);
    WindowData* data = newControl(kCheckDropDown, id, button, button);
    g_signal_connect(popover, "closed", G_CALLBACK(onPopoverClosed), data);
    return finish(data, parent);
}

WindowHandle Controls::createButton(WindowHandle parent, uint32_t id, const ZString& label) {
    if (!Gui::init()) return nullptr;
    GtkWidget* button = gtk_button_new_with_label(label.toUtf8().c_str());
    WindowData* data = newControl(kButton, id, button, button);
    g_signal_connect(button, "clicked", G_CALLBACK(onClicked), data);
    return finish(data, parent);
}

WindowHandle Controls::createLabel(WindowHandle parent, uint32_t id, const ZString& text) {
    if (!Gui::init()) return nullptr;
    GtkWidget* label = gtk_label_new(text.toUtf8().c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_yalign(GTK_LABEL(label), 0);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    WindowData* data = newControl(kLabel, id, label, nullptr);
    data->focusTarget = nullptr;
    return finish(data, parent);
}

int Controls::kind(WindowHandle handle) {
    WindowData* data = control(handle);
    return data ? data->controlKind : 0;
}

void Controls::setFont(WindowHandle handle, const Font& font) {
    WindowData* data = control(handle);
    if (!data) return;
    gtk_css_provider_load_from_data(data->css, fontCss(font).c_str(), -1, nullptr);
}

int Controls::fitWidth(Kind kind, bool editable, const Font& font,
                       const std::vector<ZString>& labels) {
    if (kind != kComboBox && kind != kCheckDropDown) return 0;
    std::string key = std::to_string(kind) + (editable ? "e" : "") + fontCss(font);
    for (const ZString& label : labels) key += "\n" + label.toUtf8();
    static std::map<std::string, int> measured;
    if (auto found = measured.find(key); found != measured.end()) return found->second;
    if (!Gui::init()) return 0;
    // A twin of the real control, with its items and font, measured in no window.
    GtkWidget* outer = kind == kComboBox ? newComboWidget(editable) : newCheckDropDownWidget();
    g_object_ref_sink(outer);
    if (kind == kComboBox) {
        for (const ZString& label : labels)
            gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(outer), label.toUtf8().c_str());
    }
    gtk_widget_show_all(outer);
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, fontCss(font).c_str(), -1, nullptr);
    applyCss(outer, css);
    restyle(outer, nullptr);
    int width = 0;
    for (const ZString& label : labels)
        width = std::max(width, widthFor(kind, outer, label.toUtf8()));
    if (labels.empty()) width = widthFor(kind, outer, "");
    gtk_widget_destroy(outer);
    g_object_unref(outer);
    g_object_unref(css);
    measured[key] = width;
    return width;
}

int Controls::neededWidth(WindowHandle handle) {
    WindowData* data = control(handle);
    if (!data || (data->controlKind != kComboBox && data->controlKind != kCheckDropDown)) return 0;
    // The size the document gave the control would answer for its own.
    int width = 0, height = 0;
    gtk_widget_get_size_request(data->outer, &width, &height);
    gtk_widget_set_size_request(data->outer, -1, -1);
    const int needed = widthFor(data->controlKind, data->outer, text(handle).toUtf8());
    gtk_widget_set_size_request(data->outer, width, height);
    return needed;
}

ZString Controls::text(WindowHandle handle) {
    WindowData* data = control(handle);
    if (!data) return ZString();
    switch (data->controlKind) {
        case kEdit:
            return ZString::fromUtf8(gtk_entry_get_text(GTK_ENTRY(data->inner)));
        case kTextArea: {
            GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(data->inner));
            GtkTextIter start;
            GtkTextIter end;
            gtk_text_buffer_get_bounds(buffer, &start, &end);
            gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
            ZString result = ZString::fromUtf8(text);
            g_free(text);
            return result;
        }
        case kComboBox: {
            gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(data->inner));
            ZString result = text ? ZString::fromUtf8(text) : ZString();
            g_free(text);
            return result;
        }
        case kCheckDropDown:
            return ZString::fromUtf8(faceText(data));
        case kButton:
            return ZString::fromUtf8(gtk_button_get_label(GTK_BUTTON(data->inner)));
        case kLabel:
            return ZString::fromUtf8(gtk_label_get_text(GTK_LABEL(data->outer)));
        default:
            return ZString();
    }
}

void Controls::setText(WindowHandle handle, const ZString& text) {
    WindowData* data = control(handle);
    if (!data) return;
    const std::string utf8 = text.toUtf8();
    switch (data->controlKind) {
        case kEdit:
            gtk_entry_set_text(GTK_ENTRY(data->inner), utf8.c_str());
            break;
        case kTextArea:
            gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(data->inner)),
                                     utf8.c_str(), -1);
            break;
        case kComboBox:
            if (gtk_combo_box_get_has_entry(GTK_COMBO_BOX(data->inner)))
                gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(data->inner))),
                                   utf8.c_str());
            break;
        case kButton:
            gtk_button_set_label(GTK_BUTTON(data->inner), utf8.c_str());
            break;
        case kLabel:
            gtk_label_set_text(GTK_LABEL(data->outer), utf8.c_str());
            break;
        default:
            break;
    }
}

void Controls::setReadOnly(WindowHandle handle, bool readOnly) {
    WindowData* data = control(handle);
    if (!data) return;
    if (data->controlKind == kEdit) gtk_editable_set_editable(GTK_EDITABLE(data->inner), !readOnly);
    if (data->controlKind == kTextArea)
        gtk_text_view_set_editable(GTK_TEXT_VIEW(data->inner), !readOnly);
}

void Controls::setItems(WindowHandle handle, const std::vector<ZString>& labels) {
    WindowData* data = control(handle);
    if (!data) return;
    data->settingItems = true;
    switch (data->controlKind) {
        case kListBox:
            gtk_list_store_clear(data->store);
            for (const ZString& label : labels) {
                GtkTreeIter row;
                gtk_list_store_append(data->store, &row);
                gtk_list_store_set(data->store, &row, 0, label.toUtf8().c_str(), -1);
            }
            break;
        case kComboBox:
            gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(data->inner));
            for (const ZString& label : labels)
                gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(data->inner),
                                               label.toUtf8().c_str());
            break;
        case kCheckDropDown: {
            auto* list = GTK_WIDGET(g_object_get_data(G_OBJECT(data->inner), "varto-list"));
            for (GtkWidget* check : data->checks) gtk_widget_destroy(check);
            data->checks.clear();
            for (const ZString& label : labels) {
                GtkWidget* check = gtk_check_button_new_with_label(label.toUtf8().c_str());
                g_signal_connect(check, "toggled", G_CALLBACK(onCheckToggled), data);
                gtk_box_pack_start(GTK_BOX(list), check, FALSE, FALSE, 0);
                gtk_widget_show(check);
                data->checks.push_back(check);
            }
            updateFace(data);
            break;
        }
        default:
            break;
    }
    data->settingItems = false;
}

int Controls::itemCount(WindowHandle handle) {
    WindowData* data = control(handle);
    if (!data) return 0;
    switch (data->controlKind) {
        case kListBox:
            return gtk_tree_model_iter_n_children(GTK_TREE_MODEL(data->store), nullptr);
        case kComboBox:
            return gtk_tree_model_iter_n_children(
                gtk_combo_box_get_model(GTK_COMBO_BOX(data->inner)), nullptr);
        case kCheckDropDown:
            return static_cast<int>(data->checks.size());
        default:
            return 0;
    }
}

bool Controls::isSelected(WindowHandle handle, int index) {
    WindowData* data = control(handle);
    if (!data || index < 0) return false;
    switch (data->controlKind) {
        case kListBox: {
            GtkTreePath* path = gtk_tree_path_new_from_indices(index, -1);
            const bool selected = gtk_tree_selection_path_is_selected(
                gtk_tree_view_get_selection(GTK_TREE_VIEW(treeOf(data))), path);
            gtk_tree_path_free(path);
            return selected;
        }
        case kComboBox:
            return gtk_combo_box_get_active(GTK_COMBO_BOX(data->inner)) == index;
        case kCheckDropDown:
            return index < static_cast<int>(data->checks.size()) &&
                   gtk_toggle_button_get_active(
                       GTK_TOGGLE_BUTTON(data->checks[static_cast<size_t>(index)]));
        default:
            return false;
    }
}

void Controls::select(WindowHandle handle, int index, bool selected) {
    WindowData* data = control(handle);
    if (!data || index < 0 || index >= itemCount(handle)) return;
    data->settingItems = true;
    switch (data->controlKind) {
        case kListBox: {
            GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(treeOf(data)));
            GtkTreePath* path = gtk_tree_path_new_from_indices(index, -1);
            if (selected)
                gtk_tree_selection_select_path(selection, path);
            else
                gtk_tree_selection_unselect_path(selection, path);
            gtk_tree_path_free(path);
            break;
        }
        case kComboBox:
            if (selected) gtk_combo_box_set_active(GTK_COMBO_BOX(data->inner), index);
            break;
        case kCheckDropDown:
            gtk_toggle_button_set_active(
                GTK_TOGGLE_BUTTON(data->checks[static_cast<size_t>(index)]), selected);
            updateFace(data);
            break;
        default:
            break;
    }
    data->settingItems = false;
}

}  // namespace platform::gui
