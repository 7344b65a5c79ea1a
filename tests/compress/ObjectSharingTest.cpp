// The object sharing step on small documents made here, through the
// pipeline with the real qpdf, and on the shared corpus.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "EngineTestSupport.h"
#include "compress/CffFont.h"
#include "compress/ObjectSharing.h"
#include "compress/PageCount.h"
#include "compress/Pipeline.h"

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

std::string stream(const std::string& dict, const std::string& bytes) {
    return "<< " + dict + " /Length " + std::to_string(bytes.size()) + " >>\nstream\n" + bytes +
           "\nendstream";
}

// Two pages, each with its own copy of a font (font, descriptor, program),
// of an image (one copy's height held in an object of its own) and of an
// annotation; two more images hold equal bytes under different dictionaries.
std::string duplicatesPdf() {
    std::string gray(64, '\x80');
    std::string pattern;
    for (int i = 0; i < 64; ++i) pattern += static_cast<char>(i * 4);
    auto page = [](int font, int image, int other, int contents, int annot) {
        return "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << /Font << /F1 " +
               std::to_string(font) + " 0 R >> /XObject << /Im1 " + std::to_string(image) +
               " 0 R /Im2 " + std::to_string(other) + " 0 R >> >> /Contents " +
               std::to_string(contents) + " 0 R /Annots [" + std::to_string(annot) + " 0 R] >>";
    };
    auto font = [](int descriptor) {
        return "<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+Sample /FontDescriptor " +
               std::to_string(descriptor) + " 0 R >>";
    };
    auto descriptor = [](int program) {
        return "<< /Type /FontDescriptor /FontName /ABCDEF+Sample /Flags 4 /FontBBox [0 0 500 "
               "700] /ItalicAngle 0 /Ascent 700 /Descent 0 /CapHeight 700 /StemV 80 /FontFile3 " +
               std::to_string(program) + " 0 R >>";
    };
    std::string image =
        "/Type /XObject /Subtype /Image /Width 8 /Height 8 /ColorSpace "
        "/DeviceGray /BitsPerComponent 8";
    std::string draw = "q 80 0 0 80 10 10 cm /Im1 Do Q q 80 0 0 80 100 100 cm /Im2 Do Q";
    std::string note = "<< /Type /Annot /Subtype /Square /Rect [0 0 20 20] /C [1 0 0] >>";
    return pdfFromObjects({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
        page(5, 9, 11, 13, 15),
        page(6, 10, 12, 14, 16),
        font(7),
        font(8),
        descriptor(17),
        descriptor(18),
        stream(image, gray),
        stream(std::string(image).replace(image.find("/Height 8"), 9, "/Height 19 0 R"), gray),
        stream(image + " /Decode [1 0]", pattern),
        stream(image, pattern),
        stream("", draw),
        stream("", draw),
        note,
        note,
        stream("/Subtype /Type1C", "not really a font program, but the same bytes twice"),
        stream("/Subtype /Type1C", "not really a font program, but the same bytes twice"),
        "8",
    });
}

// How many objects of each kind the written file holds.
std::map<std::string, int> kinds(const std::string& path) {
    QPDF pdf;
    pdf.processFile(path.c_str());
    std::map<std::string, int> count;
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        QPDFObjectHandle dict = object.isStream() ? object.getDict() : object;
        if (!dict.isDictionary() || dict.getKey("/Type").isNameAndEquals("/ObjStm") ||
            dict.getKey("/Type").isNameAndEquals("/XRef"))
            continue;
        for (const char* key : {"/Type", "/Subtype"}) {
            QPDFObjectHandle value = dict.getKey(key);
            if (value.isName() && value.getName() != "/XObject") ++count[value.getName()];
        }
    }
    return count;
}

}  // namespace

