#pragma once

// What the window layer keeps per native window; shared by the files of
// platform/gui only.
#include <gtk/gtk.h>

#include <map>

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
    bool dead = false;
    std::map<uint32_t, guint> timers;
    GdkCursor* cursor = nullptr;
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
// Window of the widget for dialogs: the GtkWindow of the handle's top level.
GtkWindow* gtkWindowOf(WindowHandle window);

}  // namespace platform::gui::detail
