#pragma once

#include <cstdint>
#include <vector>

#include "base/ZString.h"
#include "platform/WindowHandle.h"
#include "platform/gui/Message.h"

namespace platform::gui {

// The GUI thread's side of the window layer: start-up, the message loop,
// messages posted from any thread, screen resolution, file dialogs and the
// clipboard's file lists.
class Gui {
public:
    // Opens the display (GTK); false when there is none. Call once on the
    // thread that will run the loop; later calls return the first answer.
    static bool init();
    static bool isInitialized();

    // Runs the main loop until quit(); returns quit's code.
    static int run();
    // Ends run() and every modal loop inside it.
    static void quit(int code = 0);
    static bool quitRequested();
    // A termination request (SIGTERM, SIGINT, SIGHUP: the session ends, the
    // terminal closes) quits the loop like closing the window, so the
    // program still cleans up after itself.
    static void quitOnTerminationSignals();
    // Modal loops (modal windows, message boxes) open on the GUI thread
    // right now; a ModalScope counts one for its lifetime.
    static int modalDepth();
    class ModalScope {
    public:
        ModalScope();
        ~ModalScope();
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;
    };

    // One pass of the loop: handles what is pending, waiting when `block`.
    static void pump(bool block);

    // Any thread: delivers the message to the window on the GUI thread, or
    // drops it when the window is gone by then. False when it cannot be queued.
    static bool post(WindowHandle window, const Message& message);

    // Logical pixels per inch: VARTO_DPI when set, else GDK's screen
    // resolution, 96 when unknown or headless.
    static int screenDpi();

    // Files copied in a file manager (text/uri-list or the GNOME list);
    // empty when the clipboard holds none.
    static std::vector<ZString> clipboardFiles();
    static void setClipboardText(const ZString& text);
};

}  // namespace platform::gui
