#include "async/JobProcessor.h"

#include <algorithm>
#include <atomic>

namespace async {
namespace {

// Identifiers are unique in the process, across every processor.
std::atomic<uint64_t> nextId{1};

}  // namespace

JobProcessor& JobProcessor::instance() {
    // Never destroyed: the application stops it while everything its jobs
    // use still exists, instead of a static destructor at exit.
    static JobProcessor* single = new JobProcessor;
    return *single;
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
    // Workers exist until stop(), which takes them all under this lock; so
    // none means "never started" or "stopped", and both start anew here.
    if (workers_.empty()) {
        const int32_t count = std::max(workerCount_, 1);
        const uint64_t generation = generation_;
        for (int32_t i = 0; i < count; ++i)
            workers_.emplace_back([this, generation] { work(generation); });
    }
    wake_.notify_one();
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

size_t JobProcessor::listedCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return all_.size();
}

void JobProcessor::run() {
    uint64_t generation;
    {
        std::lock_guard<std::mutex> guard(lock_);
        generation = generation_;
    }
    work(generation);
}

void JobProcessor::work(uint64_t generation) {
    std::unique_lock<std::mutex> lock(lock_);
    ++looping_;
    while (Job* job = takeOldest(lock, generation)) {
        lock.unlock();
        runJob(job);
        lock.lock();
    }
    --looping_;
    idle_.notify_all();
}

Job* JobProcessor::takeOldest(std::unique_lock<std::mutex>& lock, uint64_t generation) {
    wake_.wait(lock, [&] { return generation_ != generation || !waiting_.empty(); });
    if (generation_ != generation) return nullptr;
    Job* job = waiting_.front();
    waiting_.pop_front();
    ++running_;
    return job;
}

void JobProcessor::stop(std::chrono::milliseconds wait) {
    std::vector<std::thread> workers;
    std::deque<Job*> dropped;
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++generation_;
        workers.swap(workers_);
        dropped.swap(waiting_);
        // Running jobs stay alive until their worker finishes them, and
        // that takes this lock.
        for (Job* job : all_)
            if (std::find(dropped.begin(), dropped.end(), job) == dropped.end()) job->abort();
    }
    wake_.notify_all();
    for (Job* job : dropped) {
        job->setCancelled(true);
        finish(job);
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    {
        std::unique_lock<std::mutex> lock(lock_);
        idle_.wait_until(lock, deadline, [&] { return looping_ == 0; });
    }
    for (std::thread& worker : workers) {
        if (worker.get_id() == std::this_thread::get_id()) {
            worker.detach();  // a job that stops its own processor
        } else {
            std::unique_lock<std::mutex> lock(lock_);
            const bool ended = looping_ == 0;
            lock.unlock();
            // A job that ignores its abort must not hold up the program's end.
            if (ended) {
                worker.join();
            } else {
                worker.detach();
            }
        }
    }
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
    finish(job);
    std::lock_guard<std::mutex> guard(lock_);
    --running_;
}

void JobProcessor::finish(Job* job) {
    // Out of the list first: the owner may destroy a finished job at once.
    {
        std::lock_guard<std::mutex> guard(lock_);
        all_.remove(job);
    }
    if (job->deleteWhenDone()) {
        delete job;
    } else {
        job->setFinished(true);
    }
}

}  // namespace async
