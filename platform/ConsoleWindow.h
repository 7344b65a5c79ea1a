#pragma once

#include <string>

namespace platform {

// The diagnostic console, a window titled "Varto Console": from the moment
// it opens, everything the program writes to its standard output and
// standard error shows there (and still reaches the original streams).
// It opens once per process; closing it only hides it. Returns false when
// it was open already.
bool openConsoleWindow();

// Writes the whole environment, one NAME=value line each, to standard output.
void printEnvironment();

}  // namespace platform
