#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <string>

#include "RenderFixture.h"
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
// disabled attribute, scrolling frames and display values that change a
// view's class are all shown there. The trees must not depend on the user's
// locale (Unicode spaces split words alike everywhere), so every document is
// built under the plain C locale and under a Unicode one.
TEST(ViewTreeDumps, DocumentsBuildTheirExpectedTrees) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    int compared = 0;
    for (const char* locale : {"C", "C.UTF-8"}) {
        ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << locale;
        for (const auto& entry : std::filesystem::directory_iterator(kDataDir)) {
            if (entry.path().extension() != ".xhtml") continue;
            SCOPED_TRACE(entry.path().filename().string() + " in " + locale);
            auto document = build(UrlLoader::textFromBytes(readFile(entry.path())));
            std::filesystem::path expected = entry.path();
            expectSameAsFile(dumpViewTree(document.get()), expected.replace_extension(".dump"));
            ++compared;
        }
    }
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_GE(compared, 8);
}

TEST(ViewTreeDumps, WindowDocumentBuildsItsExpectedTree) {
    auto document = HtmlView::createDocument();
    ASSERT_TRUE(document->loadUrl(u"res:///ui.xhtml"));
    expectSameAsFile(dumpViewTree(document.get()), kDataDir / "ui.dump");
}

// 200,000 nested elements: the views stop at the depth limit, the text below
// it stays in the document as plain words, and building, layout, painting and
// teardown all finish. Elements just above the limit keep their views.
TEST(DeepDocuments, NestingBeyondTheLimitIsKeptAsText) {
    constexpr int kLevels = 200000;
    std::string markup;
    markup.reserve(kLevels * 7 + 64);
    markup += "top ";
    for (int i = 0; i < kLevels; ++i) markup += i == 100 ? "<b>middle " : "<b>";
    markup += "deep <i>deeper</i> words";
    for (int i = 0; i < kLevels; ++i) markup += "</b>";
    markup += " after";
    xhtml::testing::Page page(markup, 300);
    int deepest = 0;
    std::u16string text;
    View* root = page.word(u"top")->getRoot();
    root->forEachInTree([&](View* v) {
        int depth = 0;
        for (View* up = v; up->parent(); up = up->parent()) ++depth;
        deepest = std::max(deepest, depth);
        if (v->type() == kWordView) text += static_cast<WordView*>(v)->text().view();
        return true;
    });
    EXPECT_LE(deepest, HtmlView::kMaxViewDepth + 4);
    EXPECT_GE(deepest, HtmlView::kMaxViewDepth);
    EXPECT_EQ(text, u"top middle deep deeper words after");
    // The words below the limit are placed and painted like any other.
    const Rect deep = page.wordRect(u"deeper");
    EXPECT_GT(deep.width(), 0);
    EXPECT_GT(deep.left, page.wordRect(u"deep").right);
    EXPECT_EQ(page.word(u"deep")->getFont()->weight(), 700);
    auto dc = page.paint();
    int ink = 0;
    for (int x = deep.left; x < deep.right; ++x)
        for (int y = deep.top; y < deep.bottom; ++y) ink += dc->pixel(x, y).red < 128;
    EXPECT_GT(ink, 20);
}
