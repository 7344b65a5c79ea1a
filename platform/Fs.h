#pragma once

#include <cstdint>
#include <string>

#include "base/ZString.h"

namespace platform::fs {

// An owned file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// Anything of that name (file, folder, other), without following a final
// symbolic link.
bool exists(const ZString& path);
bool isDirectory(const ZString& path);
bool isRegularFile(const ZString& path);

// One folder (mode less the umask); true when made. errno-style code in
// *error on failure.
bool createDirectory(const ZString& path, int* error = nullptr, unsigned mode = 0777);
// A real folder (not a link) owned by this user with no access for others.
bool isPrivateFolder(const ZString& path);
bool removeFile(const ZString& path);
bool removeDirectory(const ZString& path);
// A file, or a folder with everything below it; symbolic links are removed,
// never followed.
void removeAll(const ZString& path);

// Creates a new file exclusively (fails when the name exists), read-write,
// for this user only.
UniqueFd createNewFile(const ZString& path, int* error = nullptr);
// Opens an existing file for reading; invalid (errno set) when it cannot.
UniqueFd openForReading(const ZString& path);
// Empty when a new file can be made in the folder (a probe is made and
// removed), else the system's reason.
ZString writeTestError(const ZString& folder);
// Writes everything; false on failure.
bool writeAll(int fd, const void* data, size_t count);
bool writeFile(const ZString& path, const std::string& bytes);
bool readFile(const ZString& path, std::string& bytes);
// Reads the descriptor to its end (a pipe, standard input).
bool readAll(int fd, std::string& bytes);

// Size of a regular file, -1 when missing, not a regular file or unreadable.
int64_t fileSize(const ZString& path);
// Modification time in nanoseconds since 1970-01-01 UTC, -1 when missing.
int64_t lastWriteTime(const ZString& path);

// From now on files and folders this process and its children make are
// their user's only (umask 077); the user's own umask is remembered for
// newFileMode(). Idempotent.
void keepNewFilesPrivate();
// The mode a file the user makes gets: 0666 less the user's umask.
unsigned newFileMode();

// Copies the bytes of source over destination (made or truncated) and gives
// it the mode. Copying a file onto itself fails with EINVAL and leaves it
// alone. 0 or the error number.
int copyFile(const ZString& source, const ZString& destination, unsigned mode = newFileMode());

// The folder part before the last "/" ("" when none; "/" for the root).
ZString parentPath(const ZString& path);
// The part after the last "/" (the whole path when there is none).
ZString fileName(const ZString& path);
// Index in the path of the "." that starts its file name's extension, or -1.
// Only "/" separates folders: "a\\b.c" has the extension ".c".
int extensionDot(const ZString& path);
// The absolute path with every link, "." and ".." resolved; empty when some
// part does not exist.
ZString realPath(const ZString& path);
// Whether the path lies below the folder (both taken as given, not resolved).
bool isBelow(const ZString& path, const ZString& folder);
// Removes every trailing "/" and "\".
ZString stripTrailingSeparators(const ZString& path);
// Replaces $NAME and ${NAME} with the environment's values (unset: empty).
ZString expandEnvironment(const ZString& text);
// The environment variable, empty when unset.
ZString environment(const char* name);

// The system's text for an error number.
ZString errorText(int error);

// A random 32-bit number from the system's random source.
uint32_t random32();

}  // namespace platform::fs
