#include "platform/Terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/Fs.h"

namespace platform::terminal {

namespace {

std::atomic<bool> endRequested{false};

// Readable once the program was asked to end; wakes a waiting prompt.
int interruptEvent() {
    static int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd;
}

// Waits for one byte from the terminal; false at its end or on interrupt.
bool readByte(int tty, char& c) {
    for (;;) {
        pollfd fds[2] = {{tty, POLLIN, 0}, {interruptEvent(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (endRequested || (fds[1].revents & POLLIN)) return false;
        ssize_t n = read(tty, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return n == 1;
    }
}

}  // namespace

bool isTerminal(int fd) {
    return isatty(fd) == 1;
}

bool readHidden(const ZString& prompt, ZString& text) {
    fs::UniqueFd tty(open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!tty) return false;
    std::string question = prompt.toDisplayUtf8();
    fs::writeAll(tty.get(), question.data(), question.size());

    termios saved{};
    bool restore = tcgetattr(tty.get(), &saved) == 0;
    if (restore) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(tty.get(), TCSAFLUSH, &quiet);
    }
    std::string line;
    bool ended = false;
    for (;;) {
        char c = 0;
        if (!readByte(tty.get(), c)) {
            ended = true;
            break;
        }
        if (c == '\n') break;
        if (c != '\r') line.push_back(c);
    }
    if (restore) tcsetattr(tty.get(), TCSAFLUSH, &saved);
    // The answer was cut short: the cursor still stands after the question.
    if (ended) fs::writeAll(tty.get(), "\n", 1);
    text = ZString::fromUtf8(line);
    return !ended;
}

int divert(int fd, bool toStderr) {
    int original = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (original < 0) return -1;
    if (toStderr) {
        dup2(2, fd);
    } else {
        fs::UniqueFd null(open("/dev/null", O_WRONLY | O_CLOEXEC));
        if (null) dup2(null.get(), fd);
    }
    return original;
}

bool writeText(int fd, const std::string& utf8) {
    return fs::writeAll(fd, utf8.data(), utf8.size());
}

void onInterrupt(std::function<void()> handler) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    interruptEvent();
    std::thread([signals, handler = std::move(handler)] {
        for (;;) {
            int received = 0;
            if (sigwait(&signals, &received) != 0) continue;
            endRequested = true;
            // The handler first: whoever a woken prompt returns to must
            // already find the run cancelled.
            handler();
            uint64_t one = 1;
            if (write(interruptEvent(), &one, sizeof one) < 0) {
                // Already signalled: the counter stays readable.
            }
        }
    }).detach();
}

}  // namespace platform::terminal
