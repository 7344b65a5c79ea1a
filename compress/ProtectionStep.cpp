#include "compress/ProtectionStep.h"

#include "compress/CompressionSettings.h"
#include "compress/PageCount.h"
#include "compress/Qpdf.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"
#include "suite/Settings.h"

bool ProtectionStep::enabled(const Props& settings) {
    auto it = settings.find(u"keepEncryption");
    if (it != settings.end() && it->second == u"false") return false;
    return config_getBool(u"compress.keepEncryption", true);
}

bool ProtectionStep::run(const ZString& protectedPath, const ZString& password,
                         const ZString& inputPath, const ZString& outputPath,
                         const Props& settings, CommandContext* context) {
    // The arguments go through standard input: a password on the command
    // line would be readable by every user of the machine.
    ZString lines = ZString(u"--copy-encryption=") + protectedPath + u"\n" +
                    u"--encryption-file-password=" + password + u"\n";
    if (getBoolSetting(settings, u"webOptimize")) lines += u"--linearize\n";
    lines += inputPath + u"\n" + outputPath + u"\n";
    qpdf::runWithStdinArgs(u"\"@-\"", lines, context, 0);
    if (!platform::fs::exists(outputPath) || fileSize(outputPath) <= 0) return false;
    // An output that does not open as the user's file does is no result.
    return pdfIsEncrypted(outputPath) && pdfPageCount(inputPath) == pdfPageCount(outputPath, password);
}
