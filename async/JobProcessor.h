#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "async/Job.h"
#include "async/Runnable.h"

namespace async {

// A few worker threads that run queued jobs, started in the order they were
// queued. One process-wide instance; tests may make their own.
class JobProcessor : public Runnable {
public:
    static JobProcessor& instance();

    JobProcessor() = default;
    // Stops the workers cooperatively: each finishes its current job first.
    // Jobs still listed are not destroyed: their owners hold them.
    ~JobProcessor() override;
    JobProcessor(const JobProcessor&) = delete;
    JobProcessor& operator=(const JobProcessor&) = delete;

    // The only way to run a job. The processor does not own it unless its
    // delete-when-done flag is set.
    void enqueue(Job* job);

    // Takes effect when the workers are first created.
    void setWorkerCount(int32_t count);
    int32_t workerCount() const;
    int32_t runningCount() const;

    // What every worker thread runs.
    void run() override;

    // Sets the stop flag and joins the workers (after their current jobs).
    void stop();

private:
    Job* takeOldest();
    void runJob(Job* job);

    int32_t workerCount_ = 3;
    mutable std::mutex lock_;
    std::deque<Job*> waiting_;
    std::list<Job*> all_;
    std::vector<std::thread> workers_;
    std::atomic<bool> stop_{false};
    int32_t running_ = 0;
};

}  // namespace async
