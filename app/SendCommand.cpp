#include "app/SendCommand.h"

#include <unistd.h>

#include <cerrno>

#include "app/CmdlineParser.h"
#include "platform/CopyDataSocket.h"
#include "platform/Fs.h"
#include "platform/Terminal.h"

namespace {

// Options whose next argument is their value, which stays as it is.
bool takesValue(const ZString& arg) {
    for (const char16_t* option : {u"-dir", u"-name", u"-profile", u"-serviceName", u"-owner"}) {
        if (arg == option) return true;
    }
    return false;
}

ZString currentFolder() {
    char buffer[4096];
    return getcwd(buffer, sizeof(buffer)) ? ZString::fromUtf8(buffer) : ZString();
}

// The window may run in another folder: relative names of existing files
// become absolute before they travel.
std::vector<ZString> withAbsoluteFiles(const std::vector<ZString>& args) {
    std::vector<ZString> out = args;
    ZString folder = currentFolder();
    for (size_t i = 0; i < out.size(); ++i) {
        if (takesValue(out[i])) {
            ++i;
            continue;
        }
        if (out[i].isEmpty() || out[i].startsWith(u"-") || out[i].startsWith(u"/")) continue;
        if (platform::fs::exists(out[i]) && !folder.isEmpty()) out[i] = folder + u"/" + out[i];
    }
    return out;
}

// Why a named file cannot be sent ("" when every one can be read): the
// window would only drop it, with nobody there to read why.
ZString unreadableFile(const std::vector<ZString>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (takesValue(args[i])) {
            ++i;
            continue;
        }
        if (args[i].isEmpty() || args[i].startsWith(u"-")) continue;
        if (platform::fs::isDirectory(args[i])) return args[i] + ZString(u": is a folder");
        errno = 0;
        if (!platform::fs::openForReading(args[i])) {
            return args[i] + ZString(u": ") + platform::fs::errorText(errno);
        }
    }
    return ZString();
}

}  // namespace

int sendToRunningWindow(const std::vector<ZString>& args) {
    ZString unreadable = unreadableFile(args);
    if (!unreadable.isEmpty()) {
        platform::terminal::writeText(2, (ZString(u"varto-compress: ") + unreadable + u"\n").toDisplayUtf8());
        return 1;
    }
    uint32_t answer = 0;
    ZString commandLine = joinCommandLine(withAbsoluteFiles(args));
    if (platform::CopyDataSocket::send(kWindowClass, kCommandLineTag, commandLine, &answer)) {
        return 0;
    }
    platform::terminal::writeText(
        2,
        "varto-compress: no Varto Compress window of this user is running; start one with "
        "varto-compress FILE...\n");
    return 1;
}
