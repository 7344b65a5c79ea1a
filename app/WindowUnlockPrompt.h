#pragma once

#include <functional>

#include "compress/UnlockPrompt.h"

// The window's answers for the unlock step: the input box for passwords and
// message boxes owned by the main window.
class WindowUnlockPrompt : public UnlockPrompt {
public:
    // beforeModal runs before each box opens.
    WindowUnlockPrompt(platform::WindowHandle owner, std::function<void()> beforeModal)
        : owner_(owner), beforeModal_(std::move(beforeModal)) {}

    bool askPassword(const ZString& question, ZString& password) override;
    int messageBox(const ZString& caption, const ZString& text, unsigned flags) override;
    platform::WindowHandle owner() const override { return owner_; }
    // The text of the last message box, kept as the reason of a failed file.
    const ZString& lastMessage() const { return lastMessage_; }
    void clearLastMessage() { lastMessage_.clear(); }

private:
    ZString lastMessage_;
    platform::WindowHandle owner_;
    std::function<void()> beforeModal_;
};
