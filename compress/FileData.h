#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "base/Props.h"
#include "base/ZString.h"
#include "compress/StepProgress.h"
#include "compress/TargetSize.h"

// One listed file: its private copies, its result and the settings both were
// made with. Shared by the list (GUI thread) and the background processor;
// paths and settings change only under `lock`.
class FileData {
public:
    enum State : uint32_t { New = 0, Queued = 1, Processing = 2, Done = 3 };
    // Why the last processing gave no result.
    enum Failure : uint32_t {
        NoFailure = 0,
        Unreadable = 1,        // not a PDF any tool can read (damaged, or still locked)
        ConversionFailed = 2,  // the converter gave no PDF
        NotWritten = 3,        // the result could not be stored (the user gave up)
        BadTargetSize = 4,     // the settings' "targetSize" is no size
    };

    FileData(const ZString& workingPath, const ZString& displayName, const ZString& sourceFolder);
    // Deletes the result file (or leaves it to the exit clean-up when that fails).
    ~FileData();
    FileData(const FileData&) = delete;
    FileData& operator=(const FileData&) = delete;

    ZString workingPath;   // the prepared copy that is compressed
    ZString displayName;
    ZString sourceFolder;  // proposed folder when the result is saved
    // The user's file as it was added; messages name it, never a private copy.
    ZString userPath;
    ZString pdfSourcePath; // set on first processing: the PDF compression starts from
    ZString resultPath;    // empty until a compression succeeded
    // A byte copy of the user's file. Sizes are measured against it, and it
    // is the result when nothing else is smaller, so a file never grows.
    ZString originalCopyPath;
    // The user's file is encrypted (an owner password counts); the password
    // that opened it (empty for an owner password alone).
    bool encrypted = false;
    ZString password;
    // The result carries the user's file's protection.
    std::atomic<bool> protectionKept{false};
    std::atomic<uint32_t> failure{NoFailure};
    uint32_t converterExitStatus = 0;
    // A message shown about the file while it was added, kept for the full reason.
    ZString failureDetail;
    // The result is that copy: the file is kept as it was.
    std::atomic<bool> resultUnchanged{false};
    // Why the result is the user's file when the web option could not be
    // kept (no linearised version was smaller); empty otherwise.
    ZString resultNote;
    // Which road the result came by: "ghostscript" or "lossless".
    ZString resultRoute;
    // How the result met the settings' size limit (limit 0: there was none).
    TargetSize::Result target;
    std::atomic<uint32_t> state{New};
    Props requestedSettings;
    Props resultSettings;
    ZString shownResultText;
    std::atomic<uint32_t> progressStep{0};
    StepProgress progress;
    uint32_t rowState = 0;
    std::recursive_mutex lock;
    std::atomic<bool> removed{false};
};
