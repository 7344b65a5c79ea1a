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

Watchdog::Watchdog(pid_t group, std::vector<std::string> leftovers) {
  int lifeline[2];
  if (pipe2(lifeline, O_CLOEXEC) != 0) return;
  pid_t pid = fork();
  if (pid == 0) {
    close(lifeline[1]);
    watch(lifeline[0], group, leftovers);
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
  const char released = 1;
  ssize_t ignored = write(lifeline_, &released, 1);
  (void)ignored;
  close(lifeline_);
  for (int i = 0; i < 25 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void Watchdog::watch(int lifeline, pid_t group, const std::vector<std::string>& leftovers) {
  // Let go of the caller's pipes, so that they close when we end.
  int null = open("/dev/null", O_RDWR);
  for (int fd = 0; fd <= 2; ++fd) dup2(null, fd);
  if (null > 2) close(null);
  char byte;
  ssize_t got;
  while ((got = read(lifeline, &byte, 1)) < 0 && errno == EINTR) {
  }
  if (got == 1) _exit(0);  // released: the converter cleans up itself
  kill(-group, SIGKILL);
  // Killed processes may still hold the folder for a moment.
  for (int i = 0; i < 100 && kill(-group, 0) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::error_code ignored;
  for (const std::string& path : leftovers) std::filesystem::remove_all(path, ignored);
  removeStaleOfficeSockets();
  _exit(0);
}

}  // namespace doctool
