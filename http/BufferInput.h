#pragma once

#include <string>

#include "http/Input.h"

namespace http {

// Serves a byte buffer. With `knownSize` false it reports an unknown size,
// so the body goes out chunked.
class BufferInput : public Input {
public:
    explicit BufferInput(std::string bytes, bool knownSize = true);

    int64_t read(char* buffer, int64_t capacity) override;
    int64_t size() override;
    bool rewind() override;

    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
    size_t position_ = 0;
    bool knownSize_;
};

}  // namespace http
