#pragma once

// Runs the built batch command and collects what it wrote.

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

}  // namespace clitest
