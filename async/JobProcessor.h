#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "async/Job.h"
#include "async/Runnable.h"

namespace async {

// A few worker threads that run queued jobs, started in the order they were
// queued. One process-wide instance, which the application stops before it
// ends (it is never destroyed, so no worker outlives a destructor); tests
// may make their own.
class JobProcessor : public Runnable {
public:
    static JobProcessor& instance();

    JobProcessor() = default;
    // Stops the workers (see stop). Jobs the owners keep are not destroyed.
    ~JobProcessor() override;
    JobProcessor(const JobProcessor&) = delete;
    JobProcessor& operator=(const JobProcessor&) = delete;

    // The only way to run a job. The processor does not own it unless its
    // delete-when-done flag is set. A later enqueue restarts stopped workers.
    void enqueue(Job* job);

    // Takes effect when the workers are first created.
    void setWorkerCount(int32_t count);
    int32_t workerCount() const;
    int32_t runningCount() const;
    // Jobs queued or running; finished ones leave the list.
    size_t listedCount() const;

    // What every worker thread runs.
    void run() override;

    // Ends the workers: waiting jobs finish cancelled without running (or are
    // destroyed when delete-when-done), running jobs are asked to abort, and
    // the workers are joined. A worker still busy after `wait` is left to end
    // on its own (detached), so stopping never hangs on a job that ignores
    // its abort.
    void stop(std::chrono::milliseconds wait = std::chrono::milliseconds(800));

private:
    void work(uint64_t generation);
    Job* takeOldest(std::unique_lock<std::mutex>& lock, uint64_t generation);
    void runJob(Job* job);
    void finish(Job* job);

    int32_t workerCount_ = 3;
    mutable std::mutex lock_;
    std::condition_variable wake_;  // a job was queued or the workers must end
    std::condition_variable idle_;  // a worker left its loop
    std::deque<Job*> waiting_;
    std::list<Job*> all_;  // queued or running
    std::vector<std::thread> workers_;
    uint64_t generation_ = 0;  // the workers of an older generation end
    int32_t running_ = 0;
    int32_t looping_ = 0;  // workers inside run()
};

}  // namespace async
