#pragma once

#include <cstdint>

#include "base/ZString.h"

namespace xhtml {

// One comma-separated selector: at most one of class and id, and the style
// state its rule feeds. Empty or "*" parts match anything.
struct StyleSelector {
    ZString tag;
    ZString id;
    ZString cls;
    int32_t state = 0;
};

}  // namespace xhtml
