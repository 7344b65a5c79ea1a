#pragma once

#include <cstdint>

namespace http {

// Where a response body goes, in the order it arrives.
class Output {
public:
    virtual ~Output() = default;
    virtual void write(const char* bytes, int64_t count) = 0;
    // The body's announced size, when it is known before the first byte.
    virtual void expectSize(int64_t) {}
    // True when the output takes no more bytes: the body is not read further.
    virtual bool full() const { return false; }
};

}  // namespace http
