#pragma once

// Runs the built batch command and collects what it wrote.

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace clitest {

using CliResult = testsupport::ProgramRun;
using testsupport::TempFolder;

inline std::string cliPath() { return testsupport::binPath("varto-compress-cli"); }

// With a whole argument vector (program first); input goes to its standard
// input, which is then closed.
inline CliResult runCliArgv(const std::vector<std::string>& argv, const std::string& input = "") {
    return testsupport::runProgram(argv, input);
}

inline CliResult runCli(const std::vector<std::string>& args, const std::string& input = "") {
    std::vector<std::string> argv = {cliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCliArgv(argv, input);
}

}  // namespace clitest
