#pragma once

#include <optional>
#include <vector>

#include "base/ZString.h"
#include "platform/WindowHandle.h"

namespace platform::dialogs {

// The system's file choosers, modal to the owner's window. Each returns
// nothing (or no files) when the user cancels.

// Existing files, several at once, all kinds shown.
std::vector<ZString> openFiles(WindowHandle owner, const ZString& title, const ZString& filterName);

// A file to write, with the PDF filter, starting in the folder (when not
// empty) with the proposed name; asks before replacing a file.
std::optional<ZString> saveFile(WindowHandle owner, const ZString& folder,
                                const ZString& proposedName, const ZString& filterName);

// A folder, starting in the given one (when not empty); new folders can be
// made in the dialog.
std::optional<ZString> chooseFolder(WindowHandle owner, const ZString& folder);

}  // namespace platform::dialogs
