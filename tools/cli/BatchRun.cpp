#include "BatchRun.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <thread>

#include "JsonLine.h"
#include "TerminalPrompt.h"
#include "base/CLocale.h"
#include "compress/LastError.h"
#include "compress/PageCount.h"
#include "compress/Pipeline.h"
#include "compress/SaveNames.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"
#include "platform/Terminal.h"
#include "suite/Settings.h"

namespace {

// A converted document can come out larger than its source; from an empty
// one there is no percentage to give.
ZString percentSaved(int64_t oldSize, int64_t newSize) {
    if (oldSize <= 0) return newSize > 0 ? ZString(u"larger") : withUserDecimalSeparator(u"0.0% saved");
    double saved = 100.0 * static_cast<double>(oldSize - newSize) / oldSize;
    if (saved < 0) return withUserDecimalSeparator(ZString::format(u"%0.1f%% larger", -saved));
    return withUserDecimalSeparator(ZString::format(u"%0.1f%% saved", saved));
}

// A name as a terminal shows it on one line: control characters escaped,
// bytes that are not UTF-8 as U+FFFD (by toDisplayUtf8).
ZString oneLine(const ZString& text) {
    ZString out;
    for (int i = 0; i < text.length(); ++i) {
        char16_t c = text[i];
        if (c == u'\n') {
            out += u"\\n";
        } else if (c == u'\r') {
            out += u"\\r";
        } else if (c < 0x20 || c == 0x7F) {
            out.appendFormat(u"\\x%02x", static_cast<unsigned>(c));
        } else {
            out += c;
        }
    }
    return out;
}

// Why a file cannot be read, in the system's words; empty when it can.
ZString unreadableReason(const ZString& path) {
    platform::fs::UniqueFd file = platform::fs::openForReading(path);
    if (file) return ZString();
    return platform::fs::errorText(errno);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Which way the engine took: the designed pipeline, or the restructuring
// steps alone.
ZString routeOf(const Props& settings) {
    auto mode = settings.find(u"mode");
    return mode != settings.end() && mode->second == u"lossless" ? ZString(u"lossless")
                                                                  : ZString(u"ghostscript");
}

}  // namespace

BatchRun::BatchRun(const BatchOptions& options, int resultFd, int messageFd)
    : options_(options),
      resultFd_(resultFd),
      messageFd_(messageFd),
      progress_(platform::terminal::isTerminal(messageFd)),
      interactive_(platform::terminal::isTerminal(0)) {}

int BatchRun::run() {
    started_ = std::chrono::steady_clock::now();
    // Largest files first: the longest runs start early, so parallel jobs end
    // close together instead of one big file running alone at the end.
    order_.resize(options_.files.size());
    std::vector<int64_t> sizes;
    for (size_t i = 0; i < order_.size(); ++i) {
        order_[i] = i;
        sizes.push_back(fileSize(options_.files[i]));
    }
    std::stable_sort(order_.begin(), order_.end(),
                     [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });

    // --jobs, else the configured count (the settings program's "files
    // compressed in parallel"), else one per core.
    unsigned configured = config_getDword(u"compress.parallelFiles", 0);
    unsigned jobs = options_.jobs       ? options_.jobs
                    : configured > 0    ? std::min(configured, 64u)
                                        : std::max(1u, std::thread::hardware_concurrency());
    jobs = std::min<size_t>(jobs, options_.files.size());
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < jobs; ++i) workers.emplace_back([this] { worker(); });
    for (auto& w : workers) w.join();

    // Files never started because the run was cancelled.
    Outcome skipped;
    skipped.reason = u"cancelled";
    for (size_t i = next_; i < order_.size(); ++i) report(options_.files[order_[i]], skipped);

    std::lock_guard<std::mutex> guard(lock_);
    printTotal();
    return failed_ == 0 ? 0 : 1;
}

void BatchRun::cancel() {
    std::lock_guard<std::mutex> guard(lock_);
    cancelled_ = true;
    for (CommandContext* context : contexts_) context->cancel();
}

