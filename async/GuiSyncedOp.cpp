#include "async/GuiSyncedOp.h"

#include <chrono>
#include <thread>

#include "async/GuiThread.h"

namespace async {

void GuiSyncedOp::syncWithGui() {
    GuiThread& gui = guiThread();
    done = false;
    if (abandoned || !gui.windowAlive(window)) {
        done = true;
        return;
    }
    if (gui.onWindowThread(window)) {
        runOnGui();
        done = true;
        return;
    }
    if (!gui.startTimer(window, this, timerPeriodMs)) {
        done = true;
        return;
    }
    while (!done) {
        if (abandoned || !gui.windowAlive(window)) {
            // Nobody will run it now; make sure the timer cannot fire later
            // into an operation whose owner may be gone.
            gui.stopTimer(window, this);
            done = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void GuiSyncedOp::onTimer() {
    runOnGui();
    done = true;
}

}  // namespace async
