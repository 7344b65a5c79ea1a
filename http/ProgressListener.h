#pragma once

#include <cstdint>

namespace http {

// Observes one request. Stages: 1 before the transport is opened, 2 after the
// request was opened, 3 after it was sent, 4 before the response body is
// read, 5 after it was read.
class ProgressListener {
public:
    virtual ~ProgressListener() = default;
    virtual void stage(int32_t) {}
    virtual void requestProgress(int64_t /*sent*/, int64_t /*total*/) {}
    virtual void responseProgress(int64_t /*received*/, int64_t /*total*/) {}

    // Least time between two progress calls of a kind.
    uint32_t sendIntervalMs = 0;
    uint32_t receiveIntervalMs = 0;
};

}  // namespace http
