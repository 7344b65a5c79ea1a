#pragma once

#include "base/ZString.h"
#include "platform/MessageBoxFlags.h"
#include "platform/WindowHandle.h"

namespace platform {

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

}  // namespace platform
