#pragma once

#include <functional>

#include "app/WindowFailureReporter.h"
#include "compress/UnlockPrompt.h"

// The window's answers for the unlock step: the input box for passwords and
// the window's failure reports.
class WindowUnlockPrompt : public UnlockPrompt {
public:
    // beforeModal runs before each box opens.
    WindowUnlockPrompt(platform::WindowHandle owner, std::function<void()> beforeModal)
        : owner_(owner), beforeModal_(beforeModal), reporter_(owner, beforeModal) {}

    bool askPassword(const ZString& question, ZString& password) override;
    int report(const ZString& caption, const ZString& text, unsigned flags) override {
        lastMessage_ = text;
        return reporter_.report(caption, text, flags);
    }
    WindowFailureReporter& reporter() { return reporter_; }
    // The text of the last report, kept as the reason of a failed file.
    const ZString& lastMessage() const { return lastMessage_; }
    void clearLastMessage() { lastMessage_.clear(); }

private:
    ZString lastMessage_;
    platform::WindowHandle owner_;
    std::function<void()> beforeModal_;
    WindowFailureReporter reporter_;
};
