#pragma once

#include <memory>

#include "base/Props.h"
#include "base/ZString.h"
#include "compress/CommandContext.h"
#include "compress/FileData.h"
#include "compress/TargetSize.h"
#include "compress/UnlockPrompt.h"

// The road of one file: a private working copy when it is added (unlocked
// when it is a PDF), then on processing the conversion of other documents,
// Ghostscript and qpdf, the smaller file winning after each step.

// Makes the working copy and unlocks it. Empty when the copy failed, the
// file could not be unlocked or the password prompt was cancelled (then
// getLastError() is kErrorCancelled).
std::unique_ptr<FileData> prepareFile(const ZString& addedPath, const ZString& displayName,
                                      const ZString& sourceFolder, UnlockPrompt* prompt);

// The display name and source folder a file added with these gets.
void namesOfAddedFile(const ZString& addedPath, ZString& displayName, ZString& sourceFolder);

// A listed file that could not be prepared: no copies, failed as unreadable.
std::unique_ptr<FileData> failedFile(const ZString& addedPath, const ZString& displayName,
                                     const ZString& sourceFolder);

// Compresses the entry with its requested settings unless its result was
// made with the same ones. Holds the entry's lock throughout.
void processEntry(FileData& entry, CommandContext* context);

// What a compression chose, for the log and the result line.
struct CompressReport {
    ZString summary;          // which path won and why, in one line
    bool linearised = false;  // the written file is linearised
    bool ghostscript = false; // it came by Ghostscript's road
    TargetSize::Result target; // the search under "targetSize", when there was one
};

// Writes the smallest candidate to outputPath. With the planner (the
// default) the lossless path's result (qpdf, sharing) is always one, and
// Ghostscript's only where the planner expects a gain; with the planner off
// Ghostscript runs on every PDF, then qpdf and sharing, the smaller file
// winning at each step. With a "targetSize" the target search chooses
// among the lossless result and Ghostscript's at several settings, planner
// or not. An output counts only when it has the input's page
// count. Nothing is written when the context is cancelled.
void compressFile(const ZString& inputPath, const ZString& outputPath, const Props& settings,
                  CommandContext* context, CompressReport* report = nullptr);

// Runs the converter program on a non-PDF document; its exit status (0 on
// success).
uint32_t convertToPdf(const ZString& inputPath, const ZString& outputPath, const ZString& profile,
                  CommandContext* context = nullptr);

// The converter's command line.
ZString converterCommandLine(const ZString& inputPath, const ZString& outputPath,
                             const ZString& profile);

// The extension of a path's file name with its dot, keeping only characters
// a file name may hold everywhere ("" when there is none).
ZString safeExtension(const ZString& path);
