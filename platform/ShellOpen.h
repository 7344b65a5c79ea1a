#pragma once

#include "base/ZString.h"

namespace platform::shell {

// Opens a target the way a user's double click would: a program file is
// started with the parameters (split by the command-line rules, no shell
// involved) and left running on its own; an address with a scheme
// ("https://…") or a document opens in the user's default application. True
// when something was started; nothing waits for it.
bool open(const ZString& target, const ZString& parameters);

}  // namespace platform::shell
