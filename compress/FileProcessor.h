#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/Props.h"
#include "compress/CommandContext.h"
#include "compress/FileData.h"

// Compresses listed files one at a time, in list order, on its own thread,
// and recompresses every done file when the current settings change. Owns
// the entries. Lock order: the list lock before the context's lock.
class FileProcessor {
public:
    FileProcessor();
    // Stops a running thread first.
    ~FileProcessor();
    FileProcessor(const FileProcessor&) = delete;
    FileProcessor& operator=(const FileProcessor&) = delete;

    // The program's processor.
    static FileProcessor& instance();

    void start();
    // Ends the work at once (the running tool is killed), waits for the
    // thread and destroys every entry.
    void stop();
    bool isRunning() const;
    bool isFinished() const { return finished_; }
    void join();

    // Takes ownership; the entry stays new until queued.
    FileData* append(std::unique_ptr<FileData> entry);
    // Merges the settings into the current ones, then queues the entry.
    void queue(FileData* entry, const Props& settings);
    void mergeSettings(const Props& settings);
    // Marks the entry removed; a running compression of it is cancelled and
    // the entry destroyed on the processor's next pass.
    void remove(FileData* entry);

    // Guards entries() and currentSettings().
    std::recursive_mutex& listLock() { return listLock_; }
    const std::vector<std::unique_ptr<FileData>>& entries() const { return entries_; }
    const Props& currentSettings() const { return currentSettings_; }
    CommandContext& context() { return context_; }

private:
    void run();
    void destroyRemoved();
    FileData* nextEntry();

    CommandContext context_;
    std::vector<std::unique_ptr<FileData>> entries_;
    std::recursive_mutex listLock_;
    Props currentSettings_;
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
};
