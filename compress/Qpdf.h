#pragma once

#include "base/Props.h"
#include "base/ZString.h"
#include "compress/CommandContext.h"

namespace qpdf {

// qpdf with some arguments on its command line and others, one per line, on
// its standard input (after an "@-" argument). The input is closed after the
// lines: qpdf reads such arguments until the end of its input.
class StdinArgsCommand : public ContextCommand {
public:
    StdinArgsCommand(const ZString& arguments, const ZString& stdinArguments,
                     CommandContext* context);

    void onFillStdin() override;

    ZString arguments;
    ZString stdinArguments;
    bool inputWritten = false;
};

// Runs "QpdfCmdline" with the arguments; true unless the run was killed.
bool runWithStdinArgs(const ZString& arguments, const ZString& stdinArguments,
                      CommandContext* context, uint32_t timeoutMs);

}  // namespace qpdf

// Rewrites a PDF with object streams, linearised when "webOptimize" is on.
// The caller judges the result by the output file.
bool optimizeWithQpdf(const ZString& inputPath, const ZString& outputPath, const Props& settings,
                      CommandContext* context = nullptr);
