#pragma once

#include "compress/CommandContext.h"
#include "compress/Operation.h"

// An operation whose work runs child commands through its own context, so
// that cancelling it kills the running child.
class CommandOperation : public AbstractOperation {
public:
    explicit CommandOperation(const ZString& commandLine = ZString()) : commandLine_(commandLine) {}

    void release() override { delete this; }
    void run() override;
    void cancel() override;
    // Runs the command line published in the context; true when the
    // operation was cancelled meanwhile.
    virtual bool runCommand(const ZString& commandLine);

    CommandContext& commandContext() { return context; }

protected:
    CommandContext context;
    ZString commandLine_;
};
