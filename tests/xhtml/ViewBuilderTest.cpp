#include <gtest/gtest.h>

#include <filesystem>

#include "RenderFixture.h"
#include "xhtml/FormElement.h"
#include "xhtml/SelectView.h"
#include "xhtml/HtmlView.h"
#include "xhtml/UrlLoader.h"
#include "xhtml/ViewDump.h"

using namespace xhtml;

namespace {

using xhtml::testing::expectSameAsFile;
using xhtml::testing::kDataDir;
using xhtml::testing::readFile;

std::unique_ptr<HtmlView> build(const ZString& markup) {
    auto document = HtmlView::createDocument();
    document->setMarkup(markup);
    return document;
}

}  // namespace

// The engine's regression suite: every document in tests/data/xhtml with the
// view tree it must build. Blanks around elements, presentational attributes,
// input types, table cell defaults, where a style element reaches, the
// disabled attribute and scrolling frames are all shown there.
TEST(ViewTreeDumps, DocumentsBuildTheirExpectedTrees) {
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kDataDir)) {
        if (entry.path().extension() != ".xhtml") continue;
        SCOPED_TRACE(entry.path().filename().string());
        auto document = build(UrlLoader::textFromBytes(readFile(entry.path())));
        std::filesystem::path expected = entry.path();
        expectSameAsFile(dumpViewTree(document.get()), expected.replace_extension(".dump"));
        ++compared;
    }
    EXPECT_GE(compared, 4);
}

TEST(ViewTreeDumps, WindowDocumentBuildsItsExpectedTree) {
    auto document = HtmlView::createDocument();
    ASSERT_TRUE(document->loadUrl(u"res:///ui.xhtml"));
    expectSameAsFile(dumpViewTree(document.get()), kDataDir / "ui.dump");
}

TEST(ElementTable, SelectOptionsAreDataNotViews) {
    auto doc = build(u"<select name=\"colorModel\"><option value=\"\" selected>A</option>"
                     u"<option value=\"rgb\">RGB</option><option>&amp;</option>text</select>");
    ASSERT_EQ(doc->childAt(0)->type(), kSelectView);
    auto* select = static_cast<SelectView*>(doc->childAt(0));
    ASSERT_EQ(select->options().size(), 3u);
    EXPECT_EQ(select->options()[0].label, u"A");
    EXPECT_TRUE(select->options()[0].selected);
    EXPECT_EQ(select->options()[1].value, u"rgb");
    EXPECT_FALSE(select->options()[1].selected);
    EXPECT_EQ(select->options()[2].label, u"&amp;") << "labels are kept as parsed";
    EXPECT_EQ(select->selectedValues(), u"");
}
