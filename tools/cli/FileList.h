#pragma once

#include <vector>

#include "base/ZString.h"

// Reads the names a list file holds ("-": standard input), one a line or,
// when nulSeparated, each ended by a NUL byte, and appends them to files.
// Empty names are skipped; a line's carriage return before its line feed is
// dropped (lists written on other systems). False with the reason in error
// when the list cannot be read.
bool readFileList(const ZString& list, bool nulSeparated, std::vector<ZString>& files,
                  ZString& error);
