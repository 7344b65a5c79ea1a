#include "compress/FailureReporter.h"

#include <atomic>

namespace {

std::atomic<FailureReporter*> installed{nullptr};

}  // namespace

int MessageBoxFailureReporter::report(const ZString& caption, const ZString& text, unsigned flags) {
    return platform::messageBox(nullptr, caption, text, flags);
}

FailureReporter& failureReporter() {
    static MessageBoxFailureReporter fallback;
    FailureReporter* reporter = installed.load();
    return reporter ? *reporter : fallback;
}

void setFailureReporter(FailureReporter* reporter) { installed = reporter; }

FailureReporter& reporterOr(FailureReporter* reporter) {
    return reporter ? *reporter : failureReporter();
}
