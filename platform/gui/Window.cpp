#include "platform/gui/Window.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/gfx/Dc.h"
#include "platform/gui/Gui.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

namespace detail {
namespace {

std::mutex& registryLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_map<WindowHandle, WindowData*>& registry() {
    static std::unordered_map<WindowHandle, WindowData*> windows;
    return windows;
}

void freeData(gpointer data) {
    auto* window = static_cast<WindowData*>(data);
    if (window->cursor) g_object_unref(window->cursor);
    if (window->css) g_object_unref(window->css);
    delete window;
}

}  // namespace

WindowData* find(WindowHandle window) {
    if (!window) return nullptr;
    std::lock_guard<std::mutex> guard(registryLock());
    auto it = registry().find(window);
    return it == registry().end() || it->second->dead ? nullptr : it->second;
}

void registerWindow(WindowData* data) {
    g_object_set_data_full(G_OBJECT(data->outer), "varto-window", data, freeData);
    std::lock_guard<std::mutex> guard(registryLock());
    registry()[data->outer] = data;
}

void unregisterWindow(WindowData* data) {
    std::lock_guard<std::mutex> guard(registryLock());
    registry().erase(data->outer);
}

intptr_t deliver(WindowData* data, Message& message) {
    if (!data || data->dead || !data->sink) return 0;
    message.window = data->outer;
    return data->sink->onWindowMessage(message);
}

GtkWidget* clientOf(WindowHandle parent) {
    WindowData* data = find(parent);
    return data ? data->client : nullptr;
}

GtkWindow* gtkWindowOf(WindowHandle window) {
    if (WindowData* data = find(window)) {
        GtkWidget* top = gtk_widget_get_toplevel(data->outer);
        if (GTK_IS_WINDOW(top)) return GTK_WINDOW(top);
    }
    return nullptr;
}

}  // namespace detail

using detail::WindowData;

