#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "async/GuiThread.h"

namespace async {

// The hand-over over GLib's default main context: a window is any handle
// registered with openWindow, and its thread is the one that registered it
// (the thread that runs the default context's loop). Several users may
// register one window; it counts as gone after the last closeWindow. Timers
// are GLib timeout sources, which may be attached from any thread.
class GlibGuiThread : public GuiThread {
public:
    static GlibGuiThread& instance();

    void openWindow(platform::WindowHandle window);
    void closeWindow(platform::WindowHandle window);

    bool windowAlive(platform::WindowHandle window) override;
    bool onWindowThread(platform::WindowHandle window) override;
    bool startTimer(platform::WindowHandle window, GuiSyncedOp* op, uint32_t periodMs) override;
    void stopTimer(platform::WindowHandle window, GuiSyncedOp* op) override;

private:
    struct Timer {
        unsigned sourceId = 0;
        bool firing = false;
    };
    static int onTimeout(void* data);
    void fire(GuiSyncedOp* op);

    std::mutex mutex_;
    std::condition_variable fired_;
    struct Registration {
        std::thread::id thread;
        int count = 0;
    };
    std::map<platform::WindowHandle, Registration> windows_;
    std::map<GuiSyncedOp*, Timer> timers_;
};

}  // namespace async
