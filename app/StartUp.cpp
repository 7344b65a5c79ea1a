#include "app/StartUp.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

#include "compress/FileProcessor.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"
#include "platform/LockFile.h"
#include "platform/MessageBox.h"
#include "platform/ShellOpen.h"
#include "suite/Settings.h"

namespace {

constexpr uint32_t kUpdateInterval = 432000;  // five days in seconds

ZString checkedRoot;

ZString binFile(const char16_t* name) {
    return progConfig_getStr(u"BinDir", ZString()) + u"/" + name;
}

void setVariable(const char* name, const ZString& value) {
    setenv(name, value.toUtf8().c_str(), 1);
}

// A folder of this run inside the checked temporary folder, private to the
// user, so that tools' own scratch files go where the exit clean-up looks.
ZString makeRunFolder(const ZString& root) {
    ZString folder = makeTempFileName(u"Varto", u"run_", u"");
    if (!createFolders(folder)) return root;
    std::error_code ignored;
    std::filesystem::permissions(folder.toUtf8(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, ignored);
    registerTempFile(folder);
    return folder;
}

}  // namespace

void createMarkerLocks() {
    static std::vector<std::unique_ptr<platform::LockFile>> markers;
    for (const char* name : {"vartoSuiteMutex", "Global\\vartoSuiteMutex"}) {
        auto lock = platform::LockFile::acquire(name, platform::LockFile::Mode::Shared);
        if (lock) markers.push_back(std::move(lock));
    }
}

ZString pathWithInstallFolders(const ZString& path, const ZString& installDir,
                               const ZString& binDir) {
    ZString install = platform::fs::stripTrailingSeparators(installDir);
    ZString bin = platform::fs::stripTrailingSeparators(binDir);
    ZString list = install;
    if (bin != install) list.append(u":").append(bin);
    if (list.isEmpty() || path.find(list) >= 0) return path;
    return list + u":" + path;
}

void setUpEnvironment() {
    ZString path = platform::fs::environment("PATH");
    ZString newPath = pathWithInstallFolders(path, progConfig_getStr(u"InstallDir", ZString()),
                                             progConfig_getStr(u"BinDir", ZString()));
    if (newPath != path && setenv("PATH", newPath.toUtf8().c_str(), 1) != 0) {
        platform::messageBox(nullptr, u"Error", u"Could not set Varto path environment variable.",
                             platform::MB_OK | platform::MB_ICONWARNING);
    }
    ZString root = tempRootFolder();
    ensureFolderWritable(root);
    checkedRoot = root;
    ZString folder = makeRunFolder(root);
    setVariable("TMP", folder);
    setVariable("TEMP", folder);
    setVariable("TMPDIR", folder);
}

ZString userTempFolder() { return checkedRoot.isEmpty() ? tempRootFolder() : checkedRoot; }

void ensureBackendRuns() {
    if (platform::LockFile::isHeld("Varto_Backend")) return;
    auto startLock = platform::LockFile::acquire("Varto-Backend-Start-Lock",
                                                 platform::LockFile::Mode::Exclusive);
    // Held elsewhere means another program is starting it right now.
    if (!startLock && !platform::runtimeFolder().empty()) return;
    platform::shell::open(binFile(u"varto"), ZString());
}

void stopFileProcessor() { FileProcessor::instance().stop(); }

bool updateCheckDue(uint32_t now, uint32_t lastCheck) {
    return static_cast<uint32_t>(now - lastCheck) >= kUpdateInterval;
}

void closeTimeUpdateCheck(const ZString& trigger) {
    uint32_t now = static_cast<uint32_t>(time(nullptr));
    if (!updateCheckDue(now, userConfig_getDword(u"LastUpdateCheck", 0))) return;
    ZString parameters(u" -hidden");
    if (!trigger.isEmpty()) parameters.append(ZString(u" -trigger \"") + trigger + u"\"");
    if (config_getDword(u"UpdateMode", 0) == 2) return;
    platform::shell::open(binFile(u"varto-Updater"), parameters.trimmed());
    userConfig_setDword(u"LastUpdateCheck", now);
}
