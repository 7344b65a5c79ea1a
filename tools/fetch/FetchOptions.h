#pragma once

#include <string>
#include <vector>

#include "http/FetchRequest.h"

// The command line of varto-fetch, read into a fetch description.
struct FetchOptions {
    http::FetchRequest request;
    bool chunked = false;
    long long maxSize = -1;
    std::string error;  // why the command line is not usable

    static FetchOptions parse(const std::vector<std::string>& args);
};

extern const char* const kFetchUsage;
