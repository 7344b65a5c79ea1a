#pragma once

#include <cstdint>

namespace platform {

// Milliseconds of a monotonic clock, wrapping at 2^32 (about 49.7 days);
// compare with unsigned differences.
uint32_t tickCount();

void sleepMs(uint32_t ms);

}  // namespace platform
