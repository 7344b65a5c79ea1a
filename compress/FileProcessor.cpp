#include "compress/FileProcessor.h"

#include "compress/CompressionSettings.h"
#include "compress/Pipeline.h"
#include "platform/Clock.h"

namespace {
constexpr uint32_t kPollMs = 50;
}

FileProcessor::FileProcessor() = default;

FileProcessor::~FileProcessor() {
    if (thread_.joinable()) stop();
}

FileProcessor& FileProcessor::instance() {
    static FileProcessor processor;
    return processor;
}

void FileProcessor::start() {
    if (isRunning()) return;
    if (thread_.joinable()) thread_.join();
    finished_ = false;
    thread_ = std::thread([this] {
        run();
        finished_ = true;
    });
}

bool FileProcessor::isRunning() const {
    return thread_.joinable() && !finished_;
}

void FileProcessor::join() {
    while (isRunning()) platform::sleepMs(100);
}

void FileProcessor::stop() {
    stopRequested_ = true;
    while (isRunning()) {
        context_.cancel();
        if (!isRunning()) break;
        platform::sleepMs(kPollMs);
    }
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::recursive_mutex> guard(listLock_);
    while (!entries_.empty()) entries_.pop_back();
}

FileData* FileProcessor::append(std::unique_ptr<FileData> entry) {
    std::lock_guard<std::recursive_mutex> guard(listLock_);
    entries_.push_back(std::move(entry));
    return entries_.back().get();
}

void FileProcessor::mergeSettings(const Props& settings) {
    std::lock_guard<std::recursive_mutex> guard(listLock_);
    for (const auto& [key, value] : settings) currentSettings_[key] = value;
}

void FileProcessor::queue(FileData* entry, const Props& settings) {
    std::lock_guard<std::recursive_mutex> guard(listLock_);
    mergeSettings(settings);
    entry->state = FileData::Queued;
}

void FileProcessor::remove(FileData* entry) {
    std::lock_guard<std::recursive_mutex> guard(listLock_);
    entry->removed = true;
    if (entry->state == FileData::Processing) context_.cancel();
}

void FileProcessor::destroyRemoved() {
    std::lock_guard<std::recursive_mutex> guard(listLock_);
    for (size_t i = entries_.size(); i-- > 0;) {
        FileData* entry = entries_[i].get();
        if (!entry->removed) continue;
        // An entry still held (being saved) is destroyed on a later pass,
        // once its holder has let go.
        if (!entry->lock.try_lock()) continue;
        entry->lock.unlock();
        entries_.erase(entries_.begin() + static_cast<ptrdiff_t>(i));
    }
}

FileData* FileProcessor::nextEntry() {
    std::lock_guard<std::recursive_mutex> guard(listLock_);
    if (stopRequested_) return nullptr;
    for (auto& entry : entries_) {
        if (entry->removed) continue;
        uint32_t state = entry->state;
        if (state != FileData::Queued && state != FileData::Done) continue;
        // An entry being saved holds its lock, perhaps for long: leave it for
        // a later pass rather than block the list.
        std::unique_lock<std::recursive_mutex> entryGuard(entry->lock, std::try_to_lock);
        if (!entryGuard.owns_lock()) continue;
        if (state == FileData::Done && sameSettings(entry->requestedSettings, currentSettings_)) {
            continue;
        }
        entry->requestedSettings = currentSettings_;
        // Cleared and marked here, under the list lock, so a removal of this
        // entry from now on cancels its run.
        context_.cancelled = false;
        entry->state = FileData::Processing;
        return entry.get();
    }
    return nullptr;
}

void FileProcessor::run() {
    if (stopRequested_) return;
    for (;;) {
        destroyRemoved();
        if (FileData* entry = nextEntry()) {
            processEntry(*entry, &context_);
            if (stopRequested_) return;
            continue;
        }
        platform::sleepMs(kPollMs);
        if (stopRequested_) return;
    }
}
