#pragma once

#include <string_view>

#include "base/ZString.h"

// Percent escaping with lower-case hex digits; only A-Z a-z 0-9 - . _ ~ stay.

// A negative length means up to the first zero byte.
ZString escapeComponent(const char* bytes, int length);
inline ZString escapeComponent(std::string_view bytes) {
    return escapeComponent(bytes.data(), static_cast<int>(bytes.size()));
}

// The text as UTF-8, escaped like escapeComponent but keeping "/".
ZString escapePath(const ZString& text);

// Decodes %XX escapes and reads the bytes (up to the first zero byte) as
// UTF-8. A "%" without two hex digits after it fails and leaves `result`
// unchanged.
bool unescape(const ZString& text, ZString& result);
