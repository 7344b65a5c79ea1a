#include "TestServer.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "platform/Clock.h"

TestServer& TestServer::get() {
    static TestServer server;
    return server;
}

TestServer::TestServer() : process_(std::make_unique<platform::Process>()) {
    // Debian's interpreter directly: version-manager shims on PATH can take
    // seconds to start.
    const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string script = std::string(VARTO_SOURCE_DIR) + "/tests/http/test_server.py";
    if (process_->spawn({python, script}, false) != 0) throw std::runtime_error("cannot start " + python);
    std::string line;
    const uint32_t start = platform::tickCount();
    while (line.find('\n') == std::string::npos && platform::tickCount() - start < 30000) {
        process_->waitForActivity(100, false);
        char buffer[256];
        const int count = process_->bytesAvailable(platform::Process::Stream::Output) > 0
                              ? process_->read(platform::Process::Stream::Output, buffer, sizeof buffer)
                              : 0;
        if (count > 0) line.append(buffer, count);
        if (process_->exited()) break;
    }
    if (std::sscanf(line.c_str(), "PORTS %d %d %d", &httpPort_, &httpsPort_, &closedPort_) != 3)
        throw std::runtime_error("test server did not start: " + line);
}

std::string TestServer::http(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(httpPort_) + path;
}

std::string TestServer::https(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(httpsPort_) + path;
}
