#include "platform/gui/AccessibleArea.h"

#include <gtk/gtk-a11y.h>

#include <algorithm>

#include "platform/gui/WindowData.h"

namespace platform::gui {

using detail::WindowData;

namespace {

WindowData* areaData(GtkWidget* client) {
    return client ? static_cast<WindowData*>(g_object_get_data(G_OBJECT(client), "varto-area"))
                  : nullptr;
}

bool clientHasFocus(WindowData* data) {
    return data && data->client && gtk_widget_has_focus(data->client);
}

}  // namespace

}  // namespace platform::gui

// --- the GObject types: C linkage names as GLib's macros make them

extern "C" {

// One painted item as an accessible object: role, name, description and
// states from the item, its place on the screen, and a "click" action.
struct VartoItemAccessible {
    AtkObject parent;
    platform::gui::detail::WindowData* area;  // null once the window is gone
    int index;
};
struct VartoItemAccessibleClass {
    AtkObjectClass parent_class;
};

static void varto_item_component_init(AtkComponentIface* iface);
static void varto_item_action_init(AtkActionIface* iface);

G_DEFINE_TYPE_WITH_CODE(VartoItemAccessible, varto_item_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, varto_item_component_init)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, varto_item_action_init))

// The client area's accessible: its children are the window's items in
// document order, the native child windows' own objects among them.
struct VartoAreaAccessible {
    GtkContainerAccessible parent;
};
struct VartoAreaAccessibleClass {
    GtkContainerAccessibleClass parent_class;
};

G_DEFINE_TYPE(VartoAreaAccessible, varto_area_accessible, GTK_TYPE_CONTAINER_ACCESSIBLE)

struct VartoClientArea {
    GtkLayout parent;
};
struct VartoClientAreaClass {
    GtkLayoutClass parent_class;
};

G_DEFINE_TYPE(VartoClientArea, varto_client_area, GTK_TYPE_LAYOUT)

}  // extern "C"

namespace platform::gui {

namespace {

#define VARTO_ITEM(object) (reinterpret_cast<VartoItemAccessible*>(object))

const AccessibleItem* itemOf(AtkObject* object) {
    VartoItemAccessible* item = VARTO_ITEM(object);
    if (!item->area || item->index < 0 ||
        item->index >= static_cast<int>(item->area->items.size()))
        return nullptr;
    return &item->area->items[static_cast<size_t>(item->index)];
}

AtkRole roleOf(AccessibleItem::Role role) {
    switch (role) {
        case AccessibleItem::Role::Button:
            return ATK_ROLE_PUSH_BUTTON;
        case AccessibleItem::Role::Link:
            return ATK_ROLE_LINK;
        case AccessibleItem::Role::CheckBox:
            return ATK_ROLE_CHECK_BOX;
        case AccessibleItem::Role::RadioButton:
            return ATK_ROLE_RADIO_BUTTON;
        case AccessibleItem::Role::Label:
            return ATK_ROLE_LABEL;
        default:
            return ATK_ROLE_UNKNOWN;
    }
}

// The widget of a Window item when it is a child of the area now. Controls
// made outside the window layer (the report list) are not registered; their
// handle is found among the area's children without being dereferenced.
GtkWidget* childWidget(WindowData* area, const AccessibleItem& item) {
    if (!area->client) return nullptr;
    if (WindowData* child = detail::find(item.window))
        return gtk_widget_get_parent(child->outer) == area->client ? child->outer : nullptr;
    GtkWidget* found = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(area->client));
    for (GList* child = children; child && !found; child = child->next)
        if (child->data == item.window) found = static_cast<GtkWidget*>(child->data);
    g_list_free(children);
    return found;
}

// The object a native control is named on: the control itself, not its frame.
AtkObject* controlAccessible(WindowHandle window) {
    WindowData* child = detail::find(window);
    if (!child) return nullptr;
    GtkWidget* widget = child->inner ? child->inner : child->outer;
    return gtk_widget_get_accessible(widget);
}

// An editable drop-down's entry takes the focus and is what a screen
// reader announces: it carries the drop-down's name too.
AtkObject* comboEntryAccessible(WindowHandle window) {
    WindowData* child = detail::find(window);
    if (!child || !child->inner || !GTK_IS_COMBO_BOX(child->inner) ||
        !gtk_combo_box_get_has_entry(GTK_COMBO_BOX(child->inner)))
        return nullptr;
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(child->inner));
    return entry ? gtk_widget_get_accessible(entry) : nullptr;
}

