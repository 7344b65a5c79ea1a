#include "compress/Planner.h"

#define POINTERHOLDER_TRANSITION 4

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>

#include "compress/CommandContext.h"
#include "compress/CompressionSettings.h"
#include "compress/Ghostscript.h"
#include "compress/PdfInventory.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"
#include "suite/Settings.h"

namespace {

// Images smaller than this hardly move the file's size whatever happens to them.
constexpr int64_t kSmallImage = 4096;
// Ghostscript downsamples anything above the target; a little above it
// gains too little to be worth a run on its own.
constexpr double kDownsampleMargin = 1.25;
// A JPEG this many quality steps above what Ghostscript writes may shrink.
constexpr int kJpegQualityMargin = 8;
// A predicted gain on the images this large is not lost on the rest of the file.
constexpr double kSureGain = 5.0;
// Page content Ghostscript writes anew: where it holds this share of the
// file, a trial tells whether its way of writing it is shorter.
constexpr double kContentShare = 0.15;

// The quality the common JPEG library's scaling gives for Ghostscript's
// quality factor at an image quality setting.
int ghostscriptJpegQuality(int imageQuality) {
    double scale = (1.5 - imageQuality * 0.014) * 100;
    double quality = scale <= 100 ? (200 - scale) / 2 : 5000 / scale;
    return static_cast<int>(std::lround(quality));
}

ZString percent(double part, double whole) {
    return ZString::format(u"%.1f %%", whole > 0 ? 100.0 * part / whole : 0.0);
}


// The pages of source, written as the qpdf step writes a file.
void writePages(QPDF& source, const std::vector<int>& pages, const ZString& outputPath) {
    std::vector<QPDFPageObjectHelper> all = QPDFPageDocumentHelper(source).getAllPages();
    QPDF sample;
    sample.emptyPDF();
    QPDFPageDocumentHelper target(sample);
    for (int page : pages) {
        if (page >= 0 && page < static_cast<int>(all.size())) target.addPage(all[page], false);
    }
    const std::string name = outputPath.toUtf8();
    QPDFWriter writer(sample, name.c_str());
    writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
}

}  // namespace

// A sample carries whole fonts made for every page of the document,
// Ghostscript's output of it fonts cut down to the sample's glyphs: fonts
// are judged by the rules, never by a sample.
int64_t Planner::bytesWithoutFonts(const ZString& path, bool withImages) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.toUtf8().c_str());
        int64_t fontBytes = 0;
        std::set<QPDFObjGen> seen;
        auto add = [&](QPDFObjectHandle stream) {
            if (!stream.isStream() || !seen.insert(stream.getObjGen()).second) return;
            QPDFObjectHandle length = stream.getDict().getKey("/Length");
            if (length.isInteger()) fontBytes += length.getIntValue();
        };
        for (QPDFObjectHandle object : pdf.getAllObjects()) {
            if (!withImages && object.isStream() &&
                object.getDict().getKey("/Subtype").isNameAndEquals("/Image"))
                add(object);
            if (!object.isDictionary()) continue;
            QPDFObjectHandle type = object.getKey("/Type");
            if (type.isNameAndEquals("/FontDescriptor")) {
                for (const char* key : {"/FontFile", "/FontFile2", "/FontFile3"}) add(object.getKey(key));
            } else if (type.isNameAndEquals("/Font")) {
                add(object.getKey("/ToUnicode"));
                QPDFObjectHandle procs = object.getKey("/CharProcs");  // glyphs drawn as content
                if (procs.isDictionary())
                    for (auto& [name, proc] : procs.ditems()) add(proc);
            }
        }
        return fileSize(path) - fontBytes;
    } catch (const std::exception&) {
        return -1;
    }
}

namespace {

// The bytes of every image (masks included) as stored; -1 when unreadable.
int64_t imageBytes(const ZString& path, int64_t* pages) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.toUtf8().c_str());
        int64_t bytes = 0;
        for (QPDFObjectHandle object : pdf.getAllObjects()) {
            if (!object.isStream() || !object.getDict().getKey("/Subtype").isNameAndEquals("/Image"))
                continue;
            QPDFObjectHandle length = object.getDict().getKey("/Length");
            if (length.isInteger()) bytes += length.getIntValue();
        }
        if (pages) *pages = static_cast<int64_t>(pdf.getAllPages().size());
        return bytes;
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace

