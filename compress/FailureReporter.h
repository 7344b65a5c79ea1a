#pragma once

#include "base/ZString.h"
#include "platform/MessageBox.h"

// How the engine tells the user about a failure and learns what to do next
// (retry a copy, go on without unlocking). The window answers with message
// boxes on its own thread, the batch command with text; the engine itself
// never shows anything and may call from any thread.
class FailureReporter {
public:
    virtual ~FailureReporter() = default;

    // Caption, text and the button and icon flags of platform::MB_*; returns
    // the answer as platform::ID*. An implementation that cannot ask gives
    // platform::cautiousAnswer(flags).
    virtual int report(const ZString& caption, const ZString& text, unsigned flags) = 0;
};

// platform::messageBox without an owner: a dialog once the window layer has
// installed its dialogs, else caption and text on standard error with the
// cautious answer (the batch command).
class MessageBoxFailureReporter : public FailureReporter {
public:
    int report(const ZString& caption, const ZString& text, unsigned flags) override;
};

// The reporter the engine uses when its caller names none: the one installed
// with setFailureReporter, else a MessageBoxFailureReporter. Never null.
FailureReporter& failureReporter();
// Installs the process's reporter (not owned); null restores the default.
void setFailureReporter(FailureReporter* reporter);
// `reporter` when set, else the installed one.
FailureReporter& reporterOr(FailureReporter* reporter);
