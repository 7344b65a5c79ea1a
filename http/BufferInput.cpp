#include "http/BufferInput.h"

#include <algorithm>
#include <cstring>

namespace http {

BufferInput::BufferInput(std::string bytes, bool knownSize)
    : bytes_(std::move(bytes)), knownSize_(knownSize) {}

int64_t BufferInput::read(char* buffer, int64_t capacity) {
    if (position_ >= bytes_.size()) return -1;
    const size_t count = std::min(bytes_.size() - position_, static_cast<size_t>(std::max<int64_t>(capacity, 0)));
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return static_cast<int64_t>(count);
}

bool BufferInput::rewind() {
    position_ = 0;
    return true;
}

int64_t BufferInput::size() { return knownSize_ ? static_cast<int64_t>(bytes_.size()) : -1; }

}  // namespace http
