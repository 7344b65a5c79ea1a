#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "base/ZString.h"
#include "platform/WindowHandle.h"

namespace platform {

// A small modal window with a text, a moving progress bar and a Cancel
// button, shown while a piece of work runs on a thread of its own. The
// window stays responsive; the owner cannot be used meanwhile. Without a
// display the work simply runs on the calling thread.
class ProgressWindow {
public:
    ProgressWindow(WindowHandle owner, const ZString& title, const ZString& cancelLabel);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // In a series the window stays open from one run to the next and the
    // bar counts the weights finished so far against the total.
    void setSeries(bool series, uint64_t totalWeight = 0);

    // Runs work on its own thread and returns once it has finished. Cancel
    // (button, Escape or closing the window) calls cancel on the GUI thread;
    // the work is expected to end soon after.
    void run(const ZString& text, uint64_t weight, const std::function<void()>& work,
             const std::function<void()>& cancel);
    // The user has cancelled; stays true for the rest of a series.
    bool cancelled() const { return cancelled_; }

private:
    struct Widgets;
    void show(const ZString& text);
    void hide();
    void onCancel();
    static int onPulse(void* self);

    std::unique_ptr<Widgets> widgets_;
    WindowHandle owner_;
    ZString title_;
    ZString cancelLabel_;
    std::function<void()> cancel_;
    bool series_ = false;
    uint64_t totalWeight_ = 0;
    uint64_t doneWeight_ = 0;
    uint64_t runningWeight_ = 0;
    bool cancelled_ = false;
};

}  // namespace platform
