#include "compress/TargetSearch.h"

#include <algorithm>
#include <cmath>

#include "compress/Command.h"
#include "compress/CommandContext.h"
#include "compress/CompressionSettings.h"
#include "compress/PdfInventory.h"
#include "compress/SaveNames.h"
#include "compress/TempFiles.h"
#include "suite/Settings.h"

namespace {

// Where the resolutions start when the form keeps images at theirs.
constexpr int kKeepResolutionStart = 300;
// Predictions are aimed a little below the limit: a miss costs a whole run.
constexpr double kFirstMargin = 0.97;
constexpr double kCorrectedMargin = 0.99;
// Within this share below the aim a predicted candidate is taken without
// looking for a better one.
constexpr double kNearAim = 0.95;

ZString candidateText(const TargetSearch::Candidate& candidate) {
    TargetSize::Result chosen;
    chosen.dpi = candidate.dpi;
    chosen.quality = candidate.quality;
    return chosen.chosen();
}

}  // namespace

TargetSearch::TargetSearch(const Props& settings, int64_t limit) : settings_(settings), limit_(limit) {
    int dpi = getIntSetting(settings, u"dpi", -1);
    int floorQuality = std::clamp(config_getInt(u"compress.targetMinQuality", 30), 0, 100);
    int floorDpi = std::max(1, config_getInt(u"compress.targetMinDpi", 72));
    for (int quality = std::max(kTopQuality, floorQuality); quality >= floorQuality; --quality)
        candidates_.push_back({dpi, quality});
    qualities_ = static_cast<int>(candidates_.size());
    for (int d = (dpi > 0 ? dpi : kKeepResolutionStart + 1) - 1; d >= floorDpi; --d)
        candidates_.push_back({d, floorQuality});
}

Props TargetSearch::settingsOf(const Candidate& candidate) const {
    Props settings = settings_;
    settings[u"dpi"] = ZString::format(u"%d", candidate.dpi);
    settings[u"imageQuality"] = ZString::format(u"%d", candidate.quality);
    return settings;
}

double TargetSearch::predicted(size_t index, CommandContext* context) {
    auto known = trials_.find(index);
    if (known != trials_.end()) return known->second;
    double size = -1;
    if (sample_ && !(context && context->cancelled)) {
        ScopedTempName written(u"compress_target_gs_");
        if (sample_->ghostscript(settingsOf(candidates_[index]), context, written.path, failure_)) {
            ++trialCount_;
            int64_t rest = Planner::bytesWithoutFonts(written.path, true);
            if (rest >= 0 && sampleRest_ > 0)
                size = wholeFontBytes_ + (wholeBytes_ - wholeFontBytes_) * rest / sampleRest_;
            else
                failure_ = u"a sample could not be read";
        }
    }
    trials_[index] = size;
    if (size > 0)
        printLogLine(u"Target trial: " + candidateText(candidates_[index]) + u": predicted " +
                     formatFileSize(static_cast<int64_t>(size)));
    return size;
}

int TargetSearch::firstFitting(int first, int last, double limit, CommandContext* context) {
    // Size falls slowly with quality and fast with resolution: each part
    // is interpolated on its own.
    if (first < qualities_ && qualities_ <= last) {
        double atBoundary = predicted(qualities_ - 1, context);
        if (atBoundary < 0) return -2;
        if (atBoundary <= limit)
            last = qualities_ - 1;
        else
            first = qualities_;
    }
    double atLast = predicted(last, context);
    if (atLast < 0) return -2;
    if (atLast > limit) return -1;
    // The candidate before the range, when its trial is known not to fit,
    // bounds the range as well as the first one would.
    int above = first;
    auto before = trials_.find(static_cast<size_t>(first - 1));
    if (first > 0 && before != trials_.end() && before->second > limit) {
        above = first - 1;
    } else {
        double atFirst = predicted(first, context);
        if (atFirst < 0) return -2;
        if (atFirst <= limit) return first;
    }
    // Sizes fall along the candidates: interpolate on their logarithm,
    // bisecting when that narrows the range too little.
    int within = last;
    bool bisect = false;
    while (within - above > 1) {
        int width = within - above;
        int guess = (above + within) / 2;
        if (!bisect) {
            double high = std::log(predicted(above, context));
            double low = std::log(predicted(within, context));
            guess = above + static_cast<int>(std::lround((high - std::log(limit)) / (high - low) * width));
        }
        guess = std::clamp(guess, above + 1, within - 1);
        double size = predicted(guess, context);
        if (size < 0) return -2;
        if (size <= limit) {
            within = guess;
            if (size >= limit * kNearAim) break;
        } else {
            above = guess;
        }
        bisect = within - above > width / 2;
    }
    return within;
}

