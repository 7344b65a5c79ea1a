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
    std::vector<ZString> files;
};

// Fills options from argv (without the program name). False with a message
// in error for bad usage.
bool parseBatchOptions(const std::vector<ZString>& args, BatchOptions& options, ZString& error);

const char* batchUsage();
