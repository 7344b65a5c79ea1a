#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "xhtml/FormElement.h"
#include "xhtml/HtmlView.h"
#include "xhtml/TextView.h"
#include "xhtml/UrlLoader.h"
#include "xhtml/ViewContext.h"
#include "xhtml/ViewDump.h"
#include "xhtml/WordView.h"

using namespace xhtml;

namespace {

const std::filesystem::path kData = std::filesystem::path(VARTO_SOURCE_DIR) / "tests/data/xhtml";

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<HtmlView> build(const ZString& markup) {
    auto document = HtmlView::createDocument();
    document->setMarkup(markup);
    return document;
}

// Compares a dump with its expected file; VARTO_UPDATE_DUMPS=1 rewrites the
// file instead (review the diff before committing it).
void expectDump(const std::string& dump, const std::filesystem::path& expectedFile) {
    if (std::getenv("VARTO_UPDATE_DUMPS")) {
        std::ofstream(expectedFile, std::ios::binary) << dump;
        return;
    }
    EXPECT_EQ(dump, readFile(expectedFile)) << "view tree differs from " << expectedFile;
}

std::u16string wordsOf(View* view) {
    std::u16string text;
    view->forEachInTree([&](View* v) {
        if (v->type() == kWordView) text += static_cast<WordView*>(v)->text().view();
        return true;
    });
    return text;
}

}  // namespace

// The engine's regression suite: every document in tests/data/xhtml with the
// view tree it must build.
TEST(ViewTreeDumps, DocumentsBuildTheirExpectedTrees) {
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kData)) {
        if (entry.path().extension() != ".xhtml") continue;
        SCOPED_TRACE(entry.path().filename().string());
        auto document = build(UrlLoader::textFromBytes(readFile(entry.path())));
        std::filesystem::path expected = entry.path();
        expectDump(dumpViewTree(document.get()), expected.replace_extension(".dump"));
        ++compared;
    }
    EXPECT_GE(compared, 4);
}

TEST(ViewTreeDumps, WindowDocumentBuildsItsExpectedTree) {
    auto document = HtmlView::createDocument();
    ASSERT_TRUE(document->loadUrl(u"res:///ui.xhtml"));
    expectDump(dumpViewTree(document.get()), kData / "ui.dump");
}

TEST(WhiteSpace, BlanksAroundTextAndReplacedElements) {
    auto doc = build(u"a <b>bold</b> c");
    ASSERT_EQ(doc->childCount(), 3);
    EXPECT_EQ(static_cast<TextView*>(doc->childAt(0))->text(), u"a ");
    EXPECT_EQ(static_cast<TextView*>(doc->childAt(2))->text(), u" c");

    doc = build(u"<b>x</b> <img src=y.png/>");
    ASSERT_EQ(doc->childCount(), 3);
    EXPECT_TRUE(doc->childAt(1)->isBlank());
    EXPECT_EQ(doc->childAt(2)->type(), kImageView);

    doc = build(u"x <img src=y.png/>");
    ASSERT_EQ(doc->childCount(), 2) << "the text keeps its blank, no extra word";

    doc = build(u"<img src=x.png/> text");
    EXPECT_EQ(static_cast<TextView*>(doc->childAt(1))->text(), u" text");

    // The flags live in the document, across nesting levels.
    doc = build(u"<span>a </span><span> b</span>");
    EXPECT_EQ(wordsOf(doc.get()), u"a b");
}

TEST(ElementTable, PresentationalAttributesAndInheritedSizes) {
    auto doc = build(u"<div style='font-size:20px'><font size='+1'>a</font><font size='-1'>b</font>"
                     u"<small>c</small></div><font size=\"+1\">d</font>");
    auto* div = static_cast<CompositeView*>(doc->childAt(0));
    // Children are built before the parent's own style rules are applied.
    EXPECT_EQ(div->childAt(0)->styleInt(StyleId::FontSize), 14);
    EXPECT_EQ(div->childAt(1)->styleInt(StyleId::FontSize), 12);
    EXPECT_EQ(div->childAt(2)->styleInt(StyleId::FontSize), 11);
    EXPECT_EQ(div->styleInt(StyleId::FontSize), 20);
    EXPECT_EQ(doc->childAt(1)->styleInt(StyleId::FontSize), 14);

    doc = build(u"<strong>x</strong><h4>y</h4>");
    EXPECT_EQ(doc->childAt(0)->type(), kCompositeView);
    EXPECT_FALSE(doc->childAt(0)->hasStyle(StyleId::FontWeight));
    EXPECT_EQ(doc->childAt(1)->styleInt(StyleId::FontSize), 13);
    EXPECT_EQ(doc->childAt(1)->styleInt(StyleId::FontWeight), 700);
}