ZString TargetSearch::run(const ZString& inputPath, const ZString& losslessPath,
                          const WholeRun& wholeRun, CommandContext* context,
                          TargetSize::Result& result) {
    result = TargetSize::Result();
    result.limit = limit_;
    result.floorDpi = candidates_.back().dpi;
    result.floorQuality = candidates_.back().quality;
    int64_t losslessSize = fileSize(losslessPath);
    result.bytes = losslessSize;
    ZString limitText = TargetSize::format(limit_, TargetSize::binaryUnits(settings_));
    summary_ = u"target " + limitText + u": ";
    if (losslessSize <= limit_) {
        result.reached = true;
        summary_ += u"the lossless result fits (" + formatFileSize(losslessSize) + u")";
        return losslessPath;
    }
    if (getStringSetting(settings_, u"mode") == u"lossless") {
        result.why = TargetSize::Result::Why::LosslessMode;
        summary_ += u"not reached: " + result.reason();
        return losslessPath;
    }

    PdfInventory inventory;
    if (inventory.read(inputPath)) {
        auto sample = std::make_unique<Planner::Sample>();
        if (sample->make(inventory, losslessPath, Planner::samplePages(inventory.pageCount), failure_)) {
            int64_t withoutFonts = Planner::bytesWithoutFonts(losslessPath, true);
            wholeBytes_ = static_cast<double>(losslessSize);
            wholeFontBytes_ = withoutFonts >= 0 ? wholeBytes_ - withoutFonts : 0;
            sampleRest_ = static_cast<double>(Planner::bytesWithoutFonts(sample->losslessPath(), true));
            sample_ = std::move(sample);
        }
    } else {
        failure_ = u"the file cannot be read in full";
    }

    const int count = static_cast<int>(candidates_.size());
    int fitting = -1;  // the best candidate known to fit
    int tooLarge = -1; // the worst candidate known not to fit
    ZString fittingPath;
    ZString smallest = losslessPath;
    int64_t smallestSize = losslessSize;
    int smallestIndex = -1;
    bool predictions = sample_ != nullptr;
    while (result.wholeRuns < kMaxWholeRuns && !(context && context->cancelled)) {
        int first = tooLarge + 1;
        int last = fitting >= 0 ? fitting - 1 : count - 1;
        if (first > last) break;
        int index = -2;
        if (predictions) {
            double margin = result.wholeRuns == 0 ? kFirstMargin : kCorrectedMargin;
            index = firstFitting(first, last, limit_ * margin / correction_, context);
            if (index == -2) predictions = false;
        }
        if (!predictions) {
            // Without a trial the whole-file runs bisect.
            index = result.wholeRuns == 0 ? first : (first + last) / 2;
        } else if (index < 0) {
            if (fitting >= 0) break;
            index = last;  // nothing is predicted to fit: the floor gives the smallest
        }
        // The last run with nothing fitting yet goes to the floor, so a
        // missed limit is never missed by more than it must be.
        if (fitting < 0 && result.wholeRuns == kMaxWholeRuns - 1) index = count - 1;
        if (context && context->cancelled) break;
        ZString path = wholeRun(settingsOf(candidates_[index]));
        ++result.wholeRuns;
        if (context && context->cancelled) break;
        if (path.isEmpty()) {
            if (smallestIndex < 0) result.why = TargetSize::Result::Why::NoGhostscript;
            break;
        }
        int64_t size = fileSize(path);
        auto known = trials_.find(index);
        if (known != trials_.end() && known->second > 0) correction_ = size / known->second;
        if (size < smallestSize) {
            smallest = path;
            smallestSize = size;
            smallestIndex = index;
        }
        if (size <= limit_) {
            fitting = index;
            fittingPath = path;
            if (size >= limit_ * kCloseEnough) break;
        } else {
            tooLarge = index;
            if (index == count - 1) break;
        }
    }

    ZString counts = ZString::format(u" after %d whole-file run%s and %d sample trial%s",
                                     result.wholeRuns, result.wholeRuns == 1 ? u"" : u"s",
                                     trialCount_, trialCount_ == 1 ? u"" : u"s");
    if (!failure_.isEmpty()) counts += u" (no prediction: " + failure_ + u")";
    ZString chosenPath = fitting >= 0 ? fittingPath : smallest;
    int chosenIndex = fitting >= 0 ? fitting : smallestIndex;
    if (chosenIndex >= 0) {
        result.dpi = candidates_[chosenIndex].dpi;
        result.quality = candidates_[chosenIndex].quality;
    }
    result.bytes = fileSize(chosenPath);
    result.reached = fitting >= 0;
    if (!result.reached && result.why == TargetSize::Result::Why::None)
        result.why = TargetSize::Result::Why::Floor;
    if (result.reached)
        summary_ += u"took " + result.chosen() + u": " + formatFileSize(result.bytes) + counts;
    else
        summary_ += u"not reached: " + result.reason() + u"; kept the smallest result, " +
                    result.chosen() + counts;
    return chosenPath;
}
