#include "app/WindowUnlockPrompt.h"

#include "platform/MessageBox.h"

bool WindowUnlockPrompt::askPassword(const ZString& question, ZString& password) {
    (void)question;
    password.clear();
    return false;
}

int WindowUnlockPrompt::messageBox(const ZString& caption, const ZString& text, unsigned flags) {
    return platform::messageBox(owner_, caption, text, flags);
}
