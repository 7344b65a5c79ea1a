#pragma once

#include <optional>
#include <vector>

#include "base/ZString.h"
#include "platform/WindowHandle.h"

namespace platform::dialogs {

// The system's file choosers, modal to the owner's window. Each returns
// nothing (or no files) when the user cancels. A dialog opens in `folder`
// when one is given.

// One entry of a chooser's type list: "PDF Files", "*.pdf;*.PDF" ("*.*"
// means every file).
struct Filter {
    ZString name;
    ZString patterns;
};

// Existing files, several at once when `multiple`.
std::vector<ZString> openFiles(WindowHandle owner, const ZString& title,
                               const std::vector<Filter>& filters, bool multiple = true,
                               const ZString& folder = ZString());

// A file to write, proposed under `proposedName`; asks before replacing a
// file. When the first filter is a single "*.ext", a chosen name without
// that extension gets it.
std::optional<ZString> saveFile(WindowHandle owner, const ZString& title, const ZString& folder,
                                const ZString& proposedName, const std::vector<Filter>& filters);

// A folder; new folders can be made in the dialog. Without a start folder
// it opens in the home folder.
std::optional<ZString> chooseFolder(WindowHandle owner, const ZString& title,
                                    const ZString& folder = ZString());

}  // namespace platform::dialogs
