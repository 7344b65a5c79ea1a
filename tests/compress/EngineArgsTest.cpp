#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "EngineTestSupport.h"
#include "compress/Command.h"
#include "compress/Ghostscript.h"
#include "compress/PageCount.h"
#include "platform/SplitCommandLine.h"

using namespace enginetest;

namespace {

const std::string kDefaultArguments =
    "-sDEVICE=pdfwrite \"-sOutputFile=/out.pdf\" -dAutoRotatePages=/None "
    "-dEmbedAllFonts=true -dSubsetFonts=true -dDetectDuplicateImages=true -dDoThumbnails=false "
    "-dAutoFilterColorImages=false -dAutoFilterGrayImages=false -dAutoFilterMonoImages=false "
    "-r144 -dColorImageResolution=144 -dGrayImageResolution=144 -dMonoImageResolution=144 "
    "-dDownsampleColorImages=true -dColorImageDownsampleType=/Bicubic "
    "-dColorImageDownsampleThreshold=1.0 "
    "-dDownsampleGrayImages=true -dGrayImageDownsampleType=/Bicubic "
    "-dGrayImageDownsampleThreshold=1.0 "
    "-dDownsampleMonoImages=true -dMonoImageDownsampleType=/Subsample "
    "-dMonoImageDownsampleThreshold=1.0 "
    "-dColorConversionStrategy=/LeaveColorUnchanged -dPassThroughJPEGImages=false "
    "-dColorImageFilter=/DCTEncode -dGrayImageFilter=/DCTEncode "
    "-dMonoImageFilter=/CCITTFaxEncode "
    "-c \" <</ColorImageDict  <</QFactor 0.45 /Blend 1 /ColorTransform 1 /HSample [1 1 1 1] "
    "/VSample [1 1 1 1]>> >> setdistillerparams <</GrayImageDict  <</QFactor 0.45 /Blend 1 "
    "/ColorTransform 1 /HSample [1 1 1 1] /VSample [1 1 1 1]>> >> setdistillerparams\" "
    "-f \"/in.pdf\"";

std::string args(const Props& settings, const char16_t* in = u"/in.pdf",
                 const char16_t* out = u"/out.pdf") {
    return u8(ghostscriptArguments(in, out, settings));
}

struct ArgumentCase {
    Props settings;
    std::string present;  // with the neighbouring fragments, so order counts
    std::string absent;
};

std::vector<ArgumentCase> argumentCases() {
    std::vector<ArgumentCase> cases;
    const std::pair<const char16_t*, const char*> factors[] = {
        {u"0", "1.50"},  {u"10", "1.36"},  {u"50", "0.80"},  {u"75", "0.45"},
        {u"90", "0.24"}, {u"100", "0.10"}, {u"abc", "1.50"}, {u"", "0.45"}};
    for (auto [quality, factor] : factors) {
        const std::string dict =
            std::string("<</QFactor ") + factor +
            " /Blend 1 /ColorTransform 1 /HSample [1 1 1 1] /VSample [1 1 1 1]>>";
        cases.push_back({{{u"imageQuality", quality}},
                         "-dPassThroughJPEGImages=false -dColorImageFilter=/DCTEncode "
                         "-dGrayImageFilter=/DCTEncode -dMonoImageFilter=/CCITTFaxEncode -c \" "
                         "<</ColorImageDict  " +
                             dict + " >> setdistillerparams <</GrayImageDict  " + dict +
                             " >> setdistillerparams\" -f ",
                         "FlateEncode"});
    }
    // Compared unsigned: negative qualities count as above 100.
    for (const char16_t* quality : {u"101", u"-1", u"4294967295", u"0x7fffffff"}) {
        cases.push_back({{{u"imageQuality", quality}},
                         "/LeaveColorUnchanged -dPassThroughJPEGImages=true "
                         "-dColorImageFilter=/FlateEncode -dGrayImageFilter=/FlateEncode "
                         "-dMonoImageFilter=/FlateEncode -f ",
                         "QFactor"});
    }
    cases.push_back(
        {{{u"dpi", u"0x48"}},
         "-dAutoFilterMonoImages=false -r72 -dColorImageResolution=72 "
         "-dGrayImageResolution=72 -dMonoImageResolution=72 -dDownsampleColorImages=true",
         "=false -dDownsample"});
    cases.push_back({{{u"dpi", u"010"}}, " -r8 -dColorImageResolution=8 ", "-r10"});
    for (const char16_t* dpi : {u"0", u"-5", u"", u"none"}) {
        cases.push_back({{{u"dpi", dpi}},
                         "-dAutoFilterMonoImages=false -dDownsampleColorImages=false "
                         "-dDownsampleGrayImages=false -dDownsampleMonoImages=false "
                         "-dColorConversionStrategy=",
                         " -r"});
    }
    const char* models[][2] = {{"rgb", "/sRGB -dProcessColorModel=/DeviceRGB"},
                               {"cmyk", "/CMYK -dProcessColorModel=/DeviceCMYK"},
                               {"gray", "/Gray -dProcessColorModel=/DeviceGray"},
                               {"RGB", "/LeaveColorUnchanged"},
                               {"Gray", "/LeaveColorUnchanged"},
                               {"grey", "/LeaveColorUnchanged"},
                               {" rgb", "/LeaveColorUnchanged"}};
    for (auto [model, fragments] : models) {
        cases.push_back({{{u"colorModel", z(model)}},
                         std::string(" -dColorConversionStrategy=") + fragments + " -dPass",
                         fragments[1] == 'L' ? "ProcessColorModel" : ""});
    }
    for (const char* web : {"TRUE", "true", "1", "on", "yes", "false"}) {
        bool on = std::string(web) == "TRUE" || std::string(web) == "true";
        cases.push_back({{{u"webOptimize", z(web)}},
                         on ? "-dAutoFilterMonoImages=false -dWriteXRefStm=false "
                              "-dWriteObjStms=false -dFastWebView -r144"
                            : "-dAutoFilterMonoImages=false -r144",
                         on ? "" : "FastWeb"});
    }
    return cases;
}

}  // namespace

