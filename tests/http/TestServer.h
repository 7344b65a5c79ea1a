#pragma once

#include <stdexcept>
#include <string>

#include "tests/support/PageServer.h"

// The HTTP tests' server (page_server.py with HTTPS and without pages),
// started once per test program on free loopback ports.
class TestServer {
public:
    static TestServer& get() {
        static TestServer server;
        return server;
    }

    std::string http(const std::string& path) const { return server_.origin(0) + path; }
    std::string https(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(server_.port(1)) + path;
    }
    // A loopback port nobody listens on.
    int closedPort() const { return server_.port(2); }
    int httpPort() const { return server_.port(0); }

private:
    TestServer() : server_(std::vector<std::string>{"support/page_server.py", "-", "1", "--tls"}) {
        if (!server_.started()) throw std::runtime_error("the HTTP test server did not start");
    }
    PageServer server_;
};
