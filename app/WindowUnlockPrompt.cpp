#include "app/WindowUnlockPrompt.h"

#include "platform/MessageBox.h"
#include "win/InputBox.h"

bool WindowUnlockPrompt::askPassword(const ZString& question, ZString& password) {
    if (beforeModal_) beforeModal_();
    win::InputBox box(owner_);
    box.setPassword(true);
    box.setIcon("Resources.dll", 100);
    const bool confirmed = box.show(question, ZString());
    password = box.resultText();
    return confirmed;
}

int WindowUnlockPrompt::messageBox(const ZString& caption, const ZString& text, unsigned flags) {
    if (beforeModal_) beforeModal_();
    lastMessage_ = text;
    return platform::messageBox(owner_, caption, text, flags);
}
