#pragma once

#include <functional>
#include <vector>

#include "base/Props.h"
#include "base/ZString.h"
#include "compress/PdfInventory.h"
#include "compress/TempFiles.h"

class CommandContext;

// Decides whether the Ghostscript path can beat the lossless result, from
// what the file holds and, when that cannot tell, from a trial of the same
// Ghostscript arguments on a sample of pages.
class Planner {
public:
    struct Decision {
        bool runGhostscript = false;
        ZString reason;                // why, in words for the log and the result line
        double sampleGain = -1;        // the trial's predicted gain of the file in %; -1 no trial
        double imageGain = 0;          // the downsampled images' predicted gain in % of the file
        std::vector<size_t> trialImages;  // images whose re-encoding only a trial can size
        double recodedShare = 0;       // their part of the file, 0 to 1
        double contentShare = 0;       // page content's part of the file, 0 to 1
        bool needsTrial = false;
        std::vector<int> samplePages;  // the trial's pages, counted from 0
        double seconds = 0;            // the time the decision took
    };

    // On unless "compress.planner" is false in the configuration or the
    // settings record says "planner" = "false" (the batch command's --thorough).
    static bool enabled(const Props& settings);

    // The trial's pages: the middle page of each of `count` equal parts of
    // the document, counted from 0 (all pages when it has no more).
    static std::vector<int> samplePages(int pageCount, int count = kSamplePages);
    static constexpr int kSamplePages = 6;

    // The least gain, in % of the file, worth a Ghostscript run on the whole file.
    static constexpr double kMinimumGain = 1.0;
    // Images put through Ghostscript in the image trial, at most.
    static constexpr size_t kTrialImages = 8;

    // The trial's sample: its pages of the input and of the lossless result,
    // each written alone as the qpdf step writes a file. Trials of several
    // Ghostscript settings share one.
    class Sample {
    public:
        // False with failure when the pages cannot be written.
        bool make(PdfInventory& inventory, const ZString& losslessPath,
                  const std::vector<int>& pages, ZString& failure);
        // Ghostscript's output of the input's sample with these settings,
        // written as the qpdf step writes a file; false with failure when it
        // wrote nothing or lost pages.
        bool ghostscript(const Props& settings, CommandContext* context, const ZString& outputPath,
                         ZString& failure) const;
        const ZString& losslessPath() const { return lossless_.path; }

    private:
        ScopedTempName input_{u"compress_sample_"};
        ScopedTempName lossless_{u"compress_sample_lossless_"};
        size_t pages_ = 0;
    };

    // A file's bytes without its fonts (and its images unless withImages);
    // -1 when unreadable.
    static int64_t bytesWithoutFonts(const ZString& path, bool withImages);

    explicit Planner(const Props& settings);

    // inputPath is the file both paths start from, losslessPath the lossless
    // path's result (compared with in the trial).
    Decision decide(const ZString& inputPath, const ZString& losslessPath, CommandContext* context);
    // The same with the lossless result made only when the page trial needs
    // it; the time it takes is not the decision's.
    using LosslessResult = std::function<ZString()>;
    Decision decide(const ZString& inputPath, const LosslessResult& lossless,
                    CommandContext* context);

    // The rules alone: runGhostscript when they say it can win, needsTrial
    // when only a trial can tell.
    Decision judge(const PdfInventory& inventory) const;

private:
    // Ghostscript's gain on the sample's page content in %; failure says why
    // there is none.
    double trial(PdfInventory& inventory, const ZString& losslessPath,
                 const std::vector<int>& pages, CommandContext* context, ZString& failure) const;
    enum class ImageFate { Same, Downsampled, Recoded };
    ImageFate fateOf(const PdfInventory::Image& image, double& gain) const;
    // Runs the image trial and, when needed, the page trial; sets the
    // decision from their predicted gain.
    // Their time without the lossless result's is added to `seconds`.
    void runTrials(PdfInventory& inventory, const LosslessResult& lossless, Decision& decision,
                   CommandContext* context, double& losslessSeconds) const;
    // Ghostscript's output size of the chosen images against their own, as a ratio.
    double imageTrial(PdfInventory& inventory, const std::vector<size_t>& candidates,
                      CommandContext* context, ZString& failure) const;

    Props settings_;
    int dpi_;
    int quality_;
    bool lossyImages_;
    bool colourConversion_;
};
