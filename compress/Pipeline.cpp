#include "compress/Pipeline.h"

#include "compress/CompressionSettings.h"
#include "compress/Ghostscript.h"
#include "compress/ObjectSharing.h"
#include "compress/StreamReencoder.h"
#include "compress/PageCount.h"
#include "compress/ProtectionStep.h"
#include "compress/Planner.h"
#include "compress/Qpdf.h"
#include "compress/SaveNames.h"
#include "compress/TargetSearch.h"
#include "compress/TempFiles.h"
#include "compress/Unlock.h"
#include "platform/Fs.h"
#include "suite/Settings.h"

namespace {

const char16_t* const kTempFolder = u"Varto";

bool hasPdfExtension(const ZString& path) {
    return path.length() >= 4 && path.substring(path.length() - 4).equalsIgnoreCase(u".pdf");
}

bool isUsable(const ZString& path) {
    return !path.isEmpty() && platform::fs::exists(path) && fileSize(path) > 0;
}

ZString makeRegisteredTempName(const char16_t* prefix, const char16_t* extension) {
    ZString name = makeTempFileName(kTempFolder, prefix, extension);
    registerTempFile(name);
    return name;
}

void removeIfExists(const ZString& path) {
    if (!path.isEmpty() && platform::fs::exists(path)) platform::fs::removeFile(path);
}

// Takes a tool's output as the new best when it is smaller and, since
// Ghostscript answers unreadable input with a blank page, has every page.
bool smallerThan(const ZString& output, const ZString& best) {
    if (!platform::fs::exists(output)) return false;
    int64_t size = fileSize(output);
    return size > 0 && size < fileSize(best);
}

bool betterThan(const ZString& output, const ZString& best, int64_t expectedPages) {
    if (!smallerThan(output, best)) return false;
    return expectedPages >= 0 && pdfPageCount(output) == expectedPages;
}

// The unlock step rewrites every PDF, sometimes larger than the user's
// file. When nothing came out smaller than the user's own bytes, the result
// becomes a copy of them. True when it did.
bool keepOriginalWhenNotLarger(const ZString& original, const ZString& result) {
    if (original.isEmpty() || !hasPdfExtension(original) || fileSize(original) <= 0) return false;
    int64_t resultSize = fileSize(result);
    if (resultSize > 0 && resultSize < fileSize(original)) return false;
    return copyFileWithRetries(original, result);
}

void fail(FileData& entry, FileData::Failure failure, uint32_t exitStatus) {
    entry.failure = failure;
    entry.converterExitStatus = exitStatus;
}

// The result of an encrypted file is encrypted again, like the user's file,
// unless the user asked for it unprotected. When that fails the user's own
// file is the result: it never loses its protection without being asked.
void keepProtection(FileData& entry, const ZString& result, CommandContext* context) {
    entry.protectionKept = false;
    bool protect = entry.encrypted && ProtectionStep::enabled(entry.requestedSettings);
    if (protect) {
        ZString encrypted = makeRegisteredTempName(u"compress_protected_", u".pdf");
        if (context && context->progress) context->progress->step = StepProgress::Protection;
        bool done = ProtectionStep::run(entry.originalCopyPath, entry.password, result, encrypted,
                                        entry.requestedSettings, context) &&
                    copyFileWithRetries(encrypted, result);
        removeIfExists(encrypted);
        if (!done) platform::fs::removeFile(result);
        entry.protectionKept = true;
    }
    // An unprotected result of a protected file may be larger: the user's
    // own file cannot stand in for it.
    entry.resultUnchanged =
        (!entry.encrypted || protect) && keepOriginalWhenNotLarger(entry.originalCopyPath, result);
}

// A limit typed wrong fails the file with the reason, never taken for no
// limit; a limit put right clears that failure.
// The search measured the result before it was protected again; the
// protection adds a little, and the limit is about the file the user gets.
void recheckTarget(TargetSize::Result& target, const ZString& result) {
    if (target.limit <= 0 || !platform::fs::exists(result)) return;
    target.bytes = fileSize(result);
    if (target.reached && target.bytes > target.limit) {
        target.reached = false;
        target.why = TargetSize::Result::Why::Protection;
    }
}

bool targetSizeReadable(FileData& entry) {
    int64_t limit = 0;
    ZString error;
    if (!TargetSize::parse(getStringSetting(entry.requestedSettings, u"targetSize"), limit, error)) {
        fail(entry, FileData::BadTargetSize, 0);
        entry.failureDetail = error;
        return false;
    }
    if (entry.failure == FileData::BadTargetSize) {
        entry.failure = FileData::NoFailure;
        entry.failureDetail.clear();
    }
    return true;
}

}  // namespace

