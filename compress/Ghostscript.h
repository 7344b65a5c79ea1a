#pragma once

#include "base/Props.h"
#include "base/ZString.h"

class CommandContext;

// The Ghostscript step: pdfwrite re-encodes images and content by the
// settings record ("dpi", "imageQuality", "colorModel", "webOptimize").

// The system fonts folder, then the user's own fonts folder when it exists,
// joined by ":".
ZString ghostscriptFontPath();

// "GsWincCmdline" and the fixed options; read afresh at each call.
ZString ghostscriptBaseCommand();

// The per-run arguments, each fragment after the first preceded by a space.
ZString ghostscriptArguments(const ZString& inputPath, const ZString& outputPath,
                             const Props& settings);

// The JPEG quality factor for an image quality, two decimals with ".".
ZString ghostscriptQFactor(int32_t imageQuality);

// Base command, a space and the arguments with a trailing space; arguments
// longer than 10000 characters go into a registered ".gs" argument file.
ZString ghostscriptCommandLine(const ZString& arguments);

// Runs Ghostscript to its end. The result is judged by the output file
// alone. With a context the child is published there so a cancel ends it.
void runGhostscriptCompression(const ZString& inputPath, const ZString& outputPath,
                               const Props& settings, CommandContext* context = nullptr);
