#include "platform/MessageBox.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace platform {

namespace {

std::mutex& buttonsLock() {
    static std::mutex lock;
    return lock;
}

MessageBoxButtons& buttonWords() {
    static MessageBoxButtons words;
    return words;
}

std::atomic<MessageBoxHandler> dialogs{nullptr};

}  // namespace

void setMessageBoxButtons(const MessageBoxButtons& buttons) {
    std::lock_guard<std::mutex> guard(buttonsLock());
    buttonWords() = buttons;
}

MessageBoxButtons messageBoxButtons() {
    std::lock_guard<std::mutex> guard(buttonsLock());
    return buttonWords();
}

int cautiousAnswer(unsigned flags) {
    switch (flags & 0x0F) {
        case MB_OK:
            return IDOK;
        case MB_YESNO:
            return IDNO;
        default:
            return IDCANCEL;
    }
}

void setMessageBoxHandler(MessageBoxHandler handler) { dialogs = handler; }

int messageBoxWithoutDialog(const ZString& caption, const ZString& text, unsigned flags) {
    std::string out = caption.toDisplayUtf8() + "\n" + text.toDisplayUtf8() + "\n";
    fwrite(out.data(), 1, out.size(), stderr);
    fflush(stderr);
    return cautiousAnswer(flags);
}

int messageBox(WindowHandle owner, const ZString& caption, const ZString& text, unsigned flags) {
    MessageBoxHandler handler = dialogs;
    if (handler) return handler(owner, caption, text, flags);
    return messageBoxWithoutDialog(caption, text, flags);
}

}  // namespace platform
