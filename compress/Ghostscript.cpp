#include "compress/Ghostscript.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "compress/Command.h"
#include "compress/CommandContext.h"
#include "compress/CompressionSettings.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"
#include "suite/Settings.h"

namespace {

constexpr int kMaxInlineArguments = 10000;

const char16_t* const kSystemFontsFolder = u"/usr/share/fonts";

ZString userFontsFolder() {
    ZString dataHome = platform::fs::environment("XDG_DATA_HOME");
    if (dataHome.isEmpty()) {
        ZString home = platform::fs::environment("HOME");
        if (home.isEmpty()) return ZString();
        dataHome = platform::fs::stripTrailingSeparators(home) + u"/.local/share";
    }
    return platform::fs::stripTrailingSeparators(dataHome) + u"/fonts";
}

// Ghostscript reads "%" in the output file name as a page-number template.
ZString escapePercent(const ZString& path) {
    ZString result;
    for (int i = 0; i < path.length(); ++i) {
        result.append(path[i]);
        if (path[i] == u'%') result.append(u'%');
    }
    return result;
}

void appendFragment(ZString& arguments, const ZString& fragment) {
    if (!arguments.isEmpty()) arguments.append(u' ');
    arguments.append(fragment);
}

}  // namespace

ZString ghostscriptFontPath() {
    ZString value = kSystemFontsFolder;
    ZString user = userFontsFolder();
    if (!user.isEmpty() && platform::fs::isDirectory(user) && user != value) {
        value.append(u':');
        value.append(user);
    }
    for (int i = value.find(u'\\'); i >= 0; i = value.find(u'\\', i + 1)) {
        value.replace(i, i + 1, u"/");
    }
    return value;
}

ZString ghostscriptBaseCommand() {
    ZString command = progConfig_getStr(u"GsWincCmdline", ZString());
    command.append(u" -dBATCH -dNOPAUSE -dSAFER -dALLOWPSTRANSPARENCY");
    command.append(u" \"-sFONTPATH=");
    command.append(ghostscriptFontPath());
    command.append(u'"');
    command.append(config_getBool(u"gs.useNewPdf", true) ? u" -dNEWPDF=true" : u" -dNEWPDF=false");
    return command;
}

ZString ghostscriptQFactor(int32_t imageQuality) {
    double factor = 1.5 - imageQuality * 0.014;
    return ZString::format(u"%0.2f", factor);
}

