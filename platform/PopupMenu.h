#pragma once

#include <vector>

#include "base/ZString.h"
#include "platform/WindowHandle.h"

namespace platform {

// A menu of the texts at the pointer, attached to the widget; returns the
// 1-based number of the chosen entry, 0 when the menu was dismissed.
int popupMenu(WindowHandle attachTo, const std::vector<ZString>& items);

}  // namespace platform
