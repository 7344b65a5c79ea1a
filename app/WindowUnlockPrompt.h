#pragma once

#include "compress/UnlockPrompt.h"

// The window's answers for the unlock step: the input box for passwords and
// message boxes owned by the main window.
class WindowUnlockPrompt : public UnlockPrompt {
public:
    explicit WindowUnlockPrompt(platform::WindowHandle owner) : owner_(owner) {}

    bool askPassword(const ZString& question, ZString& password) override;
    int messageBox(const ZString& caption, const ZString& text, unsigned flags) override;
    platform::WindowHandle owner() const override { return owner_; }

private:
    platform::WindowHandle owner_;
};
