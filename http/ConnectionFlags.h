#pragma once

#include <cstdint>

namespace http {

// Connection flags of a request, by their designed values.
inline constexpr uint32_t kFlagIgnoreCertCnInvalid = 0x00001000;
inline constexpr uint32_t kFlagIgnoreCertDateInvalid = 0x00002000;
inline constexpr uint32_t kFlagNoAuth = 0x00040000;
inline constexpr uint32_t kFlagNoCookies = 0x00080000;
inline constexpr uint32_t kFlagNoAutoRedirect = 0x00200000;
inline constexpr uint32_t kFlagSecure = 0x00800000;
inline constexpr uint32_t kFlagNoCacheWrite = 0x04000000;
inline constexpr uint32_t kFlagReload = 0x80000000;

}  // namespace http