void setText(AtkObject* object, const AccessibleItem& item) {
    const std::string name = item.name.toUtf8();
    const std::string description = item.description.toUtf8();
    const char* oldName = atk_object_get_name(object);
    if (!oldName || name != oldName) atk_object_set_name(object, name.c_str());
    const char* oldDescription = atk_object_get_description(object);
    if (!oldDescription || description != oldDescription)
        atk_object_set_description(object, description.c_str());
}

AtkObject* makeItemObject(WindowData* data, int index) {
    auto* object = static_cast<AtkObject*>(g_object_new(varto_item_accessible_get_type(), nullptr));
    VARTO_ITEM(object)->area = data;
    VARTO_ITEM(object)->index = index;
    const AccessibleItem& item = data->items[static_cast<size_t>(index)];
    atk_object_set_role(object, roleOf(item.role));
    setText(object, item);
    if (data->areaAccessible) atk_object_set_parent(object, data->areaAccessible);
    return object;
}

// The object of item `index`: the native control's own, or ours made now.
AtkObject* objectAt(WindowData* data, int index) {
    const AccessibleItem& item = data->items[static_cast<size_t>(index)];
    if (item.role == AccessibleItem::Role::Window) {
        GtkWidget* widget = childWidget(data, item);
        return widget ? gtk_widget_get_accessible(widget) : nullptr;
    }
    data->itemObjects.resize(data->items.size(), nullptr);
    AtkObject*& object = data->itemObjects[static_cast<size_t>(index)];
    if (!object) object = makeItemObject(data, index);
    return object;
}

// Child windows the items do not place (a web view over the document):
// after the items, in the order they were made.
std::vector<GtkWidget*> unplacedChildren(WindowData* data) {
    std::vector<GtkWidget*> out;
    GList* children = gtk_container_get_children(GTK_CONTAINER(data->client));
    for (GList* child = children; child; child = child->next) {
        auto* widget = static_cast<GtkWidget*>(child->data);
        const bool placed = std::any_of(data->items.begin(), data->items.end(), [&](const AccessibleItem& item) {
            return item.role == AccessibleItem::Role::Window && childWidget(data, item) == widget;
        });
        if (!placed) out.push_back(widget);
    }
    g_list_free(children);
    return out;
}

void dropRelations(WindowData* data) {
    for (auto& [label, control] : data->labelRelations) {
        atk_object_remove_relationship(label, ATK_RELATION_LABEL_FOR, control);
        atk_object_remove_relationship(control, ATK_RELATION_LABELLED_BY, label);
        g_object_unref(label);
        g_object_unref(control);
    }
    data->labelRelations.clear();
}

// Labels and the fields they name point at each other; a native field also
// takes the label's text as its name and the tooltip as its description.
void relateLabels(WindowData* data) {
    dropRelations(data);
    for (size_t i = 0; i < data->items.size(); ++i) {
        const AccessibleItem& item = data->items[i];
        if (item.role == AccessibleItem::Role::Window) {
            AtkObject* control = controlAccessible(item.window);
            if (control && !item.name.isEmpty()) setText(control, item);
            if (AtkObject* entry = comboEntryAccessible(item.window); entry && !item.name.isEmpty())
                setText(entry, item);
        }
        if (item.role != AccessibleItem::Role::Label || item.labelFor < 0 ||
            item.labelFor >= static_cast<int>(data->items.size()))
            continue;
        const AccessibleItem& target = data->items[static_cast<size_t>(item.labelFor)];
        AtkObject* control = target.role == AccessibleItem::Role::Window
                                 ? controlAccessible(target.window)
                                 : objectAt(data, item.labelFor);
        AtkObject* label = objectAt(data, static_cast<int>(i));
        if (!control || !label) continue;
        atk_object_add_relationship(label, ATK_RELATION_LABEL_FOR, control);
        atk_object_add_relationship(control, ATK_RELATION_LABELLED_BY, label);
        g_object_ref(label);
        g_object_ref(control);
        data->labelRelations.emplace_back(label, control);
    }
}