ZString safeExtension(const ZString& path) {
    int dot = platform::fs::extensionDot(path);
    if (dot < 0) return ZString();
    ZString result;
    for (int i = dot; i < path.length(); ++i) {
        char16_t c = path[i];
        if (c < 32 || ZString(u"<>:\"/\\|?*").find(c) >= 0) continue;
        result.append(c);
    }
    return result;
}

void namesOfAddedFile(const ZString& addedPath, ZString& displayName, ZString& sourceFolder) {
    ZString extension = safeExtension(addedPath);
    if (displayName.isEmpty()) {
        if (sourceFolder.isEmpty()) sourceFolder = platform::fs::parentPath(addedPath);
        displayName = platform::fs::fileName(addedPath);
    } else if (!extension.isEmpty() &&
               !(displayName.length() >= extension.length() &&
                 displayName.substring(displayName.length() - extension.length())
                     .equalsIgnoreCase(extension))) {
        displayName.append(extension);
    }
}

std::unique_ptr<FileData> failedFile(const ZString& addedPath, const ZString& displayNameIn,
                                     const ZString& sourceFolderIn) {
    ZString displayName = displayNameIn;
    ZString sourceFolder = sourceFolderIn;
    namesOfAddedFile(addedPath, displayName, sourceFolder);
    auto entry = std::make_unique<FileData>(ZString(), displayName, sourceFolder);
    entry->userPath = addedPath;
    entry->failure = FileData::Unreadable;
    entry->state = FileData::Done;
    return entry;
}

std::unique_ptr<FileData> prepareFile(const ZString& addedPath, const ZString& displayNameIn,
                                      const ZString& sourceFolderIn, UnlockPrompt* prompt) {
    ZString extension = safeExtension(addedPath);
    ZString displayName = displayNameIn;
    ZString sourceFolder = sourceFolderIn;
    namesOfAddedFile(addedPath, displayName, sourceFolder);

    ZString shown = userFileName(sourceFolder, displayName);
    ZString working = makeRegisteredTempName(u"compress_", extension.c_str());
    if (!copyFileWithErrorBox(addedPath, working, prompt, shown)) return nullptr;

    ZString original = working;
    UnlockResult unlock;
    if (hasPdfExtension(working)) {
        ZString unlocked = makeRegisteredTempName(u"unlocked_", u".pdf");
        if (!unlockPdf(working, unlocked, displayName, prompt, shown, &unlock)) return nullptr;
        working = unlocked;
        if (!platform::fs::exists(working) || fileSize(working) <= 0) return nullptr;
    }
    auto entry = std::make_unique<FileData>(working, displayName, sourceFolder);
    entry->userPath = addedPath;
    entry->originalCopyPath = original;
    entry->encrypted = unlock.openedByTool && pdfIsEncrypted(original);
    entry->password = unlock.password;
    return entry;
}