void BatchRun::aroundPrompt(bool asking) {
    if (asking) promptLock_.lock();
    {
        std::lock_guard<std::mutex> guard(lock_);
        prompting_ = asking;
        // The question starts a line of its own, not the end of the progress line.
        if (asking && progress_) platform::terminal::writeText(messageFd_, "\r\033[K");
        if (!asking) showProgress();
    }
    if (!asking) promptLock_.unlock();
}

ZString BatchRun::targetFolder(const ZString& inputPath) const {
    ZString folder = options_.outputFolder.isEmpty() ? platform::fs::parentPath(inputPath)
                                                     : options_.outputFolder;
    return platform::fs::stripTrailingSeparators(folder);
}

ZString BatchRun::checkTarget(const ZString& path) {
    ZString name = makeSaveName(platform::fs::fileName(path), options_.suffix);
    // Room for the " (n)" a taken name gets.
    constexpr size_t kMaxName = 255 - 8;
    if (name.toUtf8().size() > kMaxName) return ZString(u"the new name would be too long: ") + name;
    ZString folder = targetFolder(path);
    ZString error = platform::fs::writeTestError(folder.isEmpty() ? ZString(u".") : folder);
    if (!error.isEmpty()) return ZString(u"cannot write into ") + folder + u": " + error;
    return ZString();
}

void BatchRun::worker() {
    CommandContext context;
    for (;;) {
        ZString path;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (cancelled_ || next_ >= options_.files.size()) break;
            path = options_.files[order_[next_++]];
            running_.push_back(platform::fs::fileName(path));
            contexts_.push_back(&context);
            showProgress();
        }
        auto start = std::chrono::steady_clock::now();
        Outcome outcome = compressOne(path, context);
        outcome.seconds = secondsSince(start);
        {
            std::lock_guard<std::mutex> guard(lock_);
            contexts_.erase(std::find(contexts_.begin(), contexts_.end(), &context));
            running_.erase(std::find(running_.begin(), running_.end(), platform::fs::fileName(path)));
            if (cancelled_ && !outcome.ok) outcome.reason = u"cancelled";
        }
        report(path, outcome);
    }
}

BatchRun::Outcome BatchRun::compressOne(const ZString& path, CommandContext& context) {
    Outcome outcome;
    if (!platform::fs::exists(path)) {
        outcome.reason = u"no such file";
        return outcome;
    }
    if (platform::fs::isDirectory(path)) {
        outcome.reason = u"is a folder";
        return outcome;
    }
    outcome.oldSize = fileSize(path);
    ZString unreadable = unreadableReason(path);
    if (outcome.oldSize < 0 || !unreadable.isEmpty()) {
        outcome.reason = ZString(u"cannot be read: ") +
                         (unreadable.isEmpty() ? ZString(u"not a regular file") : unreadable);
        return outcome;
    }
    outcome.reason = checkTarget(path);
    if (!outcome.reason.isEmpty()) return outcome;

    TerminalPrompt prompt(interactive_, [this](bool asking) { aroundPrompt(asking); });
    setLastError(0);
    std::unique_ptr<FileData> entry = prepareFile(path, ZString(), ZString(), &prompt);
    if (!entry) {
        if (getLastError() == kErrorCancelled) {
            if (prompt.asked()) {
                outcome.reason = u"locked: no password given";
            } else if (options_.passwords.empty()) {
                outcome.reason = u"locked: needs a password (--password)";
            } else {
                outcome.reason = u"locked: none of the passwords fits";
            }
        } else if (!prompt.message().isEmpty()) {
            outcome.reason = u"cannot be read (damaged PDF?)";
        } else {
            outcome.reason = u"could not copy it to the temporary folder";
        }
        return outcome;
    }

    {
        std::lock_guard<std::recursive_mutex> guard(entry->lock);
        entry->requestedSettings = options_.settings;
    }
    processEntry(*entry, &context);
    if (context.cancelled) {
        outcome.reason = u"cancelled";
        return outcome;
    }
    if (entry->failure == FileData::Unreadable) {
        outcome.reason = u"cannot be read (damaged PDF?)";
        return outcome;
    }
    if (entry->failure == FileData::ConversionFailed) {
        outcome.reason = u"could not be converted to PDF";
        if (entry->converterExitStatus != 0) {
            outcome.reason += ZString::format(u" (converter exit status %u)",
                                              entry->converterExitStatus);
        }
        return outcome;
    }
    if (entry->resultPath.isEmpty() || fileSize(entry->resultPath) <= 0) {
        outcome.reason = u"compression produced no file";
        return outcome;
    }
    if (storeResult(entry->resultPath, path, entry->displayName, outcome)) outcome.ok = true;
    outcome.keptAsItWas = entry->resultUnchanged;
    outcome.route = entry->resultRoute.isEmpty() ? routeOf(options_.settings) : entry->resultRoute;
    if (outcome.ok && options_.json) outcome.pages = pdfPageCount(outcome.target, entry->password);
    outcome.protectionKept = entry->protectionKept;
    outcome.note = entry->resultNote;
    outcome.sizeTarget = entry->target;
    if (outcome.ok && outcome.targetMissed()) {
        bool binary = TargetSize::binaryUnits(options_.settings);
        outcome.reason = u"target size " + TargetSize::format(outcome.sizeTarget.limit, binary) +
                         u" not reached: " + outcome.sizeTarget.reason();
    }
    return outcome;
}

