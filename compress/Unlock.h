#pragma once

#include "base/ZString.h"
#include "compress/UnlockPrompt.h"

// Removes the encryption of a PDF into outputPath. The empty password goes
// first, then every remembered password, then the prompt is asked until a
// password fits or it is cancelled. True when the output exists (or the user
// chose to go on with an unchanged copy). False otherwise; after a cancelled
// prompt getLastError() is kErrorCancelled and no partial output remains.
// Without a prompt, asking counts as cancelled and message boxes as Cancel.
// Messages name userPath (the user's own file) when given.
struct UnlockResult {
    bool openedByTool = false;  // qpdf wrote the output (not a plain copy)
    ZString password;           // the password that opened the file
};
bool unlockPdf(const ZString& inputPath, const ZString& outputPath, const ZString& displayName,
               UnlockPrompt* prompt, const ZString& userPath = ZString(),
               UnlockResult* result = nullptr);

// The password prompt for a file: "operations/password-for-file 'name'".
bool askPassword(UnlockPrompt* prompt, const ZString& fileName, ZString& password);

// Adds a password to the process-wide list tried before asking (the batch
// command's --password values). Duplicates are ignored.
void rememberPassword(const ZString& password);
