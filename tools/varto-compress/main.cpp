// varto-compress: the window program. "--send ARGS..." hands the arguments
// to the running window instead.

#include <vector>

#include "app/Application.h"
#include "app/SendCommand.h"
#include "platform/Terminal.h"

namespace {

const char* usage() {
    return "Usage: varto-compress [OPTIONS] [FILE...]\n"
           "       varto-compress --send [OPTIONS] [FILE...]\n"
           "Opens the window that makes PDF files smaller, with the files listed.\n"
           "\n"
           "  --send             hand the command line to the window already running\n"
           "  -dir DIR           folder proposed when the files' results are saved\n"
           "  -name NAME         name the files are listed under\n"
           "  -deleteFile, -deleteFiles\n"
           "                     remove the files at exit when they are temporary files\n"
           "  -profile NAME, -serviceName NAME, -owner ID\n"
           "                     accepted from the suite's other programs; no effect\n"
           "  -h, --help         show this help\n"
           "\n"
           "The batch command varto-compress-cli runs the same engine without a window.\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<ZString> args;
    for (int i = 1; i < argc; ++i) args.push_back(ZString::fromUtf8(argv[i]));
    if (!args.empty() && (args[0] == u"--help" || args[0] == u"-h")) {
        platform::terminal::writeText(1, usage());
        return 0;
    }
    if (!args.empty() && args[0] == u"--send") {
        args.erase(args.begin());
        return sendToRunningWindow(args);
    }
    return runApplication(args);
}
