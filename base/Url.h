#pragma once

#include <cstdint>
#include <stdexcept>

#include "base/ZString.h"

// The parsed form of one URL.
class Url {
public:
    int32_t port = -1;  // -1 when unknown
    ZString scheme;     // lower case, without "://"
    ZString user;
    ZString password;
    ZString host;       // lower case
    ZString path;       // from the first "/" after the host, "/" included
    ZString query;      // without the leading "?" or "&"
    ZString fragment;   // without the leading "#"

    // Throws std::runtime_error("Port in Url invalid") for a port that is
    // not 1 to 5 decimal digits.
    static Url parse(const ZString& text);

    ZString toString() const;
};

// The "scheme://host[:port]" an address starts with, as written: up to the
// first "/", "?" or "#" after the "://"; empty when there is no "://".
ZString urlOrigin(const ZString& address);