namespace {

GdkWindow* binWindow(WindowData* data) {
    return data->client ? gtk_layout_get_bin_window(GTK_LAYOUT(data->client)) : nullptr;
}

uint32_t keyStateOf(guint state) {
    uint32_t keys = 0;
    if (state & GDK_BUTTON1_MASK) keys |= kKeyLeftButton;
    if (state & GDK_BUTTON3_MASK) keys |= kKeyRightButton;
    if (state & GDK_BUTTON2_MASK) keys |= kKeyMiddleButton;
    if (state & GDK_SHIFT_MASK) keys |= kKeyShift;
    if (state & GDK_CONTROL_MASK) keys |= kKeyControl;
    return keys;
}

uint32_t buttonBit(guint button) {
    switch (button) {
        case 1:
            return kKeyLeftButton;
        case 2:
            return kKeyMiddleButton;
        case 3:
            return kKeyRightButton;
        default:
            return 0;
    }
}

// GDK key values as the classic virtual key codes.
uint32_t virtualKey(guint keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return keyval - GDK_KEY_a + 'A';
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return keyval - GDK_KEY_A + 'A';
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return keyval - GDK_KEY_0 + '0';
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return keyval - GDK_KEY_F1 + kVkF1;
    switch (keyval) {
        case GDK_KEY_BackSpace:
            return kVkBack;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:
            return kVkTab;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            return kVkReturn;
        case GDK_KEY_Escape:
            return kVkEscape;
        case GDK_KEY_space:
            return kVkSpace;
        case GDK_KEY_Page_Up:
        case GDK_KEY_KP_Page_Up:
            return kVkPageUp;
        case GDK_KEY_Page_Down:
        case GDK_KEY_KP_Page_Down:
            return kVkPageDown;
        case GDK_KEY_End:
            return kVkEnd;
        case GDK_KEY_Home:
            return kVkHome;
        case GDK_KEY_Left:
            return kVkLeft;
        case GDK_KEY_Up:
            return kVkUp;
        case GDK_KEY_Right:
            return kVkRight;
        case GDK_KEY_Down:
            return kVkDown;
        case GDK_KEY_Insert:
            return kVkInsert;
        case GDK_KEY_Delete:
            return kVkDelete;
        case GDK_KEY_Shift_L:
        case GDK_KEY_Shift_R:
            return kVkShift;
        case GDK_KEY_Control_L:
            return kVkLeftControl;
        case GDK_KEY_Control_R:
            return kVkRightControl;
        default:
            return 0;
    }
}

Message pointerMessage(Msg msg, double x, double y, guint state) {
    Message m = Message::make(msg);
    m.x = static_cast<int>(std::floor(x));
    m.y = static_cast<int>(std::floor(y));
    m.keyState = keyStateOf(state);
    return m;
}

int barThickness(WindowData* data, Bar bar) {
    GtkWidget* widget = data->bars[static_cast<int>(bar)];
    if (!widget || !gtk_widget_get_visible(widget)) return 0;
    int minimum = 0;
    int natural = 0;
    if (bar == Bar::Vertical)
        gtk_widget_get_preferred_width(widget, &minimum, &natural);
    else
        gtk_widget_get_preferred_height(widget, &minimum, &natural);
    return natural;
}

// --- signal handlers of self-drawn windows

gboolean onDraw(GtkWidget*, cairo_t* cr, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    GdkWindow* bin = binWindow(data);
    if (data->dead || !bin || !gtk_cairo_should_draw_window(cr, bin)) return FALSE;
    GdkRectangle area;
    if (!gdk_cairo_get_clip_rectangle(cr, &area)) return FALSE;
    cairo_save(cr);
    if (!(data->flags & kTransparent)) {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
    }
    {
        auto dc = gfx::Dc::wrap(cr);
        Message m = Message::make(Msg::Paint);
        m.dc = dc.get();
        m.clip = {area.x, area.y, area.x + area.width, area.y + area.height};
        detail::deliver(data, m);
    }
    cairo_restore(cr);
    return FALSE;  // the child windows draw after us
}

bool fromOwnWindow(WindowData* data, GdkWindow* window) { return window == binWindow(data); }

gboolean onMotion(GtkWidget*, GdkEventMotion* event, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    if (!fromOwnWindow(data, event->window)) return FALSE;
    data->pointerInside = true;
    Message m = pointerMessage(Msg::MouseMove, event->x, event->y, event->state);
    data->moveSent = true;
    data->movedX = m.x;
    data->movedY = m.y;
    detail::deliver(data, m);
    return TRUE;
}

gboolean onButton(GtkWidget*, GdkEventButton* event, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    if (!fromOwnWindow(data, event->window)) return FALSE;
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
    const bool press = event->type == GDK_BUTTON_PRESS;
    Msg msg;
    if (event->button == 1)
        msg = press ? Msg::LButtonDown : Msg::LButtonUp;
    else if (event->button == 3)
        msg = press ? Msg::RButtonDown : Msg::RButtonUp;
    else
        return TRUE;
    Message m = pointerMessage(msg, event->x, event->y, event->state);
    // A press is always preceded by a move to its place, as the window
    // messages promise: the pointer may come to rest here without one (from
    // a native control, or when a modal dialog closes under it), and a
    // press on an element that never saw the pointer would only hover it.
    if (press && (!data->moveSent || data->movedX != m.x || data->movedY != m.y)) {
        Message move = pointerMessage(Msg::MouseMove, event->x, event->y, event->state);
        data->moveSent = true;
        data->movedX = move.x;
        data->movedY = move.y;
        detail::deliver(data, move);
        if (data->dead) return TRUE;
    }
    // The classic key state counts the pressed button and no longer the released one.
    if (press)
        m.keyState |= buttonBit(event->button);
    else
        m.keyState &= ~buttonBit(event->button);
    detail::deliver(data, m);
    return TRUE;
}

gboolean onCrossing(GtkWidget*, GdkEventCrossing* event, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    if (!fromOwnWindow(data, event->window)) return FALSE;
    if (event->type == GDK_ENTER_NOTIFY) {
        data->pointerInside = true;
        return FALSE;
    }
    if (event->mode != GDK_CROSSING_NORMAL || !data->pointerInside) return FALSE;
    data->pointerInside = false;
    data->moveSent = false;
    Message m = Message::make(Msg::MouseLeave);
    detail::deliver(data, m);
    return FALSE;
}

gboolean onScroll(GtkWidget*, GdkEventScroll* event, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    if (!fromOwnWindow(data, event->window)) return FALSE;
    int delta = 0;
    if (event->direction == GDK_SCROLL_UP) delta = 120;
    if (event->direction == GDK_SCROLL_DOWN) delta = -120;
    if (event->direction == GDK_SCROLL_SMOOTH && event->delta_y != 0)
        delta = event->delta_y < 0 ? 120 : -120;
    if (delta == 0) return TRUE;
    Message m = pointerMessage(Msg::MouseWheel, event->x, event->y, event->state);
    m.wheelDelta = delta;
    detail::deliver(data, m);
    return TRUE;
}

Message keyMessage(GdkEventKey* event) {
    Message m = Message::make(event->type == GDK_KEY_PRESS ? Msg::KeyDown : Msg::KeyUp);
    m.key = virtualKey(event->keyval);
    m.keyState = keyStateOf(event->state);
    return m;
}

// Keys of a self-drawn child window that has the focus.
gboolean onClientKey(GtkWidget*, GdkEventKey* event, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    Message m = keyMessage(event);
    if (m.key == 0) return FALSE;
    return detail::deliver(data, m) != 0;
}

// Keys reaching a top-level window: the window hears them first unless a
// self-drawn child of it has the focus (that child hears them itself); a
// non-zero answer keeps them from the focused control.
gboolean onTopKey(GtkWidget* top, GdkEventKey* event, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top));
    if (focus && focus != data->client && GTK_IS_LAYOUT(focus)) return FALSE;
    if (focus == data->client) return FALSE;  // onClientKey answers
    Message m = keyMessage(event);
    if (m.key == 0) return FALSE;
    return detail::deliver(data, m) != 0;
}

