// varto-compress: the window program. "--send ARGS..." hands the arguments
// to the running window instead.

#include <vector>

#include "app/Application.h"
#include "app/SendCommand.h"

int main(int argc, char** argv) {
    std::vector<ZString> args;
    for (int i = 1; i < argc; ++i) args.push_back(ZString::fromUtf8(argv[i]));
    if (!args.empty() && args[0] == u"--send") {
        args.erase(args.begin());
        return sendToRunningWindow(args);
    }
    return runApplication(args);
}
