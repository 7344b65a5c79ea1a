#pragma once

#include <cstdint>

// The calling thread's last error code, for steps that answer only true or
// false but must tell a cancellation apart from a failure.
constexpr uint32_t kErrorCancelled = 1223;

void setLastError(uint32_t code);
uint32_t getLastError();