TEST(ObjectSharingTest, OneCopyOfEachRepeatedObjectButNeverPagesOrAnnotations) {
    EngineEnv env(Tools::Real);
    std::string in = env.add("dup.pdf", duplicatesPdf());
    std::string out = env.path("shared.pdf");
    ASSERT_TRUE(ObjectSharing::run(z(in), z(out), {}));
    // One program, descriptor and font; of the images, the two equal ones
    // become one, equal bytes under different dictionaries stay two.
    std::map<std::string, int> expected = {
        {"/Type1C", 1}, {"/FontDescriptor", 1}, {"/Font", 1}, {"/Type1", 1}, {"/Image", 3},
        {"/Annot", 2},  {"/Square", 2},         {"/Page", 2}, {"/Pages", 1}, {"/Catalog", 1}};
    EXPECT_EQ(kinds(out), expected);
    EXPECT_EQ(shellOutput("qpdf --check \"" + out + "\" >/dev/null; echo $?"), "0\n");
    EXPECT_EQ(renderedPages("pdftoppm", in, 20), renderedPages("pdftoppm", out, 20));
}

TEST(ObjectSharingTest, PipelineTakesTheStepOnlyWhenSmallerAndWhenSwitchedOn) {
    EngineEnv env(Tools::Real);
    std::string in = env.add("dup.pdf", duplicatesPdf());
    Props web = formSettings();
    web[u"mode"] = u"lossless";
    web[u"webOptimize"] = u"true";
    std::string linear = env.path("linear.pdf");
    compressFile(z(in), z(linear), web, nullptr);
    EXPECT_EQ(kinds(linear)["/Type1C"], 1);
    EXPECT_TRUE(contains(shellOutput("qpdf --check-linearization \"" + linear + "\""),
                         "no linearization errors"));

    // Switched off by the batch command's record or by the configuration.
    Props off = web;
    off[u"shareObjects"] = u"false";
    compressFile(z(in), z(env.path("off.pdf")), off, nullptr);
    EXPECT_EQ(kinds(env.path("off.pdf"))["/Type1C"], 2);
    env.setConfig("compress.shareObjects", "false");
    compressFile(z(in), z(env.path("off2.pdf")), web, nullptr);
    EXPECT_EQ(kinds(env.path("off2.pdf"))["/Type1C"], 2);
    env.setConfig("compress.shareObjects", "true");

    // Nothing left to share: the step writes nothing and the file stays as it
    // was (without the web option, which would take qpdf's linearised copy).
    std::string plain = env.path("plain.pdf");
    ASSERT_TRUE(ObjectSharing::run(z(in), z(plain), {}));
    Props still = web;
    still[u"webOptimize"] = u"false";
    std::string again = env.path("again.pdf");
    compressFile(z(plain), z(again), still, nullptr);
    EXPECT_EQ(readFile(again), readFile(plain));

    // A file libqpdf cannot read leaves no output and fails nothing.
    std::string broken = env.add("broken.pdf", "%PDF-1.4\nnothing else");
    EXPECT_FALSE(ObjectSharing::run(z(broken), z(env.path("none.pdf")), {}));
    compressFile(z(broken), z(env.path("copy.pdf")), web, nullptr);
    EXPECT_EQ(readFile(env.path("copy.pdf")), readFile(broken));
}

// Every page of the step's output renders exactly as before. The files are
// the corpus's ones where the step changes something, at low resolution.
TEST(ObjectSharingCorpusTest, PagesRenderBitIdenticalAndFilesCheckClean) {
    std::string corpus = corpusFolder();
    if (corpus.empty()) GTEST_SKIP() << "no corpus (../shared/corpus or $VARTO_CORPUS)";
    EngineEnv env(Tools::Real);
    for (const char* name : {"optimized-lilypond-learning.pdf", "image-eyes17-manual.pdf",
                             "vector-gle-manual.pdf", "text-r-intro.pdf"}) {
        SCOPED_TRACE(name);
        std::string in = corpus + "/" + name;
        std::string out = env.path(name);
        ASSERT_TRUE(ObjectSharing::run(z(in), z(out), {}));
        EXPECT_EQ(pdfPageCount(z(out)), pdfPageCount(z(in)));
        EXPECT_EQ(shellOutput("qpdf --check \"" + out + "\" >/dev/null; echo $?"), "0\n");
        for (const char* tool : {"pdftoppm", "pdftocairo"})
            EXPECT_EQ(renderedPages(tool, in, 12), renderedPages(tool, out, 12)) << tool;
    }
}

