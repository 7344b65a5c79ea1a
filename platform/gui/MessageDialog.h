#pragma once

#include "base/ZString.h"
#include "platform/WindowHandle.h"

namespace platform::gui {

// platform::messageBox as a GTK message dialog, once GTK runs with a display
// (Gui::init makes it the one messageBox uses). The dialog runs a nested
// main loop on the GUI (main) thread; called from another thread it is
// handed to the GUI thread and the caller waits for the answer. Without a
// display it answers as messageBox does without dialogs.
int showMessageDialog(WindowHandle owner, const ZString& caption, const ZString& text, unsigned flags);

}  // namespace platform::gui