void processEntry(FileData& entry, CommandContext* context) {
    std::lock_guard<std::recursive_mutex> guard(entry.lock);
    // A save of a file whose result was made with these settings takes that
    // result: the row goes on showing it, not a fresh run's first step.
    if (entry.state == FileData::Done && entry.failure == FileData::NoFailure &&
        !entry.resultPath.isEmpty() && sameSettings(entry.requestedSettings, entry.resultSettings) &&
        platform::fs::exists(entry.resultPath))
        return;
    entry.progressStep = 0;
    entry.progress.step = StepProgress::Starting;
    entry.progress.percent = -1;
    entry.state = FileData::Processing;
    if (entry.workingPath.isEmpty()) {
        // Listed although it could not be prepared: it stays failed.
        if (entry.failure == FileData::NoFailure) entry.failure = FileData::Unreadable;
        entry.state = FileData::Done;
        return;
    }
    if (context) {
        context->progress = &entry.progress;
        context->userFile = userFileName(entry.sourceFolder, entry.displayName);
    }

    ZString source = entry.pdfSourcePath.isEmpty() ? entry.workingPath : entry.pdfSourcePath;
    uint32_t converterExit = 0;
    if (!hasPdfExtension(source)) {
        ZString converted = makeRegisteredTempName(u"compress_", u".pdf");
        converterExit = convertToPdf(source, converted, u"default/best", context);
        // A converter that says it failed gives no PDF, whatever it left behind.
        if (converterExit != 0) removeIfExists(converted);
        source = converted;
    }

    bool cancelled = context && context->cancelled;
    if (!targetSizeReadable(entry)) {
        // Nothing is compressed against a limit the user did not mean.
    } else if (!isUsable(source)) {
        if (!cancelled) fail(entry, FileData::ConversionFailed, converterExit);
    } else if (entry.pdfSourcePath.isEmpty() && pdfPageCount(source) < 0) {
        // Damaged, or still locked after the user chose to go on without
        // unlocking: no tool can read it.
        fail(entry, FileData::Unreadable, 0);
    } else {
        if (entry.pdfSourcePath.isEmpty()) entry.pdfSourcePath = source;
        bool upToDate = !entry.resultPath.isEmpty() &&
                        sameSettings(entry.requestedSettings, entry.resultSettings);
        if (!upToDate) {
            entry.failure = FileData::NoFailure;
            ZString out = makeRegisteredTempName(u"compress_", u".pdf");
            CompressReport report;
            compressFile(source, out, entry.requestedSettings, context, &report);
            if (platform::fs::exists(out)) keepProtection(entry, out, context);
            recheckTarget(report.target, out);
            bool stored = platform::fs::exists(out);
            entry.resultNote.clear();
            if (entry.resultUnchanged && getBoolSetting(entry.requestedSettings, u"webOptimize"))
                entry.resultNote = report.linearised ? u"no linearised version is smaller"
                                                     : u"no linearised version could be made";
            entry.resultRoute = report.ghostscript ? u"ghostscript" : u"lossless";
            entry.target = report.target;
            removeIfExists(entry.resultPath);
            entry.resultPath = out;
            entry.resultSettings = entry.requestedSettings;
            if (!stored && !(context && context->cancelled)) fail(entry, FileData::NotWritten, 0);
        }
        if (context && context->cancelled) {
            removeIfExists(entry.resultPath);
            entry.resultPath.clear();
            entry.resultSettings.clear();
            entry.resultUnchanged = false;
            entry.protectionKept = false;
        }
    }
    if (context) context->progress = nullptr;
    entry.state = FileData::Done;
}

namespace {

// The steps of one compression and the intermediates they leave, removed
// when it ends. Each step's output is taken only when it has the input's
// page count, since Ghostscript answers unreadable input with a blank page.
class Steps {
public:
    Steps(const ZString& input, const Props& settings, CommandContext* context)
        : input_(input), settings_(settings), context_(context) {}
    ~Steps() {
        for (const ZString& path : temps_) removeIfExists(path);
    }
    Steps(const Steps&) = delete;
    Steps& operator=(const Steps&) = delete;

    bool cancelled() const { return context_ && context_->cancelled; }

    // What the entry's row shows while the step runs.
    void stepTo(StepProgress::Step step) {
        if (context_ && context_->progress) context_->progress->step = step;
    }

    int64_t expectedPages() {
        if (pages_ == -2) pages_ = pdfPageCount(input_);  // read once, when first needed
        return pages_;
    }

    // Ghostscript's output, or empty when it made none with every page.
    // Other settings than the compression's give other images only.
    ZString ghostscript(const ZString& from, const Props* settings = nullptr) {
        ZString gs = temp(u"compress_gs_");
        stepTo(StepProgress::Ghostscript);
        runGhostscriptCompression(from, gs, settings ? *settings : settings_, context_);
        if (cancelled() || !platform::fs::exists(gs) || fileSize(gs) <= 0) return ZString();
        return expectedPages() >= 0 && pdfPageCount(gs) == expectedPages() ? gs : ZString();
    }

    // qpdf's output when it is smaller than best, or (takeAnyway: the web
    // option wants its linearisation) whenever it has every page.
    ZString qpdf(const ZString& best, bool takeAnyway = false) {
        ZString qp = temp(u"compress_qpdf_");
        stepTo(StepProgress::Qpdf);
        optimizeWithQpdf(best, qp, settings_, context_);
        if (cancelled()) return best;
        if (betterThan(qp, best, expectedPages())) return qp;
        if (takeAnyway && platform::fs::exists(qp) && fileSize(qp) > 0 &&
            pdfPageCount(qp) == expectedPages())
            return qp;
        return best;
    }

