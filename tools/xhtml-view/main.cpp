// xhtml-view [--dpi D] [--lang CODE] [--size WxH] [--timing] FILE-or-URL
// Opens a document in a live frame window, for trying documents by hand and
// driving them from outside: every listener notification is printed as one
// line on standard output, and the form values when the window closes.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ViewerWindow.h"
#include "base/NumberParse.h"
#include "platform/gui/Gui.h"
#include "suite/Language.h"
#include "suite/LanguageOverride.h"
#include "xhtml/DocumentRenderer.h"
#include "xhtml/UrlLoader.h"
#include "xhtml/ViewContext.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: xhtml-view [--dpi D] [--lang CODE] [--size WxH] [--timing] FILE-or-URL\n");
}

constexpr int maxNumber = 100000;

bool readSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    return x != std::string::npos && parsePositiveInt(text.substr(0, x), maxNumber, width) &&
           parsePositiveInt(text.substr(x + 1), maxNumber, height);
}

// The document's text and base URL; false with a message when unreadable.
bool readDocument(const std::string& input, ZString& text, ZString& base) {
    if (input.find("://") != std::string::npos) {
        base = ZString::fromUtf8(input);
        auto loader = xhtml::makeWindowUrlLoader(base);
        std::string bytes;
        const uint32_t size = loader->load(base, bytes);
        if (size == 0 || size == xhtml::UrlLoader::kFailed) {
            std::fprintf(stderr, "xhtml-view: nothing could be read from %s\n", input.c_str());
            return false;
        }
        text = xhtml::UrlLoader::textFromBytes(bytes);
        return true;
    }
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "xhtml-view: cannot read %s\n", input.c_str());
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    text = xhtml::UrlLoader::textFromBytes(bytes);
    base = ZString::fromUtf8("file://" + std::filesystem::absolute(input).string());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int dpi = 0;
    int width = 800;
    int height = 600;
    std::string lang;
    std::string input;
    bool timing = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--dpi" && hasValue) {
            if (!parsePositiveInt(argv[++i], maxNumber, dpi)) {
                std::fprintf(stderr, "xhtml-view: --dpi needs a positive number\n");
                return 2;
            }
        } else if (arg == "--lang" && hasValue) {
            lang = argv[++i];
        } else if (arg == "--size" && hasValue) {
            if (!readSize(argv[++i], width, height)) {
                std::fprintf(stderr, "xhtml-view: --size needs WIDTHxHEIGHT\n");
                return 2;
            }
        } else if (arg == "--timing") {
            timing = true;
        } else if (arg.rfind("--", 0) == 0 || !input.empty()) {
            usage();
            return 2;
        } else {
            input = arg;
        }
    }
    if (input.empty()) {
        usage();
        return 2;
    }
    LanguageOverride language(lang);
    ZString text;
    ZString base;
    if (!readDocument(input, text, base)) return 1;
    if (!platform::gui::Gui::init()) {
        std::fprintf(stderr, "xhtml-view: cannot open the display\n");
        return 1;
    }
    xhtml::View::setScreenDpi(dpi > 0 ? dpi : platform::gui::Gui::screenDpi());

    xhtml::ViewContext context;
    context.setUrlLoader(xhtml::makeWindowUrlLoader(base));
    ViewerWindow window(&context, timing);
    const std::string title = input.find("://") != std::string::npos
                                  ? input
                                  : std::filesystem::path(input).filename().string();
    if (!window.create(nullptr, 0, 0, width, height, platform::gui::kVisible, 0,
                       ZString::fromUtf8(title))) {
        std::fprintf(stderr, "xhtml-view: cannot create the window\n");
        return 1;
    }
    window.setMarkup(text, base);
    window.getWindow().setFocus();
    return platform::gui::Gui::run();
}
