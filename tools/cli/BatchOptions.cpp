#include "BatchOptions.h"

#include <optional>

#include "base/NumberParse.h"
#include "compress/TargetSize.h"
#include "suite/Settings.h"

namespace {

// A whole integer as the engine reads it: decimal, "0x" hexadecimal or
// octal after a leading "0", optionally signed.
bool isInteger(const ZString& text) {
    size_t consumed = 0;
    parseLong(text.view(), 0, &consumed);
    return !text.isEmpty() && consumed == static_cast<size_t>(text.length()) &&
           text[0] != u' ' && text[0] != u'\t';
}

// Values taken from the window's last used settings, before the options.
void applyProfile(BatchOptions& options) {
    Props profile;
    userConfig_loadProfile(u"compress", u"lastUsedSettings", profile);
    for (const char16_t* key : {u"dpi", u"imageQuality", u"colorModel", u"webOptimize", u"targetSize"}) {
        auto it = profile.find(key);
        if (it != profile.end()) options.settings[key] = it->second;
    }
    auto suffix = profile.find(u"saveFileSuffix");
    if (suffix != profile.end()) options.suffix = suffix->second;
}

}  // namespace

const char* batchUsage() {
    return "Usage: varto-compress-cli [OPTIONS] FILE...\n"
           "Makes PDF files smaller with Ghostscript and qpdf; other documents are\n"
           "converted to PDF first. Input files are never changed.\n"
           "\n"
           "  --dpi N            image resolution (default 144; 0 or less: keep)\n"
           "  --quality Q        JPEG quality 0-100 (default 75; above 100: lossless images)\n"
           "  --color MODEL      rgb, cmyk or gray (default: leave colours)\n"
           "  --web              optimise for the web (linearise)\n"
           "  --lossless         no image re-encoding: only restructure the file\n"
           "  --target-size SIZE the best quality whose result fits in SIZE (bytes, or with\n"
           "                     kB, MB, KiB, MiB); a file that cannot fit fails\n"
           "  --thorough         run Ghostscript on every PDF, not only where it can win\n"
           "  --no-share         keep repeated objects (fonts, images) as they are\n"
           "  --no-slim          keep embedded font programs as they are\n"
           "  --no-reencode      keep JPEG and Flate streams' encoding as it is\n"
           "  --suffix S         added to each output name (default _compressed)\n"
           "  -o, --output DIR   write the outputs into DIR (default: beside each input)\n"
           "  --password P       try this password for encrypted files (repeatable)\n"
           "  --decrypt          write encrypted files' results without their protection\n"
           "  -j, --jobs N       files compressed in parallel (default: one per core)\n"
           "  --profile          start from the window's last used settings\n"
           "  --files-from F     also compress the files named in F, one a line (-: standard input)\n"
           "  -0, --null         names in --files-from lists end with a NUL byte, not a line feed\n"
           "  --json             one JSON object per file and a summary on standard output\n"
           "  -v, --verbose      show the tools' output on standard error\n"
           "  -h, --help         show this help\n"
           "\n"
           "Exit status: 0 when every file succeeded, 1 when any failed (or missed its\n"
           "target size), 2 for bad usage.\n";
}

