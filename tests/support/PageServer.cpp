#include "tests/support/PageServer.h"

#include <filesystem>
#include <sstream>

#include "platform/Clock.h"

PageServer::PageServer(const std::vector<std::string>& scriptAndArguments)
    : process_(std::make_unique<platform::Process>()) {
    // Debian's interpreter directly: version-manager shims on PATH can take
    // seconds to start.
    std::vector<std::string> argv = {std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3", "-u",
                                     std::string(VARTO_SOURCE_DIR) + "/tests/" + scriptAndArguments.at(0)};
    argv.insert(argv.end(), scriptAndArguments.begin() + 1, scriptAndArguments.end());
    if (process_->spawn(argv, false) != 0) return;
    waitFor([](const std::vector<std::string>& lines) { return !lines.empty(); }, 30000);
    if (lines_.empty() || lines_[0].rfind("PORTS ", 0) != 0) return;
    std::istringstream words(lines_[0].substr(6));
    for (int port; words >> port;) ports_.push_back(port);
    lines_.erase(lines_.begin());
}

PageServer::~PageServer() {
    process_->closeInput();
    if (!process_->waitExit(5000)) process_->terminate();
}

const std::vector<std::string>& PageServer::poll() {
    char buffer[4096];
    while (process_->bytesAvailable(platform::Process::Stream::Output) > 0) {
        int count = process_->read(platform::Process::Stream::Output, buffer, sizeof buffer);
        if (count <= 0) break;
        pending_.append(buffer, count);
    }
    for (size_t end; (end = pending_.find('\n')) != std::string::npos; pending_.erase(0, end + 1))
        lines_.push_back(pending_.substr(0, end));
    return lines_;
}

bool PageServer::waitFor(const std::function<bool(const std::vector<std::string>&)>& done, int timeoutMs,
                         const std::function<void()>& idle) {
    const uint32_t start = platform::tickCount();
    while (!done(poll())) {
        if (platform::tickCount() - start > static_cast<uint32_t>(timeoutMs) || process_->exited()) return false;
        if (idle) idle();
        process_->waitForActivity(idle ? 5 : 50, false);
    }
    return true;
}

std::vector<std::string> PageServer::reports(int index) {
    const std::string prefix = "REPORT " + std::to_string(port(index)) + " ";
    std::vector<std::string> out;
    for (const auto& line : poll())
        if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
    return out;
}

bool PageServer::hit(int index, const std::string& pathPrefix) {
    const std::string prefix = "HIT " + std::to_string(port(index)) + " ";
    for (const auto& line : poll()) {
        if (line.rfind(prefix, 0) != 0) continue;
        size_t path = line.find(' ', prefix.size());
        if (path != std::string::npos && line.compare(path + 1, pathPrefix.size(), pathPrefix) == 0) return true;
    }
    return false;
}
