#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "EngineTestSupport.h"
#include "compress/ObjectSharing.h"
#include "compress/PageCount.h"
#include "compress/PdfInventory.h"
#include "compress/Pipeline.h"
#include "compress/Planner.h"
#include "compress/Qpdf.h"
#include "compress/Ghostscript.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

// One page of width x height points drawing one image over all of it.
std::string imagePdf(int pixelsWide, int pixelsHigh, double dpi, const std::string& imageDict,
                     const std::string& imageBytes) {
    double width = pixelsWide * 72.0 / dpi;
    double height = pixelsHigh * 72.0 / dpi;
    char content[128];
    std::snprintf(content, sizeof content, "q %.2f 0 0 %.2f 0 0 cm /Im1 Do Q", width, height);
    char box[96];
    std::snprintf(box, sizeof box, "[0 0 %.2f %.2f]", width, height);
    return pdfFromObjects(std::vector<std::string>{
         "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         std::string("<< /Type /Page /Parent 2 0 R /MediaBox ") + box +
             " /Resources << /XObject << /Im1 4 0 R >> >> /Contents 5 0 R >>",
         "<< /Type /XObject /Subtype /Image /Width " + std::to_string(pixelsWide) + " /Height " +
             std::to_string(pixelsHigh) + " /BitsPerComponent 8 " + imageDict + " /Length " +
             std::to_string(imageBytes.size()) + " >>\nstream\n" + imageBytes + "\nendstream",
         "<< /Length " + std::to_string(std::strlen(content)) + " >>\nstream\n" + content +
             "\nendstream"});
}

// A photograph-like picture (ImageMagick's plasma) as JPEG or raw RGB bytes.
std::string picture(const EngineEnv& env, int width, int height, const std::string& format,
                    const std::string& options = "") {
    std::string file = env.path("picture." + format);
    shellOutput("convert -seed 7 -size " + std::to_string(width) + "x" + std::to_string(height) +
                " plasma: -quality 75 " + options + " " + format + ":'" + file + "'");
    return readFile(file);
}

// With the standard Huffman tables, as most producers write JPEGs: the exact
// re-encoding makes them smaller.
std::string jpegPdf(const EngineEnv& env, int width, int height, double dpi) {
    return imagePdf(width, height, dpi, "/ColorSpace /DeviceRGB /Filter /DCTDecode",
                    picture(env, width, height, "jpg", "-define jpeg:optimize-coding=false"));
}

// True when the exact re-encoding finds nothing left in the file to make smaller.
bool fullyReencoded(const EngineEnv& env, const std::string& pdf) {
    Props reencodingOnly{{u"shareObjects", u"false"}, {u"slimFonts", u"false"}};
    return !ObjectSharing::run(z(pdf), z(env.path("again.pdf")), reencodingOnly);
}

struct Outcome {
    CompressReport report;
    std::vector<std::vector<std::string>> gsRuns;
};

Outcome compress(EngineEnv& env, const std::string& in, Props settings = formSettings()) {
    Outcome outcome;
    compressFile(z(in), z(in + ".out.pdf"), settings, nullptr, &outcome.report);
    outcome.gsRuns = env.runs("gs");
    return outcome;
}

// A Ghostscript run on the whole input, not on a trial's sample.
bool ranOnWholeFile(const Outcome& outcome, const std::string& in) {
    for (const auto& run : outcome.gsRuns)
        if (!run.empty() && run.back() == in) return true;
    return false;
}

EngineEnv& plannerOn(EngineEnv& env) {
    env.setConfig("compress.planner", "true");
    return env;
}

}  // namespace

TEST(PlannerTest, SamplePagesAreTheMiddlesOfSixEqualParts) {
    const struct {
        int pages;
        std::vector<int> sample;
    } cases[] = {{0, {}},
                 {1, {0}},
                 {6, {0, 1, 2, 3, 4, 5}},
                 {7, {0, 1, 2, 4, 5, 6}},
                 {12, {1, 3, 5, 7, 9, 11}},
                 {180, {15, 45, 75, 105, 135, 165}},
                 {2415, {201, 603, 1006, 1408, 1811, 2213}}};
    for (const auto& c : cases) EXPECT_EQ(Planner::samplePages(c.pages), c.sample) << c.pages;
}

TEST(PlannerTest, JpegQualityIsReadFromTheQuantisationTable) {
    EngineEnv env;
    for (int quality : {30, 75, 95}) {
        std::string file = env.path("q.jpg");
        shellOutput("convert -size 32x32 plasma: -quality " + std::to_string(quality) + " jpg:'" +
                    file + "'");
        EXPECT_NEAR(PdfInventory::jpegQualityOf(readFile(file)), quality, 1);
    }
    EXPECT_EQ(PdfInventory::jpegQualityOf("not a JPEG"), -1);
}

