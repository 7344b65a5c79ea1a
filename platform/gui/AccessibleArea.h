#pragma once

#include <vector>

#include "base/ZString.h"
#include "platform/WindowHandle.h"
#include "platform/gfx/Rect.h"

namespace platform::gui {

// One thing a self-drawn window offers to the keyboard and to assistive
// technology: an element it paints (a button, a link, a check box, a label),
// or one of its native child windows, which keeps its own accessible object
// and takes its place among the painted ones.
struct AccessibleItem {
    enum class Role { Button, Link, CheckBox, RadioButton, Label, Window };
    Role role = Role::Button;
    ZString name;
    ZString description;  // the tooltip text
    gfx::Rect rect;       // client coordinates
    bool focusable = false;
    bool disabled = false;
    bool pressed = false;
    bool checked = false;
    bool showing = true;
    WindowHandle window = nullptr;  // Role::Window: the child window
    int labelFor = -1;              // Role::Label: index of the item it names

    friend bool operator==(const AccessibleItem&, const AccessibleItem&) = default;
};

// The list a self-drawn window (its client area) shows, in document order.
// The window hears back through its messages: FocusItem when the keyboard
// focus moves to an item (code = index, -1 when it leaves the items) and
// ItemAction when assistive technology presses one (code = index), later,
// from the main loop, so that a dialog the press opens does not block the
// caller. Tab and Shift+Tab visit the focusable, enabled, showing items and
// the child windows in this order. GUI thread only.
class AccessibleArea {
public:
    // Replaces the list. An AT client that watches sees the changes: names,
    // states, or the children themselves when the list's shape changed.
    static void setItems(WindowHandle window, std::vector<AccessibleItem> items);
    static const std::vector<AccessibleItem>* items(WindowHandle window);
    // Moves the focus to an item (and the window's client area), or takes
    // it off the items with -1; the window hears FocusItem.
    static void focusItem(WindowHandle window, int index);
    static int focusedItem(WindowHandle window);
    // A native label names a native control: screen readers read the
    // label's text when the control takes the focus.
    static void labelControl(WindowHandle label, WindowHandle control);
};

}  // namespace platform::gui
