#include "app/SaveOp.h"

#include <mutex>

#include "compress/Pipeline.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"
#include "suite/Language.h"

void SaveOp::run() {
    std::lock_guard<std::recursive_mutex> guard(record_->lock);
    record_->requestedSettings = settings_;
    processEntry(*record_, &context);
    if (isCancelled() || context.cancelled) return;
    if (record_->state == FileData::Done && !record_->resultPath.isEmpty() &&
        platform::fs::exists(record_->resultPath)) {
        copyFileWithErrorBox(record_->resultPath, targetPath_, reporter_,
                             userFileName(record_->sourceFolder, record_->displayName));
    }
}

void SaveOp::describe(ZString& text, uint64_t& weight) {
    ZString name = record_->displayName.isEmpty() ? record_->userPath : record_->displayName;
    text = lang_getStr(u"operations/processing-file") + u" '" + platform::fs::fileName(name) + u"'";
    int64_t size = fileSize(record_->workingPath);
    weight = static_cast<uint64_t>(size / 1000 + 1000);
}