// Tab and Shift+Tab inside a client area: the area itself first, then its
// child windows in the order the program set (creation order otherwise),
// instead of GTK's order by position.
gboolean onClientFocus(GtkWidget* client, GtkDirectionType direction, gpointer user) {
    if (direction != GTK_DIR_TAB_FORWARD && direction != GTK_DIR_TAB_BACKWARD) return FALSE;
    auto* data = static_cast<WindowData*>(user);
    if (gboolean moved = FALSE; detail::moveFocusThroughItems(data, direction, &moved)) return moved;
    std::vector<GtkWidget*> order;
    for (WindowHandle handle : data->tabOrder) {
        WindowData* child = detail::find(handle);
        if (child && gtk_widget_get_parent(child->outer) == client) order.push_back(child->outer);
    }
    if (data->tabOrder.empty()) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(client));
        for (GList* item = children; item; item = item->next)
            order.push_back(static_cast<GtkWidget*>(item->data));
        g_list_free(children);
    }
    const bool forward = direction == GTK_DIR_TAB_FORWARD;
    GtkWidget* current = gtk_container_get_focus_child(GTK_CONTAINER(client));
    // Positions are those of `order`; -1 is the area itself.
    int at = -1;
    if (current) {
        auto found = std::find(order.begin(), order.end(), current);
        if (found != order.end()) {
            at = static_cast<int>(found - order.begin());
            if (gtk_widget_child_focus(current, direction)) return TRUE;  // inside a nested frame
        }
    } else if (!gtk_widget_has_focus(client)) {
        if (forward) {
            gtk_widget_grab_focus(client);
            return TRUE;
        }
        at = static_cast<int>(order.size());
    }
    if (!current && gtk_widget_has_focus(client) && !forward) {
        g_signal_stop_emission_by_name(client, "focus");
        return FALSE;
    }
    for (int i = forward ? at + 1 : at - 1; i >= 0 && i < static_cast<int>(order.size());
         i += forward ? 1 : -1) {
        if (gtk_widget_is_visible(order[i]) && gtk_widget_is_sensitive(order[i]) &&
            gtk_widget_child_focus(order[i], direction))
            return TRUE;
    }
    if (!forward) {  // backwards past the first child: the area itself
        gtk_widget_grab_focus(client);
        return TRUE;
    }
    g_signal_stop_emission_by_name(client, "focus");
    return FALSE;
}

gboolean onFocusChange(GtkWidget*, GdkEventFocus* event, gpointer user) {
    Message m = Message::make(event->in ? Msg::SetFocus : Msg::KillFocus);
    detail::deliver(static_cast<WindowData*>(user), m);
    return FALSE;
}

void onActiveChanged(GObject* top, GParamSpec*, gpointer user) {
    Message m = Message::make(Msg::Activate);
    m.active = gtk_window_is_active(GTK_WINDOW(top));
    detail::deliver(static_cast<WindowData*>(user), m);
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer user) {
    Message m = Message::make(Msg::Close);
    detail::deliver(static_cast<WindowData*>(user), m);
    return TRUE;  // the sink decides; the default handling destroys
}

void onClientAllocate(GtkWidget*, GdkRectangle* allocation, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    if (data->dead) return;
    if (allocation->width == data->sentWidth && allocation->height == data->sentHeight) return;
    data->sentWidth = allocation->width;
    data->sentHeight = allocation->height;
    if (data->top) {
        data->outerWidth = gtk_widget_get_allocated_width(data->outer);
        data->outerHeight = gtk_widget_get_allocated_height(data->outer);
    }
    Message m = Message::make(Msg::Size);
    m.width = allocation->width;
    m.height = allocation->height;
    detail::deliver(data, m);
}

void applyBackground(WindowData* data) {
    // A transparent child shows whatever its parent painted below it.
    if (GdkWindow* bin = binWindow(data); bin && (data->flags & kTransparent)) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gdk_window_set_background_pattern(bin, nullptr);
        G_GNUC_END_IGNORE_DEPRECATIONS
    }
    if (GdkWindow* bin = binWindow(data); bin && data->cursor)
        gdk_window_set_cursor(bin, data->cursor);
}

void onClientRealize(GtkWidget*, gpointer user) { applyBackground(static_cast<WindowData*>(user)); }

void onClientStyle(GtkWidget*, gpointer user) { applyBackground(static_cast<WindowData*>(user)); }

