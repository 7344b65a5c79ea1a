#pragma once

// Runs the built batch command and collects what it wrote; a temporary
// folder for the tools' tests.

#include <cstdint>
#include <string>
#include <vector>

namespace clitest {

std::string cliPath();

struct CliResult {
    uint32_t exitCode = 0;
    std::string out, err;
    std::vector<std::string> lines;  // of standard output
};

// With a whole argument vector (program first); input goes to its standard
// input, which is then closed.
CliResult runCliArgv(const std::vector<std::string>& argv, const std::string& input = "");
CliResult runCli(const std::vector<std::string>& args, const std::string& input = "");

// A fresh folder in the temporary folder, named "<prefix>-XXXXXX", removed
// with its content; path is empty when none could be made.
struct TempFolder {
    explicit TempFolder(const std::string& prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path;
};

}  // namespace clitest
