#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "xhtml/Layouter.h"

using namespace xhtml;
using xhtml::testing::Page;

// Where lines break and boxes go is compared as a whole in the layout
// dumps; here, what changes when the mouse or the text does.

TEST(Relayout, HoverStyleOfTheSameSizeRelaysOnlyThatBox) {
    Page page(
        "<style>.b{display:inline-block;width:60px;height:30px;border:1px solid transparent}"
        ".b:hover{border-color:red;color:blue}</style>"
        "<div id='one' class='b'>one</div><div id='two' class='b'>two</div>",
        300);
    BoxView* one = page.box("one");
    const Rect before = page.rect("two");
    layoutCounters() = {};
    MouseEvent enter{{5, 5}, 0};
    one->handleMouse(enter);
    EXPECT_TRUE(one->isHovered());
    EXPECT_EQ(layoutCounters().boxesLaidOut, 1);
    EXPECT_TRUE(one->attached());
    EXPECT_EQ(page.rect("two"), before);
}

// A hover rule that changes an ancestor's font reaches the words: they are
// measured and painted in the bold font, and the rest of the line moves.
// Leaving gives the normal font back.
TEST(Relayout, HoverFontOfAnAncestorRemeasuresItsWords) {
    Page page(
        "<style>a:hover{font-weight:bold}</style>"
        "<div style='width:300px'><a id='l' href='x'>Link words</a> tail</div>",
        300);
    const Rect normal = page.wordRect(u"Link");
    const int tailBefore = page.wordRect(u"tail").left;
    const auto bold = platform::gfx::Font::shared(-13, 700, false, u"Verdana");
    ASSERT_GT(bold->measure(u"Link").width, normal.width());
    MouseEvent enter{{normal.left + 1, normal.top + 1}, 0};
    page.byId("l")->handleMouse(enter);
    ASSERT_TRUE(page.byId("l")->isHovered());
    EXPECT_EQ(page.word(u"Link")->getFont()->weight(), 700);
    EXPECT_EQ(page.wordRect(u"Link").width(), bold->measure(u"Link").width);
    EXPECT_GT(page.wordRect(u"tail").left, tailBefore);
    auto hovered = page.paint();
    Page reference("<div style='width:300px'><b>Link words</b> tail</div>", 300);
    auto expected = reference.paint();
    const Rect link = page.wordRect(u"Link");
    for (int x = link.left; x < link.right; ++x)
        for (int y = link.top; y < link.top + 12; ++y)
            ASSERT_EQ(hovered->pixel(x, y).red, expected->pixel(x, y).red) << x << "," << y;

    MouseEvent leave{{299, 200}, 0};
    page.byId("l")->handleMouse(leave);
    EXPECT_EQ(page.wordRect(u"Link").width(), normal.width());
    EXPECT_EQ(page.wordRect(u"tail").left, tailBefore);
}

TEST(Relayout, SizeChangeGoesUpToTheParent) {
    Page page(
        "<div id='outer' style='width:200px'><div id='inner' "
        "style='display:inline-block'>short</div></div>",
        300);
    BoxView* inner = page.box("inner");
    BoxView* outer = page.box("outer");
    ASSERT_TRUE(inner->attached());
    inner->setText(u"a much longer text");
    EXPECT_FALSE(inner->attached());
    EXPECT_FALSE(outer->attached());
}