void makeDefunct(AtkObject* object) {
    VARTO_ITEM(object)->area = nullptr;
    atk_object_notify_state_change(object, ATK_STATE_DEFUNCT, TRUE);
    g_object_unref(object);
}

bool sameShape(const std::vector<AccessibleItem>& a, const std::vector<AccessibleItem>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].role != b[i].role || a[i].window != b[i].window) return false;
    return true;
}

void notifyStates(AtkObject* object, const AccessibleItem& before, const AccessibleItem& now) {
    if (before.checked != now.checked)
        atk_object_notify_state_change(object, ATK_STATE_CHECKED, now.checked);
    if (before.pressed != now.pressed)
        atk_object_notify_state_change(object, ATK_STATE_PRESSED, now.pressed);
    if (before.disabled != now.disabled) {
        atk_object_notify_state_change(object, ATK_STATE_ENABLED, !now.disabled);
        atk_object_notify_state_change(object, ATK_STATE_SENSITIVE, !now.disabled);
    }
    if (before.showing != now.showing)
        atk_object_notify_state_change(object, ATK_STATE_SHOWING, now.showing);
}

void deliverFocus(WindowData* data, int index) {
    const int before = data->focusItem;
    data->focusItem = index;
    if (before == index) return;
    auto objectIfMade = [data](int at) -> AtkObject* {
        if (at < 0 || at >= static_cast<int>(data->itemObjects.size())) return nullptr;
        return data->itemObjects[static_cast<size_t>(at)];
    };
    if (AtkObject* old = objectIfMade(before))
        atk_object_notify_state_change(old, ATK_STATE_FOCUSED, FALSE);
    if (data->areaAccessible && index >= 0 && index < static_cast<int>(data->items.size()))
        if (AtkObject* now = objectAt(data, index))
            atk_object_notify_state_change(now, ATK_STATE_FOCUSED, TRUE);
    Message m = Message::make(Msg::FocusItem);
    m.code = index;
    detail::deliver(data, m);
}

struct PendingAction {
    WindowHandle window;
    int index;
};

gboolean runAction(gpointer user) {
    auto* pending = static_cast<PendingAction*>(user);
    if (WindowData* data = detail::find(pending->window)) {
        Message m = Message::make(Msg::ItemAction);
        m.code = pending->index;
        detail::deliver(data, m);
    }
    delete pending;
    return G_SOURCE_REMOVE;
}

bool canTakeFocus(const AccessibleItem& item) {
    return item.role != AccessibleItem::Role::Window && item.focusable && !item.disabled &&
           item.showing;
}

}  // namespace

}  // namespace platform::gui

// --- GObject class functions

using platform::gui::AccessibleItem;

