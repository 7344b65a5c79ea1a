#include "compress/CommandContext.h"

void CommandContext::cancel() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    cancelled = true;
    if (runningCommand) runningCommand->terminate();
}

void ContextCommand::onStarted() {
    Command::onStarted();
    if (context_ && context_->cancelled) terminate();
}

bool runInContext(Command& command, CommandContext* context) {
    if (!context) {
        command.run();
        return true;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(context->lock);
        if (context->cancelled) return false;
        context->runningCommand = &command;
    }
    command.run();
    std::lock_guard<std::recursive_mutex> guard(context->lock);
    context->runningCommand = nullptr;
    return true;
}
