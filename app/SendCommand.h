#pragma once

#include <vector>

#include "base/ZString.h"

// `varto-compress --send ARGS...`: hands the arguments to the newest window
// of this user as a copy-data command line with tag 111. Returns the exit
// code: 0 once the window answered, 1 (with one line on standard error)
// when no window runs.
int sendToRunningWindow(const std::vector<ZString>& args);

// The copy-data tag of a command line.
constexpr uint32_t kCommandLineTag = 111;
// The name under which windows of this program listen.
constexpr const char* kWindowClass = "Varto_Compress";
