#include "app/OperationWindow.h"

#include "platform/ProgressWindow.h"
#include "suite/Language.h"

OperationWindow::OperationWindow(platform::WindowHandle owner)
    : window_(std::make_unique<platform::ProgressWindow>(owner, u"Varto Compress",
                                                         lang_getStr(u"inputBox/cancel"))) {}

OperationWindow::~OperationWindow() = default;

void OperationWindow::run(Operation* operation) {
    ZString text;
    uint64_t weight = 0;
    operation->describe(text, weight);
    window_->run(
        text, weight, [operation] { operation->run(); }, [operation] { operation->cancel(); });
}

void OperationWindow::setSeries(bool series) { window_->setSeries(series); }

bool OperationWindow::isCancelled() const { return window_->cancelled(); }

OperationWindow* operationUI_createInstance(platform::WindowHandle owner) {
    return new OperationWindow(owner);
}
