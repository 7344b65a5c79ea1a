#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "EngineTestSupport.h"
#include "compress/CommandOperation.h"
#include "compress/FileProcessor.h"
#include "compress/PageCount.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

// The Ghostscript inputs of every run so far, in order.
std::vector<std::string> gsInputs(const EngineEnv& env) {
    std::vector<std::string> inputs;
    for (const auto& run : env.runs("gs")) inputs.push_back(run.back());
    return inputs;
}

struct Fixture {
    EngineEnv env;
    FileProcessor processor;
    std::vector<FileData*> entries;
    std::vector<std::string> inputs;

    FileData* add(const std::string& name, const std::string& bytes, const Props& settings) {
        std::string path = env.add(name, bytes);
        inputs.push_back(path);
        FileData* entry = processor.append(std::make_unique<FileData>(z(path), z(name), u""));
        processor.queue(entry, settings);
        entries.push_back(entry);
        return entry;
    }
    bool allDone() {
        std::lock_guard<std::recursive_mutex> guard(processor.listLock());
        for (const auto& entry : processor.entries()) {
            if (entry->state != FileData::Done) return false;
        }
        return true;
    }
    size_t count() {
        std::lock_guard<std::recursive_mutex> guard(processor.listLock());
        return processor.entries().size();
    }
};

}  // namespace

TEST(FileProcessorTest, QueuedEntriesRunInListOrderAndSettingsChangesRecompressAll) {
    Fixture f;
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"})
        f.add(name, samplePdf(3), formSettings(u"72"));
    // An entry without a result stays done and is retried only with new settings.
    FileData* empty = f.add("empty.pdf", "", formSettings(u"72"));
    f.inputs.pop_back();
    f.entries.pop_back();
    f.processor.start();
    ASSERT_TRUE(waitUntil([&] { return f.allDone() && f.env.runs("gs").size() == 3; }));
    EXPECT_EQ(gsInputs(f.env), f.inputs);
    std::vector<ZString> firstResults;
    for (FileData* entry : f.entries) {
        std::lock_guard<std::recursive_mutex> guard(entry->lock);
        ASSERT_FALSE(entry->resultPath.isEmpty());
        EXPECT_EQ(pdfPageCount(entry->resultPath), 3);
        EXPECT_EQ(entry->resultSettings, formSettings(u"72"));
        firstResults.push_back(entry->resultPath);
    }

    // Nothing more happens while the settings stay.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(f.env.runs("gs").size(), 3u);

    EXPECT_TRUE(empty->resultPath.isEmpty());
    f.processor.mergeSettings({{u"dpi", u"50"}});
    auto emptyRetried = [&] {
        std::lock_guard<std::recursive_mutex> guard(empty->lock);
        return empty->requestedSettings == formSettings(u"50");
    };
    ASSERT_TRUE(
        waitUntil([&] { return f.env.runs("gs").size() == 6 && emptyRetried() && f.allDone(); }));
    auto inputs = gsInputs(f.env);
    EXPECT_EQ(std::vector<std::string>(inputs.begin() + 3, inputs.end()), f.inputs);
    for (size_t i = 0; i < f.entries.size(); ++i) {
        std::lock_guard<std::recursive_mutex> guard(f.entries[i]->lock);
        EXPECT_EQ(f.entries[i]->resultSettings, formSettings(u"50"));
        EXPECT_NE(f.entries[i]->resultPath, firstResults[i]);
        EXPECT_FALSE(fs::exists(u8(firstResults[i])));
    }
    EXPECT_EQ(f.env.runs("gs").size(), 6u);  // none for the empty entry
    f.processor.stop();
    EXPECT_EQ(f.count(), 0u);
}

TEST(FileProcessorTest, RemovalDuringGhostscriptKillsItAndLeavesNothing) {
    Fixture f;
    f.env.setMode("gs", "sleep");
    FileData* entry = f.add("slow.pdf", samplePdf(2), formSettings(u"72"));
    f.processor.start();
    int pid = f.env.waitForPid("gs");
    ASSERT_GT(pid, 0);
    int64_t start = nowMs();
    f.processor.remove(entry);
    EXPECT_TRUE(waitUntil([&] { return !processAlive(pid); }, 2000));
    EXPECT_LT(nowMs() - start, 2000);  // the stand-in sleeps 30 s; a busy machine may take a second
    EXPECT_TRUE(waitUntil([&] { return f.count() == 0; }, 2000));
    EXPECT_TRUE(f.env.runs("qpdf").empty());
    EXPECT_TRUE(f.env.tempFiles().empty()) << f.env.tempFiles().front();
    f.processor.stop();
}

// A save holds the entry's lock and processes it (state 2) outside the
// processor's own run: removing it cancels, and it is destroyed only once the
// save lets go.
TEST(FileProcessorTest, RemovalOfAnEntryBeingSavedCancelsAndWaitsForItsLock) {
    Fixture f;
    FileData* saved = f.add("saved.pdf", samplePdf(1), formSettings(u"72"));
    std::unique_lock<std::recursive_mutex> saving(saved->lock);
    saved->state = FileData::Processing;
    f.processor.remove(saved);
    EXPECT_TRUE(f.processor.context().cancelled);
    f.processor.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(f.count(), 1u);
    saved->state = FileData::Done;
    saving.unlock();
    EXPECT_TRUE(waitUntil([&] { return f.count() == 0; }, 2000));
    f.processor.stop();
}

TEST(FileProcessorTest, StopDuringARunReturnsRightAfterTheKill) {
    Fixture f;
    f.env.setMode("gs", "sleep");
    f.add("slow.pdf", samplePdf(2), formSettings(u"72"));
    f.add("next.pdf", samplePdf(2), formSettings(u"72"));
    f.processor.start();
    int pid = f.env.waitForPid("gs");
    ASSERT_GT(pid, 0);
    int64_t start = nowMs();
    f.processor.stop();
    EXPECT_LT(nowMs() - start, 2000);  // the stand-in sleeps 30 s; a busy machine may take a second
    EXPECT_FALSE(processAlive(pid));
    EXPECT_FALSE(f.processor.isRunning());
    EXPECT_EQ(f.count(), 0u);
    EXPECT_EQ(f.env.runs("gs").size(), 1u);  // the next entry never started
}

TEST(CommandOperationTest, CancelKillsTheRunningCommand) {
    EngineEnv env;
    env.setMode("gs", "sleep");

    struct Probe : CommandOperation {
        using CommandOperation::CommandOperation;
        bool cancelledAfterRun = false;
        void run() override { cancelledAfterRun = runCommand(commandLine_); }
    };
    Probe* operation = new Probe(z("\"" + env.path("tools/gs") + "\""));
    std::thread worker([&] { operation->run(); });
    int pid = env.waitForPid("gs");
    ASSERT_GT(pid, 0);
    operation->cancel();
    worker.join();
    EXPECT_TRUE(operation->isCancelled());
    EXPECT_TRUE(operation->cancelledAfterRun);
    EXPECT_FALSE(processAlive(pid));
    operation->release();

    Probe* quick = new Probe(u"true");
    quick->run();
    EXPECT_FALSE(quick->cancelledAfterRun);
    EXPECT_FALSE(quick->isCancelled());
    quick->release();
}
