#pragma once

#include <sys/types.h>

#include <string>

namespace doctool {

// What to clean up when the converter is ended by SIGTERM, SIGINT or SIGHUP
// (the pipeline stops a conversion that the user cancelled): the partly
// written output goes, and a running office suite is killed so that the
// caller does not wait for it.
class Interruption {
 public:
  static void install();
  static void setTemporaryOutput(const std::string& path);
  static void clearTemporaryOutput();
  // While a child process group runs, a signal kills the group and lets the
  // waiting code clean up instead of ending the process at once.
  static void setChildGroup(pid_t group);
  static void clearChildGroup();
  static bool interrupted();
};

}  // namespace doctool
