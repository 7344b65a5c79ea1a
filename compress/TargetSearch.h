#pragma once

#include <functional>
#include <map>
#include <vector>

#include "base/Props.h"
#include "base/ZString.h"
#include "compress/Planner.h"
#include "compress/TargetSize.h"

class CommandContext;

// Looks for the best-looking result under a size limit. The lossless result
// answers when it fits. Otherwise the candidates, best first, are the image
// qualities from 85 down to the floor at the form's resolution, then the
// resolutions from the form's down to the floor at the floor quality. Each
// candidate's size is predicted from a Ghostscript trial on the planner's
// sample of pages, corrected by what every whole-file run showed; only
// candidates predicted to fit run on the whole file, at most four times.
class TargetSearch {
public:
    // The Ghostscript road on the whole file with these settings: the
    // result's path, empty when it gave none.
    using WholeRun = std::function<ZString(const Props& settings)>;

    static constexpr int kTopQuality = 85;
    static constexpr int kMaxWholeRuns = 4;
    // A result at least this share of the limit is close enough to stop.
    static constexpr double kCloseEnough = 0.92;

    TargetSearch(const Props& settings, int64_t limit);

    // Fills result and gives the chosen file: the lossless result, one of
    // wholeRun's, or when nothing fits the smallest of them.
    ZString run(const ZString& inputPath, const ZString& losslessPath, const WholeRun& wholeRun,
                CommandContext* context, TargetSize::Result& result);

    // The search's log line.
    const ZString& summary() const { return summary_; }

    struct Candidate {
        int dpi;
        int quality;
    };
    // Best first; the last is the floor.
    const std::vector<Candidate>& candidates() const { return candidates_; }

private:
    Props settingsOf(const Candidate& candidate) const;
    // The candidate's predicted whole-file size before correction; -1 when
    // no trial could be made.
    double predicted(size_t index, CommandContext* context);
    // The first candidate in [first, last] predicted to fit, or -1.
    int firstFitting(int first, int last, double limit, CommandContext* context);

    Props settings_;
    int64_t limit_;
    std::vector<Candidate> candidates_;
    int qualities_ = 0;  // the candidates at the form's resolution come first
    // The model: the lossless result's font bytes stay; the rest scales as
    // the sample's rest does.
    double wholeBytes_ = 0;
    double wholeFontBytes_ = 0;
    double sampleRest_ = 0;
    double correction_ = 1;
    std::unique_ptr<Planner::Sample> sample_;
    std::map<size_t, double> trials_;
    int trialCount_ = 0;
    ZString failure_;
    ZString summary_;
};
