#include "compress/TempFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/Clock.h"
#include "compress/FailureReporter.h"
#include "platform/Process.h"

namespace fs = platform::fs;

namespace {

constexpr int kWriteTestAttempts = 10;
constexpr int kCopyAttempts = 5;
constexpr uint32_t kRetryDelayMs = 100;
constexpr int kCleanupPasses = 10;

std::atomic<uint32_t> nameCounter{0};
std::atomic<uint32_t> writeTestCounter{0};

// Removes the registered paths when the process ends, through exit() as well
// as a return from main. A forked child inherits the list but leaves the
// parent's entries alone: a path belongs to the process that registered it.
class DeletionList {
public:
    ~DeletionList() { cleanUp(); }

    void add(const ZString& path) {
        std::lock_guard<std::mutex> guard(lock_);
        entries_.push_back({path, platform::currentProcessId()});
    }

private:
    struct Entry {
        ZString path;
        uint32_t owner;
    };

    void cleanUp() {
        std::lock_guard<std::mutex> guard(lock_);
        const uint32_t self = platform::currentProcessId();
        for (int pass = 0; pass < kCleanupPasses; ++pass) {
            int left = 0;
            for (const Entry& entry : entries_) {
                if (entry.owner != self || !fs::exists(entry.path)) continue;
                if (fs::isDirectory(entry.path)) {
                    deleteRecursively(entry.path);
                } else {
                    fs::removeFile(entry.path);
                }
                if (fs::exists(entry.path)) ++left;
            }
            if (left == 0) return;
            platform::sleepMs(kRetryDelayMs);
        }
    }

    std::mutex lock_;
    std::vector<Entry> entries_;
};

DeletionList& deletionList() {
    static DeletionList list;
    return list;
}

// Built at start-up so its destructor runs after every later static's.
[[maybe_unused]] const DeletionList& earlyDeletionList = deletionList();

[[noreturn]] void stop(const char* errorText) {
    fprintf(stderr, "%s\n", errorText);
    fflush(stderr);
    exit(1);
}

// Without $TMPDIR the user's temporary folder is a private one below /tmp,
// which every local user shares.
ZString defaultRootFolder() {
    return ZString::format(u"/tmp/varto-%u", platform::currentUserId());
}

// The tools get paths on their command lines, where a double quote or a line
// feed cannot be carried.
bool fitsOnCommandLine(const ZString& path) {
    return path.find(u'"') < 0 && path.find(u'\n') < 0;
}

// What is kept below the temporary root, and the default root itself, must
// be reachable by this user only.
bool mustBePrivate(const ZString& folder) {
    ZString root = tempRootFolder();
    return folder == defaultRootFolder() || folder.startsWith(root + u"/");
}

bool isSafeTempFolder(const ZString& folder) {
    if (!mustBePrivate(folder)) return true;
    if (!fs::isPrivateFolder(folder)) return false;
    ZString defaultRoot = defaultRootFolder();
    return !folder.startsWith(defaultRoot + u"/") || fs::isPrivateFolder(defaultRoot);
}

[[noreturn]] void notWriteable(const ZString& folder, const ZString& reason) {
    ZString text(u"The following temporary files folder is not writeable by the current user. "
                 u"Please ensure that Varto can write into that folder by checking permissions "
                 u"or try to delete that folder if it is specific to Varto.\r\n\r\n");
    text += folder;
    if (!reason.isEmpty()) text += ZString(u"\r\n\r\n") + reason;
    failureReporter().report(u"Temporary files folder not writeable", text,
                             platform::MB_OK | platform::MB_ICONERROR);
    stop("Temporary files folder not writeable");
}

ZString candidateFolder(const ZString& raw) {
    if (raw.isEmpty()) return ZString();
    ZString folder = fs::stripTrailingSeparators(fs::expandEnvironment(raw));
    if (folder.isEmpty() && raw.startsWith(u"/")) folder = u"/";
    return fs::isDirectory(folder) ? folder : ZString();
}

ZString removeLeadingSeparators(const ZString& path) {
    int start = 0;
    while (start < path.length() && (path[start] == u'/' || path[start] == u'\\')) ++start;
    return path.substring(start);
}


bool tryWriteProbe(const ZString& folder) {
    ZString probe =
        ZString::format(u"%s/varto_write_test_%u_%u_%u", folder.c_str(), platform::tickCount(),
                        fs::random32(), writeTestCounter.fetch_add(1));
    if (fs::exists(probe)) return false;
    fs::UniqueFd file = fs::createNewFile(probe);
    if (!file) return false;
    file.reset();
    fs::removeFile(probe);
    return true;
}

}  // namespace

ZString tempRootFolder() {
    ZString system = fs::environment("TMPDIR");
    if (system.isEmpty()) {
        system = defaultRootFolder();
        if (!fs::exists(system)) fs::createDirectory(system, nullptr, 0700);
    }
    for (const ZString& raw :
         {system, fs::environment("TMP"), fs::environment("TEMP"), fs::environment("TMPDIR")}) {
        ZString folder = candidateFolder(raw);
        if (!folder.isEmpty()) return folder;
    }
    return u".";
}

ZString appTempFolder() { return tempRootFolder() + u"/Varto"; }