bool Planner::enabled(const Props& settings) {
    auto it = settings.find(u"planner");
    if (it != settings.end() && it->second.toLower() == u"false") return false;
    return config_getBool(u"compress.planner", true);
}

std::vector<int> Planner::samplePages(int pageCount, int count) {
    std::vector<int> pages;
    if (pageCount <= 0 || count <= 0) return pages;
    if (pageCount <= count) {
        for (int i = 0; i < pageCount; ++i) pages.push_back(i);
        return pages;
    }
    for (int i = 0; i < count; ++i)
        pages.push_back(static_cast<int>((2 * static_cast<int64_t>(i) + 1) * pageCount / (2 * count)));
    return pages;
}

Planner::Planner(const Props& settings)
    : settings_(settings),
      dpi_(getIntSetting(settings, u"dpi", -1)),
      quality_(getIntSetting(settings, u"imageQuality", 75)) {
    // The same unsigned comparison the argument builder makes.
    lossyImages_ = static_cast<uint32_t>(quality_) <= 100;
    ZString colour = getStringSetting(settings, u"colorModel");
    colourConversion_ = colour == u"rgb" || colour == u"cmyk" || colour == u"gray";
}

// What Ghostscript will do to one image: nothing that changes its size,
// a downsampling whose gain follows from the pixels it drops, or a
// re-encoding only a trial can size.
Planner::ImageFate Planner::fateOf(const PdfInventory::Image& image, double& gain) const {
    gain = 0;
    if (image.bytes < kSmallImage) return ImageFate::Same;
    bool above = dpi_ > 0 && image.drawnDpi > dpi_ * kDownsampleMargin;
    bool mono = image.bitsPerComponent == 1;
    bool sameCoding = !lossyImages_ || mono || image.indexed ||
                      image.encoding == PdfInventory::Encoding::Fax ||
                      image.encoding == PdfInventory::Encoding::Jbig2;
    bool goodJpeg = image.encoding == PdfInventory::Encoding::Jpeg &&
                    image.jpegQuality >= 0 &&
                    image.jpegQuality <= ghostscriptJpegQuality(quality_) + kJpegQualityMargin;
    if (sameCoding || goodJpeg) {
        if (!above) return ImageFate::Same;
        // The same coding on fewer pixels.
        double kept = dpi_ / image.drawnDpi;
        gain = image.bytes * (1 - kept * kept);
        return ImageFate::Downsampled;
    }
    return ImageFate::Recoded;
}

Planner::Decision Planner::judge(const PdfInventory& inventory) const {
    Decision decision;
    if (colourConversion_) {
        decision.runGhostscript = true;
        decision.reason = u"a colour conversion is asked for";
        return decision;
    }
    double file = static_cast<double>(std::max<int64_t>(inventory.fileBytes, 1));
    double downsampled = 0;
    int above = 0;
    for (size_t i = 0; i < inventory.images.size(); ++i) {
        const PdfInventory::Image& image = inventory.images[i];
        double gain = 0;
        ImageFate fate = fateOf(image, gain);
        if (dpi_ > 0 && image.drawnDpi > dpi_ * kDownsampleMargin && image.bytes >= kSmallImage)
            ++above;
        if (fate == ImageFate::Downsampled) downsampled += gain;
        // Downsampled images count as estimated only when that alone
        // decides; otherwise the trial sizes them with the rest.
        if (fate != ImageFate::Same) {
            decision.trialImages.push_back(i);
            decision.recodedShare += image.bytes / file;
        }
    }
    decision.imageGain = 100 * downsampled / file;
    if (decision.imageGain < kSureGain) {
        decision.imageGain = 0;
    } else {
        decision.trialImages.clear();
        decision.recodedShare = 0;
    }
    double wholeFonts = 0;
    for (const PdfInventory::Font& font : inventory.fonts)
        if (!font.subset) wholeFonts += font.bytes;

    ZString dpiText = ZString::format(u"%d dpi", dpi_);
    decision.reason = inventory.images.empty() ? ZString(u"no images")
                      : dpi_ <= 0              ? ZString(u"images kept at their resolution")
                      : above == 0             ? u"no image above " + dpiText
                      : ZString::format(u"%d image%s above ", above, above == 1 ? u"" : u"s") + dpiText;
    if (decision.imageGain >= kSureGain) {
        decision.runGhostscript = true;
        decision.reason += ZString::format(u", about %.1f %% to gain", decision.imageGain);
        return decision;
    }

    if (wholeFonts >= 2 * kMinimumGain / 100 * file) {
        decision.runGhostscript = true;
        decision.reason = u"fonts embedded whole hold " + percent(wholeFonts, file) + u" of the file";
        return decision;
    }
    decision.contentShare = static_cast<double>(inventory.contentBytes) / file;
    if (decision.recodedShare * 100 < kMinimumGain / 2) decision.trialImages.clear();
    decision.needsTrial = !decision.trialImages.empty() || decision.contentShare >= kContentShare;
    if (!decision.needsTrial)
        decision.reason += u", no font embedded whole, page content " +
                           percent(decision.contentShare, 1.0);
    return decision;
}

