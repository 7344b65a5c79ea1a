#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Process.h"

// The browser tests' web servers (page_server.py): a folder of pages on
// several loopback ports, with every request ("HIT port method path") and
// every line a page reports ("REPORT port text") kept as a line here.
class PageServer {
public:
    PageServer(const std::string& folder, int ports)
        : PageServer({"support/page_server.py", folder, std::to_string(ports)}) {}
    // Any of the tests' servers: a Python script below tests/ and its
    // arguments; the ports are those of the "PORTS" line it says first.
    explicit PageServer(const std::vector<std::string>& scriptAndArguments);
    ~PageServer();

    bool started() const { return !ports_.empty(); }
    int port(int index) const { return ports_.at(index); }
    std::string origin(int index) const { return "http://127.0.0.1:" + std::to_string(port(index)); }

    // Reads what arrived without waiting; the lines so far.
    const std::vector<std::string>& poll();
    // Waits until the condition holds on the lines, calling idle (if given)
    // between reads; false after the time-out.
    bool waitFor(const std::function<bool(const std::vector<std::string>&)>& done, int timeoutMs,
                 const std::function<void()>& idle = {});
    // The reports of one port, in order, without the prefix.
    std::vector<std::string> reports(int index);
    // Whether any request asked for a path starting with the prefix on the port.
    bool hit(int index, const std::string& pathPrefix);

private:
    std::unique_ptr<platform::Process> process_;
    std::vector<int> ports_;
    std::string pending_;
    std::vector<std::string> lines_;
};
