// The job pool as its users see it: names, start order, parallel runs,
// failures, deletion, and the hand-over to the window's thread.
#include <gtest/gtest.h>

#include <glib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "async/GlibGuiThread.h"
#include "async/GuiSyncedOp.h"
#include "async/JobProcessor.h"
#include "platform/gui/Gui.h"
#include "platform/gui/Window.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace std::chrono_literals;

class FnJob : public async::Job {
public:
    explicit FnJob(std::function<void()> work) : work_(std::move(work)) {}
    ~FnJob() override {
        if (destroyed_) *destroyed_ = true;
    }
    void run() override { work_(); }
    std::atomic<bool>* destroyed_ = nullptr;

private:
    std::function<void()> work_;
};

using testsupport::waitUntil;

TEST(JobProcessorTest, OneWorkerRunsJobsInQueueOrderWithTheirNames) {
    async::JobProcessor processor;
    processor.setWorkerCount(0);  // still one worker
    std::mutex lock;
    std::vector<int> order;
    std::vector<std::unique_ptr<FnJob>> jobs;
    for (int i = 0; i < 11; ++i) {
        jobs.push_back(std::make_unique<FnJob>([&, i] {
            std::lock_guard<std::mutex> guard(lock);
            order.push_back(i);
        }));
    }
    jobs[3]->setCancelled(true);  // enqueue clears it
    for (auto& job : jobs) processor.enqueue(job.get());
    const uint64_t first = jobs[0]->id();
    ASSERT_TRUE(waitUntil([&] { return jobs.back()->finished(); }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    for (size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_EQ(jobs[i]->id(), first + i);
        EXPECT_TRUE(jobs[i]->succeeded());
    }
    // Names are hexadecimal ids: the eleventh of a fresh process is "b".
    FnJob named([] {});
    named.setId(11);
    EXPECT_EQ(named.name(), u"async-job-b");
    named.setId(1);
    EXPECT_EQ(named.name(), u"async-job-1");
    processor.stop();
}

TEST(JobProcessorTest, ThreeWorkersRunInParallelAndAQueuedJobWaitsForAFreeOne) {
    async::JobProcessor processor;  // three workers by default
    std::atomic<int> running{0}, peak{0};
    std::atomic<bool> release{false};
    std::vector<std::unique_ptr<FnJob>> jobs;
    for (int i = 0; i < 4; ++i) {
        jobs.push_back(std::make_unique<FnJob>([&] {
            peak = std::max(peak.load(), ++running);
            while (!release) std::this_thread::sleep_for(1ms);
            --running;
        }));
        processor.enqueue(jobs.back().get());
    }
    ASSERT_TRUE(waitUntil([&] { return running == 3; }));
    std::this_thread::sleep_for(150ms);  // longer than an idle poll
    EXPECT_EQ(running, 3);
    EXPECT_EQ(processor.runningCount(), 3);
    release = true;
    ASSERT_TRUE(waitUntil([&] { return jobs[3]->finished(); }));
    EXPECT_EQ(peak, 3);
    processor.stop();  // before the jobs go
}

TEST(JobProcessorTest, FailuresCancellationAndDeletion) {
    async::JobProcessor processor;
    processor.setWorkerCount(1);
    FnJob throwing([] { throw std::runtime_error("boom"); });
    std::atomic<bool> ran{false};
    FnJob cancelled([&] { ran = true; });
    std::atomic<bool> destroyed{false};
    auto* owned = new FnJob([] {});
    owned->destroyed_ = &destroyed;
    owned->setDeleteWhenDone(true);

    // Hold the worker so the cancel lands while the job waits in the queue.
    std::atomic<bool> release{false};
    FnJob blocker([&] {
        while (!release) std::this_thread::sleep_for(1ms);
    });
    processor.enqueue(&blocker);
    processor.enqueue(&throwing);
    processor.enqueue(&cancelled);
    cancelled.setCancelled(true);
    processor.enqueue(owned);
    release = true;

    ASSERT_TRUE(waitUntil([&] { return destroyed.load(); }));
    EXPECT_TRUE(throwing.finished());
    EXPECT_FALSE(throwing.succeeded());
    EXPECT_EQ(throwing.error(), u"An exception occurred while processing the job");
    EXPECT_TRUE(cancelled.finished());
    EXPECT_FALSE(ran);
    processor.stop();
}

// Hands a value to the "window" thread and records which thread ran it.
class GuiJob : public async::Job, public async::GuiSyncedOp {
public:
    void run() override { syncWithGui(); }
    void runOnGui() override { ranOn = std::this_thread::get_id(); }
    std::thread::id ranOn;
};

TEST(JobProcessorTest, GuiPartRunsOnTheWindowThreadOrIsSkippedWhenTheWindowIsGone) {
    // A real window on GTK's loop when there is a display (the tests run
    // under Xvfb), else a stand-in handle on a bare GLib loop.
    int standIn = 0;
    platform::WindowHandle window = &standIn;
    const bool real = platform::gui::Gui::init();
    if (real) {
        platform::gui::Window::Params params;
        params.title = u"jobs";
        params.width = params.height = 100;
        window = platform::gui::Window::create(params);
        ASSERT_NE(window, nullptr);
    }
    auto pumpUntil = [&](const std::function<bool()>& done, int64_t ms = 10000) {
        return waitUntil(done, ms, [&] {
            real ? platform::gui::Gui::pump(false) : void(g_main_context_iteration(nullptr, FALSE));
            std::this_thread::sleep_for(1ms);
        });
    };
    auto& gui = async::GlibGuiThread::instance();
    gui.openWindow(window);
    async::JobProcessor processor;

    GuiJob fromWorker;
    fromWorker.window = window;
    processor.enqueue(&fromWorker);
    ASSERT_TRUE(pumpUntil([&] { return fromWorker.finished(); }));
    EXPECT_EQ(fromWorker.ranOn, std::this_thread::get_id());
    EXPECT_TRUE(fromWorker.done);

    // On the window's own thread the call is direct.
    GuiJob direct;
    direct.window = window;
    direct.run();
    EXPECT_EQ(direct.ranOn, std::this_thread::get_id());

    // A window that goes while the worker waits: the worker stops waiting and
    // the timer never fires later.
    GuiJob orphan;
    orphan.window = window;
    orphan.timerPeriodMs = 200;
    processor.enqueue(&orphan);
    std::this_thread::sleep_for(50ms);
    gui.closeWindow(window);
    if (real) platform::gui::Window::destroy(window);
    ASSERT_TRUE(waitUntil([&] { return orphan.finished(); }));
    pumpUntil([] { return false; }, 300);  // well past the timer's period
    EXPECT_EQ(orphan.ranOn, std::thread::id());
    EXPECT_TRUE(orphan.done);
    processor.stop();
}

}  // namespace

// A job that runs until it is aborted (or, when deaf, until released).
class AbortableJob : public async::Job {
public:
    explicit AbortableJob(bool deaf = false) : deaf_(deaf) {}
    void run() override {
        started = true;
        while (!(aborted && !deaf_) && !released) std::this_thread::sleep_for(1ms);
    }
    void abort() override { aborted = true; }
    std::atomic<bool> started{false}, aborted{false}, released{false};

private:
    bool deaf_;
};

TEST(JobProcessorTest, StopAbortsRunningJobsCancelsWaitingOnesAndNeverHangs) {
    async::JobProcessor processor;
    processor.setWorkerCount(2);
    AbortableJob first, second, waiting;
    std::atomic<bool> destroyed{false};
    auto* owned = new FnJob([] {});
    owned->destroyed_ = &destroyed;
    owned->setDeleteWhenDone(true);
    for (async::Job* job : std::initializer_list<async::Job*>{&first, &second, &waiting, owned})
        processor.enqueue(job);
    ASSERT_TRUE(waitUntil([&] { return first.started && second.started; }));
    EXPECT_EQ(processor.listedCount(), 4u);

    const auto start = std::chrono::steady_clock::now();
    processor.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);  // not the jobs' own end: they never end
    EXPECT_TRUE(first.aborted && second.aborted);
    EXPECT_TRUE(first.finished() && second.finished());
    // Waiting jobs finish cancelled without running; owned ones are destroyed.
    EXPECT_TRUE(waiting.finished());
    EXPECT_TRUE(waiting.cancelled());
    EXPECT_FALSE(waiting.started);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(processor.listedCount(), 0u);

    // A job that ignores its abort does not hold up the stop beyond its wait.
    AbortableJob deaf(true);
    processor.enqueue(&deaf);
    ASSERT_TRUE(waitUntil([&] { return deaf.started.load(); }));
    const auto again = std::chrono::steady_clock::now();
    processor.stop(100ms);
    EXPECT_LT(std::chrono::steady_clock::now() - again, 2s);
    deaf.released = true;
    EXPECT_TRUE(waitUntil([&] { return deaf.finished(); }));
}

TEST(JobProcessorTest, EnqueueRacingStopLosesNoJobAndFinishedJobsLeaveTheList) {
    async::JobProcessor processor;
    std::vector<std::unique_ptr<FnJob>> jobs;
    for (int round = 0; round < 200; ++round) {
        jobs.push_back(std::make_unique<FnJob>([] {}));
        FnJob* job = jobs.back().get();
        std::thread stopper([&] { processor.stop(); });
        processor.enqueue(job);
        stopper.join();
        // Either the stop dropped it (finished, cancelled) or a new worker runs it.
        ASSERT_TRUE(waitUntil([&] { return job->finished(); })) << round;
    }
    processor.stop();
    EXPECT_EQ(processor.listedCount(), 0u);
    // Idle workers wait on the queue, not a clock: a new job starts at once.
    // (Which side wins each race above is the scheduler's choice: on a busy
    // machine the stop may win all 200, so only this job must run.)
    std::atomic<bool> ran{false};
    FnJob quick([&] { ran = true; });
    processor.enqueue(&quick);
    ASSERT_TRUE(waitUntil([&] { return quick.finished(); }, 1000));
    EXPECT_EQ(processor.listedCount(), 0u);
    EXPECT_TRUE(ran.load());
    processor.stop();
}
