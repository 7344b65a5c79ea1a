#pragma once

#include <memory>
#include <string>

#include "platform/Process.h"

// The Python test server (test_server.py), started once per test program on
// free loopback ports.
class TestServer {
public:
    static TestServer& get();

    std::string http(const std::string& path) const;
    std::string https(const std::string& path) const;
    // A loopback port nobody listens on.
    int closedPort() const { return closedPort_; }
    int httpPort() const { return httpPort_; }

private:
    TestServer();
    std::unique_ptr<platform::Process> process_;
    int httpPort_ = 0;
    int httpsPort_ = 0;
    int closedPort_ = 0;
};
