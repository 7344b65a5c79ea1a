#pragma once

#include <memory>

#include "compress/Operation.h"
#include "platform/WindowHandle.h"

namespace platform {
class ProgressWindow;
}

// The progress window operations run in: it shows the operation's text,
// keeps the program responsive while the operation works on a thread of its
// own, and its Cancel reaches the operation's cancel.
class OperationWindow {
public:
    explicit OperationWindow(platform::WindowHandle owner);
    ~OperationWindow();

    // Runs the operation to its end; returns only then.
    void run(Operation* operation);
    // Several operations follow in the same window.
    void setSeries(bool series);
    bool isCancelled() const;
    void release() { delete this; }

private:
    std::unique_ptr<platform::ProgressWindow> window_;
};

OperationWindow* operationUI_createInstance(platform::WindowHandle owner);
