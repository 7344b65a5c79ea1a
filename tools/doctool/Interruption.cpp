#include "tools/doctool/Interruption.h"

#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace doctool {

namespace {

volatile sig_atomic_t signalSeen = 0;
volatile pid_t childGroup = 0;
char temporaryOutput[PATH_MAX + 1];

void onSignal(int signalNumber) {
  signalSeen = signalNumber;
  if (childGroup > 0) {
    kill(-childGroup, SIGKILL);
    return;
  }
  if (temporaryOutput[0] != '\0') unlink(temporaryOutput);
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

}  // namespace

void Interruption::install() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) sigaction(signalNumber, &action, nullptr);
}

void Interruption::setTemporaryOutput(const std::string& path) {
  temporaryOutput[0] = '\0';
  if (path.empty() || path.size() > PATH_MAX) return;
  // The first byte goes last so that the handler never sees half a name.
  std::memcpy(temporaryOutput + 1, path.c_str() + 1, path.size());
  temporaryOutput[0] = path[0];
}

void Interruption::clearTemporaryOutput() { temporaryOutput[0] = '\0'; }

void Interruption::setChildGroup(pid_t group) { childGroup = group; }

void Interruption::clearChildGroup() { childGroup = 0; }

bool Interruption::interrupted() { return signalSeen != 0; }

}  // namespace doctool