extern "C" {

static AtkStateSet* varto_item_ref_state_set(AtkObject* object) {
    AtkStateSet* states =
        ATK_OBJECT_CLASS(varto_item_accessible_parent_class)->ref_state_set(object);
    const AccessibleItem* item = platform::gui::itemOf(object);
    if (!item) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    VartoItemAccessible* self = VARTO_ITEM(object);
    if (!item->disabled) {
        atk_state_set_add_state(states, ATK_STATE_ENABLED);
        atk_state_set_add_state(states, ATK_STATE_SENSITIVE);
    }
    if (item->showing) {
        atk_state_set_add_state(states, ATK_STATE_VISIBLE);
        atk_state_set_add_state(states, ATK_STATE_SHOWING);
    }
    if (item->focusable) atk_state_set_add_state(states, ATK_STATE_FOCUSABLE);
    if (self->area->focusItem == self->index && platform::gui::clientHasFocus(self->area))
        atk_state_set_add_state(states, ATK_STATE_FOCUSED);
    if (item->pressed) atk_state_set_add_state(states, ATK_STATE_PRESSED);
    if (item->role == AccessibleItem::Role::CheckBox ||
        item->role == AccessibleItem::Role::RadioButton) {
        atk_state_set_add_state(states, ATK_STATE_CHECKABLE);
        if (item->checked) atk_state_set_add_state(states, ATK_STATE_CHECKED);
    }
    return states;
}

static gint varto_item_get_index_in_parent(AtkObject* object) {
    return platform::gui::itemOf(object) ? VARTO_ITEM(object)->index : -1;
}

static void varto_item_accessible_class_init(VartoItemAccessibleClass* klass) {
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->ref_state_set = varto_item_ref_state_set;
    atk->get_index_in_parent = varto_item_get_index_in_parent;
}

static void varto_item_accessible_init(VartoItemAccessible* self) {
    self->area = nullptr;
    self->index = -1;
}

static void varto_item_get_extents(AtkComponent* component, gint* x, gint* y, gint* width,
                                   gint* height, AtkCoordType coords) {
    *x = *y = *width = *height = 0;
    const AccessibleItem* item = platform::gui::itemOf(ATK_OBJECT(component));
    if (!item) return;
    VartoItemAccessible* self = VARTO_ITEM(component);
    GdkWindow* bin = gtk_layout_get_bin_window(GTK_LAYOUT(self->area->client));
    if (!bin) return;
    gint originX = 0;
    gint originY = 0;
    gdk_window_get_origin(bin, &originX, &originY);
    if (coords == ATK_XY_WINDOW) {
        gint topX = 0;
        gint topY = 0;
        gdk_window_get_origin(gdk_window_get_toplevel(bin), &topX, &topY);
        originX -= topX;
        originY -= topY;
    }
    *x = originX + item->rect.left;
    *y = originY + item->rect.top;
    *width = item->rect.width();
    *height = item->rect.height();
}

static gboolean varto_item_grab_focus(AtkComponent* component) {
    const AccessibleItem* item = platform::gui::itemOf(ATK_OBJECT(component));
    if (!item || !platform::gui::canTakeFocus(*item)) return FALSE;
    VartoItemAccessible* self = VARTO_ITEM(component);
    platform::gui::AccessibleArea::focusItem(self->area->outer, self->index);
    return TRUE;
}

static void varto_item_component_init(AtkComponentIface* iface) {
    iface->get_extents = varto_item_get_extents;
    iface->grab_focus = varto_item_grab_focus;
}

static gint varto_item_get_n_actions(AtkAction* action) {
    const AccessibleItem* item = platform::gui::itemOf(ATK_OBJECT(action));
    return item && item->role != AccessibleItem::Role::Label ? 1 : 0;
}

static const gchar* varto_item_get_action_name(AtkAction* action, gint i) {
    return i == 0 && varto_item_get_n_actions(action) ? "click" : nullptr;
}

static gboolean varto_item_do_action(AtkAction* action, gint i) {
    const AccessibleItem* item = platform::gui::itemOf(ATK_OBJECT(action));
    if (i != 0 || !item || item->role == AccessibleItem::Role::Label || item->disabled)
        return FALSE;
    VartoItemAccessible* self = VARTO_ITEM(action);
    g_idle_add(platform::gui::runAction,
               new platform::gui::PendingAction{self->area->outer, self->index});
    return TRUE;
}

static void varto_item_action_init(AtkActionIface* iface) {
    iface->get_n_actions = varto_item_get_n_actions;
    iface->get_name = varto_item_get_action_name;
    iface->do_action = varto_item_do_action;
}

static platform::gui::detail::WindowData* areaOfAccessible(AtkObject* object) {
    return platform::gui::areaData(gtk_accessible_get_widget(GTK_ACCESSIBLE(object)));
}

static gint varto_area_get_n_children(AtkObject* object) {
    platform::gui::detail::WindowData* data = areaOfAccessible(object);
    if (!data || data->items.empty())
        return ATK_OBJECT_CLASS(varto_area_accessible_parent_class)->get_n_children(object);
    return static_cast<gint>(data->items.size() + platform::gui::unplacedChildren(data).size());
}

static AtkObject* varto_area_ref_child(AtkObject* object, gint index) {
    platform::gui::detail::WindowData* data = areaOfAccessible(object);
    if (!data || data->items.empty())
        return ATK_OBJECT_CLASS(varto_area_accessible_parent_class)->ref_child(object, index);
    if (index < 0) return nullptr;
    data->areaAccessible = object;
    AtkObject* child = nullptr;
    if (index < static_cast<gint>(data->items.size())) {
        child = platform::gui::objectAt(data, index);
    } else {
        const auto extra = platform::gui::unplacedChildren(data);
        const size_t at = static_cast<size_t>(index) - data->items.size();
        if (at < extra.size()) child = gtk_widget_get_accessible(extra[at]);
    }
    return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}

static void varto_area_initialize(AtkObject* object, gpointer widget) {
    ATK_OBJECT_CLASS(varto_area_accessible_parent_class)->initialize(object, widget);
    if (platform::gui::detail::WindowData* data = platform::gui::areaData(GTK_WIDGET(widget))) {
        data->areaAccessible = object;
        platform::gui::relateLabels(data);
    }
}

static void varto_area_accessible_class_init(VartoAreaAccessibleClass* klass) {
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_n_children = varto_area_get_n_children;
    atk->ref_child = varto_area_ref_child;
    atk->initialize = varto_area_initialize;
}

static void varto_area_accessible_init(VartoAreaAccessible*) {}

static void varto_client_area_class_init(VartoClientAreaClass* klass) {
    gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass),
                                         varto_area_accessible_get_type());
}

