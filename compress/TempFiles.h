#pragma once

#include <cstdint>

#include "base/ZString.h"
#include "platform/Fs.h"

class FailureReporter;

// Where temporary files live, how their names are made and how they are
// removed at exit, plus the file helpers the engine shares.

// The user's temporary folder: $TMPDIR, or when unset the private
// /tmp/varto-<uid> (made with mode 0700), then $TMP, $TEMP, $TMPDIR, each
// taken when it exists; else ".". Never ends with a separator.
ZString tempRootFolder();

// The program's own folder below the temporary root: "<root>/Varto".
ZString appTempFolder();

// Makes sure the folder exists (made with mode 0700), belongs to this user
// alone when it lies below the temporary root, has a path the tools can be
// given, and a file can be made in it; otherwise tells the user (through the
// installed failure reporter) and ends the program (exit code 1).
void ensureFolderWritable(const ZString& folder);

// A path that did not exist when made:
// "<root>[/<subfolder>]/<prefix>_<n>_<tick>_<random><extension>". An empty subfolder means the
// temporary root itself.
ZString makeTempFileName(const ZString& subfolder, const ZString& prefix, const ZString& extension);

// A new private folder in the program's temporary folder, registered for
// removal at exit; empty when it could not be made.
ZString makePrivateTempFolder(const ZString& prefix);

// True for a path below the temporary root.
bool isTempPath(const ZString& path);

struct TempFile {
    ZString path;                 // the last name tried
    platform::fs::UniqueFd file;  // invalid when no file could be made
};

// Creates a new file in the program's temporary folder, or failing that in
// the temporary root.
TempFile createTempFile(const ZString& prefix, const ZString& extension);

// Adds a file or folder to the list removed when the process exits.
void registerTempFile(const ZString& path);

// A registered name in the program's temporary folder whose file is removed
// when the name goes out of scope.
class ScopedTempName {
public:
    explicit ScopedTempName(const ZString& prefix, const ZString& extension = u".pdf");
    ~ScopedTempName();
    ScopedTempName(const ScopedTempName&) = delete;
    ScopedTempName& operator=(const ScopedTempName&) = delete;
    ZString path;
};

// Size in bytes, -1 when the file is missing or no regular file.
int64_t fileSize(const ZString& path);

// Copies over an existing destination; 5 attempts 100 ms apart. A copy into
// the temporary folder is readable by this user only.
bool copyFileWithRetries(const ZString& source, const ZString& destination);

// The user's file as messages name it: its folder and display name.
ZString userFileName(const ZString& folder, const ZString& displayName);

// How a message names a path: itself, or for a private copy below
// appTempFolder(), the user's file it is a copy of (userFile, as
// userFileName gives it), so no message shows the private folders.
ZString shownPath(const ZString& path, const ZString& userFile);

// As copyFileWithRetries, asking the user to retry or cancel on failure
// through the reporter (the installed one when null). The box names private
// copies by the user's file (see shownPath).
bool copyFileWithErrorBox(const ZString& source, const ZString& destination,
                          FailureReporter* reporter = nullptr,
                          const ZString& userFile = ZString());

// Removes a file, or a folder with everything in it; a missing path is fine.
void deleteRecursively(const ZString& path);

// Creates the folder and missing parents; true when it exists afterwards
// because of the last creation or already did.
bool createFolders(const ZString& path);

// Modification time in nanoseconds since 1970-01-01 UTC, -1 when missing.
int64_t lastWriteTime(const ZString& path);
