#pragma once

// What the test programs share: a temporary folder, an environment variable
// set for one scope, whole-file reads and writes, the built programs, and a
// program run to its end with its output collected.

#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Process.h"

namespace testsupport {

// A fresh folder "<prefix>-XXXXXX" in the temporary folder, removed with its
// content; path() is empty when none could be made.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "varto-test") {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets (or with nullopt clears) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnv() { previous_ ? setenv(name_.c_str(), previous_->c_str(), 1) : unsetenv(name_.c_str()); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Empty when the file cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Writes the file, creating its folder.
inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The programs of this build: VARTO_BIN_DIR, else the build tree's bin/.
inline std::string binDir() {
    const char* dir = std::getenv("VARTO_BIN_DIR");
    return dir ? dir : VARTO_BINARY_DIR "/bin";
}
inline std::string binPath(const std::string& program) { return binDir() + "/" + program; }

// Checks the condition, between calls of step (a short sleep when none is
// given), until it holds; false once ms milliseconds have passed.
inline bool waitUntil(const std::function<bool()>& done, int64_t ms = 10000, const std::function<void()>& step = {}) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        step ? step() : std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

struct ProgramRun {
    uint32_t exitCode = 255;
    std::string out, err;
    std::vector<std::string> lines;  // of standard output
};

// Runs argv (the program first, found on PATH) to its end; input goes to its
// standard input, which is then closed.
inline ProgramRun runProgram(const std::vector<std::string>& argv, const std::string& input = "") {
    ProgramRun run;
    platform::Process process;
    if (process.spawn(argv, false) != 0) {
        run.err = "cannot start " + (argv.empty() ? std::string() : argv[0]);
        return run;
    }
    size_t written = 0;
    auto exchange = [&] {
        if (process.inputOpen()) {
            const int n = written < input.size() ? process.write(input.data() + written, int(input.size() - written)) : 0;
            written += n > 0 ? n : 0;
            if (n < 0 || written == input.size()) process.closeInput();
        }
        char buffer[4096];
        for (auto [stream, text] : {std::pair{platform::Process::Stream::Output, &run.out},
                                    std::pair{platform::Process::Stream::Error, &run.err}}) {
            for (int n; process.bytesAvailable(stream) > 0 && (n = process.read(stream, buffer, sizeof buffer)) > 0;)
                text->append(buffer, n);
        }
    };
    while (!process.exited()) {
        exchange();
        process.waitForActivity(50, process.inputOpen());
    }
    exchange();
    run.exitCode = process.exitCode();
    run.lines = linesOf(run.out);
    return run;
}

}  // namespace testsupport
