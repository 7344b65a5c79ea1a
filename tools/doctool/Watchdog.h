#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace doctool {

// A small helper process for the case that this process is killed outright
// (the caller of the converter does that when the user cancels): it then
// kills the given process group and removes the given files and folders.
// Otherwise LibreOffice would go on working and keep the caller's output
// pipes open. Going out of scope normally releases it without any action.
class Watchdog {
 public:
  Watchdog(pid_t group, std::vector<std::string> leftovers);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  [[noreturn]] static void watch(int lifeline, pid_t group, const std::vector<std::string>& leftovers);

  pid_t pid_ = -1;
  int lifeline_ = -1;
};

}  // namespace doctool
