#include "http/BufferOutput.h"

#include <algorithm>

namespace http {

BufferOutput::BufferOutput(int64_t maxSize) : maxSize_(maxSize) {}

void BufferOutput::write(const char* bytes, int64_t count) {
    if (count <= 0) return;
    received_ += count;
    int64_t keep = count;
    if (maxSize_ >= 0) {
        keep = std::clamp<int64_t>(maxSize_ - static_cast<int64_t>(bytes_.size()), 0, count);
        if (keep < count) truncated_ = true;
    }
    bytes_.append(bytes, static_cast<size_t>(keep));
}

}  // namespace http
