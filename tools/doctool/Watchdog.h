#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace doctool {

// A small helper process for the case that this process is killed outright
// (the caller of the converter does that when the user cancels, perhaps with
// our whole process group): it then kills the watched process group and
// removes the given files and folders. Otherwise LibreOffice would go on
// working, keep the caller's output pipes open and leave its files behind.
// Going out of scope normally releases it without any action.
class Watchdog {
 public:
  explicit Watchdog(std::vector<std::string> leftovers);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Started before the program it watches, so that no moment is unguarded.
  void watchGroup(pid_t group);

 private:
  [[noreturn]] static void watch(int lifeline, const std::vector<std::string>& leftovers);
  void send(pid_t value);

  pid_t pid_ = -1;
  int lifeline_ = -1;
};

}  // namespace doctool
