#pragma once

// What the window layer keeps per native window; shared by the files of
// platform/gui only.
#include <gtk/gtk.h>

#include <map>
#include <vector>

#include "platform/gui/AccessibleArea.h"
#include "platform/gui/Window.h"

namespace platform::gui::detail {

struct WindowData {
    GtkWidget* top = nullptr;                 // the GtkWindow of a top-level window
    GtkWidget* outer = nullptr;               // the handle: grid of client and bars, or the control
    GtkWidget* client = nullptr;              // GtkLayout of self-drawn windows; null for controls
    GtkWidget* bars[2] = {nullptr, nullptr};  // horizontal, vertical
    GtkWidget* focusTarget = nullptr;         // the widget that takes the focus
    MessageSink* sink = nullptr;
    WindowHandle parent = nullptr;
    uint32_t id = 0;
    uint32_t flags = 0;
    int outerWidth = 0;  // what was asked for or last allocated
    int outerHeight = 0;
    int sentWidth = -1;  // last Size message
    int sentHeight = -1;
    bool settingScroll = false;
    bool pointerInside = false;
    bool moveSent = false;  // a MouseMove was sent at (movedX, movedY) since the pointer came in
    int movedX = 0;
    int movedY = 0;
    bool dead = false;
    std::map<uint32_t, guint> timers;
    GdkCursor* cursor = nullptr;
    int cursorKind = -1;
    // Native controls: what kind, and the widgets inside the handle.
    int controlKind = 0;
    GtkWidget* inner = nullptr;      // entry, text view, tree view, combo box or menu button
    GtkListStore* store = nullptr;   // items of a list box (not owned: the tree view holds it)
    std::vector<GtkWidget*> checks;  // items of a drop-down with check boxes
    GtkCssProvider* css = nullptr;   // the control's font and compact metrics
    bool settingItems = false;       // no notifications while the program changes items
    std::vector<WindowHandle> tabOrder;  // child windows in Tab order; empty: creation order
    // What a self-drawn window paints for the keyboard and assistive technology.
    std::vector<AccessibleItem> items;
    int focusItem = -1;
    AtkObject* areaAccessible = nullptr;   // the client area's, once an AT client asked
    std::vector<AtkObject*> itemObjects;   // one reference per item, made when asked
    std::vector<std::pair<AtkObject*, AtkObject*>> labelRelations;  // label, native control
};

// The live window of a handle, null for unknown or destroyed handles.
WindowData* find(WindowHandle window);
// Registers a new window (the handle is data->outer) and ties the data's
// lifetime to the handle's widget.
void registerWindow(WindowData* data);
// Sends a message to the window's sink; 0 without one.
intptr_t deliver(WindowData* data, Message& message);
// The client area (GtkLayout) of a parent handle, for placing children.
GtkWidget* clientOf(WindowHandle parent);
// Registers a native control (data->outer) and places it in the parent's
// client area, hidden; null when the parent has no client area.
WindowHandle addControl(WindowData* data, WindowHandle parent);
// Tells the control's parent window what the user did (a Command message).
void notifyParent(WindowData* control, int code);
// A new client area for a self-drawn window: a GtkLayout whose accessible
// object shows the window's painted items (AccessibleArea).
GtkWidget* newClientArea(WindowData* data);
// Tab and Shift+Tab through the painted items and child windows; false when
// the window has no items and the plain order applies.
bool moveFocusThroughItems(WindowData* data, GtkDirectionType direction, gboolean* moved);
// The window goes: its item objects become defunct.
void releaseAccessibles(WindowData* data);
// Window of the widget for dialogs: the GtkWindow of the handle's top level.
GtkWindow* gtkWindowOf(WindowHandle window);

}  // namespace platform::gui::detail