// The scroll bars report what the user did and leave the position to the
// window, as the classic bars do.
gboolean onChangeValue(GtkRange* range, GtkScrollType scroll, gdouble value, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    const bool vertical = GTK_WIDGET(range) == data->bars[1];
    Message m = Message::make(vertical ? Msg::VScroll : Msg::HScroll);
    switch (scroll) {
        case GTK_SCROLL_STEP_BACKWARD:
        case GTK_SCROLL_STEP_UP:
        case GTK_SCROLL_STEP_LEFT:
            m.code = kScrollLineUp;
            break;
        case GTK_SCROLL_STEP_FORWARD:
        case GTK_SCROLL_STEP_DOWN:
        case GTK_SCROLL_STEP_RIGHT:
            m.code = kScrollLineDown;
            break;
        case GTK_SCROLL_PAGE_BACKWARD:
        case GTK_SCROLL_PAGE_UP:
        case GTK_SCROLL_PAGE_LEFT:
            m.code = kScrollPageUp;
            break;
        case GTK_SCROLL_PAGE_FORWARD:
        case GTK_SCROLL_PAGE_DOWN:
        case GTK_SCROLL_PAGE_RIGHT:
            m.code = kScrollPageDown;
            break;
        case GTK_SCROLL_START:
            m.code = kScrollTop;
            break;
        case GTK_SCROLL_END:
            m.code = kScrollBottom;
            break;
        default:
            m.code = kScrollThumbTrack;
            break;
    }
    GtkAdjustment* adjustment = gtk_range_get_adjustment(range);
    const double top =
        gtk_adjustment_get_upper(adjustment) - gtk_adjustment_get_page_size(adjustment);
    m.position =
        static_cast<int>(std::lround(std::clamp(value, gtk_adjustment_get_lower(adjustment), top)));
    detail::deliver(data, m);
    return TRUE;
}

void onDragReceived(GtkWidget*, GdkDragContext* context, gint x, gint y,
                    GtkSelectionData* selection, guint, guint time, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    Message m = Message::make(Msg::DropFiles);
    m.x = x;
    m.y = y;
    if (gchar** uris = gtk_selection_data_get_uris(selection)) {
        for (gchar** uri = uris; *uri; ++uri) {
            if (gchar* path = g_filename_from_uri(*uri, nullptr, nullptr)) {
                m.files.push_back(ZString::fromUtf8(path));
                g_free(path);
            }
        }
        g_strfreev(uris);
    }
    gtk_drag_finish(context, !m.files.empty(), FALSE, time);
    if (!m.files.empty()) detail::deliver(data, m);
}

struct TimerTick {
    WindowHandle window;
    uint32_t id;
};

gboolean onTimer(gpointer user) {
    auto* tick = static_cast<TimerTick*>(user);
    WindowData* data = detail::find(tick->window);
    if (!data) return G_SOURCE_REMOVE;
    Message m = Message::make(Msg::Timer);
    m.id = tick->id;
    detail::deliver(data, m);
    return G_SOURCE_CONTINUE;
}

void freeTick(gpointer user) { delete static_cast<TimerTick*>(user); }

void stopTimers(WindowData* data) {
    for (auto& [id, source] : data->timers) g_source_remove(source);
    data->timers.clear();
}

void onOuterDestroy(GtkWidget*, gpointer user) {
    auto* data = static_cast<WindowData*>(user);
    if (data->dead) return;
    Message m = Message::make(Msg::Destroy);
    detail::deliver(data, m);
    data->dead = true;
    data->sink = nullptr;
    stopTimers(data);
    detail::releaseAccessibles(data);
    detail::unregisterWindow(data);
    if (data->top) g_signal_handlers_disconnect_by_data(data->top, data);
    if (data->client) g_signal_handlers_disconnect_by_data(data->client, data);
}

GtkWidget* makeBar(WindowData* data, GtkOrientation orientation) {
    GtkWidget* bar = gtk_scrollbar_new(orientation, gtk_adjustment_new(0, 0, 1, 1, 1, 1));
    gtk_widget_set_no_show_all(bar, TRUE);
    g_signal_connect(bar, "change-value", G_CALLBACK(onChangeValue), data);
    return bar;
}

void connectClient(WindowData* data) {
    GtkWidget* client = data->client;
    gtk_widget_set_can_focus(client, TRUE);
    gtk_widget_add_events(client, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                      GDK_BUTTON_RELEASE_MASK | GDK_ENTER_NOTIFY_MASK |
                                      GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK | GDK_KEY_PRESS_MASK |
                                      GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK);
    g_signal_connect(client, "draw", G_CALLBACK(onDraw), data);
    g_signal_connect(client, "motion-notify-event", G_CALLBACK(onMotion), data);
    g_signal_connect(client, "button-press-event", G_CALLBACK(onButton), data);
    g_signal_connect(client, "button-release-event", G_CALLBACK(onButton), data);
    g_signal_connect(client, "enter-notify-event", G_CALLBACK(onCrossing), data);
    g_signal_connect(client, "leave-notify-event", G_CALLBACK(onCrossing), data);
    g_signal_connect(client, "scroll-event", G_CALLBACK(onScroll), data);
    g_signal_connect(client, "key-press-event", G_CALLBACK(onClientKey), data);
    g_signal_connect(client, "key-release-event", G_CALLBACK(onClientKey), data);
    g_signal_connect(client, "focus", G_CALLBACK(onClientFocus), data);
    g_signal_connect(client, "focus-in-event", G_CALLBACK(onFocusChange), data);
    g_signal_connect(client, "focus-out-event", G_CALLBACK(onFocusChange), data);
    g_signal_connect(client, "size-allocate", G_CALLBACK(onClientAllocate), data);
    g_signal_connect_after(client, "realize", G_CALLBACK(onClientRealize), data);
    g_signal_connect_after(client, "style-updated", G_CALLBACK(onClientStyle), data);
    g_signal_connect(client, "drag-data-received", G_CALLBACK(onDragReceived), data);
}

