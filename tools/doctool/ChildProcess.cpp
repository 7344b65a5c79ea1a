#include "tools/doctool/ChildProcess.h"

#include "tools/doctool/Interruption.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace doctool {

// Everything the child needs for its own /tmp, made before fork: the child
// of a threaded process may only make system calls.
struct ChildProcess::PrivateTmp {
  std::string folder;
  std::string holder;     // the folder holding `folder`, where the program starts
  std::string holderAt;   // when /tmp hides the holder, it is bound here, inside `folder`
  std::string userMap;
  std::string groupMap;
};

namespace {

bool writeProcFile(const char* path, const std::string& text) {
  int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return written;
}

}  // namespace

void ChildProcess::setPrivateTmp(const std::string& folder) { privateTmp_ = folder; }

bool ChildProcess::preparePrivateTmp(const std::string& folder, PrivateTmp& prepared) {
  namespace fs = std::filesystem;
  std::error_code failure;
  const fs::path canonicalFolder = fs::canonical(folder, failure);
  if (failure) return false;
  const fs::path tmp = fs::canonical("/tmp", failure);
  if (failure) return false;
  prepared.folder = canonicalFolder.string();
  const fs::path holder = canonicalFolder.parent_path();
  prepared.holder = holder.string();
  if (holder.string().starts_with(tmp.string() + "/")) {
    prepared.holderAt = (canonicalFolder / holder.lexically_relative(tmp)).string();
    if (!fs::create_directories(prepared.holderAt, failure) && failure) return false;
  }
  const std::string user = std::to_string(geteuid());
  const std::string group = std::to_string(getegid());
  prepared.userMap = user + " " + user + " 1\n";
  prepared.groupMap = group + " " + group + " 1\n";
  return true;
}

// A mount namespace needs privileges, or else a user namespace of its own
// (mapping only our own ids). Where neither is allowed the program simply
// sees the real /tmp. Either way it starts in the folder holding `folder`.
// False when a user namespace came but its mapping failed, which would leave
// the program without a usable user id.
bool ChildProcess::enterPrivateTmp(const PrivateTmp& prepared) {
  if (unshare(CLONE_NEWNS) != 0) {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return chdir(prepared.holder.c_str()) == 0;
    if (!writeProcFile("/proc/self/setgroups", "deny") || !writeProcFile("/proc/self/uid_map", prepared.userMap) ||
        !writeProcFile("/proc/self/gid_map", prepared.groupMap)) {
      return false;
    }
  }
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
      (prepared.holderAt.empty() ||
       mount(prepared.holder.c_str(), prepared.holderAt.c_str(), nullptr, MS_BIND, nullptr) == 0)) {
    mount(prepared.folder.c_str(), "/tmp", nullptr, MS_BIND | MS_REC, nullptr);
  }
  // The caller's working folder may be hidden now.
  return chdir(prepared.holder.c_str()) == 0;
}

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
  PrivateTmp privateTmp;
  const bool ownTmp = !privateTmp_.empty() && preparePrivateTmp(privateTmp_, privateTmp);
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    close(status[0]);
    setpgid(0, 0);
    if (!ownTmp || enterPrivateTmp(privateTmp)) {
      // After the namespaces, which reset it.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      execve(args[0], args.data(), env.data());
    }
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
