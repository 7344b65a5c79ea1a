#include "app/WindowUnlockPrompt.h"

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
