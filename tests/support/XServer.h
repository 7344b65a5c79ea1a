#pragma once

#include <sys/types.h>

#include <string>

namespace test_support {

// A private X server (Xvfb) on a free display number, so tests that move the
// pointer never share a screen with windows of other tests running beside them.
class XServer {
public:
    XServer(int width, int height);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace test_support