void buildTopLevel(WindowData* data, const Window::Params& p) {
    GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    data->top = top;
    gtk_window_set_title(GTK_WINDOW(top), p.title.toUtf8().c_str());
    if (GtkWindow* owner = detail::gtkWindowOf(p.parent)) {
        gtk_window_set_transient_for(GTK_WINDOW(top), owner);
        gtk_window_set_destroy_with_parent(GTK_WINDOW(top), TRUE);
    }
    if (p.flags & kToolWindow) {
        gtk_window_set_type_hint(GTK_WINDOW(top), GDK_WINDOW_TYPE_HINT_DIALOG);
        gtk_window_set_skip_taskbar_hint(GTK_WINDOW(top), TRUE);
    }
    if (p.flags & (kToolWindow | kNoResize)) gtk_window_set_resizable(GTK_WINDOW(top), FALSE);
    if (p.flags & kTopmost) gtk_window_set_keep_above(GTK_WINDOW(top), TRUE);
    gtk_window_set_default_size(GTK_WINDOW(top), std::max(1, p.width), std::max(1, p.height));
    if (p.flags & (kToolWindow | kNoResize))
        gtk_widget_set_size_request(data->client, p.width, p.height);
    gtk_window_move(GTK_WINDOW(top), p.x, p.y);
    gtk_container_add(GTK_CONTAINER(top), data->outer);
    g_signal_connect(top, "delete-event", G_CALLBACK(onDelete), data);
    g_signal_connect(top, "key-press-event", G_CALLBACK(onTopKey), data);
    g_signal_connect(top, "key-release-event", G_CALLBACK(onTopKey), data);
    g_signal_connect(top, "notify::is-active", G_CALLBACK(onActiveChanged), data);
}

}  // namespace

WindowHandle detail::addControl(WindowData* data, WindowHandle parent) {
    GtkWidget* client = detail::clientOf(parent);
    if (!client) {
        gtk_widget_destroy(data->outer);
        delete data;
        return nullptr;
    }
    data->parent = parent;
    data->flags = kChild;
    gtk_widget_set_no_show_all(data->outer, FALSE);
    detail::registerWindow(data);
    g_signal_connect(data->outer, "destroy", G_CALLBACK(onOuterDestroy), data);
    gtk_layout_put(GTK_LAYOUT(client), data->outer, 0, 0);
    return data->outer;
}

void detail::notifyParent(WindowData* control, int code) {
    if (!control || control->dead || control->settingItems) return;
    Message m = Message::make(Msg::Command);
    m.control = control->outer;
    m.id = control->id;
    m.code = code;
    detail::deliver(detail::find(control->parent), m);
}

WindowHandle Window::create(const Params& p) {
    if (!Gui::init()) return nullptr;
    GtkWidget* parentClient = nullptr;
    if (p.flags & kChild) {
        parentClient = detail::clientOf(p.parent);
        if (!parentClient) return nullptr;
    }
    auto* data = new WindowData;
    data->sink = p.sink;
    data->parent = p.parent;
    data->id = p.id;
    data->flags = p.flags;
    data->outerWidth = p.width;
    data->outerHeight = p.height;
    data->outer = gtk_grid_new();
    data->client = detail::newClientArea(data);
    data->focusTarget = data->client;
    gtk_widget_set_hexpand(data->client, TRUE);
    gtk_widget_set_vexpand(data->client, TRUE);
    data->bars[0] = makeBar(data, GTK_ORIENTATION_HORIZONTAL);
    data->bars[1] = makeBar(data, GTK_ORIENTATION_VERTICAL);
    gtk_grid_attach(GTK_GRID(data->outer), data->client, 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(data->outer), data->bars[1], 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(data->outer), data->bars[0], 0, 1, 1, 1);
    gtk_widget_show(data->client);
    detail::registerWindow(data);
    connectClient(data);
    g_signal_connect(data->outer, "destroy", G_CALLBACK(onOuterDestroy), data);
    if (p.flags & kChild) {
        gtk_widget_set_size_request(data->outer, p.width, p.height);
        gtk_layout_put(GTK_LAYOUT(parentClient), data->outer, p.x, p.y);
    } else {
        buildTopLevel(data, p);
    }
    WindowHandle handle = data->outer;
    Message create = Message::make(Msg::Create);
    create.width = p.width;
    create.height = p.height;
    detail::deliver(data, create);
    if (!detail::find(handle)) return nullptr;  // destroyed while being created
    if (p.flags & kVisible) show(handle, true);
    return handle;
}

void Window::destroy(WindowHandle window) {
    WindowData* data = detail::find(window);
    if (!data) return;
    gtk_widget_destroy(data->top ? data->top : data->outer);
}

bool Window::isWindow(WindowHandle window) { return detail::find(window) != nullptr; }

MessageSink* Window::sink(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data ? data->sink : nullptr;
}

MessageSink* Window::setSink(WindowHandle window, MessageSink* sink) {
    WindowData* data = detail::find(window);
    if (!data) return nullptr;
    MessageSink* previous = data->sink;
    data->sink = sink;
    return previous;
}

