#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "xhtml/LayoutDump.h"
#include "xhtml/ViewDump.h"

// Boxes after layout of a document mixing paragraphs, inline blocks, a rule,
// a table with a spanning cell and a hidden row, justified and unbroken text,
// at a wide and a narrow width. The window document's boxes are compared in
// the render test.
TEST(LayoutDump, MixedDocumentAtTwoWidths) {
    const auto folder = xhtml::testing::kDataDir / "layout";
    for (int width : {600, 320}) {
        xhtml::DocumentRenderer::Options options;
        options.width = width;
        xhtml::DocumentRenderer renderer(options);
        std::string error;
        ASSERT_TRUE(renderer.load((folder / "mixed.xhtml").string(), &error)) << error;
        renderer.layout();
        xhtml::testing::expectSameAsFile(xhtml::dumpLayout(renderer.document()),
                                         folder / ("mixed-" + std::to_string(width) + ".layout"));
    }
}

// The largest numbers a document can write (int limits, 1e300) in an edit
// field's and a list's size, a text area's rows and columns, a font size,
// spans, widths, spacing, margins and offsets: the stored values keep to the
// engine's ranges and the boxes come out the same at 96 and 192 dpi (double).
TEST(LayoutDump, LargestNumbersADocumentGivesKeepToTheirRanges) {
    const auto folder = xhtml::testing::kDataDir / "layout";
    for (int dpi : {96, 192}) {
        xhtml::DocumentRenderer::Options options;
        options.width = 640;
        options.dpi = dpi;
        options.applyLanguage = false;
        xhtml::DocumentRenderer renderer(options);
        std::string error;
        ASSERT_TRUE(renderer.load((folder / "limits.xhtml").string(), &error)) << error;
        renderer.layout();
        if (dpi == 96)
            xhtml::testing::expectSameAsFile(xhtml::dumpViewTree(renderer.document()), folder / "limits.dump");
        xhtml::testing::expectSameAsFile(xhtml::dumpLayout(renderer.document()),
                                         folder / ("limits-" + std::to_string(dpi) + ".layout"));
    }
}
