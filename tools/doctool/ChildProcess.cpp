#include "tools/doctool/ChildProcess.h"

#include "tools/doctool/Interruption.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace doctool {

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    killGroup();
    waitpid(pid_, nullptr, 0);
  }
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         std::string& error) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env;
  for (char** entry = environ; *entry; ++entry) {
    std::string_view current(*entry);
    bool replaced = std::any_of(environment.begin(), environment.end(), [&](const std::string& set) {
      return current.substr(0, current.find('=') + 1) == set.substr(0, set.find('=') + 1);
    });
    if (!replaced) env.push_back(*entry);
  }
  for (const std::string& entry : environment) env.push_back(const_cast<char*>(entry.c_str()));
  env.push_back(nullptr);
  // A pipe closed on exec tells whether exec worked.
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) {
    error = std::string("cannot start ") + argv[0] + ": " + std::strerror(errno);
    return false;
  }
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    close(status[0]);
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    execve(args[0], args.data(), env.data());
    int code = errno;
    ssize_t ignored = write(status[1], &code, sizeof code);
    (void)ignored;
    _exit(127);
  }
  close(status[1]);
  if (pid < 0) {
    close(status[0]);
    error = std::string("cannot start ") + argv[0] + ": " + std::strerror(errno);
    return false;
  }
  // Set the group from both sides so a signal never finds it missing.
  setpgid(pid, pid);
  pid_ = pid;
  Interruption::setChildGroup(pid);
  int code = 0;
  ssize_t got = read(status[0], &code, sizeof code);
  close(status[0]);
  if (got == sizeof code) {
    error = std::string("cannot start ") + argv[0] + ": " + std::strerror(code);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    Interruption::clearChildGroup();
    return false;
  }
  return true;
}

void ChildProcess::killGroup() {
  if (pid_ > 0) kill(-pid_, SIGKILL);
}

int ChildProcess::wait(int timeoutSeconds) {
  if (pid_ <= 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  while (true) {
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_ || (done < 0 && errno != EINTR)) break;
    if (Interruption::interrupted() || std::chrono::steady_clock::now() >= deadline) {
      timedOut_ = !Interruption::interrupted();
      killGroup();
      waitpid(pid_, &status, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // Helpers the program left behind in its group go too.
  killGroup();
  Interruption::clearChildGroup();
  pid_ = -1;
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace doctool
