// xhtml-dump FILE-or-URL: builds the views of a document and prints the tree,
// so tests and people can see what the builder made.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "xhtml/HtmlView.h"
#include "xhtml/UrlLoader.h"
#include "xhtml/ViewDump.h"

namespace {

bool isUrl(const std::string& argument) { return argument.find("://") != std::string::npos; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xhtml-dump FILE-or-URL\n");
        return 2;
    }
    const std::string argument = argv[1];
    auto document = xhtml::HtmlView::createDocument();
    if (isUrl(argument)) {
        if (!document->loadUrl(ZString::fromUtf8(argument))) {
            std::fprintf(stderr, "xhtml-dump: nothing could be read from %s\n", argument.c_str());
            return 1;
        }
    } else {
        std::ifstream in(argument, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "xhtml-dump: cannot read %s\n", argument.c_str());
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const std::string base = "file://" + std::filesystem::absolute(argument).string();
        document->setMarkup(xhtml::UrlLoader::textFromBytes(bytes), ZString::fromUtf8(base));
    }
    const std::string dump = xhtml::dumpViewTree(document.get());
    std::fwrite(dump.data(), 1, dump.size(), stdout);
    return 0;
}
