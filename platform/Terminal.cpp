#include "platform/Terminal.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

#include "platform/Fs.h"

namespace platform::terminal {

bool isTerminal(int fd) {
    return isatty(fd) == 1;
}

bool readHidden(const ZString& prompt, ZString& text) {
    fs::UniqueFd tty(open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!tty) return false;
    std::string question = prompt.toUtf8();
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
        ssize_t n = read(tty.get(), &c, 1);
        if (n <= 0) {
            ended = true;
            break;
        }
        if (c == '\n') break;
        if (c != '\r') line.push_back(c);
    }
    if (restore) tcsetattr(tty.get(), TCSAFLUSH, &saved);
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

void writeText(int fd, const std::string& utf8) {
    fs::writeAll(fd, utf8.data(), utf8.size());
}

void onInterrupt(std::function<void()> handler) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals, handler = std::move(handler)] {
        int received = 0;
        if (sigwait(&signals, &received) == 0) handler();
    }).detach();
}

}  // namespace platform::terminal