static void varto_client_area_init(VartoClientArea*) {}

}  // extern "C"

namespace platform::gui {

GtkWidget* detail::newClientArea(WindowData* data) {
    GtkWidget* client = GTK_WIDGET(g_object_new(varto_client_area_get_type(), nullptr));
    g_object_set_data(G_OBJECT(client), "varto-area", data);
    return client;
}

void detail::releaseAccessibles(WindowData* data) {
    dropRelations(data);
    for (AtkObject* object : data->itemObjects)
        if (object) makeDefunct(object);
    data->itemObjects.clear();
    data->items.clear();
    if (data->client) g_object_set_data(G_OBJECT(data->client), "varto-area", nullptr);
    data->areaAccessible = nullptr;
}

bool detail::moveFocusThroughItems(WindowData* data, GtkDirectionType direction, gboolean* moved) {
    if (data->items.empty()) return false;
    GtkWidget* client = data->client;
    // A stop is a child window or a painted item; `order` is its item's index.
    struct Stop {
        GtkWidget* widget;
        int order;
    };
    std::vector<Stop> stops;
    for (size_t i = 0; i < data->items.size(); ++i) {
        const AccessibleItem& item = data->items[i];
        if (item.role == AccessibleItem::Role::Window) {
            if (GtkWidget* widget = childWidget(data, item))
                stops.push_back({widget, static_cast<int>(i)});
        } else if (canTakeFocus(item)) {
            stops.push_back({nullptr, static_cast<int>(i)});
        }
    }
    const bool forward = direction == GTK_DIR_TAB_FORWARD;
    // Where the focus is now, as an item index: before the first or after
    // the last when it comes from outside. An item that went off meanwhile
    // still marks the place.
    double from = forward ? -1 : static_cast<double>(data->items.size());
    GtkWidget* current = gtk_container_get_focus_child(GTK_CONTAINER(client));
    if (current) {
        auto found = std::find_if(stops.begin(), stops.end(),
                                  [&](const Stop& stop) { return stop.widget == current; });
        if (found != stops.end()) {
            if (gtk_widget_child_focus(current, direction)) {  // inside a nested frame
                *moved = TRUE;
                return true;
            }
            from = found->order;
        }
    } else if (gtk_widget_has_focus(client) && data->focusItem >= 0) {
        from = data->focusItem;
    }
    const int count = static_cast<int>(stops.size());
    for (int k = 0; k < count; ++k) {
        const Stop& stop = stops[static_cast<size_t>(forward ? k : count - 1 - k)];
        if (forward ? stop.order <= from : stop.order >= from) continue;
        if (stop.widget) {
            if (gtk_widget_is_visible(stop.widget) && gtk_widget_is_sensitive(stop.widget) &&
                gtk_widget_child_focus(stop.widget, direction)) {
                deliverFocus(data, -1);
                *moved = TRUE;
                return true;
            }
            continue;
        }
        if (!gtk_widget_has_focus(client)) gtk_widget_grab_focus(client);
        deliverFocus(data, stop.order);
        *moved = TRUE;
        return true;
    }
    // Past the last (or first) stop: the focus leaves the area.
    deliverFocus(data, -1);
    g_signal_stop_emission_by_name(client, "focus");
    *moved = FALSE;
    return true;
}

void AccessibleArea::setItems(WindowHandle window, std::vector<AccessibleItem> items) {
    WindowData* data = detail::find(window);
    if (!data || !data->client || data->items == items) return;
    std::vector<AccessibleItem> before = std::move(data->items);
    data->items = std::move(items);
    // An item that went off keeps the focus (Enter does nothing there), so
    // Tab goes on from its place; an item that is gone loses it.
    const int focus = data->focusItem;
    if (focus >= 0 && (focus >= static_cast<int>(data->items.size()) ||
                       focus >= static_cast<int>(before.size()) ||
                       before[static_cast<size_t>(focus)].role !=
                           data->items[static_cast<size_t>(focus)].role))
        deliverFocus(data, -1);
    if (!data->areaAccessible) return;  // nobody listens
    if (sameShape(before, data->items)) {
        for (size_t i = 0; i < data->itemObjects.size(); ++i) {
            AtkObject* object = data->itemObjects[i];
            if (!object) continue;
            setText(object, data->items[i]);
            notifyStates(object, before[i], data->items[i]);
        }
        relateLabels(data);
        return;
    }
    // The shape changed (another language, rows added): the children go
    // and come again.
    dropRelations(data);
    std::vector<AtkObject*> old = std::move(data->itemObjects);
    data->itemObjects.clear();
    for (size_t i = before.size(); i-- > 0;) {
        AtkObject* object = i < old.size() ? old[i] : nullptr;
        g_signal_emit_by_name(data->areaAccessible, "children-changed::remove",
                              static_cast<guint>(i), object);
    }
    for (AtkObject* object : old)
        if (object) makeDefunct(object);
    for (size_t i = 0; i < data->items.size(); ++i) {
        AtkObject* object = objectAt(data, static_cast<int>(i));
        g_signal_emit_by_name(data->areaAccessible, "children-changed::add",
                              static_cast<guint>(i), object);
    }
    relateLabels(data);
}

const std::vector<AccessibleItem>* AccessibleArea::items(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data ? &data->items : nullptr;
}

void AccessibleArea::focusItem(WindowHandle window, int index) {
    WindowData* data = detail::find(window);
    if (!data || !data->client) return;
    if (index >= static_cast<int>(data->items.size())) index = -1;
    if (index >= 0 && !gtk_widget_has_focus(data->client)) gtk_widget_grab_focus(data->client);
    deliverFocus(data, index);
}

int AccessibleArea::focusedItem(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data ? data->focusItem : -1;
}

}  // namespace platform::gui

namespace platform::gui {

void AccessibleArea::labelControl(WindowHandle label, WindowHandle control) {
    WindowData* labelData = detail::find(label);
    WindowData* controlData = detail::find(control);
    if (!labelData || !controlData || !GTK_IS_LABEL(labelData->outer)) return;
    GtkWidget* target = controlData->inner ? controlData->inner : controlData->outer;
    gtk_label_set_mnemonic_widget(GTK_LABEL(labelData->outer), target);
    // The relation alone leaves the field nameless for some readers.
    atk_object_set_name(gtk_widget_get_accessible(target),
                        gtk_label_get_text(GTK_LABEL(labelData->outer)));
}

}  // namespace platform::gui
