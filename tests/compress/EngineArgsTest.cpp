#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "EngineTestSupport.h"
#include "compress/Command.h"
#include "compress/Ghostscript.h"
#include "compress/PageCount.h"

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

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

Props formDefaults() {
    return {{u"dpi", u"144"}, {u"imageQuality", u"75"}, {u"colorModel", u""},
            {u"webOptimize", u"false"}, {u"saveFileSuffix", u"_compressed"}};
}

}  // namespace

TEST(GhostscriptArgumentsTest, FormDefaultsGiveTheWholeLine) {
    EXPECT_EQ(args(formDefaults()), kDefaultArguments);
}

TEST(GhostscriptArgumentsTest, QFactorForTypicalQualities) {
    const std::pair<const char16_t*, const char*> table[] = {
        {u"0", "1.50"}, {u"10", "1.36"}, {u"50", "0.80"}, {u"75", "0.45"},
        {u"90", "0.24"}, {u"100", "0.10"}, {u"abc", "1.50"}};
    for (auto [quality, factor] : table) {
        std::string a = args({{u"imageQuality", quality}});
        EXPECT_TRUE(has(a, std::string("<</ColorImageDict  <</QFactor ") + factor + " /Blend"))
            << u8(quality);
        EXPECT_TRUE(has(a, std::string("<</GrayImageDict  <</QFactor ") + factor + " /Blend"))
            << u8(quality);
        EXPECT_TRUE(has(a, "-dPassThroughJPEGImages=false -dColorImageFilter=/DCTEncode"));
    }
    EXPECT_TRUE(has(args({}), "/QFactor 0.45 "));

    // A German user's decimal comma never reaches Ghostscript.
    std::string previous = setlocale(LC_ALL, nullptr);
    if (setlocale(LC_ALL, "de_DE.UTF-8")) {
        EXPECT_EQ(ghostscriptQFactor(75), u"0.45");
        setlocale(LC_ALL, previous.c_str());
    }
}

TEST(GhostscriptArgumentsTest, QualityOutsideZeroToHundredKeepsImagesLossless) {
    for (const char16_t* quality : {u"101", u"-1", u"4294967295", u"0x7fffffff"}) {
        std::string a = args({{u"imageQuality", quality}});
        EXPECT_TRUE(has(a,
                        "-dColorConversionStrategy=/LeaveColorUnchanged "
                        "-dPassThroughJPEGImages=true -dColorImageFilter=/FlateEncode "
                        "-dGrayImageFilter=/FlateEncode -dMonoImageFilter=/FlateEncode -f "))
            << u8(quality);
        EXPECT_FALSE(has(a, "-c \"")) << u8(quality);
        EXPECT_FALSE(has(a, "QFactor")) << u8(quality);
    }
}

TEST(GhostscriptArgumentsTest, ResolutionReadsCLiteralsAndOffBelowOne) {
    EXPECT_TRUE(has(args({{u"dpi", u"0x48"}}),
                    "-dAutoFilterMonoImages=false -r72 -dColorImageResolution=72 "
                    "-dGrayImageResolution=72 -dMonoImageResolution=72 "
                    "-dDownsampleColorImages=true"));
    EXPECT_TRUE(has(args({{u"dpi", u"010"}}), " -r8 -dColorImageResolution=8 "));
    const std::string off =
        "-dAutoFilterMonoImages=false -dDownsampleColorImages=false "
        "-dDownsampleGrayImages=false -dDownsampleMonoImages=false -dColorConversionStrategy=";
    std::vector<Props> noDownsampling = {
        {{u"dpi", u"0"}}, {{u"dpi", u"-5"}}, {{u"dpi", u""}}, {}, {{u"dpi", u"none"}}};
    for (const Props& s : noDownsampling) {
        std::string a = args(s);
        EXPECT_TRUE(has(a, off)) << a;
        EXPECT_FALSE(has(a, " -r")) << a;
    }
}

TEST(GhostscriptArgumentsTest, ColourModelsAreExactAndCaseSensitive) {
    EXPECT_TRUE(has(args({{u"colorModel", u"rgb"}}),
                    " -dColorConversionStrategy=/sRGB -dProcessColorModel=/DeviceRGB "
                    "-dPassThroughJPEGImages"));
    EXPECT_TRUE(has(args({{u"colorModel", u"cmyk"}}),
                    " -dColorConversionStrategy=/CMYK -dProcessColorModel=/DeviceCMYK "));
    EXPECT_TRUE(has(args({{u"colorModel", u"gray"}}),
                    " -dColorConversionStrategy=/Gray -dProcessColorModel=/DeviceGray "));
    for (const char16_t* other : {u"RGB", u"Gray", u"grey", u"", u" rgb"}) {
        std::string a = args({{u"colorModel", other}});
        EXPECT_TRUE(has(a, " -dColorConversionStrategy=/LeaveColorUnchanged -dPassThrough"));
        EXPECT_FALSE(has(a, "ProcessColorModel")) << u8(other);
    }
}