namespace {

// The compact font program Ghostscript embeds for the text, a subset of a standard font.
std::string ghostscriptSubset(EngineEnv& env, const std::string& text) {
    std::string pdf = env.path("gs-" + text + ".pdf");
    shellOutput("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -o \"" + pdf +
                "\" -c '/NimbusRoman-Regular findfont 40 scalefont setfont 20 100 moveto (" + text +
                ") show showpage'");
    QPDF doc;
    doc.processFile(pdf.c_str());
    QPDFObjectHandle page = doc.getAllPages().at(0);
    QPDFObjectHandle fonts = page.getKey("/Resources").getKey("/Font");
    QPDFObjectHandle font = fonts.getKey(*fonts.getKeys().begin());
    auto data = font.getKey("/FontDescriptor").getKey("/FontFile3").getStreamData();
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

std::string changed(const std::string& program, const std::function<void(CffFont&)>& change) {
    auto font = CffFont::read(program);
    change(*font);
    return font->write();
}

size_t glyphOf(const CffFont& font, const std::string& name) {
    for (size_t g = 0; g < font.charStrings.size(); ++g)
        if (font.glyphName(g) == name) return g;
    return 0;
}

// One page per program, each showing text with its own font dictionary
// (no /Encoding: the program's own encoding decides) named with its own tag.
std::string fontPagesPdf(const std::vector<std::pair<std::string, std::string>>& pages) {
    std::string kids, widths;
    for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(3 + 5 * i) + " 0 R ";
    for (int c = 32; c <= 126; ++c) widths += "500 ";
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>"};
    for (size_t i = 0; i < pages.size(); ++i) {
        auto ref = [&](int k) { return std::to_string(3 + 5 * i + k) + " 0 R"; };
        std::string tag = std::string(6, char('A' + i)) + "+NimbusRoman-Regular";
        objects.push_back(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 150] /Resources << "
            "/Font << /F1 " +
            ref(2) + " >> >> /Contents " + ref(1) + " >>");
        objects.push_back(stream("", "BT /F1 40 Tf 20 60 Td (" + pages[i].first + ") Tj ET"));
        objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /" + tag +
                          " /FirstChar 32 /LastChar 126 /Widths [" + widths + "] /FontDescriptor " +
                          ref(3) + " >>");
        objects.push_back("<< /Type /FontDescriptor /FontName /" + tag +
                          " /Flags 4 /FontBBox [-170 -220 1010 900] /ItalicAngle 0 /Ascent 900 "
                          "/Descent -220 /CapHeight 660 /StemV 80 /FontFile3 " +
                          ref(4) + " >>");
        objects.push_back(stream("/Subtype /Type1C", pages[i].second));
    }
    return pdfFromObjects(objects);
}

}  // namespace

