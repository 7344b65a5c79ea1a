#pragma once

#include <cstdint>
#include <string>

#include "http/Output.h"

namespace http {

// Collects a response body in memory, keeping at most `maxSize` bytes (no
// limit when negative). The body is read until one byte past the limit, so a
// cut body is known to be cut without reading the rest.
class BufferOutput : public Output {
public:
    explicit BufferOutput(int64_t maxSize = -1);

    void write(const char* bytes, int64_t count) override;
    void expectSize(int64_t size) override { expectedSize_ = size; }
    bool full() const override { return truncated_; }

    const std::string& bytes() const { return bytes_; }
    // Every byte that arrived, kept or not.
    int64_t received() const { return received_; }
    bool truncated() const { return truncated_; }
    int64_t expectedSize() const { return expectedSize_; }

private:
    int64_t maxSize_;
    int64_t received_ = 0;
    int64_t expectedSize_ = -1;
    bool truncated_ = false;
    std::string bytes_;
};

}  // namespace http
