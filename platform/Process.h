#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// One child process with three pipes: its standard input fed by us, its
// standard output and standard error read by us (or both on one pipe).
// No shell is involved. Every descriptor is close-on-exec, so children
// started in parallel never hold each other's pipes open.
class Process {
public:
    enum class Stream { Output, Error };

    Process() = default;
    // A child still running is killed and reaped.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts argv[0] found on PATH with argv, the parent's environment and
    // current folder. Returns 0 or the error number (2 for a missing
    // program, as ENOENT).
    int spawn(const std::vector<std::string>& argv, bool mergeStderr);

    bool started() const { return pid_ > 0; }
    int pid() const { return pid_; }
    bool errorIsOutput() const { return errorFd_ == outputFd_; }

    // Bytes waiting in a stream's pipe (0 when none or closed).
    int bytesAvailable(Stream stream);
    // Reads up to max bytes; the count, 0 at end of stream, -1 on failure.
    int read(Stream stream, char* buffer, int max);

    bool inputOpen() const { return inputFd_ >= 0; }
    // Writes without blocking: the bytes taken (possibly 0 when the pipe is
    // full), or -1 when the child's input is closed or broken.
    int write(const char* data, int count);
    void closeInput();

    // True once the child has exited (reaps it; never blocks).
    bool exited();
    // Waits up to ms milliseconds for the child to exit.
    bool waitExit(uint32_t ms);
    // Sleeps up to ms milliseconds, waking at once when output arrives, the
    // child exits, or (with wantWrite) its input can take more bytes.
    void waitForActivity(int ms, bool wantWrite);

    // Kills the child (SIGKILL). Safe from any thread while the object
    // lives. False when it has already exited or was never started.
    bool terminate();
    // Exit status: the code passed to exit(); 0 after terminate(); 128 plus
    // the signal number for other signals; 259 while still running.
    uint32_t exitCode();

private:
    int fdFor(Stream stream) const { return stream == Stream::Output ? outputFd_ : errorFd_; }
    void markClosed(int fd);
    void reap(int status);

    int pid_ = -1;
    int pidFd_ = -1;
    int inputFd_ = -1;
    int outputFd_ = -1;
    int errorFd_ = -1;
    bool outputClosed_ = false;
    bool errorClosed_ = false;
    std::mutex stateLock_;
    bool reaped_ = false;
    bool terminatedByUs_ = false;
    int status_ = 0;
};

// Writes all bytes to the program's own standard output (1) or error (2)
// descriptor; stops silently on failure.
void writeStdHandle(int which, const char* data, size_t count);

}  // namespace platform

namespace platform {

// This program's process id.
uint32_t currentProcessId();
// The user this program runs as (effective user id).
uint32_t currentUserId();

}  // namespace platform
