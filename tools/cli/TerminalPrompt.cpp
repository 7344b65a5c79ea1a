#include "TerminalPrompt.h"

#include "platform/MessageBoxFlags.h"
#include "platform/Terminal.h"

bool TerminalPrompt::askPassword(const ZString& question, ZString& password) {
    password.clear();
    if (!interactive_) return false;
    asked_ = true;
    ZString entered;
    if (around_) around_(true);
    bool answered = platform::terminal::readHidden(question + u": ", entered);
    if (around_) around_(false);
    if (!answered || entered.isEmpty()) return false;
    password = entered;
    return true;
}

int TerminalPrompt::report(const ZString& /*caption*/, const ZString& text, unsigned flags) {
    int end = text.find(u"\r\n");
    message_ = end < 0 ? text : text.substring(0, end);
    return platform::cautiousAnswer(flags);
}