ZString ghostscriptArguments(const ZString& inputPath, const ZString& outputPath,
                             const Props& settings) {
    ZString a;
    appendFragment(a, u"-sDEVICE=pdfwrite");
    appendFragment(a, ZString(u"\"-sOutputFile=") + escapePercent(outputPath) + u"\"");
    appendFragment(a, u"-dAutoRotatePages=/None");
    appendFragment(a, u"-dEmbedAllFonts=true -dSubsetFonts=true");
    appendFragment(a, u"-dDetectDuplicateImages=true -dDoThumbnails=false");
    appendFragment(a,
                   u"-dAutoFilterColorImages=false -dAutoFilterGrayImages=false "
                   u"-dAutoFilterMonoImages=false");
    if (getBoolSetting(settings, u"webOptimize")) {
        appendFragment(a, u"-dWriteXRefStm=false -dWriteObjStms=false -dFastWebView");
    }

    int32_t dpi = getIntSetting(settings, u"dpi", -1);
    if (dpi <= 0) {
        appendFragment(a, u"-dDownsampleColorImages=false");
        appendFragment(a, u"-dDownsampleGrayImages=false");
        appendFragment(a, u"-dDownsampleMonoImages=false");
    } else {
        appendFragment(a, ZString::format(u"-r%d", dpi));
        appendFragment(a, ZString::format(u"-dColorImageResolution=%d", dpi));
        appendFragment(a, ZString::format(u"-dGrayImageResolution=%d", dpi));
        appendFragment(a, ZString::format(u"-dMonoImageResolution=%d", dpi));
        appendFragment(a,
                       u"-dDownsampleColorImages=true -dColorImageDownsampleType=/Bicubic "
                       u"-dColorImageDownsampleThreshold=1.0");
        appendFragment(a,
                       u"-dDownsampleGrayImages=true -dGrayImageDownsampleType=/Bicubic "
                       u"-dGrayImageDownsampleThreshold=1.0");
        appendFragment(a,
                       u"-dDownsampleMonoImages=true -dMonoImageDownsampleType=/Subsample "
                       u"-dMonoImageDownsampleThreshold=1.0");
    }

    ZString color = getStringSetting(settings, u"colorModel");
    if (color == u"rgb") {
        appendFragment(a, u"-dColorConversionStrategy=/sRGB");
        appendFragment(a, u"-dProcessColorModel=/DeviceRGB");
    } else if (color == u"cmyk") {
        appendFragment(a, u"-dColorConversionStrategy=/CMYK");
        appendFragment(a, u"-dProcessColorModel=/DeviceCMYK");
    } else if (color == u"gray") {
        appendFragment(a, u"-dColorConversionStrategy=/Gray");
        appendFragment(a, u"-dProcessColorModel=/DeviceGray");
    } else {
        appendFragment(a, u"-dColorConversionStrategy=/LeaveColorUnchanged");
    }

    int32_t quality = getIntSetting(settings, u"imageQuality", 75);
    if (static_cast<uint32_t>(quality) > 100u) {
        appendFragment(a, u"-dPassThroughJPEGImages=true");
        appendFragment(a,
                       u"-dColorImageFilter=/FlateEncode -dGrayImageFilter=/FlateEncode "
                       u"-dMonoImageFilter=/FlateEncode");
    } else {
        appendFragment(a, u"-dPassThroughJPEGImages=false");
        appendFragment(a,
                       u"-dColorImageFilter=/DCTEncode -dGrayImageFilter=/DCTEncode "
                       u"-dMonoImageFilter=/CCITTFaxEncode");
        ZString jpeg = ZString(u"<</QFactor ") + ghostscriptQFactor(quality) +
                       u" /Blend 1 /ColorTransform 1 /HSample [1 1 1 1] /VSample [1 1 1 1]>>";
        ZString postscript = ZString(u" <</ColorImageDict  ") + jpeg +
                             u" >> setdistillerparams <</GrayImageDict  " + jpeg +
                             u" >> setdistillerparams";
        appendFragment(a, ZString(u"-c \"") + postscript + u"\"");
    }

    appendFragment(a, ZString(u"-f \"") + inputPath + u"\"");
    return a;
}

ZString ghostscriptCommandLine(const ZString& arguments) {
    ZString a = arguments + u" ";
    if (a.length() > kMaxInlineArguments) {
        ZString file = makeTempFileName(u"Varto", u"", u".gs");
        std::string bytes = a.toUtf8();
        bytes.push_back(' ');
        platform::fs::writeFile(file, bytes);
        registerTempFile(file);
        a = ZString(u"\"@") + file + u"\"";
    }
    return ghostscriptBaseCommand() + u" " + a;
}

namespace {

// Ghostscript names the pages it will write ("Processing pages 1 through
// 113.") and then each page it starts ("Page 7"): the share written so far.
class PageCountingCommand : public ContextCommand {
public:
    explicit PageCountingCommand(CommandContext* context) : ContextCommand(context) {}

    void onStdoutData(const char* bytes, int count) override {
        ContextCommand::onStdoutData(bytes, count);
        StepProgress* progress = context() ? context()->progress : nullptr;
        if (!progress) return;
        for (int i = 0; i < count; ++i) {
            if (bytes[i] != '\n') {
                if (line_.size() < 200) line_.push_back(bytes[i]);
                continue;
            }
            readLine(*progress);
            line_.clear();
        }
    }

private:
    void readLine(StepProgress& progress) {
        int first = 0, last = 0, page = 0;
        if (std::sscanf(line_.c_str(), "Processing pages %d through %d.", &first, &last) == 2) {
            first_ = first;
            pages_ = last - first + 1;
        } else if (pages_ > 0 && std::sscanf(line_.c_str(), "Page %d", &page) == 1) {
            // A page is written once the next one starts.
            int done = std::clamp(page - first_, 0, pages_);
            progress.percent = done * 100 / pages_;
        }
    }

    std::string line_;
    int first_ = 1;
    int pages_ = 0;
};

}  // namespace

void runGhostscriptCompression(const ZString& inputPath, const ZString& outputPath,
                               const Props& settings, CommandContext* context) {
    PageCountingCommand command(context);
    command.commandLine = ghostscriptCommandLine(ghostscriptArguments(inputPath, outputPath, settings));
    runInContext(command, context);
}