TEST(GhostscriptArgumentsTest, FormDefaultsGiveTheWholeLine) {
    EXPECT_EQ(args(formSettings()), kDefaultArguments);
}

TEST(GhostscriptArgumentsTest, EachSettingGivesItsFragmentsInPlace) {
    for (const ArgumentCase& c : argumentCases()) {
        Props settings = formSettings();
        for (const auto& [key, value] : c.settings) settings[key] = value;
        SCOPED_TRACE(u8(c.settings.begin()->first) + "=" + u8(c.settings.begin()->second));
        std::string a = args(settings);
        EXPECT_TRUE(contains(a, c.present)) << a;
        if (!c.absent.empty()) {
            EXPECT_FALSE(contains(a, c.absent)) << a;
        }
    }
    EXPECT_TRUE(contains(args({}), "/QFactor 0.45 "));                // absent quality
    EXPECT_TRUE(contains(args({}), "-dDownsampleMonoImages=false"));  // absent dpi

    // A German user's decimal comma never reaches Ghostscript.
    std::string previous = setlocale(LC_ALL, nullptr);
    if (setlocale(LC_ALL, "de_DE.UTF-8")) {
        EXPECT_EQ(ghostscriptQFactor(75), u"0.45");
        setlocale(LC_ALL, previous.c_str());
    }
}

TEST(GhostscriptCommandTest, BaseCommandFontPathAndInterpreterSwitch) {
    EngineEnv env;
    std::string gs = "\"" + env.path("tools/gs") + "\"";
    EXPECT_EQ(u8(ghostscriptBaseCommand()), gs + " -dBATCH -dNOPAUSE -dSAFER -dALLOWPSTRANSPARENCY "
                                                 "\"-sFONTPATH=/usr/share/fonts\" -dNEWPDF=false");

    std::filesystem::create_directories(env.path("data/fonts"));
    env.setConfig("gs.useNewPdf", "true");
    EXPECT_EQ(
        u8(ghostscriptBaseCommand()),
        gs + " -dBATCH -dNOPAUSE -dSAFER -dALLOWPSTRANSPARENCY \"-sFONTPATH=/usr/share/fonts:" +
            env.path("data/fonts") + "\" -dNEWPDF=true");
}

TEST(GhostscriptCommandTest, ArgumentsUpToTenThousandCharactersStayOnTheLine) {
    EngineEnv env;
    ZString base = ghostscriptBaseCommand();
    ZString fits(std::u16string(9999, u'a'));
    EXPECT_EQ(ghostscriptCommandLine(fits), base + u" " + fits + u" ");
    EXPECT_TRUE(env.tempFiles().empty());

    ZString tooLong(std::u16string(10000, u'b'));
    std::string line = u8(ghostscriptCommandLine(tooLong));
    std::string prefix = u8(base) + " \"@" + env.tempFolder() + "/Varto/";
    ASSERT_TRUE(line.starts_with(prefix)) << line.substr(0, 300);
    ASSERT_TRUE(line.ends_with(".gs\""));
    std::string file = line.substr(u8(base).size() + 3, line.size() - u8(base).size() - 4);
    EXPECT_EQ(readFile(file), u8(tooLong) + "  ");
}

TEST(GhostscriptCommandTest, RecordedArgumentsWithSpacesAndDistillerText) {
    EngineEnv env;
    env.setMode("gs", "none");
    std::string in = env.add("my input/a file.pdf", samplePdf(1));
    std::string out = env.path("out dir/50% result.pdf");
    Props settings = {{u"dpi", u"72"}, {u"colorModel", u"gray"}};
    runGhostscriptCompression(z(in), z(out), settings);

    auto runs = env.runs("gs");
    ASSERT_EQ(runs.size(), 1u);
    std::vector<std::string> expected;
    for (const ZString& arg : platform::splitCommandLine(
             ghostscriptCommandLine(ghostscriptArguments(z(in), z(out), settings)))) {
        expected.push_back(u8(arg));
    }
    expected.erase(expected.begin());
    EXPECT_EQ(runs[0], expected);
    ASSERT_EQ(runs[0].size(), 39u);
    EXPECT_EQ(runs[0][7], "-sOutputFile=" + env.path("out dir/50%% result.pdf"));
    EXPECT_EQ(runs[0][35], "-c");
    EXPECT_TRUE(runs[0][36].starts_with(" <</ColorImageDict  <</QFactor 0.45 /Blend"));
    EXPECT_EQ(runs[0][38], in);
}

TEST(GhostscriptCommandTest, RealGhostscriptReadsTheArgumentFile) {
    EngineEnv env(Tools::Real);
    std::string in = env.add("in put/ünïcode in.pdf", samplePdf(2));
    std::string out = env.path("out put/out.pdf");
    std::filesystem::create_directories(env.path("out put"));
    // Paths cannot grow past the limit, so blanks between arguments do.
    ZString arguments = ghostscriptArguments(z(in), z(out), {{u"dpi", u"72"}}) +
                        ZString(std::u16string(10000, u' '));
    Command command;
    command.commandLine = ghostscriptCommandLine(arguments);
    ASSERT_TRUE(u8(command.commandLine).ends_with(".gs\""));
    command.run();
    ASSERT_TRUE(std::filesystem::exists(out));
    EXPECT_EQ(pdfPageCount(z(out)), 2);
}
