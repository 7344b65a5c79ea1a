#pragma once

#include <cstdint>
#include <vector>

#include "base/ZString.h"
#include "platform/WindowHandle.h"
#include "platform/gfx/Rect.h"

namespace platform::gfx {
class Dc;
}  // namespace platform::gfx

namespace platform::gui {

// What a window hears, translated from GTK signals on the GUI thread. The
// layers above know these as win::Msg.
enum class Msg : uint32_t {
    Create = 1,   // sent before the window is shown
    Destroy,      // the window is going; its handle is still valid
    Close,        // the user asked to close a top-level window
    Size,         // client size: width, height
    Paint,        // dc and clip (client coordinates)
    MouseMove,    // x, y, keyState
    LButtonDown,  // x, y, keyState
    LButtonUp,
    RButtonDown,
    RButtonUp,
    MouseLeave,  // the pointer left the client area (or went into a child window)
    MouseWheel,  // x, y, wheelDelta (+120 per notch turned away from the user)
    KeyDown,     // key (virtual key code), keyState
    KeyUp,
    Char,     // text typed into a self-drawn window (key holds the character)
    Timer,    // id
    HScroll,  // code (kScroll*), position
    VScroll,
    SetFocus,
    KillFocus,
    Activate,     // active
    Command,      // control, id, code: a native control's notification
    Notify,       // control, id, code, data
    DropFiles,    // files, x, y
    CopyData,     // id (the sender's tag), text
    FocusItem,    // code: the painted item that took the keyboard focus, -1 none
    ItemAction,   // code: the painted item assistive technology pressed
    User = 0x400  // and above: the program's own messages, with param and data
};

// keyState bits (pointer buttons and modifiers held).
constexpr uint32_t kKeyLeftButton = 0x01;
constexpr uint32_t kKeyRightButton = 0x02;
constexpr uint32_t kKeyShift = 0x04;
constexpr uint32_t kKeyControl = 0x08;
constexpr uint32_t kKeyMiddleButton = 0x10;

// Virtual key codes (letters and digits are their upper-case ASCII codes).
constexpr uint32_t kVkBack = 0x08;
constexpr uint32_t kVkTab = 0x09;
constexpr uint32_t kVkReturn = 0x0D;
constexpr uint32_t kVkShift = 0x10;
constexpr uint32_t kVkControl = 0x11;
constexpr uint32_t kVkEscape = 0x1B;
constexpr uint32_t kVkSpace = 0x20;
constexpr uint32_t kVkPageUp = 0x21;
constexpr uint32_t kVkPageDown = 0x22;
constexpr uint32_t kVkEnd = 0x23;
constexpr uint32_t kVkHome = 0x24;
constexpr uint32_t kVkLeft = 0x25;
constexpr uint32_t kVkUp = 0x26;
constexpr uint32_t kVkRight = 0x27;
constexpr uint32_t kVkDown = 0x28;
constexpr uint32_t kVkInsert = 0x2D;
constexpr uint32_t kVkDelete = 0x2E;
constexpr uint32_t kVkF1 = 0x70;  // F1..F12 follow
constexpr uint32_t kVkLeftControl = 0xA2;
constexpr uint32_t kVkRightControl = 0xA3;

// Scroll-bar codes of HScroll/VScroll.
constexpr int kScrollLineUp = 0;
constexpr int kScrollLineDown = 1;
constexpr int kScrollPageUp = 2;
constexpr int kScrollPageDown = 3;
constexpr int kScrollThumbPosition = 4;
constexpr int kScrollThumbTrack = 5;
constexpr int kScrollTop = 6;
constexpr int kScrollBottom = 7;

// Notification codes of Command.
constexpr int kButtonClicked = 0;
constexpr int kSelectionChanged = 1;  // list and combo boxes
constexpr int kTextChanged = 0x300;   // edit fields, editable combo boxes
constexpr int kDropDownClosed = 8;

struct Message {
    Msg msg = Msg::User;
    WindowHandle window = nullptr;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    uint32_t keyState = 0;
    int wheelDelta = 0;
    uint32_t key = 0;
    uint32_t id = 0;
    int code = 0;
    int position = 0;
    bool active = false;
    WindowHandle control = nullptr;
    gfx::Dc* dc = nullptr;
    gfx::Rect clip;
    std::vector<ZString> files;
    ZString text;
    intptr_t param = 0;
    void* data = nullptr;

    static Message make(Msg msg) {
        Message m;
        m.msg = msg;
        return m;
    }
};

// The receiver of one window's messages (the object in its user-data slot).
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual intptr_t onWindowMessage(Message& message) = 0;
};

}  // namespace platform::gui
