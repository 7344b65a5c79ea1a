#include "platform/LockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

namespace {

bool isPrivateFolder(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 077) == 0;
}

// A lock's name as one file name: separators become "_", so a name such as
// "Global\\x" stays in the lock folder.
std::string flatName(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        if (c == '/' || c == '\\') c = '_';
    }
    return out;
}

fs::UniqueFd openLockFile(const std::string& name, std::string& path) {
    std::string folder = runtimeFolder();
    if (folder.empty()) return fs::UniqueFd();
    path = folder + "/" + flatName(name) + ".lock";
    return fs::UniqueFd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
}

}  // namespace

std::string runtimeFolder() {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && *runtime ? std::string(runtime) + "/varto"
                                             : "/tmp/varto-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    return isPrivateFolder(folder) ? folder : std::string();
}

std::unique_ptr<LockFile> LockFile::acquire(const std::string& name, Mode mode) {
    std::string path;
    fs::UniqueFd fd = openLockFile(name, path);
    if (!fd) return nullptr;
    int operation = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    if (flock(fd.get(), operation) != 0) return nullptr;
    return std::unique_ptr<LockFile>(new LockFile(std::move(path), std::move(fd)));
}

bool LockFile::isHeld(const std::string& name) {
    std::string path;
    fs::UniqueFd fd = openLockFile(name, path);
    if (!fd) return false;
    // A second descriptor conflicts even with this process's own locks.
    return flock(fd.get(), LOCK_EX | LOCK_NB) != 0;
}

}  // namespace platform