TEST(ElementTable, InputTypesAreComparedExactly) {
    auto doc = build(u"<input name=\"q\" type=\"PASSWORD\"/><input type=\"Checkbox\"/><input type=\"checkbox\"/>");
    EXPECT_EQ(doc->childAt(0)->type(), kEditView);
    EXPECT_TRUE(doc->childAt(0)->styleBool(StyleId::Password));
    EXPECT_EQ(doc->childAt(0)->styleString(StyleId::InputType), u"text");
    EXPECT_EQ(doc->childAt(0)->styleString(StyleId::FormName), u"q");
    EXPECT_EQ(doc->childAt(1)->type(), kEditView);
    EXPECT_EQ(doc->childAt(2)->type(), kCheckView);
}

TEST(ElementTable, SelectOptionsAreDataNotViews) {
    auto doc = build(u"<select name=\"colorModel\"><option value=\"\" selected>A</option>"
                     u"<option value=\"rgb\">RGB</option><option>&amp;</option>text</select>");
    ASSERT_EQ(doc->childAt(0)->type(), kSelectView);
    auto* select = static_cast<SelectView*>(doc->childAt(0));
    EXPECT_EQ(select->childCount(), 0);
    ASSERT_EQ(select->options().size(), 3u);
    EXPECT_EQ(select->options()[0].label, u"A");
    EXPECT_TRUE(select->options()[0].selected);
    EXPECT_EQ(select->options()[1].value, u"rgb");
    EXPECT_FALSE(select->options()[1].selected);
    EXPECT_EQ(select->options()[2].label, u"&amp;") << "labels are kept as parsed";
    EXPECT_EQ(select->selectedValues(), u"");
}

TEST(ElementTable, TableCellsTakeDefaultsOnlyInsideATableRow) {
    auto doc = build(u"<table border=\"2\" cellpadding=\"4\"><tr><td>a</td></tr></table><td>b</td>"
                     u"<table><tr><td>c</td></tr></table>");
    View* cell = doc->findFirstByType(kCellView);
    EXPECT_EQ(cell->styleInt(StyleId::BorderWidth), 1);
    EXPECT_EQ(cell->styleColor(StyleId::BorderLeftColor), 0x00646464u);
    EXPECT_EQ(cell->styleColor(StyleId::BorderRightColor), 0x00C8C8C8u);
    EXPECT_EQ(cell->styleInt(StyleId::Padding), 4);
    EXPECT_FALSE(doc->childAt(1)->hasStyle(StyleId::BorderWidth));
    std::vector<View*> cells;
    doc->findByType(kCellView, cells);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_FALSE(cells[2]->hasStyle(StyleId::BorderWidth));
    EXPECT_FALSE(cells[2]->hasStyle(StyleId::Padding));
}

TEST(BuildCascade, StyleElementReachesLaterAndContainingElementsOnly) {
    auto doc = build(u"<div id=\"early\" class=\"c\"></div><div id=\"outer\" class=\"c\">"
                     u"<style>.c { width:7px } .c:hover { width:8px }</style></div>"
                     u"<div id=\"late\" class=\"c\" style=\"width:9px\"></div>");
    EXPECT_FALSE(doc->findViewById(u"early")->hasStyle(StyleId::Width));
    EXPECT_EQ(doc->findViewById(u"outer")->styleInt(StyleId::Width, 0, kStateNormal), 7);
    EXPECT_EQ(doc->findViewById(u"outer")->styleInt(StyleId::Width, 0, kStateHover), 8);
    EXPECT_EQ(doc->findViewById(u"late")->styleInt(StyleId::Width, 0, kStateNormal), 9);
    EXPECT_EQ(doc->findViewById(u"late")->styleInt(StyleId::Width, 0, kStateHover), 8);
    EXPECT_EQ(doc->context()->styleRules().size(), 2u);
}

TEST(BuildCascade, DisabledNeedsTheValueTrue) {
    auto doc = build(u"<div disabled=\"TRUE\"></div><div disabled></div><span DISABLED=\"true\"></span>");
    EXPECT_TRUE(doc->childAt(0)->isDisabled());
    EXPECT_FALSE(doc->childAt(1)->hasStyle(StyleId::Disabled));
    EXPECT_TRUE(doc->childAt(2)->isDisabled());
}

TEST(BuildCascade, OverflowTurnsABoxIntoAScrollingFrame) {
    auto doc = build(u"<div id=\"a\" style=\"overflow-y:scroll\"><b>x</b></div><span style=\"overflow:auto\"></span>");
    View* frame = doc->findViewById(u"a");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->type(), kIFrameView);
    EXPECT_EQ(frame->parent(), doc.get());
    EXPECT_EQ(static_cast<CompositeView*>(frame)->childCount(), 1);
    EXPECT_EQ(doc->childAt(1)->type(), kInlineView) << "only boxes become frames";
}
