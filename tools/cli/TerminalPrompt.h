#pragma once

#include <functional>

#include "compress/UnlockPrompt.h"

// The unlock step's questions in a terminal: passwords are asked without
// echo when there is a terminal (an empty answer skips the file);
// failure reports are answered Cancel and their first line kept as the reason.
class TerminalPrompt : public UnlockPrompt {
public:
    // around(true) runs before a question is shown, around(false) after the
    // answer: the caller clears and redraws its progress line there.
    TerminalPrompt(bool interactive, std::function<void(bool asking)> around)
        : interactive_(interactive), around_(std::move(around)) {}

    bool askPassword(const ZString& question, ZString& password) override;
    int report(const ZString& caption, const ZString& text, unsigned flags) override;

    bool asked() const { return asked_; }
    const ZString& message() const { return message_; }

private:
    bool interactive_;
    std::function<void(bool)> around_;
    bool asked_ = false;
    ZString message_;
};
