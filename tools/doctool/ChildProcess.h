#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace doctool {

// Runs a program in its own process group and waits for it. The group dies
// with us: on time-out, on an interrupting signal, and (for the direct child)
// when this process is killed.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The program will see `folder` as its /tmp, where the kernel lets us give
  // it a mount namespace of its own (else it sees the real /tmp). It starts
  // in the folder holding `folder`, which stays reachable under its own name.
  // Call before start.
  void setPrivateTmp(const std::string& folder);
  // environment entries ("NAME=value") replace those of this process.
  bool start(const std::vector<std::string>& argv, const std::vector<std::string>& environment, std::string& error);
  // The exit code, or -1 after a time-out, a signal or an interruption.
  int wait(int timeoutSeconds);
  bool timedOut() const { return timedOut_; }
  pid_t processGroup() const { return pid_; }

 private:
  void killGroup();

  struct PrivateTmp;
  static bool preparePrivateTmp(const std::string& folder, PrivateTmp& prepared);
  static bool enterPrivateTmp(const PrivateTmp& prepared);

  std::string privateTmp_;
  pid_t pid_ = -1;
  bool timedOut_ = false;
};

}  // namespace doctool
