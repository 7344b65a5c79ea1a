#pragma once

#include <string>
#include <string_view>

#include "win/BaseWindow.h"

namespace win {

// A small modal dialog asking for one line of text: caption, optional
// prompt, an edit field (masked for passwords), OK and Cancel. Enter
// confirms, Escape cancels, Tab moves edit field → OK → Cancel. The owner
// is disabled while the box is open and enabled again afterwards (unless it
// was disabled before). Lengths are 96-dpi values scaled to the screen.
class InputBox : public BaseWindow {
public:
    explicit InputBox(WindowHandle owner = nullptr) : owner_(owner) {}
    ~InputBox() override;

    void setPassword(bool password) { password_ = password; }
    void setInitialText(const ZString& text) { initialText_ = text; }
    // The box's icon: icon `id` of a module's resources (see setIconFromModule).
    void setIcon(std::string_view module, int id) {
        iconModule_ = module;
        iconId_ = id;
    }
    // True when the user confirmed; the result text then holds the field's text.
    bool show(const ZString& caption, const ZString& prompt);
    const ZString& resultText() const { return resultText_; }

    intptr_t onMessage(Message& message) override;

    static int scaled(int value);

private:
    void createChildren();
    void confirm();
    void cancel();
    void moveFocus();

    WindowHandle owner_;
    WindowHandle label_ = nullptr;
    WindowHandle edit_ = nullptr;
    WindowHandle ok_ = nullptr;
    WindowHandle cancel_ = nullptr;
    bool noPrompt_ = false;
    bool password_ = false;
    std::string iconModule_;
    int iconId_ = 0;
    ZString initialText_;
    ZString resultText_;
    ZString prompt_;
    bool confirmed_ = false;
    bool done_ = false;
};

}  // namespace win
