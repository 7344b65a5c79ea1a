#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Clock.h"

extern char** environ;

namespace platform {

namespace {

constexpr uint32_t kStillActive = 259;

int openPidFd(int pid) {
#ifdef SYS_pidfd_open
    int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
#else
    (void)pid;
    return -1;
#endif
}

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

void setNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// Pipe ends for one spawn; whatever is not handed over is closed.
struct PipePair {
    int readEnd = -1;
    int writeEnd = -1;
    ~PipePair() {
        closeFd(readEnd);
        closeFd(writeEnd);
    }
    bool open() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return false;
        readEnd = fds[0];
        writeEnd = fds[1];
        return true;
    }
};

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
    }
};

}  // namespace

Process::~Process() {
    if (started()) {
        std::lock_guard<std::mutex> lock(stateLock_);
        if (!reaped_) {
            kill(pid_, SIGKILL);
            int status = 0;
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            reaped_ = true;
        }
    }
    closeFd(pidFd_);
    closeFd(inputFd_);
    if (errorFd_ != outputFd_) closeFd(errorFd_);
    errorFd_ = -1;
    closeFd(outputFd_);
}

int Process::spawn(const std::vector<std::string>& argv, bool mergeStderr) {
    if (started()) return EBUSY;
    if (argv.empty() || argv[0].empty()) return ENOENT;

    PipePair input, output, error;
    if (!input.open() || !output.open() || (!mergeStderr && !error.open())) return errno;

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, input.readEnd, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, output.writeEnd, 1);
    posix_spawn_file_actions_adddup2(&setup.actions, mergeStderr ? output.writeEnd : error.writeEnd,
                                     2);
    // The child starts with default signal handling and nothing blocked,
    // whatever this thread has set up.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    posix_spawnattr_setsigmask(&setup.attr, &noneBlocked);
    posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    int result = posix_spawnp(&pid, args[0], &setup.actions, &setup.attr, args.data(), environ);
    if (result != 0) return result;

    pid_ = pid;
    pidFd_ = openPidFd(pid);
    inputFd_ = input.writeEnd;
    input.writeEnd = -1;
    outputFd_ = output.readEnd;
    output.readEnd = -1;
    errorFd_ = mergeStderr ? outputFd_ : error.readEnd;
    error.readEnd = -1;
    setNonBlocking(inputFd_);
    setNonBlocking(outputFd_);
    if (errorFd_ != outputFd_) setNonBlocking(errorFd_);
    return 0;
}

int Process::bytesAvailable(Stream stream) {
    int fd = fdFor(stream);
    if (fd < 0) return 0;
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0) return 0;
    return count;
}

int Process::read(Stream stream, char* buffer, int max) {
    int fd = fdFor(stream);
    if (fd < 0) return -1;
    ssize_t n;
    do {
        n = ::read(fd, buffer, static_cast<size_t>(max));
    } while (n < 0 && errno == EINTR);
    if (n == 0) markClosed(fd);
    return static_cast<int>(n);
}

int Process::write(const char* data, int count) {
    if (inputFd_ < 0) return -1;
    // A child that closed its input must not kill us with SIGPIPE: block it
    // on this thread for the write and swallow the one the write raised.
    sigset_t pipeSignal, previous, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigpending(&pending);
    bool wasPending = sigismember(&pending, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    ssize_t n;
    do {
        n = ::write(inputFd_, data, static_cast<size_t>(count));
    } while (n < 0 && errno == EINTR);
    int writeError = errno;
    if (n < 0 && writeError == EPIPE && !wasPending) {
        timespec zero{};
        sigtimedwait(&pipeSignal, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (n >= 0) return static_cast<int>(n);
    return writeError == EAGAIN || writeError == EWOULDBLOCK ? 0 : -1;
}

void Process::closeInput() { closeFd(inputFd_); }

void Process::markClosed(int fd) {
    if (fd == outputFd_) outputClosed_ = true;
    if (fd == errorFd_) errorClosed_ = true;
}

void Process::reap(int status) {
    status_ = status;
    reaped_ = true;
}

bool Process::exited() {
    if (!started()) return true;
    std::lock_guard<std::mutex> lock(stateLock_);
    if (reaped_) return true;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid_, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid_) {
        reap(status);
    } else if (r < 0) {
        reap(0);  // reaped elsewhere (SIGCHLD ignored): nothing more to learn
    }
    return reaped_;
}

bool Process::waitExit(uint32_t ms) {
    uint32_t start = tickCount();
    while (!exited()) {
        uint32_t elapsed = tickCount() - start;
        if (elapsed >= ms) return false;
        int slice = static_cast<int>(ms - elapsed);
        if (pidFd_ >= 0) {
            pollfd p{pidFd_, POLLIN, 0};
            poll(&p, 1, slice);
        } else {
            sleepMs(slice < 5 ? static_cast<uint32_t>(slice) : 5u);
        }
    }
    return true;
}

void Process::waitForActivity(int ms, bool wantWrite) {
    pollfd fds[4];
    int count = 0;
    if (outputFd_ >= 0 && !outputClosed_) fds[count++] = {outputFd_, POLLIN, 0};
    if (errorFd_ >= 0 && errorFd_ != outputFd_ && !errorClosed_)
        fds[count++] = {errorFd_, POLLIN, 0};
    if (pidFd_ >= 0) fds[count++] = {pidFd_, POLLIN, 0};
    if (wantWrite && inputFd_ >= 0) fds[count++] = {inputFd_, POLLOUT, 0};
    if (poll(fds, static_cast<nfds_t>(count), ms) <= 0) return;
    // A stream whose writers are all gone reports itself ready for ever;
    // once drained it leaves the poll set so the wait can sleep again.
    for (int i = 0; i < count; ++i) {
        bool isStream = fds[i].fd == outputFd_ || fds[i].fd == errorFd_;
        if (isStream && (fds[i].revents & (POLLHUP | POLLERR))) {
            int available = 0;
            if (ioctl(fds[i].fd, FIONREAD, &available) != 0 || available == 0)
                markClosed(fds[i].fd);
        }
    }
}

bool Process::terminate() {
    if (!started()) return false;
    std::lock_guard<std::mutex> lock(stateLock_);
    if (reaped_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        reap(status);
        return false;
    }
    int result;
#ifdef SYS_pidfd_send_signal
    if (pidFd_ >= 0) {
        result = static_cast<int>(syscall(SYS_pidfd_send_signal, pidFd_, SIGKILL, nullptr, 0));
    } else {
        result = kill(pid_, SIGKILL);
    }
#else
    result = kill(pid_, SIGKILL);
#endif
    if (result != 0) return false;
    terminatedByUs_ = true;
    return true;
}

uint32_t Process::exitCode() {
    if (!exited()) return kStillActive;
    std::lock_guard<std::mutex> lock(stateLock_);
    if (WIFEXITED(status_)) return static_cast<uint32_t>(WEXITSTATUS(status_));
    if (WIFSIGNALED(status_)) {
        if (terminatedByUs_ && WTERMSIG(status_) == SIGKILL) return 0;
        return 128u + static_cast<uint32_t>(WTERMSIG(status_));
    }
    return 0;
}

void writeStdHandle(int which, const char* data, size_t count) {
    int fd = which == 2 ? 2 : 1;
    while (count > 0) {
        ssize_t n = ::write(fd, data, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        count -= static_cast<size_t>(n);
    }
}

}  // namespace platform

namespace platform {

uint32_t currentProcessId() { return static_cast<uint32_t>(getpid()); }

uint32_t currentUserId() { return static_cast<uint32_t>(geteuid()); }

}  // namespace platform
