#pragma once

#include <functional>

#include "compress/FailureReporter.h"
#include "platform/WindowHandle.h"

// The window's answer to the engine's failure reports: a message box owned
// by the window, always shown on the window's thread. A report from another
// thread (the background worker) is handed to that thread and waited for;
// when the window is gone or the program is ending, nobody is asked and the
// cautious answer comes back.
class WindowFailureReporter : public FailureReporter {
public:
    // beforeModal runs on the window's thread before each box opens.
    WindowFailureReporter(platform::WindowHandle owner, std::function<void()> beforeModal)
        : owner_(owner), beforeModal_(std::move(beforeModal)) {}

    int report(const ZString& caption, const ZString& text, unsigned flags) override;

    platform::WindowHandle owner() const { return owner_; }

private:
    int showHere(const ZString& caption, const ZString& text, unsigned flags);

    platform::WindowHandle owner_;
    std::function<void()> beforeModal_;
};