TEST(GhostscriptArgumentsTest, WebOptimisationOnlyForTrue) {
    const std::string web =
        "-dAutoFilterMonoImages=false -dWriteXRefStm=false -dWriteObjStms=false -dFastWebView "
        "-dDownsample";
    EXPECT_TRUE(has(args({{u"webOptimize", u"TRUE"}, {u"dpi", u"0"}}), web));
    EXPECT_TRUE(has(args({{u"webOptimize", u"true"}, {u"dpi", u"0"}}), web));
    for (const char16_t* no : {u"1", u"on", u"yes", u"false"}) {
        EXPECT_FALSE(has(args({{u"webOptimize", no}}), "FastWebView")) << u8(no);
    }
}

TEST(GhostscriptArgumentsTest, PathsAreQuotedAndPercentDoubledInTheOutput) {
    std::string a = args({}, u"/my docs/50% in.pdf", u"/tmp/a b/100%.pdf");
    EXPECT_TRUE(a.starts_with("-sDEVICE=pdfwrite \"-sOutputFile=/tmp/a b/100%%.pdf\" "));
    EXPECT_TRUE(a.ends_with(" -f \"/my docs/50% in.pdf\""));
}

TEST(GhostscriptCommandTest, BaseCommandFontPathAndInterpreterSwitch) {
    EngineEnv env;
    std::string gs = "\"" + env.path("tools/gs") + "\"";
    EXPECT_EQ(u8(ghostscriptBaseCommand()),
              gs + " -dBATCH -dNOPAUSE -dSAFER -dALLOWPSTRANSPARENCY "
                   "\"-sFONTPATH=/usr/share/fonts\" -dNEWPDF=false");

    std::filesystem::create_directories(env.path("data/fonts"));
    env.setConfig("gs.useNewPdf", "true");
    EXPECT_EQ(u8(ghostscriptBaseCommand()),
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
    runGhostscriptCompression(z(in), z(out), {{u"dpi", u"72"}, {u"colorModel", u"gray"}});

    auto runs = env.runs("gs");
    ASSERT_EQ(runs.size(), 1u);
    const std::string dict =
        "<</QFactor 0.45 /Blend 1 /ColorTransform 1 /HSample [1 1 1 1] /VSample [1 1 1 1]>>";
    std::vector<std::string> expected = {
        "-dBATCH", "-dNOPAUSE", "-dSAFER", "-dALLOWPSTRANSPARENCY",
        "-sFONTPATH=/usr/share/fonts", "-dNEWPDF=false", "-sDEVICE=pdfwrite",
        "-sOutputFile=" + env.path("out dir/50%% result.pdf"), "-dAutoRotatePages=/None",
        "-dEmbedAllFonts=true", "-dSubsetFonts=true", "-dDetectDuplicateImages=true",
        "-dDoThumbnails=false", "-dAutoFilterColorImages=false", "-dAutoFilterGrayImages=false",
        "-dAutoFilterMonoImages=false", "-r72", "-dColorImageResolution=72",
        "-dGrayImageResolution=72", "-dMonoImageResolution=72", "-dDownsampleColorImages=true",
        "-dColorImageDownsampleType=/Bicubic", "-dColorImageDownsampleThreshold=1.0",
        "-dDownsampleGrayImages=true", "-dGrayImageDownsampleType=/Bicubic",
        "-dGrayImageDownsampleThreshold=1.0", "-dDownsampleMonoImages=true",
        "-dMonoImageDownsampleType=/Subsample", "-dMonoImageDownsampleThreshold=1.0",
        "-dColorConversionStrategy=/Gray", "-dProcessColorModel=/DeviceGray",
        "-dPassThroughJPEGImages=false", "-dColorImageFilter=/DCTEncode",
        "-dGrayImageFilter=/DCTEncode", "-dMonoImageFilter=/CCITTFaxEncode", "-c",
        " <</ColorImageDict  " + dict + " >> setdistillerparams <</GrayImageDict  " + dict +
            " >> setdistillerparams",
        "-f", in};
    EXPECT_EQ(runs[0], expected);
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
