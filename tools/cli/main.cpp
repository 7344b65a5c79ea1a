// varto-compress-cli: the compression engine for terminals and scripts.

#include <csignal>
#include <cstdlib>
#include <vector>

#include "BatchOptions.h"
#include "BatchRun.h"
#include "FileList.h"
#include "compress/TempFiles.h"
#include "compress/Unlock.h"
#include "platform/Fs.h"
#include "platform/SplitCommandLine.h"
#include "platform/Terminal.h"
#include "suite/Settings.h"

namespace {

int messageFd = 2;

void printError(const ZString& text) {
    platform::terminal::writeText(
        messageFd, (ZString(u"varto-compress-cli: ") + text + u"\n").toDisplayUtf8());
}

// The program a tool's command line starts, as the runner splits it.
ZString programOf(const ZString& commandLine) {
    std::vector<ZString> argv = platform::splitCommandLine(commandLine);
    return argv.empty() ? ZString() : argv[0];
}

// Found the way the runner finds it: a path as it is, a name along PATH.
bool programExists(const ZString& program) {
    if (program.isEmpty()) return false;
    if (program.find(u'/') >= 0) return platform::fs::isRegularFile(program);
    ZString path = platform::fs::environment("PATH");
    int start = 0;
    while (start <= path.length()) {
        int end = path.find(u':', start);
        if (end < 0) end = path.length();
        ZString folder = path.substring(start, end);
        if (folder.isEmpty()) folder = u".";
        if (platform::fs::isRegularFile(folder + u"/" + program)) return true;
        start = end + 1;
    }
    return false;
}

bool checkTool(const char16_t* name, const char16_t* setting, const char16_t* package) {
    ZString program = programOf(progConfig_getStr(setting, ZString()));
    if (programExists(program)) return true;
    ZString where = program.isEmpty() ? ZString(u"no command is set")
                                      : ZString(u"command \"") + program + u"\"";
    printError(ZString(name) + u" was not found (" + where + u"). Install it (Debian package " +
               package + u") or set \"" + setting +
               u"\" in the installation settings (install.ini) to its command.");
    return false;
}

// Ghostscript keeps scratch files in $TMPDIR and leaves them there when it
// is killed (Ctrl+C, a cancelled file). The command and its tools therefore
// get a folder of their own in the program's temporary folder, removed at exit.
void useOwnScratchFolder() {
    ZString folder = makePrivateTempFolder(u"batch_");
    if (!folder.isEmpty()) setenv("TMPDIR", folder.toUtf8().c_str(), 1);
}

BatchRun* activeRun = nullptr;

}  // namespace

int main(int argc, char** argv) {
    // A closed output pipe shows as a failed write, which ends the run the
    // way Ctrl+C does, instead of killing us with tools and files left behind.
    signal(SIGPIPE, SIG_IGN);
    std::vector<ZString> args;
    for (int i = 1; i < argc; ++i) args.push_back(ZString::fromUtf8(argv[i]));

    BatchOptions options;
    ZString error;
    if (!parseBatchOptions(args, options, error)) {
        printError(error);
        platform::terminal::writeText(2, "Try 'varto-compress-cli --help'.\n");
        return 2;
    }
    if (options.help) {
        platform::terminal::writeText(1, batchUsage());
        return 0;
    }
    for (const ZString& list : options.fileLists) {
        if (!readFileList(list, options.nulSeparated, options.files, error)) {
            printError(error);
            return 2;
        }
    }

    bool lossless = options.settings[u"mode"] == u"lossless";
    if (!lossless && !checkTool(u"Ghostscript", u"GsWincCmdline", u"ghostscript")) return 1;
    if (!checkTool(u"qpdf", u"QpdfCmdline", u"qpdf")) return 1;
    if (!lossless) options.settings.erase(u"mode");

    if (!options.outputFolder.isEmpty()) {
        if (!createFolders(options.outputFolder)) {
            printError(ZString(u"cannot create the folder ") + options.outputFolder);
            return 1;
        }
        ZString error = platform::fs::writeTestError(options.outputFolder);
        if (!error.isEmpty()) {
            printError(ZString(u"cannot write into the folder ") + options.outputFolder + u": " +
                       error);
            return 1;
        }
    }
    for (const ZString& password : options.passwords) rememberPassword(password);
    useOwnScratchFolder();

    // The tools' chatter goes to the null device (or to standard error with
    // -v) so that standard output carries only the result lines and standard
    // error only our messages and progress.
    int resultFd = platform::terminal::divert(1, options.verbose);
    if (resultFd < 0) resultFd = 1;
    if (!options.verbose) {
        messageFd = platform::terminal::divert(2, false);
        if (messageFd < 0) messageFd = 2;
    }

    static BatchRun run(options, resultFd, messageFd);
    activeRun = &run;
    platform::terminal::onInterrupt([] { activeRun->cancel(); });
    return run.run();
}
