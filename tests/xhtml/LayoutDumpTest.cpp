#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "xhtml/LayoutDump.h"
#include "xhtml/ViewDump.h"

namespace {

const auto kFolder = xhtml::testing::kDataDir / "layout";

// The document laid out at a width and resolution; its boxes compared with
// "<stem>-<suffix>.layout", and its view tree with "<stem>.dump" when asked.
void expectLayout(const std::string& stem, int width, int dpi, const std::string& suffix, bool applyLanguage,
                  bool viewTree = false) {
    xhtml::DocumentRenderer::Options options;
    options.width = width;
    options.dpi = dpi;
    options.applyLanguage = applyLanguage;
    xhtml::DocumentRenderer renderer(options);
    std::string error;
    ASSERT_TRUE(renderer.load((kFolder / (stem + ".xhtml")).string(), &error)) << error;
    renderer.layout();
    if (viewTree) xhtml::testing::expectSameAsFile(xhtml::dumpViewTree(renderer.document()), kFolder / (stem + ".dump"));
    xhtml::testing::expectSameAsFile(xhtml::dumpLayout(renderer.document()),
                                     kFolder / (stem + "-" + suffix + ".layout"));
}

}  // namespace

// Boxes after layout of a document mixing paragraphs, inline blocks, a rule,
// a table with a spanning cell and a hidden row, justified and unbroken text,
// at a wide and a narrow width. The window document's boxes are compared in
// the render test.
TEST(LayoutDump, MixedDocumentAtTwoWidths) {
    for (int width : {600, 320}) expectLayout("mixed", width, 96, std::to_string(width), true);
}

// One block per layout rule (wrapping, blanks, alignment, box sizes, images,
// positioning, fonts, table grids, column widths and heights), each named by
// its id and explained in the document, at 96 and 144 dpi.
TEST(LayoutDump, LayoutRulesAtTwoResolutions) {
    for (int dpi : {96, 144}) expectLayout("rules", 600, dpi, std::to_string(dpi), false);
}

// The largest numbers a document can write (int limits, 1e300) in an edit
// field's and a list's size, a text area's rows and columns, a font size,
// spans, widths, spacing, margins and offsets: the stored values keep to the
// engine's ranges and the boxes come out the same at 96 and 192 dpi (double).
TEST(LayoutDump, LargestNumbersADocumentGivesKeepToTheirRanges) {
    for (int dpi : {96, 192}) expectLayout("limits", 640, dpi, std::to_string(dpi), false, dpi == 96);
}
