#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "xhtml/LayoutDump.h"

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
