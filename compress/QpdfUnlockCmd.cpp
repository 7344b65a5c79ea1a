#include "compress/QpdfUnlockCmd.h"

#include "suite/Settings.h"

namespace qpdf {

QpdfUnlockCmd::QpdfUnlockCmd(const ZString& inputPath_, const ZString& outputPath_,
                             const ZString& password_)
    : inputPath(inputPath_), outputPath(outputPath_), password(password_) {
    lineMode = true;
    codePage = 65001;
    closeInputAfterWrite = true;
    commandLine = progConfig_getStr(u"QpdfCmdline", ZString()) + u" \"@-\"";
}

void QpdfUnlockCmd::onFillStdin() {
    if (inputWritten) return;
    inputWritten = true;
    writeStdin(ZString(u"--verbose\n--decrypt\n--password=") + password + u"\n" + inputPath +
               u"\n" + outputPath + u"\n");
}

void QpdfUnlockCmd::onStdoutLine(const ZString& line) {
    printLogLine(line);
}

void QpdfUnlockCmd::onStderrLine(const ZString& line) {
    printLogLine(line);
    if (line.toLower().find(u"invalid password") >= 0) invalidPassword = true;
}

}  // namespace qpdf