void ensureFolderWritable(const ZString& folder) {
    // Everything made below the temporary folder from now on, by this
    // program or the tools it starts, is its user's only.
    fs::keepNewFilesPrivate();
    if (!fitsOnCommandLine(folder)) {
        notWriteable(folder, u"Its path contains a double quote or a line feed, which cannot be "
                             u"handed to the compression tools. Set TMPDIR to another folder.");
    }
    if (!fs::isDirectory(folder)) {
        ZString parent = fs::parentPath(fs::stripTrailingSeparators(folder));
        if (!parent.isEmpty() && parent != folder) createFolders(parent);
        fs::createDirectory(folder, nullptr, 0700);
        if (!fs::isDirectory(folder)) {
            failureReporter().report(
                u"Could not create temporary files folder",
                ZString(u"The following temporary files folder does not exist and could not be "
                        u"created by the current user. Please ensure that Varto can create and "
                        u"write into that folder. Please check permissions of the parent folder "
                        u"or try to delete it if it is specific to Varto.\r\n\r\n") +
                    folder,
                platform::MB_OK | platform::MB_ICONERROR);
            stop("Temporary files folder could not be created");
        }
    }
    if (!isSafeTempFolder(folder)) {
        notWriteable(folder, u"It must be a folder of the current user, not a link, that no "
                             u"other user can read or enter.");
    }
    for (int attempt = 0; attempt < kWriteTestAttempts; ++attempt) {
        if (tryWriteProbe(folder)) return;
        platform::sleepMs(10);
    }
    notWriteable(folder, ZString());
}

ZString makePrivateTempFolder(const ZString& prefix) {
    ZString folder = makeTempFileName(u"Varto", prefix, ZString());
    if (!fs::createDirectory(folder, nullptr, 0700)) return ZString();
    registerTempFile(folder);
    return folder;
}

bool isTempPath(const ZString& path) { return path.startsWith(tempRootFolder() + u"/"); }

ZString makeTempFileName(const ZString& subfolder, const ZString& prefix,
                         const ZString& extension) {
    ZString folder = tempRootFolder();
    if (!subfolder.isEmpty()) {
        folder = fs::stripTrailingSeparators(folder) + u"/" + removeLeadingSeparators(subfolder);
    }
    ensureFolderWritable(folder);
    for (;;) {
        ZString name = prefix;
        if (!name.isEmpty() && !name.endsWith(u"_")) name += u"_";
        name.appendFormat(u"%u_%u_%u", nameCounter.fetch_add(1), platform::tickCount(),
                          fs::random32());
        name += extension;
        ZString path = folder + u"/" + name;
        if (!fs::exists(path)) return path;
    }
}

TempFile createTempFile(const ZString& prefix, const ZString& extension) {
    TempFile result;
    result.path = makeTempFileName(u"Varto", prefix, extension);
    result.file = fs::createNewFile(result.path);
    if (!result.file) {
        result.path = makeTempFileName(ZString(), prefix, extension);
        result.file = fs::createNewFile(result.path);
    }
    return result;
}

void registerTempFile(const ZString& path) {
    if (!path.isEmpty()) deletionList().add(path);
}

int64_t fileSize(const ZString& path) { return fs::fileSize(path); }

namespace {

// 0 on success, else the error number of the last attempt.
int copyWithRetries(const ZString& source, const ZString& destination) {
    // Copies into the temporary folder are the user's only, whatever the
    // source's mode: a decrypted copy must not be readable by others.
    unsigned mode = isTempPath(destination) ? 0600 : fs::newFileMode();
    int error = 0;
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        if (attempt > 0) platform::sleepMs(kRetryDelayMs);
        error = fs::copyFile(source, destination, mode);
        if (error == 0) return 0;
    }
    return error;
}

}  // namespace

ScopedTempName::ScopedTempName(const ZString& prefix, const ZString& extension)
    : path(makeTempFileName(u"Varto", prefix, extension)) {
    registerTempFile(path);
}

ScopedTempName::~ScopedTempName() {
    if (platform::fs::exists(path)) platform::fs::removeFile(path);
}

bool copyFileWithRetries(const ZString& source, const ZString& destination) {
    if (source.isEmpty() || destination.isEmpty()) return false;
    return copyWithRetries(source, destination) == 0;
}

ZString userFileName(const ZString& folder, const ZString& displayName) {
    if (folder.isEmpty()) return displayName;
    return fs::stripTrailingSeparators(folder) + u"/" + displayName;
}

ZString shownPath(const ZString& path, const ZString& userFile) {
    if (!path.startsWith(appTempFolder() + u"/")) return path;
    if (userFile.isEmpty()) return u"a private copy in the temporary folder";
    return u"a private copy of " + userFile + u" in the temporary folder";
}

bool copyFileWithErrorBox(const ZString& source, const ZString& destination,
                          FailureReporter* reporter, const ZString& userFile) {
    if (source.isEmpty() || !fs::exists(source)) return false;
    for (;;) {
        int error = destination.isEmpty() ? ENOENT : copyWithRetries(source, destination);
        if (error == 0) return true;
        ZString text(u"Could not write to file.\n\n");
        text.appendFormat(u"ErrorCode=%d\nErrorMsg=%s\n\nSource=%s\nDestination=%s", error,
                          fs::errorText(error).trimmed().c_str(),
                          shownPath(source, userFile).c_str(),
                          shownPath(destination, userFile).c_str());
        int answer = reporterOr(reporter).report(u"File copy error", text,
                                                 platform::MB_RETRYCANCEL | platform::MB_ICONERROR);
        if (answer != platform::IDRETRY) return false;
    }
}

void deleteRecursively(const ZString& path) { fs::removeAll(path); }

bool createFolders(const ZString& path) {
    if (path.isEmpty()) return false;
    if (fs::isDirectory(path)) return true;
    ZString parent = fs::parentPath(fs::stripTrailingSeparators(path));
    if (!parent.isEmpty() && parent != path && !fs::exists(parent)) createFolders(parent);
    int error = 0;
    if (fs::createDirectory(path, &error)) return true;
    return error == EEXIST && fs::isDirectory(path);
}

int64_t lastWriteTime(const ZString& path) { return fs::lastWriteTime(path); }