bool BatchRun::storeResult(const ZString& resultPath, const ZString& inputPath,
                           const ZString& displayName, Outcome& outcome) {
    ZString folder = targetFolder(inputPath);
    ZString name = makeSaveName(displayName, options_.suffix);
    ZString wanted = (folder.isEmpty() ? ZString() : folder + u"/") + name;
    ZString target;
    {
        // Reserve the name by creating the file, so parallel files and other
        // programs never end up writing the same name.
        std::lock_guard<std::mutex> guard(lock_);
        for (int attempt = 0; attempt < 100; ++attempt) {
            ZString candidate = uniquePath(wanted);
            int error = 0;
            if (platform::fs::createNewFile(candidate, &error)) {
                target = candidate;
                break;
            }
            if (error != 17 /* EEXIST */) {
                outcome.reason = ZString(u"cannot write ") + candidate + u": " +
                                 platform::fs::errorText(error);
                return false;
            }
        }
    }
    if (target.isEmpty() || !copyFileWithRetries(resultPath, target)) {
        if (!target.isEmpty()) platform::fs::removeFile(target);
        outcome.reason = ZString(u"cannot write ") + (target.isEmpty() ? wanted : target);
        return false;
    }
    outcome.target = target;
    outcome.newSize = fileSize(target);
    return true;
}

void BatchRun::report(const ZString& path, const Outcome& outcome) {
    std::lock_guard<std::mutex> guard(lock_);
    ++finished_;
    if (outcome.ok) {
        totalOld_ += outcome.oldSize;
        totalNew_ += outcome.newSize;
    }
    if (!outcome.ok || outcome.targetMissed()) ++failed_;
    if (options_.json) {
        writeResult(jsonLine(path, outcome));
    } else {
        writeResult(humanLine(path, outcome));
    }
    showProgress();
}

ZString BatchRun::humanLine(const ZString& path, const Outcome& outcome) const {
    ZString line = oneLine(path) + u": ";
    if (!outcome.ok) return line + u"failed: " + oneLine(outcome.reason);
    ZString change = outcome.keptAsItWas ? ZString(u"kept as it was")
                                         : percentSaved(outcome.oldSize, outcome.newSize);
    if (outcome.keptAsItWas && !outcome.note.isEmpty()) change += u": " + outcome.note;
    if (outcome.protectionKept) change += u", protected with the same password";
    if (outcome.sizeTarget.limit > 0 && outcome.sizeTarget.reached)
        change += u", " + outcome.sizeTarget.chosen();
    line += formatFileSize(outcome.oldSize) + u" -> " + formatFileSize(outcome.newSize) + u" (" +
            change + u") -> " + oneLine(outcome.target);
    if (outcome.targetMissed()) line += u"; failed: " + oneLine(outcome.reason);
    return line;
}

