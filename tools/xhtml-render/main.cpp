// xhtml-render [--width W] [--dpi D] [--lang CODE] [--hover ID] [--pressed ID]
//              FILE-or-URL OUT.png
// Lays a document out and paints it into a PNG without any display, as the
// window would show it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/NumberParse.h"
#include "suite/Language.h"
#include "suite/LanguageOverride.h"
#include "xhtml/DocumentRenderer.h"

namespace {

void usage() {
    std::fprintf(
        stderr,
        "usage: xhtml-render [--width W] [--dpi D] [--lang CODE] [--hover ID] [--pressed ID] "
        "FILE-or-URL OUT.png\n");
}

// Widths and resolutions larger than this are typing mistakes.
constexpr int maxNumber = 100000;

}  // namespace

int main(int argc, char** argv) {
    xhtml::DocumentRenderer::Options options;
    std::string lang;
    std::string input;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--width" && hasValue) {
            if (!parsePositiveInt(argv[++i], maxNumber, options.width)) {
                std::fprintf(stderr, "xhtml-render: --width needs a positive number\n");
                return 2;
            }
        } else if (arg == "--dpi" && hasValue) {
            if (!parsePositiveInt(argv[++i], maxNumber, options.dpi)) {
                std::fprintf(stderr, "xhtml-render: --dpi needs a positive number\n");
                return 2;
            }
        } else if (arg == "--lang" && hasValue) {
            lang = argv[++i];
        } else if (arg == "--hover" && hasValue) {
            options.hoverId = ZString::fromUtf8(argv[++i]);
        } else if (arg == "--pressed" && hasValue) {
            options.pressedId = ZString::fromUtf8(argv[++i]);
        } else if (arg.rfind("--", 0) == 0) {
            usage();
            return 2;
        } else if (input.empty()) {
            input = arg;
        } else if (output.empty()) {
            output = arg;
        } else {
            usage();
            return 2;
        }
    }
    if (input.empty() || output.empty()) {
        usage();
        return 2;
    }
    LanguageOverride language(lang);
    xhtml::DocumentRenderer renderer(options);
    std::string error;
    if (!renderer.load(input, &error)) {
        std::fprintf(stderr, "xhtml-render: %s\n", error.c_str());
        return 1;
    }
    const xhtml::Size page = renderer.layout();
    if (page.width <= 0 || page.height <= 0) {
        std::fprintf(stderr, "xhtml-render: the document has no size\n");
        return 1;
    }
    if (!renderer.paint()->writePng(output)) {
        std::fprintf(stderr, "xhtml-render: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
