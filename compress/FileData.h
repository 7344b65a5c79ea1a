#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "base/Props.h"
#include "base/ZString.h"

// One listed file: its private copies, its result and the settings both were
// made with. Shared by the list (GUI thread) and the background processor;
// paths and settings change only under `lock`.
class FileData {
public:
    enum State : uint32_t { New = 0, Queued = 1, Processing = 2, Done = 3 };

    FileData(const ZString& workingPath, const ZString& displayName, const ZString& sourceFolder);
    // Deletes the result file (or leaves it to the exit clean-up when that fails).
    ~FileData();
    FileData(const FileData&) = delete;
    FileData& operator=(const FileData&) = delete;

    ZString workingPath;   // the prepared copy that is compressed
    ZString displayName;
    ZString sourceFolder;  // proposed folder when the result is saved
    ZString pdfSourcePath; // set on first processing: the PDF compression starts from
    ZString resultPath;    // empty until a compression succeeded
    // A byte copy of the user's file when it is not encrypted: the result
    // when nothing else is smaller, so a file never grows.
    ZString originalCopyPath;
    // The result is that copy: the file is kept as it was.
    std::atomic<bool> resultUnchanged{false};
    std::atomic<uint32_t> state{New};
    Props requestedSettings;
    Props resultSettings;
    ZString shownResultText;
    std::atomic<uint32_t> progressStep{0};
    uint32_t rowState = 0;
    std::recursive_mutex lock;
    std::atomic<bool> removed{false};
};
