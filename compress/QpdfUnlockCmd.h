#pragma once

#include "base/ZString.h"
#include "compress/Command.h"

namespace qpdf {

// One decryption attempt: "--decrypt" with a password, the arguments on
// standard input so any path and password reach qpdf intact. Notices qpdf's
// "invalid password" report.
class QpdfUnlockCmd : public Command {
public:
    QpdfUnlockCmd(const ZString& inputPath, const ZString& outputPath, const ZString& password);

    void onFillStdin() override;
    void onStdoutLine(const ZString& line) override;
    void onStderrLine(const ZString& line) override;

    ZString inputPath;
    ZString outputPath;
    ZString password;
    bool invalidPassword = false;
    bool inputWritten = false;
};

}  // namespace qpdf
