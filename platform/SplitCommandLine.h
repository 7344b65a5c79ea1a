#pragma once

#include <vector>

#include "base/ZString.h"

namespace platform {

// Splits a command line into arguments by the classic Windows rules: the
// first argument is the program name, ended by the next quote when it starts
// with one, else by the next blank, with no escapes; later arguments honour
// quotes, 2n backslashes before a quote give n backslashes and a quote that
// toggles quoting, 2n+1 give n backslashes and a literal quote, and a quote
// doubled inside a quoted argument gives a literal quote. Blanks are spaces
// and tabs. An empty command line gives no arguments.
std::vector<ZString> splitCommandLine(const ZString& commandLine);

}  // namespace platform
