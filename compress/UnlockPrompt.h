#pragma once

#include "base/ZString.h"
#include "platform/WindowHandle.h"

// What the unlock step needs from whoever added the file: a password prompt
// and the message boxes. The window shows its input box and dialogs; the
// batch command asks on the terminal or answers by itself.
class UnlockPrompt {
public:
    virtual ~UnlockPrompt() = default;

    // Asks for a password with the question as caption. The entered text is
    // stored in password whatever the answer; true when confirmed.
    virtual bool askPassword(const ZString& question, ZString& password) = 0;

    // A message box with the flags and answers of platform::messageBox.
    virtual int messageBox(const ZString& caption, const ZString& text, unsigned flags) = 0;

    // Owner of the copy error box.
    virtual platform::WindowHandle owner() const { return nullptr; }
};