intptr_t Window::send(WindowHandle window, Message& message) {
    return detail::deliver(detail::find(window), message);
}

bool Window::isTopLevel(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data && data->top;
}

WindowHandle Window::parent(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data ? data->parent : nullptr;
}

void Window::setParent(WindowHandle window, WindowHandle parent) {
    WindowData* data = detail::find(window);
    GtkWidget* client = detail::clientOf(parent);
    if (!data || data->top || !client || data->parent == parent) return;
    const Rect r = rectInParent(window);
    g_object_ref(data->outer);
    if (GtkWidget* old = gtk_widget_get_parent(data->outer))
        gtk_container_remove(GTK_CONTAINER(old), data->outer);
    gtk_layout_put(GTK_LAYOUT(client), data->outer, r.left, r.top);
    g_object_unref(data->outer);
    data->parent = parent;
}

void Window::setTabOrder(WindowHandle window, std::vector<WindowHandle> children) {
    if (WindowData* data = detail::find(window)) data->tabOrder = std::move(children);
}

uint32_t Window::id(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data ? data->id : 0;
}

WindowHandle Window::topLevel(WindowHandle window) {
    WindowData* data = detail::find(window);
    while (data && !data->top && data->parent) data = detail::find(data->parent);
    return data ? data->outer : nullptr;
}

void Window::show(WindowHandle window, bool visible) {
    WindowData* data = detail::find(window);
    if (!data) return;
    GtkWidget* widget = data->top ? data->top : data->outer;
    if (visible) {
        gtk_widget_show(data->outer);
        // A top-level window shown becomes the active one, as users expect.
        if (data->top)
            gtk_window_present(GTK_WINDOW(data->top));
        else
            gtk_widget_show(widget);
    } else {
        gtk_widget_hide(widget);
    }
}

bool Window::isVisible(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data && gtk_widget_get_visible(data->top ? data->top : data->outer);
}

void Window::enable(WindowHandle window, bool enable) {
    if (WindowData* data = detail::find(window)) gtk_widget_set_sensitive(data->outer, enable);
}

bool Window::isEnabled(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data && gtk_widget_get_sensitive(data->outer);
}

namespace {

GdkPixbuf* pixbufFromPng(const std::string& png) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
    if (!loader) return nullptr;
    const bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(png.data()),
                                            png.size(), nullptr) &&
                    gdk_pixbuf_loader_close(loader, nullptr);
    GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf) g_object_ref(pixbuf);
    if (!ok) gdk_pixbuf_loader_close(loader, nullptr);
    g_object_unref(loader);
    return pixbuf;
}

}  // namespace

void Window::setIcons(WindowHandle window, const std::vector<std::string>& pngImages) {
    WindowData* data = detail::find(window);
    if (!data || !data->top) return;
    GList* icons = nullptr;
    for (const std::string& png : pngImages)
        if (GdkPixbuf* pixbuf = pixbufFromPng(png)) icons = g_list_append(icons, pixbuf);
    gtk_window_set_icon_list(GTK_WINDOW(data->top), icons);
    g_list_free_full(icons, g_object_unref);
}

void Window::setTitle(WindowHandle window, const ZString& title) {
    WindowData* data = detail::find(window);
    if (!data) return;
    if (data->top) {
        gtk_window_set_title(GTK_WINDOW(data->top), title.toUtf8().c_str());
    } else if (GTK_IS_ENTRY(data->outer)) {
        gtk_entry_set_text(GTK_ENTRY(data->outer), title.toUtf8().c_str());
    } else if (GTK_IS_BUTTON(data->outer) || GTK_IS_LABEL(data->outer)) {
        g_object_set(data->outer, "label", title.toUtf8().c_str(), nullptr);
    }
}

ZString Window::title(WindowHandle window) {
    WindowData* data = detail::find(window);
    if (!data) return ZString();
    const char* text = nullptr;
    if (data->top)
        text = gtk_window_get_title(GTK_WINDOW(data->top));
    else if (GTK_IS_ENTRY(data->outer))
        text = gtk_entry_get_text(GTK_ENTRY(data->outer));
    else if (GTK_IS_LABEL(data->outer))
        text = gtk_label_get_text(GTK_LABEL(data->outer));
    else if (GTK_IS_BUTTON(data->outer))
        text = gtk_button_get_label(GTK_BUTTON(data->outer));
    return text ? ZString::fromUtf8(text) : ZString();
}

void Window::present(WindowHandle window) {
    WindowData* data = detail::find(window);
    if (data && data->top) gtk_window_present(GTK_WINDOW(data->top));
}

bool Window::isActive(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data && data->top && gtk_window_is_active(GTK_WINDOW(data->top));
}

void Window::move(WindowHandle window, int x, int y) {
    WindowData* data = detail::find(window);
    if (!data) return;
    if (data->top) {
        gtk_window_move(GTK_WINDOW(data->top), x, y);
    } else if (GtkWidget* parent = gtk_widget_get_parent(data->outer);
               parent && GTK_IS_LAYOUT(parent)) {
        gtk_layout_move(GTK_LAYOUT(parent), data->outer, x, y);
    }
}