std::string BatchRun::jsonLine(const ZString& path, const Outcome& outcome) const {
    JsonLine json;
    json.text("type", u"file").text("input", path);
    if (outcome.ok) {
        json.text("output", outcome.target);
    } else {
        json.null("output");
    }
    if (outcome.oldSize > 0 || outcome.ok) {
        json.number("input_bytes", outcome.oldSize);
    } else {
        json.null("input_bytes");
    }
    if (outcome.ok) {
        json.number("output_bytes", outcome.newSize);
    } else {
        json.null("output_bytes");
    }
    if (outcome.pages >= 0) {
        json.number("pages", outcome.pages);
    } else {
        json.null("pages");
    }
    json.text("outcome", !outcome.ok               ? u"failed"
                         : outcome.targetMissed() ? u"target_missed"
                         : outcome.keptAsItWas    ? u"unchanged"
                                                  : u"compressed");
    if (outcome.ok && !outcome.targetMissed()) {
        json.null("reason");
    } else {
        json.text("reason", outcome.reason);
    }
    if (outcome.route.isEmpty()) {
        json.null("path");
    } else {
        json.text("path", outcome.route);
    }
    const TargetSize::Result& target = outcome.sizeTarget;
    if (target.limit > 0 && outcome.ok) {
        json.number("target_bytes", target.limit);
        if (target.quality >= 0) {
            json.number("dpi", target.dpi).number("quality", target.quality);
        } else {
            json.null("dpi").null("quality");
        }
        json.number("whole_file_runs", target.wholeRuns);
    }
    json.decimal("seconds", outcome.seconds, 3);
    return json.str();
}

void BatchRun::writeResult(const ZString& line) {
    writeResult((line + u"\n").toDisplayUtf8());
}

void BatchRun::writeResult(const std::string& utf8) {
    if (progress_) platform::terminal::writeText(messageFd_, "\r\033[K");
    if (platform::terminal::writeText(resultFd_, utf8)) return;
    // Nobody reads the results any more (a closed pipe): end as on Ctrl+C.
    cancelled_ = true;
    for (CommandContext* context : contexts_) context->cancel();
}

void BatchRun::showProgress() {
    if (!progress_ || prompting_) return;
    ZString text = ZString::format(u"\r\033[K[%d/%d]", static_cast<int>(finished_),
                                   static_cast<int>(options_.files.size()));
    for (size_t i = 0; i < running_.size(); ++i) {
        text += i == 0 ? u" compressing " : u", ";
        text += oneLine(running_[i]);
    }
    if (finished_ == options_.files.size()) text = u"\r\033[K";
    platform::terminal::writeText(messageFd_, text.toDisplayUtf8());
}

void BatchRun::printTotal() {
    size_t count = options_.files.size();
    if (options_.json) {
        JsonLine json;
        json.text("type", u"summary")
            .number("files", static_cast<int64_t>(count))
            .number("failed", static_cast<int64_t>(failed_))
            .number("input_bytes", totalOld_)
            .number("output_bytes", totalNew_)
            .decimal("seconds", secondsSince(started_), 3);
        writeResult(json.str());
        return;
    }
    ZString line = ZString::format(u"Total: %d file%s, %d failed", static_cast<int>(count),
                                   count == 1 ? u"" : u"s", static_cast<int>(failed_));
    if (count > failed_) {
        line += u", " + formatFileSize(totalOld_) + u" -> " + formatFileSize(totalNew_) + u" (" +
                percentSaved(totalOld_, totalNew_) + u")";
    }
    writeResult(line);
}
