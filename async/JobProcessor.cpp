#include "async/JobProcessor.h"

#include <algorithm>
#include <chrono>

namespace async {
namespace {

// Identifiers are unique in the process, across every processor.
std::atomic<uint64_t> nextId{1};

constexpr auto kIdlePoll = std::chrono::milliseconds(100);

}  // namespace

JobProcessor& JobProcessor::instance() {
    static JobProcessor single;
    return single;
}

JobProcessor::~JobProcessor() { stop(); }

void JobProcessor::enqueue(Job* job) {
    job->setId(nextId++);
    job->setSucceeded(true);
    job->setFinished(false);
    job->setCancelled(false);
    job->setError(ZString());

    std::lock_guard<std::mutex> guard(lock_);
    all_.push_back(job);
    waiting_.push_back(job);
    stop_ = false;
    // A worker ends only through stop(), which joins it; so "not running"
    // means "never started" or "stopped", and both are restarted here.
    if (workers_.empty()) {
        const int32_t count = std::max(workerCount_, 1);
        for (int32_t i = 0; i < count; ++i) workers_.emplace_back([this] { run(); });
    }
}

void JobProcessor::setWorkerCount(int32_t count) {
    std::lock_guard<std::mutex> guard(lock_);
    workerCount_ = count;
}

int32_t JobProcessor::workerCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return workerCount_;
}

int32_t JobProcessor::runningCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return running_;
}

void JobProcessor::run() {
    while (!stop_) {
        Job* job = takeOldest();
        if (!job) {
            std::this_thread::sleep_for(kIdlePoll);
            continue;
        }
        runJob(job);
    }
}

void JobProcessor::stop() {
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        workers.swap(workers_);
    }
    for (std::thread& worker : workers) {
        if (worker.get_id() == std::this_thread::get_id()) {
            worker.detach();  // a job that stops its own processor
        } else {
            worker.join();
        }
    }
}

Job* JobProcessor::takeOldest() {
    std::lock_guard<std::mutex> guard(lock_);
    if (waiting_.empty()) return nullptr;
    Job* job = waiting_.front();
    waiting_.pop_front();
    ++running_;
    return job;
}

void JobProcessor::runJob(Job* job) {
    if (!job->cancelled()) {
        try {
            job->run();
        } catch (...) {
            job->setSucceeded(false);
            job->setError(u"An exception occurred while processing the job");
        }
    }
    if (job->deleteWhenDone()) {
        std::lock_guard<std::mutex> guard(lock_);
        all_.remove(job);
        delete job;
    } else {
        job->setFinished(true);
    }
    std::lock_guard<std::mutex> guard(lock_);
    --running_;
}

}  // namespace async