void Window::setClientSize(WindowHandle window, int width, int height) {
    WindowData* data = detail::find(window);
    if (!data) return;
    width = std::max(0, width);
    height = std::max(0, height);
    const int outerWidth = width + barThickness(data, Bar::Vertical);
    const int outerHeight = height + barThickness(data, Bar::Horizontal);
    data->outerWidth = outerWidth;
    data->outerHeight = outerHeight;
    if (data->top) {
        if (!gtk_window_get_resizable(GTK_WINDOW(data->top)) && data->client)
            gtk_widget_set_size_request(data->client, width, height);
        gtk_window_resize(GTK_WINDOW(data->top), std::max(1, outerWidth), std::max(1, outerHeight));
    } else {
        gtk_widget_set_size_request(data->outer, outerWidth, outerHeight);
    }
}

Rect Window::rectInParent(WindowHandle window) {
    WindowData* data = detail::find(window);
    if (!data) return {};
    int x = 0;
    int y = 0;
    if (data->top) {
        gtk_window_get_position(GTK_WINDOW(data->top), &x, &y);
    } else if (GtkWidget* parent = gtk_widget_get_parent(data->outer);
               parent && GTK_IS_LAYOUT(parent)) {
        GValue value = G_VALUE_INIT;
        g_value_init(&value, G_TYPE_INT);
        gtk_container_child_get_property(GTK_CONTAINER(parent), data->outer, "x", &value);
        x = g_value_get_int(&value);
        gtk_container_child_get_property(GTK_CONTAINER(parent), data->outer, "y", &value);
        y = g_value_get_int(&value);
        g_value_unset(&value);
    }
    return {x, y, x + data->outerWidth, y + data->outerHeight};
}

Rect Window::clientRect(WindowHandle window) {
    WindowData* data = detail::find(window);
    if (!data) return {};
    if (!data->client) return {0, 0, data->outerWidth, data->outerHeight};
    const int width = data->outerWidth - barThickness(data, Bar::Vertical);
    const int height = data->outerHeight - barThickness(data, Bar::Horizontal);
    return {0, 0, std::max(0, width), std::max(0, height)};
}

Point Window::clientToScreen(WindowHandle window, Point p) {
    WindowData* data = detail::find(window);
    GdkWindow* gdk =
        data ? (data->client ? binWindow(data) : gtk_widget_get_window(data->outer)) : nullptr;
    if (!gdk) return p;
    int x = 0;
    int y = 0;
    gdk_window_get_origin(gdk, &x, &y);
    return {p.x + x, p.y + y};
}

Point Window::screenToClient(WindowHandle window, Point p) {
    const Point origin = clientToScreen(window, {0, 0});
    return {p.x - origin.x, p.y - origin.y};
}

Point Window::cursorPos(WindowHandle window) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return {};
    GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
    int x = 0;
    int y = 0;
    gdk_device_get_position(pointer, nullptr, &x, &y);
    return screenToClient(window, {x, y});
}

Rect Window::monitorRect(WindowHandle window) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return {};
    GdkMonitor* monitor = nullptr;
    WindowData* data = detail::find(window);
    if (GdkWindow* gdk =
            data ? gtk_widget_get_window(data->top ? data->top : data->outer) : nullptr)
        monitor = gdk_display_get_monitor_at_window(display, gdk);
    if (!monitor) monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return {};
    GdkRectangle area;
    gdk_monitor_get_geometry(monitor, &area);
    return {area.x, area.y, area.x + area.width, area.y + area.height};
}

void Window::invalidate(WindowHandle window, const Rect* r) {
    WindowData* data = detail::find(window);
    if (!data) return;
    GtkWidget* widget = data->client ? data->client : data->outer;
    if (!r) {
        gtk_widget_queue_draw(widget);
    } else if (!r->isEmpty()) {
        gtk_widget_queue_draw_area(widget, r->left, r->top, r->width(), r->height());
    }
}

void Window::update(WindowHandle window) {
    // GTK paints invalid areas at its next frame, which the loop runs at once;
    // a synchronous paint has no counterpart.
    (void)window;
}

void Window::setFocus(WindowHandle window) {
    WindowData* data = detail::find(window);
    if (data && data->focusTarget) gtk_widget_grab_focus(data->focusTarget);
}

bool Window::hasFocus(WindowHandle window) {
    WindowData* data = detail::find(window);
    return data && data->focusTarget && gtk_widget_has_focus(data->focusTarget);
}

void Window::setCapture(WindowHandle window) {
    // GTK keeps the pointer with the window that saw the button go down
    // until it is released (an implicit grab), which is all the callers need.
    (void)window;
}

void Window::releaseCapture(WindowHandle window) { (void)window; }