// The image rules on generated one-page files: what each holds decides
// whether Ghostscript runs on the whole file, and the log line says why.
// The result kept is always re-encoded; the lossless one, when the rules
// alone chose Ghostscript, only when Ghostscript's result is not far smaller.
TEST(PlannerTest, ImagesDecideWhetherGhostscriptRuns) {
    EngineEnv env;
    plannerOn(env);
    const struct {
        const char* name;
        std::string pdf;
        const char* gsMode;
        bool wholeFile;      // Ghostscript ran on the whole file
        bool tookGs;         // and its result was kept
        const char* reason;  // in the log line
    } cases[] = {
        // A scan: JPEG at 300 dpi, downsampled to 144.
        {"scan", jpegPdf(env, 1200, 900, 300), "real", true, true, "1 image above 144 dpi, about"},
        {"scan Ghostscript fails on", jpegPdf(env, 1200, 900, 300), "none", true, false,
         "; Ghostscript gave no usable file"},
        // A screenshot stored losslessly: JPEG is far smaller; an image trial tells.
        {"screenshot",
         imagePdf(500, 400, 110, "/ColorSpace /DeviceRGB", picture(env, 500, 400, "rgb")), "real",
         true, true, "in a trial"},
        // JPEG below the target: nothing Ghostscript can do, no run at all.
        {"small jpeg", jpegPdf(env, 300, 200, 96), "real", false, false, "no image above 144 dpi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env.setMode("gs", c.gsMode);
        std::string in = env.add(std::string(c.name) + ".pdf", c.pdf);
        size_t before = env.runs("gs").size();
        Outcome outcome = compress(env, in);
        std::string summary = u8(outcome.report.summary);
        EXPECT_EQ(ranOnWholeFile(outcome, in), c.wholeFile) << summary;
        EXPECT_TRUE(contains(summary, c.reason)) << summary;
        EXPECT_TRUE(outcome.report.summary.startsWith(c.tookGs ? u"took the Ghostscript result"
                                                               : u"kept the lossless result"))
            << summary;
        EXPECT_EQ(contains(summary, "lossless (not re-encoded)"), c.tookGs) << summary;
        if (!c.wholeFile) {
            EXPECT_EQ(outcome.gsRuns.size(), before);
        }
        EXPECT_LE(fs::file_size(in + ".out.pdf"), fs::file_size(in));
        EXPECT_TRUE(fullyReencoded(env, in + ".out.pdf"));
    }
}

// Runs on corpus files: once, in the normal build (the generated files
// cover the same code under the sanitizers).
class PlannerCorpusTest : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "a corpus run: the normal build runs it once; the generated files cover the same code";
#endif
        if (corpus.empty()) GTEST_SKIP() << "no corpus";
    }
    const std::string corpus = corpusFolder();
};

// Real files from the corpus: a text manual keeps its lossless result after
// a trial on the documented pages; every web result is linearised or is the
// user's own file with the reason.
TEST_F(PlannerCorpusTest, TextManualSkipsGhostscriptAndWebResultsAreLinearised) {
    EngineEnv env;
    plannerOn(env);
    std::string manual = env.add("manual.pdf", readFile(corpus + "/text-r-intro.pdf"));
    Outcome outcome = compress(env, manual);
    EXPECT_FALSE(ranOnWholeFile(outcome, manual));
    ASSERT_EQ(outcome.gsRuns.size(), 1u);  // the trial's sample only
    EXPECT_TRUE(contains(outcome.gsRuns[0].back(), "compress_sample_"));
    EXPECT_TRUE(outcome.report.summary.startsWith(u"kept the lossless result: no images;"))
        << u8(outcome.report.summary);
    EXPECT_TRUE(contains(u8(outcome.report.summary), "in the sample")) << u8(outcome.report.summary);
    Planner::Decision decision = Planner(formSettings()).decide(z(manual), z(manual), nullptr);
    EXPECT_EQ(decision.samplePages, Planner::samplePages(113));

    Props web = formSettings();
    web[u"webOptimize"] = u"true";
    for (const char* name :
         {"text-r-intro.pdf", "vector-gofpdf-charts.pdf", "lin-simh-faq.pdf", "tiny-parallel-cheat-libreoffice.pdf"}) {
        SCOPED_TRACE(name);
        std::string in = env.add(std::string("web-") + name, readFile(corpus + "/" + name));
        std::unique_ptr<FileData> entry = prepareFile(z(in), ZString(), ZString(), nullptr);
        ASSERT_TRUE(entry);
        entry->requestedSettings = web;
        processEntry(*entry, nullptr);
        std::string result = u8(entry->resultPath);
        ASSERT_TRUE(fs::exists(result));
        EXPECT_LE(fs::file_size(result), fs::file_size(in));
        if (entry->resultUnchanged) {
            EXPECT_EQ(readFile(result), readFile(in));
            EXPECT_FALSE(entry->resultNote.isEmpty());
        } else {
            EXPECT_TRUE(contains(shellOutput("qpdf --check-linearization '" + result + "'"),
                                 "no linearization errors"));
        }
    }
}

// With the planner off, Ghostscript runs on the file and the steps follow
// it exactly as the designed road takes them, to the byte count.
TEST_F(PlannerCorpusTest, ThoroughRunsTheDesignedRoad) {
    EngineEnv env;
    std::string in = env.add("charts.pdf", readFile(corpus + "/vector-gofpdf-charts.pdf"));
    Props thorough = formSettings();
    thorough[u"planner"] = u"false";
    Outcome outcome = compress(env, in, thorough);
    ASSERT_EQ(outcome.gsRuns.size(), 1u);
    EXPECT_TRUE(ranOnWholeFile(outcome, in));

    // The same steps by hand: each output taken when smaller.
    std::string best = in;
    runGhostscriptCompression(z(in), z(env.path("gs.pdf")), thorough);
    if (fs::file_size(env.path("gs.pdf")) < fs::file_size(best)) best = env.path("gs.pdf");
    optimizeWithQpdf(z(best), z(env.path("qp.pdf")), thorough);
    if (fs::file_size(env.path("qp.pdf")) < fs::file_size(best)) best = env.path("qp.pdf");
    if (ObjectSharing::run(z(best), z(env.path("sh.pdf")), thorough) &&
        fs::file_size(env.path("sh.pdf")) < fs::file_size(best))
        best = env.path("sh.pdf");
    // Ghostscript writes the time and an identifier made from it, which
    // compress to a byte or two more or less from one run to the next.
    EXPECT_NEAR(static_cast<double>(fs::file_size(in + ".out.pdf")),
                static_cast<double>(fs::file_size(best)), 16);
    EXPECT_EQ(pdfPageCount(z(in + ".out.pdf")), 5);
}
