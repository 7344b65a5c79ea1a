#pragma once

#include <string>

#include "base/ZString.h"
#include "platform/WindowHandle.h"

namespace platform {

struct AboutFacts {
    ZString programName;
    ZString version;
    ZString comments;
    ZString website;
    std::string iconPng;  // the program icon as PNG bytes, may be empty
};

// The program's about box, modal to the owner; returns when it is closed.
void showAboutBox(WindowHandle owner, const AboutFacts& facts);

}  // namespace platform
