#pragma once

#include <memory>
#include <string>

#include "platform/Fs.h"

namespace platform {

// The per-user folder of the program's lock files and window sockets:
// $XDG_RUNTIME_DIR/varto, else /tmp/varto-<uid>. Made with mode 0700 when
// missing; empty when it cannot be made or is not a private folder of ours.
std::string runtimeFolder();

// A named lock that exists while a process holds it: a file in the runtime
// folder locked with flock. The lock is released when the object is
// destroyed or the process ends, however it ends.
class LockFile {
public:
    enum class Mode { Shared, Exclusive };

    // Takes the lock without waiting; null when another process holds it in
    // a conflicting mode or the file cannot be made. Names may hold any
    // character; "/" and "\" are written as "_".
    static std::unique_ptr<LockFile> acquire(const std::string& name, Mode mode);
    // True when some process (this one included) holds the lock.
    static bool isHeld(const std::string& name);

    const std::string& path() const { return path_; }

private:
    LockFile(std::string path, fs::UniqueFd fd) : path_(std::move(path)), fd_(std::move(fd)) {}

    std::string path_;
    fs::UniqueFd fd_;
};

}  // namespace platform
