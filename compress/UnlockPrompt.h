#pragma once

#include "base/ZString.h"
#include "compress/FailureReporter.h"

// What the unlock step needs from whoever added the file: a password prompt
// and the failure reports. The window shows its input box and dialogs; the
// batch command asks on the terminal or answers by itself.
class UnlockPrompt : public FailureReporter {
public:

    // Asks for a password with the question as caption. The entered text is
    // stored in password whatever the answer; true when confirmed.
    virtual bool askPassword(const ZString& question, ZString& password) = 0;
};
