#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace test_support {

// Polls until the condition holds; false after the time-out. The one wait
// loop of the window tests: they wait for what a user would see, never for
// a fixed time.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs, int pollMs = 100) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
}

}  // namespace test_support
