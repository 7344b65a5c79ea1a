#pragma once

#include <atomic>
#include <cstdint>

#include "platform/WindowHandle.h"

namespace async {

// Part of a background job that must run on the window's thread.
class GuiSyncedOp {
public:
    virtual ~GuiSyncedOp() = default;
    virtual void runOnGui() = 0;

    // Runs runOnGui on the window's thread and returns when it has run, or
    // at once when the window is gone or no timer could be started.
    void syncWithGui();

    // Called by the hand-over on the window's thread when the timer fires.
    void onTimer();

    platform::WindowHandle window = nullptr;
    std::atomic<bool> done{false};
    // Set from another thread when nobody should wait for the window any
    // longer (the program is quitting): a pending call is skipped.
    std::atomic<bool> abandoned{false};
    uint32_t timerPeriodMs = 10;
};

}  // namespace async