double Planner::imageTrial(PdfInventory& inventory, const std::vector<size_t>& candidates,
                           CommandContext* context, ZString& failure) const {
    // The largest images and others spread over the sizes, each on a page
    // of its own at the resolution the document draws it at.
    std::vector<size_t> bySize = candidates;
    std::sort(bySize.begin(), bySize.end(), [&](size_t a, size_t b) {
        return inventory.images[a].bytes > inventory.images[b].bytes;
    });
    std::vector<size_t> chosen;
    size_t count = std::min<size_t>(bySize.size(), kTrialImages);
    for (size_t i = 0; i < count; ++i)
        chosen.push_back(bySize[count == 1 ? 0 : i * (bySize.size() - 1) / (count - 1)]);
    try {
        ScopedTempName sample(u"compress_images_");
        ScopedTempName sampleGs(u"compress_images_gs_");
        QPDF pdf;
        pdf.emptyPDF();
        QPDFPageDocumentHelper pages(pdf);
        for (size_t index : chosen) {
            const PdfInventory::Image& image = inventory.images[index];
            QPDFObjectHandle copy =
                pdf.copyForeignObject(inventory.document().getObjectByID(image.objectId, image.generation));
            double dpi = image.drawnDpi > 0 ? image.drawnDpi : 72;
            double width = image.width * 72.0 / dpi;
            double height = image.height * 72.0 / dpi;
            char box[128];
            std::snprintf(box, sizeof box, "[0 0 %.4f %.4f]", width, height);
            QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
                std::string("<< /Type /Page /MediaBox ") + box + " /Resources << /XObject << >> >> >>"));
            page.getKey("/Resources").getKey("/XObject").replaceKey("/Im0", copy);
            char content[128];
            std::snprintf(content, sizeof content, "q %.4f 0 0 %.4f 0 0 cm /Im0 Do Q", width, height);
            page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
            pages.addPage(page, false);
        }
        const std::string name = sample.path.toUtf8();
        QPDFWriter writer(pdf, name.c_str());
        writer.setDecodeLevel(qpdf_dl_none);
        writer.write();
        int64_t before = imageBytes(sample.path, nullptr);
        runGhostscriptCompression(sample.path, sampleGs.path, settings_, context);
        if (context && context->cancelled) return 1;
        int64_t pageCount = 0;
        int64_t after = imageBytes(sampleGs.path, &pageCount);
        if (after < 0 || pageCount != static_cast<int64_t>(chosen.size()) || before <= 0) {
            failure = u"Ghostscript wrote no usable file";
            return 1;
        }
        return static_cast<double>(after) / before;
    } catch (const std::exception& e) {
        failure = ZString::fromUtf8(e.what());
        return 1;
    }
}

bool Planner::Sample::make(PdfInventory& inventory, const ZString& losslessPath,
                           const std::vector<int>& pages, ZString& failure) {
    try {
        writePages(inventory.document(), pages, input_.path);
        if (losslessPath.isEmpty() || !platform::fs::exists(losslessPath)) {
            writePages(inventory.document(), pages, lossless_.path);
        } else {
            QPDF lossless;
            lossless.setSuppressWarnings(true);
            lossless.processFile(losslessPath.toUtf8().c_str());
            writePages(lossless, pages, lossless_.path);
        }
        pages_ = pages.size();
        return true;
    } catch (const std::exception& e) {
        failure = ZString::fromUtf8(e.what());
        return false;
    }
}

