#pragma once

#include <cstdint>

#include "base/ZString.h"

// The steps around the window's life: markers for the suite, the
// environment children inherit, the suite's background service, the stop of
// the background worker and the close-time update check.

// Takes the suite's two marker locks for the life of the process. Another
// copy of the program holding them is no error.
void createMarkerLocks();

// PATH after putting the installation folders in front: unchanged when the
// folder list already occurs in it. Folders are joined with ":".
ZString pathWithInstallFolders(const ZString& path, const ZString& installDir,
                               const ZString& binDir);

// PATH gains the installation folders; TMP, TEMP and TMPDIR point at the
// run's checked temporary folder (removed at exit, with whatever the tools
// leave in it).
void setUpEnvironment();

// The user's temporary folder as it was before setUpEnvironment pointed
// TMPDIR at the run's own folder: where other programs put files they pass.
ZString userTempFolder();

// Starts the suite's background service unless it runs or is being started.
void ensureBackendRuns();

// Ends the background worker: the running tool is killed at once and every
// record destroyed.
void stopFileProcessor();

// True when at least five days have passed since the last check.
bool updateCheckDue(uint32_t now, uint32_t lastCheck);
// Starts the updater hidden when a check is due and updates are not off
// ("UpdateMode" 2), and remembers the time.
void closeTimeUpdateCheck(const ZString& trigger);
