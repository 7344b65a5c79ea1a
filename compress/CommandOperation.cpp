#include "compress/CommandOperation.h"

void CommandOperation::run() {
    if (!commandLine_.isEmpty()) runCommand(commandLine_);
}

void CommandOperation::cancel() {
    cancelled_ = true;
    context.cancel();
}

bool CommandOperation::runCommand(const ZString& commandLine) {
    ContextCommand command(&context);
    command.commandLine = commandLine;
    runInContext(command, &context);
    return context.cancelled;
}
