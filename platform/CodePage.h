#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/ZString.h"

namespace platform {

constexpr int32_t CP_SYSTEM = 0;  // the system code page: UTF-8 here
constexpr int32_t CP_UTF8 = 65001;

// Text to bytes and back in a numbered code page (0 and 65001 are UTF-8,
// others go through iconv as "CP<n>"). Nothing for a negative or unknown
// code page.
std::optional<std::string> encodeCodePage(int32_t codePage, const ZString& text);
std::optional<ZString> decodeCodePage(int32_t codePage, const std::string& bytes);

}  // namespace platform