TEST(FontSlimmingTest, SubsetsMergeOnlyWhenEqualAndRoutinesNoGlyphReachesGo) {
    EngineEnv env(Tools::Real);
    // Ghostscript writes no routines: H's code moves into routine 0, three
    // more routines are never called, and b takes a's box.
    std::string gsA = ghostscriptSubset(env, "Hamburg");
    auto original = CffFont::read(gsA);
    ASSERT_TRUE(original);
    std::string codeOfH = original->charStrings[glyphOf(*original, "H")];
    std::vector<std::string> routines = {codeOfH, "\x8b\x8b\x15\x0b", "\x8c\x8b\x15\x0b",
                                         "\x8d\x8b\x15\x0b"};
    std::string a = changed(gsA, [&](CffFont& f) {
        f.localSubrs = routines;
        f.charStrings[glyphOf(f, "H")] = "\x20\x0a";  // -107 callsubr: routine 0
    });
    std::vector<std::string> box;
    for (const CffFont::Entry& e : original->top)
        if (e.op == 5) box = e.operands;
    std::string b = changed(ghostscriptSubset(env, "fonts"), [&](CffFont& f) {
        f.localSubrs = routines;
        for (CffFont::Entry& e : f.top)
            if (e.op == 5) e.operands = box;
    });
    // b shows its f with code 72, which is H in a: the merged program keeps
    // a's H there, so b's font must name its f in /Differences.
    std::string bRecoded = changed(b, [](CffFont& f) {
        auto codes = f.builtInEncoding();
        codes[72] = codes.at('f');
        codes.erase('f');
        f.setEncoding(codes);
    });
    std::string otherBox = changed(a, [](CffFont& f) {
        for (CffFont::Entry& e : f.top)
            if (e.op == 5) e.operands[0] = std::string(1, char(139 - 1));
    });
    std::string otherCode = changed(
        a, [](CffFont& f) { f.charStrings[glyphOf(f, "a")] = f.charStrings[glyphOf(f, "H")]; });
    std::string cidKeyed = changed(a, [](CffFont& f) {
        f.top.insert(f.top.begin(), {1230, {"\x8b", "\x8b", "\x8b"}});
    });
    std::string in = env.add("fonts.pdf", fontPagesPdf({{"Hamburg", a},
                                                        {"Hots", bRecoded},
                                                        {"Hamburg", otherBox},
                                                        {"Hamburg", otherCode},
                                                        {"Hamburg", cidKeyed}}));
    std::string out = env.path("slim.pdf");
    ASSERT_TRUE(ObjectSharing::run(z(in), z(out), {}));

    QPDF doc;
    doc.processFile(out.c_str());
    std::vector<QPDFObjectHandle> fonts, programs;
    for (QPDFObjectHandle page : doc.getAllPages()) {
        fonts.push_back(page.getKey("/Resources").getKey("/Font").getKey("/F1"));
        programs.push_back(fonts.back().getKey("/FontDescriptor").getKey("/FontFile3"));
    }
    auto bytes = [](QPDFObjectHandle s) {
        auto data = s.getStreamData();
        return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    };
    // a and b are one program now; other box, other glyph code and CID-keyed stay apart.
    std::set<QPDFObjGen> distinct;
    for (QPDFObjectHandle p : programs) distinct.insert(p.getObjGen());
    EXPECT_EQ(programs[0].getObjGen(), programs[1].getObjGen());
    EXPECT_EQ(distinct.size(), 4u);
    EXPECT_EQ(bytes(programs[4]), cidKeyed);
    // b's code 72 keeps its f; codes b never had are pinned to .notdef.
    EXPECT_TRUE(contains(fonts[1].getKey("/Encoding").getKey("/Differences").unparse(),
                         "[ 72 /f 97 /.notdef"))
        << fonts[1].getKey("/Encoding").unparse();
    EXPECT_FALSE(fonts[0].hasKey("/Encoding") &&
                 fonts[0].getKey("/Encoding").getKey("/Differences").unparse().find(" 72 /") !=
                     std::string::npos);

    // Routines no glyph reaches are bare returns; glyph code stays as it was.
    auto merged = CffFont::read(bytes(programs[0]));
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->localSubrs, (std::vector<std::string>{codeOfH, "\x0b", "\x0b", "\x0b"}));
    EXPECT_EQ(merged->charStrings[glyphOf(*merged, "g")],
              original->charStrings[glyphOf(*original, "g")]);
    EXPECT_LT(fs::file_size(out), fs::file_size(in));
    for (const char* tool : {"pdftoppm", "pdftocairo"})
        EXPECT_EQ(renderedPages(tool, in, 36), renderedPages(tool, out, 36)) << tool;

    // Switched off: only the sharing runs, every program stays as it was.
    ASSERT_TRUE(ObjectSharing::run(z(in), z(env.path("kept.pdf")), {{u"slimFonts", u"false"}}));
    QPDF kept;
    kept.processFile(env.path("kept.pdf").c_str());
    QPDFObjectHandle firstPage = kept.getAllPages()[0];
    EXPECT_EQ(bytes(firstPage.getKey("/Resources")
                        .getKey("/Font")
                        .getKey("/F1")
                        .getKey("/FontDescriptor")
                        .getKey("/FontFile3")),
              a);
}