    // The sharing step's output when it is smaller than best; without the
    // exact re-encoding when reencode is false.
    ZString share(const ZString& best, bool reencode = true) {
        if (cancelled()) return best;
        ZString sh = temp(u"compress_share_");
        stepTo(StepProgress::Sharing);
        Props noReencoding;
        if (!reencode) {
            noReencoding = settings_;
            noReencoding[u"reencode"] = u"false";
        }
        // The step reads the page count back from the file it wrote.
        int64_t shPages = -1;
        if (ObjectSharing::run(best, sh, reencode ? settings_ : noReencoding, &shPages,
                               context_ ? &context_->cancelled : nullptr) && smallerThan(sh, best) &&
            expectedPages() >= 0 && shPages == expectedPages())
            return sh;
        return best;
    }

private:
    ZString temp(const char16_t* prefix) {
        temps_.push_back(makeRegisteredTempName(prefix, u".pdf"));
        return temps_.back();
    }

    ZString input_;
    const Props& settings_;
    CommandContext* context_;
    int64_t pages_ = -2;
    std::vector<ZString> temps_;
};

void storeBest(const ZString& best, const ZString& outputPath, CommandContext* context) {
    if (!best.isEmpty() && platform::fs::exists(best))
        copyFileWithErrorBox(best, outputPath, context ? context->reporter : nullptr,
                             context ? context->userFile : ZString());
}

// Ghostscript on every PDF, then qpdf and the sharing step, each output
// taken when smaller: the designed road, kept exactly for --thorough.
void compressThoroughly(const ZString& inputPath, const ZString& outputPath, const Props& settings,
                        CommandContext* context, CompressReport* report) {
    Steps steps(inputPath, settings, context);
    if (steps.cancelled()) return;
    ZString best = inputPath;
    ZString gs = steps.ghostscript(best);
    if (!gs.isEmpty() && smallerThan(gs, best)) best = gs;
    if (report) report->ghostscript = best == gs;
    if (steps.cancelled()) return;
    best = steps.qpdf(best);
    if (steps.cancelled()) return;
    best = steps.share(best);
    if (!steps.cancelled()) storeBest(best, outputPath, context);
}

ZString sizeText(const ZString& path) { return formatFileSize(fileSize(path)); }

// How much smaller the exact re-encoding may make a file, at most: a
// Ghostscript result smaller than this share of the lossless result without
// it wins either way (the corpus's files shrink by up to 16 %).
constexpr double kReencodingMargin = 0.75;

// The lossless result first, then Ghostscript only where the planner
// expects a gain; the smallest candidate wins. With the web option only
// linearised files (what qpdf and the sharing step write then) compete.
// The exact re-encoding costs about as much as the rest of the lossless
// road: when the planner can decide without the lossless result, that
// result is re-encoded only when it can still win.
void compressWithPlanner(const ZString& inputPath, const ZString& outputPath, const Props& settings,
                         CommandContext* context, CompressReport* report) {
    bool web = getBoolSetting(settings, u"webOptimize");
    bool lossless = getStringSetting(settings, u"mode") == u"lossless";
    Steps steps(inputPath, settings, context);
    if (steps.cancelled()) return;
    ZString qpdfBest = steps.qpdf(inputPath, web);
    if (steps.cancelled()) return;
    ZString losslessBest;  // made when first needed
    auto losslessResult = [&] {
        if (losslessBest.isEmpty()) losslessBest = steps.share(qpdfBest);
        return losslessBest;
    };
    // Only qpdf and the sharing step linearise.
    auto isLinearised = [&](const ZString& result) { return web && result != inputPath; };

    ZString line;
    if (int64_t limit = TargetSize::ofSettings(settings); limit > 0) {
        losslessResult();
        if (steps.cancelled()) return;
        TargetSearch search(settings, limit);
        TargetSize::Result target;
        ZString chosen = search.run(
            inputPath, losslessBest,
            [&](const Props& candidate) {
                ZString gs = steps.ghostscript(inputPath, &candidate);
                return gs.isEmpty() ? gs : steps.share(steps.qpdf(gs, web));
            },
            context, target);
        if (steps.cancelled()) return;
        printLogLine(u"Target: " + search.summary());
        if (report) {
            report->summary = search.summary();
            report->linearised = chosen == losslessBest ? isLinearised(losslessBest) : web;
            report->ghostscript = chosen != losslessBest;
            report->target = target;
        }
        storeBest(chosen, outputPath, context);
        return;
    }
    ZString best;
    bool linearised = false;
    if (lossless) {
        best = losslessResult();
        linearised = isLinearised(best);
        line = u"the lossless mode runs no Ghostscript";
    } else {
        Planner::Decision decision = Planner(settings).decide(inputPath, losslessResult, context);
        if (steps.cancelled()) return;
        ZString why = decision.reason + ZString::format(u" (decided in %.2f s)", decision.seconds);
        if (!decision.runGhostscript) {
            best = losslessResult();
            linearised = isLinearised(best);
            line = u"kept the lossless result: " + why;
        } else {
            ZString gsRaw = steps.ghostscript(inputPath);
            if (steps.cancelled()) return;
            ZString gsBest = gsRaw.isEmpty() ? gsRaw : steps.share(steps.qpdf(gsRaw, web));
            if (steps.cancelled()) return;
            bool gsLinearised = web && !gsBest.isEmpty() && gsBest != gsRaw;
            bool compete = !gsBest.isEmpty() && (!web || gsLinearised);
            auto gsWins = [&](double margin) {
                return compete && ((web && !isLinearised(losslessBest)) ||
                                   fileSize(gsBest) < margin * fileSize(losslessBest));
            };
            ZString notReencoded;
            if (losslessBest.isEmpty() && StreamReencoder::enabled(settings)) {
                losslessBest = notReencoded = steps.share(qpdfBest, false);
                if (steps.cancelled()) return;
                // Close enough that re-encoding may turn the result: re-encoded after all.
                if (!gsWins(kReencodingMargin)) losslessBest.clear();
            }
            losslessResult();
            if (steps.cancelled()) return;
            best = losslessBest;
            linearised = isLinearised(losslessBest);
            ZString losslessSize = sizeText(losslessBest) + u" lossless";
            if (losslessBest == notReencoded) losslessSize += u" (not re-encoded)";
            if (gsWins(1.0)) {
                best = gsBest;
                linearised = gsLinearised;
                line = u"took the Ghostscript result: " + why + u"; " + sizeText(gsBest) +
                       u" against " + losslessSize;
            } else {
                line = u"kept the lossless result: " + why + u"; Ghostscript gave " +
                       (gsBest.isEmpty() ? ZString(u"no usable file") : sizeText(gsBest));
            }
        }
    }
    if (web && !linearised) line += u"; no linearised version could be made";
    printLogLine(u"Planner: " + line);
    if (report) {
        report->summary = line;
        report->linearised = linearised;
        report->ghostscript = best != losslessBest;
    }
    storeBest(best, outputPath, context);
}

}  // namespace

void compressFile(const ZString& inputPath, const ZString& outputPath, const Props& settings,
                  CommandContext* context, CompressReport* report) {
    StreamReencoder::BusyFile busy;
    if (Planner::enabled(settings) || getStringSetting(settings, u"mode") == u"lossless" ||
        TargetSize::ofSettings(settings) > 0)
        compressWithPlanner(inputPath, outputPath, settings, context, report);
    else
        compressThoroughly(inputPath, outputPath, settings, context, report);
}

ZString converterCommandLine(const ZString& inputPath, const ZString& outputPath,
                             const ZString& profile) {
    ZString binDir = platform::fs::stripTrailingSeparators(progConfig_getStr(u"BinDir", ZString()));
    return ZString(u"\"") + binDir + u"/varto-DocTool\" -convertToPDF -noProgress -profile \"" +
           profile + u"\" -outputFile \"" + outputPath + u"\" \"" + inputPath + u"\"";
}

uint32_t convertToPdf(const ZString& inputPath, const ZString& outputPath, const ZString& profile,
                      CommandContext* context) {
    ContextCommand command(context);
    command.commandLine = converterCommandLine(inputPath, outputPath, profile);
    if (!runInContext(command, context)) return 1;
    return command.exitCode;
}
