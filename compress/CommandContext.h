#pragma once

#include <atomic>
#include <mutex>

#include "compress/Command.h"
#include "compress/FailureReporter.h"
#include "compress/StepProgress.h"

// The cancellation record shared by the steps of one compression: cancelling
// sets the flag, which the steps read between tools, and kills the child that
// is running at that moment, so Remove, Cancel and Close act at once.
class CommandContext {
public:
    // Sets cancelled and ends the running child, if any.
    void cancel();

    std::recursive_mutex lock;
    std::atomic<bool> cancelled{false};
    Command* runningCommand = nullptr;  // guarded by lock
    FailureReporter* reporter = nullptr;  // null: the installed one
    // The progress of the file being compressed with this context, if shown.
    StepProgress* progress = nullptr;
    // The user's file being compressed, as messages name it.
    ZString userFile;
};

// A command that ends itself when its context was cancelled while it was
// being started, a moment the context's cancel cannot reach yet.
class ContextCommand : public Command {
public:
    explicit ContextCommand(CommandContext* context = nullptr) : context_(context) {}

    CommandContext* context() const { return context_; }
    void onStarted() override;

private:
    CommandContext* context_;
};

// Runs the command published as the context's running command. Without a
// context it simply runs. A context cancelled before the start runs nothing
// and returns false; otherwise true.
bool runInContext(Command& command, CommandContext* context);
