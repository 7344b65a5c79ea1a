#pragma once

#include <cstdint>

namespace platform {

// Window-less timers on the GUI thread's GLib main context (the default
// context), so they tick in a headless program as soon as the main loop or
// a g_main_context_iteration runs. One callback serves every timer; it gets
// the id that start returned. Ids are never 0 and stay the same when a
// timer is restarted with a new interval.
class ThreadTimer {
public:
    using Callback = void (*)(uint32_t id);

    // Starts a repeating timer and returns its id, 0 on failure.
    static uint32_t start(uint32_t intervalMs, Callback callback);
    // Restarts a running timer with a new interval; false when id is unknown.
    static bool restart(uint32_t id, uint32_t intervalMs);
    // Stops the timer; false when id is unknown.
    static bool stop(uint32_t id);
    static bool isRunning(uint32_t id);
};

}  // namespace platform
