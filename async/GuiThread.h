#pragma once

#include <cstdint>

#include "platform/WindowHandle.h"

namespace async {

class GuiSyncedOp;

// How a worker thread reaches the thread that owns a window. The window layer
// installs its own; until then the GLib main loop of the default context
// stands for the window's thread (GlibGuiThread).
class GuiThread {
public:
    virtual ~GuiThread() = default;

    // The window still exists and belongs to this process.
    virtual bool windowAlive(platform::WindowHandle window) = 0;
    virtual bool onWindowThread(platform::WindowHandle window) = 0;
    // Starts a timer on the window's thread that fires once and then calls
    // op->onTimer(); false when no timer could be started.
    virtual bool startTimer(platform::WindowHandle window, GuiSyncedOp* op, uint32_t periodMs) = 0;
    // Kills the timer of `op` if it has not fired; when it is firing right
    // now, returns after onTimer has returned.
    virtual void stopTimer(platform::WindowHandle window, GuiSyncedOp* op) = 0;
};

// The hand-over in use; never null (the GLib one by default).
GuiThread& guiThread();
// Installs another hand-over (null restores the default); not owned.
void setGuiThread(GuiThread* thread);

}  // namespace async
