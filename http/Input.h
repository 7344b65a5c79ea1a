#pragma once

#include <cstdint>

namespace http {

// A request body source, read front to back once.
class Input {
public:
    virtual ~Input() = default;
    // Up to `capacity` bytes into `buffer`; a negative value at the end.
    virtual int64_t read(char* buffer, int64_t capacity) = 0;
    // Total size in bytes, negative when unknown (the body is then sent
    // chunked).
    virtual int64_t size() = 0;
    // Back to the first byte, for a redirect that sends the body again;
    // false when the source cannot.
    virtual bool rewind() { return false; }
};

}  // namespace http
