#include "CliSupport.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "compress/Command.h"

namespace clitest {

std::string cliPath() {
    const char* binDir = std::getenv("VARTO_BIN_DIR");
    return std::string(binDir ? binDir : VARTO_BINARY_DIR "/bin") + "/varto-compress-cli";
}

CliResult runCliArgv(const std::vector<std::string>& argv, const std::string& input) {
    struct Capture : Command {
        CliResult result;
        std::string input;
        void onFillStdin() override {
            inputBuffer += input;
            input.clear();
        }
        void onStdoutData(const char* bytes, int count) override {
            result.out.append(bytes, count);
        }
        void onStderrData(const char* bytes, int count) override {
            result.err.append(bytes, count);
        }
    } command;
    command.input = input;
    command.closeInputAfterWrite = true;
    std::string line;
    for (const std::string& arg : argv) {
        if (!line.empty()) line += ' ';
        line += '"';
        for (char c : arg) {
            if (c == '"') line += '\\';
            line += c;
        }
        line += '"';
    }
    command.commandLine = ZString::fromUtf8(line);
    command.run();
    command.result.exitCode = command.exitCode;
    std::istringstream lines(command.result.out);
    for (std::string text; std::getline(lines, text);) command.result.lines.push_back(text);
    return command.result;
}

CliResult runCli(const std::vector<std::string>& args, const std::string& input) {
    std::vector<std::string> argv = {cliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCliArgv(argv, input);
}

TempFolder::TempFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data())) path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

}  // namespace clitest
