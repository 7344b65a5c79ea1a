#pragma once

#include <span>

#include "base/ZString.h"

namespace xhtml {

struct Entity {
    const char16_t* reference;  // the full text, "&" and ";" included
    char16_t codePoint;
};

// The 125 known named references, in table order.
std::span<const Entity> entityTable();

// Replaces character references in `text` (named ones from the table,
// decimal, hexadecimal and octal numeric ones); unknown or malformed ones
// stay as they are.
void decodeEntities(ZString& text);

}  // namespace xhtml