bool Planner::Sample::ghostscript(const Props& settings, CommandContext* context,
                                  const ZString& outputPath, ZString& failure) const {
    try {
        ScopedTempName sampleGs(u"compress_sample_gs_");
        runGhostscriptCompression(input_.path, sampleGs.path, settings, context);
        if (context && context->cancelled) return false;
        if (!platform::fs::exists(sampleGs.path) || fileSize(sampleGs.path) <= 0) {
            failure = u"Ghostscript wrote nothing";
            return false;
        }
        QPDF gsPdf;
        gsPdf.setSuppressWarnings(true);
        gsPdf.processFile(sampleGs.path.toUtf8().c_str());
        std::vector<int> all;
        for (size_t i = 0; i < gsPdf.getAllPages().size(); ++i) all.push_back(static_cast<int>(i));
        if (all.size() != pages_) {  // Ghostscript's blank page for bad input
            failure = u"Ghostscript lost pages";
            return false;
        }
        writePages(gsPdf, all, outputPath);
        return true;
    } catch (const std::exception& e) {
        failure = ZString::fromUtf8(e.what());
        return false;
    }
}

double Planner::trial(PdfInventory& inventory, const ZString& losslessPath,
                      const std::vector<int>& pages, CommandContext* context,
                      ZString& failure) const {
    Sample sample;
    ScopedTempName sampleGsWritten(u"compress_sample_gsq_");
    if (!sample.make(inventory, losslessPath, pages, failure) ||
        !sample.ghostscript(settings_, context, sampleGsWritten.path, failure))
        return 0;
    // Six pages' images say little of a whole file's; the rules judge them.
    int64_t gsBytes = bytesWithoutFonts(sampleGsWritten.path, false);
    int64_t losslessBytes = bytesWithoutFonts(sample.losslessPath(), false);
    if (gsBytes < 0 || losslessBytes <= 0) {
        failure = u"a sample could not be read";
        return 0;
    }
    return 100.0 * static_cast<double>(losslessBytes - gsBytes) / losslessBytes;
}

Planner::Decision Planner::decide(const ZString& inputPath, const ZString& losslessPath,
                                  CommandContext* context) {
    return decide(inputPath, [&] { return losslessPath; }, context);
}

Planner::Decision Planner::decide(const ZString& inputPath, const LosslessResult& lossless,
                                  CommandContext* context) {
    auto start = std::chrono::steady_clock::now();
    double losslessSeconds = 0;
    Decision decision;
    PdfInventory inventory;
    if (!inventory.read(inputPath)) {
        // Ghostscript gives a blank page for what the library cannot read.
        decision.reason = u"the file cannot be read in full";
    } else {
        decision = judge(inventory);
        if (decision.needsTrial)
            runTrials(inventory, lossless, decision, context, losslessSeconds);
    }
    decision.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() -
        losslessSeconds;
    return decision;
}

void Planner::runTrials(PdfInventory& inventory, const LosslessResult& lossless,
                        Decision& decision, CommandContext* context,
                        double& losslessSeconds) const {
    ZString failure;
    double gain = decision.imageGain;
    if (!decision.trialImages.empty()) {
        double ratio = imageTrial(inventory, decision.trialImages, context, failure);
        if (!failure.isEmpty()) {
            decision.reason += u"; the image trial failed: " + failure;
            return;
        }
        gain += 100 * decision.recodedShare * (1 - ratio);
        decision.reason += ZString::format(u"; images Ghostscript re-encodes (%.1f %% of the file) %+.1f %% in a trial",
                                           100 * decision.recodedShare, 100 * (ratio - 1));
    }
    // Page content is worth a trial unless the images alone decide.
    if (gain < kSureGain && decision.contentShare >= kContentShare / 3) {
        decision.samplePages = samplePages(inventory.pageCount);
        auto start = std::chrono::steady_clock::now();
        ZString losslessPath = lossless();
        losslessSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        double contentGain = trial(inventory, losslessPath, decision.samplePages, context, failure);
        if (!failure.isEmpty()) {
            decision.reason += u"; the sample trial failed: " + failure;
            return;
        }
        gain += contentGain * decision.contentShare;
        decision.reason += ZString::format(u"; page content (%.1f %% of the file) %+.1f %% in the sample",
                                           100 * decision.contentShare, -contentGain);
    }
    decision.sampleGain = gain;
    decision.runGhostscript = gain >= kMinimumGain;
    decision.reason += ZString::format(u"; predicted gain %.1f %%", gain);
}
