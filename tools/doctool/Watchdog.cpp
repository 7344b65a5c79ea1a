#include "tools/doctool/Watchdog.h"

#include "tools/doctool/OfficeSockets.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace doctool {

namespace {

constexpr pid_t released = 0;

}  // namespace

Watchdog::Watchdog(std::vector<std::string> leftovers) {
  int lifeline[2];
  if (pipe2(lifeline, O_CLOEXEC) != 0) return;
  pid_t pid = fork();
  if (pid == 0) {
    close(lifeline[1]);
    watch(lifeline[0], leftovers);
  }
  close(lifeline[0]);
  if (pid < 0) {
    close(lifeline[1]);
    return;
  }
  pid_ = pid;
  lifeline_ = lifeline[1];
}

Watchdog::~Watchdog() {
  if (pid_ < 0) return;
  send(released);
  close(lifeline_);
  for (int i = 0; i < 25 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void Watchdog::watchGroup(pid_t group) {
  if (pid_ >= 0 && group > 0) send(group);
}

void Watchdog::send(pid_t value) {
  ssize_t ignored = write(lifeline_, &value, sizeof value);
  (void)ignored;
}

void Watchdog::watch(int lifeline, const std::vector<std::string>& leftovers) {
  // A group of its own, so that a kill aimed at the converter's whole group
  // leaves it to clean up; our signal handlers are not its business.
  setpgid(0, 0);
  for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) signal(signalNumber, SIG_DFL);
  // Let go of the caller's pipes, so that they close when the converter ends.
  int null = open("/dev/null", O_RDWR);
  for (int fd = 0; fd <= 2; ++fd) dup2(null, fd);
  if (null > 2) close(null);
  if (lifeline > 3) close_range(3, lifeline - 1, 0);
  close_range(lifeline + 1, ~0U, 0);
  pid_t group = 0;
  pid_t value = 0;
  ssize_t got;
  while ((got = read(lifeline, &value, sizeof value)) == sizeof value || (got < 0 && errno == EINTR)) {
    if (got < 0) continue;
    if (value == released) _exit(0);  // the converter cleans up itself
    group = value;
  }
  if (group > 0) {
    kill(-group, SIGKILL);
    // Killed processes may still hold the folder for a moment.
    for (int i = 0; i < 100 && kill(-group, 0) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  std::error_code ignored;
  for (const std::string& path : leftovers) std::filesystem::remove_all(path, ignored);
  removeStaleOfficeSockets();
  _exit(0);
}

}  // namespace doctool