// Routine i calls routine i + 1 twice, ten deep: every glyph costs about a
// thousand routine runs, 65,535 glyphs about 300 million operators.
std::string hostileProgram(const std::string& program) {
    return changed(program, [](CffFont& f) {
        f.localSubrs.clear();
        for (int i = 0; i < 10; ++i) {
            const char next = static_cast<char>(i + 1 - 107 + 139);
            f.localSubrs.push_back(i < 9 ? std::string{next, 10, next, 10, 11} : "\x0b");
        }
        f.charStrings.assign(65535, std::string("\x20\x0a\x0e"));  // routine 0, endchar
        int name = f.sidFor("a");
        f.charset.assign(65535, name);
        f.charset[0] = 0;
    });
}

// The budget is the processor time this process spends, not the clock: other
// processes on a busy machine must not fail it. The sanitizers slow the code
// itself about threefold.
static double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}
#if defined(__SANITIZE_ADDRESS__)
constexpr double kHostileBudget = 6.0;
#else
constexpr double kHostileBudget = 2.0;
#endif

TEST(FontSlimmingTest, HostileProgramsAreRefusedOrSlimmedWithinTwoSeconds) {
    EngineEnv env(Tools::Real);
    std::string gsA = ghostscriptSubset(env, "Hamburg");
    std::string hostile = hostileProgram(gsA);
    ASSERT_FALSE(hostile.empty());  // 65,535 glyphs still fit the format

    double start = cpuSeconds();
    auto font = CffFont::read(hostile);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->charStrings.size(), 65535u);
    // The routine tracer's budget covers the whole program: it gives up.
    EXPECT_FALSE(font->blankUnreachedRoutines());
    EXPECT_LT(cpuSeconds() - start, kHostileBudget);

    // Through the whole step, two such subsets in one document.
    std::string in = env.path("hostile.pdf"), out = env.path("hostile-out.pdf");
    writeFile(in, fontPagesPdf({{"Hamburg", hostile}, {"Hamburg", hostile}}));
    start = cpuSeconds();
    int64_t pages = -1;
    bool written = ObjectSharing::run(z(in), z(out), {}, &pages);
    EXPECT_LT(cpuSeconds() - start, kHostileBudget);
    if (written) {
        EXPECT_EQ(pages, 2);
    }
}

TEST(FontSlimmingTest, CountsThatOverflowTheFormatAreRefused) {
    EngineEnv env(Tools::Real);
    std::string gsA = ghostscriptSubset(env, "Hamburg");
    auto font = CffFont::read(gsA);
    ASSERT_TRUE(font);
    // One glyph more than a 16-bit index count holds.
    CffFont tooMany(*font);
    tooMany.charStrings.assign(65536, tooMany.charStrings[0]);
    tooMany.charset.assign(65536, 0);
    EXPECT_EQ(tooMany.write(), "");
    // A string number above 65,535 would wrap in the charset.
    CffFont bigName(*font);
    bigName.charset.back() = 70000;
    EXPECT_EQ(bigName.write(), "");
    // More than 255 supplementary codes would wrap their one-byte count.
    CffFont supplements(*font);
    std::map<int, size_t> codes;
    for (int c = 0; c < 256; ++c) codes[c] = 2;  // no primary code: all 256 are supplements
    EXPECT_FALSE(supplements.setEncoding(codes));
    EXPECT_EQ(supplements.builtInEncoding(), font->builtInEncoding());
}

TEST(ObjectSharingTest, ACancelledRunWritesNothing) {
    EngineEnv env;
    std::string in = env.add("dup.pdf", duplicatesPdf());
    std::string out = env.path("dup-out.pdf");
    std::atomic<bool> cancelled{true};
    int64_t pages = -1;
    EXPECT_FALSE(ObjectSharing::run(z(in), z(out), {}, &pages, &cancelled));
    EXPECT_FALSE(fs::exists(out));
    cancelled = false;
    EXPECT_TRUE(ObjectSharing::run(z(in), z(out), {}, &pages, &cancelled));
    EXPECT_EQ(pages, 2);
}
