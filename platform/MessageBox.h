#pragma once

#include "base/ZString.h"
#include "platform/WindowHandle.h"

namespace platform {

// Button sets and icons, with the classic numeric values so flags can be
// combined and stored as they always were.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal message dialog and returns the button pressed. The dialogs
// belong to the GUI part of the platform layer, which installs them when GTK
// starts; until then, and in programs without a window, the caption and
// text go to standard error and the cautious answer comes back: IDOK when
// OK is the only button, IDNO for Yes/No, IDCANCEL otherwise.
int messageBox(WindowHandle owner, const ZString& caption, const ZString& text, unsigned flags);

// What messageBox shows its messages with; nullptr: standard error.
using MessageBoxHandler = int (*)(WindowHandle owner, const ZString& caption, const ZString& text,
                                  unsigned flags);
void setMessageBoxHandler(MessageBoxHandler handler);
// The caption and text on standard error, and the cautious answer.
int messageBoxWithoutDialog(const ZString& caption, const ZString& text, unsigned flags);

// The buttons' words, in the program's current language (the language
// library sets them; English until then).
struct MessageBoxButtons {
    ZString ok = u"_OK", cancel = u"_Cancel", retry = u"_Retry", yes = u"_Yes", no = u"_No";
};
void setMessageBoxButtons(const MessageBoxButtons& buttons);
MessageBoxButtons messageBoxButtons();

// The answer messageBox gives when nobody can be asked.
int cautiousAnswer(unsigned flags);

}  // namespace platform
