#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "BatchOptions.h"
#include "compress/CommandContext.h"
#include "compress/TargetSize.h"

// Compresses the files of a batch on a few worker threads and reports one
// line per file on the result stream as each finishes, then a total.
class BatchRun {
public:
    BatchRun(const BatchOptions& options, int resultFd, int messageFd);

    // Exit status: 0 when every file succeeded, else 1.
    int run();
    // Kills the running tools; unfinished files fail as cancelled.
    void cancel();

private:
    struct Outcome {
        bool ok = false;
        bool keptAsItWas = false;
        bool protectionKept = false;
        ZString note;  // why it was kept, when there is more to say
        int64_t oldSize = 0;
        int64_t newSize = 0;
        ZString target;
        ZString reason;
        int64_t pages = -1;      // of the result; counted for --json only
        ZString route;           // how the engine went about the file
        double seconds = 0;
        // With --target-size: the search's end. A missed limit fails the
        // file although its smallest result is written.
        TargetSize::Result sizeTarget;
        bool targetMissed() const { return sizeTarget.limit > 0 && !sizeTarget.reached; }
    };

    void worker();
    Outcome compressOne(const ZString& path, CommandContext& context);
    // Why the file's result could not be saved, found before any work; empty
    // when it can.
    ZString checkTarget(const ZString& path);
    ZString targetFolder(const ZString& inputPath) const;
    void aroundPrompt(bool asking);
    // Writes a result line; a reader that went away ends the run.
    void writeResult(const ZString& line);
    void writeResult(const std::string& utf8);
    bool storeResult(const ZString& resultPath, const ZString& inputPath, const ZString& displayName,
                     Outcome& outcome);
    void report(const ZString& path, const Outcome& outcome);
    ZString humanLine(const ZString& path, const Outcome& outcome) const;
    std::string jsonLine(const ZString& path, const Outcome& outcome) const;
    void showProgress();
    void printTotal();

    const BatchOptions& options_;
    int resultFd_;
    int messageFd_;
    bool progress_;
    bool interactive_;
    std::chrono::steady_clock::time_point started_;

    std::vector<size_t> order_;  // indices into the files, in the order they start

    std::mutex lock_;  // guards everything below and the output streams
    size_t next_ = 0;  // into order_
    size_t finished_ = 0;
    size_t failed_ = 0;
    int64_t totalOld_ = 0;
    int64_t totalNew_ = 0;
    std::vector<ZString> running_;
    std::vector<CommandContext*> contexts_;
    bool cancelled_ = false;
    bool prompting_ = false;
    std::mutex promptLock_;  // one password question at a time
};
