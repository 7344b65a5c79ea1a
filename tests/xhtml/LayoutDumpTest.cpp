#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "xhtml/DocumentRenderer.h"
#include "xhtml/LayoutDump.h"

// Boxes after layout compared with expected files, so any change in where
// views land shows up as a readable difference. VARTO_UPDATE_DUMPS=1
// rewrites the expected files after an intended change.

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string layoutOf(const std::string& source, int width, int dpi) {
    xhtml::DocumentRenderer::Options options;
    options.width = width;
    options.dpi = dpi;
    xhtml::DocumentRenderer renderer(options);
    std::string error;
    EXPECT_TRUE(renderer.load(source, &error)) << error;
    renderer.layout();
    return xhtml::dumpLayout(renderer.document());
}

void expectLayout(const std::string& dump, const std::filesystem::path& expectedFile) {
    if (std::getenv("VARTO_UPDATE_DUMPS")) {
        std::ofstream(expectedFile, std::ios::binary) << dump;
        return;
    }
    EXPECT_EQ(dump, readFile(expectedFile)) << "boxes differ from " << expectedFile;
}

const std::filesystem::path kFolder =
    std::filesystem::path(VARTO_SOURCE_DIR) / "tests/data/xhtml/layout";

}  // namespace

TEST(LayoutDump, WindowDocumentAtBothResolutions) {
    expectLayout(layoutOf("res:///ui.xhtml", -1, 96), kFolder / "ui-96.layout");
    expectLayout(layoutOf("res:///ui.xhtml", -1, 144), kFolder / "ui-144.layout");
}

TEST(LayoutDump, MixedDocumentAtTwoWidths) {
    const std::string source = (kFolder / "mixed.xhtml").string();
    expectLayout(layoutOf(source, 600, 96), kFolder / "mixed-600.layout");
    expectLayout(layoutOf(source, 320, 96), kFolder / "mixed-320.layout");
}
