#include "compress/Qpdf.h"

#include "compress/CompressionSettings.h"
#include "suite/Settings.h"

namespace qpdf {

namespace {
constexpr int32_t kUtf8 = 65001;
}

StdinArgsCommand::StdinArgsCommand(const ZString& arguments_, const ZString& stdinArguments_,
                                   CommandContext* context)
    : ContextCommand(context), arguments(arguments_), stdinArguments(stdinArguments_) {
    lineMode = true;
    codePage = kUtf8;
    closeInputAfterWrite = true;
    commandLine = progConfig_getStr(u"QpdfCmdline", ZString());
    if (!arguments.isEmpty()) {
        commandLine.append(u' ');
        commandLine.append(arguments);
    }
}

void StdinArgsCommand::onFillStdin() {
    if (inputWritten || stdinArguments.isEmpty()) return;
    writeStdin(stdinArguments);
    inputWritten = true;
}

bool runWithStdinArgs(const ZString& arguments, const ZString& stdinArguments,
                      CommandContext* context, uint32_t timeoutMs) {
    StdinArgsCommand command(arguments, stdinArguments, context);
    command.timeout = timeoutMs;
    runInContext(command, context);
    return !command.killed;
}

}  // namespace qpdf

bool optimizeWithQpdf(const ZString& inputPath, const ZString& outputPath, const Props& settings,
                      CommandContext* context) {
    ZString arguments = u"--object-streams=generate";
    if (getBoolSetting(settings, u"webOptimize")) arguments.append(u" --linearize");
    arguments.append(ZString(u" \"") + inputPath + u"\" \"" + outputPath + u"\"");
    return qpdf::runWithStdinArgs(arguments, ZString(), context, 0);
}
