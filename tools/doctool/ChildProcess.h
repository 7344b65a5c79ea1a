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

  // environment entries ("NAME=value") replace those of this process.
  bool start(const std::vector<std::string>& argv, const std::vector<std::string>& environment, std::string& error);
  // The exit code, or -1 after a time-out, a signal or an interruption.
  int wait(int timeoutSeconds);
  bool timedOut() const { return timedOut_; }
  pid_t processGroup() const { return pid_; }

 private:
  void killGroup();

  pid_t pid_ = -1;
  bool timedOut_ = false;
};

}  // namespace doctool