bool parseBatchOptions(const std::vector<ZString>& args, BatchOptions& options, ZString& error) {
    options.settings = {{u"dpi", u"144"},
                        {u"imageQuality", u"75"},
                        {u"colorModel", u""},
                        {u"webOptimize", u"false"}};
    for (const ZString& arg : args) {
        if (arg == u"--profile") applyProfile(options);
    }

    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        ZString arg = args[i];
        if (optionsEnded || arg.isEmpty() || arg[0] != u'-' || arg == u"-") {
            options.files.push_back(arg);
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        std::optional<ZString> inlineValue;
        int equals = arg.find(u'=');
        if (arg.startsWith(u"--") && equals > 0) {
            inlineValue = arg.substring(equals + 1);
            arg = arg.substring(0, equals);
        }
        auto value = [&](ZString& out) {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = ZString(u"option ") + arg + u" needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto flag = [&] {
            if (!inlineValue) return true;
            error = ZString(u"option ") + arg + u" takes no value";
            return false;
        };

        ZString v;
        if (arg == u"-h" || arg == u"--help") {
            options.help = true;
        } else if (arg == u"--dpi" || arg == u"--quality") {
            if (!value(v)) return false;
            if (!isInteger(v)) {
                error = ZString(u"option ") + arg + u" needs a whole number, not '" + v + u"'";
                return false;
            }
            options.settings[arg == u"--dpi" ? u"dpi" : u"imageQuality"] = v;
        } else if (arg == u"--target-size") {
            if (!value(v)) return false;
            int64_t bytes = 0;
            ZString why;
            if (!TargetSize::parse(v, bytes, why) || bytes == 0) {
                error = u"option --target-size: " + (why.isEmpty() ? ZString(u"needs a size") : why);
                return false;
            }
            options.settings[u"targetSize"] = v;
        } else if (arg == u"--color") {
            if (!value(v)) return false;
            if (v != u"rgb" && v != u"cmyk" && v != u"gray") {
                error = ZString(u"option --color takes rgb, cmyk or gray, not '") + v + u"'";
                return false;
            }
            options.settings[u"colorModel"] = v;
        } else if (arg == u"--web") {
            if (!flag()) return false;
            options.settings[u"webOptimize"] = u"true";
        } else if (arg == u"--lossless") {
            if (!flag()) return false;
            options.settings[u"mode"] = u"lossless";
        } else if (arg == u"--thorough") {
            if (!flag()) return false;
            options.settings[u"planner"] = u"false";
        } else if (arg == u"--no-share") {
            if (!flag()) return false;
            options.settings[u"shareObjects"] = u"false";
        } else if (arg == u"--no-slim") {
            if (!flag()) return false;
            options.settings[u"slimFonts"] = u"false";
        } else if (arg == u"--decrypt") {
            if (!flag()) return false;
            options.settings[u"keepEncryption"] = u"false";
        } else if (arg == u"--no-reencode") {
            if (!flag()) return false;
            options.settings[u"reencode"] = u"false";
        } else if (arg == u"--suffix") {
            if (!value(options.suffix)) return false;
        } else if (arg == u"-o" || arg == u"--output") {
            if (!value(options.outputFolder)) return false;
            if (options.outputFolder.isEmpty()) {
                error = u"option -o needs a folder";
                return false;
            }
        } else if (arg == u"--password") {
            if (!value(v)) return false;
            options.passwords.push_back(v);
        } else if (arg == u"--jobs" || arg == u"-j") {
            if (!value(v)) return false;
            if (!isInteger(v) || parseLong(v.view(), 0) < 1) {
                error = ZString(u"option --jobs needs a number of at least 1, not '") + v + u"'";
                return false;
            }
            options.jobs = static_cast<unsigned>(parseLong(v.view(), 0));
        } else if (arg == u"--profile") {
            if (!flag()) return false;
        } else if (arg == u"--files-from") {
            if (!value(v)) return false;
            if (v.isEmpty()) {
                error = u"option --files-from needs a file (- for standard input)";
                return false;
            }
            options.fileLists.push_back(v);
        } else if (arg == u"-0" || arg == u"--null") {
            if (!flag()) return false;
            options.nulSeparated = true;
        } else if (arg == u"--json") {
            if (!flag()) return false;
            options.json = true;
        } else if (arg == u"-v" || arg == u"--verbose") {
            if (!flag()) return false;
            options.verbose = true;
        } else {
            error = ZString(u"unknown option ") + arg;
            return false;
        }
    }
    options.settings[u"saveFileSuffix"] = options.suffix;
    if (options.suffix.find(u'/') >= 0) {
        error = ZString(u"the suffix '") + options.suffix + u"' contains \"/\", which no file name may hold";
        return false;
    }
    if (!options.help && options.files.empty() && options.fileLists.empty()) {
        error = u"no files given";
        return false;
    }
    return true;
}
