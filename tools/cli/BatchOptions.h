#pragma once

#include <vector>

#include "base/Props.h"
#include "base/ZString.h"

// The batch command's command line.
struct BatchOptions {
    Props settings;  // the record the form would give: dpi, imageQuality, colorModel, ...
    ZString suffix = u"_compressed";
    ZString outputFolder;  // empty: beside each input
    std::vector<ZString> passwords;
    unsigned jobs = 0;  // 0: one per core
    bool verbose = false;
    bool help = false;
    bool json = false;  // one JSON object per file on standard output
    std::vector<ZString> files;
    // Lists of further inputs ("-": standard input), read after parsing.
    std::vector<ZString> fileLists;
    bool nulSeparated = false;  // names in the lists end with a NUL, not a line feed
};

// Fills options from argv (without the program name). False with a message
// in error for bad usage.
bool parseBatchOptions(const std::vector<ZString>& args, BatchOptions& options, ZString& error);

const char* batchUsage();
