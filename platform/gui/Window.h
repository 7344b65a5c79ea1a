#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/ZString.h"
#include "platform/WindowHandle.h"
#include "platform/gfx/Rect.h"
#include "platform/gui/Message.h"

namespace platform::gui {

using gfx::Point;
using gfx::Rect;

// Window kinds and flags for createWindow.
enum WindowFlag : uint32_t {
    kChild = 0x1,        // placed in the parent's client area (else a top-level window)
    kVisible = 0x2,      // shown at once
    kTopmost = 0x4,      // kept above other windows
    kToolWindow = 0x8,   // a dialog: no taskbar entry, not resizable
    kNoResize = 0x10,    // the user cannot resize it
    kTransparent = 0x20  // a child that shows its parent where it paints nothing
};

enum class Cursor { Arrow = 0, Hand = 1, Wait = 2, IBeam = 3 };

// Scroll-bar axis of the scroll functions.
enum class Bar { Horizontal = 0, Vertical = 1 };

struct ScrollInfo {
    int minimum = 0;
    int maximum = 0;  // inclusive, as the classic scroll bars count
    int page = 0;
    int position = 0;
};

// Native windows over GTK: a top-level window is a GtkWindow whose client
// area is a GtkLayout; a child window is a GtkLayout (with its scroll bars)
// placed in its parent's client area. Client coordinates start at the
// client area's top-left corner. Every function is for the GUI thread; a
// null or destroyed handle does nothing.
class Window {
public:
    struct Params {
        WindowHandle parent = nullptr;  // owner of a top-level window, parent of a child
        ZString title;
        int x = 0;
        int y = 0;
        int width = 0;  // client size
        int height = 0;
        uint32_t flags = 0;
        uint32_t id = 0;  // control id of a child
        MessageSink* sink = nullptr;
    };

    // Creates the window, binds the sink and sends it Create. Null on failure.
    static WindowHandle create(const Params& params);
    // Sends Destroy, then takes the window (and its children) off the screen.
    static void destroy(WindowHandle window);
    static bool isWindow(WindowHandle window);

    static MessageSink* sink(WindowHandle window);
    // Returns the previous sink.
    static MessageSink* setSink(WindowHandle window, MessageSink* sink);
    // Hands a message straight to the window's sink (0 without one).
    static intptr_t send(WindowHandle window, Message& message);

    static bool isTopLevel(WindowHandle window);
    static WindowHandle parent(WindowHandle window);
    static void setParent(WindowHandle window, WindowHandle parent);
    // The order in which Tab visits the child windows (after the window
    // itself); children not listed are skipped.
    static void setTabOrder(WindowHandle window, std::vector<WindowHandle> children);
    static uint32_t id(WindowHandle window);
    // The top-level window a window belongs to.
    static WindowHandle topLevel(WindowHandle window);

    static void show(WindowHandle window, bool show);
    static bool isVisible(WindowHandle window);
    static void enable(WindowHandle window, bool enable);
    static bool isEnabled(WindowHandle window);
    static void setTitle(WindowHandle window, const ZString& title);
    // The icon the window manager shows for a top-level window: PNG images
    // of one picture at several sizes; images that do not decode are skipped.
    static void setIcons(WindowHandle window, const std::vector<std::string>& pngImages);
    static ZString title(WindowHandle window);
    static void present(WindowHandle window);
    static bool isActive(WindowHandle window);

    // Position in the parent's client area (child) or on the screen (top-level).
    static void move(WindowHandle window, int x, int y);
    static void setClientSize(WindowHandle window, int width, int height);
    static Rect rectInParent(WindowHandle window);
    static Rect clientRect(WindowHandle window);  // origin 0, 0; without the scroll bars
    static Rect screenRect(WindowHandle window);  // whole window on the screen
    static Point clientToScreen(WindowHandle window, Point p);
    static Point screenToClient(WindowHandle window, Point p);
    static Point cursorPos(WindowHandle window);  // in client coordinates
    static Rect monitorRect(WindowHandle window);

    static void invalidate(WindowHandle window, const Rect* r = nullptr);
    // Paints what is invalid now, without waiting for the main loop.
    static void update(WindowHandle window);
    static void setFocus(WindowHandle window);
    static bool hasFocus(WindowHandle window);
    static void setCapture(WindowHandle window);
    static void releaseCapture(WindowHandle window);
    static void setCursor(WindowHandle window, Cursor cursor);

    static void showScrollBar(WindowHandle window, Bar bar, bool show);
    static bool isScrollBarShown(WindowHandle window, Bar bar);
    static void setScrollInfo(WindowHandle window, Bar bar, const ScrollInfo& info);
    static ScrollInfo scrollInfo(WindowHandle window, Bar bar);
    static int setScrollPos(WindowHandle window, Bar bar, int position);

    // Window timers: Timer messages with the id until killed or destroyed.
    static bool setTimer(WindowHandle window, uint32_t id, uint32_t intervalMs);
    static void killTimer(WindowHandle window, uint32_t id);

    // Accepts files dropped from file managers (DropFiles messages).
    static void acceptFiles(WindowHandle window, bool accept);
};

}  // namespace platform::gui
