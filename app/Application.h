#pragma once

#include <vector>

#include "base/ZString.h"

class MyGUI;

// Creates and shows the one main window (alive until the process ends);
// null after telling the user when it cannot be made.
MyGUI* createMainWindow();

// The start up to the message loop: markers, environment, the main window
// (painted once before the command line's files are prepared, which can
// take a while), the files of the command line and the background worker.
// The display must be open. Null when the window could not be made.
MyGUI* startApplication(const std::vector<ZString>& args);

// The window program from start to end: markers, environment, the main
// window with the files of the command line, the background worker, the
// message loop, then the worker's stop and the close-time update check.
// Returns the exit code.
int runApplication(const std::vector<ZString>& args);
