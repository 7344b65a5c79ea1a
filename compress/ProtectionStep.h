#pragma once

#include "base/Props.h"
#include "base/ZString.h"
#include "compress/CommandContext.h"

// The last step for an encrypted file: the result gets the protection of the
// user's file back, the same user and owner passwords and permissions.
// qpdf copies the encryption from the user's file; the password that opened
// it is enough, since the copy keeps both password entries as they are.
class ProtectionStep {
public:
    // On unless "compress.keepEncryption" is false in the configuration or
    // the settings record says "keepEncryption" = "false" (the batch
    // command's --decrypt).
    static bool enabled(const Props& settings);

    // Writes inputPath encrypted like protectedPath into outputPath. True
    // when the output exists and opens with the same password.
    static bool run(const ZString& protectedPath, const ZString& password,
                    const ZString& inputPath, const ZString& outputPath, const Props& settings,
                    CommandContext* context);
};
