#include "async/Job.h"

namespace async {

using Guard = std::lock_guard<std::mutex>;

bool Job::succeeded() const {
    Guard guard(state_);
    return succeeded_;
}

void Job::setSucceeded(bool value) {
    Guard guard(state_);
    succeeded_ = value;
}

void Job::setError(const ZString& text) {
    Guard guard(state_);
    error_ = text;
}

ZString Job::error() const {
    Guard guard(state_);
    return error_;
}

void Job::setDeleteWhenDone(bool value) {
    Guard guard(state_);
    deleteWhenDone_ = value;
}

bool Job::deleteWhenDone() const {
    Guard guard(state_);
    return deleteWhenDone_;
}

void Job::setId(uint64_t value) {
    Guard guard(state_);
    id_ = value;
}

uint64_t Job::id() const {
    Guard guard(state_);
    return id_;
}

ZString Job::name() const {
    return ZString::format(u"async-job-%llx", static_cast<unsigned long long>(id()));
}

void Job::setFinished(bool value) {
    Guard guard(state_);
    finished_ = value;
}

bool Job::finished() const {
    Guard guard(state_);
    return finished_;
}

void Job::setCancelled(bool value) {
    Guard guard(state_);
    cancelled_ = value;
}

bool Job::cancelled() const {
    Guard guard(state_);
    return cancelled_;
}

}  // namespace async
