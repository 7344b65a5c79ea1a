#include "win/InputBox.h"

#include "platform/gfx/Dc.h"
#include "platform/gui/AccessibleArea.h"
#include "platform/gui/Controls.h"
#include "suite/Language.h"

namespace win {

namespace gui = platform::gui;

namespace {

constexpr int kWidth = 450;
constexpr int kHeightWithPrompt = 160;
constexpr int kHeightWithoutPrompt = 110;

}  // namespace

int InputBox::scaled(int value) { return value * gui::Gui::screenDpi() / 96; }

InputBox::~InputBox() { destroy(); }

bool InputBox::show(const ZString& caption, const ZString& prompt) {
    noPrompt_ = prompt.isEmpty();
    prompt_ = prompt;
    confirmed_ = false;
    done_ = false;
    const int height = noPrompt_ ? kHeightWithoutPrompt : kHeightWithPrompt;
    uint32_t flags = gui::kToolWindow;
    if (!owner_) flags |= gui::kTopmost;
    if (!create(owner_, caption, 0, 0, scaled(kWidth), scaled(height), flags)) return false;
    if (iconId_) setIconFromModule(iconModule_, iconId_);
    centerOnOwner();
    BaseWindow::show(true);
    gui::Window::setFocus(edit_);
    // The one modal loop: it disables the owner (when it was enabled) and
    // gives it back when the box is destroyed or the program quits.
    makeModal();
    if (!done_) destroy();
    if (owner_ && gui::Window::isWindow(owner_)) gui::Window::setFocus(owner_);
    return confirmed_;
}

void InputBox::createChildren() {
    const Rect client = getClientRect();
    const int fieldWidth = client.width() - scaled(10);
    gui::Controls::Font font;
    font.family = u"Arial";
    font.pixelHeight = scaled(16);
    int y = scaled(10);
    if (!noPrompt_) {
        label_ = gui::Controls::createLabel(getHandle(), 1, prompt_);
        gui::Controls::setFont(label_, font);
        gui::Window::move(label_, scaled(5), scaled(10));
        gui::Window::setClientSize(label_, fieldWidth, scaled(40));
        gui::Window::show(label_, true);
        y = scaled(60);
    }
    edit_ = gui::Controls::createEdit(getHandle(), 2, initialText_, password_, false);
    ok_ = gui::Controls::createButton(getHandle(), 3, lang_getStr(u"inputBox/ok"));
    cancel_ = gui::Controls::createButton(getHandle(), 4, lang_getStr(u"inputBox/cancel"));
    if (label_) gui::AccessibleArea::labelControl(label_, edit_);  // the question names the field
    const struct {
        WindowHandle window;
        int x, y, width, height;
    } places[] = {{edit_, scaled(5), y, fieldWidth, scaled(20)},
                  {ok_, scaled(220), y + scaled(30), scaled(100), scaled(25)},
                  {cancel_, scaled(330), y + scaled(30), scaled(100), scaled(25)}};
    for (const auto& place : places) {
        gui::Controls::setFont(place.window, font);
        gui::Window::move(place.window, place.x, place.y);
        gui::Window::setClientSize(place.window, place.width, place.height);
        gui::Window::show(place.window, true);
    }
}

void InputBox::confirm() {
    resultText_ = gui::Controls::text(edit_);
    confirmed_ = true;
    destroy();
}

void InputBox::cancel() { destroy(); }

void InputBox::moveFocus() {
    if (gui::Window::hasFocus(edit_))
        gui::Window::setFocus(ok_);
    else if (gui::Window::hasFocus(ok_))
        gui::Window::setFocus(cancel_);
    else
        gui::Window::setFocus(edit_);
}

intptr_t InputBox::onMessage(Message& message) {
    switch (message.msg) {
        case Msg::Create:
            createChildren();
            return 0;
        case Msg::Destroy:
            done_ = true;
            return 0;
        case Msg::Paint:
            if (message.dc)
                message.dc->fillRect(message.clip, platform::gfx::Color::rgb(0xEF, 0xEF, 0xEF));
            return 0;
        case Msg::KeyDown:
            if (message.key == gui::kVkEscape) {
                cancel();
                return 1;
            }
            if (message.key == gui::kVkReturn) {
                confirm();
                return 1;
            }
            if (message.key == gui::kVkTab) {
                moveFocus();
                return 1;
            }
            return 0;
        case Msg::Command:
            // The buttons go the same way as the keys.
            if (message.code == gui::kButtonClicked &&
                (message.control == ok_ || message.control == cancel_)) {
                Message key = Message::make(Msg::KeyDown);
                key.key = message.control == ok_ ? gui::kVkReturn : gui::kVkEscape;
                postMessage(key);
            }
            return 0;
        default:
            return defaultProc(message);
    }
}

}  // namespace win
