#pragma once

#include "base/Props.h"
#include "compress/CommandOperation.h"
#include "compress/FileData.h"
#include "compress/FailureReporter.h"

// Saves one listed file: compresses it again first when its result was made
// with other settings (or there is none), then copies the result to the
// target. Lives on the caller's stack for one run.
class SaveOp : public CommandOperation {
public:
    SaveOp(FileData* record, const ZString& targetPath, const Props& settings,
           FailureReporter* reporter)
        : record_(record), targetPath_(targetPath), settings_(settings), reporter_(reporter) {}

    void release() override {}
    void run() override;
    void describe(ZString& text, uint64_t& weight) override;

private:
    FileData* record_;
    ZString targetPath_;
    Props settings_;
    FailureReporter* reporter_;
};
