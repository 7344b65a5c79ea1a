#include "platform/Fs.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

namespace platform::fs {

namespace {

std::string utf8(const ZString& path) { return path.toUtf8(); }

bool isSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

}  // namespace

void UniqueFd::reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
}

bool exists(const ZString& path) {
    struct stat st;
    return !path.isEmpty() && lstat(utf8(path).c_str(), &st) == 0;
}

bool isDirectory(const ZString& path) {
    struct stat st;
    return !path.isEmpty() && stat(utf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const ZString& path) {
    struct stat st;
    return !path.isEmpty() && stat(utf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool createDirectory(const ZString& path, int* error, unsigned mode) {
    if (mkdir(utf8(path).c_str(), static_cast<mode_t>(mode)) == 0) return true;
    if (error) *error = errno;
    return false;
}

bool isPrivateFolder(const ZString& path) {
    struct stat st;
    return !path.isEmpty() && lstat(utf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

bool removeFile(const ZString& path) { return unlink(utf8(path).c_str()) == 0; }

bool removeDirectory(const ZString& path) { return rmdir(utf8(path).c_str()) == 0; }

void removeAll(const ZString& path) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(utf8(path)), ignored);
}

UniqueFd createNewFile(const ZString& path, int* error) {
    int fd = open(utf8(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && error) *error = errno;
    return UniqueFd(fd);
}

UniqueFd openForReading(const ZString& path) {
    return UniqueFd(open(utf8(path).c_str(), O_RDONLY | O_CLOEXEC));
}

ZString writeTestError(const ZString& folder) {
    char name[64];
    snprintf(name, sizeof name, "/.varto-write-test-%d-%u", static_cast<int>(getpid()), random32());
    ZString probe = folder + ZString::fromUtf8(name);
    int error = 0;
    if (!createNewFile(probe, &error)) return errorText(error);
    removeFile(probe);
    return ZString();
}

bool writeAll(int fd, const void* data, size_t count) {
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        ssize_t n = write(fd, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

bool writeFile(const ZString& path, const std::string& bytes) {
    UniqueFd fd(open(utf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    return fd && writeAll(fd.get(), bytes.data(), bytes.size());
}

bool readAll(int fd, std::string& bytes) {
    bytes.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

bool readFile(const ZString& path, std::string& bytes) {
    UniqueFd fd(open(utf8(path).c_str(), O_RDONLY | O_CLOEXEC));
    return fd && readAll(fd.get(), bytes);
}

int64_t fileSize(const ZString& path) {
    struct stat st;
    if (path.isEmpty() || stat(utf8(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t lastWriteTime(const ZString& path) {
    struct stat st;
    if (path.isEmpty() || stat(utf8(path).c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

int copyFile(const ZString& source, const ZString& destination, unsigned mode) {
    UniqueFd in(open(utf8(source).c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) return errno;
    struct stat st;
    if (fstat(in.get(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    // Truncating the destination would empty the source when both are one file.
    struct stat target;
    if (stat(utf8(destination).c_str(), &target) == 0 && target.st_dev == st.st_dev &&
        target.st_ino == st.st_ino) {
        return EINVAL;
    }
    UniqueFd out(open(utf8(destination).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                      static_cast<mode_t>(mode)));
    if (!out) return errno;
    if (fchmod(out.get(), static_cast<mode_t>(mode)) != 0) return errno;
    char buffer[65536];
    for (;;) {
        ssize_t n = read(in.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        if (!writeAll(out.get(), buffer, static_cast<size_t>(n))) return errno ? errno : EIO;
    }
    if (close(out.release()) != 0) return errno;
    return 0;
}

namespace {

std::atomic<int> userUmask{-1};

// The umask without changing it, which would race with other threads.
int currentUmask() {
    std::string status;
    if (readFile(u"/proc/self/status", status)) {
        size_t at = status.find("\nUmask:");
        if (at != std::string::npos) return static_cast<int>(strtol(status.c_str() + at + 7, nullptr, 8));
    }
    return 022;
}

}  // namespace

void keepNewFilesPrivate() {
    int expected = -1;
    if (userUmask.compare_exchange_strong(expected, currentUmask())) umask(077);
}

unsigned newFileMode() {
    int mask = userUmask.load();
    if (mask < 0) mask = currentUmask();
    return 0666u & ~static_cast<unsigned>(mask);
}

ZString parentPath(const ZString& path) {
    int slash = path.findLast(u'/');
    if (slash < 0) return ZString();
    if (slash == 0) return ZString(u"/");
    return path.substring(0, slash);
}

ZString fileName(const ZString& path) { return path.substring(path.findLast(u'/') + 1); }

int extensionDot(const ZString& path) {
    int dot = path.findLast(u'.');
    return dot > path.findLast(u'/') ? dot : -1;
}

ZString realPath(const ZString& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.toUtf8().c_str(), nullptr), &std::free);
    return resolved ? ZString::fromUtf8(resolved.get()) : ZString();
}

bool isBelow(const ZString& path, const ZString& folder) {
    ZString root = stripTrailingSeparators(folder);
    return !folder.isEmpty() && path.length() > root.length() + 1 && path.startsWith(root + u"/");
}

ZString stripTrailingSeparators(const ZString& path) {
    int end = path.length();
    while (end > 0 && isSeparator(path[end - 1])) --end;
    return path.substring(0, end);
}

ZString expandEnvironment(const ZString& text) {
    std::string in = text.toUtf8();
    if (in.find('$') == std::string::npos) return text;
    auto isNameChar = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_';
    };
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '$') {
            out += in[i];
            continue;
        }
        size_t start = i + 1;
        size_t end = start;
        bool braced = start < in.size() && in[start] == '{';
        if (braced) {
            end = in.find('}', start);
            if (end == std::string::npos) {
                out += in[i];
                continue;
            }
            ++start;
        } else {
            while (end < in.size() && isNameChar(in[end])) ++end;
            if (end == start) {
                out += in[i];
                continue;
            }
        }
        const char* value = getenv(in.substr(start, end - start).c_str());
        if (value) out += value;
        i = braced ? end : end - 1;
    }
    return ZString::fromUtf8(out);
}

ZString environment(const char* name) {
    const char* value = getenv(name);
    return value ? ZString::fromUtf8(value) : ZString();
}

ZString errorText(int error) {
    char buffer[256];
    // GNU strerror_r returns the text, which may live outside the buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return ZString::fromUtf8(text ? text : "");
}

uint32_t random32() {
    uint32_t value = 0;
    if (getrandom(&value, sizeof value, 0) == static_cast<ssize_t>(sizeof value)) return value;
    static thread_local std::mt19937 fallback{std::random_device{}()};
    return static_cast<uint32_t>(fallback());
}

}  // namespace platform::fs