void Window::setCursor(WindowHandle window, Cursor cursor) {
    WindowData* data = detail::find(window);
    GdkDisplay* display = gdk_display_get_default();
    if (!data || !display) return;
    const char* name = "default";
    switch (cursor) {
        case Cursor::Hand:
            name = "pointer";
            break;
        case Cursor::Wait:
            name = "wait";
            break;
        case Cursor::IBeam:
            name = "text";
            break;
        default:
            break;
    }
    if (data->cursorKind == static_cast<int>(cursor)) return;
    data->cursorKind = static_cast<int>(cursor);
    if (data->cursor) g_object_unref(data->cursor);
    data->cursor = gdk_cursor_new_from_name(display, name);
    if (GdkWindow* bin = binWindow(data)) gdk_window_set_cursor(bin, data->cursor);
}

void Window::showScrollBar(WindowHandle window, Bar bar, bool visible) {
    WindowData* data = detail::find(window);
    if (!data || !data->bars[static_cast<int>(bar)]) return;
    GtkWidget* widget = data->bars[static_cast<int>(bar)];
    if (gtk_widget_get_visible(widget) == (visible ? TRUE : FALSE)) return;
    const Rect before = clientRect(window);
    gtk_widget_set_visible(widget, visible);
    // The window keeps its outer size: the client area gives the room.
    (void)before;
}

bool Window::isScrollBarShown(WindowHandle window, Bar bar) {
    WindowData* data = detail::find(window);
    return data && data->bars[static_cast<int>(bar)] &&
           gtk_widget_get_visible(data->bars[static_cast<int>(bar)]);
}

void Window::setScrollInfo(WindowHandle window, Bar bar, const ScrollInfo& info) {
    WindowData* data = detail::find(window);
    if (!data || !data->bars[static_cast<int>(bar)]) return;
    GtkAdjustment* adjustment =
        gtk_range_get_adjustment(GTK_RANGE(data->bars[static_cast<int>(bar)]));
    const int page = std::max(0, info.page);
    const int upper = std::max(info.maximum + 1, info.minimum);
    const int top = std::max(info.minimum, upper - std::max(page, 1));
    const int position = std::clamp(info.position, info.minimum, top);
    data->settingScroll = true;
    gtk_adjustment_configure(adjustment, position, info.minimum, upper, 1, std::max(page, 1),
                             std::max(page, 1));
    data->settingScroll = false;
}

ScrollInfo Window::scrollInfo(WindowHandle window, Bar bar) {
    WindowData* data = detail::find(window);
    if (!data || !data->bars[static_cast<int>(bar)]) return {};
    GtkAdjustment* adjustment =
        gtk_range_get_adjustment(GTK_RANGE(data->bars[static_cast<int>(bar)]));
    ScrollInfo info;
    info.minimum = static_cast<int>(gtk_adjustment_get_lower(adjustment));
    info.maximum = static_cast<int>(gtk_adjustment_get_upper(adjustment)) - 1;
    info.page = static_cast<int>(gtk_adjustment_get_page_size(adjustment));
    info.position = static_cast<int>(std::lround(gtk_adjustment_get_value(adjustment)));
    return info;
}

int Window::setScrollPos(WindowHandle window, Bar bar, int position) {
    ScrollInfo info = scrollInfo(window, bar);
    info.position = position;
    setScrollInfo(window, bar, info);
    return scrollInfo(window, bar).position;
}

bool Window::setTimer(WindowHandle window, uint32_t id, uint32_t intervalMs) {
    WindowData* data = detail::find(window);
    if (!data) return false;
    killTimer(window, id);
    auto* tick = new TimerTick{window, id};
    data->timers[id] = g_timeout_add_full(G_PRIORITY_DEFAULT, intervalMs, onTimer, tick, freeTick);
    return true;
}

void Window::killTimer(WindowHandle window, uint32_t id) {
    WindowData* data = detail::find(window);
    if (!data) return;
    auto it = data->timers.find(id);
    if (it == data->timers.end()) return;
    g_source_remove(it->second);
    data->timers.erase(it);
}

void Window::acceptFiles(WindowHandle window, bool accept) {
    WindowData* data = detail::find(window);
    if (!data || !data->client) return;
    if (accept) {
        gtk_drag_dest_set(data->client, GTK_DEST_DEFAULT_ALL, nullptr, 0, GDK_ACTION_COPY);
        gtk_drag_dest_add_uri_targets(data->client);
    } else {
        gtk_drag_dest_unset(data->client);
    }
}

}  // namespace platform::gui

namespace platform::gui {

Rect Window::screenRect(WindowHandle window) {
    detail::WindowData* data = detail::find(window);
    if (!data) return {};
    GtkWidget* widget = data->top ? data->top : data->outer;
    const int width = gtk_widget_get_allocated_width(widget);
    const int height = gtk_widget_get_allocated_height(widget);
    GdkWindow* gdk = gtk_widget_get_window(widget);
    if (!gdk) return {0, 0, data->outerWidth, data->outerHeight};
    int x = 0;
    int y = 0;
    gdk_window_get_origin(gdk, &x, &y);
    if (!data->top) {
        GtkAllocation allocation;
        gtk_widget_get_allocation(widget, &allocation);
        if (!gtk_widget_get_has_window(widget)) {
            x += allocation.x;
            y += allocation.y;
        }
    }
    return {x, y, x + width, y + height};
}

}  // namespace platform::gui
